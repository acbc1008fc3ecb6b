// The SQL Server and ASE script parser's table grammar: tables, columns, data types, defaults,
// constraints and keys, ALTER TABLE, indexes, bound defaults and rules, user types and schemas.
#include "qelMSSQLParser.h"

#include <algorithm>
#include <array>
#include <functional>
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

/// How a type name is written: its type, and whether it takes a length or a precision.
enum TTypeArgs : std::uint8_t { taNone, taLength, taPrecisionScale, taPrecision };

struct TTypeWord {
  std::string_view Word;
  TDBFieldType Type;
  TTypeArgs Args;
};

// clang-format off
constexpr std::array<TTypeWord, 36> kTypeWords{{
    {"BIGINT", iftBigInt, taNone},           {"BINARY", iftBinary, taLength},
    {"BIT", iftBit, taNone},                 {"CHAR", iftChar, taLength},
    {"CHARACTER", iftChar, taLength},        {"CURSOR", iftCursor, taNone},
    {"DATE", iftDate, taNone},               {"DATETIME", iftDateTime, taNone},
    {"DEC", iftDecimal, taPrecisionScale},   {"DECIMAL", iftDecimal, taPrecisionScale},
    {"DOUBLE", iftDoublePrecision, taNone},  {"FLOAT", iftFloat, taPrecision},
    {"IMAGE", iftImage, taNone},             {"INT", iftInteger, taNone},
    {"INTEGER", iftInteger, taNone},         {"MONEY", iftMoney, taNone},
    {"NCHAR", iftNChar, taLength},           {"NTEXT", iftNText, taNone},
    {"NUMERIC", iftNumeric, taPrecisionScale}, {"NVARCHAR", iftNVarChar, taLength},
    {"REAL", iftReal, taNone},               {"ROWVERSION", iftTimeStamp, taNone},
    {"SMALLDATETIME", iftSmallDateTime, taNone}, {"SMALLINT", iftSmallInt, taNone},
    {"SMALLMONEY", iftSmallMoney, taNone},   {"SQL_VARIANT", iftSqlVariant, taNone},
    {"SYSNAME", iftSysName, taNone},         {"TABLE", iftTable, taNone},
    {"TEXT", iftText, taNone},               {"TIME", iftTime, taNone},
    {"TIMESTAMP", iftTimeStamp, taNone},     {"TINYINT", iftTinyInt, taNone},
    {"UNIQUEIDENTIFIER", iftUniqueIdent, taNone}, {"VARBINARY", iftVarBinary, taLength},
    {"VARCHAR", iftVarchar, taLength},       {"XML", iftXml, taNone},
}};
// clang-format on

const TTypeWord* FindTypeWord(const std::string& Name) {
  return FindRow(kTypeWords, std::string_view(UpperCase(Name)), &TTypeWord::Word);
}

// Types of the servers' own that the reader keeps by their names, as it keeps user types.
// clang-format off
constexpr std::array<std::string_view, 7> kMSSQLTypeNames{
    "DATETIME2", "DATETIMEOFFSET", "GEOGRAPHY", "GEOMETRY", "HIERARCHYID", "JSON", "VECTOR"};
constexpr std::array<std::string_view, 16> kASETypeNames{
    "BIGDATETIME", "BIGTIME", "IMAGE_LOCATOR", "LONGSYSNAME", "NCHAR", "NVARCHAR", "SYSNAME",
    "TEXT_LOCATOR", "UNICHAR", "UNITEXT", "UNITEXT_LOCATOR", "UNIVARCHAR", "UNSIGNED",
    "DATETIME", "SMALLDATETIME", "TIMESTAMP"};
// clang-format on

