// Fuzzes the path text form of vector shapes and draws whatever parses, filled and
// stroked, into a small canvas (the parser must reject bad text with EPathError only).
#include <cstddef>
#include <cstdint>
#include <string>

#include "imaging/bitmap.h"
#include "imaging/canvas.h"
#include "imaging/path_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  TpmPathData path;
  try {
    path.SetData(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const EPathError&) {
    return 0;
  }
  static TpmBitmap bitmap(32, 32);
  TpmCanvas& canvas = bitmap.Canvas();
  canvas.StrokeThickness = 1.5f;
  canvas.FillPath(path, {1, 1, 30, 30}, 1);
  canvas.DrawPath(path, {1, 1, 30, 30}, 0.5f);
  canvas.PtInPath({15, 15}, path, {1, 1, 30, 30});
  canvas.FillPath(path, path.Bounds(), 1);  // unscaled, coordinates as they come
  return 0;
}
