// The PostgreSQL grammar of types, domains, conversions, operators and operator classes, and
// the linking of these objects to the functions they name.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "qelComp_Dmn.h"
#include "qelComp_Prc.h"
#include "test_pg_parser.h"

namespace qel {
namespace {

using testing::Entries;
using testing::TPGParse;

using Names = std::vector<std::string>;

TDmnData* Domain(const TPGParse& T, const std::string& Name) {
  return T.Objs.GetDomain(Name);
}

std::vector<std::string> Infos(const TPGParse& T) {
  std::vector<std::string> R;
  for (const TMsgData* M : T.Messages(mt_Inf)) R.push_back(M->Text);
  return R;
}

/// A routine of the collection with integer arguments, as the function reader files one.
TPrcData* AddRoutine(TPGParse& T, const std::string& Name, int IntArgs) {
  auto Prc = std::make_unique<TPrcData>(&T.Objs);
  Prc->SetObjName(Name);
  Prc->SetSchema("public");
  Prc->IsFunction = true;
  for (int I = 0; I < IntArgs; ++I) {
    auto Arg = std::make_unique<TFldData>(&T.Objs);
    Arg->FieldType = iftInteger;
    Prc->Params.Add(std::move(Arg));
  }
  TPrcData* Raw = Prc.get();
  EXPECT_TRUE(T.Objs.AddObj(std::move(Prc)));
  return Raw;
}

bool Uses(const TDbObj& Obj, const TDbObj* Used) {
  for (const auto& D : Obj.UseOf)
    if (D->DepObj == Used) return true;
  return false;
}

// ---------------------------------------------------------------------------------------------
// Types

TEST(PGTypes, ShellTypeIsCompletedByItsDefinition) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE TYPE box2;\r\n"
              "CREATE TYPE public.box2 (\r\n"
              "    INTERNALLENGTH = 16, INPUT = public.box2_in, OUTPUT = box2_out,\r\n"
              "    RECEIVE = box2_recv, SEND = box2_send, ANALYZE = box2_analyze,\r\n"
              "    ALIGNMENT = double, STORAGE = extended, DELIMITER = ';',\r\n"
              "    DEFAULT = '(0,0)', ELEMENT = float8, PASSEDBYVALUE);\r\n"
              "CREATE TYPE b (INPUT = b_in, INTERNALLENGTH = VARIABLE, EXTERNALLENGTH = -4,\r\n"
              "    ALIGNMENT = int2);"));
  ASSERT_EQ(T.Objs.Domains.Count(), 2);
  TDmnData* D = Domain(T, "box2");
  ASSERT_NE(D, nullptr);
  EXPECT_EQ(D->GetSchema(), "public");
  const TPGTypeOptions& O = *D->PGOptions;
  EXPECT_TRUE(O.IsType);
  EXPECT_EQ(O.Input, "box2_in");  // bare, as routines are named
  EXPECT_EQ(O.Output, "box2_out");
  EXPECT_EQ(O.Analyze, "box2_analyze");
  EXPECT_EQ(O.InternalLength, 16);
  EXPECT_EQ(O.Alignment, iftDouble);
  EXPECT_EQ(O.Storage, "extended");
  EXPECT_EQ(O.Delimiter, ";");
  EXPECT_TRUE(O.PassedByValue);
  EXPECT_EQ(O.Default, "");  // read, not kept
  const TPGTypeOptions& B = *Domain(T, "b")->PGOptions;
  EXPECT_EQ(B.InternalLength, -1);
  EXPECT_EQ(B.ExternalLength, -4);
  EXPECT_EQ(B.Alignment, iftInt2);
  EXPECT_NE(B.Def().find("ALIGNMENT = int2"), std::string::npos) << B.Def();

  ASSERT_EQ(T.Statements.size(), 3u);
  EXPECT_EQ(T.Statements[0].ObjType, dboDomain);
  EXPECT_EQ(T.Statements[0].Operation, odbCreate);
  EXPECT_EQ(T.Statements[1].Operation, odbAlter);
}

TEST(PGTypes, BadOptionsAreErrorsAndTheScriptGoesOn) {
  TPGParse T;
  EXPECT_FALSE(
      T.Parse("CREATE TYPE a (INPUT = a_in, INTERNALLENGTH = many);\r\n"
              "CREATE TYPE b (INPUT = b_in, COLOR = red);\r\n"
              "CREATE TYPE c (INPUT = c_in, ANALYSE = c_an);\r\n"
              "CREATE TYPE d (INPUT = d_in, OUTPUT = d_out);"));
  EXPECT_EQ(T.Errors(), (Names{"Unknown/Invalid value for INTERNALLENGTH Near: \"many);\"",
                               "Unknown option for TYPE-declaration Near: \"COLOR = red);\"",
                               "Unknown option for TYPE-declaration Near: \"ANALYSE = c_an);\""}));
  // A type read only in part is not filed; the statement after it is read.
  EXPECT_EQ(Domain(T, "a"), nullptr);
  EXPECT_EQ(Domain(T, "b"), nullptr);
  ASSERT_NE(Domain(T, "d"), nullptr);
  EXPECT_EQ(Domain(T, "d")->PGOptions->Output, "d_out");
}

