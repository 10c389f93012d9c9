#include "board_model.h"

#include <algorithm>

#include "degit_format.h"
#include "ui.h"

namespace sorane {
namespace {

const QString kHeadsignSuffix = QStringLiteral("行");

// "１２" -> 12; nothing for a caption that is not a number ("な し", "").
std::optional<int> captionNumber(const QString& caption) {
  bool ok = false;
  const int n = caption.normalized(QString::NormalizationForm_KC).trimmed().toInt(&ok);
  if (!ok) return std::nullopt;
  return n;
}

}  // namespace

bool StopExtras::hasIc() const {
  return std::any_of(ic.begin() + 1, ic.end(), [](const auto& f) { return f.has_value(); });
}

NextStop nextStopFor(int currentRow, int rowCount) {
  if (currentRow < 1 || currentRow > rowCount) return {};
  if (currentRow == rowCount) return {currentRow, true};
  return {currentRow + 1, false};
}

std::int32_t doubledAtNight(std::int32_t fare) {
  return fare == -1 ? fare : 2 * fare;
}

std::vector<StopExtras> extrasFromStops(const RouteStops& stops, int rows) {
  std::vector<StopExtras> out(static_cast<std::size_t>(std::max(rows, 0)));
  if (stops.empty()) return out;
  for (int r = 1; r <= rows; ++r) {
    StopExtras& e = out[static_cast<std::size_t>(r - 1)];
    e.reading = stops.name(r, StopLanguage::Reading);
    e.en = stops.name(r, StopLanguage::English);
    e.zhHans = stops.name(r, StopLanguage::ChineseSimplified);
    e.zhHant = stops.name(r, StopLanguage::ChineseTraditional);
    e.ko = stops.name(r, StopLanguage::Korean);
    for (int k = 1; k <= BoardModel::kCells; ++k)
      if (const std::optional<int> fare = stops.icFare(r, k))
        e.ic[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(*fare);
  }
  return out;
}

BoardModel::BoardModel(QObject* parent) : QObject(parent) {
  // Full-width captions, as the classic board starts.
  for (int k = 1; k <= kCells; ++k) {
    QString full;
    for (const QChar c : QString::number(k)) full += QChar(c.unicode() - u'0' + u'０');
    labels_[static_cast<std::size_t>(k)] = full;
  }
  announcedSince_ = ui().now();
}

void BoardModel::setRoute(const std::vector<RouteRow>& rows, std::vector<StopExtras> extras) {
  names_.clear();
  highestTicket_ = 0;
  for (const RouteRow& r : rows) {
    names_.push_back(r.StopName);
    highestTicket_ = std::max<int>(highestTicket_, r.Values[0]);
  }
  // A route without ticket numbers: as far as any row has a fare.
  if (highestTicket_ < 1)
    for (const RouteRow& r : rows)
      for (int k = 1; k <= kCells; ++k)
        if (r.Values[static_cast<std::size_t>(k)] != 0)
          highestTicket_ = std::max(highestTicket_, k);
  highestTicket_ = std::min(highestTicket_, kCells);
  extras.resize(rows.size());
  extras_ = std::move(extras);
  hasIc_ =
      std::any_of(extras_.begin(), extras_.end(), [](const StopExtras& e) { return e.hasIc(); });
  currentRow_ = std::min(currentRow_, rowCount());
  announce();
  emit changed();
}

QString BoardModel::stopName(int row) const {
  if (row < 1 || row > rowCount()) return {};
  return names_[static_cast<std::size_t>(row - 1)];
}

const StopExtras& BoardModel::extras(int row) const {
  static const StopExtras kNone;
  if (row < 1 || row > rowCount()) return kNone;
  return extras_[static_cast<std::size_t>(row - 1)];
}

QString BoardModel::stopName(int row, Language language) const {
  const StopExtras& e = extras(row);
  switch (language) {
    case Language::Japanese:
      return stopName(row);
    case Language::Reading:
      return e.reading;
    case Language::English:
      return e.en;
    case Language::ChineseSimplified:
      return e.zhHans;
    case Language::ChineseTraditional:
      return e.zhHant;
    case Language::Korean:
      return e.ko;
  }
  return {};
}

void BoardModel::setCurrentRow(int row) {
  row = std::clamp(row, 0, rowCount());
  if (row == currentRow_) return;
  currentRow_ = row;
  announce();
  emit changed();
}

QString BoardModel::headsign() const {
  const QString last = stopName(rowCount());
  return last.isEmpty() ? QString() : last + kHeadsignSuffix;
}

void BoardModel::setDigitOptions(std::int16_t zeroMode, std::int16_t fillZero, std::int16_t shift) {
  if (zeroMode == zeroMode_ && fillZero == fillZero_ && shift == shift_) return;
  zeroMode_ = zeroMode;
  fillZero_ = fillZero;
  shift_ = shift;
  emit changed();
}

void BoardModel::setCellLabels(const std::array<QString, 33>& labels) {
  if (labels == labels_) return;
  labels_ = labels;
  emit labelsChanged();
  emit changed();
}

QString BoardModel::cellLabel(int cell) const {
  if (cell < 1 || cell > kCells) return {};
  return labels_[static_cast<std::size_t>(cell)];
}

QString BoardModel::cellText(const QVariant& value) const {
  return degitDisplayText(value, zeroMode_, fillZero_, shift_, kDigitCells);
}

void BoardModel::showFares(int row, const RouteRow& values, int firstCell) {
  const StopExtras& e = extras(row);
  const int first = std::max(firstCell, 1);
  if (first > kCells) return;
  for (int a = first; a <= kCells; ++a) {
    const auto k = static_cast<std::size_t>(a);
    std::int32_t cash = values.Values[k];
    std::int32_t ic = e.ic[k].value_or(values.Values[k]);
    if (night_) {
      cash = doubledAtNight(cash);
      ic = doubledAtNight(ic);
    }
    cells_[k] = {cash, ic, false};
  }
  cellsWritten(first, kCells);
}

void BoardModel::setInfoDigit(int cell, const QVariant& value) {
  if (cell < 1 || cell > kCells) return;
  cells_[static_cast<std::size_t>(cell)] = {value, QVariant(), true};
  cellsWritten(cell, cell);
}

void BoardModel::setAllCells(const QVariant& value) {
  writeAll({value, value, false});
  cellsWritten(1, kCells);
}

BoardModel::Cell BoardModel::cell(int index) const {
  if (index < 1 || index > kCells) return {};
  const Written& w = cells_[static_cast<std::size_t>(index)];
  auto text = [this](const QVariant& v) { return v.isValid() ? cellText(v) : QString(); };
  return {text(w.cash), text(w.ic), w.info};
}

QVariant BoardModel::cellValue(int index) const {
  if (index < 1 || index > kCells) return {};
  return cells_[static_cast<std::size_t>(index)].cash;
}

int BoardModel::shownCells() const {
  int shown = 0;
  bool anyNumber = false;
  for (int k = 1; k <= kCells; ++k) {
    const std::optional<int> n = captionNumber(labels_[static_cast<std::size_t>(k)]);
    anyNumber = anyNumber || n.has_value();
    if (!n || *n <= highestTicket_) shown = k;
    if (n && *n >= highestTicket_) break;
  }
  if (!anyNumber) shown = kCells;
  for (int k = kCells; k > shown; --k)
    if (cells_[static_cast<std::size_t>(k)].info) {
      shown = k;
      break;
    }
  return std::max(shown, 1);
}

void BoardModel::writeAll(const Written& w) {
  for (int k = 1; k <= kCells; ++k) cells_[static_cast<std::size_t>(k)] = w;
}

void BoardModel::cellsWritten(int first, int last) {
  emit cellsChanged(first, last);
  emit changed();
}

void BoardModel::setLampTest(bool on) {
  if (on == lampTest_) return;
  lampTest_ = on;
  if (!on) writeAll({0, 0, false});
  announce();
  cellsWritten(1, kCells);
}

void BoardModel::setCleared(bool on) {
  if (on == cleared_) return;
  cleared_ = on;
  announce();
  if (!on) {
    emit changed();
    return;
  }
  writeAll({});
  cellsWritten(1, kCells);
}

void BoardModel::setNightFare(bool on) {
  if (on == night_) return;
  night_ = on;
  emit changed();
}

void BoardModel::setBacklight(Backlight b) {
  if (b == backlight_) return;
  backlight_ = b;
  emit changed();
}

void BoardModel::setStopRequest(bool lit) {
  if (lit == stopRequest_) return;
  stopRequest_ = lit;
  announce();
  emit changed();
}

void BoardModel::announce() {
  announcedSince_ = ui().now();
}

}  // namespace sorane
