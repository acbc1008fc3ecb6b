// The SQL Anywhere script parser's table grammar: tables, columns, data types, defaults, keys
// and checks, indexes, domains and ALTER TABLE.
#include "qelASAParser.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string_view>
#include <utility>

#include "Text.h"
#include "qelClasses.h"
#include "qelCompObj.h"
#include "qelComp_Dmn.h"
#include "qelResWords.h"

namespace qel {

namespace {

/// The data types named by a keyword, and whether they take "(" n ")".
struct TTypeWord {
  std::uint8_t Symbol;
  TDBFieldType Type;
  bool Sized;
};

constexpr std::array<TTypeWord, 17> kTypeWords{{
    {asaTIMESTAMP, iftTimeStamp, false},
    {asaBIGINT, iftBigInt, false},
    {asaVARBINARY, iftVarBinary, true},
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

/// The types the lexer reads as identifiers (the catalog names them too; UNIQUEIDENTIFIER is
/// read as the word UNIQUE), and whether they take "(" n ")". A domain of the script by one of
/// these names stays that domain.
struct TTypeName {
  std::string_view Name;
  TDBFieldType Type;
  bool Sized;
};

constexpr std::array<TTypeName, 3> kTypeNames{{
    {"NCHAR", iftNChar, true},
    {"NVARCHAR", iftNVarChar, true},
    {"UNIQUEIDENTIFIER", iftUniqueIdent, false},
}};

/// The server's own types and domains the lexer reads as identifiers and the reader keeps by
/// their names, as it keeps domains; the spatial types all start with ST_.
// clang-format off
constexpr std::array<std::string_view, 20> kServerTypeNames{
    "CHARACTER", "DATETIME", "DATETIMEOFFSET", "DOUBLE", "IMAGE", "INTEGER", "LONG", "MONEY",
    "NATIONAL", "NTEXT", "OLDBIT", "SMALLDATETIME", "SMALLMONEY", "SYSNAME", "TEXT",
    "UNIQUEIDENTIFIERSTR", "UNSIGNED", "VARBIT", "XML", "DECIMAL"};
// clang-format on

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

bool TASAParser::ServerTypeName(const std::string& Name) const {
  const std::string U = UpperCase(Name);
  return U.rfind("ST_", 0) == 0 ||
         std::find(kServerTypeNames.begin(), kServerTypeNames.end(), U) != kServerTypeNames.end();
}

std::unique_ptr<TCtrData> TASAParser::NewConstraint(TTblData* Table, const std::string& TableName,
                                                    TConstraintType Type) {
  auto Ctr = std::make_unique<TCtrData>(Objs);
  Ctr->SetCtType(Type);
  Ctr->SetTblName(Table ? Table->GetObjName() : TableName);
  Ctr->SetExtra(&TObjExtra::Creator,
                Table && !Table->Extra().Creator.empty() ? Table->Extra().Creator : "DBA");
  return Ctr;
}

void TASAParser::ParseTable(bool GlobalTemporary) {
  auto Tbl = std::make_unique<TTblData>(Objs);
  Obj_Ident(Tbl.get());
  if (Tbl->Extra().Creator.empty()) Tbl->SetExtra(&TObjExtra::Creator, "DBA");
  StatObjName = Tbl->GetObjName();
  Tbl->GlobalTemporary = GlobalTemporary;
  if (GlobalTemporary) Tbl->OnCommit = tocDelete;
  TTblData* Table = Tbl.get();
  // The table is filed at once: the keys read below look it up.
  if (!AddObj(std::move(Tbl))) Table = nullptr;
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
  TestTableHasColumns(*Into);
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
  return AddColumn(*Table, std::move(Fld));
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
  const TTypeName* Named = nullptr;
  if (Sy == syIdent || Sy == asaUNIQUE) {
    const auto* O = dynamic_cast<TObjs*>(Objs);
    if (!O || !O->GetDomain(Ident))
      Named = FindRow(kTypeNames, std::string_view(UpperCase(Ident)), &TTypeName::Name);
  }
  if (Sy == syIdent && !Named) {
    // A user type (domain) by its name.
    Fld.FieldType = iftDomain;
    Fld.SetExtra(&TFldExtra::DomainName, Ident);
    NoteUserType(Fld, SyPos);
    GetSy();
    return;
  }
  const TTypeWord* It = Named ? nullptr : FindRow(kTypeWords, Sy, &TTypeWord::Symbol);
  if (!It && !Named) {
    ErrMsg("Unknown datatype: " + ResWordBySymbol(Sy));
    GetSy();
    return;
  }
  const TTypeWord Word = It ? *It : TTypeWord{Sy, Named->Type, Named->Sized};
  It = &Word;
  Fld.FieldType = It->Type;
  if (It->Type == iftNumeric || It->Type == iftDecimal) {
    SkipBlanks();
    const bool Given = Ch == '(';
    GetNumDec(&Fld);  // reads from the type word on
    // Without "(p, s)" the server's default applies, which the writer leaves unwritten too.
    if (!Given) Fld.Precision = Fld.Scale = 0;
    TestTypeBounds(Fld);
    return;
  }
  if (Sy == asaDOUBLE) {
    GetSy();
    if (Sy == asaPRECISION) GetSy();
  } else {
    GetSy();
  }
  if (It->Type == iftFloat && Sy == syLParen) {
    // FLOAT(p) counts the bits of the mantissa: 1 to 24 is the server's single-precision
    // float (what FLOAT alone is), 25 to 53 its double.
    GetSy();
    const bool Given = Sy == syInteger;
    const std::int32_t Bits = Given ? IntValue : 0;
    TestAndGetSy(syInteger);
    TestAndGetSy(syRParen);
    if (Given && (Bits < 1 || Bits > 53)) ErrMsg("FLOAT precision out of range: 1 to 53.");
    if (Bits > 24) Fld.FieldType = iftDouble;
  }
  if (It->Sized && Sy == syLParen) {
    GetSy();
    if (Sy == syInteger) Fld.Size = IntValue;
    TestAndGetSy(syInteger);
    TestAndGetSy(syRParen);
  }
  TestTypeBounds(Fld);
}

void TASAParser::ParseFieldDesc(TFldData& Fld, TTblData* Table) {
  for (;;) {
    if (Sy == asaDEFAULT) {
      GetSy();
      Fld.DefValue = GetDefaultValue();
    } else if (Sy == asaNOT) {
      GetSy();
      TestNullClause(Fld, false);
      TestAndGetSy(asaNULL);
      Fld.Nullable = false;
    } else if (Sy == asaNULL) {
      TestNullClause(Fld, true);
      GetSy();
      Fld.Nullable = true;
    } else if (Sy == asaCHECK) {
      SkipBlanks();
      if (Ch == '(') {
        Fld.SetExtra(&TFldExtra::CheckText, GetExpr());  // from the "(" after CHECK
      } else {  // CHECK NULL: MODIFY takes the column's check away
        GetSy();
        TestAndGetSy(asaNULL);
        Fld.SetExtra(&TFldExtra::CheckText, std::string());
      }
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

std::vector<std::pair<std::string, std::int32_t>> TASAParser::ParseIdxColumns() {
  std::vector<std::pair<std::string, std::int32_t>> Columns;
  TestAndGetSy(syLParen);
  for (;;) {
    std::string Name;
    if (Sy == syIdent || Sy == syString) Name = Sy == syIdent ? Ident : StrValue;
    TestAndGetSy(syIdent);
    const std::int32_t Order = ReadSortOrder([this](const char* Word) { return IsWord(Word); });
    Columns.emplace_back(std::move(Name), Order);
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
  return Columns;
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
  if (Sy == syLParen || !Column) {
    for (const auto& [Name, Order] : ParseIdxColumns()) Ctr->AddFld(Name, Order);
  } else {
    Ctr->FldList.Add(Column->GetObjName());
  }
  AddObj(std::move(Ctr));
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
    Ctr->EditExtra().RoleName = Sy == syIdent ? Ident : StrValue;
    GetSy();
  }
  for (const auto& [Name, Order] : ParseIdxColumns()) Ctr->AddFld(Name, Order);
  TestAndGetSy(asaREFERENCES);
  std::string RefOwner, RefName;
  OwnerName(RefOwner, RefName, true);
  Ctr->EditExtra().RefOwner = RefOwner;
  Ctr->SetRefTblName(RefName);
  // An order written here is the referenced key's, which keeps its own.
  if (Sy == syLParen)
    for (const auto& Column : ParseIdxColumns()) Ctr->EditExtra().RefFldList.Add(Column.first);
  // As the catalog reader does: a name that repeats the role is the role's, and a role that
  // repeats the referenced table's name is the server's default role.
  if (Ctr->GetObjName() == Ctr->Extra().RoleName) Ctr->SetObjName("");
  if (Ctr->Extra().RoleName == RefName) Ctr->SetExtra(&TCtrExtra::RoleName, std::string());
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
  AddObj(std::move(Ctr));
}

void TASAParser::ParseCheck(TTblData* Table, std::unique_ptr<TCtrData> Ctr) {
  if (!Ctr) Ctr = NewConstraint(Table, "", ctCheck);
  Ctr->SetCtType(ctCheck);
  TestSy(asaCHECK);
  Ctr->SetExtra(&TObjExtra::Body, GetExpr());
  AddObj(std::move(Ctr));
}

void TASAParser::ParseUnique(TTblData* Table, std::unique_ptr<TCtrData> Ctr) {
  if (!Ctr) Ctr = NewConstraint(Table, "", ctUnique);
  Ctr->SetCtType(ctUnique);
  GetSy();
  for (const auto& [Name, Order] : ParseIdxColumns()) Ctr->AddFld(Name, Order);
  AddObj(std::move(Ctr));
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
  Idx->SetExtra(&TObjExtra::Creator, TableOwner);
  for (const auto& [Name, Order] : ParseIdxColumns()) Idx->AddFld(Name, Order);
  AddObj(std::move(Idx));
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
  AddObj(std::move(Dmn));
}

// ---------------------------------------------------------------------------------------------
// ALTER and DROP

void TASAParser::ParseAlterTableDrop(const std::string& Name, TTblData* Tbl) {
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
             (SameText(C.Extra().RoleName, Role) || SameText(C.GetObjName(), Role) ||
              (C.Extra().RoleName.empty() && SameText(C.GetRefTblName(), Role)));
    });
  } else if (Sy == asaCONSTRAINT) {
    GetSy();
    const std::string CtrName = NamePart();
    RemoveConstraints(Name, [&CtrName](const TCtrData& C) {
      return SameText(C.GetObjName(), CtrName) || SameText(C.Extra().AltName, CtrName);
    });
  } else if (Sy == asaUNIQUE) {
    // The server finds the unique key by its columns (their order in it aside).
    GetSy();
    std::vector<std::string> Columns;
    for (auto& Column : ParseIdxColumns()) Columns.push_back(std::move(Column.first));
    RemoveConstraints(Name, [&Columns](const TCtrData& C) {
      return C.GetCtType() == ctUnique &&
             std::ranges::equal(C.FldList, Columns, [](const std::string& A, const std::string& B) {
               return SameText(A, B);
             });
    });
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
}

void TASAParser::ParseAlterTable() {
  StatDbObject = dboTable;
  GetSy();
  Obj_Ident(dboUnknown);
  const std::string Name = IdentName;
  StatObjName = Name;
  TTblData* Tbl = FindTable(Name);
  TestAlteredTable(Tbl, Name);
  TTblData Scratch(Objs);
  TTblData* Into = Tbl ? Tbl : &Scratch;
  if (!Tbl) {
    Scratch.SetObjName(Name);
    Scratch.SetExtra(&TObjExtra::Creator, IdentOwner.empty() ? "DBA" : IdentOwner);
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
    ParseAlterTableDrop(Name, Tbl);
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
      Fld->SetExtra(&TFldExtra::DomainName, std::string());
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

}  // namespace qel
