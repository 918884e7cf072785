// Reading a company's FEC and keeping it as its general ledger; the character sets of the file.
#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <unordered_map>

#include <fmt/format.h>

#include "platform/compta_interne.h"
#include "platform/dossier.h"
#include "platform/fec.h"

namespace fec {

namespace {

// Decodes one UTF-8 character at `i` (advanced past it); false for a malformed sequence.
bool LireUtf8(const std::string& text, size_t& i, char32_t& c) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char first = byte(i);
    size_t length;
    if (first < 0x80) {
        c = first;
        ++i;
        return true;
    } else if ((first & 0xE0) == 0xC0) {
        length = 2;
        c = first & 0x1F;
    } else if ((first & 0xF0) == 0xE0) {
        length = 3;
        c = first & 0x0F;
    } else if ((first & 0xF8) == 0xF0) {
        length = 4;
        c = first & 0x07;
    } else {
        return false;
    }
    if (i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return false;
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMinimum[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    i += length;
    return true;
}

bool Utf8Valide(const std::string& text) {
    char32_t c;
    for (size_t i = 0; i < text.size();)
        if (!LireUtf8(text, i, c)) return false;
    return true;
}

UnicodeString Minuscules(UnicodeString text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

UnicodeString SansEspaces(const UnicodeString& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == UnicodeString::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<UnicodeString> Decouper(const std::string& line, char separator) {
    std::vector<UnicodeString> fields;
    size_t start = 0;
    for (;;) {
        const size_t end = line.find(separator, start);
        fields.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return fields;
        start = end + 1;
    }
}

// AAAAMMJJ; empty gives the null date when allowed.
TDateTime LireDate(const UnicodeString& text, size_t line, const char* field, bool required) {
    const UnicodeString value = SansEspaces(text);
    if (value.empty()) {
        if (required) throw EFichierInvalide(line, field, "date absente");
        return TDateTime();
    }
    TDateTime date;
    if (value.size() != 8 ||
        !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
        !TryEncodeDate(std::stoi(value.substr(0, 4)), std::stoi(value.substr(4, 2)),
                       std::stoi(value.substr(6, 2)), date))
        throw EFichierInvalide(line, field, "\"" + value + "\" n'est pas une date AAAAMMJJ");
    return date;
}

// An amount with a decimal comma (or point), at most four decimals, read exactly; empty gives
// `empty`.
CCurrency LireMontant(const UnicodeString& text, size_t line, const char* field, const CCurrency& empty) {
    const UnicodeString value = SansEspaces(text);
    if (value.empty()) return empty;
    size_t i = 0;
    bool negative = false;
    if (value[i] == '-' || value[i] == '+') negative = value[i++] == '-';
    int64_t units = 0, decimals = 0;
    size_t integerDigits = 0, decimalDigits = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i, ++integerDigits)
        if (integerDigits < 15) units = units * 10 + (value[i] - '0');
    bool separator = false;
    if (i < value.size() && (value[i] == ',' || value[i] == '.')) {
        separator = true;
        for (++i; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i, ++decimalDigits)
            if (decimalDigits < 4) decimals = decimals * 10 + (value[i] - '0');
    }
    const UnicodeString invalid = "\"" + value + "\" n'est pas un montant";
    if (i != value.size() || integerDigits == 0 || (separator && decimalDigits == 0))
        throw EFichierInvalide(line, field, invalid + " (chiffres, virgule décimale)");
    if (integerDigits > 14) throw EFichierInvalide(line, field, invalid + " : trop grand");
    if (decimalDigits > 4) throw EFichierInvalide(line, field, invalid + " : plus de quatre décimales");
    for (size_t k = decimalDigits; k < 4; ++k) decimals *= 10;
    const int64_t count = units * CCurrency::Scale + decimals;
    return CCurrency::FromCount(negative ? -count : count);
}

UnicodeString Texte(const UnicodeString& text, size_t line, const char* field, size_t maximum,
                    bool required) {
    const UnicodeString value = SansEspaces(text);
    if (required && value.empty()) throw EFichierInvalide(line, field, "champ obligatoire vide");
    if (compta::Longueur(value) > maximum)
        throw EFichierInvalide(line, field, fmt::format("plus de {} caractères", maximum));
    return value;
}

bool EstOuverture(const UnicodeString& journalCode, const UnicodeString& journalLib) {
    const UnicodeString code = Minuscules(journalCode);
    return code == "an" || code == "ran" || code == "ano" ||
           Minuscules(journalLib).find("nouveau") != UnicodeString::npos;
}

LigneFEC LireLigne(const std::vector<UnicodeString>& f, size_t line) {
    LigneFEC l;
    l.Ligne = line;
    l.JournalCode = Texte(f[0], line, "JournalCode", 40, true);
    l.JournalLib = Texte(f[1], line, "JournalLib", 200, false);
    l.EcritureNum = Texte(f[2], line, "EcritureNum", 40, true);
    l.EcritureDate = LireDate(f[3], line, "EcritureDate", true);
    l.CompteNum = Texte(f[4], line, "CompteNum", 40, true);
    l.CompteLib = Texte(f[5], line, "CompteLib", 200, false);
    l.CompAuxNum = Texte(f[6], line, "CompAuxNum", 40, false);
    l.CompAuxLib = Texte(f[7], line, "CompAuxLib", 200, false);
    l.PieceRef = Texte(f[8], line, "PieceRef", 40, false);
    l.PieceDate = LireDate(f[9], line, "PieceDate", false);
    l.EcritureLib = Texte(f[10], line, "EcritureLib", 200, false);
    l.Debit = LireMontant(f[11], line, "Debit", CCurrency(0));
    l.Credit = LireMontant(f[12], line, "Credit", CCurrency(0));
    l.EcritureLet = Texte(f[13], line, "EcritureLet", 40, false);
    l.DateLet = LireDate(f[14], line, "DateLet", false);
    l.ValidDate = LireDate(f[15], line, "ValidDate", false);
    l.MontantDevise = LireMontant(f[16], line, "Montantdevise", CCurrency::Null());
    l.Idevise = Texte(f[17], line, "Idevise", 3, false);
    l.Ouverture = EstOuverture(l.JournalCode, l.JournalLib);
    return l;
}

// The text of one line of the file as UTF-8; refuses what the file's character set cannot hold.
UnicodeString LigneUtf8(const std::string& raw, Jeu jeu, Conversion& depuisIso, size_t line) {
    if (jeu == Jeu::Utf8) {
        if (!Utf8Valide(raw)) throw EFichierInvalide(line, "", "texte qui n'est pas de l'UTF-8");
        return raw;
    }
    for (unsigned char c : raw)
        if (c >= 0x80 && c <= 0x9F)
            throw EFichierInvalide(
                line, "",
                fmt::format("jeu de caractères inconnu : l'octet 0x{:02X} n'est ni de l'UTF-8 "
                            "ni un caractère ISO 8859-15",
                            c));
    std::string text;
    text.reserve(raw.size() + raw.size() / 8);
    depuisIso.Ajouter(raw, text);  // every other byte is a character of the set
    return text;
}

UnicodeString DateSQL(const TDateTime& date) {
    return date.IsNull() ? UnicodeString("NULL") : compta::Quote(FormatISODate(DateOf(date)));
}

UnicodeString TexteSQL(const UnicodeString& text) {
    return text.empty() ? UnicodeString("NULL") : compta::Quote(text);
}

}  // namespace

EFichierInvalide::EFichierInvalide(size_t line, const UnicodeString& field, const UnicodeString& reason)
    : EComptabilite(field.empty() ? fmt::format("ligne {} : {}", line, reason)
                                  : fmt::format("ligne {}, champ {} : {}", line, field, reason)),
      Ligne(line),
      Champ(field),
      Raison(reason) {}

Conversion::Conversion(const char* to, const char* from) : descriptor_(::iconv_open(to, from)) {
    if (descriptor_ == reinterpret_cast<iconv_t>(-1))
        throw EComptabilite(fmt::format("Le système ne sait pas convertir le texte de {} en {}.", from, to));
}

Conversion::~Conversion() {
    ::iconv_close(descriptor_);
}

bool Conversion::Ajouter(const std::string& text, std::string& out) {
    ::iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);  // a fresh start for every text
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* next = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = ::iconv(descriptor_, &in, &inLeft, &next, &outLeft);
        out.append(buffer, static_cast<size_t>(next - buffer));
        if (result == static_cast<size_t>(-1) && errno != E2BIG) return false;
    }
    return true;
}

bool VersIso885915(const UnicodeString& utf8, std::string& out) {
    Conversion conversion("ISO-8859-15", "UTF-8");
    return conversion.Ajouter(utf8, out);
}

UnicodeString DepuisIso885915(const std::string& latin) {
    Conversion conversion("UTF-8", "ISO-8859-15");
    std::string out;
    out.reserve(latin.size() + latin.size() / 8);
    conversion.Ajouter(latin, out);  // every byte is a character of the set
    return out;
}

bool JeuLectureDepuisNom(const UnicodeString& name, JeuLecture& out) {
    const UnicodeString n = Minuscules(name);
    if (n == "auto")
        out = JeuLecture::Auto;
    else if (n == "utf-8" || n == "utf8")
        out = JeuLecture::Utf8;
    else if (n == "iso-8859-15" || n == "iso8859-15" || n == "latin9")
        out = JeuLecture::Iso885915;
    else
        return false;
    return true;
}

FichierFEC Lire(const UnicodeString& path, JeuLecture jeu) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EComptabilite("Impossible de lire le fichier " + path + ".");
    std::ostringstream buffer;
    buffer << in.rdbuf();
    std::string content = buffer.str();
    if (in.bad()) throw EComptabilite("Impossible de lire le fichier " + path + ".");

