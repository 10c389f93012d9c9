#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "video_writer.h"

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct AVAudioFifo;
struct SwrContext;
struct SwsContext;

namespace sorane::record {

// Rows [top, top + rows) of a video picture in YUV 4:2:0 as the encoder
// takes it: the luma rows, then the two chroma planes at half the width and
// half the rows. `top` and `rows` are even.
struct YuvRows {
  int top = 0;
  int rows = 0;
  int width = 0;
  std::vector<std::uint8_t> data;

  int bottom() const { return top + rows; }
  int stride(int plane) const { return plane == 0 ? width : width / 2; }
  const std::uint8_t* plane(int plane) const;
  std::uint8_t* plane(int plane);
  // Rows [from, to) of the picture, even and within these, as rows of their own.
  YuvRows cut(int from, int to) const;
};

// Converts the rows of a picture that changed into YuvRows (BT.709, limited
// range) on the thread that calls it.
class YuvConverter {
 public:
  YuvConverter(QSize videoSize, QColor background);
  ~YuvConverter();
  YuvConverter(const YuvConverter&) = delete;
  YuvConverter& operator=(const YuvConverter&) = delete;

  // The rows `changed` of `picture`, from an even row with a margin for the
  // chroma; nothing when none changed or memory ran out. A picture of
  // another size or format is laid on the background at the top left,
  // unscaled.
  std::optional<YuvRows> convert(const QImage& picture, RowSpan changed = {});

 private:
  QSize size_;
  QColor background_;
  SwsContext* sws_ = nullptr;
  int swsRows_ = 0;
};

// Writes one MP4 file, synchronously: H.264 (libx264, yuv420p, High
// profile, constant 30 fps, CRF 18, a key frame each second) and AAC LC
// (48 kHz stereo, 192 kb/s), fragmented at each key frame so that a file cut
// short plays to its last fragment. Pictures are placed at the top left of
// the video on the background colour, never scaled.
//
// The first failure stops it for good: reason() says why, nothing more is
// written, and what was written stays in the file.
class Mp4Encoder {
 public:
  struct Settings {
    QSize size;  // the pictures' size; the video's is rounded up to even
    QColor background{Qt::black};
    int audioRate = 48000;  // the rate of the samples handed to writeAudio
    int threads = 0;        // encoder threads; 0: as many as there are cores
  };

  Mp4Encoder(const QString& path, const Settings& settings);
  ~Mp4Encoder();
  Mp4Encoder(const Mp4Encoder&) = delete;
  Mp4Encoder& operator=(const Mp4Encoder&) = delete;

  bool ok() const { return reason_.isEmpty(); }
  // Why it stopped, in the user's words ("ディスクがいっぱいです"); empty
  // while it works.
  QString reason() const { return reason_; }
  QSize videoSize() const { return videoSize_; }
  qint64 framesWritten() const { return frames_; }

  // Puts `rows` into the picture the following frames show.
  void setRows(const YuvRows& rows);
  // The current picture as the next frame.
  void writeFrame();
  // Stereo frames, interleaved, at the settings' audio rate.
  void writeAudio(const float* samples, qint64 frames);
  void writeSilence(qint64 frames);
  // Makes the sound exactly as long as the pictures, writes what the
  // encoders hold and closes the file.
  void finish();

 private:
  bool check(int result);
  void fail(int averror);
  bool openVideo(int threads);
  bool openAudio(int inputRate);
  void drain(AVCodecContext* codec, AVStream* stream);
  void encodeAudioFrames(bool last);
  void closeFile();

  QSize videoSize_;
  QColor background_;
  QString reason_;
  AVFormatContext* format_ = nullptr;
  AVCodecContext* video_ = nullptr;
  AVCodecContext* audio_ = nullptr;
  AVStream* videoStream_ = nullptr;
  AVStream* audioStream_ = nullptr;
  SwrContext* swr_ = nullptr;
  AVAudioFifo* fifo_ = nullptr;
  AVFrame* picture_ = nullptr;
  AVPacket* packet_ = nullptr;
  std::vector<float> planes_[2];
  qint64 frames_ = 0;
  qint64 audioFrames_ = 0;  // the sound's length so far, the dropped lead included
  int audioLead_ = 0;
  bool open_ = false;
};

// The user's words for an FFmpeg or system error while writing a file.
QString writeErrorReason(int averror);

}  // namespace sorane::record
