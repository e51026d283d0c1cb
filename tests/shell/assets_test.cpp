// Missing picture files leave empty records and no message.
#include "flow/assets.h"
#include "shell_fixture.h"
#include "zkgdi/zkgdi.h"

namespace shelltest {
namespace {

class Assets : public ShellTest {};

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

}  // namespace
}  // namespace shelltest
