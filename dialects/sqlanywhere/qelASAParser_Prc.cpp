// The SQL Anywhere script parser's routine, trigger, view, event and publication grammar.
#include "qelASAParser.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string_view>
#include <utility>

#include "Text.h"
#include "qelClasses.h"
#include "qelComp_Dmn.h"
#include "qelResWords.h"

namespace qel {

// ---------------------------------------------------------------------------------------------
// Routines

void TASAParser::ParseParams(TPrcData& Routine) {
  if (Sy == syLParen) {
    GetSy();
    while (Sy != syRParen && Sy != syEOF && Sy != syTerm) {
      TParamInOutType Dir = ioUnknown;
      if (Sy == asaIN) {
        Dir = ioIn;
        GetSy();
      } else if (Sy == asaOUT) {
        Dir = ioOut;
        GetSy();
      } else if (Sy == asaINOUT) {
        Dir = ioInout;
        GetSy();
      }
      auto Fld = std::make_unique<TFldData>(Objs);
      Fld->SetObjName(Sy == syIdent ? Ident : StrValue);
      TestAndGetSy(syIdent);
      Fld->InOut = Dir;
      Fld->OwnerObj = &Routine;
      ParseDataType(*Fld);
      ParseFieldDesc(*Fld, nullptr);
      if (Sy == syEqual) {
        GetSy();
        Fld->DefValue = GetDefaultValue();
      }
      Fld->Position = Routine.Params.Count();
      Routine.Params.Add(std::move(Fld));
      if (Sy != syComma) break;
      GetSy();
    }
    TestAndGetSy(syRParen);
  }
  if (IsWord("RETURNS")) {
    GetSy();
    auto Fld = std::make_unique<TFldData>(Objs);
    Fld->OwnerObj = &Routine;
    ParseDataType(*Fld);
    Routine.Results.Add(std::move(Fld));
  }
  if (IsWord("RESULT")) {
    GetSy();
    TestAndGetSy(syLParen);
    for (;;) {
      auto Fld = std::make_unique<TFldData>(Objs);
      Fld->SetObjName(Sy == syIdent ? Ident : StrValue);
      TestAndGetSy(syIdent);
      Fld->OwnerObj = &Routine;
      ParseDataType(*Fld);
      Fld->Position = Routine.Results.Count();
      Routine.Results.Add(std::move(Fld));
      if (Sy != syComma) break;
      GetSy();
    }
    TestAndGetSy(syRParen);
  }
}

void TASAParser::ParseProc(TPrcData* Routine, bool IsProcedure, bool FindExisting) {
  Obj_Ident(dboProcedure);
  StatObjName = IdentName;
  const std::string Owner = IdentOwner.empty() ? "DBA" : IdentOwner;
  TPrcData* Prc = Routine;
  std::unique_ptr<TPrcData> Made;
  if (!Prc && FindExisting && Objs)
    Prc = dynamic_cast<TPrcData*>(Objs->Procedures.FindObj(IdentName));
  if (!Prc) {
    Made = std::make_unique<TPrcData>(Objs);
    Prc = Made.get();
  }
  Prc->IsFunction = !IsProcedure;
  Prc->SetObjName(IdentName);
  Prc->SetExtra(&TObjExtra::Creator, Owner);
  if (IsWord("REPLICATE")) {
    GetSy();
    if (Sy != asaON && Sy != asaOFF) ErrMsg("Must be: ON / OFF");
    GetSy();
    return;
  }
  if (Sy == asaSET) {
    GetSy();
    TestIdent("HIDDEN");
    GetSy();
    return;
  }
  Prc->Params.Clear();
  Prc->Results.Clear();
  ParseParams(*Prc);
  Prc->SetExtra(&TObjExtra::Body, BodyFrom(SyPos, beBlock));
  if (Made) AddObj(std::move(Made));
}

// ---------------------------------------------------------------------------------------------
// Triggers and views

void TASAParser::ParseTrigger(TTrgData* Trigger) {
  std::unique_ptr<TTrgData> Made;
  TTrgData* Trg = Trigger;
  if (!Trg) {
    Made = std::make_unique<TTrgData>(Objs);
    Trg = Made.get();
  }
  Obj_Ident(dboUnknown);
  Trg->SetObjName(IdentName);
  StatObjName = IdentName;
  std::string TableOwner, Table;
  if (Sy == asaON) {
    // Transact-SQL form: ON table FOR events AS body.
    Trg->TransactSQL = true;
    GetSy();
    OwnerName(TableOwner, Table, false);
    if (!TableOwner.empty()) Trg->SetExtra(&TObjExtra::Creator, TableOwner);
    Trg->SetOwnName(Table);
    TestAndGetSy(asaFOR);
    ReadTriggerEventList(*Trg, [this](const char* Word) { return IsWord(Word); });
    TestSy(asaAS);
    SkipBlanks();
    // A Transact-SQL body closes with no word of its own: it runs to the GO line.
    Trg->SetExtra(&TObjExtra::Body, BodyToGoLine(Pos - 1, false));
  } else {
    if (IsWord("BEFORE"))
      Trg->Timing = baBefore;
    else if (IsWord("AFTER"))
      Trg->Timing = baAfter;
    else if (IsWord("RESOLVE"))
      Trg->Timing = baResolve;
    else
      ErrMsg("Must be: BEFORE / AFTER / RESOLVE");
    GetSy();
    auto IsEvent = [this] { return Sy == asaINSERT || Sy == asaDELETE || Sy == asaUPDATE; };
    for (;;) {
      bool CommaRead = false;  // UPDATE OF a, b, DELETE: the comma before DELETE is read
      const auto Event = ReadTriggerEvent(*Trg, [this](const char* Word) { return IsWord(Word); });
      if (!Event) {
        ErrMsg("Must be: INSERT / UPDATE / DELETE");
        GetSy();
      } else if (*Event == iudUpdate && Sy == asaOF) {
        GetSy();
        for (;;) {
          Trg->Columns.Add(NamePart());
          if (Sy != syComma) break;
          GetSy();
          if (IsEvent()) {
            CommaRead = true;
            break;
          }
        }
      }
      if (CommaRead) continue;
      if (Sy != syComma) break;
      GetSy();
    }
    if (Sy == asaORDER) {
      GetSy();
      if (Sy == syInteger) Trg->Position = IntValue;
      TestAndGetSy(syInteger);
    }
    TestAndGetSy(asaON);
    OwnerName(TableOwner, Table, false);
    Trg->SetExtra(&TObjExtra::Creator, TableOwner);
    Trg->SetOwnName(Table);
    if (IsWord("REFERENCING")) {
      GetSy();
      for (;;) {
        std::string* Alias = nullptr;
        if (IsWord("OLD"))
          Alias = &Trg->OldAlias;
        else if (IsWord("NEW"))
          Alias = &Trg->NewAlias;
        else if (Sy == asaREMOTE)
          Alias = &Trg->RemoteAlias;
        if (!Alias) break;
        GetSy();
        TestAndGetSy(asaAS);
        *Alias = NamePart();
      }
    }
    if (Sy == asaFOR) {
      GetSy();
      TestIdent("EACH");
      GetSy();
      if (IsWord("ROW"))
        Trg->ForEachRow = true;
      else if (IsWord("STATEMENT"))
        Trg->ForEachStatement = true;
      else
        ErrMsg("Must be: FOR EACH ROW / FOR EACH STATEMENT");
      GetSy();
    }
    Trg->SetExtra(&TObjExtra::Body, BodyFrom(SyPos, beBlock));
  }
  if (Made) AddObj(std::move(Made));
}

void TASAParser::ParseView(TViwData* View) {
  TestAndGetSy(asaVIEW);
  std::unique_ptr<TViwData> Made;
  TViwData* Viw = View;
  if (!Viw) {
    Made = std::make_unique<TViwData>(Objs);
    Viw = Made.get();
  }
  Obj_Ident(Viw);
  StatObjName = Viw->GetObjName();
  ParseViewColumns(*Viw, [this] { return NamePart(); });
  TestSy(asaAS);
  SkipBlanks();
  const std::int32_t From = Pos - 1;
  Viw->SetExtra(&TObjExtra::Body, BodyFrom(From, beStatement));
  TellStatementInside(From, SyPos, {.Query = true});
  if (Made) AddObj(std::move(Made));
}

// ---------------------------------------------------------------------------------------------
// Events and publications

void TASAParser::ParseSchedule(TEvtData& Event) {
  std::string Name;
  if (Sy == syIdent && !IsWord("START") && !IsWord("EVERY")) Name = NamePart();
  TEvtSdlData* Sdl = Event.AddSchedule(Name);
  if (Sy == asaSTART) {
    GetSy();
    TestSy(asaTIME);
    GetSy();
    if (Sy == syString) Sdl->StartTime = StrValue;
    TestAndGetSy(syString);
  } else if (Sy == asaBETWEEN) {
    GetSy();
    if (Sy == syString) Sdl->StartTime = StrValue;
    TestAndGetSy(syString);
    TestAndGetSy(asaAND);
    if (Sy == syString) Sdl->EndTime = StrValue;
    TestAndGetSy(syString);
  } else {
    ErrMsg("Must be: START TIME / BETWEEN");
  }
  if (IsWord("EVERY")) {
    GetSy();
    const std::int32_t N = Sy == syInteger ? IntValue : 0;
    TestAndGetSy(syInteger);
    if (IsWord("HOURS"))
      Sdl->EveryHours = N;
    else if (IsWord("MINUTES"))
      Sdl->EveryMinutes = N;
    else if (IsWord("SECONDS"))
      Sdl->EverySeconds = N;
    else
      ErrMsg("Must be: HOURS / MINUTES / SECONDS");
    GetSy();
  }
  if (Sy == asaON) {
    GetSy();
    TestAndGetSy(syLParen);
    for (;;) {
      // Numbers are days of the month (0 the last), names days of the week.
      if (Sy == syInteger)
        Sdl->AddDayOfMonth(IntValue);
      else if (Sy == syString)
        Sdl->AddDayOfWeek(StrValue);
      else
        TestSy(syInteger);
      GetSy();
      if (Sy != syComma) break;
      GetSy();
    }
    TestAndGetSy(syRParen);
  }
  if (Sy == asaSTART) {
    GetSy();
    TestAndGetSy(asaDATE);
    if (Sy == syString) Sdl->StartDate = StrValue;
    TestAndGetSy(syString);
  }
}

void TASAParser::StatementCreateEvent() {
  StatDbObject = dboEvent;
  GetSy();
  auto Evt = std::make_unique<TEvtData>(Objs);
  Evt->SetObjName(NamePart());
  StatObjName = Evt->GetObjName();
  if (IsWord("TYPE")) {
    GetSy();
    Evt->EventType = NamePart();
  }
  if (IsWord("WHERE")) {
    // The trigger condition of a system event: up to the clause that follows it.
    GetSy();
    const std::int32_t Start = SyPos;
    int Depth = 0;
    while (Sy != syEOF && Sy != syTerm &&
           !(Depth == 0 && (IsWord("SCHEDULE") || IsWord("ENABLE") || IsWord("DISABLE") ||
                            IsWord("AT") || IsWord("HANDLER")))) {
      if (Sy == syLParen) ++Depth;
      if (Sy == syRParen) --Depth;
      GetSy();
    }
    Evt->Condition = CopyTxtFrom(Start);
  }
  if (IsWord("SCHEDULE")) {
    GetSy();
    for (;;) {
      ParseSchedule(*Evt);
      if (Sy != syComma) break;
      GetSy();
      if (IsWord("SCHEDULE")) GetSy();  // the writer repeats the word for every schedule
    }
  }
  if (IsWord("ENABLE")) {
    Evt->Enabled = true;
    GetSy();
  } else if (IsWord("DISABLE")) {
    Evt->Enabled = false;
    GetSy();
  }
  if (IsWord("AT")) {
    GetSy();
    if (IsWord("CONSOLIDATED") || Sy == asaREMOTE || Sy == asaALL)
      Evt->Location = UpperCase(Ident);
    else
      ErrMsg("Must be: CONSOLIDATED / REMOTE / ALL");
    GetSy();
  }
  if (IsWord("HANDLER")) {
    SkipBlanks();
    Evt->SetExtra(&TObjExtra::Body, BodyFrom(Pos - 1, beBlock));
  }
  AddObj(std::move(Evt));
}

void TASAParser::StatementAlterEvent() {
  StatDbObject = dboEvent;
  GetSy();
  const std::string Name = NamePart();
  StatObjName = Name;
  TEvtData Scratch(Objs);
  TEvtData* Evt = Objs ? dynamic_cast<TEvtData*>(Objs->Events.FindObj(Name)) : nullptr;
  if (!Evt) Evt = &Scratch;
  for (;;) {
    if (Sy == asaDELETE) {
      GetSy();
      if (IsWord("TYPE"))
        Evt->EventType.clear();
      else if (IsWord("HANDLER"))
        Evt->SetExtra(&TObjExtra::Body, std::string());
      else
        ErrMsg("Must be: TYPE / HANDLER");
      GetSy();
    } else if (IsWord("TYPE")) {
      GetSy();
      NamePart();
    } else if (Sy == asaADD) {
      GetSy();
      TestIdent("SCHEDULE");
      GetSy();
      ParseSchedule(*Evt);
    } else {
      break;
    }
  }
}

void TASAParser::ParsePublication() {
  TestAndGetSy(asaPUBLICATION);
  auto Pbl = std::make_unique<TPblData>(Objs);
  Obj_Ident(Pbl.get());
  StatObjName = Pbl->GetObjName();
  if (Sy != syLParen) return;
  GetSy();
  for (;;) {
    TestAndGetSy(asaTABLE);
    std::string Owner, Table;
    OwnerName(Owner, Table, true);
    TPblArtData* Art = Pbl->AddArticle(Owner, Table);
    if (Sy == syLParen) {
      GetSy();
      for (;;) {
        const std::string Col = NamePart();
        if (Art) Art->Columns.Add(Col);
        if (Sy != syComma) break;
        GetSy();
      }
      TestAndGetSy(syRParen);
    }
    // WHERE condition and SUBSCRIBE BY expression, each up to the next article.
    auto Clause = [this]() {
      GetSy();
      const std::int32_t Start = SyPos;
      int Depth = 0;
      while (Sy != syEOF && Sy != syTerm &&
             !(Depth == 0 && (Sy == syComma || Sy == syRParen || IsWord("SUBSCRIBE")))) {
        if (Sy == syLParen) ++Depth;
        if (Sy == syRParen) --Depth;
        GetSy();
      }
      return CopyTxtFrom(Start);
    };
    if (IsWord("WHERE")) {
      const std::string Where = Clause();
      if (Art) Art->WhereText = Where;
    }
    if (IsWord("SUBSCRIBE")) {
      GetSy();
      TestSy(asaBY);
      const std::string By = Clause();
      if (Art) Art->SubscribeByText = By;
    }
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
  AddObj(std::move(Pbl));
}

}  // namespace qel
