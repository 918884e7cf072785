#include "units/uvkcoefdeg.h"

#include <cmath>

#include "units/uvkdivers.h"

#define VK_UNIT vk::kUnitDivers
#define VK_LINE_BASE 2000
#include "units/vklocation.h"

cVK_ListeCoefDeg ListeCoefDeg;

namespace {

// The coefficient of the duration band: 3-4 years, 5-6 years (72 months included), over 6 years.
CCurrency Bande(const std::array<CCurrency, 3>& record, int months) {
    if (months < 36) return CCurrency(1);
    if (months < 60) return record[0];
    if (months <= 72) return record[1];
    return record[2];
}

}  // namespace

CCurrency cVK_ListeCoefDeg::GetCoef(const TDateTime& date, int durationMonths) {
    if (durationMonths == 65535) return CCurrency(1);
    const long key = static_cast<long>(std::floor(double(date)));
    auto found = coefficients_.find(key);
    if (found != coefficients_.end()) return Bande(found->second, durationMonths);
    try {
        const UnicodeString d = VK_FormatDate(date, false, false);
        TStrings sql;
        sql.Add("SELECT Coef_3_4,Coef_5_6,Coef_6 FROM VKCOEF");
        sql.Add("WHERE (DateDebut IS NULL AND (DateFin>=" + d + ")) OR");
        sql.Add("((DateDebut<=" + d + ")AND (DateFin>=" + d + ")) OR");
        sql.Add("((DateDebut<=" + d + ")AND DateFin IS NULL)");
        auto query = VK_InitDataset(VK_LOC(), sql.Text(), true, "OKT_COMMUN");
        if (!query) return CCurrency();
        query->Open();
        if (query->Eof()) return CCurrency(1);  // no period: no coefficient, asked again next time
        std::array<CCurrency, 3> record;
        for (int i = 0; i < 3; ++i) record[i] = query->Fields(i)->AsCurrency();
        query->Next();
        if (!query->Eof()) return CCurrency(1);  // overlapping periods: not trusted, not kept
        coefficients_[key] = record;
        return Bande(record, durationMonths);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return CCurrency();
    }
}
