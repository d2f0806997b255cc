// Feeds arbitrary text to the component reader with the scene classes registered. Reading
// must never crash and must free what it made on failure; whatever it accepts must write
// out as text that reads back.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/component_stream.h"
#include "scene/object.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = (RegisterSceneObjectClasses(), true);
  (void)registered;
  TMemoryStream input(std::vector<uint8_t>(data, data + size));
  std::unique_ptr<TComponent> made(LoadObjectFromStream(nullptr, input));
  if (!made) return 0;
  std::string text = ComponentToText(*made);
  TMemoryStream again(std::vector<uint8_t>(text.begin(), text.end()));
  std::unique_ptr<TComponent> reread(LoadObjectFromStream(nullptr, again));
  if (!reread) __builtin_trap();  // written text the reader refuses
  return 0;
}
