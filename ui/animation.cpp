#include "ui/animation.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "core/text_helpers.h"
#include "core/trigger_text.h"
#include "imaging/bitmap.h"
#include "platform/timer_service.h"

namespace {

struct AnimationClock {
  TTimerService* service = nullptr;
  std::unique_ptr<TTimer> timer;
  std::vector<TpmAnimation*> running;
  int64_t last_ms = 0;
};

AnimationClock& Clock() {
  static AnimationClock clock;
  return clock;
}

void Tick() {
  AnimationClock& c = Clock();
  const int64_t now = c.timer->Service().NowMs();
  const float delta = static_cast<float>(now - c.last_ms) / 1000.0f;
  c.last_ms = now;
  // A finishing animation may start or free others: walk a copy, skip the gone.
  for (TpmAnimation* a : std::vector<TpmAnimation*>(c.running)) {
    if (std::find(c.running.begin(), c.running.end(), a) != c.running.end()) a->Process(delta);
  }
}

void Register(TpmAnimation* a) {
  AnimationClock& c = Clock();
  if (std::find(c.running.begin(), c.running.end(), a) != c.running.end()) return;
  c.running.push_back(a);
  if (!c.timer) {
    c.timer = std::make_unique<TTimer>(c.service ? *c.service : DefaultTimerService());
    c.timer->SetInterval(TpmAnimation::kTimerInterval);
    c.timer->SetOnTimer([](TTimer&) { Tick(); });
    c.last_ms = c.timer->Service().NowMs();
  }
  if (c.running.size() == 1) {
    c.last_ms = c.timer->Service().NowMs();
    c.timer->SetEnabled(true);
  }
}

void Unregister(TpmAnimation* a) {
  AnimationClock& c = Clock();
  c.running.erase(std::remove(c.running.begin(), c.running.end(), a), c.running.end());
  // The timer object lives on, but an idle window must sleep until the next event.
  if (c.running.empty() && c.timer) c.timer->SetEnabled(false);
}

}  // namespace

void SetPmAnimationTimerService(TTimerService* service) {
  AnimationClock& c = Clock();
  c.timer.reset();
  c.service = service;
  if (!c.running.empty()) {
    std::vector<TpmAnimation*> keep = c.running;
    c.running.clear();
    for (TpmAnimation* a : keep) Register(a);
  }
}

void ReleasePmAnimationTimer() {
  Clock().timer.reset();
}

int RunningPmAnimations() {
  return static_cast<int>(Clock().running.size());
}

uint32_t PmInterpolateColor(uint32_t a, uint32_t b, float t) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const float ca = static_cast<float>((a >> shift) & 0xFF);
    const float cb = static_cast<float>((b >> shift) & 0xFF);
    const float v = std::clamp(ca + (cb - ca) * t, 0.0f, 255.0f);
    out |= static_cast<uint32_t>(std::trunc(v)) << shift;
  }
  return out;
}

FM_REGISTER_CLASS(TpmAnimation) {
  c.String("Trigger", &TpmAnimation::Trigger, &TpmAnimation::SetTrigger);
  c.Float("Duration", &TpmAnimation::Duration, &TpmAnimation::SetDuration).Default(0.2f);
  c.Float("Delay", &TpmAnimation::Delay, &TpmAnimation::SetDelay);
  c.Boolean("Inverse", &TpmAnimation::Inverse, &TpmAnimation::SetInverse).Default(false);
  c.Boolean("Loop", &TpmAnimation::Loop, &TpmAnimation::SetLoop).Default(false);
  c.Boolean("StartFromCurrent", &TpmAnimation::StartFromCurrent, &TpmAnimation::SetStartFromCurrent)
      .Default(false);
  c.String("PropertyName", &TpmAnimation::PropertyName, &TpmAnimation::SetPropertyName);
  c.Event("OnFinish", &TpmAnimation::OnFinish);
}

TpmAnimation::TpmAnimation(TComponent* owner) : TpmObject(owner) {}

TpmAnimation::~TpmAnimation() {
  Unregister(this);
}

TPropTarget TpmAnimation::Target() {
  if (!Parent() || property_name_.empty()) return {};
  return ResolvePropPath(*Parent(), property_name_);
}

