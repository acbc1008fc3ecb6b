// The catalog extraction driver that the SQL Anywhere, Oracle, PostgreSQL and DB2 catalog
// extractors share: it checks the settings, empties the schema holder, opens the database anew,
// runs the dialect's ordered steps under progress reports and the cancel flag, re-parses the
// catalog texts it fetched with the dialect's parser to link dependencies, and closes the
// database on every path. The catalog is read in one read-only snapshot where the server offers
// one; elsewhere a dialect may name a catalog version that tells when the schema changed under
// the read.
//
// Failures never leave the driver as exceptions. A refused connection, a failed catalog query
// and a cancelled run each end the extraction with False and one error in the message list: the
// connection's reason, the step that failed with the server's message, or the cancel. What was
// read before the failure stays in the holder; callers must not compare with it (the comparer
// refuses to).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "qelClasses.h"
#include "qelCompObj.h"
#include "qelComp_Tbl.h"
#include "qelDBEngine.h"
#include "qelParser.h"

namespace qel {

class TFldData;
class TCatalogReadAhead;

/// The fields of the current row of a catalog query, read by name. A name is looked up once
/// for the result; after that the reader goes straight to the field's position, checking that
/// the field there still carries the name (a query opened again with another statement, or an
/// adapter that makes the field objects anew for each block of rows, is looked up again).
class TCatalogRow {
 public:
  explicit TCatalogRow(TQELQuery& Query) : FQuery(Query) {}

  /// The field Name of the current row (found ignoring ASCII case); raises EDatabaseError when
  /// the result has no such field.
  const TField& Field(std::string_view Name);
  /// The text of the field; "" for NULL.
  std::string Str(std::string_view Name) { return Field(Name).AsString(); }
  /// The field as an integer; 0 for NULL.
  std::int32_t Int(std::string_view Name) { return Field(Name).AsInteger(); }
  std::int64_t LargeInt(std::string_view Name) { return Field(Name).AsLargeInt(); }
  /// The field as a flag (see TDataValue::AsBoolean); False for NULL.
  bool Bool(std::string_view Name) { return Field(Name).AsBoolean(); }
  bool IsNull(std::string_view Name) { return Field(Name).IsNull(); }

 private:
  struct TSlot {
    std::string Name;
    int Index;
  };
  TQELQuery& FQuery;
  std::vector<TSlot> FSlots;
};

/// One step of a catalog extraction.
struct TDBExtractStep {
  /// 0: before the first cancel test (the header and the first group of steps); 1 to 13: after
  /// the cancel test of that position.
  int Position = 0;
  /// The step runs only when Kind is in CompareObjects.
  bool Gated = false;
  TCmpObjType Kind = coDomain;
  /// The routine's name ("ExtractTbl"); failure messages name the step by it.
  const char* Name = "";
  std::function<void()> Run;
};

/// The base of the catalog extractors that run the shared driver. A dialect gives its steps
/// (ExtractSteps), its parser (CreateBodyParser), the lists whose objects carry catalog texts
/// (BodyLists) and the log line of the body parsing.
class TCustomDBExtract : public TCustomExtract {
 public:
  /// Progress runs from 0 to this maximum.
  static constexpr int ExtractProgressMax = 16;
  /// The last position of the step frame.
  static constexpr int LastStepPosition = 13;

  explicit TCustomDBExtract(TComponent* AOwner);
  ~TCustomDBExtract() override;

  /// The connection the catalog is read through (published as QELConnection); not owned.
  TQELCustomConnection* GetQELConnection() const { return FConnection; }
  /// Links Value with free notification both ways; the former connection is let go.
  void SetConnection(TQELCustomConnection* Value);

  /// Reads the schema of the connection's database into the holder's collection. True when
  /// every step ran to its end; False when a setting is missing, the database cannot be opened,
  /// a step failed or the run was cancelled (each reported once as an error). The connection is
  /// closed afterwards, also when it was open before the call.
  bool ExtractDatabase() override;

