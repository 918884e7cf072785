// The exit: its table and its storage (its totals over its components are in uvksortie_totaux.cpp).
#include "units/uvksortie.h"

#include <fmt/format.h>

#include "platform/dossier.h"
#include "units/uvkdivers.h"
#include "units/uvklistes.h"
#include "units/vkchamps.h"

#define VK_UNIT vk::kUnitSortie
#define VK_LINE_BASE 0
#include "units/vklocation.h"

using namespace vkchamps;

const char* const cszNomMotifSortie[6] = {
    "", "Cession", "Hors service", "Destruction", "Mise au rebut", "Cession en mise aux normes"};

namespace {
UnicodeString Table() {
    return GetNomTable("VKS", false);
}
}  // namespace

void cVK_Sortie::CreerBase() {
    try {
        const UnicodeString name = Table();
        if (VK_CreateTable(
                VK_LOC(), "VKS",
                "CREATE TABLE " + name +
                    "(ID_SORTIE AUTOINC NOT NULL PRIMARY KEY,DESIGNATION VARCHAR(60),DATESORTIE DATE,"
                    "DATE_FIN_UTILISATION DATE,PRIXHT DECIMAL(18,4),DEVISE INTEGER,TAUXCHANGE "
                    "DECIMAL(18,15),MOTIFSORTIE VARCHAR(25),TVA_DOIT_ETRE_REVERSEE BOOLEAN,DATE_ECR DATE)",
                ""))
            pCurDossier->CreeAutoIncFirebird(name, "ID_SORTIE", true);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

cVK_Sortie::cVK_Sortie(unsigned id) : cVK_Primaire(id) {
    TypePrimaire = 2;
    try {
        if (id != 0) {
            TIBSQL query(pCurDossier->GetDatabaseFirebird());
            query.SQL.Add(
                "SELECT "
                "ID_SORTIE,DESIGNATION,DATESORTIE,DATE_FIN_UTILISATION,PRIXHT,DEVISE,TAUXCHANGE,MOTIFSORTIE,"
                "TVA_DOIT_ETRE_REVERSEE,DATE_ECR FROM " +
                Table() + " WHERE ID_SORTIE=" + VK_Format_ID(id));
            query.ExecQuery();
            if (query.Eof()) throw Exception("Cession " + VK_Format_ID(id) + " introuvable");
            Designation = Texte(&query, "DESIGNATION");
            DATESORTIE = Date(&query, "DATESORTIE");
            DATE_FIN_UTILISATION = Date(&query, "DATE_FIN_UTILISATION");
            PRIXHT = Montant(&query, "PRIXHT");
            MOTIFSORTIE = static_cast<VK_MotifSortie>(Entier(&query, "MOTIFSORTIE"));
            if (!query.FieldByName("DEVISE")->IsNull())
                Devise = CDevise(Entier(&query, "DEVISE"), query.FieldByName("TAUXCHANGE")->AsFloat());
            TVA_DOIT_ETRE_REVERSEE = Booleen(&query, "TVA_DOIT_ETRE_REVERSEE");
            DATE_ECR = Date(&query, "DATE_ECR");
            query.Close();
            pCurDossier->GetDatabaseFirebird()->DefaultTransaction().CommitRetaining();
        }
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
    biens_ = std::make_unique<cVK_ListeBiens>(this);
}

cVK_Sortie::~cVK_Sortie() = default;

UnicodeString cVK_Sortie::GetNomMotifSortie() const {
    return MOTIFSORTIE >= 0 && MOTIFSORTIE <= 5 ? cszNomMotifSortie[MOTIFSORTIE] : "";
}

void cVK_Sortie::Assign(const cVK_Sortie* source) {
    if (!source || source == this) return;
    cVK_Base::Assign(source);
    DATESORTIE = source->DATESORTIE;
    DATE_FIN_UTILISATION = source->DATE_FIN_UTILISATION;
    PRIXHT = source->PRIXHT;
    Devise = source->Devise;
    MOTIFSORTIE = source->MOTIFSORTIE;
    TVA_DOIT_ETRE_REVERSEE = source->TVA_DOIT_ETRE_REVERSEE;
    DATE_ECR = source->DATE_ECR;
    biens_->Assign(source->biens_.get());
}

bool cVK_Sortie::BD_Inserer() {
    try {
        const UnicodeString name = Table();
        pCurDossier->ExecSQLFirebird(
            VK_LOC(),
            "INSERT INTO " + name +
                "(ID_SORTIE,DESIGNATION,DATESORTIE,DATE_FIN_UTILISATION,MOTIFSORTIE,PRIXHT,DEVISE,TAUXCHANGE,"
                "TVA_DOIT_ETRE_REVERSEE,DATE_ECR)VALUES (" +
                VK_Format_ID(ID) + "," + VK_FormatAS(Designation) + "," + SqlDate(DATESORTIE, "") + "," +
                SqlDate(DATE_FIN_UTILISATION, "") + "," + VK_FormatAS(fmt::format("{}", int(MOTIFSORTIE))) +
                "," + PRIXHT.GetSQL() + "," + VK_FormatInt(Devise.Code) + "," + VK_FormatDouble(Devise.Taux) +
                "," + SqlBool(TVA_DOIT_ETRE_REVERSEE, "") + "," + SqlDate(DATE_ECR, "") + ")",
            true, nullptr);
        RelitID(name, "ID_SORTIE", "");
        if (ID == 0) return false;
        return biens_->BD_MAJ();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

bool cVK_Sortie::BD_Update() {
    try {
        pCurDossier->ExecSQLFirebird(
            VK_LOC(),
            "UPDATE " + Table() + " SET DESIGNATION=" + VK_FormatAS(Designation) + ",DATESORTIE=" +
                SqlDate(DATESORTIE, "") + ",DATE_FIN_UTILISATION=" + SqlDate(DATE_FIN_UTILISATION, "") +
                ",MOTIFSORTIE=" + VK_FormatAS(fmt::format("{}", int(MOTIFSORTIE))) +
                ",PRIXHT=" + PRIXHT.GetSQL() + ",DEVISE=" + VK_FormatInt(Devise.Code) +
                ",TAUXCHANGE=" + VK_FormatDouble(Devise.Taux) +
                ",TVA_DOIT_ETRE_REVERSEE=" + SqlBool(TVA_DOIT_ETRE_REVERSEE, "") +
                ",DATE_ECR=" + SqlDate(DATE_ECR, "") + " WHERE ID_SORTIE=" + VK_Format_ID(ID),
            true, nullptr);
        return biens_->BD_MAJ();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

// Deleting an exit deletes the disposal version of each of its assets, last first, then the exit.
bool cVK_Sortie::BD_Supprimer(bool confirm) {
    try {
        if (confirm && !OKTQuestion("Etes-vous sûr de vouloir supprimer cette cession ?", "Confirmation", 0))
            return false;
        for (int i = biens_->Count() - 1; i >= 0; --i) {
            cVK_Bien* asset = biens_->Get(i);
            if (!asset->BD_SupprimerEtatCourant(false)) return false;
            delete asset;  // BD_SupprimerEtatCourant took it out of the list
        }
        AnnuleEcrSortie(this, ID);
        pCurDossier->ExecSQLFirebird(
            VK_LOC(), "DELETE FROM " + Table() + " WHERE ID_SORTIE=" + VK_Format_ID(ID), true, nullptr);
        return true;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}
