// The realised gain or loss of a disposed component and its split for tax: the short-term part
// (the depreciation taken back, or the whole result of an asset held less than two years), the
// long-term part and, under corporate tax, the part excluded from the long-term regime. The values
// the user entered are read back against the computed ones, never beyond them.
#include "platform/dossier.h"
#include "units/uvkbien.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"

#define VK_UNIT vk::kUnitComposant
#define VK_LINE_BASE 9000
#include "units/vklocation.h"
// After the location macros, which it uses.
#include "units/uvkcession_interne.h"

using vkcession::Protege;

namespace {

const CCurrency kZero(0);

CCurrency Max0(const CCurrency& value) {
    return value > kZero ? value : kZero;
}
CCurrency Min(const CCurrency& a, const CCurrency& b) {
    return b < a ? b : a;
}
CCurrency Max(const CCurrency& a, const CCurrency& b) {
    return b > a ? b : a;
}
CCurrency Abs(const CCurrency& value) {
    return value < kZero ? -value : value;
}

// The figures every split starts from: the realised result PV (empty when the disposal precedes
// the entry), the gross value B, the depreciation A and the price P.
struct Realisation {
    CCurrency pv, brute, amort, prix;

    bool Vide() const { return pv.IsNull(); }
    bool Perte() const { return !pv.IsNull() && pv < kZero; }
    bool Gain() const { return !pv.IsNull() && pv > kZero; }
    bool Amorti() const { return !amort.IsNull() && amort != kZero; }
};

Realisation Realise(const cVK_Cession& cession) {
    Realisation r;
    r.prix = cession.GetPrixCession();
    r.pv = cession.PvMvRealisee(&r.brute, &r.amort);
    return r;
}

bool RegimeIS() {
    return pCurDossier->RegimeFiscal == 2;
}

}  // namespace

CCurrency cVK_Cession::PvMvRealisee(CCurrency* valeurBrute, CCurrency* amortissements) const {
    return Protege(VK_LOC(), CCurrency(), [&] {
        if (!composant_ || composant_->DATEENTREE > DATE_SORTIE) {
            if (valeurBrute) valeurBrute->SetNull();
            if (amortissements) amortissements->SetNull();
            return CCurrency();
        }
        return GetPrixCession() - GetValeurComptableActifsCedes(valeurBrute, amortissements);
    });
}

// A loss is wholly short-term; a gain is short-term up to the depreciation it takes back. An asset
// held less than two years gives a wholly short-term result; one held longer without depreciation
// gives none.
CCurrency cVK_Cession::PvMvCourtTerme(bool avecSaisies) const {
    return Protege(VK_LOC(), CCurrency(), [&] {
        const Realisation r = Realise(*this);
        if (r.Vide()) return CCurrency();
        CCurrency entered;
        if (avecSaisies) entered = r.Perte() ? GetMVCT_Sais() : GetPVCT_Sais();
        if (!entered.IsNull()) return entered;
        if (r.Gain() && GetEstCessionBrevetIS()) return CCurrency();
        if (GetEstDetenueDepuisMoinsDe2Ans()) return r.pv;
        if (!r.Amorti()) return CCurrency();
        return r.Perte() ? r.pv : r.pv - Max0(r.prix - r.brute);
    });
}

// Outside corporate tax (and for a patent's gain) the long-term part is what the short-term part
// leaves. Under corporate tax it is only the part of the computed excluded amount that an entered
// excluded amount leaves in the long-term regime. A result of 0 is no result.
CCurrency cVK_Cession::PvMvLongTerme(bool avecSaisies) const {
    return Protege(VK_LOC(), CCurrency(), [&] {
        const Realisation r = Realise(*this);
        if (r.Vide()) return CCurrency();
        const CCurrency excluded = r.Perte() ? GetMVLTExclues_Sais() : GetPVLTExclues_Sais();
        CCurrency longTerm;
        if (!RegimeIS() || (r.Gain() && GetEstCessionBrevetIS()))
            longTerm = r.pv - PvMvCourtTerme(avecSaisies);
        else if (!excluded.IsNull())
            longTerm = PvMvCTExclueLongTerme(false, nullptr) - excluded;
        return longTerm == kZero ? CCurrency() : longTerm;
    });
}

