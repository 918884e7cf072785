#include <cstdlib>
#include <filesystem>

#include <fmt/format.h>

#include "host/commands.h"

namespace fs = std::filesystem;

namespace vkhost {

namespace {

// A temporary directory removed with the object.
class TemporaryDirectory {
  public:
    TemporaryDirectory() {
        std::string pattern = (fs::temp_directory_path() / "vkdemo-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw Exception("Impossible de créer un répertoire temporaire");
        path_ = pattern;
    }
    ~TemporaryDirectory() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& Path() const { return path_; }

  private:
    fs::path path_;
};

}  // namespace

int RunDemo(const DemoOptions& options, const EnvironmentOptions& environment, std::ostream& out) {
    TemporaryDirectory temporary;
    EnvironmentOptions demoEnvironment = environment;
    if (demoEnvironment.directory.empty()) demoEnvironment.directory = (temporary.Path() / "env").string();
    UnicodeString directory =
        options.keepDirectory.empty() ? (temporary.Path() / "dossier").string() : options.keepDirectory;
    InitOptions init;
    init.company = "Transports Martin SARL";
    int year, month, day;
    DecodeDate(Date(), year, month, day);
    init.firstYear = fmt::format("{:04}-01-01", year - 2);
    init.years = 3;

    Session session(demoEnvironment);
    session.Create(directory, ParametersFromOptions(init));
    out << "Démonstration : un dossier de trois exercices civils.\n";
    PrintCaseFile(session.Dossier(), out);
    out << fmt::format("Exercice de {} : numéro {}; {} : numéro {} (extrapolé).\n", FormatISODate(Date()),
                       session.Dossier().DonnerExercice(Date()), FormatISODate(EncodeDate(year + 1, 6, 30)),
                       session.Dossier().DonnerExercice(EncodeDate(year + 1, 6, 30)));
    if (options.keepDirectory.empty())
        out << "Le dossier temporaire est supprimé.\n";
    else
        out << "Le dossier est conservé dans " << directory << ".\n";
    return kExitOk;
}

}  // namespace vkhost
