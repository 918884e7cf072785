#include "platform/dossier.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fmt/format.h>

#include "platform/db/sqltext.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/serveur.h"

namespace fs = std::filesystem;

CDossier* pCurDossier = nullptr;

namespace {

// Location codes of the case-file services' messages: unit 912, then the line.
constexpr unsigned kUnitDossier = 912;
#define DOSSIER_LOC() VK_LocationCode(kUnitDossier, __LINE__)

UnicodeString Quote(const UnicodeString& text) {
    UnicodeString quoted = "'";
    for (char c : text) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted + "'";
}

UnicodeString DateLiteral(const TDateTime& date) {
    return date.IsNull() ? "NULL" : Quote(FormatISODate(date));
}

void CheckFiscalYears(const ParametresDossier& p) {
    if (p.Exercices.empty()) throw EDossier("Un dossier doit avoir au moins un exercice");
    for (size_t i = 0; i < p.Exercices.size(); ++i) {
        const ExerciceFiscal& year = p.Exercices[i];
        if (year.Debut.IsNull() || year.Fin.IsNull() || year.Fin < year.Debut)
            throw EDossier(fmt::format("Exercice {} : dates invalides", i + 1));
        if (double(year.Fin) >= double(AjouteMois(year.Debut, 24)))
            throw EDossier(fmt::format("Exercice {} : plus de 24 mois", i + 1));
        if (i > 0 && double(year.Debut) != double(p.Exercices[i - 1].Fin) + 1)
            throw EDossier(fmt::format("Exercice {} : ne suit pas l'exercice précédent", i + 1));
    }
    auto current = std::find_if(p.Exercices.begin(), p.Exercices.end(), [&](const ExerciceFiscal& y) {
        return double(y.Debut) == double(p.DebutExerciceCourant);
    });
    if (current == p.Exercices.end())
        throw EDossier("L'exercice courant doit commencer au début d'un exercice enregistré");
    if (!p.DateSituation.IsNull() && (p.DateSituation < current->Debut || p.DateSituation > current->Fin))
        throw EDossier("La date de situation doit être dans l'exercice courant");
    if (p.LongueurCompte < 6 || p.LongueurCompte > 13)
        throw EDossier("La longueur des comptes doit être comprise entre 6 et 13");
    if (p.RegimeFiscal != 1 && p.RegimeFiscal != 2) throw EDossier("Le régime fiscal doit valoir 1 ou 2");
    if (!p.Siren.empty() && !SirenValide(p.Siren))
        throw EDossier("siren : \"" + p.Siren + "\" n'est pas un SIREN (9 chiffres, clé de Luhn)");
}

// What can be checked of a local database file before the embedded engine reads it, which a damaged
// file can crash: the header page (type 1, a page size Firebird uses, the on-disk structure of
// Firebird 3, ODS 12), a length made of whole pages, and the type byte of every page (0, a page
// never used, to 10). Damage inside a page of a known type is beyond these checks.
void VerifierEnteteBase(const UnicodeString& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            throw EDossierInaccessible(DOSSIER_LOC(), "La base " + path + " du dossier est absente");
        throw EDossierInaccessible(DOSSIER_LOC(),
                                   "La base " + path + " du dossier est illisible : " + std::strerror(errno));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    const auto damaged = [&](const std::string& why) {
        return EDossierInaccessible(DOSSIER_LOC(),
                                    "La base " + path + " du dossier est endommagée (" + why +
                                        ") : elle n'est pas ouverte ; restaurez une sauvegarde");
    };
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) throw damaged("ce n'est pas un fichier ordinaire");
    unsigned char header[20] = {};
    if (::pread(fd, header, sizeof header, 0) != ssize_t(sizeof header)) throw damaged("fichier trop court");
    const unsigned pageSize = header[16] | (header[17] << 8);
    const unsigned ods = header[18] | (header[19] << 8);
    if (header[0] != 1) throw damaged("page d'en-tête invalide");
    if (pageSize != 4096 && pageSize != 8192 && pageSize != 16384 && pageSize != 32768)
        throw damaged(fmt::format("taille de page {} invalide", pageSize));
    if (ods != 0x800C) throw damaged(fmt::format("structure {:#06x} inconnue", ods));
    if (info.st_size < off_t(pageSize) * 2 || info.st_size % pageSize != 0)
        throw damaged("longueur qui n'est pas un nombre entier de pages");
    const off_t pages = info.st_size / pageSize;
    for (off_t page = 1; page < pages; ++page) {
        unsigned char type = 0;
        if (::pread(fd, &type, 1, page * pageSize) != 1) throw damaged("lecture impossible");
        if (type > 10) throw damaged(fmt::format("page {} de type {} inconnu", page, type));
    }
}

