#pragma once
// Progress of a long command on standard error. On a terminal it is one
// line, rewritten in place; anywhere else (a pipe, a script's log) nothing
// is written at all: errors and results are all such output gets.

#include <string>
#include <string_view>

namespace fv::cli {

class ProgressLine {
 public:
  ProgressLine();
  ~ProgressLine() { End(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Shows a cp932 text in place of the last one; empty text clears the line.
  void Show(std::string_view cp932);
  // Clears the line; due before anything else is printed.
  void End();

 private:
  bool terminal_;
  bool shown_ = false;
  std::string last_;  // the text on the line now
};

}  // namespace fv::cli
