// sorane-route: converts and checks route fare files and announcement files.
#include <QCoreApplication>
#include <cstdio>
#include <cstring>

#include "app_info.h"
#include "gtfs_helper.h"
#include "route_tool.h"

int main(int argc, char** argv) {
  sorane::ensureRuntimeFolder();
  QCoreApplication app(argc, argv);
  // The program's feed reader, on its standard input and output.
  if (argc == 2 && std::strcmp(argv[1], "serve") == 0) return sorane::gtfs::serveFeeds();
  const sorane::routetool::ToolRun r = sorane::routetool::runRouteTool(app.arguments().mid(1));
  std::fputs(r.out.toUtf8().constData(), stdout);
  std::fputs(r.err.toUtf8().constData(), stderr);
  return r.status;
}
