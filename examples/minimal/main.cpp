// A minimal host: opens a case file, prints each component's accounting charge of the year at the
// situation date, and shows how a null amount and an engine error reach the host.
#include <iostream>

#include "platform/version.h"
#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvklistes.h"
#include "units/vksession.h"

namespace {

// Errors the engine shows are kept with their location code; questions are answered no.
class Messages : public vk::MessageHandler {
public:
    bool Question(const UnicodeString& text, const UnicodeString&, unsigned) override {
        std::cout << "question: " << text << " -> non\n";
        return false;
    }
    void Information(const UnicodeString& text) override { std::cout << "information: " << text << '\n'; }
    void DisplayException(unsigned long code, const UnicodeString& message) override {
        std::cout << "erreur " << FormatLocationCode(code) << ' ' << message << '\n';
    }
};

// A null amount means "not concerned" or "not computed": never print it as zero.
std::string Text(const CCurrency& amount) {
    return amount.IsNull() ? "(sans objet)" : amount.ToString();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " CASE_DIR\n";
        return vk::kExitInvalid;
    }
    std::cout << "vkengine " << vk_version() << '\n';
    try {
        Messages messages;
        vk::Session session;
        session.SetMessages(&messages);
        session.Open(argv[1]);
        session.RunAction([&] {
            const TDateTime at = session.Dossier().DateSituation;
            for (const vk::AssetSummary& summary : vk::ListAssets()) {
                std::unique_ptr<cVK_Bien> asset = vk::LoadLatestVersion(summary.refCalc);
                if (!asset) continue;
                const cVK_ListeComposants& components = *asset->GetListeComposants();
                for (int i = 0; i < components.Count(); ++i) {
                    cVK_Composant& component = *components.Get(i);
                    cVK_Amortissement* plan = component.GetAmort(taComptable);
                    std::cout << summary.refSais << ' ' << component.Designation << ": "
                              << (plan ? Text(plan->GetDotation(at)) : "(pas de plan comptable)") << '\n';
                }
            }
            if (!vk::LoadAssetByReference("ABSENT")) std::cout << "ABSENT : aucune immobilisation\n";
        });
    } catch (const std::exception& e) {
        std::cerr << "échec : " << e.what() << '\n';
        return vk::kExitFailure;
    }
    return vk::kExitOk;
}
