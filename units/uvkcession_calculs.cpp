// The disposal record's figures that do not depend on the split of the result: the reason's
// texts, the price and its share of the exit's price, the VAT to reverse, the net book value of the
// disposed asset, the depreciation practised and the tax rate of the long-term result.
#include <fmt/format.h>

#include <algorithm>

#include "platform/dossier.h"
#include "platform/postes.h"
#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvklistes.h"
#include "units/uvksortie.h"

#define VK_UNIT vk::kUnitComposant
#define VK_LINE_BASE 4000
#include "units/vklocation.h"
// After the location macros, which it uses.
#include "units/uvkcession_interne.h"

TDateTime dateTVAReverserPassage20 = EncodeDate(1996, 1, 1);

using vkcession::Protege;

// ---------------------------------------------------------------------------------------------
// Reason and price

UnicodeString cVK_Cession::GetMotifSortie(int name) const {
    if (MOTIF_SORTIE < vmAucun || MOTIF_SORTIE > vmMiseEnNonValeur) return "";
    return name != 0 ? cszNomMotifSortie[MOTIF_SORTIE] : MotifsSorties[MOTIF_SORTIE];
}

CCurrency cVK_Cession::GetPrixHT() const {
    return Protege(VK_LOC(), CCurrency(), [&] {
        // A rate of 0 or less is no rate: the amount is taken as it stands.
        if (PRIXHT_SORTIE.IsNull() || !(DeviseSortie.Taux > 0)) return PRIXHT_SORTIE;
        return DeviseConvToDef(DeviseSortie, PRIXHT_SORTIE);
    });
}

namespace {

CCurrency ZeroSiVide(const CCurrency& amount) {
    return amount.IsNull() ? CCurrency(0) : amount;
}

// The share of the exit's price X that falls to a component of cost H out of the exit's total
// cost C: X x (H / C), the quotient first, in extended precision.
CCurrency Quotepart(const CCurrency& x, const CCurrency& h, const CCurrency& c) {
    const long double quotient = static_cast<long double>(h.AsDouble()) / c.AsDouble();
    return CCurrency(static_cast<double>(x.AsDouble() * quotient));
}

}  // namespace

