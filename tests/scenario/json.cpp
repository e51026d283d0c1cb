#include "tests/scenario/json.h"

#include <cstdlib>

namespace scenario {
namespace {

const Json kNullJson;

struct Parser {
  const std::string& s;
  size_t i = 0;
  bool ok = true;

  void Blank() {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\n' || s[i] == '\r' || s[i] == '\t')) ++i;
  }
  bool Eat(char c) {
    Blank();
    if (i < s.size() && s[i] == c) {
      ++i;
      return true;
    }
    return false;
  }
  std::string String() {
    std::string out;
    if (!Eat('"')) {
      ok = false;
      return out;
    }
    while (i < s.size() && s[i] != '"') {
      if (s[i] == '\\' && i + 1 < s.size()) {
        char e = s[++i];
        out += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
        ++i;
      } else {
        out += s[i++];
      }
    }
    if (i >= s.size()) ok = false;
    ++i;
    return out;
  }
  Json Value() {
    Json v;
    Blank();
    if (i >= s.size()) {
      ok = false;
      return v;
    }
    char c = s[i];
    if (c == '{') {
      ++i;
      v.type = Json::kObject;
      if (Eat('}')) return v;
      do {
        std::string key = String();
        if (!Eat(':')) ok = false;
        v.fields[key] = Value();
      } while (ok && Eat(','));
      if (!Eat('}')) ok = false;
    } else if (c == '[') {
      ++i;
      v.type = Json::kArray;
      if (Eat(']')) return v;
      do v.items.push_back(Value());
      while (ok && Eat(','));
      if (!Eat(']')) ok = false;
    } else if (c == '"') {
      v.type = Json::kString;
      v.text = String();
    } else if (s.compare(i, 4, "true") == 0 || s.compare(i, 5, "false") == 0) {
      v.type = Json::kBool;
      v.number = s[i] == 't';
      i += s[i] == 't' ? 4 : 5;
    } else if (s.compare(i, 4, "null") == 0) {
      i += 4;
    } else {
      char* end = nullptr;
      v.type = Json::kNumber;
      v.number = std::strtod(s.c_str() + i, &end);
      if (end == s.c_str() + i) ok = false;
      i = static_cast<size_t>(end - s.c_str());
    }
    return v;
  }
};

}  // namespace

const Json& Json::operator[](const std::string& key) const {
  auto it = fields.find(key);
  return it == fields.end() ? kNullJson : it->second;
}

const Json& Json::operator[](size_t index) const {
  return index < items.size() ? items[index] : kNullJson;
}

Json ParseJson(const std::string& text) {
  Parser p{text};
  Json v = p.Value();
  return p.ok ? v : Json{};
}

}  // namespace scenario
