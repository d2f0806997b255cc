// A panel with each control in the default theme, rendered through the layer and saved
// as a PNG beside the test binary for a look; checked at a few sampled pixels.
#include <gtest/gtest.h>

#include <string>

#include "imaging/bitmap.h"
#include "platform/clock.h"
#include "platform/timer_service.h"
#include "tests/support/test_support.h"
#include "tests/ui/ui_test_host.h"
#include "ui/animation.h"
#include "ui/list_box.h"
#include "ui/shapes.h"
#include "ui/track.h"

namespace {

using namespace testsupport;

uint32_t Alpha(uint32_t p) {
  return p >> 24;
}
int Red(uint32_t p) {
  return static_cast<int>((p >> 16) & 0xFF);
}

TEST(Picture, PanelWithEveryControlInTheDefaultTheme) {
  // Style transitions run on a fake clock, played to their end before the picture.
  TFakeClock clock;
  TTimerService service(clock);
  SetPmAnimationTimerService(&service);
  TestLayer t(256, 596);
  auto* panel = t.Add(new TpmPanel(), 8, 8);
  panel->SetBounds(8, 8, 240, 580);
  panel->Margins().SetRect({6, 6, 6, 6});

  auto* bar = new TpmToolBar();
  panel->AddObject(bar);
  auto* load = new TpmSpeedButton();
  load->SetText("+");
  bar->AddObject(load);
  load->SetBounds(6, 8, 24, 24);

  auto* label = new TpmLabel();
  panel->AddObject(label);
  label->SetBounds(10, 50, 200, 18);
  label->SetText("Label text 标签");
  label->SetTextAlign(pqTextAlignNear);

  auto* button = new TpmButton();
  panel->AddObject(button);
  button->SetBounds(10, 74, 100, 26);
  button->SetText("Button");

  auto* pic = new TpmBitmapButton();
  panel->AddObject(pic);
  pic->SetBounds(120, 74, 50, 60);
  pic->SetText("Pic");
  pic->Bitmap().SetSize(16, 16);
  pic->Bitmap().Clear(0xFFFF8000);
  pic->BitmapChanged();

  auto* check = new TpmCheckBox();
  panel->AddObject(check);
  check->SetBounds(10, 108, 100, 19);
  check->SetText("Checked");
  check->SetIsChecked(true);

  auto* popup = new TpmPopupBox();
  panel->AddObject(popup);
  popup->SetBounds(10, 140, 120, 21);
  popup->SetItems({"ICNS", "ICO", "PNG"});
  popup->SetItemIndex(1);

  auto* track = new TpmTrackBar();
  panel->AddObject(track);
  track->SetBounds(10, 172, 200, 15);
  track->SetValue(0.5f);

  auto* hud = new TpmTrackBar();
  panel->AddObject(hud);
  hud->SetResource("hudtrackbarstyle");
  hud->SetBounds(10, 195, 190, 14);
  hud->SetValue(0.2f);

  auto* list = new TpmListBox();
  panel->AddObject(list);
  list->SetBounds(10, 220, 220, 100);
  for (int i = 0; i < 7; ++i) {
    auto* row = new TpmListBoxItem();
    list->AddObject(row);
    auto* text = new TpmLabel();
    row->AddObject(text);
    text->SetAlign(pqAlignClient);
    text->Padding().SetLeft(4);
    text->SetTextAlign(pqTextAlignNear);
    text->SetText("Row " + std::to_string(i));
  }
  list->SetItemIndex(1);

  auto* rect = new TpmRectangle();
  panel->AddObject(rect);
  rect->SetBounds(10, 330, 60, 40);
  rect->Fill().Color = 0xFF2080FF;
  rect->Stroke().Color = 0xFFFFFFFF;
  rect->SetXRadius(6);
  rect->SetYRadius(6);

  auto* line = new TpmLine();
  panel->AddObject(line);
  line->SetBounds(80, 330, 60, 40);
  line->Stroke().Color = 0xFFFFFF00;
  line->SetStrokeThickness(2);

  auto* path = new TpmPath();
  panel->AddObject(path);
  path->SetBounds(150, 330, 40, 40);
  path->SetData("M 0,40 L 20,0 L 40,40 Z");
  path->Fill().Color = 0xFF40C040;
  path->Stroke().Style = pqBrushNone;

  auto* text = new TpmText();
  panel->AddObject(text);
  text->SetBounds(10, 380, 220, 20);
  text->SetText("TpmText");
  text->Fill().Color = 0xFFFFFFFF;

  auto* image = new TpmImage();
  panel->AddObject(image);
  image->SetBounds(10, 410, 32, 32);
  image->Bitmap().SetSize(4, 4);
  image->Bitmap().Clear(0xFFFF0000);
  image->BitmapChanged();

  auto* disabled = new TpmButton();
  panel->AddObject(disabled);
  disabled->SetBounds(60, 410, 100, 26);
  disabled->SetText("Disabled");
  disabled->SetEnabled(false);

  for (int i = 0; i < 40; ++i) {
    clock.Advance(25);
    service.ProcessDue();
  }
  EXPECT_EQ(RunningPmAnimations(), 0);
  t.layer->UpdateSurface();
  TpmBitmap shot(256, 596);
  t.layer->Surface().CopyBits(shot.Pixels());
  // Appended in place: GCC 12 misreads the moved temporary of string + literal for some
  // folder name lengths as out of bounds (-Warray-bounds).
  std::string file = FACETMINT_UI_ARTIFACT_DIR;
  file += "/ui_panel.png";
  ASSERT_TRUE(shot.SaveToFile(file));

  auto at = [&](int x, int y) { return shot.Pixels()[y * 256 + x]; };
  // The root background of the dark theme around the panel.
  EXPECT_EQ(at(2, 2), 0xFF505050u);
  // The rectangle's fill, the path's fill, the image's red.
  EXPECT_EQ(at(8 + 40, 8 + 350), 0xFF2080FFu);
  EXPECT_EQ(at(8 + 170, 8 + 365), 0xFF40C040u);
  EXPECT_EQ(at(8 + 26, 8 + 426), 0xFFFF0000u);
  // The selected row's mark is blue-ish, an unselected row is the list's grey.
  const uint32_t selected = at(8 + 150, 8 + 220 + 1 + 19 + 9);
  const uint32_t plain = at(8 + 150, 8 + 220 + 1 + 19 * 3 + 9);
  EXPECT_GT(static_cast<int>(selected & 0xFF), Red(selected) + 40);
  EXPECT_EQ(plain, 0xFF424242u);
  // The check mark is drawn (light pixels inside the box).
  int light = 0;
  for (int y = 8 + 108; y < 8 + 127; ++y)
    for (int x = 8 + 10; x < 8 + 27; ++x) light += Red(at(x, y)) > 0xC0;
  EXPECT_GT(light, 5);
  // The disabled button is lighter in alpha terms: blended with the panel below.
  EXPECT_EQ(Alpha(at(8 + 110, 8 + 423)), 255u);
  // Text is drawn in the label area.
  int lit = 0;
  for (int y = 8 + 50; y < 8 + 68; ++y)
    for (int x = 8 + 10; x < 8 + 110; ++x) lit += Red(at(x, y)) > 0xB0;
  EXPECT_GT(lit, 20);

  SetPmAnimationTimerService(nullptr);
  if (HaveTool("pngcheck")) {
    EXPECT_EQ(RunCommand("pngcheck -q " + ShellQuote(file)), 0);
  }
}

}  // namespace
