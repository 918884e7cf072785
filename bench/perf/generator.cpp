#include "bench/perf/generator.h"

#include <chrono>
#include <filesystem>

#include <fmt/format.h>

#include "bench/perf/statement_trace.h"
#include "host/scenario/build_register.h"
#include "host/session.h"
#include "platform/dossier.h"
#include "units/uvkbien.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"
#include "units/uvklistes.h"
#include "units/uvktables.h"

namespace vkperf {

namespace {

using vkhost::AssetInput;
using vkhost::ComponentInput;
using vkhost::MakePlan;
using vkhost::PlanInput;

// SplitMix64: the same sequence on every machine and compiler, unlike the standard distributions.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // An integer in [low, high].
    int Between(int low, int high) { return low + static_cast<int>(Next() % uint64_t(high - low + 1)); }
    // True with the given chance in percent.
    bool Percent(int chance) { return Between(0, 99) < chance; }
    template <typename T, size_t N>
    const T& Pick(const T (&values)[N]) {
        return values[Next() % N];
    }

private:
    uint64_t state_;
};

// An amount of whole cents between two amounts in euros.
CCurrency Euros(Random& random, int low, int high) {
    const int64_t cents = random.Between(low * 100, high * 100);
    return CCurrency::FromCount(cents * 100);
}

TDateTime DayOfYear(Random& random, int year, int lastMonth = 12) {
    const TDateTime first = EncodeDate(year, 1, 1), last = EncodeDate(year, lastMonth, 28);
    return first + random.Between(0, static_cast<int>(double(last) - double(first)));
}

struct Shape {
    const GeneratorOptions& options;
    int CurrentYear() const { return options.firstYear + options.years - 1; }
    TDateTime LastDay() const { return EncodeDate(CurrentYear(), 12, 31); }
};

// The plans of an ordinary component: mostly linear, a third declining, some tax plans declining
// over a linear accounting plan (derogatory depreciation).
std::vector<PlanInput> OrdinaryPlans(Random& random, GeneratorResult& result) {
    static const int linear[] = {36, 48, 60, 60, 60, 84, 120, 120, 240};
    static const int declining[] = {36, 60, 60, 84, 120};
    const int draw = random.Between(0, 99);
    if (draw < 34) {
        const int months = random.Pick(declining);
        result.declining += 2;
        return {MakePlan(taComptable, maDegressif, months), MakePlan(taFiscal, maDegressif, months)};
    }
    if (draw < 44) {
        const int months = random.Pick(declining);
        result.declining += 1;
        return {MakePlan(taComptable, maLineaire, months), MakePlan(taFiscal, maDegressif, months)};
    }
    const int months = random.Pick(linear);
    return {MakePlan(taComptable, maLineaire, months), MakePlan(taFiscal, maLineaire, months)};
}

// Units of production: a total, a designation and forecasts for the current year and the next four.
void UnitsOfProduction(Random& random, ComponentInput& component) {
    component.plans = std::vector<PlanInput>{MakePlan(taComptable, maUnitesOeuvre, vkhost::kNoDuration),
                                             MakePlan(taFiscal, maUnitesOeuvre, vkhost::kNoDuration)};
    vkhost::UnitsInput units;
    const int total = random.Between(20, 200) * 1000;
    units.total = CCurrency(total);
    units.designation = "km";
    int left = total;
    for (int year = 0; year < 5 && left > 0; ++year) {
        const int quantity = year == 4 ? left : std::min(left, random.Between(total / 8, total / 4));
        units.forecasts.push_back({year, CCurrency(quantity)});
        left -= quantity;
    }
    component.units = units;
}

// A manual tax plan with its yearly amounts over a linear accounting plan.
void ManualTaxPlan(Random& random, ComponentInput& component, const CCurrency& price) {
    const int years = random.Between(3, 6);
    PlanInput tax = MakePlan(taFiscal, maManuel, years * 12);
    const int64_t yearly = price.Count() / years / 1000000 * 1000000;  // whole hundreds of euros
    for (int year = 0; year < years; ++year) tax.manual.push_back({year, CCurrency::FromCount(yearly)});
    component.plans = std::vector<PlanInput>{MakePlan(taComptable, maLineaire, years * 12), tax};
}

// Forced opening values: what a previous software had as cumulated depreciation, rounded to the euro.
void ForceOpening(Random& random, ComponentInput& component, const CCurrency& price, int elapsedYears) {
    for (PlanInput& plan : *component.plans) {
        const int64_t months = std::max(plan.duration, 12);
        const int64_t share = std::min<int64_t>(elapsedYears * 12, months - 1) * 90 / months;  // percent
        plan.forced_opening.depreciation = CCurrency::FromCount(price.Count() * share / 100 / 10000 * 10000);
    }
    if (random.Percent(30)) component.forced.derogatory_opening = CCurrency(0);
}

ComponentInput Component(Random& random, const Shape& shape, const TDateTime& entry, bool structure,
                         GeneratorResult& result, bool& units) {
    static const char* const accounts[] = {"213500", "215400", "215400", "215400", "218100",
                                           "218300", "218300", "218400", "205000"};
    ComponentInput component;
    component.account = random.Pick(accounts);
    component.entry_date = entry;
    component.service_date = entry;
    const CCurrency price = structure ? Euros(random, 800, 150000) : Euros(random, 300, 40000);
    vkhost::DetailInput detail;
    detail.price = price;
    detail.vat = CCurrency::FromCount(price.Count() / 5 / 100 * 100);
    detail.supplier = fmt::format("Fournisseur {}", random.Between(1, 400));
    component.details.push_back(detail);
    int year = 0, month = 0, day = 0;
    DecodeDate(entry, year, month, day);
    const int draw = random.Between(0, 99);
    if (draw < 3 && structure && year == shape.CurrentYear()) {
        UnitsOfProduction(random, component);
        units = true;
        ++result.unitsOfProduction;
    } else if (draw < 6 && year == shape.CurrentYear()) {
        ManualTaxPlan(random, component, price);
        ++result.manual;
    } else {
        component.plans = OrdinaryPlans(random, result);
        if (year < shape.CurrentYear() && random.Percent(5)) {
            ForceOpening(random, component, price, shape.CurrentYear() - year);
            ++result.forced;
        }
    }
    result.plans += static_cast<int>(component.plans->size());
    return component;
}

AssetInput PassengerCar(Random& random, const TDateTime& entry, int index, GeneratorResult& result) {
    AssetInput asset;
    asset.ref = fmt::format("V{:06}", index);
    asset.designation = fmt::format("Véhicule de tourisme {}", index);
    vkhost::VehicleInput vehicle;
    vehicle.type = vtVoitureTourisme;
    vehicle.first_registration = entry;
    vehicle.registration = fmt::format("AB-{:03}-CD", index % 1000);
    if (!random.Percent(10)) vehicle.co2 = random.Between(95, 220);
    int year = 0, month = 0, day = 0;
    DecodeDate(entry, year, month, day);
    vehicle.wltp = year >= 2020;
    asset.vehicle = vehicle;
    ComponentInput component;
    component.account = "218200";
    component.entry_date = entry;
    component.service_date = entry;
    vkhost::DetailInput detail;
    detail.price = Euros(random, 18000, 65000);
    component.details.push_back(detail);
    component.plans =
        std::vector<PlanInput>{MakePlan(taComptable, maLineaire, 60), MakePlan(taFiscal, maLineaire, 60)};
    result.plans += 2;
    asset.components.push_back(component);
    ++result.cars;
    return asset;
}

AssetInput Ordinary(Random& random, const Shape& shape, const TDateTime& entry, int index,
                    GeneratorResult& result) {
    AssetInput asset;
    asset.ref = fmt::format("B{:06}", index);
    asset.designation = fmt::format("Immobilisation {}", index);
    const int draw = random.Between(0, 99);
    const int count = draw < 60 ? 1 : draw < 88 ? 2 : 3;
    bool units = false;
    for (int i = 0; i < count && !units; ++i) {
        TDateTime date = i == 0 ? entry : entry + random.Between(0, 300);
        if (date > shape.LastDay()) date = shape.LastDay();
        asset.components.push_back(Component(random, shape, date, i == 0, result, units));
    }
    return asset;
}

// A disposal record of the asset's last component: sold or scrapped in the current year.
void Dispose(Random& random, const Shape& shape, cVK_Bien& asset) {
    cVK_ListeComposants* list = asset.GetListeComposants();
    cVK_Composant* component = list->Get(list->Count() - 1);
    auto* cession = new cVK_Cession(component, nullptr, 0);
    const TDateTime date = DayOfYear(random, shape.CurrentYear(), 11);
    cession->SetMotifSortie(random.Percent(80) ? vmCession : vmMiseAuRebut);
    cession->SetDateSortie(date);
    cession->SetDateFinUtilisation(date);
    if (cession->MOTIF_SORTIE == vmCession) cession->PRIXHT_SORTIE = Euros(random, 100, 20000);
    component->SetCession(cession);
    if (!cession->BD_MAJ()) throw vkhost::EngineReportedFailure("Sortie non enregistrée");
}

ParametresDossier Parameters(const GeneratorOptions& options) {
    ParametresDossier parameters;
    parameters.RaisonSociale = "Performances";
    for (int year = options.firstYear; year < options.firstYear + options.years; ++year)
        parameters.Exercices.push_back(
            {EncodeDate(year, 1, 1), EncodeDate(year, 12, 31), year < options.firstYear + options.years - 1});
    parameters.DebutExerciceCourant = parameters.Exercices.back().Debut;
    parameters.RegimeFiscal = 2;
    return parameters;
}

}  // namespace

