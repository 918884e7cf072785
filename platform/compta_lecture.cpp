// Reading the ledger: for the host, and line by line for the comparison with the register.
#include "platform/compta_interne.h"
#include "platform/dossier.h"
#include "platform/fec.h"

std::vector<EcritureCompta> ComptaLireEcritures() {
    if (!pCurDossier)
        throw EComptabilite("Aucun dossier n'est ouvert : la comptabilité ne peut pas être lue.");
    return compta::LireEcritures(*pCurDossier);
}

namespace {

// The accounts of the company's ledger that the register has a say on: fixed assets (20 to 23),
// depreciation and impairment (28, 29), their charges and income (68, 78), disposals (675, 775) and
// the tax depreciation (145, 687, 787).
bool CompteDuRegistre(const UnicodeString& account) {
    static const char* const kPrefixes[] = {"20", "21", "22",  "23",  "28", "29",
                                            "68", "78", "675", "775", "145"};
    for (const char* prefix : kPrefixes)
        if (account.rfind(prefix, 0) == 0) return true;
    return false;
}

// The company's general ledger of the current year, when one was imported: its opening balances
// come as lines not flagged special, the year's movements as special lines (so that a comparison of
// the opening takes the opening balances alone).
int ComparerGrandLivre(void* contexte, FctLigneCompta ligne, const std::vector<fec::LigneFEC>& lines) {
    int visited = 0;
    for (const fec::LigneFEC& line : lines) {
        if (!CompteDuRegistre(line.CompteNum)) continue;
        const dateDOS date = ComptaDateDOS(line.EcritureDate);
        const CCurrency balance = line.Debit - line.Credit;
        const bool debit = !(balance < 0);
        const CCurrency amount = debit ? balance : -balance;
        if (ligne)
            ligne(contexte, line.CompteNum.c_str(), line.JournalCode.c_str(), "", line.Ouverture ? 0 : 1,
                  date, debit ? 1 : 0, amount.AsDouble());
        ++visited;
    }
    return visited;
}

}  // namespace

bool ComptaGrandLivreEntreprise() {
    return pCurDossier && fec::GrandLivreImporte(*pCurDossier, pCurDossier->DateDebutExercice);
}

int ComptaComparer(void* contexte, FctLigneCompta ligne, FctRegistreCompta registre) {
    if (ComptaGrandLivreEntreprise()) {
        const int visited = ComparerGrandLivre(
            contexte, ligne, fec::LireGrandLivre(*pCurDossier, pCurDossier->DateDebutExercice));
        if (registre) registre(contexte);
        return visited;
    }
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
