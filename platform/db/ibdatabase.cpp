// Attachments, transactions, the prepared-statement pool and Firebird errors.
#include <ibase.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include <fmt/format.h>

#include "platform/db/fbclient.h"
#include "platform/db/sqltext.h"

using namespace Firebird;

namespace ibx_detail {

IMaster* Master() {
    static IMaster* master = [] {
        // A process that is not root cannot use Firebird's default lock directory (root's own).
        if (!std::getenv("FIREBIRD_LOCK") && geteuid() != 0) {
            std::string dir = fmt::format("/tmp/firebird-lock-{}", geteuid());
            std::filesystem::create_directories(dir);
            setenv("FIREBIRD_LOCK", dir.c_str(), 0);
        }
        return fb_get_master_interface();
    }();
    return master;
}

IUtil* Util() {
    return Master()->getUtilInterface();
}

IProvider* Provider() {
    static IProvider* provider = Master()->getDispatcher();
    return provider;
}

void Raise(const FbException& error, const UnicodeString& sql) {
    const IStatus* status = error.getStatus();
    char text[2048];
    Util()->formatStatus(text, sizeof text, const_cast<IStatus*>(status));
    const intptr_t* vector = status->getErrors();
    int sqlCode = isc_sqlcode(vector);
    std::vector<intptr_t> codes;
    for (const intptr_t* p = vector; *p != isc_arg_end;) {
        intptr_t kind = *p++;
        if (kind == isc_arg_gds) {
            codes.push_back(*p++);
        } else if (kind == isc_arg_cstring) {
            p += 2;  // length and pointer
        } else {
            ++p;  // one argument: string, number, interpreted text, warning, SQL state
        }
    }
    UnicodeString message = text;
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
    if (!IsUtf8(message)) message = Win1252ToUtf8(message);  // values quoted in the connection's set
    if (EIBError("", 0, codes, "").IsLockConflict())
        message =
            "Conflit d'accès : un autre utilisateur modifie les mêmes données en même temps ; "
            "l'opération est abandonnée\n" +
            message;
    for (intptr_t code : codes)
        if (code == ibcode::kTransliteration) {
            message =
                "Un texte contient un caractère que la base ne peut pas enregistrer (jeu de caractères "
                "WIN1252)\n" +
                message;
            break;
        }
    throw EIBError(message, sqlCode, std::move(codes), sql);
}

}  // namespace ibx_detail

using namespace ibx_detail;

EIBError::EIBError(UnicodeString message, int sqlCode, std::vector<intptr_t> codes, UnicodeString sql)
    : Exception(std::move(message)), SQLCode(sqlCode), Codes(std::move(codes)), SQL(std::move(sql)) {}

bool EIBError::HasCode(intptr_t code) const {
    for (intptr_t c : Codes)
        if (c == code) return true;
    return false;
}

bool EIBError::IsAlreadyExists() const {
    if (!HasCode(ibcode::kNoMetaUpdate)) return false;
    // An existing column shows as a duplicate key in the system table of the columns.
    return HasCode(ibcode::kUniqueKey) || HasCode(ibcode::kTableExists) || HasCode(ibcode::kIndexExists) ||
           HasCode(ibcode::kSequenceExists);
}

bool EIBError::IsLockConflict() const {
    return HasCode(ibcode::kLockConflict) || HasCode(ibcode::kDeadlock) || HasCode(ibcode::kUpdateConflict) ||
           HasCode(ibcode::kLockTimeout);
}

void IBShutdown() {
    fb_shutdown(0, fb_shutrsn_exit_called);
}

// ---------------------------------------------------------------------------------------------
// Transactions

TIBTransaction::TIBTransaction(TIBDatabase& database) : database_(database) {
    database_.transactions_.insert(this);
}

TIBTransaction::~TIBTransaction() {
    try {
        Rollback();
    } catch (...) {
        // A destructor never raises; the attachment gives the work back when it detaches.
    }
    database_.transactions_.erase(this);
}

