#include "app/model_info.h"

#include <cmath>
#include <cstdio>

#include "app/workbench.h"
#include "imaging/bitmap.h"
#include "import/texture_lookup.h"
#include "scene/shape.h"

namespace {

// Length of the UTF-8 sequence at s[i], or 0 when it is not well-formed.
size_t Utf8Length(const std::string& s, size_t i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (n == 0 || i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
  }
  if (n == 2 && c < 0xC2) return 0;                             // overlong
  if (n == 3 && c == 0xE0 && b(i + 1) < 0xA0) return 0;         // overlong
  if (n == 3 && c == 0xED && b(i + 1) >= 0xA0) return 0;        // surrogate
  if (n == 4 && (c > 0xF4 || (c == 0xF0 && b(i + 1) < 0x90) ||  // overlong / too large
                 (c == 0xF4 && b(i + 1) >= 0x90))) {
    return 0;
  }
  return n;
}

std::string Number(double v) {
  if (!std::isfinite(v)) v = 0;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.9g", v);
  return buffer;
}

std::string Triple(float x, float y, float z) {
  return "[" + Number(x) + "," + Number(y) + "," + Number(z) + "]";
}

}  // namespace

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t n = Utf8Length(text, i);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
      out += buffer;
    } else {
      out.append(text, i, n);
    }
    i += n;
  }
  return out + "\"";
}

std::string ModelInfoJson(TWorkbench& workbench, const std::string& file,
                          const std::string& format) {
  std::string meshes;
  long long vertices = 0, triangles = 0;
  for (TgkShape* mesh : workbench.Meshes()) {
    const auto* custom = dynamic_cast<const TgkCustomMesh*>(mesh);
    const long long v = custom ? custom->MeshData().VertexCount() : 0;
    const long long t = custom ? custom->MeshData().IndexCount() / 3 : 0;
    vertices += v;
    triangles += t;
    // The load's own record when its reader keeps one, else the 3DS map name looked up.
    std::string texture, note;
    const auto& reported = workbench.LoadReport().Textures;
    if (auto it = reported.find(mesh); it != reported.end()) {
      texture = it->second.Source;
      note = it->second.Note;
    } else if (const std::string& map = mesh->Material().Bitmap(); !map.empty()) {
      texture = FindTextureFile(file, map);
    }
    if (!meshes.empty()) meshes += ",";
    meshes += "{\"name\":" + JsonString(mesh->DisplayName) + ",\"vertices\":" + std::to_string(v) +
              ",\"triangles\":" + std::to_string(t) +
              ",\"color\":" + JsonString(ColorToString(mesh->Material().Diffuse())) +
              ",\"texture\":" + (texture.empty() ? "null" : JsonString(texture)) +
              (note.empty() ? "" : ",\"texture_note\":" + JsonString(note)) +
              ",\"size\":" + Triple(mesh->Width(), mesh->Height(), mesh->Depth()) +
              ",\"position\":" +
              Triple(mesh->Position().X(), mesh->Position().Y(), mesh->Position().Z()) + "}";
  }
  return "{\"file\":" + JsonString(file) + ",\"format\":" + JsonString(format) + ",\"meshes\":[" +
         meshes + "],\"vertices\":" + std::to_string(vertices) +
         ",\"triangles\":" + std::to_string(triangles) + "}";
}
