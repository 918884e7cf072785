// What the reference host reports after a scenario, as plain data: each member is one field of the
// JSON report (same name), filled from the engine getter named in its comment. D is the report's
// date (`report.at`, default the situation date). Sections that the scenario did not ask for are
// left empty (std::nullopt) and are not written.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/currency.h"
#include "platform/datetime.h"

namespace vkhost {

// plans[].schedule[]: one line of GetLstTabAmort() after CalculTableau(), lowest year first
struct ScheduleLineReport {
    int year = 0;                         // fiscal-year number, relative to the current year
    CCurrency base;                       // GetBaseAmortissableEx()
    CCurrency charge;                     // GetDotation(empty date): the whole year
    std::string prorata;                  // PRORATA, the text exactly (padding kept)
    CCurrency opening_depreciation;       // GetCumulAmortOuv(1)
    CCurrency opening_impairment_ded;     // GetCumulDeprecDedOuv(1)
    CCurrency opening_impairment_nonded;  // GetCumulDeprecNonDedOuv(1)
    CCurrency opening_nbv;                // GetVNCOuv(0)
    bool linear = false;                  // LIN
    bool last = false;
    bool stored = false;  // a frozen line read from the database
};

// plans[].at: the plan at D
struct PlanAtReport {
    CCurrency charge;  // GetDotation(D)
    CCurrency cumul;   // GetCumulAmort(D)
    CCurrency nbv;     // GetVNC(D)
};

// components[].plans[], in kind order
struct PlanReport {
    int kind = 1;                // TYPEAMORT
    int method = 0;              // GetMethode()
    std::optional<double> rate;  // GetTaux(), nullopt when unset
    CCurrency coefficient;       // GetCoef()
    TDateTime start;             // GetPtDeDepart()
    int duration = 65535;        // GetDuree()
    CCurrency depreciable;       // GetValAmortissable()
    PlanAtReport at;
    std::optional<std::vector<ScheduleLineReport>> schedule;  // report.schedules
};

struct DerogatoryReport {
    bool concerned = false;       // GetAmortDerogEstConcerne(D)
    CCurrency opening;            // GetAmortDerogOuv(1)
    CCurrency min;                // GetAmortDerogMini(D)
    CCurrency max;                // GetAmortDerogMaxi(D)
    CCurrency retained;           // GetAmortDerogRetenu(D)
    CCurrency balance;            // GetAmortDerog(D)
    CCurrency allocation;         // GetAmortDerogEx(D, ...): dotation
    CCurrency reversal;           //   reprise
    CCurrency disposal_reversal;  //   repriseCession
};

struct TemporaryReintegrationReport {
    CCurrency opening;       // GetReintTmpOuv(1)
    CCurrency balance;       // GetReintTmp(D)
    CCurrency reintegrated;  // GetReintTmpReintDed(D, 0)
    CCurrency deducted;      // GetReintTmpReintDed(D, 1)
};

// components[].tax (report.tax)
struct ComponentTaxReport {
    DerogatoryReport derogatory;
    TemporaryReintegrationReport temporary_reintegration;
    CCurrency definitive_reintegration;  // GetReintDef(D) of the component
};

// components[].disposal (report.disposals, components with a disposal record)
struct DisposalReport {
    CCurrency price;               // GetPrixCession()
    std::string vat_fraction;      // GetFractionAReverser()
    CCurrency vat_to_reverse;      // GetTvaAReverser()
    CCurrency gross_value;         // GetValeurComptableActifsCedes: gross value
    CCurrency depreciation;        //   and depreciation
    CCurrency result;              // PvMvRealisee
    CCurrency short_term;          // PvMvCourtTerme(true)
    CCurrency long_term;           // PvMvLongTerme(true)
    CCurrency excluded_long_term;  // PvMvCTExclueLongTerme(true, ...)
};

// assets[].components[], in input order
struct ComponentReport {
    int index = 0;           // input index
    long long ref_calc = 0;  // REF_CALC
    CCurrency price;         // GetPrixHT()
    std::vector<PlanReport> plans;
    std::optional<ComponentTaxReport> tax;
    std::optional<DisposalReport> disposal;
};

// assets[].car_reintegration, when the asset has a vehicle
struct CarReintegrationReport {
    CCurrency ceiling;       // GetReintDefBaseMaxi()
    CCurrency cost;          // GetReintDefCoutEntree()
    CCurrency reintegrated;  // GetReintegrVoitTourisme()
    CCurrency definitive;    // GetReintDef(D) of the asset
};

// assets[]: one per chain, its latest version, in input order
struct AssetReport {
    std::string ref;         // REF_SAIS
    long long ref_calc = 0;  // REF_CALC
    int state = 0;           // VK_Etats
    int complement = 0;      // VK_EtatsCplmt
    int versions = 0;        // count of versions of the chain
    std::vector<ComponentReport> components;
    std::optional<CarReintegrationReport> car_reintegration;
};

// exits[].gains: GetTotalPvMv
struct ExitGainsReport {
    CCurrency ct;
    CCurrency ct_excluded_lt;
    CCurrency lt0;
    CCurrency lt8;
    CCurrency lt15;
    CCurrency lt165;
    CCurrency pv_reduced_rate_is;
    CCurrency lt19;
};

// exits[], in input order
struct ExitReport {
    long long id = 0;          // ID_SORTIE
    CCurrency price;           // GetPrixHT()
    CCurrency total_cost;      // TotalCoutEntree()
    CCurrency vat_to_reverse;  // GetTotalTvaAReverser()
    ExitGainsReport gains;
};

// entries[].lines[]: the lines of a cVK_ListEcr, in the list's order
struct EntryLineReport {
    std::string journal;  // Journal
    TDateTime date;       // DateEcr
    std::string piece;    // Piece
    std::string account;  // Compte
    bool debit = false;   // Debit
    CCurrency amount;     // the summed amount
    std::string label;    // Libelle
};

// entries[]: one per kind asked
struct EntriesReport {
    int kind = 0;  // VK_TypesEcr
    std::vector<EntryLineReport> lines;
};

struct Report {
    std::vector<AssetReport> assets;
    std::vector<ExitReport> exits;
    std::vector<EntriesReport> entries;
    std::vector<std::string> warnings;  // texts the engine showed without failing
    // statements: one per form asked, the JSON document `vkhost statement DIR FORM --format json`
    // writes for the current fiscal year
    std::vector<std::pair<std::string, std::string>> statements;
};

}  // namespace vkhost
