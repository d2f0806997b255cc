#include "scene/object.h"

#include <algorithm>

#include "scene/visual_object.h"

FM_REGISTER_CLASS(TgkObject) {
  c.Reference<TgkObject>("Parent", &TgkObject::Parent, &TgkObject::SetParent).NotStored();
  c.String("ResourceName", &TgkObject::ResourceName, &TgkObject::SetResourceName);
  c.Event("OnTick", &TgkObject::OnTick);
}

TgkObject::TgkObject(TComponent* owner) : TComponent(owner) {}

TgkObject::~TgkObject() {
  Destroying();
  if (scene_) scene_->ObjectDestroying(this);
  DetachFromParent();
  // Children first to last; each is detached before it goes so it does not call back.
  std::vector<TgkObject*> children = std::move(children_);
  children_.clear();
  for (TgkObject* child : children) {
    child->parent_ = nullptr;
    delete child;  // a parent owns its children
  }
}

void TgkObject::DetachFromParent() {
  if (parent_) {
    TgkObject* parent = parent_;
    if (parent->IsDestroying()) {
      std::erase(parent->children_, this);
      parent_ = nullptr;
    } else {
      parent->RemoveObject(this);
    }
  } else if (scene_) {
    scene_->RemoveRoot(this);
  }
}

void TgkObject::SetParent(TgkObject* value) {
  if (value == parent_) return;
  for (TgkObject* p = value; p; p = p->parent_)
    if (p == this) throw EComponentError("An object cannot be placed under its own descendant");
  DetachFromParent();
  parent_ = nullptr;
  if (value)
    value->AddObject(this);
  else
    SetScene(nullptr);  // neither a child nor a root: no host shows it
}

void TgkObject::Tick(float time, float delta_time) {
  // Last to first; a child may free itself (a finished animation) while we walk.
  for (int i = ChildrenCount() - 1; i >= 0; --i) {
    if (i >= ChildrenCount()) continue;
    children_[i]->Tick(time, delta_time);
  }
  if (OnTick) OnTick(this, time, delta_time);
}

void TgkObject::AddObject(TgkObject* child) {
  if (!child || child == this) return;
  for (TgkObject* p = this; p; p = p->parent_)
    if (p == child) throw EComponentError("An object cannot be placed under its own descendant");
  if (child->parent_ == this) return;
  if (child->parent_ || child->scene_) child->DetachFromParent();
  children_.push_back(child);
  child->parent_ = this;
  child->SetScene(scene_);
}

void TgkObject::RemoveObject(TgkObject* child) {
  if (!child) return;
  auto it = std::find(children_.begin(), children_.end(), child);
  if (it == children_.end()) return;
  children_.erase(it);
  if (child->parent_ == this) child->parent_ = nullptr;
}

void TgkObject::DeleteChildren() {
  if (children_.empty()) return;
  std::vector<TgkObject*> children = std::move(children_);
  children_.clear();
  for (TgkObject* child : children) {
    child->parent_ = nullptr;
    delete child;
  }
  if (auto* visual = dynamic_cast<TgkVisualObject*>(this)) {
    visual->placed_children_ = 0;
    visual->Realign();
    visual->Repaint();
  }
}

void TgkObject::StartAnimation(const std::string& name) {
  for (int i = 0; i < ChildrenCount(); ++i)
    if (auto* a = dynamic_cast<TgkAnimationControl*>(children_[i]))
      if (SameText(children_[i]->Name(), name)) a->Start();
}

void TgkObject::StopAnimation(const std::string& name) {
  for (int i = 0; i < ChildrenCount(); ++i)
    if (auto* a = dynamic_cast<TgkAnimationControl*>(children_[i]))
      if (SameText(children_[i]->Name(), name)) a->Stop();
}

namespace {
// Locked visual children that are not hit-testable belong to their parent's look (style
// parts) and take its triggers.
bool TakesParentTriggers(TgkObject* child) {
  auto* v = dynamic_cast<TgkVisualObject*>(child);
  return v && v->Locked() && !v->HitTest();
}
}  // namespace

void TgkObject::StartTriggerAnimation(TgkObject* instance, const std::string& trigger) {
  StopTriggerAnimation(instance);
  for (int i = 0; i < ChildrenCount(); ++i) {
    TgkObject* child = children_[i];
    if (auto* a = dynamic_cast<TgkAnimationControl*>(child))
      a->StartTrigger(instance, trigger);
    else if (TakesParentTriggers(child))
      child->StartTriggerAnimation(instance, trigger);
  }
}

void TgkObject::StopTriggerAnimation(TgkObject* instance) {
  for (int i = 0; i < ChildrenCount(); ++i) {
    TgkObject* child = children_[i];
    if (auto* a = dynamic_cast<TgkAnimationControl*>(child)) {
      if (a->IsTriggered()) a->Stop();
    } else if (TakesParentTriggers(child)) {
      child->StopTriggerAnimation(instance);
    }
  }
}

TgkObject* TgkObject::GetChild(int index) const {
  return index >= 0 && index < ChildrenCount() ? children_[index] : nullptr;
}

void TgkObject::BringToFront() {
  if (!parent_) return;
  auto& list = parent_->children_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  std::rotate(it, it + 1, list.end());
  if (auto* v = dynamic_cast<TgkVisualObject*>(this)) v->Repaint();
}

void TgkObject::SendToBack() {
  if (!parent_) return;
  auto& list = parent_->children_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  std::rotate(list.begin(), it, it + 1);
  if (auto* v = dynamic_cast<TgkVisualObject*>(this)) v->Repaint();
}

TgkObject* TgkObject::FindResource(const std::string& name) const {
  for (TgkObject* child : children_) {
    if (SameText(child->resource_name_, name)) return child;
    if (TgkObject* found = child->FindResource(name)) return found;
  }
  return nullptr;
}

void TgkObject::SetScene(TgkSceneHost* scene) {
  scene_ = scene;
  for (TgkObject* child : children_) child->SetScene(scene);
}

void TgkObject::SetRootOf(TgkSceneHost* host) {
  if (parent_) {
    parent_->RemoveObject(this);
    parent_ = nullptr;
  } else if (scene_ && scene_ != host) {
    scene_->RemoveRoot(this);
  }
  SetScene(host);
  if (host) host->AddRoot(this);
}

bool TgkObject::InDesignMode() const {
  return IsDesigning() || (scene_ && scene_->IsDesigning());
}

void TgkObject::SetParentComponent(TComponent* parent) {
  if (auto* object = dynamic_cast<TgkObject*>(parent))
    SetParent(object);
  else if (auto* host = dynamic_cast<TgkSceneHost*>(parent))
    SetRootOf(host);
  else
    SetParent(nullptr);
}

void TgkObject::GetChildren(const std::function<void(TComponent*)>& proc, TComponent*) const {
  for (TgkObject* child : children_)
    if (child->Stored) proc(child);
}
