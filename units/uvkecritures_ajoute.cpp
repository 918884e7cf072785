// Filling an entry list: which assets and exits each kind of entries visits, with the progress bar.
#include <algorithm>
#include <memory>
#include <vector>

#include <fmt/format.h>

#include "platform/barre.h"
#include "platform/dossier.h"
#include "platform/messages.h"
#include "units/uvkbien.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvkecritures.h"
#include "units/uvklistes.h"
#include "units/uvkprechargement.h"
#include "units/uvkrequetes.h"
#include "units/uvksortie.h"

#define VK_UNIT vk::kUnitDivers
#define VK_LINE_BASE 4000
#include "units/vklocation.h"

namespace {

struct Identifiant {
    unsigned id;
    TDateTime date;  // the exit's date (exit list only)
};

std::vector<Identifiant> LitIdentifiants(unsigned long code, const UnicodeString& sql) {
    std::vector<Identifiant> ids;
    auto query = VK_InitDataset(code, sql, true, "");
    if (!query) return ids;
    for (query->Open(); !query->Eof(); query->Next())
        ids.push_back({static_cast<unsigned>(query->Fields(0)->AsInt64()),
                       query->FieldCount() > 1 ? query->Fields(1)->AsDateTime() : TDateTime()});
    return ids;
}

// Loads each asset of an action in turn, hands it to `generate` and frees it, the bar counting them.
// The assets' rows are read ahead in batches (one statement per table and batch instead of a dozen
// per asset); an object whose rows were not read ahead, or may have changed, reads them itself.
template <typename Generator>
void ParcourtBiens(unsigned long code, int action, CBarre* bar, Generator generate) {
    constexpr size_t kLot = 500;
    const std::vector<Identifiant> ids = LitIdentifiants(code, GetRequete_ListeBiensAction(action));
    bar->SetRange(0, static_cast<int>(ids.size()));
    cVK_Prechargement readAhead;
    for (size_t start = 0; start < ids.size(); start += kLot) {
        const size_t end = std::min(ids.size(), start + kLot);
        std::vector<unsigned> batch;
        for (size_t i = start; i < end; ++i) batch.push_back(ids[i].id);
        readAhead.Charger(batch);
        for (size_t i = start; i < end; ++i) {
            const std::unique_ptr<cVK_Bien> asset(new cVK_Bien(ids[i].id, "", nullptr, nullptr));
            generate(*asset);
            bar->StepIt();
        }
    }
}

// A settings value "dd/mm/yy" followed by the kind of piece in the ninth character names an entry
// made earlier for an exit (journal "ODR"). A value too short or whose date does not exist names
// nothing.
bool IdentiteParametree(const UnicodeString& value, cEcrLigne& line) {
    if (value.size() < 9) return false;
    auto number = [&](size_t at) {
        const char a = value[at], b = value[at + 1];
        if (a < '0' || a > '9' || b < '0' || b > '9') return -1;
        return (a - '0') * 10 + (b - '0');
    };
    const int day = number(0), month = number(3), shortYear = number(6);
    if (day < 0 || month < 0 || shortYear < 0) return false;
    TDateTime date;
    if (!TryEncodeDate(shortYear < 50 ? 2000 + shortYear : 1900 + shortYear, month, day, date)) return false;
    line.Clear();
    line.SetJournal("ODR");
    line.DateEcr = date;
    line.SetPiece(UnicodeString(1, value[8]));
    return true;
}

// Whether a disposal has happened at the case file's situation date. One dated after it has not:
// the asset's charges run to the situation date with the year's charges (kind 4), and posting its
// disposal as well would post the same charges twice.
bool CessionALaSituation(const TDateTime& date) {
    return !date.IsNull() && date <= pCurDossier->DateSituation;
}

// Whether a disposal (of a component or of an exit) is posted with the year's entries: one dated
// before the current fiscal year was posted in its own year, which is closed, and one without a date
// is still being prepared. Neither is posted again: its entry could not be made and would refuse the
// whole list. One dated after the situation date has not happened yet (CessionALaSituation).
bool CessionDeLExercice(const TDateTime& date) {
    return CessionALaSituation(date) && date >= pCurDossier->DateDebutExercice;
}

}  // namespace

