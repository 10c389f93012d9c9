#pragma once

// Readable failure output for Qt values in every test.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QByteArray& b, std::ostream* os) {
  *os << b.toHex(' ').toStdString();
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
  *os << '[' << l.join(QStringLiteral("|")).toStdString() << ']';
}
inline void PrintTo(const QVariant& v, std::ostream* os) {
  *os << v.typeName() << '(' << v.toString().toStdString() << ')';
}
