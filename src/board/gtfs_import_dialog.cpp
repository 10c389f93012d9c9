#include "gtfs_import_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "companion.h"
#include "frm_option.h"
#include "program.h"
#include "route_csv.h"
#include "ui.h"
#include "view_scale.h"

namespace sorane {

const QString GtfsImportDialog::kMenuText = QStringLiteral("GTFSから路線を作る...");

namespace {

const QString kTitle = QStringLiteral("GTFSから路線を作る");
const QString kFeedCaption = QStringLiteral("GTFS-JP のデータ(ZIPファイルかフォルダー)：");
const QString kFeedPlaceholder =
    QStringLiteral("ZIPファイルかフォルダーを選ぶか、その場所を入力して Enter");
const QString kZipButton = QStringLiteral("ZIPファイル...");
const QString kFolderButton = QStringLiteral("フォルダー...");
const QString kZipFilter =
    QStringLiteral("GTFSデータ(*.zip)") + QChar(0) + QStringLiteral("*.zip") + QChar(0) + QChar(0);
const QString kZipChooser = QStringLiteral("GTFSデータ(ZIPファイル)の選択");
const QString kFolderChooser = QStringLiteral("GTFSデータのフォルダーの選択");
const QString kPick = QStringLiteral("路線を作る GTFS-JP のデータを選んでください");
const QString kReading = QStringLiteral("読み込んでいます...");
const QString kChoose = QStringLiteral("路線と方向を選んでください(%1 件)");
const QString kChooseFiltered = QStringLiteral("路線と方向を選んでください(%1 件中 %2 件)");
const QString kUnreadable = QStringLiteral("このデータからは路線を作れません");
const QString kPressEnter = QStringLiteral("Enter でこの場所のデータを読み込みます");
const QString kFilterCaption = QStringLiteral("絞り込み：");
const QString kFilterPlaceholder = QStringLiteral("路線ID・名前・停留所名の一部");
const QStringList kColumns = {QStringLiteral("路線ID"), QStringLiteral("方向"),
                              QStringLiteral("名前"),   QStringLiteral("起点 → 終点"),
                              QStringLiteral("停留所"), QStringLiteral("便"),
                              QStringLiteral("整理券"), QStringLiteral("備考")};
// The widest a column starts, in pixels: the rest is in its tooltip.
const int kColumnCap[] = {110, 50, 200, 300, 60, 60, 60, 0};
constexpr int kColumnMargin = 10;
const QString kFromToText = QStringLiteral("%1 → %2");
const QString kNone = QStringLiteral("-");
const QString kNumberCaption = QStringLiteral("系統番号：");
const QString kTicketsCaption = QStringLiteral("整理券番号：");
const QStringList kTicketChoices = {QStringLiteral("自動"), QStringLiteral("停留所ごと"),
                                    QStringLiteral("運賃の境目ごと")};
const QString kTimesCaption = QStringLiteral("停留所ごとの時刻も入れる(自動運行を時刻表の間隔で)");
const QString kNoFaresCaption = QStringLiteral("運賃なしで作る");
const QString kNoFaresHint =
    QStringLiteral("(「運賃なしで作る」を選ぶと、運賃 0 で停留所を取り込めます)");
const QString kFolders = QStringLiteral("運賃データ：%1\n放送データ：%2");
const QString kMake = QStringLiteral("作成");
const QString kCancel = QStringLiteral("キャンセル");
const QString kNoFolder = QStringLiteral(
    "運賃データと放送データのフォルダーを 設定... の データフォルダー で選んでください。");
const QString kReplace =
    QStringLiteral("系統 %1 のファイルはもうあります。置き換えますか？\r\n\r\n%2");
const QString kMade = QStringLiteral(
    "系統 %1 を作りました。停留所 %2、整理券番号 %3。\r\n"
    "集中操作盤で 系統 %1 区間 1 リセット と押すと使えます。");
const QString kTicketRange = QStringLiteral("1〜%1");
const QString kWarnings = QStringLiteral("\r\n\r\n注意：\r\n");
const QString kMoreWarnings = QStringLiteral("\r\nほか %1 件");
const QString kOutOfMemory = QStringLiteral("%1: メモリが足りません");
const QString kLastFeedKey = QStringLiteral("gtfs_import/last_feed");
constexpr int kShownWarnings = 5;

GtfsImportDialog::Reading readForList(const QString& path, bool fares) {
  GtfsImportDialog::Reading r;
  r.path = path;
  try {
    auto feed = std::make_shared<gtfs::Feed>(gtfs::readFeed(gtfs::FeedFiles::open(path), fares));
    r.routes = gtfs::listRoutes(*feed);
    r.feed = std::move(feed);
  } catch (const gtfs::FeedError& e) {
    r.error = e.message();
    r.faresError = e.inFares();
  } catch (const std::bad_alloc&) {
    r.error = kOutOfMemory.arg(path);
  }
  return r;
}

// A path as typed or pasted: blanks, quotes and a file:// URL taken off, ~
// for the home folder.
QString typedPath(QString t) {
  t = t.trimmed();
  for (const QChar quote : {QLatin1Char('"'), QLatin1Char('\'')})
    if (t.size() >= 2 && t.startsWith(quote) && t.endsWith(quote)) t = t.mid(1, t.size() - 2);
  if (t.startsWith(QLatin1String("file://"))) t = QUrl(t).toLocalFile();
  if (t == QLatin1String("~") || t.startsWith(QLatin1String("~/"))) t = QDir::homePath() + t.mid(1);
  return t;
}

// Full-width and half-width alike, letters in any case.
QString folded(const QString& s) {
  return s.normalized(QString::NormalizationForm_KC).toCaseFolded();
}

// The feed read last, in view.ini, where the choosers start next time.
QString lastFeed() {
  return QSettings(viewSettingsFile(), QSettings::IniFormat).value(kLastFeedKey).toString();
}
void keepLastFeed(const QString& path) {
  const QString file = viewSettingsFile();
  if (!QFileInfo::exists(path) || !QDir().mkpath(QFileInfo(file).absolutePath())) return;
  QSettings ini(file, QSettings::IniFormat);
  ini.setValue(kLastFeedKey, QFileInfo(path).absoluteFilePath());
}

}  // namespace

GtfsImportDialog::GtfsImportDialog(Program& app, QWidget* owner)
    : QDialog(owner ? owner->window() : nullptr), app_(app) {
  setWindowTitle(kTitle);
  setModal(true);

  feedPath_ = new QLineEdit(this);
  feedPath_->setPlaceholderText(kFeedPlaceholder);
  zipButton_ = new QPushButton(kZipButton, this);
  folderButton_ = new QPushButton(kFolderButton, this);
  connect(feedPath_, &QLineEdit::returnPressed, this, &GtfsImportDialog::readTypedPath);
  connect(feedPath_, &QLineEdit::textChanged, this, &GtfsImportDialog::updateMakeButton);
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

  filter_ = new QLineEdit(this);
  filter_->setPlaceholderText(kFilterPlaceholder);
  filter_->setClearButtonEnabled(true);
  connect(filter_, &QLineEdit::textChanged, this, &GtfsImportDialog::applyFilter);
  auto* filterRow = new QHBoxLayout;
  filterRow->addWidget(new QLabel(kFilterCaption, this));
  filterRow->addWidget(filter_, 1);

  routes_ = new QTreeWidget(this);
  routes_->setColumnCount(static_cast<int>(kColumns.size()));
  routes_->setHeaderLabels(kColumns);
  routes_->setRootIsDecorated(false);
  routes_->setAllColumnsShowFocus(true);
  routes_->setUniformRowHeights(true);
  routes_->header()->setSectionResizeMode(QHeaderView::Interactive);
  routes_->header()->setStretchLastSection(true);
  routes_->setMinimumSize(760, 240);
  fitColumns();
  connect(routes_, &QTreeWidget::itemDoubleClicked, this, &GtfsImportDialog::accept);
  connect(routes_, &QTreeWidget::currentItemChanged, this, &GtfsImportDialog::updateMakeButton);

  number_ = new QSpinBox(this);
  number_->setRange(1, gtfs::kMaxRouteNumber);
  number_->setFixedWidth(number_->sizeHint().width());
  folders_ = new QLabel(
      kFolders.arg(app_.option().Text2[0]->text(), app_.option().Text2[1]->text()), this);
  folders_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  number_->setValue(firstFreeNumber());
  tickets_ = new QComboBox(this);
  tickets_->addItems(kTicketChoices);
  tickets_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  connect(tickets_, &QComboBox::currentIndexChanged, this, &GtfsImportDialog::showTickets);
  times_ = new QCheckBox(kTimesCaption, this);
  times_->setChecked(true);
  noFares_ = new QCheckBox(kNoFaresCaption, this);
  // The fares are read or not when the feed is: read it again (a reading
  // under way is dropped).
  connect(noFares_, &QCheckBox::toggled, this, [this] { readFeed(feedPath_->text()); });
  auto* form = new QFormLayout;
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  form->addRow(kNumberCaption, number_);
  form->addRow(kTicketsCaption, tickets_);
  form->addRow(QString(), times_);
  form->addRow(QString(), noFares_);

  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  makeButton()->setText(kMake);
  makeButton()->setEnabled(false);
  makeButton()->setDefault(true);
  buttons_->button(QDialogButtonBox::Cancel)->setText(kCancel);
  connect(buttons_, &QDialogButtonBox::accepted, this, &GtfsImportDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(kFeedCaption, this));
  layout->addLayout(feedRow);
  layout->addLayout(statusRow);
  layout->addLayout(filterRow);
  layout->addWidget(routes_, 1);
  layout->addLayout(form);
  layout->addWidget(folders_);
  layout->addWidget(buttons_);

  connect(&watcher_, &QFutureWatcher<Reading>::finished, this, &GtfsImportDialog::showReading);
}

// A feed still being read is left to finish on its own; its result is
// dropped with the watcher.
GtfsImportDialog::~GtfsImportDialog() = default;

QPushButton* GtfsImportDialog::makeButton() const {
  return buttons_->button(QDialogButtonBox::Ok);
}

int GtfsImportDialog::firstFreeNumber() const {
  const QString fareFolder = app_.option().Text2[0]->text();
  const QString tapeFolder = app_.option().Text2[1]->text();
  for (int n = 1; n < gtfs::kMaxRouteNumber; ++n) {
    const std::vector<FileToWrite> files =
        gtfs::routeFiles(gtfs::ImportedRoute(), n, fareFolder, tapeFolder);
    if (std::none_of(files.begin(), files.end(),
                     [](const FileToWrite& f) { return !findFileIgnoringCase(f.path).isEmpty(); }))
      return n;
  }
  return gtfs::kMaxRouteNumber;
}

void GtfsImportDialog::chooseZip() {
  const QString path = companion().Vk3FileDlg(this, 0, kZipFilter, lastFeed(), kZipChooser);
  if (!path.isEmpty()) readFeed(path);
}

void GtfsImportDialog::chooseFolder() {
  const QString path = companion().Vk3FolderDlg(this, kFolderChooser, lastFeed());
  if (!path.isEmpty()) readFeed(path);
}

void GtfsImportDialog::readFeed(const QString& path) {
  const QString feed = typedPath(path);
  if (feed.isEmpty()) return;
  feedPath_->setText(feed);
  keepLastFeed(feed);
  routes_->clear();
  searchText_.clear();
  reading_ = Reading();
  reading_.path = feed;
  setBusy(true);
  watcher_.setFuture(QtConcurrent::run(readForList, feed, !noFares_->isChecked()));
}

void GtfsImportDialog::setBusy(bool busy) {
  busy_ = busy;
  busyBar_->setVisible(busy);
  feedPath_->setReadOnly(busy);
  zipButton_->setEnabled(!busy);
  folderButton_->setEnabled(!busy);
  updateMakeButton();
  if (busy)
    setCursor(Qt::BusyCursor);
  else
    unsetCursor();
}

void GtfsImportDialog::showReading() {
  reading_ = watcher_.result();
  for (std::size_t i = 0; i < reading_.routes.size(); ++i) {
    const gtfs::RouteSummary& r = reading_.routes[i];
    auto* item = new QTreeWidgetItem(
        routes_, {shownText(QString::fromStdString(r.routeId)),
                  r.direction.empty() ? kNone : shownText(QString::fromStdString(r.direction)),
                  r.name,
                  kFromToText.arg(r.first, r.last), QString::number(r.stops),
                  QString::number(r.trips), QString(), QString()});
    for (int c = kStops; c <= kTickets; ++c) item->setTextAlignment(c, Qt::AlignRight);
    for (int c = kRouteId; c < kTickets; ++c) item->setToolTip(c, item->text(c));
    searchText_.push_back(folded(QString::fromStdString(r.routeId) + QLatin1Char('\n') + r.name +
                                 QLatin1Char('\n') + r.stopNames.join(QLatin1Char('\n'))));
  }
  showTickets();
  fitColumns();
  setBusy(false);
  applyFilter();
  if (!reading_.error.isEmpty()) {
    ui().message(reading_.error + (reading_.faresError ? kNoFaresHint : QString()), kTitle,
                 MsgButtons::Ok, MsgIcon::Critical, this);
  }
}

void GtfsImportDialog::fitColumns() {
  for (int c = kRouteId; c < kNote; ++c) {
    routes_->resizeColumnToContents(c);
    routes_->setColumnWidth(c, std::min(routes_->columnWidth(c) + kColumnMargin, kColumnCap[c]));
  }
}

gtfs::Tickets GtfsImportDialog::ticketMode() const {
  return static_cast<gtfs::Tickets>(std::max(tickets_->currentIndex(), 0));
}

void GtfsImportDialog::showTickets() {
  const QBrush grey = palette().brush(QPalette::Disabled, QPalette::Text);
  for (int i = 0; i < routes_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = routes_->topLevelItem(i);
    const gtfs::RouteSummary& r = reading_.routes[static_cast<std::size_t>(i)];
    const QString why = gtfs::unmakeable(r, ticketMode());
    item->setText(kTickets,
                  r.stops > kRouteRows ? kNone : QString::number(r.ticketsWith(ticketMode())));
    item->setText(kNote, why);
    item->setToolTip(kNote, why);
    for (int c = kRouteId; c <= kNote; ++c)
      item->setForeground(c, why.isEmpty() ? palette().brush(QPalette::Text) : grey);
  }
  updateMakeButton();
}

void GtfsImportDialog::applyFilter() {
  const QString needle = folded(filter_->text().trimmed());
  int shown = 0;
  for (int i = 0; i < routes_->topLevelItemCount(); ++i) {
    const bool match = searchText_[static_cast<std::size_t>(i)].contains(needle);
    routes_->topLevelItem(i)->setHidden(!match);
    shown += match;
  }
  QTreeWidgetItem* current = routes_->currentItem();
  if (!current || current->isHidden()) {
    current = nullptr;
    for (int i = 0; i < routes_->topLevelItemCount() && !current; ++i)
      if (!routes_->topLevelItem(i)->isHidden()) current = routes_->topLevelItem(i);
    routes_->setCurrentItem(current);
  }
  shown_ = shown;
  updateMakeButton();
}

const gtfs::RouteSummary* GtfsImportDialog::chosen() const {
  QTreeWidgetItem* item = routes_->currentItem();
  if (!reading_.feed || !item || item->isHidden()) return nullptr;
  return &reading_.routes[static_cast<std::size_t>(routes_->indexOfTopLevelItem(item))];
}

bool GtfsImportDialog::pathTyped() const {
  const QString typed = typedPath(feedPath_->text());
  return !typed.isEmpty() && typed != reading_.path;
}

void GtfsImportDialog::updateMakeButton() {
  const gtfs::RouteSummary* r = chosen();
  makeButton()->setEnabled(!busy_ && !pathTyped() && r &&
                           gtfs::unmakeable(*r, ticketMode()).isEmpty());
  const int all = routes_->topLevelItemCount();
  status_->setText(busy_                       ? kReading
                   : pathTyped()               ? kPressEnter
                   : !reading_.error.isEmpty() ? kUnreadable
                   : !reading_.feed            ? kPick
                   : shown_ == all             ? kChoose.arg(all)
                                               : kChooseFiltered.arg(all).arg(shown_));
}

void GtfsImportDialog::readTypedPath() {
  if (!busy_ && (pathTyped() || !reading_.feed)) readFeed(feedPath_->text());
}

void GtfsImportDialog::accept() {
  if (!makeButton()->isEnabled()) return;
  if (makeRoute()) QDialog::accept();
}

bool GtfsImportDialog::makeRoute() {
  const QString fareFolder = app_.option().Text2[0]->text();
  const QString tapeFolder = app_.option().Text2[1]->text();
  if (fareFolder.isEmpty() || tapeFolder.isEmpty()) {
    ui().message(kNoFolder, kTitle, MsgButtons::Ok, MsgIcon::Exclamation, this);
    return false;
  }
  const gtfs::RouteSummary& route = *chosen();
  const int number = number_->value();
  // Every file that would be replaced, by the name it has.
  std::vector<FileToWrite> files =
      gtfs::routeFiles(gtfs::ImportedRoute(), number, fareFolder, tapeFolder);
  QStringList replaced;
  for (FileToWrite& f : files) {
    const QString old = findFileIgnoringCase(f.path);
    if (old.isEmpty()) continue;
    replaced << QDir::toNativeSeparators(old);
    f.path = old;
  }
  if (!replaced.isEmpty() &&
      ui().message(kReplace.arg(QString::number(number), replaced.join(QStringLiteral("\r\n"))),
                   kTitle, MsgButtons::YesNo, MsgIcon::Question, this) != MsgAnswer::Yes)
    return false;

  gtfs::ImportOptions options;
  options.routeId = route.routeId;
  options.direction = route.direction;
  options.tickets = ticketMode();
  options.times = times_->isChecked();
  gtfs::ImportedRoute made;
  try {
    made = gtfs::importRoute(*reading_.feed, options);
  } catch (const gtfs::FeedError& e) {
    ui().message(e.message(), kTitle, MsgButtons::Ok, MsgIcon::Critical, this);
    return false;
  }
  const std::vector<FileToWrite> contents = gtfs::routeFiles(made, number, fareFolder, tapeFolder);
  for (std::size_t i = 0; i < files.size(); ++i) files[i].bytes = contents[i].bytes;
  qsizetype failed = 0;
  try {
    writeFilesAtomically(files, &failed);
  } catch (const RuntimeError& e) {
    ui().message(gtfs::fileFailure(files[static_cast<std::size_t>(failed)].path, e), kTitle,
                 MsgButtons::Ok, MsgIcon::Critical, this);
    return false;
  }
  QString message =
      kMade.arg(QString::number(number), QString::number(made.rows.size()),
                made.tickets > 1 ? kTicketRange.arg(made.tickets) : QString::number(made.tickets));
  const QStringList w = reading_.feed->warnings + made.warnings;
  if (!w.isEmpty()) {
    message += kWarnings + w.mid(0, kShownWarnings).join(QStringLiteral("\r\n"));
    if (w.size() > kShownWarnings) message += kMoreWarnings.arg(w.size() - kShownWarnings);
  }
  ui().message(message, kTitle, MsgButtons::Ok, MsgIcon::Information, this);
  return true;
}

}  // namespace sorane
