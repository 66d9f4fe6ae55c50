#include "qmpack/progress_bar.h"

#include <algorithm>

namespace qmpack {

namespace {

constexpr int kBarWidth = 40;

}  // namespace

void ProgressBar::Show(size_t done, size_t total) {
  const int percent = total == 0 ? 100 : static_cast<int>(std::min(done, total) * 100 / total);
  if (percent == shownPercent_) return;
  shownPercent_ = percent;
  const int filled = percent * kBarWidth / 100;
  out_ << '\r' << label_ << " [" << std::string(static_cast<size_t>(filled), '#')
       << std::string(static_cast<size_t>(kBarWidth - filled), '.') << "] " << percent << '%'
       << std::flush;
}

void ProgressBar::Finish() {
  if (shownPercent_ < 0) return;
  out_ << '\n' << std::flush;
  shownPercent_ = -1;
}

}  // namespace qmpack
