#include "host/report/tables.h"

namespace vkhost {

std::vector<UnicodeString> ListTables(CDossier& dossier) {
    TIBQuery query(dossier.GetDatabaseFirebird());
    query.SQL.Add(
        "SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS WHERE COALESCE(RDB$SYSTEM_FLAG,0)=0 "
        "AND RDB$VIEW_BLR IS NULL ORDER BY RDB$RELATION_NAME");
    std::vector<UnicodeString> tables;
    for (query.Open(); !query.Eof(); query.Next()) tables.push_back(query.Fields(0)->AsString());
    return tables;
}

}  // namespace vkhost
