// The one registry of classes and their published properties, shared by the 2D and 3D
// libraries. Animations, effect triggers and component streaming read and write properties
// by class and name at run time through it.
//
// Declaring a class (header):
//
//   class TgkDummy : public TgkVisualObject {
//     FM_CLASS(TgkDummy, TgkVisualObject)
//    public:
//     explicit TgkDummy(TComponent* owner = nullptr);
//   };
//
// Registering it with its published properties (its .cpp):
//
//   FM_REGISTER_CLASS(TgkDummy) {
//     c.Float("Width", &TgkDummy::Width, &TgkDummy::SetWidth).Default(1);
//     c.Enum("Align", AlignInfo(), &TgkDummy::Align, &TgkDummy::SetAlign);
//     c.Object("Position", &TgkDummy::Position);   // nested persistent
//   }
//
// Getters and setters may be member functions, data members or lambdas taking the object.
// Registration happens on first use of T::StaticClass(); a registrar object in the .cpp
// also runs it at start-up. Libraries additionally offer an explicit registration function
// (e.g. RegisterSceneClasses()) that touches every StaticClass(), so that classes created
// only by name survive static-library dead-stripping.
//
// Names compare case-insensitively (ASCII).
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/persistent.h"
#include "core/text_helpers.h"  // SameText and LowerCase, by which names compare

class TComponent;

enum class TPropKind {
  Float,      // float
  Integer,    // int64
  Boolean,    // "True" / "False"
  Enum,       // ordinal with value names
  Set,        // bit mask over an enumeration, text "[a, b]"
  String,     // UTF-8 text
  Strings,    // list of strings
  Color,      // uint32 ARGB, text "#AARRGGBB"
  Object,     // an owned nested persistent (Position, Material); streamed as Name.Prop
  Reference,  // a reference to another component, streamed by name
  Event,      // an event handler, streamed by handler name
};

// Value names of an enumeration, in ordinal order.
class TEnumInfo {
 public:
  TEnumInfo(std::string name, std::vector<std::string> values);
  const std::string& Name() const { return name_; }
  int Count() const { return static_cast<int>(values_.size()); }
  // The name of an ordinal, or "" out of range.
  const std::string& ValueName(int ordinal) const;
  // The ordinal of a name (case-insensitive), or -1.
  int ValueOf(std::string_view name) const;

 private:
  std::string name_;
  std::vector<std::string> values_;
};

// The handlers a root component (a window) offers to the events of its stored description.
class TMethodTable {
 public:
  template <class Sig>
  void Add(const std::string& name, std::function<Sig> handler) {
    methods_[LowerCase(name)] = std::move(handler);
  }
  // The handler stored under name (a std::function of the registered signature), or nullptr.
  const std::any* Find(std::string_view name) const;
  // The names of the handlers, in lower case, in no particular order.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : methods_) names.push_back(entry.first);
    return names;
  }

 private:
  std::unordered_map<std::string, std::any> methods_;
};

// An event: a handler plus the name it was bound by (so it can be written back).
template <class Sig>
class TEvent;
template <class R, class... A>
class TEvent<R(A...)> {
 public:
  using Function = std::function<R(A...)>;
  TEvent() = default;
  template <class F, class = std::enable_if_t<std::is_constructible_v<Function, F>>>
  TEvent& operator=(F&& f) {
    fn_ = std::forward<F>(f);
    name_.clear();
    return *this;
  }
  TEvent& operator=(std::nullptr_t) {
    fn_ = nullptr;
    name_.clear();
    return *this;
  }
  explicit operator bool() const { return static_cast<bool>(fn_); }
  R operator()(A... args) const { return fn_(std::forward<A>(args)...); }
  void Bind(Function fn, std::string handler_name) {
    fn_ = std::move(fn);
    name_ = std::move(handler_name);
  }
  const std::string& HandlerName() const { return name_; }

 private:
  Function fn_;
  std::string name_;
};

using TNotifyEvent = TEvent<void(TPersistent* sender)>;

// One published property with type-erased accessors. Only the accessors of its kind are set.
struct TPropInfo {
  std::string name;
  TPropKind kind = TPropKind::Integer;
  const TEnumInfo* enum_info = nullptr;  // Enum, Set
  // Required class of Object and Reference values (resolved lazily: classes may refer to
  // themselves while they register).
  const TClassInfo& (*value_class)() = nullptr;

