#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "ticket_helper.h"
#include "ticket_template.h"

namespace sorane::tickettool {

// What `check` prints: each problem as "FILE:LINE:COLUMN: message" (or
// "FILE: message" for the file as a whole), or the capability report and
// the warnings. A plug-in that reads is drawn by `helper` at 1x, 2x and 3x
// with the sample values before it is called usable; what could not be
// drawn is a problem, a barcode too fine to scan at 1x a warning.
QStringList checkPlugin(const QString& path, bool* ok, ticket::TicketHelper& helper);

// The values a ticket is drawn with when the command line gives none.
ticket::FieldValues defaultValues(const QDateTime& now);

// Sets one value from "name=value" (stop, date, time, route, ticket, index,
// company, counted from 1); false with `error` for an unknown name or a bad
// number.
bool setValue(const QString& assignment, ticket::FieldValues& values, QString& error);

// Draws the ticket at `scale` times its preview size into a PNG file, in
// `helper`. Returns false when the plug-in is not usable, could not be drawn
// or the file cannot be written; `messages` holds what went wrong,
// "FILE:LINE:COLUMN: message".
bool renderPlugin(const QString& path, const QString& png, double scale,
                  const ticket::FieldValues& values, QStringList& messages,
                  ticket::TicketHelper& helper);

// `sorane-ticket serve`: the ticket helper's loop.
int serveTickets();

}  // namespace sorane::tickettool
