// The chunk tree of a 3DS file: headers only, read once; chunk data are read from the
// stream when asked for, and never beyond the chunk's end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/stream.h"

struct TChunkNode3DS {
  uint16_t Id = 0;
  uint32_t Length = 0;        // as stored in the header
  int64_t Offset = 0;         // stream position of the header
  int64_t End = 0;            // Offset + Length, cut at the parent's end and the stream's end
  bool Overruns = false;      // Offset + Length lies past the parent's end (or the stream's)
  bool PathOverruns = false;  // this chunk or one above it overruns
  int32_t Parent = -1;
  int32_t FirstChild = -1;
  int32_t Next = -1;
  int32_t SubtreeEnd = 0;  // nodes are kept depth-first: descendants are [index+1, SubtreeEnd)
};

class TChunkTree3DS {
 public:
  // Reads the root header at position 0 and, for a 3DS root id, every header below it.
  // A stream shorter than one header gives an empty tree. Runs in time proportional to
  // the stream's size: every node is at least one header long.
  void Parse(TStream& stream);
  void Clear() { nodes_.clear(); }

  bool Empty() const { return nodes_.empty(); }
  int Count() const { return static_cast<int>(nodes_.size()); }
  const TChunkNode3DS& Node(int index) const { return nodes_[static_cast<size_t>(index)]; }
  uint16_t RootId() const { return nodes_.empty() ? 0 : nodes_[0].Id; }

  // The first chunk with this id below node, depth-first with parents before children.
  int FindBelow(int node, uint16_t id) const;
  // The first direct child with this id.
  int FindChild(int node, uint16_t id) const;
  // The next later sibling with this id.
  int NextSibling(int node, uint16_t id) const;
  // Whether the chunk and every chunk above it end within their parents (the root within
  // the stream): a chunk whose path is not intact lies in a cut or damaged part of the file.
  bool PathIntact(int node) const;
  // PathIntact, and every chunk below it ends within its parent too: a record read from a
  // chunk that is not intact would be cut short.
  bool Intact(int node) const;

 private:
  std::vector<TChunkNode3DS> nodes_;
};

// Reads the own data of one chunk; every read past the chunk's end raises the
// invalid-chunk E3DSError, so a forged count never reads into other chunks.
class TChunkReader3DS {
 public:
  TChunkReader3DS(TStream& stream, const TChunkNode3DS& node);

  uint8_t U8();
  uint16_t U16();
  int16_t S16();
  uint32_t U32();
  int32_t S32();
  float F32();
  // Bytes up to a zero byte (consumed) or up to the chunk's end.
  std::string String();
  // Exactly count bytes.
  std::vector<uint8_t> Bytes(int64_t count);
  int64_t Remaining() const { return end_ - pos_; }

 private:
  void Take(void* buffer, int64_t count);

  TStream& stream_;
  int64_t pos_;
  int64_t end_;
};

// Little-endian decoding of the bytes Bytes() returns.
uint16_t LoadU16(const uint8_t* p);
uint32_t LoadU32(const uint8_t* p);
float LoadF32(const uint8_t* p);
