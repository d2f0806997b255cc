#include "core/component.h"

#include <algorithm>
#include <iterator>

namespace {

bool IsValidIdent(const std::string& name) {
  if (name.empty()) return false;
  auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (!alpha(name[0])) return false;
  return std::all_of(name.begin() + 1, name.end(),
                     [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

// From the back: components mostly go in the reverse order they came (a list's rows, a
// model's meshes), and then this is constant time instead of a scan of thousands.
void Erase(std::vector<TComponent*>& list, TComponent* c) {
  auto it = std::find(list.rbegin(), list.rend(), c);
  if (it != list.rend()) list.erase(std::next(it).base());
}

}  // namespace

// TComponent is the first component class, so it says so itself.
const TClassInfo& TComponent::StaticClass() {
  static const TClassInfo& info = fm_detail::MakeClassInfo<TComponent>(
      "TComponent", &TPersistent::StaticClass(),
      [](TClassBuilder<TComponent>& c) {
        c.String("Name", &TComponent::Name, &TComponent::SetName).NotStored();
        c.Integer("Tag", &TComponent::Tag, &TComponent::Tag).Default(0);
      },
      true);
  return info;
}

namespace {
const fm_detail::Registrar component_registrar(&TComponent::StaticClass);
}  // namespace

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::Destroying() {
  if (state_ & csDestroying) return;
  state_ |= csDestroying;
  while (!free_notifies_.empty()) {
    TComponent* other = free_notifies_.back();
    free_notifies_.pop_back();
    Erase(other->free_notifies_, this);
    other->Notification(this, TOperation::Remove);
  }
}

void TComponent::ValidateName(const std::string& name) const {
  if (name.empty()) return;
  if (!IsValidIdent(name)) throw EComponentError("'" + name + "' is not a valid component name");
  if (owner_) {
    TComponent* existing = owner_->FindComponent(name);
    if (existing && existing != this)
      throw EComponentError("A component named " + name + " already exists");
  }
}

void TComponent::SetName(const std::string& name) {
  if (name == name_) return;
  ValidateName(name);
  name_ = name;
}

void TComponent::SetDesigning(bool designing) {
  SetComponentState(csDesigning, designing);
  for (TComponent* c : components_) c->SetDesigning(designing);
}

void TComponent::SetComponentState(uint32_t flag, bool on) {
  if (on)
    state_ |= flag;
  else
    state_ &= ~flag;
}

TComponent* TComponent::Components(int index) const {
  return index >= 0 && index < ComponentCount() ? components_[index] : nullptr;
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameText(c->name_, name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component->owner_ == this) return;
  if (!component->name_.empty() && FindComponent(component->name_))
    throw EComponentError("A component named " + component->name_ + " already exists");
  if (component->owner_) component->owner_->RemoveComponent(component);
  components_.push_back(component);
  component->owner_ = this;
  Notification(component, TOperation::Insert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->owner_ != this) return;
  Notification(component, TOperation::Remove);
  Erase(components_, component);
  component->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* c = components_.back();
    components_.pop_back();
    c->owner_ = nullptr;
    delete c;  // owner tree: the owner frees what it owns
  }
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (std::find(free_notifies_.begin(), free_notifies_.end(), component) == free_notifies_.end())
    free_notifies_.push_back(component);
  if (std::find(component->free_notifies_.begin(), component->free_notifies_.end(), this) ==
      component->free_notifies_.end())
    component->free_notifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  Erase(free_notifies_, component);
  Erase(component->free_notifies_, this);
}

void TComponent::Loaded() {
  state_ &= ~csLoading;
}

// ---- Collections ----

FM_REGISTER_CLASS(TCollectionItem) {}

int TCollectionItem::Index() const {
  if (!collection_) return -1;
  for (int i = 0; i < collection_->Count(); ++i)
    if (collection_->Items(i) == this) return i;
  return -1;
}

void TCollectionItem::Assign(const TPersistent& source) {
  if (source.ClassInfo().InheritsFrom(ClassInfo()) || ClassInfo().InheritsFrom(source.ClassInfo()))
    CopyPublishedProperties(source, *this);
  else
    TPersistent::Assign(source);
}

FM_REGISTER_CLASS(TCollection) {}

TCollection::TCollection() : item_class_(&TCollectionItem::StaticClass()) {}

TCollection::TCollection(const TClassInfo& item_class) : item_class_(&item_class) {}

TCollectionItem* TCollection::Items(int index) const {
  return index >= 0 && index < Count() ? items_[index].get() : nullptr;
}

TCollectionItem& TCollection::Add() {
  std::unique_ptr<TPersistent> made(item_class_->Create(nullptr));
  auto* item = dynamic_cast<TCollectionItem*>(made.get());
  if (!item) throw EPropertyError("Cannot create an item of class " + item_class_->Name());
  made.release();
  Insert(std::unique_ptr<TCollectionItem>(item));
  return *item;
}

void TCollection::Insert(std::unique_ptr<TCollectionItem> item) {
  if (!item) return;
  item->collection_ = this;
  items_.push_back(std::move(item));
  Changed();
}

void TCollection::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
  Changed();
}

void TCollection::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

void TCollection::Assign(const TPersistent& source) {
  auto* other = dynamic_cast<const TCollection*>(&source);
  if (!other) return TPersistent::Assign(source);
  if (other == this) return;
  std::vector<std::unique_ptr<TCollectionItem>> copies;
  for (const auto& item : other->items_) {
    std::unique_ptr<TPersistent> made(item->ClassInfo().Create(nullptr));
    auto* copy = dynamic_cast<TCollectionItem*>(made.get());
    if (!copy) throw EPropertyError("Cannot create an item of class " + item->ClassName());
    made.release();
    copies.emplace_back(copy);
    copy->Assign(*item);
  }
  items_ = std::move(copies);
  for (auto& item : items_) item->collection_ = this;
  Changed();
}

void TCollection::Changed() {
  if (OnChange) OnChange(*this);
}
