// A clean sim backend and drawing layer per test; framed windows, client 320x240.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "zkgdi/zkgdi.h"

inline void Fill(Surface& s, uint32_t px) {
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) s.at(x, y) = px;
}

class ZkgdiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::sim::Reset();
    ResetZKGDI();
    platform::RegisterWindowClass("ZKTEST", [](Window w, uint32_t m, intptr_t wp, intptr_t lp) {
      return platform::DefWindowProc(w, m, wp, lp);
    });
  }
  void TearDown() override { ResetZKGDI(); }
  Window NewWindow(int w = 320, int h = 240) {
    return platform::CreateWindow("ZKTEST", "zk", platform::WS_CAPTION_FRAME, 10, 10, w + 6, h + 24, 0);
  }
  std::vector<platform::sim::MessageBoxRecord> Boxes() { return platform::sim::MessageBoxes(); }
  // Exactly n boxes so far, all this ZKGDI text, owner and flags.
  void ExpectBoxes(size_t n, const std::string& text, Window owner, uint32_t flags) {
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), n);
    for (const auto& b : boxes)
      EXPECT_TRUE(b.text == text && b.caption == "ZKGDI" && b.owner == owner && b.flags == flags)
          << b.text;
  }
  // One folder per test: ctest runs them side by side writing the same names.
  std::string TempDir() const {
    const auto* t = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string dir = std::string(QM_BINARY_DIR) + "/zkgdi_test_files/" + t->name();
    std::filesystem::create_directories(dir);
    return dir;
  }
};

// The texts the drawing layer must show, lines joined by CR.
inline const std::string kModeText =
    "ZKGDIモードになっていません！\r\r"
    "このエラーを解消するためには、Createイベント内(描画対象のウィンドウを作成した直後)に\r"
    "StartZKGDI関数を実行する必要があります。\r"
    "また、StartZKGDI関数を実行した場合、プログラムの末尾でEndZKGDI関数を実行し、\r"
    "ZKGDIが使用したメモリ領域を開放する必要があります。";

inline const std::string kWrongWindowText =
    "このウィンドウには描画できません！\r\r"
    "ZKGDIではOpenBmpで取得したビットマップは\r"
    "開いた時の対象ウィンドウにしか描画できません。\r"
    "TargetWindowを使って現在のウィンドウを対象とし、\r"
    "再度ビットマップを取得し直す必要があります。";

inline const std::string kTooManyText =
    "ZKGDIが使える最大ウィンドウ数を超えました！\r\r"
    "StartZKGDIでは最大256個のウィンドウを設定できます。\r"
    "必要であればライブラリの最大数を増やして使用してください。";

inline std::string AlreadyRegisteredText(Window w) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(w));
  return std::string("ウィンドウ &h") + hex +
         " は既にZKGDIに定義されています！\r\r"
         "StartZKGDIは各ウィンドウに付き１度しか実行できません。\r"
         "再実行したい場合は、一度EndZKGDIで解放してください。";
}
