// A fresh environment and case file in a temporary directory, made current for the engine, for
// tests that run against real embedded Firebird databases.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "platform/dossier.h"
#include "platform/environnement.h"
#include "platform/messages.h"

namespace vktest {

// Calendar fiscal years `firstYear` .. `firstYear + count - 1`, the current one being `currentYear`.
ParametresDossier CalendarYears(int firstYear, int count, int currentYear);
// `count` fiscal years of twelve months from `firstStart`, the current one the year number
// `currentIndex` (0 the first); the years before it are closed.
ParametresDossier TwelveMonthYears(const TDateTime& firstStart, int count, int currentIndex);

class CaseFile {
public:
    explicit CaseFile(const ParametresDossier& parameters = CalendarYears(2024, 3, 2026));
    ~CaseFile();
    CaseFile(const CaseFile&) = delete;
    CaseFile& operator=(const CaseFile&) = delete;

    CDossier& Dossier() { return *dossier_; }
    TEnvironnement& Environment() { return *environment_; }
    TIBDatabase& Database() { return *dossier_->GetDatabaseFirebird(); }
    const std::filesystem::path& Directory() const { return root_; }
    // Runs a query on the case file and returns the first column of the first row as text
    // ("<null>" for SQL NULL, "<none>" without a row).
    std::string Scalar(const std::string& sql, const std::string& base = "");
    int Count(const std::string& table, const std::string& where = "", const std::string& base = "");
    void Commit() { Database().DefaultTransaction().Commit(); }

private:
    std::filesystem::path root_;
    std::unique_ptr<TEnvironnement> environment_;
    std::unique_ptr<CDossier> dossier_;
};

// Records what the engine shows while it lives (answers yes unless told otherwise).
class Messages {
public:
    Messages() : scope_(&handler_) {}
    RecordingMessageHandler& operator*() { return handler_; }
    RecordingMessageHandler* operator->() { return &handler_; }

private:
    RecordingMessageHandler handler_;
    ScopedMessageHandler scope_;
};

}  // namespace vktest
