#pragma once

#include <QPointer>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "companion.h"
#include "ticket_helper.h"
#include "ticket_host.h"

namespace sorane::test {

// Companion whose dialogs answer from the test.
class FakeCompanion : public Companion {
 public:
  struct Dlg100Call {
    QWidget* owner;
    std::int16_t keta, zeroMode, shift, fillZero;
  };

  std::int32_t Call_dlg100(QWidget* owner, std::int16_t keta, std::int16_t& zeroMode,
                           std::int16_t& shift, std::int16_t& fillZero) override {
    dlg100Calls.push_back({owner, keta, zeroMode, shift, fillZero});
    if (duringDlg100) duringDlg100();
    if (dlg100Result == 1 || dlg100WritesOnCancel) {
      zeroMode = dlg100ZeroMode;
      shift = dlg100Shift;
      fillZero = dlg100FillZero;
    }
    return dlg100Result;
  }

  void Call_dlg110(QWidget* owner, std::int32_t kind, const QString& text) override {
    dlg110Calls.push_back({owner, kind, text});
    if (duringDlg110) duringDlg110();
  }
  struct Dlg110Call {
    QWidget* owner;
    std::int32_t kind;
    QString text;
  };
  std::vector<Dlg110Call> dlg110Calls;
  std::function<void()> duringDlg110;

  // The choosers: every call is recorded; each answers what the test set.
  struct ChooserCall {
    QString kind;  // "file", "folder", "colour" or "date"
    QWidget* owner;
    std::int32_t flags = 0;
    QString filter, initialPath, title;
    ColorRef colour = 0;
  };
  QString Vk3FileDlg(QWidget* owner, std::int32_t flags, const QString& filter,
                     const QString& initialPath, const QString& title) override {
    chooserCalls.push_back({QStringLiteral("file"), owner, flags, filter, initialPath, title, 0});
    return fileAnswer;
  }
  QString Vk3FolderDlg(QWidget* owner, const QString& title,
                       const QString& initialPath = QString()) override {
    chooserCalls.push_back({QStringLiteral("folder"), owner, 0, {}, initialPath, title, 0});
    return folderAnswer;
  }
  std::int32_t Vk3ChooseColor(QWidget* owner, ColorRef& colour, CustColorTable& cust) override {
    chooserCalls.push_back({QStringLiteral("colour"), owner, 0, {}, {}, {}, colour});
    if (duringColour) duringColour(cust);
    if (colourResult != 0) colour = colourAnswer;
    return colourResult;
  }
  std::int32_t Call_dlg111(QWidget* owner, DialogDate& date) override {
    chooserCalls.push_back({QStringLiteral("date"), owner, 0, {}, {}, {}, 0});
    if (dateResult != 0) date = dateAnswer;
    return dateResult;
  }
  std::vector<ChooserCall> chooserCalls;
  QString fileAnswer, folderAnswer;
  std::int32_t colourResult = 0, dateResult = 0;
  ColorRef colourAnswer = 0;
  DialogDate dateAnswer;
  std::function<void(CustColorTable&)> duringColour;

  // The plug-in calls: recorded, then answered by the real ticket host
  // unless `plgInfoAnswer` stands in for the capability record.
  std::int32_t VK4_GetPlgInfo(const QString& path, PlgInfo& info) override {
    if (!plgInfoAnswer) return Companion::VK4_GetPlgInfo(path, info);
    info = *plgInfoAnswer;
    return 1;
  }
  QStringList VK4_SetCorpAddList(const QString& path) override {
    corpListCalls.push_back(path);
    return Companion::VK4_SetCorpAddList(path);
  }
  // Tickets: every order is recorded. By default it is drawn here, by the
  // ticket host, and answered at the next processing of events, as the
  // helper would; `realHelper` sends it to the helper itself; `holdDraws`
  // keeps it for the test to answer with answerDraw().
  struct DrawCall {
    SeirikenOrder order;
    QPointer<QObject> receiver;
    SeirikenDone done;
  };
  void VK4_DrawSeiriken(const SeirikenOrder& order, QObject* receiver, SeirikenDone done) override {
    drawCalls.push_back({order, receiver, done});
    if (realHelper) return Companion::VK4_DrawSeiriken(order, receiver, std::move(done));
    if (holdDraws) return;
    ticket::DrawOrder o{order.path, order.pixels, {}};
    o.values = {order.stopName, order.date,      order.time,   order.route,
                order.ticket,   order.stopIndex, order.company};
    const ticket::DrawReply reply = ticket::drawOrder(o);
    ticket::DrawResult r;
    r.failure = reply.drawn ? ticket::DrawFailure::None : ticket::DrawFailure::Refused;
    r.problems = reply.problems;
    const SeirikenPicture picture{reply.image, ticket::failureText(r, {})};
    QMetaObject::invokeMethod(
        receiver, [done, picture] { done(picture); }, Qt::QueuedConnection);
  }
  // Answers order `i` as the helper would have.
  void answerDraw(std::size_t i, const SeirikenPicture& picture) {
    if (drawCalls.at(i).receiver) drawCalls[i].done(picture);
  }
  bool realHelper = false;
  bool holdDraws = false;
  std::optional<PlgInfo> plgInfoAnswer;
  std::vector<QString> corpListCalls;
  std::vector<DrawCall> drawCalls;

  std::vector<Dlg100Call> dlg100Calls;
  std::int32_t dlg100Result = 0;
  std::int16_t dlg100ZeroMode = 0, dlg100Shift = 0, dlg100FillZero = 0;
  // A dialog that hands back what its controls held even when cancelled.
  bool dlg100WritesOnCancel = false;
  std::function<void()> duringDlg100;
};

class CompanionScope {
 public:
  CompanionScope() : previous_(installCompanion(&companion)) {}
  ~CompanionScope() { installCompanion(previous_); }
  FakeCompanion companion;

 private:
  Companion* previous_;
};

}  // namespace sorane::test
