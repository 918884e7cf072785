#include "units/uvkprechargement.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "platform/dossier.h"
#include "units/uvkbien.h"
#include "units/uvkcomposant.h"
#include "units/uvkdetailcomposant.h"
#include "units/uvkdivers.h"

#define VK_UNIT vk::kUnitDivers
#define VK_LINE_BASE 4000
#include "units/vklocation.h"

namespace {

cVK_Prechargement* courant = nullptr;

// A set of rows read ahead, shown as a dataset: the same columns and rows the object's own
// statement returns, in the order of their key.
class TDataSetPrecharge : public TDataSet {
public:
    TDataSetPrecharge(IBColumns columns, std::vector<std::vector<IBValue>> rows)
        : columns_(std::move(columns)), rows_(std::move(rows)) {}
    ~TDataSetPrecharge() override { UnbindColumns(); }

    void Open() override {
        BindColumns(columns_);
        opened_ = true;
        index_ = 0;
        Show();
    }
    void Close() override {
        UnbindColumns();
        opened_ = false;
    }
    bool Active() const override { return opened_; }
    void First() override {
        if (!opened_) return Open();
        index_ = 0;
        Show();
    }
    void Next() override {
        if (!opened_ || index_ >= rows_.size()) return;
        ++index_;
        Show();
    }
    void Last() override {
        if (!opened_) Open();
        index_ = rows_.empty() ? 0 : rows_.size() - 1;
        Show();
    }
    bool Eof() const override { return !opened_ || index_ >= rows_.size(); }
    int RecordCount() override { return opened_ ? static_cast<int>(rows_.size()) : 0; }

private:
    void Show() { SetCurrentRow(index_ < rows_.size() ? &rows_[index_] : nullptr); }

    IBColumns columns_;
    std::vector<std::vector<IBValue>> rows_;
    size_t index_ = 0;
    bool opened_ = false;
};

}  // namespace

UnicodeString CleDate(const TDateTime& date) {
    return fmt::format("d{}", static_cast<long>(std::floor(double(date))));
}

namespace {

// The identifier or reference a column holds, written as the engine writes it in its statements
// (VK_Format_ID, the calculated reference's text); empty for null.
UnicodeString Cle(const IBValue& value) {
    if (value.kind == IBValue::Kind::Date) return CleDate(TDateTime(value.real));
    if (value.kind != IBValue::Kind::Integer || value.scale != 0) return "";
    return fmt::format("{}", value.integer);
}

size_t Colonne(const IBColumns& columns, const char* name) {
    for (size_t i = 0; i < columns->size(); ++i)
        if ((*columns)[i].upperName == name) return i;
    throw Exception(fmt::format("Colonne {} absente de la lecture anticipée", name));
}

// The rows whose `column` lies from `low` to `high`, written as two comparisons whose values are
// bound as parameters: each batch then runs the statement the first one prepared.
UnicodeString Entre(const UnicodeString& column, unsigned low, unsigned high) {
    return fmt::format("{0}>={1} AND {0}<={2}", column, low, high);
}

}  // namespace

// A range when the ids fill most of it (one range scan), else their list, so that ids taken in
// another order than their own (assets by reference) do not read every row between them.
std::optional<UnicodeString> VK_ConditionParmi(const UnicodeString& column, std::vector<unsigned> ids) {
    constexpr size_t kListeMaximum = 1500;
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    if (ids.empty()) return column + "<0";
    if (uint64_t(ids.back()) - ids.front() < 2 * uint64_t(ids.size()))
        return Entre(column, ids.front(), ids.back());
    if (ids.size() <= kListeMaximum) return fmt::format("{} IN ({})", column, fmt::join(ids, ","));
    return std::nullopt;
}

