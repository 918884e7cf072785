#include "platform/db/sqlparams.h"

#include <limits>

namespace sqlparams {

namespace {

enum class Tok { Word, QuotedName, String, Number, Operator, Punct };

struct Token {
    Tok kind;
    size_t begin, end;    // in the text
    UnicodeString upper;  // words: upper case; operators and punctuation: as written
};

// Plain ASCII classes, whatever the process's locale: the tokens are SQL's, and every byte from 0x80
// (a character of a text or a name) counts as a letter.
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsWordStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}
bool IsWordChar(char c) {
    return IsWordStart(c) || IsDigit(c);
}
bool IsSpace(char c) {
    return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}
char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The longest word the lifting looks for ("CURRENT_TRANSACTION"): a longer word is a name, and its
// upper-case form is not kept (it would only be compared with these words).
constexpr size_t kLongestKeyword = 19;

// Splits the text into tokens; false when the text holds anything the lifting does not handle.
bool Tokenize(const UnicodeString& sql, std::vector<Token>& tokens) {
    size_t i = 0;
    const size_t n = sql.size();
    tokens.reserve(n / 4);
    while (i < n) {
        const char c = sql[i];
        if (IsSpace(c)) {
            ++i;
            continue;
        }
        const size_t begin = i;
        if (c == '\'' || c == '"') {
            // A quote right after a word is a typed or introduced string (_UTF8'x', q'{x}', X'..').
            if (c == '\'' && begin > 0 && IsWordChar(sql[begin - 1])) return false;
            size_t end = i + 1;
            bool closed = false;
            while (end < n) {
                if (sql[end] == c) {
                    if (end + 1 < n && sql[end + 1] == c) {
                        end += 2;
                        continue;
                    }
                    closed = true;
                    break;
                }
                ++end;
            }
            if (!closed) return false;
            tokens.push_back({c == '\'' ? Tok::String : Tok::QuotedName, begin, end + 1, ""});
            i = end + 1;
        } else if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(sql[i + 1]))) {
            size_t end = i;
            while (end < n && IsDigit(sql[end])) ++end;
            if (end < n && sql[end] == '.') {
                ++end;
                while (end < n && IsDigit(sql[end])) ++end;
            }
            // Exponents (a double), hexadecimal and anything glued to the digits are not lifted.
            if (end < n && (IsWordChar(sql[end]) || sql[end] == '.')) return false;
            tokens.push_back({Tok::Number, begin, end, ""});
            i = end;
        } else if (IsWordStart(c)) {
            size_t end = i;
            while (end < n && IsWordChar(sql[end])) ++end;
            tokens.push_back({Tok::Word, begin, end, ""});
            if (end - begin <= kLongestKeyword)
                for (size_t k = begin; k < end; ++k) tokens.back().upper += Upper(sql[k]);
            i = end;
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            return false;  // a comment
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            return false;
        } else if (c == '?' || c == ':') {
            return false;  // parameters of the text's own
        } else if (c == '=' || c == '<' || c == '>' || c == '!' || c == '^' || c == '~') {
            size_t end = i + 1;
            if (end < n && (sql[end] == '=' || sql[end] == '>')) ++end;
            const UnicodeString op = sql.substr(begin, end - begin);
            static const char* const comparisons[] = {"=", "<", ">", "<=", ">=", "<>", "!=", "^=", "~="};
            bool comparison = false;
            for (const char* known : comparisons) comparison = comparison || op == known;
            tokens.push_back({comparison ? Tok::Operator : Tok::Punct, begin, end, op});
            i = end;
        } else {
            tokens.push_back({Tok::Punct, begin, i + 1, UnicodeString(1, c)});
            ++i;
        }
    }
    return true;
}

bool IsPunct(const std::vector<Token>& t, long i, char c) {
    return i >= 0 && i < static_cast<long>(t.size()) && t[i].kind == Tok::Punct && t[i].upper.size() == 1 &&
           t[i].upper[0] == c;
}

bool IsWord(const std::vector<Token>& t, long i, const char* word) {
    return i >= 0 && i < static_cast<long>(t.size()) && t[i].kind == Tok::Word && t[i].upper == word;
}