GeneratorResult Generate(const std::string& directory, const GeneratorOptions& options) {
    const auto started = std::chrono::steady_clock::now();
    GeneratorResult result;
    const Shape shape{options};
    Random random(options.seed);
    vkhost::Session session({(std::filesystem::path(directory) / "env").string(), "bench"});
    session.Create((std::filesystem::path(directory) / "case").string(), Parameters(options));
    if (!VK_CreerTables("")) throw vkhost::EngineReportedFailure("Tables non créées");
    const StatementTrace trace(*session.Dossier().GetDatabaseFirebird());
    const auto creation = std::chrono::steady_clock::now();
    session.RunAction([&] {
        for (int index = 1; index <= options.assets; ++index) {
            const int year = options.firstYear + random.Between(0, options.years - 1);
            const TDateTime entry = DayOfYear(random, year);
            const bool car = random.Percent(4);
            const AssetInput input = car ? PassengerCar(random, entry, index, result)
                                         : Ordinary(random, shape, entry, index, result);
            vkhost::BuiltAsset built = vkhost::BuildAsset(input);
            ++result.assets;
            result.components += static_cast<int>(input.components.size());
            // The years before the current one were validated: their schedule lines are frozen.
            if (options.validate && year < shape.CurrentYear()) {
                built.asset->Valider(vcValide);
                ++result.validated;
                if (random.Percent(3)) {
                    Dispose(random, shape, *built.asset);
                    ++result.disposals;
                }
            }
        }
    });
    const auto ended = std::chrono::steady_clock::now();
    result.creationSeconds = std::chrono::duration<double>(ended - creation).count();
    result.seconds = std::chrono::duration<double>(ended - started).count();
    return result;
}

}  // namespace vkperf
