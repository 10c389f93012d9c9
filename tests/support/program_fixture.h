#pragma once

#include <gtest/gtest.h>

#include "app_info.h"
#include "fake_companion.h"
#include "program.h"
#include "scripted_ui.h"

namespace sorane::test {

// A program started as "/opt/sorane/318" on the scripted Ui and a fake
// companion; ending it only records that it ended.
class ProgramTest : public ::testing::Test {
 protected:
  explicit ProgramTest(bool start = true) {
    setProgramPathForTesting(QStringLiteral("/opt/sorane/318"));
    program.setEndHandler([this] { ++endCalls; });
    if (start) program.start();
  }
  ~ProgramTest() override { setProgramPathForTesting(QString()); }

  UiScope uiScope;
  CompanionScope companionScope;
  Program program;
  int endCalls = 0;

  ScriptedUi& ui() { return uiScope.ui; }
  FakeCompanion& companion() { return companionScope.companion; }
};

}  // namespace sorane::test
