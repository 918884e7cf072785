// The component: the rules it applies to its own fields (setters with side effects) and the getters
// the other parts read.
#include "platform/dossier.h"
#include "platform/postes.h"
#include "platform/tablesfichier.h"
#include "units/uvkbien.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"
#include "units/uvkdetailcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvklistes.h"
#include "units/vkchamps.h"

#define VK_UNIT vk::kUnitComposant
#define VK_LINE_BASE 2000
#include "units/vklocation.h"

using namespace vkchamps;

namespace {

bool CommencePar(const UnicodeString& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// An amount setter stores its value unless it is unchanged; true when it changed.
bool Change(CCurrency& field, const CCurrency& value) {
    if (field == value) return false;
    field = value;
    return true;
}

bool DansExerciceCourantOuApres(const TDateTime& date) {
    return !date.IsNull() && date >= pCurDossier->DateDebutExercice;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Setters

void cVK_Composant::SetNumCompte(const UnicodeString& account) {
    if (account == NUMCOMPTE) return;
    NUMCOMPTE = account;
    // Land and buildings (211, 212, 213) are outside the business tax's equipment base.
    const bool terrainOuConstruction =
        CommencePar(account, "211") || CommencePar(account, "212") || CommencePar(account, "213");
    SOUMIS_TP = !terrainOuConstruction && POSTESCompteEstDansPoste(account, 7302);
    Modifie();
}

void cVK_Composant::SetIsAmortNonDeductible(bool value) {
    if (value == ISAMORT_NON_DEDUC) return;
    ISAMORT_NON_DEDUC = value;
    ClearCalculs();
    Modifie();
}

namespace {
// A total set directly is never negative; the null amount stays null.
CCurrency TotalDirect(const CCurrency& amount) {
    if (amount.IsNull()) return amount;
    return amount < CCurrency(0) ? CCurrency(0) : amount;
}
}  // namespace

// The totals are not stored in the row: no Modifie().
void cVK_Composant::SetPrixAcquis(const CCurrency& amount) {
    if (Change(PrixAcquis, TotalDirect(amount))) ClearCalculs();
}

void cVK_Composant::SetFraisAcquis(const CCurrency& amount) {
    if (Change(FraisAcquis, TotalDirect(amount))) ClearCalculs();
}

void cVK_Composant::SetTVARecuperee(const CCurrency& amount) {
    if (Change(TVARecuperee, TotalDirect(amount))) ClearCalculs();
}

void cVK_Composant::SetUO_CumulConsoOuvForce(const CCurrency& quantity) {
    if (!Change(UO_CONSO_OUV, quantity)) return;
    ClearCalculsUnites();
    Modifie();
}

void cVK_Composant::SetUO_ConsommationTotale(const CCurrency& quantity) {
    if (!Change(UO_CONSO, quantity)) return;
    ClearCalculsUnites();
    Modifie();
}

void cVK_Composant::SetUO_Designation(const UnicodeString& text) {
    if (text == UO_DESIGNATION) return;
    UO_DESIGNATION = text;
    Modifie();
}

void cVK_Composant::SetAmortDerogOuvForce(const CCurrency& amount) {
    if (Change(DEROG_OUV_FORC, amount)) Modifie();
}

void cVK_Composant::SetMAN_AmortDerogOuvForce(const CCurrency& amount) {
    if (Change(DEROG_OUV_FORC_MAN, amount)) Modifie();
}

void cVK_Composant::SetReintTmpOuvForce(const CCurrency& amount) {
    if (Change(OUV_A_DED_FORCE, amount)) Modifie();
}

void cVK_Composant::SetMAN_ReintTmpOuvForce(const CCurrency& amount) {
    if (Change(OUV_A_DED_FORC_MAN, amount)) Modifie();
}

void cVK_Composant::SetAH_Critere(int index, unsigned id) {
    if (index < 0 || index >= static_cast<int>(AH_CRIT.size()) || AH_CRIT[index] == id) return;
    AH_CRIT[index] = id;
    Modifie();
}

void cVK_Composant::SetDateEntree(const TDateTime& date) {
    if (double(date) == double(DATEENTREE)) return;
    DATEENTREE = date;
    ClearCalculs();
    Modifie();
}

void cVK_Composant::SetDateMiseEnService(const TDateTime& date) {
    if (double(date) == double(DATEMISEENSERV)) return;
    DATEMISEENSERV = date;
    ClearCalculs();
    Modifie();
}

void cVK_Composant::SetTypeEntree(int type) {
    if (type == TYPEENTREE) return;
    TYPEENTREE = type;
    ClearCalculs();
    Modifie();
}

// ---------------------------------------------------------------------------------------------
// Getters

CCurrency cVK_Composant::GetPrixHTOuverture() const {
    CCurrency total(0);
    try {
        if (!details_) return total;
        const TDateTime debut = pCurDossier->DateDebutExercice;
        for (int i = 0; i < details_->Count(); ++i) {
            const cVK_DetailComposant* detail = details_->Get(i);
            if (detail->GetDateDeCreation() < debut || detail->DESIGNATION == "Mise aux normes")
                total += detail->GetPrixHT();
        }
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
    return total < CCurrency(0) ? CCurrency(0) : total;
}

int cVK_Composant::GetTypeCompte() const {
    if (IsImmoFi(NUMCOMPTE)) return 3;
    if (POSTESCompteEstDansPoste(NUMCOMPTE, 7301)) return 0;
    if (POSTESCompteEstDansPoste(NUMCOMPTE, 7302)) return 1;
    return 2;
}

bool cVK_Composant::IsImmoFinanciere() const {
    return IsImmoFi(NUMCOMPTE);
}

bool cVK_Composant::IsImmoIncorporelle() const {
    return IsImmoIncorp(NUMCOMPTE);
}

UnicodeString cVK_Composant::GetNomTypeEntree() const {
    return TYPEENTREE >= 0 && TYPEENTREE <= 6 ? cszTypeEntree[TYPEENTREE] : "";
}

UnicodeString cVK_Composant::GetTypeEntreeLong() const {
    return GetNomTypeEntree();
}

// The short code shows only the entries of the current fiscal year or later.
UnicodeString cVK_Composant::GetTypeEntree() const {
    if (TYPEENTREE < 0 || TYPEENTREE > 6 || !DansExerciceCourantOuApres(DATEENTREE)) return "";
    return cszTypeEntreeCourt[TYPEENTREE];
}

UnicodeString cVK_Composant::GetAcquisCede(const TDateTime& date) const {
    if (cession_ && !cession_->GetDateSortie().IsNull() && cession_->GetDateSortie() <= date) {
        const int reason = cession_->GetMotifSortie();
        return reason >= 0 && reason <= 5 ? cVK_Cession::MotifsSorties[reason] : "";
    }
    return GetTypeEntree();
}

CCurrency cVK_Composant::GetBaseTaxePro() const {
    if (!SOUMIS_TP || GetBaseTaxePro_IsValLocative()) return CCurrency();
    return BASE_TAXEPRO.IsNull() ? GetPrixHT() : BASE_TAXEPRO;
}

bool cVK_Composant::PeutEtreSoumisALa2027H() const {
    const int regime = pCurDossier->RegimeFiscalSecondaire;
    if (regime != 1 && regime != 2) return false;
    return POSTESCompteEstDansPoste(NUMCOMPTE, 7303) || CommencePar(NUMCOMPTE, "213");
}

bool cVK_Composant::IsVerrouille(VK_Actions action, int kind) const {
    if (bien_ && bien_->IsVerrouille(action, kind)) return true;
    if (action == 3 || action == 4) return DansExerciceCourantOuApres(DATEENTREE);
    return false;
}

TDateTime cVK_Composant::GetDateEntreePourCalculPvMv() {
    TDateTime date;
    try {
        if (bien_ && bien_->GetStructure()) {
            cVK_Composant* structure = bien_->GetStructure();
            if (structure->GetCession()) date = structure->DATEENTREE;
        } else if (EstDossier(base_) && ID != 0 && TableExiste("VKO", base_)) {
            const UnicodeString assets = GetNomTable("VKB", false), components = GetNomTable("VKC", false);
            auto query = VK_InitDataset(
                VK_LOC(),
                "SELECT C1.DATEENTREE  FROM " + assets + " B JOIN " + components +
                    " C1 ON C1.ID_BIEN=B.ID_BIEN JOIN " + GetNomTable("VKO", false) +
                    " Cess ON Cess.ID_COMPO=C1.ID_COMPO WHERE B.ID_BIEN=(SELECT C2.ID_BIEN FROM " +
                    components + " C2 WHERE C2.ID_COMPO=" + VK_Format_ID(ID) +
                    ") AND C1.ISSTRUCTURE=1 AND B.TYPEBIEN=" + VK_FormatInt(2),
                true, base_);
            if (query) {
                query->Open();
                if (!query->Eof()) date = query->Fields(0)->AsDateTime();
            }
        }
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
    return date.IsNull() ? DATEENTREE : date;
}

cVK_Composant* cVK_Composant::GetCompoPrec() {
    if (compoPrecLu_) return compoPrec_.get();
    try {
        if (!EstDossier(base_) || ID == 0) return nullptr;
        auto query = VK_InitDataset(VK_LOC(),
                                    UnicodeString("SELECT FIRST 1 ") + ColonnesSelect + " FROM " +
                                        NomTable() + " WHERE (REF_CALC=" + GetRefCalc() + ") AND(ID_COMPO<" +
                                        VK_Format_ID(ID) + ")ORDER BY ID_COMPO DESCENDING",
                                    true, base_);
        if (!query) return nullptr;
        query->Open();
        compoPrecLu_ = true;
        if (query->Eof()) return nullptr;
        compoPrec_ = std::make_unique<cVK_Composant>(nullptr, base_, query.get(),
                                                     Identifiant(query.get(), "ID_COMPO"));
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        compoPrec_.reset();
    }
    return compoPrec_.get();
}

UnicodeString cVK_Composant::GetAH_sCritere(int index) const {
    try {
        if (index < 0 || index >= static_cast<int>(AH_CRIT.size()) || AH_CRIT[index] == 0) return "";
        auto query = VK_InitDataset(
            VK_LOC(), "SELECT CLASSEMENT FROM ZENKOVKQ WHERE ID_CLASS=" + VK_Format_ID(AH_CRIT[index]), true,
            "");
        if (!query) return "";
        query->Open();
        return query->Eof() ? "" : query->Fields(0)->AsString();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return "";
    }
}

// The family of a component (a model asset it was built from) and its name, looked up in the
// database of its origin: the common database (0) or the case file's named database (1).
void cVK_Composant::GetFamilleOuGrdFamille(TDataSet* row, cDonneesFamille* out) {
    if (!out) return;
    out->Clear();
    try {
        TField* id = row ? row->FindField("ID_FAMILLE") : nullptr;
        if (!id || id->IsNull()) return;
        out->ID = static_cast<unsigned>(id->AsInt64());
        out->Origine = Entier(row, "ORI_FAMILLE");
        const bool commun = out->Origine == 0;
        const UnicodeString alias = commun ? "OKT_COMMUN" : "OKT_DOSSIER";
        const bool famille = bien_ && bien_->TYPEBIEN == vbFamille;
        const UnicodeString table = GetNomTable(famille ? "VKF" : "VKB", commun);
        bool found = false;
        if (tablesfichier::TableExiste(alias, table)) {
            const UnicodeString sql = famille ? "SELECT ID,Nom FROM " + table
                                              : "SELECT ID_BIEN AS ID,DESIGNATION AS Nom FROM " + table;
            auto query = VK_InitDataset(VK_LOC(), sql, true, alias);
            if (!query) return;
            for (query->Open(); !query->Eof() && !found; query->Next()) {
                if (static_cast<unsigned>(query->FieldByName("ID")->AsInt64()) != out->ID) continue;
                out->Nom = query->FieldByName("NOM")->AsString();
                found = true;
            }
        }
        if (!found && !commun) out->Clear();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

UnicodeString cVK_Composant::GetNomGrdFamille() {
    try {
        if (!bien_ || bien_->TYPEBIEN == vbFamille || Famille.ID == 0) return "";
        const UnicodeString alias = Famille.Origine == 0 ? "OKT_COMMUN" : "OKT_DOSSIER";
        cVK_Bien family(Famille.ID, alias, nullptr, nullptr);
        const cVK_Composant* structure = family.GetStructure();
        if (!structure || structure->Famille.ID == 0) return "";
        return structure->Famille.Nom + (structure->Famille.Origine == 0 ? " (Commun)" : " (Dossier)");
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return "";
    }
}
