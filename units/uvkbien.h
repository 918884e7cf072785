// Assets, groups and vehicles.
//
// An asset (cVK_Bien, table "VKB") is what the user manages: a named item with one or more
// components, possibly a vehicle record, a group and an exit. It lives as a chain of versions that
// share one calculated reference ("REF_CALC"); each version carries the state of the event that
// created it and, once validated or closed, is locked.
#pragma once

#include <memory>

#include "platform/currency.h"
#include "platform/datetime.h"
#include "units/vkbase.h"
#include "units/vktypes.h"

class cVK_ListeComposants;
class cVK_ListeBiens;
class cVK_Sortie;
class cVK_Vehicule;
class cVK_ListEcr;

class cVK_Bien : public cVK_PrimaireAmortissable {
public:
    static void CreerBase(const UnicodeString& base);

    // Loads a stored version (from `row` when given, positioned on its row).
    cVK_Bien(unsigned id, const UnicodeString& base, cVK_ListeBiens* list, TDataSet* row);
    // Creates a new asset in the given state: inserted at once unless the state is importation or the
    // insertion is asked for at the first save.
    cVK_Bien(VK_Etats state, const UnicodeString& base, cVK_ListeBiens* list, TDataSet* row,
             VK_Insertion insertion = VK_Insertion::Immediate);
    ~cVK_Bien() override;

    // --- Persistence ---
    bool BD_Inserer() override;
    bool BD_Update() override;
    // Deletes the whole asset: every version of its chain.
    bool BD_Supprimer(bool confirm) override;
    // Deletes this version only.
    bool BD_SupprimerEtatCourant(bool confirm);
    // Takes the asset out of the disposal being prepared.
    bool BD_SupprimerSortie(bool confirm);
    using cVK_PrimaireAmortissable::Assign;
    virtual void Assign(const cVK_Bien* source, bool keepOwnNames);
    // Opens the next version from this one (a new row; the same chain unless newReferences).
    virtual void BD_Dupliquer(VK_Etats state, bool newReferences);
    virtual void ReInitID(bool newReferences);
    void SetDesignation(const UnicodeString& text) override;
    cVK_Composant* Get_ComposantCourant() override;

    void ClearEtats();
    // Moves the asset into another exit's list.
    void ReAffecte(cVK_ListeBiens* list);

    // --- Version chain (case-file database only) ---
    bool EtatPrecExist();
    int GetEtatPrec();
    int GetEtatComplPrec();
    // The latest later version, owned by the caller; null when none.
    cVK_Bien* GetBienDerModif();
    UnicodeString GetEtat() const;
    bool IsVerrouille(VK_Actions action, int kind) const;

    // --- Getters ---
    cVK_ListeComposants* GetListeComposants() const { return composants_.get(); }
    cVK_Composant* GetStructure() const;
    cVK_Vehicule* GetVehicule() const { return vehicule_.get(); }
    // Gives the asset a vehicle record (created when missing) and returns it.
    cVK_Vehicule* CreeVehicule();
    void SupprimeVehicule();
    cVK_ListeBiens* GetListe() const { return liste_; }
    cVK_Sortie* GetSortie() const { return sortie_; }
    const UnicodeString& GetBase() const { return base_; }
    // True for an asset asked to be written at its first save (see VK_Insertion), until that save.
    bool InsereAuPremierEnregistrement() const { return insertion_ == VK_Insertion::AuPremierEnregistrement; }
    unsigned Get_IDSortieLiee() const;
    bool IsVehiculeRoutier() const { return vehicule_ != nullptr; }
    CCurrency CoutEntree() const;
    // Declared for the depreciation engine, which defines them (they read the components' plans).
    CCurrency GetAmortComptaOuv() const;
    CCurrency GetDepreciationOuv() const;
    CCurrency GetVNCOuv() const;

    // --- Passenger-car reintegration ---
    bool GetReintDefEstConcerne() const;
    CCurrency GetReintDefBaseMaxi() const;
    CCurrency GetReintDefCoutEntree() const;
    CCurrency GetDotationReintDef(const TDateTime& date) const;
    CCurrency GetReintDef(const TDateTime& date) const;
    CCurrency GetReintegrVoitTourisme() const;

    // --- Entries: the generator of the same name of every component, in list order ---
    void GetEcritureDotation(cVK_ListEcr* list) const;
    void GetEcritureDerogatoire(cVK_ListEcr* list) const;
    void GetEcritureDepreciation(cVK_ListEcr* list) const;
    void GetEcritureSortie(cVK_ListEcr* list) const;
    void GetEcritureVirement(cVK_ListEcr* list) const;
    void GetEcritureMiseAuxNormes(cVK_ListEcr* list) const;

