// TfrmMain: the program's window as a component tree. It is built from its stored
// description (app/forms/main_form.txt) and its three style collections, all compiled into
// the program, around the workbench's scene tree: the five screen layers go under Root2 in
// their drawing order, the handlers are bound by name. It is the controller of the window:
// loading a model, the mesh list, the sliders and gestures, the debounced icon render, the
// save formats and the about panel. The desktop window itself is TMainWindow
// (app/main_window.h); this class needs none, so tests drive it directly.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/framing.h"
#include "app/workbench.h"
#include "core/component.h"
#include "platform/dialogs.h"
#include "platform/input_event.h"
#include "platform/pointer_shape.h"
#include "platform/timer_service.h"
#include "scene/math.h"

class TFocusChain;
class TModelLoader;
class TgkScene;
class TgkScreenPQLayer;
class TgkShape;
class TpmBitmapButton;
class TpmButton;
class TpmCheckBox;
class TpmImage;
class TpmLabel;
class TpmListBox;
class TpmPopupBox;
class TpmRectangle;
class TpmResources;
class TpmText;
class TpmTrackBar;
class TpmVisualObject;

// What the window needs from the desktop besides its dialogs.
struct TMainFormServices {
  TDialogService* Dialogs = nullptr;
  // The shell's "open" (the default opens the address in the browser).
  std::function<bool(const std::string& url)> OpenUrl;
  // The address the help link and the help button open.
  std::string HelpUrl;
  // Shows the pointer as a hand (over the help link), busy (while a model is read) or as
  // the arrow again.
  std::function<void(TPointerShape)> ShowPointer;
};

class TfrmMain : public TComponent {
  FM_CLASS(TfrmMain, TComponent)
 public:
  static constexpr uint32_t kUpdateDelayMs = 500;
  // How far (in pixels) the pointer moves from a press on a mesh before the press is a drag.
  static constexpr float kDragThreshold = 4;

  // Reads the stored description and runs FormCreate (the first icon render included).
  // Raises when the description cannot be read, which is a fault of the build.
  explicit TfrmMain(const TMainFormServices& services,
                    TTimerService& timers = DefaultTimerService());
  // Runs FormDestroy.
  ~TfrmMain() override;

  // ---- Published form values ----
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  int ClientWidth() const { return client_width_; }
  void SetClientWidth(int v) { client_width_ = v; }
  int ClientHeight() const { return client_height_; }
  void SetClientHeight(int v) { client_height_ = v; }
  int MinClientWidth() const { return min_client_width_; }
  void SetMinClientWidth(int v) { min_client_width_ = v; }
  int MinClientHeight() const { return min_client_height_; }
  void SetMinClientHeight(int v) { min_client_height_ = v; }
  bool Centred() const { return centred_; }
  void SetCentred(bool v) { centred_ = v; }
  TNotifyEvent OnCreate, OnDestroy, OnResize;

  const TMethodTable* Methods() const override { return &methods_; }

  // ---- Parts ----
  // The dialogs may be given once the desktop window exists.
  void SetDialogs(TDialogService* dialogs) { services_.Dialogs = dialogs; }
  void SetOpenUrl(std::function<bool(const std::string&)> open) {
    services_.OpenUrl = std::move(open);
  }
  void SetShowPointer(std::function<void(TPointerShape)> show) {
    services_.ShowPointer = std::move(show);
    UpdatePointer();
  }
  const std::string& HelpUrl() const { return services_.HelpUrl; }
  TWorkbench& Workbench() { return *workbench_; }
  TgkScene& Scene() const { return *scene_; }
  TTimer& UpdateTimer() { return update_timer_; }
  // The component of that name and type; raises std::logic_error when there is none.
  template <class T>
  T& Control(const std::string& name) const {
    auto* c = dynamic_cast<T*>(FindComponent(name));
    if (!c) MissingControl(name);
    return *c;
  }
  TpmListBox& MeshList() const;
  TpmImage& Preview(int size) const;
  // Icon renders run so far (the first one at start).
  int RenderCount() const { return render_count_; }
  bool Dragging() const { return dragging_; }

  // ---- Display scale (HiDPI) ----
  // Device pixels per design pixel. Scale S makes the five layers S times as large in the
  // window and draws their controls S times as fine; the controls keep their design sizes
  // and gestures count design pixels. Set before the window opens (at S times ClientWidth
  // x ClientHeight).
  float DisplayScale() const { return scale_; }
  void SetDisplayScale(float scale);

