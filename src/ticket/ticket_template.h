#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace sorane::ticket {

// The values a ticket is drawn with, as the system passes them.
struct FieldValues {
  QString stop;               // the stop's name
  QString date;               // "mm-dd-yyyy" (or the fixed "yyyy/mm/dd")
  QString time;               // "hh:mm:ss"
  std::int32_t route = 0;     // route number
  std::int32_t ticket = 0;    // the stop's ticket number
  std::int32_t index = 0;     // the stop's row
  std::int32_t company = -1;  // list position of the company variant, -1 for none
};

enum class Field { Stop, Date, Time, Route, Ticket, Index, Company };

// One "{name:format|wide}" of a template.
struct Placeholder {
  Field field = Field::Stop;
  int width = 0;         // numbers: minimum digits
  bool zeroPad = false;  // numbers: pad with 0 rather than spaces
  QString pattern;       // date and time: the pattern, empty for the text as passed
  bool wide = false;     // full-width characters
};

struct Piece {
  QString literal;
  std::optional<Placeholder> field;
};

struct Template {
  std::vector<Piece> pieces;
  bool uses(Field f) const;
  // The placeholders of field `f`, in order.
  std::vector<Placeholder> placeholders(Field f) const;
};

struct TemplateError {
  qsizetype at = 0;  // index into the template text
  QString message;
};

// Parses a template; on failure `error` says where and why.
std::optional<Template> parseTemplate(const QString& text, TemplateError& error);

// The template filled in. `companies` are the plug-in's company names; the
// variant passed in `values.company` picks one (the first when out of range).
QString formatTemplate(const Template& t, const FieldValues& values, const QStringList& companies);

// Helpers shared with the tests.
QString toFullWidth(const QString& text);
QString formatNumber(std::int64_t n, int width, bool zeroPad);
// Japanese era name and year of a date ("令和", 6); empty before Meiji.
struct Era {
  QString name;
  QString letter;
  int year = 0;
};
Era eraOf(int year, int month, int day);

}  // namespace sorane::ticket
