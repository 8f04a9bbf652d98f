// Finding every place of one byte in a buffer, sixteen bytes at a time.
// Lines are short (a timecode file's average fewer than twenty bytes), so a
// call of memchr per line costs more in its start than in its search; one
// pass over the whole buffer does not.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rt {

// Calls found(i) for every i below size where bytes[i] == byte, in order.
template <typename Found>
void each_place_of(const char* bytes, std::size_t size, char byte, Found&& found) {
  std::size_t at = 0;
#if defined(__SSE2__)
  const __m128i wanted = _mm_set1_epi8(byte);
  for (; size - at >= 16; at += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
    auto places = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, wanted)));
    for (; places != 0; places &= places - 1) found(at + static_cast<std::size_t>(__builtin_ctz(places)));
  }
#endif
  for (; at < size; ++at) {
    if (bytes[at] == byte) found(at);
  }
}

}  // namespace rt
