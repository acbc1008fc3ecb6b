// Helpers shared by the sources of the parser framework. Not part of the library's interface.
#pragma once

#include <cstddef>
#include <string>

#include "qelCompObj.h"
#include "qelComp_Tbl.h"

namespace qel::parser_detail {

// The hints of TDbObjList::FindObjFrom for FindTableOf, one for each form of key: references
// met in the order of their tables are found without a search.
struct TTableHints {
  std::size_t Key = 0, Filed = 0;
};

// The table a reference names, found under the key its reader writes: schema + "." + name in
// Oracle, SQL Server and PostgreSQL when a schema is given, creator + "." + name in SQL Anywhere
// when a creator is given. Tables are filed under their own key (TDbObj::ObjKeyDef), which
// qualifies by schema in SQL Anywhere, Oracle, SQL Server and DB2 only; a table the first key
// misses is looked up under that one, so a PostgreSQL or DB2 reference finds its table too.
TTblData* FindTableOf(const TObjs& Objs, TDatabaseType DB, const std::string& Table,
                      const std::string& Schema, const std::string& Creator, TTableHints& Hints);

}  // namespace qel::parser_detail
