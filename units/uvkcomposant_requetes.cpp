// The component list query of the ledger comparison.
#include <cstddef>

#include "platform/dossier.h"
#include "units/uvkdivers.h"
#include "units/uvkrequetes.h"

namespace {

UnicodeString Remplace(UnicodeString text, const UnicodeString& from, const UnicodeString& to) {
    for (size_t at = text.find(from); at != UnicodeString::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

// Types 0, 1 and 2 compare the opening picture: per asset chain, the latest version that was
// initialised or closed (and, for types 1 and 2, standards-conformity versions too), with the
// components entered before the year (type 0) or by the situation date (types 1, 2).
// Types 3, 4 and 5 compare the year: the components of the latest version of every chain that
// entered by the situation date, except those disposed of before the current fiscal year (their
// disposal was posted in a closed year).
UnicodeString GetRequete_ListeComposantsComparaison(int type) {
    const UnicodeString assets = GetNomTable("VKB", false), components = GetNomTable("VKC", false);
    const UnicodeString situation = VK_FormatDate(pCurDossier->DateSituation, false, true);
    const UnicodeString yearStart = VK_FormatDate(pCurDossier->DateDebutExercice, false, true);
    UnicodeString sql =
        "SELECT C.ID_COMPO FROM " + components + " C JOIN " + assets + " B2 ON B2.ID_BIEN=C.ID_BIEN WHERE ";
    if (type <= 2) {
        UnicodeString condition = "((B2.INITIALISATION=1) OR (B2.CLOTURER=1))";
        if (type >= 1) condition = "(B2.MISE_AUX_NORMES=1) OR " + condition;
        condition = "(" + condition + ")";
        sql += condition + " AND C.DATEENTREE" + (type == 0 ? "<" + yearStart : "<=" + situation) +
               " AND B2.ID_BIEN=(SELECT MAX(B3.ID_BIEN) FROM " + assets +
               " B3 WHERE B3.REF_CALC=B2.REF_CALC AND " + Remplace(condition, "B2.", "B3.") + ")";
    } else {
        sql += "C.DATEENTREE<=" + situation + " AND B2.ID_BIEN=(SELECT MAX(B3.ID_BIEN) FROM " + assets +
               " B3 WHERE B3.REF_CALC=B2.REF_CALC)";
        if (pCurDossier->TableExistFirebird(GetNomTable("VKO", false)))
            sql += " AND NOT EXISTS(SELECT 1 FROM " + GetNomTable("VKO", false) +
                   " O WHERE O.ID_COMPO=C.ID_COMPO AND O.DATE_SORTIE<" + yearStart + ")";
    }
    return sql + " ORDER BY C.REF_CALC";
}
