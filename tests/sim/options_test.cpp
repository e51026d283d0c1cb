// quillmoor-sim's key scripts and command line: what is accepted, and that
// every malformed input is refused with the line or argument named.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_driver.h"

using namespace platform;
using platform::sim::ScriptEvent;

TEST(KeyScript, EveryKeyNameAndCodeMapsToItsVirtualKey) {
  const std::pair<const char*, int> names[] = {
      {"Enter", 13}, {"Shift", 16}, {"Ctrl", 17}, {"Escape", 27}, {"Space", 32}, {"Left", 37}, {"Up", 38},
      {"Right", 39}, {"Down", 40},  {"P", 80},    {"S", 83},      {"F2", 113},   {"F4", 115},  {"enter", 13},
      {"f4", 115},   {"65", 65},    {"1", 1},     {"254", 254},
      {"", 0}, {"0", 0}, {"255", 0}, {"-1", 0}, {"Q", 0}, {"F5", 0}, {"Return", 0}, {"0x41", 0}, {"13a", 0}, {" 13", 0}};
  for (const auto& [name, vk] : names) EXPECT_EQ(sim::ParseKeyName(name), vk) << "\"" << name << "\"";
}

TEST(KeyScript, RefusesMalformedLinesNamingTheLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"10 down Enter\nx down Enter\n", "line 2: bad time \"x\""},
      {"10 down Foo", "line 1: unknown key \"Foo\""},
      {"10 press Enter", "line 1: unknown event \"press\""},
      {"10", "line 1: missing event after the time"},
      {"10 down", "line 1: expected MS down KEY"},
      {"10 up Enter Shift", "line 1: expected MS up KEY"},
      {"10 click Option 1", "line 1: expected MS click TITLE X Y"},
      {"10 click Full Window 1 2", "line 1: expected MS click TITLE X Y"},
      {"10 click \"Option 1 2", "line 1: unterminated quote"},
      {"10 click \"Option\"x 1 2", "line 1: text right after a closing quote"},
      {"10 click Option 1 70000", "line 1: bad click position"},
      {"10 click Option 1.5 2", "line 1: bad click position"},
      {"-10 down Enter", "line 1: bad time \"-10\""},
      {"99999999999999999999999 down Enter", "line 1: bad time \"99999999999999999999999\""},
      {"10 down 0", "line 1: unknown key \"0\""},
  };
  std::vector<ScriptEvent> out;
  std::string error;
  for (const auto& [text, message] : cases) EXPECT_TRUE(!sim::ParseKeyScript(text, out, error) && error == message) << text << " gave " << error;
}

TEST(KeyScript, ReadsEveryEventQuotesEscapesCommentsAndBlankLines) {
  const char* text = "# a comment\r\n\r\n10 down Enter # held\n20\tUP\tspace\r\n"
                     "30 click \"Say \\\"hi\\\" \\\\ #1\" -32768 32767\n 40 close \"\"\n50 Click a\\b\\\" -0 7";
  std::vector<ScriptEvent> out;
  std::string error;
  ASSERT_TRUE(sim::ParseKeyScript(text, out, error)) << error;
  std::vector<std::string> got;
  for (const ScriptEvent& e : out)
    got.push_back(std::to_string(e.line) + " " + std::to_string(e.ms) + " " + std::to_string(int(e.kind)) + " " + std::to_string(e.vk) + " [" + e.title + "] " + std::to_string(e.x) + " " + std::to_string(e.y));
  EXPECT_EQ(got, (std::vector<std::string>{"3 10 0 13 [] 0 0", "4 20 1 32 [] 0 0", "5 30 2 0 [Say \"hi\" \\ #1] -32768 32767",
                                           "6 40 3 0 [] 0 0", "7 50 2 0 [a\\b\\\"] 0 7"}));
}

TEST(CommandLine, ReadsTheEdgesOfEachOption) {
  sim::SimOptions o;
  std::string e;
  ASSERT_TRUE(sim::ParseCommandLine({"--tick", "4294967295", "--until=90000", "--shot", "200:dir/b:c.png", "--set",
                                     "6:bannerText=", "--display-fail", "3"}, o, e)) << e;
  ASSERT_EQ(std::pair(o.shots.size(), o.sets.size()), std::pair(size_t{1}, size_t{1}));
  EXPECT_EQ(std::make_tuple(o.tick, o.until, o.shots[0].path, o.sets[0].name, o.sets[0].value, o.displayFail),
            std::make_tuple(4294967295u, std::optional<uint64_t>(90000), std::string("dir/b:c.png"), std::string("bannerText"), std::string(), 3));  // only the first colon splits
  ASSERT_TRUE(sim::ParseCommandLine({}, o, e));
  EXPECT_EQ(std::make_tuple(o.tick, o.until.has_value(), o.displayFail, o.help), std::make_tuple(0u, false, 0, false));
}

TEST(CommandLine, RefusesBadArgumentsInOneLine) {
  const std::vector<std::vector<std::string>> bad = {
      {"game"}, {"--bogus"}, {"-x"}, {"--dir"}, {"--dir", ""}, {"--tick", "-1"}, {"--tick", "4294967296"},
      {"--tick", "12ms"}, {"--until", "soon"}, {"--until", "1", "--until", "2"}, {"--log", "a", "--log", "b"},
      {"--shot", "a.png"}, {"--shot", "x:a.png"}, {"--shot", "100:"}, {"--state", ":s.json"}, {"--set", "10:score"},
      {"--set", "10:=5"}, {"--set", "score=5"}, {"--display-fail", "5"}, {"--display-fail", "-1"},
      {"--display-fail", "two"}, {"--help=yes"}, {"--version=1"}, {"--replay", ""}, {"--replay="}, {"--verify"}};
  for (const auto& args : bad) {
    sim::SimOptions o;
    std::string error;
    EXPECT_TRUE(!sim::ParseCommandLine(args, o, error) && !error.empty() && error.find('\n') == std::string::npos) << args[0] << " gave " << error;
  }
}
