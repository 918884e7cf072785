// What every command of the host does around the engine: the environment, the open case file, the
// engine's globals, and one transaction per user action.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "platform/dossier.h"
#include "platform/environnement.h"

namespace vkhost {

// Exit statuses of the host.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the engine or the database reported an error
constexpr int kExitInvalid = 2;  // invalid input

// Raised for invalid input; the host exits with status 2. The message stays one line of plain text:
// the control characters of what it quotes from the input (a field name, a reference) are written
// escaped ("\n", "\u001B"), so that nothing read from a file can break the line or drive the
// terminal it is shown on.
class InvalidInput : public Exception {
public:
    explicit InvalidInput(const UnicodeString& message);
};

struct EnvironmentOptions {
    UnicodeString directory;  // empty: TEnvironnement::RepertoireParDefaut()
    UnicodeString user;       // empty: $USER, else "demo"
};

// Opens the environment and, for a case file, makes it the engine's current one. Destroying the
// session detaches everything and clears the engine's globals.
class Session {
public:
    explicit Session(const EnvironmentOptions& options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    TEnvironnement& Environment() { return *environment_; }
    CDossier& Dossier() { return *dossier_; }
    bool HasDossier() const { return dossier_ != nullptr; }

    void Create(const UnicodeString& directory, const ParametresDossier& parameters);
    void Open(const UnicodeString& directory);
    void Close();

    // Runs one user action in one transaction: commits when it returns normally and the engine
    // showed no error meanwhile; otherwise rolls everything back and raises.
    void RunAction(const std::function<void()>& action);

private:
    std::unique_ptr<TEnvironnement> environment_;
    std::unique_ptr<CDossier> dossier_;
};

// Raised by RunAction when the engine showed an error without raising one itself.
class EngineReportedFailure : public Exception {
public:
    using Exception::Exception;
};

}  // namespace vkhost
