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

// Holds XDG_CONFIG_HOME on a folder of its own, so view.ini starts afresh.
class ConfigScope {
 public:
  ConfigScope() : saved_(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
  }
  ~ConfigScope() {
    if (saved_.isNull())
      qunsetenv("XDG_CONFIG_HOME");
    else
      qputenv("XDG_CONFIG_HOME", saved_);
  }
  ConfigScope(const ConfigScope&) = delete;
  ConfigScope& operator=(const ConfigScope&) = delete;
  QTemporaryDir dir;

 private:
  QByteArray saved_;
};

// A program started as "318" in its own folders (settings file, view.ini)
// on the scripted Ui and a fake companion; ending it only records that it ended.
class ProgramTest : public ::testing::Test {
 protected:
  explicit ProgramTest(bool start = true) {
    program.setEndHandler([this] { ++endCalls; });
    if (start) program.start();
  }

  ProgramFolder folder;
  ConfigScope config;
  UiScope uiScope;
  CompanionScope companionScope;
  Program program;
  int endCalls = 0;

  ScriptedUi& ui() { return uiScope.ui; }
  FakeCompanion& companion() { return companionScope.companion; }
};

}  // namespace sorane::test
