// The alignment pass: lays out the visual children of an object by their Align value
// inside the object's box.
#include <algorithm>
#include <cmath>

#include "scene/visual_object.h"

namespace {

// The order in which the groups are laid out (gkContents comes twice on purpose: once
// before the edge groups and once after them).
constexpr TgkAlign kGroupOrder[] = {
    gkScale,  gkContents, gkMostLeft, gkMostRight,  gkTop,        gkBottom,
    gkLeft,   gkRight,    gkClient,   gkHorizontal, gkVertical,   gkContents,
    gkCenter, gkTopLeft,  gkTopRight, gkBottomLeft, gkBottomRight};

struct FreeBox {
  float L, R, T, B, N, F;
};

// Gives the child the slot (low corner lo, extent ext) minus its padding.
void FillSlot(TgkVisualObject& c, const TgkPoint& lo, const TgkPoint& ext) {
  const TgkBounds& p = c.Padding();
  const TgkPoint size{ext.X - p.Left() - p.Right(), ext.Y - p.Top() - p.Bottom(),
                      ext.Z - p.ZNear() - p.ZFar()};
  c.SetWidth(size.X);
  c.SetHeight(size.Y);
  c.SetDepth(size.Z);
  c.Position().SetPoint(
      {lo.X + p.Left() + size.X / 2, lo.Y + p.Top() + size.Y / 2, lo.Z + p.ZNear() + size.Z / 2});
}

}  // namespace

void TgkVisualObject::Realign() {
  if (IsDestroying() || realigning_) return;
  if (std::fabs(width_) < 0.2f || std::fabs(height_) < 0.2f) return;
  if (IsLoading()) {
    previous_size_ = {width_, height_, depth_};
    return;
  }
  const TgkPoint size{width_, height_, depth_};
  if (placed_children_ == 0 && size == previous_size_) {
    // Only gkScale children, and the size they follow has not changed: nothing moves.
    Repaint();
    return;
  }
  realigning_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{realigning_};
  LayOut();
  // Also after a pass without aligned children, so that corner and scale alignment of a
  // child added later measure from the size the object had then.
  previous_size_ = {width_, height_, depth_};
  Repaint();
}

