// The comparer's second half: the update script. The header of the target's dialect, then the
// passes of every object kind in one fixed order; the order is what makes the script run: what
// an object needs is created before it, and what needs an object is dropped or emptied first.
#include <exception>
#include <memory>

#include "Text.h"
#include "qelCompObj.h"
#include "qelCompObj_Header.h"
#include "qelComp_Ctr.h"
#include "qelComp_Dmn.h"
#include "qelComp_Exc.h"
#include "qelComp_Gnr.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelVarnel.h"

namespace qel {

namespace {

TCustomObjs& MasterOf(TVarnel& V) {
  return *V.GetMObjs();
}
TCustomObjs& TargetOf(TVarnel& V) {
  return *V.GetTObjs();
}
TCustomSQLExec& ExecOf(TVarnel& V) {
  return *V.GetSQLExec();
}

/// A pass of the (master, target, executor, kinds) form.
template <void (*Fn)(TCustomObjs&, TCustomObjs&, TCustomSQLExec&, const TCmpObjSetType&)>
void ListsPass(TVarnel& V) {
  Fn(MasterOf(V), TargetOf(V), ExecOf(V), V.CompareObjects);
}

/// A pass that works on the two schemas and the executor.
template <void (*Fn)(TCustomObjs&, TCustomObjs&, TCustomSQLExec&)>
void SchemaPass(TVarnel& V) {
  Fn(MasterOf(V), TargetOf(V), ExecOf(V));
}

void CtrCreateNoDefaults(TVarnel& V) {
  GenScriptCtrCreate(MasterOf(V), TargetOf(V), ExecOf(V),
                     {ctPKey, ctUnique, ctFKey, ctCheck, ctKey, ctNotNull, ctReferences});
}

void CtrCreateDefaults(TVarnel& V) {
  GenScriptCtrCreate(MasterOf(V), TargetOf(V), ExecOf(V), {ctDefault});
}

std::vector<TVarnelPass> MakePasses() {
  const TCmpObjSetType None;
  const TCmpObjSetType Constraints{coPrimaryKey, coForeignKey, coUnique, coCheck};
  std::vector<TVarnelPass> P;
  auto Always = [&](int Row, const char* Name, void (*Run)(TVarnel&)) {
    P.push_back({Row, Name, None, None, false, dbAbstract, false, Run});
  };
  auto Kind = [&](int Row, const char* Name, TCmpObjType K, void (*Run)(TVarnel&)) {
    P.push_back({Row, Name, TCmpObjSetType{K}, None, false, dbAbstract, false, Run});
  };
  auto Dialect = [&](int Row, const char* Name, TDatabaseType D, void (*Run)(TVarnel&)) {
    P.push_back({Row, Name, None, None, true, D, false, Run});
  };

  Always(1, "GenScriptSchCreate", SchemaPass<GenScriptSchCreate>);
  Always(2, "GenScriptSchAlter", SchemaPass<GenScriptSchAlter>);
  Dialect(3, "GenScriptCnvCreate", dbPostgreSQL, SchemaPass<GenScriptCnvCreate>);
  Dialect(3, "GenScriptCnvAlter", dbPostgreSQL, SchemaPass<GenScriptCnvAlter>);
  Dialect(3, "GenScriptOprCreate", dbPostgreSQL, SchemaPass<GenScriptOprCreate>);
  Dialect(3, "GenScriptOprAlter", dbPostgreSQL, SchemaPass<GenScriptOprAlter>);
  Dialect(3, "GenScriptOpcCreate", dbPostgreSQL, SchemaPass<GenScriptOpcCreate>);
  Dialect(3, "GenScriptOpcAlter", dbPostgreSQL, SchemaPass<GenScriptOpcAlter>);
  Dialect(4, "GenScriptRulCreate", dbMSSQL, SchemaPass<GenScriptRulCreate>);
  Dialect(4, "GenScriptDefCreate", dbMSSQL, SchemaPass<GenScriptDefCreate>);
  Dialect(4, "GenScriptRulAlter", dbMSSQL, SchemaPass<GenScriptRulAlter>);
  Dialect(4, "GenScriptDefAlter", dbMSSQL, SchemaPass<GenScriptDefAlter>);
  P.push_back({5, "GenScriptCtrDrop", Constraints, None, false, dbAbstract, false,
               SchemaPass<GenScriptCtrDrop>});
  Kind(6, "GenScriptDmnCreate", coDomain, SchemaPass<GenScriptDmnCreate>);
  Kind(7, "GenScriptUdfCreate", coFunction, ListsPass<GenScriptUdfCreate>);
  Kind(8, "GenScriptDropTrgEmpty", coTrigger, ListsPass<GenScriptDropTrgEmpty>);
  Kind(9, "GenScriptProcDrop", coProcedure, SchemaPass<GenScriptProcDrop>);
  Kind(10, "GenScriptTrigDrop", coTrigger, ListsPass<GenScriptTrigDrop>);
  Kind(11, "GenScriptIdxDrop", coIndex, SchemaPass<GenScriptIdxDrop>);
  Kind(12, "GenScriptViewDrop", coView, ListsPass<GenScriptViewDrop>);
  Kind(13, "GenScriptUdfAlter", coFunction, SchemaPass<GenScriptUdfAlter>);
  Kind(14, "GenScriptExptDrop", coException, ListsPass<GenScriptExptDrop>);
  Kind(15, "GenScriptUdfDrop", coFunction, ListsPass<GenScriptUdfDrop>);
  Kind(16, "GenScriptDmnAlter", coDomain, SchemaPass<GenScriptDmnAlter>);
  Kind(17, "GenScriptTablCreate", coTable, SchemaPass<GenScriptTablCreate>);
  Kind(18, "GenScriptTblFldCreate", coTable, SchemaPass<GenScriptTblFldCreate>);
  Kind(18, "GenScriptTablAlter", coTable, SchemaPass<GenScriptTablAlter>);
  Kind(19, "GenScriptTablDrop", coTable, SchemaPass<GenScriptTablDrop>);
  Kind(20, "GenScriptProcCreate", coProcedure, SchemaPass<GenScriptProcCreate>);
  Kind(21, "GenScriptDmnDrop", coDomain, SchemaPass<GenScriptDmnDrop>);
  // A view that cannot be created yet is reported and created by the second run below.
  P.push_back({22, "GenScriptViewCreate", TCmpObjSetType{coView}, None, false, dbAbstract, true,
               SchemaPass<GenScriptViewCreate>});
  Kind(23, "GenScriptViewAlter", coView, ListsPass<GenScriptViewAlter>);
  Kind(24, "GenScriptIdxCreate", coIndex, SchemaPass<GenScriptIdxCreate>);
  Kind(25, "GenScriptIdxAlter", coIndex, SchemaPass<GenScriptIdxAlter>);
  Kind(26, "GenScriptGenrCreate", coGenerator, SchemaPass<GenScriptGenrCreate>);
  Kind(27, "GenScriptExptCreate", coException, ListsPass<GenScriptExptCreate>);
  Kind(28, "GenScriptExptAlter", coException, ListsPass<GenScriptExptAlter>);
  P.push_back(
      {29, "GenScriptCtrCreate", Constraints, None, false, dbAbstract, false, CtrCreateNoDefaults});
  Kind(30, "GenScriptProcAlter", coProcedure, SchemaPass<GenScriptProcAlter>);
  // Default constraints come after the procedures, since a default may call one; they are
  // written whenever constraints are compared, procedures or not.
  P.push_back(
      {31, "GenScriptCtrCreate", Constraints, None, false, dbAbstract, false, CtrCreateDefaults});
  Kind(32, "GenScriptTrigCreate", coTrigger, ListsPass<GenScriptTrigCreate>);
  Kind(33, "GenScriptViewCreate", coView, SchemaPass<GenScriptViewCreate>);
  Kind(34, "GenScriptTrigAlter", coTrigger, SchemaPass<GenScriptTrigAlter>);
  Kind(35, "GenScriptGenrAlter", coGenerator, SchemaPass<GenScriptGenrAlter>);
  Kind(35, "GenScriptGenrDrop", coGenerator, SchemaPass<GenScriptGenrDrop>);
  Kind(36, "GenScriptProcAlter", coProcedure, SchemaPass<GenScriptProcAlter>);
  Dialect(37, "GenScriptDefDrop", dbMSSQL, SchemaPass<GenScriptDefDrop>);
  Dialect(37, "GenScriptRulDrop", dbMSSQL, SchemaPass<GenScriptRulDrop>);
  Dialect(38, "GenScriptPkgDrop", dbOracle, SchemaPass<GenScriptPkgDrop>);
  Dialect(38, "GenScriptPkgAlter", dbOracle, SchemaPass<GenScriptPkgAlter>);
  Dialect(38, "GenScriptPkgCreate", dbOracle, SchemaPass<GenScriptPkgCreate>);
  Kind(39, "GenScriptTblFldPosition", coTable, SchemaPass<GenScriptTblFldPosition>);
  Kind(40, "GenScriptPblDrop", coTable, SchemaPass<GenScriptPblDrop>);
  Kind(40, "GenScriptPblAlter", coTable, SchemaPass<GenScriptPblAlter>);
  Kind(40, "GenScriptPblCreate", coTable, SchemaPass<GenScriptPblCreate>);
  Kind(41, "GenScriptRoleCreate", coRole, SchemaPass<GenScriptRoleCreate>);
  Kind(41, "GenScriptRoleAlter", coRole, SchemaPass<GenScriptRoleAlter>);
  Dialect(42, "GenScriptOpcDrop", dbPostgreSQL, SchemaPass<GenScriptOpcDrop>);
  Dialect(42, "GenScriptOprDrop", dbPostgreSQL, SchemaPass<GenScriptOprDrop>);
  Dialect(42, "GenScriptCnvDrop", dbPostgreSQL, SchemaPass<GenScriptCnvDrop>);
  Always(43, "GenScriptEvtCreate", SchemaPass<GenScriptEvtCreate>);
  Always(43, "GenScriptEvtAlter", SchemaPass<GenScriptEvtAlter>);
  Always(43, "GenScriptEvtDrop", SchemaPass<GenScriptEvtDrop>);
  Always(44, "GenScriptSchDrop", SchemaPass<GenScriptSchDrop>);
  const TCmpObjSetType Grants{coGrant, coRoleGrant, coUserGrant};
  P.push_back({45, "GenScriptGntDrop", Grants, None, false, dbAbstract, false,
               SchemaPass<GenScriptGntDrop>});
  P.push_back({45, "GenScriptGntCreate", Grants, None, false, dbAbstract, false,
               SchemaPass<GenScriptGntCreate>});
  Kind(46, "GenScriptRoleDrop", coRole, SchemaPass<GenScriptRoleDrop>);
  return P;
}

}  // namespace

const std::vector<TVarnelPass>& TVarnel::GenerationPasses() {
  static const std::vector<TVarnelPass> Passes = MakePasses();
  return Passes;
}

bool TVarnel::PassEnabled(const TVarnelPass& Pass) const {
  if (!Pass.AnyOf.Empty() && (CompareObjects * Pass.AnyOf).Empty()) return false;
  if (!Pass.AllOf.SubsetOf(CompareObjects)) return false;
  return !Pass.DialectGated || DatabaseType == Pass.Dialect;
}

void TVarnel::RunPass(const TVarnelPass& Pass) {
  Pass.Run(*this);
}

// ---------------------------------------------------------------------------------------------

bool TVarnel::CanCompare() {
  if (!CompareEnabled) {
    ReportError(Who() + ": the schemas were not read without error; no update script is written.");
    return false;
  }
  TCustomDBStructure* TH = GetDBStructureTarget();
  TCustomDBStructure* MH = GetDBStructureMaster();
  if (!TH) {
    ReportError(Who() + ": property DBStructureTarget not assigned.");
    return false;
  }
  if (!MH) {
    ReportError(Who() + ": property DBStructureMaster not assigned.");
    return false;
  }
  TCustomObjs* T = TH->GetObjs();
  TCustomObjs* M = MH->GetObjs();
  if (!T || !M) {
    ReportError(Who() + ": a schema holder has no collection; no update script is written.");
    return false;
  }
  // Holders filled by their extractors outside ExtractDatabases: an extraction that reported
  // an error left a part of its schema.
  for (TCustomDBStructure* H : {TH, MH})
    if (TCustomExtract* X = H->GetExtractor())
      if (TMsgManager* Msgs = X->GetMsgManager(); Msgs && Msgs->GetIsErr()) {
        ReportError(Who() + ": the extraction of the " + (H == TH ? "target" : "master") +
                    " schema reported errors; no update script is written.");
        return false;
      }
  if (M->GetDatabaseType() != T->GetDatabaseType() && !HasConversionTo(T->GetDatabaseType())) {
    ReportError(Who() + ": the master schema (" + DialectName(M->GetDatabaseType()) +
                ") is not in the dialect of the target schema (" +
                DialectName(T->GetDatabaseType()) + "); no update script is written.");
    return false;
  }
  return true;
}

void TVarnel::DiscardScript() {
  if (TCustomSQLExec* Exec = GetSQLExec()) Exec->Clear();
}

bool TVarnel::CompareDatabases() {
  if (!CanCompare()) {
    DiscardScript();
    return false;
  }
  // A master of another dialect is converted for this comparison only: the master, and the
  // kinds compared, are put back on every way out.
  struct TRestore {
    TVarnel& V;
    ~TRestore() { V.RestoreMaster(); }
  } Restore{*this};
  if (!ConvertDatabases()) {
    DiscardScript();
    return false;
  }
  DoBeforeCompare();
  // The OnBeforeCompare handler is host code and may have unlinked a holder.
  if (!GetMObjs() || !GetTObjs()) {
    ReportError(Who() + ": a schema holder was unlinked; no update script is written.");
    DiscardScript();
    return false;
  }
  TCustomObjs& M = *GetMObjs();
  TCustomObjs& T = *GetTObjs();
  // Schemas built by the host carry their dialect; the comparer writes in the target's.
  if (DatabaseType == dbAbstract) DatabaseType = T.GetDatabaseType();

  if (!GetSQLExec()) {
    auto Own = std::make_unique<TSQLExec>(nullptr);
    Own->OnLogNextLine = OnLogNextLine;
    Own->OnProgressUpdate = OnProgressUpdate;
    Own->OnErrorMessage = OnErrorMessage;
    SetOwnSQLExec(std::move(Own));
  }
  TCustomSQLExec& Exec = *GetSQLExec();
  // Our own executor writes and runs the script as the target's server reads it: its
  // terminators, SET TERM blocks, GO and "/" lines.
  if (&Exec == GetOwnSQLExec()) Exec.DatabaseType = T.GetDatabaseType();
  Exec.Clear();
  if (auto* SQLExec = dynamic_cast<TSQLExec*>(&Exec)) {
    SQLExec->SetIBServerOptions(T.IBServerOptions);
    SQLExec->SetMSSQLServerOptions(T.MSSQLServerOptions);
    SQLExec->SetMySQLServerOptions(T.MySQLServerOptions);
    SQLExec->SetConnectionOptions(T.ConnectionOptions);
  }
  M.IBServerOptions.SetIBCompareOptions(GetIBServerOptions().GetIBCompareOptions());
  T.IBServerOptions.SetIBCompareOptions(GetIBServerOptions().GetIBCompareOptions());
  M.SetSQLExec(&Exec);
  T.SetSQLExec(&Exec);
  // The passes reach the work list through the collections for the time of this generation.
  struct TWorkListLink {
    TCustomObjs &M, &T;
    ~TWorkListLink() { M.WorkList = T.WorkList = nullptr; }
  } WorkListLink{M, T};
  M.WorkList = T.WorkList = &WorkList;
  FConnectionOptions.Assign(T.ConnectionOptions);
  DoLogNextLine("Comparing databases...");

  try {
    CompareTables(M, T);
    MakeScriptHeader();
    GenScriptDBCharSet();
    for (const TVarnelPass& Pass : GenerationPasses()) {
      if (!PassEnabled(Pass)) continue;
      if (!Pass.Guarded) {
        RunPass(Pass);
        continue;
      }
      try {
        RunPass(Pass);
      } catch (const std::exception& E) {
        MsgManager.AddMsg(E.what(), mt_Err, nullptr);
        DoErrorMessage(E.what());
      }
    }
  } catch (const std::exception& E) {
    // A pass that gave up leaves a script that stops half way; nobody must run it.
    ReportError(Who() + ": " + E.what());
    Exec.Clear();
    return false;
  }
  DoAfterCompare();
  return true;
}

// ---------------------------------------------------------------------------------------------
// Header

void TVarnel::MakeScriptHeader() {
  TCustomSQLExec& Exec = *GetSQLExec();
  TCustomObjs& T = *GetTObjs();
  const std::string& DbName = FConnectionOptions.GetDatabaseName();
  switch (DatabaseType) {
    case dbInterBase: {
      const TIBServerOptions& O = T.IBServerOptions;
      if (const std::string Info = O.DBInfoDef(); !Info.empty()) Exec.AddComment(Info + "\r\n");
      if (const std::string Names = O.DBCharSetDef(); !Names.empty())
        Exec.Add(Names, stSetNames, O.GetDBCharSet());
      if (O.GetSQLDialect() == 2 || O.GetSQLDialect() == 3)
        Exec.Add(O.SQLDialectDef(), stSqlDialect, IntToStr(O.GetSQLDialect()));
      if (const std::string Conn = GetIBServerOptions().ConnectDatabaseDef(T.ConnectionOptions);
          !Conn.empty())
        Exec.Add(Conn, stConnect);
      if (!GetIBServerOptions().GetIBCompareOptions().GenerateCOMMIT)
        Exec.Add("SET AUTODDL ON", stSet);
      break;
    }
    case dbMySQL: {
      const TMySQLServerOptions& O = GetMySQLServerOptions();
      if (!O.CharSet.empty()) Exec.Add("SET CHARACTER SET " + O.CharSet, stCharSet);
      if (!O.Names.empty()) Exec.Add("SET NAMES " + O.Names, stSetNames);
      if (!DbName.empty()) Exec.Add("USE " + DbName, stConnect);
      break;
    }
    case dbMSSQL: {
      const TMSSQLServerOptions& O = T.MSSQLServerOptions;
      if (!O.DBCharSet.empty())
        Exec.Add("-- Default character set: " + SafeLineComment(O.DBCharSet) + "\r\n", stComment);
      if (!O.Collation.empty())
        Exec.Add("-- Default collation: " + SafeLineComment(O.Collation) + "\r\n", stComment);
      if (!DbName.empty()) Exec.Add("USE " + DbName, stConnect);
      // Only switched on: a master without recursive triggers leaves the target's setting.
      if (GetMObjs()->MSSQLServerOptions.GetMSSQLDatabaseOptions().RecursiveTriggers &&
          !O.GetMSSQLDatabaseOptions().RecursiveTriggers)
        Exec.Add("ALTER DATABASE " + QuoteIdent(DbName) + " SET RECURSIVE_TRIGGERS ON", stStatement,
                 DbName, dboDatabase, odbAlter);
      break;
    }
    case dbSybaseASE: {
      const TASEDatabaseOptions& D = T.ASEServerOptions.GetASEDatabaseOptions();
      for (const std::string& Line : ASEDatabaseInfoLines(D, DbName)) Exec.AddComment(Line);
      if (!D.Description.empty()) Exec.AddComment("\r\n");
      if (!DbName.empty()) Exec.Add("use " + DbName, stConnect);
      const TASEDBOptions& Want = GetMObjs()->ASEServerOptions.GetASEDatabaseOptions().DBOptions;
      if (GetASEServerOptions().GetASECompareOptions().CompareDBOptions && D.DBOptions != Want &&
          !DbName.empty()) {
        for (std::size_t I = 0; I < ASEDBOptionCount; ++I) {
          const auto Option = static_cast<TASEDBOption>(I);
          if (D.DBOptions.Contains(Option) == Want.Contains(Option)) continue;
          Exec.Add(ASEDBOptionDef(DbName, Option, Want.Contains(Option)), stStatement, DbName,
                   dboDatabase, odbAlter);
        }
        Exec.Add("checkpoint", stStatement, DbName, dboDatabase);
      }
      break;
    }
    case dbOracle:
      // The password is never written into a script.
      if (!FConnectionOptions.UserName.empty())
        Exec.AddComment("-- CONNECT " + SafeLineComment(FConnectionOptions.UserName) + "/*****" +
                        "@" + SafeLineComment(DbName) + ";");
      if (!DbName.empty() && DbName != FConnectionOptions.HostName)
        Exec.Add("ALTER SESSION SET CURRENT_SCHEMA = " + DbName, stSet);
      break;
    default:
      break;
  }
}

void TVarnel::GenScriptDBCharSet() {
  if (DatabaseType != dbInterBase || !GetIBServerOptions().GetIBCompareOptions().DbCharsetCompare)
    return;
  const std::string& Want = GetMObjs()->IBServerOptions.GetDBCharSet();
  if (Want == GetTObjs()->IBServerOptions.GetDBCharSet()) return;
  TCustomSQLExec& Exec = *GetSQLExec();
  std::string CharSet;
  if (!Want.empty()) {
    Exec.Add("UPDATE RDB$DATABASE SET RDB$CHARACTER_SET_NAME = " + QuotedStr(Want), stStatement);
    CharSet = Want;
  } else {
    Exec.Add("UPDATE RDB$DATABASE SET RDB$CHARACTER_SET_NAME = Null", stStatement);
    CharSet = "NONE";
  }
  Exec.Add("SET NAMES " + CharSet, stCharSet);
  Exec.AddReConnect();
}

}  // namespace qel
