// The MySQL catalog extractor on the MariaDB server of the test run: a database built from a
// script extracts and compares with that script to no statements; views and sequences are not
// read as tables; an update script brings the database to a changed script and a second
// comparison finds nothing left to change.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Strings.h"
#include "db_servers.h"
#include "qelCompObj.h"
#include "qelDBStructure.h"
#include "qelMySQLDatabaseExtract.h"
#include "qelMySQLParser.h"
#include "qelMySQLScriptExtract.h"
#include "qelResWords.h"
#include "qelSQL_Exec.h"
#include "qelVarnel.h"

namespace qel {
namespace {

using testing::MyServer;
using testing::TServerConnection;
using TLines = std::vector<std::string>;

const std::string TestDatabase = "qel_my_extract";

/// Tables, columns, keys and indexes in the forms scripts write them; the server keeps them in
/// its own (int(11), DEFAULT 0, current_timestamp(), generated key names).
const TLines SchemaScript = {
    "CREATE TABLE customer (\r\n"
    "  id int NOT NULL AUTO_INCREMENT PRIMARY KEY,\r\n"
    "  name varchar(60) NOT NULL,\r\n"
    "  email varchar(120) DEFAULT NULL,\r\n"
    "  credit decimal(10,2) DEFAULT '0',\r\n"
    "  flags tinyint(1) NOT NULL DEFAULT '1',\r\n"
    "  kind enum('a','b') DEFAULT 'a',\r\n"
    "  created timestamp NOT NULL DEFAULT CURRENT_TIMESTAMP ON UPDATE CURRENT_TIMESTAMP,\r\n"
    "  UNIQUE (email),\r\n"
    "  KEY (name(10))\r\n"
    ") ENGINE=InnoDB DEFAULT CHARSET=utf8mb4",
    "CREATE TABLE `Order Lines` (\r\n"
    "  order_id int NOT NULL,\r\n"
    "  line int NOT NULL,\r\n"
    "  customer_id int,\r\n"
    "  qty int DEFAULT 1 CHECK (qty > 0),\r\n"
    "  price double,\r\n"
    "  total double AS (qty * price) VIRTUAL,\r\n"
    "  PRIMARY KEY (order_id, line) USING BTREE,\r\n"
    "  FOREIGN KEY (customer_id) REFERENCES customer (id) ON DELETE CASCADE\r\n"
    ") ENGINE=InnoDB DEFAULT CHARSET=utf8mb4",
    "CREATE INDEX ix_qty ON `Order Lines` (qty, price)",
};

std::string Joined(const TLines& Statements) {
  std::string R;
  for (const std::string& S : Statements) R += S + ";\r\n";
  return R;
}

class MySQLDb : public ::testing::Test {
 protected:
  void SetUp() override {
    TerminateRunning = false;
    Conn = std::make_unique<TServerConnection>(MyServer);
    const std::string Failure = Conn->Connect();
    ASSERT_TRUE(Failure.empty()) << Failure;
    Conn->Exec("DROP DATABASE IF EXISTS " + TestDatabase);
    Conn->Exec("CREATE DATABASE " + TestDatabase);
    Conn->C->SetConnected(false);
    Conn->C->GetConnectionOptions().SetDatabaseName(TestDatabase);
    Conn->C->SetConnected(true);
    ASSERT_TRUE(Conn->C->GetConnected());
    Ex.SetConnection(Conn->C.get());
    Ex.SetDBStructure(&Holder);
    Ex.SetOnErrorMessage([this](TObject*, const std::string& T) { Errors.push_back(T); });
    Ex.SetOnLogNextLine([this](TObject*, const std::string& T) { Log.push_back(T); });
  }
  void TearDown() override {
    if (!Conn) return;
    if (!Conn->C->GetConnected()) Conn->C->SetConnected(true);
    Conn->ExecIgnoringError("DROP DATABASE IF EXISTS " + TestDatabase);
  }

  void Run(const TLines& Statements) {
    if (!Conn->C->GetConnected()) Conn->C->SetConnected(true);
    for (const std::string& S : Statements) Conn->Exec(S);
  }

