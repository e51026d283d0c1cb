#include <cmath>
#include <cstdio>
#include <string>

#include "runtime/runtime.h"

std::string Str(double x) {
  std::string out;
  if (std::signbit(x)) out = "-";
  double a = std::fabs(x);
  if (!std::isfinite(a)) return out + (std::isnan(a) ? "nan" : "inf");
  double whole = std::trunc(a);
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.0f", whole);
  std::string digits = buf;
  if (a == whole) return out + digits;
  // At most 15 digits before and after the point together.
  int decimals = 15 - static_cast<int>(digits.size());
  if (decimals < 1) return out + digits;
  std::snprintf(buf, sizeof buf, "%.*f", decimals, a);
  std::string text = buf;
  if (text.find('.') != std::string::npos) {
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
  }
  return out + text;
}

uint32_t Val(const std::string& text) {
  uint32_t value = 0;
  size_t i = 0;
  if (text.size() >= 2 && text[0] == '&') {
    char p = text[1];
    if (p == 'H' || p == 'h') {
      for (i = 2; i < text.size(); ++i) {
        char c = text[i];
        uint32_t d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else break;
        value = value * 16 + d;
      }
      return value;
    }
    if (p == 'O' || p == 'o') {
      for (i = 2; i < text.size() && text[i] >= '0' && text[i] <= '7'; ++i)
        value = value * 8 + static_cast<uint32_t>(text[i] - '0');
      return value;
    }
    return 0;
  }
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = value * 10 + static_cast<uint32_t>(text[i] - '0');  // wraps past 32 bits
  return value;
}

std::string Hex(uint32_t value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%X", value);
  return buf;
}

std::string Left(const std::string& text, int32_t count) {
  if (count <= 0) return {};
  return text.substr(0, static_cast<size_t>(count));
}

std::string Right(const std::string& text, int32_t count) {
  if (count <= 0) return {};
  size_t n = static_cast<size_t>(count);
  return n >= text.size() ? text : text.substr(text.size() - n);
}

std::string CharText(int32_t code) { return std::string(1, static_cast<char>(code & 0xFF)); }

std::string RepeatText(int32_t count, const std::string& text) {
  std::string out;
  for (int32_t i = 0; i < count; ++i) out += text;
  return out;
}
