// Pointer and key input through the layer: buttons, the check box, the pop-up box and its
// menu, sliders with and without tracking, capture outside the layer and Tab.
#include <gtest/gtest.h>

#include "tests/ui/ui_test_host.h"
#include "ui/track.h"

namespace {

TEST(ButtonInput, ClickNeedsPressAndReleaseInside) {
  TestLayer t;
  auto* b = t.Add(new TpmButton(), 10, 10);  // 100 x 26
  int clicks = 0;
  b->OnClick = [&](TPersistent*) { ++clicks; };

  t.layer->PointerDown(mbLeft, ssLeft, 20, 20);
  EXPECT_TRUE(b->IsPressed());
  t.layer->PointerMove(ssLeft, 200, 200);  // dragged off: the button keeps the capture
  EXPECT_FALSE(b->IsPressed());
  EXPECT_EQ(t.layer->GetCaptured(), b);
  t.layer->PointerUp(mbLeft, 0, 200, 200);
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(t.layer->GetCaptured(), nullptr);

  t.layer->PointerDown(mbLeft, ssLeft, 20, 20);
  t.layer->PointerMove(ssLeft, 200, 200);
  t.layer->PointerMove(ssLeft, 30, 15);  // dragged back
  EXPECT_TRUE(b->IsPressed());
  t.layer->PointerUp(mbLeft, 0, 30, 15);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(b->IsPressed());

  // A press outside and a release inside does nothing.
  t.layer->PointerDown(mbLeft, ssLeft, 200, 200);
  t.layer->PointerUp(mbLeft, 0, 20, 20);
  EXPECT_EQ(clicks, 1);
  // The right button does not click.
  t.layer->PointerDown(mbRight, ssRight, 20, 20);
  t.layer->PointerUp(mbRight, 0, 20, 20);
  EXPECT_EQ(clicks, 1);
}

TEST(ButtonInput, DisabledParentKeepsInputAway) {
  TestLayer t;
  auto* panel = t.Add(new TpmPanel(), 0, 0);
  panel->SetBounds(0, 0, 200, 100);
  auto* b = new TpmButton();
  panel->AddObject(b);
  int clicks = 0;
  b->OnClick = [&](TPersistent*) { ++clicks; };
  panel->SetEnabled(false);
  t.Click(10, 10);
  EXPECT_EQ(clicks, 0);
  panel->SetEnabled(true);
  t.Click(10, 10);
  EXPECT_EQ(clicks, 1);
}

TEST(CheckBoxInput, ClickTogglesOnceAndSettingTheSameValueIsQuiet) {
  TestLayer t;
  auto* c = t.Add(new TpmCheckBox(), 10, 10);  // 120 x 19
  int changes = 0;
  c->OnChange = [&](TPersistent*) { ++changes; };
  t.Click(20, 15);
  EXPECT_TRUE(c->IsChecked());
  EXPECT_EQ(changes, 1);
  c->SetIsChecked(true);
  EXPECT_EQ(changes, 1);
  // Dragged off before the release: no toggle.
  t.layer->PointerDown(mbLeft, ssLeft, 20, 15);
  t.layer->PointerMove(ssLeft, 20, 150);
  t.layer->PointerUp(mbLeft, 0, 20, 150);
  EXPECT_TRUE(c->IsChecked());
  EXPECT_EQ(changes, 1);
  c->SetIsChecked(false);
  EXPECT_EQ(changes, 2);
}

TEST(PopupBoxInput, MenuCentredOnTheBoxAndChoiceSetsTheItem) {
  TestLayer t(256, 400);
  t.layer->Position().SetPoint({128, 300, 0});  // top-left of the layer at (0, 100)
  auto* box = t.Add(new TpmPopupBox(), 10, 50);
  ASSERT_EQ(box->Height(), 21);
  box->SetItems({"ICNS", "ICO", "PNG"});
  int changes = 0;
  box->OnChange = [&](TPersistent*) { ++changes; };
  // Trunc(21 / 2 - 3 * 20 / 2) = Trunc(-19.5): 19 pixels above the top edge.
  EXPECT_EQ(box->MenuPosition().X, 0);
  EXPECT_EQ(box->MenuPosition().Y, -19);

  t.Click(20, 60);
  TgkScreenPQLayer* menu = t.layer->PopupMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->Height(), 60);
  // Centre position of the menu layer in the window: top-left (10, 100 + 50 - 19).
  EXPECT_FLOAT_EQ(menu->Position().X() - menu->Width() / 2, 10);
  EXPECT_FLOAT_EQ(menu->Position().Y() - menu->Height() / 2, 131);

