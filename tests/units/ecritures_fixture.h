// A case file with the engine's tables and its ledger, for the entry suites: calendar years 2024 to
// 2026, 2024 and 2025 closed, 2026 current (situation date 31 December 2026).
#pragma once

#include <fmt/format.h>

#include <string>
#include <vector>

#include "platform/comptabilite.h"
#include "tests/support/engine_fixture.h"
#include "tests/units/cession_fixture.h"
#include "units/uvkcession.h"
#include "units/uvkcomptes.h"
#include "units/uvkecritures.h"
#include "units/uvksortie.h"

namespace vktest {

class EntriesCase : public ::testing::Test {
protected:
    void SetUp() override {
        ComptaCreerTables(engine.File().Dossier());
        ListeComptes.Clear();
    }
    void TearDown() override { AssEcrAbandonne(); }

    static cEcrLigne Line(const char* journal, const TDateTime& date, const char* piece, const char* account,
                          bool debit, double amount, const char* label = "",
                          const TDateTime& previous = TDateTime()) {
        cEcrLigne line;
        line.SetJournal(journal);
        line.DateEcr = date;
        line.SetPiece(piece);
        line.SetCompte(account);
        line.Debit = debit;
        line.Montant = CCurrency(amount);
        line.SetLibelle(label);
        line.DateEcrPrec = previous;
        return line;
    }

    // Records a two-line entry through the library's calls.
    static void Record(const char* journal, const TDateTime& date, char kind, const char* piece,
                       double amount) {
        ASSERT_TRUE(AssEcrOpen(journal, date, false, AssCodeOrigine(kind), piece));
        AssEcrInsLigne("681120", "test", static_cast<Currency>(CCurrency(amount)), true, nullptr);
        AssEcrInsLigne("281540", "test", static_cast<Currency>(CCurrency(amount)), false, nullptr);
        ASSERT_TRUE(AssEcrValide());
    }

    // "ODR 2026-03-31 VK3-12" for each recorded entry, in the ledger's order.
    static std::vector<std::string> Identities() {
        std::vector<std::string> identities;
        for (const EcritureCompta& entry : ComptaLireEcritures())
            identities.push_back(fmt::format("{} {} {}{}", entry.Journal, FormatISODate(entry.Date),
                                             entry.OrigineTexte(), entry.Piece));
        return identities;
    }

    // A stored asset whose structure is depreciated linearly in both plans (declining in the tax plan
    // when asked), from its entry date.
    cVK_Bien* Asset(const TDateTime& entry, double price, const char* account, unsigned short months = 60,
                    bool decliningTax = false) {
        cVK_Bien* asset = engine.NewAsset(entry, CCurrency(price), account);
        cVK_Composant* component = asset->GetStructure();
        SetPlan(component->GetAmort(taComptable), maLineaire, months, entry);
        SetPlan(component->GetAmort(taFiscal), decliningTax ? maDegressif : maLineaire, months,
                decliningTax ? TDateTime() : entry);
        asset->SetDesignation(fmt::format("Bien {}", account));
        EXPECT_TRUE(asset->BD_MAJ());
        return asset;
    }

    // Validates the asset's version, then opens the next one in `state` (same chain).
    static void NextVersion(cVK_Bien* asset, VK_Etats state) {
        asset->Valider(vcValide);
        asset->BD_Dupliquer(state, false);
        ASSERT_NE(asset->ID, 0u);
    }
    // Disposes of the asset's structure in a new disposal version (a component disposal, no exit).
    cVK_Cession* Dispose(cVK_Bien* asset, VK_MotifSortie reason, const TDateTime& date) {
        NextVersion(asset, veCession);
        cVK_Cession* cession = ::vktest::Dispose(asset->GetStructure(), date, reason);
        EXPECT_TRUE(asset->BD_MAJ());
        return cession;
    }
    // An exit of one asset on a date, for a price: the asset's disposal version names the exit, its
    // structure has a disposal record of that date, reason and (entered) price. The exit's identifier.
    unsigned Exit(cVK_Bien* asset, const char* designation, const TDateTime& date, VK_MotifSortie reason,
                  const CCurrency& price = CCurrency(), bool vatReversed = false) {
        cVK_Sortie exit(0);
        exit.Designation = designation;
        exit.DATESORTIE = date;
        exit.MOTIFSORTIE = reason;
        exit.PRIXHT = price;
        EXPECT_TRUE(exit.BD_Inserer());
        cVK_Cession* cession = Dispose(asset, reason, date);
        cession->PRIX_CESSION_SAIS = price;
        cession->TVA_DOIT_ETRE_REVERSEE = vatReversed;
        cession->Modifie();
        EXPECT_TRUE(asset->BD_MAJ());
        engine.File().Database().ExecuteImmediate(
            fmt::format("UPDATE ZENKOVKB SET ID_SORTIE={} WHERE ID_BIEN={}", exit.ID, asset->ID));
        return exit.ID;
    }

    EngineCase engine;
    Messages messages;
};

// Every entry of the ledger balances; the unbalanced ones, described, otherwise.
inline std::vector<std::string> UnbalancedEntries() {
    std::vector<std::string> unbalanced;
    for (const EcritureCompta& entry : ComptaLireEcritures()) {
        CCurrency debit(0), credit(0);
        for (const LigneCompta& line : entry.Lignes) (line.Debit ? debit : credit) += line.Montant;
        if (debit != credit)
            unbalanced.push_back(fmt::format("{} {} {}{}: debit {} credit {}", entry.Journal,
                                             FormatISODate(entry.Date), entry.OrigineTexte(), entry.Piece,
                                             debit.ToString(), credit.ToString()));
    }
    return unbalanced;
}

// Per entry identity of a list (journal, date, piece), debits minus credits; the non-zero ones.
inline std::vector<std::string> UnbalancedInList(const ListEcr& list) {
    std::map<std::string, CCurrency> balances;
    for (const auto& [line, amount] : list.Lignes)
        balances[fmt::format("{} {} {}", line.Journal, FormatISODate(line.DateEcr), line.Piece)] +=
            line.Debit ? amount : -amount;
    std::vector<std::string> unbalanced;
    for (const auto& [identity, balance] : balances)
        if (balance != CCurrency(0)) unbalanced.push_back(identity + ": " + balance.ToString());
    return unbalanced;
}

// "C 281540 2000 Dot. aux amort." for each line of a list, in its order.
inline std::vector<std::string> Lines(const ListEcr& list) {
    std::vector<std::string> lines;
    for (const auto& [line, amount] : list.Lignes)
        lines.push_back(fmt::format("{} {} {} {} {}", line.Piece, line.Debit ? "D" : "C", line.Compte,
                                    amount.ToString(), line.Libelle));
    return lines;
}

}  // namespace vktest
