// The FEC both ways on a case file in a temporary directory: a company's FEC of 200,000 lines read
// and recorded as its general ledger (fec-import), and a year of 50,000 recorded lines written as
// the FEC (vkhost fec). Each runs once: its peak memory is read from /usr/bin/time -v.
#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <filesystem>
#include <fstream>

#include "bench/scratch.h"
#include "platform/compta_interne.h"
#include "platform/fec.h"

namespace {

using vkbench::ScratchLedgerCase;

// A FEC of `lines` lines in entries of four (a purchase of equipment with its VAT, paid), dated
// across the year, in UTF-8 with accents.
void EcrireFecGenere(const std::string& path, int lines) {
    std::ofstream out(path, std::ios::binary);
    out << "JournalCode\tJournalLib\tEcritureNum\tEcritureDate\tCompteNum\tCompteLib\tCompAuxNum\tCompAuxLib"
           "\t"
           "PieceRef\tPieceDate\tEcritureLib\tDebit\tCredit\tEcritureLet\tDateLet\tValidDate\tMontantdevise\t"
           "Idevise\n";
    // Equipment and its VAT in debit, the supplier's two amounts in credit.
    const char* const accounts[] = {"215400", "445620", "404000", "404000"};
    for (int entry = 0; entry < lines / 4; ++entry) {
        int year, month, day;
        DecodeDate(EncodeDate(2024, 1, 1) + entry % 366, year, month, day);
        const std::string date = fmt::format("{:04}{:02}{:02}", year, month, day);
        const int price = 10000 + entry % 900000, vat = price / 5;  // in cents
        const std::string amounts[] = {fmt::format("{},{:02}", price / 100, price % 100),
                                       fmt::format("{},{:02}", vat / 100, vat % 100)};
        for (int k = 0; k < 4; ++k) {
            const bool debit = k < 2;
            const std::string& value = amounts[k % 2];
            out << fmt::format(
                "AC\tAchats d'immobilisations\t{}\t{}\t{}\tCompte {}\t\t\tF{}\t{}\tAchat matériel "
                "n°{}\t{}\t{}\t\t\t{}\t\t\n",
                entry + 1, date, accounts[k], accounts[k], entry, date, entry, debit ? value : "0,00",
                debit ? "0,00" : value, date);
        }
    }
}

void BM_ImporterFec(benchmark::State& state) {
    ScratchLedgerCase dossier("vk-bench-fec", "732829320");
    const int lines = static_cast<int>(state.range(0));
    const std::string path = dossier.Directory() + "/fec.txt";
    EcrireFecGenere(path, lines);
    for (auto _ : state) {
        const fec::BilanImport imported = fec::Importer(dossier.Dossier(), path);
        dossier.Dossier().GetDatabaseFirebird()->DefaultTransaction().Commit();
        if (imported.Lignes != static_cast<size_t>(lines / 4 * 4)) state.SkipWithError("lines lost");
    }
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_ImporterFec)->Arg(200000)->Iterations(1)->Unit(benchmark::kSecond);

void BM_ExporterFec(benchmark::State& state) {
    ScratchLedgerCase dossier("vk-bench-fec", "732829320");
    const int lines = static_cast<int>(state.range(0));
    // Recorded through the ledger as a year of generations would: entries of 50 lines, spread over
    // the year and recorded out of their order.
    constexpr int kLignesParEcriture = 50;
    for (int entry = 0; entry < lines / kLignesParEcriture; ++entry) {
        EcritureCompta e;
        e.Journal = entry % 2 ? "INVR" : "ODR";
        e.Date = EncodeDate(2024, 1, 1) + (entry * 37) % 366;
        e.Piece = fmt::format("{}", entry);
        e.Origine = AssCodeOrigine('2');
        for (int k = 0; k < kLignesParEcriture; ++k) {
            LigneCompta line;
            line.Compte = k % 2 ? "281540" : "681120";
            line.Libelle = fmt::format("Dotation matériel {}", k / 2);
            line.Montant = CCurrency::FromCount(int64_t(100 + k / 2) * 100);
            line.Debit = k % 2 == 0;
            e.Lignes.push_back(line);
        }
        compta::EnregistrerEcriture(dossier.Dossier(), e);
    }
    dossier.Dossier().GetDatabaseFirebird()->DefaultTransaction().Commit();
    const std::string out = dossier.Directory() + "/out";
    std::filesystem::create_directories(out);
    for (auto _ : state) fec::Exporter(dossier.Dossier(), 0, out, {});
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_ExporterFec)->Arg(50000)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
