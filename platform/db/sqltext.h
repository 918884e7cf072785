// Small helpers over SQL text that must never touch what stands inside quotes.
#pragma once

#include "platform/system.h"

namespace sqltext {

// Replaces every occurrence of a whole word (case-insensitive) outside single-quoted literals and
// double-quoted identifiers; with onlyBare, not where the word is followed by "(" (a type with its
// precision, such as NUMERIC(9,2)).
UnicodeString ReplaceWord(const UnicodeString& sql, const UnicodeString& word,
                          const UnicodeString& replacement, bool onlyBare = false);
// Whether the statement's first words are these keywords ("CREATE TABLE"), case-insensitive.
bool StartsWith(const UnicodeString& sql, const UnicodeString& keywords);
// A Firebird object name built from parts, at most 31 characters (a longer one is cut and given a
// hash of the whole so that two long names stay distinct).
UnicodeString ObjectName(const UnicodeString& prefix, const UnicodeString& table,
                         const UnicodeString& column);
UnicodeString Upper(const UnicodeString& text);

}  // namespace sqltext
