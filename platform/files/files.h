// The files the game keeps (its settings and recordings), read and replaced
// safely whatever the disk holds: a file that cannot be read is told apart
// from a missing one, nothing blocks on a FIFO or a device, a replace is
// atomic and keeps a symbolic link a link. Paths are UTF-8 strings; one
// implementation per system (files_posix.cpp, files_windows.cpp), chosen
// when the game is built.
#pragma once
#include <cstddef>
#include <string>

namespace platform::files {

enum class Read {
  kRead,        // the bytes are in `out`
  kMissing,     // nothing at the path: a file may be made there
  kUnreadable,  // something is there that cannot be read: no permission, an
                // I/O error, not a regular file, a link to nothing, a loop of links
};
// Reads at most maxBytes of the file at `path`, through symbolic links.
Read ReadFile(const std::string& path, size_t maxBytes, std::string& out);

// Replaces the file at `path` by `bytes`, or makes it: a whole new file is
// written beside the old one under a name of its own, synced, and renamed
// over it, so that a crash, a kill or a second writer at any moment leaves
// the old file or a whole new one. A symbolic link is written through to its
// final target, in the target's folder. Refused (kNo, nothing changed): a
// link to nothing or a loop, something other than a regular file, a file
// without its owner's write permission. A replaced file keeps its permissions
// (and its owner, where the process may give it). Temporary files of writers
// that are gone are removed on the way. True when the bytes landed.
bool ReplaceFile(const std::string& path, const std::string& bytes);

// The folder of a path ("." for a bare name).
std::string FolderOf(const std::string& path);
// Whether this process may make files in the folder.
bool FolderWritable(const std::string& folder);
// Makes the folder and every missing one above it, private to the user.
void MakeFolders(const std::string& folder);
// Whether anything is at the path (a link to nothing counts).
bool Exists(const std::string& path);
// Whether the path names a folder (through links).
bool IsFolder(const std::string& path);
// Makes the folder the process's current one.
bool ChangeFolder(const std::string& folder);
// The running program's own file, also after it was replaced on disk; empty
// when the system cannot tell.
std::string ProgramFile();

}  // namespace platform::files
