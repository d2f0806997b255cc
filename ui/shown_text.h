// The texts the controls show may differ from the texts they keep: the program installs a
// translator (its language), and every text is passed through it where it is drawn or
// measured. Without one a text is shown as it is kept.
#pragma once

#include <functional>
#include <string>

using TTextTranslator = std::function<std::string(const std::string&)>;

// Installs Translator (empty: none); returns the previous one.
TTextTranslator SetTextTranslator(TTextTranslator translator);
// Text as it is shown.
std::string ShownText(const std::string& text);
