#include "app/main_form.h"

#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <utility>
#include <vector>

#include "app/background_read.h"
#include "app/embedded.h"
#include "app/framing.h"
#include "app/icon_sets.h"
#include "app/recipe.h"
#include "app/render_settings.h"
#include "app/translation.h"
#include "app/window_recipe.h"
#include "core/component_stream.h"
#include "core/stream.h"
#include "core/text_helpers.h"
#include "import/model_formats.h"
#include "platform/swap_red_blue.h"
#include "scene/camera_light.h"
#include "scene/dummy.h"
#include "scene/scene.h"
#include "scene/shape.h"
#include "ui/controls.h"
#include "ui/focus_chain.h"
#include "ui/list_box.h"
#include "ui/pq_layer.h"
#include "ui/resources.h"
#include "ui/shapes.h"
#include "ui/track.h"

namespace {

// Round half to even, as the value labels show their sliders.
std::string RoundedText(float v) {
  return std::to_string(static_cast<long>(std::nearbyint(v)));
}

// The open and save dialogs' entry for recipes.
constexpr const char* kRecipeFilter = "配方 (*.json)|*.json";

template <class T>
T* As(TPersistent* sender) {
  return dynamic_cast<T*>(sender);
}

}  // namespace

FM_REGISTER_CLASS(TfrmMain) {
  c.String("Caption", &TfrmMain::Caption, &TfrmMain::SetCaption);
  c.Integer("ClientWidth", &TfrmMain::ClientWidth, &TfrmMain::SetClientWidth);
  c.Integer("ClientHeight", &TfrmMain::ClientHeight, &TfrmMain::SetClientHeight);
  c.Integer("MinClientWidth", &TfrmMain::MinClientWidth, &TfrmMain::SetMinClientWidth);
  c.Integer("MinClientHeight", &TfrmMain::MinClientHeight, &TfrmMain::SetMinClientHeight);
  c.Boolean("Centred", &TfrmMain::Centred, &TfrmMain::SetCentred).Default(true);
  c.Event("OnCreate", &TfrmMain::OnCreate);
  c.Event("OnDestroy", &TfrmMain::OnDestroy);
  c.Event("OnResize", &TfrmMain::OnResize);
}

TfrmMain::TfrmMain(const TMainFormServices& services, TTimerService& timers)
    : services_(services), update_timer_(timers) {
  RegisterUiClasses();
  RegisterSceneObjectClasses();
  update_timer_.SetEnabled(false);
  update_timer_.SetInterval(kUpdateDelayMs);
  update_timer_.SetOnTimer([this](TTimer&) { UpdateTimerTimer(); });

  BuildMethodTable();
  workbench_ = std::make_unique<TWorkbench>();
  ReadDescription();
  ArrangeSceneTree();
  LoadPictures();
  workbench_->OnChange = [this] { ScheduleUpdate(); };
  focus_chain_ = std::make_unique<TFocusChain>([this] {
    return std::vector<TgkPQLayer*>{c_.layerToolbar, c_.layerAbout, c_.ScreenPQLayer3,
                                    c_.HintLayout};
  });
  loader_ = std::make_unique<TModelLoader>(timers);
  loader_->OnRead = [this](const TModelRead& read) {
    FinishLoad(read, std::exchange(pending_recipe_, std::nullopt));
    // At once rather than after the usual pause: the icons stood empty during the read.
    UpdateTimerTimer();
  };
  loader_->OnBusyChange = [this] { ShowLoading(); };
  if (OnCreate) OnCreate(this);
}

TfrmMain::~TfrmMain() {
  loader_.reset();  // a read under way is stopped, its reader killed, its thread joined
  update_timer_.SetEnabled(false);
  if (OnDestroy) OnDestroy(this);
  // The scene frees its roots; Root2 belongs to the workbench, which frees it (and the
  // layers under it) before the scene goes with the other components.
  if (scene_) scene_->RemoveObject(&workbench_->Root2());
  workbench_.reset();
}

void TfrmMain::MissingControl(const std::string& name) {
  throw std::logic_error("the window has no control named " + name);
}

