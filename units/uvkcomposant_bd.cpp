// The component: saving, deleting, duplicating, copying and moving it to another asset.
#include <fmt/format.h>

#include "platform/dossier.h"
#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"
#include "units/uvkdetailcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvklistes.h"
#include "units/uvkuniteoeuvre.h"
#include "units/vkchamps.h"

#define VK_UNIT vk::kUnitComposant
#define VK_LINE_BASE 1000
#include "units/vklocation.h"

using namespace vkchamps;

namespace {

UnicodeString Entier(int value) {
    return VK_FormatInt(value);
}

// The origin of a family is written only with the family it qualifies.
UnicodeString OrigineFamille(const cDonneesFamille& famille) {
    return famille.ID == 0 ? "NULL" : VK_FormatInt(famille.Origine);
}

}  // namespace

// The business-tax base follows the price unless the user entered another amount: a base equal to
// the price is stored as NULL, and a financial lease (entry type 5) never has one of its own.
void cVK_Composant::NormaliseBaseTaxePro() {
    if (TYPEENTREE == 5 || (!BASE_TAXEPRO.IsNull() && BASE_TAXEPRO == GetPrixHT())) BASE_TAXEPRO.SetNull();
}

UnicodeString cVK_Composant::ValeursInsert() const {
    const UnicodeString& b = base_;
    UnicodeString v = GetRefCalc() + "," + VK_FormatAS(RefSais) + "," + VK_FormatAS(Designation) + ",";
    v += Entier(EXOCREATION) + "," + Entier(EXOSUPPR) + "," + VK_Format_ID(ID_BIEN) + "," +
         SqlBool(ISSTRUCTURE, b) + "," + VK_FormatAS(NUMCOMPTE) + "," + VK_Format_ID(ID_ETAB) + ",";
    v += SqlDate(DATEENTREE, b) + "," + SqlDate(DATEMISEENSERV, b) + "," + Entier(TYPEENTREE) + "," +
         Entier(MAN_MOTIF) + "," + MAN_MONTAIMMO.GetSQL() + "," + MAN_AMORTDEJAPRAT.GetSQL() + "," +
         VK_FormatAS(MAN_CPTACRED) + "," + MAN_MONTACRED.GetSQL() + ",";
    for (const UnicodeString* text :
         {&REF_FRPPAL, &REF_MARQUE, &REF_TYPE, &REF_REFCONST, &REF_NUMSERIE, &REF_NUMFACTURE, &COMMENTAIRE})
        v += VK_FormatAS(*text) + ",";
    v += Entier(CE_QTE) + ",";
    for (unsigned critere : AH_CRIT) v += VK_Format_ID(critere) + ",";
    v += VK_FormatAS(AFFECT_BUDGET) + "," + SqlBool(DEST_EXPLOIT, b) + "," + SqlBool(SOUMIS_TP, b) + "," +
         BASE_TAXEPRO.GetSQL() + "," + SqlBool(ISAMORT_NON_DEDUC, b) + "," + SqlBool(ISIMMOS_DT_DOT_PLAF, b) +
         "," + SqlBool(POUR_CALC_REINT_AMORT, b) + ",";
    v += UO_CONSO_OUV.GetSQL() + "," + UO_CONSO.GetSQL() + "," + VK_FormatAS(UO_DESIGNATION) + ",";
    for (const CCurrency* amount : {&DEROG_OUV, &DEROG_OUV_FORC, &DEROG_OUV_MAN, &DEROG_OUV_FORC_MAN,
                                    &OUV_A_DED, &OUV_A_DED_FORCE, &OUV_A_DED_FORC_MAN})
        v += amount->GetSQL() + ",";
    v += Entier(ETATCREATION) + "," + VK_Format_ID(Famille.ID) + "," + OrigineFamille(Famille);
    return v;
}

