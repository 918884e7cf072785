// The host's list queries that the entries and the ledger comparison rely on: each returns the SQL
// text of a list of identifiers on the case file's database.
#pragma once

#include "platform/system.h"

// The assets an action of the host works on, one version per asset chain: the latest (highest
// ID_BIEN of its REF_CALC), so that no chain is ever posted twice.
//  - 21 (the year's charges): every latest version whose structure component entered on or before
//    the case file's situation date;
//  - 6 (transfers and component disposals): the latest versions in state 4 (modification) or 5
//    (disposal) that belong to no exit (an exit posts its assets itself);
//  - 4 (standards conformity): the latest versions in state 3.
// Any other action gives every latest version. Column: ID_BIEN.
UnicodeString GetRequete_ListeBiensAction(int action);

// Every exit, with its date, in identifier order. Columns: ID_SORTIE, DATESORTIE.
UnicodeString GetRequete_ListeSorties();

// The components the register side of a ledger comparison takes (TYPE_COMPARAISON 0 to 5); see
// the definition for the versions each type takes. Column: ID_COMPO.
UnicodeString GetRequete_ListeComposantsComparaison(int type);
