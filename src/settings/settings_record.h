#pragma once

#include <cstdint>

namespace sorane {

// Position of the fare board in twips.
struct FormPos {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
};

// The image of the settings file, filled and applied by the windows.
struct SettingsRecord {
  FormPos formPos;
};

}  // namespace sorane
