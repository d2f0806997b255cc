#include "core/property_registry.h"

#include <charconv>

#include "core/component.h"
#include "core/number_text.h"
#include "core/text_helpers.h"

namespace {

[[noreturn]] void BadValue(const TPropInfo& p, std::string_view text) {
  throw EPropertyError("Invalid value '" + std::string(text) + "' for property " + p.name);
}

[[noreturn]] void WrongKind(const TPropInfo& p, const char* wanted) {
  throw EPropertyError("Property " + p.name + " is not " + wanted);
}

std::string FloatText(float v) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);  // shortest round trip
  return TidyExponent(std::string(buffer, ec == std::errc() ? end : buffer));
}

const TPropInfo& Checked(const TPersistent& obj, std::string_view name) {
  return GetProp(obj, name);
}

}  // namespace

// ---- TEnumInfo ----

TEnumInfo::TEnumInfo(std::string name, std::vector<std::string> values)
    : name_(std::move(name)), values_(std::move(values)) {}

const std::string& TEnumInfo::ValueName(int ordinal) const {
  static const std::string empty;
  return ordinal >= 0 && ordinal < Count() ? values_[ordinal] : empty;
}

int TEnumInfo::ValueOf(std::string_view name) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(values_[i], name)) return i;
  return -1;
}

// ---- TMethodTable ----

const std::any* TMethodTable::Find(std::string_view name) const {
  auto it = methods_.find(LowerCase(name));
  return it == methods_.end() ? nullptr : &it->second;
}

// ---- TPropInfo ----

bool TPropInfo::IsReadOnly() const {
  switch (kind) {
    case TPropKind::Float:
      return !set_float;
    case TPropKind::String:
      return !set_string;
    case TPropKind::Strings:
      return !set_strings;
    case TPropKind::Object:
      return false;  // assigned into
    case TPropKind::Reference:
      return !set_object;
    case TPropKind::Event:
      return !bind_event;
    default:
      return !set_ord;
  }
}

std::string TPropInfo::GetText(const TPersistent& obj) const {
  switch (kind) {
    case TPropKind::Float:
      return FloatText(get_float(obj));
    case TPropKind::Integer:
      return std::to_string(get_ord(obj));
    case TPropKind::Boolean:
      return get_ord(obj) ? "True" : "False";
    case TPropKind::Enum: {
      int64_t v = get_ord(obj);
      const std::string& n = enum_info->ValueName(static_cast<int>(v));
      return n.empty() ? std::to_string(v) : n;
    }
    case TPropKind::Set: {
      uint64_t mask = static_cast<uint64_t>(get_ord(obj));
      std::string text = "[";
      for (int i = 0; i < enum_info->Count() && i < 64; ++i)
        if (mask & (uint64_t(1) << i)) {
          if (text.size() > 1) text += ", ";
          text += enum_info->ValueName(i);
        }
      return text + "]";
    }
    case TPropKind::String:
      return get_string(obj);
    case TPropKind::Color:
      return color_to_text(static_cast<uint32_t>(get_ord(obj)));
    case TPropKind::Reference: {
      auto* c = dynamic_cast<TComponent*>(get_object(obj));
      return c ? c->Name() : std::string();
    }
    case TPropKind::Event:
      return get_string(obj);
    case TPropKind::Object:
    case TPropKind::Strings:
      break;
  }
  throw EPropertyError("Property " + name + " has no text form");
}

void TPropInfo::SetText(TPersistent& obj, std::string_view text) const {
  if (IsReadOnly()) throw EPropertyError("Property " + name + " is read-only");
  switch (kind) {
    case TPropKind::Float: {
      float v;
      if (!ParseFloatText(text, v)) BadValue(*this, text);
      set_float(obj, v);
      return;
    }
    case TPropKind::Integer: {
      int64_t v;
      if (!ParseIntText(text, v)) BadValue(*this, text);
      set_ord(obj, v);
      return;
    }
    case TPropKind::Boolean: {
      std::string_view t = TrimBlanks(text);
      if (SameText(t, "True"))
        set_ord(obj, 1);
      else if (SameText(t, "False"))
        set_ord(obj, 0);
      else
        BadValue(*this, text);
      return;
    }
    case TPropKind::Enum: {
      int v = enum_info->ValueOf(TrimBlanks(text));
      if (v < 0) BadValue(*this, text);
      set_ord(obj, v);
      return;
    }
    case TPropKind::Set: {
      std::string_view t = TrimBlanks(text);
      if (t.size() < 2 || t.front() != '[' || t.back() != ']') BadValue(*this, text);
      t = t.substr(1, t.size() - 2);
      uint64_t mask = 0;
      while (!TrimBlanks(t).empty()) {
        size_t comma = t.find(',');
        std::string_view item = TrimBlanks(t.substr(0, comma));
        int v = enum_info->ValueOf(item);
        if (v < 0 || v >= 64) BadValue(*this, text);
        mask |= uint64_t(1) << v;
        if (comma == std::string_view::npos) break;
        t.remove_prefix(comma + 1);
      }
      set_ord(obj, static_cast<int64_t>(mask));
      return;
    }
    case TPropKind::String:
      set_string(obj, std::string(text));
      return;
    case TPropKind::Color:
      set_ord(obj, text_to_color(std::string(TrimBlanks(text))));
      return;
    case TPropKind::Reference:
    case TPropKind::Event:
    case TPropKind::Object:
    case TPropKind::Strings:
      break;
  }
  throw EPropertyError("Property " + name + " cannot be set from text");
}

