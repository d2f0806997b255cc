#include "ui/control.h"

#include <memory>

#include "core/component_stream.h"
#include "ui/animation.h"
#include "ui/resources.h"
#include "ui/shapes.h"
#include "ui/style_copy.h"

namespace {

void LockTree(TpmVisualObject& v) {
  v.SetLocked(true);
  for (TpmObject* c : v.Children()) {
    if (c->IsVisual()) LockTree(*static_cast<TpmVisualObject*>(c));
  }
}

void MarkGenerated(TpmObject& o) {
  o.Stored = false;
  for (TpmObject* c : o.Children()) MarkGenerated(*c);
}

// A disabled control dims its subtree once, where the disabled chain starts.
constexpr float kDisabledOpacity = 0.6f;

}  // namespace

FM_REGISTER_CLASS(TpmControl) {
  c.Boolean("Enabled", &TpmControl::Enabled, &TpmControl::SetEnabled).Default(true);
  c.String("Resource", &TpmControl::Resource, &TpmControl::SetResource);
  c.Boolean("IsEnabled", &TpmControl::IsEnabledAll, nullptr).NotStored();
}

TpmControl::TpmControl(TComponent* owner) : TpmVisualObject(owner) {}

TpmControl::~TpmControl() {
  FreeChildren();
}

void TpmControl::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  RecalcOpacity();
  Repaint();
  StartTriggerAnimation(this, "IsEnabled");
}

bool TpmControl::IsEnabledAll() const {
  for (const TpmObject* o = this; o; o = o->Parent()) {
    if (auto* c = dynamic_cast<const TpmControl*>(o); c && !c->enabled_) return false;
  }
  return true;
}

float TpmControl::AbsoluteOpacity() {
  const float base = TpmVisualObject::AbsoluteOpacity();
  if (enabled_) return base;
  for (const TpmObject* o = Parent(); o; o = o->Parent()) {
    if (auto* c = dynamic_cast<const TpmControl*>(o); c && !c->enabled_) return base;
  }
  return base * kDisabledOpacity;
}

void TpmControl::SetResource(const std::string& v) {
  if (v == resource_) return;
  resource_ = v;
  if (!IsLoading() && Scene()) {
    ApplyStyle();
  }
}

std::string TpmControl::ClassStyleName(const std::string& class_name) {
  std::string n = class_name;
  if (n.size() > 3 && (n.compare(0, 3, "Tpm") == 0 || n.compare(0, 3, "Tgk") == 0)) n = n.substr(3);
  return LowerCase(n) + "style";
}

TpmObject* TpmControl::FindStylePart(const std::string& name) const {
  if (!style_) return nullptr;
  if (SameText(style_->ResourceName(), name)) return style_;
  return style_->FindResource(name);
}

namespace {

void FinishAnimations(TpmObject& o) {
  if (auto* a = dynamic_cast<TpmAnimation*>(&o)) a->Stop();
  for (TpmObject* c : o.Children()) FinishAnimations(*c);
}

}  // namespace

void TpmControl::FinishStyleAnimations() {
  if (style_) FinishAnimations(*style_);
}

void TpmControl::ApplyStyle() {
  style_applied_ = true;
  const TpmResources* preferred = Scene() ? Scene()->GetStyle() : nullptr;
  TpmObject* tree = resource_.empty() ? nullptr : FindStyleResource(preferred, resource_);
  for (const TClassInfo* c = &ClassInfo(); !tree && c && c != &TpmVisualObject::StaticClass();
       c = c->Parent()) {
    tree = FindStyleResource(preferred, ClassStyleName(c->Name()), false);
  }
  if (style_) {
    FreeStyle();
    std::unique_ptr<TpmVisualObject> old(style_);
    style_ = nullptr;
  }
  if (tree) {
    std::unique_ptr<TComponent> copy(CopyStyleTree(*tree));
    if (auto* v = dynamic_cast<TpmVisualObject*>(copy.get())) {
      copy.release();
      MarkGenerated(*v);
      LockTree(*v);
      v->SetHitTest(false);
      v->SetVisible(true);
      v->SetAlign(pqAlignContents);
      style_ = v;
      InsertObject(0, v);
    }
  }
  BindStyle();
  Realign();
  Repaint();
  TpmVisualObject::ApplyStyle();
}

void TpmControl::RemoveObject(TpmObject* child) {
  if (child && child == style_) {
    FreeStyle();
    style_ = nullptr;
  }
  TpmVisualObject::RemoveObject(child);
}

void TpmControl::SceneChanged() {
  if (Scene() && !style_applied_) ApplyStyle();
}

void TpmControl::Loaded() {
  TpmVisualObject::Loaded();
  if (Scene()) ApplyStyle();
}

// ---- TpmTextControl ----

FM_REGISTER_CLASS(TpmTextControl) {
  c.String("Text", &TpmTextControl::Text, &TpmTextControl::SetText);
  c.Object<TpmFont>("Font", [](TpmTextControl& t) -> TpmFont& { return t.Font(); });
  c.Object<TpmBrush>("FontFill", [](TpmTextControl& t) -> TpmBrush& { return t.FontFill(); });
  c.Enum("TextAlign", PmTextAlignInfo(), &TpmTextControl::TextAlign, &TpmTextControl::SetTextAlign)
      .AlwaysStored();
  c.Enum("VertTextAlign", PmTextAlignInfo(), &TpmTextControl::VertTextAlign,
         &TpmTextControl::SetVertTextAlign)
      .Default(int{pqTextAlignCenter});
}

TpmTextControl::TpmTextControl(TComponent* owner) : TpmControl(owner) {
  font_.OnChange = [this](TpmFont&) { UpdateTextPart(); };
  font_fill_.OnChange = [this](TpmBrush&) {
    font_fill_set_ = true;
    UpdateTextPart();
  };
}

void TpmTextControl::SetText(const std::string& v) {
  if (v == text_) return;
  text_ = v;
  UpdateTextPart();
}

void TpmTextControl::SetTextAlign(TpmTextAlign v) {
  if (v == text_align_) return;
  text_align_ = v;
  UpdateTextPart();
}

void TpmTextControl::SetVertTextAlign(TpmTextAlign v) {
  if (v == vert_align_) return;
  vert_align_ = v;
  UpdateTextPart();
}

void TpmTextControl::SetWordWrap(bool v) {
  if (v == word_wrap_) return;
  word_wrap_ = v;
  UpdateTextPart();
}

void TpmTextControl::BindStyle() {
  text_part_ = dynamic_cast<TpmText*>(FindStylePart("text"));
  if (!text_part_) text_part_ = dynamic_cast<TpmText*>(StyleObject());
  // The text keeps the style's colour unless the foreground part or the program says
  // otherwise; FontFill reports the colour in use.
  auto* fg = dynamic_cast<TpmShape*>(FindStylePart("foreground"));
  if (fg)
    font_fill_.Color = fg->Fill().Color;
  else if (!font_fill_set_ && text_part_)
    font_fill_.Color = static_cast<TpmText*>(text_part_)->Fill().Color;
  UpdateTextPart();
}

void TpmTextControl::UpdateTextPart() {
  auto* t = static_cast<TpmText*>(text_part_);
  if (!t) return;
  t->SetText(text_);
  t->Font() = font_;
  t->SetHorzTextAlign(text_align_);
  t->SetVertTextAlign(vert_align_);
  t->SetWordWrap(word_wrap_);
  if (t->Fill().Color != font_fill_.Color) {
    t->Fill().Color = font_fill_.Color;
    t->Fill().Changed();
  }
}
