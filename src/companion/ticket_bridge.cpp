// The companion's plug-in functions, carried out by the ticket host.
#include <QPainter>
#include <algorithm>

#include "companion.h"
#include "ticket_host.h"
#include "ticket_render.h"

namespace sorane {

std::int32_t Companion::VK4_GetPlgInfo(const QString& path, PlgInfo& info) {
  const ticket::Loaded loaded = ticket::loadPlugin(path);
  if (!loaded.plugin) return 0;
  const auto fields = ticket::capabilityFields(loaded.plugin->description);
  std::copy(fields.begin(), fields.end(), info.field.begin());
  return 1;
}

QString Companion::VK4_SetPlgComment(const QString& path) {
  const ticket::Loaded loaded = ticket::loadPlugin(path);
  return loaded.plugin ? loaded.plugin->description.notesText() : QString();
}

QStringList Companion::VK4_SetCorpAddList(const QString& path) {
  const ticket::Loaded loaded = ticket::loadPlugin(path);
  return loaded.plugin ? loaded.plugin->description.companies : QStringList();
}

void Companion::VK4_DrawSeiriken(const QString& path, QPainter& dc, QString& stopName,
                                 const QString& date, const QString& time, std::int32_t route,
                                 std::int16_t ticket, std::int16_t stopIndex,
                                 std::int16_t company) {
  const ticket::Loaded loaded = ticket::loadPlugin(path);
  if (!loaded.plugin) return;
  ticket::FieldValues values;
  values.stop = stopName;
  values.date = date;
  values.time = time;
  values.route = route;
  values.ticket = ticket;
  values.index = stopIndex;
  values.company = company;
  ticket::renderTicket(dc, loaded.plugin->description, loaded.plugin->pictures, values);
}

}  // namespace sorane
