#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>

#include "colorref.h"

class QObject;
class QWidget;

namespace sorane {

// Year, month, day of week, day, hour, minute, second, millisecond.
struct DialogDate {
  std::int16_t year = 0, month = 0, dayOfWeek = 0, day = 0;
  std::int16_t hour = 0, minute = 0, second = 0, millisecond = 0;
};

// A ticket plug-in's capability record: fourteen 32-bit fields.
struct PlgInfo {
  std::array<std::int32_t, 14> field{};
  // Field n as numbered 1..14.
  std::int32_t& operator()(int n) { return field[static_cast<std::size_t>(n - 1)]; }
  std::int32_t operator()(int n) const { return field[static_cast<std::size_t>(n - 1)]; }
};

using CustColorTable = std::array<std::int32_t, 17>;

// A ticket to draw: the plug-in, the picture's size in pixels (it stands for
// the device context) and the seven values, in the order they are passed.
struct SeirikenOrder {
  QString path;
  QSize pixels;
  QString stopName, date, time;
  std::int32_t route = 0;
  std::int16_t ticket = 0, stopIndex = 0, company = -1;
};

// What came of it: the picture, or why there is none, for the user (a limit
// broken, or the file's first problem); `failure` is empty when it was drawn.
struct SeirikenPicture {
  QImage image;
  QString failure;
};
using SeirikenDone = std::function<void(const SeirikenPicture&)>;

// The companion library: modal dialogs, the OS name, Shift-JIS byte-string
// helpers and the ticket plug-in bridge. The program uses QtCompanion; tests
// install fakes. Owner windows are the widgets the dialogs belong to.
class Companion {
 public:
  virtual ~Companion() = default;

  // Digit-element options. Returns 1 when confirmed; the three values come
  // back through the references (unchanged when cancelled).
  virtual std::int32_t Call_dlg100(QWidget* owner, std::int16_t keta, std::int16_t& zeroMode,
                                   std::int16_t& shift, std::int16_t& fillZero) = 0;
  // The About box; returns when it is closed.
  virtual void Call_dlg110(QWidget* owner, std::int32_t kind, const QString& text);
  // Date picker; non-zero when a date was chosen into `date`.
  virtual std::int32_t Call_dlg111(QWidget* owner, DialogDate& date);
  // File chooser. `filter` is description, NUL, pattern, NUL, ..., NUL.
  // Returns the chosen path, or an empty text when cancelled. With
  // kFileDlgSave in `flags` it asks for a file to write: it may not exist
  // yet, an existing one is replaced only after a question, and a name
  // without an ending gets the first pattern's.
  static constexpr std::int32_t kFileDlgSave = 0x2;
  virtual QString Vk3FileDlg(QWidget* owner, std::int32_t flags, const QString& filter,
                             const QString& initialPath, const QString& title);
  // Folder chooser; an empty text when cancelled. Given `initialPath`, it
  // starts beside it: at a folder, selecting it; at a file, in its folder.
  virtual QString Vk3FolderDlg(QWidget* owner, const QString& title,
                               const QString& initialPath = QString());
  // Colour chooser; non-zero when a colour was chosen into `colour`.
  virtual std::int32_t Vk3ChooseColor(QWidget* owner, ColorRef& colour, CustColorTable& custColors);
  // The operating system's name.
  virtual QString GetOsInfo();

  // Byte-string helpers over NUL-terminated Shift-JIS strings.
  static std::int32_t LenB_ASCII(const QByteArray& sjis);
  // `count` bytes from byte `start` (1-based); shorter at the end of the text.
  static QByteArray MidB_ASCII(const QByteArray& sjis, std::int32_t start, std::int32_t count);

  // Ticket plug-ins (".4SP" files read by src/ticket). Non-zero when `path`
  // is a usable plug-in and `info` has been filled; 0 leaves `info` alone.
  virtual std::int32_t VK4_GetPlgInfo(const QString& path, PlgInfo& info);
  // Without window handles the notes and the company names are returned
  // and the callers fill their boxes; both are empty for an unusable file.
  virtual QString VK4_SetPlgComment(const QString& path);
  virtual QStringList VK4_SetCorpAddList(const QString& path);
  // Draws the ticket in the ticket helper, a process of its own under
  // limits, and returns at once. `done` is called later on this thread,
  // unless `receiver` is gone by then. An order waiting for the helper is
  // replaced by a newer one: its `done` is never called.
  virtual void VK4_DrawSeiriken(const SeirikenOrder& order, QObject* receiver, SeirikenDone done);
};

// The companion in use; installCompanion(nullptr) puts the Qt one back.
Companion& companion();
Companion* installCompanion(Companion* companion);  // returns the previous one

}  // namespace sorane
