// The script executor: script text per dialect, the run with its transactions, and the
// large-value side file of data scripts.
#include "qelSQL_Exec.h"
#include "qelDialects.h"

#include <algorithm>
#include <exception>
#include <string_view>
#include <utility>

#include "Strings.h"
#include "Text.h"
#include "qelCompObj.h"
#include "qelMsg.h"
#include "qelParser.h"

namespace qel {

namespace {

/// Statements awaiting the commit that the log names one by one when they are rolled back.
constexpr std::size_t MaxListedUncommitted = 1000;

/// The statement's lines joined by CR LF.
std::string JoinLines(const TStrings& Lines) {
  std::string S;
  std::size_t Size = 0;
  for (int I = 0; I < Lines.Count(); ++I) Size += Lines[I].size() + 2;
  S.reserve(Size);  // a statement with a large value inline is not grown into step by step
  for (int I = 0; I < Lines.Count(); ++I) {
    if (I > 0) S += "\r\n";
    S += Lines[I];
  }
  return S;
}

/// True when Text split into lines and joined by CR LF reads as Lines joined so, compared in
/// place: a statement may hold a large value.
bool SameAsLines(const std::string& Text, const TStrings& Lines) {
  static constexpr std::string_view Break = "\r\n";
  // The pieces of Lines joined: each line, and a break between two.
  int L = 0;
  bool LineNext = true;
  auto NextOfLines = [&](std::string_view& Piece) {
    if (L >= Lines.Count()) return false;
    if (LineNext) {
      Piece = Lines[L];
      LineNext = false;
      if (L + 1 == Lines.Count()) ++L;
      return true;
    }
    Piece = Break;
    LineNext = true;
    ++L;
    return true;
  };
  // The pieces of Text's lines joined, cut as TStrings::SetText cuts them: at CR LF, or at a
  // lone CR or LF.
  std::size_t At = 0;
  bool BreakNext = false;
  auto NextOfText = [&](std::string_view& Piece) {
    if (At >= Text.size()) return false;
    if (BreakNext) {
      Piece = Break;
      BreakNext = false;
      return true;
    }
    std::size_t End = At;
    while (End < Text.size() && Text[End] != '\r' && Text[End] != '\n') ++End;
    Piece = std::string_view(Text).substr(At, End - At);
    if (End < Text.size() && Text[End] == '\r') ++End;
    if (End < Text.size() && Text[End] == '\n') ++End;
    At = End;
    BreakNext = At < Text.size();
    return true;
  };
  std::string_view A, B;
  bool HaveA = NextOfText(A), HaveB = NextOfLines(B);
  for (;;) {
    while (HaveA && A.empty()) HaveA = NextOfText(A);
    while (HaveB && B.empty()) HaveB = NextOfLines(B);
    if (!HaveA || !HaveB) return HaveA == HaveB;
    const std::size_t N = std::min(A.size(), B.size());
    if (A.substr(0, N) != B.substr(0, N)) return false;
    A.remove_prefix(N);
    B.remove_prefix(N);
  }
}

/// True when Text has a line break other than CR LF: such a text does not survive being split
/// into lines and joined again.
bool HasLoneBreak(const std::string& Text) {
  for (std::size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '\r') {
      if (I + 1 >= Text.size() || Text[I + 1] != '\n') return true;
      ++I;
    } else if (Text[I] == '\n') {
      return true;
    }
  }
  return false;
}

/// Procedures, triggers and package creation texts hold statements of their own, so they are
/// written inside SET TERM blocks (InterBase) or followed by "/" (Oracle). SQL*Plus reads an
/// Oracle CREATE TYPE as such a unit too: it runs it only at the "/".
bool IsBlockStatement(const TStatement& S, TDatabaseType DB) {
  const bool Created = S.StatType == stStatement && S.DbOperation == odbCreate;
  return S.StatType == stProcedure || S.StatType == stTrigger ||
         (Created && S.DbObject == dboPackage) ||
         (Created && S.DbObject == dboDomain && DB == dbOracle);
}

int HexDigit(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  return -1;
}

bool ReadHex8(const std::string& S, std::size_t From, std::uint64_t& Value) {
  Value = 0;
  for (std::size_t I = From; I < From + 8; ++I) {
    const int D = HexDigit(S[I]);
    if (D < 0) return false;
    Value = Value * 16 + static_cast<std::uint64_t>(D);
  }
  return true;
}

/// The first Count words of a statement, upper-cased: runs of letters, digits and "_" (a
/// quoted name counts as one word), leading comments skipped. Reading stops at the first
/// string literal or bracket.
std::vector<std::string> LeadingWords(const std::string& Text, std::size_t Count) {
  std::vector<std::string> Words;
  std::size_t I = 0;
  const std::size_t N = Text.size();
  auto IsWordChar = [](char C) {
    return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') || C == '_' ||
           static_cast<unsigned char>(C) >= 0x80;
  };
  while (I < N && Words.size() < Count) {
    const char C = Text[I];
    if (C == '-' && I + 1 < N && Text[I + 1] == '-') {
      while (I < N && Text[I] != '\n') ++I;
    } else if (C == '/' && I + 1 < N && Text[I + 1] == '*') {
      const std::size_t End = Text.find("*/", I + 2);
      I = End == std::string::npos ? N : End + 2;
    } else if (C == '"') {
      const std::size_t End = Text.find('"', I + 1);
      Words.push_back("\"\"");
      I = End == std::string::npos ? N : End + 1;
    } else if (IsWordChar(C)) {
      const std::size_t From = I;
      while (I < N && IsWordChar(Text[I])) ++I;
      Words.push_back(UpperCase(Text.substr(From, I - From)));
    } else if (C == ' ' || C == '\t' || C == '\r' || C == '\n' || C == '.' || C == ',') {
      ++I;
    } else {
      break;
    }
  }
  return Words;
}

bool HasWord(const std::vector<std::string>& Words, const char* Word) {
  for (const std::string& W : Words)
    if (W == Word) return true;
  return false;
}

/// True when PostgreSQL refuses to run the statement inside a transaction block, or when it
/// would not work there (a value added to an enum type cannot be used before the commit).
bool PGRefusesTransaction(const std::string& Text) {
  // Word sequences a statement starts with.
  static const std::vector<std::vector<std::string>> Starts = {{"CREATE", "DATABASE"},
                                                               {"DROP", "DATABASE"},
                                                               {"CREATE", "TABLESPACE"},
                                                               {"DROP", "TABLESPACE"},
                                                               {"ALTER", "SYSTEM"},
                                                               {"VACUUM"},
                                                               {"CREATE", "SUBSCRIPTION"},
                                                               {"DROP", "SUBSCRIPTION"},
                                                               {"ALTER", "SUBSCRIPTION"},
                                                               {"REINDEX", "DATABASE"},
                                                               {"REINDEX", "SYSTEM"},
                                                               {"BEGIN"},
                                                               {"START", "TRANSACTION"},
                                                               {"COMMIT"},
                                                               {"END"},
                                                               {"ROLLBACK"},
                                                               {"ABORT"},
                                                               {"PREPARE", "TRANSACTION"}};
  const std::vector<std::string> Words = LeadingWords(Text, 8);
  if (Words.empty()) return false;
  for (const auto& Start : Starts)
    if (Words.size() >= Start.size() && std::equal(Start.begin(), Start.end(), Words.begin()))
      return true;
  const std::string& First = Words[0];
  if (First == "CLUSTER" && Words.size() == 1) return true;  // CLUSTER of every table
  if ((First == "CREATE" || First == "DROP" || First == "REINDEX") &&
      HasWord(Words, "CONCURRENTLY"))
    return true;
  if (First == "ALTER" && Words.size() > 1 && Words[1] == "TYPE") {
    // The value follows the type name, which may be long: look through the whole text.
    const std::vector<std::string> All = LeadingWords(Text, 64);
    for (std::size_t W = 0; W + 1 < All.size(); ++W)
      if (All[W] == "ADD" && All[W + 1] == "VALUE") return true;
  }
  if (First == "ALTER" && Words.size() > 1 && Words[1] == "DATABASE") {
    for (std::size_t W = 0; W + 1 < Words.size(); ++W)
      if (Words[W] == "SET" && Words[W + 1] == "TABLESPACE") return true;
  }
  return false;
}

/// Collects what a connection reports while one call runs (its own error event is borrowed
/// for that time and handed back afterwards). A handler the host assigned still hears it.
class TConnectionReports {
 public:
  explicit TConnectionReports(TQELCustomConnection& Connection)
      : FConnection(Connection), FPrevious(std::move(Connection.OnErrorMessage)) {
    FConnection.OnErrorMessage = [this](TObject* Sender, const std::string& Text) {
      if (!FText.empty()) FText += "\r\n";
      FText += Text;
      if (FPrevious) FPrevious(Sender, Text);
    };
  }
  TConnectionReports(const TConnectionReports&) = delete;
  TConnectionReports& operator=(const TConnectionReports&) = delete;
  ~TConnectionReports() { FConnection.OnErrorMessage = std::move(FPrevious); }

