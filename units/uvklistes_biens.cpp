// The assets of an exit: loaded in their stored order, kept in the order they were added.
#include <algorithm>

#include "units/uvkdivers.h"
#include "units/uvklistes.h"
#include "units/uvksortie.h"
#include "units/vkchamps.h"

#define VK_UNIT vk::kUnitBien
#define VK_LINE_BASE 3000
#include "units/vklocation.h"

cVK_ListeBiens::cVK_ListeBiens(cVK_Sortie* exit) : sortie_(exit) {
    if (!sortie_ || sortie_->ID == 0) return;
    try {
        auto query =
            VK_InitDataset(VK_LOC(),
                           UnicodeString("SELECT ") + cVK_Bien::ColonnesSelect + " FROM " +
                               cVK_Bien::NomTable("") + " WHERE ID_SORTIE=" + VK_Format_ID(sortie_->ID),
                           false, "");
        if (!query) return;
        for (query->Open(); !query->Eof(); query->Next())
            items_.push_back(
                new cVK_Bien(vkchamps::Identifiant(query.get(), "ID_BIEN"), "", this, query.get()));
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

cVK_ListeBiens::~cVK_ListeBiens() {
    Clear();
}

cVK_Bien* cVK_ListeBiens::GetBien(unsigned id) const {
    for (cVK_Bien* asset : items_)
        if (asset->ID == id) return asset;
    return nullptr;
}

void cVK_ListeBiens::Add(cVK_Bien* asset) {
    if (!asset) return;
    if (asset->GetListe() != this) asset->ReAffecte(this);
    if (std::find(items_.begin(), items_.end(), asset) == items_.end()) items_.push_back(asset);
}

cVK_Bien* cVK_ListeBiens::AddNew() {
    auto* asset = new cVK_Bien(0u, "", this, nullptr);
    items_.push_back(asset);
    return asset;
}

void cVK_ListeBiens::Delete(cVK_Bien* asset) {
    auto found = std::find(items_.begin(), items_.end(), asset);
    if (found != items_.end()) items_.erase(found);
}

void cVK_ListeBiens::Clear() {
    std::vector<cVK_Bien*> owned;
    owned.swap(items_);
    for (cVK_Bien* asset : owned) delete asset;
}

void cVK_ListeBiens::Assign(const cVK_ListeBiens* source) {
    if (!source || source == this) return;
    Clear();
    for (const cVK_Bien* element : source->items_) AddNew()->Assign(element, false);
}

void cVK_ListeBiens::ReInitID(bool newReferences) {
    for (cVK_Bien* asset : items_) asset->ReInitID(newReferences);
}

// Saves every asset, then deletes the exit's stored assets no longer in the list. An empty list
// deletes nothing, and nothing is deleted after an asset failed to save.
bool cVK_ListeBiens::BD_MAJ() {
    try {
        UnicodeString ids;
        for (cVK_Bien* asset : items_) {
            if (!asset->BD_MAJ()) return false;
            if (!ids.empty()) ids += ",";
            ids += VK_Format_ID(asset->ID);
        }
        if (ids.empty() || !sortie_ || sortie_->ID == 0) return true;
        return VK_ExecSQL(VK_LOC(),
                          "DELETE FROM " + cVK_Bien::NomTable("") + " WHERE (ID_SORTIE=" +
                              VK_Format_ID(sortie_->ID) + ") AND ID_BIEN NOT IN (" + ids + ")",
                          "");
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}
