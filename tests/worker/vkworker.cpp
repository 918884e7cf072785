// A second host for the tests that run several programs on one case file at the same time (each
// a separate process, as two accountants' workstations would be).
//
//   vkworker setup DIR                      a case file with asset CONC-01: three components, one
//                                           acquisition line each, at 10000, 20000 and 30000
//   vkworker compute DIR REF UNTIL SECONDS  reads and computes the asset again and again, each time
//                                           in a new transaction, until the three prices are shifted
//                                           by UNTIL (or SECONDS passed); prints "seen SHIFT" each
//                                           time; "HALF ..." and status 3 if the three shifts differ
//   vkworker write DIR REF FROM TO          shifts the three prices by FROM, FROM+1 ... TO, one
//                                           transaction each; prints "committed SHIFT" after each
//   vkworker update DIR REF SHIFT HOLD_MS   shifts the three prices by SHIFT in one transaction held
//                                           HOLD_MS before its commit; prints "updated" once the
//                                           change is made, "committed SHIFT" after the commit
//
// The environment is $VK_ENV. Exit statuses: 0 success, 1 the engine or the database refused
// (the message on stderr), 2 bad arguments, 3 inconsistent data seen, 4 time limit reached.
#include <algorithm>
#include <chrono>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include "host/commands/commands.h"
#include "host/report/build.h"
#include "host/scenario/build_register.h"
#include "host/session.h"
#include "units/uvkamortissement.h"
#include "units/uvkdetailcomposant.h"
#include "units/uvklistes.h"
#include "units/uvktables.h"

namespace {

using namespace vkhost;

constexpr int kBasePrices[] = {10000, 20000, 30000};

EnvironmentOptions Environment() {
    EnvironmentOptions options;
    options.user = "worker";
    return options;
}

int Setup(const std::string& directory) {
    InitOptions init;
    init.firstYear = "2024-01-01";
    Session session(Environment());
    session.Create(directory, ParametersFromOptions(init));
    if (!VK_CreerTables("")) throw EngineReportedFailure("Les tables du registre n'ont pas pu être créées");
    AssetInput asset;
    asset.ref = "CONC-01";
    asset.designation = "Atelier partagé";
    for (int price : kBasePrices) {
        ComponentInput component;
        component.account = "215400";
        component.entry_date = component.service_date = EncodeDate(2025, 1, 1);
        component.details.emplace_back().price = CCurrency(price);
        component.plans = std::vector{MakePlan(taComptable, maLineaire, 60)};
        asset.components.push_back(component);
    }
    session.RunAction([&] { BuildAsset(asset); });
    return 0;
}

std::unique_ptr<cVK_Bien> Load(const std::string& reference) {
    std::unique_ptr<cVK_Bien> asset = LoadAssetByReference(reference);
    if (!asset) throw InvalidInput("aucun bien " + reference);
    return asset;
}

// The acquisition line of each component, in the order of their base prices.
std::vector<cVK_DetailComposant*> Lines(cVK_Bien& asset) {
    std::vector<cVK_DetailComposant*> lines;
    cVK_ListeComposants* components = asset.GetListeComposants();
    for (int i = 0; i < components->Count(); ++i) lines.push_back(components->Get(i)->GetDetails()->Get(0));
    std::sort(lines.begin(), lines.end(),
              [](auto* a, auto* b) { return a->GetPrixAcquis() < b->GetPrixAcquis(); });
    return lines;
}

void Shift(cVK_Bien& asset, int shift) {
    std::vector<cVK_DetailComposant*> lines = Lines(asset);
    for (size_t i = 0; i < lines.size(); ++i)
        lines[i]->SetPrixAcquisOrigine(CCurrency(kBasePrices[i] + shift));
    if (!asset.BD_MAJ()) throw EngineReportedFailure("Le bien n'a pas pu être enregistré");
}

// One reading: the shift of each component's price, and its schedule computed again, whose
// charges must add up to the price.
int ReadShift(const std::string& reference) {
    std::unique_ptr<cVK_Bien> asset = Load(reference);
    std::vector<int> shifts;
    for (size_t i = 0; cVK_DetailComposant * line : Lines(*asset)) {
        const CCurrency price = line->GetPrixAcquis();
        shifts.push_back(static_cast<int>(price) - kBasePrices[i++]);
        cVK_Amortissement* plan = line->GetComposant()->GetAmort(taComptable);
        plan->GetLstTabAmort()->CalculTableau();
        CCurrency total(0);
        for (const auto& [year, schedule] : plan->GetLstTabAmort()->Lignes())
            total = total + schedule->GetDotation(TDateTime());
        if (total != price)
            throw std::runtime_error(
                fmt::format("HALF schedule {} for a price of {}", total.AsDouble(), price.AsDouble()));
    }
    for (int shift : shifts)
        if (shift != shifts.front())
            throw std::runtime_error(fmt::format("HALF shifts {}", fmt::join(shifts, " ")));
    return static_cast<int>(shifts.front());
}

int Compute(const std::string& directory, const std::string& reference, int until, int seconds) {
    Session session(Environment());
    session.Open(directory);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        int shift = 0;
        try {
            session.RunAction([&] { shift = ReadShift(reference); });
        } catch (const std::runtime_error& e) {
            std::cout << e.what() << std::endl;
            return 3;
        }
        std::cout << "seen " << shift << std::endl;
        if (shift >= until) return 0;
        if (std::chrono::steady_clock::now() > deadline) return 4;
    }
}

int Write(const std::string& directory, const std::string& reference, int from, int to) {
    Session session(Environment());
    session.Open(directory);
    for (int shift = from; shift <= to; ++shift) {
        session.RunAction([&] { Shift(*Load(reference), shift); });
        std::cout << "committed " << shift << std::endl;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}

int Update(const std::string& directory, const std::string& reference, int shift, int holdMs) {
    Session session(Environment());
    session.Open(directory);
    session.RunAction([&] {
        Shift(*Load(reference), shift);
        std::cout << "updated" << std::endl;
        std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
    });
    std::cout << "committed " << shift << std::endl;
    return 0;
}

int Run(const std::vector<std::string>& args) {
    const size_t n = args.size();
    if (n == 2 && args[0] == "setup") return Setup(args[1]);
    if (n == 5) {
        const int first = std::stoi(args[3]), second = std::stoi(args[4]);
        if (args[0] == "compute") return Compute(args[1], args[2], first, second);
        if (args[0] == "write") return Write(args[1], args[2], first, second);
        if (args[0] == "update") return Update(args[1], args[2], first, second);
    }
    std::cerr << "usage: vkworker setup DIR | compute DIR REF UNTIL SECONDS | write DIR REF FROM TO | "
                 "update DIR REF SHIFT HOLD_MS\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int status;
    try {
        status = Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {  // the engine's and the database's errors included
        std::cerr << e.what() << '\n';
        status = 1;
    }
    IBShutdown();
    return status;
}
