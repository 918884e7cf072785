#include "host/report/golden.h"

#include <fstream>
#include <sstream>

#include "host/json/decimal_text.h"
#include "host/scenario/fields.h"
#include "host/session.h"

namespace vkhost {

namespace {

[[noreturn]] void BadPath(std::string_view path, const std::string& reason) {
    throw InvalidInput(std::string(path) + ": " + reason);
}

GoldenPathStep ParseBracket(std::string_view path, std::string_view content) {
    GoldenPathStep step;
    size_t equals = content.find('=');
    if (equals == std::string_view::npos) {
        if (content.empty() || content.find_first_not_of("0123456789") != std::string_view::npos)
            BadPath(path, "[" + std::string(content) + "] is neither an index nor key=value");
        if (content.size() > 9) BadPath(path, "index [" + std::string(content) + "] is too large");
        step.kind = GoldenPathStep::Kind::Index;
        step.index = std::stoul(std::string(content));
        return step;
    }
    if (equals == 0) BadPath(path, "[" + std::string(content) + "] has no key");
    step.kind = GoldenPathStep::Kind::Match;
    step.name = content.substr(0, equals);
    step.value = content.substr(equals + 1);
    return step;
}

std::optional<DecimalNumber> NumberText(std::string_view text) {
    std::optional<DecimalNumber> number = ParseJsonNumber(text);
    return number ? number : ParsePlainDecimal(text);
}

// Whether a list element's key equals the value looked for.
bool KeyMatches(const JsonValue& key, const std::string& value) {
    switch (key.kind) {
        case JsonValue::Kind::Number: {
            std::optional<DecimalNumber> a = ParseJsonNumber(key.text), b = NumberText(value);
            return a && b && *a == *b;
        }
        case JsonValue::Kind::String:
            return key.text == value;
        case JsonValue::Kind::Boolean:
            return value == (key.boolean ? "true" : "false");
        case JsonValue::Kind::Null:
            return value == "null";
        default:
            return false;
    }
}

// Follows the path; nullptr and the reason when it leads nowhere.
const JsonValue* Walk(const JsonValue& report, const std::vector<GoldenPathStep>& steps,
                      std::string& reason) {
    const JsonValue* current = &report;
    std::string walked;
    for (const GoldenPathStep& step : steps) {
        const JsonValue* next = nullptr;
        switch (step.kind) {
            case GoldenPathStep::Kind::Field:
                next = current->IsObject() ? current->Find(step.name) : nullptr;
                if (!next) reason = "no field \"" + step.name + "\" at " + DisplayPath(walked);
                walked = MemberPath(walked, step.name);
                break;
            case GoldenPathStep::Kind::Index:
                if (current->IsArray() && step.index < current->items.size())
                    next = &current->items[step.index];
                if (!next) reason = "no element " + std::to_string(step.index) + " at " + DisplayPath(walked);
                walked = ItemPath(walked, step.index);
                break;
            case GoldenPathStep::Kind::Match:
                if (current->IsArray())
                    for (const JsonValue& item : current->items) {
                        const JsonValue* key = item.IsObject() ? item.Find(step.name) : nullptr;
                        if (key && KeyMatches(*key, step.value)) {
                            next = &item;
                            break;
                        }
                    }
                if (!next)
                    reason = "no element with " + step.name + "=" + step.value + " at " + DisplayPath(walked);
                walked += "[" + step.name + "=" + step.value + "]";
                break;
        }
        if (!next) return nullptr;
        current = next;
    }
    return current;
}

bool SameValue(const JsonValue& expected, const JsonValue& actual, int decimals) {
    if (expected.kind != actual.kind) return false;
    switch (expected.kind) {
        case JsonValue::Kind::Null:
            return true;
        case JsonValue::Kind::Boolean:
            return expected.boolean == actual.boolean;
        case JsonValue::Kind::String:
            return expected.text == actual.text;
        case JsonValue::Kind::Number: {
            std::optional<DecimalNumber> a = ParseJsonNumber(expected.text), b = ParseJsonNumber(actual.text);
            return a && b && RoundDecimal(*a, decimals) == RoundDecimal(*b, decimals);
        }
        case JsonValue::Kind::Array:
            if (expected.items.size() != actual.items.size()) return false;
            for (size_t i = 0; i < expected.items.size(); ++i)
                if (!SameValue(expected.items[i], actual.items[i], decimals)) return false;
            return true;
        case JsonValue::Kind::Object:
            if (expected.members.size() != actual.members.size()) return false;
            for (const auto& [key, value] : expected.members) {
                const JsonValue* other = actual.Find(key);
                if (!other || !SameValue(value, *other, decimals)) return false;
            }
            return true;
    }
    return false;
}

}  // namespace

std::vector<GoldenPathStep> ParseGoldenPath(std::string_view path) {
    std::vector<GoldenPathStep> steps;
    size_t i = 0;
    if (path.empty()) BadPath("\"\"", "empty path");
    while (i < path.size()) {
        if (path[i] == '[') {
            size_t close = path.find(']', i);
            if (close == std::string_view::npos) BadPath(path, "'[' without ']'");
            steps.push_back(ParseBracket(path, path.substr(i + 1, close - i - 1)));
            i = close + 1;
            continue;
        }
        if (path[i] == '.') {
            if (steps.empty()) BadPath(path, "starts with '.'");
            ++i;
        } else if (!steps.empty()) {
            BadPath(path, "expected '.' or '[' at character " + std::to_string(i + 1));
        }
        size_t end = path.find_first_of(".[]", i);
        if (end == std::string_view::npos) end = path.size();
        if (end == i) BadPath(path, "empty field name at character " + std::to_string(i + 1));
        GoldenPathStep step;
        step.name = path.substr(i, end - i);
        steps.push_back(step);
        i = end;
    }
    return steps;
}

std::vector<GoldenItem> ParseGoldenItems(std::string_view text) {
    JsonValue document = ParseJson(text);
    if (!document.IsArray()) fields::Fail("", "must be a list of [path, expected] items");
    std::vector<GoldenItem> items;
    for (size_t i = 0; i < document.items.size(); ++i) {
        const JsonValue& entry = document.items[i];
        std::string path = ItemPath("", i);
        if (!entry.IsArray() || entry.items.size() < 2 || entry.items.size() > 3)
            fields::Fail(path, "must be [path, expected] or [path, expected, decimals]");
        GoldenItem item;
        item.path = fields::ReadText(entry.items[0], ItemPath(path, 0), SIZE_MAX, true);
        item.steps = ParseGoldenPath(item.path);
        item.expected = entry.items[1];
        if (entry.items.size() == 3) item.decimals = fields::ReadInt(entry.items[2], ItemPath(path, 2), 0, 4);
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<GoldenItem> LoadGoldenItemsFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw InvalidInput(path + ": cannot be read");
    std::ostringstream text;
    text << file.rdbuf();
    try {
        return ParseGoldenItems(text.str());
    } catch (const InvalidInput& e) {
        throw InvalidInput(path + ": " + e.what());
    }
}

std::vector<GoldenMismatch> CheckGolden(const JsonValue& report, const std::vector<GoldenItem>& items) {
    std::vector<GoldenMismatch> mismatches;
    for (const GoldenItem& item : items) {
        std::string expected = ToJsonText(item.expected);
        if (item.decimals != 4) expected += " (to " + std::to_string(item.decimals) + " decimals)";
        std::string reason;
        const JsonValue* actual = Walk(report, item.steps, reason);
        if (!actual)
            mismatches.push_back({item.path, expected, "missing: " + reason});
        else if (!SameValue(item.expected, *actual, item.decimals))
            mismatches.push_back({item.path, expected, ToJsonText(*actual)});
    }
    return mismatches;
}

std::vector<GoldenMismatch> CheckGolden(std::string_view reportJson, const std::vector<GoldenItem>& items) {
    return CheckGolden(ParseJson(reportJson), items);
}

std::string DescribeMismatches(const std::vector<GoldenMismatch>& mismatches) {
    std::string text;
    for (const GoldenMismatch& m : mismatches)
        text += m.path + ": expected " + m.expected + ", got " + m.actual + "\n";
    return text;
}

}  // namespace vkhost
