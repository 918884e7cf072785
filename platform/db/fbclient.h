// Internal helpers shared by the data-access layer's sources: the Firebird master interface, a
// throwing status that is disposed with its scope, and the conversion of Firebird errors.
#pragma once

#include <firebird/Interface.h>

#include "platform/db/ibx.h"
#include "platform/db/sqlparams.h"

namespace ibx_detail {

Firebird::IMaster* Master();
Firebird::IUtil* Util();
Firebird::IProvider* Provider();

class Status {
public:
    Status() : wrapper_(Master()->getStatus()) {}
    ~Status() { wrapper_.dispose(); }
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;
    Firebird::ThrowStatusWrapper* operator&() { return &wrapper_; }

private:
    Firebird::ThrowStatusWrapper wrapper_;
};

// WIN1252 text as UTF-8.
UnicodeString Win1252ToUtf8(const UnicodeString& text);
// UTF-8 text as WIN1252; raises EIBError (with the codes of Firebird's own transliteration error)
// for a character WIN1252 does not have or for text that is not UTF-8.
UnicodeString Utf8ToWin1252(const UnicodeString& text, const UnicodeString& sql);
bool IsUtf8(const UnicodeString& text);
// The byte position of the first character of a UTF-8 text that WIN1252 cannot hold (its code point
// in *codePoint, -1 for bytes that are not UTF-8), or -1 when it can hold them all.
long FirstNotWin1252(const UnicodeString& text, long* codePoint);

// Where one value goes in a statement's input message.
struct InputSlot {
    unsigned type = 0;  // the type the value is written as (without the nullable bit)
    int scale = 0;
    unsigned length = 0;
    unsigned offset = 0;
    unsigned nullOffset = 0;
    bool win1252 = false;  // a text written in the connection's WIN1252, converted from UTF-8
};

// A prepared statement of the pool with what the executions need of it, read once at prepare: its
// kind, its output columns and their places in the message, and for a lifted shape the input
// message its values are bound in.
struct Prepared {
    Prepared() = default;
    Prepared(const Prepared&) = delete;
    Prepared& operator=(const Prepared&) = delete;
    ~Prepared();

    UnicodeString key;
    Firebird::IStatement* statement = nullptr;
    unsigned type = 0;  // isc_info_sql_stmt_*
    Firebird::IMessageMetadata* output = nullptr;
    IBColumns columns;
    std::vector<unsigned> offsets, nullOffsets, lengths;
    unsigned outputLength = 0;
    std::vector<unsigned char> buffer;            // the output message of the execution under way
    Firebird::IMessageMetadata* input = nullptr;  // null for a text run as written
    std::vector<InputSlot> slots;
    unsigned inputLength = 0;
    std::vector<unsigned char> inputBuffer;  // the input message of the execution under way
    // False when the parameters the database describes cannot take these kinds of values exactly
    // (a number into a text column, a text into an amount, a double): the text then runs as written.
    bool bindable = true;
};

// The connection's character set, as the messages of its statements carry texts.
struct ConnectionCharset {
    bool win1252 = false;
};

// Reads the output columns and, with values, chooses how each value is bound to its parameter.
// Texts and column names are described as the connection carries them (WIN1252 or UTF-8).
void Describe(Prepared& prepared, const std::vector<sqlparams::Literal>* values, ConnectionCharset charset,
              Firebird::ThrowStatusWrapper* status);
// Writes the values into the statement's input message; false when one of them cannot be bound without
// changing its meaning (a number beyond the parameter's range or scale, a text longer than it): the text then
// runs as written.
bool BindValues(Prepared& prepared, const std::vector<sqlparams::Literal>& values);

// Converts a Firebird error into EIBError carrying its codes, message and SQL text.
[[noreturn]] void Raise(const Firebird::FbException& error, const UnicodeString& sql);

// Runs f, converting a Firebird error into EIBError.
template <typename F>
auto Guard(const UnicodeString& sql, F&& f) -> decltype(f()) {
    try {
        return f();
    } catch (const Firebird::FbException& error) {
        Raise(error, sql);
    }
}

}  // namespace ibx_detail
