// The MySQL script parser: the lexical layer, statement dispatch and the SET forms, the table
// grammar, the output of SHOW CREATE TABLE and of dump files as MariaDB 10.11 writes them.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "qelComp_Idx.h"
#include "test_mysql_parser.h"

namespace qel {
namespace {

using testing::Entries;
using testing::TMyParse;
using Names = std::vector<std::string>;

TEST(MySQLQuote, QuotesWhatTheServerWouldNotReadBack) {
  EXPECT_EQ(MySQLQuoteIdent("ORDERS"), "ORDERS");
  EXPECT_EQ(MySQLQuoteIdent("Orders"), "`Orders`");
  EXPECT_EQ(MySQLQuoteIdent("ORDER"), "`ORDER`");
  EXPECT_EQ(MySQLQuoteIdent("a`b"), "`a``b`");
  EXPECT_EQ(MySQLQuoteIdent(""), "");
  EXPECT_EQ(MySQLSymbolByResWord("integer"), MySQLSymbolByResWord("INT"));
  EXPECT_EQ(MySQLSymbolByResWord("orders"), 1);
}

TEST(MySQLLex, BackQuotesCommentsAndStrings) {
  TMyParse P;
  ASSERT_TRUE(
      P.Parse("# a hash comment line\r\n"
              "-- a dash comment line\r\n"
              "/* block */ CREATE TABLE `Select` (`my col` varchar(10) "
              "DEFAULT 'it''s \\'x\\'', b char(2) DEFAULT \"q\"); # trailing\r\n"));
  TTblData* T = P.Table("Select");
  ASSERT_NE(T, nullptr);
  TFldData* C = P.Column("Select", "my col");
  ASSERT_NE(C, nullptr);
  EXPECT_EQ(C->FieldType, iftVarchar);
  EXPECT_EQ(C->Size, 10);
  EXPECT_EQ(C->DefValue, "'it''s ''x'''");
  EXPECT_EQ(P.Column("Select", "b")->DefValue, "'q'");
  // A character-set introducer before a string; a name beginning with "_" otherwise.
  TMyParse Intro;
  ASSERT_TRUE(Intro.Parse("CREATE TABLE t (_id int, c varchar(3) DEFAULT _utf8mb4'x');"));
  EXPECT_NE(Intro.Column("t", "_id"), nullptr);
  EXPECT_EQ(Intro.Column("t", "c")->DefValue, "'x'");
}

TEST(MySQLLex, CaseFoldingFollowsTheCompareOption) {
  TMyParse Folded(false);
  ASSERT_TRUE(Folded.Parse("create table t1 (a int, `b` int);"));
  ASSERT_NE(Folded.Table("T1"), nullptr);
  EXPECT_NE(Folded.Column("T1", "A"), nullptr);
  EXPECT_NE(Folded.Column("T1", "B"), nullptr);
  TMyParse Kept(true);
  ASSERT_TRUE(Kept.Parse("create table t1 (a int);"));
  EXPECT_NE(Kept.Column("t1", "a"), nullptr);
}

TEST(MySQLStatements, DispatchRecordsOnlyTheCarriedKinds) {
  TMyParse P;
  ASSERT_TRUE(
      P.Parse("USE shop;\r\n"
              "SET NAMES 'utf8mb4';\r\n"
              "SET CHARACTER SET latin1;\r\n"
              "SET FOREIGN_KEY_CHECKS = 0;\r\n"
              "SET BLOBFILE 'x.lob';\r\n"
              "SELECT 'CREATING DATABASE STRUCTURE' as 'INFO';\r\n"
              "CREATE TABLE t (a int);\r\n"
              "CREATE INDEX ix ON t (a);\r\n"
              "INSERT INTO t VALUES (1);\r\n"
              "UPDATE t SET a = 2;\r\n"
              "DELETE FROM t WHERE a = 2;\r\n"
              "TRUNCATE TABLE t;\r\n"
              "DROP TABLE IF EXISTS t;\r\n"
              "COMMIT;\r\n"));
  std::vector<TStatType> Types;
  for (const auto& S : P.Statements) Types.push_back(S.Typ);
  EXPECT_EQ(Types, (std::vector<TStatType>{stConnect, stSetNames, stCharSet, stSet, stSetBlobFile,
                                           stStatement, stInsert, stUpdate, stDelete, stDelete,
                                           st_Commit}));
  EXPECT_EQ(P.Statements[0].ObjName, "shop");
  EXPECT_EQ(P.Statements[1].ObjName, "'utf8mb4'");
  EXPECT_EQ(P.Statements[4].ObjName, "x.lob");
  EXPECT_EQ(P.Statements[5].Text, "CREATE TABLE t (a int)");
  EXPECT_EQ(P.Statements[6].ObjName, "t");
  EXPECT_EQ(P.Objs.MySQLServerOptions.Names, "'utf8mb4'");
  EXPECT_EQ(P.Objs.MySQLServerOptions.CharSet, "latin1");
  EXPECT_EQ(P.Parser.ConnectionOptions.GetDatabaseName(), "shop");
  // DROP TABLE removes nothing; the index stays.
  EXPECT_NE(P.Table("t"), nullptr);
  EXPECT_NE(P.Index("t", "ix"), nullptr);
}

TEST(MySQLStatements, PreparedStatementsArePassedOverAndSaidSo) {
  // Rows: the statement, the message and its kind (what EXECUTE runs may change the schema).
  const struct {
    const char* Text;
    const char* Message;
    TMsgType Type;
  } Rows[] = {
      {"PREPARE stmt FROM @s", "Statement passed over: PREPARE.", mt_Wrn},
      {"EXECUTE stmt USING @a, @b", "Statement passed over: EXECUTE.", mt_Wrn},
      {"DEALLOCATE PREPARE stmt", "Statement passed over: DEALLOCATE PREPARE.", mt_Inf},
      {"DROP PREPARE stmt", "Statement passed over: DEALLOCATE PREPARE.", mt_Inf},
  };
  for (const auto& R : Rows) {
    TMyParse P;
    EXPECT_TRUE(P.Parse(std::string(R.Text) + ";\nCREATE TABLE t (a int);")) << R.Text;
    EXPECT_EQ(P.Messages(R.Type), Names{R.Message}) << R.Text;
    EXPECT_NE(P.Table("t"), nullptr) << R.Text;
  }
}

TEST(MySQLStatements, UseEndsAtItsLineAsTheClientEndsIt) {
  // The client ends its own command USE at the line: the next line's statement is read.
  for (const char* Text :
       {"USE shop\nCREATE TABLE t (a int);", "USE `shop`  \r\nCREATE TABLE t (a int);",
        "USE shop;\nCREATE TABLE t (a int);"}) {
    TMyParse P;
    EXPECT_TRUE(P.Parse(Text)) << Text;
    EXPECT_EQ(P.Parser.ConnectionOptions.GetDatabaseName(), "shop") << Text;
    EXPECT_NE(P.Table("t"), nullptr) << Text;
  }
}

TEST(MySQLStatements, ErrorsPassTheStatementOverAndReadingGoesOn) {
  TMyParse P;
  EXPECT_FALSE(
      P.Parse("FROB x y z;\r\nCREATE TABLE t (a nosuchtype, b int);\r\n"
              "CREATE TABLE u (a int)\r\nCREATE TABLE v (a int);"));
  const Names Errors = P.Messages(mt_Err);
  ASSERT_GE(Errors.size(), 3u);
  EXPECT_EQ(Errors[0], "Missing: DDL-statement. <Proc: ParseText>");
  EXPECT_EQ(Errors[1].rfind("Invalid field-type: ", 0), 0u);
  EXPECT_EQ(Errors[2].rfind("Missing: <TERM>", 0), 0u);
  EXPECT_EQ(P.Shown.size(), 1u);
  EXPECT_NE(P.Table("t"), nullptr);  // made as far as it was read
}

TEST(MySQLTable, ColumnsTypesAndDefaults) {
  TMyParse P;
  ASSERT_TRUE(
      P.Parse("CREATE TEMPORARY TABLE IF NOT EXISTS t (\r\n"
              "  `id` int(11) NOT NULL AUTO_INCREMENT,\r\n"
              "  d decimal(10,2) DEFAULT '0.00',\r\n"
              "  d2 numeric(8,3) DEFAULT 1.5,\r\n"
              "  n int DEFAULT '7', m mediumint(9) unsigned zerofill DEFAULT -3,\r\n"
              "  ts timestamp NOT NULL DEFAULT CURRENT_TIMESTAMP ON UPDATE CURRENT_TIMESTAMP,\r\n"
              "  ts2 datetime DEFAULT current_timestamp() ON UPDATE current_timestamp(),\r\n"
              "  c national char(3) character set utf8 collate utf8_bin binary,\r\n"
              "  e enum('a','b''c') DEFAULT 'a', s set('x','y'),\r\n"
              "  f double precision, g real, b bit(1), bo bool, y year(4),\r\n"
              "  tx text COMMENT 'notes', nul varchar(5) NULL DEFAULT NULL, gm geometry\r\n"
              ") ENGINE=HEAP DEFAULT CHARSET=utf8 PACK_KEYS=1 COMMENT='tbl' AUTO_INCREMENT=5;"));
  TTblData* T = P.Table("t");
  ASSERT_NE(T, nullptr);
  EXPECT_TRUE(T->GlobalTemporary);
  EXPECT_EQ(T->Fields.Count(), 18);
  TFldData* Id = P.Column("t", "id");
  EXPECT_EQ(Id->FieldType, iftInteger);
  EXPECT_TRUE(Id->AutoIncrement);
  EXPECT_FALSE(Id->Nullable);
  EXPECT_EQ(Id->Precision, 0);
  TFldData* D = P.Column("t", "d");
  EXPECT_EQ(D->Precision, 10);
  EXPECT_EQ(D->Scale, 2);
  // Numeric defaults are kept as the server writes them, unquoted and in the column's scale.
  EXPECT_EQ(D->DefValue, "0.00");
  EXPECT_EQ(P.Column("t", "d2")->FieldType, iftDecimal);
  EXPECT_EQ(P.Column("t", "d2")->DefValue, "1.500");
  EXPECT_EQ(P.Column("t", "n")->DefValue, "7");
  TFldData* M = P.Column("t", "m");
  EXPECT_EQ(M->Precision, 9);
  EXPECT_TRUE(M->UnsignedAttr);
  EXPECT_TRUE(M->ZeroFill);
  EXPECT_EQ(M->DefValue, "-3");
  EXPECT_EQ(P.Column("t", "ts")->DefValue, "CURRENT_TIMESTAMP ON UPDATE CURRENT_TIMESTAMP");
  EXPECT_EQ(P.Column("t", "ts2")->DefValue, "CURRENT_TIMESTAMP ON UPDATE CURRENT_TIMESTAMP");
  TFldData* C = P.Column("t", "c");
  EXPECT_EQ(C->FieldType, iftChar);  // the server keeps a national char as a char
  EXPECT_EQ(C->Size, 3);
  EXPECT_EQ(C->Extra().CharSet, "utf8mb3");
  EXPECT_EQ(C->Extra().Collation, "utf8mb3_bin");
  EXPECT_TRUE(C->BinaryAttr);
  EXPECT_EQ(Entries(P.Column("t", "e")->Extra().Values), (Names{"'a'", "'b''c'"}));
  EXPECT_EQ(P.Column("t", "e")->DefValue, "'a'");
  EXPECT_EQ(P.Column("t", "s")->FieldType, iftSet);
  EXPECT_EQ(P.Column("t", "f")->FieldType, iftDouble);
  EXPECT_EQ(P.Column("t", "b")->FieldType, iftBit);
  EXPECT_EQ(P.Column("t", "bo")->FieldType, iftTinyInt);
  EXPECT_EQ(P.Column("t", "tx")->Extra().Description, "notes");
  EXPECT_EQ(P.Column("t", "nul")->DefValue, "");
  EXPECT_EQ(P.Column("t", "gm")->FieldType, iftGeometry);
  EXPECT_EQ(T->Extra().MySQLOptions.Engine, "MEMORY");
  EXPECT_EQ(T->Extra().MySQLOptions.GetDefCharSet(), "utf8mb3");
  EXPECT_EQ(T->Extra().MySQLOptions.PackKeys, "1");
  EXPECT_EQ(T->Extra().Description, "tbl");
}

TEST(MySQLTable, TypeWordsAndTheirLengths) {
  // Types of more than one word, types named by identifiers, and which "(n)" is a length.
  struct TCase {
    const char* Type;
    TDBFieldType Field;
    int Size, Precision, Scale;
    const char* Domain;
  };
  const TCase Cases[] = {
      {"char varying(20)", iftVarchar, 20, 0, 0, ""},
      {"national varchar(30)", iftVarchar, 30, 0, 0, ""},
      {"national char", iftChar, 1, 0, 0, ""},
      {"nvarchar(50)", iftVarchar, 50, 0, 0, ""},
      {"national character varying(4)", iftVarchar, 4, 0, 0, ""},
      {"character(5)", iftChar, 5, 0, 0, ""},
      {"double precision(10,2)", iftDouble, 0, 10, 2, ""},
      {"dec(5,1)", iftDecimal, 0, 5, 1, ""},
      {"numeric", iftDecimal, 0, 10, 0, ""},
      {"varbinary(100)", iftVarBinary, 100, 0, 0, ""},
      {"bit(8)", iftBit, 0, 8, 0, ""},
      {"tinyint(3)", iftTinyInt, 0, 3, 0, ""},
      {"multipolygon", iftMultiPolygon, 0, 0, 0, ""},
      {"timestamp", iftTimeStamp, 0, 0, 0, ""},
      {"uuid", iftDomain, 0, 0, 0, "UUID"},
      {"inet6", iftDomain, 0, 0, 0, "INET6"},
      {"int1", iftTinyInt, 0, 0, 0, ""},
      {"int2(6)", iftSmallInt, 0, 0, 0, ""},
      {"int3", iftMediumInt, 0, 0, 0, ""},
      {"middleint(5)", iftMediumInt, 0, 5, 0, ""},
      {"int4", iftInteger, 0, 0, 0, ""},
      {"int8", iftBigInt, 0, 0, 0, ""},
  };
  for (const TCase& C : Cases) {
    TMyParse P;
    ASSERT_TRUE(P.Parse(std::string("CREATE TABLE t (c ") + C.Type + ");")) << C.Type;
    const TFldData* F = P.Column("t", "c");
    ASSERT_NE(F, nullptr) << C.Type;
    EXPECT_EQ(F->FieldType, C.Field) << C.Type;
    EXPECT_EQ(F->Size, C.Size) << C.Type;
    EXPECT_EQ(F->Precision, C.Precision) << C.Type;
    EXPECT_EQ(F->Scale, C.Scale) << C.Type;
    EXPECT_EQ(F->Extra().DomainName, C.Domain) << C.Type;
  }
}

TEST(MySQLTable, UnreservedKeywordsServeAsNames) {
  TMyParse P(false);
  ASSERT_TRUE(
      P.Parse("CREATE TABLE date (date date, text text, year year, status enum('a'), "
              "KEY (date, year));\r\nALTER TABLE date MODIFY time time;"));
  EXPECT_EQ(P.Column("DATE", "DATE")->FieldType, iftDate);
  EXPECT_EQ(P.Column("DATE", "TEXT")->FieldType, iftText);
  EXPECT_EQ(P.Column("DATE", "YEAR")->FieldType, iftYear);
  EXPECT_NE(P.Index("DATE", "DATE"), nullptr);
  // A reserved word is no name.
  TMyParse R;
  EXPECT_FALSE(R.Parse("CREATE TABLE t (select int);"));
}

TEST(MySQLTable, KeysAreReadAsTheServerKeepsThem) {
  TMyParse P;
  ASSERT_TRUE(
      P.Parse("CREATE TABLE p (k int, name varchar(40), CONSTRAINT pk PRIMARY KEY (k), "
              "UNIQUE (name), KEY ix (name(10)), KEY (name), FULLTEXT KEY ft (name));\r\n"
              "CREATE TABLE c (id INT PRIMARY KEY, pk int, b int, "
              "FOREIGN KEY (pk) REFERENCES p ON DELETE CASCADE ON UPDATE SET NULL, "
              "CONSTRAINT fk2 FOREIGN KEY (b) REFERENCES p (k) ON DELETE NO ACTION, "
              "KEY b_first (b, pk));"));
  // The primary key keeps no name and makes its columns NOT NULL.
  const auto PKs = P.Constraints("p", ctPKey);
  ASSERT_EQ(PKs.size(), 1u);
  EXPECT_EQ(PKs[0]->GetObjName(), "");
  EXPECT_FALSE(P.Column("p", "k")->Nullable);
  // UNIQUE is a unique index named after its column; a second unnamed key on it takes "_2".
  EXPECT_TRUE(P.Constraints("p", ctUnique).empty());
  ASSERT_NE(P.Index("p", "name"), nullptr);
  EXPECT_TRUE(P.Index("p", "name")->Unique);
  ASSERT_NE(P.Index("p", "name_2"), nullptr);
  TIdxData* Ix = P.Index("p", "ix");
  ASSERT_NE(Ix, nullptr);
  ASSERT_EQ(Ix->Flds.Count(), 1);
  EXPECT_EQ(dynamic_cast<TFldData*>(Ix->Flds.Objects(0))->Size, 10);
  EXPECT_TRUE(P.Index("p", "ft")->FullText);

  EXPECT_FALSE(P.Column("c", "id")->Nullable);
  const auto PK = P.Constraints("c", ctPKey);
  ASSERT_EQ(PK.size(), 1u);
  EXPECT_EQ(Entries(PK[0]->FldList), Names{"id"});
  const auto FKs = P.Constraints("c", ctFKey);
  ASSERT_EQ(FKs.size(), 2u);
  TCtrData* Fk1 = FKs[0]->GetObjName() == "c_ibfk_1" ? FKs[0] : FKs[1];
  TCtrData* Fk2 = Fk1 == FKs[0] ? FKs[1] : FKs[0];
  EXPECT_EQ(Fk1->GetObjName(), "c_ibfk_1");
  EXPECT_EQ(Entries(Fk1->Extra().RefFldList), Names{"k"});  // taken from p's primary key
  EXPECT_EQ(Fk1->OnDelete, udaCascade);
  EXPECT_EQ(Fk1->OnUpdate, udaNull);
  EXPECT_EQ(Fk2->GetObjName(), "fk2");
  EXPECT_EQ(Fk2->OnDelete, udaNoAction);
  // pk leads no key: the server adds one named after the column; b leads b_first.
  EXPECT_NE(P.Index("c", "pk"), nullptr);
  EXPECT_EQ(P.Index("c", "fk2"), nullptr);
  EXPECT_EQ(P.Indexes("c").size(), 2u);
}

TEST(MySQLTable, AlterTableAndStandAloneIndex) {
  TMyParse P;
  ASSERT_TRUE(
      P.Parse("CREATE TABLE t (a int, b int);\r\n"
              "ALTER TABLE t ADD PRIMARY KEY (a);\r\n"
              "ALTER TABLE t ADD CONSTRAINT fk FOREIGN KEY (b) REFERENCES t (a);\r\n"
              "ALTER TABLE t MODIFY COLUMN b bigint NOT NULL DEFAULT 3;\r\n"
              "CREATE UNIQUE INDEX ub ON t (b);\r\n"));
  EXPECT_EQ(P.Constraints("t", ctPKey).size(), 1u);
  EXPECT_EQ(P.Constraints("t", ctFKey).size(), 1u);
  // The index the server made for fk gives way to ub, which begins with its column.
  EXPECT_EQ(P.Index("t", "fk"), nullptr);
  EXPECT_EQ(P.Indexes("t").size(), 1u);
  TFldData* B = P.Column("t", "b");
  EXPECT_EQ(B->FieldType, iftBigInt);
  EXPECT_FALSE(B->Nullable);
  EXPECT_EQ(B->DefValue, "3");
  EXPECT_EQ(B->Position, 2);
  EXPECT_TRUE(P.Index("t", "ub")->Unique);
  TMyParse Bad;
  EXPECT_FALSE(Bad.Parse("CREATE TABLE t (a int);\r\nALTER TABLE t RENAME u;"));
  EXPECT_EQ(Bad.Messages(mt_Err)[0], "Unknown/Invalid symbol in ALTER TABLE statement: <Ident>");
}

TEST(MySQLTable, ReadsShowCreateTableOfMariaDB1011) {
  // As SHOW CREATE TABLE writes it on MariaDB 10.11.
  TMyParse P;
  ASSERT_TRUE(P.Parse(
      "CREATE TABLE `Orders` (\n"
      "  `id` int(11) NOT NULL AUTO_INCREMENT,\n"
      "  `placed` timestamp NOT NULL DEFAULT current_timestamp() ON UPDATE current_timestamp(),\n"
      "  `qty` int(11) DEFAULT 0 CHECK (`qty` >= 0),\n"
      "  `total` decimal(10,2) GENERATED ALWAYS AS (`qty` * 2) VIRTUAL,\n"
      "  `ref` uuid DEFAULT uuid(),\n"
      "  `ip` inet6 DEFAULT NULL,\n"
      "  `doc` longtext CHARACTER SET utf8mb4 COLLATE utf8mb4_bin DEFAULT NULL CHECK "
      "(json_valid(`doc`)),\n"
      "  PRIMARY KEY (`id`) USING BTREE,\n"
      "  UNIQUE KEY `uq` (`qty`,`id`) USING HASH,\n"
      "  KEY `ix_placed` (`placed`) COMMENT 'by time',\n"
      "  CONSTRAINT `CONSTRAINT_1` CHECK (`qty` < 1000)\n"
      ") ENGINE=InnoDB AUTO_INCREMENT=3 DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci "
      "ROW_FORMAT=DYNAMIC COMMENT='orders';"));
  TTblData* T = P.Table("Orders");
  ASSERT_NE(T, nullptr);
  EXPECT_EQ(T->Fields.Count(), 7);
  EXPECT_EQ(P.Column("Orders", "placed")->DefValue,
            "CURRENT_TIMESTAMP ON UPDATE CURRENT_TIMESTAMP");
  EXPECT_EQ(P.Column("Orders", "qty")->DefValue, "0");
  EXPECT_EQ(P.Column("Orders", "total")->Extra().GeneratedExpr, "(qty*2) VIRTUAL");
  EXPECT_EQ(P.Column("Orders", "ref")->FieldType, iftDomain);
  EXPECT_EQ(P.Column("Orders", "ref")->Extra().DomainName, "UUID");
  EXPECT_EQ(T->Extra().MySQLOptions.Engine, "InnoDB");
  EXPECT_EQ(T->Extra().MySQLOptions.Collation, "utf8mb4_general_ci");
  EXPECT_EQ(T->Extra().Description, "orders");
  EXPECT_TRUE(P.Index("Orders", "uq")->Unique);
  EXPECT_NE(P.Index("Orders", "ix_placed"), nullptr);
}

TEST(MySQLTable, TableOptionsAreWrittenAsRead) {
  // The options as a script gives them; as the table text writes them, which reads back the same.
  const std::pair<std::string, std::string> Rows[] = {
      {"DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci",
       "\r\nDEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci"},
      {"COLLATE utf8_bin", "\r\nDEFAULT CHARSET=utf8mb3 COLLATE=utf8mb3_bin"},
      {"CHARSET=latin1", "\r\nDEFAULT CHARSET=latin1"},  // the server's default collation
      {"engine=innodb row_format=dynamic PACK_KEYS=1",
       "\r\nENGINE=InnoDB\r\nPACK_KEYS=1\r\nROW_FORMAT=DYNAMIC"},
  };
  for (const auto& [Options, Written] : Rows) {
    TMyParse P;
    ASSERT_TRUE(P.Parse("CREATE TABLE t (a int) " + Options + ";")) << Options;
    EXPECT_EQ(P.Table("t")->MySQLOptionsDef(), Written) << Options;
    TMyParse Back;
    ASSERT_TRUE(Back.Parse("CREATE TABLE t (a int)" + Written + ";")) << Written;
    EXPECT_EQ(Back.Table("t")->MySQLOptionsDef(), Written);
  }
}

TEST(MySQLTable, UnquotedNumericDefaultsEqualQuotedOnes) {
  TMyParse Script;
  ASSERT_TRUE(
      Script.Parse("CREATE TABLE t (a int DEFAULT '0', b decimal(6,2) DEFAULT '1', "
                   "c double DEFAULT '2.5', d varchar(3) DEFAULT '0');"));
  TMyParse Catalog;
  ASSERT_TRUE(
      Catalog.Parse("CREATE TABLE `t` (`a` int(11) DEFAULT 0, `b` decimal(6,2) DEFAULT "
                    "1.00, `c` double DEFAULT 2.5, `d` varchar(3) DEFAULT '0');"));
  for (const char* C : {"a", "b", "c", "d"})
    EXPECT_EQ(Script.Column("t", C)->GetDefValue(), Catalog.Column("t", C)->GetDefValue()) << C;
  EXPECT_EQ(Script.Column("t", "d")->DefValue, "'0'");  // a string stays a string
}

TEST(MySQLTable, DefaultsReadAsTheServerWritesThem) {
  // A column type, a default as a script writes it, and as SHOW CREATE TABLE of MariaDB 10.11
  // gives it back: both read alike.
  struct TCase {
    const char* Type;
    const char* Script;
    const char* Server;
  };
  const TCase Cases[] = {
      {"tinyint(1)", "true", "1"},
      {"int", "FALSE", "0"},
      {"decimal(5,2)", "TRUE", "1.00"},
      {"varchar(5)", "true", "'1'"},
      {"varchar(9)", "5", "'5'"},
      {"varchar(9)", "+7", "'7'"},
      {"varchar(9)", "007", "'7'"},
      {"varchar(9)", ".5", "'0.5'"},
      {"varchar(9)", "1.50", "'1.50'"},
      {"char(3)", "-0", "'0'"},
      {"varchar(9)", "'007'", "'007'"},
      {"double", "'2.50'", "2.5"},
      {"double", "2.0", "2"},
      {"float", "1e3", "1000"},
      {"double", "1.5e-7", "0.00000015"},
      {"double", "-.5", "-0.5"},
      {"double", "1e14", "100000000000000"},
      {"double", "1e15", "1e15"},
      {"float", "0.000123", "0.000123"},
      {"double", "-0.0", "0"},
      {"double(10,2)", "1.5", "1.50"},
      {"float(7,3)", "'2'", "2.000"},
      {"datetime", "current_timestamp(0)", "current_timestamp()"},
      {"datetime(2)", "LOCALTIMESTAMP(2)", "current_timestamp(2)"},
  };
  for (const TCase& C : Cases) {
    TMyParse Script;
    ASSERT_TRUE(
        Script.Parse(std::string("CREATE TABLE t (c ") + C.Type + " DEFAULT " + C.Script + ");"))
        << C.Type << " " << C.Script;
    TMyParse Catalog;
    ASSERT_TRUE(Catalog.Parse(std::string("CREATE TABLE `t` (`c` ") + C.Type + " DEFAULT " +
                              C.Server + ");"));
    EXPECT_EQ(Script.Column("t", "c")->GetDefValue(), Catalog.Column("t", "c")->GetDefValue())
        << C.Type << " DEFAULT " << C.Script;
  }
}

TEST(MySQLDump, DumpFileReadsWithoutErrors) {
  // The head and framing of mariadb-dump --no-data output.
  TMyParse P;
  ASSERT_TRUE(
      P.Parse("/*M!999999\\- enable the sandbox mode */ \n"
              "-- MariaDB dump 10.19  Distrib 10.11.6-MariaDB, for debian-linux-gnu (x86_64)\n"
              "/*!40101 SET @OLD_CHARACTER_SET_CLIENT=@@CHARACTER_SET_CLIENT */;\n"
              "/*!40103 SET TIME_ZONE='+00:00' */;\n"
              "/*!40014 SET @OLD_UNIQUE_CHECKS=@@UNIQUE_CHECKS, UNIQUE_CHECKS=0 */;\n"
              "DROP TABLE IF EXISTS `t`;\n"
              "/*!40101 SET @saved_cs_client     = @@character_set_client */;\n"
              "/*!40101 SET character_set_client = utf8 */;\n"
              "CREATE TABLE `t` (\n  `a` int(11) NOT NULL,\n  PRIMARY KEY (`a`)\n"
              ") ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;\n"
              "/*!40101 SET character_set_client = @saved_cs_client */;\n"
              "SET @saved_cs_client     = @@character_set_client;\n"
              "SET character_set_client = utf8;\n"
              "/*!50001 CREATE VIEW `v` AS SELECT\n 1 AS `a` */;\n"
              "SET character_set_client = @saved_cs_client;\n"
              "/*!50001 DROP VIEW IF EXISTS `v`*/;\n"
              "/*!50001 CREATE ALGORITHM=UNDEFINED */\n"
              "/*!50013 DEFINER=`root`@`localhost` SQL SECURITY DEFINER */\n"
              "/*!50001 VIEW `v` AS select `t`.`a` AS `a` from `t` */;\n"
              "/*M!100100 CREATE VIEW `w` AS SELECT 2 AS `b` */;\n"
              "/*M!110000 CREATE VIEW `newer` AS SELECT 3 AS `c` */;\n"
              "DELIMITER ;;\n"
              "/*!50003 CREATE*/ /*!50017 DEFINER=`root`@`localhost`*/ /*!50003 TRIGGER tr "
              "AFTER INSERT ON t FOR EACH ROW BEGIN\n  UPDATE t SET a = a; END */;;\n"
              "DELIMITER ;\n"
              "/*!50003 DROP FUNCTION IF EXISTS `f` */;\n"
              "DELIMITER ;;\n"
              "CREATE DEFINER=`root`@`localhost` FUNCTION `f`() RETURNS int(11)\n"
              "BEGIN\n  DECLARE x INT;\n  RETURN 1;\nEND ;;\n"
              "DELIMITER ;\n"
              "DELIMITER $$\n"
              "CREATE PROCEDURE p()\nBEGIN\n  SELECT 1;\nEND$$\n"
              "DELIMITER ;\n"
              "CREATE TABLE after_routines (b int);\n"
              "/*!40111 SET SQL_NOTES=@OLD_SQL_NOTES */;\n"
              "-- Dump completed on 2026-12-07  8:00:00\n"));
  EXPECT_NE(P.Table("after_routines"), nullptr);
  EXPECT_NE(P.Table("t"), nullptr);
  // Version comments are read as the server reads them: the stand-in view is dropped and the
  // view proper read; a newer server's text stays a comment.
  auto* V = dynamic_cast<TViwData*>(P.Objs.Views.FindObj("v"));
  ASSERT_NE(V, nullptr);
  EXPECT_EQ(V->Extra().Body, "select `t`.`a` AS `a` from `t`");
  EXPECT_NE(P.Objs.Views.FindObj("w"), nullptr);
  EXPECT_EQ(P.Objs.Views.FindObj("newer"), nullptr);
}

TEST(MySQLTable, ChecksTheModelDoesNotKeepAreNamedOnce) {
  TMyParse P;
  ASSERT_TRUE(
      P.Parse("CREATE TABLE t (a INT CHECK (a > 0), j LONGTEXT CHECK (json_valid(`j`)),"
              " CONSTRAINT ck_b CHECK (a < 10));\n"
              "ALTER TABLE t ADD CONSTRAINT ck_ab CHECK (a <> 5);\n"));
  std::vector<std::string> Warnings;
  for (int I = 0; I < P.Parser.MsgManager.GetMsgCount(); ++I)
    if (P.Parser.MsgManager.Items(I).MsgType == mt_Wrn)
      Warnings.push_back(P.Parser.MsgManager.Items(I).Text);
  // The server's own check of a JSON column is the column's type, not named.
  const std::string Tail = " not kept; it is neither compared nor written.";
  EXPECT_EQ(Warnings, (Names{"Table t: CHECK (a > 0)" + Tail, "Table t: CHECK ck_b (a < 10)" + Tail,
                             "Table t: CHECK ck_ab (a <> 5)" + Tail}));
}

TEST(MySQLView, ViewHeaderAndBody) {
  TMyParse P;
  ASSERT_TRUE(
      P.Parse("CREATE OR REPLACE ALGORITHM=MERGE DEFINER=`root`@`localhost` SQL "
              "SECURITY INVOKER VIEW db.v (x, y) AS select a, b from t;\r\n"
              "CREATE VIEW w AS select 1;"));
  auto* V = dynamic_cast<TViwData*>(P.Objs.Views.FindObj("v"));
  ASSERT_NE(V, nullptr);
  EXPECT_EQ(V->Algorithm, "MERGE");
  EXPECT_EQ(V->SqlSecurity, "INVOKER");
  EXPECT_EQ(V->Fields.Count(), 2);
  EXPECT_EQ(V->Extra().Body, "select a, b from t");
  EXPECT_NE(P.Objs.Views.FindObj("w"), nullptr);
}

TEST(MySQLObjText, ReparsesCatalogTextIntoTheObject) {
  TMyParse P;
  auto Tbl = std::make_unique<TTblData>(&P.Objs);
  Tbl->SetObjName("t");
  Tbl->SetBody("CREATE TABLE `t` (\n  `a` int(11) NOT NULL,\n  KEY `ia` (`a`)\n) ENGINE=InnoDB");
  TTblData* T = Tbl.get();
  ASSERT_TRUE(P.Objs.AddObj(std::move(Tbl)));
  P.Parser.ParseObjText(T);
  EXPECT_EQ(T->Fields.Count(), 1);
  EXPECT_EQ(P.Objs.Tables.Count(), 1);  // not filed again
  EXPECT_NE(P.Index("t", "ia"), nullptr);
  // Errors name the object.
  auto Bad = std::make_unique<TTblData>(&P.Objs);
  Bad->SetObjName("b");
  Bad->SetBody("CREATE TABLE `b` (`a` frob)");
  TTblData* B = Bad.get();
  ASSERT_TRUE(P.Objs.AddObj(std::move(Bad)));
  P.Parser.ParseObjText(B);
  const Names Errors = P.Messages(mt_Err);
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0].rfind("Table b: Invalid field-type: ", 0), 0u);
}

