#include "scene/bitmap_registry.h"

#include <algorithm>
#include <cctype>

namespace {

struct Entry {
  std::string name;
  TgkBitmapOwner* owner;
};

std::vector<Entry>& Entries() {
  static std::vector<Entry> entries;
  return entries;
}

std::vector<Entry>::iterator EntryOf(const TgkBitmapOwner& owner) {
  auto& entries = Entries();
  return std::find_if(entries.begin(), entries.end(),
                      [&](const Entry& e) { return e.owner == &owner; });
}

}  // namespace

TgkBitmapRegistration::TgkBitmapRegistration(TgkBitmapOwner& owner) : owner_(owner) {
  Entries().push_back({"", &owner});
}

TgkBitmapRegistration::~TgkBitmapRegistration() {
  auto it = EntryOf(owner_);
  if (it != Entries().end()) Entries().erase(it);
}

void TgkBitmapRegistration::Rename(const std::string& name) {
  auto it = EntryOf(owner_);
  if (it != Entries().end()) it->name = name;
}

const std::string& TgkBitmapRegistration::Name() const {
  return EntryOf(owner_)->name;
}

TgkBitmap* FindRegisteredBitmap(const std::string& name) {
  if (name.empty()) return nullptr;
  for (const Entry& e : Entries()) {
    if (SameText(e.name, name)) return &e.owner->OwnedBitmap();
  }
  return nullptr;
}

size_t RegisteredBitmapCount() {
  return Entries().size();
}

TgkBitmapStream::TgkBitmapStream() = default;

void TgkBitmapStream::SetName(const std::string& name) {
  name_ = name;
  registration_.Rename(name);
}

TgkBitmapCollection::TgkBitmapCollection() : TCollection(TgkBitmapStream::StaticClass()) {}

TgkBitmapStream& TgkBitmapCollection::AddBitmap() {
  return static_cast<TgkBitmapStream&>(Add());
}

TgkBitmapStream* TgkBitmapCollection::Bitmap(int index) const {
  return static_cast<TgkBitmapStream*>(Items(index));
}

TgkBitmapStream* TgkBitmapCollection::Find(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    if (SameText(Bitmap(i)->Name(), name)) return Bitmap(i);
  }
  return nullptr;
}

TgkBitmapList::TgkBitmapList(TComponent* owner) : TComponent(owner) {}

FM_REGISTER_CLASS(TgkBitmapStream) {
  c.String("Name", &TgkBitmapStream::Name, &TgkBitmapStream::SetName).Default("");
  c.Object<TgkBitmap>("Bitmap",
                      [](const TgkBitmapStream& s) -> const TgkBitmap& { return s.Bitmap(); });
}

FM_REGISTER_CLASS(TgkBitmapCollection) {}

FM_REGISTER_CLASS(TgkBitmapList) {
  c.Object<TgkBitmapCollection>(
      "Bitmaps", [](const TgkBitmapList& l) -> const TgkBitmapCollection& { return l.Bitmaps(); });
}
