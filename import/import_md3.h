// Replaces the children of a parent with one mesh per surface of a Quake 3 model (its
// first frame), normalised so that the largest dimension is 1 and centred on the parent,
// each textured with the image its shader names (or its .skin file gives) when found.
#pragma once

#include <string>

class TgkBitmapList;
class TgkVisualObject;
class TStream;
struct TImportReport;

// Called like Import3DS: bitmaps (may be null) is emptied and receives the textures,
// which are looked for beside file_name as for 3DS (TTextureFinder), by the name each
// surface's first shader gives, or the name a skin file beside the model gives
// (NAME_default.skin, else default.skin), with the image extensions Quake 3 falls back to.
// A surface whose texture is not found keeps its start colour. stream holds the file from
// its current position. report (may be null) receives each mesh's texture. The reader's
// assertion error passes through after the parent is visible again.
void ImportMD3(const std::string& file_name, TgkBitmapList* bitmaps, TStream& stream,
               TgkVisualObject& parent, TImportReport* report = nullptr);
