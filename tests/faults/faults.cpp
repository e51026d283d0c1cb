#include "tests/faults/faults.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace faults {

void RunAll(std::vector<SimJob>& jobs) {
  std::atomic<size_t> next{0};
  auto worker = [&] {
    for (size_t i; (i = next++) < jobs.size();) {
      SimJob& j = jobs[i];
      fs::create_directories(j.dir);
      WriteFile(j.dir / "keys.txt", j.keys);
      std::vector<std::string> args = {
          "--dir", j.data.string(), "--exe", (j.exe.empty() ? j.dir / "quillmoor" : j.exe).string(),
          "--keys", (j.dir / "keys.txt").string(), "--log", (j.dir / "log.txt").string()};
      args.insert(args.end(), j.args.begin(), j.args.end());
      j.result = scenario::RunSim(args, j.dir);
    }
  };
  std::thread a(worker), b(worker);
  a.join();
  b.join();
}

void ExpectCleanExit(const SimJob& job) {
  EXPECT_EQ(job.result.status, 0) << job.result.errors;
  EXPECT_EQ(job.result.errors, "");
  const std::vector<std::string> log = job.Log();
  EXPECT_TRUE(!log.empty() && log.back().substr(log.back().find(' ')) == " exit 0");
}

}  // namespace faults
