#include "runtime_error.h"

#include <QHash>

namespace sorane {

RuntimeError::RuntimeError(int number, const QString& description)
    : std::runtime_error(
          (description.isEmpty() ? runtimeErrorDescription(number) : description).toStdString()),
      number_(number),
      description_(description.isEmpty() ? runtimeErrorDescription(number) : description) {}

QString runtimeErrorDescription(int number) {
  static const QHash<int, QString> texts = {
      {err::kOutOfMemory, QStringLiteral("メモリが不足しています。")},
      {err::kSubscriptOutOfRange, QStringLiteral("インデックスが有効範囲にありません。")},
      {28, QStringLiteral("スタック領域が不足しています。")},
      {51, QStringLiteral("内部エラーです。")},
      {err::kBadFileNameOrNumber, QStringLiteral("ファイル名または番号が不正です。")},
      {err::kFileNotFound, QStringLiteral("ファイルが見つかりません。")},
      {err::kDeviceIo, QStringLiteral("デバイス I/O エラーです。")},
      {err::kDiskFull, QStringLiteral("ディスクの空き容量が不足しています。")},
      {err::kInputPastEnd, QStringLiteral("ファイルにこれ以上データがありません。")},
      {err::kDeviceUnavailable, QStringLiteral("デバイスが準備されていません。")},
      {err::kPermissionDenied, QStringLiteral("書き込みできません。")},
      {err::kPathFileAccess, QStringLiteral("パス名が無効です。")},
      {err::kPathNotFound, QStringLiteral("パスが見つかりません。")},
      {err::kObjectNotSet,
       QStringLiteral("オブジェクト変数または With ブロック変数が設定されていません。")},
      {err::kInvalidPropertyValue, QStringLiteral("プロパティの値が不正です。")},
      {err::kInvalidPicture, QStringLiteral("ピクチャが不正です。")},
  };
  return texts.value(number,
                     QStringLiteral("アプリケーション定義またはオブジェクト定義のエラーです。"));
}

}  // namespace sorane
