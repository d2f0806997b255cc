#include "scene/canvas.h"

#include <algorithm>
#include <cmath>

#include "core/property_registry.h"
#include "scene/material.h"
#include "scene/scene_bitmap.h"

namespace {

constexpr const char* kStateNames[kRenderStateCount] = {
    "rsScreenMatrix", "rsCameraMatrix",  "rsLightingOn",  "rsLightingOff", "rsZTestOn",
    "rsZTestOff",     "rsZWriteOn",      "rsZWriteOff",   "rsCullCCW",     "rsCullCW",
    "rsCullNone",     "rsBlendAdditive", "rsBlendNormal", "rsTexNearest",  "rsTexLinear",
    "rsTexDisable",   "rsTexReplace",    "rsTexModulate", "rsFrameWire",   "rsFrameSolid",
    "rsShadeFlat",    "rsShadeGouraud"};

}  // namespace

TgkRenderStateGroup RenderStateGroup(TgkRenderState state) {
  switch (state) {
    case rsScreenMatrix:
    case rsCameraMatrix:
      return {rsScreenMatrix, 2};
    case rsLightingOn:
    case rsLightingOff:
      return {rsLightingOn, 2};
    case rsZTestOn:
    case rsZTestOff:
      return {rsZTestOn, 2};
    case rsZWriteOn:
    case rsZWriteOff:
      return {rsZWriteOn, 2};
    case rsCullCCW:
    case rsCullCW:
    case rsCullNone:
      // One group: as separate flags a later two-sided object would be skipped while the
      // device still culls.
      return {rsCullCCW, 3};
    case rsBlendAdditive:
    case rsBlendNormal:
      return {rsBlendAdditive, 2};
    case rsTexNearest:
    case rsTexLinear:
      return {rsTexNearest, 2};
    case rsTexDisable:
    case rsTexReplace:
    case rsTexModulate:
      return {rsTexDisable, 3};
    case rsFrameWire:
    case rsFrameSolid:
      return {rsFrameWire, 2};
    case rsShadeFlat:
    case rsShadeGouraud:
      return {rsShadeFlat, 2};
  }
  return {state, 1};
}

const char* RenderStateName(TgkRenderState state) {
  return state < kRenderStateCount ? kStateNames[state] : "?";
}

// ---- TgkFont ----

void TgkFont::Changed() {
  if (OnChange) OnChange();
}

void TgkFont::SetFamily(const std::string& family) {
  if (family == family_) return;
  family_ = family;
  Changed();
}

void TgkFont::SetSize(int size) {
  if (size == size_) return;
  size_ = size;
  Changed();
}

void TgkFont::SetStyle(TgkFontStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TgkFont::Assign(const TgkFont& source) {
  if (&source == this) return;
  bool changed = family_ != source.family_ || size_ != source.size_ || style_ != source.style_;
  family_ = source.family_;
  size_ = source.size_;
  style_ = source.style_;
  if (changed) Changed();
}

void TgkFont::Assign(const TPersistent& source) {
  if (const auto* font = dynamic_cast<const TgkFont*>(&source)) {
    Assign(*font);
  } else {
    TPersistent::Assign(source);
  }
}

const TEnumInfo& FontStyleInfo() {
  static const TEnumInfo info("TgkFontStyle",
                              {"gkFontRegular", "gkFontBold", "gkFontItalic", "gkFontBoldItalic"});
  return info;
}

FM_REGISTER_CLASS(TgkFont) {
  c.String("Family", &TgkFont::Family, &TgkFont::SetFamily).Default(TgkFont::kDefaultFamily);
  c.Integer("Size", &TgkFont::Size, &TgkFont::SetSize).Default(TgkFont::kDefaultSize);
  c.Enum("Style", FontStyleInfo(), &TgkFont::Style, &TgkFont::SetStyle)
      .Default(static_cast<int>(gkFontRegular));
}

// ---- TgkCanvas: life cycle ----

TgkCanvas::TgkCanvas(TgkCanvasWindow* window, int width, int height, bool transparency,
                     TgkQuality quality)
    : width_(std::max(width, 1)),
      height_(std::max(height, 1)),
      window_(window),
      transparency_(transparency),
      quality_(quality) {
  Init();
  if (transparency_) {
    pixel_buffer_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0u);
  }
}

TgkCanvas::TgkCanvas(TgkBitmap& bitmap)
    : width_(std::max(bitmap.Width(), 1)),
      height_(std::max(bitmap.Height(), 1)),
      bitmap_(&bitmap),
      transparency_(true),
      quality_(gkLowQuality) {
  Init();
}

void TgkCanvas::Init() {
  view_ = IdentityMatrix;
  inverse_view_ = IdentityMatrix;
  world_ = IdentityMatrix;
  material_ = std::make_unique<TgkMaterial>();
  material_->OnChange = [this] { ApplyMaterial(); };
}

