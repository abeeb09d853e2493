#include "platform/messages.h"

#include <cstdio>

#include "platform/text.h"

namespace fv {

MsgResult ConsoleMessages::Show(const std::string& text, const std::string& caption, MsgIcon,
                                MsgButtons buttons) {
  std::string t = text::Cp932ToUtf8(text);
  for (std::size_t p; (p = t.find("\r\n")) != std::string::npos;) t.replace(p, 2, "\n");
  for (auto& c : t)
    if (c == '\r') c = '\n';
  if (!caption.empty())
    std::fprintf(stderr, "%s: %s\n", text::Cp932ToUtf8(caption).c_str(), t.c_str());
  else
    std::fprintf(stderr, "%s\n", t.c_str());
  switch (buttons) {
    case MsgButtons::Ok: return MsgResult::Ok;
    case MsgButtons::OkCancel: return MsgResult::Cancel;
    case MsgButtons::YesNo: return MsgResult::No;
    case MsgButtons::YesNoCancel: return MsgResult::Cancel;
    case MsgButtons::RetryCancel: return MsgResult::Cancel;
  }
  return MsgResult::Cancel;
}

}  // namespace fv
