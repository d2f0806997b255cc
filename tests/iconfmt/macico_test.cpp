#include "iconfmt/macico.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "core/stream.h"
#include "iconfmt/png_data.h"
#include "imaging/bitmap.h"
#include "imaging/image_codec.h"
#include "tests/iconfmt/icon_readback.h"
#include "tests/iconfmt/sample_previews.h"
#include "tests/support/test_support.h"

namespace {

using iconreadback::BE32;
using Bytes = std::vector<uint8_t>;

struct TElement {
  std::string type;
  size_t offset;  // of the type code
  uint32_t length;
  Bytes Data(const Bytes& file, size_t skip = 0) const {
    return Bytes(file.begin() + offset + 8 + skip, file.begin() + offset + length);
  }
};

// Walks the elements after the file header, checking that they tile the file.
std::vector<TElement> Elements(const Bytes& file) {
  std::vector<TElement> out;
  size_t at = 8;
  while (at + 8 <= file.size()) {
    TElement e{std::string(file.begin() + at, file.begin() + at + 4), at, BE32(file, at + 4)};
    EXPECT_GE(e.length, 8u) << e.type;
    if (e.length < 8 || at + e.length > file.size()) {
      ADD_FAILURE() << "element " << e.type << " runs past the end";
      break;
    }
    out.push_back(e);
    at += e.length;
  }
  EXPECT_EQ(at, file.size()) << "bytes left after the last element";
  return out;
}

Bytes UnpackPlanes(const Bytes& packed, size_t plane_size, size_t planes) {
  Bytes out;
  size_t i = 0;
  while (i < packed.size()) {
    uint8_t h = packed[i++];
    size_t n = h < 128 ? h + 1u : h - 125u;
    if (h < 128) {
      EXPECT_LE(i + n, packed.size());
      out.insert(out.end(), packed.begin() + i, packed.begin() + std::min(i + n, packed.size()));
      i += n;
    } else {
      out.insert(out.end(), n, packed.at(i++));
    }
  }
  EXPECT_EQ(out.size(), plane_size * planes);
  return out;
}

Bytes IcnsBytes(const TpmBitmap& i16, const TpmBitmap& i32, const TpmBitmap& i48,
                const TpmBitmap& i128, const TpmBitmap& i256) {
  TMemoryStream stream;
  WriteIcns(i16, i32, i48, i128, i256, stream);
  return stream.Bytes();
}

const std::vector<std::string> kTypes = {"is32", "s8mk", "il32", "l8mk", "ih32",
                                         "h8mk", "it32", "t8mk", "ic08"};

TEST(WriteIcns, TransparentPreviewsGiveTheSmallestElements) {
  TpmBitmap i16(16, 16), i32(32, 32), i48(48, 48), i128(128, 128), i256(256, 256);
  Bytes file = IcnsBytes(i16, i32, i48, i128, i256);
  ASSERT_GE(file.size(), 8u);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "icns");
  EXPECT_EQ(BE32(file, 4), file.size());
  auto elements = Elements(file);
  ASSERT_EQ(elements.size(), 9u);
  for (size_t k = 0; k < 9; ++k) EXPECT_EQ(elements[k].type, kTypes[k]);

  EXPECT_EQ(elements[0].length, 20u);
  EXPECT_EQ(elements[0].Data(file), (Bytes{0xFF, 0, 0xFB, 0, 0xFF, 0, 0xFB, 0, 0xFF, 0, 0xFB, 0}));
  EXPECT_EQ(elements[1].length, 264u);
  EXPECT_EQ(elements[1].Data(file), Bytes(256, 0));
  // The 128 element counts its four zero bytes; each plane is 126 x 130 + 4.
  EXPECT_EQ(elements[6].length, 774u);
  Bytes it32 = elements[6].Data(file);
  EXPECT_EQ(Bytes(it32.begin(), it32.begin() + 4), Bytes(4, 0));
  Bytes plane;
  for (int i = 0; i < 126; ++i) plane.insert(plane.end(), {0xFF, 0x00});
  plane.insert(plane.end(), {0x81, 0x00});
  Bytes planes = plane;
  planes.insert(planes.end(), plane.begin(), plane.end());
  planes.insert(planes.end(), plane.begin(), plane.end());
  EXPECT_EQ(Bytes(it32.begin() + 4, it32.end()), planes);
  EXPECT_EQ(elements[7].length, 8u + 128 * 128);
  EXPECT_GT(elements[8].length, 8u);
}

