// Lines of the French financial statements and the asset accounts that belong to them.
#pragma once

#include "platform/system.h"

// Whether an account number belongs to a line of the financial statements (7300 real estate whose
// VAT is adjusted over 20 years, 7301 intangible, 7302 tangible, 7303 financial assets, 7306
// patents and licences). An unknown line contains no account.
bool POSTESCompteEstDansPoste(const UnicodeString& account, int line);
