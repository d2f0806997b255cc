#include "ui/resources.h"

#include <algorithm>
#include <cctype>

#include "platform/component_stream.h"
#include "platform/stream.h"
#include "ui/vector_object.h"

namespace {

std::vector<TpmResources*>& Registry() {
  static std::vector<TpmResources*> list;
  return list;
}

bool OnlySpaceLeft(const TMemoryStream& s, const std::vector<uint8_t>& bytes) {
  for (size_t i = static_cast<size_t>(s.Position()); i < bytes.size(); ++i) {
    if (!std::isspace(bytes[i])) return false;
  }
  return true;
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
  std::vector<uint8_t> bytes(text.begin(), text.end());
  TMemoryStream stream(bytes);
  std::vector<std::unique_ptr<TpmObject>> next;
  while (!OnlySpaceLeft(stream, bytes)) {
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

TpmObject* FindStyleResource(const TpmResources* preferred, const std::string& name) {
  if (name.empty()) return nullptr;
  if (preferred) {
    if (TpmObject* s = preferred->FindStyle(name)) return s;
  }
  if (TpmObject* s = DefaultTheme().FindStyle(name)) return s;
  for (TpmResources* r : TpmResources::All()) {
    if (r == preferred) continue;
    if (TpmObject* s = r->FindStyle(name)) return s;
  }
  return nullptr;
}
