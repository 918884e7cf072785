// Reading the year's figures of every component, as the year's run reads the register: the latest
// version of each asset chain, its rows read ahead in batches.
#include "units/uvketat_faits.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include <fmt/format.h>

#include "platform/barre.h"
#include "platform/dossier.h"
#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvklistes.h"
#include "units/uvkprechargement.h"
#include "units/uvkrequetes.h"

#define VK_UNIT vk::kUnitDivers
#define VK_LINE_BASE 9000
#include "units/vklocation.h"

namespace vketat {

namespace {

constexpr size_t kLot = 500;

std::vector<unsigned> DernieresVersions() {
    std::vector<unsigned> ids;
    auto query = VK_InitDataset(VK_LOC(), GetRequete_ListeBiensAction(0), true, "");
    if (!query) throw std::runtime_error("La liste des biens n'a pas pu être lue");
    for (query->Open(); !query->Eof(); query->Next())
        ids.push_back(static_cast<unsigned>(query->Fields(0)->AsInt64()));
    return ids;
}

bool Dans(const TDateTime& date, const TDateTime& debut, const TDateTime& fin) {
    return !date.IsNull() && !(date < debut) && !(fin < date);
}

// Opening accumulated depreciation: the stored opening of the current year, else the cumul at the
// eve of the year.
CCurrency AmortOuverture(cVK_Amortissement& plan, const Periode& periode) {
    if (periode.exercice == 0) return Z(plan.GetCumulAmortOuv(1));
    return Z(plan.GetCumulAmort(periode.debut - 1));
}

// A closed year's depreciation is the one its closing stored: the schedule's line of that year, its
// opening and its whole year's charge (the plan's figures at a date speak of the current year only).
bool LitComptableExerciceClos(cVK_Amortissement& plan, const Periode& periode, FaitsComposant& f) {
    if (periode.exercice >= 0) return false;
    cVK_TabAmort* line = plan.GetLstTabAmort()->GetTabAmort(periode.exercice);
    if (!line) return false;
    f.amortOuverture = f.entreDansLAnnee ? CCurrency(0) : Z(line->GetCumulAmortOuv(1));
    f.dotation = Z(line->GetDotation(TDateTime()));
    f.amortCloture = f.sortiDansLAnnee ? CCurrency(0) : f.amortOuverture + f.dotation;
    return true;
}

void LitComptable(cVK_Composant& c, const Periode& periode, FaitsComposant& f) {
    cVK_Amortissement* plan = c.GetAmort(taComptable);
    if (!plan) return;
    f.methodeComptable = plan->GetDesignationMethode();
    const unsigned short duree = plan->GetDuree();
    f.dureeComptable = duree == 65535 ? 0 : duree;
    f.typeMethodeComptable = plan->GetTypeMethode();
    if (LitComptableExerciceClos(*plan, periode, f)) return;
    f.amortOuverture = f.entreDansLAnnee ? CCurrency(0) : AmortOuverture(*plan, periode);
    if (f.sortiDansLAnnee) {
        const cVK_Cession& cession = *c.GetCession();
        const TDateTime fin = cession.GetDateFinUtilisation().IsNull() ? cession.GetDateSortie()
                                                                       : cession.GetDateFinUtilisation();
        f.dotation = Z(plan->GetDotation(fin));
        // A scrapped component is written down to nothing, as its disposal entry charges it.
        if (f.rebut && f.typeMethodeComptable != 0) f.dotationExceptionnelle = Z(plan->GetVNC(fin));
        f.amortCloture = CCurrency(0);
    } else {
        f.dotation = Z(plan->GetDotation(periode.date));
        f.amortCloture = Z(plan->GetCumulAmort(periode.date));
    }
    if (periode.exercice == 0) {
        const CCurrency ouvertureDep = Z(plan->GetCumulDeprecDedOuv(1)) + Z(plan->GetCumulDeprecNonDedOuv(1));
        if (f.sortiDansLAnnee) {
            f.deprecReprise = ouvertureDep;
        } else {
            f.deprecReprise =
                Z(plan->GetDeprecNonDed(periode.date, 1)) + Z(plan->GetDeprecDed(periode.date, 1));
            f.deprecDotation =
                Z(plan->GetDeprecNonDed(periode.date, 0)) + Z(plan->GetDeprecDed(periode.date, 0));
        }
    }
}

// The derogatory balance of the year just closed, from what its closing stored: the balance the
// next version opens with, against the one the closed version opened with; the year's allocation or
// reversal is the difference (a component that left during the year reverses its whole opening).
bool LitDerogatoireExerciceClos(cVK_Composant& c, const Periode& periode, FaitsComposant& f) {
    if (periode.exercice != -1) return false;
    if (f.sortiDansLAnnee) {
        f.derogOuverture = f.entreDansLAnnee ? CCurrency(0) : Z(c.GetAmortDerogOuv(0));
        f.derogCloture = CCurrency(0);
    } else {
        cVK_Composant* closed = c.GetCompoPrec();
        f.derogCloture = Z(c.GetAmortDerogOuv(0));
        if (f.entreDansLAnnee || !closed)
            f.derogOuverture = CCurrency(0);
        else
            f.derogOuverture =
                closed->DEROG_OUV.IsNull() ? Z(closed->GetAmortDerogOuv(0)) : closed->DEROG_OUV;
    }
    f.derogConcerne = f.derogOuverture != CCurrency(0) || f.derogCloture != CCurrency(0);
    const CCurrency movement = f.derogCloture - f.derogOuverture;
    f.derogDotation = movement > CCurrency(0) ? movement : CCurrency(0);
    f.derogReprise = movement < CCurrency(0) ? CCurrency(0) - movement : CCurrency(0);
    return true;
}

void LitFiscal(cVK_Composant& c, const Periode& periode, FaitsComposant& f) {
    if (cVK_Amortissement* plan = c.GetAmort(taFiscal)) {
        f.methodeFiscale = plan->GetDesignationMethode();
        f.methodeFiscaleCode = plan->GetMethode();
        f.typeMethodeFiscale = plan->GetTypeMethode();
    }
    if (LitDerogatoireExerciceClos(c, periode, f)) return;
    f.derogConcerne = c.GetAmortDerogEstConcerne(periode.date);
    if (!f.derogConcerne) return;
    f.derogOuverture = f.entreDansLAnnee ? CCurrency(0) : Z(c.GetAmortDerogOuv(1));
    CCurrency dotation, reprise, repriseCession, cloture;
    c.GetAmortDerogEx(periode.date, &dotation, &reprise, &repriseCession, &cloture);
    f.derogDotation = Z(dotation);
    f.derogReprise = Z(reprise);
    f.derogCloture = f.sortiDansLAnnee ? CCurrency(0) : Z(cloture);
}

void LitCession(cVK_Composant& c, FaitsComposant& f) {
    const cVK_Cession& cession = *c.GetCession();
    f.motifSortie = cession.GetNomMotifSortie();
    f.prixCession = Z(cession.GetPrixCession());
    CCurrency brut, amort;
    f.valeurResiduelle = Z(cession.GetValeurComptableActifsCedes(&brut, &amort));
    f.valeurOrigine = Z(brut);
    f.amortPratiques = Z(amort);
    f.plusMoinsValue = Z(cession.PvMvRealisee(nullptr, nullptr));
    f.courtTerme = Z(cession.PvMvCourtTerme(true));
    f.longTerme = Z(cession.PvMvLongTerme(true));
    f.detenuMoinsDe2Ans = cession.GetEstDetenueDepuisMoinsDe2Ans();
}

// The component's figures, or false when it is not held during the period.
bool LitComposant(cVK_Bien& bien, cVK_Composant& c, const Periode& periode, FaitsComposant& f) {
    if (c.DATEENTREE.IsNull() || periode.date < c.DATEENTREE) return false;
    const cVK_Cession* cession = c.GetCession();
    const TDateTime sortie = cession ? cession->GetDateSortie() : TDateTime();
    if (!sortie.IsNull() && sortie < periode.debut) return false;  // left in an earlier year
    f.reference = bien.GetReference();
    f.designationBien = bien.Designation;
    f.designation = c.Designation.empty() ? bien.Designation : c.Designation;
    f.compte = c.NUMCOMPTE;
    f.compteAmort = c.GetNumCompte(0);
    f.typeCompte = c.GetTypeCompte();
    f.entree = c.DATEENTREE;
    f.miseEnService = c.DATEMISEENSERV;
    f.entreDansLAnnee = !(c.DATEENTREE < periode.debut);
    f.brut = Z(c.GetPrixHT());
    f.sortiDansLAnnee = Dans(sortie, periode.debut, periode.date);
    if (f.sortiDansLAnnee) {
        f.sortie = sortie;
        f.rebut = cession->GetMotifSortie() == vmMiseAuRebut;
    }
    // A transfer of the year: the modification version of the current year moved the component to
    // another account.
    if (periode.exercice == 0 && bien.Etat == veModification && !f.entreDansLAnnee)
        if (cVK_Composant* precedent = c.GetCompoPrec())
            if (precedent->NUMCOMPTE != c.NUMCOMPTE) f.comptePrecedent = precedent->NUMCOMPTE;
    LitComptable(c, periode, f);
    LitFiscal(c, periode, f);
    if (f.sortiDansLAnnee) LitCession(c, f);
    return true;
}

void LitBien(cVK_Bien& bien, const Periode& periode, std::vector<FaitsComposant>& faits) {
    cVK_ListeComposants* composants = bien.GetListeComposants();
    for (int i = 0; composants && i < composants->Count(); ++i) {
        FaitsComposant f;
        if (LitComposant(bien, *composants->Get(i), periode, f)) faits.push_back(std::move(f));
    }
}

}  // namespace

Periode PeriodeDe(const int* annee, const TDateTime& date) {
    Periode p;
    if (!date.IsNull()) {
        p.exercice = pCurDossier->DonnerExercice(date);
        pCurDossier->DonnerDatesDebEtFin(p.exercice, false, &p.debut, &p.fin);
        p.date = date;
        return p;
    }
    if (annee) {
        const auto& years = pCurDossier->Exercices();
        const auto found = std::find_if(years.begin(), years.end(), [&](const ExerciceFiscal& y) {
            int yy, mm, dd;
            DecodeDate(y.Fin, yy, mm, dd);
            return yy == *annee;
        });
        if (found == years.end())
            throw std::invalid_argument(
                fmt::format("--year : aucun exercice du dossier ne se termine en {}", *annee));
        p.exercice = pCurDossier->DonnerExercice(found->Debut);
        p.debut = found->Debut;
        p.fin = found->Fin;
        p.date = p.fin;
        if (p.exercice == 0 && !pCurDossier->DateSituation.IsNull() && pCurDossier->DateSituation < p.fin)
            p.date = pCurDossier->DateSituation;
        return p;
    }
    p.exercice = 0;
    p.debut = pCurDossier->DateDebutExercice;
    p.fin = pCurDossier->DateFinExercice;
    p.date = pCurDossier->DateSituation.IsNull() ? p.fin : pCurDossier->DateSituation;
    return p;
}

std::vector<FaitsComposant> LireFaits(const Periode& periode) {
    const std::vector<unsigned> ids = DernieresVersions();
    std::vector<FaitsComposant> faits;
    faits.reserve(ids.size());
    cVK_Prechargement readAhead;
    CBarre bar("État");
    bar.SetRange(0, static_cast<int>(ids.size()));
    bar.SetMessage("Lecture des biens");
    for (size_t start = 0; start < ids.size(); start += kLot) {
        const size_t end = std::min(ids.size(), start + kLot);
        readAhead.Charger(std::vector<unsigned>(ids.begin() + start, ids.begin() + end));
        for (size_t i = start; i < end; ++i) {
            cVK_Bien bien(ids[i], "", nullptr, nullptr);
            LitBien(bien, periode, faits);
            bar.StepIt();
        }
    }
    return faits;
}

std::vector<FaitsComposant> LireFaitsBien(const Periode& periode, const std::string& reference) {
    auto query = VK_InitDataset(VK_LOC(),
                                "SELECT FIRST 1 ID_BIEN FROM " + GetNomTable("VKB", false) + " WHERE " +
                                    CastReference("", "") + "=" + VK_FormatAS(reference) +
                                    " ORDER BY ID_BIEN DESCENDING",
                                true, "");
    std::vector<FaitsComposant> faits;
    if (!query) return faits;
    query->Open();
    if (query->Eof()) return faits;
    cVK_Bien bien(static_cast<unsigned>(query->Fields(0)->AsInt64()), "", nullptr, nullptr);
    query->Close();
    LitBien(bien, periode, faits);
    return faits;
}

}  // namespace vketat
