// A scene host without a window for the shape and animation tests.
#pragma once

#include <algorithm>
#include <vector>

#include "scene/visual_object.h"

class TContentTestHost final : public TgkSceneHost {
 public:
  TgkCanvas* canvas = nullptr;
  bool real_time = false;
  int renders = 0;
  std::vector<TgkObject*> roots;

  ~TContentTestHost() {
    // Roots still attached must not call back into a dead host.
    for (TgkObject* r : std::vector<TgkObject*>(roots)) r->SetScene(nullptr);
  }

  void RequestRender() override { ++renders; }
  TgkCanvas* Canvas() const override { return canvas; }
  bool IsRealTime() const override { return real_time; }
  TgkVisualObject* Captured() const override { return captured_; }
  void SetCaptured(TgkVisualObject* object) override { captured_ = object; }
  TgkVisualObject* Focused() const override { return focused_; }
  void SetFocused(TgkVisualObject* object) override { focused_ = object; }
  void AddRoot(TgkObject* object) override {
    if (std::find(roots.begin(), roots.end(), object) == roots.end()) roots.push_back(object);
  }
  void RemoveRoot(TgkObject* object) override { std::erase(roots, object); }
  void ObjectDestroying(TgkObject* object) override {
    RemoveRoot(object);
    if (captured_ == object) captured_ = nullptr;
    if (focused_ == object) focused_ = nullptr;
  }

 private:
  TgkVisualObject* captured_ = nullptr;
  TgkVisualObject* focused_ = nullptr;
};
