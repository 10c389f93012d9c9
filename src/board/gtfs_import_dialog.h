#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "gtfs_helper.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace sorane {

class Program;

// "GTFSから路線を作る": picks a GTFS-JP feed (.zip or folder, chosen or typed),
// lists its routes as `sorane-route gtfs-routes` does and makes the chosen
// one as a route number: the fare file and the fare CSV into the fare
// folder, the announcements into the announcement folder of the settings.
// The feed is read, and the route made, by the feed helper (sorane-route
// serve) under its limits; the dialog shows its progress meanwhile, and
// キャンセル stops it.
class GtfsImportDialog : public QDialog {
  Q_OBJECT
 public:
  // The board menu's entry that opens the dialog.
  static const QString kMenuText;
  // The route list's columns.
  enum Column { kRouteId, kDirection, kName, kFromTo, kStops, kTrips, kTickets, kNote };

  GtfsImportDialog(Program& app, QWidget* owner, gtfs::FeedLimits limits = {},
                   const QString& helper = gtfs::feedHelperProgram());
  ~GtfsImportDialog() override;

  // Reads `path` as the feed, in the helper.
  void readFeed(const QString& path);
  // Stops the reading or making under way, killing the helper.
  void cancelWork();
  bool isBusy() const { return busy_; }
  // The first route number for which none of the three files exists.
  int firstFreeNumber() const;

  QLineEdit* feedPathBox() const { return feedPath_; }
  QPushButton* zipButton() const { return zipButton_; }
  QPushButton* folderButton() const { return folderButton_; }
  QLineEdit* filterBox() const { return filter_; }
  QTreeWidget* routeList() const { return routes_; }
  QSpinBox* numberBox() const { return number_; }
  QComboBox* ticketBox() const { return tickets_; }
  QCheckBox* timesBox() const { return times_; }
  QCheckBox* noFaresBox() const { return noFares_; }
  QPushButton* makeButton() const;
  QPushButton* cancelButton() const;
  QLabel* statusLabel() const { return status_; }
  gtfs::FeedHelper& feedHelper() { return helper_; }

  // The feed shown: its routes, or why it has none.
  struct Reading {
    QString path;
    bool fares = true;
    bool listed = false;
    std::vector<gtfs::RouteSummary> routes;
    QString error;
    bool faresError = false;
  };

 public slots:
  void accept() override;
  // While the helper works, キャンセル (and Esc) stop it; else they close.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Enter in the path box: reads it unless it is the feed shown.
  void readTypedPath();
  // The path box holds another path than the feed shown.
  bool pathTyped() const;
  void chooseZip();
  void chooseFolder();
  void onProgress(std::uint32_t id, const QString& file);
  void onFinished(std::uint32_t id, const gtfs::FeedAnswer& answer);
  void showReading(const gtfs::FeedAnswer& answer);
  // Writes the files the helper made of route `number` under the names of
  // `files`; false (after saying why) when not.
  bool writeRoute(const gtfs::FeedAnswer& answer, int number, std::vector<FileToWrite> files);
  void setBusy(bool busy);
  gtfs::Tickets ticketMode() const;
  // The ticket count and the mark of each row under the ticket choice.
  void showTickets();
  // Each column as wide as its texts, up to a cap.
  void fitColumns();
  void applyFilter();
  void updateMakeButton();
  const gtfs::RouteSummary* chosen() const;
  // Asks the helper for the chosen route's files, after asking about the
  // files it would replace.
  void makeRoute();

  Program& app_;
  QLineEdit* feedPath_ = nullptr;
  QPushButton* zipButton_ = nullptr;
  QPushButton* folderButton_ = nullptr;
  QProgressBar* busyBar_ = nullptr;
  QLabel* status_ = nullptr;
  QLineEdit* filter_ = nullptr;
  QTreeWidget* routes_ = nullptr;
  QSpinBox* number_ = nullptr;
  QComboBox* tickets_ = nullptr;
  QCheckBox* times_ = nullptr;
  QCheckBox* noFares_ = nullptr;
  QLabel* folders_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
  gtfs::FeedHelper helper_;
  std::uint32_t work_ = 0;  // the helper's request under way
  QString progress_;        // what the helper is on
  bool cancelled_ = false;  // the last reading was stopped
  // The route being made: its number and files, by the names they have.
  int making_ = 0;
  std::vector<FileToWrite> makingFiles_;
  Reading reading_;
  // Each route's number, name and stop names, folded for the filter.
  std::vector<QString> searchText_;
  int shown_ = 0;  // routes the filter lets through
  bool busy_ = false;
};

}  // namespace sorane
