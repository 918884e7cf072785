// The export run and its FEC file, read back as a reader of the file would.
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "tests/platform/compta_fixture.h"

namespace {

using Export = DossierComptaTest;

const TDateTime k31Dec2024 = EncodeDate(2024, 12, 31);

std::vector<std::string> Split(const std::string& line, char separator) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, separator)) fields.push_back(field);
    if (!line.empty() && line.back() == separator) fields.emplace_back();
    return fields;
}

std::vector<std::vector<std::string>> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) rows.push_back(Split(line, '\t'));
    return rows;
}

// "1234,5678" as a count of ten-thousandths, exactly.
int64_t Count(std::string amount) {
    amount[amount.find(',')] = '.';
    return CCurrency::Parse(amount).Count();
}

// Exports entries through the engine's calls.
void Exporter(const std::vector<std::tuple<const char*, TDateTime, char, const char*,
                                           std::vector<DossierComptaTest::Ligne>>>& entries) {
    AssInitExportEcr(false);
    for (const auto& [journal, date, kind, piece, lines] : entries) {
        ASSERT_TRUE(AssEcrOpenPourExport(journal, date, false, AssCodeOrigine(kind), piece));
        for (const auto& line : lines)
            AssEcrInsLigne(line.compte, line.libelle, static_cast<Currency>(CCurrency(line.montant)),
                           line.debit, nullptr);
        ASSERT_TRUE(AssAjoutEcrPourExport());
    }
    ASSERT_TRUE(AssEcrExportee());
    AssDesinitExportEcr();
}

const char* const kHeader[] = {"JournalCode", "JournalLib",    "EcritureNum", "EcritureDate", "CompteNum",
                               "CompteLib",   "CompAuxNum",    "CompAuxLib",  "PieceRef",     "PieceDate",
                               "EcritureLib", "Debit",         "Credit",      "EcritureLet",  "DateLet",
                               "ValidDate",   "Montantdevise", "Idevise"};

}  // namespace

TEST_F(Export, FileFollowsTheFecLayoutAndEveryEntryBalances) {
    // An entry recorded before: an export reads nothing from the ledger and cancels nothing.
    ASSERT_TRUE(Dotation(k31Dec2024, 5));
    const std::string path = directory_ + "/FEC.txt";
    AssSetFichierExport(path);
    Exporter({{"INVR",
               k31Dec2024,
               '2',
               "",
               {{"681120", "Dot. aux amort.", 1500.25, true},
                {"681110", "Dot. aux amort.", 0.0001, true},
                {"281540", "Dot. aux amort.", 1500.25, false},
                {"280500", "Dot. aux amort.", 0.0001, false}}},
              {"ODR",
               EncodeDate(2023, 3, 5),  // a closed year: exporting is not recording
               '3',
               "-12",
               {{"675200", "Cession\tPresse à \"injecter\"", 800, true},
                {"281540", "Cession\tPresse à \"injecter\"", 1200, true},
                {"215400", "Cession\tPresse à \"injecter\"", 2000, false}}}});

    const auto rows = ReadFile(path);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0], std::vector<std::string>(std::begin(kHeader), std::end(kHeader)));
    const std::regex date("\\d{8}"), amount("\\d+,\\d{2,4}");
    std::map<std::string, std::pair<int64_t, int64_t>> totals;  // by EcritureNum: debit, credit
    for (size_t i = 1; i < rows.size(); ++i) {
        const auto& row = rows[i];
        SCOPED_TRACE("line " + std::to_string(i));
        ASSERT_EQ(row.size(), 18u);
        EXPECT_TRUE(std::regex_match(row[3], date)) << row[3];
        EXPECT_EQ(row[9], row[3]) << "PieceDate is the entry date";
        EXPECT_EQ(row[15], "") << "an import file's entries are not validated yet";
        EXPECT_TRUE(std::regex_match(row[11], amount)) << row[11];
        EXPECT_TRUE(std::regex_match(row[12], amount)) << row[12];
        EXPECT_FALSE(row[5].empty()) << "CompteLib";
        EXPECT_FALSE(row[8].empty()) << "PieceRef";
        totals[row[2]].first += Count(row[11]);
        totals[row[2]].second += Count(row[12]);
    }
    ASSERT_EQ(totals.size(), 2u);
    for (const auto& [number, total] : totals) EXPECT_EQ(total.first, total.second) << "entry " << number;

    // The first line of each entry, whole; the second entry's separators in a label are blanked, its
    // accents kept (UTF-8); amounts are written exactly.
    auto join = [](const std::vector<std::string>& row) {
        std::string text;
        for (const std::string& field : row) text += field + "|";
        return text;
    };
    EXPECT_EQ(
        join(rows[1]),
        "INVR|Opérations d'inventaire|1|20241231|681120|Dotations aux amortissements sur immobilisations "
        "corporelles|||VK2|20241231|Dot. aux amort.|1500,25|0,00||||||");
    EXPECT_EQ(join(rows[5]),
              "ODR|Opérations diverses|2|20230305|675200|Valeurs comptables des immobilisations corporelles "
              "cédées|||VK3-12|20230305|Cession Presse à \"injecter\"|800,00|0,00||||||");
    EXPECT_EQ(rows[2][11], "0,0001");
    EXPECT_EQ(rows[3][12], "1500,25");

    const std::vector<EcritureCompta> ledger = ComptaLireEcritures();
    ASSERT_EQ(ledger.size(), 1u) << "the export changed the ledger";
    EXPECT_EQ(ledger[0].Lignes[0].Montant, CCurrency(5));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

