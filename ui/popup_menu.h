// The menu a pop-up box opens: a screen layer of its own holding one entry per item.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/control.h"

class TgkPQLayer;

// One entry of a menu: clicks like a button, shows a check mark when IsChecked.
class TpmMenuItem : public TpmTextControl {
  FM_CLASS(TpmMenuItem, TpmTextControl)
 public:
  explicit TpmMenuItem(TComponent* owner = nullptr);
  bool IsChecked() const { return is_checked_; }
  void SetIsChecked(bool v);
  int Index = 0;
  std::function<void(int)> OnChoose;
  void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;

 protected:
  void BindStyle() override;

 private:
  bool is_checked_ = false;
};

// Fills menu with entries of items (the one at checked marked) and returns the menu's
// size in pixels; choosing an entry calls choose with its position.
TpmPoint BuildPopupMenu(TgkPQLayer& menu, const std::vector<std::string>& items, int checked,
                        std::function<void(int)> choose);
