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

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
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

TgkBitmapStream& TgkBitmapCollection::Add() {
  items_.push_back(std::make_unique<TgkBitmapStream>());
  return *items_.back();
}

TgkBitmapStream* TgkBitmapCollection::Item(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<size_t>(index)].get();
}

void TgkBitmapCollection::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
}

TgkBitmapStream* TgkBitmapCollection::Find(const std::string& name) const {
  for (const auto& item : items_) {
    if (SameText(item->Name(), name)) return item.get();
  }
  return nullptr;
}
