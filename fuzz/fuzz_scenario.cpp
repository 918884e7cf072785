// Fuzz target: the scenario reader (JSON document, then the checked scenario).
//
// Properties, for any bytes:
//  - reading either gives a scenario or raises InvalidInput, never another exception, a crash or a
//    sanitizer report;
//  - the message of InvalidInput is one line "PATH: REASON", without control characters (it is the
//    first line the host prints on standard error);
//  - a document that reads as JSON is written back by ToJsonText into a text that reads as the same
//    document;
//  - an accepted scenario holds what the reader promises: texts valid UTF-8 within their columns,
//    amounts within DECIMAL(18,4), dates real days, fiscal years contiguous around the current one.
#include <exception>
#include <string>
#include <typeinfo>

#include "fuzz/fuzz_support.h"
#include "host/json/value.h"
#include "host/scenario/scenario.h"
#include "host/session.h"

namespace {

using vkfuzz::Shown;

// A character of a plain key; the C1 controls (U+0080..U+009F), which InvalidInput shows escaped,
// are not.
bool IsKeyCharacter(std::string_view path, size_t i) {
    unsigned char c = path[i], next = i + 1 < path.size() ? path[i + 1] : 0;
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           (c >= 0x80 && !(c == 0xC2 && next >= 0x80 && next <= 0x9F));
}

// Reads one step of a path at `i`: "[12]", "[\"key\"]", or a plain key (after a '.' unless first).
bool ReadStep(std::string_view path, size_t& i, bool first) {
    if (path[i] == '[') {
        size_t j = i + 1;
        if (j < path.size() && path[j] == '"') {
            for (++j; j < path.size() && path[j] != '"'; ++j)
                if (path[j] == '\\') ++j;
            ++j;
        } else {
            while (j < path.size() && path[j] >= '0' && path[j] <= '9') ++j;
            if (j == i + 1) return false;
        }
        if (j >= path.size() || path[j] != ']') return false;
        i = j + 1;
        return true;
    }
    if (!first && path[i++] != '.') return false;
    size_t start = i;
    while (i < path.size() && IsKeyCharacter(path, i)) ++i;
    return i > start;
}

// "$", or steps: `assets[0].components`, `case["a b"]`.
bool IsPath(std::string_view path) {
    if (path == "$") return true;
    size_t i = 0;
    for (bool first = true; i < path.size(); first = false)
        if (!ReadStep(path, i, first)) return false;
    return !path.empty();
}

void CheckMessage(std::string_view input, const std::string& message) {
    size_t separator = message.find(": ");
    VKFUZZ_CHECK(separator != std::string::npos && IsPath(std::string_view(message).substr(0, separator)),
                 "message is not \"PATH: REASON\": \"{}\" (input \"{}\")", Shown(message), Shown(input));
    for (size_t i = 0; i < message.size(); ++i) {
        unsigned char c = message[i], next = i + 1 < message.size() ? message[i + 1] : 0;
        bool c1 = c == 0xC2 && next >= 0x80 && next <= 0x9F;
        VKFUZZ_CHECK(c >= 0x20 && c != 0x7F && !c1, "control character in message \"{}\" (input \"{}\")",
                     Shown(message), Shown(input));
    }
}

void CheckJsonRoundTrip(std::string_view input) {
    vkhost::JsonValue document;
    try {
        document = vkhost::ParseJson(input);
    } catch (const vkhost::InvalidInput& e) {
        CheckMessage(input, e.what());
        return;
    }
    std::string written = vkhost::ToJsonText(document);
    std::string again;
    try {
        again = vkhost::ToJsonText(vkhost::ParseJson(written));
    } catch (const vkhost::InvalidInput& e) {
        vkfuzz::Broken(
            fmt::format("written document \"{}\" does not read back: {}", Shown(written), e.what()));
    }
    VKFUZZ_CHECK(again == written, "document written \"{}\" reads back as \"{}\"", Shown(written),
                 Shown(again));
}

bool IsDay(TDateTime date) {
    int y, m, d;
    if (double(date) != double(DateOf(date))) return false;
    DecodeDate(date, y, m, d);
    return y >= 1 && y <= 9999;
}

void CheckText(const std::string& text, size_t maxChars, const char* what) {
    auto points = vkfuzz::DecodeUtf8(text);
    VKFUZZ_CHECK(points && points->size() <= maxChars,
                 "accepted {} \"{}\" is not UTF-8 of at most {} characters", what, Shown(text), maxChars);
}

void CheckAmount(const CCurrency& amount, const char* what) {
    constexpr int64_t kMax = 999999999999999999LL;
    VKFUZZ_CHECK(amount.IsNull() || (amount.Count() <= kMax && amount.Count() >= -kMax),
                 "accepted {} {} is beyond DECIMAL(18,4)", what, amount.GetSQL());
}

void CheckCase(const vkhost::CaseInput& input) {
    const auto& years = input.fiscal_years;
    VKFUZZ_CHECK(!years.empty(), "accepted a case without fiscal years");
    bool currentFound = false;
    for (size_t i = 0; i < years.size(); ++i) {
        VKFUZZ_CHECK(IsDay(years[i].start) && IsDay(years[i].end) && years[i].start <= years[i].end,
                     "accepted fiscal year {} {}..{}", i, FormatISODate(years[i].start),
                     FormatISODate(years[i].end));
        if (i > 0)
            VKFUZZ_CHECK(years[i].start == years[i - 1].end + 1, "accepted fiscal year {} not following {}",
                         i, i - 1);
        if (years[i].start == input.current_year) {
            currentFound = true;
            VKFUZZ_CHECK(input.situation_date >= years[i].start && input.situation_date <= years[i].end,
                         "accepted situation date {} outside the current year",
                         FormatISODate(input.situation_date));
        }
    }
    VKFUZZ_CHECK(currentFound, "accepted current year {} that starts no fiscal year",
                 FormatISODate(input.current_year));
    CheckText(input.company, vkhost::kMaxCompanyLength, "company");
    CheckText(input.user, vkhost::kMaxUserLength, "user");
}

void CheckComponent(const vkhost::ComponentInput& component) {
    CheckText(component.account, vkhost::kMaxAccountLength, "account");
    CheckText(component.designation, vkhost::kMaxDesignationLength, "designation");
    VKFUZZ_CHECK(IsDay(component.entry_date) && IsDay(component.service_date), "accepted component dates");
    for (const auto& detail : component.details) {
        CheckAmount(detail.price, "price");
        CheckAmount(detail.costs, "costs");
        CheckAmount(detail.vat, "vat");
        CheckText(detail.supplier, vkhost::kMaxSupplierLength, "supplier");
    }
    if (component.plans)
        for (const auto& plan : *component.plans) {
            VKFUZZ_CHECK(plan.duration >= 0 && plan.duration <= vkhost::kNoDuration, "accepted duration {}",
                         plan.duration);
            if (plan.residual) CheckAmount(*plan.residual, "residual");
        }
}

void CheckAccepted(const vkhost::Scenario& scenario) {
    CheckCase(scenario.case_);
    for (const auto& asset : scenario.assets) {
        CheckText(asset.ref, vkhost::kMaxRefLength, "ref");
        VKFUZZ_CHECK(!asset.ref.empty() && !asset.components.empty(),
                     "accepted asset without ref or component");
        for (const auto& component : asset.components) CheckComponent(component);
    }
    for (const auto& exit : scenario.exits) {
        CheckAmount(exit.price, "exit price");
        for (const auto& exitAsset : exit.assets)
            VKFUZZ_CHECK(exitAsset.asset_index < scenario.assets.size(), "accepted exit of an unknown asset");
    }
    for (const auto& action : scenario.actions)
        VKFUZZ_CHECK(action.asset.empty() || action.asset_index < scenario.assets.size(),
                     "accepted action on an unknown asset");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckJsonRoundTrip(input);
    try {
        CheckAccepted(vkhost::ParseScenario(input, "/scenarios"));
    } catch (const vkhost::InvalidInput& e) {
        CheckMessage(input, e.what());
    } catch (const std::exception& e) {
        vkfuzz::Broken(fmt::format("{} escaped the reader: \"{}\" (input \"{}\")", typeid(e).name(),
                                   Shown(e.what()), Shown(input)));
    }
    return 0;
}