void OwnerOnly(const fs::path& path) {
    std::error_code ignored;
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace, ignored);
}

UnicodeString ContextKey(const UnicodeString& table, const UnicodeString& column) {
    return "VK_LAST_" + sqltext::Upper(table) + "." + sqltext::Upper(column);
}

}  // namespace

void CreateOwnerOnlyDirectory(const UnicodeString& directory, std::error_code& error) {
    error.clear();
    fs::path dir = fs::path(directory).lexically_normal();
    if (!dir.has_filename()) dir = dir.parent_path();  // "a/b/"
    if (dir.has_parent_path()) fs::create_directories(dir.parent_path(), error);
    if (error) return;
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        error = std::error_code(errno, std::generic_category());
        return;
    }
    if (!fs::is_directory(dir, error)) {
        if (!error) error = std::make_error_code(std::errc::not_a_directory);
        return;
    }
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::replace, error);
}

bool SirenValide(const UnicodeString& siren) {
    if (siren.size() != 9) return false;
    int sum = 0;
    for (size_t i = 0; i < siren.size(); ++i) {
        const char c = siren[siren.size() - 1 - i];
        if (c < '0' || c > '9') return false;
        int digit = c - '0';
        if (i % 2 == 1) digit = digit * 2 > 9 ? digit * 2 - 9 : digit * 2;
        sum += digit;
    }
    return sum % 10 == 0;
}

CDossier::CDossier(const UnicodeString& directory) : directory_(directory) {}

CDossier::~CDossier() {
    if (pCurDossier == this) pCurDossier = nullptr;
}

bool CDossier::Existe(const UnicodeString& directory) {
    std::error_code ignored;
    return fs::exists(fs::path(directory) / kNomIni, ignored) ||
           fs::exists(fs::path(directory) / kNomBase, ignored);
}

// The database of the case file: "dossier.fdb" in its directory, or a database served by a Firebird
// server when the settings name one. A local path anywhere else is refused: settings copied from
// another case file, or edited by mistake, must never lead a command to change another company's
// books.
UnicodeString CDossier::CheminBase() const {
    const fs::path own = (fs::absolute(fs::path(directory_)) / kNomBase).lexically_normal();
    const UnicodeString configured = ini_->GetString("Dossier", "Base", "");
    if (configured.empty() || TIBDatabase::IsRemotePath(configured))
        return configured.empty() ? own.string() : configured;
    const fs::path local = (fs::absolute(fs::path(directory_)) / fs::path(configured)).lexically_normal();
    if (local == own) return own.string();
    throw EDossier(
        UnicodeString(kNomIni) + ", [Dossier] Base : \"" + configured +
        "\" est un fichier local hors du dossier ; seule la base du dossier (" + kNomBase +
        ") ou une base servie par un serveur Firebird (hôte:chemin, hôte/port:chemin) est acceptée");
}

std::unique_ptr<CDossier> CDossier::Creer(const UnicodeString& directory,
                                          const ParametresDossier& parametres) {
    CheckFiscalYears(parametres);
    fs::path dir(directory);
    std::error_code error;
    if (Existe(directory)) throw EDossier("Le répertoire " + directory + " contient déjà un dossier");
    bool created = !fs::exists(dir, error);
    if (!created && !fs::is_empty(dir, error))
        throw EDossier("Le répertoire " + directory + " n'est pas vide");
    CreateOwnerOnlyDirectory(directory, error);
    if (error) throw EDossier("Impossible de créer le répertoire " + directory + " : " + error.message());

    std::unique_ptr<CDossier> dossier(new CDossier(directory));
    bool iniWritten = false, baseCreated = false;
    try {
        dossier->ini_ = std::make_unique<StaticFichierINI>((dir / kNomIni).string());
        // With VK_SERVER, the database in the directory is created through that server, and the
        // settings record its name, so that every later opening goes through the server too.
        const UnicodeString base =
            parametres.Base.empty() ? serveur::NomBase((dir / kNomBase).string()) : parametres.Base;
        if (base != (dir / kNomBase).string()) dossier->ini_->SetString("Dossier", "Base", base);
        dossier->ini_->Save();
        iniWritten = true;
        OwnerOnly(dir / kNomIni);
        dossier->database_.Create(dossier->CheminBase());
        baseCreated = true;
        // A server creates its files readable by its group: the directory's own file is its
        // owner's only, like an embedded one.
        std::error_code elsewhere;
        if (fs::equivalent(fs::path(serveur::Fichier(base)), dir / kNomBase, elsewhere))
            OwnerOnly(dir / kNomBase);
        dossier->CreerTables(parametres);
        dossier->Relire();
    } catch (...) {
        // Only what this creation made goes: a file another program put there meanwhile stays.
        if (baseCreated) {
            try {
                dossier->database_.Drop();
            } catch (...) {
            }
        }
        dossier.reset();
        if (iniWritten) fs::remove(dir / kNomIni, error);
        if (created) fs::remove(dir, error);  // only when empty
        throw;
    }
    return dossier;
}

