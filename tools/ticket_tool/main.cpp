// sorane-ticket: checks a ticket plug-in and draws a ticket with it; the
// program's ticket helper in serve mode.
#include <QGuiApplication>
#include <QTextStream>
#include <cstring>

#include "ticket_check.h"

using namespace sorane;

namespace {

QTextStream& out() {
  static QTextStream s(stdout);
  return s;
}
QTextStream& errors() {
  static QTextStream s(stderr);
  return s;
}

int usage() {
  errors()
      << "使い方:\n"
         "  sorane-ticket check 券.4SP                   整理券プラグインを調べる\n"
         "  sorane-ticket render 券.4SP 券.png [--scale=2] [名前=値 ...]\n"
         "                                               券を描いて PNG にする\n"
         "  sorane-ticket serve                          ソラネの券を描く手伝い(標準入出力で)\n"
         "値の名前: stop date(mm-dd-yyyy) time(hh:mm:ss) route ticket index company(1から)\n";
  return 2;
}

int check(const QString& path) {
  ticket::TicketHelper helper;
  bool ok = false;
  for (const QString& line : tickettool::checkPlugin(path, &ok, helper))
    (ok ? out() : errors()) << line << "\n";
  return ok ? 0 : 1;
}

int render(const QStringList& args) {
  double scale = 1;
  ticket::FieldValues values = tickettool::defaultValues(QDateTime::currentDateTime());
  for (const QString& a : args.mid(2)) {
    QString error;
    if (a.startsWith(QLatin1String("--scale="))) {
      bool ok = false;
      scale = a.mid(8).toDouble(&ok);
      if (!ok || scale < 0.25 || scale > 20) {
        errors() << "--scale は 0.25〜20 です\n";
        return 2;
      }
    } else if (!tickettool::setValue(a, values, error)) {
      errors() << error << "\n";
      return 2;
    }
  }
  ticket::TicketHelper helper;
  QStringList messages;
  const bool ok = tickettool::renderPlugin(args[0], args[1], scale, values, messages, helper);
  for (const QString& m : messages) errors() << m << "\n";
  return ok && messages.isEmpty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  // Only pictures are drawn: no window, no display needed. The helper
  // draws every pixel it is asked for, whatever the program's platform and
  // scale.
  const bool serve = argc == 2 && std::strcmp(argv[1], "serve") == 0;
  if (serve || qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  if (serve) qunsetenv("QT_SCALE_FACTOR");
  QGuiApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  if (serve) return tickettool::serveTickets();
  if (args.size() == 2 && args[0] == QLatin1String("check")) return check(args[1]);
  if (args.size() >= 3 && args[0] == QLatin1String("render")) return render(args.mid(1));
  return usage();
}
