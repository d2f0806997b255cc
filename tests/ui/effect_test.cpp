// Effects on vector objects: the shadow is drawn beside the object from the kept picture,
// and the repainted area grows by the effect's spread.
#include <gtest/gtest.h>

#include <memory>

#include "imaging/effects.h"
#include "tests/ui/ui_test_host.h"
#include "ui/resources.h"
#include "ui/shapes.h"

namespace {

TEST(Effects, ShadowPaintsBesideTheObjectAndWidensTheArea) {
  TpmResources plain;  // a root that draws nothing, so the shadow shows on transparency
  plain.SetResourceText("object TpmLayout\n  ResourceName = 'backgroundstyle'\nend\n");
  TestLayer t(100, 100);
  t.layer->SetStyle(&plain);
  auto* rect = t.Add(new TpmRectangle(), 20, 20);
  rect->SetBounds(20, 20, 30, 30);
  rect->Fill().Color = 0xFFFFFFFF;
  rect->Stroke().Style = pqBrushNone;
  const TpmRect before = rect->AbsoluteRect();
  auto shadow = std::make_unique<TpmShadowEffect>();
  shadow->SetDistance(6);
  shadow->SetDirection(0);  // to the right
  shadow->SetSoftness(0);
  shadow->SetOpacity(1);
  rect->AddEffect(std::move(shadow));
  const TpmRect after = rect->AbsoluteRect();
  EXPECT_GT(after.Right, before.Right);
  EXPECT_EQ(t.Pixel(30, 30), 0xFFFFFFFFu);  // the object itself on top
  const uint32_t beside = t.Pixel(53, 35);  // right of the object, inside the shadow
  EXPECT_GT(beside >> 24, 0x80u);
  EXPECT_LT(beside & 0xFF, 0x40u);       // dark
  EXPECT_EQ(t.Pixel(35, 60) >> 24, 0u);  // below it: nothing
}

}  // namespace
