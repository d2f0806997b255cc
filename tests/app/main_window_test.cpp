// The main window in a headless desktop window (SDL's offscreen driver, OpenGL through Mesa)
// on a simulated clock: start-up, layout, gestures, sliders, the mesh list, the dialogs and
// the about panel, driven by input events on the window's own dispatch path.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/background_read.h"
#include "app/embedded.h"
#include "app/main_window.h"
#include "app/recipe.h"
#include "app/translation.h"
#include "imaging/bitmap.h"
#include "import/assimp_guard.h"
#include "import/model_formats.h"
#include "platform/clock.h"
#include "platform/event_loop.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "scene/camera_light.h"
#include "scene/dummy.h"
#include "scene/material.h"
#include "scene/scene.h"
#include "scene/shape.h"
#include "tests/import/model_writer.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_support.h"
#include "ui/controls.h"
#include "ui/list_box.h"
#include "ui/popup_menu.h"
#include "ui/pq_layer.h"
#include "ui/shapes.h"
#include "ui/track.h"

namespace {

using testsupport::TempDir;

template <class T>
T* FirstChild(TpmObject& parent) {
  for (int i = 0; i < parent.ChildrenCount(); ++i)
    if (auto* c = dynamic_cast<T*>(parent.Child(i))) return c;
  return nullptr;
}

int OpaquePixels(const TpmBitmap& b) {
  int n = 0;
  for (int i = 0; i < b.Width() * b.Height(); ++i) n += (b.Pixels()[i] >> 24) != 0;
  return n;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("GDK_SCALE", "1", 1);  // the design size, whatever the desktop running the test
    // The window shows its errors through the dialogs; anything before it exists lands there too.
    previous_reporter_ =
        SetErrorReporter([this](const std::string& m) { dialogs_.errors.push_back(m); });
    DefaultTimerService().SetClock(clock_);
    loop_ = std::make_unique<TEventLoop>(DefaultTimerService());
    window_ = std::make_unique<TMainWindow>(*loop_, &dialogs_);
    loop_->ProcessPending();  // the first resize and frame
  }
  void TearDown() override {
    window_.reset();
    loop_.reset();
    DefaultTimerService().SetClock(SystemClock());
    SetErrorReporter(previous_reporter_);
  }

  TfrmMain& Form() { return window_->Form(); }
  TWorkbench& Bench() { return Form().Workbench(); }
  TgkScreenPQLayer& Layer(const char* name) { return Form().Control<TgkScreenPQLayer>(name); }

  // Runs the loop for Ms of simulated time.
  void Run(int64_t ms) {
    const int64_t end = clock_.NowMs() + ms;
    loop_->ProcessPending();
    while (clock_.NowMs() < end) {
      const auto due = DefaultTimerService().NextDueMs();
      clock_.Set(due && *due < end ? std::max(*due, clock_.NowMs() + 1) : end);
      loop_->ProcessPending();
    }
  }

  void Send(TInputKind kind, float x, float y, TShiftState shift = 0, TMouseButton button = mbLeft,
            int wheel = 0) {
    TInputEvent e;
    e.kind = kind;
    e.x = x;
    e.y = y;
    e.shift = shift;
    e.button = button;
    e.wheel_delta = wheel;
    window_->Window().Dispatch(e);
    loop_->ProcessPending();
  }
  void Click(float x, float y, TMouseButton button = mbLeft) {
    Send(TInputKind::MouseMove, x, y);
    Send(TInputKind::MouseDown, x, y, button == mbLeft ? ssLeft : ssRight, button);
    Send(TInputKind::MouseUp, x, y, 0, button);
  }
  void Drag(float x0, float y0, float x1, float y1, TShiftState extra = 0) {
    Send(TInputKind::MouseMove, x0, y0, extra);
    Send(TInputKind::MouseDown, x0, y0, ssLeft | extra);
    Send(TInputKind::MouseMove, x1, y1, ssLeft | extra);
    Send(TInputKind::MouseUp, x1, y1, extra);
  }

  // The centre of a 2D control in window pixels.
  TpmPoint WindowPoint(TpmVisualObject& control) {
    auto* layer = dynamic_cast<TgkScreenPQLayer*>(control.Scene());
    EXPECT_NE(layer, nullptr);
    const TpmPoint p = control.LocalToAbsolute({control.Width() / 2, control.Height() / 2});
    const float left = layer->Position().X() - layer->Width() / 2;
    const float top = layer->Position().Y() - layer->Height() / 2;
    return {left + p.X * layer->Width() / static_cast<float>(layer->BitmapWidth()),
            top + p.Y * layer->Height() / static_cast<float>(layer->BitmapHeight())};
  }
  void ClickControl(TpmVisualObject& control) {
    const TpmPoint p = WindowPoint(control);
    Click(p.X, p.Y);
  }

  // The first and last column on row Y where the scene picks Object, or {-1, -1}.
  std::pair<int, int> Span(TgkVisualObject* object, int y) {
    int first = -1, last = -1;
    for (int x = 256; x < 788; ++x) {
      if (Form().Scene().ObjectAtPoint(static_cast<float>(x), static_cast<float>(y)) == object) {
        if (first < 0) first = x;
        last = x;
      }
    }
    return {first, last};
  }
  TgkShape& Cube() { return *Bench().Meshes().at(0); }

  // A two-mesh model: a cube and a second cube beside it.
  std::string WriteModel(const TempDir& dir) {
    using namespace modelwriter;
    MeshLayout a = modelwriter::Cube("Body");
    MeshLayout b = modelwriter::Cube("Lid");
    for (V3& v : b.vertices) v.x += 2;
    const std::string path = dir.File("TWO.3DS");
    testsupport::WriteFile(path, File3DS({MeshChunk(a), MeshChunk(b)}));
    return path;
  }

  // A model of Count small cubes in a row, named M0, M1, ...
  std::string WriteManyMeshes(const TempDir& dir, int count) {
    using namespace modelwriter;
    std::vector<Chunk> chunks;
    for (int i = 0; i < count; ++i) {
      MeshLayout m = modelwriter::Cube("M" + std::to_string(i));
      for (V3& v : m.vertices) v.x += 2.0f * static_cast<float>(i);
      chunks.push_back(MeshChunk(m));
    }
    const std::string path = dir.File("MANY.3DS");
    testsupport::WriteFile(path, File3DS(chunks));
    return path;
  }
  void Key(std::uint16_t code, TShiftState shift = 0) {
    TInputEvent e;
    e.kind = TInputKind::KeyDown;
    e.key = code;
    e.shift = shift;
    window_->Window().Dispatch(e);
    loop_->ProcessPending();
  }
  // The bottom edge of a 2D control in window pixels.
  float WindowBottom(TpmVisualObject& control) {
    const TpmPoint centre = WindowPoint(control);
    auto* layer = dynamic_cast<TgkScreenPQLayer*>(control.Scene());
    return centre.Y +
           control.Height() / 2 * layer->Height() / static_cast<float>(layer->BitmapHeight());
  }
  TpmVisualObject* Focused() {
    auto* layer = dynamic_cast<TgkPQLayer*>(Form().Scene().Focused());
    return layer ? layer->GetFocused() : nullptr;
  }

  TFakeClock clock_{1000};
  testsupport::TScriptedDialogService dialogs_;
  std::unique_ptr<TEventLoop> loop_;
  std::unique_ptr<TMainWindow> window_;
  TErrorReporter previous_reporter_;
};

TEST_F(MainWindowTest, TheDescriptionAndTheCodeAgreeOnHandlersAndSliders) {
  // Every handler the description names exists, and every handler of the code is named by
  // the description or attached in code to the parts the window builds itself.
  const std::string text = EmbeddedText("main_form.txt");
  std::set<std::string> named;
  const std::regex handler("\\bOn[A-Za-z]+ = ([A-Za-z0-9_]+)");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), handler);
       it != std::sregex_iterator(); ++it) {
    std::string name = (*it)[1];
    EXPECT_NE(Form().Methods()->Find(name), nullptr) << name;
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    named.insert(name);
  }
  EXPECT_GT(named.size(), 15u);
  for (const std::string& name : Form().Methods()->Names()) EXPECT_TRUE(named.count(name)) << name;
  // The command line's slider rules are the description's sliders.
  const struct {
    const char* name;
    TpmTrackRange range;
    float start;
  } sliders[] = {
      {"TrackBar1", kDistanceTrack, kDistanceStart},
      {"modelRotateX", kModelRotateTrack, kModelRotateStart},
      {"modelRotateY", kModelRotateTrack, kModelRotateStart},
      {"modelRotateZ", kModelRotateTrack, kModelRotateStart},
      {"shadowDirTrack", kShadowDirTrack, kShadowDirStart},
      {"shadowDistTrack", kShadowDistTrack, kShadowDistStart},
      {"shadowOpacityTrack", kShadowOpacityTrack, kShadowOpacityStart},
      {"shadowSoftnessTrack", kShadowSoftnessTrack, kShadowSoftnessStart},
  };
  for (const auto& s : sliders) {
    const auto& bar = Form().Control<TpmTrackBar>(s.name);
    EXPECT_EQ(bar.Min(), s.range.Min) << s.name;
    EXPECT_EQ(bar.Max(), s.range.Max) << s.name;
    EXPECT_EQ(bar.ViewportSize(), s.range.ViewportSize) << s.name;
    EXPECT_EQ(bar.Frequency(), s.range.Frequency) << s.name;
    EXPECT_EQ(bar.Value(), s.start) << s.name;
  }
}