TEST(PGTypes, OptionsTheModelCannotHoldArePassedOver) {
  // A current server's dump writes these; they are no fault of the script.
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE TYPE t (INPUT = t_in, OUTPUT = t_out, CATEGORY = 'U', PREFERRED = true,\r\n"
              "  COLLATABLE, TYPMOD_IN = t_tin, LIKE = integer, PASSEDBYVALUE = true);"));
  ASSERT_NE(Domain(T, "t"), nullptr);
  EXPECT_EQ(Domain(T, "t")->PGOptions->Output, "t_out");
  EXPECT_TRUE(Domain(T, "t")->PGOptions->PassedByValue);
  EXPECT_EQ(Infos(T), (Names{"Option passed over: CATEGORY.", "Option passed over: PREFERRED.",
                             "Option passed over: COLLATABLE.", "Option passed over: TYPMOD_IN.",
                             "Option passed over: LIKE."}));
}

TEST(PGTypes, CompositeType) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE TYPE public.pair AS (\r\n\ta integer,\r\n\tb text COLLATE \"C\",\r\n\tc "
              "numeric(10,2)\r\n);"));
  TDmnData* D = Domain(T, "pair");
  ASSERT_NE(D, nullptr);
  EXPECT_TRUE(D->PGOptions->IsType);
  const auto& A = D->PGOptions->Attributes;
  ASSERT_EQ(A.Count(), 3);
  EXPECT_EQ(A[0]->GetObjName(), "a");
  EXPECT_EQ(A[1]->Extra().Collation, "C");
  EXPECT_EQ(A[2]->Precision, 10);
  EXPECT_EQ(A[2]->Position, 3);
  EXPECT_EQ(A[0]->OwnerObj, D);
  EXPECT_EQ(D->Def().substr(0, 28), "CREATE TYPE public.pair AS (");

  // Read again, the attributes are replaced, not added to.
  ASSERT_TRUE(T.Parse("CREATE TYPE pair AS (x date);\r\nALTER TYPE public.pair OWNER TO anna;"));
  ASSERT_EQ(D->PGOptions->Attributes.Count(), 1);
  EXPECT_EQ(D->PGOptions->Attributes[0]->FieldType, iftDate);
  EXPECT_EQ(D->Extra().Creator, "anna");
}

TEST(PGTypes, EnumAndRangeTypesArePassedOver) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE TYPE public.mood AS ENUM (\r\n    'sad',\r\n    'ok'\r\n);\r\n"
              "ALTER TYPE public.mood OWNER TO qel;\r\n"
              "ALTER TYPE public.mood ADD VALUE 'happy' AFTER 'ok';\r\n"
              "CREATE TYPE public.floatrange AS RANGE (\r\n    subtype = double precision,\r\n"
              "    multirange_type_name = public.floatmultirange\r\n);\r\n"
              "CREATE TABLE t (m public.mood);"));
  // No type is made up for them, not even by the ALTER statements that follow.
  EXPECT_EQ(T.Objs.Domains.Count(), 0);
  EXPECT_NE(T.Table("t"), nullptr);
  EXPECT_EQ(Infos(T), (Names{"Statement passed over: CREATE TYPE mood AS ENUM.",
                             "Statement passed over: ALTER TYPE.",
                             "Statement passed over: CREATE TYPE floatrange AS RANGE."}));
  ASSERT_EQ(T.Statements.size(), 5u);
  EXPECT_EQ(T.Statements[1].Operation, odbAlter);
  EXPECT_EQ(T.Statements[1].ObjName, "mood");
}

// ---------------------------------------------------------------------------------------------
// Domains

