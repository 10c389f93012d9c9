#include "settings_file.h"

#include <algorithm>

#include "cp932.h"

namespace sorane {
namespace {

constexpr int kMaxTextBytes = 32767;
constexpr std::int16_t kElementCount = 32;

// A text that Shift-JIS cannot hold as it is (é, ü, Hangul, emoji, 〜) is
// stored as this marker and its UTF-8 bytes, with '%', control and
// non-ASCII bytes written %XX: plain ASCII that a reader unaware of the
// form takes for a relative path that does not exist ('*' is not allowed
// in Windows file names).
const QByteArray kUtf8Marker = QByteArrayLiteral("*UTF8*");

bool keepsShiftJis(const QString& s) {
  return !s.startsWith(QLatin1String(kUtf8Marker)) && cp932::decode(cp932::encode(s)) == s;
}

// The marked form, cut before the character that would pass `limit` bytes.
QByteArray markedUtf8(const QString& s, int limit) {
  QByteArray out = kUtf8Marker;
  const QByteArray utf8 = s.toUtf8();
  for (qsizetype i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const qsizetype len = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    QByteArray ch;
    for (qsizetype k = i; k < std::min(i + len, utf8.size()); ++k) {
      const auto b = static_cast<unsigned char>(utf8[k]);
      if (b < 0x20 || b >= 0x7F || b == '%')
        ch += '%' + QByteArray::number(b, 16).toUpper().rightJustified(2, '0');
      else
        ch += static_cast<char>(b);
    }
    if (out.size() + ch.size() > limit) break;
    out += ch;
    i += len;
  }
  return out;
}

QByteArray storedText(const QString& s) {
  return keepsShiftJis(s) ? cp932::encode(s) : markedUtf8(s, kMaxTextBytes);
}

QString readText(const QByteArray& b) {
  if (b.startsWith(kUtf8Marker))
    return QString::fromUtf8(QByteArray::fromPercentEncoding(b.mid(kUtf8Marker.size())));
  return cp932::decode(b);
}

class Writer {
 public:
  void i16(std::int16_t& v) { put(static_cast<std::uint16_t>(v), 2); }
  void i32(std::int32_t& v) { put(static_cast<std::uint32_t>(v), 4); }
  void text(QString& s) {
    QByteArray b = storedText(s);
    if (b.size() > kMaxTextBytes) b = cut(b);
    std::int16_t n = static_cast<std::int16_t>(b.size());
    i16(n);
    out.append(b);
  }
  QByteArray out;

 private:
  void put(std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
  }
  // Longest prefix that fits and does not end inside a double-byte character.
  static QByteArray cut(const QByteArray& b) {
    int end = 0;
    for (int i = 0; i < kMaxTextBytes;) {
      const int len = cp932::isLeadByte(static_cast<unsigned char>(b[i])) ? 2 : 1;
      if (i + len > kMaxTextBytes) break;
      i += len;
      end = i;
    }
    return b.left(end);
  }
};

class Reader {
 public:
  explicit Reader(const QByteArray& in) : in_(in) {}
  void i16(std::int16_t& v) { v = static_cast<std::int16_t>(get(2)); }
  void i32(std::int32_t& v) { v = static_cast<std::int32_t>(get(4)); }
  void text(QString& s) {
    std::int16_t n = 0;
    i16(n);
    if (n < 0 || pos_ + n > in_.size()) {
      // A length the file cannot hold: the file ends here.
      pos_ = in_.size();
      s.clear();
      return;
    }
    s = readText(in_.mid(pos_, n));
    pos_ += n;
  }

