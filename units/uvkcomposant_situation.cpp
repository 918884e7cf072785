// A component's units of production and manual charges at a situation date, as the exit totals
// show them: what remained at the opening, the forecast share up to the date and the retained one.
// The manual charges are the tax plan's.
#include "platform/dossier.h"
#include "units/uvkamortissement.h"
#include "units/uvkcomposant.h"
#include "units/uvkdetailsit.h"

#define VK_UNIT vk::kUnitComposant
#define VK_LINE_BASE 10000
#include "units/vklocation.h"
// After the location macros, which it uses.
#include "units/uvkcession_interne.h"

using vkcession::Protege;

namespace {

TDateTime DateOuSituation(const TDateTime& date) {
    return date.IsNull() ? pCurDossier->DateSituation : date;
}

}  // namespace

CCurrency cVK_Composant::GetAmortUOouManu_RestantsSituation(bool uo) const {
    return Protege(VK_LOC(), CCurrency(), [&] {
        if (uo) {
            cVK_Amortissement* accounting = GetAmort(taComptable);
            return uoPrevues_ && accounting ? accounting->GetUO_CumulConsoRestantOuv() : CCurrency();
        }
        cVK_Amortissement* tax = GetAmort(taFiscal);
        return tax && tax->GetLstManuel() ? tax->GetCumulAmortRestantOuv() : CCurrency();
    });
}

CCurrency cVK_Composant::GetAmortUOouManu_PrevusSituation(bool uo, const TDateTime& date) const {
    return Protege(VK_LOC(), CCurrency(), [&] {
        if (uo) return cVK_DetSituation(this, DateOuSituation(date)).GetUO_QuantitePrevue();
        cVK_Amortissement* tax = GetAmort(taFiscal);
        return tax ? cVK_DetSituation(tax, DateOuSituation(date)).GetDotationManuellePrevue() : CCurrency();
    });
}

CCurrency cVK_Composant::GetAmortUOouManu_ReelsSituation(bool uo, const TDateTime& date) const {
    return Protege(VK_LOC(), CCurrency(), [&] {
        if (uo) return cVK_DetSituation(this, DateOuSituation(date)).GetUO_Quantite();
        cVK_Amortissement* tax = GetAmort(taFiscal);
        return tax ? cVK_DetSituation(tax, DateOuSituation(date)).GetDotationManuelle() : CCurrency();
    });
}
