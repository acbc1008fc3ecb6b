// The table grammar of the PostgreSQL script parser: CREATE TABLE with its columns, types,
// defaults and constraints, ALTER TABLE ADD of constraints, CREATE INDEX and CREATE VIEW.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Text.h"
#include "qelClasses.h"
#include "qelCompObj.h"
#include "qelComp_Idx.h"
#include "qelComp_Viw.h"
#include "qelPGSQLParser.h"
#include "qelResWords.h"

namespace qel {

namespace {

/// Type words and the neutral types they name, in the order they are tested. A word not in the
/// table names a domain or user type. DECIMAL and DEC are names of numeric, which the server
/// keeps and gives back: read as a type of their own, such a column would differ from its own
/// database on every comparison (and DEC, read as a domain, would lose its precision).
// clang-format off
constexpr std::pair<std::string_view, TDBFieldType> kTypeWords[] = {
    {"INTEGER", iftInteger}, {"INT", iftInteger}, {"INT2", iftSmallInt}, {"INT4", iftInteger},
    {"INT8", iftBigInt}, {"SMALLINT", iftSmallInt}, {"BIGINT", iftBigInt},
    {"SERIAL", iftSerial}, {"BIGSERIAL", iftBigSerial}, {"SERIAL4", iftSerial},
    {"SERIAL8", iftBigSerial}, {"DECIMAL", iftNumeric}, {"DEC", iftNumeric},
    {"NUMERIC", iftNumeric}, {"REAL", iftReal}, {"FLOAT", iftFloat}, {"FLOAT4", iftReal},
    {"FLOAT8", iftDoublePrecision}, {"DOUBLE", iftDoublePrecision}, {"MONEY", iftMoney},
    {"VARCHAR", iftVarchar}, {"CHAR", iftChar}, {"CHARACTER", iftChar}, {"TEXT", iftText},
    {"BYTEA", iftByteA}, {"TIME", iftTime}, {"TIMETZ", iftTimeTZ}, {"DATE", iftDate},
    {"TIMESTAMP", iftTimeStamp}, {"TIMESTAMPTZ", iftTimeStampTZ}, {"INTERVAL", iftInterval},
    {"BOOLEAN", iftBoolean}, {"BOOL", iftBoolean}, {"BIT", iftBit}, {"CSTRING", iftCstring},
    {"CLOB", iftClob}, {"VARBIT", iftVarBit}, {"DBCLOB", iftDbClob}, {"GRAPHIC", iftGraphic},
    {"VARGRAPHIC", iftVarGraphic},
};
// clang-format on

TDBFieldType TypeOfWord(std::string_view Upper) {
  const auto* Row = FindRow(kTypeWords, Upper, &std::pair<std::string_view, TDBFieldType>::first);
  return Row ? Row->second : iftDomain;
}

bool IsIntegerType(TDBFieldType T) {
  return T == iftInteger || T == iftBigInt || T == iftTinyInt || T == iftSmallInt;
}

/// The columns of Tbl that the check condition Body names, each once, in order of appearance.
std::vector<std::string> ColumnsNamedIn(const std::string& Body, const TTblData& Tbl) {
  std::vector<std::string> Found;
  auto Note = [&](const std::string& Written) {
    const std::string Name = PGClipName(Written);
    if (Tbl.Fields.Find(Name) && std::find(Found.begin(), Found.end(), Name) == Found.end())
      Found.push_back(Name);
  };
  for (std::size_t I = 0; I < Body.size();) {
    const char C = Body[I];
    if (C == '\'' || C == '"') {
      // A literal is no column; a quoted name is one as written.
      std::string Text;
      std::size_t J = I + 1;
      for (; J < Body.size(); ++J) {
        if (Body[J] != C) {
          Text += Body[J];
        } else if (J + 1 < Body.size() && Body[J + 1] == C) {
          Text += C;
          ++J;
        } else {
          break;
        }
      }
      if (C == '"') Note(Text);
      I = J + 1;
    } else if ((C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_' ||
               static_cast<unsigned char>(C) >= 0x80) {
      std::size_t J = I + 1;
      while (J < Body.size() &&
             ((Body[J] >= 'A' && Body[J] <= 'Z') || (Body[J] >= 'a' && Body[J] <= 'z') ||
              Body[J] == '_' || Body[J] == '$' || (Body[J] >= '0' && Body[J] <= '9') ||
              static_cast<unsigned char>(Body[J]) >= 0x80))
        ++J;
      // A name after "::" is a type, and one before "(" a function.
      const bool Type = I >= 2 && Body[I - 1] == ':' && Body[I - 2] == ':';
      std::size_t K = J;
      while (K < Body.size() && (Body[K] == ' ' || Body[K] == '\t')) ++K;
      const bool Function = K < Body.size() && Body[K] == '(';
      if (!Type && !Function) Note(LowerCase(Body.substr(I, J - I)));
      I = J;
    } else if (C >= '0' && C <= '9') {
      while (I < Body.size() && ((Body[I] >= '0' && Body[I] <= '9') || Body[I] == '.')) ++I;
    } else {
      ++I;
    }
  }
  return Found;
}

/// The parts of the name the server gives a constraint created without one (table, columns,
/// label); an empty label for kinds it names otherwise. Tbl (may be null) is the constrained
/// table.
struct TNameParts {
  std::string Name1, Name2, Label;
};
TNameParts GeneratedNameParts(const TCtrData& Ctr, const TTblData* Tbl) {
  auto Joined = [](const TStringList& Columns) {
    std::string R;
    for (const std::string& Column : Columns) R += (R.empty() ? "" : "_") + Column;
    return R;
  };
  const std::string& Table = Ctr.GetTblName();
  switch (Ctr.GetCtType()) {
    case ctPKey:
      return {Table, "", "pkey"};
    case ctUnique:
      return {Table, Joined(Ctr.FldList), "key"};
    case ctFKey:
      return {Table, Joined(Ctr.FldList), "fkey"};
    case ctCheck: {
      // Named after the column when the condition reads exactly one column of the table.
      std::vector<std::string> Columns;
      if (Tbl)
        Columns = ColumnsNamedIn(Ctr.Extra().Body, *Tbl);
      else if (Ctr.FldList.Count() == 1)
        Columns.push_back(Ctr.FldList[0]);
      return {Table, Columns.size() == 1 ? Columns[0] : "", "check"};
    }
    default:
      return {};
  }
}

/// The operator class btree and hash indexes take for a column of the type when none is
/// named; empty where the type has none of its own here.
std::string_view DefaultOpClass(const TFldData& Fld) {
  // clang-format off
  static constexpr std::pair<TDBFieldType, std::string_view> Defaults[] = {
      {iftSmallInt, "int2_ops"}, {iftInteger, "int4_ops"}, {iftBigInt, "int8_ops"},
      {iftSerial, "int4_ops"}, {iftBigSerial, "int8_ops"}, {iftReal, "float4_ops"},
      {iftDoublePrecision, "float8_ops"}, {iftNumeric, "numeric_ops"}, {iftText, "text_ops"},
      {iftVarchar, "text_ops"}, {iftChar, "bpchar_ops"}, {iftDate, "date_ops"},
      {iftTime, "time_ops"}, {iftTimeTZ, "timetz_ops"}, {iftTimeStamp, "timestamp_ops"},
      {iftTimeStampTZ, "timestamptz_ops"}, {iftInterval, "interval_ops"},
      {iftBoolean, "bool_ops"}, {iftByteA, "bytea_ops"}, {iftMoney, "money_ops"},
  };
  // clang-format on
  if (!Fld.Extra().ArrayBounds.empty()) return {};
  for (const auto& [Type, Name] : Defaults)
    if (Type == Fld.FieldType) return Name;
  return {};
}

/// Puts the numbers of "type(N)" or "type(N, M)" where the type keeps them; the server's
/// refusal, empty when it takes them.
std::string SetTypeNumbers(TFldData& Fld, TDBFieldType Type, std::int32_t N, std::int32_t M) {
  if (Type == iftFloat) {
    // float(p) counts binary digits: the server keeps 1 to 24 as real, 25 to 53 as double
    // precision, and refuses any other.
    Fld.FieldType = N <= 24 ? iftReal : iftDoublePrecision;
    if (N < 1) return "precision for type float must be at least 1 bit";
    if (N > 53) return "precision for type float must be less than 54 bits";
  } else if (PGTypeTakesLength(Type)) {
    Fld.Size = N;
  } else if (PGTypeTakesSecondsPrecision(Type)) {
    Fld.Precision = N == 0 ? PGZeroSecondsPrecision : N;
  } else {
    Fld.Precision = N;
    Fld.Scale = M;
  }
  return std::string();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Columns and types

std::unique_ptr<TFldData> TPGSQLParser::ParseField(TDbObj* Owner) {
  auto Fld = std::make_unique<TFldData>(Objs);
  TestSy(syIdent);
  if (Sy == syIdent) {
    Fld->SetObjName(Ident);
    GetSy();
  }
  if (Owner) {
    Fld->TableName = Owner->GetObjName();
    Fld->OwnerObj = Owner;
  }
  if (StatementFailed()) return Fld;
  if (Owner && Owner->Kind == kindTable && !TestColumnType(Fld->GetObjName())) return Fld;
  ParseFieldType(*Fld);
  ParseColumnConstraints(*Fld, Owner);
  return Fld;
}

void TPGSQLParser::ParseFieldType(TFldData& Fld) {
  std::string Word;  // as written: lower case unless it was in double quotes
  std::string TypeSchema;
  const TSymAt At = SymAt();
  if (Sy == syIdent) {
    Word = Ident;
    GetSy();
    // A qualified type name (pg_catalog.int4, public.money_amount, sales.code): a type of a
    // schema the server searches anyway is named by its last part; one of another schema keeps
    // its schema, as the catalog names it ("sales.code").
    if (Sy == syDot) {
      GetSy();
      TestSy(syIdent);
      if (Sy != syIdent) return;
      TypeSchema = LowerCase(Word) == "public" || LowerCase(Word) == "pg_catalog" ? "" : Word;
      Word = Ident;
      GetSy();
    }
  } else {
    // "(integer, text)": what was read as the name is the type.
    Word = Fld.GetObjName();
    Fld.SetObjName("");
    if (Word.empty()) {
      TestSy(syIdent);
      return;
    }
  }

  const std::string Upper = UpperCase(Word);
  TDBFieldType Type = TypeOfWord(Upper);
  // smallserial is a smallint drawing on a sequence it owns, as an AUTO_INCREMENT column
  // draws on its table's counter.
  if (Upper == "SMALLSERIAL" || Upper == "SERIAL2") {
    Type = iftSmallInt;
    Fld.AutoIncrement = true;
  }
  if (Upper == "DOUBLE" && IsIdent("PRECISION")) {
    GetSy();
  } else if (Type == iftChar && IsIdent("VARYING")) {
    GetSy();
    Type = iftVarchar;
  } else if (Type == iftBit && IsIdent("VARYING")) {
    GetSy();
    Type = iftVarBit;
  }
  // Plain float is double precision to the server.
  Fld.FieldType = Type == iftFloat ? iftDoublePrecision : Type;
  if (Type == iftDomain)
    Fld.SetExtra(&TFldExtra::DomainName, TypeSchema.empty() ? Word : TypeSchema + "." + Word);
  if (Type == iftDomain && TypeSchema.empty() && !FCurObj)
    FTypeUses.push_back(
        {Word, Fld.TableName + (Fld.GetObjName().empty() ? "" : ".") + Fld.GetObjName(), At});

  if (Type == iftInterval) SkipIntervalFields(Fld);
  if (Sy == syLParen) {
    GetSy();
    TestSy(syInteger);
    if (Sy != syInteger) return;
    const std::int32_t N = IntValue;
    std::int32_t M = 0;
    GetSy();
    if (Sy == syComma) {
      GetSy();
      GetIntConst();  // numeric(5, -2) is allowed
      if (Sy != syInteger) return;
      M = IntValue;
      GetSy();
    }
    TestAndGetSy(syRParen);
    if (const std::string Refusal = SetTypeNumbers(Fld, Type, N, M); !Refusal.empty())
      ErrMsg(Refusal);
    TestTypeBounds(Fld);
  }

  if ((Type == iftTime || Type == iftTimeStamp) && (IsIdent("WITH") || IsIdent("WITHOUT"))) {
    const bool WithTimeZone = IsIdent("WITH");
    if (!SkipTimeZone()) return;
    if (WithTimeZone) Fld.FieldType = Type == iftTime ? iftTimeTZ : iftTimeStampTZ;
  }

  if (IsIntegerType(Fld.FieldType)) {
    // int(11) and the like: a display width the server does not keep.
    Fld.Precision = 0;
    Fld.Scale = 0;
  }

  if (IsIdent("CHAR") || IsIdent("CHARACTER")) {
    GetSy();
    TestIdent("SET");
    if (!IsIdent("SET")) return;
    GetSy();
    TestSy(syIdent);
    if (Sy != syIdent) return;
    Fld.SetExtra(&TFldExtra::CharSet, Ident);
    GetSy();
  }
  if (Sy == pgCOLLATE) ParseCollate(Fld);

  // "integer ARRAY" and "integer ARRAY[4]", the standard's spelling, are one dimension each.
  if (Sy == pgARRAY) {
    GetSy();
    if (Sy != syLBracket) Fld.EditExtra().ArrayBounds.push_back(TArrayBound{1, 0});
  }
  while (Sy == syLBracket && !StatementFailed()) {
    GetSy();
    std::int32_t Upper = 0;
    if (Sy == syInteger) {
      Upper = IntValue;
      GetSy();
    }
    TestAndGetSy(syRBracket);
    Fld.EditExtra().ArrayBounds.push_back(TArrayBound{1, Upper});
  }
}

void TPGSQLParser::ParseCollate(TFldData& Fld) {
  GetSy();
  std::string Schema;
  std::string Name;
  GetIdentName(Schema, Name);
  Fld.SetExtra(&TFldExtra::Collation, Schema.empty() ? Name : Schema + "." + Name);
}

void TPGSQLParser::ParseColumnConstraints(TFldData& Fld, TDbObj* Owner) {
  // The server makes every serial column NOT NULL.
  Fld.Nullable = !PGIsSerial(Fld);
  TCtrContext Ctx;
  Ctx.Column = &Fld;
  if (Owner) {
    Ctx.Table = Owner->GetObjName();
    Ctx.Schema = Owner->GetSchema();
  }
  while (!StatementFailed()) {
    switch (Sy) {
      case pgNOT:
        GetSy();
        TestNullClause(Fld, false);
        TestAndGetSy(pgNULL);
        Fld.Nullable = false;
        break;
      case pgNULL:
        TestNullClause(Fld, true);
        GetSy();
        break;
      case pgDEFAULT:
        ParseDefault(Fld);
        break;
      case pgPRIMARY:
        ParsePrimaryKey(Ctx);
        break;
      case pgREFERENCES:
        ParseReferences(Ctx);
        break;
      case pgCHECK:
        ParseCheck(Ctx);
        break;
      case pgUNIQUE:
        ParseUnique(Ctx, false);
        break;
      case pgCOLLATE:
        // After array bounds ("text[] COLLATE x") the collation stands among the constraints.
        ParseCollate(Fld);
        break;
      case pgCONSTRAINT:
        // The name belongs to the constraint that follows.
        GetSy();
        TestSy(syIdent);
        if (Sy != syIdent) return;
        Ctx.Name = Ident;
        GetSy();
        continue;
      default:
        if (!IsIdent("GENERATED")) return;
        ParseGenerated(Fld);
        break;
    }
    Ctx.Name.clear();
  }
}

// ---------------------------------------------------------------------------------------------
// Defaults

void TPGSQLParser::ParseDefault(TFldData& Fld, bool Parameter) {
  GetSy();  // past DEFAULT
  const std::int32_t Start = SyPos;
  if (!ParseDefaultOperand()) return;
  for (;;) {
    if (Sy == pgON) {
      GetSy();
      TestIdent("UPDATE");
      if (!IsIdent("UPDATE")) return;
      GetSy();
      if (!ParseDefaultOperand()) return;
    } else if (Sy == syPlus || Sy == syMinus || Sy == syAsterisk || Sy == sySlash ||
               Sy == syConcat || Sy == syPercent || Sy == pgOperator) {
      // now() + interval '1 day', 'a' || 'b': the value runs on through binary operators.
      GetSy();
      if (!ParseDefaultOperand()) return;
    } else {
      break;
    }
  }
  const std::string Value = PGReplaceDefault(CopyTxtFrom(Start));
  Fld.DefValue = SameText(Value, "NULL") && !Parameter ? std::string() : Value;
}

bool TPGSQLParser::ParseDefaultOperand() {
  switch (Sy) {
    case syIdent:
      GetSy();
      if (Sy == syDot) {  // a qualified function name
        GetSy();
        TestSy(syIdent);
        if (Sy != syIdent) return false;
        GetSy();
      }
      if (Sy == syLParen) {
        SkipGroup();  // a function call: nextval('t_id_seq'::regclass), now()
      } else if (Sy == syString) {
        GetSy();  // a typed constant: interval '1 day', date '2020-01-01'
      }
      break;
    case syInteger:
    case syFloat:
    case syString:
    case pgCURRENT_DATE:
    case pgCURRENT_ROLE:
    case pgCURRENT_USER:
    case pgSESSION_USER:
    case pgUSER:
    case pgTRUE:
    case pgFALSE:
    case pgNULL:
      GetSy();
      break;
    case pgCURRENT_TIME:
    case pgCURRENT_TIMESTAMP:
    case pgLOCALTIME:
    case pgLOCALTIMESTAMP:
      GetSy();
      if (Sy == syLParen) SkipGroup();  // current_timestamp(0)
      break;
    case syLParen:
      SkipGroup();
      break;
    case pgCAST:
    case pgARRAY:
      GetSy();
      if (Sy == syLParen || Sy == syLBracket)
        SkipGroup();
      else
        TestSy(syLParen);
      break;
    case syMinus:
    case syPlus: {
      const std::string Sign = Sy == syMinus ? "-" : "+";
      GetSy();
      if (Sy != syInteger && Sy != syFloat) {
        ErrMsg("DEFAUT " + Sign + (Sy == syIdent ? Ident : GetSyWord()) + " error...");
        return false;
      }
      GetSy();
      break;
    }
    default:
      ErrMsg("DEFAUT " + (Sy == syIdent ? Ident : GetSyWord()) + " error...");
      return false;
  }
  while (Sy == syColon && !StatementFailed()) ParseCast();
  return !StatementFailed();
}

void TPGSQLParser::ParseCast() {
  GetSy();
  TestSy(syColon);
  if (Sy != syColon) return;
  GetSy();
  TestSy(syIdent);
  if (Sy != syIdent) return;
  const bool TimeType = IsIdent("TIME") || IsIdent("TIMESTAMP");
  GetSy();
  if (Sy == syDot) {
    GetSy();
    TestSy(syIdent);
    if (Sy != syIdent) return;
    GetSy();
  }
  while (IsIdent("VARYING") || IsIdent("PRECISION")) GetSy();
  if (Sy == syLParen) SkipGroup();
  if (TimeType && (IsIdent("WITH") || IsIdent("WITHOUT")) && !SkipTimeZone()) return;
  while (Sy == syLBracket && !StatementFailed()) SkipGroup();
}

bool TPGSQLParser::SkipTimeZone() {
  GetSy();  // past WITH or WITHOUT
  TestIdent("TIME");
  if (!IsIdent("TIME")) return false;
  GetSy();
  TestIdent("ZONE");
  if (!IsIdent("ZONE")) return false;
  GetSy();
  return true;
}

// ---------------------------------------------------------------------------------------------
// Constraints

void TPGSQLParser::ParseColumnList(TStringList& List) {
  TestSy(syLParen);
  if (Sy != syLParen) return;
  GetSy();
  for (;;) {
    TestSy(syIdent);
    if (Sy != syIdent) return;
    List.Add(Ident);
    GetSy();
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
}

std::unique_ptr<TCtrData> TPGSQLParser::NewConstraint(const TCtrContext& Ctx,
                                                      TConstraintType CtType) {
  auto Ctr = std::make_unique<TCtrData>(Objs);
  Ctr->SetCtType(CtType);
  Ctr->SetObjName(Ctx.Name);
  Ctr->SetTblName(Ctx.Table);
  Ctr->SetSchema(Ctx.Schema);
  if (Ctx.Column && CtType != ctFKey) Ctr->FldList.Add(Ctx.Column->GetObjName());
  return Ctr;
}

void TPGSQLParser::AddConstraint(std::unique_ptr<TCtrData> Ctr, const std::string& LogTitle) {
  if (StatementFailed()) return;  // a constraint read only in part is not filed
  if (LogsNextLine()) DoLogNextLine(LogTitle + Ctr->Def());
  // A name the server would have made up itself (t_pkey, t_a_fkey ...) says nothing the author
  // chose: it moves aside and the key is paired by its definition, so a script that writes the
  // key without a name meets one that names it.
  Ctr->CheckSysName();
  if (Ctr->GetCtType() == ctPKey && !Ctr->GetTblName().empty()) {
    std::vector<std::string> Columns;
    for (const std::string& Column : Ctr->FldList) Columns.push_back(Column);
    FPrimaryKeys.emplace(Ctr->GetTblName(), std::move(Columns));
  }
  // The constraints of a table being created wait for its last column: the name the server
  // gives a check depends on the columns it reads.
  if (FTableBeingRead) {
    FPendingConstraints.push_back(std::move(Ctr));
    return;
  }
  TTblData* Tbl = nullptr;
  if (Objs) Tbl = dynamic_cast<TTblData*>(Objs->Tables.FindObj(Ctr->GetTblName()));
  FileConstraint(std::move(Ctr), Tbl);
}

void TPGSQLParser::FileConstraint(std::unique_ptr<TCtrData> Ctr, const TTblData* Tbl) {
  // A constraint written without a name gets one from the server when the script runs; the
  // reader keeps it aside (AltName) as it does a name spelled the server's way, so that an
  // update script can drop the constraint by the name the database holds. A name taken already
  // in the schema gets a number after its label, as the server numbers it.
  // A table check named the way the server would name it (t_a_check) is known for one only
  // once the columns it reads are known, which is now.
  if (!Ctr->GetObjName().empty() && Ctr->GetCtType() == ctCheck && Ctr->FldList.Empty() && Tbl) {
    const TNameParts Parts = GeneratedNameParts(*Ctr, Tbl);
    if (!Parts.Name2.empty()) {
      Ctr->FldList.Add(Parts.Name2);
      if (!Ctr->CheckSysName()) Ctr->FldList.Clear();
    }
  }
  if (Ctr->GetObjName().empty() && Ctr->Extra().AltName.empty() && !Ctr->GetTblName().empty()) {
    const TNameParts Parts = GeneratedNameParts(*Ctr, Tbl);
    if (!Parts.Label.empty()) {
      std::string Name = PGMakeObjectName(Parts.Name1, Parts.Name2, Parts.Label);
      for (int Pass = 1; NameTaken(Ctr->GetSchema() + "." + Name); ++Pass)
        Name = PGMakeObjectName(Parts.Name1, Parts.Name2, Parts.Label + std::to_string(Pass));
      Ctr->SetExtra(&TObjExtra::AltName, Name);
    }
  }
  NoteName(*Ctr);
  AddObj(std::move(Ctr));
}

void TPGSQLParser::NoteName(const TDbObj& Obj) {
  const std::string& Name = !Obj.GetObjName().empty() ? Obj.GetObjName() : Obj.Extra().AltName;
  if (!Name.empty()) FNewNames.push_back(Obj.GetSchema() + "." + Name);
}

bool TPGSQLParser::NameTaken(const std::string& Key) {
  // No reserve for the few names noted since the last question: it would rehash the whole
  // set for every unnamed key.
  if (!FNewNames.empty()) {
    for (std::string& N : FNewNames) FTakenNames.insert(std::move(N));
    FNewNames.clear();
  }
  return FTakenNames.count(Key) != 0;
}

void TPGSQLParser::ParseTableConstraint(TCtrContext Ctx) {
  if (Sy == pgCONSTRAINT) {
    GetSy();
    TestSy(syIdent);
    if (Sy != syIdent) return;
    Ctx.Name = Ident;
    GetSy();
    if (IsIdent("EXCLUDE")) {
      SkipExclude(Ctx);
      return;
    }
    // After any other word the constraint is not filed; the caller reports the word.
    if (Sy != pgCHECK && Sy != pgFOREIGN && Sy != pgPRIMARY && Sy != pgUNIQUE) return;
  }
  switch (Sy) {
    case pgPRIMARY:
      ParsePrimaryKey(Ctx);
      break;
    case pgUNIQUE:
      ParseUnique(Ctx, true);
      break;
    case pgFOREIGN:
      ParseForeignKey(Ctx);
      break;
    case pgREFERENCES:
      ParseReferences(Ctx);
      break;
    case pgCHECK:
      ParseCheck(Ctx);
      break;
    default:
      if (IsIdent("EXCLUDE"))
        SkipExclude(Ctx);
      else
        TestSy(syIdent);
      break;
  }
}

void TPGSQLParser::ParsePrimaryKey(const TCtrContext& Ctx) {
  GetSy();
  TestIdent("KEY");
  if (!IsIdent("KEY")) return;
  GetSy();
  auto Ctr = NewConstraint(Ctx, ctPKey);
  if (Sy == pgUSING)
    ParseKeyUsingIndex(*Ctr);
  else if (!Ctx.Column)
    ParseColumnList(Ctr->FldList);
  ParseDeferrable(*Ctr, Ctx);
  AddConstraint(std::move(Ctr), "Primary Key: ");
}

void TPGSQLParser::ParseUnique(const TCtrContext& Ctx, bool TableLevel) {
  GetSy();
  auto Ctr = NewConstraint(Ctx, ctUnique);
  if (TableLevel) {
    if (IsIdent("KEY")) GetSy();
    if (Sy == syIdent) GetSy();  // a key name in the MySQL manner: not kept
    if (Sy == pgUSING)
      ParseKeyUsingIndex(*Ctr);
    else
      ParseColumnList(Ctr->FldList);
  } else if (Sy == pgUSING) {
    ParseKeyUsingIndex(*Ctr);
  }
  ParseDeferrable(*Ctr, Ctx);
  AddConstraint(std::move(Ctr), "Unique: ");
}

void TPGSQLParser::ParseForeignKey(const TCtrContext& Ctx) {
  GetSy();
  TestIdent("KEY");
  if (!IsIdent("KEY")) return;
  GetSy();
  auto Ctr = NewConstraint(Ctx, ctFKey);
  ParseColumnList(Ctr->FldList);
  if (StatementFailed()) return;
  TestAndGetSy(pgREFERENCES);
  if (StatementFailed()) return;
  // The referenced table may carry a schema (pg_dump writes "REFERENCES public.t(id)").
  GetQualifiedName();
  Ctr->SetRefTblName(NamePart);
  Ctr->SetRefSchema(SchemaPart);
  if (Sy == syLParen)
    ParseColumnList(Ctr->EditExtra().RefFldList);
  else
    CopyPrimaryKeyColumns(*Ctr);
  ParseFKActions(*Ctr);
  ParseDeferrable(*Ctr, Ctx);
  AddConstraint(std::move(Ctr), "Foreign key: ");
}

void TPGSQLParser::ParseReferences(const TCtrContext& Ctx) {
  GetSy();
  auto Ctr = NewConstraint(Ctx, ctFKey);
  if (Ctx.Column) Ctr->FldList.Add(Ctx.Column->GetObjName());
  GetQualifiedName();
  Ctr->SetRefTblName(NamePart);
  Ctr->SetRefSchema(SchemaPart);
  if (Sy == syLParen) ParseColumnList(Ctr->EditExtra().RefFldList);
  ParseFKActions(*Ctr);
  ParseDeferrable(*Ctr, Ctx);
  AddConstraint(std::move(Ctr), "Foreign key: ");
}

void TPGSQLParser::CopyPrimaryKeyColumns(TCtrData& Ctr) {
  const auto It = FPrimaryKeys.find(Ctr.GetRefTblName());
  if (It == FPrimaryKeys.end()) return;  // Link_Depend fills it once every script is read
  for (const std::string& Column : It->second) Ctr.EditExtra().RefFldList.Add(Column);
}

void TPGSQLParser::ParseFKActions(TCtrData& Ctr) {
  while (Sy == pgON && !StatementFailed()) {
    GetSy();
    const bool OnUpdate = IsIdent("UPDATE");
    if (!OnUpdate && !IsIdent("DELETE")) {
      ErrMsg("Missing: UPDATE/DELETE");
      return;
    }
    GetSy();
    TUDAction Action = udaNoAction;
    if (IsIdent("NO")) {
      GetSy();
      if (!IsIdent("ACTION")) {
        ErrMsg("Must be: ACTION");
        return;
      }
      GetSy();
    } else if (IsIdent("CASCADE")) {
      Action = udaCascade;
      GetSy();
    } else if (IsIdent("RESTRICT")) {
      Action = udaRestrict;
      GetSy();
    } else if (IsIdent("SET")) {
      GetSy();
      if (Sy == pgDEFAULT) {
        Action = udaDefault;
      } else if (Sy == pgNULL) {
        Action = udaNull;
      } else {
        ErrMsg("Missing: DEFAULT/NULL");
        return;
      }
      GetSy();
    } else {
      ErrMsg("Unknown action into UPDATE/DELETE rule.");
      return;
    }
    (OnUpdate ? Ctr.OnUpdate : Ctr.OnDelete) = Action;
  }
}

void TPGSQLParser::ParseDeferrable(TCtrData& Ctr, const TCtrContext& Ctx) {
  bool Deferrable = false;
  bool InitiallyDeferred = false;
  while (!StatementFailed()) {
    if (SkipConstraintTail(Ctr)) continue;
    if (Sy == pgNOT) {
      GetSy();
      if (Sy == pgNULL && Ctx.Column) {
        GetSy();
        Ctx.Column->Nullable = false;
        continue;
      }
      TestAndGetSy(pgDEFERRABLE);
      Deferrable = false;
    } else if (Sy == pgDEFERRABLE) {
      GetSy();
      Deferrable = true;
    } else if (Sy == pgINITIALLY) {
      GetSy();
      InitiallyDeferred = IsIdent("DEFERRED");
      if (!InitiallyDeferred && !IsIdent("IMMEDIATE")) {
        ErrMsg("Missing: DEFERRED/IMMEDIATE");
        return;
      }
      GetSy();
    } else {
      break;
    }
  }
  // INITIALLY DEFERRED makes a key deferrable by itself.
  Ctr.Deferrable = Deferrable || InitiallyDeferred;
  Ctr.InitiallyDeferred = InitiallyDeferred;
}

void TPGSQLParser::ParseCheck(const TCtrContext& Ctx) {
  GetSy();
  auto Ctr = NewConstraint(Ctx, ctCheck);
  TestSy(syLParen);
  if (Sy != syLParen) return;
  const std::int32_t AtLine = FSyLine, AtCol = FSyCol, AtPos = SyPos;
  Ctr->SetBody(SkipGroup());
  // The comparison reads the condition into its normal form with a bounded stack. The error
  // names the condition's opening parenthesis.
  if (PGConditionTooDeep(Ctr->Extra().Body)) {
    const std::int32_t EndLine = FSyLine, EndCol = FSyCol, EndPos = SyPos;
    FSyLine = AtLine;
    FSyCol = AtCol;
    SyPos = AtPos;
    ErrMsg("CHECK condition nested deeper than " + IntToStr(PGConditionMaxDepth) + " levels");
    FSyLine = EndLine;
    FSyCol = EndCol;
    SyPos = EndPos;
    return;
  }
  while (SkipConstraintTail(*Ctr)) {
  }
  AddConstraint(std::move(Ctr), "Check constraint: ");
}

// ---------------------------------------------------------------------------------------------
// Tables

void TPGSQLParser::ParseTable() {
  GetSy();  // past TABLE
  if (Sy == pgONLY) GetSy();
  // IF NOT EXISTS; a table may itself be named "if".
  const bool IfNotExists = IsIdent("IF") && !FQuotedIdent && NextBareWord() == "NOT";
  if (IfNotExists) {
    GetSy();
    GetSy();
    TestIdent("EXISTS");
    if (StatementFailed()) return;
    GetSy();
  }
  GetQualifiedName();
  if (StatementFailed()) return;
  if (const TDbObj* Old = IfNotExists && Objs ? Objs->Tables.FindObj(NamePart) : nullptr;
      Old && Old->GetSchema() == SchemaPart) {
    // The server leaves the table it has as it is and passes over the statement.
    ReportCreate(dboTable, NamePart);
    InfMsg("Table " + NamePart + " exists already: CREATE TABLE IF NOT EXISTS passed over.");
    SkipToTerm();
    return;
  }
  auto Tbl = std::make_unique<TTblData>(Objs);
  Tbl->SetObjName(NamePart);
  Tbl->SetSchema(SchemaPart);
  Tbl->WithOids = DefaultWithOids;
  ReportCreate(dboTable, NamePart);
  FTableBeingRead = Tbl.get();
  ParseTableBody(*Tbl);
  FTableBeingRead = nullptr;
  for (auto& Ctr : FPendingConstraints) FileConstraint(std::move(Ctr), Tbl.get());
  FPendingConstraints.clear();

  DoLogNextLine("Table: " + Tbl->GetObjName());
  if (!Objs) return;
  // Tables are filed directly, without the collection's filter: a table left out would take
  // its columns with it while its constraints and indexes stay.
  TestNameOfOtherKind(*Tbl);
  FileDirectly(Objs->Tables, std::move(Tbl), "table");
}

void TPGSQLParser::FileDirectly(TDbObjList& List, std::unique_ptr<TDbObj> Obj,
                                const std::string& Kind) {
  NoteName(*Obj);
  if (List.Add(Obj->ObjKeyDef(), Obj.get())) {
    if (dynamic_cast<const TIdxData*>(Obj.get())) NoteNewKey(*Obj);
    Obj.release();
  } else
    ErrMsg("Duplicate " + Kind + " name: " + Obj->GetObjName());
}

void TPGSQLParser::ParseTableBody(TTblData& Tbl) {
  TestAndGetSy(syLParen);
  TCtrContext Ctx;
  Ctx.Table = Tbl.GetObjName();
  Ctx.Schema = Tbl.GetSchema();
  if (!StatementFailed() && Sy != syRParen) {
    for (;;) {
      if (Sy == syIdent && !StartsExclude()) {
        std::unique_ptr<TFldData> Fld = ParseField(&Tbl);
        Fld->Position = Tbl.Fields.Count() + 1;
        AddColumn(Tbl, std::move(Fld));
      } else {
        ParseTableConstraint(Ctx);
      }
      if (StatementFailed() || Sy != syComma) break;
      GetSy();
    }
  }
  if (!StatementFailed()) {
    TestAndGetSy(syRParen);
    if (IsIdent("INHERITS")) ParseInherits(Tbl);
    if (IsIdent("WITH") || IsIdent("WITHOUT")) {
      const bool WithOids = IsIdent("WITH");
      GetSy();
      TestIdent("OIDS");
      if (IsIdent("OIDS")) {
        Tbl.WithOids = WithOids;
        GetSy();
      }
    }
  }
}

void TPGSQLParser::ParseAlterTable() {
  GetSy();  // past TABLE
  if (Sy == pgONLY) GetSy();
  GetQualifiedName();
  if (StatementFailed()) return;
  const std::string Table = NamePart;
  const std::string Schema = SchemaPart;
  if (IsIdent("ADD")) {
    GetSy();
    const bool Exclude = Sy == syIdent && !FQuotedIdent && Ident == "exclude";
    if (Sy == pgCOLUMN || (Sy == syIdent && !Exclude)) {
      // ADD [COLUMN] name type: columns are read from CREATE TABLE only.
      ErrMsg("ALTER TABLE ... ADD COLUMN is not read: write the column in CREATE TABLE of " +
             Table + ".");
      return;
    }
    if (Sy != pgCONSTRAINT && Sy != pgFOREIGN && Sy != pgPRIMARY && Sy != pgUNIQUE &&
        Sy != pgCHECK && !Exclude) {
      ErrMsg("Unknown symbol in ALTER TABLE ADD...: " + GetSyWord());
      return;
    }
    if (Objs)
      if (TDbObj* Tbl = Objs->Tables.FindObj(Table)) Tbl->SetSchema(Schema);
    // The constraint names its table also when the table is defined in another script, read
    // later: the script extractor reads files in name order, and keys often stand apart.
    TCtrContext Ctx;
    Ctx.Table = Table;
    Ctx.Schema = Schema;
    ParseTableConstraint(Ctx);
  } else if (IsIdent("OWNER")) {
    // The owner of a table read before; kept where the catalog reader keeps it.
    GetSy();
    TestAndGetSy(pgTO);
    if (StatementFailed()) return;
    TestSy(syIdent);
    if (Sy != syIdent) return;
    if (Objs)
      if (TDbObj* Tbl = Objs->Tables.FindObj(Table)) Tbl->SetExtra(&TObjExtra::Creator, Ident);
    GetSy();
  } else if (!ParseAlterTableNotRead(Table)) {
    ErrMsg("Unknown symbol in ALTER TABLE...");
  }
}

// ---------------------------------------------------------------------------------------------
// Indexes and views

void TPGSQLParser::ParseIndex(bool Unique) {
  GetSy();  // past INDEX
  // Without a name the server names the index after its table and columns.
  const bool Unnamed = Sy == pgON;
  if (!Unnamed) GetQualifiedName();
  if (StatementFailed()) return;
  auto Idx = std::make_unique<TIdxData>(Objs);
  Idx->SetObjName(Unnamed ? std::string() : NamePart);
  Idx->Unique = Unique;
  ReportCreate(dboIndex, NamePart);
  TestAndGetSy(pgON);
  if (StatementFailed()) return;
  GetQualifiedName();
  if (StatementFailed()) return;
  Idx->TableName = NamePart;
  Idx->SetSchema(SchemaPart);
  if (Sy == pgUSING) {
    GetSy();
    TestSy(syIdent);
    if (Sy != syIdent) return;
    // btree is what an index without USING gets: only another method is kept.
    if (Ident != "btree") Idx->EditExtra().IndexType = Ident;
    GetSy();
  }
  TestSy(syLParen);
  if (Sy != syLParen) return;
  GetSy();
  for (;;) {
    TestSy(syIdent);
    if (Sy != syIdent) return;
    const std::string Column = Ident;
    GetSy();
    // An operator class (text_pattern_ops, pg_catalog.varchar_pattern_ops) before the
    // direction. Its schema is kept only where the server's search path would not find it.
    std::string OpClassSchema;
    std::string OpClass;
    if (Sy == syIdent && !IsIdent("NULLS")) {
      GetIdentName(OpClassSchema, OpClass);
      if (StatementFailed()) return;
      const std::string Lower = LowerCase(OpClassSchema);
      if (Lower == "pg_catalog" || Lower == "public") OpClassSchema.clear();
      // The column type's own class, named, is what the server keeps as no class at all.
      const auto* O = dynamic_cast<TObjs*>(Objs);
      const TFldData* Fld = O ? O->GetTableField(Idx->TableName, Column) : nullptr;
      const std::string Method = Idx->Extra().IndexType;
      if (Fld && OpClassSchema.empty() && (Method.empty() || Method == "hash") &&
          OpClass == DefaultOpClass(*Fld))
        OpClass.clear();
    }
    std::int32_t SortOrder = 0;
    if (Sy == pgASC || Sy == pgDESC) {
      SortOrder = Sy == pgASC ? 1 : 2;
      GetSy();
    }
    TIdxFldData* Fld = Idx->AddFld(Column, SortOrder);
    Fld->OpClass = OpClass;
    Fld->OpClassSchema = OpClassSchema;
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
  if (StatementFailed()) return;
  if (Unnamed) {
    Idx->SetObjName(UnnamedIndexName(*Idx));
    StatObjName = Idx->GetObjName();
  }

  if (LogsNextLine()) DoLogNextLine("Index: " + Idx->Def());
  if (!Objs) return;
  FileDirectly(Objs->Indexes, std::move(Idx), "index");
}

void TPGSQLParser::ParseView() {
  GetSy();  // past VIEW
  GetQualifiedName();
  if (StatementFailed()) return;
  auto Viw = std::make_unique<TViwData>(Objs);
  Viw->SetObjName(NamePart);
  Viw->SetSchema(SchemaPart);
  ReportCreate(dboView, NamePart);
  if (Sy == syLParen) {
    TStringList Columns;
    ParseColumnList(Columns);
    for (const std::string& Column : Columns) {
      auto Fld = std::make_unique<TFldData>(Objs);
      Fld->SetObjName(Column);
      Fld->TableName = Viw->GetObjName();
      Fld->OwnerObj = Viw.get();
      Fld->Position = Viw->Fields.Count() + 1;
      Viw->Fields.Add(std::move(Fld));
    }
  }
  if (IsIdent("WITH")) {
    GetSy();
    TestSy(syLParen);
    if (StatementFailed()) return;
    WrnMsg("View " + Viw->GetObjName() + ": its options " + SkipGroup() + " are not read.");
  }
  TestAndGetSy(pgAS);
  if (StatementFailed()) return;
  const std::int32_t Start = SyPos;
  SkipToTermTellingStatements({.Query = true});
  if (StatementFailed()) return;
  Viw->SetBody(CopyTxtFrom(Start));
  NoteName(*Viw);
  // OR REPLACE: the view read last is the one the server keeps, with the comment it had.
  if (FOrReplace && Objs) {
    const std::string Key = Viw->ObjKeyDef();
    const TDbObj* Old = Objs->Views.FindObj(Key);
    if (Old && Viw->Extra().Description.empty())
      Viw->SetExtra(&TObjExtra::Description, Old->Extra().Description);
    RemoveObj(Objs->Views, Key);
  }
  AddObj(std::move(Viw));
}

}  // namespace qel
