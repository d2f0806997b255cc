// What both model builders do around their work on the parent: the scene ignores repaint
// requests, the parent is emptied and hidden, and whatever happens (errors included) the
// parent becomes visible again and the scene takes repaints again.
#pragma once

#include <string>

#include "import/built_mesh.h"

class TgkBitmapList;
class TgkMesh;
class TgkScene;
class TgkVisualObject;

class TModelReplacement {
 public:
  TModelReplacement(TgkVisualObject& parent, TgkBitmapList* bitmaps);
  ~TModelReplacement();
  TModelReplacement(const TModelReplacement&) = delete;
  TModelReplacement& operator=(const TModelReplacement&) = delete;

  // A new mesh under the parent, owned by the parent's owner: geometry, size, position,
  // gkScale alignment, name, locked and not hit-testable.
  TgkMesh& AddMesh(const TBuiltMesh& built);

 private:
  TgkVisualObject& parent_;
  TgkScene* scene_;
};
