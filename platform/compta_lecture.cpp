// Reading the ledger: for the host, and line by line for the comparison with the register.
#include "platform/compta_interne.h"
#include "platform/dossier.h"

std::vector<EcritureCompta> ComptaLireEcritures() {
    if (!pCurDossier)
        throw EComptabilite("Aucun dossier n'est ouvert : la comptabilité ne peut pas être lue.");
    return compta::LireEcritures(*pCurDossier);
}

int ComptaComparer(void* contexte, FctLigneCompta ligne, FctRegistreCompta registre) {
    // The ledger is read whole first, so that the callbacks may query the database themselves.
    const std::vector<EcritureCompta> entries = ComptaLireEcritures();
    int visited = 0;
    for (const EcritureCompta& entry : entries) {
        const UnicodeString origin = entry.OrigineTexte();
        const dateDOS date = ComptaDateDOS(entry.Date);
        for (const LigneCompta& line : entry.Lignes) {
            if (ligne)
                ligne(contexte, line.Compte.c_str(), entry.Journal.c_str(), origin.c_str(),
                      entry.Speciale ? 1 : 0, date, line.Debit ? 1 : 0, line.Montant.AsDouble());
            ++visited;
        }
    }
    if (registre) registre(contexte);
    return visited;
}
