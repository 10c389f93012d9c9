#pragma once

namespace sorane {

// What the program knows of the system's version, in the terms of the
// Windows version record its elements were designed against: platform 1 is
// the consumer line, 2 the NT line; this platform reports 2 and the kernel's
// version numbers.
struct OsVersion {
  int platformId = 2;
  int major = 0;
  int minor = 0;
};

OsVersion osVersion();

}  // namespace sorane
