// TPersistent: the base of every object whose published properties can be read and written
// by name and that takes part in component streaming.
//
// Every class that wants a class name, published properties or creation by name puts
// FM_CLASS(ThisClass, BaseClass) in its declaration and FM_REGISTER_CLASS(ThisClass) in its
// .cpp (see property_registry.h for the registration body).
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

class TClassInfo;
class TStream;

// Raised for assignments between unrelated persistent classes and property conversions.
class EPropertyError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Custom streamed properties ("defined properties"): an object lists them in
// DefineProperties; the writer asks for their data, the reader hands it back.
class TFiler {
 public:
  virtual ~TFiler() = default;
  // A property stored as text. read gets the stored text; write produces it; has_data says
  // whether the property is written at all.
  virtual void DefineProperty(const std::string& name,
                              const std::function<void(const std::string&)>& read,
                              const std::function<std::string()>& write, bool has_data) = 0;
  // A property stored as bytes (a hexadecimal block in the text form).
  virtual void DefineBinaryProperty(const std::string& name,
                                    const std::function<void(TStream&)>& read,
                                    const std::function<void(TStream&)>& write, bool has_data) = 0;
};

// Declares the class-information members; put it first in the class body.
#define FM_CLASS(Class, Base)                    \
 public:                                         \
  using inherited = Base;                        \
  static const TClassInfo& StaticClass();        \
  const TClassInfo& ClassInfo() const override { \
    return StaticClass();                        \
  }                                              \
                                                 \
 private:

class TPersistent {
 public:
  TPersistent() = default;
  virtual ~TPersistent() = default;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;

  static const TClassInfo& StaticClass();
  virtual const TClassInfo& ClassInfo() const { return StaticClass(); }
  const std::string& ClassName() const;

  // Copies source into this object. The base hands over to source.AssignTo and raises
  // EPropertyError when neither side knows the other.
  virtual void Assign(const TPersistent& source);
  // Lists the custom streamed properties; the base has none.
  virtual void DefineProperties(TFiler& filer) {}

 protected:
  virtual void AssignTo(TPersistent& dest) const;
};
