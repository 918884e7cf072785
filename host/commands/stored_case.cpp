// What the commands on a stored case file share: the database announced, engine errors turned into
// a failure, stored texts made safe for a terminal, the --at date read.
#include "host/commands/stored_case.h"

#include <fmt/format.h>

#include <iostream>

#include "host/commands/user_date.h"
#include "platform/messages.h"
#include "units/vksession.h"

namespace vkhost {

std::unique_ptr<cVK_Bien> FindAsset(const StoredCaseOptions& options) {
    std::unique_ptr<cVK_Bien> asset = vk::LoadAssetByReference(options.reference);
    if (!asset) throw InvalidInput("REF: aucun bien de référence \"" + options.reference + "\"");
    return asset;
}

TDateTime DateOption(const UnicodeString& text, const TDateTime& byDefault) {
    return text.empty() ? byDefault : ReadDateOption(text, "--at");
}

std::string Printable(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c < 0x20 || c == 0x7F) {
            shown += fmt::format("\\u{:04X}", c);
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            shown += fmt::format("\\u{:04X}", next);
            ++i;
        } else {
            shown += char(c);
        }
    }
    return shown;
}

void AnnounceDatabase(Session& session) {
    std::cerr << "Base ouverte : " << session.Dossier().NomBase() << std::endl;
}

void FailIfEngineShowedErrors(uint64_t shownBefore, const char* what) {
    if (ExceptionsShown() != shownBefore)
        throw EngineReportedFailure(
            fmt::format("{} : le moteur a signalé une erreur, l'affichage est incomplet", what));
}

}  // namespace vkhost
