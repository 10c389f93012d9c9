#include "board_layout.h"

#include <array>

#include "twips.h"

namespace sorane::board {
namespace {
constexpr std::array<int, 8> kDegitLeft = {1635, 2523, 3411, 4299, 5187, 6075, 6963, 7851};
constexpr std::array<int, 8> kLabelLeftRow0 = {1650, 2520, 3405, 4305, 5190, 6075, 6960, 7845};
constexpr std::array<int, 8> kLabelLeft = {1635, 2520, 3405, 4305, 5190, 6075, 6960, 7845};
constexpr std::array<int, 4> kDegitTop = {540, 1290, 2055, 2805};
constexpr std::array<int, 4> kLabelTop = {225, 960, 1725, 2490};
constexpr int kDegitWidth = 780, kDegitHeight = 300;
constexpr int kLabelWidth = 780, kLabelHeight = 240;
}  // namespace

QRect degitRectTwips(int cell) {
  if (cell < 1 || cell > kCells) return {2100, -105, kDegitWidth, kDegitHeight};
  const int r = (cell - 1) / 8, c = (cell - 1) % 8;
  return {kDegitLeft[c], kDegitTop[r], kDegitWidth, kDegitHeight};
}

QRect labelRectTwips(int cell) {
  if (cell < 1 || cell > kCells) return {0, -kLabelHeight, kLabelWidth, kLabelHeight};
  const int r = (cell - 1) / 8, c = (cell - 1) % 8;
  const int left = r == 0 ? kLabelLeftRow0[c] : kLabelLeft[c];
  const int top = cell == 2 ? 210 : kLabelTop[r];
  return {left, top, kLabelWidth, kLabelHeight};
}

QRect timeDegitRectTwips(int index) {
  return index == 0 ? QRect(5445, -105, 390, 300) : QRect(5850, -105, 390, 300);
}

QRect chimeiRectTwips() {
  return {510, 270, 525, 2880};
}

static QRect toPixels(const QRect& t) {
  return twipsRect(t.x(), t.y(), t.width(), t.height());
}

QRect degitRect(int cell) {
  return toPixels(degitRectTwips(cell));
}
QRect labelRect(int cell) {
  return toPixels(labelRectTwips(cell));
}

}  // namespace sorane::board
