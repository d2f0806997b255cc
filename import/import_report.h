// What a model load found out besides the meshes: for each mesh, the texture it shows
// (the file found, or the image the model embeds) and why a texture it names is not shown.
#pragma once

#include <map>
#include <string>

class TgkShape;

struct TMeshTextureReport {
  std::string Source;  // the texture file found, or "embedded image N" ("" for none)
  std::string Note;    // why a named texture is not shown ("" when it is, or none is named)
};

struct TImportReport {
  std::map<const TgkShape*, TMeshTextureReport> Textures;
};
