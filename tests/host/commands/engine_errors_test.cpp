// Real database errors inside a host command on a stored case file: the schema is changed under the
// engine (a constraint it does not expect, a column or a table gone), then `vkhost validate` or
// `vkhost close-year` runs. The command must fail with status 1, show the database's message with
// a location code, and leave every table and the settings file exactly as they were; once the
// change is undone, the same command goes through.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "tests/support/host_test.h"

namespace fs = std::filesystem;

namespace {

using vktest::Outcome;

// Two machines depreciated declining for tax (derogatory depreciation to store at the closing) and
// a van, over three fiscal years.
const char* const kScenario = R"({
 "case": {"fiscal_years": [{"start": "2024-01-01", "end": "2024-12-31"},
                           {"start": "2025-01-01", "end": "2025-12-31"},
                           {"start": "2026-01-01", "end": "2026-12-31"}],
          "current_year": "2026-01-01", "tax_regime": 2},
 "assets": [
  {"ref": "M1", "designation": "Presse", "components": [{"account": "215400", "entry_date": "2024-03-01",
     "details": [{"price": 12000}],
     "plans": [{"kind": 1, "method": 1, "duration": 60}, {"kind": 2, "method": 2, "duration": 60}]}]},
  {"ref": "M2", "designation": "Tour", "components": [{"account": "215400", "entry_date": "2025-06-01",
     "details": [{"price": 4000}],
     "plans": [{"kind": 1, "method": 1, "duration": 60}, {"kind": 2, "method": 2, "duration": 60}]}]},
  {"ref": "V1", "designation": "Fourgon", "components": [{"account": "218200", "entry_date": "2025-09-15",
     "details": [{"price": 21000.5}]}]}]})";

// A change of the schema made behind the engine's back, the command it breaks, and how it shows:
// the unit of the location code is the engine's (0x0384..0x038B: 900..907) or the host's closing
// (0x038E: 910).
struct Sabotage {
    const char* name;
    const char* change;   // isql script run on the stored case file
    const char* command;  // vkhost command; DIR stands for the case file
    const char* message;  // what the database says, found in the command's standard error
    const char* unit;     // the location code's unit, 4 hex digits
    const char* undo;     // isql script that puts the schema back; empty: none
};

const Sabotage kSabotages[] = {
    {"a check constraint refuses the validation stamp",
     "ALTER TABLE ZENKOVKB ADD CONSTRAINT VKTEST_UNVALIDATED CHECK (USERVALID IS NULL);", "validate DIR M1",
     "Operation violates CHECK constraint VKTEST_UNVALIDATED", "0385",
     "ALTER TABLE ZENKOVKB DROP CONSTRAINT VKTEST_UNVALIDATED;"},
    {"a column the validation writes is gone", "ALTER TABLE ZENKOVKC DROP DEROG_OUV;", "validate DIR M2",
     "DEROG_OUV", "0386", "ALTER TABLE ZENKOVKC ADD DEROG_OUV DECIMAL(18,4);"},
    {"a unique index refuses the closing versions",
     "CREATE UNIQUE INDEX VKTEST_ONE_VERSION ON ZENKOVKB (REF_CALC);", "close-year DIR",
     "attempt to store duplicate value", "0385", "DROP INDEX VKTEST_ONE_VERSION;"},
    {"the forecasts' year column is gone", "ALTER TABLE ZENKOVKU DROP EXERCICE;", "close-year DIR",
     "Column unknown", "038E", "ALTER TABLE ZENKOVKU ADD EXERCICE SMALLINT;"},
    {"a check constraint keeps the fiscal year open",
     "ALTER TABLE EXERCICES ADD CONSTRAINT VKTEST_STAYS_OPEN CHECK (CLOTURE=0 OR DATE_FIN<'2026-12-31');",
     "close-year DIR", "Operation violates CHECK constraint VKTEST_STAYS_OPEN", "038E",
     "ALTER TABLE EXERCICES DROP CONSTRAINT VKTEST_STAYS_OPEN;"},
    {"the stored schedule lines' table is gone", "DROP TABLE ZENKOVKT;", "close-year DIR", "ZENKOVKT", "0389",
     ""},
};

// The location code shown before the message holding TEXT ("0385002A"), or "" when none is.
std::string CodeShownWith(const std::string& shown, const std::string& text) {
    const size_t at = shown.find(text);
    if (at == std::string::npos) return "";
    const size_t code = shown.rfind("[0x", at);
    if (code == std::string::npos || shown.size() < code + 12 || shown[code + 11] != ']') return "";
    return shown.substr(code + 3, 8);
}

class EngineErrors : public vktest::HostTest {
protected:
    // The command with DIR standing for the case file.
    Outcome Host(const std::string& command, const fs::path& dossier) {
        std::string line = command;
        line.replace(line.find("DIR"), 3, Quoted(dossier));
        return HostTest::Host(line);
    }
};

TEST_F(EngineErrors, AFailedStatementCommitsNothingAndShowsItsLocationCode) {
    const fs::path built = work.Path() / "built";
    const Outcome run = RunScenario(kScenario, "--case " + Quoted(built));
    ASSERT_EQ(run.status, 0) << run.err;

    for (const Sabotage& s : kSabotages) {
        SCOPED_TRACE(s.name);
        const fs::path dossier = work.Path() / "case";
        fs::remove_all(dossier);
        CopyCase(built, dossier);
        Isql(dossier, std::string(s.change) + "\nCOMMIT;\n");
        const std::string before = Dump(dossier);

        const Outcome failed = Host(s.command, dossier);
        EXPECT_EQ(failed.status, 1) << s.command << "\nstdout:\n"
                                    << failed.out << "\nstderr:\n"
                                    << failed.err;
        EXPECT_NE(failed.err.find(s.message), std::string::npos) << failed.err;
        const std::string code = CodeShownWith(failed.err, s.message);
        EXPECT_TRUE(std::regex_match(code, std::regex(std::string(s.unit) + "[0-9A-F]*")))
            << "the database's message shown after a location code of unit " << s.unit << ", not '" << code
            << "':\n"
            << failed.err;
        EXPECT_EQ(failed.err.find("[0x00000000]"), std::string::npos) << failed.err;
        EXPECT_EQ(failed.out, "") << "nothing is announced as done";
        EXPECT_EQ(Dump(dossier), before) << "the case file changed";

        if (*s.undo) {
            Isql(dossier, std::string(s.undo) + "\nCOMMIT;\n");
            const Outcome again = Host(s.command, dossier);
            EXPECT_EQ(again.status, 0) << "once the schema is put back\n" << again.err;
        }
    }
}

}  // namespace
