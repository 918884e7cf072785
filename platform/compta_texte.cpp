// Text helpers of the accounting library: SQL literals, French dates and amounts, piece references.
#include <fmt/format.h>

#include "platform/compta_interne.h"

namespace compta {

UnicodeString Quote(const UnicodeString& text) {
    UnicodeString quoted = "'";
    for (char c : text) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted + "'";
}

size_t Longueur(const UnicodeString& text) {
    size_t count = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++count;
    return count;
}

UnicodeString DateFr(const TDateTime& date) {
    if (date.IsNull()) return "";
    int year, month, day;
    DecodeDate(date, year, month, day);
    return fmt::format("{:02}/{:02}/{:04}", day, month, year);
}

UnicodeString MontantVirgule(const CCurrency& amount) {
    const int64_t count = amount.Count();
    const uint64_t magnitude = count < 0 ? uint64_t(0) - uint64_t(count) : uint64_t(count);
    UnicodeString decimals = fmt::format("{:04}", magnitude % CCurrency::Scale);
    while (decimals.size() > 2 && decimals.back() == '0') decimals.pop_back();
    return fmt::format("{}{},{}", count < 0 ? "-" : "", magnitude / CCurrency::Scale, decimals);
}

UnicodeString ReferencePiece(int origin, const UnicodeString& piece) {
    return AssOrigineTexte(origin) + piece;
}

UnicodeString Designation(const EcritureCompta& entry) {
    UnicodeString reference = ReferencePiece(entry.Origine, entry.Piece);
    return fmt::format("journal {} du {}{}", entry.Journal, DateFr(entry.Date),
                       reference.empty() ? "" : ", pièce " + reference);
}

}  // namespace compta

UnicodeString AssOrigineTexte(int origin) {
    if (origin == 0) return "";
    const auto code = static_cast<uint32_t>(origin);
    const auto byte = [&](int index) { return static_cast<unsigned char>(code >> (8 * index)); };
    const auto printable = [](unsigned char c) { return c > ' ' && c < 0x7F; };
    if (printable(byte(2)) && printable(byte(3)) && byte(1) == 0) {
        UnicodeString text{static_cast<char>(byte(2)), static_cast<char>(byte(3))};
        if (printable(byte(0))) text += static_cast<char>(byte(0));
        return text;
    }
    return fmt::format("{}", origin);
}

dateDOS ComptaDateDOS(const TDateTime& date) {
    dateDOS packed;
    if (date.IsNull()) return packed;
    int year, month, day;
    DecodeDate(date, year, month, day);
    packed.da_day = static_cast<unsigned char>(day);
    packed.da_mon = static_cast<unsigned char>(month);
    packed.da_year = static_cast<short>(year);
    return packed;
}
