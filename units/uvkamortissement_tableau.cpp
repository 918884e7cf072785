// The schedule of one plan and the plan list of one component.
#include <algorithm>

#include <fmt/format.h>

#include "platform/dossier.h"
#include "units/uvkamortissement.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvkprechargement.h"

#define VK_UNIT vk::kUnitAmortissement
#define VK_LINE_BASE 2000
#include "units/vklocation.h"

namespace {
// A chain longer than this is not a schedule but a fault in the data; it stops there.
constexpr int kAnneesMaximum = 1000;
}  // namespace

// ---------------------------------------------------------------------------------------------
// Schedule

cVK_LstTabAmort::cVK_LstTabAmort(const cVK_Amortissement* plan, bool standardsMode)
    : plan_(const_cast<cVK_Amortissement*>(plan)), modeMAN_(standardsMode) {
    Relit();
}

cVK_LstTabAmort::~cVK_LstTabAmort() {
    clear();
}

void cVK_LstTabAmort::clear() {
    lignes_.clear();
    for (auto& [id, plan] : plansParId_) plan.reset();
}

void cVK_LstTabAmort::Relit() {
    clear();
    refuses_.clear();
    stocke_ = false;
    if (modeMAN_) {
        AddNew(0);
        return;
    }
    cVK_Composant* component = plan_->GetComposant();
    // Stored lines exist only in the case file's database, for a component that has a reference.
    if (!component || !plan_->GetBase().empty() || component->GetRefCalc().empty()) return;
    try {
        const UnicodeString reference = component->GetRefCalc();
        auto query = VK_DatasetPrecharge(
            VK_LOC(), "VKT", reference, reference + "/" + VK_FormatInt(plan_->TYPEAMORT),
            "SELECT ID_TAB_AMORT,REF_CALC,TYPEAMORT,EXERCICE,ID_AMORT,PREMIER_AMORT,FORCAGE_OUV,PRIX_ACQUIS,"
            "FRAIS_ACQUIS,BASE,PRORATA,LIN,CONSO,DOTATION,DEPREC_DED,DEPREC_NONDED,OUV_CUMUL_CONSO,OUV_CUMUL_"
            "AMORT,"
            "OUV_CUMUL_DEPREC_DED,OUV_CUMUL_DEPREC_NONDED,OUV_VNC FROM " +
                GetNomTable("VKT", false) + " WHERE ((REF_CALC=" + component->GetRefCalc() +
                ") AND(TYPEAMORT=" + VK_FormatInt(plan_->TYPEAMORT) + "))",
            true, "");
        if (!query) return;
        for (query->Open(); !query->Eof(); query->Next()) {
            const int year = query->FieldByName("EXERCICE")->AsInteger();
            lignes_[year] = std::make_unique<cVK_TabAmort>(this, query.get(), static_cast<short>(year));
            stocke_ = true;
        }
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

cVK_TabAmort* cVK_LstTabAmort::GetTabAmort(int exercice) {
    auto found = lignes_.find(exercice);
    if (found != lignes_.end()) return found->second.get();
    return AddNew(exercice);
}

cVK_TabAmort* cVK_LstTabAmort::AddNew(int exercice) {
    if (refuses_.count(exercice)) return nullptr;
    // A year asked for again while its own line is being built would loop forever.
    if (!enConstruction_.insert(exercice).second)
        throw Exception(fmt::format("Calcul circulaire du tableau d'amortissement (exercice {})", exercice));
    struct Fin {
        std::set<int>& years;
        int year;
        ~Fin() { years.erase(year); }
    } fin{enConstruction_, exercice};
    auto line = std::make_unique<cVK_TabAmort>(this, nullptr, static_cast<short>(exercice));
    const bool first = line->GetPremierAmort();
    const CCurrency remaining = first ? CCurrency() : line->GetCumulAmortRestantOuv();
    // Nothing left to depreciate: no line for this year (nor, once asked, for the following ones).
    const bool refused = !first && (remaining.IsNull() || remaining == CCurrency(0)) &&
                         !line->GetForcageOuv() && (!plan_->GetForcageOuv(modeMAN_) || exercice >= 0);
    if (refused) {
        refuses_.insert(exercice);
        return nullptr;
    }
    // A line asked for while computing another may already have been made meanwhile.
    auto found = lignes_.find(exercice);
    if (found != lignes_.end()) return found->second.get();
    cVK_TabAmort* result = line.get();
    stocke_ = stocke_ || line->IsStocke();
    lignes_[exercice] = std::move(line);
    return result;
}

cVK_TabAmort* cVK_LstTabAmort::GetLast() {
    CalculTableau();
    return lignes_.empty() ? nullptr : lignes_.rbegin()->second.get();
}

void cVK_LstTabAmort::CalculTableau() {
    try {
        int first;
        if (stocke_) {
            first = plan_->GetForcageOuv(modeMAN_) ? 0 : lignes_.begin()->first;
        } else {
            const TDateTime start = plan_->GetPtDeDepart();
            if (plan_->GetMethode() == maNonAmortissable || plan_->GetForcageOuv(modeMAN_) || start.IsNull())
                first = 0;
            else
                first = static_cast<int>(pCurDossier->DonnerExercice(start, true));
        }
        for (int year = first; year < first + kAnneesMaximum; ++year) {
            cVK_TabAmort* line = GetTabAmort(year);
            if (!line) break;
            line->GetDotation(TDateTime());
            if (line->GetDernierAmort()) break;
        }
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

cVK_Amortissement* cVK_LstTabAmort::GetAmortBasedOn(unsigned idAmort) {
    std::unique_ptr<cVK_Amortissement>& plan = plansParId_[idAmort];
    if (!plan) plan = std::make_unique<cVK_Amortissement>(nullptr, taAucun, "", nullptr, idAmort);
    return plan.get();
}

void cVK_LstTabAmort::ClearCalculs() {
    for (auto it = lignes_.begin(); it != lignes_.end();) {
        if (it->second->IsStocke())
            ++it;
        else
            it = lignes_.erase(it);
    }
    refuses_.clear();
}

void cVK_LstTabAmort::InsertAmortVideAnt() {
    cVK_Composant* component = plan_->GetComposant();
    if (!component) return;
    const UnicodeString sql =
        "INSERT INTO " + GetNomTable("VKT", false) +
        "(REF_CALC,TYPEAMORT,EXERCICE,ID_AMORT,PREMIER_AMORT,FORCAGE_OUV,PRIX_ACQUIS,FRAIS_ACQUIS,BASE,CONSO,"
        "DOTATION,"
        "PRORATA,LIN,DEPREC_DED,DEPREC_NONDED,OUV_CUMUL_CONSO,OUV_CUMUL_AMORT,OUV_CUMUL_DEPREC_DED,"
        "OUV_CUMUL_DEPREC_NONDED,OUV_VNC)VALUES (" +
        component->GetRefCalc() + "," + VK_FormatInt(plan_->TYPEAMORT) + "," + VK_FormatInt(-1) + "," +
        VK_Format_ID(plan_->ID) + "," + VK_FormatBool(true, true) + "," + VK_FormatBool(false, true) +
        ",0,0,NULL,0,0,NULL,NULL,NULL,NULL,0,0,NULL,NULL,NULL)";
    VK_ExecSQL(VK_LOC(), sql, "");
    Relit();
}

// ---------------------------------------------------------------------------------------------
// Plan list

cVK_LstAmortissement::cVK_LstAmortissement(cVK_Composant* component, const UnicodeString& base)
    : base_(base), composant_(component) {
    try {
        if (component && component->ID != 0) {
            const UnicodeString owner = VK_Format_ID(component->ID);
            auto query =
                VK_DatasetPrecharge(VK_LOC(), "VKA", owner, owner,
                                    "SELECT "
                                    "ID_AMORT,ID_COMPO,TYPEAMORT,METHODE,PTDEDEPART,DUREE,VALRESIDUELLE,"
                                    "OUV_AMORT,OUV_AMORT_CALC_MAN,"
                                    "OUV_AMORT_MAN,OUV_DEPREC_DED,OUV_DEPREC_DED_MAN,OUV_DEPREC_NON_DED,"
                                    "OUV_DEPREC_NON_DED_MAN FROM " +
                                        GetNomTableBase("VKA", base) + " WHERE ID_COMPO=" + owner,
                                    true, base);
            if (query)
                for (query->Open(); !query->Eof(); query->Next()) {
                    TField* kind = query->FieldByName("TYPEAMORT");
                    TField* id = query->FieldByName("ID_AMORT");
                    items_.push_back(new cVK_Amortissement(
                        this, static_cast<VK_TypeAmort>(kind->IsNull() ? -2147483647 : kind->AsInteger()),
                        base, query.get(), id->IsNull() ? 0 : static_cast<unsigned>(id->AsInteger())));
                }
        }
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
    if (items_.empty()) {
        AddNew(taComptable);
        AddNew(taFiscal);
    }
    Trie();
}

cVK_LstAmortissement::~cVK_LstAmortissement() {
    Clear();
}

void cVK_LstAmortissement::Clear() {
    for (cVK_Amortissement* plan : items_) delete plan;
    items_.clear();
}

void cVK_LstAmortissement::Trie() {
    std::stable_sort(items_.begin(), items_.end(), [](cVK_Amortissement* a, cVK_Amortissement* b) {
        if (a->TYPEAMORT != b->TYPEAMORT) return a->TYPEAMORT < b->TYPEAMORT;
        return a->GetPtDeDepart() < b->GetPtDeDepart();
    });
}

cVK_Amortissement* cVK_LstAmortissement::AddNew(VK_TypeAmort kind) {
    auto* plan = new cVK_Amortissement(this, kind, base_, nullptr, 0);
    items_.push_back(plan);
    return plan;
}

void cVK_LstAmortissement::Delete(cVK_Amortissement* plan) {
    items_.erase(std::remove(items_.begin(), items_.end(), plan), items_.end());
}

cVK_Amortissement* cVK_LstAmortissement::GetAmort(unsigned id) const {
    for (cVK_Amortissement* plan : items_)
        if (plan->ID == id) return plan;
    return nullptr;
}

cVK_Amortissement* cVK_LstAmortissement::GetAmort(VK_TypeAmort kind) const {
    for (cVK_Amortissement* plan : items_)
        if (plan->TYPEAMORT == kind) return plan;
    return nullptr;
}

void cVK_LstAmortissement::ClearCalculs() {
    for (cVK_Amortissement* plan : items_) plan->ClearCalculs();
}

bool cVK_LstAmortissement::BD_MAJ(bool ownerJustInserted) {
    bool written = true;
    UnicodeString identifiers;
    for (cVK_Amortissement* plan : OrdreEnregistrement(items_)) {
        written = plan->BD_MAJ() && written;
        if (plan->ID == 0) continue;
        if (!identifiers.empty()) identifiers += ",";
        identifiers += VK_Format_ID(plan->ID);
    }
    if (ownerJustInserted && base_.empty()) return written;
    if (!identifiers.empty() && composant_)
        written = VK_ExecSQL(VK_LOC(),
                             "DELETE FROM " + GetNomTableBase("VKA", base_) + " WHERE (ID_COMPO=" +
                                 VK_Format_ID(composant_->ID) + ") AND ID_AMORT NOT IN (" + identifiers + ")",
                             base_) &&
                  written;
    return written;
}

void cVK_LstAmortissement::ReInitID() {
    for (cVK_Amortissement* plan : items_) plan->ReInitID();
}

void cVK_LstAmortissement::Assign(const cVK_LstAmortissement* source) {
    if (!source) return;
    for (cVK_Amortissement* plan : source->items_)
        if (!GetAmort(plan->TYPEAMORT)) AddNew(plan->TYPEAMORT);
    for (cVK_Amortissement* plan : source->items_) GetAmort(plan->TYPEAMORT)->Assign(plan);
    Trie();
}