    FichierFEC file;
    const bool bom = content.rfind("\xEF\xBB\xBF", 0) == 0;
    if (bom) content.erase(0, 3);
    if (jeu == JeuLecture::Utf8 || bom)
        file.JeuCaracteres = Jeu::Utf8;
    else if (jeu == JeuLecture::Iso885915)
        file.JeuCaracteres = Jeu::Iso885915;
    else
        file.JeuCaracteres = Utf8Valide(content) ? Jeu::Utf8 : Jeu::Iso885915;

    Conversion depuisIso("UTF-8", "ISO-8859-15");
    size_t start = 0, number = 0;
    struct Solde {
        CCurrency debit = CCurrency(0), credit = CCurrency(0);
        size_t premiere = 0;
    };
    std::unordered_map<std::string, Solde> soldes;
    std::vector<std::string> ordre;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string raw = content.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        if (raw.empty()) {
            if (content.find_first_not_of("\r\n", start) == std::string::npos && number > 1) break;
            throw EFichierInvalide(number, "", "ligne vide");
        }
        const UnicodeString text = LigneUtf8(raw, file.JeuCaracteres, depuisIso, number);
        if (number == 1) {
            if (text.find('\t') != UnicodeString::npos)
                file.Separateur = '\t';
            else if (text.find('|') != UnicodeString::npos)
                file.Separateur = '|';
            else
                throw EFichierInvalide(1, "", "en-tête sans séparateur (tabulation ou |)");
            const std::vector<UnicodeString> names = Decouper(text, file.Separateur);
            if (names.size() != Colonnes().size())
                throw EFichierInvalide(
                    1, "", fmt::format("en-tête de {} champs, {} attendus", names.size(), Colonnes().size()));
            for (size_t i = 0; i < names.size(); ++i)
                if (Minuscules(SansEspaces(names[i])) != Minuscules(Colonnes()[i]))
                    throw EFichierInvalide(1, Colonnes()[i],
                                           fmt::format("en-tête : \"{}\" au lieu de \"{}\" (champ {})",
                                                       SansEspaces(names[i]), Colonnes()[i], i + 1));
            continue;
        }
        const std::vector<UnicodeString> fields = Decouper(text, file.Separateur);
        if (fields.size() != Colonnes().size())
            throw EFichierInvalide(number, "",
                                   fmt::format("{} champs, {} attendus", fields.size(), Colonnes().size()));
        LigneFEC line = LireLigne(fields, number);
        const std::string key = line.JournalCode + '\x1F' + line.EcritureNum;
        auto [found, inserted] = soldes.try_emplace(key);
        if (inserted) {
            found->second.premiere = number;
            ordre.push_back(key);
        }
        found->second.debit += line.Debit;
        found->second.credit += line.Credit;
        file.Lignes.push_back(std::move(line));
    }
    if (number == 0) throw EFichierInvalide(1, "", "fichier vide : l'en-tête manque");
    for (const std::string& key : ordre) {
        const Solde& solde = soldes[key];
        if (solde.debit != solde.credit) {
            const size_t cut = key.find('\x1F');
            throw EFichierInvalide(
                solde.premiere, "",
                fmt::format("écriture {} du journal {} déséquilibrée : débit {}, crédit {}",
                            key.substr(cut + 1), key.substr(0, cut), compta::MontantVirgule(solde.debit),
                            compta::MontantVirgule(solde.credit)));
        }
    }
    return file;
}

