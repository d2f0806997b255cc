// The batch's progress on a terminal: one line, redrawn in place, cleared before any message
// so that messages stay readable. Silent when not shown (output that is no terminal).
#pragma once

#include <cstddef>
#include <ostream>

class TProgressBar {
 public:
  TProgressBar(std::ostream& out, size_t total, bool shown);
  ~TProgressBar();
  TProgressBar(const TProgressBar&) = delete;
  TProgressBar& operator=(const TProgressBar&) = delete;

  // Redraws the line: "[#######.............]  35/200  1 failed".
  void Show(size_t done, size_t failed);
  // Removes the line (before a message, and at the end).
  void Clear();

 private:
  std::ostream& out_;
  size_t total_;
  bool shown_;
  bool drawn_ = false;
};
