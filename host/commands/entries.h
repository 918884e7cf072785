// The accounting entries from the host: creating, cancelling and exporting a kind of entries,
// showing the ledger, comparing the ledger with the register; and the same operations for the
// scenario runner.
#pragma once

#include <functional>
#include <ostream>
#include <vector>

#include "host/report/report.h"
#include "host/session.h"

namespace CLI {
class App;
}

namespace vkhost {

enum class EntriesOperation { Create, Cancel, Export };

struct EntriesOptions {
    UnicodeString directory;
    int kind = 0;  // VK_TypesEcr 0..5
    bool create = false;
    bool cancel = false;
    UnicodeString exportFile;
    unsigned exit = 0;       // kind 2: the exit whose disposal entry is made
    unsigned component = 0;  // kind 2: the disposed component whose entry is made
};

struct LedgerOptions {
    UnicodeString directory;
    bool json = false;  // the entries with exact amounts and ISO dates
    bool csv = false;   // one line per entry line, the same fields
};

struct CompareOptions {
    UnicodeString directory;
    int type = 5;  // TYPE_COMPARAISON 0..5
    bool json = false;
    bool csv = false;
};

// vkhost entries DIR KIND --create | --cancel | --export FILE: one action, one transaction. A
// refusal of the accounting library (a date outside the open fiscal years...) changes nothing and
// exits with status 1.
int RunEntries(const EntriesOptions& options, const EnvironmentOptions& environment, std::ostream& out);
// vkhost ledger DIR: every recorded entry with its lines and its balance. Status 1 when an entry
// does not balance.
int RunLedger(const LedgerOptions& options, const EnvironmentOptions& environment, std::ostream& out);
// vkhost compare DIR TYPE: account, label, ledger, register and difference of every account of the
// register. Changes nothing.
int RunCompare(const CompareOptions& options, const EnvironmentOptions& environment, std::ostream& out);

// Registers the three commands; each runs through `guarded`, which turns failures into statuses.
void AddEntriesCommands(CLI::App& app, EnvironmentOptions& environment,
                        const std::function<void(CLI::App*)>& addEnvironment,
                        const std::function<int(const std::function<int()>&)>& guarded, int& status);

// --- For the scenario runner: the case file is open and a host action is running ---

// Builds the entries of a kind (no owner) and creates, cancels or exports them. Raises
// EngineReportedFailure when the accounting library refused (the action then rolls back).
void ApplyEntries(int kind, EntriesOperation operation, const UnicodeString& exportFile = "");
inline void CreateEntries(int kind) {
    ApplyEntries(kind, EntriesOperation::Create);
}
inline void CancelEntries(int kind) {
    ApplyEntries(kind, EntriesOperation::Cancel);
}
inline void ExportEntries(int kind, const UnicodeString& file) {
    ApplyEntries(kind, EntriesOperation::Export, file);
}
// The report's `entries` section: the lines of a list of each kind, built now, in the list's order.
std::vector<EntriesReport> ReportEntries(const std::vector<int>& kinds);

}  // namespace vkhost
