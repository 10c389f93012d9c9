#include "e2e_support.h"

#include <xcb/xcb.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cstdlib>
#include <cstring>

namespace e2e {

XServer::XServer(QSize screen) {
  // A display number nobody holds.
  for (int n = 87; n < 150 && display_.isEmpty(); ++n) {
    if (!QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)) &&
        !QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
      display_ = QStringLiteral(":%1").arg(n);
  }
  if (display_.isEmpty()) return;
  xvfb_.setProgram(QStringLiteral("Xvfb"));
  const QString size = QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height());
  xvfb_.setArguments({display_, "-screen", "0", size, "-nolisten", "tcp", "-noreset"});
  xvfb_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  xvfb_.start();
  if (!xvfb_.waitForStarted(5000)) return;
  const QString socket = QStringLiteral("/tmp/.X11-unix/X") + display_.mid(1);
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 10000) {
    if (QFile::exists(socket) && run(*this, "xdpyinfo", {}, 3000)) {
      ok_ = true;
      return;
    }
    QThread::msleep(50);
  }
}

XServer::~XServer() {
  xvfb_.terminate();
  if (!xvfb_.waitForFinished(3000)) xvfb_.kill();
  xvfb_.waitForFinished(3000);
}

QProcessEnvironment XServer::environment() const {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("DISPLAY"), display_);
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), config_.path());
  env.remove(QStringLiteral("QT_QPA_PLATFORM"));
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
  return env;
}

std::optional<QString> run(const XServer& x, const QString& program, const QStringList& args,
                           int timeoutMs) {
  QProcess p;
  p.setProcessEnvironment(x.environment());
  p.start(program, args);
  if (!p.waitForFinished(timeoutMs)) {
    p.kill();
    p.waitForFinished(1000);
    return std::nullopt;
  }
  if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return std::nullopt;
  return QString::fromUtf8(p.readAllStandardOutput());
}

Program318::Program318(const XServer& x, bool demoSettings, const QProcessEnvironment& extra,
                       const QStringList& arguments, const QString& demoFolder) {
  const QString target = QDir(dir_.path()).filePath(QStringLiteral("318"));
  if (!QFile::copy(QStringLiteral(SORANE_PROGRAM), target)) return;
  // Its helpers beside it, as installed: tickets, feeds.
  if (!QFile::copy(QStringLiteral(SORANE_TICKET_TOOL),
                   QDir(dir_.path()).filePath(QStringLiteral("sorane-ticket"))) ||
      !QFile::copy(QStringLiteral(SORANE_ROUTE_TOOL),
                   QDir(dir_.path()).filePath(QStringLiteral("sorane-route"))))
    return;
  if (demoSettings &&
      !run(x, QStringLiteral(SORANE_DEMO_SETTINGS), {target + QStringLiteral(".in4"), demoFolder}))
    return;
  QProcessEnvironment env = x.environment();
  for (const QString& key : extra.keys()) env.insert(key, extra.value(key));
  process_.setProcessEnvironment(env);
  process_.setWorkingDirectory(dir_.path());
  process_.setProcessChannelMode(QProcess::ForwardedChannels);
  process_.start(target, arguments);
  started_ = process_.waitForStarted(5000);
}

Program318::~Program318() {
  if (process_.state() != QProcess::NotRunning) {
    process_.kill();
    process_.waitForFinished(3000);
  }
}

std::optional<QString> waitForWindow(const XServer& x, const QString& pattern, int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < timeoutMs) {
    if (auto out = run(x, "xdotool", {"search", "--onlyvisible", "--name", pattern}, 3000)) {
      const QString id = out->section(QLatin1Char('\n'), 0, 0).trimmed();
      if (!id.isEmpty()) return id;
    }
    QThread::msleep(50);
  }
  return std::nullopt;
}

bool waitForWindowGone(const XServer& x, const QString& pattern, int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < timeoutMs) {
    const auto out = run(x, "xdotool", {"search", "--onlyvisible", "--name", pattern}, 3000);
    if (!out || out->trimmed().isEmpty()) return true;  // xdotool fails when none matches
    QThread::msleep(50);
  }
  return false;
}

bool closeWindow(const XServer& x, const QString& window) {
  xcb_connection_t* c = xcb_connect(x.display().toLatin1().constData(), nullptr);
  if (xcb_connection_has_error(c)) {
    xcb_disconnect(c);
    return false;
  }
  auto atom = [c](const char* name) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(r);
    return a;
  };
  xcb_client_message_event_t e{};
  e.response_type = XCB_CLIENT_MESSAGE;
  e.format = 32;
  e.window = window.toUInt();
  e.type = atom("WM_PROTOCOLS");
  e.data.data32[0] = atom("WM_DELETE_WINDOW");
  e.data.data32[1] = XCB_CURRENT_TIME;
  // Checked: the server has handled the request before the connection
  // closes, which a larger, busier server otherwise sometimes drops.
  xcb_generic_error_t* error =
      xcb_request_check(c, xcb_send_event_checked(c, 0, e.window, XCB_EVENT_MASK_NO_EVENT,
                                                  reinterpret_cast<const char*>(&e)));
  const bool ok = error == nullptr;
  std::free(error);
  xcb_disconnect(c);
  return ok;
}

std::optional<QRect> windowGeometry(const XServer& x, const QString& window) {
  const auto out = run(x, "xdotool", {"getwindowgeometry", "--shell", window});
  if (!out) return std::nullopt;
  QRect r;
  for (const QString& line : out->split(QLatin1Char('\n'))) {
    const QString key = line.section(QLatin1Char('='), 0, 0);
    const int v = line.section(QLatin1Char('='), 1).toInt();
    if (key == "X") r.moveLeft(v);
    if (key == "Y") r.moveTop(v);
    if (key == "WIDTH") r.setWidth(v);
    if (key == "HEIGHT") r.setHeight(v);
  }
  return r;
}

QImage screenshot(const XServer& x, const QString& saveAs) {
  QTemporaryDir dir;
  const QString file = saveAs.isEmpty() ? QDir(dir.path()).filePath("shot.png") : saveAs;
  if (!run(x, "import", {"-window", "root", file}, 20000)) return {};
  return QImage(file);
}

QString shotPath(const QString& name) {
  QDir().mkpath(QStringLiteral(SORANE_SHOT_DIR));
  return QDir(QStringLiteral(SORANE_SHOT_DIR)).filePath(name);
}

bool near(QColor a, QColor b, int tolerance) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

int countNear(const QImage& image, const QRect& area, QColor color, int tolerance) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      n += near(image.pixelColor(x, y), color, tolerance);
  return n;
}

}  // namespace e2e