void TfrmMain::BuildMethodTable() {
  using Notify = void(TPersistent*);
  auto notify = [this](const char* name, void (TfrmMain::*handler)(TPersistent*)) {
    methods_.Add<Notify>(name, [this, handler](TPersistent* s) { (this->*handler)(s); });
  };
  notify("FormCreate", &TfrmMain::FormCreate);
  notify("FormDestroy", &TfrmMain::FormDestroy);
  notify("FormResize", &TfrmMain::FormResize);
  notify("btnLoadClick", &TfrmMain::btnLoadClick);
  notify("btnSaveClick", &TfrmMain::btnSaveClick);
  notify("btnAboutClick", &TfrmMain::btnAboutClick);
  notify("btnAboutCloseClick", &TfrmMain::btnAboutCloseClick);
  notify("BitmapButton1Click", &TfrmMain::BitmapButton1Click);
  notify("MeshListChange", &TfrmMain::MeshListChange);
  notify("TrackBar1Change", &TfrmMain::TrackBar1Change);
  notify("modelRotateXChange", &TfrmMain::modelRotateXChange);
  notify("modelRotateYChange", &TfrmMain::modelRotateYChange);
  notify("modelRotateZChange", &TfrmMain::modelRotateZChange);
  notify("shadowDirTrackChange", &TfrmMain::shadowDirTrackChange);
  notify("shadowDistTrackChange", &TfrmMain::shadowDistTrackChange);
  notify("shadowOpacityTrackChange", &TfrmMain::shadowOpacityTrackChange);
  notify("shadowSoftnessTrackChange", &TfrmMain::shadowSoftnessTrackChange);
  notify("checkShadowChange", &TfrmMain::checkShadowChange);
  notify("shadowColorClick", &TfrmMain::shadowColorClick);
  methods_.Add<void(TPersistent*, TMouseButton, TShiftState, float, float)>(
      "Label5MouseUp", [this](TPersistent* s, TMouseButton b, TShiftState sh, float x, float y) {
        Label5MouseUp(s, b, sh, x, y);
      });
  methods_.Add<void(TPersistent*, TMouseButton, TShiftState, float, float)>(
      "labelFitMouseUp", [this](TPersistent* s, TMouseButton b, TShiftState sh, float x, float y) {
        labelFitMouseUp(s, b, sh, x, y);
      });
}

void TfrmMain::ReadDescription() {
  // The three style collections come first: the layers name the main one.
  struct TStyleText {
    const char* name;
    const char* file;
  };
  for (TStyleText s : {TStyleText{"pmResources1", "main_styles.txt"},
                       TStyleText{"pmResources2", "container_styles.txt"},
                       TStyleText{"pmResources3", "window_styles.txt"}}) {
    auto* styles = new TpmResources(this);  // owned by the form
    styles->SetName(s.name);
    styles->SetResourceText(EmbeddedText(s.file));
  }
  const std::string text = EmbeddedText("main_form.txt");
  TMemoryStream stream(std::vector<uint8_t>(text.begin(), text.end()));
  ReadRootComponent(stream, *this);
  ResolveControls();
  scene_ = c_.gkScene1;
}

void TfrmMain::ResolveControls() {
  c_.BitmapButton1 = &Control<TpmBitmapButton>("BitmapButton1");
  c_.btnAbout = &Control<TpmBitmapButton>("btnAbout");
  c_.btnLoad = &Control<TpmBitmapButton>("btnLoad");
  c_.btnSave = &Control<TpmBitmapButton>("btnSave");
  c_.checkShadow = &Control<TpmCheckBox>("checkShadow");
  c_.gkScene1 = &Control<TgkScene>("gkScene1");
  c_.HintLayout = &Control<TgkScreenPQLayer>("HintLayout");
  c_.Image1 = &Control<TpmImage>("Image1");
  c_.Image2 = &Control<TpmImage>("Image2");
  c_.layerAbout = &Control<TgkScreenPQLayer>("layerAbout");
  c_.layerToolbar = &Control<TgkScreenPQLayer>("layerToolbar");
  c_.MeshList = &Control<TpmListBox>("MeshList");
  c_.Panel2 = &Control<TpmVisualObject>("Panel2");
  c_.Root1 = &Control<TpmVisualObject>("Root1");
  mesh_panel_height_ = c_.Panel2->Height();
  c_.popupFormat = &Control<TpmPopupBox>("popupFormat");
  c_.ScreenPQLayer2 = &Control<TgkScreenPQLayer>("ScreenPQLayer2");
  c_.ScreenPQLayer3 = &Control<TgkScreenPQLayer>("ScreenPQLayer3");
  c_.shadowColorRect = &Control<TpmRectangle>("shadowColorRect");
  c_.shadowDirLabel = &Control<TpmLabel>("shadowDirLabel");
  c_.shadowDirTrack = &Control<TpmTrackBar>("shadowDirTrack");
  c_.shadowDistLabel = &Control<TpmLabel>("shadowDistLabel");
  c_.shadowDistTrack = &Control<TpmTrackBar>("shadowDistTrack");
  c_.shadowOpacityLabel = &Control<TpmLabel>("shadowOpacityLabel");
  c_.shadowOpacityTrack = &Control<TpmTrackBar>("shadowOpacityTrack");
  c_.shadowSoftnessLabel = &Control<TpmLabel>("shadowSoftnessLabel");
  c_.shadowSoftnessTrack = &Control<TpmTrackBar>("shadowSoftnessTrack");
  c_.TrackBar1 = &Control<TpmTrackBar>("TrackBar1");
  c_.modelRotateX = &Control<TpmTrackBar>("modelRotateX");
  c_.modelRotateY = &Control<TpmTrackBar>("modelRotateY");
  c_.modelRotateZ = &Control<TpmTrackBar>("modelRotateZ");
  c_.modelRotateXlabel = &Control<TpmLabel>("modelRotateXlabel");
  c_.modelRotateYlabel = &Control<TpmLabel>("modelRotateYlabel");
  c_.modelRotateZlabel = &Control<TpmLabel>("modelRotateZlabel");
  c_.image256 = &Control<TpmImage>("image256");
  c_.image128 = &Control<TpmImage>("image128");
  c_.image64 = &Control<TpmImage>("image64");
  c_.image48 = &Control<TpmImage>("image48");
  c_.image32 = &Control<TpmImage>("image32");
  c_.image16 = &Control<TpmImage>("image16");
  c_.btnAboutClose = &Control<TpmButton>("btnAboutClose");
  c_.Label5 = &Control<TpmLabel>("Label5");
  c_.Label5->OnMouseEnter = [this](TPersistent*) { LinkHover(true); };
  c_.Label5->OnMouseLeave = [this](TPersistent*) { LinkHover(false); };
  // The link opens from the keyboard as a button does.
  c_.Label5->OnKeyDown = [this](TPersistent* sender, uint16_t& key, char32_t&, TShiftState) {
    if (key != vkReturn && key != vkSpace) return;
    key = 0;
    Label5MouseUp(sender, mbLeft, 0, 0, 0);
  };
}

