// The components of an asset: loaded sorted, structure first, saved in one call.
#include <algorithm>

#include "units/uvkdivers.h"
#include "units/uvklistes.h"
#include "units/uvkprechargement.h"
#include "units/vkchamps.h"

#define VK_UNIT vk::kUnitComposant
#define VK_LINE_BASE 3000
#include "units/vklocation.h"

cVK_ListeComposants::cVK_ListeComposants(cVK_Bien* asset, const UnicodeString& base)
    : bien_(asset), base_(base) {
    try {
        if (bien_ && bien_->ID != 0) {
            auto query = VK_DatasetPrecharge(
                VK_LOC(), "VKC", VK_Format_ID(bien_->ID), VK_Format_ID(bien_->ID),
                UnicodeString("SELECT ") + cVK_Composant::ColonnesSelect + " FROM " +
                    cVK_Composant::NomTable(base_) + " WHERE ID_BIEN=" + VK_Format_ID(bien_->ID),
                false, base_);
            if (query) {
                for (query->Open(); !query->Eof(); query->Next())
                    items_.push_back(new cVK_Composant(this, base_, query.get(),
                                                       vkchamps::Identifiant(query.get(), "ID_COMPO")));
                Trie();
            }
        }
        // An asset always has its structure component (D6).
        if (items_.empty()) AddNew();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

cVK_ListeComposants::~cVK_ListeComposants() {
    Clear();
}

cVK_Composant* cVK_ListeComposants::GetComposant(unsigned id) const {
    for (cVK_Composant* component : items_)
        if (component->ID == id) return component;
    return nullptr;
}

// The structure first, then the later entry dates before the earlier ones; components that compare
// equal keep their order.
void cVK_ListeComposants::Trie() {
    std::stable_sort(items_.begin(), items_.end(), [](const cVK_Composant* a, const cVK_Composant* b) {
        if (a->ISSTRUCTURE != b->ISSTRUCTURE) return a->ISSTRUCTURE;
        return double(a->DATEENTREE) > double(b->DATEENTREE);
    });
}

void cVK_ListeComposants::Add(cVK_Composant* component) {
    if (!component) return;
    if (component->GetListe() != this) component->ReAffecte(this);
    if (std::find(items_.begin(), items_.end(), component) == items_.end()) items_.push_back(component);
    Trie();
}

cVK_Composant* cVK_ListeComposants::AddNew() {
    auto* component = new cVK_Composant(this, base_, nullptr, 0);
    Add(component);
    return component;
}

void cVK_ListeComposants::Delete(cVK_Composant* component) {
    auto found = std::find(items_.begin(), items_.end(), component);
    if (found != items_.end()) items_.erase(found);
}

void cVK_ListeComposants::Clear() {
    std::vector<cVK_Composant*> owned;
    owned.swap(items_);
    for (cVK_Composant* component : owned) delete component;
}

void cVK_ListeComposants::Assign(const cVK_ListeComposants* source) {
    if (!source || source == this) return;
    Clear();
    for (const cVK_Composant* element : source->items_) AddNew()->Assign(element, false);
    Trie();
}

void cVK_ListeComposants::ReInitID(bool newReferences) {
    for (cVK_Composant* component : items_) component->ReInitID(newReferences);
}

// Saves every component, then deletes the asset's stored components no longer in the list. An
// empty list deletes nothing, and nothing is deleted after a component failed to save.
bool cVK_ListeComposants::BD_MAJ(bool ownerJustInserted) {
    try {
        UnicodeString ids;
        for (cVK_Composant* component : OrdreEnregistrement(items_)) {
            if (!component->BD_MAJ()) return false;
            if (!ids.empty()) ids += ",";
            ids += VK_Format_ID(component->ID);
        }
        if (ids.empty() || !bien_ || bien_->ID == 0) return true;
        if (ownerJustInserted && base_.empty()) return true;
        return VK_ExecSQL(VK_LOC(),
                          "DELETE FROM " + cVK_Composant::NomTable(base_) + " WHERE (ID_BIEN=" +
                              VK_Format_ID(bien_->ID) + ") AND ID_COMPO NOT IN (" + ids + ")",
                          base_);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}