  // The third entry (menu pixels y 40..60).
  menu->PointerMove(0, 30, 50);
  menu->PointerDown(mbLeft, ssLeft, 30, 50);
  menu->PointerUp(mbLeft, 0, 30, 50);
  EXPECT_EQ(t.layer->PopupMenu(), nullptr);
  EXPECT_EQ(box->ItemIndex(), 2);
  EXPECT_EQ(box->Text(), "PNG");
  EXPECT_EQ(changes, 1);

  // Choosing the checked entry again changes nothing.
  t.Click(20, 60);
  menu = t.layer->PopupMenu();
  ASSERT_NE(menu, nullptr);
  menu->PointerDown(mbLeft, ssLeft, 30, 50);
  menu->PointerUp(mbLeft, 0, 30, 50);
  EXPECT_EQ(changes, 1);

  // Escape closes without a choice; so does a press outside the menu.
  t.Click(20, 60);
  ASSERT_NE(t.layer->PopupMenu(), nullptr);
  uint16_t key = vkEscape;
  char32_t ch = 0;
  t.layer->PopupMenu()->KeyDown(key, ch, 0);
  EXPECT_EQ(t.layer->PopupMenu(), nullptr);
  t.Click(20, 60);
  ASSERT_NE(t.layer->PopupMenu(), nullptr);
  t.layer->PopupMenu()->PointerDown(mbLeft, ssLeft, -5, 300);
  EXPECT_EQ(t.layer->PopupMenu(), nullptr);
  EXPECT_EQ(box->ItemIndex(), 2);
  EXPECT_EQ(changes, 1);
}

TEST(PopupBoxInput, MenuStaysInsideTheWindow) {
  EXPECT_EQ(KeepInsideWindow({-5, -19}, 100, 60, 800, 600).X, 0);
  EXPECT_EQ(KeepInsideWindow({-5, -19}, 100, 60, 800, 600).Y, 0);
  const TpmPoint p = KeepInsideWindow({750, 580}, 100, 60, 800, 600);
  EXPECT_EQ(p.X, 700);
  EXPECT_EQ(p.Y, 540);
}

TEST(PopupBoxInput, IndexBeyondTheItemsKeepsTheText) {
  TpmPopupBox box;
  box.SetItems({"a", "b"});
  box.SetItemIndex(1);
  box.SetItemIndex(7);  // no such item: nothing to show, no crash
  EXPECT_EQ(box.Text(), "b");
  EXPECT_EQ(box.ItemIndex(), 7);
}

// A track bar 200 x 15 at (0, 100): thumb 20 wide (viewport 0.1 of range 1).
struct SliderFixture : ::testing::Test {
  SliderFixture() {
    bar = t.Add(new TpmTrackBar(), 0, 100);
    bar->SetWidth(200);
    bar->OnChange = [this](TPersistent*) { ++changes; };
  }
  float ThumbCentreX() {
    TpmThumb* th = bar->Thumb();
    return th->LocalToAbsolute({th->Width() / 2, 0}).X;
  }
  TestLayer t;
  TpmTrackBar* bar;
  int changes = 0;
};

TEST_F(SliderFixture, ThumbFollowsTheDragAndTracks) {
  ASSERT_NE(bar->Thumb(), nullptr);
  EXPECT_FLOAT_EQ(bar->Thumb()->Width(), 20);
  const float x = ThumbCentreX();
  t.layer->PointerDown(mbLeft, ssLeft, x, 107);
  t.layer->PointerMove(ssLeft, x + 50, 107);
  EXPECT_NEAR(bar->Value(), 0.25f, 1e-5);
  EXPECT_EQ(changes, 1);
  t.layer->PointerUp(mbLeft, 0, x + 50, 107);
  EXPECT_EQ(changes, 1);
  // Pressing the track beside the thumb does nothing.
  t.Click(150, 107);
  EXPECT_NEAR(bar->Value(), 0.25f, 1e-5);
}

