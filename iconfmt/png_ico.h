// Icon files (.ico) whose entries are whole PNG images, as browsers read a favicon: far
// smaller than the bitmap entries of WriteIco for the same pictures.
#pragma once

#include <string>
#include <vector>

class TpmBitmap;

// One entry per image, in the order given; each image must be square, 1 to 256 pixels.
// Replaces file_name only once the new file is complete (see SaveIconFile). Raises
// std::invalid_argument for an image of another size.
void WritePngIco(const std::vector<const TpmBitmap*>& images, const std::string& file_name);
