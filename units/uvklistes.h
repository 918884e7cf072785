// The owning lists that tie the register together: the components of an asset and the assets of
// an exit. Each list loads its elements, owns them, saves them in one call and deletes the rows of
// the elements no longer in it.
#pragma once

#include <memory>
#include <vector>

#include "units/uvkbien.h"
#include "units/uvkcomposant.h"

class cVK_ListeComposants {
public:
    // Loads the stored components of the asset (when it has an ID); an asset always ends up with
    // at least its structure component.
    cVK_ListeComposants(cVK_Bien* asset, const UnicodeString& base);
    virtual ~cVK_ListeComposants();
    cVK_ListeComposants(const cVK_ListeComposants&) = delete;
    cVK_ListeComposants& operator=(const cVK_ListeComposants&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    cVK_Composant* Get(int index) const { return items_.at(index); }
    cVK_Composant* GetStructure() const { return items_.empty() ? nullptr : items_.front(); }
    cVK_Composant* GetComposant(unsigned id) const;
    // Appends (moving it from its asset first when it belongs to another one) and sorts.
    void Add(cVK_Composant* component);
    cVK_Composant* AddNew();
    // Removes without freeing or touching the database.
    void Delete(cVK_Composant* component);
    // Frees every element.
    void Clear();
    virtual void Assign(const cVK_ListeComposants* source);
    virtual void ReInitID(bool newReferences);
    // Saves every element, then deletes the stored rows of the owner no longer in the list. With
    // ownerJustInserted (the owner's row was inserted by the save under way, in the case file) no row
    // of the owner can be missing from the list and the delete is not run.
    virtual bool BD_MAJ(bool ownerJustInserted = false);
    // Keeps the structure first, later entry dates before earlier ones.
    void Trie();

    cVK_Bien* GetBien() const { return bien_; }
    const UnicodeString& GetBase() const { return base_; }

private:
    cVK_Bien* bien_;
    UnicodeString base_;
    std::vector<cVK_Composant*> items_;  // owned
};

class cVK_ListeBiens {
public:
    explicit cVK_ListeBiens(cVK_Sortie* exit);
    virtual ~cVK_ListeBiens();
    cVK_ListeBiens(const cVK_ListeBiens&) = delete;
    cVK_ListeBiens& operator=(const cVK_ListeBiens&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    cVK_Bien* Get(int index) const { return items_.at(index); }
    cVK_Bien* GetBien(unsigned id) const;
    void Add(cVK_Bien* asset);
    cVK_Bien* AddNew();
    void Delete(cVK_Bien* asset);
    void Clear();
    virtual void Assign(const cVK_ListeBiens* source);
    virtual void ReInitID(bool newReferences);
    virtual bool BD_MAJ();

    cVK_Sortie* GetSortie() const { return sortie_; }

private:
    cVK_Sortie* sortie_;
    std::vector<cVK_Bien*> items_;  // owned
};
