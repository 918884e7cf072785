#include "platform/environnement.h"

#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/db/sqltext.h"
#include "platform/dossier.h"
#include "platform/serveur.h"

namespace fs = std::filesystem;

TEnvironnement* pEnvironnement = nullptr;

namespace {

bool InUse(const EIBError& e) {
    return e.HasCode(ibcode::kLockedByOtherEngine);
}

}  // namespace

void OuvrirBasePartagee(TIBDatabase& database, const UnicodeString& path, bool create, unsigned timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        try {
            std::error_code ignored;
            if (create && !fs::exists(path, ignored))
                database.Create(serveur::NomBase(path));
            else
                database.Open(serveur::NomBase(path));
            return;
        } catch (const EIBError& e) {
            if (!InUse(e) || std::chrono::steady_clock::now() >= deadline) {
                if (InUse(e))
                    throw EIBError("La base " + path + " est utilisée par un autre programme", e.SQLCode,
                                   e.Codes, e.SQL);
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

std::unique_ptr<TEnvironnement> TEnvironnement::Ouvrir(const UnicodeString& directory,
                                                       const UnicodeString& user) {
    std::unique_ptr<TEnvironnement> environment(new TEnvironnement(fs::absolute(directory).string()));
    environment->Utilisateur = user;
    // The environment and its directories are its owner's only, from their creation.
    for (int kind : {0, kRepertoireBases, kRepertoireCommun}) {
        std::error_code error;
        CreateOwnerOnlyDirectory(environment->NomFichier2(kind), error);
        if (error)
            throw Exception("Impossible de créer le répertoire " + environment->NomFichier2(kind) + " : " +
                            error.message());
    }
    environment->CreerBaseCommune();
    return environment;
}

void TEnvironnement::CreerBaseCommune() {
    const UnicodeString path = CheminAlias("OKT_COMMUN");
    std::error_code ignored;
    if (fs::exists(path, ignored)) return;
    // Periods of the declining-balance coefficients for durations of 3-4, 5-6 and over 6 years: tax
    // code art. 39 A, its temporary increase for 1 Feb 1996 to 31 Jan 1997 (art. 39 AA bis) and the
    // half-point increase for acquisitions from 4 Dec 2008 to 31 Dec 2009.
    static const char* const kCoefficients[] = {
        "(NULL,'1996-01-31',1.5,2,2.5)",
        "('1996-02-01','1997-01-31',2.5,3,3.5)",
        "('1997-02-01','2000-12-31',1.5,2,2.5)",
        "('2001-01-01','2008-12-03',1.25,1.75,2.25)",
        "('2008-12-04','2009-12-31',1.75,2.25,2.75)",
        "('2010-01-01',NULL,1.25,1.75,2.25)",
    };
    const UnicodeString temporary = path + ".creation." + std::to_string(getpid());
    fs::remove(temporary, ignored);
    {
        TIBDatabase database;
        database.Create(serveur::NomBase(temporary));
        database.ExecuteImmediate(
            "CREATE TABLE VKCOEF (DateDebut DATE,DateFin DATE,Coef_3_4 DECIMAL(18,4),Coef_5_6 DECIMAL(18,4),"
            "Coef_6 DECIMAL(18,4))");
        database.ExecuteImmediate("CREATE TABLE VKF (ID INTEGER NOT NULL PRIMARY KEY,Nom VARCHAR(60))");
        database.DefaultTransaction().Commit();
        for (const char* row : kCoefficients)
            database.ExecuteImmediate(
                UnicodeString("INSERT INTO VKCOEF (DateDebut,DateFin,Coef_3_4,Coef_5_6,Coef_6) VALUES ") +
                row);
        database.DefaultTransaction().Commit();
        database.Close();
    }
    // Renamed once complete, so that an interrupted creation never leaves a half-filled database.
    if (fs::exists(path, ignored))
        fs::remove(temporary, ignored);  // another process created it meanwhile
    else
        fs::rename(temporary, path);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace, ignored);
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
    UnicodeString name;  // a quote in the name stays inside the literal
    for (char c : sqltext::Upper(table)) name += c == '\'' ? UnicodeString("''") : UnicodeString(1, c);
    query.SQL.Add("SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME='" + name + "'");
    query.ExecQuery();
    return !query.Eof();
}

void TEnvironnement::ExecSQLFirebird(unsigned long, const UnicodeString& sql, bool,
                                     TIBTransaction* transaction, eTTypeTable kind) {
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
