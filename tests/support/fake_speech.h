#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "speech_engine.h"

namespace sorane::test {

// A speech engine that records every call as a line of `log`:
// "stop", "speak:TEXT", "status", "prepare:TEXT", "dialog:TITLE".
class FakeSpeech : public SpeechEngine {
 public:
  explicit FakeSpeech(QStringList& log) : log_(log) {}

  void speak(const QString& text) override { log_ << QStringLiteral("speak:") + text; }
  void stop() override { log_ << QStringLiteral("stop"); }
  std::int32_t status() override {
    log_ << QStringLiteral("status");
    return statusValue;
  }
  void adjustDialog(QWidget* owner, const QString& title) override {
    dialogOwner = owner;
    log_ << QStringLiteral("dialog:") + title;
  }
  void prepare(const QString& text) override { log_ << QStringLiteral("prepare:") + text; }

  std::int32_t statusValue = 1;
  QWidget* dialogOwner = nullptr;

 private:
  QStringList& log_;
};

}  // namespace sorane::test