std::string NoDbo(const std::string& Owner) {
  return SameText(Owner, "dbo") ? std::string() : Owner;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Tables and columns

bool TTransactSQLParser::ServerTypeName(const std::string& Name) const {
  const std::string U = UpperCase(Name);
  const auto In = [&U](const auto& List) {
    return std::find(List.begin(), List.end(), U) != List.end();
  };
  return IsMSSQL() ? In(kMSSQLTypeNames) : In(kASETypeNames);
}

std::unique_ptr<TCtrData> TTransactSQLParser::NewConstraint(const TTblData& Table,
                                                            TConstraintType Type) {
  auto Ctr = std::make_unique<TCtrData>(Objs);
  Ctr->SetCtType(Type);
  Ctr->SetTblName(Table.GetObjName());
  if (IsMSSQL()) Ctr->SetSchema(Table.GetSchema());
  Ctr->SetExtra(&TObjExtra::Creator, Table.Extra().Creator);
  Ctr->QuotedIdentifier = FQuotedIdentifier;
  Ctr->AnsiNulls = FAnsiNulls;
  return Ctr;
}

void TTransactSQLParser::ParseTable() {
  const TName N = QualifiedName();
  auto Tbl = std::make_unique<TTblData>(Objs);
  SetNames(*Tbl, N);
  FStatObjName = Tbl->GetObjName();
  TTblData Scratch(Objs);
  SetNames(Scratch, N);
  TTblData* Table = Tbl.get();
  // Filed at once: the keys read below look the table up.
  if (!AddObj(std::move(Tbl))) {
    Table = nullptr;
    if (const std::string Twin = IsMSSQL() || !Objs ? "" : Objs->CaseTwinWarning(Scratch, "Tables");
        !Twin.empty()) {
      WrnMsg(Twin);
      FLeftOut.insert(Scratch.GetObjName());
    }
  }
  TTblData& Into = Table ? *Table : Scratch;
  TestAndGetSy(syLParen);
  for (;;) {
    if (!ParseConstraint(Into, nullptr, false)) {
      if (Sy != syIdent) {
        TestSy(syIdent);
        break;
      }
      ParseColumn(Into);
    }
    if (Sy != syComma) break;
    GetSy();
    // SQL Server lets a comma end the list: "(a INT, b INT,)".
    if (Sy == syRParen && IsMSSQL()) break;
  }
  TestAndGetSy(syRParen);
  // Storage clauses: the file group or segment, ASE's locking scheme and table options.
  for (;;) {
    if (IsWord("ON") || IsWord("TEXTIMAGE_ON") || IsWord("FILESTREAM_ON")) {
      GetSy();
      NamePart();
      if (Sy == syLParen) GetExpr();
    } else if (IsWord("LOCK")) {
      GetSy();
      GetSy();
    } else if (IsWord("WITH")) {
      SkipBlanks();
      if (Ch == '(') {
        GetExpr();
        continue;
      }
      GetSy();
      for (;;) {
        GetSy();  // option name
        if (Sy == syEqual) {
          GetSy();
          GetSy();
        }
        if (Sy != syComma) break;
      }
    } else {
      break;
    }
  }
}

TFldData* TTransactSQLParser::ParseColumn(TTblData& Table) {
  auto Fld = std::make_unique<TFldData>(Objs);
  Fld->SetObjName(NamePart());
  Fld->OwnerObj = &Table;
  Fld->TableName = Table.GetObjName();
  Fld->Position = Table.Fields.Count();
  // ASE makes a column NOT NULL unless it says NULL; SQL Server the other way round.
  if (!IsMSSQL()) Fld->Nullable = false;
  TFldData* F = AddColumn(Table, std::move(Fld));
  TestColumnType(F->GetObjName());
  if (IsWord("AS")) {
    // A computed column: the expression up to the next clause of the column.
    GetSy();
    const std::int32_t Start = SyPos;
    int Depth = 0;
    while (Sy != syEOF && Sy != syTerm) {
      if (Sy == syLParen) ++Depth;
      if (Depth == 0 &&
          (Sy == syComma || Sy == syRParen || IsWord("PERSISTED") || IsWord("MATERIALIZED") ||
           IsWord("CONSTRAINT") || IsWord("NOT") || IsWord("NULL")))
        break;
      if (Sy == syRParen) --Depth;
      GetSy();
    }
    F->SetExtra(&TObjExtra::Body, CopyTxtFrom(Start));
    if (F->Extra().Body.empty()) ErrMsg("Missing: <expression>");
    if (IsWord("PERSISTED") || IsWord("MATERIALIZED")) {
      F->Persisted = IsMSSQL();
      GetSy();
    }
  } else {
    ParseDataType(*F);
  }
  ParseColumnOptions(*F, Table);
  return F;
}

void TTransactSQLParser::ParseDataType(TFldData& Fld) {
  const std::int32_t TypeAt = SyPos;
  std::string Name = NamePart();
  if (Sy == syDot) {  // schema.type: a user type of another schema
    GetSy();
    Fld.SetExtra(&TFldExtra::DomainSchema, Fold(NoDbo(Name)));
    Name = NamePart();
  }
  std::string U = UpperCase(Name);
  if (U == "DOUBLE" && IsWord("PRECISION")) GetSy();
  if ((U == "CHAR" || U == "CHARACTER" || U == "NCHAR") && IsWord("VARYING")) {
    U = U == "NCHAR" ? "NVARCHAR" : "VARCHAR";
    GetSy();
  }
  if (U == "NATIONAL" && (IsWord("CHAR") || IsWord("CHARACTER"))) {
    GetSy();
    U = "NCHAR";
    if (IsWord("VARYING")) {
      U = "NVARCHAR";
      GetSy();
    }
  }
  if (U == "CURSOR" && IsWord("VARYING")) {
    GetSy();
    Fld.FieldType = iftCursorVarying;
    return;
  }
  const TTypeWord* W = Fld.Extra().DomainSchema.empty() ? FindTypeWord(U) : nullptr;
  if (!W) {
    if (Sy == syLParen) {
      ErrMsg("Unknown datatype: " + Name);
      GetExpr();
      return;
    }
    // A user type by its name.
    Fld.FieldType = iftDomain;
    Fld.SetExtra(&TFldExtra::DomainName, Fold(Name));
    NoteUserType(Fld, TypeAt, !Fld.Extra().DomainSchema.empty());
    return;
  }
  Fld.FieldType = W->Type;
  if (W->Type == iftXml && Sy == syLParen) {
    SkipBlanks();
    Fld.EditExtra().XmlSchema = std::string(1, '(').append(GetExpr());
    return;
  }
  if (W->Args == taNone || Sy != syLParen) return;
  GetSy();
  if (W->Args == taLength && IsWord("MAX")) {
    Fld.Size = -1;
    GetSy();
  } else {
    const std::int32_t N = Sy == syInteger ? IntValue : 0;
    TestAndGetSy(syInteger);
    if (W->Args == taLength)
      Fld.Size = N;
    else
      Fld.Precision = N;
    if (Sy == syComma) {
      GetSy();
      if (W->Args == taPrecisionScale) Fld.Scale = IntValue;
      TestAndGetSy(syInteger);
    }
  }
  TestAndGetSy(syRParen);
  TestTypeBounds(Fld);
}

void TTransactSQLParser::ParseColumnOptions(TFldData& Fld, TTblData& Table) {
  for (;;) {
    if (IsWord("NULL")) {
      TestNullClause(Fld, true);
      Fld.Nullable = true;
      GetSy();
    } else if (IsWord("NOT")) {
      GetSy();
      if (IsWord("FOR")) {  // IDENTITY ... NOT FOR REPLICATION
        GetSy();
        GetSy();
        continue;
      }
      if (!IsWord("NULL")) ErrMsg("Must be: NULL");
      TestNullClause(Fld, false);
      Fld.Nullable = false;
      GetSy();
    } else if (IsWord("COLLATE")) {
      GetSy();
      Fld.SetExtra(&TFldExtra::Collation, NamePart());
    } else if (IsWord("IDENTITY")) {
      Fld.Identity = true;
      Fld.Nullable = false;  // the server makes an identity column NOT NULL
      GetSy();
      if (Sy == syLParen) {
        // A value as written: an integer with an optional "-".
        auto Signed = [this] {
          std::int32_t Value = Sy == syInteger ? IntValue : 0;
          if (Sy == syMinus) {
            GetSy();
            Value = -IntValue;
          }
          TestAndGetSy(syInteger);
          return Value;
        };
        GetSy();
        Fld.SetExtra(&TFldExtra::IdentitySeed, Signed());
        TestAndGetSy(syComma);
        Fld.SetExtra(&TFldExtra::IdentityIncrement, Signed());
        TestAndGetSy(syRParen);
      }
    } else if (IsWord("ROWGUIDCOL")) {
      Fld.RowGuidCol = true;
      GetSy();
    } else if (IsWord("SPARSE") || IsWord("FILESTREAM")) {
      GetSy();
    } else if (IsWord("DEFAULT")) {
      Fld.DefValue = DefaultValue();
    } else if (!ParseConstraint(Table, &Fld, false)) {
      return;
    }
  }
}

std::string TTransactSQLParser::DefaultValue() {
  // On DEFAULT: a parenthesised expression, or a literal, a name or a call.
  SkipBlanks();
  if (Ch == '(') return Trim(GetExpr());
  GetSy();
  const std::int32_t Start = SyPos;
  if (Sy == syMinus || Sy == syPlus) GetSy();
  if (Sy == syIdent || Sy == syString || Sy == syInteger || Sy == syFloat) {
    const bool Name = Sy == syIdent;
    GetSy();
    if (Name && Sy == syLParen) {
      int Depth = 0;
      do {
        if (Sy == syLParen) ++Depth;
        if (Sy == syRParen) --Depth;
        GetSy();
      } while (Depth > 0 && Sy != syEOF && Sy != syTerm);
    }
  } else {
    ErrMsg("Missing: <default value>");
  }
  return CopyTxtFrom(Start);
}

bool TTransactSQLParser::ParseConstraint(TTblData& Table, TFldData* Column, bool AlterTable) {
  std::string Name;
  const bool Named = IsWord("CONSTRAINT");
  if (Named) {
    GetSy();
    Name = NamePart();
  }
  auto Make = [&](TConstraintType Type) {
    auto Ctr = NewConstraint(Table, Type);
    if (Named) Ctr->SetObjName(Name);
    return Ctr;
  };
  if (IsWord("PRIMARY") || IsWord("UNIQUE")) {
    ParseKey(Make(IsWord("PRIMARY") ? ctPKey : ctUnique), Column);
  } else if (IsWord("FOREIGN") || (IsWord("REFERENCES") && Column)) {
    ParseForeignKey(Make(ctFKey), Column);
  } else if (IsWord("CHECK")) {
    auto Ctr = Make(ctCheck);
    GetSy();
    if (IsWord("NOT")) {  // NOT FOR REPLICATION
      Ctr->NotForReplication = true;
      GetSy();
      GetSy();
    }
    if (Sy != syLParen) {
      TestSy(syLParen);
      return true;
    }
    // The reader stands after "(": the check text is taken from there on.
    const std::int32_t Start = SyPos;
    int Depth = 0;
    do {
      if (Sy == syLParen) ++Depth;
      if (Sy == syRParen) --Depth;
      GetSy();
    } while (Depth > 0 && Sy != syEOF && Sy != syTerm);
    if (Depth > 0) {
      TestSy(syRParen);
      return true;
    }
    Ctr->SetExtra(&TObjExtra::Body, std::string(1, ' ').append(CopyTxtFrom(Start)));
    AddConstraint(std::move(Ctr));
  } else if (IsWord("DEFAULT") && (Column || AlterTable)) {
    auto Ctr = Make(ctDefault);
    Ctr->SetExtra(&TObjExtra::Body, DefaultValue());
    if (Column) {
      Ctr->FldList.Add(Column->GetObjName());
    } else {
      if (!IsWord("FOR")) ErrMsg("Must be: FOR");
      GetSy();
      Ctr->FldList.Add(Fold(NamePart()));
    }
    AddDefault(std::move(Ctr), Table);
  } else {
    if (Named) ErrMsg("Must be: PRIMARY / UNIQUE / FOREIGN / CHECK / DEFAULT");
    return Named;
  }
  return true;
}

void TTransactSQLParser::ParseColumnList(TStringList& List, TIdxData* Index) {
  TestAndGetSy(syLParen);
  for (;;) {
    const std::string Name = Fold(NamePart());
    const std::int32_t Order = ReadSortOrder([this](const char* Word) { return IsWord(Word); });
    if (Index)
      Index->AddFld(Name, Order);
    else
      List.Add(Name);
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
}

void TTransactSQLParser::ParseKey(std::unique_ptr<TCtrData> Ctr, TFldData* Column) {
  const bool Primary = Ctr->GetCtType() == ctPKey;
  GetSy();
  if (Primary) {
    if (!IsWord("KEY")) ErrMsg("Must be: KEY");
    GetSy();
  }
  // SQL Server clusters a primary key unless told otherwise, a unique key only when told.
  Ctr->Clustered = Primary && IsMSSQL();
  if (IsWord("CLUSTERED") || IsWord("NONCLUSTERED")) {
    Ctr->Clustered = IsWord("CLUSTERED");
    GetSy();
  }
  if (Sy == syLParen || !Column)
    ParseColumnList(Ctr->FldList);
  else
    Ctr->FldList.Add(Column->GetObjName());
  // Index options and the file group are the server's business.
  for (;;) {
    if (IsWord("WITH")) {
      SkipBlanks();
      if (Ch == '(') {
        GetExpr();
        continue;
      }
      GetSy();
      GetSy();
      if (Sy == syEqual) {
        GetSy();
        GetSy();
      }
    } else if (IsWord("ON") && !Column) {
      GetSy();
      NamePart();
      if (Sy == syLParen) GetExpr();
    } else {
      break;
    }
  }
  // The server makes the columns of a primary key NOT NULL.
  if (Primary)
    if (auto* Tbl = FindTable(Ctr->GetSchema(), Ctr->GetTblName()))
      for (const std::string& Col : Ctr->FldList)
        if (TFldData* F = Tbl->Fields.Find(Col)) F->Nullable = false;
  AddConstraint(std::move(Ctr));
}

TUDAction TTransactSQLParser::ParseFKAction() {
  if (IsWord("CASCADE")) {
    GetSy();
    return udaCascade;
  }
  if (IsWord("RESTRICT")) {
    GetSy();
    return udaRestrict;
  }
  if (IsWord("NO")) {
    GetSy();
    if (!IsWord("ACTION")) ErrMsg("Must be: ACTION");
    GetSy();
    return udaNoAction;
  }
  if (IsWord("SET")) {
    GetSy();
    const bool Null = IsWord("NULL");
    if (!Null && !IsWord("DEFAULT")) ErrMsg("Must be: SET NULL / SET DEFAULT");
    GetSy();
    return Null ? udaNull : udaDefault;
  }
  ErrMsg("Unknown/Invalid FK-action");
  return udaNoAction;
}

void TTransactSQLParser::ParseForeignKey(std::unique_ptr<TCtrData> Ctr, TFldData* Column) {
  if (IsWord("FOREIGN")) {
    GetSy();
    if (!IsWord("KEY")) ErrMsg("Must be: KEY");
    GetSy();
    // A column's own FOREIGN KEY REFERENCES ... names no column list: the column is the key.
    if (Column && Sy != syLParen)
      Ctr->FldList.Add(Column->GetObjName());
    else
      ParseColumnList(Ctr->FldList);
  } else if (Column) {
    Ctr->FldList.Add(Column->GetObjName());
  }
  if (!IsWord("REFERENCES")) {
    ErrMsg("Must be: REFERENCES");
    return;
  }
  GetSy();
  const TName N = QualifiedName();
  Ctr->SetRefTblName(N.Name);
  if (IsMSSQL()) Ctr->SetRefSchema(N.Owner);
  if (Sy == syLParen) ParseColumnList(Ctr->EditExtra().RefFldList);
  for (;;) {
    if (IsWord("ON")) {
      GetSy();
      const bool Delete = IsWord("DELETE");
      if (!Delete && !IsWord("UPDATE")) {
        ErrMsg("Must be: ON UPDATE / ON DELETE");
        return;
      }
      GetSy();
      (Delete ? Ctr->OnDelete : Ctr->OnUpdate) = ParseFKAction();
    } else if (IsWord("NOT")) {
      GetSy();  // NOT FOR REPLICATION
      GetSy();
      GetSy();
      Ctr->NotForReplication = true;
    } else if (IsWord("MATCH")) {  // ASE: MATCH FULL
      GetSy();
      GetSy();
    } else {
      break;
    }
  }
  AddConstraint(std::move(Ctr));
}

void TTransactSQLParser::AddConstraint(std::unique_ptr<TCtrData> Ctr) {
  if (IsMSSQL())
    Ctr->MSSQLCheckSysName();
  else
    Ctr->ASECheckSysName();
  if (LeftOut(Ctr->GetTblName())) return;
  AddObj(std::move(Ctr));
}

void TTransactSQLParser::AddDefault(std::unique_ptr<TCtrData> Ctr, TTblData& Table) {
  if (IsMSSQL())
    Ctr->MSSQLCheckSysName();
  else
    Ctr->ASECheckSysName();
  if (LeftOut(Ctr->GetTblName())) return;
  // An unnamed default (or one whose name the server made up) is the column's default, which
  // the writers put into the column's text; ASE keeps every default with its column.
  if ((Ctr->GetObjName().empty() || !IsMSSQL()) && Ctr->FldList.Count() == 1) {
    if (TFldData* F = Table.Fields.Find(Ctr->FldList[0])) F->DefValue = Ctr->Extra().Body;
    return;
  }
  AddObj(std::move(Ctr));
}

// ---------------------------------------------------------------------------------------------
// ALTER TABLE

void TTransactSQLParser::ParseAlterTable() {
  FStatDbObject = dboTable;
  GetSy();
  const TName N = QualifiedName();
  FStatObjName = N.Name;
  const bool Out = LeftOut(Fold(N.Name));
  TTblData* Tbl =
      Out ? nullptr : FindTable(IsMSSQL() ? Fold(N.Owner) : std::string(), Fold(N.Name));
  if (!Out) TestAlteredTable(Tbl, N.Name);
  TTblData Scratch(Objs);
  SetNames(Scratch, N);
  TTblData& Into = Tbl ? *Tbl : Scratch;
  if (IsWord("WITH")) {  // WITH CHECK | NOCHECK ADD ...
    GetSy();
    GetSy();
  }
  if (IsWord("CHECK") || IsWord("NOCHECK") || IsWord("ENABLE") || IsWord("DISABLE") ||
      IsWord("SET") || IsWord("SWITCH") || IsWord("REBUILD") || IsWord("LOCK")) {
    SkipToEnd();
    return;
  }
  auto Renumber = [&Into] {
    for (int I = 0; I < Into.Fields.Count(); ++I) Into.Fields[I]->Position = I;
  };
  auto FieldOf = [&](const std::string& Name) {
    return Tbl ? Tbl->Fields.Find(Fold(Name)) : nullptr;
  };
  if (IsWord("ADD")) {
    GetSy();
    for (;;) {
      if (!ParseConstraint(Into, nullptr, true)) {
        if (IsWord("COLUMN")) GetSy();
        ParseColumn(Into);
      }
      if (Sy != syComma) break;
      GetSy();
    }
  } else if (IsWord("DROP")) {
    GetSy();
    bool Constraint = false;
    for (;;) {
      if (IsWord("CONSTRAINT")) {
        Constraint = true;
        GetSy();
      } else if (IsWord("COLUMN")) {
        Constraint = false;
        GetSy();
      }
      const std::string Name = Fold(NamePart());
      if (Constraint) {
        RemoveConstraints(Into.GetObjName(), [&Name](const TCtrData& C) {
          return SameText(C.GetObjName(), Name) || SameText(C.Extra().AltName, Name);
        });
      } else if (Tbl) {
        const int Index = Tbl->Fields.IndexOf(Name);
        if (Index >= 0) Tbl->Fields.Delete(Index);
        Renumber();
      }
      if (Sy != syComma) break;
      GetSy();
    }
  } else if (IsWord("ALTER") || IsWord("MODIFY")) {
    // ALTER COLUMN column type [COLLATE c] [NULL | NOT NULL], or ADD/DROP ROWGUIDCOL
    GetSy();
    if (IsWord("COLUMN")) GetSy();
    const std::string Name = NamePart();
    TFldData ScratchFld(Objs);
    TFldData* Fld = FieldOf(Name);
    if (!Fld) Fld = &ScratchFld;
    if (IsWord("ADD") || IsWord("DROP")) {
      const bool Add = IsWord("ADD");
      GetSy();
      if (IsWord("ROWGUIDCOL")) Fld->RowGuidCol = Add;
      GetSy();
      return;
    }
    Fld->SetExtra(&TFldExtra::DomainName, std::string());
    Fld->SetExtra(&TFldExtra::DomainSchema, std::string());
    Fld->SetExtra(&TFldExtra::Collation, std::string());
    Fld->Size = Fld->Precision = Fld->Scale = 0;
    Fld->Nullable = IsMSSQL();
    ParseDataType(*Fld);
    ParseColumnOptions(*Fld, Into);
  } else if (IsWord("REPLACE")) {
    // ASE: REPLACE column DEFAULT value | NULL
    GetSy();
    TFldData* Fld = FieldOf(NamePart());
    if (!IsWord("DEFAULT")) {
      ErrMsg("Must be: DEFAULT");
      return;
    }
    const std::string Value = DefaultValue();
    if (Fld) Fld->DefValue = SameText(Value, "NULL") ? std::string() : Value;
  } else {
    ErrMsg("Unknown ALTER TABLE statement");
    GetSy();
  }
}

// ---------------------------------------------------------------------------------------------
// Indexes, defaults, rules, types and schemas

void TTransactSQLParser::ParseIndex(bool Unique, bool Clustered) {
  if (!IsWord("INDEX")) ErrMsg("Must be: INDEX");
  GetSy();
  auto Idx = std::make_unique<TIdxData>(Objs);
  Idx->SetObjName(NamePart());
  FStatObjName = Idx->GetObjName();
  Idx->Unique = Unique;
  Idx->Clustered = Clustered;
  if (!IsWord("ON")) ErrMsg("Must be: ON");
  GetSy();
  const TName T = QualifiedName();
  Idx->TableName = Fold(T.Name);
  if (IsMSSQL()) Idx->SetSchema(T.Owner);
  Idx->SetExtra(&TObjExtra::Creator, T.Owner);
  TStringList Unused;
  ParseColumnList(Unused, Idx.get());
  if (IsWord("INCLUDE")) {
    GetSy();
    ParseColumnList(Idx->EditExtra().IncludeFlds);
  }
  if (IsWord("WHERE")) {  // a filtered index: the filter is neither kept nor compared
    const std::int32_t X = GetPosX(), Y = GetPosY(), Start = SyPos;
    while (Sy != syEOF && Sy != syTerm && Sy != sySemicolon && !IsWord("WITH") && !IsWord("ON"))
      GetSy();
    MsgManager.AddScriptMsg("Index " + Idx->GetObjName() + " on " + Idx->TableName +
                                ": its filter is not kept (" + Trim(CopyTxtFrom(Start)) +
                                "): the index is compared and written as one over the whole table",
                            ScriptName, X, Y, mt_Wrn);
  }
  if (IsWord("WITH")) {
    const std::int32_t Start = SyPos;
    SkipBlanks();
    if (Ch == '(') {
      GetExpr();
    } else {
      GetSy();
      while (Sy != syEOF && Sy != syTerm && Sy != sySemicolon && !IsWord("ON")) GetSy();
    }
    if (IsMSSQL()) Idx->EditExtra().OptionText = CopyTxtFrom(Start);
  }
  if (IsWord("ON")) {
    GetSy();
    const std::string Group = NamePart();
    if (Sy == syLParen) GetExpr();
    if (IsMSSQL()) Idx->EditExtra().FileGroup = Group;
  }
  if (LeftOut(Idx->TableName)) return;
  AddObj(std::move(Idx));
}

void TTransactSQLParser::ParseBoundObject(bool Rule) {
  const TName N = QualifiedName();
  std::unique_ptr<TDbObj> Obj;
  if (Rule)
    Obj = std::make_unique<TRulData>(Objs);
  else
    Obj = std::make_unique<TDefData>(Objs);
  SetNames(*Obj, N);
  // The passes of defaults and rules find their counterparts by the bare name.
  Obj->SetSchema(NoDbo(N.Owner));
  FStatObjName = Obj->GetObjName();
  if (!IsWord("AS")) {
    ErrMsg("Must be: AS");
    return;
  }
  SkipBlanks();
  const std::string Expression = BodyFrom(Pos - 1);
  if (Expression.empty()) ErrMsg("Missing: <expression>");
  if (auto* R = dynamic_cast<TRulData*>(Obj.get())) R->Expression = Expression;
  if (auto* D = dynamic_cast<TDefData*>(Obj.get())) D->Expression = Expression;
  AddObj(std::move(Obj));
}

void TTransactSQLParser::ParseType() {
  const TName N = QualifiedName();
  auto Dmn = std::make_unique<TDmnData>(Objs);
  SetNames(*Dmn, N);
  // Columns name a type of dbo by its name alone; it is filed under that name.
  Dmn->SetSchema(NoDbo(N.Owner));
  FStatObjName = Dmn->GetObjName();
  if (!IsWord("FROM")) {
    ErrMsg("Must be: FROM");  // table types and CLR types are not read
    return;
  }
  GetSy();
  Dmn->CreateTypeFrom = true;
  Dmn->TypeField = std::make_unique<TFldData>(Objs);
  Dmn->TypeField->OwnerObj = Dmn.get();
  ParseDataType(*Dmn->TypeField);
  if (IsWord("NOT")) {
    GetSy();
    if (!IsWord("NULL")) ErrMsg("Must be: NULL");
    Dmn->TypeField->Nullable = false;
    GetSy();
  } else if (IsWord("NULL")) {
    GetSy();
  }
  // CREATE TYPE ... FROM is SQL Server 2005's, and so is the DROP TYPE that undoes it.
  if (Objs) Objs->MSSQLServerOptions.SQLServerVersion = st_MSSQL2005;
  AddObj(std::move(Dmn));
}

void TTransactSQLParser::ParseSchema() {
  auto Sch = std::make_unique<TSchData>(Objs);
  Sch->SetObjName(NamePart());
  FStatObjName = Sch->GetObjName();
  if (IsWord("AUTHORIZATION")) {
    GetSy();
    Sch->SchemaOwner = Fold(NamePart());
  }
  if (Objs) Objs->MSSQLServerOptions.SQLServerVersion = st_MSSQL2005;
  AddObj(std::move(Sch));
}

}  // namespace qel
