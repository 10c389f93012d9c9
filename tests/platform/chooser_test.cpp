#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QColorDialog>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "qt_companion.h"

namespace sorane {
namespace {

TEST(FileDialogFilters, PairsBecomeNameFiltersThatIgnoreCase) {
  const QString nul(QChar(0));
  struct Row {
    QString filter;
    QStringList expected;
  };
  const Row rows[] = {
      {"Waveサウンド(*.wav)" + nul + "*.wav" + nul + "MIDIサウンド(*.mid)" + nul + "*.mid" + nul +
           nul,
       {"Waveサウンド(*.wav) (*.[wW][aA][vV])", "MIDIサウンド(*.mid) (*.[mM][iI][dD])"}},
      {"整理券プラグイン(*.4SP)" + nul + "*.4SP" + nul + nul,
       {"整理券プラグイン(*.4SP) (*.4[sS][pP])"}},
      {"画像" + nul + "*.bmp;*.jpg" + nul + nul, {"画像 (*.[bB][mM][pP] *.[jJ][pP][gG])"}},
      {QString(), {}},
      {"説明だけ" + nul + nul, {}},
  };
  for (const Row& r : rows) EXPECT_EQ(fileDialogNameFilters(r.filter), r.expected);
}

// Runs `step` on the modal dialog of type D once it is open.
template <typename D>
void whenOpen(std::function<void(D*)> step) {
  QTimer::singleShot(0, [step] {
    auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    step(d);
  });
}

// The names the file dialog lists now, once its folder has loaded.
QStringList listed(QFileDialog* d) {
  auto* view = d->findChild<QListView*>(QStringLiteral("listView"));
  QStringList names;
  const QDeadlineTimer deadline(5000);
  while (!deadline.hasExpired()) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    names.clear();
    const QModelIndex root = view->rootIndex();
    for (int r = 0; r < view->model()->rowCount(root); ++r)
      names << view->model()->index(r, 0, root).data().toString();
    if (!names.isEmpty()) break;
  }
  names.sort();
  return names;
}

TEST(FileChooser, MatchesWhateverTheCaseAndOpensWhereTheLastChoiceWas) {
  QTemporaryDir dir;
  for (const char* name : {"CHIME.WAV", "bell.wav", "tune.Mid", "notes.txt"}) {
    QFile f(dir.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  const QString nul(QChar(0));
  const QString filter = "Waveサウンド(*.wav)" + nul + "*.wav" + nul + "MIDIサウンド(*.mid)" + nul +
                         "*.mid" + nul + nul;
  QtCompanion c;
  whenOpen<QFileDialog>([&](QFileDialog* d) {
    EXPECT_EQ(d->windowTitle(), QStringLiteral("サウンドの選択"));
    d->setDirectory(dir.path());
    d->selectFile(dir.filePath("CHIME.WAV"));
    static_cast<QDialog*>(d)->accept();
  });
  EXPECT_EQ(c.Vk3FileDlg(nullptr, 0, filter, QString(), "サウンドの選択"),
            dir.filePath("CHIME.WAV"));

  QStringList wav, mid;
  whenOpen<QFileDialog>([&](QFileDialog* d) {
    EXPECT_EQ(QDir(d->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
    wav = listed(d);
    d->selectNameFilter(d->nameFilters().at(1));
    mid = listed(d);
    d->reject();
  });
  EXPECT_EQ(c.Vk3FileDlg(nullptr, 0, filter, QString(), "サウンドの選択"), QString());
  EXPECT_EQ(wav, (QStringList{"CHIME.WAV", "bell.wav"}));
  EXPECT_EQ(mid, (QStringList{"tune.Mid"}));
}

TEST(FolderChooser, ReturnsTheFolderOrNothing) {
  QTemporaryDir dir;
  QtCompanion c;
  whenOpen<QFileDialog>([&](QFileDialog* d) {
    EXPECT_EQ(d->windowTitle(), QStringLiteral("フォルダーを選択してください"));
    EXPECT_EQ(d->fileMode(), QFileDialog::Directory);
    d->setDirectory(dir.path());
    d->selectFile(dir.path());
    static_cast<QDialog*>(d)->accept();
  });
  EXPECT_EQ(QDir(c.Vk3FolderDlg(nullptr, "フォルダーを選択してください")).canonicalPath(),
            QDir(dir.path()).canonicalPath());
  whenOpen<QFileDialog>([](QFileDialog* d) { d->reject(); });
  EXPECT_EQ(c.Vk3FolderDlg(nullptr, "x"), QString());
}

// Given a path, at a folder it opens beside it, selecting it; at a file,
// in the file's folder.
TEST(FolderChooser, StartsBesideTheGivenPath) {
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkdir("feed"));
  QFile zip(dir.filePath("feed.zip"));
  ASSERT_TRUE(zip.open(QIODevice::WriteOnly));
  zip.close();
  const struct {
    QString initial, directory, selected;
  } rows[] = {
      {dir.filePath("feed"), dir.path(), dir.filePath("feed")},
      {dir.filePath("feed.zip"), dir.path(), dir.path()},
  };
  QtCompanion c;
  for (const auto& r : rows) {
    QString directory, selected;
    whenOpen<QFileDialog>([&](QFileDialog* d) {
      directory = QDir(d->directory()).canonicalPath();
      selected = QDir(d->selectedFiles().value(0)).canonicalPath();
      d->reject();
    });
    EXPECT_EQ(c.Vk3FolderDlg(nullptr, "x", r.initial), QString());
    EXPECT_EQ(directory, QDir(r.directory).canonicalPath()) << r.initial.toStdString();
    EXPECT_EQ(selected, QDir(r.selected).canonicalPath()) << r.initial.toStdString();
  }
}

TEST(ColourChooser, SeedsFromTheButtonAndKeepsCustomColoursBetweenCalls) {
  QtCompanion c;
  CustColorTable cust{};
  cust[0] = 0x01000000;  // not a colour: kept as stored unless the user changes it
  cust[2] = 0x0000FF;
  cust[16] = 0x7FFFFFFF;
  ColorRef colour = 0x80FF40;
  whenOpen<QColorDialog>([](QColorDialog* d) {
    EXPECT_EQ(d->currentColor(), QColor(0x40, 0xFF, 0x80));
    EXPECT_EQ(QColorDialog::customColor(2), QColor(255, 0, 0));
    QColorDialog::setCustomColor(5, QColor(9, 8, 7));
    d->setCurrentColor(QColor(1, 2, 3));
    d->accept();
  });
  EXPECT_EQ(c.Vk3ChooseColor(nullptr, colour, cust), 1);
  EXPECT_EQ(colour, colorRef(1, 2, 3));
  EXPECT_EQ(cust[5], static_cast<std::int32_t>(colorRef(9, 8, 7)));
  EXPECT_EQ(cust[0], 0x01000000);
  EXPECT_EQ(cust[2], 0x0000FF);
  EXPECT_EQ(cust[16], 0x7FFFFFFF);

  // The next call shows them again; a cancel keeps the colour.
  whenOpen<QColorDialog>([](QColorDialog* d) {
    EXPECT_EQ(QColorDialog::customColor(5), QColor(9, 8, 7));
    d->setCurrentColor(QColor(200, 0, 0));
    d->reject();
  });
  EXPECT_EQ(c.Vk3ChooseColor(nullptr, colour, cust), 0);
  EXPECT_EQ(colour, colorRef(1, 2, 3));
}

TEST(DateChooser, FillsYearMonthDayOnOkOnly) {
  QtCompanion c;
  DialogDate date;
  whenOpen<QDialog>([](QDialog* d) {
    auto* calendar = d->findChild<QCalendarWidget*>();
    ASSERT_NE(calendar, nullptr);
    EXPECT_EQ(d->windowTitle(), kDatePickerTitle);
    EXPECT_EQ(calendar->selectedDate(), QDate(2026, 12, 7));  // today on the test clock
    calendar->setSelectedDate(QDate(2009, 1, 5));
    d->accept();
  });
  EXPECT_NE(c.Call_dlg111(nullptr, date), 0);
  EXPECT_EQ(date.year, 2009);
  EXPECT_EQ(date.month, 1);
  EXPECT_EQ(date.day, 5);
  EXPECT_EQ(date.dayOfWeek, 1);  // Monday
  DialogDate untouched;
  whenOpen<QDialog>([](QDialog* d) { d->reject(); });
  EXPECT_EQ(c.Call_dlg111(nullptr, untouched), 0);
  EXPECT_EQ(untouched.year, 0);
}

}  // namespace
}  // namespace sorane
