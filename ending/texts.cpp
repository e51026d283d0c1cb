#include "ending/texts.h"

// Lines 1, 12 and 13 are shared by the three ordinary endings.
#define OPENING "邪悪な魔導師は、ついに倒れた。"
#define CLOSING_1 "やがて雲の切れ間に、"
#define CLOSING_2 "懐かしい故郷の星が見えてきた。"

const char* const kEndingNarrow[kEndingLines + 1] = {
    "",
    OPENING,
    "「……はぁ、はぁ。なんとか勝てたか……」",
    "機体は煙を噴き、警報は鳴りやまない。",
    "一歩間違えば、墜ちていたのは自分だった。",
    "震える手で、操縦桿を握り直す。",
    "",
    "「帰ったら、まずは熱い風呂だな」",
    "故郷では仲間たちが、",
    "温かい食事を用意して待っている。",
    "傷だらけの翼よ、あと少しだけ頼む。",
    "",
    CLOSING_1,
    CLOSING_2,
};

const char* const kEndingFlawless[kEndingLines + 1] = {
    "",
    OPENING,
    "「ふん、この程度か。あくびが出るぜ」",
    "魔導師の弾幕も、呪いの炎も、",
    "彼の翼をかすめることすらなかった。",
    "戦いは、朝の散歩のようなものだった。",
    "",
    "「おいおい、傷ひとつ付いてないぞ」",
    "磨き上げた機体は出撃の時のまま、",
    "陽の光を受けて輝いている。",
    "整備班の出番は、今回もなさそうだ。",
    "",
    CLOSING_1,
    CLOSING_2,
};

const char* const kEndingClear[kEndingLines + 1] = {
    "",
    OPENING,
    "「やった……！　ついにやったぞ！」",
    "幾多の敵を退け、",
    "魔導師の城は光の中に崩れ落ちた。",
    "空を覆っていた暗雲が、",
    "ゆっくりと晴れていく。",
    "",
    "「さて、報告書はどう書こうかな」",
    "「魔導師、倒しました。以上」……",
    "これでは隊長に怒られそうだ。",
    "",
    CLOSING_1,
    CLOSING_2,
};

const char* const kEndingGod[kEndingLines + 1] = {
    "",
    "倒したはずの魔導師が、",
    "闇の底から再び立ち上がった。",
    "だが光に貫かれ、その身は再び崩れ落ちる。",
    "",
    "砕けた亡骸は黒い霧となって渦を巻き、",
    "ひとつに寄り集まりながら、",
    "巨大な竜の姿を形づくっていく。",
    "",
    "竜は燃える瞳で彼を見下ろし、語りかけた。",
    "「見事だ、小さき翼よ。だが我こそ真の主。",
    "　その力、今一度我が前に示してみせよ」",
    "",
    "戦いは、まだ終わらない――",
};

const CreditPage kCredits[kCreditPages] = {
    {"プログラム", {"Quillmoor 開発チーム", "", ""}},
    {"開発ツール提供", {"GCC・CMake (ビルド)", "", ""}},
    {"画像", {"開発チーム (ドット絵)", "IPAフォント (文字)", "FreeType (文字の描画)"}},
    {"音楽・効果音", {"FluidSynth・TimGM6mb (音源)", "", ""}},
    {"企画・立案", {"Quillmoor 開発チーム", "", ""}},
    {"テストプレイ", {"Quillmoor 開発チーム", "GoogleTest (自動テスト)", "quillmoor-sim (自動操縦)"}},
};

const char* const kPresenter = "Quillmoor Team";

const char* const kClosingNote[kClosingNotes] = {
    "作曲・作画  Quillmoor 開発チーム",
    "SDL2 (画面・入力・音声出力)",
    "fontconfig・libpng (フォント検索・画像保存)",
};
