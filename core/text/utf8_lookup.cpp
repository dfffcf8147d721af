// Strict UTF-8 validation a whole vector at a time, after the "lookup"
// method (Keiser and Lemire, "Validating UTF-8 in less than one instruction
// per byte"). Every byte is judged with the one before it from three nibble
// lookups, and with the two and three before it for the continuations that
// three- and four-byte sequences need. Nothing branches on the content but
// the skip over ASCII, so a few three-byte signs (№, «») among the Cyrillic
// pairs of a statement cost nothing more, where the SSE2 path drops to the
// scalar check for each block holding one. The check is written once, in
// utf8_lookup_kernel.inc, over a vector type; it is built here for SSSE3 (16
// bytes a step) and AVX2 (32) in target regions, and is_valid_utf8 runs one
// only where the CPU has it (see simd_dispatch.hpp).

#include "text/utf8_validators.hpp"

#if VELMORA_SIMD_X86

#include <immintrin.h>

#include <cstdint>
#include <cstring>

namespace velmora::text::detail {

namespace {

// Ways a pair of adjacent bytes (first, second) can be wrong, one bit each.
// A pair is in a class when the first byte's high nibble, its low nibble
// and the second byte's high nibble all carry that bit, so the classes of
// a pair are the AND of three 16-entry tables.
constexpr std::uint8_t kTooShort = 1 << 0;  // a lead not followed by a continuation
constexpr std::uint8_t kTooLong = 1 << 1;   // ASCII followed by a continuation
constexpr std::uint8_t kOverlong3 = 1 << 2; // E0 80..9F
constexpr std::uint8_t kTooLarge = 1 << 3;  // F4..FF 90..BF: above U+10FFFF
constexpr std::uint8_t kSurrogate = 1 << 4; // ED A0..BF
constexpr std::uint8_t kOverlong2 = 1 << 5; // C0 or C1 and a continuation
// F0 80..8F is overlong and F5..FF 80..8F too large: one bit serves both,
// since the low nibbles 0 and 5..F never meet a legal F lead.
constexpr std::uint8_t kF0F5Low = 1 << 6;
// Two continuations in a row: an error unless they are the third or fourth
// byte of a sequence, which the check against the earlier leads decides.
constexpr std::uint8_t kTwoConts = 1 << 7;

// Classes that the high nibbles decide alone.
constexpr std::uint8_t kAnyLow = kTooShort | kTooLong | kTwoConts;

struct Table {
  std::uint8_t at[16];
};

constexpr Table kFirstHigh = {{
    kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, // 0..7
    kTwoConts, kTwoConts, kTwoConts, kTwoConts,                                     // 8..B
    kTooShort | kOverlong2,                                                         // C
    kTooShort,                                                                      // D
    kTooShort | kOverlong3 | kSurrogate,                                            // E
    kTooShort | kTooLarge | kF0F5Low,                                               // F
}};

constexpr Table kFirstLow = {{
    kAnyLow | kOverlong2 | kOverlong3 | kF0F5Low, // C0 E0 F0
    kAnyLow | kOverlong2,                         // C1
    kAnyLow,                                      // 2
    kAnyLow,                                      // 3
    kAnyLow | kTooLarge,                          // F4
    kAnyLow | kTooLarge | kF0F5Low,               // F5
    kAnyLow | kTooLarge | kF0F5Low,               // F6
    kAnyLow | kTooLarge | kF0F5Low,               // F7
    kAnyLow | kTooLarge | kF0F5Low,               // F8
    kAnyLow | kTooLarge | kF0F5Low,               // F9
    kAnyLow | kTooLarge | kF0F5Low,               // FA
    kAnyLow | kTooLarge | kF0F5Low,               // FB
    kAnyLow | kTooLarge | kF0F5Low,               // FC
    kAnyLow | kTooLarge | kF0F5Low | kSurrogate,  // FD, ED
    kAnyLow | kTooLarge | kF0F5Low,               // FE
    kAnyLow | kTooLarge | kF0F5Low,               // FF
}};

constexpr std::uint8_t kCont = kTooLong | kOverlong2 | kTwoConts;

constexpr Table kSecondHigh = {{
    kTooShort,
    kTooShort,
    kTooShort,
    kTooShort,
    kTooShort,
    kTooShort,
    kTooShort,
    kTooShort,
    kCont | kOverlong3 | kF0F5Low,  // 80..8F
    kCont | kOverlong3 | kTooLarge, // 90..9F
    kCont | kSurrogate | kTooLarge, // A0..AF
    kCont | kSurrogate | kTooLarge, // B0..BF
    kTooShort,
    kTooShort,
    kTooShort,
    kTooShort,
}};

// A block whose last three bytes hold a lead that needs more bytes than the
// block has left: bytes above these limits, position by position. The last
// bytes of this line up with the last bytes of a block of either width.
constexpr unsigned char kLastMaxBlock[32] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,     0xFF,     0xFF,     0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,     0xFF,     0xFF,     0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0 - 1, 0xE0 - 1, 0xC0 - 1,
};

// Saturating subtraction of these leaves bit 7 set exactly for the leads
// E0..FF (two bytes back) and F0..FF (three bytes back).
constexpr char kThirdBase = static_cast<char>(0xE0 - 0x80);
constexpr char kFourthBase = static_cast<char>(0xF0 - 0x80);

// Bytes judged between two looks at the error: often enough that text in
// another encoding is turned down at once, seldom enough that valid text
// does not pay for the branch. Also the span of the ASCII skip, which at
// this size still catches the ASCII runs of a statement's lines.
constexpr std::size_t kGroupBytes = 64;

} // namespace

