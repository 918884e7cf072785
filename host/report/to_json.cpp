#include "host/report/to_json.h"

#include <sstream>

#include "host/json/writer.h"

namespace vkhost {

namespace {

void WriteScheduleLine(JsonWriter& w, const ScheduleLineReport& line) {
    w.BeginObject();
    w.Field("year", line.year);
    w.Field("base", line.base);
    w.Field("charge", line.charge);
    w.Field("prorata", line.prorata);
    w.Field("opening_depreciation", line.opening_depreciation);
    w.Field("opening_impairment_ded", line.opening_impairment_ded);
    w.Field("opening_impairment_nonded", line.opening_impairment_nonded);
    w.Field("opening_nbv", line.opening_nbv);
    w.Field("linear", line.linear);
    w.Field("last", line.last);
    w.Field("stored", line.stored);
    w.EndObject();
}

void WritePlan(JsonWriter& w, const PlanReport& plan) {
    w.BeginObject();
    w.Field("kind", plan.kind);
    w.Field("method", plan.method);
    w.Field("rate", plan.rate);
    w.Field("coefficient", plan.coefficient);
    w.Field("start", plan.start);
    w.Field("duration", plan.duration);
    w.Field("depreciable", plan.depreciable);
    w.Key("at");
    w.BeginObject();
    w.Field("charge", plan.at.charge);
    w.Field("cumul", plan.at.cumul);
    w.Field("nbv", plan.at.nbv);
    w.EndObject();
    if (plan.schedule) {
        w.Array("schedule", *plan.schedule,
                [&](const ScheduleLineReport& line) { WriteScheduleLine(w, line); });
    }
    w.EndObject();
}

void WriteTax(JsonWriter& w, const ComponentTaxReport& tax) {
    w.BeginObject();
    w.Key("derogatory");
    w.BeginObject();
    w.Field("concerned", tax.derogatory.concerned);
    w.Field("opening", tax.derogatory.opening);
    w.Field("min", tax.derogatory.min);
    w.Field("max", tax.derogatory.max);
    w.Field("retained", tax.derogatory.retained);
    w.Field("balance", tax.derogatory.balance);
    w.Field("allocation", tax.derogatory.allocation);
    w.Field("reversal", tax.derogatory.reversal);
    w.Field("disposal_reversal", tax.derogatory.disposal_reversal);
    w.EndObject();
    w.Key("temporary_reintegration");
    w.BeginObject();
    w.Field("opening", tax.temporary_reintegration.opening);
    w.Field("balance", tax.temporary_reintegration.balance);
    w.Field("reintegrated", tax.temporary_reintegration.reintegrated);
    w.Field("deducted", tax.temporary_reintegration.deducted);
    w.EndObject();
    w.Field("definitive_reintegration", tax.definitive_reintegration);
    w.EndObject();
}

void WriteDisposal(JsonWriter& w, const DisposalReport& disposal) {
    w.BeginObject();
    w.Field("price", disposal.price);
    w.Field("vat_fraction", disposal.vat_fraction);
    w.Field("vat_to_reverse", disposal.vat_to_reverse);
    w.Field("gross_value", disposal.gross_value);
    w.Field("depreciation", disposal.depreciation);
    w.Field("result", disposal.result);
    w.Field("short_term", disposal.short_term);
    w.Field("long_term", disposal.long_term);
    w.Field("excluded_long_term", disposal.excluded_long_term);
    w.EndObject();
}

void WriteComponent(JsonWriter& w, const ComponentReport& component) {
    w.BeginObject();
    w.Field("index", component.index);
    w.Field("ref_calc", component.ref_calc);
    w.Field("price", component.price);
    w.Array("plans", component.plans, [&](const PlanReport& plan) { WritePlan(w, plan); });
    if (component.tax) {
        w.Key("tax");
        WriteTax(w, *component.tax);
    }
    if (component.disposal) {
        w.Key("disposal");
        WriteDisposal(w, *component.disposal);
    }
    w.EndObject();
}

void WriteAsset(JsonWriter& w, const AssetReport& asset) {
    w.BeginObject();
    w.Field("ref", asset.ref);
    w.Field("ref_calc", asset.ref_calc);
    w.Field("state", asset.state);
    w.Field("complement", asset.complement);
    w.Field("versions", asset.versions);
    w.Array("components", asset.components,
            [&](const ComponentReport& component) { WriteComponent(w, component); });
    if (asset.car_reintegration) {
        w.Key("car_reintegration");
        w.BeginObject();
        w.Field("ceiling", asset.car_reintegration->ceiling);
        w.Field("cost", asset.car_reintegration->cost);
        w.Field("reintegrated", asset.car_reintegration->reintegrated);
        w.Field("definitive", asset.car_reintegration->definitive);
        w.EndObject();
    }
    w.EndObject();
}

void WriteExit(JsonWriter& w, const ExitReport& exit) {
    w.BeginObject();
    w.Field("id", exit.id);
    w.Field("price", exit.price);
    w.Field("total_cost", exit.total_cost);
    w.Field("vat_to_reverse", exit.vat_to_reverse);
    w.Key("gains");
    w.BeginObject();
    w.Field("ct", exit.gains.ct);
    w.Field("ct_excluded_lt", exit.gains.ct_excluded_lt);
    w.Field("lt0", exit.gains.lt0);
    w.Field("lt8", exit.gains.lt8);
    w.Field("lt15", exit.gains.lt15);
    w.Field("lt165", exit.gains.lt165);
    w.Field("pv_reduced_rate_is", exit.gains.pv_reduced_rate_is);
    w.Field("lt19", exit.gains.lt19);
    w.EndObject();
    w.EndObject();
}

void WriteEntries(JsonWriter& w, const EntriesReport& entries) {
    w.BeginObject();
    w.Field("kind", entries.kind);
    w.Array("lines", entries.lines, [&](const EntryLineReport& line) {
        w.BeginObject();
        w.Field("journal", line.journal);
        w.Field("date", line.date);
        w.Field("piece", line.piece);
        w.Field("account", line.account);
        w.Field("debit", line.debit);
        w.Field("amount", line.amount);
        w.Field("label", line.label);
        w.EndObject();
    });
    w.EndObject();
}

}  // namespace

void WriteAssetJson(JsonWriter& w, const AssetReport& asset) {
    WriteAsset(w, asset);
}

void WriteExitJson(JsonWriter& w, const ExitReport& exit) {
    WriteExit(w, exit);
}

void WriteDisposalJson(JsonWriter& w, const DisposalReport& disposal) {
    WriteDisposal(w, disposal);
}

void WriteReportJson(const Report& report, std::ostream& out) {
    JsonWriter w(out);
    w.BeginObject();
    w.Array("assets", report.assets, [&](const AssetReport& asset) { WriteAsset(w, asset); });
    w.Array("exits", report.exits, [&](const ExitReport& exit) { WriteExit(w, exit); });
    w.Array("entries", report.entries, [&](const EntriesReport& entries) { WriteEntries(w, entries); });
    if (!report.statements.empty()) {
        w.Key("statements");
        w.BeginObject();
        for (const auto& [form, document] : report.statements) {
            w.Key(form);
            w.Raw(document);
        }
        w.EndObject();
    }
    w.Array("warnings", report.warnings, [&](const std::string& warning) { w.String(warning); });
    w.EndObject();
}

std::string ReportJson(const Report& report) {
    std::ostringstream out;
    WriteReportJson(report, out);
    return out.str();
}

}  // namespace vkhost
