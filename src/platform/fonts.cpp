#include "fonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QStringList>
#include <QStyleFactory>

namespace sorane {
namespace {

struct FaceEntry {
  QString face;
  QStringList families;
};

const QList<FaceEntry>& faceTable() {
  static const QList<FaceEntry> table = {
      {kFaceNum5, {"IPAGothic", "Noto Sans CJK JP", "DejaVu Sans", "sans-serif"}},
      {kFacePGothic, {"IPAPGothic", "IPAGothic", "Noto Sans CJK JP", "sans-serif"}},
      {kFaceGothic, {"IPAGothic", "Noto Sans Mono CJK JP", "monospace"}},
      {kFaceMincho, {"IPAMincho", "Noto Serif CJK JP", "serif"}},
  };
  return table;
}

}  // namespace

QString familyForFace(const QString& face) {
  for (const FaceEntry& e : faceTable()) {
    if (e.face != face) continue;
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : e.families)
      if (installed.contains(family)) return family;
    return e.families.last();
  }
  return face;
}

QFont faceFont(const QString& face, double points, bool bold) {
  QFont font(familyForFace(face));
  font.setPixelSize(pointsToPixels(points));
  font.setBold(bold);
  return font;
}

}  // namespace sorane

namespace sorane {

void applyApplicationLook() {
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QApplication::setFont(faceFont(kFacePGothic, 9));
}

}  // namespace sorane
