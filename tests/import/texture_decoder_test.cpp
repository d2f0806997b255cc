// Textures decoded in the guarded decoder process: the same pixels as the image codecs give
// in the program itself, and whatever the decoder does instead costs one texture only.
#include "import/texture_decoder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/cancel_signal.h"
#include "tests/support/test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

// Sets the decoder program for one test.
class ScopedDecoder {
 public:
  explicit ScopedDecoder(const std::string& program) : previous_(OverrideTextureDecoder(program)) {}
  ~ScopedDecoder() { OverrideTextureDecoder(previous_); }

 private:
  std::string previous_;
};

TRasterImage Gradient(int32_t width, int32_t height) {
  TRasterImage image = AllocateRaster(width, height, TAlphaForm::Straight);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t alpha = (x + y) % 3 == 0 ? 0x80u : 0xFFu;
      image.Row(y)[x] = alpha << 24 | static_cast<uint32_t>(x * 7 % 256) << 16 |
                        static_cast<uint32_t>(y * 5 % 256) << 8 | 0x40u;
    }
  }
  return image;
}

void ExpectSameImage(const TDecodedTexture& got, const TRasterImage& want) {
  ASSERT_TRUE(got.Image) << got.Failure;
  EXPECT_EQ(got.Failure, "");
  EXPECT_EQ(got.Image->width, want.width);
  EXPECT_EQ(got.Image->height, want.height);
  EXPECT_EQ(got.Image->form, TAlphaForm::Straight);
  EXPECT_TRUE(got.Image->pixels == want.pixels);
}

TEST(TextureDecoder, GivesThePixelsTheCodecsGiveInTheProgramItself) {
  testsupport::TempDir dir;
  const TRasterImage source = Gradient(37, 23);
  TTextureDecoder decoder;
  for (TImageFormat format : {TImageFormat::Png, TImageFormat::Jpeg, TImageFormat::Bmp,
                              TImageFormat::Tiff, TImageFormat::Gif}) {
    const std::vector<uint8_t> bytes = EncodeImage(source, format, TEncodeOptions{90});
    const std::string path = dir.File("image" + std::to_string(static_cast<int>(format)));
    testsupport::WriteFile(path, {bytes.begin(), bytes.end()});
    // At full size and reduced to fit a side of 16.
    for (int32_t side : {4096, 16}) {
      SCOPED_TRACE(path + " side " + std::to_string(side));
      const TRasterImage want =
          DecodeImageFitting(bytes.data(), bytes.size(), TAlphaForm::Straight, side);
      ASSERT_LE(want.width, side);
      ExpectSameImage(decoder.Data(bytes.data(), bytes.size(), side), want);
      ExpectSameImage(decoder.File(path, side), want);
    }
  }
  // Not an image: no pixels, and no failure of the decoder either.
  const std::vector<uint8_t> text = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
  const TDecodedTexture none = decoder.Data(text.data(), text.size(), 4096);
  EXPECT_FALSE(none.Image);
  EXPECT_EQ(none.Failure, "");
  // A file that cannot be read is a failure that says so; the next image decodes.
  const TDecodedTexture gone = decoder.File(dir.File("missing.png"), 4096);
  EXPECT_FALSE(gone.Image);
  EXPECT_NE(gone.Failure, "");
  const std::vector<uint8_t> png = EncodeImage(source, TImageFormat::Png);
  EXPECT_TRUE(decoder.Data(png.data(), png.size(), 4096).Image);
}

std::string FaultyDecoder() {
  return FACETMINT_FAULTY_DECODER;
}

TDecodedTexture DecodeText(TTextureDecoder& decoder, const std::string& text) {
  return decoder.Data(reinterpret_cast<const uint8_t*>(text.data()), text.size(), 4096);
}

// The second pixel of the faulty decoder's answer counts the requests its process answered.
uint32_t AnswerNumber(const TDecodedTexture& decoded) {
  return decoded.Image ? decoded.Image->pixels[1] : 0;
}

TEST(TextureDecoder, ACrashHangOrBadAnswerCostsOneTextureAndTheNextStartsAnew) {
  ScopedDecoder faulty(FaultyDecoder());
  TGuardLimits limits = TextureDecoderLimits();
  limits.WallMilliseconds = 1000;
  TTextureDecoder decoder(nullptr, limits);
  EXPECT_EQ(AnswerNumber(DecodeText(decoder, "first")), 1u);
  EXPECT_EQ(AnswerNumber(DecodeText(decoder, "second")), 2u);  // the same process

  const TDecodedTexture crashed = DecodeText(decoder, "crash");
  EXPECT_FALSE(crashed.Image);
  EXPECT_EQ(crashed.Failure, "the decoder crashed (signal 11)");
  EXPECT_EQ(AnswerNumber(DecodeText(decoder, "one more")), 1u);  // a new process

  const auto start = Clock::now();
  const TDecodedTexture hung = DecodeText(decoder, "hang");
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(hung.Image);
  EXPECT_EQ(hung.Failure, "decoding took longer than 1 seconds");
  EXPECT_EQ(AnswerNumber(DecodeText(decoder, "and another")), 1u);

  // An answer of 2^30 x 1 pixels is refused before anything is allocated for it.
  const TDecodedTexture lied = DecodeText(decoder, "lie");
  EXPECT_FALSE(lied.Image);
  EXPECT_EQ(lied.Failure, "the decoder handed back malformed data");
  EXPECT_EQ(AnswerNumber(DecodeText(decoder, "and the last")), 1u);
}

// All the images of a load share one wall time: once a model whose textures hang the
// decoder has used it up, the images after are not even tried.
TEST(TextureDecoder, AllTheImagesOfALoadShareOneWallTime) {
  ScopedDecoder faulty(FaultyDecoder());
  TGuardLimits limits = TextureDecoderLimits();
  limits.WallMilliseconds = 1000;
  TTextureDecoder decoder(nullptr, limits, 2000);
  const auto start = Clock::now();
  const std::string in_all = "decoding the model's textures took longer than 2 seconds in all";
  EXPECT_EQ(DecodeText(decoder, "hang").Failure, "decoding took longer than 1 seconds");
  EXPECT_EQ(DecodeText(decoder, "hang").Failure, in_all);
  EXPECT_EQ(DecodeText(decoder, "fine").Failure, in_all);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(3500));
}

TEST(TextureDecoder, ACancelStopsADecodeUnderWayAndStartsNoOther) {
  ScopedDecoder faulty(FaultyDecoder());
  TCancelSignal cancel;
  TTextureDecoder decoder(&cancel);
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    cancel.Cancel();
  });
  const auto start = Clock::now();
  const TDecodedTexture hung = DecodeText(decoder, "hang");
  canceller.join();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(hung.Image);
  EXPECT_EQ(hung.Failure, "cancelled");
  EXPECT_EQ(DecodeText(decoder, "after").Failure, "cancelled");
}

TEST(TextureDecoder, AMissingDecoderIsAFailureNotAnException) {
  ScopedDecoder missing("/nonexistent/facetmint-texture-decoder");
  TTextureDecoder decoder;
  const TDecodedTexture decoded = DecodeText(decoder, "anything");
  EXPECT_FALSE(decoded.Image);
  EXPECT_NE(decoded.Failure, "");
}

}  // namespace
