#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QThread>

#include "e2e_support.h"
#include "settings_file.h"

namespace {

using e2e::countNear;
using e2e::shotPath;

const QRect kStrip(34, 18, 35, 192);
const QColor kDots(255, 255, 0);

// The program as `cmake --install` lays it out in a fresh prefix, run by a
// user who cannot write its folder (root runs it as nobody).
class InstallE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    QProcess install;
    install.setStandardOutputFile(QProcess::nullDevice());
    install.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    install.start(SORANE_CMAKE, {"--install", SORANE_BUILD_DIR, "--prefix", prefix.path()});
    ASSERT_TRUE(install.waitForFinished(60000));
    ASSERT_EQ(install.exitCode(), 0);
    // The prefix readable by all, its bin folder writable by nobody; the
    // home folder writable by the user who runs the program.
    ASSERT_EQ(chmod(QFile::encodeName(prefix.path()).constData(), 0755), 0);
    ASSERT_EQ(chmod(QFile::encodeName(installed("bin")).constData(), 0555), 0);
    ASSERT_EQ(chmod(QFile::encodeName(home.path()).constData(), 0777), 0);
  }
  void TearDown() override {
    chmod(QFile::encodeName(installed("bin")).constData(), 0755);  // so the prefix can go
  }

  QString installed(const QString& path) const { return QDir(prefix.path()).filePath(path); }
  QString homePath(const QString& path) const { return QDir(home.path()).filePath(path); }
  QProcessEnvironment environment(bool display) const {
    QProcessEnvironment env = x.environment();
    if (!display) env.remove("DISPLAY");
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", homePath("config"));
    env.insert("XDG_CACHE_HOME", homePath("cache"));
    env.remove("XDG_RUNTIME_DIR");  // the server's belongs to root
    return env;
  }
  // Starts the installed program with `args`, as the other user when root.
  void start(QProcess& p, const QStringList& args, bool display) {
    p.setProcessEnvironment(environment(display));
    if (geteuid() == 0)
      p.start("setpriv", QStringList{"--reuid=65534", "--regid=65534", "--clear-groups",
                                     installed("bin/318")} +
                             args);
    else
      p.start(installed("bin/318"), args);
    ASSERT_TRUE(p.waitForStarted(5000));
  }
  QString answer(const QStringList& args) {
    QProcess p;
    start(p, args, false);
    if (!p.waitForFinished(10000)) {
      p.kill();
      p.waitForFinished(1000);
      return QStringLiteral("(no answer)");
    }
    return p.exitCode() == 0 ? QString::fromUtf8(p.readAllStandardOutput()) : "(failed)";
  }

  e2e::XServer x;
  QTemporaryDir prefix, home;
};

TEST_F(InstallE2e, EverythingInItsPlaceAndTheProgramAnswersWithoutADisplay) {
  for (const char* file :
       {"bin/sorane-route", "bin/sorane-ticket", "share/sorane/demo/route1.csv",
        "share/sorane/demo/1.stops.csv", "share/sorane/demo/step3.wav",
        "share/sorane/demo/announce.mid", "share/sorane/demo/seiriken_barcode.4SP",
        "share/sorane/demo/sorane_logo.svg", "share/applications/org.sorane.Sorane.desktop",
        "share/icons/hicolor/48x48/apps/org.sorane.Sorane.png",
        "share/metainfo/org.sorane.Sorane.metainfo.xml"})
    EXPECT_TRUE(QFile::exists(installed(file))) << file;
  EXPECT_TRUE(answer({"--version"}).startsWith(QStringLiteral("318 (ソラネ) 0.")));
  const QString help = answer({"--help"});
  EXPECT_TRUE(help.contains(homePath("config/318/318.in4"))) << help.toStdString();
  EXPECT_TRUE(help.contains(installed("share/sorane/demo"))) << help.toStdString();
  EXPECT_TRUE(help.contains("--board S")) << help.toStdString();
  EXPECT_EQ(answer({"--board", "oled"}), "(failed)");  // no window for a style it lacks
}

TEST_F(InstallE2e, FirstStartOnTheDemoRouteAndTheSettingsFileInTheConfigurationFolder) {
  QProcess program;
  program.setProcessChannelMode(QProcess::ForwardedChannels);
  start(program, {}, true);
  const auto panel = e2e::waitForWindow(x, "^集中操作盤$");
  ASSERT_TRUE(panel && e2e::waitForWindow(x, "^ソラネ - 型番:318$"));
  QThread::msleep(400);

  // Route 1 of the demo data, set from the keyboard.
  ASSERT_TRUE(e2e::run(x, "xdotool", {"windowfocus", *panel}));
  QThread::msleep(200);
  ASSERT_TRUE(e2e::run(x, "xdotool", {"key", "--delay", "80", "r", "1", "s", "1", "Return"}));
  QThread::msleep(3800);
  const QImage first = e2e::screenshot(x, shotPath("installed-first-stop.png"));
  EXPECT_GT(countNear(first, kStrip, kDots, 10), 100)
      << "no stop name: the demo route was not found";

  ASSERT_TRUE(e2e::closeWindow(x, *panel));
  ASSERT_TRUE(e2e::waitForWindow(x, "^ソラネの終了確認$", 5000));
  QThread::msleep(300);
  ASSERT_TRUE(e2e::run(x, "xdotool", {"key", "Return"}));
  ASSERT_TRUE(program.waitForFinished(10000));

  QFile in4(homePath("config/318/318.in4"));
  ASSERT_TRUE(in4.open(QIODevice::ReadOnly));
  const QByteArray bytes = in4.readAll();
  const sorane::SettingsRecord saved = sorane::decodeSettings(bytes);
  EXPECT_EQ(saved.folderInfo.FareDataDir, installed("share/sorane/demo"));
  EXPECT_EQ(sorane::encodeSettings(saved), bytes);
  EXPECT_FALSE(QFile::exists(installed("bin/318.in4")));
}

}  // namespace