namespace {

// The condition on an asset identifier that selects a batch: as VK_ConditionParmi, and the whole range when
// the batch is too large and too spread for a list (the rows of other assets are then dropped).
UnicodeString Selection(const UnicodeString& column, const std::vector<unsigned>& ids) {
    if (std::optional<UnicodeString> among = VK_ConditionParmi(column, ids)) return *among;
    const auto [low, high] = std::minmax_element(ids.begin(), ids.end());
    return Entre(column, *low, *high);
}

// "SELECT A,B FROM " -> "A.A,A.B" with the given alias.
UnicodeString Prefixe(const UnicodeString& select, const UnicodeString& alias) {
    UnicodeString columns = select;
    if (columns.rfind("SELECT ", 0) == 0) columns = columns.substr(7);
    const size_t from = columns.find(" FROM");
    if (from != UnicodeString::npos) columns = columns.substr(0, from);
    UnicodeString result;
    size_t start = 0;
    while (start <= columns.size()) {
        size_t comma = columns.find(',', start);
        if (comma == UnicodeString::npos) comma = columns.size();
        if (!result.empty()) result += ",";
        result += alias + "." + columns.substr(start, comma - start);
        start = comma + 1;
    }
    return result;
}

const char* const kColonnesPlan =
    "ID_AMORT,ID_COMPO,TYPEAMORT,METHODE,PTDEDEPART,DUREE,VALRESIDUELLE,OUV_AMORT,OUV_AMORT_CALC_MAN,"
    "OUV_AMORT_MAN,OUV_DEPREC_DED,OUV_DEPREC_DED_MAN,OUV_DEPREC_NON_DED,OUV_DEPREC_NON_DED_MAN";
const char* const kColonnesLigne =
    "ID_TAB_AMORT,REF_CALC,TYPEAMORT,EXERCICE,ID_AMORT,PREMIER_AMORT,FORCAGE_OUV,PRIX_ACQUIS,"
    "FRAIS_ACQUIS,BASE,PRORATA,LIN,CONSO,DOTATION,DEPREC_DED,DEPREC_NONDED,OUV_CUMUL_CONSO,"
    "OUV_CUMUL_AMORT,OUV_CUMUL_DEPREC_DED,OUV_CUMUL_DEPREC_NONDED,OUV_VNC";
const char* const kColonnesVehicule =
    "ID_VEH,TYPEVEH,NUMIMMAT,DATEPREMIMMAT,DESCOMM,DATECERTIF,GENRE,TYPECARROS,PUISADMIN,NBPLASSISES,TAUXCO2,"
    "POUR_VEH_NORME_WLTP";
const char* const kColonnesPrevision = "ID_UOPREVUE,ID_COMPO,ID_AMORT,EXERCICE,CONSO";

}  // namespace

cVK_Prechargement::cVK_Prechargement() : precedent_(courant) {
    courant = this;
}

cVK_Prechargement::~cVK_Prechargement() {
    if (courant == this) courant = precedent_;
}

void cVK_Prechargement::Vider() {
    tables_.clear();
}

bool cVK_Prechargement::Valide() const {
    return pCurDossier && database_ == pCurDossier->GetDatabaseFirebird() &&
           database_->DefaultTransaction().InAction() && database_->Stats().changes == changesALaLecture_;
}

// One statement: every row is filed under its table, its owner (`groupe` column) and its key (the
// owner, and the `sorte` column when given). A row whose owner is not covered, or whose key column
// is null (the object's statement would not return it), is dropped; so is a row already filed under
// its primary key (a join may return it twice).
void cVK_Prechargement::Lire(const char* table, const UnicodeString& sql, const char* primaire,
                             const char* groupe, const std::vector<const char*>& sortes,
                             const UnicodeString& prefixeGroupe, bool parCle) {
    Cursor cursor(*database_, database_->DefaultTransaction(), sql);
    const IBColumns columns = cursor.Columns();
    const size_t pk = Colonne(columns, primaire), owner = Colonne(columns, groupe);
    std::vector<size_t> kinds;
    for (const char* sorte : sortes) kinds.push_back(Colonne(columns, sorte));
    Table& filed = tables_[table];
    filed.colonnes = columns;
    const std::unordered_set<UnicodeString>& covered = filed.couverts;
    std::unordered_map<UnicodeString, Lignes>& byKey = filed.lignes;
    std::unordered_set<UnicodeString> seen;
    std::vector<IBValue> row;
    while (cursor.Fetch(row)) {
        const UnicodeString group = Cle(row[owner]);
        if (group.empty() || !covered.count(prefixeGroupe + group) || !seen.insert(Cle(row[pk])).second)
            continue;
        UnicodeString key = prefixeGroupe + group;
        bool selectable = true;
        for (size_t kind : kinds) {
            selectable = selectable && row[kind].kind != IBValue::Kind::Null;
            key += "/" + Cle(row[kind]);
        }
        if (!selectable) continue;
        Lignes& lines = byKey[key];
        lines.columns = columns;
        lines.rows.push_back(std::move(row));
        row.clear();
    }
    // Each set in the order of its primary key, the order its object's own statement asks for:
    // sorting the small sets here costs far less than an ORDER BY over the batch, for which the
    // database sorts the wide rows before it returns the first.
    auto before = [pk](const std::vector<IBValue>& a, const std::vector<IBValue>& b) {
        return a[pk].integer < b[pk].integer;
    };
    if (parCle)
        for (auto& [key, lines] : byKey)
            if (!std::is_sorted(lines.rows.begin(), lines.rows.end(), before))
                std::sort(lines.rows.begin(), lines.rows.end(), before);
}

