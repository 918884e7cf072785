// Database helpers and SQL literal formatting shared by every persistent class of the engine.
//
// Every helper that touches a database takes a database name: empty selects the case file's
// database; otherwise it is the alias of a file-based database ("OKT_COMMUN", the common database,
// keeps plain table names; any other alias uses the "ZENKO" prefix). Values are written into SQL
// text only through the formatters below, whose sentinels are the only way to write NULL.
#pragma once

#include <memory>

#include "platform/currency.h"
#include "platform/datetime.h"
#include "platform/db/ibx.h"
#include "platform/lists.h"

// --- Settings keys ---

// The keys of the case file's settings (section "VK") that the engine reads, exported for the host's
// settings forms: the choice of the retrospective method of the standards conformity (1 selects
// it) and the rate in percent applied to the derogatory depreciation.
extern const char* const TOK_MAN_METHODE;  // "MiseAuxNormes_MethodeRetrospective"
extern const char* const TOK_DEROG_TAUX;   // "DerogatoireTaux"

// --- Literal formatters ---

// "NULL" for an empty text; otherwise the text between single quotes, each quote doubled.
UnicodeString VK_FormatAS(const UnicodeString& text);
// "NULL" for the null date; otherwise 'yyyy-mm-dd' (iso) or 'mm/dd/yyyy', with " hh:nn:ss" when
// withTime.
UnicodeString VK_FormatDate(const TDateTime& date, bool withTime, bool iso);
// "NULL" for the lowest double; otherwise 15 significant digits, with a decimal point whatever the
// user's locale (no quotes).
UnicodeString VK_FormatDouble(double value);
// "NULL" for -2147483647 (one more than the lowest int); otherwise the digits.
UnicodeString VK_FormatInt(int value);
// "NULL" for 65535; otherwise the digits.
UnicodeString VK_FormatUnsignedShort(unsigned short value);
// "NULL" for 0; otherwise the digits.
UnicodeString VK_Format_ID(unsigned id);
// numeric: "1" or "0"; otherwise 'true' or 'false'.
UnicodeString VK_FormatBool(bool value, bool numeric);

// An amount rounded to the cent, half away from zero (1.005 gives 1.01, -1.005 gives -1.01); the
// null amount stays null. Entry lines and the amounts they are derived from are in cents.
CCurrency VK_ArrondiCentime(const CCurrency& amount);

constexpr int VK_IntNull = -2147483647;
constexpr unsigned short VK_UShortNull = 65535;
constexpr double VK_DoubleNull = CCurrency::NullDouble;

// --- Table names and SQL pieces ---

// The table's name in a database: the code itself in the common database, "ZENKO" + code elsewhere.
UnicodeString GetNomTable(const UnicodeString& code, bool commun);
// The table's name for a database name (the common database when it is "OKT_COMMUN").
UnicodeString GetNomTableBase(const UnicodeString& code, const UnicodeString& base);
bool IsBaseCommune(const UnicodeString& base);
// An SQL expression giving the reference shown to the user: the entered reference, or the
// calculated one when none was entered.
UnicodeString CastReference(const UnicodeString& alias, const UnicodeString& asName);
bool IsImmoFi(const UnicodeString& account);
bool IsImmoIncorp(const UnicodeString& account);
// The field names of the grid's columns, joined by ",", whose name does not occur inside usedFields.
UnicodeString GetChampUnusedPourRecherche(const UnicodeString& usedFields, TDBGridColumns* columns);

// --- Running SQL ---

// A new dataset (not opened) on the case file's database or on a named database; nullptr after a
// failure, which is shown with the caller's location code.
std::unique_ptr<TIBQuery> VK_InitDataset(unsigned long code, const UnicodeString& sql, bool unidirectional,
                                         const UnicodeString& base);
// Runs one statement that returns no rows. A failure is shown with the caller's location code and
// reported by the result (false): the row simply stays unwritten, and the caller must not go on as
// if it had been.
bool VK_ExecSQL(unsigned long code, const UnicodeString& sql, const UnicodeString& base);
// Creates a table unless it exists; true when it created it. `table` is the plain code ("VKB"),
// createSql the whole statement with the table's full name.
bool VK_CreateTable(unsigned long code, const UnicodeString& table, const UnicodeString& createSql,
                    const UnicodeString& base);
// Creates an index of the case file's database unless one of that name exists; true when it is
// there afterwards. Called each time the tables are set up, so that case files made before the
// index was added get it too.
bool VK_CreateIndex(unsigned long code, const UnicodeString& index, const UnicodeString& table,
                    const UnicodeString& columns);
// Runs a structure change on a table that exists (nothing on a missing table) and returns true.
// An error meaning the change is already there is ignored; any other raises EUser.
bool VK_ModifierStructTable(unsigned long code, const UnicodeString& table, const UnicodeString& alterSql,
                            const UnicodeString& base);
// The number of rows of a dataset, fetching them all; the dataset is left as it was found (back on
// its first row, or closed).
int VK_GetIB_Enreg(unsigned long code, TIBCustomDataSet* dataset);

// An object the engine exports for the host and does not use itself.
class cGestion_VK {
public:
    cGestion_VK(int first, int second) : Premier(first), Second(second) {}
    virtual ~cGestion_VK() = default;

    int Premier;
    int Second;
    int Troisieme = 0;
    int Quatrieme = 0;
    bool Actif = true;
};
