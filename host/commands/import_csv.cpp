#include "host/commands/import_csv.h"

#include <csv.h>
#include <fmt/format.h>
#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <optional>

#include "host/commands/user_date.h"
#include "host/scenario/fields.h"
#include "platform/db/fbclient.h"
#include "units/uvketat_sortie.h"

namespace vkhost {

namespace {

using fields::kMaxAmount;
using fields::Utf8Length;

enum Column {
    kRef,
    kDesignation,
    kAccount,
    kEntryDate,
    kServiceDate,
    kPrice,
    kVat,
    kCosts,
    kSupplier,
    kAccountingMethod,
    kAccountingDuration,
    kTaxMethod,
    kTaxDuration,
    kPriorDepreciation,
    kPriorDerogatory,
    kRegistration,
    kCo2,
    kVehicleType,
    kFirstRegistration,
    kColumnCount
};

const std::vector<std::string> kHeaders = {"Référence",
                                           "Désignation",
                                           "Compte",
                                           "Date d'entrée",
                                           "Date de mise en service",
                                           "Prix HT",
                                           "TVA récupérée",
                                           "Frais d'acquisition",
                                           "Fournisseur",
                                           "Méthode comptable",
                                           "Durée comptable (mois)",
                                           "Méthode fiscale",
                                           "Durée fiscale (mois)",
                                           "Amortissements antérieurs",
                                           "Dérogatoire antérieur",
                                           "Immatriculation",
                                           "CO2",
                                           "Type de véhicule",
                                           "Date de première immatriculation"};

constexpr Column kRequired[] = {kRef, kDesignation, kAccount, kEntryDate, kPrice};

// A header or a name as compared: lowercase, without accents, one space between words.
std::string Normalized(std::string_view text) {
    static const std::map<std::string, char> accents = {
        {"é", 'e'}, {"è", 'e'}, {"ê", 'e'}, {"ë", 'e'}, {"É", 'e'},  {"È", 'e'},       {"Ê", 'e'}, {"à", 'a'},
        {"â", 'a'}, {"ä", 'a'}, {"À", 'a'}, {"î", 'i'}, {"ï", 'i'},  {"ô", 'o'},       {"ö", 'o'}, {"ù", 'u'},
        {"û", 'u'}, {"ü", 'u'}, {"ç", 'c'}, {"Ç", 'c'}, {"’", '\''}, {"\xC2\xA0", ' '}};
    std::string out;
    for (size_t i = 0; i < text.size();) {
        char c = text[i];
        size_t length = 1;
        for (const auto& [accented, plain] : accents)
            if (text.substr(i, accented.size()) == accented) {
                c = plain, length = accented.size();
                break;
            }
        i += length;
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The file's text as UTF-8: its byte-order mark removed, or converted from Windows-1252 when it is
// not valid UTF-8. std::nullopt when it is neither.
std::optional<std::string> AsUtf8(const std::string& bytes, bool& converted) {
    std::string text = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? bytes.substr(3) : bytes;
    converted = false;
    if (Utf8Length(text)) return text;
    iconv_t cd = iconv_open("UTF-8", "WINDOWS-1252");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::unique_ptr<void, int (*)(iconv_t)> closer(cd, iconv_close);
    std::string out(text.size() * 3 + 4, '\0');
    char* in = text.data();
    size_t inLeft = text.size();
    char* to = out.data();
    size_t outLeft = out.size();
    if (iconv(cd, &in, &inLeft, &to, &outLeft) == static_cast<size_t>(-1)) return std::nullopt;
    out.resize(out.size() - outLeft);
    converted = true;
    return out;
}

// The separator the header line uses: ';' when it holds one outside quotes, else ','.
char DetectSeparator(const std::string& text) {
    bool quoted = false;
    for (char c : text) {
        if (c == '\n') break;
        if (c == '"') quoted = !quoted;
        if (!quoted && c == ';') return ';';
    }
    return ',';
}

struct Record {
    size_t line = 0;
    std::vector<std::string> fields;
};

struct ParseState {
    std::vector<Record> records;
    Record current;
    size_t line = 0;  // the physical line being fed
    bool started = false;
};

void OnField(void* data, size_t length, void* state) {
    auto& s = *static_cast<ParseState*>(state);
    if (!s.started) s.current.line = s.line, s.started = true;
    s.current.fields.emplace_back(static_cast<const char*>(data), length);
}

void OnRecordEnd(int, void* state) {
    auto& s = *static_cast<ParseState*>(state);
    if (!s.started) s.current.line = s.line;
    s.records.push_back(std::move(s.current));
    s.current = Record{};
    s.started = false;
}

// The records of the text, each with the physical line it starts on; a quoting fault is an error.
std::vector<Record> SplitRecords(const std::string& text, char separator, std::vector<CsvError>& errors) {
    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) throw std::bad_alloc();
    std::unique_ptr<csv_parser, void (*)(csv_parser*)> freer(&parser, csv_free);
    csv_set_delim(&parser, static_cast<unsigned char>(separator));
    ParseState state;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        ++state.line;
        if (csv_parse(&parser, text.data() + start, end - start, OnField, OnRecordEnd, &state) !=
            end - start) {
            errors.push_back({state.line, 0, "guillemet mal placé ou non fermé"});
            return {};
        }
        start = end;
    }
    if (csv_fini(&parser, OnField, OnRecordEnd, &state) != 0) {
        errors.push_back({state.current.line, 0, "guillemet ouvert jusqu'à la fin du fichier"});
        return {};
    }
    return std::move(state.records);
}

// Reads one line's cells into the register, noting every fault.
class LineReader {
public:
    LineReader(const Record& record, const std::vector<int>& columnOf, std::vector<CsvError>& errors)
        : record_(record), columnOf_(columnOf), errors_(errors) {}