 private:
  std::uint32_t get(int bytes) {
    if (pos_ + bytes > in_.size()) {
      pos_ = in_.size();
      return 0;
    }
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
      v |= static_cast<std::uint32_t>(static_cast<unsigned char>(in_[pos_ + i])) << (8 * i);
    pos_ += bytes;
    return v;
  }
  const QByteArray& in_;
  qsizetype pos_ = 0;
};

// The file's fields in order, for reading and writing alike.
template <typename Io>
void transfer(Io& io, SettingsRecord& r) {
  FolderInfo& f = r.folderInfo;
  io.text(f.FareDataDir);
  io.text(f.TapeDataDir);

  PanelInfo& p = r.panelInfo;
  io.i16(p.AutoSeiriNum);
  for (auto& c : p.BacklightColor) io.i32(c);
  io.i16(p.NumberingStyle);
  io.i16(p.ZeroPad);
  io.i16(p.PanelAuto);
  io.i16(p.PanelPerState);
  io.i16(p.OffBuiltIn);
  io.i16(p.OffUser);
  io.i16(p.On1BuiltIn);
  io.i16(p.On1User);
  io.i16(p.On2BuiltIn);
  io.i16(p.On2User);
  for (auto& t : p.PanelImage) io.text(t);

  DigitInfo& d = r.digitInfo;
  io.i32(d.DegitBackColor);
  io.i32(d.DegitBaseColor);
  io.i32(d.DegitLitColor);
  io.i16(d.ShowStopOrder);
  io.i16(d.StopOrderCell);
  io.i16(d.CountFromZero);
  io.i16(d.ShowTicketNumber);
  io.i16(d.TicketNumberCell);
  io.i16(d.ShowRouteNumber);
  io.i16(d.RouteNumberCell);
  io.i16(d.ShowDataColumn);
  io.i16(d.DataColumn);
  io.i16(d.DataColumnCell);

  ChimeiInfo& c = r.chimeiInfo;
  io.i32(c.ChimeiBackColor);
  io.i32(c.ChimeiForeColor);
  io.i16(c.ChimeiFontOption);
  io.i16(c.ChimeiBold);

  SoundInfo& s = r.soundInfo;
  io.text(s.RouteSetSound);
  io.text(s.ResetSound);
  io.i16(s.StepAlways);
  io.i16(s.StepByColumn);
  io.i16(s.StepWait);
  io.i16(s.StepNoWait);
  io.text(s.StepSound);
  io.i16(s.StepFlagColumn);
  for (auto& t : s.StepFlagSound) io.text(t);
  io.i16(s.AnnounceAlways);
  io.i16(s.AnnounceByFlag);
  io.i16(s.AnnounceWait);
  io.i16(s.AnnounceNoWait);
  io.text(s.AnnounceSound);
  for (auto& t : s.AnnounceFlagSound) io.text(t);

  PreviewInfo& v = r.previewInfo;
  io.i16(v.UseSeiriPrev);
  io.text(v.SeiriPlgPath);
  io.i16(v.DateSystemEach);
  io.i16(v.DateSystemHeld);
  io.i16(v.DateFixed);
  io.text(v.FixedDate);

  PanelState& ps = r.panelState;
  io.i16(ps.InputFrame);
  io.i32(ps.ScrollSpeed);
  io.i32(ps.ScrollStartWait);
  io.i16(ps.NightFare);
  io.i16(ps.PreviewShown);
  io.i32(ps.Left);
  io.i32(ps.Top);

  io.i32(r.formPos.Left);
  io.i32(r.formPos.Top);
  for (auto& c2 : r.CustColors) io.i32(c2);

  // The element count is written as 32 and ignored when read: 32 entries
  // always follow.
  std::int16_t count = kElementCount;
  io.i16(count);
  for (DegitEntry& e : r.DegitInfo) {
    io.i16(e.Shift);
    io.i16(e.ZeroMode);
    io.i16(e.FillZero);
  }
}

}  // namespace

QByteArray encodeSettings(const SettingsRecord& record) {
  SettingsRecord r = record;
  Writer w;
  transfer(w, r);
  return w.out;
}

SettingsRecord decodeSettings(const QByteArray& bytes) {
  SettingsRecord r;
  Reader rd(bytes);
  transfer(rd, r);
  return r;
}

}  // namespace sorane
