// The columns of a table, kept by the database object until its structure changes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/db/ibx.h"
#include "tests/support/temp_dir.h"

namespace {

std::vector<std::string> Names(const IBColumns& columns) {
    std::vector<std::string> names;
    for (const IBColumn& column : *columns) names.push_back(column.upperName);
    return names;
}

class TableColumns : public testing::Test {
protected:
    void SetUp() override {
        db_.Create(dir_ / "columns.fdb");
        db_.ExecuteImmediate("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, REF_SAIS VARCHAR(20))");
        db_.DefaultTransaction().Commit();
    }

    vktest::TempDir dir_{"vkcolumns"};
    TIBDatabase db_;
};

TEST_F(TableColumns, KeptUntilTheStructureChanges) {
    EXPECT_EQ(Names(db_.TableColumns("T")), (std::vector<std::string>{"ID", "REF_SAIS"}));
    const uint64_t prepares = db_.Stats().prepares;
    EXPECT_EQ(Names(db_.TableColumns("T")), (std::vector<std::string>{"ID", "REF_SAIS"}));
    EXPECT_EQ(db_.Stats().prepares, prepares) << "the second answer must come from what was kept";

    // A column added is seen at once: a kept answer would hide it from the next new row.
    db_.ExecuteImmediate("ALTER TABLE T ADD DESIGNATION VARCHAR(40)");
    db_.DefaultTransaction().Commit();
    EXPECT_EQ(Names(db_.TableColumns("T")), (std::vector<std::string>{"ID", "REF_SAIS", "DESIGNATION"}));
}

TEST_F(TableColumns, AnUnknownTableIsAnErrorAndNotKept) {
    EXPECT_THROW(db_.TableColumns("ABSENTE"), EIBError);
    db_.ExecuteImmediate("CREATE TABLE ABSENTE (X INTEGER)");
    db_.DefaultTransaction().Commit();
    EXPECT_EQ(Names(db_.TableColumns("ABSENTE")), (std::vector<std::string>{"X"}));
}

}  // namespace
