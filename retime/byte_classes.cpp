#include "retime/byte_classes.h"

#include <string>

#include "retime/cut_rule.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rt {

namespace {

// Byte classes looked up by value, each class in a byte lane of its own, so
// that the classes of eight bytes shifted by 0 to 7 and added give the three
// masks of those eight bytes at once, one per lane.
constexpr int kVowelLane = 0;
constexpr int kBreakLane = 8;
constexpr int kBlankLane = 16;

struct ByteLanes {
  std::uint32_t of[256] = {};
  ByteLanes() {
    for (char c : kVowels) of[static_cast<unsigned char>(c)] |= 1u << kVowelLane;
    for (char c : kBreakCharacters) of[static_cast<unsigned char>(c)] |= 1u << kBreakLane;
    of[static_cast<unsigned char>(kSkippedAfterCut)] |= 1u << kBlankLane;
  }
};

const ByteLanes& byte_lanes() {
  static const ByteLanes lanes;
  return lanes;
}

// The lanes of up to eight bytes, byte j shifted by j.
std::uint32_t lanes_of(const unsigned char* bytes, std::size_t count) {
  const std::uint32_t* lanes = byte_lanes().of;
  std::uint32_t sum = 0;
  for (std::size_t j = 0; j < count; ++j) sum |= lanes[bytes[j]] << j;
  return sum;
}

std::uint64_t lane(std::uint32_t lanes, int at) { return (lanes >> at) & 0xFF; }

ClassMasks masks_by_lanes(const unsigned char* bytes, std::size_t count) {
  ClassMasks masks;
  for (std::size_t group = 0; group < count; group += 8) {
    const std::uint32_t lanes = lanes_of(bytes + group, count - group < 8 ? count - group : 8);
    const int shift = static_cast<int>(group);
    masks.vowels |= lane(lanes, kVowelLane) << shift;
    masks.breaks |= lane(lanes, kBreakLane) << shift;
    masks.blanks |= lane(lanes, kBlankLane) << shift;
  }
  return masks;
}

#if defined(__SSE2__)

constexpr std::size_t kLanes = 16;
constexpr std::size_t kBlockBytes = 64;

// Each byte of the two alphabets in all 16 lanes of a register, so that a
// comparison looks at 16 bytes of text at once. Alphabets longer than the
// room here would be classified by lanes.
constexpr std::size_t kLargestAlphabet = 16;
struct Alphabets {
  __m128i vowels[kLargestAlphabet];
  __m128i breaks[kLargestAlphabet];
  std::size_t vowel_count = 0;
  std::size_t break_count = 0;
  __m128i blank;
  bool usable = kVowels.size() <= kLargestAlphabet && kBreakCharacters.size() <= kLargestAlphabet;
  Alphabets() {
    if (!usable) return;
    for (char c : kVowels) vowels[vowel_count++] = _mm_set1_epi8(c);
    for (char c : kBreakCharacters) breaks[break_count++] = _mm_set1_epi8(c);
    blank = _mm_set1_epi8(kSkippedAfterCut);
  }
};

const Alphabets& alphabets() {
  static const Alphabets sets;
  return sets;
}

// For each of the four pieces of 16 bytes, the bits of the bytes in set.
inline std::uint64_t matches(const __m128i (&pieces)[4], const __m128i* set, std::size_t count) {
  __m128i any[4] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128()};
  for (std::size_t i = 0; i < count; ++i) {
    for (int p = 0; p < 4; ++p) any[p] = _mm_or_si128(any[p], _mm_cmpeq_epi8(pieces[p], set[i]));
  }
  std::uint64_t bits = 0;
  for (int p = 0; p < 4; ++p) {
    bits |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(any[p]))) << (kLanes * p);
  }
  return bits;
}

// matches for an alphabet of Count bytes, a count the compiler knows, so
// that it keeps the comparisons in registers without a loop.
template <std::size_t Count>
std::uint64_t matches_of(const __m128i (&pieces)[4], const __m128i* set, std::size_t count) {
  return count == Count ? matches(pieces, set, Count) : matches(pieces, set, count);
}

// The alphabets' sizes as they are: nine vowels, six break characters.
constexpr std::size_t kUsualVowels = 9;
constexpr std::size_t kUsualBreaks = 6;

ClassMasks masks_of_block(const Alphabets& sets, const unsigned char* bytes) {
  __m128i pieces[4];
  for (int p = 0; p < 4; ++p) pieces[p] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + kLanes * p));
  ClassMasks masks;
  masks.vowels = matches_of<kUsualVowels>(pieces, sets.vowels, sets.vowel_count);
  masks.breaks = matches_of<kUsualBreaks>(pieces, sets.breaks, sets.break_count);
  masks.blanks = matches(pieces, &sets.blank, 1);
  return masks;
}

#endif

}  // namespace

ClassMasks class_masks(const unsigned char* bytes, std::size_t count) {
#if defined(__SSE2__)
  if (count == kBlockBytes) {
    const Alphabets& sets = alphabets();
    if (sets.usable) return masks_of_block(sets, bytes);
  }
#endif
  return masks_by_lanes(bytes, count);
}

ClassMasks class_masks_plain(const unsigned char* bytes, std::size_t count) {
  ClassMasks masks;
  for (std::size_t i = 0; i < count; ++i) {
    const char c = static_cast<char>(bytes[i]);
    if (kVowels.find(c) != std::string::npos) masks.vowels |= std::uint64_t{1} << i;
    if (kBreakCharacters.find(c) != std::string::npos) masks.breaks |= std::uint64_t{1} << i;
    if (c == kSkippedAfterCut) masks.blanks |= std::uint64_t{1} << i;
  }
  return masks;
}

}  // namespace rt
