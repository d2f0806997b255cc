#include "iconfmt/png_ico.h"

#include <cstdint>
#include <stdexcept>

#include "iconfmt/icon_file.h"
#include "iconfmt/png_data.h"
#include "imaging/bitmap.h"

namespace {

void Append16(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 2; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void Append32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

void WritePngIco(const std::vector<const TpmBitmap*>& images, const std::string& file_name) {
  std::vector<std::vector<uint8_t>> pngs;
  for (const TpmBitmap* image : images) {
    const int size = image->Width();
    if (size != image->Height() || size < 1 || size > 256) {
      throw std::invalid_argument("an icon entry must be square, 1 to 256 pixels");
    }
    pngs.push_back(EncodePngData(*image));
  }
  std::vector<uint8_t> file;
  Append16(file, 0);  // reserved
  Append16(file, 1);  // icon
  Append16(file, static_cast<uint32_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    const int size = images[i]->Width();
    file.push_back(static_cast<uint8_t>(size == 256 ? 0 : size));  // 0 stands for 256
    file.push_back(static_cast<uint8_t>(size == 256 ? 0 : size));
    file.push_back(0);  // no palette
    file.push_back(0);
    Append16(file, 1);   // planes
    Append16(file, 32);  // bits per pixel
    Append32(file, static_cast<uint32_t>(pngs[i].size()));
    Append32(file, offset);
    offset += static_cast<uint32_t>(pngs[i].size());
  }
  for (const std::vector<uint8_t>& png : pngs) file.insert(file.end(), png.begin(), png.end());
  SaveIconFile(file_name, file);
}
