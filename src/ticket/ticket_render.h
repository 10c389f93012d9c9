#pragma once

#include <vector>

#include "ticket_format.h"
#include "ticket_pictures.h"
#include "ticket_template.h"

class QPainter;

namespace sorane::ticket {

// Draws the ticket on white paper into the whole of the painter's device,
// scaled to fit it (centred when its shape differs), nothing outside the
// ticket. Texts are cut to kMaxTextChars, and to kMaxTicketChars and
// kMaxLargeCharArea together. Returns what could not be drawn (a barcode its
// values cannot encode is left white, a text cut), and, as warnings,
// barcodes whose narrowest module came out under two pixels.
std::vector<Problem> renderTicket(QPainter& painter, const Description& d, const Pictures& pictures,
                                  const FieldValues& values);

// The installed family for a face keyword ("gothic", "mincho", "pgothic")
// or a family name.
QString familyOf(const QString& face);

}  // namespace sorane::ticket
