// The fixed geometry of the built-in mesh shapes, in the unit box [-0.5, 0.5]^3. Each table
// is built once, on first use; shape constructors copy it in one block per array.
#pragma once

#include <cstdint>
#include <vector>

#include "scene/math.h"

struct TgkShapeTable {
  std::vector<TgkMeshVertex> vertices;
  std::vector<uint32_t> indices;
};

// The unit cube with every edge and corner rounded (radius 0.08 around the inner box
// [-0.42, 0.42]^3): 202 vertices, 204 triangles.
const TgkShapeTable& RoundCubeTable();
// 11 x 11 grid over x, y in [-0.5, 0.5] at z = -0.5 facing +z: 121 vertices, 200 triangles.
const TgkShapeTable& PlaneTable();
// The unit cube; the faces across z split into 6 x 6 squares, the others into 6 x 7:
// 452 vertices, 480 triangles.
const TgkShapeTable& CubeTable();
// Geodesic sphere of diameter 1 (icosahedron, every edge split into 6): 418 vertices,
// 720 triangles.
const TgkShapeTable& SphereTable();
// Axis along x, radius 0.5, 18 sides, 5 segments, both ends closed by fans: 163 vertices,
// 216 triangles.
const TgkShapeTable& CylinderTable();
// Axis along x, base at x = -0.5 closed by a fan, apex at x = 0.5, 20 sides: 153 vertices,
// 200 triangles.
const TgkShapeTable& ConeTable();

// Sets every vertex normal to the sum, over the triangles (A, B, C) naming it, of
// (C - A) x (B - A): pointing out of a solid whose front faces are clockwise, not
// normalised.
void SetSummedFaceNormals(TgkShapeTable& table);
