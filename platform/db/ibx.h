// Data access over the Firebird 3 client library (its object-oriented API).
//
//  - TIBDatabase: one attachment to a database file (embedded engine for a plain local path, a
//    server for "host:path" or "host/port:path"), with its default transaction and a pool of
//    prepared statements. A text whose literals can be lifted out into parameters (sqlparams.h) is
//    prepared once per shape and run with its values bound (numbers as exact scaled integers, texts
//    and dates as text the database converts, as it converts the literal); any other text is
//    prepared as it stands and pooled by its exact text.
//  - TIBTransaction: a transaction that starts on first use. A host action (BeginAction/EndAction)
//    makes every commit asked inside it a no-op, so that one user action is one transaction.
//  - TIBQuery: a dataset of a SELECT (open, first, next, last, end of data, record count, fields by
//    name or index); unidirectional datasets keep only the current row.
//  - TIBSQL: a light statement; runs any statement, and reads a SELECT's rows one by one.
//  - TField: one column of the current row, read as integer, text, date, float, boolean or exact
//    amount, with a null test.
// Every Firebird handle is owned by one of these objects and released with it; a cursor still open
// when its transaction ends or its database closes is closed first. Errors raise EIBError, which
// carries the Firebird codes, the message and the SQL text.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>
#include <variant>
#include <vector>

#include "platform/currency.h"
#include "platform/datetime.h"
#include "platform/lists.h"
#include "platform/system.h"

namespace Firebird {
class IAttachment;
class ITransaction;
class IStatement;
class IResultSet;
class IStatus;
}  // namespace Firebird

// Firebird codes the callers test.
namespace ibcode {
constexpr intptr_t kNoMetaUpdate = 335544351;      // failed metadata update (column exists, ...)
constexpr intptr_t kUniqueKey = 335544665;         // duplicate key
constexpr intptr_t kStringTruncation = 335544321;  // arithmetic/string overflow
constexpr intptr_t kIoError = 335544344;
constexpr intptr_t kLockedByOtherEngine = 335545107;  // file opened by another embedded engine
constexpr intptr_t kLockConflict = 335544345;         // a row held by another transaction
constexpr intptr_t kDeadlock = 335544336;             // first code of an update conflict
constexpr intptr_t kUpdateConflict = 335544451;       // the row was changed by a concurrent transaction
constexpr intptr_t kLockTimeout = 335544510;          // waited longer than the lock time-out
constexpr intptr_t kTransliteration = 335544565;      // text the database character set cannot hold
constexpr intptr_t kTableExists = 336068740;
constexpr intptr_t kIndexExists = 336068859;
constexpr intptr_t kSequenceExists = 336068862;
}  // namespace ibcode

class EIBError : public Exception {
public:
    EIBError(UnicodeString message, int sqlCode, std::vector<intptr_t> codes, UnicodeString sql);

    // The first Firebird (gds) code of the error vector, 0 when none.
    intptr_t IBErrorCode() const { return Codes.empty() ? 0 : Codes.front(); }
    bool HasCode(intptr_t code) const;
    // A structure change that failed because what it adds is already there (a column, a table, an
    // index, a sequence), as opposed to any other failed structure change.
    bool IsAlreadyExists() const;
    // Another transaction holds or has changed the same rows (update conflict, lock conflict,
    // lock time-out).
    bool IsLockConflict() const;

    int SQLCode;
    std::vector<intptr_t> Codes;
    UnicodeString SQL;
};

class TIBDatabase;
class TIBTransaction;
class Cursor;

namespace sqlparams {
struct Literal;
}

namespace ibx_detail {
// A prepared statement with what is known of its messages; defined in fbclient.h.
struct Prepared;
struct PreparedDeleter {
    void operator()(Prepared* prepared) const;
};
using PreparedPtr = std::unique_ptr<Prepared, PreparedDeleter>;
}  // namespace ibx_detail

// One value of a row, decoded from the database's message buffer.
struct IBValue {
    enum class Kind { Null, Integer, Double, Text, Date, Time, Timestamp, Boolean };
    Kind kind = Kind::Null;
    int64_t integer = 0;  // Integer (scaled by 10^scale), Boolean (0/1)
    int scale = 0;
    double real = 0;  // Double, Date/Time/Timestamp as a TDateTime
    UnicodeString text;
};