UnicodeString cVK_Composant::AffectationsUpdate() const {
    const UnicodeString& b = base_;
    UnicodeString s = "REF_SAIS=" + VK_FormatAS(RefSais) + ",DESIGNATION=" + VK_FormatAS(Designation);
    s += ",EXOCREATION=" + Entier(EXOCREATION) + ",EXOSUPPR=" + Entier(EXOSUPPR) +
         ",ID_BIEN=" + VK_Format_ID(ID_BIEN) + ",ISSTRUCTURE=" + SqlBool(ISSTRUCTURE, b) +
         ",NUMCOMPTE=" + VK_FormatAS(NUMCOMPTE) + ",ID_ETAB=" + VK_Format_ID(ID_ETAB);
    s += ",DATEENTREE=" + SqlDate(DATEENTREE, b) + ",DATEMISEENSERV=" + SqlDate(DATEMISEENSERV, b) +
         ",TYPEENTREE=" + Entier(TYPEENTREE) + ",MAN_MOTIF=" + Entier(MAN_MOTIF) +
         ",MAN_MONTAIMMO=" + MAN_MONTAIMMO.GetSQL() + ",MAN_AMORTDEJAPRAT=" + MAN_AMORTDEJAPRAT.GetSQL() +
         ",MAN_CPTACRED=" + VK_FormatAS(MAN_CPTACRED) + ",MAN_MONTACRED=" + MAN_MONTACRED.GetSQL();
    s += ",REF_FRPPAL=" + VK_FormatAS(REF_FRPPAL) + ",REF_MARQUE=" + VK_FormatAS(REF_MARQUE) +
         ",REF_TYPE=" + VK_FormatAS(REF_TYPE) + ",REF_REFCONST=" + VK_FormatAS(REF_REFCONST) +
         ",REF_NUMSERIE=" + VK_FormatAS(REF_NUMSERIE) + ",REF_NUMFACTURE=" + VK_FormatAS(REF_NUMFACTURE) +
         ",COMMENTAIRE=" + VK_FormatAS(COMMENTAIRE) + ",CE_QTE=" + Entier(CE_QTE);
    for (int i = 0; i < 5; ++i) s += fmt::format(",AH_CRIT{}=", i + 1) + VK_Format_ID(AH_CRIT[i]);
    s += ",AFFECT_BUDGET=" + VK_FormatAS(AFFECT_BUDGET) + ",DEST_EXPLOIT=" + SqlBool(DEST_EXPLOIT, b) +
         ",SOUMIS_TP=" + SqlBool(SOUMIS_TP, b) + ",BASE_TAXEPRO=" + BASE_TAXEPRO.GetSQL() +
         ",ISAMORT_NON_DEDUC=" + SqlBool(ISAMORT_NON_DEDUC, b) +
         ",ISIMMOS_DT_DOT_PLAF=" + SqlBool(ISIMMOS_DT_DOT_PLAF, b) +
         ",POUR_CALC_REINT_AMORT=" + SqlBool(POUR_CALC_REINT_AMORT, b);
    s += ",UO_CONSO_OUV=" + UO_CONSO_OUV.GetSQL() + ",UO_CONSO=" + UO_CONSO.GetSQL() +
         ",UO_DESIGNATION=" + VK_FormatAS(UO_DESIGNATION);
    s += ",DEROG_OUV=" + DEROG_OUV.GetSQL() + ",DEROG_OUV_FORC=" + DEROG_OUV_FORC.GetSQL() +
         ",DEROG_OUV_MAN=" + DEROG_OUV_MAN.GetSQL() + ",DEROG_OUV_FORC_MAN=" + DEROG_OUV_FORC_MAN.GetSQL() +
         ",OUV_A_DED=" + OUV_A_DED.GetSQL() + ",OUV_A_DED_FORCE=" + OUV_A_DED_FORCE.GetSQL() +
         ",OUV_A_DED_FORC_MAN=" + OUV_A_DED_FORC_MAN.GetSQL();
    s += ",ETATCREATION=" + Entier(ETATCREATION) + ",ID_FAMILLE=" + VK_Format_ID(Famille.ID) +
         ",ORI_FAMILLE=" + OrigineFamille(Famille);
    return s;
}

