#include <cctype>
#include <stdexcept>

#include "core/text_helpers.h"
#include "platform/dialogs.h"

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  while (true) {
    const auto end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

// Only spaces are trimmed: a tab in a filter text is kept as written.
std::string Trimmed(std::string_view text) {
  return std::string(TrimChars(text, " "));
}

}  // namespace

std::vector<TFileFilter> ParseFileFilter(const std::string& filter) {
  std::vector<TFileFilter> result;
  if (filter.empty()) return result;
  const std::vector<std::string> fields = Split(filter, '|');
  if (fields.size() % 2 != 0) {
    throw std::invalid_argument("File filter \"" + filter + "\" has a name without patterns");
  }
  for (std::size_t i = 0; i < fields.size(); i += 2) {
    TFileFilter entry{Trimmed(fields[i]), {}};
    for (const std::string& pattern : Split(fields[i + 1], ';')) {
      const std::string p = Trimmed(pattern);
      if (!p.empty()) entry.patterns.push_back(p);
    }
    if (entry.name.empty() || entry.patterns.empty()) {
      throw std::invalid_argument("File filter \"" + filter + "\" has an empty entry");
    }
    result.push_back(std::move(entry));
  }
  return result;
}

std::string CaseInsensitivePattern(const std::string& pattern) {
  if (pattern.find('[') != std::string::npos) return pattern;
  std::string result;
  for (const char c : pattern) {
    const auto u = static_cast<unsigned char>(c);
    // Only ASCII letters: the bytes of a UTF-8 sequence stay as they are.
    if (u < 0x80 && std::isalpha(u)) {
      result += '[';
      result += static_cast<char>(std::tolower(u));
      result += static_cast<char>(std::toupper(u));
      result += ']';
    } else {
      result += c;
    }
  }
  return result;
}

std::string WithDefaultExtension(const std::string& path, const std::string& extension) {
  if (extension.empty() || path.empty()) return path;
  const auto slash = path.find_last_of('/');
  const std::string::size_type name_start = slash == std::string::npos ? 0 : slash + 1;
  const auto dot = path.find_last_of('.');
  const bool has_dot = dot != std::string::npos && dot > name_start;
  if (has_dot && dot + 1 < path.size()) return path;  // an extension of its own
  if (has_dot) return path + extension;               // "myicon." names only the dot
  return path + "." + extension;
}
