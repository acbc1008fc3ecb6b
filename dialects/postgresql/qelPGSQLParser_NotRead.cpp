// The PostgreSQL script parser: forms of kinds the object model does not hold (extensions,
// collations, row-level security and policies, extended statistics, event and constraint
// triggers, materialized views, exclusion constraints, NOT VALID and NO INHERIT, replica
// identities, a view's options, generated and identity columns, inheritance) and a few
// statements that hold no object (SELECT, TRUNCATE, DROP FUNCTION). Each is read over with a
// warning that names it: a script that uses them reads whole, and says what it left out.
#include <memory>
#include <string>
#include <utility>

#include "Text.h"
#include "qelComp_Ctr.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Tbl.h"
#include "qelPGSQLParser.h"
#include "qelPGSQLQuote.h"

namespace qel {

void TPGSQLParser::PassOverNotRead(const std::string& Words) {
  WrnMsg("Statement passed over: " + Words + " is not read.");
  SkipToTerm();
}

void TPGSQLParser::NoteNotRead(const std::string& Kind, const std::string& Name,
                               const std::string& Table) {
  if (Objs) Objs->NotRead.push_back({Kind, SchemaPart, Name, Table});
}

bool TPGSQLParser::ParseStatementNotRead() {
  // A function called for its effect (set_config, a setup routine) may make objects the
  // model cannot see; rows removed by TRUNCATE are no part of a schema.
  if (Sy == pgSELECT) {
    PassOverNotRead("SELECT");
  } else if (IsIdent("TRUNCATE")) {
    PassOverNotRead("TRUNCATE");
  } else {
    return false;
  }
  return true;
}

bool TPGSQLParser::ParseCreateNotRead() {
  if (IsIdent("EXTENSION") || IsIdent("COLLATION") || IsIdent("POLICY") || IsIdent("STATISTICS")) {
    PassOverNotRead("CREATE " + UpperCase(Ident));
  } else if (IsIdent("EVENT")) {
    PassOverNotRead("CREATE EVENT TRIGGER");
  } else if (Sy == pgCONSTRAINT || IsIdent("MATERIALIZED")) {
    const bool Trigger = Sy == pgCONSTRAINT;
    GetSy();
    TestIdent(Trigger ? "TRIGGER" : "VIEW");
    if (StatementFailed()) return true;
    GetSy();
    // An object of the name is there, of a kind the comparison does not see.
    std::string Name;
    if (Sy == syIdent) {
      GetQualifiedName();
      Name = NamePart;
    }
    std::string Table;
    if (Trigger && !StatementFailed()) {
      while (Sy != pgON && Sy != syTerm && Sy != syEOF) GetSy();
      if (Sy == pgON) {
        GetSy();
        GetQualifiedName();
        Table = NamePart;
      }
    }
    if (!Name.empty())
      NoteNotRead(Trigger ? "constraint trigger" : "materialized view", Name, Table);
    PassOverNotRead(Trigger ? "CREATE CONSTRAINT TRIGGER " + Name
                            : "CREATE MATERIALIZED VIEW " + Name);
  } else {
    return false;
  }
  return true;
}

bool TPGSQLParser::ParseAlterTableNotRead(const std::string& Table) {
  if (IsIdent("ENABLE") || IsIdent("DISABLE") || IsIdent("FORCE") || IsIdent("NO")) {
    std::string Words = UpperCase(Ident);
    GetSy();
    if (IsIdent("FORCE")) {
      Words += " FORCE";
      GetSy();
    }
    if (!IsIdent("ROW")) {
      // ENABLE TRIGGER, DISABLE RULE ...: not read either, but not these.
      ErrMsg("Unknown symbol in ALTER TABLE...");
      return true;
    }
    PassOverNotRead("ALTER TABLE " + Table + " " + Words + " ROW LEVEL SECURITY");
  } else if (IsIdent("REPLICA")) {
    PassOverNotRead("ALTER TABLE " + Table + " REPLICA IDENTITY");
  } else {
    return false;
  }
  return true;
}

bool TPGSQLParser::StartsExclude() {
  if (!IsIdent("EXCLUDE") || FQuotedIdent) return false;
  const std::size_t At = NextSymbolAt();
  return NextBareWord() == "USING" || (At != std::string::npos && FTxt[At] == '(');
}

void TPGSQLParser::SkipExclude(const TCtrContext& Ctx) {
  WrnMsg("Exclusion constraint " + (Ctx.Name.empty() ? std::string() : Ctx.Name + " ") +
         "of table " + Ctx.Table + " is not read.");
  if (!Ctx.Name.empty()) {
    NoteNotRead("exclusion constraint", Ctx.Name, Ctx.Table);
    NoteNotRead("exclusion constraint", Ctx.Name, std::string());
  }
  // EXCLUDE [USING method] (element WITH operator, ...) [INCLUDE (...)] [WITH (...)]
  // [USING INDEX TABLESPACE name] [WHERE (predicate)] [DEFERRABLE ...]: up to the element's end.
  while (Sy != syComma && Sy != syRParen && Sy != syTerm && Sy != syEOF) {
    if (Sy == syLParen)
      SkipGroup();
    else
      GetSy();
  }
}

bool TPGSQLParser::SkipConstraintTail(const TCtrData& Ctr) {
  std::string Words;
  if (Sy == pgNOT && NextBareWord() == "VALID") {
    Words = "NOT VALID";
  } else if (IsIdent("NO") && NextBareWord() == "INHERIT") {
    Words = "NO INHERIT";
  } else {
    return false;
  }
  GetSy();
  GetSy();
  const std::string& Name =
      !Ctr.GetObjName().empty() ? Ctr.GetObjName() : Ctr.Extra().AltName.str();
  WrnMsg("Constraint " + (Name.empty() ? std::string() : Name + " ") + "of table " +
         Ctr.GetTblName() + " is " + Words +
         ", which is not read: it is compared as a constraint without it.");
  return true;
}

void TPGSQLParser::ParseKeyUsingIndex(TCtrData& Ctr) {
  GetSy();  // past USING
  TestIdent("INDEX");
  if (StatementFailed()) return;
  GetSy();
  if (IsIdent("TABLESPACE")) {
    // The index parameter of a key written in place: tablespaces are not read.
    GetSy();
    WrnMsg("USING INDEX TABLESPACE of table " + Ctr.GetTblName() + " is not read.");
    GetQualifiedName();
    return;
  }
  GetQualifiedName();
  if (StatementFailed()) return;
  TIdxData* Idx = Objs ? dynamic_cast<TIdxData*>(Objs->Indexes.FindObj(NamePart)) : nullptr;
  if (!Idx || Idx->TableName != Ctr.GetTblName()) {
    ErrMsg("Index " + NamePart + " of table " + Ctr.GetTblName() +
           " is not known: USING INDEX takes the columns of an index the script creates first.");
    return;
  }
  for (int I = 0; I < Idx->Flds.Count(); ++I) Ctr.FldList.Add(Idx->Flds[I]);
  // Without a name of its own the key takes the index's.
  if (Ctr.GetObjName().empty()) Ctr.SetObjName(NamePart);
  RemoveObj(Objs->Indexes, Idx->ObjKeyDef());
}

void TPGSQLParser::ParseGenerated(TFldData& Fld) {
  GetSy();  // past GENERATED
  const std::string Column = Fld.TableName + "." + Fld.GetObjName();
  if (IsIdent("BY")) {
    GetSy();
    TestAndGetSy(pgDEFAULT);
  } else {
    TestIdent("ALWAYS");
    GetSy();
  }
  TestAndGetSy(pgAS);
  if (StatementFailed()) return;
  if (Sy == syLParen) {
    SkipGroup();
    TestIdent("STORED");
    if (StatementFailed()) return;
    GetSy();
    WrnMsg("Column " + Column + " is a generated column, read without its expression.");
    return;
  }
  TestIdent("IDENTITY");
  if (StatementFailed()) return;
  GetSy();
  if (Sy == syLParen) SkipGroup();  // the options of its sequence
  // The server makes an identity column NOT NULL.
  Fld.Nullable = false;
  WrnMsg("Column " + Column + " is an identity column, read without its identity.");
}

void TPGSQLParser::ParseInherits(TTblData& Tbl) {
  GetSy();  // past INHERITS
  TestAndGetSy(syLParen);
  // The parents' columns come first, in their order, then the table's own; a column the table
  // writes as well takes the parent's place with the table's definition (the server merges
  // the two, and the column is the table's own).
  std::vector<std::unique_ptr<TFldData>> Own;
  while (!Tbl.Fields.Empty()) Own.push_back(Tbl.Fields.Extract(0));
  const auto TakeOwn = [&Own](const std::string& Name) {
    for (auto& F : Own)
      if (F && F->GetObjName() == Name) return std::move(F);
    return std::unique_ptr<TFldData>();
  };
  std::string Parents;
  while (!StatementFailed()) {
    GetQualifiedName();
    if (StatementFailed()) break;
    Parents += (Parents.empty() ? "" : ", ") + NamePart;
    const auto* Parent =
        Objs ? dynamic_cast<const TTblData*>(Objs->Tables.FindObj(NamePart)) : nullptr;
    if (!Parent)
      ErrMsg("Table " + NamePart + ", which " + Tbl.GetObjName() +
             " inherits from, is not created before it.");
    for (int I = 0; Parent && I < Parent->Fields.Count(); ++I) {
      const TFldData& F = *Parent->Fields[I];
      if (Tbl.Fields.Find(F.GetObjName())) continue;
      std::unique_ptr<TFldData> Col = TakeOwn(F.GetObjName());
      if (!Col) {
        Col = std::make_unique<TFldData>(Objs);
        Col->Assign(F);
        Col->TableName = Tbl.GetObjName();
        Col->OwnerObj = &Tbl;
        if (Objs)
          Objs->InheritedColumns.push_back({Tbl.GetSchema(), Tbl.GetObjName(), F.GetObjName(),
                                            Parent->GetSchema(), Parent->GetObjName()});
      }
      Tbl.Fields.Add(std::move(Col));
    }
    if (Sy != syComma) break;
    GetSy();
  }
  TestAndGetSy(syRParen);
  for (auto& F : Own)
    if (F) Tbl.Fields.Add(std::move(F));
  for (int I = 0; I < Tbl.Fields.Count(); ++I) Tbl.Fields[I]->Position = I + 1;
  WrnMsg("Table " + Tbl.GetObjName() + " inherits from " + Parents +
         ": inheritance is not read, the table is read as a plain table with the columns it "
         "inherits.");
}

void TPGSQLParser::SkipIntervalFields(TFldData& Fld) {
  // YEAR, MONTH, DAY, HOUR, MINUTE, SECOND [TO ...]: the server keeps them in the type
  // modifier, which the catalog reader does not read either.
  static const char* const Fields[] = {"YEAR", "MONTH", "DAY", "HOUR", "MINUTE", "SECOND"};
  const auto IsField = [this] {
    for (const char* F : Fields)
      if (IsIdent(F)) return true;
    return false;
  };
  if (!IsField()) return;
  std::string Words = UpperCase(Ident);
  GetSy();
  if (Sy == pgTO) {
    GetSy();
    Words += " TO " + UpperCase(Ident);
    if (IsField()) GetSy();
  }
  WrnMsg("Column " + Fld.TableName + "." + Fld.GetObjName() + ": the fields of interval " + Words +
         " are not read; it is read as interval.");
}

void TPGSQLParser::ParseDropFunction() {
  GetSy();  // past FUNCTION
  if (IsIdent("IF")) {
    GetSy();
    TestIdent("EXISTS");
    if (StatementFailed()) return;
    GetSy();
  }
  while (!StatementFailed()) {
    const std::unique_ptr<TPrcData> Sig = ParseFunctionSignature();
    if (StatementFailed()) return;
    TPrcData* Prc = nullptr;
    if (Sy == syComma || Sy == syTerm || Sy == syEOF || IsIdent("CASCADE") || IsIdent("RESTRICT")) {
      // Without a parameter list the name must be that of one function.
      if (Objs && Sig->Params.Empty())
        for (int I = 0; I < Objs->Procedures.Count(); ++I)
          if (auto* P = dynamic_cast<TPrcData*>(Objs->Procedures.Objects(I));
              P && P->GetObjName() == Sig->GetObjName())
            Prc = Prc ? nullptr : P;
    }
    if (TPrcData* Found = FindFunction(*Sig)) Prc = Found;
    if (Prc && Objs) RemoveObj(Objs->Procedures, Prc->ObjKeyDef());
    if (Sy != syComma) break;
    GetSy();
  }
  if (IsIdent("CASCADE") || IsIdent("RESTRICT")) GetSy();
}

std::string TPGSQLParser::UnnamedIndexName(const TIdxData& Idx) {
  std::string Columns;
  for (int I = 0; I < Idx.Flds.Count(); ++I) Columns += (I ? "_" : "") + Idx.Flds[I];
  // The server cuts the column part to a name's length before it makes the name.
  Columns = PGClipName(Columns);
  std::string Name = PGMakeObjectName(Idx.TableName, Columns, "idx");
  for (int Pass = 1; NameTaken(Idx.GetSchema() + "." + Name); ++Pass)
    Name = PGMakeObjectName(Idx.TableName, Columns, "idx" + std::to_string(Pass));
  return Name;
}

}  // namespace qel
