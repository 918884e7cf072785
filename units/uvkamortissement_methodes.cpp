// The method table and every rule of a plan that reads it: validity, effective method, starting
// point, duration, rate, coefficient and depreciable value.
#include <cmath>

#include "platform/dossier.h"
#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvkcoefdeg.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvklistes.h"

#define VK_UNIT vk::kUnitAmortissement
#define VK_LINE_BASE 0
#include "units/vklocation.h"

namespace {
constexpr int kTousTypes = taComptable | taFiscal | taConsolide;
constexpr dateDOS kSansDate{};
constexpr dateDOS Jour(int day, int month, int year) {
    return dateDOS{static_cast<unsigned char>(day), static_cast<unsigned char>(month),
                   static_cast<short>(year)};
}
}  // namespace

// Validity dates are the dates of the tax measures: software bought up to 2016, electric vehicles up
// to 2005, energy-saving, noise and pollution equipment in their periods, the increased declining
// rate of 2001-2003 and scientific research from 2004.
const VK_MethodeInfo VK_TableMethodes[14] = {
    {"Non amortissable", 'N', ' ', kSansDate, kSansDate, 0, kTousTypes, 0, 65535, 0},
    {"Linéaire", 'L', 'L', kSansDate, kSansDate, 0, kTousTypes, 1, 0, 1},
    {"Dégressif", 'D', 'D', kSansDate, kSansDate, 0, kTousTypes, 2, 0, 3},
    {"Unités d'oeuvre", 'U', 'L', kSansDate, kSansDate, 0, kTousTypes, 0, 65535, 2},
    {"Manuel", 'M', 'E', kSansDate, kSansDate, 0, taFiscal, 4, 0, 1},
    {"Logiciels", 'E', 'E', kSansDate, Jour(31, 12, 2016), 1, taFiscal, 1, 12, 3},
    {"Véhic. élec.", 'E', 'E', kSansDate, Jour(31, 12, 2005), 3, taFiscal, 1, 12, 1},
    {"Eco. énergie", 'E', 'E', Jour(31, 12, 1991), Jour(31, 12, 2006), 2, taFiscal, 1, 12, 1},
    {"Anti-bruit", 'E', 'E', Jour(1, 1, 1992), Jour(31, 12, 2005), 2, taFiscal, 1, 12, 1},
    {"Anti-pollution", 'E', 'E', Jour(1, 1, 1990), Jour(31, 12, 2005), 2, taFiscal, 1, 12, 1},
    {"Dégr. majoré", 'E', 'E', Jour(16, 10, 2001), Jour(31, 12, 2003), 1, taFiscal, 2, 0, 3},
    {"Rech. scient. tech.", 'E', 'E', Jour(1, 1, 2004), kSansDate, 1, taFiscal, 2, 0, 3},
    {"Idem amort. comptable", 'I', 'E', kSansDate, kSansDate, 0, taFiscal, 14, 0, 1},
    {"Idem amort. fiscal", 'I', 'E', kSansDate, kSansDate, 0, kTousTypes & ~taFiscal, 14, 0, 1},
};

const VK_MethodeInfo& VK_InfoMethode(int method) {
    return method >= 0 && method < 14 ? VK_TableMethodes[method] : VK_TableMethodes[0];
}

UnicodeString GetDesignTypeAmort(VK_TypeAmort kind) {
    switch (kind) {
        case taComptable:
            return "Comptable";
        case taFiscal:
            return "Fiscal";
        case taConsolide:
            return "Consolidé";
        default:
            return "";
    }
}

int ConvertMethodeAmort(VK_MethodeAmort method) {
    static const int legacy[14] = {0, 0, 1, 10, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0};
    return method >= 0 && method < 14 ? legacy[method] : 0;
}

