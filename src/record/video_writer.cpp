#include "video_writer.h"

#include <dlfcn.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "install_paths.h"

namespace sorane::record {
namespace {

const QString kCannotStart = QStringLiteral("%1: 録画できません(%2)");
const QString kNoModule = QStringLiteral("録画のモジュール %1 を開けません");
constexpr const char* kOpenFunction = "sorane_open_mp4_writer";
using OpenFunction = VideoWriter* (*)(const RecordingOptions&);

// Where the module is: the installed one relative to the program, else the
// one built beside it.
QStringList modulePlaces() {
  const QString name = QString::fromLatin1(kRecordModuleName);
  return {QDir(QCoreApplication::applicationDirPath())
              .filePath(QString::fromLatin1(kRecordModuleFromBin) + u'/' + name),
          QString::fromLatin1(kBuildRecordModule)};
}

struct Module {
  OpenFunction open = nullptr;
  QString error;
};

const Module& module() {
  static const Module loaded = [] {
    Module m;
    const QStringList places = modulePlaces();
    for (const QString& place : places) {
      if (!QFileInfo::exists(place)) continue;
      void* handle = dlopen(QFile::encodeName(place).constData(), RTLD_NOW | RTLD_LOCAL);
      if (!handle) {
        m.error = QString::fromLocal8Bit(dlerror());
        continue;
      }
      m.open = reinterpret_cast<OpenFunction>(dlsym(handle, kOpenFunction));
      if (m.open) return m;
    }
    if (m.error.isEmpty()) m.error = kNoModule.arg(QFileInfo(places.front()).fileName());
    return m;
  }();
  return loaded;
}

// A writer that could not be made.
class FailedWriter : public VideoWriter {
 public:
  explicit FailedWriter(QString error) : error_(std::move(error)) {}
  bool isRecording() const override { return false; }
  QString error() const override { return error_; }
  void addPicture(const QImage&, qint64, RowSpan) override {}
  void advanceTo(qint64) override {}
  void mixed(const float*, int) override {}
  RecordingResult finish(qint64) override { return {0, 0, 0, 0, 0, error_}; }
  void onFailure(std::function<void(const QString&)>) override {}

 private:
  QString error_;
};

}  // namespace

std::unique_ptr<VideoWriter> openVideoWriter(const RecordingOptions& options) {
  const Module& m = module();
  if (!m.open) return std::make_unique<FailedWriter>(kCannotStart.arg(options.path, m.error));
  return std::unique_ptr<VideoWriter>(m.open(options));
}

}  // namespace sorane::record
