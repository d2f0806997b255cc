// Replaces the children of a parent with one mesh per surface of a Quake 3 model (its
// first frame), normalised so that the largest dimension is 1 and centred on the parent.
#pragma once

#include <string>

class TgkBitmapList;
class TgkVisualObject;
class TStream;

// Called like Import3DS: file_name and reserved are not used; bitmaps (may be null) is
// emptied and receives nothing; stream holds the file from its current position. The
// reader's assertion error passes through after the parent is visible again.
void ImportMD3(const std::string& file_name, TgkBitmapList* bitmaps, TStream& stream,
               TgkVisualObject& parent, void* reserved = nullptr);
