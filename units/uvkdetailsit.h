// What the user entered for a situation at a date, for one component reference and one plan kind
// (table "VKD"): the current value and impairment figures, a forced manual charge, a forced quantity
// of units. It also gives the forecast share of units or of the manual charge up to the date.
#pragma once

#include "platform/currency.h"
#include "platform/datetime.h"
#include "units/vkbase.h"

class cVK_Amortissement;
class cVK_Composant;

class cVK_DetSituation : public cVK_Base {
public:
    static void CreerBase();

    cVK_DetSituation(const cVK_Amortissement* plan, const TDateTime& date);
    cVK_DetSituation(const cVK_Composant* component, const TDateTime& date);

    void BD_Lit();
    bool BD_Inserer() override;
    bool BD_Update() override;
    bool BD_Supprimer(bool ask) override;
    using cVK_Base::Assign;
    virtual void Assign(const cVK_DetSituation* source);
    virtual void ReInitID() { ResetID(); }

    void SetValActuelle(const CCurrency& amount);
    void SetDeprecNonDed(const CCurrency& amount);
    void SetDeprecRepriseMax(const CCurrency& amount);
    void SetDotationManuelleForc(const CCurrency& amount);
    void SetUO_QuantiteForc(const CCurrency& quantity);

    CCurrency GetUO_QuantitePrevue() const;
    CCurrency GetUO_Quantite() const;
    CCurrency GetDotationManuellePrevue() const;
    CCurrency GetDotationManuelle() const;

    void GetRequete_ListeUOSituation(TDataSet* data, const TDateTime&);
    // The forecast share (CONSO_PREV) of the current row of that list: a temporary detail for the
    // row's date (field 0) with the same owner gives it. Our datasets are read-only, so the value is
    // returned for the host to show rather than written into the row.
    CCurrency ListeUOSituationCalcFields(TDataSet* data);

    UnicodeString RefCalc;
    int TypeAmort = 0;
    TDateTime DateSit;
    cVK_Amortissement* Amortissement = nullptr;
    cVK_Composant* Composant = nullptr;
    CCurrency ValActuelle, DeprecNonDed, DeprecRepriseMax, DotationManuelleForc, UO_QuantiteForc;

private:
    void Set(CCurrency& field, const CCurrency& amount);
    // The share of a year-0 forecast up to the situation date.
    CCurrency Prorata(const CCurrency& forecast) const;
};
