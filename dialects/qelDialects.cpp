// The dialects built into the library, each registered by its own folder.
#include "qelDialects.h"

namespace qel {

void AddPGDialect(TDialectList& List);
void AddMySQLDialect(TDialectList& List);
void AddOracleDialect(TDialectList& List);
void AddASADialect(TDialectList& List);
void AddDB2Dialect(TDialectList& List);
void AddIBDialect(TDialectList& List);
void AddMSSQLDialect(TDialectList& List);
void AddASEDialect(TDialectList& List);
void AddOLEDBDialects(TDialectList& List);
void AddLocalSQLDialects(TDialectList& List);

void AddBuiltInDialects(TDialectList& List) {
  AddPGDialect(List);
  AddMySQLDialect(List);
  AddOracleDialect(List);
  AddASADialect(List);
  AddDB2Dialect(List);
  AddIBDialect(List);
  AddMSSQLDialect(List);
  AddASEDialect(List);
  AddOLEDBDialects(List);
  AddLocalSQLDialects(List);
}

}  // namespace qel
