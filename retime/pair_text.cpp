#include "retime/pair_text.h"

#include <string_view>
#include <utility>

#include "text/encodings.h"
#include "text/visible_text.h"

namespace rt {
namespace {

// Every 64th character's offset is kept: an eighth of a byte per character,
// and at most 63 characters to step over to find any other.
constexpr std::size_t kIndexedCharacters = 64;

char stand_in_of(const std::string& text, std::size_t at, std::size_t length) {
  if (length == 1) return text[at];  // ASCII, or a byte of no valid sequence
  const int byte = windows_1252_byte(utf8_code_point(text, at, length));
  return byte < 0 ? kNeutralLetter : static_cast<char>(byte);
}

}  // namespace

PairText::PairText(std::string stream) : bytes_(std::move(stream)), utf8_(reads_as_utf8(bytes_)) {
  if (!utf8_) return;
  drop_utf8_mark(bytes_);
  stand_in_.reserve(bytes_.size());
  offsets_.reserve(bytes_.size() / kIndexedCharacters + 1);
  for (std::size_t at = 0; at < bytes_.size();) {
    if (stand_in_.size() % kIndexedCharacters == 0) offsets_.push_back(at);
    const std::size_t length = character_length(bytes_, at, true);
    stand_in_ += stand_in_of(bytes_, at, length);
    at += length;
  }
  stand_in_.shrink_to_fit();
}

std::size_t PairText::offset_of(std::size_t i) const {
  if (i >= stand_in_.size()) return bytes_.size();
  std::size_t at = offsets_[i / kIndexedCharacters];
  for (std::size_t step = 0; step < i % kIndexedCharacters; ++step) at += character_length(bytes_, at, true);
  return at;
}

std::string_view PairText::view_of(Pos first, Pos last) const {
  if (!utf8_) {
    // As mid_text cuts: nothing from a first position outside the text.
    if (last < first || first < 1 || first > text_length(bytes_)) return {};
    return std::string_view(bytes_).substr(static_cast<std::size_t>(first - 1),
                                           static_cast<std::size_t>(last - first + 1));
  }
  const Pos length = text_length(stand_in_);
  if (first < 1) first = 1;
  if (last > length) last = length;
  if (last < first) return {};
  const std::size_t from = offset_of(static_cast<std::size_t>(first - 1));
  return std::string_view(bytes_).substr(from, offset_of(static_cast<std::size_t>(last)) - from);
}

}  // namespace rt
