// SQL Server dialect: the Transact-SQL script parser that SQL Server and Sybase ASE share, and
// the SQL Server parser. The ASE parser (qelASEParser.h) derives from the same base.
//
// The sources are split by role: qelMSSQLParser.cpp (keywords, quoting, the scanner with its GO
// lines and bracketed names, the statement loop, EXEC, SET, USE, IF, descriptions, the CREATE,
// ALTER and DROP dispatch, errors and dependency linking), qelMSSQLParser_Tbl.cpp (tables,
// columns, data types, keys, ALTER TABLE, indexes, defaults and rules, user types, schemas) and
// qelMSSQLParser_Prc.cpp (views, routines and triggers).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "qelComp_Ctr.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelMSSQLQuote.h"
#include "qelParser.h"

namespace qel {

/// Reads Transact-SQL DDL scripts (batches ended by a line holding only GO, statements
/// optionally ended by ";") into a collection: tables with their columns, keys, checks and
/// default constraints, indexes, stand-alone defaults and rules, user types, schemas, views,
/// procedures, functions, triggers and descriptions. GRANT, logins, users, DML and the other
/// statements of a batch are read over; routine, trigger and view bodies are kept as text.
///
/// Every word is read as an identifier and told apart by its text, so a column may be named
/// like any keyword; a name in brackets or double quotes is never taken for a keyword.
///
/// Names: "dbo" is the default owner, so "dbo.T" and "T" are the same table. SQL Server keeps the
/// owner as the object's schema (dbo where none is written), as its catalog does; ASE has no
/// schemas in its scripts, drops dbo and keeps another owner as the creator only.
///
/// Defaults of columns: an unnamed default (inline, or ADD DEFAULT ... FOR column, or a default
/// constraint whose name the server made up) is the column's default value; a default
/// constraint named by the user stays a constraint.
///
/// Errors never stop the reading: each is recorded at the line and column of the symbol where
/// it was found (the first also goes to OnErrorMessage), and the rest of that statement is read
/// over. DROP and ALTER TABLE take their effect on the collection, so a schema script followed by
/// an update script written for it reads as the schema the update leads to.
class TTransactSQLParser : public TCustomSQLParser {
 public:
  TTransactSQLParser(TCustomObjs* AObjs, TDatabaseType Dialect);
  ~TTransactSQLParser() override;

  /// The object ParseObjText is re-reading; nullptr while scripts are read.
  TDbObj* ParseObj = nullptr;
  /// The statement made by the last DoAddStatement.
  TObject* LastStatement = nullptr;

  // Replaced virtual operations.

  /// ";" then a GO line, each optional, when Symbol is the terminator.
  void TestAndGetSy(std::uint8_t Symbol) override;
  /// GO lines, names (letters, "_", "@", "#"), [bracketed] names and N'...' strings.
  void DoGetSy() override;
  /// A double-quoted string is a name.
  void DoAfterGetSy() override;
  void ParseText() override;
  /// At the line and column of the current symbol's first character.
  void ErrMsg(const std::string& Text) override;
  std::string GenTerm() override;
  /// Triggers to their tables, views, routines and triggers to what their texts name, then the
  /// base's links.
  void Link_Depend() override;
  void SkipStatement(const TSymSet& Stops) override;
  std::string QuoteIdent(const std::string& Name) override;
  using TCustomParser::DoAddStatement;

  /// Re-reads the creating text (FullText) of a procedure, function, trigger or view into that
  /// object; nothing new is filed. Other classes and an empty text are passed over.
  void ParseObjText(TDbObj* Obj);

 protected:
  bool ServerTypeName(const std::string& Name) const override;
  /// The current symbol is an unquoted word equal to Word (any case).
  bool IsWord(const char* Word) const;
  /// Name as the collection keeps it: upper-cased on SQL Server without case-sensitive names.
  std::string Fold(const std::string& Name) const;
  bool IsMSSQL() const { return DatabaseType == dbMSSQL; }

 private:
  struct TName {
    std::string Owner;  ///< empty for the default owner dbo
    std::string Name;
    std::string Part3;       ///< a third part (table.column, owner.table.index)
    bool Defaulted = false;  ///< no owner was written: SQL Server's is dbo
  };
  /// One name part: an identifier (bracketed and quoted names are identifiers) or a 'name';
  /// "" with an error.
  std::string NamePart() { return ReadNamePart(kNameRules); }
  static constexpr TNamePartRules kNameRules{.Asterisk = false, .Strings = true};
  /// Up to three dot-separated parts; Parts tells how many were read. With Three, "a.b" is
  /// owner "a" and name "b" as well (the caller decides).
  TName QualifiedName(int* Parts = nullptr);
  /// Schema and name into Obj (SQL Server schema, ASE creator).
  void SetNames(TDbObj& Obj, const TName& N);
  /// The text from the 1-based Start to the GO line (or the end), trimmed, a trailing ";" cut;
  /// the reader then stands on that GO line.
  std::string BodyFrom(std::int32_t Start);
  /// Reads up to the end of the batch (the next GO line) or the text.
  void SkipToEnd();
  /// The 0-based index of a statement that follows a view's select in its batch, the text from
  /// the 1-based Start up to the GO line; -1 when none does. With InCode: of the first CREATE,
  /// ALTER or DROP in procedural code.
  std::int32_t StatementAfterView(std::int32_t Start, bool InCode = false) const;
  /// Passes procedural code from the 1-based Start to the end of its batch (see BodyFrom); a
  /// CREATE, ALTER or DROP in it is not read, which a warning at that word tells.
  void PassCode(std::int32_t Start);
  TTblData* FindTable(const std::string& Schema, const std::string& Name) const;

