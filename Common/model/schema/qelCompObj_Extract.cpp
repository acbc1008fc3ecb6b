// The schema-to-script writer: a whole collection as one creation script in its own dialect
// (header, then the objects kind by kind in a fixed order, each followed by its descriptions),
// and one table with its keys, indexes and triggers.
#include <unordered_map>
#include <utility>
#include <vector>

#include "Text.h"
#include "qelCompObj.h"
#include "qelCompObj_Header.h"
#include "qelComp_Ctr.h"
#include "qelComp_Dmn.h"
#include "qelComp_Idx.h"
#include "qelComp_Pkg.h"
#include "qelComp_Prc.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelDialects.h"

namespace qel {

/// How one kind is written.
struct TKindStyle {
  /// Text from CreateDef rather than Def.
  bool UseCreateDef = false;
  /// SQL Server SET lines before the text.
  bool SetLines = true;
  /// A blank line after the text.
  bool Blank = true;
  bool Descriptions = true;
  /// The text, when it is neither Def nor CreateDef.
  std::string (*Text)(const TDbObj&) = nullptr;
};

namespace {

const char* const CrLf = "\r\n";

/// Holds the InterBase description mode for one run of a writer and puts it back afterwards.
/// A creation script runs against a database it has just made, where the description is best
/// set by the statement the server has for it: COMMENT ON from Firebird 2.0 on, DESCRIBE before.
/// Updates of the system tables are kept for the update script, where the user chose them.
class TDescriptionModeScope {
 public:
  explicit TDescriptionModeScope(TObjs& Objs)
      : FOptions(Objs.IBServerOptions.GetIBCompareOptions()),
        FSaved(FOptions.GetUpdateDescriptionMode()) {
    if (Objs.GetDatabaseType() != dbInterBase || FSaved != udSysTables) return;
    const TIBSQLServerVersionType V = Objs.IBServerOptions.SQLServerVersion;
    const bool Comment = V == st_Firebird_20 || V == st_Firebird_21 || V == st_Firebird_25;
    FOptions.SetUpdateDescriptionMode(Comment ? udComment : udDescribe);
  }
  TDescriptionModeScope(const TDescriptionModeScope&) = delete;
  TDescriptionModeScope& operator=(const TDescriptionModeScope&) = delete;
  ~TDescriptionModeScope() { FOptions.SetUpdateDescriptionMode(FSaved); }

 private:
  TIBCompareOptions& FOptions;
  TUpdateDescriptionType FSaved;
};

/// Writes Obj into the collection's script buffer in Style. An object the host marked to be
/// passed by, or one without a text of this dialect, is left out with its descriptions: a
/// lone terminator would be a statement of nothing, and a description of an object the script
/// never creates would fail. Returns true when the object was written.
bool WriteObj(TObjs& Objs, TDbObj* Obj, const TKindStyle& Style) {
  if (!Obj || Obj->SkipDef) return false;
  const std::string Text = Style.Text           ? Style.Text(*Obj)
                           : Style.UseCreateDef ? Obj->CreateDef()
                                                : Obj->Def();
  if (Text.empty()) return false;
  if (Style.SetLines) Objs.MsCheckOptions(Obj->QuotedIdentifier, Obj->AnsiNulls);
  Objs.ScriptBuffer.Add(Text + Objs.Terminator);
  if (Style.Blank) Objs.ScriptBuffer.Add("");
  if (Style.Descriptions) Objs.ExtractDescription(Obj, Objs.ScriptBuffer);
  return true;
}

void WriteList(TObjs& Objs, const TDbObjList& List, const TKindStyle& Style) {
  for (int I = 0; I < List.Count(); ++I) WriteObj(Objs, List.Objects(I), Style);
}

/// The kinds an object of Kind needs to exist before the server creates it, as far as the
/// writer orders them: views need the views and functions they read and the domains of their
/// columns; domains the domains and types they are declared over and the functions their checks
/// call; tables the functions their defaults call; routines the domains and types of their
/// parameters (their bodies are not checked: the PostgreSQL script turns the check off).
bool WrittenBefore(std::int32_t Kind, std::int32_t PrerequisiteKind) {
  switch (Kind) {
    case kindView:
      return PrerequisiteKind == kindView || PrerequisiteKind == kindProcedure ||
             PrerequisiteKind == kindDomain;
    case kindDomain:
      return PrerequisiteKind == kindDomain || PrerequisiteKind == kindProcedure;
    case kindTable:
      return PrerequisiteKind == kindProcedure || PrerequisiteKind == kindDomain;
    case kindProcedure:
      return PrerequisiteKind == kindDomain;
    default:
      return false;
  }
}

/// A Firebird procedure that a view or another procedure uses. The server checks such a use
/// against the procedure's parameters when it stores the user, so the procedure is declared
/// first with an empty body (EmptyDef) and takes its own body (AlterDef) after the views: no
/// order of names, and no cycle of calls, can then make the script fail.
bool DeclaredAhead(const TDbObj& Obj) {
  if (Obj.GetDatabaseType() != dbInterBase || Obj.Kind != kindProcedure) return false;
  for (int I = 0; I < Obj.UseIn.Count(); ++I) {
    const TDbObj* User = Obj.UseIn[I]->DepObj;
    if (User && User != &Obj && User->Owner == Obj.Owner &&
        (User->Kind == kindView || User->Kind == kindProcedure))
      return true;
  }
  return false;
}

std::string EmptyText(const TDbObj& Obj) {
  const auto* Prc = dynamic_cast<const TPrcData*>(&Obj);
  return Prc && DeclaredAhead(Obj) ? Prc->EmptyDef() : std::string();
}

std::string BodyText(const TDbObj& Obj) {
  return DeclaredAhead(Obj) ? Obj.AlterDef() : Obj.Def();
}

/// Writes objects each after the objects of the same collection it rests on (its dependency
/// records, as far as WrittenBefore says the server needs them), depth first with a stack of
/// its own, as chains can be long; a cycle, which no server stores, is cut where it is met. An
/// object is written once, whichever list brings it. Routines declared ahead (DeclaredAhead)
/// are there already and are not written again before their users.
class TOrderedWriter {
 public:
  explicit TOrderedWriter(TObjs& Objs) : FObjs(Objs) {}

