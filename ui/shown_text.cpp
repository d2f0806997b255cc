#include "ui/shown_text.h"

#include <utility>

namespace {

TTextTranslator& Translator() {
  static TTextTranslator translator;
  return translator;
}

}  // namespace

TTextTranslator SetTextTranslator(TTextTranslator translator) {
  return std::exchange(Translator(), std::move(translator));
}

std::string ShownText(const std::string& text) {
  return Translator() && !text.empty() ? Translator()(text) : text;
}