  void Add(const std::string& Text) {
    if (!FText.empty()) FText += "\r\n";
    FText += Text;
  }
  const std::string& Text() const { return FText; }

 private:
  TQELCustomConnection& FConnection;
  TErrorMessageEvent FPrevious;
  std::string FText;
};

/// Connects or disconnects Connection; gives what it reported and raised on the way, empty when
/// nothing.
std::string SwitchConnection(TQELCustomConnection& Connection, bool Connected) {
  TConnectionReports Reports(Connection);
  try {
    Connection.SetConnected(Connected);
  } catch (const std::exception& E) {
    Reports.Add(E.what());
  }
  return Reports.Text();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction and the link to the connection

TSQLExec::TSQLExec(TComponent* AOwner) : TCustomSQLExec(AOwner) {}

TSQLExec::~TSQLExec() {
  FQuery.reset();
  FBlobFile.reset();
  SetConnection(nullptr);
}

void TSQLExec::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FQELConnection) FQELConnection = nullptr;
  TCustomSQLExec::Notification(AComponent, Operation);
}

void TSQLExec::SetConnection(TQELCustomConnection* Connection) {
  if (Connection == FQELConnection) return;
  if (FQELConnection) RemoveFreeNotification(FQELConnection);
  FQELConnection = Connection;
  if (FQELConnection) FreeNotification(FQELConnection);
}

std::string TSQLExec::QuoteIdent(const std::string& Name) const {
  return Quote_Ident(Name, DatabaseType, FIBServerOptions.SQLServerVersion, 3);
}

std::unique_ptr<TCustomSQLParser> TSQLExec::CreateParser(TCustomObjs* Objs) {
  return std::make_unique<TCustomSQLParser>(Objs);
}

void TSQLExec::LoadScriptWithParser(TStrings& Lines,
                                    const std::function<void(TCustomSQLParser&)>& Prepare) {
  // The statements go; the options the host set (connection, server) stay.
  for (int I = GetStatementsCount() - 1; I >= 0; --I) Delete(I);
  MsgManager.Clear();

  TObjs Objs;  // throw-away: loading only produces statements
  const std::unique_ptr<TCustomSQLParser> Parser = CreateParser(&Objs);
  if (Prepare) Prepare(*Parser);
  Parser->OnProgressUpdate = OnProgressUpdate;
  Parser->OnLogNextLine = OnLogNextLine;
  Parser->OnErrorMessage = OnErrorMessage;
  Parser->ScriptName = ScriptFileName;
  Parser->OnAddStatement = [this](TObject* Sender, const std::string& aText, TStatType aTyp,
                                  const std::string& aObjName, TDbObject aObjType,
                                  TDbOperation aOperation, const std::string& aOwnName,
                                  TObject*& Statement) {
    AddStatement(Sender, aText, aTyp, aObjName, aObjType, aOperation, aOwnName, Statement);
  };
  DoLogNextLine("Loading script...");
  Parser->ParseScript(Lines, &Objs);
  TakeScriptConnection(Parser->ConnectionOptions);
  MsgManager.CopyFrom(&Parser->MsgManager);
  DoLogNextLine(ScriptLoadedText());
}

void TSQLExec::TakeScriptConnection(const TConnectionOptions& Found) {
  // Only what the script names (a database in a USE statement) replaces the executor's
  // connection settings; a script that names none leaves the host's user and password alone.
  if (!Found.GetDatabaseName().empty())
    GetConnectionOptions().SetDatabaseName(Found.GetDatabaseName());
}

