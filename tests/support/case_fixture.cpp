#include "tests/support/case_fixture.h"

#include <cstdlib>

#include "platform/tablesfichier.h"

namespace vktest {

namespace fs = std::filesystem;

ParametresDossier CalendarYears(int firstYear, int count, int currentYear) {
    ParametresDossier parameters;
    for (int year = firstYear; year < firstYear + count; ++year)
        parameters.Exercices.push_back(
            {EncodeDate(year, 1, 1), EncodeDate(year, 12, 31), year < currentYear});
    parameters.DebutExerciceCourant = EncodeDate(currentYear, 1, 1);
    return parameters;
}

CaseFile::CaseFile(const ParametresDossier& parameters) {
    std::string pattern = (fs::temp_directory_path() / "vktest-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    root_ = pattern;
    environment_ = TEnvironnement::Ouvrir((root_ / "env").string(), "testeur");
    pEnvironnement = environment_.get();
    dossier_ = CDossier::Creer((root_ / "dossier").string(), parameters);
    pCurDossier = dossier_.get();
}

CaseFile::~CaseFile() {
    pCurDossier = nullptr;
    dossier_.reset();
    pEnvironnement = nullptr;
    environment_.reset();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

std::string CaseFile::Scalar(const std::string& sql, const std::string& base) {
    TIBQuery query(base.empty() ? &Database() : tablesfichier::Base(base));
    query.SQL.SetText(sql);
    query.Open();
    if (query.Eof()) return "<none>";
    return query.Fields(0)->IsNull() ? "<null>" : query.Fields(0)->AsString();
}

int CaseFile::Count(const std::string& table, const std::string& where, const std::string& base) {
    return std::stoi(
        Scalar("SELECT COUNT(*) FROM " + table + (where.empty() ? "" : " WHERE " + where), base));
}

}  // namespace vktest
