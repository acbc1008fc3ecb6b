// The DB2 script parser's table grammar: CREATE TABLE with its columns and data types, ALTER
// TABLE (constraints, columns, VOLATILE) and CREATE INDEX.
#include "qelDB2Parser.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <functional>
#include <string_view>
#include <utility>

#include "Text.h"
#include "qelClasses.h"
#include "qelCompObj.h"
#include "qelComp_Gnr.h"
#include "qelComp_Prc.h"
#include "qelResWords.h"

namespace qel {

namespace {

/// Data types named by a keyword of the parser's table, by their symbols.
struct TTypeSymbol {
  std::uint8_t Symbol;
  TDBFieldType Type;
};

constexpr std::array<TTypeSymbol, 4> kTypeSymbols{{
    {db2CHAR, iftChar},
    {db2DOUBLE, iftDouble},
    {db2GRAPHIC, iftGraphic},
    {db2LONG, iftLong},
}};

/// Data types named by an identifier.
struct TTypeWord {
  std::string_view Word;
  TDBFieldType Type;
};

// DB2's INTEGER is four bytes and BIGINT eight: they stay two types, so that an INTEGER column
// is written back as INTEGER.
constexpr std::array<TTypeWord, 17> kTypeWords{{
    {"DATE", iftDate},
    {"TIME", iftTime},
    {"TIMESTAMP", iftTimeStamp},
    {"BLOB", iftBlob},
    {"REAL", iftReal},
    {"CHARACTER", iftChar},
    {"VARCHAR", iftVarchar},
    {"CLOB", iftClob},
    {"VARGRAPHIC", iftVarGraphic},
    {"DBCLOB", iftDbClob},
    {"SMALLINT", iftSmallInt},
    {"INTEGER", iftInteger},
    {"INT", iftInteger},
    {"BIGINT", iftBigInt},
    {"DECIMAL", iftDecimal},
    {"NUMERIC", iftNumeric},
    {"DEC", iftDecimal},
}};

bool TakesLength(TDBFieldType T) {
  return T == iftVarchar || T == iftChar || T == iftLongVarchar || T == iftBlob || T == iftClob;
}

}  // namespace

char TDB2Parser::NextNonBlank() const {
  // Ch is the byte after the current symbol, at 0-based index Pos - 2.
  for (std::int32_t I = Pos - 2; I >= 0 && I < FLen; ++I) {
    const char C = FTxt[static_cast<std::size_t>(I)];
    if (C != ' ' && C != '\t' && C != '\r' && C != '\n') return C;
  }
  return '\0';
}

bool TDB2Parser::NextWordIs(std::string_view Word) const {
  std::size_t I = static_cast<std::size_t>(std::max(Pos - 2, 0));
  while (I < FTxt.size() &&
         (FTxt[I] == ' ' || FTxt[I] == '\t' || FTxt[I] == '\r' || FTxt[I] == '\n'))
    ++I;
  if (UpperCase(FTxt.substr(I, Word.size())) != Word) return false;
  const std::size_t End = I + Word.size();
  return End >= FTxt.size() ||
         !(std::isalnum(static_cast<unsigned char>(FTxt[End])) || FTxt[End] == '_');
}

// ---------------------------------------------------------------------------------------------
// Tables and columns

void TDB2Parser::ParseCreateTable() {
  GetSy();
  Obj_Ident(dboUnknown);
  auto Tbl = std::make_unique<TTblData>(Objs);
  Tbl->SetObjName(IdentName);
  Tbl->SetSchema(SchemaOf(IdentOwner));
  const std::string Name = IdentName;
  TestAndGetSy(syLParen);
  TCtrList Keys;
  for (;;) {
    if (!ParseTableConstraint(Name, Tbl->GetSchema(), &Keys)) ParseColumn(*Tbl, Name, true, &Keys);
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
  if (Sy == db2IN) {
    GetSy();
    if (Sy == syIdent) Tbl->EditExtra().TablespaceName = Ident;
    TestAndGetSy(syIdent);
  }
  for (;;) {
    if (Sy == db2NOT) {  // NOT LOGGED INITIALLY
      GetSy();
      TestIdent("LOGGED");
      GetSy();
      TestIdent("INITIALLY");
      GetSy();
    } else if (Sy == db2DATA) {  // DATA CAPTURE CHANGES
      GetSy();
      TestAndGetSy(db2CAPTURE);
      TestIdent("CHANGES");
      GetSy();
    } else {
      break;
    }
  }
  Report(stStatement, Name, dboTable, odbCreate);
  if (!AddObj(std::move(Tbl))) return;
  for (auto& Key : Keys) AddObj(std::move(Key));
}

void TDB2Parser::ParseColumn(TTblData& Tbl, const std::string& TableName, bool File,
                             TCtrList* Keys) {
  // A keyword written as a column name is that name (DB2 folds it to upper case).
  std::string Name;
  if (Sy == syIdent)
    Name = Ident;
  else if (Sy >= syFirstResWord)
    Name = UpperCase(Ident);
  else
    TestSy(syIdent);
  auto Fld = std::make_unique<TFldData>(Objs);
  Fld->SetObjName(Name);
  Fld->TableName = TableName;
  Fld->OwnerObj = &Tbl;
  if (!Name.empty()) GetSy();
  ParseDataType(*Fld);
  // Options and constraints come in any order: INTEGER NOT NULL PRIMARY KEY WITH DEFAULT 0.
  TCtrList ColumnKeys;
  do {
    ParseColumnOptions(*Fld);
  } while (ParseColumnConstraint(*Fld, Tbl.GetSchema(), &ColumnKeys));
  if (!File || Name.empty()) return;
  for (auto& Key : ColumnKeys) {
    if (Keys)
      Keys->push_back(std::move(Key));
    else
      AddObj(std::move(Key));
  }
  Fld->Position = Tbl.Fields.Count() + 1;
  AddColumn(Tbl, std::move(Fld));
}

void TDB2Parser::ParseDataType(TFldData& Fld) {
  TDBFieldType T = iftUnknown;
  if (Sy == syIdent) {
    if (const TTypeWord* W =
            FQuoted ? nullptr
                    : FindRow(kTypeWords, std::string_view(UpperCase(Ident)), &TTypeWord::Word))
      T = W->Type;
  } else if (const TTypeSymbol* S = FindRow(kTypeSymbols, Sy, &TTypeSymbol::Symbol)) {
    T = S->Type;
  }
  if (T == iftUnknown) {
    ErrMsg("Unknown DataType: " + ResWordBySymbol(Sy) + (Sy == syIdent ? ": " + Ident : ""));
    GetSy();
    return;
  }
  GetSy();
  if (T == iftLong && IsWord("VARCHAR")) {
    T = iftLongVarchar;
    GetSy();
  }
  // DOUBLE PRECISION is DOUBLE's longer spelling: the catalog names both DOUBLE.
  if (T == iftDouble && IsWord("PRECISION")) GetSy();
  Fld.FieldType = T;
  if (TakesLength(T) && Sy == syLParen) {
    GetSy();
    if (Sy == syInteger) Fld.Size = IntValue;
    TestAndGetSy(syInteger);
    TestAndGetSy(syRParen);
  } else if ((T == iftDecimal || T == iftNumeric) && Sy == syLParen) {
    GetSy();
    if (Sy == syInteger) Fld.Precision = IntValue;
    TestAndGetSy(syInteger);
    if (Sy == syComma) {
      GetSy();
      if (Sy == syInteger) Fld.Scale = IntValue;
      TestAndGetSy(syInteger);
    }
    TestAndGetSy(syRParen);
  }
  TestTypeBounds(Fld);
  if (Sy == db2FOR) {  // FOR BIT DATA
    GetSy();
    TestIdent("BIT");
    GetSy();
    TestAndGetSy(db2DATA);
    Fld.ForBitData = true;
  }
}

void TDB2Parser::ParseColumnOptions(TFldData& Fld) {
  for (;;) {
    if (Sy == db2NULL) {
      TestNullClause(Fld, true);
      Fld.Nullable = true;
      GetSy();
    } else if (Sy == db2NOT) {
      GetSy();
      if (Sy == db2NULL) {
        TestNullClause(Fld, false);
        Fld.Nullable = false;
      } else if (IsWord("LOGGED")) {
        Fld.EditExtra().Logged = 0;
      } else if (IsWord("COMPACT")) {
        Fld.EditExtra().Compact = 0;
      } else {
        ErrMsg("Unknown symbol: " + ResWordBySymbol(Sy));
      }
      GetSy();
    } else if (IsWord("LOGGED")) {
      Fld.EditExtra().Logged = 1;
      GetSy();
    } else if (IsWord("COMPACT")) {
      Fld.EditExtra().Compact = 1;
      GetSy();
    } else if (Sy == db2WITH) {
      GetSy();
      TestAndGetSy(db2DEFAULT);
      ParseDefault(Fld);
    } else if (Sy == db2GENERATED) {
      ParseGenerated(Fld);
    } else {
      return;
    }
  }
}

// WITH DEFAULT [value]: [-|+] number, a string, NULL, CURRENT word, or name(arguments).
void TDB2Parser::ParseDefault(TFldData& Fld) {
  const std::int32_t Start = SyPos;
  bool Given = true;
  if (Sy == syMinus || Sy == syPlus) GetSy();
  if (Sy == syInteger || Sy == syFloat || Sy == syString || Sy == db2NULL) {
    GetSy();
  } else if (Sy == db2CURRENT) {
    GetSy();
    GetSy();
  } else if (Sy == syIdent && !FQuoted && NextNonBlank() == '(') {
    GetExpr();  // the function's argument list; reads the next symbol
  } else {
    Given = false;
  }
  if (Given) Fld.DefValue = CopyTxtFrom(Start);
  if (Fld.GetDefValue().empty() && Fld.FieldType == iftTimeStamp)
    Fld.DefValue = "CURRENT TIMESTAMP";
}

// GENERATED {ALWAYS | BY DEFAULT} AS {(expression) | IDENTITY [(options)]}
void TDB2Parser::ParseGenerated(TFldData& Fld) {
  GetSy();
  if (IsWord("ALWAYS")) {
    Fld.GeneratedKind = 'A';
    GetSy();
  } else {
    TestAndGetSy(db2BY);
    TestAndGetSy(db2DEFAULT);
    Fld.GeneratedKind = 'D';
  }
  TestSy(db2AS);
  if (Sy != db2AS) return;
  SkipBlanks();
  if (Ch == '(') {
    const std::string Expr = GetExpr();
    // The writer puts the expression back into its parentheses.
    Fld.SetExtra(&TFldExtra::GeneratedExpr,
                 Expr.size() >= 2 ? Expr.substr(1, Expr.size() - 2) : Expr);
    return;
  }
  GetSy();
  TestAndGetSy(db2IDENTITY);
  Fld.Identity = true;
  TGnrData& Gen = Fld.GetIdentityGenerator();
  if (Sy != syLParen) return;  // the server's default options
  GetSy();
  auto Number = [this] {
    if (Sy == syPlus) GetSy();
    std::string R = Sy == syInteger ? StrValue : std::string();
    if (Sy == syInteger && R.empty()) R = std::to_string(IntValue);
    TestAndGetSy(syInteger);
    return R;
  };
  for (;;) {
    if (Sy == db2START) {
      GetSy();
      TestAndGetSy(db2WITH);
      Gen.StartValue = Number();
    } else if (Sy == db2INCREMENT) {
      GetSy();
      TestAndGetSy(db2BY);
      Gen.Increment = Number();
    } else if (Sy == db2CACHE) {
      GetSy();
      Gen.SetCache(Number());
    } else {
      break;
    }
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
}

// ---------------------------------------------------------------------------------------------
// ALTER TABLE

TTblData* TDB2Parser::FindTable(const std::string& Schema, const std::string& Name) const {
  auto* O = dynamic_cast<TObjs*>(Objs);
  if (!O) return nullptr;
  const std::string S = SchemaOf(Schema);
  return O->GetTable(S.empty() ? Name : S + "." + Name);
}

void TDB2Parser::ParseAlterTable() {
  GetSy();
  Obj_Ident(dboUnknown);
  const std::string Schema = IdentOwner;
  const std::string Name = IdentName;
  TTblData* Tbl = FindTable(Schema, Name);
  TestAlteredTable(Tbl, Name);
  Report(stStatement, Name, dboTable, odbAlter);
  if (IsWord("APPEND")) {
    GetSy();
    GetSy();  // ON or OFF
    return;
  }
  if (IsWord("VOLATILE")) {
    GetSy();
    TestAndGetSy(db2CARDINALITY);
    if (Tbl) Tbl->Volatile = true;
    return;
  }
  if (IsWord("DROP")) {
    ParseAlterDrop(Tbl, Name, Schema);
    return;
  }
  if (Sy != db2ADD) {
    ErrMsg("Unknown ALTER TABLE statement");
    GetSy();
    return;
  }
  GetSy();
  if (ParseTableConstraint(Name, SchemaOf(Schema), nullptr)) return;
  // ADD [COLUMN] column: the column joins the table when the script made it.
  if (IsWord("COLUMN")) GetSy();
  TTblData Scratch(Objs);
  ParseColumn(Tbl ? *Tbl : Scratch, Name, Tbl != nullptr);
}

// DROP [COLUMN] name | DROP CONSTRAINT name | DROP PRIMARY KEY | DROP {FOREIGN KEY | UNIQUE |
// CHECK} name
void TDB2Parser::ParseAlterDrop(TTblData* Tbl, const std::string& TableName,
                                const std::string& Schema) {
  GetSy();
  auto* O = dynamic_cast<TObjs*>(Objs);
  auto DropConstraint = [&](const std::string& CtrName, TConstraintType Type, bool AnyName) {
    if (!O) return;
    for (int I = 0; I < O->Constraints.Count(); ++I) {
      auto* Ctr = dynamic_cast<TCtrData*>(O->Constraints.Objects(I));
      if (!Ctr || Ctr->GetTblName() != TableName) continue;
      const bool Match = AnyName ? Ctr->GetCtType() == Type
                                 : Ctr->GetObjName() == CtrName || Ctr->Extra().AltName == CtrName;
      if (!Match) continue;
      O->RemoveDepend(Ctr);
      O->Constraints.Delete(I);
      return;
    }
  };
  if (Sy == db2CONSTRAINT || Sy == db2UNIQUE || Sy == db2CHECK || Sy == db2FOREIGN) {
    if (Sy == db2FOREIGN) {
      GetSy();
      TestSy(db2KEY);
    }
    GetSy();
    const std::string CtrName = Sy == syIdent ? Ident : std::string();
    TestAndGetSy(syIdent);
    DropConstraint(CtrName, ctCheck, false);
    return;
  }
  if (Sy == db2PRIMARY) {
    GetSy();
    TestAndGetSy(db2KEY);
    DropConstraint("", ctPKey, true);
    return;
  }
  if (IsWord("COLUMN")) GetSy();
  const std::string Column = Sy == syIdent ? Ident : std::string();
  TestAndGetSy(syIdent);
  if (IsWord("CASCADE") || Sy == db2RESTRICT) GetSy();
  (void)Schema;
  if (Tbl && !Column.empty()) Tbl->Fields.Delete(Tbl->Fields.IndexOf(Column));
}

// ---------------------------------------------------------------------------------------------
// Constraints

void TDB2Parser::ParseColumnList(TIdxData* Idx, TStrings* List) {
  const bool Parens = Sy == syLParen;
  if (Parens) GetSy();
  for (;;) {
    const std::string Name = Sy == syIdent ? Ident : std::string();
    TestAndGetSy(syIdent);
    const std::int32_t Order = ReadSortOrder([this](const char* Word) { return IsWord(Word); });
    if (Idx) Idx->AddFld(Name, Order);
    if (List) List->Add(Name);
    if (Sy != syComma) break;
    GetSy();
  }
  if (Parens) TestAndGetSy(syRParen);
}

TUDAction TDB2Parser::ParseFKAction() {
  if (IsWord("CASCADE")) {
    GetSy();
    return udaCascade;
  }
  if (Sy == db2RESTRICT) {
    GetSy();
    return udaRestrict;
  }
  if (Sy == db2NO) {
    GetSy();
    TestIdent("ACTION");
    GetSy();
    return udaNoAction;
  }
  if (Sy == db2SET) {
    GetSy();
    if (Sy == db2NULL) {
      GetSy();
      return udaNull;
    }
    if (Sy == db2DEFAULT) {
      GetSy();
      return udaDefault;
    }
    return udaNoAction;
  }
  ErrMsg("Unknown action for FK");
  return udaNoAction;
}

bool TDB2Parser::ParseTableConstraint(const std::string& Table, const std::string& Schema,
                                      TCtrList* Keys) {
  if (Sy != db2CONSTRAINT && Sy != db2PRIMARY && Sy != db2FOREIGN && Sy != db2UNIQUE &&
      Sy != db2CHECK)
    return false;
  auto Ctr = std::make_unique<TCtrData>(Objs);
  Ctr->SetTblName(Table);
  Ctr->SetSchema(Schema);
  if (Sy == db2CONSTRAINT) {
    GetSy();
    if (Sy == syIdent) Ctr->SetObjName(Ident);
    TestAndGetSy(syIdent);
  }
  ParseConstraint(std::move(Ctr), Keys);
  return true;
}

bool TDB2Parser::ParseColumnConstraint(const TFldData& Fld, const std::string& Schema,
                                       TCtrList* Keys) {
  if (Sy != db2CONSTRAINT && Sy != db2PRIMARY && Sy != db2UNIQUE && Sy != db2CHECK &&
      Sy != db2REFERENCES)
    return false;
  auto Ctr = std::make_unique<TCtrData>(Objs);
  Ctr->SetTblName(Fld.TableName);
  Ctr->SetSchema(Schema);
  if (Sy == db2CONSTRAINT) {
    GetSy();
    if (Sy == syIdent) Ctr->SetObjName(Ident);
    TestAndGetSy(syIdent);
  }
  switch (Sy) {
    case db2CHECK:
      ParseConstraint(std::move(Ctr), Keys);
      return true;
    case db2PRIMARY:
      GetSy();
      TestAndGetSy(db2KEY);
      Ctr->SetCtType(ctPKey);
      break;
    case db2UNIQUE:
      GetSy();
      Ctr->SetCtType(ctUnique);
      break;
    case db2REFERENCES:
      Ctr->SetCtType(ctFKey);
      ParseReferences(*Ctr);
      break;
    default:
      ErrMsg("Unknown CONSTRAINT " + ResWordBySymbol(Sy));
      return true;
  }
  Ctr->FldList.Add(Fld.GetObjName());
  FileConstraint(std::move(Ctr), Keys);
  return true;
}

void TDB2Parser::ParseReferences(TCtrData& Ctr) {
  TestAndGetSy(db2REFERENCES);
  Obj_Ident(dboUnknown);
  Ctr.SetRefTblName(IdentName);
  Ctr.SetRefSchema(SchemaOf(IdentOwner));
  if (Sy == syLParen) ParseColumnList(nullptr, &Ctr.EditExtra().RefFldList);
  while (Sy == db2ON) {
    GetSy();
    if (Sy == db2UPDATE) {
      GetSy();
      Ctr.OnUpdate = ParseFKAction();
    } else if (Sy == db2DELETE) {
      GetSy();
      Ctr.OnDelete = ParseFKAction();
    } else {
      ErrMsg("Must be: UPDATE / DELETE");
      return;
    }
  }
}

void TDB2Parser::ParseConstraint(std::unique_ptr<TCtrData> Ctr, TCtrList* Keys) {
  switch (Sy) {
    case db2PRIMARY:
      GetSy();
      TestAndGetSy(db2KEY);
      Ctr->SetCtType(ctPKey);
      ParseColumnList(nullptr, &Ctr->FldList);
      break;
    case db2UNIQUE:
      GetSy();
      Ctr->SetCtType(ctUnique);
      ParseColumnList(nullptr, &Ctr->FldList);
      break;
    case db2CHECK:
      Ctr->SetCtType(ctCheck);
      SkipBlanks();
      // Kept as the writer puts it after the word CHECK.
      Ctr->SetExtra(&TObjExtra::Body, std::string(1, ' ').append(GetExpr()));
      break;
    case db2FOREIGN: {
      GetSy();
      TestAndGetSy(db2KEY);
      Ctr->SetCtType(ctFKey);
      ParseColumnList(nullptr, &Ctr->FldList);
      ParseReferences(*Ctr);
      break;
    }
    default:
      ErrMsg("Unknown CONSTRAINT " + ResWordBySymbol(Sy));
      return;
  }
  FileConstraint(std::move(Ctr), Keys);
}

void TDB2Parser::FileConstraint(std::unique_ptr<TCtrData> Ctr, TCtrList* Keys) {
  // NOT ENFORCED; a column's NOT NULL after its key is left to the column.
  if (Sy == db2NOT && NextWordIs("ENFORCED")) GetSy();
  if (IsWord("ENFORCED")) GetSy();
  if (IsWord("ENABLE") || IsWord("DISABLE")) {
    GetSy();
    TestIdent("QUERY");
    GetSy();
    TestAndGetSy(db2OPTIMIZATION);
  }
  Ctr->CheckSysName();
  if (Keys)
    Keys->push_back(std::move(Ctr));
  else
    AddObj(std::move(Ctr));
}

// ---------------------------------------------------------------------------------------------
// Indexes

void TDB2Parser::ParseCreateIndex() {
  auto Idx = std::make_unique<TIdxData>(Objs);
  if (Sy == db2UNIQUE) {
    Idx->Unique = true;
    GetSy();
  }
  TestAndGetSy(db2INDEX);
  Obj_Ident(dboUnknown);
  Idx->SetObjName(IdentName);
  Idx->SetSchema(SchemaOf(IdentOwner));
  TestAndGetSy(db2ON);
  Obj_Ident(dboUnknown);
  Idx->TableName = IdentName;
  if (SchemaOf(IdentOwner) != Idx->GetSchema()) Idx->TableSchema = SchemaOf(IdentOwner);
  ParseColumnList(Idx.get(), nullptr);
  for (;;) {
    if (IsWord("INCLUDE")) {
      GetExpr();
    } else if (Sy == db2CLUSTER) {
      GetSy();
    } else if (IsWord("PCTFREE") || IsWord("MINPCTUSED")) {
      GetSy();
      TestAndGetSy(syInteger);
    } else if (IsWord("LEVEL2")) {
      GetSy();
      TestIdent("PCTFREE");
      GetSy();
      TestAndGetSy(syInteger);
    } else if (Sy == db2ALLOW || Sy == db2DISALLOW) {
      Idx->AllowReverseScans = Sy == db2ALLOW;
      GetSy();
      TestIdent("REVERSE");
      GetSy();
      TestIdent("SCANS");
      GetSy();
    } else if (IsWord("PAGE")) {
      GetSy();
      TestIdent("SPLIT");
      GetSy();
      GetSy();
    } else if (IsWord("COLLECT")) {
      GetSy();
      if (IsWord("SAMPLED")) GetSy();
      if (IsWord("DETAILED")) GetSy();
      TestIdent("STATISTICS");
      GetSy();
    } else if (Sy == syIdent) {
      // The one clause left that is a word of its own followed by ONLY: an index the optimizer
      // is told of and the server does not build. It is kept like any other index.
      GetSy();
      TestIdent("ONLY");
      GetSy();
    } else {
      break;
    }
  }
  Report(stStatement, Idx->GetObjName(), dboIndex, odbCreate);
  AddObj(std::move(Idx));
}

}  // namespace qel
