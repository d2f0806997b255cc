// Textures of Quake 3 models: the shader name each surface carries, or the .skin file
// beside the model, which overrides them ("surface,path" lines).
#pragma once

#include <map>
#include <string>
#include <vector>

// The texture paths a .skin file gives, by surface name in lower case; tag lines and lines
// without a path are left out.
std::map<std::string, std::string> ParseMD3Skin(const std::string& text);

// The skin file names looked for beside a model: NAME_default.skin, then default.skin.
std::vector<std::string> MD3SkinNames(const std::string& model_file);

// The spellings to look a Quake 3 texture path up by: the path itself, then its name with
// each image extension the game falls back to (.tga, .jpg, .jpeg, .png).
std::vector<std::string> MD3TextureSpellings(const std::string& path);
