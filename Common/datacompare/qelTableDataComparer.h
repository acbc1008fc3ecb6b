// The table data comparer: reads one master and one target table ordered by key through two
// connection components, walks both results in one pass like a merge of two sorted files, and
// writes the INSERT, UPDATE and DELETE statements that make the target's rows equal to the
// master's: to an executor, to a script file, and/or straight to the target. Large values travel
// in a side file that the script names with "SET BLOBFILE" and whose byte ranges the statements
// address as ":h<offset>_<length>" parameters.
//
// Values are written so that the target server reads back the same value: exact decimals as
// their decimal text, floats in the shortest form that reads back exactly, dates and times in
// ISO form with their fractional seconds, booleans in the dialect's own form. Nothing of the
// process (locale, separators) is changed during a run.
//
// Failures are reported, never thrown: every error goes to OnErrorMessage (else a message box)
// and to the message list; CompareData returns False when the run could not start.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Component.h"
#include "DataSet.h"
#include "Files.h"
#include "Strings.h"
#include "qelDBOptions.h"
#include "qelMsgMngr.h"
#include "qelRowChangeWriter.h"
#include "qelTypes.h"

namespace qel {

class TCustomSQLExec;
struct TDialect;
class TQELCustomConnection;
class TQELQuery;
class TTableDataComparer;
class TComparerOutputs;
class TExecuteWriter;

enum TDataCompareOperation : std::uint8_t { dcopInsert, dcopUpdate, dcopDelete };
constexpr std::size_t DataCompareOperationCount = 3;
using TDataCompareOperations = TSet<TDataCompareOperation, DataCompareOperationCount>;

/// Replaces the built-in comparison of a master value with a target value (<0, 0, >0).
using TCompareFieldsEvent = std::function<int(TObject* Sender, TField* FieldM, TField* FieldT)>;
/// Fills the field lists of both sides before they are prepared.
using TGetFieldsEvent = std::function<void(TObject* Sender, TStrings& FieldsM, TStrings& FieldsT)>;
/// Leaves the complete master and target statements in the two lists.
using TGetSQLEvent = std::function<void(TObject* Sender, TStrings& SQLM, TStrings& SQLT)>;
/// May replace the literal written for a master value.
using TGetDataValueEvent = std::function<void(TObject* Sender, TField* Field, std::string& aValue)>;
/// May refuse a generated statement.
using TAddResultSQLEvent =
    std::function<void(TObject* Sender, bool& Accept, const std::string& aSQL, TStatType aStatType,
                       const std::string& aObjName, TDbObject aObjType, TDbOperation opType)>;
/// Takes the statements as text to write out: Part is the next part of a statement, Last ends
/// it.
using TWriteResultSQLEvent = std::function<void(TObject* Sender, std::string_view Part, bool Last)>;
using TDataSetNotifyEvent = std::function<void(TDataSet* DataSet)>;

// ---------------------------------------------------------------------------------------------
// Value text helpers of data scripts (no locale is consulted).

/// True when S is a plain decimal number: an optional sign, digits, at most one point.
bool IsDecimalText(const std::string& S);
/// Orders two decimal numbers given as text by value ("1.50" equals "1.5"); texts that are not
/// decimal numbers order after every number, among themselves by their bytes.
int CompareDecimalText(const std::string& A, const std::string& B);
/// Orders two ISO date, time or date-time texts by value: fractional seconds compare as
/// decimals ("10:00:00" equals "10:00:00.000").
int CompareDateTimeText(const std::string& A, const std::string& B);
/// The literal of a float: FloatFormat when given; an integer below 2147483647 as its digits;
/// with LocalSQL the pattern "0.###########"; else the shortest scientific form that reads back
/// as the same number (a blank before a non-negative value: 1.5 -> " 1.5", -250.25 ->
/// "-2.5025E2"). Infinite and NaN values give their names in single quotes. Single: the
/// shortest form of the value as a 4-byte float. Approximate: the form always carries an
/// exponent (" 1.5E0"), for servers that read a number without one as an exact decimal and
/// convert that to a float with an error (Firebird).
std::string FloatLiteral(double Value, const std::string& FloatFormat, bool LocalSQL,
                         bool Single = false, bool Approximate = false);
/// The literal of a float that Firebird reads back as exactly Value (Single: as the 4-byte
/// float Value): the decimal form where the server's reading of it is exact (at most 2^53 as
/// significand, at most 22 as decimal exponent), else the significand and a power of two
/// ("8363729893195639E0 * POWER(2E0, -52)").
std::string FirebirdFloatLiteral(double Value, bool Single);
/// Value formatted by a number pattern: "0" a digit always shown, "#" a digit shown when not a
/// trailing zero, "." the decimal point, "E+00"/"E-00" an exponent.
std::string FormatFloatPattern(const std::string& Pattern, double Value);
/// An ISO date, time or date-time text formatted by a date pattern: yyyy, yy, mm/m (month, or
/// minutes after an hour), dd/d, hh/h, nn/n, ss/s, zzz/z (milliseconds), "/" for the date
/// separator DateSeparator, ":" for the time separator, text in quotes as is.
std::string FormatDateTimeText(const std::string& Pattern, const std::string& IsoValue,
                               char DateSeparator = '.');
/// An ISO time or date-time text with its second's fraction cut to Digits digits (none for 0);
/// a shorter fraction, and what follows it (a zone), stay.
std::string CutSecondFraction(const std::string& IsoValue, int Digits);
/// The digits of the second fraction of an ISO time or timestamp.
std::size_t SecondFractionDigits(const std::string& IsoValue);

// ---------------------------------------------------------------------------------------------

/// One side of a comparison: the table, its key, data and excluded fields, and the working
/// lists a run prepares from them and from the side's catalog.
class TCmpTableOptions : public TPersistent {
 public:
  explicit TCmpTableOptions(TTableDataComparer* AOwner = nullptr);
  ~TCmpTableOptions() override;