void TfrmMain::ArrangeSceneTree() {
  TgkVisualObject& root = workbench_->Root2();
  // The layers were read as roots of the scene; they go under Root2 in the drawing order of
  // the window: hint, preview panel, view rig, control panel, model, about panel, tool bar.
  for (TgkScreenPQLayer* layer :
       {c_.HintLayout, c_.ScreenPQLayer2, c_.ScreenPQLayer3, c_.layerAbout, c_.layerToolbar})
    layer->SetParent(&root);
  for (TgkObject* object : std::vector<TgkObject*>{
           c_.HintLayout, c_.ScreenPQLayer2, &workbench_->CameraZ(), c_.ScreenPQLayer3,
           &workbench_->MeshOwner(), c_.layerAbout, c_.layerToolbar})
    object->BringToFront();
  scene_->AddObject(&root);
  scene_->SetCamera(&workbench_->Camera1());

  root.OnMouseDown = [this](TPersistent* s, TMouseButton b, TShiftState sh, float x, float y) {
    Root2MouseDown(s, b, sh, x, y);
  };
  root.OnMouseMove = [this](TPersistent* s, TShiftState sh, float x, float y, float dx, float dy) {
    Root2MouseMove(s, sh, x, y, dx, dy);
  };
  root.OnMouseUp = [this](TPersistent* s, TMouseButton b, TShiftState sh, float x, float y) {
    Root2MouseUp(s, b, sh, x, y);
  };
  root.OnMouseWheel = [this](TPersistent* s, TShiftState sh, int delta, const TgkPoint& p,
                             bool& handled) { Root2MouseWheel(s, sh, delta, p, handled); };
}

void TfrmMain::LoadPictures() {
  auto load = [](TpmBitmap& bitmap, const char* file) {
    std::span<const unsigned char> bytes = EmbeddedResource(file);
    TMemoryStream stream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    if (!bitmap.LoadFromStream(stream))
      throw std::runtime_error(std::string("the picture ") + file + " cannot be read");
  };
  load(c_.btnLoad->Bitmap(), "load.png");
  load(c_.btnSave->Bitmap(), "save.png");
  load(c_.btnAbout->Bitmap(), "about.png");
  load(c_.BitmapButton1->Bitmap(), "help.png");
  load(c_.Image1->Bitmap(), "arrow.png");
  load(c_.Image2->Bitmap(), "logo.png");
}

TpmListBox& TfrmMain::MeshList() const {
  return *c_.MeshList;
}

TpmImage& TfrmMain::Preview(int size) const {
  for (const auto& [side, image] : {std::pair{256, c_.image256},
                                    {128, c_.image128},
                                    {64, c_.image64},
                                    {48, c_.image48},
                                    {32, c_.image32},
                                    {16, c_.image16}}) {
    if (side == size) return *image;
  }
  throw std::logic_error("no preview of " + std::to_string(size) + " pixels");
}

TDialogService& TfrmMain::Dialogs() const {
  if (!services_.Dialogs) throw std::logic_error("the window has no dialogs");
  return *services_.Dialogs;
}

// ---- Keyboard ----

bool TfrmMain::PreviewKey(const TInputEvent& e) {
  if (e.kind != TInputKind::KeyDown) return false;
  const bool plain = !(e.shift & (ssCtrl | ssAlt));
  if (e.key == vkTab && plain) {
    c_.layerToolbar->ClosePopupMenu();
    focus_chain_->Move(!(e.shift & ssShift));
    return true;
  }
  if (e.key == vkEscape && plain) {
    if (c_.layerToolbar->PopupMenu()) {
      c_.layerToolbar->ClosePopupMenu();
      return true;
    }
    if (c_.layerAbout->Visible()) {
      btnAboutCloseClick(c_.btnAboutClose);
      return true;
    }
    if (loader_->Cancel()) return true;  // the model on screen stays
  }
  return false;
}

// ---- Start, resize, render ----

void TfrmMain::FormCreate(TPersistent*) {
  RebuildMeshList();
  RenderIcons();
}