void TSQLExec::AddStatement(TObject* /*Sender*/, const std::string& aText, TStatType aTyp,
                            const std::string& aObjName, TDbObject aObjType,
                            TDbOperation aOperation, const std::string& aOwnName,
                            TObject*& Statement) {
  Statement = Add(aText, aTyp, aObjName, aObjType, aOperation, aOwnName, "");
}

// ---------------------------------------------------------------------------------------------
// The statement list

TStatement* TSQLExec::GetCurrentStatement() const {
  if (!FCurrentStatement) return nullptr;
  // The list may have changed since (a host's event handler can delete or replace statements):
  // the pointer is handed out only while the statement is still in the list.
  if (GetStatement(FCurrentIndex) == FCurrentStatement) return FCurrentStatement;
  return IndexOf(FCurrentStatement) >= 0 ? FCurrentStatement : nullptr;
}

void TSQLExec::SetCurrentStatement(TStatement* Statement) {
  // A run goes through the list in order: look next to the former statement first, so that a
  // run stays linear in the length of the list.
  int Index = -1;
  if (Statement) {
    if (GetStatement(FCurrentIndex + 1) == Statement)
      Index = FCurrentIndex + 1;
    else if (GetStatement(FCurrentIndex) == Statement)
      Index = FCurrentIndex;
    else
      Index = IndexOf(Statement);
  }
  FCurrentStatement = Statement;
  FCurrentIndex = Index;
}

TStatement* TSQLExec::Add(const std::string& aText, TStatType aTyp, const std::string& aObjName,
                          TDbObject aObjType, TDbOperation aOperation, const std::string& aOwnName,
                          const std::string& aTerm) {
  TStatement* S = TCustomSQLExec::Add(aText, aTyp, aObjName, aObjType, aOperation, aOwnName, aTerm);
  if (S && HasLoneBreak(aText)) FExactTexts[S] = aText;
  return S;
}

std::string TSQLExec::StatementText(const TStatement& Statement) const {
  const auto It = FExactTexts.find(&Statement);
  // The exact text counts only while the lines still say the same (a host may have edited
  // them, or the entry may be left from a statement replaced by SetStatement).
  if (It != FExactTexts.end() && SameAsLines(It->second, Statement.Lines)) return It->second;
  return JoinLines(Statement.Lines);
}

bool TSQLExec::CanRunInOneTransaction(std::string* Why) const {
  auto Refuse = [Why](const std::string& Text) {
    if (Why) *Why = Text;
    return false;
  };
  // The other servers commit each DDL statement on their own (MySQL, MariaDB, Oracle) or
  // cannot run some of it in a transaction (Firebird 3 before the commit of a new table).
  if (DatabaseType != dbPostgreSQL) return Refuse("the server commits DDL statement by statement");
  for (int I = 0; I < GetStatementsCount(); ++I) {
    const TStatement& S = *GetStatement(I);
    if (S.Skip || S.StatType == stComment) continue;
    const std::string Which = "statement " + IntToStr(I + 1) + " (" + S.GetCaption() + ")";
    switch (S.StatType) {
      case stConnect:
      case stReconnect:
      case stCreateDb:
      case st_Commit:
        return Refuse(Which + " connects or commits by itself");
      default:
        break;
    }
    if (PGRefusesTransaction(StatementText(S)))
      return Refuse(Which + " cannot run inside a transaction block");
  }
  return true;
}

void TSQLExec::AddComment(const std::string& aText) {
  Add(aText, stComment, "/*  */", dboUnknown, odbComment);
}

void TSQLExec::Add_Commit() {
  if (DatabaseType == dbSybaseASA)
    Add("Commit Work\r\ngo", st_Commit, "Commit Work", dboUnknown, odbCommit);
  else
    Add("COMMIT WORK;", st_Commit, "COMMIT WORK", dboUnknown, odbCommit);
}

void TSQLExec::AddReConnect() {
  if (DatabaseType != dbInterBase) return;
  if (FIBServerOptions.GetIBCompareOptions().UseRECONNECT) {
    Add("RECONNECT", stReconnect);
    return;
  }
  const std::string Text = FIBServerOptions.ConnectDatabaseDef(FConnectionOptions);
  if (!Text.empty()) Add(Text, stConnect);
}

void TSQLExec::Clear() {
  ClearServerOptions();
  FExactTexts.clear();
  ForgetUncommitted();
  FCurrentStatement = nullptr;
  FCurrentIndex = -1;
  TCustomSQLExec::Clear();
}

void TSQLExec::Delete(int Index) {
  TStatement* S = GetStatement(Index);
  if (!S) return;
  FExactTexts.erase(S);
  if (S == FCurrentStatement) {
    FCurrentStatement = nullptr;
    FCurrentIndex = -1;
  }
  TCustomSQLExec::Delete(Index);
}

// ---------------------------------------------------------------------------------------------
// Script text

