// TpmControl: a visual object that can be disabled and takes its look from a style (a
// private copy of a style tree, inserted as its first child). TpmTextControl adds a text
// shown through the style's part "text".
#pragma once

#include <string>

#include "imaging/brush.h"
#include "imaging/canvas.h"
#include "imaging/font.h"
#include "ui/vector_object.h"

class TpmControl : public TpmVisualObject {
  FM_CLASS(TpmControl, TpmVisualObject)
 public:
  explicit TpmControl(TComponent* owner = nullptr);
  ~TpmControl() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  // Own Enabled and that of every control above.
  bool IsEnabledAll() const;
  const std::string& Resource() const { return resource_; }
  // Applies the style again (outside loading).
  void SetResource(const std::string& v);

  float AbsoluteOpacity() override;
  bool AcceptsFocus() const override { return CanFocused() && IsEnabledAll(); }

  // Finds the style (Resource, then the names derived from the class and its bases),
  // replaces the style copy and binds the parts; then the children apply theirs.
  void ApplyStyle() override;
  // The style copy, or nullptr when no style was found.
  TpmVisualObject* StyleObject() const { return style_; }
  // The name a class looks for without Resource: "TpmButton" -> "buttonstyle".
  static std::string ClassStyleName(const std::string& class_name);
  // Brings the running animations of the style copy to their end at once (a new copy
  // shows the current state without a transition).
  void FinishStyleAnimations();
  // The first part of the style copy named name, or nullptr.
  TpmObject* FindStylePart(const std::string& name) const;

  void Loaded() override;
  void RemoveObject(TpmObject* child) override;

 protected:
  // The style copy is in place (or gone: style_ is nullptr); look the parts up again.
  virtual void BindStyle() {}
  // Called before the style copy goes away: forget the parts.
  virtual void FreeStyle() {}
  void SceneChanged() override;

 private:
  bool enabled_ = true;
  std::string resource_;
  TpmVisualObject* style_ = nullptr;
  bool style_applied_ = false;
};

class TpmTextControl : public TpmControl {
  FM_CLASS(TpmTextControl, TpmControl)
 public:
  explicit TpmTextControl(TComponent* owner = nullptr);
  const std::string& Text() const { return text_; }
  virtual void SetText(const std::string& v);
  TpmFont& Font() { return font_; }
  TpmBrush& FontFill() { return font_fill_; }
  TpmTextAlign TextAlign() const { return text_align_; }
  void SetTextAlign(TpmTextAlign v);
  TpmTextAlign VertTextAlign() const { return vert_align_; }
  void SetVertTextAlign(TpmTextAlign v);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool v);

 protected:
  void BindStyle() override;
  void FreeStyle() override { text_part_ = nullptr; }
  // Hands text, font, alignment and colour to the text part.
  void UpdateTextPart();

 private:
  std::string text_;
  TpmFont font_;
  TpmBrush font_fill_{pqBrushSolid, 0xFF000000};
  TpmTextAlign text_align_ = pqTextAlignCenter;
  TpmTextAlign vert_align_ = pqTextAlignCenter;
  bool word_wrap_ = false;
  bool font_fill_set_ = false;
  TpmVisualObject* text_part_ = nullptr;
};
