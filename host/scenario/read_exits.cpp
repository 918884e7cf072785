// The "exits", "actions" and "report" sections.
#include <filesystem>
#include <map>

#include "host/scenario/sections.h"

#include <algorithm>

namespace vkhost::sections {

using fields::Fail;
using fields::ObjectReader;

namespace {

ExitComponentInput ReadExitComponent(const JsonValue& value, const std::string& path, const AssetInput& asset,
                                     const std::vector<ExitComponentInput>& earlier) {
    ObjectReader r(
        value, path,
        {"index", "entered_price", "price", "vat_deducted", "vat_to_reverse", "revalued_value",
         "accounting_depreciation", "derogatory_depreciation", "other_depreciation", "short_term_gain",
         "excluded_long_term_gain", "short_term_loss", "excluded_long_term_loss", "tax_rate"});
    ExitComponentInput component;
    component.index = r.RequiredInt("index", 0, static_cast<int>(asset.components.size()) - 1);
    for (const ExitComponentInput& other : earlier)
        if (other.index == component.index)
            Fail(r.PathOf("index"), "composant " + std::to_string(component.index) + " déjà donné");
    component.entered_price = r.Amount("entered_price");
    component.price = r.Amount("price");
    component.vat_deducted = r.Amount("vat_deducted");
    component.vat_to_reverse = r.Amount("vat_to_reverse");
    component.revalued_value = r.Amount("revalued_value");
    component.accounting_depreciation = r.Amount("accounting_depreciation");
    component.derogatory_depreciation = r.Amount("derogatory_depreciation");
    component.other_depreciation = r.Amount("other_depreciation");
    component.short_term_gain = r.Amount("short_term_gain");
    component.excluded_long_term_gain = r.Amount("excluded_long_term_gain");
    component.short_term_loss = r.Amount("short_term_loss");
    component.excluded_long_term_loss = r.Amount("excluded_long_term_loss");
    component.tax_rate = r.OptionalAmount("tax_rate");
    return component;
}

// Where each asset was first taken out: an asset leaves the register once.
using DisposedAt = std::map<std::string, std::string>;

ExitAssetInput ReadExitAsset(const JsonValue& value, const std::string& path,
                             const std::vector<AssetInput>& assets, DisposedAt& disposed) {
    ObjectReader r(value, path, {"ref", "components"});
    ExitAssetInput exitAsset;
    exitAsset.ref = r.RequiredText("ref", kMaxRefLength);
    exitAsset.asset_index = FindAsset(assets, exitAsset.ref, r.PathOf("ref"));
    auto [where, inserted] = disposed.emplace(exitAsset.ref, r.PathOf("ref"));
    if (!inserted)
        Fail(r.PathOf("ref"), "le bien \"" + exitAsset.ref + "\" est déjà sorti par " + where->second);
    if (const std::vector<JsonValue>* list = r.List("components"))
        for (size_t k = 0; k < list->size(); ++k)
            exitAsset.components.push_back(ReadExitComponent((*list)[k], ItemPath(r.PathOf("components"), k),
                                                             assets[exitAsset.asset_index],
                                                             exitAsset.components));
    return exitAsset;
}

ExitInput ReadExit(const JsonValue& value, const std::string& path, const std::vector<AssetInput>& assets,
                   DisposedAt& disposed) {
    ObjectReader r(value, path,
                   {"designation", "date", "end_of_use", "price", "currency", "rate", "reason",
                    "vat_reversed", "assets"});
    ExitInput exit;
    exit.designation = r.Text("designation", kMaxDesignationLength);
    exit.date = r.Date("date");
    exit.end_of_use = r.OptionalDate("end_of_use").value_or(exit.date);
    exit.price = r.RequiredAmount("price");
    exit.currency = r.IntAmong("currency", {0, 250}, "doit valoir 0 ou 250", kDefaultCurrencyCode);
    exit.rate = r.Rate("rate", kDefaultCurrencyRate);
    exit.reason = r.Int("reason", 1, 5, 1);
    exit.vat_reversed = r.Bool("vat_reversed", false);
    const std::vector<JsonValue>& list = r.RequiredList("assets");
    for (size_t i = 0; i < list.size(); ++i)
        exit.assets.push_back(ReadExitAsset(list[i], ItemPath(r.PathOf("assets"), i), assets, disposed));
    return exit;
}

struct ActionSyntax {
    ActionKind kind;
    const char* name;
    std::vector<std::string_view> fields;