TEST(PGDomains, TypeNullabilityDefaultAndRefill) {
  TPGParse T;
  ASSERT_TRUE(T.Parse("CREATE DOMAIN d AS varchar(10) NOT NULL;"));
  TDmnData* D = Domain(T, "d");
  ASSERT_NE(D, nullptr);
  EXPECT_FALSE(D->PGOptions->IsType);
  EXPECT_EQ(D->TypeField->FieldType, iftVarchar);
  EXPECT_EQ(D->TypeField->Size, 10);
  EXPECT_FALSE(D->TypeField->Nullable);

  // Read again: the former definition is gone, the domain is the same object.
  ASSERT_TRUE(T.Parse("CREATE DOMAIN public.d integer DEFAULT 0;"));
  EXPECT_EQ(Domain(T, "d"), D);
  EXPECT_EQ(D->TypeField->Size, 0);
  EXPECT_TRUE(D->TypeField->Nullable);
  EXPECT_EQ(D->TypeField->DefValue, "0");
  EXPECT_EQ(D->TypeField->OwnerObj, D);
  ASSERT_EQ(T.Statements.size(), 2u);
  EXPECT_EQ(T.Statements[0].Operation, odbCreate);
  EXPECT_EQ(T.Statements[1].Operation, odbAlter);
}

TEST(PGDomains, DumpFormsWithChecksAndCollation) {
  TPGParse T;
  ASSERT_TRUE(T.Parse(
      "CREATE DOMAIN public.code10 AS character varying(10) COLLATE pg_catalog.\"C\" NOT NULL "
      "DEFAULT 'x'::character varying;\r\n"
      "CREATE DOMAIN public.posint AS integer\r\n\tCONSTRAINT posint_check CHECK ((VALUE > "
      "0));\r\n"
      "CREATE DOMAIN plain AS integer CHECK (VALUE > 0);\r\n"
      "CREATE DOMAIN public.twochecks AS integer\r\n"
      "\tCONSTRAINT twochecks_check CHECK ((VALUE > 0))\r\n"
      "\tCONSTRAINT twochecks_check1 CHECK ((VALUE < 100));"));
  const TFldData& Code = *Domain(T, "code10")->TypeField;
  EXPECT_EQ(Code.FieldType, iftVarchar);
  EXPECT_EQ(Code.Extra().Collation, "pg_catalog.C");
  EXPECT_FALSE(Code.Nullable);
  EXPECT_EQ(Code.DefValue, "'x'::character varying");
  // The server's doubled parentheses and a person's single ones read as the same condition, in
  // the form the catalog reader gives.
  EXPECT_EQ(Domain(T, "posint")->TypeField->Extra().CheckText, "(VALUE > 0)");
  EXPECT_EQ(Domain(T, "plain")->TypeField->Extra().CheckText, "(VALUE > 0)");
  EXPECT_EQ(Domain(T, "twochecks")->TypeField->Extra().CheckText,
            "(VALUE > 0) CHECK (VALUE < 100)");
  // A domain's check is no table constraint.
  EXPECT_EQ(T.Objs.Constraints.Count(), 0);
}

TEST(PGDomains, WrittenDomainReadsBackTheSame) {
  TPGParse First;
  ASSERT_TRUE(First.Parse(
      "CREATE DOMAIN public.code10 AS character varying(10) NOT NULL DEFAULT 'x'::character "
      "varying;"));
  const std::string Def = Domain(First, "code10")->Def();
  TPGParse Second;
  ASSERT_TRUE(Second.Parse(Def + ";")) << Def;
  EXPECT_EQ(Domain(Second, "code10")->Def(), Def);
}

TEST(PGDomains, AlterDomainForms) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE DOMAIN public.nv AS integer;\r\n"
              "ALTER DOMAIN public.nv OWNER TO qel;\r\n"
              "ALTER DOMAIN public.nv\r\n    ADD CONSTRAINT nv_check CHECK ((VALUE <> 5)) NOT "
              "VALID;\r\n"
              "ALTER DOMAIN nv ADD NOT NULL;\r\n"
              "ALTER DOMAIN nv SET DEFAULT 7;\r\n"
              "ALTER DOMAIN nv DROP NOT NULL;\r\n"
              "ALTER DOMAIN gone DROP DEFAULT;\r\n"
              "ALTER DOMAIN gone OWNER TO qel;"));
  TDmnData* D = Domain(T, "nv");
  EXPECT_EQ(D->Extra().Creator, "qel");
  EXPECT_EQ(D->TypeField->Extra().CheckText, "(VALUE <> 5)");
  EXPECT_TRUE(D->TypeField->Nullable);
  EXPECT_EQ(D->TypeField->GetDefValue(), "7");
  EXPECT_EQ(Domain(T, "gone"), nullptr);  // an ALTER makes no domain up
  EXPECT_EQ(Infos(T), Names{"Statement passed over: ALTER DOMAIN."});

  // A change to a domain or type of the schema that the model cannot follow fails the script:
  // read past, the object would be compared as it was, and an update could undo the change.
  TPGParse U;
  EXPECT_FALSE(
      U.Parse("CREATE DOMAIN d AS integer CHECK (VALUE > 0);\r\n"
              "ALTER DOMAIN d RENAME CONSTRAINT d_check TO d_min;\r\n"
              "CREATE TYPE c AS (a integer);\r\n"
              "ALTER TYPE c ADD ATTRIBUTE b text;"));
  EXPECT_EQ(U.Errors().size(), 2u) << ::testing::PrintToString(U.Errors());
  for (std::size_t I = 1; I < T.Statements.size(); ++I) {
    EXPECT_EQ(T.Statements[I].ObjType, dboDomain);
    EXPECT_EQ(T.Statements[I].Operation, odbAlter);
  }
}

