// The window's language. Its texts are written in Chinese (the stored form keeps them so)
// and are translated where they are shown, through a gettext catalogue (.mo) that the build
// makes from app/po/en.po. The locale chooses: zh_* and the C locale (C.UTF-8 and POSIX
// included) show the source texts, any other locale English. The command line's usage and
// errors are English and never pass through here.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>

// A compiled gettext catalogue: the source texts with their translations.
class TCatalogue {
 public:
  // Reads a .mo file; raises std::runtime_error with the file's name when it is not one.
  static TCatalogue Load(const std::filesystem::path& file);
  // The translation of Msgid, or nullptr when the catalogue has none.
  const std::string* Find(const std::string& msgid) const;
  size_t Size() const { return texts_.size(); }

 private:
  std::unordered_map<std::string, std::string> texts_;
};

// The locale name the program's messages follow: LC_ALL, else LC_MESSAGES, else LANG, else "C".
std::string MessagesLocale();
// True when Locale shows the source (Chinese) texts: zh_*, C, C.*, POSIX.
bool ShowsSourceTexts(const std::string& locale);

// Where the catalogues are: installed beside the program (../share/locale) or, for a program
// run from its build tree, the build's own locale folder. Empty when neither has one.
std::filesystem::path CatalogueFile(const std::string& language);

// Chooses the window's language from MessagesLocale() and loads its catalogue: English texts
// when the locale asks for them and the catalogue is found, the source texts otherwise.
// Returns the language chosen: "en" or "zh_CN".
std::string SetUpTranslation();
// For tests: the catalogue in use, or none (the source texts).
void UseCatalogue(std::optional<TCatalogue> catalogue);
// The language SetUpTranslation chose ("zh_CN" until then).
const std::string& WindowLanguage();

// The shown form of a source text.
std::string Tr(const std::string& msgid);
// A message put together as "part: part: reason": each part translated on its own (a file
// name stays as it is, a reader's reason is translated).
std::string TrMessage(const std::string& message);
// A dialog filter "Description|patterns|Description|patterns": the descriptions translated.
std::string TrFilter(const std::string& filter);
