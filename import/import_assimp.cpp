#include "import/import_assimp.h"

#include <optional>
#include <vector>

#include "core/text_helpers.h"
#include "import/assimp_guard.h"
#include "import/import_report.h"
#include "import/mesh_builder_assimp.h"
#include "import/scene_update.h"
#include "import/texture_set.h"
#include "platform/cancel_signal.h"
#include "scene/bitmap_registry.h"
#include "scene/shape.h"

namespace {

// The texture of one material, resolved once per load.
TTextureResult MaterialTexture(const THandbackModel& model, const THandbackMaterial& m,
                               TTextureSet& textures) {
  if (m.EmbeddedTexture >= 0) {
    const THandbackTexture& t = model.Textures[static_cast<size_t>(m.EmbeddedTexture)];
    const std::string key = std::to_string(m.EmbeddedTexture);
    const std::string wanted = t.Name.empty() ? "embedded " + key : t.Name;
    if (t.Raw) {
      return textures.FromPixels(key, t.Bytes, static_cast<int32_t>(t.Width),
                                 static_cast<int32_t>(t.Height), wanted);
    }
    return textures.FromData(key, t.Bytes, wanted);
  }
  if (m.TextureFile.empty()) return {};
  // glTF names its images by URI: "my%20logo.png" is the file "my logo.png".
  std::vector<std::string> spellings = {m.TextureFile};
  if (std::string decoded = PercentDecoded(m.TextureFile); decoded != m.TextureFile)
    spellings.push_back(decoded);
  return textures.FromFile(spellings, spellings.back());
}

std::string Note(const THandbackModel& model, const THandbackMaterial& m,
                 const TTextureResult& texture) {
  std::string what;
  if (m.EmbeddedTexture >= 0) {
    const THandbackTexture& t = model.Textures[static_cast<size_t>(m.EmbeddedTexture)];
    what = "the embedded texture" + (t.Name.empty() ? "" : " " + t.Name) +
           (t.FormatHint.empty() ? "" : " (" + t.FormatHint + ")");
  } else {
    what = "the texture " + m.TextureFile;
  }
  if (!texture.Failure.empty())
    return what + " could not be decoded: " + texture.Failure + "; the base colour is shown";
  if (texture.Status == TTextureResult::Undecodable)
    return what + " is in a format Facetmint cannot decode; the base colour is shown";
  return what + " was not found; the base colour is shown";
}

}  // namespace

void ImportAssimp(const std::string& file_name, TgkBitmapList* bitmaps, TStream&,
                  TgkVisualObject& parent, TImportReport* report) {
  // Read first: a file that fails leaves the parent as it was.
  BuildAssimpModel(ReadAssimpModel(file_name), bitmaps, parent, report);
}

TAssimpRead ReadAssimpModel(const std::string& file_name, const TCancelSignal* cancel) {
  TAssimpRead read;
  read.FileName = file_name;
  read.Model = ReadModelGuarded(file_name, cancel);
  ChooseUpAxis(file_name, read.Model);
  read.Built = BuildHandbackMeshes(read.Model);
  // A large texture takes a while to decode; here that keeps the window answering. Each
  // material that a mesh uses, once.
  TTextureSet ahead(file_name, read.Textures, cancel);
  std::vector<bool> decoded(read.Model.Materials.size());
  for (const TBuiltHandbackMesh& b : read.Built) {
    if (decoded[b.Material]) continue;
    decoded[b.Material] = true;
    if (cancel && cancel->Cancelled()) throw EModelReadCancelled();
    MaterialTexture(read.Model, read.Model.Materials[b.Material], ahead);
  }
  if (cancel && cancel->Cancelled()) throw EModelReadCancelled();
  return read;
}

void BuildAssimpModel(const TAssimpRead& read, TgkBitmapList* bitmaps, TgkVisualObject& parent,
                      TImportReport* report) {
  const std::string& file_name = read.FileName;
  const THandbackModel& model = read.Model;
  TModelReplacement replacement(parent, bitmaps);
  std::optional<TTextureSet> textures;
  if (bitmaps) textures.emplace(file_name, *bitmaps, &read.Textures);
  std::vector<std::optional<TTextureResult>> resolved(model.Materials.size());
  for (const TBuiltHandbackMesh& b : read.Built) {
    const bool has_colors = !b.Mesh.Colors.empty();
    TgkMesh& mesh = replacement.AddMesh(b.Mesh);
    const THandbackMaterial& m = model.Materials[b.Material];
    if (!m.IsDefault) {
      mesh.Material().SetDiffuse((m.Diffuse & 0x00FFFFFFu) |
                                 (static_cast<uint32_t>(m.Opacity * 255) << 24));
    } else if (has_colors) {
      mesh.Material().SetDiffuse(0xFFFFFFFF);  // the vertex colours as the file has them
    }  // else the mesh keeps its start colour, like a 3DS mesh without material
    if (m.TwoSided) mesh.SetTwoSide(true);
    if (!textures || (m.TextureFile.empty() && m.EmbeddedTexture < 0)) continue;
    std::optional<TTextureResult>& texture = resolved[b.Material];
    if (!texture) texture = MaterialTexture(model, m, *textures);
    TMeshTextureReport entry;
    if (texture->Status == TTextureResult::Loaded) {
      mesh.Material().SetBitmap(texture->Name);
      entry.Source = texture->Path.empty() ? "embedded image " + std::to_string(m.EmbeddedTexture)
                                           : texture->Path;
    } else {
      entry.Note = Note(model, m, *texture);
    }
    if (report) report->Textures[&mesh] = entry;
  }
}
