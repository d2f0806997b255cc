#include "scene/animation.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "core/text_helpers.h"
#include "core/trigger_text.h"
#include "imaging/bitmap.h"
#include "platform/timer_service.h"
#include "scene/math.h"
#include "scene/visual_object.h"

namespace {

// The process-wide animation timer. It only runs while animations are registered, so an
// idle program is not woken every 16 ms; its clock restarts with each run so the first tick
// after a pause does not carry the pause.
class AnimationTimer {
 public:
  AnimationTimer() {
    timer_.SetEnabled(false);
    timer_.SetInterval(kAnimationIntervalMs);
    timer_.SetOnTimer([this](TTimer&) { Tick(); });
    Rebase();
  }

  void Add(TgkAnimation* a) {
    if (Contains(a)) return;
    list_.push_back(a);
    if (!timer_.Enabled()) {
      if (clock_ != &timer_.Service().Clock()) Rebase();
      last_ = Now();
      timer_.SetEnabled(true);
    }
  }

  void Remove(TgkAnimation* a) {
    std::erase(list_, a);
    if (list_.empty()) timer_.SetEnabled(false);
  }

  bool Contains(const TgkAnimation* a) const {
    return std::find(list_.begin(), list_.end(), a) != list_.end();
  }
  size_t Count() const { return list_.size(); }
  // Inside a tick the timer cannot tick again (a nested wait would never see it).
  bool Firing() const { return timer_.Firing(); }

 private:
  void Rebase() {
    clock_ = &timer_.Service().Clock();
    creation_ms_ = clock_->NowMs();
    last_ = 0;
  }
  float Now() const { return static_cast<float>(clock_->NowMs() - creation_ms_) / 1000.0f; }

  void Tick() {
    if (clock_ != &timer_.Service().Clock()) {
      Rebase();
      last_ = Now();
    }
    const float time = Now();
    const float delta = time - last_;
    last_ = time;
    // Last to first; a tick may finish and free any animation, so each is checked first.
    const std::vector<TgkAnimation*> snapshot = list_;
    for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
      if (Contains(*it) && (*it)->Running()) (*it)->Tick(time, delta);
    }
  }

  TTimer timer_{DefaultTimerService()};
  std::vector<TgkAnimation*> list_;
  const TClock* clock_ = nullptr;
  int64_t creation_ms_ = 0;
  float last_ = 0;
};

AnimationTimer& Timer() {
  // Never destroyed: animations held by static objects may be freed after it.
  alignas(AnimationTimer) static unsigned char storage[sizeof(AnimationTimer)];
  static AnimationTimer* timer = ::new (storage) AnimationTimer();
  return *timer;
}

bool InRealTimeScene(const TgkObject& o) {
  return o.Scene() && o.Scene()->IsRealTime();
}

}  // namespace

size_t ScheduledAnimationCount() {
  return Timer().Count();
}

// ---- TgkAnimation ----

TgkAnimation::TgkAnimation(TComponent* owner) : TgkObject(owner) {}

TgkAnimation::~TgkAnimation() {
  Timer().Remove(this);
}

float TgkAnimation::NormalizedTime() const {
  return duration_ > 0 ? current_time_ / duration_ : 0;
}

bool TgkAnimation::Scheduled() const {
  return Timer().Contains(this);
}

bool TgkAnimation::ParentHidden() const {
  auto* visual = dynamic_cast<const TgkVisualObject*>(Parent());
  return visual && !visual->Visible();
}

void TgkAnimation::FireFinish() {
  // A copy: the handler may free this animation (AnimateFloat's does).
  const TNotifyEvent handler = OnFinish;
  if (handler) handler(this);
}

void TgkAnimation::Start() {
  if (ParentHidden()) return;
  ResetBase();
  if (std::fabs(duration_) < 0.001f || InDesignMode()) {
    // Straight to the end in one step. The stored duration is kept.
    const float duration = duration_;
    current_time_ = inverse_ ? 0.0f : 1.0f;
    duration_ = 1;
    running_ = true;
    ProcessAnimation();
    running_ = false;
    current_time_ = 0;
    duration_ = duration;
    FireFinish();
    return;
  }
  running_ = true;
  current_time_ = inverse_ ? duration_ : 0.0f;
  ProcessAnimation();
  if (Scene() && !InRealTimeScene(*this)) Timer().Add(this);
}

void TgkAnimation::Stop() {
  if (!running_) return;
  Timer().Remove(this);
  current_time_ = inverse_ ? 0.0f : duration_;
  ProcessAnimation();
  running_ = false;
  ResetBase();
  FireFinish();
}