  // Statement loop (qelMSSQLParser.cpp).
  /// A ";" or GO with no statement before it.
  bool PassEmptyStatement() override;
  void BeginStatement() override;
  void ParseStatement() override;
  /// Passes the rest of a bad statement up to the end of its batch; it is still reported.
  bool PassFailedStatement() override;
  /// Reports the statement and reads its terminator.
  void EndStatement(std::int32_t Start) override;
  /// From EXEC/EXECUTE, or (Keyword false) from the name of a system procedure called
  /// without it, as a batch may start: sp_bindrule r, 't.c'.
  void ParseExec(bool Keyword = true);
  void ParseSet();
  void ParseIf();
  /// The rest of BEGIN [DISTRIBUTED] TRAN[SACTION], COMMIT, ROLLBACK or SAVE after its first
  /// word: a statement of its own, ended by the next statement as well as by ";" or GO.
  void ParseTransaction();
  /// Reads over a statement that makes no schema object, from its first word up to ";", GO or
  /// the first word of the next statement (Transact-SQL needs no terminator between the two).
  void SkipToNextStatement();
  /// The arguments of a system procedure call: (parameter name or "", value text) pairs.
  std::vector<std::pair<std::string, std::string>> ExecArgs();
  void ExecDescription(const std::vector<std::pair<std::string, std::string>>& Args);
  void ExecAddType(const std::vector<std::pair<std::string, std::string>>& Args);

  // Statement grammar (CREATE, ALTER and DROP in qelMSSQLParser.cpp, tables in
  // qelMSSQLParser_Tbl.cpp, views, routines and triggers in qelMSSQLParser_Prc.cpp).
  void ParseCreate();
  void ParseAlter();
  /// The word after CREATE or ALTER names a view, procedure, function or trigger.
  bool AtModule() const;
  /// Parses the view, routine or trigger whose kind word stands here (CREATE, or ALTER with
  /// Alter).
  void ParseModule(bool Alter);
  void ParseDrop();
  void ParseTable();
  void ParseAlterTable();
  TFldData* ParseColumn(TTblData& Table);
  void ParseDataType(TFldData& Fld);
  void ParseColumnOptions(TFldData& Fld, TTblData& Table);
  std::string DefaultValue();
  /// [CONSTRAINT name] and the key, check or default clause after it; Column for the column
  /// forms. False when no constraint stands here.
  bool ParseConstraint(TTblData& Table, TFldData* Column, bool AlterTable);
  void ParseKey(std::unique_ptr<TCtrData> Ctr, TFldData* Column);
  void ParseForeignKey(std::unique_ptr<TCtrData> Ctr, TFldData* Column);
  void ParseColumnList(TStringList& List, TIdxData* Index = nullptr);
  TUDAction ParseFKAction();
  /// Files a default constraint, or gives an unnamed one to its column.
  void AddDefault(std::unique_ptr<TCtrData> Ctr, TTblData& Table);
  /// Files Ctr, its server-made name moved to AltName.
  void AddConstraint(std::unique_ptr<TCtrData> Ctr);
  std::unique_ptr<TCtrData> NewConstraint(const TTblData& Table, TConstraintType Type);
  void ParseIndex(bool Unique, bool Clustered);
  void ParseBoundObject(bool Rule);
  void ParseType();
  void ParseSchema();
  void ParseView(TViwData* View, bool Alter);
  void ParseRoutine(TPrcData* Routine, bool IsFunction, bool Alter);
  void ParseParams(TPrcData& Routine);
  void ParseTrigger(TTrgData* Trigger, bool Alter);
  /// The key a view, routine or trigger named N is filed under.
  std::string ObjKey(const TName& N) const;
  /// Given when set; else on ALTER (Alter) the object Filed keeps under Key; else a new one,
  /// held by Made until it is filed.
  template <class T>
  T* AlteredOrNew(T* Given, bool Alter, TDbObjList* Filed, const std::string& Key,
                  std::unique_ptr<T>& Made);

  TStatType FStatType = stStatement;
  std::string FStatObjName;
  TDbObject FStatDbObject = dboUnknown;
  TDbOperation FStatDbOperation = odbUnknown;
  bool FQuoted = false;            ///< the current name was written in brackets or quotes
  bool FQuotedIdentifier = false;  ///< SET QUOTED_IDENTIFIER as the script left it
  bool FAnsiNulls = false;         ///< SET ANSI_NULLS as the script left it
  std::int32_t FSyLine = 1;        ///< line of the current symbol's first byte
  std::int32_t FSyColumn = 1;      ///< column of the current symbol's first byte
  /// ASE tables whose definition was left out (a table of the same name in another case was
  /// read first), by their exact names: nothing that hangs on them is read either.
  std::unordered_set<std::string> FLeftOut;
  bool LeftOut(const std::string& Table) const { return !IsMSSQL() && FLeftOut.count(Table) > 0; }
};

/// The SQL Server script parser.
class TMSSQLParser : public TTransactSQLParser {
 public:
  explicit TMSSQLParser(TCustomObjs* AObjs);
};

}  // namespace qel
