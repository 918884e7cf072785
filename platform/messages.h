// Dialogue with the user: questions, information, errors shown with their location code.
//
// The engine never talks to a screen itself; it calls these functions, which pass the message to
// the handler the host installed. Without a host handler, questions are answered yes and the rest is
// written to standard error (a library build without user interface).
//
// Location codes: the high 16 bits number the source unit (900 to 907 for the engine), the low 16
// bits give the source line of the catch; they are shown as [0x0385002A].
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "platform/system.h"

class IMessageHandler {
  public:
    virtual ~IMessageHandler() = default;
    // A yes/no question; true for yes.
    virtual bool Question(const UnicodeString& text, const UnicodeString& caption, unsigned flags) = 0;
    virtual void Information(const UnicodeString& text) = 0;
    virtual void DisplayException(unsigned long code, const UnicodeString& message) = 0;
};

// The default handler: answers yes, writes information and errors to standard error.
class DefaultMessageHandler : public IMessageHandler {
  public:
    bool Question(const UnicodeString& text, const UnicodeString& caption, unsigned flags) override;
    void Information(const UnicodeString& text) override;
    void DisplayException(unsigned long code, const UnicodeString& message) override;
};

// Installs a handler (not owned; nullptr restores the default) and returns the previous one.
IMessageHandler* SetMessageHandler(IMessageHandler* handler);

// Counts the exceptions shown since the start of the process, so that a caller can tell whether an
// operation reported a failure while returning normally.
uint64_t ExceptionsShown();

// "[0x0385002A]"
UnicodeString FormatLocationCode(unsigned long code);
// Builds a location code from a unit number and a line.
constexpr unsigned long VK_LocationCode(unsigned unit, unsigned line) {
    return (static_cast<unsigned long>(unit) << 16) | (line & 0xFFFF);
}

bool OKTQuestion(const wchar_t* text, const wchar_t* caption, unsigned flags);
bool OKTQuestion(const UnicodeString& text, const UnicodeString& caption, unsigned flags);
void OKTInformation(const UnicodeString& text);
void OKTDisplayException(unsigned long code, const std::exception& e, void* context);
bool OKTFileExist(const UnicodeString& directory, const UnicodeString& file);

// An exception that carries the location code of the place that raised it.
class EUser : public Exception {
  public:
    EUser(unsigned long code, const std::exception& cause, int = 0);
    EUser(unsigned long code, const UnicodeString& message);

    unsigned long Code;
};

// A handler for tests and scripted hosts: answers from a queue (then a default answer) and keeps
// everything it was shown.
class RecordingMessageHandler : public IMessageHandler {
  public:
    struct Shown {
        unsigned long code;
        UnicodeString message;
    };

    bool Question(const UnicodeString& text, const UnicodeString& caption, unsigned flags) override;
    void Information(const UnicodeString& text) override;
    void DisplayException(unsigned long code, const UnicodeString& message) override;

    std::vector<bool> answers;  // consumed from the front
    bool defaultAnswer = true;
    std::vector<UnicodeString> questions;
    std::vector<UnicodeString> informations;
    std::vector<Shown> exceptions;
};

// Installs a handler for the life of the object and restores the previous one after.
class ScopedMessageHandler {
  public:
    explicit ScopedMessageHandler(IMessageHandler* handler) : previous_(SetMessageHandler(handler)) {}
    ~ScopedMessageHandler() { SetMessageHandler(previous_); }
    ScopedMessageHandler(const ScopedMessageHandler&) = delete;
    ScopedMessageHandler& operator=(const ScopedMessageHandler&) = delete;

  private:
    IMessageHandler* previous_;
};
