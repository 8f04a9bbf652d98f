#include "driver/report_text.h"

#include "retime/output.h"
#include "text/encodings.h"
#include "text/visible_text.h"

namespace rt {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

char32_t windows_1252_character(unsigned char b) {
  const char32_t c = windows_1252_code_point(b);
  return c == 0 && b != 0 ? kReplacement : c;
}

bool shows_on_a_page(char32_t c) {
  if (c == '\t' || c == '\n' || c == '\r') return true;
  return c >= 0x20 && !(c >= 0x7F && c <= 0x9F);
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

bool is_utf8_text(const std::string& t) {
  for (std::size_t at = 0; at < t.size();) {
    if (static_cast<unsigned char>(t[at]) < 0x80) {
      ++at;
      continue;
    }
    const std::size_t length = utf8_sequence_length(t, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

std::int64_t character_count(const std::string& t, bool utf8) {
  if (!utf8) return static_cast<std::int64_t>(t.size());
  std::int64_t characters = 0;
  for (std::size_t at = 0; at < t.size(); at += character_length(t, at, true)) ++characters;
  return characters;
}

std::int64_t shown_characters(const std::string& written, bool utf8) {
  std::int64_t line_ends = 0;
  for (std::size_t at = written.find(kWrittenLineEnd); at != std::string::npos;
       at = written.find(kWrittenLineEnd, at + kWrittenLineEnd.size())) {
    ++line_ends;
  }
  return character_count(written, utf8) - line_ends;
}

std::int64_t trimmed_characters(const std::string& text, std::size_t from) {
  static const std::string kWhiteSpace = " \t\r\n";
  const std::size_t first = text.find_first_not_of(kWhiteSpace, from);
  if (first == std::string::npos) return 0;
  return static_cast<std::int64_t>(text.find_last_not_of(kWhiteSpace) + 1 - first);
}

std::string page_text(const std::string& t, bool utf8, std::size_t max_characters) {
  std::string out;
  std::size_t characters = 0;
  for (std::size_t at = 0; at < t.size() && characters < max_characters; ++characters) {
    char32_t c;
    const std::size_t length = utf8 ? utf8_sequence_length(t, at) : 0;
    if (length > 0) {
      c = utf8_code_point(t, at, length);
      at += length;
    } else {
      // A byte of no valid sequence in a text taken for UTF-8 cannot occur
      // when the caller judged it with is_utf8_text; shown as one character.
      c = utf8 ? kReplacement : windows_1252_character(static_cast<unsigned char>(t[at]));
      ++at;
    }
    append_utf8(out, shows_on_a_page(c) ? c : kReplacement);
  }
  return out;
}

std::string page_name(const std::string& name) { return page_text(name, is_utf8_text(name)); }

std::string html_escaped(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (char b : utf8) {
    switch (b) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += b;
    }
  }
  return out;
}

}  // namespace rt
