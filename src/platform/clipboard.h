#pragma once
// The system clipboard. The GUI installs the Qt one; without a screen (the
// command line, the tests) the text stays in memory.

#include <string>

namespace fv {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Puts text (cp932) on the clipboard in place of what it held.
  virtual void SetText(const std::string& cp932) = 0;
};

// Keeps the last text; counts the times it was set.
class MemoryClipboard : public Clipboard {
 public:
  void SetText(const std::string& cp932) override {
    text = cp932;
    ++sets;
  }
  std::string text;
  int sets = 0;
};

}  // namespace fv