TEST_F(MainWindowTest, StartsWithTheRoundCubeItsRowAndSixPreviews) {
  EXPECT_EQ(window_->Window().Title(), "Facetmint");
  TpmListBox& list = Form().MeshList();
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.ItemIndex(), -1);
  EXPECT_EQ(Cube().DisplayName, "圆立方体");
  EXPECT_EQ(list.Item(0)->LinkedObject, &Cube());
  EXPECT_EQ(Form().RenderCount(), 1);
  for (int size : TIconPreviews::kSizes) {
    const TpmBitmap& shown = Form().Preview(size).Bitmap();
    ASSERT_EQ(shown.Width(), size);
    ASSERT_EQ(shown.Height(), size);
    EXPECT_GT(OpaquePixels(shown), size * size / 16) << size;
    EXPECT_LT(OpaquePixels(shown), size * size) << "the background stays transparent";
  }
  EXPECT_GE(Form().Scene().FrameCount(), 1u);
  EXPECT_TRUE(dialogs_.errors.empty());
}

TEST_F(MainWindowTest, LayersMeetAtTheEdgesAtDesignAndSmallestSize) {
  TgkScreenPQLayer& bar = Layer("layerToolbar");
  TgkScreenPQLayer& left = Layer("ScreenPQLayer3");
  TgkScreenPQLayer& right = Layer("ScreenPQLayer2");
  TgkScreenPQLayer& hint = Layer("HintLayout");
  EXPECT_EQ(bar.Width(), 1068);
  EXPECT_EQ(bar.Position().X(), 533);
  EXPECT_EQ(bar.Position().Y(), 30);
  EXPECT_EQ(left.Position().X(), 127);
  EXPECT_EQ(left.Position().Y(), 359);
  EXPECT_EQ(left.Height(), 597);
  EXPECT_EQ(right.Position().X(), 928);
  EXPECT_EQ(right.Position().Y(), 359);
  EXPECT_EQ(hint.Position().X(), 533);
  EXPECT_EQ(hint.Position().Y(), 657 - 45);
  // The hint's content root follows the layer bitmap; the slider sits above the texts.
  auto& root4 = Form().Control<TpmVisualObject>("Root4");
  EXPECT_EQ(root4.Width(), 344);
  EXPECT_EQ(root4.Height(), 44);
  auto& track = Form().Control<TpmTrackBar>("TrackBar1");
  // At run time the root is two pixels lower than stored, so the slider sits at y 5, not 6.
  EXPECT_EQ(track.Position().Point(), (TpmPoint{67, 5}));
  EXPECT_LT(track.Position().Y() + track.Height(),
            Form().Control<TpmVisualObject>("Text1").Position().Y() + 1);

  window_->Window().SetSize(584, 462);
  loop_->ProcessPending();
  EXPECT_EQ(left.Width(), 256);
  EXPECT_EQ(right.Width(), 279);
  // A layer's edge lies half its width from its centre, the half rounded as the layout does.
  const float view = (right.Position().X() - std::nearbyint(right.Width() / 2)) -
                     (left.Position().X() + std::nearbyint(left.Width() / 2));
  EXPECT_EQ(view, 51);
  EXPECT_EQ(bar.Width(), 586);

  window_->Window().SetSize(1067, 657);
  loop_->ProcessPending();
  EXPECT_EQ(hint.Position().X(), 533);
}

TEST_F(MainWindowTest, DragTurnsTheViewAndRightButtonOnlyClearsTheSelection) {
  const float z = Bench().CameraZ().RotateAngle().Z();
  const float x = Bench().CameraX().RotateAngle().X();
  Drag(350, 200, 360, 205);
  EXPECT_FLOAT_EQ(Bench().CameraZ().RotateAngle().Z(), z + 10);
  EXPECT_FLOAT_EQ(Bench().CameraX().RotateAngle().X(), x + 5);
  EXPECT_FALSE(Form().Dragging());

  // Pressing on the background, moving over a panel: the view keeps turning until release.
  Send(TInputKind::MouseMove, 300, 200);
  Send(TInputKind::MouseDown, 300, 200, ssLeft);
  Send(TInputKind::MouseMove, 200, 200, ssLeft);  // over the left panel
  EXPECT_FLOAT_EQ(Bench().CameraZ().RotateAngle().Z(), z + 10 - 100);
  Send(TInputKind::MouseUp, 200, 200, 0);

  Form().MeshList().SetItemIndex(0);
  const float turned = Bench().CameraZ().RotateAngle().Z();
  Send(TInputKind::MouseMove, 350, 200);
  Send(TInputKind::MouseDown, 350, 200, ssRight, mbRight);
  Send(TInputKind::MouseMove, 380, 220, ssRight);
  Send(TInputKind::MouseUp, 380, 220, 0, mbRight);
  EXPECT_EQ(Form().MeshList().ItemIndex(), -1);
  EXPECT_EQ(Cube().Material().FillMode(), gkSolid);
  EXPECT_EQ(Bench().CameraZ().RotateAngle().Z(), turned);
}

TEST_F(MainWindowTest, ShiftDragMovesTheModelUnderThePointerAlsoWhenTurned) {
  Form().Control<TpmTrackBar>("modelRotateZ").SetValue(90);
  Form().Control<TpmTrackBar>("modelRotateX").SetValue(30);
  Drag(350, 200, 380, 180);  // the view turned as well
  loop_->ProcessPending();
  const int row = 330;
  const auto before = Span(&Cube(), row);
  ASSERT_GE(before.first, 0) << "the cube crosses row " << row;
  // Press beside the cube on the background and move 40 pixels to the left.
  Drag(static_cast<float>(before.second + 30), row, static_cast<float>(before.second - 10), row,
       ssShift);
  const auto after = Span(&Cube(), row);
  EXPECT_NEAR((after.first + after.second) / 2.0, (before.first + before.second) / 2.0 - 40, 1.5);
  EXPECT_EQ(Bench().MeshOwner().RotateAngle().Z(), 90);
}

TEST_F(MainWindowTest, WheelZoomsThroughTheDistanceSlider) {
  for (int i = 0; i < 3; ++i) Send(TInputKind::MouseWheel, 500, 300, 0, mbLeft, -120);
  EXPECT_NEAR(Bench().Camera1().Position().Y(), -10.9f, 1e-4);
  EXPECT_NEAR(Form().Control<TpmTrackBar>("TrackBar1").Value(), -10.9f, 1e-4);
  Bench().Camera1().Position().SetY(-2.1f);
  Send(TInputKind::MouseWheel, 500, 300, 0, mbLeft, 120);
  EXPECT_EQ(Bench().Camera1().Position().Y(), -2);
  Form().Control<TpmTrackBar>("TrackBar1").SetValue(-20.5f);
  EXPECT_EQ(Bench().Camera1().Position().Y(), -20);
}

TEST_F(MainWindowTest, FiveSliderChangesGiveOneRenderHalfASecondAfterTheLast) {
  auto& slider = Form().Control<TpmTrackBar>("modelRotateX");
  const int renders = Form().RenderCount();
  for (int i = 1; i <= 5; ++i) {
    slider.SetValue(static_cast<float>(10 * i));
    Run(100);
  }
  EXPECT_EQ(Form().RenderCount(), renders);
  EXPECT_EQ(Form().Control<TpmLabel>("modelRotateXlabel").Text(), "50");
  EXPECT_EQ(Bench().MeshOwner().RotateAngle().X(), 50);
  Run(399);
  EXPECT_EQ(Form().RenderCount(), renders);
  Run(2);
  EXPECT_EQ(Form().RenderCount(), renders + 1);
  Run(2000);
  EXPECT_EQ(Form().RenderCount(), renders + 1) << "a render does not start itself again";
}

TEST_F(MainWindowTest, SliderLabelsShowRoundedValues) {
  auto& softness = Form().Control<TpmTrackBar>("shadowSoftnessTrack");
  auto& label = Form().Control<TpmLabel>("shadowSoftnessLabel");
  softness.SetValue(34);
  EXPECT_EQ(label.Text(), "3");
  softness.SetValue(36);
  EXPECT_EQ(label.Text(), "4");
  auto& opacity = Form().Control<TpmTrackBar>("shadowOpacityTrack");
  opacity.SetValue(33);
  EXPECT_EQ(Form().Control<TpmLabel>("shadowOpacityLabel").Text(), "32%");
  EXPECT_EQ(Bench().Shadow().Opacity, 32);
}

TEST_F(MainWindowTest, UncheckingARowHidesTheMeshInTheNextPreviews) {
  auto* check = FirstChild<TpmCheckBox>(*Form().MeshList().Item(0));
  ASSERT_NE(check, nullptr);
  ClickControl(*check);
  EXPECT_FALSE(check->IsChecked());
  EXPECT_FALSE(Cube().Visible());
  Run(501);
  EXPECT_EQ(OpaquePixels(Form().Preview(256).Bitmap()), 0);
  ClickControl(*check);
  EXPECT_TRUE(Cube().Visible());
  Run(501);
  EXPECT_GT(OpaquePixels(Form().Preview(256).Bitmap()), 1000);
}

TEST_F(MainWindowTest, ClickedMeshSelectsItsRowAndShowsAsWireFrameWhileIconsStaySolid) {
  Run(501);
  const std::vector<uint32_t> solid(Form().Preview(64).Bitmap().Pixels(),
                                    Form().Preview(64).Bitmap().Pixels() + 64 * 64);
  const auto span = Span(&Cube(), 330);
  ASSERT_GE(span.first, 0);
  Click(static_cast<float>(span.first + span.second) / 2, 330);
  EXPECT_EQ(Form().MeshList().ItemIndex(), 0);
  EXPECT_EQ(Cube().Material().FillMode(), gkWireframe);
  EXPECT_FALSE(Form().Dragging()) << "a press on a mesh is no drag";
  // A render now draws the selected mesh solid: the previews do not change.
  Form().ScheduleUpdate();
  Run(501);
  const TpmBitmap& again = Form().Preview(64).Bitmap();
  EXPECT_EQ(std::vector<uint32_t>(again.Pixels(), again.Pixels() + 64 * 64), solid);
}