// Under corporate tax (from 1997) the result of an asset held two years or more is excluded from
// the long-term regime: the whole loss of an asset without depreciation, the gain above the gross
// value. A patent's gain is not concerned.
CCurrency cVK_Cession::PvMvCTExclueLongTerme(bool avecSaisies, bool* estApplicable) const {
    bool applicable = false;
    const CCurrency result = Protege(VK_LOC(), CCurrency(), [&] {
        if (!RegimeIS() || pCurDossier->DateDebutExercice < EncodeDate(1997, 1, 1)) return CCurrency();
        applicable = true;
        const Realisation r = Realise(*this);
        if (r.Vide()) return CCurrency();
        if (r.Gain() && GetEstCessionBrevetIS()) {
            applicable = false;
            return CCurrency();
        }
        if (avecSaisies) {
            const CCurrency entered = r.Perte() ? GetMVLTExclues_Sais() : GetPVLTExclues_Sais();
            if (!entered.IsNull()) return entered;
        }
        const CCurrency shortTerm = r.Perte() ? GetMVCT_Sais() : GetPVCT_Sais();
        if (!shortTerm.IsNull()) return r.pv - shortTerm;
        if (GetEstDetenueDepuisMoinsDe2Ans()) return CCurrency();
        if (r.Perte()) return r.Amorti() ? CCurrency() : r.pv;
        return r.prix > r.brute ? r.prix - r.brute : CCurrency();
    });
    if (estApplicable) *estApplicable = applicable;
    return result;
}

// ---------------------------------------------------------------------------------------------
// Entered values, limited by the computed ones (D19: the stored fields keep what was entered)

// A short-term gain is at most the realised gain. Without one entered, the buy-back of a leased
// asset (entry type 2) whose asset has a floor takes the floor, or the whole gain below it.
CCurrency cVK_Cession::GetPVCT_Sais() const {
    return Protege(VK_LOC(), CCurrency(), [&] {
        const CCurrency pv = PvMvRealisee(nullptr, nullptr);
        const bool gain = !pv.IsNull() && pv >= kZero;
        if (!PVCT_SAIS.IsNull()) return gain ? Min(PVCT_SAIS, pv) : CCurrency();
        const cVK_Bien* asset = composant_ ? composant_->GetBien() : nullptr;
        if (!gain || !asset || composant_->TYPEENTREE != 2 || asset->PLANCHER_CALC_PV.IsNull())
            return CCurrency();
        if (pv > asset->PLANCHER_CALC_PV) return asset->PLANCHER_CALC_PV;
        return pv - PvMvCourtTerme(false) >= kZero ? pv : CCurrency();
    });
}

// A short-term loss is at most the realised loss.
CCurrency cVK_Cession::GetMVCT_Sais() const {
    return Protege(VK_LOC(), CCurrency(), [&] {
        if (MVCT_SAIS.IsNull()) return CCurrency();
        const CCurrency pv = PvMvRealisee(nullptr, nullptr);
        return !pv.IsNull() && pv < kZero ? Max(MVCT_SAIS, pv) : CCurrency();
    });
}

namespace {

// An entered excluded amount is at most the computed one, and needs one.
CCurrency LimiteExclue(const CCurrency& entered, const CCurrency& computed) {
    if (computed.IsNull()) return CCurrency();
    return Min(entered, Abs(computed));
}

}  // namespace

CCurrency cVK_Cession::GetPVLTExclues_Sais() const {
    return Protege(VK_LOC(), CCurrency(), [&] {
        if (PVLT_EXCLUES_SAIS.IsNull()) return CCurrency();
        const CCurrency pv = PvMvRealisee(nullptr, nullptr);
        if (pv.IsNull() || pv < kZero) return CCurrency();
        return LimiteExclue(PVLT_EXCLUES_SAIS, PvMvCTExclueLongTerme(false, nullptr));
    });
}

CCurrency cVK_Cession::GetMVLTExclues_Sais() const {
    return Protege(VK_LOC(), CCurrency(), [&] {
        if (MVLT_EXCLUES_SAIS.IsNull()) return CCurrency();
        const CCurrency pv = PvMvRealisee(nullptr, nullptr);
        if (pv.IsNull() || pv >= kZero) return CCurrency();
        return LimiteExclue(MVLT_EXCLUES_SAIS, PvMvCTExclueLongTerme(false, nullptr));
    });
}

bool cVK_Cession::GetPvMv(CCurrency* pvMv, CCurrency* courtTerme, CCurrency* ctExclueLt, CCurrency* longTerme,
                          bool avecSaisies, bool valeurAbsolue, bool* estApplicable) const {
    return Protege(VK_LOC(), false, [&] {
        const CCurrency pv = PvMvRealisee(nullptr, nullptr);
        if (pvMv) *pvMv = pv;
        if (courtTerme) *courtTerme = PvMvCourtTerme(avecSaisies);
        if (ctExclueLt || estApplicable) {
            const CCurrency excluded = PvMvCTExclueLongTerme(avecSaisies, estApplicable);
            if (ctExclueLt) *ctExclueLt = excluded;
        }
        if (longTerme) *longTerme = PvMvLongTerme(avecSaisies);
        if (valeurAbsolue)
            for (CCurrency* output : {pvMv, courtTerme, ctExclueLt, longTerme})
                if (output && !output->IsNull()) *output = Abs(*output);
        return !pv.IsNull() && pv > kZero;
    });
}
