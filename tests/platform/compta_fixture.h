// A real case file in a fresh temporary directory, with its ledger, as the current case file.
// Fiscal years: 2023 (closed), 2024 (current, open), 2025 (open).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/comptabilite.h"
#include "platform/dossier.h"
#include "platform/messages.h"

class DossierComptaTest : public ::testing::Test {
public:
    struct Ligne {
        const char* compte;
        const char* libelle;
        double montant;
        bool debit;
    };

protected:
    explicit DossierComptaTest(int accountLength = 6) : accountLength_(accountLength), messages_(&shown_) {}

    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "vk-ledger-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        directory_ = pattern;
        ParametresDossier parameters;
        parameters.LongueurCompte = accountLength_;
        parameters.Exercices = {{EncodeDate(2023, 1, 1), EncodeDate(2023, 12, 31), true},
                                {EncodeDate(2024, 1, 1), EncodeDate(2024, 12, 31), false},
                                {EncodeDate(2025, 1, 1), EncodeDate(2025, 12, 31), false}};
        parameters.DebutExerciceCourant = EncodeDate(2024, 1, 1);
        dossier_ = CDossier::Creer((std::filesystem::path(directory_) / "dossier").string(), parameters);
        pCurDossier = dossier_.get();
        ComptaCreerTables(*dossier_);
    }

    void TearDown() override {
        AssEcrAbandonne();
        if (dossier_) dossier_->Fermer();
        dossier_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }

    // Records one entry through the engine's calls; true when it was recorded.
    static bool Creer(const char* journal, const TDateTime& date, char kind, const char* piece,
                      std::initializer_list<Ligne> lines) {
        if (!AssEcrOpen(journal, date, false, AssCodeOrigine(kind), piece)) return false;
        for (const Ligne& line : lines)
            AssEcrInsLigne(line.compte, line.libelle, static_cast<Currency>(CCurrency(line.montant)),
                           line.debit, nullptr);
        return AssEcrValide();
    }

    // The year's depreciation charge: journal INVR, kind 2, 681120 debited and 281540 credited.
    static bool Dotation(const TDateTime& date, double amount, const char* piece = "") {
        return Creer(
            "INVR", date, '2', piece,
            {{"681120", "Dot. aux amort.", amount, true}, {"281540", "Dot. aux amort.", amount, false}});
    }

    // Number of rows of a table of the case file.
    int Compter(const char* table) {
        TIBSQL query(dossier_->GetDatabaseFirebird());
        query.SQL.Add(std::string("SELECT COUNT(*) FROM ") + table);
        query.ExecQuery();
        return query.Fields(0)->AsInteger();
    }

    int accountLength_;
    RecordingMessageHandler shown_;
    ScopedMessageHandler messages_;
    std::string directory_;
    std::unique_ptr<CDossier> dossier_;
};
