// The entries of a whole case file like the demo's, against its real ledger: every entry balances
// for every kind, creating twice leaves one set, cancelling removes them, closed and unknown years
// are refused without a change, the exported file reads back, and once the opening balances and
// the year's entries are in the ledger, the ledger and the register agree on every account.
#include <algorithm>
#include <memory>

#include "tests/support/fec_conformity.h"
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
        NextVersion(moved, veModification);
        moved->GetStructure()->SetNumCompte("218400");
        ASSERT_TRUE(moved->BD_MAJ());

        cVK_Bien* upgraded = Asset(EncodeDate(2025, 1, 1), 5000, "215600");
        NextVersion(upgraded, veMiseAuxNormes);
        cVK_Composant* structure = upgraded->GetStructure();
        structure->MAN_MOTIF = 2;
        structure->MAN_CPTACRED = "131000";
        structure->MAN_MONTACRED = CCurrency(800);
        structure->GetDetails()->AddNew()->SetPrixAcquisOrigine(CCurrency(800));
        ASSERT_TRUE(upgraded->BD_MAJ());

        Dispose(Asset(EncodeDate(2025, 1, 1), 12000, "215500"), vmMiseAuRebut, EncodeDate(2026, 6, 30));

        Asset(EncodeDate(2026, 6, 1), 98400, "215400", 84, true);

        cVK_Bien* van = Asset(EncodeDate(2024, 3, 15), 24500, "218200");
        van->GetStructure()->GetDetails()->Get(0)->SetTVARecupereeOrigine(CCurrency(4900));
        ASSERT_TRUE(van->BD_MAJ());
        Exit(van, "Vente du fourgon", EncodeDate(2026, 9, 30), vmCession, CCurrency(12000), true);
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
// component (the scrapped machine's, and the van's, whose entry is its exit's). A purchase entry
// recorded beside them is not the engine's: nothing touches it.
TEST_F(DemoCase, EveryEntryOfEveryKindBalancesAndCreatingAgainChangesNothing) {
    Record("ACH", EncodeDate(2026, 6, 1), 'A', "F-117", 98400);
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
    // Kinds 0, 3 and 4 between them make every entry of kind 5; creating them again leaves one set.
    const std::string separately = Snapshot();
    ASSERT_TRUE(cVK_ListEcr(ecrToutes, nullptr).Annuler());
    EXPECT_EQ(Identities(), std::vector<std::string>{"ACH 2026-06-01 VKAF-117"});
    for (int time = 1; time <= 2; ++time) {
        ASSERT_TRUE(cVK_ListEcr(ecrToutes, nullptr).Creer());
        EXPECT_EQ(Snapshot(), separately) << "created " << time << " time(s)";
    }
}

// A disposal dated in 2027, after the situation date: it has not happened yet, so neither the
// transfers and disposals nor all the entries post it, and it keeps no entry date.
TEST_F(DemoCase, DisposalAfterTheSituationDateIsNotPostedYet) {
    cVK_Cession* cession =
        Dispose(Asset(EncodeDate(2025, 1, 1), 9000, "218100"), vmCession, EncodeDate(2027, 2, 1));
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

// The exported file of every entry follows the rules of the tax administration's reader (layout,
// dates within the year, amounts with a decimal comma, every entry balanced), each piece dated the
// day of its entry, and the ledger is left alone.
TEST_F(DemoCase, ExportedFileFollowsTheFecRules) {
    const std::string path = (engine.File().Directory() / "FEC20261231.txt").string();
    AssSetFichierExport(path);
    const cVK_ListEcr list(ecrToutes, nullptr);
    ASSERT_TRUE(list.Exporter());
    EXPECT_TRUE(ComptaLireEcritures().empty());
    // The validation date is the host's to give: the library's own export leaves it empty; and it
    // writes the entries in the list's order (journal, date, piece), not by date across journals.
    const vktest::FecContent fec = vktest::CheckFec(path, {"", "20260101", "20261231", "", true});
    std::vector<std::string> faults;
    for (const std::string& fault : fec.faults)
        if (fault.find("ValidDate \"\"") == std::string::npos &&
            fault.find(" dated before entry ") == std::string::npos)
            faults.push_back(fault);
    EXPECT_EQ(faults, std::vector<std::string>{});
    EXPECT_EQ(fec.lines.size(), list.Lignes.size());
    for (const vktest::FecLine& line : fec.lines)
        EXPECT_EQ(line.field.at("PieceDate"), line.field.at("EcritureDate")) << "entry " << line.number;
    EXPECT_GE(fec.entries, 6);  // MAN, transfer, scrapping, charges, derogatory, impairment
}

// The ledger holds what a real one holds: the opening balances of every asset (as the first version
// of its chain stood at the start of the year, against an opening account), this year's purchases,
// and then the engine's entries. The register and the ledger then agree on every account, at the
// situation date (type 5) and for the disposals and transfers of the year (type 3).
class Comparison : public DemoCase {
protected:
    void RecordOpeningBalances() {
        int number = 0;
        for (unsigned id : Ids("SELECT MIN(ID_BIEN) FROM ZENKOVKB GROUP BY REF_CALC")) {
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

// Without the year's entries, the ledger lacks exactly what they carry (the year's charges among
// them); once everything is posted, no difference is left.
TEST_F(Comparison, DifferencesUntilEverythingIsPosted) {
    RecordOpeningBalances();
    const std::vector<std::string> missing = Differences(5);
    EXPECT_NE(std::find_if(missing.begin(), missing.end(),
                           [](const std::string& row) { return row.find(" 681120 ") != std::string::npos; }),
              missing.end())
        << "the year's charges are missing from the ledger";
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

// The comparisons at the opening (type 0) and of the year's gross values (types 1 and 2), on the
// ledger of the opening balances and this year's purchases. Type 0 takes the opening gross values, so
// the year's purchases (the licence, 12,000 on 205000, and the machine, 98,400 on 215400 beside the
// 30,000 machine of 2025) are its only differences, before and after the standards conformity is
// posted (a flagged entry type 0 leaves out). Types 1 and 2 take the current gross values with the
// standards conformity: they differ by its 800 on 215600 until its entry (journal ODR) is posted.
TEST_F(Comparison, OpeningAndGrossValueComparisonsSeeWhatTheLedgerLacks) {
    RecordOpeningBalances();
    const std::vector<std::string> opening = {"type 0 205000: ledger 12000 register 0",
                                              "type 0 215400: ledger 128400 register 30000"};
    auto rows = [&](TYPE_COMPARAISON type) {
        std::vector<std::string> shown;
        for (const std::string& row : Differences(type)) {
            const size_t label = row.find(' ', row.find(' ', 5) + 1), colon = row.find(':');
            shown.push_back(row.substr(0, label) + row.substr(colon));
        }
        return shown;
    };
    EXPECT_EQ(rows(0), opening);
    for (TYPE_COMPARAISON type : {1, 2})
        EXPECT_EQ(rows(type),
                  std::vector<std::string>{fmt::format("type {} 215600: ledger 5000 register 5800", type)});
    ASSERT_TRUE(cVK_ListEcr(ecrMiseAuxNormes, nullptr).Creer());
    EXPECT_EQ(rows(0), opening);
    for (TYPE_COMPARAISON type : {1, 2}) EXPECT_EQ(rows(type), std::vector<std::string>{}) << "type " << type;
}

}  // namespace
