// The DB2 script parser's view and trigger grammar, and the layout of view bodies.
#include "qelDB2Parser.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string_view>
#include <utility>

#include "Text.h"
#include "qelClasses.h"
#include "qelComp_Prc.h"
#include "qelResWords.h"

namespace qel {

// ---------------------------------------------------------------------------------------------
// View body layout

std::string DB2FormatBody(const std::string& Text) {
  constexpr std::size_t MaxLine = 80;
  if (Text.size() < MaxLine) return Text;
  const std::string T = StringReplace(Text, "\r\n", " ", true, false);
  std::string R;
  // Positions count from 1, as the layout rule is stated.
  std::size_t Start = 1;
  std::size_t LastBlank = 0;
  auto Emit = [&R, &T](std::size_t From, std::size_t Count) {
    R += T.substr(From - 1, Count);
    R += "\r\n";
  };
  for (std::size_t I = 1; I <= T.size(); ++I) {
    if (T[I - 1] != ' ') continue;
    const std::size_t Len = I - Start;
    if (Len < MaxLine) {
      LastBlank = I;
    } else if (LastBlank > Start) {
      Emit(Start, LastBlank - Start);
      Start = LastBlank + 1;
    } else {
      Emit(Start, Len);
      Start = I + 1;
      LastBlank = I;
    }
  }
  if (Start <= T.size()) Emit(Start, T.size() - Start + 1);
  return Trim(R);
}

// ---------------------------------------------------------------------------------------------
// Views

void TDB2Parser::ParseCreateView(TViwData* View) {
  std::unique_ptr<TViwData> New;
  if (!View) {
    New = std::make_unique<TViwData>(Objs);
    View = New.get();
  }
  TestAndGetSy(db2VIEW);
  Obj_Ident(dboUnknown);
  View->SetObjName(IdentName);
  View->SetSchema(SchemaOf(IdentOwner));
  // A view read again from its catalog text keeps the path the catalog gave it.
  if (New) View->Path = CurrentPath();
  if (Sy == syLParen) {
    TStringList Names;
    ParseColumnList(nullptr, &Names);
    if (New) {
      for (const std::string& N : Names) AddViewColumn(*View, N);
    }
  }
  TestSy(db2AS);
  if (Sy != db2AS) return;
  GetSy();
  View->SetExtra(&TObjExtra::Body, DB2FormatBody(RestOfStatement(SyPos)));
  Report(stStatement, View->GetObjName(), dboView, odbCreate);
  if (New) AddObj(std::move(New));
}

// ---------------------------------------------------------------------------------------------
// Triggers

void TDB2Parser::ParseCreateTrigger(TTrgData* Trigger) {
  std::unique_ptr<TTrgData> New;
  if (!Trigger) {
    New = std::make_unique<TTrgData>(Objs);
    Trigger = New.get();
  }
  TestAndGetSy(db2TRIGGER);
  Obj_Ident(dboUnknown);
  Trigger->SetObjName(IdentName);
  Trigger->SetSchema(SchemaOf(IdentOwner));
  if (Sy == db2NO) {
    GetSy();
    TestIdent("CASCADE");
    GetSy();
    TestAndGetSy(db2BEFORE);
    Trigger->Timing = baBefore;
  } else if (Sy == db2AFTER) {
    GetSy();
    Trigger->Timing = baAfter;
  } else {
    ErrMsg("Must be: NO CASCADE DBEFORE / AFTER");
    GetSy();
  }
  // One event; the writers put further ones after OR.
  for (;;) {
    const auto Event =
        ReadTriggerEvent(*Trigger, [this](const char* Word) { return IsWord(Word); });
    if (!Event) {
      ErrMsg("Must be: INSERT/ UPDATE / DELETE");
      GetSy();
    } else if (*Event == iudUpdate && Sy == db2OF) {
      GetSy();
      Trigger->Columns.Clear();
      ParseColumnList(nullptr, &Trigger->Columns);
    }
    if (!IsWord("OR")) break;
    GetSy();
  }
  TestAndGetSy(db2ON);
  Obj_Ident(dboUnknown);
  Trigger->SetOwnName(IdentName);
  if (Sy == db2REFERENCING) {
    GetSy();
    for (;;) {
      std::string* Alias = nullptr;
      if (Sy == db2NEW)
        Alias = &Trigger->NewAlias;
      else if (Sy == db2OLD)
        Alias = &Trigger->OldAlias;
      else if (Sy == db2NEW_TABLE)
        Alias = &Trigger->NewTableAlias;
      else if (Sy == db2OLD_TABLE)
        Alias = &Trigger->OldTableAlias;
      else
        break;
      GetSy();
      TestAndGetSy(db2AS);
      if (Sy == syIdent) *Alias = Ident;
      TestAndGetSy(syIdent);
    }
  }
  TestAndGetSy(db2FOR);
  TestAndGetSy(db2EACH);
  if (Sy == db2ROW)
    Trigger->ForEachRow = true;
  else if (IsWord("STATEMENT"))
    Trigger->ForEachStatement = true;
  GetSy();
  TestAndGetSy(db2MODE);
  TestSy(db2DB2SQL);
  Trigger->Mode = UpperCase(Ident);
  GetSy();
  if (Sy == db2WHEN) {
    SkipBlanks();
    Trigger->WhenCondition = CrLfLineBreaks(GetExpr());
  }
  Trigger->SetExtra(&TObjExtra::Body, RestOfStatement(SyPos));
  Report(stTrigger, Trigger->GetObjName(), dboTrigger, odbCreate, Trigger->OwnName);
  if (New) AddObj(std::move(New));
}

}  // namespace qel