bool TPropInfo::IsDefault(const TPersistent& obj) const {
  switch (kind) {
    case TPropKind::Float:
      return get_float(obj) == (has_default ? default_float : 0.0f);
    case TPropKind::String:
      return get_string(obj) == default_string;
    case TPropKind::Strings:
      return get_strings(obj).empty();
    case TPropKind::Reference:
      return get_object(obj) == nullptr;
    case TPropKind::Event:
      return get_string(obj).empty();
    case TPropKind::Object:
      return false;
    default:
      return has_default && get_ord(obj) == default_ord;
  }
}

bool TPropInfo::ShouldStore(const TPersistent& obj) const {
  if (stored && !stored(obj)) return false;
  if (IsReadOnly() && kind != TPropKind::Object) return false;
  return always_stored || !IsDefault(obj);
}

// ---- TPropBuilder ----

TPropBuilder& TPropBuilder::Default(float v) {
  info_.has_default = true;
  info_.default_float = v;
  return *this;
}
TPropBuilder& TPropBuilder::Default(int64_t v) {
  info_.has_default = true;
  info_.default_ord = v;
  info_.default_float = static_cast<float>(v);
  return *this;
}
TPropBuilder& TPropBuilder::Default(const char* v) {
  info_.has_default = true;
  info_.default_string = v;
  return *this;
}
TPropBuilder& TPropBuilder::AlwaysStored() {
  info_.always_stored = true;
  return *this;
}
TPropBuilder& TPropBuilder::NotStored() {
  info_.stored = [](const TPersistent&) { return false; };
  return *this;
}

// ---- TClassInfo ----

TClassInfo::TClassInfo(std::string name, const TClassInfo* parent, Factory factory,
                       bool is_component)
    : name_(std::move(name)), parent_(parent), factory_(factory), is_component_(is_component) {}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
  for (const TClassInfo* c = this; c; c = c->parent_)
    if (c == &other) return true;
  return false;
}

TPersistent* TClassInfo::Create(TComponent* owner) const {
  return factory_ ? factory_(owner) : nullptr;
}

const TPropInfo* TClassInfo::FindProperty(std::string_view name) const {
  std::string key = LowerCase(name);
  for (const TClassInfo* c = this; c; c = c->parent_) {
    auto it = c->by_name_.find(key);
    if (it != c->by_name_.end()) return it->second;
  }
  return nullptr;
}

const std::vector<const TPropInfo*>& TClassInfo::Properties() const {
  if (!all_valid_) {
    std::vector<const TPropInfo*> all =
        parent_ ? parent_->Properties() : std::vector<const TPropInfo*>{};
    for (const auto& p : own_) {
      bool replaced = false;
      for (auto& existing : all)
        if (SameText(existing->name, p->name)) {
          existing = p.get();
          replaced = true;
        }
      if (!replaced) all.push_back(p.get());
    }
    all_ = std::move(all);
    all_valid_ = true;
  }
  return all_;
}

TPropInfo& TClassInfo::AddProperty(TPropInfo info) {
  own_.push_back(std::make_unique<TPropInfo>(std::move(info)));
  TPropInfo& p = *own_.back();
  by_name_[LowerCase(p.name)] = &p;
  all_valid_ = false;
  return p;
}

// ---- TClassRegistry ----

TClassRegistry& TClassRegistry::Instance() {
  static TClassRegistry registry;
  return registry;
}

const TClassInfo* TClassRegistry::FindClass(std::string_view name) const {
  auto it = classes_.find(LowerCase(name));
  return it == classes_.end() ? nullptr : it->second;
}

std::vector<const TClassInfo*> TClassRegistry::Classes() const {
  return order_;
}

void TClassRegistry::Add(const TClassInfo& info) {
  if (classes_.emplace(LowerCase(info.Name()), &info).second) order_.push_back(&info);
}

// ---- Access by name ----

const TPropInfo* FindProp(const TPersistent& obj, std::string_view name) {
  return obj.ClassInfo().FindProperty(name);
}

const TPropInfo& GetProp(const TPersistent& obj, std::string_view name) {
  const TPropInfo* p = FindProp(obj, name);
  if (!p)
    throw EPropertyError("Property " + std::string(name) + " does not exist in " + obj.ClassName());
  return *p;
}

float GetFloatProp(const TPersistent& obj, std::string_view name) {
  const TPropInfo& p = Checked(obj, name);
  if (p.kind != TPropKind::Float) WrongKind(p, "a floating-point property");
  return p.get_float(obj);
}

