// Every statement of an update script names its object with the object's schema (SQL Anywhere:
// its owner): without it the server acts on an object of that name in the connection's default
// schema, or fails. One schema-qualified object per statement kind and dialect, read from
// scripts as the example program reads them; a table of the same name in the default schema
// stands beside it where the dialect's reader files the two apart.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qelASAScriptExtract.h"
#include "qelASEScriptExtract.h"
#include "qelCompObj.h"
#include "qelComp_Prc.h"
#include "qelDB2ScriptExtract.h"
#include "qelMSSQLScriptExtract.h"
#include "qelOracleScriptExtract.h"
#include "qelPGScriptExtract.h"
#include "test_readback_util.h"

using namespace qel;
namespace readback = qel::testing::readback;

namespace {

using TTexts = std::vector<std::string>;

struct TDialectCase {
  const char* Name;
  readback::TOutcome (*Compare)(const TTexts&, const TTexts&, const std::function<void(TVarnel&)>&);
  const char* Target;
  const char* Master;
  /// Statements (or their first lines) the update script must hold, LF line ends.
  std::vector<const char*> Statements;
};

const TDialectCase Cases[] = {
    {"postgresql",
     readback::CompareScripts<TPGScriptExtract>,
     R"(CREATE SCHEMA app;
CREATE TABLE app.t (id integer NOT NULL, name varchar(20), gone integer, v integer DEFAULT 1);
CREATE TABLE app.w (id integer);
CREATE INDEX ix_gone ON app.t (gone);
ALTER TABLE app.t ADD CONSTRAINT ck_gone CHECK (gone > 0);
CREATE VIEW app.v_gone AS SELECT id FROM app.t;
CREATE FUNCTION app.f(a integer) RETURNS integer AS $$ SELECT a $$ LANGUAGE sql;
CREATE FUNCTION app.g(a integer) RETURNS integer AS $$ SELECT a $$ LANGUAGE sql;
CREATE FUNCTION app.tf() RETURNS trigger AS $$ BEGIN RETURN NEW; END $$ LANGUAGE plpgsql;
CREATE TRIGGER tr_gone BEFORE INSERT ON app.t FOR EACH ROW EXECUTE PROCEDURE app.tf();
CREATE DOMAIN app.d_gone AS integer;
)",
     R"(CREATE SCHEMA app;
CREATE TABLE app.t (id integer NOT NULL, name varchar(40), v integer DEFAULT 2, x integer);
CREATE TABLE app.u (id integer NOT NULL, t_id integer);
ALTER TABLE app.t ADD CONSTRAINT pk_t PRIMARY KEY (id);
ALTER TABLE app.u ADD CONSTRAINT fk_u FOREIGN KEY (t_id) REFERENCES app.t (id);
CREATE INDEX ix_x ON app.t (x);
CREATE VIEW app.v AS SELECT id FROM app.t;
CREATE FUNCTION app.f(a integer) RETURNS integer AS $$ SELECT a + 1 $$ LANGUAGE sql;
CREATE FUNCTION app.tf() RETURNS trigger AS $$ BEGIN RETURN NEW; END $$ LANGUAGE plpgsql;
CREATE TRIGGER tr BEFORE INSERT ON app.t FOR EACH ROW EXECUTE PROCEDURE app.tf();
CREATE DOMAIN app.d AS integer;
COMMENT ON TABLE app.t IS 'x';
COMMENT ON COLUMN app.t.id IS 'x';
)",
     {"CREATE TABLE app.u(",
      "DROP TABLE app.w",
      "ALTER TABLE app.t ADD x integer",
      "ALTER TABLE app.t DROP gone",
      "ALTER TABLE app.t ALTER COLUMN name TYPE varchar(40)",
      "ALTER TABLE app.t ALTER COLUMN v SET DEFAULT 2",
      "ALTER TABLE app.t ADD CONSTRAINT pk_t PRIMARY KEY (id)",
      "ALTER TABLE app.u ADD CONSTRAINT fk_u FOREIGN KEY (t_id) REFERENCES app.t (id)",
      "ALTER TABLE app.t DROP CONSTRAINT ck_gone",
      "CREATE INDEX ix_x ON app.t(x)",
      "DROP INDEX app.ix_gone",
      "CREATE VIEW app.v\n",
      "DROP VIEW app.v_gone",
      "CREATE OR REPLACE FUNCTION app.f(a integer)",
      "DROP FUNCTION app.g(a integer)",
      "CREATE TRIGGER tr\n  BEFORE INSERT\n  ON app.t\n",
      "DROP TRIGGER tr_gone ON app.t",
      "CREATE DOMAIN app.d integer",
      "DROP DOMAIN app.d_gone",
      "COMMENT ON TABLE app.t IS 'x'",
      "COMMENT ON COLUMN app.t.id IS 'x'"}},
    {"mssql",
     readback::CompareScripts<TMSSQLScriptExtract>,
     R"(CREATE SCHEMA sales
GO
CREATE TABLE t (id int NOT NULL, gone int)
GO
CREATE TABLE sales.t (id int NOT NULL, name varchar(20), gone int, v int, g uniqueidentifier NOT NULL)
GO
CREATE TABLE sales.w (id int)
GO
CREATE INDEX ix_gone ON sales.t (gone)
GO
ALTER TABLE sales.t ADD CONSTRAINT ck_gone CHECK (gone > 0)
GO
CREATE VIEW sales.v_gone AS SELECT id FROM sales.t
GO
CREATE PROCEDURE sales.p AS SELECT 1
GO
CREATE PROCEDURE sales.p_gone AS SELECT 1
GO
CREATE TRIGGER sales.tr ON sales.t FOR INSERT AS SELECT 1
GO
CREATE TRIGGER dtr ON DATABASE FOR CREATE_TABLE AS SELECT 1
GO
)",
     R"(CREATE SCHEMA sales
