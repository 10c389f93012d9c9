#pragma once

#include <QImage>
#include <QString>

namespace sorane {

// A user's panel picture (BMP, GIF, JPEG or anything Qt reads). Throws
// RuntimeError: 53 when the file is gone, 70 when it cannot be read, 481
// when it is not a picture.
QImage loadPicture(const QString& path);

// The message of a failed backlight switch for a run-time error number.
QString backlightErrorText(int number);

}  // namespace sorane