    // --- Validation and year-end closing ---
    void Valider(VK_EtatsCplmt complement);
    // Closes the current year; false when no component took part (nothing changed).
    bool Cloture();

    // --- Stored columns ---
    int TYPEBIEN = vbNouveau;
    VK_Etats Etat = veAucun;
    VK_EtatsCplmt EtatCplmt = vcAucun;
    unsigned ID_ENS = 0;
    unsigned ID_SORTIE = 0;
    unsigned ID_VEH = 0;
    int EXOCREAT = 0;
    UnicodeString USERCREAT, USERVALID;
    TDateTime DATECREAT, DATEVALID;
    int REDUC_ASS_TP = 0;
    CCurrency PLANCHER_CALC_PV;

    // The asset table's name in the asset's database.
    UnicodeString NomTable() const { return NomTable(base_); }
    static UnicodeString NomTable(const UnicodeString& base);
    // The stored columns, as every select of a whole asset row lists them.
    static const char* const ColonnesSelect;

private:
    void InitNouveau(VK_Etats state);
    void Lit(TDataSet* row);
    UnicodeString Valeurs() const;
    UnicodeString Affectations() const;
    bool SauveVehicule();
    // Deletes this version's row (and, in a named database, which has no cascades, its components
    // with their plans and forecasts).
    bool SupprimeLigneVersion();
    bool SupprimeVehiculeVersion();
    bool SupprimeSortieSansBien(unsigned exit, const UnicodeString& otherAssetsSql);
    void AnnuleEcrituresCessions();
    void AnnuleEcrituresCessionsAutresVersions();

    UnicodeString base_;
    cVK_ListeBiens* liste_ = nullptr;
    cVK_Sortie* sortie_ = nullptr;
    std::unique_ptr<cVK_ListeComposants> composants_;
    std::unique_ptr<cVK_Vehicule> vehicule_;
    // The stored vehicle row of this version that was dropped in memory: deleted with the next
    // update of the version, so that no vehicle row is left without its asset.
    unsigned vehiculeASupprimer_ = 0;
    VK_Insertion insertion_ = VK_Insertion::Immediate;

    friend class cVK_ListeBiens;
};

// A group of assets under one designation (table "VKE"); its reference is its identifier.
class cVK_Ensemble : public cVK_Primaire {
public:
    static void CreerBase();
    // With id 0, inserts a new empty group at once.
    explicit cVK_Ensemble(unsigned id);

    bool BD_Inserer() override;
    bool BD_Update() override;
    bool BD_Supprimer(bool confirm) override;
    using cVK_Primaire::Assign;
    virtual void Assign(const cVK_Ensemble* source) { cVK_Primaire::Assign(source); }
    static UnicodeString GetDesignation(unsigned id);
};

// The registration data of an asset that is a road vehicle (table "VKV").
class cVK_Vehicule : public cVK_Base {
public:
    static void CreerBase(const UnicodeString& base);
    cVK_Vehicule(unsigned id, cVK_Bien* asset, bool insertNow, const UnicodeString& base);

    bool BD_Inserer() override;
    bool BD_Update() override;
    bool BD_Supprimer(bool confirm) override;
    using cVK_Base::Assign;
    virtual void Assign(const cVK_Vehicule* source, bool generalOnly);
    virtual void ReInitID() { ResetID(); }

    UnicodeString GetNomTypeVehicule() const;
    // When the value changes: store it, clear the tax schedules of the asset's components, Modifie.
    void SetTypeVehicule(VK_TypeVehicule type);
    void SetDatePremierImmatriculation(const TDateTime& date);
    void SetBien(cVK_Bien* asset) { bien_ = asset; }

    int TYPEVEH = vtNonConcerne;
    UnicodeString NUMIMMAT;
    TDateTime DATEPREMIMMAT;
    UnicodeString DESCOMM;
    TDateTime DATECERTIF;
    UnicodeString GENRE;
    UnicodeString TYPECARROS;
    int PUISADMIN = -2147483647;
    int NBPLASSISES = -2147483647;
    int TAUXCO2 = -2147483647;
    bool POUR_VEH_NORME_WLTP = false;

private:
    cVK_Bien* bien_;
    UnicodeString base_;
};

// Names of the vehicle types, indexed by VK_TypeVehicule.
extern const char* const cszNomTypeVehicule[6];
// The vehicle category the ceiling library takes: 0 not concerned, 1 motorbike, 2 moped,
// 3 passenger car, 4 utility vehicle.
int ConvertTypeVehicule(VK_TypeVehicule type);
