/// @file
/// The open client case file (one company): its Firebird database, its fiscal years, its tax regime,
/// its account length and its settings file.
///
/// A case file is a directory holding:
///  - "dossier.fdb", the company's Firebird database (or, when the settings file's [Dossier] Base key
///    names one, a database served by a Firebird server, "host:path" or "host/port:path", reached
///    with the credentials ISC_USER and ISC_PASSWORD of the environment);
///  - "dossier.ini", the settings file; section "VK" holds the engine's settings.
/// The company's data (legal name, SIREN, tax regime, account length, current fiscal year, situation date)
/// and the fiscal years live in the database, in the case-file library's own tables "DOSSIER" and
/// "EXERCICES", so that they change in the same transaction as the register.
///
/// Fiscal years are numbered relative to the current one: 0 current, -1 the previous, 1 the next.
/// Before the first and after the last recorded year, 12-month years are extrapolated, so that every
/// date has a fiscal year (a negative number simply means an earlier year).
#pragma once

#include <memory>
#include <system_error>
#include <vector>

#include "platform/datetime.h"
#include "platform/db/ibx.h"
#include "platform/inifile.h"

/// One fiscal year of a case file.
struct ExerciceFiscal {
    TDateTime Debut;       ///< its first day
    TDateTime Fin;         ///< its last day
    bool Cloture = false;  ///< whether it is closed
};

/// What a new case file starts with.
struct ParametresDossier {
    UnicodeString RaisonSociale = "Demo";   ///< the company's legal name
    UnicodeString Siren;                    ///< empty: not known yet; else 9 digits (SirenValide)
    std::vector<ExerciceFiscal> Exercices;  ///< in order, contiguous
    TDateTime DebutExerciceCourant;         ///< start of one of the recorded years
    TDateTime DateSituation;                ///< null: end of the current year
    int RegimeFiscal = 1;                   ///< 2: corporate income tax
    int RegimeFiscalSecondaire = 0;         ///< 0: same as RegimeFiscal
    int LongueurCompte = 6;                 ///< the length account numbers are completed to
    UnicodeString Base;                     ///< empty: "dossier.fdb" in the directory
};

/// A case file or a place for one that the user named wrongly (no case file there, a directory that
/// is not empty, settings that name a database elsewhere): the user's input is wrong.
class EDossier : public Exception {
public:
    using Exception::Exception;
};

/// A case file that cannot be reached now although it was named rightly: in use by another program,
/// damaged or unreadable, on a server that does not answer. Carries the location code of the place
/// that found it.
class EDossierInaccessible : public EDossier {
public:
    /// `message`, found at `code`.
    EDossierInaccessible(unsigned long code, const UnicodeString& message) : EDossier(message), Code(code) {}
    unsigned long Code;  ///< the location code
};

/// The open case file (vk::Session opens it): its database, its company data and fiscal years,
/// its settings file.
class CDossier {
public:
    static constexpr const char* kNomBase = "dossier.fdb";  ///< the database's file in the directory
    static constexpr const char* kNomIni = "dossier.ini";   ///< the settings file in the directory

    /// Creates a case file in a directory that does not exist or is empty; refuses a directory that
    /// already holds one. The tables of the case-file library are created and committed.
    static std::unique_ptr<CDossier> Creer(const UnicodeString& directory,
                                           const ParametresDossier& parametres);
    /// Opens an existing case file; raises EDossier with a clear message when it cannot.
    static std::unique_ptr<CDossier> Ouvrir(const UnicodeString& directory);
    /// Whether the directory holds a case file (its settings file or its database).
    static bool Existe(const UnicodeString& directory);
    ~CDossier();

    /// The case file's directory.
    const UnicodeString& Repertoire() const { return directory_; }
    /// The name of the database opened: the directory's "dossier.fdb", or a served "host:path".
    UnicodeString NomBase() const { return CheminBase(); }

    /// @name What the engine uses
    /// @{