void CDossier::CreerTables(const ParametresDossier& p) {
    TIBTransaction& transaction = database_.DefaultTransaction();
    const char* tables[] = {
        "CREATE TABLE DOSSIER (RAISON_SOCIALE VARCHAR(60),SIREN VARCHAR(9),REGIME_FISCAL SMALLINT NOT NULL,"
        "REGIME_FISCAL2 SMALLINT NOT NULL,LONGUEUR_COMPTE SMALLINT NOT NULL,DEBUT_EXERCICE DATE NOT NULL,"
        "DATE_SITUATION DATE NOT NULL)",
        "CREATE TABLE EXERCICES (DATE_DEBUT DATE NOT NULL PRIMARY KEY,DATE_FIN DATE NOT NULL,"
        "CLOTURE SMALLINT DEFAULT 0 NOT NULL)",
        // The host's classification rows and account settings, read by the engine.
        "CREATE TABLE ZENKOVKQ (ID_CLASS INTEGER NOT NULL PRIMARY KEY,CLASSEMENT VARCHAR(60))",
        "CREATE TABLE ZENKOVKI (NUM_COMPTE VARCHAR(14) NOT NULL PRIMARY KEY,NUM_COMPTE_PROVISION_SAISI "
        "VARCHAR(14),"
        "NUM_COMPTE_AMORT_SAISI VARCHAR(14))",
    };
    for (const char* sql : tables) database_.ExecuteImmediate(sql);
    transaction.Commit();  // a table can be filled only once its creation is committed

    const ExerciceFiscal* current = nullptr;
    for (const ExerciceFiscal& year : p.Exercices) {
        database_.ExecuteImmediate(
            fmt::format("INSERT INTO EXERCICES (DATE_DEBUT,DATE_FIN,CLOTURE) VALUES ({},{},{})",
                        DateLiteral(year.Debut), DateLiteral(year.Fin), year.Cloture ? 1 : 0));
        if (double(year.Debut) == double(p.DebutExerciceCourant)) current = &year;
    }
    TDateTime situation = p.DateSituation.IsNull() ? current->Fin : p.DateSituation;
    database_.ExecuteImmediate(
        fmt::format("INSERT INTO DOSSIER "
                    "(RAISON_SOCIALE,SIREN,REGIME_FISCAL,REGIME_FISCAL2,LONGUEUR_COMPTE,DEBUT_EXERCICE,"
                    "DATE_SITUATION) VALUES ({},{},{},{},{},{},{})",
                    Quote(p.RaisonSociale), p.Siren.empty() ? UnicodeString("NULL") : Quote(p.Siren),
                    p.RegimeFiscal, p.RegimeFiscalSecondaire ? p.RegimeFiscalSecondaire : p.RegimeFiscal,
                    p.LongueurCompte, DateLiteral(p.DebutExerciceCourant), DateLiteral(situation)));
    transaction.Commit();
}

