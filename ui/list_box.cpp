#include "ui/list_box.h"

#include <algorithm>

#include "ui/track.h"

namespace {

// The inner object that holds the rows: clips, takes no hits, tells the list of changes.
class TpmListBoxContent : public TpmControl {
 public:
  explicit TpmListBoxContent(TpmListBox* list) : list_(list) {
    SetHitTest(false);
    SetClipChildren(true);
    Stored = false;
  }
  ~TpmListBoxContent() override { list_ = nullptr; }
  void Detach() { list_ = nullptr; }

 protected:
  void ChildrenChanged() override {
    TpmControl::ChildrenChanged();
    if (list_ && !IsDestroying()) list_->RowsChanged();
  }

 private:
  TpmListBox* list_;
};

}  // namespace

FM_REGISTER_CLASS(TpmListBoxItem) {}

TpmListBoxItem::TpmListBoxItem(TComponent* owner) : TpmControl(owner) {
  SetHeight(19);
  SetHitTest(false);
}

TpmListBox* TpmListBoxItem::ListBox() const {
  return Parent() ? dynamic_cast<TpmListBox*>(Parent()->Parent()) : nullptr;
}

FM_REGISTER_CLASS(TpmListBoxSelection) {}

TpmListBoxSelection::TpmListBoxSelection(TComponent* owner) : TpmControl(owner) {
  SetHitTest(false);
}

FM_REGISTER_CLASS(TpmListBox) {
  c.Integer("ItemIndex", &TpmListBox::ItemIndex, &TpmListBox::SetItemIndex).Default(-1);
  c.Float("ScrollBarSize", &TpmListBox::ScrollBarSize, &TpmListBox::SetScrollBarSize)
      .Default(16.0f);
  c.Boolean("DisableMouseWheel", &TpmListBox::DisableMouseWheel, &TpmListBox::SetDisableMouseWheel)
      .Default(false);
  c.Event("OnChange", &TpmListBox::OnChange);
}

TpmListBox::TpmListBox(TComponent* owner) : TpmControl(owner) {
  SetWidth(100);
  SetHeight(100);
  SetCanFocused(true);
  AutoCapture = true;
  auto content = std::make_unique<TpmListBoxContent>(this);
  content_ = content.get();
  TpmControl::AddObject(content.release());
}

TpmListBox::~TpmListBox() {
  static_cast<TpmListBoxContent*>(content_)->Detach();
  FreeChildren();
}

void TpmListBox::AddObject(TpmObject* child) {
  if (dynamic_cast<TpmListBoxItem*>(child) && content_) {
    content_->AddObject(child);
    return;
  }
  TpmControl::AddObject(child);
}

int TpmListBox::Count() const {
  int n = 0;
  for (TpmObject* o : content_->Children()) n += dynamic_cast<TpmListBoxItem*>(o) != nullptr;
  return n;
}

TpmListBoxItem* TpmListBox::Item(int index) const {
  if (index < 0) return nullptr;
  for (TpmObject* o : content_->Children()) {
    if (auto* row = dynamic_cast<TpmListBoxItem*>(o)) {
      if (index-- == 0) return row;
    }
  }
  return nullptr;
}

void TpmListBox::Clear() {
  // The rows after the selected one go together, laid out once; from the selected row down
  // they go one at a time, last first, so that the selection steps back row by row.
  const int keep = std::max(item_index_ + 1, 0);
  int row = 0;
  content_->DeleteChildrenIf([&](const TpmObject& o) {
    return dynamic_cast<const TpmListBoxItem*>(&o) != nullptr && row++ >= keep;
  });
  for (int i = Count() - 1; i >= 0; --i) {
    std::unique_ptr<TpmListBoxItem> gone(Item(i));
  }
}

void TpmListBox::AddRows(const std::vector<TpmListBoxItem*>& rows) {
  content_->AppendObjects({rows.begin(), rows.end()});
}

void TpmListBox::SetScrollBarSize(float v) {
  v = std::max(1.0f, v);
  if (v == scroll_bar_size_) return;
  scroll_bar_size_ = v;
  LayoutRows();
}

void TpmListBox::BindStyle() {
  scroll_bar_ = dynamic_cast<TpmScrollBar*>(FindStylePart("vscrollbar"));
  selection_ = dynamic_cast<TpmVisualObject*>(FindStylePart("selection"));
  if (scroll_bar_) {
    scroll_bar_->SetOrientation(pqVertical);
    scroll_bar_->SetAlign(pqAlignNone);
    scroll_bar_->OnChange = [this](TPersistent*) { SetScroll(scroll_bar_->Value()); };
  }
  // The rows draw above the style's background, under the selection mark and scroll bar.
  if (content_ && StyleObject() && Child(1) != content_) InsertObject(1, content_);
  Realign();
}

void TpmListBox::FreeStyle() {
  scroll_bar_ = nullptr;
  selection_ = nullptr;
}

void TpmListBox::Realign() {
  TpmControl::Realign();
  LayoutRows();
}

void TpmListBox::RowsChanged() {
  if (IsDestroying()) return;
  LayoutRows();
  const int count = Count();
  if (item_index_ >= count) SetItemIndex(count - 1);
}

