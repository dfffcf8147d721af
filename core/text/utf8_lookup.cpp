// Strict UTF-8 validation a whole vector at a time, after the "lookup"
// method (Keiser and Lemire, "Validating UTF-8 in less than one instruction
// per byte"). Every byte is judged with the one before it from three nibble
// lookups, and with the two and three before it for the continuations that
// three- and four-byte sequences need. Nothing branches on the content but
// the skip over ASCII, so a few three-byte signs (№, «») among the Cyrillic
// pairs of a statement cost nothing more, where the SSE2 path drops to the
// scalar check for each block holding one. Built for SSSE3 (16 bytes a step) and AVX2 (32) by target
// attributes, so the library itself still asks only for the x86-64 baseline;
// is_valid_utf8 runs one only where the CPU has it.

#include "text/utf8_validators.hpp"

#if defined(VELMORA_UTF8_X86)

#include <immintrin.h>

#include <cstdint>
#include <cstring>

namespace velmora::text::detail {

namespace {

// Ways a pair of adjacent bytes (first, second) can be wrong, one bit each.
// A pair is in a class when the first byte's high nibble, its low nibble
// and the second byte's high nibble all carry that bit, so the classes of
// a pair are the AND of three 16-entry tables.
constexpr std::uint8_t kTooShort = 1 << 0;   // a lead not followed by a continuation
constexpr std::uint8_t kTooLong = 1 << 1;    // ASCII followed by a continuation
constexpr std::uint8_t kOverlong3 = 1 << 2;  // E0 80..9F
constexpr std::uint8_t kTooLarge = 1 << 3;   // F4..FF 90..BF: above U+10FFFF
constexpr std::uint8_t kSurrogate = 1 << 4;  // ED A0..BF
constexpr std::uint8_t kOverlong2 = 1 << 5;  // C0 or C1 and a continuation
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
    kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,  // 0..7
    kTwoConts, kTwoConts, kTwoConts, kTwoConts,                                      // 8..B
    kTooShort | kOverlong2,                                                          // C
    kTooShort,                                                                       // D
    kTooShort | kOverlong3 | kSurrogate,                                             // E
    kTooShort | kTooLarge | kF0F5Low,                                                // F
}};

constexpr Table kFirstLow = {{
    kAnyLow | kOverlong2 | kOverlong3 | kF0F5Low,   // C0 E0 F0
    kAnyLow | kOverlong2,                           // C1
    kAnyLow,                                        // 2
    kAnyLow,                                        // 3
    kAnyLow | kTooLarge,                            // F4
    kAnyLow | kTooLarge | kF0F5Low,                 // F5
    kAnyLow | kTooLarge | kF0F5Low,                 // F6
    kAnyLow | kTooLarge | kF0F5Low,                 // F7
    kAnyLow | kTooLarge | kF0F5Low,                 // F8
    kAnyLow | kTooLarge | kF0F5Low,                 // F9
    kAnyLow | kTooLarge | kF0F5Low,                 // FA
    kAnyLow | kTooLarge | kF0F5Low,                 // FB
    kAnyLow | kTooLarge | kF0F5Low,                 // FC
    kAnyLow | kTooLarge | kF0F5Low | kSurrogate,    // FD, ED
    kAnyLow | kTooLarge | kF0F5Low,                 // FE
    kAnyLow | kTooLarge | kF0F5Low,                 // FF
}};

constexpr std::uint8_t kCont = kTooLong | kOverlong2 | kTwoConts;

constexpr Table kSecondHigh = {{
    kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
    kCont | kOverlong3 | kF0F5Low,   // 80..8F
    kCont | kOverlong3 | kTooLarge,  // 90..9F
    kCont | kSurrogate | kTooLarge,  // A0..AF
    kCont | kSurrogate | kTooLarge,  // B0..BF
    kTooShort, kTooShort, kTooShort, kTooShort,
}};

// A block whose last three bytes hold a lead that needs more bytes than the
// block has left: bytes above these limits, position by position.
constexpr std::uint8_t kLastMax[3] = {0xF0 - 1, 0xE0 - 1, 0xC0 - 1};

// Saturating subtraction of these leaves bit 7 set exactly for the leads
// E0..FF (two bytes back) and F0..FF (three bytes back).
constexpr char kThirdBase = static_cast<char>(0xE0 - 0x80);
constexpr char kFourthBase = static_cast<char>(0xF0 - 0x80);

// The steps are the same for both widths; only the registers differ. The
// constants are set up once per call and handed down, since the compiler
// does not hoist them out of the branchy, unrolled block loop by itself.

#define VELMORA_SSSE3 __attribute__((target("ssse3")))

struct Consts128 {
    __m128i first_high, first_low, second_high, low_nibble, third_base, fourth_base, top_bit,
        last_max;
};

VELMORA_SSSE3 __m128i table_128(const Table &t) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(t.at));
}

