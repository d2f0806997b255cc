// Reader of 3D Studio mesh files. LoadFromStream reads only the chunk headers; meshes and
// materials are read from the stream when first asked for and kept from then on, so the
// stream must stay open and unchanged while the reader is in use. Chunks of ids the
// reader does not know are skipped at every level. Structural damage is an E3DSError
// (the invalid-chunk message): a mesh or material in, above or around which a chunk runs
// past its parent, and every mesh and material of a file shorter than its root chunk.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/stream.h"
#include "import/chunk_tree_3ds.h"
#include "import/error_3ds.h"
#include "import/types_3ds.h"

class TFile3DS;

class TObjectList {
 public:
  int MeshCount();
  // The mesh record, built on the first call; owned by the list.
  const TMesh3DS& Mesh(int index);
  // Lights and cameras are never read by this program; the lists stay empty.
  int LightCount() const { return 0; }
  int CameraCount() const { return 0; }

 private:
  friend class TFile3DS;
  explicit TObjectList(TFile3DS& owner) : owner_(owner) {}
  void Clear() { meshes_.clear(); }

  TFile3DS& owner_;
  std::vector<std::unique_ptr<TMesh3DS>> meshes_;
};

class TMaterialList {
 public:
  int Count();
  const TMaterial3DS& Material(int index);
  // The first material whose name equals name without regard to ASCII letter case, or
  // nullptr. Materials after the match are not read.
  const TMaterial3DS* FindByName(const std::string& name);

 private:
  friend class TFile3DS;
  explicit TMaterialList(TFile3DS& owner) : owner_(owner) {}
  void Clear() {
    materials_.clear();
    looked_through_ = 0;
    first_by_name_.clear();
  }

  TFile3DS& owner_;
  std::vector<std::unique_ptr<TMaterial3DS>> materials_;
  // FindByName's progress: materials [0, looked_through_) are read, and each upper-cased
  // name among them maps to its first material.
  int looked_through_ = 0;
  std::unordered_map<std::string, int> first_by_name_;
};

// Keyframer tracks are never read by this program; the lists stay empty.
class TKeyFramer {
 public:
  int MeshMotionCount() const { return 0; }
};

class TFile3DS {
 public:
  TFile3DS();
  TFile3DS(const TFile3DS&) = delete;
  TFile3DS& operator=(const TFile3DS&) = delete;

  // Forgets an earlier load and reads the chunk headers. Data that are not 3DS give a
  // reader without meshes and materials, not an error.
  void LoadFromStream(TStream& stream);

  const std::string& FileName() const { return file_name_; }
  TObjectList& ObjectList() { return objects_; }
  TMaterialList& MaterialList() { return materials_; }
  TKeyFramer& KeyFramer() { return key_framer_; }

  // The chunk tree, for tests and tools.
  const TChunkTree3DS& Chunks() const { return tree_; }
  // The parent path the keyframer names for a node chunk ("parent" or
  // "parent.instance"), empty when the node has no parent.
  std::string KeyFramerParentName(int node) const;

 private:
  friend class TObjectList;
  friend class TMaterialList;

  void RequireLoaded() const;
  void BuildObjectIndex();
  void BuildMaterialIndex();
  void PrepareKeyFramer();
  std::unique_ptr<TMesh3DS> ReadMesh(int named_object);
  std::unique_ptr<TMaterial3DS> ReadMaterial(int material_chunk);

  TStream* stream_ = nullptr;
  std::string file_name_;
  TChunkTree3DS tree_;
  bool objects_indexed_ = false;
  std::vector<std::pair<std::string, int>> object_index_;  // named objects with a mesh
  bool materials_indexed_ = false;
  std::vector<std::pair<std::string, int>> material_index_;
  std::vector<std::pair<int, std::string>> parent_names_;  // node chunk, parent path
  TObjectList objects_;
  TMaterialList materials_;
  TKeyFramer key_framer_;
};
