// One line of a schedule: the year's charge and the opening values of the year.
//
// A computed line caches every amount it computes (null means not computed yet) until ClearCalculs;
// its opening values come from the previous line of the same schedule, so the schedule is a chain
// in which each line opens with the previous opening plus the previous movements. A stored line
// answers what it read from "VKT" and never computes.
#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "platform/dossier.h"
#include "units/uvkamortissement.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"
#include "units/uvkdetailsit.h"
#include "units/uvkdivers.h"
#include "units/uvkuniteoeuvre.h"

#define VK_UNIT vk::kUnitAmortissement
#define VK_LINE_BASE 1000
#include "units/vklocation.h"

namespace {

// The opening slots: the computed-only value (mode 0 on a computed line) and the value in effect,
// the one stored in the column.
constexpr int kCalcule = 0;
constexpr int kPrincipal = 1;
constexpr double kNonDefini = CCurrency::NullDouble;

CCurrency Max0(const CCurrency& value) {
    return value > CCurrency(0) ? value : CCurrency(0);
}

// ceil(a / b) for a day count turned into months or years.
int Plafond(double a, double b) {
    return static_cast<int>(std::ceil(a / b));
}

TDateTime Min(const TDateTime& a, const TDateTime& b) {
    return b < a ? b : a;
}

}  // namespace

void cVK_TabAmort::CreerBase() {
    const UnicodeString table = GetNomTable("VKT", false);
    const UnicodeString sql =
        "CREATE TABLE " + table +
        "(ID_TAB_AMORT AUTOINC NOT NULL,REF_CALC INTEGER NOT NULL,TYPEAMORT SMALLINT NOT NULL,EXERCICE "
        "SMALLINT NOT "
        "NULL,ID_AMORT INTEGER REFERENCES " +
        GetNomTable("VKA", false) +
        " ON DELETE CASCADE,PREMIER_AMORT BOOLEAN,FORCAGE_OUV BOOLEAN,PRIX_ACQUIS DECIMAL(18,4),FRAIS_ACQUIS "
        "DECIMAL(18,4),BASE DECIMAL(18,4),PRORATA VARCHAR(30),LIN BOOLEAN,CONSO DECIMAL(18,4),DOTATION "
        "DECIMAL(18,4),DEPREC_DED DECIMAL(18,4),DEPREC_NONDED DECIMAL(18,4),OUV_CUMUL_CONSO DECIMAL(18,4),"
        "OUV_CUMUL_AMORT DECIMAL(18,4),OUV_CUMUL_DEPREC_DED    DECIMAL(18,4),OUV_CUMUL_DEPREC_NONDED "
        "DECIMAL(18,4),OUV_VNC DECIMAL(18,4),PRIMARY KEY(ID_TAB_AMORT))";
    if (VK_CreateTable(VK_LOC(), "VKT", sql, "")) {
        VK_ExecSQL(VK_LOC(), "CREATE INDEX VKT_REFCALC_TYPEAMORT ON " + table + " (REF_CALC,TYPEAMORT)", "");
        try {
            pCurDossier->CreeAutoIncFirebird(table, "ID_TAB_AMORT", true);
        } catch (const std::exception& e) {
            vk::Display(VK_LOC(), e);
        }
    }
}

