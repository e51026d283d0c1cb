// quillmoor-sim's own failures, in process: bad arguments and unreadable
// files end the run with 1 before the program starts, and a run where every
// thread waits for ever ends with 3. Whole runs (scripts, captures, --until,
// repeats) are the scenario and golden tests'.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_driver.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

class Driver : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::path(QM_BINARY_DIR) / "sim_driver_test" /
          ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  static int Run(std::vector<std::string> args, int (*program)()) {
    std::vector<char*> argv{const_cast<char*>("quillmoor-sim")};
    for (auto& a : args) argv.push_back(a.data());
    return sim::SimMain(static_cast<int>(argv.size()), argv.data(), program);
  }
  std::string P(const std::string& name) const { return (dir / name).string(); }
  fs::path dir;
};

}  // namespace

TEST_F(Driver, BadArgumentsAndUnreadableFilesEndWithStatusOneBeforeTheProgramRuns) {
  static int ran = 0;
  std::ofstream(dir / "bad_keys.txt") << "100 down Enter\n200 down Nothing\n";
  const std::vector<std::string> bad[] = {{"--nope"}, {"--keys", "/nonexistent/keys.txt"}, {"--keys", P("bad_keys.txt")},
                                          {"--dir", "/nonexistent/dir"}, {"--log", "/nonexistent/dir/log.txt"}};
  for (const auto& args : bad) EXPECT_EQ(Run(args, [] { return ++ran, 0; }), 1) << args.back();
  testing::internal::CaptureStdout();
  EXPECT_EQ(Run({"--help"}, [] { return ++ran, 0; }) + Run({"--version"}, [] { return ++ran, 0; }), 0);
  const std::string out = testing::internal::GetCapturedStdout();  // the version as the game's window and package have it
  EXPECT_TRUE(out.rfind("usage: quillmoor-sim [--dir DIR]", 0) == 0 && out.ends_with("\nQuillmoor 1.00\n")) << out;
  EXPECT_EQ(ran, 0) << "nothing runs after a bad argument, --help or --version";
}

TEST_F(Driver, ARunWhereEveryThreadWaitsForEverEndsWithStatusThree) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(Run({"--log", P("log.txt")}, [] {
                    Sleep(42);
                    Message m;
                    return GetMessage(m);
                  }),
              ::testing::ExitedWithCode(3), "every simulated thread waits for ever at 42 ms");
  std::ifstream log(dir / "log.txt");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(log), {}), "42 exit 3\n");
}
