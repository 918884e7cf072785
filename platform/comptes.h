// The host's accounts library: the standard account of each kind of account the fixed-asset entries
// use, in the French general chart (chart 38), completed to the case file's account length.
//
// Kinds: 0, 1, 2 depreciation charge (intangible, tangible, other assets); 3, 4, 5 exceptional
// depreciation charge; 6 derogatory depreciation (balance sheet); 7 derogatory charge; 8 derogatory
// reversal; 9 to 12 impairment charge (intangible, tangible, other, financial); 13 to 16 impairment
// reversal; 17 VAT to be reversed; 18 to 21 net book value of disposed assets; 22 balancing account of
// standards conformity.
#pragma once

#include "platform/system.h"

constexpr int kPlanComptableGeneral = 38;
constexpr int kNombreTypesComptes = 23;

// The account of a kind, completed to the case file's account length; the empty text for another
// chart or an unknown kind.
UnicodeString COMPTESGetCompte(int chart, int kind);
// Writes that account, zero-terminated, into `account` (room for `size` bytes, terminator included).
// Returns false, writing the empty text when there is room for it, for another chart, an unknown kind
// or an account that does not fit.
bool COMPTESGetCompteC(char* account, int size, int chart, int kind);
