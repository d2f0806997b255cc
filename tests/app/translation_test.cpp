// The window's language: which locales show English, the English catalogue built with the
// program against the texts of the stored form, damaged catalogues, composed messages and
// dialog filters.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "app/embedded.h"
#include "app/translation.h"
#include "tests/support/test_support.h"

namespace {

bool HasCjk(const std::string& s) {
  // Every CJK character of the window's texts is three bytes starting 0xE3..0xE9.
  for (unsigned char c : s)
    if (c >= 0xE3 && c <= 0xE9) return true;
  return false;
}

TCatalogue English() {
  const auto file = CatalogueFile("en");
  if (file.empty()) throw std::runtime_error("the English catalogue was not built");
  return TCatalogue::Load(file);
}

struct TCatalogueInUse {
  explicit TCatalogueInUse(std::optional<TCatalogue> c) { UseCatalogue(std::move(c)); }
  ~TCatalogueInUse() { UseCatalogue(std::nullopt); }
};

TEST(Translation, TheLocaleChoosesTheLanguage) {
  for (const char* source :
       {"C", "POSIX", "C.UTF-8", "C.utf8", "zh_CN.UTF-8", "zh_TW.UTF-8", "zh_CN", "zh"})
    EXPECT_TRUE(ShowsSourceTexts(source)) << source;
  for (const char* english :
       {"en_US.UTF-8", "en_GB", "de_DE.UTF-8", "fr_FR@euro", "ja_JP.UTF-8", "Czech", "CS"})
    EXPECT_FALSE(ShowsSourceTexts(english)) << english;
}

TEST(Translation, EveryChineseTextOfTheWindowHasAnEnglishOne) {
  const TCatalogue en = English();
  // The stored form keeps its texts in single quotes ('' is a quote inside one).
  const std::string form = EmbeddedText("main_form.txt");
  const std::regex quoted("'((?:[^']|'')*)'");
  int chinese = 0;
  for (auto it = std::sregex_iterator(form.begin(), form.end(), quoted);
       it != std::sregex_iterator(); ++it) {
    const std::string text = (*it)[1];
    if (!HasCjk(text)) continue;
    ++chinese;
    const std::string* english = en.Find(text);
    ASSERT_NE(english, nullptr) << "no English for " << text;
    EXPECT_FALSE(HasCjk(*english)) << text << " -> " << *english;
  }
  EXPECT_GE(chinese, 20);
}

TEST(Translation, DamagedCataloguesAreRefusedWithTheirName) {
  testsupport::TempDir dir;
  std::ifstream in(CatalogueFile("en"), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 100u);
  const std::string file = dir.File("damaged.mo");
  auto expect_refused = [&](const std::string& content, const char* what) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
    try {
      TCatalogue::Load(file);
      ADD_FAILURE() << what << " was read";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("damaged.mo"), std::string::npos) << e.what();
    }
  };
  // Cut anywhere before its last text, a catalogue points past its end.
  for (size_t cut :
       {size_t{0}, size_t{3}, size_t{19}, size_t{27}, bytes.size() / 2, bytes.size() - 2})
    expect_refused(bytes.substr(0, cut), "a catalogue cut short");
  expect_refused(std::string(64, 'x'), "a file that is no catalogue");
  std::string table_far_off = bytes;
  table_far_off[12] = '\xF0';  // the table of source texts beyond the file
  table_far_off[15] = '\x7F';
  expect_refused(table_far_off, "a catalogue with its table outside");
}

TEST(Translation, MessagesAndFiltersAreTranslatedPartByPart) {
  {
    TCatalogueInUse none(std::nullopt);
    EXPECT_EQ(Tr("确定"), "确定");
    EXPECT_EQ(TrMessage("a.md3: 错误的 MD3 版本号"), "a.md3: 错误的 MD3 版本号");
  }
  TCatalogueInUse en(English());
  EXPECT_EQ(Tr("确定"), "OK");
  EXPECT_EQ(Tr("not in the catalogue"), "not in the catalogue");
  // A file name stays as it is, even one that reads like a text of the window.
  const std::string message = TrMessage("/tmp/确定: 错误的 MD3 文件 ID");
  EXPECT_EQ(message.rfind("/tmp/确定: ", 0), 0u) << message;
  EXPECT_FALSE(HasCjk(message.substr(std::string("/tmp/确定: ").size()))) << message;
  const std::string filter = TrFilter("3DS 文件 (*.3ds)|*.3ds|MD3 文件 (*.md3)|*.md3");
  EXPECT_FALSE(HasCjk(filter)) << filter;
  EXPECT_NE(filter.find("|*.3ds|"), std::string::npos) << filter;
  EXPECT_EQ(filter.substr(filter.size() - 6), "|*.md3") << filter;
}

}  // namespace
