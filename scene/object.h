// TgkObject: the node of the 3D scene tree. A node has a parent, an ordered list of children
// that it owns (list order is draw order and reverse hit-test order), and a link to the
// scene host that shows it. Every object works without a host.
#pragma once

#include <string>
#include <vector>

#include "core/component.h"
#include "core/property_registry.h"
#include "scene/math.h"

class TgkCanvas;
class TgkObject;
class TgkVisualObject;

// The scene host as the objects see it. The scene control implements it; objects keep
// working (without repaint, capture or focus) when they have none.
class TgkSceneHost {
 public:
  // Asks for a frame; the host coalesces many requests into one.
  virtual void RequestRender() = 0;
  // The canvas the objects draw into and pick with, or nullptr.
  virtual TgkCanvas* Canvas() const = 0;
  // Design mode of the host (the running program never uses it).
  virtual bool IsDesigning() const { return false; }
  // Real-time mode: the host ticks and renders continuously; repaint requests are ignored.
  virtual bool IsRealTime() const { return false; }
  // True while a model is being replaced (repaint requests are ignored).
  virtual bool IsUpdating() const { return false; }
  // No canvas is made at run time.
  virtual bool IsInvisibleAtRuntime() const { return false; }
  // True while the host draws the 3D scene without the screen-projection objects, which it
  // draws afterwards in front of everything (see TgkScene::Render).
  virtual bool DefersScreenObjects() const { return false; }

  // The head of the mouse-capture chain, or nullptr.
  virtual TgkVisualObject* Captured() const = 0;
  virtual void SetCaptured(TgkVisualObject* object) = 0;
  // Capture or release the platform mouse for the host window.
  virtual void SetMouseCapture(bool capture) {}
  // The object with the keyboard focus; SetFocused calls Exit on the old one and Enter on
  // the new one.
  virtual TgkVisualObject* Focused() const = 0;
  virtual void SetFocused(TgkVisualObject* object) = 0;
  // The last mouse position in window pixels (X, Y, 0).
  virtual TgkPoint MousePosition() const { return {}; }

  // The root list: an object whose parent is the scene itself. AddRoot ignores an object
  // already in the list. A host that goes away first calls SetScene(nullptr) on its roots,
  // so that no object calls back into it.
  virtual void AddRoot(TgkObject* object) = 0;
  virtual void RemoveRoot(TgkObject* object) = 0;
  // An object of the scene is being freed: forget every reference to it (captured,
  // hovered, focused, camera).
  virtual void ObjectDestroying(TgkObject* object) = 0;
  // Starts a platform drag operation carrying object (drag mode automatic).
  virtual void BeginDrag(TgkVisualObject* object) {}

 protected:
  ~TgkSceneHost() = default;
};

// What the tree operations need from an animation child; the animation classes implement it.
class TgkAnimationControl {
 public:
  virtual void Start() = 0;
  virtual void Stop() = 0;
  virtual void StartTrigger(TgkObject* instance, const std::string& trigger) = 0;
  // True when the animation has a start condition (Trigger is not empty).
  virtual bool IsTriggered() const = 0;

 protected:
  ~TgkAnimationControl() = default;
};

using TgkProcessTickEvent = TEvent<void(TPersistent* sender, float time, float delta_time)>;

class TgkObject : public TComponent {
  FM_CLASS(TgkObject, TComponent)
 public:
  explicit TgkObject(TComponent* owner = nullptr);
  // Detaches from the parent (or the host's root list), then frees the children first to
  // last.
  ~TgkObject() override;

  // ---- Virtual operations, in slot order ----
  // Moves the object under value (nullptr: no parent).
  virtual void SetParent(TgkObject* value);
  // Per-frame step: the children from last to first, then OnTick.
  virtual void Tick(float time, float delta_time);
  // Appends child (moving it from any previous parent).
  virtual void AddObject(TgkObject* child);
  // Removes child from the list without freeing it.
  virtual void RemoveObject(TgkObject* child);
  // Frees all children.
  virtual void DeleteChildren();
  // Starts / stops the child animations whose name is name.
  virtual void StartAnimation(const std::string& name);
  virtual void StopAnimation(const std::string& name);
  // Stops the triggered animations, then offers trigger to every child animation and to
  // the locked visual children that are not hit-testable.
  virtual void StartTriggerAnimation(TgkObject* instance, const std::string& trigger);
  virtual void StopTriggerAnimation(TgkObject* instance);

  // ---- Tree ----
  TgkObject* Parent() const { return parent_; }
  int ChildrenCount() const { return static_cast<int>(children_.size()); }
  // nullptr when index is out of range.
  TgkObject* GetChild(int index) const;
  const std::vector<TgkObject*>& Children() const { return children_; }
  virtual bool IsVisualObject() const { return false; }
  // Moves the object to the end (drawn last, hit first) / the front of its parent's list.
  void BringToFront();
  void SendToBack();
  // Depth-first, pre-order search of the descendants for a case-insensitive ResourceName.
  TgkObject* FindResource(const std::string& name) const;

  // The host that shows the tree (copied down the tree whenever it changes).
  TgkSceneHost* Scene() const { return scene_; }
  // Sets the host of this object and all descendants.
  void SetScene(TgkSceneHost* scene);
  // Makes this object a root of host (detaching it from any parent).
  void SetRootOf(TgkSceneHost* host);

  // Written with its parent by the component streaming (style copies clear it).
  bool Stored = true;
  const std::string& ResourceName() const { return resource_name_; }
  void SetResourceName(const std::string& name) { resource_name_ = name; }
  // Free text; the model builders put the mesh name here.
  std::string DisplayName;
  // Free for the application (the main window links each mesh with its list row).
  TPersistent* LinkedObject = nullptr;
  TgkProcessTickEvent OnTick;

  // Design mode of this object or of its host.
  bool InDesignMode() const;

  // Animates the float property at path (e.g. "Position.Y") to stop_value over duration
  // seconds; AnimateFloatWait returns only when it has ended (processing events meanwhile).
  void AnimateFloat(const std::string& path, float stop_value, float duration);
  void AnimateFloatWait(const std::string& path, float stop_value, float duration);

  // ---- Streaming structure ----
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override { return parent_; }
  void SetParentComponent(TComponent* parent) override;
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override;

 private:
  friend class TgkVisualObject;
  void DetachFromParent();

  TgkObject* parent_ = nullptr;
  TgkSceneHost* scene_ = nullptr;
  std::vector<TgkObject*> children_;
  std::string resource_name_;
};

// Registers the classes of the scene objects with the class registry (safe to call often);
// call it before reading stored scenes by class name.
void RegisterSceneObjectClasses();
