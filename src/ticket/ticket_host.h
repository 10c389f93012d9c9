#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "ticket_format.h"
#include "ticket_pictures.h"

namespace sorane::ticket {

// A usable plug-in: its description and the pictures it draws.
struct Plugin {
  Description description;
  Pictures pictures;
};

struct Loaded {
  std::shared_ptr<const Plugin> plugin;  // null when the file is not usable
  std::vector<Problem> problems;
};

// Reads and checks a ".4SP" file and its pictures. The file's size is
// checked before anything is read. Nothing stays open; results are kept in
// a small cache keyed on the path, size and modification time of the file
// and of every picture it names.
Loaded loadPlugin(const QString& path);

}  // namespace sorane::ticket
