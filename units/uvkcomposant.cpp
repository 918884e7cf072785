// The component: its table, its construction and loading, and the totals of its acquisition details.
#include "units/uvkcomposant.h"

#include "platform/dossier.h"
#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvkcession.h"
#include "units/uvkdetailcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvklistes.h"
#include "units/uvkuniteoeuvre.h"
#include "units/vkchamps.h"

#define VK_UNIT vk::kUnitComposant
#define VK_LINE_BASE 0
#include "units/vklocation.h"

using namespace vkchamps;

const char* const cszTypeEntree[7] = {"Acquisition",
                                      "Fusions",
                                      "Rachat de crédit-bail",
                                      "Rachat de location financière",
                                      "Crédit-bail",
                                      "Location financière",
                                      "Utilisation à titre gratuit"};
const char* const cszTypeEntreeCourt[7] = {"A", "F", "RCB", "RLF", "CB", "LF", "UG"};

const char* const cVK_Composant::ColonnesSelect =
    "ID_COMPO,REF_CALC,REF_SAIS,DESIGNATION,EXOCREATION,EXOSUPPR,ID_BIEN,ISSTRUCTURE,NUMCOMPTE,ID_ETAB,"
    "DATEENTREE,DATEMISEENSERV,TYPEENTREE,MAN_MOTIF,MAN_MONTAIMMO,MAN_AMORTDEJAPRAT,MAN_CPTACRED,"
    "MAN_MONTACRED,REF_FRPPAL,REF_MARQUE,REF_TYPE,REF_REFCONST,REF_NUMSERIE,REF_NUMFACTURE,COMMENTAIRE,"
    "CE_QTE,AH_CRIT1,AH_CRIT2,AH_CRIT3,AH_CRIT4,AH_CRIT5,AFFECT_BUDGET,DEST_EXPLOIT,SOUMIS_TP,BASE_TAXEPRO,"
    "ISAMORT_NON_DEDUC,POUR_CALC_REINT_AMORT,UO_CONSO_OUV,UO_CONSO,UO_DESIGNATION,DEROG_OUV,DEROG_OUV_FORC,"
    "DEROG_OUV_MAN,DEROG_OUV_FORC_MAN,OUV_A_DED,OUV_A_DED_FORCE,OUV_A_DED_FORC_MAN,ETATCREATION,ID_FAMILLE,"
    "ORI_FAMILLE,ISIMMOS_DT_DOT_PLAF";

UnicodeString cVK_Composant::NomTable(const UnicodeString& base) {
    return GetNomTableBase("VKC", base);
}

