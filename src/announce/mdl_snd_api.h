#pragma once

#include <QString>
#include <cstdint>

namespace sorane {

// Sound playback on named devices through the media commands. The device
// name is the program's base name followed by the alias ("318S2").
namespace mdlSndAPI {

// Plays a WAV or MIDI file on `strAlias`, cutting off that alias's previous
// sound. A non-zero `bWait` holds the caller until the sound has ended and
// then for `nPause` ms more. Nothing is reported.
void PlaySnd(const QString& strFile, const QString& strAlias, std::int16_t bWait,
             std::int16_t nPause);
// Closes the devices "S1".."S4".
void CloseAllSnd();

// "WAV", "MID" or another text: the last three characters of `path`,
// upper-cased, blanks trimmed.
QString soundKindOf(const QString& path);

}  // namespace mdlSndAPI
}  // namespace sorane
