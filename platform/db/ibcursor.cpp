// Running one statement and decoding the rows it returns.
#include <ibase.h>

#include <cstring>

#include "platform/db/fbclient.h"

using namespace Firebird;
using namespace ibx_detail;

namespace {

constexpr int kDaysFromFirebirdToTDateTime = 15018;  // 1858-11-17 to 1899-12-30
constexpr double kTimeUnitsPerDay = 86400.0 * ISC_TIME_SECONDS_PRECISION;
constexpr unsigned kCharsetWin1252 = 53;

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

}  // namespace

Cursor::Cursor(TIBDatabase& database, TIBTransaction& transaction, const UnicodeString& sql)
    : database_(database), transaction_(&transaction), sql_(sql) {
    generation_ = database_.generation_;
    statement_ = database_.Acquire(sql_, transaction);
    try {
        Guard(sql_, [&] {
            Status status;
            ITransaction* handle = transaction.Handle();
            unsigned type = statement_->getType(&status);
            if (type == isc_info_sql_stmt_ddl) transaction.structureChanged_ = true;
            IMessageMetadata* meta = statement_->getOutputMetadata(&status);
            unsigned count = meta->getCount(&status);
            for (unsigned i = 0; i < count; ++i) {
                IBColumn column;
                column.name = database_.FromConnection(meta->getAlias(&status, i));
                column.type = meta->getType(&status, i) & ~1u;
                column.scale = meta->getScale(&status, i);
                column.subType = meta->getSubType(&status, i);
                // Texts arrive in the connection's character set, converted to UTF-8 here.
                if (column.type == SQL_VARYING || column.type == SQL_TEXT)
                    column.win1252 = (meta->getCharSet(&status, i) & 0xFF) == kCharsetWin1252;
                else if (column.type == SQL_BLOB && column.subType == 1)
                    column.win1252 = database_.win1252_;
                columns_.push_back(column);
                offsets_.push_back(meta->getOffset(&status, i));
                nullOffsets_.push_back(meta->getNullOffset(&status, i));
                lengths_.push_back(meta->getLength(&status, i));
            }
            buffer_.resize(meta->getMessageLength(&status));
            ++database_.stats_.executions;
            try {
                if (type == isc_info_sql_stmt_select || type == isc_info_sql_stmt_select_for_upd) {
                    resultSet_ = statement_->openCursor(&status, handle, nullptr, nullptr, meta, 0);
                    transaction_->cursors_.insert(this);
                } else {
                    statement_->execute(&status, handle, nullptr, nullptr, count ? meta : nullptr,
                                        count ? buffer_.data() : nullptr);
                    if (count > 0) {  // the single row of an INSERT ... RETURNING
                        Decode(buffer_.data(), singleton_);
                        singletonPending_ = true;
                    }
                }
            } catch (...) {
                meta->release();
                throw;
            }
            meta->release();
        });
    } catch (...) {
        Close();
        throw;
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
    if (statement_) {
        IStatement* statement = statement_;
        statement_ = nullptr;
        database_.Release(sql_, statement, generation_);
    }
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
        if (resultSet_->fetchNext(&status, buffer_.data()) != IStatus::RESULT_OK) {
            Close();
            return false;
        }
        Decode(buffer_.data(), row);
        return true;
    });
}

void Cursor::Decode(const unsigned char* buffer, std::vector<IBValue>& row) {
    row.resize(columns_.size());
    for (size_t i = 0; i < columns_.size(); ++i) {
        IBValue& value = row[i];
        value = IBValue();
        if (Read<short>(buffer + nullOffsets_[i]) != 0) continue;
        const unsigned char* p = buffer + offsets_[i];
        const IBColumn& column = columns_[i];
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
                value.text.assign(reinterpret_cast<const char*>(p), lengths_[i]);
                while (!value.text.empty() && value.text.back() == ' ') value.text.pop_back();
                if (column.win1252) value.text = Win1252ToUtf8(value.text);
                break;
            }
            case SQL_VARYING: {
                value.kind = IBValue::Kind::Text;
                unsigned short length = Read<unsigned short>(p);
                value.text.assign(reinterpret_cast<const char*>(p + sizeof(short)), length);
                if (column.win1252) value.text = Win1252ToUtf8(value.text);
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
                if (column.win1252) value.text = Win1252ToUtf8(value.text);
                break;
            default:
                break;  // types the engine never reads stay null
        }
    }
}
