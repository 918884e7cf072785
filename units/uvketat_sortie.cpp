// Text, CSV and JSON writers of the statements.
#include "units/uvketat_sortie.h"

#include <algorithm>
#include <cstdint>

#include <fmt/format.h>

namespace vketat {

namespace {

uint64_t Magnitude(int64_t count) {
    return count < 0 ? uint64_t(0) - uint64_t(count) : uint64_t(count);
}

std::string Milliers(uint64_t units) {
    std::string digits = std::to_string(units);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ' ';
        out += digits[i];
    }
    return out;
}

// Rounds a count of ten-thousandths to a count of `unit` ten-thousandths, half away from zero.
uint64_t Arrondi(uint64_t magnitude, uint64_t unit) {
    return (magnitude + unit / 2) / unit;
}

// Display width of UTF-8 text: its code points.
size_t Largeur(const std::string& text) {
    return static_cast<size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string Cadre(std::string text, size_t width, bool right) {
    const size_t w = Largeur(text);
    if (w >= width) return text;
    const std::string pad(width - w, ' ');
    return right ? pad + text : text + pad;
}

std::string Titre(const Etat& etat) {
    std::string title =
        etat.formulaire == "register" || etat.formulaire == "charges" || etat.formulaire == "table"
            ? etat.titre
            : "Formulaire " + etat.formulaire + " : " + etat.titre;
    if (!etat.cadre.empty()) title += " (cadre " + etat.cadre + ")";
    return title;
}

std::string TexteCellule(const Cellule& cell) {
    return vketat::TexteCellule(cell, MontantFrancais);
}

void TexteEtat(const Etat& etat, std::string& out) {
    out += Titre(etat) + "\n";
    out += "Société : " + etat.societe + (etat.siren.empty() ? "" : "   SIREN : " + etat.siren) + "\n";
    out += "Exercice du " + DateFrancaise(etat.debut) + " au " + DateFrancaise(etat.fin) + "\n";
    for (size_t c = 0; c < etat.colonnes.size(); ++c)
        out += fmt::format("  ({}) {}\n", c + 1, etat.colonnes[c].libelle);
    std::vector<const Ligne*> rows;
    for (const Ligne& row : etat.lignes) rows.push_back(&row);
    if (etat.total) rows.push_back(&*etat.total);
    constexpr size_t kLibelle = 44;
    std::vector<size_t> widths(etat.colonnes.size());
    for (size_t c = 0; c < widths.size(); ++c) {
        widths[c] = Largeur(fmt::format("({})", c + 1));
        for (const Ligne* row : rows)
            if (c < row->cellules.size())
                widths[c] = std::max(widths[c], Largeur(TexteCellule(row->cellules[c])));
    }
    auto label = [&](const std::string& text) {
        std::string cut;
        size_t n = 0;
        for (char ch : text) {
            if ((ch & 0xC0) != 0x80 && ++n > kLibelle) break;
            cut += ch;
        }
        return Cadre(cut, kLibelle, false);
    };
    const bool labelColumn = etat.cleLignes == "rows" && etat.formulaire != "register" &&
                             etat.formulaire != "charges" && etat.formulaire != "table";
    std::string header = labelColumn ? label("") : "";
    for (size_t c = 0; c < widths.size(); ++c)
        header += (header.empty() ? "" : " ") +
                  Cadre(fmt::format("({})", c + 1), widths[c], etat.colonnes[c].type == TypeCellule::Montant);
    out += header + "\n";
    for (const Ligne* row : rows) {
        std::string line = labelColumn ? label(row->libelle) : "";
        for (size_t c = 0; c < widths.size() && c < row->cellules.size(); ++c) {
            std::string text = TexteCellule(row->cellules[c]);
            if (!labelColumn && c == 0 && row->sousTotal && text.empty()) text = row->libelle;
            line += (line.empty() && c == 0 ? "" : " ") +
                    Cadre(text, widths[c], etat.colonnes[c].type == TypeCellule::Montant);
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + "\n";
    }
}

std::string ChampCSV(const std::string& text) {
    if (text.find_first_of(";\"\n\r") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string CelluleCSV(const Cellule& cell) {
    const std::string text = vketat::TexteCellule(cell, MontantExactVirgule);
    return cell.type == TypeCellule::Texte ? ChampCSV(text) : text;
}

std::string Json(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\')
            out += std::string("\\") + char(c);
        else if (c < 0x20)
            out += fmt::format("\\u{:04x}", c);
        else
            out += char(c);
    }
    return out + "\"";
}

std::string CelluleJSON(const Cellule& cell) {
    switch (cell.type) {
        case TypeCellule::Montant:
            return cell.montant.IsNull() ? "null" : MontantExact(cell.montant);
        case TypeCellule::Date:
            return cell.date.IsNull() ? "null" : Json(FormatISODate(cell.date));
        case TypeCellule::Entier:
            return std::to_string(cell.entier);
        case TypeCellule::Texte:
            break;
    }
    return Json(cell.texte);
}

std::string LigneJSON(const Etat& etat, const Ligne& row, const std::string& indent) {
    std::string out =
        "{\n" + indent + "  \"label\": " + Json(row.libelle) + ",\n" + indent + "  \"accounts\": [";
    for (size_t i = 0; i < row.comptes.size(); ++i) out += (i ? ", " : "") + Json(row.comptes[i]);
    out += "]";
    for (size_t c = 0; c < etat.colonnes.size() && c < row.cellules.size(); ++c)
        out += ",\n" + indent + "  " + Json(etat.colonnes[c].cle) + ": " + CelluleJSON(row.cellules[c]);
    if (row.sousTotal) out += ",\n" + indent + "  \"subtotal\": true";
    return out + "\n" + indent + "}";
}

// Appends one statement to `out`: the register of a large case file writes tens of megabytes, which
// are built once, in place, rather than copied at each step.
void EtatJSON(const Etat& etat, const std::string& indent, std::string& out) {
    out += "{\n";
    out += indent + "  \"form\": " + Json(etat.formulaire) + ",\n";
    if (!etat.cadre.empty()) out += indent + "  \"frame\": " + Json(etat.cadre) + ",\n";
    out += indent + "  \"title\": " + Json(etat.titre) + ",\n";
    out += indent + "  \"company\": " + Json(etat.societe) + ",\n";
    out += indent + "  \"siren\": " + (etat.siren.empty() ? std::string("null") : Json(etat.siren)) + ",\n";
    out += indent + "  \"year\": {\"start\": " + Json(FormatISODate(etat.debut)) +
           ", \"end\": " + Json(FormatISODate(etat.fin)) + "},\n";
    out += indent + "  " + Json(etat.cleLignes) + ": [";
    const std::string rowIndent = indent + "    ";
    for (size_t i = 0; i < etat.lignes.size(); ++i) {
        out += i ? ",\n" : "\n";
        out += rowIndent;
        out += LigneJSON(etat, etat.lignes[i], rowIndent);
    }
    out += etat.lignes.empty() ? "]" : "\n" + indent + "  ]";
    out += ",\n" + indent + "  \"total\": ";
    out += etat.total ? LigneJSON(etat, *etat.total, indent + "  ") : "null";
    out += "\n" + indent + "}";
}

}  // namespace

std::string TexteCellule(const Cellule& cell, std::string (*montant)(const CCurrency&)) {
    switch (cell.type) {
        case TypeCellule::Montant:
            return cell.montant.IsNull() ? "" : montant(cell.montant);
        case TypeCellule::Date:
            return DateFrancaise(cell.date);
        case TypeCellule::Entier:
            return std::to_string(cell.entier);
        case TypeCellule::Texte:
            break;
    }
    return cell.texte;
}

std::string MontantFrancais(const CCurrency& amount) {
    const int64_t count = amount.Count();
    const uint64_t cents = Arrondi(Magnitude(count), 100);
    return fmt::format("{}{},{:02}", count < 0 && cents != 0 ? "-" : "", Milliers(cents / 100), cents % 100);
}

std::string EurosEntiers(const CCurrency& amount) {
    const int64_t count = amount.Count();
    const uint64_t euros = Arrondi(Magnitude(count), CCurrency::Scale);
    return (count < 0 && euros != 0 ? "-" : "") + Milliers(euros);
}

std::string MontantExactVirgule(const CCurrency& amount) {
    const int64_t count = amount.Count();
    const uint64_t magnitude = Magnitude(count);
    std::string decimals = fmt::format("{:04}", magnitude % CCurrency::Scale);
    while (decimals.size() > 2 && decimals.back() == '0') decimals.pop_back();
    return fmt::format("{}{},{}", count < 0 ? "-" : "", magnitude / CCurrency::Scale, decimals);
}

std::string MontantExact(const CCurrency& amount) {
    return amount.ToString();
}

std::string DateFrancaise(const TDateTime& date) {
    if (date.IsNull()) return "";
    int y, m, d;
    DecodeDate(date, y, m, d);
    return fmt::format("{:02}/{:02}/{:04}", d, m, y);
}

std::string EcrireTexte(const std::vector<Etat>& etats) {
    std::string out;
    for (size_t i = 0; i < etats.size(); ++i) {
        if (i) out += "\n";
        TexteEtat(etats[i], out);
    }
    return out;
}

std::string EcrireCSV(const std::vector<Etat>& etats) {
    std::string out = "\xEF\xBB\xBF";
    for (size_t i = 0; i < etats.size(); ++i) {
        const Etat& etat = etats[i];
        if (i) out += "\r\n";
        const bool frames = etats.size() > 1;
        std::string header = (frames ? "frame;" : "") + std::string("label;accounts");
        for (const Colonne& column : etat.colonnes) header += ";" + column.cle;
        out += header + "\r\n";
        auto write = [&](const Ligne& row) {
            std::string accounts;
            for (size_t a = 0; a < row.comptes.size(); ++a) accounts += (a ? " " : "") + row.comptes[a];
            std::string line =
                (frames ? ChampCSV(etat.cadre) + ";" : "") + ChampCSV(row.libelle) + ";" + ChampCSV(accounts);
            for (const Cellule& cell : row.cellules) line += ";" + CelluleCSV(cell);
            out += line + "\r\n";
        };
        for (const Ligne& row : etat.lignes) write(row);
        if (etat.total) write(*etat.total);
    }
    return out;
}

std::string EcrireJSON(const std::vector<Etat>& etats) {
    std::string out;
    if (etats.size() == 1) {
        EtatJSON(etats[0], "", out);
        out += "\n";
        return out;
    }
    out = "[";
    for (size_t i = 0; i < etats.size(); ++i) {
        out += i ? ",\n  " : "\n  ";
        EtatJSON(etats[i], "  ", out);
    }
    out += "\n]\n";
    return out;
}

}  // namespace vketat
