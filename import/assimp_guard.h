// Reads a model through the Open Asset Import Library in a guarded child process
// (facetmint-model-reader): Assimp has a long record of crashes, hangs and memory blow-ups
// on hostile files, and none of them may end Facetmint or cost the user the model on screen.
//
// Limits, from the size S of the model file plus the .bin buffers beside it (glTF):
//   memory (address space): 1 GiB + 16 x S, at most three quarters of the machine's memory;
//   processor time: 30 s + 2 minutes per GiB of S;  wall time: the processor time + 15 s;
//   hand-back: at most the memory limit.
// A model of a gigabyte thus gets 17 GiB and 2.5 minutes; a small hostile file gets 1 GiB
// and 30 s of one core, which leaves the desktop usable.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "import/model_handback.h"
#include "platform/guarded_process.h"

// The limits for a model file (see above).
TGuardLimits ModelReaderLimits(const std::string& file_name);

// The reader program: beside the running program, in ../libexec/facetmint/ from it, where
// it is installed, or where the build made it. Raises std::runtime_error when none exists.
std::string ModelReaderPath();

// A read stopped through its cancel signal: nobody waits for its result, so it is no error
// to report.
class EModelReadCancelled : public std::runtime_error {
 public:
  EModelReadCancelled() : std::runtime_error("reading the model was cancelled") {}
};

// For tests: the program ReadModelGuarded(file_name) runs instead of ModelReaderPath(); empty
// goes back to that one. Returns the previous choice.
std::string OverrideModelReader(std::string reader);

// Raises std::runtime_error "could not be read (REASON)" when the reader fails, crashes,
// runs out of time or memory, or hands back anything malformed; EModelReadCancelled when
// cancel (may be null) was raised, from any thread, before the read ended (the reader is
// killed then).
THandbackModel ReadModelGuarded(const std::string& file_name,
                                const TCancelSignal* cancel = nullptr);
// The same with given limits and reader (for tests).
THandbackModel ReadModelGuarded(const std::string& file_name, const std::string& reader,
                                const TGuardLimits& limits, const TCancelSignal* cancel = nullptr);