void SetFloatProp(TPersistent& obj, std::string_view name, float value) {
  const TPropInfo& p = Checked(obj, name);
  if (p.kind != TPropKind::Float) WrongKind(p, "a floating-point property");
  if (!p.set_float) throw EPropertyError("Property " + p.name + " is read-only");
  p.set_float(obj, value);
}

namespace {
bool IsOrdinal(TPropKind k) {
  return k == TPropKind::Integer || k == TPropKind::Boolean || k == TPropKind::Enum ||
         k == TPropKind::Set || k == TPropKind::Color;
}
}  // namespace

int64_t GetOrdProp(const TPersistent& obj, std::string_view name) {
  const TPropInfo& p = Checked(obj, name);
  if (!IsOrdinal(p.kind)) WrongKind(p, "an ordinal property");
  return p.get_ord(obj);
}

void SetOrdProp(TPersistent& obj, std::string_view name, int64_t value) {
  const TPropInfo& p = Checked(obj, name);
  if (!IsOrdinal(p.kind)) WrongKind(p, "an ordinal property");
  if (!p.set_ord) throw EPropertyError("Property " + p.name + " is read-only");
  if (p.kind == TPropKind::Enum && (value < 0 || value >= p.enum_info->Count()))
    throw EPropertyError("Value out of range for property " + p.name);
  p.set_ord(obj, value);
}

std::string GetStrProp(const TPersistent& obj, std::string_view name) {
  const TPropInfo& p = Checked(obj, name);
  if (p.kind != TPropKind::String) WrongKind(p, "a string property");
  return p.get_string(obj);
}

void SetStrProp(TPersistent& obj, std::string_view name, const std::string& value) {
  const TPropInfo& p = Checked(obj, name);
  if (p.kind != TPropKind::String) WrongKind(p, "a string property");
  if (!p.set_string) throw EPropertyError("Property " + p.name + " is read-only");
  p.set_string(obj, value);
}

std::string GetEnumProp(const TPersistent& obj, std::string_view name) {
  const TPropInfo& p = Checked(obj, name);
  if (p.kind != TPropKind::Enum && p.kind != TPropKind::Boolean)
    WrongKind(p, "an enumerated property");
  return p.GetText(obj);
}

void SetEnumProp(TPersistent& obj, std::string_view name, std::string_view value) {
  const TPropInfo& p = Checked(obj, name);
  if (p.kind != TPropKind::Enum && p.kind != TPropKind::Boolean)
    WrongKind(p, "an enumerated property");
  p.SetText(obj, value);
}

TPersistent* GetObjectProp(const TPersistent& obj, std::string_view name) {
  const TPropInfo& p = Checked(obj, name);
  if (p.kind != TPropKind::Object && p.kind != TPropKind::Reference)
    WrongKind(p, "an object property");
  return p.get_object(obj);
}

std::string GetPropText(const TPersistent& obj, std::string_view name) {
  return Checked(obj, name).GetText(obj);
}

void SetPropText(TPersistent& obj, std::string_view name, std::string_view text) {
  Checked(obj, name).SetText(obj, text);
}

TPropTarget ResolvePropPath(TPersistent& root, std::string_view path) {
  TPersistent* current = &root;
  while (true) {
    size_t dot = path.find('.');
    std::string_view segment = path.substr(0, dot);
    const TPropInfo* p = FindProp(*current, segment);
    if (!p) return {};
    if (dot == std::string_view::npos) return {current, p};
    if (p->kind != TPropKind::Object && p->kind != TPropKind::Reference) return {};
    current = p->get_object(*current);
    if (!current) return {};
    path.remove_prefix(dot + 1);
  }
}

void CopyPublishedProperties(const TPersistent& source, TPersistent& dest) {
  for (const TPropInfo* p : source.ClassInfo().Properties()) {
    if (!dest.ClassInfo().InheritsFrom(source.ClassInfo()) && FindProp(dest, p->name) != p)
      continue;
    switch (p->kind) {
      case TPropKind::Float:
        if (p->set_float) p->set_float(dest, p->get_float(source));
        break;
      case TPropKind::String:
        if (p->set_string) p->set_string(dest, p->get_string(source));
        break;
      case TPropKind::Strings:
        if (p->set_strings) p->set_strings(dest, p->get_strings(source));
        break;
      case TPropKind::Object: {
        TPersistent* from = p->get_object(source);
        TPersistent* to = p->get_object(dest);
        if (!from || !to || from == to) break;
        try {
          to->Assign(*from);
        } catch (const EPropertyError&) {
          CopyPublishedProperties(*from, *to);  // plain nested records copy field by field
        }
        break;
      }
      case TPropKind::Reference:
        if (p->set_object) p->set_object(dest, p->get_object(source));
        break;
      case TPropKind::Event:
        break;
      default:
        if (p->set_ord) p->set_ord(dest, p->get_ord(source));
        break;
    }
  }
}
