// The PostgreSQL-specific grammar of the script parser: CREATE and ALTER TYPE, CREATE and ALTER
// DOMAIN, CREATE [DEFAULT] CONVERSION, CREATE OPERATOR, CREATE OPERATOR CLASS and ALTER
// OPERATOR [CLASS], and the linking of these objects to the functions they name.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "Text.h"
#include "qelCompObj.h"
#include "qelComp_Dmn.h"
#include "qelComp_Prc.h"
#include "qelPGSQLParser.h"

namespace qel {

namespace {

/// The characters the server builds operator names from.
bool IsOperatorNameChar(char C) {
  return C != '\0' && std::strchr("!#%&*+-/<=>?@^|~`", C) != nullptr;
}

/// Options of CREATE TYPE the server knows and the model has no place for: read and dropped.
bool IsUnheldTypeOption(const std::string& Word) {
  static const char* const Words[] = {"LIKE",      "CATEGORY",   "PREFERRED", "COLLATABLE",
                                      "TYPMOD_IN", "TYPMOD_OUT", "SUBSCRIPT"};
  return std::any_of(std::begin(Words), std::end(Words),
                     [&Word](const char* W) { return Word == W; });
}

/// Options of CREATE TYPE the model holds.
bool IsTypeOption(const std::string& Word) {
  static const char* const Words[] = {
      "INPUT",          "OUTPUT",         "SEND",          "RECEIVE",   "ANALYZE",
      "INTERNALLENGTH", "EXTERNALLENGTH", "PASSEDBYVALUE", "ALIGNMENT", "STORAGE",
      "DELIMITER",      "DEFAULT",        "ELEMENT"};
  return std::any_of(std::begin(Words), std::end(Words),
                     [&Word](const char* W) { return Word == W; });
}

/// Options of CREATE OPERATOR. FUNCTION is the newer spelling of PROCEDURE.
bool IsOperatorOption(const std::string& Word) {
  static const char* const Words[] = {"PROCEDURE", "FUNCTION",   "LEFTARG", "RIGHTARG", "RESTRICT",
                                      "JOIN",      "COMMUTATOR", "NEGATOR", "SORT1",    "SORT2",
                                      "LTCMP",     "GTCMP",      "HASHES",  "MERGES"};
  return std::any_of(std::begin(Words), std::end(Words),
                     [&Word](const char* W) { return Word == W; });
}

/// A missing operand type is written NONE; the model keeps it empty.
std::string OperandType(const std::string& Text) {
  return Text == "NONE" ? std::string() : Text;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Shared pieces

void TPGSQLParser::ParseOwnerTo(TDbObj* Obj) {
  GetSy();  // past OWNER
  TestAndGetSy(pgTO);
  if (StatementFailed()) return;
  if (Sy == pgCURRENT_USER || Sy == pgSESSION_USER || Sy == pgCURRENT_ROLE) {
    GetSy();  // a role known only when the script runs
    return;
  }
  TestSy(syIdent);
  if (Sy != syIdent) return;
  if (Obj) Obj->SetExtra(&TObjExtra::Creator, Ident);
  GetSy();
}

std::string TPGSQLParser::ParseTypeText() {
  // Read as a column type, and written as a routine's argument key writes it, so that an
  // operator class entry finds the function it names among the collection's routines.
  TFldData Fld(Objs);
  ParseFieldType(Fld);
  if (StatementFailed()) return "";
  if (Fld.FieldType == iftDomain && Fld.Extra().ArrayBounds.empty() &&
      SameText(Fld.Extra().DomainName, "NONE"))
    return "NONE";
  return LowerCase(Fld.FieldTypeDef());
}

std::string TPGSQLParser::OptionWord() {
  if (Sy == syIdent) return UpperCase(Ident);
  if (Sy >= syFirstResWord && Sy < pgOperator) return UpperCase(GetSyWord());
  return "";
}

void TPGSQLParser::SkipOptionValue() {
  while (Sy != syComma && Sy != syRParen && Sy != syTerm && Sy != syEOF && !StatementFailed()) {
    if (Sy == syLParen || Sy == syLBracket)
      SkipGroup();
    else
      GetSy();
  }
}

std::string TPGSQLParser::ParseOperatorSymbol() {
  if (Sy == syString && QuoteChar == '\'') {
    std::string Name = StrValue;
    GetSy();
    return Name == "!=" ? "<>" : Name;
  }
  if (Sy == syEOF || Sy == syTerm || SyPos < 1) return "";
  // The scanner splits a run of operator characters by its own rules ("<<=" may come as "<"
  // and "<="), so the name is taken from the text and the symbols it covers are skipped.
  const auto Start = static_cast<std::size_t>(SyPos - 1);
  std::size_t End = Start;
  while (End < FTxt.size() && IsOperatorNameChar(FTxt[End])) {
    // "--" and "/*" start comments, never a part of a name.
    const char Next = End + 1 < FTxt.size() ? FTxt[End + 1] : '\0';
    if ((FTxt[End] == '-' && Next == '-') || (FTxt[End] == '/' && Next == '*')) break;
    ++End;
  }
  if (End == Start) return "";
  std::string Name = FTxt.substr(Start, End - Start);
  while (Sy != syEOF && Sy != syTerm && static_cast<std::size_t>(SyPos - 1) < End) GetSy();
  // The server reads "!=" as "<>".
  return Name == "!=" ? "<>" : Name;
}

std::string TPGSQLParser::ParseOperatorRef(std::string* Schema) {
  // OPERATOR(schema.symbol), as a dump writes it. The wrappers are counted, not recursed
  // into: a script of a hundred thousand of them must not take the stack.
  std::size_t Wrappers = 0;
  while (IsIdent("OPERATOR")) {
    GetSy();
    TestAndGetSy(syLParen);
    if (StatementFailed()) return "";
    ++Wrappers;
  }
  if (Schema) *Schema = "public";
  if (Sy == syIdent) {
    if (Schema) *Schema = Ident;
    GetSy();
    TestAndGetSy(syDot);
    if (StatementFailed()) return "";
  }
  std::string Name = ParseOperatorSymbol();
  if (Name.empty()) ErrMsg("Missing OPERATOR-name");
  for (; Wrappers > 0 && !StatementFailed(); --Wrappers) TestAndGetSy(syRParen);
  return Name;
}

// ---------------------------------------------------------------------------------------------
// Types

bool TPGSQLParser::ParseDomainName(std::string& Name, std::string& Schema, TDmnData*& Existing) {
  GetSy();  // past TYPE or DOMAIN
  const TSymAt At = SymAt();
  GetQualifiedName();
  if (StatementFailed()) return false;
  FTypeNamesAt.emplace(NamePart, At);
  Name = NamePart;
  Schema = SchemaPart;
  StatObjName = Name;
  StatObjType = dboDomain;
  Existing = Objs ? dynamic_cast<TDmnData*>(Objs->Domains.FindObj(Name)) : nullptr;
  // Domains and types are filed under their names without the schema: one of the same name in
  // another schema is another object, which the collection cannot hold beside the first. It is
  // said and passed over, never taken for the first.
  if (!Existing || Existing->GetSchema() == Schema) return true;
  WrnMsg(Schema + "." + Name + " passed over: an object of that name was read already in " +
         "another schema.");
  SkipToTerm();
  return false;
}

void TPGSQLParser::ParseType(bool Alter) {
  std::string Name;
  std::string Schema;
  TDmnData* Existing = nullptr;
  if (!ParseDomainName(Name, Schema, Existing)) return;

  if (Alter) {
    // The owner is kept; the other forms (ADD VALUE, RENAME, ADD ATTRIBUTE ...) change what the
    // model does not hold. A type the script never created is not made up here.
    StatOperation = odbAlter;
    if (IsIdent("OWNER"))
      ParseOwnerTo(Existing);
    else if (Existing)
      // A change to a type the schema holds, which the model cannot follow: read past it, the
      // type would be compared as it was before, and an update script could undo the change.
      ErrMsg("Unknown/Invalid ALTER statement.");
    else
      PassOver("ALTER TYPE");
    return;
  }

  StatOperation = Existing ? odbAlter : odbCreate;
  bool Composite = false;
  if (Sy == pgAS) {
    GetSy();
    if (Sy != syLParen) {
      // AS ENUM, AS RANGE: kinds the model cannot write back, so they are not kept.
      PassOver("CREATE TYPE " + Name + " AS " + (Sy == syIdent ? UpperCase(Ident) : GetSyWord()));
      return;
    }
    Composite = true;
  } else if (Sy != syLParen && Sy != syTerm && Sy != syEOF) {
    TestSy(syLParen);
    return;
  }

  std::unique_ptr<TDmnData> New;
  TDmnData* Dmn = Existing;
  if (!Dmn) {
    New = std::make_unique<TDmnData>(Objs);
    Dmn = New.get();
    Dmn->SetObjName(Name);
  }
  Dmn->SetSchema(Schema);
  Dmn->PGOptions->IsType = true;
  if (Composite)
    ParseTypeAttributes(*Dmn);
  else if (Sy == syLParen)
    ParseTypeOptions(*Dmn->PGOptions);
  if (StatementFailed() || !New) return;
  AddObj(std::move(New));
}

void TPGSQLParser::ParseTypeAttributes(TDmnData& Dmn) {
  GetSy();  // past "("
  TObjVector<TFldData>& Attributes = Dmn.PGOptions->Attributes;
  Attributes.Clear();
  if (Sy != syRParen) {
    for (;;) {
      std::unique_ptr<TFldData> Fld = ParseField(&Dmn);
      if (StatementFailed()) return;
      Fld->Position = Attributes.Count() + 1;
      Attributes.Add(std::move(Fld));
      if (Sy != syComma) break;
      GetSy();
    }
  }
  TestAndGetSy(syRParen);
}

void TPGSQLParser::ParseTypeOptions(TPGTypeOptions& Opt) {
  GetSy();  // past "("
  for (;;) {
    const std::string Word = OptionWord();
    const bool Unheld = IsUnheldTypeOption(Word);
    if (!Unheld && !IsTypeOption(Word)) {
      ErrMsg("Unknown option for TYPE-declaration");
      GetSy();
      return;
    }
    GetSy();
    if (Unheld) {
      InfMsg("Option passed over: " + Word + ".");
      if (Sy == syEqual) {
        GetSy();
        SkipOptionValue();
      }
    } else if (Word == "PASSEDBYVALUE") {
      Opt.PassedByValue = true;
      if (Sy == syEqual) {  // PASSEDBYVALUE = true: the server takes a value for every option
        GetSy();
        SkipOptionValue();
      }
    } else {
      TestAndGetSy(syEqual);
      if (StatementFailed()) return;
      if (Word == "INPUT" || Word == "OUTPUT" || Word == "SEND" || Word == "RECEIVE" ||
          Word == "ANALYZE") {
        // Kept under the bare name, as the catalog reader keeps it and as routines are found.
        GetQualifiedName();
        std::string& Func = Word == "INPUT"     ? Opt.Input
                            : Word == "OUTPUT"  ? Opt.Output
                            : Word == "SEND"    ? Opt.Send
                            : Word == "RECEIVE" ? Opt.Receive
                                                : Opt.Analyze;
        Func = NamePart;
      } else if (Word == "INTERNALLENGTH" || Word == "EXTERNALLENGTH") {
        std::int32_t& Length = Word == "INTERNALLENGTH" ? Opt.InternalLength : Opt.ExternalLength;
        if (IsIdent("VARIABLE")) {
          Length = -1;
          GetSy();
        } else {
          const bool Negative = Sy == syMinus;
          if (Sy == syMinus || Sy == syPlus) GetSy();
          if (Sy != syInteger) {
            ErrMsg("Unknown/Invalid value for INTERNALLENGTH");
            return;
          }
          Length = Negative ? -IntValue : IntValue;
          GetSy();
        }
      } else if (Word == "ALIGNMENT") {
        TestSy(syIdent);
        if (Sy != syIdent) return;
        Opt.Alignment = FieldTypeByName(Ident);
        GetSy();
      } else if (Word == "STORAGE") {
        TestSy(syIdent);
        if (Sy != syIdent) return;
        Opt.Storage = Ident;
        GetSy();
      } else if (Word == "DELIMITER") {
        TestSy(syString);
        if (Sy != syString) return;
        Opt.Delimiter = StrValue;
        GetSy();
      } else {  // DEFAULT, ELEMENT: read, not kept
        SkipOptionValue();
      }
    }
    if (StatementFailed()) return;
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
}

// ---------------------------------------------------------------------------------------------
// Domains

void TPGSQLParser::ParseDomain(bool Alter) {
  std::string Name;
  std::string Schema;
  TDmnData* Existing = nullptr;
  if (!ParseDomainName(Name, Schema, Existing)) return;

  if (Alter || IsIdent("OWNER")) {
    StatOperation = Alter || Existing ? odbAlter : odbCreate;
    if (IsIdent("OWNER")) {
      ParseOwnerTo(Existing);
    } else if (IsIdent("ADD")) {
      // A dump adds a constraint here when it was created NOT VALID.
      GetSy();
      std::string ConName;
      if (Sy == pgCONSTRAINT) {
        GetSy();
        TestSy(syIdent);
        if (Sy != syIdent) return;
        ConName = Ident;
        GetSy();
      }
      if (Sy == pgCHECK) {
        ParseDomainCheck(Existing, ConName);
      } else if (Sy == pgNOT) {
        GetSy();
        TestAndGetSy(pgNULL);
        if (Existing && !StatementFailed()) Existing->TypeField->Nullable = false;
      } else {
        TestSy(pgCHECK);
        return;
      }
      if (Sy == pgNOT && !StatementFailed()) {
        GetSy();
        TestIdent("VALID");
        if (IsIdent("VALID")) GetSy();
      }
    } else if (Existing && (IsIdent("SET") || IsIdent("DROP"))) {
      // SET DEFAULT expr, DROP DEFAULT, SET NOT NULL, DROP NOT NULL.
      const bool Set = IsIdent("SET");
      GetSy();
      TFldData& Fld = *Existing->TypeField;
      if (Sy == pgDEFAULT && Set) {
        ParseDefault(Fld);
      } else if (Sy == pgDEFAULT) {
        Fld.DefValue.clear();
        GetSy();
      } else if (Sy == pgNOT) {
        GetSy();
        TestAndGetSy(pgNULL);
        if (!StatementFailed()) Fld.Nullable = !Set;
      } else if (!Set && Sy == pgCONSTRAINT) {
        ParseDomainDropCheck(*Existing);
      } else {
        // DROP CONSTRAINT and the like: a change the model cannot follow is not read past.
        ErrMsg("Unknown/Invalid ALTER statement.");
      }
    } else if (Existing) {
      // As for types: a change the model cannot follow is not read past.
      ErrMsg("Unknown/Invalid ALTER statement.");
    } else {
      PassOver("ALTER DOMAIN");
    }
    return;
  }

  if (Sy == pgAS) GetSy();  // optional, as on the server
  StatOperation = Existing ? odbAlter : odbCreate;
  std::unique_ptr<TDmnData> New;
  TDmnData* Dmn = Existing;
  if (Dmn) {
    // A script that makes a schema defines a domain once; a reader fed one text after another
    // reads it again in place.
    if (Objs && Objs->ExtractFrom == efScript) TestDefinedTwice("Domain " + Name, *Dmn);
    // Read again from scratch: nothing of the former definition survives.
    Dmn->TypeField = std::make_unique<TFldData>(Objs);
    Dmn->TypeField->OwnerObj = Dmn;
    Dmn->PGChecks.clear();
  } else {
    New = std::make_unique<TDmnData>(Objs);
    Dmn = New.get();
    Dmn->SetObjName(Name);
  }
  Dmn->SetSchema(Schema);
  Dmn->PGOptions->IsType = false;
  Dmn->TypeField->TableName = Name;
  ParseDomainBody(*Dmn);
  if (StatementFailed() || !New) return;
  AddObj(std::move(New));
}

void TPGSQLParser::ParseDomainBody(TDmnData& Dmn) {
  TFldData& Fld = *Dmn.TypeField;
  ParseFieldType(Fld);
  Fld.Nullable = true;
  std::string ConName;  // of the clause that follows
  while (!StatementFailed()) {
    switch (Sy) {
      case pgCOLLATE:
        ParseCollate(Fld);
        break;
      case pgDEFAULT:
        ParseDefault(Fld);
        break;
      case pgNOT:
        GetSy();
        TestAndGetSy(pgNULL);
        Fld.Nullable = false;
        break;
      case pgNULL:
        GetSy();
        break;
      case pgCONSTRAINT:
        // The name is kept for a check; the server drops it by that name.
        GetSy();
        TestSy(syIdent);
        if (Sy != syIdent) return;
        ConName = Ident;
        GetSy();
        continue;
      case pgCHECK:
        ParseDomainCheck(&Dmn, ConName);
        break;
      default:
        return;
    }
    ConName.clear();
  }
}

void TPGSQLParser::ParseDomainCheck(TDmnData* Dmn, const std::string& Name) {
  GetSy();  // past CHECK
  TestSy(syLParen);
  if (Sy != syLParen) return;
  // "CHECK ((VALUE > 0))" as the server writes it and "CHECK (VALUE > 0)" as people do are the
  // same condition and must compare equal.
  const std::string Condition = DelDblParents(Trim(SkipGroup()));
  if (StatementFailed() || !Dmn) return;
  // The descriptor holds the text that follows the word CHECK, in the form the catalog reader
  // gives it; a second check follows the first as a clause of its own.
  Dmn->AddPGCheck(Name, Condition);
}

void TPGSQLParser::ParseDomainDropCheck(TDmnData& Dmn) {
  GetSy();  // past CONSTRAINT
  bool IfExists = false;
  if (IsIdent("IF")) {
    GetSy();
    TestIdent("EXISTS");
    if (!IsIdent("EXISTS")) return;
    GetSy();
    IfExists = true;
  }
  TestSy(syIdent);
  if (Sy != syIdent) return;
  const std::string Name = Ident;
  GetSy();
  if (IsIdent("CASCADE") || IsIdent("RESTRICT")) GetSy();
  // Only a check has a name the model keeps; the server refuses an unknown one.
  if (!Dmn.DropPGCheck(Name) && !IfExists)
    ErrMsg("Domain " + Dmn.GetObjName() + " has no constraint " + Name + ".");
}

// ---------------------------------------------------------------------------------------------
// Conversions

void TPGSQLParser::ParseConversion(bool IsDefault) {
  GetSy();  // past CONVERSION
  std::string Schema;
  std::string Name;
  GetIdentName(Schema, Name);
  if (StatementFailed()) return;
  ReportCreate(dboConversion, Name);

  auto Encoding = [this]() {
    std::string Value;
    if (Sy == syIdent) {
      Value = Ident;
    } else if (Sy == syString) {
      Value = StrValue;
    } else {
      ErrMsg("Must be: <conversion_name>");
      return Value;
    }
    GetSy();
    std::replace(Value.begin(), Value.end(), '-', '_');
    return Value;
  };
  TestAndGetSy(pgFOR);
  if (StatementFailed()) return;
  const std::string Source = Encoding();
  if (StatementFailed()) return;
  TestAndGetSy(pgTO);
  if (StatementFailed()) return;
  const std::string Dest = Encoding();
  if (StatementFailed()) return;
  TestAndGetSy(pgFROM);
  if (StatementFailed()) return;
  std::string FuncSchema;
  std::string FuncName;
  GetIdentName(FuncSchema, FuncName);
  if (StatementFailed()) return;

  auto Cnv = std::make_unique<TCnvData>(Objs);
  Cnv->SetObjName(Name);
  // The model names the function in the conversion's schema, so a conversion written without
  // one lives where its function does.
  Cnv->SetSchema(!Schema.empty() ? Schema : !FuncSchema.empty() ? FuncSchema : "public");
  Cnv->IsDefault = IsDefault;
  Cnv->SourceEncoding = Source;
  Cnv->DestEncoding = Dest;
  Cnv->FuncName = FuncName;
  AddObj(std::move(Cnv));
}

// ---------------------------------------------------------------------------------------------
// Operators and operator classes

void TPGSQLParser::ParseOperator() {
  GetSy();  // past OPERATOR
  if (IsIdent("CLASS")) {
    ParseOperatorClass();
    return;
  }
  if (IsIdent("FAMILY")) {
    // A family holds nothing the model keeps: its class carries the members.
    PassOver("CREATE OPERATOR FAMILY");
    return;
  }
  std::string Schema = "public";
  if (Sy == syIdent) {
    Schema = Ident;
    GetSy();
    TestAndGetSy(syDot);
    if (StatementFailed()) return;
  }
  const std::string Name = ParseOperatorSymbol();
  if (Name.empty()) {
    ErrMsg("Missing OPERATOR-name");
    return;
  }
  ReportCreate(dboOperator, Name);
  auto Opr = std::make_unique<TOprData>(Objs);
  Opr->SetObjName(Name);
  Opr->SetSchema(Schema);
  TestAndGetSy(syLParen);
  if (StatementFailed()) return;
  for (;;) {
    const std::string Word = OptionWord();
    if (!IsOperatorOption(Word)) {
      ErrMsg("Unknown option for OPERATOR-declaration");
      GetSy();
      return;
    }
    GetSy();
    if (Word == "HASHES") {
      Opr->Hashes = true;
    } else if (Word == "MERGES") {
      Opr->Merges = true;
    } else {
      TestAndGetSy(syEqual);
      if (StatementFailed()) return;
      if (Word == "PROCEDURE" || Word == "FUNCTION" || Word == "RESTRICT" || Word == "JOIN") {
        GetQualifiedName();
        (Word == "RESTRICT" ? Opr->Restrict
         : Word == "JOIN"   ? Opr->Join
                            : Opr->ProcName) = NamePart;
      } else if (Word == "LEFTARG") {
        Opr->LeftArg = OperandType(ParseTypeText());
      } else if (Word == "RIGHTARG") {
        Opr->RightArg = OperandType(ParseTypeText());
      } else {
        std::string& Target = Word == "COMMUTATOR" ? Opr->Commutator
                              : Word == "NEGATOR"  ? Opr->Negator
                              : Word == "SORT1"    ? Opr->Sort1
                              : Word == "SORT2"    ? Opr->Sort2
                              : Word == "LTCMP"    ? Opr->LtCmp
                                                   : Opr->GtCmp;
        Target = ParseOperatorRef();
      }
    }
    if (StatementFailed()) return;
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
  if (StatementFailed()) return;
  AddObj(std::move(Opr));
}

void TPGSQLParser::ParseOperatorClass() {
  GetSy();  // past CLASS
  GetQualifiedName();
  if (StatementFailed()) return;
  auto Opc = std::make_unique<TOpcData>(Objs);
  Opc->SetObjName(NamePart);
  Opc->SetSchema(SchemaPart);
  ReportCreate(dboOperatorClass, NamePart);
  if (Sy == pgDEFAULT) {
    Opc->IsDefault = true;
    GetSy();
  }
  TestAndGetSy(pgFOR);
  if (StatementFailed()) return;
  TestIdent("TYPE");
  if (!IsIdent("TYPE")) return;
  GetSy();
  Opc->DataType = ParseTypeText();
  if (StatementFailed()) return;
  TestAndGetSy(pgUSING);
  if (StatementFailed()) return;
  TestSy(syIdent);
  if (Sy != syIdent) return;
  Opc->IndexMethod = Ident;
  GetSy();
  if (IsIdent("FAMILY")) {  // the family is not kept
    GetSy();
    GetQualifiedName();
    if (StatementFailed()) return;
  }
  TestAndGetSy(pgAS);
  if (StatementFailed()) return;

  for (;;) {
    if (IsIdent("STORAGE")) {
      GetSy();
      Opc->StorageType = ParseTypeText();
    } else if (IsIdent("OPERATOR")) {
      GetSy();
      TestSy(syInteger);
      if (Sy != syInteger) return;
      const std::int32_t Strategy = IntValue;
      GetSy();
      const std::string Name = ParseOperatorRef();
      if (StatementFailed()) return;
      std::string Left;
      std::string Right;
      if (Sy == syLParen) {
        GetSy();
        Left = OperandType(ParseTypeText());
        if (!StatementFailed()) TestAndGetSy(syComma);
        if (!StatementFailed()) Right = OperandType(ParseTypeText());
        if (!StatementFailed()) TestAndGetSy(syRParen);
        if (StatementFailed()) return;
      }
      if (IsIdent("RECHECK")) GetSy();
      if (Sy == pgFOR) {  // FOR SEARCH, FOR ORDER BY family: not kept
        GetSy();
        if (IsIdent("SEARCH")) {
          GetSy();
        } else {
          TestAndGetSy(pgORDER);
          if (StatementFailed()) return;
          TestIdent("BY");
          if (!IsIdent("BY")) return;
          GetSy();
          GetQualifiedName();
          if (StatementFailed()) return;
        }
      }
      Opc->AddOperator(Strategy, Name, Left, Right);
    } else if (IsIdent("FUNCTION")) {
      GetSy();
      TestSy(syInteger);
      if (Sy != syInteger) return;
      const std::int32_t Support = IntValue;
      GetSy();
      if (Sy == syLParen) SkipGroup();  // the operand types the function serves: not kept
      GetQualifiedName();
      if (StatementFailed()) return;
      const std::string Name = NamePart;
      std::vector<std::string> Args;
      if (Sy == syLParen) {
        GetSy();
        while (Sy != syRParen && !StatementFailed()) {
          Args.push_back(ParseTypeText());
          if (Sy != syComma) break;
          GetSy();
        }
        if (!StatementFailed()) TestAndGetSy(syRParen);
      }
      if (StatementFailed()) return;
      Opc->AddFunction(Support, Name, Args);
    } else {
      ErrMsg("Must be: OPERATOR / FUNCTION / STORAGE");
      return;
    }
    if (StatementFailed()) return;
    if (Sy != syComma) break;
    GetSy();
  }
  AddObj(std::move(Opc));
}

void TPGSQLParser::ParseAlterOperator() {
  GetSy();  // past OPERATOR
  StatOperation = odbAlter;
  if (IsIdent("CLASS")) {
    StatObjType = dboOperatorClass;
    GetSy();
    GetQualifiedName();
    if (StatementFailed()) return;
    StatObjName = NamePart;
    TestAndGetSy(pgUSING);
    if (StatementFailed()) return;
    TestSy(syIdent);
    if (Sy != syIdent) return;
    // Classes of one name for different access methods are different classes.
    TDbObj* Opc = Objs ? Objs->OperatorClasses.FindObj(NamePart + "(" + Ident + ")") : nullptr;
    GetSy();
    if (IsIdent("OWNER"))
      ParseOwnerTo(Opc);
    else
      PassOver("ALTER OPERATOR CLASS");
    return;
  }
  if (IsIdent("FAMILY")) {
    PassOver("ALTER OPERATOR FAMILY");
    return;
  }
  StatObjType = dboOperator;
  std::string Schema;
  StatObjName = ParseOperatorRef(&Schema);
  if (StatementFailed()) return;
  // Operators are told apart by their operand types, NONE standing for a missing one.
  std::string Key = Schema + "." + StatObjName + " (";
  TestAndGetSy(syLParen);
  if (!StatementFailed()) Key += ParseTypeText();
  if (!StatementFailed()) TestAndGetSy(syComma);
  if (!StatementFailed()) Key += ", " + ParseTypeText() + ")";
  if (!StatementFailed()) TestAndGetSy(syRParen);
  if (StatementFailed()) return;
  if (IsIdent("OWNER"))
    ParseOwnerTo(Objs ? Objs->Operators.FindObj(Key) : nullptr);
  else
    PassOver("ALTER OPERATOR");
}

// ---------------------------------------------------------------------------------------------
// Linking

void TPGSQLParser::LinkTypeDepends() {
  if (!Objs) return;
  // Functions are named without their arguments: every overload of the name is used.
  std::unordered_multimap<std::string, TPrcData*> Routines;
  for (int I = 0; I < Objs->Procedures.Count(); ++I)
    if (auto* Prc = dynamic_cast<TPrcData*>(Objs->Procedures.Objects(I)))
      Routines.emplace(Prc->GetObjName(), Prc);
  auto LinkRoutines = [&](TDbObj* Obj, const std::string& Name) {
    if (Name.empty()) return;
    const auto [First, Last] = Routines.equal_range(Name);
    for (auto It = First; It != Last; ++It) LinkDepend(Obj, It->second);
  };

  for (int I = 0; I < Objs->Domains.Count(); ++I) {
    auto* Dmn = dynamic_cast<TDmnData*>(Objs->Domains.Objects(I));
    if (!Dmn || !Dmn->PGOptions || !Dmn->PGOptions->IsType) continue;
    const TPGTypeOptions& Opt = *Dmn->PGOptions;
    for (const std::string* Name : {&Opt.Input, &Opt.Output, &Opt.Send, &Opt.Receive, &Opt.Analyze})
      LinkRoutines(Dmn, *Name);
  }
  for (int I = 0; I < Objs->Conversions.Count(); ++I)
    if (auto* Cnv = dynamic_cast<TCnvData*>(Objs->Conversions.Objects(I)))
      LinkRoutines(Cnv, Cnv->FuncName);
  for (int I = 0; I < Objs->Operators.Count(); ++I) {
    auto* Opr = dynamic_cast<TOprData*>(Objs->Operators.Objects(I));
    if (!Opr) continue;
    for (const std::string* Name : {&Opr->ProcName, &Opr->Restrict, &Opr->Join, &Opr->Sort1,
                                    &Opr->Sort2, &Opr->LtCmp, &Opr->GtCmp})
      LinkRoutines(Opr, *Name);
  }
  for (int I = 0; I < Objs->OperatorClasses.Count(); ++I) {
    auto* Opc = dynamic_cast<TOpcData*>(Objs->OperatorClasses.Objects(I));
    if (!Opc) continue;
    for (int J = 0; J < Opc->FncEntries.Count(); ++J)
      if (const auto* E = dynamic_cast<const TOpcFncData*>(Opc->FncEntries.Objects(J)))
        LinkDepend(Opc, Objs->Procedures.FindObj(E->ObjKeyDef()));
    for (int J = 0; J < Opc->OprEntries.Count(); ++J)
      if (const auto* E = dynamic_cast<const TOpcOprData*>(Opc->OprEntries.Objects(J)))
        LinkDepend(Opc, Objs->Operators.FindObj(E->ObjKeyDef()));
  }
}

}  // namespace qel

// ---------------------------------------------------------------------------------------------
// Checks after the last script

namespace qel {

namespace {

/// The server's own types that the type-word table does not name, by their catalog names, and
/// the words its grammar reads as types (nchar, national ...).
// clang-format off
constexpr std::string_view kBuiltInTypes[] = {
    "aclitem", "any", "anyarray", "anycompatible", "anycompatiblearray",
    "anycompatiblemultirange", "anycompatiblenonarray", "anycompatiblerange", "anyelement",
    "anyenum", "anymultirange", "anynonarray", "anyrange", "box", "bpchar", "char", "cid",
    "cidr", "circle", "datemultirange", "daterange", "event_trigger", "fdw_handler",
    "gtsvector", "index_am_handler", "inet", "int2vector", "int4multirange", "int4range",
    "int8multirange", "int8range", "internal", "json", "jsonb", "jsonpath", "language_handler",
    "line", "lseg", "macaddr", "macaddr8", "name", "national", "nchar", "nummultirange",
    "numrange", "oid", "oidvector", "opaque", "path", "point", "polygon", "record", "refcursor",
    "regclass", "regcollation", "regconfig", "regdictionary", "regnamespace", "regoper",
    "regoperator", "regproc", "regprocedure", "regrole", "regtype", "setof", "smallserial",
    "serial2", "table_am_handler", "tid", "trigger", "tsm_handler", "tsmultirange", "tsquery",
    "tsrange", "tstzmultirange", "tstzrange", "tsvector", "txid_snapshot", "unknown", "uuid",
    "void", "xid", "xid8", "xml"};
/// Types that common extensions bring, which a script may use where the extension is made
/// outside it.
constexpr std::string_view kExtensionTypes[] = {
    "box2d", "box3d", "citext", "cube", "ean13", "earth", "geography", "geometry", "halfvec",
    "hstore", "isbn", "isbn13", "ismn", "ismn13", "issn", "issn13", "lquery", "ltree",
    "ltxtquery", "raster", "seg", "sparsevec", "upc", "vector"};
// clang-format on

bool Listed(const std::string& Name, const std::string_view* First, const std::string_view* Last) {
  return std::find(First, Last, Name) != Last;
}

}  // namespace

void TPGSQLParser::CheckDomainCycles(TObjs& O) {
  std::unordered_set<const TDmnData*> Told;
  for (int I = 0; I < O.Domains.Count(); ++I) {
    auto* D = dynamic_cast<TDmnData*>(O.Domains.Objects(I));
    if (!D || Told.count(D)) continue;
    // Followed at most as many steps as there are domains: a longer chain has looped.
    std::vector<const TDmnData*> Chain{D};
    const TDmnData* Next = D;
    for (int Step = 0; Step < O.Domains.Count(); ++Step) {
      const TFldData* F = Next->TypeField.get();
      Next = F && F->FieldType == iftDomain ? O.GetDomain(F->Extra().DomainName) : nullptr;
      if (!Next || Next == D) break;
      if (std::find(Chain.begin(), Chain.end(), Next) != Chain.end()) {
        Next = nullptr;  // a cycle D only leads into: told from one of its own domains
        break;
      }
      Chain.push_back(Next);
    }
    if (Next != D) continue;
    std::string Names;
    for (const TDmnData* C : Chain) {
      Told.insert(C);
      Names += (Names.empty() ? "" : ", ") + C->GetObjName();
    }
    const auto At = FTypeNamesAt.find(D->GetObjName());
    const std::string Text =
        (Chain.size() == 1 ? "Domain " : "Domains ") + Names +
        (Chain.size() == 1 ? " is declared over itself" : " are declared over each other") +
        "; the server creates none of them.";
    ErrMsgAtSym(Text, At != FTypeNamesAt.end() ? At->second : TSymAt{0, 0, ScriptName});
  }
}

void TPGSQLParser::CheckTypeNames(TObjs& O) {
  std::unordered_set<std::string> Told;
  for (const TTypeUse& U : FTypeUses) {
    const std::string& N = U.Name;
    // pg_ names are the server's own, and "_name" is the array of name.
    if (N.compare(0, 3, "pg_") == 0 || (N.size() > 1 && N[0] == '_')) continue;
    if (Listed(N, std::begin(kBuiltInTypes), std::end(kBuiltInTypes)) || FTypeNamesAt.count(N) ||
        O.GetDomain(N) || O.GetTable(N) || O.GetView(N))
      continue;
    if (!Told.insert(N).second) continue;
    if (Listed(N, std::begin(kExtensionTypes), std::end(kExtensionTypes))) {
      MsgManager.AddScriptMsg("Type " + N + " of " + U.Of +
                                  " is taken to come from an extension made outside the script.",
                              U.At.Script, U.At.Col, U.At.Line, mt_Wrn);
      continue;
    }
    ErrMsgAtSym("Type " + N + " of " + U.Of +
                    " is no type of the server's own and no statement defines it.",
                U.At);
  }
}

}  // namespace qel
