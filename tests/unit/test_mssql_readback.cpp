// Every SQL Server and ASE script the library writes reads back: the schema writer's script and
// update scripts (applied to the script of their target, the SQL Server table rebuild too)
// compare to nothing against the schema that wrote them; the golden scripts of the passes and
// the texts of views, routines and triggers read into objects that write the same statements.
// The order-entry example compares to its golden update script in both dialects.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "qelASEParser.h"
#include "qelASEScriptExtract.h"
#include "qelMSSQLParser.h"
#include "qelMSSQLScriptExtract.h"
#include "test_readback_util.h"

#ifdef QEL_HAVE_COMPARE_COMMAND
#include "varnel_compare.h"
#endif

using namespace qel;
namespace readback = qel::testing::readback;

namespace {

using readback::ReadFile;
using readback::TOutcome;
using TTexts = std::vector<std::string>;

const std::string Fixtures = std::string(QEL_FIXTURES_DIR) + "/";

struct TDialect {
  const char* Name;  ///< --dialect, fixture and example folder
  TDatabaseType DB;
  const char* Suffix;  ///< of the shared golden files
  TOutcome (*Compare)(const TTexts&, const TTexts&, const std::function<void(TVarnel&)>&);
  std::vector<std::string> (*ParseInto)(TObjs&, const std::string&);
};

const TDialect Dialects[] = {
    {"mssql", dbMSSQL, "mssql", readback::CompareScripts<TMSSQLScriptExtract>,
     readback::ParseInto<TMSSQLParser>},
    {"ase", dbSybaseASE, "ase", readback::CompareScripts<TASEScriptExtract>,
     readback::ParseInto<TASEParser>},
};

std::string Examples(const TDialect& D) {
  return Fixtures + "../../examples/data/" + D.Name + "/";
}

std::string WrittenBack(const TDialect& D, const std::string& Text) {
  TObjs O;
  O.SetDatabaseType(D.DB);
  EXPECT_EQ(D.ParseInto(O, Text), std::vector<std::string>{}) << D.Name;
  TStringList Lines;
  O.ExtractMetadata(Lines);
  return readback::Join(Lines);
}

/// The statements of an update script less its header lines (the database it is for) and the
/// GO lines: what is left when the script has nothing to do is empty.
std::string Statements(const std::string& Script) {
  return readback::Statements(Script, [](const std::string& L) {
    return SameText(L, "GO") || SameText(L.substr(0, 4), "USE ") || L.rfind("-- ", 0) == 0;
  });
}

/// Without blanks, line breaks and the default schema: hand-built objects of the golden files
/// carry blanks the reader trims and no schema, where the reader files them under dbo.
std::string Dense(const std::string& S) {
  std::string R;
  for (char C : S)
    if (C != '\r' && C != ' ' && C != '\t' && C != '\n') R += C;
  for (std::size_t At; (At = R.find("DBO.")) != std::string::npos;) R.erase(At, 4);
  return R;
}

}  // namespace

TEST(TSQLReadBack, TheSchemaWritersScriptComparesToNothing) {
  for (const TDialect& D : Dialects) {
    for (const std::string& Name : {Fixtures + D.Name + "/schema.sql",
                                    Examples(D) + "orders_v1.sql", Examples(D) + "orders_v2.sql"}) {
      const std::string Original = ReadFile(Name);
      ASSERT_FALSE(Original.empty()) << Name;
      const std::string Written = WrittenBack(D, Original);
      readback::ExpectNoUpdateEitherWay(
          [&D](const TTexts& M, const TTexts& T) { return D.Compare(M, T, nullptr); }, Statements,
          Name, Original, Written);
    }
  }
}

TEST(TSQLReadBack, UpdateScriptsLeadTheTargetToTheMaster) {
  for (const TDialect& D : Dialects) {
    const std::string Schema = ReadFile(Fixtures + D.Name + "/schema.sql");
    const std::string V1 = ReadFile(Examples(D) + "orders_v1.sql");
    const std::string V2 = ReadFile(Examples(D) + "orders_v2.sql");
    const std::string Smaller = ReadFile(Fixtures + D.Name + "/smaller.sql");
    ASSERT_FALSE(Smaller.empty());
    const std::pair<std::string, std::string> Pairs[] = {
        {V2, V1}, {V1, V2}, {Schema, Smaller}, {Smaller, Schema}};
    for (const auto& [Master, Target] : Pairs) {
      const TOutcome U = D.Compare({Master}, {Target}, nullptr);
      ASSERT_TRUE(U.Written) << D.Name;
      ASSERT_EQ(U.Errors, std::vector<std::string>{}) << D.Name;
      EXPECT_NE(Statements(U.Script), "");
      const TOutcome Again = D.Compare({Master}, {Target, U.Script}, nullptr);
      EXPECT_EQ(Again.Errors, std::vector<std::string>{}) << D.Name << "\n" << U.Script;
      EXPECT_EQ(Statements(Again.Script), "") << D.Name << "\n" << U.Script;
    }
  }
}

TEST(TSQLReadBack, TheSQLServerTableRebuildLeadsTheTargetToTheMaster) {
  // Columns in another order: with UpdateColumnPosition the table is copied, dropped and made
  // anew with its keys, indexes and triggers.
  const TDialect& D = Dialects[0];
  const std::string V1 = ReadFile(Examples(D) + "orders_v1.sql");
  std::string Moved = V1;
  const std::string From = "  email       varchar(120) NULL,\n  phone       varchar(30) NULL,\n";
  const std::string To = "  phone       varchar(30) NULL,\n  email       varchar(120) NULL,\n";
  ASSERT_NE(Moved.find(From), std::string::npos);
  Moved.replace(Moved.find(From), From.size(), To);
  auto Setup = [](TVarnel& V) {
    V.GetMSSQLServerOptions().GetMSSQLCompareOptions().UpdateColumnPosition = true;
  };
  const TOutcome U = D.Compare({Moved}, {V1}, Setup);
  ASSERT_EQ(U.Errors, std::vector<std::string>{});
  EXPECT_NE(U.Script.find("SET IDENTITY_INSERT"), std::string::npos) << U.Script;
  const TOutcome Again = D.Compare({Moved}, {V1, U.Script}, Setup);
  EXPECT_EQ(Again.Errors, std::vector<std::string>{}) << U.Script;
  EXPECT_EQ(Statements(Again.Script), "") << U.Script;
}

