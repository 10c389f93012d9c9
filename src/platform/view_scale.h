#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace sorane {

// The windows can be shown at 1x, 2x or 3x. Qt takes the scale from
// QT_SCALE_FACTOR when the application object is made, so a new scale
// needs a new start.
inline constexpr int kMinViewScale = 1;
inline constexpr int kMaxViewScale = 3;

// The scale of this run: one window coordinate covers viewScale() screen
// pixels. 1 unless the program set another before making its windows.
int viewScale();
void setViewScale(int scale);

// "1", "2" or "3" -> the scale; anything else -> nothing.
std::optional<int> parseViewScale(const QString& text);

// The value of the last "--name V" or "--name=V" among `arguments` (the
// program first); nothing when the option is not there, an empty text when
// its value is missing.
std::optional<QString> lastOptionValue(const QStringList& arguments, const QString& option);

// "--scale N" or "--scale=N" among `arguments` (the program first, as in
// QCoreApplication::arguments()); the last one counts. `error` is a
// one-line message when a value is missing or not a scale.
struct ScaleArgument {
  std::optional<int> scale;
  QString error;
};
ScaleArgument findScaleArgument(const QStringList& arguments);

// The arguments that start the same program again at `scale`: its own
// arguments without any --scale or --board (view.ini keeps both choices),
// then "--scale N".
QStringList argumentsForScale(const QStringList& arguments, int scale);

// The kept scale: view.ini in the program's configuration folder, beside
// the voice settings.
QString viewSettingsFile();
// 1 when the file is missing or holds no scale.
int loadViewScale(const QString& file);
bool saveViewScale(const QString& file, int scale);

}  // namespace sorane
