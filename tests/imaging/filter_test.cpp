// TpmFilter through TpmBitmap, as the program uses it: file loads with rotation, thumbnails,
// saves chosen by extension, the stored form, and the class reference.
#include "imaging/filter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <limits>
#include <map>

#include "core/persistent.h"
#include "core/stream.h"
#include "imaging/bitmap.h"
#include "imaging/image_codec.h"
#include "tests/imaging/codec_test_util.h"

using codectest::Sample;

namespace {

// A bitmap with a distinct opaque colour in each pixel, premultiplied.
void Numbered(TpmBitmap& b, int w, int h) {
  b.SetSize(w, h);
  for (int i = 0; i < w * h; ++i) b.Pixels()[i] = 0xFF000000u | (i * 5 + 1);
}

std::vector<uint32_t> PixelsOf(const TpmBitmap& b) {
  return std::vector<uint32_t>(b.Pixels(), b.Pixels() + b.Width() * b.Height());
}

std::unique_ptr<TpmFilter> Filter() {
  return DefaultFilterClass().Create();
}

}  // namespace

TEST(Filter, FileTypesAndImageSize) {
  std::string types = Filter()->GetFileTypes();
  for (const char* t : {"*.bmp", "*.jpg", "*.jpeg", "*.png", "*.tif", "*.tiff", "*.gif", "*.ico"})
    EXPECT_NE(types.find(t), std::string::npos) << t;
  TpmPoint size = Filter()->GetImageSize(Sample("rgb.jpg"));
  EXPECT_EQ(size.X, 8);
  EXPECT_EQ(size.Y, 6);
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("junk.png"), {1, 2, 3, 4, 5});
  EXPECT_EQ(Filter()->GetImageSize(dir.File("junk.png")), (TpmPoint{0, 0}));
  EXPECT_THROW(Filter()->GetImageSize(dir.File("missing.png")), EStreamError);
}

TEST(Filter, LoadFiresOnChangeOnlyOnSuccessAndKeepsTheBitmapOtherwise) {
  TpmBitmap b(3, 3);
  b.Clear(0x12345678);
  int changes = 0;
  b.OnChange = [&](TpmBitmap&) { ++changes; };
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("bad.png"), {0x89, 'P', 'N', 'G', 0, 0});
  EXPECT_FALSE(b.LoadFromFile(dir.File("bad.png")));
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.Pixels()[8], 0x12345678u);
  EXPECT_THROW(b.LoadFromFile(dir.File("missing.png")), EStreamError);
  EXPECT_TRUE(b.LoadFromFile(Sample("rgba.png")));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(b.Width(), 8);
  EXPECT_EQ(b.Pixels()[8 + 4], 0x9048172Du);  // (4, 1) premultiplied
}

TEST(Filter, RotationByWholeQuarterTurnsIsExact) {
  testsupport::TempDir dir;
  TpmBitmap source;
  Numbered(source, 3, 2);
  ASSERT_TRUE(source.SaveToFile(dir.File("n.png")));
  auto at = [](const TpmBitmap& b, int x, int y) { return b.Pixels()[y * b.Width() + x] & 0xFF; };
  TpmBitmap b;
  // 90: the left column, read bottom-up, becomes the top row.
  ASSERT_TRUE(b.LoadFromFile(dir.File("n.png"), 90));
  ASSERT_EQ(b.Width(), 2);
  ASSERT_EQ(b.Height(), 3);
  EXPECT_EQ(at(b, 0, 0), at(source, 0, 1));
  EXPECT_EQ(at(b, 1, 0), at(source, 0, 0));
  EXPECT_EQ(at(b, 0, 2), at(source, 2, 1));
  ASSERT_TRUE(b.LoadFromFile(dir.File("n.png"), 180));
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(at(b, 0, 0), at(source, 2, 1));
  EXPECT_EQ(at(b, 2, 1), at(source, 0, 0));
  ASSERT_TRUE(b.LoadFromFile(dir.File("n.png"), 270));
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(at(b, 0, 0), at(source, 2, 0));
  EXPECT_EQ(at(b, 0, 2), at(source, 0, 0));
  // 450 is 90 again; the remainder keeps the sign, so -90 and 360 do not turn.
  ASSERT_TRUE(b.LoadFromFile(dir.File("n.png"), 450));
  EXPECT_EQ(b.Width(), 2);
  for (float angle : {-90.0f, 360.0f, 0.0f, -360.0f}) {
    ASSERT_TRUE(b.LoadFromFile(dir.File("n.png"), angle));
    EXPECT_EQ(PixelsOf(b), PixelsOf(source)) << angle;
  }
}

