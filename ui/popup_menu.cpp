#include "ui/popup_menu.h"

#include <algorithm>
#include <cmath>

#include "ui/controls.h"
#include "ui/pq_layer.h"
#include "ui/shown_text.h"

FM_REGISTER_CLASS(TpmMenuItem) {
  c.Boolean("IsChecked", &TpmMenuItem::IsChecked, &TpmMenuItem::SetIsChecked).Default(false);
}

TpmMenuItem::TpmMenuItem(TComponent* owner) : TpmTextControl(owner) {
  SetHeight(TpmPopupBox::kMenuItemHeight);
  SetTextAlign(pqTextAlignNear);
}

void TpmMenuItem::SetIsChecked(bool v) {
  if (v == is_checked_) return;
  is_checked_ = v;
  StartTriggerAnimation(this, "IsChecked");
  Repaint();
}

void TpmMenuItem::BindStyle() {
  TpmTextControl::BindStyle();
  if (is_checked_) {
    StartTriggerAnimation(this, "IsChecked");
    FinishStyleAnimations();
  }
}

void TpmMenuItem::MouseUp(TMouseButton button, TShiftState shift, float x, float y) {
  TpmTextControl::MouseUp(button, shift, x, y);
  if (button != mbLeft || x < 0 || y < 0 || x >= Width() || y >= Height()) return;
  if (OnChoose) OnChoose(Index);  // closes the menu
}

TpmPoint BuildPopupMenu(TgkPQLayer& menu, const std::vector<std::string>& items, int checked,
                        std::function<void(int)> choose) {
  auto root = std::make_unique<TpmBackground>();
  root->SetResource("popupmenustyle");
  TpmCanvas& measure = menu.Surface();
  measure.Font = TpmFont();
  measure.FontChanged();
  float width = 100;
  for (const std::string& text : items) {
    TpmRect r{0, 0, 1000, TpmPopupBox::kMenuItemHeight};
    measure.MeasureText(r, r, ShownText(text), false, pqTextAlignNear);
    width = std::max(width, std::ceil(r.Width()) + 40);  // check mark column and margins
  }
  const float height = TpmPopupBox::kMenuItemHeight * static_cast<float>(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    auto item = std::make_unique<TpmMenuItem>();
    item->SetText(items[i]);
    item->Index = static_cast<int>(i);
    item->SetIsChecked(static_cast<int>(i) == checked);
    item->SetAlign(pqAlignTop);
    item->OnChoose = choose;
    root->AddObject(item.release());
  }
  menu.SetWidth(width);
  menu.SetHeight(height);
  menu.AddObject2D(root.release());
  return {width, height};
}
