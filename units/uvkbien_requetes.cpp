// The asset list queries of the host that the entries rely on.
#include "units/uvkrequetes.h"

#include "platform/dossier.h"
#include "units/uvkdivers.h"

namespace {

// The row of an asset version that is the latest of its chain.
UnicodeString DerniereVersion(const UnicodeString& alias) {
    return alias + ".ID_BIEN=(SELECT MAX(V.ID_BIEN) FROM " + GetNomTable("VKB", false) +
           " V WHERE V.REF_CALC=" + alias + ".REF_CALC)";
}

}  // namespace

UnicodeString GetRequete_ListeBiensAction(int action) {
    UnicodeString where = DerniereVersion("B");
    switch (action) {
        case 21:
            where += " AND EXISTS(SELECT 1 FROM " + GetNomTable("VKC", false) +
                     " S WHERE S.ID_BIEN=B.ID_BIEN AND S.ISSTRUCTURE=1 AND S.DATEENTREE<=" +
                     VK_FormatDate(pCurDossier->DateSituation, false, true) + ")";
            break;
        case 6:
            where += " AND (B.MODIFICATION=1 OR B.CESSION=1) AND B.ID_SORTIE IS NULL";
            break;
        case 4:
            where += " AND B.MISE_AUX_NORMES=1";
            break;
        default:
            break;
    }
    return "SELECT B.ID_BIEN FROM " + GetNomTable("VKB", false) + " B WHERE " + where +
           " ORDER BY B.REF_CALC";
}
