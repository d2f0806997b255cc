// facetmint thumbnail [-s SIZE] INPUT OUTPUT: what a file manager asks of a thumbnailer.
#pragma once

#include <string>
#include <vector>

struct TThumbnailJob {
  std::string Input;
  std::string Output;  // always a PNG, whatever its name
  int Size = 256;      // the picture's side is at most this
};

inline constexpr int kLargestThumbnail = 1024;

// The arguments after "thumbnail". Raises EUsageError (command_line.h).
TThumbnailJob ParseThumbnailJob(const std::vector<std::string>& args);
