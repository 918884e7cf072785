// The exit's accounting entry: its lines come from the disposal of each component of its assets;
// the exit keeps the date of the entry made for it.
#include "platform/comptabilite.h"
#include "platform/dossier.h"
#include "units/uvkbien.h"
#include "units/uvkdivers.h"
#include "units/uvkecritures.h"
#include "units/uvklistes.h"
#include "units/uvksortie.h"

#define VK_UNIT vk::kUnitSortie
#define VK_LINE_BASE 10000
#include "units/vklocation.h"

void cVK_Sortie::GetEcritureSortie(cVK_ListEcr* list) const {
    try {
        for (int i = 0; biens_ && i < biens_->Count(); ++i) biens_->Get(i)->GetEcritureSortie(list);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

void cVK_Sortie::InitEcrSortie(const cVK_Sortie* exit, unsigned id, cEcrLigne& line) {
    try {
        line.SetPiece(InitPiece(L'3', exit, id));
        line.SetJournal("ODR");
        if (exit) {
            line.DateEcrPrec = exit->DATE_ECR;
            line.DateEcr = exit->DATESORTIE;
            return;
        }
        line.DateEcrPrec = TDateTime();
        line.DateEcr = TDateTime();
        auto query = VK_InitDataset(VK_LOC(),
                                    "SELECT DATE_ECR, DATESORTIE FROM " + GetNomTable("VKS", false) +
                                        " WHERE ID_SORTIE=" + VK_Format_ID(id),
                                    true, "");
        if (!query) return;
        query->Open();
        if (query->Eof()) return;
        line.DateEcrPrec = query->Fields(0)->AsDateTime();  // a null column gives the null date
        line.DateEcr = query->Fields(1)->AsDateTime();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

void cVK_Sortie::AnnuleEcrSortie(cVK_Sortie* exit, unsigned id) {
    try {
        cEcrLigne line;
        InitEcrSortie(exit, id, line);
        if (!line.DateEcrPrec.IsNull())
            AssEcrAnnule(line.Journal, line.DateEcrPrec, OrigineEcr(line), PieceEcr(line));
        if (exit)
            exit->SetDateSortieQuandEcr(TDateTime());
        else
            VK_ExecSQL(VK_LOC(),
                       "UPDATE " + GetNomTable("VKS", false) +
                           " SET DATE_ECR = NULL WHERE ID_SORTIE=" + VK_Format_ID(id),
                       "");
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}
