// Alteration of matched columns in place and the SQL Server table rebuild. Not written yet:
// both passes leave the target's columns as they are, so a changed column type, default or
// nullability produces no statement until they are.
#include "qelCompObj.h"
#include "qelComp_Tbl.h"

namespace qel {

void GenScriptColumnsAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Master;
  (void)Target;
  (void)Exec;
}

void MSSQLUpdateColumnPositionRecreateTable(TCustomObjs& Master, TCustomObjs& Target,
                                            TCustomSQLExec& Exec) {
  (void)Master;
  (void)Target;
  (void)Exec;
}

}  // namespace qel
