// varnel datacompare: compares the rows of one table in a master and a target database and
// produces the INSERT, UPDATE and DELETE statements that make the target's rows equal to the
// master's; with --execute it runs them on the target.
//
//   varnel datacompare --master-db URI --target-db URI --table NAME [--key F1,F2]
//                      [--columns C1,C2] [--script FILE] [--execute]
#include "varnel_datacompare.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "Strings.h"
#include "Text.h"
#include "qelClasses.h"
#include "qelDBEngine.h"
#include "qelDialects.h"
#include "qelSQL_Exec.h"
#include "qelTableDataComparer.h"
#include "qelTypes.h"
#include "varnel_db.h"

using namespace qel;

namespace varnel_cli {

namespace {

/// What the catalog of one side says of the table: whether it is there and its primary key
/// columns in key order. Known is false where the catalog is not read here (ODBC) or cannot be
/// read; the comparer then reports what is wrong with the table.
struct TTableFacts {
  bool Known = false;
  bool Exists = false;
  std::vector<std::string> Keys;
};

/// Table as the side's server takes it (TDialect::ServerTableName).
std::string AsServerTakesIt(TDatabaseType Db, const std::string& Table) {
  const TDialect* D = FindDialect(Db);
  return D && D->ServerTableName ? D->ServerTableName(Table) : Table;
}

/// Table is taken as AsServerTakesIt gives it; the side's dialect gives the catalog queries.
TTableFacts ReadTableFacts(TQELConnection& C, const std::string& Table) {
  TTableFacts Facts;
  std::vector<bool> Quoted;
  const std::vector<std::string> Parts = TCmpTableOptions::SplitTableName(Table, &Quoted);
  const TDialect* D = FindDialect(C.GetDatabaseType());
  if (Parts.empty() || !D || !D->TableCatalogSQL) return Facts;
  const TTableCatalogSQL SQL = D->TableCatalogSQL(Parts, Quoted);
  try {
    if (!C.GetConnected()) C.SetConnected(true);
    if (!C.GetConnected()) return Facts;
    std::unique_ptr<TQELQuery> Q(C.CreateQuery(nullptr));
    if (!Q) return Facts;
    Q->SetParamCheck(false);
    Q->SetSQLText(SQL.Exists);
    Q->Open();
    Facts.Exists = !Q->GetEof() && Q->Fields().Fields(0)->AsInteger() > 0;
    Q->Close();
    Q->SetSQLText(SQL.Keys);
    Q->Open();
    // Each key as the entry that names exactly the column the catalog gives.
    for (; !Q->GetEof(); Q->Next())
      Facts.Keys.push_back(TCmpTableOptions::EntryOf(Trim(Q->Fields().Fields(0)->AsString()),
                                                     C.GetDatabaseType() == dbPostgreSQL));
    Q->Close();
    Facts.Known = true;
  } catch (const std::exception&) {
    Facts = TTableFacts{};  // the comparer reports what is wrong with the table
  }
  return Facts;
}

std::vector<std::string> SplitList(const std::string& Text) {
  std::vector<std::string> Items;
  std::size_t B = 0;
  while (B <= Text.size()) {
    std::size_t E = Text.find(',', B);
    if (E == std::string::npos) E = Text.size();
    const std::string Item = Trim(Text.substr(B, E - B));
    if (!Item.empty()) Items.push_back(Item);
    B = E + 1;
  }
  return Items;
}

/// The last line of a run that did not end well: what the target holds now, never the planned
/// counts as if they were done. Executed is the executor that ran the written script on the
/// target (nullptr when none ran); Immediate tells that the comparer ran each statement as it
/// found it; Written counts the statements written to standard output (-1: none go there).
std::string FailureSummary(const TTableDataComparer& Cmp, bool Ran, const TSQLExec* Executed,
                           bool Immediate, bool TargetLost, int Written) {
  const int Planned =
      Cmp.GetInsertedCount() + Cmp.GetUpdatedCount() + Cmp.GetDeletedCount() + Cmp.GetUnmadeCount();
  const std::string Of = " of the " + std::to_string(Planned) + " row change(s) found";
  // This program changed nothing, but the client reading the pipe may have run (and
  // committed) what it was sent before the stop.
  if (Written > 0)
    return "Not completed: the " + std::to_string(Written) +
           " statement(s) made before the run stopped went to standard output; whatever reads "
           "it may have run them on the target.";
  const std::string Kept = std::to_string(Cmp.GetAppliedCount());
  // The COMMIT of the rows written while the target's rows were read took them all back.
  if (Immediate && Cmp.GetCommitRefused())
    return "Not completed: the target keeps the " + Kept +
           " row change(s) committed before the COMMIT it refused; the rows after them were not "
           "compared.";
  const int Signal = StopSignal().load();
  const std::string Stop = Signal == SIGINT ? "SIGINT" : Signal == SIGTERM ? "SIGTERM" : "a signal";
  // Stopped between round trips, the one under way answered: the count is exact.
  if (Immediate && Cmp.GetCancelled() && Cmp.GetUnknownCount() == 0)
    return "Not completed: the target keeps " + Kept + Of +
           " (each committed as it ran); the run " + "was stopped by " + Stop +
           " once the round trip under way was answered; the others " + "were not made.";
  // A run that never reached the rows (a refused connection, a missing table) changed nothing.
  if (!Ran || (Immediate && Cmp.GetAppliedCount() == 0 && !TargetLost))
    return "Not completed: nothing was changed on the target.";
  // The run stopped at the first row change the target refused.
  if (Immediate && Cmp.GetStoppedAtError())
    return "Not completed: the target keeps the " + std::to_string(Cmp.GetAppliedCount()) +
           " row change(s) written before the one it refused (each committed as it ran); the "
           "rows after it were not compared.";
  // The statement the connection was lost under may have been committed before the loss.
  // Row changes go several to a round trip: all of those under way may have been made.
  const int Unknown = Cmp.GetUnknownCount();
  const std::string When = Signal != 0 ? "when the run was stopped by " + Stop
                                       : std::string("when the connection was lost");
  const std::string UnderWay =
      (Unknown > 1 ? "the " + std::to_string(Unknown) + " under way " : "the one under way ") +
      When + " may have been made too; ";
  if (Immediate)
    return "Not completed: the target keeps " + std::to_string(Cmp.GetAppliedCount()) + Of +
           " (each committed as it ran); " + (TargetLost ? UnderWay : "") +
           "the others were not made.";
  if (!Executed) return "Not completed: nothing was changed on the target.";
  // The row statements of a script run as one transaction, and the run stops at its first
  // failure: what ran is rolled back with it. Only a connection lost while committing leaves
  // the outcome open.
  bool StatementFailed = false;
  for (int I = 0; I < Executed->GetStatementsCount(); ++I)
    if (const TStatement* S = Executed->GetStatement(I); S && !S->ErrorText.empty())
      StatementFailed = true;
  if (Executed->GetConnectionLost() && !StatementFailed)
    return "Not completed: the connection was lost while committing; whether the target keeps "
           "the " +
           std::to_string(Planned) + " row change(s) is unknown.";
  return "Not completed: rolled back, the target is as it was (none" + Of + " is kept).";
}

}  // namespace

const char* const DataCompareSummary =
    "make the rows of a target table equal to those of a master table";

void DataCompareHelp(std::ostream& Out) {
  Out << "Usage: varnel datacompare --master-db URI --target-db URI --table NAME\n"
         "                          [--key F1,F2] [--columns C1,C2] [--script FILE]\n"
         "                          [--execute]\n"
         "\n"
         "Compares the rows of table NAME in the master and the target database (both read\n"
         "ordered by key) and produces the INSERT, UPDATE and DELETE statements that make the\n"
         "target's rows equal to the master's.\n"
         "\n"
         "  --master-db URI   the database the rows are taken from\n"
         "  --target-db URI   the database to make equal to the master\n"
         "  --table NAME      the table, on both sides: a name in double quotes keeps its\n"
         "                    case (--table '\"Items\"'), else it is taken as the server takes\n"
         "                    an unquoted name; s.t is table t of schema s (MySQL: database s)\n"
         "  --key F1,F2       the key fields, names taken as --table takes them; by default\n"
         "                    each side's primary key, and without one every column (rows are\n"
         "                    then matched by all their values)\n"
         "  --columns C1,C2   the columns compared and written, on both sides, names taken\n"
         "                    as --key takes them (the key is added when not listed); by\n"
         "                    default every column, which both tables must then have\n"
         "  --script FILE     write the statements to FILE (large values to FILE with the\n"
         "                    extension .LOB, which the script names with SET BLOBFILE)\n"
         "  --execute         run the statements on the target; with --script the written\n"
         "                    script is run, else each statement runs as it is found; the\n"
         "                    first statement the target refuses ends the run\n"
         "  --help            this text\n"
         "  --version         the program's version\n"
         "\n"
         "Without --script and --execute the statements are written to standard output as\n"
         "they are made (for a Firebird target once the run is over), large values inline\n"
         "as literals of the target's dialect; standard output carries nothing but SQL\n"
         "(varnel datacompare ... | psql -1 -v ON_ERROR_STOP=1 -f -: without ON_ERROR_STOP\n"
         "psql goes on past a refused row and exits 0 with nothing changed).\n"
      << URIHelpLines()
      << "      odbc://DSN                  an ODBC data source of odbc.ini\n"
         "      odbc:CONNECTION-STRING      an ODBC connection string, for example\n"
         "        odbc:Driver={PostgreSQL Unicode};Server=h;Port=5432;Database=d;UID=u;PWD=p\n"
         "An ODBC side finds its columns in the driver's column list; its key is the other\n"
         "side's primary key unless --key names one.\n"
         "\n"
         "Messages go to standard error, and last the summary: Equal: n, Inserted: n,\n"
         "Updated: n, Deleted: n, All: n. After a failure it says instead what the target holds:\n"
         "with --script --execute the changes run as one transaction and are rolled back\n"
         "with the failure; with --execute alone each row is committed as it is written,\n"
         "and the line counts the rows kept.\n";
}

namespace {

/// Standard output of the statements. With HoldBack (a target whose server limits the size of
/// a statement: Firebird) the script is held back until the run is over: a value too large for
/// any statement isql-fb reads may be found on the way, and then nothing of the script is
/// written.
class TStandardOutput {
 public:
  TStandardOutput(std::ostream& Out, TDatabaseType Target, bool HoldBack)
      : FOut(Out), FTerm(GenScriptTerm(Target)), FHeld(HoldBack ? std::tmpfile() : nullptr, Close) {
    if (HoldBack && !FHeld) throw std::runtime_error("Cannot create a temporary file.");
  }
  /// Standard output carries the statements alone, large values inline since there is no side
  /// file; each is written as it is made, unless held back.
  void Attach(TTableDataComparer& Cmp) {
    Cmp.SetScriptFileName("");
    Cmp.InlineBlobs = true;
    // A statement with a large value inline comes in parts, none of which is copied again to
    // be written; the blanks around the whole statement are left out.
    Cmp.OnWriteResultSQL = [this](TObject*, std::string_view Part, bool Last) {
      if (FAtStart) {
        while (!Part.empty() && static_cast<unsigned char>(Part.front()) <= ' ')
          Part.remove_prefix(1);
        FAtStart = Part.empty();
      }
      if (Last)
        while (!Part.empty() && static_cast<unsigned char>(Part.back()) <= ' ')
          Part.remove_suffix(1);
      Write(Part);
      if (!Last) return;
      Write(FTerm + "\r\n");
      ++FWritten;
      FAtStart = true;
    };
  }
  /// The statements written (or held back) so far.
  int Written() const { return FWritten; }
  void Write(std::string_view Text) {
    if (!FHeld)
      FOut << Text;
    else if (std::fwrite(Text.data(), 1, Text.size(), FHeld.get()) != Text.size())
      throw std::runtime_error("Cannot write the temporary file.");
  }
  /// Writes what was held back when Keep; false when it was dropped.
  bool Release(bool Keep) {
    if (!FHeld) return true;
    if (!Keep) return false;
    std::rewind(FHeld.get());
    char Buf[65536];
    while (const std::size_t N = std::fread(Buf, 1, sizeof(Buf), FHeld.get()))
      FOut.write(Buf, static_cast<std::streamsize>(N));
    return true;
  }

