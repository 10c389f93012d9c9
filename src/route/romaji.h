#pragma once

#include <QString>

namespace sorane {

// Kana (hiragana or katakana) in modified Hepburn as road signs write it:
// lower case, no macrons, long vowels written plainly (おう, おお -> o,
// うう -> u, ー dropped), ん as n (n' before a vowel or y), っ doubling the
// next consonant (t before ch). Blanks and ・ part words; anything that is
// not kana stays as it is.
QString kanaToRomaji(const QString& kana);

// An English name for a stop from its kana `reading` and its Japanese
// `name`, in the style of Japanese road and station signs: the reading in
// Hepburn, a capital at the start of each word, and a small table of words
// found in the name (駅 Station, 駅前 Ekimae, 前 -mae, 丁目 -chome, ...).
// A table word counts only where the reading holds its reading at the same
// place; a number before 丁目 is written in digits. Empty without a reading.
QString romanizedStopName(const QString& reading, const QString& name = QString());

}  // namespace sorane
