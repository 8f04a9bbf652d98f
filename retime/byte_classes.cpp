#include "retime/byte_classes.h"

#include <string>
#include <string_view>

#include "retime/bits.h"
#include "retime/cut_rule.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <tmmintrin.h>  // SSSE3, used only where the processor has it
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

constexpr std::size_t kLanes = 16;
constexpr std::size_t kBlockBytes = 64;

#if defined(__SSE2__)

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

#if defined(__x86_64__)

// The classes of a byte by its two halves, for a lookup of sixteen bytes at
// once: each high half that a byte of an alphabet has gets a bit of its
// own, high[h] holds the bits of half h, and low[l] the bits of every high
// half h for which h and l make a byte of an alphabet. The two meet in a
// class's bit for that class's own bytes only. Eight bits suffice while the
// alphabets' bytes have at most eight high halves between them (the vowels
// four, the break characters two).
struct HalfTables {
  alignas(16) std::uint8_t low[16] = {};
  alignas(16) std::uint8_t high[16] = {};
  std::uint8_t vowel_bits = 0;
  std::uint8_t break_bits = 0;
  bool usable = false;
  HalfTables() { usable = add(kVowels, vowel_bits) && add(kBreakCharacters, break_bits); }

 private:
  int bits_given = 0;
  bool add(std::string_view alphabet, std::uint8_t& class_bits) {
    std::uint8_t bit_of_high[16] = {};
    for (char c : alphabet) {
      const auto byte = static_cast<unsigned char>(c);
      std::uint8_t& bit = bit_of_high[byte >> 4];
      if (bit == 0) {
        if (bits_given == 8) return false;
        bit = static_cast<std::uint8_t>(1u << bits_given++);
        high[byte >> 4] |= bit;
      }
      low[byte & 0xF] |= bit;
      class_bits |= bit;
    }
    return true;
  }
};

const HalfTables& half_tables() {
  static const HalfTables tables;
  return tables;
}

// The bits of the bytes of 16 whose lanes are not 0: a saturated add of
// 0x7F carries every such lane into its top bit.
__attribute__((target("ssse3"))) inline std::uint64_t nonzero_bits(__m128i lanes) {
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_adds_epu8(lanes, _mm_set1_epi8(0x7F))));
}

// The masks of count blocks of 64 bytes by two lookups of their halves per
// 16 bytes.
__attribute__((target("ssse3"))) void masks_by_halves(const HalfTables& tables, const unsigned char* bytes,
                                                      std::size_t count, ClassMasks* out) {
  const __m128i low_table = _mm_load_si128(reinterpret_cast<const __m128i*>(tables.low));
  const __m128i high_table = _mm_load_si128(reinterpret_cast<const __m128i*>(tables.high));
  const __m128i half = _mm_set1_epi8(0x0F);
  const __m128i vowel_bits = _mm_set1_epi8(static_cast<char>(tables.vowel_bits));
  const __m128i break_bits = _mm_set1_epi8(static_cast<char>(tables.break_bits));
  const __m128i blank = _mm_set1_epi8(kSkippedAfterCut);
  for (std::size_t b = 0; b < count; ++b, bytes += kBlockBytes) {
    ClassMasks masks;
    for (int p = 0; p < 4; ++p) {
      const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + kLanes * p));
      const __m128i low = _mm_shuffle_epi8(low_table, _mm_and_si128(chunk, half));
      const __m128i high = _mm_shuffle_epi8(high_table, _mm_and_si128(_mm_srli_epi16(chunk, 4), half));
      const __m128i classes = _mm_and_si128(low, high);
      const int shift = static_cast<int>(kLanes) * p;
      masks.vowels |= nonzero_bits(_mm_and_si128(classes, vowel_bits)) << shift;
      masks.breaks |= nonzero_bits(_mm_and_si128(classes, break_bits)) << shift;
      masks.blanks |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, blank))))
                      << shift;
    }
    out[b] = masks;
  }
}

bool halves_usable() {
  static const bool usable = bits::processor_has_byte_shuffles() && half_tables().usable;
  return usable;
}

#endif

}  // namespace

ClassMasks class_masks(const unsigned char* bytes, std::size_t count) {
  ClassMasks masks;
  if (count == kBlockBytes) {
    block_class_masks(bytes, 1, &masks);
    return masks;
  }
  return masks_by_lanes(bytes, count);
}

void block_class_masks(const unsigned char* bytes, std::size_t count, ClassMasks* out) {
#if defined(__x86_64__)
  if (halves_usable()) {
    masks_by_halves(half_tables(), bytes, count, out);
    return;
  }
#endif
  for (std::size_t b = 0; b < count; ++b) out[b] = class_masks_by_comparison(bytes + b * kBlockBytes, kBlockBytes);
}

ClassMasks class_masks_by_comparison(const unsigned char* bytes, std::size_t count) {
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