TEST_F(MainWindowTest, LoadColourAndSaveThroughTheDialogs) {
  TempDir dir;
  dialogs_.AnswerOpen(WriteModel(dir));
  ClickControl(Form().Control<TpmBitmapButton>("btnLoad"));
  ASSERT_EQ(dialogs_.open_requests.size(), 1u);
  // Every model type first, then one entry per format.
  const std::vector<TFileFilter> filters = ParseFileFilter(dialogs_.open_requests[0].filter);
  ASSERT_EQ(filters.size(), ModelFormats().size() + 2) << "and recipes";
  for (const char* pattern :
       {"*.3ds", "*.md3", "*.glb", "*.obj", "*.fbx", "*.dae", "*.stl", "*.ply"})
    EXPECT_NE(std::find(filters[0].patterns.begin(), filters[0].patterns.end(), pattern),
              filters[0].patterns.end())
        << pattern;
  TpmListBox& list = Form().MeshList();
  ASSERT_EQ(list.Count(), 2);
  auto* name = FirstChild<TpmText>(*list.Item(1));
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->Text(), "Lid");

  // Colour the second mesh: the dialog gets red and blue exchanged, the mesh gets alpha 255.
  auto* button = FirstChild<TpmSpeedButton>(*list.Item(1));
  ASSERT_NE(button, nullptr);
  dialogs_.AnswerColor(0x00336699);  // 0x00BBGGRR
  ClickControl(*button);
  ASSERT_EQ(dialogs_.color_requests.size(), 1u);
  TgkShape* lid = Bench().Meshes().at(1);
  EXPECT_EQ(lid->Material().DiffuseText(), "#FF996633");
  dialogs_.AnswerColor(std::nullopt);
  ClickControl(*button);
  EXPECT_EQ(dialogs_.color_requests.back(), 0x00336699u);
  Run(501);

  const char* names[] = {"a.icns", "b.ico", "c"};
  const char* expected[] = {"myicon.icns", "myicon.ico", "myicon.png"};
  for (int format = 0; format < 3; ++format) {
    Form().Control<TpmPopupBox>("popupFormat").SetItemIndex(format);
    dialogs_.AnswerSave(dir.File(names[format]));
    ClickControl(Form().Control<TpmBitmapButton>("btnSave"));
    ASSERT_EQ(dialogs_.save_requests.size(), static_cast<size_t>(format + 1));
    EXPECT_EQ(dialogs_.save_requests.back().file_name, expected[format]);
    EXPECT_TRUE(dialogs_.save_requests.back().confirm_overwrite);
  }
  const auto icns = testsupport::ReadFile(dir.File("a.icns"));
  ASSERT_GE(icns.size(), 8u);
  EXPECT_EQ(std::string(icns.begin(), icns.begin() + 4), "icns");
  const auto ico = testsupport::ReadFile(dir.File("b.ico"));
  ASSERT_GE(ico.size(), 6u);
  EXPECT_EQ(ico[2], 1);
  EXPECT_EQ(ico[4], 6) << "six images";
  TpmBitmap png(1, 1);
  ASSERT_TRUE(png.LoadFromFile(dir.File("c.png")));
  EXPECT_EQ(png.Width(), 256);
  EXPECT_TRUE(dialogs_.errors.empty());
}

TEST_F(MainWindowTest, TheFormatMenuOpensInTheWindowAndChoosesTheSaveFormat) {
  auto& format = Form().Control<TpmPopupBox>("popupFormat");
  EXPECT_EQ(format.ItemIndex(), 0);
  EXPECT_EQ(format.Text(), "Mac OS X 图标");
  ClickControl(format);
  TgkScreenPQLayer* menu = Layer("layerToolbar").PopupMenu();
  ASSERT_NE(menu, nullptr);
  ASSERT_NE(menu->Root(), nullptr);
  std::vector<TpmMenuItem*> entries;
  for (int i = 0; i < menu->Root()->ChildrenCount(); ++i)
    if (auto* e = dynamic_cast<TpmMenuItem*>(menu->Root()->Child(i))) entries.push_back(e);
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries[2]->Text(), "PNG 图像");
  EXPECT_EQ(entries[5]->Text(), "网页图标");
  ClickControl(*entries[2]);
  EXPECT_EQ(format.ItemIndex(), 2);
  EXPECT_EQ(Layer("layerToolbar").PopupMenu(), nullptr);
  TempDir dir;
  dialogs_.AnswerSave(dir.File("only256"));
  ClickControl(Form().Control<TpmBitmapButton>("btnSave"));
  TpmBitmap png(1, 1);
  ASSERT_TRUE(png.LoadFromFile(dir.File("only256.png")));
  EXPECT_EQ(png.Width(), 256);
}

TEST_F(MainWindowTest, ErrorsAreReportedAndTheWindowStaysUsable) {
  TempDir dir;
  const std::string broken = dir.File("broken.md3");
  testsupport::WriteFile(broken, {'I', 'D', 'P', '3', 0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3});
  const std::vector<TgkShape*> meshes = Bench().Meshes();
  Form().MeshList().SetItemIndex(0);
  dialogs_.AnswerOpen(broken);
  ClickControl(Form().Control<TpmBitmapButton>("btnLoad"));
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_FALSE(dialogs_.errors[0].empty());
  // Nothing changed: the same meshes, rows and selection.
  EXPECT_EQ(Bench().Meshes(), meshes);
  EXPECT_EQ(Form().MeshList().ItemIndex(), 0);
  EXPECT_EQ(Bench().SelectedMesh(), meshes[0]);
  ASSERT_EQ(Form().MeshList().Count(), static_cast<int>(meshes.size()));
  for (size_t i = 0; i < meshes.size(); ++i)
    EXPECT_EQ(Form().MeshList().Item(static_cast<int>(i))->LinkedObject, meshes[i]);
  Form().MeshList().SetItemIndex(-1);
  // A missing file is ignored silently; a dropped model loads like a chosen one.
  dialogs_.AnswerOpen(dir.File("missing.3ds"));
  ClickControl(Form().Control<TpmBitmapButton>("btnLoad"));
  EXPECT_EQ(dialogs_.errors.size(), 1u);
  window_->Window().OnDropFile(WriteModel(dir));
  EXPECT_EQ(Form().MeshList().Count(), 2);
  // A file of another kind keeps the meshes but brings the model back to the centre and
  // renders again.
  Bench().SetModelOffset({1, 2, 3});
  Run(501);
  const int renders = Form().RenderCount();
  const std::string notes = dir.File("notes.txt");
  testsupport::WriteFile(notes, {'h', 'i'});
  window_->Window().OnDropFile(notes);
  EXPECT_EQ(Form().MeshList().Count(), 2);
  EXPECT_EQ(Bench().MeshOwner().Position().Point(), (TgkPoint{0, 0, 0}));
  Run(501);
  EXPECT_EQ(Form().RenderCount(), renders + 1);
  // A file that cannot be written: reported, and the window goes on.
  dialogs_.AnswerSave(dir.File("no-such-folder/icon.icns"));
  ClickControl(Form().Control<TpmBitmapButton>("btnSave"));
  ASSERT_EQ(dialogs_.errors.size(), 2u);
  EXPECT_NE(dialogs_.errors[1].find("icon.icns"), std::string::npos) << dialogs_.errors[1];
  const float turn = Bench().CameraZ().RotateAngle().Z();
  Drag(350, 200, 360, 200);
  EXPECT_EQ(Bench().CameraZ().RotateAngle().Z(), turn + 10);
  EXPECT_EQ(dialogs_.errors.size(), 2u);
}

TEST_F(MainWindowTest, AboutPanelSlidesInBelowTheToolBarAndHidesAfterOk) {
  TgkScreenPQLayer& about = Layer("layerAbout");
  EXPECT_FALSE(about.Visible());
  EXPECT_EQ(Form().Control<TpmBackground>("Background1").Effects().size(), 1u) << "its shadow";
  ClickControl(Form().Control<TpmBitmapButton>("btnAbout"));
  EXPECT_TRUE(about.Visible());
  Run(600);
  const float rest = std::trunc(about.Height() / 2) + Layer("layerToolbar").Height();
  EXPECT_EQ(rest, 157);
  EXPECT_EQ(about.Position().Y(), rest);
  EXPECT_EQ(about.Position().Z(), 0);
  EXPECT_EQ(about.Position().X(), 511);

  // Pressed again while shown: it slides in again from above the window.
  ClickControl(Form().Control<TpmBitmapButton>("btnAbout"));
  Run(100);
  EXPECT_LT(about.Position().Y(), rest);
  Run(500);
  EXPECT_EQ(about.Position().Y(), rest);

  ClickControl(Form().Control<TpmButton>("btnAboutClose"));
  EXPECT_FALSE(about.Visible());
  EXPECT_EQ(about.Position().Y(), -(about.Height() / 2) - 62);

  // OK while it slides in: it goes back up from where it is and is hidden at the end.
  ClickControl(Form().Control<TpmBitmapButton>("btnAbout"));
  Run(200);
  const float midway = about.Position().Y();
  EXPECT_GT(midway, -(about.Height() / 2) - 62);
  EXPECT_LT(midway, rest);
  // Still deeper than the screen plane, the panel is drawn smaller than its layout: the
  // button's handler is called as its click would.
  Form().btnAboutCloseClick(&Form().Control<TpmButton>("btnAboutClose"));
  EXPECT_FALSE(about.Visible());
  Run(600);
  EXPECT_EQ(about.Position().Y(), -(about.Height() / 2) - 62) << "the slide-in was stopped";
}

