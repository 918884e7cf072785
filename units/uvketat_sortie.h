// Printing the statements: aligned text for a terminal, CSV for a French spreadsheet, JSON for
// machines and PDF for the paper file. Each writer returns the bytes to write.
#pragma once

#include <string>
#include <vector>

#include "units/uvketat.h"

namespace vketat {

// "17 520,00", "-3,50": two decimals (rounded half away from zero), thousands separated by spaces.
std::string MontantFrancais(const CCurrency& amount);
// The exact amount with a decimal comma and at least two decimals: "17520,00", "0,0001".
std::string MontantExactVirgule(const CCurrency& amount);
// The exact amount as the scenario report writes it: "17520", "-3.5", "0.0001".
std::string MontantExact(const CCurrency& amount);
// "31/12/2026", empty for the null date.
std::string DateFrancaise(const TDateTime& date);
// Whole euros, rounded half away from zero, thousands separated by spaces: "17 520".
std::string EurosEntiers(const CCurrency& amount);
// A cell as printed: its amount in the writer's format (empty when null), its date as 31/12/2026,
// its number, or its text as it stands.
std::string TexteCellule(const Cellule& cell, std::string (*montant)(const CCurrency&));

std::string EcrireTexte(const std::vector<Etat>& etats);
// One header line, ';' between fields, decimal comma, UTF-8 with a byte-order mark. Several
// statements (2055's frames) follow one another, each with its header line, after an empty line.
std::string EcrireCSV(const std::vector<Etat>& etats);
// One statement: an object; several: an array of objects.
std::string EcrireJSON(const std::vector<Etat>& etats);
// A4 document, one table per statement; raises std::runtime_error when the document cannot be made.
std::string EcrirePDF(const std::vector<Etat>& etats);

}  // namespace vketat