TgkCanvas::~TgkCanvas() {
  // A descendant has normally freed its textures already; whatever is left must not keep
  // a bitmap pointing at a canvas that no longer exists.
  DetachFromTextureHolders();
  material_->OnChange = nullptr;
}

void TgkCanvas::FreeAllTextures() {
  // FreeBitmap edits the table, so walk a copy.
  const auto entries = textures_;
  for (const auto& entry : entries) FreeBitmap(*entry.first);
  DetachFromTextureHolders();
}

void TgkCanvas::ForgetAllTextures() {
  textures_.clear();
}

void TgkCanvas::DetachFromTextureHolders() {
  for (const auto& entry : textures_) entry.first->RemoveTextureHolder(this);
  textures_.clear();
  stale_textures_.clear();
}

void TgkCanvas::ResetState() {
  state_flags_.fill(false);
  view_ = IdentityMatrix;
  SetMatrix(IdentityMatrix);
  lights_.clear();
  material_->ResetSilently(0, 0, "");
}

// ---- TgkCanvas: materials and textures ----

void TgkCanvas::UpdateBitmap(TgkBitmap& bitmap) {
  if (bitmap.Width() != 0 && bitmap.Height() != 0) {
    bitmap.AddTextureHolder(this);
  } else {
    bitmap.SetNeedsUpload(false);
  }
}

TgkBitmap* TgkCanvas::MaterialTexture(TgkTextureTransform& transform) {
  transform = TgkTextureTransform{};
  TgkBitmap* bitmap = material_->GetBitmap();
  if (!bitmap) return nullptr;
  UpdateBitmap(*bitmap);
  if (TextureOf(bitmap) == 0) return nullptr;
  const TgkBitmapRect& rect = material_->BitmapRect();
  if (!rect.IsEmpty() && bitmap->Width() > 0 && bitmap->Height() > 0) {
    const float w = static_cast<float>(bitmap->Width());
    const float h = static_cast<float>(bitmap->Height());
    transform.enabled = true;
    transform.ScaleU = (rect.right() - rect.left()) / w;
    transform.ScaleV = (rect.bottom() - rect.top()) / h;
    transform.OffsetU = rect.left() / w;
    transform.OffsetV = rect.top() / h;
  } else if (material_->BitmapTile() != 1) {
    transform.enabled = true;
    transform.ScaleU = transform.ScaleV = material_->BitmapTile();
  }
  return bitmap;
}

void TgkCanvas::SetMaterialStates(bool textured) {
  if (textured) {
    SetRenderState(material_->BitmapMode() == gkTexReplace ? rsTexReplace : rsTexModulate);
  } else {
    SetRenderState(rsTexDisable);
  }
  SetRenderState(material_->ShadeMode() == gkFlat ? rsShadeFlat : rsShadeGouraud);
  SetRenderState(material_->FillMode() == gkWireframe ? rsFrameWire : rsFrameSolid);
  SetRenderState(material_->Lighting() ? rsLightingOn : rsLightingOff);
}

// ---- TgkCanvas: projections and picking ----

TgkMatrix TgkCanvas::GetProjectionMatrix() const {
  const float w = static_cast<float>(width_);
  const float h = static_cast<float>(height_);
  if (tile_.FrameWidth <= 0 || tile_.FrameHeight <= 0) {
    return MatrixPerspectiveFovRH(static_cast<float>(kPi / 4), w / h, 1, 1000);
  }
  const float fw = static_cast<float>(tile_.FrameWidth);
  const float fh = static_cast<float>(tile_.FrameHeight);
  // The whole frame's projection, then its clip space scaled and moved so that the tile's
  // pixels cover the canvas (x right, y up in clip space; pixel rows run down).
  TgkMatrix tile = IdentityMatrix;
  tile[0][0] = fw / w;
  tile[1][1] = fh / h;
  tile[3][0] = fw / w - 2 * static_cast<float>(tile_.Left) / w - 1;
  tile[3][1] = 1 - fh / h + 2 * static_cast<float>(tile_.Top) / h;
  return MatrixMultiply(MatrixPerspectiveFovRH(static_cast<float>(kPi / 4), fw / fh, 1, 1000),
                        tile);
}

TgkMatrix TgkCanvas::GetScreenMatrix() const {
  const float w = static_cast<float>(width_);
  const float h = static_cast<float>(height_);
  const float cot15 = static_cast<float>(1.0 / std::tan(kPi / 12));
  const float b = 2.0f / (h * cot15);
  TgkMatrix t1 = IdentityMatrix;
  t1[3][0] = -w / 2;
  t1[3][1] = -h / 2;
  TgkMatrix s = IdentityMatrix;
  s[0][0] = 2 * b;
  s[1][1] = -2 * b;
  s[2][2] = -2 * b;
  TgkMatrix t2 = IdentityMatrix;
  t2[3][2] = -2;
  TgkMatrix p = MatrixPerspectiveFovRH(static_cast<float>(kPi / 6), w / h, 1, 1000);
  return MatrixMultiply(MatrixMultiply(MatrixMultiply(t1, s), t2), p);
}

