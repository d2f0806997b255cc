// A one-way "stop" that one thread raises and another waits for beside its other file
// descriptors: an eventfd that becomes readable, for good, once Cancel was called.
#pragma once

class TCancelSignal {
 public:
  // Raises std::system_error when the system has no descriptor left.
  TCancelSignal();
  ~TCancelSignal();
  TCancelSignal(const TCancelSignal&) = delete;
  TCancelSignal& operator=(const TCancelSignal&) = delete;

  // From any thread, any number of times.
  void Cancel();
  bool Cancelled() const;
  // Readable (poll's POLLIN) from the first Cancel on; never read, so it stays readable.
  int Fd() const { return fd_; }

 private:
  int fd_ = -1;
};
