// The persistent object base: every business object the engine stores derives from one of these.
//
// cVK_Base gives the row identity (ID, 0 before the first save), the modified flag and the save
// dispatch (BD_MAJ: update a stored row, insert a new one). cVK_Primaire adds what the user names and
// numbers: the calculated reference drawn at creation, the entered reference and the designation.
// cVK_PrimaireAmortissable marks the objects that carry depreciation (assets and components).
//
// A save reports whether it reached the database: after a failed statement the object keeps ID 0
// (a failed insert) and its modified flag, so that nothing is taken for written that was not.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/db/ibx.h"
#include "platform/system.h"

class cVK_Composant;

// The platform's root object.
class TObject {
public:
    virtual ~TObject() = default;
};

class cVK_Base : public TObject {
public:
    explicit cVK_Base(unsigned id = 0) : ID(id), RangCreation(ProchainRangCreation()) {}
    ~cVK_Base() override = default;

    // Write the object's row; true when the statement succeeded.
    virtual bool BD_Inserer() = 0;
    virtual bool BD_Update() = 0;
    // Copies the user-visible content of another object of the same class (nothing here).
    virtual void Assign(const cVK_Base* source);
    // Saves the object: an update when it has a row, an insert otherwise. Always writes.
    virtual bool BD_MAJ();
    // Deletes the row; with confirm, asks the user first and deletes nothing on no.
    virtual bool BD_Supprimer(bool confirm) = 0;

    void ResetID() { ID = 0; }
    // ID := the identifier of the row just inserted into the table of the database.
    void RelitID(const UnicodeString& table, const UnicodeString& idColumn, const UnicodeString& base);
    // Runs the INSERT of the object's row and sets ID to the identifier the database gave it (in
    // the case file's database with the statement itself, elsewhere by reading it back). False,
    // with ID 0, when the statement failed (the failure is shown, under `code`).
    bool InsereEtRelitID(unsigned long code, const UnicodeString& insert, const UnicodeString& table,
                         const UnicodeString& idColumn, const UnicodeString& base);
    // ID := the column of the dataset's current row (0 when null).
    void RelitID(TDataSet* row, const UnicodeString& column);
    void Modifie() { EstModifie = true; }

    unsigned ID;
    bool EstModifie = false;
    // The order in which the objects were made in this process (see OrdreEnregistrement).
    uint64_t RangCreation;

private:
    static uint64_t ProchainRangCreation();
};

// The order in which a list's objects are saved: the stored ones as listed, then the new ones in the
// order they were made. A new row thus gets its identifier in the order of making whatever the
// list's sort, as when each object was inserted as soon as it was made.
template <class T>
std::vector<T*> OrdreEnregistrement(const std::vector<T*>& items) {
    std::vector<T*> order(items);
    std::stable_sort(order.begin(), order.end(), [](const T* a, const T* b) {
        const bool newA = a->ID == 0, newB = b->ID == 0;
        if (newA != newB) return newB;
        return newA && a->RangCreation < b->RangCreation;
    });
    return order;
}

class cVK_Primaire : public cVK_Base {
public:
    explicit cVK_Primaire(unsigned id = 0) : cVK_Base(id) {}

    using cVK_Base::Assign;
    virtual void SetDesignation(const UnicodeString& text) { Designation = text; }
    // Copies the entered reference and the designation; never the identity or the calculated
    // reference, so that a copy keeps its own.
    virtual void Assign(const cVK_Primaire* source);

    void ResetReferences();
    // The reference shown to the user: the entered one, else the calculated one.
    UnicodeString GetReference() const;
    // The calculated reference: RefCalc for assets and components, the ID for exits and groups.
    UnicodeString GetRefCalc() const;
    // Reads REF_CALC, REF_SAIS and DESIGNATION from the dataset's current row (a missing REF_CALC
    // column leaves the ID's text as calculated reference).
    void Init(TDataSet* row);
    // Prepares a new row: ID 0 and a new calculated reference that no user entered elsewhere in
    // the table.
    void InitNouvelEnregistrement(const UnicodeString& table, const UnicodeString& refColumn,
                                  const UnicodeString& base);
    const UnicodeString& GetDesignation() const { return Designation; }

    int TypePrimaire = 0;  // 0 asset, 1 component, 2 exit, 3 group
    UnicodeString RefCalc;
    UnicodeString RefSais;
    UnicodeString Designation;
};

class cVK_PrimaireAmortissable : public cVK_Primaire {
public:
    explicit cVK_PrimaireAmortissable(unsigned id = 0) : cVK_Primaire(id) {}

    using cVK_Primaire::Assign;
    virtual void Assign(const cVK_PrimaireAmortissable* source) { cVK_Primaire::Assign(source); }
    // The component whose depreciation data apply: itself for a component, the structure for an asset.
    virtual cVK_Composant* Get_ComposantCourant() = 0;
};
