// quillmoor-sim's key scripts and command line: what is accepted, and that
// every malformed input is refused with the line or argument named.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_driver.h"

using namespace platform;
using platform::sim::ScriptEvent;

namespace {

std::vector<ScriptEvent> ParseOk(const std::string& text) {
  std::vector<ScriptEvent> out;
  std::string error;
  EXPECT_TRUE(sim::ParseKeyScript(text, out, error)) << error;
  return out;
}

std::string ParseError(const std::string& text) {
  std::vector<ScriptEvent> out;
  std::string error;
  EXPECT_FALSE(sim::ParseKeyScript(text, out, error)) << "accepted: " << text;
  return error;
}

bool ParseArgs(std::vector<std::string> args, sim::SimOptions& o, std::string* error = nullptr) {
  std::string e;
  const bool ok = sim::ParseCommandLine(args, o, e);
  if (error) *error = e;
  return ok;
}

}  // namespace

TEST(KeyScript, EveryKeyNameAndCodeMapsToItsVirtualKey) {
  const std::pair<const char*, int> names[] = {
      {"Enter", 13}, {"Shift", 16}, {"Ctrl", 17}, {"Escape", 27}, {"Space", 32},
      {"Left", 37},  {"Up", 38},    {"Right", 39}, {"Down", 40},  {"P", 80},
      {"S", 83},     {"F2", 113},   {"F4", 115},   {"enter", 13}, {"f4", 115},
      {"65", 65},    {"1", 1},      {"254", 254},
  };
  for (const auto& [name, vk] : names) EXPECT_EQ(sim::ParseKeyName(name), vk) << name;
  for (const char* bad : {"", "0", "255", "-1", "Q", "F5", "Return", "0x41", "13a", " 13"}) {
    EXPECT_EQ(sim::ParseKeyName(bad), 0) << bad;
  }
}

TEST(KeyScript, ReadsDownUpAndClickWithCommentsBlanksAndQuotes) {
  const auto ev = ParseOk(
      "# a comment line\n"
      "\n"
      "100 down Enter   # trailing comment\r\n"
      "  250\tup   Enter\n"
      "300 click \"Option\" 10 -2\n"
      "400 click \"Full Window #2\" 0 32767\n"
      "500 click Option 1 2\n"
      "600 click \"say \\\"hi\\\"\" 3 4\n"
      "0 down 83");
  ASSERT_EQ(ev.size(), 7u);
  EXPECT_EQ(ev[0].ms, 100u);
  EXPECT_EQ(ev[0].kind, ScriptEvent::Kind::Down);
  EXPECT_EQ(ev[0].vk, VK_RETURN);
  EXPECT_EQ(ev[0].line, 3);
  EXPECT_EQ(ev[1].ms, 250u);
  EXPECT_EQ(ev[1].kind, ScriptEvent::Kind::Up);
  EXPECT_EQ(ev[2].kind, ScriptEvent::Kind::Click);
  EXPECT_EQ(ev[2].title, "Option");
  EXPECT_EQ(ev[2].x, 10);
  EXPECT_EQ(ev[2].y, -2);
  EXPECT_EQ(ev[3].title, "Full Window #2") << "# inside quotes is text";
  EXPECT_EQ(ev[4].title, "Option");
  EXPECT_EQ(ev[5].title, "say \"hi\"");
  EXPECT_EQ(ev[6].ms, 0u);
  EXPECT_EQ(ev[6].vk, 'S');
  EXPECT_EQ(ev[6].line, 9);
  EXPECT_TRUE(ParseOk("").empty());
  EXPECT_TRUE(ParseOk("\n\n# only comments\n").empty());
}

TEST(KeyScript, RefusesMalformedLinesNamingTheLine) {
  EXPECT_EQ(ParseError("10 down Enter\nx down Enter\n"), "line 2: bad time \"x\"");
  EXPECT_EQ(ParseError("10 down Foo"), "line 1: unknown key \"Foo\"");
  EXPECT_EQ(ParseError("10 press Enter"), "line 1: unknown event \"press\"");
  EXPECT_EQ(ParseError("10"), "line 1: missing event after the time");
  EXPECT_EQ(ParseError("10 down"), "line 1: expected MS down KEY");
  EXPECT_EQ(ParseError("10 up Enter Shift"), "line 1: expected MS up KEY");
  EXPECT_EQ(ParseError("10 click Option 1"), "line 1: expected MS click TITLE X Y");
  EXPECT_EQ(ParseError("10 click Full Window 1 2"), "line 1: expected MS click TITLE X Y");
  EXPECT_EQ(ParseError("10 click \"Option 1 2"), "line 1: unterminated quote");
  EXPECT_EQ(ParseError("10 click \"Option\"x 1 2"), "line 1: text right after a closing quote");
  EXPECT_EQ(ParseError("10 click Option 1 70000"), "line 1: bad click position");
  EXPECT_EQ(ParseError("10 click Option 1.5 2"), "line 1: bad click position");
  EXPECT_EQ(ParseError("-10 down Enter"), "line 1: bad time \"-10\"");
  EXPECT_EQ(ParseError("99999999999999999999999 down Enter"),
            "line 1: bad time \"99999999999999999999999\"");
  EXPECT_EQ(ParseError("10 down 0"), "line 1: unknown key \"0\"");
}

