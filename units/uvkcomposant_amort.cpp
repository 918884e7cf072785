// What a component owns of the depreciation engine and of the disposals: its plans, its units
// forecasts and its disposal record.
#include "platform/dossier.h"
#include "platform/environnement.h"
#include "units/uvkamortissement.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvkprechargement.h"
#include "units/uvkuniteoeuvre.h"

#define VK_UNIT vk::kUnitComposant
#define VK_LINE_BASE 7000
#include "units/vklocation.h"

cVK_Amortissement* cVK_Composant::GetAmort(VK_TypeAmort kind) const {
    return amortissements_ ? amortissements_->GetAmort(kind) : nullptr;
}

void cVK_Composant::SetCession(cVK_Cession* cession) {
    if (cession == cession_.get()) return;
    cession_.reset(cession);
    if (cession_) cession_->SetComposant(this);
    ClearCalculs();
}

void cVK_Composant::SetLstUOPrevue(cVK_LstUOPrevue* forecasts) {
    if (forecasts == uoPrevues_.get()) return;
    uoPrevues_.reset(forecasts);
    ClearCalculs();
}

void cVK_Composant::ClearCalculs() {
    if (amortissements_) amortissements_->ClearCalculs();
}

void cVK_Composant::LitCession() {
    if (ID == 0) return;
    // Rows read ahead come from an existing table; otherwise the table is looked for first.
    std::unique_ptr<TDataSet> query = cVK_Prechargement::Prendre("VKO", VK_Format_ID(ID), VK_Format_ID(ID));
    if (!query) {
        if (!pCurDossier->TableExistFirebird(GetNomTable("VKO", false))) return;
        query = VK_InitDataset(VK_LOC(), "SELECT * FROM " + GetNomTable("VKO", false) + " WHERE ID_COMPO=" + VK_Format_ID(ID),
                               false, "");
    }
    if (!query) return;
    query->Open();
    if (query->RecordCount() != 1) return;
    cession_ = std::make_unique<cVK_Cession>(this, query.get(), static_cast<unsigned>(query->FieldByName("ID_CESSION")->AsInteger()));
}

void cVK_Composant::ClearCalculsUnites() {
    for (int i = 0; amortissements_ && i < amortissements_->Count(); ++i)
        if (amortissements_->Get(i)->GetMethode() == maUnitesOeuvre) amortissements_->Get(i)->ClearCalculs();
}

// Judged on the method each plan applies: a copy plan resolving to units of production uses the
// component's forecasts as much as a plan given that method.
bool cVK_Composant::UtiliseUnites() const {
    for (int i = 0; amortissements_ && i < amortissements_->Count(); ++i)
        if (amortissements_->Get(i)->GetMethode() == maUnitesOeuvre) return true;
    return false;
}

void cVK_Composant::LitUnitesPrevues() {
    if (!uoPrevues_ && UtiliseUnites()) uoPrevues_ = std::make_unique<cVK_LstUOPrevue>(this, base_);
}

