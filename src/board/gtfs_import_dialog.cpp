#include "gtfs_import_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "companion.h"
#include "frm_option.h"
#include "program.h"
#include "ui.h"

namespace sorane {

const QString GtfsImportDialog::kMenuText = QStringLiteral("GTFSから路線を作る...");

namespace {

const QString kTitle = QStringLiteral("GTFSから路線を作る");
const QString kFeedCaption = QStringLiteral("GTFS-JP のデータ(ZIPファイルかフォルダー)：");
const QString kZipButton = QStringLiteral("ZIPファイル...");
const QString kFolderButton = QStringLiteral("フォルダー...");
const QString kZipFilter =
    QStringLiteral("GTFSデータ(*.zip)") + QChar(0) + QStringLiteral("*.zip") + QChar(0) + QChar(0);
const QString kZipChooser = QStringLiteral("GTFSデータ(ZIPファイル)の選択");
const QString kFolderChooser = QStringLiteral("GTFSデータのフォルダーの選択");
const QString kPick = QStringLiteral("路線を作る GTFS-JP のデータを選んでください");
const QString kReading = QStringLiteral("読み込んでいます...");
const QString kChoose = QStringLiteral("路線と方向を選んでください(%1 件)");
const QString kUnreadable = QStringLiteral("このデータからは路線を作れません");
const QStringList kColumns = {QStringLiteral("路線ID"), QStringLiteral("方向"),
                              QStringLiteral("名前"),   QStringLiteral("起点 → 終点"),
                              QStringLiteral("停留所"), QStringLiteral("便"),
                              QStringLiteral("整理券")};
const QString kFromTo = QStringLiteral("%1 → %2");
const QString kNumberCaption = QStringLiteral("系統番号：");
const QString kTimesCaption = QStringLiteral("停留所ごとの時刻も入れる(自動運行を時刻表の間隔で)");
const QString kFolders = QStringLiteral("運賃データ：%1\n放送データ：%2");
const QString kMake = QStringLiteral("作成");
const QString kCancel = QStringLiteral("キャンセル");
const QString kNoFolder = QStringLiteral(
    "運賃データと放送データのフォルダーを 設定... の データフォルダー で選んでください。");
const QString kReplace = QStringLiteral("系統 %1 の運賃データ %2 はもうあります。置き換えますか？");
const QString kMade = QStringLiteral(
    "系統 %1 を作りました。停留所 %2、整理券番号 1〜%3。\r\n"
    "集中操作盤で 系統 %1 区間 1 リセット と押すと使えます。");
const QString kWarnings = QStringLiteral("\r\n\r\n注意：\r\n");
const QString kMoreWarnings = QStringLiteral("\r\nほか %1 件");
const QString kOutOfMemory = QStringLiteral("%1: メモリが足りません");
constexpr int kShownWarnings = 5;

GtfsImportDialog::Reading readForList(const QString& path) {
  GtfsImportDialog::Reading r;
  try {
    auto feed = std::make_shared<gtfs::Feed>(gtfs::readFeed(gtfs::FeedFiles::open(path), true));
    r.routes = gtfs::listRoutes(*feed);
    r.feed = std::move(feed);
  } catch (const gtfs::FeedError& e) {
    r.error = e.message();
  } catch (const std::bad_alloc&) {
    r.error = kOutOfMemory.arg(path);
  }
  return r;
}

}  // namespace

GtfsImportDialog::GtfsImportDialog(Program& app, QWidget* owner)
    : QDialog(owner ? owner->window() : nullptr), app_(app) {
  setWindowTitle(kTitle);
  setModal(true);

  feedPath_ = new QLineEdit(this);
  feedPath_->setReadOnly(true);
  zipButton_ = new QPushButton(kZipButton, this);
  folderButton_ = new QPushButton(kFolderButton, this);
  connect(zipButton_, &QPushButton::clicked, this, &GtfsImportDialog::chooseZip);
  connect(folderButton_, &QPushButton::clicked, this, &GtfsImportDialog::chooseFolder);
  auto* feedRow = new QHBoxLayout;
  feedRow->addWidget(feedPath_, 1);
  feedRow->addWidget(zipButton_);
  feedRow->addWidget(folderButton_);

  busyBar_ = new QProgressBar(this);
  busyBar_->setRange(0, 0);
  busyBar_->setTextVisible(false);
  busyBar_->setFixedWidth(120);
  busyBar_->hide();
  status_ = new QLabel(kPick, this);
  status_->setWordWrap(true);
  auto* statusRow = new QHBoxLayout;
  statusRow->addWidget(busyBar_);
  statusRow->addWidget(status_, 1);

  routes_ = new QTreeWidget(this);
  routes_->setColumnCount(static_cast<int>(kColumns.size()));
  routes_->setHeaderLabels(kColumns);
  routes_->setRootIsDecorated(false);
  routes_->setAllColumnsShowFocus(true);
  routes_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  routes_->header()->setSectionResizeMode(3, QHeaderView::Stretch);
  routes_->header()->setStretchLastSection(false);
  routes_->setMinimumSize(620, 220);
  connect(routes_, &QTreeWidget::itemDoubleClicked, this, &GtfsImportDialog::accept);

  number_ = new QSpinBox(this);
  number_->setRange(1, gtfs::kMaxRouteNumber);
  number_->setValue(firstFreeNumber());
  number_->setFixedWidth(number_->sizeHint().width());
  folders_ = new QLabel(
      kFolders.arg(app_.option().Text2[0]->text(), app_.option().Text2[1]->text()), this);
  folders_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  times_ = new QCheckBox(kTimesCaption, this);
  times_->setChecked(true);
  auto* form = new QFormLayout;
  form->addRow(kNumberCaption, number_);
  form->addRow(QString(), times_);

  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons_->button(QDialogButtonBox::Ok)->setText(kMake);
  buttons_->button(QDialogButtonBox::Ok)->setEnabled(false);
  buttons_->button(QDialogButtonBox::Ok)->setDefault(true);
  buttons_->button(QDialogButtonBox::Cancel)->setText(kCancel);
  connect(buttons_, &QDialogButtonBox::accepted, this, &GtfsImportDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(kFeedCaption, this));
  layout->addLayout(feedRow);
  layout->addLayout(statusRow);
  layout->addWidget(routes_, 1);
  layout->addLayout(form);
  layout->addWidget(folders_);
  layout->addWidget(buttons_);

  connect(&watcher_, &QFutureWatcher<Reading>::finished, this, &GtfsImportDialog::showReading);
}

// A feed still being read is left to finish on its own; its result is
// dropped with the watcher.
GtfsImportDialog::~GtfsImportDialog() = default;

int GtfsImportDialog::firstFreeNumber() const {
  const QDir folder(app_.option().Text2[0]->text());
  for (int n = 1; n < gtfs::kMaxRouteNumber; ++n)
    if (findFileIgnoringCase(folder.filePath(QString::number(n) + QStringLiteral(".hy3")))
            .isEmpty())
      return n;
  return gtfs::kMaxRouteNumber;
}

void GtfsImportDialog::chooseZip() {
  const QString path = companion().Vk3FileDlg(this, 0, kZipFilter, QString(), kZipChooser);
  if (!path.isEmpty()) readFeed(path);
}

void GtfsImportDialog::chooseFolder() {
  const QString path = companion().Vk3FolderDlg(this, kFolderChooser);
  if (!path.isEmpty()) readFeed(path);
}

void GtfsImportDialog::readFeed(const QString& path) {
  feedPath_->setText(path);
  routes_->clear();
  reading_ = Reading();
  status_->setText(kReading);
  setBusy(true);
  watcher_.setFuture(QtConcurrent::run(readForList, path));
}

void GtfsImportDialog::setBusy(bool busy) {
  busy_ = busy;
  busyBar_->setVisible(busy);
  zipButton_->setEnabled(!busy);
  folderButton_->setEnabled(!busy);
  buttons_->button(QDialogButtonBox::Ok)->setEnabled(!busy && routes_->topLevelItemCount() > 0);
  if (busy)
    setCursor(Qt::BusyCursor);
  else
    unsetCursor();
}

void GtfsImportDialog::showReading() {
  reading_ = watcher_.result();
  for (const gtfs::RouteSummary& r : reading_.routes) {
    auto* item = new QTreeWidgetItem(
        routes_, {QString::fromStdString(r.routeId),
                  r.direction.empty() ? QStringLiteral("-") : QString::fromStdString(r.direction),
                  r.name, kFromTo.arg(r.first, r.last), QString::number(r.stops),
                  QString::number(r.trips), QString::number(r.tickets)});
    for (int c = 4; c < kColumns.size(); ++c) item->setTextAlignment(c, Qt::AlignRight);
  }
  if (routes_->topLevelItemCount() > 0) routes_->setCurrentItem(routes_->topLevelItem(0));
  setBusy(false);
  status_->setText(reading_.error.isEmpty() ? kChoose.arg(reading_.routes.size()) : kUnreadable);
  if (!reading_.error.isEmpty())
    ui().message(reading_.error, kTitle, MsgButtons::Ok, MsgIcon::Critical, this);
}

void GtfsImportDialog::accept() {
  if (busy_ || !reading_.feed || !routes_->currentItem()) return;
  if (makeRoute()) QDialog::accept();
}

bool GtfsImportDialog::makeRoute() {
  const QString fareFolder = app_.option().Text2[0]->text();
  const QString tapeFolder = app_.option().Text2[1]->text();
  if (fareFolder.isEmpty() || tapeFolder.isEmpty()) {
    ui().message(kNoFolder, kTitle, MsgButtons::Ok, MsgIcon::Exclamation, this);
    return false;
  }
  const gtfs::RouteSummary& chosen =
      reading_
          .routes[static_cast<std::size_t>(routes_->indexOfTopLevelItem(routes_->currentItem()))];
  const int number = number_->value();
  const QString existing = findFileIgnoringCase(
      QDir(fareFolder).filePath(QString::number(number) + QStringLiteral(".hy3")));
  if (!existing.isEmpty() &&
      ui().message(kReplace.arg(QString::number(number), existing), kTitle, MsgButtons::YesNo,
                   MsgIcon::Question, this) != MsgAnswer::Yes)
    return false;

  gtfs::ImportOptions options;
  options.routeId = chosen.routeId;
  options.direction = chosen.direction;
  options.times = times_->isChecked();
  gtfs::ImportedRoute route;
  try {
    route = gtfs::importRoute(*reading_.feed, options);
  } catch (const gtfs::FeedError& e) {
    ui().message(e.message(), kTitle, MsgButtons::Ok, MsgIcon::Critical, this);
    return false;
  }
  const std::vector<FileToWrite> files = gtfs::routeFiles(route, number, fareFolder, tapeFolder);
  qsizetype failed = 0;
  try {
    writeFilesAtomically(files, &failed);
  } catch (const RuntimeError& e) {
    ui().message(gtfs::fileFailure(files[static_cast<std::size_t>(failed)].path, e), kTitle,
                 MsgButtons::Ok, MsgIcon::Critical, this);
    return false;
  }
  QString made = kMade.arg(QString::number(number), QString::number(route.rows.size()),
                           QString::number(route.tickets));
  const QStringList w = reading_.feed->warnings + route.warnings;
  if (!w.isEmpty()) {
    made += kWarnings + w.mid(0, kShownWarnings).join(QStringLiteral("\r\n"));
    if (w.size() > kShownWarnings) made += kMoreWarnings.arg(w.size() - kShownWarnings);
  }
  ui().message(made, kTitle, MsgButtons::Ok, MsgIcon::Information, this);
  return true;
}

}  // namespace sorane
