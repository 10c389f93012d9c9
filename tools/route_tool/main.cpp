// sorane-route: converts and checks route fare files and announcement files.
#include <QCoreApplication>
#include <cstdio>

#include "app_info.h"
#include "route_tool.h"

int main(int argc, char** argv) {
  sorane::ensureRuntimeFolder();
  QCoreApplication app(argc, argv);
  const sorane::routetool::ToolRun r = sorane::routetool::runRouteTool(app.arguments().mid(1));
  std::fputs(r.out.toUtf8().constData(), stdout);
  std::fputs(r.err.toUtf8().constData(), stderr);
  return r.status;
}