BilanImport Importer(CDossier& dossier, const UnicodeString& path, JeuLecture jeu) {
    const FichierFEC file = Lire(path, jeu);
    BilanImport bilan;
    const ExerciceFiscal* year = nullptr;
    const std::vector<ExerciceFiscal>& years = dossier.Exercices();
    for (const LigneFEC& line : file.Lignes) {
        const TDateTime day = line.EcritureDate;
        if (year && day >= year->Debut && day <= year->Fin) continue;
        const auto found = std::find_if(years.begin(), years.end(), [&](const ExerciceFiscal& y) {
            return day >= y.Debut && day <= y.Fin;
        });
        if (found == years.end())
            throw EFichierInvalide(
                line.Ligne, "EcritureDate",
                fmt::format("le {} est hors des exercices du dossier (du {} au {})", compta::DateFr(day),
                            compta::DateFr(years.front().Debut), compta::DateFr(years.back().Fin)));
        if (year)
            throw EFichierInvalide(
                line.Ligne, "EcritureDate",
                fmt::format("le {} n'est pas dans l'exercice du fichier (du {} au {})", compta::DateFr(day),
                            compta::DateFr(year->Debut), compta::DateFr(year->Fin)));
        year = &*found;
    }
    if (!year) throw EFichierInvalide(2, "", "le fichier n'a aucune ligne d'écriture");
    bilan.Debut = year->Debut;
    bilan.Fin = year->Fin;
    bilan.Lignes = file.Lignes.size();

    TIBDatabase& database = *dossier.GetDatabaseFirebird();
    const UnicodeString exercice = DateSQL(year->Debut);
    {
        TIBSQL count(&database);
        count.SQL.Add("SELECT COUNT(*) FROM CPTA_GRAND_LIVRE WHERE EXERCICE=" + exercice);
        count.ExecQuery();
        bilan.Remplacees = static_cast<size_t>(count.Fields(0)->AsInteger());
    }
    database.ExecuteImmediate("DELETE FROM CPTA_GRAND_LIVRE WHERE EXERCICE=" + exercice);
    std::unordered_map<std::string, bool> entries;
    size_t index = 0;
    for (const LigneFEC& l : file.Lignes) {
        entries.emplace(l.JournalCode + '\x1F' + l.EcritureNum, true);
        database.ExecuteImmediate(fmt::format(
            "INSERT INTO CPTA_GRAND_LIVRE "
            "(EXERCICE,LIGNE,JOURNAL_CODE,JOURNAL_LIB,ECRITURE_NUM,ECRITURE_DATE,"
            "COMPTE_NUM,COMPTE_LIB,COMP_AUX_NUM,COMP_AUX_LIB,PIECE_REF,PIECE_DATE,ECRITURE_LIB,DEBIT,CREDIT,"
            "ECRITURE_LET,DATE_LET,VALID_DATE,MONTANT_DEVISE,IDEVISE,OUVERTURE) VALUES "
            "({},{},{},{},{},{},{},{},{},{},{},{},{},{},{},{},{},{},{},{},{})",
            exercice, ++index, compta::Quote(l.JournalCode), TexteSQL(l.JournalLib),
            compta::Quote(l.EcritureNum), DateSQL(l.EcritureDate), compta::Quote(l.CompteNum),
            TexteSQL(l.CompteLib), TexteSQL(l.CompAuxNum), TexteSQL(l.CompAuxLib), TexteSQL(l.PieceRef),
            DateSQL(l.PieceDate), TexteSQL(l.EcritureLib), l.Debit.GetSQL(), l.Credit.GetSQL(),
            TexteSQL(l.EcritureLet), DateSQL(l.DateLet), DateSQL(l.ValidDate),
            l.MontantDevise.IsNull() ? UnicodeString("NULL") : l.MontantDevise.GetSQL(), TexteSQL(l.Idevise),
            l.Ouverture ? 1 : 0));
    }
    bilan.Ecritures = entries.size();
    return bilan;
}