TEST(TSQLReadBack, GoldenScriptsReadBackIntoTheObjectsThatWroteThem) {
  for (const TDialect& D : Dialects) {
    for (const std::string& Name : {std::string("keys/update_") + D.Suffix + ".sql",
                                    std::string("tables/passes_") + D.Suffix + ".sql",
                                    std::string(D.Name) + "/orders_update.sql"}) {
      const std::string Text = ReadFile(Fixtures + Name);
      ASSERT_FALSE(Text.empty()) << Name;
      TObjs O;
      O.SetDatabaseType(D.DB);
      EXPECT_EQ(D.ParseInto(O, Text), std::vector<std::string>{}) << Name;
      const std::string Script = Dense(Text);
      auto Written = [](const TDbObj* Obj) { return Dense(Obj->CreateDef()); };
      int Objects = 0;
      for (TDbObjList* List : {&O.Tables, &O.Indexes, &O.Constraints, &O.Views}) {
        for (int I = 0; I < List->Count(); ++I) {
          const TDbObj* Obj = List->Objects(I);
          EXPECT_NE(Script.find(Written(Obj)), std::string::npos)
              << Name << ": " << Obj->CreateDef();
          ++Objects;
        }
      }
      EXPECT_GT(Objects, 0) << Name;
    }
  }
}

TEST(TSQLReadBack, CodeTextsReadBackIntoTheObjectsThatWroteThem) {
  for (const TDialect& D : Dialects) {
    std::istringstream In(ReadFile(Fixtures + "code_objects/texts_" + D.Suffix + ".sql"));
    std::vector<std::pair<std::string, std::string>> Sections;  // heading, text
    for (std::string L; std::getline(In, L);) {
      if (L.rfind("-- ", 0) == 0)
        Sections.push_back({L, ""});
      else if (!Sections.empty())
        Sections.back().second += L + "\n";
    }
    int Read = 0;
    for (auto& [Heading, Body] : Sections) {
      const bool Creating = Heading.ends_with(": Def") || Heading.ends_with(": EmptyDef");
      if (!Creating || Body.rfind("CREATE ", 0) != 0) continue;
      TObjs O;
      O.SetDatabaseType(D.DB);
      D.ParseInto(O, "CREATE TABLE ORDERS (ID INTEGER NULL, TOTAL INTEGER NULL)\nGO\n");
      EXPECT_EQ(D.ParseInto(O, Body), std::vector<std::string>{}) << Heading;
      const TDbObj* Obj = nullptr;
      for (TDbObjList* List : {&O.Views, &O.Procedures, &O.Triggers})
        if (List->Count() == 1) Obj = List->Objects(0);
      ASSERT_NE(Obj, nullptr) << Heading;
      EXPECT_EQ(Dense(Obj->Def()), Dense(Body)) << Heading;
      ++Read;
    }
    EXPECT_EQ(Read, 7) << D.Name;
  }
}

TEST(TSQLReadBack, OrderEntryExampleGivesItsUpdateScript) {
  for (const TDialect& D : Dialects) {
    const TOutcome R = D.Compare({ReadFile(Examples(D) + "orders_v2.sql")},
                                 {ReadFile(Examples(D) + "orders_v1.sql")}, nullptr);
    ASSERT_TRUE(R.Written) << D.Name;
    EXPECT_EQ(R.Errors, std::vector<std::string>{});
    const std::string Golden = Fixtures + D.Name + "/orders_update.sql";
    if (std::getenv("QEL_UPDATE_GOLDEN")) std::ofstream(Golden, std::ios::binary) << R.Script;
    EXPECT_EQ(R.Script, ReadFile(Golden)) << D.Name;
  }
}

#ifdef QEL_HAVE_COMPARE_COMMAND
TEST(TSQLReadBack, TheCompareCommandReadsTransactSQLScripts) {
  for (const TDialect& D : Dialects) {
    std::ostringstream Out, Err;
    const int Code =
        varnel_cli::RunCompare({"--dialect", D.Name, "--master", Examples(D) + "orders_v2.sql",
                                "--target", Examples(D) + "orders_v1.sql"},
                               Out, Err);
    EXPECT_EQ(Code, 0) << Err.str();
    EXPECT_EQ(Out.str(), ReadFile(Fixtures + D.Name + "/orders_update.sql")) << D.Name;

    const std::string Bad = ::testing::TempDir() + "/" + D.Name + "_bad.sql";
    std::ofstream(Bad) << "CREATE TABLE T (ID INTEGER\ngo\nCREATE INDEX I ON T (ID)\ngo\n";
    std::ostringstream Out2, Err2;
    const int Code2 = varnel_cli::RunCompare(
        {"--dialect", D.Name, "--master", Bad, "--target", Examples(D) + "orders_v1.sql"}, Out2,
        Err2);
    EXPECT_EQ(Code2, 1);
    EXPECT_EQ(Out2.str(), "");
    EXPECT_NE(
        Err2.str().find(std::string(D.Name) + "_bad.sql:2:1: error: Missing: <)> (<Terminator>)"),
        std::string::npos)
        << Err2.str();
  }
}
#endif