    bool Has(Column column) const { return !Cell(column).empty(); }
    std::string Cell(Column column) const {
        const int index = columnOf_[column];
        if (index < 0 || size_t(index) >= record_.fields.size()) return "";
        return Trimmed(record_.fields[size_t(index)]);
    }
    void Fail(Column column, const std::string& reason) {
        errors_.push_back({record_.line, size_t(columnOf_[column] + 1), kHeaders[column] + " : " + reason});
    }

    std::string Text(Column column, size_t maxChars, bool required) {
        const std::string text = Cell(column);
        if (required && text.empty()) return Fail(column, "valeur obligatoire absente"), text;
        const std::optional<size_t> length = Utf8Length(text);
        if (!length) return Fail(column, "texte invalide"), "";
        for (unsigned char c : text)
            if (c < 0x20 || c == 0x7F) return Fail(column, "caractère de contrôle"), "";
        if (*length > maxChars)
            Fail(column, fmt::format("au plus {} caractères ({} donnés)", maxChars, *length));
        long codePoint = 0;
        if (ibx_detail::FirstNotWin1252(text, &codePoint) >= 0)
            Fail(column, fmt::format("caractère U+{:04X} que le dossier ne peut pas enregistrer", codePoint));
        return text;
    }

    std::optional<TDateTime> Date(Column column, bool required) {
        const std::string text = Cell(column);
        if (text.empty()) {
            if (required) Fail(column, "date obligatoire absente");
            return std::nullopt;
        }
        std::optional<TDateTime> date = ReadUserDate(text);
        if (!date) Fail(column, "date invalide \"" + Shown(text) + "\" (JJ/MM/AAAA ou AAAA-MM-JJ)");
        return date;
    }

