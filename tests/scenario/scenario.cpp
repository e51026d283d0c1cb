#include "tests/scenario/scenario.h"

#include "tests/support/child_process.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace scenario {

Result RunSim(const std::vector<std::string>& args, const fs::path& cwd, const std::vector<std::string>& prefix) {
  testsupport::SpawnOptions o{prefix, {}, {}, "", (cwd / "stderr.txt").string(), cwd.string()};
  o.argv.push_back(QM_SIM_BINARY), o.argv.insert(o.argv.end(), args.begin(), args.end());
  const int status = testsupport::WaitExit(testsupport::Spawn(o), 30 * 60 * 1000);  // a soak runs for minutes
  Result result{status > 127 ? -1 : status, ReadFile(o.errFile)};  // killed or out of time: -1
  fs::remove(o.errFile);
  return result;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream s(text);
  std::string line;
  while (std::getline(s, line)) out.push_back(line);
  return out;
}

long long TimeOf(const std::vector<std::string>& log, const std::string& text, long long from, int nth,
                 size_t* index) {
  for (size_t i = 0; i < log.size(); ++i)
    if (log[i].find(text) != std::string::npos && std::atoll(log[i].c_str()) >= from && --nth == 0) {
      if (index) *index = i;
      return std::atoll(log[i].c_str());
    }
  return -1;
}

std::string SettingsText(int fps, int delay, int fire, int spare, int hiScore, int level, bool god) {
  std::string out;
  for (int v : {fps, delay, fire, spare, hiScore, level}) out += std::to_string(v) + "\r\n";
  return out + (god ? "AH!NO_WAY!!\r\n" : "\r\n");
}

std::vector<std::string> SettingsLines(const fs::path& file, std::string& why) {
  const std::string text = fs::is_regular_file(file) ? ReadFile(file) : "";
  std::vector<std::string> values;
  size_t pos = 0;
  for (int line = 1; line <= 7; ++line, pos += values.back().size() + 2) {
    const size_t end = text.find("\r\n", pos);
    const std::string v = end == std::string::npos ? "" : text.substr(pos, end - pos);
    const bool number = !v.empty() && v.find_first_not_of("0123456789") == std::string::npos &&
                        (v.size() == 1 || v[0] != '0');
    if (end == std::string::npos || !(line < 7 ? number : v.empty() || v == "AH!NO_WAY!!")) {
      why = "line " + std::to_string(line) + " bad or not ended by CR LF in \"" + text + "\"";
      return {};
    }
    values.push_back(v);
  }
  if (pos != text.size()) why = "bytes after the seventh line", values.clear();
  return values;
}

void ScenarioTest::SetUp() {
  dir_ = fs::path(QM_BINARY_DIR) / "scenario" /
         (std::string(::testing::UnitTest::GetInstance()->current_test_suite()->name()) + "." +
          ::testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(dir_);
  fs::create_directories(dir_);
}

void ScenarioTest::TearDown() {
  std::error_code ec;
  if (!HasFailure()) fs::remove_all(dir_, ec);
}

Result ScenarioTest::Run(std::vector<std::string> args) {
  std::vector<std::string> all{"--dir", QM_SOURCE_DIR, "--exe", P("quillmoor")};
  all.insert(all.end(), args.begin(), args.end());
  return RunSim(all, dir_);
}

}  // namespace scenario
