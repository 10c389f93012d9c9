#include "romaji.h"

#include <gtest/gtest.h>

namespace sorane {
namespace {

struct Romanised {
  const char* reading;
  const char* name;
  const char* english;
};

class RomanisedStopName : public ::testing::TestWithParam<Romanised> {};

TEST_P(RomanisedStopName, IsWrittenAsRoadSignsWriteIt) {
  const Romanised& c = GetParam();
  EXPECT_EQ(romanizedStopName(QString::fromUtf8(c.reading), QString::fromUtf8(c.name)),
            QString::fromUtf8(c.english))
      << c.reading << " / " << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RomanisedStopName,
    ::testing::Values(Romanised{"とんけし", "とんけし", "Tonkeshi"},
                      Romanised{"とうきょうえき", "東京駅", "Tokyo Station"},
                      Romanised{"こうふえきまえ", "甲府駅前", "Kofu Ekimae"},
                      Romanised{"まえばしえき", "前橋駅", "Maebashi Station"},
                      Romanised{"ちゅうおうびょういん", "中央病院", "Chuo Hospital"},
                      Romanised{"しみんびょういんまえ", "市民病院前", "Shimin Hospital"},
                      Romanised{"ゆうびんきょくまえ", "郵便局前", "Yubinkyoku-mae"},
                      Romanised{"きたのだいだんち", "北野台団地", "Kitanodai Danchi"},
                      Romanised{"ほんまちさんちょうめ", "本町三丁目", "Honmachi 3-chome"},
                      Romanised{"みどりがおかいっちょうめ", "緑ヶ丘一丁目", "Midorigaoka 1-chome"},
                      Romanised{"さかえまちじゅうにちょうめ", "栄町１２丁目",
                                "Sakaemachi 12-chome"},
                      Romanised{"こうえんいりぐち", "公園入口", "Koen Iriguchi"},
                      Romanised{"おおどおり", "大通", "Odori"},
                      Romanised{"はっちょうぼり", "八丁堀", "Hatchobori"},
                      Romanised{"しんおおさか", "新大阪", "Shin'osaka"},
                      Romanised{"けんえいだんちまえ", "県営団地前", "Ken'ei Danchi-mae"},
                      Romanised{"やまのうえおんせん", "山の上温泉", "Yamanoue Onsen"},
                      Romanised{"けんりつこうこうまえ", "県立高校前", "Kenritsu High School"},
                      Romanised{"ソラネエキマエバスターミナル", "ソラネ駅前バスターミナル",
                                "Sorane Ekimae Basutaminaru"},
                      Romanised{"ふぁみりーまーとまえ", "ファミリーマート前", "Famirimato-mae"},
                      Romanised{"ひばりがおか", "ひばりが丘", "Hibarigaoka"},
                      // A table word whose reading is not where the name puts it is read
                      // as the reading says.
                      Romanised{"ひがしまち", "駅", "Higashimachi"},
                      // Without a name, the reading alone; its blanks part words.
                      Romanised{"ちゃやまち ちゅうおう", "", "Chayamachi Chuo"},
                      Romanised{"", "東京駅", ""}));

TEST(KanaToRomaji, SoundsOfTwoKanaAndTheSmallTsu) {
  EXPECT_EQ(kanaToRomaji("ティーチャー ヴァイオリン"), "ticha vaiorin");
  EXPECT_EQ(kanaToRomaji("きっぷ・まっちゃ"), "kippu matcha");
  EXPECT_EQ(kanaToRomaji("じゅうにんや"), "junin'ya");
  EXPECT_EQ(kanaToRomaji("ｶﾀｶﾅ"), "katakana");
}

}  // namespace
}  // namespace sorane