  /// From another TCmpTableOptions: the table name, the catalog field list, the working data
  /// and key lists and the three published lists (not the working exclude list, not
  /// AllowSystemTables).
  void Assign(const TPersistent& Source) override;

  // Published. The setters copy.
  TStringList& GetKeyFields() { return FKeyFields; }
  const TStringList& GetKeyFields() const { return FKeyFields; }
  void SetKeyFields(const TStrings& Value) { FKeyFields.Assign(Value); }
  TStringList& GetDataFields() { return FDataFields; }
  const TStringList& GetDataFields() const { return FDataFields; }
  void SetDataFields(const TStrings& Value) { FDataFields.Assign(Value); }
  TStringList& GetExcludeFields() { return FExcludeFields; }
  const TStringList& GetExcludeFields() const { return FExcludeFields; }
  void SetExcludeFields(const TStrings& Value) { FExcludeFields.Assign(Value); }
  /// Stored only; nothing reads it.
  bool AllowSystemTables = false;

  // Run state.
  TTableDataComparer* GetComparer() const { return FComparer; }
  TQELCustomConnection* GetConnection() const { return FConnection; }
  void SetConnection(TQELCustomConnection* Value) { FConnection = Value; }
  const std::string& GetTableName() const { return FTableName; }
  /// The name as the user writes it: a part in double quotes (MySQL: back quotes too) keeps its
  /// case, an unquoted one is taken as the server stores unquoted names, and "s.t" names table t
  /// of schema s (on MySQL, of database s). A run splits it up; the name is then the table's
  /// own and GetSchemaName() its schema.
  void SetTableName(const std::string& Value) {
    FTableName = Value;
    FSchemaName.clear();
    FNameSplit = false;
  }
  /// The schema the table name was qualified with; empty for none.
  const std::string& GetSchemaName() const { return FSchemaName; }
  /// The table as statements name it: the schema, when one was given, and the name, each
  /// quoted for the side.
  std::string QualifiedName() const;
  /// Splits a table name as SetTableName takes it into its parts ("s"."T" gives s and T, with
  /// Quoted telling which were in quotes); one part without a schema; nothing for a malformed
  /// name (an unclosed quote, an empty part, more than two parts).
  static std::vector<std::string> SplitTableName(const std::string& Name,
                                                 std::vector<bool>* Quoted = nullptr);
  /// True when the catalog field list holds the field a list entry names, matched as the
  /// side's server matches names (PostgreSQL and InterBase exactly, a bare PostgreSQL name
  /// folded to lower case; the others in any case).
  bool HasCatalogField(const std::string& Entry) const;
  /// True when a list entry names Column (a name as the side's catalog spells it), matched as
  /// HasCatalogField matches.
  bool NamesColumn(const std::string& Entry, const std::string& Column) const;
  /// The field names read from the side's catalog.
  TStringList& GetCatalogFields() { return FCatalogFields; }
  const TStringList& GetCatalogFields() const { return FCatalogFields; }
  /// The fields a run compares and writes, its key fields and its excluded fields.
  TStringList& GetWorkDataFields() { return FWorkDataFields; }
  const TStringList& GetWorkDataFields() const { return FWorkDataFields; }
  TStringList& GetWorkKeyFields() { return FWorkKeyFields; }
  const TStringList& GetWorkKeyFields() const { return FWorkKeyFields; }
  TStringList& GetWorkExcludeFields() { return FWorkExcludeFields; }
  const TStringList& GetWorkExcludeFields() const { return FWorkExcludeFields; }
  /// True when the working data list was filled from the catalog in this run (not given).
  bool GetDataFromCatalog() const { return FDataFromCatalog; }
  bool GetKeysFromCatalog() const { return FKeysFromCatalog; }

