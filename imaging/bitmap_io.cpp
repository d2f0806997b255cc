// TpmBitmap's file and stored-form operations, handed to the filter of DefaultFilterClass().
#include <algorithm>

#include "core/property_registry.h"
#include "core/stream.h"
#include "imaging/bitmap.h"
#include "imaging/filter.h"

FM_REGISTER_CLASS(TpmBitmap) {}

void TpmBitmap::Assign(const TPersistent& source) {
  if (auto* bitmap = dynamic_cast<const TpmBitmap*>(&source)) {
    Assign(*bitmap);
    return;
  }
  inherited::Assign(source);
}

void TpmBitmap::DefineProperties(TFiler& filer) {
  filer.DefineBinaryProperty(
      "PNG", [this](TStream& s) { LoadFromStream(s); }, [this](TStream& s) { SaveToStream(s); },
      Width() > 0 && Height() > 0);
}

bool TpmBitmap::LoadFromFile(const std::string& file_name, float rotate) {
  if (!DefaultFilterClass().Create()->LoadFromFile(file_name, *this, rotate)) return false;
  NotifyChange();
  return true;
}

bool TpmBitmap::SaveToFile(const std::string& file_name, const std::string& params) const {
  return DefaultFilterClass().Create()->SaveToFile(file_name, *this, params);
}

bool TpmBitmap::SaveToStream(TStream& stream) const {
  const uint32_t* begin = Pixels();
  const uint32_t* end = begin + ByteSize() / 4;
  bool translucent =
      std::any_of(begin, end, [](uint32_t p) { return (p & 0xFF000000u) != 0xFF000000u; });
  auto filter = DefaultFilterClass().Create();
  return translucent ? filter->SavePng(stream, *this) : filter->SaveJpeg(stream, *this);
}

bool TpmBitmap::LoadFromStream(TStream& stream) {
  const int64_t start = stream.Position();
  uint8_t first = 0;
  size_t got = stream.Read(&first, 1);
  stream.Seek(start);
  if (got != 1 || (first != 0x89 && first != 0xFF)) return false;
  auto filter = DefaultFilterClass().Create();
  bool loaded = first == 0x89 ? filter->LoadPng(stream, *this) : filter->LoadJpeg(stream, *this);
  if (loaded) NotifyChange();
  return loaded;
}
