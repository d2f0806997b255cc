// Reads and writes that move all the bytes asked for over a pipe or socket, across short
// transfers and interrupted calls. Header-only: the helper processes that speak to
// Facetmint over their standard streams include it without linking the platform library.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>

// False on end of input or an error before size bytes came.
inline bool ReadWhole(int fd, void* data, size_t size) {
  char* p = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t n = ::read(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// False on an error before size bytes were taken.
inline bool WriteWhole(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}
