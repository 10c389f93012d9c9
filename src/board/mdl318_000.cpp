#include "mdl318_000.h"

#include <optional>

#include "board_layout.h"
#include "board_model.h"
#include "fonts.h"
#include "form1.h"
#include "frm_option.h"
#include "panel_art.h"
#include "program.h"
#include "runtime_error.h"
#include "ui.h"

namespace sorane::mdl318_000 {
namespace {

SeiriLabel& label(Form1& form, int i) {
  SeiriLabel* l = form.lblSeiriNum[static_cast<std::size_t>(i)];
  if (!l) throw RuntimeError(err::kObjectNotSet);
  return *l;
}

}  // namespace

QString toFullWidth(const QString& text) {
  QString out = text;
  for (QChar& ch : out) {
    const char16_t u = ch.unicode();
    if (u == u' ')
      ch = QChar(0x3000);
    else if (u > 0x20 && u < 0x7F)
      ch = QChar(static_cast<char16_t>(u - 0x20 + 0xFF00));
  }
  return out;
}

QString seiriNumberCaption(int n, bool zeroPad) {
  QString digits = QString::number(n);
  if (zeroPad && n >= 0 && n < 10) digits.prepend(QLatin1Char('0'));
  return toFullWidth(digits);
}

QString noTicketCaption(int style) {
  switch (style) {
    case 2:
    case 3:
      return QStringLiteral("な し");
    case 4:
    case 5:
      return QStringLiteral("無 券");
    case 6:
    case 7:
      return QStringLiteral("券なし");
    case 8:
    case 9:
      return QStringLiteral("券無し");
    default:
      return {};
  }
}

void InitBoardCells(Form1& form) {
  std::array<QString, 33> captions;
  for (int i = 1; i <= board::kCells; ++i) {
    M_Degit* d = form.Degit[static_cast<std::size_t>(i)];
    d->setDegitStyle(2);
    d->ResetDegit(false);
    label(form, i);
    captions[static_cast<std::size_t>(i)] = seiriNumberCaption(i, false);
  }
  form.model().setCellLabels(captions);
}

void InitPanelDefaults(Program& app) {
  frmOption& option = app.option();
  option.Check1->setValue(1);
  for (ColorButton* b : option.Command5) b->setBackColor(colorRef(205, 209, 134));
  Form1& form = app.form1();
  form.imgRes[0] = panelPicture(form.devicePixelRatioF());
  form.setPicture(form.imgRes[0]);
  form.imgRes[1] = form.imgRes[0];
  form.imgRes[2] = form.imgRes[0];
}

void SeirikenNumSet(Form1& form, const std::int16_t& style, const std::int16_t& zeroPad) {
  // The captions live in the board model; the labels show them.
  std::array<QString, 33> captions = form.model().cellLabels();
  auto put = [&](int i, const QString& text) {
    label(form, i);
    captions[static_cast<std::size_t>(i)] = text;
  };
  std::optional<RuntimeError> failure;
  try {
    const int s = style;
    const bool pad = zeroPad != 0;
    SeiriLabel& first = label(form, 1);
    if (s < 2) {
      first.setFace(kFaceNum5, 12);
    } else {
      first.setFace(kFacePGothic, 11);
      put(1, noTicketCaption(s));
    }
    if (s >= 0 && s <= 11) {
      if (s == 0) {
        for (int n = 1; n <= 32; ++n) put(n, seiriNumberCaption(n, pad));
      } else if (s == 1) {
        for (int n = 0; n <= 31; ++n) put(n + 1, seiriNumberCaption(n, pad));
      } else {
        // Even styles number from 1 in cell 2, odd ones keep cell i at i.
        const int offset = s % 2 == 0 ? 0 : 1;
        for (int n = 1; n <= 31; ++n) put(n + 1, seiriNumberCaption(n + offset, pad));
      }
    }
  } catch (const RuntimeError& e) {
    failure = e;
  }
  form.model().setCellLabels(captions);
  if (failure)
    ui().message(QStringLiteral("エラーです！\r\n\r\nコード：%1\r\n\r\n内容：%2\r\n\r\n"
                                "モジュール：IniIO-SeirikenNumSet( )")
                     .arg(failure->number())
                     .arg(failure->description()),
                 QStringLiteral("エラー！"), MsgButtons::Ok, MsgIcon::Critical);
}

}  // namespace sorane::mdl318_000
