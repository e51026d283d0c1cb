// The game's data files missing or broken in a --dir copy: image/ or bgm/
// gone, or their files replaced by random bytes, cut short, emptied, with
// bytes of the header overwritten, or each damaged its own way. The bot must
// still get through the title and banner into play and to the game's end,
// Escape must end the run with code 0, and the score must reach the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "tests/faults/faults.h"

namespace faults {
namespace {

enum Damage { kKeep, kMissing, kRandom, kCut, kEmpty, kHeader, kMixed };

void Break(const fs::path& folder, Damage damage, const char* magic, std::mt19937& rng) {
  if (damage == kMissing) return (void)fs::remove_all(folder);
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());  // the same damage whatever the listing order
  for (const fs::path& f : files) {
    const Damage d = damage == kMixed ? Damage(rng() % 6) : damage;
    std::string bytes = ReadFile(f);
    if (d == kKeep) continue;
    if (d == kMissing) {
      fs::remove(f);
      continue;
    }
    if (d == kRandom) {
      // Half of them begin like the real thing, to get past the first check.
      bytes.assign(rng() % 4097, '\0');
      for (char& c : bytes) c = static_cast<char>(rng());
      if (rng() % 2 && bytes.size() >= 4) bytes.replace(0, 4, magic, 4);
    }
    if (d == kCut) bytes.resize(bytes.empty() ? 0 : rng() % bytes.size());
    if (d == kEmpty) bytes.clear();
    for (int i = 0; d == kHeader && i < 8 && !bytes.empty(); ++i)
      bytes[rng() % std::min<size_t>(bytes.size(), 64)] = static_cast<char>(rng());
    WriteFile(f, bytes);
  }
}

class BadData : public scenario::ScenarioTest {};

TEST_F(BadData, TheGamePlaysOnWithPicturesOrMusicMissingOrBroken) {
  constexpr long long kEscapeAt = 30000;  // in the ending, after the game
  const struct {
    const char* name;
    Damage pictures, music;
  } variants[] = {
      {"neither folder", kMissing, kMissing}, {"random bytes", kRandom, kRandom},
      {"cut short", kCut, kCut},              {"empty files", kEmpty, kEmpty},
      {"broken headers", kHeader, kHeader},   {"each file its own way", kMixed, kMixed},
  };
  std::vector<SimJob> jobs;
  for (const auto& v : variants) {
    const fs::path dir = dir_ / ("variant" + std::to_string(jobs.size()));
    fs::create_directories(dir / "data");
    fs::copy(fs::path(QM_SOURCE_DIR) / "image", dir / "data/image", fs::copy_options::recursive);
    fs::copy(fs::path(QM_SOURCE_DIR) / "bgm", dir / "data/bgm", fs::copy_options::recursive);
    std::mt19937 rng(static_cast<unsigned>(jobs.size() + 1));
    Break(dir / "data/image", v.pictures, "BM\x36\0", rng);
    Break(dir / "data/bgm", v.music, "MThd", rng);
    WriteFile(dir / "quillmoor.ini", SettingsText(1000, 0, 1, 0, 0, 12, false));
    jobs.push_back({.dir = dir,
                    .keys = std::to_string(kEscapeAt) + " down Escape\n",
                    .args = {"--bot", "--until", "90000"},
                    .data = dir / "data"});
  }
  RunAll(jobs);
  for (size_t i = 0; i < jobs.size(); ++i) {
    SCOPED_TRACE(variants[i].name);
    ExpectCleanExit(jobs[i]);
    const std::vector<std::string> log = jobs[i].Log();
    const long long game = TimeOf(log, " bot game 1");
    EXPECT_GT(game, 0) << "never got past the banner";
    size_t over = 0;
    const long long ended = TimeOf(log, " bot over score ", game, 1, &over);
    EXPECT_GT(ended, game) << "the game did not run to its end";
    EXPECT_LT(ended, kEscapeAt);
    EXPECT_GT(TimeOf(log, " bot won", game) + TimeOf(log, " bot lost", game), 0);
    std::string why;
    const std::vector<std::string> ini = SettingsLines(jobs[i].dir / "quillmoor.ini", why);
    ASSERT_EQ(ini.size(), 7u) << why;
    ASSERT_GT(ended, 0);
    EXPECT_EQ(ini[4], log[over].substr(log[over].find(" score ") + 7)) << "the game's score is the new high score";
  }
}

}  // namespace
}  // namespace faults
