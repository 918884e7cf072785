// Running one statement and decoding the rows it returns.
#include <ibase.h>

#include <cstring>

#include "platform/db/fbclient.h"

using namespace Firebird;
using namespace ibx_detail;

namespace {

constexpr int kDaysFromFirebirdToTDateTime = 15018;  // 1858-11-17 to 1899-12-30
constexpr double kTimeUnitsPerDay = 86400.0 * ISC_TIME_SECONDS_PRECISION;

template <typename T>
T Read(const unsigned char* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

UnicodeString ReadBlobText(IAttachment* attachment, ITransaction* transaction, const unsigned char* id) {
    Status status;
    ISC_QUAD quad = Read<ISC_QUAD>(id);
    IBlob* blob = attachment->openBlob(&status, transaction, &quad, 0, nullptr);
    UnicodeString text;
    char segment[16384];
    try {
        for (;;) {
            unsigned length = 0;
            int result = blob->getSegment(&status, sizeof segment, segment, &length);
            if (result != IStatus::RESULT_OK && result != IStatus::RESULT_SEGMENT) break;
            text.append(segment, length);
        }
        blob->close(&status);
    } catch (...) {
        blob->release();
        throw;
    }
    return text;
}

// A WIN1252 text made UTF-8 in place; most texts are plain ASCII, the same in both.
void ToUtf8(UnicodeString& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) {
            text = Win1252ToUtf8(text);
            return;
        }
}

}  // namespace

Cursor::Cursor(TIBDatabase& database, TIBTransaction& transaction, const UnicodeString& sql)
    : database_(database), transaction_(&transaction), sql_(sql) {
    generation_ = database_.generation_;
    if (database_.OnStatement) database_.OnStatement(sql_);
    try {
        if (!RunLifted()) RunExact();
    } catch (...) {
        Close();
        throw;
    }
}

namespace {

// Errors of the transaction's locks: the text as written would meet them just the same.
bool IsLockError(const FbException& error) {
    for (const intptr_t* p = error.getStatus()->getErrors(); *p != isc_arg_end; p += 2)
        if (p[0] == isc_arg_gds && (p[1] == ibcode::kLockConflict || p[1] == ibcode::kUpdateConflict ||
                                    p[1] == ibcode::kLockTimeout || p[1] == isc_deadlock))
            return true;
    return false;
}

}  // namespace

bool Cursor::RunLifted() {
    if (!database_.LiftLiterals) return false;
    std::optional<sqlparams::Lifted> lifted = sqlparams::Lift(sql_);
    if (!lifted) return false;
    const UnicodeString key = lifted->Key();
    if (database_.Unliftable(key)) return false;
    try {
        prepared_ = database_.Acquire(key, lifted->shape, &lifted->values, *transaction_);
    } catch (const EIBError&) {
        database_.unliftable_.insert(key);  // the database takes this shape only as written
        return false;
    }
    if (!prepared_->bindable) {
        database_.unliftable_.insert(key);
        database_.Release(std::move(prepared_), generation_);
        return false;
    }
    if (!BindValues(*prepared_, lifted->values)) {
        database_.Release(std::move(prepared_), generation_);
        return false;
    }
    try {
        Start(prepared_->inputBuffer.data());
    } catch (const FbException& error) {
        if (IsLockError(error)) Raise(error, sql_);
        // Whatever failed with the bound values, the text as written decides (a failed statement
        // changed nothing).
        database_.Release(std::move(prepared_), generation_);
        return false;
    }
    ++database_.stats_.lifted;
    return true;
}

void Cursor::RunExact() {
    prepared_ = database_.Acquire(sql_, sql_, nullptr, *transaction_);
    Guard(sql_, [&] { Start(nullptr); });
}

void Cursor::Start(unsigned char* input) {
    Status status;
    ITransaction* handle = transaction_->Handle();
    Prepared& prepared = *prepared_;
    columns_ = prepared.columns;
    // The output message's buffer lives with the prepared statement: a statement serves one
    // cursor at a time, and a buffer made anew for each execution costs more than the execution
    // when a row is wide (a VARCHAR(32000) read in UTF8 takes 128 KB).
    prepared.buffer.resize(prepared.outputLength);
    ++database_.stats_.executions;
    if (prepared.type == isc_info_sql_stmt_ddl) transaction_->structureChanged_ = true;
    IMessageMetadata* inputMeta = input ? prepared.input : nullptr;
    if (prepared.type == isc_info_sql_stmt_select || prepared.type == isc_info_sql_stmt_select_for_upd) {
        resultSet_ = prepared.statement->openCursor(&status, handle, inputMeta, input, prepared.output, 0);
        transaction_->cursors_.insert(this);
        return;
    }
    ++database_.stats_.changes;
    const bool returning = !columns_->empty();
    prepared.statement->execute(&status, handle, inputMeta, input, returning ? prepared.output : nullptr,
                                returning ? prepared.buffer.data() : nullptr);
    if (returning) {  // the single row of an INSERT ... RETURNING
        Decode(prepared.buffer.data(), singleton_);
        singletonPending_ = true;
    }
}

