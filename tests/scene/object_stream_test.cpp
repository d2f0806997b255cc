#include <gtest/gtest.h>

#include <memory>

#include "core/component_stream.h"
#include "scene/camera_light.h"
#include "scene/dummy.h"
#include "tests/scene/object_test_host.h"
#include "tests/support/component_text.h"

namespace {

using testsupport::LoadComponentText;
using testsupport::SaveComponentText;

void ExpectMatrixNear(const TgkMatrix& a, const TgkMatrix& b, float tol) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(a[r][c], b[r][c], tol) << "element " << r << c;
}

// The camera rig of the main window, built through the setters.
TgkVisualObject* BuildRig(TComponent& owner) {
  auto* root = new TgkVisualObject(&owner);
  root->SetName("Root2");
  auto* cz = new TgkDummy(&owner);
  cz->SetName("CameraZ");
  cz->SetParent(root);
  cz->RotateAngle().SetZ(-33);
  auto* cx = new TgkDummy(&owner);
  cx->SetName("CameraX");
  cx->SetParent(cz);
  cx->RotateAngle().SetX(20);
  auto* cam = new TgkCamera(&owner);
  cam->SetName("Camera1");
  cam->SetParent(cx);
  auto* l1 = new TgkLight(&owner);
  l1->SetName("Light1");
  l1->SetParent(cam);
  l1->Position().SetPoint({5, 0, 5});
  l1->RotateAngle().SetZ(-20.9171f);
  l1->RotateAngle().SetX(9.10299f);
  auto* l2 = new TgkLight(&owner);
  l2->SetName("Light2");
  l2->SetParent(cam);
  l2->SetLightType(gkLightSpot);
  l2->SetEnabled(false);
  l2->Padding().SetRect({1, 2, 3, 4});
  l2->Padding().SetZFar(9);  // never stored
  auto* owner_of_meshes = new TgkDummy(&owner);
  owner_of_meshes->SetName("MeshOwner");
  owner_of_meshes->SetParent(root);
  owner_of_meshes->SetOpacity(0.5f);
  owner_of_meshes->SetAlign(gkClient);
  return root;
}

class SceneStream : public ::testing::Test {
 protected:
  void SetUp() override { RegisterSceneObjectClasses(); }
};

TEST_F(SceneStream, StoredTreeReadsBackEqual) {
  TComponent owner;
  TgkVisualObject* rig = BuildRig(owner);
  std::string text = ComponentToText(*rig);
  EXPECT_NE(text.find("    RotateAngle.Point = '(0,0,-33)'\n"), std::string::npos) << text;
  // The window's description holds (-0.0780366,...) for angles stored with more digits.
  EXPECT_NE(text.find("Quanternion = '(-0.078036"), std::string::npos) << text;
  EXPECT_NE(text.find("Quanternion = '(0,0,0.284015,0.95882)'"), std::string::npos);
  EXPECT_NE(text.find("Position.Point = '(0,-10,0)'"), std::string::npos);
  EXPECT_NE(text.find("LightType = gkLightSpot"), std::string::npos);
  EXPECT_NE(text.find("Enabled = False"), std::string::npos);
  EXPECT_NE(text.find("Padding.Rect = '(1,2,3,4)'"), std::string::npos);
  EXPECT_EQ(text.find("zfar"), std::string::npos);
  EXPECT_NE(text.find("Opacity = 0.5"), std::string::npos);
  EXPECT_NE(text.find("Opacity = 1"), std::string::npos);  // always stored
  EXPECT_NE(text.find("Align = gkClient"), std::string::npos);

  EXPECT_EQ(SaveComponentText(*rig).rfind("object TgkVisualObject\n", 0),
            0u);  // the name is left out
  EXPECT_EQ(rig->Name(), "Root2");
  TComponent other;
  TComponent* read = LoadComponentText(text, &other);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(ComponentToText(*read), text);
  auto* copy_light = dynamic_cast<TgkLight*>(other.FindComponent("Light1"));
  auto* orig_light = dynamic_cast<TgkLight*>(owner.FindComponent("Light1"));
  ASSERT_NE(copy_light, nullptr);
  // The quaternion text has six significant digits.
  ExpectMatrixNear(copy_light->GetAbsoluteMatrix(), orig_light->GetAbsoluteMatrix(), 5e-5f);
  auto* copy_cam = dynamic_cast<TgkCamera*>(other.FindComponent("Camera1"));
  ASSERT_NE(copy_cam, nullptr);
  EXPECT_EQ(copy_cam->Parent(), other.FindComponent("CameraX"));
  EXPECT_EQ(copy_cam->ChildrenCount(), 2);
  EXPECT_FALSE(copy_cam->IsLoading());
}

TEST_F(SceneStream, StoredQuaternionWinsOverTheAngles) {
  // As the designer writes it: the angles first, then the orientation they led to.
  std::string text =
      "object Light1: TgkLight\n"
      "  Position.Point = '(5,0,5)'\n"
      "  RotateAngle.Point = '(9.10299,0,-20.9171)'\n"
      "  Quanternion = '(-0.0780366,-0.0144049,0.180952,0.980285)'\n"
      "end\n";
  std::unique_ptr<TComponent> read(LoadComponentText(text, nullptr));
  auto* light = dynamic_cast<TgkLight*>(read.get());
  ASSERT_NE(light, nullptr);
  EXPECT_FLOAT_EQ(light->Orientation().ImagPart.Z, 0.180952f);
  EXPECT_FLOAT_EQ(light->RotateAngle().X(), 9.10299f);
  TgkLight built;
  built.Position().SetPoint({5, 0, 5});
  built.RotateAngle().SetZ(-20.9171f);
  built.RotateAngle().SetX(9.10299f);
  ExpectMatrixNear(light->LocalMatrix(), built.LocalMatrix(), 2e-6f);
  // A later change of one angle turns from the stored orientation by the difference.
  light->RotateAngle().SetX(19.10299f);
  built.RotateAngle().SetX(19.10299f);
  ExpectMatrixNear(light->LocalMatrix(), built.LocalMatrix(), 1e-5f);
}

