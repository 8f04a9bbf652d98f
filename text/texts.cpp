#include "text/texts.h"

#include <cstring>

namespace rt {

namespace {

// True when byte c is one of the bytes of set.
bool in_set(char c, const std::string& set) {
  return std::memchr(set.data(), c, set.size()) != nullptr;
}

}  // namespace

Pos text_length(const std::string& t) { return static_cast<Pos>(t.size()); }

std::string left_text(const std::string& t, Pos n) {
  if (n <= 0) return {};
  if (n >= text_length(t)) return t;
  return t.substr(0, static_cast<size_t>(n));
}

std::string right_text(const std::string& t, Pos n) {
  if (n <= 0) return {};
  Pos len = text_length(t);
  if (n >= len) return t;
  return t.substr(static_cast<size_t>(len - n));
}

std::string mid_text(const std::string& t, Pos start, Pos count) {
  Pos len = text_length(t);
  if (count == 0 || start < 1 || start > len) return {};
  Pos available = len - start + 1;
  if (count < 0 || count > available) count = available;
  return t.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count));
}

std::string lower_case(const std::string& t) {
  std::string lowered = t;
  for (char& c : lowered) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lowered;
}

std::string char_text(int b) { return std::string(1, static_cast<char>(b & 0xFF)); }

Pos find(Pos start, const std::string& t, const std::string& p) {
  Pos len = text_length(t);
  if (t.empty() || p.empty() || start < 1 || start > len || text_length(p) > len) return 0;
  size_t at = t.find(p, static_cast<size_t>(start - 1));
  return at == std::string::npos ? 0 : static_cast<Pos>(at) + 1;
}

Pos find_any(Pos start, const std::string& t, const std::string& set) {
  Pos len = text_length(t);
  if (t.empty() || set.empty() || start < 1 || start > len) return 0;
  for (Pos q = start; q <= len; ++q) {
    if (in_set(t[static_cast<size_t>(q - 1)], set)) return q;
  }
  return 0;
}

Pos find_last(const std::string& t, const std::string& p, Pos start) {
  Pos len = text_length(t);
  Pos plen = text_length(p);
  if (t.empty() || p.empty() || plen > len || start == 0) return 0;
  Pos begin = len - plen + 1;
  if (start > 0) {
    if (start > len) return 0;
    if (start < begin) begin = start;
  }
  size_t at = t.rfind(p, static_cast<size_t>(begin - 1));
  return at == std::string::npos ? 0 : static_cast<Pos>(at) + 1;
}

Pos find_any_last(const std::string& t, const std::string& set, Pos start) {
  Pos len = text_length(t);
  if (t.empty() || set.empty() || start == 0) return 0;
  Pos begin = len;
  if (start > 0) {
    if (start > len) return 0;
    begin = start;
  }
  for (Pos q = begin; q >= 1; --q) {
    if (in_set(t[static_cast<size_t>(q - 1)], set)) return q;
  }
  return 0;
}

}  // namespace rt