void TIBTransaction::Ended() {
    if (!structureChanged_) return;
    structureChanged_ = false;
    database_.StructureChanged();
}

ITransaction* TIBTransaction::Handle() {
    if (!handle_) StartTransaction();
    return handle_;
}

void TIBTransaction::StartTransaction() {
    if (handle_) return;
    Guard("START TRANSACTION", [&] {
        Status status;
        IXpbBuilder* tpb = Util()->getXpbBuilder(&status, IXpbBuilder::TPB, nullptr, 0);
        tpb->insertTag(&status, isc_tpb_write);
        tpb->insertTag(&status, isc_tpb_concurrency);
        tpb->insertTag(&status, isc_tpb_wait);
        tpb->insertInt(&status, isc_tpb_lock_timeout,
                       static_cast<int>(database_.Options().lockTimeoutSeconds));
        handle_ = database_.Handle()->startTransaction(&status, tpb->getBufferLength(&status),
                                                       tpb->getBuffer(&status));
        tpb->dispose();
    });
}

void TIBTransaction::CloseCursors() {
    auto open = cursors_;
    for (Cursor* cursor : open) cursor->Close();
    cursors_.clear();
}

void TIBTransaction::DoCommit(bool retaining) {
    if (!handle_) return;
    if (!retaining) CloseCursors();
    Guard("COMMIT", [&] {
        Status status;
        if (retaining) {
            handle_->commitRetaining(&status);
        } else {
            handle_->commit(&status);
            handle_ = nullptr;
        }
    });
    Ended();
}

void TIBTransaction::Commit() {
    if (actionDepth_ > 0) return;  // inside a host action the action's end commits
    DoCommit(false);
}

void TIBTransaction::CommitRetaining() {
    if (actionDepth_ > 0) return;
    DoCommit(true);
}

void TIBTransaction::Rollback() {
    if (!handle_) return;
    CloseCursors();
    ITransaction* handle = handle_;
    handle_ = nullptr;
    Ended();
    Guard("ROLLBACK", [&] {
        Status status;
        handle->rollback(&status);
    });
}

void TIBTransaction::BeginAction() {
    if (actionDepth_++ == 0) actionFailed_ = false;
}

void TIBTransaction::EndAction(bool commit) {
    if (actionDepth_ == 0) return;
    if (!commit) actionFailed_ = true;
    if (--actionDepth_ > 0) return;
    if (actionFailed_) return Rollback();
    try {
        DoCommit(false);
    } catch (...) {
        // A commit refused (a structure change failing at commit, ...) leaves the transaction open
        // with the action's work: roll it back, so that no later commit records part of it.
        try {
            Rollback();
        } catch (const EIBError&) {
        }
        throw;
    }
}

// ---------------------------------------------------------------------------------------------
// Databases

TIBDatabase::TIBDatabase() : defaultTransaction_(std::make_unique<TIBTransaction>(*this)) {
    const char* lift = std::getenv("VK_SQL_LIFT");
    LiftLiterals = !(lift && lift[0] == '0');
}

TIBDatabase::~TIBDatabase() {
    try {
        Close();
    } catch (...) {
        // Nothing more can be done in a destructor.
    }
}

bool TIBDatabase::IsRemotePath(const UnicodeString& path) {
    // "host:path" or "host/port:path"; a local path starts with "/" or "." or has no colon, and
    // "C:\..." names a drive.
    size_t colon = path.find(':');
    if (colon == UnicodeString::npos || colon == 0) return false;
    if (path[0] == '/' || path[0] == '.') return false;
    return colon > 1;
}

