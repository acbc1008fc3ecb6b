// Description statements per dialect, as golden text.
#include <gtest/gtest.h>

#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Dmn.h"
#include "qelComp_Fnc.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "test_objects_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

/// One collection with a described table T (column C), view V (column VC), function F
/// (parameter X), trigger TRG on T, index IX on T, constraint PK on T and domain D.
struct TDescribed {
  explicit TDescribed(TDatabaseType DB, const std::string& Schema = "") {
    Objs.SetDatabaseType(DB);
    Objs.MSSQLServerOptions.GetMSSQLCompareOptions().CaseSensitiveIdentifiers = true;
    auto Named = [&](TDbObj* O, const char* Name) {
      O->SetObjName(Name);
      O->SetSchema(Schema);
      O->SetExtra(&TObjExtra::Description, "it's");
      Objs.AddObj(O);
    };
    Named(T = new TTblData(&Objs), "T");
    Col = AddColumn(T, T->Fields, "C", iftVarchar, 10);
    Col->SetExtra(&TObjExtra::Description, "col");
    Named(V = new TViwData(&Objs), "V");
    ViewCol = AddColumn(V, V->Fields, "VC", iftInteger);
    ViewCol->SetExtra(&TObjExtra::Description, "vcol");
    Named(F = new TPrcData(&Objs), "F");
    F->IsFunction = true;
    Param = AddColumn(F, F->Params, "X", iftInteger);
    Param->InOut = ioIn;
    Param->SetExtra(&TObjExtra::Description, "par");
    Trg = new TTrgData(&Objs);
    Trg->SetOwnName("T");
    Named(Trg, "TRG");
    Idx = new TIdxData(&Objs);
    Idx->TableName = "T";
    Named(Idx, "IX");
    Ctr = new TCtrData(&Objs);
    Ctr->SetCtType(ctPKey);
    Ctr->SetTblName("T");
    Named(Ctr, "PK");
    Named(Dmn = new TDmnData(&Objs), "D");
  }
  TObjs Objs;
  TTblData* T;
  TFldData* Col;
  TViwData* V;
  TFldData* ViewCol;
  TPrcData* F;
  TFldData* Param;
  TTrgData* Trg;
  TIdxData* Idx;
  TCtrData* Ctr;
  TDmnData* Dmn;
};

}  // namespace

TEST(Descriptions, InterBaseSystemTables) {
  TDescribed S(dbInterBase);
  S.T->SetExtra(&TObjExtra::Description, "a'b");
  EXPECT_EQ(S.T->DescriptionDef(),
            "UPDATE RDB$RELATIONS SET RDB$DESCRIPTION = \r\n'a''b'\r\n"
            "WHERE RDB$RELATION_NAME = 'T'");
  EXPECT_EQ(S.Col->DescriptionDef(),
            "UPDATE RDB$RELATION_FIELDS SET RDB$DESCRIPTION = \r\n'col'\r\n"
            "WHERE RDB$RELATION_NAME = 'T' AND RDB$FIELD_NAME = 'C'");
  EXPECT_EQ(S.Param->DescriptionDef(),
            "UPDATE RDB$PROCEDURE_PARAMETERS SET RDB$DESCRIPTION = \r\n'par'\r\n"
            "WHERE RDB$PROCEDURE_NAME = 'F' AND RDB$PARAMETER_NAME = 'X'");
  EXPECT_EQ(S.Idx->DescriptionDef(),
            "UPDATE RDB$INDICES SET RDB$DESCRIPTION = \r\n'it''s'\r\nWHERE RDB$INDEX_NAME = 'IX'");
  // Objects without a system table get a comment that the description cannot end early.
  S.Ctr->SetExtra(&TObjExtra::Description, "key */ DROP TABLE T; /*");
  EXPECT_EQ(S.Ctr->DescriptionDef(), "/* key * / DROP TABLE T; / * */");
  S.Col->OwnerObj = nullptr;
  EXPECT_EQ(S.Col->DescriptionDef(), "");
}