  /// Passes Text to OnLogNextLine (Sender: the extractor) when a handler is assigned.
  void AddToLog(const std::string& Text);
  /// The holder's collection; nullptr without a holder or collection.
  TObjs* GetObjs() const;
  /// The run in progress (or the last one) was cancelled.
  bool GetCancelled() const { return FCancelled; }

  /// Whether a comparison may read this dialect's catalog ahead on a second connection
  /// (TCatalogReadAhead): every catalog query of its extraction is a SELECT opened on the work
  /// query by OpenQuery, and a session of its server depends on the connection's options alone.
  virtual bool CanReadAhead() const { return false; }
  /// For the comparer, for the next extraction only: each catalog query it opens on its work
  /// query is announced to Ahead, so that the other side's catalog is read meanwhile.
  void AnnounceQueriesTo(TCatalogReadAhead* Ahead) { FAnnounceTo = Ahead; }
  /// For the comparer, for the next extraction only: the catalog is read through Ahead's
  /// session and snapshot, which Ahead->Serves(connection) has accepted, instead of through a
  /// session of the connection. Everything else (events, progress, messages, the holder) is
  /// as without it.
  void ReadCatalogThrough(TCatalogReadAhead* Ahead) { FReadThrough = Ahead; }

  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  /// The work query of the running extraction; every step reads through it. Raises
  /// EDatabaseError outside an extraction.
  TQELQuery& WorkQuery();
  /// Opens the work query with Lines, hands each row to Each and closes the query again. With
  /// StopOnCancel the rows after a cancel by the host are left unread.
  void ForEachRow(const std::vector<std::string>& Lines,
                  const std::function<void(TCatalogRow& Row)>& Each, bool StopOnCancel = false);
  /// Replaces the text of Query by Lines (one SQL line each) and opens it. A query opened on
  /// the work query is announced first where the comparer asked for it (AnnounceQueriesTo).
  void OpenQuery(TQELQuery& Query, const std::vector<std::string>& Lines);
  /// Closes Query and clears its text.
  static void CloseQuery(TQELQuery& Query);

  /// The header and the gated steps, in frame order; a dialect lists its routines here.
  virtual std::vector<TDBExtractStep> ExtractSteps() = 0;
  /// The steps of the kinds most catalogs hold, each gated on its kind at its frame position:
  /// tables (2), views, procedures, triggers, indexes, primary keys, unique constraints,
  /// foreign keys and check constraints (10). They call Self's routines of the same names
  /// (ExtractTbl ... ExtractChk); a dialect that reads them befriends this class and splices
  /// its own steps around these.
  template <class TDialect>
  static std::vector<TDBExtractStep> CoreSteps(TDialect* Self) {
    return {
        {2, true, coTable, "ExtractTbl", [Self] { Self->ExtractTbl(); }},
        {3, true, coView, "ExtractViw", [Self] { Self->ExtractViw(); }},
        {4, true, coProcedure, "ExtractPrc", [Self] { Self->ExtractPrc(); }},
        {5, true, coTrigger, "ExtractTrg", [Self] { Self->ExtractTrg(); }},
        {6, true, coIndex, "ExtractIdx", [Self] { Self->ExtractIdx(); }},
        {7, true, coPrimaryKey, "Extract_PK", [Self] { Self->Extract_PK(); }},
        {8, true, coUnique, "ExtractUnq", [Self] { Self->ExtractUnq(); }},
        {9, true, coForeignKey, "Extract_FK", [Self] { Self->Extract_FK(); }},
        {10, true, coCheck, "ExtractChk", [Self] { Self->ExtractChk(); }},
    };
  }
  /// Runs the step frame: the steps of position 0, then for each position 1 to 13 a progress
  /// report, the cancel test and the steps of that position, then ParseBodies. Returns early
  /// (FCancelled set) when the host cancels.
  virtual void ExtractDB();
  /// Re-parses the catalog texts of the objects in BodyLists with the dialect's parser, links
  /// the dependencies of the whole collection and takes over the parser's messages.
  virtual void ParseBodies();
  /// The dialect's parser over the holder's collection.
  virtual std::unique_ptr<TCustomParser> CreateBodyParser() = 0;
  /// The lists whose objects are re-parsed, in order.
  virtual std::vector<TDbObjList TObjs::*> BodyLists() const { return {}; }
  /// Parses the catalog text of Obj into Obj, recording what it depends on.
  virtual void ParseObjText(TCustomParser& Parser, TDbObj& Obj);
  /// The dialect's parser over the holder's collection, without progress of its own: the
  /// driver's positions are the only progress the host sees.
  template <class TParser>
  std::unique_ptr<TParser> MakeBodyParser() {
    auto Parser = std::make_unique<TParser>(GetObjs());
    Parser->ShowProgress = false;
    return Parser;
  }
  /// Lets the dialect's parser (when Parser is one) read the catalog text of Obj.
  template <class TParser>
  static void ParseWith(TCustomParser& Parser, TDbObj& Obj) {
    if (auto* P = dynamic_cast<TParser*>(&Parser)) P->ParseObjText(&Obj);
  }
  /// For a server without read snapshots (StartReadSnapshot): a text that changes whenever an
  /// object of the schema is created, dropped or altered, read before and after the catalog;
  /// when the two differ the extraction fails. Empty (no check) by default.
  virtual std::string CatalogVersion() { return std::string(); }
  /// For such a server: the reading held the catalog still (under locks), so the versions
  /// before and after need not agree.
  virtual bool HeldStill() const { return false; }
  /// Whether the server's message Text says an object the catalog listed was dropped by
  /// another session before it was read: the catalog is then read again. False by default.
  virtual bool ChangedMeanwhile(const std::string& Text) const {
    (void)Text;
    return false;
  }
  /// How often one extraction reads the catalog at most when other sessions keep changing it.
  static constexpr int MaxCatalogReads = 5;
  /// "Parsing bodies..." (the PostgreSQL and SQL Anywhere extractors say "Parsing bodys...").
  virtual std::string ParseBodiesLogLine() const { return "Parsing bodies..."; }