void TpmAnimation::Start() {
  if (!Target()) return;
  if (start_from_current_) TakeCurrent();
  time_ = 0;
  if (duration_ <= 0 && delay_ <= 0) {
    Apply(inverse_ ? 0.0f : 1.0f);
    running_ = false;
    if (OnFinish) OnFinish(this);
    return;
  }
  running_ = true;
  Apply(inverse_ ? 1.0f : 0.0f);
  Register(this);
}

void TpmAnimation::Stop() {
  if (!running_) return;
  running_ = false;
  Unregister(this);
  Apply(inverse_ ? 0.0f : 1.0f);
  if (OnFinish) OnFinish(this);
}

void TpmAnimation::Process(float delta) {
  if (!running_) return;
  time_ += delta;
  const float t = time_ - delay_;
  if (t < 0) return;
  float f = duration_ > 0 ? t / duration_ : 1;
  if (f >= 1) {
    if (loop_) {
      time_ = delay_ + std::fmod(t, duration_);
      f = std::fmod(f, 1.0f);
    } else {
      Stop();
      return;
    }
  }
  Apply(inverse_ ? 1 - f : f);
}

bool TpmAnimation::ConditionsHold(const TPersistent& instance, const std::string& trigger) {
  int answered = 0;
  for (const TTriggerCondition& condition : ParseTriggerConditions(trigger)) {
    const TPropInfo* prop = FindProp(instance, condition.Name);
    if (!prop) continue;  // a property the object does not have is skipped
    std::string have;
    try {
      have = prop->GetText(instance);
    } catch (const EPropertyError&) {
      continue;
    }
    ++answered;
    if (!SameText(have, condition.Value)) return false;
  }
  return answered > 0;
}

void TpmAnimation::StartTriggerAnimation(TpmObject* instance, const std::string& state) {
  if (!instance || trigger_.empty()) return;
  if (!TriggerMentions(trigger_, state)) return;
  if (!ConditionsHold(*instance, trigger_)) return;
  if (running_) {
    running_ = false;
    Unregister(this);
  }
  Start();
}

// ---- Colour and float ----

FM_REGISTER_CLASS(TpmColorAnimation) {
  c.Color("StartValue", &TpmColorAnimation::StartValue, &TpmColorAnimation::SetStartValue,
          &ColorToString, &StringToColor);
  c.Color("StopValue", &TpmColorAnimation::StopValue, &TpmColorAnimation::SetStopValue,
          &ColorToString, &StringToColor);
}

void TpmColorAnimation::Apply(float t) {
  TPropTarget target = Target();
  if (!target) return;
  const uint32_t color = PmInterpolateColor(start_, stop_, t);
  switch (target.prop->kind) {
    case TPropKind::String:
      target.prop->SetText(*target.object, ColorToString(color));
      break;
    case TPropKind::Color:
    case TPropKind::Integer:
      SetOrdProp(*target.object, target.prop->name, color);
      break;
    default:
      break;
  }
}

void TpmColorAnimation::TakeCurrent() {
  TPropTarget target = Target();
  if (!target) return;
  if (target.prop->kind == TPropKind::String)
    start_ = StringToColor(target.prop->GetText(*target.object));
  else if (target.prop->kind == TPropKind::Color || target.prop->kind == TPropKind::Integer)
    start_ = static_cast<uint32_t>(GetOrdProp(*target.object, target.prop->name));
}

FM_REGISTER_CLASS(TpmFloatAnimation) {
  c.Float("StartValue", &TpmFloatAnimation::StartValue, &TpmFloatAnimation::SetStartValue);
  c.Float("StopValue", &TpmFloatAnimation::StopValue, &TpmFloatAnimation::SetStopValue);
}

void TpmFloatAnimation::Apply(float t) {
  TPropTarget target = Target();
  if (!target || target.prop->kind != TPropKind::Float) return;
  SetFloatProp(*target.object, target.prop->name, start_ + (stop_ - start_) * t);
}

void TpmFloatAnimation::TakeCurrent() {
  TPropTarget target = Target();
  if (!target || target.prop->kind != TPropKind::Float) return;
  start_ = GetFloatProp(*target.object, target.prop->name);
}
