// vkhost validate DIR REF: an asset's latest version validated, its opening balances stored.
#include <fmt/format.h>

#include "host/commands/stored_case.h"
#include "units/uvkbien.h"
#include "units/uvklistes.h"

namespace vkhost {

int RunValidate(const StoredCaseOptions& options, const EnvironmentOptions& environment, std::ostream& out) {
    Session session(environment);
    session.Open(options.directory);
    AnnounceDatabase(session);
    std::string reference;
    session.RunAction([&] {
        std::unique_ptr<cVK_Bien> asset = FindAsset(options);
        reference = Printable(asset->GetReference());
        asset->Valider(static_cast<VK_EtatsCplmt>(options.complement));
    });
    out << "Bien " << reference << " validé.\n";
    return kExitOk;
}

}  // namespace vkhost
