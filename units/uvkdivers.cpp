#include "units/uvkdivers.h"

#include <cstdio>

#include <fmt/format.h>

#include "platform/db/sqltext.h"
#include "platform/dossier.h"
#include "platform/environnement.h"
#include "platform/postes.h"
#include "platform/tablesfichier.h"

#define VK_UNIT vk::kUnitDivers
#include "units/vklocation.h"

namespace {
int contextAnchor = 0;
}  // namespace

void* const vk::Context = &contextAnchor;

// ---------------------------------------------------------------------------------------------
// Literal formatters

const char* const TOK_MAN_METHODE = "MiseAuxNormes_MethodeRetrospective";
const char* const TOK_DEROG_TAUX = "DerogatoireTaux";

UnicodeString VK_FormatAS(const UnicodeString& text) {
    if (text.empty()) return "NULL";
    UnicodeString quoted;
    quoted.reserve(text.size() + 2);
    quoted += '\'';
    for (char c : text) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    quoted += '\'';
    return quoted;
}

UnicodeString VK_FormatDate(const TDateTime& date, bool withTime, bool iso) {
    if (date.IsNull()) return "NULL";
    int y, m, d;
    DecodeDate(date, y, m, d);
    UnicodeString text =
        iso ? fmt::format("{:04}-{:02}-{:02}", y, m, d) : fmt::format("{:02}/{:02}/{:04}", m, d, y);
    if (withTime) {
        int h, n, s;
        DecodeTime(date, h, n, s);
        text += fmt::format(" {:02}:{:02}:{:02}", h, n, s);
    }
    return "'" + text + "'";
}

UnicodeString VK_FormatDouble(double value) {
    if (value == VK_DoubleNull) return "NULL";
    // The platform's general format: 15 significant digits, an exponent when needed, written with
    // the user's decimal separator, which the statement cannot take: the last "," becomes ".".
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    UnicodeString text = buffer;
    size_t exponent = text.find('E');
    if (exponent != UnicodeString::npos) {  // "1.5E+20" and "1E-05" are written "1.5E20" and "1E-5"
        UnicodeString digits = text.substr(exponent + 1);
        bool negative = !digits.empty() && digits[0] == '-';
        size_t first = digits.find_first_not_of("+-0");
        text = text.substr(0, exponent + 1) + (negative ? "-" : "") +
               (first == UnicodeString::npos ? "0" : digits.substr(first));
    }
    size_t comma = text.rfind(',');
    if (comma != UnicodeString::npos) text = text.substr(0, comma) + "." + text.substr(comma + 1);
    return text;
}

UnicodeString VK_FormatInt(int value) {
    return value == VK_IntNull ? "NULL" : fmt::format("{}", value);
}

UnicodeString VK_FormatUnsignedShort(unsigned short value) {
    return value == VK_UShortNull ? "NULL" : fmt::format("{}", value);
}

UnicodeString VK_Format_ID(unsigned id) {
    return id == 0 ? "NULL" : fmt::format("{}", id);
}

UnicodeString VK_FormatBool(bool value, bool numeric) {
    if (numeric) return value ? "1" : "0";
    return value ? "'true'" : "'false'";
}

// ---------------------------------------------------------------------------------------------
// Table names and SQL pieces

CCurrency VK_ArrondiCentime(const CCurrency& amount) {
    if (amount.IsNull()) return amount;
    constexpr int64_t kCent = CCurrency::Scale / 100;
    int64_t cents = amount.Count() / kCent;
    const int64_t rest = amount.Count() % kCent;
    if (rest >= kCent / 2) ++cents;
    if (rest <= -kCent / 2) --cents;
    return CCurrency::FromCount(cents * kCent);
}

bool IsBaseCommune(const UnicodeString& base) {
    return base == "OKT_COMMUN";
}

UnicodeString GetNomTable(const UnicodeString& code, bool commun) {
    return commun ? code : "ZENKO" + code;
}

UnicodeString GetNomTableBase(const UnicodeString& code, const UnicodeString& base) {
    return GetNomTable(code, IsBaseCommune(base));
}

UnicodeString CastReference(const UnicodeString& alias, const UnicodeString& asName) {
    const UnicodeString prefix = alias.empty() ? "" : alias + ".";
    const UnicodeString entered = prefix + "REF_SAIS", calculated = prefix + "REF_CALC";
    UnicodeString sql = "CASE WHEN " + entered + " IS NULL THEN CAST(" + calculated +
                        " AS VARCHAR(10)) ELSE " + entered + " END";
    if (!asName.empty()) sql += " as " + asName;
    return sql;
}

bool IsImmoFi(const UnicodeString& account) {
    return POSTESCompteEstDansPoste(account, 7303);
}

bool IsImmoIncorp(const UnicodeString& account) {
    return POSTESCompteEstDansPoste(account, 7301);
}