  /// Fills the working lists of a run (given lists, else the comparer's custom lists, else the
  /// catalog) and checks that there is something to compare. False after a reported error.
  bool PrepareFields(TQELQuery* Query);
  /// Fills the catalog field list from the side's server; normalises the table name. False
  /// after a reported error (the table not found, a failing catalog query).
  bool GetDBFields(TQELQuery* Query);
  /// The ordered SELECT of the side.
  std::string SelectSQL() const;
  /// The names joined by ", ", each written as FieldSQL writes it.
  std::string FldsSeq(const TStrings& List) const;
  /// A list entry as a statement names it: the field it names (FieldNameOf) quoted by the
  /// side's own rule, whatever characters the name holds.
  std::string FieldSQL(const std::string& Entry) const;
  /// A field name quoted for the side (local SQL: a keyword qualified by the table name).
  std::string QuoteField(const std::string& Name) const;
  /// The field a list entry names: an entry in double quotes is the quoted name as written.
  static std::string FieldNameOf(const std::string& Entry);
  /// The list entry that names exactly the column Name: Name itself, or Name in double quotes
  /// when it would be read otherwise (a name in double quotes of its own; with Folded, a name a
  /// PostgreSQL list would fold to lower case).
  static std::string EntryOf(const std::string& Name, bool Folded = false);
  /// A name quoted for the side's dialect; unchanged without a connection.
  std::string QuoteIdent(const std::string& Name) const;
  /// The literal of the field's current value in the comparer's dialect (or a parameter
  /// reference when statements run at once).
  std::string FldValue(TField* Field);
  /// The literals of every field of the query's current row, joined by ", ".
  std::string FldsSeqValue(TQELQuery* Query);
  /// FldValue and FldsSeqValue appended to Out: a large value goes into it once. InStatement:
  /// Out is the row statement being made, whose large values may be deferred.
  void AppendFldValue(std::string& Out, TField* Field, bool InStatement = false);
  void AppendFldsSeqValue(std::string& Out, TQELQuery* Query, bool InStatement = false);

  /// The dialect of the side's connection; dbAbstract without one.
  TDatabaseType GetDatabaseType() const;
  /// True for a side whose rows the comparer sorts itself (an Access file: its drivers either
  /// know no ORDER BY or order text ignoring case); it reads them all.
  bool SortedHere() const;

  // For the dialects' catalog steps (TDialect::ReadDataFields).
  /// Runs the query (Lines) that finds the table: the IdField of the first row whose NameField
  /// is not empty; empty (reported) when the table is not there.
  std::string FindTableId(TQELQuery& Query, const std::vector<std::string>& Lines,
                          const char* NameField, const char* IdField);
  /// Runs Lines and adds Field of every row (trimmed when Trimmed) to the catalog field list.
  void AddCatalogColumns(TQELQuery& Query, const std::vector<std::string>& Lines, const char* Field,
                         bool Trimmed);
  /// Adds the column names of an empty result of the table to the catalog field list.
  void AddEmptyResultColumns(TQELQuery& Query);
  /// Runs Lines as one statement and hands each row to Row; closes and clears the query.
  void RunCatalogQuery(TQELQuery& Query, const std::vector<std::string>& Lines,
                       const std::function<void(TQELQuery&)>& Row);
  /// Opens Text without parameter scanning, hands the open query to Opened (result fields, rows),
  /// then closes and clears the query.
  static void RunQuery(TQELQuery& Query, const std::string& Text,
                       const std::function<void(TQELQuery&)>& Opened);
  /// Reports that the side's table is not there.
  void TableNotFound(TQELQuery& Query);
  /// The table's name as the side's catalog spells it (found by a catalog step that matches
  /// names in any case); the schema stays.
  void SpellTableName(const std::string& Value) { FTableName = Value; }

 protected:
  void AssignTo(TPersistent& Dest) const override;

 private:
  friend class TTableDataComparer;
  /// The catalog step of the side's dialect; fills the catalog field list.
  bool ReadCatalogFields(TQELQuery& Query, TDatabaseType DatabaseType);
  /// The ORDER BY item of one key (or data) field, made so that the server orders the rows the
  /// way the merge compares them.
  std::string OrderItem(const std::string& Name) const;
  /// Splits the table name into schema and name, once per run; an unquoted part becomes what
  /// the side's server stores for it (InterBase and the others upper case, PostgreSQL lower
  /// case, MySQL as given).
  void NormaliseTableName();
  std::string StoredName(const std::string& Name) const;

