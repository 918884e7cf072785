#include "host/session.h"

#include <cstdlib>

#include <fmt/format.h>

#include "platform/comptabilite.h"
#include "platform/messages.h"
#include "units/uvktables.h"

namespace vkhost {

namespace {

// The text with its C0 and C1 control characters and DEL escaped; the rest, bytes that are not
// UTF-8 included, unchanged.
UnicodeString EscapeControls(const UnicodeString& text) {
    UnicodeString escaped;
    escaped.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c == '\n') {
            escaped += "\\n";
        } else if (c == '\t') {
            escaped += "\\t";
        } else if (c == '\r') {
            escaped += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            escaped += fmt::format("\\u{:04X}", c);
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {  // U+0080..U+009F
            escaped += fmt::format("\\u{:04X}", next);
            ++i;
        } else {
            escaped += char(c);
        }
    }
    return escaped;
}

UnicodeString DefaultUser() {
    const char* user = std::getenv("USER");
    return user && *user ? user : "demo";
}
}  // namespace

InvalidInput::InvalidInput(const UnicodeString& message) : Exception(EscapeControls(message)) {}

Session::Session(const EnvironmentOptions& options) {
    UnicodeString directory =
        options.directory.empty() ? TEnvironnement::RepertoireParDefaut() : options.directory;
    environment_ = TEnvironnement::Ouvrir(directory, options.user.empty() ? DefaultUser() : options.user);
    pEnvironnement = environment_.get();
}

Session::~Session() {
    Close();
    if (pEnvironnement == environment_.get()) pEnvironnement = nullptr;
}

void Session::Create(const UnicodeString& directory, const ParametresDossier& parameters) {
    Close();
    dossier_ = CDossier::Creer(directory, parameters);
    pCurDossier = dossier_.get();
    ComptaCreerTables(*dossier_);
}

void Session::Open(const UnicodeString& directory) {
    Close();
    dossier_ = CDossier::Ouvrir(directory);
    pCurDossier = dossier_.get();
    ComptaCreerTables(*dossier_);  // a case file made before the ledger existed gets its tables
    if (!VK_CreerIndex()) throw EngineReportedFailure("Les index du registre n'ont pas pu être créés");
}

void Session::Close() {
    if (!dossier_) return;
    if (pCurDossier == dossier_.get()) pCurDossier = nullptr;
    dossier_->Fermer();
    dossier_.reset();
}

void Session::RunAction(const std::function<void()>& action) {
    const uint64_t shownBefore = ExceptionsShown();
    std::optional<CActionDossier> transaction;
    if (dossier_) transaction.emplace(*dossier_);
    try {
        action();
        if (ExceptionsShown() != shownBefore)
            throw EngineReportedFailure("L'action a échoué : rien n'a été enregistré");
        if (transaction) transaction->Commit();
        environment_->Liberer();
    } catch (...) {
        transaction.reset();  // rolls back
        AssEcrAbandonne();    // an entry or an export run left open by the failure
        environment_->Abandonner();
        throw;
    }
}

}  // namespace vkhost