 private:
  static int Close(std::FILE* F) { return std::fclose(F); }
  std::ostream& FOut;
  std::string FTerm;
  int FWritten = 0;
  bool FAtStart = true;  // no part of the next statement written yet
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> FHeld;
};

/// Names the side (or both) whose catalog says it has no table Table; false when both may
/// have it.
bool ReportMissingTable(const TTableFacts& FactsM, const TTableFacts& FactsT,
                        const std::string& Table, std::ostream& Err) {
  const bool NoM = FactsM.Known && !FactsM.Exists, NoT = FactsT.Known && !FactsT.Exists;
  if (!NoM && !NoT) return false;
  const std::string Which = NoM && NoT ? "Neither database has"
                            : NoM      ? "The master database has no"
                                       : "The target database has no";
  TMsgManager Messages;
  Messages.AddMsg(Which + " table " + Table +
                      " (a name in double quotes keeps its case; s.t is table t of schema s).",
                  mt_Err);
  PrintMessages(Messages, Err, "datacompare", false);
  Err << "Not completed: nothing was changed on the target.\n";
  return true;
}

/// A --key name is taken as --table takes one: in double quotes as written, else as the server
/// takes an unquoted name (TDialect::ServerColumnName; the comparer folds PostgreSQL's).
std::vector<std::string> FoldKeys(std::vector<std::string> Keys, TDatabaseType Db) {
  if (const TDialect* D = FindDialect(Db); D && D->ServerColumnName)
    for (std::string& K : Keys) K = D->ServerColumnName(K);
  return Keys;
}

/// After a failed run: a --key or --columns field that a side's table lacks (the run stopped
/// before reading rows) is a bad argument.
void CheckKeyColumns(TTableDataComparer& Cmp, const std::string& Table, bool Keys, bool Columns) {
  for (TCmpTableOptions* O : {&Cmp.GetTableOptionsTarget(), &Cmp.GetTableOptionsMaster()}) {
    if (O->GetCatalogFields().Empty()) continue;
    auto Check = [&](const TStringList& Names, const char* Option) {
      for (const std::string& K : Names)
        if (!O->HasCatalogField(K))
          throw TUsageError{std::string(Option) + " names no column " + K + " of table " + Table +
                            " in the " + (O == &Cmp.GetTableOptionsTarget() ? "target" : "master") +
                            " database"};
    };
    if (Keys) Check(O->GetKeyFields(), "--key");
    if (Columns) Check(O->GetDataFields(), "--columns");
  }
}

/// The --columns list of one side, with each key field it does not list at its end: the rows
/// are read by the listed fields, and paired by the key.
std::vector<std::string> ColumnsWithKeys(std::vector<std::string> Columns,
                                         const std::vector<std::string>& Keys) {
  for (const std::string& K : Keys) {
    bool Listed = false;
    for (const std::string& C : Columns)
      Listed =
          Listed || SameText(TCmpTableOptions::FieldNameOf(C), TCmpTableOptions::FieldNameOf(K));
    if (!Listed) Columns.push_back(K);
  }
  return Columns;
}

/// The columns compared, the same on both sides: the --columns list (none: every column) with
/// each side's key fields, names taken as --key takes them.
void SetColumns(TTableDataComparer& Cmp, const std::string& ColumnList,
                const std::vector<std::string>& KeysM, const std::vector<std::string>& KeysT) {
  if (ColumnList.empty()) return;
  for (TCmpTableOptions* O : {&Cmp.GetTableOptionsMaster(), &Cmp.GetTableOptionsTarget()}) {
    for (const std::string& C :
         ColumnsWithKeys(FoldKeys(SplitList(ColumnList), O->GetDatabaseType()),
                         O == &Cmp.GetTableOptionsMaster() ? KeysM : KeysT))
      O->GetDataFields().Add(C);
  }
}

/// The comparison itself, once the arguments are read; a TUsageError for bad arguments.
/// The arguments of datacompare.
struct TDataCompareArgs {
  std::string MasterURI, TargetURI, Table, Script, KeyList, ColumnList;
  bool Execute = false;
  bool Help = false;
  bool Version = false;
};

/// Reads the arguments; a bad one raises TUsageError.
TDataCompareArgs ReadDataCompareArgs(const std::vector<std::string>& Args) {
  TDataCompareArgs A;
  for (std::size_t I = 0; I < Args.size(); ++I) {
    std::string V;
    if (Args[I] == "--help" || Args[I] == "-h") {
      A.Help = true;
      return A;
    }
    if (Args[I] == "--version") {
      A.Version = true;
      return A;
    }
    if (TakeValue(Args, I, "--master-db", V)) {
      A.MasterURI = V;
    } else if (TakeValue(Args, I, "--target-db", V)) {
      A.TargetURI = V;
    } else if (TakeValue(Args, I, "--table", V)) {
      A.Table = V;
    } else if (TakeValue(Args, I, "--key", V)) {
      A.KeyList = V;
      if (SplitList(A.KeyList).empty()) throw TUsageError{"--key names no field"};
    } else if (TakeValue(Args, I, "--columns", V)) {
      A.ColumnList = V;
      if (SplitList(A.ColumnList).empty()) throw TUsageError{"--columns names no field"};
    } else if (TakeValue(Args, I, "--script", V)) {
      A.Script = V;
    } else if (Args[I] == "--execute") {
      A.Execute = true;
    } else {
      throw TUsageError{"unknown argument: " + Args[I]};
    }
  }
  if (A.MasterURI.empty()) throw TUsageError{"--master-db is required"};
  if (A.TargetURI.empty()) throw TUsageError{"--target-db is required"};
  if (A.Table.empty()) throw TUsageError{"--table is required"};
  return A;
}

/// The rows read of each side so far, on the progress line of a terminal.
struct TRowsProgress {
  TProgressLine Line;
  std::string Table;
  int Master = 0, Target = 0;
  TTableDataComparer* Comparer = nullptr;