  TTableDataComparer* FComparer = nullptr;
  TQELCustomConnection* FConnection = nullptr;
  std::string FTableName;
  std::string FSchemaName;
  bool FNameSplit = false;
  TStringList FKeyFields;
  TStringList FDataFields;
  TStringList FExcludeFields;
  TStringList FCatalogFields;
  TStringList FWorkDataFields;
  TStringList FWorkKeyFields;
  TStringList FWorkExcludeFields;
  bool FDataFromCatalog = false;
  bool FKeysFromCatalog = false;
  /// Key fields the server orders in byte order only when told so (collated text).
  TStringList FByteOrderFields;
  /// MySQL key fields declared NOT NULL: ordered by the column alone, so that the server can
  /// read the table in key order instead of sorting it.
  TStringList FNotNullFields;
  /// MySQL data fields of 4-byte FLOAT columns. The server writes such a value as text with
  /// six digits only, so they are read as doubles (exactly the float's value) and taken as
  /// 4-byte floats again.
  TStringList FFloat4Fields;
  /// PostgreSQL data fields of blank-padded char(n) columns: read as text, which drops the
  /// padding as the server does when it reads such a value as text, so that they compare and
  /// are written as a varchar holds them.
  TStringList FPaddedFields;
  /// PostgreSQL data fields of timestamptz columns and the digits of a second each keeps (-1:
  /// not declared): read as their time in UTC, without a zone, so that they compare with a time
  /// of a column without one, and written with the zone +00.
  TStringList FUtcFields;
  std::vector<int> FUtcDigits;
  /// The item of the SELECT list that reads a data field.
  std::string SelectItem(const std::string& Name) const;
};

// ---------------------------------------------------------------------------------------------

/// The table data comparer component.
class TTableDataComparer : public TComponent {
 public:
  explicit TTableDataComparer(TComponent* AOwner);
  ~TTableDataComparer() override;

  /// Clears QELConnectionMaster, QELConnectionTarget or SQLExec when that component goes away
  /// (and the side options' reference to a removed connection).
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // --- Published properties ------------------------------------------------------------------

  const std::string& GetTableNameMaster() const { return FTableNameMaster; }
  /// Also sets the master options' table name.
  void SetTableNameMaster(const std::string& Value);
  const std::string& GetTableNameTarget() const { return FTableNameTarget; }
  /// Also sets the target options' table name. Empty: no target table (every master row is
  /// written as an INSERT into the master's table name).
  void SetTableNameTarget(const std::string& Value);
  bool GetUpdateImmediately() const { return FUpdateImmediately; }
  /// Also sets ScriptOptions.GenerateScript to the negation.
  void SetUpdateImmediately(bool Value);
  /// Compare large-value (BLOB) fields at all.
  bool CompareBlobs = true;
  /// Keep BLOB columns in the default field lists and carry BLOB values.
  bool IncludeBlobs = true;
  TQELCustomConnection* GetQELConnectionMaster() const { return FQELConnectionMaster; }
  void SetQELConnectionMaster(TQELCustomConnection* Value);
  TQELCustomConnection* GetQELConnectionTarget() const { return FQELConnectionTarget; }
  void SetQELConnectionTarget(TQELCustomConnection* Value);
  TCmpTableOptions& GetTableOptionsMaster() { return *FTableOptionsMaster; }
  void SetTableOptionsMaster(const TCmpTableOptions& Value) { FTableOptionsMaster->Assign(Value); }
  TCmpTableOptions& GetTableOptionsTarget() { return *FTableOptionsTarget; }
  void SetTableOptionsTarget(const TCmpTableOptions& Value) { FTableOptionsTarget->Assign(Value); }
  /// Key and data fields of a side whose own lists are empty.
  TStringList& GetCustomKeyFields() { return FCustomKeyFields; }
  void SetCustomKeyFields(const TStrings& Value) { FCustomKeyFields.Assign(Value); }
  TStringList& GetCustomDataFields() { return FCustomDataFields; }
  void SetCustomDataFields(const TStrings& Value) { FCustomDataFields.Assign(Value); }
  TDataCompareOperations AllowedOperations = TDataCompareOperations::All();
  TScriptOptions& GetScriptOptions() { return FScriptOptions; }
  const TScriptOptions& GetScriptOptions() const { return FScriptOptions; }
  void SetScriptOptions(const TScriptOptions& Value) { FScriptOptions.Assign(Value); }
  const std::string& GetScriptFileName() const { return FScriptFileName; }
  /// Also sets BlobFileName: the same name with the extension ".LOB" (empty for no name).
  void SetScriptFileName(const std::string& Value);
  /// The large-value side file.
  std::string BlobFileName;
  /// Large values written into the statements as literals of the target's dialect (hexadecimal
  /// bytes, quoted text) instead of to the side file, which is then neither created nor named;
  /// for scripts that travel as plain text, such as standard output.
  bool InlineBlobs = false;
  TCustomSQLExec* GetSQLExec() const { return FSQLExec; }
  void SetSQLExec(TCustomSQLExec* Value);
  /// Excluded fields of a side whose own list is empty.
  TStringList& GetExcludeDataFields() { return FExcludeDataFields; }
  void SetExcludeDataFields(const TStrings& Value) { FExcludeDataFields.Assign(Value); }
  /// Trim character values before comparing and writing them.
  bool TrimCharFields = false;
  /// Leave computed columns out of an InterBase table's field list.
  bool IgnoreComputedFields = true;
  /// With UpdateImmediately: the first statement the target refuses ends the run; the error
  /// names it, its values and the server's text, and says how many row changes were written
  /// before it. No row after it is compared or written. Off: a refused statement is reported
  /// and the run goes on with the next row.
  bool BreakOnError = false;

