#include "app/embedded.h"

#include <stdexcept>

std::string EmbeddedText(std::string_view name) {
  std::span<const unsigned char> bytes = EmbeddedResource(name);
  if (bytes.empty()) throw std::runtime_error("missing built-in resource " + std::string(name));
  return std::string(bytes.begin(), bytes.end());
}
