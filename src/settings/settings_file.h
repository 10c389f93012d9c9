#pragma once

#include <QByteArray>

#include "settings_record.h"

namespace sorane {

// The settings file's bytes: little-endian, no header, texts as a 16-bit
// byte count and Shift-JIS bytes. 430 bytes when every text is empty. A
// text Shift-JIS cannot hold is stored in a marked UTF-8 form instead.
QByteArray encodeSettings(const SettingsRecord& record);

// The most a settings file can use: its 17 texts at their longest.
inline constexpr qint64 kMaxSettingsFileBytes = 430 + 17 * 32767;

// The record a file holds. Fields past the end of the bytes, and a text
// whose length runs past the end or is negative, read as 0 and empty
// texts; whatever follows such a text is past the end too.
SettingsRecord decodeSettings(const QByteArray& bytes);

}  // namespace sorane