  TLogNextLineEvent OnLogNextLine;
  TErrorMessageEvent OnErrorMessage;
  TProgressUpdateEvent OnProgressUpdateMaster;
  TProgressUpdateEvent OnProgressUpdateTarget;
  TCompareFieldsEvent OnCompareFields;
  TGetFieldsEvent OnGetKeyFields;
  TGetFieldsEvent OnGetDataFields;
  TGetFieldsEvent OnGetExcludeFields;
  TGetSQLEvent OnGetSelectSQL;
  TGetSQLEvent OnGetCountSQL;
  TGetDataValueEvent OnGetDataValue;
  TAddResultSQLEvent OnAddResultSQL;
  /// For a host that writes the statements out as text (a pipe, standard output): each
  /// statement, after OnAddResultSQL accepted it. Where nothing else needs a statement whole
  /// (no OnAddResultSQL, no script file, nothing run, no OnGetDataValue, a dialect without a
  /// limit on a statement's size), a large value written inline comes as a literal a piece at
  /// a time, so that it is never held whole as text.
  TWriteResultSQLEvent OnWriteResultSQL;
  /// Called with the execution query before each statement run on the target.
  TDataSetNotifyEvent BeforeOpen;
  /// Takes every statement of a run too, after the comparer's own outputs (standard output,
  /// statements run, the script file): a TStatementSpool keeps them on disk to run after. The
  /// caller's; it must outlive the runs.
  TRowChangeWriter* Writer = nullptr;

  // --- Owned state -----------------------------------------------------------------------------

  TMsgManager MsgManager;
  /// Filled from the target connection (else the master's) at the start of each run.
  TConnectionOptions& GetConnectionOptions() { return FConnectionOptions; }
  TIBTableDataComparerOptions& GetIBServerOptions() { return FIBServerOptions; }
  TMSSQLServerOptions& GetMSSQLServerOptions() { return FMSSQLServerOptions; }
  TMySQLServerOptions& GetMySQLServerOptions() { return FMySQLServerOptions; }

  // --- Operations ------------------------------------------------------------------------------

  /// Runs one comparison. True when the run got as far as the merge stage (also when errors
  /// were reported during it); False when a precondition failed or a connection did not open.
  bool CompareData();
  /// The dialect of the target connection, else of the master connection, else dbAbstract.
  TDatabaseType GetDatabaseType() const;
  /// The log line to OnLogNextLine and, always, to the message list as information.
  void DoLogNextLine(const std::string& Text);
  /// Counts the error, passes "Error: " + Text to OnErrorMessage (else a message box) and adds
  /// Text to the message list as an error.
  void DoErrMsg(const std::string& Text);

  /// The counters of the last run.
  int GetInsertedCount() const { return FInserted; }
  int GetUpdatedCount() const { return FUpdated; }
  int GetDeletedCount() const { return FDeleted; }
  int GetEqualCount() const { return FEqual; }
  int GetErrorCount() const { return FErrorCount; }
  /// Row statements run at once (UpdateImmediately) that the target keeps: each committed on
  /// its own, or with the transaction that held it once that was committed. Statements that
  /// failed, and those of a transaction a lost connection took with it, are not counted.
  int GetAppliedCount() const;
  /// The statistics line of the last run ("Equal: 2, Inserted: 1, ... All: 4.").
  std::string StatisticsText() const;
  /// Row changes sent to the target whose outcome the run did not learn: the connection was
  /// lost under them (they may have been made).
  int GetUnknownCount() const;
  /// True when the connection the last run wrote its rows through was lost under it.
  bool GetWriteConnectionLost() const;
  /// True when the last run ended at a statement the target refused (BreakOnError).
  bool GetStoppedAtError() const { return !FStopText.empty() && !FCancelled; }
  /// Row changes run at once that the server says met no row (a trigger or a rule kept them
  /// from it, or another session deleted it): neither made nor counted as inserted, updated or
  /// deleted.
  int GetUnmadeCount() const { return FUnmade; }
  /// Takes Count row changes of kind Type (stInsert, stUpdate, stDelete) of the written script
  /// that met no row when it ran: counted apart, no longer as made.
  void CountUnmade(TStatType Type, int Count);
  /// True when the last run, writing at once, stopped because TerminateRunning was set: the
  /// round trip under way was answered and nothing was sent after it.
  bool GetCancelled() const { return FCancelled; }
  /// True when the last run ended because the target refused the COMMIT of row changes it
  /// had run (the ones written while its rows were read): they are not kept.
  bool GetCommitRefused() const;

