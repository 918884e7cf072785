#include "host/commands/import.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "host/commands/import_csv.h"
#include "host/commands/list.h"
#include "host/commands/stored_case.h"
#include "host/scenario/build_register.h"
#include "platform/barre.h"
#include "units/vkregistre.h"

namespace vkhost {

namespace {

constexpr size_t kMaxImportBytes = size_t(64) << 20;

std::string ReadWholeFile(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) throw InvalidInput(path + " : illisible (un répertoire)");
    std::ifstream file(path, std::ios::binary);
    if (!file) throw InvalidInput(path + " : illisible (" + std::strerror(errno) + ")");
    std::string bytes;
    std::vector<char> block(1 << 16);
    while (file.read(block.data(), std::streamsize(block.size())) || file.gcount() > 0) {
        bytes.append(block.data(), size_t(file.gcount()));
        if (bytes.size() > kMaxImportBytes)
            throw InvalidInput(path + " : plus de " + std::to_string(kMaxImportBytes >> 20) + " Mio");
    }
    if (file.bad()) throw InvalidInput(path + " : illisible");
    return bytes;
}

// A reference already in the case file is refused on the line that brings it.
void RefuseKnownReferences(const CsvRegister& read, std::vector<CsvError>& errors, size_t refColumn) {
    std::set<std::string> known;
    for (const vk::AssetSummary& asset : vk::ListAssets()) known.insert(asset.refSais);
    for (size_t i = 0; i < read.assets.size(); ++i)
        if (known.count(read.assets[i].ref))
            errors.push_back({read.firstLines[i], refColumn,
                              "Référence : \"" + read.assets[i].ref + "\" existe déjà dans le dossier"});
}

int Refuse(const std::vector<CsvError>& errors, const std::string& file, std::ostream& out) {
    for (const CsvError& error : errors) out << file << ": " << FormatCsvError(error) << '\n';
    out << file << ": " << errors.size() << " erreur" << (errors.size() > 1 ? "s" : "")
        << ", rien n'a été importé\n";
    return kExitInvalid;
}

}  // namespace

int RunImport(const ImportOptions& options, const EnvironmentOptions& environment, std::ostream& out,
              std::ostream& errors) {
    const std::string bytes = ReadWholeFile(options.file);
    const CsvRegister read = ReadRegisterCsv(bytes);
    if (!read.errors.empty()) return Refuse(read.errors, options.file, errors);
    Session session(environment);
    session.Open(options.directory);
    std::vector<CsvError> refused;
    RefuseKnownReferences(read, refused, read.refColumn);
    if (!refused.empty()) return Refuse(refused, options.file, errors);
    AnnounceDatabase(session);
    session.RunAction([&] {
        CBarre bar("Import du registre");
        bar.SetRange(0, int(read.assets.size()));
        for (const AssetInput& asset : read.assets) {
            bar.Next(asset.ref);
            BuildAsset(asset);
        }
    });
    std::set<std::string> imported;
    for (const AssetInput& asset : read.assets) imported.insert(asset.ref);
    std::vector<vk::RegisterLine> lines;
    const TDateTime at = session.Dossier().DateSituation;
    for (vk::RegisterLine& line : vk::ListRegister(at))
        if (imported.count(line.ref)) lines.push_back(std::move(line));
    size_t components = 0;
    for (const AssetInput& asset : read.assets) components += asset.components.size();
    std::ostringstream text;
    text << read.assets.size() << " bien" << (read.assets.size() > 1 ? "s" : "") << " importé"
         << (read.assets.size() > 1 ? "s" : "") << " (" << components << " composant"
         << (components > 1 ? "s" : "") << (read.converted ? ", fichier lu en Windows-1252" : "") << ").\n\n";
    WriteRegister(lines, at, OutputFormat::Text, text);
    out << text.str();
    return kExitOk;
}

}  // namespace vkhost
