#include "import/chunk_tree_3ds.h"

#include <algorithm>
#include <cstring>

#include "import/chunk_ids_3ds.h"
#include "import/error_3ds.h"

namespace {

constexpr int64_t kHeaderSize = 6;

enum class OwnData { None, String, StringThen6, Word2StringThen4, FaceList, Fixed, Rest };

struct OwnLayout {
  OwnData kind;
  int64_t bytes;
};

// How long a chunk's own data is, by its id; unknown ids have no sub-chunks.
OwnLayout LayoutOf(uint16_t id) {
  switch (id) {
    case 0x1200:
    case 0x2100:
    case 0x2D2D:
    case 0x2D3D:
    case 0x3000:
    case 0x3D3D:
    case 0x3DAA:
    case 0x3DFF:
    case 0x4100:
    case 0x4D4D:
    case 0x8000:
    case 0x8001:
    case 0xA010:
    case 0xA020:
    case 0xA030:
    case 0xA040:
    case 0xA041:
    case 0xA042:
    case 0xA050:
    case 0xA052:
    case 0xA053:
    case 0xA084:
    case 0xA200:
    case 0xA204:
    case 0xA210:
    case 0xA220:
    case 0xA230:
    case 0xA33A:
    case 0xA33C:
    case 0xA33D:
    case 0xA33E:
    case 0xA340:
    case 0xA342:
    case 0xA344:
    case 0xA346:
    case 0xA348:
    case 0xA34A:
    case 0xA34C:
    case 0xAFFF:
    case 0xB000:
    case 0xB001:
    case 0xB002:
    case 0xB003:
    case 0xB004:
    case 0xB005:
    case 0xB006:
    case 0xB007:
    case 0xC23D:
      return {OwnData::None, 0};
    case 0x1100:
    case 0x3080:
    case 0x4000:
    case 0x4181:
    case 0xA000:
    case 0xA300:
    case 0xB011:
      return {OwnData::String, 0};
    case 0xB010:
      return {OwnData::StringThen6, 0};
    case 0xB00A:
      return {OwnData::Word2StringThen4, 0};
    case 0x4120:
      return {OwnData::FaceList, 0};
    case 0x0030:
    case 0x1420:
    case 0x1430:
    case 0xB030:
      return {OwnData::Fixed, 2};
    case 0x0011:
      return {OwnData::Fixed, 3};
    case 0x0002:
    case 0x0031:
    case 0x0100:
    case 0x1300:
    case 0x1400:
    case 0x1410:
    case 0x3D3E:
    case 0xB009:
    case 0xB015:
    case 0xD000:
      return {OwnData::Fixed, 4};
    case 0xB008:
      return {OwnData::Fixed, 8};
    case 0x4641:
      return {OwnData::Fixed, 10};
    case 0x0010:
    case 0x1500:
    case 0x4600:
    case 0xA310:
    case 0xB013:
      return {OwnData::Fixed, 12};
    case 0x7001:
      return {OwnData::Fixed, 14};
    case 0x2200:
    case 0x2300:
    case 0x2302:
    case 0x3010:
    case 0x3020:
    case 0x3030:
    case 0x3040:
    case 0x3050:
    case 0x3060:
      return {OwnData::Fixed, 16};
    case 0x4610:
      return {OwnData::Fixed, 20};
    case 0xB014:
      return {OwnData::Fixed, 24};
    case 0x3070:
      return {OwnData::Fixed, 28};
    case 0x4700:
      return {OwnData::Fixed, 32};
    case 0x4160:
      return {OwnData::Fixed, 48};
    default:
      return {OwnData::Rest, 0};
  }
}

// Position just after the zero byte that ends a string starting at pos, or end.
int64_t SkipString(TStream& stream, int64_t pos, int64_t end) {
  uint8_t block[64];
  while (pos < end) {
    size_t want = static_cast<size_t>(std::min<int64_t>(end - pos, sizeof block));
    stream.Seek(pos);
    size_t got = stream.Read(block, want);
    if (got == 0) return end;
    if (const void* zero = std::memchr(block, 0, got)) {
      return pos + (static_cast<const uint8_t*>(zero) - block) + 1;
    }
    pos += static_cast<int64_t>(got);
  }
  return end;
}

// Where the first sub-chunk of a chunk would start.
int64_t SubChunksStart(TStream& stream, const TChunkNode3DS& node) {
  const int64_t start = node.Offset + kHeaderSize;
  const int64_t end = node.End;
  OwnLayout layout = LayoutOf(node.Id);
  switch (layout.kind) {
    case OwnData::None:
      return start;
    case OwnData::Fixed:
      return start + layout.bytes;
    case OwnData::Rest:
      return end;
    case OwnData::String:
      return SkipString(stream, start, end);
    case OwnData::StringThen6:
      return SkipString(stream, start, end) + 6;
    case OwnData::Word2StringThen4:
      return SkipString(stream, start + 2, end) + 4;
    case OwnData::FaceList: {
      if (start + 2 > end) return end;
      uint8_t count[2];
      stream.Seek(start);
      stream.ReadBuffer(count, 2);
      return start + 2 + int64_t{LoadU16(count)} * 8;
    }
  }
  return end;
}

bool IsRootOf3DS(uint16_t id) {
  return id == chunk3ds::kMeshFile || id == chunk3ds::kProjectFile ||
         id == chunk3ds::kMaterialLibrary;
}

}  // namespace

