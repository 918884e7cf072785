/// @file
/// The user's environment: who works, where the shared databases live.
///
/// An environment is a directory, given by the host (option, or VK_ENV, or a per-user default):
///  - "commun/"  (NomFichier2(0x3000000)): the common database shared by every case file;
///  - "bases/"   (NomFichier2(0x1000000)): the other named databases, one file per alias;
///  - "environnement.fdb": the environment's own database (temporary report tables).
/// Other processes may use the same environment, so its databases are attached only while they are
/// used: Liberer() detaches them (the host calls it at the end of each action). With VK_SERVER
/// (platform/serveur.h) they are attached through that Firebird server, their files staying where
/// they are.
#pragma once

#include <map>
#include <memory>

#include "platform/db/ibx.h"

/// Which database a table lives in.
enum eTTypeTable {
    ttDossier = 0,       ///< the open case file's
    ttCommun = 1,        ///< the common database of the environment
    ttEnvironnement = 2  ///< the environment's own database
};

/// The environment a session works in (vk::Session opens it): its directory, its user, its
/// databases attached on demand.
class TEnvironnement {
public:
    static constexpr int kRepertoireBases = 0x1000000;   ///< NomFichier2(): the named databases' directory
    static constexpr int kRepertoireCommun = 0x3000000;  ///< NomFichier2(): the common database's directory

    /// Opens an environment directory for `user`, creating it (owner-only) and its common database
    /// when missing; raises on failure.
    static std::unique_ptr<TEnvironnement> Ouvrir(const UnicodeString& directory, const UnicodeString& user);
    /// The directory to use when the host names none: $VK_ENV, else ~/.local/share/vkhost.
    static UnicodeString RepertoireParDefaut();
    ~TEnvironnement();

    UnicodeString Utilisateur;  ///< the current user's name
    /// The environment's directory.
    const UnicodeString& Repertoire() const { return directory_; }
    /// The directory of `kind` (kRepertoireCommun, kRepertoireBases), else the environment's own.
    UnicodeString NomFichier2(int kind) const;

    /// Whether `table` exists in the database of `kind`.
    bool TableExistFirebird(const UnicodeString& table, eTTypeTable kind);
    /// Runs one statement on the database of `kind`; a CREATE or ALTER TABLE is committed at once
    /// (a new table is usable only then). Raises EIBError. `code` and `dataChange` are unused.
    void ExecSQLFirebird(unsigned long code, const UnicodeString& sql, bool dataChange,
                         TIBTransaction* transaction, eTTypeTable kind);
    /// The database of `kind` (the environment's own by default), attached on demand.
    TIBDatabase* GetDatabaseFirebird(eTTypeTable kind = ttEnvironnement);
    /// The database of a named alias ("OKT_COMMUN" in the common directory, any other in the bases
    /// directory), attached on demand; created empty when `create` and missing, else nullptr when
    /// missing.
    TIBDatabase* GetDatabaseAlias(const UnicodeString& alias, bool create);
    /// The file of a named alias's database: ALIAS.fdb (upper case) in its directory.
    UnicodeString CheminAlias(const UnicodeString& alias) const;
    /// Commits and detaches every database of the environment.
    void Liberer();
    /// Rolls back and detaches every database of the environment.
    void Abandonner();

    /// Creates the common database when missing: the declining-balance coefficients ("VKCOEF") and
    /// an empty table of asset families ("VKF").
    void CreerBaseCommune();

private:
    explicit TEnvironnement(const UnicodeString& directory) : directory_(directory) {}
    TIBDatabase* Attach(const UnicodeString& key, const UnicodeString& path, bool create);

    UnicodeString directory_;
    std::map<UnicodeString, std::unique_ptr<TIBDatabase>> databases_;
};

/// The environment the engine works in; set by vk::Session for its lifetime.
extern TEnvironnement* pEnvironnement;

/// Attaches a database that another process may hold for a moment: retries while it is in use, up
/// to the given time; then raises an EIBError saying so. `path` is the local file, attached through
/// the server VK_SERVER names when it is set.
void OuvrirBasePartagee(TIBDatabase& database, const UnicodeString& path, bool create,
                        unsigned timeoutMs = 10000);
