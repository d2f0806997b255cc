#include "ui/resources.h"

#include <algorithm>
#include <cctype>

#include "core/component_stream.h"
#include "core/stream.h"
#include "core/text_helpers.h"
#include "ui/vector_object.h"

namespace {

std::vector<TpmResources*>& Registry() {
  static std::vector<TpmResources*> list;
  return list;
}

// A line without the blanks, tabs and carriage returns at its ends.
std::string_view TrimLine(std::string_view line) {
  return TrimChars(line, " \t\r");
}

// The reader takes one object block at a time: cut the text at the ends of its top-level
// blocks (by line, as the writer puts every keyword on a line of its own).
std::vector<std::string> SplitBlocks(const std::string& text) {
  std::vector<std::string> blocks;
  std::string current;
  int depth = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    const std::string_view t = TrimLine(line);
    if (t.empty() && depth == 0) continue;
    current += line;
    current += '\n';
    if (t.rfind("object ", 0) == 0 || t.rfind("inherited ", 0) == 0 || t.rfind("inline ", 0) == 0)
      ++depth;
    else if (t == "end" && --depth <= 0) {
      blocks.push_back(std::move(current));
      current.clear();
      depth = 0;
    }
  }
  if (!TrimLine(current).empty()) blocks.push_back(std::move(current));  // the reader reports it
  return blocks;
}

}  // namespace

FM_REGISTER_CLASS(TpmResources) {}

TpmResources::TpmResources(TComponent* owner) : TComponent(owner) {
  Registry().push_back(this);
}

TpmResources::~TpmResources() {
  auto& r = Registry();
  r.erase(std::remove(r.begin(), r.end(), this), r.end());
}

const std::vector<TpmResources*>& TpmResources::All() {
  return Registry();
}

void TpmResources::SetResourceText(const std::string& text) {
  RegisterUiClasses();
  std::vector<std::unique_ptr<TpmObject>> next;
  for (const std::string& block : SplitBlocks(text)) {
    TMemoryStream stream(std::vector<uint8_t>(block.begin(), block.end()));
    std::unique_ptr<TComponent> c(ReadComponent(stream, nullptr));
    auto* obj = dynamic_cast<TpmObject*>(c.get());
    if (!obj) throw EReadError("a style must be a 2D object, not " + c->ClassName());
    c.release();
    next.emplace_back(obj);
  }
  styles_ = std::move(next);
}

std::string TpmResources::ResourceText() const {
  std::string out;
  for (const auto& s : styles_) out += ComponentToText(*s);
  return out;
}

TpmObject* TpmResources::FindStyle(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (const auto& s : styles_) {
    if (SameText(s->ResourceName(), name)) return s.get();
  }
  return nullptr;
}

void TpmResources::DefineProperties(TFiler& filer) {
  filer.DefineProperty(
      "Resource", [this](const std::string& text) { SetResourceText(text); },
      [this] { return ResourceText(); }, !styles_.empty());
}

TpmResources& DefaultTheme() {
  static const std::unique_ptr<TpmResources> theme = [] {
    auto t = std::make_unique<TpmResources>();
    t->SetResourceText(DefaultThemeText());
    return t;
  }();
  return *theme;
}

TpmObject* FindStyleResource(const TpmResources* preferred, const std::string& name,
                             bool any_collection) {
  if (name.empty()) return nullptr;
  if (preferred) {
    if (TpmObject* s = preferred->FindStyle(name)) return s;
  }
  if (TpmObject* s = DefaultTheme().FindStyle(name)) return s;
  if (!any_collection) return nullptr;
  for (TpmResources* r : TpmResources::All()) {
    if (r == preferred) continue;
    if (TpmObject* s = r->FindStyle(name)) return s;
  }
  return nullptr;
}
