// Every test in this binary sees a 4.x kernel, as on WSL1 (4.4) or RHEL 8
// (4.18): nothing here may take it for the old system the digit faces once
// drew differently on.
#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <cstring>

#include "m_degit.h"

extern "C" int uname(struct utsname* name) {
  std::memset(name, 0, sizeof *name);
  std::strcpy(name->sysname, "Linux");
  std::strcpy(name->release, "4.18.0-553.el8_10.x86_64");
  std::strcpy(name->machine, "x86_64");
  return 0;
}

namespace sorane {
namespace {

TEST(KernelVersion, DigitsOnA4xKernelDrawAsOnTheCurrentSystem) {
  utsname u{};
  ASSERT_EQ(uname(&u), 0);
  ASSERT_STREQ(u.release, "4.18.0-553.el8_10.x86_64");
  struct Case {
    std::int16_t style;
    DegitFace face;
    QVariant value;
    QString lit;
  };
  const Case cases[] = {{0, DegitFace::A, 120, QStringLiteral("120")},
                        {1, DegitFace::B, 8888, QStringLiteral("8888")},
                        {2, DegitFace::C, 45, QStringLiteral("45")}};
  for (const Case& c : cases) {
    M_Degit d;
    d.InitProperties();
    d.setDegitStyle(c.style);
    d.setValue(c.value);
    // Bold, no spacing between characters: the lit digits cover their cells.
    DegitRowStyle current;
    current.face = c.face;
    current.back = toQColor(M_Degit::kDefaultBackColor);
    current.unlit = toQColor(M_Degit::kDefaultBaseForeColor);
    current.lit = toQColor(M_Degit::kDefaultDegitForeColor);
    EXPECT_EQ(d.surface(), renderDegitRow(4, QSize(13, 20), c.lit, current, d.devicePixelRatioF()))
        << c.style;
  }
}

}  // namespace
}  // namespace sorane
