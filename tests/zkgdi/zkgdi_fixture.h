// A clean sim backend and drawing layer per test, with framed windows whose
// client area is the game's 320x240.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "zkgdi/zkgdi.h"

class ZkgdiTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A framed window of client size w x h (outer w + 6, h + 24).
  Window NewWindow(int w = 320, int h = 240);
  std::vector<platform::sim::MessageBoxRecord> Boxes() { return platform::sim::MessageBoxes(); }
  std::string TempDir() const;
};

// The texts the drawing layer must show, lines joined by CR.
extern const std::string kModeText;
extern const std::string kWrongWindowText;
extern const std::string kTooManyText;
std::string AlreadyRegisteredText(Window w);
