// Table comparison and the table passes of the update script: new tables, new columns, changed
// table options, dropped columns and tables, and the column order.
#include <exception>
#include <string>
#include <vector>

#include "Text.h"
#include "qelCompObj.h"
#include "qelComp_Idx.h"
#include "qelComp_Tbl.h"
#include "qelComp_Tbl_Int.h"
#include "qelDialects.h"
#include "qelMsg.h"

namespace qel {

namespace {

/// Calls Fn for every table of List, in list order.
template <class F>
void ForEachTable(const TDbObjList& List, F Fn) {
  for (int I = 0; I < List.Count(); ++I)
    if (auto* T = dynamic_cast<TTblData*>(List.Objects(I))) Fn(T);
}

TTblData* Counterpart(const TTblData* T) {
  return dynamic_cast<TTblData*>(T->GetRefObj());
}

/// Identifier quoting of the comparer, which works in the target's dialect.
std::string ComparerQuote(const TCustomObjs& Target, const std::string& S) {
  return Quote_Ident(S, Target.GetDatabaseType(), Target.IBServerOptions.SQLServerVersion,
                     static_cast<std::int8_t>(Target.IBServerOptions.GetSQLDialect()));
}

bool DescriptionsCompared(const TCustomObjs& Master) {
  return Master.CompareObjects.Contains(coDescription);
}

/// The equality of a paired column: type text, storage length, nullability, domain and
/// default; a computed column by its expression, a domain column by its domain alone.
bool ColumnsEqual(const TFldData& M, const TFldData& T) {
  bool Equal = (tbl_detail::PGSameFieldTypeDef(M, T) || M.FieldTypeDef() == T.FieldTypeDef()) &&
               M.Length == T.Length && M.Nullable == T.Nullable &&
               M.Extra().DomainName == T.Extra().DomainName &&
               M.CompareDefValue() == T.CompareDefValue();
  // A PostgreSQL column's collation decides how its values sort and compare.
  if (M.GetDatabaseType() == dbPostgreSQL && !tbl_detail::PGSameCollation(M, T)) Equal = false;
  if (M.Computed()) Equal = M.Extra().Body == T.Extra().Body;
  if (M.FieldType == iftDomain && T.FieldType == iftDomain)
    Equal = M.Extra().DomainName == T.Extra().DomainName;
  // MySQL pairs the names without case but keeps each as it was written.
  return Equal && (M.GetDatabaseType() != dbMySQL || M.GetObjName() == T.GetObjName());
}

/// Adds the master columns the target table lacks. While the table leaves its computed
/// columns out, those wait for the second round, when every plain column of every table
/// exists.
void CreateMissingColumns(TTblData& Tbl) {
  for (const auto& F : Tbl.Fields) {
    if (F->SkipDef || F->GetObjCreated() || (Tbl.SkipComputedDef && F->Computed())) continue;
    try {
      F->CreateDependDef();
      Tbl.SetUpdFldPos(true);
    } catch (const std::exception& E) {
      ShowMessage("Create field: " + Tbl.GetObjName() + "/" + F->GetObjName() + ": " + E.what());
    }
  }
}

/// Tables whose columns are the same but stand in another order are marked for the position
/// pass; equality itself ignores positions.
void MarkColumnOrderChanges(TCustomObjs& Master) {
  ForEachTable(Master.Tables, [](TTblData* M) {
    const TTblData* T = Counterpart(M);
    if (!T || M->Fields.Count() != T->Fields.Count()) return;
    bool Moved = false;
    int Place = 0;
    for (const auto& F : M->Fields) {
      const TFldData* G = T->Fields.FindFrom(F->GetObjName(), Place++);
      if (!G) return;
      if (F->Position != G->Position) Moved = true;
    }
    if (Moved) M->SetUpdFldPos(true);
  });
}

/// The position statements of one InterBase/Firebird table, 1-based in master order.
void GenFieldPositions(TTblData& Tbl, const TCustomObjs& Target, TCustomSQLExec& Exec) {
  if (!Tbl.UpdFldPos) return;
  const TIBSQLServerVersionType Version = Target.IBServerOptions.SQLServerVersion;
  // Servers before InterBase 6 have no DDL for the position; their system tables take it.
  const bool SysTables = Version == st_InterBase_4x || Version == st_InterBase_5x;
  for (int I = 0; I < Tbl.Fields.Count(); ++I) {
    const TFldData* F = Tbl.Fields[I];
    if (F->GetDatabaseType() != dbInterBase) continue;
    const std::string N = std::to_string(I + 1);
    const std::string Text =
        SysTables ? "UPDATE RDB$RELATION_FIELDS SET RDB$FIELD_POSITION = " + N + "\r\n" +
                        " WHERE RDB$RELATION_NAME = " + QuotedStr(Tbl.GetObjName()) +
                        " AND RDB$FIELD_NAME = " + QuotedStr(F->ObjKeyDef())
                  : "ALTER TABLE " + Tbl.QuoteIdent(Tbl.GetObjName()) + " ALTER COLUMN " +
                        F->QuoteIdent(F->GetObjName()) + " POSITION " + N;
    Exec.Add(Text, stStatement, F->GetObjName(), dboField, odbAlter, Tbl.GetObjName());
  }
  Tbl.SetUpdFldPos(false);
}

/// MySQL refuses to drop a column of a unique index over more columns (1072), and the index
/// passes come after the column drops: the target's indexes over the column go first. The
/// master has none by that name over the column, so each of them changes anyway; the index
/// passes create the master's.
void MySQLDropIndexesOver(const TTblData& T, const TFldData& G) {
  const auto* Objs = dynamic_cast<const TObjs*>(T.Owner);
  const TObjs::TTableKeys* Own = Objs ? Objs->KeysOfTable(T.GetObjName()) : nullptr;
  if (!Own) return;
  // Copied: a drop may change the lists the table's keys were gathered from.
  const std::vector<TIdxData*> Indexes = Own->Indexes;
  for (TIdxData* Idx : Indexes) {
    if (!Idx->GetObjCreated() || Idx->SkipDef) continue;
    for (const std::string& Column : Idx->Flds)
      if (SameText(Column, G.GetObjName())) {
        Idx->DropDependDef();
        break;
      }
  }
}

/// The MySQL table options, other than the engine, in which the target table differs from the
/// master's, as ALTER TABLE writes them; options the master does not name are not changed.
std::vector<std::string> MySQLOptionsChanged(const TTblData& M, const TTblData& T) {
  const TMySQLTableOptions& A = M.Extra().MySQLOptions;
  const TMySQLTableOptions& B = T.Extra().MySQLOptions;
  std::vector<std::string> R;
  if (!A.GetDefCharSet().empty() &&
      (A.GetDefCharSet() != B.GetDefCharSet() || !SameText(A.Collation, B.Collation)))
    R.push_back("DEFAULT CHARSET=" + A.GetDefCharSet() +
                (A.Collation.empty() ? "" : " COLLATE=" + A.Collation));
  if (!A.PackKeys.empty() && !SameText(A.PackKeys, B.PackKeys))
    R.push_back("PACK_KEYS=" + A.PackKeys);
  if (!A.RowFormat.empty() && A.RowFormat != B.RowFormat) R.push_back("ROW_FORMAT=" + A.RowFormat);
  return R;
}

}  // namespace

void CompareTables(TCustomObjs& Master, TCustomObjs& Target) {
  const bool MySQLComparer = Target.GetDatabaseType() == dbMySQL;
  ForEachTable(Master.Tables, [&](TTblData* M) {
    // What an earlier comparison found is forgotten first, so that a second run over the same
    // schemas marks the same.
    M->Paired = false;
    M->Equal = false;
    for (const auto& F : M->Fields) {
      F->Found = false;
      F->Equal = false;
    }
    TTblData* T = Counterpart(M);
    if (!T) return;
    M->Paired = true;
    M->SetObjCreated(true);
    M->Equal = true;

    const TDatabaseType DB = M->GetDatabaseType();
    if (M->Extra().Description != T->Extra().Description) M->Equal = false;
    if (MySQLComparer && !MySQLOptionsChanged(*M, *T).empty()) M->Equal = false;
    if ((DB == dbInterBase || DB == dbSybaseASA || DB == dbMSSQL) &&
        (M->GlobalTemporary != T->GlobalTemporary || M->OnCommit != T->OnCommit))
      M->Equal = false;
    if (DB == dbMySQL && M->Extra().MySQLOptions.Engine != T->Extra().MySQLOptions.Engine)
      M->Equal = false;

    int Place = 0;
    for (const auto& F : M->Fields) {
      TFldData* G = T->Fields.FindFrom(F->GetObjName(), Place++);
      if (!G) {
        M->Equal = false;
        continue;
      }
      F->Found = true;
      F->SetObjCreated(true);
      G->SetObjCreated(true);
      F->RefPosition = G->Position;
      G->RefPosition = F->Position;
      F->Equal = ColumnsEqual(*F, *G);
      if (!F->Equal) M->Equal = false;
    }
  });
}

void GenScriptTablCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Target;
  const bool Descr = DescriptionsCompared(Master);
  bool Written = false;
  ForEachTable(Master.Tables, [&](TTblData* M) {
    if (M->SkipDef || M->GetObjCreated()) return;
    if (!Written) Exec.AddComment(M->GenComment("Create Table..."));
    Written = true;
    // The table first without its computed columns, which may read columns and functions
    // that do not exist yet; then the computed columns it can already have.
    M->SetSkipComputedDef(true);
    M->CreateDependDef();
    M->SetSkipComputedDef(false);
    M->CreateDependDef();
    if (Descr) {
      if (!M->Extra().Description.empty()) Exec.AddDescription(M);
      // A computed column writes its description with its own statement.
      for (const auto& F : M->Fields)
        if (!F->Computed() && !F->Extra().Description.empty()) Exec.AddDescription(F.get());
    }
  });
  if (Written) Exec.AddComment("\r\n");
}

void GenScriptTblFldCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Target;
  (void)Exec;
  ForEachTable(Master.Tables, [](TTblData* M) {
    if (M->SkipDef || !M->GetRefObj()) return;
    M->SetSkipComputedDef(true);
    CreateMissingColumns(*M);
  });
  ForEachTable(Master.Tables, [](TTblData* M) {
    if (M->SkipDef) return;
    M->SetSkipComputedDef(false);
    CreateMissingColumns(*M);
  });
}

void GenScriptTablAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  const bool Descr = DescriptionsCompared(Master);
  const bool MySQLComparer = Target.GetDatabaseType() == dbMySQL;
  ForEachTable(Master.Tables, [&](TTblData* M) {
    TTblData* T = Counterpart(M);
    if (!M->Paired || M->Equal || !T) return;
    if (Descr && M->Extra().Description != T->Extra().Description) Exec.AddDescription(M, T);
    if (tbl_detail::TemporaryChanged(*M, *T)) {
      // A table cannot become temporary or stop being so: it is made anew.
      Exec.Add(T->DropDef(), stStatement, T->GetObjName(), dboTable, odbDrop);
      Exec.Add(M->Def(), stStatement, M->GetObjName(), dboTable, odbCreate);
      // The new table has exactly the master's columns: the target's own are gone with the
      // old one and must not be dropped again.
      for (const auto& G : T->Fields)
        if (!M->Fields.Find(G->GetObjName())) G->SetObjCreated(false);
      if (Descr)
        for (const auto& F : M->Fields)
          if (!F->Extra().Description.empty()) Exec.AddDescription(F.get());
    }
    if (MySQLComparer) {
      const std::string Name = ComparerQuote(Target, M->GetObjName());
      const std::string& Engine = M->Extra().MySQLOptions.Engine;
      if (!Engine.empty() && !T->Extra().MySQLOptions.Engine.empty() &&
          Engine != T->Extra().MySQLOptions.Engine)
        Exec.Add("ALTER TABLE " + Name + " ENGINE=" + Engine, stStatement, M->GetObjName(),
                 dboTable, odbAlter);
      for (const std::string& Option : MySQLOptionsChanged(*M, *T))
        Exec.Add("ALTER TABLE " + Name + " " + Option, stStatement, M->GetObjName(), dboTable,
                 odbAlter);
    }
  });
  GenScriptColumnsAlter(Master, Target, Exec);
  MarkColumnOrderChanges(Master);
}

void GenScriptTablDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Master;
  bool Written = false;
  ForEachTable(Target.Tables, [&](TTblData* T) {
    TTblData* M = Counterpart(T);
    if (T->SkipDef || !M) return;
    for (int I = 0; I < T->Fields.Count(); ++I) {
      TFldData* G = T->Fields[I];
      if (M->Fields.FindFrom(G->GetObjName(), I) || !G->GetObjCreated()) continue;
      if (!Written) Exec.AddComment(G->GenComment("Drop table-fields..."));
      Written = true;
      if (Target.GetDatabaseType() == dbMySQL) MySQLDropIndexesOver(*T, *G);
      G->DropDependDef();
      M->SetUpdFldPos(true);
    }
  });
  if (Written) Exec.AddComment("\r\n");

  Written = false;
  ForEachTable(Target.Tables, [&](TTblData* T) {
    // A table the host asked to pass by is never dropped.
    if (T->SkipDef || T->GetRefObj() || !T->GetObjCreated()) return;
    if (!Written) {
      Exec.AddReConnect();
      Exec.AddComment(T->GenComment("Drop tables..."));
    }
    Written = true;
    T->DropDependDef();
  });
  if (Written) Exec.AddComment("\r\n");
}

void GenScriptTblFldPosition(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  switch (Target.GetDatabaseType()) {
    case dbInterBase:
      if (Target.IBServerOptions.GetIBCompareOptions().UpdateFieldPosition)
        ForEachTable(Master.Tables, [&](TTblData* M) {
          if (!M->SkipDef) GenFieldPositions(*M, Target, Exec);
        });
      break;
    case dbMSSQL:
      if (Target.MSSQLServerOptions.GetMSSQLCompareOptions().UpdateColumnPosition)
        MSSQLUpdateColumnPositionRecreateTable(Master, Target, Exec);
      break;
    case dbMySQL:
      // Moved only now, when every column is added and dropped: the moves depend on the order
      // those statements leave.
      MySQLUpdateColumnPositions(Master, Target, Exec);
      break;
    default:
      break;  // the other dialects keep the order a column was added in
  }
}

}  // namespace qel