  /// The comparison of a master value with a target value the merge uses: OnCompareFields when
  /// assigned, else the built-in rules (null after every value; numbers, dates and times by
  /// value; text by bytes).
  int CompareFields(TField* FieldM, TField* FieldT);
  /// Large values: a longer master value gives 1, a shorter -1; equal lengths 0 when the bytes
  /// are equal, else 1.
  int CompareBlobFields(TField* FieldM, TField* FieldT);
  /// The smaller of the two sides' counts of working key fields, of working data fields.
  int GetKeyFldsCount() const;
  int GetDataFldsCount() const;
  /// Writes one large value to the side file; Value becomes its ":h<offset>_<length>" reference
  /// (or "Null", or a parameter reference when statements run at once).
  void SaveBlob(TField* Field, std::string& Value);

  /// True for the field types that are written to the side file: binary and memo.
  static bool IsBlobType(TFieldType DataType);
  /// Orders a master value against a target value by the built-in rules; with AsKey, large
  /// values and texts of different field types order by their bytes (keys must be ordered, not
  /// only told apart). FloatBytes 4 compares floats as 4-byte floats: equal means equal there.
  int CompareValues(const TDataValue& M, const TDataValue& T, bool AsKey, int FloatBytes = 8) const;
  /// True when the last run ended at a value that no statement of the target's SQL could
  /// carry as a literal (InlineBlobs; Firebird reads at most 10 MiB of statement): a side file
  /// or statements run at once carry it.
  bool GetValueTooLarge() const { return FValueTooLarge; }
  /// True when the target's server reads statements up to a size (Firebird), so that a run
  /// writing large values inline may end on one too large (GetValueTooLarge).
  bool TargetLimitsStatementSize() const;

 protected:
  // The run, in the order CompareData calls it.
  /// Clears the counters, the messages and what the last run left.
  void ResetRun();
  /// Connects both sides (where not connected) and makes the run's queries; False after a
  /// reported error, with nothing left open that the run opened.
  bool OpenSides();
  /// Lets the queries go, then the connections the run opened.
  void CloseSides();
  /// The two sides name as many data, key and exclude fields; else an error names the list.
  bool FieldListsMatch();
  void CompareTables();
  void Compare();
  int CompareRecord();
  void DoGetSelectSQL(TStrings& SQLM, TStrings& SQLT);
  void DoProgressMaster();
  void DoProgressTarget();
  void RecordInsert();
  void RecordUpdate();
  void RecordDelete();
  std::string WhereSeq(TQELQuery* Query, const TStrings& Keys);
  void MakeConnectString();
  void DoAddResultSQL(const std::string& aSQL, TStatType aStatType, const std::string& aObjName,
                      TDbObject aObjType, TDbOperation opType);

 private:
  friend class TCmpTableOptions;
  friend class TExecuteWriter;

