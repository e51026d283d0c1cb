// Common ground of the shell tests: a clean sim backend and game state, and a
// scratch directory that holds the settings file.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "entities/tables.h"
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "state/game_state.h"

void ResetZKGDI();  // from the drawing layer, whose header clashes with X11's

namespace shelltest {

namespace fs = std::filesystem;

inline intptr_t PlainProc(platform::Window w, uint32_t m, intptr_t wp, intptr_t lp) { return platform::DefWindowProc(w, m, wp, lp); }

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::sim::Reset(), ResetGameState(), ResetZKGDI(), ClearTables();
    dir_ = fs::temp_directory_path() / ("qm_shell_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    platform::sim::SetExecutablePath((dir_ / "quillmoor").string());
    platform::RegisterWindowClass("TESTWND", PlainProc);
  }
  void TearDown() override {
    platform::sim::Reset(), ResetGameState();
    fs::remove_all(dir_, ec_);
  }
  platform::Window MakeWindow(int x, int y, int w, int h) {  // framed, of this outer rectangle
    return platform::CreateWindow("TESTWND", "test", platform::WS_CAPTION_FRAME, x, y, w, h, 0);
  }
  // Index of the first log line containing text at or after `from`, or -1.
  static int LogIndex(const std::string& text, int from = 0) {
    std::vector<std::string> lines = platform::sim::LogLines();
    for (int i = from; i < static_cast<int>(lines.size()); ++i)
      if (lines[i].find(text) != std::string::npos) return i;
    return -1;
  }
  fs::path dir_;
  std::error_code ec_;
};

inline bool SameRect(const platform::Rect& a, const platform::Rect& b) {
  return std::tie(a.left, a.top, a.right, a.bottom) == std::tie(b.left, b.top, b.right, b.bottom);
}

}  // namespace shelltest
