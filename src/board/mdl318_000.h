#pragma once

#include <QString>
#include <cstdint>

namespace sorane {

class Form1;
class Program;

// The board module: start state of the cells and the ticket-number captions.
namespace mdl318_000 {

// All 32 fare cells blank in face C; captions "１" .. "３２".
void InitBoardCells(Form1& form);
// Defaults of the settings dialog that the board uses, and the built-in
// panel picture as the board's background.
void InitPanelDefaults(Program& app);
// Captions of the 32 ticket-number labels for a numbering style 0..11 and
// the zero-pad flag (non-zero pads one-digit numbers), and cell 1's face.
void SeirikenNumSet(Form1& form, const std::int16_t& style, const std::int16_t& zeroPad);

// n in full-width digits, two digits when zero-padding one-digit numbers.
QString seiriNumberCaption(int n, bool zeroPad);
// ASCII characters turned into their full-width forms.
QString toFullWidth(const QString& text);
// Cell 1's text for a numbering style ("な し", "無 券", ...); empty when
// the style has none.
QString noTicketCaption(int style);

}  // namespace mdl318_000
}  // namespace sorane
