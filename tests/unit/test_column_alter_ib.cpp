// InterBase/Firebird column alteration: the conversion-safety rule, the driver's choice between
// ALTER COLUMN TYPE, the system tables and a refusal, per server version; Firebird 3's
// read-only system tables.
#include <gtest/gtest.h>

#include "qelComp_Dmn.h"
#include "test_column_alter_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

struct TIBRig : TAlterRig {
  explicit TIBRig(TIBSQLServerVersionType V = st_FireBird_15) : TAlterRig(dbInterBase) {
    Target.IBServerOptions.SQLServerVersion = V;
  }
  void AllowConversion() {
    Target.IBServerOptions.GetIBCompareOptions().AllowDataTypeConversion = true;
  }
  /// Firebird 3 as a catalog extractor reports it: on-disk structure 12.
  void Firebird3() {
    Target.IBServerOptions.SQLServerVersion = st_Firebird_25;
    Target.IBServerOptions.GetIBDatabaseOptions().ODSMajorVersion = 12;
  }
  TDmnData* Domain(TObjs& Objs, const std::string& Name, TDBFieldType Type, std::int32_t Size = 0) {
    auto* D = new TDmnData(&Objs);
    D->SetObjName(Name);
    D->TypeField->FieldType = Type;
    D->TypeField->Size = Size;
    Objs.AddObj(D);
    return D;
  }
};

}  // namespace

TEST(IBAlterRule, TableOfFromAndToTypes) {
  TObjs O;
  O.SetDatabaseType(dbInterBase);
  struct TCase {
    TDBFieldType From;
    TDBFieldType To;
    int R;
  };
  const TCase Cases[] = {
      {iftInteger, iftBigInt, 1},         {iftInteger, iftSmallInt, -1},
      {iftInteger, iftFloat, -1},         {iftInteger, iftVarchar, 1},
      {iftBigInt, iftInteger, -1},        {iftBigInt, iftNumeric, 1},
      {iftFloat, iftDoublePrecision, 1},  {iftFloat, iftInteger, -1},
      {iftDoublePrecision, iftFloat, -1}, {iftVarchar, iftChar, 1},
      {iftChar, iftInteger, -1},          {iftBlob, iftVarchar, -1},
      {iftSmallInt, iftInteger, 1},       {iftSmallInt, iftVarchar, -1},
      {iftDate, iftTimeStamp, 1},         {iftInteger, iftInteger, 0},
  };
  for (const TCase& C : Cases) {
    TFldData M(&O), T(&O);
    M.FieldType = C.To;
    T.FieldType = C.From;
    EXPECT_EQ(IBAllowDataTypeAlter(M, T), C.R)
        << FieldTypeName(C.From) << " -> " << FieldTypeName(C.To);
  }
  // Lengths of the same string type; the stored type of a NUMERIC decides.
  TFldData M(&O), T(&O);
  M.FieldType = T.FieldType = iftVarchar;
  M.Size = 10;
  T.Size = 20;
  EXPECT_EQ(IBAllowDataTypeAlter(M, T), -1);
  M.Size = 30;
  EXPECT_EQ(IBAllowDataTypeAlter(M, T), 1);
  M.Size = 20;
  EXPECT_EQ(IBAllowDataTypeAlter(M, T), 0);
  M.FieldType = iftNumeric;
  M.StorageType = iftInteger;
  T.FieldType = iftBigInt;
  EXPECT_EQ(IBAllowDataTypeAlter(M, T), -1);
  // Exact numerics of one stored type: the server keeps the digits before the point.
  const struct {
    std::int32_t FromP, FromS, ToP, ToS;
    int R;
  } Numerics[] = {{12, 3, 10, 2, -1}, {10, 2, 10, 3, -1}, {10, 3, 10, 2, 0}, {10, 2, 12, 3, 0}};
  for (const auto& N : Numerics) {
    TFldData NM(&O), NT(&O);
    NM.FieldType = NT.FieldType = iftNumeric;
    NM.StorageType = NT.StorageType = iftBigInt;
    NT.Precision = N.FromP;
    NT.Scale = N.FromS;
    NM.Precision = N.ToP;
    NM.Scale = N.ToS;
    EXPECT_EQ(IBAllowDataTypeAlter(NM, NT), N.R)
        << N.FromP << "," << N.FromS << " -> " << N.ToP << "," << N.ToS;
  }
  // Differing arrays are never safe.
  T.FieldType = iftInteger;
  M.StorageType = iftUnknown;
  M.FieldType = iftInteger;
  M.EditExtra().ArrayBounds = {{1, 5}};
  EXPECT_EQ(IBAllowDataTypeAlter(M, T), -1);
  // A domain missing from its collection is taken as safe.
  M.EditExtra().ArrayBounds.clear();
  M.FieldType = iftDomain;
  M.SetExtra(&TFldExtra::DomainName, "NOWHERE");
  EXPECT_EQ(IBAllowDataTypeAlter(M, T), 1);
}