VELMORA_SSSE3 Consts128 consts_128() {
    return {table_128(kFirstHigh),
            table_128(kFirstLow),
            table_128(kSecondHigh),
            _mm_set1_epi8(0x0F),
            _mm_set1_epi8(kThirdBase),
            _mm_set1_epi8(kFourthBase),
            _mm_set1_epi8(char(0x80)),
            _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, char(kLastMax[0]),
                          char(kLastMax[1]), char(kLastMax[2]))};
}

VELMORA_SSSE3 __m128i high_nibbles_128(const Consts128 &k, __m128i v) {
    return _mm_and_si128(_mm_srli_epi16(v, 4), k.low_nibble);
}

// Errors of the block cur, judged with the bytes of prev before it.
VELMORA_SSSE3 __m128i block_errors_128(const Consts128 &k, __m128i cur, __m128i prev) {
    const __m128i prev1 = _mm_alignr_epi8(cur, prev, 15);
    const __m128i special = _mm_and_si128(
        _mm_and_si128(_mm_shuffle_epi8(k.first_high, high_nibbles_128(k, prev1)),
                      _mm_shuffle_epi8(k.first_low, _mm_and_si128(prev1, k.low_nibble))),
        _mm_shuffle_epi8(k.second_high, high_nibbles_128(k, cur)));
    const __m128i third = _mm_subs_epu8(_mm_alignr_epi8(cur, prev, 14), k.third_base);
    const __m128i fourth = _mm_subs_epu8(_mm_alignr_epi8(cur, prev, 13), k.fourth_base);
    const __m128i needed = _mm_and_si128(_mm_or_si128(third, fourth), k.top_bit);
    return _mm_xor_si128(needed, special);
}

// One step: an ASCII block only has to show that the previous block did not
// end inside a sequence; any other is judged in full.
VELMORA_SSSE3 void step_128(const Consts128 &k, __m128i cur, __m128i &prev, __m128i &error,
                            __m128i &unfinished) {
    if (_mm_movemask_epi8(cur) == 0) {
        error = _mm_or_si128(error, unfinished);
        unfinished = _mm_setzero_si128();
    } else {
        error = _mm_or_si128(error, block_errors_128(k, cur, prev));
        unfinished = _mm_subs_epu8(cur, k.last_max);
    }
    prev = cur;
}

VELMORA_SSSE3 bool any_set_128(__m128i v) {
    return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) != 0xFFFF;
}

#define VELMORA_AVX2 __attribute__((target("avx2")))

struct Consts256 {
    __m256i first_high, first_low, second_high, low_nibble, third_base, fourth_base, top_bit,
        last_max;
};

VELMORA_AVX2 __m256i table_256(const Table &t) {
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(t.at)));
}

VELMORA_AVX2 Consts256 consts_256() {
    return {table_256(kFirstHigh),
            table_256(kFirstLow),
            table_256(kSecondHigh),
            _mm256_set1_epi8(0x0F),
            _mm256_set1_epi8(kThirdBase),
            _mm256_set1_epi8(kFourthBase),
            _mm256_set1_epi8(char(0x80)),
            _mm256_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                             -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, char(kLastMax[0]),
                             char(kLastMax[1]), char(kLastMax[2]))};
}

VELMORA_AVX2 __m256i high_nibbles_256(const Consts256 &k, __m256i v) {
    return _mm256_and_si256(_mm256_srli_epi16(v, 4), k.low_nibble);
}

// cur moved up by N bytes with the last N bytes of prev shifted in; the
// byte shifts of AVX2 stay within 128-bit lanes, so the lane below each is
// put beside it first.
template <int N>
VELMORA_AVX2 __m256i earlier_256(__m256i cur, __m256i prev) {
    return _mm256_alignr_epi8(cur, _mm256_permute2x128_si256(prev, cur, 0x21), 16 - N);
}

VELMORA_AVX2 __m256i block_errors_256(const Consts256 &k, __m256i cur, __m256i prev) {
    const __m256i prev1 = earlier_256<1>(cur, prev);
    const __m256i special = _mm256_and_si256(
        _mm256_and_si256(_mm256_shuffle_epi8(k.first_high, high_nibbles_256(k, prev1)),
                         _mm256_shuffle_epi8(k.first_low, _mm256_and_si256(prev1, k.low_nibble))),
        _mm256_shuffle_epi8(k.second_high, high_nibbles_256(k, cur)));
    const __m256i third = _mm256_subs_epu8(earlier_256<2>(cur, prev), k.third_base);
    const __m256i fourth = _mm256_subs_epu8(earlier_256<3>(cur, prev), k.fourth_base);
    const __m256i needed = _mm256_and_si256(_mm256_or_si256(third, fourth), k.top_bit);
    return _mm256_xor_si256(needed, special);
}