TEST(CommandLine, ReadsEveryOption) {
  sim::SimOptions o;
  ASSERT_TRUE(ParseArgs({"--dir", "data", "--exe", "/x/quillmoor", "--tick", "4294967295",
                         "--keys", "k.txt", "--until", "90000", "--shot", "100:a.png", "--shot",
                         "200:dir/b:c.png", "--state", "300:s.json", "--set", "5:score=12",
                         "--set", "6:bannerText=", "--log", "l.txt", "--audio", "a.wav",
                         "--display-fail", "3"},
                        o));
  EXPECT_FALSE(o.help);
  EXPECT_EQ(o.dir, "data");
  EXPECT_EQ(o.exe, "/x/quillmoor");
  EXPECT_EQ(o.tick, 4294967295u);
  EXPECT_EQ(o.keys, "k.txt");
  ASSERT_TRUE(o.until.has_value());
  EXPECT_EQ(*o.until, 90000u);
  ASSERT_EQ(o.shots.size(), 2u);
  EXPECT_EQ(o.shots[0].ms, 100u);
  EXPECT_EQ(o.shots[0].path, "a.png");
  EXPECT_EQ(o.shots[1].path, "dir/b:c.png") << "only the first colon splits";
  ASSERT_EQ(o.states.size(), 1u);
  EXPECT_EQ(o.states[0].ms, 300u);
  ASSERT_EQ(o.sets.size(), 2u);
  EXPECT_EQ(o.sets[0].name, "score");
  EXPECT_EQ(o.sets[0].value, "12");
  EXPECT_EQ(o.sets[1].value, "");
  EXPECT_EQ(o.log, "l.txt");
  EXPECT_EQ(o.audio, "a.wav");
  EXPECT_EQ(o.displayFail, 3);

  ASSERT_TRUE(ParseArgs({}, o));
  EXPECT_EQ(o.tick, 0u);
  EXPECT_FALSE(o.until.has_value());
  EXPECT_EQ(o.displayFail, 0);
  ASSERT_TRUE(ParseArgs({"--until=5", "--help"}, o));
  EXPECT_TRUE(o.help);
  EXPECT_EQ(*o.until, 5u);
}

TEST(CommandLine, RefusesBadArguments) {
  const std::vector<std::vector<std::string>> bad = {
      {"game"},
      {"--bogus"},
      {"-x"},
      {"--dir"},
      {"--dir", ""},
      {"--tick", "-1"},
      {"--tick", "4294967296"},
      {"--tick", "12ms"},
      {"--until", "soon"},
      {"--until", "1", "--until", "2"},
      {"--log", "a", "--log", "b"},
      {"--shot", "a.png"},
      {"--shot", "x:a.png"},
      {"--shot", "100:"},
      {"--state", ":s.json"},
      {"--set", "10:score"},
      {"--set", "10:=5"},
      {"--set", "score=5"},
      {"--display-fail", "5"},
      {"--display-fail", "-1"},
      {"--display-fail", "two"},
      {"--help=yes"},
  };
  for (const auto& args : bad) {
    sim::SimOptions o;
    std::string error;
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_FALSE(ParseArgs(args, o, &error)) << joined;
    EXPECT_FALSE(error.empty()) << joined;
    EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
  }
}

TEST(CommandLine, BadArgumentsAndUnreadableScriptsEndWithStatusOne) {
  int ran = 0;
  auto program = [&] { return ++ran, 0; };
  auto runWith = [&](std::vector<std::string> args) {
    std::vector<char*> argv{const_cast<char*>("quillmoor-sim")};
    for (auto& a : args) argv.push_back(a.data());
    return sim::SimMain(static_cast<int>(argv.size()), argv.data(), program);
  };
  EXPECT_EQ(runWith({"--nope"}), 1);
  EXPECT_EQ(runWith({"--keys", "/nonexistent/keys.txt"}), 1);
  const std::string badScript = std::string(QM_BINARY_DIR) + "/sim_bad_keys.txt";
  FILE* f = std::fopen(badScript.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("100 down Enter\n200 down Nothing\n", f);
  std::fclose(f);
  EXPECT_EQ(runWith({"--keys", badScript}), 1);
  EXPECT_EQ(runWith({"--dir", "/nonexistent/dir"}), 1);
  EXPECT_EQ(runWith({"--log", "/nonexistent/dir/log.txt"}), 1);
  EXPECT_EQ(ran, 0) << "nothing runs after a bad argument";
  testing::internal::CaptureStdout();
  EXPECT_EQ(runWith({"--help"}), 0);
  const std::string usage = testing::internal::GetCapturedStdout();
  EXPECT_EQ(usage.rfind("usage: quillmoor-sim [--dir DIR]", 0), 0u);
  EXPECT_EQ(ran, 0);
}