void TSQLExec::GetScript(TStrings& Lines, bool RecordLines) {
  LineTotal = Lines.Count();
  const bool IB = DatabaseType == dbInterBase;
  const std::string Term = GenScriptTerm(DatabaseType);
  // Every piece between CR LF pairs is one line, the (possibly empty) last piece too.
  auto Append = [&Lines](const std::string& Text) {
    std::size_t Start = 0;
    for (;;) {
      const std::size_t End = Text.find("\r\n", Start);
      if (End == std::string::npos) {
        Lines.Add(Text.substr(Start));
        return;
      }
      Lines.Add(Text.substr(Start, End - Start));
      Start = End + 2;
    }
  };

  Lines.BeginUpdate();
  bool InBlock = false;
  for (int I = 0; I < GetStatementsCount(); ++I) {
    TStatement& S = *GetStatement(I);
    if (RecordLines) S.Line = Lines.Count();
    if (S.Skip) continue;

    const bool Block = IsBlockStatement(S, DatabaseType);
    if (Block && !InBlock) {
      if (IB) {
        Append("SET TERM ^ ;\r\n");
        if (RecordLines) S.Line = Lines.Count();
      }
      InBlock = true;
    } else if (!Block && S.StatType != stComment && InBlock) {
      // Comments inside a run of procedures and triggers leave the block open.
      if (IB) {
        Append("SET TERM ; ^\r\n");
        if (RecordLines) S.Line = Lines.Count();
      }
      InBlock = false;
    }

    const std::string Text = Trim(JoinLines(S.Lines));
    if (Block) {
      if (IB || DatabaseType == dbOracle) {
        for (int L = 0; L < S.Lines.Count(); ++L) Lines.Add(S.Lines[L]);
        Lines.Add(IB ? "^" : "/");
      } else {
        Append(Text + Term);
      }
    } else if (S.StatType == stDescription) {
      // A Transact-SQL batch ends at GO only: a CREATE VIEW, PROCEDURE or TRIGGER after the
      // description must start a batch of its own.
      Append(Text + (DatabaseType == dbMSSQL || DatabaseType == dbSybaseASE ? Term : ";\r\n"));
    } else if (S.DbObject == dboView) {
      if (IB && Text.find("\r\n") == std::string::npos) {
        Append(Text + Term);
      } else {
        Append(Text);
        Append(Term);
      }
    } else {
      switch (S.StatType) {
        case stConnect:
        case stCreateDb:
        case stSet:
        case stStatement:
        case stSetNames:
        case stCharSet:
        case stSqlDialect:
          Append(Text + S.Term);
          break;
        case stReconnect:
        case stSetBlobFile:
        case stInsert:
        case stUpdate:
        case stDelete:
          Append(Text + Term);
          break;
        default:
          Append(Text);
          break;
      }
    }

    if (IB && FIBServerOptions.GetIBCompareOptions().GenerateCOMMIT &&
        (S.StatType == stStatement || S.StatType == stProcedure || S.StatType == stTrigger ||
         S.StatType == stDescription))
      Lines.Add(InBlock ? "COMMIT WORK ^" : "COMMIT WORK;");
  }
  // A block still open at the end stays open: the script ends there.
  Lines.EndUpdate();
}

// ---------------------------------------------------------------------------------------------
// Reports and the connection

void TSQLExec::DoErrorMessage(const std::string& ErrText) {
  if (TStatement* S = GetCurrentStatement()) S->ErrorText = ErrText;
  TCustomSQLExec::DoErrorMessage(ErrText);
}

void TSQLExec::ReportError(const std::string& Text) {
  DoMsgErr(Text, GetCurrentStatement());
}

bool TSQLExec::EnsureQuery() {
  if (FQuery) return true;
  if (FQELConnection) FQuery.reset(FQELConnection->CreateQuery(nullptr));
  if (FQuery) return true;
  ReportError(ClassName() + "(" + Name + "): the connection cannot make a query.");
  return false;
}

bool TSQLExec::RequireConnection() {
  if (FQELConnection) return true;
  ReportError(ClassName() + "(" + Name + "): Connection property not assigned.");
  return false;
}

bool TSQLExec::CloseForReconnect() {
  if (!RequireConnection()) return false;
  if (FQELConnection->GetConnected()) {
    CommitWork();
    CloseConnection();
  }
  return true;
}

bool TSQLExec::OpenConnection() {
  if (!RequireConnection()) return false;
  TQELCustomConnection* C = FQELConnection;
  if (C->GetConnected()) return true;
  const std::string Lost = C->GetLostReason();
  std::string Reason = SwitchConnection(*C, true);
  if (C->GetConnected()) return true;
  if (Reason.empty()) Reason = C->GetLostReason();
  if (Reason.empty()) Reason = Lost;
  if (Reason.empty()) Reason = C->GetLastError();
  if (Reason.empty()) Reason = "the connection gave no reason.";
  const std::string Text =
      "Cannot connect to \"" + C->GetConnectionOptions().GetDatabaseName() + "\": " + Reason;
  DoLogNextLine(Text);
  ReportError(Text);
  return false;
}

void TSQLExec::CloseConnection() {
  TQELCustomConnection* C = FQELConnection;
  if (!C || !C->GetConnected()) return;
  const std::string Reason = SwitchConnection(*C, false);
  if (!Reason.empty()) ReportError(Reason);
}

void TSQLExec::AssignOptionsToConnection(bool AllOptions) {
  TQELCustomConnection* C = FQELConnection;
  if (!C) return;
  C->SetConnectionOptions(FConnectionOptions);
  C->SetIBServerOptions(FIBServerOptions);
  if (!AllOptions) return;
  C->SetMSSQLServerOptions(FMSSQLServerOptions);
  C->SetMySQLServerOptions(FMySQLServerOptions);
}

// ---------------------------------------------------------------------------------------------
// Transactions

void TSQLExec::NoteUncommitted() {
  const TStatement* S = GetCurrentStatement();
  if (!S) return;
  // A data script of a million rows would keep a million captions: the log names the first.
  if (FUncommitted.size() < MaxListedUncommitted)
    FUncommitted.push_back({FPartBase + FCurrentIndex, S->GetCaption()});
  ++FUncommittedCount;
}

void TSQLExec::ForgetUncommitted() {
  FUncommitted.clear();
  FUncommittedCount = 0;
}

void TSQLExec::ReportUncommitted(const std::string& Why) {
  if (FUncommittedCount == 0) return;
  const std::string Count = IntToStr(static_cast<std::int64_t>(FUncommittedCount));
  DoLogNextLine("< " + Why + ": " + Count + " earlier statement(s) of the transaction >");
  for (const TUncommitted& U : FUncommitted)
    DoLogNextLine("< Rolled back >: " + U.Caption + " (statement " + IntToStr(U.Index + 1) + ")");
  if (FUncommittedCount > FUncommitted.size())
    DoLogNextLine("< Rolled back >: " +
                  IntToStr(static_cast<std::int64_t>(FUncommittedCount - FUncommitted.size())) +
                  " statement(s) more >");
  MsgManager.AddMsg(Count + " statement(s) that had succeeded were rolled back: " + Why + ".",
                    mt_Wrn, nullptr);
  ForgetUncommitted();
}

bool TSQLExec::EndRunIfLost() {
  TQELCustomConnection* C = FQELConnection;
  if (!C || !C->GetConnectionLost()) return false;
  if (!FRunEnded) {
    FRunEnded = true;
    const std::string Text = "Lost the connection to \"" +
                             C->GetConnectionOptions().GetDatabaseName() +
                             "\": " + C->GetLostReason();
    DoLogNextLine(Text);
    ReportError(Text);
  }
  return true;
}