  TRowsProgress(std::ostream& Err, std::string T) : Line(Err), Table(std::move(T)) {}
  TRowsProgress(const TRowsProgress&) = delete;
  TRowsProgress& operator=(const TRowsProgress&) = delete;
  ~TRowsProgress() {
    if (!Comparer) return;
    Comparer->OnProgressUpdateMaster = nullptr;
    Comparer->OnProgressUpdateTarget = nullptr;
  }

  void Attach(TTableDataComparer& Cmp) {
    // Not a terminal: no handler, so that the rows cost nothing more.
    if (!Line.Due()) return;
    Comparer = &Cmp;
    Cmp.OnProgressUpdateMaster = [this](TObject*, int Value, int) {
      Master = Value;
      Show();
    };
    Cmp.OnProgressUpdateTarget = [this](TObject*, int Value, int) {
      Target = Value;
      Show();
    };
  }

  void Show() {
    if (Line.Due())
      Line.Show("varnel datacompare " + Table + ": rows read: master " + std::to_string(Master) +
                ", target " + std::to_string(Target));
  }
};

/// Runs the written script on the target, large values read back from its side file. It
/// stops at its first failure, so that what it rolls back is all it ran. The counts of the
/// summary become what the server changed, not what the script holds.
bool RunWrittenScript(TSQLExec& Exec, TQELCustomConnection& Target, TStatementSpool& Spool,
                      TTableDataComparer& Cmp, std::string& Summary) {
  Exec.SetConnection(&Target);
  Exec.BreakOnError = true;
  Exec.OnErrorMessage = [](TObject*, const std::string&) {};
  Exec.OnLogNextLine = [](TObject*, const std::string&) {};
  const bool Ok = Spool.Execute(Exec);
  for (const TStatType Type : {stInsert, stUpdate, stDelete})
    Cmp.CountUnmade(Type, Exec.GetUnmadeCount(Type));
  if (Cmp.GetUnmadeCount() > 0) Summary = Cmp.StatisticsText();
  return Ok;
}

/// Rows pair by key: the given one, else each side's primary key; sets the columns too.
void PairKeys(TTableDataComparer& Cmp, const TDataCompareArgs& A, TconnectionType TypeM,
              TconnectionType TypeT, const TTableFacts& FactsM, const TTableFacts& FactsT) {
  std::vector<std::string> KeysM =
      FoldKeys(SplitList(A.KeyList), Cmp.GetQELConnectionMaster()->GetDatabaseType());
  std::vector<std::string> KeysT =
      FoldKeys(SplitList(A.KeyList), Cmp.GetQELConnectionTarget()->GetDatabaseType());
  if (A.KeyList.empty()) {
    KeysM = FactsM.Keys;
    KeysT = FactsT.Keys;
    // A side whose catalog is not read here (ODBC) pairs its rows by the other side's key.
    if (KeysM.empty() && TypeM == cnADO) KeysM = KeysT;
    if (KeysT.empty() && TypeT == cnADO) KeysT = KeysM;
    if (KeysM.size() != KeysT.size()) {
      KeysM.clear();
      KeysT.clear();
    }
  }
  for (const std::string& K : KeysM) Cmp.GetTableOptionsMaster().GetKeyFields().Add(K);
  for (const std::string& K : KeysT) Cmp.GetTableOptionsTarget().GetKeyFields().Add(K);
  SetColumns(Cmp, A.ColumnList, KeysM, KeysT);
}

/// Where the statements go: run at once (--execute), to the script file, and kept to run after
/// it (--script --execute), or to standard output. The spool of --script --execute, else none.
std::unique_ptr<TStatementSpool> ChooseOutput(TTableDataComparer& Cmp, TSQLExec& Exec,
                                              const TDataCompareArgs& A, TStandardOutput& StdOut) {
  std::unique_ptr<TStatementSpool> Spool;
  if (A.Execute && A.Script.empty()) {
    // Stopped by a signal, the run takes the answer to its round trip under way and ends.
    RunEndsWhenStopped() = true;
    Cmp.SetUpdateImmediately(true);
    Cmp.SetScriptFileName("");
    // Each row is committed as it is written: the first one refused ends the run.
    Cmp.BreakOnError = true;
  } else if (!A.Script.empty()) {
    // The statements go to the file as they are made; they are kept on disk only to be run
    // after.
    Cmp.SetScriptFileName(A.Script);
    if (A.Execute) {
      // Kept on disk until the comparison is over, then run a part at a time.
      Spool = std::make_unique<TStatementSpool>();
      Cmp.Writer = Spool.get();
      Exec.ScriptFileName = Cmp.GetScriptFileName();
      Exec.BlobFileName = Cmp.BlobFileName;
    }
  } else {
    StdOut.Attach(Cmp);
  }
  return Spool;
}

int DataCompare(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err) {
  const TDataCompareArgs A = ReadDataCompareArgs(Args);
  if (A.Help) {
    DataCompareHelp(Out);
    return ExitOk;
  }
  if (A.Version) {
    Out << VersionLine();
    return ExitOk;
  }
  const std::string &MasterURI = A.MasterURI, &TargetURI = A.TargetURI, &Table = A.Table,
                    &Script = A.Script, &KeyList = A.KeyList;
  const bool Execute = A.Execute;
  const TDatabaseURI MU = ParseDataSource("--master-db", MasterURI);
  const TDatabaseURI TU = ParseDataSource("--target-db", TargetURI);

  auto Master = MakeConnection(MU);
  auto Target = MakeConnection(TU);
  auto Exec = std::make_unique<TSQLExec>(nullptr);
  Exec->DatabaseType = TU.DatabaseType();
  auto Cmp = std::make_unique<TTableDataComparer>(nullptr);
  Cmp->SetQELConnectionMaster(Master.get());
  Cmp->SetQELConnectionTarget(Target.get());
  const std::string TableM = AsServerTakesIt(Master->GetDatabaseType(), Table);
  const std::string TableT = AsServerTakesIt(Target->GetDatabaseType(), Table);
  Cmp->SetTableNameMaster(TableM);
  Cmp->SetTableNameTarget(TableT);
  // The messages are printed from the components' lists after the run, as compare does.
  const TErrorMessageEvent Quiet = [](TObject*, const std::string&) {};
  Cmp->OnErrorMessage = Quiet;
  std::string Summary;
  Cmp->OnLogNextLine = [&Summary](TObject*, const std::string& Text) {
    if (Text.rfind("Equal: ", 0) == 0) Summary = Text;
  };
  TRowsProgress Progress(Err, Table);
  Progress.Attach(*Cmp);
  // A side without the table is named before anything is read.
  const TTableFacts FactsM = ReadTableFacts(*Master, TableM);
  const TTableFacts FactsT = ReadTableFacts(*Target, TableT);
  if (ReportMissingTable(FactsM, FactsT, Table, Err)) return ExitErrors;
  PairKeys(*Cmp, A, MU.ConnectionType(), TU.ConnectionType(), FactsM, FactsT);
  // The header would reconnect through statements this program has no use for.
  Cmp->GetScriptOptions().Connect = false;

  const bool Immediate = Execute && Script.empty();
  const bool ToStdOut = !Execute && Script.empty();
  TStandardOutput StdOut(Out, TU.DatabaseType(), ToStdOut && Cmp->TargetLimitsStatementSize());
  const std::unique_ptr<TStatementSpool> Spool = ChooseOutput(*Cmp, *Exec, A, StdOut);

  const bool Ran = Cmp->CompareData();
  bool Failed = !Ran || Cmp->MsgManager.GetIsErr();
  Progress.Line.Clear();
  if (Failed) CheckKeyColumns(*Cmp, Table, !KeyList.empty(), !A.ColumnList.empty());
  PrintMessages(Cmp->MsgManager, Err, "datacompare", false, {mt_Err, mt_Wrn});
  if (!StdOut.Release(!Cmp->GetValueTooLarge())) {
    Err << "Nothing was written to standard output: write the rows with --script FILE (large "
           "values go to FILE.LOB) or with --execute.\n";
    return ExitErrors;
  }

  Out.flush();
  const TSQLExec* Executed = nullptr;
  if (Ran && !Failed && Spool && Spool->Count() > 0) {
    // The master is read through: its connection goes first, with the client's buffers that
    // keep the largest row read.
    Master->SetConnected(false);
    Executed = Exec.get();
    if (!RunWrittenScript(*Exec, *Target, *Spool, *Cmp, Summary)) Failed = true;
    PrintMessages(Exec->MsgManager, Err, "datacompare", true, {mt_Err, mt_Wrn});
  }
  Cmp->SetSQLExec(nullptr);
  if (Failed)
    Err << FailureSummary(*Cmp, Ran, Executed, Immediate,
                          Target->GetConnectionLost() || Cmp->GetWriteConnectionLost(),
                          ToStdOut ? StdOut.Written() : -1)
        << '\n';
  else if (!Summary.empty())
    Err << Summary << '\n';
  return Failed ? ExitErrors : ExitOk;
}

}  // namespace

int RunDataCompare(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err) {
  try {
    return DataCompare(Args, Out, Err);
  } catch (const TUsageError& E) {
    return UsageFailure(Err, "datacompare", E.Text);
  } catch (const std::exception& E) {
    // A connection of a kind whose adapter the program does not link.
    TMsgManager Messages;
    Messages.AddMsg(Trim(E.what()), mt_Err);
    PrintMessages(Messages, Err, "datacompare", false);
    return ExitErrors;
  }
}

}  // namespace varnel_cli
