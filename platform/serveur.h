// Databases served by a Firebird server rather than opened by the embedded engine.
//
// A database name "host:path" or "host/port:path" reaches a Firebird server (the path is the file's
// path on the server's machine); any other name is a local file opened by the embedded engine.
// VK_SERVER ("host" or "host/port") names the server that hosts the databases of the case files
// created from now on and of the environment: with it, the local file "/dir/dossier.fdb" is reached
// as "host/port:/dir/dossier.fdb". The server must see the same files (this machine, or a shared
// disk under the same paths). A server is reached with the credentials ISC_USER and ISC_PASSWORD of
// the environment, never written in the code or the settings.
#pragma once

#include "platform/system.h"

namespace serveur {

// VK_SERVER, checked ("host" or "host/port", the host made of letters, digits, '.', '-' and '_');
// empty when unset. Raises Exception for a malformed value.
UnicodeString Serveur();
// The name under which a local database file is attached: "server:/absolute/path" when VK_SERVER
// names a server, else the path itself.
UnicodeString NomBase(const UnicodeString& cheminLocal);
// The file part of a database name: the path after "host:" or "host/port:" for a server, the name
// itself for a local file.
UnicodeString Fichier(const UnicodeString& nomBase);

}  // namespace serveur
