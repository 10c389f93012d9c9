#pragma once

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <optional>

namespace e2e {

// A private X server for one test, with its own runtime and configuration
// folders (the program keeps its view scale and voice settings there).
class XServer {
 public:
  explicit XServer(QSize screen = {1280, 800});
  ~XServer();
  bool ok() const { return ok_; }
  QString display() const { return display_; }
  // $XDG_CONFIG_HOME of the programs started here.
  QString configHome() const { return config_.path(); }
  QProcessEnvironment environment() const;

 private:
  QProcess xvfb_;
  QTemporaryDir runtime_;
  QTemporaryDir config_;
  QString display_;
  bool ok_ = false;
};

// Runs a command on the server's display; returns its standard output, or
// nothing when it failed or took longer than `timeoutMs`.
std::optional<QString> run(const XServer& x, const QString& program, const QStringList& args,
                           int timeoutMs = 15000);

// The real program copied into a folder of its own (its settings file lives
// beside it, and its ticket helper) and started there.
class Program318 {
 public:
  // With `demoSettings`, the program starts with the demo route's settings
  // file beside it, as tools/run places it, its folders `demoFolder` (by
  // default the demo data itself).
  explicit Program318(const XServer& x, bool demoSettings = false,
                      const QProcessEnvironment& extra = {}, const QStringList& arguments = {},
                      const QString& demoFolder = QStringLiteral(SORANE_DEMO_DIR));
  ~Program318();
  bool started() const { return started_; }
  QString folder() const { return dir_.path(); }
  QProcess& process() { return process_; }

 private:
  QTemporaryDir dir_;
  QProcess process_;
  bool started_ = false;
};

// The first window whose name matches `pattern`, waiting up to `timeoutMs`.
std::optional<QString> waitForWindow(const XServer& x, const QString& pattern,
                                     int timeoutMs = 15000);
// Waits up to `timeoutMs` until no window's name matches `pattern`.
bool waitForWindowGone(const XServer& x, const QString& pattern, int timeoutMs = 15000);
// Asks a window to close, as a window manager's close button does.
bool closeWindow(const XServer& x, const QString& window);
// Window geometry in root coordinates.
std::optional<QRect> windowGeometry(const XServer& x, const QString& window);
// The whole screen.
QImage screenshot(const XServer& x, const QString& saveAs = {});

// Where a named screenshot is kept for a person to look at.
QString shotPath(const QString& name);
// Colours within `tolerance` on every channel.
bool near(QColor a, QColor b, int tolerance);
// Pixels of `area` near `color`.
int countNear(const QImage& image, const QRect& area, QColor color, int tolerance);

}  // namespace e2e
