#include "units/vkchamps.h"

#include "platform/dossier.h"
#include "platform/environnement.h"
#include "platform/tablesfichier.h"

namespace vkchamps {

UnicodeString UtilisateurStamp() {
    const UnicodeString user = pEnvironnement ? pEnvironnement->Utilisateur : UnicodeString();
    size_t characters = 0, at = 0;
    while (at < user.size()) {
        if (characters == 15) return user.substr(0, at);
        ++at;
        while (at < user.size() && (static_cast<unsigned char>(user[at]) & 0xC0) == 0x80) ++at;
        ++characters;
    }
    return user;
}

bool TableExiste(const UnicodeString& code, const UnicodeString& base) {
    if (EstDossier(base)) return pCurDossier->TableExistFirebird(GetNomTable(code, false));
    return tablesfichier::TableExiste(base, GetNomTableBase(code, base));
}

long long Scalaire(const UnicodeString& sql, const UnicodeString& base) {
    std::unique_ptr<TIBQuery> query = EstDossier(base)
                                          ? std::make_unique<TIBQuery>(pCurDossier->GetDatabaseFirebird())
                                          : tablesfichier::NouvelleRequete(base, sql, true);
    query->SQL.SetText(sql);
    query->Unidirectional = true;
    query->Open();
    if (query->Eof() || query->Fields(0)->IsNull()) return 0;
    return query->Fields(0)->AsInt64();
}

}  // namespace vkchamps