void cVK_Composant::CreerBase(const UnicodeString& base) {
    try {
        const bool dossier = EstDossier(base);
        const UnicodeString name = NomTable(base);
        const UnicodeString nn = dossier ? " NOT NULL," : ",";
        const UnicodeString references =
            dossier ? " REFERENCES " + GetNomTable("VKB", false) + " ON DELETE CASCADE," : ",";
        const UnicodeString commentaire = dossier ? "COMMENTAIRE VARCHAR(32000)," : "COMMENTAIRE BLOB,";
        const UnicodeString sql =
            "CREATE TABLE " + name + "(ID_COMPO AUTOINC" + nn + "REF_CALC INTEGER" + nn +
            "REF_SAIS VARCHAR(10),DESIGNATION VARCHAR(60),EXOCREATION SMALLINT" + nn +
            "EXOSUPPR SMALLINT,ID_BIEN INTEGER" + references +
            "ISSTRUCTURE BOOLEAN,NUMCOMPTE VARCHAR(13),ID_ETAB INTEGER,DATEENTREE DATE,DATEMISEENSERV DATE,"
            "TYPEENTREE SMALLINT,MAN_MOTIF SMALLINT,MAN_MONTAIMMO DECIMAL(18,4),MAN_AMORTDEJAPRAT "
            "DECIMAL(18,4),MAN_CPTACRED VARCHAR(13),MAN_MONTACRED DECIMAL(18,4),REF_FRPPAL VARCHAR(60),"
            "REF_MARQUE VARCHAR(30),REF_TYPE VARCHAR(30),REF_REFCONST VARCHAR(30),REF_NUMSERIE VARCHAR(30),"
            "REF_NUMFACTURE VARCHAR(30)," +
            commentaire +
            "CE_QTE INTEGER,AH_CRIT1 SMALLINT,AH_CRIT2 SMALLINT,AH_CRIT3 SMALLINT,AH_CRIT4 SMALLINT,AH_CRIT5 "
            "SMALLINT,AFFECT_BUDGET VARCHAR(25),DEST_EXPLOIT BOOLEAN,SOUMIS_TP BOOLEAN,BASE_TAXEPRO "
            "DECIMAL(18,4),ISAMORT_NON_DEDUC BOOLEAN,ISIMMOS_DT_DOT_PLAF BOOLEAN,POUR_CALC_REINT_AMORT "
            "BOOLEAN,UO_CONSO_OUV DECIMAL(18,4),UO_CONSO DECIMAL(18,4),UO_DESIGNATION VARCHAR(35),DEROG_OUV "
            "DECIMAL(18,4),DEROG_OUV_FORC DECIMAL(18,4),DEROG_OUV_MAN DECIMAL(18,4),DEROG_OUV_FORC_MAN "
            "DECIMAL(18,4),OUV_A_DED DECIMAL(18,4),OUV_A_DED_FORCE DECIMAL(18,4),OUV_A_DED_FORC_MAN "
            "DECIMAL(18,4),ETATCREATION SMALLINT,ID_FAMILLE INTEGER,ORI_FAMILLE SMALLINT,PRIMARY "
            "KEY(ID_COMPO))";
        if (!VK_CreateTable(VK_LOC(), "VKC", sql, base) || !dossier) return;
        pCurDossier->CreeAutoIncFirebird(name, "ID_COMPO", true);
        pCurDossier->CreeAutoIncFirebird(name, "REF_CALC", true);
        pCurDossier->ExecSQLFirebird(
            VK_LOC(), "CREATE INDEX IDX_REF_CALC_EXOCREATION ON " + name + "(REF_CALC,EXOCREATION)", false,
            nullptr);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

cVK_Composant::cVK_Composant(cVK_ListeComposants* list, const UnicodeString& base, TDataSet* row, unsigned id)
    : cVK_PrimaireAmortissable(id), liste_(list), bien_(list ? list->GetBien() : nullptr), base_(base) {
    TypePrimaire = 1;
    ID_BIEN = bien_ ? bien_->ID : 0;
    if (id == 0)
        InitNouveau();
    else
        Lit(row);
}

cVK_Composant::~cVK_Composant() = default;

void cVK_Composant::InitNouveau() {
    try {
        InitNouvelEnregistrement(NomTable(), "REF_CALC", base_);
        const int etat = GetEtatBien();
        ISSTRUCTURE = liste_ == nullptr || liste_->Count() == 0;
        ID_ETAB = 0;
        EXOCREATION = 0;
        EXOSUPPR = 0;
        TYPEENTREE = 0;  // acquisition
        MAN_MOTIF = etat == veMiseAuxNormes ? 1 : 0;
        CE_QTE = 1;
        AH_CRIT.fill(0);
        SOUMIS_TP = false;
        ETATCREATION = etat;
        Famille.Clear();
        // A standards conformity starts from a zero derogatory balance; otherwise none is stored.
        DEROG_OUV = etat == veMiseAuxNormes ? CCurrency(0) : CCurrency();
        if (EstDossier(base_)) details_ = std::make_unique<cVK_LstDetailComposant>(this);
        amortissements_ = std::make_unique<cVK_LstAmortissement>(this, base_);
        if (bien_ && bien_->ID != 0) BD_Inserer();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

void cVK_Composant::Lit(TDataSet* row) {
    std::unique_ptr<TIBQuery> own;
    try {
        if (!row) {
            own = VK_InitDataset(VK_LOC(),
                                 UnicodeString("SELECT ") + ColonnesSelect + " FROM " + NomTable() +
                                     " WHERE ID_COMPO=" + VK_Format_ID(ID),
                                 true, base_);
            if (!own) return;
            own->Open();
            if (own->Eof()) throw Exception("Composant " + VK_Format_ID(ID) + " introuvable");
            row = own.get();
        }
        Init(row);
        EXOCREATION = Entier(row, "EXOCREATION", VK_IntNull);
        EXOSUPPR = Entier(row, "EXOSUPPR", VK_IntNull);
        ID_BIEN = Identifiant(row, "ID_BIEN");
        ISSTRUCTURE = Booleen(row, "ISSTRUCTURE");
        NUMCOMPTE = Texte(row, "NUMCOMPTE");
        ID_ETAB = Identifiant(row, "ID_ETAB");
        DATEENTREE = Date(row, "DATEENTREE");
        DATEMISEENSERV = Date(row, "DATEMISEENSERV");
        TYPEENTREE = Entier(row, "TYPEENTREE", VK_IntNull);
        MAN_MOTIF = Entier(row, "MAN_MOTIF");
        MAN_MONTAIMMO = Montant(row, "MAN_MONTAIMMO");
        MAN_AMORTDEJAPRAT = Montant(row, "MAN_AMORTDEJAPRAT");
        MAN_CPTACRED = Texte(row, "MAN_CPTACRED");
        MAN_MONTACRED = Montant(row, "MAN_MONTACRED");
        REF_FRPPAL = Texte(row, "REF_FRPPAL");
        REF_MARQUE = Texte(row, "REF_MARQUE");
        REF_TYPE = Texte(row, "REF_TYPE");
        REF_REFCONST = Texte(row, "REF_REFCONST");
        REF_NUMSERIE = Texte(row, "REF_NUMSERIE");
        REF_NUMFACTURE = Texte(row, "REF_NUMFACTURE");
        COMMENTAIRE = Texte(row, "COMMENTAIRE");
        CE_QTE = Entier(row, "CE_QTE");
        static const char* const criteres[5] = {"AH_CRIT1", "AH_CRIT2", "AH_CRIT3", "AH_CRIT4", "AH_CRIT5"};
        for (int i = 0; i < 5; ++i) AH_CRIT[i] = Identifiant(row, criteres[i]);
        AFFECT_BUDGET = Texte(row, "AFFECT_BUDGET");
        DEST_EXPLOIT = Booleen(row, "DEST_EXPLOIT");
        SOUMIS_TP = Booleen(row, "SOUMIS_TP");
        BASE_TAXEPRO = Montant(row, "BASE_TAXEPRO");
        ISAMORT_NON_DEDUC = Booleen(row, "ISAMORT_NON_DEDUC");
        POUR_CALC_REINT_AMORT = Booleen(row, "POUR_CALC_REINT_AMORT");
        UO_CONSO_OUV = Montant(row, "UO_CONSO_OUV");
        UO_CONSO = Montant(row, "UO_CONSO");
        UO_DESIGNATION = Texte(row, "UO_DESIGNATION");
        DEROG_OUV = Montant(row, "DEROG_OUV");
        DEROG_OUV_FORC = Montant(row, "DEROG_OUV_FORC");
        DEROG_OUV_MAN = Montant(row, "DEROG_OUV_MAN");
        DEROG_OUV_FORC_MAN = Montant(row, "DEROG_OUV_FORC_MAN");
        OUV_A_DED = Montant(row, "OUV_A_DED");
        OUV_A_DED_FORCE = Montant(row, "OUV_A_DED_FORCE");
        OUV_A_DED_FORC_MAN = Montant(row, "OUV_A_DED_FORC_MAN");
        ETATCREATION = Entier(row, "ETATCREATION");
        ISIMMOS_DT_DOT_PLAF = Booleen(row, "ISIMMOS_DT_DOT_PLAF");
        if (EstDossier(base_)) {
            NUMCOMPTE = pCurDossier->DossierCompleteCompte(NUMCOMPTE, true);
            MAN_CPTACRED = pCurDossier->DossierCompleteCompte(MAN_CPTACRED, true);
        }
        GetFamilleOuGrdFamille(row, &Famille);
        own.reset();
        if (EstDossier(base_)) {
            details_ = std::make_unique<cVK_LstDetailComposant>(this);
            LitCession();
        }
        if (!bien_) LitVehiculeSansBien();
        amortissements_ = std::make_unique<cVK_LstAmortissement>(this, base_);
        // Once both plans are read, a copy plan can say whether it uses units of production.
        LitUnitesPrevues();
        // A disposal without a tax rate takes the rate of its long-term result (D17: only when the
        // component has a disposal).
        if (cession_) cession_->InitTauxImposition();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

// A component loaded without its asset reads the asset vehicle's facts once, for the vehicle
// getters. The statement runs on the component's own database, where its asset row lives.
void cVK_Composant::LitVehiculeSansBien() {
    if (ID_BIEN == 0) return;
    auto query =
        VK_InitDataset(VK_LOC(),
                       "SELECT V.DATEPREMIMMAT,V.TYPEVEH FROM " + GetNomTableBase("VKB", base_) +
                           " B LEFT OUTER JOIN " + GetNomTableBase("VKV", base_) +
                           " V ON (V.ID_VEH=B.ID_VEH) WHERE (B.ID_BIEN=" + VK_Format_ID(ID_BIEN) + ")",
                       true, base_);
    if (!query) return;
    query->Open();
    vehiculeLu_ = true;
    if (query->Eof()) return;
    vehiculePresent_ = !query->Fields(1)->IsNull();
    datePremImmat_ = query->Fields(0)->AsDateTime();
    typeVehicule_ = query->Fields(1)->IsNull() ? 0 : query->Fields(1)->AsInteger();
}

int cVK_Composant::GetEtatBien() const {
    return bien_ ? static_cast<int>(bien_->Etat) : 0;
}

TDateTime cVK_Composant::GetDatePremiereImmatriculation() const {
    if (bien_) return bien_->GetVehicule() ? bien_->GetVehicule()->DATEPREMIMMAT : TDateTime();
    return datePremImmat_;
}

int cVK_Composant::GetTypeVehicule() const {
    if (bien_) return bien_->GetVehicule() ? bien_->GetVehicule()->TYPEVEH : 0;
    return typeVehicule_;
}

bool cVK_Composant::HasVehicule() const {
    if (bien_) return bien_->GetVehicule() != nullptr;
    return vehiculePresent_;
}

// ---------------------------------------------------------------------------------------------
// Totals of the acquisition details

namespace {
CCurrency Plancher(const CCurrency& amount) {
    if (amount.IsNull()) return amount;
    return amount < CCurrency(0) ? CCurrency(0) : amount;
}
}  // namespace

CCurrency cVK_Composant::GetPrixAcquis() const {
    return Plancher(PrixAcquis);
}

CCurrency cVK_Composant::GetFraisAcquis() const {
    return Plancher(FraisAcquis);
}

CCurrency cVK_Composant::GetTVARecuperee() const {
    return Plancher(TVARecuperee);
}

CCurrency cVK_Composant::GetPrixHT() const {
    try {
        return GetPrixAcquis() + GetFraisAcquis();
    } catch (const std::exception& e) {  // a sum beyond the amounts' range
        vk::Display(VK_LOC(), e);
        return CCurrency();
    }
}

void cVK_Composant::CumuleDetail(const CCurrency& prix, const CCurrency& frais, const CCurrency& tva,
                                 int sign) {
    if (sign >= 0) {
        PrixAcquis += prix;
        FraisAcquis += frais;
        TVARecuperee += tva;
    } else {
        PrixAcquis -= prix;
        FraisAcquis -= frais;
        TVARecuperee -= tva;
    }
    ClearCalculs();
}

void cVK_Composant::VideTotaux() {
    PrixAcquis.SetNull();
    FraisAcquis.SetNull();
    TVARecuperee.SetNull();
    ClearCalculs();
}
