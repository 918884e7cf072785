/// @file
/// Dialogue with the user: questions, information, errors shown with their location code.
///
/// The engine never talks to a screen itself; it calls these functions, which pass the message to
/// the handler the host installed. Without a host handler, questions are answered yes and the rest is
/// written to standard error (a library build without user interface).
///
/// Location codes: the high 16 bits number the source unit (900 to 907 for the engine), the low 16
/// bits give the source line of the catch; they are shown as [0x0385002A].
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "platform/system.h"

/// What a host implements to show the engine's messages to its user (in French) and answer its
/// questions. Called on the thread that runs the engine.
class IMessageHandler {
public:
    virtual ~IMessageHandler() = default;
    /// A yes/no question (`text`, titled `caption`, e.g. "Confirmation" before a deletion); true
    /// for yes. `flags` are the buttons and icon the engine would have asked of a dialog box.
    virtual bool Question(const UnicodeString& text, const UnicodeString& caption, unsigned flags) = 0;
    /// Information for the user; nothing to answer.
    virtual void Information(const UnicodeString& text) = 0;
    /// An error the engine caught: `code` is its location code (FormatLocationCode), `message`
    /// the text of the failure.
    virtual void DisplayException(unsigned long code, const UnicodeString& message) = 0;
};

/// The default handler: answers yes, writes information and errors to standard error.
class DefaultMessageHandler : public IMessageHandler {
public:
    /// Writes the question and "oui" to standard error; true.
    bool Question(const UnicodeString& text, const UnicodeString& caption, unsigned flags) override;
    /// Writes the text to standard error.
    void Information(const UnicodeString& text) override;
    /// Writes the location code and the message to standard error.
    void DisplayException(unsigned long code, const UnicodeString& message) override;
};

/// Installs a handler (not owned; nullptr restores the default) and returns the previous one
/// (nullptr for the default).
IMessageHandler* SetMessageHandler(IMessageHandler* handler);

/// Counts the exceptions shown since the start of the process, so that a caller can tell whether an
/// operation reported a failure while returning normally.
uint64_t ExceptionsShown();

/// A location code as shown to the user: "[0x0385002A]".
UnicodeString FormatLocationCode(unsigned long code);
/// Builds a location code from a unit number and a line.
constexpr unsigned long VK_LocationCode(unsigned unit, unsigned line) {
    return (static_cast<unsigned long>(unit) << 16) | (line & 0xFFFF);
}

/// Asks the installed handler a question (wide text, converted to UTF-8); true for yes.
bool OKTQuestion(const wchar_t* text, const wchar_t* caption, unsigned flags);
/// Asks the installed handler a question; true for yes.
bool OKTQuestion(const UnicodeString& text, const UnicodeString& caption, unsigned flags);
/// Passes information to the installed handler.
void OKTInformation(const UnicodeString& text);
/// Shows an error to the installed handler with its location code, and counts it
/// (ExceptionsShown). `context` is unused.
void OKTDisplayException(unsigned long code, const std::exception& e, void* context);
/// Whether `file` in `directory` is a regular file.
bool OKTFileExist(const UnicodeString& directory, const UnicodeString& file);

/// An exception that carries the location code of the place that raised it.
class EUser : public Exception {
public:
    /// The message of `cause`, raised at `code`.
    EUser(unsigned long code, const std::exception& cause, int = 0);
    /// `message`, raised at `code`.
    EUser(unsigned long code, const UnicodeString& message);

    unsigned long Code;  ///< the location code
};

/// A handler for tests and scripted hosts: answers from a queue (then a default answer) and keeps
/// everything it was shown.
class RecordingMessageHandler : public IMessageHandler {
public:
    /// An error shown.
    struct Shown {
        unsigned long code;     ///< its location code
        UnicodeString message;  ///< its text
    };

    /// Keeps the question; answers the next of `answers`, else `defaultAnswer`.
    bool Question(const UnicodeString& text, const UnicodeString& caption, unsigned flags) override;
    /// Keeps the text in `informations`.
    void Information(const UnicodeString& text) override;
    /// Keeps the error in `exceptions`.
    void DisplayException(unsigned long code, const UnicodeString& message) override;

    std::vector<bool> answers;                ///< the answers to give, consumed from the front
    bool defaultAnswer = true;                ///< the answer once `answers` is empty
    std::vector<UnicodeString> questions;     ///< the questions asked, in order
    std::vector<UnicodeString> informations;  ///< the information shown, in order
    std::vector<Shown> exceptions;            ///< the errors shown, in order
};

/// Installs a handler for the life of the object and restores the previous one after.
class ScopedMessageHandler {
public:
    /// Installs `handler` (not owned).
    explicit ScopedMessageHandler(IMessageHandler* handler) : previous_(SetMessageHandler(handler)) {}
    ~ScopedMessageHandler() { SetMessageHandler(previous_); }
    ScopedMessageHandler(const ScopedMessageHandler&) = delete;
    ScopedMessageHandler& operator=(const ScopedMessageHandler&) = delete;

private:
    IMessageHandler* previous_;
};
