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

TEST(KeyScript, ReadsDownUpAndClickWithCommentsBlanksAndQuotes) {
  std::vector<ScriptEvent> ev;
  std::string error;
  ASSERT_TRUE(sim::ParseKeyScript(
      "# a comment line\n"
      "\n"
      "100 down Enter   # trailing comment\r\n"
      "  250\tup   Enter\n"
      "300 click \"Option\" 10 -2\n"
      "400 click \"Full Window #2\" 0 32767\n"  // # inside quotes is text
      "500 click Option 1 2\n"
      "600 click \"say \\\"hi\\\"\" 3 4\n"
      "0 down 83", ev, error)) << error;
  using K = ScriptEvent::Kind;
  struct Row { uint64_t ms; K kind; int vk; const char* title; int x, y, line; };
  const Row want[] = {{100, K::Down, VK_RETURN, "", 0, 0, 3},       {250, K::Up, VK_RETURN, "", 0, 0, 4},
                      {300, K::Click, 0, "Option", 10, -2, 5},       {400, K::Click, 0, "Full Window #2", 0, 32767, 6},
                      {500, K::Click, 0, "Option", 1, 2, 7},         {600, K::Click, 0, "say \"hi\"", 3, 4, 8},
                      {0, K::Down, 'S', "", 0, 0, 9}};
  ASSERT_EQ(ev.size(), std::size(want));
  for (size_t i = 0; i < ev.size(); ++i) {
    SCOPED_TRACE("event " + std::to_string(i));
    const Row& w = want[i];
    EXPECT_EQ(ev[i].ms, w.ms);
    EXPECT_EQ(ev[i].kind, w.kind);
    EXPECT_EQ(ev[i].vk, w.vk);
    EXPECT_EQ(ev[i].title, w.title);
    EXPECT_EQ(std::make_pair(ev[i].x, ev[i].y), std::make_pair(w.x, w.y));
    EXPECT_EQ(ev[i].line, w.line);
  }
  for (const char* empty : {"", "\n\n# only comments\n"}) {
    EXPECT_TRUE(sim::ParseKeyScript(empty, ev, error)) << error;
    EXPECT_TRUE(ev.empty());
  }
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
  for (const auto& [text, message] : cases) {
    std::vector<ScriptEvent> out;
    std::string error;
    EXPECT_FALSE(sim::ParseKeyScript(text, out, error)) << "accepted: " << text;
    EXPECT_EQ(error, message);
  }
}

TEST(CommandLine, ReadsTheEdgesOfEachOption) {
  sim::SimOptions o;
  std::string e;
  ASSERT_TRUE(sim::ParseCommandLine({"--tick", "4294967295", "--until=90000", "--shot", "200:dir/b:c.png", "--set",
                                     "6:bannerText=", "--display-fail", "3"}, o, e)) << e;
  EXPECT_EQ(o.tick, 4294967295u);
  EXPECT_EQ(o.until, std::optional<uint64_t>(90000));
  ASSERT_EQ(o.shots.size(), 1u);
  EXPECT_EQ(o.shots[0].path, "dir/b:c.png") << "only the first colon splits";
  ASSERT_EQ(o.sets.size(), 1u);
  EXPECT_EQ(std::make_pair(o.sets[0].name, o.sets[0].value), std::make_pair(std::string("bannerText"), std::string()));
  EXPECT_EQ(o.displayFail, 3);
  ASSERT_TRUE(sim::ParseCommandLine({}, o, e));
  EXPECT_EQ(o.tick, 0u);
  EXPECT_FALSE(o.until.has_value());
  EXPECT_EQ(o.displayFail, 0);
  EXPECT_FALSE(o.help);
}

TEST(CommandLine, RefusesBadArgumentsInOneLine) {
  const std::vector<std::vector<std::string>> bad = {
      {"game"}, {"--bogus"}, {"-x"}, {"--dir"}, {"--dir", ""}, {"--tick", "-1"}, {"--tick", "4294967296"},
      {"--tick", "12ms"}, {"--until", "soon"}, {"--until", "1", "--until", "2"}, {"--log", "a", "--log", "b"},
      {"--shot", "a.png"}, {"--shot", "x:a.png"}, {"--shot", "100:"}, {"--state", ":s.json"}, {"--set", "10:score"},
      {"--set", "10:=5"}, {"--set", "score=5"}, {"--display-fail", "5"}, {"--display-fail", "-1"},
      {"--display-fail", "two"}, {"--help=yes"}};
  for (const auto& args : bad) {
    sim::SimOptions o;
    std::string error, joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_FALSE(sim::ParseCommandLine(args, o, error)) << joined;
    EXPECT_FALSE(error.empty()) << joined;
    EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
  }
}
