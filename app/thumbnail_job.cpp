#include "app/thumbnail_job.h"

#include <charconv>

#include "app/command_line.h"

namespace {

int ParseSize(const std::string& text) {
  int size = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
  if (error != std::errc() || end != text.data() + text.size() || size < 1) {
    throw EUsageError("-s: expected a size in pixels (128, 256, 512 or 1024), got \"" + text +
                      "\"");
  }
  return size;
}

}  // namespace

TThumbnailJob ParseThumbnailJob(const std::vector<std::string>& args) {
  TThumbnailJob job;
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-s" || a == "--size") {
      if (i + 1 == args.size()) throw EUsageError(a + " needs a value");
      job.Size = ParseSize(args[++i]);
    } else if (a.rfind("--size=", 0) == 0) {
      job.Size = ParseSize(a.substr(7));
    } else if (a.size() > 1 && a[0] == '-') {
      throw EUsageError("unknown option " + a);
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) throw EUsageError("thumbnail takes an INPUT model and an OUTPUT file");
  job.Input = files[0];
  job.Output = files[1];
  return job;
}
