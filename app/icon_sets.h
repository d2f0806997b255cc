// Icon sets: the files an application needs on today's platforms, each a folder of
// pictures made from one render. Every file is written atomically (the old one stays as it
// was when writing fails); a failure raises with a message naming the file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TpmBitmap;

// The picture of one side, 16 to 1024 pixels (see TWorkbench::Icon).
using TIconSource = std::function<const TpmBitmap&(int size)>;

// Apple's iconset folder for iconutil: icon_16x16.png ... icon_512x512@2x.png.
void WriteIconset(const std::string& folder, const TIconSource& icon);

// A hicolor icon theme: folder/hicolor/SxS/apps/NAME.png for the sides of kThemeSizes.
void WriteIconTheme(const std::string& folder, const std::string& name, const TIconSource& icon);
inline constexpr int kThemeSizes[] = {16, 22, 24, 32, 48, 64, 128, 256, 512};

// A web application's icons: favicon.ico (16, 32 and 48 as PNG entries),
// apple-touch-icon.png (180, on the opaque background: iOS fills transparency with black),
// icon-192.png, icon-512.png and site.webmanifest naming the two.
void WriteWebIcons(const std::string& folder, const std::string& name, uint32_t background,
                   const TIconSource& icon);

// The files each set writes, relative to its folder, for asking before replacing them.
std::vector<std::string> IconsetFiles();
std::vector<std::string> IconThemeFiles(const std::string& name);
std::vector<std::string> WebIconFiles();

// The name an icon set gives the application: the model's file name without extension,
// lower case, every character outside a-z 0-9 . _ - replaced by "-"; "facetmint" for none
// (the built-in round cube).
std::string IconSetName(const std::string& model_file);
// Whether name can name a file inside the set's folder: not empty, no leading "." (that
// would hide the icon, and covers "." and ".."), no "/" and no control character.
bool ValidIconSetName(const std::string& name);
