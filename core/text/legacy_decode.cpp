#include "text/legacy_decode.hpp"

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

std::string decode_windows1251(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        // Copy a run of ASCII bytes at once.
        std::size_t j = i;
        while (j < n && static_cast<unsigned char>(bytes[j]) < 0x80) {
            ++j;
        }
        out.append(bytes.data() + i, j - i);
        if (j == n) {
            break;
        }
        append_utf8(out, kWindows1251[static_cast<unsigned char>(bytes[j])]);
        i = j + 1;
    }
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
