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
  EXPECT_EQ(t[0].file, "image/title.bmp");
  EXPECT_EQ(t[0].record, &titleBmp);
  EXPECT_EQ(t[1].file, "image/ttstr.bmp");
  EXPECT_EQ(t[2].file, "image/ttstrm.bmp");
  EXPECT_EQ(t[2].record, &titleStrMask);
  EXPECT_EQ(t[3].file, "image/sky.bmp");
  EXPECT_EQ(t[4].file, "image/dra.bmp");
  EXPECT_EQ(t[4].record, &rageBmp);
  // Character sets 0..4, frames 1..3, picture then mask.
  EXPECT_EQ(t[5].file, "image/chr00b1.bmp");
  EXPECT_EQ(t[5].record, &chrBmp[1]);
  EXPECT_EQ(t[6].file, "image/chr00m1.bmp");
  EXPECT_EQ(t[6].record, &chrMask[1]);
  EXPECT_EQ(t[9].file, "image/chr00b3.bmp");
  EXPECT_EQ(t[10].file, "image/chr00m3.bmp");
  EXPECT_EQ(t[11].file, "image/chr01b1.bmp");
  EXPECT_EQ(t[11].record, &chrBmp[5]);
  EXPECT_EQ(t[34].file, "image/chr04m3.bmp");
  EXPECT_EQ(t[34].record, &chrMask[19]);
  // Explosions 1..5.
  EXPECT_EQ(t[35].file, "image/bom01b.bmp");
  EXPECT_EQ(t[35].record, &bomBmp[1]);
  EXPECT_EQ(t[44].file, "image/bom05m.bmp");
  EXPECT_EQ(t[44].record, &bomMask[5]);
  // Shot sets 0..5.
  EXPECT_EQ(t[45].file, "image/sht00b1.bmp");
  EXPECT_EQ(t[45].record, &shtBmp[1]);
  EXPECT_EQ(t[80].file, "image/sht05m3.bmp");
  EXPECT_EQ(t[80].record, &shtMask[23]);

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
