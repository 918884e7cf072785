// One asset's depreciation tables, accounting and tax, year by year, for printing.
#include <stdexcept>

#include <fmt/format.h>

#include "platform/dossier.h"
#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvketat_internes.h"
#include "units/uvklistes.h"

#define VK_UNIT vk::kUnitDivers
#define VK_LINE_BASE 9500
#include "units/vklocation.h"

namespace vketat {

namespace {

std::unique_ptr<cVK_Bien> BienDeReference(const std::string& reference) {
    auto query = VK_InitDataset(VK_LOC(),
                                "SELECT FIRST 1 ID_BIEN FROM " + GetNomTable("VKB", false) + " WHERE " +
                                    CastReference("", "") + "=" + VK_FormatAS(reference) +
                                    " ORDER BY ID_BIEN DESCENDING",
                                true, "");
    if (!query) return nullptr;
    query->Open();
    if (query->Eof()) return nullptr;
    const auto id = static_cast<unsigned>(query->Fields(0)->AsInt64());
    query->Close();
    return std::make_unique<cVK_Bien>(id, "", nullptr, nullptr);
}

void LignesDuPlan(cVK_Composant& c, cVK_Amortissement& plan, Etat& etat) {
    cVK_LstTabAmort* schedule = plan.GetLstTabAmort();
    schedule->CalculTableau();
    for (const auto& [year, line] : schedule->Lignes()) {
        TDateTime start, end;
        pCurDossier->DonnerDatesDebEtFin(year, false, &start, &end);
        const CCurrency opening = Z(line->GetCumulAmortOuv(1));
        const CCurrency charge = Z(line->GetDotation(TDateTime()));
        const CCurrency base = Z(line->GetBaseAmortissableEx());
        Ligne row;
        row.libelle = c.Designation;
        row.comptes = {c.NUMCOMPTE};
        row.cellules = {Cellule::DeTexte(c.Designation),
                        Cellule::DeTexte(plan.GetDesignTypeAmort()),
                        Cellule::DeTexte(plan.GetDesignationMethode()),
                        Cellule::DeDate(start),
                        Cellule::DeDate(end),
                        Cellule::DeMontant(base),
                        Cellule::DeMontant(opening),
                        Cellule::DeMontant(charge),
                        Cellule::DeMontant(opening + charge),
                        Cellule::DeMontant(Z(line->GetVNCOuv(0)) - charge)};
        etat.lignes.push_back(std::move(row));
    }
}

}  // namespace

Etat EtatTableau(const Periode& periode, const std::string& reference) {
    std::unique_ptr<cVK_Bien> bien = BienDeReference(reference);
    if (!bien)
        throw std::invalid_argument(fmt::format("--asset : aucun bien de référence « {} »", reference));
    Etat etat = Entete("table", "TABLEAU D'AMORTISSEMENT : " + bien->GetReference() + " " + bien->Designation,
                       periode);
    Colonnes(etat, {{"component", "Composant"}, {"plan", "Plan"}, {"method", "Mode"}}, TypeCellule::Texte);
    Colonnes(etat, {{"year_start", "Début d'exercice"}, {"year_end", "Fin d'exercice"}}, TypeCellule::Date);
    Colonnes(etat, {{"base", "Base amortissable"},
                    {"opening_depreciation", "Cumul au début"},
                    {"charge", "Dotation"},
                    {"closing_depreciation", "Cumul à la fin"},
                    {"closing_net", "Valeur nette à la fin"}});
    cVK_ListeComposants* composants = bien->GetListeComposants();
    for (int i = 0; composants && i < composants->Count(); ++i) {
        cVK_Composant& c = *composants->Get(i);
        for (VK_TypeAmort kind : {taComptable, taFiscal})
            if (cVK_Amortissement* plan = c.GetAmort(kind)) LignesDuPlan(c, *plan, etat);
    }
    return etat;
}

}  // namespace vketat
