#include "app/progress_bar.h"

#include <string>

namespace {

constexpr size_t kBarWidth = 30;

}  // namespace

TProgressBar::TProgressBar(std::ostream& out, size_t total, bool shown)
    : out_(out), total_(total), shown_(shown) {}

TProgressBar::~TProgressBar() {
  Clear();
}

void TProgressBar::Show(size_t done, size_t failed) {
  if (!shown_) return;
  const size_t filled = total_ == 0 ? kBarWidth : done * kBarWidth / total_;
  std::string line = "\r[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') +
                     "] " + std::to_string(done) + "/" + std::to_string(total_);
  if (failed > 0) line += "  " + std::to_string(failed) + " failed";
  out_ << line << "\x1b[K" << std::flush;
  drawn_ = true;
}

void TProgressBar::Clear() {
  if (!drawn_) return;
  out_ << "\r\x1b[K" << std::flush;
  drawn_ = false;
}