UnicodeString GetChampUnusedPourRecherche(const UnicodeString& usedFields, TDBGridColumns* columns) {
    UnicodeString unused;
    try {
        for (int i = 0; i < columns->Count(); ++i) {
            const UnicodeString& name = columns->Items(i)->FieldName;
            if (usedFields.find(name) != UnicodeString::npos) continue;
            if (!unused.empty()) unused += ",";
            unused += name;
        }
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
    return unused;
}

// ---------------------------------------------------------------------------------------------
// Running SQL

std::unique_ptr<TIBQuery> VK_InitDataset(unsigned long code, const UnicodeString& sql, bool unidirectional,
                                         const UnicodeString& base) {
    try {
        if (!base.empty()) return tablesfichier::NouvelleRequete(base, sql, unidirectional);
        auto query = std::make_unique<TIBQuery>(pCurDossier->GetDatabaseFirebird());
        query->SQL.SetText(sql);
        query->Unidirectional = unidirectional;
        return query;
    } catch (const std::exception& e) {
        vk::Display(code, e);
        return nullptr;
    }
}

bool VK_ExecSQL(unsigned long code, const UnicodeString& sql, const UnicodeString& base) {
    try {
        if (base.empty())
            pCurDossier->ExecSQLFirebird(code, sql, true, nullptr);
        else
            tablesfichier::ExecSQL(base, sql);
        return true;
    } catch (const std::exception& e) {
        vk::Display(code, e);
        return false;
    }
}

namespace {

// In a file-based database the decimal types become the engine's bare NUMERIC.
UnicodeString DecimalesEnNumeric(UnicodeString sql) {
    for (const char* type : {"DECIMAL(18,4)", "DECIMAL(18,10)", "DECIMAL(18,15)"}) {
        const UnicodeString from = type;
        for (size_t at = sql.find(from); at != UnicodeString::npos; at = sql.find(from, at))
            sql.replace(at, from.size(), "NUMERIC");
    }
    return sql;
}

bool TableExiste(const UnicodeString& table, const UnicodeString& base) {
    if (base.empty()) return pCurDossier->TableExistFirebird(GetNomTable(table, false));
    return tablesfichier::TableExiste(base, GetNomTableBase(table, base));
}

}  // namespace

bool VK_CreateTable(unsigned long code, const UnicodeString& table, const UnicodeString& createSql,
                    const UnicodeString& base) {
    try {
        if (TableExiste(table, base)) return false;
        if (base.empty())
            pCurDossier->ExecSQLFirebird(code, createSql, false, nullptr);
        else
            tablesfichier::ExecSQL(base, DecimalesEnNumeric(createSql));
        return true;
    } catch (const std::exception& e) {
        vk::Display(code, e);
        return false;
    }
}

bool VK_CreateIndex(unsigned long code, const UnicodeString& index, const UnicodeString& table,
                    const UnicodeString& columns) {
    try {
        TIBSQL query(pCurDossier->GetDatabaseFirebird());
        query.SQL.Add("SELECT 1 FROM RDB$INDICES WHERE RDB$INDEX_NAME='" + sqltext::Upper(index) + "'");
        query.ExecQuery();
        if (!query.Eof()) return true;
        query.Close();
        pCurDossier->ExecSQLFirebird(code, "CREATE INDEX " + index + " ON " + table + " (" + columns + ")",
                                     false, nullptr);
        return true;
    } catch (const std::exception& e) {
        vk::Display(code, e);
        return false;
    }
}

bool VK_ModifierStructTable(unsigned long code, const UnicodeString& table, const UnicodeString& alterSql,
                            const UnicodeString& base) {
    try {
        if (!TableExiste(table, base)) return true;
        if (base.empty()) {
            pCurDossier->ExecSQLFirebird(code, alterSql, false, nullptr);
            TIBTransaction& transaction = pCurDossier->GetDatabaseFirebird()->DefaultTransaction();
            transaction.Commit();  // the new structure is visible at once (a no-op inside a host action)
            transaction.StartTransaction();
        } else {
            tablesfichier::ExecSQL(base, alterSql);
        }
    } catch (const EIBError& e) {
        // Only "it is already there" is ignored: every failed structure change carries Firebird's
        // "unsuccessful metadata update", a missing column or table as well, and those must not
        // pass for a success.
        if (!e.IsAlreadyExists()) throw EUser(code, e, 0);
    } catch (const EDBEngineError& e) {
        if (e.ErrorCode != 10009 && e.ErrorCode != 11848 && e.ErrorCode != 10038) throw EUser(code, e, 0);
    } catch (const std::exception& e) {
        throw EUser(code, e, 0);
    }
    return true;
}

int VK_GetIB_Enreg(unsigned long code, TIBCustomDataSet* dataset) {
    int count = 0;
    try {
        const bool wasOpen = dataset->Active();
        if (!wasOpen) dataset->Open();
        dataset->Last();
        count = dataset->RecordCount();
        if (wasOpen)
            dataset->First();
        else
            dataset->Close();
    } catch (const std::exception& e) {
        vk::Display(code, e);
    }
    return count;
}
