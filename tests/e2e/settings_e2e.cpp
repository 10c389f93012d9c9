#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QThread>

#include "e2e_support.h"
#include "settings_file.h"

namespace {

using e2e::countNear;
using e2e::shotPath;

const QRect kStrip(34, 18, 35, 192);
const QColor kYellow(255, 255, 0);
const QColor kChosen(0, 255, 128);

// The settings dialog "オプション" driven as a user would, with the real
// folder and colour dialogs.
class SettingsE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    ASSERT_TRUE(QDir().mkpath(bin.filePath("bin")));
    // Stands in for the desktop's opener and notes what it was asked.
    QFile opener(bin.filePath("bin/xdg-open"));
    ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
    opener.write(("#!/bin/sh\nprintf '%s' \"$1\" > " + bin.filePath("opened") + "\n").toUtf8());
    opener.close();
    opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env;
    env.insert("PATH", bin.filePath("bin") + ":" + qEnvironmentVariable("PATH"));
    program = std::make_unique<e2e::Program318>(x, true, env);
    ASSERT_TRUE(program->started());
    const auto panelId = e2e::waitForWindow(x, "^集中操作盤$");
    ASSERT_TRUE(panelId && e2e::waitForWindow(x, "^ソラネ - 型番:318$"));
    panelWindow = *panelId;
    panel = *e2e::windowGeometry(x, panelWindow);
    QThread::msleep(400);
  }
  void clickAt(QPoint p) {
    ASSERT_TRUE(e2e::run(
        x, "xdotool", {"mousemove", QString::number(p.x()), QString::number(p.y()), "click", "1"}));
    QThread::msleep(150);
  }
  // The centre of a control given in twips inside a page of the dialog.
  void clickOnPage(int left, int top, int width, int height) {
    clickAt(dialog.topLeft() +
            QPoint((1455 + left + width / 2) / 15, (75 + top + height / 2) / 15));
  }
  void keys(const QStringList& k) {
    QStringList args{"key", "--delay", "40"};
    ASSERT_TRUE(e2e::run(x, "xdotool", args + k));
    QThread::msleep(150);
  }
  void type(const QString& text) {
    ASSERT_TRUE(e2e::run(x, "xdotool", {"type", "--delay", "30", text}));
  }
  // 系統 1 区間 1 リセット on the keypad, and past the lamp test.
  void setRouteOneSectionOne() {
    const int cols[3] = {22, 54, 86}, rows[4] = {38, 65, 93, 121};
    for (const QPoint key : {QPoint(1, 3), QPoint(0, 2), QPoint(2, 3), QPoint(0, 2)})
      clickAt(panel.topLeft() + QPoint(2 + cols[key.x()] + 15, -4 + rows[key.y()] + 13));
    clickAt(panel.topLeft() + QPoint(2 + 22 + 46, -4 + 150 + 10));  // リセット
    QThread::msleep(3800);
  }
  void openDialog() {
    clickAt(panel.topLeft() + QPoint(230 + 28, 150 + 10));  // 設定...
    const auto id = e2e::waitForWindow(x, "^オプション$");
    ASSERT_TRUE(id);
    dialog = *e2e::windowGeometry(x, *id);
  }
  // Opens a chooser with a click and waits for its window.
  void openChooser(std::function<void()> click, const QString& title) {
    click();
    ASSERT_TRUE(e2e::waitForWindow(x, title, 5000)) << title.toStdString();
    QThread::msleep(300);
  }

  e2e::XServer x;
  QTemporaryDir bin;
  std::unique_ptr<e2e::Program318> program;
  QString panelWindow;
  QRect panel, dialog;
};