// Words that look like a column but are not one: the operand would not be a plain column.
bool IsReserved(const UnicodeString& word) {
    static const char* const reserved[] = {"NULL",
                                           "TRUE",
                                           "FALSE",
                                           "UNKNOWN",
                                           "NOT",
                                           "AND",
                                           "OR",
                                           "SELECT",
                                           "WHERE",
                                           "FROM",
                                           "ON",
                                           "SET",
                                           "VALUES",
                                           "IN",
                                           "IS",
                                           "CASE",
                                           "WHEN",
                                           "THEN",
                                           "ELSE",
                                           "END",
                                           "EXISTS",
                                           "ANY",
                                           "ALL",
                                           "SOME",
                                           "CURRENT_DATE",
                                           "CURRENT_TIME",
                                           "CURRENT_TIMESTAMP",
                                           "LOCALTIME",
                                           "LOCALTIMESTAMP",
                                           "USER",
                                           "CURRENT_USER",
                                           "CURRENT_ROLE",
                                           "CURRENT_CONNECTION",
                                           "CURRENT_TRANSACTION",
                                           "ROW_COUNT",
                                           "SQLCODE",
                                           "GDSCODE",
                                           "SQLSTATE",
                                           "DATE",
                                           "TIME",
                                           "TIMESTAMP",
                                           "DISTINCT",
                                           "BETWEEN",
                                           "LIKE",
                                           "CONTAINING",
                                           "STARTING",
                                           "SIMILAR",
                                           "ESCAPE",
                                           "COLLATE"};
    for (const char* r : reserved)
        if (word == r) return true;
    return false;
}

// The literal starting at token i (a string, a number, NULL, or "-" and a number); its length in
// tokens, 0 when there is none.
int LiteralAt(const std::vector<Token>& t, long i) {
    if (i < 0 || i >= static_cast<long>(t.size())) return 0;
    if (t[i].kind == Tok::String || t[i].kind == Tok::Number) return 1;
    if (t[i].kind == Tok::Word && t[i].upper == "NULL") return 1;
    if (IsPunct(t, i, '-') && i + 1 < static_cast<long>(t.size()) && t[i + 1].kind == Tok::Number) return 2;
    return 0;
}

// Whether the tokens ending at `last` form a plain column ("C", "A.C", "\"c\"") that stands alone
// as an operand: what comes before it ends an expression. `inSet` admits "," (the assignments of
// an UPDATE).
bool PlainColumnBefore(const std::vector<Token>& t, long last, bool inSet) {
    auto name = [&](long k) {
        return k >= 0 &&
               ((t[k].kind == Tok::Word && !IsReserved(t[k].upper)) || t[k].kind == Tok::QuotedName);
    };
    if (!name(last)) return false;
    long before = last - 1;
    if (IsPunct(t, before, '.')) {
        if (!name(before - 1)) return false;
        before -= 2;
    }
    if (before < 0) return false;
    if (IsPunct(t, before, '(')) return true;
    if (inSet && IsPunct(t, before, ',')) return true;
    static const char* const starts[] = {"WHERE", "AND", "OR", "ON", "NOT", "SET", "WHEN"};
    for (const char* word : starts)
        if (IsWord(t, before, word)) return true;
    return false;
}

// Whether token i ends the right operand of a comparison (nothing glued to the literal).
bool EndsOperand(const std::vector<Token>& t, long i, bool inSet) {
    if (i >= static_cast<long>(t.size())) return true;
    if (IsPunct(t, i, ')')) return true;
    if (inSet && IsPunct(t, i, ',')) return true;
    static const char* const follows[] = {"AND", "OR",        "WHERE", "ORDER", "GROUP", "ROWS",
                                          "FOR", "RETURNING", "THEN",  "PLAN",  "UNION"};
    for (const char* word : follows)
        if (IsWord(t, i, word)) return true;
    return false;
}

Literal MakeLiteral(const UnicodeString& sql, const std::vector<Token>& t, long i, int length) {
    Literal literal;
    if (t[i].kind == Tok::Word) return literal;  // NULL
    if (t[i].kind == Tok::String) {
        literal.kind = Literal::Kind::Text;
        for (size_t k = t[i].begin + 1; k + 1 < t[i].end; ++k) {
            literal.text += sql[k];
            if (sql[k] == '\'') ++k;  // a doubled quote stands for one
        }
        return literal;
    }
    literal.kind = Literal::Kind::Number;
    const Token& number = t[i + length - 1];
    // Appended in place: "-" + substr() trips a false -Wrestrict of g++ 12 in optimised builds.
    if (length == 2) literal.text = "-";
    literal.text.append(sql, number.begin, number.end - number.begin);
    return literal;
}

}  // namespace

UnicodeString Lifted::Key() const {
    UnicodeString key = shape;
    key += '\x01';
    for (const Literal& value : values)
        key += value.kind == Literal::Kind::Null ? 'n' : value.kind == Literal::Kind::Number ? '9' : 't';
    return key;
}

