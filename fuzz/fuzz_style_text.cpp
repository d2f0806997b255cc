// Fuzzes the style text of the interface: whatever reads as styles is applied to a button
// on a small layer and drawn. Bad text may only raise an exception with a message.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "scene/layer.h"
#include "ui/controls.h"
#include "ui/pq_layer.h"
#include "ui/resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 8192) return 0;
  TpmResources styles;
  try {
    styles.SetResourceText(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const std::exception&) {
    return 0;
  }
  TgkScreenPQLayer layer;
  layer.SetWidth(64);
  layer.SetHeight(32);
  layer.SetStyle(&styles);
  auto* root = new TpmBackground();
  layer.AddObject2D(root);
  auto* button = new TpmButton();
  root->AddObject(button);
  button->SetBounds(2, 2, 60, 28);
  button->SetText("x");
  for (int i = 0; i < styles.Count(); ++i) {
    try {
      button->SetResource(styles.Style(i)->ResourceName());
      layer.PointerMove(0, 10, 10);
      layer.PointerDown(mbLeft, ssLeft, 10, 10);
      layer.PointerUp(mbLeft, 0, 10, 10);
      layer.UpdateSurface();
    } catch (const std::exception&) {
    }
  }
  return 0;
}