TEST_F(SettingsE2e, FolderAndColourChosenInTheRealDialogsCancelsChangeNothing) {
  setRouteOneSectionOne();  // a stop name on the board
  EXPECT_GT(countNear(e2e::screenshot(x), kStrip, kYellow, 10), 100);

  const QString fares = QDir(program->folder()).filePath("運賃データ");
  const QString other = QDir(program->folder()).filePath("other");
  ASSERT_TRUE(QDir().mkpath(fares) && QDir().mkpath(other));
  openDialog();
  const QString folderTitle = "^フォルダーを選択してください$";
  openChooser([&] { clickOnPage(7140, 780, 735, 360); }, folderTitle);  // Command3(0)
  type(fares + "/");  // the empty folder's own contents: no completion to take the Return
  keys({"Return"});
  ASSERT_TRUE(e2e::waitForWindowGone(x, folderTitle, 5000));
  openChooser([&] { clickOnPage(7140, 780, 735, 360); }, folderTitle);
  type(other + "/");
  keys({"Escape"});  // cancelled: the folder stays
  ASSERT_TRUE(e2e::waitForWindowGone(x, folderTitle, 5000));
  e2e::screenshot(x, shotPath("settings-folder-chosen.png"));

  clickOnPage(495, 1200, 4425, 390);  // Command10(0): the folder in the file manager
  QThread::msleep(800);
  QFile opened(bin.filePath("opened"));
  ASSERT_TRUE(opened.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(opened.readAll()), fares);

  clickAt(dialog.topLeft() + QPoint((90 + 625) / 15, (2580 + 416) / 15));  // 停名の設定
  const QString colourTitle = "^色を選択$";
  openChooser([&] { clickOnPage(3135, 330, 1275, 300); }, colourTitle);  // Command9(1)
  keys({"alt+h", "ctrl+a"});
  type("#00ff80");
  keys({"Return"});
  ASSERT_TRUE(e2e::waitForWindowGone(x, colourTitle, 5000));
  openChooser([&] { clickOnPage(3135, 330, 1275, 300); }, colourTitle);
  keys({"alt+h", "ctrl+a"});
  type("#ff0000");
  keys({"Escape"});  // cancelled: the colour stays
  ASSERT_TRUE(e2e::waitForWindowGone(x, colourTitle, 5000));
  e2e::screenshot(x, shotPath("settings-colour-chosen.png"));

  clickAt(dialog.topLeft() + QPoint((7995 + 690) / 15, (5145 + 187) / 15));  // OK
  ASSERT_TRUE(e2e::waitForWindowGone(x, "^オプション$", 5000));
  QThread::msleep(400);
  const QImage board = e2e::screenshot(x, shotPath("settings-recoloured.png"));
  EXPECT_GT(countNear(board, kStrip, kChosen, 10), 100);
  EXPECT_EQ(countNear(board, kStrip, kYellow, 10), 0);

  // Quit with Yes: the choices are in the settings file.
  ASSERT_TRUE(e2e::closeWindow(x, panelWindow));
  ASSERT_TRUE(e2e::waitForWindow(x, "^ソラネの終了確認$", 5000));
  QThread::msleep(300);
  keys({"Return"});
  ASSERT_TRUE(program->process().waitForFinished(10000));
  QFile in4(QDir(program->folder()).filePath("318.in4"));
  ASSERT_TRUE(in4.open(QIODevice::ReadOnly));
  const sorane::SettingsRecord saved = sorane::decodeSettings(in4.readAll());
  EXPECT_EQ(saved.folderInfo.FareDataDir, fares);
  EXPECT_EQ(saved.chimeiInfo.ChimeiForeColor, 0x80FF00);
}

// The ticket preview as the README tells it: the demo settings have it
// ticked; choose the other sample plug-in, widen the panel, set a route,
// step, copy.
TEST_F(SettingsE2e, TicketPreviewFromChoosingAPluginToTheClipboard) {
  openDialog();
  clickAt(dialog.topLeft() + QPoint((90 + 625) / 15, (4260 + 416) / 15));  // 整理券プレビュー
  const QString title = "^プラグインの選択$";
  openChooser([&] { clickOnPage(150 + 6945, 540 + 495, 360, 315); }, title);  // Command1
  type(QStringLiteral(SORANE_DEMO_DIR "/seiriken_barcode.4SP"));
  keys({"Return"});  // the first may only take the completion offered
  if (!e2e::waitForWindowGone(x, title, 1500)) keys({"Return"});
  ASSERT_TRUE(e2e::waitForWindowGone(x, title, 5000));
  e2e::screenshot(x, shotPath("preview-plugin-chosen.png"));
  clickAt(dialog.topLeft() + QPoint((7995 + 690) / 15, (5145 + 187) / 15));  // OK
  ASSERT_TRUE(e2e::waitForWindowGone(x, "^オプション$", 5000));

  clickAt(panel.topLeft() + QPoint(329 + 11, 3 + 10));  // >>
  QThread::msleep(300);
  panel = *e2e::windowGeometry(x, panelWindow);
  EXPECT_EQ(panel.width(), 594);
  EXPECT_LE(panel.right(), 1279) << "the preview column left the screen";
  setRouteOneSectionOne();
  const QRect ticket(panel.x() + 361, panel.y() + 26, 219, 117);
  const QImage first = e2e::screenshot(x, shotPath("preview-first-stop.png"));
  EXPECT_GT(countNear(first, ticket, QColor(0x1b, 0x6f, 0xb5), 8), 500);  // the company band
  EXPECT_GT(countNear(first, ticket, Qt::black, 60), 1500);               // number, codes
  clickAt(panel.topLeft() + QPoint(182 + 23, 33 + 25));                   // データ送り
  QThread::msleep(600);
  const QImage second = e2e::screenshot(x, shotPath("preview-second-stop.png"));
  EXPECT_NE(first.copy(ticket), second.copy(ticket));

  // Right button, then コピー(C): the ticket is on the clipboard as a picture.
  ASSERT_TRUE(e2e::run(x, "xdotool",
                       {"mousemove", QString::number(ticket.center().x()),
                        QString::number(ticket.center().y()), "click", "3"}));
  QThread::msleep(400);
  keys({"c"});
  QThread::msleep(400);
  const auto targets = e2e::run(x, "xclip", {"-selection", "clipboard", "-t", "TARGETS", "-o"});
  ASSERT_TRUE(targets);
  EXPECT_TRUE(targets->contains("image/png")) << targets->toStdString();
  QProcess xclip;
  xclip.setProcessEnvironment(x.environment());
  xclip.start("xclip", {"-selection", "clipboard", "-t", "image/png", "-o"});
  ASSERT_TRUE(xclip.waitForFinished(10000));
  const QImage copied = QImage::fromData(xclip.readAllStandardOutput(), "PNG");
  ASSERT_EQ(copied.size(), QSize(219, 117));
  int differ = 0;  // against the screen, pixel by pixel
  for (int y = 0; y < copied.height(); ++y)
    for (int x2 = 0; x2 < copied.width(); ++x2)
      differ += copied.pixel(x2, y) != second.pixel(ticket.x() + x2, ticket.y() + y);
  EXPECT_EQ(differ, 0);
}

}  // namespace