namespace {

struct Credentials {
    UnicodeString user, password;
};

UnicodeString FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The user and password of an attachment: those given, else SYSDBA without a password for a local
// file, ISC_USER and ISC_PASSWORD for a server (a clear error when the environment lacks them).
Credentials CredentialsFor(const UnicodeString& path, const IBConnectOptions& options) {
    if (!options.user.empty()) return {options.user, options.password};
    if (!TIBDatabase::IsRemotePath(path)) return {"SYSDBA", ""};
    Credentials credentials{FromEnvironment("ISC_USER"), FromEnvironment("ISC_PASSWORD")};
    if (credentials.user.empty() || credentials.password.empty())
        throw EIBError("La base " + path +
                           " est sur un serveur Firebird : les variables d'environnement ISC_USER et "
                           "ISC_PASSWORD doivent donner l'utilisateur et son mot de passe",
                       0, {}, "ATTACH '" + path + "'");
    return credentials;
}

}  // namespace

void TIBDatabase::Attach(const UnicodeString& path, const IBConnectOptions& options, bool create,
                         const UnicodeString& defaultCharset) {
    if (attachment_) Close();
    options_ = options;
    Guard(create ? "CREATE DATABASE '" + path + "'" : "ATTACH '" + path + "'", [&] {
        Status status;
        const Credentials credentials = CredentialsFor(path, options);
        IXpbBuilder* dpb = Util()->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0);
        dpb->insertString(&status, isc_dpb_user_name, credentials.user.c_str());
        if (!credentials.password.empty())
            dpb->insertString(&status, isc_dpb_password, credentials.password.c_str());
        dpb->insertString(&status, isc_dpb_lc_ctype, options.charset.c_str());
        if (create) {
            dpb->insertInt(&status, isc_dpb_page_size, 8192);
            dpb->insertInt(&status, isc_dpb_sql_dialect, 3);
            dpb->insertString(&status, isc_dpb_set_db_charset, defaultCharset.c_str());
            // Forced writes (each commit reaches the disk) stay on for real case files; the test
            // suite turns them off for its throwaway databases with VK_FORCED_WRITES=0.
            const char* forced = std::getenv("VK_FORCED_WRITES");
            if (forced && forced[0] == '0') dpb->insertInt(&status, isc_dpb_force_write, 0);
        }
        unsigned length = dpb->getBufferLength(&status);
        const unsigned char* buffer = dpb->getBuffer(&status);
        try {
            attachment_ = create ? Provider()->createDatabase(&status, path.c_str(), length, buffer)
                                 : Provider()->attachDatabase(&status, path.c_str(), length, buffer);
        } catch (...) {
            dpb->dispose();
            throw;
        }
        dpb->dispose();
    });
    path_ = path;
    win1252_ = sqltext::Upper(options.charset) == "WIN1252";
}

UnicodeString TIBDatabase::ToConnection(const UnicodeString& sql) const {
    return win1252_ ? Utf8ToWin1252(sql, sql) : sql;
}

UnicodeString TIBDatabase::FromConnection(const UnicodeString& text) const {
    return win1252_ ? Win1252ToUtf8(text) : text;
}

void TIBDatabase::Open(const UnicodeString& path, const IBConnectOptions& options) {
    Attach(path, options, false, "");
}

void TIBDatabase::Create(const UnicodeString& path, const IBConnectOptions& options,
                         const UnicodeString& defaultCharset) {
    Attach(path, options, true, defaultCharset);
}

IAttachment* TIBDatabase::Handle() {
    if (!attachment_) throw EIBError("Base de données non ouverte", 0, {}, "");
    return attachment_;
}

void TIBDatabase::RollbackAll() {
    // Firebird refuses to detach with a transaction open: every transaction of this database ends.
    auto transactions = transactions_;
    for (TIBTransaction* transaction : transactions) {
        try {
            transaction->Rollback();
        } catch (const EIBError&) {
            // The transaction is gone with the attachment anyway.
        }
    }
}

void TIBDatabase::Close() {
    if (!attachment_) return;
    RollbackAll();
    ClearPool();
    IAttachment* attachment = attachment_;
    attachment_ = nullptr;
    Guard("DETACH", [&] {
        Status status;
        attachment->detach(&status);
    });
}