TEST(MySQLTable, ColumnsOfAScriptWriteAsTheServerShowsThem) {
  // Column text of a script, the same column as SHOW CREATE TABLE gives it back on MariaDB
  // 10.11, and the text both are written as: equal texts are no change.
  struct TCase {
    const char* Script;
    const char* Server;
    const char* Written;
  };
  static const TCase Cases[] = {
      {"int", "int(11)", "INTEGER"},
      {"int unsigned", "int(10) unsigned", "INTEGER UNSIGNED"},
      {"int(4) zerofill", "int(4) unsigned zerofill", "INTEGER(4) UNSIGNED ZEROFILL"},
      {"tinyint(1)", "tinyint(1)", "TINYINT(1)"},
      {"BOOLEAN", "tinyint(1)", "TINYINT(1)"},
      {"bigint", "bigint(20)", "BIGINT"},
      {"year", "year(4)", "YEAR"},
      {"bit", "bit(1)", "BIT"},
      {"bit(8)", "bit(8)", "BIT(8)"},
      {"binary", "binary(1)", "BINARY(1)"},
      {"binary(16)", "binary(16)", "BINARY(16)"},
      {"varbinary(32)", "varbinary(32)", "VARBINARY(32)"},
      {"char", "char(1)", "CHAR(1)"},
      {"decimal", "decimal(10,0)", "DECIMAL(10)"},
      {"varchar(9) COLLATE utf8mb4_bin", "varchar(9) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin",
       "VARCHAR(9) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin"},
      {"varchar(9) BINARY", "varchar(9) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin",
       "VARCHAR(9) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin"},
      {"varchar(9) CHARACTER SET utf8mb4", "varchar(9)", "VARCHAR(9)"},
      {"json DEFAULT (json_array())",
       "longtext CHARACTER SET utf8mb4 COLLATE utf8mb4_bin DEFAULT json_array() CHECK "
       "(json_valid(`c`))",
       "JSON DEFAULT json_array()"},
      {"int DEFAULT (1+2)", "int(11) DEFAULT (1 + 2)", "INTEGER DEFAULT (1+2)"},
      {"varchar(9) DEFAULT (CONCAT('a', 'b'))", "varchar(9) DEFAULT concat('a','b')",
       "VARCHAR(9) DEFAULT concat('a','b')"},
      {"datetime DEFAULT (now())", "datetime DEFAULT current_timestamp()",
       "DATETIME DEFAULT CURRENT_TIMESTAMP"},
  };
  for (const TCase& C : Cases) {
    TMyParse Script;
    ASSERT_TRUE(
        Script.Parse(std::string("CREATE TABLE t (c ") + C.Script + ") DEFAULT CHARSET=utf8mb4;"))
        << C.Script;
    TMyParse Server;
    ASSERT_TRUE(Server.Parse(std::string("CREATE TABLE `t` (`c` ") + C.Server +
                             ") ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 "
                             "COLLATE=utf8mb4_general_ci;"))
        << C.Server;
    EXPECT_EQ(Script.Column("t", "c")->TypeDef(), C.Written) << C.Script;
    EXPECT_EQ(Server.Column("t", "c")->TypeDef(), C.Written) << C.Server;
  }
  // Widths clients read differently stay apart.
  TMyParse P;
  ASSERT_TRUE(P.Parse("CREATE TABLE t (a tinyint(1), b tinyint(4), c bit(8), d bit(1));"));
  EXPECT_NE(P.Column("t", "a")->FieldTypeDef(), P.Column("t", "b")->FieldTypeDef());
  EXPECT_NE(P.Column("t", "c")->FieldTypeDef(), P.Column("t", "d")->FieldTypeDef());
}

