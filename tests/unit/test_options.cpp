// Option object tests: defaults, Clear, deep copies by Assign and the InterBase header texts.
#include <gtest/gtest.h>

#include "Strings.h"
#include "qelDBOptions.h"

using namespace qel;

TEST(ConnectionOptions, ClearSetsLocalProtocolAndAssignCopies) {
  TConnectionOptions C;
  EXPECT_EQ(C.Protocol, ptTCP);
  C.SetDatabaseName("db");
  C.UserName = "u";
  C.Port = 5;
  TConnectionOptions D;
  D.Assign(C);
  EXPECT_EQ(D.GetDatabaseName(), "db");
  EXPECT_EQ(D.Port, 5);
  C.Clear();
  EXPECT_EQ(C.Protocol, ptLocal);
  EXPECT_EQ(C.GetDatabaseName(), "");
  EXPECT_EQ(C.Port, 0);
  EXPECT_EQ(D.UserName, "u");
}

TEST(IBOptions, DefaultsAndClearKeepsUserChoices) {
  TIBComparerOptions O;
  EXPECT_EQ(O.SQLServerVersion, st_FireBird_15);
  EXPECT_EQ(O.GetSQLDialect(), 3);
  TIBCompareOptions& C = O.GetIBCompareOptions();
  EXPECT_TRUE(C.UseRECONNECT);
  EXPECT_TRUE(C.IgnoreIBEObjects);
  EXPECT_EQ(C.GetUpdateDescriptionMode(), udSysTables);
  C.GenerateCOMMIT = true;
  C.UseRECONNECT = false;
  C.SetUpdateDescriptionMode(udComment);
  C.Clear();
  EXPECT_TRUE(C.GenerateCOMMIT);
  EXPECT_TRUE(C.UseRECONNECT);
  EXPECT_EQ(C.GetUpdateDescriptionMode(), udSysTables);
  O.SQLServerVersion = st_Firebird_25;
  O.SetSQLDialect(1);
  O.Clear();
  EXPECT_EQ(O.GetSQLDialect(), 3);
  EXPECT_EQ(O.SQLServerVersion, st_Firebird_25);
  O.SetSQLDialect(7);  // no such dialect: ignored
  EXPECT_EQ(O.GetSQLDialect(), 3);
}

TEST(IBOptions, AssignIsADeepCopyAcrossSiblingClasses) {
  TIBComparerOptions A;
  A.SQLServerVersion = st_Firebird_21;
  A.SetSQLDialect(1);
  A.SetDBCharSet("win1252");
  A.GetIBCompareOptions().ModifySystemTables = true;
  A.GetIBDatabaseOptions().PageSize = 8192;
  TIBSQLExecOptions B;
  B.Assign(A);
  EXPECT_EQ(B.SQLServerVersion, st_Firebird_21);
  EXPECT_EQ(B.GetSQLDialect(), 1);
  EXPECT_EQ(B.GetDBCharSet(), "WIN1252");
  EXPECT_TRUE(B.GetIBCompareOptions().ModifySystemTables);
  EXPECT_EQ(B.GetIBDatabaseOptions().PageSize, 8192);
  // Independent afterwards.
  A.GetIBCompareOptions().ModifySystemTables = false;
  A.GetIBDatabaseOptions().PageSize = 1024;
  EXPECT_TRUE(B.GetIBCompareOptions().ModifySystemTables);
  EXPECT_EQ(B.GetIBDatabaseOptions().PageSize, 8192);
  TMySQLServerOptions Wrong;
  EXPECT_THROW(B.Assign(Wrong), EConvertError);
}

TEST(IBOptions, HeaderTexts) {
  TIBServerOptions O;
  O.SetDBCharSet("none");
  EXPECT_EQ(O.GetDBCharSet(), "NONE");
  EXPECT_EQ(O.DBCharSetDef(), "");
  O.SetSQLDialect(1);
  EXPECT_EQ(O.SQLDialectDef(), "");
  O.SetSQLDialect(3);
  O.SetDBCharSet("WIN1252");
  TConnectionOptions C;
  C.SetDatabaseName("C:\\db\\emp.fdb");
  C.UserName = "SYSDBA";
  C.Password = "plum'vetch";
  EXPECT_EQ(O.ConnectHeaderDef(C),
            "\r\nSET NAMES WIN1252;\r\nSET SQL DIALECT 3;\r\n"
            "CONNECT 'C:\\db\\emp.fdb' USER 'SYSDBA' PASSWORD 'plum''vetch';");
  EXPECT_EQ(O.CreateDatabaseDef(C),
            "CREATE DATABASE 'C:\\db\\emp.fdb'\r\n USER 'SYSDBA' PASSWORD 'plum''vetch'"
            "  DEFAULT CHARACTER SET WIN1252");
  C.UserName.clear();
  C.Password.clear();
  O.SetDBCharSet("");
  EXPECT_EQ(O.CreateDatabaseDef(C), "CREATE DATABASE 'C:\\db\\emp.fdb'");
  O.GetIBDatabaseOptions().PageSize = 4096;
  EXPECT_EQ(O.CreateDatabaseDef(C), "CREATE DATABASE 'C:\\db\\emp.fdb'\r\nPAGE_SIZE 4096");
  EXPECT_EQ(O.ConnectDatabaseDef(TConnectionOptions()), "");
}