void TSQLExec::RollbackWork(bool CommitFailed, bool Cancelled) {
  // The row statements queued and not sent yet belong to the transaction that goes back: sent
  // after it, each would be committed on its own while the log lists it as rolled back.
  ForgetQueuedRows();
  if (FQuery) FQuery->DropQueued();
  // Those sent ahead are answered first: a refusal among them is told as its own failure (and
  // rolls back here), and the answer is not left for a later round trip to take.
  if (!FAheadRows.empty() && !SendQueuedRows()) return;
  TQELCustomConnection* C = FQELConnection;
  if (C && C->GetConnectionLost()) {
    // The server ends the transaction with the session: what it held is gone.
    ReportUncommitted("the connection was lost, and the server rolled them back");
    return;
  }
  bool HadTransaction = CommitFailed;
  try {
    if (C && C->GetConnected() && C->InTransaction()) {
      HadTransaction = true;
      C->Rollback();
    }
  } catch (const std::exception& E) {
    // The server drops the transaction with the failed rollback's session: the work is gone.
    ReportError(std::string("Rollback failed: ") + E.what());
  }
  if (HadTransaction)
    ReportUncommitted(CommitFailed ? "the commit failed"
                      : Cancelled  ? "the run was cancelled"
                                   : "rolled back with the failed statement");
  else
    ForgetUncommitted();  // the server had already ended the transaction itself
}

int TSQLExec::GetUnmadeCount(TStatType Type) const {
  const int Kind = RowStatementKind(Type);
  return Kind < 0 ? 0 : FUnmade[Kind];
}

void TSQLExec::NoteUnmade(const TStatement& S) {
  // The statement ran and the server changed nothing (a trigger or a rule kept it from the
  // row, or the row was gone): named, the first few, so that the run is not taken as made.
  const int Kind = RowStatementKind(S.StatType);
  if (Kind < 0) return;
  ++FUnmade[Kind];
  constexpr int Named = 20;
  if (FUnmade[0] + FUnmade[1] + FUnmade[2] > Named) return;
  MsgManager.AddMsg(
      "The target changed no row for this statement (a trigger, a rule or another session kept it "
      "from the row):" +
          std::string("\r\n") + Trim(StatementText(S)),
      mt_Wrn, nullptr);
}

bool TSQLExec::CommitWork() {
  TQELCustomConnection* C = FQELConnection;
  if (!C || !C->GetConnected()) {
    const bool Lost = FUncommittedCount > 0;
    ReportUncommitted("the connection was lost before the commit");
    return !Lost;
  }
  try {
    if (C->InTransaction()) C->Commit();
    ForgetUncommitted();
    return true;
  } catch (const std::exception& E) {
    if (!EndRunIfLost()) ReportError(E.what());
  }
  RollbackWork(true);
  return false;
}

void TSQLExec::ClearQuerySQL() {
  // Not through the lines, which the query may not have made of a large statement.
  if (FQuery) FQuery->SetSQLText(std::string());
}

// ---------------------------------------------------------------------------------------------
// Running

bool TSQLExec::ExecuteScript() {
  return RunScript(nullptr);
}

bool TSQLExec::ExecuteScriptInParts(const TFillScriptPartEvent& Fill) {
  return RunScript(&Fill);
}

void TSQLExec::DeleteStatements() {
  FExactTexts.clear();
  FCurrentStatement = nullptr;
  FCurrentIndex = -1;
  TCustomSQLExec::Clear();
}

bool TSQLExec::RunScript(const TFillScriptPartEvent* Fill) {
  ErrorCount = 0;
  FUnmade[0] = FUnmade[1] = FUnmade[2] = 0;
  SetCurrentStatement(nullptr);
  FPartBase = 0;
  bool Result = true;
  if (Fill) {
    DeleteStatements();
    (*Fill)(*this);
  }
  if (GetStatementsCount() == 0) {
    DoLogNextLine("Update script is empty.");
    return true;
  }
  if (!RequireConnection()) return false;
  FRunEnded = false;
  // A connection lost before this run is let go, so that the run opens a sound one.
  if (FQELConnection->GetConnectionLost()) SwitchConnection(*FQELConnection, false);
  const bool WasConnected = FQELConnection->GetConnected();
  FQuery.reset();
  if (!EnsureQuery()) return false;
  ForgetUncommitted();
  FBlobFile.reset();
  FBlobFileFailed = false;
  ForgetQueuedRows();
  FAheadRows.clear();
  FInScriptRun = true;
  DoLogNextLine("Updating target database...");
  DoProgressUpdate(0, GetStatementsCount() - 1);

  bool Cancelled = false;
  bool Stopped = false;
  FResumeAt = -1;
  // The first statement of the list to run, and the one after the furthest gone through.
  int Start = 0, Reached = 0;
  while (!Stopped) {
    // The count is read on every turn: an event handler may change the list.
    for (int I = Start; I < GetStatementsCount(); ++I) {
      // The row statements queued run before any other statement does: a refusal among them
      // is the failure of a statement before this one.
      if (const TStatement* S = GetStatement(I);
          S && RowStatementKind(S->StatType) < 0 && !SendQueuedRows())
        Result = false;
      // The run goes on after the refused one with those that were queued after it.
      if (FResumeAt >= 0) I = std::exchange(FResumeAt, -1);
      if (FRunEnded) {
        int NotRun = 0;
        for (int J = I; J < GetStatementsCount(); ++J)
          if (const TStatement* S = GetStatement(J); S && !S->Skip && S->StatType != stComment)
            ++NotRun;
        DoLogNextLine("< Run ended: " + IntToStr(NotRun) + " statement(s) not run >");
        Stopped = true;
        break;
      }
      // In one transaction nothing after a failure may run: the transaction is rolled back.
      if (!Result && (BreakOnError || OneTransaction)) {
        DoLogNextLine("< Break on Error! >");
        Stopped = true;
        break;
      }
      // A run stopped by cutting its connection ends as on any lost connection (the statement
      // reports it); otherwise a cancel ends it here.
      if (TerminateRunning.load() && !FQELConnection->GetConnectionLost()) {
        Cancelled = Stopped = true;
        break;
      }
      DoBeforeStatementExecute(I);
      if (TStatement* S = GetStatement(I)) {
        if (S->Skip) {
          // Gone through again after a refusal (the rows queued after it), it was told of.
          if (I >= Reached) LogSkipped(*S);
        } else {
          // Every statement runs also after a failure; BreakOnError is what stops the run.
          const bool Ok = ExecStatement(S);
          Result = Result && Ok;
        }
      }
      if (I >= Reached) DoProgressUpdate(I, GetStatementsCount() - 1);
      Reached = std::max(Reached, I + 1);
      DoAfterStatementExecute(I);
      ProcessMessages();
    }
    // What is queued goes before the list's statements do (a part ends, or the run).
    if (!SendQueuedRows()) Result = false;
    Start = 0;
    if (FResumeAt >= 0 && !Stopped) {
      Start = std::exchange(FResumeAt, -1);
      continue;
    }
    if (Stopped || !Fill || (!Result && (BreakOnError || OneTransaction))) break;
    // The next part takes the place of the one that ran.
    FPartBase += GetStatementsCount();
    Reached = 0;
    DeleteStatements();
    if (!(*Fill)(*this)) break;
  }

  return EndScriptRun(Result, Cancelled, WasConnected);
}

