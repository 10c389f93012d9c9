#pragma once

#include <QString>

namespace sorane {

class Program;

// The settings file beside the program: read once at the end of start-up,
// written once when the program quits.
namespace mdlIniIo {

// Program folder + program base name + ".in4".
QString settingsFilePath();

// Reads the file and applies it to the windows. A missing or empty file is
// silent; any other failure shows the message and stops there.
void LoadSettings(Program& app);
// Gathers the settings from the windows and writes the file. A failure
// shows the message and leaves the previous file whole.
void SaveSettings(Program& app);

// The text of the message both operations show for a failure.
QString failureText(int number, const QString& description);

}  // namespace mdlIniIo
}  // namespace sorane
