#include "bench/perf/measures.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>

#include <fmt/format.h>

#include <iostream>
#include <optional>

#include "bench/perf/statement_trace.h"
#include "host/commands/closing.h"
#include "host/session.h"
#include "platform/db/sqlparams.h"
#include "platform/dossier.h"
#include "units/uvkamortissement.h"
#include "units/uvkbien.h"
#include "units/uvkcomposant.h"
#include "units/uvkdetailcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvkecritures.h"
#include "units/uvketat.h"
#include "units/uvketat_sortie.h"
#include "units/uvklistes.h"
#include "units/uvkprechargement.h"

namespace vkperf {

namespace {

using Clock = std::chrono::steady_clock;
using Assets = std::vector<std::unique_ptr<cVK_Bien>>;

// The sum and the count of the non-null amounts computed: two runs that compute the same figures
// give the same checksum.
struct Checksum {
    int64_t sum = 0;
    int64_t amounts = 0;
    void Add(const CCurrency& amount) {
        if (amount.IsNull()) return;
        sum += amount.Count();
        ++amounts;
    }
    std::string Text() const { return fmt::format("{}/{}", sum, amounts); }
};

// The year's figures of every component of an asset at the situation date: each plan's charge and
// cumulated depreciation, the derogatory balance and movements, the reintegrations.
void YearFigures(cVK_Bien& asset, const TDateTime& at, Checksum& checksum) {
    cVK_ListeComposants* components = asset.GetListeComposants();
    for (int i = 0; components && i < components->Count(); ++i) {
        cVK_Composant* component = components->Get(i);
        cVK_LstAmortissement* plans = component->GetLstAmortissement();
        for (int p = 0; plans && p < plans->Count(); ++p) {
            checksum.Add(plans->Get(p)->GetDotation(at));
            checksum.Add(plans->Get(p)->GetCumulAmort(at));
        }
        checksum.Add(component->GetAmortDerog(at));
        CCurrency allocation, reversal, disposalReversal;
        checksum.Add(component->GetAmortDerogEx(at, &allocation, &reversal, &disposalReversal, nullptr));
        checksum.Add(allocation);
        checksum.Add(reversal);
        checksum.Add(disposalReversal);
        checksum.Add(component->GetReintTmp(at));
        checksum.Add(component->GetReintTmpReintDed(at, 0));
        checksum.Add(component->GetReintTmpReintDed(at, 1));
        checksum.Add(component->GetReintDef(at));
    }
    if (asset.GetVehicule()) {
        checksum.Add(asset.GetReintegrVoitTourisme());
        checksum.Add(asset.GetReintDef(at));
    }
}

// The latest version of every asset chain (the highest ID_BIEN of each REF_CALC).
std::vector<unsigned> LatestVersions(CDossier& dossier) {
    TIBQuery query(dossier.GetDatabaseFirebird());
    query.Unidirectional = true;
    query.SQL.Add("SELECT MAX(ID_BIEN) FROM " + GetNomTable("VKB", false) + " GROUP BY REF_CALC ORDER BY 1");
    std::vector<unsigned> ids;
    for (query.Open(); !query.Eof(); query.Next())
        ids.push_back(static_cast<unsigned>(query.Fields(0)->AsInteger()));
    return ids;
}

// Whether the asset takes part in the year's run: its structure entered by the situation date.
bool InTheYear(const cVK_Bien& asset, const TDateTime& at) {
    const cVK_Composant* structure = asset.GetStructure();
    return structure && !structure->DATEENTREE.IsNull() && structure->DATEENTREE <= at;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

class Timer {
public:
    explicit Timer(TIBDatabase& database) : database_(database) {}
    void Start() {
        before_ = database_.Stats();
        cpu_ = CpuSeconds();
        started_ = Clock::now();
    }
    void Stop(MeasureResult& result) {
        result.seconds = std::chrono::duration<double>(Clock::now() - started_).count();
        result.cpuSeconds = CpuSeconds() - cpu_;
        result.statements = database_.Stats().executions - before_.executions;
        result.prepares = database_.Stats().prepares - before_.prepares;
    }

private:
    TIBDatabase& database_;
    TIBDatabase::Statistics before_;
    double cpu_ = 0;
    Clock::time_point started_;
};

// Assets are loaded in batches read ahead (one statement per table and batch) unless
// PERF_READ_AHEAD=0 asks for the objects' own statements only.
constexpr size_t kBatch = 500;

bool ReadAhead() {
    const char* setting = std::getenv("PERF_READ_AHEAD");
    return !(setting && setting[0] == '0');
}

// Calls `visit` with each asset version of `ids`, loaded.
void ForEachAsset(const std::vector<unsigned>& ids,
                  const std::function<void(std::unique_ptr<cVK_Bien>)>& visit, MeasureResult& result) {
    cVK_Prechargement readAhead;
    for (size_t start = 0; start < ids.size(); start += kBatch) {
        const std::vector<unsigned> batch(ids.begin() + start,
                                          ids.begin() + std::min(ids.size(), start + kBatch));
        if (ReadAhead()) readAhead.Charger(batch);
        for (unsigned id : batch) visit(std::make_unique<cVK_Bien>(id, "", nullptr, nullptr));
    }
    result.extra.push_back({"read_ahead_sets", std::to_string(readAhead.Servis())});
}

Assets LoadAll(CDossier& dossier, MeasureResult& result) {
    Assets assets;
    ForEachAsset(
        LatestVersions(dossier), [&](std::unique_ptr<cVK_Bien> asset) { assets.push_back(std::move(asset)); },
        result);
    return assets;
}

void MeasureLoad(CDossier& dossier, MeasureResult& result) {
    Timer timer(*dossier.GetDatabaseFirebird());
    timer.Start();
    Assets assets = LoadAll(dossier, result);
    timer.Stop(result);
    int components = 0;
    for (const auto& asset : assets) components += asset->GetListeComposants()->Count();
    result.assets = static_cast<int>(assets.size());
    result.extra.push_back({"components", std::to_string(components)});
}

void MeasureRun(CDossier& dossier, MeasureResult& result) {
    Timer timer(*dossier.GetDatabaseFirebird());
    const TDateTime at = dossier.DateSituation;
    Checksum checksum;
    timer.Start();
    ForEachAsset(
        LatestVersions(dossier),
        [&](std::unique_ptr<cVK_Bien> asset) {
            if (!InTheYear(*asset, at)) return;
            YearFigures(*asset, at, checksum);
            ++result.assets;
        },
        result);
    timer.Stop(result);
    result.extra.push_back({"checksum", checksum.Text()});
}

// The figures of (b) on assets already in memory: each batch is loaded, its schedules' stored lines
// read and its situation details read ahead before the timer runs; only the computation is timed.
void MeasureCompute(CDossier& dossier, MeasureResult& result) {
    const TDateTime at = dossier.DateSituation;
    const std::vector<unsigned> ids = LatestVersions(dossier);
    Checksum checksum;
    MeasureResult part;
    Timer timer(*dossier.GetDatabaseFirebird());
    cVK_Prechargement readAhead;
    for (size_t start = 0; start < ids.size(); start += kBatch) {
        const std::vector<unsigned> batch(ids.begin() + start,
                                          ids.begin() + std::min(ids.size(), start + kBatch));
        if (ReadAhead()) readAhead.Charger(batch);
        Assets assets;
        for (unsigned id : batch) {
            assets.push_back(std::make_unique<cVK_Bien>(id, "", nullptr, nullptr));
            for (int i = 0; i < assets.back()->GetListeComposants()->Count(); ++i) {
                cVK_LstAmortissement* plans =
                    assets.back()->GetListeComposants()->Get(i)->GetLstAmortissement();
                for (int p = 0; plans && p < plans->Count(); ++p) plans->Get(p)->GetLstTabAmort();
            }
        }
        timer.Start();
        for (const auto& asset : assets) {
            if (!InTheYear(*asset, at)) continue;
            YearFigures(*asset, at, checksum);
            ++result.assets;
        }
        timer.Stop(part);
        result.seconds += part.seconds;
        result.cpuSeconds += part.cpuSeconds;
        result.statements += part.statements;
        result.prepares += part.prepares;
    }
    result.extra.push_back({"checksum", checksum.Text()});
}

// Every row the year's run reads, with one plain SELECT per table and the columns the engine lists.
void MeasureFloor(CDossier& dossier, MeasureResult& result) {
    const std::vector<std::pair<const char*, UnicodeString>> tables = {
        {"VKB", UnicodeString("SELECT ") + cVK_Bien::ColonnesSelect + " FROM " + GetNomTable("VKB", false)},
        {"VKV",
         "SELECT ID_VEH,TYPEVEH,NUMIMMAT,DATEPREMIMMAT,DESCOMM,DATECERTIF,GENRE,TYPECARROS,PUISADMIN,"
         "NBPLASSISES,TAUXCO2,POUR_VEH_NORME_WLTP FROM " +
             GetNomTable("VKV", false)},
        {"VKC",
         UnicodeString("SELECT ") + cVK_Composant::ColonnesSelect + " FROM " + GetNomTable("VKC", false)},
        {"VKL", cVK_DetailComposant::ColonnesSelect + GetNomTable("VKL", false)},
        {"VKO", "SELECT * FROM " + GetNomTable("VKO", false)},
        {"VKA",
         "SELECT ID_AMORT,ID_COMPO,TYPEAMORT,METHODE,PTDEDEPART,DUREE,VALRESIDUELLE,OUV_AMORT,"
         "OUV_AMORT_CALC_MAN,OUV_AMORT_MAN,OUV_DEPREC_DED,OUV_DEPREC_DED_MAN,OUV_DEPREC_NON_DED,"
         "OUV_DEPREC_NON_DED_MAN FROM " +
             GetNomTable("VKA", false)},
        {"VKT",
         "SELECT ID_TAB_AMORT,REF_CALC,TYPEAMORT,EXERCICE,ID_AMORT,PREMIER_AMORT,FORCAGE_OUV,PRIX_ACQUIS,"
         "FRAIS_ACQUIS,BASE,PRORATA,LIN,CONSO,DOTATION,DEPREC_DED,DEPREC_NONDED,OUV_CUMUL_CONSO,"
         "OUV_CUMUL_AMORT,OUV_CUMUL_DEPREC_DED,OUV_CUMUL_DEPREC_NONDED,OUV_VNC FROM " +
             GetNomTable("VKT", false)},
        {"VKU", "SELECT ID_UOPREVUE,ID_COMPO,ID_AMORT,EXERCICE,CONSO FROM " + GetNomTable("VKU", false)},
        {"VKD",
         "SELECT ID_DET_SIT,DATE_SIT,REF_CALC,TYPE_AMORT,VALACTUELLE,DEPREC_NON_DED,DEPREC_REP_MAX,"
         "DOTATION_FORC,UO_QUANTITE FROM " +
             GetNomTable("VKD", false)},
    };
    Timer timer(*dossier.GetDatabaseFirebird());
    std::map<std::string, long> rows;
    long nulls = 0;
    timer.Start();
    for (const auto& [table, sql] : tables) {
        TIBQuery query(dossier.GetDatabaseFirebird());
        query.Unidirectional = true;
        query.SQL.SetText(sql);
        for (query.Open(); !query.Eof(); query.Next()) {
            ++rows[table];
            for (int i = 0; i < query.FieldCount(); ++i) nulls += query.Fields(i)->IsNull();
        }
    }
    timer.Stop(result);
    result.assets = static_cast<int>(rows["VKB"]);
    long total = 0;
    for (const auto& [table, count] : rows) {
        result.extra.push_back({fmt::format("rows_{}", table), std::to_string(count)});
        total += count;
    }
    result.extra.push_back({"rows", std::to_string(total)});
    result.extra.push_back({"null_values", std::to_string(nulls)});
}

void MeasureClose(vkhost::Session& session, MeasureResult& result) {
    Timer timer(*session.Dossier().GetDatabaseFirebird());
    vkhost::ClosingResult closing;
    timer.Start();
    session.RunAction([&] { closing = vkhost::CloseYear(session.Dossier(), nullptr); });
    timer.Stop(result);
    result.assets = closing.assets;
    result.extra.push_back({"closed", std::to_string(closing.closed)});
}

// The year's entries (kind 4: depreciation charges, derogatory depreciation, impairments) generated
// from every asset and created in the ledger, in one host action, commit included. The generation
// and the creation are also timed apart.
void MeasureEntries(vkhost::Session& session, MeasureResult& result) {
    TIBDatabase& database = *session.Dossier().GetDatabaseFirebird();
    Timer timer(database);
    size_t lines = 0, entries = 0;
    double generation = 0;
    timer.Start();
    session.RunAction([&] {
        const Clock::time_point started = Clock::now();
        const cVK_ListEcr list(ecrDotations, nullptr);
        generation = std::chrono::duration<double>(Clock::now() - started).count();
        if (!list.Creer()) throw vkhost::EngineReportedFailure("Écritures de type 4 refusées");
        lines = list.Lignes.size();
        entries = list.TypesEcr.size();
    });
    timer.Stop(result);
    CActionDossier action(session.Dossier());
    result.assets = static_cast<int>(LatestVersions(session.Dossier()).size());
    result.extra.push_back({"generate_s", fmt::format("{:.3f}", generation)});
    result.extra.push_back({"create_s", fmt::format("{:.3f}", result.seconds - generation)});
    result.extra.push_back({"lines", std::to_string(lines)});
    result.extra.push_back({"entries", std::to_string(entries)});
}

// Each year-end statement of the current year, computed from the register and written as JSON (as
// `vkhost statement DIR FORM --format json` does), timed apart; the total is the measure's time.
void MeasureStatements(CDossier& dossier, MeasureResult& result) {
    Timer timer(*dossier.GetDatabaseFirebird());
    timer.Start();
    size_t bytes = 0;
    for (const char* form : {"2054", "2055", "2059a", "2033c", "2033d", "register", "charges"}) {
        const Clock::time_point started = Clock::now();
        vketat::Demande demande;
        demande.formulaire = form;
        bytes += vketat::EcrireJSON(vketat::Calculer(demande)).size();
        result.extra.push_back(
            {fmt::format("statement_{}_s", form),
             fmt::format("{:.3f}", std::chrono::duration<double>(Clock::now() - started).count())});
    }
    timer.Stop(result);
    result.assets = static_cast<int>(LatestVersions(dossier).size());
    result.extra.push_back({"statement_bytes", std::to_string(bytes)});
}

}  // namespace

std::string YearChecksum(CDossier& dossier) {
    MeasureResult result;
    MeasureRun(dossier, result);
    for (const Figure& figure : result.extra)
        if (figure.name == "checksum") return figure.value;
    return "";
}

long PeakKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

const std::vector<std::string>& MeasureNames() {
    static const std::vector<std::string> names = {"load",    "run",   "floor",     "compute",
                                                   "entries", "close", "statements"};
    return names;
}

MeasureResult Measure(const std::string& directory, const std::string& name) {
    MeasureResult result;
    vkhost::Session session({(std::filesystem::path(directory) / "env").string(), "bench"});
    session.Open((std::filesystem::path(directory) / "case").string());
    CDossier& dossier = session.Dossier();
    StatementTrace trace(*dossier.GetDatabaseFirebird());
    result.extra.push_back({"base_peak_kib", std::to_string(PeakKiB())});
    if (name == "close") {
        MeasureClose(session, result);
        return result;
    }
    if (name == "entries") {
        MeasureEntries(session, result);
        return result;
    }
    static const std::map<std::string, std::function<void(CDossier&, MeasureResult&)>> measures = {
        {"load", MeasureLoad},
        {"run", MeasureRun},
        {"floor", MeasureFloor},
        {"compute", MeasureCompute},
        {"statements", MeasureStatements}};
    auto found = measures.find(name);
    if (found == measures.end()) throw Exception("Mesure inconnue : " + name);
    // One transaction for the whole measure, as a host action: the engine's commits inside it are
    // no-ops; nothing is written, so it is rolled back.
    CActionDossier action(dossier);
    found->second(dossier, result);
    return result;
}

}  // namespace vkperf
