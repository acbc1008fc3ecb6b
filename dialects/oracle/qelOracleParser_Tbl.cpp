// The Oracle script parser's table grammar: CREATE TABLE with columns, data types,
// constraints and storage clauses; CREATE INDEX and ALTER TABLE.
#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "Text.h"
#include "qelClasses.h"
#include "qelCompObj.h"
#include "qelOracleParser.h"

namespace qel {

namespace {

/// The last part of a dotted name, without its quotes.
std::string LastPart(const std::string& Name) {
  std::string Schema, Last, First;
  TOracleParser::DecodeIdent(Name, Schema, Last, First);
  return Last;
}

/// How the words after a type's name are read.
enum TTypeTail : std::uint8_t {
  ttNone,
  ttLength,     ///< "(n [BYTE|CHAR])"; one character without it
  ttPrecision,  ///< "(p [, s])", "(*)" for any precision
  ttTimeStamp,  ///< "(n)" (not kept), WITH [LOCAL] TIME ZONE
  ttInterval,   ///< YEAR [(p)] TO MONTH, DAY [(p)] TO SECOND [(s)]
  ttLongRaw,    ///< LONG RAW
  ttDouble,     ///< DOUBLE PRECISION
  ttRef,        ///< REF type-name
};

/// A data type: the keyword symbol that names it, or syIdent and the word.
struct TOracleType {
  std::uint8_t Symbol;
  std::string_view Word;
  TDBFieldType Type;
  TTypeTail Tail;
};

// clang-format off
constexpr std::array<TOracleType, 26> kOracleTypes{{
    {oraINTEGER, "", iftInteger, ttNone},
    {oraSMALLINT, "", iftSmallInt, ttNone},
    {oraFLOAT, "", iftFloat, ttPrecision},
    {oraNUMBER, "", iftNumber, ttPrecision},
    {oraDECIMAL, "", iftDecimal, ttPrecision},
    {oraCHAR, "", iftChar, ttLength},
    {oraVARCHAR, "", iftVarchar, ttLength},
    {oraVARCHAR2, "", iftVarChar2, ttLength},
    {oraRAW, "", iftRaw, ttLength},
    {oraDATE, "", iftDate, ttNone},
    {oraROWID, "", iftRowID, ttNone},
    {oraLONG, "", iftLong, ttLongRaw},
    {syIdent, "REAL", iftReal, ttNone},
    {syIdent, "NUMERIC", iftNumeric, ttPrecision},
    {syIdent, "NCHAR", iftNChar, ttLength},
    {syIdent, "NVARCHAR", iftNVarChar, ttLength},
    {syIdent, "NVARCHAR2", iftNVarChar2, ttLength},
    {syIdent, "TIMESTAMP", iftTimeStamp, ttTimeStamp},
    {syIdent, "CLOB", iftClob, ttNone},
    {syIdent, "NCLOB", iftNClob, ttNone},
    {syIdent, "BLOB", iftBlob, ttNone},
    {syIdent, "BFILE", iftBFile, ttNone},
    {syIdent, "UROWID", iftURowID, ttPrecision},
    {syIdent, "DOUBLE", iftDoublePrecision, ttDouble},
    {syIdent, "INTERVAL", iftIntervalYearToMonth, ttInterval},
    {syIdent, "REF", iftDomain, ttRef},
}};
// clang-format on

/// The server's own types (built-in and those of its supplied schemas: XML, spatial, Any*)
/// that the reader keeps by their names, as it keeps the types of a schema.
// clang-format off
constexpr std::array<std::string_view, 28> kServerTypeNames{
    "ANYDATA", "ANYDATASET", "ANYTYPE", "BINARY_DOUBLE", "BINARY_FLOAT", "BOOLEAN", "CHARACTER",
    "DBURITYPE", "DEC", "HTTPURITYPE", "INT", "JSON", "MLSLABEL", "NATIONAL", "ORDAUDIO",
    "ORDDOC", "ORDIMAGE", "ORDVIDEO", "SDO_GEOMETRY", "SDO_GEORASTER", "SDO_TOPO_GEOMETRY",
    "SI_STILLIMAGE", "URITYPE", "VECTOR", "XDBURITYPE", "XMLTYPE", "SDO_POINT_TYPE",
    "SYS_REFCURSOR"};
// clang-format on

/// The type the current symbol names; Word is the bare identifier ("" for a keyword or a
/// quoted name).
const TOracleType* FindOracleType(std::uint8_t Symbol, const std::string& Word) {
  for (const TOracleType& T : kOracleTypes)
    if (T.Symbol == Symbol && (Symbol != syIdent || T.Word == Word)) return &T;
  return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Tables

void TOracleParser::ParseTable(TTblData* Given, bool Temporary) {
  GetSy();
  Obj_Ident(dboTable);
  std::unique_ptr<TTblData> New;
  TTblData* Tbl = GivenOrNew(Given, New);
  SetName(*Tbl);
  const std::string Name = IdentName;
  StatTableSchema = Tbl->GetSchema();
  Tbl->GlobalTemporary = Temporary;
  StatObjKind = dboTable;
  StatObjName = Name;
  if (Sy == oraOF) {
    GetSy();
    if (Sy == syIdent) Tbl->EditExtra().OfType = Ident;
    TestAndGetSy(syIdent);
  }
  if (Sy == syLParen)
    ParseTableFields(Tbl, Name, false);
  else if (Tbl->Extra().OfType.empty() && Sy != oraAS)
    MsgAtByte("Table " + Name + " has no columns.", SyPos);  // no column list, type or query
  if (Sy == oraAS) {
    const std::size_t From = AfterSy();
    Tbl->EditExtra().AsQuery = Trim(BlockCopy(From, beSemicolonLine));
    TellStatementInside(static_cast<std::int32_t>(From) + 1, SyPos, {.Query = true});
    if (Sy == syEOF) ErrMsg("Missing: <TERM> (<EOF>)");
  } else {
    if (Temporary && Sy == oraON && !ParseOnCommit(*Tbl)) return;
    if (!ParseTableClauses(*Tbl)) return;
  }
  DoLogNextLine("Table: " + Name);
  if (New) AddObj(std::move(New));
}

bool TOracleParser::ParseOnCommit(TTblData& Tbl) {
  GetSy();
  TestIdent("COMMIT");
  GetSy();
  if (Sy == oraDELETE) {
    Tbl.OnCommit = tocDelete;
  } else if (IsWord("PRESERVE")) {
    Tbl.OnCommit = tocPreserve;
  } else {
    ErrMsg("Unknown ON COMMIT declaration.");
    return false;
  }
  GetSy();
  TestAndGetSy(oraROWS);
  return true;
}

bool TOracleParser::ParseTableClauses(TTblData& Tbl) {
  for (;;) {
    if (Sy == oraPCTFREE || IsWord("PCTUSED") || IsWord("INITRANS") || IsWord("MAXTRANS") ||
        IsWord("STORAGE")) {
      ParseTableSpace(&Tbl, nullptr, nullptr);
    } else if (Sy == oraCOMPRESS || Sy == oraNOCOMPRESS) {
      Tbl.Compress = Sy == oraCOMPRESS;
      GetSy();
    } else if (IsWord("ORGANIZATION")) {
      GetSy();
      if (!IsWord("HEAP") && Sy != oraINDEX && !IsWord("EXTERNAL")) {
        ErrMsg("Must be: HEAP / INDEX / EXTERNAL");
        return false;
      }
      GetSy();
    } else if (IsWord("TABLESPACE")) {
      GetSy();
      if (Sy == syIdent) Tbl.EditExtra().TablespaceName = Ident;
      TestAndGetSy(syIdent);
    } else if (IsWord("SEGMENT")) {
      // SEGMENT CREATION IMMEDIATE / DEFERRED, as a catalog renders a table: dropped.
      GetSy();
      TestIdent("CREATION");
      GetSy();
      GetSy();
    } else if (IsWord("LOGGING") || IsWord("NOLOGGING")) {
      Tbl.NoLogging = IsWord("NOLOGGING");
      GetSy();
    } else if (Sy == syComma) {
      GetSy();
      if (Sy == syIdent && NextNonBlank() == '(') {
        SkipBlanks();
        GetExpr();
      } else {
        TestAndGetSy(syIdent);
      }
    } else if (!ParseTableStoreClause(Tbl)) {
      return true;
    }
  }
}

bool TOracleParser::ParseTableStoreClause(TTblData& Tbl) {
  if (IsWord("PARTITION")) {
    GetSy();
    TestAndGetSy(oraBY);
    TestIdent("RANGE");
    SkipBlanks();
    Tbl.EditExtra().PartitionColumns = GetExpr();
    // GetExpr read the "(" of the list as the next symbol: the list starts there.
    if (Sy == syLParen) Tbl.EditExtra().PartitionClause = ParenTail();
  } else if (IsWord("LOB")) {
    SkipBlanks();
    Tbl.EditExtra().LobClause = GetExpr();
    if (IsWord("STORE")) {
      GetSy();
      TestSy(oraAS);
      SkipBlanks();
      Tbl.EditExtra().StoreAs = GetExpr();
    }
  } else if (IsWord("NESTED")) {
    GetSy();
    TestAndGetSy(oraTABLE);
    if (Sy == syIdent) Tbl.EditExtra().NestedTable = Ident;
    TestAndGetSy(syIdent);
    TestIdent("STORE");
    GetSy();
    TestAndGetSy(oraAS);
    if (Sy == syIdent) Tbl.EditExtra().StoreAs = Ident;
    TestSy(syIdent);
    if (NextNonBlank() == '(') {
      SkipBlanks();
      Tbl.Storage = GetExpr();
    } else {
      GetSy();
    }
  } else {
    return false;
  }
  return true;
}

void TOracleParser::ParseTableFields(TTblData* Tbl, const std::string& TblName, bool Modify) {
  TestAndGetSy(syLParen);
  TObjs* O = Collection();
  if (!Tbl && O) Tbl = O->GetTable(TblName);
  // A list for a table the collection does not hold: its constraints take the statement's
  // table name, its columns go nowhere.
  TTblData Scratch(Objs);
  TTblData* Target = Tbl ? Tbl : &Scratch;
  for (;;) {
    if (!ParseTableConstraint(TblName)) {
      if (Sy != syIdent) {
        TestSy(syIdent);
        return;
      }
      ParseField(Target, nullptr, Modify, nullptr);
    }
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
}

bool TOracleParser::ParseTableConstraint(const std::string& TblName) {
  if (IsWord("CONSTRAINT")) {
    ParseConstraint(TblName, nullptr);
    return true;
  }
  TConstraintType Type = ctPKey;
  if (IsWord("PRIMARY"))
    Type = ctPKey;
  else if (IsWord("FOREIGN"))
    Type = ctFKey;
  else if (Sy == oraCHECK)
    Type = ctCheck;
  else if (Sy == oraUNIQUE)
    Type = ctUnique;
  else
    return false;
  auto Ctr = std::make_unique<TCtrData>(Objs);
  Ctr->SetCtType(Type);
  Ctr->SetTblName(TblName);
  ParseCtr(std::move(Ctr));
  return true;
}

void TOracleParser::ParseField(TTblData* Tbl, TDmnData* Dmn, bool Modify,
                               TObjVector<TFldData>* List) {
  const std::string Name = Ident;
  TFldData* Fld = nullptr;
  std::unique_ptr<TFldData> New;
  if (Modify && Tbl)
    for (const auto& F : Tbl->Fields)
      if (F->GetObjName() == Name) Fld = F.get();
  Fld = GivenOrNew(Fld, New);
  if (Tbl) {
    Fld->OwnerObj = Tbl;
    Fld->TableName = Tbl->GetObjName();
  }
  Fld->SetObjName(Name);
  GetSy();
  const int Errors = MsgManager.GetErrCount();
  ParseDataType(*Fld, Tbl, Modify);
  if (!New) return;
  // An object table's columns are its type's attributes: its element list names one only for
  // its constraints, and the table holds no column of its own for it.
  if (Tbl && !Tbl->Extra().OfType.empty() && Fld->FieldType == iftUnknown) return;
  // A column may leave out its type only as a foreign key: it takes the referenced column's.
  if (Tbl && New->FieldType == iftUnknown && MsgManager.GetErrCount() == Errors)
    ErrMsg("Column " + Name + " has no type.");
  if (Tbl) {
    Fld->Position = Tbl->Fields.Count() + 1;
    AddColumn(*Tbl, std::move(New));
  } else if (Dmn) {
    Fld->OwnerObj = Dmn;
    Dmn->Attributes.Add(std::move(New));
  } else if (List) {
    List->Add(std::move(New));
  }
}

bool TOracleParser::ServerTypeName(const std::string& Name) const {
  const std::string U = UpperCase(Name);
  return std::find(kServerTypeNames.begin(), kServerTypeNames.end(), U) != kServerTypeNames.end();
}

void TOracleParser::ParseDataType(TFldData& Fld, TTblData* Tbl, bool Modify) {
  const std::string Word = Sy == syIdent && !FQuoted ? Ident : std::string();
  // A column may name no type and start with its constraints; one that references another
  // column takes that column's type (the attribute loop reads the key). MODIFY may change a
  // column's default or nullability alone: "MODIFY (SALARY DEFAULT 0)" keeps the type.
  const bool Typed = Sy != oraUNIQUE && Word != "CONSTRAINT" && Word != "PRIMARY" &&
                     Word != "FOREIGN" && Word != "REFERENCES" &&
                     !(Modify && (Sy == oraDEFAULT || Sy == oraNULL || Sy == oraNOT));
  if (Typed) {
    if (const TOracleType* Type = FindOracleType(Sy, Word)) {
      Fld.FieldType = Type->Type;
      GetSy();
      ParseTypeTail(Fld, Type->Tail);
      TestTypeBounds(Fld);
    } else if (Sy == syIdent) {
      // A type of the schema, named with or without it: the catalog writes "APP"."T".
      Fld.FieldType = iftDomain;
      Fld.SetExtra(&TFldExtra::DomainName, LastPart(Ident));
      if (!ParseObj) NoteUserType(Fld, SyPos, Ident.find('.') != std::string::npos);
      GetSy();
    } else {
      ErrMsg("Unknown DataType: " + GetSyWord());
      return;
    }
  }
  ParseFieldAttributes(Fld, Tbl);
}

void TOracleParser::ParseTypeTail(TFldData& Fld, std::uint8_t Tail) {
  switch (Tail) {
    case ttLength:
      Fld.Size = 1;
      if (Sy != syLParen) return;
      GetSy();
      Fld.Size = IntValue;
      TestAndGetSy(syInteger);
      if (IsWord("BYTE") || Sy == oraCHAR) {
        LengthSemanticsNotKept(Fld);
        GetSy();
      }
      TestAndGetSy(syRParen);
      return;
    case ttPrecision:
      ParsePrecisionScale(Fld);
      return;
    case ttTimeStamp:
      ParseParenInteger(nullptr);  // fractional digits: not kept
      ParseTimeZone(Fld);
      return;
    case ttInterval:
      ParseInterval(Fld);
      return;
    case ttLongRaw:
      if (Sy != oraRAW) return;
      Fld.FieldType = iftLongRaw;
      GetSy();
      return;
    case ttDouble:
      TestIdent("PRECISION");
      GetSy();
      return;
    case ttRef:
      Fld.RefType = true;
      if (Sy == syIdent) Fld.SetExtra(&TFldExtra::DomainName, LastPart(Ident));
      TestSy(syIdent);
      GetSy();
      return;
    default:
      return;
  }
}

void TOracleParser::LengthSemanticsNotKept(const TFldData& Fld) {
  // The model has no place for them: the column is written with its length alone and takes
  // the semantics the server defaults to, which may not be the ones asked for.
  const std::string Owner = Fld.TableName.empty() ? StatObjName : Fld.TableName;
  const std::string Name = Fld.GetObjName().empty() ? Owner : Owner + "." + Fld.GetObjName();
  const std::string Text = "Column " + Name + ": length semantics " + UpperCase(Ident) +
                           " not kept; the length is written without them.";
  if (ParseObj)
    MsgManager.AddObjMsg(Text, ParseObj, GetPosX(), GetPosY(), mt_Wrn);
  else
    WrnMsg(Text);
}

void TOracleParser::ParseParenInteger(std::int32_t* Value) {
  if (Sy != syLParen) return;
  GetSy();
  if (Value) *Value = IntValue;
  TestAndGetSy(syInteger);
  TestAndGetSy(syRParen);
}

void TOracleParser::ParsePrecisionScale(TFldData& Fld) {
  if (Sy != syLParen) return;
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

void TOracleParser::ParseTimeZone(TFldData& Fld) {
  if (Sy != oraWITH) return;
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

void TOracleParser::ParseInterval(TFldData& Fld) {
  const bool Year = IsWord("YEAR");
  if (!Year) TestIdent("DAY");
  GetSy();
  ParseParenInteger(&Fld.Precision);
  TestAndGetSy(oraTO);
  TestIdent(Year ? "MONTH" : "SECOND");
  GetSy();
  if (Year) return;
  Fld.FieldType = iftIntervalDayToSecond;
  ParseParenInteger(&Fld.Scale);
}

void TOracleParser::ParseFieldAttributes(TFldData& Fld, TTblData* Tbl) {
  // Attributes, in any order.
  for (;;) {
    if (Sy == oraDEFAULT) {
      if (!ParseFieldDefault(Fld)) return;
    } else if (Sy == oraNULL) {
      TestNullClause(Fld, true);
      Fld.Nullable = true;
      GetSy();
    } else if (Sy == oraNOT) {
      GetSy();
      TestNullClause(Fld, false);
      TestAndGetSy(oraNULL);
      Fld.Nullable = false;
    } else if (IsWord("IDENTITY")) {
      GetSy();
      TestAndGetSy(syLParen);
      Fld.Identity = true;
      Fld.SetExtra(&TFldExtra::IdentitySeed, IntValue);
      TestAndGetSy(syInteger);
      TestAndGetSy(syComma);
      Fld.SetExtra(&TFldExtra::IdentityIncrement, IntValue);
      TestAndGetSy(syInteger);
      TestAndGetSy(syRParen);
    } else if (IsWord("ROWGUIDCOL")) {
      Fld.RowGuidCol = true;
      GetSy();
    } else if (IsWord("ENABLE") || IsWord("DISABLE")) {
      GetSy();
    } else if (IsWord("CONSTRAINT") || IsWord("REFERENCES") || IsWord("PRIMARY") ||
               Sy == oraCHECK || Sy == oraUNIQUE) {
      if (!Tbl) {
        // A type attribute or parameter has no table for the constraint: reported once, and
        // the clause is passed over so that the loop goes on.
        ErrMsg("fld = nil");
        return;
      }
      ParseColumnConstraint(Fld, *Tbl);
    } else {
      return;
    }
  }
}

bool TOracleParser::ParseFieldDefault(TFldData& Fld) {
  GetSy();
  const std::int32_t Start = SyPos;
  std::string Value;
  if (Sy == syMinus || Sy == syPlus) {
    GetSy();
    if (Sy != syInteger && Sy != syFloat) {
      ErrMsg("Unknown default-value.");
      return false;
    }
    Value = CopyTxt(Start, Pos - 1 - Start);
  } else if (Sy == syIdent || Sy == syFloat || Sy == oraSYSDATE || Sy == oraNULL || Sy == oraUID ||
             Sy == oraUSER) {
    Value = Sy == syFloat ? StrValue : Sy == syIdent ? Ident : GetSyWord();
  } else if (Sy == syInteger) {
    Value = StrValue.empty() ? std::to_string(IntValue) : StrValue;
  } else if (Sy == syString) {
    Value = QuotedStr(StrValue);
  } else {
    ErrMsg("Unknown default-value.");
    return false;
  }
  if (NextNonBlank() == '(') {
    SkipBlanks();
    Value += GetExpr();
  } else {
    GetSy();
  }
  Fld.DefValue = Trim(Value);
  return true;
}

void TOracleParser::ParseColumnConstraint(TFldData& Fld, TTblData& Tbl) {
  if (IsWord("CONSTRAINT")) {
    ParseConstraint(Tbl.GetObjName(), &Fld);
    TakeReferencedType(Fld, Tbl);
    return;
  }
  // An unnamed column constraint: a key, a check, or a foreign key on this column.
  auto Ctr = std::make_unique<TCtrData>(Objs);
  const bool Key = IsWord("PRIMARY") || Sy == oraUNIQUE;
  if (Key) Ctr->SetCtType(IsWord("PRIMARY") ? ctPKey : ctUnique);
  Ctr->SetTblName(Tbl.GetObjName());
  if (Sy != oraCHECK) Ctr->FldList.Add(Fld.GetObjName());
  ParseCtr(std::move(Ctr));
  if (!Key) TakeReferencedType(Fld, Tbl);
}

// ---------------------------------------------------------------------------------------------
// Constraints

void TOracleParser::TakeReferencedType(TFldData& Fld, const TTblData& Tbl) {
  TObjs* O = Collection();
  if (Fld.FieldType != iftUnknown || !O) return;
  for (int I = 0; I < O->Constraints.Count(); ++I) {
    auto* Ctr = dynamic_cast<TCtrData*>(O->Constraints.Objects(I));
    if (!Ctr || (Ctr->GetCtType() != ctFKey && Ctr->GetCtType() != ctReferences) ||
        Ctr->Extra().RefFldList.Empty() || Ctr->FldList.Empty() ||
        Ctr->FldList[0] != Fld.GetObjName() || Ctr->GetTblName() != Tbl.GetObjName())
      continue;
    if (TFldData* Ref = O->GetTableField(Ctr->GetRefTblName(), Ctr->Extra().RefFldList[0]))
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
  bool Inline = false;  // REFERENCES without FOREIGN KEY (columns)
  if (!ParseCtrKind(*Ctr, Inline)) return;
  if (Sy == syLParen && Ctr->GetCtType() != ctCheck && !Inline) {
    Ctr->FldList.Clear();
    FieldsSeq(&Ctr->FldList);
  }
  if (Ctr->GetCtType() == ctFKey || Ctr->GetCtType() == ctReferences) ParseCtrReference(*Ctr);
  if (!ParseCtrRules(*Ctr) || !ParseCtrState()) return;
  ParseTableSpace(nullptr, Ctr.get(), nullptr);
  AddCtrOrIndex(std::move(Ctr));
}

bool TOracleParser::ParseCtrKind(TCtrData& Ctr, bool& Inline) {
  if (IsWord("PRIMARY") || IsWord("FOREIGN")) {
    Ctr.SetCtType(IsWord("PRIMARY") ? ctPKey : ctFKey);
    GetSy();
    TestIdent("KEY");
    GetSy();
  } else if (IsWord("REFERENCES")) {
    // On a column it is a foreign key of that column; the referenced table and columns are
    // read below as for FOREIGN KEY.
    Ctr.SetCtType(Ctr.FldList.Empty() ? ctReferences : ctFKey);
    Inline = true;
  } else if (Sy == oraCHECK) {
    Ctr.SetCtType(ctCheck);
    SkipBlanks();
    Ctr.SetExtra(&TObjExtra::Body, std::string(1, ' ').append(GetExpr()));
  } else if (Sy == oraNOT) {
    GetSy();
    TestAndGetSy(oraNULL);
    Ctr.SetCtType(ctNotNull);
  } else if (Sy == oraUNIQUE) {
    GetSy();
    Ctr.SetCtType(ctUnique);
  } else if (Sy == syIdent) {
    ErrMsg("Unknown constraint.");
    return false;
  } else {
    ErrMsg("Unknown constraint declaration (PRIMARY / FOREIGN / UNIQUE / CHECK / NOT NULL).");
    return false;
  }
  return true;
}

void TOracleParser::ParseCtrReference(TCtrData& Ctr) {
  TestIdent("REFERENCES");
  GetSy();
  Obj_Ident(dboTable);
  Ctr.SetRefTblName(IdentName);
  if (!ParseObj) Ctr.SetRefSchema(IdentQualifier);  // as SetName keeps a schema
  if (Sy == syLParen) {
    FieldsSeq(&Ctr.EditExtra().RefFldList);
    return;
  }
  TObjs* O = Collection();
  if (!O) return;
  // Without columns the reference is to the table's primary key, else its unique key.
  for (TConstraintType Kind : {ctPKey, ctUnique}) {
    for (int I = 0; I < O->Constraints.Count(); ++I) {
      auto* Key = dynamic_cast<TCtrData*>(O->Constraints.Objects(I));
      if (Key && Key->GetCtType() == Kind && Key->GetTblName() == Ctr.GetRefTblName()) {
        Ctr.EditExtra().RefFldList.Clear();
        for (const std::string& F : Key->FldList) Ctr.EditExtra().RefFldList.Add(F);
      }
    }
    if (!Ctr.Extra().RefFldList.Empty()) break;
  }
}

bool TOracleParser::ParseCtrRules(TCtrData& Ctr) {
  while (Sy == oraON) {
    GetSy();
    TUDAction* Action = nullptr;
    if (Sy == oraDELETE) {
      Action = &Ctr.OnDelete;
    } else if (Sy == oraUPDATE) {
      Action = &Ctr.OnUpdate;
    } else {
      ErrMsg("Missing: UPDATE/DELETE in constraint rule.");
      return false;
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
      if (Sy != oraDEFAULT && Sy != oraNULL) {
        ErrMsg("Missing: DEFAULT/NULL in constraint rule.");
        return false;
      }
      *Action = Sy == oraDEFAULT ? udaDefault : udaNull;
      GetSy();
    } else {
      ErrMsg("Unknown Constraint declaration (ON rule).");
      return false;
    }
  }
  return true;
}

bool TOracleParser::ParseCtrState() {
  for (;;) {
    if (Sy == oraNOT) {
      // NOT NULL after a column's key or check is the column's own attribute, read by the
      // column; only NOT DEFERRABLE belongs to the constraint.
      if (!NextWordIs("DEFERRABLE")) return true;
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
        return false;
      }
      GetSy();
    } else if (IsWord("USING")) {
      GetSy();
      TestAndGetSy(oraINDEX);
      SkipUsingIndex();
    } else {
      return true;
    }
  }
}

void TOracleParser::SkipUsingIndex() {
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
      return;
    }
  }
}

void TOracleParser::AddCtrOrIndex(std::unique_ptr<TCtrData> Ctr) {
  if (Ctr->GetSchema().empty()) Ctr->SetSchema(StatTableSchema);
  TObjs* O = Collection();
  if (O && (Ctr->GetCtType() == ctPKey || Ctr->GetCtType() == ctUnique) &&
      !Ctr->GetObjName().empty()) {
    // The key stands for the unique index of its name that an earlier statement made. Found
    // without putting the index list in order: that is only worth it when one goes.
    auto* Idx = dynamic_cast<TIdxData*>(O->Indexes.FindObj(Ctr->GetObjName()));
    if (Idx && Idx->Unique) {
      std::string A, B;
      for (const std::string& F : Idx->Flds) A += F + ",";
      for (const std::string& F : Ctr->FldList) B += F + ",";
      if (A == B) {
        O->RemoveDepend(Idx);
        O->Indexes.Delete(O->Indexes.IndexOfObject(Idx));
      }
    }
  }
  // ALTER TABLE ... ADD CONSTRAINT of a name the table has, dropped by an earlier ALTER TABLE
  // ... DROP CONSTRAINT: the new one takes its place. Without the DROP the server refuses it, and
  // so does AddObj.
  const std::string Dropped = UpperCase(Ctr->GetTblName()) + "." + Ctr->GetObjName();
  if (O && !Ctr->GetObjName().empty() && FDroppedConstraints.erase(Dropped) > 0)
    if (auto* Old = dynamic_cast<TCtrData*>(O->Constraints.FindObj(Ctr->ObjKeyDef()));
        Old && Old->GetTblName() == Ctr->GetTblName()) {
      O->RemoveDepend(Old);
      O->Constraints.Delete(O->Constraints.IndexOfObject(Old));
    }
  DoLogNextLine("Constraint: " + Ctr->Def());
  AddObj(std::move(Ctr));
}

void TOracleParser::ParseTableSpace(TTblData* Tbl, TCtrData* Ctr, TIdxData* Idx) {
  TTableSpace* Target = Idx   ? &Idx->EditExtra().TableSpace
                        : Ctr ? &Ctr->EditExtra().TableSpace
                        : Tbl ? &Tbl->EditExtra().TableSpace
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
// Indexes

void TOracleParser::ParseIndex(bool Unique) {
  TestAndGetSy(oraINDEX);
  auto Idx = std::make_unique<TIdxData>(Objs);
  Idx->Unique = Unique;
  Obj_Ident(dboIndex);
  SetName(*Idx);
  StatObjKind = dboIndex;
  StatObjName = IdentName;
  TestAndGetSy(oraON);
  bool OnCluster = false;
  if (Sy == oraCLUSTER) {
    GetSy();
    OnCluster = true;
  }
  Obj_Ident(dboTable);
  if (!OnCluster) Idx->TableName = IdentName;
  if (!OnCluster && !ParseObj && IdentQualifier != Idx->GetSchema())
    Idx->TableSchema = IdentQualifier;
  if (!OnCluster && Sy == syLParen) {
    GetSy();
    for (;;) {
      const std::string Name = Sy == syIdent ? Ident : std::string();
      TestAndGetSy(syIdent);
      std::int32_t Order = 0;
      if (Sy == oraDESC) {
        Order = 2;
        GetSy();
      } else if (IsWord("ASC")) {
        GetSy();
      }
      Idx->AddFld(Name, Order);
      if (Sy != syComma) break;
      GetSy();
    }
    TestAndGetSy(syRParen);
  }
  if (Sy == oraCOMPRESS) {
    Idx->Compress = true;
    GetSy();
    if (Sy == syInteger) GetSy();
  } else if (Sy == oraNOCOMPRESS) {
    Idx->NoCompress = true;
    GetSy();
  }
  if (IsWord("INDEXTYPE")) {
    GetSy();
    TestAndGetSy(oraIS);
    if (Sy == syIdent) Idx->EditExtra().IndexType = Ident;
    TestAndGetSy(syIdent);
    if (IsWord("PARAMETERS")) {
      SkipBlanks();
      Idx->EditExtra().Parameters = GetExpr();
    }
  }
  if (IsWord("NOLOGGING")) {
    Idx->NoLogging = true;
    GetSy();
  }
  if (IsWord("TABLESPACE")) {
    GetSy();
    if (Sy == syIdent) Idx->EditExtra().TablespaceName = Ident;
    TestAndGetSy(syIdent);
  }
  ParseTableSpace(nullptr, nullptr, Idx.get());
  DoLogNextLine("Index: " + Idx->Def());
  if (TObjs* O = Collection(); O && O->Indexes.Add(Idx->ObjKeyDef(), Idx.get())) {
    NoteNewKey(*Idx);
    (void)Idx.release();
  } else if (const TDbObj* Old = O ? O->Indexes.FindObj(Idx->ObjKeyDef()) : nullptr) {
    TestDefinedTwice("Index " + Idx->GetObjName(), *Old);
  }
}

// ---------------------------------------------------------------------------------------------
// ALTER TABLE

void TOracleParser::ParseAlterTable() {
  GetSy();
  Obj_Ident(dboTable);
  const std::string TblName = IdentName;
  StatObjKind = dboTable;
  StatObjName = TblName;
  // A catalog text names the owner the objects read from the catalog are filed without.
  StatTableSchema = ParseObj ? std::string() : IdentQualifier;
  TObjs* O = Collection();
  // A table of a schema is filed under "schema.name".
  TTblData* Tbl = O ? O->GetTable(SchObjName(StatTableSchema, TblName)) : nullptr;
  if (!ParseObj) TestAlteredTable(Tbl, TblName);
  if (IsWord("ENABLE") || IsWord("DISABLE")) {
    GetSy();
    TestIdent("PRIMARY");
    GetSy();
    TestIdent("KEY");
    GetSy();
    return;
  }
  if (Sy == oraADD) {
    GetSy();
    if (ParseTableConstraint(TblName)) return;
    if (Sy == syIdent || Sy == syLParen)
      ParseAlterColumns(Tbl, TblName, false);
    else
      ErrMsg("Unknown ALTER TABLE ADD... statement.");
    return;
  }
  if (Sy == oraDROP) {
    GetSy();
    if (IsWord("CONSTRAINT")) {
      GetSy();
      // What a script is read into keeps the constraint; an ADD of its name after this takes
      // its place rather than making a second one.
      if (Sy == syIdent) FDroppedConstraints.insert(UpperCase(TblName) + "." + Ident);
      TestAndGetSy(syIdent);
      if (IsWord("CASCADE")) GetSy();
    } else if (Sy == syLParen || Sy == oraCOLUMN) {
      // DROP (column, ...) and DROP COLUMN name: the columns the writer drops.
      SkipToTerm();
    } else {
      ErrMsg("Unknown ALTER TABLE DROP... statement.");
    }
    return;
  }
  if (Sy == oraMODIFY) {
    GetSy();
    if (Sy == syIdent || Sy == syLParen)
      ParseAlterColumns(Tbl, TblName, true);
    else
      ErrMsg("Unknown ALTER TABLE MODIFY... statement.");
    return;
  }
  ErrMsg("Unknown ALTER TABLE statement.");
  GetSy();
}

void TOracleParser::ParseAlterColumns(TTblData* Tbl, const std::string& TblName, bool Modify) {
  if (Sy == syLParen) {
    ParseTableFields(Tbl, TblName, Modify);
    return;
  }
  // One column: it joins the table when the collection holds it.
  TTblData Scratch(Objs);
  ParseField(Tbl ? Tbl : &Scratch, nullptr, Modify, nullptr);
}

}  // namespace qel
