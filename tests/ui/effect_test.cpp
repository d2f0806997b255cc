// Effects on vector objects: the shadow is drawn beside the object from the kept picture,
// and the repainted area grows by the effect's spread.
#include <gtest/gtest.h>

#include <memory>

#include "core/component_stream.h"
#include "imaging/effects.h"
#include "tests/support/component_text.h"
#include "tests/ui/ui_test_host.h"
#include "ui/controls.h"
#include "ui/resources.h"
#include "ui/shapes.h"

namespace {

// A layer whose root draws nothing, so that shadows show on transparency.
struct PlainLayer {
  explicit PlainLayer(float size) : t(size, size) {
    plain.SetResourceText("object TpmLayout\n  ResourceName = 'backgroundstyle'\nend\n");
    t.layer->SetStyle(&plain);
  }
  TpmResources plain;
  TestLayer t;
};

// An opaque shadow to the right (direction 0).
std::unique_ptr<TpmShadowEffect> ShadowToTheRight(float distance, float softness) {
  auto shadow = std::make_unique<TpmShadowEffect>();
  shadow->SetDistance(distance);
  shadow->SetDirection(0);
  shadow->SetSoftness(softness);
  shadow->SetOpacity(1);
  return shadow;
}

TEST(Effects, ShadowPaintsBesideTheObjectAndWidensTheArea) {
  PlainLayer host(100);
  TestLayer& t = host.t;
  auto* rect = t.Add(new TpmRectangle(), 20, 20);
  rect->SetBounds(20, 20, 30, 30);
  rect->Fill().Color = 0xFFFFFFFF;
  rect->Stroke().Style = pqBrushNone;
  const TpmRect before = rect->AbsoluteRect();
  rect->AddEffect(ShadowToTheRight(6, 0));
  const TpmRect after = rect->AbsoluteRect();
  EXPECT_GT(after.Right, before.Right);
  EXPECT_EQ(t.Pixel(30, 30), 0xFFFFFFFFu);  // the object itself on top
  const uint32_t beside = t.Pixel(53, 35);  // right of the object, inside the shadow
  EXPECT_GT(beside >> 24, 0x80u);
  EXPECT_LT(beside & 0xFF, 0x40u);       // dark
  EXPECT_EQ(t.Pixel(35, 60) >> 24, 0u);  // below it: nothing
}

TEST(Effects, TheShadowOfAnObjectDrawnByItsChildrenLiesBesideThem) {
  PlainLayer host(120);
  TestLayer& t = host.t;
  auto* panel = t.Add(new TpmLayout(), 30, 30);  // draws nothing itself
  panel->SetBounds(30, 30, 40, 40);
  auto* inner = new TpmLayout();
  panel->AddObject(inner);
  auto* rect = new TpmRectangle();  // a grandchild, as controls hold their parts
  inner->AddObject(rect);
  inner->SetBounds(0, 0, 40, 40);
  rect->SetBounds(0, 0, 40, 40);
  rect->Fill().Color = 0xFFFFFFFF;
  rect->Stroke().Style = pqBrushNone;
  panel->AddEffect(ShadowToTheRight(8, 0.3f));
  EXPECT_EQ(t.Pixel(50, 50), 0xFFFFFFFFu);
  EXPECT_GT(t.Pixel(74, 50) >> 24, 0x60u) << "right of the panel: its shadow";
  EXPECT_EQ(t.Pixel(24, 50) >> 24, 0u) << "left of the panel: nothing";
}

TEST(Effects, AnImagesShadowLiesBesideThePicture) {
  for (TpmImageWrap wrap : {pqImageOriginal, pqImageFit}) {
    PlainLayer host(120);
    TestLayer& t = host.t;
    auto* image = t.Add(new TpmImage(), 30, 30);
    image->SetBounds(30, 30, 40, 40);
    image->SetWrapMode(wrap);
    image->Bitmap().SetSize(40, 40);
    image->Bitmap().Clear(0xFFFFFFFF);
    image->AddEffect(ShadowToTheRight(8, 0.3f));
    EXPECT_EQ(t.Pixel(50, 50), 0xFFFFFFFFu) << wrap;
    EXPECT_GT(t.Pixel(74, 50) >> 24, 0x60u) << wrap;
    EXPECT_EQ(t.Pixel(24, 50) >> 24, 0u) << wrap;
  }
}

constexpr const char* kPanelWithShadow = R"(object TpmLayout
  Width = 40
  Height = 30
  object Shadow1: TpmShadowEffect
    Distance = 7
    Direction = 90
    Softness = 0.25
    ShadowColor = '#FF102030'
  end
  object TpmRectangle
    Width = 10
    Height = 10
  end
end
)";

