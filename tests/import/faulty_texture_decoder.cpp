// A texture decoder that speaks the decoder's protocol but misbehaves on request, for the
// tests of the guard around it: a request whose path or bytes contain "crash" crashes it,
// "hang" hangs it, "lie" gets an answer of an impossible size. Any other request gets a
// 2 x 1 image: the request's size, then how many requests this process has answered (so a
// test can tell a fresh process from one that went on).
#include <signal.h>
#include <unistd.h>

#include <string>

#include "import/texture_decode_protocol.h"

namespace {

bool ReadAll(void* data, size_t size) {
  char* p = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t n = ::read(0, p, size);
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

void WriteAll(const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(1, p, size);
    if (n <= 0) ::_exit(1);
    p += n;
    size -= static_cast<size_t>(n);
  }
}

}  // namespace

int main() {
  TTextureRequest request;
  uint32_t answered = 0;
  while (ReadAll(&request, sizeof request)) {
    std::string payload(request.Size, '\0');
    if (!ReadAll(payload.data(), payload.size())) return 1;
    if (payload.find("crash") != std::string::npos) {
      ::signal(SIGSEGV, SIG_DFL);  // past a sanitizer's handler, as a real crash would be
      ::raise(SIGSEGV);
    }
    if (payload.find("hang") != std::string::npos) ::pause();
    TTextureAnswer answer;
    answer.Status = kTextureDecoded;
    answer.Width = payload.find("lie") != std::string::npos ? 1 << 30 : 2;
    answer.Height = 1;
    WriteAll(&answer, sizeof answer);
    const uint32_t pixels[2] = {static_cast<uint32_t>(request.Size), ++answered};
    WriteAll(pixels, sizeof pixels);
  }
  return 0;
}