  std::function<float(const TPersistent&)> get_float;
  std::function<void(TPersistent&, float)> set_float;
  std::function<int64_t(const TPersistent&)> get_ord;  // Integer, Boolean, Enum, Set, Color
  std::function<void(TPersistent&, int64_t)> set_ord;
  std::function<std::string(const TPersistent&)> get_string;  // String; Event handler name
  std::function<void(TPersistent&, const std::string&)> set_string;
  std::function<std::vector<std::string>(const TPersistent&)> get_strings;
  std::function<void(TPersistent&, const std::vector<std::string>&)> set_strings;
  std::function<TPersistent*(const TPersistent&)> get_object;  // Object, Reference
  std::function<void(TPersistent&, TPersistent*)> set_object;  // Reference only
  // Event: binds the handler found in a method table; raises EPropertyError when the
  // handler has another signature.
  std::function<void(TPersistent&, const std::any& handler, const std::string& name)> bind_event;
  std::function<void(TPersistent&)> clear_event;
  std::string (*color_to_text)(uint32_t) = nullptr;
  uint32_t (*text_to_color)(const std::string&) = nullptr;

  // Written by the streaming only when stored() (if set) and the value differs from the
  // default (if one is given).
  std::function<bool(const TPersistent&)> stored;
  bool always_stored = false;  // written even when the value equals the default
  bool has_default = false;
  float default_float = 0;
  int64_t default_ord = 0;
  std::string default_string;

  bool IsReadOnly() const;
  // Text form of the value: floats shortest with "."; Booleans True/False; enumerations by
  // value name; sets "[a, b]"; colours "#AARRGGBB"; references by component name; events by
  // handler name. Raises EPropertyError for Object and Strings properties.
  std::string GetText(const TPersistent& obj) const;
  // Parses text as GetText writes it; raises EPropertyError on bad text or read-only
  // properties. References and events cannot be set from text (they need a context).
  void SetText(TPersistent& obj, std::string_view text) const;
  // True when the current value equals the declared default (without one: 0 for floats,
  // empty for strings, lists, references and events; ordinals are never default).
  bool IsDefault(const TPersistent& obj) const;
  // Whether the component streaming writes the property for obj.
  bool ShouldStore(const TPersistent& obj) const;
};

class TClassInfo {
 public:
  using Factory = TPersistent* (*)(TComponent* owner);
  TClassInfo(std::string name, const TClassInfo* parent, Factory factory, bool is_component);
  TClassInfo(const TClassInfo&) = delete;
  TClassInfo& operator=(const TClassInfo&) = delete;

  const std::string& Name() const { return name_; }
  const TClassInfo* Parent() const { return parent_; }
  bool InheritsFrom(const TClassInfo& other) const;
  bool IsComponent() const { return is_component_; }
  bool IsCreatable() const { return factory_ != nullptr; }
  // A new instance (owned by owner when it is a component and owner is set; otherwise by the
  // caller), or nullptr for abstract classes.
  TPersistent* Create(TComponent* owner = nullptr) const;

  // Own declarations first, then the base classes'.
  const TPropInfo* FindProperty(std::string_view name) const;
  // Every property in streaming order: the base classes' first; a redeclared property keeps
  // its base position.
  const std::vector<const TPropInfo*>& Properties() const;

  // Registration only.
  TPropInfo& AddProperty(TPropInfo info);

 private:
  std::string name_;
  const TClassInfo* parent_;
  Factory factory_;
  bool is_component_;
  std::vector<std::unique_ptr<TPropInfo>> own_;
  std::unordered_map<std::string, const TPropInfo*> by_name_;
  mutable std::vector<const TPropInfo*> all_;
  mutable bool all_valid_ = false;
};

// The process-wide list of classes by name.
class TClassRegistry {
 public:
  static TClassRegistry& Instance();
  // The class named name (case-insensitive), or nullptr.
  const TClassInfo* FindClass(std::string_view name) const;
  std::vector<const TClassInfo*> Classes() const;
  // Registration only; a second class with a known name is ignored (the first one stays).
  void Add(const TClassInfo& info);

 private:
  std::unordered_map<std::string, const TClassInfo*> classes_;
  std::vector<const TClassInfo*> order_;
};