void cVK_Prechargement::Charger(const std::vector<unsigned>& ids) {
    Vider();
    try {
        if (ids.empty() || !pCurDossier) return;
        database_ = pCurDossier->GetDatabaseFirebird();
        if (!database_->DefaultTransaction().InAction()) return;
        changesALaLecture_ = database_->Stats().changes;
        auto batch = [&ids](const UnicodeString& column) { return Selection(column, ids); };
        const UnicodeString vkb = GetNomTable("VKB", false), vkc = GetNomTable("VKC", false);

        for (unsigned id : ids) tables_["VKB"].couverts.insert(VK_Format_ID(id));
        tables_["VKC"].couverts = tables_["VKB"].couverts;
        Lire("VKB",
             UnicodeString("SELECT ") + cVK_Bien::ColonnesSelect + " FROM " + vkb + " WHERE " +
                 batch("ID_BIEN"),
             "ID_BIEN", "ID_BIEN", {}, "", false);
        Lire("VKC",
             UnicodeString("SELECT ") + cVK_Composant::ColonnesSelect + " FROM " + vkc + " WHERE " +
                 batch("ID_BIEN"),
             "ID_COMPO", "ID_BIEN", {}, "", false);

        // What the rows read give: the vehicles, components, references and plans of the batch.
        std::vector<unsigned> vehicles, components, references, plans;
        auto collect = [](const IBValue& value, std::vector<unsigned>& into) {
            if (value.kind == IBValue::Kind::Integer && value.scale == 0)
                into.push_back(static_cast<unsigned>(value.integer));
        };
        for (auto& [key, lines] : tables_["VKB"].lignes) {
            const size_t vehicle = Colonne(lines.columns, "ID_VEH");
            for (const auto& row : lines.rows) collect(row[vehicle], vehicles);
        }
        for (unsigned vehicle : vehicles) tables_["VKV"].couverts.insert(fmt::format("{}", vehicle));
        for (auto& [key, lines] : tables_["VKC"].lignes) {
            const size_t id = Colonne(lines.columns, "ID_COMPO"), ref = Colonne(lines.columns, "REF_CALC");
            for (const auto& row : lines.rows) {
                for (const char* table : {"VKL", "VKO", "VKA"}) tables_[table].couverts.insert(Cle(row[id]));
                tables_["VKU"].couverts.insert("C" + Cle(row[id]));
                tables_["VKT"].couverts.insert(Cle(row[ref]));
                collect(row[id], components);
                collect(row[ref], references);
            }
        }
        // A child table's rows of the batch: through the identifiers of their owners read above when
        // they allow one condition (VK_ConditionParmi), else through a join (`autrement`). The batch's
        // components are then joined as a derived table, which the database reads first through the index on
        // ID_BIEN: joined to the component table itself, it may instead walk the whole child table
        // (a case file's index statistics are those of its empty tables).
        const UnicodeString byComponent = " JOIN (SELECT DISTINCT ID_COMPO FROM " + vkc + " WHERE " +
                                          batch("ID_BIEN") + ") C ON C.ID_COMPO=";
        const UnicodeString byReference = " JOIN (SELECT DISTINCT REF_CALC FROM " + vkc + " WHERE " +
                                          batch("ID_BIEN") + ") C ON C.REF_CALC=";
        auto owned = [](const std::vector<unsigned>& owners, const UnicodeString& column,
                        const UnicodeString& autrement) {
            const std::optional<UnicodeString> among = VK_ConditionParmi(column, owners);
            return among ? " WHERE " + *among : autrement;
        };
        auto from = [](const char* table, const char* alias) {
            return " FROM " + GetNomTable(table, false) + " " + alias;
        };

        Lire("VKV",
             "SELECT " + Prefixe(kColonnesVehicule, "V") + from("VKV", "V") +
                 owned(vehicles, "V.ID_VEH",
                       " JOIN " + vkb + " B ON B.ID_VEH=V.ID_VEH WHERE " + batch("B.ID_BIEN")),
             "ID_VEH", "ID_VEH", {}, "", false);
        Lire("VKL",
             "SELECT " + Prefixe(cVK_DetailComposant::ColonnesSelect, "L") + from("VKL", "L") +
                 owned(components, "L.ID_COMPO", byComponent + "L.ID_COMPO"),
             "ID_DETAIL", "ID_COMPO", {}, "", true);
        if (pCurDossier->TableExistFirebird(GetNomTable("VKO", false)))
            Lire(
                "VKO",
                "SELECT O.*" + from("VKO", "O") + owned(components, "O.ID_COMPO", byComponent + "O.ID_COMPO"),
                "ID_CESSION", "ID_COMPO", {}, "", false);
        else
            tables_.erase("VKO");
        Lire("VKA",
             "SELECT " + Prefixe(kColonnesPlan, "A") + from("VKA", "A") +
                 owned(components, "A.ID_COMPO", byComponent + "A.ID_COMPO"),
             "ID_AMORT", "ID_COMPO", {}, "", true);
        for (auto& [key, lines] : tables_["VKA"].lignes) {
            const size_t id = Colonne(lines.columns, "ID_AMORT");
            for (const auto& row : lines.rows) {
                tables_["VKU"].couverts.insert("A" + Cle(row[id]));
                collect(row[id], plans);
            }
        }
        Lire("VKU",
             "SELECT " + Prefixe(kColonnesPrevision, "U") + from("VKU", "U") +
                 owned(components, "U.ID_COMPO", byComponent + "U.ID_COMPO"),
             "ID_UOPREVUE", "ID_COMPO", {}, "C", true);
        Lire("VKU",
             "SELECT " + Prefixe(kColonnesPrevision, "U") + from("VKU", "U") +
                 owned(plans, "U.ID_AMORT",
                       " JOIN " + GetNomTable("VKA", false) + " A ON A.ID_AMORT=U.ID_AMORT" + byComponent +
                           "A.ID_COMPO"),
             "ID_UOPREVUE", "ID_AMORT", {}, "A", true);
        Lire("VKT",
             "SELECT " + Prefixe(kColonnesLigne, "T") + from("VKT", "T") +
                 owned(references, "T.REF_CALC", byReference + "T.REF_CALC"),
             "ID_TAB_AMORT", "REF_CALC", {"TYPEAMORT"}, "", true);
        // Situation details are asked again and again, at each date a computation needs: they are
        // handed out as often as asked.
        tables_["VKD"].couverts = tables_["VKT"].couverts;
        tables_["VKD"].gardee = true;
        Lire(
            "VKD",
            "SELECT "
            "D.ID_DET_SIT,D.DATE_SIT,D.REF_CALC,D.TYPE_AMORT,D.VALACTUELLE,D.DEPREC_NON_DED,D.DEPREC_REP_MAX,"
            "D.DOTATION_FORC,D.UO_QUANTITE" +
                from("VKD", "D") + owned(references, "D.REF_CALC", byReference + "D.REF_CALC"),
            "ID_DET_SIT", "REF_CALC", {"TYPE_AMORT", "DATE_SIT"}, "", true);
        // Reading changed nothing: the rows stay valid until a change.
        changesALaLecture_ = database_->Stats().changes;
    } catch (const std::exception& e) {
        Vider();  // every object reads the database as usual
        vk::Display(VK_LOC(), e);
    }
}

