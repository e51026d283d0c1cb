// Just enough JSON to read the game's state dumps in tests.
#pragma once
#include <map>
#include <string>
#include <vector>

namespace scenario {

struct Json {
  enum Type { kNull, kNumber, kString, kArray, kObject, kBool } type = kNull;
  double number = 0;
  std::string text;
  std::vector<Json> items;
  std::map<std::string, Json> fields;
  const Json& operator[](const std::string& key) const;
  const Json& operator[](size_t index) const;
  int Int() const { return static_cast<int>(number); }
};

// A malformed document gives a null value.
Json ParseJson(const std::string& text);

}  // namespace scenario
