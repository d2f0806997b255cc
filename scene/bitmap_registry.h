// The process-wide registry of named bitmaps through which materials find their textures:
// an ordered list of (name, owner) entries. Each owner enters itself (with an empty name)
// when made, renames its entry when its name changes and leaves when destroyed. Names need
// not be unique; a lookup takes the first entry whose name matches case-insensitively.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/component.h"
#include "scene/scene_bitmap.h"

// What a registry entry points at: something that owns one bitmap.
class TgkBitmapOwner {
 public:
  virtual ~TgkBitmapOwner() = default;
  virtual TgkBitmap& OwnedBitmap() = 0;
};

// An owner's entry; RAII: registered for exactly as long as it lives.
class TgkBitmapRegistration {
 public:
  explicit TgkBitmapRegistration(TgkBitmapOwner& owner);
  ~TgkBitmapRegistration();
  TgkBitmapRegistration(const TgkBitmapRegistration&) = delete;
  TgkBitmapRegistration& operator=(const TgkBitmapRegistration&) = delete;
  void Rename(const std::string& name);
  const std::string& Name() const;

 private:
  TgkBitmapOwner& owner_;
};

// The bitmap of the first entry named name (any letter case), or nullptr; "" finds nothing.
TgkBitmap* FindRegisteredBitmap(const std::string& name);
size_t RegisteredBitmapCount();

// An item of a bitmap list: a named bitmap.
class TgkBitmapStream final : public TCollectionItem, public TgkBitmapOwner {
  FM_CLASS(TgkBitmapStream, TCollectionItem)

 public:
  TgkBitmapStream();
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);
  TgkBitmap& Bitmap() { return bitmap_; }
  const TgkBitmap& Bitmap() const { return bitmap_; }
  // Copies the pixels into the owned bitmap.
  void SetBitmap(const TgkBitmap& bitmap) { bitmap_.Assign(bitmap); }
  TgkBitmap& OwnedBitmap() override { return bitmap_; }
  std::string DisplayName() const override { return "(Bitmap)"; }

 private:
  std::string name_;
  TgkBitmap bitmap_;
  TgkBitmapRegistration registration_{*this};
};

// The ordered items of a bitmap list.
class TgkBitmapCollection final : public TCollection {
  FM_CLASS(TgkBitmapCollection, TCollection)

 public:
  TgkBitmapCollection();
  TgkBitmapStream& AddBitmap();
  // nullptr when index is out of range.
  TgkBitmapStream* Bitmap(int index) const;
  // The first item named name (any letter case), or nullptr.
  TgkBitmapStream* Find(const std::string& name) const;
};

// A component holding named bitmaps (the window keeps the imported textures in one).
class TgkBitmapList : public TComponent {
  FM_CLASS(TgkBitmapList, TComponent)

 public:
  explicit TgkBitmapList(TComponent* owner = nullptr);
  TgkBitmapCollection& Bitmaps() { return bitmaps_; }
  const TgkBitmapCollection& Bitmaps() const { return bitmaps_; }
  void SetBitmaps(const TgkBitmapCollection& bitmaps) { bitmaps_.Assign(bitmaps); }

 private:
  TgkBitmapCollection bitmaps_;
};
