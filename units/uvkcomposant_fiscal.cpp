// The tax adjustments of a component: derogatory depreciation (the excess of the tax depreciation
// over the book depreciation), temporary and definitive reintegrations, impairment tests.
//
// A is the accounting plan, F the tax plan; C(D) is the accounting part at a date (cumulated
// depreciation plus deductible impairment), F(D) the tax cumulated depreciation. A component
// without one of the two plans is not concerned.
#include "platform/dossier.h"
#include "units/uvkamortissement.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"

#define VK_UNIT vk::kUnitComposant
#define VK_LINE_BASE 5000
#include "units/vklocation.h"

namespace {

CCurrency Max0(const CCurrency& value) {
    return value > CCurrency(0) ? value : CCurrency(0);
}
// The smaller of two amounts: b when b is strictly less than a.
CCurrency Min(const CCurrency& a, const CCurrency& b) {
    return b < a ? b : a;
}
bool Compte(const CCurrency& amount) {
    return !amount.IsNull() && amount != CCurrency(0);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Derogatory depreciation

CCurrency cVK_Composant::GetAmortDerog_Comptable(const TDateTime& date) {
    cVK_Amortissement* accounting = GetAmort(taComptable);
    if (!accounting) return CCurrency();
    const CCurrency impairment =
        GetCession() ? accounting->GetCumulDeprecDedOuv(1) : accounting->GetCumulDeprecDed(date);
    return accounting->GetCumulAmort(date) + impairment;
}

CCurrency cVK_Composant::GetAmortDerogMaxiOuv() {
    cVK_Amortissement* accounting = GetAmort(taComptable);
    cVK_Amortissement* tax = GetAmort(taFiscal);
    if (!accounting || !tax) return CCurrency();
    return Max0(tax->GetCumulAmortOuv(1) -
                (accounting->GetCumulAmortOuv(1) + accounting->GetCumulDeprecDedOuv(1)));
}

bool cVK_Composant::GetAmortDerogEstConcerne(const TDateTime& date) {
    try {
        cVK_Amortissement* accounting = GetAmort(taComptable);
        cVK_Amortissement* tax = GetAmort(taFiscal);
        if (!accounting || !tax) return false;
        if (Compte(GetAmortDerogOuv(1))) return true;
        if (double(date) == double(pCurDossier->DateDebutExercice)) return false;
        return Max0(tax->GetCumulAmort(date) - GetAmortDerog_Comptable(date)) > CCurrency(0);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

CCurrency cVK_Composant::GetAmortDerogOuv(int withForced) {
    try {
        // The derogatory balance compares the two plans: without one of them it is not concerned,
        // whatever opening was forced or stored.
        if (!GetAmort(taComptable) || !GetAmort(taFiscal)) return CCurrency();
        if (withForced != 0) {
            const CCurrency standards = GetMAN_AmortDerogOuv(1);
            if (!standards.IsNull()) return standards;
            // A forced value never exceeds the computed opening maximum.
            if (!DEROG_OUV_FORC.IsNull()) return Min(DEROG_OUV_FORC, GetAmortDerogMaxiOuv());
        }
        return DEROG_OUV.IsNull() ? GetAmortDerogMaxiOuv() : DEROG_OUV;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return CCurrency();
    }
}

CCurrency cVK_Composant::GetMAN_AmortDerogOuv(int withForced) {
    try {
        if (MAN_MOTIF == 0 || MAN_MOTIF == 5) return CCurrency();
        if (!GetAmort(taComptable) || !GetAmort(taFiscal)) return CCurrency();
        if (withForced != 0 && !DEROG_OUV_FORC_MAN.IsNull())
            return Min(DEROG_OUV_FORC_MAN, GetAmortDerogMaxiOuv());
        return DEROG_OUV_MAN.IsNull() ? GetAmortDerogMaxiOuv() : DEROG_OUV_MAN;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return CCurrency();
    }
}

CCurrency cVK_Composant::GetAmortDerogMaxi(const TDateTime& date) {
    if (!GetAmortDerogEstConcerne(date)) return CCurrency();
    return GetAmort(taFiscal)->GetCumulAmort(date);
}

CCurrency cVK_Composant::GetAmortDerogMini(const TDateTime& date) {
    if (!GetAmortDerogEstConcerne(date)) return CCurrency();
    cVK_Amortissement* tax = GetAmort(taFiscal);
    // Software and increased declining rate: the whole excess is compulsory.
    const VK_MethodeAmort method = tax->GetMethode();
    const CCurrency base = method == maLogiciels || method == maDegressifMajore
                               ? tax->GetCumulAmort(date)
                               : GetAmortDerog_Comptable(date);
    return Min(base, GetAmortDerogMaxi(date));
}

CCurrency cVK_Composant::GetAmortDerogRetenu(const TDateTime& date) {
    try {
        if (!GetAmortDerogEstConcerne(date)) return CCurrency();
        const bool disposed =
            GetCession() && !GetCession()->GetDateSortie().IsNull() && GetCession()->GetDateSortie() <= date;
        const double rate =
            disposed ? 100.0 : pCurDossier->FichierINI()->GetDouble("VK", TOK_DEROG_TAUX, 100.0);
        const CCurrency minimum = GetAmortDerogMini(date);
        const CCurrency maximum = GetAmortDerogMaxi(date);
        return minimum + CCurrency(Round((maximum - minimum).AsDouble() * rate / 100, 2));
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return CCurrency();
    }
}

CCurrency cVK_Composant::GetAmortDerog(const TDateTime& date) {
    if (!GetAmortDerogEstConcerne(date)) return CCurrency();
    return Max0(GetAmortDerogRetenu(date) - GetAmortDerog_Comptable(date));
}

CCurrency cVK_Composant::GetAmortDerogRepriseSurCession(const TDateTime& date) {
    if (!GetCession() || !GetAmortDerogEstConcerne(date)) return CCurrency();
    return Max0(GetAmortDerogRetenu(date) - GetAmortDerog_Comptable(date));
}

CCurrency cVK_Composant::GetAmortDerogEx(const TDateTime& date, CCurrency* dotation, CCurrency* reprise,
                                         CCurrency* repriseCession, CCurrency* cloture) {
    CCurrency result;
    try {
        for (CCurrency* output : {dotation, reprise, repriseCession})
            if (output) output->SetNull();
        if (!GetAmortDerogEstConcerne(date)) return result;
        const CCurrency balance = GetAmortDerog(date);
        const CCurrency opening = GetAmortDerogOuv(1);
        const CCurrency variation = balance - opening;
        if (dotation) *dotation = Max0(variation);
        cVK_Cession* cession = GetCession();
        const bool disposed =
            cession && !cession->GetDateSortie().IsNull() && date >= cession->GetDateSortie();
        CCurrency reversal;
        if (disposed)
            reversal = variation < CCurrency(0) ? Max0(opening) : Max0(balance);
        else
            reversal = variation < CCurrency(0) ? Max0(opening - balance) : CCurrency(0);
        if (reprise) *reprise = reversal;
        CCurrency closing;
        if (disposed) {
            if (repriseCession) *repriseCession = GetAmortDerogRepriseSurCession(cession->GetDateSortie());
            closing = Max0(balance - reversal);
        } else {
            closing = Max0(balance);
        }
        if (cloture) *cloture = closing;
        result = closing - opening;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
    return result;
}

CCurrency cVK_Composant::GetAmortRegulDiffOuv() {
    if (!GetAmortDerogEstConcerne(pCurDossier->DateDebutExercice)) return CCurrency();
    cVK_Amortissement* accounting = GetAmort(taComptable);
    return GetAmort(taFiscal)->GetCumulAmortOuv(1) - GetAmortDerogOuv(1) -
           (accounting->GetCumulAmortOuv(1) + accounting->GetCumulDeprecDedOuv(1));
}

CCurrency cVK_Composant::GetAmortRegulDiff(const TDateTime& date) {
    if (!GetAmortDerogEstConcerne(date)) return CCurrency();
    return GetAmortDerogMaxi(date) - GetAmortDerogRetenu(date);
}

// ---------------------------------------------------------------------------------------------
// Reintegrations

bool cVK_Composant::ExclusVoitureTourisme() const {
    return GetTypeVehicule() == vtVoitureTourisme && (ISSTRUCTURE || POUR_CALC_REINT_AMORT);
}

CCurrency cVK_Composant::GetReintTmpOuv(int withForced) {
    try {
        // The temporary reintegration compares the two plans: without one of them there is nothing
        // to add back nor to deduct, whatever opening was forced or stored.
        if (!GetAmort(taComptable) || !GetAmort(taFiscal)) return CCurrency();
        if (withForced == 1 && !OUV_A_DED_FORC_MAN.IsNull()) return OUV_A_DED_FORC_MAN;
        if ((withForced == 1 || withForced == 2) && !OUV_A_DED_FORCE.IsNull()) return OUV_A_DED_FORCE;
        if (!OUV_A_DED.IsNull()) return OUV_A_DED;
        if (ISAMORT_NON_DEDUC || ExclusVoitureTourisme()) return CCurrency(0);
        return Max0(GetAmort(taComptable)->GetCumulAmortOuv(1) - GetAmort(taFiscal)->GetCumulAmortOuv(1));
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return CCurrency();
    }
}

bool cVK_Composant::GetReintTmpEstConcerne(const TDateTime& date) {
    try {
        // Checked first: every figure that follows a "concerned" answer reads both plans.
        cVK_Amortissement* accounting = GetAmort(taComptable);
        cVK_Amortissement* tax = GetAmort(taFiscal);
        if (!accounting || !tax) return false;
        if (Compte(GetReintTmpOuv(1))) return true;
        if (ISAMORT_NON_DEDUC || ExclusVoitureTourisme()) return false;
        return accounting->GetCumulAmort(date) - tax->GetCumulAmort(date) > CCurrency(0);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

CCurrency cVK_Composant::GetReintTmp(const TDateTime& date) {
    if (!GetReintTmpEstConcerne(date)) return CCurrency();
    if (GetCession()) return CCurrency(0);  // disposed: all that was added back is deducted
    return Max0(GetAmort(taComptable)->GetCumulAmort(date) - GetAmort(taFiscal)->GetCumulAmort(date));
}

CCurrency cVK_Composant::GetReintTmpReintDed(const TDateTime& date, int deduction) {
    if (!GetReintTmpEstConcerne(date)) return CCurrency();
    const CCurrency balance = GetReintTmp(date), opening = GetReintTmpOuv(1);
    return deduction == 0 ? Max0(balance - opening) : Max0(opening - balance);
}

bool cVK_Composant::GetReintDefEstConcerneVehTourisme() const {
    return !ISAMORT_NON_DEDUC && (ISSTRUCTURE || POUR_CALC_REINT_AMORT);
}

CCurrency cVK_Composant::GetDotationReintDef(const TDateTime& date) {
    cVK_Amortissement* accounting = GetAmort(taComptable);
    return GetAmortDerogEx(date, nullptr, nullptr, nullptr, nullptr) +
           (accounting ? accounting->GetDotation(date) : CCurrency());
}

CCurrency cVK_Composant::GetReintDef(const TDateTime& date) {
    try {
        if (!GetReintDefEstConcerne()) return CCurrency();
        const CCurrency allocation = GetDotationReintDef(date);
        if (allocation.IsNull()) return CCurrency();
        // The base of a non-deductible component is 0: the whole allocation is added back. With a
        // price of 0 the share cannot be formed and nothing is returned.
        const CCurrency price = GetPrixHT();
        if (price.IsNull() || price == CCurrency(0)) return CCurrency();
        const double d = allocation.AsDouble();
        return CCurrency(d) - (d * GetReintDefBaseMaxi()) / price.AsDouble();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return CCurrency();
    }
}

// ---------------------------------------------------------------------------------------------
// Impairment tests

bool cVK_Composant::GetEstDeprecieAOuv() {
    cVK_Amortissement* accounting = GetAmort(taComptable);
    if (!accounting) return false;
    return Compte(accounting->GetCumulDeprecDedOuv(1)) || Compte(accounting->GetCumulDeprecNonDedOuv(1));
}

bool cVK_Composant::GetEstDeprecie(TDateTime date, bool withOpening) {
    if (withOpening && GetEstDeprecieAOuv()) return true;
    cVK_Amortissement* accounting = GetAmort(taComptable);
    if (!accounting) return false;
    if (date.IsNull()) date = pCurDossier->DateSituation;
    return Compte(accounting->GetCumulDeprecDed(date)) || Compte(accounting->GetCumulDeprecNonDed(date));
}
