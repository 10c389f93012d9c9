#include "mdl_m_tape.h"

#include "companion.h"
#include "mdl_snd_api.h"

namespace sorane {

const QString mdlM_Tape::kCaptionUsable = QStringLiteral("音合使用可");
const QString mdlM_Tape::kCaptionUnusable = QStringLiteral("音合使用不可");
const QString mdlM_Tape::kAdjustTitle = QStringLiteral("音声の調節");
const QString mdlM_Tape::kUnsupportedOs = QStringLiteral("Windows Vista");
const QString mdlM_Tape::kNextStopEnglish = QStringLiteral("The next stop is %1.");
const QString mdlM_Tape::kLastStopEnglish = QStringLiteral("The next stop is %1, the last stop.");
const QString mdlM_Tape::kBoundForEnglish = QStringLiteral("This bus is bound for %1.");
const QString mdlM_Tape::kEnglishMark = QStringLiteral("[en]");

mdlM_Tape::mdlM_Tape(TapeHost& host, SpeechEngineFactory factory)
    : host_(host), factory_(std::move(factory)) {}

bool mdlM_Tape::isUnsupportedOs() const {
  return companion().GetOsInfo() == kUnsupportedOs;
}

void mdlM_Tape::InitTape() {
  if (!isUnsupportedOs()) {
    TapeVoice = factory_ ? factory_() : nullptr;
    if (TapeVoice) {
      host_.setTapeFrameEnabled(true);
      host_.setTapeCaption(kCaptionUsable);
      TapeEnabled = true;
      return;
    }
  }
  TapeEnabled = false;
  host_.setTapeCaption(kCaptionUnusable);
  host_.setTapeFrameEnabled(false);
}

void mdlM_Tape::LoadTape(const QString& strFolder, const QString& strRoute) {
  if (isUnsupportedOs()) return;
  TapeFile file = readTapeFile(strFolder, strRoute);
  // A file that cannot be read whole leaves an empty tape: nothing of the
  // previous route may be spoken or step the board.
  if (!file.ok()) {
    TapeCount = 0;
    TapeData.assign(1, TapeEntry{});
    TapePos = 0;
    host_.setTapeFrameEnabled(false);
    return;
  }
  TapeCount = static_cast<std::int32_t>(file.entries.size());
  TapeData.assign(1, TapeEntry{});
  TapeData.insert(TapeData.end(), std::make_move_iterator(file.entries.begin()),
                  std::make_move_iterator(file.entries.end()));
  TapePos = 0;
  if (TapeEnabled) {
    host_.setTapeFrameEnabled(true);
    host_.setTapeButtonsEnabled(true);
  }
  prepareAround(host_.shownRow());
}

QString mdlM_Tape::soundForFlag(std::int16_t flag) {
  if (flag >= 1 && flag <= 3) return host_.selectSound(3 + flag);
  return {};
}

void mdlM_Tape::TapeNext() {
  ++TapePos;
  if (TapePos > TapeCount) {
    TapePos = TapeCount;
    return;
  }
  const QString sound =
      host_.alwaysPlaySound() ? host_.selectSound(3) : soundForFlag(GetTapeSndFlag(TapePos));
  if (!sound.isEmpty())
    mdlSndAPI::PlaySnd(sound, QStringLiteral("S3"), host_.waitForSound() ? -1 : 0, 0);
  // The panel steps the board after this; the lines ahead start from there.
  const int shown = host_.shownRow();
  SpeakTape(TapePos, 1);
  prepareAround(rowAfter(TapePos, shown, 1));
}

void mdlM_Tape::TapeBack() {
  --TapePos;
  if (TapePos < 1) {
    TapePos = 1;
    return;
  }
  // The back operation chooses by flag only, and plays on the stepping alias.
  const QString sound = soundForFlag(GetTapeSndFlag(TapePos));
  if (!sound.isEmpty())
    mdlSndAPI::PlaySnd(sound, QStringLiteral("S2"), host_.waitForSound() ? -1 : 0, 0);
  const int shown = host_.shownRow();
  SpeakTape(TapePos, -1);
  prepareAround(rowAfter(TapePos, shown, -1));
}

void mdlM_Tape::SpeakTape(std::int32_t pos, int direction) {
  if (!TapeVoice || !inRange(pos)) return;
  TapeVoice->stop();
  TapeVoice->speak(linesFor(pos, host_.shownRow(), direction));
  if (TapeVoice->status() == -1) TapeVoice->stop();
}

void mdlM_Tape::setEnglish(bool on) {
  if (english_ == on) return;
  english_ = on;
  prepareAround(host_.shownRow());
}

bool mdlM_Tape::speaksEnglish() const {
  return english_ && TapeVoice && TapeVoice->speaks(SpeechLanguage::English);
}

int mdlM_Tape::rowAfter(std::int32_t pos, int from, int direction) const {
  if (GetTapeStepFlag(pos) != 1) return from;
  const int to = from + direction;
  return from >= 1 && to >= 1 && to <= host_.lastRow() ? to : from;
}

std::vector<SpeechLine> mdlM_Tape::linesFor(std::int32_t pos, int from, int direction) const {
  if (!inRange(pos)) return {};
  const QString& text = TapeData[static_cast<std::size_t>(pos)].Text;
  const bool english = speaksEnglish();
  if (text.startsWith(kEnglishMark, Qt::CaseInsensitive)) {
    if (!english) return {};
    return {SpeechLine{text.mid(kEnglishMark.size()), SpeechLanguage::English}};
  }
  std::vector<SpeechLine> lines{SpeechLine{text}};
  if (!english) return lines;
  const int last = host_.lastRow();
  QString sentence;
  if (GetTapeStepFlag(pos) == 1) {
    const int to = rowAfter(pos, from, direction);
    const QString name = to != from ? host_.englishStopName(to) : QString();
    if (!name.isEmpty()) sentence = (to == last ? kLastStopEnglish : kNextStopEnglish).arg(name);
  } else if (pos == 1 && last >= 1) {
    const QString name = host_.englishStopName(last);
    if (!name.isEmpty()) sentence = kBoundForEnglish.arg(name);
  }
  if (!sentence.isEmpty()) lines.push_back(SpeechLine{sentence, SpeechLanguage::English});
  return lines;
}

void mdlM_Tape::TapeStop() {
  if (TapeVoice) TapeVoice->stop();
}

void mdlM_Tape::TapeSetDlg() {
  if (!TapeVoice) return;
  TapeVoice->adjustDialog(host_.tapeDialogOwner(), kAdjustTitle);
  // A new voice makes the lines around afresh; with the old one kept, this costs nothing.
  prepareAround(host_.shownRow());
}

void mdlM_Tape::TermTape() {
  TapeVoice.reset();
}

std::int16_t mdlM_Tape::GetTapeStepFlag(std::int32_t pos) const {
  return inRange(pos) ? TapeData[static_cast<std::size_t>(pos)].StepFlag : std::int16_t{0};
}

std::int16_t mdlM_Tape::GetTapeSndFlag(std::int32_t pos) const {
  return inRange(pos) ? TapeData[static_cast<std::size_t>(pos)].SndFlag : std::int16_t{0};
}

const TapeEntry& mdlM_Tape::tapeEntry(std::int32_t pos) const {
  return TapeData.at(static_cast<std::size_t>(pos));
}

// The next line, the previous one, and the one after next for a quick
// second press, each with its English.
void mdlM_Tape::prepareAround(int shown) {
  if (!TapeVoice) return;
  const int afterNext = rowAfter(TapePos + 1, shown, 1);
  for (const auto& lines : {linesFor(TapePos + 1, shown, 1), linesFor(TapePos - 1, shown, -1),
                            linesFor(TapePos + 2, afterNext, 1)})
    for (const SpeechLine& line : lines) TapeVoice->prepare(line);
}

}  // namespace sorane
