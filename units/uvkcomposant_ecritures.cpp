// The entry lines of one component: the year's depreciation, derogatory depreciation and
// impairments, its disposal, the transfer when its account changed, and its standards conformity.
//
// Lines on the component's own accounts carry its account number, its depreciation account
// (GetNumCompte(0)) or its impairment account (GetNumCompte(1)); the other lines take the standard
// account of a kind from the accounts library (chart 38). The kinds that depend on the component's
// account type (0 intangible, 1 tangible, 2 other, 3 financial) are the first of their group plus
// the type.
#include <algorithm>
#include <cmath>

#include "platform/comptabilite.h"
#include "platform/comptes.h"
#include "platform/dossier.h"
#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvkecritures.h"
#include "units/uvksortie.h"
#include "units/vkchamps.h"

#define VK_UNIT vk::kUnitComposant
#define VK_LINE_BASE 11000
#include "units/vklocation.h"

namespace {

// Standard account kinds.
constexpr int kDotation = 0;        // + account type 0..2
constexpr int kDotationExcept = 3;  // + account type 0..2
constexpr int kDerogatoire = 6;
constexpr int kDotationDerog = 7;
constexpr int kRepriseDerog = 8;
constexpr int kDotationDeprec = 9;  // + account type 0..3
constexpr int kRepriseDeprec = 13;  // + account type 0..3
constexpr int kTvaAReverser = 17;
constexpr int kValeurNetteCedee = 18;  // + account type 0..3
constexpr int kEquilibreMAN = 22;

const char* const kSuffixeCession = " cédées";

bool Significatif(const CCurrency& amount) {
    return !amount.IsNull() && amount != CCurrency(0);
}

bool Positif(const CCurrency& amount) {
    return !amount.IsNull() && amount > CCurrency(0);
}

// Inserts a copy of the line on one of the component's accounts (at most 13 characters kept).
// Entry lines are in cents; the generators that balance a group of lines round each amount
// before they compute the balancing one, so that this rounding changes nothing for them.
void Insere(cVK_ListEcr* list, cEcrLigne line, const UnicodeString& account, bool debit,
            const CCurrency& amount, const UnicodeString& label) {
    line.SetCompte(account, 13);
    line.Debit = debit;
    line.Montant = VK_ArrondiCentime(amount);
    line.SetLibelle(label);
    list->insert(line);
}

// Inserts a copy of the line on the standard account of a kind.
void InsereStandard(cVK_ListEcr* list, cEcrLigne line, int kind, bool debit, const CCurrency& amount,
                    const UnicodeString& label) {
    COMPTESGetCompteC(line.Compte, static_cast<int>(sizeof line.Compte), kPlanComptableGeneral, kind);
    line.Debit = debit;
    line.Montant = VK_ArrondiCentime(amount);
    line.SetLibelle(label);
    list->insert(line);
}

UnicodeString Libelle(const char* text, const cEcrLigne* model) {
    return model ? UnicodeString(text) + kSuffixeCession : UnicodeString(text);
}

// Amounts of a component that the depreciation engine computes on demand and caches: the
// generators are const for their callers and use them through this.
cVK_Composant* Calculs(const cVK_Composant* component) {
    return const_cast<cVK_Composant*>(component);
}

}  // namespace

bool cVK_Composant::EstCedeALaSituation() const {
    return cession_ && !cession_->GetDateSortie().IsNull() &&
           cession_->GetDateSortie() <= pCurDossier->DateSituation;
}

// ---------------------------------------------------------------------------------------------
// Depreciation (piece "2")