  /// The parameter reference of a field when statements run at once: its name when that is a
  /// plain name not yet used for another field of the statement, else a made-up one.
  std::string ParamRef(TField* Field);
  /// The literal of a field's value in the run's dialect; ForWhere keeps text untrimmed, since
  /// the condition has to find the row as it is.
  std::string ValueLiteral(TField* Field, bool ForWhere);
  /// ValueLiteral appended to Out: a large value goes into it once, with no copy in between.
  /// InStatement: Out is the row statement being made (RecordInsert, RecordUpdate), whose large
  /// values may be deferred.
  void AppendValueLiteral(std::string& Out, TField* Field, bool ForWhere, bool InStatement = false);
  /// Ends the merge (an exception) once a refused statement stopped the run (BreakOnError).
  void ThrowIfStopped() const;
  /// Ends the merge (an exception) when TerminateRunning asks to, once the round trip sent
  /// ahead is answered and what waits in the target's transaction is committed.
  void StopIfAsked();
  /// The DELETE of the current target row: of one copy of it where rows are told apart by all
  /// their values, since the target may hold copies the master keeps.
  std::string DeleteSQL(const std::string& Where) const;
  /// Names the side file in the script (SET BLOBFILE) and creates it; done at the first large
  /// value written, so that a run without one leaves no empty side file.
  bool StartSideFile();
  /// Brings the two working lists of each kind into step when both came from the catalogs;
  /// False after a reported error (counts or names that cannot be paired).
  bool PairFields();
  /// Finds the result fields of the working lists, checks that paired key fields have types
  /// that can be compared; False after a reported error.
  bool ResolveFields();
  /// Checks that the row just read sorts after the previous one of its side; False (and an
  /// error) when the server's order is not the merge's, or when its key is the previous one's.
  bool CheckOrder(bool Master);
  /// Asks each side's server, before a row is read, whether two of its rows have the same key
  /// (by the server's own equality, which the statements' conditions use); False (reported,
  /// naming one such key) when they do. A side whose key holds its primary key is not asked.
  bool KeysIdentifyRows();
  /// True when the key fields of a side hold every column of its table's primary key.
  bool KeyHoldsPrimaryKey(TCmpTableOptions& Options, TQELQuery& Query);
  /// The error for a key that more than one row of a side has; Values are that key's fields.
  std::string KeyNotUniqueText(bool Master, const std::vector<const TDataValue*>& Values) const;
  /// Sorts the rows of a side whose source cannot order them (an Access file: its drivers
  /// either know no ORDER BY or order text ignoring case) by the key, as the merge orders.
  void SortUnordered(bool Master);
  // The steps of Compare.
  /// The row counts of both sides for the progress events (SQLM and SQLT take the count
  /// statements).
  void CountRows(TStringList& SQLM, TStringList& SQLT);
  /// The select statements of both sides, from the options or the OnGetSelectSQL handler.
  void SetSelectSQL(TStringList& SQLM, TStringList& SQLT);
  /// Opens both results, read once front to back.
  void OpenResults();
  /// The ordered merge: a row of one side only is inserted or deleted, a pair that differs is
  /// updated.
  void MergeRows();
  /// Closes the results and commits what the run left open; logs the statistics.
  void EndCompare();
  /// Reads which key fields of each side need an explicit byte order (collated text) and, in
  /// MySQL, which are declared NOT NULL.
  void FindByteOrderFields(TCmpTableOptions& Options, TQELQuery* Query);
  /// Reads which data fields of a MySQL side are 4-byte FLOAT columns.
  void FindFloat4Fields(TCmpTableOptions& Options, TQELQuery* Query);
  /// Reads which data fields of a side are blank-padded CHAR(n) columns (PostgreSQL, Firebird),
  /// and which hold a time with a zone (PostgreSQL).
  void FindPaddedFields(TCmpTableOptions& Options, TQELQuery* Query);
  /// The target dialect's row forms; False (reported) when it has not said one the run needs.
  bool CheckRowForms();
  /// The target dialect's row forms, once CheckRowForms found them.
  const TDialect& Forms() const { return *FForms; }
  /// Finds the master fields whose values the target column holds in another form: a Boolean
  /// as a number or a number as a Boolean, a time to fewer digits of a second, a value of
  /// another kind (a number, date, time or Boolean as text, text as one of those), a time with
  /// the zone +00; and the target fields written with that zone. False (reported) when a column
  /// of the master holds a kind of value the target's column has no conversion from.
  bool FindTargetForms();
  /// A master value as its target column holds it, into Held; False when it is held as it is.
  bool AsTargetHolds(const TField* Field, TParam& Held) const;
  /// The value of Field as its target column holds it: Held when it is held otherwise.
  const TDataValue& TargetValue(const TField* Field, TParam& Held) const;
  /// Finds the result fields whose values are taken as 4-byte floats, once the results are
  /// open: those of 4-byte columns, and master fields written into one.
  void FindSingleFields();
  /// True when a field's own column holds 4-byte floats; when its values are written as such.
  bool IsFloat4(const TField* Field) const;
  bool IsWrittenFloat4(const TField* Field) const;
  /// The value of a float field as its column holds it (a 4-byte float exactly), rounded to a
  /// 4-byte float when it is written into such a column.
  double FloatValue(TField* Field) const;
  /// A literal of the target's SQL for text or bytes, appended to Out; in pieces joined into one
  /// large value where one literal could not hold it (Firebird).
  void AppendLongLiteral(std::string& Out, std::string_view Value, bool Binary) const;
  /// Bytes as the target dialect's binary literal, appended to Out.
  void AppendBinaryLiteral(std::string& Out, std::string_view Bytes) const;
  /// The target dialect's binary literal around its digits; False for a form that is not.
  bool BinaryLiteralForm(std::string& Opening, std::string& Closing) const;
  /// The bytes a statement of the target's dialect may hold; 0 for no limit.
  std::size_t StatementLimit() const;
  /// True when a large value's literal may be handed to OnWriteResultSQL a piece at a time.
  bool WritesLiteralsInPieces() const;
  /// The large values whose literals go into the statement being made at the given places (a
  /// value's literal is made as it is written, see WritesLiteralsInPieces).
  struct TDeferredLiteral {
    std::size_t At;
    TField* Field;
    bool Binary;
  };
  std::vector<TDeferredLiteral> FDeferred;
  /// Hands aSQL to OnWriteResultSQL with the literals of Deferred in their places, each made
  /// and handed over a piece at a time.
  void WriteWithDeferred(const std::string& aSQL, const std::vector<TDeferredLiteral>& Deferred);
  /// Starts the deferred literals of a row statement afresh; those of a statement left unmade
  /// (an exception) go with it.
  class TDeferScope {
   public:
    explicit TDeferScope(TTableDataComparer& C);
    ~TDeferScope();
    TDeferScope(const TDeferScope&) = delete;
    TDeferScope& operator=(const TDeferScope&) = delete;

