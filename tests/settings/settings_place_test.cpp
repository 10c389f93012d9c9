#include <QDir>
#include <QFile>
#include <QLineEdit>

#include "app_info.h"
#include "file_io.h"
#include "frm_ctl.h"
#include "frm_option.h"
#include "mdl_ini_io.h"
#include "program_fixture.h"
#include "settings_file.h"

namespace sorane {
namespace {

TEST(SettingsPlace, BesideAWritableProgramElseInTheConfigurationFolder) {
  const struct {
    const char* folder;
    const char* base;
    bool writable;
    const char* config;
    const char* expected;
  } cases[] = {
      {"/opt/s/bin", "318", true, "/home/u/.config/318", "/opt/s/bin/318.in4"},
      {"/usr/bin", "318", false, "/home/u/.config/318", "/home/u/.config/318/318.in4"},
      {"/usr/bin/", "319", false, "/c/319/", "/c/319/319.in4"},
      {"/", "318", true, "/c/318", "/318.in4"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(mdlIniIo::settingsFilePathFor(c.folder, c.base, c.writable, c.config),
              QString::fromLatin1(c.expected))
        << c.folder;
}

// An installed program: PREFIX/BIN/318 with the demo data in
// PREFIX/share/sorane/demo, and a configuration folder of its own.
class InstalledProgramTest : public ::testing::Test {
 protected:
  InstalledProgramTest() : savedConfigHome(qgetenv("XDG_CONFIG_HOME")) {
    QDir(prefix.path()).mkpath("share/sorane");
    QFile::link(QStringLiteral(SORANE_DEMO_DIR), demo());
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  }
  ~InstalledProgramTest() override {
    setProgramPathForTesting(QString());
    setBuildDemoFolderForTesting(QString());
    if (savedConfigHome.isNull())
      qunsetenv("XDG_CONFIG_HOME");
    else
      qputenv("XDG_CONFIG_HOME", savedConfigHome);
  }
  void installIn(const char* bin, bool create) {
    if (create) QDir(prefix.path()).mkpath(bin);
    setProgramPathForTesting(QDir(prefix.path()).filePath(QString::fromLatin1(bin) + "/318"));
  }
  QString demo() const { return QDir(prefix.path()).filePath("share/sorane/demo"); }

  QTemporaryDir prefix, config;
  QByteArray savedConfigHome;
  test::UiScope uiScope;
  test::CompanionScope companionScope;
};

TEST_F(InstalledProgramTest, FirstStartBesideAWritableProgramWritesTheDemoSettingsOnce) {
  installIn("bin", true);
  EXPECT_EQ(installedDemoFolder(), demo());
  ASSERT_TRUE(mdlIniIo::writeFirstSettings());
  const QString beside = QDir(prefix.path()).filePath("bin/318.in4");
  EXPECT_EQ(mdlIniIo::settingsFilePath(), beside);
  const SettingsRecord r = decodeSettings(readWholeFile(beside, kMaxSettingsFileBytes));
  EXPECT_EQ(r.folderInfo.FareDataDir, demo());
  EXPECT_EQ(r.folderInfo.TapeDataDir, demo());
  EXPECT_FALSE(mdlIniIo::writeFirstSettings());
  EXPECT_FALSE(QDir(config.path()).exists("318"));
}

TEST_F(InstalledProgramTest, AnUnwritableProgramKeepsTheSameBytesInTheConfigurationFolder) {
  installIn("bin", false);  // a folder that cannot be written: none at all
  ASSERT_TRUE(mdlIniIo::writeFirstSettings());
  const QString path = QDir(config.path()).filePath("318/318.in4");
  EXPECT_EQ(mdlIniIo::settingsFilePath(), path);
  // Runs that change nothing write the file back where it is: after the
  // first, which places the windows, byte for byte.
  QByteArray saved[2];
  for (QByteArray& bytes : saved) {
    Program program;
    program.setEndHandler([] {});
    program.start();
    EXPECT_EQ(program.option().Text2[0]->text(), demo());
    uiScope.ui.answers.push_back(MsgAnswer::Yes);
    program.ctl().close();
    ASSERT_TRUE(program.hasEnded());
    bytes = readWholeFile(path, kMaxSettingsFileBytes);
  }
  EXPECT_EQ(uiScope.ui.messages.size(), 2u) << "only the quit questions";
  EXPECT_EQ(saved[1].toHex(' '), saved[0].toHex(' '));
}

// A program copied anywhere finds the demo data of the source tree it was
// built from; without that either, it starts on the designed settings.
TEST_F(InstalledProgramTest, ElsewhereTheBuildsDemoDataElseNoFirstSettings) {
  const QString builds = QStringLiteral(SORANE_DEMO_DIR);
  const struct {
    const char* what;
    QString buildDemo;
    QString expected;
  } kCases[] = {
      {"the build's demo data", builds, builds},
      {"none", QDir(prefix.path()).filePath("gone/data/demo"), QString()},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    installIn("elsewhere/bin", true);
    QFile::remove(mdlIniIo::settingsFilePath());
    QDir(prefix.path()).mkpath("elsewhere/share/sorane");
    setBuildDemoFolderForTesting(c.buildDemo);
    EXPECT_EQ(installedDemoFolder(), QString());
    EXPECT_EQ(
        demoFolderPlaces(),
        (QStringList{QDir(prefix.path()).filePath("elsewhere/share/sorane/demo"), c.buildDemo}));
    EXPECT_EQ(demoFolder(), c.expected);
    EXPECT_EQ(mdlIniIo::writeFirstSettings(), !c.expected.isEmpty());
    const QString path = mdlIniIo::settingsFilePath();
    EXPECT_EQ(path, QDir(prefix.path()).filePath("elsewhere/bin/318.in4"));
    ASSERT_EQ(QFile::exists(path), !c.expected.isEmpty());
    if (c.expected.isEmpty()) continue;
    const SettingsRecord r = decodeSettings(readWholeFile(path, kMaxSettingsFileBytes));
    EXPECT_EQ(r.folderInfo.FareDataDir, c.expected);
    EXPECT_EQ(r.folderInfo.TapeDataDir, c.expected);
  }
}

}  // namespace
}  // namespace sorane