void TfrmMain::FormDestroy(TPersistent*) {}

void TfrmMain::FormResize(TPersistent*) {
  auto& hint = *c_.HintLayout;
  hint.Position().SetY(static_cast<float>(scene_->Height()) - hint.Height());
  hint.Position().SetX(std::trunc(static_cast<float>(scene_->Width()) / 2));
  FitMeshPanel();
}

void TfrmMain::SetDisplayScale(float scale) {
  if (!(scale > 0) || scale == scale_) return;
  const float f = scale / scale_;
  for (TgkScreenPQLayer* layer :
       {c_.layerToolbar, c_.ScreenPQLayer3, c_.ScreenPQLayer2, c_.HintLayout, c_.layerAbout}) {
    if (TpmVisualObject* root = layer->Root()) root->Scale().SetPoint({scale, scale});
    layer->SetWidth(layer->Width() * f);
    layer->SetHeight(layer->Height() * f);
    layer->Position().SetX(layer->Position().X() * f);
    layer->Position().SetY(layer->Position().Y() * f);
  }
  scene_->SetLayerOverhang(scale);
  scene_->RealignLayers();
  scale_ = scale;
}

void TfrmMain::FitMeshPanel() {
  // The stored height reaches below the left panel's layer at the design size, which would
  // hide the list's last rows and its scroll bar: the list ends inside the window instead.
  // The layer has placed itself already; its content root takes the layer's pixel height.
  const auto& layer = *c_.ScreenPQLayer3;
  const float root_height = static_cast<float>(layer.BitmapHeight()) / c_.Root1->Scale().Y();
  const float room = root_height - c_.Root1->Margins().Bottom() - c_.Panel2->Position().Y() -
                     c_.Panel2->Padding().Bottom();
  c_.Panel2->SetHeight(std::max(0.0f, std::min(mesh_panel_height_, room)));
}

void TfrmMain::RenderIcons() {
  workbench_->RenderIcons();
  for (int size : TIconPreviews::kSizes) Preview(size).Bitmap().Assign(workbench_->Preview(size));
  ++render_count_;
}

void TfrmMain::ScheduleUpdate() {
  if (update_timer_.Enabled()) update_timer_.SetEnabled(false);
  update_timer_.SetEnabled(true);
}

void TfrmMain::UpdateTimerTimer() {
  update_timer_.SetEnabled(false);
  RenderIcons();
}

// ---- Model and mesh list ----

void TfrmMain::btnLoadClick(TPersistent*) {
  TOpenFileRequest request;
  request.filter = TrFilter(ModelOpenFilter() + "|" + kRecipeFilter);
  if (auto file = Dialogs().OpenFile(request)) OpenFile(*file);
}

void TfrmMain::OpenFile(const std::string& file_name) {
  if (LowerExtension(file_name) == ".json") {
    OpenRecipe(file_name);
  } else {
    LoadModel(file_name);
  }
}

void TfrmMain::LoadModel(const std::string& file_name) {
  LoadModelWith(file_name, std::nullopt);
}

void TfrmMain::LoadModelWith(const std::string& file_name, std::optional<TOpenedRecipe> recipe) {
  std::error_code error;
  if (!std::filesystem::exists(file_name, error)) return;
  // The last model asked for wins: an older read never arrives, nor its recipe.
  loader_->Cancel();
  pending_recipe_.reset();
  if (TWorkbench::ReadsApart(file_name)) {
    loader_->Start(file_name);
    pending_recipe_ = std::move(recipe);
    return;
  }
  FinishLoad(TWorkbench::ReadModel(file_name), std::move(recipe));
}

void TfrmMain::OpenRecipe(const std::string& file_name) {
  // Everything that can be checked before the load is: a bad recipe leaves the model shown.
  TOpenedRecipe recipe{file_name, ReadRecipe(file_name)};
  const std::string model = WindowRecipeModel(recipe.Request, file_name);
  if (!model.empty()) {
    LoadModelWith(model, std::move(recipe));
    return;
  }
  loader_->Cancel();
  pending_recipe_.reset();
  ShowRecipe(recipe);
}

void TfrmMain::ShowRecipe(const TOpenedRecipe& recipe) {
  const TRenderJob& job = recipe.Request.Job;
  try {
    ApplyRenderSettings(*workbench_, job.Settings);
  } catch (const EUnknownMesh& e) {
    ShowWorkbenchSettings();  // what was applied before the unknown name
    throw ERecipeError(recipe.File + ": " + e.what());
  }
  ShowWorkbenchSettings();
  if (const auto format = RecipeFormat(recipe.Request)) c_.popupFormat->SetItemIndex(*format);
  if (job.Fit) FitIcon(job.FitMargin);
  ScheduleUpdate();
  // Values beyond a slider's range were brought into it, as the command line does; the user
  // hears which, by the recipe's own key names.
  std::string notices;
  for (std::string notice : RangeNotices(job.Settings)) {
    if (notice.starts_with("--")) notice.erase(0, 2);
    notices += "\n" + TrMessage(recipe.File + ": " + notice);
  }
  if (!notices.empty()) Dialogs().ShowWarning(notices.substr(1));
}

