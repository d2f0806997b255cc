#include "iconfmt/icon_file.h"

#include "core/stream.h"
#include "platform/atomic_file.h"

namespace {

// The user chose the target; the name of the hidden temporary file means nothing to them.
std::string NameTarget(std::string message, const std::string& temporary,
                       const std::string& target) {
  for (size_t at = message.find(temporary); at != std::string::npos;
       at = message.find(temporary, at + target.size()))
    message.replace(at, temporary.size(), target);
  return message;
}

}  // namespace

void SaveIconFile(const std::string& file_name, const std::vector<uint8_t>& bytes) {
  TAtomicFileStream stream(file_name);  // raises naming file_name already
  try {
    stream.WriteBuffer(bytes.data(), bytes.size());
    stream.Commit();
  } catch (const EStreamError& e) {
    throw EStreamError(NameTarget(e.what(), stream.FileName(), file_name));
  }
}
