#pragma once
// The core's values at the Qt edge: cp932 texts and stored colours (red in
// bits 0-7, green in 8-15, blue in 16-23).

#include <QColor>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace fv {

inline QString QFromCp932(std::string_view cp932) { return QString::fromStdString(text::Cp932ToUtf8(cp932)); }
inline std::string Cp932FromQ(const QString& s) { return text::Utf8ToCp932(s.toStdString()); }

inline QColor QColorFromStored(std::uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF), static_cast<int>((bgr >> 16) & 0xFF));
}

inline std::uint32_t StoredFromQColor(const QColor& c) {
  return static_cast<std::uint32_t>(c.red()) | static_cast<std::uint32_t>(c.green()) << 8 |
         static_cast<std::uint32_t>(c.blue()) << 16;
}

}  // namespace fv
