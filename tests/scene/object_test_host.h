// A window-less scene host that records what the objects ask of it.
#pragma once

#include <algorithm>
#include <vector>

#include "scene/visual_object.h"

class TObjectTestHost : public TgkSceneHost {
 public:
  TgkCanvas* canvas = nullptr;
  bool designing = false;
  bool real_time = false;
  int renders = 0;
  bool mouse_captured = false;
  TgkPoint mouse{};
  std::vector<TgkObject*> roots;
  std::vector<TgkObject*> destroyed;
  TgkVisualObject* dragged = nullptr;

  ~TObjectTestHost() {
    for (TgkObject* r : std::vector<TgkObject*>(roots)) r->SetScene(nullptr);
  }

  void RequestRender() override { ++renders; }
  TgkCanvas* Canvas() const override { return canvas; }
  bool IsDesigning() const override { return designing; }
  bool IsRealTime() const override { return real_time; }
  TgkVisualObject* Captured() const override { return captured_; }
  void SetCaptured(TgkVisualObject* object) override { captured_ = object; }
  void SetMouseCapture(bool capture) override { mouse_captured = capture; }
  TgkVisualObject* Focused() const override { return focused_; }
  void SetFocused(TgkVisualObject* object) override {
    if (object == focused_) return;
    if (focused_) focused_->Exit();
    focused_ = object;
    if (focused_) focused_->Enter();
  }
  TgkPoint MousePosition() const override { return mouse; }
  void AddRoot(TgkObject* object) override {
    if (std::find(roots.begin(), roots.end(), object) == roots.end()) roots.push_back(object);
  }
  void RemoveRoot(TgkObject* object) override { std::erase(roots, object); }
  void ObjectDestroying(TgkObject* object) override {
    destroyed.push_back(object);
    RemoveRoot(object);
    if (captured_ == object) captured_ = nullptr;
    if (focused_ == object) focused_ = nullptr;
  }
  void BeginDrag(TgkVisualObject* object) override { dragged = object; }

 private:
  TgkVisualObject* captured_ = nullptr;
  TgkVisualObject* focused_ = nullptr;
};
