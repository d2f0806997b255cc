// The 3DS reader's exception and its messages.
#pragma once

#include <stdexcept>
#include <string>

class E3DSError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

namespace error3ds {

// Two-line messages are joined by a line feed, which a window shows as a line break and
// a terminal does not turn into an overwrite of the line's start.
inline constexpr const char* kNoMemory = "Not enough memory to complete operation.";
inline constexpr const char* kNotLoaded =
    "The database passed as an argument has not be created yet.";
inline constexpr const char* kWrongDatabase =
    "The database passed as an argument is the wrong kind of\ndatabase for this function.";
inline constexpr const char* kWrongObject =
    "The Name passed to the functions exists but is not the type of object asked for.\n"
    "For example asking for a mesh object with the GetCameraByName3DS function.";
inline constexpr const char* kInvalidChunk =
    "An invalid Chunk structure was encountered while reading\n"
    "the database. Usually caused by a corrupt database or file.";

inline std::string InvalidIndex(long long index) {
  return "Invalid index " + std::to_string(index) + ".";
}

}  // namespace error3ds
