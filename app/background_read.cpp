#include "app/background_read.h"

#include <stdexcept>

TBackgroundModelRead::TBackgroundModelRead(const std::string& file_name)
    : file_name_(file_name), thread_([this] {
        try {
          result_ = TWorkbench::ReadModel(file_name_, &cancel_);
        } catch (...) {
          error_ = std::current_exception();
        }
        done_.store(true, std::memory_order_release);
      }) {}

TBackgroundModelRead::~TBackgroundModelRead() {
  cancel_.Cancel();
  thread_.join();
}

TModelRead TBackgroundModelRead::Take() {
  if (!Done()) throw std::logic_error("the model " + file_name_ + " is still being read");
  if (error_) std::rethrow_exception(error_);
  return std::move(result_);
}

TModelLoader::TModelLoader(TTimerService& timers) : poll_timer_(timers) {
  poll_timer_.SetEnabled(false);
  poll_timer_.SetInterval(kPollMs);
  poll_timer_.SetOnTimer([this](TTimer&) { Poll(); });
}

TModelLoader::~TModelLoader() {
  poll_timer_.SetEnabled(false);
  read_.reset();
}

void TModelLoader::Start(const std::string& file_name) {
  read_.reset();  // the older read is stopped before the newer one starts
  try {
    read_ = std::make_unique<TBackgroundModelRead>(file_name);
  } catch (...) {
    poll_timer_.SetEnabled(false);
    BusyChanged();
    throw;
  }
  poll_timer_.SetEnabled(true);
  BusyChanged();
}

bool TModelLoader::Cancel() {
  if (!read_) return false;
  poll_timer_.SetEnabled(false);
  read_.reset();
  BusyChanged();
  return true;
}

void TModelLoader::Poll() {
  if (!read_ || !read_->Done()) return;
  poll_timer_.SetEnabled(false);
  const std::unique_ptr<TBackgroundModelRead> ended = std::move(read_);
  BusyChanged();
  const TModelRead read = ended->Take();
  if (OnRead) OnRead(read);
}
