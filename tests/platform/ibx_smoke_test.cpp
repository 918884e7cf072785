#include <gtest/gtest.h>
#include <filesystem>
#include "platform/db/ibx.h"

TEST(IbxSmoke, CreateInsertSelect) {
    auto path = std::filesystem::temp_directory_path() / "vk_smoke.fdb";
    std::filesystem::remove(path);
    TIBDatabase db;
    db.Create(path.string());
    db.ExecuteImmediate("CREATE TABLE T (ID INTEGER, A DECIMAL(18,4), S VARCHAR(32000), D DATE, B BOOLEAN)");
    db.DefaultTransaction().Commit();
    db.ExecuteImmediate("INSERT INTO T VALUES (1, 12.3456, 'l''été; DROP', '2024-12-31', 'true')");
    TIBQuery q(&db);
    q.SQL.Add("SELECT * FROM T");
    q.Open();
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(q.FieldByName("A")->AsCurrency().Count(), 123456);
    EXPECT_EQ(q.FieldByName("S")->AsString(), "l'été; DROP");
    EXPECT_EQ(q.FieldByName("D")->AsString(), "2024-12-31");
    EXPECT_TRUE(q.FieldByName("B")->AsBoolean());
    EXPECT_EQ(q.RecordCount(), 1);
    q.Close();
    db.Drop();
}
