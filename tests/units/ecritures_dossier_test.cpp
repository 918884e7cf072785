// The entries of a whole case file like the demo's, against its real ledger: every entry balances
// for every kind, creating twice leaves one set, cancelling removes them, closed and unknown years
// are refused without a change, the exported file reads back, and once the opening balances and
// the year's entries are in the ledger, the ledger and the register agree on every account.
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "tests/units/ecritures_fixture.h"
#include "units/uvkcession.h"
#include "units/uvkdetailsit.h"
#include "units/uvksortie.h"

namespace {

const TDateTime kYearStart = EncodeDate(2026, 1, 1);
const TDateTime kSituation = EncodeDate(2026, 12, 31);

// A small company's register in its current year 2026: offices and land bought in 2024, a machine
// and a licence, a declining tax plan (derogatory depreciation), a financial asset impaired at the
// situation date, a vehicle moved to another account, equipment brought up to standards, a
// scrapped machine, a machine bought this year and a van sold with VAT to reverse.
class DemoCase : public vktest::EntriesCase {
protected:
    void SetUp() override {
        EntriesCase::SetUp();
        Asset(EncodeDate(2024, 3, 1), 420000, "213100", 240);
        cVK_Bien* land = Asset(EncodeDate(2024, 3, 1), 150000, "211100");
        vktest::SetPlan(land->GetStructure()->GetAmort(taComptable), maNonAmortissable, 65535);
        vktest::SetPlan(land->GetStructure()->GetAmort(taFiscal), maNonAmortissable, 65535);
        ASSERT_TRUE(land->BD_MAJ());
        Asset(EncodeDate(2025, 3, 1), 30000, "215400", 60, true);
        Asset(EncodeDate(2026, 1, 15), 12000, "205000", 36);
        cVK_Bien* shares = Asset(EncodeDate(2025, 6, 1), 5000, "261000");
        cVK_DetSituation situation(shares->GetStructure()->GetAmort(taComptable), kSituation);
        situation.SetValActuelle(4000);
        ASSERT_TRUE(situation.BD_MAJ());

        cVK_Bien* moved = Asset(EncodeDate(2025, 1, 1), 6000, "218300");
        Next(moved, veModification);
        moved->GetStructure()->SetNumCompte("218400");
        ASSERT_TRUE(moved->BD_MAJ());

        cVK_Bien* upgraded = Asset(EncodeDate(2025, 1, 1), 5000, "215600");
        Next(upgraded, veMiseAuxNormes);
        cVK_Composant* structure = upgraded->GetStructure();
        structure->MAN_MOTIF = 2;
        structure->MAN_CPTACRED = "131000";
        structure->MAN_MONTACRED = CCurrency(800);
        structure->GetDetails()->AddNew()->SetPrixAcquisOrigine(CCurrency(800));
        ASSERT_TRUE(upgraded->BD_MAJ());

        cVK_Bien* scrapped = Asset(EncodeDate(2025, 1, 1), 12000, "215500");
        Next(scrapped, veCession);
        auto* cession = new cVK_Cession(scrapped->GetStructure(), nullptr, 0);
        scrapped->GetStructure()->SetCession(cession);
        cession->SetMotifSortie(vmMiseAuRebut);
        cession->SetDateSortie(EncodeDate(2026, 6, 30));
        cession->SetDateFinUtilisation(EncodeDate(2026, 6, 30));
        ASSERT_TRUE(scrapped->BD_MAJ());

        Asset(EncodeDate(2026, 6, 1), 98400, "215400", 84, true);

        cVK_Bien* van = Asset(EncodeDate(2024, 3, 15), 24500, "218200");
        van->GetStructure()->GetDetails()->Get(0)->SetTVARecupereeOrigine(CCurrency(4900));
        ASSERT_TRUE(van->BD_MAJ());
        Exit(van, "Vente du fourgon", EncodeDate(2026, 9, 30), vmCession, CCurrency(12000), true);
    }

    static void Next(cVK_Bien* asset, VK_Etats state) {
        asset->Valider(vcValide);
        asset->BD_Dupliquer(state, false);
    }

    // The first column of every row of a query, as identifiers.
    std::vector<unsigned> Ids(const char* sql) {
        std::vector<unsigned> ids;
        TIBQuery query(&engine.File().Database());
        query.SQL.Add(sql);
        for (query.Open(); !query.Eof(); query.Next())
            ids.push_back(static_cast<unsigned>(query.Fields(0)->AsInteger()));
        return ids;
    }

