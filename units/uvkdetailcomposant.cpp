// One acquisition detail line: its table, loading, saving, and the amount setters that keep the
// component's totals the exact sum of its lines.
#include "units/uvkdetailcomposant.h"

#include "platform/dossier.h"
#include "units/uvkbien.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"
#include "units/vkchamps.h"

#define VK_UNIT vk::kUnitDetailComposant
#define VK_LINE_BASE 0
#include "units/vklocation.h"

using namespace vkchamps;

namespace {

const char* const kMiseAuxNormes = "Mise aux normes";

UnicodeString Table() {
    return GetNomTable("VKL", false);
}

// The case file's choice of method for a standards conformity (-1 when not set).
int MethodeMiseAuxNormes() {
    return pCurDossier->FichierINI()->GetInteger("VK", TOK_MAN_METHODE, -1);
}

UnicodeString Taux(const CDevise& currency) {
    return VK_FormatDouble(currency.Taux);
}

}  // namespace

const char* const cVK_DetailComposant::ColonnesSelect =
    "SELECT ID_DETAIL,ID_COMPO,EXOCREATION,DESIGNATION,FOURNISSEUR,PRIX_ACQUIS,DEVISEO_PRIX_ACQUIS,"
    "TAUXCHANGE_PRIX_ACQUIS,FRAIS_ACQUIS,DEVISEO_FRAIS_ACQUIS,TAUXCHANGE_FRAIS_ACQUIS,TVARECUP,DEVISEO_TVA,"
    "QUANTITE FROM ";

