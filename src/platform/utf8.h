#pragma once

#include <QByteArray>

namespace sorane::utf8 {

// True when `bytes` are UTF-8 by the letter: no overlong forms, no
// surrogates, nothing past U+10FFFF, no sequence cut short.
bool isValid(const QByteArray& bytes);

// True when a byte above 0x7F is present.
bool hasNonAscii(const QByteArray& bytes);

}  // namespace sorane::utf8