    bool Has(std::string_view field) const {
        for (std::string_view known : fields)
            if (known == field) return true;
        return false;
    }
};

const ActionSyntax kActions[] = {
    {ActionKind::Validate, "validate", {"do", "asset", "complement"}},
    {ActionKind::CloseYear, "close_year", {"do"}},
    {ActionKind::StorePast, "store_past", {"do", "asset"}},
    {ActionKind::Duplicate, "duplicate", {"do", "asset", "state", "new_references"}},
    {ActionKind::DeleteVersion, "delete_version", {"do", "asset"}},
    {ActionKind::CreateEntries, "create_entries", {"do", "kind"}},
    {ActionKind::CancelEntries, "cancel_entries", {"do", "kind"}},
    {ActionKind::ExportEntries, "export_entries", {"do", "kind", "file"}},
};

const ActionSyntax& FindAction(const JsonValue& value, const std::string& path) {
    if (!value.IsObject()) Fail(path, "doit être un objet");
    const JsonValue* name = value.Find("do");
    std::string namePath = MemberPath(path, "do");
    if (!name) Fail(namePath, "est obligatoire");
    if (!name->IsString()) Fail(namePath, "doit être un texte");
    for (const ActionSyntax& syntax : kActions)
        if (name->text == syntax.name) return syntax;
    std::string known;
    for (const ActionSyntax& syntax : kActions) known += std::string(known.empty() ? "" : ", ") + syntax.name;
    Fail(namePath, "action inconnue (" + known + ")");
}

std::string ResolvePath(const std::string& file, const std::string& baseDirectory) {
    std::filesystem::path path(file);
    if (path.is_absolute() || baseDirectory.empty()) return file;
    return (std::filesystem::path(baseDirectory) / path).lexically_normal().string();
}

ActionInput ReadAction(const JsonValue& value, const std::string& path, const std::vector<AssetInput>& assets,
                       const std::string& baseDirectory) {
    const ActionSyntax& syntax = FindAction(value, path);
    for (const auto& member : value.members)
        if (!syntax.Has(member.first))
            Fail(MemberPath(path, member.first),
                 std::string("champ inconnu pour l'action \"") + syntax.name + "\"");
    ObjectReader r(value, path, syntax.fields);
    ActionInput action;
    action.kind = syntax.kind;
    if (syntax.Has("asset")) {
        action.asset = r.RequiredText("asset", kMaxRefLength);
        action.asset_index = FindAsset(assets, action.asset, r.PathOf("asset"));
    }
    switch (syntax.kind) {
        case ActionKind::Validate:
            action.complement = r.Int("complement", 1, 3, 2);
            break;
        case ActionKind::Duplicate:
            action.state = r.RequiredInt("state", 0, 5);
            action.new_references = r.Bool("new_references", false);
            break;
        case ActionKind::CreateEntries:
        case ActionKind::CancelEntries:
            action.entries_kind = r.RequiredInt("kind", 0, 5);
            break;
        case ActionKind::ExportEntries:
            action.entries_kind = r.RequiredInt("kind", 0, 5);
            action.file = r.RequiredText("file", SIZE_MAX);
            action.file_path = ResolvePath(action.file, baseDirectory);
            break;
        default:
            break;
    }
    return action;
}

}  // namespace

std::vector<ExitInput> ReadExits(const ObjectReader& root, const std::vector<AssetInput>& assets) {
    std::vector<ExitInput> exits;
    DisposedAt disposed;
    if (const std::vector<JsonValue>* list = root.List("exits"))
        for (size_t i = 0; i < list->size(); ++i)
            exits.push_back(ReadExit((*list)[i], ItemPath("exits", i), assets, disposed));
    return exits;
}

std::vector<ActionInput> ReadActions(const ObjectReader& root, const std::vector<AssetInput>& assets,
                                     const std::string& baseDirectory) {
    std::vector<ActionInput> actions;
    if (const std::vector<JsonValue>* list = root.List("actions"))
        for (size_t i = 0; i < list->size(); ++i)
            actions.push_back(ReadAction((*list)[i], ItemPath("actions", i), assets, baseDirectory));
    return actions;
}

// One form of the year-end statements the report carries, asked once.
std::string ReadStatementForm(const JsonValue& value, const std::string& path,
                              const std::vector<std::string>& asked) {
    static const char* const kForms[] = {"2054", "2055", "2059a", "2033c", "2033d", "register", "charges"};
    const std::string form = fields::ReadText(value, path, 10, true);
    if (std::find(std::begin(kForms), std::end(kForms), form) == std::end(kForms))
        fields::Fail(path, "doit être l'un de 2054, 2055, 2059a, 2033c, 2033d, register, charges");
    if (std::find(asked.begin(), asked.end(), form) != asked.end())
        fields::Fail(path, "état " + form + " déjà demandé");
    return form;
}

ReportOptions ReadReportOptions(const ObjectReader& root) {
    ReportOptions options;
    const JsonValue* value = root.Find("report");
    if (!value) return options;
    ObjectReader r(*value, root.PathOf("report"),
                   {"schedules", "tax", "disposals", "entries", "statements", "at"});
    options.schedules = r.Bool("schedules", false);
    options.tax = r.Bool("tax", false);
    options.disposals = r.Bool("disposals", false);
    if (const std::vector<JsonValue>* kinds = r.List("entries"))
        for (size_t i = 0; i < kinds->size(); ++i) {
            const std::string path = ItemPath(r.PathOf("entries"), i);
            const int kind = fields::ReadInt((*kinds)[i], path, 0, 5);
            if (std::find(options.entries.begin(), options.entries.end(), kind) != options.entries.end())
                fields::Fail(path, "type " + std::to_string(kind) + " déjà demandé");
            options.entries.push_back(kind);
        }
    if (const std::vector<JsonValue>* forms = r.List("statements"))
        for (size_t i = 0; i < forms->size(); ++i)
            options.statements.push_back(
                ReadStatementForm((*forms)[i], ItemPath(r.PathOf("statements"), i), options.statements));
    options.at = r.OptionalDate("at");
    return options;
}

}  // namespace vkhost::sections

namespace vkhost {

const char* ActionName(ActionKind kind) {
    for (const sections::ActionSyntax& syntax : sections::kActions)
        if (syntax.kind == kind) return syntax.name;
    return "";
}

}  // namespace vkhost
