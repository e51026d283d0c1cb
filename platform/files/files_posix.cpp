// The game's files on a POSIX system (Linux, and the browser's file system).
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>

#include "platform/files/files.h"
#include "platform/files/temporary.h"

namespace platform::files {
namespace {

constexpr int kMaxLinks = 40;  // as the system's own path lookup allows

enum class Found { kFile, kMissing, kBroken };

// Follows the symbolic links at the end of `path` to what they name; `st`
// describes that. kBroken: a link to nothing, a loop, or a place that cannot
// be looked at (a folder on the way without permission).
Found Resolve(const std::string& path, std::string& target, struct stat& st) {
  target = path;
  for (int hops = 0;; ++hops) {
    if (::lstat(target.c_str(), &st) != 0)
      return hops == 0 && (errno == ENOENT || errno == ENOTDIR) ? Found::kMissing : Found::kBroken;
    if (!S_ISLNK(st.st_mode)) return Found::kFile;
    char link[PATH_MAX];
    const ssize_t n = ::readlink(target.c_str(), link, sizeof link);
    if (hops == kMaxLinks || n <= 0 || static_cast<size_t>(n) == sizeof link) return Found::kBroken;
    // A relative link is read from the link's own folder.
    target = link[0] == '/' ? std::string(link, n) : FolderOf(target) + "/" + std::string(link, n);
  }
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0 ? errno != EINTR : put == 0) return false;
    if (put > 0) done += static_cast<size_t>(put);
  }
  return true;
}

// A writer holds a lock on its temporary file from just after making it until
// it is renamed or given up; the lock dies with the writer. So a temporary
// file that can be locked is one whose writer is gone, and can go.
void RemoveLeftovers(const std::string& folder, const std::string& name) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* e = ::readdir(dir)) {
    if (!IsTemporaryOf(e->d_name, name)) continue;
    const std::string path = folder + "/" + e->d_name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat held {}, named {};
    if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::lstat(path.c_str(), &named) == 0 && named.st_ino == held.st_ino && named.st_dev == held.st_dev)
      ::unlink(path.c_str());
    ::close(fd);
  }
  ::closedir(dir);
}

// Makes a new, locked temporary file beside `target`.
int MakeTemporary(const std::string& target, std::string& temp) {
  static std::atomic<unsigned> count{0};
  for (int tries = 0; tries < 100; ++tries) {
    temp = TemporaryName(target, static_cast<unsigned long>(::getpid()), count++);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return -1;
    if (fd < 0) continue;  // a leftover of another run under the same number
    // Where locks are not supported, no cleaner can lock it either.
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) continue;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_nlink > 0) return fd;
    ::close(fd);  // a cleaner took it for a leftover before the lock
  }
  return -1;
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

Read ReadFile(const std::string& path, size_t maxBytes, std::string& out) {
  out.clear();
  std::string target;
  struct stat st {};
  const Found found = Resolve(path, target, st);
  if (found != Found::kFile) return found == Found::kMissing ? Read::kMissing : Read::kUnreadable;
  // A FIFO or a device is never opened: opening one can block or act.
  if (!S_ISREG(st.st_mode)) return Read::kUnreadable;
  // It may have changed since: opened without blocking and without following
  // a link that has just appeared, then looked at again.
  const int fd = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return Read::kUnreadable;
  const int flags = ::fcntl(fd, F_GETFL);
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flags >= 0 &&
            ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
  char buf[4096];
  while (ok && out.size() < maxBytes) {
    const ssize_t got = ::read(fd, buf, std::min(sizeof buf, maxBytes - out.size()));
    if (got == 0) break;
    if (got > 0) out.append(buf, static_cast<size_t>(got));
    ok = got > 0 || errno == EINTR;
  }
  ::close(fd);
  if (!ok) out.clear();
  return ok ? Read::kRead : Read::kUnreadable;
}

bool ReplaceFile(const std::string& path, const std::string& bytes) {
  std::string target;
  struct stat old {};
  const Found found = path.empty() ? Found::kBroken : Resolve(path, target, old);
  if (found == Found::kBroken) return false;
  const bool exists = found == Found::kFile;
  // A file its owner may not write was made read-only on purpose: the rename
  // would replace it all the same (and root may write anything).
  if (exists && (!S_ISREG(old.st_mode) || !(old.st_mode & S_IWUSR))) return false;
  const std::string folder = FolderOf(target);
  RemoveLeftovers(folder, target.substr(target.find_last_of('/') + 1));
  std::string temp;
  const int fd = MakeTemporary(target, temp);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes);
  if (ok && exists) {
    // A run as root leaves the player's file the player's.
    if (::geteuid() == 0 && old.st_uid != 0 && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
      // a file system without owners: the file is still whole
    }
    ok = ::fchmod(fd, old.st_mode & 07777) == 0;
  }
  ok = ok && ::fsync(fd) == 0;
  ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  ::close(fd);  // and with it the lock
  if (!ok) return false;
  // The rename itself made durable.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

bool FolderWritable(const std::string& folder) { return ::access(folder.c_str(), W_OK) == 0; }

void MakeFolders(const std::string& folder) {
  for (size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1))
    ::mkdir(folder.substr(0, slash).c_str(), 0700);
  ::mkdir(folder.c_str(), 0700);
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ChangeFolder(const std::string& folder) { return ::chdir(folder.c_str()) == 0; }

std::string ProgramFile() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf);
  if (n <= 0 || static_cast<size_t>(n) == sizeof buf) return {};
  std::string path(buf, static_cast<size_t>(n));
  // A program whose file was replaced or removed while it ran (a rebuild, an
  // upgrade) is named "PATH (deleted)": PATH is where it started from. A file
  // really named so still has its link.
  const std::string gone = " (deleted)";
  struct stat st {};
  if (path.ends_with(gone) && ::stat("/proc/self/exe", &st) == 0 && st.st_nlink == 0)
    path.resize(path.size() - gone.size());
  return path;
}

}  // namespace platform::files
