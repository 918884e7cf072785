// Conversions between the engine's UTF-8 text and WIN1252, the character set of the databases.
#include <array>

#include <fmt/format.h>

#include "platform/db/fbclient.h"

namespace ibx_detail {

namespace {

// The characters of bytes 0x80 to 0x9F; 0 where WIN1252 has none.
constexpr std::array<char32_t, 32> k80To9F = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                              0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                              0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                              0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(UnicodeString& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The code point starting at text[i], advancing i; -1 for a malformed sequence.
long NextCodePoint(const UnicodeString& text, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char first = byte(i++);
    if (first < 0x80) return first;
    int extra = first >= 0xF0 && first < 0xF5   ? 3
                : first >= 0xE0                 ? 2
                : first >= 0xC2 && first < 0xE0 ? 1
                                                : -1;
    if (extra < 0 || i + extra > text.size()) return -1;
    long c = first & (0x3F >> extra);
    for (int k = 0; k < extra; ++k, ++i) {
        if ((byte(i) & 0xC0) != 0x80) return -1;
        c = (c << 6) | (byte(i) & 0x3F);
    }
    const long smallest[] = {0, 0x80, 0x800, 0x10000};
    if (c < smallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return -1;
    return c;
}

int Win1252Byte(long c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    for (size_t b = 0; b < k80To9F.size(); ++b)
        if (k80To9F[b] != 0 && static_cast<long>(k80To9F[b]) == c) return static_cast<int>(0x80 + b);
    return -1;
}

}  // namespace

UnicodeString Win1252ToUtf8(const UnicodeString& text) {
    UnicodeString out;
    out.reserve(text.size() + text.size() / 8);
    for (char raw : text) {
        auto byte = static_cast<unsigned char>(raw);
        char32_t c = byte;
        if (byte >= 0x80 && byte < 0xA0 && k80To9F[byte - 0x80] != 0) c = k80To9F[byte - 0x80];
        AppendUtf8(out, c);
    }
    return out;
}

UnicodeString Utf8ToWin1252(const UnicodeString& text, const UnicodeString& sql) {
    UnicodeString out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t start = i;
        const long c = NextCodePoint(text, i);
        const int byte = c < 0 ? -1 : Win1252Byte(c);
        if (byte < 0) {
            UnicodeString what =
                c < 0 ? "un texte qui n'est pas de l'UTF-8 valide"
                      : fmt::format("le caractère « {} » (U+{:04X})", text.substr(start, i - start), c);
            throw EIBError(
                fmt::format("Un texte contient un caractère que la base ne peut pas enregistrer (jeu de "
                            "caractères WIN1252) : {}, position {}",
                            what, start + 1),
                -802, {ibcode::kStringTruncation, ibcode::kTransliteration}, sql);
        }
        out += static_cast<char>(byte);
    }
    return out;
}

long FirstNotWin1252(const UnicodeString& text, long* codePoint) {
    for (size_t i = 0; i < text.size();) {
        const size_t start = i;
        const long c = NextCodePoint(text, i);
        if (c < 0 || Win1252Byte(c) < 0) {
            if (codePoint) *codePoint = c;
            return static_cast<long>(start);
        }
    }
    return -1;
}

bool IsUtf8(const UnicodeString& text) {
    for (size_t i = 0; i < text.size();)
        if (NextCodePoint(text, i) < 0) return false;
    return true;
}

}  // namespace ibx_detail
