// The SQL parser base above the scanner: filing objects, the two linking primitives, the
// linking pass after all scripts, the CONNECT parameters and the fallback of its events to the
// extractor that fills the collection.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Strings.h"
#include "qelComp_Ctr.h"
#include "qelComp_Dmn.h"
#include "qelComp_Fnc.h"
#include "qelComp_Gnr.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Rol.h"
#include "qelComp_Rul.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelDBStructure.h"
#include "test_script_parser.h"

namespace qel {
namespace {

using testing::MsgTexts;
using testing::TTestSQLParser;
using testing::Uses;

/// Parses Text into Objs with the test grammar; returns the parser's error texts.
std::vector<std::string> Parse(TTestSQLParser& Parser, const std::string& Text, TObjs& Objs) {
  TStringList Lines;
  Lines.SetText(Text);
  Parser.OnErrorMessage = [](TObject*, const std::string&) {};
  Parser.ParseScript(Lines, &Objs);
  return MsgTexts(Parser.MsgManager);
}

template <class T>
T* Make(TObjs& Objs, const std::string& Name) {
  auto* Obj = new T(&Objs);
  Obj->SetObjName(Name);
  EXPECT_TRUE(Objs.AddObj(Obj));
  return Obj;
}

TEST(SQLParserBase, ReadsTwoStatementsAndLinksTheirDependency) {
  TObjs Objs;
  TTestSQLParser Parser(&Objs);
  EXPECT_TRUE(Parse(Parser, "TABLE T (A, B);\r\nVIEW V ON T (B);", Objs).empty());

  TTblData* T = Objs.GetTable("T");
  TViwData* V = Objs.GetView("V");
  ASSERT_TRUE(T && V);
  ASSERT_EQ(T->Fields.Count(), 2);
  // The view rests on the table (by name) and on the column it reads; both sides know it.
  EXPECT_TRUE(Uses(V, T));
  TFldData* B = T->Fields.Find("B");
  EXPECT_TRUE(Uses(V, B));
  ASSERT_EQ(B->UseIn.Count(), 1);
  EXPECT_EQ(B->UseIn[0]->DepObj, V);
  // The record carries where the reference stood: line 2, past "B".
  const TDependObj* Rec = V->UseOf[V->UseOf.IndexOf("B")];
  ASSERT_NE(Rec, nullptr);
  EXPECT_EQ(Rec->LinkCode2, 2);
  EXPECT_GT(Rec->LinkCode1, 0);
}

TEST(SQLParserBase, LinkingTheSameObjectAndColumnTwiceLeavesOneRecord) {
  TObjs Objs;
  TTestSQLParser Parser(&Objs);
  Parse(Parser, "TABLE T (A);", Objs);
  TTblData* T = Objs.GetTable("T");
  auto* V = Make<TViwData>(Objs, "V");
  Parser.LinkDepend(V, T, "A");
  Parser.LinkDepend(V, T, "A");
  Parser.LinkDepend(V, T, "");
  Parser.LinkDepend(V, T, "");
  EXPECT_EQ(V->UseOf.Count(), 2);  // the column A and the table
  EXPECT_EQ(T->Fields[0]->UseIn.Count(), 1);
  EXPECT_EQ(T->UseIn.Count(), 1);
  // Nothing to link, and no object on itself.
  Parser.LinkDepend(V, nullptr, "");
  Parser.LinkDepend(nullptr, T, "");
  Parser.LinkDepend(T, T, "");
  EXPECT_EQ(V->UseOf.Count(), 2);
  EXPECT_TRUE(T->UseOf.Empty());
}

TEST(SQLParserBase, AViewOverATableColumnAlsoRestsOnTheTablesDomains) {
  TObjs Objs;
  TTestSQLParser Parser(&Objs);
  EXPECT_TRUE(Parse(Parser,
                    "DOMAIN D1; DOMAIN D2;\r\n"
                    "TABLE T (A DOMAIN D1, B DOMAIN D2, C DOMAIN NOSUCH);\r\n"
                    "VIEW V ON T (A);",
                    Objs)
                  .empty());
  TViwData* V = Objs.GetView("V");
  EXPECT_TRUE(Uses(V, Objs.GetDomain("D1")));
  EXPECT_TRUE(Uses(V, Objs.GetDomain("D2")));
  // A view without a column reference gets no domain links.
  TObjs Objs2;
  TTestSQLParser Parser2(&Objs2);
  Parse(Parser2, "DOMAIN D1; TABLE T (A DOMAIN D1); VIEW W ON T;", Objs2);
  EXPECT_FALSE(Uses(Objs2.GetView("W"), Objs2.GetDomain("D1")));
}

TEST(SQLParserBase, NamesAreResolvedByTheKindCodesGiven) {
  TObjs Objs;
  TTestSQLParser Parser(&Objs);
  auto* T = Make<TTblData>(Objs, "X");
  auto* V = Make<TViwData>(Objs, "X");
  auto* P = Make<TPrcData>(Objs, "X");
  auto* G = Make<TGnrData>(Objs, "G");
  auto* F = Make<TUdfData>(Objs, "F");
  auto* R = Make<TRulData>(Objs, "X");
  auto* Dependent = Make<TTrgData>(Objs, "TRG");

  // Tables come before views, which come before procedures.
  Parser.LinkDepend(Dependent, "X", TSymSet{1, 0, 5});
  EXPECT_TRUE(Uses(Dependent, T));
  EXPECT_FALSE(Uses(Dependent, V));
  auto* D2 = Make<TTrgData>(Objs, "TRG2");
  Parser.LinkDepend(D2, "X", TSymSet{103, 5});
  EXPECT_TRUE(Uses(D2, V));
  EXPECT_FALSE(Uses(D2, P));
  // Library kind codes and reader codes select the same lists.
  auto* D3 = Make<TTrgData>(Objs, "TRG3");
  Parser.LinkDepend(D3, "G", TSymSet{107});
  Parser.LinkDepend(D3, "F", TSymSet{15});
  EXPECT_TRUE(Uses(D3, G));
  EXPECT_TRUE(Uses(D3, F));
  // A rule of the name wins over what was found before.
  auto* D4 = Make<TTrgData>(Objs, "TRG4");
  Parser.LinkDepend(D4, "X", TSymSet{0, 117});
  EXPECT_TRUE(Uses(D4, R));
  EXPECT_FALSE(Uses(D4, T));
  // Unknown names, empty names and kinds not asked for link nothing and report nothing.
  auto* D5 = Make<TTrgData>(Objs, "TRG5");
  Parser.LinkDepend(D5, "NOSUCH", TSymSet{0, 1, 5, 100});
  Parser.LinkDepend(D5, "", TSymSet{0});
  Parser.LinkDepend(D5, "G", TSymSet{0});
  EXPECT_TRUE(D5->UseOf.Empty());
  EXPECT_EQ(Parser.MsgManager.GetMsgCount(), 0);
}

TEST(SQLParserBase, ARecursiveProcedureDoesNotDependOnItself) {
  TObjs Objs;
  TTestSQLParser Parser(&Objs);
  // The reader names procedures with code 5, which is not the procedure kind code: the object
  // found is compared, not only the code.
  EXPECT_TRUE(Parse(Parser, "PROCEDURE Q; PROCEDURE P CALLS P, Q;", Objs).empty());
  TPrcData* P = Objs.GetProcedure("P");
  EXPECT_FALSE(Uses(P, P));
  EXPECT_TRUE(P->UseIn.Empty());
  EXPECT_TRUE(Uses(P, Objs.GetProcedure("Q")));
  // With its own kind code in the set, the code is dropped and another list may answer.
  auto* T = Make<TTblData>(Objs, "P");
  Parser.LinkDepend(P, "P", TSymSet{105, 0});
  EXPECT_TRUE(Uses(P, T));
  EXPECT_FALSE(Uses(P, P));
}

TEST(SQLParserBase, InterBaseSystemObjectsAreNotLinked) {
  TObjs Objs;
  TTestSQLParser Parser(&Objs);
  Make<TTblData>(Objs, "RDB$RELATIONS");
  auto* Trg = Make<TTrgData>(Objs, "TRG");
  Parser.SetDatabaseType(dbInterBase);
  Parser.LinkDepend(Trg, "rdb$relations", TSymSet{0});
  Parser.LinkDepend(Trg, "RDB$RELATIONS", TSymSet{0});
  EXPECT_TRUE(Trg->UseOf.Empty());
  // Another dialect has no such system names.
  Parser.SetDatabaseType(dbPostgreSQL);
  Parser.LinkDepend(Trg, "RDB$RELATIONS", TSymSet{0});
  EXPECT_EQ(Trg->UseOf.Count(), 1);
}

TEST(SQLParserBase, IndexesAndConstraintsAreLinkedToTheirTablesAfterParsing) {
  TObjs Objs;
  TTestSQLParser Parser(&Objs);
  Parser.SetDatabaseType(dbMSSQL);  // the collection follows the parser's dialect
  EXPECT_EQ(Objs.GetDatabaseType(), dbMSSQL);
  Parse(Parser, "TABLE T (A, B); TABLE R (K);", Objs);
  auto* Owned = new TTblData(&Objs);  // filed under the owner-qualified key
  Owned->SetObjName("T");
  Owned->SetSchema("sales");
  ASSERT_TRUE(Objs.AddObj(Owned));

  auto* I1 = Make<TIdxData>(Objs, "I1");
  I1->TableName = "T";
  auto* I2 = new TIdxData(&Objs);
  I2->SetObjName("I2");
  I2->SetSchema("sales");
  I2->TableName = "T";
  ASSERT_TRUE(Objs.AddObj(I2));
  auto* Pk = new TCtrData(&Objs);
  Pk->SetObjName("PK_R");
  Pk->SetCtType(ctPKey);
  Pk->SetTblName("R");
  Pk->FldList.Add("K");
  ASSERT_TRUE(Objs.AddObj(Pk));
  auto* Fk = new TCtrData(&Objs);
  Fk->SetObjName("FK_T");
  Fk->SetCtType(ctFKey);
  Fk->SetTblName("T");
  Fk->FldList.Add("B");
  Fk->FldList.Add("NOSUCH");
  Fk->SetRefTblName("R");
  Fk->EditExtra().RefFldList.Add("K");
  ASSERT_TRUE(Objs.AddObj(Fk));
  auto* Uq = new TCtrData(&Objs);  // same table, other columns: not what the key references
  Uq->SetObjName("UQ_R");
  Uq->SetCtType(ctUnique);
  Uq->SetTblName("R");
  Uq->FldList.Add(" K");
  ASSERT_TRUE(Objs.AddObj(Uq));

  Parser.Link_Depend();
  TTblData* T = Objs.GetTable("T");
  TTblData* R = Objs.GetTable("R");
  EXPECT_TRUE(Uses(I1, T));
  EXPECT_TRUE(Uses(I2, Owned));
  EXPECT_FALSE(Uses(I2, T));
  EXPECT_TRUE(Uses(Fk, T));
  EXPECT_TRUE(Uses(Fk, T->Fields.Find("B")));
  EXPECT_TRUE(Uses(Fk, R));
  EXPECT_TRUE(Uses(Fk, R->Fields.Find("K")));
  EXPECT_TRUE(Uses(Fk, Pk));
  EXPECT_FALSE(Uses(Fk, Uq));
  EXPECT_TRUE(Uses(Pk, R->Fields.Find("K")));
}

TEST(SQLParserBase, AQualifiedReferenceFindsATableFiledUnderItsPlainKey) {
  // PostgreSQL tables are filed by name alone; an index written with its schema must still
  // find its table.
  TObjs Objs;
  TTestSQLParser Parser(&Objs);
  Parser.SetDatabaseType(dbPostgreSQL);
  auto* T = Make<TTblData>(Objs, "t");
  auto* I = new TIdxData(&Objs);
  I->SetObjName("i");
  I->SetSchema("public");
  I->TableName.assign(1, 't');
  ASSERT_TRUE(Objs.AddObj(I));
  Parser.Link_Depend();
  EXPECT_TRUE(Uses(I, T));
}

TEST(SQLParserBase, GrantsAndUsersAreLinkedByTheirTypeCodes) {
  TObjs Objs;
  TTestSQLParser Parser(&Objs);
  auto* T = Make<TTblData>(Objs, "T");
  auto* P = Make<TPrcData>(Objs, "P");
  auto* Role = Make<TRolData>(Objs, "R");
  auto* Login = new TRolData(&Objs);
  Login->SetObjName("L");
  Login->UserType = usrLgn;
  ASSERT_TRUE(Objs.AddObj(Login));
  auto* User = new TRolData(&Objs);
  User->SetObjName("U");
  User->UserType = usrUsr;
  User->LoginName = "L";
  ASSERT_TRUE(Objs.AddObj(User));
  auto AddGrant = [&](std::int32_t ObjType, const std::string& Obj, std::int32_t GranteeType,
                      const std::string& Grantee) {
    auto* G = new TGntData(&Objs);
    G->ObjectType = ObjType;
    G->ObjectName = Obj;
    G->GranteeType = GranteeType;
    G->GranteeName = Grantee;
    G->Privileges.Include(gntSelect);
    EXPECT_TRUE(Objs.AddObj(G));
    return G;
  };
  TGntData* G1 = AddGrant(0, "T", 13, "R");
  TGntData* G2 = AddGrant(5, "P", 8, "U");
  TGntData* G3 = AddGrant(3, "T", 0, "T");  // codes that name nothing

  Parser.Link_Depend();
  EXPECT_TRUE(Uses(G1, T));
  EXPECT_TRUE(Uses(G1, Role));
  EXPECT_TRUE(Uses(G2, P));
  EXPECT_TRUE(Uses(G2, User));
  EXPECT_TRUE(G3->UseOf.Empty());
  EXPECT_TRUE(Uses(User, Login));
  EXPECT_TRUE(Role->UseOf.Empty());
}

TEST(SQLParserBase, AddObjWithoutACollectionFreesTheRejectedObject) {
  TTestSQLParser Parser(nullptr);
  auto Obj = std::make_unique<TTblData>(nullptr);
  EXPECT_FALSE(Parser.AddObj(Obj.get(), false));     // stays with the caller
  EXPECT_FALSE(Parser.AddObj(Obj.release(), true));  // freed (the sanitizer checks)
  TObjs Objs;
  Parser.Objs = &Objs;
  auto* T = new TTblData(&Objs);
  T->SetObjName("T");
  EXPECT_TRUE(Parser.AddObj(T));
  EXPECT_EQ(Objs.GetTable("T"), T);
}

TEST(SQLParserBase, GetNumDecReadsPrecisionAndScale) {
  TTestSQLParser Parser(nullptr);
  Parser.OnErrorMessage = [](TObject*, const std::string&) {};
  TFldData Fld(nullptr);
  Parser.AssignTxt("NUMERIC(12, 3) X");
  Parser.GetSy();
  Parser.GetNumDec(&Fld);
  EXPECT_EQ(Fld.Precision, 12);
  EXPECT_EQ(Fld.Scale, 3);
  EXPECT_TRUE(Parser.IsIdent("X"));
  Parser.AssignTxt("NUMERIC(7) X");
  Parser.GetSy();
  Parser.GetNumDec(&Fld);
  EXPECT_EQ(Fld.Precision, 7);
  EXPECT_EQ(Fld.Scale, 0);
  Parser.AssignTxt("NUMERIC X");
  Parser.GetSy();
  Parser.GetNumDec(&Fld);
  EXPECT_EQ(Fld.Precision, 9);
  EXPECT_EQ(Fld.Scale, 0);
  EXPECT_TRUE(Parser.IsIdent("X"));
  EXPECT_FALSE(Parser.MsgManager.GetIsErr());
  Parser.AssignTxt("NUMERIC(7 X");
  Parser.GetSy();
  Parser.GetNumDec(&Fld);
  EXPECT_EQ(MsgTexts(Parser.MsgManager), std::vector<std::string>{"Missing: <)> (<Ident>: X)"});
}

TEST(SQLParserBase, ConnectParametersOfTheScriptReachTheCollection) {
  // A dialect parser stores what a CONNECT statement names; the base hands it over after the
  // script, and keeps it for the next script.
  class TConnectParser : public TTestSQLParser {
   public:
    using TTestSQLParser::TTestSQLParser;
    void ParseText() override {
      ConnectionOptions.SetDatabaseName("db.fdb");
      ConnectionOptions.UserName = "SYSDBA";
      TTestSQLParser::ParseText();
    }
  };
  TObjs Objs;
  TConnectParser Parser(&Objs);
  Parse(Parser, "TABLE T;", Objs);
  EXPECT_EQ(Objs.ConnectionOptions.GetDatabaseName(), "db.fdb");
  EXPECT_EQ(Objs.ConnectionOptions.UserName, "SYSDBA");
}

TEST(SQLParserBase, LogAndProgressFallBackToTheExtractorOfTheCollection) {
  TDBStructure Holder(nullptr);
  TCustomExtract Extractor(nullptr);
  Extractor.SetDBStructure(&Holder);
  std::vector<std::string> Log;
  std::vector<TObject*> Senders;
  int Progress = 0;
  Extractor.SetOnLogNextLine([&](TObject* Sender, const std::string& Text) {
    Log.push_back(Text);
    Senders.push_back(Sender);
  });
  Extractor.SetOnProgressUpdate([&](TObject*, int, int) { ++Progress; });

  TTestSQLParser Parser(Holder.GetObjs());
  Parser.ScriptName = "s.sql";
  Parse(Parser, "TABLE T;\r\nTABLE U;", *Holder.GetMetadata());
  EXPECT_EQ(Log, (std::vector<std::string>{"Parse Script: s.sql", "Table: T", "Table: U"}));
  EXPECT_EQ(Senders.front(), &Extractor);
  EXPECT_GT(Progress, 0);

  // The parser's own handlers come first.
  std::vector<std::string> Own;
  Parser.OnLogNextLine = [&](TObject*, const std::string& Text) { Own.push_back(Text); };
  Parse(Parser, "TABLE V;", *Holder.GetMetadata());
  EXPECT_EQ(Log.size(), 3u);
  EXPECT_EQ(Own.size(), 2u);
}

}  // namespace
}  // namespace qel
