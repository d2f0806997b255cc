#include "scene/dummy.h"

#include "scene/shape.h"

// ---------------------------------------------------------------- TgkDummy

FM_REGISTER_CLASS(TgkDummy) {}

TgkDummy::TgkDummy(TComponent* owner) : TgkVisualObject(owner) {}

bool TgkDummy::RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                                TgkVector& hit) {
  // Outside design mode a grouping node is transparent to picking.
  return InDesignMode() && RayCastShapeBox(*this, ray_pos, ray_dir, hit);
}

// ---------------------------------------------------------------- TgkScreenDummy

FM_REGISTER_CLASS(TgkScreenDummy) {
  c.Float("Width", &TgkScreenDummy::Width, &TgkScreenDummy::SetWidth).Default(100.0f);
  c.Float("Height", &TgkScreenDummy::Height, &TgkScreenDummy::SetHeight).Default(100.0f);
}

TgkScreenDummy::TgkScreenDummy(TComponent* owner) : TgkDummy(owner) {
  SetProjection(true);
  SetWidth(100);
  SetHeight(100);
}

// ---------------------------------------------------------------- TgkProxyObject

FM_REGISTER_CLASS(TgkProxyObject) {
  c.Reference<TgkVisualObject>("SourceObject", &TgkProxyObject::SourceObject,
                               &TgkProxyObject::SetSourceObject);
}

TgkProxyObject::TgkProxyObject(TComponent* owner) : TgkVisualObject(owner) {}

TgkProxyObject::~TgkProxyObject() {
  SetSourceObject(nullptr);
}

void TgkProxyObject::SetSourceObject(TgkVisualObject* source) {
  // Drawing itself or an ancestor would never end.
  for (TgkObject* p = this; p && source; p = p->Parent())
    if (p == source) source = nullptr;
  if (source == source_) return;
  if (source_) RemoveFreeNotification(source_);
  source_ = source;
  if (source_) FreeNotification(source_);
  Repaint();
}

void TgkProxyObject::Notification(TComponent* component, TOperation operation) {
  TgkVisualObject::Notification(component, operation);
  if (operation == TOperation::Remove && component == source_) source_ = nullptr;
}

template <class F>
void TgkProxyObject::AsSource(F step) {
  if (!source_) return;
  TgkVisualObject& s = *source_;
  const TgkMatrix saved_matrix = s.GetAbsoluteMatrix();
  const float w = s.width_, h = s.height_, d = s.depth_;
  s.absolute_matrix_ = GetAbsoluteMatrix();
  s.absolute_dirty_ = false;
  s.width_ = width_, s.height_ = height_, s.depth_ = depth_;
  for (TgkObject* child : s.Children())  // the subtree follows the borrowed matrix
    if (child->IsVisualObject()) static_cast<TgkVisualObject*>(child)->RecalcAbsolute();
  step(s);
  s.width_ = w, s.height_ = h, s.depth_ = d;
  s.absolute_matrix_ = saved_matrix;
  s.RecalcAbsolute();
}

void TgkProxyObject::BeforePaint() {
  AsSource([](TgkVisualObject& s) { s.BeforePaint(); });
}
void TgkProxyObject::Paint() {
  AsSource([](TgkVisualObject& s) { s.Paint(); });
}
void TgkProxyObject::AfterPaint() {
  AsSource([](TgkVisualObject& s) { s.AfterPaint(); });
}
void TgkProxyObject::PaintChildren() {
  AsSource([](TgkVisualObject& s) { s.PaintChildren(); });
}

bool TgkProxyObject::RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                                      TgkVector& hit) {
  return InDesignMode() && RayCastShapeBox(*this, ray_pos, ray_dir, hit);
}