TEST(PGDomains, CheckNamesAndDroppedChecks) {
  // An unnamed check takes the name the server gives it; an update drops it by that name.
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE DOMAIN d AS integer CHECK (VALUE > 0) CONSTRAINT d_max CHECK (VALUE < 9) "
              "CHECK (VALUE <> 5);\r\n"
              "ALTER DOMAIN d ADD CHECK (VALUE <> 6);\r\n"
              "ALTER DOMAIN d DROP CONSTRAINT d_check1;\r\n"
              "ALTER DOMAIN d DROP CONSTRAINT IF EXISTS gone CASCADE;"))
      << ::testing::PrintToString(T.Errors());
  TDmnData* D = Domain(T, "d");
  Names Got;
  for (const TPGDomainCheck& C : D->PGChecks) Got.push_back(C.Name + (C.Named ? "!" : ""));
  // The added check was named d_check2 while d_check1 stood; written again it keeps that name.
  EXPECT_EQ(Got, (Names{"d_check", "d_max!", "d_check2!"}));
  EXPECT_EQ(D->TypeField->Extra().CheckText, "(VALUE > 0) CHECK (VALUE < 9) CHECK (VALUE <> 6)");
  EXPECT_EQ(D->Def(),
            "CREATE DOMAIN public.d integer CHECK (VALUE > 0) CONSTRAINT d_max CHECK (VALUE < 9) "
            "CONSTRAINT d_check2 CHECK (VALUE <> 6)");
  // The server refuses to drop a constraint the domain does not have.
  TPGParse U;
  EXPECT_FALSE(U.Parse("CREATE DOMAIN d AS integer;\r\nALTER DOMAIN d DROP CONSTRAINT d_check;"));
}

// ---------------------------------------------------------------------------------------------
// Conversions

TEST(PGConversions, EncodingsFunctionAndSchema) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE CONVERSION c FOR 'LATIN-1' TO 'UTF-8' FROM f;\r\n"
              "CREATE DEFAULT CONVERSION c2 FOR koi8r TO \"UTF8\" FROM conv.koi8r_to_utf8;\r\n"
              "CREATE CONVERSION other.c3 FOR 'LATIN1' TO 'UTF8' FROM conv.f3;"));
  auto Cnv = [&](const std::string& Name) {
    return dynamic_cast<TCnvData*>(T.Objs.Conversions.FindObj(Name));
  };
  ASSERT_NE(Cnv("c"), nullptr);
  EXPECT_EQ(Cnv("c")->SourceEncoding, "LATIN_1");
  EXPECT_EQ(Cnv("c")->DestEncoding, "UTF_8");
  EXPECT_EQ(Cnv("c")->GetSchema(), "public");
  EXPECT_FALSE(Cnv("c")->IsDefault);
  ASSERT_NE(Cnv("c2"), nullptr);
  EXPECT_TRUE(Cnv("c2")->IsDefault);
  EXPECT_EQ(Cnv("c2")->DestEncoding, "UTF8");
  EXPECT_EQ(Cnv("c2")->GetSchema(), "conv");  // from its function
  EXPECT_EQ(Cnv("c2")->FuncName, "koi8r_to_utf8");
  ASSERT_NE(Cnv("c3"), nullptr);
  EXPECT_EQ(Cnv("c3")->GetSchema(), "other");  // its own
}

// ---------------------------------------------------------------------------------------------
// Operators

