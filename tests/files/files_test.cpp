// The files layer on the system it was built for (make test-windows runs it under wine too): what a read tells, what
// a replace leaves behind, the folders and the program's own path, all under names only Unicode spells.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include "platform/files/files.h"

namespace {

namespace fs = std::filesystem;
using namespace platform::files;

fs::path Path(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }
std::string Utf8(const fs::path& p) { const std::u8string s = p.generic_u8string(); return {s.begin(), s.end()}; }

class Files : public ::testing::Test {
 protected:
  void SetUp() override { fs::remove_all(dir_), fs::create_directories(dir_); }
  void TearDown() override { fs::remove_all(dir_, ec_); }
  std::set<std::string> Names(std::set<std::string> names = {}) {
    for (const auto& e : fs::directory_iterator(dir_)) names.insert(Utf8(e.path().filename()));
    return names;
  }
  const fs::path dir_ = fs::temp_directory_path() / Path("qm_files_テスト_" + std::to_string(std::random_device()()));
  const std::string d_ = Utf8(dir_);
  std::error_code ec_;
};

TEST_F(Files, AReadTellsMissingFromUnreadableAndAReplaceLeavesOneWholeFileOrNone) {
  const std::string f = d_ + "/設定.ini";
  std::string got = "x";
  const std::pair<std::string, Read> reads[] = {{f, Read::kMissing}, {d_ + "/no/such.ini", Read::kMissing}, {d_, Read::kUnreadable}};
  for (const auto& [path, read] : reads) EXPECT_TRUE(ReadFile(path, 99, got) == read && got.empty()) << path;
  ASSERT_TRUE(ReplaceFile(f, "one"));
  EXPECT_TRUE(ReadFile(f, 99, got) == Read::kRead && got == "one");
  // Temporary files of writers that are gone go; another file's, and names that only look alike, stay.
  for (const char* name : {"設定.ini.999999-7.tmp", "other.ini.1-1.tmp", "設定.ini.x-1.tmp", "設定.ini.1-.tmp"}) std::ofstream(dir_ / Path(name)) << "left";
  ASSERT_TRUE(ReplaceFile(f, std::string(5000, 'y')));
  EXPECT_TRUE(ReadFile(f, 3, got) == Read::kRead && got == "yyy") << "at most the bytes asked for";
  EXPECT_EQ(Names(), (std::set<std::string>{"設定.ini", "other.ini.1-1.tmp", "設定.ini.x-1.tmp", "設定.ini.1-.tmp"}));
#ifndef _WIN32  // a link to nothing is there but cannot be read; a writer's temporary file stays while it is held
  fs::create_symlink(dir_ / "nowhere", dir_ / "dangling");
  const int held = ::open(Utf8(dir_ / Path("設定.ini.7-7.tmp")).c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
  EXPECT_TRUE(ReadFile(d_ + "/dangling", 99, got) == Read::kUnreadable && ::flock(held, LOCK_EX) == 0 && ReplaceFile(f, std::string(5000, 'y')));
  EXPECT_TRUE(fs::remove(dir_ / "dangling") && fs::remove(dir_ / Path("設定.ini.7-7.tmp")) && ::close(held) == 0);
#endif
  // A read-only file was made so on purpose; a folder or a place without one is no file to replace.
  fs::permissions(Path(f), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write, fs::perm_options::remove);
  for (const std::string& path : {f, d_, d_ + "/no/such.ini"}) EXPECT_FALSE(ReplaceFile(path, "two")) << path;
  fs::permissions(Path(f), fs::perms::owner_write, fs::perm_options::add);
  EXPECT_TRUE(ReadFile(f, 9999, got) == Read::kRead && got == std::string(5000, 'y'));
}

TEST_F(Files, FoldersAreMadeAndEnteredAndTheProgramKnowsItsOwnPath) {
  const std::string deep = d_ + "/ä/b/c";
  MakeFolders(deep);
  EXPECT_TRUE(IsFolder(deep) && Exists(deep) && FolderWritable(deep) && !IsFolder(deep + "/x") && !Exists(deep + "/x"));
  EXPECT_TRUE(fs::is_empty(Path(deep))) << "asking left something behind";
  // A folder that refuses new files, even root's (tests/windows/run makes one): the settings go elsewhere.
  if (const char* locked = std::getenv("QM_LOCKED_FOLDER")) EXPECT_FALSE(FolderWritable(locked)) << locked;
  std::vector<std::pair<std::string, std::string>> rows = {{"a/b.ini", "a"}, {"b.ini", "."}, {"/b.ini", "/"}, {"/x/y/z", "/x/y"}};
#ifdef _WIN32
  rows.insert(rows.end(), {{"C:\\x\\y.ini", "C:\\x"}, {"C:\\y.ini", "C:\\"}, {"C:y.ini", "C:"}, {"C:/x/y.ini", "C:/x"}});
#endif
  for (const auto& [path, folder] : rows) EXPECT_EQ(FolderOf(path), folder) << path;
  const fs::path before = fs::current_path();
  EXPECT_TRUE(ChangeFolder(deep) && fs::equivalent(fs::current_path(), Path(deep)));
  fs::current_path(before);
  const std::string self = ProgramFile();
  EXPECT_TRUE(Exists(self) && !IsFolder(self) && Utf8(Path(self).filename()).starts_with("test_files")) << self;
}

}  // namespace
