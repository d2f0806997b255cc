#include "scene/material.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/component_stream.h"
#include "core/property_registry.h"
#include "scene/bitmap_object.h"
#include "scene/bitmap_registry.h"

TEST(Material, DefaultsAndTheTextFormOfColours) {
  TgkMaterial m;
  EXPECT_EQ(m.DiffuseText(), "#FF707070");
  EXPECT_EQ(m.AmbientText(), "#FF303030");
  EXPECT_TRUE(m.Lighting());
  EXPECT_EQ(m.BitmapMode(), gkTexModulate);
  EXPECT_EQ(m.BitmapTile(), 1);
  EXPECT_TRUE(m.BitmapRect().IsEmpty());
  EXPECT_EQ(m.FillMode(), gkSolid);
  EXPECT_EQ(m.ShadeMode(), gkGouraud);
  m.SetDiffuseText("#80ff0000");
  EXPECT_EQ(m.Diffuse(), 0x80FF0000u);
  EXPECT_EQ(m.DiffuseText(), "#80FF0000");
}

TEST(Material, SettersNotifyOnlyOnRealChanges) {
  TgkMaterial m;
  int changes = 0;
  m.OnChange = [&] { ++changes; };
  m.SetDiffuse(m.Diffuse());
  m.SetDiffuseText("#FF707070");
  m.SetLighting(true);
  m.SetBitmap("");
  m.SetBitmapTile(1);
  m.BitmapRect().SetLeft(0);
  EXPECT_EQ(changes, 0);
  m.SetDiffuse(0xFF000000);
  m.SetLighting(false);
  m.SetFillMode(gkWireframe);
  m.BitmapRect().SetRight(16);  // the rectangle notifies through the material
  EXPECT_EQ(changes, 4);
}

TEST(Material, BitmapTileIsClamped) {
  TgkMaterial m;
  m.SetBitmapTile(50);
  EXPECT_EQ(m.BitmapTile(), 10);
  m.SetBitmapTile(0);
  EXPECT_FLOAT_EQ(m.BitmapTile(), 0.01f);
  m.SetBitmapTile(-3);
  EXPECT_FLOAT_EQ(m.BitmapTile(), 0.01f);
  m.SetBitmapTile(std::numeric_limits<float>::quiet_NaN());
  EXPECT_FLOAT_EQ(m.BitmapTile(), 0.01f);
  m.SetBitmapTile(2.5f);
  EXPECT_EQ(m.BitmapTile(), 2.5f);
}

TEST(Material, AssignCopiesEveryValueButTheDirectBitmapAndNotifiesOnce) {
  TgkMaterial a, b;
  TgkBitmap direct(1, 1);
  a.SetDiffuse(0x11223344);
  a.SetAmbient(0x55667788);
  a.SetLighting(false);
  a.SetBitmap("wood");
  a.SetBitmapMode(gkTexReplace);
  a.SetBitmapTile(3);
  a.BitmapRect().SetBottom(8);
  a.SetFillMode(gkWireframe);
  a.SetShadeMode(gkFlat);
  a.SetDirectBitmap(&direct);
  int changes = 0;
  b.OnChange = [&] { ++changes; };
  b.Assign(a);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(b.Diffuse(), 0x11223344u);
  EXPECT_EQ(b.Ambient(), 0x55667788u);
  EXPECT_FALSE(b.Lighting());
  EXPECT_EQ(b.Bitmap(), "wood");
  EXPECT_EQ(b.BitmapMode(), gkTexReplace);
  EXPECT_EQ(b.BitmapTile(), 3);
  EXPECT_EQ(b.BitmapRect().bottom(), 8);
  EXPECT_EQ(b.FillMode(), gkWireframe);
  EXPECT_EQ(b.ShadeMode(), gkFlat);
  EXPECT_EQ(b.DirectBitmap(), nullptr);
}

TEST(Material, TextureLookupIsGlobalCaseInsensitiveAndFirstRegisteredWins) {
  TgkBitmapCollection list_a, list_b;
  TgkBitmapStream& first = list_a.AddBitmap();
  TgkBitmapStream& second = list_b.AddBitmap();
  second.SetName("Bricks.PNG");  // renamed first, but registered second
  first.SetName("bricks.png");

  TgkMaterial m;
  EXPECT_EQ(m.GetBitmap(), nullptr);  // no name
  m.SetBitmap("BRICKS.png");
  EXPECT_EQ(m.GetBitmap(), &first.Bitmap());

  list_a.Delete(0);  // the entry leaves with its owner
  EXPECT_EQ(m.GetBitmap(), &second.Bitmap());

  TgkBitmap direct;
  m.SetDirectBitmap(&direct);
  EXPECT_EQ(m.GetBitmap(), &direct);
  m.SetDirectBitmap(nullptr);
  m.SetBitmap("missing");
  EXPECT_EQ(m.GetBitmap(), nullptr);
}