TEST(Descriptions, InterBaseDescribeAndCommentOn) {
  TDescribed S(dbInterBase);
  TIBCompareOptions& Cmp = S.Objs.IBServerOptions.GetIBCompareOptions();
  Cmp.SetUpdateDescriptionMode(udDescribe);
  EXPECT_EQ(S.T->DescriptionDef(), "DESCRIBE TABLE T\r\n'it''s'");
  EXPECT_EQ(S.Col->DescriptionDef(), "DESCRIBE FIELD C TABLE T\r\n'col'");
  EXPECT_EQ(S.ViewCol->DescriptionDef(), "DESCRIBE FIELD VC VIEW V\r\n'vcol'");
  EXPECT_EQ(S.Param->DescriptionDef(), "DESCRIBE PARAMETER X PROCEDURE F\r\n'par'");
  EXPECT_EQ(S.Ctr->DescriptionDef(), "");

  Cmp.SetUpdateDescriptionMode(udComment);
  EXPECT_EQ(S.T->DescriptionDef(), "COMMENT ON TABLE T IS\r\n'it''s'");
  EXPECT_EQ(S.Col->DescriptionDef(), "COMMENT ON COLUMN T.C IS\r\n'col'");
  EXPECT_EQ(S.Param->DescriptionDef(), "COMMENT ON PARAMETER F.X IS\r\n'par'");
  EXPECT_EQ(S.Trg->DescriptionDef(), "COMMENT ON TRIGGER TRG IS\r\n'it''s'");
  auto* Udf = new TUdfData(&S.Objs);
  Udf->SetObjName("Strlen");
  Udf->SetExtra(&TObjExtra::Description, "len");
  S.Objs.AddObj(Udf);
  EXPECT_EQ(Udf->DescriptionDef(), "COMMENT ON EXTERNAL FUNCTION \"Strlen\" IS\r\n'len'");
  TDataBaseObj Db(&S.Objs);
  Db.SetExtra(&TObjExtra::Description, "main");
  EXPECT_EQ(Db.DescriptionDef(), "COMMENT ON DATABASE IS\r\n'main'");
  EXPECT_EQ(S.Ctr->DescriptionDef(), "");
}

TEST(Descriptions, SqlAnywhere) {
  TDescribed S(dbSybaseASA);
  EXPECT_EQ(S.T->DescriptionDef(), "COMMENT ON TABLE T IS\r\n'it''s'");
  EXPECT_EQ(S.F->DescriptionDef(), "COMMENT ON FUNCTION F IS\r\n'it''s'");
  S.F->IsFunction = false;
  EXPECT_EQ(S.F->DescriptionDef(), "COMMENT ON PROCEDURE F IS\r\n'it''s'");
  EXPECT_EQ(S.Col->DescriptionDef(), "COMMENT ON COLUMN T.C IS\r\n'col'");
  EXPECT_EQ(S.Ctr->DescriptionDef(), "");
}

TEST(Descriptions, Oracle) {
  TDescribed S(dbOracle);
  EXPECT_EQ(S.Col->DescriptionDef(), "COMMENT ON COLUMN T.C IS\r\n'col'");
  EXPECT_EQ(S.T->DescriptionDef(), "COMMENT ON TABLE T IS\r\n'it''s'");
  EXPECT_EQ(S.Trg->DescriptionDef(), "COMMENT ON TRIGGER T.TRG IS\r\n'it''s'");
  EXPECT_EQ(S.Ctr->DescriptionDef(), "/* COMMENT ON... */");
  TDescribed Q(dbOracle, "HR");
  EXPECT_EQ(Q.Col->DescriptionDef(), "COMMENT ON COLUMN HR.T.C IS\r\n'col'");
  EXPECT_EQ(Q.F->DescriptionDef(), "COMMENT ON FUNCTION HR.F IS\r\n'it''s'");
  Q.Col->TableName.clear();
  EXPECT_EQ(Q.Col->DescriptionDef(), "/* COMMENT ON... */");
}

TEST(Descriptions, PostgreSQL) {
  TDescribed S(dbPostgreSQL, "public");
  // Lower-case names need no quotes; these upper-case ones do.
  EXPECT_EQ(S.F->DescriptionDef(), "COMMENT ON FUNCTION public.\"F\"(in \"X\" integer) IS 'it''s'");
  EXPECT_EQ(S.T->DescriptionDef(), "COMMENT ON TABLE public.\"T\" IS 'it''s'");
  EXPECT_EQ(S.Col->DescriptionDef(), "COMMENT ON COLUMN public.\"T\".\"C\" IS 'col'");
  EXPECT_EQ(S.Ctr->DescriptionDef(), "COMMENT ON CONSTRAINT \"PK\" ON public.\"T\" IS 'it''s'");
  EXPECT_EQ(S.Trg->DescriptionDef(), "COMMENT ON TRIGGER \"TRG\" ON public.\"T\" IS 'it''s'");
  // The server keeps comments on the columns of views too.
  EXPECT_EQ(S.ViewCol->DescriptionDef(), "COMMENT ON COLUMN public.\"V\".\"VC\" IS 'vcol'");
  EXPECT_EQ(S.Param->DescriptionDef(), "");
  // A function without parameters names its empty argument list; a RETURNS clause never
  // appears in COMMENT ON.
  TObjs PG;
  PG.SetDatabaseType(dbPostgreSQL);
  auto* F = AddProc(PG, "f", "select 1");
  F->SetSchema("public");
  F->IsFunction = true;
  F->SetExtra(&TObjExtra::Description, "x\\y");
  AddColumn(F, F->Results, "", iftInteger);
  EXPECT_EQ(F->DescriptionDef(), "COMMENT ON FUNCTION public.f() IS E'x\\x5cy'");
}

