// The program of docs/library.md, as a user builds it against the installed package: prints the
// update script that turns the schema of TARGET.sql into that of MASTER.sql. It also includes the
// PostgreSQL adapter's header, which is how a program gets the adapter it links registered.
#include <iostream>

#include <varnel/qelConnection_PGDACDB.h>
#include <varnel/qelDBStructure.h>
#include <varnel/qelPGScriptExtract.h>
#include <varnel/qelVarnel.h>

int main(int argc, char** argv) {
  if (argc != 3) return 2;  // compare_scripts MASTER.sql TARGET.sql
  if (qel::RegisteredConnections().IndexOf("PGDAC") < 0) return 3;
  qel::TDBStructure Master(nullptr), Target(nullptr);
  qel::TPGScriptExtract MasterScript(nullptr), TargetScript(nullptr);
  MasterScript.SetDBStructure(&Master);
  MasterScript.SetScriptFileName(argv[1]);
  TargetScript.SetDBStructure(&Target);
  TargetScript.SetScriptFileName(argv[2]);
  qel::TVarnel Varnel(nullptr);
  Varnel.SetDBMaster(&Master);
  Varnel.SetDBTarget(&Target);
  Varnel.SetExtractorMaster(&MasterScript);
  Varnel.SetExtractorTarget(&TargetScript);
  // Errors are shown on standard error as they come; after one there is no script.
  if (!Varnel.ExtractAndCompareDatabases() || Varnel.MsgManager.GetIsErr()) return 1;
  qel::TStringList Lines;
  Varnel.GetSQLExec()->GetScript(Lines, false);
  for (const std::string& Line : Lines) std::cout << Line << '\n';
}
