/// @file
/// Basic types shared by the host services and the engine: text and the root exception.
#pragma once

#include <exception>
#include <string>
#include <utility>

/// Text is kept as UTF-8 in memory; the database connection converts it.
using UnicodeString = std::string;

/// Root of the exceptions raised by the host services and the engine.
class Exception : public std::exception {
public:
    /// An exception whose text is `message` (French, for the user).
    explicit Exception(UnicodeString message) : Message(std::move(message)) {}
    /// The message, UTF-8.
    const char* what() const noexcept override { return Message.c_str(); }

    UnicodeString Message;  ///< the message, UTF-8
};
