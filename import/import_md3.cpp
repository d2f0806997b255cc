#include "import/import_md3.h"

#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "core/text_helpers.h"
#include "import/file_md3.h"
#include "import/import_report.h"
#include "import/md3_skin.h"
#include "import/mesh_builder_md3.h"
#include "import/scene_update.h"
#include "import/texture_set.h"
#include "scene/shape.h"
#include "scene/visual_object.h"

namespace {

// A skin file is a few lines of text; a larger one is not read.
constexpr std::streamsize kMaxSkinBytes = 1 << 20;

std::map<std::string, std::string> SkinOf(const std::string& model_file) {
  TTextureFinder finder(model_file);
  for (const std::string& name : MD3SkinNames(model_file)) {
    const std::string path = finder.Find(name);
    if (path.empty()) continue;
    std::ifstream in(path, std::ios::binary);
    std::string text(static_cast<size_t>(kMaxSkinBytes), '\0');
    in.read(text.data(), kMaxSkinBytes);
    text.resize(static_cast<size_t>(in.gcount()));
    return ParseMD3Skin(text);
  }
  return {};
}

}  // namespace

void ImportMD3(const std::string& file_name, TgkBitmapList* bitmaps, TStream& stream,
               TgkVisualObject& parent, TImportReport* report) {
  TModelReplacement replacement(parent, bitmaps);
  TFileMD3 file;
  file.LoadFromStream(stream);
  TBuiltMD3Model model = BuildMD3Model(file);
  // The parent takes the model's proportions before any mesh exists.
  parent.SetWidth(model.Width);
  parent.SetHeight(model.Height);
  parent.SetDepth(model.Depth);
  std::optional<TTextureSet> textures;
  std::map<std::string, std::string> skin;
  if (bitmaps) {
    textures.emplace(file_name, *bitmaps);
    skin = SkinOf(file_name);
  }
  for (size_t i = 0; i < model.Meshes.size(); ++i) {
    TgkMesh& mesh = replacement.AddMesh(model.Meshes[i]);
    if (!textures || i >= file.Surfaces.size()) continue;
    const TMD3MeshData& surface = file.Surfaces[i];
    std::string path;
    if (auto it = skin.find(LowerCase(MD3Name(surface.Name, sizeof surface.Name)));
        it != skin.end()) {
      path = it->second;
    } else if (!surface.Shaders.empty()) {
      path = MD3Name(surface.Shaders[0].Name, sizeof surface.Shaders[0].Name);
    }
    if (path.empty()) continue;
    const std::string base = path.substr(path.find_last_of("/\\") + 1);
    const TTextureResult texture = textures->FromFile(MD3TextureSpellings(path), base);
    if (texture.Status != TTextureResult::Loaded) continue;  // the start colour stays
    // The texture shows as painted, not tinted by the start colour.
    mesh.Material().SetDiffuse(0xFFFFFFFF);
    mesh.Material().SetBitmap(texture.Name);
    if (report) report->Textures[&mesh].Source = texture.Path;
  }
}
