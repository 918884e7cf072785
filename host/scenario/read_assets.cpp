// The "assets" section: assets, their vehicle and components, and what hangs off a component.
#include <climits>

#include "host/scenario/sections.h"

namespace vkhost::sections {

using fields::Fail;
using fields::ObjectReader;

namespace {

VehicleInput ReadVehicle(const JsonValue& value, const std::string& path) {
    ObjectReader r(value, path, {"type", "first_registration", "registration", "co2", "wltp"});
    VehicleInput vehicle;
    vehicle.type = r.RequiredInt("type", 0, 5);
    vehicle.first_registration = r.OptionalDate("first_registration").value_or(TDateTime());
    vehicle.registration = r.Text("registration", kMaxRegistrationLength);
    vehicle.co2 = r.OptionalInt("co2", 0, INT_MAX);
    vehicle.wltp = r.Bool("wltp", false);
    return vehicle;
}

DetailInput ReadDetail(const JsonValue& value, const std::string& path) {
    ObjectReader r(value, path, {"price", "costs", "vat", "supplier", "designation", "currency", "rate"});
    DetailInput detail;
    detail.price = r.Amount("price");
    detail.costs = r.Amount("costs");
    detail.vat = r.Amount("vat");
    detail.supplier = r.Text("supplier", kMaxSupplierLength);
    detail.designation = r.Text("designation", kMaxDesignationLength);
    detail.currency = r.IntAmong("currency", {0, 250}, "doit valoir 0 ou 250", kDefaultCurrencyCode);
    detail.rate = r.Rate("rate", kDefaultCurrencyRate);
    return detail;
}

// A list of yearly figures {year, <amountKey>}: one per year, each 0 or more (CONSO >= 0).
std::vector<YearAmountInput> ReadYearAmounts(const std::vector<JsonValue>& list, const std::string& path,
                                             const char* amountKey) {
    std::vector<YearAmountInput> result;
    for (size_t i = 0; i < list.size(); ++i) {
        ObjectReader r(list[i], ItemPath(path, i), {"year", amountKey});
        YearAmountInput item;
        item.year = r.RequiredInt("year", 0, SHRT_MAX);
        for (const YearAmountInput& earlier : result)
            if (earlier.year == item.year)
                Fail(r.PathOf("year"), "année " + std::to_string(item.year) + " déjà donnée");
        item.amount = r.RequiredAmount(amountKey);
        if (!item.amount.IsNull() && item.amount < 0) Fail(r.PathOf(amountKey), "doit être positif ou nul");
        result.push_back(item);
    }
    return result;
}

PlanForcedOpeningInput ReadPlanForcedOpening(const JsonValue& value, const std::string& path) {
    ObjectReader r(value, path, {"depreciation", "impairment_ded", "impairment_nonded"});
    return {r.OptionalAmount("depreciation"), r.OptionalAmount("impairment_ded"),
            r.OptionalAmount("impairment_nonded")};
}

PlanInput ReadPlan(const JsonValue& value, const std::string& path, const std::vector<PlanInput>& earlier) {
    ObjectReader r(value, path,
                   {"kind", "method", "start", "duration", "residual", "forced_opening", "manual"});
    PlanInput plan;
    plan.kind = r.RequiredIntAmong("kind", {1, 2, 4}, "doit valoir 1, 2 ou 4");
    for (const PlanInput& other : earlier)
        if (other.kind == plan.kind)
            Fail(r.PathOf("kind"), "un plan de type " + std::to_string(plan.kind) + " est déjà donné");
    plan.method = r.RequiredInt("method", 0, 13);
    plan.start = r.OptionalDate("start").value_or(TDateTime());
    plan.duration = r.Int("duration", 0, kNoDuration, kNoDuration);
    if (plan.duration > kMaxDurationMonths && plan.duration != kNoDuration)
        Fail(r.PathOf("duration"), "au plus " + std::to_string(kMaxDurationMonths) +
                                       " mois (un plan tient au plus 1000 ans), ou 65535 pour aucune");
    plan.residual = r.OptionalAmount("residual");
    if (const JsonValue* forced = r.Find("forced_opening"))
        plan.forced_opening = ReadPlanForcedOpening(*forced, r.PathOf("forced_opening"));
    if (const std::vector<JsonValue>* manual = r.List("manual")) {
        if (plan.method != 4) Fail(r.PathOf("manual"), "ne vaut que pour la méthode 4 (manuelle)");
        plan.manual = ReadYearAmounts(*manual, r.PathOf("manual"), "amount");
    }
    return plan;
}

UnitsInput ReadUnits(const JsonValue& value, const std::string& path) {
    ObjectReader r(value, path, {"total", "designation", "forced_opening", "forecasts"});
    UnitsInput units;
    units.total = r.OptionalAmount("total");
    units.designation = r.Text("designation", kMaxUnitsDesignationLength);
    units.forced_opening = r.OptionalAmount("forced_opening");
    if (const std::vector<JsonValue>* forecasts = r.List("forecasts"))
        units.forecasts = ReadYearAmounts(*forecasts, r.PathOf("forecasts"), "quantity");
    return units;
}

ComponentForcedInput ReadForced(const JsonValue& value, const std::string& path) {
    ObjectReader r(value, path, {"derogatory_opening", "temporary_reintegration_opening"});
    return {r.OptionalAmount("derogatory_opening"), r.OptionalAmount("temporary_reintegration_opening")};
}

SituationInput ReadSituation(const JsonValue& value, const std::string& path,
                             const std::vector<SituationInput>& earlier) {
    ObjectReader r(
        value, path,
        {"date", "kind", "current_value", "impairment_nonded", "max_reversal", "manual_charge", "units"});
    SituationInput situation;
    situation.date = r.Date("date");
    situation.kind = r.RequiredIntAmong("kind", {0, 1, 2}, "doit valoir 0, 1 ou 2");
    for (const SituationInput& other : earlier)
        if (other.date == situation.date && other.kind == situation.kind)
            Fail(r.PathOf("kind"), "une situation de cette date et de ce type est déjà donnée");
    situation.current_value = r.Amount("current_value");
    situation.impairment_nonded = r.Amount("impairment_nonded");
    situation.max_reversal = r.Amount("max_reversal");
    situation.manual_charge = r.Amount("manual_charge");
    situation.units = r.Amount("units");
    return situation;
}

template <typename T, typename Read>
std::vector<T> ReadList(const ObjectReader& r, std::string_view key, Read read) {
    std::vector<T> result;
    if (const std::vector<JsonValue>* list = r.List(key))
        for (size_t i = 0; i < list->size(); ++i)
            result.push_back(read((*list)[i], ItemPath(r.PathOf(key), i), result));
    return result;
}

// The component's cost is the sum of its lines' prices, costs and VAT: it has the bound of one amount.
void CheckDetailsTotal(const std::vector<DetailInput>& details, const std::string& path) {
    CCurrency total(0);
    for (const DetailInput& detail : details)
        for (const CCurrency& amount : {detail.price, detail.costs, detail.vat})
            if (!amount.IsNull()) total += amount;
    if (total.Count() > fields::kMaxAmount || total.Count() < -fields::kMaxAmount)
        Fail(path, std::string("la somme des prix, frais et TVA ") + fields::kAmountRangeReason);
}

ComponentInput ReadComponent(const JsonValue& value, const std::string& path, const AssetInput& asset) {
    ObjectReader r(value, path,
                   {"account", "entry_date", "service_date", "entry_type", "designation", "non_deductible",
                    "car_reintegration", "details", "plans", "units", "forced", "situations"});
    ComponentInput component;
    component.account = r.RequiredText("account", kMaxAccountLength);
    for (char c : component.account)
        if (c < '0' || c > '9') Fail(r.PathOf("account"), "ne doit contenir que des chiffres");
    component.entry_date = r.Date("entry_date");
    component.service_date = r.OptionalDate("service_date").value_or(component.entry_date);
    component.entry_type = r.Int("entry_type", 0, 6, 0);
    component.designation = r.Text("designation", kMaxDesignationLength, asset.designation);
    component.non_deductible = r.Bool("non_deductible", false);
    component.car_reintegration = r.Bool("car_reintegration", false);
    component.details = ReadList<DetailInput>(
        r, "details", [](const JsonValue& v, const std::string& p, const auto&) { return ReadDetail(v, p); });
    CheckDetailsTotal(component.details, r.PathOf("details"));
    if (r.Find("plans")) component.plans = ReadList<PlanInput>(r, "plans", ReadPlan);
    if (const JsonValue* units = r.Find("units")) component.units = ReadUnits(*units, r.PathOf("units"));
    if (const JsonValue* forced = r.Find("forced"))
        component.forced = ReadForced(*forced, r.PathOf("forced"));
    component.situations = ReadList<SituationInput>(r, "situations", ReadSituation);
    return component;
}

AssetInput ReadAsset(const JsonValue& value, const std::string& path,
                     const std::vector<AssetInput>& earlier) {
    ObjectReader r(value, path,
                   {"ref", "designation", "type", "state", "complement", "vehicle", "components"});
    AssetInput asset;
    asset.ref = r.RequiredText("ref", kMaxRefLength);
    if (asset.ref.find_first_not_of(" \t") == std::string::npos)
        Fail(r.PathOf("ref"), "ne doit pas être fait que d'espaces");
    for (size_t j = 0; j < earlier.size(); ++j)
        if (earlier[j].ref == asset.ref)
            Fail(r.PathOf("ref"),
                 "référence \"" + asset.ref + "\" en double (aussi assets[" + std::to_string(j) + "].ref)");
    asset.designation = r.Text("designation", kMaxDesignationLength);
    asset.type = r.Int("type", 0, SHRT_MAX, 1);
    asset.state = r.Int("state", 0, 5, 2);
    asset.complement = r.Int("complement", 1, 3, 2);
    if (const JsonValue* vehicle = r.Find("vehicle"))
        asset.vehicle = ReadVehicle(*vehicle, r.PathOf("vehicle"));
    const std::vector<JsonValue>& components = r.RequiredList("components");
    if (components.empty()) Fail(r.PathOf("components"), "doit contenir au moins un composant");
    for (size_t k = 0; k < components.size(); ++k)
        asset.components.push_back(ReadComponent(components[k], ItemPath(r.PathOf("components"), k), asset));
    return asset;
}

}  // namespace

std::vector<AssetInput> ReadAssets(const ObjectReader& root) {
    std::vector<AssetInput> assets;
    if (const std::vector<JsonValue>* list = root.List("assets"))
        for (size_t i = 0; i < list->size(); ++i)
            assets.push_back(ReadAsset((*list)[i], ItemPath("assets", i), assets));
    return assets;
}

size_t FindAsset(const std::vector<AssetInput>& assets, const std::string& ref, const std::string& path) {
    for (size_t i = 0; i < assets.size(); ++i)
        if (assets[i].ref == ref) return i;
    Fail(path, "aucun bien n'a la référence \"" + ref + "\"");
}

}  // namespace vkhost::sections
