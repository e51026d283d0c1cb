// Common ground of the shell tests: a clean sim backend and game state, a
// scratch directory that holds the settings file, and small helpers.
#pragma once
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "entities/tables.h"
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "state/game_state.h"

// From the drawing layer (its header would clash with the X11 one in the
// real-window test).
void ResetZKGDI();

namespace shelltest {

namespace fs = std::filesystem;

inline intptr_t PlainProc(platform::Window w, uint32_t msg, intptr_t wp, intptr_t lp) {
  return platform::DefWindowProc(w, msg, wp, lp);
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::sim::Reset();
    ResetGameState();
    ResetZKGDI();
    ClearTables();
    dir_ = fs::temp_directory_path() /
           ("qm_shell_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    platform::sim::SetExecutablePath((dir_ / "quillmoor").string());
    platform::RegisterWindowClass("TESTWND", PlainProc);
  }
  void TearDown() override {
    platform::sim::Reset();
    ResetGameState();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // A framed window of the given outer rectangle.
  platform::Window MakeWindow(int x, int y, int w, int h) {
    return platform::CreateWindow("TESTWND", "test", platform::WS_CAPTION_FRAME, x, y, w, h, 0);
  }

  std::string SettingsFile() const { return (dir_ / "quillmoor.ini").string(); }

  // Index of the first log line containing text at or after `from`, or -1.
  static int LogIndex(const std::string& text, int from = 0) {
    std::vector<std::string> lines = platform::sim::LogLines();
    for (int i = from; i < static_cast<int>(lines.size()); ++i)
      if (lines[i].find(text) != std::string::npos) return i;
    return -1;
  }

  fs::path dir_;
};

inline bool SameRect(const platform::Rect& a, const platform::Rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace shelltest
