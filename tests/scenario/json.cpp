#include "tests/scenario/json.h"

#include <cstdlib>
#include <cstring>

namespace scenario {
namespace {

const Json kNullJson;

struct Parser {
  const std::string& s;
  size_t i = 0;
  bool ok = true;

  bool Eat(char c) {
    while (i < s.size() && std::strchr(" \n\r\t", s[i]) && s[i]) ++i;
    return i < s.size() && s[i] == c ? (++i, true) : false;
  }
  std::string String() {
    std::string out;
    if (!Eat('"')) return ok = false, out;
    for (; i < s.size() && s[i] != '"'; ++i) {
      char c = s[i];
      if (c == '\\' && i + 1 < s.size()) c = s[++i], c = c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
      out += c;
    }
    ok = ok && i++ < s.size();
    return out;
  }
  Json Value() {
    Json v;
    if (Eat('{')) {
      v.type = Json::kObject;
      if (Eat('}')) return v;
      do {
        std::string key = String();
        ok = ok && Eat(':');
        v.fields[key] = Value();
      } while (ok && Eat(','));
      ok = ok && Eat('}');
    } else if (Eat('[')) {
      v.type = Json::kArray;
      if (Eat(']')) return v;
      do v.items.push_back(Value());
      while (ok && Eat(','));
      ok = ok && Eat(']');
    } else if (i < s.size() && s[i] == '"') {
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
      v.number = i < s.size() ? std::strtod(s.c_str() + i, &end) : 0;
      ok = ok && end && end != s.c_str() + i;
      i = end ? static_cast<size_t>(end - s.c_str()) : i;
    }
    return v;
  }
};

}  // namespace

const Json& Json::operator[](const std::string& key) const {
  auto it = fields.find(key);
  return it == fields.end() ? kNullJson : it->second;
}

const Json& Json::operator[](size_t index) const { return index < items.size() ? items[index] : kNullJson; }

Json ParseJson(const std::string& text) {
  Parser p{text};
  Json v = p.Value();
  return p.ok ? v : Json{};
}

}  // namespace scenario
