#pragma once

#include <QString>

namespace sorane {

class Program;

// The settings file: read once at the end of start-up, written once when
// the program quits.
namespace mdlIniIo {

// Program folder + program base name + ".in4" where the program's folder
// is writable; otherwise the same name in the user's configuration folder.
QString settingsFilePath();
// The choice above for a program `baseName` in `programFolder`.
QString settingsFilePathFor(const QString& programFolder, const QString& baseName,
                            bool folderWritable, const QString& configFolder);

// First start: when there is no settings file yet and the demo data is
// found (`demoFolder()`), writes the demo settings where the file belongs.
// True when it wrote them; a failure is silent and leaves the designed
// settings.
bool writeFirstSettings();

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
