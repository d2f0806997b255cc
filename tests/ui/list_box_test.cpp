// The list box: scroll bar only when the rows do not fit, keys that scroll the selection
// into view, the wheel, selection by pointer and what freeing rows does to ItemIndex.
#include <gtest/gtest.h>

#include <vector>

#include "tests/ui/ui_test_host.h"
#include "ui/list_box.h"
#include "ui/track.h"

namespace {

struct ListFixture : ::testing::Test {
  ListFixture() {
    list = t.Add(new TpmListBox(), 0, 0);  // 100 x 100, content 98 high inside the border
    list->OnChange = [this](TPersistent* sender) {
      senders.push_back(sender);
      indices.push_back(list->ItemIndex());
    };
  }
  void AddRows(int n) {
    for (int i = 0; i < n; ++i) list->AddObject(new TpmListBoxItem());
  }
  TestLayer t;
  TpmListBox* list;
  std::vector<TPersistent*> senders;
  std::vector<int> indices;
};

TEST_F(ListFixture, RowsThatFitShowNoScrollBar) {
  ASSERT_FLOAT_EQ(list->Content()->Height(), 98);
  AddRows(5);  // 95 pixels
  EXPECT_EQ(list->Count(), 5);
  EXPECT_FALSE(list->ScrollBarVisible());
  ASSERT_NE(list->ScrollBar(), nullptr);
  EXPECT_FALSE(list->ScrollBar()->Visible());
  EXPECT_FLOAT_EQ(list->Item(4)->Position().Y(), 76);
  EXPECT_EQ(list->Item(3)->Index(), 3);
  EXPECT_FLOAT_EQ(list->Item(0)->Width(), 98);
}

TEST_F(ListFixture, DownKeyScrollsTheLastRowIntoView) {
  AddRows(6);  // 114 pixels: one row more than fits
  ASSERT_TRUE(list->ScrollBarVisible());
  EXPECT_TRUE(list->ScrollBar()->Visible());
  EXPECT_FLOAT_EQ(list->ScrollBar()->Max(), 114);
  EXPECT_FLOAT_EQ(list->ScrollBar()->ViewportSize(), 98);
  EXPECT_FLOAT_EQ(list->Item(0)->Width(), 98 - 16);
  list->SetFocus();
  t.Key(vkHome);
  EXPECT_EQ(list->ItemIndex(), 0);
  for (int i = 0; i < 5; ++i) t.Key(vkDown);
  EXPECT_EQ(list->ItemIndex(), 5);
  EXPECT_FLOAT_EQ(list->ScrollValue(), 16);  // the overhang at the bottom
  TpmListBoxItem* last = list->Item(5);
  EXPECT_FLOAT_EQ(last->Position().Y() + last->Height(), list->Content()->Height());
  t.Key(vkDown);  // already on the last row
  EXPECT_EQ(list->ItemIndex(), 5);
  t.Key(vkHome);  // back up: scrolled to the top
  EXPECT_FLOAT_EQ(list->ScrollValue(), 0);
  EXPECT_EQ(indices, (std::vector<int>{0, 1, 2, 3, 4, 5, 0}));
}

TEST_F(ListFixture, WheelScrollsOnlyWithAScrollBar) {
  AddRows(3);
  EXPECT_FALSE(t.layer->PointerWheel(0, -120));
  AddRows(10);  // 247 pixels
  t.layer->PointerMove(0, 50, 50);
  EXPECT_TRUE(t.layer->PointerWheel(0, -120));
  EXPECT_FLOAT_EQ(list->ScrollValue(), 24);
  list->SetDisableMouseWheel(true);
  EXPECT_FALSE(t.layer->PointerWheel(0, -120));
  EXPECT_FLOAT_EQ(list->ScrollValue(), 24);
}

TEST_F(ListFixture, PressSelectsTheRowUnderThePointerOnce) {
  AddRows(4);
  t.Click(50, 1 + 19 * 2 + 5);
  EXPECT_EQ(list->ItemIndex(), 2);
  ASSERT_EQ(senders.size(), 1u);
  EXPECT_EQ(senders[0], list->Item(2));
  t.Click(50, 1 + 19 * 2 + 5);  // already selected: no notification
  EXPECT_EQ(senders.size(), 1u);
  // Dragging with the button held keeps selecting.
  t.layer->PointerDown(mbLeft, ssLeft, 50, 5);
  t.layer->PointerMove(ssLeft, 50, 1 + 19 * 3 + 2);
  t.layer->PointerUp(mbLeft, 0, 50, 1 + 19 * 3 + 2);
  EXPECT_EQ(list->ItemIndex(), 3);
}

TEST_F(ListFixture, ClearMovesItemIndexBackAsRowsGo) {
  AddRows(3);
  list->SetItemIndex(1);
  senders.clear();
  indices.clear();
  list->Clear();
  EXPECT_EQ(list->Count(), 0);
  EXPECT_EQ(indices, (std::vector<int>{0, -1}));
  ASSERT_EQ(senders.size(), 2u);
  EXPECT_EQ(senders[1], nullptr);  // no row selected
}

TEST_F(ListFixture, SelectionMarkFollowsTheRow) {
  AddRows(3);
  auto* mark = dynamic_cast<TpmVisualObject*>(list->FindStylePart("selection"));
  ASSERT_NE(mark, nullptr);
  EXPECT_FALSE(mark->Visible());
  list->SetItemIndex(2);
  EXPECT_TRUE(mark->Visible());
  EXPECT_FLOAT_EQ(mark->LocalToAbsolute({0, 0}).Y, list->Item(2)->LocalToAbsolute({0, 0}).Y);
  list->SetItemIndex(-1);
  EXPECT_FALSE(mark->Visible());
}

TEST_F(ListFixture, RowsAddedAndFreedTogetherEndAsOneByOne) {
  AddRows(7);
  std::vector<float> tops, widths;
  for (int i = 0; i < 7; ++i) {
    tops.push_back(list->Item(i)->Position().Y());
    widths.push_back(list->Item(i)->Width());
  }
  list->Clear();  // none selected: all at once, no notification
  EXPECT_TRUE(senders.empty());
  std::vector<TpmListBoxItem*> rows;
  for (int i = 0; i < 7; ++i) rows.push_back(new TpmListBoxItem());
  list->AddRows(rows);
  ASSERT_EQ(list->Count(), 7);
  EXPECT_TRUE(list->ScrollBarVisible());
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(list->Item(i), rows[static_cast<size_t>(i)]);
    EXPECT_EQ(list->Item(i)->Index(), i);
    EXPECT_FLOAT_EQ(list->Item(i)->Position().Y(), tops[static_cast<size_t>(i)]);
    EXPECT_FLOAT_EQ(list->Item(i)->Width(), widths[static_cast<size_t>(i)]);
  }
  // With a row selected, the rows after it go at once and the selection still steps back.
  list->SetItemIndex(2);
  senders.clear();
  indices.clear();
  list->Clear();
  EXPECT_EQ(list->Count(), 0);
  EXPECT_EQ(indices, (std::vector<int>{1, 0, -1}));
}

}  // namespace