namespace {

// The normal share of the year's depreciation of a scrapped component: the charge its previous
// state would have had over the year, prorated to the scrapping date (days for a linear plan,
// started 30-day months for a declining one). The rest of the depreciation is exceptional.
CCurrency PartNormaleMiseAuRebut(cVK_Composant* component, int methodType, const TDateTime& date) {
    const TDateTime yearStart = pCurDossier->DateDebutExercice, yearEnd = pCurDossier->DateFinExercice;
    const TDateTime start = std::max(double(yearStart), double(component->DATEENTREE));
    const double yearLength = std::max(360, DiffDateJours(yearStart, yearEnd, true));
    CCurrency reference(0);
    if (cVK_Composant* previous = component->GetCompoPrec())
        if (cVK_Amortissement* plan = previous->GetAmort(taComptable)) reference = plan->GetDotation(yearEnd);
    if (!Significatif(reference)) return CCurrency(0);
    const double days = DiffDateJours(start, date, true);
    double share = 0;
    if (methodType == 1)
        share = days / yearLength * reference.AsDouble();
    else if (methodType == 2)
        share = std::ceil(days / 30) / std::ceil(yearLength / 30) * reference.AsDouble();
    return CCurrency(Round(share, 2));
}

}  // namespace

void cVK_Composant::GetEcritureDotation(cVK_ListEcr* list, const cEcrLigne* model) const {
    try {
        const bool disposed = EstCedeALaSituation();
        if (!model && disposed) return;  // its year's charge belongs to its disposal entry
        const int type = GetTypeCompte();
        if (type == 3) return;
        cVK_Amortissement* plan = GetAmort(taComptable);
        if (!plan) return;
        cEcrLigne line;
        InitEcrLigne(line, L'2', model, nullptr);
        const int methodType = plan->GetTypeMethode();
        const bool rebut = cession_ && cession_->GetMotifSortie() == vmMiseAuRebut;
        CCurrency amount = plan->GetDotation(line.DateEcr);
        // A scrapped component is written down to nothing.
        if (methodType != 0 && rebut) amount += plan->GetVNC(line.DateEcr);
        amount = VK_ArrondiCentime(amount);
        if (!Significatif(amount)) return;
        const bool scrapping = disposed && rebut && (methodType == 1 || methodType == 2);
        if (!scrapping) {
            Insere(list, line, GetNumCompte(0), false, amount, Libelle("Dot. aux amort.", model));
            InsereStandard(list, line, kDotation + type, true, amount, Libelle("Dot. aux amort.", model));
            return;
        }
        Insere(list, line, GetNumCompte(0), false, amount, "Dot. aux amort. Mise au rebut");
        const CCurrency normal = PartNormaleMiseAuRebut(Calculs(this), methodType, line.DateEcr);
        // The exceptional share is what the normal one (in cents) leaves of the credited amount,
        // so that the entry balances to the cent.
        const CCurrency exceptional = amount - normal;
        if (Significatif(normal))
            InsereStandard(list, line, kDotation + type, true, normal, "Dot. aux amort.");
        if (Significatif(exceptional))
            InsereStandard(list, line, kDotationExcept + type, true, exceptional,
                           Libelle("Dot. aux amort. except.", model));
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

// ---------------------------------------------------------------------------------------------
// Derogatory depreciation (piece "4") and impairments (piece "5")

void cVK_Composant::GetEcritureDerogatoire(cVK_ListEcr* list, const cEcrLigne* model) const {
    try {
        if (!model && EstCedeALaSituation()) return;
        cEcrLigne line;
        InitEcrLigne(line, L'4', model, nullptr);
        CCurrency allocation, reversal;
        Calculs(this)->GetAmortDerogEx(line.DateEcr, &allocation, &reversal, nullptr, nullptr);
        if (Positif(allocation)) {
            const UnicodeString label = Libelle("Dot. aux amort. dérog.", model);
            InsereStandard(list, line, kDotationDerog, true, allocation, label);
            InsereStandard(list, line, kDerogatoire, false, allocation, label);
        }
        if (Positif(reversal)) {
            const UnicodeString label = Libelle("Rep. amort. dérogatoires", model);
            InsereStandard(list, line, kRepriseDerog, false, reversal, label);
            InsereStandard(list, line, kDerogatoire, true, reversal, label);
        }
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

void cVK_Composant::GetEcritureDepreciation(cVK_ListEcr* list, const cEcrLigne* model) const {
    try {
        const bool disposed = EstCedeALaSituation();
        if (!model && disposed) return;
        cVK_Amortissement* plan = GetAmort(taComptable);
        if (!plan) return;
        cEcrLigne line;
        InitEcrLigne(line, L'5', model, nullptr);
        const int type = GetTypeCompte();
        const TDateTime date = line.DateEcr;
        const CCurrency reversal = disposed ? plan->GetCumulDeprecNonDedOuv(1) + plan->GetCumulDeprecDedOuv(1)
                                            : plan->GetDeprecNonDed(date, 1) + plan->GetDeprecDed(date, 1);
        if (Positif(reversal)) {
            const UnicodeString label = Libelle("Rep. dépréciations", model);
            InsereStandard(list, line, kRepriseDeprec + type, false, reversal, label);
            Insere(list, line, GetNumCompte(1), true, reversal, label);
        }
        if (disposed) return;
        const CCurrency allocation = plan->GetDeprecNonDed(date, 0) + plan->GetDeprecDed(date, 0);
        if (Positif(allocation)) {
            const UnicodeString label = Libelle("Dot. dépréciations", model);
            InsereStandard(list, line, kDotationDeprec + type, true, allocation, label);
            Insere(list, line, GetNumCompte(1), false, allocation, label);
        }
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

// ---------------------------------------------------------------------------------------------
// Disposal (piece "3-<exit>" or "7-CP<reference>")

namespace {

// The exit the component's asset belongs to: the object when the asset was loaded with its exit,
// else its identifier and designation read from the database (0 when it belongs to none).
struct SortieDuComposant {
    const cVK_Sortie* objet = nullptr;
    unsigned id = 0;
    UnicodeString designation;
};

SortieDuComposant LitSortie(const cVK_Composant& component) {
    SortieDuComposant exit;
    const cVK_Bien* asset = component.GetBien();
    if (asset && asset->GetSortie()) {
        exit.objet = asset->GetSortie();
        exit.id = exit.objet->ID;
        exit.designation = exit.objet->Designation;
        return exit;
    }
    const UnicodeString where =
        asset ? "B.ID_BIEN=" + VK_Format_ID(asset->ID) : "B.ID_BIEN=" + VK_Format_ID(component.ID_BIEN);
    if ((asset ? asset->ID : component.ID_BIEN) == 0) return exit;
    auto query =
        VK_InitDataset(VK_LOC(),
                       "SELECT S.ID_SORTIE,S.DESIGNATION FROM " + GetNomTable("VKB", false) + " B JOIN " +
                           GetNomTable("VKS", false) + " S ON S.ID_SORTIE=B.ID_SORTIE WHERE " + where,
                       true, "");
    if (!query) return exit;
    query->Open();
    if (query->Eof()) return exit;
    exit.id = static_cast<unsigned>(query->Fields(0)->AsInt64());
    exit.designation = query->Fields(1)->AsString();
    return exit;
}

}  // namespace

unsigned cVK_Composant::GetIdSortie() const {
    try {
        return LitSortie(*this).id;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return 0;
    }
}

void cVK_Composant::GetEcritureSortie(cVK_ListEcr* list) const {
    if (!cession_ || !vkchamps::EstDossier(base_)) return;
    try {
        const SortieDuComposant exit = LitSortie(*this);
        cEcrLigne line;
        if (exit.objet)
            InitEcrLigne(line, L'3', nullptr, exit.objet);
        else if (exit.id != 0)
            cVK_Sortie::InitEcrSortie(nullptr, exit.id, line);
        else
            InitEcrLigne(line, L'3', nullptr, this);
        // The year's charges up to the disposal go into its entry.
        GetEcritureDotation(list, &line);
        GetEcritureDepreciation(list, &line);
        GetEcritureDerogatoire(list, &line);

        const UnicodeString label = "Cession " + (exit.id != 0 ? exit.designation : Designation);
        // Each amount in cents, and the net book value their balance, so that the entry balances.
        CCurrency balance(0);
        const CCurrency gross = VK_ArrondiCentime(GetPrixHT());
        if (Significatif(gross)) Insere(list, line, NUMCOMPTE, false, gross, label);
        balance += gross;

        cVK_Amortissement* plan = GetAmort(taComptable);
        CCurrency depreciation(0);
        if (plan) {
            depreciation = plan->GetCumulAmort(line.DateEcr);
            if (plan->GetTypeMethode() != 0 && cession_->GetMotifSortie() == vmMiseAuRebut)
                depreciation += plan->GetVNC(line.DateEcr);
            depreciation = VK_ArrondiCentime(depreciation);
        }
        if (Significatif(depreciation)) Insere(list, line, GetNumCompte(0), true, depreciation, label);
        balance -= depreciation;

        if (cession_->TVA_DOIT_ETRE_REVERSEE) {
            const CCurrency vat = VK_ArrondiCentime(cession_->GetTvaAReverser());
            if (Significatif(vat)) InsereStandard(list, line, kTvaAReverser, false, vat, label);
            balance += vat;
        }
        if (Significatif(balance))
            InsereStandard(list, line, kValeurNetteCedee + GetTypeCompte(), true, balance, label);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

void cVK_Composant::AnnuleEcritureSortie() const {
    if (!cession_ || cession_->DATE_ECR.IsNull()) return;
    try {
        cEcrLigne line;
        InitEcrLigne(line, L'3', nullptr, this);
        AssEcrAnnule(line.Journal, line.DateEcrPrec, OrigineEcr(line), PieceEcr(line));
        cession_->SetDateSortieQuandEcr(TDateTime());
        if (cession_->ID != 0)
            VK_ExecSQL(VK_LOC(),
                       "UPDATE " + GetNomTable("VKO", false) +
                           " SET DATE_ECR = NULL WHERE ID_CESSION=" + VK_Format_ID(cession_->ID),
                       "");
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

// ---------------------------------------------------------------------------------------------
// Transfer from account to account (piece "1")

void cVK_Composant::GetEcritureVirement(cVK_ListEcr* list) const {
    try {
        if (!(DATEENTREE < pCurDossier->DateSituation)) return;
        cVK_Composant* previous = Calculs(this)->GetCompoPrec();
        if (!previous || previous->NUMCOMPTE == NUMCOMPTE) return;
        cEcrLigne line;
        InitEcrLigne(line, L'1', nullptr, nullptr);
        const UnicodeString label = "Virement de poste à poste";
        const CCurrency gross = GetPrixHT();
        if (Significatif(gross)) {
            Insere(list, line, previous->NUMCOMPTE, false, gross, label);
            Insere(list, line, NUMCOMPTE, true, gross, label);
        }
        cVK_Amortissement* plan = GetAmort(taComptable);
        if (!plan) return;
        const CCurrency depreciation = plan->GetCumulAmortOuv(1);
        if (Significatif(depreciation)) {
            Insere(list, line, previous->GetNumCompte(0), true, depreciation, label);
            Insere(list, line, GetNumCompte(0), false, depreciation, label);
        }
        const CCurrency impairment = plan->GetCumulDeprecNonDedOuv(1) + plan->GetCumulDeprecDedOuv(1);
        if (Significatif(impairment)) {
            Insere(list, line, previous->GetNumCompte(1), true, impairment, label);
            Insere(list, line, GetNumCompte(1), false, impairment, label);
        }
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

// ---------------------------------------------------------------------------------------------
// Standards conformity (piece "6")

void cVK_Composant::GetIncidenceMiseAuxNormes(IncidenceMAN& result) const {
    result = IncidenceMAN();
    try {
        cVK_Composant* self = Calculs(this);
        cVK_Composant* previous = self->GetCompoPrec();
        cVK_Amortissement* plan = GetAmort(taComptable);
        cVK_Amortissement* previousPlan = previous ? previous->GetAmort(taComptable) : nullptr;
        const bool none = MAN_MOTIF == 5;  // every current value is zero
        auto current = [&](auto get) { return none ? CCurrency(0) : get(); };
        const CCurrency zero(0);
        result.EcartBrut = current([&] { return GetPrixHT(); }) - (previous ? previous->GetPrixHT() : zero);
        result.EcartAmort = (previousPlan ? previousPlan->GetCumulAmortOuv(1) : zero) -
                            current([&] { return plan ? plan->GetCumulAmortOuv(1) : zero; });
        result.EcartDeprecDed = (previousPlan ? previousPlan->GetCumulDeprecDedOuv(1) : zero) -
                                current([&] { return plan ? plan->GetCumulDeprecDedOuv(1) : zero; });
        result.EcartDeprecNonDed = (previousPlan ? previousPlan->GetCumulDeprecNonDedOuv(1) : zero) -
                                   current([&] { return plan ? plan->GetCumulDeprecNonDedOuv(1) : zero; });
        const bool credit = !MAN_CPTACRED.empty();
        if (MAN_MOTIF == 2 && credit) result.MontantCredite = -MAN_MONTACRED;
        if (MAN_MOTIF == 1 && credit) result.NetCredite = MAN_AMORTDEJAPRAT - MAN_MONTAIMMO;
        result.EcartDerog = current([&] { return self->GetAmortDerogOuv(1); }) -
                            (previous ? previous->GetAmortDerogOuv(1) : zero);
        result.Total = CCurrency();
        result.Total +=
            result.EcartBrut + result.EcartAmort + result.EcartDeprecDed + result.EcartDeprecNonDed;
        result.Total -= result.EcartDerog;
        if (!result.MontantCredite.IsNull()) result.Total += result.MontantCredite;
        if (!result.NetCredite.IsNull()) result.Total += result.NetCredite;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

// Each amount is posted by its sign (debit positive); the balancing account takes the opposite of
// their sum, so that the entry always balances (for the amounts the user normally enters, this is
// the effect's total).
void cVK_Composant::GetEcritureMiseAuxNormes(cVK_ListEcr* list) const {
    try {
        IncidenceMAN effect;
        GetIncidenceMiseAuxNormes(effect);
        cEcrLigne line;
        InitEcrLigne(line, L'6', nullptr, nullptr);
        const UnicodeString label = "Mise aux normes";
        CCurrency sum(0);
        auto post = [&](const CCurrency& exact, auto insert) {
            const CCurrency signedAmount = VK_ArrondiCentime(exact);
            if (!Significatif(signedAmount)) return;
            const bool debit = signedAmount > CCurrency(0);
            insert(debit, debit ? signedAmount : -signedAmount);
            sum += signedAmount;
        };
        auto own = [&](const UnicodeString& account) {
            return [&, account](bool debit, const CCurrency& amount) {
                Insere(list, line, account, debit, amount, label);
            };
        };
        auto standard = [&](int kind) {
            return [&, kind](bool debit, const CCurrency& amount) {
                InsereStandard(list, line, kind, debit, amount, label);
            };
        };
        post(effect.EcartBrut, own(NUMCOMPTE));
        post(effect.EcartAmort, own(GetNumCompte(0)));
        post(effect.EcartDeprecDed + effect.EcartDeprecNonDed, own(GetNumCompte(1)));
        post(-effect.EcartDerog, standard(kDerogatoire));
        post(effect.MontantCredite, own(MAN_CPTACRED));
        post(effect.NetCredite, own(MAN_CPTACRED));
        post(-sum, standard(kEquilibreMAN));
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}
