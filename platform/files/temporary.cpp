#include "platform/files/temporary.h"

namespace platform::files {
namespace {

constexpr const char kTempEnd[] = ".tmp";

}  // namespace

std::string TemporaryName(const std::string& path, unsigned long pid, unsigned count) {
  return path + "." + std::to_string(pid) + "-" + std::to_string(count) + kTempEnd;
}

bool IsTemporaryOf(const std::string& entry, const std::string& name) {
  const size_t end = sizeof kTempEnd - 1;
  if (entry.size() <= name.size() + 1 + end || entry.compare(0, name.size(), name) != 0 ||
      entry[name.size()] != '.' || entry.compare(entry.size() - end, end, kTempEnd) != 0)
    return false;
  const std::string mid = entry.substr(name.size() + 1, entry.size() - name.size() - 1 - end);
  const size_t dash = mid.find('-');
  return dash != 0 && dash != std::string::npos && dash + 1 < mid.size() &&
         mid.find_first_not_of("0123456789-") == std::string::npos && mid.find('-', dash + 1) == std::string::npos;
}

}  // namespace platform::files