TEST(PGOperators, DumpedOperators) {
  TPGParse T;
  ASSERT_TRUE(T.Parse(
      "CREATE OPERATOR public.=== (\r\n    FUNCTION = public.myeq,\r\n    LEFTARG = integer,\r\n"
      "    RIGHTARG = integer,\r\n    COMMUTATOR = OPERATOR(public.===),\r\n"
      "    NEGATOR = OPERATOR(public.!==),\r\n    MERGES,\r\n    HASHES,\r\n"
      "    RESTRICT = eqsel,\r\n    JOIN = eqjoinsel\r\n);\r\n"
      "CREATE OPERATOR public.@@ (\r\n    FUNCTION = public.myat,\r\n"
      "    LEFTARG = double precision,\r\n    RIGHTARG = character varying\r\n);\r\n"
      "CREATE OPERATOR ~~~ (PROCEDURE = neg, RIGHTARG = int4, SORT1 = <, LTCMP = <<=);"));
  auto* Eq = T.Objs.GetOperator("public.=== (integer, integer)");
  ASSERT_NE(Eq, nullptr);
  EXPECT_EQ(Eq->GetObjName(), "===");
  EXPECT_EQ(Eq->GetSchema(), "public");
  EXPECT_EQ(Eq->ProcName, "myeq");
  EXPECT_EQ(Eq->Commutator, "===");
  EXPECT_EQ(Eq->Negator, "!==");
  EXPECT_EQ(Eq->Restrict, "eqsel");
  EXPECT_EQ(Eq->Join, "eqjoinsel");
  EXPECT_TRUE(Eq->Hashes);
  EXPECT_TRUE(Eq->Merges);
  EXPECT_NE(T.Objs.GetOperator("public.@@ (double precision, varchar)"), nullptr);
  auto* Neg = T.Objs.GetOperator("public.~~~ (NONE, integer)");
  ASSERT_NE(Neg, nullptr);
  EXPECT_EQ(Neg->LeftArg, "");
  EXPECT_EQ(Neg->ProcName, "neg");
  EXPECT_EQ(Neg->Sort1, "<");
  EXPECT_EQ(Neg->LtCmp, "<<=");
  EXPECT_EQ(T.Statements[0].ObjType, dboOperator);
  EXPECT_EQ(T.Statements[0].ObjName, "===");
}

TEST(PGOperators, Names) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE OPERATOR !== (PROCEDURE = ne, LEFTARG = integer, RIGHTARG = integer);\r\n"
              "CREATE OPERATOR != (PROCEDURE = ne2, LEFTARG = text, RIGHTARG = text);\r\n"
              "CREATE OPERATOR <<=>>(PROCEDURE = f, LEFTARG = int, RIGHTARG = int);\r\n"
              "CREATE OPERATOR +-- a comment\r\n (PROCEDURE = plus, LEFTARG = int, RIGHTARG = "
              "int);"));
  EXPECT_NE(T.Objs.GetOperator("public.!== (integer, integer)"), nullptr);
  // The server reads != as <>.
  EXPECT_NE(T.Objs.GetOperator("public.<> (text, text)"), nullptr);
  EXPECT_NE(T.Objs.GetOperator("public.<<=>> (integer, integer)"), nullptr);
  EXPECT_NE(T.Objs.GetOperator("public.+ (integer, integer)"), nullptr);
}

TEST(PGOperators, ErrorsOfConversionsOperatorsAndClasses) {
  TPGParse T;
  EXPECT_FALSE(
      T.Parse("CREATE CONVERSION c FOR 1 TO 'UTF8' FROM f;\r\n"
              "CREATE OPERATOR (PROCEDURE = f);\r\n"
              "CREATE OPERATOR === (PROCEDURE = f, COLOR = red);\r\n"
              "CREATE OPERATOR CLASS c FOR TYPE int USING btree AS INDEX 1 foo;\r\n"
              "CREATE OPERATOR == (PROCEDURE = f, LEFTARG = int, RIGHTARG = int);"));
  EXPECT_EQ(T.Errors(), (Names{"Must be: <conversion_name> Near: \"1 TO 'UTF8' FROM f;\"",
                               "Missing OPERATOR-name Near: \"(PROCEDURE = f);\"",
                               "Unknown option for OPERATOR-declaration Near: \"COLOR = red);\"",
                               "Must be: OPERATOR / FUNCTION / STORAGE Near: \"INDEX 1 foo;\""}));
  EXPECT_EQ(T.Objs.Conversions.Count(), 0);
  EXPECT_EQ(T.Objs.OperatorClasses.Count(), 0);
  EXPECT_EQ(T.Objs.Operators.Count(), 1);
}

TEST(PGOperators, AlterOperatorFindsTheOperatorByItsOperands) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE OPERATOR + (PROCEDURE = f, LEFTARG = integer);\r\n"
              "CREATE OPERATOR + (PROCEDURE = g, LEFTARG = integer, RIGHTARG = integer);\r\n"
              "ALTER OPERATOR + (integer, NONE) OWNER TO u;\r\n"
              "ALTER OPERATOR public.+ (int4, int4) OWNER TO v;\r\n"
              "ALTER OPERATOR public.- (integer, integer) OWNER TO w;"));
  EXPECT_EQ(T.Objs.GetOperator("public.+ (integer, NONE)")->Extra().Creator, "u");
  EXPECT_EQ(T.Objs.GetOperator("public.+ (integer, integer)")->Extra().Creator, "v");
  EXPECT_EQ(T.Statements[2].ObjType, dboOperator);
  EXPECT_EQ(T.Statements[2].Operation, odbAlter);
}

