#pragma once

#include <QDialog>
#include <QFutureWatcher>
#include <memory>
#include <vector>

#include "gtfs_import.h"

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QCheckBox;
class QSpinBox;
class QTreeWidget;

namespace sorane {

class Program;

// "GTFSから路線を作る": picks a GTFS-JP feed (.zip or folder), lists its
// routes as `sorane-route gtfs-routes` does and makes the chosen one as a
// route number: the fare file and the fare CSV into the fare folder, the
// announcements into the announcement folder of the settings. The feed is
// read on a worker thread; the dialog shows that it is busy meanwhile.
class GtfsImportDialog : public QDialog {
  Q_OBJECT
 public:
  // The board menu's entry that opens the dialog.
  static const QString kMenuText;

  GtfsImportDialog(Program& app, QWidget* owner);
  ~GtfsImportDialog() override;

  // Reads `path` as the feed, on the worker thread.
  void readFeed(const QString& path);
  bool isBusy() const { return busy_; }
  // The first route number no fare file in the fare folder has.
  int firstFreeNumber() const;

  QPushButton* zipButton() const { return zipButton_; }
  QPushButton* folderButton() const { return folderButton_; }
  QTreeWidget* routeList() const { return routes_; }
  QSpinBox* numberBox() const { return number_; }

  // What the worker hands back.
  struct Reading {
    std::shared_ptr<const gtfs::Feed> feed;
    std::vector<gtfs::RouteSummary> routes;
    QString error;
  };

 public slots:
  void accept() override;

 private:
  void chooseZip();
  void chooseFolder();
  void showReading();
  void setBusy(bool busy);
  // Makes the chosen route; false (after saying why) when it could not.
  bool makeRoute();

  Program& app_;
  QLineEdit* feedPath_ = nullptr;
  QPushButton* zipButton_ = nullptr;
  QPushButton* folderButton_ = nullptr;
  QProgressBar* busyBar_ = nullptr;
  QLabel* status_ = nullptr;
  QTreeWidget* routes_ = nullptr;
  QSpinBox* number_ = nullptr;
  QCheckBox* times_ = nullptr;
  QLabel* folders_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
  QFutureWatcher<Reading> watcher_;
  Reading reading_;
  bool busy_ = false;
};

}  // namespace sorane