bool GrandLivreImporte(CDossier& dossier, const TDateTime& debut) {
    if (!dossier.TableExistFirebird("CPTA_GRAND_LIVRE")) return false;
    TIBSQL query(dossier.GetDatabaseFirebird());
    query.SQL.Add("SELECT FIRST 1 1 FROM CPTA_GRAND_LIVRE WHERE EXERCICE=" + DateSQL(debut));
    query.ExecQuery();
    return !query.Eof();
}

std::vector<LigneFEC> LireGrandLivre(CDossier& dossier, const TDateTime& debut) {
    std::vector<LigneFEC> lines;
    TIBQuery query(dossier.GetDatabaseFirebird());
    query.Unidirectional = true;
    query.SQL.Add(
        "SELECT LIGNE,JOURNAL_CODE,JOURNAL_LIB,ECRITURE_NUM,ECRITURE_DATE,COMPTE_NUM,COMPTE_LIB,COMP_AUX_NUM,"
        "COMP_AUX_LIB,PIECE_REF,PIECE_DATE,ECRITURE_LIB,DEBIT,CREDIT,ECRITURE_LET,DATE_LET,VALID_DATE,"
        "MONTANT_DEVISE,IDEVISE,OUVERTURE FROM CPTA_GRAND_LIVRE WHERE EXERCICE=" +
        DateSQL(debut) + " ORDER BY LIGNE");
    const auto text = [&](int i) {
        return query.Fields(i)->IsNull() ? UnicodeString() : query.Fields(i)->AsString();
    };
    const auto date = [&](int i) {
        return query.Fields(i)->IsNull() ? TDateTime() : query.Fields(i)->AsDateTime();
    };
    for (query.Open(); !query.Eof(); query.Next()) {
        LigneFEC l;
        l.Ligne = static_cast<size_t>(query.Fields(0)->AsInteger());
        l.JournalCode = text(1);
        l.JournalLib = text(2);
        l.EcritureNum = text(3);
        l.EcritureDate = date(4);
        l.CompteNum = text(5);
        l.CompteLib = text(6);
        l.CompAuxNum = text(7);
        l.CompAuxLib = text(8);
        l.PieceRef = text(9);
        l.PieceDate = date(10);
        l.EcritureLib = text(11);
        l.Debit = query.Fields(12)->AsCurrency();
        l.Credit = query.Fields(13)->AsCurrency();
        l.EcritureLet = text(14);
        l.DateLet = date(15);
        l.ValidDate = date(16);
        l.MontantDevise =
            query.Fields(17)->IsNull() ? CCurrency::Null() : CCurrency(query.Fields(17)->AsCurrency());
        l.Idevise = text(18);
        l.Ouverture = query.Fields(19)->AsInteger() != 0;
        lines.push_back(std::move(l));
    }
    return lines;
}

}  // namespace fec
