// The InterBase/Firebird script parser's view, procedure, trigger and external function grammar.
#include "qelIBParser.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>
#include <utility>

#include "Text.h"
#include "qelClasses.h"
#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Dmn.h"
#include "qelComp_Exc.h"
#include "qelComp_Fnc.h"
#include "qelComp_Gnr.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Rol.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelResWords.h"

namespace qel {

// ---------------------------------------------------------------------------------------------
// Views, procedures, triggers

void TIbParser::ParseView() {
  GetSy();
  auto V = std::make_unique<TViwData>(Objs);
  const std::string N = Name();
  V->SetObjName(N);
  if (Sy == syLParen) {
    TStringList Names;
    ParseNameList(Names);
    for (const std::string& C : Names) {
      auto F = std::make_unique<TFldData>(Objs);
      F->SetObjName(C);
      F->TableName = N;
      F->OwnerObj = V.get();
      F->Position = V->Fields.Count() + 1;
      V->Fields.Add(std::move(F));
    }
  }
  ExpectWord("AS");
  V->SetExtra(&TObjExtra::Body, RestOfStatement(SyPos));
  if (auto* O = dynamic_cast<TObjs*>(Objs)) Replace(O->Views, N);
  Report(stStatement, N, dboView, odbCreate);
  AddObj(std::move(V));
}

void TIbParser::ParseParams(TDbObj& Owner, TObjVector<TFldData>& List) {
  TestAndGetSy(syLParen);
  while (Sy != syRParen && Sy != syEOF && Sy != syTerm) {
    auto F = std::make_unique<TFldData>(Objs);
    F->SetObjName(Name());
    F->OwnerObj = &Owner;
    F->TableName = Owner.GetObjName();
    F->Position = List.Count() + 1;
    TFldData* P = List.Add(std::move(F));
    ParseColumnDef(*P, nullptr);
    if (Sy == syEqual) {
      GetSy();
      P->DefValue = ParseDefault();
    }
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
}

void TIbParser::ParseProcedure(bool Alter) {
  GetSy();
  const std::string N = Name();
  auto P = std::make_unique<TPrcData>(Objs);
  P->SetObjName(N);
  if (Sy == syLParen) ParseParams(*P, P->Params);
  if (IsWord("RETURNS")) {
    GetSy();
    ParseParams(*P, P->Results);
  }
  ExpectWord("AS");
  // The body as the server keeps it: from the first word after AS to the terminator.
  P->SetExtra(&TObjExtra::Body, RestOfStatement(SyPos));
  Report(stProcedure, N, dboProcedure, Alter ? odbAlter : odbCreate);
  auto* O = dynamic_cast<TObjs*>(Objs);
  if (O) Replace(O->Procedures, N);
  if (Alter && O) Remove(O->Procedures, N);
  AddObj(std::move(P));
}

namespace {

/// A trigger's event word: 1 insert, 2 update, 3 delete; 0 for another word.
int EventSlot(const std::string& Word) {
  if (Word == "INSERT") return 1;
  if (Word == "UPDATE") return 2;
  if (Word == "DELETE") return 3;
  return 0;
}

}  // namespace

void TIbParser::ParseTrigger(bool Alter) {
  GetSy();
  const std::string N = Name();
  auto* O = dynamic_cast<TObjs*>(Objs);
  TTrgData* Existing = Alter && O ? dynamic_cast<TTrgData*>(O->Triggers.FindObj(N)) : nullptr;
  auto New = std::make_unique<TTrgData>(Objs);
  TTrgData* T = Existing ? Existing : New.get();
  T->SetObjName(N);
  if (IsWord("FOR")) {
    GetSy();
    T->OwnName = Name();
  }
  bool TypeGiven = false;
  int After = 0;
  int Slots[3] = {0, 0, 0};
  for (;;) {
    if (IsWord("ACTIVE")) {
      T->Active = true;
      GetSy();
    } else if (IsWord("INACTIVE")) {
      T->Active = false;
      GetSy();
    } else if (IsWord("BEFORE") || IsWord("AFTER")) {
      TypeGiven = true;
      After = IsWord("AFTER") ? 1 : 0;
      GetSy();
      for (int I = 0; I < 3; ++I) {
        Slots[I] = EventSlot(UpperCase(Ident));
        if (Slots[I] == 0) {
          ErrMsg("Unknown trigger event: " + Ident);
          return;
        }
        GetSy();
        if (!IsWord("OR")) break;
        GetSy();
      }
    } else if (IsWord("POSITION")) {
      GetSy();
      ReadInt(T->Position);
    } else if (IsWord("ON") && !Alter) {
      GetSy();
      T->OwnName = Name();
    } else {
      break;
    }
  }
  if (TypeGiven) {
    // The server's trigger type: 1 + after, the event slots packed two bits apart from bit 1.
    const int V = After | (Slots[0] << 1) | (Slots[1] << 3) | (Slots[2] << 5);
    T->TrgType = V - 1;
  }
  if (Sy != syTerm && Sy != syEOF) {
    T->SetExtra(&TObjExtra::Body, RestOfStatement(SyPos));
  } else if (!Alter) {
    ErrMsg("Trigger " + N + " has no body.");
    return;
  }
  Report(stTrigger, N, dboTrigger, Alter ? odbAlter : odbCreate);
  if (Existing) return;
  if (Alter) {
    // ALTER TRIGGER of a trigger the script did not make: run, not modelled.
    return;
  }
  if (O) Replace(O->Triggers, N);
  AddObj(std::move(New));
}

// ---------------------------------------------------------------------------------------------
// COMMENT ON, GRANT, DECLARE EXTERNAL FUNCTION

void TIbParser::ParseDeclare() {
  GetSy();
  if (!IsWord("EXTERNAL")) {
    ErrMsg("Unknown statement: DECLARE " + Ident);
    return;
  }
  GetSy();
  ExpectWord("FUNCTION");
  auto U = std::make_unique<TUdfData>(Objs);
  const std::string N = Name();
  U->SetObjName(N);
  // A parameter's or the result's type: CSTRING(n) [CHARACTER SET c] or a column type.
  auto ArgType = [this](TFldData& F) {
    if (IsWord("CSTRING")) {
      GetSy();
      F.FieldType = iftCstring;
      TestAndGetSy(syLParen);
      ReadInt(F.Size);
      TestAndGetSy(syRParen);
      ParseCharSet(F);
    } else {
      ParseDataType(F);
    }
  };
  auto PassBy = [this](TFldData& F) {
    if (IsWord("BY")) {
      GetSy();
      if (IsWord("DESCRIPTOR")) F.ByDescriptor = true;
      if (IsWord("VALUE")) F.ByValue = true;
      GetSy();
    }
  };
  // Arguments have types and no names.
  while (!IsWord("RETURNS") && Sy != syTerm && Sy != syEOF) {
    TFldData* P = U->AddParam();
    ArgType(*P);
    PassBy(*P);
    if (Sy != syComma) break;
    GetSy();
  }
  ExpectWord("RETURNS");
  if (IsWord("PARAMETER")) {
    GetSy();
    ReadInt(U->ReturnParam->EditExtra().ReturnParam);
  } else {
    ArgType(*U->ReturnParam);
  }
  PassBy(*U->ReturnParam);
  for (;;) {
    if (IsWord("FREE_IT")) {
      U->FreeIt = true;
      GetSy();
    } else if (IsWord("ENTRY_POINT")) {
      GetSy();
      if (Sy == syString) U->EntryPoint = StrValue;
      TestAndGetSy(syString);
    } else if (IsWord("MODULE_NAME")) {
      GetSy();
      if (Sy == syString) U->ModuleName = StrValue;
      TestAndGetSy(syString);
    } else {
      break;
    }
  }
  Report(stStatement, N, dboFunction, odbCreate);
  AddObj(std::move(U));
}

}  // namespace qel