TEST(MySQLTable, KeysKeepTheirKindAlgorithmAndTheColumnComment) {
  TMyParse P;
  ASSERT_TRUE(
      P.Parse("CREATE TABLE t (id int PRIMARY KEY COMMENT 'key', a text, g point NOT NULL, "
              "b int, FULLTEXT KEY ft (a), SPATIAL INDEX sp (g), KEY ix USING HASH (b));\n"
              "CREATE TABLE u (id int, PRIMARY KEY (id) USING BTREE);"));
  EXPECT_EQ(P.Column("t", "id")->Extra().Description, "key");
  const std::string Create = P.Table("t")->MySQLCreateDef();
  EXPECT_NE(Create.find("FULLTEXT KEY `ft`(`a`)"), std::string::npos) << Create;
  EXPECT_NE(Create.find("SPATIAL KEY `sp`(`g`)"), std::string::npos) << Create;
  EXPECT_NE(Create.find("KEY `ix`(`b`) USING HASH"), std::string::npos) << Create;
  EXPECT_EQ(P.Index("t", "ix")->Def(), "CREATE INDEX `ix` ON `t`(`b`) USING HASH");
  EXPECT_NE(P.Table("u")->MySQLCreateDef().find("PRIMARY KEY(`id`) USING BTREE"),
            std::string::npos);
}

