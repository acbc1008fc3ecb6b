// The routine grammar of the PostgreSQL script parser: CREATE FUNCTION with its parameters,
// result and options, CREATE TRIGGER (also as the catalog rebuilds it for one trigger), and the
// ALTER FUNCTION, DROP, COMMENT ON, GRANT and REVOKE statements.
#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Text.h"
#include "qelClasses.h"
#include "qelCompObj.h"
#include "qelComp_Dmn.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelMsgMngr.h"
#include "qelPGSQLParser.h"

namespace qel {

namespace {

/// Type names the server never takes for a parameter name: a parameter list "(interval day)"
/// or "(double precision)" holds a type alone.
// clang-format off
constexpr std::array<std::string_view, 20> kTypeKeywords{
    "BIGINT", "BIT", "BOOLEAN", "CHAR", "CHARACTER", "DEC", "DECIMAL", "DOUBLE", "FLOAT", "INT",
    "INTEGER", "INTERVAL", "NATIONAL", "NCHAR", "NUMERIC", "REAL", "SMALLINT", "TIME",
    "TIMESTAMP", "VARCHAR"
};
/// Words that go on a type already begun ("character varying", "with time zone"); they start
/// no type of their own.
constexpr std::array<std::string_view, 5> kTypeContinuations{
    "PRECISION", "VARYING", "WITH", "WITHOUT", "ZONE"
};
// clang-format on

bool Contains(const auto& Words, const std::string& Upper) {
  return std::find(Words.begin(), Words.end(), std::string_view(Upper)) != Words.end();
}

bool IsBareChar(char C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') || C == '_' ||
         C == '$' || static_cast<unsigned char>(C) >= 0x80;
}

/// The input argument types that tell overloaded functions apart: OUT parameters are results
/// and no part of the server's identity of a function.
/// The server ignores lengths and precisions there too: f(varchar) names f(varchar(10)).
std::vector<std::string> InputTypes(const TPrcData& Prc) {
  std::vector<std::string> Types;
  for (const auto& P : Prc.Params) {
    if (P->InOut == ioOut) continue;
    std::string Type;
    int Depth = 0;
    for (const char C : LowerCase(P->FieldTypeDef())) {
      if (C == '(') ++Depth;
      if (Depth == 0) Type += C;
      if (C == ')' && Depth > 0) --Depth;
    }
    Types.push_back(Type);
  }
  return Types;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Functions

std::unique_ptr<TFldData> TPGSQLParser::NewParam(TPrcData& Prc) {
  auto Fld = std::make_unique<TFldData>(Objs);
  Fld->TableName = Prc.GetObjName();
  Fld->OwnerObj = &Prc;
  return Fld;
}

void TPGSQLParser::ParseFunction(bool Procedure) {
  GetSy();  // past FUNCTION or PROCEDURE
  GetQualifiedName();
  if (StatementFailed()) return;
  auto Prc = std::make_unique<TPrcData>(Objs);
  Prc->IsFunction = !Procedure;
  Prc->SetObjName(NamePart);
  Prc->SetSchema(SchemaPart);
  bool Variadic = false;
  if (Sy == syLParen) Variadic = ParseParamList(*Prc);
  if (!StatementFailed() && !Procedure && IsIdent("RETURNS")) {
    GetSy();
    // "RETURNS NULL ON NULL INPUT" is an option, not a result type.
    if (Sy == pgNULL)
      ParseNullInput(*Prc, true);
    else
      ParseReturns(*Prc);
  }
  FUnkeptOptions.clear();
  const bool StandardBody = !StatementFailed() && ParseFunctionOptions(*Prc);
  // A function whose statement does not end here is no function the server would make.
  if (StatementFailed() || (Sy != syTerm && Sy != syEOF)) return;
  // What the model cannot write back: a function written without its variadic mark, or with
  // a standard SQL body as a quoted one, would be another function, or none. The catalog
  // reader passes them over the same way.
  const std::string Full = Prc->GetSchema() + "." + Prc->GetObjName();
  if (Variadic) {
    InfMsg("Function " + Full + " takes a variadic parameter, passed over.");
    return;
  }
  if (StandardBody) {
    InfMsg("Function " + Full + " has a body in the standard SQL form, passed over.");
    return;
  }
  // With output parameters the result type follows from them ("record", or the type of the
  // only one); only a set of them keeps RETURNS SETOF.
  const bool Outputs = std::any_of(Prc->Params.begin(), Prc->Params.end(), [](const auto& P) {
    return P->InOut == ioOut || P->InOut == ioInout;
  });
  if (Outputs && !Prc->ReturnsSetOf) Prc->Results.Clear();
  // The server records modes only when some parameter is no input: then every input is IN,
  // otherwise none has a mode, whether the script wrote IN or not.
  for (const auto& P : Prc->Params)
    if (P->InOut == ioIn || P->InOut == ioUnknown) P->InOut = Outputs ? ioIn : ioUnknown;
  // Who a function runs as is no detail to change without a word.
  if (!FUnkeptOptions.empty())
    WrnMsg("Function " + Full + ": " + FUnkeptOptions +
           " not kept; the function is written and compared without it.");
  AddObj(std::move(Prc));
}

bool TPGSQLParser::ParseParamList(TPrcData& Prc) {
  Prc.ClearParams();
  bool Variadic = false;
  GetSy();  // past "("
  if (Sy == syRParen) {
    GetSy();
    return Variadic;
  }
  for (;;) {
    bool IsVariadic = false;
    std::unique_ptr<TFldData> Fld = ParseParam(Prc, IsVariadic);
    Variadic = Variadic || IsVariadic;
    if (StatementFailed()) return Variadic;
    Prc.Params.Add(std::move(Fld));
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
  return Variadic;
}

std::unique_ptr<TFldData> TPGSQLParser::ParseParam(TPrcData& Owner, bool& Variadic) {
  auto Fld = NewParam(Owner);
  // [IN | OUT | INOUT | IN OUT | VARIADIC] [name] type [DEFAULT value | = value]
  if (Sy == pgIN) {
    Fld->InOut = ioIn;
    GetSy();
    if (Sy == syIdent && !FQuotedIdent && IsIdent("OUT") && NextStartsType()) {
      Fld->InOut = ioInout;
      GetSy();
    }
  } else if (Sy == syIdent && !FQuotedIdent && NextStartsType()) {
    // A mode word followed by a name or a type; a word that is no mode is the name.
    if (IsIdent("OUT")) {
      Fld->InOut = ioOut;
      GetSy();
    } else if (IsIdent("INOUT")) {
      Fld->InOut = ioInout;
      GetSy();
    } else if (IsIdent("VARIADIC")) {
      Variadic = true;  // the model has no variadic mode
      GetSy();
    }
  }
  if (Sy == syIdent && NextStartsType() &&
      (FQuotedIdent || !Contains(kTypeKeywords, UpperCase(Ident)))) {
    Fld->SetObjName(Ident);
    GetSy();
  }
  TestSy(syIdent);
  if (Sy != syIdent) return Fld;
  ParseFieldType(*Fld);
  if (!StatementFailed() && (Sy == pgDEFAULT || Sy == syEqual)) ParseDefault(*Fld, true);
  return Fld;
}

std::size_t TPGSQLParser::NextSymbolAt() const {
  if (FEot || Pos < 2) return std::string::npos;
  const std::string& T = FTxt;
  std::size_t I = static_cast<std::size_t>(Pos - 2);  // Ch, the byte after the current symbol
  for (;;) {
    while (I < T.size() && (T[I] == ' ' || T[I] == '\t' || T[I] == '\r' || T[I] == '\n')) ++I;
    if (T.compare(I, 2, "--") == 0) {
      I = T.find('\n', I);
      if (I == std::string::npos) return I;
    } else if (T.compare(I, 2, "/*") == 0) {
      I = T.find("*/", I + 2);
      if (I == std::string::npos) return I;
      I += 2;
    } else {
      break;
    }
  }
  return I < T.size() ? I : std::string::npos;
}

std::string TPGSQLParser::NextBareWord() const {
  const std::size_t I = NextSymbolAt();
  const std::string& T = FTxt;
  if (I == std::string::npos || !IsIdentStart(T[I]) || (I + 1 < T.size() && T[I + 1] == '\''))
    return std::string();
  std::size_t J = I;
  while (J < T.size() && IsBareChar(T[J])) ++J;
  return UpperCase(T.substr(I, J - I));
}

bool TPGSQLParser::NextStartsType() const {
  const std::size_t I = NextSymbolAt();
  if (I == std::string::npos) return false;
  if (FTxt[I] == '"') return true;
  const std::string Upper = NextBareWord();
  return !Upper.empty() && PGSQLSymbolByResWord(Upper) == syIdent &&
         !Contains(kTypeContinuations, Upper);
}

void TPGSQLParser::ParseReturns(TPrcData& Prc) {
  if (IsIdent("SETOF")) {
    Prc.ReturnsSetOf = true;
    GetSy();
  }
  if (Sy == pgTABLE) {
    // RETURNS TABLE (name type, ...) is the server's short form of output parameters and
    // RETURNS SETOF record; it is kept in that form, as the catalog gives it back.
    Prc.ReturnsSetOf = true;
    GetSy();
    TestAndGetSy(syLParen);
    while (!StatementFailed()) {
      auto Fld = NewParam(Prc);
      TestSy(syIdent);
      if (Sy != syIdent) return;
      Fld->SetObjName(Ident);
      GetSy();
      TestSy(syIdent);
      if (Sy != syIdent) return;
      ParseFieldType(*Fld);
      Fld->InOut = ioOut;
      Prc.Params.Add(std::move(Fld));
      if (Sy != syComma) break;
      GetSy();
    }
    TestAndGetSy(syRParen);
    auto Record = NewParam(Prc);
    Record->FieldType = iftDomain;
    Record->SetExtra(&TFldExtra::DomainName, "record");
    Prc.Results.Add(std::move(Record));
    return;
  }
  auto Fld = NewParam(Prc);
  TestSy(syIdent);
  if (Sy != syIdent) return;
  ParseFieldType(*Fld);
  Prc.Results.Add(std::move(Fld));
}

void TPGSQLParser::ParseNullInput(TPrcData& Prc, bool Strict) {
  // "CALLED ON NULL INPUT" from ON, "RETURNS NULL ON NULL INPUT" from the first NULL.
  if (Strict) TestAndGetSy(pgNULL);
  if (!StatementFailed()) TestAndGetSy(pgON);
  if (!StatementFailed()) TestAndGetSy(pgNULL);
  if (StatementFailed()) return;
  TestIdent("INPUT");
  if (!IsIdent("INPUT")) return;
  GetSy();
  Prc.NullOnNullInput = Strict;
}

bool TPGSQLParser::ParseFunctionOptions(TPrcData& Prc) {
  bool StandardBody = false;
  while (!StatementFailed()) {
    if (Sy == pgAS) {
      GetSy();
      TestSy(syString);
      if (Sy != syString) return false;
      std::string First = StrValue;
      GetSy();
      if (Sy == syComma) {
        // AS 'object file', 'link symbol': a function in a loaded library has no body.
        GetSy();
        TestSy(syString);
        if (Sy != syString) return false;
        Prc.ObjFile = std::move(First);
        Prc.LinkSymbol = StrValue;
        Prc.SetExtra(&TObjExtra::Body, std::string());
        GetSy();
      } else {
        Prc.SetExtra(&TObjExtra::Body, std::move(First));
      }
    } else if (IsIdent("LANGUAGE")) {
      GetSy();
      if (Sy == syIdent || (Sy == syString && QuoteChar != '$')) {
        Prc.Language = Sy == syIdent ? Ident : StrValue;
        GetSy();
      } else {
        TestSy(syIdent);
      }
    } else if (IsIdent("IMMUTABLE") || IsIdent("STABLE")) {
      Prc.Volatility = UpperCase(Ident);
      GetSy();
    } else if (IsIdent("VOLATILE")) {
      Prc.Volatility.clear();  // the default
      GetSy();
    } else if (IsIdent("CALLED")) {
      GetSy();
      ParseNullInput(Prc, false);
    } else if (IsIdent("RETURNS")) {
      GetSy();
      ParseNullInput(Prc, true);
    } else if (IsIdent("STRICT")) {
      Prc.NullOnNullInput = true;
      GetSy();
    } else if (IsIdent("WITH")) {
      GetSy();
      TestAndGetSy(syLParen);
      while (!StatementFailed()) {
        TestSy(syIdent);
        if (Sy != syIdent) return false;
        if (IsIdent("ISSTRICT")) Prc.NullOnNullInput = true;
        if (IsIdent("ISCACHABLE")) Prc.Volatility = "IMMUTABLE";
        GetSy();
        if (Sy != syComma) break;
        GetSy();
      }
      TestAndGetSy(syRParen);
    } else if (IsIdent("RETURN")) {
      // A body in standard SQL, "RETURN expression": it runs to the end of the statement.
      const std::int32_t Start = SyPos;
      SkipToTerm();
      Prc.SetExtra(&TObjExtra::Body, CopyTxtFrom(Start));
      return true;
    } else if (IsIdent("BEGIN")) {
      ParseAtomicBody(Prc);
      StandardBody = true;
    } else if (!SkipFunctionOption()) {
      break;  // any other symbol ends the function
    }
  }
  return StandardBody;
}

void TPGSQLParser::ParseAtomicBody(TPrcData& Prc) {
  // BEGIN ATOMIC statement; ... END: the statements end in ";" themselves, so the body runs to
  // the END that closes it, CASE ... END counted.
  const std::int32_t Start = SyPos;
  GetSy();
  TestIdent("ATOMIC");
  if (!IsIdent("ATOMIC")) return;
  int Depth = 0;
  for (GetSy(); Sy != syEOF; GetSy()) {
    if (Sy == pgCASE) {
      ++Depth;
    } else if (Sy == pgEND) {
      if (Depth == 0) break;
      --Depth;
    }
  }
  TestSy(pgEND);
  if (Sy != pgEND) return;
  GetSy();
  Prc.SetExtra(&TObjExtra::Body, CopyTxtFrom(Start));
}

bool TPGSQLParser::SkipFunctionOption() {
  // Options the server keeps and the model has no place for: read and passed over; those
  // other than the server's defaults are named.
  auto Unkept = [this](const std::string& Option) {
    FUnkeptOptions += (FUnkeptOptions.empty() ? "" : ", ") + Option;
  };
  if (IsIdent("EXTERNAL")) {
    GetSy();
    TestIdent("SECURITY");
    if (!IsIdent("SECURITY")) return true;
  }
  if (IsIdent("SECURITY")) {
    GetSy();
    TestSy(syIdent);
    if (IsIdent("DEFINER") || IsIdent("INVOKER")) {
      if (IsIdent("DEFINER")) Unkept("SECURITY DEFINER");
      GetSy();
    } else if (Sy == syIdent)
      ErrMsg("Must be: DEFINER / INVOKER");
  } else if (Sy == pgNOT) {
    GetSy();
    TestIdent("LEAKPROOF");
    if (IsIdent("LEAKPROOF")) GetSy();
  } else if (IsIdent("LEAKPROOF") || IsIdent("WINDOW")) {
    Unkept(UpperCase(Ident));
    GetSy();
  } else if (IsIdent("PARALLEL")) {
    GetSy();
    TestSy(syIdent);
    if (Sy == syIdent && !IsIdent("UNSAFE")) Unkept("PARALLEL " + UpperCase(Ident));
    if (Sy == syIdent) GetSy();
  } else if (IsIdent("COST") || IsIdent("ROWS")) {
    Unkept(UpperCase(Ident));
    GetSy();
    if (Sy == syInteger || Sy == syFloat)
      GetSy();
    else
      TestSy(syInteger);
  } else if (IsIdent("SUPPORT")) {
    Unkept("SUPPORT");
    GetSy();
    GetQualifiedName();
  } else if (IsIdent("SET")) {
    // SET parameter { TO | = } value, ... | SET parameter FROM CURRENT
    GetSy();
    Unkept("SET " + (Sy == syIdent ? Ident : std::string()));
    GetQualifiedName();
    if (StatementFailed()) return true;
    if (Sy == pgFROM) {
      GetSy();
      TestIdent("CURRENT");
      if (IsIdent("CURRENT")) GetSy();
    } else if (Sy == pgTO || Sy == syEqual) {
      GetSy();
      for (;;) {
        if (Sy == syString || Sy == syIdent || Sy == syInteger || Sy == syFloat || Sy == pgON ||
            Sy == pgOFF || Sy == pgTRUE || Sy == pgFALSE || Sy == pgDEFAULT) {
          GetSy();
        } else if (Sy == syMinus || Sy == syPlus) {
          GetSy();
          if (Sy == syInteger || Sy == syFloat)
            GetSy();
          else
            TestSy(syInteger);
        } else {
          TestSy(syString);
          return true;
        }
        if (Sy != syComma) break;
        GetSy();
      }
    } else if (!StatementFailed()) {
      TestSy(pgTO);
    }
  } else if (IsIdent("TRANSFORM")) {
    // TRANSFORM FOR TYPE type, ...
    Unkept("TRANSFORM");
    GetSy();
    while (!StatementFailed()) {
      TestAndGetSy(pgFOR);
      if (StatementFailed()) return true;
      TestIdent("TYPE");
      if (!IsIdent("TYPE")) return true;
      GetSy();
      TFldData Scratch(Objs);
      TestSy(syIdent);
      if (Sy != syIdent) return true;
      ParseFieldType(Scratch);
      if (Sy != syComma) break;
      GetSy();
    }
  } else {
    return false;
  }
  return true;
}

TPrcData* TPGSQLParser::FindFunction(const TPrcData& Sig) const {
  if (!Objs) return nullptr;
  if (auto* Prc = dynamic_cast<TPrcData*>(Objs->Procedures.FindObj(Sig.ObjKeyDef()))) return Prc;
  // A function with OUT parameters is filed under a key that lists them; the statements that
  // name it list the inputs only, as the server identifies it.
  const std::vector<std::string> Types = InputTypes(Sig);
  for (int I = 0; I < Objs->Procedures.Count(); ++I) {
    auto* Prc = dynamic_cast<TPrcData*>(Objs->Procedures.Objects(I));
    if (!Prc || Prc->GetObjName() != Sig.GetObjName()) continue;
    const std::string& Schema = Prc->GetSchema().empty() ? "public" : Prc->GetSchema();
    if (Schema == Sig.GetSchema() && InputTypes(*Prc) == Types) return Prc;
  }
  return nullptr;
}

std::unique_ptr<TPrcData> TPGSQLParser::ParseFunctionSignature() {
  auto Sig = std::make_unique<TPrcData>(Objs);
  Sig->IsFunction = true;
  GetQualifiedName();
  if (StatementFailed()) return Sig;
  Sig->SetObjName(NamePart);
  Sig->SetSchema(SchemaPart);
  if (Sy == syLParen) (void)ParseParamList(*Sig);
  return Sig;
}

void TPGSQLParser::ParseAlterFunction() {
  GetSy();  // past FUNCTION or PROCEDURE
  const std::unique_ptr<TPrcData> Sig = ParseFunctionSignature();
  if (StatementFailed() || !IsIdent("OWNER")) return;
  GetSy();
  TestAndGetSy(pgTO);
  if (StatementFailed()) return;
  TestSy(syIdent);
  if (Sy != syIdent) return;
  if (TPrcData* Prc = FindFunction(*Sig)) Prc->SetExtra(&TObjExtra::Creator, Ident);
  GetSy();
}

// ---------------------------------------------------------------------------------------------
// Triggers

void TPGSQLParser::ParseTrigger(TTrgData* Into) {
  GetSy();  // past TRIGGER
  GetQualifiedName();
  if (StatementFailed()) return;
  std::unique_ptr<TTrgData> Made;
  TTrgData* Trg = Into;
  if (!Trg) {
    Made = std::make_unique<TTrgData>(Objs);
    Trg = Made.get();
  }
  Trg->SetObjName(NamePart);
  Trg->SetSchema(SchemaPart);
  Trg->Events = TInsUpdDelSet();
  Trg->Columns.Clear();
  Trg->ForEachRow = false;
  Trg->ForEachStatement = false;
  if (!ParseTriggerTiming(*Trg)) return;

  // What the trigger's definition cannot write back: filed without it, the trigger would fire
  // where it does not. The catalog reader passes such triggers over as well.
  std::string NotKept;
  if (!ParseTriggerEvents(*Trg, NotKept)) return;
  TestAndGetSy(pgON);
  if (StatementFailed()) return;
  GetQualifiedName();
  if (StatementFailed()) return;
  Trg->SetOwnName(NamePart);
  Trg->SetSchema(SchemaPart);
  if (!SkipTransitionTables(NotKept) || !ParseTriggerForEach(*Trg)) return;

  TPrcData Sig(Objs);
  if (!ParseTriggerCall(*Trg, Sig)) return;
  if (Made && !NotKept.empty()) {
    InfMsg("Trigger " + Trg->GetObjName() + " of " + Trg->OwnName + " " + NotKept +
           ", passed over.");
    return;
  }
  // A trigger function declares no arguments: those in the call are strings the function
  // reads at run time. It is the function of that name with an empty parameter list.
  if (TPrcData* Prc = FindFunction(Sig)) LinkDepend(Trg, Prc);
  if (Made) AddObj(std::move(Made));
}

bool TPGSQLParser::ParseTriggerTiming(TTrgData& Trg) {
  if (IsIdent("BEFORE")) {
    Trg.Timing = baBefore;
  } else if (IsIdent("AFTER")) {
    Trg.Timing = baAfter;
  } else if (IsIdent("INSTEAD")) {
    // Triggers of views.
    GetSy();
    TestIdent("OF");
    if (!IsIdent("OF")) return false;
    Trg.Timing = baInsteadOf;
  } else {
    ErrMsg("Must be: BEFORE / AFTER");
    return false;
  }
  GetSy();
  return true;
}

bool TPGSQLParser::ParseTriggerEvents(TTrgData& Trg, std::string& NotKept) {
  for (;;) {
    if (IsIdent("INSERT")) {
      Trg.Events.Include(iudInsert);
    } else if (IsIdent("UPDATE")) {
      Trg.Events.Include(iudUpdate);
    } else if (IsIdent("DELETE")) {
      Trg.Events.Include(iudDelete);
    } else if (IsIdent("TRUNCATE")) {
      NotKept = "fires on TRUNCATE";
    } else {
      ErrMsg("Must be: INSERT / UPDATE / DELETE");
      return false;
    }
    const bool Update = IsIdent("UPDATE");
    GetSy();
    if (Update && IsIdent("OF")) {
      // UPDATE OF column, ...
      do {
        GetSy();
        TestSy(syIdent);
        if (Sy != syIdent) return false;
        Trg.Columns.Add(Ident);
        GetSy();
      } while (Sy == syComma);
      if (NotKept.empty()) NotKept = "fires on UPDATE OF a column list";
    }
    if (Sy != pgOR) return true;
    GetSy();
  }
}

bool TPGSQLParser::SkipTransitionTables(std::string& NotKept) {
  // REFERENCING OLD|NEW TABLE [AS] name ...: transition tables, which the trigger's definition
  // cannot write back either.
  if (!IsIdent("REFERENCING")) return true;
  GetSy();
  while (Sy == pgOLD || Sy == pgNEW) {
    GetSy();
    TestAndGetSy(pgTABLE);
    if (StatementFailed()) return false;
    if (Sy == pgAS) GetSy();
    TestSy(syIdent);
    if (Sy != syIdent) return false;
    GetSy();
  }
  if (NotKept.empty()) NotKept = "has transition tables";
  return true;
}

bool TPGSQLParser::ParseTriggerForEach(TTrgData& Trg) {
  if (Sy != pgFOR) return true;
  GetSy();
  TestIdent("EACH");
  if (!IsIdent("EACH")) return false;
  GetSy();
  if (IsIdent("ROW")) {
    Trg.ForEachRow = true;
  } else if (IsIdent("STATEMENT")) {
    Trg.ForEachStatement = true;
  } else {
    ErrMsg("Must be: For each STATEMENT / ROW");
    return false;
  }
  GetSy();
  return true;
}

bool TPGSQLParser::ParseTriggerCall(TTrgData& Trg, TPrcData& Func) {
  // The body: EXECUTE to the end of the argument list. A WHEN condition stands before it and
  // is kept with the body, so that the trigger is written back with it.
  if (Sy == pgWHEN) {
    GetSy();
    TestSy(syLParen);
    if (Sy != syLParen) return false;
    Trg.WhenCondition = SkipGroup();
    if (StatementFailed()) return false;
  }
  TestIdent("EXECUTE");
  if (!IsIdent("EXECUTE")) return false;
  GetSy();
  // PROCEDURE in old scripts; FUNCTION in those of newer servers and in the catalog's text.
  if (!IsIdent("FUNCTION")) {
    TestIdent("PROCEDURE");
    if (!IsIdent("PROCEDURE")) return false;
  }
  GetSy();
  GetQualifiedName();
  if (StatementFailed()) return false;
  const std::string FuncSchema = SchemaPart;
  const std::string FuncName = NamePart;
  std::string Args;
  if (!ParseTriggerArgs(Args)) return false;
  // EXECUTE PROCEDURE is read by every server version; functions of "public" are written bare,
  // as the catalog writes them.
  Trg.EditExtra().Body =
      (Trg.WhenCondition.empty() ? std::string() : "WHEN " + Trg.WhenCondition + " ") +
      "EXECUTE PROCEDURE " +
      (FuncSchema.empty() || FuncSchema == "public" ? std::string()
                                                    : QuoteIdent(FuncSchema) + ".") +
      QuoteIdent(FuncName) + "(" + Args + ")";
  Func.SetObjName(FuncName);
  Func.SetSchema(FuncSchema);
  return true;
}

bool TPGSQLParser::ParseTriggerArgs(std::string& Args) {
  TestSy(syLParen);
  if (Sy != syLParen) return false;
  GetSy();
  // The arguments are strings to the server, whether written as strings, names or numbers;
  // the catalog gives them back as string literals. The body is kept in one spelling, so that a
  // trigger read from a script and the same trigger read from the catalog compare equal.
  while (Sy != syRParen) {
    const std::int32_t ArgStart = SyPos;
    std::string Value;
    if (Sy == syString) {
      Value = StrValue;
      GetSy();
    } else if (Sy == syIdent) {
      Value = Ident;  // a bare name as the server folds it
      GetSy();
    } else {
      while (Sy != syComma && Sy != syRParen && Sy != syEOF && Sy != syTerm) GetSy();
      Value = CopyTxtFrom(ArgStart);
    }
    if (!Args.empty()) Args += ", ";
    Args += ScriptQuotedStr(Value, dbPostgreSQL);
    if (Sy == syComma) {
      GetSy();
    } else if (Sy != syRParen) {
      TestSy(syRParen);
      return false;
    }
  }
  GetSy();
  return true;
}

void TPGSQLParser::ParseObjText(TDbObj* Obj) {
  if (!Obj || Obj->Extra().FullText.empty()) return;
  SetTermStr(";");
  AssignTxt(Obj->Extra().FullText);
  FStmtErrCount = FErrCount;
  FCurObj = Obj;
  GetSy();
  StmtStart = SyPos;
  if (auto* Trg = dynamic_cast<TTrgData*>(Obj)) {
    TestAndGetSy(pgCREATE);
    if (!StatementFailed()) {
      TestIdent("TRIGGER");
      if (IsIdent("TRIGGER")) ParseTrigger(Trg);
    }
  }
  FCurObj = nullptr;
  ClearTxt();
}

void TPGSQLParser::ObjErrMsg(const std::string& Text) {
  ++FErrCount;
  std::string Prefix;
  const std::string& Name = FCurObj->GetObjName();
  switch (FCurObj->Kind) {
    case kindTrigger:
      Prefix = "Trigger " + Name + ": ";
      break;
    case kindProcedure:
      Prefix = "Procedure " + Name + ": ";
      break;
    default:
      Prefix = Name + ": ";
      break;
  }
  const std::string Message = Prefix + Text + NearText();
  const std::int32_t SavedLine = Line;
  const std::int32_t SavedColumn = Column;
  if (!FScanning) {
    Line = FSyLine;
    Column = FSyCol + 1;
  }
  if (!MsgManager.GetIsErr()) DoErrorMessage(Message + GetScriptInfo());
  if (!ScriptName.empty())
    MsgManager.AddScriptMsg(Message, ScriptName, GetPosX(), GetPosY(), mt_Err);
  else
    MsgManager.AddObjMsg(Message, FCurObj, GetPosX(), GetPosY(), mt_Err);
  Line = SavedLine;
  Column = SavedColumn;
}

// ---------------------------------------------------------------------------------------------
// DROP, COMMENT, GRANT and REVOKE

void TPGSQLParser::ParseDrop() {
  GetSy();  // past DROP
  if (IsIdent("FUNCTION")) {
    ParseDropFunction();
    return;
  }
  // Only the kinds a script of this parser creates and may drop again are read; nothing is
  // removed from the collection.
  if (Sy != pgTABLE && !IsIdent("CONVERSION")) {
    ErrMsg("Unknown DROP-statement.");
    GetSy();
    return;
  }
  GetSy();
  if (IsIdent("IF")) {
    GetSy();
    TestIdent("EXISTS");
    if (!IsIdent("EXISTS")) return;
    GetSy();
  }
  GetQualifiedName();
  if (StatementFailed()) return;
  if (IsIdent("CASCADE") || IsIdent("RESTRICT")) GetSy();
}

void TPGSQLParser::ParseComment() {
  GetSy();  // past COMMENT
  TestAndGetSy(pgON);
  if (StatementFailed()) return;
  StatType = stDescription;
  TDbObj* Obj = nullptr;
  const TObjs* O = dynamic_cast<TObjs*>(Objs);
  // The name after the kind word, reported as the statement's object.
  auto ReadName = [this](TDbObject Kind) {
    GetSy();
    GetQualifiedName();
    StatObjType = Kind;
    StatObjName = NamePart;
  };
  if (IsIdent("SCHEMA")) {
    ReadName(dboSchema);
    if (O) Obj = O->GetSchema(NamePart);
  } else if (IsIdent("DOMAIN") || IsIdent("TYPE")) {
    ReadName(dboDomain);
    if (O) Obj = O->GetDomain(NamePart);
  } else if (Sy == pgTABLE) {
    ReadName(dboTable);
    StatOwnName = SchemaPart;
    if (O) Obj = O->GetTable(NamePart);
  } else if (Sy == pgCOLUMN) {
    GetSy();
    GetQualifiedName(dboField);
    StatObjType = dboField;
    StatObjName = ColumnPart;
    StatOwnName = NamePart;
    if (O) {
      Obj = O->GetTableField(NamePart, ColumnPart);
      if (!Obj && !O->GetTable(NamePart)) Obj = O->GetViewField(NamePart, ColumnPart);
      // A view without a column list keeps the columns it describes apart from its text.
      if (TViwData* V = !Obj && !O->GetTable(NamePart) ? O->GetView(NamePart) : nullptr;
          V && V->Fields.Empty() && !ColumnPart.empty()) {
        Obj = V->DescribedColumns.Find(ColumnPart);
        if (!Obj) {
          auto Fld = std::make_unique<TFldData>(Objs);
          Fld->SetObjName(ColumnPart);
          Fld->TableName = V->GetObjName();
          Fld->SetSchema(V->GetSchema());
          Fld->OwnerObj = V;
          Obj = Fld.get();
          V->DescribedColumns.Add(std::move(Fld));
        }
      }
    }
  } else if (IsIdent("VIEW")) {
    ReadName(dboView);
    if (O) Obj = O->GetView(NamePart);
  } else if (IsIdent("TRIGGER")) {
    GetSy();
    GetQualifiedName();
    if (StatementFailed()) return;
    const std::string Name = NamePart;
    StatObjType = dboTrigger;
    StatObjName = Name;
    TestAndGetSy(pgON);
    if (StatementFailed()) return;
    GetQualifiedName();
    // Trigger names are unique per table only: the table is part of the key.
    if (O && !StatementFailed()) {
      Obj = O->Triggers.FindObj(Name + " ON " + NamePart);
      if (!Obj) Obj = O->Triggers.FindObj(Name);
    }
  } else if (IsIdent("INDEX")) {
    ReadName(dboIndex);
    if (O) Obj = O->GetIndex(NamePart);
  } else if (IsIdent("FUNCTION") || IsIdent("PROCEDURE")) {
    GetSy();
    const std::unique_ptr<TPrcData> Sig = ParseFunctionSignature();
    StatObjType = dboProcedure;
    StatObjName = Sig->GetObjName();
    if (!StatementFailed()) Obj = FindFunction(*Sig);
  } else {
    // Kinds the model keeps no description for (constraints, sequences, extensions ...).
    StatType = stStatement;
    PassOver("COMMENT ON " + UpperCase(Sy == syIdent ? Ident : GetSyWord()));
    return;
  }
  if (StatementFailed()) return;
  TestAndGetSy(pgIS);
  if (StatementFailed()) return;
  std::string Text;
  if (Sy == syString) {
    Text = StrValue;
  } else if (Sy != pgNULL) {
    TestSy(syString);
    return;
  }
  GetSy();
  if (Obj) Obj->SetExtra(&TObjExtra::Description, Text);  // IS NULL removes the description
}

void TPGSQLParser::ParseGrant(bool Grant) {
  GetSy();  // past GRANT or REVOKE
  if (!Grant && Sy == pgGRANT) {
    GetSy();
    TestIdent("OPTION");
    if (!IsIdent("OPTION")) return;
    GetSy();
    TestAndGetSy(pgFOR);
    if (StatementFailed()) return;
  }
  // Privileges: ALL [PRIVILEGES], or a list of privilege words (those of schemas are USAGE and
  // CREATE, those of tables SELECT, INSERT, UPDATE, DELETE, REFERENCES ...).
  for (;;) {
    if (Sy == pgALL) {
      GetSy();
      if (IsIdent("PRIVILEGES")) GetSy();
    } else if (Sy == syIdent || Sy == pgSELECT || Sy == pgREFERENCES || Sy == pgCREATE) {
      GetSy();
    } else {
      TestSy(syIdent);
      return;
    }
    if (Sy != syComma) break;
    GetSy();
  }
  bool OnSchema = false;
  if (Sy == pgON) {
    GetSy();
    OnSchema = IsIdent("SCHEMA");
  }
  if (!OnSchema) {
    ErrMsg(Grant ? "Unknown GRANT statement" : "Unknown REVOKE statement");
    return;
  }
  GetSy();
  for (;;) {
    GetQualifiedName();
    if (StatementFailed() || Sy != syComma) break;
    GetSy();
  }
  if (StatementFailed()) return;
  if (Grant)
    TestAndGetSy(pgTO);
  else
    TestAndGetSy(pgFROM);
  if (StatementFailed()) return;
  for (;;) {
    if (Sy == pgGROUP) GetSy();
    if (Sy == syIdent || Sy == pgCURRENT_USER || Sy == pgSESSION_USER || Sy == pgCURRENT_ROLE)
      GetSy();
    else {
      TestSy(syIdent);
      return;
    }
    if (Sy != syComma) break;
    GetSy();
  }
  if (Grant && IsIdent("WITH")) {
    GetSy();
    TestAndGetSy(pgGRANT);
    if (StatementFailed()) return;
    TestIdent("OPTION");
    if (IsIdent("OPTION")) GetSy();
  } else if (!Grant && (IsIdent("CASCADE") || IsIdent("RESTRICT"))) {
    GetSy();
  }
}

}  // namespace qel