GO
CREATE TABLE t (id int NOT NULL, gone int)
GO
CREATE TABLE sales.t (id int NOT NULL, name varchar(40), v int, x int, g uniqueidentifier ROWGUIDCOL NOT NULL)
GO
ALTER TABLE sales.t ADD DEFAULT 0 FOR v
GO
CREATE TABLE sales.u (id int NOT NULL, t_id int)
GO
ALTER TABLE sales.t ADD CONSTRAINT pk_t PRIMARY KEY (id)
GO
ALTER TABLE sales.u ADD CONSTRAINT fk_u FOREIGN KEY (t_id) REFERENCES sales.t (id)
GO
CREATE INDEX ix_x ON sales.t (x)
GO
CREATE VIEW sales.v AS SELECT id FROM sales.t
GO
CREATE PROCEDURE sales.p AS SELECT 2
GO
CREATE TRIGGER sales.tr ON sales.t FOR UPDATE AS SELECT 1
GO
CREATE TRIGGER dtr ON DATABASE FOR CREATE_TABLE AS SELECT 1
GO
EXEC sp_addextendedproperty N'MS_Description', N'x', N'SCHEMA', N'sales', N'TABLE', N't'
GO
EXEC sp_addextendedproperty N'MS_Description', N'x', N'TRIGGER', N'dtr'
GO
)",
     {"CREATE TABLE SALES.U(", "DROP TABLE SALES.W", "ALTER TABLE SALES.T ADD X INTEGER",
      "ALTER TABLE SALES.T DROP COLUMN GONE", "ALTER TABLE SALES.T ALTER COLUMN NAME VARCHAR(40)",
      "ALTER TABLE SALES.T ADD DEFAULT 0 FOR V",
      "ALTER TABLE SALES.T ALTER COLUMN G ADD ROWGUIDCOL",
      "ALTER TABLE SALES.T ADD CONSTRAINT PK_T PRIMARY KEY (ID)",
      "ALTER TABLE SALES.U ADD CONSTRAINT FK_U FOREIGN KEY (T_ID) REFERENCES SALES.T (ID)",
      "ALTER TABLE SALES.T DROP CONSTRAINT CK_GONE", "CREATE INDEX IX_X ON SALES.T(X)",
      "DROP INDEX SALES.T.IX_GONE", "CREATE VIEW SALES.V\n", "DROP VIEW SALES.V_GONE",
      "ALTER PROCEDURE SALES.P ", "DROP PROCEDURE SALES.P_GONE", "DROP TRIGGER SALES.TR\n",
      "CREATE TRIGGER SALES.TR ON SALES.T\n",
      "@level0type=N'SCHEMA', @level0name=N'SALES', @level1type=N'TABLE', @level1name=N'T'\n",
      // A database-level trigger belongs to no schema and no table.
      "@value=N'x', @level0type=N'TRIGGER', @level0name=N'DTR'\n"}},
    {"oracle",
     readback::CompareScripts<TOracleScriptExtract>,
     R"(CREATE TABLE EMP (ID NUMBER(10) NOT NULL, GONE NUMBER(5));
CREATE TABLE HR.EMP (ID NUMBER(10) NOT NULL, NAME VARCHAR2(20), GONE NUMBER(5), V NUMBER(5) DEFAULT 1);
CREATE TABLE HR.OLD (ID NUMBER(10));
ALTER TABLE HR.EMP ADD CONSTRAINT CK_GONE CHECK (GONE > 0);
CREATE INDEX HR.IX_GONE ON HR.EMP (GONE);
CREATE SEQUENCE HR.S;
CREATE SEQUENCE HR.S_GONE;
CREATE VIEW HR.V_GONE AS SELECT ID FROM HR.EMP;
CREATE OR REPLACE PROCEDURE HR.P AS
BEGIN
  NULL;
END;
/
CREATE OR REPLACE PROCEDURE HR.P_GONE AS
BEGIN
  NULL;
END;
/
CREATE OR REPLACE TRIGGER HR.TR_GONE BEFORE INSERT ON HR.EMP FOR EACH ROW
BEGIN
  NULL;
END;
/
CREATE TYPE HR.T_GONE AS OBJECT (A NUMBER(5));
/
CREATE OR REPLACE PACKAGE HR.PKG AS
  PROCEDURE X;
END PKG;
/
CREATE OR REPLACE PACKAGE HR.PKG_GONE AS
  PROCEDURE X;
END PKG_GONE;
/
)",
     R"(CREATE TABLE EMP (ID NUMBER(10) NOT NULL, GONE NUMBER(5));
