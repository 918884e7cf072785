// The exit list query of the host.
#include "units/uvkdivers.h"
#include "units/uvkrequetes.h"

UnicodeString GetRequete_ListeSorties() {
    return "SELECT ID_SORTIE,DATESORTIE FROM " + GetNomTable("VKS", false) + " ORDER BY ID_SORTIE";
}
