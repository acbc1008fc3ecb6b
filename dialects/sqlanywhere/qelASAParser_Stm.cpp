// The SQL Anywhere script parser's statement grammar: tables, columns, data types, defaults,
// keys, indexes and domains; routines, triggers, views, events and publications; GRANT,
// COMMENT ON, SET OPTION, ALTER and DROP.
#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "Text.h"
#include "qelASAParser.h"
#include "qelClasses.h"
#include "qelCompObj.h"
#include "qelComp_Dmn.h"

namespace qel {

namespace {

/// The data types named by a keyword, and whether they take "(" n ")".
struct TTypeWord {
  std::uint8_t Symbol;
  TDBFieldType Type;
  bool Sized;
};
constexpr std::array<TTypeWord, 15> kTypeWords{{
    {asaTIMESTAMP, iftTimeStamp, false},
    {asaTINYINT, iftTinyInt, false},
    {asaVARCHAR, iftVarchar, true},
    {asaTIME, iftTime, false},
    {asaNUMERIC, iftNumeric, false},
    {asaREAL, iftReal, false},
    {asaSMALLINT, iftSmallInt, false},
    {asaINT, iftInteger, false},
    {asaDEC, iftDecimal, false},
    {asaDOUBLE, iftDouble, false},
    {asaFLOAT, iftFloat, false},
    {asaDATE, iftDate, false},
    {asaBINARY, iftBinary, true},
    {asaBIT, iftBit, false},
    {asaCHAR, iftChar, true},
}};

/// The words after CURRENT a default may hold, and the text it is kept as.
struct TCurrentWord {
  std::string_view Word;
  std::string_view Text;
};
constexpr std::array<TCurrentWord, 4> kCurrentWords{{
    {"DATE", "current date"},
    {"TIMESTAMP", "current timestamp"},
    {"TIME", "current time"},
    {"USER", "current user"},
}};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Tables and columns

std::unique_ptr<TCtrData> TASAParser::NewConstraint(TTblData* Table, const std::string& TableName,
                                                    TConstraintType Type) {
  auto Ctr = std::make_unique<TCtrData>(Objs);
  Ctr->SetCtType(Type);
  Ctr->SetTblName(Table ? Table->GetObjName() : TableName);
  Ctr->Creator = Table && !Table->Creator.empty() ? Table->Creator : "DBA";
  return Ctr;
}

void TASAParser::ParseTable(bool GlobalTemporary) {
  auto Tbl = std::make_unique<TTblData>(Objs);
  Obj_Ident(Tbl.get());
  if (Tbl->Creator.empty()) Tbl->Creator = "DBA";
  StatObjName = Tbl->GetObjName();
  Tbl->GlobalTemporary = GlobalTemporary;
  if (GlobalTemporary) Tbl->OnCommit = tocDelete;
  TTblData* Table = Tbl.get();
  // The table is filed at once: the keys read below look it up.
  if (!AddObj(Tbl.release(), true)) Table = nullptr;
  TTblData Scratch(Objs);
  TTblData* Into = Table ? Table : &Scratch;
  TestAndGetSy(syLParen);
  for (;;) {
    std::unique_ptr<TCtrData> Named;
    if (Sy == asaCONSTRAINT) {
      // CONSTRAINT name before a key or check: the name the writer gives its constraints.
      GetSy();
      Named = NewConstraint(Into, Into->GetObjName(), ctCheck);
      Named->SetObjName(NamePart());
    }
    if (Sy == asaPRIMARY) {
      ParsePKey(Into, Into->GetObjName(), nullptr, std::move(Named));
    } else if (Sy == asaFOREIGN) {
      ParseFKey(Into, Into->GetObjName(), std::move(Named));
    } else if (Sy == asaCHECK) {
      ParseCheck(Into, std::move(Named));
    } else if (Sy == asaUNIQUE) {
      ParseUnique(Into, std::move(Named));
    } else if (!Named && (Sy == syIdent || Sy == syString)) {
      std::unique_ptr<TFldData> Keep;
      ParseField(Into, Into->GetObjName(), Keep);
    } else {
      if (Named) ErrMsg("Must be: PRIMARY / FOREIGN / CHECK / UNIQUE");
      break;
    }
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
  if (Sy == asaON) {
    GetSy();
    TestAndGetSy(asaCOMMIT);
    if (Sy == asaDELETE) {
      Into->OnCommit = tocDelete;
    } else if (IsWord("PRESERVE")) {
      Into->OnCommit = tocPreserve;
    } else {
      ErrMsg("Must be: DELETE / PRESERVE");
    }
    GetSy();
    TestIdent("ROWS");
    GetSy();
  }
}

TFldData* TASAParser::ParseField(TTblData* Table, const std::string& TableName,
                                 std::unique_ptr<TFldData>& Keep) {
  auto Fld = std::make_unique<TFldData>(Objs);
  Fld->SetObjName(Sy == syIdent ? Ident : StrValue);
  GetSy();
  if (Table) {
    Fld->OwnerObj = Table;
    Fld->TableName = TableName;
  }
  ParseDataType(*Fld);
  ParseFieldDesc(*Fld, Table);
  if (!Table) {
    Keep = std::move(Fld);
    return Keep.get();
  }
  Fld->Position = Table->Fields.Count();
  return Table->Fields.Add(std::move(Fld));
}

void TASAParser::ParseDataType(TFldData& Fld) {
  if (Sy == asaLONG) {
    GetSy();
    if (Sy == asaBINARY)
      Fld.FieldType = iftLongBinary;
    else if (Sy == asaVARCHAR)
      Fld.FieldType = iftLongVarchar;
    else  // LONG NVARCHAR, LONG VARBIT: types no writer spells
      ErrMsg("Unknown datatype: LONG " + (Sy == syIdent ? Ident : ResWordBySymbol(Sy)));
    GetSy();
    return;
  }
  if (Sy == syIdent) {
    // A user type (domain) by its name.
    Fld.FieldType = iftDomain;
    Fld.DomainName = Ident;
    GetSy();
    return;
  }
  const auto* It = std::find_if(kTypeWords.begin(), kTypeWords.end(),
                                [this](const TTypeWord& W) { return W.Symbol == Sy; });
  if (It == kTypeWords.end()) {
    ErrMsg("Unknown datatype: " + ResWordBySymbol(Sy));
    GetSy();
    return;
  }
  Fld.FieldType = It->Type;
  if (It->Type == iftNumeric || It->Type == iftDecimal) {
    SkipBlanks();
    const bool Given = Ch == '(';
    GetNumDec(&Fld);  // reads from the type word on
    // Without "(p, s)" the server's default applies, which the writer leaves unwritten too.
    if (!Given) Fld.Precision = Fld.Scale = 0;
    return;
  }
  if (Sy == asaDOUBLE) {
    GetSy();
    if (Sy == asaPRECISION) GetSy();
  } else {
    GetSy();
  }
  if (It->Sized && Sy == syLParen) {
    GetSy();
    if (Sy == syInteger) Fld.Size = IntValue;
    TestAndGetSy(syInteger);
    TestAndGetSy(syRParen);
  }
}

void TASAParser::ParseFieldDesc(TFldData& Fld, TTblData* Table) {
  for (;;) {
    if (Sy == asaDEFAULT) {
      GetSy();
      Fld.DefValue = GetDefaultValue();
    } else if (Sy == asaNOT) {
      GetSy();
      TestAndGetSy(asaNULL);
      Fld.Nullable = false;
    } else if (Sy == asaNULL) {
      GetSy();
      Fld.Nullable = true;
    } else if (Sy == asaCHECK) {
      Fld.CheckText = GetExpr();  // from the "(" after CHECK
    } else if (Sy == asaPRIMARY) {
      ParsePKey(Table, Fld.TableName, &Fld);
    } else {
      return;
    }
  }
}

std::string TASAParser::GetDefaultValue() {
  const std::int32_t Start = SyPos;
  std::string R;
  switch (Sy) {
    case asaNULL:
      GetSy();
      return "NULL";
    case asaTIMESTAMP:
      GetSy();
      return "timestamp";
    case asaUSER:
      GetSy();
      return "USER";
    case asaCURRENT: {
      GetSy();
      if (Sy == asaREMOTE) {
        GetSy();
        TestAndGetSy(asaUSER);
        return "current remote user";
      }
      for (const auto& [Word, Text] : kCurrentWords)
        if (!FQuoted && SameText(Ident, Word)) {
          GetSy();
          return std::string(Text);
        }
      if (IsWord("DATABASE") || IsWord("PUBLISHER")) {
        R = "current " + LowerCase(Ident);
        GetSy();
        return R;
      }
      if (IsWord("UTC")) {
        GetSy();
        TestAndGetSy(asaTIMESTAMP);
        return "current utc timestamp";
      }
      ErrMsg("DEFAUT current " + Ident + " error");
      GetSy();
      return "";
    }
    case syMinus:
    case syPlus: {
      const std::string Sign = Sy == syMinus ? "-" : "";
      const std::string SignText = Sy == syMinus ? "-" : "+";
      GetSy();
      if (Sy == syInteger || Sy == syFloat) {
        R = Sign + (Sy == syInteger ? std::to_string(IntValue) : StrValue);
        GetSy();
        return R;
      }
      ErrMsg("DEFAUT " + SignText + ResWordBySymbol(Sy) + " error");
      GetSy();
      return "";
    }
    case syInteger:
      R = std::to_string(IntValue);
      GetSy();
      return R;
    case syFloat:
    case syString:
      GetSy();
      return CopyTxtFrom(Start);
    case syIdent: {
      if (IsWord("LAST")) {
        GetSy();
        TestAndGetSy(asaUSER);
        return CopyTxtFrom(Start);
      }
      if (IsWord("UTC")) {
        GetSy();
        TestAndGetSy(asaTIMESTAMP);
        return "utc timestamp";
      }
      if (IsWord("GLOBAL")) {
        GetSy();
        TestIdent("AUTOINCREMENT");
        SkipBlanks();
        if (Ch == '(')
          GetExpr();  // the partition size
        else
          GetSy();
        return LowerCase(CopyTxtFrom(Start));
      }
      if (IsWord("AUTOINCREMENT")) {
        GetSy();
        return "autoincrement";
      }
      R = Ident;
      SkipBlanks();
      if (Ch == '(') {
        GetExpr();
        return CopyTxtFrom(Start);
      }
      GetSy();
      return R;
    }
    default:
      ErrMsg("DEFAUT " + ResWordBySymbol(Sy) + " error");
      GetSy();
      return "";
  }
}

// ---------------------------------------------------------------------------------------------
// Keys and checks

void TASAParser::ParseIdxColumns(TStringList& List) {
  TestAndGetSy(syLParen);
  for (;;) {
    std::string Name;
    if (Sy == syIdent || Sy == syString) Name = Sy == syIdent ? Ident : StrValue;
    TestAndGetSy(syIdent);
    if (Sy == asaASC || Sy == asaDESC) GetSy();
    List.Add(Name);
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
}

void TASAParser::ParsePKey(TTblData* Table, const std::string& TableName, TFldData* Column,
                           std::unique_ptr<TCtrData> Ctr) {
  GetSy();
  TestAndGetSy(asaKEY);
  TTblData* Tbl = Table ? Table : (Column ? dynamic_cast<TTblData*>(Column->OwnerObj) : nullptr);
  if (!Ctr) Ctr = NewConstraint(Tbl, TableName, ctPKey);
  Ctr->SetCtType(ctPKey);
  if (IsWord("CLUSTERED")) {
    Ctr->Clustered = true;
    GetSy();
  }
  if (Sy == syLParen || !Column)
    ParseIdxColumns(Ctr->FldList);
  else
    Ctr->FldList.Add(Column->GetObjName());
  AddObj(Ctr.release(), true);
}

TUDAction TASAParser::ParseFKAction() {
  if (Sy == asaCASCADE) {
    GetSy();
    return udaCascade;
  }
  if (Sy == asaRESTRICT) {
    GetSy();
    return udaRestrict;
  }
  if (Sy == asaSET) {
    GetSy();
    if (Sy == asaNULL) {
      GetSy();
      return udaNull;
    }
    if (Sy == asaDEFAULT) {
      GetSy();
      return udaDefault;
    }
    ErrMsg("Mest be: SET NULL / SET DEFAULT");
    return udaNoAction;
  }
  ErrMsg("Unknown/Invalid FK-action");
  return udaNoAction;
}

void TASAParser::ParseFKey(TTblData* Table, const std::string& TableName,
                           std::unique_ptr<TCtrData> Ctr) {
  if (!Ctr) Ctr = NewConstraint(Table, TableName, ctFKey);
  Ctr->SetCtType(ctFKey);
  GetSy();
  TestAndGetSy(asaKEY);
  // The name after KEY is the key's role name, which the server also takes as the constraint's
  // name when no CONSTRAINT clause names it; the catalog gives the role, so the role it is.
  if (Sy == syIdent || Sy == syString) {
    Ctr->RoleName = Sy == syIdent ? Ident : StrValue;
    GetSy();
  }
  ParseIdxColumns(Ctr->FldList);
  TestAndGetSy(asaREFERENCES);
  std::string RefOwner, RefName;
  OwnerName(RefOwner, RefName, true);
  Ctr->RefOwner = RefOwner;
  Ctr->SetRefTblName(RefName);
  if (Sy == syLParen) ParseIdxColumns(Ctr->RefFldList);
  // As the catalog reader does: a name that repeats the role is the role's, and a role that
  // repeats the referenced table's name is the server's default role.
  if (Ctr->GetObjName() == Ctr->RoleName) Ctr->SetObjName("");
  if (Ctr->RoleName == RefName) Ctr->RoleName.clear();
  while (Sy == asaON) {
    GetSy();
    if (Sy == asaUPDATE) {
      GetSy();
      Ctr->OnUpdate = ParseFKAction();
    } else if (Sy == asaDELETE) {
      GetSy();
      Ctr->OnDelete = ParseFKAction();
    } else {
      ErrMsg("Must be: ON UPDATE/ON DELETE");
      break;
    }
  }
  if (Sy == asaCHECK) {
    GetSy();
    TestAndGetSy(asaON);
    TestAndGetSy(asaCOMMIT);
    Ctr->CheckOnCommit = true;
  }
  AddObj(Ctr.release(), true);
}

void TASAParser::ParseCheck(TTblData* Table, std::unique_ptr<TCtrData> Ctr) {
  if (!Ctr) Ctr = NewConstraint(Table, "", ctCheck);
  Ctr->SetCtType(ctCheck);
  TestSy(asaCHECK);
  Ctr->Body = GetExpr();
  AddObj(Ctr.release(), true);
}

void TASAParser::ParseUnique(TTblData* Table, std::unique_ptr<TCtrData> Ctr) {
  if (!Ctr) Ctr = NewConstraint(Table, "", ctUnique);
  Ctr->SetCtType(ctUnique);
  GetSy();
  ParseIdxColumns(Ctr->FldList);
  AddObj(Ctr.release(), true);
}

// ---------------------------------------------------------------------------------------------
// Indexes and domains

void TASAParser::ParseIndex(bool Unique) {
  TestAndGetSy(asaINDEX);
  auto Idx = std::make_unique<TIdxData>(Objs);
  std::string Owner, Name;
  OwnerName(Owner, Name, false);
  Idx->SetObjName(Name);
  StatObjName = Name;
  Idx->Unique = Unique;
  TestAndGetSy(asaON);
  std::string TableOwner, Table;
  OwnerName(TableOwner, Table, true);
  Idx->TableName = Table;
  Idx->Creator = TableOwner;
  TestAndGetSy(syLParen);
  for (;;) {
    std::string Col;
    if (Sy == syIdent || Sy == syString) Col = Sy == syIdent ? Ident : StrValue;
    TestAndGetSy(syIdent);
    std::int32_t Order = 0;
    if (Sy == asaASC) {
      Order = 1;
      GetSy();
    } else if (Sy == asaDESC) {
      Order = 2;
      GetSy();
    }
    Idx->AddFld(Col, Order);
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
  AddObj(Idx.release(), true);
}

void TASAParser::StatementCreateDomain() {
  StatDbObject = dboDomain;
  GetSy();  // DATATYPE or DOMAIN
  if (Sy == asaAS) GetSy();
  auto Dmn = std::make_unique<TDmnData>(Objs);
  Obj_Ident(Dmn.get());
  StatObjName = Dmn->GetObjName();
  if (Sy == asaAS) GetSy();
  if (!Dmn->TypeField) Dmn->TypeField = std::make_unique<TFldData>(Objs);
  Dmn->TypeField->OwnerObj = Dmn.get();
  ParseDataType(*Dmn->TypeField);
  ParseFieldDesc(*Dmn->TypeField, nullptr);
  AddObj(Dmn.release(), true);
}

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
  Prc->Creator = Owner;
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
  Prc->Body = BodyFrom(SyPos);
  if (Made) AddObj(Made.release(), true);
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
    if (!TableOwner.empty()) Trg->Creator = TableOwner;
    Trg->SetOwnName(Table);
    TestAndGetSy(asaFOR);
    for (;;) {
      if (Sy == asaINSERT)
        Trg->Events.Include(iudInsert);
      else if (Sy == asaUPDATE)
        Trg->Events.Include(iudUpdate);
      else if (Sy == asaDELETE)
        Trg->Events.Include(iudDelete);
      else
        ErrMsg("Must be: INSERT / UPDATE / DELETE");
      GetSy();
      if (Sy != syComma) break;
      GetSy();
    }
    TestSy(asaAS);
    SkipBlanks();
    Trg->Body = BodyFrom(Pos - 1);
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
      if (Sy == asaINSERT) {
        Trg->Events.Include(iudInsert);
        GetSy();
      } else if (Sy == asaDELETE) {
        Trg->Events.Include(iudDelete);
        GetSy();
      } else if (Sy == asaUPDATE) {
        Trg->Events.Include(iudUpdate);
        GetSy();
        if (Sy == asaOF) {
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
      } else {
        ErrMsg("Must be: INSERT / UPDATE / DELETE");
        GetSy();
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
    Trg->Creator = TableOwner;
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
    Trg->Body = BodyFrom(SyPos);
  }
  if (Made) AddObj(Made.release(), true);
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
  Viw->Body = BodyFrom(Pos - 1);
  if (Made) AddObj(Made.release(), true);
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
    Evt->Body = BodyFrom(Pos - 1);
  }
  AddObj(Evt.release(), true);
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
        Evt->Body.clear();
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
  AddObj(Pbl.release(), true);
}

// ---------------------------------------------------------------------------------------------
// GRANT, COMMENT ON and SET

void TASAParser::ParseGrant() {
  GetSy();
  if (Sy == asaCONNECT) {
    GetSy();
    TestAndGetSy(asaTO);
    NamePart();
    while (Sy == syComma) {
      GetSy();
      NamePart();
    }
    if (Sy == asaIDENTIFIED) {
      GetSy();
      TestAndGetSy(asaBY);
      if (Sy == asaENCRYPTED) GetSy();
      GetSy();
    }
    return;
  }
  auto Authority = [this] {
    return IsWord("DBA") || IsWord("SCHEDULE") || Sy == asaRESOURCE || Sy == asaGROUP ||
           Sy == asaREMOTE || Sy == asaMEMBERSHIP;
  };
  if (Authority()) {
    for (;;) {
      if (Sy == asaREMOTE) {
        GetSy();
        TestIdent("DBA");
        GetSy();
      } else if (Sy == asaMEMBERSHIP) {
        GetSy();
        TestAndGetSy(asaIN);
        TestAndGetSy(asaGROUP);
        NamePart();
        while (Sy == syComma) {
          GetSy();
          NamePart();
        }
      } else if (Authority()) {
        GetSy();
      } else {
        break;
      }
      if (Sy != syComma) break;
      GetSy();
    }
    TestAndGetSy(asaTO);
    NamePart();
    while (Sy == syComma) {
      GetSy();
      NamePart();
    }
    return;
  }
  auto Privilege = [this] {
    return Sy == asaALTER || Sy == asaDELETE || Sy == asaEXECUTE || Sy == asaINSERT ||
           Sy == asaREFERENCES || Sy == asaSELECT || Sy == asaUPDATE || Sy == asaALL;
  };
  if (!Privilege()) {
    ErrMsg("Unknown GRANT-statement");
    GetSy();
    return;
  }
  for (;;) {
    SkipBlanks();
    if (Ch == '(')
      GetExpr();  // the column list of the privilege
    else
      GetSy();
    if (Sy == asaPRIVILEGES) GetSy();
    if (Sy != syComma) break;
    GetSy();
    if (!Privilege()) {
      ErrMsg("Unknown GRANT-statement");
      return;
    }
  }
  if (Sy == asaON) {
    GetSy();
    if (Sy == asaTABLE || Sy == asaPROCEDURE || Sy == asaVIEW) GetSy();
    Obj_Ident(dboUnknown);
  }
  TestAndGetSy(asaTO);
  NamePart();
  while (Sy == syComma) {
    GetSy();
    NamePart();
  }
  if (Sy == asaWITH) {
    GetSy();
    TestAndGetSy(asaGRANT);
    TestAndGetSy(asaOPTION);
  }
  if (Sy == asaFROM) {
    GetSy();
    NamePart();
  }
}

void TASAParser::ParseComment() {
  StatType = stDescription;
  GetSy();
  bool Preserved = false;
  if (Sy == asaTO) {
    GetSy();
    TestIdent("PRESERVE");
    GetSy();
    TestIdent("FORMAT");
    GetSy();
    Preserved = true;
  }
  TestAndGetSy(asaON);
  TDbObj* Target = nullptr;
  TFldData* Column = nullptr;
  if (Sy == asaUSER) {
    GetSy();
    NamePart();
  } else if (IsWord("COLUMN")) {
    GetSy();
    Obj_Ident(dboField);
    if (TTblData* Tbl = FindTable(IdentName)) Column = Tbl->Fields.Find(IdentPart3);
  } else if (Sy == asaTABLE) {
    GetSy();
    Obj_Ident(dboUnknown);
    Target = FindTable(IdentName);
  } else if (Sy == asaPROCEDURE) {
    GetSy();
    Obj_Ident(dboUnknown);
    Target = Objs ? dynamic_cast<TPrcData*>(Objs->Procedures.FindObj(IdentName)) : nullptr;
  } else if (Sy == asaVIEW) {
    GetSy();
    Obj_Ident(dboUnknown);
    Target = Objs ? dynamic_cast<TViwData*>(Objs->Views.FindObj(IdentName)) : nullptr;
  } else if (Sy == asaTRIGGER) {
    GetSy();
    Obj_Ident(dboTrigger);
    Target = Objs ? dynamic_cast<TTrgData*>(Objs->Triggers.FindObj(IdentPart3)) : nullptr;
  } else if (Sy == asaINDEX) {
    // INDEX [[owner.]table.]index: the writer's descriptions of indexes.
    GetSy();
    Obj_Ident(dboIndex);
    const std::string Index = IdentPart3.empty() ? IdentName : IdentPart3;
    const std::string Table = IdentPart3.empty() ? std::string() : IdentName;
    if (auto* O = dynamic_cast<TObjs*>(Objs))
      for (int I = 0; I < O->Indexes.Count() && !Target; ++I)
        if (auto* Idx = dynamic_cast<TIdxData*>(O->Indexes.Objects(I));
            Idx && SameText(Idx->GetObjName(), Index) &&
            (Table.empty() || SameText(Idx->TableName, Table)))
          Target = Idx;
  } else if (IsWord("EVENT")) {
    GetSy();
    NamePart();
  } else {
    ErrMsg("Invalid/Unknown COMMENT-statement");
    return;
  }
  TestAndGetSy(asaIS);
  bool IsString = false;
  std::string Text;
  if (Preserved && Sy == syIdent) {
    // {raw text}: the characters between the braces as written.
  }
  if (Sy == syString) {
    IsString = true;
    Text = StrValue;
    GetSy();
  } else if (Sy == asaNULL) {
    IsString = true;
    GetSy();
  } else if (Preserved) {
    const std::int32_t Start = Pos - 1;
    while (!AtEndOfText() && Ch != '}') GetChar();
    Text = CopyTxt(Start, Pos - 1 - Start);
    if (!AtEndOfText()) GetChar();
    GetSy();
  } else {
    TestSy(syString);
    GetSy();
  }
  if (!IsString) return;
  if (Column)
    Column->Description = Text;
  else if (Target)
    Target->Description = Text;
}

void TASAParser::ParseSet() {
  StatType = stSet;
  GetSy();
  if (Sy == asaTEMPORARY) GetSy();
  if (Sy != asaOPTION) {
    SkipToEnd(true);
    return;
  }
  GetSy();
  // An option may be written with its owner: PUBLIC.name.
  std::string Option = NamePart();
  while (Sy == syDot) {
    GetSy();
    Option = NamePart();
  }
  TestAndGetSy(syEqual);
  if (SameText(Option, "STATISTICS") && Sy == syInteger) {
    if (Objs) Objs->ASAServerOptions.GetASADatabaseOptions().Statistics = IntValue;
  } else if (SameText(Option, "DATE_ORDER") && Sy == syString) {
    if (Objs) Objs->ASAServerOptions.GetASADatabaseOptions().DateOrder = StrValue;
  }
  SkipToEnd(true);
}

// ---------------------------------------------------------------------------------------------
// ALTER and DROP

void TASAParser::ParseAlterTable() {
  StatDbObject = dboTable;
  GetSy();
  Obj_Ident(dboUnknown);
  const std::string Name = IdentName;
  StatObjName = Name;
  TTblData* Tbl = FindTable(Name);
  TTblData Scratch(Objs);
  TTblData* Into = Tbl ? Tbl : &Scratch;
  if (!Tbl) {
    Scratch.SetObjName(Name);
    Scratch.Creator = IdentOwner.empty() ? "DBA" : IdentOwner;
  }
  if (Sy == asaADD) {
    GetSy();
    std::unique_ptr<TCtrData> Named;
    if (Sy == asaCONSTRAINT) {
      GetSy();
      Named = NewConstraint(Into, Name, ctCheck);
      Named->SetObjName(NamePart());
    }
    if (Sy == asaFOREIGN) {
      ParseFKey(Into, Name, std::move(Named));
    } else if (Sy == asaPRIMARY) {
      ParsePKey(Into, Name, nullptr, std::move(Named));
    } else if (Sy == asaUNIQUE) {
      ParseUnique(Into, std::move(Named));
    } else if (Sy == asaCHECK) {
      ParseCheck(Into, std::move(Named));
    } else if (!Named && (Sy == syIdent || Sy == syString)) {
      // ADD column: the column joins the table when the script made it.
      std::unique_ptr<TFldData> Keep;
      ParseField(Into, Name, Keep);
    } else {
      ErrMsg("Unknown ALTER TABLE statement");
      GetSy();
    }
    if (!Tbl) RemoveConstraints(Name, [](const TCtrData&) { return false; });
    return;
  }
  if (Sy == asaDROP) {
    GetSy();
    if (Sy == asaPRIMARY) {
      GetSy();
      TestAndGetSy(asaKEY);
      RemoveConstraints(Name, [](const TCtrData& C) { return C.GetCtType() == ctPKey; });
    } else if (Sy == asaFOREIGN) {
      GetSy();
      TestAndGetSy(asaKEY);
      std::string Role = Sy == syIdent ? NamePart() : std::string();
      RemoveConstraints(Name, [&Role](const TCtrData& C) {
        return C.GetCtType() == ctFKey &&
               (SameText(C.RoleName, Role) || SameText(C.GetObjName(), Role) ||
                (C.RoleName.empty() && SameText(C.GetRefTblName(), Role)));
      });
    } else if (Sy == asaCONSTRAINT) {
      GetSy();
      const std::string CtrName = NamePart();
      RemoveConstraints(Name, [&CtrName](const TCtrData& C) {
        return SameText(C.GetObjName(), CtrName) || SameText(C.AltName, CtrName);
      });
    } else if (Sy == asaUNIQUE) {
      GetSy();
      TStringList Cols;
      ParseIdxColumns(Cols);
    } else if (Sy == asaCHECK) {
      GetSy();
    } else if (Sy == syIdent) {
      const std::string Column = NamePart();
      if (Tbl) {
        const int Index = Tbl->Fields.IndexOf(Column);
        if (Index >= 0) Tbl->Fields.Delete(Index);
        for (int I = 0; I < Tbl->Fields.Count(); ++I) Tbl->Fields[I]->Position = I;
      }
    } else {
      ErrMsg("Unknown ALTER TABLE statement");
      GetSy();
    }
    return;
  }
  if (Sy == asaMODIFY) {
    GetSy();
    const std::string Column = NamePart();
    TFldData ScratchFld(Objs);
    TFldData* Fld = Tbl ? Tbl->Fields.Find(Column) : nullptr;
    if (!Fld) Fld = &ScratchFld;
    // MODIFY column type [options] or MODIFY column options.
    if (Sy != asaDEFAULT && Sy != asaNOT && Sy != asaNULL && Sy != asaCHECK && Sy != asaPRIMARY) {
      Fld->DomainName.clear();
      Fld->Size = Fld->Precision = Fld->Scale = 0;
      ParseDataType(*Fld);
    }
    ParseFieldDesc(*Fld, Tbl);
    return;
  }
  if (Sy == asaALTER) {
    // ALTER column SET DEFAULT value | DROP DEFAULT
    GetSy();
    const std::string Column = NamePart();
    TFldData* Fld = Tbl ? Tbl->Fields.Find(Column) : nullptr;
    if (Sy == asaSET) {
      GetSy();
      TestAndGetSy(asaDEFAULT);
      const std::string Value = GetDefaultValue();
      if (Fld) Fld->DefValue = Value;
    } else if (Sy == asaDROP) {
      GetSy();
      TestAndGetSy(asaDEFAULT);
      if (Fld) Fld->DefValue.clear();
    } else {
      ErrMsg("Unknown ALTER TABLE statement");
      GetSy();
    }
    return;
  }
  ErrMsg("Unknown ALTER TABLE statement");
  GetSy();
}

void TASAParser::ParseAlter() {
  StatDbOperation = odbAlter;
  GetSy();
  if (Sy == asaTABLE) {
    ParseAlterTable();
  } else if (Sy == asaPROCEDURE || IsWord("FUNCTION")) {
    const bool IsProcedure = Sy == asaPROCEDURE;
    StatDbObject = IsProcedure ? dboProcedure : dboFunction;
    GetSy();
    ParseProc(nullptr, IsProcedure, true);
  } else if (IsWord("EVENT")) {
    StatementAlterEvent();
  } else {
    ErrMsg("Unknown ALTER-statement");
    GetSy();
  }
}

void TASAParser::ParseDrop() {
  StatDbOperation = odbDrop;
  GetSy();
  auto* O = dynamic_cast<TObjs*>(Objs);
  const std::uint8_t Kind = Sy;
  const std::string Word = UpperCase(Ident);
  const bool Known =
      Sy == asaINDEX || Sy == asaPROCEDURE || Sy == asaTABLE || Sy == asaTRIGGER ||
      Sy == asaVARIABLE || Sy == asaVIEW || Sy == asaPUBLICATION || Sy == asaDBSPACE ||
      (Sy == syIdent &&
       (Word == "FUNCTION" || Word == "DATATYPE" || Word == "DOMAIN" || Word == "EVENT"));
  if (!Known) {
    ErrMsg("Unknown DROP statement: " + ResWordBySymbol(Sy));
    GetSy();
    return;
  }
  GetSy();
  const bool ThreeParts = Kind == asaINDEX || Kind == asaTRIGGER;
  Obj_Ident(ThreeParts ? dboIndex : dboUnknown);
  StatObjName = ThreeParts && !IdentPart3.empty() ? IdentPart3 : IdentName;
  if (!O) return;
  // The drop takes its effect, so that an update script read after its target leads to the
  // schema it was written for.
  switch (Kind) {
    case asaTABLE:
      StatDbObject = dboTable;
      RemoveConstraints(IdentName, [](const TCtrData&) { return true; });
      for (int I = O->Indexes.Count() - 1; I >= 0; --I)
        if (auto* Idx = dynamic_cast<TIdxData*>(O->Indexes.Objects(I));
            Idx && SameText(Idx->TableName, IdentName)) {
          O->RemoveDepend(Idx);
          O->Indexes.Delete(I);
        }
      RemoveObj(O->Tables, IdentName);
      break;
    case asaVIEW:
      StatDbObject = dboView;
      RemoveObj(O->Views, IdentName);
      break;
    case asaPROCEDURE:
      StatDbObject = dboProcedure;
      RemoveObj(O->Procedures, IdentName);
      break;
    case asaINDEX:
      StatDbObject = dboIndex;
      RemoveObj(O->Indexes, IdentPart3.empty() ? IdentName : IdentPart3 + " ON " + IdentName);
      break;
    case asaTRIGGER:
      StatDbObject = dboTrigger;
      RemoveObj(O->Triggers, IdentPart3.empty() ? IdentName : IdentPart3);
      break;
    case asaPUBLICATION:
      StatDbObject = dboPublication;
      RemoveObj(O->Publications, IdentName);
      break;
    case syIdent:
      if (Word == "FUNCTION") {
        StatDbObject = dboFunction;
        RemoveObj(O->Procedures, IdentName);
      } else if (Word == "EVENT") {
        StatDbObject = dboEvent;
        RemoveObj(O->Events, IdentName);
      } else {
        StatDbObject = dboDomain;
        RemoveObj(O->Domains, IdentName);
      }
      break;
    default:
      break;
  }
}

}  // namespace qel