TEST(Filter, FreeRotationAndBadAngles) {
  testsupport::TempDir dir;
  TpmBitmap source(40, 20);
  source.Clear(0xFF808080u);
  ASSERT_TRUE(source.SaveToFile(dir.File("g.png")));
  TpmBitmap b;
  ASSERT_TRUE(b.LoadFromFile(dir.File("g.png"), 90.5f));
  EXPECT_EQ(b.Width(), 20);  // 40 |cos 90.5| + 20 sin 90.5 = 20.35
  EXPECT_EQ(b.Height(), 40);
  EXPECT_EQ(b.Pixels()[20 * b.Width() + 10], 0xFF808080u);
  ASSERT_TRUE(b.LoadFromFile(dir.File("g.png"), -30));
  EXPECT_EQ(b.Width(), 44);   // 40 cos 30 + 20 sin 30 = 44.6
  EXPECT_EQ(b.Height(), 37);  // 40 sin 30 + 20 cos 30 = 37.3
  int changes = 0;
  b.OnChange = [&](TpmBitmap&) { ++changes; };
  EXPECT_FALSE(b.LoadFromFile(dir.File("g.png"), std::numeric_limits<float>::quiet_NaN()));
  EXPECT_FALSE(b.LoadFromFile(dir.File("g.png"), std::numeric_limits<float>::infinity()));
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(b.Width(), 44);
}

TEST(Filter, ThumbnailsFitAndNeverEnlarge) {
  testsupport::TempDir dir;
  TpmBitmap source(100, 50);
  source.Clear(0xFF0000FFu);
  ASSERT_TRUE(source.SaveToFile(dir.File("t.bmp")));
  TpmBitmap b;
  ASSERT_TRUE(Filter()->LoadThumbnailFromFile(dir.File("t.bmp"), false, 200, 200, b));
  EXPECT_EQ(b.Width(), 100);
  EXPECT_EQ(b.Height(), 50);
  ASSERT_TRUE(Filter()->LoadThumbnailFromFile(dir.File("t.bmp"), true, 30, 30, b));
  EXPECT_EQ(b.Width(), 30);
  EXPECT_EQ(b.Height(), 15);
  EXPECT_EQ(b.Pixels()[7 * 30 + 15], 0xFF0000FFu);
  ASSERT_TRUE(Filter()->LoadThumbnailFromFile(dir.File("t.bmp"), false, 0, 30, b));
  EXPECT_EQ(b.Width(), 100);  // an empty box means no reduction
  ASSERT_TRUE(Filter()->LoadThumbnailFromFile(dir.File("t.bmp"), false, 1, 1, b));
  EXPECT_EQ(b.Width(), 1);
  EXPECT_EQ(b.Height(), 1);  // 50 / 100 truncates to 0, raised to one pixel
}

