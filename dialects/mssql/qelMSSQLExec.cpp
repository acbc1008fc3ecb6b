// The SQL Server script executor and the Transact-SQL batch loading: GO lines cut the script,
// the dialect parser names what each batch does, each batch runs as one statement.
#include "qelMSSQLExec.h"

#include "Text.h"
#include "qelCompObj.h"
#include "qelMsg.h"
#include "qelParser.h"

namespace qel {

namespace {

/// More repetitions than this are taken for a typing error, not a wish.
constexpr std::int64_t kMaxGoCount = 10000;

bool IsBlank(char C) {
  return C == ' ' || C == '\t' || C == '\r' || C == '\n' || C == '\f' || C == '\v';
}

bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}

/// The repeat count when Line is a GO line ("GO", "go 3", "GO -- done"); 0 when it is not. A
/// count beyond kMaxGoCount gives kMaxGoCount + 1.
std::int64_t GoLineCount(const std::string& Line) {
  std::size_t I = 0;
  const std::size_t N = Line.size();
  while (I < N && IsBlank(Line[I])) ++I;
  if (I + 2 > N || (Line[I] != 'g' && Line[I] != 'G') || (Line[I + 1] != 'o' && Line[I + 1] != 'O'))
    return 0;
  I += 2;
  std::int64_t Count = 1;
  const std::size_t AfterGo = I;
  while (I < N && IsBlank(Line[I])) ++I;
  if (I < N && IsDigit(Line[I])) {
    if (I == AfterGo) return 0;  // "GO5" is a word
    Count = 0;
    for (; I < N && IsDigit(Line[I]); ++I)
      if (Count <= kMaxGoCount) Count = Count * 10 + (Line[I] - '0');
    if (Count == 0) return 0;
    if (Count > kMaxGoCount) Count = kMaxGoCount + 1;
    while (I < N && IsBlank(Line[I])) ++I;
  }
  if (I == N) return Count;
  if (I + 1 < N && Line[I] == '-' && Line[I + 1] == '-') return Count;
  return 0;
}

/// Where a line of a script begins: in plain text, or inside something a GO cannot end.
struct TScanState {
  int CommentDepth = 0;  // block comments nest
  char Quote = 0;        // ', " or ] while inside a literal or a quoted name
};

/// Moves State over Line.
void ScanLine(const std::string& Line, TScanState& State) {
  const std::size_t N = Line.size();
  for (std::size_t I = 0; I < N; ++I) {
    const char C = Line[I];
    const char Next = I + 1 < N ? Line[I + 1] : '\0';
    if (State.CommentDepth > 0) {
      if (C == '/' && Next == '*') {
        ++State.CommentDepth;
        ++I;
      } else if (C == '*' && Next == '/') {
        --State.CommentDepth;
        ++I;
      }
      continue;
    }
    if (State.Quote != 0) {
      if (C == State.Quote) {
        if (Next == State.Quote)
          ++I;  // a doubled quote stands for itself
        else
          State.Quote = 0;
      }
      continue;
    }
    if (C == '-' && Next == '-') return;  // the rest of the line is a comment
    if (C == '/' && Next == '*') {
      State.CommentDepth = 1;
      ++I;
    } else if (C == '\'' || C == '"') {
      State.Quote = C;
    } else if (C == '[') {
      State.Quote = ']';
    }
  }
}

}  // namespace

std::vector<TGoBatch> SplitGoBatches(const TStrings& Lines) {
  std::vector<TGoBatch> Batches;
  TScanState State;
  std::int32_t First = 0;  // first line of the batch being gathered, from 0
  auto Close = [&](std::int32_t End, std::int64_t Count) {
    // Blank lines before and after the text are no part of the batch.
    std::int32_t B = First, E = End;
    while (B < E && Trim(Lines[B]).empty()) ++B;
    while (E > B && Trim(Lines[E - 1]).empty()) --E;
    if (B < E) {
      TGoBatch Batch;
      Batch.Line = B + 1;
      Batch.Count = static_cast<std::int32_t>(Count);
      for (std::int32_t L = B; L < E; ++L) {
        std::string Line = Lines[L];
        if (L == E - 1) Line = TrimRight(Line);
        Batch.Text += (L == B ? "" : "\r\n") + Line;
      }
      Batches.push_back(std::move(Batch));
    }
    First = End + 1;
  };
  for (std::int32_t L = 0; L < Lines.Count(); ++L) {
    const std::string& Line = Lines[L];
    if (State.CommentDepth == 0 && State.Quote == 0) {
      if (const std::int64_t Count = GoLineCount(Line); Count > 0) {
        Close(L, Count);
        continue;
      }
    }
    ScanLine(Line, State);
  }
  Close(Lines.Count(), 1);
  return Batches;
}

