#pragma once

#include <QString>
#include <QStringList>

namespace sorane {

// The program file's name without folder and extension ("318" as shipped).
QString programBaseName();
// The folder holding the program file, without a trailing "/".
QString programFolder();
// The user's configuration folder of this program: $XDG_CONFIG_HOME (by
// default ~/.config) + "/" + programBaseName().
QString userConfigFolder();
// The demo data installed with the program (bin/../share/sorane/demo), or
// an empty text when there is none there.
QString installedDemoFolder();
// Where the demo data is looked for, in this order: installed with the
// program, then in the source tree the program was built from (so a copy
// of the program on the same machine finds it too).
QStringList demoFolderPlaces();
// The first of those places that exists, or an empty text.
QString demoFolder();
// Makes the functions above describe `path` instead of the running program.
void setProgramPathForTesting(const QString& path);
// Makes them look for the build's demo data in `folder` instead; empty
// gives back the build's own.
void setBuildDemoFolderForTesting(const QString& folder);

// "major.minor.revision" of this build.
QString versionText();

// Without XDG_RUNTIME_DIR (a login through su or ssh) Qt warns at every
// start; this gives the process the private folder Qt would pick anyway.
// Call before the application object exists.
void ensureRuntimeFolder();

}  // namespace sorane