void TfrmMain::ShowWorkbenchSettings() {
  // Each slider takes the workbench's value; where that changes it, its handler updates its
  // label and sets the same value again.
  const TShadowSettings shadow = workbench_->Shadow();
  const std::pair<TpmTrackBar*, float> sliders[] = {
      {c_.modelRotateX, workbench_->ModelRotation(0).Value()},
      {c_.modelRotateY, workbench_->ModelRotation(1).Value()},
      {c_.modelRotateZ, workbench_->ModelRotation(2).Value()},
      {c_.TrackBar1, workbench_->DistanceTrack().Value()},
      {c_.shadowDirTrack, shadow.Direction},
      {c_.shadowDistTrack, shadow.Distance},
      {c_.shadowOpacityTrack, shadow.Opacity},
      {c_.shadowSoftnessTrack, shadow.Softness},
  };
  for (const auto& [slider, value] : sliders) slider->SetValue(value);
  // The distance slider's handler moves the camera only when its value changed; the wheel
  // may have left the camera elsewhere.
  workbench_->Camera1().Position().SetY(c_.TrackBar1->Value());
  c_.checkShadow->SetIsChecked(shadow.Enabled);
  c_.shadowColorRect->Fill().Color = shadow.Color;
  c_.shadowColorRect->Fill().Changed();
  RebuildMeshList();
}

bool TfrmMain::ModelLoading() const {
  return loader_->Busy();
}

void TfrmMain::FinishLoad(const TModelRead& read, std::optional<TOpenedRecipe> recipe) {
  // A load that fails changes nothing, rows and selection included; its error goes on to
  // the report, and the recipe is not shown.
  workbench_->FinishLoad(read);
  TpmListBox& list = MeshList();
  if (list.Selected()) list.SetItemIndex(-1);
  RebuildMeshList();
  if (recipe) ShowRecipe(*recipe);
}

void TfrmMain::ShowLoading() {
  // The hint's two lines give way to the name of the model being read.
  const bool loading = loader_->Busy();
  for (const char* line : {"Text1", "Path1", "Text2"})
    Control<TpmVisualObject>(line).SetVisible(!loading);
  if (!loading_text_) {
    loading_text_ = new TpmText(this);  // owned by the form
    loading_text_->SetAlign(pqAlignClient);
    loading_text_->SetHitTest(false);
    loading_text_->Fill().Color = 0xFF000000;
    loading_text_->Fill().Changed();
    loading_text_->Font().SetSize(10);
    loading_text_->Font().SetStyle(pqFontBold);
    loading_text_->SetTranslated(false);  // a file's name, translated part put in below
    Control<TpmVisualObject>("Rectangle8").AddObject(loading_text_);
  }
  loading_text_->SetVisible(loading);
  UpdatePointer();
  // The round cube does not stand in for a model being read (in the viewport and the icons,
  // which would look like the model's): it goes while the read lasts, and comes back when
  // the read fails or is stopped. A model of the user's stays.
  const bool shown = !(loading && workbench_->ModelFileName().empty());
  if (workbench_->MeshOwner().Visible() != shown) {
    workbench_->MeshOwner().SetVisible(shown);
    ScheduleUpdate();
  }
  if (loading) {
    const std::string name = std::filesystem::path(loader_->FileName()).filename().string();
    loading_text_->SetText(Tr("正在载入") + " " + name + "…");
  }
}

void TfrmMain::RebuildMeshList() {
  TpmListBox& list = MeshList();
  list.Clear();
  // The rows are built apart and enter the list together: a model of many meshes is then
  // laid out once, not once per row.
  std::vector<TpmListBoxItem*> rows;
  for (TgkShape* mesh : workbench_->Meshes()) {
    auto* item = new TpmListBoxItem(this);  // the form owns every row part
    rows.push_back(item);

    auto* check = new TpmCheckBox(this);
    check->SetWidth(30);
    check->SetAlign(pqAlignLeft);
    check->Padding().SetRect({4, 2, 4, 2});
    check->SetResource("eyecheckboxstyle");
    check->SetIsChecked(mesh->Visible());
    check->OnChange = [this](TPersistent* s) { MeshVisibleChange(s); };
    check->LinkedObject = mesh;
    item->AddObject(check);

    auto* text = new TpmText(this);
    text->SetAlign(pqAlignClient);
    text->SetHitTest(false);
    text->Fill().Color = 0xFF000000;
    text->Fill().Changed();
    text->SetHorzTextAlign(pqTextAlignNear);
    text->SetWordWrap(false);  // one line; a long name ends in "…"
    text->Padding().SetRect({4, 2, 4, 2});
    text->SetText(mesh->DisplayName);
    // A mesh's name from its file is shown as it is; the round cube's is the program's own.
    text->SetTranslated(mesh->DisplayName == kRoundCubeName);
    item->AddObject(text);

    auto* button = new TpmSpeedButton(this);
    button->SetWidth(60);
    button->SetAlign(pqAlignRight);
    button->Padding().SetRect({4, 2, 4, 2});
    button->OnClick = [this](TPersistent* s) { MeshColorClick(s); };
    item->AddObject(button);

    auto* swatch = new TpmRectangle(this);
    swatch->Padding().SetRect({5, 3, 5, 3});
    swatch->SetXRadius(5);
    swatch->SetYRadius(5);
    swatch->SetHitTest(false);
    swatch->SetAlign(pqAlignClient);
    swatch->Fill().Color = StringToColor(mesh->Material().DiffuseText());
    swatch->Fill().Changed();
    button->AddObject(swatch);

    swatch->LinkedObject = mesh;
    button->LinkedObject = swatch;
    item->LinkedObject = mesh;
    mesh->LinkedObject = item;
    mesh->SetHitTest(true);
    mesh->AutoCapture = true;  // a drag that starts on the mesh follows the pointer anywhere
    mesh->OnMouseDown = [this](TPersistent* s, TMouseButton b, TShiftState sh, float x, float y) {
      MeshMouseDown(s, b, sh, x, y);
    };
    mesh->OnMouseMove = [this](TPersistent* s, TShiftState sh, float x, float y, float dx,
                               float dy) { MeshMouseMove(s, sh, x, y, dx, dy); };
    mesh->OnMouseUp = [this](TPersistent* s, TMouseButton b, TShiftState sh, float x, float y) {
      MeshMouseUp(s, b, sh, x, y);
    };
  }
  list.AddRows(rows);
  list.SetItemIndex(-1);
}