TEST(IBOptions, DatabaseInfoComment) {
  TIBDatabaseOptions D;
  EXPECT_EQ(D.Def(), "");
  D.ServerVersionText = "LI-V3.0.11";
  EXPECT_EQ(D.Def(), "/* Server version: LI-V3.0.11 \r\n*/");
  D.ODSMajorVersion = 12;
  D.ODSMinorVersion = 0;
  D.SQLDialect = 3;
  D.ForcedWrites = true;
  D.SweepInterval = 20000;
  D.PageSize = 8192;
  D.CachePages = 2048;
  EXPECT_EQ(D.Def(),
            "/* Server version: LI-V3.0.11 \r\n"
            "   SQLDialect: 3. ODS: 12.0. Forced writes: On. Sweep inteval: 20000.\r\n"
            "   Page size: 8192. Cache pages: 2048 (16384 Kb). Read-only: False. */");
}

TEST(IBOptions, OdsDecidesWhenKnown) {
  TIBServerOptions O;
  O.SQLServerVersion = st_FireBird_1x;
  EXPECT_TRUE(O.ODS_GE10());
  O.SQLServerVersion = st_InterBase_5x;
  EXPECT_FALSE(O.ODS_GE10());
  O.GetIBDatabaseOptions().ODSMajorVersion = 11;
  EXPECT_TRUE(O.ODS_GE10());
  O.SQLServerVersion = st_Firebird_25;
  O.GetIBDatabaseOptions().ODSMajorVersion = 9;
  EXPECT_FALSE(O.ODS_GE10());
}

TEST(IBOptions, ExtractDatabaseParams) {
  TIBServerOptions O;
  TConnectionOptions C;
  C.HostName = "old";
  TStringList P;
  P.Add("user_name=SYSDBA");
  P.Add("password=a=b");
  P.Add("LC_CTYPE=utf8");
  P.Add("garbage");
  P.Add("USER_NAME=ALICE");
  O.ExtractDatabaseParams(P, C);
  EXPECT_EQ(C.UserName, "ALICE");
  EXPECT_EQ(C.Password, "a=b");
  EXPECT_EQ(C.HostName, "");
  EXPECT_EQ(O.GetDBCharSet(), "UTF8");
}

TEST(OtherOptions, DefaultsClearAndIndependentCopies) {
  TMSSQLServerOptions M;
  M.GetMSSQLCompareOptions().UpdateColumnPosition = true;
  M.GetMSSQLCompareOptions().IgnoreSysName = false;
  M.Clear();
  EXPECT_TRUE(M.GetMSSQLCompareOptions().UpdateColumnPosition);
  EXPECT_TRUE(M.GetMSSQLCompareOptions().IgnoreSysName);

  TASAServerOptions A;
  A.GetASADatabaseOptions().QuotedIdentifier = false;
  A.GetASADatabaseOptions().DateOrder = "YMD";
  TASAServerOptions B;
  B.Assign(A);
  A.GetASADatabaseOptions().DateOrder = "DMY";
  EXPECT_EQ(B.GetASADatabaseOptions().DateOrder, "YMD");
  B.Clear();
  EXPECT_TRUE(B.GetASADatabaseOptions().QuotedIdentifier);

  TASEServerOptions E;
  E.GetASEDatabaseOptions().DBOptions.Include(asedboTruncLogOnChkpt);
  E.Clear();
  EXPECT_TRUE(E.GetASEDatabaseOptions().DBOptions.Empty());
  EXPECT_EQ(TASEDatabaseOptions::DBOptionStr(asedboSelectIntoBulkCopyPllSort),
            "select into/bulkcopy/pllsort");
  EXPECT_EQ(TASEDatabaseOptions::DBOptionStr(asedboUniqueAutoIdentityIndex),
            "unique auto_identity index");

  TMySQLServerOptions My;
  EXPECT_TRUE(My.GetMySQLCompareOptions().CaseSensitiveIdentifiers);
  EXPECT_EQ(TPGSQLServerOptions().SQLServerVersion, st_PostgreSQL_8x);
  EXPECT_EQ(TOracleServerOptions().SQLServerVersion, st_Oracle_10x);
  TScriptOptions S;
  EXPECT_TRUE(S.GenerateScript);
  EXPECT_FALSE(S.LocalSQL);
}
