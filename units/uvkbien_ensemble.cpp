// Groups of assets and the vehicle records of assets that are road vehicles.
#include "platform/dossier.h"
#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvklistes.h"
#include "units/uvkprechargement.h"
#include "units/vkchamps.h"

#define VK_UNIT vk::kUnitBien
#define VK_LINE_BASE 2000
#include "units/vklocation.h"

using namespace vkchamps;

// ---------------------------------------------------------------------------------------------
// Groups (always in the case file's database)

namespace {
UnicodeString TableEnsembles() {
    return GetNomTable("VKE", false);
}
}  // namespace

void cVK_Ensemble::CreerBase() {
    try {
        const UnicodeString name = TableEnsembles();
        if (VK_CreateTable(
                VK_LOC(), "VKE",
                "CREATE TABLE " + name +
                    "(ID_ENS AUTOINC NOT NULL PRIMARY KEY,REF_SAIS VARCHAR(10),DESIGNATION VARCHAR(60))",
                ""))
            pCurDossier->CreeAutoIncFirebird(name, "ID_ENS", true);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

cVK_Ensemble::cVK_Ensemble(unsigned id) : cVK_Primaire(id) {
    TypePrimaire = 3;
    try {
        if (id == 0) {
            BD_Inserer();
            return;
        }
        auto row = VK_InitDataset(
            VK_LOC(), "SELECT * FROM " + TableEnsembles() + " WHERE ID_ENS=" + VK_Format_ID(id), true, "");
        if (!row) return;
        row->Open();
        if (row->Eof()) throw Exception("Ensemble " + VK_Format_ID(id) + " introuvable");
        Init(row.get());  // no REF_CALC column: the reference is the identifier
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

bool cVK_Ensemble::BD_Inserer() {
    try {
        pCurDossier->ExecSQLFirebird(VK_LOC(),
                                     "INSERT INTO " + TableEnsembles() + "(REF_SAIS,DESIGNATION)VALUES (" +
                                         VK_FormatAS(RefSais) + "," + VK_FormatAS(Designation) + ")",
                                     true, nullptr);
        RelitID(TableEnsembles(), "ID_ENS", "");
        return ID != 0;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

bool cVK_Ensemble::BD_Update() {
    try {
        pCurDossier->ExecSQLFirebird(VK_LOC(),
                                     "UPDATE " + TableEnsembles() + " SET REF_SAIS=" + VK_FormatAS(RefSais) +
                                         ", DESIGNATION=" + VK_FormatAS(Designation) +
                                         " WHERE ID_ENS=" + VK_Format_ID(ID),
                                     true, nullptr);
        return true;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

// The assets of the group keep their rows: their ID_ENS becomes NULL through the table's rule.
bool cVK_Ensemble::BD_Supprimer(bool confirm) {
    try {
        if (confirm && !OKTQuestion("Etes-vous sûr de vouloir supprimer cet ensemble ?", "Confirmation", 0))
            return false;
        pCurDossier->ExecSQLFirebird(
            VK_LOC(), "DELETE FROM " + TableEnsembles() + " WHERE ID_ENS=" + VK_Format_ID(ID), true, nullptr);
        return true;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

UnicodeString cVK_Ensemble::GetDesignation(unsigned id) {
    if (id == 0) return "";
    try {
        TIBSQL query(pCurDossier->GetDatabaseFirebird());
        query.SQL.Add("SELECT DESIGNATION FROM " + TableEnsembles());
        query.SQL.Add("WHERE ID_ENS=" + VK_Format_ID(id));
        query.ExecQuery();
        return query.Eof() ? "" : query.Fields(0)->AsString();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return "";
    }
}

// ---------------------------------------------------------------------------------------------
// Vehicles

const char* const cszNomTypeVehicule[6] = {
    "Non concerné", "Camion", "Moto", "Vélomoteur", "Voiture de tourisme", "Voiture utilitaire"};

int ConvertTypeVehicule(VK_TypeVehicule type) {
    switch (type) {
        case vtMoto:
            return 1;
        case vtVelomoteur:
            return 2;
        case vtVoitureTourisme:
            return 3;
        case vtVoitureUtilitaire:
            return 4;
        default:  // not concerned, trucks and any other value
            return 0;
    }
}

namespace {
UnicodeString TableVehicules(const UnicodeString& base) {
    return GetNomTableBase("VKV", base);
}
}  // namespace

void cVK_Vehicule::CreerBase(const UnicodeString& base) {
    try {
        const bool dossier = EstDossier(base);
        const UnicodeString name = TableVehicules(base);
        const UnicodeString nn = dossier ? " NOT NULL," : ",";
        if (VK_CreateTable(
                VK_LOC(), "VKV",
                "CREATE TABLE " + name + "(ID_VEH AUTOINC" + nn +
                    "TYPEVEH SMALLINT,NUMIMMAT VARCHAR(25),DATEPREMIMMAT DATE,DESCOMM VARCHAR(25),"
                    "DATECERTIF DATE,GENRE VARCHAR(30),TYPECARROS VARCHAR(30),PUISADMIN SMALLINT,"
                    "NBPLASSISES SMALLINT,TAUXCO2 DECIMAL(18,4),POUR_VEH_NORME_WLTP BOOLEAN,PRIMARY "
                    "KEY(ID_VEH))",
                base) &&
            dossier)
            pCurDossier->CreeAutoIncFirebird(name, "ID_VEH", true);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

cVK_Vehicule::cVK_Vehicule(unsigned id, cVK_Bien* asset, bool insertNow, const UnicodeString& base)
    : cVK_Base(id), bien_(asset), base_(base) {
    try {
        if (id == 0) {
            if (insertNow) BD_Inserer();
            return;
        }
        auto row =
            VK_DatasetPrecharge(VK_LOC(), "VKV", VK_Format_ID(id), VK_Format_ID(id),
                                "SELECT ID_VEH,TYPEVEH,NUMIMMAT,DATEPREMIMMAT,DESCOMM,DATECERTIF,GENRE,"
                                "TYPECARROS,PUISADMIN,NBPLASSISES,TAUXCO2,POUR_VEH_NORME_WLTP FROM " +
                                    TableVehicules(base_) + " WHERE ID_VEH=" + VK_Format_ID(id),
                                true, base_);
        if (!row) return;
        row->Open();
        if (row->Eof()) throw Exception("Véhicule " + VK_Format_ID(id) + " introuvable");
        TYPEVEH = Entier(row.get(), "TYPEVEH");
        NUMIMMAT = Texte(row.get(), "NUMIMMAT");
        DATEPREMIMMAT = Date(row.get(), "DATEPREMIMMAT");
        DESCOMM = Texte(row.get(), "DESCOMM");
        DATECERTIF = Date(row.get(), "DATECERTIF");
        GENRE = Texte(row.get(), "GENRE");
        TYPECARROS = Texte(row.get(), "TYPECARROS");
        PUISADMIN = Entier(row.get(), "PUISADMIN", VK_IntNull);
        NBPLASSISES = Entier(row.get(), "NBPLASSISES", VK_IntNull);
        TAUXCO2 = Entier(row.get(), "TAUXCO2", VK_IntNull);
        POUR_VEH_NORME_WLTP = Booleen(row.get(), "POUR_VEH_NORME_WLTP");
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

bool cVK_Vehicule::BD_Inserer() {
    try {
        const UnicodeString name = TableVehicules(base_);
        if (!InsereEtRelitID(
                VK_LOC(),
                "INSERT INTO " + name +
                    "(TYPEVEH,NUMIMMAT,DATEPREMIMMAT,DESCOMM,DATECERTIF,GENRE,TYPECARROS,PUISADMIN,"
                    "NBPLASSISES,TAUXCO2,POUR_VEH_NORME_WLTP)VALUES (" +
                    VK_FormatInt(TYPEVEH) + "," + VK_FormatAS(NUMIMMAT) + "," +
                    SqlDate(DATEPREMIMMAT, base_) + "," + VK_FormatAS(DESCOMM) + "," +
                    SqlDate(DATECERTIF, base_) + "," + VK_FormatAS(GENRE) + "," + VK_FormatAS(TYPECARROS) +
                    "," + VK_FormatInt(PUISADMIN) + "," + VK_FormatInt(NBPLASSISES) + "," +
                    VK_FormatInt(TAUXCO2) + "," + SqlBool(POUR_VEH_NORME_WLTP, base_) + ")",
                name, "ID_VEH", base_))
            return false;
        return true;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

bool cVK_Vehicule::BD_Update() {
    return VK_ExecSQL(VK_LOC(),
                      "UPDATE " + TableVehicules(base_) + " SET TYPEVEH=" + VK_FormatInt(TYPEVEH) +
                          ",NUMIMMAT=" + VK_FormatAS(NUMIMMAT) + ",DATEPREMIMMAT=" +
                          SqlDate(DATEPREMIMMAT, base_) + ",DESCOMM=" + VK_FormatAS(DESCOMM) +
                          ",DATECERTIF=" + SqlDate(DATECERTIF, base_) + ",GENRE=" + VK_FormatAS(GENRE) +
                          ",TYPECARROS=" + VK_FormatAS(TYPECARROS) + ",PUISADMIN=" + VK_FormatInt(PUISADMIN) +
                          ",NBPLASSISES=" + VK_FormatInt(NBPLASSISES) + ",TAUXCO2=" + VK_FormatInt(TAUXCO2) +
                          ",POUR_VEH_NORME_WLTP=" + SqlBool(POUR_VEH_NORME_WLTP, base_) +
                          " WHERE ID_VEH=" + VK_Format_ID(ID),
                      base_);
}

// Deleted with its asset's version, without a question.
bool cVK_Vehicule::BD_Supprimer(bool) {
    return VK_ExecSQL(VK_LOC(), "DELETE FROM " + TableVehicules(base_) + " WHERE ID_VEH=" + VK_Format_ID(ID),
                      base_);
}

void cVK_Vehicule::Assign(const cVK_Vehicule* source, bool generalOnly) {
    if (!source || source == this) return;
    TYPEVEH = source->TYPEVEH;
    DESCOMM = source->DESCOMM;
    GENRE = source->GENRE;
    PUISADMIN = source->PUISADMIN;
    NBPLASSISES = source->NBPLASSISES;
    TAUXCO2 = source->TAUXCO2;
    POUR_VEH_NORME_WLTP = source->POUR_VEH_NORME_WLTP;
    if (!generalOnly) {
        NUMIMMAT = source->NUMIMMAT;
        DATEPREMIMMAT = source->DATEPREMIMMAT;
        DATECERTIF = source->DATECERTIF;
        TYPECARROS = source->TYPECARROS;
    }
    Modifie();
}

UnicodeString cVK_Vehicule::GetNomTypeVehicule() const {
    return TYPEVEH >= 0 && TYPEVEH <= 5 ? cszNomTypeVehicule[TYPEVEH] : "";
}

namespace {
// The type and the first registration date feed the passenger-car reintegration: the tax schedules
// of the asset's components are computed again.
void EffaceCalculsFiscaux(cVK_Bien* asset) {
    if (!asset || !asset->GetListeComposants()) return;
    for (int i = 0; i < asset->GetListeComposants()->Count(); ++i)
        if (cVK_Amortissement* tax = asset->GetListeComposants()->Get(i)->GetAmort(taFiscal))
            tax->ClearCalculs();
}
}  // namespace

void cVK_Vehicule::SetTypeVehicule(VK_TypeVehicule type) {
    if (type == TYPEVEH) return;
    TYPEVEH = type;
    EffaceCalculsFiscaux(bien_);
    Modifie();
}

void cVK_Vehicule::SetDatePremierImmatriculation(const TDateTime& date) {
    if (double(date) == double(DATEPREMIMMAT)) return;
    DATEPREMIMMAT = date;
    EffaceCalculsFiscaux(bien_);
    Modifie();
}