CREATE TABLE HR.EMP (ID NUMBER(10) NOT NULL, NAME VARCHAR2(40), V NUMBER(5) DEFAULT 2, X NUMBER(5));
CREATE TABLE HR.DEPT (ID NUMBER(10), EMP_ID NUMBER(10));
ALTER TABLE HR.EMP ADD CONSTRAINT PK_EMP PRIMARY KEY (ID);
ALTER TABLE HR.DEPT ADD CONSTRAINT FK_DEPT FOREIGN KEY (EMP_ID) REFERENCES HR.EMP (ID);
ALTER TABLE HR.DEPT MODIFY (ID CONSTRAINT NN_DEPT_ID NOT NULL);
CREATE INDEX HR.IX_X ON HR.EMP (X);
CREATE INDEX IX_Y ON HR.EMP (V);
CREATE SEQUENCE HR.S INCREMENT BY 5;
CREATE SEQUENCE HR.S_NEW;
CREATE VIEW HR.V AS SELECT ID FROM HR.EMP;
CREATE OR REPLACE PROCEDURE HR.P AS
BEGIN
  NULL; NULL;
END;
/
CREATE OR REPLACE TRIGGER HR.TR BEFORE INSERT ON HR.EMP FOR EACH ROW
BEGIN
  NULL;
END;
/
COMMENT ON COLUMN HR.EMP.ID IS 'x';
COMMENT ON TABLE HR.EMP IS 'x';
CREATE TYPE HR.T_NEW AS OBJECT (A NUMBER(5));
/
CREATE OR REPLACE PACKAGE HR.PKG AS
  PROCEDURE X;
END PKG;
/
CREATE OR REPLACE PACKAGE HR.PKG_NEW AS
  PROCEDURE X;