TEST(WriteIcns, ColourPlanesAndMasksHoldTheStraightPreviewPixels) {
  TSamplePreviews p;
  Bytes file = IcnsBytes(*p.image16, *p.image32, *p.image48, *p.image128, *p.image256);
  EXPECT_EQ(BE32(file, 4), file.size());
  auto elements = Elements(file);
  ASSERT_EQ(elements.size(), 9u);
  const std::pair<int, const TpmBitmap*> images[] = {
      {16, p.image16.get()}, {32, p.image32.get()}, {48, p.image48.get()}, {128, p.image128.get()}};
  for (int k = 0; k < 4; ++k) {
    auto [size, preview] = images[k];
    SCOPED_TRACE("size " + std::to_string(size));
    const TElement& colour = elements[2 * k];
    const TElement& mask = elements[2 * k + 1];
    ASSERT_EQ(colour.type, kTypes[2 * k]);
    size_t n = size_t(size) * size;
    Bytes want = iconreadback::ExpectedRgba(preview->Pixels(), n);
    Bytes planes = UnpackPlanes(colour.Data(file, size == 128 ? 4 : 0), n, 3);
    ASSERT_EQ(planes.size(), 3 * n);
    size_t wrong = 0;
    for (size_t i = 0; i < n; ++i) {
      for (int c = 0; c < 3; ++c) wrong += planes[c * n + i] != want[4 * i + c];
    }
    EXPECT_EQ(wrong, 0u);
    ASSERT_EQ(mask.length, 8 + n);
    Bytes alpha = mask.Data(file);
    for (size_t i = 0; i < n; ++i) ASSERT_EQ(alpha[i], want[4 * i + 3]) << "pixel " << i;
  }
}

// The boxes of a JP2 file (or of a superbox's content): type -> content.
std::multimap<std::string, Bytes> Boxes(const Bytes& data, std::vector<std::string>* order) {
  std::multimap<std::string, Bytes> out;
  size_t at = 0;
  while (at + 8 <= data.size()) {
    uint32_t length = BE32(data, at);
    std::string type(data.begin() + at + 4, data.begin() + at + 8);
    if (length == 0) length = static_cast<uint32_t>(data.size() - at);  // to the end
    if (length < 8 || at + length > data.size()) {
      ADD_FAILURE() << "bad box " << type;
      break;
    }
    out.emplace(type, Bytes(data.begin() + at + 8, data.begin() + at + length));
    if (order) order->push_back(type);
    at += length;
  }
  EXPECT_EQ(at, data.size());
  return out;
}

