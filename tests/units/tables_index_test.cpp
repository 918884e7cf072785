// The lookups made while creating assets go through an index, in new case files and in case files
// made before the index existed: without one, each creation reads the whole table and a register of
// N assets takes a time in N squared.
#include "tests/support/engine_fixture.h"
#include "units/uvkdivers.h"
#include "units/uvktables.h"

namespace {

// Indexes of the case file whose first column is `column` of `table`.
int IndexesLeadingWith(vktest::CaseFile& file, const std::string& table, const std::string& column) {
    return std::stoi(file.Scalar(
        "SELECT COUNT(*) FROM RDB$INDICES I JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME=I.RDB$INDEX_NAME "
        "WHERE I.RDB$RELATION_NAME='" +
        table + "' AND S.RDB$FIELD_NAME='" + column + "' AND S.RDB$FIELD_POSITION=0"));
}

struct IndexedLookup {
    const char* table;
    const char* column;
    const char* index;  // the name a case file made by an older version lacks
};

const IndexedLookup kLookups[] = {
    {"ZENKOVKB", "REF_SAIS", "IDX_VKB_REF_SAIS"},  // a new asset's reference against entered ones
    {"ZENKOVKC", "REF_SAIS", "IDX_VKC_REF_SAIS"},  // a new component's, likewise
    {"ZENKOVKB", "REF_CALC", "IDX_VKB_REF_CALC"},  // every version of an asset by its reference
};

TEST(TableIndexes, NewCaseFilesHaveThemAndOlderOnesGetThemBack) {
    vktest::CaseFile file;
    vktest::CreateEngineTables();
    for (const IndexedLookup& lookup : kLookups) {
        EXPECT_EQ(IndexesLeadingWith(file, lookup.table, lookup.column), 1)
            << lookup.table << "." << lookup.column << ": a new case file has its index";
        ASSERT_TRUE(VK_ExecSQL(0, std::string("DROP INDEX ") + lookup.index, ""));
    }
    file.Commit();
    ASSERT_TRUE(VK_CreerIndex());
    ASSERT_TRUE(VK_CreerIndex());
    for (const IndexedLookup& lookup : kLookups)
        EXPECT_EQ(IndexesLeadingWith(file, lookup.table, lookup.column), 1)
            << lookup.table << "." << lookup.column;
}

}  // namespace
