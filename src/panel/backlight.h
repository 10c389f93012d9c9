#pragma once

#include <QImage>
#include <QString>

namespace sorane {

// Picture files longer than this are refused unread: many times a photo
// of the panel's size.
inline constexpr qint64 kMaxPictureFileBytes = 64 << 20;

// A user's panel picture (BMP, GIF, JPEG or anything Qt reads). Throws
// RuntimeError: 53 when the file is gone, 70 when it cannot be read, 481
// when it is not a picture or is longer than any picture it may use.
QImage loadPicture(const QString& path);

// The message of a failed backlight switch for a run-time error number.
QString backlightErrorText(int number);

}  // namespace sorane
