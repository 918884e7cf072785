// Creating the engine's tables.
#pragma once

#include "platform/system.h"

// Creates every table of the engine that is missing in a database, referenced tables first, then
// commits them (a table can be filled only once its creation is committed; inside a host action the
// commit is left to the action, so call this before the action opens). Empty `base`: the case
// file's database (every table); a named database: the tables of the classes that can live there.
// False when the engine reported a failure.
bool VK_CreerTables(const UnicodeString& base);
// Creates the indexes of the case file's database that are missing on tables that exist (case files
// made before an index was added get it when they are opened), then commits. False when the engine
// reported a failure.
bool VK_CreerIndex();
