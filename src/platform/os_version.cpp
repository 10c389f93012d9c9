#include "os_version.h"

#include <sys/utsname.h>

#include <cstdio>

namespace sorane {

OsVersion osVersion() {
  OsVersion v;
  utsname name{};
  if (uname(&name) == 0) std::sscanf(name.release, "%d.%d", &v.major, &v.minor);
  return v;
}

}  // namespace sorane
