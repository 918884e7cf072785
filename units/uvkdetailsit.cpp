#include "units/uvkdetailsit.h"

#include "platform/dossier.h"
#include "units/uvkamortissement.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvkprechargement.h"
#include "units/uvkuniteoeuvre.h"

#define VK_UNIT vk::kUnitDetailSit
#include "units/vklocation.h"

namespace {
UnicodeString Table() {
    return GetNomTable("VKD", false);
}
}  // namespace

void cVK_DetSituation::CreerBase() {
    const UnicodeString sql =
        "CREATE TABLE " + Table() +
        "(ID_DET_SIT  AUTOINC NOT NULL,DATE_SIT DATE,REF_CALC INTEGER,TYPE_AMORT INTEGER,VALACTUELLE "
        "DECIMAL(18,4),"
        "DEPREC_NON_DED DECIMAL(18,4),DEPREC_REP_MAX DECIMAL(18,4),DOTATION_FORC DECIMAL(18,4),UO_QUANTITE "
        "DECIMAL(18,4),PRIMARY KEY(ID_DET_SIT))";
    if (VK_CreateTable(VK_LOC(), "VKD", sql, "")) {
        VK_ExecSQL(
            VK_LOC(),
            "CREATE INDEX VKD_DATESIT_REFCALC_TYPEAMORT ON " + Table() + " (DATE_SIT,REF_CALC,TYPE_AMORT)",
            "");
        try {
            pCurDossier->CreeAutoIncFirebird(Table(), "ID_DET_SIT", true);
        } catch (const std::exception& e) {
            vk::Display(VK_LOC(), e);
        }
    }
}

cVK_DetSituation::cVK_DetSituation(const cVK_Amortissement* plan, const TDateTime& date)
    : cVK_Base(0), DateSit(date), Amortissement(const_cast<cVK_Amortissement*>(plan)) {
    cVK_Composant* component = plan->GetComposant();
    RefCalc = component ? component->GetRefCalc() : "";
    TypeAmort = plan->TYPEAMORT;
    BD_Lit();
}

cVK_DetSituation::cVK_DetSituation(const cVK_Composant* component, const TDateTime& date)
    : cVK_Base(0), DateSit(date), Composant(const_cast<cVK_Composant*>(component)) {
    RefCalc = component ? component->GetRefCalc() : "";
    BD_Lit();
}

