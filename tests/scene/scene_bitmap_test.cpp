#include "scene/scene_bitmap.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "scene/canvas.h"
#include "tests/scene/shape_test_canvas.h"

TEST(SceneBitmap, SetSizeKeepsOrDropsPixelsAndCanvas) {
  TgkBitmap b(4, 3);
  ASSERT_EQ(b.PixelCount(), 12u);
  EXPECT_EQ(b.Bits()[11], 0u);
  b.Clear(0x80FF0000);
  EXPECT_EQ(b.Bits()[5], 0x80FF0000u);  // stored as given, no premultiplication
  TgkCanvas* canvas = &b.Canvas();
  EXPECT_EQ(canvas->Bitmap(), &b);
  EXPECT_EQ(canvas->Width(), 4);
  b.SetNeedsUpload(false);

  b.SetSize(4, 3);
  EXPECT_EQ(b.Bits()[5], 0x80FF0000u);
  EXPECT_EQ(&b.Canvas(), canvas);
  EXPECT_FALSE(b.NeedsUpload());

  b.SetSize(2, 2);
  EXPECT_FALSE(b.HasCanvas());
  EXPECT_EQ(b.Bits()[0], 0u);
  EXPECT_TRUE(b.NeedsUpload());

  b.SetSize(-5, 7);
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 7);
  EXPECT_EQ(b.Bits(), nullptr);
  EXPECT_THROW(b.SetSize(1 << 20, 1 << 20), std::length_error);
  EXPECT_EQ(b.Height(), 7);
}

// A render target's size without pixels; SetSize of that very size then gives it pixels.
TEST(SceneBitmap, ATargetSizeKeepsNoPixelsUntilSetSize) {
  TgkBitmap b(4, 3);
  (void)b.Canvas();  // one the new size drops
  b.SetTargetSize(8, 6);
  EXPECT_FALSE(b.HasCanvas());
  EXPECT_EQ(b.Width(), 8);
  EXPECT_EQ(b.Height(), 6);
  EXPECT_EQ(b.Bits(), nullptr);
  EXPECT_EQ(b.PixelCount(), 0u);
  EXPECT_EQ(b.Canvas().Width(), 8);
  b.SetSize(8, 6);
  ASSERT_EQ(b.PixelCount(), 48u);
  EXPECT_EQ(b.Bits()[47], 0u);
  EXPECT_FALSE(b.HasCanvas());
  EXPECT_THROW(b.SetTargetSize(1 << 20, 4), std::length_error);
  EXPECT_EQ(b.PixelCount(), 48u);
}

TEST(SceneBitmap, WriteLockMarksForUploadAndNotifiesOnUnlock) {
  TgkBitmap b(2, 2);
  int changes = 0;
  b.OnChange = [&](TgkBitmap&) { ++changes; };
  b.SetNeedsUpload(false);
  uint32_t* bits = nullptr;
  ASSERT_TRUE(b.LockBitmapBits(bits, false));
  b.UnlockBitmapBits();
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(b.NeedsUpload());

  ASSERT_TRUE(b.LockBitmapBits(bits, true));
  bits[3] = 0xFFFFFFFF;
  EXPECT_TRUE(b.WriteLocked());
  b.UnlockBitmapBits();
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(b.NeedsUpload());
  EXPECT_FALSE(b.WriteLocked());

  TgkBitmap empty;
  EXPECT_FALSE(empty.LockBitmapBits(bits, true));
  EXPECT_EQ(bits, nullptr);
  EXPECT_FALSE(empty.WriteLocked());
}

TEST(SceneBitmap, AssignCopiesSizeAndPixels) {
  TgkBitmap a(3, 1), b(1, 1);
  a.Bits()[2] = 0x12345678;
  int changes = 0;
  b.OnChange = [&](TgkBitmap&) { ++changes; };
  b.Assign(a);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.Bits()[2], 0x12345678u);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(b.NeedsUpload());
}

TEST(SceneBitmap, TellsItsTextureHoldersWhenFreed) {
  TShapeTestCanvas canvas;
  auto texture = std::make_unique<TgkBitmap>(2, 2);
  canvas.UpdateBitmap(*texture);
  ASSERT_EQ(texture->TextureHolders().size(), 1u);
  EXPECT_EQ(texture->TextureHolders()[0], &canvas);
  texture->AddTextureHolder(&canvas);  // no duplicates
  EXPECT_EQ(texture->TextureHolders().size(), 1u);
  EXPECT_NE(canvas.TextureOf(texture.get()), TgkTexture{0});
  texture.reset();  // the canvas drops its texture instead of keeping a dangling entry
  EXPECT_EQ(canvas.freed_bitmaps, 1);
  EXPECT_TRUE(canvas.Textures().empty());

  // A canvas that goes first leaves no holder behind either.
  TgkBitmap survivor(1, 1);
  {
    TShapeTestCanvas short_lived;
    short_lived.UpdateBitmap(survivor);
    ASSERT_EQ(survivor.TextureHolders().size(), 1u);
  }
  EXPECT_TRUE(survivor.TextureHolders().empty());
}