TEST(Descriptions, MySQL) {
  TDescribed S(dbMySQL);
  EXPECT_EQ(S.T->DescriptionDef(), "ALTER TABLE T COMMENT = 'it\\'s'");
  EXPECT_EQ(S.Col->DescriptionDef(), "ALTER TABLE T MODIFY COLUMN C VARCHAR(10) COMMENT 'col'");
  EXPECT_EQ(S.V->DescriptionDef(), "");
  EXPECT_EQ(S.ViewCol->DescriptionDef(), "");
  EXPECT_EQ(S.Param->DescriptionDef(), "");
}

TEST(Descriptions, SqlServer) {
  TDescribed S(dbMSSQL, "dbo");
  EXPECT_EQ(S.T->DescriptionDef(), "");  // SQL Server 2000 keeps no descriptions
  S.Objs.MSSQLServerOptions.SQLServerVersion = st_MSSQL2005;
  const std::string Head = "@name=N'MS_Description', @value=N";
  EXPECT_EQ(S.T->DescriptionDef(), "exec sys.sp_addextendedproperty " + Head +
                                       "'it''s', @level0type=N'SCHEMA', @level0name=N'dbo', "
                                       "@level1type=N'TABLE', @level1name=N'T'");
  S.Objs.MSSQLServerOptions.GetMSSQLDatabaseOptions().CompatibilityLevel = 80;
  EXPECT_EQ(S.ViewCol->DescriptionDef(),
            "exec dbo.sp_addextendedproperty " + Head +
                "'vcol', @level0type=N'SCHEMA', @level0name=N'dbo', @level1type=N'VIEW', "
                "@level1name=N'V', @level2type=N'COLUMN', @level2name=N'VC'");
  S.Objs.MSSQLServerOptions.GetMSSQLDatabaseOptions().CompatibilityLevel = 100;
  EXPECT_EQ(S.Param->DescriptionDef(),
            "exec sys.sp_addextendedproperty " + Head +
                "'par', @level0type=N'SCHEMA', @level0name=N'dbo', @level1type=N'FUNCTION', "
                "@level1name=N'F', @level2type=N'PARAMETER', @level2name=N'X'");
  EXPECT_EQ(S.Trg->DescriptionDef(),
            "exec sys.sp_addextendedproperty " + Head +
                "'it''s', @level0type=N'SCHEMA', @level0name=N'dbo', @level1type=N'TABLE', "
                "@level1name=N'T', @level2type=N'TRIGGER', @level2name=N'TRG'");
  // A description the target holds already is updated, and dropped when the master has none.
  EXPECT_EQ(S.T->DescriptionDef(true), "exec sys.sp_updateextendedproperty " + Head +
                                           "'it''s', @level0type=N'SCHEMA', @level0name=N'dbo', "
                                           "@level1type=N'TABLE', @level1name=N'T'");
  S.Col->EditExtra().Description.clear();
  EXPECT_EQ(S.Col->DescriptionDef(true),
            "exec sys.sp_dropextendedproperty @name=N'MS_Description', @level0type=N'SCHEMA', "
            "@level0name=N'dbo', @level1type=N'TABLE', @level1name=N'T', @level2type=N'COLUMN', "
            "@level2name=N'C'");
  // An index on a view: the view is found under its schema-qualified key.
  S.Idx->TableName = "V";
  EXPECT_NE(S.Idx->DescriptionDef().find("@level1type=N'VIEW', @level1name=N'V'"),
            std::string::npos);
  S.Dmn->BaseTypeName = "XML SCHEMA COLLECTION";
  EXPECT_NE(S.Dmn->DescriptionDef().find("@level1type=N'XML SCHEMA COLLECTION'"),
            std::string::npos);
  // Without a schema there is no level 0: no statement.
  TDescribed Bare(dbMSSQL);
  Bare.Objs.MSSQLServerOptions.SQLServerVersion = st_MSSQL2005;
  EXPECT_EQ(Bare.T->DescriptionDef(), "");
  EXPECT_EQ(Bare.Trg->DescriptionDef(), "exec sys.sp_addextendedproperty " + Head +
                                            "'it''s', @level0type=N'TRIGGER', @level0name=N'TRG'");
}

TEST(Descriptions, OnlyWhenComparedAndNotSkipped) {
  for (TDatabaseType DB : {dbInterBase, dbSybaseASA, dbMySQL, dbOracle, dbMSSQL, dbPostgreSQL,
                           dbDB2, dbSybaseASE, dbAbstract}) {
    TDescribed S(DB, "S");
    S.Objs.MSSQLServerOptions.SQLServerVersion = st_MSSQL2005;
    const bool Writes = DB != dbDB2 && DB != dbSybaseASE && DB != dbAbstract;
    EXPECT_EQ(!S.T->DescriptionDef().empty(), Writes) << DB;
    S.T->SkipDef = true;
    EXPECT_EQ(S.T->DescriptionDef(), "") << DB;
    S.T->SkipDef = false;
    S.Objs.CompareObjects.Exclude(coDescription);
    EXPECT_EQ(S.T->DescriptionDef(), "") << DB;
  }
}