void LoadTransactSQLScript(TSQLExec& Exec, TStrings& Lines) {
  // The statements go; the options the host set (connection, server) stay.
  for (int I = Exec.GetStatementsCount() - 1; I >= 0; --I) Exec.Delete(I);
  Exec.MsgManager.Clear();
  Exec.DoLogNextLine("Loading script...");

  TObjs Objs;  // throw-away: loading only produces statements
  std::string FirstError;
  for (const TGoBatch& Batch : SplitGoBatches(Lines)) {
    const std::unique_ptr<TCustomSQLParser> Parser = Exec.CreateParser(&Objs);
    Parser->ShowProgress = false;
    Parser->ScriptName = Exec.ScriptFileName;
    Parser->OnErrorMessage = [](TObject*, const std::string&) {};  // reported below
    struct {
      bool Found = false;
      TStatType Typ = stStatement;
      std::string ObjName, OwnName;
      TDbObject ObjType = dboUnknown;
      TDbOperation Operation = odbUnknown;
    } What;
    Parser->OnAddStatement = [&What](TObject*, const std::string&, TStatType aTyp,
                                     const std::string& aObjName, TDbObject aObjType,
                                     TDbOperation aOperation, const std::string& aOwnName,
                                     TObject*& Statement) {
      Statement = nullptr;
      if (What.Found) return;
      What = {true, aTyp, aObjName, aOwnName, aObjType, aOperation};
    };
    Parser->ParseScriptText(Batch.Text, &Objs);

    // The parser counts lines within the batch; the message list counts them in the script.
    const TMsgManager& Msgs = Parser->MsgManager;
    for (int I = 0; I < Msgs.GetMsgCount(); ++I) {
      const TMsgData& M = Msgs.Items(I);
      const std::int32_t Line = M.Line > 0 ? M.Line + Batch.Line - 1 : 0;
      Exec.MsgManager.AddScriptMsg(M.Text, M.ScriptName, M.Column, Line, M.MsgType);
      if (M.MsgType == mt_Err && FirstError.empty())
        FirstError = M.Text + "\r\nScript: " + M.ScriptName + " Line:" + IntToStr(Line) +
                     " Pos:" + IntToStr(M.Column) + "\r\n";
    }
    if (Msgs.GetIsErr()) continue;
    if (Batch.Count > kMaxGoCount) {
      const std::string Text = "GO count over " + IntToStr(kMaxGoCount) + ": batch not loaded";
      Exec.MsgManager.AddScriptMsg(Text, Exec.ScriptFileName, 1, Batch.Line, mt_Err);
      if (FirstError.empty())
        FirstError = Text + "\r\nScript: " + Exec.ScriptFileName + " Line:" + IntToStr(Batch.Line) +
                     " Pos:1\r\n";
      continue;
    }
    if (What.Found && What.Typ == stConnect && !What.ObjName.empty())
      Exec.GetConnectionOptions().SetDatabaseName(What.ObjName);
    for (std::int32_t R = 0; R < Batch.Count; ++R)
      Exec.Add(Batch.Text, What.Typ, What.ObjName, What.ObjType, What.Operation, What.OwnName);
  }
  if (!FirstError.empty()) {
    // Once, as a parser reports the first error of a script.
    if (Exec.OnErrorMessage)
      Exec.OnErrorMessage(&Exec, FirstError);
    else
      ShowMessage("Error: " + FirstError);
  }
  Exec.DoLogNextLine("Script loaded: " + IntToStr(Exec.GetStatementsCount()) + " statements");
}

// ---------------------------------------------------------------------------------------------

void TMSSQLExec::LoadScript(TStrings& Lines) {
  LoadTransactSQLScript(*this, Lines);
}

}  // namespace qel