    // An amount of at least zero, decimal comma or point, spaces between thousands.
    std::optional<CCurrency> Amount(Column column, bool required) {
        const std::string text = Cell(column);
        if (text.empty()) {
            if (required) Fail(column, "montant obligatoire absent");
            return std::nullopt;
        }
        std::string plain;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == ' ') continue;
            if (text.compare(i, 2, "\xC2\xA0") == 0 || text.compare(i, 3, "\xE2\x80\xAF") == 0) {
                i += text[i + 1] == '\xA0' ? 1 : 2;
                continue;
            }
            plain += text[i] == ',' ? '.' : text[i];
        }
        if (text.find(',') != std::string::npos && text.find('.') != std::string::npos) plain.clear();
        try {
            const CCurrency amount = CCurrency::Parse(plain);
            if (amount < CCurrency(0))
                return Fail(column, "montant négatif \"" + Shown(text) + "\""), std::nullopt;
            if (amount.Count() > kMaxAmount) return Fail(column, "montant trop grand"), std::nullopt;
            return amount;
        } catch (const std::exception&) {
            Fail(column, "montant invalide \"" + Shown(text) +
                             "\" (chiffres, virgule ou point, 4 décimales au plus)");
            return std::nullopt;
        }
    }

    std::optional<int> Whole(Column column, int low, int high) {
        const std::string text = Cell(column);
        if (text.empty()) return std::nullopt;
        int value = 0;
        for (char c : text) {
            if (c < '0' || c > '9' || value > high) {
                Fail(column,
                     fmt::format("nombre entier de {} à {} attendu, \"{}\" donné", low, high, Shown(text)));
                return std::nullopt;
            }
            value = value * 10 + (c - '0');
        }
        if (value < low || value > high) {
            Fail(column,
                 fmt::format("nombre entier de {} à {} attendu, \"{}\" donné", low, high, Shown(text)));
            return std::nullopt;
        }
        return value;
    }

    size_t Line() const { return record_.line; }

private:
    // A cell quoted in a message: at most 40 bytes.
    static std::string Shown(const std::string& text) {
        return text.size() <= 40 ? text : text.substr(0, 40) + "...";
    }

    const Record& record_;
    const std::vector<int>& columnOf_;
    std::vector<CsvError>& errors_;
};

constexpr int kMethodIdemAccounting = 12;

// A method named in French ("linéaire") or by its number; the tax plan may also copy the
// accounting one ("idem comptable").
std::optional<int> ReadMethod(LineReader& reader, Column column, bool tax) {
    const std::string name = Normalized(reader.Cell(column));
    static const std::map<std::string, int> methods = {
        {"0", 0}, {"non amortissable", 0}, {"1", 1}, {"lineaire", 1}, {"2", 2}, {"degressif", 2}};
    if (auto found = methods.find(name); found != methods.end()) return found->second;
    if (tax && (name == "12" || name == "idem comptable")) return kMethodIdemAccounting;
    reader.Fail(column, "méthode inconnue \"" + reader.Cell(column) +
                            "\" (non amortissable, linéaire, dégressif" + (tax ? ", idem comptable)" : ")"));
    return std::nullopt;
}

// A plan's duration: required by the methods that spread the cost over time.
int ReadDuration(LineReader& reader, Column column, int method) {
    std::optional<int> months = reader.Whole(column, 1, kMaxDurationMonths);
    if (method == 0 || method == kMethodIdemAccounting) return months.value_or(kNoDuration);
    if (!months && !reader.Has(column)) reader.Fail(column, "durée obligatoire pour cette méthode");
    return months.value_or(kNoDuration);
}