VELMORA_AVX2 void step_256(const Consts256 &k, __m256i cur, __m256i &prev, __m256i &error,
                           __m256i &unfinished) {
    if (_mm256_movemask_epi8(cur) == 0) {
        error = _mm256_or_si256(error, unfinished);
        unfinished = _mm256_setzero_si256();
    } else {
        error = _mm256_or_si256(error, block_errors_256(k, cur, prev));
        unfinished = _mm256_subs_epu8(cur, k.last_max);
    }
    prev = cur;
}

VELMORA_AVX2 bool any_set_256(__m256i v) { return !_mm256_testz_si256(v, v); }

// Bytes judged between two looks at the error: often enough that text in
// another encoding is turned down at once, seldom enough that valid text
// does not pay for the branch. Also the span of the ASCII skip, which at
// this size still catches the ASCII runs of a statement's lines.
constexpr std::size_t kGroupBytes = 64;

// One group of whole blocks, as step_128 would take them one by one, but
// with the ASCII test made once for the group.
VELMORA_SSSE3 void group_128(const Consts128 &k, const unsigned char *p, __m128i &prev,
                             __m128i &error, __m128i &unfinished) {
    constexpr std::size_t blocks = kGroupBytes / 16;
    const auto *v = reinterpret_cast<const __m128i *>(p);
    __m128i any = _mm_loadu_si128(v);
    for (std::size_t b = 1; b < blocks; ++b) {
        any = _mm_or_si128(any, _mm_loadu_si128(v + b));
    }
    if (_mm_movemask_epi8(any) == 0) {
        error = _mm_or_si128(error, unfinished);
        unfinished = _mm_setzero_si128();
        prev = _mm_loadu_si128(v + blocks - 1);
        return;
    }
    for (std::size_t b = 0; b < blocks; ++b) {
        const __m128i cur = _mm_loadu_si128(v + b);
        error = _mm_or_si128(error, block_errors_128(k, cur, prev));
        prev = cur;
    }
    unfinished = _mm_subs_epu8(prev, k.last_max);
}

VELMORA_AVX2 void group_256(const Consts256 &k, const unsigned char *p, __m256i &prev,
                            __m256i &error, __m256i &unfinished) {
    constexpr std::size_t blocks = kGroupBytes / 32;
    const auto *v = reinterpret_cast<const __m256i *>(p);
    __m256i any = _mm256_loadu_si256(v);
    for (std::size_t b = 1; b < blocks; ++b) {
        any = _mm256_or_si256(any, _mm256_loadu_si256(v + b));
    }
    if (_mm256_movemask_epi8(any) == 0) {
        error = _mm256_or_si256(error, unfinished);
        unfinished = _mm256_setzero_si256();
        prev = _mm256_loadu_si256(v + blocks - 1);
        return;
    }
    for (std::size_t b = 0; b < blocks; ++b) {
        const __m256i cur = _mm256_loadu_si256(v + b);
        error = _mm256_or_si256(error, block_errors_256(k, cur, prev));
        prev = cur;
    }
    unfinished = _mm256_subs_epu8(prev, k.last_max);
}

} // namespace

// Whole groups first, then whole blocks; the last partial block is copied
// into zeros, so that nothing past the input is read and a sequence cut
// short by the end meets that padding as it would meet ASCII.
VELMORA_SSSE3 bool valid_utf8_ssse3(std::string_view bytes) {
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const std::size_t n = bytes.size();
    const Consts128 k = consts_128();
    __m128i prev = _mm_setzero_si128(), error = prev, unfinished = prev;
    std::size_t i = 0;
    for (; n - i >= kGroupBytes; i += kGroupBytes) {
        group_128(k, p + i, prev, error, unfinished);
        if (any_set_128(error)) {
            return false;
        }
    }
    for (; n - i >= 16; i += 16) {
        step_128(k, _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i)), prev, error,
                 unfinished);
    }
    if (i < n) {
        alignas(16) unsigned char tail[16] = {};
        std::memcpy(tail, p + i, n - i);
        step_128(k, _mm_load_si128(reinterpret_cast<const __m128i *>(tail)), prev, error,
                 unfinished);
    }
    return !any_set_128(_mm_or_si128(error, unfinished));
}

VELMORA_AVX2 bool valid_utf8_avx2(std::string_view bytes) {
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const std::size_t n = bytes.size();
    const Consts256 k = consts_256();
    __m256i prev = _mm256_setzero_si256(), error = prev, unfinished = prev;
    std::size_t i = 0;
    for (; n - i >= kGroupBytes; i += kGroupBytes) {
        group_256(k, p + i, prev, error, unfinished);
        if (any_set_256(error)) {
            return false;
        }
    }
    for (; n - i >= 32; i += 32) {
        step_256(k, _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + i)), prev, error,
                 unfinished);
    }
    if (i < n) {
        alignas(32) unsigned char tail[32] = {};
        std::memcpy(tail, p + i, n - i);
        step_256(k, _mm256_load_si256(reinterpret_cast<const __m256i *>(tail)), prev, error,
                 unfinished);
    }
    return !any_set_256(_mm256_or_si256(error, unfinished));
}

} // namespace velmora::text::detail

#endif
