// An exit: one disposal event taking one or several assets out of the register on one date, for
// one overall price (table "VKS"). It owns the list of its assets; each disposed component carries
// its own disposal record (cVK_Cession).
#pragma once

#include <memory>

#include "platform/currency.h"
#include "platform/datetime.h"
#include "platform/devise.h"
#include "units/vkbase.h"
#include "units/vktypes.h"

class cVK_ListeBiens;
class cVK_ListEcr;
struct cEcrLigne;

// Names of the exit reasons, indexed by VK_MotifSortie.
extern const char* const cszNomMotifSortie[6];

class cVK_Sortie : public cVK_Primaire {
public:
    static void CreerBase();
    explicit cVK_Sortie(unsigned id);
    ~cVK_Sortie() override;

    bool BD_Inserer() override;
    bool BD_Update() override;
    bool BD_Supprimer(bool confirm) override;
    using cVK_Primaire::Assign;
    virtual void Assign(const cVK_Sortie* source);

    cVK_ListeBiens* GetListeBiens() const { return biens_.get(); }
    UnicodeString GetNomMotifSortie() const;
    // Records the date of the exit's entry (the entry list calls it when it creates the entry).
    void SetDateSortieQuandEcr(const TDateTime& date);

    // --- Totals over the assets and their components (units/uvksortie_totaux.cpp) ---
    // The exit's price in the case file's currency.
    CCurrency GetPrixHT() const;
    // The sum of the assets' costs (prices and acquisition costs).
    CCurrency TotalCoutEntree() const;
    // The sums of the components' disposal prices: computed, or entered where entered.
    CCurrency TotalPrixCession_Calc() const;
    CCurrency TotalPrixCession_Sais() const;
    // The VAT to reverse; empty when no component has any.
    CCurrency GetTotalTvaAReverser() const;
    // The gains and losses by tax treatment: short-term, short-term excluded from the long-term
    // regime, long-term by rate (0, 0.08, 0.15, 0.165, 0.19) and, under corporate tax, the gains
    // taxable at the reduced rate. A long-term result at any other rate is in none of them. Each
    // output may be null.
    void GetTotalPvMv(CCurrency* ct, CCurrency* ctExclueLt, CCurrency* lt0, CCurrency* lt8, CCurrency* lt15,
                      CCurrency* lt165, CCurrency* pvTauxReduitIS, CCurrency* lt19) const;
    // Units of production (uo) or manual charges at the end of use: remaining at the opening,
    // forecast and retained; empty when no component has any.
    CCurrency TotalAmortUOouManu_Restants(bool uo) const;
    CCurrency TotalAmortUOouManu_Prevus(bool uo) const;
    CCurrency TotalAmortUOouManu_Reels(bool uo) const;
    // The impairment carried at the opening by the impaired components, deductible and not.
    void GetTotalDepreciations(CCurrency* ded, CCurrency* nonDed) const;

    // --- What the disposal screen shows ---
    // Several assets, or one asset of type 2 with two components or more.
    bool ExistePlrsCompoCedes() const;
    bool ExisteCompoAmortisEnUO() const;
    bool ExisteCompoAmortisManu() const;
    bool ExisteCompoDeprecieAOuv() const;
    bool ExisteCompoAmortisDerog() const;

    // --- Entries ---
    // The disposal entry of every asset of the exit.
    void GetEcritureSortie(cVK_ListEcr* list) const;
    // The journal, date, piece and previous date of the exit's entry, from the exit or, without
    // one, from its row.
    static void InitEcrSortie(const cVK_Sortie* exit, unsigned id, cEcrLigne& line);
    // Cancels the exit's recorded entry and clears its entry date (on the exit, or in its row).
    static void AnnuleEcrSortie(cVK_Sortie* exit, unsigned id);

    TDateTime DATESORTIE;
    TDateTime DATE_FIN_UTILISATION;
    CCurrency PRIXHT;
    CDevise Devise{0, -1.0};
    VK_MotifSortie MOTIFSORTIE = vmAucun;
    bool TVA_DOIT_ETRE_REVERSEE = false;
    TDateTime DATE_ECR;

private:
    std::unique_ptr<cVK_ListeBiens> biens_;
};