void cVK_DetSituation::BD_Lit() {
    try {
        if (RefCalc.empty()) return;  // a component not stored has no situation
        auto query = VK_DatasetPrecharge(
            VK_LOC(), "VKD", RefCalc,
            RefCalc + "/" + VK_FormatInt(TypeAmort) + "/" + (DateSit.IsNull() ? "null" : CleDate(DateSit)),
            "SELECT ID_DET_SIT,DATE_SIT,REF_CALC,TYPE_AMORT,VALACTUELLE,DEPREC_NON_DED,DEPREC_REP_MAX,"
            "DOTATION_FORC,UO_QUANTITE FROM " +
                Table() + " WHERE (DATE_SIT=" + VK_FormatDate(DateSit, false, true) + ")AND (REF_CALC=" +
                VK_FormatAS(RefCalc) + ") AND(TYPE_AMORT=" + VK_FormatInt(TypeAmort) + ")",
            false, "");
        if (!query) return;
        query->Open();
        if (query->RecordCount() != 1) return;  // none, or ambiguous: the detail stays new
        ValActuelle = query->FieldByName("VALACTUELLE")->AsCurrency();
        DeprecNonDed = query->FieldByName("DEPREC_NON_DED")->AsCurrency();
        DeprecRepriseMax = query->FieldByName("DEPREC_REP_MAX")->AsCurrency();
        DotationManuelleForc = query->FieldByName("DOTATION_FORC")->AsCurrency();
        UO_QuantiteForc = query->FieldByName("UO_QUANTITE")->AsCurrency();
        RelitID(query.get(), "ID_DET_SIT");
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

bool cVK_DetSituation::BD_Inserer() {
    const UnicodeString sql = "INSERT INTO " + Table() +
                              "(DATE_SIT,REF_CALC,TYPE_AMORT,VALACTUELLE,DEPREC_NON_DED,DEPREC_REP_MAX,"
                              "DOTATION_FORC,UO_QUANTITE)VALUES (" +
                              VK_FormatDate(DateSit, false, true) + "," + VK_FormatAS(RefCalc) + "," +
                              VK_FormatInt(TypeAmort) + "," + ValActuelle.GetSQL() + "," +
                              DeprecNonDed.GetSQL() + "," + DeprecRepriseMax.GetSQL() + "," +
                              DotationManuelleForc.GetSQL() + "," + UO_QuantiteForc.GetSQL() + ")";
    return InsereEtRelitID(VK_LOC(), sql, Table(), "ID_DET_SIT", "");
}

bool cVK_DetSituation::BD_Update() {
    const UnicodeString sql =
        "UPDATE " + Table() + " SET DATE_SIT=" + VK_FormatDate(DateSit, false, true) +
        ",REF_CALC=" + VK_FormatAS(RefCalc) + ",TYPE_AMORT=" + VK_FormatInt(TypeAmort) +
        ",VALACTUELLE=" + ValActuelle.GetSQL() + ",DEPREC_NON_DED=" + DeprecNonDed.GetSQL() +
        ",DEPREC_REP_MAX=" + DeprecRepriseMax.GetSQL() + ",DOTATION_FORC=" + DotationManuelleForc.GetSQL() +
        ",UO_QUANTITE=" + UO_QuantiteForc.GetSQL() + " WHERE ID_DET_SIT=" + VK_Format_ID(ID);
    return VK_ExecSQL(VK_LOC(), sql, "");
}

bool cVK_DetSituation::BD_Supprimer(bool ask) {
    if (ask && !OKTQuestion("Etes-vous sûr de vouloir supprimer ce détail de situation ?", "Confirmation", 0))
        return false;
    if (ID == 0) return true;
    return VK_ExecSQL(VK_LOC(), "DELETE FROM " + Table() + " WHERE ID_DET_SIT=" + VK_Format_ID(ID), "");
}

void cVK_DetSituation::Assign(const cVK_DetSituation* source) {
    if (!source) return;
    cVK_Base::Assign(source);
    RefCalc = source->RefCalc;
    TypeAmort = source->TypeAmort;
    DateSit = source->DateSit;
    ValActuelle = source->ValActuelle;
    DeprecNonDed = source->DeprecNonDed;
    DeprecRepriseMax = source->DeprecRepriseMax;
    DotationManuelleForc = source->DotationManuelleForc;
    UO_QuantiteForc = source->UO_QuantiteForc;
    Modifie();
}

void cVK_DetSituation::Set(CCurrency& field, const CCurrency& amount) {
    if (field == amount) return;
    field = amount;
    Modifie();
}

void cVK_DetSituation::SetValActuelle(const CCurrency& amount) {
    Set(ValActuelle, amount);
}
void cVK_DetSituation::SetDeprecNonDed(const CCurrency& amount) {
    Set(DeprecNonDed, amount);
}
void cVK_DetSituation::SetDeprecRepriseMax(const CCurrency& amount) {
    Set(DeprecRepriseMax, amount);
}
void cVK_DetSituation::SetDotationManuelleForc(const CCurrency& amount) {
    Set(DotationManuelleForc, amount);
}
void cVK_DetSituation::SetUO_QuantiteForc(const CCurrency& quantity) {
    Set(UO_QuantiteForc, quantity);
}

CCurrency cVK_DetSituation::Prorata(const CCurrency& forecast) const {
    if (DateSit.IsNull() || forecast.IsNull()) return forecast;
    const TDateTime start = pCurDossier->DateDebutExercice, end = pCurDossier->DateFinExercice;
    const double elapsed = DiffDateJours(start, DateSit, false);
    const double year = DiffDateJours(start, end, false);
    return CCurrency(forecast.AsDouble() * elapsed / year);
}

CCurrency cVK_DetSituation::GetUO_QuantitePrevue() const {
    try {
        if (!Composant || !Composant->GetLstUOPrevue()) return CCurrency();
        const cVK_UOPrevue* forecast = Composant->GetLstUOPrevue()->GetUOPrevue(0);
        return Prorata(forecast ? forecast->Consommation : CCurrency());
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return CCurrency();
    }
}

CCurrency cVK_DetSituation::GetUO_Quantite() const {
    return UO_QuantiteForc.IsNull() ? GetUO_QuantitePrevue() : UO_QuantiteForc;
}

CCurrency cVK_DetSituation::GetDotationManuellePrevue() const {
    try {
        if (!Amortissement || !Amortissement->GetLstManuel()) return CCurrency();
        const cVK_UOPrevue* forecast = Amortissement->GetLstManuel()->GetUOPrevue(0);
        return Prorata(forecast ? forecast->Consommation : CCurrency(0));
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return CCurrency();
    }
}

CCurrency cVK_DetSituation::GetDotationManuelle() const {
    return DotationManuelleForc.IsNull() ? GetDotationManuellePrevue() : DotationManuelleForc;
}

void cVK_DetSituation::GetRequete_ListeUOSituation(TDataSet* data, const TDateTime&) {
    try {
        auto* query = dynamic_cast<TIBQuery*>(data);
        if (!query) return;
        const UnicodeString sql =
            "SELECT DATE_SIT,CAST(0 AS DECIMAL(18,4)) AS CONSO_PREV," +
            UnicodeString(TypeAmort != 0 ? "DOTATION_FORC" : "UO_QUANTITE") + " AS CONSO FROM " + Table() +
            " WHERE (REF_CALC=" + VK_FormatAS(RefCalc) + ") AND(TYPE_AMORT=" + VK_FormatInt(TypeAmort) +
            ") AND(DATE_SIT<>" + VK_FormatDate(DateSit, false, true) + ") AND(DATE_SIT<>" +
            VK_FormatDate(pCurDossier->DateFinExercice, false, true) + ") ORDER BY DATE_SIT";
        query->Close();
        query->SQL.SetText(sql);
        query->Open();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

CCurrency cVK_DetSituation::ListeUOSituationCalcFields(TDataSet* data) {
    try {
        const TDateTime date = data->Fields(0)->AsDateTime();
        if (Amortissement) return cVK_DetSituation(Amortissement, date).GetDotationManuellePrevue();
        return cVK_DetSituation(Composant, date).GetUO_QuantitePrevue();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return CCurrency();
    }
}