// ---------------------------------------------------------------------------------------------
// Operator classes

TEST(PGOperatorClasses, DumpedClass) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE OPERATOR FAMILY public.myopc USING btree;\r\n"
              "ALTER OPERATOR FAMILY public.myopc USING btree OWNER TO qel;\r\n"
              "CREATE OPERATOR CLASS public.myopc\r\n"
              "    FOR TYPE integer USING btree FAMILY public.myopc AS\r\n"
              "    OPERATOR 1 <(integer,integer) ,\r\n"
              "    OPERATOR 3 public.===(integer,integer) ,\r\n"
              "    FUNCTION 1 (integer, integer) public.mycmp(integer,integer);\r\n"
              "ALTER OPERATOR CLASS public.myopc USING btree OWNER TO qel;"));
  auto* Opc = dynamic_cast<TOpcData*>(T.Objs.OperatorClasses.FindObj("myopc(btree)"));
  ASSERT_NE(Opc, nullptr);
  EXPECT_EQ(Opc->GetSchema(), "public");
  EXPECT_FALSE(Opc->IsDefault);
  EXPECT_EQ(Opc->DataType, "integer");
  EXPECT_EQ(Opc->IndexMethod, "btree");
  EXPECT_EQ(Opc->Extra().Creator, "qel");
  EXPECT_EQ(Entries(Opc->OprEntries),
            (Names{"public.< (integer, integer)", "public.=== (integer, integer)"}));
  auto* Op3 = dynamic_cast<TOpcOprData*>(Opc->OprEntries.Objects(1));
  ASSERT_NE(Op3, nullptr);
  EXPECT_EQ(Op3->Strategy, 3);
  EXPECT_EQ(Op3->OprName, "===");
  EXPECT_EQ(Entries(Opc->FncEntries), Names{"public.mycmp(integer, integer)"});
  auto* Fn = dynamic_cast<TOpcFncData*>(Opc->FncEntries.Objects(0));
  ASSERT_NE(Fn, nullptr);
  EXPECT_EQ(Fn->Support, 1);
  EXPECT_EQ(Fn->FuncName, "mycmp");
  EXPECT_EQ(Infos(T), (Names{"Statement passed over: CREATE OPERATOR FAMILY.",
                             "Statement passed over: ALTER OPERATOR FAMILY."}));
  EXPECT_EQ(T.Statements[2].ObjType, dboOperatorClass);
  EXPECT_EQ(T.Statements[3].ObjType, dboOperatorClass);
  EXPECT_EQ(T.Statements[3].Operation, odbAlter);
}

TEST(PGOperatorClasses, DefaultStorageAndOlderForms) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE OPERATOR CLASS gist_x DEFAULT FOR TYPE box USING gist AS\r\n"
              "  STORAGE box,\r\n"
              "  OPERATOR 1 << (box, box) RECHECK,\r\n"
              "  OPERATOR 2 <-> (box, point) FOR ORDER BY pg_catalog.float_ops,\r\n"
              "  OPERATOR 3 && FOR SEARCH,\r\n"
              "  FUNCTION 1 x_consistent (internal, box, int4),\r\n"
              "  FUNCTION 2 x_union;"));
  auto* Opc = dynamic_cast<TOpcData*>(T.Objs.OperatorClasses.FindObj("gist_x(gist)"));
  ASSERT_NE(Opc, nullptr);
  EXPECT_TRUE(Opc->IsDefault);
  EXPECT_EQ(Opc->StorageType, "box");
  EXPECT_EQ(Entries(Opc->OprEntries),
            (Names{"public.<< (box, box)", "public.<-> (box, point)", "public.&&"}));
  EXPECT_EQ(Entries(Opc->FncEntries),
            (Names{"public.x_consistent(internal, box, integer)", "public.x_union()"}));
}

// ---------------------------------------------------------------------------------------------
// Linking

