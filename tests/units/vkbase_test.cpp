// The persistent object base, through a small persistent class of its own, in both kinds of
// database.
#include <fmt/format.h>

#include <string>
#include <vector>

#include "tests/support/case_fixture.h"
#include "units/uvkdivers.h"
#include "units/vkbase.h"

namespace {

// A minimal stored object with references, as the register's classes are.
class Item : public cVK_Primaire {
public:
    static void CreerBase(const UnicodeString& base) {
        const UnicodeString name = GetNomTableBase("VKX", base);
        const UnicodeString nn = base.empty() ? " NOT NULL," : ",";
        if (VK_CreateTable(1, "VKX",
                           "CREATE TABLE " + name + "(ID_X AUTOINC" + nn + "REF_CALC INTEGER" + nn +
                               "REF_SAIS VARCHAR(10),DESIGNATION VARCHAR(60),PRIMARY KEY(ID_X))",
                           base) &&
            base.empty()) {
            pCurDossier->CreeAutoIncFirebird(name, "ID_X", true);
            pCurDossier->CreeAutoIncFirebird(name, "REF_CALC", false);
        }
    }

    Item(unsigned id, const UnicodeString& base) : cVK_Primaire(id), base_(base) {
        if (id == 0) {
            InitNouvelEnregistrement(Table(), "REF_CALC", base_);
            return;
        }
        auto row =
            VK_InitDataset(1, "SELECT * FROM " + Table() + " WHERE ID_X=" + VK_Format_ID(id), true, base_);
        row->Open();
        Init(row.get());
    }

    bool BD_Inserer() override {
        if (!VK_ExecSQL(1,
                        "INSERT INTO " + Table() + "(REF_CALC,REF_SAIS,DESIGNATION)VALUES (" + GetRefCalc() +
                            "," + VK_FormatAS(RefSais) + "," + VK_FormatAS(Designation) + ")",
                        base_))
            return false;
        RelitID(Table(), "ID_X", base_);
        return true;
    }
    bool BD_Update() override {
        return VK_ExecSQL(1,
                          "UPDATE " + Table() + " SET REF_SAIS=" + VK_FormatAS(RefSais) +
                              ",DESIGNATION=" + VK_FormatAS(Designation) + " WHERE ID_X=" + VK_Format_ID(ID),
                          base_);
    }
    bool BD_Supprimer(bool) override { return false; }
    UnicodeString Table() const { return GetNomTableBase("VKX", base_); }

private:
    UnicodeString base_;
};

class ObjectBase : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        Item::CreerBase(GetParam());
        caseFile.Commit();
    }
    UnicodeString Base() const { return GetParam(); }
    vktest::CaseFile caseFile;
};

INSTANTIATE_TEST_SUITE_P(Kinds, ObjectBase, ::testing::Values("", "OKT_DOSSIER"),
                         [](const auto& info) { return std::string(*info.param ? "Named" : "CaseFile"); });

TEST_P(ObjectBase, SaveInsertsThenUpdatesTheSameRow) {
    Item item(0, Base());
    ASSERT_FALSE(item.RefCalc.empty());
    EXPECT_EQ(item.ID, 0u);
    item.Designation = "Presse";
    item.Modifie();
    ASSERT_TRUE(item.BD_MAJ());
    EXPECT_NE(item.ID, 0u);
    EXPECT_FALSE(item.EstModifie);
    const unsigned id = item.ID;
    item.Designation = "Presse hydraulique";
    ASSERT_TRUE(item.BD_MAJ());
    EXPECT_EQ(item.ID, id);
    EXPECT_EQ(caseFile.Count(item.Table(), "", Base()), 1);
    Item reread(id, Base());
    EXPECT_EQ(reread.Designation, "Presse hydraulique");
    EXPECT_EQ(reread.RefCalc, item.RefCalc);
    EXPECT_EQ(reread.RefSais, "");  // a null column is empty, never the word NULL
}

TEST_P(ObjectBase, AFailedInsertLeavesNoIdentityAndStaysModified) {
    Item item(0, Base());
    item.RefSais = "TROP LONGUE REFERENCE";  // longer than the column: the database refuses it
    item.Modifie();
    vktest::Messages messages;
    EXPECT_FALSE(item.BD_MAJ());
    EXPECT_EQ(item.ID, 0u);
    EXPECT_TRUE(item.EstModifie);
    EXPECT_EQ(messages->exceptions.size(), 1u);
}

TEST(ObjectBaseReferences, ShownReferenceAndCopies) {
    vktest::CaseFile caseFile;
    Item::CreerBase("");
    caseFile.Commit();
    Item a(0, ""), b(0, "");
    a.RefSais = "A-1";
    a.Designation = "Tour";
    EXPECT_EQ(a.GetReference(), "A-1");
    EXPECT_EQ(b.GetReference(), b.RefCalc);
    b.ID = 77;
    const UnicodeString ownCalc = b.RefCalc;
    b.Assign(&a);
    EXPECT_EQ(b.ID, 77u);
    EXPECT_EQ(b.RefCalc, ownCalc);
    EXPECT_EQ(b.RefSais, "A-1");
    EXPECT_EQ(b.Designation, "Tour");
    b.TypePrimaire = 3;  // a group shows its identifier whatever it holds
    b.ID = 42;
    EXPECT_EQ(b.GetRefCalc(), "42");
    b.TypePrimaire = 7;
    EXPECT_EQ(b.GetRefCalc(), "");
}

// The numbers the sequence gives next are entered by users on other rows before the object is
// created: each one the sequence draws is skipped, and the object takes the first free one. The
// entered references are relative to the sequence's current value c (c+1 is what it draws next).
TEST(ObjectBaseReferences, CaseFileCollisionSkipsToTheNextDrawnNumber) {
    struct Case {
        const char* what;
        std::vector<int> entered;  // offsets from c
        int expected;              // offset of the reference drawn
    } cases[] = {
        {"no collision", {5}, 1},
        {"the next number was entered", {1}, 2},
        {"the next three numbers were entered", {1, 2, 3}, 4},
        {"a gap between two entered numbers", {1, 3}, 2},
    };
    for (const Case& c : cases) {
        vktest::CaseFile caseFile;
        Item::CreerBase("");
        caseFile.Commit();
        const long long current =
            std::stoll(caseFile.Scalar("SELECT GEN_ID(G_ZENKOVKX_REF_CALC, 0) FROM RDB$DATABASE"));
        for (int offset : c.entered)
            caseFile.Database().ExecuteImmediate(
                fmt::format("INSERT INTO ZENKOVKX(REF_CALC,REF_SAIS)VALUES(0,'{}')", current + offset));
        Item fresh(0, "");
        EXPECT_EQ(fresh.RefCalc, fmt::format("{}", current + c.expected))
            << c.what << " (sequence at " << current << ")";
    }
}

TEST(ObjectBaseReferences, NamedDatabaseCandidateAdvancesPastEnteredReferences) {
    vktest::CaseFile caseFile;
    Item::CreerBase("OKT_DOSSIER");
    Item first(0, "OKT_DOSSIER");
    EXPECT_EQ(first.RefCalc, "1");  // an empty table starts at 1
    first.RefSais = "2";
    ASSERT_TRUE(first.BD_MAJ());
    Item second(0, "OKT_DOSSIER");  // maximum 1, candidate 2 collides with the entered "2"
    EXPECT_EQ(second.RefCalc, "3");
}

}  // namespace
