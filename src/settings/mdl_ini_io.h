#pragma once

namespace sorane {

class Program;

// The settings file beside the program.
namespace mdlIniIo {

void LoadSettings(Program& app);
void SaveSettings(Program& app);

}  // namespace mdlIniIo
}  // namespace sorane
