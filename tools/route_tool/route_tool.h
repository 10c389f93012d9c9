#pragma once

#include <QString>
#include <QStringList>

namespace sorane::routetool {

// sorane-route with `args` (without the program name): what it prints on
// standard output and standard error, and its exit status.
struct ToolRun {
  int status = 0;
  QString out, err;
};
ToolRun runRouteTool(const QStringList& args);

}  // namespace sorane::routetool