  // ---- Keyboard ----
  // Keys the window handles before the focused control: Tab and Shift+Tab move the focus
  // through the controls in reading order (tool bar, about panel, left panel, hint), Escape
  // closes the format menu or the about panel. True when the key was used.
  bool PreviewKey(const TInputEvent& e);
  TFocusChain& FocusChain() { return *focus_chain_; }

  // ---- Window events ----
  // Loads the model (as the load button does after its dialog); a missing file is ignored.
  // A model of the guarded reader (TWorkbench::ReadsApart) is read on another thread while
  // the window goes on; it arrives, or its error is reported, in a later turn of the loop.
  // Any load cancels a read under way, as Escape does.
  void LoadModel(const std::string& file_name);
  // True while a model is being read; the hint area shows its name meanwhile.
  bool ModelLoading() const;
  // A recipe (.json) opens as OpenRecipe does, any other file loads as LoadModel does: the
  // open dialog's choice, a dropped file and the command line's file.
  void OpenFile(const std::string& file_name);
  // Loads the model the recipe names, then shows its settings and selects the save format of
  // its first output; without a model its settings apply to the model shown. A bad recipe
  // raises ERecipeError with its one-line message and changes nothing.
  void OpenRecipe(const std::string& file_name);
  // Asks for a file (MODEL.json) and writes the window's settings there as a recipe
  // (Ctrl+Shift+S).
  void SaveRecipe();
  void RebuildMeshList();
  void ScheduleUpdate();

  // ---- Handlers bound by name ----
  void FormCreate(TPersistent* sender);
  void FormDestroy(TPersistent* sender);
  void FormResize(TPersistent* sender);
  void btnLoadClick(TPersistent* sender);
  void btnSaveClick(TPersistent* sender);
  void btnAboutClick(TPersistent* sender);
  void btnAboutCloseClick(TPersistent* sender);
  void BitmapButton1Click(TPersistent* sender);
  void Label5MouseUp(TPersistent* sender, TMouseButton button, TShiftState shift, float x, float y);
  void labelFitMouseUp(TPersistent* sender, TMouseButton button, TShiftState shift, float x,
                       float y);
  // Fits the model and its shadow to the icons once (the F key and the hint panel's 填满).
  void FitIcon(float margin_percent = kDefaultFitMargin);
  void MeshVisibleChange(TPersistent* sender);
  void MeshColorClick(TPersistent* sender);
  // A press on a mesh: a click selects its row, a drag beyond kDragThreshold pixels turns
  // or moves the view as a drag on the background does.
  void MeshMouseDown(TPersistent* sender, TMouseButton button, TShiftState shift, float x, float y);
  void MeshMouseMove(TPersistent* sender, TShiftState shift, float x, float y, float dx, float dy);
  void MeshMouseUp(TPersistent* sender, TMouseButton button, TShiftState shift, float x, float y);
  void MeshListChange(TPersistent* sender);
  void UpdateTimerTimer();
  void Root2MouseDown(TPersistent* sender, TMouseButton button, TShiftState shift, float x,
                      float y);
  void Root2MouseMove(TPersistent* sender, TShiftState shift, float x, float y, float dx, float dy);
  void Root2MouseUp(TPersistent* sender, TMouseButton button, TShiftState shift, float x, float y);
  void Root2MouseWheel(TPersistent* sender, TShiftState shift, int wheel_delta,
                       const TgkPoint& mouse_pos, bool& handled);
  void TrackBar1Change(TPersistent* sender);
  void modelRotateXChange(TPersistent* sender);
  void modelRotateYChange(TPersistent* sender);
  void modelRotateZChange(TPersistent* sender);
  void shadowDirTrackChange(TPersistent* sender);
  void shadowDistTrackChange(TPersistent* sender);
  void shadowOpacityTrackChange(TPersistent* sender);
  void shadowSoftnessTrackChange(TPersistent* sender);
  void checkShadowChange(TPersistent* sender);
  void shadowColorClick(TPersistent* sender);

 private:
  [[noreturn]] static void MissingControl(const std::string& name);
  // Looks up every control the handlers use, once, when the description has been read: a
  // description and code that disagree on a name or a type fail there.
  void ResolveControls();
  void BuildMethodTable();
  void ReadDescription();
  void ArrangeSceneTree();
  void LoadPictures();
  void RenderIcons();
  void ModelRotateChange(int axis, TpmTrackBar& slider, TpmLabel& label);
  // Shortens the mesh-list panel where its stored height would reach below the window.
  void FitMeshPanel();
  // A recipe opened: its file, for messages, and what it asks for.
  struct TOpenedRecipe {
    std::string File;
    TRenderRequest Request;
  };
  // The second step of a load (with the recipe to show once the model is in), and what the
  // window shows of a read under way.
  void FinishLoad(const TModelRead& read, std::optional<TOpenedRecipe> recipe);
  // LoadModel, with the recipe to show once the model has arrived (and only then).
  void LoadModelWith(const std::string& file_name, std::optional<TOpenedRecipe> recipe);
  void ShowRecipe(const TOpenedRecipe& recipe);
  // The sliders, switches, swatches and rows show the workbench's settings again.
  void ShowWorkbenchSettings();
  void ShowLoading();

