// The first step of a model load (TWorkbench::ReadModel) on a thread of its own, so that the
// window goes on drawing and answering while a guarded reader works: TBackgroundModelRead is
// one such read, TModelLoader the window's reads one after another, each newer one stopping
// the one before, with the result handed over on the window's thread, where the second step
// builds the scene objects.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/workbench.h"
#include "platform/cancel_signal.h"
#include "platform/timer_service.h"

class TBackgroundModelRead {
 public:
  // Starts reading at once; raises std::system_error when no thread can be started.
  explicit TBackgroundModelRead(const std::string& file_name);
  // Cancels the read (its reader process is killed) and waits for the thread: nothing of
  // the read outlives the object.
  ~TBackgroundModelRead();
  TBackgroundModelRead(const TBackgroundModelRead&) = delete;
  TBackgroundModelRead& operator=(const TBackgroundModelRead&) = delete;

  const std::string& FileName() const { return file_name_; }
  // True once the read ended, well or not.
  bool Done() const { return done_.load(std::memory_order_acquire); }
  // The read, or its error raised again. Only once Done.
  TModelRead Take();

 private:
  const std::string file_name_;
  TCancelSignal cancel_;
  TModelRead result_;
  std::exception_ptr error_;
  std::atomic<bool> done_{false};
  std::thread thread_;  // last: it starts once everything it uses exists
};

class TModelLoader {
 public:
  // How often the window's thread looks for the end of a read.
  static constexpr uint32_t kPollMs = 50;

  explicit TModelLoader(TTimerService& timers);
  // Cancels a read under way (see Cancel).
  ~TModelLoader();
  TModelLoader(const TModelLoader&) = delete;
  TModelLoader& operator=(const TModelLoader&) = delete;

  // Starts reading File, cancelling a read under way first.
  void Start(const std::string& file_name);
  // Stops a read under way: its reader is killed and its result, whatever it was, never
  // arrives. False when no read was under way.
  bool Cancel();
  bool Busy() const { return static_cast<bool>(read_); }
  // The file being read, or "".
  std::string FileName() const { return read_ ? read_->FileName() : std::string(); }

  // On the timers' thread when a read ended: OnRead with its result, or the read's error
  // raised from the timer's handler (the event loop reports it). Busy is false by then.
  std::function<void(const TModelRead& read)> OnRead;
  // Fired when Busy or FileName changes.
  std::function<void()> OnBusyChange;

 private:
  void Poll();
  void BusyChanged() {
    if (OnBusyChange) OnBusyChange();
  }

  TTimer poll_timer_;
  std::unique_ptr<TBackgroundModelRead> read_;
};