TEST(IBAlterColumn, WideningIsAlterColumnType) {
  TIBRig R;
  TFldData* M = R.Both("T", "A", iftInteger);
  M->FieldType = iftBigInt;
  EXPECT_EQ(R.Alter(), (TTexts{"ALTER TABLE T ALTER COLUMN A TYPE BIGINT"}));
  EXPECT_EQ(R.Work(), (TTexts{"DataType conversion: INTEGER -> BIGINT /T(A)/"}));
  EXPECT_EQ(R.WorkStatement(0), "ALTER TABLE T ALTER COLUMN A TYPE BIGINT");
}

TEST(IBAlterColumn, ShrinkingIsRefusedUnlessConversionIsAllowed) {
  TIBRig R;
  TFldData* M = R.Both("T", "A", iftVarchar, 20);
  M->Size = 10;
  EXPECT_EQ(R.Alter(), (TTexts{"/* WARNING:\nCannot perform safe conversion of T.A datatype "
                               "from VARCHAR(20) to VARCHAR(10) */"}));
  R.AllowConversion();
  EXPECT_EQ(R.Alter(),
            (TTexts{"/* Alter Field: T.A: (VARCHAR(20) -> VARCHAR(10)) */",
                    "UPDATE RDB$FIELDS SET\n RDB$FIELD_LENGTH=10, RDB$CHARACTER_LENGTH=10,\n "
                    "RDB$FIELD_TYPE=37\n  WHERE RDB$FIELD_NAME=(SELECT RDB$FIELD_SOURCE FROM "
                    "RDB$RELATION_FIELDS\n  WHERE RDB$FIELD_NAME='A' AND RDB$RELATION_NAME='T')"}));
  // The shrink through the system tables leaves its warning line, carrying the statement.
  ASSERT_EQ(R.Work(), (TTexts{"Alter Field: T.A: (VARCHAR(20) -> VARCHAR(10))"}));
  EXPECT_EQ(R.WorkStatement(0), R.Texts()[1]);
}

