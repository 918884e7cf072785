// A whole scenario of the reference host, as plain data: the case file to create, the register to
// build, the exits, the actions to run and what to report.
//
// Member names are the scenario file's field names, so that a field of the file is found in the
// code by its name; comments give the engine's column or setter each one feeds. Every value has
// been checked when a Scenario comes out of ParseScenario, and the defaults of the file format are
// filled in, except where the default depends on the case file at run time (std::optional then).
//
// Amounts are exact (CCurrency); a null amount is JSON null, or an absent field where the format
// gives no other default. std::optional<CCurrency> marks the amounts whose absence must leave the
// engine's own default alone: nullopt = not given (do not call the setter), a null CCurrency = given
// as null.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/currency.h"
#include "platform/datetime.h"
#include "platform/dossier.h"

namespace vkhost {

// Lengths of the texts, in characters: the columns they are stored in.
constexpr size_t kMaxRefLength = 10;               // REF_SAIS VARCHAR(10)
constexpr size_t kMaxDesignationLength = 60;       // DESIGNATION VARCHAR(60)
constexpr size_t kMaxAccountLength = 13;           // NUMCOMPTE VARCHAR(13)
constexpr size_t kMaxSupplierLength = 60;          // FOURNISSEUR VARCHAR(60)
constexpr size_t kMaxRegistrationLength = 25;      // NUMIMMAT VARCHAR(25)
constexpr size_t kMaxUnitsDesignationLength = 35;  // UO_DESIGNATION VARCHAR(35)
constexpr size_t kMaxCompanyLength = 60;           // RAISON_SOCIALE VARCHAR(60)
constexpr size_t kMaxUserLength = 15;              // USERCREAT VARCHAR(15)

// The duration meaning "no duration" (DUREE NULL).
constexpr int kNoDuration = 65535;
// The default currency: code 0, rate -1, amounts not converted.
constexpr int kDefaultCurrencyCode = 0;
// The longest duration of a plan: 998 years, so that its schedule (one line a year, the first and
// last ones partial) stays within the engine's 1000 years.
constexpr int kMaxDurationMonths = 998 * 12;
constexpr double kDefaultCurrencyRate = -1.0;

// ---------------------------------------------------------------------------------------------
// case

struct FiscalYearInput {
    TDateTime start;
    TDateTime end;
};

struct CaseInput {
    std::vector<FiscalYearInput> fiscal_years;  // in order, contiguous, each at most 24 months
    TDateTime current_year;                     // start of fiscal year 0, one of the recorded starts
    TDateTime situation_date;                   // filled: default end of the current year
    int tax_regime = 1;                         // RegimeFiscal; 2 = corporate income tax (DossierIS)
    std::string company = "Demo";               // RaisonSociale
    std::string siren;                          // empty: not recorded
    std::string user = "demo";                  // environment's user, written in the stamps
    int account_length = 6;                     // LongueurCompte, 6..13
    // Section "VK" of the settings file, in input order: "DerogatoireTaux" (a number),
    // "MiseAuxNormes_MethodeRetrospective" (an integer), "0".."25" (texts). Values as text.
    std::vector<std::pair<std::string, std::string>> settings;
};

// The case file's parameters for CDossier::Creer: the years before the current one closed.
ParametresDossier CaseParameters(const CaseInput& input);

// ---------------------------------------------------------------------------------------------
// assets[].vehicle

struct VehicleInput {
    int type = 0;                  // TYPEVEH, VK_TypeVehicule 0..5
    TDateTime first_registration;  // DATEPREMIMMAT; null date when absent
    std::string registration;      // NUMIMMAT
    std::optional<int> co2;        // TAUXCO2 in g/km; absent: unknown (the integer sentinel)
    bool wltp = false;             // POUR_VEH_NORME_WLTP
};

// assets[].components[].details[]: one acquisition line (cVK_DetailComposant)
struct DetailInput {
    CCurrency price;                      // PRIX_ACQUIS, SetPrixAcquisOrigine
    CCurrency costs;                      // FRAIS_ACQUIS, SetFraisAcquisOrigine
    CCurrency vat;                        // TVARECUP, SetTVARecupereeOrigine
    std::string supplier;                 // FOURNISSEUR
    std::string designation;              // DESIGNATION
    int currency = kDefaultCurrencyCode;  // currency of price and costs: 0 or 250 (franc)
    double rate = kDefaultCurrencyRate;   // its rate, units for one euro; -1 or 0: the code's own
};

// plans[].forced_opening: forced opening values (OUV_AMORT, OUV_DEPREC_DED, OUV_DEPREC_NON_DED)
struct PlanForcedOpeningInput {
    std::optional<CCurrency> depreciation;
    std::optional<CCurrency> impairment_ded;
    std::optional<CCurrency> impairment_nonded;
};

// A yearly figure: plans[].manual[] {year, amount} and units.forecasts[] {year, quantity}
// (cVK_UOPrevue: EXERCICE, CONSO).
struct YearAmountInput {
    int year = 0;      // fiscal-year index, 0 or more
    CCurrency amount;  // "amount" (manual) or "quantity" (forecasts), 0 or more
};

// assets[].components[].plans[] (cVK_Amortissement)
struct PlanInput {
    int kind = 1;                       // TYPEAMORT: 1 accounting, 2 tax, 4 consolidated
    int method = 0;                     // METHODE, VK_MethodeAmort 0..13
    TDateTime start;                    // PTDEDEPART; null date: the method's rule applies
    int duration = kNoDuration;         // DUREE in months; 65535: none
    std::optional<CCurrency> residual;  // VALRESIDUELLE
    PlanForcedOpeningInput forced_opening;
    std::vector<YearAmountInput> manual;  // yearly charges of a manual plan (method 4 only)
};

// A plan of a kind, a method and a duration in months, everything else left to the method's rules.
inline PlanInput MakePlan(int kind, int method, int months) {
    PlanInput plan;
    plan.kind = kind;
    plan.method = method;
    plan.duration = months;
    return plan;
}

// assets[].components[].units (units of production)
struct UnitsInput {
    std::optional<CCurrency> total;           // UO_CONSO, SetUO_ConsommationTotale
    std::string designation;                  // UO_DESIGNATION, SetUO_Designation
    std::optional<CCurrency> forced_opening;  // UO_CONSO_OUV, SetUO_CumulConsoOuvForce
    std::vector<YearAmountInput> forecasts;   // {year, quantity}
};

// assets[].components[].forced: forced opening amounts of the tax adjustments
struct ComponentForcedInput {
    std::optional<CCurrency> derogatory_opening;               // DEROG_OUV_FORC, SetAmortDerogOuvForce
    std::optional<CCurrency> temporary_reintegration_opening;  // OUV_A_DED_FORCE, SetReintTmpOuvForce
};

// assets[].components[].situations[] (cVK_DetSituation)
struct SituationInput {
    TDateTime date;               // DATE_SIT
    int kind = 0;                 // TYPE_AMORT: 0 the component, 1 or 2 a plan kind
    CCurrency current_value;      // VALACTUELLE
    CCurrency impairment_nonded;  // DEPREC_NON_DED
    CCurrency max_reversal;       // DEPREC_REP_MAX
    CCurrency manual_charge;      // DOTATION_FORC
    CCurrency units;              // UO_QUANTITE
};

// assets[].components[] (cVK_Composant), in input order; components[0] is the structure
struct ComponentInput {
    std::string account;             // NUMCOMPTE, completed to the account length by the engine
    TDateTime entry_date;            // DATEENTREE
    TDateTime service_date;          // DATEMISEENSERV; filled: default entry_date
    int entry_type = 0;              // TYPEENTREE 0..6
    std::string designation;         // DESIGNATION; filled: default the asset's designation
    bool non_deductible = false;     // ISAMORT_NON_DEDUC
    bool car_reintegration = false;  // POUR_CALC_REINT_AMORT
    std::vector<DetailInput> details;
    // nullopt: the default accounting and tax plans as the engine creates them.
    std::optional<std::vector<PlanInput>> plans;
    std::optional<UnitsInput> units;
    ComponentForcedInput forced;
    std::vector<SituationInput> situations;
};

// assets[] (cVK_Bien), in input order
struct AssetInput {
    std::string ref;          // REF_SAIS, unique in the scenario
    std::string designation;  // DESIGNATION
    int type = 1;             // TYPEBIEN
    int state = 2;            // VK_Etats 0..5 of the version created
    int complement = 2;       // VK_EtatsCplmt 1..3
    std::optional<VehicleInput> vehicle;
    std::vector<ComponentInput> components;  // at least one
};

// ---------------------------------------------------------------------------------------------
// exits[]

// exits[].assets[].components[]: values entered on one component's disposal (cVK_Cession)
struct ExitComponentInput {
    int index = 0;                      // the component's input index in its asset
    CCurrency entered_price;            // PRIX_CESSION_SAIS
    CCurrency price;                    // PRIXHT_SORTIE
    CCurrency vat_deducted;             // TVA_DED_SAIS
    CCurrency vat_to_reverse;           // TVA_A_REVERSER_SAIS
    CCurrency revalued_value;           // VAL_REEVAL_SAIS
    CCurrency accounting_depreciation;  // AMORT_CPTA_PRAT_SAIS
    CCurrency derogatory_depreciation;  // AMORT_DEROG_PRAT_SAIS
    CCurrency other_depreciation;       // AUTRES_AMORT_SAIS
    CCurrency short_term_gain;          // PVCT_SAIS
    CCurrency excluded_long_term_gain;  // PVLT_EXCLUES_SAIS
    CCurrency short_term_loss;          // MVCT_SAIS
    CCurrency excluded_long_term_loss;  // MVLT_EXCLUES_SAIS
    // TAUX_IMPOSITION (a double in the engine: tax_rate->AsDouble()); nullopt: the engine's own.
    std::optional<CCurrency> tax_rate;
};

struct ExitAssetInput {
    std::string ref;                             // an asset of the scenario
    size_t asset_index = 0;                      // its index in Scenario::assets
    std::vector<ExitComponentInput> components;  // only the components with entered values
};

// exits[] (cVK_Sortie), in input order
struct ExitInput {
    std::string designation;              // DESIGNATION
    TDateTime date;                       // DATESORTIE
    TDateTime end_of_use;                 // DATE_FIN_UTILISATION; filled: default date
    CCurrency price;                      // PRIXHT
    int currency = kDefaultCurrencyCode;  // DEVISE: 0 or 250
    double rate = kDefaultCurrencyRate;   // TAUXCHANGE
    int reason = 1;                       // MOTIFSORTIE, VK_MotifSortie 1..5
    bool vat_reversed = false;            // TVA_DOIT_ETRE_REVERSEE
    std::vector<ExitAssetInput> assets;
};

// ---------------------------------------------------------------------------------------------
// actions[], run in order after the register and the exits are built

enum class ActionKind {
    Validate,       // "validate": asset, complement
    CloseYear,      // "close_year"
    StorePast,      // "store_past": asset
    Duplicate,      // "duplicate": asset, state, new_references
    DeleteVersion,  // "delete_version": asset
    CreateEntries,  // "create_entries": kind
    CancelEntries,  // "cancel_entries": kind
    ExportEntries,  // "export_entries": kind, file
};

struct ActionInput {
    ActionKind kind = ActionKind::CloseYear;  // "do"
    std::string asset;                        // ref of an asset: the latest version of its chain
    size_t asset_index = 0;                   // its index in Scenario::assets
    int complement = 2;                       // validate: VK_EtatsCplmt 1..3
    int state = 0;                            // duplicate: VK_Etats 0..5
    bool new_references = false;              // duplicate
    int entries_kind = 0;                     // "kind" of the entry actions: VK_TypesEcr 0..5
    std::string file;                         // export_entries: as written
    std::string file_path;  // export_entries: absolute, or resolved against the scenario's directory
};

// The text of "do" for an action kind.
const char* ActionName(ActionKind kind);

// ---------------------------------------------------------------------------------------------
// report

struct ReportOptions {
    bool schedules = false;
    bool tax = false;
    bool disposals = false;
    std::vector<int> entries;             // kinds of entries 0..5, in input order
    std::vector<std::string> statements;  // year-end forms ("2054", "2055", ...), in input order
    std::optional<TDateTime> at;          // nullopt: the case file's situation date at report time
};

struct Scenario {
    CaseInput case_;  // "case" (a C++ keyword)
    std::vector<AssetInput> assets;
    std::vector<ExitInput> exits;
    std::vector<ActionInput> actions;
    ReportOptions report;
};

// Reads and checks a scenario. Raises InvalidInput whose message is "PATH: REASON" for the first bad
// field (`assets[0].components[1].plans[0].duration: must be 0..65535`). Relative export files are
// resolved against baseDirectory (left relative when it is empty).
//
// "First" means: the sections in the order case, assets, exits, actions, report; within an object,
// a field the format does not know is reported before anything else (in document order), then the
// fields in the order of the format; within a list, element by element.
Scenario ParseScenario(std::string_view text, const std::string& baseDirectory = "");
// The largest scenario file read: 64 MiB (a scenario of 100,000 assets is about 30 MiB).
constexpr size_t kMaxScenarioBytes = size_t(64) << 20;
// Reads the file and parses it, relative export files being resolved against its directory.
// A file that cannot be read raises InvalidInput "PATH: cannot be read (...)", one larger than
// kMaxScenarioBytes "PATH: larger than 64 MiB", before more than that is read.
Scenario ParseScenarioFile(const std::string& path);

}  // namespace vkhost
