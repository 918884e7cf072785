#include "platform/serveur.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "platform/db/ibx.h"

namespace serveur {

namespace {

bool ValidHost(const UnicodeString& host) {
    if (host.empty()) return false;
    for (char c : host)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_') return false;
    return true;
}

bool ValidPort(const UnicodeString& port) {
    if (port.empty() || port.size() > 5) return false;
    for (char c : port)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    const int value = std::stoi(port);
    return value > 0 && value < 65536;
}

}  // namespace

UnicodeString Serveur() {
    const char* value = std::getenv("VK_SERVER");
    if (!value || !*value) return "";
    const UnicodeString server = value;
    const size_t slash = server.find('/');
    const bool valid = slash == UnicodeString::npos
                           ? ValidHost(server)
                           : ValidHost(server.substr(0, slash)) && ValidPort(server.substr(slash + 1));
    if (!valid)
        throw Exception("VK_SERVER doit donner un serveur Firebird sous la forme hôte ou hôte/port, pas \"" +
                        server + "\"");
    return server;
}

UnicodeString NomBase(const UnicodeString& cheminLocal) {
    const UnicodeString server = Serveur();
    if (server.empty() || TIBDatabase::IsRemotePath(cheminLocal)) return cheminLocal;
    return server + ":" + std::filesystem::absolute(cheminLocal).lexically_normal().string();
}

UnicodeString Fichier(const UnicodeString& nomBase) {
    if (!TIBDatabase::IsRemotePath(nomBase)) return nomBase;
    return nomBase.substr(nomBase.find(':') + 1);
}

}  // namespace serveur
