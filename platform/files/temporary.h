// The temporary files of a replace, on every system: NAME.PID-N.tmp beside
// the file, one name per writer (its process and its own count).
#pragma once
#include <string>

namespace platform::files {

std::string TemporaryName(const std::string& path, unsigned long pid, unsigned count);
// Whether a folder entry is a temporary file of the file named `name`.
bool IsTemporaryOf(const std::string& entry, const std::string& name);

}  // namespace platform::files
