// Prepared statements of the pool: what is read of them once at prepare, and the binding of the
// values of a lifted text to the parameters of its shape.
#include <ibase.h>

#include <cstring>
#include <limits>

#include "platform/db/fbclient.h"
#include "platform/db/sqltext.h"

using namespace Firebird;

namespace ibx_detail {

namespace {

// What a text value is declared as when the database converts it to a date, a time or a boolean:
// the same conversion as for the literal.
constexpr unsigned kConvertedTextLength = 64;
// The longest VARCHAR a message can carry.
constexpr unsigned kMaxVarying = 32765;
constexpr unsigned kCharsetUtf8 = 4;
constexpr unsigned kCharsetWin1252 = 53;

bool IsInteger(unsigned type) {
    return type == SQL_SHORT || type == SQL_LONG || type == SQL_INT64;
}

// The type a value of this kind is written as for a parameter of this described type; 0 when it
// cannot be written without changing the statement's meaning.
unsigned TargetType(unsigned described, int scale, sqlparams::Literal::Kind kind) {
    using Kind = sqlparams::Literal::Kind;
    if (kind == Kind::Null) return described;
    if (IsInteger(described)) {
        // Numbers as exact scaled integers; a text only for a whole number compared with a
        // whole-number column ('12' and 12 mean the same there).
        if (kind == Kind::Number || scale == 0) return described;
        return 0;
    }
    if (kind != Kind::Text) return 0;
    switch (described) {
        case SQL_TEXT:
        case SQL_VARYING:
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIME:
        case SQL_TIMESTAMP:
        case SQL_BOOLEAN:
            return SQL_VARYING;
        default:
            return 0;  // doubles, blobs and the rest: only the literal says exactly what it means
    }
}

// A whole number written the one way a number column would write it back: no sign but "-", no
// leading zero, no spaces.
bool IsCanonicalInteger(const UnicodeString& text) {
    size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
    if (i >= text.size()) return false;
    if (text[i] == '0') return text.size() == 1;
    for (; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

template <typename T>
bool WriteInteger(int64_t value, unsigned char* at) {
    if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max()) return false;
    const T narrow = static_cast<T>(value);
    std::memcpy(at, &narrow, sizeof narrow);
    return true;
}

void DescribeOutput(Prepared& prepared, ConnectionCharset charset, ThrowStatusWrapper* status) {
    IMessageMetadata* meta = prepared.statement->getOutputMetadata(status);
    prepared.output = meta;
    const unsigned count = meta->getCount(status);
    auto columns = std::make_shared<std::vector<IBColumn>>();
    columns->reserve(count);
    for (unsigned i = 0; i < count; ++i) {
        IBColumn column;
        column.name = meta->getAlias(status, i);
        if (charset.win1252) column.name = Win1252ToUtf8(column.name);
        column.upperName = sqltext::Upper(column.name);
        column.type = meta->getType(status, i) & ~1u;
        column.scale = meta->getScale(status, i);
        column.subType = meta->getSubType(status, i);
        // Texts arrive in the connection's character set, converted to UTF-8 when read.
        if (column.type == SQL_VARYING || column.type == SQL_TEXT)
            column.win1252 = (meta->getCharSet(status, i) & 0xFF) == kCharsetWin1252;
        else if (column.type == SQL_BLOB && column.subType == 1)
            column.win1252 = charset.win1252;
        columns->push_back(std::move(column));
        prepared.offsets.push_back(meta->getOffset(status, i));
        prepared.nullOffsets.push_back(meta->getNullOffset(status, i));
        prepared.lengths.push_back(meta->getLength(status, i));
    }
    prepared.columns = std::move(columns);
    prepared.outputLength = meta->getMessageLength(status);
}

void DescribeInput(Prepared& prepared, const std::vector<sqlparams::Literal>& values,
                   ConnectionCharset charset, ThrowStatusWrapper* status) {
    IMessageMetadata* described = prepared.statement->getInputMetadata(status);
    struct Releaser {
        IReferenceCounted* object;
        ~Releaser() { object->release(); }
    } releaseDescribed{described};
    const unsigned count = described->getCount(status);
    if (count != values.size()) {
        prepared.bindable = false;
        return;
    }
    IMetadataBuilder* builder = described->getBuilder(status);
    Releaser releaseBuilder{builder};
    for (unsigned i = 0; i < count; ++i) {
        const unsigned type = described->getType(status, i) & ~1u;
        const int scale = described->getScale(status, i);
        const unsigned target = TargetType(type, scale, values[i].kind);
        if (target == 0) {
            prepared.bindable = false;
            return;
        }
        builder->setType(status, i, target | 1u);
        if (target == SQL_VARYING && type != SQL_VARYING && type != SQL_TEXT) {
            builder->setCharSet(status, i, kCharsetUtf8);
            builder->setLength(status, i, kConvertedTextLength);
        } else if (target == SQL_VARYING) {
            // A text in the connection's character set, as the literal was: the database converts
            // it to the column's set as it converted the literal.
            builder->setCharSet(status, i, charset.win1252 ? kCharsetWin1252 : kCharsetUtf8);
            if (type == SQL_TEXT)
                builder->setLength(status, i, std::min(described->getLength(status, i), kMaxVarying));
        }
    }
    prepared.input = builder->getMetadata(status);
    for (unsigned i = 0; i < count; ++i) {
        InputSlot slot;
        slot.type = prepared.input->getType(status, i) & ~1u;
        slot.scale = prepared.input->getScale(status, i);
        slot.length = prepared.input->getLength(status, i);
        slot.offset = prepared.input->getOffset(status, i);
        slot.nullOffset = prepared.input->getNullOffset(status, i);
        slot.win1252 =
            slot.type == SQL_VARYING && (prepared.input->getCharSet(status, i) & 0xFF) == kCharsetWin1252;
        prepared.slots.push_back(slot);
    }
    prepared.inputLength = prepared.input->getMessageLength(status);
}

}  // namespace

Prepared::~Prepared() {
    if (output) output->release();
    if (input) input->release();
    if (statement) statement->release();
}

void Describe(Prepared& prepared, const std::vector<sqlparams::Literal>* values, ConnectionCharset charset,
              ThrowStatusWrapper* status) {
    prepared.type = prepared.statement->getType(status);
    DescribeOutput(prepared, charset, status);
    if (values) DescribeInput(prepared, *values, charset, status);
}

bool BindValues(Prepared& prepared, const std::vector<sqlparams::Literal>& values) {
    using Kind = sqlparams::Literal::Kind;
    std::vector<unsigned char>& message = prepared.inputBuffer;
    message.resize(prepared.inputLength);  // every slot's null indicator and value is written below
    for (size_t i = 0; i < values.size(); ++i) {
        const InputSlot& slot = prepared.slots[i];
        const sqlparams::Literal& value = values[i];
        const short null = value.kind == Kind::Null ? -1 : 0;
        std::memcpy(message.data() + slot.nullOffset, &null, sizeof null);
        if (value.kind == Kind::Null) continue;
        unsigned char* at = message.data() + slot.offset;
        if (IsInteger(slot.type)) {
            if (value.kind == Kind::Text && !IsCanonicalInteger(value.text)) return false;
            const std::optional<int64_t> scaled = sqlparams::ScaledInteger(value.text, slot.scale);
            if (!scaled) return false;
            const bool written = slot.type == SQL_SHORT  ? WriteInteger<int16_t>(*scaled, at)
                                 : slot.type == SQL_LONG ? WriteInteger<int32_t>(*scaled, at)
                                                         : WriteInteger<int64_t>(*scaled, at);
            if (!written) return false;
        } else if (slot.type == SQL_VARYING) {
            if (value.kind != Kind::Text) return false;
            UnicodeString converted;
            if (slot.win1252) {
                // A character WIN1252 does not have: the text as written meets the same refusal,
                // with its clear message.
                try {
                    converted = Utf8ToWin1252(value.text, "");
                } catch (const EIBError&) {
                    return false;
                }
            }
            const UnicodeString& text = slot.win1252 ? converted : value.text;
            if (text.size() > slot.length) return false;
            const unsigned short length = static_cast<unsigned short>(text.size());
            std::memcpy(at, &length, sizeof length);
            std::memcpy(at + sizeof length, text.data(), text.size());
        } else {
            return false;
        }
    }
    return true;
}

void PreparedDeleter::operator()(Prepared* prepared) const {
    delete prepared;
}

}  // namespace ibx_detail
