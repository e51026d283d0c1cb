// The game's data files missing or broken in a --dir copy: image/ or bgm/
// gone, or every file in them replaced by random bytes, cut short, emptied,
// or with bytes of its header overwritten. Each time the bot must get through
// the title and banner into play and on to the ending, and Escape must end
// the run with code 0 and a whole settings file.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tests/faults/faults.h"
#include "tests/scenario/scenario.h"

namespace faults {
namespace {

using scenario::ReadFile;
using scenario::WriteFile;

enum class Damage { kKeep, kMissing, kRandom, kCut, kEmpty, kHeader };

struct Variant {
  const char* name;
  Damage pictures;
  Damage music;
  bool mixed = false;  // each file gets a damage of its own
};

constexpr long long kEscapeAt = 30000;  // in the ending, after a won game

// Applies the damage to every file of one data folder.
void Break(const fs::path& folder, Damage damage, bool mixed, const char* magic,
           std::mt19937& rng) {
  if (damage == Damage::kMissing && !mixed) {
    fs::remove_all(folder);
    return;
  }
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());  // the same damage whatever the listing order
  for (const fs::path& f : files) {
    Damage d = damage;
    if (mixed) d = static_cast<Damage>(std::uniform_int_distribution<int>(0, 5)(rng));
    std::string bytes = ReadFile(f);
    switch (d) {
      case Damage::kKeep:
        continue;
      case Damage::kMissing:
        fs::remove(f);
        continue;
      case Damage::kRandom: {
        // Half of them begin like the real thing, to get past the first check.
        bytes.assign(std::uniform_int_distribution<size_t>(0, 4096)(rng), '\0');
        for (char& c : bytes) c = static_cast<char>(rng());
        if (rng() % 2 && bytes.size() >= 4) bytes.replace(0, 4, magic, 4);
        break;
      }
      case Damage::kCut:
        bytes.resize(bytes.empty() ? 0 : rng() % bytes.size());
        break;
      case Damage::kEmpty:
        bytes.clear();
        break;
      case Damage::kHeader:
        for (int i = 0; i < 8 && !bytes.empty(); ++i)
          bytes[rng() % std::min<size_t>(bytes.size(), 64)] = static_cast<char>(rng());
        break;
    }
    WriteFile(f, bytes);
  }
}

class BadData : public scenario::ScenarioTest {};

TEST_F(BadData, TheGamePlaysOnWithPicturesOrMusicMissingOrBroken) {
  const Variant variants[] = {
      {"no image folder", Damage::kMissing, Damage::kKeep},
      {"no bgm folder", Damage::kKeep, Damage::kMissing},
      {"neither folder", Damage::kMissing, Damage::kMissing},
      {"pictures of random bytes", Damage::kRandom, Damage::kKeep},
      {"pictures cut short", Damage::kCut, Damage::kKeep},
      {"empty pictures", Damage::kEmpty, Damage::kKeep},
      {"pictures with broken headers", Damage::kHeader, Damage::kKeep},
      {"music of random bytes", Damage::kKeep, Damage::kRandom},
      {"music cut short", Damage::kKeep, Damage::kCut},
      {"empty music", Damage::kKeep, Damage::kEmpty},
      {"music with broken headers", Damage::kKeep, Damage::kHeader},
      {"every file damaged its own way", Damage::kKeep, Damage::kKeep, true},
  };
  std::vector<SimJob> jobs;
  std::vector<fs::path> dirs;
  int seed = 1;
  for (const Variant& v : variants) {
    const fs::path dir = dir_ / ("variant" + std::to_string(jobs.size()));
    const fs::path data = dir / "data";
    fs::create_directories(data);
    fs::copy(fs::path(QM_SOURCE_DIR) / "image", data / "image", fs::copy_options::recursive);
    fs::copy(fs::path(QM_SOURCE_DIR) / "bgm", data / "bgm", fs::copy_options::recursive);
    std::mt19937 rng(seed++);
    Break(data / "image", v.pictures, v.mixed, "BM\x36\0", rng);
    Break(data / "bgm", v.music, v.mixed, "MThd", rng);
    WriteFile(dir / "quillmoor.ini", SettingsText(1000, 0, 1, 0, 0, 12, false));
    WriteFile(dir / "keys.txt", std::to_string(kEscapeAt) + " down Escape\n");
    SimJob job;
    job.cwd = dir;
    job.args = {"--dir",  data.string(), "--exe",  (dir / "quillmoor").string(), "--bot",
                "--keys", (dir / "keys.txt").string(), "--log", (dir / "log.txt").string(),
                "--until", "90000"};
    jobs.push_back(job);
    dirs.push_back(dir);
  }

  RunAll(jobs);

  for (size_t i = 0; i < jobs.size(); ++i) {
    SCOPED_TRACE(variants[i].name);
    EXPECT_EQ(jobs[i].status, 0) << jobs[i].errors;
    EXPECT_EQ(jobs[i].errors, "");
    const LogTimes log(ReadFile(dirs[i] / "log.txt"));
    const long long game = log.Exact("bot game 1");
    EXPECT_GT(game, 0) << "never got past the banner";
    const long long ended = log.Prefix("bot over score ", game);
    EXPECT_GT(ended, game) << "the game did not run to its end";
    EXPECT_LT(ended, kEscapeAt);
    EXPECT_GT(log.Prefix("bot won", game) + log.Prefix("bot lost", game), 0);
    ASSERT_FALSE(log.lines().empty());
    EXPECT_EQ(log.lines().back().second, "exit 0");
    SettingsLines ini;
    std::string why;
    ASSERT_TRUE(ReadSettingsExactly(dirs[i] / "quillmoor.ini", ini, why)) << why;
    const std::string score = log.TextOf("bot over score ", game).substr(15);
    EXPECT_EQ(ini.values[4], score) << "the game's score is the new high score";
  }
}

}  // namespace
}  // namespace faults
