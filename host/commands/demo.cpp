#include <filesystem>

#include <fmt/format.h>

#include "host/commands/commands.h"
#include "host/commands/screen_format.h"
#include "host/commands/tempdir.h"
#include "host/report/build.h"
#include "host/scenario/build_register.h"
#include "platform/dossier.h"
#include "units/uvkamortissement.h"
#include "units/uvkdetailcomposant.h"
#include "units/uvklistes.h"
#include "units/uvktables.h"

namespace vkhost {

namespace {

ComponentInput Component(const char* account, TDateTime entry, const char* designation,
                         std::vector<DetailInput> details) {
    ComponentInput component;
    component.account = account;
    component.entry_date = entry;
    component.service_date = entry;
    component.designation = designation;
    component.details = std::move(details);
    return component;
}

DetailInput Line(const char* price, const char* costs, const char* vat, const char* supplier) {
    DetailInput line;
    line.price = CCurrency::Parse(price);
    if (*costs) line.costs = CCurrency::Parse(costs);
    if (*vat) line.vat = CCurrency::Parse(vat);
    line.supplier = supplier;
    return line;
}

// The accounting and tax plans of a component, both of one method and duration.
std::vector<PlanInput> Plans(VK_MethodeAmort method, int months) {
    return {MakePlan(taComptable, method, months), MakePlan(taFiscal, method, months)};
}

// A small company's register: offices bought two years ago (land, structure and later fittings),
// the manager's car, a machine bought this year and a software licence.
std::vector<AssetInput> DemoAssets(int year) {
    std::vector<AssetInput> assets(4);
    AssetInput& offices = assets[0];
    offices.ref = "IMM-01";
    offices.designation = "Bureaux et entrepôt, Rennes";
    offices.components = {
        Component("213100", EncodeDate(year - 2, 3, 1), "Gros œuvre",
                  {Line("420000", "18000", "", "Office notarial Le Goff")}),
        Component("211100", EncodeDate(year - 2, 3, 1), "Terrain",
                  {Line("150000", "6500", "", "Office notarial Le Goff")}),
        Component("213500", EncodeDate(year - 1, 9, 15), "Agencements",
                  {Line("80000", "", "16000", "Bâti-Ouest")}),
    };
    offices.components[0].plans = Plans(maLineaire, 300);           // 25 years
    offices.components[1].plans = Plans(maNonAmortissable, 65535);  // land is not depreciated
    offices.components[2].plans = Plans(maLineaire, 120);
    AssetInput& car = assets[1];
    car.ref = "VT-01";
    car.designation = "Voiture de direction";
    car.vehicle = VehicleInput{vtVoitureTourisme, EncodeDate(year - 1, 4, 5), "FG-482-KL", 132, true};
    car.components = {Component("218200", EncodeDate(year - 1, 4, 10), "Berline hybride",
                                {Line("38500", "450", "", "Garage du Centre")})};
    car.components[0].car_reintegration = true;
    car.components[0].plans = Plans(maLineaire, 60);
    AssetInput& machine = assets[2];
    machine.ref = "MAC-01";
    machine.designation = "Centre d'usinage 5 axes";
    machine.state = veImportation;
    machine.complement = vcEnCours;
    machine.components = {Component("215400", EncodeDate(year, 6, 1), "Centre d'usinage",
                                    {Line("96000", "2400", "19680", "Usinor Machines")})};
    // Linear in the accounts, declining for tax: the excess is derogatory depreciation.
    machine.components[0].plans =
        std::vector<PlanInput>{MakePlan(taComptable, maLineaire, 120), MakePlan(taFiscal, maDegressif, 120)};
    AssetInput& licence = assets[3];
    licence.ref = "LOG-01";
    licence.designation = "Licence du progiciel de gestion";
    licence.components = {Component("205000", EncodeDate(year, 1, 15), "Licence perpétuelle",
                                    {Line("12000", "", "2400", "Éditeur Gestia")})};
    licence.components[0].plans =
        std::vector<PlanInput>{MakePlan(taComptable, maLineaire, 36), MakePlan(taFiscal, maLineaire, 12)};
    return assets;
}

std::string Amount(const CCurrency& amount) {
    return ScreenAmount(amount);
}

// The year's figures of each plan of a component, and its tax adjustments.
void PrintDepreciation(cVK_Composant& c, const TDateTime& at, std::ostream& out) {
    cVK_LstAmortissement* plans = c.GetLstAmortissement();
    for (int p = 0; plans && p < plans->Count(); ++p) {
        cVK_Amortissement& plan = *plans->Get(p);
        const PlanReport figures = ReportPlan(plan, at, false);
        out << fmt::format("        {:<9} {:<16} dotation {:>12}  cumul {:>12}  VNC {:>12}\n",
                           plan.GetDesignTypeAmort(), plan.GetDesignationMethode(), Amount(figures.at.charge),
                           Amount(figures.at.cumul), Amount(figures.at.nbv));
    }
    if (c.GetAmortDerogEstConcerne(at)) {
        CCurrency allocation, reversal;
        c.GetAmortDerogEx(at, &allocation, &reversal, nullptr, nullptr);
        out << fmt::format(
            "        Amortissement dérogatoire : solde {}, dotation de l'exercice {}, reprise {}\n",
            Amount(c.GetAmortDerog(at)), Amount(allocation), Amount(reversal));
    }
    if (c.GetReintTmpEstConcerne(at))
        out << fmt::format("        Réintégration temporaire : solde {}\n", Amount(c.GetReintTmp(at)));
}

void PrintAsset(cVK_Bien& asset, std::ostream& out) {
    static const char* const complements[] = {"", "en cours", "validé", "clôturé"};
    out << fmt::format("\n{} ({}) {} — {}, {} — coût d'entrée {} €\n", asset.GetReference(),
                       asset.GetRefCalc(), asset.Designation, asset.GetEtat(), complements[asset.EtatCplmt],
                       Amount(asset.CoutEntree()));
    if (const cVK_Vehicule* vehicle = asset.GetVehicule())
        out << fmt::format("  Véhicule : {}, {}, 1re immatriculation {}, CO2 {} g/km\n",
                           vehicle->GetNomTypeVehicule(), vehicle->NUMIMMAT,
                           ScreenDate(vehicle->DATEPREMIMMAT), vehicle->TAUXCO2);
    const TDateTime at = pCurDossier->DateSituation;
    const cVK_ListeComposants& list = *asset.GetListeComposants();
    for (int i = 0; i < list.Count(); ++i) {
        cVK_Composant& c = *list.Get(i);
        static const char* const kinds[] = {"incorporelle", "corporelle", "autre", "financière"};
        out << fmt::format(
            "  {} {:<5} {:<22} compte {} ({}), entré le {} ({}), prix HT {} €, TVA récupérée {} €{}\n",
            c.ISSTRUCTURE ? "*" : " ", c.GetRefCalc(), c.Designation, c.NUMCOMPTE, kinds[c.GetTypeCompte()],
            ScreenDate(c.DATEENTREE), c.GetNomTypeEntree(), Amount(c.GetPrixHT()),
            c.GetTVARecuperee().IsNull() ? Amount(CCurrency(0)) : Amount(c.GetTVARecuperee()),
            c.SOUMIS_TP ? ", base de CFE" : "");
        PrintDepreciation(c, at, out);
    }
    if (asset.GetReintDefEstConcerne())
        out << fmt::format("  Voiture de tourisme : plafond {}, coût {}, réintégration de l'exercice {}\n",
                           Amount(asset.GetReintDefBaseMaxi()), Amount(asset.GetReintDefCoutEntree()),
                           Amount(asset.GetReintDef(at)));
}

}  // namespace

int RunDemo(const DemoOptions& options, const EnvironmentOptions& environment, std::ostream& out) {
    TemporaryDirectory temporary("vkdemo");
    EnvironmentOptions demoEnvironment = environment;
    if (demoEnvironment.directory.empty()) demoEnvironment.directory = (temporary.Path() / "env").string();
    UnicodeString directory =
        options.keepDirectory.empty() ? (temporary.Path() / "dossier").string() : options.keepDirectory;
    InitOptions init;
    init.company = "Transports Martin SARL";
    init.siren = "123456782";  // a fictitious number that passes the check: the FEC is named after it
    int year, month, day;
    DecodeDate(Date(), year, month, day);
    init.firstYear = fmt::format("{:04}-01-01", year - 2);
    init.years = 3;

    Session session(demoEnvironment);
    session.Create(directory, ParametersFromOptions(init));
    if (!VK_CreerTables("")) throw EngineReportedFailure("Les tables du registre n'ont pas pu être créées");
    out << "Démonstration : un dossier de trois exercices civils.\n";
    PrintCaseFile(session.Dossier(), out);

    std::vector<BuiltAsset> built;
    session.RunAction([&] {
        for (const AssetInput& input : DemoAssets(year)) built.push_back(BuildAsset(input));
    });
    out << "\nRegistre des immobilisations (* : composant de structure) :\n";
    for (const BuiltAsset& asset : built) PrintAsset(*asset.asset, out);
    built.clear();

    if (options.keepDirectory.empty())
        out << "\nLe dossier temporaire est supprimé.\n";
    else
        out << "\nLe dossier est conservé dans " << directory << ".\n";
    return kExitOk;
}

}  // namespace vkhost