TEST_F(MainWindowTest, DesktopShortcutsRunTheToolBarCommands) {
  auto key = [this](std::uint16_t code, TShiftState shift) {
    TInputEvent e;
    e.kind = TInputKind::KeyDown;
    e.key = code;
    e.shift = shift;
    window_->Window().Dispatch(e);
  };
  std::vector<std::string> opened;
  Form().SetOpenUrl([&](const std::string& url) {
    opened.push_back(url);
    return true;
  });
  dialogs_.AnswerOpen(std::nullopt);
  key('O', ssCtrl);
  EXPECT_EQ(dialogs_.open_requests.size(), 1u);
  dialogs_.AnswerSave(std::nullopt);
  key('S', ssCtrl);
  EXPECT_EQ(dialogs_.save_requests.size(), 1u);
  // Ctrl+Shift+S saves a recipe, named after the model, of JSON files only.
  dialogs_.AnswerSave(std::nullopt);
  key('S', ssCtrl | ssShift);
  ASSERT_EQ(dialogs_.save_requests.size(), 2u);
  EXPECT_EQ(dialogs_.save_requests[1].file_name, "myicon.json");
  EXPECT_EQ(dialogs_.save_requests[1].default_extension, "json");
  const std::vector<TFileFilter> filters = ParseFileFilter(dialogs_.save_requests[1].filter);
  ASSERT_EQ(filters.size(), 1u);
  EXPECT_EQ(filters[0].patterns, std::vector<std::string>{"*.json"});
  key('S', ssCtrl | ssAlt | ssShift);  // not a shortcut: no dialog
  EXPECT_EQ(dialogs_.save_requests.size(), 2u);
  key(vkF1, 0);
  EXPECT_EQ(opened, std::vector<std::string>{Form().HelpUrl()});
  EXPECT_FALSE(loop_->QuitRequested());
  key('Q', ssCtrl);
  EXPECT_TRUE(loop_->QuitRequested());
  EXPECT_TRUE(dialogs_.Exhausted());
}

class MainWindowRecipeTest : public MainWindowTest {
 protected:
  // Everything a recipe keeps of the window, as text for comparing two windows.
  std::string State() {
    std::ostringstream s;
    s.precision(9);
    const TgkPosition& angle = Bench().MeshOwner().RotateAngle();
    const TgkPoint offset = Bench().MeshOwner().Position().Point();
    const TShadowSettings shadow = Bench().Shadow();
    s << "turn " << Bench().CameraZ().RotateAngle().Z() << " tilt "
      << Bench().CameraX().RotateAngle().X() << " camera " << Bench().Camera1().Position().Y()
      << " rotation " << angle.X() << " " << angle.Y() << " " << angle.Z() << " offset " << offset.X
      << " " << offset.Y << " " << offset.Z << "\nshadow " << shadow.Enabled << " "
      << shadow.Direction << " " << shadow.Distance << " " << shadow.Opacity << " "
      << shadow.Softness << " " << std::hex << shadow.Color << std::dec << " swatch " << std::hex
      << Form().Control<TpmRectangle>("shadowColorRect").Fill().Color << std::dec << "\n";
    for (TgkShape* mesh : Bench().Meshes())
      s << "mesh " << mesh->DisplayName << " " << mesh->Visible() << " "
        << mesh->Material().DiffuseText() << "\n";
    for (int i = 0; i < Form().MeshList().Count(); ++i) {
      TpmListBoxItem& row = *Form().MeshList().Item(i);
      s << "row " << FirstChild<TpmCheckBox>(row)->IsChecked() << " " << std::hex
        << FirstChild<TpmRectangle>(*FirstChild<TpmSpeedButton>(row))->Fill().Color << std::dec
        << "\n";
    }
    s << "format " << Form().Control<TpmPopupBox>("popupFormat").ItemIndex() << "\nsliders";
    for (const char* name :
         {"TrackBar1", "modelRotateX", "modelRotateY", "modelRotateZ", "shadowDirTrack",
          "shadowDistTrack", "shadowOpacityTrack", "shadowSoftnessTrack"})
      s << " " << Form().Control<TpmTrackBar>(name).Value();
    s << " shadow box " << Form().Control<TpmCheckBox>("checkShadow").IsChecked();
    return s.str();
  }
  std::vector<uint32_t> MasterPixels() {
    const TpmBitmap& m = Bench().Master(256);
    return std::vector<uint32_t>(m.Pixels(), m.Pixels() + m.Width() * m.Height());
  }
  // Turns the view, moves sliders, colours Lid, hides Body and picks Format, as a user would.
  void ChangeEverything(int format) {
    Drag(350, 200, 377, 213);
    Drag(350, 200, 380, 190, ssShift);
    // Every rotation slider: one left at its start value shows 2 over an unturned model.
    Form().Control<TpmTrackBar>("modelRotateX").SetValue(-20);
    Form().Control<TpmTrackBar>("modelRotateY").SetValue(40);
    Form().Control<TpmTrackBar>("modelRotateZ").SetValue(10);
    Form().Control<TpmTrackBar>("TrackBar1").SetValue(-13);
    Form().Control<TpmTrackBar>("shadowDirTrack").SetValue(200);
    Form().Control<TpmTrackBar>("shadowOpacityTrack").SetValue(35);
    dialogs_.AnswerColor(0x00336699);
    ClickControl(*FirstChild<TpmSpeedButton>(*Form().MeshList().Item(1)));
    ClickControl(*FirstChild<TpmCheckBox>(*Form().MeshList().Item(0)));
    Form().Control<TpmPopupBox>("popupFormat").SetItemIndex(format);
    Run(501);
  }
  void SaveRecipeAs(const std::string& typed) {
    dialogs_.AnswerSave(typed);
    Key('S', ssCtrl | ssShift);
  }
  void OpenThroughTheDialog(const std::string& file) {
    dialogs_.AnswerOpen(file);
    ClickControl(Form().Control<TpmBitmapButton>("btnLoad"));
  }
  TempDir dir_;
};

TEST_F(MainWindowRecipeTest, ASavedRecipeOpensAsTheSameWindowAndIcons) {
  const std::string two = WriteModel(dir_);
  Form().LoadModel(two);
  ChangeEverything(ifIco);
  const std::string saved = State();
  ASSERT_NE(saved.find("mesh Body 0"), std::string::npos) << saved;
  ASSERT_NE(saved.find("row 0"), std::string::npos) << saved;
  const std::vector<uint32_t> pixels = MasterPixels();
  SaveRecipeAs(dir_.File("two"));
  ASSERT_EQ(dialogs_.save_requests.size(), 1u);
  EXPECT_EQ(dialogs_.save_requests[0].file_name, "TWO.json");
  EXPECT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.front();
  // The recipe names the model and, for the chosen format, an icon beside itself.
  const TRenderRequest recipe = ReadRecipe(dir_.File("two.json"));
  EXPECT_EQ(recipe.Models, std::vector<std::string>{two});
  EXPECT_EQ(recipe.Job.Outputs, std::vector<std::string>{dir_.File("two.ico")});
  EXPECT_EQ(recipe.Job.Settings.Hide, std::vector<std::string>{"Body"});
  std::ifstream text(dir_.File("two.json"));
  EXPECT_EQ(nlohmann::json::parse(text)["outputs"], nlohmann::json::array({"two.ico"}))
      << "beside the recipe wherever it goes";

  // Another model and other settings, the camera off its slider by the wheel; then the
  // recipe from the open dialog, which offers recipes.
  Form().LoadModel(WriteManyMeshes(dir_, 3));
  Form().Control<TpmTrackBar>("modelRotateX").SetValue(-60);
  Form().Control<TpmTrackBar>("shadowSoftnessTrack").SetValue(3);
  Form().Control<TpmCheckBox>("checkShadow").SetIsChecked(false);
  Form().Control<TpmPopupBox>("popupFormat").SetItemIndex(ifWeb);
  Send(TInputKind::MouseWheel, 500, 300, 0, mbLeft, 240);
  Run(501);
  ASSERT_NE(State(), saved);
  OpenThroughTheDialog(dir_.File("two.json"));
  const std::vector<TFileFilter> filters = ParseFileFilter(dialogs_.open_requests[0].filter);
  ASSERT_EQ(filters.size(), ModelFormats().size() + 2);
  EXPECT_EQ(filters.back().patterns, std::vector<std::string>{"*.json"});
  EXPECT_EQ(Bench().ModelFileName(), two);
  EXPECT_EQ(State(), saved);
  EXPECT_EQ(Form().Control<TpmLabel>("modelRotateYlabel").Text(), "40");
  Run(501);
  EXPECT_EQ(MasterPixels(), pixels);
  EXPECT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.front();

  // In a new window, from a drop.
  window_.reset();
  window_ = std::make_unique<TMainWindow>(*loop_, &dialogs_);
  loop_->ProcessPending();
  window_->Window().OnDropFile(dir_.File("two.json"));
  EXPECT_EQ(State(), saved);
  Run(501);
  EXPECT_EQ(MasterPixels(), pixels);
}

TEST_F(MainWindowRecipeTest, EachSaveFormatComesBackFromItsRecipe) {
  // The round cube's recipes name no model: they apply to the model shown.
  for (int format = ifIcns; format <= ifWeb; ++format) {
    auto& box = Form().Control<TpmPopupBox>("popupFormat");
    box.SetItemIndex(format);
    const std::string file = dir_.File("f" + std::to_string(format) + ".json");
    SaveRecipeAs(file);
    box.SetItemIndex(format == ifIcns ? ifWeb : ifIcns);
    OpenThroughTheDialog(file);
    EXPECT_EQ(box.ItemIndex(), format);
  }
  EXPECT_TRUE(Bench().ModelFileName().empty());
  EXPECT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.front();
}

