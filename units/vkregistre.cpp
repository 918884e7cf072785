#include "units/vkregistre.h"

#include <algorithm>

#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvkcomposant.h"
#include "units/uvklistes.h"
#include "units/vksession.h"

namespace vk {

namespace {

CCurrency Sum(const CCurrency& total, const CCurrency& value) {
    return value.IsNull() ? total : total + value;
}

RegisterLine LineOf(cVK_Bien& asset, const AssetSummary& summary, const TDateTime& at) {
    RegisterLine line;
    line.ref = summary.refSais;
    line.refCalc = summary.refCalc;
    line.designation = summary.label;
    line.state = asset.Etat;
    line.complement = asset.EtatCplmt;
    line.gross = CCurrency(0);
    line.nbv = CCurrency(0);
    if (cVK_Composant* structure = asset.GetStructure()) {
        line.account = structure->NUMCOMPTE;
        line.entryDate = structure->DATEENTREE;
    }
    cVK_ListeComposants* components = asset.GetListeComposants();
    for (int i = 0; components && i < components->Count(); ++i) {
        cVK_Composant* component = components->Get(i);
        const CCurrency price = component->GetPrixHT();
        line.gross = Sum(line.gross, price);
        cVK_Amortissement* plan = component->GetAmort(taComptable);
        line.nbv = Sum(line.nbv, plan ? plan->GetVNC(at) : price);
    }
    return line;
}

}  // namespace

std::vector<RegisterLine> ListRegister(const TDateTime& at, std::optional<int> state) {
    std::vector<RegisterLine> lines;
    for (const AssetSummary& summary : ListAssets()) {
        std::unique_ptr<cVK_Bien> asset = LoadLatestVersion(summary.refCalc);
        if (!asset || (state && asset->Etat != *state)) continue;
        lines.push_back(LineOf(*asset, summary, at));
    }
    std::stable_sort(lines.begin(), lines.end(), [](const RegisterLine& a, const RegisterLine& b) {
        return a.ref != b.ref                         ? a.ref < b.ref
               : a.refCalc.size() != b.refCalc.size() ? a.refCalc.size() < b.refCalc.size()
                                                      : a.refCalc < b.refCalc;
    });
    return lines;
}

}  // namespace vk
