// Replaces the children of a parent with one mesh per visible mesh of a 3DS file, gives
// each its material's diffuse colour, and loads the textures the materials name into a
// bitmap list.
#pragma once

#include <string>

class TgkBitmapList;
class TgkVisualObject;
class TStream;

// file_name: the model's file name; textures are looked for in its folder. bitmaps (may be
// null) is emptied first and receives the textures. stream holds the whole file and must
// stay unchanged during the call. export_stream (may be null) receives the parent and its
// new meshes in the scene text form. Errors of the reader and of texture loading pass
// through after the parent is visible again; meshes made before an error stay.
void Import3DS(const std::string& file_name, TgkBitmapList* bitmaps, TStream& stream,
               TgkVisualObject& parent, TStream* export_stream = nullptr);