void TfrmMain::MeshVisibleChange(TPersistent* sender) {
  auto* check = As<TpmCheckBox>(sender);
  auto* mesh = check ? As<TgkShape>(check->LinkedObject) : nullptr;
  if (!mesh) return;
  workbench_->SetMeshVisible(*mesh, check->IsChecked());
}

bool TfrmMain::ChooseSwatchColor(TpmRectangle& swatch) {
  const uint32_t initial = SwapRedBlue(swatch.Fill().Color) & 0x00FFFFFF;
  std::optional<uint32_t> chosen = Dialogs().ChooseColor(initial);
  if (!chosen) return false;
  swatch.Fill().Color = (SwapRedBlue(*chosen) & 0x00FFFFFF) | 0xFF000000;
  swatch.Fill().Changed();
  return true;
}

void TfrmMain::MeshColorClick(TPersistent* sender) {
  auto* button = As<TpmSpeedButton>(sender);
  auto* swatch = button ? As<TpmRectangle>(button->LinkedObject) : nullptr;
  if (swatch && ChooseSwatchColor(*swatch)) {
    if (auto* mesh = As<TgkShape>(swatch->LinkedObject))
      workbench_->SetMeshColor(*mesh, swatch->Fill().Color);
  }
  ScheduleUpdate();
}

void TfrmMain::MeshMouseDown(TPersistent*, TMouseButton button, TShiftState, float, float) {
  // The mesh's own coordinates are of no use for the view: the window pixel is.
  mesh_pressed_ = true;
  mesh_press_pos_ = scene_->MousePosition();
  mesh_press_button_ = button;
}

void TfrmMain::MeshMouseMove(TPersistent* sender, TShiftState shift, float, float, float, float) {
  if (!mesh_pressed_) return;
  const TgkPoint p = scene_->MousePosition();
  if (!dragging_) {
    if (std::hypot(p.X - mesh_press_pos_.X, p.Y - mesh_press_pos_.Y) <= kDragThreshold * scale_)
      return;
    Root2MouseDown(sender, mesh_press_button_, shift, mesh_press_pos_.X, mesh_press_pos_.Y);
  }
  Root2MouseMove(sender, shift, p.X, p.Y, 0, 0);
}

void TfrmMain::MeshMouseUp(TPersistent* sender, TMouseButton button, TShiftState shift, float x,
                           float y) {
  const bool pressed = mesh_pressed_;
  mesh_pressed_ = false;
  if (pressed && dragging_) {
    Root2MouseUp(sender, button, shift, x, y);
    return;
  }
  auto* mesh = As<TgkObject>(sender);
  auto* item = mesh ? As<TpmListBoxItem>(mesh->LinkedObject) : nullptr;
  if (item) MeshList().SetItemIndex(item->Index());
}

void TfrmMain::MeshListChange(TPersistent*) {
  TpmListBoxItem* row = MeshList().Selected();
  workbench_->SelectMesh(row ? As<TgkShape>(row->LinkedObject) : nullptr);
}

// ---- Saving ----

void TfrmMain::btnSaveClick(TPersistent*) {
  const int index = c_.popupFormat->ItemIndex();
  if (index >= ifIconset && index <= ifWeb) {
    SaveIconSet(static_cast<TIconFormat>(index));
    return;
  }
  TSaveFileRequest request;
  TIconFormat format;
  switch (index) {
    case 0:
      request.filter = "Mac OS X Icon|*.icns";
      request.default_extension = "icns";
      format = ifIcns;
      break;
    case 1:
      request.filter = "Windows Vista Icon|*.ico";
      request.default_extension = "ico";
      format = ifIco;
      break;
    case 2:
      request.filter = "Portable Network Graphics|*.png";
      request.default_extension = "png";
      format = ifPng;
      break;
    default:
      return;
  }
  request.file_name = "myicon." + request.default_extension;
  request.confirm_overwrite = true;
  if (auto file = Dialogs().SaveFile(request)) workbench_->Save(format, *file);
}

