#include "platform/cancel_signal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

TCancelSignal::TCancelSignal() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

TCancelSignal::~TCancelSignal() {
  ::close(fd_);
}

void TCancelSignal::Cancel() {
  const uint64_t one = 1;
  // Only a counter at its maximum refuses the write, and it is readable then anyway.
  [[maybe_unused]] const ssize_t written = ::write(fd_, &one, sizeof one);
}

bool TCancelSignal::Cancelled() const {
  pollfd p{fd_, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}
