#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "ticket_format.h"
#include "ticket_pictures.h"
#include "ticket_protocol.h"

namespace sorane::ticket {

// A usable plug-in: its description and the pictures it draws.
struct Plugin {
  Description description;
  Pictures pictures;  // empty when read to be checked only
};

struct Loaded {
  std::shared_ptr<const Plugin> plugin;  // null when the file is not usable
  std::vector<Problem> problems;
};

// How far a plug-in is read. The program checks a plug-in (our own parser
// and the pictures' headers); only the ticket helper decodes its pictures
// and draws it.
enum class Reading { Checked, Decoded };

// Reads and checks a ".4SP" file and its pictures. The file's size is
// checked before anything is read. Nothing stays open; results are kept in
// a small cache keyed on the path, size and modification time of the file
// and of every picture it names.
Loaded loadPlugin(const QString& path, Reading reading);

// Draws an order in this process: what the ticket helper does with each.
// Throws std::bad_alloc when the picture does not fit in memory.
DrawReply drawOrder(const DrawOrder& order);

}  // namespace sorane::ticket