TEST_F(Export, RunWithoutEntriesWritesTheHeaderAlone) {
    const std::string path = directory_ + "/vide.txt";
    AssSetFichierExport(path);
    AssInitExportEcr(false);
    EXPECT_FALSE(AssAjoutEcrPourExport()) << "the engine closes once after an empty list";
    ASSERT_TRUE(AssEcrExportee());
    AssDesinitExportEcr();
    const auto rows = ReadFile(path);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].size(), 18u);
}

TEST_F(Export, FailuresAreReportedNotHidden) {
    AssSetFichierExport("");
    EXPECT_THROW(AssInitExportEcr(false), EComptabilite) << "no file named";
    EXPECT_THROW(AssEcrOpenPourExport("ODR", k31Dec2024, false, AssCodeOrigine('3'), ""), EComptabilite)
        << "no run started";

    const std::string path = directory_ + "/FEC.txt";
    AssSetFichierExport(path);
    AssInitExportEcr(false);
    ASSERT_TRUE(AssEcrOpenPourExport("ODR", k31Dec2024, false, AssCodeOrigine('3'), ""));
    AssEcrInsLigne("675200", "Cession", Currency{10000}, true, nullptr);
    AssEcrInsLigne("215400", "Cession", Currency{20000}, false, nullptr);
    EXPECT_THROW(AssAjoutEcrPourExport(), EComptabilite) << "unbalanced";
    // An entry opened for the export cannot be recorded, and the reverse.
    ASSERT_TRUE(AssEcrOpenPourExport("ODR", k31Dec2024, false, AssCodeOrigine('3'), ""));
    EXPECT_THROW(AssEcrValide(), EComptabilite);
    AssDesinitExportEcr();
    EXPECT_FALSE(AssExportEnCours());
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(ComptaLireEcritures().empty());

    AssSetFichierExport(directory_ + "/absent/FEC.txt");
    AssInitExportEcr(false);
    EXPECT_THROW(AssEcrExportee(), EComptabilite) << "directory that does not exist";
    AssDesinitExportEcr();
}

TEST_F(Export, APlantedTemporaryNameNeitherStopsNorRedirectsTheExport) {
    const std::string path = directory_ + "/FEC.txt";
    { std::ofstream(path) << "ancien\n"; }
    // The old fixed temporary name is taken by a directory: the temporary file has a name of its own.
    std::filesystem::create_directory(path + ".tmp");
    AssSetFichierExport(path);
    AssInitExportEcr(false);
    EXPECT_NO_THROW(AssEcrExportee());
    AssDesinitExportEcr();
    std::ifstream in(path);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first.rfind("JournalCode", 0), 0u) << first;
    EXPECT_TRUE(std::filesystem::is_directory(path + ".tmp"));
}
