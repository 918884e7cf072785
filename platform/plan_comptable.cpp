// The chart of accounts: the general chart's accounts merged with the case file's own, looked up by
// completed account number.
#include <fmt/format.h>

#include <algorithm>
#include <cstring>

#include "platform/compta_interne.h"
#include "platform/dossier.h"

namespace {

constexpr size_t kLongueurNumero = sizeof(PCCompte::NumCompte) - 1;
constexpr size_t kLongueurLibelle = 120;

// The chart while it is open: loaded by the first PCOpen, released by the last PCClose.
struct PlanOuvert {
    CDossier* dossier = nullptr;
    std::map<UnicodeString, UnicodeString> comptes;
    int ouvertures = 0;
};
PlanOuvert plan;

// Copies a text into a fixed buffer, cut on a UTF-8 character boundary, zero-terminated.
template <size_t N>
void Copier(char (&buffer)[N], const UnicodeString& text) {
    size_t length = std::min(text.size(), N - 1);
    if (length < text.size())
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

bool Alphanumerique(const UnicodeString& text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    });
}

}  // namespace

namespace compta {

UnicodeString Completer(CDossier* dossier, const UnicodeString& account) {
    return dossier ? dossier->DossierCompleteCompte(account, true) : account;
}

std::map<UnicodeString, UnicodeString> ChargerPlan(CDossier* dossier) {
    std::map<UnicodeString, UnicodeString> chart;
    for (const CompteGeneral& account : PlanComptableGeneral())
        chart[Completer(dossier, account.numero)] = account.libelle;
    if (!dossier || !dossier->TableExistFirebird("PLAN_COMPTABLE")) return chart;
    TIBQuery query(dossier->GetDatabaseFirebird());
    query.Unidirectional = true;
    query.SQL.Add("SELECT NUM_COMPTE,LIBELLE FROM PLAN_COMPTABLE");
    for (query.Open(); !query.Eof(); query.Next())
        chart[Completer(dossier, query.Fields(0)->AsString())] = query.Fields(1)->AsString();
    return chart;
}

}  // namespace compta

bool PCOpen() {
    if (plan.ouvertures == 0 || plan.dossier != pCurDossier) {
        plan.comptes = compta::ChargerPlan(pCurDossier);
        plan.dossier = pCurDossier;
    }
    ++plan.ouvertures;
    return true;
}

void PCClose() {
    if (plan.ouvertures == 0) return;
    if (--plan.ouvertures == 0) plan.comptes.clear();
}

bool PCGetGTEQ(const char* key, PCCompte* record) {
    if (!record) return false;
    PCOpen();
    struct Fermeture {
        ~Fermeture() { PCClose(); }
    } fermeture;
    const auto found = plan.comptes.lower_bound(compta::Completer(pCurDossier, key ? key : ""));
    const bool exists = found != plan.comptes.end();
    Copier(record->NumCompte, exists ? found->first : "");
    Copier(record->Libelle, exists ? found->second : "");
    return exists;
}

void PCAjouteCompte(const UnicodeString& account, const UnicodeString& label) {
    if (!pCurDossier)
        throw EComptabilite("Aucun dossier n'est ouvert : le compte " + account + " n'est pas ajouté.");
    const UnicodeString number = compta::Completer(pCurDossier, account);
    if (account.empty() || !Alphanumerique(account) || number.size() > kLongueurNumero)
        throw EComptabilite(fmt::format("Numéro de compte \"{}\" invalide : de 1 à {} chiffres ou lettres.",
                                        account, kLongueurNumero));
    if (compta::Longueur(label) > kLongueurLibelle)
        throw EComptabilite(
            fmt::format("Libellé du compte {} trop long : {} caractères au plus.", number, kLongueurLibelle));
    pCurDossier->GetDatabaseFirebird()->ExecuteImmediate(fmt::format(
        "UPDATE OR INSERT INTO PLAN_COMPTABLE (NUM_COMPTE,LIBELLE) VALUES ({},{}) MATCHING (NUM_COMPTE)",
        compta::Quote(number), compta::Quote(label)));
    if (plan.ouvertures > 0 && plan.dossier == pCurDossier) plan.comptes[number] = label;
}

std::vector<CompteCompta> PCListeComptes() {
    std::vector<CompteCompta> accounts;
    for (const auto& [number, label] : compta::ChargerPlan(pCurDossier)) accounts.push_back({number, label});
    return accounts;
}
