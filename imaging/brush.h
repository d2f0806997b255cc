// TpmBrush: how an area, an outline or a text is painted (nothing, a solid colour, a
// gradient, a bitmap, a named brush of the interface styles or a visual object).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/persistent.h"
#include "imaging/geometry.h"

class TpmBitmap;
class TpmCanvas;

enum TpmBrushStyle {
  pqBrushNone,
  pqBrushSolid,
  pqBrushGradient,
  pqBrushBitmap,
  pqBrushResource,
  pqBrushVisual
};
enum TpmGradientStyle { pqLinearGradient, pqRadialGradient };
// The ordinal of Tile and TileOriginal picks the tiling mode (repeat, mirrored repeat).
enum TpmWrapMode { pqWrapTile, pqWrapTileOriginal, pqWrapTileStretch };

struct TpmGradientPoint {
  uint32_t Color = 0;  // straight ARGB
  float Offset = 0;    // 0..1
};

struct TpmGradient {
  std::vector<TpmGradientPoint> Points;
  TpmGradientStyle Style = pqLinearGradient;
  // Linear: the gradient runs between these points, given as fractions of the filled rect.
  TpmPoint StartPosition{0, 0};
  TpmPoint StopPosition{0, 1};
  // Radial: offset 0 is the centre of the ellipse inscribed in the rect, 1 its rim; the
  // transform is applied to the ellipse in the rect's coordinates.
  TpmMatrix RadialTransform;
};

// Paints a visual object into an area; the interface library implements it for its
// objects so that a brush can show one.
class TpmBrushVisual {
 public:
  virtual ~TpmBrushVisual() = default;
  // The canvas is already clipped to the area.
  virtual void PaintVisual(TpmCanvas& canvas, const TpmRect& area, float opacity) = 0;
};

// Published: Style, Color, Resource, WrapMode, Bitmap (stored for bitmap brushes) and the
// defined property Gradient (stored for gradient brushes) in the text form
// "linear|radial startX startY stopX stopY #AARRGGBB offset ...". Writes through the
// published properties fire OnChange; code that sets the fields directly calls Changed().
class TpmBrush : public TPersistent {
  FM_CLASS(TpmBrush, TPersistent)
 public:
  explicit TpmBrush(TpmBrushStyle style = pqBrushSolid, uint32_t color = 0xFFFFFFFF);
  // Copies are private: the bitmap is duplicated, the visual (not owned) is shared. The
  // change notification is not copied.
  TpmBrush(const TpmBrush& other);
  TpmBrush& operator=(const TpmBrush& other);
  ~TpmBrush() override;
  void Assign(const TPersistent& source) override;
  void DefineProperties(TFiler& filer) override;

  std::function<void(TpmBrush&)> OnChange;
  void Changed() {
    if (OnChange) OnChange(*this);
  }

  TpmBrushStyle Style = pqBrushSolid;
  uint32_t Color = 0xFFFFFFFF;  // straight ARGB
  TpmGradient Gradient;
  TpmWrapMode WrapMode = pqWrapTileStretch;
  // Style pqBrushResource: the name of the style brush to use.
  std::string Resource;
  // Style pqBrushVisual: not owned; whoever sets it clears it before the object goes away.
  TpmBrushVisual* Visual = nullptr;

  // Style pqBrushBitmap: the brush's own bitmap, made on first use.
  TpmBitmap& Bitmap();
  const TpmBitmap* BitmapOrNull() const { return bitmap_.get(); }

 private:
  std::unique_ptr<TpmBitmap> bitmap_;
};

// Looks up a named brush of the interface styles; the interface library installs it.
// Without a resolver (or for an unknown name) a resource brush paints nothing.
using TpmBrushResolver = std::function<const TpmBrush*(const std::string& name)>;
void SetBrushResourceResolver(TpmBrushResolver resolver);
const TpmBrush* ResolveBrushResource(const std::string& name);

// The gradient's text form (see TpmBrush); parsing raises EPropertyError on bad text.
std::string GradientToString(const TpmGradient& gradient);
TpmGradient StringToGradient(const std::string& text);