uint16_t LoadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t LoadU32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

float LoadF32(const uint8_t* p) {
  uint32_t bits = LoadU32(p);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

void TChunkTree3DS::Parse(TStream& stream) {
  nodes_.clear();
  const int64_t size = stream.Size();
  if (size < kHeaderSize) return;  // too short to hold any chunk: not 3DS data

  uint8_t header[kHeaderSize];
  stream.Seek(0);
  stream.ReadBuffer(header, sizeof header);
  TChunkNode3DS root;
  root.Id = LoadU16(header);
  root.Length = LoadU32(header + 2);
  root.Offset = 0;
  // The root ends at the stream's end at the latest; a longer one marks a truncated file.
  root.End = std::min<int64_t>(root.Length, size);
  root.SubtreeEnd = 1;
  nodes_.push_back(root);
  if (!IsRootOf3DS(root.Id)) return;
  nodes_[0].Overruns = nodes_[0].PathOverruns = root.Length > size;

  // Depth-first without recursion, so that deep nesting cannot exhaust the call stack.
  struct Open {
    int32_t node;
    int64_t pos;  // where the next child header is expected
    int32_t last_child;
    bool app_data;  // children must be 0x8002 ... 0x800F and lie inside the parent
  };
  std::vector<Open> open;
  open.push_back({0, SubChunksStart(stream, nodes_[0]), -1, false});
  while (!open.empty()) {
    Open& parent = open.back();
    const int64_t parent_end = nodes_[static_cast<size_t>(parent.node)].End;
    if (parent.pos + kHeaderSize > parent_end) {
      nodes_[static_cast<size_t>(parent.node)].SubtreeEnd = static_cast<int32_t>(nodes_.size());
      open.pop_back();
      continue;
    }
    stream.Seek(parent.pos);
    stream.ReadBuffer(header, sizeof header);
    TChunkNode3DS child;
    child.Id = LoadU16(header);
    child.Length = LoadU32(header + 2);
    child.Offset = parent.pos;
    const int64_t stated_end = child.Offset + int64_t{child.Length};
    // A header shorter than itself gives no place for the next sibling: the rest of the
    // parent is skipped.
    if (child.Length < kHeaderSize) {
      parent.pos = parent_end;
      continue;
    }
    if (parent.app_data && (child.Id < 0x8002 || child.Id > 0x800F || stated_end > parent_end)) {
      parent.pos = parent_end;
      continue;
    }
    // A chunk running past its parent is cut at the parent's end and marked, so that
    // records read from it or from around it fail instead of coming out cut short.
    child.End = std::min(stated_end, parent_end);
    child.Overruns = stated_end > parent_end;
    child.PathOverruns = child.Overruns || nodes_[static_cast<size_t>(parent.node)].PathOverruns;
    child.Parent = parent.node;
    const auto index = static_cast<int32_t>(nodes_.size());
    if (parent.last_child < 0) {
      nodes_[static_cast<size_t>(parent.node)].FirstChild = index;
    } else {
      nodes_[static_cast<size_t>(parent.last_child)].Next = index;
    }
    parent.last_child = index;
    parent.pos = child.End;
    const bool app_data = parent.app_data || child.Id == chunk3ds::kAppData;
    nodes_.push_back(child);
    open.push_back({index, SubChunksStart(stream, nodes_.back()), -1, app_data});
  }
}

int TChunkTree3DS::FindBelow(int node, uint16_t id) const {
  if (node < 0) return -1;
  const int end = nodes_[static_cast<size_t>(node)].SubtreeEnd;
  for (int i = node + 1; i < end; ++i) {
    if (nodes_[static_cast<size_t>(i)].Id == id) return i;
  }
  return -1;
}

int TChunkTree3DS::FindChild(int node, uint16_t id) const {
  if (node < 0) return -1;
  for (int i = nodes_[static_cast<size_t>(node)].FirstChild; i >= 0;
       i = nodes_[static_cast<size_t>(i)].Next) {
    if (nodes_[static_cast<size_t>(i)].Id == id) return i;
  }
  return -1;
}

int TChunkTree3DS::NextSibling(int node, uint16_t id) const {
  if (node < 0) return -1;
  for (int i = nodes_[static_cast<size_t>(node)].Next; i >= 0;
       i = nodes_[static_cast<size_t>(i)].Next) {
    if (nodes_[static_cast<size_t>(i)].Id == id) return i;
  }
  return -1;
}

bool TChunkTree3DS::PathIntact(int node) const {
  return node < 0 || !nodes_[static_cast<size_t>(node)].PathOverruns;
}

bool TChunkTree3DS::Intact(int node) const {
  if (node < 0) return true;
  if (!PathIntact(node)) return false;
  const int end = nodes_[static_cast<size_t>(node)].SubtreeEnd;
  for (int i = node + 1; i < end; ++i) {
    if (nodes_[static_cast<size_t>(i)].Overruns) return false;
  }
  return true;
}

TChunkReader3DS::TChunkReader3DS(TStream& stream, const TChunkNode3DS& node)
    : stream_(stream), pos_(node.Offset + kHeaderSize), end_(std::max(node.End, pos_)) {}

void TChunkReader3DS::Take(void* buffer, int64_t count) {
  if (count < 0 || count > end_ - pos_) throw E3DSError(error3ds::kInvalidChunk);
  if (count == 0) return;
  stream_.Seek(pos_);
  stream_.ReadBuffer(buffer, static_cast<size_t>(count));
  pos_ += count;
}

uint8_t TChunkReader3DS::U8() {
  uint8_t b;
  Take(&b, 1);
  return b;
}

uint16_t TChunkReader3DS::U16() {
  uint8_t b[2];
  Take(b, 2);
  return LoadU16(b);
}

int16_t TChunkReader3DS::S16() {
  return static_cast<int16_t>(U16());
}

uint32_t TChunkReader3DS::U32() {
  uint8_t b[4];
  Take(b, 4);
  return LoadU32(b);
}

int32_t TChunkReader3DS::S32() {
  return static_cast<int32_t>(U32());
}

float TChunkReader3DS::F32() {
  uint8_t b[4];
  Take(b, 4);
  return LoadF32(b);
}

std::string TChunkReader3DS::String() {
  std::string text;
  char block[64];
  while (pos_ < end_) {
    size_t want = static_cast<size_t>(std::min<int64_t>(end_ - pos_, sizeof block));
    stream_.Seek(pos_);
    stream_.ReadBuffer(block, want);
    if (const void* zero = std::memchr(block, 0, want)) {
      size_t n = static_cast<size_t>(static_cast<const char*>(zero) - block);
      text.append(block, n);
      pos_ += static_cast<int64_t>(n) + 1;
      return text;
    }
    text.append(block, want);
    pos_ += static_cast<int64_t>(want);
  }
  return text;
}

std::vector<uint8_t> TChunkReader3DS::Bytes(int64_t count) {
  if (count < 0 || count > end_ - pos_) throw E3DSError(error3ds::kInvalidChunk);
  std::vector<uint8_t> bytes(static_cast<size_t>(count));
  Take(bytes.data(), count);
  return bytes;
}