END PKG_NEW;
/
)",
     {"CREATE TABLE HR.DEPT(",
      "DROP TABLE HR.OLD",
      "ALTER TABLE HR.EMP ADD X NUMBER(5)",
      "ALTER TABLE HR.EMP DROP (GONE)",
      "ALTER TABLE HR.EMP MODIFY(NAME VARCHAR2(40))",
      "ALTER TABLE HR.EMP MODIFY(V DEFAULT 2)",
      "ALTER TABLE HR.EMP ADD CONSTRAINT PK_EMP PRIMARY KEY (ID)",
      "ALTER TABLE HR.DEPT ADD CONSTRAINT FK_DEPT FOREIGN KEY (EMP_ID) REFERENCES HR.EMP (ID)",
      "ALTER TABLE HR.DEPT MODIFY (ID CONSTRAINT NN_DEPT_ID NOT NULL)",
      "ALTER TABLE HR.EMP DROP CONSTRAINT CK_GONE",
      "CREATE INDEX HR.IX_X ON HR.EMP(X)",
      "CREATE INDEX IX_Y ON HR.EMP(V)",
      "DROP INDEX HR.IX_GONE",
      "CREATE OR REPLACE VIEW HR.V\n",
      "DROP VIEW HR.V_GONE",
      "CREATE OR REPLACE PROCEDURE HR.P\n",
      "DROP PROCEDURE HR.P_GONE",
      "CREATE OR REPLACE TRIGGER HR.TR\n  BEFORE INSERT ON HR.EMP\n",
      "DROP TRIGGER HR.TR_GONE",
      "CREATE SEQUENCE HR.S_NEW",
      "ALTER SEQUENCE HR.S increment by 5",
      "DROP SEQUENCE HR.S_GONE",
      "COMMENT ON COLUMN HR.EMP.ID IS",
      "COMMENT ON TABLE HR.EMP IS",
      "CREATE OR REPLACE TYPE HR.T_NEW AS OBJECT",
      "DROP TYPE HR.T_GONE",
      "CREATE OR REPLACE PACKAGE HR.PKG_NEW\n",
      "DROP PACKAGE HR.PKG_GONE"}},
    {"db2",
     readback::CompareScripts<TDB2ScriptExtract>,
     R"(CREATE TABLE T (ID INTEGER NOT NULL, GONE INTEGER);
CREATE TABLE APP.T (ID INTEGER NOT NULL, GONE INTEGER, S CHAR(1));
CREATE TABLE APP.W (ID INTEGER);
ALTER TABLE APP.T ADD CONSTRAINT CK_GONE CHECK (GONE > 0);
CREATE INDEX APP.IX_GONE ON APP.T (GONE);
CREATE VIEW APP.V_GONE AS SELECT ID FROM APP.T;
CREATE TRIGGER APP.TR_GONE NO CASCADE BEFORE INSERT ON APP.T
  REFERENCING NEW AS N FOR EACH ROW MODE DB2SQL SET N.S = 'A';
)",
     R"(CREATE TABLE T (ID INTEGER NOT NULL, GONE INTEGER);
CREATE TABLE APP.T (ID INTEGER NOT NULL, S CHAR(1), X INTEGER);
CREATE TABLE APP.U (ID INTEGER NOT NULL, T_ID INTEGER);
ALTER TABLE APP.T ADD CONSTRAINT PK_T PRIMARY KEY (ID);
ALTER TABLE APP.U ADD CONSTRAINT FK_U FOREIGN KEY (T_ID) REFERENCES APP.T (ID);
CREATE INDEX APP.IX_X ON APP.T (X);
CREATE INDEX IX_U ON APP.U (T_ID);
CREATE VIEW APP.V AS SELECT ID FROM APP.T;
CREATE TRIGGER APP.TR NO CASCADE BEFORE INSERT ON APP.T
  REFERENCING NEW AS N FOR EACH ROW MODE DB2SQL SET N.S = 'A';
)",
     {"CREATE TABLE APP.U(", "DROP TABLE APP.W", "ALTER TABLE APP.T ADD X INTEGER",
      "ALTER TABLE APP.T DROP GONE", "ALTER TABLE APP.T ADD CONSTRAINT PK_T PRIMARY KEY (ID)",
      "ALTER TABLE APP.U ADD CONSTRAINT FK_U FOREIGN KEY (T_ID) REFERENCES APP.T (ID)",
      "ALTER TABLE APP.T DROP CONSTRAINT CK_GONE", "CREATE INDEX APP.IX_X ON APP.T(X)",
      "CREATE INDEX IX_U ON APP.U(T_ID)", "DROP INDEX APP.IX_GONE", "CREATE VIEW APP.V\n",
      "DROP VIEW APP.V_GONE", "CREATE TRIGGER APP.TR\n  NO CASCADE BEFORE INSERT ON APP.T\n",
      "DROP TRIGGER APP.TR_GONE"}},
    // SQL Anywhere names an object behind its owner.
    {"sqlanywhere",
     readback::CompareScripts<TASAScriptExtract>,
     R"(CREATE TABLE app.t (id INTEGER NOT NULL, name VARCHAR(20) NULL, gone INTEGER NULL)
go
CREATE TABLE app.w (id INTEGER NULL)
go
CREATE INDEX ix_gone ON app.t (gone)
go
CREATE VIEW app.v_gone AS SELECT id FROM app.t
go
CREATE PROCEDURE app.p(IN a INTEGER DEFAULT 0)
BEGIN
  SELECT a;
END
go
CREATE PROCEDURE app.p_gone()
BEGIN
  SELECT 1;
END
go
CREATE TRIGGER tr_gone BEFORE INSERT ON app.t FOR EACH ROW
BEGIN
  DECLARE i INTEGER;
END
go
)",
     R"(CREATE TABLE app.t (id INTEGER NOT NULL, name VARCHAR(40) NULL, x INTEGER NULL, PRIMARY KEY (id))
