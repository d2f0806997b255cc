// TComponent: a persistent object with an owner, a name, a tag and state flags. An owner
// frees the components it owns when it is freed; a component leaves its owner's list when
// it is freed first. TCollection / TCollectionItem: owned lists of persistent items that
// are streamed inside their property as "<item ... end>".
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/property_registry.h"

enum class TOperation { Insert, Remove };

// Component state flags.
enum TComponentStateFlag : uint32_t {
  csLoading = 1u << 0,     // being read by the component streaming
  csDesigning = 1u << 1,   // being edited in a designer
  csDestroying = 1u << 2,  // inside its destructor
  csWriting = 1u << 3,     // being written by the component streaming
};

// Raised for invalid or duplicate component names.
class EComponentError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TComponent : public TPersistent {
  FM_CLASS(TComponent, TPersistent)
 public:
  explicit TComponent(TComponent* owner = nullptr);
  // Sets csDestroying, tells the free-notification list, frees the owned components (last
  // first) and leaves the owner.
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  // A valid identifier or empty, unique (case-insensitive) among the owner's components;
  // raises EComponentError otherwise.
  virtual void SetName(const std::string& name);
  int64_t Tag = 0;

  uint32_t ComponentState() const { return state_; }
  bool IsLoading() const { return state_ & csLoading; }
  bool IsDesigning() const { return state_ & csDesigning; }
  bool IsDestroying() const { return state_ & csDestroying; }
  // Sets or clears csDesigning on this component and the components it owns.
  void SetDesigning(bool designing);
  void SetComponentState(uint32_t flag, bool on);

  // Owned components, in insertion order.
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const;
  TComponent* FindComponent(std::string_view name) const;
  // Moves component into this owner's list (from any previous owner).
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  // Frees every owned component, last first.
  void DestroyComponents();

  // component will call Notification(this, Remove) on this object when it is freed (and
  // vice versa).
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Called after the component streaming has read the whole tree; clears csLoading.
  virtual void Loaded();
  // component was inserted into or is being removed from (freed) this one's concern.
  virtual void Notification(TComponent* component, TOperation operation) {}

  // Stream structure: the parent under which a nested object block places this component,
  // and the children written inside this component's block.
  virtual bool HasParent() const { return false; }
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent* parent) {}
  virtual void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const {}

  // Handlers offered to the events of the stored description read with this component as
  // root (a window offers its own); nullptr when none.
  virtual const TMethodTable* Methods() const { return nullptr; }

 protected:
  // Sets csDestroying and tells the free-notification list, once. Derived destructors that
  // take their object apart (a tree node freeing its children) call it first.
  void Destroying();

 private:
  void ValidateName(const std::string& name) const;

  TComponent* owner_ = nullptr;
  std::string name_;
  uint32_t state_ = 0;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> free_notifies_;
};

class TCollection;

// One item of a TCollection; owned by it.
class TCollectionItem : public TPersistent {
  FM_CLASS(TCollectionItem, TPersistent)
 public:
  TCollectionItem() = default;
  TCollection* Collection() const { return collection_; }
  int Index() const;
  // Display text in editors.
  virtual std::string DisplayName() const { return ClassName(); }
  // Items of the same class copy their published properties.
  void Assign(const TPersistent& source) override;

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
};

// A list of items of one item class, owned by the collection.
class TCollection : public TPersistent {
  FM_CLASS(TCollection, TPersistent)
 public:
  TCollection();
  explicit TCollection(const TClassInfo& item_class);

  const TClassInfo& ItemClass() const { return *item_class_; }
  int Count() const { return static_cast<int>(items_.size()); }
  TCollectionItem* Items(int index) const;
  // A new item of the item class appended to the list.
  TCollectionItem& Add();
  // Appends item (taking it over from any other collection).
  void Insert(std::unique_ptr<TCollectionItem> item);
  void Delete(int index);
  void Clear();
  // Copies the items of another collection of the same item class.
  void Assign(const TPersistent& source) override;

  // Fired after items were added, removed or assigned.
  std::function<void(TCollection&)> OnChange;

 private:
  void Changed();

  const TClassInfo* item_class_;
  std::vector<std::unique_ptr<TCollectionItem>> items_;
};
