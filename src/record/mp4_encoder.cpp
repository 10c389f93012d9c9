#include "mp4_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <cerrno>
#include <thread>
#include <utility>

#include "frame_timing.h"

namespace sorane::record {
namespace {

constexpr int kAudioBitRate = 192000;
constexpr int kAacFrame = 1024;

const QString kDiskFull = QStringLiteral("ディスクがいっぱいです");
const QString kTooLarge = QStringLiteral("ファイルが大きすぎます");
const QString kNotAllowed = QStringLiteral("書き込みが許されていません");
const QString kNoFolder = QStringLiteral("フォルダーがありません");
const QString kIsFolder = QStringLiteral("同じ名前のフォルダーがあります");
const QString kNotAFile = QStringLiteral("ファイルではありません");
const QString kNoEncoder = QStringLiteral("H.264 と AAC の符号化ができません");
const QString kCannotWrite = QStringLiteral("書き込めません");

void quietLibraries() {
  static const bool once = [] {
    // x264 and the muxer report their settings at the info level.
    av_log_set_level(AV_LOG_ERROR);
    return true;
  }();
  (void)once;
}

}  // namespace

const std::uint8_t* YuvRows::plane(int i) const {
  const std::size_t luma = static_cast<std::size_t>(width) * static_cast<std::size_t>(rows);
  return data.data() + (i == 0 ? 0 : luma + (i - 1) * luma / 4);
}

std::uint8_t* YuvRows::plane(int i) {
  return const_cast<std::uint8_t*>(std::as_const(*this).plane(i));
}

YuvRows YuvRows::cut(int from, int to) const {
  YuvRows out{from, to - from, width, {}};
  out.data.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(out.rows) * 3 / 2);
  for (int i = 0; i < 3; ++i) {
    const int shift = i == 0 ? 0 : 1;
    av_image_copy_plane(out.plane(i), out.stride(i),
                        plane(i) + ((from - top) >> shift) * stride(i), stride(i), stride(i),
                        out.rows >> shift);
  }
  return out;
}

YuvConverter::YuvConverter(QSize videoSize, QColor background)
    : size_(videoSize), background_(std::move(background)) {}

YuvConverter::~YuvConverter() {
  sws_freeContext(sws_);
}

std::optional<YuvRows> YuvConverter::convert(const QImage& picture, RowSpan changed) {
  if (changed.isEmpty()) return std::nullopt;
  QImage source = picture;
  if (picture.size() != size_ || picture.format() != QImage::Format_RGB32) {
    source = QImage(size_, QImage::Format_RGB32);
    source.fill(background_);
    if (!picture.isNull()) QPainter(&source).drawImage(0, 0, picture);
  }
  // Only the rows that changed are converted (a scrolling strip is a small
  // part of the board).
  const int top = std::max(0, (changed.top - 2) & ~1);
  const int bottom = static_cast<int>(
      std::min<qint64>(size_.height(), (qint64{changed.bottom} + 3) & ~qint64{1}));
  if (bottom <= top) return std::nullopt;
  const int rows = bottom - top;
  if (rows != swsRows_) {
    sws_ = sws_getCachedContext(sws_, size_.width(), rows, AV_PIX_FMT_0RGB32, size_.width(), rows,
                                AV_PIX_FMT_YUV420P, SWS_BILINEAR | SWS_ACCURATE_RND, nullptr,
                                nullptr, nullptr);
    if (!sws_) return std::nullopt;
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(sws_, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    swsRows_ = rows;
  }
  YuvRows out{top, rows, size_.width(), {}};
  out.data.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(rows) * 3 / 2);
  const uint8_t* in[1] = {source.constScanLine(top)};
  const int inStrides[1] = {static_cast<int>(source.bytesPerLine())};
  uint8_t* planes[3] = {out.plane(0), out.plane(1), out.plane(2)};
  const int strides[3] = {out.stride(0), out.stride(1), out.stride(2)};
  sws_scale(sws_, in, inStrides, 0, rows, planes, strides);
  return out;
}

