// Every row of every table of a database as text, to tell whether an action changed anything or to
// compare a case file with one written before.
#pragma once

#include <string>
#include <vector>

#include "platform/db/ibx.h"

namespace vktest {

// The tables one after the other in name order, each row in the order of its first column (the
// identifier), "COLUMN=value;" each. The columns that hold the moment of the run (DATECREAT,
// DATEVALID) are left out unless `withTimeStamps`.
inline std::string DumpDatabase(TIBDatabase& database, bool withTimeStamps) {
    std::vector<std::string> tables;
    TIBQuery names(&database);
    names.SQL.SetText(
        "SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS WHERE COALESCE(RDB$SYSTEM_FLAG,0)=0 AND "
        "RDB$VIEW_BLR IS NULL ORDER BY 1");
    for (names.Open(); !names.Eof(); names.Next()) tables.push_back(names.Fields(0)->AsString());
    std::string text;
    for (const std::string& table : tables) {
        text += "[" + table + "]\n";
        TIBQuery rows(&database);
        rows.SQL.SetText("SELECT * FROM " + table + " ORDER BY 1");
        for (rows.Open(); !rows.Eof(); rows.Next()) {
            for (int i = 0; i < rows.FieldCount(); ++i) {
                TField* field = rows.Fields(i);
                const std::string& column = field->FieldName();
                if (!withTimeStamps && (column == "DATECREAT" || column == "DATEVALID")) continue;
                text += column + "=" + (field->IsNull() ? "<null>" : field->AsString()) + ";";
            }
            text += "\n";
        }
    }
    return text;
}

}  // namespace vktest
