#include "platform/environnement.h"

#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/db/sqltext.h"

namespace fs = std::filesystem;

TEnvironnement* pEnvironnement = nullptr;

namespace {

bool InUse(const EIBError& e) { return e.HasCode(ibcode::kLockedByOtherEngine); }

}  // namespace

void OuvrirBasePartagee(TIBDatabase& database, const UnicodeString& path, bool create, unsigned timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        try {
            std::error_code ignored;
            if (create && !fs::exists(path, ignored))
                database.Create(path);
            else
                database.Open(path);
            return;
        } catch (const EIBError& e) {
            if (!InUse(e) || std::chrono::steady_clock::now() >= deadline) {
                if (InUse(e))
                    throw EIBError("La base " + path + " est utilisée par un autre programme", e.SQLCode, e.Codes, e.SQL);
                throw;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

UnicodeString TEnvironnement::RepertoireParDefaut() {
    if (const char* env = std::getenv("VK_ENV"); env && *env) return env;
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* pw = getpwuid(getuid());
        home = pw ? pw->pw_dir : "/tmp";
    }
    return (fs::path(home) / ".local" / "share" / "vkhost").string();
}

std::unique_ptr<TEnvironnement> TEnvironnement::Ouvrir(const UnicodeString& directory, const UnicodeString& user) {
    std::unique_ptr<TEnvironnement> environment(new TEnvironnement(fs::absolute(directory).string()));
    environment->Utilisateur = user;
    for (int kind : {kRepertoireBases, kRepertoireCommun}) {
        std::error_code error;
        fs::create_directories(environment->NomFichier2(kind), error);
        if (error) throw Exception("Impossible de créer le répertoire " + environment->NomFichier2(kind));
    }
    std::error_code ignored;
    fs::permissions(environment->directory_, fs::perms::owner_all, fs::perm_options::replace, ignored);
    return environment;
}

TEnvironnement::~TEnvironnement() {
    Abandonner();
    if (pEnvironnement == this) pEnvironnement = nullptr;
}

UnicodeString TEnvironnement::NomFichier2(int kind) const {
    switch (kind) {
        case kRepertoireCommun:
            return (fs::path(directory_) / "commun").string();
        case kRepertoireBases:
            return (fs::path(directory_) / "bases").string();
        default:
            return directory_;
    }
}

UnicodeString TEnvironnement::CheminAlias(const UnicodeString& alias) const {
    int kind = sqltext::Upper(alias) == "OKT_COMMUN" ? kRepertoireCommun : kRepertoireBases;
    return (fs::path(NomFichier2(kind)) / (sqltext::Upper(alias) + ".fdb")).string();
}

TIBDatabase* TEnvironnement::Attach(const UnicodeString& key, const UnicodeString& path, bool create) {
    auto found = databases_.find(key);
    if (found != databases_.end() && found->second->Connected()) return found->second.get();
    std::error_code ignored;
    if (!create && !fs::exists(path, ignored)) return nullptr;
    auto database = std::make_unique<TIBDatabase>();
    OuvrirBasePartagee(*database, path, create);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace, ignored);
    TIBDatabase* result = database.get();
    databases_[key] = std::move(database);
    return result;
}

TIBDatabase* TEnvironnement::GetDatabaseFirebird(eTTypeTable) {
    return Attach("", (fs::path(directory_) / "environnement.fdb").string(), true);
}

TIBDatabase* TEnvironnement::GetDatabaseAlias(const UnicodeString& alias, bool create) {
    return Attach(sqltext::Upper(alias), CheminAlias(alias), create);
}

bool TEnvironnement::TableExistFirebird(const UnicodeString& table, eTTypeTable kind) {
    TIBSQL query(GetDatabaseFirebird(kind));
    query.SQL.Add("SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME='" + sqltext::Upper(table) + "'");
    query.ExecQuery();
    return !query.Eof();
}

void TEnvironnement::ExecSQLFirebird(unsigned long, const UnicodeString& sql, bool, TIBTransaction* transaction,
                                     eTTypeTable kind) {
    TIBDatabase* database = GetDatabaseFirebird(kind);
    UnicodeString statement = sql;
    if (sqltext::StartsWith(sql, "CREATE TABLE") || sqltext::StartsWith(sql, "ALTER TABLE")) {
        statement = sqltext::ReplaceWord(statement, "AUTOINC", "INTEGER");
        statement = sqltext::ReplaceWord(statement, "BOOLEAN", "SMALLINT");
        database->ExecuteImmediate(statement, transaction);
        database->DefaultTransaction().CommitRetaining();  // a new table is usable once committed
        return;
    }
    database->ExecuteImmediate(statement, transaction);
}

void TEnvironnement::Liberer() {
    for (auto& [key, database] : databases_) {
        if (!database->Connected()) continue;
        database->DefaultTransaction().Commit();
        database->Close();
    }
    databases_.clear();
}

void TEnvironnement::Abandonner() {
    for (auto& [key, database] : databases_) {
        try {
            database->Close();
        } catch (...) {
        }
    }
    databases_.clear();
}
