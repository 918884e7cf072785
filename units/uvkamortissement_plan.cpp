// A depreciation plan: its storage, its schedules and the figures it takes from them.
#include "platform/dossier.h"
#include "platform/environnement.h"
#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"
#include "units/uvkdetailsit.h"
#include "units/uvkdivers.h"
#include "units/uvkuniteoeuvre.h"

#define VK_UNIT vk::kUnitAmortissement
#define VK_LINE_BASE 3000
#include "units/vklocation.h"

namespace {

CCurrency Max0(const CCurrency& value) {
    return value > CCurrency(0) ? value : CCurrency(0);
}
CCurrency Min(const CCurrency& a, const CCurrency& b) {
    return b < a ? b : a;
}

int ReglageRetrospectif() {
    return pCurDossier->FichierINI()->GetInteger("VK", TOK_MAN_METHODE, -1);
}

}  // namespace

void cVK_Amortissement::CreerBase(const UnicodeString& base) {
    const bool dossier = base.empty();
    const UnicodeString table = GetNomTableBase("VKA", base);
    auto constraint = [&](const UnicodeString& text) { return dossier ? text : UnicodeString(","); };
    const UnicodeString sql =
        "CREATE TABLE " + table + "(ID_AMORT AUTOINC" + constraint(" NOT NULL,") + "ID_COMPO INTEGER" +
        constraint(" REFERENCES " + GetNomTable("VKC", false) + " ON DELETE CASCADE,") +
        "TYPEAMORT SMALLINT,METHODE SMALLINT,PTDEDEPART DATE,DUREE INTEGER" +
        constraint(" CHECK (DUREE IS NULL OR DUREE>= 0),") + "VALRESIDUELLE DECIMAL(18,4)" +
        constraint(" CHECK (VALRESIDUELLE IS NULL OR VALRESIDUELLE >= 0),") + "OUV_AMORT DECIMAL(18,4)" +
        constraint(" CHECK (OUV_AMORT IS NULL OR OUV_AMORT>= 0),") + "OUV_AMORT_CALC_MAN DECIMAL(18,4)," +
        "OUV_AMORT_MAN DECIMAL(18,4)," +
        "OUV_DEPREC_DED DECIMAL(18,4),OUV_DEPREC_DED_MAN DECIMAL(18,4),OUV_DEPREC_NON_DED DECIMAL(18,4),"
        "OUV_DEPREC_NON_DED_MAN DECIMAL(18,4),PRIMARY KEY(ID_AMORT))";
    if (VK_CreateTable(VK_LOC(), "VKA", sql, base) && dossier) {
        try {
            pCurDossier->CreeAutoIncFirebird(table, "ID_AMORT", true);
        } catch (const std::exception& e) {
            vk::Display(VK_LOC(), e);
        }
    }
}

