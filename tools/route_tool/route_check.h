#pragma once

#include <QByteArray>
#include <QStringList>

#include "tape_file.h"

namespace sorane::routetool {

// Plain-words report on a route fare file; `ok` is false when the program
// would refuse it.
QStringList checkRouteFile(const QByteArray& bytes, bool* ok);

// The same for an announcement file ("…tp.csv").
QStringList checkTapeFile(const QByteArray& bytes, bool* ok);

// How the reports name an announcement file's encoding.
QString encodingName(TapeEncoding encoding);

}  // namespace sorane::routetool