TEST(PGTypeLinks, ObjectsAreLinkedToTheFunctionsTheyName) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE TYPE box2 (INPUT = box2_in, OUTPUT = public.box2_out);\r\n"
              "CREATE DOMAIN d AS integer;\r\n"
              "CREATE CONVERSION c FOR 'LATIN1' TO 'UTF8' FROM conv;\r\n"
              "CREATE OPERATOR === (FUNCTION = myeq, LEFTARG = integer, RIGHTARG = integer,\r\n"
              "  RESTRICT = eqsel);\r\n"
              "CREATE OPERATOR CLASS myopc FOR TYPE integer USING btree AS\r\n"
              "  OPERATOR 3 public.===(integer,integer), OPERATOR 4 ===,\r\n"
              "  FUNCTION 1 public.mycmp(integer,integer), FUNCTION 2 mycmp(integer);"));
  TPrcData* In = AddRoutine(T, "box2_in", 1);
  TPrcData* InOverload = AddRoutine(T, "box2_in", 2);
  TPrcData* Out = AddRoutine(T, "box2_out", 1);
  TPrcData* Conv = AddRoutine(T, "conv", 0);
  TPrcData* Eq = AddRoutine(T, "myeq", 2);
  TPrcData* Cmp2 = AddRoutine(T, "mycmp", 2);
  TPrcData* Cmp1 = AddRoutine(T, "mycmp", 1);
  TPrcData* Other = AddRoutine(T, "unused", 1);
  T.Parser.Link_Depend();

  TDmnData* Type = Domain(T, "box2");
  EXPECT_TRUE(Uses(*Type, In));
  EXPECT_TRUE(Uses(*Type, InOverload));  // every overload of the name
  EXPECT_TRUE(Uses(*Type, Out));
  EXPECT_EQ(Type->UseOf.Count(), 3);
  EXPECT_EQ(Domain(T, "d")->UseOf.Count(), 0);
  EXPECT_TRUE(Uses(*T.Objs.Conversions.FindObj("c"), Conv));
  TOprData* Opr = T.Objs.GetOperator("public.=== (integer, integer)");
  EXPECT_TRUE(Uses(*Opr, Eq));
  EXPECT_EQ(Opr->UseOf.Count(), 1);  // eqsel is no routine of the collection
  // Entries are found by their full key: the operator with its operands, the function with
  // its arguments.
  TDbObj* Opc = T.Objs.OperatorClasses.FindObj("myopc(btree)");
  EXPECT_TRUE(Uses(*Opc, Opr));
  EXPECT_TRUE(Uses(*Opc, Cmp2));
  EXPECT_TRUE(Uses(*Opc, Cmp1));
  EXPECT_EQ(Opc->UseOf.Count(), 3);
  EXPECT_EQ(Other->UseIn.Count(), 0);
  EXPECT_EQ(In->UseIn.Count(), 1);
}

TEST(PGDomains, ASecondOfOneNameInAnotherSchemaIsNamedNotTakenForTheFirst) {
  TPGParse T;
  T.Parse(
      "CREATE SCHEMA s2;\r\nCREATE DOMAIN code AS integer;\r\n"
      "CREATE DOMAIN s2.code AS text NOT NULL;\r\nCREATE TYPE s2.code AS (a integer);");
  TDmnData* D = Domain(T, "code");
  ASSERT_NE(D, nullptr);
  EXPECT_EQ(D->GetSchema(), "public");
  EXPECT_EQ(D->TypeField->FieldType, iftInteger);
  EXPECT_TRUE(D->TypeField->Nullable);
  EXPECT_EQ(T.Messages(mt_Wrn).size(), 2u);
}

}  // namespace
}  // namespace qel

