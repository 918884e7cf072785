/// @file
/// What a host application does around the engine: the environment, the open case file, the
/// engine's globals, one transaction per user action, the lookups of assets and the messages.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dossier.h"
#include "platform/environnement.h"
#include "platform/messages.h"

class cVK_Bien;

namespace vk {

/// Exit statuses of a command-line host: 0 success.
constexpr int kExitOk = 0;
/// The engine or the database reported an error.
constexpr int kExitFailure = 1;
/// Invalid input.
constexpr int kExitInvalid = 2;

/// Raised for invalid input (a host exits with status 2). The message stays one line of plain
/// text: the control characters of what it quotes from the input are written escaped ("\n",
/// "\u001B"), so that nothing read from a file can break the line or drive a terminal.
class InvalidInput : public Exception {
public:
    /// The message, its control characters escaped.
    explicit InvalidInput(const UnicodeString& message);
};

/// Raised by Session::RunAction when the engine showed an error (through the message handler)
/// without raising one itself: the engine's operations catch their own failures and return a
/// neutral value, so a host learns of them only this way.
class EngineReportedFailure : public Exception {
public:
    using Exception::Exception;
};

/// Where the environment lives and who works in it.
struct EnvironmentOptions {
    UnicodeString directory;  ///< empty: TEnvironnement::RepertoireParDefaut()
    UnicodeString user;       ///< empty: $USER, else "demo"
};

/// The engine's messages, for a host: questions (answer true for yes; deletions ask "Confirmation"
/// and delete nothing on no), information, and errors with their location code. A location code's
/// high 16 bits number the engine's source unit (900 to 907, 910 for the host's closing), its low
/// 16 bits the line; FormatLocationCode() writes it as "[0x0385002A]". Without a handler the engine
/// answers every question yes and writes the rest to standard error.
using MessageHandler = IMessageHandler;

/// One engine session: opens the environment and, once Open() or Create() is called, one case
/// file, and makes them the engine's current ones (the globals pEnvironnement and pCurDossier) for
/// its lifetime. The destructor closes the case file and clears the globals. The engine keeps its
/// state in process-wide globals: one session, one case file at a time per process.
class Session {
public:
    /// Opens the environment; raises on failure.
    explicit Session(const EnvironmentOptions& options = {});
    /// Closes the case file and the environment and clears the engine's globals.
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    /// The environment (common database, named databases).
    TEnvironnement& Environment() { return *environment_; }
    /// The open case file; HasDossier() must be true.
    CDossier& Dossier() { return *dossier_; }
    /// Whether a case file is open.
    bool HasDossier() const { return dossier_ != nullptr; }

    /// Creates a case file in an empty or missing directory and opens it.
    void Create(const UnicodeString& directory, const ParametresDossier& parameters);
    /// Opens an existing case file (closing the one open); raises EDossier when it cannot.
    void Open(const UnicodeString& directory);
    /// Closes the case file, if any.
    void Close();

    /// Runs one user action in one transaction: commits when it returns normally and the engine
    /// showed no error meanwhile; otherwise rolls everything back and raises (the action's own
    /// exception, or EngineReportedFailure). The engine's own commits inside are no-ops.
    void RunAction(const std::function<void()>& action);

    /// Installs a message handler (not owned) for the session's lifetime; nullptr restores the
    /// default.
    void SetMessages(MessageHandler* handler);

private:
    std::unique_ptr<TEnvironnement> environment_;
    std::unique_ptr<CDossier> dossier_;
    IMessageHandler* previousHandler_ = nullptr;
    bool handlerSet_ = false;
};

/// The latest version (highest ID_BIEN) of the asset whose calculated reference is given, loaded
/// with its components; null when the chain has no version.
std::unique_ptr<cVK_Bien> LoadLatestVersion(const std::string& refCalc);
/// The latest version of the asset a user names by its entered reference, or by its calculated
/// one; null when none matches.
std::unique_ptr<cVK_Bien> LoadAssetByReference(const std::string& reference);

/// One line of the asset list.
struct AssetSummary {
    std::string refCalc;  ///< the chain's calculated reference
    std::string refSais;  ///< the entered reference
    std::string label;    ///< the designation
};
/// Every asset of the open case file, one line per chain (its latest version), by calculated
/// reference.
std::vector<AssetSummary> ListAssets();

}  // namespace vk
