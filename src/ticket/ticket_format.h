#pragma once

#include <QByteArray>
#include <QColor>
#include <QLineF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "ticket_template.h"

namespace sorane::ticket {

// The ".4SP" ticket plug-in: a UTF-8 text that describes a ticket. Lengths
// are in millimetres. docs/file-formats.md describes the format.
inline constexpr int kFormatVersion = 1;
inline constexpr qint64 kMaxFileBytes = 256 * 1024;
inline constexpr int kMaxItems = 256;
inline constexpr int kMaxBarcodes = 8;
inline constexpr int kMaxCompanies = 32;
inline constexpr int kMaxPictures = 16;
inline constexpr double kMinTicketMm = 10;
inline constexpr double kMaxTicketMm = 150;
inline constexpr int kMaxRoute = 99999;
inline constexpr int kMaxStop = 32767;
// Bounds on the work of drawing. A text, as written and as drawn, and all the
// texts of a ticket together, in characters; the area the items of one
// company variant paint together, in tickets.
inline constexpr int kMaxTextChars = 200;
inline constexpr int kMaxTicketChars = 1000;
inline constexpr int kMaxPaintedTickets = 4;
// Qt draws a glyph from its cache while it is under 64 pixels on the device,
// larger ones as outlines, a hundred times slower. The largest character
// stays under that at the panel's size (1x); characters from kLargeCharMm up
// pass it at 3x, and a ticket draws at most kMaxLargeCharArea mm² of them
// (each its size squared): the rest of their text is cut.
inline constexpr double kMaxCharMm = 16;
inline constexpr double kLargeCharMm = 5.5;
inline constexpr double kMaxLargeCharArea = 1600;

// Where a problem is: 1-based line and column (characters); 0 for the file.
struct SourcePos {
  int line = 0;
  int column = 0;
  friend bool operator==(const SourcePos&, const SourcePos&) = default;
};

struct Problem {
  SourcePos pos;
  QString message;
  bool warning = false;  // the file is usable all the same
};

enum class ItemKind { Text, Line, Frame, Box, Picture, Barcode };
enum class Symbology { Nw7, Itf, Code128, Qr };
// In this order: the renderer places by the position in the enum.
enum class VAlign { Top, Middle, Bottom };
enum class HAlign { Left, Center, Right };

struct Item {
  ItemKind kind = ItemKind::Text;
  SourcePos pos;    // the item's keyword
  int company = 0;  // 0: every variant; n: only variant n (1-based)
  QRectF box;       // text, frame, box, picture, barcode
  QLineF line;      // line
  QColor color = Qt::black;
  double pen = 0.3;  // line and frame width
  // text
  Template text;
  QString face;
  double size = 0;  // character size; 0: fitted to the box
  int weight = 400;
  HAlign align = HAlign::Left;
  VAlign valign = VAlign::Middle;
  bool vertical = false;
  // picture
  QString file;
  SourcePos filePos;
  bool stretch = false;
  // barcode
  Symbology symbology = Symbology::Itf;
  Template data;
  bool humanReadable = false;
};

struct Description {
  int version = kFormatVersion;
  QSizeF size;  // the ticket, mm
  QStringList notes;
  QStringList companies;
  // Declared for barcodes.
  bool barcodeInfo = false;
  int highestRoute = 0;
  int routeMethod = 0;  // 1: serial numbering; 2: route number and direction
  int firstStop = 0;
  int lastStop = 0;
  std::vector<Item> items;

  QString notesText() const { return notes.join(u'\n'); }
};

struct ParseResult {
  std::optional<Description> description;
  std::vector<Problem> problems;
};

// Reads a plug-in from its bytes. Pictures are only named here; resolving
// them against the plug-in's folder is a separate step (ticket_pictures.h).
ParseResult parseTicket(const QByteArray& bytes);

// The values barcodes are tried with when a plug-in is read, and tickets
// drawn with when it is checked.
FieldValues sampleValues(const Description& d);

// The fourteen capability fields the plug-in reports, derived from its items.
std::array<std::int32_t, 14> capabilityFields(const Description& d);

// The area an item paints, in mm²: its box, a frame's outline or a line's stroke.
double paintedArea(const Item& item);

// Millimetres to twips (1 inch = 1440 twips), rounded.
std::int32_t mmToTwips(double mm);

}  // namespace sorane::ticket
