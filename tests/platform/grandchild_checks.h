// For the tests of guarded children that start a child of their own ("sleep 30 & echo $! >
// FILE; wait"): cancelling once that grandchild exists, and checking that it was stopped
// with its parent's group.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "platform/cancel_signal.h"
#include "tests/support/test_support.h"

// Raises cancel as soon as pid_file has the grandchild's number (or after 5 s).
inline std::thread CancelOnceWritten(TCancelSignal& cancel, const std::string& pid_file) {
  return std::thread([&cancel, pid_file] {
    for (int i = 0; i < 500 && std::ifstream(pid_file).peek() == EOF; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    cancel.Cancel();
  });
}

// The grandchild named in pid_file ends within 2 s; killed here if it does not.
inline void ExpectGrandchildEnds(const std::string& pid_file) {
  int grandchild = 0;
  std::ifstream(pid_file) >> grandchild;
  ASSERT_GT(grandchild, 0);
  bool ended = false;
  for (int i = 0; i < 200 && !(ended = testsupport::ProcessEnded(grandchild)); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(ended) << "the sleep the child started is still running";
  if (!ended) ::kill(grandchild, SIGKILL);
}
