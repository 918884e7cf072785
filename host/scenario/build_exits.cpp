#include "host/scenario/build_exits.h"

#include "platform/dossier.h"
#include "units/uvkcession.h"
#include "units/uvkdivers.h"
#include "units/uvklistes.h"
#include "units/uvksortie.h"

namespace vkhost {

namespace {

cVK_Composant* FindComponent(cVK_Bien& version, const std::string& refCalc) {
    cVK_ListeComposants* components = version.GetListeComposants();
    for (int i = 0; components && i < components->Count(); ++i)
        if (components->Get(i)->GetRefCalc() == refCalc) return components->Get(i);
    return nullptr;
}

// The component's record on the exit's terms.
cVK_Cession* Dispose(cVK_Composant& component, const ExitInput& input) {
    auto* cession = new cVK_Cession(&component, nullptr, 0);  // stored at once
    component.SetCession(cession);
    cession->SetDateSortie(input.date);
    cession->SetDateFinUtilisation(input.end_of_use);
    cession->SetMotifSortie(static_cast<VK_MotifSortie>(input.reason));
    cession->TVA_DOIT_ETRE_REVERSEE = input.vat_reversed;
    cession->Modifie();
    return cession;
}

// What the user entered on the component's disposal screen; an absent value stays empty.
void Enter(cVK_Cession& cession, const ExitComponentInput& input) {
    cession.PRIX_CESSION_SAIS = input.entered_price;
    cession.PRIXHT_SORTIE = input.price;
    cession.TVA_DED_SAIS = input.vat_deducted;
    cession.TVA_A_REVERSER_SAIS = input.vat_to_reverse;
    cession.VAL_REEVAL_SAIS = input.revalued_value;
    cession.AMORT_CPTA_PRAT_SAIS = input.accounting_depreciation;
    cession.AMORT_DEROG_PRAT_SAIS = input.derogatory_depreciation;
    cession.AUTRES_AMORT_SAIS = input.other_depreciation;
    cession.PVCT_SAIS = input.short_term_gain;
    cession.PVLT_EXCLUES_SAIS = input.excluded_long_term_gain;
    cession.MVCT_SAIS = input.short_term_loss;
    cession.MVLT_EXCLUES_SAIS = input.excluded_long_term_loss;
    if (input.tax_rate) cession.TAUX_IMPOSITION = *input.tax_rate;
    cession.Modifie();
}

// Opens the disposal version of an asset's latest version and hands it to the exit's list.
cVK_Bien& TakeOut(cVK_Sortie& exit, const ExitInput& input, const ExitAssetInput& assetInput,
                  const AssetKey& key) {
    std::unique_ptr<cVK_Bien> version = LoadLatestVersion(key.refCalc);
    if (!version) throw EngineReportedFailure("Le bien " + assetInput.ref + " n'a plus de version");
    version->BD_Dupliquer(veCession, false);
    if (version->ID == 0)
        throw EngineReportedFailure("La version de cession du bien " + assetInput.ref +
                                    " n'a pas pu être créée");
    cVK_Bien& taken = *version;
    exit.GetListeBiens()->Add(version.release());  // the exit's list owns it from now on
    cVK_ListeComposants* components = taken.GetListeComposants();
    for (int i = 0; components && i < components->Count(); ++i) Dispose(*components->Get(i), input);
    for (const ExitComponentInput& entered : assetInput.components) {
        cVK_Composant* component = FindComponent(taken, key.componentRefCalcs.at(entered.index));
        if (!component || !component->GetCession())
            throw EngineReportedFailure("Le composant " + std::to_string(entered.index) + " du bien " +
                                        assetInput.ref + " n'est pas dans sa version de cession");
        Enter(*component->GetCession(), entered);
    }
    return taken;
}

}  // namespace

unsigned BuildExit(const ExitInput& input, const std::vector<AssetKey>& keys) {
    auto exit = std::make_unique<cVK_Sortie>(0);
    exit->Designation = input.designation;
    exit->DATESORTIE = input.date;
    exit->DATE_FIN_UTILISATION = input.end_of_use;
    exit->PRIXHT = input.price;
    // The engine converts a price only at a rate above 0: a currency given without its rate takes
    // the fixed rate of its code (the franc's), so that a price in francs is never read as euros.
    const CDevise currency(input.currency, input.rate);
    exit->Devise =
        currency.IsDefault() || input.rate > 0 ? currency : CDevise(input.currency, currency.TauxEffectif());
    exit->MOTIFSORTIE = static_cast<VK_MotifSortie>(input.reason);
    exit->TVA_DOIT_ETRE_REVERSEE = input.vat_reversed;
    if (!exit->BD_MAJ() || exit->ID == 0)
        throw EngineReportedFailure("La cession \"" + input.designation + "\" n'a pas pu être enregistrée");
    std::vector<cVK_Bien*> taken;
    for (const ExitAssetInput& assetInput : input.assets)
        taken.push_back(&TakeOut(*exit, input, assetInput, keys.at(assetInput.asset_index)));
    // The shares need every asset of the exit: they are computed once all are in.
    for (cVK_Bien* version : taken) {
        cVK_ListeComposants* components = version->GetListeComposants();
        for (int i = 0; components && i < components->Count(); ++i) {
            cVK_Cession* cession = components->Get(i)->GetCession();
            cession->AffecterPrixCession_Calc();
            cession->InitTauxImposition();
        }
    }
    if (!exit->BD_MAJ())
        throw EngineReportedFailure("La cession \"" + input.designation + "\" n'a pas pu être enregistrée");
    return exit->ID;
}

std::vector<unsigned> BuildExits(const std::vector<ExitInput>& exits, const std::vector<AssetKey>& keys) {
    std::vector<unsigned> ids;
    for (const ExitInput& input : exits) ids.push_back(BuildExit(input, keys));
    return ids;
}

DisposalReport ReportDisposal(const cVK_Cession& cession) {
    DisposalReport report;
    report.price = cession.GetPrixCession();
    report.vat_fraction = cession.GetFractionAReverser();
    report.vat_to_reverse = cession.GetTvaAReverser();
    cession.GetValeurComptableActifsCedes(&report.gross_value, &report.depreciation);
    report.result = cession.PvMvRealisee(nullptr, nullptr);
    report.short_term = cession.PvMvCourtTerme(true);
    report.long_term = cession.PvMvLongTerme(true);
    report.excluded_long_term = cession.PvMvCTExclueLongTerme(true, nullptr);
    return report;
}

ExitReport ReportExit(const cVK_Sortie& exit) {
    ExitReport report;
    report.id = exit.ID;
    report.price = exit.GetPrixHT();
    report.total_cost = exit.TotalCoutEntree();
    report.vat_to_reverse = exit.GetTotalTvaAReverser();
    ExitGainsReport& gains = report.gains;
    exit.GetTotalPvMv(&gains.ct, &gains.ct_excluded_lt, &gains.lt0, &gains.lt8, &gains.lt15, &gains.lt165,
                      &gains.pv_reduced_rate_is, &gains.lt19);
    return report;
}

std::vector<ExitReport> ReportExits(const std::vector<unsigned>& ids) {
    std::vector<ExitReport> reports;
    for (unsigned id : ids) {
        TIBQuery stored(pCurDossier->GetDatabaseFirebird());
        stored.SQL.SetText("SELECT COUNT(*) FROM " + GetNomTable("VKS", false) +
                           " WHERE ID_SORTIE=" + VK_Format_ID(id));
        stored.Open();
        const bool exists = stored.Fields(0)->AsInteger() != 0;
        stored.Close();
        if (!exists) continue;  // deleted by an action since
        const cVK_Sortie exit(id);
        reports.push_back(ReportExit(exit));
    }
    return reports;
}

}  // namespace vkhost
