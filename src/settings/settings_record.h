#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace sorane {

// The image of the settings file. Field order is file order. Check boxes
// are 0/1, option buttons -1 (selected) or 0, list positions 0-based with
// -1 for none, colours 0x00BBGGRR, positions in twips.

struct FolderInfo {
  QString FareDataDir;  // Text2(0)
  QString TapeDataDir;  // Text2(1)
};

struct PanelInfo {
  std::int16_t AutoSeiriNum = 0;                 // Check1
  std::array<std::int32_t, 3> BacklightColor{};  // Command5(0..2)
  std::int16_t NumberingStyle = 0;               // Combo2
  std::int16_t ZeroPad = 0;                      // Check2
  // Option3(0), (1), (7), (6), (3), (2), (4), (5) in this order.
  std::int16_t PanelAuto = 0, PanelPerState = 0;
  std::int16_t OffBuiltIn = 0, OffUser = 0;
  std::int16_t On1BuiltIn = 0, On1User = 0;
  std::int16_t On2BuiltIn = 0, On2User = 0;
  std::array<QString, 3> PanelImage;  // txtSelectPanel(0..2)
};

struct DigitInfo {
  std::int32_t DegitBackColor = 0, DegitBaseColor = 0, DegitLitColor = 0;  // Command8(0..2)
  std::int16_t ShowStopOrder = 0;                                          // Check3(0)
  std::int16_t StopOrderCell = 0;                                          // Combo4(0)
  std::int16_t CountFromZero = 0;                                          // Check3(4)
  std::int16_t ShowTicketNumber = 0;                                       // Check3(1)
  std::int16_t TicketNumberCell = 0;                                       // Combo4(1)
  std::int16_t ShowRouteNumber = 0;                                        // Check3(2)
  std::int16_t RouteNumberCell = 0;                                        // Combo4(2)
  std::int16_t ShowDataColumn = 0;                                         // Check3(3)
  std::int16_t DataColumn = 0;                                             // Combo4(4)
  std::int16_t DataColumnCell = 0;                                         // Combo4(3)
};

struct ChimeiInfo {
  std::int32_t ChimeiBackColor = 0;   // Command9(0)
  std::int32_t ChimeiForeColor = 0;   // Command9(1)
  std::int16_t ChimeiFontOption = 0;  // Combo3
  std::int16_t ChimeiBold = 0;        // Check4
};

struct SoundInfo {
  QString RouteSetSound;                     // txtSelectSound(0)
  QString ResetSound;                        // txtSelectSound(1)
  std::int16_t StepAlways = 0;               // Option2(0)
  std::int16_t StepByColumn = 0;             // Option2(1)
  std::int16_t StepWait = 0;                 // Option6(0)
  std::int16_t StepNoWait = 0;               // Option6(1)
  QString StepSound;                         // txtSelectSound(7)
  std::int16_t StepFlagColumn = 0;           // Combo1
  std::array<QString, 3> StepFlagSound;      // txtSelectSound(8..10)
  std::int16_t AnnounceAlways = 0;           // Option2(2)
  std::int16_t AnnounceByFlag = 0;           // Option2(3)
  std::int16_t AnnounceWait = 0;             // Option7(0)
  std::int16_t AnnounceNoWait = 0;           // Option7(1)
  QString AnnounceSound;                     // txtSelectSound(3)
  std::array<QString, 3> AnnounceFlagSound;  // txtSelectSound(4..6)
};

struct PreviewInfo {
  std::int16_t UseSeiriPrev = 0;                                       // chkUseSeiriPrev
  QString SeiriPlgPath;                                                // txtSeiriPlgDir
  std::int16_t DateSystemEach = 0, DateSystemHeld = 0, DateFixed = 0;  // Option4(0..2)
  QString FixedDate;                                                   // Label10, "yyyy/mm/dd"
};

struct PanelState {
  std::int16_t InputFrame = 0;
  std::int32_t ScrollSpeed = 0;
  std::int32_t ScrollStartWait = 0;
  std::int16_t NightFare = 0;
  std::int16_t PreviewShown = 0;
  std::int32_t Left = 0;
  std::int32_t Top = 0;
};

// Position of the fare board in twips.
struct FormPos {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
};

// Per fare cell 1..32, as the double-click dialog sets them.
struct DegitEntry {
  std::int16_t Shift = 0;
  std::int16_t ZeroMode = 0;
  std::int16_t FillZero = 0;
};

struct SettingsRecord {
  FolderInfo folderInfo;
  PanelInfo panelInfo;
  DigitInfo digitInfo;
  ChimeiInfo chimeiInfo;
  SoundInfo soundInfo;
  PreviewInfo previewInfo;
  PanelState panelState;
  FormPos formPos;
  std::array<std::int32_t, 17> CustColors{};
  std::array<DegitEntry, 32> DegitInfo{};  // cells 1..32 at 0..31
};

}  // namespace sorane