TEST(IBAlterColumn, SystemTableRewritesByType) {
  TIBRig R;
  R.AllowConversion();
  TFldData* M = R.Both("T", "A", iftInteger);
  M->FieldType = iftSmallInt;
  EXPECT_EQ(R.Alter()[1],
            "UPDATE RDB$FIELDS SET\n RDB$FIELD_LENGTH=2, RDB$FIELD_TYPE=7\n  WHERE "
            "RDB$FIELD_NAME=(SELECT RDB$FIELD_SOURCE FROM RDB$RELATION_FIELDS\n  WHERE "
            "RDB$FIELD_NAME='A' AND RDB$RELATION_NAME='T')");

  // A double to a timestamp always goes through the system tables.
  TIBRig D;
  TFldData* MD = D.Both("T", "A", iftDoublePrecision);
  MD->FieldType = iftTimeStamp;
  EXPECT_EQ(D.Alter()[1],
            "UPDATE RDB$FIELDS\n SET RDB$FIELD_LENGTH=8,\n  RDB$FIELD_TYPE = 35\n  WHERE "
            "RDB$FIELD_NAME = (SELECT RDB$FIELD_SOURCE FROM RDB$RELATION_FIELDS\n  WHERE "
            "RDB$FIELD_NAME = 'A' AND RDB$RELATION_NAME = 'T')");

  // A wide NUMERIC is stored as a 64-bit integer from ODS 10 on, else as a double.
  for (std::int32_t Ods : {11, 9}) {
    TIBRig N;
    N.AllowConversion();
    N.Target.IBServerOptions.GetIBDatabaseOptions().ODSMajorVersion = Ods;
    TFldData* MN = N.Both("T", "A", iftVarchar, 20);
    MN->FieldType = iftNumeric;
    MN->Size = 0;
    MN->Precision = 15;
    MN->Scale = 2;
    EXPECT_NE(N.Alter()[1].find(Ods == 11 ? "RDB$FIELD_TYPE=16" : "RDB$FIELD_TYPE=27"),
              std::string::npos);
  }
}

TEST(IBAlterColumn, NamesInLiteralsAreEscaped) {
  TIBRig R(st_InterBase_5x);
  R.Both("O'Brien", "it's", iftInteger)->Nullable = false;
  const TTexts S = R.Alter();
  ASSERT_EQ(S.size(), 3u);
  EXPECT_EQ(S[1],
            "UPDATE RDB$RELATION_FIELDS SET RDB$NULL_FLAG = 1 WHERE RDB$FIELD_NAME='it''s' AND "
            "RDB$RELATION_NAME='O''Brien'");
}

TEST(IBAlterColumn, NullabilityAndDefaultsPerServerVersion) {
  // InterBase 7.5: the null flag, then the default through the temporary domain.
  TIBRig R(st_InterBase_75);
  TFldData* M = R.Both("T", "A", iftInteger);
  M->Nullable = false;
  M->DefValue = "0";
  const TTexts S = R.Alter();
  ASSERT_EQ(S.size(), 7u) << ::testing::PrintToString(S);
  EXPECT_EQ(S[0], "/* Alter Field (Null / Not Null)... */");
  EXPECT_EQ(S[1].substr(0, 49), "UPDATE RDB$RELATION_FIELDS SET RDB$NULL_FLAG = 1 ");
  EXPECT_EQ(S[2], "CREATE DOMAIN IBCXXX INTEGER DEFAULT 0 NOT NULL");
  EXPECT_EQ(S[4], "DROP DOMAIN IBCXXX");
  EXPECT_EQ(S[5].substr(0, 41), "UPDATE RDB$FIELDS SET RDB$DEFAULT_VALUE =");
  EXPECT_EQ(S[6], "");  // the pass ends with an empty line when a step asked for it
  EXPECT_EQ(R.Work()[1], "DataType conversion: DEFAULT difference /T(A)/");
  EXPECT_EQ(R.WorkStatement(1), S[5]);

  // Firebird 2.5: one ALTER COLUMN for the default.
  TIBRig F(st_Firebird_25);
  F.Both("T", "A", iftInteger)->DefValue = "0";
  EXPECT_EQ(F.Alter(), (TTexts{"ALTER TABLE T ALTER COLUMN A SET DEFAULT 0"}));
  F.Master.GetTable("T")->Fields[0]->DefValue = "";
  F.TCol->DefValue = "1";
  EXPECT_EQ(F.Alter(), (TTexts{"ALTER TABLE T ALTER COLUMN A DROP DEFAULT"}));
}