  /// Compares Script (master) with the database (target); the comparer's executor.
  TCustomSQLExec* Compare(TVarnel& V, TDBStructure& MH, TDBStructure& TH,
                          TMySQLScriptExtract& Master, const std::string& Script) {
    Master.SetScriptFileName("schema.sql");
    Master.OnLoadScript = [Script](TObject*, const std::string&, TStrings* Lines, bool& Loaded) {
      Lines->SetText(Script);
      Loaded = true;
    };
    V.OnErrorMessage = [this](TObject*, const std::string& T) { Errors.push_back(T); };
    V.SetDBMaster(&MH);
    V.SetDBTarget(&TH);
    V.SetExtractorMaster(&Master);
    V.SetExtractorTarget(&Ex);
    V.SetCompareObjects(
        TCmpObjSetType{coTable, coIndex, coPrimaryKey, coForeignKey, coUnique, coView});
    Ex.SetDBStructure(&TH);
    if (!V.ExtractDatabases() || !V.CompareDatabases()) return nullptr;
    return V.GetSQLExec();
  }

  std::unique_ptr<TServerConnection> Conn;
  TDBStructure Holder{nullptr};
  TMySQLDBExtract Ex{nullptr};
  TLines Errors, Log;
};

TEST_F(MySQLDb, AnEmptyDatabaseExtractsToNothing) {
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  EXPECT_EQ(Holder.GetMetadata()->Tables.Count(), 0);
  EXPECT_EQ(Holder.GetMetadata()->GetDatabaseType(), dbMySQL);
  EXPECT_FALSE(Conn->C->GetConnected());  // closed after the run
}

TEST_F(MySQLDb, TablesViewsAndSequencesAreToldApart) {
  Run(SchemaScript);
  Run({"CREATE VIEW v_customer AS SELECT id, name FROM customer", "CREATE SEQUENCE seq_no",
       "CREATE TABLE `select` (`Mixed Case` int)"});
  ASSERT_TRUE(Ex.ExtractDatabase()) << ::testing::PrintToString(Errors);
  EXPECT_TRUE(Errors.empty()) << ::testing::PrintToString(Errors);
  TObjs& O = *Holder.GetMetadata();
  EXPECT_EQ(O.Tables.Count(), 3);
  EXPECT_EQ(O.GetTable("seq_no"), nullptr);
  EXPECT_EQ(O.GetTable("v_customer"), nullptr);
  ASSERT_NE(O.GetView("v_customer"), nullptr);
  EXPECT_NE(O.GetView("v_customer")->Extra().Body.find("from `customer`"), std::string::npos);
  // Names the server stores with blanks, upper case or a reserved word read back as stored.
  ASSERT_NE(O.GetTable("Order Lines"), nullptr);
  EXPECT_NE(O.GetTableField("select", "Mixed Case"), nullptr);
  TFldData* Created = O.GetTableField("customer", "created");
  ASSERT_NE(Created, nullptr);
  EXPECT_EQ(Created->DefValue, "CURRENT_TIMESTAMP ON UPDATE CURRENT_TIMESTAMP");
  EXPECT_EQ(O.GetTableField("customer", "credit")->DefValue, "0.00");
  EXPECT_EQ(O.GetTable("customer")->Extra().MySQLOptions.Engine, "InnoDB");
  EXPECT_FALSE(Ex.MsgManager.GetIsErr());
}

TEST_F(MySQLDb, ExtractThenCompareWithTheSameScriptGivesNoStatements) {
  Run(SchemaScript);
  TDBStructure MH{nullptr}, TH{nullptr};
  TMySQLScriptExtract Master{nullptr};
  TVarnel V{nullptr};
  TCustomSQLExec* E = Compare(V, MH, TH, Master, Joined(SchemaScript));
  ASSERT_NE(E, nullptr) << ::testing::PrintToString(Errors);
  EXPECT_TRUE(Errors.empty()) << ::testing::PrintToString(Errors);
  TStringList Script;
  E->GetScript(Script, false);
  EXPECT_FALSE(E->HasChanges) << Script.GetText();
}

TEST_F(MySQLDb, UpdateScriptBringsTheDatabaseToTheScriptAndNothingIsLeft) {
  Run(SchemaScript);
  TLines Changed = SchemaScript;
  Changed[0] =
      "CREATE TABLE customer (\r\n"
      "  id int NOT NULL AUTO_INCREMENT PRIMARY KEY,\r\n"
      "  name varchar(80) NOT NULL,\r\n"
      "  credit decimal(10,2) DEFAULT '5',\r\n"
      "  kind enum('a','b') DEFAULT 'a',\r\n"
      "  created timestamp NOT NULL DEFAULT CURRENT_TIMESTAMP ON UPDATE CURRENT_TIMESTAMP,\r\n"
      "  phone varchar(20),\r\n"
      "  KEY ix_name (name)\r\n"
      ") ENGINE=InnoDB DEFAULT CHARSET=utf8mb4";
  // The foreign key moves to another column: the old key goes with the index the server made
  // for it, the new one brings its own.
  Changed[1] =
      "CREATE TABLE `Order Lines` (\r\n"
      "  order_id int NOT NULL,\r\n"
      "  line int NOT NULL,\r\n"
      "  customer_id int,\r\n"
      "  qty int DEFAULT 1 CHECK (qty > 0),\r\n"
      "  price double,\r\n"
      "  total double AS (qty * price) VIRTUAL,\r\n"
      "  PRIMARY KEY (order_id, line) USING BTREE,\r\n"
      "  CONSTRAINT fk_line FOREIGN KEY (line) REFERENCES customer (id)\r\n"
      ") ENGINE=InnoDB DEFAULT CHARSET=utf8mb4";
  Changed.push_back("CREATE TABLE extra (a int PRIMARY KEY, b varchar(5) DEFAULT 'x')");
  for (int Pass = 0; Pass < 2; ++Pass) {
    TDBStructure MH{nullptr}, TH{nullptr};
    TMySQLScriptExtract Master{nullptr};
    TVarnel V{nullptr};
    TCustomSQLExec* E = Compare(V, MH, TH, Master, Joined(Changed));
    ASSERT_NE(E, nullptr) << ::testing::PrintToString(Errors);
    ASSERT_TRUE(Errors.empty()) << ::testing::PrintToString(Errors);
    TStringList Script;
    E->GetScript(Script, false);
    if (Pass == 1) {
      EXPECT_FALSE(E->HasChanges) << Script.GetText();
      break;
    }
    ASSERT_TRUE(E->HasChanges);
    auto* Exec = dynamic_cast<TSQLExec*>(E);
    ASSERT_NE(Exec, nullptr);
    TLines ExecErrors;
    Exec->OnErrorMessage = [&ExecErrors](TObject*, const std::string& T) {
      ExecErrors.push_back(T);
    };
    if (!Conn->C->GetConnected()) Conn->C->SetConnected(true);
    TH.GetMetadata()->ConnectionOptions.Assign(Conn->C->GetConnectionOptions());
    Exec->SetConnection(Conn->C.get());
    EXPECT_TRUE(Exec->ExecuteScript()) << Script.GetText() << ::testing::PrintToString(ExecErrors);
    EXPECT_TRUE(ExecErrors.empty()) << Script.GetText() << ::testing::PrintToString(ExecErrors);
    Exec->SetConnection(nullptr);
  }
  // The columns as the server has them now. (New columns go last: the comparer moves columns
  // only between tables with as many columns on both sides.)
  if (!Conn->C->GetConnected()) Conn->C->SetConnected(true);
  EXPECT_EQ(
      Conn->Column("SELECT column_name FROM information_schema.columns WHERE table_schema = '" +
                   TestDatabase + "' AND table_name = 'customer' ORDER BY ordinal_position"),
      (TLines{"id", "name", "credit", "kind", "created", "phone"}));
}

TEST_F(MySQLDb, TheOutputOfMariaDBDumpReadsAsAScript) {
  Run(SchemaScript);
  Run({"CREATE VIEW v_customer AS SELECT id, name FROM customer"});
  const TConnectionOptions& O = Conn->C->GetConnectionOptions();
  setenv("MYSQL_PWD", O.Password.c_str(), 1);
  const std::string Command = "mariadb-dump --no-data --protocol=tcp --host=" + O.HostName +
                              " --port=" + std::to_string(O.Port) + " --user=" + O.UserName +
                              " --databases " + TestDatabase + " 2>&1";
  std::string Dump;
  FILE* Pipe = popen(Command.c_str(), "r");
  ASSERT_NE(Pipe, nullptr);
  char Buffer[4096];
  for (std::size_t N; (N = fread(Buffer, 1, sizeof Buffer, Pipe)) > 0;) Dump.append(Buffer, N);
  ASSERT_EQ(pclose(Pipe), 0) << Dump;

  TObjs Objs;
  TMySQLParser Parser(&Objs);
  TLines Shown;
  Parser.OnErrorMessage = [&Shown](TObject*, const std::string& T) { Shown.push_back(T); };
  TStringList Lines;
  Lines.SetText(Dump);
  Parser.ParseScript(Lines, &Objs);
  EXPECT_FALSE(Parser.MsgManager.GetIsErr()) << ::testing::PrintToString(Shown) << Dump;
  EXPECT_EQ(Objs.Tables.Count(), 2) << Dump;
  EXPECT_NE(Objs.GetTable("Order Lines"), nullptr);
  EXPECT_EQ(Parser.ConnectionOptions.GetDatabaseName(), TestDatabase);
}

TEST_F(MySQLDb, NamesWithABackslashKeepTheirTableAndRows) {
  // Rows: a table and its column, each name with a backslash (a character of a quoted name).
  for (const auto& [Table, Column] :
       {std::pair{R"(`t\x`)", R"(`a\b`)"}, {R"(`c\\d`)", R"(`e\n`)"}}) {
    const std::string Create = std::string("CREATE TABLE ") + Table + " (" + Column + " int)";
    Run({Create, std::string("INSERT INTO ") + Table + " VALUES (1), (2)"});
    TDBStructure MH{nullptr}, TH{nullptr};
    TMySQLScriptExtract Master{nullptr};
    TVarnel V{nullptr};
    TCustomSQLExec* E = Compare(V, MH, TH, Master, Joined({Create}));
    ASSERT_NE(E, nullptr) << ::testing::PrintToString(Errors);
    TStringList Script;
    E->GetScript(Script, false);
    EXPECT_FALSE(E->HasChanges) << Script.GetText();
    Run({});
    EXPECT_EQ(Conn->Column(std::string("SELECT COUNT(*) FROM ") + Table), TLines{"2"});
    Run({std::string("DROP TABLE ") + Table});
  }
}

TEST_F(MySQLDb, ALenientServerStillRefusesWhatDoesNotFit) {
  // The server's own mode made lenient through its root account: a session of the library
  // still refuses (rows: statements) what does not fit rather than cut it.
  std::ifstream Cnf(testing::Env("QEL_DB_DIR") + "/mariadb/my.cnf");
  std::string Socket;
  while (std::getline(Cnf, Socket) && Socket.rfind("socket=", 0) != 0) Socket.clear();
  const auto AsRoot = [&Socket](const std::string& SQL) {
    return std::system(("env -u MYSQL_HOST -u MYSQL_TCP_PORT -u MYSQL_PWD mariadb --no-defaults "
                        "--socket='" +
                        Socket.substr(7) + "' -u root -e \"" + SQL + "\" >/dev/null 2>&1")
                           .c_str()) == 0;
  };
  const std::string Mode = Conn->Column("SELECT @@global.sql_mode").at(0);
  if (Socket.empty() || !AsRoot("SET GLOBAL sql_mode = ''")) GTEST_SKIP() << "no root account";
  std::shared_ptr<void> Restore(nullptr,
                                [&](void*) { AsRoot("SET GLOBAL sql_mode = '" + Mode + "'"); });
  Conn->C->SetConnected(false);
  Run({"CREATE TABLE narrow (s varchar(5), n tinyint) ENGINE=Aria",
       "INSERT INTO narrow VALUES ('a', 1)"});
  for (const char* SQL : {"INSERT INTO narrow VALUES ('abcdefghij', 1)",
                          "UPDATE narrow SET n = 1000", "ALTER TABLE narrow MODIFY s varchar(0)"})
    EXPECT_THROW(Conn->Exec(SQL), EDatabaseError) << SQL;
  EXPECT_EQ(Conn->Column("SELECT CONCAT(s, n) FROM narrow"), TLines{"a1"});
}

}  // namespace
}  // namespace qel
