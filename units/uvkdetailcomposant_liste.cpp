// The acquisition details of a component: loading, saving and removing lines.
#include <algorithm>

#include "platform/dossier.h"
#include "units/uvkcomposant.h"
#include "units/uvkdetailcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvkprechargement.h"

#define VK_UNIT vk::kUnitDetailComposant
#define VK_LINE_BASE 1000
#include "units/vklocation.h"

cVK_LstDetailComposant::cVK_LstDetailComposant(cVK_Composant* component) : composant_(component) {
    if (!composant_ || composant_->ID == 0) return;
    try {
        const UnicodeString owner = VK_Format_ID(composant_->ID);
        std::unique_ptr<TDataSet> query = cVK_Prechargement::Prendre("VKL", owner, owner);
        if (!query) {
            // "ID_DETAIL+0": the same order, sorted after the component's few rows are found
            // through the index on ID_COMPO. Ordered by the bare key, the database may walk the
            // whole table in its key's order to pick them out (it does with the index statistics
            // of a case file, those of its empty tables): the closing of 100,000 assets spent most
            // of its time there.
            auto own = std::make_unique<TIBSQL>(pCurDossier->GetDatabaseFirebird());
            own->SQL.Add(cVK_DetailComposant::ColonnesSelect + GetNomTable("VKL", false) +
                         " WHERE ID_COMPO=" + owner + " ORDER BY ID_DETAIL+0");
            query = std::move(own);
        }
        for (query->Open(); !query->Eof(); query->Next()) {
            TField* id = query->FieldByName("ID_DETAIL");
            if (id->IsNull()) continue;
            items_.push_back(
                new cVK_DetailComposant(this, query.get(), static_cast<unsigned>(id->AsInt64())));
        }
        query->Close();
        // The lines are read: the read is committed, keeping the transaction's context (a no-op
        // inside a host action, whose end commits).
        pCurDossier->GetDatabaseFirebird()->DefaultTransaction().CommitRetaining();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

cVK_LstDetailComposant::~cVK_LstDetailComposant() {
    for (cVK_DetailComposant* detail : items_) delete detail;
}

cVK_DetailComposant* cVK_LstDetailComposant::GetDetailComposant(unsigned id) const {
    for (cVK_DetailComposant* detail : items_)
        if (detail->ID == id) return detail;
    return nullptr;
}

cVK_DetailComposant* cVK_LstDetailComposant::AddNew() {
    auto* detail = new cVK_DetailComposant(this, nullptr, 0);
    items_.push_back(detail);
    return detail;
}

// The component's totals lose the line's amounts; removing the last line empties them outright.
void cVK_LstDetailComposant::Delete(cVK_DetailComposant* detail) {
    auto found = std::find(items_.begin(), items_.end(), detail);
    if (found == items_.end()) return;
    if (composant_) {
        if (items_.size() > 1)
            composant_->CumuleDetail(detail->GetPrixAcquis(), detail->GetFraisAcquis(),
                                     detail->GetTVARecuperee(), -1);
        else
            composant_->VideTotaux();
    }
    items_.erase(found);
}

void cVK_LstDetailComposant::Clear() {
    for (cVK_DetailComposant* detail : items_) delete detail;
    items_.clear();
    if (composant_) composant_->VideTotaux();
}

void cVK_LstDetailComposant::Assign(const cVK_LstDetailComposant* source) {
    if (!source || source == this) return;
    Clear();
    for (const cVK_DetailComposant* line : source->items_) AddNew()->Assign(line);
}

void cVK_LstDetailComposant::ReInitID() {
    for (cVK_DetailComposant* detail : items_) detail->ReInitID();
}

// Saves every line, then deletes the component's stored lines no longer in the list (all of them
// when the list is empty). Nothing is deleted after a line failed to save.
bool cVK_LstDetailComposant::BD_MAJ(bool ownerJustInserted) {
    try {
        if (!composant_ || composant_->ID == 0) return false;
        UnicodeString ids;
        for (cVK_DetailComposant* detail : OrdreEnregistrement(items_)) {
            if (!detail->BD_MAJ()) return false;
            if (!ids.empty()) ids += ",";
            ids += VK_Format_ID(detail->ID);
        }
        if (ownerJustInserted && composant_->GetBase().empty()) return true;
        const UnicodeString sql = "DELETE FROM " + GetNomTable("VKL", false) +
                                  " WHERE (ID_COMPO=" + VK_Format_ID(composant_->ID) + ")" +
                                  (ids.empty() ? UnicodeString() : " AND ID_DETAIL NOT IN (" + ids + ")");
        pCurDossier->ExecSQLFirebird(VK_LOC(), sql, true, nullptr);
        return true;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}