TEST(WriteIcns, TheLargeImageIsALosslessJp2WithAPlainOpacityChannel) {
  TSamplePreviews p;
  Bytes file = IcnsBytes(*p.image16, *p.image32, *p.image48, *p.image128, *p.image256);
  auto elements = Elements(file);
  ASSERT_EQ(elements.size(), 9u);
  Bytes jp2 = elements[8].Data(file);

  std::vector<std::string> order;
  auto boxes = Boxes(jp2, &order);
  EXPECT_EQ(order, (std::vector<std::string>{"jP  ", "ftyp", "jp2h", "jp2c"}));
  ASSERT_EQ(boxes.count("ftyp"), 1u);
  EXPECT_EQ(boxes.find("jP  ")->second, (Bytes{0x0D, 0x0A, 0x87, 0x0A}));
  EXPECT_EQ(boxes.find("ftyp")->second,
            (Bytes{'j', 'p', '2', ' ', 0, 0, 0, 0, 'j', 'p', '2', ' '}));

  std::vector<std::string> header_order;
  auto header = Boxes(boxes.find("jp2h")->second, &header_order);
  EXPECT_EQ(header_order, (std::vector<std::string>{"ihdr", "colr", "cdef"}));
  ASSERT_EQ(header.count("ihdr"), 1u);
  // Height, width, 4 components, 8-bit unsigned (7), compression 7, colourspace known, no IPR.
  EXPECT_EQ(header.find("ihdr")->second, (Bytes{0, 0, 1, 0, 0, 0, 1, 0, 0, 4, 7, 7, 0, 0}));
  ASSERT_EQ(header.count("colr"), 1u);
  EXPECT_EQ(header.find("colr")->second, (Bytes{1, 0, 0, 0, 0, 0, 16}));  // enumerated sRGB
  ASSERT_EQ(header.count("cdef"), 1u);
  // Channels 0-2 colour 1-3, channel 3 opacity (type 1, not premultiplied) of the whole image.
  EXPECT_EQ(header.find("cdef")->second,
            (Bytes{0, 4, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 2, 0, 2, 0, 0, 0, 3, 0, 3, 0, 1, 0, 0}));

  // The codestream: 256 x 256, four 8-bit components, one layer in LRCP order without a
  // component transform, six resolutions, 64 x 64 code-blocks, reversible wavelet.
  const Bytes& cs = boxes.find("jp2c")->second;
  ASSERT_GE(cs.size(), 2u + 4 + 38 + 4 * 3 + 14);
  EXPECT_EQ(cs[0], 0xFF);
  EXPECT_EQ(cs[1], 0x4F);  // SOC
  ASSERT_EQ(cs[3], 0x51);  // SIZ
  EXPECT_EQ(BE32(cs, 8), 256u);
  EXPECT_EQ(BE32(cs, 12), 256u);
  EXPECT_EQ(BE32(cs, 24), 256u);  // one tile of the whole image
  EXPECT_EQ(BE32(cs, 28), 256u);
  EXPECT_EQ(cs[40] << 8 | cs[41], 4);
  for (int c = 0; c < 4; ++c)
    EXPECT_EQ((Bytes{cs[42u + 3 * c], cs[43u + 3 * c], cs[44u + 3 * c]}), (Bytes{7, 1, 1}));
  size_t cod = 4 + (cs[4] << 8 | cs[5]);
  ASSERT_EQ(cs[cod], 0xFF);
  ASSERT_EQ(cs[cod + 1], 0x52);  // COD
  EXPECT_EQ(Bytes(cs.begin() + cod + 5, cs.begin() + cod + 14),
            (Bytes{0x00, 0x00, 0x01, 0x00, 0x05, 0x04, 0x04, 0x00, 0x01}));
}

// The sample previews, written to a file that the tests hand to real readers.
class IcnsOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = dir_.File("icon.icns");
    WriteIcns(*p_.image16, *p_.image32, *p_.image48, *p_.image128, *p_.image256, file_);
  }
  TSamplePreviews p_;
  testsupport::TempDir dir_;
  std::string file_;
};

TEST_F(IcnsOnDisk, Icns2pngListsAndExtractsEveryElement) {
  if (!testsupport::HaveTool("icns2png")) GTEST_SKIP() << "icns2png (icnsutils) not installed";
  std::string output;
  ASSERT_EQ(testsupport::RunCommand("icns2png -l " + testsupport::ShellQuote(file_), &output), 0)
      << output;
  for (const auto& line :
       {"'is32' 16x16 32-bit icon", "'s8mk' 16x16 8-bit mask", "'il32' 32x32 32-bit icon",
        "'l8mk' 32x32 8-bit mask", "'ih32' 48x48 32-bit icon", "'h8mk' 48x48 8-bit mask",
        "'it32' 128x128 32-bit icon", "'t8mk' 128x128 8-bit mask", "'ic08' 256x256 32-bit icon",
        "9 elements total"}) {
    EXPECT_NE(output.find(line), std::string::npos) << line << "\n" << output;
  }
  ASSERT_EQ(
      testsupport::RunCommand(
          "cd " + testsupport::ShellQuote(dir_.path()) + " && icns2png -x icon.icns", &output),
      0)
      << output;
  EXPECT_NE(output.find("Extracted 5 images"), std::string::npos) << output;

  // libicns decodes the packed planes and the JP2 itself: its pictures must hold our colours.
  std::string python = testsupport::PythonWithPillow();
  if (python.empty()) return;
  const std::pair<int, const TpmBitmap*> images[] = {{16, p_.image16.get()},
                                                     {32, p_.image32.get()},
                                                     {48, p_.image48.get()},
                                                     {128, p_.image128.get()},
                                                     {256, p_.image256.get()}};
  for (auto [size, preview] : images) {
    std::string png =
        dir_.File("icon_" + std::to_string(size) + "x" + std::to_string(size) + "x32.png");
    std::string error;
    Bytes read = iconreadback::PillowRgba(python, png, size, &error);
    ASSERT_FALSE(read.empty()) << error;
    EXPECT_LE(iconreadback::MaxDifference(
                  read, iconreadback::ExpectedRgba(preview->Pixels(), size_t(size) * size)),
              1)
        << "size " << size;
  }
}

