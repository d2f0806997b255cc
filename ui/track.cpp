#include "ui/track.h"

#include <algorithm>
#include <cmath>

namespace {

const TEnumInfo& OrientationInfo() {
  static const TEnumInfo info("TpmOrientation", {"pqHorizontal", "pqVertical"});
  return info;
}

constexpr float kMinThumbSize = 12;

}  // namespace

// ---- TpmThumb ----

FM_REGISTER_CLASS(TpmThumb) {
  c.Boolean("IsPressed", &TpmThumb::IsPressed, nullptr).NotStored();
}

TpmThumb::TpmThumb(TComponent* owner) : TpmControl(owner) {
  SetCanFocused(false);
  AutoCapture = true;
}

TpmTrack* TpmThumb::Track() const {
  for (TpmObject* o = Parent(); o; o = o->Parent()) {
    if (auto* t = dynamic_cast<TpmTrack*>(o)) return t;
  }
  return nullptr;
}

void TpmThumb::MouseDown(TMouseButton button, TShiftState shift, float x, float y) {
  // The track takes the focus for its keys, not the thumb.
  if (TpmTrack* t = Track(); t && t->AcceptsFocus()) t->SetFocus();
  TpmControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  dragging_ = true;
  press_ = {x, y};
  StartTriggerAnimation(this, "IsPressed");
  if (TpmTrack* t = Track()) t->ThumbDragStarted();
}

void TpmThumb::MouseMove(TShiftState shift, float x, float y) {
  TpmControl::MouseMove(shift, x, y);
  if (!dragging_) return;
  TpmTrack* t = Track();
  if (!t) return;
  if (t->Orientation() == pqHorizontal)
    t->ThumbDragged(Position().X(), press_.X, x);
  else
    t->ThumbDragged(Position().Y(), press_.Y, y);
}

void TpmThumb::MouseUp(TMouseButton button, TShiftState shift, float x, float y) {
  TpmControl::MouseUp(button, shift, x, y);
  if (button != mbLeft || !dragging_) return;
  dragging_ = false;
  StartTriggerAnimation(this, "IsPressed");
  if (TpmTrack* t = Track()) t->ThumbReleased();
}

// ---- TpmTrack ----

FM_REGISTER_CLASS(TpmTrack) {
  c.Float("Min", &TpmTrack::Min, &TpmTrack::SetMin);
  c.Float("Max", &TpmTrack::Max, &TpmTrack::SetMax).Default(1.0f);
  c.Float("ViewportSize", &TpmTrack::ViewportSize, &TpmTrack::SetViewportSize).Default(0.1f);
  c.Float("Frequency", &TpmTrack::Frequency, &TpmTrack::SetFrequency);
  c.Float("Value", &TpmTrack::Value, &TpmTrack::SetValue);
  c.Enum("Orientation", OrientationInfo(), &TpmTrack::Orientation, &TpmTrack::SetOrientation)
      .Default(int{pqHorizontal});
  c.Boolean("Tracking", &TpmTrack::Tracking, &TpmTrack::SetTracking).Default(true);
  c.Event("OnChange", &TpmTrack::OnChange);
}

TpmTrack::TpmTrack(TComponent* owner) : TpmControl(owner) {
  SetWidth(100);
  SetHeight(15);
  SetCanFocused(true);
}

void TpmTrack::SetMin(float v) {
  if (v == min_) return;
  min_ = v;
  if (max_ < min_) max_ = min_ + 0.001f;
  viewport_ = std::min(viewport_, max_ - min_);
  PlaceThumb();
}

void TpmTrack::SetMax(float v) {
  if (v < min_) v = min_ + 0.001f;
  if (v == max_) return;
  max_ = v;
  viewport_ = std::min(viewport_, max_ - min_);
  PlaceThumb();
}

void TpmTrack::SetViewportSize(float v) {
  v = std::min(std::max(v, 0.0f), max_ - min_);
  if (v == viewport_) return;
  viewport_ = v;
  PlaceThumb();
}

void TpmTrack::SetValue(float v) {
  const TpmTrackChange change = ApplyTrackValue({min_, max_, viewport_, frequency_}, value_, v);
  if (!change.fired) return;
  value_ = change.value;
  if (tracking_ || IsLoading()) Changed();
  PlaceThumb();
}

