#pragma once
// The core's cp932 text on screen and back.

#include <QString>
#include <string>

#include "platform/text.h"

namespace fv {

inline QString Q(const std::string& cp932) { return QString::fromStdString(text::Cp932ToUtf8(cp932)); }
inline std::string Sj932(const QString& s) { return text::Utf8ToCp932(s.toStdString()); }

}  // namespace fv
