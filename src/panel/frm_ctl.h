#pragma once

#include <QWidget>

namespace sorane {

class Program;

// The operation panel "集中操作盤". Closing it quits the program.
class frmCtl : public QWidget {
  Q_OBJECT
 public:
  explicit frmCtl(Program& app);

  void Form_Load();

  // Window position and width in twips, frame included.
  int leftTwips() const;
  int topTwips() const;
  void setLeftTwips(int twips);
  void setTopTwips(int twips);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  Program& app_;
};

}  // namespace sorane
