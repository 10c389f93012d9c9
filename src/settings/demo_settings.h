#pragma once

#include <QByteArray>
#include <QString>

namespace sorane {

// A first settings file for the demo route: the designed settings, with the
// data folders, sounds and ticket plug-in in `demoFolder` and the windows
// where start-up puts them on this screen.
QByteArray demoSettingsFile(const QString& demoFolder);

}  // namespace sorane