TEST_F(MainWindowRecipeTest, TheCommandLineRendersASavedRecipeAsTheWindowSavesIt) {
  Form().LoadModel(WriteModel(dir_));
  ChangeEverything(ifPng);
  // Body shown again, in the start colour its file does not give it.
  ClickControl(*FirstChild<TpmCheckBox>(*Form().MeshList().Item(0)));
  Run(501);
  dialogs_.AnswerSave(dir_.File("window.png"));
  ClickControl(Form().Control<TpmBitmapButton>("btnSave"));
  SaveRecipeAs(dir_.File("two.json"));
  ASSERT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.front();
  std::string out;
  ASSERT_EQ(testsupport::RunCommand(testsupport::ShellQuote(FACETMINT_EXE) + " render --recipe " +
                                        testsupport::ShellQuote(dir_.File("two.json")) + " 2>&1",
                                    &out),
            0)
      << out;
  TpmBitmap window(1, 1), line(1, 1);
  ASSERT_TRUE(window.LoadFromFile(dir_.File("window.png")));
  ASSERT_TRUE(line.LoadFromFile(dir_.File("two.png"))) << out;
  ASSERT_EQ(line.Width(), window.Width());
  ASSERT_EQ(line.Height(), window.Height());
  // The same renderer's pixels; a channel may differ by rounding where two drivers meet.
  int differing = 0, shown = 0;
  for (int i = 0; i < window.Width() * window.Height(); ++i) {
    const uint32_t a = window.Pixels()[i], b = line.Pixels()[i];
    shown += (a >> 24) != 0;
    for (int shift = 0; shift < 32; shift += 8)
      differing += std::abs(static_cast<int>((a >> shift) & 0xFF) -
                            static_cast<int>((b >> shift) & 0xFF)) > 2;
  }
  EXPECT_GT(shown, 1000);
  EXPECT_EQ(differing, 0);
}

// Values beyond a slider's range are brought into it, and the user is told which, a line
// each, by the recipe's key names; values within range say nothing.
TEST_F(MainWindowRecipeTest, OutOfRangeValuesAreBroughtInAndSaidSo) {
  const std::string file = dir_.File("far.json");
  std::ofstream(file) << R"({"rotate": [500, 0, 0], "shadow-opacity": 250, "distance": 5})";
  OpenThroughTheDialog(file);
  EXPECT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.front();
  ASSERT_EQ(dialogs_.warnings.size(), 1u);
  EXPECT_EQ(dialogs_.warnings[0], file + ": rotate 500 is outside -180 .. 180; using 180\n" + file +
                                      ": shadow-opacity 250 is outside 1 .. 100; using 100");
  EXPECT_FLOAT_EQ(Form().Control<TpmTrackBar>("modelRotateX").Value(), 180);
  EXPECT_FLOAT_EQ(Form().Control<TpmTrackBar>("shadowOpacityTrack").Value(), 100);
  std::ofstream(file) << R"({"rotate": [90, 0, 0], "shadow-opacity": 50})";
  OpenThroughTheDialog(file);
  EXPECT_EQ(dialogs_.warnings.size(), 1u);
}

TEST_F(MainWindowRecipeTest, ABadRecipeIsReportedInOneLineAndTheModelStays) {
  const std::string two = WriteModel(dir_);
  Form().LoadModel(two);
  Form().Control<TpmTrackBar>("modelRotateZ").SetValue(30);
  const std::string before = State();
  const std::string model = nlohmann::json(two).dump();
  const std::pair<std::string, std::string> recipes[] = {
      {"{\"model\": " + model + ", \"colour\": {}}", "unknown key \"colour\""},
      {"{\"model\": " + model + ", \"view\": [1, \"x\"]}", "\"view\""},
      {"{\"model\": \"gone.3ds\"}", "no such file"},
      {"{\"model\": \"notes.txt\"}", "unknown model format"},
      {"{\"model\": [" + model + ", " + model + "]}", "one model file"},
      {"[1, 2]", "expected a JSON object"},
      {"{\"model\": ", "not valid JSON"},
  };
  testsupport::WriteFile(dir_.File("notes.txt"), {'h', 'i'});
  size_t errors = 0;
  for (const auto& [text, expected] : recipes) {
    const std::string file = dir_.File("bad" + std::to_string(errors) + ".json");
    std::ofstream(file) << text;
    OpenThroughTheDialog(file);
    ASSERT_EQ(dialogs_.errors.size(), ++errors) << text;
    const std::string& error = dialogs_.errors.back();
    EXPECT_EQ(error.rfind(file + ": ", 0), 0u) << error;
    EXPECT_NE(error.find(expected), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    EXPECT_EQ(Bench().ModelFileName(), two) << text;
    EXPECT_EQ(State(), before) << text;
  }
  // A mesh the model does not have is known once it is loaded: reported, the model stays.
  const std::string file = dir_.File("nomesh.json");
  std::ofstream(file) << "{\"model\": " << model << ", \"hide\": [\"Wheel\"]}";
  OpenThroughTheDialog(file);
  ASSERT_EQ(dialogs_.errors.size(), errors + 1);
  EXPECT_NE(dialogs_.errors.back().find("nomesh.json: no mesh named \"Wheel\""), std::string::npos)
      << dialogs_.errors.back();
  EXPECT_EQ(Bench().Meshes().size(), 2u);
  // A recipe that cannot be written is reported as the icons' files are.
  SaveRecipeAs(dir_.File("no-such-folder/two.json"));
  ASSERT_EQ(dialogs_.errors.size(), errors + 2);
  EXPECT_NE(dialogs_.errors.back().find("two.json"), std::string::npos) << dialogs_.errors.back();
}

TEST_F(MainWindowTest, SetsGoIntoAChosenFolderAskingBeforeFilesAreReplaced) {
  Run(501);
  TempDir dir;
  auto& format = Form().Control<TpmPopupBox>("popupFormat");
  auto save = [&](int index) {
    format.SetItemIndex(index);
    dialogs_.AnswerFolder(dir.path());
    ClickControl(Form().Control<TpmBitmapButton>("btnSave"));
  };
  save(ifIconTheme);
  const std::string icon16 = dir.File("hicolor/16x16/apps/facetmint.png");
  TpmBitmap png(1, 1);
  ASSERT_TRUE(png.LoadFromFile(dir.File("hicolor/512x512/apps/facetmint.png")));
  EXPECT_EQ(png.Width(), 512);
  EXPECT_TRUE(dialogs_.questions.empty());  // nothing there to replace
  testsupport::WriteFile(icon16, {'o', 'l', 'd'});
  dialogs_.AnswerConfirm(false);
  save(ifIconTheme);
  ASSERT_EQ(dialogs_.questions.size(), 1u);
  EXPECT_NE(dialogs_.questions[0].find(" 9 "), std::string::npos) << dialogs_.questions[0];
  EXPECT_EQ(testsupport::ReadFile(icon16).size(), 3u);  // declined: left alone
  dialogs_.AnswerConfirm(true);
  save(ifIconTheme);
  ASSERT_TRUE(png.LoadFromFile(icon16));
  EXPECT_EQ(png.Width(), 16);
  save(ifIconset);
  ASSERT_TRUE(png.LoadFromFile(dir.File("facetmint.iconset/icon_512x512@2x.png")));
  EXPECT_EQ(png.Width(), 1024);
  save(ifWeb);
  EXPECT_TRUE(std::filesystem::exists(dir.File("site.webmanifest")));
  dialogs_.AnswerFolder(std::nullopt);  // cancelled: nothing asked, nothing written
  ClickControl(Form().Control<TpmBitmapButton>("btnSave"));
  EXPECT_EQ(dialogs_.questions.size(), 2u);
  EXPECT_TRUE(dialogs_.Exhausted());
}

TEST_F(MainWindowTest, FitFillsTheIconsOnceFromItsLabelAndTheFKey) {
  Run(501);
  auto covered = [this] {
    const TpmBitmap& p = Bench().Preview(256);
    int left = 256, right = 0;
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x)
        if (p.Scanline(y)[x] >> 24) left = std::min(left, x), right = std::max(right, x + 1);
    return right - left;
  };
  const int before = covered();
  ClickControl(Form().Control<TpmLabel>("labelFit"));
  Run(501);
  const int fitted = covered();
  EXPECT_GT(fitted, before + 40);
  const float distance = Bench().Camera1().Position().Y();
  EXPECT_FLOAT_EQ(Form().Control<TpmTrackBar>("TrackBar1").Value(), distance);
  // A later zoom changes the framing as usual; F fits again.
  Send(TInputKind::MouseWheel, 500, 300, 0, mbLeft, -600);
  Run(501);
  EXPECT_LT(covered(), fitted - 10);
  TInputEvent f;
  f.kind = TInputKind::KeyDown;
  f.key = 'F';
  window_->Window().Dispatch(f);
  Run(501);
  EXPECT_NEAR(covered(), fitted, 2);
  EXPECT_NEAR(Bench().Camera1().Position().Y(), distance, 0.01);
}

TEST_F(MainWindowTest, HelpLinkOpensTheShippedHelpPage) {
  std::vector<std::string> opened;
  Form().SetOpenUrl([&](const std::string& url) {
    opened.push_back(url);
    return false;  // a desktop that refuses changes nothing
  });
  const std::string url = Form().HelpUrl();
  // The page in the window's language.
  EXPECT_EQ(url, HelpPageUrl(WindowLanguage()));
  ASSERT_EQ(url.rfind("file://", 0), 0u);
  EXPECT_NE(url.find(WindowLanguage() == "en" ? "help/index.html" : "help/index.zh_CN.html"),
            std::string::npos);
  EXPECT_FALSE(Form().Control<TpmBitmapButton>("BitmapButton1").Visible());
  ClickControl(Form().Control<TpmBitmapButton>("btnAbout"));
  Run(600);
  ClickControl(Form().Control<TpmLabel>("Label5"));
  EXPECT_EQ(window_->Window().Pointer(), TPointerShape::Hand);  // the pointer is over the link
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], url);
  EXPECT_TRUE(Layer("layerAbout").Visible());
  // The model-transform eye only toggles itself.
  auto& eye = Form().Control<TpmCheckBox>("modelTransform");
  const int renders = Form().RenderCount();
  ClickControl(eye);
  EXPECT_FALSE(eye.IsChecked());
  Run(600);
  EXPECT_EQ(Form().RenderCount(), renders);
  EXPECT_TRUE(dialogs_.errors.empty());
}

