#include "core/persistent.h"

#include "core/property_registry.h"

const TClassInfo& TPersistent::StaticClass() {
  static const TClassInfo& info = fm_detail::MakeClassInfo<TPersistent>(
      "TPersistent", nullptr, [](TClassBuilder<TPersistent>&) {});
  return info;
}

namespace {
const fm_detail::Registrar persistent_registrar(&TPersistent::StaticClass);
}  // namespace

const std::string& TPersistent::ClassName() const {
  return ClassInfo().Name();
}

void TPersistent::Assign(const TPersistent& source) {
  source.AssignTo(*this);
}

void TPersistent::AssignTo(TPersistent& dest) const {
  throw EPropertyError("Cannot assign a " + ClassName() + " to a " + dest.ClassName());
}
