// The SQL Server and ASE script parser's view, routine and trigger grammar.
#include "qelMSSQLParser.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <functional>
#include <span>
#include <string_view>
#include <utility>

#include "Text.h"
#include "qelClasses.h"
#include "qelComp_Def.h"
#include "qelComp_Dmn.h"
#include "qelComp_Idx.h"
#include "qelComp_Rul.h"
#include "qelResWords.h"

namespace qel {

namespace {

/// The object filed under the key of N in List, as ALTER names it.
template <class T>
T* FindFiled(TDbObjList& List, const std::string& Key) {
  return dynamic_cast<T*>(List.FindObj(Key));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Views, routines and triggers

std::string TTransactSQLParser::ObjKey(const TName& N) const {
  return IsMSSQL() && !N.Owner.empty() ? Fold(N.Owner) + "." + Fold(N.Name) : Fold(N.Name);
}

template <class T>
T* TTransactSQLParser::AlteredOrNew(T* Given, bool Alter, TDbObjList* Filed, const std::string& Key,
                                    std::unique_ptr<T>& Made) {
  T* Obj = Given;
  if (!Obj && Alter && Filed) Obj = FindFiled<T>(*Filed, Key);
  if (!Obj) {
    Made = std::make_unique<T>(Objs);
    Obj = Made.get();
  }
  return Obj;
}

void TTransactSQLParser::ParseView(TViwData* View, bool Alter) {
  const TName N = QualifiedName();
  std::unique_ptr<TViwData> Made;
  TViwData* Viw = AlteredOrNew(View, Alter, Objs ? &Objs->Views : nullptr, ObjKey(N), Made);
  SetNames(*Viw, N);
  FStatObjName = Viw->GetObjName();
  ParseViewColumns(*Viw, [this] { return NamePart(); });
  if (IsWord("WITH")) {
    Viw->WithEncryption = Viw->SchemaBinding = Viw->ViewMetadata = false;
    do {
      GetSy();
      if (IsWord("ENCRYPTION")) Viw->WithEncryption = true;
      if (IsWord("SCHEMABINDING")) Viw->SchemaBinding = true;
      if (IsWord("VIEW_METADATA")) Viw->ViewMetadata = true;
      GetSy();
    } while (Sy == syComma);
  }
  if (!IsWord("AS")) {
    ErrMsg("Must be: AS");
    return;
  }
  SkipBlanks();
  // CREATE VIEW must be alone in its batch: what follows its select would go into its text.
  if (const std::int32_t Next = StatementAfterView(Pos - 1); Next >= 0) {
    std::int32_t At = Next, LineAt = Line;
    while (At > 0 && At > Pos - 2 && FTxt[static_cast<std::size_t>(At - 1)] != '\n') --At;
    for (std::int32_t I = Pos - 1; I < At; ++I)
      if (FTxt[static_cast<std::size_t>(I)] == '\n') ++LineAt;
    const std::int32_t Column = At > Pos - 2 ? Next - At + 1 : GetPosX() + Next - (Pos - 2);
    // Shown at the statement that follows, not where the reader stands.
    const std::int32_t SavedLine = FSyLine, SavedColumn = FSyColumn;
    FSyLine = LineAt;
    FSyColumn = Column + 1;
    ErrMsg("A statement follows CREATE VIEW " + Viw->GetObjName() +
           " in its batch: CREATE VIEW must be alone in its batch (a GO line is missing).");
    FSyLine = SavedLine;
    FSyColumn = SavedColumn;
    BodyFrom(Pos - 1);
    return;
  }
  Viw->SetExtra(&TObjExtra::Body, BodyFrom(Pos - 1));
  if (Viw->Extra().Body.empty()) ErrMsg("Missing: <select>");
  if (Made) AddObj(std::move(Made));
}

std::int32_t TTransactSQLParser::StatementAfterView(std::int32_t Start, bool InCode) const {
  static constexpr std::array<std::string_view, 13> Starts = {
      "CREATE", "ALTER",   "DROP",    "GRANT", "REVOKE",   "INSERT", "DELETE",
      "EXEC",   "EXECUTE", "DECLARE", "PRINT", "TRUNCATE", "SETUSER"};
  const std::int32_t End = GoLineFrom(Start - 1, true);
  const auto At = [this](std::int32_t I) { return FTxt[static_cast<std::size_t>(I)]; };
  const auto WordChar = [](char C) {
    return std::isalnum(static_cast<unsigned char>(C)) || C == '_' || C == '@' || C == '#' ||
           C == '$';
  };
  int Depth = 0;
  bool AfterSemicolon = false;
  for (std::int32_t I = Start - 1; I < End;) {
    const char C = At(I);
    if (C == ' ' || C == '\t' || C == '\r' || C == '\n') {
      ++I;
      continue;
    }
    if (C == '-' && I + 1 < End && At(I + 1) == '-') {
      while (I < End && At(I) != '\n') ++I;
      continue;
    }
    if (C == '/' && I + 1 < End && At(I + 1) == '*') {
      I += 2;
      while (I + 1 < End && !(At(I) == '*' && At(I + 1) == '/')) ++I;
      I += 2;
      continue;
    }
    if (AfterSemicolon) return I;  // more than blanks and comments after a ";"
    if (C == '\'' || C == '"' || C == '[') {
      const char Close = C == '[' ? ']' : C;
      for (++I; I < End && At(I) != Close; ++I) {
      }
      ++I;
    } else if (C == '(') {
      ++Depth;
      ++I;
    } else if (C == ')') {
      --Depth;
      ++I;
    } else if (C == ';' && Depth <= 0) {
      AfterSemicolon = !InCode;
      ++I;
    } else if (WordChar(C)) {
      const std::int32_t From = I;
      while (I < End && WordChar(At(I))) ++I;
      if (Depth <= 0 && From > Start - 1 && !WordChar(At(From - 1)) && At(From - 1) != '.')
        for (const std::string_view W : InCode ? std::span(Starts).first(3) : std::span(Starts))
          if (SameText(W, std::string_view(&FTxt[static_cast<std::size_t>(From)],
                                           static_cast<std::size_t>(I - From))))
            return From;
    } else {
      ++I;
    }
  }
  return -1;
}

void TTransactSQLParser::PassCode(std::int32_t Start) {
  // From the byte before Start: the code's first word counts as well (BEGIN CREATE TABLE ...).
  const std::int32_t At = StatementAfterView(std::max(Start - 1, 1), true);
  BodyFrom(Start);
  if (At < 0) return;
  std::int32_t End = At;
  while (End < FLen &&
         std::isalpha(static_cast<unsigned char>(FTxt[static_cast<std::size_t>(End)])))
    ++End;
  MsgAtByte("Procedural code is passed over to the end of its batch: its " +
                UpperCase(CopyTxt(At + 1, End - At)) + " statement is not read.",
            At + 1, true);
}

void TTransactSQLParser::ParseParams(TPrcData& Routine) {
  const bool Parens = Sy == syLParen;
  if (Parens) GetSy();
  while (Sy == syIdent && !FQuoted && Ident.front() == '@') {
    auto Fld = std::make_unique<TFldData>(Objs);
    Fld->SetObjName(Ident);
    GetSy();
    if (IsWord("AS")) GetSy();
    Fld->OwnerObj = &Routine;
    ParseDataType(*Fld);
    for (;;) {
      if (IsWord("VARYING") || IsWord("READONLY") || IsWord("NULL")) {
        GetSy();
      } else if (Sy == syEqual) {
        // The default: a literal, NULL, a name or a signed number.
        GetSy();
        const std::int32_t Start = SyPos;
        if (Sy == syMinus || Sy == syPlus) GetSy();
        GetSy();
        Fld->DefValue = CopyTxtFrom(Start);
      } else if (IsWord("OUTPUT") || IsWord("OUT")) {
        Fld->InOut = ioOut;
        GetSy();
      } else if (IsWord("IN") && !IsMSSQL()) {
        Fld->InOut = ioIn;
        GetSy();
      } else if (IsWord("INOUT") && !IsMSSQL()) {
        Fld->InOut = ioInout;
        GetSy();
      } else {
        break;
      }
    }
    Fld->Position = Routine.Params.Count();
    Routine.Params.Add(std::move(Fld));
    if (Sy != syComma) break;
    GetSy();
  }
  if (Parens) TestAndGetSy(syRParen);
}

void TTransactSQLParser::ParseRoutine(TPrcData* Routine, bool IsFunction, bool Alter) {
  const TName N = QualifiedName();
  std::int32_t Number = 0;
  if (Sy == sySemicolon && Ch >= '0' && Ch <= '9') {  // a numbered procedure: name;n
    GetSy();
    Number = IntValue;
    GetSy();
  }
  std::string Key = ObjKey(N);
  if (Number != 0 && IsMSSQL()) Key.append(";").append(std::to_string(Number));
  std::unique_ptr<TPrcData> Made;
  TPrcData* Prc = AlteredOrNew(Routine, Alter, Objs ? &Objs->Procedures : nullptr, Key, Made);
  SetNames(*Prc, N);
  FStatObjName = Prc->GetObjName();
  Prc->IsFunction = IsFunction;
  if (IsMSSQL()) Prc->ProcNumber = Number;
  Prc->Params.Clear();
  Prc->Results.Clear();
  Prc->ReturnsTable = false;
  Prc->WithOptions.clear();
  ParseParams(*Prc);
  if (IsFunction) {
    if (!IsWord("RETURNS")) {
      ErrMsg("Must be: RETURNS");
      return;
    }
    GetSy();
    if (IsWord("TABLE")) {
      Prc->ReturnsTable = true;
      GetSy();
    } else if (Sy == syIdent && Ident.front() == '@') {
      ErrMsg("Table variable results are not read: " + Ident);
      return;
    } else {
      auto Fld = std::make_unique<TFldData>(Objs);
      Fld->OwnerObj = Prc;
      ParseDataType(*Fld);
      Prc->Results.Add(std::move(Fld));
    }
  }
  if (IsWord("WITH")) {
    GetSy();
    const std::int32_t Start = SyPos;
    for (;;) {
      if (IsWord("EXECUTE") || IsWord("EXEC")) {  // EXECUTE AS caller | self | owner | 'user'
        GetSy();
        GetSy();
      }
      GetSy();
      if (Sy != syComma) break;
      GetSy();
    }
    Prc->WithOptions = CopyTxtFrom(Start);
  }
  if (IsWord("FOR")) {  // FOR REPLICATION
    GetSy();
    GetSy();
  }
  // The text is kept from AS on, as the writer puts it after the parameters.
  if (Sy == syEOF || Sy == syTerm) {
    ErrMsg("Missing: AS");
    return;
  }
  Prc->SetExtra(&TObjExtra::Body, BodyFrom(SyPos));
  if (Made) AddObj(std::move(Made));
}

void TTransactSQLParser::ParseTrigger(TTrgData* Trigger, bool Alter) {
  const TName N = QualifiedName();
  std::unique_ptr<TTrgData> Made;
  TTrgData* Trg = AlteredOrNew(Trigger, Alter, Objs ? &Objs->Triggers : nullptr, ObjKey(N), Made);
  SetNames(*Trg, N);
  FStatObjName = Trg->GetObjName();
  if (!IsWord("ON")) {
    ErrMsg("Must be: ON");
    return;
  }
  GetSy();
  Trg->Events = {};
  const bool ServerLevel = IsWord("DATABASE") || IsWord("ALL");
  if (ServerLevel) {
    Trg->SetOwnName(IsWord("ALL") ? "ALL SERVER" : "DATABASE");
    if (IsWord("ALL")) GetSy();
    GetSy();
  } else {
    const TName T = QualifiedName();
    // The trigger lives in the schema of its table.
    if (IsMSSQL() && N.Defaulted) Trg->SetSchema(T.Owner);
    Trg->SetOwnName(Fold(T.Name));
  }
  if (IsWord("WITH")) {  // WITH ENCRYPTION | EXECUTE AS ...
    GetSy();
    while (Sy == syIdent && !IsWord("FOR") && !IsWord("AFTER") && !IsWord("INSTEAD")) GetSy();
  }
  if (IsWord("FOR")) {
    Trg->Timing = baFor;
  } else if (IsWord("AFTER")) {
    Trg->Timing = baAfter;
  } else if (IsWord("INSTEAD")) {
    Trg->Timing = baInsteadOf;
    GetSy();
    if (!IsWord("OF")) ErrMsg("Must be: OF");
  } else {
    ErrMsg("Must be: FOR / AFTER / INSTEAD OF");
    return;
  }
  GetSy();
  if (ServerLevel) {
    const std::int32_t Start = SyPos;
    while (Sy != syEOF && Sy != syTerm && !IsWord("AS")) GetSy();
    Trg->EventText = CopyTxtFrom(Start);
  } else {
    ReadTriggerEventList(*Trg, [this](const char* Word) { return IsWord(Word); });
  }
  Trg->WithAppend = Trg->NotForReplication = false;
  for (;;) {
    if (IsWord("WITH")) {  // WITH APPEND
      Trg->WithAppend = true;
      GetSy();
      GetSy();
    } else if (IsWord("NOT")) {  // NOT FOR REPLICATION
      Trg->NotForReplication = true;
      GetSy();
      GetSy();
      GetSy();
    } else {
      break;
    }
  }
  if (!IsWord("AS")) {
    ErrMsg("Must be: AS");
    return;
  }
  SkipBlanks();
  Trg->SetExtra(&TObjExtra::Body, BodyFrom(Pos - 1));
  if (Made && !LeftOut(Trg->OwnName)) AddObj(std::move(Made));
}

}  // namespace qel
