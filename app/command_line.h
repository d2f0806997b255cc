// The command line of facetmint, parsed without running anything:
//   facetmint                       the window (a headless render into out/ while there is none)
//   facetmint render [MODEL|FOLDER ...] -o FILE [-o FILE ...] [--previews DIR]
//                    [--icon-theme DIR] [--web DIR] [--out-dir DIR] [-j N] [--recipe FILE]
//                    [--save-recipe FILE] [outputs' options] [settings]
//   facetmint info MODEL
//   facetmint thumbnail [-s SIZE] INPUT OUTPUT
//   facetmint --help | --version
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "app/render_settings.h"
#include "app/thumbnail_job.h"

enum class TCommand { Window, Render, Info, Thumbnail, Help, Version };

// One model's render. Output paths and Name may hold "{name}" until the batch fills it in
// (batch.h).
struct TRenderJob {
  std::string Model;                 // empty: the built-in round cube
  std::vector<std::string> Outputs;  // .icns, .ico, .png files and .iconset folders
  std::string PreviewDir;            // empty: no previews
  std::string IconThemeDir;          // empty: no icon theme
  std::string WebDir;                // empty: no web icons
  std::string Name;                  // of the icon theme and web icons; empty: the model's
  uint32_t Background = 0xFFFFFFFF;  // behind the web's apple-touch-icon.png
  int PngSize = 256;                 // of the .png outputs
  bool Fit = false;                  // fill the icon (FitFraming) after the settings
  float FitMargin = 8;               // percent
  TRenderSettings Settings;
  std::vector<std::string> Folders;  // made before writing: those of the outputs under --out-dir
};

// A render as asked for: the job every model gets, the models and the batch's options. This
// is what a recipe holds (recipe.h).
struct TRenderRequest {
  TRenderJob Job;                   // Job.Model unused: the batch fills it in from Models
  std::vector<std::string> Models;  // files and folders of models; none: the round cube
  std::string OutDir;               // relative output paths are under it; empty: none
  int Jobs = 0;                     // models rendered at a time; 0: one per processor
};

struct TCommandLine {
  TCommand Command = TCommand::Window;
  TRenderRequest Render;
  std::string SaveRecipe;  // render --save-recipe FILE; empty: none
  std::string InfoModel;
  TThumbnailJob Thumbnail;
  std::string WindowModel;  // facetmint MODEL: the window opens with it
  // One line per setting outside its slider's range, naming the value used instead.
  std::vector<std::string> Notices;
};

// Arguments the program cannot make sense of; the message says which.
class EUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A usage error whose message is complete without the usage text: a recipe's errors
// (recipe.h), models that would write one file (batch.h).
class EPlainUsageError : public EUsageError {
 public:
  using EUsageError::EUsageError;
};

// Checks of option values, shared by the command line and recipes. Each raises EUsageError
// with a message that starts with option (the option or the recipe's key).
inline constexpr int kMostJobs = 256;
// "#" and 8 (AARRGGBB) or, with opaque, 6 (RRGGBB) hexadecimal digits.
uint32_t ParseColor(const std::string& option, const std::string& text, bool opaque);
void CheckOutputFile(const std::string& file);  // .icns, .ico, .png or .iconset
void CheckFolder(const std::string& option, const std::string& folder);  // not empty
void CheckIconSetNameOption(const std::string& option, const std::string& name);
int CheckPngSize(const std::string& option, double size);        // whole, 16 .. 1024
float CheckFitMargin(const std::string& option, double margin);  // 0 .. below 50
int CheckJobs(const std::string& option, double jobs);           // whole, 1 .. kMostJobs

// args without the program name. Reads the recipe of render --recipe. Raises EUsageError.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);
std::string UsageText();
