// Trigger animations of the control styles: a colour or a float property of the parent
// object runs from StartValue to StopValue over Duration seconds when a state named in
// Trigger changes and its conditions hold. Running animations advance on the 2D library's
// 25 ms timer.
#pragma once

#include <cstdint>
#include <string>

#include "ui/vector_object.h"

class TTimerService;

class TpmAnimation : public TpmObject {
  FM_CLASS(TpmAnimation, TpmObject)
 public:
  static constexpr uint32_t kTimerInterval = 25;

  explicit TpmAnimation(TComponent* owner = nullptr);
  ~TpmAnimation() override;

  const std::string& Trigger() const { return trigger_; }
  void SetTrigger(const std::string& v) { trigger_ = v; }
  float Duration() const { return duration_; }
  void SetDuration(float v) { duration_ = v < 0 ? 0 : v; }
  float Delay() const { return delay_; }
  void SetDelay(float v) { delay_ = v < 0 ? 0 : v; }
  bool Inverse() const { return inverse_; }
  void SetInverse(bool v) { inverse_ = v; }
  bool Loop() const { return loop_; }
  void SetLoop(bool v) { loop_ = v; }
  bool StartFromCurrent() const { return start_from_current_; }
  void SetStartFromCurrent(bool v) { start_from_current_ = v; }
  const std::string& PropertyName() const { return property_name_; }
  void SetPropertyName(const std::string& v) { property_name_ = v; }
  bool Running() const { return running_; }
  TNotifyEvent OnFinish;

  void Start();
  void Stop();
  // Advances by delta seconds (the timer calls it).
  void Process(float delta);
  void StartTriggerAnimation(TpmObject* instance, const std::string& state) override;

  // Whether every condition of trigger ("Name=value;...") that instance can answer holds,
  // with at least one answered.
  static bool ConditionsHold(const TPersistent& instance, const std::string& trigger);

 protected:
  // t runs 0..1 (already inverted when Inverse is set).
  virtual void Apply(float t) = 0;
  virtual void TakeCurrent() = 0;
  TPropTarget Target();

 private:
  std::string trigger_;
  float duration_ = 0.2f;
  float delay_ = 0;
  bool inverse_ = false;
  bool loop_ = false;
  bool start_from_current_ = false;
  std::string property_name_;
  bool running_ = false;
  float time_ = 0;
};

class TpmColorAnimation : public TpmAnimation {
  FM_CLASS(TpmColorAnimation, TpmAnimation)
 public:
  explicit TpmColorAnimation(TComponent* owner = nullptr) : TpmAnimation(owner) {}
  uint32_t StartValue() const { return start_; }
  void SetStartValue(uint32_t v) { start_ = v; }
  uint32_t StopValue() const { return stop_; }
  void SetStopValue(uint32_t v) { stop_ = v; }

 protected:
  void Apply(float t) override;
  void TakeCurrent() override;

 private:
  uint32_t start_ = 0xFFFFFFFF, stop_ = 0xFFFFFFFF;
};

class TpmFloatAnimation : public TpmAnimation {
  FM_CLASS(TpmFloatAnimation, TpmAnimation)
 public:
  explicit TpmFloatAnimation(TComponent* owner = nullptr) : TpmAnimation(owner) {}
  float StartValue() const { return start_; }
  void SetStartValue(float v) { start_ = v; }
  float StopValue() const { return stop_; }
  void SetStopValue(float v) { stop_ = v; }

 protected:
  void Apply(float t) override;
  void TakeCurrent() override;

 private:
  float start_ = 0, stop_ = 0;
};

// The service the 25 ms timer runs on (tests use a service with a fake clock); the timer
// is made on the first started animation.
void SetPmAnimationTimerService(TTimerService* service);
// Frees the timer (the last vector layer went away).
void ReleasePmAnimationTimer();
// Animations currently registered with the timer.
int RunningPmAnimations();
// Per-channel interpolation of straight ARGB colours.
uint32_t PmInterpolateColor(uint32_t a, uint32_t b, float t);
