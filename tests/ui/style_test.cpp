// Styles: lookup order, private copies and their parts, bad style text, and trigger
// animations on the 25 ms timer.
#include <gtest/gtest.h>

#include <vector>

#include "core/component_stream.h"
#include "platform/clock.h"
#include "platform/timer_service.h"
#include "tests/ui/ui_test_host.h"
#include "ui/animation.h"
#include "ui/controls.h"
#include "ui/resources.h"
#include "ui/shapes.h"

namespace {

TEST(Styles, DefaultThemeHasAStyleForEveryControlClass) {
  for (const char* name :
       {"panelstyle", "toolbarstyle", "backgroundstyle", "labelstyle", "buttonstyle",
        "bitmapbuttonstyle", "speedbuttonstyle", "popupboxstyle", "checkboxstyle", "trackbarstyle",
        "trackstyle", "thumbstyle", "scrollbarstyle", "listboxstyle", "listboxitemstyle",
        "listboxselectionstyle", "hudtrackbarstyle", "hudthumbbarstyle"}) {
    EXPECT_NE(DefaultTheme().FindStyle(name), nullptr) << name;
  }
  auto* bg = dynamic_cast<TpmRectangle*>(DefaultTheme().FindStyle("BackgroundStyle"));
  ASSERT_NE(bg, nullptr);
  EXPECT_EQ(bg->Fill().Color, 0xFF505050u);
}

TEST(Styles, LayerCollectionFirstThenThemeThenClassName) {
  TpmResources mine;
  mine.SetResourceText(
      "object TpmText\n  ResourceName = 'buttonstyle'\n  Fill.Color = '#FF123456'\nend\n");
  TestLayer t;
  t.layer->SetStyle(&mine);
  auto* b = t.Add(new TpmButton(), 0, 0);
  auto* copy = dynamic_cast<TpmText*>(b->StyleObject());
  ASSERT_NE(copy, nullptr);  // the layer's collection won over the theme
  EXPECT_EQ(copy->Fill().Color, 0xFF123456u);
  EXPECT_EQ(b->Child(0), copy);
  EXPECT_FALSE(copy->Stored);
  // The style copy is a text shape: it shows the button's text itself.
  b->SetText("Save");
  EXPECT_EQ(copy->Text(), "Save");
  // A named style from the theme; the copy is private, the tree stays untouched.
  b->SetResource("speedbuttonstyle");
  TpmObject* tree = DefaultTheme().FindStyle("speedbuttonstyle");
  ASSERT_NE(b->StyleObject(), nullptr);
  EXPECT_NE(b->StyleObject(), tree);
  EXPECT_EQ(b->ChildrenCount(), 1);  // the previous copy went away
  auto* text = dynamic_cast<TpmText*>(b->FindStylePart("text"));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Text(), "Save");
  EXPECT_TRUE(dynamic_cast<TpmText*>(tree->FindResource("text"))->Text().empty());
  // Unknown name: the class style, again from the layer's collection first.
  b->SetResource("no such style");
  EXPECT_NE(dynamic_cast<TpmText*>(b->StyleObject()), nullptr);
  // Leaving the layer's collection: the theme's button.
  t.layer->SetStyle(nullptr);
  b->SetResource("");
  EXPECT_NE(dynamic_cast<TpmLayout*>(b->StyleObject()), nullptr);
  EXPECT_NE(b->FindStylePart("pressed"), nullptr);
  // A colour set by the program reaches the text.
  b->FontFill().Color = 0xFF00FF00;
  b->FontFill().Changed();
  EXPECT_EQ(dynamic_cast<TpmText*>(b->FindStylePart("text"))->Fill().Color, 0xFF00FF00u);
}

TEST(Styles, ControlsStyledTogetherGetPrivateCopiesOfTheSameStyle) {
  TpmResources mine;
  mine.SetResourceText(
      "object TpmText\n  ResourceName = 'buttonstyle'\n  Fill.Color = '#FF123456'\nend\n");
  TestLayer t;
  t.layer->SetStyle(&mine);
  auto* panel = t.Add(new TpmPanel(), 0, 0);
  std::vector<TpmObject*> buttons;
  for (int i = 0; i < 3; ++i) buttons.push_back(new TpmButton());
  panel->AppendObjects(buttons);  // styled in one go, from one text of the style
  std::vector<TpmText*> copies;
  for (TpmObject* b : buttons) {
    auto* copy = dynamic_cast<TpmText*>(static_cast<TpmButton*>(b)->StyleObject());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Fill().Color, 0xFF123456u);
    copies.push_back(copy);
  }
  copies[0]->Fill().Color = 0xFF00FF00;  // each copy is its own
  EXPECT_EQ(copies[1]->Fill().Color, 0xFF123456u);
  EXPECT_NE(copies[1], copies[2]);
  // A style changed between two insertions is copied as it is then.
  mine.SetResourceText(
      "object TpmText\n  ResourceName = 'buttonstyle'\n  Fill.Color = '#FF654321'\nend\n");
  auto* later = new TpmButton();
  panel->AppendObjects({later});
  auto* copy = dynamic_cast<TpmText*>(later->StyleObject());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Fill().Color, 0xFF654321u);
}