void TSQLExec::LogSkipped(const TStatement& S) {
  if (GetShowFullLog()) {
    DoLogNextLine("< Skipping statement >:");
    for (int L = 0; L < S.Lines.Count(); ++L) DoLogNextLine("// " + S.Lines[L]);
  } else {
    DoLogNextLine("< Skipping statement >: " + S.GetCaption());
  }
}

bool TSQLExec::EndScriptRun(bool Result, bool Cancelled, bool WasConnected) {
  FInScriptRun = false;
  BlobBuffer.clear();
  BlobBuffer.shrink_to_fit();
  FBlobFile.reset();
  // A cancelled script of one transaction is not committed half way: it goes back whole.
  if (Cancelled && OneTransaction)
    RollbackWork(false, true);
  else if (!CommitWork())
    Result = false;
  if (!WasConnected) CloseConnection();

  if (Cancelled) {
    // Cancelling is not success: the statements after this point were not run.
    DoLogNextLine("< Script execution cancelled! >");
    MsgManager.AddMsg("Script execution cancelled.", mt_Err, nullptr);
    Result = false;
  }
  if (ErrorCount > 0) {
    DoLogNextLine("< Script executed: " + IntToStr(ErrorCount) + " errors... >");
    Result = false;
  } else if (Result) {
    DoLogNextLine("< Script executed succesfully! >");
  } else if (!Cancelled) {
    DoLogNextLine("< Script executed: " + IntToStr(ErrorCount) + " errors... >");
  }
  FQuery.reset();
  return Result;
}

void TSQLExec::ExecuteStatement(TStatement* Statement) {
  if (!Statement) return;
  if (!FQELConnection) {
    SetCurrentStatement(Statement);
    RequireConnection();
    return;
  }
  const bool OwnQuery = !FQuery;
  if (!EnsureQuery()) return;
  const bool WasConnected = FQELConnection->GetConnected();
  // Statements that connect by themselves are left to their handler.
  const bool Connects = Statement->StatType == stConnect || Statement->StatType == stReconnect ||
                        Statement->StatType == stCreateDb;
  if (WasConnected || Connects || OpenConnection()) ExecStatement(Statement);
  if (!WasConnected && FQELConnection && FQELConnection->GetConnected()) {
    // Closing would silently drop data statements still waiting for their commit.
    CommitWork();
    CloseConnection();
  }
  if (OwnQuery) FQuery.reset();
}

bool TSQLExec::ExecStatement(TStatement* Statement) {
  SetCurrentStatement(Statement);
  if (!Statement) return true;
  const bool Connects = Statement->StatType == stConnect || Statement->StatType == stReconnect ||
                        Statement->StatType == stCreateDb;
  // A connection lost under the run is not opened again behind the user's back: the
  // statements before this one may have been rolled back with it.
  if (!Connects && EndRunIfLost()) return false;
  if (FQELConnection && !FQELConnection->GetConnected() && ChangesDatabase(Statement->StatType) &&
      !OpenConnection()) {
    FRunEnded = true;  // reported; every further statement would fail the same way
    return false;
  }
  switch (Statement->StatType) {
    case stConnect:
      return RunConnect();
    case stReconnect:
      return RunReConnect();
    case stCreateDb:
      return RunCreateDb();
    case stSet:
      return DatabaseType == dbOracle ? RunStatement() : true;
    case stSetBlobFile:
      return RunSetBlobFile();
    case stStatement:
    case stProcedure:
    case stTrigger:
      return RunStatement();
    case stDescription:
      return RunDescription();
    case stInsert:
    case stUpdate:
    case stDelete:
      return RunInsertUpdateDelete();
    default:
      return true;
  }
}

bool TSQLExec::RunConnect() {
  try {
    TStatement* S = GetCurrentStatement();
    if (!CloseForReconnect()) return false;
    if (S && S->StatType == stConnect) ParseConnect(StatementText(*S));
    AssignOptionsToConnection(true);
    if (!OpenConnection()) {
      FRunEnded = true;  // reported with its reason; nothing after it has a database
      return false;
    }
    DoLogNextLine("Connect: \"" + FConnectionOptions.GetDatabaseName() + "\"");
    if (DatabaseType == dbInterBase) {
      std::string Line = "Dialect: " + IntToStr(FIBServerOptions.GetSQLDialect()) + ".";
      if (!FIBServerOptions.GetDBCharSet().empty())
        Line += " DBCharSet: " + FIBServerOptions.GetDBCharSet() + ".";
      DoLogNextLine(Line);
    }
    return true;
  } catch (const std::exception& E) {
    ReportError(E.what());
    return false;
  }
}

bool TSQLExec::RunReConnect() {
  try {
    DoLogNextLine("ReConnect...");
    if (!CloseForReconnect()) return false;
    AssignOptionsToConnection(true);
    if (OpenConnection()) return true;
    FRunEnded = true;  // reported with its reason; nothing after it has a database
    return false;
  } catch (const std::exception& E) {
    ReportError(E.what());
    return false;
  }
}