struct IBColumn {
    UnicodeString name;       // the column's alias, as the database gives it (upper case unless quoted)
    UnicodeString upperName;  // the alias in upper case, for lookups by name
    unsigned type = 0;        // Firebird SQL type without the nullable bit
    int scale = 0;
    unsigned subType = 0;
    bool win1252 = false;  // a text received in WIN1252, converted to UTF-8
};

class TField {
public:
    TField(const IBColumn* column, const IBValue* const* value) : column_(column), value_(value) {}

    const UnicodeString& FieldName() const { return column_->name; }
    bool IsNull() const;
    int AsInteger() const;
    int64_t AsInt64() const;
    UnicodeString AsString() const;
    TDateTime AsDateTime() const;
    double AsFloat() const;
    bool AsBoolean() const;
    // Exact for DECIMAL/NUMERIC columns; null for a null column.
    CCurrency AsCurrency() const;

private:
    const IBValue& Value() const;

    const IBColumn* column_;
    const IBValue* const* value_;  // the dataset's pointer to its current row's value
};

// The columns of a statement's rows, shared by the prepared statement and the datasets that read it.
using IBColumns = std::shared_ptr<const std::vector<IBColumn>>;

// A set of rows read from a database, with a current row.
class TDataSet {
public:
    virtual ~TDataSet();

    virtual void Open() = 0;
    virtual void Close() = 0;
    virtual bool Active() const = 0;
    virtual void First() = 0;
    virtual void Next() = 0;
    virtual void Last() = 0;
    virtual bool Eof() const = 0;
    virtual int RecordCount() = 0;

    // Raises EIBError when the dataset has no such column.
    TField* FieldByName(const UnicodeString& name);
    TField* FindField(const UnicodeString& name);
    TField* Fields(int index);
    int FieldCount() const { return static_cast<int>(fields_.size()); }

protected:
    // Binds the field objects to a new set of columns.
    void BindColumns(const IBColumns& columns);
    void SetCurrentRow(const std::vector<IBValue>* row);
    void UnbindColumns();

private:
    IBColumns columns_;
    std::vector<TField> fields_;
    std::vector<const IBValue*> current_;
    size_t nextField_ = 0;  // where FindField starts its search
    static const IBValue kNull;
};

class TIBTransaction {
public:
    explicit TIBTransaction(TIBDatabase& database);
    ~TIBTransaction();
    TIBTransaction(const TIBTransaction&) = delete;
    TIBTransaction& operator=(const TIBTransaction&) = delete;

    void StartTransaction();
    bool InTransaction() const { return handle_ != nullptr; }
    // Outside a host action: commits (closing the open cursors of the transaction). Inside: no-op.
    void Commit();
    // Outside a host action: commits and keeps the transaction's context. Inside: no-op.
    void CommitRetaining();
    void Rollback();

    // A host action: one user action, one transaction. Nested actions are counted; the outermost
    // end commits (or rolls back) for real.
    void BeginAction();
    void EndAction(bool commit);
    bool InAction() const { return actionDepth_ > 0; }

    // The Firebird transaction, started when needed.
    Firebird::ITransaction* Handle();
    TIBDatabase& Database() { return database_; }

private:
    friend class Cursor;
    void CloseCursors();
    void DoCommit(bool retaining);
    // After the transaction's end: statements prepared before its structure changes are stale.
    void Ended();

    TIBDatabase& database_;
    Firebird::ITransaction* handle_ = nullptr;
    int actionDepth_ = 0;
    bool actionFailed_ = false;
    bool structureChanged_ = false;
    std::set<Cursor*> cursors_;
};

