// The plain controls: containers, labels, buttons, the check box and the pop-up box.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "ui/control.h"

class TpmPanel : public TpmControl {
  FM_CLASS(TpmPanel, TpmControl)
 public:
  explicit TpmPanel(TComponent* owner = nullptr);
};

class TpmToolBar : public TpmControl {
  FM_CLASS(TpmToolBar, TpmControl)
 public:
  explicit TpmToolBar(TComponent* owner = nullptr);
};

// Fills itself with Fill when it has no style.
class TpmBackground : public TpmControl {
  FM_CLASS(TpmBackground, TpmControl)
 public:
  explicit TpmBackground(TComponent* owner = nullptr);
  TpmBrush& Fill() { return fill_; }
  void Paint(TpmCanvas& canvas, const TpmRect& rect) override;

 private:
  TpmBrush fill_{pqBrushNone, 0xFFE0E0E0};
};

class TpmLayout : public TpmVisualObject {
  FM_CLASS(TpmLayout, TpmVisualObject)
 public:
  explicit TpmLayout(TComponent* owner = nullptr);
};

class TpmLabel : public TpmTextControl {
  FM_CLASS(TpmLabel, TpmTextControl)
 public:
  explicit TpmLabel(TComponent* owner = nullptr);
};

// Clicks only on a release inside after a press inside.
class TpmButton : public TpmTextControl {
  FM_CLASS(TpmButton, TpmTextControl)
 public:
  explicit TpmButton(TComponent* owner = nullptr);
  bool IsPressed() const { return is_pressed_; }
  TNotifyEvent OnClick;
  virtual void Click();
  void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
  void MouseMove(TShiftState shift, float x, float y) override;
  void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;
  void KeyDown(uint16_t& key, char32_t& key_char, TShiftState shift) override;

 protected:
  void SetPressed(bool v);

 private:
  bool is_pressed_ = false;
  bool pressed_on_ = false;
};

// Shows its Bitmap through the style's part "image".
class TpmBitmapButton : public TpmButton {
  FM_CLASS(TpmBitmapButton, TpmButton)
 public:
  explicit TpmBitmapButton(TComponent* owner = nullptr);
  TpmBitmap& Bitmap() { return *bitmap_; }
  // Call after drawing into Bitmap(): the part gets the new picture.
  void BitmapChanged();

 protected:
  void BindStyle() override;
  void FreeStyle() override;

 private:
  std::unique_ptr<TpmBitmap> bitmap_;
  class TpmImage* image_part_ = nullptr;
};

class TpmSpeedButton : public TpmButton {
  FM_CLASS(TpmSpeedButton, TpmButton)
 public:
  explicit TpmSpeedButton(TComponent* owner = nullptr);
};

class TpmCheckBox : public TpmTextControl {
  FM_CLASS(TpmCheckBox, TpmTextControl)
 public:
  explicit TpmCheckBox(TComponent* owner = nullptr);
  bool IsChecked() const { return is_checked_; }
  void SetIsChecked(bool v);
  bool IsPressed() const { return is_pressed_; }
  TNotifyEvent OnChange;
  void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
  void MouseMove(TShiftState shift, float x, float y) override;
  void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;
  void KeyDown(uint16_t& key, char32_t& key_char, TShiftState shift) override;

 protected:
  void BindStyle() override;

 private:
  void SetPressed(bool v);
  bool is_checked_ = false;
  bool is_pressed_ = false;
  bool pressed_on_ = false;
};

// A button that opens a menu of its Items; the chosen one becomes ItemIndex and Text.
class TpmPopupBox : public TpmButton {
  FM_CLASS(TpmPopupBox, TpmButton)
 public:
  static constexpr float kMenuItemHeight = 20;
  explicit TpmPopupBox(TComponent* owner = nullptr);
  const std::vector<std::string>& Items() const { return items_; }
  void SetItems(const std::vector<std::string>& v);
  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int v);
  TNotifyEvent OnChange;
  // Where the menu's top-left goes, in the box's coordinates: the entries centred on it.
  TpmPoint MenuPosition() const;
  void Click() override;

 private:
  std::vector<std::string> items_;
  int item_index_ = -1;
};
