// Where the shown meshes land in the icon render's frame: the box of their vertices
// projected as the render projects them (the model posed as for the render). Its box is
// the silhouette's: a triangle's pixels lie within its corners' box.
#pragma once

class TgkCamera;
class TgkDummy;

struct TSilhouette {
  // In pixels of a side x side frame, right and bottom exclusive in effect.
  float Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool Empty = true;    // no shown mesh has a vertex
  bool Behind = false;  // a vertex lies at or behind the near plane: the box is incomplete
};

TSilhouette ProjectSilhouette(TgkDummy& owner, TgkCamera& camera, float side);