bool TSQLExec::RunCreateDb() {
  try {
    TQELCustomConnection* C = FQELConnection;
    if (!CloseForReconnect()) return false;
    AssignOptionsToConnection(false);
    bool Created = false;
    std::string Reason;
    {
      TConnectionReports Reports(*C);
      try {
        Created = C->CreateDatabase();
      } catch (const std::exception& E) {
        Reports.Add(E.what());
      }
      Reason = Reports.Text();
    }
    if (!Created) {
      // Reported as a failed statement, so that BreakOnError stops before the statements
      // meant for the database that does not exist.
      ReportError(Reason.empty() ? std::string("Cann't create database.")
                                 : "Cann't create database.\r\n" + Reason);
      return false;
    }
    return OpenConnection();
  } catch (const std::exception& E) {
    ReportError(E.what());
    return false;
  }
}

bool TSQLExec::RunCreateDbStatement() {
  TQELCustomConnection* C = GetQELConnection();
  if (!C) return RequireConnection();
  try {
    if (!C->GetConnected() && !OpenConnection()) return false;
    if (C->InTransaction() && !CommitWork()) return false;
  } catch (const std::exception& E) {
    ReportError(E.what());
    return false;
  }
  return RunStatement();
}

bool TSQLExec::RunDescription() {
  if (GetShowFullLog()) {
    DoLogNextLine("< Update Description >:");
    if (const TStatement* S = GetCurrentStatement()) DoLogNextLine(StatementText(*S));
  } else {
    DoLogNextLine("<Update Description>");
  }
  return UpdateDescription();
}

bool TSQLExec::UpdateDescription() {
  return RunStatement();
}

bool TSQLExec::RunStatement() {
  TStatement* S = GetCurrentStatement();
  if (!S) return true;
  TQELCustomConnection* C = FQELConnection;
  if (!C || !C->GetConnected()) {
    if (!EndRunIfLost()) ReportError("Disconnected from database...");
    return false;
  }
  if (GetShowFullLog()) {
    DoLogNextLine("< Exec SQL >:");
    DoLogNextLine(Trim(StatementText(*S)));
  } else {
    DoLogNextLine("< Exec SQL >: " + S->GetCaption());
  }
  if (!EnsureQuery()) return false;
  bool Result = true;
  bool Committing = false;
  try {
    // SQL Server and ASE cannot run some DDL inside a transaction.
    if (!C->InTransaction() && DatabaseType != dbMSSQL && DatabaseType != dbSybaseASE)
      C->StartTransaction();
    // The text goes to the server untouched: ":name" inside DDL bodies and PostgreSQL "::"
    // casts are no parameters.
    FQuery->SetParamCheck(false);
    if (TParams* P = FQuery->GetParams()) P->Clear();
    std::string Text = StatementText(*S);
    if (DatabaseType == dbOracle && (S->StatType == stProcedure || S->StatType == stTrigger))
      // Oracle stores routine texts as sent and wants LF line breaks; the "/" that ends the
      // block in a script belongs to the script tool, the server would reject it.
      Text = StringReplace(Text, "\r\n", "\n", true, false);
    FQuery->SetSQLText(Text);
    FQuery->ExecSQL();
    ClearQuerySQL();
    if (OneTransaction) {
      NoteUncommitted();  // committed with the whole run
    } else {
      Committing = true;
      if (C->InTransaction()) C->Commit();
      ForgetUncommitted();
    }
  } catch (const std::exception& E) {
    Result = false;
    if (!EndRunIfLost()) ReportError(E.what());
    ClearQuerySQL();
    RollbackWork(Committing);
  }
  ClearQuerySQL();
  FQuery->SetParamCheck(true);
  return Result;
}

bool TSQLExec::RunInsertUpdateDelete() {
  TStatement* S = GetCurrentStatement();
  if (!S) return true;
  if (!RequireConnection()) return false;
  TQELCustomConnection* C = FQELConnection;
  if (!EnsureQuery()) return false;
  bool Result = true;
  try {
    // Data statements share one transaction, committed at the end of the run.
    if (!C->InTransaction()) C->StartTransaction();
    FQuery->SetParamCheck(true);
    if (TParams* P = FQuery->GetParams()) P->Clear();
    const std::string Text = StatementText(*S);
    FQuery->SetSQLText(Text);
    const TParams* P = FQuery->GetParams();
    // A value that could not be read has been reported; the statement must not store NULL
    // or a cut value in its place.
    if (P && P->Count() > 0 && !AcceptBlobParams()) {
      Result = false;
    } else if (const std::size_t Bytes = Text.size(); QueuesRows() && (!P || P->Count() == 0) &&
                                                      Bytes <= TQELQuery::MaxQueuedStatementBytes) {
      // Many to a round trip, as the rows comparer sends them; a statement with a large value
      // (a parameter, or a long literal) goes on its own, after those queued before it.
      FQuery->QueueExecSQL();
      FQueuedRows.push_back(S);
      FQueuedBytes += Bytes;
      NoteUncommitted();
      if (FQueuedRows.size() >= TQELQuery::MaxQueuedStatements ||
          FQueuedBytes >= TQELQuery::MaxQueuedBytes)
        Result = SendQueuedRows(BreakOnError || OneTransaction);
    } else if (!SendQueuedRows()) {
      Result = false;
    } else {
      SetCurrentStatement(S);
      FQuery->ExecSQL();
      NoteUncommitted();
      if (FQuery->RowsAffected() == 0) NoteUnmade(*S);
    }
    ClearQuerySQL();
  } catch (const std::exception& E) {
    Result = false;
    if (!EndRunIfLost()) ReportError(E.what());
  }
  if (!Result) {
    ClearQuerySQL();
    RollbackWork();
  }
  ClearQuerySQL();
  return Result;
}

void TSQLExec::ForgetQueuedRows() {
  FQueuedRows.clear();
  FQueuedBytes = 0;
}

bool TSQLExec::QueuesRows() const {
  return FInScriptRun && FQuery && FQuery->CanQueue() && !OnBeforeStatementExecute &&
         !OnAfterStatementExecute;
}

