#include "units/vksession.h"

#include <algorithm>
#include <cstdlib>

#include <fmt/format.h>

#include "platform/comptabilite.h"
#include "platform/messages.h"
#include "units/uvkbien.h"
#include "units/uvkdivers.h"
#include "units/uvktables.h"

namespace vk {

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
    if (handlerSet_) SetMessageHandler(previousHandler_);
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

void Session::SetMessages(MessageHandler* handler) {
    IMessageHandler* previous = SetMessageHandler(handler);
    if (!handlerSet_) previousHandler_ = previous;
    handlerSet_ = true;
}

namespace {

std::unique_ptr<cVK_Bien> LoadFirstId(const std::string& sql) {
    TIBQuery query(pCurDossier->GetDatabaseFirebird());
    query.SQL.SetText(sql);
    query.Open();
    if (query.Eof() || query.Fields(0)->IsNull()) return nullptr;
    const auto id = static_cast<unsigned>(query.Fields(0)->AsInteger());
    query.Close();
    return std::make_unique<cVK_Bien>(id, "", nullptr, nullptr);
}

}  // namespace

std::unique_ptr<cVK_Bien> LoadLatestVersion(const std::string& refCalc) {
    // A calculated reference is a whole number: any other text names no asset and never reaches
    // the statement.
    const bool digits =
        !refCalc.empty() && refCalc.size() <= 10 &&
        std::all_of(refCalc.begin(), refCalc.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits) return nullptr;
    return LoadFirstId("SELECT FIRST 1 ID_BIEN FROM " + GetNomTable("VKB", false) +
                       " WHERE REF_CALC=" + refCalc + " ORDER BY ID_BIEN DESCENDING");
}

std::unique_ptr<cVK_Bien> LoadAssetByReference(const std::string& reference) {
    return LoadFirstId("SELECT FIRST 1 ID_BIEN FROM " + GetNomTable("VKB", false) + " WHERE " +
                       CastReference("", "") + "=" + VK_FormatAS(reference) + " ORDER BY ID_BIEN DESCENDING");
}

std::vector<AssetSummary> ListAssets() {
    const UnicodeString table = GetNomTable("VKB", false);
    TIBQuery query(pCurDossier->GetDatabaseFirebird());
    query.SQL.SetText("SELECT B.REF_CALC, B.REF_SAIS, B.DESIGNATION FROM " + table +
                      " B WHERE B.ID_BIEN=(SELECT MAX(L.ID_BIEN) FROM " + table +
                      " L WHERE L.REF_CALC=B.REF_CALC) ORDER BY B.REF_CALC");
    query.Open();
    std::vector<AssetSummary> assets;
    for (; !query.Eof(); query.Next())
        assets.push_back(
            {query.Fields(0)->AsString(), query.Fields(1)->AsString(), query.Fields(2)->AsString()});
    query.Close();
    return assets;
}

}  // namespace vk
