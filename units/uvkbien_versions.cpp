// The asset's chain of versions: opening a new version, copying, moving to another exit, the queries
// on earlier and later versions, and the three deletions (the whole chain, this version, this
// version's place in a disposal being prepared).
#include "platform/dossier.h"
#include "units/uvkbien.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvklistes.h"
#include "units/uvksortie.h"
#include "units/vkchamps.h"

#define VK_UNIT vk::kUnitBien
#define VK_LINE_BASE 1000
#include "units/vklocation.h"

using namespace vkchamps;

// ---------------------------------------------------------------------------------------------
// Versions

void cVK_Bien::BD_Dupliquer(VK_Etats state, bool newReferences) {
    try {
        USERCREAT = UtilisateurStamp();
        DATECREAT = Now();
        USERVALID.clear();
        DATEVALID = TDateTime();
        ClearEtats();
        Etat = state;
        EtatCplmt = vcEnCours;
        EXOCREAT = 0;
        ReInitID(newReferences);
        if (composants_) {
            for (int i = 0; i < composants_->Count();) {
                cVK_Composant* component = composants_->Get(i);
                if (component->GetCession()) {  // the new version no longer carries it
                    composants_->Delete(component);
                    delete component;
                    continue;
                }
                if (state == veMiseAuxNormes && !newReferences) {
                    component->MAN_MOTIF = 4;
                    component->Modifie();
                }
                if (newReferences) component->SupprimeStokageOuv();
                ++i;
            }
        }
        BD_Inserer();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

void cVK_Bien::ReInitID(bool newReferences) {
    try {
        ResetID();
        if (newReferences) {
            ResetReferences();
            InitNouvelEnregistrement(NomTable(), "REF_CALC", base_);
        }
        if (vehicule_) vehicule_->ReInitID();
        vehiculeASupprimer_ = 0;  // that row belongs to the version this one was copied from
        if (composants_) composants_->ReInitID(newReferences);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

void cVK_Bien::Assign(const cVK_Bien* source, bool keepOwnNames) {
    if (!source || source == this) return;
    try {
        const UnicodeString ownDesignation = Designation, ownReference = RefSais;
        cVK_Primaire::Assign(source);
        if (!keepOwnNames) {
            ID_ENS = source->ID_ENS;
            ID_SORTIE = source->ID_SORTIE;
            if (composants_ && source->composants_) composants_->Assign(source->composants_.get());
        } else {
            SetDesignation(ownDesignation);
            RefSais = ownReference;
        }
        REDUC_ASS_TP = source->REDUC_ASS_TP;
        if (source->TYPEBIEN != vbFamille) PLANCHER_CALC_PV = source->PLANCHER_CALC_PV;
        if (!source->vehicule_)
            SupprimeVehicule();
        else
            CreeVehicule()->Assign(source->vehicule_.get(), false);
        Modifie();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

// Moving to another exit deletes the previous exit only when no asset row names it any more (D11);
// it never touches the other assets of that exit.
void cVK_Bien::ReAffecte(cVK_ListeBiens* list) {
    if (list == liste_) return;
    try {
        const unsigned previousExit = Get_IDSortieLiee();
        if (liste_) liste_->Delete(this);
        liste_ = list;
        sortie_ = list ? list->GetSortie() : nullptr;
        ID_SORTIE = Get_IDSortieLiee();
        Modifie();
        if (ID != 0 && !BD_Update()) return;
        if (previousExit != 0 && previousExit != ID_SORTIE)
            SupprimeSortieSansBien(previousExit, "SELECT COUNT(*) FROM " + NomTable() +
                                                     " WHERE ID_SORTIE=" + VK_Format_ID(previousExit));
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

// Deletes an exit whose asset count (the query given) is 0: its entries are cancelled, its row goes.
bool cVK_Bien::SupprimeSortieSansBien(unsigned exit, const UnicodeString& otherAssetsSql) {
    if (Scalaire(otherAssetsSql, "") != 0) return true;
    cVK_Sortie::AnnuleEcrSortie(nullptr, exit);
    return VK_ExecSQL(
        VK_LOC(), "DELETE FROM " + GetNomTable("VKS", false) + " WHERE ID_SORTIE=" + VK_Format_ID(exit), "");
}

// ---------------------------------------------------------------------------------------------
// Version chain queries (a named database keeps no chain: "no earlier version")

bool cVK_Bien::EtatPrecExist() {
    try {
        if (!EstDossier(base_)) return false;
        return Scalaire("SELECT COUNT(*) FROM " + NomTable() + " WHERE (REF_CALC=" + GetRefCalc() +
                            ") AND (ID_BIEN<" + VK_Format_ID(ID) + ")",
                        base_) != 0;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

int cVK_Bien::GetEtatPrec() {
    try {
        if (!EstDossier(base_)) return 0;
        auto query =
            VK_InitDataset(VK_LOC(),
                           "SELECT FIRST 1 IMPORTATION,INITIALISATION,MISE_AUX_NORMES,MODIFICATION,CESSION "
                           "FROM " +
                               NomTable() + " WHERE (REF_CALC=" + GetRefCalc() + ") AND (ID_BIEN<" +
                               VK_Format_ID(ID) + ")ORDER BY ID_BIEN DESCENDING",
                           true, base_);
        if (!query) return 0;
        query->Open();
        if (query->Eof()) return 0;
        for (int i = 0; i < 5; ++i)
            if (query->Fields(i)->AsBoolean()) return i + 1;
        return 0;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return 0;
    }
}

int cVK_Bien::GetEtatComplPrec() {
    try {
        if (!EstDossier(base_)) return vcEnCours;
        auto query = VK_InitDataset(VK_LOC(),
                                    "SELECT FIRST 1 VALIDER,CLOTURER  FROM " + NomTable() +
                                        " WHERE (REF_CALC=" + GetRefCalc() + ") AND (ID_BIEN<" +
                                        VK_Format_ID(ID) + ")ORDER BY ID_BIEN DESCENDING",
                                    true, base_);
        if (!query) return vcEnCours;
        query->Open();
        if (query->Eof()) return vcEnCours;
        if (query->FieldByName("VALIDER")->AsBoolean()) return vcValide;
        if (query->FieldByName("CLOTURER")->AsBoolean()) return vcCloture;
        return vcEnCours;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return vcEnCours;
    }
}

cVK_Bien* cVK_Bien::GetBienDerModif() {
    try {
        if (!EstDossier(base_)) return nullptr;
        auto query = VK_InitDataset(VK_LOC(),
                                    UnicodeString("SELECT FIRST 1 ") + ColonnesSelect + " FROM " +
                                        NomTable() + " WHERE (REF_CALC=" + GetRefCalc() + ") AND (ID_BIEN>" +
                                        VK_Format_ID(ID) + ")ORDER BY ID_BIEN DESCENDING",
                                    true, base_);
        if (!query) return nullptr;
        query->Open();
        if (query->Eof()) return nullptr;
        return new cVK_Bien(Identifiant(query.get(), "ID_BIEN"), base_, nullptr, query.get());
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return nullptr;
    }
}

// ---------------------------------------------------------------------------------------------
// Deletions

// The components of this version, with their plans and forecasts, go with its row in a named
// database, which has no cascades; the case file's database cascades them itself.
bool cVK_Bien::SupprimeLigneVersion() {
    const UnicodeString id = VK_Format_ID(ID);
    if (!EstDossier(base_)) {
        const UnicodeString components =
            "SELECT ID_COMPO FROM " + GetNomTableBase("VKC", base_) + " WHERE ID_BIEN=" + id;
        const UnicodeString plans = GetNomTableBase("VKA", base_);
        if (TableExiste("VKU", base_) && TableExiste("VKA", base_) &&
            !VK_ExecSQL(VK_LOC(),
                        "DELETE FROM " + GetNomTableBase("VKU", base_) +
                            " WHERE ID_AMORT IN (SELECT ID_AMORT FROM " + plans + " WHERE ID_COMPO IN (" +
                            components + "))",
                        base_))
            return false;
        if (TableExiste("VKA", base_) &&
            !VK_ExecSQL(VK_LOC(), "DELETE FROM " + plans + " WHERE ID_COMPO IN (" + components + ")", base_))
            return false;
        if (!VK_ExecSQL(VK_LOC(), "DELETE FROM " + GetNomTableBase("VKC", base_) + " WHERE ID_BIEN=" + id,
                        base_))
            return false;
    }
    return VK_ExecSQL(VK_LOC(), "DELETE FROM " + NomTable() + " WHERE ID_BIEN=" + id, base_);
}

bool cVK_Bien::SupprimeVehiculeVersion() {
    if (!vehicule_ || vehicule_->ID == 0) return true;
    return vehicule_->BD_Supprimer(false);
}

// The disposal entries of this version's components are cancelled before their rows go.
void cVK_Bien::AnnuleEcrituresCessions() {
    if (!EstDossier(base_)) return;
    for (int i = 0; composants_ && i < composants_->Count(); ++i) composants_->Get(i)->AnnuleEcritureSortie();
}

// The disposals of the chain's other versions that belong to no exit have their disposal entries
// cancelled before the rows go.
void cVK_Bien::AnnuleEcrituresCessionsAutresVersions() {
    if (!TableExiste("VKO", base_)) return;
    auto query = VK_InitDataset(VK_LOC(),
                                "SELECT Cess.ID_COMPO FROM " + GetNomTable("VKO", false) + " Cess JOIN " +
                                    GetNomTable("VKC", false) + " C ON C.ID_COMPO=Cess.ID_COMPO JOIN " +
                                    NomTable() + " B ON B.ID_BIEN=C.ID_BIEN AND B.REF_CALC=" + GetRefCalc() +
                                    " AND B.ID_BIEN<>" + VK_Format_ID(ID) + " AND B.ID_SORTIE IS NULL",
                                true, base_);
    if (!query) return;
    std::vector<unsigned> components;
    for (query->Open(); !query->Eof(); query->Next())
        components.push_back(Identifiant(query.get(), "ID_COMPO"));
    for (unsigned id : components) cVK_Composant(nullptr, base_, nullptr, id).AnnuleEcritureSortie();
}

// Deletes the whole asset: every version of its chain, their components (and what hangs off them)
// and the vehicles of every version (D26); the exit of its disposal version goes too when no other
// asset belongs to it.
bool cVK_Bien::BD_Supprimer(bool confirm) {
    try {
        if (confirm) {
            const UnicodeString what = TYPEBIEN == vbFamille ? "cette famille" : "ce bien";
            if (!OKTQuestion("Etes-vous sûr de vouloir supprimer " + what + " ?", "Confirmation", 0))
                return false;
        }
        const UnicodeString r = GetRefCalc();
        const UnicodeString assets = NomTable(), components = GetNomTableBase("VKC", base_);
        const UnicodeString chain = "SELECT ID_BIEN FROM " + assets + " WHERE REF_CALC=" + r;
        if (!SupprimeVehiculeVersion()) return false;
        AnnuleEcrituresCessions();
        if (!EstDossier(base_)) {
            const UnicodeString plans = GetNomTableBase("VKA", base_);
            const UnicodeString chainComponents =
                "SELECT ID_COMPO FROM " + components + " WHERE ID_BIEN IN (" + chain + ")";
            if (TableExiste("VKU", base_) && TableExiste("VKA", base_) &&
                !VK_ExecSQL(VK_LOC(),
                            "DELETE FROM " + GetNomTableBase("VKU", base_) +
                                " WHERE ID_AMORT IN (SELECT ID_AMORT FROM " + plans + " WHERE ID_COMPO IN (" +
                                chainComponents + "))",
                            base_))
                return false;
            if (TableExiste("VKA", base_) &&
                !VK_ExecSQL(VK_LOC(), "DELETE FROM " + plans + " WHERE ID_COMPO IN (" + chainComponents + ")",
                            base_))
                return false;
            if (!VK_ExecSQL(VK_LOC(), "DELETE FROM " + components + " WHERE ID_BIEN IN (" + chain + ")",
                            base_))
                return false;
        }
        unsigned exit = 0;
        if (EstDossier(base_)) {
            // Schedule lines are keyed by the component's reference: no cascade reaches them.
            if (TableExiste("VKT", base_) &&
                !VK_ExecSQL(VK_LOC(),
                            "DELETE FROM " + GetNomTable("VKT", false) +
                                " WHERE REF_CALC IN (SELECT REF_CALC FROM " + components +
                                " WHERE ID_BIEN IN (" + chain + "))",
                            base_))
                return false;
            exit = static_cast<unsigned>(Scalaire(
                "SELECT ID_SORTIE FROM " + assets + " WHERE REF_CALC=" + r + " AND CESSION=1", base_));
            AnnuleEcrituresCessionsAutresVersions();
        }
        if (!VK_ExecSQL(VK_LOC(),
                        "DELETE FROM " + GetNomTableBase("VKV", base_) +
                            " WHERE ID_VEH IN (SELECT ID_VEH FROM " + assets + " WHERE REF_CALC=" + r + ")",
                        base_))
            return false;
        if (!VK_ExecSQL(VK_LOC(), "DELETE FROM " + assets + " WHERE REF_CALC=" + r, base_)) return false;
        if (exit != 0 && !SupprimeSortieSansBien(exit, "SELECT COUNT(*) as NB_AUTRES_BIENS_SORTIS FROM " +
                                                           assets + " WHERE ID_SORTIE=" + VK_Format_ID(exit) +
                                                           " AND REF_CALC<>" + r))
            return false;
        if (liste_) liste_->Delete(this);
        return true;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

bool cVK_Bien::BD_SupprimerEtatCourant(bool confirm) {
    try {
        if (confirm &&
            !OKTQuestion("Etes-vous sûr de vouloir supprimer cette modification ?", "Confirmation", 0))
            return false;
        if (!SupprimeVehiculeVersion()) return false;
        AnnuleEcrituresCessions();
        if (!SupprimeLigneVersion()) return false;
        if (liste_) liste_->Delete(this);
        return true;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

bool cVK_Bien::BD_SupprimerSortie(bool confirm) {
    try {
        if (confirm && !OKTQuestion("Etes-vous sûr de vouloir supprimer ce bien de la cession en cours ?",
                                    "Confirmation", 0))
            return false;
        for (int i = 0; composants_ && i < composants_->Count(); ++i) {
            cVK_Composant* component = composants_->Get(i);
            if (component->GetCession()) {
                component->GetCession()->BD_Supprimer(false);
                component->SetCession(nullptr);
            }
        }
        // The disposal version's own vehicle row goes with it, so that none is left orphaned.
        if (!SupprimeVehiculeVersion()) return false;
        if (!SupprimeLigneVersion()) return false;
        if (liste_) liste_->Delete(this);
        return true;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}
