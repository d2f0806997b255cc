// A texture decoder that speaks the decoder's protocol but misbehaves on request, for the
// tests of the guard around it: a request whose path or bytes contain "crash" crashes it,
// "hang" hangs it, "lie" gets an answer of an impossible size. Any other request gets a
// 2 x 1 image: the request's size, then how many requests this process has answered (so a
// test can tell a fresh process from one that went on).
#include <signal.h>
#include <unistd.h>

#include <string>

#include "import/texture_decode_protocol.h"
#include "platform/whole_transfer.h"

int main() {
  TTextureRequest request;
  uint32_t answered = 0;
  while (ReadWhole(0, &request, sizeof request)) {
    std::string payload(request.Size, '\0');
    if (!ReadWhole(0, payload.data(), payload.size())) return 1;
    if (payload.find("crash") != std::string::npos) {
      ::signal(SIGSEGV, SIG_DFL);  // past a sanitizer's handler, as a real crash would be
      ::raise(SIGSEGV);
    }
    if (payload.find("hang") != std::string::npos) ::pause();
    TTextureAnswer answer;
    answer.Status = kTextureDecoded;
    answer.Width = payload.find("lie") != std::string::npos ? 1 << 30 : 2;
    answer.Height = 1;
    if (!WriteWhole(1, &answer, sizeof answer)) return 1;
    const uint32_t pixels[2] = {static_cast<uint32_t>(request.Size), ++answered};
    if (!WriteWhole(1, pixels, sizeof pixels)) return 1;
  }
  return 0;
}