struct IBConnectOptions {
    // Empty: for a local file, SYSDBA (the embedded engine trusts the name without a password and
    // every database is created and read under this one name); for a server, ISC_USER and
    // ISC_PASSWORD from the environment.
    UnicodeString user;
    UnicodeString password;
    // The connection's character set. WIN1252, the databases' own: the SQL text is converted from
    // UTF-8 (a character WIN1252 does not have is refused with a clear error before the statement
    // runs) and the texts read are converted back to UTF-8; at one byte a character a
    // VARCHAR(32000) travels whole, in a literal and in a row. Over UTF8 (four bytes a character,
    // no conversion) a message holds 8191 characters of a column: a longer value is stored but
    // cannot be read back, and a literal holds at most 16383 characters.
    UnicodeString charset = "WIN1252";
    // How long a statement waits for a row another transaction holds (two users changing the same
    // asset): it fails at once when that transaction commits (the row changed under it), or when
    // the time-out passes; Firebird reports both as an update conflict. Either way the caller gets
    // an EIBError for which IsLockConflict() is true, never an endless wait.
    unsigned lockTimeoutSeconds = 10;
};

class TIBDatabase {
public:
    TIBDatabase();
    ~TIBDatabase();
    TIBDatabase(const TIBDatabase&) = delete;
    TIBDatabase& operator=(const TIBDatabase&) = delete;

    // Attaches an existing database; raises EIBError.
    void Open(const UnicodeString& path, const IBConnectOptions& options = {});
    // Creates a database file (default character set WIN1252, which holds VARCHAR(32000), 8 KiB
    // pages) and stays attached to it.
    void Create(const UnicodeString& path, const IBConnectOptions& options = {},
                const UnicodeString& defaultCharset = "WIN1252");
    // Rolls back what is not committed in every transaction of the database, closes every cursor
    // and detaches.
    void Close();
    // Detaches and deletes the database file.
    void Drop();
    bool Connected() const { return attachment_ != nullptr; }
    const UnicodeString& Path() const { return path_; }
    const IBConnectOptions& Options() const { return options_; }

    TIBTransaction& DefaultTransaction() { return *defaultTransaction_; }
    // Runs one statement in the default transaction (or the one given).
    void ExecuteImmediate(const UnicodeString& sql, TIBTransaction* transaction = nullptr);
    // The columns of a table as "SELECT * FROM table" gives them; the statement is prepared, never
    // run, and the answer is kept until the structure of the database changes. Raises EIBError.
    IBColumns TableColumns(const UnicodeString& table);

    Firebird::IAttachment* Handle();
    // True for "host:path" and "host/port:path" (a Firebird server), false for a local file.
    static bool IsRemotePath(const UnicodeString& path);

    struct Statistics {
        uint64_t prepares = 0;    // statements prepared (the rest came from the pool)
        uint64_t executions = 0;  // statements run
        uint64_t lifted = 0;      // of which run with their literals bound as parameters
        uint64_t changes = 0;     // of which statements other than a SELECT (they may change rows)
    };
    const Statistics& Stats() const { return stats_; }

    // Whether texts have their literals lifted into parameters: on unless the environment sets
    // VK_SQL_LIFT=0; off, every text is prepared as it stands.
    bool LiftLiterals = true;
    // Called with the text of every statement run (tests record the engine's statements with it).
    std::function<void(const UnicodeString&)> OnStatement;

private:
    friend class Cursor;
    friend class TIBTransaction;
    // A prepared statement for a pool key, taken from the pool or prepared from `text`; with
    // values, its parameters are described for them. Given back with Release, with the structure
    // generation it was acquired in.
    ibx_detail::PreparedPtr Acquire(const UnicodeString& key, const UnicodeString& text,
                                    const std::vector<sqlparams::Literal>* values,
                                    TIBTransaction& transaction);
    void Release(ibx_detail::PreparedPtr prepared, uint64_t generation);
    void ClearPool();
    // A structure change (or its commit) makes every statement prepared before it stale: the pool
    // is emptied and statements still in use are not given back to it.
    void StructureChanged();
    void RollbackAll();
    // Whether a lifted shape is known to run only as written.
    bool Unliftable(const UnicodeString& key) const { return unliftable_.count(key) != 0; }
    void Attach(const UnicodeString& path, const IBConnectOptions& options, bool create,
                const UnicodeString& defaultCharset);

    // Text to and from the connection's character set.
    UnicodeString ToConnection(const UnicodeString& sql) const;
    UnicodeString FromConnection(const UnicodeString& text) const;