namespace qel {
namespace {

// ---------------------------------------------------------------------------------------------
// What the server refuses or changes, read as it does

struct TServerRuleCase {
  const char* Name;
  const char* Script;
  TMsgType Type;
  const char* Message;  ///< the only message of Type; "" for none
  std::int32_t Line, Column;
};

const std::string L70(70, 'x');

const TServerRuleCase ServerRuleCases[] = {
    {"DomainCycle", "CREATE DOMAIN a AS b;\nCREATE DOMAIN b AS a;\nCREATE TABLE t (c a);", mt_Err,
     "Domains a, b are declared over each other; the server creates none of them.", 1, 15},
    {"DomainOverItself", "CREATE TABLE t (id integer);\nCREATE DOMAIN s AS s;", mt_Err,
     "Domain s is declared over itself; the server creates none of them.", 2, 15},
    {"UndefinedColumnType", "CREATE TABLE t1 (id nodomain);", mt_Err,
     "Type nodomain of t1.id is no type of the server's own and no statement defines it.", 1, 21},
    {"UndefinedParameterType",
     "CREATE FUNCTION f(p public.nosuch) RETURNS integer AS $$ SELECT 1 $$ LANGUAGE sql;", mt_Err,
     "Type nosuch of f.p is no type of the server's own and no statement defines it.", 1, 21},
    {"QuotedNameKeepsItsCase", "CREATE DOMAIN later AS integer;\nCREATE TABLE t (u \"Later\");",
     mt_Err, "Type Later of t.u is no type of the server's own and no statement defines it.", 2,
     19},
    {"ExtensionType", "CREATE TABLE t (e citext);", mt_Wrn,
     "Type citext of t.e is taken to come from an extension made outside the script.", 1, 19},
    {"KnownTypes",
     "CREATE TABLE t (a uuid, b _int4, c pg_catalog.int4, d ext.isbn, e later, f mood, g t2, "
     "h jsonb[], i later[]);\nCREATE TYPE mood AS ENUM ('x');\nCREATE TABLE t2 (id int);\n"
     "CREATE DOMAIN later AS integer;",
     mt_Err, "", 0, 0},
    {"TableIfNotExistsReadAlready",
     "CREATE TABLE t (a int);\nCREATE TABLE IF NOT EXISTS t (b int);", mt_Inf,
     "Table t exists already: CREATE TABLE IF NOT EXISTS passed over.", 2, 30},
    {"TableIfNotExistsNew", "CREATE TABLE IF NOT EXISTS t (b int);\nCREATE TABLE if (a int);",
     mt_Err, "", 0, 0},
    {"AddColumn", "CREATE TABLE t (a int);\nALTER TABLE t ADD COLUMN b int;", mt_Err,
     "ALTER TABLE ... ADD COLUMN is not read: write the column in CREATE TABLE of t. Near: "
     "\"COLUMN b int;\"",
     2, 19},
    {"AddWithoutColumn", "CREATE TABLE t (a int);\nALTER TABLE t ADD b int;", mt_Err,
     "ALTER TABLE ... ADD COLUMN is not read: write the column in CREATE TABLE of t. Near: "
     "\"b int;\"",
     2, 19},
};

void PrintTo(const TServerRuleCase& C, std::ostream* Os) {
  *Os << C.Name;
}

class PGServerRules : public ::testing::TestWithParam<TServerRuleCase> {};

TEST_P(PGServerRules, FormIsReadOrRefusedWhereItStands) {
  const TServerRuleCase& C = GetParam();
  TPGParse T;
  T.Parse(C.Script);
  T.Parser.TestKeyTables();
  const std::vector<const TMsgData*> Got = T.Messages(C.Type);
  if (*C.Message == '\0') {
    EXPECT_TRUE(Got.empty()) << Got.front()->Text;
    return;
  }
  ASSERT_EQ(Got.size(), 1u);
  EXPECT_EQ(Got[0]->Text, C.Message);
  EXPECT_EQ(Got[0]->ScriptName, "schema.sql");
  EXPECT_EQ(Got[0]->Line, C.Line);
  EXPECT_EQ(Got[0]->Column, C.Column);
}

INSTANTIATE_TEST_SUITE_P(Forms, PGServerRules, ::testing::ValuesIn(ServerRuleCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(PGServerNames, LongNamesAreCutAsTheServerCutsThem) {
  TPGParse T;
  // 33 two-byte letters: the cut falls inside the 32nd, which goes whole.
  std::string Wide;
  for (int I = 0; I < 33; ++I) Wide += "\xc3\xa9";
  ASSERT_TRUE(T.Parse("CREATE TABLE " + L70 + " (id integer PRIMARY KEY, " + L70 +
                      "_col integer CHECK (" + L70 + "_col > 0));\nCREATE TABLE \"" + Wide +
                      "\" (id integer);"));
  const std::string Cut = L70.substr(0, 63);
  ASSERT_NE(T.Table(Cut), nullptr);
  EXPECT_NE(T.Table(Cut)->Fields.Find(Cut), nullptr);
  EXPECT_NE(T.Table(Wide.substr(0, 62)), nullptr);
  // One warning per name, where it first stands.
  const std::vector<const TMsgData*> W = T.Messages(mt_Wrn);
  ASSERT_EQ(W.size(), 3u);
  EXPECT_EQ(W[0]->Text, "Name \"" + L70 +
                            "\" is longer than 63 bytes; read as the server keeps it: \"" + Cut +
                            "\".");
  EXPECT_EQ(W[0]->Line, 1);
  EXPECT_EQ(W[0]->Column, 14);
}

TEST(PGServerNames, TypeNamesWithADotAreWrittenQuotedWhole) {
  TPGParse T;
  ASSERT_TRUE(
      T.Parse("CREATE SCHEMA s;\nCREATE DOMAIN \"a.b\" AS integer;\nCREATE DOMAIN s.c AS integer;\n"
              "CREATE TABLE t (q \"a.b\", r \"a.b\"[], u s.c);"));
  const TTblData* Tbl = T.Table("t");
  ASSERT_NE(Tbl, nullptr);
  EXPECT_EQ(Tbl->Fields.Find("q")->FieldTypeDef(), "\"a.b\"");
  EXPECT_EQ(Tbl->Fields.Find("r")->FieldTypeDef(), "\"a.b\"[]");
  EXPECT_EQ(Tbl->Fields.Find("u")->FieldTypeDef(), "s.c");
}

}  // namespace
}  // namespace qel