TEST_F(SceneStream, BadQuaternionOrPointTextIsNotAnError) {
  std::string text =
      "object TgkDummy\n"
      "  RotateAngle.Point = '(10,0,0)'\n"
      "  Quanternion = '(0.5,x,0.2,0.7)'\n"
      "  Position.Point = '(1,oops,3)'\n"
      "end\n";
  std::unique_ptr<TComponent> read(LoadComponentText(text, nullptr));
  auto* dummy = dynamic_cast<TgkDummy*>(read.get());
  ASSERT_NE(dummy, nullptr);
  // Components before the bad one are kept, the rest stay as they were.
  EXPECT_FLOAT_EQ(dummy->Orientation().ImagPart.X, 0.5f);
  EXPECT_FLOAT_EQ(dummy->Orientation().ImagPart.Y, 0);
  EXPECT_FLOAT_EQ(dummy->Orientation().RealPart, 1);
  EXPECT_EQ(dummy->Position().Point(), MakePoint(0, 0, 0));
}

TEST_F(SceneStream, MalformedSceneTextGivesNull) {
  const char* bad[] = {
      "object A: TgkDummy\n  Align = gkSideways\nend\n",
      "object A: TgkLight\n  LightType = 2\nend\n",
      "object A: TgkDummy\n  Position.W = 1\nend\n",
      "object A: TgkDummy\n  Width = 1\n  object B: TgkNothing\n  end\nend\n",
      "object A: TgkDummy\n  object B: TgkLight\n    Enabled = Maybe\n  end\nend\n",
      "object A: TgkDummy\n  Opacity = \nend\n",
      "object A: TgkDummy\n  OnMouseDown = Handler\nend\n",  // no handlers offered
  };
  for (const char* text : bad) {
    TComponent owner;
    EXPECT_EQ(LoadComponentText(text, &owner), nullptr) << text;
    EXPECT_EQ(owner.ComponentCount(), 0) << text;
  }
}

TEST_F(SceneStream, CloneCopiesTheSubtreeWithoutNames) {
  TComponent owner;
  TgkVisualObject* rig = BuildRig(owner);
  auto* cz = static_cast<TgkVisualObject*>(rig->GetChild(0));
  std::unique_ptr<TComponent> clone(CloneObject(*cz, nullptr));
  auto* copy = dynamic_cast<TgkDummy*>(clone.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Name(), "");
  ASSERT_EQ(copy->ChildrenCount(), 1);
  EXPECT_EQ(copy->GetChild(0)->Name(), "");
  EXPECT_EQ(copy->Parent(), nullptr);
  ExpectMatrixNear(copy->LocalMatrix(), cz->LocalMatrix(), 1e-5f);
  // Children marked as not stored are left out.
  cz->GetChild(0)->Stored = false;
  std::unique_ptr<TComponent> bare(CloneObject(*cz, nullptr));
  ASSERT_NE(bare, nullptr);
  EXPECT_EQ(static_cast<TgkObject*>(bare.get())->ChildrenCount(), 0);
}

TEST_F(SceneStream, ObjectsReadUnderAHostBecomeRoots) {
  // A scene control reads its roots by placing them under itself.
  class THostComponent : public TComponent, public TObjectTestHost {};
  THostComponent host;
  std::string text = "object Root2: TgkVisualObject\n  object Inner: TgkDummy\n  end\nend\n";
  TMemoryStream s(std::vector<uint8_t>(text.begin(), text.end()));
  auto* root = dynamic_cast<TgkVisualObject*>(ReadComponent(s, &host));
  ASSERT_NE(root, nullptr);
  root->SetParentComponent(&host);
  ASSERT_EQ(host.roots.size(), 1u);
  EXPECT_EQ(host.roots[0], root);
  EXPECT_EQ(root->GetChild(0)->Scene(), &host);
}

TEST_F(SceneStream, PublishedPropertiesByName) {
  TgkLight light;
  SetEnumProp(light, "LightType", "gkLightPoint");
  EXPECT_EQ(light.LightType(), gkLightPoint);
  TPropTarget y = ResolvePropPath(light, "Position.Y");
  ASSERT_TRUE(y);
  y.prop->set_float(*y.object, 4);
  EXPECT_FLOAT_EQ(light.AbsolutePosition().Y, 4);  // the setter moved the light
  TPropTarget rz = ResolvePropPath(light, "RotateAngle.Z");
  ASSERT_TRUE(rz);
  rz.prop->set_float(*rz.object, 90);
  EXPECT_NE(light.Orientation(), IdentityQuaternion);  // an animated angle turns the object
  SetFloatProp(light, "Opacity", 3);
  EXPECT_EQ(light.Opacity(), 1);
  EXPECT_EQ(GetEnumProp(light, "IsMouseOver"), "False");
  EXPECT_THROW(SetEnumProp(light, "IsMouseOver", "True"), EPropertyError);  // read-only
  TgkScreenDummy screen;
  EXPECT_TRUE(FindProp(screen, "Width")->IsDefault(screen));
  EXPECT_TRUE(screen.IsScreenProjection());
}

}  // namespace
