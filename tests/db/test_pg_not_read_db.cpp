// What the PostgreSQL catalog reader leaves out, judged on the server as a user of the example
// program meets it: a master database holding each kind the reader does not read is compared
// with, and run on, a target database; the warning names the kind and the object, the update
// drops nothing of the target for it and runs, and a second comparison prints nothing. Tables
// that inherit a column the master's parent loses keep it with their values.
#include <gtest/gtest.h>

#include <unistd.h>
#include <string>
#include <vector>

#include "Files.h"
#include "Text.h"
#include "pg_dump_util.h"

using namespace qel;
using namespace qel::testing;

namespace {

struct TKindCase {
  const char* Name;
  const char* Master;
  const char* Target;
  /// A warning the comparison gives ("varnel compare: warning: " + this).
  const char* Warning;
  /// What the update script holds; empty: nothing to say.
  const char* Script = "";
};

const char* const Func =
    "create function f() returns trigger language plpgsql as $$ begin return new; end $$;";

std::vector<TKindCase> KindCases() {
  static const std::string T = "create table t (a integer, b integer, r int4range);";
  static const std::vector<std::string> Keep = {
      T + "create extension hstore;",
      T + "alter table t enable row level security; alter table t force row level security;",
      T + "create policy p on t using (a > 0);",
      "create table t (a integer, b integer, r int4range, "
      "constraint t_r_excl exclude using gist (r with &&));",
      "create table t (a integer, b integer, r int4range); create index t_r_excl on t (a);",
      "create materialized view v as select 1 as x;",
      "create view v as select 1 as x;",
      T + "create statistics s on a, b from t;",
      T + "create view v with (security_barrier) as select a from t;",
      T + "create view v as select a from t;",
      T + "alter table t replica identity full;",
      T + Func +
          "create constraint trigger ct after insert on t deferrable for each row "
          "execute function f();",
      T + Func + "create trigger ct after insert on t for each row execute function f();",
      T + "alter table t add constraint ck check (a > 0) not valid;",
      T + "alter table t add constraint ck check (a > 0) no inherit;",
      "create table t (a text collate \"C\");",
      "create table t (a text);",
      "create table p (a integer); create table c (b integer) inherits (p);",
  };
  const auto S = [](int I) { return Keep[static_cast<std::size_t>(I)].c_str(); };
  return {
      {"extension", S(0), T.c_str(), "Extension hstore (schema public) is not read"},
      {"row_level_security", S(1), S(1),
       "Table public.t: row-level security (ENABLE, FORCE) is not read."},
      {"policy", S(2), S(2), "Policy p of table public.t is not read."},
      {"exclusion_constraint", S(3), S(4),
       "Index public.t_r_excl is not dropped: the master's exclusion constraint t_r_excl is not "
       "read."},
      {"materialized_view", S(5), S(6),
       "View public.v is not dropped: the master's materialized view v is not read."},
      {"statistics", S(7), S(7), "Statistics public.s of table t are not read."},
      {"view_options", S(8), S(9),
       "View public.v: its options (security_barrier=true) are not read."},
      {"replica_identity", S(10), S(10), "Table public.t: REPLICA IDENTITY FULL is not read."},
      {"constraint_trigger_in_master", S(11), S(12),
       "Trigger public.ct of table t is not dropped: the master's constraint trigger ct is not "
       "read."},
      {"constraint_trigger_in_target", S(12), S(11),
       "Trigger public.ct of table t is not created: the target's constraint trigger ct is not "
       "read."},
      {"not_valid", S(13), S(13),
       "Constraint ck of table public.t is NOT VALID, which is not read"},
      {"no_inherit", S(14), S(14),
       "Constraint ck of table public.t is NO INHERIT, which is not read"},
      {"inheritance", S(17), S(17),
       "Table public.c inherits from public.p: inheritance is not read"},
      // Read, not warned of: the collation is written and compared.
      {"collation", S(15), S(16), "", "ALTER COLUMN a TYPE text COLLATE \"C\""},
  };
}

class PGNotReadDb : public TPGToolSuite<::testing::TestWithParam<TKindCase>> {
 protected:
  static void SetUpTestSuite() { TPGToolSuite::SetUpTestSuite(); }
  static void TearDownTestSuite() { DropAndDisconnect({MasterDb, TargetDb}); }

