// TpmPathData: a 2D path of move, line, cubic-curve and close commands, with its text form
// ("M 0,0 L 10,0 C 10,5 5,10 0,10 Z": absolute coordinates, comma-separated pairs).
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/geometry.h"

enum TpmPathCommand { pqPathMoveTo, pqPathLineTo, pqPathCurveTo, pqPathClose };

struct TpmPathPoint {
  TpmPathCommand Kind = pqPathMoveTo;
  // MoveTo, LineTo: Points[0]; CurveTo: two control points and the end point; Close: none.
  TpmPoint Points[3];
};

class EPathError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

class TpmPathData {
 public:
  TpmPathData() = default;
  // Raises EPathError on text that is not a path.
  explicit TpmPathData(const std::string& text) { SetData(text); }

  void MoveTo(TpmPoint p);
  void LineTo(TpmPoint p);
  void CurveTo(TpmPoint c1, TpmPoint c2, TpmPoint end);
  void ClosePath();
  void Clear() { items_.clear(); }

  bool IsEmpty() const { return items_.empty(); }
  const std::vector<TpmPathPoint>& Items() const { return items_; }
  // Bounds of all points (control points included); empty rect (0,0,0,0) when empty.
  TpmRect Bounds() const;

  // Replaces the path; on a parse error raises EPathError and keeps the old path.
  void SetData(const std::string& text);
  std::string Data() const;

 private:
  std::vector<TpmPathPoint> items_;
};

// The mapping that puts bounds onto rect (a degenerate axis is only moved, not scaled).
TpmMatrix FitRectMatrix(const TpmRect& bounds, const TpmRect& rect);
