#include "ui/controls.h"

#include <cmath>

#include "ui/shapes.h"

namespace {

bool Inside(const TpmVisualObject& o, float x, float y) {
  return x >= 0 && y >= 0 && x < o.Width() && y < o.Height();
}

}  // namespace

FM_REGISTER_CLASS(TpmPanel) {}
TpmPanel::TpmPanel(TComponent* owner) : TpmControl(owner) {}

FM_REGISTER_CLASS(TpmToolBar) {}
TpmToolBar::TpmToolBar(TComponent* owner) : TpmControl(owner) {
  SetHeight(40);
  SetAlign(pqAlignTop);
}

FM_REGISTER_CLASS(TpmBackground) {
  c.Object<TpmBrush>("Fill", [](TpmBackground& b) -> TpmBrush& { return b.Fill(); });
}

TpmBackground::TpmBackground(TComponent* owner) : TpmControl(owner) {
  fill_.OnChange = [this](TpmBrush&) { Repaint(); };
}

void TpmBackground::Paint(TpmCanvas& canvas, const TpmRect& rect) {
  if (StyleObject() || fill_.Style == pqBrushNone) return;
  canvas.Fill = fill_;
  canvas.FillRect(rect, 0, 0, pqAllCorners, AbsoluteOpacity());
}

FM_REGISTER_CLASS(TpmLayout) {}
TpmLayout::TpmLayout(TComponent* owner) : TpmVisualObject(owner) {}

FM_REGISTER_CLASS(TpmLabel) {
  c.Boolean("WordWrap", &TpmLabel::WordWrap, &TpmLabel::SetWordWrap).Default(true);
}

TpmLabel::TpmLabel(TComponent* owner) : TpmTextControl(owner) {
  SetWordWrap(true);
  SetHitTest(false);
  SetWidth(120);
  SetHeight(15);
}

// ---- TpmButton ----

FM_REGISTER_CLASS(TpmButton) {
  c.Boolean("IsPressed", &TpmButton::IsPressed, nullptr).NotStored();
  c.Event("OnClick", &TpmButton::OnClick);
}

TpmButton::TpmButton(TComponent* owner) : TpmTextControl(owner) {
  SetWidth(100);
  SetHeight(26);
  SetCanFocused(true);
  AutoCapture = true;
}

void TpmButton::SetPressed(bool v) {
  if (v == is_pressed_) return;
  is_pressed_ = v;
  StartTriggerAnimation(this, "IsPressed");
  Repaint();
}

void TpmButton::Click() {
  if (OnClick) OnClick(this);
}

void TpmButton::MouseDown(TMouseButton button, TShiftState shift, float x, float y) {
  TpmTextControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  pressed_on_ = true;
  SetPressed(true);
}

void TpmButton::MouseMove(TShiftState shift, float x, float y) {
  TpmTextControl::MouseMove(shift, x, y);
  if (pressed_on_) SetPressed(Inside(*this, x, y));
}

void TpmButton::MouseUp(TMouseButton button, TShiftState shift, float x, float y) {
  TpmTextControl::MouseUp(button, shift, x, y);
  if (button != mbLeft || !pressed_on_) return;
  pressed_on_ = false;
  SetPressed(false);
  if (Inside(*this, x, y)) Click();
}

void TpmButton::KeyDown(uint16_t& key, char32_t& key_char, TShiftState shift) {
  TpmTextControl::KeyDown(key, key_char, shift);
  if (key == vkReturn || key == vkSpace) {
    key = 0;
    Click();
  }
}

// ---- TpmBitmapButton ----

FM_REGISTER_CLASS(TpmBitmapButton) {
  c.Object<TpmBitmap>("Bitmap", [](TpmBitmapButton& b) -> TpmBitmap& { return b.Bitmap(); });
}

TpmBitmapButton::TpmBitmapButton(TComponent* owner)
    : TpmButton(owner), bitmap_(std::make_unique<TpmBitmap>(1, 1)) {
  SetWidth(50);
  SetHeight(60);
  bitmap_->OnChange = [this](TpmBitmap&) { BitmapChanged(); };
}

void TpmBitmapButton::BitmapChanged() {
  if (image_part_) {
    image_part_->Bitmap().Assign(*bitmap_);  // fires the part's repaint
  }
  Repaint();
}

void TpmBitmapButton::BindStyle() {
  TpmButton::BindStyle();
  image_part_ = dynamic_cast<TpmImage*>(FindStylePart("image"));
  if (image_part_) image_part_->Bitmap().Assign(*bitmap_);
}

