// Year-end statements of the register: the tax return's tables of fixed assets (2054, 2033-C),
// depreciation (2055), gains and losses (2059-A), derogatory depreciation (2033-D), the register
// listing, the year's charges per account and one asset's depreciation table.
//
// Every statement is computed for one fiscal year of the open case file, from the latest version of
// each asset chain, and is handed out as plain data: a list of columns and a list of rows of cells,
// with an optional total row. The writers (uvketat_sortie.h) print any statement in text, CSV, JSON
// or PDF. Amounts stay exact (CCurrency) everywhere; only the printed PDF rounds to whole euros.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/currency.h"
#include "platform/datetime.h"

namespace vketat {

enum class TypeCellule { Texte, Date, Montant, Entier };

struct Cellule {
    TypeCellule type = TypeCellule::Texte;
    std::string texte;
    TDateTime date;
    CCurrency montant;  // null: an empty box
    long long entier = 0;

    static Cellule DeTexte(std::string text);
    static Cellule DeDate(const TDateTime& date);
    static Cellule DeMontant(const CCurrency& amount);
    static Cellule DEntier(long long value);
};

struct Colonne {
    std::string cle;      // JSON and CSV name, e.g. "opening"
    std::string libelle;  // what the printed forms show
    TypeCellule type = TypeCellule::Montant;
};

struct Ligne {
    std::string libelle;               // the form's own text
    std::vector<std::string> comptes;  // the account prefixes the row gathers
    std::vector<Cellule> cellules;     // one per column
    bool sousTotal = false;            // a subtotal line (printed in bold)
};

struct Etat {
    std::string formulaire;  // "2054", "2055", "2059a", ...
    std::string titre;
    std::string cadre;  // frame within the form ("A", "B"), empty when the form has one
    std::string societe;
    std::string siren;  // empty when the case file has none
    TDateTime debut, fin;
    std::string cleLignes = "rows";  // "lines" for the list of disposals
    std::vector<Colonne> colonnes;
    std::vector<Ligne> lignes;
    std::optional<Ligne> total;
    // The index of a column by its key, -1 when absent.
    int IndexColonne(const std::string& key) const;
    // The amount of a row's column (zero when empty).
    CCurrency Montant(const Ligne& row, const std::string& key) const;
};

// What to compute: the fiscal year (relative number, 0 the current one) or the year holding a date,
// and for the depreciation table the asset's reference.
struct Demande {
    std::string formulaire;
    std::optional<int> annee;  // calendar year of the fiscal year's end
    TDateTime date;            // a date inside the year: the register listing is taken at it
    std::string reference;     // asset reference for "table"
};

// The forms this module knows.
const std::vector<std::string>& Formulaires();

// Computes the statements of a form (2055 gives frames A and B; the others one statement) on the
// open case file, in the caller's transaction. Raises std::invalid_argument for an unknown form, a
// year outside the case file's or an asset reference that does not exist.
std::vector<Etat> Calculer(const Demande& demande);

}  // namespace vketat
