// Finds the texture file a 3DS material names. Files name their textures as they were on
// the author's disk ("TEST.PNG" for test.png, folders written with backslashes, sometimes
// a drive letter), so the name is looked up in the model's own folder, with either slash,
// and each part is matched without regard to ASCII letter case when the exact one is
// absent. Absolute paths and ".." parts are not followed: only the base name is then
// looked for beside the model.
#pragma once

#include <string>

// The path of an existing regular file, or "" when none matches. model_file is the
// model's file name (its folder is searched; "" means the current directory).
std::string FindTextureFile(const std::string& model_file, const std::string& map_name);
