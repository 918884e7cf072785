// The statements built from the year's figures of the components.
#include "units/uvketat.h"

#include <functional>
#include <map>
#include <stdexcept>

#include <fmt/format.h>

#include "platform/dossier.h"
#include "units/uvketat_faits.h"
#include "units/uvketat_internes.h"
#include "units/uvketat_postes.h"
#include "units/vktypes.h"

namespace vketat {

Cellule Cellule::DeTexte(std::string text) {
    Cellule c;
    c.type = TypeCellule::Texte;
    c.texte = std::move(text);
    return c;
}

Cellule Cellule::DeDate(const TDateTime& date) {
    Cellule c;
    c.type = TypeCellule::Date;
    c.date = date;
    return c;
}

Cellule Cellule::DeMontant(const CCurrency& amount) {
    Cellule c;
    c.type = TypeCellule::Montant;
    c.montant = amount;
    return c;
}

Cellule Cellule::DEntier(long long value) {
    Cellule c;
    c.type = TypeCellule::Entier;
    c.entier = value;
    return c;
}

int Etat::IndexColonne(const std::string& key) const {
    for (size_t i = 0; i < colonnes.size(); ++i)
        if (colonnes[i].cle == key) return static_cast<int>(i);
    return -1;
}

CCurrency Etat::Montant(const Ligne& row, const std::string& key) const {
    const int index = IndexColonne(key);
    if (index < 0 || index >= static_cast<int>(row.cellules.size())) return CCurrency(0);
    return Z(row.cellules[index].montant);
}

Etat Entete(const std::string& form, const std::string& title, const Periode& periode) {
    Etat etat;
    etat.formulaire = form;
    etat.titre = title;
    etat.societe = pCurDossier->RaisonSociale;
    etat.debut = periode.debut;
    etat.fin = periode.fin;
    return etat;
}

void Colonnes(Etat& etat, const std::vector<std::pair<const char*, const char*>>& columns, TypeCellule type) {
    for (const auto& [key, label] : columns) etat.colonnes.push_back({key, label, type});
}

// Gross value movements of a component: opening, transfers in, acquisitions, transfers out,
// disposals, closing, in the row of `compteOuverture` (opening) and `compte` (closing).
void MouvementsBruts(const FaitsComposant& f,
                     const std::function<std::vector<CCurrency>&(const std::string&)>& row, size_t ouv,
                     size_t acq, size_t virIn, size_t virOut, size_t cess, size_t clot) {
    const bool transfer = !f.comptePrecedent.empty();
    std::vector<CCurrency>& now = row(f.compte);
    std::vector<CCurrency>& before = row(transfer ? f.comptePrecedent : f.compte);
    if (f.entreDansLAnnee)
        now[acq] += f.brut;
    else
        before[ouv] += f.brut;
    if (transfer) {
        before[virOut] += f.brut;
        now[virIn] += f.brut;
    }
    if (f.sortiDansLAnnee)
        now[cess] += f.brut;
    else
        now[clot] += f.brut;
}

namespace {

Etat Etat2054(const std::vector<FaitsComposant>& faits, const Periode& periode) {
    Etat etat = Entete("2054", "IMMOBILISATIONS", periode);
    Colonnes(etat, {{"opening", "Valeur brute au début de l'exercice"},
                    {"increase_revaluation", "Augmentations : réévaluation"},
                    {"increase_acquisitions", "Augmentations : acquisitions, créations, apports, virements"},
                    {"decrease_transfers", "Diminutions : virements de poste à poste"},
                    {"decrease_disposals", "Diminutions : cessions, mises hors service"},
                    {"closing", "Valeur brute à la fin de l'exercice"}});
    Grille grille(Postes2054(), 6);
    for (const FaitsComposant& f : faits)
        MouvementsBruts(
            f, [&](const std::string& a) -> std::vector<CCurrency>& { return grille.Du(a); }, 0, 2, 2, 3, 4,
            5);
    grille.Remplir(etat);
    return etat;
}

}  // namespace

bool Amortissable(const FaitsComposant& f) {
    return f.typeCompte != 3 && (f.typeMethodeComptable != 0 || f.amortOuverture != CCurrency(0) ||
                                 f.amortCloture != CCurrency(0));
}

// Accounting depreciation: opening, the year's charges (with the write-down of a scrapping), what
// left with disposals and transfers, closing. A transferred component carries its opening
// depreciation from the old row to the new one.
void MouvementsAmort(const FaitsComposant& f,
                     const std::function<std::vector<CCurrency>&(const std::string&)>& row) {
    const bool transfer = !f.comptePrecedent.empty();
    std::vector<CCurrency>& now = row(f.compte);
    std::vector<CCurrency>& before = row(transfer ? f.comptePrecedent : f.compte);
    before[0] += f.amortOuverture;
    if (transfer) {
        before[2] += f.amortOuverture;
        now[1] += f.amortOuverture;
    }
    now[1] += f.dotation + f.dotationExceptionnelle;
    if (f.sortiDansLAnnee)
        now[2] += f.amortOuverture + f.dotation + f.dotationExceptionnelle;
    else
        now[3] += f.amortCloture;
}

namespace {

Etat Etat2055A(const std::vector<FaitsComposant>& faits, const Periode& periode) {
    Etat etat = Entete("2055", "AMORTISSEMENTS", periode);
    etat.cadre = "A";
    Colonnes(etat, {{"opening", "Montant des amortissements au début de l'exercice"},
                    {"allocations", "Augmentations : dotations de l'exercice"},
                    {"decreases", "Diminutions : éléments sortis de l'actif et reprises"},
                    {"closing", "Montant des amortissements à la fin de l'exercice"}});
    RemplitAmortissements(etat, faits, Postes2055());
    return etat;
}

}  // namespace

void RemplitAmortissements(Etat& etat, const std::vector<FaitsComposant>& faits,
                           const std::vector<Poste>& postes) {
    Grille grille(postes, 4);
    for (const FaitsComposant& f : faits)
        if (Amortissable(f))
            MouvementsAmort(f, [&](const std::string& a) -> std::vector<CCurrency>& { return grille.Du(a); });
    grille.Remplir(etat);
}

CauseDerogatoire CauseDe(const FaitsComposant& f) {
    switch (f.methodeFiscaleCode) {
        case maLogiciels:
        case maVehiculeElectrique:
        case maEconomieEnergie:
        case maAntiBruit:
        case maAntiPollution:
        case maRechercheScientifique:
            return CauseDerogatoire::Exceptionnel;
        default:
            break;
    }
    if (f.typeMethodeFiscale == 2 && f.typeMethodeComptable != 2) return CauseDerogatoire::Degressif;
    return CauseDerogatoire::Duree;
}

namespace {

Etat Etat2055B(const std::vector<FaitsComposant>& faits, const Periode& periode) {
    Etat etat =
        Entete("2055", "AMORTISSEMENTS : ventilation des dotations et amortissements dérogatoires", periode);
    etat.cadre = "B";
    Colonnes(etat,
             {{"linear", "Dotations : mode linéaire"},
              {"declining", "Dotations : mode dégressif"},
              {"exceptional", "Dotations : amortissement exceptionnel"},
              {"derog_alloc_duration", "Dérogatoires, dotations : différentiel de durée et autres"},
              {"derog_alloc_declining", "Dérogatoires, dotations : mode dégressif"},
              {"derog_alloc_exceptional", "Dérogatoires, dotations : amortissement fiscal exceptionnel"},
              {"derog_reversal_duration", "Dérogatoires, reprises : différentiel de durée et autres"},
              {"derog_reversal_declining", "Dérogatoires, reprises : mode dégressif"},
              {"derog_reversal_exceptional", "Dérogatoires, reprises : amortissement fiscal exceptionnel"},
              {"derog_net", "Mouvement net des amortissements dérogatoires"}});
    Grille grille(Postes2055(), 10);
    for (const FaitsComposant& f : faits) {
        if (f.typeCompte == 3) continue;
        if (!Amortissable(f) && !f.derogConcerne) continue;
        std::vector<CCurrency>& row = grille.Du(f.compte);
        row[f.typeMethodeComptable == 2 ? 1 : 0] += f.dotation;
        row[2] += f.dotationExceptionnelle;
        const size_t cause = static_cast<size_t>(CauseDe(f));
        row[3 + cause] += f.derogDotation;
        row[6 + cause] += f.derogReprise;
        row[9] += f.derogDotation - f.derogReprise;
    }
    grille.Remplir(etat);
    return etat;
}

}  // namespace

const std::vector<std::string>& Formulaires() {
    static const std::vector<std::string> forms = {"2054",  "2055",     "2059a",   "2033c",
                                                   "2033d", "register", "charges", "table"};
    return forms;
}

std::vector<Etat> Calculer(const Demande& demande) {
    const int* annee = demande.annee ? &*demande.annee : nullptr;
    const Periode periode = PeriodeDe(annee, demande.date);
    const std::string& form = demande.formulaire;
    if (form == "table") {
        if (demande.reference.empty()) throw std::invalid_argument("table : --asset REF est obligatoire");
        return {EtatTableau(periode, demande.reference)};
    }
    bool known = false;
    for (const std::string& f : Formulaires()) known = known || f == form;
    if (!known) throw std::invalid_argument(fmt::format("Formulaire inconnu : {}", form));
    // Only the last closing's versions say what the derogatory balances were; for an earlier closed
    // year the forms that carry them are refused rather than printed wrong.
    if (periode.exercice < -1 && form != "2054" && form != "2059a" && form != "2033c")
        throw std::invalid_argument(
            fmt::format("{} : les amortissements dérogatoires d'un exercice antérieur au dernier exercice "
                        "clos ne sont pas "
                        "reconstitués (2054, 2059a et 2033c le sont)",
                        form));
    const std::vector<FaitsComposant> faits = LireFaits(periode);
    std::vector<Etat> etats;
    if (form == "2054") etats.push_back(Etat2054(faits, periode));
    if (form == "2055") {
        etats.push_back(Etat2055A(faits, periode));
        etats.push_back(Etat2055B(faits, periode));
    }
    if (form == "2059a") etats.push_back(Etat2059A(faits, periode, false));
    if (form == "2033c") {
        etats.push_back(Etat2033CI(faits, periode));
        etats.push_back(Etat2033CII(faits, periode));
        etats.push_back(Etat2059A(faits, periode, true));
    }
    if (form == "2033d") etats.push_back(Etat2033D(faits, periode));
    if (form == "register") etats.push_back(EtatRegistre(faits, periode));
    if (form == "charges") etats.push_back(EtatCharges(faits, periode));
    for (Etat& etat : etats) {
        etat.societe = pCurDossier->RaisonSociale;
        etat.debut = periode.debut;
        etat.fin = periode.fin;
    }
    return etats;
}

}  // namespace vketat