TEST(Styles, StyleCopiesAreNotWrittenWithTheControl) {
  TestLayer t;
  auto* b = t.Add(new TpmButton(), 0, 0);
  b->SetText("Go");
  ASSERT_NE(b->StyleObject(), nullptr);
  const std::string text = ComponentToText(*b);
  EXPECT_EQ(text.find("object"), text.rfind("object")) << text;
  EXPECT_NE(text.find("Text = 'Go'"), std::string::npos) << text;
}

TEST(Styles, BadTextRaisesAndKeepsTheStyles) {
  TpmResources r;
  r.SetResourceText("object TpmLayout\n  ResourceName = 'one'\nend\n");
  EXPECT_THROW(r.SetResourceText("object TpmLayout\n  ResourceName = 'two'\n"), EReadError);
  EXPECT_THROW(r.SetResourceText("object TpmNoSuchClass\nend\n"), EReadError);
  EXPECT_THROW(r.SetResourceText("object TpmResources\nend\n"), EReadError);
  EXPECT_NE(r.FindStyle("one"), nullptr);
  EXPECT_EQ(r.Count(), 1);
  // Written and read back.
  TpmResources copy;
  copy.SetResourceText(r.ResourceText());
  EXPECT_NE(copy.FindStyle("one"), nullptr);
}

TEST(Styles, TextControlsTakeFontAndForeground) {
  TpmResources mine;
  mine.SetResourceText(
      "object TpmLayout\n  ResourceName = 'labelstyle'\n"
      "  object TpmRectangle\n    ResourceName = 'foreground'\n    Fill.Color = '#FF00FF00'\n"
      "  end\n"
      "  object TpmText\n    ResourceName = 'text'\n  end\nend\n");
  TestLayer t;
  t.layer->SetStyle(&mine);
  auto* l = t.Add(new TpmLabel(), 0, 0);
  l->SetText("Hello");
  l->SetTextAlign(pqTextAlignFar);
  l->Font().SetSize(14);
  auto* text = dynamic_cast<TpmText*>(l->FindStylePart("text"));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Text(), "Hello");
  EXPECT_EQ(text->HorzTextAlign(), pqTextAlignFar);
  EXPECT_EQ(text->Font().Size(), 14);
  EXPECT_TRUE(text->WordWrap());
  EXPECT_EQ(text->Fill().Color, 0xFF00FF00u);
  EXPECT_EQ(l->FontFill().Color, 0xFF00FF00u);
}

class AnimationFixture : public ::testing::Test {
 protected:
  AnimationFixture() : service(clock) { SetPmAnimationTimerService(&service); }
  ~AnimationFixture() override { SetPmAnimationTimerService(nullptr); }
  void Run(int64_t ms) {
    for (int64_t t = 0; t < ms; t += 5) {
      clock.Advance(5);
      service.ProcessDue();
    }
  }
  TFakeClock clock;
  TTimerService service;
};

TEST_F(AnimationFixture, ConditionsDecideWhetherAnAnimationStarts) {
  TpmButton b;
  EXPECT_TRUE(TpmAnimation::ConditionsHold(b, "IsMouseOver=false;IsPressed=false"));
  EXPECT_FALSE(TpmAnimation::ConditionsHold(b, "IsMouseOver=true"));
  EXPECT_TRUE(TpmAnimation::ConditionsHold(b, "NoSuchThing=1;IsPressed=false"));
  EXPECT_FALSE(TpmAnimation::ConditionsHold(b, "NoSuchThing=1"));
}

