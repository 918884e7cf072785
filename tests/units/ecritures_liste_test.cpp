// The entry list against the case file's real ledger: how lines merge and order, which calls each
// operation makes (seen in the ledger), pieces and dates, and the refusals that change nothing.
#include <filesystem>
#include <fstream>

#include "tests/units/ecritures_fixture.h"
#include "units/uvksortie.h"

namespace {

using vktest::EntriesCase;

const TDateTime kSituation = EncodeDate(2026, 12, 31);
const TDateTime kMarch = EncodeDate(2026, 3, 31);

class Posting : public EntriesCase {
protected:
    // A balanced entry of `amount`: `credited` credited, `debited` debited, in that order.
    static void Pair(ListEcr& list, const char* journal, const TDateTime& date, const char* piece,
                     const char* credited, const char* debited, double amount, const char* label = "",
                     const TDateTime& previous = TDateTime()) {
        list.insert(Line(journal, date, piece, credited, false, amount, label, previous));
        list.insert(Line(journal, date, piece, debited, true, amount, label, previous));
    }
};

// Lines equal on journal, date, piece, account and direction are one line whatever their labels
// (the first label is kept) and whatever Regrouper says (D35); the same account on both sides gives
// two lines, credit first; the order is journal, date, piece, account.
TEST_F(Posting, MergesEqualLinesAndOrdersThem) {
    for (bool regrouper : {false, true}) {
        ListEcr list;
        list.Regrouper = regrouper;
        list.insert(Line("ODR", kMarch, "6", "215400", true, 10));
        list.insert(Line("INVR", kSituation, "2", "681120", true, 100, "Premier"));
        list.insert(Line("INVR", kSituation, "2", "281540", false, 150));
        list.insert(Line("INVR", kSituation, "2", "681120", true, 50, "Second"));
        list.insert(Line("INVR", kSituation, "2", "145000", true, 7));
        list.insert(Line("INVR", kSituation, "2", "145000", false, 7));
        list.insert(Line("INVR", kMarch, "4", "687250", true, 1));
        const std::vector<std::string> expected = {"4 D 687250 1 ",          "2 C 145000 7 ",
                                                   "2 D 145000 7 ",          "2 C 281540 150 ",
                                                   "2 D 681120 150 Premier", "6 D 215400 10 "};
        EXPECT_EQ(vktest::Lines(list), expected) << "Regrouper " << regrouper;
        ASSERT_EQ(list.TypesEcr.size(), 3u);
        EXPECT_EQ(list.TypesEcr[0].Journal, "ODR");  // in insertion order
        EXPECT_EQ(list.TypesEcr[1].Piece, "2");
        EXPECT_EQ(list.TypesEcr[2].Piece, "4");
    }
}

// An owner as InitPiece sees it: its type, identifier and calculated reference.
class Owner : public cVK_Primaire {
public:
    explicit Owner(unsigned id) : cVK_Primaire(id) {}
    bool BD_Inserer() override { return false; }
    bool BD_Update() override { return false; }
    bool BD_Supprimer(bool) override { return false; }
};

TEST(EntryPieces, InitPieceByKindAndOwner) {
    Owner exit(7), component(9), asset(3);
    exit.TypePrimaire = 2;
    component.TypePrimaire = 1;
    component.RefCalc = "41";
    asset.TypePrimaire = 0;
    struct Case {
        wchar_t kind;
        const cVK_Primaire* owner;
        unsigned number;
        const char* piece;
    } cases[] = {{L'3', nullptr, 0, "7-CP"}, {L'3', nullptr, 12, "3-12"}, {L'2', nullptr, 0, "2"},
                 {L'3', &exit, 0, "3-7"},    {L'3', &exit, 12, "3-7"},    {L'3', &component, 0, "7-CP41"},
                 {L'3', &asset, 0, "7-CP"},  {L'6', &exit, 5, "6"},       {L'7', nullptr, 0, "7"}};
    for (const Case& c : cases)
        EXPECT_EQ(InitPiece(c.kind, c.owner, c.number), c.piece)
            << "kind " << char(c.kind) << ", number " << c.number << ", owner type "
            << (c.owner ? c.owner->TypePrimaire : -1);
}

TEST_F(Posting, LineInitialisationByKind) {
    cEcrLigne line;
    InitEcrLigne(line, L'6', nullptr, nullptr);
    EXPECT_STREQ(line.Journal, "ODR");
    EXPECT_EQ(double(line.DateEcr), double(EncodeDate(2026, 1, 1)));
    EXPECT_STREQ(line.Piece, "6");
    InitEcrLigne(line, L'2', nullptr, nullptr);
    EXPECT_STREQ(line.Journal, "INVR");
    EXPECT_EQ(double(line.DateEcr), double(kSituation));
    EXPECT_STREQ(line.Piece, "2");
    cEcrLigne model = Line("ODR", kMarch, "3-4", "215400", true, 12, "Cession", EncodeDate(2026, 2, 1));
    InitEcrLigne(line, L'2', &model, nullptr);
    EXPECT_STREQ(line.Piece, "3-4");
    EXPECT_STREQ(line.Libelle, "Cession");
    EXPECT_EQ(double(line.DateEcrPrec), double(EncodeDate(2026, 2, 1)));
    EXPECT_EQ(line.Montant, CCurrency(12));
}

// The ledger receives one entry per identity, its piece without the kind and its origin "VK" + kind.
TEST_F(Posting, CreatesOneEntryPerIdentityWithPieceTexts) {
    ListEcr list;
    Pair(list, "ODR", kMarch, "3-12", "215400", "675200", 900, "Cession presse");
    Pair(list, "ODR", kMarch, "7-CP15", "215500", "675200", 40);
    Pair(list, "INVR", kSituation, "2", "281540", "681120", 100);
    ASSERT_TRUE(list.Creer());
    EXPECT_EQ(Identities(), (std::vector<std::string>{"ODR 2026-03-31 VK3-12", "ODR 2026-03-31 VK7-CP15",
                                                      "INVR 2026-12-31 VK2"}));
    const std::vector<EcritureCompta> ledger = ComptaLireEcritures();
    ASSERT_EQ(ledger[0].Lignes.size(), 2u);
    EXPECT_EQ(ledger[0].Piece, "-12");
    EXPECT_EQ(ledger[0].Origine, AssCodeOrigine('3'));
    EXPECT_EQ(ledger[0].Lignes[0].Compte, "215400");  // the list's order: credit line first
    EXPECT_EQ(ledger[0].Lignes[0].Libelle, "Cession presse");
    EXPECT_EQ(ledger[2].Piece, "");
}

// A created list's identities without lines record nothing and remove the recorded entries of
// those identities; creating the list twice leaves one set of its entries, cancelling removes them.
TEST_F(Posting, CreatingReplacesTheEntriesOfItsIdentitiesAndCancellingRemovesThem) {
    Record("INVR", kSituation, '2', "", 100);
    Record("INVR", kSituation, '5', "", 30);
    ListEcr list;
    for (const char* piece : {"2", "4", "5"})
        list.AjouteTypeEcr(Line("INVR", kSituation, piece, "", false, 0));
    ASSERT_TRUE(list.Creer());
    EXPECT_TRUE(Identities().empty());

    Record("INVR", kSituation, '1', "", 8);  // not named by the lists: stays
    Record("INVR", kSituation, '5', "", 30);
    ListEcr entries;
    entries.AjouteTypeEcr(Line("INVR", kSituation, "5", "", false, 0));
    Pair(entries, "INVR", kSituation, "2", "281540", "681120", 100);
    Pair(entries, "ODR", kMarch, "3-2", "215400", "675200", 50);
    ASSERT_TRUE(entries.Creer());
    ASSERT_TRUE(entries.Creer());
    const std::vector<std::string> created = {"ODR 2026-03-31 VK3-2", "INVR 2026-12-31 VK1",
                                              "INVR 2026-12-31 VK2"};
    EXPECT_EQ(Identities(), created);
    ASSERT_EQ(ComptaLireEcritures().back().Lignes.size(), 2u);
    ASSERT_TRUE(entries.Annuler());
    EXPECT_EQ(Identities(), std::vector<std::string>{"INVR 2026-12-31 VK1"});
}

// Exporting writes the file and touches nothing in the ledger: no cancellation of registered
// identities, no date check (a closed year's line exports without a word).
TEST_F(Posting, ExportNeverCancelsNorChecksDates) {
    Record("INVR", kSituation, '5', "", 30);
    ListEcr list;
    list.AjouteTypeEcr(Line("INVR", kSituation, "5", "", false, 0));
    Pair(list, "ODR", EncodeDate(2025, 6, 30), "3-1", "215400", "675200", 70, "", EncodeDate(2025, 5, 1));
    const std::string file = (engine.File().Directory() / "export.txt").string();
    AssSetFichierExport(file);
    ASSERT_TRUE(list.Exporter());
    EXPECT_EQ(Identities(), std::vector<std::string>{"INVR 2026-12-31 VK5"});
    EXPECT_TRUE(messages->informations.empty()) << messages->informations.front();
    EXPECT_FALSE(AssExportEnCours());
    std::ifstream in(file);
    std::string header, first;
    std::getline(in, header);
    std::getline(in, first);
    EXPECT_NE(first.find("20250630"), std::string::npos) << first;
}

// The entry made earlier at another date is cancelled just before the new one is opened; at the
// same date the new entry simply replaces it.
TEST_F(Posting, EarlierEntryCancelledWhenItsDateChanged) {
    const TDateTime before = EncodeDate(2026, 2, 28);
    Record("ODR", before, '3', "-12", 900);
    Record("ODR", kMarch, '3', "-13", 500);
    ListEcr list;
    Pair(list, "ODR", kMarch, "3-12", "215400", "675200", 800, "", before);
    Pair(list, "ODR", kMarch, "3-13", "215400", "675200", 400, "", kMarch);
    ASSERT_TRUE(list.Creer());
    EXPECT_EQ(Identities(), (std::vector<std::string>{"ODR 2026-03-31 VK3-12", "ODR 2026-03-31 VK3-13"}));
    EXPECT_EQ(ComptaLireEcritures()[1].Lignes[0].Montant, CCurrency(400));
}

// Lines of one piece that sort apart open the entry again: one entry per journal and date.
TEST_F(Posting, LinesOfOnePieceSortingApartMakeSeparateEntries) {
    ListEcr list;
    Pair(list, "ODR", kMarch, "3-9", "215400", "675200", 10);
    Pair(list, "INVR", kMarch, "3-9", "281540", "681120", 4);
    Pair(list, "ODR", kSituation, "3-9", "281540", "681120", 6);
    ASSERT_TRUE(list.Creer());
    EXPECT_EQ(Identities(), (std::vector<std::string>{"INVR 2026-03-31 VK3-9", "ODR 2026-03-31 VK3-9",
                                                      "ODR 2026-12-31 VK3-9"}));
    EXPECT_TRUE(vktest::UnbalancedEntries().empty());
}

// A date outside the open fiscal years (a closed year, a year never recorded, no date), whether on
// a line, as a line's earlier date or as a registered identity (D22), refuses the whole operation
// before anything changes.
TEST_F(Posting, RefusedDatesChangeNothing) {
    const TDateTime closed = EncodeDate(2025, 12, 31), unknown = EncodeDate(2027, 1, 31);
    struct Case {
        const char* what;
        cEcrLigne line;
        bool identityOnly;
    } cases[] = {
        {"line in a closed year", Line("INVR", closed, "2", "681120", true, 5), false},
        {"line in a year not recorded", Line("INVR", unknown, "2", "681120", true, 5), false},
        {"line without a date", Line("INVR", TDateTime(), "2", "681120", true, 5), false},
        {"earlier entry in a closed year", Line("ODR", kMarch, "3-1", "681120", true, 5, "", closed), false},
        {"identity in a closed year", Line("ODR", closed, "3-1", "", false, 0), true},
    };
    for (const Case& c : cases) {
        Record("INVR", kSituation, '2', "", 100);
        ListEcr list;
        Pair(list, "INVR", kSituation, "2", "281540", "681120", 5);
        list.AjouteTypeEcr(Line("INVR", kSituation, "4", "", false, 0));
        if (c.identityOnly) {
            list.AjouteTypeEcr(c.line);
        } else {
            cEcrLigne other = c.line;
            other.SetCompte("281540");
            other.Debit = false;
            list.insert(c.line);
            list.insert(other);
        }
        const size_t shown = messages->informations.size();
        EXPECT_FALSE(list.Creer()) << c.what;
        EXPECT_FALSE(list.Annuler()) << c.what;
        EXPECT_GT(messages->informations.size(), shown) << c.what << ": the refusal is explained";
        const std::vector<EcritureCompta> ledger = ComptaLireEcritures();
        ASSERT_EQ(ledger.size(), 1u) << c.what;
        EXPECT_EQ(ledger[0].Lignes[0].Montant, CCurrency(100)) << c.what << ": the entry was not replaced";
        EXPECT_FALSE(AssEcrEstOuverte()) << c.what;
    }
}

// An entry the library refuses to open for export ends the run and reports failure (D22).
TEST_F(Posting, RefusedExportOpenEndsTheRun) {
    ListEcr list;
    Pair(list, "INVR", TDateTime(), "2", "281540", "681120", 5);
    AssSetFichierExport((engine.File().Directory() / "refused.txt").string());
    EXPECT_FALSE(list.Exporter());
    EXPECT_FALSE(AssExportEnCours());
    EXPECT_FALSE(AssEcrEstOuverte());
}

// Labels keep at most 35 characters, cut on a character boundary; accounts at most 13 when asked.
TEST(EntryLine, TextFieldsAreCutToTheirCharacters) {
    cEcrLigne line;
    line.SetLibelle("Cession Échafaudage démontable à étages multiples");
    EXPECT_STREQ(line.Libelle, "Cession Échafaudage démontable à ét");
    line.SetCompte("21540000000000000", 13);
    EXPECT_STREQ(line.Compte, "2154000000000");
    line.SetJournal("JOURNAL");
    EXPECT_STREQ(line.Journal, "JOURN");
    line.Clear();
    EXPECT_STREQ(line.Libelle, "");
    EXPECT_EQ(line.Montant, CCurrency(0));
    EXPECT_FALSE(line.Debit);
}

}  // namespace
