#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace sorane::test {

// A WAV file of `frames` frames: channel c of frame i holds
// value(i, c). `format` is a libsndfile SF_FORMAT_* subtype of WAV.
bool writeWav(const QString& path, int rate, int channels, int frames, int format,
              float (*value)(int frame, int channel));
// A sine of `hz` at `amplitude`, mono 16-bit PCM.
bool writeSineWav(const QString& path, int rate, double seconds, double hz, double amplitude);
// A constant level, mono 16-bit PCM: easy to recognise in a mix.
bool writeLevelWav(const QString& path, int rate, int frames, double level);

// A standard MIDI file (format 0, 480 ticks a quarter at 120 bpm) playing
// `notes` one after another on a piano, each `ticksEach` long.
QByteArray makeMidi(const std::vector<int>& notes, int ticksEach);
bool writeFile(const QString& path, const QByteArray& bytes);

}  // namespace sorane::test
