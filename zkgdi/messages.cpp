// The drawing layer's message boxes, word for word, lines joined by CR.
#include <cstdio>

#include "zkgdi/zkgdi_internal.h"

namespace zkgdi {

namespace {

const char* const kCaption = "ZKGDI";

std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  bool first = true;
  for (const std::string& l : lines) {
    if (!first) text += '\r';
    text += l;
    first = false;
  }
  return text;
}

// Put together once, before any window exists, as the game always has.
const std::string kModeMessage =
    Lines({"ZKGDIモードになっていません！", "",
           "このエラーを解消するためには、Createイベント内(描画対象のウィンドウを作成した直後)に",
           "StartZKGDI関数を実行する必要があります。",
           "また、StartZKGDI関数を実行した場合、プログラムの末尾でEndZKGDI関数を実行し、",
           "ZKGDIが使用したメモリ領域を開放する必要があります。"});

}  // namespace

int ShowModeMessage() {
  return platform::MessageBox(platform::GetForegroundWindow(), kModeMessage, kCaption,
                              platform::MB_OK);
}

int ShowTooManyWindows(Window owner) {
  const std::string text =
      Lines({"ZKGDIが使える最大ウィンドウ数を超えました！", "",
             "StartZKGDIでは最大" + std::to_string(kZkgdiMaxWindows) +
                 "個のウィンドウを設定できます。",
             "必要であればライブラリの最大数を増やして使用してください。"});
  return platform::MessageBox(owner, text, kCaption, platform::MB_OK | platform::MB_ICONEXCLAMATION);
}

int ShowAlreadyRegistered(Window window) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(window));
  const std::string text =
      Lines({std::string("ウィンドウ &h") + hex + " は既にZKGDIに定義されています！", "",
             "StartZKGDIは各ウィンドウに付き１度しか実行できません。",
             "再実行したい場合は、一度EndZKGDIで解放してください。"});
  return platform::MessageBox(window, text, kCaption, platform::MB_OK | platform::MB_ICONEXCLAMATION);
}

int ShowWrongWindow() {
  const std::string text = Lines({"このウィンドウには描画できません！", "",
                                  "ZKGDIではOpenBmpで取得したビットマップは",
                                  "開いた時の対象ウィンドウにしか描画できません。",
                                  "TargetWindowを使って現在のウィンドウを対象とし、",
                                  "再度ビットマップを取得し直す必要があります。"});
  return platform::MessageBox(platform::GetForegroundWindow(), text, kCaption, platform::MB_OK);
}

}  // namespace zkgdi