TEST_F(MainWindowTest, TheMeshListEndsInsideTheWindowAndScrollsToItsLastRow) {
  TempDir dir;
  TpmListBox& list = Form().MeshList();
  for (int count : {19, 40}) {
    Form().LoadModel(WriteManyMeshes(dir, count));
    loop_->ProcessPending();
    ASSERT_EQ(list.Count(), count);
    for (auto size : {std::pair{1066, 657}, std::pair{584, 462}, std::pair{1066, 900}}) {
      window_->Window().SetSize(size.first, size.second);
      loop_->ProcessPending();
      EXPECT_LE(WindowBottom(list), static_cast<float>(size.second)) << size.second;
    }
    window_->Window().SetSize(1066, 657);
    loop_->ProcessPending();
    // Too many rows for the list: the scroll bar is there, and the wheel brings the last row
    // to the list's bottom, inside the window.
    EXPECT_TRUE(list.ScrollBarVisible()) << count;
    const TpmPoint middle = WindowPoint(list);
    Send(TInputKind::MouseMove, middle.X, middle.Y);
    for (int i = 0; i < 4 * count; ++i)
      Send(TInputKind::MouseWheel, middle.X, middle.Y, 0, mbLeft, -120);
    TpmListBoxItem& last = *list.Item(count - 1);
    EXPECT_LE(WindowBottom(last), WindowBottom(list) + 0.5f);
    EXPECT_LE(WindowBottom(last), 657.0f);
    EXPECT_GE(last.Position().Y(), 0);
    // And the keys: Home back to the first row, End to the last.
    ClickControl(list);  // the keys go to the list
    Key(vkHome);
    EXPECT_EQ(list.ScrollValue(), 0);
    Key(vkEnd);
    EXPECT_EQ(list.ItemIndex(), count - 1);
    EXPECT_LE(WindowBottom(last), WindowBottom(list) + 0.5f);
  }
}

TEST_F(MainWindowTest, ADragThatStartsOnTheModelTurnsOrMovesTheView) {
  Bench().SetCameraDistance(3);  // close up: the cube covers much of the view
  Run(501);
  const auto span = Span(&Cube(), 330);
  ASSERT_GE(span.first, 0);
  const float x = static_cast<float>(span.first + span.second) / 2;
  const float turn = Bench().CameraZ().RotateAngle().Z();
  const float tilt = Bench().CameraX().RotateAngle().X();
  // Two pixels are a shaky click, not a drag: the row is selected, the view stays.
  Drag(x, 330, x + 2, 330);
  EXPECT_EQ(Form().MeshList().ItemIndex(), 0);
  EXPECT_EQ(Bench().CameraZ().RotateAngle().Z(), turn);
  // Further, the view turns as on the background, from the press on.
  Send(TInputKind::MouseMove, x, 330);
  Send(TInputKind::MouseDown, x, 330, ssLeft);
  Send(TInputKind::MouseMove, x + 10, 335, ssLeft);
  Send(TInputKind::MouseMove, x + 30, 345, ssLeft);
  EXPECT_TRUE(Form().Dragging());
  EXPECT_FLOAT_EQ(Bench().CameraZ().RotateAngle().Z(), turn + 30);
  EXPECT_FLOAT_EQ(Bench().CameraX().RotateAngle().X(), tilt + 15);
  EXPECT_EQ(Form().MeshList().ItemIndex(), -1) << "a drag clears the selection";
  Send(TInputKind::MouseUp, x + 30, 345, 0);
  EXPECT_FALSE(Form().Dragging());
  // With Shift the model moves.
  const TgkPoint before = Bench().MeshOwner().Position().Point();
  const auto now = Span(&Cube(), 330);
  ASSERT_GE(now.first, 0);
  Drag(static_cast<float>(now.first + now.second) / 2, 330,
       static_cast<float>(now.first + now.second) / 2 - 20, 330, ssShift);
  EXPECT_NE(Bench().MeshOwner().Position().Point(), before);
  EXPECT_EQ(Bench().CameraZ().RotateAngle().Z(), turn + 30);
}

TEST_F(MainWindowTest, TabWalksTheControlsInReadingOrderAndKeysWorkThem) {
  TempDir dir;
  Form().LoadModel(WriteModel(dir));
  loop_->ProcessPending();
  std::vector<TpmVisualObject*> order;
  for (int i = 0; i < 40; ++i) {
    Key(vkTab);
    TpmVisualObject* f = Focused();
    ASSERT_NE(f, nullptr);
    if (!order.empty() && f == order.front()) break;
    order.push_back(f);
  }
  auto named = [this](const char* name) { return &Form().Control<TpmVisualObject>(name); };
  auto* row0 = Form().MeshList().Item(0);
  auto* row1 = Form().MeshList().Item(1);
  const std::vector<TpmVisualObject*> expected = {named("btnLoad"),
                                                  named("popupFormat"),
                                                  named("btnSave"),
                                                  named("btnAbout"),
                                                  named("modelTransform"),
                                                  named("modelRotateX"),
                                                  named("modelRotateY"),
                                                  named("modelRotateZ"),
                                                  named("checkShadow"),
                                                  named("shadowDirTrack"),
                                                  named("shadowDistTrack"),
                                                  named("shadowOpacityTrack"),
                                                  named("shadowSoftnessTrack"),
                                                  named("shadowColor"),
                                                  &Form().MeshList(),
                                                  FirstChild<TpmCheckBox>(*row0),
                                                  FirstChild<TpmSpeedButton>(*row0),
                                                  FirstChild<TpmCheckBox>(*row1),
                                                  FirstChild<TpmSpeedButton>(*row1),
                                                  named("TrackBar1"),
                                                  named("labelFit")};
  EXPECT_EQ(order, expected);
  // Shift+Tab goes back; the focused control carries the mark, one layer at a time.
  Key(vkTab, ssShift);
  EXPECT_EQ(Focused(), named("labelFit"));
  Key(vkTab, ssShift);
  EXPECT_EQ(Focused(), named("TrackBar1"));
  EXPECT_TRUE(Layer("HintLayout").FocusMarkShown());
  EXPECT_FALSE(Layer("ScreenPQLayer3").FocusMarkShown());

  // Sliders: arrows by Frequency, pages by ten of it; the distance slider by 1 % and 10 %.
  auto& distance = Form().Control<TpmTrackBar>("TrackBar1");
  Key(vkRight);
  EXPECT_NEAR(distance.Value(), -10 + 0.18f, 1e-4);
  EXPECT_NEAR(Bench().Camera1().Position().Y(), -10 + 0.18f, 1e-4);
  Key(vkNext);
  EXPECT_NEAR(distance.Value(), -10 + 0.18f - 1.8f, 1e-4);
  auto& direction = Form().Control<TpmTrackBar>("shadowDirTrack");
  while (Focused() != &direction) Key(vkTab, ssShift);
  Key(vkLeft);
  EXPECT_EQ(direction.Value(), 40);
  Key(vkPrior);
  EXPECT_EQ(direction.Value(), 90);
  EXPECT_EQ(Form().Control<TpmLabel>("shadowDirLabel").Text(), "90");
  // Space toggles a check box; Enter and Space press a button.
  Key(vkTab, ssShift);
  EXPECT_EQ(Focused(), named("checkShadow"));
  Key(vkSpace);
  EXPECT_FALSE(Form().Control<TpmCheckBox>("checkShadow").IsChecked());
  dialogs_.AnswerColor(std::nullopt);
  while (Focused() != FirstChild<TpmSpeedButton>(*row1)) Key(vkTab);
  Key(vkReturn);
  EXPECT_EQ(dialogs_.color_requests.size(), 1u);
  // The format box opens its menu; Escape closes it, the choice unchanged.
  while (Focused() != named("popupFormat")) Key(vkTab);
  Key(vkSpace);
  ASSERT_NE(Layer("layerToolbar").PopupMenu(), nullptr);
  Key(vkEscape);
  EXPECT_EQ(Layer("layerToolbar").PopupMenu(), nullptr);
  EXPECT_EQ(Form().Control<TpmPopupBox>("popupFormat").ItemIndex(), 0);
  // In the menu the arrows go from entry to entry and Enter chooses one.
  Key(vkReturn);
  Key(vkDown);
  Key(vkDown);
  Key(vkReturn);
  EXPECT_EQ(Layer("layerToolbar").PopupMenu(), nullptr);
  EXPECT_EQ(Form().Control<TpmPopupBox>("popupFormat").ItemIndex(), 1);
  // The about panel: opened with Enter, its OK button and link in the chain, closed by Escape.
  Key(vkTab);
  Key(vkTab);
  EXPECT_EQ(Focused(), named("btnAbout"));
  Key(vkReturn);
  Run(600);
  ASSERT_TRUE(Layer("layerAbout").Visible());
  Key(vkTab);
  EXPECT_EQ(Focused(), named("btnAboutClose"));
  Key(vkTab);
  EXPECT_EQ(Focused(), named("Label5"));
  Key(vkEscape);
  EXPECT_FALSE(Layer("layerAbout").Visible());
  // A press with the mouse hides the mark.
  while (Focused() != &direction) Key(vkTab);
  EXPECT_TRUE(Layer("ScreenPQLayer3").FocusMarkShown());
  ClickControl(direction);
  EXPECT_FALSE(Layer("ScreenPQLayer3").FocusMarkShown());
}

// Every CJK character of the window's texts is three bytes starting 0xE3..0xE9.
bool HasCjk(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0xE3 && c <= 0xE9) return true;
  return false;
}

// Where each shown text lies, measured as one line in its font and placed in its own box
// as it is drawn: the texts that would wrap or reach beyond their box or their control.
// (Lines are as high as the document's design makes them in both languages; a translation
// changes only their length.)
struct TTextFit {
  std::vector<std::string> clipped;
  std::vector<std::string> shown;
};

