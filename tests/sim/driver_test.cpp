// The quillmoor-sim run, in process, with a small stand-in program: key
// script, captures, dumps, sets, the log, the audio capture, the three ways a
// run ends, and byte-identical repeats.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/gfx/png.h"
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_driver.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

// A program in the shape of the game: a window thread that paints a picture
// drawn by a frame thread every 10 ms, a state dump, a settable field, the
// clicks it gets, and Escape to quit with code 7.
int frame = 0;
Window mainWin = 0;
std::vector<intptr_t> clicks;

intptr_t FakeProc(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  if (msg == WM_PAINT) {
    Surface* s = BeginPaint(w);
    for (int y = 0; y < s->height(); ++y)
      for (int x = 0; x < s->width(); ++x) s->at(x, y) = static_cast<uint32_t>(frame);
    EndPaint(w);
  } else if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP) {
    clicks.push_back(lParam);
  } else if (msg == WM_KEYDOWN) {
    if (wParam == VK_ESCAPE) SendMessage(w, WM_CLOSE, 0, 0);
  } else if (msg == WM_DESTROY) {
    PostQuitMessage(7);
  } else {
    return DefWindowProc(w, msg, wParam, lParam);
  }
  return 0;
}

int FakeProgram() {
  frame = 0;
  clicks.clear();
  RegisterWindowClass("FAKE", FakeProc);
  mainWin = CreateWindow("FAKE", "fake window", WS_CAPTION_FRAME, 0, 0, 326, 264, 0);
  ShowWindow(mainWin, true);
  RegisterStateHooks({[] { return "{\"frame\": " + std::to_string(frame) + "}"; },
                      [](const std::string& name, const std::string& value) {
                        return name == "frame" && (frame = std::stoi(value), true);
                      }});
  StartThread([] {
    struct Unwound {
      ~Unwound() { LogEvent("frames stopped"); }
    } u;
    for (;;) frame++, InvalidateRect(mainWin), Sleep(10);
  }, "frames");
  LogEvent("tick " + std::to_string(GetTickCount()));
  Message m;
  int r;
  while ((r = GetMessage(m)) > 0) DispatchMessage(m);
  return r == 0 ? static_cast<int>(m.wParam) : 1;
}

std::string Slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

class Driver : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::path(QM_BINARY_DIR) / "sim_driver_test" /
          ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  int Run(std::vector<std::string> args, int (*program)() = FakeProgram) {
    std::vector<char*> argv{const_cast<char*>("quillmoor-sim")};
    for (auto& a : args) argv.push_back(a.data());
    return sim::SimMain(static_cast<int>(argv.size()), argv.data(), program);
  }
  std::string P(const std::string& name) const { return (dir / name).string(); }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(dir / name, std::ios::binary) << text;
  }
  fs::path dir;
};

}  // namespace

TEST_F(Driver, ARunScriptsInputCapturesAndLogsEndsWithTheProgramsCodeAndRepeatsByteForByte) {
  Write("keys.txt", "10 click \"fake window\" 5 6\n20 click missing 1 1\n500 down Escape\n520 up Escape\n");
  for (const std::string r : {"1", "2"}) {
    EXPECT_EQ(Run({"--keys", P("keys.txt"), "--tick", "77", "--log", P("log" + r), "--shot", "100:" + P("shot" + r),
                   "--state", "205:" + P("state" + r), "--set", "150:frame=1000", "--set", "160:nothing=1", "--audio",
                   P("wav" + r), "--exe", P("quillmoor")}),
              7);
  }
  for (const char* name : {"log", "shot", "state", "wav"})
    EXPECT_EQ(Slurp(dir / (std::string(name) + "1")), Slurp(dir / (std::string(name) + "2"))) << name;
  EXPECT_EQ(ExecutablePath(), P("quillmoor"));
  EXPECT_EQ(clicks, (std::vector<intptr_t>{MakeLParam(5, 6), MakeLParam(5, 6)}));  // down and up, none for "missing"
  EXPECT_EQ(Slurp(dir / "log1"),
            "0 window created \"fake window\"\n"
            "0 tick 77\n"
            "150 set frame=1000\n"
            "160 set nothing=1 rejected\n"
            "500 window destroyed \"fake window\"\n"
            "500 frames stopped\n"
            "500 exit 7\n");
  // Frames 1 (at 0) .. 11 (at 100). The set at 150 comes after that moment's
  // frame, so the dump at 205 sees 1000 + 5 (frames at 160 .. 200).
  EXPECT_EQ(Slurp(dir / "state1"), "{\"ms\":205,\"frame\": 1005}\n");
  Surface shot;
  ASSERT_TRUE(ReadPng(P("shot1"), shot));
  ASSERT_EQ(shot.width(), 320);
  ASSERT_EQ(shot.height(), 240);
  EXPECT_EQ(shot.at(0, 0), 11u);
  EXPECT_EQ(shot.at(319, 239), 11u);
  // Exactly 500 ms of 44.1 kHz 16-bit stereo after a 44-byte header.
  const std::string wav = Slurp(dir / "wav1");
  ASSERT_EQ(wav.size(), 44u + 22050u * 4u);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(static_cast<unsigned char>(wav[40]) | static_cast<unsigned char>(wav[41]) << 8 |
                static_cast<unsigned char>(wav[42]) << 16,
            22050 * 4);
}

TEST_F(Driver, BadArgumentsAndUnreadableFilesEndWithStatusOneBeforeTheProgramRuns) {
  static int ran = 0;
  Write("bad_keys.txt", "100 down Enter\n200 down Nothing\n");
  const std::vector<std::string> bad[] = {{"--nope"}, {"--keys", "/nonexistent/keys.txt"}, {"--keys", P("bad_keys.txt")},
                                          {"--dir", "/nonexistent/dir"}, {"--log", "/nonexistent/dir/log.txt"}};
  for (const auto& args : bad) EXPECT_EQ(Run(args, [] { return ++ran, 0; }), 1) << args.back();
  testing::internal::CaptureStdout();
  EXPECT_EQ(Run({"--help"}, [] { return ++ran, 0; }), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout().rfind("usage: quillmoor-sim [--dir DIR]", 0), 0u);
  EXPECT_EQ(ran, 0) << "nothing runs after a bad argument or --help";
}

TEST_F(Driver, UntilEndsTheRunAsIfKilledWithStatusTwo) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(Run({"--until", "300", "--log", P("log.txt"), "--audio", P("a.wav"), "--state",
                   "300:" + P("s.json"), "--state", "301:" + P("late.json")}),
              ::testing::ExitedWithCode(2), "");
  EXPECT_EQ(Slurp(dir / "log.txt"), "0 window created \"fake window\"\n0 tick 0\n300 exit 2\n");
  EXPECT_EQ(Slurp(dir / "s.json"), "{\"ms\":300,\"frame\": 31}\n");
  EXPECT_FALSE(fs::exists(dir / "late.json"));
  EXPECT_EQ(fs::file_size(dir / "a.wav"), 44u + 13230u * 4u);
}

TEST_F(Driver, ARunWhereEveryThreadWaitsForEverEndsWithStatusThree) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(Run({"--log", P("log.txt")},
                  [] {
                    Sleep(42);
                    Message m;
                    return GetMessage(m);
                  }),
              ::testing::ExitedWithCode(3), "every simulated thread waits for ever at 42 ms");
  EXPECT_EQ(Slurp(dir / "log.txt"), "42 exit 3\n");
}
