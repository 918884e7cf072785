// The "case" section: fiscal years, current year, situation date, company and settings.
#include <climits>

#include "host/json/decimal_text.h"
#include "host/scenario/sections.h"

namespace vkhost::sections {

using fields::Fail;
using fields::ObjectReader;

namespace {

std::string Iso(TDateTime date) {
    return FormatISODate(date);
}

// A fiscal year follows the previous one: it starts the day after the previous one ends.
void CheckFollows(const FiscalYearInput& previous, const FiscalYearInput& year, const ObjectReader& reader) {
    if (year.end < previous.start)
        Fail(reader.PathOf("start"),
             "les exercices doivent se suivre (le précédent commence le " + Iso(previous.start) + ")");
    if (year.start <= previous.end)
        Fail(reader.PathOf("start"),
             "chevauche l'exercice précédent (qui finit le " + Iso(previous.end) + ")");
    if (year.start > previous.end + 1)
        Fail(reader.PathOf("start"),
             "laisse un trou après l'exercice précédent (qui finit le " + Iso(previous.end) + ")");
}

bool LastsAtMost24Months(const FiscalYearInput& year) {
    int y, m, d;
    DecodeDate(year.start, y, m, d);
    // 24 months after a start in the last two years a date can hold is beyond every date: no limit.
    if (y >= 9998) return true;
    return year.end <= AjouteMois(year.start, 24) - 1;
}

std::vector<FiscalYearInput> ReadFiscalYears(const ObjectReader& reader) {
    const std::vector<JsonValue>& list = reader.RequiredList("fiscal_years");
    if (list.empty()) Fail(reader.PathOf("fiscal_years"), "doit contenir au moins un exercice");
    std::vector<FiscalYearInput> years;
    for (size_t i = 0; i < list.size(); ++i) {
        ObjectReader y(list[i], ItemPath(reader.PathOf("fiscal_years"), i), {"start", "end"});
        FiscalYearInput year{y.Date("start"), y.Date("end")};
        if (year.end < year.start) Fail(y.PathOf("end"), "ne doit pas précéder start");
        if (!LastsAtMost24Months(year)) Fail(y.PathOf("end"), "un exercice dure au plus 24 mois");
        if (i > 0) CheckFollows(years.back(), year, y);
        years.push_back(year);
    }
    return years;
}

bool IsJournalKey(const std::string& key) {
    for (int k = 0; k <= 25; ++k)
        if (key == std::to_string(k)) return true;
    return false;
}

// A settings value goes into a line of the settings file: no line break or other control character.
std::string SettingText(const JsonValue& value, const std::string& path) {
    std::string text = fields::ReadText(value, path, SIZE_MAX, false);
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F) Fail(path, "ne doit contenir ni saut de ligne ni caractère de contrôle");
    return text;
}

std::vector<std::pair<std::string, std::string>> ReadSettings(const ObjectReader& reader) {
    std::vector<std::pair<std::string, std::string>> settings;
    const JsonValue* object = reader.Find("settings");
    if (!object) return settings;
    if (!object->IsObject()) Fail(reader.PathOf("settings"), "doit être un objet");
    for (const auto& [key, value] : object->members) {
        std::string path = MemberPath(reader.PathOf("settings"), key);
        std::string text;
        if (key == "DerogatoireTaux") {
            std::optional<DecimalNumber> number =
                value.IsNumber() ? ParseJsonNumber(value.text) : std::nullopt;
            if (!number) Fail(path, "doit être un nombre");
            text = DecimalToText(*number);
        } else if (key == "MiseAuxNormes_MethodeRetrospective") {
            text = std::to_string(fields::ReadInt(value, path, -INT_MAX, INT_MAX));
        } else if (IsJournalKey(key)) {
            text = SettingText(value, path);
        } else {
            Fail(path,
                 "réglage inconnu (DerogatoireTaux, MiseAuxNormes_MethodeRetrospective ou \"0\"..\"25\")");
        }
        settings.emplace_back(key, text);
    }
    return settings;
}

}  // namespace

CaseInput ReadCase(const JsonValue& value, const std::string& path) {
    ObjectReader r(value, path,
                   {"fiscal_years", "current_year", "situation_date", "tax_regime", "company", "legal_name",
                    "user", "account_length", "siren", "settings"});
    CaseInput result;
    result.fiscal_years = ReadFiscalYears(r);
    result.current_year = r.Date("current_year");
    const FiscalYearInput* current = nullptr;
    for (const FiscalYearInput& year : result.fiscal_years)
        if (year.start == result.current_year) current = &year;
    if (!current) Fail(r.PathOf("current_year"), "doit être le début d'un exercice enregistré");
    result.situation_date = r.OptionalDate("situation_date").value_or(current->end);
    if (result.situation_date < current->start || result.situation_date > current->end)
        Fail(r.PathOf("situation_date"),
             "doit tomber dans l'exercice courant (" + Iso(current->start) + ".." + Iso(current->end) + ")");
    result.tax_regime = r.IntAmong("tax_regime", {1, 2}, "doit valoir 1 ou 2", 1);
    // The legal name: "legal_name", or "company" as the first scenarios wrote it; not both.
    if (r.Find("company") && r.Find("legal_name"))
        Fail(r.PathOf("legal_name"),
             "la raison sociale ne se donne qu'une fois : \"legal_name\" ou \"company\"");
    result.company = r.Find("legal_name") ? r.RequiredText("legal_name", kMaxCompanyLength)
                                          : r.Text("company", kMaxCompanyLength, "Demo");
    result.user = r.Find("user") ? r.RequiredText("user", kMaxUserLength) : "demo";
    result.account_length = r.Int("account_length", 6, 13, 6);
    if (r.Find("siren")) {
        // Read at any length so that the refusal is the same for every text that is not a SIREN.
        result.siren = r.RequiredText("siren", kMaxCompanyLength);
        if (!SirenValide(result.siren))
            Fail(r.PathOf("siren"), "\"" + fields::EchoedKey(result.siren) +
                                        "\" n'est pas un SIREN (9 chiffres dont la clé de Luhn est juste)");
    }
    result.settings = ReadSettings(r);
    return result;
}

}  // namespace vkhost::sections

namespace vkhost {

ParametresDossier CaseParameters(const CaseInput& input) {
    ParametresDossier parameters;
    parameters.RaisonSociale = input.company;
    for (const FiscalYearInput& year : input.fiscal_years)
        parameters.Exercices.push_back({year.start, year.end, year.start < input.current_year});
    parameters.DebutExerciceCourant = input.current_year;
    parameters.DateSituation = input.situation_date;
    parameters.RegimeFiscal = input.tax_regime;
    parameters.LongueurCompte = input.account_length;
    parameters.Siren = input.siren;
    return parameters;
}

}  // namespace vkhost