VELMORA_TARGET_REGION_BEGIN(VELMORA_ISA_SSSE3)
namespace {
namespace ssse3 {

// Sixteen bytes a step.
struct Vec {
  using Reg = __m128i;
  static constexpr std::size_t kBytes = 16;

  static Reg load(const unsigned char *p) {
    return _mm_loadu_si128(reinterpret_cast<const Reg *>(p));
  }
  static Reg table(const std::uint8_t *t) { return load(t); }
  static Reg splat(char c) { return _mm_set1_epi8(c); }
  static Reg zero() { return _mm_setzero_si128(); }
  static Reg bit_and(Reg a, Reg b) { return _mm_and_si128(a, b); }
  static Reg bit_or(Reg a, Reg b) { return _mm_or_si128(a, b); }
  static Reg bit_xor(Reg a, Reg b) { return _mm_xor_si128(a, b); }
  static Reg subs_u8(Reg a, Reg b) { return _mm_subs_epu8(a, b); }
  static Reg shift_right_4(Reg v) { return _mm_srli_epi16(v, 4); }
  static Reg lookup(Reg table, Reg index) { return _mm_shuffle_epi8(table, index); }
  // cur moved up by N bytes with the last N bytes of prev shifted in.
  template <int N> static Reg earlier(Reg cur, Reg prev) {
    return _mm_alignr_epi8(cur, prev, 16 - N);
  }
  static bool is_ascii(Reg v) { return _mm_movemask_epi8(v) == 0; }
  static bool any_set(Reg v) {
    return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) != 0xFFFF;
  }
};

#include "text/utf8_lookup_kernel.inc"

} // namespace ssse3
} // namespace

bool valid_utf8_ssse3(std::string_view bytes) { return ssse3::validate(bytes); }
VELMORA_TARGET_REGION_END

VELMORA_TARGET_REGION_BEGIN(VELMORA_ISA_AVX2)
namespace {
namespace avx2 {

// Thirty-two bytes a step.
struct Vec {
  using Reg = __m256i;
  static constexpr std::size_t kBytes = 32;

  static Reg load(const unsigned char *p) {
    return _mm256_loadu_si256(reinterpret_cast<const Reg *>(p));
  }
  // The byte lookups of AVX2 work within 128-bit lanes: each lane gets
  // the table.
  static Reg table(const std::uint8_t *t) {
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(t)));
  }
  static Reg splat(char c) { return _mm256_set1_epi8(c); }
  static Reg zero() { return _mm256_setzero_si256(); }
  static Reg bit_and(Reg a, Reg b) { return _mm256_and_si256(a, b); }
  static Reg bit_or(Reg a, Reg b) { return _mm256_or_si256(a, b); }
  static Reg bit_xor(Reg a, Reg b) { return _mm256_xor_si256(a, b); }
  static Reg subs_u8(Reg a, Reg b) { return _mm256_subs_epu8(a, b); }
  static Reg shift_right_4(Reg v) { return _mm256_srli_epi16(v, 4); }
  static Reg lookup(Reg table, Reg index) { return _mm256_shuffle_epi8(table, index); }
  // The byte shifts of AVX2 stay within 128-bit lanes, so the lane below
  // each is put beside it first.
  template <int N> static Reg earlier(Reg cur, Reg prev) {
    return _mm256_alignr_epi8(cur, _mm256_permute2x128_si256(prev, cur, 0x21), 16 - N);
  }
  static bool is_ascii(Reg v) { return _mm256_movemask_epi8(v) == 0; }
  static bool any_set(Reg v) { return !_mm256_testz_si256(v, v); }
};

#include "text/utf8_lookup_kernel.inc"

} // namespace avx2
} // namespace

bool valid_utf8_avx2(std::string_view bytes) { return avx2::validate(bytes); }
VELMORA_TARGET_REGION_END

} // namespace velmora::text::detail

#endif