    UnicodeString path_;
    IBConnectOptions options_;
    bool win1252_ = false;  // the connection's texts are WIN1252
    Firebird::IAttachment* attachment_ = nullptr;
    std::set<TIBTransaction*> transactions_;  // before the default one, which registers in it
    std::unique_ptr<TIBTransaction> defaultTransaction_;
    std::unordered_map<UnicodeString, std::vector<ibx_detail::PreparedPtr>> pool_;
    // Lifted shapes the database refused, or whose parameters cannot take their kinds of values:
    // such texts run as written.
    std::set<UnicodeString> unliftable_;
    std::unordered_map<UnicodeString, IBColumns> tableColumns_;  // emptied with the pool
    size_t pooledTexts_ = 0, pooledShapes_ = 0;                  // statements held, run as written and lifted
    uint64_t generation_ = 0;
    Statistics stats_;
};

// An open statement execution: the statement (leased from the pool), its cursor and its current
// row. Used by TIBQuery and TIBSQL.
class Cursor {
public:
    Cursor(TIBDatabase& database, TIBTransaction& transaction, const UnicodeString& sql);
    ~Cursor();
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    bool HasResultSet() const { return resultSet_ != nullptr || singletonPending_; }
    const IBColumns& Columns() const { return columns_; }
    // Reads the next row into `row`; false at the end.
    bool Fetch(std::vector<IBValue>& row);
    void Close();

private:
    // Runs the text with its literals bound as parameters; false when it must run as written.
    bool RunLifted();
    void RunExact();
    // Opens the cursor or executes the statement, with the input message when there is one.
    void Start(unsigned char* input);
    void Decode(const unsigned char* buffer, std::vector<IBValue>& row);

    TIBDatabase& database_;
    TIBTransaction* transaction_;
    UnicodeString sql_;
    ibx_detail::PreparedPtr prepared_;
    uint64_t generation_ = 0;
    Firebird::IResultSet* resultSet_ = nullptr;
    IBColumns columns_;
    std::vector<IBValue> singleton_;
    bool singletonPending_ = false;
};

// A SELECT dataset.
class TIBQuery : public TDataSet {
public:
    explicit TIBQuery(TIBDatabase* database = nullptr, TIBTransaction* transaction = nullptr);
    ~TIBQuery() override;

    void Open() override;
    void Close() override;
    bool Active() const override { return cursor_ != nullptr || !rows_.empty() || atEnd_; }
    void First() override;
    void Next() override;
    void Last() override;
    bool Eof() const override { return atEnd_; }
    int RecordCount() override;
    // Runs a statement that returns no rows.
    void ExecSQL();

    TStrings SQL;
    bool Unidirectional = false;
    TIBDatabase* Database;
    TIBTransaction* Transaction;

private:
    void FetchOne();
    void FetchAll();
    void ShowRow();

    std::unique_ptr<Cursor> cursor_;
    std::vector<std::vector<IBValue>> rows_;  // bidirectional: every row fetched so far
    std::vector<IBValue> row_;                // unidirectional: the current row
    size_t index_ = 0;
    int fetched_ = 0;
    bool atEnd_ = false;
    bool opened_ = false;
};

using TIBCustomDataSet = TIBQuery;
using TIBDataSet = TIBQuery;

// A light statement: ExecQuery runs it; for a SELECT, the first row is current at once and Next
// moves forward until Eof.
class TIBSQL : public TDataSet {
public:
    explicit TIBSQL(TIBDatabase* database = nullptr, TIBTransaction* transaction = nullptr);
    ~TIBSQL() override;

    void ExecQuery();
    void Open() override { ExecQuery(); }
    void Close() override;
    bool Active() const override { return cursor_ != nullptr; }
    void First() override;
    void Next() override;
    void Last() override;
    bool Eof() const override { return atEnd_; }
    int RecordCount() override { return fetched_; }

    TStrings SQL;
    TIBDatabase* Database;
    TIBTransaction* Transaction;

private:
    std::unique_ptr<Cursor> cursor_;
    std::vector<IBValue> row_;
    int fetched_ = 0;
    bool atEnd_ = true;
};

// Releases the Firebird client library's resources; call once at the end of the process.
void IBShutdown();
