// Streaming helpers for the component tests: a component's stored text and back, and the
// "#AARRGGBB" colour text the test classes register.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/component_stream.h"
#include "core/stream.h"

namespace testsupport {

inline std::string SaveComponentText(const TComponent& c) {
  TMemoryStream s;
  SaveObjectToStream(c, s);
  return std::string(s.Bytes().begin(), s.Bytes().end());
}

inline TComponent* LoadComponentText(const std::string& text, TComponent* owner) {
  TMemoryStream s(std::vector<uint8_t>(text.begin(), text.end()));
  return LoadObjectFromStream(owner, s);
}

inline std::string HexColor(uint32_t c) {
  char text[10];
  std::snprintf(text, sizeof text, "#%08X", c);
  return text;
}

inline uint32_t ParseHexColor(const std::string& s) {
  return s.size() == 9 && s[0] == '#' ? static_cast<uint32_t>(std::stoul(s.substr(1), nullptr, 16))
                                      : 0;
}

}  // namespace testsupport
