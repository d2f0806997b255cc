#include "core/property_registry.h"

#include <gtest/gtest.h>

#include "core/component.h"
#include "tests/support/component_text.h"

namespace {

enum class TShade { Flat, Gouraud, Phong };
const TEnumInfo& ShadeInfo() {
  static const TEnumInfo info("TShade", {"shFlat", "shGouraud", "shPhong"});
  return info;
}

using testsupport::HexColor;
using testsupport::ParseHexColor;

class TSize : public TPersistent {
  FM_CLASS(TSize, TPersistent)
 public:
  float W = 0, H = 0;
};

class TShape : public TComponent {
  FM_CLASS(TShape, TComponent)
 public:
  explicit TShape(TComponent* owner = nullptr) : TComponent(owner) {}
  float Width() const { return width_; }
  void SetWidth(float v) {
    width_ = v;
    ++width_sets;
  }
  TShade shade = TShade::Gouraud;
  bool visible = true;
  std::string caption;
  uint32_t color = 0xFF707070;
  int64_t mask = 0;
  TSize size;
  TShape* link = nullptr;
  int width_sets = 0;

 private:
  float width_ = 1;
};

FM_REGISTER_CLASS(TSize) {
  c.Float("W", &TSize::W, &TSize::W);
  c.Float("H", &TSize::H, &TSize::H);
}

FM_REGISTER_CLASS(TShape) {
  c.Float("Width", &TShape::Width, &TShape::SetWidth).Default(1.0f);
  c.Enum("ShadeMode", ShadeInfo(), &TShape::shade, &TShape::shade).Default(1);
  c.Boolean("Visible", &TShape::visible, &TShape::visible).Default(true);
  c.String("Caption", &TShape::caption, &TShape::caption);
  c.Color("Diffuse", &TShape::color, &TShape::color, &HexColor, &ParseHexColor);
  c.Set("Modes", ShadeInfo(), &TShape::mask, &TShape::mask);
  c.Object<TSize>("Size", &TShape::size);
  c.Reference<TShape>("Link", &TShape::link, &TShape::link);
  c.Float(
      "Area", [](const TShape& s) { return s.Width() * 2; }, nullptr);
}

// Redeclares Width with another default; adds nothing else.
class TWideShape : public TShape {
  FM_CLASS(TWideShape, TShape)
 public:
  explicit TWideShape(TComponent* owner = nullptr) : TShape(owner) { SetWidth(100); }
};
FM_REGISTER_CLASS(TWideShape) {
  c.Float("Width", &TWideShape::Width, &TWideShape::SetWidth).Default(100.0f);
}

// Abstract classes are registered but cannot be created.
class TAbstractThing : public TComponent {
  FM_CLASS(TAbstractThing, TComponent)
 public:
  using TComponent::TComponent;
  virtual void Do() = 0;
};
FM_REGISTER_CLASS(TAbstractThing) {}

TEST(PropertyRegistry, ClassesByNameCaseInsensitive) {
  const TClassInfo* info = TClassRegistry::Instance().FindClass("tshape");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info, &TShape::StaticClass());
  EXPECT_EQ(info->Name(), "TShape");
  EXPECT_TRUE(info->IsComponent());
  EXPECT_TRUE(info->InheritsFrom(TComponent::StaticClass()));
  EXPECT_FALSE(TSize::StaticClass().IsComponent());
  EXPECT_EQ(TClassRegistry::Instance().FindClass("TNoSuchClass"), nullptr);

  TComponent owner;
  TPersistent* made = info->Create(&owner);
  ASSERT_NE(dynamic_cast<TShape*>(made), nullptr);
  EXPECT_EQ(owner.ComponentCount(), 1);  // the owner frees it

  EXPECT_FALSE(TAbstractThing::StaticClass().IsCreatable());
  EXPECT_EQ(TAbstractThing::StaticClass().Create(&owner), nullptr);
}

TEST(PropertyRegistry, PropertiesInheritAndRedeclare) {
  TWideShape wide;
  const TPropInfo* width = FindProp(wide, "WIDTH");
  ASSERT_NE(width, nullptr);
  EXPECT_FLOAT_EQ(width->default_float, 100);
  EXPECT_NE(FindProp(wide, "tag"), nullptr);  // from TComponent
  EXPECT_EQ(FindProp(wide, "Nope"), nullptr);
  // The redeclared property keeps the base position and appears once.
  const auto& all = wide.ClassInfo().Properties();
  int widths = 0;
  size_t width_pos = 0, shade_pos = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    if (SameText(all[i]->name, "Width")) ++widths, width_pos = i;
    if (all[i]->name == "ShadeMode") shade_pos = i;
  }
  EXPECT_EQ(widths, 1);
  EXPECT_LT(width_pos, shade_pos);
  EXPECT_TRUE(all[width_pos]->IsDefault(wide));
}

