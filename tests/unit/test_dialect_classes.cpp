// The dialect script extractors and executors are made from one class template each: every
// dialect must still show its own class name in messages, set its own dialect and read with its
// own parser. The error prefix of an object read back from a catalog text is shared by the
// dialects that re-read such texts.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "qelASASQLExec.h"
#include "qelASAScriptExtract.h"
#include "qelASESQLExec.h"
#include "qelASEScriptExtract.h"
#include "qelCompObj.h"
#include "qelDB2Exec.h"
#include "qelDB2ScriptExtract.h"
#include "qelDBStructure.h"
#include "qelIBSQLExec.h"
#include "qelIBScriptExtract.h"
#include "qelMSSQLExec.h"
#include "qelMSSQLScriptExtract.h"
#include "qelMySQLExec.h"
#include "qelMySQLScriptExtract.h"
#include "qelOracleSQLExec.h"
#include "qelOracleScriptExtract.h"
#include "qelPGSQLExec.h"
#include "qelPGScriptExtract.h"

namespace qel {
namespace {

struct TDialectCase {
  std::function<std::unique_ptr<TCustomScriptExtract>()> MakeExtract;
  std::function<std::unique_ptr<TSQLExec>()> MakeExec;
  const char* ExtractName;
  const char* ExecName;
  const char* ParserName;
  const char* ExecParserName;  ///< the executor's parser where it differs from the extractor's
  TDatabaseType Db;
};

template <class T>
std::function<std::unique_ptr<T>()> Maker(auto Make) {
  return [Make] { return std::unique_ptr<T>(Make()); };
}

TEST(DialectClasses, EachDialectKeepsItsNameDialectAndParser) {
  const TDialectCase Cases[] = {
      {Maker<TCustomScriptExtract>([] { return new TDB2ScriptExtract(nullptr); }),
       Maker<TSQLExec>([] { return new TDB2SQLExec(nullptr); }), "TDB2ScriptExtract", "TDB2SQLExec",
       "TDB2Parser", "TDB2Parser", dbDB2},
      {Maker<TCustomScriptExtract>([] { return new TIBScriptExtract(nullptr); }),
       Maker<TSQLExec>([] { return new TIBSQLExec(nullptr); }), "TIBScriptExtract", "TIBSQLExec",
       "TIbParser", "TIbExParser", dbInterBase},
      {Maker<TCustomScriptExtract>([] { return new TASEScriptExtract(nullptr); }),
       Maker<TSQLExec>([] { return new TASESQLExec(nullptr); }), "TASEScriptExtract", "TASESQLExec",
       "TASEParser", "TASEParser", dbSybaseASE},
      {Maker<TCustomScriptExtract>([] { return new TMSSQLScriptExtract(nullptr); }),
       Maker<TSQLExec>([] { return new TMSSQLExec(nullptr); }), "TMSSQLScriptExtract", "TMSSQLExec",
       "TMSSQLParser", "TMSSQLParser", dbMSSQL},
      {Maker<TCustomScriptExtract>([] { return new TMySQLScriptExtract(nullptr); }),
       Maker<TSQLExec>([] { return new TMySQLExec(nullptr); }), "TMySQLScriptExtract", "TMySQLExec",
       "TMySQLParser", "TMySQLParser", dbMySQL},
      {Maker<TCustomScriptExtract>([] { return new TOracleScriptExtract(nullptr); }),
       Maker<TSQLExec>([] { return new TOracleSQLExec(nullptr); }), "TOracleScriptExtract",
       "TOracleSQLExec", "TOracleParser", "TOracleParser", dbOracle},
      {Maker<TCustomScriptExtract>([] { return new TPGScriptExtract(nullptr); }),
       Maker<TSQLExec>([] { return new TPGSQLExec(nullptr); }), "TPGScriptExtract", "TPGSQLExec",
       "TPGSQLParser", "TPGSQLParser", dbPostgreSQL},
      {Maker<TCustomScriptExtract>([] { return new TASAScriptExtract(nullptr); }),
       Maker<TSQLExec>([] { return new TASASQLExec(nullptr); }), "TASAScriptExtract", "TASASQLExec",
       "TASAParser", "TASAParser", dbSybaseASA},
  };
  for (const TDialectCase& C : Cases) {
    SCOPED_TRACE(C.ExtractName);
    TDBStructure Holder(nullptr);
    const auto Extract = C.MakeExtract();
    EXPECT_EQ(Extract->ClassName(), C.ExtractName);
    EXPECT_EQ(Extract->DatabaseType, C.Db);
    EXPECT_EQ(Extract->GetParser(), nullptr);
    Extract->SetDBStructure(&Holder);
    ASSERT_NE(Extract->GetParser(), nullptr);
    EXPECT_EQ(Extract->GetParser()->ClassName(), C.ParserName);
    // The class name reaches the messages of a failed extraction.
    EXPECT_FALSE(Extract->ExtractDatabase());
    ASSERT_GT(Extract->GetMsgManager()->GetMsgCount(), 0);
    EXPECT_NE(Extract->GetMsgManager()->Items(0).Text.find(std::string("(") + C.ExtractName + ")"),
              std::string::npos);

    const auto Exec = C.MakeExec();
    EXPECT_EQ(Exec->ClassName(), C.ExecName);
    EXPECT_EQ(Exec->DatabaseType, C.Db);
    TObjs Objs;
    EXPECT_EQ(Exec->CreateParser(&Objs)->ClassName(), C.ExecParserName);
  }
}

TEST(DialectClasses, ACatalogTextErrorNamesTheObjectsKind) {
  TObjs Objs;
  TPrcData Prc(&Objs);
  TTrgData Trg(&Objs);
  TViwData Viw(&Objs);
  TIdxData Idx(&Objs);
  TCtrData Check(&Objs), Key(&Objs);
  TFldData Computed(&Objs), Plain(&Objs);
  TTblData Tbl(&Objs);
  Check.SetCtType(ctCheck);
  Key.SetCtType(ctPKey);
  Computed.TableName = Plain.TableName = "T";
  Computed.SetExtra(&TObjExtra::Body, "A + B");
  const struct {
    TDbObj* Obj;
    const char* Prefix;
  } Cases[] = {
      {&Prc, "Procedure X: "},
      {&Trg, "Trigger X: "},
      {&Viw, "View X: "},
      {&Idx, "Index X: "},
      {&Check, "Check-constraint X: "},
      {&Key, "X: "},
      {&Computed, "Field T/X: "},
      {&Plain, "X: "},
      {&Tbl, "X: "},
  };
  for (const auto& C : Cases) {
    C.Obj->SetObjName("X");
    EXPECT_EQ(ObjErrPrefix(*C.Obj), C.Prefix);
  }
}

}  // namespace
}  // namespace qel
