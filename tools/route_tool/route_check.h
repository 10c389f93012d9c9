#pragma once

#include <QByteArray>
#include <QStringList>

namespace sorane::routetool {

// Plain-words report on a route fare file; `ok` is false when the program
// would refuse it.
QStringList checkRouteFile(const QByteArray& bytes, bool* ok);

// The same for an announcement file ("…tp.csv").
QStringList checkTapeFile(const QByteArray& bytes, bool* ok);

}  // namespace sorane::routetool
