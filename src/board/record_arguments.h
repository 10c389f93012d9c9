#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "render_drive.h"

namespace sorane {

// `--record FILE`, and `--render FILE --route N [--section S]` (--board
// and --scale are read with the other start-up options).
struct RecordArguments {
  std::optional<QString> record;
  std::optional<RenderRequest> render;
  QString error;  // one line when an option is wrong
};
RecordArguments findRecordArguments(const QStringList& arguments);

// The options' lines of --help.
QString recordHelp();

}  // namespace sorane
