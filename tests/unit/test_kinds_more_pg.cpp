// PostgreSQL operators, operator classes and conversions: texts, keys and passes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qelCompObj.h"
#include "qelComp_Dmn.h"
#include "qelComp_Prc.h"
#include "test_objects_util.h"

namespace qel::testing {
namespace {

TOprData* AddOperator(TObjs& Objs, const std::string& Name, const std::string& Left,
                      const std::string& Right) {
  auto* O = new TOprData(&Objs);
  O->SetObjName(Name);
  O->SetSchema("public");
  O->ProcName.assign(1, 'f');
  O->LeftArg = Left;
  O->RightArg = Right;
  EXPECT_TRUE(Objs.AddObj(O));
  return O;
}

TEST(Operators, KeysAndTexts) {
  TSchema S(dbPostgreSQL);
  TOprData* Prefix = AddOperator(S.Objs, "!!", "", "int4");
  EXPECT_EQ(Prefix->ObjKeyDef(), "public.!! (NONE, int4)");
  EXPECT_EQ(Prefix->DropDef(), "DROP OPERATOR public.!!(NONE, int4)");
  TOprData* Postfix = AddOperator(S.Objs, "!!", "int4", "");
  EXPECT_EQ(Postfix->GetCaption(), "public.!! (int4, NONE)");
  EXPECT_EQ(S.Objs.Operators.Count(), 2);  // one symbol, two operators

  TOprData* Bare = AddOperator(S.Objs, "===", "", "");
  Bare->LeftArg.clear();
  EXPECT_EQ(Bare->Def(), "CREATE OPERATOR public.===(\r\nPROCEDURE = f)");
  TOprData* Full = AddOperator(S.Objs, "<<<", "int4", "int4");
  Full->Commutator = ">>>";
  Full->Hashes = true;
  Full->Merges = true;
  Full->GtCmp.assign(1, '>');
  EXPECT_EQ(Full->Def(),
            "CREATE OPERATOR public.<<<(\r\n"
            "PROCEDURE = f,\r\n"
            "LEFTARG = int4,\r\n"
            "RIGHTARG = int4,\r\n"
            "COMMUTATOR = >>>,\r\n"
            "HASHES,\r\n"
            "MERGES,\r\n"
            "GTCMP = >)");
}

TEST(OperatorClasses, TextsAndKeys) {
  TSchema S(dbPostgreSQL);
  auto* C = new TOpcData(&S.Objs);
  C->SetObjName("my_ops");
  C->SetSchema("public");
  C->DataType = "int4";
  C->IndexMethod = "btree";
  C->IsDefault = true;
  C->AddOperator(1, "<");
  C->AddOperator(2, "<=", "int4", "");
  ASSERT_TRUE(S.Objs.AddObj(C));
  EXPECT_EQ(C->Def(),
            "CREATE OPERATOR CLASS public.my_ops DEFAULT FOR TYPE int4 USING btree AS\r\n"
            "OPERATOR 1 <,\r\n"
            "OPERATOR 2 <= (int4, NONE)");
  C->AddFunction(1, "cmp", {"int4", "int4"});
  C->StorageType = "int4";
  EXPECT_EQ(C->Def(),
            "CREATE OPERATOR CLASS public.my_ops DEFAULT FOR TYPE int4 USING btree AS\r\n"
            "OPERATOR 1 <,\r\n"
            "OPERATOR 2 <= (int4, NONE),\r\n"
            "FUNCTION 1 cmp(int4, int4),\r\n"
            "STORAGE int4");
  EXPECT_EQ(C->DropDef(), "DROP OPERATOR CLASS public.my_ops USING btree");
  // The same name for another access method is another class.
  auto* H = new TOpcData(&S.Objs);
  H->SetObjName("my_ops");
  H->IndexMethod = "hash";
  EXPECT_TRUE(S.Objs.AddObj(H));
  EXPECT_EQ(H->GetCaption(), "my_ops(hash)");
}

TCnvData* AddConversion(TObjs& Objs, const std::string& Name, const std::string& From) {
  auto* C = new TCnvData(&Objs);
  C->SetObjName(Name);
  C->SetSchema("public");
  C->SourceEncoding = From;
  C->DestEncoding = "UTF8";
  C->FuncName = "conv_fn";
  EXPECT_TRUE(Objs.AddObj(C));
  return C;
}

TEST(Conversions, TextsAndPasses) {
  TSchema S(dbPostgreSQL);
  TCnvData* C = AddConversion(S.Objs, "latin_utf", "LATIN1");
  C->IsDefault = true;
  EXPECT_EQ(C->Def(),
            "CREATE DEFAULT CONVERSION public.latin_utf FOR 'LATIN1' TO 'UTF8' FROM "
            "public.conv_fn");
  C->SourceEncoding = "it's";
  EXPECT_NE(C->Def().find("'it''s'"), std::string::npos);
  EXPECT_EQ(C->DropDef(), "DROP CONVERSION public.latin_utf");

  TRecordingExec Exec;
  TObjs Master, Target;
  for (TObjs* O : {&Master, &Target}) {
    O->SetDatabaseType(dbPostgreSQL);
    O->SetSQLExec(&Exec);
  }
  LinkAsMasterAndTarget(Master, Target);
  AddConversion(Master, "same", "LATIN1");
  AddConversion(Target, "same", "LATIN1");
  AddConversion(Master, "changed", "LATIN2");
  AddConversion(Target, "changed", "LATIN1");
  AddConversion(Master, "added", "LATIN1");
  AddConversion(Target, "removed", "LATIN1");
  AddOperator(Master, "<<<", "int4", "int4");
  AddOperator(Target, "<<<", "int4", "text");  // other operands: another operator
  PairAndMark(Master, Target);
  GenScriptCnvCreate(Master, Target, Exec);
  GenScriptCnvAlter(Master, Target, Exec);
  GenScriptOprCreate(Master, Target, Exec);
  GenScriptOprAlter(Master, Target, Exec);
  GenScriptOprDrop(Master, Target, Exec);
  GenScriptCnvDrop(Master, Target, Exec);
  EXPECT_EQ(Exec.Steps(),
            (std::vector<std::string>{"create added", "drop changed", "create changed",
                                      "create <<<", "drop <<<", "drop removed"}));
  // No "/* Drop: " comment line and no group comments.
  EXPECT_EQ(Exec.Text().find("/*"), std::string::npos);
}

}  // namespace
}  // namespace qel::testing