std::unique_ptr<CDossier> CDossier::Ouvrir(const UnicodeString& directory) {
    if (!Existe(directory)) throw EDossier("Le répertoire " + directory + " ne contient pas de dossier");
    std::unique_ptr<CDossier> dossier(new CDossier(directory));
    dossier->ini_ = std::make_unique<StaticFichierINI>((fs::path(directory) / kNomIni).string());
    const UnicodeString base = dossier->CheminBase();
    if (!TIBDatabase::IsRemotePath(base)) VerifierEnteteBase(base);
    try {
        dossier->database_.Open(base);
    } catch (const EIBError& e) {
        if (e.HasCode(ibcode::kLockedByOtherEngine))
            throw EDossierInaccessible(
                DOSSIER_LOC(),
                "Le dossier " + directory +
                    " est déjà utilisé par un autre programme (une base embarquée ne "
                    "s'ouvre que dans un programme à la fois ; un serveur Firebird la partage)");
        throw EDossierInaccessible(DOSSIER_LOC(),
                                   "Impossible d'ouvrir le dossier " + directory + " : " + e.Message);
    }
    try {
        dossier->MettreAJourTables();
        dossier->Relire();
    } catch (const EDossier&) {
        throw;
    } catch (const std::exception& e) {
        throw EDossierInaccessible(
            DOSSIER_LOC(), "Le dossier " + directory + " est illisible (base endommagée ?) : " + e.what());
    }
    return dossier;
}

bool CDossier::ColonneExiste(const UnicodeString& table, const UnicodeString& column) {
    TIBSQL query(&database_);
    query.SQL.Add("SELECT 1 FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME=" +
                  Quote(sqltext::Upper(table)) + " AND RDB$FIELD_NAME=" + Quote(sqltext::Upper(column)));
    query.ExecQuery();
    return !query.Eof();
}

void CDossier::MettreAJourTables() {
    // The SIREN came after the first case files: theirs get the column, empty (null) until the
    // user records it. Opening happens outside any host action, so the change is committed here.
    if (ColonneExiste("DOSSIER", "SIREN")) return;
    database_.ExecuteImmediate("ALTER TABLE DOSSIER ADD SIREN VARCHAR(9)");
    database_.DefaultTransaction().Commit();
}

void CDossier::SetSiren(const UnicodeString& siren) {
    if (!siren.empty() && !SirenValide(siren))
        throw EDossier("siren : \"" + siren + "\" n'est pas un SIREN (9 chiffres, clé de Luhn)");
    database_.ExecuteImmediate("UPDATE DOSSIER SET SIREN=" +
                               (siren.empty() ? UnicodeString("NULL") : Quote(siren)));
    Siren = siren;
}

void CDossier::Relire() {
    TIBQuery query(&database_);
    query.SQL.Add(
        "SELECT "
        "RAISON_SOCIALE,SIREN,REGIME_FISCAL,REGIME_FISCAL2,LONGUEUR_COMPTE,DEBUT_EXERCICE,DATE_SITUATION "
        "FROM DOSSIER");
    query.Open();
    if (query.Eof()) throw EDossier("Le dossier " + directory_ + " n'a pas de paramètres");
    RaisonSociale = query.FieldByName("RAISON_SOCIALE")->AsString();
    Siren = query.FieldByName("SIREN")->IsNull() ? UnicodeString() : query.FieldByName("SIREN")->AsString();
    RegimeFiscal = query.FieldByName("REGIME_FISCAL")->AsInteger();
    RegimeFiscalSecondaire = query.FieldByName("REGIME_FISCAL2")->AsInteger();
    LongueurCompte = query.FieldByName("LONGUEUR_COMPTE")->AsInteger();
    TDateTime debut = query.FieldByName("DEBUT_EXERCICE")->AsDateTime();
    DateSituation = query.FieldByName("DATE_SITUATION")->AsDateTime();
    query.Close();

    query.SQL.Clear();
    query.SQL.Add("SELECT DATE_DEBUT,DATE_FIN,CLOTURE FROM EXERCICES ORDER BY DATE_DEBUT");
    std::vector<ExerciceFiscal> years;
    for (query.Open(); !query.Eof(); query.Next())
        years.push_back(
            {query.Fields(0)->AsDateTime(), query.Fields(1)->AsDateTime(), query.Fields(2)->AsBoolean()});
    auto current = std::find_if(years.begin(), years.end(),
                                [&](const ExerciceFiscal& y) { return double(y.Debut) == double(debut); });
    if (current == years.end())
        throw EDossier("L'exercice courant du dossier " + directory_ + " n'est pas enregistré");
    exercices_ = std::move(years);
    courant_ = static_cast<size_t>(current - exercices_.begin());
    DateDebutExercice = exercices_[courant_].Debut;
    DateFinExercice = exercices_[courant_].Fin;
}

void CDossier::Fermer() {
    if (pCurDossier == this) pCurDossier = nullptr;
    database_.Close();
}

