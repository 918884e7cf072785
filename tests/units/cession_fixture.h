// Disposals the way the user makes them, for the disposal and exit suites: a component disposed of
// alone, or assets taken out by an exit (a disposal version of each joins the exit's list and each
// of its components gets its record).
#pragma once

#include <memory>

#include "tests/support/engine_fixture.h"
#include "units/uvkcession.h"
#include "units/uvksortie.h"

namespace vktest {

// Calendar years 2024 to 2026, current 2026, under a tax regime (2: corporate tax).
inline ParametresDossier Regime(int regime, ParametresDossier parameters = CalendarYears(2024, 3, 2026)) {
    parameters.RegimeFiscal = regime;
    return parameters;
}

// Gives the component a new disposal record (stored at once) dated `date`, end of use the same day.
inline cVK_Cession* Dispose(cVK_Composant* component, const TDateTime& date,
                            VK_MotifSortie reason = vmCession, bool vatReversed = false) {
    auto* cession = new cVK_Cession(component, nullptr, 0);
    component->SetCession(cession);
    cession->SetDateSortie(date);
    cession->SetDateFinUtilisation(date);
    cession->SetMotifSortie(reason);
    cession->TVA_DOIT_ETRE_REVERSEE = vatReversed;
    return cession;
}

// Enters the disposal's price and accounting depreciation, without derogatory depreciation.
inline cVK_Cession* Entered(cVK_Cession* cession, int price, int depreciation) {
    cession->PRIX_CESSION_SAIS = CCurrency(price);
    cession->AMORT_CPTA_PRAT_SAIS = CCurrency(depreciation);
    cession->AMORT_DEROG_PRAT_SAIS = CCurrency(0);
    return cession;
}

// A new stored exit, its assets added with TakeOut.
inline std::unique_ptr<cVK_Sortie> NewExit(const TDateTime& date, const CCurrency& price,
                                           VK_MotifSortie reason = vmCession, bool vatReversed = false) {
    auto exit = std::make_unique<cVK_Sortie>(0);
    exit->Designation = "Cession test";
    exit->DATESORTIE = exit->DATE_FIN_UTILISATION = date;
    exit->PRIXHT = price;
    exit->MOTIFSORTIE = reason;
    exit->TVA_DOIT_ETRE_REVERSEE = vatReversed;
    exit->BD_MAJ();
    return exit;
}

// Opens the disposal version of the stored asset `id` (state 5, same references), puts it in the
// exit's list and disposes of each of its components on the exit's terms. Returns the version,
// owned by the exit.
inline cVK_Bien* TakeOut(cVK_Sortie& exit, unsigned id) {
    auto* version = new cVK_Bien(id, "", nullptr, nullptr);
    version->BD_Dupliquer(veCession, false);
    exit.GetListeBiens()->Add(version);
    cVK_ListeComposants* components = version->GetListeComposants();
    for (int i = 0; i < components->Count(); ++i) {
        cVK_Cession* cession =
            Dispose(components->Get(i), exit.DATESORTIE, exit.MOTIFSORTIE, exit.TVA_DOIT_ETRE_REVERSEE);
        cession->SetDateFinUtilisation(exit.DATE_FIN_UTILISATION);
    }
    return version;
}

// Computes every component's share of the exit's price and stores the exit with all it holds.
inline bool Conclude(cVK_Sortie& exit) {
    for (int i = 0; i < exit.GetListeBiens()->Count(); ++i) {
        cVK_ListeComposants* components = exit.GetListeBiens()->Get(i)->GetListeComposants();
        for (int j = 0; j < components->Count(); ++j)
            if (cVK_Cession* cession = components->Get(j)->GetCession()) cession->AffecterPrixCession_Calc();
    }
    return exit.BD_MAJ();
}

// An amount as text for failure messages: "<empty>" for the empty amount.
inline std::string Shown(const CCurrency& amount) {
    return amount.IsNull() ? "<empty>" : amount.ToString();
}

}  // namespace vktest
