// hostile_tickets FOLDER: writes the hostile ticket plug-ins of the tests,
// each in a folder of its own, and lists "folder<TAB>plug-in<TAB>name".
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include "hostile_tickets.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2) return 2;
  QTextStream out(stdout);
  int n = 0;
  for (const sorane::test::Hostile& h : sorane::test::hostileTickets()) {
    QDir dir(QString::fromLocal8Bit(argv[1]));
    const QString sub = QString::number(++n);
    if (!dir.mkpath(sub) || !dir.cd(sub)) return 1;
    const QString plugin = h.make(dir);
    if (plugin.isEmpty()) return 1;
    out << dir.path() << '\t' << QFileInfo(plugin).fileName() << '\t' << h.name << '\n';
  }
  return 0;
}