TEST(Filter, SaveChoosesTheFormatByExtensionAndWritesNothingForOthers) {
  testsupport::TempDir dir;
  TpmBitmap b(4, 4);
  b.Clear(0x80800000u);  // half-transparent red, premultiplied
  ASSERT_TRUE(b.SaveToFile(dir.File("UPPER.PNG")));
  auto png = testsupport::ReadFile(dir.File("UPPER.PNG"));
  EXPECT_EQ(DetectImageFormat(png.data(), png.size()), TImageFormat::Png);
  TRasterImage straight = DecodeImage(png.data(), png.size(), TAlphaForm::Straight);
  EXPECT_EQ(straight.pixels[0], 0x80FF0000u);
  TpmBitmap back;
  ASSERT_TRUE(back.LoadFromFile(dir.File("UPPER.PNG")));
  EXPECT_EQ(PixelsOf(back), PixelsOf(b));

  EXPECT_FALSE(b.SaveToFile(dir.File("x.dat")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.dat")));
  EXPECT_FALSE(b.SaveToFile(dir.File("noext")));
  for (const char* name : {"a.jpg", "a.JPEG", "a.bmp", "a.tif", "a.tiff", "a.gif"}) {
    ASSERT_TRUE(b.SaveToFile(dir.File(name))) << name;
    auto bytes = testsupport::ReadFile(dir.File(name));
    EXPECT_EQ(DetectImageFormat(bytes.data(), bytes.size()), EncoderFormatForFileName(name))
        << name;
  }
  // No temporary file is left behind.
  for (auto& entry : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST(Filter, QualityParameter) {
  EXPECT_EQ(QualityFromParams("", 75), 75);
  EXPECT_EQ(QualityFromParams("quality=20", 75), 20);
  EXPECT_EQ(QualityFromParams("QUALITY=30 other=x", 75), 30);
  EXPECT_EQ(QualityFromParams("size=3 Quality=+40", 75), 40);
  EXPECT_EQ(QualityFromParams("qualityx=5 quality", 75), 75);  // neither names quality=
  EXPECT_THROW(QualityFromParams("quality=high", 75), std::invalid_argument);
  EXPECT_THROW(QualityFromParams("quality=", 75), std::invalid_argument);
  EXPECT_THROW(QualityFromParams("quality=9.5", 75), std::invalid_argument);

  testsupport::TempDir dir;
  TpmBitmap noise(64, 64);
  uint32_t seed = 1;
  for (int i = 0; i < 64 * 64; ++i) {
    seed = seed * 1103515245u + 12345u;
    noise.Pixels()[i] = 0xFF000000u | (seed >> 8);
  }
  ASSERT_TRUE(noise.SaveToFile(dir.File("low.jpg"), "quality=5"));
  ASSERT_TRUE(noise.SaveToFile(dir.File("high.jpg"), "quality=95"));
  ASSERT_TRUE(noise.SaveToFile(dir.File("clamped.jpg"), "quality=1000"));
  auto size = [&](const char* n) { return std::filesystem::file_size(dir.File(n)); };
  EXPECT_LT(size("low.jpg") * 2, size("high.jpg"));
  EXPECT_GE(size("clamped.jpg"), size("high.jpg"));
  // A bad value raises before anything is written.
  EXPECT_THROW(noise.SaveToFile(dir.File("bad.jpg"), "quality=best"), std::invalid_argument);
  EXPECT_FALSE(std::filesystem::exists(dir.File("bad.jpg")));
}

TEST(Filter, FailedEncodeLeavesTheOldFileInPlace) {
  testsupport::TempDir dir;
  std::string target = dir.File("keep.gif");
  TpmBitmap small(2, 2);
  small.Clear(0xFF00FF00u);
  ASSERT_TRUE(small.SaveToFile(target));
  auto before = testsupport::ReadFile(target);
  TpmBitmap wide(70000, 1);  // wider than a GIF can describe
  EXPECT_FALSE(wide.SaveToFile(target));
  EXPECT_EQ(testsupport::ReadFile(target), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(Filter, FailedReplaceRaisesAndLeavesNoTemporaryFile) {
  // The final rename cannot replace a folder that has content: the save must fail loudly,
  // keep what is there and clean up after itself.
  testsupport::TempDir dir;
  std::string target = dir.File("taken.png");
  std::filesystem::create_directory(target);
  testsupport::WriteFile(target + "/inside", {1, 2, 3});
  TpmBitmap b(2, 2);
  EXPECT_THROW(b.SaveToFile(target), EStreamError);
  EXPECT_EQ(testsupport::ReadFile(target + "/inside"), (std::vector<unsigned char>{1, 2, 3}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(Filter, FailedWriteLeavesTheOldFileInPlace) {
  if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
  testsupport::TempDir dir;
  TpmBitmap b(2, 2);
  b.Clear(0xFF00FF00u);
  std::string target = dir.File("keep.png");
  ASSERT_TRUE(b.SaveToFile(target));
  auto before = testsupport::ReadFile(target);
  ::chmod(dir.path().c_str(), 0500);  // no new files in the folder
  b.Clear(0xFFFF0000u);
  EXPECT_THROW(b.SaveToFile(target), EStreamError);
  ::chmod(dir.path().c_str(), 0700);
  EXPECT_EQ(testsupport::ReadFile(target), before);
}

TEST(Filter, StoredFormIsPngWithAlphaAndJpegWhenOpaque) {
  TpmBitmap opaque(4, 3);
  opaque.Clear(0xFF336699u);
  TMemoryStream jpeg;
  ASSERT_TRUE(opaque.SaveToStream(jpeg));
  ASSERT_GT(jpeg.Size(), 2);
  EXPECT_EQ(jpeg.Memory()[0], 0xFF);
  EXPECT_EQ(jpeg.Memory()[1], 0xD8);

  TpmBitmap one_translucent(4, 3);
  one_translucent.Clear(0xFF336699u);
  one_translucent.Pixels()[11] = 0xFE336699u;
  TMemoryStream png;
  png.WriteBuffer("ab", 2);  // stored forms are written at the current position
  ASSERT_TRUE(one_translucent.SaveToStream(png));
  EXPECT_EQ(png.Memory()[2], 0x89);

  TpmBitmap loaded;
  int changes = 0;
  loaded.OnChange = [&](TpmBitmap&) { ++changes; };
  png.Seek(2);
  ASSERT_TRUE(loaded.LoadFromStream(png));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(PixelsOf(loaded), PixelsOf(one_translucent));
  jpeg.Seek(0);
  ASSERT_TRUE(loaded.LoadFromStream(jpeg));
  EXPECT_EQ(loaded.Width(), 4);
  for (uint32_t p : PixelsOf(loaded)) EXPECT_EQ(p >> 24, 255u);  // JPEG loads opaque
}

TEST(Filter, StoredFormWithAnotherFirstByteOrBadDataChangesNothing) {
  TpmBitmap b(2, 2);
  b.Clear(0x11223344u);
  int changes = 0;
  b.OnChange = [&](TpmBitmap&) { ++changes; };
  // A BMP is a valid image but not a stored form.
  TMemoryStream bmp(testsupport::ReadFile(Sample("rgb.bmp")));
  EXPECT_FALSE(b.LoadFromStream(bmp));
  EXPECT_EQ(bmp.Position(), 0);
  TMemoryStream empty;
  EXPECT_FALSE(b.LoadFromStream(empty));
  auto png = testsupport::ReadFile(Sample("rgba.png"));
  png.resize(png.size() / 2);
  TMemoryStream cut(png);
  EXPECT_FALSE(b.LoadFromStream(cut));
  EXPECT_EQ(cut.Position(), 0);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.Pixels()[3], 0x11223344u);
}

namespace {

// A filter that records what reaches it, to show TpmBitmap goes through the class reference.
class TRecordingFilter final : public TpmFilter {
 public:
  static inline std::string last;
  bool LoadFromFile(const std::string& f, TpmBitmap&, float r) override {
    last = "load " + f + " " + std::to_string(static_cast<int>(r));
    return true;
  }
  bool LoadThumbnailFromFile(const std::string&, bool, float, float, TpmBitmap&) override {
    return false;
  }
  bool SaveToFile(const std::string& f, const TpmBitmap&, const std::string& p) override {
    last = "save " + f + " " + p;
    return true;
  }
  bool LoadJpeg(TStream&, TpmBitmap&) override { return false; }
  bool LoadPng(TStream&, TpmBitmap&) override { return false; }
  bool SaveJpeg(TStream&, const TpmBitmap&) override { return false; }
  bool SavePng(TStream&, const TpmBitmap&) override { return false; }
};

class TRecordingFilterClass final : public TpmFilterClass {
 public:
  std::unique_ptr<TpmFilter> Create() const override {
    return std::make_unique<TRecordingFilter>();
  }
};

}  // namespace

TEST(Filter, BitmapUsesTheDefaultFilterClass) {
  TRecordingFilterClass recording;
  SetDefaultFilterClass(&recording);
  TpmBitmap b;
  int changes = 0;
  b.OnChange = [&](TpmBitmap&) { ++changes; };
  EXPECT_TRUE(b.LoadFromFile("any.name", 90));
  EXPECT_EQ(TRecordingFilter::last, "load any.name 90");
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(b.SaveToFile("out.x", "quality=3"));
  EXPECT_EQ(TRecordingFilter::last, "save out.x quality=3");
  SetDefaultFilterClass(nullptr);
  EXPECT_EQ(DefaultFilterClass().Create()->GetFileTypes().empty(), false);
  EXPECT_EQ(TRecordingFilter().GetFileTypes(), "");  // the base reads nothing
  EXPECT_EQ(TRecordingFilter().GetImageSize("x"), (TpmPoint{0, 0}));
}

namespace {

// Captures the binary properties an object defines, as the form writer and reader would.
class TCapturingFiler final : public TFiler {
 public:
  struct TBinary {
    std::function<void(TStream&)> read, write;
    bool has_data;
  };
  std::map<std::string, TBinary> binary;
  void DefineProperty(const std::string&, const std::function<void(const std::string&)>&,
                      const std::function<std::string()>&, bool) override {}
  void DefineBinaryProperty(const std::string& name, const std::function<void(TStream&)>& read,
                            const std::function<void(TStream&)>& write, bool has_data) override {
    binary[name] = {read, write, has_data};
  }
};

}  // namespace

TEST(Filter, BitmapStreamsAsTheBinaryPropertyPng) {
  TpmBitmap source(3, 2);
  source.Clear(0xFF204060u);
  source.Pixels()[4] = 0x40102030u;
  TCapturingFiler out;
  source.DefineProperties(out);
  ASSERT_EQ(out.binary.count("PNG"), 1u);
  EXPECT_TRUE(out.binary["PNG"].has_data);
  TMemoryStream data;
  out.binary["PNG"].write(data);
  EXPECT_EQ(data.Memory()[0], 0x89);

  TpmBitmap target;
  TCapturingFiler in;
  target.DefineProperties(in);
  data.Seek(0);
  in.binary["PNG"].read(data);
  EXPECT_EQ(PixelsOf(target), PixelsOf(source));

  // Assign through the persistent base copies pixels; unrelated classes are refused.
  TpmBitmap copy;
  copy.Assign(static_cast<const TPersistent&>(source));
  EXPECT_EQ(PixelsOf(copy), PixelsOf(source));
  EXPECT_EQ(source.ClassName(), "TpmBitmap");
  TPersistent other;
  EXPECT_THROW(copy.Assign(other), EPropertyError);
}
