// Alteration of matched columns in place, per dialect, and the SQL Server table rebuild; the
// shared means of the alteration routines and the domain passes (the comparer's work list, the
// quoting of the comparer, the statements of an alteration).
#pragma once

#include <string>

#include "qelClasses.h"
#include "qelComp_Tbl.h"

namespace qel {

/// The comparer's work list as the passes reach it through the collection; nullptr for
/// collections compared without a comparer.
inline TStringList* WorkListOf(const TCustomObjs& Objs) {
  return Objs.WorkList;
}

/// One alteration run of the update script: the two collections, the executor, the comparer's
/// work list (may be nullptr) and the comparer's quoting, which follows the target's dialect.
struct TAlterRun {
  TAlterRun(TCustomObjs& aMaster, TCustomObjs& aTarget, TCustomSQLExec& aExec,
            TStringList* aWorkList)
      : Master(aMaster), Target(aTarget), Exec(aExec), WorkList(aWorkList) {}

  TCustomObjs& Master;
  TCustomObjs& Target;
  TCustomSQLExec& Exec;
  TStringList* WorkList;

  TDatabaseType Dialect() const { return Target.GetDatabaseType(); }
  /// The name quoted as the comparer quotes (target dialect, server version, SQL dialect).
  std::string Quote(const std::string& Name) const;
  /// An alteration of a column: stStatement, dboField, odbAlter.
  TStatement* AddAlter(const std::string& Text, const std::string& Column,
                       const std::string& Table);
  /// Text as a comment of By's dialect; returns the comment statement.
  TStatement* Comment(const TDbObj& By, const std::string& Text);
  /// A warning line; Stmt is the statement it explains (may be nullptr).
  void Work(const std::string& Line, TStatement* Stmt);
  /// Names in the comparer's messages, once for M, the parts of its change that the dialect's
  /// form leaves as the target has them: its type (and length), its nullability, its default.
  void NotCarriedOver(const TTblData& MTbl, TFldData& M, const TFldData& T, bool Type,
                      bool Nullability, bool Default);
  /// The last statement of the executor, or nullptr.
  TStatement* Last() const;

  // InterBase/Firebird facts of the target.
  TIBSQLServerVersionType IBVersion() const { return Target.IBServerOptions.SQLServerVersion; }
  /// InterBase 4.x and 5.x: no ALTER COLUMN TYPE, no ALTER DOMAIN TYPE.
  bool IBOldServer() const;
  /// Firebird 2.0 to 2.5, and any server with a read-only catalog (it is later still).
  bool IBFirebird2() const;
  /// Firebird 3 and later (on-disk structure 12 or later) refuse writes to their system tables.
  bool IBSysTablesReadOnly() const;
  bool IBAllowConversion() const;
  bool IBFldCharsetCompare() const;
  /// A write to the system tables: a statement where the server takes one; where the catalog
  /// is read-only, a comment that keeps the text (nothing else can do what it does).
  TStatement* AddSys(const TDbObj& By, const std::string& Text, const std::string& Column,
                     const std::string& Table, TDbObject Kind = dboField);
};

/// The conversion-safety rule of InterBase/Firebird: 1 widening, 0 same type, -1 unsafe.
int IBAllowDataTypeAlter(const TFldData& M, const TFldData& T);
/// SQL Server: an in-place ALTER COLUMN may turn T's type into M's.
bool MSSQLAllowDataTypeAlter(const TFldData& M, const TFldData& T);
/// The " USING ..." clause a PostgreSQL ALTER COLUMN ... TYPE needs to turn the target's
/// column T into the master's M (whose type text is MType, Column the quoted name); empty
/// where an implicit or assignment cast of the server converts the values by itself.
std::string PGUsingClause(const TFldData& M, const TFldData& T, const std::string& Column,
                          const std::string& MType);
/// A change from T's type to M's can lose values (a shorter length, fewer digits or a smaller
/// type); every dialect's alteration leaves a warning line for it.
bool NarrowingTypeChange(const TFldData& M, const TFldData& T);

/// The column pass with an explicit work list (GenScriptColumnsAlter passes the collection's).
void GenScriptColumnsAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec,
                           TStringList* WorkList);

/// InterBase/Firebird: everything needed to turn T into M; sets Written where a step writes.
void IBAlterColumn(TAlterRun& Run, TTblData& MTbl, TFldData& M, TFldData& T, bool& Written);
void IBAlterColumnType(TAlterRun& Run, TTblData& MTbl, TFldData& M, TFldData& T);
void IBAlterColumnBySysTables(TAlterRun& Run, TTblData& MTbl, TFldData& M, TFldData& T);

}  // namespace qel
