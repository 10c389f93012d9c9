// Shows the LCD board on the demo route, for looking at it by eye: as a
// window that runs on the real clock, or as one frame written to a PNG.
//
//   lcd_preview [--png FILE [--scale N] [--at MS]] [--scheme black|white]
//               [--row N] [--stops N] [--ic] [--japanese-only] [--lamp] [--request]
//               [--clear] [--night] [--backlight off|on1|on2]
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

#include "lcd_board.h"
#include "lcd_demo_route.h"
#include "ui.h"

int main(int argc, char** argv) {
  using namespace sorane;
  QApplication app(argc, argv);
  QCommandLineParser args;
  const QCommandLineOption png(QStringLiteral("png"), QStringLiteral("Write one frame."),
                               QStringLiteral("file"));
  const QCommandLineOption scale(QStringLiteral("scale"), QStringLiteral("Frame scale."),
                                 QStringLiteral("n"), QStringLiteral("1"));
  const QCommandLineOption at(QStringLiteral("at"), QStringLiteral("Milliseconds into the cycle."),
                              QStringLiteral("ms"), QStringLiteral("0"));
  const QCommandLineOption scheme(QStringLiteral("scheme"), QStringLiteral("black or white."),
                                  QStringLiteral("name"), QStringLiteral("black"));
  const QCommandLineOption row(QStringLiteral("row"), QStringLiteral("Row shown."),
                               QStringLiteral("n"), QStringLiteral("10"));
  const QCommandLineOption backlight(QStringLiteral("backlight"), QStringLiteral("off, on1, on2."),
                                     QStringLiteral("state"), QStringLiteral("on1"));
  const QCommandLineOption stops(QStringLiteral("stops"),
                                 QStringLiteral("Stops of the route: the demo's first, or more."),
                                 QStringLiteral("n"), QStringLiteral("0"));
  const QCommandLineOption ic(QStringLiteral("ic"), QStringLiteral("IC fares."));
  const QCommandLineOption japaneseOnly(QStringLiteral("japanese-only"),
                                        QStringLiteral("No stop file names."));
  const QCommandLineOption lamp(QStringLiteral("lamp"), QStringLiteral("The lamp test."));
  const QCommandLineOption request(QStringLiteral("request"), QStringLiteral("Stop request lit."));
  const QCommandLineOption clear(QStringLiteral("clear"), QStringLiteral("Display clear."));
  const QCommandLineOption night(QStringLiteral("night"), QStringLiteral("Night fare."));
  args.addOptions({png, scale, at, scheme, row, stops, backlight, ic, japaneseOnly, lamp, request,
                   clear, night});
  args.addHelpOption();
  args.process(app);

  std::vector<RouteRow> rows = bench::demoRows();
  if (rows.empty()) {
    std::fputs("lcd_preview: cannot read the demo route\n", stderr);
    return 1;
  }
  bench::resizeRoute(rows, args.value(stops).toInt());
  BoardModel model;
  model.setRoute(rows, bench::demoExtras(rows, !args.isSet(japaneseOnly), args.isSet(ic)));
  model.setNightFare(args.isSet(night));
  const QString light = args.value(backlight);
  model.setBacklight(light == QLatin1String("off")   ? BoardModel::Backlight::Off
                     : light == QLatin1String("on2") ? BoardModel::Backlight::On2
                                                     : BoardModel::Backlight::On1);
  bench::showDemoRow(model, rows,
                     std::clamp(args.value(row).toInt(), 1, static_cast<int>(rows.size())));
  model.setLampTest(args.isSet(lamp));
  model.setStopRequest(args.isSet(request));
  model.setCleared(args.isSet(clear));
  const lcd::Scheme chosen =
      args.value(scheme) == QLatin1String("white") ? lcd::Scheme::White : lcd::Scheme::Black;

  if (args.isSet(png)) {
    const QImage frame =
        lcd::renderFrame(model, model.announcedSince().addMSecs(args.value(at).toLongLong()),
                         std::clamp(args.value(scale).toInt(), 1, 3), chosen);
    return frame.save(args.value(png)) ? 0 : 1;
  }
  LcdBoard board(model);
  board.setWindowTitle(QStringLiteral("lcd_preview"));
  board.setScheme(chosen);
  board.move(0, 0);
  board.show();
  return app.exec();
}
