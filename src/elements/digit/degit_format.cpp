#include "degit_format.h"

#include <cmath>

#include "twips.h"

namespace sorane {
namespace {

QString numberText(double d) {
  if (std::isfinite(d) && std::floor(d) == d && std::fabs(d) < 1e15)
    return QString::number(static_cast<long long>(d));
  return QString::number(d, 'g', 15);
}

// A value as the element compares it: a number, or a text that may read as
// a number.
struct Val {
  bool isNumber = false;
  double number = 0;
  QString text;
};

Val classify(const QVariant& v) {
  Val out;
  if (!v.isValid() || v.isNull()) return out;  // empty text
  const int type = v.metaType().id();
  if (type == QMetaType::QString || type == QMetaType::QByteArray || type == QMetaType::QChar) {
    out.text = v.toString();
    const QString t = out.text.trimmed();
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (!t.isEmpty() && ok) {
      out.isNumber = true;
      out.number = d;
    }
    return out;
  }
  bool ok = false;
  const double d = v.toDouble(&ok);
  if (ok) {
    out.isNumber = true;
    out.number = d;
    out.text = numberText(d);
  } else {
    out.text = v.toString();
  }
  return out;
}

}  // namespace

QString degitDisplayText(const QVariant& value, std::int16_t zeroMode, std::int16_t fillZero,
                         std::int16_t shift, std::int16_t keta) {
  Val v = classify(value);
  const bool isZero = v.isNumber && v.number == 0;
  const bool isEmpty = !v.isNumber && v.text.isEmpty();
  const bool isMinusOne = v.isNumber && v.number == -1;
  const Val empty;
  Val zero;
  zero.isNumber = true;
  zero.text = QStringLiteral("0");

  switch (zeroMode) {
    case 0:
      if (isZero || isEmpty) v = empty;
      break;
    case 1:
      if (isZero || isEmpty) v = zero;
      break;
    case 2:
      if (isZero)
        v = empty;
      else if (isMinusOne)
        v = zero;
      break;
    case 3:
      if (isZero || isEmpty || isMinusOne) v = zero;
      break;
    default:
      break;
  }

  QString s = v.text;
  if (v.isNumber && fillZero > 0) {
    const long long n = std::llround(v.number);
    s = QString::number(std::llabs(n)).rightJustified(fillZero, QLatin1Char('0'));
    if (n < 0) s.prepend(QLatin1Char('-'));
  }
  if (shift >= 1) s += QString(shift, QLatin1Char(' '));
  if (keta <= 0) return {};
  return s.right(keta);
}

QSize degitCellSize(std::int16_t degitSize) {
  switch (degitSize) {
    case 1:
      return twipsSize(255, 390);
    case 2:
      return twipsSize(285, 435);
    case 3:
      return twipsSize(165, 225);
    default:
      return twipsSize(195, 300);
  }
}

}  // namespace sorane