   private:
    TTableDataComparer& FOwner;
    int FExceptions = std::uncaught_exceptions();
  };
  /// The type of the target's column a master field's value goes into; ftUnknown when none
  /// is paired with it.
  TFieldType TargetTypeOf(const TField* Field) const;
  bool OpenSideFile();
  void CloseSideFile();
  void ClearRunState();

  std::string FTableNameMaster;
  std::string FTableNameTarget;
  bool FUpdateImmediately = false;
  TQELCustomConnection* FQELConnectionMaster = nullptr;
  TQELCustomConnection* FQELConnectionTarget = nullptr;
  std::unique_ptr<TCmpTableOptions> FTableOptionsMaster;
  std::unique_ptr<TCmpTableOptions> FTableOptionsTarget;
  /// The writers of the outputs (qelTableDataComparer_Int.h).
  std::unique_ptr<TComparerOutputs> FOutputs;
  TStringList FCustomKeyFields;
  TStringList FCustomDataFields;
  TStringList FExcludeDataFields;
  TScriptOptions FScriptOptions;
  std::string FScriptFileName;
  TCustomSQLExec* FSQLExec = nullptr;

  TConnectionOptions FConnectionOptions;
  TIBTableDataComparerOptions FIBServerOptions;
  TMSSQLServerOptions FMSSQLServerOptions;
  TMySQLServerOptions FMySQLServerOptions;

  // Run state.
  std::unique_ptr<TQELQuery> FQueryMaster;
  std::unique_ptr<TQELQuery> FQueryTarget;
  std::unique_ptr<TFileStream> FBlobStream;
  int FInserted = 0;
  int FUpdated = 0;
  int FDeleted = 0;
  int FEqual = 0;
  int FErrorCount = 0;
  int FCountMaster = 1;
  int FCountTarget = 1;
  int FPosMaster = 0;
  int FPosTarget = 0;
  bool FBlobFailed = false;
  bool FHasBlobs = false;
  bool FDataDiffers = false;
  bool FMasterWasConnected = false;
  bool FTargetWasConnected = false;
  /// Rows are matched by all their values (no key, or a key holding every data field).
  bool FRowsByValue = false;
  /// The error of the statement that stopped the run (BreakOnError); empty while it goes on.
  std::string FStopText;

  /// Result field positions of the working lists, found once per run.
  std::vector<int> FKeyPosM, FKeyPosT, FDataPosM, FDataPosT;
  /// Key values of the previous row of each side, for the order check.
  std::vector<TParam> FPrevKeyM, FPrevKeyT;
  bool FHavePrevM = false;
  bool FHavePrevT = false;
  /// The quoted target table and the quoted column list of INSERT statements, made once per
  /// run: every row written needs them.
  std::string FTargetTableSQL;
  std::string FInsertColumns;
  /// The INSERT run at once for every row of the table, and its parameter fields, once made.
  std::string FInsertExecSQL;
  std::vector<std::pair<std::string, TField*>> FInsertExecFields;
  int FUnmade = 0;
  bool FCancelled = false;
  /// Parameters of the statement being built for immediate execution: name and field.
  std::vector<std::pair<std::string, TField*>> FParamFields;
  /// Float fields of both results whose column holds 4-byte floats, and master fields written
  /// into such a column (sorted, for lookups by address).
  std::vector<const TField*> FFloat4, FWrite4;
  /// Master fields held in another form by their target column: the target's type and the
  /// digits of a second it keeps (-1: all); sorted by field.
  struct TTargetForm {
    const TField* Field;
    TFieldType Type;
    int TimeDigits;
    bool Zone;  ///< a time of the column is written with the zone +00
  };
  std::vector<TTargetForm> FTargetForms;
  const TDialect* FForms = nullptr;
  bool FValueTooLarge = false;
};

}  // namespace qel
