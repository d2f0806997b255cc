// The plain 2D shapes: rectangles, lines, paths, text and images. Styles are built of them.
#pragma once

#include <memory>
#include <string>

#include "imaging/bitmap.h"
#include "imaging/brush.h"
#include "imaging/canvas.h"
#include "imaging/font.h"
#include "imaging/path_data.h"
#include "ui/vector_object.h"

const TEnumInfo& PmTextAlignInfo();

// A shape with a fill and an outline.
class TpmShape : public TpmVisualObject {
  FM_CLASS(TpmShape, TpmVisualObject)
 public:
  explicit TpmShape(TComponent* owner = nullptr);
  TpmBrush& Fill() { return fill_; }
  TpmBrush& Stroke() { return stroke_; }
  float StrokeThickness() const { return thickness_; }
  void SetStrokeThickness(float v);
  TpmStrokeCap StrokeCap() const { return cap_; }
  void SetStrokeCap(TpmStrokeCap v);
  TpmStrokeJoin StrokeJoin() const { return join_; }
  void SetStrokeJoin(TpmStrokeJoin v);
  TpmStrokeDash StrokeDash() const { return dash_; }
  void SetStrokeDash(TpmStrokeDash v);

 protected:
  // Loads the canvas brushes and pen; false when neither fill nor stroke paints anything.
  void PrepareCanvas(TpmCanvas& canvas);
  // The outline's rectangle: inset by half the pen so the outline stays inside the box.
  TpmRect ShapeRect() const;

 private:
  TpmBrush fill_{pqBrushSolid, 0xFFFFFFFF};
  TpmBrush stroke_{pqBrushSolid, 0xFF000000};
  float thickness_ = 1;
  TpmStrokeCap cap_ = pqCapFlat;
  TpmStrokeJoin join_ = pqJoinMiter;
  TpmStrokeDash dash_ = pqDashSolid;
};

class TpmRectangle : public TpmShape {
  FM_CLASS(TpmRectangle, TpmShape)
 public:
  explicit TpmRectangle(TComponent* owner = nullptr);
  float XRadius() const { return x_radius_; }
  void SetXRadius(float v);
  float YRadius() const { return y_radius_; }
  void SetYRadius(float v);
  TpmCorners Corners() const { return corners_; }
  void SetCorners(TpmCorners v);
  TpmCornerType CornerType() const { return corner_type_; }
  void SetCornerType(TpmCornerType v);
  void Paint(TpmCanvas& canvas, const TpmRect& rect) override;

 private:
  float x_radius_ = 0, y_radius_ = 0;
  TpmCorners corners_ = pqAllCorners;
  TpmCornerType corner_type_ = pqCornerRound;
};

class TpmEllipse : public TpmShape {
  FM_CLASS(TpmEllipse, TpmShape)
 public:
  explicit TpmEllipse(TComponent* owner = nullptr) : TpmShape(owner) {}
  void Paint(TpmCanvas& canvas, const TpmRect& rect) override;
};

enum TpmLineType { pqLineNormal, pqLineHorizontal, pqLineVertical };

class TpmLine : public TpmShape {
  FM_CLASS(TpmLine, TpmShape)
 public:
  explicit TpmLine(TComponent* owner = nullptr);
  TpmLineType LineType() const { return line_type_; }
  void SetLineType(TpmLineType v);
  void Paint(TpmCanvas& canvas, const TpmRect& rect) override;

 private:
  TpmLineType line_type_ = pqLineNormal;
};

// A path in text form ("M 0,0 L 10,0 Z"), fitted to the shape's box.
class TpmPath : public TpmShape {
  FM_CLASS(TpmPath, TpmShape)
 public:
  explicit TpmPath(TComponent* owner = nullptr);
  std::string Data() const { return path_.Data(); }
  // Raises EPathError on bad text and keeps the old path.
  void SetData(const std::string& v);
  const TpmPathData& PathData() const { return path_; }
  void Paint(TpmCanvas& canvas, const TpmRect& rect) override;
  bool PointInObject(float x, float y) const override;

 private:
  TpmPathData path_;
};

class TpmText : public TpmShape {
  FM_CLASS(TpmText, TpmShape)
 public:
  explicit TpmText(TComponent* owner = nullptr);
  const std::string& Text() const { return text_; }
  void SetText(const std::string& v);
  TpmFont& Font() { return font_; }
  TpmTextAlign HorzTextAlign() const { return h_align_; }
  void SetHorzTextAlign(TpmTextAlign v);
  TpmTextAlign VertTextAlign() const { return v_align_; }
  void SetVertTextAlign(TpmTextAlign v);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool v);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool v);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v);
  // Whether the text passes through the program's translator when shown (a name read from
  // a file is shown as it is).
  bool Translated() const { return translated_; }
  void SetTranslated(bool v);
  // The text as drawn.
  std::string ShownText() const;
  void Paint(TpmCanvas& canvas, const TpmRect& rect) override;

 private:
  std::string text_;
  bool translated_ = true;
  TpmFont font_;
  TpmTextAlign h_align_ = pqTextAlignCenter, v_align_ = pqTextAlignCenter;
  bool word_wrap_ = true, auto_size_ = false, stretch_ = false;
};

enum TpmImageWrap { pqImageOriginal, pqImageFit, pqImageStretch };

class TpmImage : public TpmVisualObject {
  FM_CLASS(TpmImage, TpmVisualObject)
 public:
  explicit TpmImage(TComponent* owner = nullptr);
  TpmBitmap& Bitmap() { return *bitmap_; }
  // Call after writing into Bitmap()'s pixels directly.
  void BitmapChanged() { Repaint(); }
  TpmImageWrap WrapMode() const { return wrap_; }
  void SetWrapMode(TpmImageWrap v);
  TpmBounds& BitmapMargins() { return bitmap_margins_; }
  bool DisableInterpolation() const { return disable_interpolation_; }
  void SetDisableInterpolation(bool v);
  void Paint(TpmCanvas& canvas, const TpmRect& rect) override;

 private:
  std::unique_ptr<TpmBitmap> bitmap_;
  TpmImageWrap wrap_ = pqImageFit;
  TpmBounds bitmap_margins_;
  bool disable_interpolation_ = false;
};