std::optional<Lifted> Lift(const UnicodeString& sql) {
    std::vector<Token> t;
    if (!Tokenize(sql, t) || t.empty() || t[0].kind != Tok::Word) return std::nullopt;
    const UnicodeString& verb = t[0].upper;
    if (verb != "SELECT" && verb != "INSERT" && verb != "UPDATE" && verb != "DELETE") return std::nullopt;
    if (IsWord(t, 1, "OR")) return std::nullopt;  // UPDATE OR INSERT
    for (const Token& token : t)
        if (IsPunct(t, &token - t.data(), ';')) return std::nullopt;

    std::vector<std::pair<long, int>> lifted;  // first token and length of each lifted literal
    const long count = static_cast<long>(t.size());
    int depth = 0;
    bool inSet = false;
    long valuesDepth = -1;  // the depth inside INSERT ... VALUES (, -1 outside
    for (long i = 0; i < count; ++i) {
        if (IsPunct(t, i, '(')) {
            if (verb == "INSERT" && IsWord(t, i - 1, "VALUES") && depth == 0) valuesDepth = depth + 1;
            ++depth;
            continue;
        }
        if (IsPunct(t, i, ')')) {
            if (depth == valuesDepth) valuesDepth = -1;
            --depth;
            continue;
        }
        if (depth == 0 && verb == "UPDATE") {
            if (IsWord(t, i, "SET")) inSet = true;
            if (IsWord(t, i, "WHERE")) inSet = false;
        }
        // A whole element of the VALUES list.
        if (depth == valuesDepth && (IsPunct(t, i - 1, '(') || IsPunct(t, i - 1, ','))) {
            const int length = LiteralAt(t, i);
            if (length > 0 && (IsPunct(t, i + length, ',') || IsPunct(t, i + length, ')'))) {
                lifted.push_back({i, length});
                i += length - 1;
            }
            continue;
        }
        // The right operand of a comparison with a plain column.
        if (t[i].kind == Tok::Operator) {
            const bool setClause = inSet && depth == 0;
            const int length = LiteralAt(t, i + 1);
            if (length > 0 && PlainColumnBefore(t, i - 1, setClause) &&
                EndsOperand(t, i + 1 + length, setClause)) {
                lifted.push_back({i + 1, length});
                i += length;
            }
            continue;
        }
        // COLUMN [NOT] IN (literal, ...): every element a literal.
        if (IsWord(t, i, "IN") && IsPunct(t, i + 1, '(')) {
            const long column = IsWord(t, i - 1, "NOT") ? i - 2 : i - 1;
            if (!PlainColumnBefore(t, column, false)) continue;
            std::vector<std::pair<long, int>> elements;
            long k = i + 2;
            bool all = true;
            while (all) {
                const int length = LiteralAt(t, k);
                if (length == 0) {
                    all = false;
                    break;
                }
                elements.push_back({k, length});
                k += length;
                if (IsPunct(t, k, ')')) break;
                if (!IsPunct(t, k, ',')) all = false;
                ++k;
            }
            if (!all || !EndsOperand(t, k + 1, false)) continue;
            lifted.insert(lifted.end(), elements.begin(), elements.end());
            ++depth;    // the list's parentheses
            i = k - 1;  // the closing parenthesis comes next
        }
    }
    if (lifted.empty()) return std::nullopt;
    Lifted result;
    size_t copied = 0;
    for (const auto& [first, length] : lifted) {
        result.shape.append(sql, copied, t[first].begin - copied);
        result.shape += '?';
        copied = t[first + length - 1].end;
        result.values.push_back(MakeLiteral(sql, t, first, length));
    }
    result.shape.append(sql, copied, UnicodeString::npos);
    return result;
}

std::optional<int64_t> ScaledInteger(const UnicodeString& number, int scale) {
    if (scale > 0 || scale < -18) return std::nullopt;
    size_t i = 0;
    const bool negative = !number.empty() && number[0] == '-';
    if (negative) ++i;
    __int128 value = 0;
    int decimals = -1;  // digits after the point, -1 before it
    bool digits = false;
    for (; i < number.size(); ++i) {
        const char c = number[i];
        if (c == '.') {
            if (decimals >= 0) return std::nullopt;
            decimals = 0;
            continue;
        }
        if (!IsDigit(c)) return std::nullopt;
        digits = true;
        if (decimals >= 0) {
            // Decimals beyond the scale must be zeros: otherwise the value would be rounded.
            if (decimals >= -scale) {
                if (c != '0') return std::nullopt;
                continue;
            }
            ++decimals;
        }
        value = value * 10 + (c - '0');
        if (value > (static_cast<__int128>(1) << 100)) return std::nullopt;
    }
    if (!digits) return std::nullopt;
    for (int d = decimals < 0 ? 0 : decimals; d < -scale; ++d) value *= 10;
    if (negative) value = -value;
    if (value > std::numeric_limits<int64_t>::max() || value < std::numeric_limits<int64_t>::min())
        return std::nullopt;
    return static_cast<int64_t>(value);
}

}  // namespace sqlparams
