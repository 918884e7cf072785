// Accounting entries: the entry line, the list that gathers, merges and orders lines into entries,
// and the calls that hand those entries to the accounting library (create, export, cancel).
//
// An entry is identified by its journal, its date and its piece. The first character of a piece is
// its kind ("1" transfers, "2" depreciation charges, "3" disposals, "4" derogatory depreciation, "5"
// impairments, "6" standards conformity, "7" disposal of a component); the accounting library gets
// it as the origin code and the rest of the piece as the piece text.
#pragma once

#include <cstddef>
#include <map>
#include <vector>

#include "platform/currency.h"
#include "platform/datetime.h"
#include "platform/system.h"

class CBarre;
class cVK_Primaire;
class cVK_Sortie;

// The kinds of entries a cVK_ListEcr is filled with.
enum VK_TypesEcr : int {
    ecrMiseAuxNormes = 0,     // standards conformity of all assets
    ecrVirements = 1,         // transfers from account to account of all assets
    ecrSortie = 2,            // disposal of the owner: one exit, or one component
    ecrVirementsSorties = 3,  // transfers and component disposals, then the disposals of all exits
    ecrDotations = 4,         // depreciation charges, derogatory depreciation, impairments
    ecrToutes = 5,            // kinds 0, 3 and 4 in this order
};

// One entry line: a fixed-size record of zero-terminated texts. Sizes are in characters, terminator
// included; the label holds UTF-8 text, so its array has room for 35 characters of up to 4 bytes.
struct cEcrLigne {
    static constexpr size_t kCompte = 14;
    static constexpr size_t kJournal = 6;
    static constexpr size_t kPiece = 16;
    static constexpr size_t kLibelle = 36;

    char Compte[kCompte];
    char Journal[kJournal];
    TDateTime DateEcr;
    bool Debit;
    CCurrency Montant;
    char Piece[kPiece];
    char Libelle[(kLibelle - 1) * 4 + 1];
    // The date of the entry recorded earlier for the same event (disposal or exit); null when none.
    TDateTime DateEcrPrec;

    cEcrLigne() { Clear(); }
    // Every text empty, both dates null, credit, amount zero.
    void Clear();

    // Each copies at most the field's characters (less the terminator), never cutting a character.
    // The generators copy at most 13 characters of an account.
    void SetCompte(const UnicodeString& account, size_t maxCharacters = kCompte - 1);
    void SetJournal(const UnicodeString& journal);
    void SetPiece(const UnicodeString& piece);
    void SetLibelle(const UnicodeString& label);
};

// The identity of an entry: journal, date, piece.
struct cEcrType {
    UnicodeString Journal;
    TDateTime DateEcr;
    UnicodeString Piece;

    cEcrType() = default;
    explicit cEcrType(const cEcrLigne& line)
        : Journal(line.Journal), DateEcr(line.DateEcr), Piece(line.Piece) {}
    friend bool operator==(const cEcrType& a, const cEcrType& b) {
        return a.Journal == b.Journal && double(a.DateEcr) == double(b.DateEcr) && a.Piece == b.Piece;
    }
};

// The order of the lines, which is also their identity: journal, date, piece, account (texts
// compared byte by byte), then credit before debit. Amount, label and previous date take no part.
struct cEcrLigneOrdre {
    bool operator()(const cEcrLigne& a, const cEcrLigne& b) const;
};

class ListEcr {
public:
    ListEcr() = default;

    // Adds a line: a line equal to one already held (see cEcrLigneOrdre) adds its amount to it and
    // keeps the first one's label and previous date. Registers the line's entry identity.
    virtual void insert(const cEcrLigne& line);
    // Called once per entry recorded in the ledger (never for an export, which changes nothing in
    // the case file), and once per entry cancelled.
    virtual void CreeEcr(const cEcrLigne& line) const;
    virtual void AnnuleEcr(const cEcrLigne& line) const;
    virtual ~ListEcr();

    // Registers an entry identity, once. An identity for which no line is held names an entry that
    // creating the list removes from the ledger.
    void AjouteTypeEcr(const cEcrLigne& line);

    // Each returns true when it ran to its end; false when a date was refused (nothing changed) or
    // the accounting library refused to open an entry (the entries closed before stay; an export
    // run is ended). Exceptions of the accounting library pass to the caller.
    bool Exporter() const { return ExporterOuCreer(true); }
    bool Creer() const { return ExporterOuCreer(false); }
    bool ExporterOuCreer(bool exporter) const;
    bool Annuler() const;

    // The lines and the sum of the amounts inserted under each.
    std::map<cEcrLigne, CCurrency, cEcrLigneOrdre> Lignes;
    // The entry identities, in insertion order, without duplicates.
    std::vector<cEcrType> TypesEcr;
    // Kept for callers; it changes nothing in which lines merge.
    bool Regrouper = false;

private:
    bool DatesAcceptees(bool creer) const;
};

// The entry list of the engine, filled for one kind of entries and an owner (a component, an exit,
// or none). Creating an entry records its date on the owner's disposal or exit; cancelling one
// clears it.
class cVK_ListEcr : public ListEcr {
public:
    // Fills the list at once (Ajoute with its own progress bar).
    cVK_ListEcr(VK_TypesEcr kind, cVK_Primaire* owner);
    // An empty list for an owner, to be filled with Ajoute.
    explicit cVK_ListEcr(cVK_Primaire* owner) : Primaire(owner) {}

    void CreeEcr(const cEcrLigne& line) const override;
    void AnnuleEcr(const cEcrLigne& line) const override;

    // Generates the lines of a kind. Without a bar, one is made for the run.
    void Ajoute(VK_TypesEcr kind, cVK_Primaire* owner, CBarre* bar);

    // The signed balance of the lines on an account dated on or before a date (debits positive).
    CCurrency Solde(const UnicodeString& account, const TDateTime& date) const;

    cVK_Primaire* Primaire = nullptr;  // not owned

private:
    void AjouteMiseAuxNormes(CBarre* bar);
    void AjouteVirements(CBarre* bar);
    void AjouteSortie(cVK_Primaire* owner);
    void AjouteSortieDUneSortie(cVK_Sortie* exit);
    void AjouteVirementsSorties(CBarre* bar);
    void AjouteDotations(CBarre* bar);
    // Records the entry date on the disposal or exit the piece names, in the database.
    void EnregistreDateEcr(const cEcrLigne& line, const TDateTime& date) const;
};

// The piece of an entry (see the kinds above). Kind '3': "3-" and the exit's identifier for an exit
// owner, "3-" and the number when it is above 0, otherwise "7-CP" and the component's calculated
// reference.
UnicodeString InitPiece(wchar_t kind, const cVK_Primaire* owner, unsigned number);

// Initialises a line: a copy of the model when one is given; otherwise the journal, date, piece
// and previous date of an entry of that kind for that owner.
void InitEcrLigne(cEcrLigne& line, wchar_t kind, const cEcrLigne* model, const cVK_Primaire* owner);

// The origin code of a piece and the piece text the accounting library takes (without its kind).
int OrigineEcr(const cEcrLigne& line);
UnicodeString PieceEcr(const cEcrLigne& line);

// The effect of a standards-conformity change on one component.
struct IncidenceMAN {
    CCurrency EcartBrut;
    CCurrency EcartAmort;
    CCurrency EcartDeprecDed;
    CCurrency EcartDeprecNonDed;
    CCurrency MontantCredite;
    CCurrency NetCredite;
    CCurrency EcartDerog;
    CCurrency Total;
};