void TgkCanvas::PickRay(bool screen, TgkVector& ray_pos, TgkVector& ray_dir, float x,
                        float y) const {
  const float w = static_cast<float>(width_);
  const float h = static_cast<float>(height_);
  if (screen) {
    TgkMatrix inv = GetScreenMatrix();
    MatrixInvert(inv);
    // The screen-projection eye: the homogeneous origin mapped back, without division.
    const float e = VectorTransform(MakeVector(0, 0, 0, 1), inv).Z;
    ray_pos = MakeVector(w / 2, h / 2, 2 * e, 1);
    ray_dir = VectorNormalize(VectorSubtract(MakeVector(x, y, 0, 1), ray_pos));
    return;
  }
  const TgkMatrix p = GetProjectionMatrix();
  TgkVector origin = MakeVector(0, 0, 0, 1);
  TgkVector target = MakeVector((1 - 2 * x / w) / p[0][0], -(1 - 2 * y / h) / p[1][1], 1, 1);
  if (camera_) {
    origin = VectorTransform(origin, inverse_view_);
    target = VectorTransform(target, inverse_view_);
  }
  ray_pos = origin;
  ray_dir = VectorNormalize(VectorSubtract(origin, target));
}

// ---- TgkCanvas: state ----

void TgkCanvas::SetRenderState(TgkRenderState state) {
  if (state >= kRenderStateCount || state_flags_[state]) return;
  const TgkRenderStateGroup group = RenderStateGroup(state);
  for (int i = 0; i < group.count; ++i) state_flags_[group.first + i] = false;
  state_flags_[state] = true;
  ApplyState(state);
}

void TgkCanvas::SetMatrix(const TgkMatrix& m) {
  world_ = m;
}

void TgkCanvas::AddLight(TgkLight* light) {
  if (light) lights_.push_back(light);
}

void TgkCanvas::DrawCube(const TgkVector& center, const TgkVector& size, float opacity) {
  const float hx = size.X / 2, hy = size.Y / 2, hz = size.Z / 2;
  auto corner = [&](int i) {
    return MakeVector(center.X + ((i & 1) ? hx : -hx), center.Y + ((i & 2) ? hy : -hy),
                      center.Z + ((i & 4) ? hz : -hz), 1);
  };
  // Corners differ in one bit along each edge.
  for (int i = 0; i < 8; ++i) {
    for (int bit = 1; bit < 8; bit <<= 1) {
      if (!(i & bit)) DrawLine(corner(i), corner(i | bit), opacity);
    }
  }
}

// ---- TgkCanvas: size and buffers ----

void TgkCanvas::ResizeBuffer(int width, int height) {
  width_ = std::max(width, 1);
  height_ = std::max(height, 1);
  if (transparency_ && window_) {
    pixel_buffer_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0u);
  }
}

void TgkCanvas::FreeBuffer() {
  pixel_buffer_.clear();
}

// ---- TgkCanvas: texture table ----

TgkTexture TgkCanvas::TextureOf(const TgkBitmap* bitmap) const {
  for (const auto& entry : textures_) {
    if (entry.first == bitmap) return entry.second;
  }
  return 0;
}

void TgkCanvas::AddTexture(TgkBitmap* bitmap, TgkTexture texture) {
  for (const auto& entry : textures_) {
    if (entry.first == bitmap) return;
  }
  textures_.emplace_back(bitmap, texture);
}

void TgkCanvas::SetTexture(TgkBitmap* bitmap, TgkTexture texture) {
  for (auto& entry : textures_) {
    if (entry.first == bitmap) {
      entry.second = texture;
      return;
    }
  }
  textures_.emplace_back(bitmap, texture);
}

void TgkCanvas::RemoveTexture(TgkBitmap* bitmap) {
  std::erase_if(textures_, [bitmap](const auto& entry) { return entry.first == bitmap; });
  std::erase(stale_textures_, bitmap);
}

void TgkCanvas::MarkTextureStale(TgkBitmap* bitmap) {
  if (TextureOf(bitmap) == 0) return;
  if (std::find(stale_textures_.begin(), stale_textures_.end(), bitmap) == stale_textures_.end()) {
    stale_textures_.push_back(bitmap);
  }
}

bool TgkCanvas::TakeTextureStale(TgkBitmap* bitmap) {
  auto it = std::find(stale_textures_.begin(), stale_textures_.end(), bitmap);
  if (it == stale_textures_.end()) return false;
  stale_textures_.erase(it);
  return true;
}

void TgkCanvas::TellOtherHolders(TgkBitmap& bitmap) {
  // NeedsUpload is one flag on the bitmap, so the first canvas to see it clears it for all.
  for (TgkCanvas* holder : bitmap.TextureHolders()) {
    if (holder != this) holder->MarkTextureStale(&bitmap);
  }
}
