// The picture files: 81 names in loading order, the table slots they fill,
// and what happens when they are missing.
#include <set>

#include "flow/assets.h"
#include "shell_fixture.h"
#include "state/pictures.h"
#include "zkgdi/zkgdi.h"

namespace shelltest {
namespace {

class Assets : public ShellTest {};

TEST_F(Assets, EightyOneFilesInLoadingOrder) {
  const auto& t = ImageTable();
  ASSERT_EQ(t.size(), 81u);
  // Character sets 0..4, frames 1..3, picture then mask; explosions 1..5;
  // shot sets 0..5.
  const std::tuple<size_t, const char*, const BmpRecord*> rows[] = {
      {0, "image/title.bmp", &titleBmp},      {1, "image/ttstr.bmp", &titleStrBmp},
      {2, "image/ttstrm.bmp", &titleStrMask}, {3, "image/sky.bmp", &skyBmp},
      {4, "image/dra.bmp", &rageBmp},         {5, "image/chr00b1.bmp", &chrBmp[1]},
      {6, "image/chr00m1.bmp", &chrMask[1]},  {9, "image/chr00b3.bmp", &chrBmp[3]},
      {10, "image/chr00m3.bmp", &chrMask[3]}, {11, "image/chr01b1.bmp", &chrBmp[5]},
      {34, "image/chr04m3.bmp", &chrMask[19]}, {35, "image/bom01b.bmp", &bomBmp[1]},
      {44, "image/bom05m.bmp", &bomMask[5]},  {45, "image/sht00b1.bmp", &shtBmp[1]},
      {80, "image/sht05m3.bmp", &shtMask[23]}};
  for (const auto& [i, file, record] : rows) {
    EXPECT_EQ(t[i].file, file) << i;
    EXPECT_EQ(t[i].record, record) << i;
  }
  std::set<std::string> names;
  std::set<const BmpRecord*> records;
  for (const auto& e : t) {
    names.insert(e.file);
    records.insert(e.record);
  }
  EXPECT_EQ(names.size(), 81u);
  EXPECT_EQ(records.size(), 81u);
  // Index set * 4 of the sprite tables and index 0 of the explosions stay empty.
  for (int set = 0; set <= 5; ++set) {
    EXPECT_EQ(records.count(&shtBmp[set * 4]), 0u);
    EXPECT_EQ(records.count(&shtMask[set * 4]), 0u);
    if (set <= 4) {
      EXPECT_EQ(records.count(&chrBmp[set * 4]), 0u);
    }
  }
  EXPECT_EQ(records.count(&bomBmp[0]), 0u);
}

TEST_F(Assets, MissingFilesLeaveEmptyRecordsAndNoMessage) {
  platform::Window w = MakeWindow(0, 0, 326, 264);
  ASSERT_EQ(StartZKGDI(w, 320, 240), 1);
  const fs::path here = fs::current_path();
  fs::current_path(dir_);  // no image/ here
  LoadImages();
  fs::current_path(here);
  for (const auto& e : ImageTable()) {
    EXPECT_EQ(e.record->hbitmap, nullptr) << e.file;
    EXPECT_EQ(e.record->width, 0) << e.file;
  }
  EXPECT_TRUE(platform::sim::MessageBoxes().empty());
  FreeImages();
  EndZKGDI(w);
}

TEST_F(Assets, PresentFilesAreLoadedAndFreed) {
  if (!fs::exists("image/title.bmp")) GTEST_SKIP() << "image/ has not been generated";
  platform::Window w = MakeWindow(0, 0, 326, 264);
  ASSERT_EQ(StartZKGDI(w, 320, 240), 1);
  LoadImages();
  EXPECT_EQ(titleBmp.width, 320);
  EXPECT_EQ(titleBmp.height, 240);
  EXPECT_NE(titleBmp.hbitmap, nullptr);
  FreeImages();
  for (const auto& e : ImageTable()) EXPECT_EQ(e.record->hbitmap, nullptr) << e.file;
  EndZKGDI(w);
}

}  // namespace
}  // namespace shelltest