TEST(PropertyRegistry, TypedAndTextAccess) {
  TShape s;
  SetFloatProp(s, "width", 2.5f);
  EXPECT_FLOAT_EQ(s.Width(), 2.5f);
  EXPECT_FLOAT_EQ(GetFloatProp(s, "Area"), 5);
  EXPECT_EQ(GetPropText(s, "Width"), "2.5");
  SetPropText(s, "Width", " -0.125 ");
  EXPECT_FLOAT_EQ(s.Width(), -0.125f);

  EXPECT_EQ(GetEnumProp(s, "ShadeMode"), "shGouraud");
  SetEnumProp(s, "shademode", "SHPHONG");
  EXPECT_EQ(s.shade, TShade::Phong);
  EXPECT_EQ(GetOrdProp(s, "ShadeMode"), 2);
  EXPECT_EQ(GetEnumProp(s, "Visible"), "True");
  SetEnumProp(s, "Visible", "false");
  EXPECT_FALSE(s.visible);

  SetPropText(s, "Diffuse", "#80FF0000");
  EXPECT_EQ(s.color, 0x80FF0000u);
  EXPECT_EQ(GetPropText(s, "Diffuse"), "#80FF0000");

  SetPropText(s, "Modes", "[shFlat, shPhong]");
  EXPECT_EQ(s.mask, 5);
  EXPECT_EQ(GetPropText(s, "Modes"), "[shFlat, shPhong]");
  SetPropText(s, "Modes", "[]");
  EXPECT_EQ(s.mask, 0);

  SetStrProp(s, "Caption", "图标 'x'");
  EXPECT_EQ(GetStrProp(s, "caption"), "图标 'x'");
  EXPECT_EQ(GetObjectProp(s, "Size"), &s.size);
}

TEST(PropertyRegistry, BadAccessRaisesAndChangesNothing) {
  TShape s;
  s.SetWidth(3);
  int sets = s.width_sets;
  EXPECT_THROW(SetPropText(s, "Width", "3,5"), EPropertyError);
  EXPECT_THROW(SetPropText(s, "Width", "1e99"), EPropertyError);
  EXPECT_THROW(SetPropText(s, "Width", ""), EPropertyError);
  EXPECT_EQ(s.width_sets, sets);
  EXPECT_FLOAT_EQ(s.Width(), 3);
  EXPECT_THROW(SetEnumProp(s, "ShadeMode", "shNone"), EPropertyError);
  EXPECT_THROW(SetOrdProp(s, "ShadeMode", 7), EPropertyError);
  EXPECT_EQ(s.shade, TShade::Gouraud);
  EXPECT_THROW(SetPropText(s, "Visible", "yes"), EPropertyError);
  EXPECT_THROW(SetPropText(s, "Modes", "[shFlat, bogus]"), EPropertyError);
  EXPECT_THROW(SetFloatProp(s, "Area", 1), EPropertyError);     // read-only
  EXPECT_THROW(SetFloatProp(s, "Caption", 1), EPropertyError);  // wrong kind
  EXPECT_THROW(GetFloatProp(s, "Missing"), EPropertyError);
  EXPECT_THROW(GetPropText(s, "Size"), EPropertyError);  // nested objects have no text
}

TEST(PropertyRegistry, ResolvesDottedPaths) {
  TShape a, b;
  a.link = &b;
  b.size.H = 7;
  TPropTarget t = ResolvePropPath(a, "Size.W");
  ASSERT_TRUE(t);
  EXPECT_EQ(t.object, &a.size);
  t.prop->set_float(*t.object, 4);
  EXPECT_FLOAT_EQ(a.size.W, 4);
  // Through an assigned reference.
  t = ResolvePropPath(a, "link.size.h");
  ASSERT_TRUE(t);
  EXPECT_FLOAT_EQ(t.prop->get_float(*t.object), 7);
  EXPECT_FALSE(ResolvePropPath(b, "Link.Width"));  // unassigned reference
  EXPECT_FALSE(ResolvePropPath(a, "Width.X"));     // not an object
  EXPECT_FALSE(ResolvePropPath(a, "Size.Depth"));
  EXPECT_FALSE(ResolvePropPath(a, ""));
}

TEST(PropertyRegistry, CopyPublishedProperties) {
  TShape a, b, target;
  a.SetWidth(9);
  a.caption = "c";
  a.size.W = 3;
  a.link = &target;
  CopyPublishedProperties(a, b);
  EXPECT_FLOAT_EQ(b.Width(), 9);
  EXPECT_EQ(b.caption, "c");
  EXPECT_FLOAT_EQ(b.size.W, 3);  // TSize has no Assign of its own: copied field by field
  EXPECT_EQ(b.link, &target);
}

TEST(PropertyRegistry, EventsBindByHandlerName) {
  struct TButton : TComponent {
    TNotifyEvent OnClick;
  };
  TClassInfo info("TButtonForTest", &TComponent::StaticClass(), nullptr, true);
  TClassBuilder<TButton> builder(info);
  builder.Event("OnClick", &TButton::OnClick);
  const TPropInfo* p = info.FindProperty("onclick");
  ASSERT_NE(p, nullptr);

  TButton button;
  int clicks = 0;
  TMethodTable methods;
  methods.Add<void(TPersistent*)>("ButtonClick", [&](TPersistent*) { ++clicks; });
  methods.Add<void(int)>("WrongShape", [](int) {});
  p->bind_event(button, *methods.Find("buttonclick"), "ButtonClick");
  ASSERT_TRUE(button.OnClick);
  button.OnClick(&button);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(p->GetText(button), "ButtonClick");
  EXPECT_THROW(p->bind_event(button, *methods.Find("WrongShape"), "WrongShape"), EPropertyError);
  EXPECT_EQ(methods.Find("Missing"), nullptr);
  button.OnClick = [](TPersistent*) {};  // a handler set in code has no name to store
  EXPECT_EQ(p->GetText(button), "");
}

}  // namespace
