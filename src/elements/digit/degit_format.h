#pragma once

#include <QSize>
#include <QString>
#include <QVariant>
#include <cstdint>

namespace sorane {

// What a digit element shows for `value`: zero handling by `zeroMode`, zero
// fill to `fillZero` digits, `shift` blanks at the right, then the rightmost
// `keta` characters. Digit cells to the left of the result stay unlit.
QString degitDisplayText(const QVariant& value, std::int16_t zeroMode, std::int16_t fillZero,
                         std::int16_t shift, std::int16_t keta);

// One digit cell in pixels for a DegitSize step (any other step is 0).
QSize degitCellSize(std::int16_t degitSize);

}  // namespace sorane