void TgkAnimation::Tick(float time, float delta_time) {
  TgkObject::Tick(time, delta_time);
  if (ParentHidden()) {
    // Stop writes the final value and finishes; nothing is left to do (and OnFinish may
    // have freed us).
    if (running_) {
      Stop();
      return;
    }
  }
  if (running_) {
    current_time_ += inverse_ ? -delta_time : delta_time;
    if (current_time_ >= duration_) {
      current_time_ = duration_;
      if (loop_) {
        current_time_ = 0;
      } else {
        running_ = false;
      }
    } else if (current_time_ <= 0) {
      current_time_ = 0;
      if (loop_) {
        current_time_ = duration_;
      } else {
        running_ = false;
      }
    }
  }
  ProcessAnimation();
  // A finished run leaves the timer and reports; also when the object left its scene
  // meanwhile, so nothing stays registered for ever.
  if (!running_ && Timer().Contains(this)) {
    Timer().Remove(this);
    ResetBase();
    FireFinish();
  }
}

void TgkAnimation::StartTrigger(TgkObject* instance, const std::string& trigger_name) {
  if (!instance || trigger_.empty()) return;
  if (!TriggerMentions(trigger_, trigger_name)) return;
  int compared = 0;
  for (const TTriggerCondition& condition : ParseTriggerConditions(trigger_)) {
    const TPropInfo* prop = FindProp(*instance, condition.Name);
    if (!prop || (prop->kind != TPropKind::Boolean && prop->kind != TPropKind::Enum)) continue;
    if (!SameText(GetEnumProp(*instance, condition.Name), condition.Value)) return;
    ++compared;
  }
  if (compared > 0) Start();
}

// ---- Targets ----

TPropTarget TgkAnimationTarget::Resolve(TgkObject* parent, const std::string& path) {
  if (!parent) return {};
  if (parent != parent_ || path != path_) {
    parent_ = parent;
    path_ = path;
    target_ = ResolvePropPath(*parent, path);
  }
  return target_;
}

// ---- TgkFloatAnimation ----

TgkFloatAnimation::TgkFloatAnimation(TComponent* owner) : TgkAnimation(owner) {}

void TgkFloatAnimation::SetPropertyName(const std::string& path) {
  property_name_ = path;
  target_.Reset();
}

void TgkFloatAnimation::ProcessAnimation() {
  const TPropTarget target = target_.Resolve(Parent(), property_name_);
  if (!target || target.prop->kind != TPropKind::Float || !target.prop->set_float) return;
  if (!base_captured_) {
    base_ = target.prop->get_float(*target.object);
    base_captured_ = true;
  }
  const float t = NormalizedTime();
  // The ends are written exactly: an animation finishes on its stop value.
  const float v = t >= 1   ? stop_value_
                  : t <= 0 ? start_value_
                           : InterpolateSingle(start_value_, stop_value_, t);
  switch (Func()) {
    case pqAnimationReplace:
      target.prop->set_float(*target.object, v);
      break;
    case pqAnimationAppend:
      target.prop->set_float(*target.object, base_ + v);
      break;
    case pqAnimationSubtract:
      target.prop->set_float(*target.object, base_ - v);
      break;
  }
}

// ---- TgkColorAnimation ----

TgkColorAnimation::TgkColorAnimation(TComponent* owner) : TgkAnimation(owner) {}

void TgkColorAnimation::SetPropertyName(const std::string& path) {
  property_name_ = path;
  target_.Reset();
}

void TgkColorAnimation::Start() {
  if (Func() != pqAnimationReplace) {
    const TPropTarget target = target_.Resolve(Parent(), property_name_);
    if (target) {
      switch (target.prop->kind) {
        case TPropKind::Color:
        case TPropKind::Integer:
          base_ = static_cast<uint32_t>(target.prop->get_ord(*target.object));
          break;
        case TPropKind::String:
          base_ = StringToColor(target.prop->get_string(*target.object));
          break;
        default:
          break;
      }
    }
  }
  TgkAnimation::Start();
}

void TgkColorAnimation::ProcessAnimation() {
  const TPropTarget target = target_.Resolve(Parent(), property_name_);
  if (!target) return;
  const float t = NormalizedTime();
  uint32_t c = t >= 1 ? stop_value_ : InterpolateColor(start_value_, stop_value_, t);
  if (Func() == pqAnimationAppend) c = ColorAdd(base_, c);
  if (Func() == pqAnimationSubtract) c = ColorSubtract(base_, c);
  switch (target.prop->kind) {
    case TPropKind::Color:
    case TPropKind::Integer:
      if (target.prop->set_ord) target.prop->set_ord(*target.object, c);
      break;
    case TPropKind::String:
      if (target.prop->set_string) target.prop->set_string(*target.object, ColorToString(c));
      break;
    default:
      break;
  }
}