TEST(MySQLTable, NamesThatLookLikeElementWordsAreColumns) {
  // PERIOD begins an element only before FOR; CHECK only unquoted. The columns each script
  // leaves the table with, in order.
  struct TCase {
    const char* Script;
    Names Columns;
  };
  const TCase Cases[] = {
      {"CREATE TABLE t (`period` json, x int);", {"period", "x"}},
      {"CREATE TABLE t (period varchar(100) NOT NULL, y int);", {"period", "y"}},
      {"CREATE TABLE t (`check` varchar(10), c int CHECK (c > 0), CHECK (c < 9));", {"check", "c"}},
      {"CREATE TABLE t (s timestamp(6), e timestamp(6), PERIOD FOR p (s, e));", {"s", "e"}},
      {"CREATE TABLE t (s int, period /* x */ FOR SYSTEM_TIME (s, s));", {"s"}},
      {"CREATE TABLE t (a int);\nALTER TABLE t ADD period int, "
       "ADD COLUMN `column` int, ADD CHECK (a > 0);",
       {"a", "period", "column"}},
  };
  for (const TCase& C : Cases) {
    TMyParse P;
    EXPECT_TRUE(P.Parse(C.Script)) << C.Script << ::testing::PrintToString(P.Messages(mt_Err));
    ASSERT_NE(P.Table("t"), nullptr) << C.Script;
    Names Columns;
    for (const auto& F : P.Table("t")->Fields) Columns.push_back(F->GetObjName());
    EXPECT_EQ(Columns, C.Columns) << C.Script;
  }
}

