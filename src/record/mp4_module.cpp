// The recording module: the MP4 writer and FFmpeg's libraries, opened by
// the program at its first recording.
#include "mp4_writer.h"

extern "C" __attribute__((visibility("default"))) sorane::record::VideoWriter*
sorane_open_mp4_writer(const sorane::record::RecordingOptions& options) {
  return new sorane::record::Mp4Writer(options);
}