void MeasureTexts(TpmObject& object, TpmCanvas& canvas, TpmVisualObject* control, TTextFit& fit) {
  auto* visual = dynamic_cast<TpmVisualObject*>(&object);
  if (visual && !visual->Visible()) return;
  if (auto* c = dynamic_cast<TpmControl*>(&object)) control = c;
  if (auto* text = dynamic_cast<TpmText*>(&object); text && !text->ShownText().empty()) {
    const std::string shown = text->ShownText();
    fit.shown.push_back(shown);
    canvas.Font = text->Font();
    canvas.FontChanged();
    TpmRect r = text->LocalRect();
    canvas.MeasureText(r, r, shown, false, pqTextAlignNear, pqTextAlignNear);
    const float w = r.Width(), box = text->Width();
    const float left = text->HorzTextAlign() == pqTextAlignNear  ? 0
                       : text->HorzTextAlign() == pqTextAlignFar ? box - w
                                                                 : (box - w) / 2;
    constexpr float kSlack = 0.5f;
    bool inside = w <= box + kSlack;
    if (control && control != text) {
      const TpmRect outer = control->AbsoluteRect();
      const TpmPoint a = text->LocalToAbsolute({left, 0}), b = text->LocalToAbsolute({left + w, 0});
      inside = inside && a.X >= outer.Left - kSlack && b.X <= outer.Right + kSlack;
    }
    if (!inside)
      fit.clipped.push_back(shown + " (" + (control ? control->Name() : "") + ": " +
                            std::to_string(w) + " wide in " + std::to_string(box) + ")");
  }
  for (TpmObject* child : object.Children()) MeasureTexts(*child, canvas, control, fit);
}

TEST_F(MainWindowTest, EachLanguageShowsEveryTextWhole) {
  struct TLanguage {
    const char* name;
    bool english;
  };
  for (TLanguage language : {TLanguage{"zh_CN", false}, TLanguage{"en", true}}) {
    SCOPED_TRACE(language.name);
    if (language.english)
      UseCatalogue(TCatalogue::Load(CatalogueFile("en")));
    else
      UseCatalogue(std::nullopt);
    TTextFit fit;
    for (const char* name :
         {"layerToolbar", "ScreenPQLayer3", "ScreenPQLayer2", "HintLayout", "layerAbout"}) {
      TgkScreenPQLayer& layer = Layer(name);
      ASSERT_NE(layer.Root(), nullptr) << name;
      MeasureTexts(*layer.Root(), layer.Surface(), nullptr, fit);
    }
    EXPECT_TRUE(fit.clipped.empty()) << ::testing::PrintToString(fit.clipped);
    int chinese = 0;
    for (const std::string& s : fit.shown) chinese += HasCjk(s);
    if (language.english)
      EXPECT_EQ(chinese, 0) << ::testing::PrintToString(fit.shown);
    else
      EXPECT_GE(chinese, 15);
    EXPECT_GE(fit.shown.size(), 30u);
  }
  UseCatalogue(std::nullopt);
}

TEST_F(MainWindowTest, InEnglishTheOpenDialogAndTheReadersSpeakEnglish) {
  UseCatalogue(TCatalogue::Load(CatalogueFile("en")));
  TempDir dir;
  const std::string broken = dir.File("broken.md3");
  std::vector<unsigned char> bytes(200, 0);
  bytes[0] = 'I', bytes[1] = 'D', bytes[2] = 'P', bytes[3] = '2';  // not an MD3 identifier
  testsupport::WriteFile(broken, bytes);
  dialogs_.AnswerOpen(broken);
  ClickControl(Form().Control<TpmBitmapButton>("btnLoad"));
  UseCatalogue(std::nullopt);
  ASSERT_EQ(dialogs_.open_requests.size(), 1u);
  const std::string filter = dialogs_.open_requests[0].filter;
  EXPECT_NE(filter.find("*.md3"), std::string::npos) << filter;
  EXPECT_FALSE(HasCjk(filter)) << filter;
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_NE(dialogs_.errors[0].find("MD3"), std::string::npos) << dialogs_.errors[0];
  EXPECT_FALSE(HasCjk(dialogs_.errors[0])) << dialogs_.errors[0];
}

// Every named control of the five layers with its box in window pixels.
void ControlBoxes(TgkScreenPQLayer& layer, TpmObject& object, std::map<std::string, TpmRect>& out) {
  auto* visual = dynamic_cast<TpmVisualObject*>(&object);
  if (visual && !visual->Name().empty()) {
    const float left = layer.Position().X() - layer.Width() / 2;
    const float top = layer.Position().Y() - layer.Height() / 2;
    const float sx = layer.Width() / static_cast<float>(layer.BitmapWidth());
    const float sy = layer.Height() / static_cast<float>(layer.BitmapHeight());
    const TpmPoint a = visual->LocalToAbsolute({0, 0});
    const TpmPoint b = visual->LocalToAbsolute({visual->Width(), visual->Height()});
    out[visual->Name()] = {left + a.X * sx, top + a.Y * sy, left + b.X * sx, top + b.Y * sy};
  }
  for (TpmObject* child : object.Children()) ControlBoxes(layer, *child, out);
}

std::map<std::string, TpmRect> ControlBoxes(TfrmMain& form) {
  std::map<std::string, TpmRect> boxes;
  for (const char* name :
       {"layerToolbar", "ScreenPQLayer3", "ScreenPQLayer2", "HintLayout", "layerAbout"}) {
    auto& layer = form.Control<TgkScreenPQLayer>(name);
    if (layer.Root()) ControlBoxes(layer, *layer.Root(), boxes);
  }
  return boxes;
}

TEST_F(MainWindowTest, AtScaleTwoEveryControlIsTwiceAsLargeAndDrawnTwiceAsFine) {
  const auto design = ControlBoxes(Form());
  setenv("GDK_SCALE", "2", 1);
  TMainWindow large(*loop_, &dialogs_);
  setenv("GDK_SCALE", "1", 1);
  loop_->ProcessPending();
  EXPECT_EQ(large.Window().Width(), 2 * 1066);
  EXPECT_EQ(large.Window().Height(), 2 * 657);
  const auto doubled = ControlBoxes(large.Form());
  ASSERT_GE(design.size(), 60u);
  ASSERT_EQ(doubled.size(), design.size());
  // Within a pixel of the scale-1 picture: there a layer of odd design size shows its
  // bitmap, whose sides are even, stretched by a pixel; at scale 2 both are even.
  for (const auto& [name, box] : design) {
    const TpmRect& big = doubled.at(name);
    EXPECT_NEAR(big.Left / 2, box.Left, 1) << name;
    EXPECT_NEAR(big.Top / 2, box.Top, 1) << name;
    EXPECT_NEAR(big.Right / 2, box.Right, 1) << name;
    EXPECT_NEAR(big.Bottom / 2, box.Bottom, 1) << name;
  }
  // The layers hold twice as many pixels each way: text and pictures are drawn finer, not
  // enlarged afterwards.
  for (const char* name : {"layerToolbar", "ScreenPQLayer3", "ScreenPQLayer2", "HintLayout"}) {
    auto& small_layer = Layer(name);
    auto& big_layer = large.Form().Control<TgkScreenPQLayer>(name);
    EXPECT_NEAR(big_layer.BitmapWidth(), 2 * small_layer.BitmapWidth(), 2) << name;
    EXPECT_NEAR(big_layer.BitmapHeight(), 2 * small_layer.BitmapHeight(), 2) << name;
  }
  // A drag turns the view one degree per design pixel.
  TWorkbench& bench = large.Form().Workbench();
  const float turn = bench.CameraZ().RotateAngle().Z();
  TInputEvent e;
  for (auto [kind, x, shift] : {std::tuple{TInputKind::MouseMove, 900.0f, TShiftState{0}},
                                {TInputKind::MouseDown, 900.0f, TShiftState{ssLeft}},
                                {TInputKind::MouseMove, 960.0f, TShiftState{ssLeft}},
                                {TInputKind::MouseUp, 960.0f, TShiftState{0}}}) {
    e.kind = kind;
    e.x = x;
    e.y = 600;
    e.shift = shift;
    e.button = mbLeft;
    large.Window().Dispatch(e);
    loop_->ProcessPending();
  }
  EXPECT_NEAR(bench.CameraZ().RotateAngle().Z() - turn, 30, 0.01);
}

// The guarded reader replaced by a script that notes its process id and, for a file whose
// name holds "slow", sleeps as the reader does on a hostile file; other files go on to the
// real reader.
class ScopedFakeReader {
 public:
  explicit ScopedFakeReader(const TempDir& dir) : pids_(dir.File("reader.pids")) {
    const std::string script = dir.File("fake-reader");
    std::ofstream(script)
        << "#!/bin/sh\necho $$ >> " << testsupport::ShellQuote(pids_)
        << "\ncase \"$1\" in *slow*) exec sleep 30;; *pause*) sleep 1;; esac\nexec "
        << testsupport::ShellQuote(ModelReaderPath()) << " \"$@\"\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    previous_ = OverrideModelReader(script);
  }
  ~ScopedFakeReader() { OverrideModelReader(previous_); }
  ScopedFakeReader(const ScopedFakeReader&) = delete;
  ScopedFakeReader& operator=(const ScopedFakeReader&) = delete;

  // The process id of the Index-th reader started (from 0), waiting up to 10 s for it.
  int Pid(size_t index) const {
    for (int attempt = 0; attempt < 1000; ++attempt) {
      std::ifstream file(pids_);
      std::vector<int> pids;
      for (int pid; file >> pid;) pids.push_back(pid);
      if (pids.size() > index) return pids[index];
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ADD_FAILURE() << "reader " << index << " did not start";
    return -1;
  }

 private:
  std::string pids_;
  std::string previous_;
};

// A one-triangle OBJ model.
std::string WriteObj(const TempDir& dir, const std::string& name) {
  const std::string path = dir.File(name);
  std::ofstream(path) << "o Tri\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
  return path;
}

class MainWindowReadTest : public MainWindowTest {
 protected:
  // Turns the loop (simulated time, with real pauses for the reader's thread) until the
  // model read ends; False when it has not after 20 s.
  bool WaitForRead() {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Form().ModelLoading()) {
      if (std::chrono::steady_clock::now() > give_up) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      Run(TModelLoader::kPollMs);
    }
    return true;
  }
  std::vector<std::string> MeshNames() {
    std::vector<std::string> names;
    for (TgkShape* mesh : Bench().Meshes()) names.push_back(mesh->DisplayName);
    return names;
  }
  // The visible text of the hint area that holds Part, or nullptr.
  TpmText* HintText(const std::string& part) {
    auto& area = Form().Control<TpmVisualObject>("Rectangle8");
    for (TpmObject* child : area.Children()) {
      auto* text = dynamic_cast<TpmText*>(child);
      if (text && text->Visible() && text->Text().find(part) != std::string::npos) return text;
    }
    return nullptr;
  }