TEST_F(AnimationFixture, HoverRunsTheColourAnimationOnTheTimer) {
  TpmResources mine;
  mine.SetResourceText(
      "object TpmRectangle\n  ResourceName = 'buttonstyle'\n  Fill.Color = '#FF000000'\n"
      "  object TpmColorAnimation\n    Trigger = 'IsMouseOver=true'\n"
      "    PropertyName = 'Fill.Color'\n    StartValue = '#FF000000'\n"
      "    StopValue = '#FFC8C8C8'\n    Duration = 0.2\n  end\n"
      "  object TpmColorAnimation\n    Trigger = 'IsMouseOver=false'\n"
      "    PropertyName = 'Fill.Color'\n    StartValue = '#FFC8C8C8'\n"
      "    StopValue = '#FF000000'\n    Duration = 0\n  end\nend\n");
  TestLayer t;
  t.layer->SetStyle(&mine);
  auto* b = t.Add(new TpmButton(), 0, 0);
  auto* look = dynamic_cast<TpmRectangle*>(b->StyleObject());
  ASSERT_NE(look, nullptr);
  t.layer->PointerMove(0, 10, 10);
  EXPECT_TRUE(b->IsMouseOver());
  EXPECT_EQ(RunningPmAnimations(), 1);
  EXPECT_EQ(look->Fill().Color, 0xFF000000u);
  Run(100);  // half way
  const uint32_t mid = look->Fill().Color & 0xFF;
  EXPECT_GT(mid, 0x50u);
  EXPECT_LT(mid, 0x78u);
  Run(150);
  EXPECT_EQ(look->Fill().Color, 0xFFC8C8C8u);
  EXPECT_EQ(RunningPmAnimations(), 0);
  t.layer->PointerMove(0, 200, 200);  // leaves: the zero-length animation ends at once
  EXPECT_FALSE(b->IsMouseOver());
  EXPECT_EQ(look->Fill().Color, 0xFF000000u);
}

TEST_F(AnimationFixture, FreedAnimationLeavesTheTimer) {
  auto* rect = new TpmRectangle();
  auto* a = new TpmFloatAnimation();
  rect->AddObject(a);
  a->SetPropertyName("Opacity");
  a->SetStartValue(1);
  a->SetStopValue(0);
  a->Start();
  EXPECT_EQ(RunningPmAnimations(), 1);
  Run(50);
  EXPECT_LT(rect->Opacity(), 1);
  delete rect;
  EXPECT_EQ(RunningPmAnimations(), 0);
  Run(50);  // nothing left to touch
}

TEST(Geometry, AlignmentFillsThePaddedArea) {
  TpmLayout parent;
  parent.SetBounds(0, 0, 200, 100);
  parent.Margins().SetRect({3, 3, 3, 3});
  auto* top = new TpmLayout();
  top->SetHeight(20);
  top->Padding().SetRect({1, 2, 1, 2});
  top->SetAlign(pqAlignTop);
  auto* left = new TpmLayout();
  left->SetWidth(30);
  left->SetAlign(pqAlignLeft);
  auto* client = new TpmLayout();
  client->SetAlign(pqAlignClient);
  auto* centre = new TpmLayout();
  centre->SetBounds(0, 0, 10, 10);
  centre->SetAlign(pqAlignCenter);
  auto* contents = new TpmLayout();
  contents->SetAlign(pqAlignContents);
  for (TpmObject* o : {static_cast<TpmObject*>(top), static_cast<TpmObject*>(left),
                       static_cast<TpmObject*>(client), static_cast<TpmObject*>(centre),
                       static_cast<TpmObject*>(contents)})
    parent.AddObject(o);
  EXPECT_EQ(top->Position().Point(), (TpmPoint{4, 5}));
  EXPECT_EQ(top->Width(), 192);
  EXPECT_EQ(left->Position().Point(), (TpmPoint{3, 27}));
  EXPECT_EQ(left->Height(), 70);
  EXPECT_EQ(client->Position().Point(), (TpmPoint{33, 27}));
  EXPECT_EQ(client->Width(), 164);
  EXPECT_EQ(centre->Position().Point(), (TpmPoint{110, 57}));
  EXPECT_EQ(contents->Position().Point(), (TpmPoint{0, 0}));
  EXPECT_EQ(contents->Width(), 200);
  // Rotation and scale reach the absolute matrix and the hit test.
  auto* turned = new TpmLayout();
  parent.AddObject(turned);
  turned->SetBounds(100, 50, 40, 20);
  turned->SetRotateAngle(90);  // about its centre (120, 60)
  const TpmPoint p = turned->LocalToAbsolute({0, 0});
  EXPECT_NEAR(p.X, 130, 1e-3);
  EXPECT_NEAR(p.Y, 40, 1e-3);
  EXPECT_EQ(parent.ObjectAtPoint(125, 75), turned);
  EXPECT_NE(parent.ObjectAtPoint(105, 55), turned);
}

}  // namespace
