// Acquisition details: each purchase or cost item of a component, with its supplier, its amounts
// in their currency of origin and the VAT recovered on it (table "VKL", case-file database only).
// Every change of an amount or a currency updates the component's totals at once.
#pragma once

#include <functional>
#include <vector>

#include "platform/devise.h"
#include "units/vkbase.h"
#include "units/vktypes.h"

class cVK_Composant;
class cVK_LstDetailComposant;

class cVK_DetailComposant : public cVK_Base {
public:
    static void CreerBase();
    // "SELECT <the detail columns> FROM ": completed with the table and the condition.
    static const char* const ColonnesSelect;
    // With id, reads the current row of `row` (or its own row when `row` is null); with 0, a new
    // line (inserted at once when the component is stored).
    cVK_DetailComposant(cVK_LstDetailComposant* list, TDataSet* row, unsigned id);

    void BD_Lit(TDataSet* row);
    bool BD_Inserer() override;
    bool BD_Update() override;
    bool BD_Supprimer(bool confirm) override;
    using cVK_Base::Assign;
    virtual void Assign(const cVK_DetailComposant* source);
    virtual void ReInitID() { ResetID(); }

    CCurrency GetPrixHTOrigine() const;
    CCurrency GetPrixAcquis() const;
    CCurrency GetFraisAcquis() const;
    CCurrency GetPrixHT() const;
    CCurrency GetTVARecuperee() const;
    TDateTime GetDateDeCreation() const;
    const UnicodeString& GetFournisseur() const { return FOURNISSEUR; }
    bool GetModifiable() const;
    bool GetDesignationModifiable() const;

    void SetFournisseur(const UnicodeString& text);
    void SetDesignation(const UnicodeString& text);
    void SetExoDeCreation(const int& year);
    void SetPrixAcquisOrigine(const CCurrency& amount);
    void SetFraisAcquisOrigine(const CCurrency& amount);
    void SetTVARecupereeOrigine(const CCurrency& amount);
    void SetDevisePrixAcquisOrigine(const CDevise& currency);
    void SetDeviseFraisAcquisOrigine(const CDevise& currency);
    void SetDeviseOrigineTva(const VK_DeviseOrigineTva& currency);
    void SetQuantite(double quantity);

    cVK_Composant* GetComposant() const;

    CCurrency PRIX_ACQUIS, FRAIS_ACQUIS, TVARECUP;
    CDevise DevisePrix{0, -1.0}, DeviseFrais{0, -1.0};
    VK_DeviseOrigineTva DEVISEO_TVA = vdtEuro;
    UnicodeString FOURNISSEUR, DESIGNATION;
    int EXOCREATION = -2147483647;
    double QUANTITE = -1.7976931348623157e308;

private:
    UnicodeString Valeurs() const;
    void ChangeMontants(const std::function<void()>& change);

    cVK_LstDetailComposant* liste_;
};

class cVK_LstDetailComposant {
public:
    // Loads the component's stored lines, in identifier order.
    explicit cVK_LstDetailComposant(cVK_Composant* component);
    virtual ~cVK_LstDetailComposant();
    cVK_LstDetailComposant(const cVK_LstDetailComposant&) = delete;
    cVK_LstDetailComposant& operator=(const cVK_LstDetailComposant&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    cVK_DetailComposant* Get(int index) const { return items_.at(index); }
    cVK_DetailComposant* GetDetailComposant(unsigned id) const;
    cVK_DetailComposant* AddNew();
    // Corrects the component's totals and removes the line (not freed).
    void Delete(cVK_DetailComposant* detail);
    void Clear();
    virtual void Assign(const cVK_LstDetailComposant* source);
    virtual void ReInitID();
    // Saves every element, then deletes the stored rows of the owner no longer in the list. With
    // ownerJustInserted (the owner's row was inserted by the save under way, in the case file) no row
    // of the owner can be missing from the list and the delete is not run.
    virtual bool BD_MAJ(bool ownerJustInserted = false);
    cVK_Composant* GetComposant() const { return composant_; }

private:
    cVK_Composant* composant_;
    std::vector<cVK_DetailComposant*> items_;  // owned
};