  TempDir dir_;
  ScopedFakeReader reader_{dir_};
};

TEST_F(MainWindowReadTest, ASlowReadLeavesTheWindowAnsweringAndEscapeStopsIt) {
  const std::string two = WriteModel(dir_);
  Form().LoadModel(two);
  Run(600);
  const std::vector<std::string> before = MeshNames();
  ASSERT_EQ(before.size(), 2u);

  const auto start = std::chrono::steady_clock::now();
  Form().LoadModel(WriteObj(dir_, "slow.obj"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_TRUE(Form().ModelLoading());
  const int pid = reader_.Pid(0);
  // The hint area names the model being read where its lines were.
  EXPECT_NE(HintText("slow.obj…"), nullptr);
  EXPECT_EQ(HintText("鼠标 - 旋转"), nullptr);
  EXPECT_EQ(window_->Window().Pointer(), TPointerShape::Busy);

  // Meanwhile a drag turns the view, frames are drawn and the render timer fires.
  const float turn = Bench().CameraZ().RotateAngle().Z();
  const std::uint64_t frames = window_->Window().FramesPainted();
  const int renders = Form().RenderCount();
  Drag(350, 200, 370, 200);
  Run(2 * TfrmMain::kUpdateDelayMs);
  EXPECT_FLOAT_EQ(Bench().CameraZ().RotateAngle().Z(), turn + 20);
  EXPECT_GT(window_->Window().FramesPainted(), frames);
  EXPECT_EQ(Form().RenderCount(), renders + 1);
  EXPECT_TRUE(Form().ModelLoading());
  EXPECT_FALSE(testsupport::ProcessEnded(pid));

  // Escape stops the read at once, reader included; the model stays and nothing is reported.
  Key(vkEscape);
  EXPECT_FALSE(Form().ModelLoading());
  EXPECT_TRUE(testsupport::ProcessEnded(pid));
  Run(2 * TfrmMain::kUpdateDelayMs);
  EXPECT_EQ(MeshNames(), before);
  EXPECT_EQ(Bench().ModelFileName(), two);
  EXPECT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.front();
  EXPECT_EQ(HintText("slow.obj"), nullptr);
  EXPECT_NE(HintText("鼠标 - 旋转"), nullptr);
  EXPECT_EQ(window_->Window().Pointer(), TPointerShape::Arrow);
  // With nothing left to stop, Escape is not the window's.
  TInputEvent escape;
  escape.kind = TInputKind::KeyDown;
  escape.key = vkEscape;
  EXPECT_FALSE(Form().PreviewKey(escape));
}

TEST_F(MainWindowReadTest, TheLastModelOpenedWinsOverAReadUnderWayOrEnded) {
  Form().LoadModel(WriteObj(dir_, "slow.obj"));
  const int slow = reader_.Pid(0);
  const std::string quick = WriteObj(dir_, "quick.obj");
  Form().LoadModel(quick);
  EXPECT_TRUE(testsupport::ProcessEnded(slow));
  EXPECT_NE(HintText("quick.obj…"), nullptr);
  ASSERT_TRUE(WaitForRead());
  EXPECT_EQ(Bench().ModelFileName(), quick);
  EXPECT_EQ(Bench().Meshes().size(), 1u);
  EXPECT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.front();

  // A read that has ended but whose model the window has not taken yet is dropped too.
  Form().LoadModel(WriteObj(dir_, "other.obj"));
  const int other = reader_.Pid(2);
  for (int i = 0; i < 1000 && !testsupport::ProcessEnded(other); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const std::string two = WriteModel(dir_);
  Form().LoadModel(two);  // read on the window's thread
  EXPECT_FALSE(Form().ModelLoading());
  Run(2 * TfrmMain::kUpdateDelayMs);
  EXPECT_EQ(Bench().ModelFileName(), two);
  EXPECT_EQ(MeshNames().size(), 2u);
}

TEST_F(MainWindowReadTest, ARecipeOfAModelReadApartIsShownWhenTheModelArrives) {
  const std::string obj = WriteObj(dir_, "tri.obj");
  const std::string recipe = dir_.File("tri.json");
  std::ofstream(recipe) << "{\"model\": \"tri.obj\", \"view\": [12, 34], \"shadow\": false, "
                           "\"color\": {\"Tri\": \"#102030\"}, \"outputs\": [\"tri.iconset\"]}";
  Form().OpenFile(recipe);
  EXPECT_TRUE(Form().ModelLoading());
  EXPECT_NE(Bench().CameraZ().RotateAngle().Z(), 12);
  ASSERT_TRUE(WaitForRead());
  EXPECT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.front();
  EXPECT_EQ(Bench().ModelFileName(), obj);
  EXPECT_EQ(Bench().CameraZ().RotateAngle().Z(), 12);
  EXPECT_EQ(Bench().CameraX().RotateAngle().X(), 34);
  EXPECT_FALSE(Bench().Shadow().Enabled);
  EXPECT_FALSE(Form().Control<TpmCheckBox>("checkShadow").IsChecked());
  EXPECT_EQ(Cube().Material().DiffuseText(), "#FF102030");
  EXPECT_EQ(Form().Control<TpmPopupBox>("popupFormat").ItemIndex(), ifIconset);

  // A recipe whose read is stopped is not shown, not even on a later model.
  std::ofstream(dir_.File("slow.json")) << "{\"model\": \"slow.obj\", \"view\": [50, 60]}";
  WriteObj(dir_, "slow.obj");
  Form().OpenFile(dir_.File("slow.json"));
  EXPECT_TRUE(Form().ModelLoading());
  Key(vkEscape);
  Form().LoadModel(obj);
  ASSERT_TRUE(WaitForRead());
  EXPECT_EQ(Bench().CameraZ().RotateAngle().Z(), 12);
  EXPECT_TRUE(dialogs_.errors.empty()) << dialogs_.errors.front();
}

// While a model is read over the round cube, the icons do not show the cube as if it were
// that model; stopped or failed, the read gives the cube back. A model of the user's stays
// shown while another is read (ASlowReadLeavesTheWindowAnsweringAndEscapeStopsIt).
TEST_F(MainWindowReadTest, TheRoundCubeDoesNotStandInForAModelBeingRead) {
  Run(600);
  ASSERT_GT(OpaquePixels(Form().Preview(256).Bitmap()), 1000);
  Form().LoadModel(WriteObj(dir_, "slow.obj"));
  Run(2 * TfrmMain::kUpdateDelayMs);
  EXPECT_EQ(OpaquePixels(Form().Preview(256).Bitmap()), 0);
  Key(vkEscape);
  Run(2 * TfrmMain::kUpdateDelayMs);
  EXPECT_GT(OpaquePixels(Form().Preview(256).Bitmap()), 1000);

  const std::string junk = dir_.File("junk.glb");
  testsupport::WriteFile(junk, {'g', 'l', 'T', 'F', 2, 0, 0, 0, 99, 0, 0, 0});
  Form().LoadModel(junk);
  ASSERT_TRUE(WaitForRead());
  EXPECT_EQ(dialogs_.errors.size(), 1u);
  Run(2 * TfrmMain::kUpdateDelayMs);
  EXPECT_GT(OpaquePixels(Form().Preview(256).Bitmap()), 1000);

  // A read that succeeds shows its model's icons at once, without the pause of an edit
  // (the loop's clock goes a millisecond a turn, far less than the pause, until then). The
  // reader pauses a second first, while the icons go empty.
  Form().LoadModel(WriteObj(dir_, "pause.obj"));
  Run(2 * TfrmMain::kUpdateDelayMs);
  ASSERT_TRUE(Form().ModelLoading());
  ASSERT_EQ(OpaquePixels(Form().Preview(256).Bitmap()), 0);
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  uint32_t turns = 0;
  while (Form().ModelLoading() && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    Run(1);
    ++turns;
  }
  ASSERT_FALSE(Form().ModelLoading());
  ASSERT_LT(turns, TfrmMain::kUpdateDelayMs);
  EXPECT_EQ(Bench().ModelFileName(), dir_.File("pause.obj"));
  EXPECT_GT(OpaquePixels(Form().Preview(256).Bitmap()), 100);
}

TEST_F(MainWindowReadTest, ClosingTheWindowDuringAReadEndsAtOnceWithTheReader) {
  Form().LoadModel(WriteObj(dir_, "slow.obj"));
  const int pid = reader_.Pid(0);
  const auto start = std::chrono::steady_clock::now();
  window_.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_TRUE(testsupport::ProcessEnded(pid));
}

TEST_F(MainWindowReadTest, AFailedReadIsReportedAsTheWorkbenchRaisesIt) {
  const std::string junk = dir_.File("junk.glb");
  testsupport::WriteFile(junk, {'g', 'l', 'T', 'F', 2, 0, 0, 0, 99, 0, 0, 0});
  std::string expected;
  try {
    TWorkbench().LoadModel(junk);
  } catch (...) {
    expected = ExceptionMessage(std::current_exception());
  }
  ASSERT_NE(expected.find("could not be read"), std::string::npos) << expected;
  const std::string cube = Cube().DisplayName;
  Form().LoadModel(junk);
  EXPECT_TRUE(dialogs_.errors.empty());  // not yet: the read is under way
  ASSERT_TRUE(WaitForRead());
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_EQ(dialogs_.errors[0], TrMessage(expected));
  EXPECT_EQ(Cube().DisplayName, cube);
  EXPECT_EQ(HintText("junk.glb"), nullptr);
}

}  // namespace