Cursor::~Cursor() {
    try {
        Close();
    } catch (...) {
    }
}

void Cursor::Close() {
    if (resultSet_) {
        IResultSet* resultSet = resultSet_;
        resultSet_ = nullptr;
        try {
            Status status;
            resultSet->close(&status);
        } catch (const FbException&) {
            resultSet->release();
        }
    }
    if (transaction_) {
        transaction_->cursors_.erase(this);
        transaction_ = nullptr;
    }
    if (prepared_) database_.Release(std::move(prepared_), generation_);
}

bool Cursor::Fetch(std::vector<IBValue>& row) {
    if (singletonPending_) {
        singletonPending_ = false;
        row = std::move(singleton_);
        return true;
    }
    if (!resultSet_) return false;
    return Guard(sql_, [&] {
        Status status;
        if (resultSet_->fetchNext(&status, prepared_->buffer.data()) != IStatus::RESULT_OK) {
            Close();
            return false;
        }
        Decode(prepared_->buffer.data(), row);
        return true;
    });
}

void Cursor::Decode(const unsigned char* buffer, std::vector<IBValue>& row) {
    const std::vector<IBColumn>& columns = *columns_;
    const Prepared& prepared = *prepared_;
    row.resize(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
        IBValue& value = row[i];
        value.kind = IBValue::Kind::Null;
        value.integer = 0;
        value.real = 0;
        value.text.clear();
        value.scale = 0;
        if (Read<short>(buffer + prepared.nullOffsets[i]) != 0) continue;
        const unsigned char* p = buffer + prepared.offsets[i];
        const IBColumn& column = columns[i];
        value.scale = column.scale;
        switch (column.type) {
            case SQL_SHORT:
                value.kind = IBValue::Kind::Integer;
                value.integer = Read<int16_t>(p);
                break;
            case SQL_LONG:
                value.kind = IBValue::Kind::Integer;
                value.integer = Read<int32_t>(p);
                break;
            case SQL_INT64:
                value.kind = IBValue::Kind::Integer;
                value.integer = Read<int64_t>(p);
                break;
            case SQL_FLOAT:
                value.kind = IBValue::Kind::Double;
                value.real = Read<float>(p);
                break;
            case SQL_DOUBLE:
            case SQL_D_FLOAT:
                value.kind = IBValue::Kind::Double;
                value.real = Read<double>(p);
                break;
            case SQL_BOOLEAN:
                value.kind = IBValue::Kind::Boolean;
                value.integer = *p ? 1 : 0;
                break;
            case SQL_TEXT: {
                value.kind = IBValue::Kind::Text;
                value.text.assign(reinterpret_cast<const char*>(p), prepared.lengths[i]);
                while (!value.text.empty() && value.text.back() == ' ') value.text.pop_back();
                if (column.win1252) ToUtf8(value.text);
                break;
            }
            case SQL_VARYING: {
                value.kind = IBValue::Kind::Text;
                unsigned short length = Read<unsigned short>(p);
                value.text.assign(reinterpret_cast<const char*>(p + sizeof(short)), length);
                if (column.win1252) ToUtf8(value.text);
                break;
            }
            case SQL_TYPE_DATE:
                value.kind = IBValue::Kind::Date;
                value.real = Read<ISC_DATE>(p) - kDaysFromFirebirdToTDateTime;
                break;
            case SQL_TYPE_TIME:
                value.kind = IBValue::Kind::Time;
                value.real = Read<ISC_TIME>(p) / kTimeUnitsPerDay;
                break;
            case SQL_TIMESTAMP: {
                value.kind = IBValue::Kind::Timestamp;
                ISC_TIMESTAMP stamp = Read<ISC_TIMESTAMP>(p);
                value.real = (stamp.timestamp_date - kDaysFromFirebirdToTDateTime) +
                             stamp.timestamp_time / kTimeUnitsPerDay;
                break;
            }
            case SQL_BLOB:
                value.kind = IBValue::Kind::Text;
                value.text = ReadBlobText(database_.Handle(), transaction_->Handle(), p);
                if (column.win1252) ToUtf8(value.text);
                break;
            default:
                break;  // types the engine never reads stay null
        }
    }
}