TEST(IBAlterColumn, Firebird3UsesItsDDLAndKeepsSystemTableWritesAsComments) {
  TIBRig R;
  R.Firebird3();
  TFldData* M = R.Both("T", "A", iftInteger);
  M->Nullable = false;
  M->DefValue = "0";
  EXPECT_EQ(R.Alter(),
            (TTexts{"/* Alter Field (Null / Not Null)... */", "ALTER TABLE T ALTER A SET NOT NULL",
                    "ALTER TABLE T ALTER COLUMN A SET DEFAULT 0", ""}));
  // No DDL changes a BLOB sub-type: the write stays a comment, with its work line.
  TIBRig B;
  B.Firebird3();
  B.Both("T", "B", iftBlob)->SubType = 1;
  const TTexts S = B.Alter();
  ASSERT_EQ(S.size(), 2u) << ::testing::PrintToString(S);
  EXPECT_EQ(S[0].substr(0, 45), "/* BLOB-datatype conversion not supported:\nAL");
  EXPECT_EQ(S[1].substr(0, 60), "/* The server's system tables are read-only; not run:\nUPDATE");
  EXPECT_EQ(B.Exec.GetStatement(1)->StatType, stComment);
  ASSERT_EQ(B.Work().size(), 2u);
  EXPECT_EQ(B.Work()[1], "DataType conversion: Blob SUB_TYPE /T(B)/");
  EXPECT_EQ(B.WorkStatement(1), S[1]);
}

TEST(IBAlterColumn, DomainsOnBothSidesAndSimpleTypeToDomain) {
  // Firebird: ALTER COLUMN TYPE takes the other domain; views are marked.
  TIBRig R;
  R.Domain(R.Master, "D_NEW", iftInteger);
  R.Domain(R.Target, "D_OLD", iftInteger);
  TFldData* M = R.Both("T", "A", iftDomain);
  M->SetExtra(&TFldExtra::DomainName, "D_NEW");
  R.TCol->SetExtra(&TFldExtra::DomainName, "D_OLD");
  EXPECT_EQ(R.Alter(), (TTexts{"ALTER TABLE T ALTER COLUMN A TYPE D_NEW"}));

  // An old server rewrites the field source.
  TIBRig O(st_InterBase_5x);
  O.Domain(O.Master, "D_NEW", iftInteger);
  TFldData* MO = O.Both("T", "A", iftDomain);
  MO->SetExtra(&TFldExtra::DomainName, "D_NEW");
  O.TCol->SetExtra(&TFldExtra::DomainName, "D_OLD");
  EXPECT_EQ(O.Alter(), (TTexts{"UPDATE RDB$RELATION_FIELDS SET RDB$FIELD_SOURCE='D_NEW' WHERE "
                               "RDB$FIELD_NAME='A' AND RDB$RELATION_NAME='T'"}));
  EXPECT_EQ(O.Work(), (TTexts{"DataType conversion: replace DOMAIN /T (A)/"}));

  // A plain VARCHAR(10) column takes a VARCHAR(40) domain.
  TIBRig L;
  L.Domain(L.Master, "D_TEXT", iftVarchar, 40);
  TFldData* ML = L.Both("T", "A", iftVarchar, 10);
  ML->FieldType = iftDomain;
  ML->SetExtra(&TFldExtra::DomainName, "D_TEXT");
  EXPECT_EQ(L.Alter(), (TTexts{"ALTER TABLE T ALTER COLUMN A TYPE D_TEXT"}));
}

TEST(IBAlterColumn, ComputedColumnIsDroppedAndAddedAgain) {
  TIBRig R;
  R.Both("T", "A", iftInteger);
  TFldData* M = R.Both("T", "C", iftUnknown);
  M->SetExtra(&TObjExtra::Body, "(A * 3)");
  R.TCol->SetExtra(&TObjExtra::Body, "(A * 2)");
  R.Alter();
  EXPECT_EQ(R.Texts()[1], "ALTER TABLE T DROP C");
  EXPECT_EQ(R.Texts()[2], "ALTER TABLE T ADD C COMPUTED BY (A * 3)");
}