void cVK_DetailComposant::CreerBase() {
    try {
        const UnicodeString name = Table();
        if (!VK_CreateTable(
                VK_LOC(), "VKL",
                "CREATE TABLE " + name +
                    "(ID_DETAIL AUTOINC NOT NULL PRIMARY KEY,ID_COMPO INTEGER REFERENCES " +
                    GetNomTable("VKC", false) +
                    " ON DELETE CASCADE,EXOCREATION SMALLINT,DESIGNATION VARCHAR(60),FOURNISSEUR VARCHAR(60),"
                    "PRIX_ACQUIS DECIMAL(18,4),FRAIS_ACQUIS DECIMAL(18,4),TVARECUP DECIMAL(18,4),"
                    "DEVISEO_PRIX_ACQUIS INTEGER,TAUXCHANGE_PRIX_ACQUIS DECIMAL(18,15),DEVISEO_FRAIS_ACQUIS "
                    "INTEGER,TAUXCHANGE_FRAIS_ACQUIS DECIMAL(18,15),DEVISEO_TVA SMALLINT,QUANTITE "
                    "DECIMAL(18,10))",
                ""))
            return;
        pCurDossier->CreeAutoIncFirebird(name, "ID_DETAIL", true);
        pCurDossier->ExecSQLFirebird(VK_LOC(),
                                     "CREATE INDEX VKL_IDDETAIL_IDCOMPO ON " + name + " (ID_DETAIL,ID_COMPO)",
                                     false, nullptr);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

cVK_DetailComposant::cVK_DetailComposant(cVK_LstDetailComposant* list, TDataSet* row, unsigned id)
    : cVK_Base(id), liste_(list) {
    if (id != 0) {
        BD_Lit(row);
        return;
    }
    try {
        cVK_Composant* component = GetComposant();
        const int etat = component ? component->GetEtatBien() : 0;
        if (etat == veMiseAuxNormes) DESIGNATION = kMiseAuxNormes;
        // A line added by a modification of an earlier entry, or by a standards conformity under the
        // prospective method, belongs to the current year; the others to the first acquisition.
        const bool entreeAnterieure = component && !component->DATEENTREE.IsNull() &&
                                      component->DATEENTREE < pCurDossier->DateDebutExercice;
        if ((etat == veModification && entreeAnterieure) ||
            (etat == veMiseAuxNormes && MethodeMiseAuxNormes() == 0))
            EXOCREATION = 0;
        if (component && component->ID != 0) BD_Inserer();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

cVK_Composant* cVK_DetailComposant::GetComposant() const {
    return liste_ ? liste_->GetComposant() : nullptr;
}

void cVK_DetailComposant::BD_Lit(TDataSet* row) {
    std::unique_ptr<TIBQuery> own;
    try {
        if (!row) {
            own = VK_InitDataset(VK_LOC(), ColonnesSelect + Table() + " WHERE ID_DETAIL=" + VK_Format_ID(ID),
                                 true, "");
            if (!own) return;
            own->Open();
            if (own->Eof()) throw Exception("Ligne de détail " + VK_Format_ID(ID) + " introuvable");
            row = own.get();
        }
        EXOCREATION = Entier(row, "EXOCREATION", VK_IntNull);
        DESIGNATION = Texte(row, "DESIGNATION");
        FOURNISSEUR = Texte(row, "FOURNISSEUR");
        PRIX_ACQUIS = Montant(row, "PRIX_ACQUIS");
        FRAIS_ACQUIS = Montant(row, "FRAIS_ACQUIS");
        TVARECUP = Montant(row, "TVARECUP");
        auto devise = [&](const char* code, const char* rate) {
            if (row->FieldByName(code)->IsNull()) return CDevise(0, -1.0);
            return CDevise(Entier(row, code), row->FieldByName(rate)->AsFloat());
        };
        DevisePrix = devise("DEVISEO_PRIX_ACQUIS", "TAUXCHANGE_PRIX_ACQUIS");
        DeviseFrais = devise("DEVISEO_FRAIS_ACQUIS", "TAUXCHANGE_FRAIS_ACQUIS");
        DEVISEO_TVA = static_cast<VK_DeviseOrigineTva>(Entier(row, "DEVISEO_TVA"));
        QUANTITE = Reel(row, "QUANTITE");
        if (cVK_Composant* component = GetComposant())
            component->CumuleDetail(GetPrixAcquis(), GetFraisAcquis(), GetTVARecuperee(), 1);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

UnicodeString cVK_DetailComposant::Valeurs() const {
    const cVK_Composant* component = GetComposant();
    return VK_Format_ID(component ? component->ID : 0) + "," + VK_FormatInt(EXOCREATION) + "," +
           VK_FormatAS(DESIGNATION) + "," + VK_FormatAS(FOURNISSEUR) + "," + PRIX_ACQUIS.GetSQL() + "," +
           FRAIS_ACQUIS.GetSQL() + "," + TVARECUP.GetSQL() + "," + VK_FormatInt(DevisePrix.Code) + "," +
           Taux(DevisePrix) + "," + VK_FormatInt(DeviseFrais.Code) + "," + Taux(DeviseFrais) + "," +
           VK_FormatInt(DEVISEO_TVA) + "," + VK_FormatDouble(QUANTITE);
}

bool cVK_DetailComposant::BD_Inserer() {
    try {
        return InsereEtRelitID(VK_LOC(),
                               "INSERT INTO " + Table() +
                                   "(ID_COMPO,EXOCREATION,DESIGNATION,FOURNISSEUR,PRIX_ACQUIS,FRAIS_ACQUIS,"
                                   "TVARECUP,DEVISEO_PRIX_ACQUIS,TAUXCHANGE_PRIX_ACQUIS,DEVISEO_FRAIS_ACQUIS,"
                                   "TAUXCHANGE_FRAIS_ACQUIS,DEVISEO_TVA,QUANTITE)VALUES (" +
                                   Valeurs() + ")",
                               Table(), "ID_DETAIL", "");
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

bool cVK_DetailComposant::BD_Update() {
    try {
        const cVK_Composant* component = GetComposant();
        pCurDossier->ExecSQLFirebird(
            VK_LOC(),
            "UPDATE " + Table() + " SET ID_COMPO=" + VK_Format_ID(component ? component->ID : 0) +
                ",EXOCREATION=" + VK_FormatInt(EXOCREATION) + ",DESIGNATION=" + VK_FormatAS(DESIGNATION) +
                ",FOURNISSEUR=" + VK_FormatAS(FOURNISSEUR) + ",PRIX_ACQUIS=" + PRIX_ACQUIS.GetSQL() +
                ",FRAIS_ACQUIS=" + FRAIS_ACQUIS.GetSQL() + ",TVARECUP=" + TVARECUP.GetSQL() +
                ",DEVISEO_PRIX_ACQUIS=" + VK_FormatInt(DevisePrix.Code) + ",TAUXCHANGE_PRIX_ACQUIS=" +
                Taux(DevisePrix) + ",DEVISEO_FRAIS_ACQUIS=" + VK_FormatInt(DeviseFrais.Code) +
                ",TAUXCHANGE_FRAIS_ACQUIS=" + Taux(DeviseFrais) +
                ",DEVISEO_TVA=" + VK_FormatInt(DEVISEO_TVA) + ",QUANTITE=" + VK_FormatDouble(QUANTITE) +
                " WHERE ID_DETAIL=" + VK_Format_ID(ID),
            true, nullptr);
        return true;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

bool cVK_DetailComposant::BD_Supprimer(bool confirm) {
    try {
        if (confirm &&
            !OKTQuestion("Etes-vous sûr de vouloir supprimer cette ligne de détail ?", "Confirmation", 0))
            return false;
        if (ID != 0)
            pCurDossier->ExecSQLFirebird(
                VK_LOC(), "DELETE FROM " + Table() + " WHERE ID_DETAIL=" + VK_Format_ID(ID), true, nullptr);
        if (liste_) liste_->Delete(this);
        return true;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

void cVK_DetailComposant::Assign(const cVK_DetailComposant* source) {
    if (!source || source == this) return;
    SetDesignation(source->DESIGNATION);
    SetFournisseur(source->FOURNISSEUR);
    SetExoDeCreation(source->EXOCREATION);
    SetDevisePrixAcquisOrigine(source->DevisePrix);
    SetDeviseFraisAcquisOrigine(source->DeviseFrais);
    SetDeviseOrigineTva(source->DEVISEO_TVA);
    SetPrixAcquisOrigine(source->PRIX_ACQUIS);
    SetFraisAcquisOrigine(source->FRAIS_ACQUIS);
    SetTVARecupereeOrigine(source->TVARECUP);
    SetQuantite(source->QUANTITE);
}

// ---------------------------------------------------------------------------------------------
// Amounts

CCurrency cVK_DetailComposant::GetPrixHTOrigine() const {
    return PRIX_ACQUIS + FRAIS_ACQUIS;
}

CCurrency cVK_DetailComposant::GetPrixAcquis() const {
    return DeviseConvToDef(DevisePrix, PRIX_ACQUIS);
}

CCurrency cVK_DetailComposant::GetFraisAcquis() const {
    return DeviseConvToDef(DeviseFrais, FRAIS_ACQUIS);
}

CCurrency cVK_DetailComposant::GetPrixHT() const {
    return GetPrixAcquis() + GetFraisAcquis();
}

CCurrency cVK_DetailComposant::GetTVARecuperee() const {
    return DeviseConvToDef(DEVISEO_TVA != vdtEuro ? _DeviseFranc : _DeviseEuro, TVARECUP);
}

TDateTime cVK_DetailComposant::GetDateDeCreation() const {
    if (EXOCREATION != VK_IntNull) {
        TDateTime start;
        pCurDossier->DonnerDatesDebEtFin(EXOCREATION, false, &start, nullptr);
        return start;
    }
    const cVK_Composant* component = GetComposant();
    return component ? component->DATEENTREE : TDateTime();
}

// Every change of an amount or a currency takes the line's converted amounts out of the component's
// totals, changes the value, and puts the new converted amounts back.
void cVK_DetailComposant::ChangeMontants(const std::function<void()>& change) {
    try {
        cVK_Composant* component = GetComposant();
        if (component) component->CumuleDetail(GetPrixAcquis(), GetFraisAcquis(), GetTVARecuperee(), -1);
        change();
        if (component) component->CumuleDetail(GetPrixAcquis(), GetFraisAcquis(), GetTVARecuperee(), 1);
        Modifie();
    } catch (const std::exception& e) {  // an amount beyond the range of the totals
        vk::Display(VK_LOC(), e);
    }
}

void cVK_DetailComposant::SetPrixAcquisOrigine(const CCurrency& amount) {
    if (amount != PRIX_ACQUIS) ChangeMontants([&] { PRIX_ACQUIS = amount; });
}

void cVK_DetailComposant::SetFraisAcquisOrigine(const CCurrency& amount) {
    if (amount != FRAIS_ACQUIS) ChangeMontants([&] { FRAIS_ACQUIS = amount; });
}

void cVK_DetailComposant::SetTVARecupereeOrigine(const CCurrency& amount) {
    if (amount != TVARECUP) ChangeMontants([&] { TVARECUP = amount; });
}

void cVK_DetailComposant::SetDevisePrixAcquisOrigine(const CDevise& currency) {
    if (currency != DevisePrix) ChangeMontants([&] { DevisePrix = currency; });
}

void cVK_DetailComposant::SetDeviseFraisAcquisOrigine(const CDevise& currency) {
    if (currency != DeviseFrais) ChangeMontants([&] { DeviseFrais = currency; });
}

void cVK_DetailComposant::SetDeviseOrigineTva(const VK_DeviseOrigineTva& currency) {
    if (currency != DEVISEO_TVA) ChangeMontants([&] { DEVISEO_TVA = currency; });
}

void cVK_DetailComposant::SetFournisseur(const UnicodeString& text) {
    if (text == FOURNISSEUR) return;
    FOURNISSEUR = text;
    Modifie();
}

void cVK_DetailComposant::SetDesignation(const UnicodeString& text) {
    if (text == DESIGNATION) return;
    DESIGNATION = text;
    Modifie();
}

void cVK_DetailComposant::SetExoDeCreation(const int& year) {
    if (year == EXOCREATION) return;
    EXOCREATION = year;
    Modifie();
}

void cVK_DetailComposant::SetQuantite(double quantity) {
    if (quantity == QUANTITE) return;
    QUANTITE = quantity;
    Modifie();
}

// ---------------------------------------------------------------------------------------------
// What the user may change

bool cVK_DetailComposant::GetModifiable() const {
    const cVK_Composant* component = GetComposant();
    const cVK_Bien* asset = component ? component->GetBien() : nullptr;
    if (!asset || asset->EtatCplmt != vcEnCours) return false;
    switch (asset->Etat) {
        case veImportation:
        case veInitialisation:
            return EXOCREATION == VK_IntNull;  // the lines of the first acquisition
        case veMiseAuxNormes:
            return DESIGNATION == kMiseAuxNormes &&
                   (MethodeMiseAuxNormes() == 1 || component->MAN_MOTIF == 1 || component->MAN_MOTIF == 2);
        case veModification:
            return EXOCREATION == 0;
        default:
            return false;
    }
}

bool cVK_DetailComposant::GetDesignationModifiable() const {
    const cVK_Composant* component = GetComposant();
    const cVK_Bien* asset = component ? component->GetBien() : nullptr;
    return GetModifiable() && asset && asset->Etat != veMiseAuxNormes;
}