namespace fm_detail {

template <class T, class G>
decltype(auto) CallGet(const G& get, const T& obj) {
  return std::invoke(get, obj);
}
template <class T, class S, class V>
void CallSet(const S& set, T& obj, V&& value) {
  if constexpr (std::is_member_object_pointer_v<S>)
    obj.*set = std::forward<V>(value);
  else
    std::invoke(set, obj, std::forward<V>(value));
}
template <class T>
const T& As(const TPersistent& p) {
  return static_cast<const T&>(p);
}
template <class T>
T& As(TPersistent& p) {
  return static_cast<T&>(p);
}
template <class P>
const TClassInfo& ClassOf() {
  return P::StaticClass();
}

}  // namespace fm_detail

// Chains options onto a property being declared.
class TPropBuilder {
 public:
  explicit TPropBuilder(TPropInfo& info) : info_(info) {}
  TPropBuilder& Default(float v);
  TPropBuilder& Default(int64_t v);
  TPropBuilder& Default(int v) { return Default(static_cast<int64_t>(v)); }
  TPropBuilder& Default(bool v) { return Default(static_cast<int64_t>(v)); }
  TPropBuilder& Default(uint32_t v) { return Default(static_cast<int64_t>(v)); }
  TPropBuilder& Default(const char* v);
  // Written whatever the value.
  TPropBuilder& AlwaysStored();
  // Never written (still readable and writable by name).
  TPropBuilder& NotStored();
  template <class T, class F>
  TPropBuilder& StoredIf(F pred) {
    info_.stored = [pred](const TPersistent& o) {
      return static_cast<bool>(std::invoke(pred, fm_detail::As<T>(o)));
    };
    return *this;
  }
  TPropInfo& Info() { return info_; }

 private:
  TPropInfo& info_;
};

// Declares the properties of class T. A nullptr setter makes a read-only property.
template <class T>
class TClassBuilder {
 public:
  explicit TClassBuilder(TClassInfo& info) : info_(info) {}

  template <class G, class S>
  TPropBuilder Float(const std::string& name, G get, S set) {
    TPropInfo p = Make(name, TPropKind::Float);
    p.get_float = [get](const TPersistent& o) {
      return static_cast<float>(fm_detail::CallGet(get, fm_detail::As<T>(o)));
    };
    if constexpr (!std::is_null_pointer_v<S>)
      p.set_float = [set](TPersistent& o, float v) {
        fm_detail::CallSet(set, fm_detail::As<T>(o), v);
      };
    return Add(std::move(p));
  }

  template <class G, class S>
  TPropBuilder Integer(const std::string& name, G get, S set) {
    return Ordinal(name, TPropKind::Integer, nullptr, get, set);
  }
  template <class G, class S>
  TPropBuilder Boolean(const std::string& name, G get, S set) {
    return Ordinal(name, TPropKind::Boolean, nullptr, get, set);
  }
  // get returns, and set takes, the enumeration type (or any integral type).
  template <class G, class S>
  TPropBuilder Enum(const std::string& name, const TEnumInfo& values, G get, S set) {
    return Ordinal(name, TPropKind::Enum, &values, get, set);
  }
  // Bit i of the mask stands for value i of the enumeration.
  template <class G, class S>
  TPropBuilder Set(const std::string& name, const TEnumInfo& values, G get, S set) {
    return Ordinal(name, TPropKind::Set, &values, get, set);
  }
  // Colours are held as uint32 ARGB; the text conversion is the caller's colour text form.
  template <class G, class S>
  TPropBuilder Color(const std::string& name, G get, S set, std::string (*to_text)(uint32_t),
                     uint32_t (*from_text)(const std::string&)) {
    TPropBuilder b = Ordinal(name, TPropKind::Color, nullptr, get, set);
    b.Info().color_to_text = to_text;
    b.Info().text_to_color = from_text;
    return b;
  }

  template <class G, class S>
  TPropBuilder String(const std::string& name, G get, S set) {
    TPropInfo p = Make(name, TPropKind::String);
    p.get_string = [get](const TPersistent& o) {
      return std::string(fm_detail::CallGet(get, fm_detail::As<T>(o)));
    };
    if constexpr (!std::is_null_pointer_v<S>)
      p.set_string = [set](TPersistent& o, const std::string& v) {
        fm_detail::CallSet(set, fm_detail::As<T>(o), v);
      };
    return Add(std::move(p));
  }

