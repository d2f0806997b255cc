// The thumbnailer: a model's picture, framed to fill it, on a transparent background, as
// file managers show model files. Missing textures leave their meshes untextured.
#pragma once

#include "app/thumbnail_job.h"

// Keeps a thumbnail run within processor time and memory bounds (file managers run it on
// every file of a folder, hostile ones included): beyond them it ends with
// "facetmint: INPUT: out of processor time" or an out-of-memory error.
void LimitThumbnailResources(const TThumbnailJob& job);

// Renders job.Input and writes job.Output as a PNG whose side is min(Size, 1024). Raises
// with a message on any failure; Output is then as it was.
void MakeThumbnail(const TThumbnailJob& job);