bool cVK_Composant::BD_Inserer() {
    try {
        if (bien_) ID_BIEN = bien_->ID;  // the asset may have been stored since this component was built
        NormaliseBaseTaxePro();
        const UnicodeString sql =
            "INSERT INTO " + NomTable() +
            "(REF_CALC,REF_SAIS,DESIGNATION,EXOCREATION,EXOSUPPR,ID_BIEN,ISSTRUCTURE,NUMCOMPTE,ID_ETAB,"
            "DATEENTREE,DATEMISEENSERV,TYPEENTREE,MAN_MOTIF,MAN_MONTAIMMO,MAN_AMORTDEJAPRAT,MAN_CPTACRED,"
            "MAN_MONTACRED,REF_FRPPAL,REF_MARQUE,REF_TYPE,REF_REFCONST,REF_NUMSERIE,REF_NUMFACTURE,"
            "COMMENTAIRE,CE_QTE,AH_CRIT1,AH_CRIT2,AH_CRIT3,AH_CRIT4,AH_CRIT5,AFFECT_BUDGET,DEST_EXPLOIT,"
            "SOUMIS_TP,BASE_TAXEPRO,ISAMORT_NON_DEDUC,ISIMMOS_DT_DOT_PLAF,POUR_CALC_REINT_AMORT,"
            "UO_CONSO_OUV,UO_CONSO,UO_DESIGNATION,DEROG_OUV,DEROG_OUV_FORC,DEROG_OUV_MAN,DEROG_OUV_FORC_MAN,"
            "OUV_A_DED,OUV_A_DED_FORCE,OUV_A_DED_FORC_MAN,ETATCREATION,ID_FAMILLE,ORI_FAMILLE)VALUES(" +
            ValeursInsert() + ")";
        if (!InsereEtRelitID(VK_LOC(), sql, NomTable(), "ID_COMPO", base_)) return false;
        return SauveEnfants(true);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

bool cVK_Composant::BD_Update() {
    try {
        if (bien_) ID_BIEN = bien_->ID;
        NormaliseBaseTaxePro();
        if (!VK_ExecSQL(VK_LOC(),
                        "UPDATE " + NomTable() + " SET " + AffectationsUpdate() +
                            " WHERE ID_COMPO=" + VK_Format_ID(ID),
                        base_))
            return false;
        return SauveEnfants(false);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

// The owned objects are saved after the component's row, in this order: details, plans, disposal,
// forecasts.
bool cVK_Composant::SauveEnfants(bool justInserted) {
    bool saved = true;
    if (details_) saved = details_->BD_MAJ(justInserted) && saved;
    if (amortissements_) saved = amortissements_->BD_MAJ(justInserted) && saved;
    if (cession_) saved = cession_->BD_MAJ() && saved;
    if (uoPrevues_) {
        if (UtiliseUnites()) {
            saved = uoPrevues_->BD_MAJ() && saved;
        } else {
            // No plan uses units of production any more: their forecasts go.
            saved = uoPrevues_->BD_Supprimer() && saved;
            uoPrevues_.reset();
        }
    }
    return saved;
}

bool cVK_Composant::BD_Supprimer(bool confirm) {
    try {
        if (confirm && !OKTQuestion("Etes-vous sûr de vouloir supprimer ce composant ?", "Confirmation", 0))
            return false;
        if (ID != 0) {
            AnnuleEcritureSortie();
            const UnicodeString id = VK_Format_ID(ID);
            if (!EstDossier(base_)) {
                // A named database has no cascades: the plans and their forecasts go first.
                const UnicodeString forecasts = GetNomTableBase("VKU", base_);
                const UnicodeString plans = GetNomTableBase("VKA", base_);
                if (TableExiste("VKU", base_) && TableExiste("VKA", base_) &&
                    !VK_ExecSQL(VK_LOC(),
                                "DELETE FROM " + forecasts + " WHERE ID_AMORT IN (SELECT ID_AMORT FROM " +
                                    plans + " WHERE ID_COMPO=" + id + ")",
                                base_))
                    return false;
                if (TableExiste("VKA", base_) &&
                    !VK_ExecSQL(VK_LOC(), "DELETE FROM " + plans + " WHERE ID_COMPO=" + id, base_))
                    return false;
                if (uoPrevues_ &&
                    !VK_ExecSQL(VK_LOC(), "DELETE FROM " + forecasts + " WHERE ID_COMPO=" + id, base_))
                    return false;
            }
            if (!VK_ExecSQL(VK_LOC(), "DELETE FROM " + NomTable() + " WHERE ID_COMPO=" + id, base_))
                return false;
        }
        if (liste_) liste_->Delete(this);
        return true;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

void cVK_Composant::BD_Dupliquer(VK_Etats state) {
    if (ID == 0) return;  // the copy is read from the stored row
    try {
        auto copy = std::make_unique<cVK_Composant>(liste_, base_, nullptr, ID);
        copy->ReInitID(true);
        copy->ISSTRUCTURE = false;
        copy->SupprimeStokageOuv();  // D20: the copy drops the stored opening balances, not this one
        if (state != veAucun) copy->ETATCREATION = state;
        if (!copy->BD_Inserer()) return;  // nothing half-made joins the list
        if (liste_)
            liste_->Add(copy.release());
        else
            copy.reset();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

void cVK_Composant::ReInitID(bool newReferences) {
    try {
        ResetID();
        if (newReferences) {
            ResetReferences();
            InitNouvelEnregistrement(NomTable(), "REF_CALC", base_);
        }
        if (details_) details_->ReInitID();
        if (amortissements_) amortissements_->ReInitID();
        if (cession_) cession_->ReInitID();
        if (uoPrevues_) uoPrevues_->ReInitID();
        compoPrec_.reset();
        compoPrecLu_ = false;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

void cVK_Composant::Assign(const cVK_Composant* source, bool keepOwnNames) {
    if (!source || source == this) return;
    try {
        const UnicodeString ownDesignation = Designation, ownReference = RefSais;
        cVK_Primaire::Assign(source);
        if (keepOwnNames) {
            SetDesignation(ownDesignation);
            RefSais = ownReference;
        }
        if (!source->NUMCOMPTE.empty())
            NUMCOMPTE = pCurDossier->DossierCompleteCompte(source->NUMCOMPTE, true);
        else if (!keepOwnNames)
            NUMCOMPTE.clear();

        const bool sourceIsFamily = source->bien_ && source->bien_->TYPEBIEN == vbFamille;
        if (!sourceIsFamily) {
            ETATCREATION = source->ETATCREATION;
            DATEENTREE = source->DATEENTREE;
            DATEMISEENSERV = source->DATEMISEENSERV;
            TYPEENTREE = source->TYPEENTREE;
            MAN_MOTIF = source->MAN_MOTIF;
            MAN_MONTAIMMO = source->MAN_MONTAIMMO;
            MAN_AMORTDEJAPRAT = source->MAN_AMORTDEJAPRAT;
            MAN_CPTACRED = source->MAN_CPTACRED;
            MAN_MONTACRED = source->MAN_MONTACRED;
            REF_NUMSERIE = source->REF_NUMSERIE;
            REF_NUMFACTURE = source->REF_NUMFACTURE;
            CE_QTE = source->CE_QTE;
            AFFECT_BUDGET = source->AFFECT_BUDGET;
            PrixAcquis = source->PrixAcquis;
            FraisAcquis = source->FraisAcquis;
            TVARecuperee = source->TVARecuperee;
            // The copy starts without stored opening balances.
            DEROG_OUV.SetNull();
            DEROG_OUV_MAN.SetNull();
            OUV_A_DED.SetNull();
            // The lines rebuild the totals from their own amounts.
            if (details_ && source->details_) details_->Assign(source->details_.get());
        }
        if (!IsBaseCommune(source->base_)) {
            ID_ETAB = source->ID_ETAB;
            REF_FRPPAL = source->REF_FRPPAL;
            AH_CRIT = source->AH_CRIT;
        }
        REF_MARQUE = source->REF_MARQUE;
        REF_TYPE = source->REF_TYPE;
        REF_REFCONST = source->REF_REFCONST;
        COMMENTAIRE = source->COMMENTAIRE;
        SOUMIS_TP = source->SOUMIS_TP;
        UO_DESIGNATION = source->UO_DESIGNATION;
        BASE_TAXEPRO = source->BASE_TAXEPRO;
        ISAMORT_NON_DEDUC = source->ISAMORT_NON_DEDUC;
        ISIMMOS_DT_DOT_PLAF = source->ISIMMOS_DT_DOT_PLAF;
        POUR_CALC_REINT_AMORT = source->POUR_CALC_REINT_AMORT;
        if (!keepOwnNames) Famille = source->Famille;
        // The disposal follows the source's.
        if (!source->cession_) {
            if (cession_) cession_->BD_Supprimer(false);  // detaches and frees it
            cession_.reset();
        } else {
            if (!cession_) cession_ = std::make_unique<cVK_Cession>(this, nullptr, 0);
            cession_->Assign(source->cession_.get());
        }
        if (amortissements_ && source->amortissements_)
            amortissements_->Assign(source->amortissements_.get());
        // The rate of the copied disposal is judged on the copied plans.
        if (cession_) cession_->InitTauxImposition();
        // The forecasts follow the source's like the disposal.
        if (!source->uoPrevues_) {
            if (uoPrevues_) uoPrevues_->BD_Supprimer();
            uoPrevues_.reset();
        } else {
            if (!uoPrevues_) uoPrevues_ = std::make_unique<cVK_LstUOPrevue>(this, base_);
            uoPrevues_->Assign(source->uoPrevues_.get());
        }
        compoPrec_.reset();
        compoPrecLu_ = false;
        ClearCalculs();
        Modifie();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

// Moving a structure component never deletes the previous asset's chain of versions (D12): the
// previous version loses only its own row when it has no component left, and otherwise its first
// remaining component becomes its structure.
void cVK_Composant::ReAffecte(cVK_ListeComposants* list) {
    if (list == liste_) return;
    try {
        cVK_ListeComposants* previousList = liste_;
        cVK_Bien* previousAsset = bien_;
        const bool wasStructure = ISSTRUCTURE;
        if (previousList) previousList->Delete(this);
        ISSTRUCTURE = false;
        liste_ = list;
        bien_ = list ? list->GetBien() : nullptr;
        ID_BIEN = bien_ ? bien_->ID : 0;
        Modifie();
        if (ID != 0 && !BD_Update()) return;
        if (!wasStructure || !previousAsset || !previousList) return;
        if (previousList->Count() == 0) {
            previousAsset->BD_SupprimerEtatCourant(false);
            return;
        }
        cVK_Composant* successor = previousList->Get(0);
        successor->ISSTRUCTURE = true;
        successor->Modifie();
        if (successor->ID != 0) successor->BD_Update();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}