  /// Files Obj in the collection through the collection's filter (OnAccept_Obj), logging "---"
  /// + LogName (Obj's name when empty) first with ShowFullLog. An object whose key is filed
  /// already is passed over with a warning in the message list and the log; one the filter
  /// keeps out is let go in silence: the user asked for that. Nothing stays with the caller
  /// either way. True when filed.
  bool FileExtracted(std::unique_ptr<TDbObj> Obj, const std::string& LogName = std::string());
  /// Files Obj as FileExtracted does; False when the host has cancelled the run meanwhile,
  /// so that a catalog loop stops.
  bool FileAndGoOn(std::unique_ptr<TDbObj> Obj) {
    FileExtracted(std::move(Obj));
    return !TerminateRunning.load();
  }
  /// Files Obj straight into List under its key, past the filter and without a log line: for
  /// the kinds that the objects read later need whatever the filter says (user types, rules,
  /// defaults). A duplicate is warned about and freed as above. True when filed.
  bool FileExtracted(std::unique_ptr<TDbObj> Obj, TDbObjList& List);
  /// A second query of the connection, for detail rows read next to the work query, with the
  /// text Lines (none when empty). With Params off, ":name" in a text is no parameter. Raises
  /// EDatabaseError when the connection cannot make a query.
  std::unique_ptr<TQELQuery> DetailQuery(const std::vector<std::string>& Lines = {},
                                         bool Params = true);

  /// Sets the progress value and reports it against the maximum.
  void ReportProgress(int Value);
  /// The collection keeps the database, host, port, user and password it was read through.
  void KeepConnectionOptions();

