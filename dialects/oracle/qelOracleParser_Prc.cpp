// The Oracle script parser's routine grammar: views, triggers (with ALTER TRIGGER), procedures,
// functions, packages, and object, VARRAY and nested-table types (with ALTER TYPE). PL/SQL is
// kept as text.
#include <memory>
#include <string>
#include <utility>

#include "Text.h"
#include "qelClasses.h"
#include "qelCompObj.h"
#include "qelOracleParser.h"

namespace qel {
// ---------------------------------------------------------------------------------------------
// Views

void TOracleParser::ParseView(TViwData* Given, bool Force) {
  GetSy();
  Obj_Ident(dboView);
  std::unique_ptr<TViwData> New;
  TViwData* View = GivenOrNew(Given, New);
  SetName(*View);
  View->Force = Force;
  StatObjKind = dboView;
  StatObjName = IdentName;
  if (Sy == oraOF) {
    GetSy();
    if (Sy == syIdent) View->ObjectType = Ident;
    TestAndGetSy(syIdent);
  }
  if (Sy == oraWITH) {
    GetSy();
    TestIdent("OBJECT");
    GetSy();
    if (Sy == oraIDENTIFIER) {
      GetSy();
    } else {
      View->IdentifierKeyword = Ident;
      TestAndGetSy(syIdent);
    }
    View->IdentifierColumns.Clear();
    if (Sy == syLParen) FieldsSeq(&View->IdentifierColumns);
  }
  if (Sy == syLParen) {
    TStringList Names;
    FieldsSeq(&Names);
    View->Fields.Clear();
    for (const std::string& N : Names) AddViewColumn(*View, N);
  }
  TestSy(oraAS);
  if (Sy != oraAS) return;
  const std::size_t From = AfterSy();
  View->SetExtra(&TObjExtra::Body, CrLfLineBreaks(Trim(BlockCopy(From, beViewEnd))));
  TellStatementInside(static_cast<std::int32_t>(From) + 1, SyPos, {.Query = true});
  if (Sy == syEOF) ErrMsg("Missing: <TERM> (<EOF>)");  // SQL*Plus runs no unended statement
  DoLogNextLine("View: " + View->GetObjName());
  if (!New) return;
  // OR REPLACE: the view read last is the one the server keeps.
  if (FOrReplace && Objs) RemoveObj(Objs->Views, View->ObjKeyDef());
  AddObj(std::move(New));
}

// ---------------------------------------------------------------------------------------------
// Triggers

void TOracleParser::ParseTrigger(TTrgData* Given) {
  GetSy();
  Obj_Ident(dboTrigger);
  std::unique_ptr<TTrgData> New;
  TTrgData* Trg = GivenOrNew(Given, New);
  SetName(*Trg);
  StatType = stTrigger;
  StatObjKind = dboTrigger;
  StatObjName = IdentName;
  ParseTriggerEvents(*Trg);
  TestAndGetSy(oraON);
  Obj_Ident(dboTable);
  Trg->SetOwnName(IdentName);
  StatOwnName = IdentName;
  if (IsWord("REFERENCING")) ParseTriggerAliases(*Trg);
  if (Sy == oraFOR) {
    GetSy();
    TestIdent("EACH");
    GetSy();
    if (Sy == oraROW)
      Trg->ForEachRow = true;
    else if (IsWord("STATEMENT"))
      Trg->ForEachStatement = true;
    else
      TestSy(oraROW);
    GetSy();
  }
  if (IsWord("WHEN")) {
    SkipBlanks();
    Trg->WhenCondition = GetExpr();
  }
  Trg->SetExtra(&TObjExtra::Body, UnitText());
  DoLogNextLine("Trigger: " + Trg->GetObjName());
  if (New && !FUnterminated) AddObj(std::move(New));
}

void TOracleParser::ParseTriggerEvents(TTrgData& Trg) {
  if (IsWord("BEFORE")) {
    Trg.Timing = baBefore;
    GetSy();
  } else if (IsWord("AFTER")) {
    Trg.Timing = baAfter;
    GetSy();
  } else if (IsWord("INSTEAD")) {
    Trg.Timing = baInsteadOf;
    GetSy();
    TestAndGetSy(oraOF);
  } else {
    ErrMsg("Must be: BEFORE / AFTER / INSTEAD OF");
    GetSy();
  }
  Trg.Events = TInsUpdDelSet{};
  Trg.Columns.Clear();
  for (;;) {
    const auto Event = ReadTriggerEvent(Trg, [this](const char* Word) { return IsWord(Word); });
    if (Event == iudUpdate && Sy == oraOF) {
      GetSy();
      for (;;) {
        if (Sy == syIdent) Trg.Columns.Add(Ident);
        TestAndGetSy(syIdent);
        if (Sy != syComma) break;
        GetSy();
      }
    }
    if (Sy != oraOR) break;
    GetSy();
  }
}

void TOracleParser::ParseTriggerAliases(TTrgData& Trg) {
  GetSy();
  for (;;) {
    std::string* Alias = nullptr;
    if (IsWord("NEW"))
      Alias = &Trg.NewAlias;
    else if (IsWord("OLD"))
      Alias = &Trg.OldAlias;
    else if (IsWord("PARENT"))
      Alias = &Trg.ParentAlias;
    else
      break;
    GetSy();
    TestAndGetSy(oraAS);
    if (Sy == syIdent) *Alias = Ident;
    TestAndGetSy(syIdent);
  }
}

void TOracleParser::ParseAlterTrigger() {
  GetSy();
  Obj_Ident(dboTrigger);
  TObjs* O = Collection();
  TTrgData* Trg = O ? O->GetTrigger(IdentName) : nullptr;
  if (IsWord("ENABLE")) {
    if (Trg) Trg->Active = true;
    GetSy();
  } else if (IsWord("DISABLE")) {
    if (Trg) Trg->Active = false;
    GetSy();
  } else if (IsWord("COMPILE")) {
    GetSy();
  }
}

// ---------------------------------------------------------------------------------------------
// Procedures, functions, packages

std::string TOracleParser::UnitText() {
  return CrLfLineBreaks(Trim(BlockCopyAt(static_cast<std::size_t>(SyPos - 1))));
}

void TOracleParser::ParseRoutine(TPrcData* Given, bool IsFunction) {
  GetSy();
  std::unique_ptr<TPrcData> New;
  TPrcData* Prc = GivenOrNew(Given, New);
  if (IsFunction) Prc->IsFunction = true;
  TestSy(syIdent);
  Obj_Ident(dboProcedure);
  SetName(*Prc);
  StatType = stProcedure;
  if (!IsFunction) StatObjKind = dboProcedure;
  StatObjName = IdentName;
  Prc->SetExtra(&TObjExtra::Body, UnitText());
  DoLogNextLine((IsFunction ? "Function: " : "Procedure: ") + Prc->GetObjName());
  if (!New || FUnterminated) return;
  // A function is filed as it is; a procedure passes the collection's filter.
  if (const int I = Objs && IsFunction ? Objs->Procedures.IndexOf(New->ObjKeyDef()) : -1;
      I >= 0 && StatementReplaces()) {
    // CREATE OR REPLACE FUNCTION: the new text takes the place of the one that stands.
    if (New->Extra().Description.empty())
      New->SetExtra(&TObjExtra::Description, Objs->Procedures.Objects(I)->Extra().Description);
    Objs->RemoveDepend(Objs->Procedures.Objects(I));
    Objs->Procedures.Delete(I);
  }
  if (!IsFunction)
    AddObj(std::move(New));
  else if (Objs && Objs->Procedures.Add(New->ObjKeyDef(), New.get()))
    (void)New.release();
  else if (const TDbObj* Old = Objs ? Objs->Procedures.FindObj(New->ObjKeyDef()) : nullptr)
    TestDefinedTwice("Function " + New->GetObjName(), *Old);
}

void TOracleParser::ParsePackage(TPkgData* Given) {
  GetSy();
  bool IsBody = false;
  if (IsWord("BODY")) {
    IsBody = true;
    GetSy();
  }
  TestSy(syIdent);
  Obj_Ident(dboPackage);
  TObjs* O = Collection();
  std::unique_ptr<TPkgData> New;
  TPkgData* Pkg = Given;
  if (!Pkg && O) Pkg = O->GetPackage(IdentName);
  if (!Pkg) {
    New = std::make_unique<TPkgData>(Objs);
    Pkg = New.get();
    SetName(*Pkg);
  }
  StatType = stPackage;
  StatObjName = IdentName;
  (IsBody ? Pkg->BodySource : Pkg->HeaderSource) = UnitText();
  DoLogNextLine("Package: " + Pkg->GetObjName());
  if (New && !FUnterminated) AddObj(std::move(New));
}

// ---------------------------------------------------------------------------------------------
// Types

void TOracleParser::ParseTypeDirective(TTypeDirective& Directive) {
  for (;;) {
    if (Sy == oraNOT) {
      GetSy();
      if (IsWord("INSTANTIABLE"))
        Directive.NotInstantiable = true;
      else if (IsWord("FINAL"))
        Directive.NotFinal = true;
      else {
        ErrMsg("Unknown MEMBER declaration.");
        return;
      }
    } else if (IsWord("FINAL")) {
      Directive.Final = true;
    } else if (IsWord("INSTANTIABLE")) {
      Directive.Instantiable = true;
    } else if (IsWord("OVERRIDING")) {
      Directive.Overriding = true;
    } else {
      return;
    }
    GetSy();
  }
}

void TOracleParser::ParseType(TDmnData* Given) {
  GetSy();
  TestSy(syIdent);
  Obj_Ident(dboDomain);
  const std::string Name = IdentName;
  TObjs* O = Collection();
  if (!Given && O && O->GetDomain(Name))
    DoErrorMessage("Data type: " + Name + " already declared.");
  std::unique_ptr<TDmnData> New;
  TDmnData* Dmn = GivenOrNew(Given, New);
  SetName(*Dmn);
  StatObjName = Name;
  // The catalog's stamp of the type's version, and its object identifier: each may stand
  // without the other (a script that fixes the OID to match another database has no stamp).
  for (std::string* Text : {&Dmn->TimestampText, &Dmn->OidText}) {
    if (!IsWord(Text == &Dmn->OidText ? "OID" : "TIMESTAMP")) continue;
    GetSy();
    *Text = StrValue;
    TestAndGetSy(syString);
  }
  if (!(IsWord("UNDER") ? ParseSubType(*Dmn) : ParseTypeKind(*Dmn))) return;
  DoLogNextLine("Type: " + Name);
  if (New) AddObj(std::move(New));
}

bool TOracleParser::ParseSubType(TDmnData& Dmn) {
  GetSy();
  if (Sy != syIdent) {
    ErrMsg("Must be: <Ident>.");
    return false;
  }
  Dmn.SuperType = Ident;
  GetSy();
  if (Sy == syLParen) ParseTypeMembers(Dmn);
  ParseTypeDirective(Dmn.Directive);
  return true;
}

bool TOracleParser::ParseTypeKind(TDmnData& Dmn) {
  const bool IsIs = Sy == oraIS;
  if (Sy != oraAS && Sy != oraIS) {
    ErrMsg("Must be: AS / IS / UNDER.");
    return false;
  }
  GetSy();
  if (IsWord("OBJECT")) {
    Dmn.OracleKind = odObject;
    GetSy();
    ParseTypeMembers(Dmn);
    return true;
  }
  if (IsWord("VARRAY")) {
    Dmn.OracleKind = odVArray;
    GetSy();
    TestAndGetSy(syLParen);
    Dmn.VArrayLimit = IntValue;
    TestAndGetSy(syInteger);
    TestAndGetSy(syRParen);
  } else if (Sy == oraTABLE) {
    Dmn.OracleKind = IsIs ? odIsTable : odAsTable;
    GetSy();
  } else {
    ErrMsg("Unknown TYPE-statement.");
    return false;
  }
  // A collection: OF its element type.
  TestAndGetSy(oraOF);
  Dmn.TypeField = std::make_unique<TFldData>(Objs);
  ParseDataType(*Dmn.TypeField, nullptr, false);
  return true;
}

void TOracleParser::ParseTypeMembers(TDmnData& Dmn) {
  TestAndGetSy(syLParen);
  for (;;) {
    if (Sy == oraNOT || IsWord("MEMBER") || IsWord("FINAL") || IsWord("OVERRIDING") ||
        IsWord("INSTANTIABLE")) {
      ParseMemberRoutine(Dmn);
    } else if (Sy == syIdent) {
      ParseField(nullptr, &Dmn, false, nullptr);
    } else {
      TestSy(syIdent);
      return;
    }
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
  ParseTypeDirective(Dmn.Directive);
}

void TOracleParser::ParseMemberRoutine(TDmnData& Dmn) {
  auto M = std::make_unique<TMemberPrcData>(Objs);
  ParseTypeDirective(M->Directive);
  TestIdent("MEMBER");
  GetSy();
  if (IsWord("FUNCTION"))
    M->IsFunction = true;
  else if (!IsWord("PROCEDURE"))
    ErrMsg("Must be: PROCEDURE / FUNCTION.");
  GetSy();
  if (Sy == syIdent) M->SetObjName(Ident);
  TestAndGetSy(syIdent);
  // The list's "(" is the current symbol: the copy starts there.
  if (Sy == syLParen) M->MemberParams = ParenTail();
  if (M->IsFunction) {
    TestIdent("RETURN");
    GetSy();
    // The function's result, where the writer finds it (a parameter would lose it).
    auto R = std::make_unique<TFldData>(Objs);
    const std::int32_t TypeStart = SyPos;
    ParseDataType(*R, nullptr, false);
    // PL/SQL refuses a length on a result type: one read without it is written without it.
    if (CopyTxtFrom(TypeStart).find('(') == std::string::npos) R->Size = -1;
    M->Results.Add(std::move(R));
  }
  Dmn.Members.Add(std::move(M));
}

void TOracleParser::ParseAlterType() {
  GetSy();
  TestSy(syIdent);
  Obj_Ident(dboDomain);
  TObjs* O = Collection();
  TDmnData* Dmn = O ? O->GetDomain(IdentName) : nullptr;
  if (!Dmn) {
    ErrMsg("Altered Type: " + IdentName + " not exists.");
    return;
  }
  TestAndGetSy(oraADD);
  TestIdent("ATTRIBUTE");
  GetSy();
  TestAndGetSy(syLParen);
  for (;;) {
    if (Sy != syIdent) break;
    ParseField(nullptr, nullptr, false, &Dmn->AddedAttributes);
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
  if (IsWord("CASCADE")) {
    Dmn->Cascade = true;
    GetSy();
  }
}

}  // namespace qel
