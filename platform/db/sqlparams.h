// The literals of an SQL text lifted out into parameters, so that statements that differ only by
// their values share one prepared statement.
//
// The engine writes every value into its SQL text. Preparing each text anew costs several times its
// execution; with the values lifted out, texts of the same shape ("... WHERE ID_BIEN=?") are
// prepared once and run with their values bound.
//
// Only literals whose parameter takes the type of a plain column are lifted, so that the database
// converts the bound value exactly as it would have converted the literal:
//  - the right operand of a comparison whose left operand is a column ("ID_BIEN=12", "A.T<>'x'"),
//    the literal being the whole right operand;
//  - a whole element of an INSERT's VALUES list;
//  - the elements of "COLUMN [NOT] IN (...)" when every element is a literal.
// Literals anywhere else (the select list, FIRST/SKIP, function arguments, CASE, arithmetic, ORDER
// BY positions) stay in the text. Statements other than SELECT, INSERT, UPDATE and DELETE, and texts
// with comments, parameters of their own, typed or introduced strings (DATE '...', _UTF8'...',
// q'...'), exponents or unterminated quotes are not lifted at all.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/system.h"

namespace sqlparams {

struct Literal {
    enum class Kind { Null, Number, Text };
    Kind kind = Kind::Null;
    // Number: the literal as written, with its sign ("-12.50"); Text: the value, quotes removed and
    // doubled quotes made single.
    UnicodeString text;
};

struct Lifted {
    // The text with each lifted literal replaced by "?", everything else unchanged.
    UnicodeString shape;
    std::vector<Literal> values;
    // The shape and the kinds of its values: two texts with the same key take the same parameter
    // types and bindings.
    UnicodeString Key() const;
};

// The lifted form of a statement; nullopt when nothing can be lifted safely (then the text runs as
// it stands).
std::optional<Lifted> Lift(const UnicodeString& sql);

// The exact value of a number literal scaled by 10^-scale (scale <= 0, as Firebird gives it), when
// it is representable without rounding in 64 bits; nullopt otherwise.
std::optional<int64_t> ScaledInteger(const UnicodeString& number, int scale);

}  // namespace sqlparams