TEST_F(IcnsOnDisk, PillowReadsEverySizeInTheStraightColoursWeMeant) {
  std::string python = testsupport::PythonWithPillow();
  if (python.empty()) GTEST_SKIP() << "no Python with Pillow";
  const std::pair<int, const TpmBitmap*> images[] = {{256, p_.image256.get()},
                                                     {128, p_.image128.get()},
                                                     {48, p_.image48.get()},
                                                     {32, p_.image32.get()},
                                                     {16, p_.image16.get()}};
  for (auto [size, preview] : images) {
    SCOPED_TRACE("size " + std::to_string(size));
    std::string error;
    Bytes read = iconreadback::PillowRgba(python, file_, size, &error);
    ASSERT_FALSE(read.empty()) << error;
    Bytes want = iconreadback::ExpectedRgba(preview->Pixels(), size_t(size) * size);
    EXPECT_LE(iconreadback::MaxDifference(read, want), 1);
  }
}

// The PNG elements: each holds its image encoded on its own (the largest is encoded on
// another thread), an image named twice is stored twice alike, and the order is the caller's.
TEST(WriteIcns, PngElementsHoldEachImageAsEncodedOnItsOwn) {
  TSamplePreviews p;
  const std::unique_ptr<TpmBitmap> big = MakeSamplePreview(300), other = MakeSamplePreview(200);
  const std::vector<TIcnsPngElement> wanted = {{"ic10", big.get()},
                                               {"ic13", p.image256.get()},
                                               {"ic11", p.image32.get()},
                                               {"ic14", big.get()},
                                               {"ic09", other.get()}};
  TMemoryStream stream;
  WriteIcns(*p.image16, *p.image32, *p.image48, *p.image128, *p.image256, wanted, stream);
  const Bytes file = stream.Bytes();
  EXPECT_EQ(BE32(file, 4), file.size());
  const std::vector<TElement> found = Elements(file);
  ASSERT_EQ(found.size(), kTypes.size() + wanted.size());
  for (size_t i = 0; i < wanted.size(); ++i) {
    const TElement& e = found[kTypes.size() + i];
    EXPECT_EQ(e.type, wanted[i].Type);
    EXPECT_EQ(e.Data(file), EncodePngData(*wanted[i].Image)) << wanted[i].Type;
  }
}

// An image the PNG encoder refuses (wider than libpng writes) fails the file, whichever
// thread encodes it: the error reaches the caller and the file on disk stays as it was.
TEST(WriteIcns, AFailingPngElementRaisesAndLeavesTheOldFile) {
  TSamplePreviews p;
  testsupport::TempDir dir;
  const std::string name = dir.File("old.icns");
  const std::vector<unsigned char> old = {'o', 'l', 'd'};
  testsupport::WriteFile(name, old);
  const TpmBitmap too_wide(1000001, 1), big(1100, 1000);
  const std::vector<std::vector<TIcnsPngElement>> cases = {
      {{"ic10", &too_wide}, {"ic11", p.image32.get()}},  // the largest: on the second thread
      {{"ic10", &big}, {"ic11", &too_wide}}};            // on this thread while the other runs
  for (const auto& elements : cases) {
    EXPECT_THROW(
        WriteIcns(*p.image16, *p.image32, *p.image48, *p.image128, *p.image256, elements, name),
        EImageError);
    EXPECT_EQ(testsupport::ReadFile(name), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
  }
}

}  // namespace