go
CREATE TABLE app.u (id INTEGER NOT NULL, t_id INTEGER NULL)
go
ALTER TABLE app.u ADD FOREIGN KEY fk_u (t_id) REFERENCES app.t (id)
go
CREATE INDEX ix_x ON app.t (x)
go
CREATE VIEW app.v AS SELECT id FROM app.t
go
CREATE PROCEDURE app.p(IN a INTEGER DEFAULT 1)
BEGIN
  SELECT a;
END
go
CREATE PROCEDURE app.q(IN b VARCHAR(10) DEFAULT 'abc')
BEGIN
  SELECT b;
END
go
CREATE TRIGGER tr BEFORE INSERT ON app.t FOR EACH ROW
BEGIN
  DECLARE i INTEGER;
END
go
COMMENT ON TABLE app.t IS 'x'
go
COMMENT ON COLUMN app.t.id IS 'x'
go
)",
     {"CREATE TABLE app.u(", "DROP TABLE app.w", "ALTER TABLE app.t ADD x INTEGER NULL",
      "ALTER TABLE app.t DROP gone", "ALTER TABLE app.t MODIFY name VARCHAR(40)",
      "ALTER TABLE app.t ADD PRIMARY KEY (id)",
      "ALTER TABLE app.u ADD FOREIGN KEY fk_u (t_id) REFERENCES app.t (id)",
      "CREATE INDEX ix_x ON app.t(x)", "DROP INDEX app.t.ix_gone", "CREATE VIEW app.v\n",
      "DROP VIEW app.v_gone", "DROP PROCEDURE app.p_gone",
      // A parameter keeps its default, and a changed default is a changed parameter list.
      "ALTER PROCEDURE app.p(In a INTEGER DEFAULT 1)\n",
      "CREATE PROCEDURE app.q(In b VARCHAR(10) DEFAULT 'abc')\n", "tr BEFORE INSERT ON\napp.t\n",
      "DROP TRIGGER app.t.tr_gone", "COMMENT ON TABLE app.t IS", "COMMENT ON COLUMN app.t.id IS"}},
    // ASE has no schemas; a name that needs quoting names nothing, or something else, bare.
    {"ase",
     readback::CompareScripts<TASEScriptExtract>,
     "create table [order line] (id int not null, qty int null)\ngo\n",
     "create table [order line] (id int not null, [user] int null)\ngo\n"
     "create index [ix user] on [order line] ([user])\ngo\n"
     "create view [big lines] as select id from [order line]\ngo\n",
     {"ALTER TABLE [order line] ADD [user] INTEGER NULL", "ALTER TABLE [order line] DROP qty",
      "CREATE INDEX [ix user] ON [order line]([user])", "CREATE VIEW [big lines]\n"}},
};

/// Script without CR: the writers end lines with CR LF.
std::string Flat(const std::string& S) {
  std::string R;
  for (char C : S)
    if (C != '\r') R += C;
  return R;
}

}  // namespace

TEST(SchemaNames, EveryStatementKindNamesTheObjectWithItsSchema) {
  for (const TDialectCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    const readback::TOutcome R = C.Compare({C.Master}, {C.Target}, nullptr);
    ASSERT_TRUE(R.Written);
    EXPECT_EQ(R.Errors, std::vector<std::string>{});
    const std::string Script = Flat(R.Script);
    for (const char* S : C.Statements)
      EXPECT_NE(Script.find(S), std::string::npos) << S << "\n--- in:\n" << Script;
  }
}

TEST(SchemaNames, ADB2RoutineIsDroppedWithItsSchema) {
  // DB2 routines are read from the catalog only, so no script above has one.
  TObjs O;
  O.SetDatabaseType(dbDB2);
  auto* P = new TPrcData(&O);
  P->SetObjName("P");
  P->SetSchema("APP");
  ASSERT_TRUE(O.AddObj(P));
  EXPECT_EQ(P->DropDef(), "DROP PROCEDURE APP.P");
  P->IsFunction = true;
  EXPECT_EQ(P->DropDef(), "DROP FUNCTION APP.P");
}

TEST(SchemaNames, AnOraclePackageOfASchemaIsFoundByItsKey) {
  // An unchanged package of a schema is neither dropped nor created again.
  const char* Pkg = "CREATE OR REPLACE PACKAGE HR.PKG AS\n  PROCEDURE X;\nEND PKG;\n/\n";
  const readback::TOutcome R = readback::CompareScripts<TOracleScriptExtract>({Pkg}, {Pkg});
  EXPECT_EQ(readback::Statements(R.Script), "");
}
