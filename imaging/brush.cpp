#include "imaging/brush.h"

#include <charconv>
#include <cmath>
#include <sstream>

#include "core/property_registry.h"
#include "imaging/bitmap.h"

namespace {
TpmBrushResolver& Resolver() {
  static TpmBrushResolver resolver;
  return resolver;
}
}  // namespace

TpmBrush::TpmBrush(TpmBrushStyle style, uint32_t color) : Style(style), Color(color) {}

TpmBrush::TpmBrush(const TpmBrush& other) : TPersistent() {
  *this = other;
}

TpmBrush& TpmBrush::operator=(const TpmBrush& other) {
  if (this == &other) return *this;
  Style = other.Style;
  Color = other.Color;
  Gradient = other.Gradient;
  WrapMode = other.WrapMode;
  Resource = other.Resource;
  Visual = other.Visual;
  if (other.bitmap_) {
    Bitmap().Assign(*other.bitmap_);
  } else {
    bitmap_.reset();
  }
  return *this;
}

TpmBrush::~TpmBrush() = default;

void TpmBrush::Assign(const TPersistent& source) {
  if (const auto* brush = dynamic_cast<const TpmBrush*>(&source)) {
    *this = *brush;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

void TpmBrush::DefineProperties(TFiler& filer) {
  filer.DefineProperty(
      "Gradient",
      [this](const std::string& text) {
        Gradient = StringToGradient(text);
        Changed();
      },
      [this] { return GradientToString(Gradient); },
      Style == pqBrushGradient && !Gradient.Points.empty());
}

namespace {

const TEnumInfo& BrushStyleInfo() {
  static const TEnumInfo info("TpmBrushStyle",
                              {"pqBrushNone", "pqBrushSolid", "pqBrushGradient", "pqBrushBitmap",
                               "pqBrushResource", "pqBrushVisual"});
  return info;
}

const TEnumInfo& WrapModeInfo() {
  static const TEnumInfo info("TpmWrapMode",
                              {"pqWrapTile", "pqWrapTileOriginal", "pqWrapTileStretch"});
  return info;
}

std::string Number(float v) {
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, end);
}

float ParseNumber(const std::string& token) {
  float v = 0;
  auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), v);
  if (ec != std::errc() || end != token.data() + token.size() || !std::isfinite(v))
    throw EPropertyError("Invalid gradient: '" + token + "' is not a number");
  return v;
}

}  // namespace

std::string GradientToString(const TpmGradient& g) {
  std::string out = g.Style == pqRadialGradient ? "radial" : "linear";
  for (float v : {g.StartPosition.X, g.StartPosition.Y, g.StopPosition.X, g.StopPosition.Y})
    out += " " + Number(v);
  for (const auto& p : g.Points) out += " " + ColorToString(p.Color) + " " + Number(p.Offset);
  return out;
}

TpmGradient StringToGradient(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> tokens;
  for (std::string t; in >> t;) tokens.push_back(t);
  if (tokens.size() < 5 || (tokens.size() - 5) % 2 != 0)
    throw EPropertyError("Invalid gradient '" + text + "'");
  TpmGradient g;
  if (tokens[0] == "radial")
    g.Style = pqRadialGradient;
  else if (tokens[0] != "linear")
    throw EPropertyError("Invalid gradient style '" + tokens[0] + "'");
  g.StartPosition = {ParseNumber(tokens[1]), ParseNumber(tokens[2])};
  g.StopPosition = {ParseNumber(tokens[3]), ParseNumber(tokens[4])};
  for (size_t i = 5; i < tokens.size(); i += 2) {
    if (tokens[i].empty() || tokens[i][0] != '#')
      throw EPropertyError("Invalid gradient colour '" + tokens[i] + "'");
    g.Points.push_back({StringToColor(tokens[i]), ParseNumber(tokens[i + 1])});
  }
  return g;
}

FM_REGISTER_CLASS(TpmBrush) {
  c.Enum(
      "Style", BrushStyleInfo(), [](const TpmBrush& b) { return b.Style; },
      [](TpmBrush& b, TpmBrushStyle v) {
        if (b.Style == v) return;
        b.Style = v;
        b.Changed();
      });
  c.Color(
      "Color", [](const TpmBrush& b) { return b.Color; },
      [](TpmBrush& b, uint32_t v) {
        if (b.Color == v) return;
        b.Color = v;
        b.Changed();
      },
      &ColorToString, &StringToColor);
  c.String(
      "Resource", [](const TpmBrush& b) { return b.Resource; },
      [](TpmBrush& b, const std::string& v) {
        if (b.Resource == v) return;
        b.Resource = v;
        b.Changed();
      });
  c.Enum(
       "WrapMode", WrapModeInfo(), [](const TpmBrush& b) { return b.WrapMode; },
       [](TpmBrush& b, TpmWrapMode v) {
         if (b.WrapMode == v) return;
         b.WrapMode = v;
         b.Changed();
       })
      .Default(static_cast<int>(pqWrapTileStretch));
  c.Object<TpmBitmap>("Bitmap", [](TpmBrush& b) -> TpmBitmap& {
     return b.Bitmap();
   }).StoredIf<TpmBrush>([](const TpmBrush& b) { return b.Style == pqBrushBitmap; });
}

TpmBitmap& TpmBrush::Bitmap() {
  if (!bitmap_) bitmap_ = std::make_unique<TpmBitmap>(1, 1);
  return *bitmap_;
}

void SetBrushResourceResolver(TpmBrushResolver resolver) {
  Resolver() = std::move(resolver);
}

const TpmBrush* ResolveBrushResource(const std::string& name) {
  return Resolver() ? Resolver()(name) : nullptr;
}