// The schedule of every plan, one row per line, in the environment's report table "VKA" (not the
// plan table). Each row carries the parameters of the plan its line was computed with.
void cVK_Composant::CreeFicTemporaireTabAmort() {
    try {
        const eTTypeTable kind = ttEnvironnement;
        if (!pEnvironnement->TableExistFirebird("VKA", kind))
            pEnvironnement->ExecSQLFirebird(
                VK_LOC(),
                "CREATE TABLE VKA(ID_BIEN INTEGER NOT NULL,ID_COMPO INTEGER NOT NULL,TYPE_AMORT INTEGER NOT NULL,"
                "ID_AMORT_REF INTEGER NOT NULL,DATE_CLOT DATE NOT NULL,PRIXHT DECIMAL(18,4),FRAIS_ACQUIS DECIMAL(18,4),"
                "VALRESID DECIMAL(18,4),VALAMORT DECIMAL(18,4),TAUX DECIMAL(18,4),PRORATA VARCHAR(30),DOTATION "
                "DECIMAL(18,4),CUMULAMORT DECIMAL(18,4),CUMULDEPREC DECIMAL(18,4),RESTANTAMORT DECIMAL(18,4),NUM_METHODE "
                "SMALLINT,METHODE VARCHAR(30),PTDEDEPART DATE,DUREE INTEGER,DEPREC DECIMAL(18,4),NATURE_UO VARCHAR(35),"
                "NB_UO DECIMAL(18,4),PRIMARY KEY(ID_BIEN,ID_COMPO,TYPE_AMORT,ID_AMORT_REF,DATE_CLOT))",
                false, nullptr, kind);
        const UnicodeString asset = std::to_string(ID_BIEN), component = std::to_string(ID);
        pEnvironnement->ExecSQLFirebird(VK_LOC(), "DELETE FROM VKA WHERE ID_BIEN=" + asset + " AND ID_COMPO=" + component,
                                        true, nullptr, kind);
        auto insert = [&](int kindOfPlan, cVK_Amortissement* plan, const TDateTime& closing, const UnicodeString& values) {
            pEnvironnement->ExecSQLFirebird(
                VK_LOC(),
                "INSERT INTO VKA(ID_BIEN,ID_COMPO,TYPE_AMORT,ID_AMORT_REF,DATE_CLOT,PRIXHT,FRAIS_ACQUIS,VALRESID,VALAMORT,"
                "TAUX,PRORATA,DOTATION,CUMULAMORT,CUMULDEPREC,RESTANTAMORT,NUM_METHODE,METHODE,PTDEDEPART,DUREE,DEPREC,"
                "NATURE_UO,NB_UO) VALUES (" +
                    asset + "," + component + "," + std::to_string(kindOfPlan) + "," + std::to_string(plan->ID) + "," +
                    VK_FormatDate(closing, false, true) + "," + values + ")",
                true, nullptr, kind);
        };
        auto parameters = [](cVK_Amortissement* plan) {
            const double rate = plan->GetTaux();
            return std::make_pair(rate == CCurrency::NullDouble ? UnicodeString("NULL") : CCurrency(rate).GetSQL(),
                                  VK_FormatInt(plan->GetMethode()) + "," + VK_FormatAS(plan->GetDesignationMethode()) + "," +
                                      VK_FormatDate(plan->GetPtDeDepart(), false, true) + "," +
                                      VK_FormatUnsignedShort(plan->GetDuree()));
        };
        for (int p = 0; amortissements_ && p < amortissements_->Count(); ++p) {
            cVK_Amortissement* plan = amortissements_->Get(p);
            cVK_LstTabAmort* schedule = plan->GetLstTabAmort();
            schedule->ClearCalculs();
            schedule->CalculTableau();
            for (const auto& [year, line] : schedule->Lignes()) {
                cVK_Amortissement* basedOn = line->GetAmortissement();
                const auto [rate, method] = parameters(basedOn);
                TDateTime start, end;
                pCurDossier->DonnerDatesDebEtFin(year, false, &start, &end);
                if (line->GetForcageOuv())
                    insert(plan->TYPEAMORT, basedOn, start - 1,
                           line->GetPrixHT().GetSQL() + "," + line->GetFraisAcquis().GetSQL() + "," +
                               basedOn->VALRESIDUELLE.GetSQL() + ",NULL," + rate + ",'Cumul forcé',NULL," +
                               line->GetCumulAmortOuv(1).GetSQL() + "," +
                               (line->GetCumulDeprecDedOuv(1) + line->GetCumulDeprecNonDedOuv(1)).GetSQL() + ",NULL," +
                               method + ",NULL," + VK_FormatAS(plan->GetUO_Designation()) + ",NULL");
                const CCurrency charge = line->GetDotation(TDateTime());
                const CCurrency impairment = line->GetDeprecDedEx() + line->GetDeprecNonDedEx();
                insert(plan->TYPEAMORT, basedOn, end,
                       line->GetPrixHT().GetSQL() + "," + line->GetFraisAcquis().GetSQL() + "," +
                           basedOn->VALRESIDUELLE.GetSQL() + "," + line->GetBaseAmortissableEx().GetSQL() + "," + rate +
                           "," + VK_FormatAS(line->GetProrata()) + "," +
                           (charge.IsNull() ? UnicodeString("NULL") : CCurrency(Round(charge.AsDouble(), 2)).GetSQL()) +
                           "," + (line->GetCumulAmortOuv(1) + charge).GetSQL() + "," +
                           (line->GetCumulDeprecDedOuv(1) + line->GetCumulDeprecNonDedOuv(1) + impairment).GetSQL() +
                           "," + line->GetResteAAmortirEx().GetSQL() + "," + method + "," + impairment.GetSQL() + "," +
                           VK_FormatAS(plan->GetUO_Designation()) + "," + line->GetConsoEx().GetSQL());
            }
        }
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}