void TfrmMain::SaveRecipe() {
  TSaveFileRequest request;
  request.filter = TrFilter(kRecipeFilter);
  request.default_extension = "json";
  const std::string& model = workbench_->ModelFileName();
  request.file_name =
      (model.empty() ? std::string("myicon") : std::filesystem::path(model).stem().string()) +
      ".json";
  request.confirm_overwrite = true;
  const auto file = Dialogs().SaveFile(request);
  if (!file) return;
  const int index = c_.popupFormat->ItemIndex();
  const TIconFormat format =
      index >= ifIcns && index <= ifWeb ? static_cast<TIconFormat>(index) : ifIcns;
  WriteRecipe(*file, WindowRecipe(*workbench_, format, *file));
}

void TfrmMain::SaveIconSet(TIconFormat format) {
  auto folder = Dialogs().ChooseFolder(Tr("选择保存图标的文件夹"));
  if (!folder) return;
  std::filesystem::path target(*folder);
  if (format == ifIconset) target /= workbench_->IconSetName() + ".iconset";
  const std::vector<std::string> files = format == ifIconset ? IconsetFiles()
                                         : format == ifIconTheme
                                             ? IconThemeFiles(workbench_->IconSetName())
                                             : WebIconFiles();
  int existing = 0;
  std::error_code error;
  for (const std::string& file : files) existing += std::filesystem::exists(target / file, error);
  if (existing > 0) {
    // The question's words come from the catalogue; the folder and the count are put in.
    std::string question = Tr("“%1”中已有 %2 个同名文件。要替换它们吗？");
    for (const auto& [mark, value] :
         {std::pair<std::string, std::string>{"%1", target.string()},
          std::pair<std::string, std::string>{"%2", std::to_string(existing)}}) {
      if (const size_t at = question.find(mark); at != std::string::npos) {
        question.replace(at, mark.size(), value);
      }
    }
    if (!Dialogs().Confirm(question)) return;
  }
  workbench_->Save(format, target.string());
}

// ---- Fitting ----

void TfrmMain::labelFitMouseUp(TPersistent*, TMouseButton, TShiftState, float, float) {
  FitIcon();
}

void TfrmMain::FitIcon(float margin_percent) {
  if (!FitFraming(*workbench_, margin_percent)) return;
  // The distance slider shows the new distance; its change handler keeps the camera there.
  c_.TrackBar1->SetValue(workbench_->Camera1().Position().Y());
  ScheduleUpdate();
}

// ---- Viewport gestures ----

void TfrmMain::Root2MouseDown(TPersistent*, TMouseButton button, TShiftState, float x, float y) {
  if (button != mbLeft && button != mbRight) return;
  last_mouse_pos_ = {x, y, 0};
  MeshList().SetItemIndex(-1);
  workbench_->Root2().AutoCapture = true;
  dragging_ = true;
}

void TfrmMain::Root2MouseMove(TPersistent*, TShiftState shift, float x, float y, float, float) {
  if (!dragging_ || !(shift & ssLeft)) return;
  if (!(shift & ssShift)) {
    // One degree per design pixel, whatever the display scale.
    workbench_->SetViewTurn(workbench_->CameraZ().RotateAngle().Z() +
                            (x - last_mouse_pos_.X) / scale_);
    workbench_->SetViewTilt(workbench_->CameraX().RotateAngle().X() +
                            (y - last_mouse_pos_.Y) / scale_);
    last_mouse_pos_ = {x, y, 0};
    return;
  }
  TgkCanvas* canvas = scene_->Canvas();
  if (!canvas) return;
  TgkCamera& camera = workbench_->Camera1();
  TgkDummy& owner = workbench_->MeshOwner();
  canvas->SetCamera(&camera);  // the view as it stands now, even before the next frame
  TgkVector pos_a, dir_a, pos_b, dir_b;
  canvas->PickRay(false, pos_a, dir_a, last_mouse_pos_.X, last_mouse_pos_.Y);
  canvas->PickRay(false, pos_b, dir_b, x, y);
  const TgkVector plane_point = owner.AbsolutePosition();
  const TgkVector normal = (shift & ssCtrl) ? TgkVector{0, 1, 0, 0} : camera.AbsoluteAxisY();
  TgkVector hit_a, hit_b;
  last_mouse_pos_ = {x, y, 0};
  if (!RayCastPlane(pos_a, dir_a, plane_point, normal, &hit_a) ||
      !RayCastPlane(pos_b, dir_b, plane_point, normal, &hit_b))
    return;  // the plane lies behind the camera along one of the rays
  hit_a.W = hit_b.W = 1;
  if (auto* parent = dynamic_cast<TgkVisualObject*>(owner.Parent())) {
    hit_a = parent->AbsoluteToLocalVector(hit_a);
    hit_b = parent->AbsoluteToLocalVector(hit_b);
  }
  const TgkPoint p = owner.Position().Point();
  workbench_->SetModelOffset(
      {p.X + (hit_b.X - hit_a.X), p.Y + (hit_b.Y - hit_a.Y), p.Z + (hit_b.Z - hit_a.Z)});
}

