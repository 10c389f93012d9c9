#include "backlight.h"

#include <QFileInfo>
#include <QImageReader>

#include "runtime_error.h"

namespace sorane {

QImage loadPicture(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) throw RuntimeError(err::kFileNotFound);
  if (!info.isReadable()) throw RuntimeError(err::kPermissionDenied);
  if (info.size() > kMaxPictureFileBytes) throw RuntimeError(err::kInvalidPicture);
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  QImage image = reader.read();
  if (image.isNull()) {
    if (reader.error() == QImageReader::DeviceError) throw RuntimeError(err::kPathFileAccess);
    throw RuntimeError(err::kInvalidPicture);
  }
  return image;
}

QString backlightErrorText(int number) {
  QString explanation;
  switch (number) {
    case 7:
    case 28:
    case 51:
      explanation = QStringLiteral(
          "　内部的なエラーです。ミナモへ報告してください。エラー場所：frmCtl.Option4_Click()");
      break;
    case 53:
    case 75:
    case 76:
      explanation = QStringLiteral("　画像ファイルが見つからないか、指定している場所が不正です。");
      break;
    case 57:
    case 68:
      explanation = QStringLiteral("　デバイスエラーもしくは準備が出来ていません。");
      break;
    case 481:
      explanation = QStringLiteral("　指定した画像の内容が不正です。この部分では扱えません。");
      break;
    default:
      break;
  }
  return QStringLiteral("エラーです。\r\n\r\nエラーコード：") + QString::number(number) +
         explanation;
}

}  // namespace sorane