TEST(MySQLTable, SerialAndColumnUniqueKeys) {
  // SERIAL is BIGINT UNSIGNED NOT NULL AUTO_INCREMENT UNIQUE; a column's UNIQUE (however often
  // said, and SERIAL's) is one unique index, none when the column is its own primary key.
  const std::pair<const char*, Names> Cases[] = {
      {"id SERIAL, x int", {"id"}},
      {"id SERIAL PRIMARY KEY, x int", {}},
      {"id SERIAL UNIQUE, y int UNIQUE UNIQUE, PRIMARY KEY (id)", {"id", "y"}},
      {"id SERIAL, UNIQUE KEY (id)", {"id", "id_2"}},
      {"n int SERIAL DEFAULT VALUE, k int", {"n"}},
  };
  for (const auto& [Columns, UniqueIndexes] : Cases) {
    TMyParse P;
    ASSERT_TRUE(P.Parse(std::string("CREATE TABLE t (") + Columns + ");")) << Columns;
    Names Unique;
    for (TIdxData* Idx : P.Indexes("t"))
      if (Idx->Unique) Unique.push_back(Idx->GetObjName());
    EXPECT_EQ(Unique, UniqueIndexes) << Columns;
    EXPECT_FALSE(P.Table("t")->Fields[0]->Nullable) << Columns;
    EXPECT_TRUE(P.Table("t")->Fields[0]->AutoIncrement) << Columns;
  }
}