TEST_F(SliderFixture, WithoutTrackingOnlyTheReleaseNotifies) {
  bar->SetTracking(false);
  const float x = ThumbCentreX();
  t.layer->PointerDown(mbLeft, ssLeft, x, 107);
  t.layer->PointerMove(ssLeft, x + 20, 107);
  t.layer->PointerMove(ssLeft, x + 60, 107);
  EXPECT_NEAR(bar->Value(), 0.3f, 1e-5);
  EXPECT_EQ(changes, 0);
  t.layer->PointerUp(mbLeft, 0, x + 60, 107);
  EXPECT_EQ(changes, 1);
  // A press and release without a move is no change.
  const float x2 = ThumbCentreX();
  t.layer->PointerDown(mbLeft, ssLeft, x2, 107);
  t.layer->PointerUp(mbLeft, 0, x2, 107);
  EXPECT_EQ(changes, 1);
}

TEST_F(SliderFixture, CaptureHoldsOutsideTheLayer) {
  const float x = ThumbCentreX();
  t.layer->PointerDown(mbLeft, ssLeft, x, 107);
  t.layer->PointerMove(ssLeft, 900, -300);  // far outside the 256 x 596 layer
  EXPECT_NEAR(bar->Value(), 0.9f, 1e-5);    // Max - ViewportSize
  t.layer->PointerMove(ssLeft, -400, 900);
  EXPECT_NEAR(bar->Value(), 0.0f, 1e-5);
  t.layer->PointerUp(mbLeft, 0, -400, 900);  // the release outside ends the drag
  EXPECT_EQ(t.layer->GetCaptured(), nullptr);
  t.layer->PointerMove(0, 150, 107);
  EXPECT_NEAR(bar->Value(), 0.0f, 1e-5);
}

TEST_F(SliderFixture, FrequencyRoundsAndClamps) {
  bar->SetMax(10);
  bar->SetViewportSize(1);
  bar->SetFrequency(2);
  bar->SetValue(5);  // 2.5 rounds half to even: 2 x 2
  EXPECT_EQ(bar->Value(), 4);
  bar->SetValue(100);
  EXPECT_EQ(bar->Value(), 9);
  bar->SetMax(-3);  // below Min
  EXPECT_FLOAT_EQ(bar->Max(), 0.001f);
  EXPECT_LE(bar->ViewportSize(), bar->Max() - bar->Min());
}

TEST(FocusInput, TabCyclesThroughFocusableControls) {
  TestLayer t;
  auto* a = t.Add(new TpmButton(), 0, 0);
  auto* label = t.Add(new TpmLabel(), 0, 30);
  auto* b = t.Add(new TpmCheckBox(), 0, 60);
  auto* hidden = t.Add(new TpmButton(), 0, 90);
  hidden->SetVisible(false);
  auto* c = t.Add(new TpmButton(), 0, 120);
  auto* speed = t.Add(new TpmSpeedButton(), 0, 150);  // not focusable
  (void)label;
  (void)speed;
  t.Key(vkTab);
  EXPECT_EQ(t.layer->GetFocused(), a);
  EXPECT_TRUE(a->IsFocused());
  t.Key(vkTab);
  EXPECT_EQ(t.layer->GetFocused(), b);
  EXPECT_FALSE(a->IsFocused());
  t.Key(vkTab);
  EXPECT_EQ(t.layer->GetFocused(), c);
  t.Key(vkTab);
  EXPECT_EQ(t.layer->GetFocused(), a);
}

TEST(FocusInput, TabMovesBetweenTwoControls) {
  TestLayer t;
  auto* a = t.Add(new TpmButton(), 0, 0);
  auto* b = t.Add(new TpmButton(), 0, 30);
  a->SetFocus();
  t.Key(vkTab);
  EXPECT_EQ(t.layer->GetFocused(), b);
  t.Key(vkTab);
  EXPECT_EQ(t.layer->GetFocused(), a);
}

TEST(FocusInput, KeysGoToTheFocusedControlAndFreedObjectsAreForgotten) {
  TestLayer t;
  auto* box = t.Add(new TpmCheckBox(), 0, 0);
  box->SetFocus();
  t.Key(vkSpace);
  EXPECT_TRUE(box->IsChecked());
  delete box;
  EXPECT_EQ(t.layer->GetFocused(), nullptr);
  t.Key(vkSpace);  // nothing left to receive it
}

}  // namespace

namespace {

TEST(PopupBoxInput, FreeingTheBoxClosesItsMenu) {
  TestLayer t;
  auto* box = t.Add(new TpmPopupBox(), 10, 50);
  box->SetItems({"a", "b"});
  t.Click(20, 60);
  ASSERT_NE(t.layer->PopupMenu(), nullptr);
  delete box;
  EXPECT_EQ(t.layer->PopupMenu(), nullptr);
}

}  // namespace