  /// One view read here and its namesake of the other side of a comparison, read from scripts.
  using TViewProbe = std::function<void(TQELQuery& Query, TViwData& Own, TViwData& Other)>;
  /// For each view of Other (read from scripts, of this extractor's dialect) whose namesake
  /// read here Differ says differs, runs Probe through one query of the connection, opened
  /// again for it and closed afterwards. Probe lets the server store the script's text and
  /// evens the two out where the server writes both alike; a probe that raises (the database
  /// lacks what the view reads) is logged and leaves the view as written.
  void ProbeViews(TCustomObjs& Other,
                  const std::function<bool(const TViwData&, const TViwData&)>& Differ,
                  const TViewProbe& Probe);
  /// Runs Run through one query of the connection, opened again for it and closed afterwards;
  /// ":name" in its texts is no parameter (probe texts hold casts and literals). Nothing runs
  /// when the server cannot be reached; what Run raises is logged after What and ends it.
  void WithProbeQuery(const std::string& What, const std::function<void(TQELQuery&)>& Run);

 private:
  /// The three settings, in order; the first missing one is reported. False when one is missing.
  bool CheckSettings();
  /// Empties the holder and prepares its collection for a catalog read.
  void PrepareHolder();
  /// Opens the database anew and runs the steps; raises what a step raises.
  void RunExtraction();
  /// Ends the snapshot the catalog was read in; without one, fails the run when the catalog
  /// version (Before) has changed since the read began.
  void EndCatalogRead(bool Snapshot, const std::string& Before);
  /// Closes the connection and frees the work query, whatever happened before.
  void Finish();
  /// Records the failure of the current step with the text of the exception.
  void ReportStepFailure(const std::string& Text);
  /// The warning for Obj, passed over because its key is filed already.
  static std::string RefusedText(const TDbObj& Obj);
  /// Puts the warning Text in the log and the message list.
  void ReportRefused(const std::string& Text);

  TQELCustomConnection* FConnection = nullptr;
  std::unique_ptr<TQELQuery> FQuery;          // exists only during an extraction
  TCatalogReadAhead* FAnnounceTo = nullptr;   // for one extraction, never owned
  TCatalogReadAhead* FReadThrough = nullptr;  // for one extraction, never owned
  std::string FCurrentStep;                   // routine name of the step running
  bool FMayReadAgain = false;                 // a change met now leads to another reading
  std::string FChangedMeanwhile;              // why this reading is to be done again
  std::vector<std::string> FRereadMessages;   // the warnings of the readings done again
  bool FCancelled = false;
  bool FFailed = false;
};

/// A catalog extractor whose stored texts are all read again by one parser class, TParser: it
/// makes that parser and hands it every text. The dialect's unit declares the instantiation
/// extern next to its class and instantiates it where TParser is complete.
template <class TParser>
class TParsedDBExtract : public TCustomDBExtract {
 public:
  using TCustomDBExtract::TCustomDBExtract;

 protected:
  std::unique_ptr<TCustomParser> CreateBodyParser() override;
  void ParseObjText(TCustomParser& Parser, TDbObj& Obj) override;
};

template <class TParser>
std::unique_ptr<TCustomParser> TParsedDBExtract<TParser>::CreateBodyParser() {
  return this->template MakeBodyParser<TParser>();
}

template <class TParser>
void TParsedDBExtract<TParser>::ParseObjText(TCustomParser& Parser, TDbObj& Obj) {
  TCustomDBExtract::ParseWith<TParser>(Parser, Obj);
}

/// One entry of a dialect's table of catalog type names.
struct TCatalogType {
  std::string_view Name;
  TDBFieldType Type;
};

/// The type Name has in Types (compared as written); Otherwise when Types does not name it.
TDBFieldType CatalogTypeOf(std::span<const TCatalogType> Types, std::string_view Name,
                           TDBFieldType Otherwise = iftUnknown);

/// Sets the size of Fld from the byte length its catalog gives: half of it for the national
/// character types (two bytes a character), all of it for the other character, binary and
/// large-object types. Other types keep their size.
void SizeFromByteLength(TFldData& Fld, std::int32_t Length);

/// The column type of a built-in type that the SQL Server, ASE and SQL Anywhere catalogs name
/// alike ("int", "varchar", "uniqueidentifier", ...), the name compared as written: the table
/// holds lower case. iftUnknown for any other name; a dialect adds its own types.
TDBFieldType TransactSQLCatalogType(std::string_view Name);

}  // namespace qel
