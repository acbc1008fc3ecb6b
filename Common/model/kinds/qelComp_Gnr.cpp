// Generators and sequences: texts per dialect and the generator passes.
#include "qelComp_Gnr.h"

#include "Text.h"

namespace qel {

namespace {

/// What Oracle reports as the maximum of a sequence that has none.
constexpr const char* OracleNoMaxValue = "999999999999999999999999999";

}  // namespace

TGnrData::TGnrData(TCustomObjs* aOwner) : TDbObj(aOwner) {
  Kind = kindGenerator;
}

void TGnrData::SetMaxValue(const std::string& Value) {
  if (Value == OracleNoMaxValue) {
    FMaxValue.clear();
    NoMaxValue = true;
    return;
  }
  FMaxValue = Value;
}

void TGnrData::SetCache(const std::string& Value) {
  if (Value == "0") {
    FCache.clear();
    SetNoCache(true);
    return;
  }
  FCache = Value;
}

void TGnrData::SetNoCache(bool Value) {
  FNoCache = Value;
  if (Value) FCache.clear();
}

std::string TGnrData::Def() const {
  if (GetDatabaseType() != dbOracle) return "CREATE GENERATOR " + QuoteIdent(GetObjName());
  std::string R = "CREATE SEQUENCE " + GetObjFullName();
  if (!MinValue.empty() && MinValue != "1") R += "\r\nminvalue " + MinValue;
  if (!FMaxValue.empty()) R += "\r\nmaxvalue " + FMaxValue;
  if (!Increment.empty() && Increment != "1") R += "\r\nincrement by " + Increment;
  if (!FCache.empty())
    R += "\r\ncache " + FCache;
  else if (FNoCache)
    R += "\r\nnocache";
  if (Order) R += "\r\norder";
  if (Cycle) R += "\r\ncycle";
  return R;
}

std::string TGnrData::ParamDef() const {
  if (GetDatabaseType() != dbDB2) return "";
  // Only the options that are given: an empty one would leave "START WITH ," behind, which
  // the server refuses.
  std::string R;
  auto Item = [&R](const std::string& Text) { R += (R.empty() ? "" : ", ") + Text; };
  if (!StartValue.empty()) Item("START WITH " + StartValue);
  if (!Increment.empty()) Item("INCREMENT BY " + Increment);
  if (!FCache.empty())
    Item("CACHE " + FCache);
  else if (FNoCache)
    Item("NO CACHE");
  return R.empty() ? R : "(" + R + ")";
}

std::string TGnrData::DropDef() const {
  const std::string Name = QuoteIdent(GetObjName());
  switch (GetDatabaseType()) {
    case dbInterBase: {
      // Servers before Firebird 1 have no DROP GENERATOR; the row goes from the system table.
      const TIBSQLServerVersionType Version =
          Owner ? Owner->IBServerOptions.SQLServerVersion : st_FireBird_15;
      if (Version >= st_FireBird_1x) return "DROP GENERATOR " + Name;
      return "/* Drop generator: " + SafeBlockComment(Name) + " */\r\n" +
             "DELETE FROM RDB$GENERATORS WHERE RDB$GENERATOR_NAME = " + QuotedStr(GetObjName());
    }
    case dbOracle:
      return "DROP SEQUENCE " + GetObjFullName();
    default:
      return "";
  }
}

// ---------------------------------------------------------------------------------------------
// Passes

namespace {

template <class F>
void ForEachGenerator(const TDbObjList& List, F Fn) {
  for (int I = 0; I < List.Count(); ++I)
    if (auto* G = dynamic_cast<TGnrData*>(List.Objects(I))) Fn(G);
}

/// "generator" for InterBase, "sequence" for Oracle; empty where the dialect has neither.
const char* KindWord(TDatabaseType DB) {
  switch (DB) {
    case dbInterBase:
      return "generator";
    case dbOracle:
      return "sequence";
    default:
      return "";
  }
}

void SectionComment(TCustomSQLExec& Exec, const TGnrData& G, const char* Verb) {
  const std::string Word = KindWord(G.GetDatabaseType());
  if (!Word.empty()) Exec.AddComment(G.GenComment(std::string(Verb) + " " + Word + "..."));
}

}  // namespace

void GenScriptGenrCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Target;
  const bool Descriptions = Master.CompareObjects.Contains(coDescription);
  bool Written = false;
  ForEachGenerator(Master.Generators, [&](TGnrData* G) {
    if (G->SkipDef || G->GetRefObj() || G->GetObjCreated()) return;
    if (!Written) SectionComment(Exec, *G, "Create");
    Written = true;
    Exec.Add(G->CreateDef(), stStatement, G->GetObjName(), dboGenerator, odbCreate);
    G->SetObjCreated(true);
    if (Descriptions && !G->Extra().Description.empty()) Exec.AddDescription(G);
  });
  if (Written) Exec.AddComment("\r\n");
}

void GenScriptGenrAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Target;
  const bool Descriptions = Master.CompareObjects.Contains(coDescription);
  ForEachGenerator(Master.Generators, [&](TGnrData* M) {
    auto* T = dynamic_cast<TGnrData*>(M->GetRefObj());
    if (!T || M->SkipDef || T->SkipDef) return;
    if (M->GetDatabaseType() == dbOracle) {
      auto Alter = [&](const std::string& Clause) {
        Exec.Add("ALTER SEQUENCE " + M->GetObjFullName() + Clause, stStatement, M->GetObjName(),
                 dboGenerator, odbAlter);
      };
      if (!M->Increment.empty() && M->Increment != T->Increment)
        Alter(" increment by " + M->Increment);
      if (!M->GetMaxValue().empty() && M->GetMaxValue() != T->GetMaxValue())
        Alter(" maxvalue " + M->GetMaxValue());
      if (M->Cycle != T->Cycle) Alter(M->Cycle ? " cycle" : " nocycle");
      if (M->Order != T->Order) Alter(M->Order ? " order" : " noorder");
      if (M->GetNoCache() && !T->GetNoCache())
        Alter(" nocache");
      else if (!M->GetCache().empty() && M->GetCache() != T->GetCache())
        Alter(" cache " + M->GetCache());
    }
    if (Descriptions && M->Extra().Description != T->Extra().Description) Exec.AddDescription(M, T);
  });
}

void GenScriptGenrDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec) {
  (void)Master;
  bool Written = false;
  ForEachGenerator(Target.Generators, [&](TGnrData* G) {
    if (G->SkipDef || G->GetRefObj() || !G->GetObjCreated()) return;
    if (!Written) SectionComment(Exec, *G, "Drop");
    Written = true;
    G->DropDependDef();
  });
  if (Written) Exec.AddComment("\r\n");
}

}  // namespace qel