cVK_Amortissement::cVK_Amortissement(cVK_LstAmortissement* list, VK_TypeAmort kind, const UnicodeString& base,
                                     TDataSet* row, unsigned id)
    : cVK_Base(id), liste_(list), base_(base) {
    TYPEAMORT = kind;
    try {
        if (row) {
            BD_Lit(row);
        } else if (id != 0) {
            BD_Lit(nullptr);  // a plan named by its identifier is the stored one
        } else if (cVK_Composant* component = GetComposant()) {
            ID_COMPO = component->ID;
            if (component->ID != 0) BD_Inserer();
        }
        if (!liste_) LitFaitsComposant();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

cVK_Amortissement::~cVK_Amortissement() = default;

UnicodeString cVK_Amortissement::Table() const {
    return GetNomTableBase("VKA", base_);
}

void cVK_Amortissement::BD_Lit(TDataSet* row) {
    std::unique_ptr<TIBQuery> own;
    if (!row) {
        own = VK_InitDataset(
            VK_LOC(),
            "SELECT ID_AMORT,ID_COMPO,TYPEAMORT,METHODE,PTDEDEPART,DUREE,VALRESIDUELLE,OUV_AMORT,"
            "OUV_AMORT_CALC_MAN,OUV_AMORT_MAN,OUV_DEPREC_DED,OUV_DEPREC_DED_MAN,OUV_DEPREC_NON_DED,"
            "OUV_DEPREC_NON_DED_MAN FROM " +
                Table() + " WHERE ID_AMORT=" + VK_Format_ID(ID),
            true, base_);
        if (!own) return;
        own->Open();
        if (own->Eof()) return;
        row = own.get();
    }
    auto integer = [&](int index) {
        return row->Fields(index)->IsNull() ? -2147483647 : row->Fields(index)->AsInteger();
    };
    ID_COMPO = row->Fields(1)->IsNull() ? 0 : static_cast<unsigned>(row->Fields(1)->AsInteger());
    TYPEAMORT = static_cast<VK_TypeAmort>(integer(2));
    METHODE = static_cast<VK_MethodeAmort>(integer(3));
    PTDEDEPART = row->Fields(4)->AsDateTime();
    DUREE =
        row->Fields(5)->IsNull() ? VK_DureeAucune : static_cast<unsigned short>(row->Fields(5)->AsInteger());
    VALRESIDUELLE = row->Fields(6)->AsCurrency();
    OUV_AMORT = row->Fields(7)->AsCurrency();
    OUV_AMORT_CALC_MAN = row->Fields(8)->AsCurrency();
    OUV_AMORT_MAN = row->Fields(9)->AsCurrency();
    OUV_DEPREC_DED = row->Fields(10)->AsCurrency();
    OUV_DEPREC_DED_MAN = row->Fields(11)->AsCurrency();
    OUV_DEPREC_NON_DED = row->Fields(12)->AsCurrency();
    OUV_DEPREC_NON_DED_MAN = row->Fields(13)->AsCurrency();
    cVK_Composant* component = GetComposant();
    if (METHODE == maUnitesOeuvre && component && !component->GetLstUOPrevue())
        component->SetLstUOPrevue(new cVK_LstUOPrevue(component, base_));
    if (METHODE == maManuel) manuel_ = std::make_unique<cVK_LstUOPrevue>(this, base_);
}

UnicodeString cVK_Amortissement::Valeurs(bool update) const {
    const bool iso = base_.empty();
    cVK_Composant* component = GetComposant();
    const unsigned idCompo = component ? component->ID : ID_COMPO;
    const UnicodeString values[13] = {VK_Format_ID(idCompo),
                                      VK_FormatInt(TYPEAMORT),
                                      VK_FormatInt(METHODE),
                                      VK_FormatDate(PTDEDEPART, false, iso),
                                      VK_FormatUnsignedShort(DUREE),
                                      VALRESIDUELLE.GetSQL(),
                                      OUV_AMORT.GetSQL(),
                                      OUV_DEPREC_DED.GetSQL(),
                                      OUV_DEPREC_NON_DED.GetSQL(),
                                      OUV_AMORT_CALC_MAN.GetSQL(),
                                      OUV_AMORT_MAN.GetSQL(),
                                      OUV_DEPREC_DED_MAN.GetSQL(),
                                      OUV_DEPREC_NON_DED_MAN.GetSQL()};
    static const char* const columns[13] = {"ID_COMPO",
                                            "TYPEAMORT",
                                            "METHODE",
                                            "PTDEDEPART",
                                            "DUREE",
                                            "VALRESIDUELLE",
                                            "OUV_AMORT",
                                            "OUV_DEPREC_DED",
                                            "OUV_DEPREC_NON_DED",
                                            "OUV_AMORT_CALC_MAN",
                                            "OUV_AMORT_MAN",
                                            "OUV_DEPREC_DED_MAN",
                                            "OUV_DEPREC_NON_DED_MAN"};
    UnicodeString text;
    for (int i = 0; i < 13; ++i) {
        if (i > 0) text += ",";
        text += update ? UnicodeString(columns[i]) + "=" + values[i] : values[i];
    }
    return text;
}

bool cVK_Amortissement::SauveEnfants() {
    bool written = true;
    if (manuel_) written = manuel_->BD_MAJ() && written;
    if (situation_ && situation_->EstModifie) written = situation_->BD_MAJ() && written;
    return written;
}

void cVK_Amortissement::DetruitTableaux() {
    tableau_.reset();
    tableauMAN_.reset();
}

// What an insert of a plan made with its content stores: a copy method as the method it copies,
// and no forced opening cumul equal to the computed one, or negative.
void cVK_Amortissement::NormaliseAvantInsertion() {
    if (METHODE == maIdemComptable || METHODE == maIdemFiscal) METHODE = MethodeCopiee();
    METHODE = GetMethode();
    if (OUV_AMORT.IsNull()) return;
    // Computing the opening fills in the starting point the method would take: the row keeps the
    // one entered.
    const TDateTime entered = PTDEDEPART;
    if (OUV_AMORT == GetCumulAmortOuv(0) || OUV_AMORT < CCurrency(0)) OUV_AMORT.SetNull();
    PTDEDEPART = entered;
}

bool cVK_Amortissement::BD_Inserer() {
    try {
        cVK_Composant* component = GetComposant();
        // A register brought in is written as entered, in one insert, with what the plan's insert
        // when it was made and the update at the save wrote before: nothing is normalised.
        const cVK_Bien* asset = component ? component->GetBien() : nullptr;
        if (!asset || !asset->InsereAuPremierEnregistrement()) NormaliseAvantInsertion();
        // The schedule is read only for a standards conformity: any other new plan has no use for
        // it yet (reading it was a statement for every plan created). A standards conformity starts
        // the plan afresh in the current year.
        const bool conformity = component && base_.empty() && component->ETATCREATION == veMiseAuxNormes &&
                                !GetLstTabAmort()->HasStocke();
        if (conformity && ReglageRetrospectif() == 0) {
            OUV_AMORT_MAN = CCurrency(0);
            OUV_DEPREC_DED_MAN = CCurrency(0);
            OUV_DEPREC_NON_DED_MAN = CCurrency(0);
        }
        const UnicodeString sql =
            "INSERT INTO " + Table() +
            "(ID_COMPO,TYPEAMORT,METHODE,PTDEDEPART,DUREE,VALRESIDUELLE,OUV_AMORT,OUV_DEPREC_DED,OUV_DEPREC_"
            "NON_DED,"
            "OUV_AMORT_CALC_MAN,OUV_AMORT_MAN,OUV_DEPREC_DED_MAN,OUV_DEPREC_NON_DED_MAN)VALUES (" +
            Valeurs(false) + ")";
        if (!InsereEtRelitID(VK_LOC(), sql, Table(), "ID_AMORT", base_)) return false;
        if (component) ID_COMPO = component->ID;
        const bool written = SauveEnfants();
        if (conformity) {
            GetLstTabAmort()->InsertAmortVideAnt();
            DetruitTableaux();
        }
        return written;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

bool cVK_Amortissement::BD_Update() {
    if (!VK_ExecSQL(VK_LOC(),
                    "UPDATE " + Table() + " SET " + Valeurs(true) + " WHERE ID_AMORT=" + VK_Format_ID(ID),
                    base_))
        return false;
    return SauveEnfants();
}

bool cVK_Amortissement::BD_Supprimer(bool confirm) {
    try {
        if (confirm &&
            !OKTQuestion("Etes-vous sûr de vouloir supprimer cette ligne de détail ?", "Confirmation", 0))
            return false;
        if (ID != 0) {
            if (!base_.empty())  // no cascade in a named database
                VK_ExecSQL(
                    VK_LOC(),
                    "DELETE FROM " + GetNomTableBase("VKU", base_) + " WHERE ID_AMORT=" + VK_Format_ID(ID),
                    base_);
            if (!VK_ExecSQL(VK_LOC(), "DELETE FROM " + Table() + " WHERE ID_AMORT=" + VK_Format_ID(ID),
                            base_))
                return false;
        }
        if (liste_) liste_->Delete(this);
        return true;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

void cVK_Amortissement::ReInitID() {
    ResetID();
    if (manuel_) manuel_->ReInitID();
    // The stored lines read so far point to this plan as the one they were computed with; as a new
    // plan it no longer is: they are read again and find their own plan by their ID_AMORT.
    DetruitTableaux();
}

void cVK_Amortissement::Assign(const cVK_Amortissement* source) {
    if (!source) return;
    cVK_Base::Assign(source);
    SetMethode(source->METHODE);
    DUREE = source->DUREE;
    cVK_Composant* sourceComponent = source->GetComposant();
    if (sourceComponent && sourceComponent->GetBien() && sourceComponent->GetBien()->TYPEBIEN == vbFamille)
        return;
    PTDEDEPART = source->PTDEDEPART;
    VALRESIDUELLE = source->VALRESIDUELLE;
    OUV_AMORT = source->OUV_AMORT;
    OUV_DEPREC_DED = source->OUV_DEPREC_DED;
    OUV_DEPREC_NON_DED = source->OUV_DEPREC_NON_DED;
    OUV_AMORT_MAN = source->OUV_AMORT_MAN;
    OUV_AMORT_CALC_MAN = source->OUV_AMORT_CALC_MAN;
    OUV_DEPREC_DED_MAN = source->OUV_DEPREC_DED_MAN;
    OUV_DEPREC_NON_DED_MAN = source->OUV_DEPREC_NON_DED_MAN;
    DetruitTableaux();
    if (source->manuel_) {
        if (!manuel_) manuel_ = std::make_unique<cVK_LstUOPrevue>(this, base_);
        manuel_->Assign(source->manuel_.get());
    } else if (manuel_) {
        manuel_->BD_Supprimer();
        manuel_.reset();
    }
    if (situation_) {
        if (source->situation_) {
            situation_->Assign(source->situation_.get());
        } else {
            situation_->BD_Supprimer(false);
            situation_.reset();
        }
    }
    Modifie();
}

// ---------------------------------------------------------------------------------------------
// Schedules

cVK_LstTabAmort* cVK_Amortissement::GetLstTabAmort() {
    if (!tableau_) tableau_ = std::make_unique<cVK_LstTabAmort>(this, false);
    return tableau_.get();
}

cVK_LstTabAmort* cVK_Amortissement::GetMAN_LstTabAmort() {
    if (!tableauMAN_) tableauMAN_ = std::make_unique<cVK_LstTabAmort>(this, true);
    return tableauMAN_.get();
}

void cVK_Amortissement::ClearCalculs() {
    if (tableau_) tableau_->ClearCalculs();
    if (tableauMAN_) tableauMAN_->ClearCalculs();
}

void cVK_Amortissement::SetMethode(VK_MethodeAmort method) {
    if (method == METHODE) return;
    METHODE = method;
    if (ID != 0) {
        PTDEDEPART = TDateTime();
        cVK_Composant* component = GetComposant();
        if (method == maUnitesOeuvre || GetMethode() == maUnitesOeuvre) {
            if (component && !component->GetLstUOPrevue())
                component->SetLstUOPrevue(new cVK_LstUOPrevue(component, base_));
        } else if (method == maManuel) {
            if (!manuel_) manuel_ = std::make_unique<cVK_LstUOPrevue>(this, base_);
        } else if (manuel_) {
            manuel_->BD_Supprimer();
            manuel_.reset();
        }
    } else if (method == maManuel && !manuel_) {
        manuel_ = std::make_unique<cVK_LstUOPrevue>(this, base_);
    }
    ClearCalculs();
    Modifie();
}

cVK_TabAmort* cVK_Amortissement::LigneCourante() {
    return GetLstTabAmort()->GetTabAmort(0);
}

// ---------------------------------------------------------------------------------------------
// Per-date figures

CCurrency cVK_Amortissement::GetDotation(const TDateTime& date) {
    if (!base_.empty()) return CCurrency();
    cVK_TabAmort* line = LigneCourante();
    return line ? line->GetDotation(date) : CCurrency();
}

CCurrency cVK_Amortissement::GetCumulAmortOuv(int mode) {
    if (!base_.empty()) return CCurrency();
    if (cVK_TabAmort* line = LigneCourante()) return line->GetCumulAmortOuv(mode);
    cVK_TabAmort* last = GetLstTabAmort()->GetLast();
    if (last && last->GetExercice() < 0) return last->GetDotation(TDateTime()) + last->GetCumulAmortOuv(1);
    return CCurrency(0);
}

CCurrency cVK_Amortissement::GetCumulAmort(const TDateTime& date) {
    if (!base_.empty()) return CCurrency();
    return GetDotation(date) + GetCumulAmortOuv(1);
}

CCurrency cVK_Amortissement::GetCumulAmortRestantOuv() {
    if (!base_.empty()) return CCurrency();
    cVK_TabAmort* line = LigneCourante();
    return line ? line->GetCumulAmortRestantOuv() : CCurrency(0);
}

CCurrency cVK_Amortissement::GetCumulDeprecDedOuv(int mode) {
    if (!base_.empty()) return CCurrency();
    if (cVK_TabAmort* line = LigneCourante()) return line->GetCumulDeprecDedOuv(mode);
    cVK_TabAmort* last = GetLstTabAmort()->GetLast();
    if (last && last->GetExercice() < 0) return last->GetDeprecDedEx() + last->GetCumulDeprecDedOuv(1);
    return CCurrency();
}

CCurrency cVK_Amortissement::GetCumulDeprecNonDedOuv(int mode) {
    if (!base_.empty()) return CCurrency(0);
    if (cVK_TabAmort* line = LigneCourante()) return line->GetCumulDeprecNonDedOuv(mode);
    cVK_TabAmort* last = GetLstTabAmort()->GetLast();
    if (last && last->GetExercice() < 0) return last->GetDeprecNonDedEx() + last->GetCumulDeprecNonDedOuv(1);
    return CCurrency();
}

CCurrency cVK_Amortissement::GetCumulDeprecDed(const TDateTime& date) {
    if (!base_.empty()) return CCurrency();
    return GetCumulDeprecDedOuv(1) + GetDeprecDed(date, 0) - GetDeprecDed(date, 1);
}

CCurrency cVK_Amortissement::GetCumulDeprecNonDed(const TDateTime& date) {
    if (!base_.empty()) return CCurrency();
    return GetCumulDeprecNonDedOuv(1) + GetDeprecNonDed(date, 0) - GetDeprecNonDed(date, 1);
}

CCurrency cVK_Amortissement::GetVNCOuv(int mode) {
    if (!base_.empty()) return CCurrency(0);
    if (cVK_TabAmort* line = LigneCourante()) return line->GetVNCOuv(mode);
    cVK_Composant* component = GetComposant();
    return (component ? component->GetPrixHT() : CCurrency(0)) - GetCumulAmortOuv(1) -
           GetCumulDeprecDedOuv(1) - GetCumulDeprecNonDedOuv(1);
}

CCurrency cVK_Amortissement::GetVNC(const TDateTime& date) {
    if (!base_.empty()) return CCurrency(0);
    cVK_Composant* component = GetComposant();
    return (component ? component->GetPrixHT() : CCurrency(0)) - GetCumulAmort(date) -
           GetCumulDeprecDed(date) - GetCumulDeprecNonDed(date);
}

CCurrency cVK_Amortissement::GetCumulAmortDeprecDeduc(const TDateTime& date) {
    return (GetCumulAmortOuv(1) + GetDotation(date)) + GetCumulDeprecDedOuv(1) + GetDeprecDed(date, 0) -
           GetDeprecDed(date, 1);
}

CCurrency cVK_Amortissement::GetUO_CumulConsoOuv() {
    cVK_Composant* component = GetComposant();
    if (!base_.empty()) return component ? component->UO_CONSO_OUV : CCurrency();
    if (cVK_TabAmort* line = LigneCourante()) return line->GetCumulConsoOuv();
    return component ? component->UO_CONSO : CCurrency();
}

CCurrency cVK_Amortissement::GetUO_CumulConsoRestantOuv() {
    cVK_Composant* component = GetComposant();
    if (!base_.empty()) return component ? component->UO_CONSO - component->UO_CONSO_OUV : CCurrency();
    if (cVK_TabAmort* line = LigneCourante()) return line->GetCumulConsoRestantOuv();
    return CCurrency(0);
}

// ---------------------------------------------------------------------------------------------
// Situation detail and impairments

void cVK_Amortissement::SetDetSituation(const TDateTime& date) {
    if (situation_ && double(situation_->DateSit) != double(date)) {
        // What the user entered for the other date is kept; a detail nobody filled is not written.
        if (situation_->EstModifie) situation_->BD_MAJ();
        situation_.reset();
    }
    if (!situation_ && base_.empty()) situation_ = std::make_unique<cVK_DetSituation>(this, date);
}

CCurrency cVK_Amortissement::GetValActuelle(const TDateTime& date) {
    SetDetSituation(date);
    return situation_ ? situation_->ValActuelle : CCurrency();
}

CCurrency cVK_Amortissement::GetDotationManuelleForc(const TDateTime& date) {
    SetDetSituation(date);
    return situation_ ? situation_->DotationManuelleForc : CCurrency();
}

CCurrency cVK_Amortissement::GetDeprec(const TDateTime& date, int mode) {
    SetDetSituation(date);
    if (!situation_ || situation_->ValActuelle.IsNull()) return CCurrency();
    const CCurrency currentValue = situation_->ValActuelle;
    const CCurrency netBookValue = GetVNCOuv(0) - GetDotation(date);
    if (mode == 0) return Max0(netBookValue - currentValue);
    // A reversal never exceeds the impairment on the books: the opening cumulated impairment plus
    // the year's allowance (none when there is a reversal). A never-impaired asset reverses nothing.
    const CCurrency onBooks = Max0(GetCumulDeprecDedOuv(1) + GetCumulDeprecNonDedOuv(1));
    const CCurrency reversal = Min(Max0(currentValue - netBookValue), onBooks);
    // Limited to the highest reversal when one was entered.
    return situation_->DeprecRepriseMax.IsNull() ? reversal : Min(reversal, situation_->DeprecRepriseMax);
}

namespace {

bool CedeAvant(cVK_Composant* component, const TDateTime& date) {
    cVK_Cession* cession = component ? component->GetCession() : nullptr;
    return cession && !cession->GetDateFinUtilisation().IsNull() && cession->GetDateFinUtilisation() <= date;
}

}  // namespace

CCurrency cVK_Amortissement::GetDeprecNonDed(const TDateTime& date, int mode) {
    if (CedeAvant(GetComposant(), date)) return mode == 0 ? CCurrency() : GetCumulDeprecNonDedOuv(1);
    SetDetSituation(date);
    if (!situation_ || situation_->ValActuelle.IsNull()) return CCurrency();
    const CCurrency nonDeductible = situation_->DeprecNonDed;
    if (mode == 0) return Min(GetDeprec(date, 0), Max0(nonDeductible));
    // No more non-deductible impairment is reversed than the books hold.
    return Min(Min(GetDeprec(date, 1), Max0(-nonDeductible)), Max0(GetCumulDeprecNonDedOuv(1)));
}

CCurrency cVK_Amortissement::GetDeprecDed(const TDateTime& date, int mode) {
    if (CedeAvant(GetComposant(), date)) return mode == 0 ? CCurrency() : GetCumulDeprecDedOuv(1);
    SetDetSituation(date);
    if (!situation_ || situation_->ValActuelle.IsNull()) return CCurrency();
    const CCurrency deductible = GetDeprec(date, mode) - GetDeprecNonDed(date, mode);
    if (mode == 0) return deductible;
    // No more deductible impairment is reversed than the books hold: the part of a reversal that the
    // entered non-deductible movement leaves over never makes the deductible impairment negative.
    return Min(deductible, Max0(GetCumulDeprecDedOuv(1)));
}

CCurrency cVK_Amortissement::GetDeprecNonDedPourEcran(const TDateTime& date, int mode) {
    SetDetSituation(date);
    if (!situation_) return CCurrency();
    return mode == 0 ? Max0(situation_->DeprecNonDed) : Max0(-situation_->DeprecNonDed);
}

// ---------------------------------------------------------------------------------------------
// Forced and standards-conformity opening values

void cVK_Amortissement::SetCumulAmortOuvForce(const CCurrency& amount) {
    if (amount == OUV_AMORT) return;
    OUV_AMORT = amount;
    if (tableau_) tableau_->ClearCalculs();
    Modifie();
}

void cVK_Amortissement::SetCumulDeprecDedOuvForce(const CCurrency& amount) {
    if (amount == OUV_DEPREC_DED) return;
    OUV_DEPREC_DED = amount;
    if (tableau_) tableau_->ClearCalculs();
    Modifie();
}

void cVK_Amortissement::SetCumulDeprecNonDedOuvForce(const CCurrency& amount) {
    if (amount == OUV_DEPREC_NON_DED) return;
    OUV_DEPREC_NON_DED = amount;
    if (tableau_) tableau_->ClearCalculs();
    Modifie();
}

void cVK_Amortissement::SetMAN_CumulAmortOuvForce(const CCurrency& amount) {
    if (amount == OUV_AMORT_MAN) return;
    OUV_AMORT_MAN = amount;
    ClearCalculs();
    Modifie();
}

void cVK_Amortissement::SetMAN_CumulDeprecDedOuvForce(const CCurrency& amount) {
    if (amount == OUV_DEPREC_DED_MAN) return;
    OUV_DEPREC_DED_MAN = amount;
    ClearCalculs();
    Modifie();
}

void cVK_Amortissement::SetMAN_CumulDeprecNonDedOuvForce(const CCurrency& amount) {
    if (amount == OUV_DEPREC_NON_DED_MAN) return;
    OUV_DEPREC_NON_DED_MAN = amount;
    ClearCalculs();
    Modifie();
}

bool cVK_Amortissement::GetForcageOuv(bool standards) {
    cVK_Composant* component = GetComposant();
    // Forced opening units force the opening only of a plan that applies units of production.
    if (component && !component->UO_CONSO_OUV.IsNull() && GetMethode() == maUnitesOeuvre) return true;
    if (standards)
        return !OUV_AMORT_MAN.IsNull() || !OUV_DEPREC_DED_MAN.IsNull() || !OUV_DEPREC_NON_DED_MAN.IsNull();
    return !OUV_AMORT.IsNull() || !OUV_DEPREC_DED.IsNull() || !OUV_DEPREC_NON_DED.IsNull() ||
           !GetMAN_CumulAmortOuv(1).IsNull() || !OUV_DEPREC_DED_MAN.IsNull() ||
           !OUV_DEPREC_NON_DED_MAN.IsNull();
}

bool cVK_Amortissement::MiseAuxNormesAAppliquer() {
    try {
        cVK_Composant* component = GetComposant();
        if (component && component->GetBien()) {
            if (component->GetBien()->Etat != veMiseAuxNormes) return false;
            cVK_Composant* previous = component->GetCompoPrec();
            if (!previous) return true;
            cVK_Amortissement* previousPlan = previous->GetAmort(TYPEAMORT);
            return !previousPlan || *previousPlan != *this;
        }
        if (!faits_) LitFaitsComposant();
        if (!faits_->MiseAuxNormes) return false;
        std::unique_ptr<cVK_Composant> loaded;
        if (!component) {
            loaded = std::make_unique<cVK_Composant>(nullptr, base_, nullptr, ID_COMPO);
            component = loaded.get();
        }
        cVK_Composant* previous = component->GetCompoPrec();
        if (!previous) return true;
        cVK_Amortissement* previousPlan = previous->GetAmort(TYPEAMORT);
        return !previousPlan || *previousPlan != *this;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

CCurrency cVK_Amortissement::GetMAN_CumulAmortOuv(int mode) {
    if (!base_.empty()) return CCurrency();
    if (ReglageRetrospectif() == 1 && MiseAuxNormesAAppliquer()) {
        if (mode != 0 && !OUV_AMORT_MAN.IsNull()) return OUV_AMORT_MAN;
        if (!OUV_AMORT_CALC_MAN.IsNull()) return OUV_AMORT_CALC_MAN;
        cVK_LstTabAmort* standards = GetMAN_LstTabAmort();
        if (cVK_TabAmort* line = standards->GetTabAmort(0)) return line->GetCumulAmortOuv(0);
        cVK_TabAmort* last = standards->GetLast();
        if (last && last->GetExercice() < 0)
            return last->GetDotation(TDateTime()) + last->GetCumulAmortOuv(1);
        return CCurrency(0);
    }
    return !OUV_AMORT_MAN.IsNull() ? OUV_AMORT_MAN : OUV_AMORT_CALC_MAN;
}

CCurrency cVK_Amortissement::GetMAN_CumulDeprecDedOuv(int mode) {
    if (!base_.empty()) return CCurrency(0);
    if (mode != 0 && !OUV_DEPREC_DED_MAN.IsNull()) return OUV_DEPREC_DED_MAN;
    return GetCumulDeprecDedOuv(2);
}

CCurrency cVK_Amortissement::GetMAN_CumulDeprecNonDedOuv(int mode) {
    if (!base_.empty()) return CCurrency(0);
    if (mode != 0 && !OUV_DEPREC_NON_DED_MAN.IsNull()) return OUV_DEPREC_NON_DED_MAN;
    return GetCumulDeprecNonDedOuv(2);
}

void cVK_Amortissement::StockeAmortAnterieurs(bool atClosing) {
    try {
        METHODE = GetMethode();  // a method whose validity has ended is frozen as its fallback
        cVK_Composant* component = GetComposant();
        const int assetState = component && component->GetBien() ? component->GetBien()->Etat : veAucun;
        if (!atClosing && assetState == veMiseAuxNormes) {
            OUV_AMORT_CALC_MAN.SetNull();
            GetMAN_LstTabAmort()->CalculTableau();
            OUV_AMORT_CALC_MAN = GetMAN_CumulAmortOuv(0);
        }
        cVK_LstTabAmort* schedule = GetLstTabAmort();
        schedule->CalculTableau();
        const bool hadStored = schedule->HasStocke();
        const int limit = atClosing ? 1 : 0;
        std::vector<cVK_TabAmort*> toWrite;
        for (const auto& [year, line] : schedule->Lignes())
            if (!line->IsStocke() && year < limit) toWrite.push_back(line.get());
        int written = 0;
        for (cVK_TabAmort* line : toWrite)
            if (line->BD_Inserer()) ++written;
        if (written > 0) schedule->Relit();  // what was written is read back as stored
        if (!hadStored && written == 0 && component) {
            const bool enteredBefore = pCurDossier->DonnerExercice(component->DATEENTREE, false) < 0;
            if ((assetState == veInitialisation && enteredBefore) || assetState == veMiseAuxNormes)
                schedule->InsertAmortVideAnt();
        }
        if (atClosing) {
            OUV_AMORT_CALC_MAN.SetNull();
            OUV_AMORT_MAN.SetNull();
            OUV_DEPREC_DED_MAN.SetNull();
            OUV_DEPREC_NON_DED_MAN.SetNull();
        }
        Modifie();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

bool cVK_Amortissement::GetASubitUnChangementDePlan() {
    try {
        cVK_Composant* component = GetComposant();
        if (!component || !component->GetBien()) return false;
        const int type = component->GetBien()->TYPEBIEN;
        if (type != 1 && type != 2) return false;
        component->CreeFicTemporaireTabAmort();
        TIBDatabase* environment = pEnvironnement->GetDatabaseFirebird(ttEnvironnement);
        const UnicodeString condition = " FROM VKA WHERE ID_COMPO=" + VK_Format_ID(component->ID) +
                                        " AND TYPE_AMORT=" + VK_FormatInt(TYPEAMORT);
        TIBQuery first(environment);
        first.SQL.SetText(
            component->IsImmoFinanciere()
                ? "SELECT MIN(DATE_CLOT)AS DATE_CLOT,PRIXHT,VALRESID,FRAIS_ACQUIS, FRAIS_ACQUIS AS VALAMORT" +
                      condition + " GROUP BY PRIXHT,VALRESID,FRAIS_ACQUIS"
                : "SELECT MIN(DATE_CLOT)AS DATE_CLOT,PRIXHT,VALRESID, CASE WHEN VALRESID IS NULL THEN "
                  "PRIXHT ELSE PRIXHT-VALRESID END AS VALAMORT" +
                      condition + " GROUP BY PRIXHT,VALRESID");
        first.Open();
        if (first.Eof()) return false;
        const CCurrency price = first.FieldByName("PRIXHT")->AsCurrency();
        const CCurrency residual = first.FieldByName("VALRESID")->AsCurrency();
        first.Close();
        TIBQuery second(environment);
        second.SQL.Add(
            "SELECT MIN(DATE_CLOT)AS DATE_CLOT,NUM_METHODE,METHODE,PTDEDEPART,DUREE,NATURE_UO, NB_UO" +
            condition);
        if (!price.IsNull()) second.SQL.Add("AND PRIXHT=" + VK_FormatDouble(price.AsDouble()));
        second.SQL.Add(residual.IsNull() ? " AND VALRESID IS NULL"
                                         : " AND VALRESID=" + VK_FormatDouble(residual.AsDouble()));
        second.SQL.Add(" GROUP BY PRIXHT,VALRESID,NUM_METHODE,METHODE,PTDEDEPART,DUREE,NATURE_UO,NB_UO");
        second.Open();
        return second.RecordCount() > 1;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// Comparison

bool cVK_Amortissement::operator==(cVK_Amortissement& other) {
    return GetMethode() == other.GetMethode() && double(GetPtDeDepart()) == double(other.GetPtDeDepart()) &&
           GetDuree() == other.GetDuree() && GetValAmortissable() == other.GetValAmortissable();
}

bool cVK_Amortissement::Export_EstEgalA(cVK_Amortissement& other) {
    return *this == other && GetCumulAmortOuv(1) == other.GetCumulAmortOuv(1);
}
