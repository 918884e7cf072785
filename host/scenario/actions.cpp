#include "host/scenario/actions.h"

#include "host/commands/closing.h"
#include "host/commands/entries.h"
#include "units/uvklistes.h"

namespace vkhost {

namespace {

std::unique_ptr<cVK_Bien> Latest(const ActionInput& action, const std::vector<AssetKey>& keys) {
    std::unique_ptr<cVK_Bien> asset = LoadLatestVersion(keys.at(action.asset_index).refCalc);
    if (!asset) throw EngineReportedFailure("Le bien " + action.asset + " n'a plus de version");
    return asset;
}

void StorePast(cVK_Bien& asset) {
    cVK_ListeComposants* components = asset.GetListeComposants();
    for (int i = 0; components && i < components->Count(); ++i) components->Get(i)->StockeAmortAnterieurs();
    if (!asset.BD_MAJ())
        throw EngineReportedFailure("Le bien " + asset.GetReference() + " n'a pas pu être enregistré");
}

}  // namespace

void RunScenarioAction(Session& session, const ActionInput& action, const std::vector<AssetKey>& keys) {
    switch (action.kind) {
        case ActionKind::Validate:
            Latest(action, keys)->Valider(static_cast<VK_EtatsCplmt>(action.complement));
            break;
        case ActionKind::CloseYear:
            CloseYear(session.Dossier(), nullptr);
            break;
        case ActionKind::StorePast:
            StorePast(*Latest(action, keys));
            break;
        case ActionKind::Duplicate:
            Latest(action, keys)->BD_Dupliquer(static_cast<VK_Etats>(action.state), action.new_references);
            break;
        case ActionKind::DeleteVersion:
            Latest(action, keys)->BD_SupprimerEtatCourant(false);
            break;
        case ActionKind::CreateEntries:
            CreateEntries(action.entries_kind);
            break;
        case ActionKind::CancelEntries:
            CancelEntries(action.entries_kind);
            break;
        case ActionKind::ExportEntries:
            ExportEntries(action.entries_kind, action.file_path);
            break;
    }
}

}  // namespace vkhost
