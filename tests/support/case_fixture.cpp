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

ParametresDossier TwelveMonthYears(const TDateTime& firstStart, int count, int currentIndex) {
    ParametresDossier parameters;
    for (int i = 0; i < count; ++i)
        parameters.Exercices.push_back(
            {AjouteMois(firstStart, 12 * i), AjouteMois(firstStart, 12 * (i + 1)) - 1, i < currentIndex});
    parameters.DebutExerciceCourant = AjouteMois(firstStart, 12 * currentIndex);
    return parameters;
}

namespace {

fs::path TemporaryRoot() {
    std::string pattern = (fs::temp_directory_path() / "vktest-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    return pattern;
}

// An environment made once (its common database is the slow part to create) and copied for each
// test, which then works on a copy of its own. CTest names a directory shared by the test processes
// of one run (VK_TEST_TEMPLATE_DIR, emptied when the run starts); without it the template lives as
// long as the process.
struct Template {
    Template() {
        const char* shared = std::getenv("VK_TEST_TEMPLATE_DIR");
        if (!shared || !*shared) {
            root = TemporaryRoot();
            owned = true;
            TEnvironnement::Ouvrir((root / "env").string(), "testeur");
            return;
        }
        root = shared;
        std::error_code ignored;
        if (fs::exists(root / "env" / "commun" / "OKT_COMMUN.fdb", ignored)) return;
        const fs::path building = TemporaryRoot();
        TEnvironnement::Ouvrir((building / "env").string(), "testeur");
        fs::create_directories(root, ignored);
        fs::rename(building / "env", root / "env", ignored);  // another process may have been first
        fs::remove_all(building, ignored);
    }
    ~Template() {
        std::error_code ignored;
        if (owned) fs::remove_all(root, ignored);
    }
    fs::path root;
    bool owned = false;
};

fs::path TemplateEnvironment() {
    static const Template once;
    return once.root / "env";
}

}  // namespace

CaseFile::CaseFile(const ParametresDossier& parameters) {
    root_ = TemporaryRoot();
    fs::copy(TemplateEnvironment(), root_ / "env", fs::copy_options::recursive);
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
