#include "ui/focus_chain.h"

#include <algorithm>

#include "ui/controls.h"
#include "ui/list_box.h"
#include "ui/pq_layer.h"
#include "ui/track.h"

namespace {

bool EnabledAll(const TpmVisualObject& obj) {
  for (const TpmObject* o = &obj; o; o = o->Parent()) {
    if (auto* c = dynamic_cast<const TpmControl*>(o); c && !c->Enabled()) return false;
  }
  return true;
}

void Collect(TgkPQLayer& layer, TpmVisualObject& obj, std::vector<TFocusChain::TStop>& stops) {
  if (!obj.Visible()) return;
  if (TFocusChain::IsStop(obj) && EnabledAll(obj)) stops.emplace_back(&layer, &obj);
  const auto* control = dynamic_cast<const TpmControl*>(&obj);
  for (TpmObject* child : obj.Children()) {
    // The style's copy only draws the control: none of its parts is a stop.
    if (!child->IsVisual() || (control && child == control->StyleObject())) continue;
    Collect(layer, *static_cast<TpmVisualObject*>(child), stops);
  }
}

}  // namespace

TFocusChain::TFocusChain(std::function<std::vector<TgkPQLayer*>()> layers)
    : layers_(std::move(layers)) {}

bool TFocusChain::IsStop(const TpmVisualObject& obj) {
  if (dynamic_cast<const TpmButton*>(&obj) || dynamic_cast<const TpmCheckBox*>(&obj) ||
      dynamic_cast<const TpmTrackBar*>(&obj) || dynamic_cast<const TpmListBox*>(&obj))
    return true;
  // A text that answers a click is a link.
  return obj.HitTest() && obj.OnMouseUp && dynamic_cast<const TpmLabel*>(&obj);
}

std::vector<TFocusChain::TStop> TFocusChain::Stops() const {
  std::vector<TStop> stops;
  for (TgkPQLayer* layer : layers_()) {
    if (!layer || !layer->Visible()) continue;
    for (int i = 0; i < layer->ObjectCount(); ++i) {
      if (auto* v = dynamic_cast<TpmVisualObject*>(layer->Object(i))) Collect(*layer, *v, stops);
    }
  }
  return stops;
}

TFocusChain::TStop TFocusChain::Current() const {
  for (const TStop& stop : Stops()) {
    TgkPQLayer& layer = *stop.first;
    if (layer.Scene() && layer.Scene()->Focused() == &layer && layer.GetFocused() == stop.second)
      return stop;
  }
  return {nullptr, nullptr};
}

TFocusChain::TStop TFocusChain::Move(bool forward) {
  const std::vector<TStop> stops = Stops();
  if (stops.empty()) return {nullptr, nullptr};
  const TStop current = Current();
  const auto at = std::find(stops.begin(), stops.end(), current);
  const size_t n = stops.size();
  size_t next = forward ? 0 : n - 1;
  if (at != stops.end()) {
    const size_t i = static_cast<size_t>(at - stops.begin());
    next = forward ? (i + 1) % n : (i + n - 1) % n;
  }
  Focus(*stops[next].first, *stops[next].second);
  return stops[next];
}

void TFocusChain::Focus(TgkPQLayer& layer, TpmVisualObject& control) {
  // A row of a list scrolled out of view comes into view first.
  for (TpmObject* o = &control; o; o = o->Parent()) {
    if (auto* row = dynamic_cast<TpmListBoxItem*>(o)) {
      if (TpmListBox* list = row->ListBox()) list->ScrollIntoView(*row);
      break;
    }
  }
  if (TgkSceneHost* scene = layer.Scene()) {
    // Only one layer shows a mark: the one with the focus.
    if (auto* old = dynamic_cast<TgkPQLayer*>(scene->Focused()); old && old != &layer)
      old->SetFocusMarkShown(false);
  }
  layer.SetFocus();
  layer.SetFocused(&control);
  layer.SetFocusMarkShown(true);
}
