// Writes the demo chimes: bell-like WAV tones synthesised here, and one MIDI
// chime. Usage: sorane-demo-sounds OUTPUT_FOLDER
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

struct Note {
  double start;  // seconds
  double freq;   // Hz
  double decay;  // seconds to fall to 1/e
  double gain;
};

// A struck bell: a few inharmonic partials with an exponential decay.
std::vector<float> render(const std::vector<Note>& notes, double length) {
  std::vector<float> s(static_cast<std::size_t>(length * kRate), 0.0f);
  const double partials[][2] = {{1.0, 1.0}, {2.0, 0.45}, {3.01, 0.2}, {4.2, 0.1}};
  for (const Note& n : notes) {
    const auto first = static_cast<std::size_t>(n.start * kRate);
    for (std::size_t i = first; i < s.size(); ++i) {
      const double t = static_cast<double>(i - first) / kRate;
      const double attack = std::min(1.0, t / 0.004);
      double v = 0;
      for (const auto& p : partials)
        v += p[1] * std::sin(2 * kPi * n.freq * p[0] * t) * std::exp(-t * p[0] / n.decay);
      s[i] += static_cast<float>(n.gain * attack * v);
    }
  }
  // Fade the last 20 ms so the sound ends without a click.
  const std::size_t fade = kRate / 50;
  for (std::size_t i = 0; i < fade && i < s.size(); ++i)
    s[s.size() - 1 - i] *= static_cast<float>(i) / fade;
  return s;
}

void put16(QByteArray& b, int v) {
  b.append(static_cast<char>(v & 0xFF));
  b.append(static_cast<char>((v >> 8) & 0xFF));
}
void put32(QByteArray& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// 16-bit mono PCM WAV.
QByteArray wav(const std::vector<float>& s) {
  QByteArray data;
  for (float v : s) put16(data, static_cast<int>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32000)));
  QByteArray b("RIFF");
  put32(b, static_cast<std::uint32_t>(36 + data.size()));
  b.append("WAVEfmt ");
  put32(b, 16);
  put16(b, 1);
  put16(b, 1);
  put32(b, kRate);
  put32(b, kRate * 2);
  put16(b, 2);
  put16(b, 16);
  b.append("data");
  put32(b, static_cast<std::uint32_t>(data.size()));
  return b + data;
}

// A format-0 MIDI file: tubular bells playing `notes` (key, start beat, beats).
QByteArray midi(const std::vector<std::array<int, 3>>& notes) {
  struct Event {
    int tick;
    QByteArray bytes;
  };
  std::vector<Event> events;
  events.push_back({0, QByteArray::fromHex("c00e")});  // program 15: tubular bells
  for (const auto& n : notes) {
    events.push_back({n[1] * 480, QByteArray::fromHex("90") + char(n[0]) + char(100)});
    events.push_back({(n[1] + n[2]) * 480, QByteArray::fromHex("80") + char(n[0]) + char(0)});
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const Event& a, const Event& b) { return a.tick < b.tick; });
  QByteArray track = QByteArray::fromHex("00ff5103") + QByteArray::fromHex("07a120");  // 120 bpm
  int last = 0;
  for (const Event& e : events) {
    int delta = e.tick - last;
    last = e.tick;
    QByteArray vlq;
    vlq.prepend(static_cast<char>(delta & 0x7F));
    while ((delta >>= 7) > 0) vlq.prepend(static_cast<char>((delta & 0x7F) | 0x80));
    track += vlq + e.bytes;
  }
  track += QByteArray::fromHex("00ff2f00");
  QByteArray b("MThd");
  b += QByteArray::fromHex(
      "00000006"
      "0000"
      "0001"
      "01e0");
  b += "MTrk";
  const auto n = static_cast<std::uint32_t>(track.size());
  b += static_cast<char>(n >> 24);
  b += static_cast<char>(n >> 16);
  b += static_cast<char>(n >> 8);
  b += static_cast<char>(n);
  return b + track;
}

double hz(int midiKey) {
  return 440.0 * std::pow(2.0, (midiKey - 69) / 12.0);
}

bool save(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sorane-demo-sounds OUTPUT_FOLDER\n");
    return 2;
  }
  const QDir dir(QString::fromLocal8Bit(argv[1]));
  bool ok = true;
  // Route set: a rising three-note chime.
  ok &= save(
      dir.filePath("set.wav"),
      wav(render({{0.0, hz(84), 0.5, 0.25}, {0.18, hz(88), 0.5, 0.25}, {0.36, hz(91), 0.7, 0.25}},
                 1.4)));
  // Keys and lists: a short tick.
  ok &= save(dir.filePath("click.wav"), wav(render({{0.0, hz(96), 0.012, 0.3}}, 0.06)));
  // Step chimes by flag: "pin-pon", a single ding, and a falling three-note chime.
  ok &= save(dir.filePath("step1.wav"),
             wav(render({{0.0, hz(79), 0.6, 0.3}, {0.35, hz(76), 0.9, 0.3}}, 1.6)));
  ok &= save(dir.filePath("step2.wav"), wav(render({{0.0, hz(81), 0.7, 0.35}}, 1.0)));
  ok &= save(
      dir.filePath("step3.wav"),
      wav(render({{0.0, hz(88), 0.5, 0.25}, {0.25, hz(84), 0.5, 0.25}, {0.5, hz(79), 0.9, 0.25}},
                 1.8)));
  // Before an announcement.
  ok &= save(dir.filePath("before.wav"), wav(render({{0.0, hz(76), 0.8, 0.3}}, 1.1)));
  // A passenger's stop request: the two-tone "pin-pon".
  ok &= save(dir.filePath("stop_request.wav"),
             wav(render({{0.0, hz(88), 0.3, 0.3}, {0.3, hz(84), 1.0, 0.32}}, 1.8)));
  ok &= save(dir.filePath("announce.mid"), midi({{72, 0, 1}, {76, 1, 1}, {79, 2, 1}, {84, 3, 2}}));
  return ok ? 0 : 1;
}