void TIBDatabase::Drop() {
    if (!attachment_) return;
    RollbackAll();
    ClearPool();
    IAttachment* attachment = attachment_;
    attachment_ = nullptr;
    Guard("DROP DATABASE", [&] {
        Status status;
        attachment->dropDatabase(&status);
    });
}

void TIBDatabase::ExecuteImmediate(const UnicodeString& sql, TIBTransaction* transaction) {
    Cursor cursor(*this, transaction ? *transaction : *defaultTransaction_, sql);
}

IBColumns TIBDatabase::TableColumns(const UnicodeString& table) {
    auto found = tableColumns_.find(table);
    if (found != tableColumns_.end()) return found->second;
    const UnicodeString sql = "SELECT * FROM " + table;
    const uint64_t generation = generation_;
    PreparedPtr prepared = Acquire(sql, sql, nullptr, *defaultTransaction_);
    IBColumns columns = prepared->columns;
    Release(std::move(prepared), generation);
    if (generation == generation_) tableColumns_[table] = columns;
    return columns;
}

PreparedPtr TIBDatabase::Acquire(const UnicodeString& key, const UnicodeString& text,
                                 const std::vector<sqlparams::Literal>* values, TIBTransaction& transaction) {
    auto found = pool_.find(key);
    if (found != pool_.end() && !found->second.empty()) {
        PreparedPtr prepared = std::move(found->second.back());
        found->second.pop_back();
        --(key.find('\x01') != UnicodeString::npos ? pooledShapes_ : pooledTexts_);
        return prepared;
    }
    ++stats_.prepares;
    PreparedPtr prepared(new Prepared);
    prepared->key = key;
    const UnicodeString converted = ToConnection(text);
    Guard(text, [&] {
        Status status;
        prepared->statement =
            Handle()->prepare(&status, transaction.Handle(), static_cast<unsigned>(converted.size()),
                              converted.c_str(), SQL_DIALECT_V6, IStatement::PREPARE_PREFETCH_METADATA);
        Describe(*prepared, values, ConnectionCharset{win1252_}, &status);
    });
    return prepared;
}

void TIBDatabase::Release(PreparedPtr prepared, uint64_t generation) {
    const bool ddl = prepared->type == isc_info_sql_stmt_ddl;
    if (!attachment_ || generation != generation_ || ddl) {
        prepared.reset();
        if (attachment_ && ddl && generation == generation_) StructureChanged();
        return;
    }
    // Every prepared statement held costs the engine memory, and a large pool makes every other
    // statement slower (measured on an embedded database: with 1024 statements held, a SELECT
    // built from new text took 200 to 300 microseconds instead of 30 to 40). Texts that run as
    // written carry their values and rarely come back: a few of them are kept. The shapes of lifted
    // texts are few and come back all the time: they are kept up to their own limit.
    constexpr size_t kTextLimit = 32, kShapeLimit = 256;
    const bool shape = prepared->key.find('\x01') != UnicodeString::npos;
    size_t& pooled = shape ? pooledShapes_ : pooledTexts_;
    if (pooled >= (shape ? kShapeLimit : kTextLimit)) {
        for (auto it = pool_.begin(); it != pool_.end();) {
            if ((it->first.find('\x01') != UnicodeString::npos) != shape) {
                ++it;
                continue;
            }
            pooled -= it->second.size();
            it = pool_.erase(it);
        }
    }
    pool_[prepared->key].push_back(std::move(prepared));
    ++pooled;
}

void TIBDatabase::StructureChanged() {
    ++generation_;
    ClearPool();
}

void TIBDatabase::ClearPool() {
    pool_.clear();
    pooledTexts_ = pooledShapes_ = 0;
    unliftable_.clear();  // the types of the parameters may have changed with the structure
    tableColumns_.clear();
}