    // Every entry of the ledger with its lines, as text.
    static std::string Snapshot() {
        std::string text;
        for (const EcritureCompta& entry : ComptaLireEcritures()) {
            text += fmt::format("{} {} {}{}\n", entry.Journal, FormatISODate(entry.Date),
                                entry.OrigineTexte(), entry.Piece);
            for (const LigneCompta& line : entry.Lignes)
                text += fmt::format("  {} {} {} {}\n", line.Compte, line.Debit ? "D" : "C",
                                    line.Montant.ToString(), line.Libelle);
        }
        return text;
    }
};

// Kind 2 is asked of each owner that has a disposal: every exit (the van's) and every disposed
// component (the scrapped machine's, and the van's, whose entry is its exit's).
TEST_F(DemoCase, EveryEntryOfEveryKindBalances) {
    std::vector<std::unique_ptr<cVK_Primaire>> owners;
    for (unsigned id : Ids("SELECT ID_SORTIE FROM ZENKOVKS"))
        owners.push_back(std::make_unique<cVK_Sortie>(id));
    for (unsigned id : Ids("SELECT ID_COMPO FROM ZENKOVKO"))
        owners.push_back(std::make_unique<cVK_Composant>(nullptr, "", nullptr, id));
    ASSERT_EQ(owners.size(), 3u);
    for (int kind = 0; kind <= 5; ++kind) {
        std::vector<cVK_Primaire*> listOwners = {nullptr};
        if (kind == ecrSortie) {
            listOwners.clear();
            for (const auto& owner : owners) listOwners.push_back(owner.get());
        }
        for (cVK_Primaire* owner : listOwners) {
            const cVK_ListEcr list(static_cast<VK_TypesEcr>(kind), owner);
            EXPECT_FALSE(list.Lignes.empty()) << "kind " << kind;
            const std::vector<std::string> unbalanced = vktest::UnbalancedInList(list);
            EXPECT_TRUE(unbalanced.empty()) << "kind " << kind << ": " << unbalanced.front();
            ASSERT_TRUE(list.Creer()) << "kind " << kind;
            const std::vector<std::string> ledger = vktest::UnbalancedEntries();
            EXPECT_TRUE(ledger.empty()) << "kind " << kind << ": " << ledger.front();
        }
    }
    EXPECT_TRUE(messages->exceptions.empty()) << messages->exceptions.front().message;
    // Kinds 0, 3 and 4 between them make every entry of kind 5.
    const std::string separately = Snapshot();
    ASSERT_TRUE(cVK_ListEcr(ecrToutes, nullptr).Annuler());
    EXPECT_TRUE(ComptaLireEcritures().empty());
    ASSERT_TRUE(cVK_ListEcr(ecrToutes, nullptr).Creer());
    EXPECT_EQ(Snapshot(), separately);
}

TEST_F(DemoCase, CreatingTwiceLeavesOneSetAndCancellingRemovesThem) {
    Record("ACH", EncodeDate(2026, 6, 1), 'A', "F-117", 98400);  // not the engine's: never touched
    ASSERT_TRUE(cVK_ListEcr(ecrToutes, nullptr).Creer());
    const std::string once = Snapshot();
    ASSERT_TRUE(cVK_ListEcr(ecrToutes, nullptr).Creer());
    EXPECT_EQ(Snapshot(), once);
    ASSERT_TRUE(cVK_ListEcr(ecrToutes, nullptr).Annuler());
    EXPECT_EQ(Identities(), std::vector<std::string>{"ACH 2026-06-01 VKAF-117"});
}

// A disposal dated in 2027, after the situation date: it has not happened yet, so neither the
// transfers and disposals nor all the entries post it, and it keeps no entry date.
TEST_F(DemoCase, DisposalAfterTheSituationDateIsNotPostedYet) {
    cVK_Bien* later = Asset(EncodeDate(2025, 1, 1), 9000, "218100");
    Next(later, veCession);
    auto* cession = new cVK_Cession(later->GetStructure(), nullptr, 0);
    later->GetStructure()->SetCession(cession);
    cession->SetMotifSortie(vmCession);
    cession->SetDateSortie(EncodeDate(2027, 2, 1));
    ASSERT_TRUE(later->BD_MAJ());
    for (VK_TypesEcr kind : {ecrVirementsSorties, ecrToutes}) {
        EXPECT_TRUE(cVK_ListEcr(kind, nullptr).Creer()) << "kind " << kind;
        EXPECT_EQ(Snapshot().find("218100 C 9000"), std::string::npos) << "kind " << kind << "\n"
                                                                       << Snapshot();
    }
    EXPECT_EQ(
        engine.File().Scalar("SELECT DATE_ECR FROM ZENKOVKO WHERE ID_CESSION=" + std::to_string(cession->ID)),
        "<null>");
}

// Entries dated in the current year of a case file whose current year is closed are refused.
TEST(ClosedYear, CreatingIsRefusedWithoutChange) {
    ParametresDossier parameters = vktest::CalendarYears(2024, 3, 2026);
    parameters.Exercices.back().Cloture = true;
    vktest::EngineCase engine(parameters);
    vktest::Messages messages;
    ComptaCreerTables(engine.File().Dossier());
    cVK_Bien* asset = engine.NewAsset(EncodeDate(2026, 1, 1), CCurrency(10000), "215400");
    vktest::SetPlan(asset->GetStructure()->GetAmort(taComptable), maLineaire, 60, EncodeDate(2026, 1, 1));
    ASSERT_TRUE(asset->BD_MAJ());
    for (VK_TypesEcr kind : {ecrDotations, ecrToutes}) {
        const cVK_ListEcr list(kind, nullptr);
        EXPECT_FALSE(list.Lignes.empty());
        EXPECT_FALSE(list.Creer()) << "kind " << kind;
        EXPECT_FALSE(list.Annuler()) << "kind " << kind;
    }
    EXPECT_TRUE(ComptaLireEcritures().empty());
    ASSERT_FALSE(messages->informations.empty());
    EXPECT_NE(messages->informations.front().find("est clos"), std::string::npos)
        << messages->informations.front();
}

// The exported file of every entry: a header and one line per entry line, 18 tab-separated
// columns, dates written YYYYMMDD within the year, amounts with a decimal comma, and each entry
// (EcritureNum) balanced.
TEST_F(DemoCase, ExportedFileReadsBack) {
    const std::string path = (engine.File().Directory() / "fec.txt").string();
    AssSetFichierExport(path);
    const cVK_ListEcr list(ecrToutes, nullptr);
    ASSERT_TRUE(list.Exporter());
    EXPECT_TRUE(ComptaLireEcritures().empty());
    std::ifstream in(path);
    std::string text;
    std::vector<std::vector<std::string>> rows;
    while (std::getline(in, text)) {
        std::vector<std::string> fields;
        std::stringstream stream(text);
        std::string field;
        while (std::getline(stream, field, '\t')) fields.push_back(field);
        if (!text.empty() && text.back() == '\t') fields.push_back("");
        rows.push_back(fields);
    }
    ASSERT_EQ(rows.size(), list.Lignes.size() + 1);
    EXPECT_EQ(rows[0],
              (std::vector<std::string>{"JournalCode", "JournalLib", "EcritureNum", "EcritureDate",
                                        "CompteNum", "CompteLib", "CompAuxNum", "CompAuxLib", "PieceRef",
                                        "PieceDate", "EcritureLib", "Debit", "Credit", "EcritureLet",
                                        "DateLet", "ValidDate", "Montantdevise", "Idevise"}));
    auto cents = [](const std::string& amount) {
        const size_t comma = amount.find(',');
        EXPECT_NE(comma, std::string::npos) << amount;
        EXPECT_EQ(amount.find('.'), std::string::npos) << amount;
        const std::string decimals = (amount.substr(comma + 1) + "0000").substr(0, 4);
        return std::stoll(amount.substr(0, comma)) * 10000 + std::stoll(decimals);
    };
    std::map<std::string, long long> balance;
    for (size_t i = 1; i < rows.size(); ++i) {
        const std::vector<std::string>& row = rows[i];
        ASSERT_EQ(row.size(), 18u) << "line " << i;
        EXPECT_EQ(row[3].size(), 8u) << row[3];
        EXPECT_GE(row[3], "20260101");
        EXPECT_LE(row[3], "20261231");
        EXPECT_EQ(row[9], row[3]);
        EXPECT_FALSE(row[4].empty());
        EXPECT_FALSE(row[5].empty()) << row[4] << " has a label";
        balance[row[2]] += cents(row[11]) - cents(row[12]);
    }
    for (const auto& [entry, difference] : balance) EXPECT_EQ(difference, 0) << "entry " << entry;
    EXPECT_GE(balance.size(), 6u);  // MAN, transfer, scrapping, charges, derogatory, impairment
}

// The ledger holds what a real one holds: the opening balances of every asset (as the first version
// of its chain stood at the start of the year, against an opening account), this year's purchases,
// and then the engine's entries. The register and the ledger then agree on every account, at the
// situation date (type 5) and for the disposals and transfers of the year (type 3).
class Comparison : public DemoCase {
protected:
    void RecordOpeningBalances() {
        std::vector<unsigned> firsts;
        TIBQuery query(&engine.File().Database());
        query.SQL.Add("SELECT MIN(ID_BIEN) FROM ZENKOVKB GROUP BY REF_CALC");
        for (query.Open(); !query.Eof(); query.Next())
            firsts.push_back(static_cast<unsigned>(query.Fields(0)->AsInteger()));
        query.Close();
        int number = 0;
        for (unsigned id : firsts) {
            cVK_Bien asset(id, "", nullptr, nullptr);
            for (int i = 0; i < asset.GetListeComposants()->Count(); ++i) {
                cVK_Composant* c = asset.GetListeComposants()->Get(i);
                cVK_Amortissement* plan = c->GetAmort(taComptable);
                const bool opening = c->DATEENTREE < kYearStart;
                const std::string piece = fmt::format("{}", ++number);
                ASSERT_TRUE(AssEcrOpen(opening ? "AN" : "ACH", opening ? kYearStart : c->DATEENTREE, false, 0,
                                       piece));
                CCurrency counterpart = c->GetPrixHT();
                Line(c->NUMCOMPTE, true, c->GetPrixHT());
                if (opening) {
                    const CCurrency depreciation = plan->GetCumulAmortOuv(1);
                    const CCurrency impairment =
                        plan->GetCumulDeprecDedOuv(1) + plan->GetCumulDeprecNonDedOuv(1);
                    const CCurrency derogatory = c->GetAmortDerogOuv(1);
                    Line(c->GetNumCompte(0), false, depreciation);
                    Line(c->GetNumCompte(1), false, impairment);
                    Line("145000", false, derogatory);
                    counterpart = counterpart - depreciation - impairment - derogatory;
                }
                Line(opening ? "890000" : "404000", false, counterpart);
                ASSERT_TRUE(AssEcrValide());
            }
        }
    }
    static void Line(const UnicodeString& account, bool debit, const CCurrency& amount) {
        if (amount.IsNull() || amount == CCurrency(0)) return;
        AssEcrInsLigne(account, "Ouverture", static_cast<Currency>(amount), debit, nullptr);
    }
    std::vector<std::string> Differences(TYPE_COMPARAISON type) {
        cVK_ComparCptaAss comparison(type);
        EXPECT_TRUE(comparison.Comparer());
        std::vector<std::string> differences;
        for (const cVK_EcartComparaison& row : comparison.Ecarts())
            if (row.Ecart != CCurrency(0))
                differences.push_back(fmt::format("type {} {} {}: ledger {} register {}", type, row.Compte,
                                                  row.Libelle, row.Comptabilite.ToString(),
                                                  row.Registre.ToString()));
        EXPECT_FALSE(comparison.Ecarts().empty());
        return differences;
    }
};

TEST_F(Comparison, NoDifferenceOnceEverythingIsPosted) {
    RecordOpeningBalances();
    // The van's sale, invoiced by the accountant.
    ASSERT_TRUE(AssEcrOpen("VTE", EncodeDate(2026, 9, 30), false, 0, "F-2026-41"));
    AssEcrInsLigne("462000", "Vente du fourgon", static_cast<Currency>(CCurrency(12000)), true, nullptr);
    AssEcrInsLigne("775200", "Vente du fourgon", static_cast<Currency>(CCurrency(12000)), false, nullptr);
    ASSERT_TRUE(AssEcrValide());
    ASSERT_TRUE(cVK_ListEcr(ecrToutes, nullptr).Creer());
    for (TYPE_COMPARAISON type : {3, 5}) {
        const std::vector<std::string> differences = Differences(type);
        EXPECT_TRUE(differences.empty())
            << differences.size() << " differences, first: " << differences.front();
    }
    EXPECT_TRUE(messages->exceptions.empty()) << messages->exceptions.front().message;
}

// Without the year's entries, the ledger lacks exactly what they carry: the comparison shows it.
TEST_F(Comparison, MissingEntriesShowAsDifferences) {
    RecordOpeningBalances();
    const std::vector<std::string> differences = Differences(5);
    EXPECT_FALSE(differences.empty());
    bool charges = false;
    for (const std::string& row : differences) charges = charges || row.find(" 681120 ") != std::string::npos;
    EXPECT_TRUE(charges) << "the year's charges are missing from the ledger";
}

}  // namespace
