// TpmListBox: rows (TpmListBoxItem) stacked in a clipping content object, a vertical scroll
// bar when they do not fit, a selection mark, keys and the wheel.
#pragma once

#include "ui/control.h"

class TpmScrollBar;
class TpmListBox;

class TpmListBoxItem : public TpmControl {
  FM_CLASS(TpmListBoxItem, TpmControl)
 public:
  explicit TpmListBoxItem(TComponent* owner = nullptr);
  // The row's position in its list (set by the list's layout).
  int Index() const { return index_; }
  void SetIndex(int v) { index_ = v; }
  TpmListBox* ListBox() const;

 private:
  int index_ = -1;
};

class TpmListBoxSelection : public TpmControl {
  FM_CLASS(TpmListBoxSelection, TpmControl)
 public:
  explicit TpmListBoxSelection(TComponent* owner = nullptr);
};

class TpmListBox : public TpmControl {
  FM_CLASS(TpmListBox, TpmControl)
 public:
  explicit TpmListBox(TComponent* owner = nullptr);
  ~TpmListBox() override;

  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int v);
  float ScrollBarSize() const { return scroll_bar_size_; }
  void SetScrollBarSize(float v);
  bool DisableMouseWheel() const { return disable_wheel_; }
  void SetDisableMouseWheel(bool v) { disable_wheel_ = v; }
  // Sender: the selected row, or nullptr.
  TNotifyEvent OnChange;

  int Count() const;
  TpmListBoxItem* Item(int index) const;
  TpmListBoxItem* Selected() const { return Item(item_index_); }
  // Frees every row, last first (the selection steps back as its row goes).
  void Clear();
  // Scrolls by what Row overhangs the bottom (or the top) of the content.
  void ScrollIntoView(const TpmListBoxItem& row);
  // Appends rows at once: a list of many rows is laid out once, not once per row.
  void AddRows(const std::vector<TpmListBoxItem*>& rows);
  // Rows go into the content object; other children stay with the list box.
  void AddObject(TpmObject* child) override;

  TpmVisualObject* Content() const { return content_; }
  // The scroll offset and whether the scroll bar is shown.
  float ScrollValue() const { return scroll_; }
  bool ScrollBarVisible() const { return scroll_shown_; }
  TpmScrollBar* ScrollBar() const { return scroll_bar_; }

  void Realign() override;
  void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
  void MouseMove(TShiftState shift, float x, float y) override;
  void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;
  void MouseWheel(TShiftState shift, int wheel_delta, bool& handled) override;
  void KeyDown(uint16_t& key, char32_t& key_char, TShiftState shift) override;

  // The content calls it after a row came or went.
  void RowsChanged();

 protected:
  void BindStyle() override;
  void FreeStyle() override;

 private:
  void LayoutRows();
  void SetScroll(float v);
  void PlaceSelection();
  void SelectAt(float x, float y);

  int item_index_ = -1;
  float scroll_bar_size_ = 16;
  bool disable_wheel_ = false;
  TpmVisualObject* content_ = nullptr;
  TpmScrollBar* scroll_bar_ = nullptr;
  TpmVisualObject* selection_ = nullptr;
  float scroll_ = 0;
  float total_ = 0;
  bool scroll_shown_ = false;
  bool selecting_ = false;
  bool laying_out_ = false;
};
