// Sliders: TpmTrack (and TpmTrackBar) with the draggable TpmThumb, and TpmScrollBar.
#pragma once

#include "ui/control.h"
#include "ui/track_value.h"

enum TpmOrientation { pqHorizontal, pqVertical };

class TpmTrack;

// The draggable part of a track (the style part "thumb").
class TpmThumb : public TpmControl {
  FM_CLASS(TpmThumb, TpmControl)
 public:
  explicit TpmThumb(TComponent* owner = nullptr);
  bool IsPressed() const { return dragging_; }
  void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
  void MouseMove(TShiftState shift, float x, float y) override;
  void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;

 private:
  TpmTrack* Track() const;
  bool dragging_ = false;
  TpmPoint press_;
};

class TpmTrack : public TpmControl {
  FM_CLASS(TpmTrack, TpmControl)
 public:
  explicit TpmTrack(TComponent* owner = nullptr);
  float Min() const { return min_; }
  void SetMin(float v);
  float Max() const { return max_; }
  void SetMax(float v);
  float ViewportSize() const { return viewport_; }
  void SetViewportSize(float v);
  float Frequency() const { return frequency_; }
  void SetFrequency(float v) { frequency_ = v; }
  float Value() const { return value_; }
  void SetValue(float v);
  TpmOrientation Orientation() const { return orientation_; }
  void SetOrientation(TpmOrientation v);
  bool Tracking() const { return tracking_; }
  void SetTracking(bool v) { tracking_ = v; }
  TNotifyEvent OnChange;
  // Arrow keys move the value by one step (Frequency, or 1 % of the range when Frequency is
  // 0), Page Up and Page Down by ten steps, Home and End to the ends.
  void KeyDown(uint16_t& key, char32_t& key_char, TShiftState shift) override;

  TpmThumb* Thumb() const { return thumb_; }
  // The area the thumb runs in, in the coordinates of the thumb's parent.
  TpmRect TrackRect() const;
  void PlaceThumb();

  // Thumb drag hooks.
  void ThumbDragStarted();
  void ThumbDragged(float thumb_pos, float press_pos, float pointer_pos);
  void ThumbReleased();

 protected:
  void BindStyle() override;
  void FreeStyle() override { thumb_ = nullptr; }
  void Realign() override;
  virtual void Changed();

 private:
  float min_ = 0, max_ = 1, viewport_ = 0.1f, frequency_ = 0, value_ = 0;
  TpmOrientation orientation_ = pqHorizontal;
  bool tracking_ = true;
  TpmThumb* thumb_ = nullptr;
  float drag_start_value_ = 0;
};

class TpmTrackBar : public TpmTrack {
  FM_CLASS(TpmTrackBar, TpmTrack)
 public:
  explicit TpmTrackBar(TComponent* owner = nullptr) : TpmTrack(owner) {}
};

class TpmScrollBar : public TpmTrack {
  FM_CLASS(TpmScrollBar, TpmTrack)
 public:
  explicit TpmScrollBar(TComponent* owner = nullptr);
  float SmallChange() const { return small_change_; }
  void SetSmallChange(float v) { small_change_ = v; }

 private:
  float small_change_ = 0.05f;
};