void TgkVisualObject::LayOut() {
  std::vector<TgkVisualObject*> aligned;
  for (TgkObject* node : Children()) {
    if (!node->IsVisualObject()) continue;
    auto* child = static_cast<TgkVisualObject*>(node);
    if (child->align_ == gkNone) continue;
    if (child->visible_ || child->IsDesigning()) aligned.push_back(child);
  }
  if (aligned.empty()) return;

  const float W = width_, H = height_, D = depth_;
  const TgkPoint prev = previous_size_;
  FreeBox box{-W / 2, W / 2, -H / 2, H / 2, -D / 2, D / 2};
  std::vector<TgkVisualObject*> group;
  group.reserve(aligned.size());

  for (TgkAlign align : kGroupOrder) {
    group.clear();
    for (TgkVisualObject* c : aligned)
      if (c->align_ == align) group.push_back(c);
    if (group.empty()) continue;
    switch (align) {
      case gkTop:
        std::stable_sort(group.begin(), group.end(),
                         [](auto* a, auto* b) { return a->position_.Y() < b->position_.Y(); });
        break;
      case gkLeft:
      case gkMostLeft:
        std::stable_sort(group.begin(), group.end(),
                         [](auto* a, auto* b) { return a->position_.X() < b->position_.X(); });
        break;
      case gkRight:
      case gkMostRight:
        std::stable_sort(group.begin(), group.end(), [](auto* a, auto* b) {
          return a->position_.X() + a->width_ > b->position_.X() + b->width_;
        });
        break;
      case gkBottom:
        std::stable_sort(group.begin(), group.end(), [](auto* a, auto* b) {
          return a->position_.Y() + a->height_ > b->position_.Y() + b->height_;
        });
        break;
      default:
        break;
    }

    for (TgkVisualObject* c : group) {
      const TgkBounds& pad = c->padding_;
      const float w = c->width_, h = c->height_;
      const float depth = box.F - box.N;
      switch (align) {
        case gkScale:
          if (prev.X > 0 && prev.Y > 0 && prev.Z > 0 && W > 0 && H > 0 && D > 0) {
            const float sx = W / prev.X, sy = H / prev.Y, sz = D / prev.Z;
            const TgkPoint p = c->position_.Point();
            c->SetWidth(c->width_ * sx);
            c->SetHeight(c->height_ * sy);
            c->SetDepth(c->depth_ * sz);
            c->position_.SetPoint({p.X * sx, p.Y * sy, p.Z * sz});
          }
          break;
        case gkContents:
          c->SetWidth(W - pad.Left() - pad.Right());
          c->SetHeight(H - pad.Top() - pad.Bottom());
          c->SetDepth(D - pad.ZNear() - pad.ZFar());
          c->position_.SetPoint({(pad.Left() - pad.Right()) / 2, (pad.Top() - pad.Bottom()) / 2,
                                 (pad.ZNear() - pad.ZFar()) / 2});
          break;
        case gkTopLeft:
        case gkTopRight:
        case gkBottomLeft:
        case gkBottomRight: {
          const float dx = (W - prev.X) / 2, dy = (H - prev.Y) / 2;
          const bool right = align == gkTopRight || align == gkBottomRight;
          const bool bottom = align == gkBottomLeft || align == gkBottomRight;
          const TgkPoint p = c->position_.Point();
          if (dx != 0 || dy != 0)
            c->position_.SetPoint({p.X + (right ? dx : -dx), p.Y + (bottom ? dy : -dy), p.Z});
          break;
        }
        case gkTop: {
          const float slot = h + pad.Top() + pad.Bottom();
          FillSlot(*c, {box.L, box.T, box.N}, {box.R - box.L, slot, depth});
          box.T += slot;
          break;
        }
        case gkBottom: {
          const float slot = h + pad.Top() + pad.Bottom();
          FillSlot(*c, {box.L, box.B - slot, box.N}, {box.R - box.L, slot, depth});
          box.B -= slot;
          break;
        }
        case gkLeft:
        case gkMostLeft: {
          const float slot = w + pad.Left() + pad.Right();
          FillSlot(*c, {box.L, box.T, box.N}, {slot, box.B - box.T, depth});
          box.L += slot;
          break;
        }
        case gkRight:
        case gkMostRight: {
          const float slot = w + pad.Left() + pad.Right();
          FillSlot(*c, {box.R - slot, box.T, box.N}, {slot, box.B - box.T, depth});
          box.R -= slot;
          break;
        }
        case gkClient:
          FillSlot(*c, {box.L, box.T, box.N}, {box.R - box.L, box.B - box.T, depth});
          break;
        case gkHorizontal: {
          // Full free width; y position and height stay.
          const float top = c->position_.Y() - h / 2 - pad.Top();
          FillSlot(*c, {box.L, top, box.N}, {box.R - box.L, h + pad.Top() + pad.Bottom(), depth});
          break;
        }
        case gkVertical: {
          const float left = c->position_.X() - w / 2 - pad.Left();
          FillSlot(*c, {left, box.T, box.N}, {w + pad.Left() + pad.Right(), box.B - box.T, depth});
          break;
        }
        case gkCenter: {
          const float bw = w + pad.Left() + pad.Right(), bh = h + pad.Top() + pad.Bottom();
          const float ox = std::trunc((box.R - box.L - bw) / 2);
          const float oy = std::trunc((box.B - box.T - bh) / 2);
          FillSlot(*c, {box.L + ox, box.T + oy, box.N}, {bw, bh, depth});
          break;
        }
        default:
          break;
      }
    }
  }
}
