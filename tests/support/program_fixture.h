#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "app_info.h"
#include "fake_companion.h"
#include "program.h"
#include "scripted_ui.h"

namespace sorane::test {

// Points the program at "318" in a fresh folder of its own for the life of
// the object, so its settings file lives there.
struct ProgramFolder {
  ProgramFolder() { setProgramPathForTesting(programPath()); }
  ~ProgramFolder() { setProgramPathForTesting(QString()); }
  QString programPath() const { return QDir(dir.path()).filePath(QStringLiteral("318")); }
  QString settingsPath() const { return QDir(dir.path()).filePath(QStringLiteral("318.in4")); }
  QTemporaryDir dir;
};

// A program started as "318" in its own folder on the scripted Ui and a
// fake companion; ending it only records that it ended.
class ProgramTest : public ::testing::Test {
 protected:
  explicit ProgramTest(bool start = true) {
    program.setEndHandler([this] { ++endCalls; });
    if (start) program.start();
  }

  ProgramFolder folder;
  UiScope uiScope;
  CompanionScope companionScope;
  Program program;
  int endCalls = 0;

  ScriptedUi& ui() { return uiScope.ui; }
  FakeCompanion& companion() { return companionScope.companion; }
};

}  // namespace sorane::test
