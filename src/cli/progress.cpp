#include "cli/progress.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "platform/text.h"

namespace fv::cli {

ProgressLine::ProgressLine() : terminal_(::isatty(STDERR_FILENO) != 0) {}

void ProgressLine::Show(std::string_view cp932) {
  if (!terminal_) return;
  if (cp932.empty()) {
    End();
    return;
  }
  if (shown_ && cp932 == last_) return;  // told again between pieces of work
  last_ = cp932;
  std::fprintf(stderr, "\r%s\x1b[K", Visible(text::Cp932ToUtf8(cp932)).c_str());
  std::fflush(stderr);
  shown_ = true;
}

void ProgressLine::End() {
  if (!shown_) return;
  std::fputs("\r\x1b[K", stderr);
  std::fflush(stderr);
  shown_ = false;
  last_.clear();
}

}  // namespace fv::cli
