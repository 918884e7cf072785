// Validation of an asset version and the year-end closing of assets and components.
#include "platform/dossier.h"
#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"
#include "units/uvkdetailcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvklistes.h"
#include "units/vkchamps.h"

#define VK_UNIT vk::kUnitComposant
#define VK_LINE_BASE 6000
#include "units/vklocation.h"

bool cVK_Composant::Cloture() {
    try {
        const TDateTime yearEnd = pCurDossier->DateFinExercice;
        if (DATEENTREE > yearEnd) return false;
        if (!GetCession()) {
            // The year's closing balances become the next year's opening values.
            DEROG_OUV = GetAmortDerog(yearEnd);
            OUV_A_DED = GetReintTmp(yearEnd);
            cVK_LstAmortissement* plans = GetLstAmortissement();
            for (int i = 0; plans && i < plans->Count(); ++i) {
                cVK_Amortissement* plan = plans->Get(i);
                plan->StockeAmortAnterieurs(true);
                plan->SetCumulAmortOuvForce(CCurrency());
                plan->SetCumulDeprecDedOuvForce(CCurrency());
                plan->SetCumulDeprecNonDedOuvForce(CCurrency());
                plan->SetMAN_CumulAmortOuvForce(CCurrency());
                plan->SetMAN_CumulDeprecDedOuvForce(CCurrency());
                plan->SetMAN_CumulDeprecNonDedOuvForce(CCurrency());
            }
            for (int i = 0; GetDetails() && i < GetDetails()->Count(); ++i) {
                cVK_DetailComposant* detail = GetDetails()->Get(i);
                if (detail->EXOCREATION != VK_IntNullValue && detail->EXOCREATION <= 0)
                    detail->SetExoDeCreation(detail->EXOCREATION - 1);
            }
            SetUO_CumulConsoOuvForce(CCurrency());
            DEROG_OUV_FORC.SetNull();
            DEROG_OUV_FORC_MAN.SetNull();
            DEROG_OUV_MAN.SetNull();
            OUV_A_DED_FORCE.SetNull();
            OUV_A_DED_FORC_MAN.SetNull();
            MAN_MOTIF = 0;
            EXOCREATION = -1;
            Modifie();
        }
        // Every stored version of the component moves back one year.
        return VK_ExecSQL(VK_LOC(),
                          "UPDATE " + GetNomTable("VKC", false) +
                              " SET EXOCREATION=EXOCREATION-1 WHERE REF_CALC = " + GetRefCalc(),
                          "");
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

void cVK_Composant::StockeAmortAnterieurs() {
    try {
        if (GetEtatBien() == veMiseAuxNormes)
            DEROG_OUV_MAN = GetMAN_AmortDerogOuv(0);
        else
            DEROG_OUV = GetAmortDerogOuv(0);
        OUV_A_DED = GetReintTmpOuv(0);
        cVK_LstAmortissement* plans = GetLstAmortissement();
        for (int i = 0; plans && i < plans->Count(); ++i) plans->Get(i)->StockeAmortAnterieurs(false);
        Modifie();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

void cVK_Composant::SupprimeStokageOuv() {
    DEROG_OUV.SetNull();
    DEROG_OUV_MAN.SetNull();
    OUV_A_DED.SetNull();
    Modifie();
}

void cVK_Bien::Valider(VK_EtatsCplmt complement) {
    try {
        EtatCplmt = complement;
        USERVALID = vkchamps::UtilisateurStamp();
        DATEVALID = Now();
        for (int i = 0; composants_ && i < composants_->Count(); ++i)
            composants_->Get(i)->StockeAmortAnterieurs();
        BD_MAJ();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

bool cVK_Bien::Cloture() {
    try {
        bool tookPart = false;
        std::vector<cVK_Composant*> disposed;
        for (int i = 0; composants_ && i < composants_->Count(); ++i) {
            cVK_Composant* component = composants_->Get(i);
            tookPart = component->Cloture() || tookPart;
            if (component->GetCession()) disposed.push_back(component);
        }
        if (!tookPart) return false;
        // The closing version no longer carries the disposed components.
        for (cVK_Composant* component : disposed) {
            composants_->Delete(component);
            delete component;
        }
        const UnicodeString lowerVersions = "UPDATE " + GetNomTable("VKB", false) +
                                            " SET EXOCREAT=EXOCREAT-1 WHERE REF_CALC = " + GetRefCalc();
        if (composants_->Count() == 0) {
            // Every component is gone: the chain ends with its disposal version, which moves back
            // one year like the others; no empty version is made (an asset always has a structure).
            return VK_ExecSQL(VK_LOC(), lowerVersions, "");
        }
        EXOCREAT = -1;
        ReInitID(false);
        Etat = veInitialisation;
        EtatCplmt = vcCloture;
        USERCREAT = USERVALID = vkchamps::UtilisateurStamp();
        DATECREAT = DATEVALID = Now();
        // Every earlier version moves back one year; a failure there fails the closing.
        if (!VK_ExecSQL(VK_LOC(), lowerVersions, "")) return false;
        return BD_MAJ();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}