TEST(Effects, AnEffectInStoredTextBelongsToItsObjectAndIsWrittenBack) {
  TComponent owner;
  std::unique_ptr<TComponent> read(testsupport::LoadComponentText(kPanelWithShadow, &owner));
  auto* panel = dynamic_cast<TpmLayout*>(read.get());
  ASSERT_NE(panel, nullptr);
  // The object owns the effect now, not the owner of the text.
  owner.RemoveComponent(panel);
  for (int i = 0; i < owner.ComponentCount(); ++i)
    EXPECT_EQ(dynamic_cast<TpmEffect*>(owner.Components(i)), nullptr);
  ASSERT_EQ(panel->Effects().size(), 1u);
  auto* shadow = dynamic_cast<TpmShadowEffect*>(panel->Effects()[0].get());
  ASSERT_NE(shadow, nullptr);
  EXPECT_EQ(shadow->Distance(), 7);
  EXPECT_EQ(shadow->ShadowColor(), 0xFF102030u);
  EXPECT_EQ(panel->ChildrenCount(), 1) << "the effect is no 2D child";
  EXPECT_GT(panel->AbsoluteRect().Bottom, 30) << "the repaint area includes the shadow";

  // Written back inside its object, and a copy gets a copy of its own.
  const std::string text = testsupport::SaveComponentText(*panel);
  EXPECT_NE(text.find("TpmShadowEffect"), std::string::npos) << text;
  std::unique_ptr<TComponent> copy(CloneObject(*panel, nullptr));
  auto* copied = dynamic_cast<TpmLayout*>(copy.get());
  ASSERT_NE(copied, nullptr);
  ASSERT_EQ(copied->Effects().size(), 1u);
  EXPECT_NE(copied->Effects()[0].get(), shadow);
  EXPECT_EQ(dynamic_cast<TpmShadowEffect*>(copied->Effects()[0].get())->Direction(), 90);
}

TEST(Effects, TextBrokenAfterAnEffectFreesEverythingOnce) {
  std::string broken = kPanelWithShadow;
  broken.replace(broken.find("    Width = 10"), 14, "    Widht = 10");
  TComponent owner;
  EXPECT_EQ(testsupport::LoadComponentText(broken, &owner), nullptr);
  EXPECT_EQ(owner.ComponentCount(), 0);
  // An effect inside an effect has nobody to draw or free it: refused.
  std::string nested = kPanelWithShadow;
  const std::string colour = "    ShadowColor = '#FF102030'\n";
  nested.insert(nested.find(colour) + colour.size(), "    object TpmBlurEffect\n    end\n");
  EXPECT_EQ(testsupport::LoadComponentText(nested, nullptr), nullptr);
  EXPECT_EQ(testsupport::LoadComponentText(nested, &owner), nullptr);
  EXPECT_EQ(owner.ComponentCount(), 0);
}

TEST(Effects, AStylePartsEffectFollowsTheControlsState) {
  TpmResources styles;
  styles.SetResourceText(R"(object TpmLayout
  ResourceName = 'buttonstyle'
  object TpmRectangle
    ResourceName = 'background'
    Align = pqAlignContents
    HitTest = False
    object TpmGlowEffect
      Enabled = False
      Trigger = 'IsMouseOver=true'
    end
  end
end
)");
  TestLayer t(100, 100);
  t.layer->SetStyle(&styles);
  auto* button = t.Add(new TpmButton(), 10, 10);
  auto* part = dynamic_cast<TpmVisualObject*>(button->FindStylePart("background"));
  ASSERT_NE(part, nullptr);
  ASSERT_EQ(part->Effects().size(), 1u);
  TpmEffect& glow = *part->Effects()[0];
  EXPECT_FALSE(glow.Enabled());
  t.layer->PointerMove(0, 20, 20);
  EXPECT_TRUE(button->IsMouseOver());
  EXPECT_TRUE(glow.Enabled());
  t.layer->PointerMove(0, 90, 90);
  EXPECT_FALSE(glow.Enabled());
}

}  // namespace
