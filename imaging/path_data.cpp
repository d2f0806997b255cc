#include "imaging/path_data.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

class PathParser {
 public:
  explicit PathParser(const std::string& text) : text_(text) {}

  void SkipSeparators() {
    while (pos_ < text_.size() &&
           (std::isspace(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == ','))
      ++pos_;
  }
  bool AtEnd() {
    SkipSeparators();
    return pos_ >= text_.size();
  }
  bool AtCommand() {
    SkipSeparators();
    return pos_ < text_.size() && std::isalpha(static_cast<unsigned char>(text_[pos_])) &&
           text_[pos_] != 'e' && text_[pos_] != 'E';
  }
  char Command() { return text_[pos_++]; }
  float Number() {
    SkipSeparators();
    float value = 0;
    const char* begin = text_.data() + pos_;
    const char* end = text_.data() + text_.size();
    if (begin != end && *begin == '+') ++begin;
    auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || !std::isfinite(value)) Fail("a number was expected");
    pos_ = static_cast<size_t>(ptr - text_.data());
    return value;
  }
  TpmPoint Point() {
    TpmPoint p;
    p.X = Number();
    p.Y = Number();
    return p;
  }
  [[noreturn]] void Fail(const std::string& what) {
    throw EPathError("Invalid path data at character " + std::to_string(pos_ + 1) + ": " + what);
  }

 private:
  const std::string& text_;
  size_t pos_ = 0;
};

std::string FormatNumber(float v) {
  char buffer[32];
  auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, ptr);
}

}  // namespace

void TpmPathData::MoveTo(TpmPoint p) {
  TpmPathPoint item;
  item.Kind = pqPathMoveTo;
  item.Points[0] = p;
  items_.push_back(item);
}

void TpmPathData::LineTo(TpmPoint p) {
  TpmPathPoint item;
  item.Kind = pqPathLineTo;
  item.Points[0] = p;
  items_.push_back(item);
}

void TpmPathData::CurveTo(TpmPoint c1, TpmPoint c2, TpmPoint end) {
  TpmPathPoint item;
  item.Kind = pqPathCurveTo;
  item.Points[0] = c1;
  item.Points[1] = c2;
  item.Points[2] = end;
  items_.push_back(item);
}

void TpmPathData::ClosePath() {
  TpmPathPoint item;
  item.Kind = pqPathClose;
  items_.push_back(item);
}

TpmRect TpmPathData::Bounds() const {
  bool any = false;
  TpmRect r;
  auto add = [&](const TpmPoint& p) {
    if (!any) {
      r = {p.X, p.Y, p.X, p.Y};
      any = true;
      return;
    }
    r.Left = std::min(r.Left, p.X);
    r.Top = std::min(r.Top, p.Y);
    r.Right = std::max(r.Right, p.X);
    r.Bottom = std::max(r.Bottom, p.Y);
  };
  for (const auto& item : items_) {
    int count = item.Kind == pqPathCurveTo ? 3 : item.Kind == pqPathClose ? 0 : 1;
    for (int i = 0; i < count; ++i) add(item.Points[i]);
  }
  return r;
}

void TpmPathData::SetData(const std::string& text) {
  TpmPathData result;
  PathParser parser(text);
  char command = 0;
  while (!parser.AtEnd()) {
    if (parser.AtCommand()) {
      command = parser.Command();
      if (command == 'Z' || command == 'z') {
        result.ClosePath();
        command = 0;
        continue;
      }
      if (command != 'M' && command != 'L' && command != 'C')
        parser.Fail(std::string("unknown command '") + command + "' (M, L, C or Z expected)");
    } else if (command == 0) {
      parser.Fail("a command (M, L, C or Z) was expected");
    }
    switch (command) {
      case 'M':
        result.MoveTo(parser.Point());
        command = 'L';  // further pairs after a move are lines
        break;
      case 'L':
        result.LineTo(parser.Point());
        break;
      case 'C': {
        TpmPoint c1 = parser.Point();
        TpmPoint c2 = parser.Point();
        result.CurveTo(c1, c2, parser.Point());
        break;
      }
    }
  }
  items_ = std::move(result.items_);
}

std::string TpmPathData::Data() const {
  std::string out;
  auto pair = [](const TpmPoint& p) { return FormatNumber(p.X) + "," + FormatNumber(p.Y); };
  for (const auto& item : items_) {
    if (!out.empty()) out += ' ';
    switch (item.Kind) {
      case pqPathMoveTo:
        out += "M " + pair(item.Points[0]);
        break;
      case pqPathLineTo:
        out += "L " + pair(item.Points[0]);
        break;
      case pqPathCurveTo:
        out +=
            "C " + pair(item.Points[0]) + " " + pair(item.Points[1]) + " " + pair(item.Points[2]);
        break;
      case pqPathClose:
        out += "Z";
        break;
    }
  }
  return out;
}

TpmMatrix FitRectMatrix(const TpmRect& bounds, const TpmRect& rect) {
  const float bw = bounds.Width();
  const float bh = bounds.Height();
  const float sx = bw > 0 ? rect.Width() / bw : 1.0f;
  const float sy = bh > 0 ? rect.Height() / bh : 1.0f;
  TpmMatrix m = TpmMatrix::Scaling(sx, sy);
  m.M[2][0] = rect.Left - bounds.Left * sx;
  m.M[2][1] = rect.Top - bounds.Top * sy;
  return m;
}