  template <class G, class S>
  TPropBuilder Strings(const std::string& name, G get, S set) {
    TPropInfo p = Make(name, TPropKind::Strings);
    p.get_strings = [get](const TPersistent& o) {
      return std::vector<std::string>(fm_detail::CallGet(get, fm_detail::As<T>(o)));
    };
    if constexpr (!std::is_null_pointer_v<S>)
      p.set_strings = [set](TPersistent& o, const std::vector<std::string>& v) {
        fm_detail::CallSet(set, fm_detail::As<T>(o), v);
      };
    return Add(std::move(p));
  }

  // An owned nested persistent of class P; get returns P& or P*.
  template <class P, class G>
  TPropBuilder Object(const std::string& name, G get) {
    TPropInfo p = Make(name, TPropKind::Object);
    p.value_class = &fm_detail::ClassOf<P>;
    p.get_object = [get](const TPersistent& o) -> TPersistent* {
      auto&& v = std::invoke(get, const_cast<T&>(fm_detail::As<T>(o)));
      if constexpr (std::is_pointer_v<std::remove_cvref_t<decltype(v)>>)
        return const_cast<
            std::remove_const_t<std::remove_pointer_t<std::remove_cvref_t<decltype(v)>>>*>(v);
      else
        return const_cast<std::remove_cvref_t<decltype(v)>*>(&v);
    };
    return Add(std::move(p));
  }

  // A reference to a component of class C (or a descendant); get returns C*, set takes C*.
  template <class C, class G, class S>
  TPropBuilder Reference(const std::string& name, G get, S set) {
    TPropInfo p = Make(name, TPropKind::Reference);
    p.value_class = &fm_detail::ClassOf<C>;
    p.get_object = [get](const TPersistent& o) -> TPersistent* {
      return const_cast<C*>(static_cast<const C*>(fm_detail::CallGet(get, fm_detail::As<T>(o))));
    };
    if constexpr (!std::is_null_pointer_v<S>)
      p.set_object = [set](TPersistent& o, TPersistent* v) {
        C* typed = v ? dynamic_cast<C*>(v) : nullptr;
        if (v && !typed) throw EPropertyError("invalid property value");
        fm_detail::CallSet(set, fm_detail::As<T>(o), typed);
      };
    return Add(std::move(p));
  }

  // An event member of type TEvent<Sig>.
  template <class Sig>
  TPropBuilder Event(const std::string& name, TEvent<Sig> T::*member) {
    TPropInfo p = Make(name, TPropKind::Event);
    p.get_string = [member](const TPersistent& o) {
      const auto& e = fm_detail::As<T>(o).*member;
      return e ? e.HandlerName() : std::string();
    };
    p.bind_event = [member, name](TPersistent& o, const std::any& handler,
                                  const std::string& handler_name) {
      const auto* fn = std::any_cast<std::function<Sig>>(&handler);
      if (!fn) throw EPropertyError("handler '" + handler_name + "' does not fit " + name);
      (fm_detail::As<T>(o).*member).Bind(*fn, handler_name);
    };
    p.clear_event = [member](TPersistent& o) { fm_detail::As<T>(o).*member = nullptr; };
    return Add(std::move(p));
  }

 private:
  TPropInfo Make(const std::string& name, TPropKind kind) {
    TPropInfo p;
    p.name = name;
    p.kind = kind;
    return p;
  }
  TPropBuilder Add(TPropInfo p) { return TPropBuilder(info_.AddProperty(std::move(p))); }

  template <class G, class S>
  TPropBuilder Ordinal(const std::string& name, TPropKind kind, const TEnumInfo* values, G get,
                       S set) {
    TPropInfo p = Make(name, kind);
    p.enum_info = values;
    p.get_ord = [get](const TPersistent& o) {
      return static_cast<int64_t>(fm_detail::CallGet(get, fm_detail::As<T>(o)));
    };
    if constexpr (!std::is_null_pointer_v<S>) {
      using V = std::remove_cvref_t<decltype(fm_detail::CallGet(get, std::declval<const T&>()))>;
      p.set_ord = [set](TPersistent& o, int64_t v) {
        fm_detail::CallSet(set, fm_detail::As<T>(o), static_cast<V>(v));
      };
    }
    return Add(std::move(p));
  }