std::unique_ptr<TDataSet> cVK_Prechargement::Prendre(const char* table, const UnicodeString& groupe,
                                                     const UnicodeString& cle) {
    cVK_Prechargement* self = courant;
    if (!self || !self->Valide()) return nullptr;
    auto found = self->tables_.find(table);
    if (found == self->tables_.end() || !found->second.couverts.count(groupe)) return nullptr;
    Table& filed = found->second;
    // Each set of rows once (but the situation details): an object that reads its rows again reads
    // the database.
    if (!filed.gardee && !filed.servies.insert(cle).second) return nullptr;
    ++self->servis_;
    auto rows = filed.lignes.find(cle);
    if (rows == filed.lignes.end()) {
        // No row for this owner: an empty set with the statement's columns.
        IBColumns columns = filed.colonnes ? filed.colonnes : std::make_shared<std::vector<IBColumn>>();
        return std::make_unique<TDataSetPrecharge>(columns, std::vector<std::vector<IBValue>>());
    }
    if (filed.gardee) return std::make_unique<TDataSetPrecharge>(rows->second.columns, rows->second.rows);
    auto data = std::make_unique<TDataSetPrecharge>(rows->second.columns, std::move(rows->second.rows));
    filed.lignes.erase(rows);
    return data;
}

std::unique_ptr<TDataSet> VK_DatasetPrecharge(unsigned long code, const char* table,
                                              const UnicodeString& groupe, const UnicodeString& cle,
                                              const UnicodeString& sql, bool unidirectional,
                                              const UnicodeString& base) {
    if (base.empty())
        if (std::unique_ptr<TDataSet> rows = cVK_Prechargement::Prendre(table, groupe, cle)) return rows;
    return VK_InitDataset(code, sql, unidirectional, base);
}
