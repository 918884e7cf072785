// The disposal record of one disposed component (table "VKO"): what the user entered about the
// disposal, and the figures computed from it for that component.
#pragma once

#include "platform/currency.h"
#include "platform/datetime.h"
#include "platform/devise.h"
#include "units/vkbase.h"
#include "units/vktypes.h"

class cVK_Composant;

class cVK_Cession : public cVK_Base {
public:
    static void CreerBase();
    // Short codes of the reasons, indexed by VK_MotifSortie ("" for 0).
    static const char* const MotifsSorties[6];

    // With id, read from the current row of `row` (or from the database when `row` is null); with 0,
    // a new record that inserts itself at once.
    cVK_Cession(cVK_Composant* component, TDataSet* row, unsigned id);

    bool BD_Inserer() override;
    bool BD_Update() override;
    bool BD_Supprimer(bool confirm) override;
    using cVK_Base::Assign;
    virtual void Assign(const cVK_Cession* source);
    virtual void ReInitID() { ResetID(); }

    cVK_Composant* GetComposant() const { return composant_; }
    void SetComposant(cVK_Composant* component) { composant_ = component; }
    VK_MotifSortie GetMotifSortie() const { return MOTIF_SORTIE; }
    const TDateTime& GetDateSortie() const { return DATE_SORTIE; }
    const TDateTime& GetDateFinUtilisation() const { return DATE_FIN_UTILISATION; }
    // When the value differs: store it and clear the component's computed schedules.
    void SetMotifSortie(VK_MotifSortie reason);
    void SetDateFinUtilisation(const TDateTime& date);
    void SetDateSortie(const TDateTime& date);
    // Records the date of the component's exit entry.
    void SetDateSortieQuandEcr(const TDateTime& date);
    void InitTauxImposition();

    VK_MotifSortie MOTIF_SORTIE = vmAucun;
    TDateTime DATE_SORTIE;
    TDateTime DATE_FIN_UTILISATION;
    CCurrency PRIXHT_SORTIE;
    CCurrency PRIX_CESSION_SAIS, TVA_DED_SAIS, TVA_A_REVERSER_SAIS, VAL_REEVAL_SAIS;
    CCurrency AMORT_CPTA_PRAT_SAIS, AMORT_DEROG_PRAT_SAIS, AUTRES_AMORT_SAIS;
    CCurrency PVCT_SAIS, PVLT_EXCLUES_SAIS, MVCT_SAIS, MVLT_EXCLUES_SAIS;
    CCurrency PRIX_CESSION_CALC;
    UnicodeString FractionTVA;  // the last fraction computed, not stored
    CCurrency TAUX_IMPOSITION, TAUX_IMPOSITION_PV_TAUX_REDUIT;
    CDevise DeviseSortie{0, -1.0};
    bool TERRAIN_A_BATIR = false;
    bool TVA_DOIT_ETRE_REVERSEE = false;
    bool PV_TAXABLE_TAUX_REDUIT = false;
    bool OPT_REGIME_PROP_INDUS = false;
    TDateTime DATE_OPT_REGIME_PROP_INDUS;
    TDateTime DATE_ECR;

private:
    void Lit(TDataSet* row);
    UnicodeString Valeurs(bool update) const;

    cVK_Composant* composant_;
};