  // The controls of the description the handlers use, by their names there.
  struct TControls {
    TpmBitmapButton* BitmapButton1 = nullptr;
    TpmBitmapButton* btnAbout = nullptr;
    TpmBitmapButton* btnLoad = nullptr;
    TpmBitmapButton* btnSave = nullptr;
    TpmCheckBox* checkShadow = nullptr;
    TgkScene* gkScene1 = nullptr;
    TgkScreenPQLayer* HintLayout = nullptr;
    TpmImage* Image1 = nullptr;
    TpmImage* Image2 = nullptr;
    TgkScreenPQLayer* layerAbout = nullptr;
    TgkScreenPQLayer* layerToolbar = nullptr;
    TpmListBox* MeshList = nullptr;
    TpmVisualObject* Panel2 = nullptr;
    TpmVisualObject* Root1 = nullptr;
    TpmPopupBox* popupFormat = nullptr;
    TgkScreenPQLayer* ScreenPQLayer2 = nullptr;
    TgkScreenPQLayer* ScreenPQLayer3 = nullptr;
    TpmRectangle* shadowColorRect = nullptr;
    TpmLabel* shadowDirLabel = nullptr;
    TpmTrackBar* shadowDirTrack = nullptr;
    TpmLabel* shadowDistLabel = nullptr;
    TpmTrackBar* shadowDistTrack = nullptr;
    TpmLabel* shadowOpacityLabel = nullptr;
    TpmTrackBar* shadowOpacityTrack = nullptr;
    TpmLabel* shadowSoftnessLabel = nullptr;
    TpmTrackBar* shadowSoftnessTrack = nullptr;
    TpmTrackBar* TrackBar1 = nullptr;
    TpmTrackBar* modelRotateX = nullptr;
    TpmTrackBar* modelRotateY = nullptr;
    TpmTrackBar* modelRotateZ = nullptr;
    TpmLabel* modelRotateXlabel = nullptr;
    TpmLabel* modelRotateYlabel = nullptr;
    TpmLabel* modelRotateZlabel = nullptr;
    TpmImage* image256 = nullptr;
    TpmImage* image128 = nullptr;
    TpmImage* image64 = nullptr;
    TpmImage* image48 = nullptr;
    TpmImage* image32 = nullptr;
    TpmImage* image16 = nullptr;
    TpmLabel* Label5 = nullptr;
    TpmButton* btnAboutClose = nullptr;
  } c_;
  // The help line looks like a link while the pointer is over it.
  void LinkHover(bool over);
  // The pointer for the link under it and the read under way.
  void UpdatePointer();
  // The colour dialog flow of a swatch; True when the user confirmed a colour.
  bool ChooseSwatchColor(TpmRectangle& swatch);
  // Saves a set into a folder the user picks, asking before files there are replaced.
  void SaveIconSet(TIconFormat format);
  TDialogService& Dialogs() const;

  TMainFormServices services_;
  std::string caption_ = "Facetmint";
  int client_width_ = 1066;
  int client_height_ = 657;
  int min_client_width_ = 0;
  int min_client_height_ = 0;
  bool centred_ = true;
  TMethodTable methods_;

  std::unique_ptr<TWorkbench> workbench_;
  TgkScene* scene_ = nullptr;
  TTimer update_timer_;
  std::unique_ptr<TFocusChain> focus_chain_;
  TgkPoint last_mouse_pos_;
  bool dragging_ = false;
  float mesh_panel_height_ = 0;  // Panel2's stored height
  // A press on a mesh that has not been released yet: where (window pixels) and which button.
  bool mesh_pressed_ = false;
  TgkPoint mesh_press_pos_;
  TMouseButton mesh_press_button_ = mbLeft;
  int render_count_ = 0;
  float scale_ = 1;
  std::unique_ptr<TModelLoader> loader_;
  std::optional<TOpenedRecipe> pending_recipe_;  // shown when the model being read arrives
  TpmText* loading_text_ = nullptr;              // over the hint's lines while a model is read
  bool over_link_ = false;                       // the pointer is over the help link
};
