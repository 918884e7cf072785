// Reading the columns of a stored row into the register's fields, with the null value each kind of
// field takes, and a few SQL pieces the register's classes share. Internal to the engine's units.
#pragma once

#include "platform/currency.h"
#include "platform/datetime.h"
#include "platform/db/ibx.h"
#include "units/uvkdivers.h"

namespace vkchamps {

inline UnicodeString Texte(TDataSet* row, const char* column) {
    return row->FieldByName(column)->AsString();
}

// A null integer column gives `nullValue` (0, or the integer sentinel where the column has one).
inline int Entier(TDataSet* row, const char* column, int nullValue = 0) {
    TField* field = row->FieldByName(column);
    return field->IsNull() ? nullValue : field->AsInteger();
}

inline unsigned Identifiant(TDataSet* row, const char* column) {
    TField* field = row->FieldByName(column);
    return field->IsNull() ? 0u : static_cast<unsigned>(field->AsInt64());
}

inline TDateTime Date(TDataSet* row, const char* column) {
    return row->FieldByName(column)->AsDateTime();
}

// A null amount column gives the null amount.
inline CCurrency Montant(TDataSet* row, const char* column) {
    return row->FieldByName(column)->AsCurrency();
}

// Booleans are 0/1 integers in the case file's database and native booleans in a named database;
// a null column is false in both.
inline bool Booleen(TDataSet* row, const char* column) {
    return row->FieldByName(column)->AsBoolean();
}

// A double column; null gives the lowest double (the null value of VK_FormatDouble).
inline double Reel(TDataSet* row, const char* column) {
    TField* field = row->FieldByName(column);
    return field->IsNull() ? VK_DoubleNull : field->AsFloat();
}

// The dialect of a database name: the case file's database takes ISO dates and 0/1 booleans.
inline bool EstDossier(const UnicodeString& base) {
    return base.empty();
}
inline UnicodeString SqlDate(const TDateTime& date, const UnicodeString& base, bool withTime = false) {
    return VK_FormatDate(date, withTime, EstDossier(base));
}
inline UnicodeString SqlBool(bool value, const UnicodeString& base) {
    return VK_FormatBool(value, EstDossier(base));
}

// The current user as written in the creation and validation stamps: cut to the 15 characters of
// their columns (never inside a UTF-8 character), so that a long login name cannot make saves fail.
UnicodeString UtilisateurStamp();

// Whether a table of the engine exists in a database (the tables of parts built later may not yet).
bool TableExiste(const UnicodeString& code, const UnicodeString& base);

// The first column of the first row of a query as an integer; 0 without a row or for NULL.
// Raises on a failed query (the caller catches and shows it).
long long Scalaire(const UnicodeString& sql, const UnicodeString& base);

}  // namespace vkchamps