void TfrmMain::Root2MouseUp(TPersistent*, TMouseButton, TShiftState, float, float) {
  dragging_ = false;
}

void TfrmMain::Root2MouseWheel(TPersistent*, TShiftState, int wheel_delta, const TgkPoint&, bool&) {
  TgkPosition& position = workbench_->Camera1().Position();
  float y = position.Y() + static_cast<float>(wheel_delta) / 120.0f * 0.3f;
  if (y > -2) y = -2;
  position.SetY(y);
  c_.TrackBar1->SetValue(y);
  ScheduleUpdate();
}

// ---- Sliders and switches ----

void TfrmMain::TrackBar1Change(TPersistent*) {
  workbench_->Camera1().Position().SetY(c_.TrackBar1->Value());
  ScheduleUpdate();
}

void TfrmMain::ModelRotateChange(int axis, TpmTrackBar& slider, TpmLabel& label) {
  const float value = slider.Value();
  label.SetText(RoundedText(value));
  workbench_->SetModelRotation(axis, value);
}

void TfrmMain::modelRotateXChange(TPersistent*) {
  ModelRotateChange(0, *c_.modelRotateX, *c_.modelRotateXlabel);
}
void TfrmMain::modelRotateYChange(TPersistent*) {
  ModelRotateChange(1, *c_.modelRotateY, *c_.modelRotateYlabel);
}
void TfrmMain::modelRotateZChange(TPersistent*) {
  ModelRotateChange(2, *c_.modelRotateZ, *c_.modelRotateZlabel);
}

void TfrmMain::shadowDirTrackChange(TPersistent*) {
  const float v = c_.shadowDirTrack->Value();
  c_.shadowDirLabel->SetText(RoundedText(v));
  workbench_->SetShadowDirection(v);
}

void TfrmMain::shadowDistTrackChange(TPersistent*) {
  const float v = c_.shadowDistTrack->Value();
  c_.shadowDistLabel->SetText(RoundedText(v));
  workbench_->SetShadowDistance(v);
}

void TfrmMain::shadowOpacityTrackChange(TPersistent*) {
  const float v = c_.shadowOpacityTrack->Value();
  c_.shadowOpacityLabel->SetText(RoundedText(v) + "%");
  workbench_->SetShadowOpacity(v);
}

void TfrmMain::shadowSoftnessTrackChange(TPersistent*) {
  const float v = c_.shadowSoftnessTrack->Value();
  c_.shadowSoftnessLabel->SetText(RoundedText(v / 10));
  workbench_->SetShadowSoftness(v);
}

void TfrmMain::checkShadowChange(TPersistent*) {
  workbench_->SetShadowEnabled(c_.checkShadow->IsChecked());
}

void TfrmMain::shadowColorClick(TPersistent*) {
  auto& swatch = *c_.shadowColorRect;
  if (ChooseSwatchColor(swatch)) workbench_->SetShadowColor(swatch.Fill().Color);
  ScheduleUpdate();
}

// ---- About panel and help ----

void TfrmMain::btnAboutClick(TPersistent*) {
  auto& about = *c_.layerAbout;
  const float h = about.Height();
  const float b = c_.layerToolbar->Height();
  about.SetVisible(true);
  about.Position().SetY(-(h / 2) - b);
  about.Position().SetZ(5);
  about.AnimateFloat("Position.Y", std::trunc(h / 2) + b, 0.5f);
  about.AnimateFloat("Position.Z", 0, 0.5f);
}

void TfrmMain::btnAboutCloseClick(TPersistent*) {
  auto& about = *c_.layerAbout;
  const float h = about.Height();
  const float b = c_.layerToolbar->Height();
  about.AnimateFloat("Position.Z", 5, 0.2f);
  about.AnimateFloatWait("Position.Y", -(h / 2) - b, 0.5f);
  about.SetVisible(false);
}

void TfrmMain::LinkHover(bool over) {
  c_.Label5->Font().SetStyle(over ? pqFontUnderline : pqFontRegular);
  over_link_ = over;
  UpdatePointer();
}

void TfrmMain::UpdatePointer() {
  if (!services_.ShowPointer) return;
  services_.ShowPointer(over_link_        ? TPointerShape::Hand
                        : loader_->Busy() ? TPointerShape::Busy
                                          : TPointerShape::Arrow);
}

void TfrmMain::Label5MouseUp(TPersistent*, TMouseButton, TShiftState, float, float) {
  if (services_.OpenUrl) services_.OpenUrl(services_.HelpUrl);
}

void TfrmMain::BitmapButton1Click(TPersistent*) {
  if (services_.OpenUrl) services_.OpenUrl(services_.HelpUrl);
}