bool TSQLExec::SendQueuedRows(bool Ahead) {
  if (FQueuedRows.empty() && FAheadRows.empty()) return true;
  // The answer counts from the first of the statements sent ahead before, then those queued.
  std::vector<TStatement*> Sent;
  Sent.swap(FAheadRows);
  Sent.insert(Sent.end(), FQueuedRows.begin(), FQueuedRows.end());
  ForgetQueuedRows();
  TStatement* Current = GetCurrentStatement();
  TQELQuery::TQueuedOutcome R;
  try {
    R = Ahead ? FQuery->SendQueued() : FQuery->ExecQueued();
  } catch (const std::exception& E) {
    // The connection failed under the round trip: what it held may or may not have run, and
    // the transaction is gone with it.
    SetCurrentStatement(Sent.front());
    if (!EndRunIfLost()) ReportError(E.what());
    RollbackWork();
    return false;
  }
  for (const std::size_t U : R.Unmade)
    if (U < Sent.size()) NoteUnmade(*Sent[U]);
  if (!R.Refused) {
    // Those after the ones answered went ahead: their answer comes with the next round trip.
    if (Ahead && R.Done < Sent.size()) FAheadRows.assign(Sent.begin() + R.Done, Sent.end());
    SetCurrentStatement(Current);
    return true;
  }
  // The refused statement is named as it would be had it run alone; the transaction goes back.
  const std::size_t At = std::min(R.RolledBack ? R.RefusedAt : R.Done, Sent.size() - 1);
  SetCurrentStatement(Sent[At]);
  // A run that goes on after a failure runs those queued after it, which never ran: from the
  // next statement of the list on (the queue is sent before a part ends, so it is this part's).
  if (!BreakOnError && !OneTransaction && FInScriptRun && FCurrentIndex >= 0)
    FResumeAt = FCurrentIndex + 1;
  // The refused statement and those queued after it never ran: they were counted as waiting
  // for the commit when they were queued.
  FUncommittedCount -= std::min(FUncommittedCount, Sent.size() - At);
  while (!FUncommitted.empty() && FUncommitted.back().Index >= FPartBase + FCurrentIndex)
    FUncommitted.pop_back();
  ReportError(R.Error);
  ClearQuerySQL();
  RollbackWork();
  return false;
}

// ---------------------------------------------------------------------------------------------
// The large-value side file

bool TSQLExec::RunSetBlobFile() {
  try {
    FBlobFile.reset();
    BlobBuffer.clear();
    FBlobFileFailed = true;  // until the file is open
    const TStatement* S = GetCurrentStatement();
    BlobFileName = S ? S->ObjName : std::string();
    if (ExtractFilePath(BlobFileName).empty()) {
      if (ScriptFileName.empty()) {
        ReportError("ScriptFileName not specified (for BlobFile).");
        return false;
      }
      BlobFileName = ExtractFilePath(ScriptFileName) + BlobFileName;
    }
    if (!FileExists(BlobFileName)) {
      ReportError("BlobFile not found: " + BlobFileName);
      return false;
    }
    auto File = std::make_unique<TFileStream>(BlobFileName, fmOpenRead);
    if (!File->IsOpen()) {
      ReportError("Cannot open BlobFile: " + BlobFileName);
      return false;
    }
    FBlobFile = std::move(File);
    FBlobFileFailed = false;
    return true;
  } catch (const std::exception& E) {
    ReportError(E.what());
    return false;
  }
}

bool TSQLExec::ParseBlobParamName(const std::string& Name, std::uint64_t& Offset,
                                  std::uint64_t& Length) {
  if (Name.size() != 18 || (Name[0] != 'H' && Name[0] != 'h') || Name[9] != '_') return false;
  return ReadHex8(Name, 1, Offset) && ReadHex8(Name, 10, Length);
}

bool TSQLExec::LoadBlobParam(TParam& Param, std::uint64_t Offset, std::uint64_t Length) {
  const std::int64_t Size = FBlobFile->Size();
  // A range past the end is a broken side file (or the wrong one): an error, never a NULL or
  // a cut value.
  if (Size < 0 || Offset > static_cast<std::uint64_t>(Size) ||
      Length > static_cast<std::uint64_t>(Size) - Offset) {
    ReportError("BlobFile range past the end of the file: parameter " + Param.Name + " (" +
                BlobFileName + ", " + IntToStr(Size) + " bytes)");
    return false;
  }
  BlobBuffer.clear();
  if (Length > 0) {
    if (FBlobFile->Seek(static_cast<std::int64_t>(Offset), soBeginning) !=
        static_cast<std::int64_t>(Offset)) {
      ReportError("Cannot read BlobFile " + BlobFileName + " for parameter " + Param.Name);
      return false;
    }
    BlobBuffer.resize(static_cast<std::size_t>(Length));
    std::size_t Done = 0;
    while (Done < BlobBuffer.size()) {
      const std::int64_t N = FBlobFile->Read(BlobBuffer.data() + Done,
                                             static_cast<std::int64_t>(BlobBuffer.size() - Done));
      if (N <= 0) break;
      Done += static_cast<std::size_t>(N);
    }
    if (Done != BlobBuffer.size()) {
      BlobBuffer.clear();
      ReportError("Cannot read BlobFile " + BlobFileName + " for parameter " + Param.Name);
      return false;
    }
  }
  Param.SetAsBlob(std::move(BlobBuffer));
  BlobBuffer.clear();
  return true;
}

bool TSQLExec::AcceptBlobParams() {
  TParams* Params = FQuery ? FQuery->GetParams() : nullptr;
  if (!Params) return true;
  bool Result = true;
  for (int I = 0; I < Params->Count(); ++I) {
    TParam* P = Params->Items(I);
    std::uint64_t Offset = 0, Length = 0;
    if (!ParseBlobParamName(P->Name, Offset, Length)) {
      DoGetParamValue(P);
    } else if (FBlobFile) {
      try {
        if (!LoadBlobParam(*P, Offset, Length)) Result = false;
      } catch (const std::exception& E) {
        ReportError(E.what());
        Result = false;
      }
    } else if (FBlobFileFailed) {
      ReportError("BlobFile is not open: the value of parameter " + P->Name + " cannot be read.");
      Result = false;
    } else {
      DoGetParamValue(P);
    }
  }
  return Result;
}

void TSQLExec::DoGetParamValue(TParam* Param) {
  if (!Param) return;
  Param->Clear();
  if (OnGetParamValue) OnGetParamValue(this, Param);
}

}  // namespace qel
