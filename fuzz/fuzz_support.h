// What the fuzz targets share: reporting a broken property, and reading the input.
//
// A broken property prints what was checked, the input's values and what came out, then aborts:
// libFuzzer records the input as a crash, which scripts/fuzz.sh reports.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

namespace vkfuzz {

[[noreturn]] inline void Broken(const std::string& what) {
    std::fprintf(stderr, "\n*** property broken: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

#define VKFUZZ_CHECK(condition, ...)                                  \
    do {                                                              \
        if (!(condition)) ::vkfuzz::Broken(fmt::format(__VA_ARGS__)); \
    } while (0)

// The bytes of a text, printable whatever they hold: "\xC3" for a byte outside printable ASCII.
inline std::string Shown(std::string_view text, size_t limit = 400) {
    std::string shown;
    for (size_t i = 0; i < text.size() && i < limit; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\')
            shown += char(c);
        else
            shown += fmt::format("\\x{:02X}", c);
    }
    if (text.size() > limit) shown += fmt::format("... ({} bytes)", text.size());
    return shown;
}

// The code points of a UTF-8 text; std::nullopt when it is not valid UTF-8 (overlong forms,
// surrogates and values beyond U+10FFFF included). Written apart from the host's own check on
// purpose: the targets compare the two.
inline std::optional<std::vector<char32_t>> DecodeUtf8(std::string_view text) {
    static const char32_t kLowest[] = {0, 0x80, 0x800, 0x10000};
    std::vector<char32_t> points;
    for (size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        int extra = lead < 0x80   ? 0
                    : lead < 0xC0 ? -1
                    : lead < 0xE0 ? 1
                    : lead < 0xF0 ? 2
                    : lead < 0xF8 ? 3
                                  : -1;
        if (extra < 0 || i + size_t(extra) >= text.size() + (extra == 0)) return std::nullopt;
        char32_t point = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + size_t(k)]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            point = (point << 6) | (next & 0x3F);
        }
        if (point < kLowest[extra] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return std::nullopt;
        points.push_back(point);
        i += size_t(extra) + 1;
    }
    return points;
}

}  // namespace vkfuzz
