// Two attachments changing the same row at once, in one process: the embedded engine in the normal
// run, the server when VK_SERVER names one. The second writer waits for the first; it is refused
// with a clear message naming the conflict as soon as the first commits, or when the lock time-out
// passes.
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "platform/db/ibx.h"
#include "platform/serveur.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class LockConflict : public testing::Test {
protected:
    void SetUp() override {
        first_.Create(Name());
        first_.ExecuteImmediate("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, V INTEGER)");
        first_.DefaultTransaction().Commit();
        first_.ExecuteImmediate("INSERT INTO T (ID, V) VALUES (1, 0)");
        first_.DefaultTransaction().Commit();
    }
    std::string Name() const { return serveur::NomBase(dir_ / "conflict.fdb"); }
    int Value(TIBDatabase& database) {
        TIBSQL sql(&database);
        sql.SQL.Add("SELECT V FROM T WHERE ID=1");
        sql.ExecQuery();
        const int value = sql.Fields(0)->AsInteger();
        sql.Close();
        database.DefaultTransaction().Commit();
        return value;
    }

    // The second writer, in its own thread: its error (if any) and how long it waited.
    struct Outcome {
        std::optional<EIBError> error;
        Clock::duration waited{};
    };
    std::future<Outcome> SecondWriter(unsigned lockTimeoutSeconds) {
        IBConnectOptions options;
        options.lockTimeoutSeconds = lockTimeoutSeconds;
        second_.Open(Name(), options);
        second_.DefaultTransaction().StartTransaction();  // its snapshot is taken before the first commits
        return std::async(std::launch::async, [this] {
            Outcome outcome;
            const auto start = Clock::now();
            try {
                second_.ExecuteImmediate("UPDATE T SET V=2 WHERE ID=1");
                second_.DefaultTransaction().Commit();
            } catch (const EIBError& e) {
                outcome.error = e;
                second_.DefaultTransaction().Rollback();
            }
            outcome.waited = Clock::now() - start;
            return outcome;
        });
    }

    vktest::TempDir dir_{"vklock"};
    TIBDatabase first_, second_;
};

TEST_F(LockConflict, TheSecondWriterIsRefusedWhenTheFirstCommits) {
    first_.ExecuteImmediate("UPDATE T SET V=1 WHERE ID=1");
    std::future<Outcome> second = SecondWriter(10);
    ASSERT_EQ(second.wait_for(500ms), std::future_status::timeout) << "the second writer waits for the row";
    first_.DefaultTransaction().Commit();
    ASSERT_EQ(second.wait_for(5s), std::future_status::ready);
    Outcome outcome = second.get();
    ASSERT_TRUE(outcome.error) << "both writers succeeded";
    EXPECT_TRUE(outcome.error->IsLockConflict()) << outcome.error->Message;
    EXPECT_TRUE(outcome.error->HasCode(ibcode::kUpdateConflict)) << outcome.error->Message;
    EXPECT_NE(outcome.error->Message.find("Conflit d'accès : un autre utilisateur modifie les mêmes données"),
              std::string::npos)
        << outcome.error->Message;
    EXPECT_EQ(Value(first_), 1) << "the first writer's change is kept";
    EXPECT_EQ(Value(second_), 1);
}

TEST_F(LockConflict, TheSecondWriterGoesThroughWhenTheFirstRollsBack) {
    first_.ExecuteImmediate("UPDATE T SET V=1 WHERE ID=1");
    std::future<Outcome> second = SecondWriter(10);
    ASSERT_EQ(second.wait_for(500ms), std::future_status::timeout);
    first_.DefaultTransaction().Rollback();
    ASSERT_EQ(second.wait_for(5s), std::future_status::ready);
    Outcome outcome = second.get();
    EXPECT_FALSE(outcome.error) << outcome.error->Message;
    EXPECT_EQ(Value(first_), 2);
}

TEST_F(LockConflict, TheSecondWriterGivesUpAfterTheLockTimeOut) {
    first_.ExecuteImmediate("UPDATE T SET V=1 WHERE ID=1");
    // The default is 10 s: 2 s keeps the test short. Firebird counts the time-out in whole seconds,
    // checked about once a second.
    std::future<Outcome> second = SecondWriter(2);
    ASSERT_EQ(second.wait_for(6s), std::future_status::ready) << "still waiting after 6 s";
    Outcome outcome = second.get();
    ASSERT_TRUE(outcome.error);
    // Firebird reports a wait for a row that ends with the time-out as an update conflict too.
    EXPECT_TRUE(outcome.error->IsLockConflict()) << outcome.error->Message;
    EXPECT_NE(outcome.error->Message.find("Conflit d'accès"), std::string::npos) << outcome.error->Message;
    EXPECT_GE(outcome.waited, 1s);
    first_.DefaultTransaction().Commit();
    EXPECT_EQ(Value(first_), 1);
}

}  // namespace
