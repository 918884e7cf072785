#include "host/session.h"

#include <cstdlib>

#include "platform/comptabilite.h"
#include "platform/messages.h"

namespace vkhost {

namespace {
UnicodeString DefaultUser() {
    const char* user = std::getenv("USER");
    return user && *user ? user : "demo";
}
}  // namespace

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
