// The game's files on Windows. Paths are UTF-8 in the game and UTF-16 here,
// so a folder with any name works; '/' and '\' both separate.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
#undef ReplaceFile  // Windows' own, a macro; ours is files::ReplaceFile

#include <algorithm>
#include <atomic>

#include "platform/files/files.h"
#include "platform/files/temporary.h"

namespace platform::files {
namespace {

// Empty when the path is not UTF-8 (nothing is then read or written there).
std::wstring Wide(const std::string& path) {
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), int(path.size()), nullptr, 0);
  std::wstring w(n > 0 ? n : 0, L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), int(path.size()), w.data(), n);
  for (wchar_t& c : w) c = c == L'/' ? L'\\' : c;
  return w;
}

std::string Narrow(const std::wstring& w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? n : 0, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

bool Missing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// Opens what is at the path, through links, for reading (or only to look at
// it); INVALID_HANDLE_VALUE unless it is a file on a disk: a folder, a
// device (CON, NUL) or a pipe is never read.
HANDLE OpenFile(const std::wstring& path, DWORD access) {
  HANDLE h = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  return h;
}

// A writer holds its temporary file open, shared for nothing but the rename,
// until it is renamed or given up; the handle dies with the writer. So a
// temporary file that can be opened alone is one whose writer is gone, and
// goes when it is closed.
void RemoveLeftovers(const std::wstring& folder, const std::string& name) {
  WIN32_FIND_DATAW e;
  HANDLE find = FindFirstFileW((folder + L"\\*.tmp").c_str(), &e);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!IsTemporaryOf(Narrow(e.cFileName), name)) continue;
    HANDLE h = CreateFileW((folder + L"\\" + e.cFileName).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  } while (FindNextFileW(find, &e));
  FindClose(find);
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : ".";
  // The root of a drive or of the current one keeps its separator.
  if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
  return path.substr(0, slash);
}

Read ReadFile(const std::string& path, size_t maxBytes, std::string& out) {
  out.clear();
  const std::wstring w = Wide(path);
  if (w.empty()) return Read::kUnreadable;
  HANDLE h = OpenFile(w, GENERIC_READ);
  if (h == INVALID_HANDLE_VALUE) return Missing(GetLastError()) ? Read::kMissing : Read::kUnreadable;
  char buf[4096];
  DWORD got = 0;
  bool ok = true;
  while (out.size() < maxBytes) {
    ok = ::ReadFile(h, buf, DWORD(std::min(sizeof buf, maxBytes - out.size())), &got, nullptr);
    if (!ok || got == 0) break;
    out.append(buf, got);
  }
  CloseHandle(h);
  if (!ok) out.clear();
  return ok ? Read::kRead : Read::kUnreadable;
}

bool ReplaceFile(const std::string& path, const std::string& bytes) {
  std::wstring target = Wide(path);
  if (target.empty()) return false;
  if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
    // An existing file is replaced where it really is (a link is written
    // through), and never when it is read-only: it was made so on purpose.
    HANDLE h = OpenFile(target, FILE_READ_ATTRIBUTES);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    std::wstring final(32768, L'\0');  // the longest path Windows has
    const DWORD n = GetFileInformationByHandle(h, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                        ? GetFinalPathNameByHandleW(h, final.data(), DWORD(final.size()), FILE_NAME_NORMALIZED)
                        : 0;
    CloseHandle(h);
    if (n == 0 || n >= final.size()) return false;
    target = final.substr(0, n);
  } else if (!Missing(GetLastError())) {
    return false;
  }
  const size_t slash = target.find_last_of(L'\\');
  const std::wstring folder = slash == std::wstring::npos ? L"." : target.substr(0, slash);
  RemoveLeftovers(folder, Narrow(target.substr(slash + 1)));
  static std::atomic<unsigned> count{0};
  std::wstring temp;
  HANDLE h = INVALID_HANDLE_VALUE;
  for (int tries = 0; tries < 100 && h == INVALID_HANDLE_VALUE; ++tries) {
    temp = Wide(TemporaryName(Narrow(target), GetCurrentProcessId(), count++));
    h = CreateFileW(temp.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  bool ok = bytes.size() < MAXDWORD && WriteFile(h, bytes.data(), DWORD(bytes.size()), &put, nullptr) &&
            put == bytes.size() && FlushFileBuffers(h);
  // Renamed while still held, so that no cleaner can take it for a leftover.
  ok = ok && MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) {
    FILE_DISPOSITION_INFO gone{TRUE};
    SetFileInformationByHandle(h, FileDispositionInfo, &gone, sizeof gone);
  }
  CloseHandle(h);
  return ok;
}

bool FolderWritable(const std::string& folder) {
  // Only a file made there tells: the folder's read-only mark means nothing
  // to Windows, and its access list says more than any one call answers.
  const std::wstring probe = Wide(TemporaryName(folder + "/.quillmoor-probe", GetCurrentProcessId(), 0));
  HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

void MakeFolders(const std::string& folder) {
  const std::wstring w = Wide(folder);
  for (size_t slash = w.find(L'\\', 1); slash != std::wstring::npos; slash = w.find(L'\\', slash + 1))
    CreateDirectoryW(w.substr(0, slash).c_str(), nullptr);
  CreateDirectoryW(w.c_str(), nullptr);
}

bool Exists(const std::string& path) {
  const std::wstring w = Wide(path);
  return !w.empty() && GetFileAttributesW(w.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path) {
  const std::wstring w = Wide(path);
  const DWORD a = w.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(w.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ChangeFolder(const std::string& folder) {
  const std::wstring w = Wide(folder);
  return !w.empty() && SetCurrentDirectoryW(w.c_str());
}

std::string ProgramFile() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) return Narrow(buf.substr(0, n));
    buf.resize(buf.size() * 2);
  }
}

}  // namespace platform::files
