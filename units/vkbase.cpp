#include "units/vkbase.h"

#include <algorithm>
#include <atomic>

#include <fmt/format.h>

#include "platform/dossier.h"
#include "units/uvkdivers.h"

#define VK_UNIT vk::kUnitDivers
#define VK_LINE_BASE 1000
#include "units/vklocation.h"

void cVK_Base::Assign(const cVK_Base*) {}

uint64_t cVK_Base::ProchainRangCreation() {
    static std::atomic<uint64_t> next{0};
    return next.fetch_add(1, std::memory_order_relaxed);
}

bool cVK_Base::BD_MAJ() {
    const bool written = ID != 0 ? BD_Update() : BD_Inserer();
    if (written) EstModifie = false;
    return written;
}

void cVK_Base::RelitID(const UnicodeString& table, const UnicodeString& idColumn, const UnicodeString& base) {
    try {
        if (base.empty()) {
            ID = static_cast<unsigned>(pCurDossier->RecupAutoIncFirebird(table, idColumn, false));
            return;
        }
        auto query =
            VK_InitDataset(VK_LOC(), "SELECT MAX(" + idColumn + ") AS MAX_ID FROM " + table, true, base);
        if (!query) return;
        query->Open();
        ID = query->Eof() ? 0 : static_cast<unsigned>(query->Fields(0)->AsInteger());
        query->Close();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

bool cVK_Base::InsereEtRelitID(unsigned long code, const UnicodeString& insert, const UnicodeString& table,
                               const UnicodeString& idColumn, const UnicodeString& base) {
    ID = 0;
    if (!base.empty()) {
        if (!VK_ExecSQL(code, insert, base)) return false;
        RelitID(table, idColumn, base);
        return ID != 0;
    }
    try {
        // The trigger of the table draws the identifier; RETURNING gives it back without a second
        // statement.
        TIBSQL query(pCurDossier->GetDatabaseFirebird());
        query.SQL.Add(insert + " RETURNING " + idColumn);
        query.ExecQuery();
        ID = query.Eof() || query.Fields(0)->IsNull() ? 0
                                                      : static_cast<unsigned>(query.Fields(0)->AsInteger());
    } catch (const std::exception& e) {
        vk::Display(code, e);
        return false;
    }
    return ID != 0;
}

void cVK_Base::RelitID(TDataSet* row, const UnicodeString& column) {
    try {
        TField* field = row->FieldByName(column);
        ID = field->IsNull() ? 0 : static_cast<unsigned>(field->AsInteger());
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

void cVK_Primaire::Assign(const cVK_Primaire* source) {
    if (!source) return;
    RefSais = source->RefSais;
    Designation = source->Designation;
}

void cVK_Primaire::ResetReferences() {
    RefCalc.clear();
    RefSais.clear();
}

UnicodeString cVK_Primaire::GetReference() const {
    return RefSais.empty() ? RefCalc : RefSais;
}

UnicodeString cVK_Primaire::GetRefCalc() const {
    switch (TypePrimaire) {
        case 0:
        case 1:
            return RefCalc;
        case 2:
        case 3:
            return fmt::format("{}", ID);
        default:
            return "";
    }
}

void cVK_Primaire::Init(TDataSet* row) {
    try {
        if (TField* calculated = row->FindField("REF_CALC"))
            RefCalc = calculated->AsString();
        else
            RefCalc = VK_Format_ID(ID);  // a table without calculated references (groups)
        RefSais = row->FieldByName("REF_SAIS")->AsString();
        Designation = row->FieldByName("DESIGNATION")->AsString();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

namespace {

bool ReferenceSaisieExiste(const UnicodeString& table, const UnicodeString& reference,
                           const UnicodeString& base) {
    auto query = VK_InitDataset(
        VK_LOC(), "SELECT REF_SAIS FROM " + table + " WHERE REF_SAIS='" + reference + "'", true, base);
    if (!query) throw Exception("Lecture impossible des références de " + table);
    query->Open();
    return !query->Eof();
}

// Whether the table has a column of entered references. The case file's database keeps the answer
// until its structure changes: asking it for every new asset or component was a statement each.
bool TableAReferenceSaisie(const UnicodeString& table, const UnicodeString& base) {
    if (base.empty()) {
        const IBColumns columns = pCurDossier->GetDatabaseFirebird()->TableColumns(table);
        return std::any_of(columns->begin(), columns->end(),
                           [](const IBColumn& column) { return column.upperName == "REF_SAIS"; });
    }
    auto probe = VK_InitDataset(VK_LOC(), "SELECT * FROM " + table, false, base);
    if (!probe) throw Exception("Lecture impossible des colonnes de " + table);
    probe->Open();
    return probe->FindField("REF_SAIS") != nullptr;
}

}  // namespace

void cVK_Primaire::InitNouvelEnregistrement(const UnicodeString& table, const UnicodeString& refColumn,
                                            const UnicodeString& base) {
    try {
        ResetID();
        const bool hasEnteredReference = TableAReferenceSaisie(table, base);
        if (base.empty()) {
            // Draw again while the number collides with a reference a user entered on another row.
            do {
                RefCalc = fmt::format("{}", pCurDossier->RecupAutoIncFirebird(table, refColumn, true));
            } while (hasEnteredReference && ReferenceSaisieExiste(table, RefCalc, base));
            return;
        }
        auto maximum =
            VK_InitDataset(VK_LOC(), "SELECT MAX(" + refColumn + ") AS MAX_ID FROM " + table, true, base);
        if (!maximum) return;
        maximum->Open();
        long candidate =
            maximum->Eof() || maximum->Fields(0)->IsNull() ? 1 : maximum->Fields(0)->AsInt64() + 1;
        maximum->Close();
        // In a named database the candidate advances after each collision, as drawing again does.
        RefCalc = fmt::format("{}", candidate);
        while (hasEnteredReference && ReferenceSaisieExiste(table, RefCalc, base))
            RefCalc = fmt::format("{}", ++candidate);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}
