// Grouping nodes: TgkDummy (draws nothing, transparent to picking outside design mode),
// TgkScreenDummy (a dummy in the screen projection) and TgkProxyObject (draws another
// object's subtree in its own place).
#pragma once

#include "scene/visual_object.h"

class TgkDummy : public TgkVisualObject {
  FM_CLASS(TgkDummy, TgkVisualObject)
 public:
  explicit TgkDummy(TComponent* owner = nullptr);
  // Hit only in design mode: its box (tolerance 0.501).
  bool RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                        TgkVector& hit) override;
};

class TgkScreenDummy : public TgkDummy {
  FM_CLASS(TgkScreenDummy, TgkDummy)
 public:
  // Screen projection, 100 x 100 pixels.
  explicit TgkScreenDummy(TComponent* owner = nullptr);
};

class TgkProxyObject : public TgkVisualObject {
  FM_CLASS(TgkProxyObject, TgkVisualObject)
 public:
  explicit TgkProxyObject(TComponent* owner = nullptr);
  ~TgkProxyObject() override;

  TgkVisualObject* SourceObject() const { return source_; }
  void SetSourceObject(TgkVisualObject* source);

  void BeforePaint() override;
  void Paint() override;
  void AfterPaint() override;
  void PaintChildren() override;
  bool RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                        TgkVector& hit) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  // Runs step on the source while it carries this object's matrix and size.
  template <class F>
  void AsSource(F step);

  TgkVisualObject* source_ = nullptr;
};