std::optional<std::vector<PlanInput>> ReadPlans(LineReader& reader) {
    if (!reader.Has(kAccountingMethod)) {
        for (Column column : {kAccountingDuration, kTaxMethod, kTaxDuration, kPriorDepreciation})
            if (reader.Has(column)) reader.Fail(column, "donnée sans méthode comptable");
        return std::nullopt;
    }
    std::vector<PlanInput> plans;
    const std::optional<int> method = ReadMethod(reader, kAccountingMethod, false);
    PlanInput accounting =
        MakePlan(1, method.value_or(1), ReadDuration(reader, kAccountingDuration, method.value_or(1)));
    accounting.forced_opening.depreciation = reader.Amount(kPriorDepreciation, false);
    plans.push_back(accounting);
    if (reader.Has(kTaxMethod)) {
        const std::optional<int> taxMethod = ReadMethod(reader, kTaxMethod, true);
        plans.push_back(
            MakePlan(2, taxMethod.value_or(1), ReadDuration(reader, kTaxDuration, taxMethod.value_or(1))));
    } else {
        if (reader.Has(kTaxDuration)) reader.Fail(kTaxDuration, "durée sans méthode fiscale");
        plans.push_back(MakePlan(2, kMethodIdemAccounting, accounting.duration));
    }
    return plans;
}

// Depreciation already charged beyond the cost would leave a negative net book value: the line is
// refused rather than stored with a figure no form accepts.
void RefuseNegativeBookValue(LineReader& reader, const ComponentInput& component) {
    if (!component.plans) return;
    const std::optional<CCurrency>& prior = component.plans->front().forced_opening.depreciation;
    const DetailInput& detail = component.details.front();
    const CCurrency cost = detail.price + detail.costs;
    if (prior && *prior > cost)
        reader.Fail(kPriorDepreciation,
                    "supérieurs au coût d'acquisition (" + vketat::MontantFrancais(cost) + ")");
}

ComponentInput ReadComponentLine(LineReader& reader) {
    ComponentInput component;
    component.account = reader.Text(kAccount, kMaxAccountLength, true);
    for (char c : component.account)
        if (c < '0' || c > '9') {
            reader.Fail(kAccount, "chiffres seulement");
            break;
        }
    component.entry_date = reader.Date(kEntryDate, true).value_or(TDateTime());
    component.service_date = reader.Date(kServiceDate, false).value_or(component.entry_date);
    component.designation = reader.Text(kDesignation, kMaxDesignationLength, true);
    DetailInput detail;
    detail.price = reader.Amount(kPrice, true).value_or(CCurrency(0));
    detail.vat = reader.Amount(kVat, false).value_or(CCurrency(0));
    detail.costs = reader.Amount(kCosts, false).value_or(CCurrency(0));
    detail.supplier = reader.Text(kSupplier, kMaxSupplierLength, false);
    detail.designation = component.designation;
    component.details.push_back(detail);
    component.plans = ReadPlans(reader);
    component.forced.derogatory_opening = reader.Amount(kPriorDerogatory, false);
    RefuseNegativeBookValue(reader, component);
    return component;
}

std::optional<VehicleInput> ReadVehicleLine(LineReader& reader) {
    if (!reader.Has(kRegistration) && !reader.Has(kCo2) && !reader.Has(kVehicleType) &&
        !reader.Has(kFirstRegistration))
        return std::nullopt;
    VehicleInput vehicle;
    vehicle.type = reader.Whole(kVehicleType, 0, 5).value_or(4);  // a passenger car unless told
    vehicle.registration = reader.Text(kRegistration, kMaxRegistrationLength, false);
    vehicle.co2 = reader.Whole(kCo2, 0, 9999);
    vehicle.first_registration = reader.Date(kFirstRegistration, false).value_or(TDateTime());
    return vehicle;
}

// The column of each known header in the file (-1 when absent); unknown and repeated headers and
// missing required ones are errors of line 1.
std::vector<int> MapHeaders(const Record& header, std::vector<CsvError>& errors) {
    std::vector<int> columnOf(kColumnCount, -1);
    for (size_t i = 0; i < header.fields.size(); ++i) {
        const std::string name = Normalized(header.fields[i]);
        if (name.empty()) continue;
        int known = -1;
        for (int c = 0; c < kColumnCount; ++c)
            if (Normalized(kHeaders[size_t(c)]) == name) known = c;
        if (known < 0) {
            errors.push_back({header.line, i + 1, "colonne inconnue \"" + Trimmed(header.fields[i]) + "\""});
        } else if (columnOf[size_t(known)] >= 0) {
            errors.push_back({header.line, i + 1,
                              fmt::format("colonne \"{}\" en double (déjà colonne {})",
                                          kHeaders[size_t(known)], columnOf[size_t(known)] + 1)});
        } else {
            columnOf[size_t(known)] = int(i);
        }
    }
    for (Column column : kRequired)
        if (columnOf[column] < 0)
            errors.push_back({header.line, 0, "colonne obligatoire \"" + kHeaders[column] + "\" absente"});
    return columnOf;
}

