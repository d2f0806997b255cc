// Replaces the children of a parent with the meshes of a model file read through the Open
// Asset Import Library (glTF, OBJ, FBX, COLLADA, STL, PLY and the other formats of
// ModelFormats()), read in a guarded child process (import/assimp_guard.h).
#pragma once

#include <string>
#include <vector>

#include "import/mesh_builder_assimp.h"
#include "import/model_handback.h"
#include "import/texture_set.h"

class TCancelSignal;
class TgkBitmapList;
class TgkVisualObject;
class TStream;
struct TImportReport;

// Called like Import3DS: one normalised mesh per mesh a node of the file draws, with its
// material's colour, opacity, two-sidedness and texture (found beside the model like 3DS
// textures, or embedded in the file), its vertex colours, and the file's up axis turned to
// +Z. stream is not read (the reader opens the file itself, with the files it names).
// report (may be null) receives each mesh's texture and the notes on textures not shown.
// Raises std::runtime_error "could not be read (REASON)"; the parent is then untouched.
void ImportAssimp(const std::string& file_name, TgkBitmapList* bitmaps, TStream& stream,
                  TgkVisualObject& parent, TImportReport* report = nullptr);

// ImportAssimp in its two steps, for a caller that reads on another thread.
struct TAssimpRead {
  std::string FileName;
  THandbackModel Model;
  std::vector<TBuiltHandbackMesh> Built;
  TDecodedTextures Textures;  // the meshes' textures, decoded
};
// The slow step, which touches no scene object and may run on any thread: the guarded read,
// the geometry and the textures' decoding. Raises as ImportAssimp does; EModelReadCancelled
// (import/assimp_guard.h) when cancel (may be null) was raised.
TAssimpRead ReadAssimpModel(const std::string& file_name, const TCancelSignal* cancel = nullptr);
// The step on the scene's thread: the meshes, materials and textures under parent.
void BuildAssimpModel(const TAssimpRead& read, TgkBitmapList* bitmaps, TgkVisualObject& parent,
                      TImportReport* report = nullptr);
