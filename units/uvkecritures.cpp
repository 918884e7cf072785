// Entry lines, their list and the calls that record, export or cancel the list's entries.
#include "units/uvkecritures.h"

#include <cstring>
#include <set>

#include <fmt/format.h>

#include "platform/comptabilite.h"
#include "platform/dossier.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvksortie.h"
#include "units/vkchamps.h"

#define VK_UNIT vk::kUnitDivers
#define VK_LINE_BASE 3000
#include "units/vklocation.h"

namespace {

// Copies at most `maxCharacters` characters of a UTF-8 text into a buffer of `size` bytes, never
// cutting a character, and terminates it.
void CopieTexte(char* target, size_t size, const UnicodeString& text, size_t maxCharacters) {
    size_t bytes = 0, characters = 0;
    while (bytes < text.size() && characters < maxCharacters) {
        size_t length = 1;
        const auto lead = static_cast<unsigned char>(text[bytes]);
        if (lead >= 0xF0)
            length = 4;
        else if (lead >= 0xE0)
            length = 3;
        else if (lead >= 0xC0)
            length = 2;
        if (bytes + length > text.size() || bytes + length > size - 1) break;
        bytes += length;
        ++characters;
    }
    std::memcpy(target, text.data(), bytes);
    target[bytes] = '\0';
}

int Compare(const char* a, const char* b) {
    return std::strcmp(a, b);  // compares the bytes as unsigned characters
}

bool MemeEcriture(const cEcrLigne& a, const cEcrLigne& b) {
    return Compare(a.Journal, b.Journal) == 0 && double(a.DateEcr) == double(b.DateEcr) &&
           Compare(a.Piece, b.Piece) == 0;
}

// The date an operation touches for a line: the earlier entry's when there is one.
TDateTime DateTouchee(const cEcrLigne& line) {
    return line.DateEcrPrec.IsNull() ? line.DateEcr : line.DateEcrPrec;
}

void Retire(std::vector<cEcrType>& identities, const cEcrType& identity) {
    for (auto it = identities.begin(); it != identities.end(); ++it)
        if (*it == identity) {
            identities.erase(it);
            return;
        }
}

// The kind of piece of an identity as the origin code, and its piece text.
int Origine(const UnicodeString& piece) {
    return AssCodeOrigine(piece.empty() ? '\0' : piece[0]);
}
UnicodeString Queue(const UnicodeString& piece) {
    return piece.empty() ? piece : piece.substr(1);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Lines and identities

void cEcrLigne::Clear() {
    Compte[0] = Journal[0] = Piece[0] = Libelle[0] = '\0';
    DateEcr = TDateTime();
    DateEcrPrec = TDateTime();
    Debit = false;
    Montant = CCurrency(0);
}

void cEcrLigne::SetCompte(const UnicodeString& account, size_t maxCharacters) {
    CopieTexte(Compte, sizeof Compte, account, std::min(maxCharacters, kCompte - 1));
}

void cEcrLigne::SetJournal(const UnicodeString& journal) {
    CopieTexte(Journal, sizeof Journal, journal, kJournal - 1);
}

void cEcrLigne::SetPiece(const UnicodeString& piece) {
    CopieTexte(Piece, sizeof Piece, piece, kPiece - 1);
}

void cEcrLigne::SetLibelle(const UnicodeString& label) {
    CopieTexte(Libelle, sizeof Libelle, label, kLibelle - 1);
}

bool cEcrLigneOrdre::operator()(const cEcrLigne& a, const cEcrLigne& b) const {
    if (int c = Compare(a.Journal, b.Journal)) return c < 0;
    if (double(a.DateEcr) != double(b.DateEcr)) return double(a.DateEcr) < double(b.DateEcr);
    if (int c = Compare(a.Piece, b.Piece)) return c < 0;
    if (int c = Compare(a.Compte, b.Compte)) return c < 0;
    return !a.Debit && b.Debit;
}

int OrigineEcr(const cEcrLigne& line) {
    return Origine(line.Piece);
}

UnicodeString PieceEcr(const cEcrLigne& line) {
    return Queue(line.Piece);
}

// ---------------------------------------------------------------------------------------------
// The list

ListEcr::~ListEcr() = default;

void ListEcr::CreeEcr(const cEcrLigne&) const {}
void ListEcr::AnnuleEcr(const cEcrLigne&) const {}

void ListEcr::insert(const cEcrLigne& line) {
    cEcrLigne key = line;
    key.Montant = Regrouper ? CCurrency(0) : CCurrency(static_cast<int>(Lignes.size()));
    auto found = Lignes.find(key);
    if (found != Lignes.end())
        found->second += line.Montant;
    else
        Lignes.emplace(key, line.Montant);
    AjouteTypeEcr(line);
}

void ListEcr::AjouteTypeEcr(const cEcrLigne& line) {
    const cEcrType identity(line);
    for (const cEcrType& known : TypesEcr)
        if (known == identity) return;
    TypesEcr.push_back(identity);
}

// Every date the operation would touch is asked first, the registered identities' too (D22), so
// that a refusal changes nothing. Each date is asked once.
bool ListEcr::DatesAcceptees(bool creer) const {
    std::set<double> asked;
    auto accept = [&](const TDateTime& date) {
        if (!asked.insert(double(date)).second) return true;
        return AssPeutCreerAnnulerEcr(date, creer);
    };
    for (const auto& [line, amount] : Lignes) {
        if (!accept(DateTouchee(line))) return false;
        // Creating also opens the entry at its own date, after cancelling the earlier one.
        if (creer && !line.DateEcrPrec.IsNull() && !accept(line.DateEcr)) return false;
    }
    for (const cEcrType& identity : TypesEcr)
        if (!accept(identity.DateEcr)) return false;
    return true;
}

// A new entry starts whenever the identity (journal, date, piece) changes between two lines, so
// that no line is ever recorded under another entry's journal or date. An export only writes the
// file: the owner is told of an entry (CreeEcr, which marks its disposal as posted) only when the
// entry is recorded in the ledger.
bool ListEcr::ExporterOuCreer(bool exporter) const {
    std::vector<cEcrType> remaining = TypesEcr;
    if (exporter)
        AssInitExportEcr(false);
    else if (!DatesAcceptees(true))
        return false;
    const cEcrLigne* current = nullptr;
    for (const auto& [line, amount] : Lignes) {
        if (!current || !MemeEcriture(*current, line)) {
            if (current) exporter ? AssAjoutEcrPourExport() : AssEcrValide();
            if (!exporter && !line.DateEcrPrec.IsNull() && double(line.DateEcrPrec) != double(line.DateEcr))
                AssEcrAnnule(line.Journal, line.DateEcrPrec, OrigineEcr(line), PieceEcr(line));
            Retire(remaining, cEcrType(line));
            const bool opened =
                exporter ? AssEcrOpenPourExport(line.Journal, line.DateEcr, false, OrigineEcr(line),
                                                PieceEcr(line))
                         : AssEcrOpen(line.Journal, line.DateEcr, false, OrigineEcr(line), PieceEcr(line));
            if (!opened) {
                if (exporter) AssDesinitExportEcr();  // the run is ended, not left open (D22)
                return false;
            }
            if (!exporter) CreeEcr(line);
            current = &line;
        }
        AssEcrInsLigne(line.Compte, line.Libelle, static_cast<Currency>(amount), line.Debit, nullptr);
    }
    if (exporter) {
        AssAjoutEcrPourExport();
        AssEcrExportee();
        AssDesinitExportEcr();
        return true;
    }
    AssEcrValide();
    for (const cEcrType& identity : remaining)
        AssEcrAnnule(identity.Journal, identity.DateEcr, Origine(identity.Piece), Queue(identity.Piece));
    return true;
}

bool ListEcr::Annuler() const {
    std::vector<cEcrType> remaining = TypesEcr;
    if (!DatesAcceptees(false)) return false;
    const cEcrLigne* current = nullptr;
    for (const auto& [line, amount] : Lignes) {
        if (current && MemeEcriture(*current, line)) continue;
        AssEcrAnnule(line.Journal, DateTouchee(line), OrigineEcr(line), PieceEcr(line));
        AnnuleEcr(line);
        Retire(remaining, cEcrType(line));
        current = &line;
    }
    for (const cEcrType& identity : remaining)
        AssEcrAnnule(identity.Journal, identity.DateEcr, Origine(identity.Piece), Queue(identity.Piece));
    return true;
}

// ---------------------------------------------------------------------------------------------
// Pieces and line initialisation

UnicodeString InitPiece(wchar_t kind, const cVK_Primaire* owner, unsigned number) {
    if (kind != L'3') return UnicodeString(1, static_cast<char>(kind));
    if (owner && owner->TypePrimaire == 2) return fmt::format("3-{}", owner->ID);
    if (number > 0) return fmt::format("3-{}", number);
    const bool component = owner && owner->TypePrimaire == 1;
    return "7-CP" + (component ? owner->GetRefCalc() : UnicodeString());
}

void InitEcrLigne(cEcrLigne& line, wchar_t kind, const cEcrLigne* model, const cVK_Primaire* owner) {
    if (model) {
        line = *model;
        return;
    }
    line.Clear();
    if (kind == L'3' && owner && owner->TypePrimaire == 2) {
        const auto* exit = static_cast<const cVK_Sortie*>(owner);
        cVK_Sortie::InitEcrSortie(exit, exit->ID, line);
        return;
    }
    if (kind == L'3') {
        const auto* component =
            owner && owner->TypePrimaire == 1 ? static_cast<const cVK_Composant*>(owner) : nullptr;
        const cVK_Cession* cession = component ? component->GetCession() : nullptr;
        if (cession) {
            line.DateEcrPrec = cession->DATE_ECR;
            line.DateEcr = cession->GetDateSortie();
        }
        line.SetJournal("ODR");
    } else if (kind == L'6') {
        line.SetJournal("ODR");
        line.DateEcr = pCurDossier->DateDebutExercice;
    } else {
        line.SetJournal("INVR");
        line.DateEcr = pCurDossier->DateSituation;
    }
    line.SetPiece(InitPiece(kind, owner, 0));
}

// ---------------------------------------------------------------------------------------------
// The engine's list

cVK_ListEcr::cVK_ListEcr(VK_TypesEcr kind, cVK_Primaire* owner) : Primaire(owner) {
    Ajoute(kind, owner, nullptr);
}

void cVK_ListEcr::CreeEcr(const cEcrLigne& line) const {
    try {
        if (Primaire && Primaire->TypePrimaire == 1) {
            if (cVK_Cession* cession = static_cast<cVK_Composant*>(Primaire)->GetCession())
                cession->SetDateSortieQuandEcr(line.DateEcr);
        } else if (Primaire && Primaire->TypePrimaire == 2) {
            static_cast<cVK_Sortie*>(Primaire)->SetDateSortieQuandEcr(line.DateEcr);
        }
        EnregistreDateEcr(line, line.DateEcr);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

void cVK_ListEcr::AnnuleEcr(const cEcrLigne& line) const {
    if (line.DateEcrPrec.IsNull()) return;
    try {
        if (Primaire && Primaire->TypePrimaire == 1) {
            if (cVK_Cession* cession = static_cast<cVK_Composant*>(Primaire)->GetCession())
                cession->SetDateSortieQuandEcr(TDateTime());
        } else if (Primaire && Primaire->TypePrimaire == 2) {
            static_cast<cVK_Sortie*>(Primaire)->SetDateSortieQuandEcr(TDateTime());
        }
        EnregistreDateEcr(line, TDateTime());
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

// The entry date of a disposal follows the ledger whoever made the entry: lists filled for all
// assets have no owner, and without the date their entry could neither be replaced when the
// disposal's date changes nor cancelled when the disposal is deleted. The piece names the exit
// ("3-<id>") or the component's chain ("7-CP<reference>").
void cVK_ListEcr::EnregistreDateEcr(const cEcrLigne& line, const TDateTime& date) const {
    const UnicodeString piece = line.Piece;
    const UnicodeString value = VK_FormatDate(date, false, true);
    auto digits = [](const UnicodeString& text) {
        return !text.empty() && text.find_first_not_of("0123456789") == UnicodeString::npos;
    };
    if (piece.rfind("3-", 0) == 0 && digits(piece.substr(2))) {
        VK_ExecSQL(VK_LOC(),
                   "UPDATE " + GetNomTable("VKS", false) + " SET DATE_ECR=" + value +
                       " WHERE ID_SORTIE=" + piece.substr(2),
                   "");
    } else if (piece.rfind("7-CP", 0) == 0 && digits(piece.substr(4)) && vkchamps::TableExiste("VKO", "")) {
        VK_ExecSQL(VK_LOC(),
                   "UPDATE " + GetNomTable("VKO", false) + " SET DATE_ECR=" + value +
                       " WHERE ID_COMPO IN (SELECT ID_COMPO FROM " + GetNomTable("VKC", false) +
                       " WHERE REF_CALC=" + piece.substr(4) + ")",
                   "");
    }
}

CCurrency cVK_ListEcr::Solde(const UnicodeString& account, const TDateTime& date) const {
    CCurrency balance(0);
    for (const auto& [line, amount] : Lignes)
        if (account == line.Compte && line.DateEcr <= date) balance += line.Debit ? amount : -amount;
    return balance;
}
