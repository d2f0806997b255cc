// facetmint-model-reader FILE: reads a model with Assimp and writes it in the hand-back form
// to standard output. Facetmint runs it as a guarded child process (import/assimp_guard),
// so that a crash, hang or memory blow-up inside Assimp ends this process only. Exit
// status: 0 model written, 1 the file cannot be read (the reason on standard error), 2
// usage, 3 out of memory.
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "import/assimp_flatten.h"
#include "platform/whole_transfer.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: facetmint-model-reader FILE\n", stderr);
    return 2;
  }
  // The hand-back gets a descriptor of its own; anything a reader prints on standard output
  // goes to standard error instead of into the model data.
  const int handback = ::dup(1);
  if (handback < 0 || ::dup2(2, 1) < 0) return 1;
  try {
    std::string out;
    WriteHandback(FlattenAssimpFile(argv[1]), out);
    return WriteWhole(handback, out.data(), out.size()) ? 0 : 1;
  } catch (const std::bad_alloc&) {
    std::fputs("out of memory\n", stderr);
    return 3;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