void TpmBitmapButton::FreeStyle() {
  TpmButton::FreeStyle();
  image_part_ = nullptr;
}

FM_REGISTER_CLASS(TpmSpeedButton) {}

TpmSpeedButton::TpmSpeedButton(TComponent* owner) : TpmButton(owner) {
  SetWidth(23);
  SetHeight(23);
  SetCanFocused(false);
}

// ---- TpmCheckBox ----

FM_REGISTER_CLASS(TpmCheckBox) {
  c.Boolean("IsChecked", &TpmCheckBox::IsChecked, &TpmCheckBox::SetIsChecked).Default(false);
  c.Boolean("IsPressed", &TpmCheckBox::IsPressed, nullptr).NotStored();
  c.Event("OnChange", &TpmCheckBox::OnChange);
}

TpmCheckBox::TpmCheckBox(TComponent* owner) : TpmTextControl(owner) {
  SetWidth(120);
  SetHeight(19);
  SetTextAlign(pqTextAlignNear);
  SetCanFocused(true);
  AutoCapture = true;
}

void TpmCheckBox::SetIsChecked(bool v) {
  if (v == is_checked_) return;
  is_checked_ = v;
  StartTriggerAnimation(this, "IsChecked");
  Repaint();
  if (OnChange) OnChange(this);
}

void TpmCheckBox::BindStyle() {
  TpmTextControl::BindStyle();
  // The style copy starts in the unchecked look; bring it to the current state at once.
  if (is_checked_) {
    StartTriggerAnimation(this, "IsChecked");
    FinishStyleAnimations();
  }
}

void TpmCheckBox::SetPressed(bool v) {
  if (v == is_pressed_) return;
  is_pressed_ = v;
  StartTriggerAnimation(this, "IsPressed");
  Repaint();
}

void TpmCheckBox::MouseDown(TMouseButton button, TShiftState shift, float x, float y) {
  TpmTextControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  pressed_on_ = true;
  SetPressed(true);
}

void TpmCheckBox::MouseMove(TShiftState shift, float x, float y) {
  TpmTextControl::MouseMove(shift, x, y);
  if (pressed_on_) SetPressed(Inside(*this, x, y));
}

void TpmCheckBox::MouseUp(TMouseButton button, TShiftState shift, float x, float y) {
  TpmTextControl::MouseUp(button, shift, x, y);
  if (button != mbLeft || !pressed_on_) return;
  pressed_on_ = false;
  SetPressed(false);
  if (Inside(*this, x, y)) SetIsChecked(!is_checked_);
}

void TpmCheckBox::KeyDown(uint16_t& key, char32_t& key_char, TShiftState shift) {
  TpmTextControl::KeyDown(key, key_char, shift);
  if (key == vkSpace) {
    key = 0;
    SetIsChecked(!is_checked_);
  }
}

// ---- TpmPopupBox ----

FM_REGISTER_CLASS(TpmPopupBox) {
  c.Strings("Items", &TpmPopupBox::Items, &TpmPopupBox::SetItems);
  c.Integer("ItemIndex", &TpmPopupBox::ItemIndex, &TpmPopupBox::SetItemIndex).Default(-1);
  c.Event("OnChange", &TpmPopupBox::OnChange);
}

TpmPopupBox::TpmPopupBox(TComponent* owner) : TpmButton(owner) {
  SetHeight(21);
}

void TpmPopupBox::SetItems(const std::vector<std::string>& v) {
  items_ = v;
  if (item_index_ >= 0 && item_index_ < static_cast<int>(items_.size()))
    SetText(items_[item_index_]);
}

void TpmPopupBox::SetItemIndex(int v) {
  if (v == item_index_) return;
  item_index_ = v;
  // An index past the list keeps the text: there is no item to show.
  if (v >= 0 && v < static_cast<int>(items_.size())) SetText(items_[v]);
  if (OnChange) OnChange(this);
}

TpmPoint TpmPopupBox::MenuPosition() const {
  const float count = static_cast<float>(items_.size());
  return {0, std::trunc(Height() / 2 - count * kMenuItemHeight / 2)};
}

void TpmPopupBox::Click() {
  TpmButton::Click();
  if (!Scene() || items_.empty()) return;
  const TpmPoint at = LocalToAbsolute(MenuPosition());
  Scene()->ShowPopupMenu(this, items_, item_index_, at, [this](int index) { SetItemIndex(index); });
}
