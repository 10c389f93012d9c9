#pragma once

#include <zlib.h>

#include <QDir>
#include <QFile>
#include <QString>
#include <QtEndian>
#include <functional>
#include <vector>

// Ticket plug-ins made to hurt whoever draws them: each passed the reader's
// limits once, and crashed, froze or exhausted a program drawing it in its
// own process. Shared by the tests and the benchmarks.
namespace sorane::test {

struct Hostile {
  const char* name;
  // Writes the plug-in and its pictures into the folder; returns the plug-in.
  std::function<QString(const QDir&)> make;
};

namespace hostile {

inline QString write(const QDir& dir, const QString& name, const QByteArray& bytes) {
  QFile f(dir.filePath(name));
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return {};
  return f.fileName();
}

// A 40 x 20 mm ticket around `body`.
inline QByteArray ticket(const QByteArray& body, int w = 40, int h = 20) {
  return "sorane-ticket 1\nsize w=" + QByteArray::number(w) + " h=" + QByteArray::number(h) + "\n" +
         body + "end\n";
}

// A plug-in drawing `svg` over the whole ticket.
inline std::function<QString(const QDir&)> picture(const char* name,
                                                   std::function<QByteArray()> inner) {
  return [name, inner](const QDir& dir) {
    const QString file = QLatin1String(name) + QStringLiteral(".svg");
    write(dir, file,
          "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10' "
          "viewBox='0 0 1000 1000'>" +
              inner() + "</svg>");
    return write(dir, QLatin1String(name) + QStringLiteral(".4SP"),
                 ticket("picture x=0 y=0 w=40 h=20 file=" + file.toUtf8() + " fit=stretch\n"));
  };
}

// Numbers 0..999 from a fixed sequence.
struct Numbers {
  std::uint32_t state = 1;
  int next() {
    state = state * 1103515245u + 12345u;
    return static_cast<int>((state >> 8) % 1000);
  }
};

// `n` pieces made by `piece`, joined.
inline QByteArray many(int n, const std::function<QByteArray(Numbers&)>& piece) {
  Numbers numbers;
  QByteArray out;
  for (int i = 0; i < n; ++i) out += piece(numbers);
  return out;
}

inline QByteArray point(Numbers& r) {
  return QByteArray::number(r.next()) + ',' + QByteArray::number(r.next()) + ' ';
}

// `n` distinct kanji from `first` on, in lines of `perLine`.
inline QByteArray kanji(int first, int n, int perLine) {
  QString s;
  for (int i = 0; i < n; ++i) {
    if (i > 0 && i % perLine == 0) s += QStringLiteral("\\n");
    s += QChar(0x9000 + (first + i) * 3);
  }
  return s.toUtf8();
}

// A PNG whose header reads and whose pixels do not.
inline QByteArray brokenPng() {
  auto chunk = [](const QByteArray& type, const QByteArray& data) {
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(data.size()), out.data());
    out += type + data;
    const QByteArray both = type + data;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(
        static_cast<quint32>(crc32(0, reinterpret_cast<const Bytef*>(both.constData()),
                                   static_cast<uInt>(both.size()))),
        crc.data());
    return out + crc;
  };
  QByteArray ihdr(13, '\0');
  qToBigEndian<quint32>(10, ihdr.data());
  qToBigEndian<quint32>(10, ihdr.data() + 4);
  ihdr[8] = 8;  // bits
  ihdr[9] = 2;  // RGB
  return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) +
         chunk("IDAT", QByteArray("not zlib data").repeated(10)) + chunk("IEND", {});
}

}  // namespace hostile

// What was found, smallest first where size matters.
inline std::vector<Hostile> hostileTickets() {
  using namespace hostile;
  return {
      {"a dashed polyline of 90,000 points",
       picture(
           "dashed",
           [] {
             return "<polyline fill='none' stroke='black' stroke-dasharray='0.01 0.01' points='" +
                    many(90000, point) + "'/>";
           })},
      {"a 1 MiB path",
       picture("path",
               [] {
                 return "<path fill='black' stroke='red' stroke-width='3' d='M0 0 " +
                        many(110000, [](Numbers& r) { return 'L' + point(r); }) + "'/>";
               })},
      {"a 1 MiB path of curves",
       picture("curves",
               [] {
                 return "<path fill='black' stroke='red' stroke-width='3' d='M0 0 " +
                        many(40000,
                             [](Numbers& r) { return 'C' + point(r) + point(r) + point(r); }) +
                        "'/>";
               })},
      {"huge-radius arcs",
       picture("arcs",
               [] {
                 return "<path fill='none' stroke='black' d='M0 0 " +
                        many(20000, [](Numbers& r) { return "A1e9 1e9 0 1 1 " + point(r); }) +
                        "'/>";
               })},
      {"a long dash list",
       picture("dashes",
               [] {
                 return "<circle cx='500' cy='500' r='400' fill='none' stroke='black' "
                        "stroke-dasharray='" +
                        QByteArray("0.001 ").repeated(150000) + "'/>";
               })},
      {"a text of 900,000 characters", picture("text",
                                               [] {
                                                 return "<text x='0' y='500' font-size='20'>" +
                                                        QByteArray(900000, 'A') + "</text>";
                                               })},
      {"a text with a long x list",
       picture("xlist",
               [] {
                 return "<text y='500' font-size='20' x='" +
                        many(150000,
                             [](Numbers& r) { return QByteArray::number(r.next()) + ' '; }) +
                        "'>" + QByteArray(150000, 'A') + "</text>";
               })},
      {"1,000 distinct bold Mincho kanji at 5.4 mm",
       [](const QDir& dir) {
         QByteArray body;
         for (int i = 0; i < 5; ++i)
           body += "text x=0 y=0 w=150 h=" + QByteArray::number(120 - i) + " text=\"" +
                   kanji(i * 200, 191, 20) + "\" size=5.4 weight=bold face=mincho\n";
         return write(dir, "kanji.4SP", ticket(body, 150, 150));
       }},
      {"250 texts in mixed weights",
       [](const QDir& dir) {
         const char* weights[] = {"normal", "bold", "300", "600", "900"};
         QByteArray body;
         for (int i = 0; i < 250; ++i)
           body += "text x=0 y=" + QByteArray::number((i % 25) * 0.8) + " w=10 h=0.8 text=\"" +
                   kanji(i * 4, 4, 4) + "\" weight=" + weights[i % 5] + "\n";
         return write(dir, "mixed.4SP", ticket(body));
       }},
      {"an embedded PNG that does not decode",
       picture("undecodable",
               [] {
                 return "<image width='1000' height='1000' href='data:image/png;base64," +
                        brokenPng().toBase64() + "'/>";
               })},
      {"a fitted text 10 mm high that uses up the large characters",
       [](const QDir& dir) {
         return write(dir, "budget.4SP",
                      ticket("text x=0 y=0 w=40 h=10 text=\"" + kanji(0, 17, 17) +
                             "\"\ntext x=0 y=10 w=40 h=10 text=\"{stop}\"\n"));
       }},
  };
}

// The row named `name`.
inline Hostile hostileTicket(const char* name) {
  for (const Hostile& h : hostileTickets())
    if (QLatin1String(h.name) == QLatin1String(name)) return h;
  return {name, [](const QDir&) { return QString(); }};
}

}  // namespace sorane::test