// ---- AnimateFloat ----

namespace {

TgkFloatAnimation* PrepareFloatAnimation(TgkObject& object, const std::string& path,
                                         float stop_value, float duration) {
  std::vector<TgkAnimation*> running;
  for (TgkObject* child : object.Children()) {
    if (auto* f = dynamic_cast<TgkFloatAnimation*>(child)) {
      if (SameText(f->PropertyName(), path)) running.push_back(f);
    } else if (auto* c = dynamic_cast<TgkColorAnimation*>(child)) {
      if (SameText(c->PropertyName(), path)) running.push_back(c);
    }
  }
  for (TgkAnimation* a : running) a->Stop();  // a self-freeing one is gone afterwards

  auto* animation = new TgkFloatAnimation(&object);  // owned by object
  animation->SetParent(&object);
  animation->SetDuration(duration);
  animation->SetPropertyName(path);
  float start = 0;
  const TPropTarget target = ResolvePropPath(object, path);
  if (target && target.prop->kind == TPropKind::Float) {
    start = target.prop->get_float(*target.object);
  }
  animation->SetStartValue(start);
  animation->SetStopValue(stop_value);
  return animation;
}

}  // namespace

void TgkObject::AnimateFloat(const std::string& path, float stop_value, float duration) {
  TgkFloatAnimation* animation = PrepareFloatAnimation(*this, path, stop_value, duration);
  animation->OnFinish = [animation](TPersistent*) { delete animation; };
  animation->Start();  // may already have finished and freed it
}

void TgkObject::AnimateFloatWait(const std::string& path, float stop_value, float duration) {
  std::unique_ptr<TgkFloatAnimation> animation(
      PrepareFloatAnimation(*this, path, stop_value, duration));
  animation->Start();
  TTimerService& loop = DefaultTimerService();
  while (animation->Running()) {
    // Nothing advances an animation that is neither on the timer nor in a real-time
    // scene, nor one waited for inside a tick of the timer; waiting would never end, so
    // it is finished at once.
    const bool advancing = animation->Scheduled() ? !Timer().Firing() : InRealTimeScene(*animation);
    if (!advancing) {
      animation->Stop();
      break;
    }
    if (!loop.WaitNext()) {
      animation->Stop();
      break;
    }
  }
}

// ---- Registration ----

const TEnumInfo& AnimationFuncInfo() {
  static const TEnumInfo info("TgkAnimationFunc",
                              {"pqAnimationReplace", "pqAnimationAppend", "pqAnimationSubtract"});
  return info;
}

FM_REGISTER_CLASS(TgkAnimation) {
  c.Float("Duration", &TgkAnimation::Duration, &TgkAnimation::SetDuration).Default(0.2f);
  c.Boolean("Loop", &TgkAnimation::Loop, &TgkAnimation::SetLoop).Default(false);
  c.Boolean("Inverse", &TgkAnimation::Inverse, &TgkAnimation::SetInverse).Default(false);
  c.String("Trigger", &TgkAnimation::Trigger, &TgkAnimation::SetTrigger).Default("");
  c.Enum("Func", AnimationFuncInfo(), &TgkAnimation::Func, &TgkAnimation::SetFunc)
      .Default(static_cast<int>(pqAnimationReplace));
  c.Event("OnFinish", &TgkAnimation::OnFinish);
}

FM_REGISTER_CLASS(TgkFloatAnimation) {
  c.Float("StartValue", &TgkFloatAnimation::StartValue, &TgkFloatAnimation::SetStartValue)
      .Default(0.0f);
  c.Float("StopValue", &TgkFloatAnimation::StopValue, &TgkFloatAnimation::SetStopValue)
      .Default(1.0f);
  c.String("PropertyName", &TgkFloatAnimation::PropertyName, &TgkFloatAnimation::SetPropertyName)
      .Default("");
}

FM_REGISTER_CLASS(TgkColorAnimation) {
  c.Color("StartValue", &TgkColorAnimation::StartValue, &TgkColorAnimation::SetStartValue,
          &ColorToString, &StringToColor)
      .Default(0xFFFFFFFFu);
  c.Color("StopValue", &TgkColorAnimation::StopValue, &TgkColorAnimation::SetStopValue,
          &ColorToString, &StringToColor)
      .Default(0xFFFFFFFFu);
  c.String("PropertyName", &TgkColorAnimation::PropertyName, &TgkColorAnimation::SetPropertyName)
      .Default("");
}
