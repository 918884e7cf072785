// Reading whole assets ahead: the rows that loading a batch of asset versions reads, with one
// statement per table instead of one per object.
//
// Loading one asset reads its row, its vehicle, its components, and for each component its
// acquisition details, its disposal record, its plans, their units forecasts or manual amounts and
// the stored lines of their schedules: a dozen statements, each with its own cost in the database.
// A host that loads many assets at once (the year's run, a report of the register) reads them ahead
// in batches; each object then takes its rows from the batch instead of running its statement.
//
// What an object takes is what its own statement would have returned: the rows are read in the
// same transaction, with the same columns, and each set of rows is handed out once. The rows read
// ahead are given only inside the host action they were read in, and only as long as no statement
// other than a SELECT ran since (a change could have made them stale); otherwise every object reads
// the database as usual.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/db/ibx.h"

class cVK_Prechargement {
public:
    // Becomes the current read-ahead of the case file's database (one at a time: the one it
    // replaces is current again once it is destroyed).
    cVK_Prechargement();
    ~cVK_Prechargement();
    cVK_Prechargement(const cVK_Prechargement&) = delete;
    cVK_Prechargement& operator=(const cVK_Prechargement&) = delete;

    // Reads ahead the rows of the asset versions `ids` (of the case file's database) and of all their
    // children, dropping what is left of an earlier batch. Does nothing outside a host action.
    void Charger(const std::vector<unsigned>& ids);
    // Drops every row read ahead.
    void Vider();
    // Number of sets of rows handed out so far.
    size_t Servis() const { return servis_; }

    // The rows of `table` read ahead for an owner (`groupe`, e.g. the component's identifier) and a
    // selection (`cle`, the owner itself or the owner and a kind), as a dataset positioned before its
    // first row; null when they were not read ahead, were handed out already or may be stale.
    static std::unique_ptr<TDataSet> Prendre(const char* table, const UnicodeString& groupe,
                                             const UnicodeString& cle);

private:
    struct Lignes {
        IBColumns columns;
        std::vector<std::vector<IBValue>> rows;
    };
    // What is known of one table in the batch: the owners it covers, its rows by key, the keys
    // already handed out, and whether its rows are handed out as often as asked.
    struct Table {
        std::unordered_set<UnicodeString> couverts;
        std::unordered_map<UnicodeString, Lignes> lignes;
        std::unordered_set<UnicodeString> servies;
        bool gardee = false;
        IBColumns colonnes;  // the columns of the table's statement, for an owner without rows
    };
    // Runs one statement and files every row under its table and its key: the owner's column
    // (`groupe`, prefixed) then the selecting columns (`sortes`), each after "/"; `parCle`: each set
    // in the order of its primary key.
    void Lire(const char* table, const UnicodeString& sql, const char* primaire, const char* groupe,
              const std::vector<const char*>& sortes, const UnicodeString& prefixeGroupe, bool parCle);
    bool Valide() const;

    std::map<std::string, Table> tables_;
    cVK_Prechargement* precedent_ = nullptr;
    TIBDatabase* database_ = nullptr;
    uint64_t changesALaLecture_ = 0;
    size_t servis_ = 0;
};

// A date as it appears in the keys of the rows read ahead.
UnicodeString CleDate(const TDateTime& date);

// The condition selecting the rows whose `column` is one of `ids`: their range or their list; none
// when they are more than a list takes (the database takes at most 1,500 values) and too spread for
// a range. No ids select no rows.
std::optional<UnicodeString> VK_ConditionParmi(const UnicodeString& column, std::vector<unsigned> ids);

// The dataset an object loads from: the rows read ahead for it when there are, else a query of its
// own statement (null after a failure, shown with the location code, as VK_InitDataset).
std::unique_ptr<TDataSet> VK_DatasetPrecharge(unsigned long code, const char* table,
                                              const UnicodeString& groupe, const UnicodeString& cle,
                                              const UnicodeString& sql, bool unidirectional,
                                              const UnicodeString& base);
