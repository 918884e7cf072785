// Internal helpers shared by the data-access layer's sources: the Firebird master interface, a
// throwing status that is disposed with its scope, and the conversion of Firebird errors.
#pragma once

#include <firebird/Interface.h>

#include "platform/db/ibx.h"

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
