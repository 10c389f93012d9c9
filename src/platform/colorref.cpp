#include "colorref.h"

#include "runtime_error.h"

namespace sorane {

ColorRef checkedColor(std::int32_t value) {
  if (value < 0 || value > 0xFFFFFF) throw RuntimeError(err::kInvalidPropertyValue);
  return static_cast<ColorRef>(value);
}

}  // namespace sorane