TEST(BitmapList, ItemsAreNamedPublishedAndStreamedWithTheirPixels) {
  TgkBitmapList list;
  TgkBitmapStream& item = list.Bitmaps().AddBitmap();
  EXPECT_EQ(item.DisplayName(), "(Bitmap)");
  SetStrProp(item, "Name", "Skin");
  EXPECT_EQ(item.Name(), "Skin");
  TgkBitmap pixels(2, 1);
  pixels.Bits()[1] = 0x7F102030;
  item.SetBitmap(pixels);  // a copy: the item keeps its own bitmap
  EXPECT_EQ(item.Bitmap().Bits()[1], 0x7F102030u);
  EXPECT_NE(&item.Bitmap(), &pixels);
  EXPECT_EQ(FindRegisteredBitmap("SKIN"), &item.Bitmap());
  EXPECT_EQ(list.Bitmaps().Find("skin"), &item);
  EXPECT_EQ(list.Bitmaps().Bitmap(1), nullptr);

  const size_t before = RegisteredBitmapCount();
  {
    TgkBitmapList other;
    other.SetBitmaps(list.Bitmaps());  // the copies register as well
    EXPECT_EQ(RegisteredBitmapCount(), before + 1);
    ASSERT_EQ(other.Bitmaps().Count(), 1);
    EXPECT_EQ(other.Bitmaps().Bitmap(0)->Name(), "Skin");
    EXPECT_EQ(other.Bitmaps().Bitmap(0)->Bitmap().Bits()[1], 0x7F102030u);
    EXPECT_EQ(FindRegisteredBitmap("skin"), &item.Bitmap());  // the first entry still wins
  }
  EXPECT_EQ(RegisteredBitmapCount(), before);
}

TEST(BitmapList, StoredFormKeepsNamesAndPixels) {
  TgkBitmapList list;
  TgkBitmapStream& item = list.Bitmaps().AddBitmap();
  item.SetName("Glass");
  TgkBitmap pixels(3, 2);
  pixels.Clear(0x80402010);
  pixels.Bits()[4] = 0xFFFFFFFF;
  item.SetBitmap(pixels);
  TgkBitmapStream& empty = list.Bitmaps().AddBitmap();
  empty.SetName("Nothing");

  const std::string text = ComponentToText(list);
  EXPECT_NE(text.find("Bitmap.PNG = {"), std::string::npos) << text;
  TMemoryStream stream(std::vector<uint8_t>(text.begin(), text.end()));
  std::unique_ptr<TComponent> back(LoadObjectFromStream(nullptr, stream));
  auto* copy = dynamic_cast<TgkBitmapList*>(back.get());
  ASSERT_NE(copy, nullptr) << text;
  ASSERT_EQ(copy->Bitmaps().Count(), 2);
  const TgkBitmap& b = copy->Bitmaps().Bitmap(0)->Bitmap();
  EXPECT_EQ(copy->Bitmaps().Bitmap(0)->Name(), "Glass");
  ASSERT_EQ(b.Width(), 3);
  EXPECT_EQ(b.Bits()[0], 0x80402010u);
  EXPECT_EQ(b.Bits()[4], 0xFFFFFFFFu);
  EXPECT_TRUE(copy->Bitmaps().Bitmap(1)->Bitmap().IsEmpty());
}

TEST(BitmapObject, IsRegisteredUnderItsComponentName) {
  TgkMaterial m;
  m.SetBitmap("Logo");
  {
    TgkBitmapObject object;
    EXPECT_EQ(m.GetBitmap(), nullptr);
    object.SetName("logo");
    EXPECT_EQ(m.GetBitmap(), &object.Bitmap());
    EXPECT_THROW(object.SetName("not a name"), EComponentError);
    EXPECT_EQ(m.GetBitmap(), &object.Bitmap());
    object.SetName("Other");
    EXPECT_EQ(m.GetBitmap(), nullptr);
    object.SetName("LOGO");
    TgkBitmap pixels(1, 1);
    pixels.Clear(0xFF00FF00);
    object.SetBitmap(pixels);
    EXPECT_EQ(m.GetBitmap()->Bits()[0], 0xFF00FF00u);
  }
  EXPECT_EQ(m.GetBitmap(), nullptr);  // gone with its owner
}