  TClassInfo& info_;
};

namespace fm_detail {

template <class T>
TPersistent* CreateInstance(TComponent* owner) {
  if constexpr (std::is_abstract_v<T>)
    return nullptr;
  else if constexpr (std::is_constructible_v<T, TComponent*>)
    return new T(owner);  // the owner (or the caller) takes it
  else if constexpr (std::is_default_constructible_v<T>)
    return new T();
  else
    return nullptr;
}

template <class T>
constexpr bool kCreatable = !std::is_abstract_v<T> && (std::is_constructible_v<T, TComponent*> ||
                                                       std::is_default_constructible_v<T>);

// Builds, registers and returns the class information of T (called once per class). A class
// is a component class when its base is one (TComponent itself says so explicitly).
template <class T>
TClassInfo& MakeClassInfo(const char* name, const TClassInfo* parent,
                          void (*declare)(TClassBuilder<T>&), bool is_component = false) {
  static TClassInfo info(name, parent, kCreatable<T> ? &CreateInstance<T> : nullptr,
                         is_component || (parent && parent->IsComponent()));
  TClassBuilder<T> builder(info);
  declare(builder);
  TClassRegistry::Instance().Add(info);
  return info;
}

struct Registrar {
  explicit Registrar(const TClassInfo& (*touch)()) { touch(); }
};

}  // namespace fm_detail

// Defines Class::StaticClass() and starts the body that declares the published properties
// with the builder `c`. Put it at namespace scope in the class's .cpp.
#define FM_REGISTER_CLASS(Class)                                               \
  static void FmDeclare_##Class(TClassBuilder<Class>& c);                      \
  const TClassInfo& Class::StaticClass() {                                     \
    static const TClassInfo& info = fm_detail::MakeClassInfo<Class>(           \
        #Class, &Class::inherited::StaticClass(), &FmDeclare_##Class);         \
    return info;                                                               \
  }                                                                            \
  static const fm_detail::Registrar fm_registrar_##Class(&Class::StaticClass); \
  static void FmDeclare_##Class([[maybe_unused]] TClassBuilder<Class>& c)

// ---- Access by name ----

// The published property of obj's class named name (case-insensitive), or nullptr.
const TPropInfo* FindProp(const TPersistent& obj, std::string_view name);
// Raises EPropertyError when the property does not exist.
const TPropInfo& GetProp(const TPersistent& obj, std::string_view name);

// Typed access; raise EPropertyError for a missing property or one of another kind.
float GetFloatProp(const TPersistent& obj, std::string_view name);
void SetFloatProp(TPersistent& obj, std::string_view name, float value);
// Integer, Boolean, Enum (ordinal), Set (mask) and Color properties.
int64_t GetOrdProp(const TPersistent& obj, std::string_view name);
void SetOrdProp(TPersistent& obj, std::string_view name, int64_t value);
std::string GetStrProp(const TPersistent& obj, std::string_view name);
void SetStrProp(TPersistent& obj, std::string_view name, const std::string& value);
// Enum and Boolean properties by value name.
std::string GetEnumProp(const TPersistent& obj, std::string_view name);
void SetEnumProp(TPersistent& obj, std::string_view name, std::string_view value);
// Object and Reference properties.
TPersistent* GetObjectProp(const TPersistent& obj, std::string_view name);
// Any kind but Object and Strings, as text (see TPropInfo::GetText).
std::string GetPropText(const TPersistent& obj, std::string_view name);
void SetPropText(TPersistent& obj, std::string_view name, std::string_view text);

// Copies every writable published property of source into dest (same class or a base of
// it): values, references and nested objects (by their Assign, else property by property);
// events are not copied.
void CopyPublishedProperties(const TPersistent& source, TPersistent& dest);

// The object and property a dotted path such as "Position.Y" or "Material.Diffuse" names,
// starting at root: every segment but the last must be an Object (or assigned Reference)
// property. {nullptr, nullptr} when the path does not resolve.
struct TPropTarget {
  TPersistent* object = nullptr;
  const TPropInfo* prop = nullptr;
  explicit operator bool() const { return prop != nullptr; }
};
TPropTarget ResolvePropPath(TPersistent& root, std::string_view path);