TEST(MySQLTable, ARefusedColumnLeavesTheRestOfItsTableRead) {
  // One error for the column; the columns and keys after it are read, so the statements
  // that follow do not find them missing.
  const char* Scripts[] = {
      "CREATE TABLE orders (id nosuchtype PRIMARY KEY, customer_id INT NOT NULL, "
      "KEY (customer_id));\nCREATE INDEX o_c ON orders (customer_id);",
      "CREATE TABLE orders (id decimal(10,x), customer_id int, note text);\n"
      "ALTER TABLE orders ADD UNIQUE KEY u (customer_id);",
  };
  for (const char* Script : Scripts) {
    TMyParse P;
    EXPECT_FALSE(P.Parse(Script));
    EXPECT_EQ(P.Messages(mt_Err).size(), 1u)
        << Script << ::testing::PrintToString(P.Messages(mt_Err));
    EXPECT_NE(P.Column("orders", "customer_id"), nullptr) << Script;
  }
}

TEST(MySQLLex, BackslashesInNamesAreCharactersAndInStringsEscapes) {
  // Rows: as written, as read (a name, or the value of a string) and read back as written.
  const std::vector<std::pair<std::string, std::string>> Rows = {
      {R"(`t\x`)", R"(t\x)"},  {R"(`c\\d`)", R"(c\\d)"},     {R"(`q\``x`)", R"(q\`x)"},
      {R"('p\\q')", R"(p\q)"}, {R"('a\%b\_')", R"(a\%b\_)"}, {R"('\Z\z')", "\x1Az"}};
  for (const auto& [Written, Read] : Rows) {
    const bool Name = Written[0] == '`';
    const std::string Back = Name ? MySQLQuoteIdent(Read) : ScriptQuotedStr(Read, dbMySQL);
    for (const std::string& Text : {Written, Back}) {
      TMyParse P;
      ASSERT_TRUE(P.Parse(Name ? "CREATE TABLE " + Text + " (" + Text + " int);"
                               : "CREATE TABLE t (c varchar(9) DEFAULT " + Text + ");"));
      EXPECT_EQ(
          Name ? std::to_string(P.Column(Read, Read) != nullptr) : P.Column("t", "c")->DefValue,
          Name ? "1" : QuotedStr(Read, '\''))
          << Text;
    }
  }
}