    /// The case file's database.
    TIBDatabase* GetDatabaseFirebird() { return &database_; }
    /// Runs one statement on the case file's database. A CREATE TABLE or ALTER TABLE has its type
    /// names "AUTOINC" and "BOOLEAN" turned into INTEGER and SMALLINT first (the engine writes and
    /// tests booleans as 0 and 1 here). Raises EIBError. `code` and `dataChange` are unused.
    void ExecSQLFirebird(unsigned long code, const UnicodeString& sql, bool dataChange,
                         TIBTransaction* transaction);
    /// Whether `table` exists in the case file's database.
    bool TableExistFirebird(const UnicodeString& table);
    /// Gives a column a sequence; with fillOnInsert, a trigger fills it when an insert leaves it
    /// empty and records, for this attachment, the value the row received.
    void CreeAutoIncFirebird(const UnicodeString& table, const UnicodeString& column, bool fillOnInsert);
    /// With draw true: a new value of the column's sequence, different at each call.
    /// With draw false: the value the last insert of this attachment gave the column (0 if none).
    int RecupAutoIncFirebird(const UnicodeString& table, const UnicodeString& column, bool draw);
    /// The number of the fiscal year holding `date` (0 the current one, -1 the previous...);
    /// outside the recorded years, 12-month years are extrapolated. `extrapolate` is unused.
    long DonnerExercice(const TDateTime& date, bool extrapolate = true) const;
    /// The first and last day of the fiscal year numbered `exercice` (as DonnerExercice numbers
    /// them) into `debut` and `fin`.
    void DonnerDatesDebEtFin(long exercice, bool, TDateTime* debut, TDateTime* fin) const;
    /// The account number completed with zeros to the case file's account length; a longer account
    /// keeps its text.
    UnicodeString DossierCompleteCompte(const UnicodeString& account, bool = true) const;
    /// Whether the company pays corporate income tax (RegimeFiscal 2).
    bool DossierIS() const { return RegimeFiscal == 2; }

    int RegimeFiscal = 1;            ///< the tax regime: 2 corporate income tax
    int RegimeFiscalSecondaire = 1;  ///< the second tax regime
    int LongueurCompte = 6;          ///< the length account numbers are completed to
    TDateTime DateDebutExercice;     ///< the current fiscal year's first day
    TDateTime DateFinExercice;       ///< the current fiscal year's last day
    TDateTime DateSituation;         ///< the date the engine computes at, in the current year
    UnicodeString RaisonSociale;     ///< the company's legal name
    UnicodeString Siren;             ///< the SIREN; empty when the case file does not record it
    /// The settings file (dossier.ini).
    StaticFichierINI* FichierINI() { return ini_.get(); }
    /// @}

    /// @name What the host uses
    /// @{

    /// The recorded fiscal years, in order.
    const std::vector<ExerciceFiscal>& Exercices() const { return exercices_; }
    /// Closes the current year and makes the next one current (recording it when missing: ending
    /// on `finSuivant` when given, else 12 months long); the situation date becomes the new year's
    /// end. A next year already recorded with another end than `finSuivant` raises EDossier and
    /// changes nothing. In the default transaction.
    void PasserExerciceSuivant(const TDateTime* finSuivant = nullptr);
    /// Sets the situation date, which must fall in the current year (else raises EDossier).
    void SetDateSituation(const TDateTime& date);
    /// Records the company's SIREN (empty: none); raises EDossier naming the field when it is not one.
    void SetSiren(const UnicodeString& siren);
    /// Whether the date falls in a recorded fiscal year that is not closed.
    bool DateDansExerciceOuvert(const TDateTime& date) const;
    /// Reads the company's data and fiscal years again from the database.
    void Relire();
    /// Closes the database (and clears pCurDossier when it is this one).
    void Fermer();
    /// @}

private:
    explicit CDossier(const UnicodeString& directory);
    void CreerTables(const ParametresDossier& parametres);
    // Gives a case file made by an earlier version the columns added since (committed at once).
    void MettreAJourTables();
    bool ColonneExiste(const UnicodeString& table, const UnicodeString& column);
    void EnregistrerParametres();
    UnicodeString CheminBase() const;

    UnicodeString directory_;
    std::unique_ptr<StaticFichierINI> ini_;
    TIBDatabase database_;
    std::vector<ExerciceFiscal> exercices_;
    size_t courant_ = 0;  // index of the current year in exercices_
};

/// The case file the engine works on; set by vk::Session for its lifetime.
extern CDossier* pCurDossier;

/// Whether a text is a SIREN: exactly 9 digits whose Luhn check holds (from the right, every second
/// digit doubled, the digits of the results summed: the total is a multiple of 10).
bool SirenValide(const UnicodeString& siren);

/// Creates a directory for its owner only: mode 0700 from its creation, so that no other user can
/// ever enter it (its missing parents are created as usual). An existing directory is set to 0700.
/// `error` tells a failure, a directory whose mode cannot be set (another user's) included.
void CreateOwnerOnlyDirectory(const UnicodeString& directory, std::error_code& error);

class PendingFiles;

/// One user action of the host, one transaction: while it lives, the commits the engine asks of the
/// case file's default transaction are no-ops; Commit ends it for real, and destroying it without
/// Commit rolls everything back. The files the action writes (exports) go with it: renamed into
/// place just before the commit, removed when the action is rolled back. vk::Session::RunAction
/// uses one.
class CActionDossier {
public:
    /// Starts the action on `dossier`'s default transaction.
    explicit CActionDossier(CDossier& dossier);
    ~CActionDossier();
    CActionDossier(const CActionDossier&) = delete;
    CActionDossier& operator=(const CActionDossier&) = delete;
    /// Puts the action's files in place and commits.
    void Commit();

private:
    CDossier& dossier_;
    std::unique_ptr<PendingFiles> files_;
    bool open_ = true;
};