void TpmTrack::KeyDown(uint16_t& key, char32_t& key_char, TShiftState shift) {
  TpmControl::KeyDown(key, key_char, shift);
  const float upper = max_ - viewport_;
  const float step = frequency_ != 0 ? frequency_ : (upper - min_) / 100;
  switch (key) {
    case vkLeft:
    case vkDown:
      SetValue(value_ - step);
      break;
    case vkRight:
    case vkUp:
      SetValue(value_ + step);
      break;
    case vkNext:  // Page Down
      SetValue(value_ - 10 * step);
      break;
    case vkPrior:  // Page Up
      SetValue(value_ + 10 * step);
      break;
    case vkHome:
      SetValue(min_);
      break;
    case vkEnd:
      SetValue(upper);
      break;
    default:
      return;
  }
  key = 0;
}

void TpmTrack::Changed() {
  if (OnChange && !IsLoading()) OnChange(this);
}

void TpmTrack::SetOrientation(TpmOrientation v) {
  if (v == orientation_) return;
  orientation_ = v;
  PlaceThumb();
}

void TpmTrack::BindStyle() {
  thumb_ = dynamic_cast<TpmThumb*>(FindStylePart("thumb"));
  PlaceThumb();
}

void TpmTrack::Realign() {
  TpmControl::Realign();
  PlaceThumb();
}

TpmRect TpmTrack::TrackRect() const {
  if (!thumb_) return LocalRect();
  auto* parent = thumb_->VisualParent();
  if (!parent) return LocalRect();
  const TpmRect m = parent->Margins().Rect();
  return {m.Left, m.Top, parent->Width() - m.Right, parent->Height() - m.Bottom};
}

void TpmTrack::PlaceThumb() {
  if (!thumb_) return;
  const TpmRect track = TrackRect();
  const bool horizontal = orientation_ == pqHorizontal;
  const float length = horizontal ? track.Width() : track.Height();
  const float range = max_ - min_;
  float size = std::max(viewport_ / range * length, kMinThumbSize);
  float start = std::nearbyint((value_ - min_) / range * length);
  if (start + size > length) start = length - size;
  if (start < 0) start = 0;
  size = std::min(size, length);
  const TpmRect pad = thumb_->Padding().Rect();
  if (horizontal) {
    thumb_->SetBounds(track.Left + start + pad.Left, track.Top + pad.Top,
                      std::max(0.0f, size - pad.Left - pad.Right),
                      std::max(0.0f, track.Height() - pad.Top - pad.Bottom));
  } else {
    thumb_->SetBounds(track.Left + pad.Left, track.Top + start + pad.Top,
                      std::max(0.0f, track.Width() - pad.Left - pad.Right),
                      std::max(0.0f, size - pad.Top - pad.Bottom));
  }
}

void TpmTrack::ThumbDragStarted() {
  drag_start_value_ = value_;
}

void TpmTrack::ThumbDragged(float thumb_pos, float press_pos, float pointer_pos) {
  const TpmRect track = TrackRect();
  const float length = orientation_ == pqHorizontal ? track.Width() : track.Height();
  if (length <= 0) return;
  const float origin = orientation_ == pqHorizontal ? track.Left : track.Top;
  // thumb_pos includes the track's inset; the formula wants the thumb's start in the track.
  SetValue(min_ + (pointer_pos + (thumb_pos - origin) - press_pos) / length * (max_ - min_));
}

void TpmTrack::ThumbReleased() {
  // Without tracking the one notification comes now, and only for a real change.
  if (!tracking_ && value_ != drag_start_value_) Changed();
}

FM_REGISTER_CLASS(TpmTrackBar) {}

// ---- TpmScrollBar ----

FM_REGISTER_CLASS(TpmScrollBar) {
  c.Float("SmallChange", &TpmScrollBar::SmallChange, &TpmScrollBar::SetSmallChange).Default(0.05f);
}

TpmScrollBar::TpmScrollBar(TComponent* owner) : TpmTrack(owner) {
  SetCanFocused(false);
}
