#include "fonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QPalette>
#include <QStringList>
#include <QStyle>
#include <QStyleFactory>
#include <QTranslator>

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
  QApplication::setFont(uiFont());
  // Disabled captions in grey that stays readable on the grey dialogs.
  QPalette pal = QApplication::style()->standardPalette();
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    pal.setColor(QPalette::Disabled, role, kDisabledText);
  QApplication::setPalette(pal);
  // Qt's own dialogs (files, folders, colours) speak Japanese like the rest.
  static QTranslator qtTexts;
  if (qtTexts.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(&qtTexts);
}

QFont uiFont() {
  // The windows were laid out for a 9-point UI gothic: a 12-pixel line with
  // 10 pixels above the baseline. The proportional IPA gothic at 11 pixels
  // has exactly that line; at 12 pixels its line is 13 and wrapped
  // captions no longer fit their boxes.
  QFont font(familyForFace(kFacePGothic));
  font.setPixelSize(11);
  return font;
}

}  // namespace sorane
