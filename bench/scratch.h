// What the benchmarks work in: a fresh temporary directory removed with the object, and a case file
// of one fiscal year (2024) with its ledger's tables in such a directory.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/comptabilite.h"
#include "platform/dossier.h"
#include "platform/system.h"

namespace vkbench {

// A directory made by mkdtemp under the system's temporary directory, its name starting with
// `prefix`; removed, with whatever it holds, when the object goes.
class ScratchDirectory {
public:
    explicit ScratchDirectory(const std::string& prefix) {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (!mkdtemp(pattern.data())) throw Exception("mkdtemp failed");
        path_ = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A case file of the fiscal year 2024 in a scratch directory, current for the engine while the
// object lives, with the ledger's tables created. `siren` empty records none.
class ScratchLedgerCase {
public:
    explicit ScratchLedgerCase(const std::string& prefix, const UnicodeString& siren = "")
        : directory_(prefix) {
        ParametresDossier parameters;
        parameters.Siren = siren;
        parameters.Exercices = {{EncodeDate(2024, 1, 1), EncodeDate(2024, 12, 31), false}};
        parameters.DebutExerciceCourant = EncodeDate(2024, 1, 1);
        dossier_ = CDossier::Creer((directory_.Path() / "dossier").string(), parameters);
        pCurDossier = dossier_.get();
        ComptaCreerTables(*dossier_);
    }
    ~ScratchLedgerCase() {
        pCurDossier = nullptr;
        dossier_->Fermer();
    }
    ScratchLedgerCase(const ScratchLedgerCase&) = delete;
    ScratchLedgerCase& operator=(const ScratchLedgerCase&) = delete;
    std::string Directory() const { return directory_.Path().string(); }
    CDossier& Dossier() { return *dossier_; }

private:
    ScratchDirectory directory_;  // declared first: removed after the case file is closed
    std::unique_ptr<CDossier> dossier_;
};

}  // namespace vkbench