bool Blank(const Record& record) {
    for (const std::string& field : record.fields)
        if (!Trimmed(field).empty()) return false;
    return true;
}

}  // namespace

std::string FormatCsvError(const CsvError& error) {
    if (error.line == 0) return error.reason;  // the whole file
    std::string where = "ligne " + std::to_string(error.line);
    if (error.column) where += ", colonne " + std::to_string(error.column);
    return where + ": " + error.reason;
}

const std::vector<std::string>& RegisterCsvHeaders() {
    return kHeaders;
}

CsvRegister ReadRegisterCsv(const std::string& bytes, size_t maxErrors) {
    CsvRegister result;
    std::optional<std::string> text = AsUtf8(bytes, result.converted);
    if (!text) {
        result.errors.push_back({0, 0, "fichier illisible : ni UTF-8 ni Windows-1252"});
        return result;
    }
    result.separator = DetectSeparator(*text);
    std::vector<Record> records = SplitRecords(*text, result.separator, result.errors);
    if (!result.errors.empty()) return result;
    if (records.empty() || Blank(records[0])) {
        result.errors.push_back({1, 0, "ligne d'en-tête absente"});
        return result;
    }
    const std::vector<int> columnOf = MapHeaders(records[0], result.errors);
    if (!result.errors.empty()) return result;
    result.refColumn = size_t(columnOf[kRef] + 1);
    const size_t headerWidth = records[0].fields.size();
    std::map<std::string, size_t> assetOf;   // reference -> index in result.assets
    std::map<size_t, size_t> vehicleLineOf;  // index in result.assets -> line of its vehicle
    for (size_t r = 1; r < records.size() && result.errors.size() < maxErrors; ++r) {
        const Record& record = records[r];
        if (Blank(record)) continue;
        for (size_t i = headerWidth; i < record.fields.size(); ++i)
            if (!Trimmed(record.fields[i]).empty())
                result.errors.push_back({record.line, i + 1, "valeur hors des colonnes de l'en-tête"});
        LineReader reader(record, columnOf, result.errors);
        const std::string ref = reader.Text(kRef, kMaxRefLength, true);
        ComponentInput component = ReadComponentLine(reader);
        std::optional<VehicleInput> vehicle = ReadVehicleLine(reader);
        auto [found, added] = assetOf.emplace(ref, result.assets.size());
        if (added) {
            AssetInput asset;
            asset.ref = ref;
            asset.designation = component.designation;
            result.assets.push_back(std::move(asset));
            result.firstLines.push_back(record.line);
        }
        AssetInput& asset = result.assets[found->second];
        if (vehicle) {
            auto [given, first] = vehicleLineOf.emplace(found->second, record.line);
            if (!first && asset.vehicle->registration != vehicle->registration)
                reader.Fail(
                    kRegistration,
                    fmt::format("véhicule différent de celui de la ligne {} du même bien", given->second));
            if (first) asset.vehicle = vehicle;
        }
        asset.components.push_back(std::move(component));
    }
    std::stable_sort(result.errors.begin(), result.errors.end(), [](const CsvError& a, const CsvError& b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
    if (result.errors.size() > maxErrors) result.errors.resize(maxErrors);
    if (result.errors.empty() && result.assets.empty())
        result.errors.push_back({0, 0, "aucune ligne de bien"});
    return result;
}

}  // namespace vkhost