void CDossier::ExecSQLFirebird(unsigned long, const UnicodeString& sql, bool, TIBTransaction* transaction) {
    UnicodeString statement = sql;
    if (sqltext::StartsWith(sql, "CREATE TABLE") || sqltext::StartsWith(sql, "ALTER TABLE")) {
        statement = sqltext::ReplaceWord(statement, "AUTOINC", "INTEGER");
        statement = sqltext::ReplaceWord(statement, "BOOLEAN", "SMALLINT");
    }
    database_.ExecuteImmediate(statement, transaction);
}

bool CDossier::TableExistFirebird(const UnicodeString& table) {
    TIBSQL query(&database_);
    query.SQL.Add("SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME=" + Quote(sqltext::Upper(table)));
    query.ExecQuery();
    return !query.Eof();
}

void CDossier::CreeAutoIncFirebird(const UnicodeString& table, const UnicodeString& column,
                                   bool fillOnInsert) {
    UnicodeString sequence = sqltext::ObjectName("G_", table, column);
    TIBSQL query(&database_);
    query.SQL.Add("SELECT 1 FROM RDB$GENERATORS WHERE RDB$GENERATOR_NAME=" + Quote(sequence));
    query.ExecQuery();
    bool exists = !query.Eof();
    query.Close();
    if (!exists) database_.ExecuteImmediate("CREATE SEQUENCE " + sequence);
    if (!fillOnInsert) return;

    UnicodeString trigger = sqltext::ObjectName("T_", table, column);
    query.SQL.Clear();
    query.SQL.Add("SELECT 1 FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME=" + Quote(trigger));
    query.ExecQuery();
    exists = !query.Eof();
    query.Close();
    if (exists) return;
    database_.ExecuteImmediate(fmt::format(
        "CREATE TRIGGER {0} FOR {1} ACTIVE BEFORE INSERT POSITION 0 AS\n"
        "DECLARE VARIABLE R INTEGER;\n"
        "BEGIN\n"
        "  IF (NEW.{2} IS NULL) THEN NEW.{2} = NEXT VALUE FOR {3};\n"
        "  R = RDB$SET_CONTEXT('USER_SESSION', {4}, NEW.{2});\n"
        "END",
        trigger, sqltext::Upper(table), sqltext::Upper(column), sequence, Quote(ContextKey(table, column))));
}

int CDossier::RecupAutoIncFirebird(const UnicodeString& table, const UnicodeString& column, bool draw) {
    TIBSQL query(&database_);
    if (draw)
        query.SQL.Add("SELECT GEN_ID(" + sqltext::ObjectName("G_", table, column) + ",1) FROM RDB$DATABASE");
    else
        query.SQL.Add("SELECT RDB$GET_CONTEXT('USER_SESSION'," + Quote(ContextKey(table, column)) +
                      ") FROM RDB$DATABASE");
    query.ExecQuery();
    return query.Eof() || query.Fields(0)->IsNull() ? 0 : query.Fields(0)->AsInteger();
}

long CDossier::DonnerExercice(const TDateTime& date, bool) const {
    const TDateTime day = DateOf(date);
    const long offset = -static_cast<long>(courant_);
    const ExerciceFiscal& first = exercices_.front();
    const ExerciceFiscal& last = exercices_.back();
    if (day < first.Debut) {
        // Extrapolated 12-month years before the first recorded one.
        long back = 1;
        while (day < AjouteMois(first.Debut, static_cast<int>(-12 * back)) && back < 10000) ++back;
        return offset - back;
    }
    if (day > last.Fin) {
        const TDateTime after = last.Fin + 1;
        long ahead = 1;
        while (day >= AjouteMois(after, static_cast<int>(12 * ahead)) && ahead < 10000) ++ahead;
        return offset + static_cast<long>(exercices_.size()) - 1 + ahead;
    }
    auto found = std::upper_bound(exercices_.begin(), exercices_.end(), double(day),
                                  [](double d, const ExerciceFiscal& y) { return d < double(y.Debut); });
    return offset + static_cast<long>(found - exercices_.begin()) - 1;
}