QString writeErrorReason(int averror) {
  switch (averror) {
    case AVERROR(ENOSPC):
    case AVERROR(EDQUOT):
      return kDiskFull;
    case AVERROR(EFBIG):
      return kTooLarge;
    case AVERROR(EACCES):
    case AVERROR(EPERM):
    case AVERROR(EROFS):
      return kNotAllowed;
    case AVERROR(ENOENT):
    case AVERROR(ENOTDIR):
      return kNoFolder;
    case AVERROR(EISDIR):
      return kIsFolder;
    case AVERROR_ENCODER_NOT_FOUND:
      return kNoEncoder;
    default:
      return kCannotWrite;
  }
}

Mp4Encoder::Mp4Encoder(const QString& path, const Settings& settings)
    : videoSize_(evenSize(settings.size)),
      background_(settings.background) {
  quietLibraries();
  packet_ = av_packet_alloc();
  if (!check(avformat_alloc_output_context2(&format_, nullptr, "mp4", nullptr))) return;
  // Each fragment goes to the file as soon as it is complete, so that a
  // program killed meanwhile leaves it behind.
  format_->flush_packets = 1;
  if (!openVideo(settings.threads) || !openAudio(settings.audioRate)) return;
  const QByteArray name = QFile::encodeName(path);
  struct stat before {};
  const bool existed = ::stat(name.constData(), &before) == 0;
  // Opening a pipe to write would wait for a reader.
  if (existed && (S_ISFIFO(before.st_mode) || S_ISSOCK(before.st_mode))) {
    reason_ = kNotAFile;
    return;
  }
  // "file:" keeps a colon in the name from naming another protocol.
  if (!check(avio_open(&format_->pb, ("file:" + name).constData(), AVIO_FLAG_WRITE))) return;
  open_ = true;
  AVDictionary* options = nullptr;
  av_dict_set(&options, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
  const int header = avformat_write_header(format_, &options);
  av_dict_free(&options);
  if (!check(header) || !check(format_->pb->error)) {
    // Not a frame in it: no file is better than an empty one we made.
    closeFile();
    if (!existed && QFileInfo(path).isFile()) QFile::remove(path);
    return;
  }
  // Before the first picture, the background.
  if (std::optional<YuvRows> ground = YuvConverter(videoSize_, background_).convert(QImage()))
    setRows(*ground);
}

Mp4Encoder::~Mp4Encoder() {
  closeFile();
  av_frame_free(&picture_);
  av_packet_free(&packet_);
  av_audio_fifo_free(fifo_);
  swr_free(&swr_);
  avcodec_free_context(&video_);
  avcodec_free_context(&audio_);
  avformat_free_context(format_);
}

bool Mp4Encoder::check(int result) {
  if (result >= 0) return ok();
  fail(result);
  return false;
}

void Mp4Encoder::fail(int averror) {
  if (ok()) reason_ = writeErrorReason(averror);
}

bool Mp4Encoder::openVideo(int threads) {
  const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
  if (!codec) return check(AVERROR_ENCODER_NOT_FOUND);
  video_ = avcodec_alloc_context3(codec);
  video_->width = videoSize_.width();
  video_->height = videoSize_.height();
  video_->pix_fmt = AV_PIX_FMT_YUV420P;
  video_->time_base = {1, kFramesPerSecond};
  video_->framerate = {kFramesPerSecond, 1};
  video_->gop_size = kFramesPerSecond;
  video_->max_b_frames = 0;
  // x264 would take half as many again as there are cores, each thread
  // with frames of its own: 4 MB apiece at Full HD, for no gain here.
  video_->thread_count = threads > 0 ? threads : std::max(1u, std::thread::hardware_concurrency());
  video_->color_range = AVCOL_RANGE_MPEG;
  video_->colorspace = AVCOL_SPC_BT709;
  video_->color_primaries = AVCOL_PRI_BT709;
  video_->color_trc = AVCOL_TRC_BT709;
  if (format_->oformat->flags & AVFMT_GLOBALHEADER) video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  AVDictionary* options = nullptr;
  // The fastest preset, with CABAC and 8x8 transforms back: High profile,
  // smaller files, hardly slower. The preset looks no frame ahead, so the
  // lookahead thread's queue of frames is only memory.
  av_dict_set(&options, "preset", "ultrafast", 0);
  av_dict_set(&options, "crf", "18", 0);
  av_dict_set(&options, "x264-params", "cabac=1:8x8dct=1:sync-lookahead=0", 0);
  const int opened = avcodec_open2(video_, codec, &options);
  av_dict_free(&options);
  if (!check(opened)) return false;
  videoStream_ = avformat_new_stream(format_, nullptr);
  if (!videoStream_) return check(AVERROR(ENOMEM));
  videoStream_->time_base = video_->time_base;
  videoStream_->avg_frame_rate = video_->framerate;
  if (!check(avcodec_parameters_from_context(videoStream_->codecpar, video_))) return false;

  picture_ = av_frame_alloc();
  if (!picture_) return check(AVERROR(ENOMEM));
  picture_->format = AV_PIX_FMT_YUV420P;
  picture_->width = videoSize_.width();
  picture_->height = videoSize_.height();
  return check(av_frame_get_buffer(picture_, 0));
}

bool Mp4Encoder::openAudio(int inputRate) {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
  if (!codec) return check(AVERROR_ENCODER_NOT_FOUND);
  audio_ = avcodec_alloc_context3(codec);
  audio_->sample_fmt = AV_SAMPLE_FMT_FLTP;
  audio_->sample_rate = kAudioRate;
  av_channel_layout_default(&audio_->ch_layout, 2);
  audio_->bit_rate = kAudioBitRate;
  audio_->profile = FF_PROFILE_AAC_LOW;
  audio_->time_base = {1, kAudioRate};
  if (format_->oformat->flags & AVFMT_GLOBALHEADER) audio_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  AVDictionary* options = nullptr;
  // A third of the default coder's time; at this bit rate as good.
  av_dict_set(&options, "aac_coder", "fast", 0);
  const int opened = avcodec_open2(audio_, codec, &options);
  av_dict_free(&options);
  if (!check(opened)) return false;
  // The encoder's first frame is its delay. Dropping that much of the start
  // puts every later sample at its own time, with no negative timestamps
  // (which the muxer would answer by shifting every stream).
  audioLead_ = audio_->initial_padding;
  audioFrames_ = audioLead_;
  audioStream_ = avformat_new_stream(format_, nullptr);
  if (!audioStream_) return check(AVERROR(ENOMEM));
  audioStream_->time_base = audio_->time_base;
  if (!check(avcodec_parameters_from_context(audioStream_->codecpar, audio_))) return false;

  AVChannelLayout stereo;
  av_channel_layout_default(&stereo, 2);
  if (!check(swr_alloc_set_opts2(&swr_, &stereo, AV_SAMPLE_FMT_FLTP, kAudioRate, &stereo,
                                 AV_SAMPLE_FMT_FLT, inputRate, 0, nullptr)) ||
      !check(swr_init(swr_)))
    return false;
  fifo_ = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, 2, kAacFrame * 4);
  return fifo_ || check(AVERROR(ENOMEM));
}

