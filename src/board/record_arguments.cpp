#include "record_arguments.h"

namespace sorane {
namespace {
// The value after `name`: nothing when the option is absent, an empty text
// when its value is missing.
std::optional<QString> valueOf(const QStringList& arguments, const QString& name) {
  const qsizetype i = arguments.lastIndexOf(name);
  if (i < 1) return std::nullopt;
  const QString value = arguments.value(i + 1);
  return value.startsWith(QStringLiteral("--")) ? QString() : value;
}
const QStringList kBacklights = {QStringLiteral("off"), QStringLiteral("on1"),
                                 QStringLiteral("on2")};
}  // namespace

RecordArguments findRecordArguments(const QStringList& arguments) {
  RecordArguments found;
  auto missing = [&found](const QString& option) {
    found.error = QStringLiteral("%1 のあとに値を指定してください").arg(option);
    return found;
  };
  if (const auto record = valueOf(arguments, QStringLiteral("--record"))) {
    if (record->isEmpty()) return missing(QStringLiteral("--record"));
    found.record = *record;
  }
  const auto render = valueOf(arguments, QStringLiteral("--render"));
  if (!render) return found;
  if (render->isEmpty()) return missing(QStringLiteral("--render"));
  RenderRequest request;
  request.path = *render;
  const auto route = valueOf(arguments, QStringLiteral("--route"));
  if (!route || route->isEmpty()) return missing(QStringLiteral("--route"));
  bool ok = false;
  if (route->toInt(&ok) <= 0 || !ok) {
    found.error =
        QStringLiteral("--route には系統の番号を指定してください（指定: \"%1\"）").arg(*route);
    return found;
  }
  request.route = QString::number(route->toInt());
  if (const auto section = valueOf(arguments, QStringLiteral("--section"))) {
    request.section = section->toInt(&ok);
    if (!ok || request.section < 1 || request.section > 300) {
      found.error =
          QStringLiteral("--section には 1 から 300 の区間を指定してください（指定: \"%1\"）")
              .arg(*section);
      return found;
    }
  }
  if (const auto light = valueOf(arguments, QStringLiteral("--backlight"))) {
    const qsizetype index = kBacklights.indexOf(light->toLower());
    if (index < 0) {
      found.error = QStringLiteral(
                        "--backlight には off、on1、on2 のどれかを指定してください（指定: \"%1\"）")
                        .arg(*light);
      return found;
    }
    request.backlight = static_cast<int>(index);
  }
  found.render = request;
  return found;
}

QString recordHelp() {
  return QStringLiteral(
      "  --record FILE  起動と同時に録画を始める (MP4)。--auto と一緒なら運行の終わりで止まる\n"
      "                 (右クリックメニュー「録画開始...」、Vキーでも始める・止める)\n"
      "  --render FILE --route N [--section S] [--board led|lcd] [--scale K]\n"
      "         [--backlight off|on1|on2]\n"
      "                 系統 N を自動運行して、ウインドウを出さずに実時間より速く動画にする\n"
      "                 (バックライトは液晶なら ON1、LED なら OFF で始まる)\n");
}

}  // namespace sorane