void CDossier::DonnerDatesDebEtFin(long exercice, bool, TDateTime* debut, TDateTime* fin) const {
    const long index = exercice + static_cast<long>(courant_);
    TDateTime start, end;
    if (index >= 0 && index < static_cast<long>(exercices_.size())) {
        start = exercices_[index].Debut;
        end = exercices_[index].Fin;
    } else if (index < 0) {
        const TDateTime firstStart = exercices_.front().Debut;
        start = AjouteMois(firstStart, static_cast<int>(12 * index));
        end = AjouteMois(firstStart, static_cast<int>(12 * (index + 1))) - 1;
    } else {
        const long ahead = index - static_cast<long>(exercices_.size()) + 1;
        const TDateTime after = exercices_.back().Fin + 1;
        start = AjouteMois(after, static_cast<int>(12 * (ahead - 1)));
        end = AjouteMois(after, static_cast<int>(12 * ahead)) - 1;
    }
    if (debut) *debut = start;
    if (fin) *fin = end;
}

UnicodeString CDossier::DossierCompleteCompte(const UnicodeString& account, bool) const {
    if (account.empty() || static_cast<int>(account.size()) >= LongueurCompte) return account;
    return account + UnicodeString(LongueurCompte - account.size(), '0');
}

void CDossier::SetDateSituation(const TDateTime& date) {
    if (date < DateDebutExercice || date > DateFinExercice)
        throw EDossier("La date de situation doit être dans l'exercice courant");
    database_.ExecuteImmediate("UPDATE DOSSIER SET DATE_SITUATION=" + DateLiteral(date));
    DateSituation = date;
}

// A date as the user reads it in a message: 31/12/2026.
static std::string DateLue(const TDateTime& date) {
    int year, month, day;
    DecodeDate(date, year, month, day);
    return fmt::format("{:02}/{:02}/{:04}", day, month, year);
}

void CDossier::PasserExerciceSuivant(const TDateTime* finSuivant) {
    const TDateTime nextStart = DateFinExercice + 1;
    const bool recorded = courant_ + 1 < exercices_.size();
    if (finSuivant && recorded && DateOf(*finSuivant) != exercices_[courant_ + 1].Fin)
        throw EDossier(
            fmt::format("L'exercice suivant est déjà enregistré, du {} au {} : sa fin ne peut pas changer",
                        DateLue(exercices_[courant_ + 1].Debut), DateLue(exercices_[courant_ + 1].Fin)));
    const TDateTime newEnd = finSuivant ? DateOf(*finSuivant) : AjouteMois(nextStart, 12) - 1;
    database_.ExecuteImmediate("UPDATE EXERCICES SET CLOTURE=1 WHERE DATE_DEBUT=" +
                               DateLiteral(DateDebutExercice));
    if (!recorded)
        database_.ExecuteImmediate(
            fmt::format("INSERT INTO EXERCICES (DATE_DEBUT,DATE_FIN,CLOTURE) VALUES ({},{},0)",
                        DateLiteral(nextStart), DateLiteral(newEnd)));
    const TDateTime nextEnd = recorded ? exercices_[courant_ + 1].Fin : newEnd;
    database_.ExecuteImmediate(fmt::format("UPDATE DOSSIER SET DEBUT_EXERCICE={},DATE_SITUATION={}",
                                           DateLiteral(nextStart), DateLiteral(nextEnd)));
    Relire();
}

bool CDossier::DateDansExerciceOuvert(const TDateTime& date) const {
    const TDateTime day = DateOf(date);
    for (const ExerciceFiscal& year : exercices_)
        if (day >= year.Debut && day <= year.Fin) return !year.Cloture;
    return false;
}

CActionDossier::CActionDossier(CDossier& dossier)
    : dossier_(dossier), files_(std::make_unique<PendingFiles>()) {
    dossier_.GetDatabaseFirebird()->DefaultTransaction().BeginAction();
}

CActionDossier::~CActionDossier() {
    if (!open_) return;
    try {
        dossier_.GetDatabaseFirebird()->DefaultTransaction().EndAction(false);
        // The action may have changed the current year or the situation date: read back what the
        // file holds.
        dossier_.Relire();
    } catch (...) {
        // Rolling back cannot be reported from a destructor; the attachment drops the work anyway.
    }
}

void CActionDossier::Commit() {
    files_->Publish();  // a refused file leaves the action open: the destructor rolls it back
    open_ = false;
    try {
        dossier_.GetDatabaseFirebird()->DefaultTransaction().EndAction(true);
    } catch (...) {
        try {
            dossier_.Relire();  // the failed commit rolled the action back
        } catch (...) {
        }
        throw;
    }
}
