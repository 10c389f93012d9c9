#include "mdl_ini_io.h"

namespace sorane::mdlIniIo {

// The settings file is not read or written yet (issue #4): the program runs
// on its defaults.
void LoadSettings(Program&) {}
void SaveSettings(Program&) {}

}  // namespace sorane::mdlIniIo
