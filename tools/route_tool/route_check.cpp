#include "route_check.h"

#include "route_file.h"
#include "tape_file.h"

namespace sorane::routetool {

QStringList checkRouteFile(const QByteArray& bytes, bool* ok) {
  QStringList report;
  const RouteFile f = parseRouteFile(bytes);
  *ok = f.status == RouteFile::Status::Ok;
  switch (f.status) {
    case RouteFile::Status::Empty:
      report << (bytes.size() < 2
                     ? QStringLiteral("ファイルが短すぎます(先頭2バイトの停留所数がありません)")
                     : QStringLiteral("停留所数が0です: このファイルでは系統設定できません"));
      return report;
    case RouteFile::Status::Negative:
      report << QStringLiteral("停留所数が負の数(%1)です").arg(f.count);
      return report;
    case RouteFile::Status::TooMany:
      report << QStringLiteral("停留所数 %1 は多すぎます(最大301)").arg(f.count);
      return report;
    case RouteFile::Status::Truncated:
      report << QStringLiteral("停留所数は %1 ですが、%2件目の%3の途中でファイルが終わっています")
                    .arg(f.count)
                    .arg(f.badRow)
                    .arg(f.nameCut ? QStringLiteral("停留所名") : QStringLiteral("運賃"));
      return report;
    case RouteFile::Status::Ok:
      break;
  }
  report << QStringLiteral("停留所数 %1、設定できる区間は 1〜%2").arg(f.count).arg(f.count - 1);
  if (f.count == 1) {
    report << QStringLiteral("停留所が1件だけなので、どの区間でも系統設定できません");
    *ok = false;
  }
  for (int row : f.badNames)
    report << QStringLiteral(
                  "%1件目: 停留所名にShift-JISとして読めないバイトがあります(「%2」と表示されます)")
                  .arg(row)
                  .arg(f.rows[static_cast<std::size_t>(row - 1)].StopName);
  for (int i = 0; i < static_cast<int>(f.rows.size()); ++i)
    if (f.rows[static_cast<std::size_t>(i)].StopName.isEmpty())
      report << QStringLiteral("%1件目: 停留所名が空です").arg(i + 1);
  if (f.bytesUsed < bytes.size())
    report << QStringLiteral("最後の停留所の後に %1 バイトの余分なデータがあります")
                  .arg(bytes.size() - f.bytesUsed);
  return report;
}

QString encodingName(TapeEncoding encoding) {
  static const QString kEncodings[] = {QStringLiteral("Shift-JIS"), QStringLiteral("UTF-8"),
                                       QStringLiteral("UTF-8 (BOM 付き)")};
  return kEncodings[static_cast<int>(encoding)];
}

QStringList checkTapeFile(const QByteArray& bytes, bool* ok) {
  const TapeFile f = parseTapeFile(bytes);
  *ok = f.ok();
  const QString where = QStringLiteral("%1行目: ").arg(f.line);
  switch (f.error) {
    case TapeFileError::None:
      break;
    case TapeFileError::BadEncoding:
      return {(f.line > 0 ? where : QString()) +
              QStringLiteral("Shift-JISとしてもUTF-8としても読めないバイトがあります")};
    case TapeFileError::FieldCount:
      return {where +
              QStringLiteral("項目がちょうど3つ(文,送りフラグ,サウンドフラグ)ではありません")};
    case TapeFileError::BrokenQuote:
      return {where + QStringLiteral("引用符 \" が閉じていないか、閉じた後に文字があります")};
    case TapeFileError::BadFlag:
      return {where + QStringLiteral("フラグが -32768〜32767 の整数ではありません")};
    case TapeFileError::NotFound:
    case TapeFileError::Unreadable:
    case TapeFileError::TooLarge:
      return {QStringLiteral("ファイルを読めません")};
  }
  if (f.entries.empty()) {
    *ok = false;
    return {QStringLiteral("放送が1件もありません")};
  }
  int steps = 0, blank = 0;
  for (const TapeEntry& e : f.entries) {
    steps += e.StepFlag == 1;
    blank += e.Text.trimmed().isEmpty();
  }
  QStringList report{
      QStringLiteral("放送 %1 件、うち停留所を送るもの %2 件").arg(f.entries.size()).arg(steps),
      QStringLiteral("文字コード: ") + encodingName(f.encoding)};
  if (blank > 0)
    report << QStringLiteral("文が空の行が %1 件あります(その行では何も話しません)").arg(blank);
  if (!bytes.isEmpty() && !bytes.contains("\r\n"))
    report << QStringLiteral("行の終わりが CR LF ではありません");
  return report;
}

}  // namespace sorane::routetool