VK_MethodeAmort ConvertMethodeAmort_AncienVK(int legacy) {
    static const VK_MethodeAmort methods[11] = {
        maLineaire,        maDegressif, maManuel,        maLogiciels,       maVehiculeElectrique,
        maEconomieEnergie, maAntiBruit, maAntiPollution, maDegressifMajore, maRechercheScientifique,
        maUnitesOeuvre};
    return legacy >= 0 && legacy <= 10 ? methods[legacy] : maNonAmortissable;
}

int ConvertMethodeAmortBNC(VK_MethodeAmort method) {
    return method >= 4 ? 4 : (method < 0 ? 0 : method);
}

namespace {

TDateTime DateDe(const dateDOS& packed) {
    TDateTime date;
    date << packed;
    return date;
}

bool DansPeriode(const VK_MethodeInfo& info, const TDateTime& date) {
    if (date.IsNull()) return true;
    const TDateTime debut = DateDe(info.DebutValidite), fin = DateDe(info.FinValidite);
    return (debut.IsNull() || debut <= date) && (fin.IsNull() || date <= fin);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// What the plan knows of its component

cVK_Composant* cVK_Amortissement::GetComposant() const {
    return liste_ ? liste_->GetComposant() : nullptr;
}

cVK_Amortissement* cVK_Amortissement::AutrePlan(VK_TypeAmort kind) const {
    return liste_ ? liste_->GetAmort(kind) : nullptr;
}

void cVK_Amortissement::LitFaitsComposant() {
    // Assigned rather than emplace()d: clang decides too early (inside the class) that the nested
    // struct has no default constructor and refuses emplace().
    faits_ = FaitsComposant();
    if (ID_COMPO == 0) return;
    const bool commun = IsBaseCommune(base_);
    const bool fiscal = TYPEAMORT == taFiscal;
    UnicodeString sql =
        "SELECT "
        "B.MISE_AUX_NORMES,C.DATEENTREE,C.DATEMISEENSERV,C.NUMCOMPTE,C.ISAMORT_NON_DEDUC,C.UO_DESIGNATION,"
        "C.TYPEENTREE,V.DATEPREMIMMAT,V.TYPEVEH,";
    sql += fiscal ? "A.METHODE" : "CAST(0 AS INTEGER)";
    sql += " AS METHODE_COMPTABLE FROM " + GetNomTable("VKC", commun) + " C";
    if (fiscal)
        sql += " JOIN " + GetNomTable("VKA", commun) + " A ON (C.ID_COMPO=A.ID_COMPO) AND (A.TYPEAMORT=1)";
    sql += " JOIN " + GetNomTable("VKB", commun) + " B ON (B.ID_BIEN=C.ID_BIEN) LEFT OUTER JOIN " +
           GetNomTable("VKV", commun) +
           " V ON (V.ID_VEH=B.ID_VEH) WHERE (C.ID_COMPO=" + VK_Format_ID(ID_COMPO) + ")";
    auto row = VK_InitDataset(VK_LOC(), sql, true, base_);
    if (!row) return;
    row->Open();
    if (row->Eof()) return;
    FaitsComposant& f = *faits_;
    f.MiseAuxNormes = row->Fields(0)->AsBoolean();
    f.DateEntree = row->Fields(1)->AsDateTime();
    f.DateMiseEnService = row->Fields(2)->AsDateTime();
    f.NumCompte = row->Fields(3)->AsString();
    f.UO_Designation = row->Fields(5)->AsString();
    f.TypeEntree = row->Fields(6)->IsNull() ? -2147483647 : row->Fields(6)->AsInteger();
    f.Vehicule = !row->Fields(8)->IsNull() || !row->Fields(7)->IsNull();
    f.DatePremImmat = row->Fields(7)->AsDateTime();
    f.MethodeComptableLue = !row->Fields(9)->IsNull();
    f.MethodeComptable = row->Fields(9)->IsNull() ? -2147483647 : row->Fields(9)->AsInteger();
}

TDateTime cVK_Amortissement::DateEntree() const {
    if (cVK_Composant* c = GetComposant()) return c->DATEENTREE;
    return faits_ ? faits_->DateEntree : TDateTime();
}

TDateTime cVK_Amortissement::DateMiseEnService() const {
    if (cVK_Composant* c = GetComposant()) return c->DATEMISEENSERV;
    return faits_ ? faits_->DateMiseEnService : TDateTime();
}

int cVK_Amortissement::TypeEntree() const {
    if (cVK_Composant* c = GetComposant()) return c->TYPEENTREE;
    return faits_ ? faits_->TypeEntree : -2147483647;
}

bool cVK_Amortissement::ComposantFinancier() const {
    if (cVK_Composant* c = GetComposant()) return c->IsImmoFinanciere();
    return faits_ && IsImmoFi(faits_->NumCompte);
}

bool cVK_Amortissement::HasVehicule() const {
    if (cVK_Composant* c = GetComposant()) return c->HasVehicule();
    return faits_ && faits_->Vehicule;
}

TDateTime cVK_Amortissement::DatePremImmat() const {
    if (cVK_Composant* c = GetComposant()) return c->GetDatePremiereImmatriculation();
    return faits_ ? faits_->DatePremImmat : TDateTime();
}

int cVK_Amortissement::MethodeComptable() const {
    if (liste_) {
        cVK_Amortissement* comptable = AutrePlan(taComptable);
        if (!comptable) return -2147483647;
        // An accounting plan that copies this one uses what this one was given (a manual tax plan
        // is copied as units of production).
        if (comptable->METHODE == maIdemFiscal && TYPEAMORT == taFiscal) {
            if (!comptable->GetAmortissable()) return maNonAmortissable;
            return METHODE == maManuel ? maUnitesOeuvre : METHODE;
        }
        // Otherwise the method it really applies: a method it may not use counts as its fallback.
        return comptable->GetMethode();
    }
    return faits_ && faits_->MethodeComptableLue ? faits_->MethodeComptable : -2147483647;
}

UnicodeString cVK_Amortissement::GetUO_Designation() const {
    if (cVK_Composant* c = GetComposant()) return c->UO_DESIGNATION;
    return faits_ ? faits_->UO_Designation : "";
}

// ---------------------------------------------------------------------------------------------
// Designations and method lists

UnicodeString cVK_Amortissement::GetDesignationMethode() const {
    return VK_InfoMethode(GetMethode()).DesignationLongue;
}

UnicodeString cVK_Amortissement::GetDesignMethodeCourte() const {
    return UnicodeString(1, VK_InfoMethode(GetMethode()).CodeCourt);
}

UnicodeString cVK_Amortissement::GetDesignMethodeCourteBNC() const {
    return UnicodeString(1, VK_InfoMethode(GetMethode()).CodeCourtBNC);
}

void cVK_Amortissement::RemplitListeMethodes(VK_TypeAmort kind, TStrings* list) {
    list->Clear();
    for (int m = 0; m < 14; ++m)
        if ((VK_TableMethodes[m].TypesAutorises & kind) == kind)
            list->AddObject(VK_TableMethodes[m].DesignationLongue,
                            reinterpret_cast<void*>(static_cast<intptr_t>(m)));
}

void cVK_Amortissement::RemplitListeMethodes(TStrings* list) const {
    list->Clear();
    for (int m = 0; m < 14; ++m)
        if (MethodeValide(static_cast<VK_MethodeAmort>(m)))
            list->AddObject(VK_TableMethodes[m].DesignationLongue,
                            reinterpret_cast<void*>(static_cast<intptr_t>(m)));
}

int cVK_Amortissement::GetTypeMethode() const {
    return VK_InfoMethode(GetMethode()).TypeMethode;
}

// ---------------------------------------------------------------------------------------------
// Method and validity

bool cVK_Amortissement::GetAmortissable() const {
    try {
        if (ComposantFinancier() && TYPEAMORT != taFiscal) return false;
        const int type = TypeEntree();
        return type != 4 && type != 5 && type != 6;  // leasing, financial lease, free use
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

bool cVK_Amortissement::MethodeValide(VK_MethodeAmort method) const {
    if (method < 0 || method > 13) return false;
    const VK_MethodeInfo& info = VK_TableMethodes[method];
    if ((info.TypesAutorises & TYPEAMORT) != TYPEAMORT) return false;
    if (info.TypeMethode == 14) return false;
    if (method == maUnitesOeuvre && TYPEAMORT == taFiscal && MethodeComptable() != maUnitesOeuvre)
        return false;
    switch (info.DateReference) {
        case 1:
            return DansPeriode(info, DateEntree());
        case 2:
            return DansPeriode(info, DateMiseEnService());
        case 3:
            // Judged on the vehicle's first registration: no vehicle, not valid.
            return HasVehicule() && DansPeriode(info, DatePremImmat());
        default:
            return true;
    }
}

VK_MethodeAmort cVK_Amortissement::MethodeCopiee() const {
    // A copy method takes the method the other plan really applies (its fallback when its own
    // method is not allowed, 0 when it is not depreciable), not the one stored on it; the manual
    // tax method and units of production stand for each other. Two plans copying each other stay
    // unresolved.
    const bool copieFiscal = METHODE == maIdemFiscal && TYPEAMORT != taFiscal;
    const bool copieComptable = METHODE == maIdemComptable && TYPEAMORT == taFiscal;
    if (!copieFiscal && !copieComptable) return METHODE;
    const cVK_Amortissement* autre = AutrePlan(copieFiscal ? taFiscal : taComptable);
    if (!autre || autre->METHODE == maIdemComptable || autre->METHODE == maIdemFiscal) return METHODE;
    const VK_MethodeAmort effective = autre->GetMethode();
    if (copieFiscal) return effective == maManuel ? maUnitesOeuvre : effective;
    return effective == maUnitesOeuvre ? maManuel : effective;
}

VK_MethodeAmort cVK_Amortissement::GetMethode() const {
    if (!GetAmortissable()) return maNonAmortissable;
    VK_MethodeAmort method = METHODE;
    if (method == maIdemComptable || method == maIdemFiscal) method = MethodeCopiee();
    if (method < 0 || method > 13) return maNonAmortissable;
    if (MethodeValide(method)) return method;
    const int fallback = VK_TableMethodes[method].TypeMethode;
    // A copy that cannot be resolved (two plans copying each other) has nothing to fall back on.
    return fallback == 14 ? maNonAmortissable : static_cast<VK_MethodeAmort>(fallback);
}

// ---------------------------------------------------------------------------------------------
// Starting point and duration

TDateTime cVK_Amortissement::GetPtDeDepart() {
    switch (VK_InfoMethode(GetMethode()).PointDeDepart) {
        case 0:
            PTDEDEPART = TDateTime();
            break;
        case 1:
            if (PTDEDEPART.IsNull()) PTDEDEPART = DateMiseEnService();
            break;
        case 2:
            PTDEDEPART = DateMiseEnService();
            break;
        case 3: {
            const TDateTime entree = DateEntree();
            if (entree.IsNull()) {
                PTDEDEPART = entree;
                break;
            }
            TDateTime debutExercice;
            pCurDossier->DonnerDatesDebEtFin(pCurDossier->DonnerExercice(entree, true), false, &debutExercice,
                                             nullptr);
            const TDateTime premier = PremierJourDuMois(entree);
            PTDEDEPART = premier > debutExercice ? premier : debutExercice;
            break;
        }
    }
    return PTDEDEPART;
}

bool cVK_Amortissement::GetPtDeDepartEnSaisie() const {
    return VK_InfoMethode(GetMethode()).PointDeDepart == 1;
}

void cVK_Amortissement::SetPtDeDepart(const TDateTime& date) {
    if (double(date) == double(PTDEDEPART)) return;
    PTDEDEPART = date;
    ClearCalculs();
    Modifie();
}

bool cVK_Amortissement::GetDureeEnSaisie() const {
    if (VK_InfoMethode(GetMethode()).DureeImposee == 0) return true;
    cVK_Composant* c = GetComposant();
    return GetAmortissable() && c && c->GetBien() && c->GetBien()->Etat == veImportation;
}

unsigned short cVK_Amortissement::GetDuree() {
    if (!GetDureeEnSaisie()) DUREE = VK_InfoMethode(GetMethode()).DureeImposee;
    return DUREE;
}

void cVK_Amortissement::SetDuree(unsigned short months) {
    if (months == DUREE) return;
    DUREE = months;
    ClearCalculs();
    Modifie();
}

int cVK_Amortissement::GetDureeRestantAAmortir() {
    const TDateTime start = GetPtDeDepart();
    if (start.IsNull()) return 0;
    const unsigned short duree = GetDuree();
    const TDateTime debutExercice = pCurDossier->DateDebutExercice;
    if (AjouteMois(start, duree) < debutExercice) return 0;
    TDateTime d = start;
    int y, m, day;
    DecodeDate(d, y, m, day);
    if (day != 1) d = DernierJourMois(d) + 1;
    if (duree == VK_DureeAucune) return VK_DureeAucune;
    if (d > debutExercice) return duree;
    return duree - DiffDateMois(d, debutExercice);
}

// ---------------------------------------------------------------------------------------------
// Coefficient, rate, depreciable value

CCurrency cVK_Amortissement::GetCoef() {
    const VK_MethodeAmort method = GetMethode();
    if (VK_InfoMethode(method).TypeMethode != 2) return CCurrency();
    const TDateTime entree = DateEntree();
    if (entree.IsNull()) return CCurrency();
    CCurrency coefficient = ListeCoefDeg.GetCoef(entree, GetDuree());
    if (method == maRechercheScientifique && !coefficient.IsNull()) coefficient += CCurrency(0.25);
    return coefficient;
}

double cVK_Amortissement::GetTaux() {
    const VK_MethodeAmort method = GetMethode();
    switch (method) {
        case maNonAmortissable:
        case maUnitesOeuvre:
        case maManuel:
            return CCurrency::NullDouble;
        case maIdemComptable:
        case maIdemFiscal:
            return 0;
        case maLineaire:
        case maDegressif:
        case maDegressifMajore:
        case maRechercheScientifique:
            break;
        default:
            return 100;  // the exceptional one-year methods
    }
    const unsigned short duree = GetDuree();
    const double base = duree == 0 || duree == VK_DureeAucune ? CCurrency::NullDouble : 1200.0 / duree;
    if (VK_InfoMethode(method).TypeMethode != 2) return base;
    const CCurrency coefficient = GetCoef();
    if (coefficient.IsNull() || base == CCurrency::NullDouble) return CCurrency::NullDouble;
    return base * coefficient.AsDouble();
}

CCurrency cVK_Amortissement::GetValAmortissable(int) {
    try {
        if (cVK_Composant* c = GetComposant()) {
            const CCurrency start =
                ComposantFinancier() && TYPEAMORT == taFiscal ? c->GetFraisAcquis() : c->GetPrixHT();
            const CCurrency value = start - VALRESIDUELLE;
            valAmortissable_ = value < CCurrency(0) ? CCurrency(0) : value;
            return valAmortissable_;
        }
        if (valAmortissable_.IsNull() && ID_COMPO != 0) {
            // A plan loaded alone reads its component's price once.
            cVK_Composant component(nullptr, base_, nullptr, ID_COMPO);
            const CCurrency start = component.IsImmoFinanciere() && TYPEAMORT == taFiscal
                                        ? component.GetFraisAcquis()
                                        : component.GetPrixHT();
            const CCurrency value = start - VALRESIDUELLE;
            valAmortissable_ = value < CCurrency(0) ? CCurrency(0) : value;
        }
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
    return valAmortissable_;
}

void cVK_Amortissement::SetValResiduelle(const CCurrency& amount) {
    if (amount == VALRESIDUELLE) return;
    VALRESIDUELLE = amount;
    ClearCalculs();
    Modifie();
}
