#include "decode_mp4.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <QFile>
#include <cmath>
#include <memory>

namespace sorane::test {
namespace {

struct Streams {
  AVFormatContext* format = nullptr;
  std::vector<AVCodecContext*> codecs;
  ~Streams() {
    for (auto* c : codecs) avcodec_free_context(&c);
    avformat_close_input(&format);
  }
};

void keepPicture(DecodedMp4& out, const AVFrame* frame, AVRational tb) {
  SwsContext* sws = sws_getContext(
      frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
      frame->height, AV_PIX_FMT_0RGB32, SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
  const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
  sws_setColorspaceDetails(sws, bt709, 0, bt709, 1, 0, 1 << 16, 1 << 16);
  QImage image(frame->width, frame->height, QImage::Format_RGB32);
  uint8_t* planes[1] = {image.bits()};
  const int strides[1] = {static_cast<int>(image.bytesPerLine())};
  sws_scale(sws, frame->data, frame->linesize, 0, frame->height, planes, strides);
  sws_freeContext(sws);
  out.frames.push_back(image);
  out.frameIndex.push_back(std::llround(frame->best_effort_timestamp * av_q2d(tb) * 30));
}

void keepSound(DecodedMp4& out, const AVFrame* frame, AVRational tb) {
  const qint64 at = std::llround(frame->best_effort_timestamp * av_q2d(tb) * 48000);
  const int channels = frame->ch_layout.nb_channels;
  for (int i = 0; i < frame->nb_samples; ++i) {
    const qint64 index = at + i;
    if (index < 0) continue;
    const std::size_t need = static_cast<std::size_t>(index + 1) * 2;
    if (out.audio.size() < need) out.audio.resize(need, 0.0f);
    for (int c = 0; c < 2; ++c)
      out.audio[static_cast<std::size_t>(index) * 2 + c] =
          reinterpret_cast<const float*>(frame->extended_data[std::min(c, channels - 1)])[i];
  }
}

}  // namespace

DecodedMp4 decodeMp4(const QString& path) {
  // A file cut short is read up to its last whole fragment, without remarks.
  av_log_set_level(AV_LOG_FATAL);
  DecodedMp4 out;
  Streams s;
  const QByteArray url = "file:" + QFile::encodeName(path);
  if (avformat_open_input(&s.format, url.constData(), nullptr, nullptr) < 0 ||
      avformat_find_stream_info(s.format, nullptr) < 0) {
    out.error = QStringLiteral("cannot open");
    return out;
  }
  for (unsigned i = 0; i < s.format->nb_streams; ++i) {
    const AVStream* st = s.format->streams[i];
    const AVCodecParameters* par = st->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    Mp4Stream info;
    info.kind = QString::fromLatin1(av_get_media_type_string(par->codec_type));
    info.codec = QString::fromLatin1(avcodec_get_name(par->codec_id));
    char tag[AV_FOURCC_MAX_STRING_SIZE] = {};
    info.tag = QString::fromLatin1(av_fourcc_make_string(tag, par->codec_tag));
    if (const char* p = avcodec_profile_name(par->codec_id, par->profile))
      info.profile = QString::fromLatin1(p);
    if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
      info.pixelFormat =
          QString::fromLatin1(av_get_pix_fmt_name(static_cast<AVPixelFormat>(par->format)));
      info.width = par->width;
      info.height = par->height;
      info.frameRate = av_q2d(st->avg_frame_rate);
    } else {
      info.sampleRate = par->sample_rate;
      info.channels = par->ch_layout.nb_channels;
    }
    out.streams.push_back(info);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(c, par);
    c->pkt_timebase = st->time_base;
    avcodec_open2(c, codec, nullptr);
    s.codecs.push_back(c);
  }
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  auto receive = [&](unsigned index) {
    AVCodecContext* c = s.codecs[index];
    const AVRational tb = s.format->streams[index]->time_base;
    while (avcodec_receive_frame(c, frame) >= 0) {
      if (c->codec_type == AVMEDIA_TYPE_VIDEO)
        keepPicture(out, frame, tb);
      else
        keepSound(out, frame, tb);
      av_frame_unref(frame);
    }
  };
  while (av_read_frame(s.format, packet) >= 0) {
    const unsigned index = static_cast<unsigned>(packet->stream_index);
    if (avcodec_send_packet(s.codecs[index], packet) >= 0) receive(index);
    av_packet_unref(packet);
  }
  for (unsigned i = 0; i < s.codecs.size(); ++i) {
    avcodec_send_packet(s.codecs[i], nullptr);
    receive(i);
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  // The last sound frame is filled up to the coder's frame size; a player
  // stops at the stream's length.
  for (unsigned i = 0; i < s.format->nb_streams; ++i) {
    const AVStream* st = s.format->streams[i];
    if (st->codecpar->codec_type != AVMEDIA_TYPE_AUDIO || st->duration <= 0) continue;
    const auto length =
        static_cast<std::size_t>(std::llround(st->duration * av_q2d(st->time_base) * 48000));
    if (out.audio.size() > length * 2) out.audio.resize(length * 2);
  }
  return out;
}

double rms(const std::vector<float>& audio, int fromMs, int toMs) {
  const std::size_t from = static_cast<std::size_t>(fromMs) * 48 * 2;
  const std::size_t to = std::min(audio.size(), static_cast<std::size_t>(toMs) * 48 * 2);
  if (to <= from) return 0;
  double sum = 0;
  for (std::size_t i = from; i < to; ++i) sum += double(audio[i]) * audio[i];
  return std::sqrt(sum / double(to - from));
}

qint64 firstLoud(const std::vector<float>& audio, double level, int fromMs) {
  for (std::size_t i = static_cast<std::size_t>(fromMs) * 48 * 2; i < audio.size(); ++i)
    if (std::abs(audio[i]) > level) return static_cast<qint64>(i / 2);
  return -1;
}

double meanDifference(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return 255;
  const QImage x = a.convertToFormat(QImage::Format_RGB32);
  const QImage y = b.convertToFormat(QImage::Format_RGB32);
  double sum = 0;
  for (int row = 0; row < x.height(); ++row) {
    const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
    const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
    for (int col = 0; col < x.width(); ++col)
      sum += std::abs(qRed(p[col]) - qRed(q[col])) + std::abs(qGreen(p[col]) - qGreen(q[col])) +
             std::abs(qBlue(p[col]) - qBlue(q[col]));
  }
  return sum / (3.0 * x.width() * x.height());
}

}  // namespace sorane::test
