#include "text/legacy_decode.hpp"

#include <array>
#include <cstdint>
#include <cstring>

#include "text/utf8.hpp"

namespace velmora::text {
namespace {

#include "text/windows1251_table.inc"

// WHATWG UTF-16 decoder; any place that would produce U+FFFD (unpaired lead
// or trail surrogate, odd trailing byte) makes the whole decode fail.
std::optional<std::string> decode_utf16(std::string_view bytes, bool big_endian) {
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const std::size_t n = bytes.size();
    if (n % 2 != 0) {
        return std::nullopt;
    }
    std::string out;
    out.reserve(n + n / 2);
    std::size_t i = 0;
    while (i < n) {
        const char32_t unit = big_endian ? (char32_t(p[i]) << 8) | p[i + 1]
                                         : (char32_t(p[i + 1]) << 8) | p[i];
        i += 2;
        if (unit < 0xD800 || unit > 0xDFFF) {
            append_utf8(out, unit);
            continue;
        }
        if (unit > 0xDBFF || i == n) {
            return std::nullopt; // lone trail, or lead at end of input
        }
        const char32_t trail = big_endian ? (char32_t(p[i]) << 8) | p[i + 1]
                                          : (char32_t(p[i + 1]) << 8) | p[i];
        if (trail < 0xDC00 || trail > 0xDFFF) {
            return std::nullopt; // lead not followed by a trail
        }
        i += 2;
        append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (trail - 0xDC00));
    }
    return out;
}

// Each byte's UTF-8 form, computed once at compile time, so decoding is one
// table load and one small copy per non-ASCII byte.
struct Utf8Form {
    char bytes[4];
    unsigned char size;
};

constexpr Utf8Form utf8_form(char32_t cp) {
    if (cp < 0x80) return {{static_cast<char>(cp), 0, 0, 0}, 1};
    if (cp < 0x800)
        return {{static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F)), 0, 0}, 2};
    return {{static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
             static_cast<char>(0x80 | (cp & 0x3F)), 0},
            3};
}

constexpr auto kWindows1251Utf8 = [] {
    std::array<Utf8Form, 256> forms{};
    for (std::size_t b = 0; b < 256; ++b) forms[b] = utf8_form(kWindows1251[b]);
    return forms;
}();

// Every windows-1251 byte maps into the Basic Multilingual Plane, so three
// output bytes per input byte always suffice; the buffer is sized once.
std::string decode_windows1251(std::string_view bytes) {
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const std::size_t n = bytes.size();
    std::string out;
    out.resize_and_overwrite(n * 3, [&](char *dst, std::size_t) {
        char *w = dst;
        std::size_t i = 0;
        // Blocks of eight: pure ASCII is copied as it is; a mixed block goes
        // byte by byte through the table without a branch per byte, since
        // Cyrillic words and ASCII blanks alternate too often to predict.
        for (; n - i >= 8; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, p + i, 8);
            if ((word & 0x8080808080808080ULL) == 0) {
                std::memcpy(w, p + i, 8);
                w += 8;
                continue;
            }
            for (std::size_t k = 0; k < 8; ++k) {
                const Utf8Form &form = kWindows1251Utf8[p[i + k]];
                std::memcpy(w, form.bytes, 4); // the spare bytes are overwritten next
                w += form.size;
            }
        }
        for (; i < n; ++i) {
            const Utf8Form &form = kWindows1251Utf8[p[i]];
            std::memcpy(w, form.bytes, 4);
            w += form.size;
        }
        return static_cast<std::size_t>(w - dst);
    });
    return out;
}

bool starts_with(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

} // namespace

char32_t windows1251_to_code_point(unsigned char byte) {
    return kWindows1251[byte];
}

std::optional<std::string> decode_legacy(std::string_view bytes) {
    if (starts_with(bytes, "\xEF\xBB\xBF")) {
        const std::string_view rest = bytes.substr(3);
        if (!is_valid_utf8(rest)) {
            return std::nullopt;
        }
        return std::string(rest);
    }
    if (starts_with(bytes, "\xFF\xFE")) {
        return decode_utf16(bytes.substr(2), false);
    }
    if (starts_with(bytes, "\xFE\xFF")) {
        return decode_utf16(bytes.substr(2), true);
    }
    return decode_windows1251(bytes);
}

} // namespace velmora::text
