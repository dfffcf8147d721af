#include "text/utf8.hpp"

#include <cstdint>
#include <cstring>

#include "text/utf8_internal.hpp"

namespace velmora::text {

bool is_valid_utf8(std::string_view bytes) {
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        // Skip ASCII a word at a time.
        while (n - i >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p + i, 8);
            if ((word & 0x8080808080808080ULL) != 0) {
                break;
            }
            i += 8;
        }
        if (i == n) {
            break;
        }
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        // Two-byte sequences (Cyrillic) are checked inline: they are most of
        // the non-ASCII text of a statement.
        if (p[i] >= 0xC2 && p[i] < 0xE0 && n - i >= 2 && (p[i + 1] & 0xC0) == 0x80) {
            i += 2;
            continue;
        }
        char32_t cp;
        const std::size_t len = detail::decode_one(p + i, n - i, cp);
        if (len == 0) {
            return false;
        }
        i += len;
    }
    return true;
}

void append_utf8(std::string &out, char32_t cp) {
    if (cp >= 0xD800 && (cp <= 0xDFFF || cp > 0x10FFFF)) {
        cp = 0xFFFD; // not a scalar value: write the replacement character
    }
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        const char buf[2] = {static_cast<char>(0xC0 | (cp >> 6)),
                             static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(buf, 2);
    } else if (cp < 0x10000) {
        const char buf[3] = {static_cast<char>(0xE0 | (cp >> 12)),
                             static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                             static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(buf, 3);
    } else {
        const char buf[4] = {static_cast<char>(0xF0 | (cp >> 18)),
                             static_cast<char>(0x80 | ((cp >> 12) & 0x3F)),
                             static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                             static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(buf, 4);
    }
}

char32_t next_code_point(std::string_view s, std::size_t &i) {
    if (i >= s.size()) {
        return 0xFFFD; // nothing to decode; i is left unchanged
    }
    const auto *p = reinterpret_cast<const unsigned char *>(s.data()) + i;
    if (*p < 0x80) {
        ++i;
        return *p;
    }
    char32_t cp;
    const std::size_t len = detail::decode_one(p, s.size() - i, cp);
    if (len == 0) {
        ++i; // ill-formed input: one byte becomes U+FFFD
        return 0xFFFD;
    }
    i += len;
    return cp;
}

} // namespace velmora::text
