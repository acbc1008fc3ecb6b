// The Oracle script parser's object grammar: CREATE TABLE with columns, data types,
// constraints and storage clauses; views, triggers, procedures, functions, packages and
// object, VARRAY and nested-table types. PL/SQL is kept as text.
#include <algorithm>
#include <array>
#include <string_view>

#include "Text.h"
#include "qelClasses.h"
#include "qelCompObj.h"
#include "qelOracleParser.h"

namespace qel {

namespace {

/// Data types named by an identifier (the keyword types are tested by their symbols).
struct TTypeWord {
  std::string_view Word;
  TDBFieldType Type;
};
constexpr std::array<TTypeWord, 12> kTypeWords{{
    {"REAL", iftReal},
    {"NUMERIC", iftNumeric},
    {"NCHAR", iftNChar},
    {"NVARCHAR", iftNVarChar},
    {"NVARCHAR2", iftNVarChar2},
    {"TIMESTAMP", iftTimeStamp},
    {"CLOB", iftClob},
    {"NCLOB", iftNClob},
    {"BLOB", iftBlob},
    {"BFILE", iftBFile},
    {"UROWID", iftURowID},
    {"DOUBLE", iftDoublePrecision},
}};

bool IsCharType(TDBFieldType T) {
  return T == iftChar || T == iftVarchar || T == iftVarChar2 || T == iftNChar || T == iftNVarChar ||
         T == iftNVarChar2 || T == iftRaw;
}

/// The last part of a dotted name, without its quotes.
std::string LastPart(const std::string& Name) {
  std::string Schema, Last, First;
  TOracleParser::DecodeIdent(Name, Schema, Last, First);
  return Last;
}

bool IsNumberType(TDBFieldType T) {
  return T == iftNumber || T == iftNumeric || T == iftDecimal;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Tables

void TOracleParser::ParseTable(TTblData* Given, bool Temporary) {
  GetSy();
  Obj_Ident(dboTable);
  std::unique_ptr<TTblData> New;
  TTblData* Tbl = Given;
  if (!Tbl) {
    New = std::make_unique<TTblData>(Objs);
    Tbl = New.get();
  }
  SetName(*Tbl);
  const std::string Name = IdentName;
  StatTableSchema = Tbl->GetSchema();
  Tbl->GlobalTemporary = Temporary;
  StatObjKind = dboTable;
  StatObjName = Name;
  if (Sy == oraOF) {
    GetSy();
    if (Sy == syIdent) Tbl->OfType = Ident;
    TestAndGetSy(syIdent);
  }
  if (Sy == syLParen) ParseTableFields(Tbl, Name, false);
  if (Sy == oraAS) {
    Tbl->AsQuery = Trim(BlockCopy(AfterSy(), beSemicolonLine));
    DoLogNextLine("Table: " + Name);
    if (New) AddObj(New.release(), true);
    return;
  }
  if (Temporary && Sy == oraON) {
    GetSy();
    TestIdent("COMMIT");
    GetSy();
    if (Sy == oraDELETE) {
      Tbl->OnCommit = tocDelete;
    } else if (IsWord("PRESERVE")) {
      Tbl->OnCommit = tocPreserve;
    } else {
      ErrMsg("Unknown ON COMMIT declaration.");
      return;
    }
    GetSy();
    TestAndGetSy(oraROWS);
  }
  for (;;) {
    if (Sy == oraPCTFREE || IsWord("PCTUSED") || IsWord("INITRANS") || IsWord("MAXTRANS") ||
        IsWord("STORAGE")) {
      ParseTableSpace(Tbl, nullptr, nullptr);
    } else if (Sy == oraCOMPRESS || Sy == oraNOCOMPRESS) {
      Tbl->Compress = Sy == oraCOMPRESS;
      GetSy();
    } else if (IsWord("ORGANIZATION")) {
      GetSy();
      if (!IsWord("HEAP") && Sy != oraINDEX && !IsWord("EXTERNAL")) {
        ErrMsg("Must be: HEAP / INDEX / EXTERNAL");
        return;
      }
      GetSy();
    } else if (IsWord("TABLESPACE")) {
      GetSy();
      if (Sy == syIdent) Tbl->TablespaceName = Ident;
      TestAndGetSy(syIdent);
    } else if (IsWord("SEGMENT")) {
      // SEGMENT CREATION IMMEDIATE / DEFERRED, as a catalog renders a table: dropped.
      GetSy();
      TestIdent("CREATION");
      GetSy();
      GetSy();
    } else if (IsWord("LOGGING") || IsWord("NOLOGGING")) {
      Tbl->NoLogging = IsWord("NOLOGGING");
      GetSy();
    } else if (Sy == syComma) {
      GetSy();
      if (Sy == syIdent && NextNonBlank() == '(') {
        SkipBlanks();
        GetExpr();
      } else {
        TestAndGetSy(syIdent);
      }
    } else if (IsWord("PARTITION")) {
      GetSy();
      TestAndGetSy(oraBY);
      TestIdent("RANGE");
      SkipBlanks();
      Tbl->PartitionColumns = GetExpr();
      // GetExpr read the "(" of the list as the next symbol: the list starts there.
      if (Sy == syLParen) Tbl->PartitionClause = ParenTail();
    } else if (IsWord("LOB")) {
      SkipBlanks();
      Tbl->LobClause = GetExpr();
      if (IsWord("STORE")) {
        GetSy();
        TestSy(oraAS);
        SkipBlanks();
        Tbl->StoreAs = GetExpr();
      }
    } else if (IsWord("NESTED")) {
      GetSy();
      TestAndGetSy(oraTABLE);
      if (Sy == syIdent) Tbl->NestedTable = Ident;
      TestAndGetSy(syIdent);
      TestIdent("STORE");
      GetSy();
      TestAndGetSy(oraAS);
      if (Sy == syIdent) Tbl->StoreAs = Ident;
      TestSy(syIdent);
      if (NextNonBlank() == '(') {
        SkipBlanks();
        Tbl->Storage = GetExpr();
      } else {
        GetSy();
      }
    } else {
      break;
    }
  }
  DoLogNextLine("Table: " + Name);
  if (New) AddObj(New.release(), true);
}

void TOracleParser::ParseTableFields(TTblData* Tbl, const std::string& TblName, bool Modify) {
  TestAndGetSy(syLParen);
  TObjs* O = Collection();
  if (!Tbl && O) Tbl = O->GetTable(TblName);
  // A list for a table the collection does not hold: its constraints take the statement's
  // table name, its columns go nowhere.
  TTblData Scratch(Objs);
  TTblData* Target = Tbl ? Tbl : &Scratch;
  auto NewCtr = [&TblName, this](TConstraintType Type) {
    auto Ctr = std::make_unique<TCtrData>(Objs);
    Ctr->SetCtType(Type);
    Ctr->SetTblName(TblName);
    return Ctr;
  };
  for (;;) {
    if (IsWord("CONSTRAINT")) {
      ParseConstraint(TblName, nullptr);
    } else if (IsWord("PRIMARY")) {
      ParseCtr(NewCtr(ctPKey));
    } else if (IsWord("FOREIGN")) {
      ParseCtr(NewCtr(ctFKey));
    } else if (Sy == oraCHECK) {
      ParseCtr(NewCtr(ctCheck));
    } else if (Sy == oraUNIQUE) {
      ParseCtr(NewCtr(ctUnique));
    } else if (Sy == syIdent) {
      ParseField(Target, nullptr, Modify, nullptr);
    } else {
      TestSy(syIdent);
      return;
    }
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
}

void TOracleParser::ParseField(TTblData* Tbl, TDmnData* Dmn, bool Modify,
                               TObjVector<TFldData>* List) {
  const std::string Name = Ident;
  TFldData* Fld = nullptr;
  std::unique_ptr<TFldData> New;
  if (Modify && Tbl)
    for (const auto& F : Tbl->Fields)
      if (F->GetObjName() == Name) Fld = F.get();
  if (!Fld) {
    New = std::make_unique<TFldData>(Objs);
    Fld = New.get();
  }
  if (Tbl) {
    Fld->OwnerObj = Tbl;
    Fld->TableName = Tbl->GetObjName();
  }
  Fld->SetObjName(Name);
  GetSy();
  ParseDataType(*Fld, Tbl, Modify);
  if (!New) return;
  if (Tbl) {
    Fld->Position = Tbl->Fields.Count() + 1;
    Tbl->Fields.Add(std::move(New));
  } else if (Dmn) {
    Fld->OwnerObj = Dmn;
    Dmn->Attributes.Add(std::move(New));
  } else if (List) {
    List->Add(std::move(New));
  }
}

void TOracleParser::ParseDataType(TFldData& Fld, TTblData* Tbl, bool Modify) {
  (void)Modify;
  TDBFieldType T = iftUnknown;
  bool Typed = true;
  switch (Sy) {
    case oraINTEGER:
      T = iftInteger;
      break;
    case oraSMALLINT:
      T = iftSmallInt;
      break;
    case oraFLOAT:
      T = iftFloat;
      break;
    case oraNUMBER:
      T = iftNumber;
      break;
    case oraDECIMAL:
      T = iftDecimal;
      break;
    case oraCHAR:
      T = iftChar;
      break;
    case oraVARCHAR:
      T = iftVarchar;
      break;
    case oraVARCHAR2:
      T = iftVarChar2;
      break;
    case oraRAW:
      T = iftRaw;
      break;
    case oraDATE:
      T = iftDate;
      break;
    case oraROWID:
      T = iftRowID;
      break;
    case oraLONG:
      T = iftLong;
      break;
    case oraUNIQUE:
      Typed = false;
      break;
    case syIdent: {
      const std::string Word = FQuoted ? std::string() : Ident;
      if (Word == "CONSTRAINT" || Word == "PRIMARY" || Word == "FOREIGN") {
        Typed = false;
        break;
      }
      const auto* It = std::find_if(kTypeWords.begin(), kTypeWords.end(),
                                    [&Word](const TTypeWord& W) { return W.Word == Word; });
      if (It != kTypeWords.end()) {
        T = It->Type;
      } else if (Word == "INTERVAL") {
        T = iftIntervalYearToMonth;
      } else if (Word == "REFERENCES") {
        // A column that names no type and references another: its foreign key is read by
        // the attribute loop, and the column takes the type of the column it references.
        Typed = false;
      } else if (Word == "REF") {
        GetSy();
        T = iftDomain;
        Fld.RefType = true;
        if (Sy == syIdent) Fld.DomainName = LastPart(Ident);
        TestSy(syIdent);
      } else {
        // A type of the schema, named with or without it: the catalog writes "APP"."T".
        T = iftDomain;
        Fld.DomainName = LastPart(Ident);
      }
      break;
    }
    default:
      ErrMsg("Unknown DataType: " + GetSyWord());
      return;
  }
  if (Typed) {
    Fld.FieldType = T;
    GetSy();
    if (T == iftLong && Sy == oraRAW) {
      Fld.FieldType = iftLongRaw;
      GetSy();
    } else if (T == iftDoublePrecision) {
      TestIdent("PRECISION");
      GetSy();
    } else if (T == iftIntervalYearToMonth) {
      const bool Year = IsWord("YEAR");
      if (!Year) TestIdent("DAY");
      GetSy();
      if (Sy == syLParen) {
        GetSy();
        Fld.Precision = IntValue;
        TestAndGetSy(syInteger);
        TestAndGetSy(syRParen);
      }
      TestAndGetSy(oraTO);
      TestIdent(Year ? "MONTH" : "SECOND");
      GetSy();
      if (!Year) {
        Fld.FieldType = iftIntervalDayToSecond;
        if (Sy == syLParen) {
          GetSy();
          Fld.Scale = IntValue;
          TestAndGetSy(syInteger);
          TestAndGetSy(syRParen);
        }
      }
    } else if (IsCharType(T)) {
      Fld.Size = 1;
      if (Sy == syLParen) {
        GetSy();
        Fld.Size = IntValue;
        TestAndGetSy(syInteger);
        if (IsWord("BYTE") || Sy == oraCHAR) GetSy();
        TestAndGetSy(syRParen);
      }
    } else if (IsNumberType(T) || T == iftFloat || T == iftURowID) {
      if (Sy == syLParen) {
        GetSy();
        if (Sy == syAsterisk) {
          Fld.Precision = 0;
          GetSy();
        } else {
          Fld.Precision = IntValue;
          TestAndGetSy(syInteger);
        }
        if (Sy == syComma) {
          GetSy();
          Fld.Scale = GetIntConst().empty() ? 0 : IntValue;
          GetSy();
        }
        TestAndGetSy(syRParen);
      }
    } else if (T == iftTimeStamp) {
      if (Sy == syLParen) {
        GetSy();
        TestAndGetSy(syInteger);
        TestAndGetSy(syRParen);
      }
      if (Sy == oraWITH) {
        GetSy();
        if (IsWord("LOCAL")) {
          Fld.WithLocalTimeZone = true;
          GetSy();
        } else {
          Fld.WithTimeZone = true;
        }
        TestIdent("TIME");
        GetSy();
        TestIdent("ZONE");
        GetSy();
      }
    }
  }
  // Attributes, in any order.
  for (;;) {
    if (Sy == oraDEFAULT) {
      GetSy();
      const std::int32_t Start = SyPos;
      std::string Value;
      if (Sy == syMinus || Sy == syPlus) {
        GetSy();
        if (Sy != syInteger && Sy != syFloat) {
          ErrMsg("Unknown default-value.");
          return;
        }
        Value = CopyTxt(Start, Pos - 1 - Start);
      } else if (Sy == syIdent || Sy == syFloat || Sy == oraSYSDATE || Sy == oraNULL ||
                 Sy == oraUID || Sy == oraUSER) {
        Value = Sy == syFloat ? StrValue : Sy == syIdent ? Ident : GetSyWord();
      } else if (Sy == syInteger) {
        Value = StrValue.empty() ? std::to_string(IntValue) : StrValue;
      } else if (Sy == syString) {
        Value = QuotedStr(StrValue);
      } else {
        ErrMsg("Unknown default-value.");
        return;
      }
      if (NextNonBlank() == '(') {
        SkipBlanks();
        Value += GetExpr();
      } else {
        GetSy();
      }
      Fld.DefValue = Trim(Value);
    } else if (Sy == oraNULL) {
      Fld.Nullable = true;
      GetSy();
    } else if (Sy == oraNOT) {
      GetSy();
      TestAndGetSy(oraNULL);
      Fld.Nullable = false;
    } else if (IsWord("IDENTITY")) {
      GetSy();
      TestAndGetSy(syLParen);
      Fld.Identity = true;
      Fld.IdentitySeed = IntValue;
      TestAndGetSy(syInteger);
      TestAndGetSy(syComma);
      Fld.IdentityIncrement = IntValue;
      TestAndGetSy(syInteger);
      TestAndGetSy(syRParen);
    } else if (IsWord("ROWGUIDCOL")) {
      Fld.RowGuidCol = true;
      GetSy();
    } else if (IsWord("ENABLE") || IsWord("DISABLE")) {
      GetSy();
    } else if (IsWord("CONSTRAINT")) {
      if (!Tbl) {
        // A type attribute or parameter has no table for the constraint: reported once, and
        // the clause is passed over so that the loop goes on.
        ErrMsg("fld = nil");
        return;
      }
      ParseConstraint(Tbl->GetObjName(), &Fld);
      TakeReferencedType(Fld, *Tbl);
    } else if (Sy == oraCHECK || IsWord("REFERENCES")) {
      // An unnamed column constraint: a check, or a foreign key on this column.
      if (!Tbl) {
        ErrMsg("fld = nil");
        return;
      }
      auto Ctr = std::make_unique<TCtrData>(Objs);
      Ctr->SetTblName(Tbl->GetObjName());
      if (Sy != oraCHECK) Ctr->FldList.Add(Fld.GetObjName());
      ParseCtr(std::move(Ctr));
      TakeReferencedType(Fld, *Tbl);
    } else if (IsWord("PRIMARY") || Sy == oraUNIQUE) {
      if (!Tbl) {
        ErrMsg("fld = nil");
        return;
      }
      auto Ctr = std::make_unique<TCtrData>(Objs);
      Ctr->SetCtType(IsWord("PRIMARY") ? ctPKey : ctUnique);
      Ctr->SetTblName(Tbl->GetObjName());
      Ctr->FldList.Add(Fld.GetObjName());
      ParseCtr(std::move(Ctr));
    } else {
      return;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Constraints

void TOracleParser::TakeReferencedType(TFldData& Fld, const TTblData& Tbl) {
  TObjs* O = Collection();
  if (Fld.FieldType != iftUnknown || !O) return;
  for (int I = 0; I < O->Constraints.Count(); ++I) {
    auto* Ctr = dynamic_cast<TCtrData*>(O->Constraints.Objects(I));
    if (!Ctr || (Ctr->GetCtType() != ctFKey && Ctr->GetCtType() != ctReferences) ||
        Ctr->RefFldList.Empty() || Ctr->FldList.Empty() || Ctr->FldList[0] != Fld.GetObjName() ||
        Ctr->GetTblName() != Tbl.GetObjName())
      continue;
    if (TFldData* Ref = O->GetTableField(Ctr->GetRefTblName(), Ctr->RefFldList[0]))
      Fld.AssignDataType(*Ref);
  }
}

void TOracleParser::ParseConstraint(const std::string& TblName, TFldData* Fld) {
  GetSy();  // CONSTRAINT
  auto Ctr = std::make_unique<TCtrData>(Objs);
  Ctr->SetTblName(TblName);
  if (Fld) Ctr->FldList.Add(Fld->GetObjName());
  if (Sy == syIdent) Ctr->SetObjName(Ident);
  TestAndGetSy(syIdent);
  ParseCtr(std::move(Ctr));
}

void TOracleParser::ParseCtr(std::unique_ptr<TCtrData> Ctr) {
  TObjs* O = Collection();
  bool Inline = false;  // REFERENCES without FOREIGN KEY (columns)
  if (IsWord("PRIMARY")) {
    GetSy();
    TestIdent("KEY");
    GetSy();
    Ctr->SetCtType(ctPKey);
  } else if (IsWord("FOREIGN")) {
    GetSy();
    TestIdent("KEY");
    GetSy();
    Ctr->SetCtType(ctFKey);
  } else if (IsWord("REFERENCES")) {
    // On a column it is a foreign key of that column; the referenced table and columns are
    // read below as for FOREIGN KEY.
    Ctr->SetCtType(Ctr->FldList.Empty() ? ctReferences : ctFKey);
    Inline = true;
  } else if (Sy == oraCHECK) {
    Ctr->SetCtType(ctCheck);
    SkipBlanks();
    Ctr->Body = " " + GetExpr();
  } else if (Sy == oraNOT) {
    GetSy();
    TestAndGetSy(oraNULL);
    Ctr->SetCtType(ctNotNull);
  } else if (Sy == oraUNIQUE) {
    GetSy();
    Ctr->SetCtType(ctUnique);
  } else if (Sy == syIdent) {
    ErrMsg("Unknown constraint.");
    return;
  } else {
    ErrMsg("Unknown constraint declaration (PRIMARY / FOREIGN / UNIQUE / CHECK / NOT NULL).");
    return;
  }
  if (Sy == syLParen && Ctr->GetCtType() != ctCheck && !Inline) {
    Ctr->FldList.Clear();
    FieldsSeq(&Ctr->FldList);
  }
  if (Ctr->GetCtType() == ctFKey || Ctr->GetCtType() == ctReferences) {
    TestIdent("REFERENCES");
    GetSy();
    Obj_Ident(dboTable);
    Ctr->SetRefTblName(IdentName);
    if (!ParseObj) Ctr->SetRefSchema(IdentQualifier);  // as SetName keeps a schema
    if (Sy == syLParen) {
      FieldsSeq(&Ctr->RefFldList);
    } else if (O) {
      // Without columns the reference is to the table's primary key, else its unique key.
      for (TConstraintType Kind : {ctPKey, ctUnique}) {
        for (int I = 0; I < O->Constraints.Count(); ++I) {
          auto* Key = dynamic_cast<TCtrData*>(O->Constraints.Objects(I));
          if (Key && Key->GetCtType() == Kind && Key->GetTblName() == Ctr->GetRefTblName()) {
            Ctr->RefFldList.Clear();
            for (const std::string& F : Key->FldList) Ctr->RefFldList.Add(F);
          }
        }
        if (!Ctr->RefFldList.Empty()) break;
      }
    }
  }
  while (Sy == oraON) {
    GetSy();
    TUDAction* Action = nullptr;
    if (Sy == oraDELETE)
      Action = &Ctr->OnDelete;
    else if (Sy == oraUPDATE)
      Action = &Ctr->OnUpdate;
    else {
      ErrMsg("Missing: UPDATE/DELETE in constraint rule.");
      return;
    }
    GetSy();
    if (IsWord("NO")) {
      GetSy();
      TestIdent("ACTION");
      GetSy();
    } else if (IsWord("CASCADE")) {
      *Action = udaCascade;
      GetSy();
    } else if (Sy == oraSET) {
      GetSy();
      if (Sy == oraDEFAULT) {
        *Action = udaDefault;
      } else if (Sy == oraNULL) {
        *Action = udaNull;
      } else {
        ErrMsg("Missing: DEFAULT/NULL in constraint rule.");
        return;
      }
      GetSy();
    } else {
      ErrMsg("Unknown Constraint declaration (ON rule).");
      return;
    }
  }
  for (;;) {
    if (Sy == oraNOT) {
      GetSy();
      TestIdent("DEFERRABLE");
      GetSy();
    } else if (IsWord("DEFERRABLE") || IsWord("ENABLE") || IsWord("DISABLE") || Sy == oraVALIDATE ||
               IsWord("NOVALIDATE") || IsWord("RELY") || IsWord("NORELY")) {
      GetSy();
    } else if (IsWord("INITIALLY")) {
      GetSy();
      if (Sy != oraIMMEDIATE && !IsWord("DEFERRED")) {
        ErrMsg("Must be: IMMEDIATE / DEFERRED");
        return;
      }
      GetSy();
    } else if (IsWord("USING")) {
      GetSy();
      TestAndGetSy(oraINDEX);
      for (;;) {
        if (Sy == oraPCTFREE || IsWord("PCTUSED") || IsWord("INITRANS") || IsWord("MAXTRANS")) {
          GetSy();
          TestAndGetSy(syInteger);
        } else if (IsWord("STORAGE")) {
          SkipBlanks();
          GetExpr();
        } else if (IsWord("TABLESPACE")) {
          GetSy();
          GetSy();  // a name or DEFAULT
        } else if (Sy == syIdent && !IsWord("ENABLE") && !IsWord("DISABLE") && !IsWord("RELY") &&
                   !IsWord("NORELY") && !IsWord("DEFERRABLE") && !IsWord("INITIALLY") &&
                   !IsWord("NOVALIDATE")) {
          GetSy();  // the index's name
        } else {
          break;
        }
      }
    } else {
      break;
    }
  }
  ParseTableSpace(nullptr, Ctr.get(), nullptr);
  AddCtrOrIndex(std::move(Ctr));
}

void TOracleParser::AddCtrOrIndex(std::unique_ptr<TCtrData> Ctr) {
  if (Ctr->GetSchema().empty()) Ctr->SetSchema(StatTableSchema);
  TObjs* O = Collection();
  if (O && (Ctr->GetCtType() == ctPKey || Ctr->GetCtType() == ctUnique) &&
      !Ctr->GetObjName().empty()) {
    // The key stands for the unique index of its name that an earlier statement made.
    const int I = O->Indexes.IndexOf(Ctr->GetObjName());
    if (auto* Idx = dynamic_cast<TIdxData*>(O->Indexes.Objects(I)); Idx && Idx->Unique) {
      std::string A, B;
      for (const std::string& F : Idx->Flds) A += F + ",";
      for (const std::string& F : Ctr->FldList) B += F + ",";
      if (A == B) {
        O->RemoveDepend(Idx);
        O->Indexes.Delete(I);
      }
    }
  }
  DoLogNextLine("Constraint: " + Ctr->Def());
  AddObj(Ctr.release(), true);
}

void TOracleParser::ParseTableSpace(TTblData* Tbl, TCtrData* Ctr, TIdxData* Idx) {
  TTableSpace* Target = Idx   ? &Idx->TableSpace
                        : Ctr ? &Ctr->TableSpace
                        : Tbl ? &Tbl->TableSpace
                              : nullptr;
  if (!Target) {
    ErrMsg("Unknown db-object for TABLESPACE.");
    return;
  }
  for (;;) {
    std::int32_t* Field = nullptr;
    if (Sy == oraPCTFREE)
      Field = &Target->PctFree;
    else if (IsWord("PCTUSED"))
      Field = &Target->PctUsed;
    else if (IsWord("INITRANS"))
      Field = &Target->IniTrans;
    else if (IsWord("MAXTRANS"))
      Field = &Target->MaxTrans;
    if (Field) {
      GetSy();
      *Field = IntValue;
      TestAndGetSy(syInteger);
    } else if (IsWord("STORAGE")) {
      SkipBlanks();
      Target->Storage = GetExpr();
    } else {
      return;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Views

void TOracleParser::ParseView(TViwData* Given, bool Force) {
  GetSy();
  Obj_Ident(dboView);
  std::unique_ptr<TViwData> New;
  TViwData* View = Given;
  if (!View) {
    New = std::make_unique<TViwData>(Objs);
    View = New.get();
  }
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
    for (const std::string& N : Names) {
      auto Fld = std::make_unique<TFldData>(Objs);
      Fld->SetObjName(N);
      Fld->TableName = View->GetObjName();
      Fld->OwnerObj = View;
      View->Fields.Add(std::move(Fld));
    }
  }
  TestSy(oraAS);
  if (Sy != oraAS) return;
  View->Body = CrLf(Trim(BlockCopy(AfterSy(), beViewEnd)));
  DoLogNextLine("View: " + View->GetObjName());
  if (New) AddObj(New.release(), true);
}

// ---------------------------------------------------------------------------------------------
// Triggers

void TOracleParser::ParseTrigger(TTrgData* Given) {
  GetSy();
  Obj_Ident(dboTrigger);
  std::unique_ptr<TTrgData> New;
  TTrgData* Trg = Given;
  if (!Trg) {
    New = std::make_unique<TTrgData>(Objs);
    Trg = New.get();
  }
  SetName(*Trg);
  StatType = stTrigger;
  StatObjKind = dboTrigger;
  StatObjName = IdentName;
  if (IsWord("BEFORE")) {
    Trg->Timing = baBefore;
    GetSy();
  } else if (IsWord("AFTER")) {
    Trg->Timing = baAfter;
    GetSy();
  } else if (IsWord("INSTEAD")) {
    Trg->Timing = baInsteadOf;
    GetSy();
    TestAndGetSy(oraOF);
  } else {
    ErrMsg("Must be: BEFORE / AFTER / INSTEAD OF");
    GetSy();
  }
  Trg->Events = TInsUpdDelSet{};
  Trg->Columns.Clear();
  for (;;) {
    if (Sy == oraINSERT) {
      Trg->Events.Include(iudInsert);
      GetSy();
    } else if (Sy == oraDELETE) {
      Trg->Events.Include(iudDelete);
      GetSy();
    } else if (Sy == oraUPDATE) {
      Trg->Events.Include(iudUpdate);
      GetSy();
      if (Sy == oraOF) {
        GetSy();
        for (;;) {
          if (Sy == syIdent) Trg->Columns.Add(Ident);
          TestAndGetSy(syIdent);
          if (Sy != syComma) break;
          GetSy();
        }
      }
    }
    if (Sy != oraOR) break;
    GetSy();
  }
  TestAndGetSy(oraON);
  Obj_Ident(dboTable);
  Trg->SetOwnName(IdentName);
  StatOwnName = IdentName;
  if (IsWord("REFERENCING")) {
    GetSy();
    for (;;) {
      std::string* Alias = nullptr;
      if (IsWord("NEW"))
        Alias = &Trg->NewAlias;
      else if (IsWord("OLD"))
        Alias = &Trg->OldAlias;
      else if (IsWord("PARENT"))
        Alias = &Trg->ParentAlias;
      else
        break;
      GetSy();
      TestAndGetSy(oraAS);
      if (Sy == syIdent) *Alias = Ident;
      TestAndGetSy(syIdent);
    }
  }
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
  const std::string Body = BlockCopyAt(static_cast<std::size_t>(SyPos - 1));
  Trg->Body = CrLf(Trim(Body));
  DoLogNextLine("Trigger: " + Trg->GetObjName());
  if (New && !FUnterminated) AddObj(New.release(), true);
}

// ---------------------------------------------------------------------------------------------
// Procedures, functions, packages

void TOracleParser::ParseProcedure(TPrcData* Given) {
  GetSy();
  std::unique_ptr<TPrcData> New;
  TPrcData* Prc = Given;
  if (!Prc) {
    New = std::make_unique<TPrcData>(Objs);
    Prc = New.get();
  }
  TestSy(syIdent);
  Obj_Ident(dboProcedure);
  SetName(*Prc);
  StatType = stProcedure;
  StatObjKind = dboProcedure;
  StatObjName = IdentName;
  Prc->Body = CrLf(Trim(BlockCopyAt(static_cast<std::size_t>(SyPos - 1))));
  DoLogNextLine("Procedure: " + Prc->GetObjName());
  if (New && !FUnterminated) AddObj(New.release(), true);
}

void TOracleParser::ParseFunction(TPrcData* Given) {
  GetSy();
  std::unique_ptr<TPrcData> New;
  TPrcData* Prc = Given;
  if (!Prc) {
    New = std::make_unique<TPrcData>(Objs);
    Prc = New.get();
  }
  Prc->IsFunction = true;
  TestSy(syIdent);
  Obj_Ident(dboProcedure);
  SetName(*Prc);
  StatType = stProcedure;
  StatObjName = IdentName;
  Prc->Body = CrLf(Trim(BlockCopyAt(static_cast<std::size_t>(SyPos - 1))));
  DoLogNextLine("Function: " + Prc->GetObjName());
  if (New && Objs && !FUnterminated)
    if (Objs->Procedures.Add(New->ObjKeyDef(), New.get())) (void)New.release();
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
  const std::string Text = Trim(BlockCopyAt(static_cast<std::size_t>(SyPos - 1)));
  if (IsBody)
    Pkg->BodySource = CrLf(Text);
  else
    Pkg->HeaderSource = CrLf(Text);
  DoLogNextLine("Package: " + Pkg->GetObjName());
  if (New && !FUnterminated) AddObj(New.release(), true);
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
  TDmnData* Dmn = Given;
  if (!Dmn) {
    New = std::make_unique<TDmnData>(Objs);
    Dmn = New.get();
  }
  SetName(*Dmn);
  StatObjName = Name;
  if (IsWord("TIMESTAMP")) {
    GetSy();
    Dmn->TimestampText = StrValue;
    TestAndGetSy(syString);
    if (IsWord("OID")) {
      GetSy();
      Dmn->OidText = StrValue;
      TestAndGetSy(syString);
    }
  }
  auto Members = [this, Dmn] {
    TestAndGetSy(syLParen);
    for (;;) {
      if (Sy == oraNOT || IsWord("MEMBER") || IsWord("FINAL") || IsWord("OVERRIDING") ||
          IsWord("INSTANTIABLE")) {
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
        if (Sy == syLParen) {
          // The list's "(" is the current symbol: the copy starts there.
          M->MemberParams = ParenTail();
        }
        if (M->IsFunction) {
          TestIdent("RETURN");
          GetSy();
          auto R = std::make_unique<TFldData>(Objs);
          ParseDataType(*R, nullptr, false);
          M->Params.Add(std::move(R));
        }
        Dmn->Members.Add(std::move(M));
      } else if (Sy == syIdent) {
        ParseField(nullptr, Dmn, false, nullptr);
      } else {
        TestSy(syIdent);
        return;
      }
      if (Sy != syComma) break;
      GetSy();
    }
    TestAndGetSy(syRParen);
    ParseTypeDirective(Dmn->Directive);
  };
  if (IsWord("UNDER")) {
    GetSy();
    if (Sy != syIdent) {
      ErrMsg("Must be: <Ident>.");
      return;
    }
    Dmn->SuperType = Ident;
    GetSy();
    if (Sy == syLParen) Members();
    ParseTypeDirective(Dmn->Directive);
  } else {
    const bool IsIs = Sy == oraIS;
    if (Sy != oraAS && Sy != oraIS) {
      ErrMsg("Must be: AS / IS / UNDER.");
      return;
    }
    GetSy();
    if (IsWord("OBJECT")) {
      Dmn->OracleKind = odObject;
      GetSy();
      Members();
    } else if (IsWord("VARRAY")) {
      Dmn->OracleKind = odVArray;
      GetSy();
      TestAndGetSy(syLParen);
      Dmn->VArrayLimit = IntValue;
      TestAndGetSy(syInteger);
      TestAndGetSy(syRParen);
      TestAndGetSy(oraOF);
      Dmn->TypeField = std::make_unique<TFldData>(Objs);
      ParseDataType(*Dmn->TypeField, nullptr, false);
    } else if (Sy == oraTABLE) {
      Dmn->OracleKind = IsIs ? odIsTable : odAsTable;
      GetSy();
      TestAndGetSy(oraOF);
      Dmn->TypeField = std::make_unique<TFldData>(Objs);
      ParseDataType(*Dmn->TypeField, nullptr, false);
    } else {
      ErrMsg("Unknown TYPE-statement.");
      return;
    }
  }
  DoLogNextLine("Type: " + Name);
  if (New) AddObj(New.release(), true);
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
