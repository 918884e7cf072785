// The asset: its table, its construction and loading, saving, its states and locking.
#include "units/uvkbien.h"
#include "units/uvkcession.h"

#include "platform/dossier.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvklistes.h"
#include "units/uvkprechargement.h"
#include "units/uvksortie.h"
#include "units/vkchamps.h"

#define VK_UNIT vk::kUnitBien
#define VK_LINE_BASE 0
#include "units/vklocation.h"

using namespace vkchamps;

const char* const cVK_Bien::ColonnesSelect =
    "ID_BIEN,REF_CALC,REF_SAIS,DESIGNATION,TYPEBIEN,USERCREAT,DATECREAT,USERVALID,DATEVALID,EXOCREAT,"
    "IMPORTATION,INITIALISATION,MISE_AUX_NORMES,MODIFICATION,CESSION,VALIDER,CLOTURER,ID_ENS,ID_SORTIE,"
    "ID_VEH,REDUC_ASS_TP,PLANCHER_CALC_PV";

UnicodeString cVK_Bien::NomTable(const UnicodeString& base) {
    return GetNomTableBase("VKB", base);
}

void cVK_Bien::CreerBase(const UnicodeString& base) {
    try {
        const bool dossier = EstDossier(base);
        const UnicodeString name = NomTable(base);
        const UnicodeString nn = dossier ? " NOT NULL," : ",";
        const UnicodeString links = dossier ? "ID_ENS INTEGER REFERENCES " + GetNomTable("VKE", false) +
                                                  " ON DELETE SET NULL,ID_SORTIE INTEGER REFERENCES " +
                                                  GetNomTable("VKS", false) + ",ID_VEH INTEGER REFERENCES " +
                                                  GetNomTable("VKV", false) + " ON DELETE SET NULL,"
                                            : "ID_ENS INTEGER,ID_SORTIE INTEGER,ID_VEH INTEGER,";
        const UnicodeString sql =
            "CREATE TABLE " + name + "(ID_BIEN AUTOINC" + nn + "REF_CALC INTEGER" + nn +
            "REF_SAIS VARCHAR(10),DESIGNATION VARCHAR(60),TYPEBIEN SMALLINT,USERCREAT VARCHAR(15)" + nn +
            "DATECREAT TIMESTAMP" + nn + "USERVALID VARCHAR(15),DATEVALID TIMESTAMP,EXOCREAT SMALLINT" + nn +
            "IMPORTATION BOOLEAN,INITIALISATION BOOLEAN,MISE_AUX_NORMES BOOLEAN,MODIFICATION BOOLEAN,CESSION "
            "BOOLEAN,VALIDER BOOLEAN,CLOTURER BOOLEAN," +
            links + "REDUC_ASS_TP SMALLINT,PLANCHER_CALC_PV DECIMAL(18,4),PRIMARY KEY(ID_BIEN))";
        if (!VK_CreateTable(VK_LOC(), "VKB", sql, base) || !dossier) return;
        pCurDossier->CreeAutoIncFirebird(name, "ID_BIEN", true);
        pCurDossier->CreeAutoIncFirebird(name, "REF_CALC", false);
        // Every version of an asset is found by its calculated reference (the chain, the closing, the
        // lists' latest version): without an index each lookup reads the whole table.
        VK_ExecSQL(VK_LOC(), "CREATE INDEX IDX_VKB_REF_CALC ON " + name + " (REF_CALC)", base);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

cVK_Bien::cVK_Bien(unsigned id, const UnicodeString& base, cVK_ListeBiens* list, TDataSet* row)
    : cVK_PrimaireAmortissable(id), base_(base), liste_(list), sortie_(list ? list->GetSortie() : nullptr) {
    TypePrimaire = 0;
    if (id == 0) {
        // A new asset for a list: stored with the list.
        InitNouveau(veAucun);
        return;
    }
    Lit(row);
}

cVK_Bien::cVK_Bien(VK_Etats state, const UnicodeString& base, cVK_ListeBiens* list, TDataSet*,
                   VK_Insertion insertion)
    : cVK_PrimaireAmortissable(0), base_(base), liste_(list), sortie_(list ? list->GetSortie() : nullptr) {
    TypePrimaire = 0;
    insertion_ = insertion;
    InitNouveau(state);
    // An importation is inserted by the host itself.
    if (state != veImportation && insertion == VK_Insertion::Immediate) BD_Inserer();
}

cVK_Bien::~cVK_Bien() = default;

void cVK_Bien::InitNouveau(VK_Etats state) {
    try {
        InitNouvelEnregistrement(NomTable(), "REF_CALC", base_);
        TYPEBIEN = vbNouveau;
        Etat = state;
        EtatCplmt = vcEnCours;
        PLANCHER_CALC_PV.SetNull();
        USERCREAT = UtilisateurStamp();
        DATECREAT = Now();
        EXOCREAT = 0;
        REDUC_ASS_TP = 0;
        // A new asset always has its structure component (D6): the list adds it.
        composants_ = std::make_unique<cVK_ListeComposants>(this, base_);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

void cVK_Bien::Lit(TDataSet* row) {
    std::unique_ptr<TDataSet> own;
    try {
        if (!row) {
            own = VK_DatasetPrecharge(VK_LOC(), "VKB", VK_Format_ID(ID), VK_Format_ID(ID),
                                      UnicodeString("SELECT ") + ColonnesSelect + " FROM " + NomTable() +
                                          " WHERE ID_BIEN=" + VK_Format_ID(ID),
                                      true, base_);
            if (!own) return;
            own->Open();
            if (own->Eof()) throw Exception("Bien " + VK_Format_ID(ID) + " introuvable");
            row = own.get();
        }
        Init(row);
        TYPEBIEN = Entier(row, "TYPEBIEN");
        USERCREAT = Texte(row, "USERCREAT");
        DATECREAT = Date(row, "DATECREAT");
        USERVALID = Texte(row, "USERVALID");
        DATEVALID = Date(row, "DATEVALID");
        EXOCREAT = Entier(row, "EXOCREAT", VK_IntNull);
        static const char* const etats[5] = {"IMPORTATION", "INITIALISATION", "MISE_AUX_NORMES",
                                             "MODIFICATION", "CESSION"};
        Etat = veAucun;
        for (int i = 0; i < 5 && Etat == veAucun; ++i)
            if (Booleen(row, etats[i])) Etat = static_cast<VK_Etats>(i + 1);
        EtatCplmt = Booleen(row, "CLOTURER") ? vcCloture : Booleen(row, "VALIDER") ? vcValide : vcEnCours;
        ID_ENS = Identifiant(row, "ID_ENS");
        ID_SORTIE = Identifiant(row, "ID_SORTIE");
        ID_VEH = Identifiant(row, "ID_VEH");
        REDUC_ASS_TP = Entier(row, "REDUC_ASS_TP", VK_IntNull);
        PLANCHER_CALC_PV = Montant(row, "PLANCHER_CALC_PV");
        own.reset();
        if (ID_VEH != 0) vehicule_ = std::make_unique<cVK_Vehicule>(ID_VEH, this, false, base_);
        composants_ = std::make_unique<cVK_ListeComposants>(this, base_);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

// ---------------------------------------------------------------------------------------------
// Saving: the vehicle first (its identifier goes into the row), the row, then the components.

UnicodeString cVK_Bien::Valeurs() const {
    const UnicodeString& b = base_;
    return GetRefCalc() + "," + VK_FormatAS(RefSais) + "," + VK_FormatAS(Designation) + "," +
           VK_FormatInt(TYPEBIEN) + "," + VK_FormatAS(USERCREAT) + "," + SqlDate(DATECREAT, b, true) + "," +
           VK_FormatAS(USERVALID) + "," + SqlDate(DATEVALID, b, true) + "," + VK_FormatInt(EXOCREAT) + "," +
           SqlBool(Etat == veImportation, b) + "," + SqlBool(Etat == veInitialisation, b) + "," +
           SqlBool(Etat == veMiseAuxNormes, b) + "," + SqlBool(Etat == veModification, b) + "," +
           SqlBool(Etat == veCession, b) + "," + SqlBool(EtatCplmt == vcValide, b) + "," +
           SqlBool(EtatCplmt == vcCloture, b) + "," + VK_Format_ID(ID_ENS) + "," +
           VK_Format_ID(Get_IDSortieLiee()) + "," + VK_Format_ID(ID_VEH) + "," + VK_FormatInt(REDUC_ASS_TP) +
           "," + PLANCHER_CALC_PV.GetSQL();
}

UnicodeString cVK_Bien::Affectations() const {
    const UnicodeString& b = base_;
    return "REF_SAIS=" + VK_FormatAS(RefSais) + ",DESIGNATION=" + VK_FormatAS(Designation) +
           ",TYPEBIEN=" + VK_FormatInt(TYPEBIEN) + ",USERCREAT=" + VK_FormatAS(USERCREAT) +
           ",DATECREAT=" + SqlDate(DATECREAT, b, true) + ",USERVALID=" + VK_FormatAS(USERVALID) +
           ",DATEVALID=" + SqlDate(DATEVALID, b, true) + ",EXOCREAT=" + VK_FormatInt(EXOCREAT) +
           ",IMPORTATION=" + SqlBool(Etat == veImportation, b) +
           ",INITIALISATION=" + SqlBool(Etat == veInitialisation, b) +
           ",MISE_AUX_NORMES=" + SqlBool(Etat == veMiseAuxNormes, b) +
           ",MODIFICATION=" + SqlBool(Etat == veModification, b) +
           ",CESSION=" + SqlBool(Etat == veCession, b) + ",VALIDER=" + SqlBool(EtatCplmt == vcValide, b) +
           ",CLOTURER=" + SqlBool(EtatCplmt == vcCloture, b) + ",ID_ENS=" + VK_Format_ID(ID_ENS) +
           ",ID_SORTIE=" + VK_Format_ID(Get_IDSortieLiee()) + ",ID_VEH=" + VK_Format_ID(ID_VEH) +
           ",REDUC_ASS_TP=" + VK_FormatInt(REDUC_ASS_TP) + ",PLANCHER_CALC_PV=" + PLANCHER_CALC_PV.GetSQL();
}

bool cVK_Bien::SauveVehicule() {
    if (!vehicule_) {
        ID_VEH = 0;
        return true;
    }
    if (!vehicule_->BD_MAJ()) return false;
    ID_VEH = vehicule_->ID;
    return true;
}

bool cVK_Bien::BD_Inserer() {
    try {
        if (!SauveVehicule()) return false;
        ID_SORTIE = Get_IDSortieLiee();
        if (!InsereEtRelitID(
                VK_LOC(),
                "INSERT INTO " + NomTable() +
                    "(REF_CALC,REF_SAIS,DESIGNATION,TYPEBIEN,USERCREAT,DATECREAT,USERVALID,DATEVALID,"
                    "EXOCREAT,IMPORTATION,INITIALISATION,MISE_AUX_NORMES,MODIFICATION,CESSION,VALIDER,"
                    "CLOTURER,ID_ENS,ID_SORTIE,ID_VEH,REDUC_ASS_TP,PLANCHER_CALC_PV)VALUES (" +
                    Valeurs() + ")",
                NomTable(), "ID_BIEN", base_))
            return false;
        if (composants_ && !composants_->BD_MAJ(true)) return false;
        // Written: later inserts (a new version's copies) are those of a stored asset.
        insertion_ = VK_Insertion::Immediate;
        return true;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

bool cVK_Bien::BD_Update() {
    try {
        if (!SauveVehicule()) return false;
        ID_SORTIE = Get_IDSortieLiee();
        if (!VK_ExecSQL(
                VK_LOC(),
                "UPDATE " + NomTable() + " SET " + Affectations() + " WHERE ID_BIEN=" + VK_Format_ID(ID),
                base_))
            return false;
        if (vehiculeASupprimer_ != 0) {
            if (!VK_ExecSQL(VK_LOC(),
                            "DELETE FROM " + GetNomTableBase("VKV", base_) +
                                " WHERE ID_VEH=" + VK_Format_ID(vehiculeASupprimer_),
                            base_))
                return false;
            vehiculeASupprimer_ = 0;
        }
        return !composants_ || composants_->BD_MAJ();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// Components, vehicle, designation

cVK_Composant* cVK_Bien::GetStructure() const {
    return composants_ ? composants_->GetStructure() : nullptr;
}

cVK_Composant* cVK_Bien::Get_ComposantCourant() {
    return GetStructure();
}

void cVK_Bien::SetDesignation(const UnicodeString& text) {
    Designation = text;
    cVK_Composant* structure = GetStructure();
    if (structure && structure->Designation.empty()) structure->SetDesignation(text);
}

cVK_Vehicule* cVK_Bien::CreeVehicule() {
    if (!vehicule_) {
        vehicule_ = std::make_unique<cVK_Vehicule>(0, this, false, base_);
        Modifie();
    }
    return vehicule_.get();
}

void cVK_Bien::SupprimeVehicule() {
    if (!vehicule_) return;
    if (vehicule_->ID != 0) vehiculeASupprimer_ = vehicule_->ID;
    vehicule_.reset();
    ID_VEH = 0;
    Modifie();
}

unsigned cVK_Bien::Get_IDSortieLiee() const {
    return sortie_ ? sortie_->ID : ID_SORTIE;
}

CCurrency cVK_Bien::CoutEntree() const {
    CCurrency total(0);
    try {
        if (!composants_) return total;
        for (int i = 0; i < composants_->Count(); ++i) total += composants_->Get(i)->GetPrixHT();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return CCurrency();
    }
    return total;
}

// ---------------------------------------------------------------------------------------------
// States and locking

void cVK_Bien::ClearEtats() {
    Etat = veAucun;
    EtatCplmt = vcAucun;
}

UnicodeString cVK_Bien::GetEtat() const {
    switch (Etat) {
        case veImportation: {
            const cVK_Composant* structure = GetStructure();
            const bool entreeDeLExercice = structure && !structure->DATEENTREE.IsNull() &&
                                           structure->DATEENTREE >= pCurDossier->DateDebutExercice;
            return entreeDeLExercice ? "Entrée" : "Importation";
        }
        case veInitialisation:
            return "Initialisation";
        case veMiseAuxNormes:
            return "Mise aux normes";
        case veModification:
            return "Modification";
        case veCession:
            return "Cession";
        default:
            return "";
    }
}

bool cVK_Bien::IsVerrouille(VK_Actions action, int kind) const {
    const int s = Etat, c = EtatCplmt;
    const int a = action;
    if (a > 19) return false;
    switch (a) {
        case 3:
        case 5:
            return s == 2 && c == 2;
        case 4:
            return s == 3 && c == 2;
        case 6:
            return s == 4 && c == 2;
        case 13:
            return true;
        case 19:
            return c != 3 && c != 2;
        case 17:
        case 18:
            break;
        default:
            return false;
    }
    switch (kind) {
        case 3:
            if (a == 17) return c != 3;
            return c != 3 && (s != 2 || c != 2);
        case 4: {
            if (c == 3) return false;
            const cVK_Composant* structure = GetStructure();
            if (structure && !structure->DATEENTREE.IsNull() &&
                structure->DATEENTREE >= pCurDossier->DateDebutExercice)
                return true;
            if (s == 1) return c != 2;
            return s != 2 || c != 2;
        }
        case 6:
            if (c == 3) return false;
            if (c != 2) return true;
            return GetStructure() && GetStructure()->GetCession() != nullptr;
        default:
            return false;
    }
}