void TpmListBox::LayoutRows() {
  if (!content_ || laying_out_) return;
  laying_out_ = true;
  TpmRect area = LocalRect();
  if (auto* bg = dynamic_cast<TpmVisualObject*>(FindStylePart("background"))) {
    const TpmRect m = bg->Margins().Rect();
    area = {m.Left, m.Top, Width() - m.Right, Height() - m.Bottom};
  }
  content_->SetBounds(area.Left, area.Top, std::max(0.0f, area.Width()),
                      std::max(0.0f, area.Height()));
  const float content_h = content_->Height();
  total_ = 0;
  int count = 0;
  for (TpmObject* o : content_->Children()) {
    if (auto* row = dynamic_cast<TpmListBoxItem*>(o)) {
      const TpmRect p = row->Padding().Rect();
      total_ += row->Height() + p.Top + p.Bottom;
      ++count;
    }
  }
  scroll_shown_ = total_ > content_h;
  const float bar = scroll_shown_ ? scroll_bar_size_ : 0;
  if (!scroll_shown_) scroll_ = 0;
  scroll_ = std::clamp(scroll_, 0.0f, std::max(0.0f, total_ - content_h));
  float y = 0;
  int index = 0;
  for (TpmObject* o : content_->Children()) {
    auto* row = dynamic_cast<TpmListBoxItem*>(o);
    if (!row) continue;
    const TpmRect p = row->Padding().Rect();
    row->SetIndex(index++);
    row->SetBounds(p.Left, y + p.Top - scroll_,
                   std::max(0.0f, content_->Width() - p.Left - p.Right - bar), row->Height());
    y += row->Height() + p.Top + p.Bottom;
  }
  if (scroll_bar_) {
    scroll_bar_->SetVisible(scroll_shown_);
    if (scroll_shown_) {
      scroll_bar_->SetBounds(area.Right - scroll_bar_size_, area.Top, scroll_bar_size_, content_h);
      scroll_bar_->SetMax(total_);
      scroll_bar_->SetViewportSize(content_h);
      scroll_bar_->SetSmallChange(count ? total_ / count : 0);
      auto keep = std::move(scroll_bar_->OnChange);
      scroll_bar_->SetValue(scroll_);
      scroll_bar_->OnChange = std::move(keep);
    }
  }
  PlaceSelection();
  laying_out_ = false;
  Repaint();
}

void TpmListBox::SetScroll(float v) {
  if (v == scroll_) return;
  scroll_ = v;
  LayoutRows();
}

void TpmListBox::PlaceSelection() {
  if (!selection_) return;
  TpmListBoxItem* row = Selected();
  if (!row) {
    selection_->SetVisible(false);
    return;
  }
  auto* parent = selection_->VisualParent();
  const TpmPoint abs = row->LocalToAbsolute({0, 0});
  const TpmPoint at = parent ? parent->AbsoluteToLocal(abs) : abs;
  selection_->SetBounds(at.X, at.Y, row->Width(), row->Height());
  selection_->SetVisible(true);
}

void TpmListBox::SetItemIndex(int v) {
  if (v == item_index_) return;
  if (TpmListBoxItem* old = Selected()) old->Repaint();
  item_index_ = v;
  if (TpmListBoxItem* row = Selected()) ScrollIntoView(*row);
  PlaceSelection();
  Repaint();
  if (OnChange) OnChange(Selected());
}

void TpmListBox::ScrollIntoView(const TpmListBoxItem& row) {
  const float content_h = content_->Height();
  const float top = row.Position().Y(), bottom = top + row.Height();
  if (bottom > content_h)
    SetScroll(scroll_ + (bottom - content_h));
  else if (top < 0)
    SetScroll(scroll_ + top);
}

void TpmListBox::SelectAt(float x, float y) {
  const TpmPoint abs = LocalToAbsolute({x, y});
  const TpmPoint p = content_->AbsoluteToLocal(abs);
  if (p.X < 0 || p.X >= content_->Width() || p.Y < 0 || p.Y >= content_->Height()) return;
  for (TpmObject* o : content_->Children()) {
    auto* row = dynamic_cast<TpmListBoxItem*>(o);
    if (!row || !row->Visible()) continue;
    const float top = row->Position().Y();
    if (p.Y >= top && p.Y < top + row->Height()) {
      SetItemIndex(row->Index());
      return;
    }
  }
}

void TpmListBox::MouseDown(TMouseButton button, TShiftState shift, float x, float y) {
  TpmControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  selecting_ = true;
  SelectAt(x, y);
}

void TpmListBox::MouseMove(TShiftState shift, float x, float y) {
  TpmControl::MouseMove(shift, x, y);
  if (selecting_) SelectAt(x, y);
}

void TpmListBox::MouseUp(TMouseButton button, TShiftState shift, float x, float y) {
  TpmControl::MouseUp(button, shift, x, y);
  if (button == mbLeft) selecting_ = false;
}

void TpmListBox::MouseWheel(TShiftState shift, int wheel_delta, bool& handled) {
  TpmControl::MouseWheel(shift, wheel_delta, handled);
  if (!scroll_shown_ || disable_wheel_) return;
  const float max_scroll = std::max(0.0f, total_ - content_->Height());
  SetScroll(std::clamp(scroll_ - static_cast<float>(wheel_delta) / 5, 0.0f, max_scroll));
  handled = true;
}

void TpmListBox::KeyDown(uint16_t& key, char32_t& key_char, TShiftState shift) {
  TpmControl::KeyDown(key, key_char, shift);
  const int count = Count();
  switch (key) {
    case vkEnd:
      if (count > 0) SetItemIndex(count - 1);
      break;
    case vkHome:
      if (count > 0) SetItemIndex(0);
      break;
    case vkUp:
      if (item_index_ > 0) SetItemIndex(item_index_ - 1);
      break;
    case vkDown:
      if (item_index_ < count - 1) SetItemIndex(item_index_ + 1);
      break;
    default:
      return;
  }
  key = 0;
}
