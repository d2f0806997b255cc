// Brushes and fonts as published objects: properties by name, change notification, the
// gradient's text form and copies.
#include <gtest/gtest.h>

#include <map>

#include "core/property_registry.h"
#include "imaging/bitmap.h"
#include "imaging/brush.h"
#include "imaging/font.h"

namespace {

// Collects the defined properties an object offers to the streaming.
class RecordingFiler : public TFiler {
 public:
  struct Entry {
    std::function<void(const std::string&)> read;
    std::function<std::string()> write;
    bool has_data;
  };
  std::map<std::string, Entry> text;
  void DefineProperty(const std::string& name, const std::function<void(const std::string&)>& read,
                      const std::function<std::string()>& write, bool has_data) override {
    text[name] = {read, write, has_data};
  }
  void DefineBinaryProperty(const std::string&, const std::function<void(TStream&)>&,
                            const std::function<void(TStream&)>&, bool) override {}
};

}  // namespace

TEST(Brush, PublishedPropertiesNotifyOnRealChanges) {
  TpmBrush brush(pqBrushSolid, 0xFF000000);
  int changes = 0;
  brush.OnChange = [&](TpmBrush&) { ++changes; };
  EXPECT_EQ(GetPropText(brush, "Color"), "#FF000000");
  EXPECT_EQ(GetPropText(brush, "Style"), "pqBrushSolid");
  SetPropText(brush, "Color", "#FF515151");
  SetPropText(brush, "Color", "#FF515151");
  EXPECT_EQ(brush.Color, 0xFF515151u);
  SetEnumProp(brush, "Style", "pqBrushNone");
  EXPECT_EQ(brush.Style, pqBrushNone);
  EXPECT_EQ(changes, 2);
  EXPECT_THROW(SetEnumProp(brush, "Style", "pqBrushPlaid"), EPropertyError);
  // The bitmap is written only for bitmap brushes.
  EXPECT_FALSE(GetProp(brush, "Bitmap").ShouldStore(brush));
  brush.Style = pqBrushBitmap;
  EXPECT_TRUE(GetProp(brush, "Bitmap").ShouldStore(brush));
}

TEST(Brush, GradientTextFormRoundTripsAndRejectsBadText) {
  TpmGradient g;
  g.Style = pqRadialGradient;
  g.StartPosition = {0.25f, 0};
  g.StopPosition = {0.75f, 1};
  g.Points = {{0xFFFAFAFA, 0}, {0x80D8D8D8, 0.5f}, {0xFF000000, 1}};
  const std::string text = GradientToString(g);
  EXPECT_EQ(text, "radial 0.25 0 0.75 1 #FFFAFAFA 0 #80D8D8D8 0.5 #FF000000 1");
  const TpmGradient back = StringToGradient(text);
  EXPECT_EQ(back.Style, pqRadialGradient);
  EXPECT_EQ(back.StopPosition, (TpmPoint{0.75f, 1}));
  ASSERT_EQ(back.Points.size(), 3u);
  EXPECT_EQ(back.Points[1].Color, 0x80D8D8D8u);
  EXPECT_EQ(back.Points[1].Offset, 0.5f);
  for (const char* bad : {"", "linear 0 0 0", "spiral 0 0 0 1", "linear 0 0 0 1 #FF000000",
                          "linear 0 0 0 1 FF000000 0", "linear 0 0 x 1", "linear 0 0 0 1 #1 nan"})
    EXPECT_THROW(StringToGradient(bad), EPropertyError) << bad;
  // Offered to the streaming only for gradient brushes with points.
  TpmBrush brush(pqBrushGradient);
  RecordingFiler filer;
  brush.DefineProperties(filer);
  EXPECT_FALSE(filer.text["Gradient"].has_data);
  filer.text["Gradient"].read("linear 0 0 0 1 #FFD7D7D7 0 #FF979797 1");
  EXPECT_EQ(brush.Gradient.Points.size(), 2u);
  brush.DefineProperties(filer);
  EXPECT_TRUE(filer.text["Gradient"].has_data);
  EXPECT_EQ(filer.text["Gradient"].write(), "linear 0 0 0 1 #FFD7D7D7 0 #FF979797 1");
}

TEST(Brush, CopiesAreDeepAndAssignNotifies) {
  TpmBrush a(pqBrushBitmap);
  a.Bitmap().SetSize(2, 2);
  a.Bitmap().Clear(0xFF00FF00);
  TpmBrush b(a);
  a.Bitmap().Clear(0);
  EXPECT_EQ(b.Bitmap().Width(), 2);
  EXPECT_EQ(b.Bitmap().Scanline(1)[1], 0xFF00FF00u);
  int changes = 0;
  b.OnChange = [&](TpmBrush&) { ++changes; };
  b.Assign(TpmBrush(pqBrushSolid, 0xFF123456));
  EXPECT_EQ(b.Color, 0xFF123456u);
  EXPECT_EQ(b.BitmapOrNull(), nullptr);
  EXPECT_EQ(changes, 1);
  ASSERT_TRUE(b.OnChange);  // assignment keeps the listener
  TpmFont font;
  EXPECT_THROW(b.Assign(font), EPropertyError);
}

TEST(Font, PublishedPropertiesAndDefaults) {
  TpmFont font;
  int changes = 0;
  font.OnChange = [&](TpmFont&) { ++changes; };
  EXPECT_EQ(GetPropText(font, "Family"), "Tahoma");
  EXPECT_EQ(GetFloatProp(font, "Size"), 11);
  EXPECT_FALSE(GetProp(font, "Size").ShouldStore(font));
  SetFloatProp(font, "Size", 14);
  SetEnumProp(font, "Style", "pqFontBold");
  SetEnumProp(font, "Style", "pqFontBold");
  EXPECT_EQ(font.Style(), pqFontBold);
  EXPECT_EQ(changes, 2);
  TpmFont copy;
  copy.Assign(font);
  EXPECT_EQ(copy.Size(), 14);
  EXPECT_EQ(copy.Style(), pqFontBold);
}
