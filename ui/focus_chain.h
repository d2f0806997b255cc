// Keyboard focus across the window's vector layers: Tab and Shift+Tab walk every control a
// mouse can use (buttons, check boxes, sliders, list boxes and links), layer after layer in
// the order given, each layer's controls in the order of its tree. Hidden and disabled
// controls and the parts of the styles are left out; a list row's controls are scrolled into
// view when they get the focus. The focused control shows the layer's focus mark.
#pragma once

#include <functional>
#include <utility>
#include <vector>

class TgkPQLayer;
class TpmVisualObject;

class TFocusChain {
 public:
  using TStop = std::pair<TgkPQLayer*, TpmVisualObject*>;

  // Layers: the layers in reading order, asked again at each move (a hidden layer, such as
  // a closed about panel, offers nothing).
  explicit TFocusChain(std::function<std::vector<TgkPQLayer*>()> layers);

  // The controls Tab walks now, in order.
  std::vector<TStop> Stops() const;
  // The control with the keyboard focus, if it is one of the stops.
  TStop Current() const;
  // Moves the focus to the next (or previous) stop, from the first (or last) when none has
  // it; returns the new one (nullptrs when there is none).
  TStop Move(bool forward);
  // Gives the focus to Control of Layer, with the focus mark.
  static void Focus(TgkPQLayer& layer, TpmVisualObject& control);

  // Whether Obj is a control Tab stops at (when it is shown and enabled).
  static bool IsStop(const TpmVisualObject& obj);

 private:
  std::function<std::vector<TgkPQLayer*>()> layers_;
};
