// A one-line progress bar redrawn in place, for terminals.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>

namespace qmpack {

class ProgressBar {
 public:
  ProgressBar(std::ostream& out, std::string label) : out_(out), label_(std::move(label)) {}
  ~ProgressBar() { Finish(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // Redraws the bar when the whole percentage has changed.
  void Show(size_t done, size_t total);
  // Ends the line, if anything was drawn.
  void Finish();

 private:
  std::ostream& out_;
  std::string label_;
  int shownPercent_ = -1;
};

}  // namespace qmpack
