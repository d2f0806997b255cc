// TpmCanvas: the 2D drawing surface. Bound to a TpmBitmap it draws into the bitmap's own
// pixels; in surface mode it owns a 32-bit surface. All canvases are made through the
// class reference DefaultCanvasClass().
#pragma once

#include <memory>

class TpmBitmap;

class TpmCanvas {
 public:
  virtual ~TpmCanvas() = default;
};

// A canvas implementation, as the class reference of the 2D library.
class TpmCanvasClass {
 public:
  virtual ~TpmCanvasClass() = default;
  virtual std::unique_ptr<TpmCanvas> Create(int width, int height) const = 0;
  virtual std::unique_ptr<TpmCanvas> CreateFromBitmap(TpmBitmap& bitmap) const = 0;
};

const TpmCanvasClass& DefaultCanvasClass();
void SetDefaultCanvasClass(const TpmCanvasClass* cls);
