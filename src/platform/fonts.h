#pragma once

#include <QColor>
#include <QFont>
#include <QString>

namespace sorane {

// Face names the system's windows use.
inline const QString kFaceNum5 = QStringLiteral("M_Num5");
inline const QString kFacePGothic = QStringLiteral("ＭＳ Ｐゴシック");
inline const QString kFaceGothic = QStringLiteral("ＭＳ ゴシック");
inline const QString kFaceMincho = QStringLiteral("ＭＳ 明朝");

// The installed family that stands in for a face name: the first family of
// the face's list that is installed, else the list's last entry (a generic
// name fontconfig resolves). Unknown face names are used as they are.
QString familyForFace(const QString& face);

// A font of that face at `points` (at 96 dots per inch, so 12 points are
// 16 pixels; sizes are set in pixels so the screen's dpi does not matter).
QFont faceFont(const QString& face, double points, bool bold = false);

// One look on every desktop, close to the classic one the windows were laid
// out for: the Fusion style with a Japanese UI face (uiFont()).
void applyApplicationLook();
// The face of every caption.
QFont uiFont();
// Disabled captions.
inline const QColor kDisabledText{128, 128, 128};

constexpr int pointsToPixels(double points) {
  return static_cast<int>(points * 96.0 / 72.0 + 0.5);
}

}  // namespace sorane
