#include "app/translation.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "app/program_files.h"

namespace {

std::optional<TCatalogue>& Current() {
  static std::optional<TCatalogue> catalogue;
  return catalogue;
}

std::string& Language() {
  static std::string language = "zh_CN";
  return language;
}

}  // namespace

TCatalogue TCatalogue::Load(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
  auto fail = [&file](const char* why) -> std::runtime_error {
    return std::runtime_error(file.string() + ": " + why);
  };
  if (!in.eof() && !in) throw fail("cannot be read");
  if (bytes.size() < 20) throw fail("not a message catalogue");
  // The magic number tells the byte order of every number that follows.
  const auto raw = [&bytes](size_t at, bool swap) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      const uint32_t b = bytes[at + static_cast<size_t>(swap ? i : 3 - i)];
      v = (v << 8) | b;
    }
    return v;
  };
  bool swap = false;
  if (raw(0, false) != 0x950412DEu) {
    swap = true;
    if (raw(0, true) != 0x950412DEu) throw fail("not a message catalogue");
  }
  const auto word = [&](uint64_t at) {
    if (at + 4 > bytes.size()) throw fail("is cut short");
    return raw(static_cast<size_t>(at), swap);
  };
  if ((word(4) >> 16) != 0) throw fail("has an unknown revision");
  const uint64_t count = word(8), originals = word(12), translations = word(16);
  const auto text = [&](uint64_t table, uint64_t i) {
    const uint64_t length = word(table + i * 8), offset = word(table + i * 8 + 4);
    if (offset + length > bytes.size()) throw fail("is cut short");
    std::string s(reinterpret_cast<const char*>(bytes.data() + offset), length);
    return s.substr(0, s.find('\0'));  // of plural forms, the first
  };
  TCatalogue catalogue;
  for (uint64_t i = 0; i < count; ++i) {
    std::string msgid = text(originals, i);
    if (msgid.empty()) continue;  // the catalogue's header
    std::string msgstr = text(translations, i);
    if (!msgstr.empty()) catalogue.texts_.emplace(std::move(msgid), std::move(msgstr));
  }
  return catalogue;
}

const std::string* TCatalogue::Find(const std::string& msgid) const {
  auto it = texts_.find(msgid);
  return it == texts_.end() ? nullptr : &it->second;
}

std::string MessagesLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return "C";
}

bool ShowsSourceTexts(const std::string& locale) {
  return locale == "C" || locale == "POSIX" || locale.starts_with("C.") ||
         locale.starts_with("zh_") || locale == "zh";
}

std::filesystem::path CatalogueFile(const std::string& language) {
  const std::filesystem::path relative =
      std::filesystem::path(language) / "LC_MESSAGES" / "facetmint.mo";
  std::vector<std::filesystem::path> candidates;
  for (const auto& share : InstalledShareDirs()) candidates.push_back(share / "locale" / relative);
  candidates.push_back(std::filesystem::path(FACETMINT_BUILD_LOCALE_DIR) / relative);
  for (const auto& file : candidates) {
    std::error_code error;
    if (std::filesystem::is_regular_file(file, error)) return file;
  }
  return {};
}

std::string SetUpTranslation() {
  std::optional<TCatalogue> catalogue;
  if (!ShowsSourceTexts(MessagesLocale())) {
    // Without its catalogue the window still works, in its source texts.
    if (std::filesystem::path file = CatalogueFile("en"); !file.empty()) {
      try {
        catalogue = TCatalogue::Load(file);
      } catch (const std::exception&) {
      }
    }
  }
  Language() = catalogue ? "en" : "zh_CN";
  UseCatalogue(std::move(catalogue));
  return Language();
}

void UseCatalogue(std::optional<TCatalogue> catalogue) {
  Current() = std::move(catalogue);
}

const std::string& WindowLanguage() {
  return Language();
}

std::string Tr(const std::string& msgid) {
  const auto& catalogue = Current();
  if (!catalogue) return msgid;
  const std::string* text = catalogue->Find(msgid);
  return text ? *text : msgid;
}

std::string TrMessage(const std::string& message) {
  if (!Current()) return message;
  if (const std::string* whole = Current()->Find(message)) return *whole;
  std::string out;
  size_t start = 0;
  while (true) {
    const size_t end = message.find(": ", start);
    out += Tr(message.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return out;
    out += ": ";
    start = end + 2;
  }
}

namespace {

// "NAME 文件 (*.x;*.y)": the patterns stay, "所有文件" and "文件" are looked up, so that the
// list of model formats needs no catalogue entry per format.
std::string TrFilterDescription(const std::string& description) {
  const size_t open = description.find(" (");
  if (open == std::string::npos) return Tr(description);
  const std::string head = description.substr(0, open);
  const std::string tail = description.substr(open);
  static const std::string kFiles = " 文件";
  if (head.size() > kFiles.size() && head.ends_with(kFiles)) {
    return head.substr(0, head.size() - kFiles.size()) + " " + Tr("文件") + tail;
  }
  return Tr(head) + tail;
}

}  // namespace

std::string TrFilter(const std::string& filter) {
  std::string out;
  size_t start = 0;
  for (bool description = true;; description = !description) {
    const size_t end = filter.find('|', start);
    const std::string part = filter.substr(start, end == std::string::npos ? end : end - start);
    out += description ? TrFilterDescription(part) : part;
    if (end == std::string::npos) return out;
    out += '|';
    start = end + 1;
  }
}