// Kinds 0, 1, 3 and 4 show their steps on the bar: a bar made here gets their messages, a bar
// given by the caller (kind 5's) moves to its next message.
void cVK_ListEcr::Ajoute(VK_TypesEcr kind, cVK_Primaire* owner, CBarre* bar) {
    std::unique_ptr<CBarre> own;
    try {
        if (!bar) {
            own = std::make_unique<CBarre>();
            bar = own.get();
        }
        if (bar->Caption().empty()) bar->SetCaption("Calcul des écritures");
        Regrouper = false;
        auto steps = [&](const char* messages) {
            if (own) {
                bar->SetMessages(messages);
                bar->Open();
            } else {
                bar->NextMessage();
            }
        };
        switch (kind) {
            case ecrMiseAuxNormes:
                steps("Calcul des écritures de mise aux normes\n");
                AjouteMiseAuxNormes(bar);
                break;
            case ecrVirements:
                steps("Calcul des écritures de virement\n");
                AjouteVirements(bar);
                break;
            case ecrSortie:
                AjouteSortie(owner);
                break;
            case ecrVirementsSorties:
                steps("Calcul des écritures de virements\nCalcul des écritures de cession\n");
                AjouteVirementsSorties(bar);
                break;
            case ecrDotations:
                steps("Calcul des écritures de dotation\n");
                AjouteDotations(bar);
                break;
            case ecrToutes:
                bar->SetMessages("Calcul des écritures\nMise aux normes\nVirements\nCessions\nDotations\n");
                bar->Open();
                Ajoute(ecrMiseAuxNormes, nullptr, bar);
                Ajoute(ecrVirementsSorties, nullptr, bar);
                Ajoute(ecrDotations, nullptr, bar);
                break;
        }
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

void cVK_ListEcr::AjouteMiseAuxNormes(CBarre* bar) {
    Regrouper = true;
    cEcrLigne line;
    InitEcrLigne(line, L'6', nullptr, nullptr);
    AjouteTypeEcr(line);
    ParcourtBiens(VK_LOC(), vaMiseAuxNormes, bar,
                  [&](const cVK_Bien& asset) { asset.GetEcritureMiseAuxNormes(this); });
}

void cVK_ListEcr::AjouteVirements(CBarre* bar) {
    Regrouper = true;
    cEcrLigne line;
    InitEcrLigne(line, L'1', nullptr, nullptr);
    AjouteTypeEcr(line);
    ParcourtBiens(VK_LOC(), vaModification, bar,
                  [&](const cVK_Bien& asset) { asset.GetEcritureVirement(this); });
}

// The disposal of one exit (with the entries made for it earlier under other identities), or of
// one component. The entry of a component whose asset belongs to an exit is that exit's entry: it
// is built whole, every component of every asset of the exit, so that recording it replaces the
// exit's entry without losing the other components' lines. A disposal dated after the situation
// date has not happened yet and gives no line.
void cVK_ListEcr::AjouteSortie(cVK_Primaire* owner) {
    if (owner && owner->TypePrimaire == 2) {
        AjouteSortieDUneSortie(static_cast<cVK_Sortie*>(owner));
        return;
    }
    const auto* component = owner && owner->TypePrimaire == 1 ? static_cast<cVK_Composant*>(owner) : nullptr;
    if (const unsigned exitId = component && component->GetCession() ? component->GetIdSortie() : 0) {
        const std::unique_ptr<cVK_Sortie> exit(new cVK_Sortie(exitId));
        OKTInformation(
            fmt::format("Le composant {} fait partie de la sortie {} « {} » : l'écriture de "
                        "cession est celle de toute la sortie, avec tous ses composants.",
                        component->GetReference(), exitId, exit->Designation));
        AjouteSortieDUneSortie(exit.get());
        return;
    }
    cEcrLigne line;
    InitEcrLigne(line, L'7', nullptr, owner);
    AjouteTypeEcr(line);
    if (component &&
        CessionALaSituation(component->GetCession() ? component->GetCession()->GetDateSortie() : TDateTime()))
        component->GetEcritureSortie(this);
}

void cVK_ListEcr::AjouteSortieDUneSortie(cVK_Sortie* exit) {
    cEcrLigne line;
    InitEcrLigne(line, L'3', nullptr, exit);
    AjouteTypeEcr(line);
    line.Clear();
    line.SetJournal("INVR");
    line.DateEcr = pCurDossier->DateSituation;
    line.SetPiece("3");
    AjouteTypeEcr(line);
    StaticFichierINI* settings = pCurDossier->FichierINI();
    for (int key = 0; key <= 25 && settings; ++key) {
        const UnicodeString value = settings->GetString("VK", fmt::format("{}", key), "");
        if (!value.empty() && IdentiteParametree(value, line)) AjouteTypeEcr(line);
    }
    if (CessionALaSituation(exit->DATESORTIE)) exit->GetEcritureSortie(this);
}

// The disposals of earlier years and those without a date are left out (CessionDeLExercice): an asset
// wholly disposed of ends its chain with its disposal version, which the query of action 6 keeps
// returning in the years after.
void cVK_ListEcr::AjouteVirementsSorties(CBarre* bar) {
    ParcourtBiens(VK_LOC(), vaModification, bar, [&](const cVK_Bien& asset) {
        asset.GetEcritureVirement(this);
        const cVK_ListeComposants* components = asset.GetListeComposants();
        for (int i = 0; components && i < components->Count(); ++i) {
            const cVK_Composant* component = components->Get(i);
            const cVK_Cession* cession = component->GetCession();
            if (cession && CessionDeLExercice(cession->GetDateSortie())) component->GetEcritureSortie(this);
        }
    });
    bar->NextMessage();
    const std::vector<Identifiant> exits = LitIdentifiants(VK_LOC(), GetRequete_ListeSorties());
    bar->SetRange(0, static_cast<int>(exits.size()));
    for (const Identifiant& id : exits) {
        if (CessionDeLExercice(id.date)) {
            const std::unique_ptr<cVK_Sortie> exit(new cVK_Sortie(id.id));
            exit->GetEcritureSortie(this);
        }
        bar->StepIt();
    }
}

void cVK_ListEcr::AjouteDotations(CBarre* bar) {
    cEcrLigne line;
    for (wchar_t kind : {L'2', L'4', L'5'}) {
        InitEcrLigne(line, kind, nullptr, nullptr);
        AjouteTypeEcr(line);
    }
    Regrouper = true;
    ParcourtBiens(VK_LOC(), vaDotationsExercice, bar, [&](const cVK_Bien& asset) {
        asset.GetEcritureDotation(this);
        asset.GetEcritureDerogatoire(this);
        asset.GetEcritureDepreciation(this);
    });
}