  static std::string URI(const std::string& Db) {
    return "postgresql://" + Env("QEL_PG_USER") + ":" + Env("QEL_PG_PASSWORD") + "@" +
           Env("QEL_PG_HOST") + ":" + Env("QEL_PG_PORT") + "/" + Db;
  }
  /// Db made afresh from Script.
  static void Build(const std::string& Db, const std::string& Script) {
    FreshDatabase(Db);
    TServerConnection Conn(PgServer);
    ASSERT_EQ(Conn.Configure(), "");
    Conn.C->GetConnectionOptions().SetDatabaseName(Db);
    Conn.C->SetConnected(true);
    ASSERT_TRUE(Conn.C->GetConnected()) << Conn.C->GetLastError();
    Conn.Exec(Script);
  }
  /// The example program's compare; its exit code, the script in Out and its notes in Err.
  static int Compare(const std::string& Master, const std::string& Args, std::string& Out,
                     std::string& Err) {
    const std::string File = ::testing::TempDir() + "/qel_nr_" + std::to_string(::getpid());
    const int Code =
        Shell("(" + ShellQuoted(QEL_VARNEL_PROGRAM) + " compare --dialect postgresql " + Master +
                  " --target-db " + ShellQuoted(URI(TargetDb)) + " " + Args + " >" +
                  ShellQuoted(File) + ")",
              Err);
    Out = ReadFile(File);
    return Code;
  }
  static inline const std::string MasterDb = "qel_nr" + std::to_string(::getpid()) + "_m";
  static inline const std::string TargetDb = "qel_nr" + std::to_string(::getpid()) + "_t";
};

TEST_P(PGNotReadDb, EachKindIsNamedAndDropsNothingOfTheTarget) {
  ASSERT_EQ(Reach, "");
  const TKindCase& K = GetParam();
  Build(MasterDb, K.Master);
  Build(TargetDb, K.Target);
  const std::string Master = "--master-db " + ShellQuoted(URI(MasterDb));
  std::string Script, Err;
  // Only warned of: the run succeeds and runs what it writes.
  ASSERT_EQ(Compare(Master, "--execute", Script, Err), 0) << Err << Script;
  if (*K.Warning) {
    EXPECT_NE(Err.find(std::string("warning: ") + K.Warning), std::string::npos) << Err;
  }
  EXPECT_EQ(UpperCase(Script).find("DROP"), std::string::npos) << Script;
  EXPECT_NE(Script.find(K.Script), std::string::npos) << Script;
  ASSERT_EQ(Compare(Master, "", Script, Err), 0) << Err;
  EXPECT_EQ(Trim(Script), "") << "Second comparison:\n" << Script;
}

INSTANTIATE_TEST_SUITE_P(Kinds, PGNotReadDb, ::testing::ValuesIn(KindCases()),
                         [](const auto& Info) { return std::string(Info.param.Name); });

/// A parent loses a column that a table inheriting it keeps (or loses too, or keeps while the
/// parent changes its type), from a master script.
struct TInheritCase {
  const char* Name;
  const char* Master;
  /// The update runs; else it is refused with nothing run.
  bool Runs;
  /// The child's values of e afterwards ("42", or "" when the column is gone).
  const char* Kept;
};

class PGInheritDb : public PGNotReadDb {};

TEST_F(PGInheritDb, AColumnATableInheritsKeepsItsValuesWhereTheMasterKeepsIt) {
  ASSERT_EQ(Reach, "");
  const TInheritCase Cases[] = {
      {"child keeps e",
       "create table timestamp_base (created_at timestamp);"
       "create table a (e integer, a1 integer, a2 integer) inherits (timestamp_base);",
       true, "42"},
      {"both lose e",
       "create table timestamp_base (created_at timestamp);"
       "create table a (a1 integer, a2 integer) inherits (timestamp_base);",
       true, ""},
      {"parent changes e",
       "create table timestamp_base (created_at timestamp, e bigint);"
       "create table a (e integer, a1 integer, a2 integer);",
       false, "42"},
  };
  const std::string File = ::testing::TempDir() + "/qel_nr_master.sql";
  for (const TInheritCase& C : Cases) {
    Build(TargetDb,
          "create table timestamp_base (created_at timestamp, e integer);"
          "create table a (a1 integer, a2 integer) inherits (timestamp_base);"
          "insert into a (e) values (42);");
    WriteStringToFile(File, C.Master);
    const std::string Master = "--master " + ShellQuoted(File);
    std::string Script, Err;
    EXPECT_EQ(Compare(Master, "--execute", Script, Err) == 0, C.Runs) << C.Name << Err;
    std::string Rows;
    Shell("psql -X -At -d " + TargetDb + " -c 'select e from a'", Rows);
    EXPECT_EQ(Trim(Rows).find("42") == 0, std::string(C.Kept) == "42") << C.Name << Rows;
    if (!C.Runs) {
      EXPECT_NE(Err.find("table public.a, which inherits it, keeps it as it is"), std::string::npos)
          << Err;
      continue;
    }
    EXPECT_EQ(Compare(Master, "", Script, Err), 0) << C.Name << Err;
    EXPECT_EQ(Trim(Script), "") << C.Name << "\nSecond comparison:\n" << Script;
  }
}

}  // namespace