void Mp4Encoder::setRows(const YuvRows& rows) {
  if (!ok() || rows.rows <= 0 || rows.top < 0 || rows.top % 2 != 0 || rows.rows % 2 != 0 ||
      rows.bottom() > videoSize_.height() || rows.width != videoSize_.width() ||
      rows.data.size() < static_cast<std::size_t>(rows.width * rows.rows * 3 / 2))
    return;
  // The encoder copies each frame it is given, but make sure.
  if (!check(av_frame_make_writable(picture_))) return;
  for (int i = 0; i < 3; ++i) {
    const int shift = i == 0 ? 0 : 1;
    av_image_copy_plane(picture_->data[i] + (rows.top >> shift) * picture_->linesize[i],
                        picture_->linesize[i], rows.plane(i), rows.stride(i), rows.stride(i),
                        rows.rows >> shift);
  }
}

void Mp4Encoder::writeFrame() {
  if (!ok()) return;
  picture_->pts = frames_;
  // Unchanged pictures go in again as they are; the encoder codes them as
  // skipped blocks.
  if (!check(avcodec_send_frame(video_, picture_))) return;
  ++frames_;
  drain(video_, videoStream_);
}

void Mp4Encoder::drain(AVCodecContext* codec, AVStream* stream) {
  while (ok()) {
    const int got = avcodec_receive_packet(codec, packet_);
    if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return;
    if (!check(got)) return;
    av_packet_rescale_ts(packet_, codec->time_base, stream->time_base);
    packet_->stream_index = stream->index;
    const int written = av_interleaved_write_frame(format_, packet_);
    if (!check(written) || !check(format_->pb->error)) return;
  }
}