TEST(MySQLTable, AColumnNamedTwiceInAnyCaseIsRefusedWhereItStands) {
  const std::vector<std::pair<std::string, int>> Rows = {
      // the script, the column of the error
      {"CREATE TABLE t (id int,\n  ID int);", 3},
      {"CREATE TABLE t (id int);\nALTER TABLE t ADD b int, ADD COLUMN `Id` int;", 37}};
  for (const auto& [Script, Column] : Rows) {
    TMyParse P;
    EXPECT_FALSE(P.Parse(Script));
    ASSERT_EQ(P.Messages(mt_Err).size(), 1u) << Script;
    const TMsgData& M = P.Parser.MsgManager.Items(0);
    EXPECT_EQ(M.ScriptName + ":" + std::to_string(M.Line) + ":" + std::to_string(M.Column),
              "schema.sql:2:" + std::to_string(Column));
  }
}

TEST(MySQLTable, TheWritersAlterAndDropFormsReadBack) {
  // Rows: what the update script writes, t's columns after it (drops change nothing).
  const std::vector<std::pair<std::string, std::string>> Rows = {
      {"MODIFY COLUMN c int AFTER a", "acbd"},
      {"MODIFY COLUMN d int FIRST", "dabc"},
      {"MODIFY COLUMN b int AFTER D", "acdb"},
      {"MODIFY COLUMN a int NOT NULL, DROP PRIMARY KEY", "abcd"},
      {"DROP FOREIGN KEY fk, DROP KEY ix, DROP INDEX IF EXISTS ix, DROP CONSTRAINT fk", "abcd"},
      {"DROP b, DROP COLUMN `c`", "abcd"},
      {"ADD e int AFTER b", "abecd"},
      {"ADD COLUMN e int FIRST, ADD f int AFTER A", "eafbcd"},
      {"CHANGE b e int AFTER d", "acde"},
      {"CHANGE COLUMN c c bigint", "abcd"},
      {"COMMENT = 'x', MODIFY b int, DEFAULT CHARSET=latin1 COLLATE=latin1_bin", "abcd"},
      {"ROW_FORMAT=DYNAMIC", "abcd"},
      {"ENGINE=MyISAM, PACK_KEYS=1, AUTO_INCREMENT=5", "abcd"}};
  for (const auto& [Alter, Columns] : Rows) {
    TMyParse P;
    EXPECT_TRUE(
        P.Parse("CREATE TABLE p (k int PRIMARY KEY);\nCREATE TABLE t (a int, b int, c int, "
                "d int, KEY ix (b), CONSTRAINT fk FOREIGN KEY (d) REFERENCES p (k));\n"
                "ALTER TABLE t " +
                Alter + ";\nDROP INDEX ix ON t;\nDROP TABLE p;"))
        << Alter;
    std::string Read;
    for (const auto& F : P.Table("t")->Fields)
      Read += F->Position == static_cast<int>(Read.size()) + 1 ? F->GetObjName() : "?";
    EXPECT_EQ(Read, Columns) << Alter;
  }
  EXPECT_FALSE(
      TMyParse().Parse("CREATE TABLE t (a int, b int);\nALTER TABLE t MODIFY b int AFTER x;"));
  // An update script read alone: its columns' places name what another script made.
  TMyParse Alone;
  EXPECT_TRUE(
      Alone.Parse("ALTER TABLE u ADD c int AFTER b, MODIFY d int FIRST, CHANGE e f int "
                  "AFTER a;"));
  EXPECT_EQ(Alone.Messages(mt_Err), Names{});
}

}  // namespace
}  // namespace qel
