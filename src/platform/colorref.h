#pragma once

#include <QColor>
#include <cstdint>

namespace sorane {

// Colours are stored as 0x00BBGGRR, red in the low byte.
using ColorRef = std::uint32_t;

constexpr ColorRef colorRef(int r, int g, int b) {
  return static_cast<ColorRef>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
inline QColor toQColor(ColorRef c) {
  return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}
inline ColorRef fromQColor(const QColor& c) {
  return colorRef(c.red(), c.green(), c.blue());
}

}  // namespace sorane

namespace sorane {
// A stored colour as a control takes it: 0x000000..0xFFFFFF; anything else
// is refused with run-time error 380.
ColorRef checkedColor(std::int32_t value);
}  // namespace sorane