void Mp4Encoder::writeAudio(const float* samples, qint64 frames) {
  while (ok() && frames > 0) {
    const int n = static_cast<int>(std::min<qint64>(frames, 1 << 16));
    const int room = swr_get_out_samples(swr_, n);
    for (auto& plane : planes_) plane.resize(static_cast<std::size_t>(room));
    uint8_t* out[2] = {reinterpret_cast<uint8_t*>(planes_[0].data()),
                       reinterpret_cast<uint8_t*>(planes_[1].data())};
    const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(samples)};
    const int converted = swr_convert(swr_, out, room, in, n);
    if (!check(converted)) return;
    const int dropped = std::min(converted, audioLead_);
    audioLead_ -= dropped;
    for (auto*& plane : out) plane += static_cast<std::ptrdiff_t>(dropped) * sizeof(float);
    if (!check(av_audio_fifo_write(fifo_, reinterpret_cast<void**>(out), converted - dropped)))
      return;
    samples += static_cast<std::ptrdiff_t>(n) * 2;
    frames -= n;
    encodeAudioFrames(false);
  }
}

void Mp4Encoder::writeSilence(qint64 frames) {
  static const std::vector<float> zeros(8192 * 2, 0.0f);
  while (ok() && frames > 0) {
    const qint64 n = std::min<qint64>(frames, 8192);
    writeAudio(zeros.data(), n);
    frames -= n;
  }
}

void Mp4Encoder::encodeAudioFrames(bool last) {
  while (ok()) {
    int n = std::min(av_audio_fifo_size(fifo_), kAacFrame);
    if (last) {
      // The end: no more than the pictures last, the rest dropped.
      n = static_cast<int>(
          std::min<qint64>(n, audioFramesForVideo(frames_, kAudioRate) - audioFrames_));
      if (n <= 0) {
        av_audio_fifo_reset(fifo_);
        return;
      }
    } else if (n < kAacFrame) {
      return;
    }
    AVFrame* frame = av_frame_alloc();
    frame->nb_samples = n;
    frame->format = AV_SAMPLE_FMT_FLTP;
    frame->sample_rate = kAudioRate;
    av_channel_layout_default(&frame->ch_layout, 2);
    int result = av_frame_get_buffer(frame, 0);
    if (result >= 0) result = av_audio_fifo_read(fifo_, reinterpret_cast<void**>(frame->data), n);
    if (result >= 0) {
      frame->pts = audioFrames_;
      audioFrames_ += n;
      result = avcodec_send_frame(audio_, frame);
    }
    av_frame_free(&frame);
    if (!check(result)) return;
    drain(audio_, audioStream_);
  }
}

void Mp4Encoder::finish() {
  if (ok()) {
    // What the resampler still holds, then silence up to the pictures'
    // length.
    const int room = std::max(swr_get_out_samples(swr_, 0), kAacFrame);
    for (auto& plane : planes_) plane.assign(static_cast<std::size_t>(room), 0.0f);
    uint8_t* out[2] = {reinterpret_cast<uint8_t*>(planes_[0].data()),
                       reinterpret_cast<uint8_t*>(planes_[1].data())};
    const int flushed = swr_convert(swr_, out, room, nullptr, 0);
    if (flushed > 0) av_audio_fifo_write(fifo_, reinterpret_cast<void**>(out), flushed);
    for (auto& plane : planes_) std::fill(plane.begin(), plane.end(), 0.0f);
    qint64 missing =
        audioFramesForVideo(frames_, kAudioRate) - audioFrames_ - av_audio_fifo_size(fifo_);
    while (missing > 0) {
      const int n = static_cast<int>(std::min<qint64>(missing, room));
      av_audio_fifo_write(fifo_, reinterpret_cast<void**>(out), n);
      missing -= n;
    }
    encodeAudioFrames(true);
    for (auto [codec, stream] : {std::pair{video_, videoStream_}, std::pair{audio_, audioStream_}})
      if (check(avcodec_send_frame(codec, nullptr))) drain(codec, stream);
    if (ok()) check(av_write_trailer(format_));
    if (ok()) check(format_->pb->error);
  }
  closeFile();
}

void Mp4Encoder::closeFile() {
  if (!open_) return;
  open_ = false;
  avio_closep(&format_->pb);
}

}  // namespace sorane::record