cVK_TabAmort::cVK_TabAmort(cVK_LstTabAmort* list, TDataSet* row, short exercice)
    : cVK_Base(0), liste_(list), plan_(list->GetAmortissement()), EXERCICE(exercice) {
    if (!row || row->Eof()) return;
    try {
        stocke_ = true;
        RelitID(row, "ID_TAB_AMORT");
        EXERCICE = static_cast<short>(row->FieldByName("EXERCICE")->AsInteger());
        TField* idAmort = row->FieldByName("ID_AMORT");
        // A line stored under an earlier version's plan is computed with that plan, loaded only if
        // a figure of the line needs it (a stored line mostly gives its stored figures).
        if (!idAmort->IsNull() && static_cast<unsigned>(idAmort->AsInteger()) != plan_->ID)
            planStocke_ = static_cast<unsigned>(idAmort->AsInteger());
        PREMIER_AMORT = row->FieldByName("PREMIER_AMORT")->AsBoolean();
        FORCAGE_OUV = row->FieldByName("FORCAGE_OUV")->AsBoolean();
        PRIX_ACQUIS = row->FieldByName("PRIX_ACQUIS")->AsCurrency();
        FRAIS_ACQUIS = row->FieldByName("FRAIS_ACQUIS")->AsCurrency();
        BASE = row->FieldByName("BASE")->AsCurrency();
        PRORATA = row->FieldByName("PRORATA")->AsString();
        LIN = row->FieldByName("LIN")->AsBoolean();
        CONSO = row->FieldByName("CONSO")->AsCurrency();
        DOTATION = row->FieldByName("DOTATION")->AsCurrency();
        DEPREC_DED = row->FieldByName("DEPREC_DED")->AsCurrency();
        DEPREC_NONDED = row->FieldByName("DEPREC_NONDED")->AsCurrency();
        OUV_CUMUL_CONSO = row->FieldByName("OUV_CUMUL_CONSO")->AsCurrency();
        OUV_CUMUL_AMORT[kPrincipal] = row->FieldByName("OUV_CUMUL_AMORT")->AsCurrency();
        OUV_CUMUL_DEPREC_DED[kPrincipal] = row->FieldByName("OUV_CUMUL_DEPREC_DED")->AsCurrency();
        OUV_CUMUL_DEPREC_NONDED[kPrincipal] = row->FieldByName("OUV_CUMUL_DEPREC_NONDED")->AsCurrency();
        OUV_VNC = row->FieldByName("OUV_VNC")->AsCurrency();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

cVK_Amortissement* cVK_TabAmort::GetAmortissement() const {
    if (planStocke_ != 0) {
        plan_ = liste_->GetAmortBasedOn(planStocke_);
        planStocke_ = 0;
    }
    return plan_;
}

cVK_Composant* cVK_TabAmort::Composant() const {
    return liste_->GetAmortissement()->GetComposant();
}

bool cVK_TabAmort::ModeMAN() const {
    return liste_->GetModeMAN();
}

cVK_TabAmort* cVK_TabAmort::Precedente() {
    return liste_->GetTabAmort(EXERCICE - 1);
}

bool cVK_TabAmort::BD_Inserer() {
    cVK_Composant* component = Composant();
    if (!component) return false;
    const UnicodeString table = GetNomTable("VKT", false);
    const CCurrency dotation = GetDotation(TDateTime());
    const UnicodeString values = fmt::format(
        "{},{},{},{},{},{},{},{},{},{},{},{},{},{},{},{},{},{},{},{}", component->GetRefCalc(),
        VK_FormatInt(liste_->GetAmortissement()->TYPEAMORT), VK_FormatInt(EXERCICE),
        VK_Format_ID(GetAmortissement()->ID), VK_FormatBool(GetPremierAmort(), true),
        VK_FormatBool(GetForcageOuv(), true), component->PrixAcquis.GetSQL(), component->FraisAcquis.GetSQL(),
        GetBaseAmortissableEx().GetSQL(), GetConsoEx().GetSQL(), dotation.GetSQL(), VK_FormatAS(PRORATA),
        VK_FormatBool(LIN, true), GetDeprecDedEx().GetSQL(), GetDeprecNonDedEx().GetSQL(),
        GetCumulConsoOuv().GetSQL(), GetCumulAmortOuv(1).GetSQL(), GetCumulDeprecDedOuv(1).GetSQL(),
        GetCumulDeprecNonDedOuv(1).GetSQL(), GetVNCOuv(0).GetSQL());
    const UnicodeString sql =
        "INSERT INTO " + table +
        "(REF_CALC,TYPEAMORT,EXERCICE,ID_AMORT, "
        "PREMIER_AMORT,FORCAGE_OUV,PRIX_ACQUIS,FRAIS_ACQUIS,BASE,CONSO,"
        "DOTATION,PRORATA,LIN,DEPREC_DED,DEPREC_NONDED,OUV_CUMUL_CONSO,OUV_CUMUL_AMORT,OUV_CUMUL_DEPREC_DED,"
        "OUV_CUMUL_DEPREC_NONDED,OUV_VNC)VALUES (" +
        values + ")";
    return InsereEtRelitID(VK_LOC(), sql, table, "ID_TAB_AMORT", "");
}

// ---------------------------------------------------------------------------------------------
// Flags and prices

bool cVK_TabAmort::GetPremierAmort() {
    if (stocke_ || liste_->HasStocke()) return PREMIER_AMORT;
    const TDateTime start = GetAmortissement()->GetPtDeDepart();
    if (!start.IsNull()) return pCurDossier->DonnerExercice(start, true) >= EXERCICE;
    // Without a starting point the chain begins at the current year (the year before when the
    // opening values are forced); every earlier year is a first year too, so that the chain of
    // opening values always ends.
    return EXERCICE <= (GetAmortissement()->GetForcageOuv(ModeMAN()) ? -1 : 0);
}

bool cVK_TabAmort::GetForcageOuv() {
    if (stocke_) return FORCAGE_OUV;
    return EXERCICE == 0 && GetAmortissement()->GetForcageOuv(ModeMAN());
}

CCurrency cVK_TabAmort::GetPrixAcquis() {
    if (stocke_) return PRIX_ACQUIS;
    if (cVK_Composant* c = Composant()) {
        if (PRIX_ACQUIS.IsNull()) PRIX_ACQUIS = c->PrixAcquis;
        if (PRIX_ACQUIS != c->PrixAcquis) ClearCalculs();
    }
    return PRIX_ACQUIS;
}

CCurrency cVK_TabAmort::GetFraisAcquis() {
    if (stocke_) return FRAIS_ACQUIS;
    if (cVK_Composant* c = Composant()) {
        if (FRAIS_ACQUIS.IsNull()) FRAIS_ACQUIS = c->FraisAcquis;
        if (FRAIS_ACQUIS != c->FraisAcquis) ClearCalculs();
    }
    return FRAIS_ACQUIS;
}

void cVK_TabAmort::ClearCalculs() {
    if (stocke_) return;
    dernier_ = false;
    for (int slot : {kCalcule, kPrincipal}) {
        OUV_CUMUL_AMORT[slot].SetNull();
        OUV_CUMUL_DEPREC_DED[slot].SetNull();
        OUV_CUMUL_DEPREC_NONDED[slot].SetNull();
    }
    OUV_CUMUL_CONSO.SetNull();
    OUV_VNC.SetNull();
    BASE.SetNull();
    DOTATION.SetNull();
    DEPREC_DED.SetNull();
    DEPREC_NONDED.SetNull();
    PRORATA.clear();
    if (cVK_Composant* c = Composant()) {
        PRIX_ACQUIS = c->PrixAcquis;
        FRAIS_ACQUIS = c->FraisAcquis;
    }
}

// ---------------------------------------------------------------------------------------------
// The year's charge

CCurrency cVK_TabAmort::GetBaseAmortissableEx() {
    if (!stocke_ && BASE.IsNull())
        BASE = Max0(GetAmortissement()->GetValAmortissable() - GetCumulAmortOuv(1) - GetCumulDeprecDedOuv(1) -
                    GetCumulDeprecNonDedOuv(1));
    return BASE;
}

CCurrency cVK_TabAmort::GetDotation(const TDateTime& date) {
    if (stocke_) return DOTATION;
    bool wholeYear = date.IsNull() || EXERCICE != 0;
    if (!wholeYear) {
        TDateTime yearEnd;
        pCurDossier->DonnerDatesDebEtFin(0, false, nullptr, &yearEnd);
        wholeYear = date >= yearEnd;
    }
    // The whole year's charge is kept; a charge up to a date inside the year is only returned.
    if (wholeYear && !DOTATION.IsNull()) return DOTATION;
    try {
        return CalculeDotation(wholeYear ? TDateTime() : date, wholeYear);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return CCurrency();
    }
}

// What one computation of the charge decides, written back to the line only for a whole year.
struct cVK_TabAmort::Calcul {
    bool dernier = false;
    bool lin = false;
    UnicodeString prorata;
    int decimales = 0;
    double denominateur = 1;
    double ratio = kNonDefini;
    double x = kNonDefini;
    CCurrency dotation;
};

CCurrency cVK_TabAmort::CalculeDotation(const TDateTime& date, bool keep) {
    Calcul k;
    auto finish = [&](const CCurrency& value, bool keepValue) {
        if (keep) {
            dernier_ = k.dernier;
            LIN = k.lin;
            PRORATA = k.prorata;
            if (keepValue) DOTATION = value;
        }
        return value;
    };

    const CCurrency base = GetBaseAmortissableEx();
    const TDateTime start = GetAmortissement()->GetPtDeDepart();
    const VK_MethodeAmort method = GetAmortissement()->GetMethode();
    const VK_MethodeInfo& info = VK_InfoMethode(method);
    if (method == maNonAmortissable || start.IsNull() || base.IsNull() || base < CCurrency(0)) {
        k.dernier = EXERCICE == 0;
        return finish(CCurrency(), true);
    }

    TDateTime yearStart, yearEnd;
    pCurDossier->DonnerDatesDebEtFin(EXERCICE, false, &yearStart, &yearEnd);
    if (EXERCICE == 0 && !date.IsNull()) yearEnd = date;
    if (start > yearEnd) return finish(CCurrency(), true);

    cVK_Composant* component = Composant();
    cVK_Cession* cession = component ? component->GetCession() : nullptr;
    TDateTime planEnd, periodStart, periodEnd;
    if (method != maUnitesOeuvre) {
        const unsigned short duree = GetAmortissement()->GetDuree();
        if (duree == 0 || duree == VK_DureeAucune) {
            k.dernier = true;
            return finish(base, false);
        }
        const bool rule3 = info.PointDeDepart == 3;
        planEnd = AjouteMois(rule3 ? PremierJourDuMois(start) : start, duree) - 1;
        periodEnd = planEnd;
        if (cession && !cession->GetDateFinUtilisation().IsNull() &&
            cession->GetDateFinUtilisation() <= yearEnd) {
            const TDateTime endOfUse = cession->GetDateFinUtilisation();
            k.dernier = true;
            if (cession->GetMotifSortie() == vmMiseAuRebut)
                return finish(base, false);  // scrapped: all that remains
            periodEnd = info.TypeMethode == 2 ? PremierJourDuMois(endOfUse) - 1 : endOfUse;
        }
        periodEnd = Min(periodEnd, yearEnd);
        periodStart = yearStart <= start && start <= yearEnd ? start : yearStart;
        // Declining by months: a month begun is not counted at the end.
        if (rule3 && double(periodEnd) != double(DernierJourMois(periodEnd)))
            periodEnd = PremierJourDuMois(periodEnd) - 1;
        if (periodEnd < periodStart) {
            k.dernier = true;
            return finish(CCurrency(), false);
        }
    }

    // Units of production and manual amounts: a component whose use ended before this year
    // charges nothing in it.
    if (method == maUnitesOeuvre || info.TypeMethode == 4)
        if (cession && !cession->GetDateFinUtilisation().IsNull() &&
            cession->GetDateFinUtilisation() < yearStart) {
            k.dernier = true;
            return finish(CCurrency(0), true);
        }

    const double rate = GetAmortissement()->GetTaux();
    const double baseValue = base.AsDouble();
    switch (info.TypeMethode) {
        case 1: {  // linear, by days over what remains of the plan
            const int daysLeft = periodStart > planEnd ? 0 : DiffDateJours(periodStart, planEnd, true);
            const int daysYear = DiffDateJours(periodStart, periodEnd, true);
            if (daysLeft == 0) {
                k.x = 0;
            } else {
                k.x = baseValue * daysYear / daysLeft;
                k.ratio = static_cast<double>(daysYear) / daysLeft;
            }
            k.denominateur = daysLeft;
            break;
        }
        case 2: {  // declining, by months
            if (rate == kNonDefini) {
                // No rate (no coefficient for the date): nothing can be charged, and nothing kept.
                vk::Display(
                    VK_LOC(),
                    Exception(fmt::format(
                        "Coefficient dégressif introuvable pour le composant {} : dotation non calculée",
                        component ? component->GetReference() : "")));
                return CCurrency();
            }
            k.denominateur = 12;
            const int months = Plafond(DiffDateJours(periodStart, periodEnd, true), 30);
            k.ratio = months / 12.0;
            k.x = baseValue * rate / 100 * k.ratio;
            if (method == maDegressifMajore) {
                // The months within the first twelve from the start are charged 30 % more.
                const TDateTime w = DernierJourMois(AjouteMois(PremierJourDuMois(start), 11));
                if (w >= periodStart) {
                    const TDateTime a = start > periodStart ? start : periodStart;
                    const TDateTime b = Min(w, periodEnd);
                    const int m1 = Plafond(DiffDateJours(a, b, true), 30);
                    if (m1 != 0) {
                        const int ma = Plafond(DiffDateJours(a, periodEnd, true), 30);
                        k.x = (static_cast<double>(m1) / ma) * k.x * 1.3 + (ma - m1) * k.x / ma;
                    }
                }
            }
            const unsigned short duree = GetAmortissement()->GetDuree();
            if (double(start) != double(periodStart) || duree == VK_DureeAucune) {
                // Switch to linear when the linear charge over the years left reaches the declining one.
                TDateTime y0;
                pCurDossier->DonnerDatesDebEtFin(pCurDossier->DonnerExercice(start, true), false, &y0,
                                                 nullptr);
                const int d = duree == VK_DureeAucune ? 0 : duree;
                const int elapsedEnd = Plafond(DiffDateJours(y0, periodEnd, true) - 1, 30);
                const int remainingAfter = d - elapsedEnd;
                const double factor = remainingAfter > 0 ? k.ratio : 1;
                const int elapsedStart = Plafond(DiffDateJours(y0, periodStart, true) - 1, 30);
                const CCurrency yearsLeft(Plafond(d - elapsedStart, 12));
                const CCurrency lin = yearsLeft != CCurrency(0) ? (base / yearsLeft) * factor : CCurrency(0);
                if (lin != CCurrency(0) && lin >= CCurrency(k.x)) {
                    k.x = lin.AsDouble();
                    k.lin = true;
                    // Four-decimal fixed point, truncated.
                    const int64_t factorCount = RoundToScaled(factor, 4);
                    k.ratio = static_cast<double>(factorCount * CCurrency::Scale / yearsLeft.Count()) /
                              CCurrency::Scale;
                    k.denominateur = 12 * yearsLeft.AsDouble();
                    if (remainingAfter <= 0) k.dernier = true;
                }
            }
            break;
        }
        case 0: {  // units of production
            k.denominateur = kNonDefini;
            k.decimales = 2;
            if (EXERCICE < 0) {
                k.dotation = CCurrency(0);
                break;
            }
            double quantity = 0;
            bool lastByForecast = true;
            TDateTime d = EXERCICE == 0 ? date : TDateTime();
            if (EXERCICE == 0 && cession && !cession->GetDateFinUtilisation().IsNull())
                d = d.IsNull() ? cession->GetDateFinUtilisation() : Min(d, cession->GetDateFinUtilisation());
            if (!d.IsNull() && double(d) != double(pCurDossier->DateFinExercice)) {
                cVK_DetSituation situation(component, d);
                const CCurrency q = situation.GetUO_Quantite();
                quantity = q.IsNull() ? 0 : q.AsDouble();
                k.dernier = true;
                lastByForecast = false;
            } else if (cVK_LstUOPrevue* forecasts = component ? component->GetLstUOPrevue() : nullptr) {
                if (cVK_UOPrevue* forecast = forecasts->GetUOPrevue(static_cast<int>(EXERCICE))) {
                    quantity = forecast->Consommation.IsNull() ? 0 : forecast->Consommation.AsDouble();
                    lastByForecast = forecasts->GetUOPrevue(static_cast<int>(EXERCICE) + 1) == nullptr;
                }
            }
            const CCurrency restant = GetCumulConsoRestantOuv();
            const double total = restant.IsNull() ? kNonDefini : restant.AsDouble();
            k.ratio = total == 0 || total == kNonDefini ? 0 : quantity / total;
            k.x = baseValue * k.ratio;
            k.denominateur = total;
            if (lastByForecast) k.dernier = true;
            break;
        }
        case 4: {  // manual amounts
            k.denominateur = kNonDefini;
            if (EXERCICE < 0) {
                k.dotation = CCurrency(0);
                break;
            }
            CCurrency amount(0);
            bool lastByForecast = true;
            TDateTime d = EXERCICE == 0 ? date : TDateTime();
            if (EXERCICE == 0 && cession && !cession->GetDateFinUtilisation().IsNull())
                d = d.IsNull() ? cession->GetDateFinUtilisation() : Min(d, cession->GetDateFinUtilisation());
            if (!d.IsNull() && double(d) != double(pCurDossier->DateFinExercice)) {
                cVK_DetSituation situation(GetAmortissement(), d);
                const CCurrency manual = situation.GetDotationManuelle();
                amount = manual.IsNull() ? CCurrency(0) : manual;
                k.dernier = true;
                lastByForecast = false;
            } else if (cVK_LstUOPrevue* amounts = GetAmortissement()->GetLstManuel()) {
                if (cVK_UOPrevue* forecast = amounts->GetUOPrevue(static_cast<int>(EXERCICE))) {
                    amount = forecast->Consommation.IsNull() ? CCurrency(0) : forecast->Consommation;
                    lastByForecast = amounts->GetUOPrevue(static_cast<int>(EXERCICE) + 1) == nullptr;
                }
            }
            if (lastByForecast) {
                k.dernier = true;  // the year without a following amount takes all that remains
                k.dotation = base;
            } else {
                k.dotation = amount;
            }
            break;
        }
        default:
            return finish(CCurrency(), true);
    }

    // The plan ends within this year: all that remains.
    if (method != maUnitesOeuvre && !planEnd.IsNull() && periodStart <= planEnd && planEnd <= periodEnd) {
        k.x = baseValue;
        k.dernier = true;
    }

    // Rounded to the cent, never above the base.
    const double charge =
        k.x != kNonDefini ? std::min(k.x, baseValue) : std::min(k.dotation, base).AsDouble();
    const CCurrency dotation(Round(charge, 2));

    if (k.denominateur != kNonDefini && k.ratio != kNonDefini)
        k.prorata = fmt::format("{:3.{}f} / {:3.{}f}", k.ratio * k.denominateur, k.decimales, k.denominateur,
                                k.decimales);
    return finish(dotation, true);
}

// ---------------------------------------------------------------------------------------------
// Opening values

CCurrency cVK_TabAmort::GetCumulAmortOuv(int mode) {
    if (stocke_) return OUV_CUMUL_AMORT[kPrincipal];
    CCurrency& slot = OUV_CUMUL_AMORT[mode != 0 ? kPrincipal : kCalcule];
    if (!slot.IsNull()) return slot;
    if (GetPremierAmort()) {
        slot = CCurrency(0);
        return slot;
    }
    if (mode != 0 && EXERCICE == 0) {
        if (!ModeMAN()) slot = GetAmortissement()->GetMAN_CumulAmortOuv(1);
        if (slot.IsNull()) slot = GetAmortissement()->OUV_AMORT;
    }
    if (slot.IsNull()) {
        if (cVK_TabAmort* previous = Precedente())
            slot = previous->GetDotation(TDateTime()) + previous->GetCumulAmortOuv(1);
        else
            slot = GetAmortissement()->GetValAmortissable();  // fully depreciated before
    }
    return slot;
}

CCurrency cVK_TabAmort::CumulDeprecOuv(int mode, bool deductible) {
    CCurrency* slots = deductible ? OUV_CUMUL_DEPREC_DED : OUV_CUMUL_DEPREC_NONDED;
    if (stocke_) return slots[kPrincipal];
    auto previousValue = [&]() -> CCurrency {
        // A forced opening of year 0 with nothing stored before it: the schedule starts at year 0.
        // The computed lines of earlier years carry no impairment, so the chain would only give 0,
        // while building lines of years that are not part of the schedule.
        if (EXERCICE == 0 && GetForcageOuv() && !liste_->HasStocke()) return CCurrency(0);
        cVK_TabAmort* previous = Precedente();
        if (!previous) return CCurrency();
        return (deductible ? previous->GetDeprecDedEx() : previous->GetDeprecNonDedEx()) +
               previous->CumulDeprecOuv(1, deductible);
    };
    if (mode == 2) {  // the value in effect without the standards values, never kept
        if (GetPremierAmort()) return slots[kPrincipal];
        CCurrency value;
        if (EXERCICE == 0)
            value = deductible ? GetAmortissement()->OUV_DEPREC_DED : GetAmortissement()->OUV_DEPREC_NON_DED;
        return value.IsNull() ? previousValue() : value;
    }
    CCurrency& slot = slots[mode != 0 ? kPrincipal : kCalcule];
    if (!slot.IsNull() || GetPremierAmort()) return slot;
    if (mode != 0 && EXERCICE == 0) {
        if (!ModeMAN())
            slot = deductible ? GetAmortissement()->GetMAN_CumulDeprecDedOuv(1)
                              : GetAmortissement()->GetMAN_CumulDeprecNonDedOuv(1);
        if (slot.IsNull())
            slot = deductible ? GetAmortissement()->OUV_DEPREC_DED : GetAmortissement()->OUV_DEPREC_NON_DED;
    }
    if (slot.IsNull()) slot = previousValue();
    return slot;
}

CCurrency cVK_TabAmort::GetCumulDeprecDedOuv(int mode) {
    return CumulDeprecOuv(mode, true);
}

CCurrency cVK_TabAmort::GetCumulDeprecNonDedOuv(int mode) {
    return CumulDeprecOuv(mode, false);
}

CCurrency cVK_TabAmort::GetDeprecDedEx() {
    if (!stocke_ && EXERCICE == 0 && DEPREC_DED.IsNull()) {
        const TDateTime yearEnd = pCurDossier->DateFinExercice;
        DEPREC_DED =
            GetAmortissement()->GetDeprecDed(yearEnd, 0) - GetAmortissement()->GetDeprecDed(yearEnd, 1);
    }
    return DEPREC_DED;
}

CCurrency cVK_TabAmort::GetDeprecNonDedEx() {
    if (!stocke_ && EXERCICE == 0 && DEPREC_NONDED.IsNull()) {
        const TDateTime yearEnd = pCurDossier->DateFinExercice;
        DEPREC_NONDED =
            GetAmortissement()->GetDeprecNonDed(yearEnd, 0) - GetAmortissement()->GetDeprecNonDed(yearEnd, 1);
    }
    return DEPREC_NONDED;
}

CCurrency cVK_TabAmort::GetCumulConsoOuv() {
    if (stocke_ || !OUV_CUMUL_CONSO.IsNull() || GetPremierAmort()) return OUV_CUMUL_CONSO;
    cVK_Composant* component = Composant();
    if (EXERCICE == 0 && component && !component->UO_CONSO_OUV.IsNull())
        OUV_CUMUL_CONSO = component->UO_CONSO_OUV;
    if (OUV_CUMUL_CONSO.IsNull()) {
        if (cVK_TabAmort* previous = Precedente())
            OUV_CUMUL_CONSO = previous->GetConsoEx() + previous->GetCumulConsoOuv();
        else if (component)
            OUV_CUMUL_CONSO = component->UO_CONSO;
    }
    return OUV_CUMUL_CONSO;
}

CCurrency cVK_TabAmort::GetCumulConsoRestantOuv() {
    cVK_Composant* component = Composant();
    return (component ? component->UO_CONSO : CCurrency()) - GetCumulConsoOuv();
}

CCurrency cVK_TabAmort::GetConsoEx() {
    if (stocke_ || EXERCICE < 0 || !CONSO.IsNull()) return CONSO;
    cVK_LstUOPrevue* forecasts = nullptr;
    if (GetAmortissement()->GetMethode() == maUnitesOeuvre) {
        if (cVK_Composant* component = Composant()) forecasts = component->GetLstUOPrevue();
    } else {
        forecasts = GetAmortissement()->GetLstManuel();
    }
    if (forecasts)
        if (cVK_UOPrevue* forecast = forecasts->GetUOPrevue(static_cast<int>(EXERCICE)))
            CONSO = forecast->Consommation;
    return CONSO;
}

CCurrency cVK_TabAmort::GetVNCOuv(int mode) {
    if (stocke_) return OUV_VNC;
    if (GetPremierAmort()) {
        if (OUV_VNC.IsNull()) OUV_VNC = GetPrixHT();
        return OUV_VNC;
    }
    const CCurrency difference =
        GetPrixHT() - GetCumulAmortOuv(1) - GetCumulDeprecDedOuv(1) - GetCumulDeprecNonDedOuv(1);
    if (mode != 0) return difference;
    if (OUV_VNC.IsNull()) OUV_VNC = Max0(difference);
    return OUV_VNC;
}

CCurrency cVK_TabAmort::GetCumulAmortRestantOuv() {
    return GetAmortissement()->GetValAmortissable() - GetCumulAmortOuv(1);
}

CCurrency cVK_TabAmort::GetResteAAmortirEx() {
    return GetAmortissement()->GetValAmortissable() - GetCumulAmortOuv(1) - GetDotation(TDateTime()) -
           GetCumulDeprecDedOuv(1) - GetDeprecDedEx() - GetCumulDeprecNonDedOuv(1) - GetDeprecNonDedEx();
}
