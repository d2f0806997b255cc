// The command line of facetmint, parsed without running anything:
//   facetmint                       the window (a headless render into out/ while there is none)
//   facetmint render [MODEL] -o FILE [-o FILE ...] [--previews DIR] [--icon-theme DIR]
//                    [--web DIR] [outputs' options] [settings]
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
};

struct TCommandLine {
  TCommand Command = TCommand::Window;
  TRenderJob Render;
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

// args without the program name. Raises EUsageError.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);
std::string UsageText();
