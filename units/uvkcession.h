// The disposal record of one disposed component (table "VKO"): what the user entered about the
// disposal, and the figures computed from it for that component.
#pragma once

#include "platform/currency.h"
#include "platform/datetime.h"
#include "platform/devise.h"
#include "units/vkbase.h"
#include "units/vktypes.h"

class cVK_Composant;

// The start of the 20-year VAT adjustment period of real estate: a building entered before it
// reverses its VAT over 10 years.
extern TDateTime dateTVAReverserPassage20;

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
    // The tax rate of a long-term result that has none yet: 0 (from 2007) or 0.08 (2006) for a
    // financial component, 0.15 for an intangible one; nothing else changes.
    void InitTauxImposition();

    // --- Figures of the disposal ---
    // The reason's name (name != 0) or its short code; "" beyond the known reasons.
    UnicodeString GetMotifSortie(int name) const;
    UnicodeString GetNomMotifSortie() const { return GetMotifSortie(1); }
    // The price entered for this component, in the case file's currency.
    CCurrency GetPrixHT() const;
    // Computes this component's share of its exit's price into PRIX_CESSION_CALC.
    void AffecterPrixCession_Calc();
    // The entered price, else the computed one; 0 when neither.
    CCurrency GetPrixCession() const;
    // The share of the deducted VAT still to reverse, as a text ("2/5"); "" when no VAT is reversed.
    // Keeps the fraction as an amount for GetFractionTvaAReverser.
    UnicodeString GetFractionAReverser() const;
    CCurrency GetFractionTvaAReverser() const;
    CCurrency GetTvaAReverser_Calc() const;
    // Empty when no VAT is reversed; else the entered amount, else the computed one.
    CCurrency GetTvaAReverser() const;
    // The net book value of the disposed asset (gross value less depreciation); each output may
    // be null.
    CCurrency GetValeurComptableActifsCedes(CCurrency* valeurBrute, CCurrency* amortissements) const;
    // The realised gain (positive) or loss; empty when the disposal precedes the entry.
    CCurrency PvMvRealisee(CCurrency* valeurBrute, CCurrency* amortissements) const;
    // The short-term, long-term and excluded parts of the realised result; with avecSaisies the
    // values the user entered take precedence.
    CCurrency PvMvCourtTerme(bool avecSaisies) const;
    CCurrency PvMvLongTerme(bool avecSaisies) const;
    CCurrency PvMvCTExclueLongTerme(bool avecSaisies, bool* estApplicable) const;
    // The entered values limited by the computed ones; the stored fields keep what was entered.
    CCurrency GetPVCT_Sais() const;
    CCurrency GetMVCT_Sais() const;
    CCurrency GetPVLTExclues_Sais() const;
    CCurrency GetMVLTExclues_Sais() const;
    // All the results at once (each output may be null); true for a gain.
    bool GetPvMv(CCurrency* pvMv, CCurrency* courtTerme, CCurrency* ctExclueLt, CCurrency* longTerme,
                 bool avecSaisies, bool valeurAbsolue, bool* estApplicable) const;
    // Held for less than two 360-day years.
    bool GetEstDetenueDepuisMoinsDe2Ans() const;
    // A patent held two years or more, sold by a company under corporate tax (from 26 Sep 2007).
    bool GetEstCessionBrevetIS() const;
    // The accounting and derogatory depreciation practised, entered or computed.
    CCurrency GetAmortCptaPrat() const;
    CCurrency GetAmortDerogPrat(const TDateTime& date) const;

    VK_MotifSortie MOTIF_SORTIE = vmAucun;
    TDateTime DATE_SORTIE;
    TDateTime DATE_FIN_UTILISATION;
    CCurrency PRIXHT_SORTIE;
    CCurrency PRIX_CESSION_SAIS, TVA_DED_SAIS, TVA_A_REVERSER_SAIS, VAL_REEVAL_SAIS;
    CCurrency AMORT_CPTA_PRAT_SAIS, AMORT_DEROG_PRAT_SAIS, AUTRES_AMORT_SAIS;
    CCurrency PVCT_SAIS, PVLT_EXCLUES_SAIS, MVCT_SAIS, MVLT_EXCLUES_SAIS;
    CCurrency PRIX_CESSION_CALC;
    mutable CCurrency FractionTVA;  // the last fraction computed by GetFractionAReverser, not stored
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
