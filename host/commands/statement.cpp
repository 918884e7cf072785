#include "host/commands/statement.h"
#include "host/commands/user_date.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <fmt/format.h>

#include "units/uvketat.h"
#include "units/uvketat_sortie.h"

namespace vkhost {

std::string StatementBytes(const std::string& form, const std::string& format, const std::optional<int>& year,
                           const TDateTime& at, const std::string& asset) {
    if (format != "text" && format != "csv" && format != "json" && format != "pdf")
        throw InvalidInput("--format : text, csv, json ou pdf attendu, pas « " + format + " »");
    if (year && !at.IsNull()) throw InvalidInput("--year et --at ne vont pas ensemble");
    vketat::Demande demande;
    demande.formulaire = form;
    demande.annee = year;
    demande.date = at;
    demande.reference = asset;
    std::vector<vketat::Etat> etats;
    try {
        etats = vketat::Calculer(demande);
    } catch (const std::invalid_argument& e) {
        throw InvalidInput(e.what());
    }
    if (format == "csv") return vketat::EcrireCSV(etats);
    if (format == "json") return vketat::EcrireJSON(etats);
    if (format == "pdf") return vketat::EcrirePDF(etats);
    return vketat::EcrireTexte(etats);
}

void WriteNewOwnerFile(const UnicodeString& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        throw Exception(fmt::format("Impossible de créer le fichier {} : {}", path, std::strerror(errno)));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const std::string reason = std::strerror(errno);
            ::unlink(path.c_str());
            throw Exception(fmt::format("Impossible d'écrire le fichier {} : {}", path, reason));
        }
        written += static_cast<size_t>(n);
    }
}

int RunStatement(const StatementOptions& options, const EnvironmentOptions& environment, std::ostream& out) {
    TDateTime at;
    if (!options.at.empty()) at = ReadDateOption(options.at, "--at");
    Session session(environment);
    session.Open(options.directory);
    std::string bytes;
    {
        // The statements only read; whatever the engine might write meanwhile is rolled back.
        CActionDossier action(session.Dossier());
        bytes = StatementBytes(options.form, options.format, options.year, at, options.asset);
    }
    if (options.outFile.empty()) {
        out << bytes;
        out.flush();
    } else {
        WriteNewOwnerFile(options.outFile, bytes);
    }
    return kExitOk;
}

}  // namespace vkhost