  void Write(const TDbObjList& List) {
    for (int I = 0; I < List.Count(); ++I)
      if (TDbObj* First = List.Objects(I)) Write(First);
  }

 private:
  void Write(TDbObj* First) {
    if (FState[First] != 0) return;
    FState[First] = 1;
    std::vector<std::pair<TDbObj*, int>> Stack{{First, 0}};  // an object, its next record
    while (!Stack.empty()) {
      TDbObj* O = Stack.back().first;
      const int Next = Stack.back().second++;
      if (Next < O->UseOf.Count()) {
        TDbObj* D = O->UseOf[Next]->DepObj;
        if (D && D->Owner == &FObjs && WrittenBefore(O->Kind, D->Kind) && !DeclaredAhead(*D) &&
            FState[D] == 0) {
          FState[D] = 1;
          Stack.emplace_back(D, 0);
        }
        continue;
      }
      WriteObj(FObjs, O, {});
      Stack.pop_back();
    }
  }

  TObjs& FObjs;
  std::unordered_map<const TDbObj*, int> FState;  // 1: on its way or written
};

/// "ON" or "OFF".
const char* OnOff(bool Value) {
  return Value ? "ON" : "OFF";
}

/// The PostgreSQL statement word that gives Obj its owner; nullptr for kinds that take none.
const char* OwnerWord(const TDbObj* Obj) {
  if (const auto* Sch = dynamic_cast<const TSchData*>(Obj))
    return Sch->GetObjName() == "public" ? nullptr : "ALTER SCHEMA";
  if (dynamic_cast<const TTblData*>(Obj)) return "ALTER TABLE";
  if (const auto* Dmn = dynamic_cast<const TDmnData*>(Obj))
    return Dmn->PGOptions && Dmn->PGOptions->IsType ? "ALTER TYPE" : "ALTER DOMAIN";
  // A routine written as CREATE PROCEDURE is no function to the server (ALTER FUNCTION on it
  // fails).
  if (const auto* Prc = dynamic_cast<const TPrcData*>(Obj))
    return Prc->IsFunction ? "ALTER FUNCTION" : "ALTER PROCEDURE";
  if (dynamic_cast<const TOprData*>(Obj)) return "ALTER OPERATOR";
  if (dynamic_cast<const TOpcData*>(Obj)) return "ALTER OPERATOR CLASS";
  if (dynamic_cast<const TViwData*>(Obj)) return "ALTER VIEW";
  return nullptr;
}

/// What names the object after its full name in an owner statement: the argument types of a
/// function or operator, the access method of an operator class.
std::string OwnerSignature(const TDbObj* Obj) {
  // ALTER FUNCTION names the function by its arguments only; a RETURNS clause there is a
  // syntax error.
  if (const auto* Prc = dynamic_cast<const TPrcData*>(Obj)) return Prc->ParamDef(false);
  if (const auto* Opr = dynamic_cast<const TOprData*>(Obj)) return Opr->ParamDef();
  if (const auto* Opc = dynamic_cast<const TOpcData*>(Obj)) return " USING " + Opc->IndexMethod;
  return "";
}

/// Term without its closing line break: a description in a table script is followed by a
/// blank item, which gives the same text as the full terminator.
std::string WithoutLineEnd(std::string Term) {
  if (Term.size() >= 2 && Term.compare(Term.size() - 2, 2, CrLf) == 0) Term.resize(Term.size() - 2);
  return Term;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The whole schema.

void TObjs::ExtractMetadata() {
  TDescriptionModeScope DescriptionMode(*this);
  ScriptBuffer.Clear();
  const TDatabaseType DB = GetDatabaseType();
  Terminator = DB == dbSybaseASA || DB == dbMSSQL || DB == dbSybaseASE ? "\r\ngo" : ";";
  ExtractScriptHeader(ScriptBuffer);

  // Each kind comes after the kinds its objects may use.
  ScriptBuffer.Add("");
  ExtractSch();
  ScriptBuffer.Add("");
  ExtractUdf();
  ScriptBuffer.Add("");
  // SQL Server and ASE bind their stand-alone rules and defaults to columns and user types.
  if (DB == dbMSSQL || DB == dbSybaseASE) {
    WriteList(*this, Rules, {.SetLines = false});
    WriteList(*this, Defaults, {.SetLines = false});
  }
  // PostgreSQL checks what a domain, a default and a view call when it creates them: a function
  // comes before its first user, and domains, tables and views each after what they need.
  // Other servers take their routines after the views they read.
  TOrderedWriter Ordered(*this);
  if (DB == dbPostgreSQL) {
    Ordered.Write(Domains);
    Ordered.Write(Tables);
  } else {
    ExtractDmn();
    ExtractTbl();
  }
  ExtractIdx();
  ExtractPkg();
  ExtractCtr();
  ExtractExc();
  ScriptBuffer.Add("");
  ExtractGnr();
  ScriptBuffer.Add("");
  if (DB == dbPostgreSQL) {
    Ordered.Write(Procedures);
    Ordered.Write(Views);
  } else {
    // Firebird: the procedures that views and procedures use are declared before the views.
    ExtractBlocks(Procedures, {.Descriptions = false, .Text = EmptyText});
    ExtractViw();
    ExtractPrc();
  }
  ExtractTrg();
  ScriptBuffer.Add("");
  ExtractEvt();
  // SQL Anywhere publications name tables and their columns: after the tables.
  WriteList(*this, Publications, {.UseCreateDef = true, .Blank = false});
  ExtractRol();
  ScriptBuffer.Add("");
  ExtractGnt();
  ScriptBuffer.Add("");

  QuotedIdentifierState = false;
  AnsiNullsState = false;
}

void TObjs::ExtractMetadata(TStrings& aScript) {
  if (&aScript == &ScriptBuffer) {
    ExtractMetadata();
    return;
  }
  ScriptBuffer.Clear();
  ExtractMetadata();
  aScript.AddStrings(ScriptBuffer);
  ScriptBuffer.Clear();
}

// ---------------------------------------------------------------------------------------------
// Header, SET lines and descriptions.

void TObjs::ExtractScriptHeader(TStrings& aScript) {
  const std::string End = Terminator + CrLf;
  const std::string& DbName = ConnectionOptions.GetDatabaseName();
  const TDatabaseType DB = GetDatabaseType();
  // A database name is an identifier of the script; one with blanks or signs still names it.
  auto QuotedDb = [&] {
    return Quote_Ident(DbName, DB, IBServerOptions.SQLServerVersion,
                       static_cast<std::int8_t>(IBServerOptions.GetSQLDialect()));
  };
  switch (DB) {
    case dbInterBase: {
      const std::string CharSet = IBServerOptions.DBCharSetDef();
      if (ScriptOptions.DBCharSet && !CharSet.empty()) aScript.Add(CharSet + End);
      // Dialect 2 is a client dialect only; the database it works on is a dialect 3 one.
      const TIBSQLDialectType Dialect = IBServerOptions.GetSQLDialect();
      if (ScriptOptions.SQLDialect && (Dialect == 2 || Dialect == 3))
        aScript.Add("SET SQL DIALECT 3" + End);
      if (ScriptOptions.Connect && !DbName.empty())
        aScript.Add(IBServerOptions.CreateDatabaseDef(ConnectionOptions) + End);
      const TIBDatabaseOptions& DbOpt = IBServerOptions.GetIBDatabaseOptions();
      if (DbOpt.ODSMajorVersion != 0)
        aScript.Add("/* Server Version: " + SafeBlockComment(DbOpt.ServerVersionText) +
                    ".  ODS Version: " + std::to_string(DbOpt.ODSMajorVersion) + "." +
                    std::to_string(DbOpt.ODSMinorVersion) + ". */" + CrLf);
      break;
    }
    case dbMSSQL:
      if (ScriptOptions.Connect && !DbName.empty()) {
        aScript.Add("USE " + QuotedDb() + End);
        if (MSSQLServerOptions.GetMSSQLDatabaseOptions().RecursiveTriggers)
          aScript.Add("ALTER DATABASE " + QuotedDb() + " SET RECURSIVE_TRIGGERS ON" + End);
      }
      // Every script states both settings, so that it does not depend on the connection's.
      QuotedIdentifierState = true;
      AnsiNullsState = true;
      MsCheckOptions(aScript, false, false);
      break;
    case dbOracle:
      // The password stays out of the script.
      if (ScriptOptions.Connect && !ConnectionOptions.UserName.empty() &&
          !ConnectionOptions.Password.empty())
        aScript.Add("-- CONNECT " + SafeLineComment(ConnectionOptions.UserName) + "/*****" + "@" +
                    SafeLineComment(DbName) + End);
      break;
    case dbMySQL:
      if (ScriptOptions.Connect && !DbName.empty()) aScript.Add("USE " + QuotedDb() + End);
      break;
    case dbSybaseASE: {
      const TASEDatabaseOptions& Opt = ASEServerOptions.GetASEDatabaseOptions();
      for (const std::string& Line : ASEDatabaseInfoLines(Opt, DbName)) aScript.Add(Line);
      if (!Opt.Description.empty()) aScript.Add("");
      if (ScriptOptions.Connect && !DbName.empty()) {
        aScript.Add("use " + DbName + End);
        aScript.Add("use master" + End);
        aScript.Add("if exists( select 1 from master.dbo.sysdatabases where name = " +
                    QuotedStr(DbName, '\'') + ")" + CrLf + "  drop database " + DbName + End);
        aScript.Add("create database " + DbName + End);
        aScript.Add("use " + DbName + End);
      }
      if (!Opt.DBOptions.Empty()) {
        for (std::size_t I = 0; I < ASEDBOptionCount; ++I) {
          const auto Option = static_cast<TASEDBOption>(I);
          if (Opt.DBOptions.Contains(Option))
            aScript.Add(ASEDBOptionDef(DbName, Option, true) + End);
        }
        aScript.Add("checkpoint" + End);
      }
      break;
    }
    case dbPostgreSQL:
      if (!DbName.empty()) aScript.Add("/* Database: " + SafeBlockComment(DbName) + " */");
      // Functions are written before the views that call them; a SQL function's body may in
      // turn read a view, which the server would look for at once.
      aScript.Add("SET check_function_bodies = false;");
      break;
    default:
      break;
  }
}

std::vector<std::string> ASEDatabaseInfoLines(const TASEDatabaseOptions& Options,
                                              const std::string& DbName) {
  std::vector<std::string> Lines;
  auto Info = [&Lines](const char* Label, const std::string& Value) {
    if (!Value.empty()) Lines.push_back(Label + SafeLineComment(Value));
  };
  Info("-- ", Options.Description);
  Info("-- Database: ", DbName);
  Info("-- Size    : ", Options.Size);
  Info("-- Owner   : ", Options.Owner);
  Info("-- Created : ", Options.Created);
  Info("-- Options : ", Options.OptionsText);
  return Lines;
}

std::string ASEDBOptionDef(const std::string& DbName, TASEDBOption Option, bool On) {
  return "exec master.dbo.sp_dboption " + DbName + ", " +
         QuotedStr(TASEDatabaseOptions::DBOptionStr(Option)) + ", " + (On ? "True" : "False");
}

void TObjs::MsCheckOptions(bool aQuotedIdentifier, bool aAnsiNulls) {
  MsCheckOptions(ScriptBuffer, aQuotedIdentifier, aAnsiNulls);
}

void TObjs::MsCheckOptions(TStrings& aScript, bool aQuotedIdentifier, bool aAnsiNulls) {
  // SQL Server keeps both settings with each view, procedure and trigger as they were when it
  // was created; the script switches them only where they change.
  if (GetDatabaseType() != dbMSSQL) return;
  if (aQuotedIdentifier != QuotedIdentifierState) {
    aScript.Add(std::string("SET QUOTED_IDENTIFIER ") + OnOff(aQuotedIdentifier) + Terminator +
                CrLf);
    QuotedIdentifierState = aQuotedIdentifier;
  }
  if (aAnsiNulls != AnsiNullsState) {
    aScript.Add(std::string("SET ANSI_NULLS ") + OnOff(aAnsiNulls) + Terminator + CrLf);
    AnsiNullsState = aAnsiNulls;
  }
}

void TObjs::ExtractDescription(TDbObj* Obj, TStrings& aScript) {
  ExtractDescription(Obj, aScript, Terminator);
}

void TObjs::ExtractDescription(TDbObj* Obj, TStrings& aScript, const std::string& Term) {
  if (!Obj) return;
  if (GetDatabaseType() == dbPostgreSQL && !Obj->Extra().Creator.empty())
    if (const char* Word = OwnerWord(Obj)) {
      aScript.Add(std::string(Word) + " " + Obj->GetObjFullName() + OwnerSignature(Obj) +
                  " OWNER TO " + Obj->QuoteIdent(Obj->Extra().Creator) + Term);
      aScript.Add("");
    }
  if (!Obj->Extra().Description.empty()) {
    // Dialects (or kinds) that keep no description give no text: nothing is written then.
    const std::string Text = Obj->DescriptionDef();
    if (!Text.empty()) {
      aScript.Add(Text + Term);
      aScript.Add("");
    }
  }
  auto Items = [&](const TObjVector<TFldData>& List) {
    for (const auto& F : List)
      if (!F->Extra().Description.empty()) ExtractDescription(F.get(), aScript, Term);
  };
  if (const auto* Tbl = dynamic_cast<const TTblData*>(Obj)) {
    Items(Tbl->Fields);
  } else if (const auto* Prc = dynamic_cast<const TPrcData*>(Obj)) {
    Items(Prc->Params);
    Items(Prc->Results);
  } else if (const auto* Viw = dynamic_cast<const TViwData*>(Obj)) {
    Items(Viw->Fields);
    Items(Viw->DescribedColumns);
  }
}

// ---------------------------------------------------------------------------------------------
// The per-kind writers.

void TObjs::ExtractSch() {
  for (int I = 0; I < Schemas.Count(); ++I) {
    auto* Sch = dynamic_cast<TSchData*>(Schemas.Objects(I));
    if (!Sch || Sch->SkipDef) continue;
    // The server makes its own schemas ("public", "dbo" ...); their descriptions are still
    // the user's.
    if (!Sch->BuiltIn()) WriteObj(*this, Sch, {.SetLines = false, .Descriptions = false});
    ExtractDescription(Sch, ScriptBuffer);
  }
}

void TObjs::ExtractUdf() {
  WriteList(*this, Functions, {.SetLines = false});
}

void TObjs::ExtractDmn() {
  // SQL*Plus runs an Oracle CREATE TYPE at its "/" line, as it does a routine.
  if (GetDatabaseType() == dbOracle) {
    ExtractBlocks(Domains, {});
    return;
  }
  WriteList(*this, Domains, {});
}

void TObjs::ExtractTbl() {
  WriteList(*this, Tables, {});
}

bool TObjs::KeysInTableText(const std::string& TableName) const {
  if (GetDatabaseType() != dbMySQL) return false;
  const auto* Tbl = dynamic_cast<const TTblData*>(Tables.FindObj(TableName));
  return Tbl && !Tbl->SkipDef && Tbl->GetObjName() == TableName;
}

void TObjs::ExtractIdx() {
  for (int I = 0; I < Indexes.Count(); ++I) {
    auto* Idx = dynamic_cast<TIdxData*>(Indexes.Objects(I));
    if (!Idx) continue;
    // The MySQL table text declares every index whose columns are known.
    if (KeysInTableText(Idx->TableName) && !Idx->GetFlds().empty()) continue;
    WriteObj(*this, Idx, {.Blank = false});
  }
}

void TObjs::ExtractPkg() {
  if (GetDatabaseType() != dbOracle) return;
  for (int I = 0; I < Packages.Count(); ++I) {
    auto* Pkg = dynamic_cast<TPkgData*>(Packages.Objects(I));
    if (!Pkg || Pkg->SkipDef) continue;
    ScriptBuffer.Add(Pkg->HeaderDef() + CrLf + "/");
    ScriptBuffer.Add("");
    // A package without a body is a package header only; an empty body would not compile.
    if (!Pkg->BodySource.empty()) {
      ScriptBuffer.Add(Pkg->BodyDef() + CrLf + "/");
      ScriptBuffer.Add("");
    }
    ExtractDescription(Pkg, ScriptBuffer);
  }
}

void TObjs::ExtractCtr() {
  auto Pass = [this](TConstraintType Type) {
    for (int I = 0; I < Constraints.Count(); ++I) {
      auto* Ctr = dynamic_cast<TCtrData*>(Constraints.Objects(I));
      if (!Ctr || Ctr->SkipDef || Ctr->GetCtType() != Type) continue;
      // The MySQL table text declares its primary and unique keys.
      if ((Type == ctPKey || Type == ctUnique) && KeysInTableText(Ctr->GetTblName())) continue;
      const std::string Text = Ctr->Def();
      if (Text.empty()) continue;
      if (!Ctr->GetObjName().empty())
        ScriptBuffer.Add("/* " + SafeBlockComment(Ctr->GetObjName()) + " */");
      if (!Ctr->Extra().AltName.empty())
        ScriptBuffer.Add("/* " + SafeBlockComment(Ctr->Extra().AltName) + " */");
      MsCheckOptions(Ctr->QuotedIdentifier, Ctr->AnsiNulls);
      ScriptBuffer.Add(Text + Terminator);
      ScriptBuffer.Add("");
    }
  };
  // SQL Server binds defaults by constraint; elsewhere a default belongs to its column.
  if (GetDatabaseType() == dbMSSQL) Pass(ctDefault);
  // Keys before the foreign keys that reference them.
  for (TConstraintType Type : {ctPKey, ctUnique, ctFKey, ctCheck}) Pass(Type);
}

void TObjs::ExtractExc() {
  WriteList(*this, Exceptions, {});
}

void TObjs::ExtractGnr() {
  WriteList(*this, Generators, {.Blank = false});
}

void TObjs::ExtractViw() {
  TOrderedWriter(*this).Write(Views);
}

void TObjs::ExtractBlocks(const TDbObjList& List, const TKindStyle& Style) {
  // Routine and trigger texts hold statements of their own, ended by ";": InterBase tools need
  // another terminator around them, Oracle tools a "/" line after each.
  const TDatabaseType DB = GetDatabaseType();
  bool Any = false;
  for (int I = 0; I < List.Count() && !Any; ++I)
    Any = !Style.Text || (List.Objects(I) && !Style.Text(*List.Objects(I)).empty());
  const bool IBBlock = DB == dbInterBase && Any;
  if (IBBlock) {
    ScriptBuffer.Add(std::string("SET TERM ^ ;") + CrLf);
    Terminator = "\r\n^";
  } else if (DB == dbOracle) {
    Terminator = "\r\n/";
  }
  WriteList(*this, List, Style);
  if (IBBlock) {
    ScriptBuffer.Add(std::string("SET TERM ; ^") + CrLf);
    Terminator.assign(1, ';');
  } else if (DB == dbOracle) {
    Terminator = ";";
  }
}

void TObjs::ExtractPrc() {
  ExtractBlocks(Procedures, {.Text = BodyText});
}

void TObjs::ExtractTrg() {
  ExtractBlocks(Triggers, {});
}

void TObjs::ExtractEvt() {
  WriteList(*this, Events, {.UseCreateDef = true, .Blank = false});
}

void TObjs::ExtractRol() {
  WriteList(*this, Roles, {.UseCreateDef = true, .Blank = false});
}

void TObjs::ExtractGnt() {
  WriteList(*this, Grants, {.UseCreateDef = true, .SetLines = false, .Blank = false});
}

// ---------------------------------------------------------------------------------------------
// One table.

void TObjs::ExtractTable(TStrings& aScript, const std::string& TableName,
                         const TCmpObjSetType& Kinds, bool WithHeader) {
  TDescriptionModeScope DescriptionMode(*this);
  const TDatabaseType DB = GetDatabaseType();
  const std::string Term = GenScriptTerm(DB);
  const std::string DescrTerm = WithoutLineEnd(Term);
  const bool Descriptions = Kinds.Contains(coDescription);

  TTblData* Tbl = GetTable(TableName);
  if (!Tbl) Tbl = GetTable(UpperCase(TableName));
  if (!Tbl) {
    aScript.Add("/* Table \"" + SafeBlockComment(TableName) + "\" not found */");
    return;
  }
  if (WithHeader) ExtractScriptHeader(aScript);
  if (const std::string Text = Tbl->Def(); !Text.empty()) aScript.Add(Text + Term);
  if (Descriptions) ExtractDescription(Tbl, aScript, DescrTerm);

  // What the MySQL table text declares itself is not written again.
  const bool InlineKeys = DB == dbMySQL && !Tbl->SkipDef;
  // Keys, indexes and triggers belong to the table by the name as the caller gave it.
  static constexpr std::pair<TCmpObjType, TConstraintType> KeyKinds[] = {
      {coPrimaryKey, ctPKey}, {coUnique, ctUnique}, {coForeignKey, ctFKey}, {coCheck, ctCheck}};
  for (const auto& [Kind, Type] : KeyKinds) {
    if (!Kinds.Contains(Kind)) continue;
    bool First = true;
    for (int I = 0; I < Constraints.Count(); ++I) {
      auto* Ctr = dynamic_cast<TCtrData*>(Constraints.Objects(I));
      if (!Ctr || Ctr->SkipDef || Ctr->GetCtType() != Type || Ctr->GetTblName() != TableName)
        continue;
      if (InlineKeys && (Type == ctPKey || Type == ctUnique) &&
          Ctr->GetTblName() == Tbl->GetObjName())
        continue;
      const std::string Text = Ctr->Def();
      if (Text.empty()) continue;
      if (First) aScript.Add("");
      First = false;
      aScript.Add(Text + Term);
    }
  }

  if (Kinds.Contains(coIndex)) {
    bool First = true;
    for (int I = 0; I < Indexes.Count(); ++I) {
      auto* Idx = dynamic_cast<TIdxData*>(Indexes.Objects(I));
      if (!Idx || Idx->SkipDef || Idx->TableName != TableName) continue;
      if (InlineKeys && Idx->TableName == Tbl->GetObjName() && !Idx->GetFlds().empty()) continue;
      const std::string Text = Idx->Def();
      if (Text.empty()) continue;
      if (First) aScript.Add("");
      First = false;
      aScript.Add(Text + Term);
      if (Descriptions) ExtractDescription(Idx, aScript, DescrTerm);
    }
  }

  if (Kinds.Contains(coTrigger)) {
    for (int I = 0; I < Triggers.Count(); ++I) {
      auto* Trg = dynamic_cast<TTrgData*>(Triggers.Objects(I));
      if (!Trg || Trg->SkipDef || Trg->OwnName != TableName) continue;
      const std::string Text = Trg->Def();
      if (Text.empty()) continue;
      if (DB == dbInterBase) {
        aScript.Add("");
        aScript.Add("SET TERM ^ ;");
      }
      aScript.Add("");
      if (DB == dbInterBase) {
        aScript.Add(Text);
        aScript.Add("^");
        aScript.Add("");
        aScript.Add("SET TERM ; ^");
      } else if (DB == dbOracle) {
        // The trigger body ends in ";" itself; SQL*Plus-style tools run the block at the "/".
        aScript.Add(Text + CrLf + "/" + CrLf);
      } else {
        aScript.Add(Text + Term);
      }
      if (Descriptions) ExtractDescription(Trg, aScript, DescrTerm);
    }
  }
}

}  // namespace qel