// One asset of type 1 with a single component takes the whole price of its exit (D25); otherwise
// each component takes the share of its cost in the total cost of the exit's assets. A component
// whose asset was loaded outside its exit reads that exit from the database.
void cVK_Cession::AffecterPrixCession_Calc() {
    try {
        CCurrency price(0);
        cVK_Bien* asset = composant_ ? composant_->GetBien() : nullptr;
        std::unique_ptr<cVK_Sortie> loaded;
        const cVK_Sortie* exit = asset ? asset->GetSortie() : nullptr;
        if (asset && !exit && asset->Get_IDSortieLiee() != 0) {
            loaded = std::make_unique<cVK_Sortie>(asset->Get_IDSortieLiee());
            if (loaded->ID != 0) exit = loaded.get();
        }
        if (exit) {
            const CCurrency x = ZeroSiVide(exit->GetPrixHT());
            const bool alone = exit->GetListeBiens()->Count() == 1 && asset->TYPEBIEN == vbNouveau &&
                               asset->GetListeComposants() && asset->GetListeComposants()->Count() == 1;
            if (alone) {
                price = x;
            } else {
                const CCurrency c = ZeroSiVide(exit->TotalCoutEntree());
                const CCurrency h = composant_->GetPrixHT();
                if (!h.IsNull() && c != CCurrency(0)) price = Quotepart(x, h, c);
            }
        } else {
            price = ZeroSiVide(GetPrixHT());
        }
        if (price != PRIX_CESSION_CALC) {
            PRIX_CESSION_CALC = price;
            Modifie();
        }
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

CCurrency cVK_Cession::GetPrixCession() const {
    return ZeroSiVide(PRIX_CESSION_SAIS.IsNull() ? PRIX_CESSION_CALC : PRIX_CESSION_SAIS);
}

// ---------------------------------------------------------------------------------------------
// VAT to reverse

// The VAT deducted on an asset is reversed for the years of its adjustment period that remain
// after the year of the disposal: 5 years, or for real estate 10 years when it entered before
// 1996 and 20 years after. The year of entry counts as a whole year.
UnicodeString cVK_Cession::GetFractionAReverser() const {
    return Protege(VK_LOC(), UnicodeString(), [&] {
        FractionTVA.SetNull();
        if (!TVA_DOIT_ETRE_REVERSEE || !composant_) return UnicodeString();
        const TDateTime entry = composant_->DATEENTREE;
        int n = 5;
        if (POSTESCompteEstDansPoste(composant_->NUMCOMPTE, 7300))
            n = entry.IsNull() ? 0 : entry < dateTVAReverserPassage20 ? 10 : 20;
        int r = 0;
        if (n != 0 && !DATE_SORTIE.IsNull()) {
            int exitYear, entryYear, month, day;
            DecodeDate(DATE_SORTIE, exitYear, month, day);
            DecodeDate(entry, entryYear, month, day);
            r = std::min(n, std::max(0, n - (exitYear - entryYear + 1)));
        }
        FractionTVA = n == 0 ? CCurrency(0) : CCurrency(double(r) / n);
        return UnicodeString(fmt::format("{}/{}", r, n));
    });
}

CCurrency cVK_Cession::GetFractionTvaAReverser() const {
    GetFractionAReverser();
    return FractionTVA;
}

CCurrency cVK_Cession::GetTvaAReverser_Calc() const {
    return Protege(VK_LOC(), CCurrency(), [&] {
        if (!TVA_DOIT_ETRE_REVERSEE || !composant_) return CCurrency();
        const CCurrency deducted = TVA_DED_SAIS.IsNull() ? composant_->GetTVARecuperee() : TVA_DED_SAIS;
        // VAT is reversed in cents: the book value and the disposal's entry take this figure.
        return VK_ArrondiCentime(deducted * GetFractionTvaAReverser());
    });
}

CCurrency cVK_Cession::GetTvaAReverser() const {
    if (!TVA_DOIT_ETRE_REVERSEE) return CCurrency();
    return TVA_A_REVERSER_SAIS.IsNull() ? GetTvaAReverser_Calc() : VK_ArrondiCentime(TVA_A_REVERSER_SAIS);
}

// ---------------------------------------------------------------------------------------------
// Net book value of the disposed asset

// The accounting depreciation up to the end of use: the opening cumulated depreciation and the
// year's charge up to that date; a scrapped asset is written down to nothing.
CCurrency cVK_Cession::GetValeurComptableActifsCedes(CCurrency* valeurBrute,
                                                     CCurrency* amortissements) const {
    return Protege(VK_LOC(), CCurrency(), [&] {
        if (!composant_) return CCurrency();
        const CCurrency gross =
            VAL_REEVAL_SAIS.IsNull() ? composant_->GetPrixHT() + GetTvaAReverser() : VAL_REEVAL_SAIS;
        if (valeurBrute) *valeurBrute = gross;
        CCurrency accounting = AMORT_CPTA_PRAT_SAIS;
        if (accounting.IsNull()) {
            if (cVK_Amortissement* plan = composant_->GetAmort(taComptable)) {
                accounting = plan->GetCumulAmortOuv(1) + plan->GetDotation(DATE_FIN_UTILISATION);
                if (plan->GetTypeMethode() != 0 && MOTIF_SORTIE == vmMiseAuRebut)
                    accounting += plan->GetVNC(DATE_FIN_UTILISATION);
            }
        }
        const CCurrency derogatory = AMORT_DEROG_PRAT_SAIS.IsNull()
                                         ? composant_->GetAmortDerog(DATE_FIN_UTILISATION)
                                         : AMORT_DEROG_PRAT_SAIS;
        const CCurrency depreciation = accounting + derogatory + ZeroSiVide(AUTRES_AMORT_SAIS);
        if (amortissements) *amortissements = depreciation;
        return gross - depreciation;
    });
}

CCurrency cVK_Cession::GetAmortCptaPrat() const {
    return Protege(VK_LOC(), CCurrency(), [&] {
        if (!AMORT_CPTA_PRAT_SAIS.IsNull()) return AMORT_CPTA_PRAT_SAIS;
        cVK_Amortissement* plan = composant_ ? composant_->GetAmort(taComptable) : nullptr;
        if (!plan) return CCurrency();
        return plan->GetCumulAmortOuv(1) + plan->GetDotation(DATE_FIN_UTILISATION);
    });
}

CCurrency cVK_Cession::GetAmortDerogPrat(const TDateTime& date) const {
    return Protege(VK_LOC(), CCurrency(), [&] {
        if (!AMORT_DEROG_PRAT_SAIS.IsNull()) return AMORT_DEROG_PRAT_SAIS;
        return composant_ ? composant_->GetAmortDerog(date) : CCurrency();
    });
}

// ---------------------------------------------------------------------------------------------
// Holding period and tax rate

bool cVK_Cession::GetEstDetenueDepuisMoinsDe2Ans() const {
    return Protege(VK_LOC(), false, [&] {
        if (!composant_) return false;
        const int days = DiffDateJours(composant_->GetDateEntreePourCalculPvMv(), DATE_SORTIE, true);
        return (days - 1) / 360 < 2;
    });
}

bool cVK_Cession::GetEstCessionBrevetIS() const {
    return Protege(VK_LOC(), false, [&] {
        return composant_ && pCurDossier->DateDebutExercice >= EncodeDate(2007, 9, 26) &&
               pCurDossier->RegimeFiscal == 2 && POSTESCompteEstDansPoste(composant_->NUMCOMPTE, 7306) &&
               !GetEstDetenueDepuisMoinsDe2Ans();
    });
}

void cVK_Cession::InitTauxImposition() {
    try {
        if (!TAUX_IMPOSITION.IsNull() || !composant_ || PvMvLongTerme(true).IsNull()) return;
        const TDateTime start = pCurDossier->DateDebutExercice;
        if (composant_->IsImmoFinanciere()) {
            if (start >= EncodeDate(2007, 1, 1))
                TAUX_IMPOSITION = CCurrency(0);
            else if (start >= EncodeDate(2006, 1, 1))
                TAUX_IMPOSITION = CCurrency(0.08);
        } else if (composant_->IsImmoIncorporelle()) {
            TAUX_IMPOSITION = CCurrency(0.15);
        }
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}
