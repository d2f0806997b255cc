// Animations: child objects that drive one published property of their parent, named by a
// dotted path ("Position.Y", "Material.Diffuse"), from a start to a stop value over
// Duration seconds. Running animations of objects shown by a host that is not in real-time
// mode are advanced by the process-wide 16 ms animation timer on DefaultTimerService().
#pragma once

#include <cstdint>
#include <string>

#include "scene/object.h"

enum TgkAnimationFunc { pqAnimationReplace, pqAnimationAppend, pqAnimationSubtract };
const TEnumInfo& AnimationFuncInfo();

inline constexpr uint32_t kAnimationIntervalMs = 16;

class TgkAnimation : public TgkObject, public TgkAnimationControl {
  FM_CLASS(TgkAnimation, TgkObject)
 public:
  explicit TgkAnimation(TComponent* owner = nullptr);
  // A running animation leaves the timer.
  ~TgkAnimation() override;

  // ---- Virtual operations, in slot order ----
  // Writes the value for the current time; the base writes nothing.
  virtual void ProcessAnimation() {}
  // Does nothing under an invisible visual parent. A duration below 0.001 s jumps to the
  // end at once (OnFinish inside Start); otherwise the animation runs from its first end.
  void Start() override;
  // Only when running: leaves the timer, writes the final value, fires OnFinish.
  void Stop() override;
  // Starts when trigger_name occurs in Trigger and every "Name=Value" pair whose Name is a
  // Boolean or enumerated property of instance has that value (at least one compared).
  void StartTrigger(TgkObject* instance, const std::string& trigger_name) override;
  bool IsTriggered() const override { return !trigger_.empty(); }

  void Tick(float time, float delta_time) override;

  // ---- Properties ----
  float Duration() const { return duration_; }
  void SetDuration(float seconds) { duration_ = seconds; }
  bool Loop() const { return loop_; }
  void SetLoop(bool loop) { loop_ = loop; }
  bool Inverse() const { return inverse_; }
  void SetInverse(bool inverse) { inverse_ = inverse; }
  // "Name=Value" pairs separated by ";".
  const std::string& Trigger() const { return trigger_; }
  void SetTrigger(const std::string& trigger) { trigger_ = trigger; }
  TgkAnimationFunc Func() const { return func_; }
  void SetFunc(TgkAnimationFunc func) { func_ = func; }
  TNotifyEvent OnFinish;

  float CurrentTime() const { return current_time_; }
  bool Running() const { return running_; }
  // CurrentTime / Duration, or 0 for a duration not above 0.
  float NormalizedTime() const;
  // Registered with the animation timer.
  bool Scheduled() const;

 protected:
  // Called at the start of Start and Stop (after the final write in Stop).
  virtual void ResetBase() {}

 private:
  void FireFinish();
  bool ParentHidden() const;

  float duration_ = 0.2f;
  bool loop_ = false;
  bool inverse_ = false;
  std::string trigger_;
  TgkAnimationFunc func_ = pqAnimationReplace;
  float current_time_ = 0;
  bool running_ = false;
};

// The property an animation drives, resolved from its parent once (again after the parent
// changed).
class TgkAnimationTarget {
 public:
  TPropTarget Resolve(TgkObject* parent, const std::string& path);
  void Reset() { parent_ = nullptr; }

 private:
  TgkObject* parent_ = nullptr;
  std::string path_;
  TPropTarget target_;
};

class TgkFloatAnimation : public TgkAnimation {
  FM_CLASS(TgkFloatAnimation, TgkAnimation)
 public:
  explicit TgkFloatAnimation(TComponent* owner = nullptr);

  float StartValue() const { return start_value_; }
  void SetStartValue(float v) { start_value_ = v; }
  float StopValue() const { return stop_value_; }
  void SetStopValue(float v) { stop_value_ = v; }
  const std::string& PropertyName() const { return property_name_; }
  void SetPropertyName(const std::string& path);

  // Writes the interpolated value (replace), or adds it to / subtracts it from the value
  // the property had when the run began.
  void ProcessAnimation() override;

 protected:
  void ResetBase() override { base_captured_ = false; }

 private:
  float start_value_ = 0;
  float stop_value_ = 1;
  std::string property_name_;
  bool base_captured_ = false;
  float base_ = 0;
  TgkAnimationTarget target_;
};

class TgkColorAnimation : public TgkAnimation {
  FM_CLASS(TgkColorAnimation, TgkAnimation)
 public:
  explicit TgkColorAnimation(TComponent* owner = nullptr);

  // Stored as colour text "#AARRGGBB".
  uint32_t StartValue() const { return start_value_; }
  void SetStartValue(uint32_t v) { start_value_ = v; }
  uint32_t StopValue() const { return stop_value_; }
  void SetStopValue(uint32_t v) { stop_value_ = v; }
  const std::string& PropertyName() const { return property_name_; }
  void SetPropertyName(const std::string& path);

  // Captures the property's colour first when Func is not replace.
  void Start() override;
  // Into a colour, integer or (as colour text) string property.
  void ProcessAnimation() override;

 private:
  uint32_t start_value_ = 0xFFFFFFFF;
  uint32_t stop_value_ = 0xFFFFFFFF;
  std::string property_name_;
  uint32_t base_ = 0;
  TgkAnimationTarget target_;
};

// Animations currently registered with the process's animation timer.
size_t ScheduledAnimationCount();
