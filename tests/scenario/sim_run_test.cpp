// Whole runs of quillmoor-sim: the same arguments give the same bytes, the
// exit status tells how the run ended, --until saves nothing, and the audio
// capture covers exactly the simulated time.
#include <string>
#include <vector>

#include "platform/gfx/png.h"
#include "tests/scenario/scenario.h"

namespace scenario {
namespace {

// Start a game from the title, pass the banner, fly left and fire.
const char* kPlayScript =
    "# title, then the banner\n"
    "3000 down Enter\n"
    "3100 up Enter\n"
    "6000 down Enter\n"
    "6100 up Enter\n"
    "8000 down Left\n"
    "8600 up Left\n"
    "9000 down Space\n"
    "14000 up Space\n";

class SimRun : public ScenarioTest {
 protected:
  // The final "MS exit CODE" line of a log.
  static std::string LastLine(const std::string& log) {
    const auto lines = Lines(log);
    return lines.empty() ? std::string() : lines.back();
  }
};

TEST_F(SimRun, TwoRunsWithTheSameArgumentsWriteIdenticalFiles) {
  WriteFile(P("keys.txt"), kPlayScript);
  for (const std::string run : {"1", "2"}) {
    fs::remove(P("quillmoor.ini"));  // the same files each time: no settings yet
    const Result r = Run({"--keys", P("keys.txt"), "--tick", "4321", "--until", "16000",
                          "--log", P("log" + run), "--audio", P("wav" + run),
                          "--shot", "2500:" + P("title" + run),
                          "--shot", "12000:" + P("play" + run),
                          "--state", "2500:" + P("state-title" + run),
                          "--state", "12000:" + P("state-play" + run)});
    ASSERT_EQ(r.status, 2) << r.errors;
  }
  for (const std::string name : {"log", "wav", "title", "play", "state-title", "state-play"}) {
    const std::string first = ReadFile(P(name + "1"));
    ASSERT_FALSE(first.empty()) << name;
    EXPECT_TRUE(first == ReadFile(P(name + "2"))) << name << " differs between runs";
  }
  for (const std::string name : {"title1", "play1"}) {
    platform::Surface shot;
    ASSERT_TRUE(platform::ReadPng(P(name), shot)) << name;
    EXPECT_EQ(shot.width(), 320);
    EXPECT_EQ(shot.height(), 240);
  }
  EXPECT_EQ(ReadFile(P("state-play1")).rfind("{\"ms\":12000,", 0), 0u);
  EXPECT_EQ(LastLine(ReadFile(P("log1"))), "16000 exit 2");
}

TEST_F(SimRun, TheExitStatusTellsHowTheRunEnded) {
  // Escape: the program ends by itself with its own code, 0.
  WriteFile(P("escape.txt"), "1500 down Escape\n1550 up Escape\n");
  Result r = Run({"--keys", P("escape.txt"), "--until", "60000", "--log", P("log")});
  EXPECT_EQ(r.status, 0) << r.errors;
  const std::string last = LastLine(ReadFile(P("log")));
  EXPECT_NE(last.find(" exit 0"), std::string::npos) << last;
  EXPECT_GE(std::stoi(last), 1500);
  EXPECT_LT(std::stoi(last), 60000);

  // --until: killed at that moment.
  r = Run({"--until", "700", "--log", P("log")});
  EXPECT_EQ(r.status, 2) << r.errors;
  EXPECT_EQ(LastLine(ReadFile(P("log"))), "700 exit 2");

  // Bad arguments and bad scripts: 1 and one line on stderr, nothing run.
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--frobnicate"}, {"--until", "soon"},
        {"--display-fail", "9"}, {"--keys", P("missing.txt")}, {"stray"}}) {
    r = RunSim(bad, dir_);
    EXPECT_EQ(r.status, 1) << bad[0];
    EXPECT_EQ(Lines(r.errors).size(), 1u) << r.errors;
  }
  WriteFile(P("bad.txt"), "100 down Enter\n200 hold Enter\n");
  r = Run({"--keys", P("bad.txt"), "--log", P("never.log")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.errors.find("line 2"), std::string::npos) << r.errors;
  EXPECT_FALSE(fs::exists(P("never.log")));
  EXPECT_EQ(RunSim({"--help"}, dir_).status, 0);
}

TEST_F(SimRun, UntilSavesNothingWhileAnEndedRunSaves) {
  // A run that ends by Escape writes the settings, with a high score set.
  WriteFile(P("escape.txt"), "1500 down Escape\n");
  Result r = Run({"--keys", P("escape.txt"), "--set", "1000:hiScore=4242", "--until", "60000"});
  ASSERT_EQ(r.status, 0) << r.errors;
  const std::string saved = ReadFile(P("quillmoor.ini"));
  ASSERT_NE(saved.find("4242"), std::string::npos) << saved;
  // A run killed by --until after a new score has been set leaves the file alone.
  r = Run({"--set", "1000:hiScore=5555", "--until", "1600"});
  ASSERT_EQ(r.status, 2) << r.errors;
  EXPECT_EQ(ReadFile(P("quillmoor.ini")), saved);
}

TEST_F(SimRun, TheAudioCaptureCoversExactlyTheSimulatedTime) {
  Result r = Run({"--until", "1234", "--audio", P("a.wav")});
  ASSERT_EQ(r.status, 2) << r.errors;
  // 1234 ms at 44.1 kHz = 54419 whole frames of 4 bytes, after 44 bytes of header.
  EXPECT_EQ(fs::file_size(P("a.wav")), 44u + 54419u * 4u);

  WriteFile(P("escape.txt"), "2000 down Escape\n");
  r = Run({"--keys", P("escape.txt"), "--audio", P("b.wav"), "--log", P("log")});
  ASSERT_EQ(r.status, 0) << r.errors;
  const uint64_t endMs = std::stoull(LastLine(ReadFile(P("log"))));
  EXPECT_EQ(fs::file_size(P("b.wav")), 44u + endMs * 44100u / 1000u * 4u);
  // The opening music was playing: the capture is not silence.
  const std::string wav = ReadFile(P("b.wav"));
  EXPECT_NE(wav.find_first_not_of('\0', 44), std::string::npos);
}

TEST_F(SimRun, TheDisplaySwitchFailsWithTheCodeAsked) {
  WriteFile(P("f4.txt"), "2000 down F4\n2050 up F4\n");
  Result r = Run({"--keys", P("f4.txt"), "--until", "2500", "--log", P("ok.log")});
  ASSERT_EQ(r.status, 2) << r.errors;
  EXPECT_NE(ReadFile(P("ok.log")).find("2000 display mode 320x240x16 4097\n"), std::string::npos);

  r = Run({"--keys", P("f4.txt"), "--until", "2500", "--log", P("fail.log"), "--display-fail",
           "2"});
  ASSERT_EQ(r.status, 2) << r.errors;
  const std::string log = ReadFile(P("fail.log"));
  EXPECT_NE(log.find("2000 message box \"Full Window\" "
                     "\"DirectDrawの作成に失敗しました(Err=2)\"\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("display mode 320x240"), std::string::npos);
}

TEST_F(SimRun, RelativePathsAreTakenFromTheStartingDirectory) {
  // Started in dir_, reading the data through --dir: the outputs land in dir_.
  Result r = RunSim({"--dir", QM_SOURCE_DIR, "--exe", "quillmoor", "--until", "2500", "--log",
                     "rel.log", "--shot", "2400:rel.png", "--state", "2400:rel.json"},
                    dir_);
  ASSERT_EQ(r.status, 2) << r.errors;
  EXPECT_TRUE(fs::exists(P("rel.log")));
  EXPECT_TRUE(fs::exists(P("rel.png")));
  EXPECT_TRUE(fs::exists(P("rel.json")));
  EXPECT_TRUE(fs::exists(P("quillmoor.ini"))) << "the settings file sits beside --exe";
  EXPECT_FALSE(fs::exists(fs::path(QM_SOURCE_DIR) / "rel.log"));
}

}  // namespace
}  // namespace scenario
