// The companion's plug-in functions: the ticket host reads and checks a
// plug-in here; the ticket helper draws it in a process of its own.
#include <QCoreApplication>
#include <QPointer>
#include <algorithm>
#include <optional>

#include "companion.h"
#include "ticket_helper.h"
#include "ticket_host.h"

namespace sorane {
namespace {

// The preview's orders: one under way in the helper, at most one waiting.
class PreviewQueue : public QObject {
 public:
  explicit PreviewQueue(QObject* parent) : QObject(parent), helper_(ticket::runHelper()) {
    connect(&helper_, &ticket::TicketHelper::finished, this, &PreviewQueue::onFinished);
  }

  void add(const SeirikenOrder& order, QObject* receiver, SeirikenDone done) {
    Waiting w{order, receiver, std::move(done)};
    if (underWay_)
      next_ = std::move(w);
    else
      send(std::move(w));
  }

 private:
  struct Waiting {
    SeirikenOrder order;
    QPointer<QObject> receiver;
    SeirikenDone done;
  };

  void send(Waiting w) {
    ticket::DrawOrder o;
    o.path = w.order.path;
    o.pixels = w.order.pixels;
    o.values.stop = w.order.stopName;
    o.values.date = w.order.date;
    o.values.time = w.order.time;
    o.values.route = w.order.route;
    o.values.ticket = w.order.ticket;
    o.values.index = w.order.stopIndex;
    o.values.company = w.order.company;
    underWay_ = std::move(w);
    id_ = helper_.draw(o);
  }

  void onFinished(std::uint32_t id, const ticket::DrawResult& r) {
    if (!underWay_ || id != id_) return;
    Waiting done = std::move(*underWay_);
    underWay_.reset();
    if (next_) {
      send(std::move(*next_));
      next_.reset();
    }
    if (!done.receiver) return;
    SeirikenPicture picture;
    picture.image = r.image;
    picture.failure = ticket::failureText(r, helper_.limits());
    done.done(picture);
  }

  ticket::TicketHelper& helper_;
  std::optional<Waiting> underWay_;
  std::optional<Waiting> next_;
  std::uint32_t id_ = 0;
};

// One queue for the run, ended with the application.
PreviewQueue& previewQueue() {
  static QPointer<PreviewQueue> queue;
  if (!queue) queue = new PreviewQueue(QCoreApplication::instance());
  return *queue;
}

}  // namespace

std::int32_t Companion::VK4_GetPlgInfo(const QString& path, PlgInfo& info) {
  const ticket::Loaded loaded = ticket::loadPlugin(path, ticket::Reading::Checked);
  if (!loaded.plugin) return 0;
  const auto fields = ticket::capabilityFields(loaded.plugin->description);
  std::copy(fields.begin(), fields.end(), info.field.begin());
  return 1;
}

QString Companion::VK4_SetPlgComment(const QString& path) {
  const ticket::Loaded loaded = ticket::loadPlugin(path, ticket::Reading::Checked);
  return loaded.plugin ? loaded.plugin->description.notesText() : QString();
}

QStringList Companion::VK4_SetCorpAddList(const QString& path) {
  const ticket::Loaded loaded = ticket::loadPlugin(path, ticket::Reading::Checked);
  return loaded.plugin ? loaded.plugin->description.companies : QStringList();
}

void Companion::VK4_DrawSeiriken(const SeirikenOrder& order, QObject* receiver, SeirikenDone done) {
  previewQueue().add(order, receiver, std::move(done));
}

}  // namespace sorane
