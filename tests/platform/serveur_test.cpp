// How databases are named on a Firebird server: VK_SERVER read and checked, local files turned into
// server names, credentials taken from the environment only.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/dossier.h"
#include "platform/serveur.h"
#include "tests/support/case_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

// Sets (or removes, for nullptr) an environment variable while it lives.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) previous_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedVariable() { previous_ ? setenv(name_, previous_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> previous_;
};

TEST(Serveur, NamesOfLocalFilesWithAndWithoutAServer) {
    struct Case {
        const char* server;
        const char* path;
        const char* expected;
    } cases[] = {
        {nullptr, "/srv/dossiers/martin/dossier.fdb", "/srv/dossiers/martin/dossier.fdb"},
        {"", "/srv/dossiers/martin/dossier.fdb", "/srv/dossiers/martin/dossier.fdb"},
        {"localhost", "/srv/dossiers/martin/dossier.fdb", "localhost:/srv/dossiers/martin/dossier.fdb"},
        {"127.0.0.1/3051", "/srv/dossiers/martin/../dupont/dossier.fdb",
         "127.0.0.1/3051:/srv/dossiers/dupont/dossier.fdb"},
        {"fb-serveur.cabinet.local/3050", "/a.fdb", "fb-serveur.cabinet.local/3050:/a.fdb"},
        // A name that already reaches a server stays as it is.
        {"localhost/3051", "autre/3050:/b.fdb", "autre/3050:/b.fdb"}};
    for (const Case& c : cases) {
        ScopedVariable server("VK_SERVER", c.server);
        EXPECT_EQ(serveur::NomBase(c.path), c.expected) << "VK_SERVER=" << (c.server ? c.server : "(unset)");
        EXPECT_EQ(serveur::Fichier(serveur::NomBase(c.path)), serveur::Fichier(c.expected));
    }
    ScopedVariable server("VK_SERVER", "localhost/3051");
    EXPECT_EQ(serveur::NomBase("relative/x.fdb"),
              "localhost/3051:" + (std::filesystem::current_path() / "relative/x.fdb").string());
    EXPECT_EQ(serveur::Fichier("localhost/3051:/srv/x.fdb"), "/srv/x.fdb");
}

TEST(Serveur, MalformedServerNamesAreRefused) {
    for (const char* bad : {"localhost:3050", "localhost/", "/3050", "localhost/port", "localhost/70000",
                            "hôte", "a b", "localhost/3050/1"}) {
        ScopedVariable server("VK_SERVER", bad);
        try {
            serveur::NomBase("/a.fdb");
            ADD_FAILURE() << bad << " accepted";
        } catch (const Exception& e) {
            EXPECT_NE(e.Message.find("VK_SERVER"), std::string::npos) << e.Message;
        }
    }
}

TEST(Serveur, AServerDatabaseNeedsTheCredentialsOfTheEnvironment) {
    // Refused before any connection is tried: nothing is sent without a user and a password.
    for (auto [user, password] : {std::pair<const char*, const char*>{nullptr, "x"},
                                  {"SYSDBA", nullptr},
                                  {nullptr, nullptr},
                                  {"SYSDBA", ""}}) {
        ScopedVariable u("ISC_USER", user), p("ISC_PASSWORD", password);
        TIBDatabase database;
        try {
            database.Open("127.0.0.1/1:/nowhere/dossier.fdb");
            ADD_FAILURE() << "opened";
        } catch (const EIBError& e) {
            EXPECT_NE(e.Message.find("ISC_USER et ISC_PASSWORD"), std::string::npos) << e.Message;
            EXPECT_TRUE(e.Codes.empty()) << "no Firebird call was made: " << e.Message;
        }
    }
}

TEST(Serveur, ACaseFileWhoseServerCannotBeReachedLeavesNothingBehind) {
    vktest::TempDir root;
    ScopedVariable server("VK_SERVER", "127.0.0.1/1");  // nothing listens on port 1
    ScopedVariable u("ISC_USER", "SYSDBA"), p("ISC_PASSWORD", "inconnu");
    EXPECT_THROW(CDossier::Creer(root / "dossier", vktest::CalendarYears(2024, 2, 2025)), EIBError);
    EXPECT_FALSE(std::filesystem::exists(root / "dossier"));
}

}  // namespace
