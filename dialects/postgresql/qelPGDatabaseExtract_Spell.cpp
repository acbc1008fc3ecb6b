// The PostgreSQL catalog extractor: checks and defaults of a script as the server spells them.
//
// The server keeps a check or a default as a parsed tree and gives back its own text of it: the
// casts it gave columns and literals, BETWEEN as two comparisons, a CASE laid out on lines, a
// timestamp with its seconds, E'abc' as 'abc'::text, x'1F' as a bit string. Where a script's
// text and the catalog's still differ in the form they are compared in, the server is asked:
// it stores the script's expression once more in a temporary object, and its text of that is
// compared with the catalog's. Every such expression of a comparison goes in one query; each is
// stored in a subtransaction that is rolled back as soon as its text is read, all inside a
// transaction that is rolled back at the end, so the database is left as it was. What the
// server refuses to store (the expression names what the update script only adds) stays
// compared as written.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "DataSet.h"
#include "Text.h"
#include "qelComp_Ctr.h"
#include "qelComp_Dmn.h"
#include "qelComp_Prc.h"
#include "qelPGDatabaseExtract.h"
#include "qelPGSQLParser.h"
#include "qelPGSQLQuote.h"

namespace qel {

namespace {

/// The text of SpellingFunction.
const char* const SpellingFunctionText =
    R"(create function pg_temp.qel_spelling(kind "char", ddl text)
returns text language plpgsql as $qel$
declare
  spelled text;
begin
  begin
    execute ddl;
    execute case kind
      when 'c' then 'select pg_catalog.pg_get_constraintdef(oid) from pg_catalog.pg_constraint'
        || ' where conrelid = ''pg_temp.qel_probe''::pg_catalog.regclass and contype = ''c'''
      when 'k' then 'select pg_catalog.pg_get_constraintdef(oid) from pg_catalog.pg_constraint'
        || ' where contypid = ''pg_temp.qel_probe''::pg_catalog.regtype and contype = ''c'''
      when 'd' then 'select pg_catalog.pg_get_expr(adbin, adrelid) from pg_catalog.pg_attrdef'
        || ' where adrelid = ''pg_temp.qel_probe''::pg_catalog.regclass'
      when 'm' then 'select typdefault from pg_catalog.pg_type'
        || ' where oid = ''pg_temp.qel_probe''::pg_catalog.regtype'
      else 'select pg_catalog.pg_get_expr(proargdefaults, 0) from pg_catalog.pg_proc'
        || ' where oid = ''pg_temp.qel_probe''::pg_catalog.regproc'
    end into spelled;
    spelled := 's' || spelled;
    raise exception 'qel_spelling: rolled back';
  exception when others then
    if spelled is null then
      spelled := 'e' || sqlerrm;
    end if;
  end;
  return spelled;
end
$qel$)";

/// What the probe function is told to read back.
enum TSpellKind : char {
  skTableCheck = 'c',
  skDomainCheck = 'k',
  skColumnDefault = 'd',
  skDomainDefault = 'm',
  skParamDefault = 'p',
};

/// One expression of a script the server is asked to spell.
struct TSpellProbe {
  TSpellKind Kind;
  /// Names the expression in the log ("Check c of table t").
  std::string What;
  /// The statement that stores it in the temporary object pg_temp.qel_probe.
  std::string Create;
  /// Takes the server's text of it.
  std::function<void(const std::string&)> Apply;
};

/// The type of Fld as a column or parameter declares it, without default and NOT NULL.
std::string DeclaredType(const TFldData& Fld) {
  return Fld.FieldTypeDef();
}

/// Condition in the parentheses CHECK takes (one more pair changes nothing).
std::string CheckClause(const std::string& Condition) {
  return "check (" + Condition + ")";
}

/// The default Script (read from a script) meets Catalog's when the server spells it as
/// Spelled: Script then takes the catalog's text as its server spelling.
void MatchDefault(TFldData& Script, const TFldData& Catalog, const std::string& Spelled) {
  Script.SetExtra(&TFldExtra::ServerDefault, PGReplaceDefault(Trim(Spelled)));
  Script.SetExtra(&TFldExtra::ServerDefault, Script.CompareDefValue() == Catalog.CompareDefValue()
                                                 ? Catalog.DefValue.str()
                                                 : std::string());
}

/// The probes for the defaults of the columns of the script's tables that differ from the
/// database's in the form they are compared in.
void AddColumnDefaults(TObjs& Own, TObjs& Script, std::vector<TSpellProbe>& Probes) {
  for (int I = 0; I < Script.Tables.Count(); ++I) {
    auto* W = dynamic_cast<TTblData*>(Script.Tables.Objects(I));
    auto* V = W ? dynamic_cast<TTblData*>(Own.Tables.FindObj(W->ObjKeyDef())) : nullptr;
    if (!V) continue;
    for (const auto& G : W->Fields) {
      TFldData* F = V->Fields.Find(G->GetObjName());
      if (!F || G->DefValue.empty() || F->DefValue.empty() ||
          G->CompareDefValue() == F->CompareDefValue())
        continue;
      TFldData* Col = G.get();
      Probes.push_back({skColumnDefault,
                        "Default of column " + W->GetObjName() + "." + Col->GetObjName(),
                        "create temporary table qel_probe (c " + DeclaredType(*Col) + " default " +
                            Col->GetDefValue() + ")",
                        [Col, F](const std::string& S) { MatchDefault(*Col, *F, S); }});
    }
  }
}

/// The column list of the script's table W, as a temporary copy of it declares them.
std::string ColumnList(const TTblData& W) {
  std::string R;
  for (const auto& F : W.Fields)
    R += PGSQLQuoteIdent(F->GetObjName()) + " " + DeclaredType(*F) + ", ";
  return R;
}

/// The unnamed checks of the database's tables that no check of the script matches, by schema
/// and table: those an unnamed check of the script may turn out to be. One taken leaves.
class TUnpairedChecks {
 public:
  TUnpairedChecks(TObjs& Own, TObjs& Script) {
    for (int I = 0; I < Own.Constraints.Count(); ++I) {
      auto* K = dynamic_cast<TCtrData*>(Own.Constraints.Objects(I));
      if (K && K->GetCtType() == ctCheck && K->GetObjName().empty() &&
          !Script.Constraints.FindObj(K->ObjKeyDef()))
        FByTable[TableOf(*K)].push_back(K);
    }
  }

  /// The check of C's table whose condition has the normal form Key, taken; nullptr if none.
  TCtrData* Take(const TCtrData& C, const std::string& Key) {
    const auto It = FByTable.find(TableOf(C));
    if (It == FByTable.end()) return nullptr;
    std::vector<TCtrData*>& List = It->second;
    for (auto K = List.begin(); K != List.end(); ++K)
      if (PGConditionKey((*K)->Extra().Body) == Key) {
        TCtrData* Taken = *K;
        List.erase(K);
        return Taken;
      }
    return nullptr;
  }

 private:
  static std::string TableOf(const TCtrData& C) { return C.GetSchema() + "." + C.GetTblName(); }

  std::unordered_map<std::string, std::vector<TCtrData*>> FByTable;
};

/// An unnamed check C of the script takes the text of a check of the database's that the
/// server spells as it spells C's condition (Body), and is keyed by it.
void MatchUnnamedCheck(TUnpairedChecks& Unpaired, TObjs& Script, TCtrData& C,
                       const std::string& Body) {
  const TCtrData* K = Unpaired.Take(C, PGConditionKey(Body));
  if (!K) return;
  C.EditExtra().ServerBody = K->Extra().Body.str();
  const int At = Script.Constraints.IndexOfObject(&C);
  if (At >= 0 && !Script.Constraints.FindObj(C.ObjKeyDef()))
    Script.Constraints.PutKey(At, C.ObjKeyDef());
  else
    C.EditExtra().ServerBody = "";
}

/// The probes for the checks of the script's tables that the database has under another text:
/// a named one whose namesake's condition differs, an unnamed one no check of the database's
/// matches.
void AddTableChecks(TObjs& Own, TObjs& Script, std::vector<TSpellProbe>& Probes) {
  std::shared_ptr<TUnpairedChecks> Unpaired;
  for (int I = 0; I < Script.Constraints.Count(); ++I) {
    auto* C = dynamic_cast<TCtrData*>(Script.Constraints.Objects(I));
    if (!C || C->GetCtType() != ctCheck || C->Extra().Body.empty()) continue;
    TTblData* W = Script.GetTable(C->GetTblName());
    if (!W || !Own.GetTable(C->GetTblName())) continue;
    auto* Namesake = dynamic_cast<TCtrData*>(Own.Constraints.FindObj(C->ObjKeyDef()));
    if (C->GetObjName().empty() ? Namesake != nullptr
                                : !Namesake || Namesake->CompareDef() == C->CompareDef())
      continue;
    if (!Unpaired) Unpaired = std::make_shared<TUnpairedChecks>(Own, Script);
    TObjs* S = &Script;
    Probes.push_back({skTableCheck, "Check " + C->GetCaption() + " of table " + C->GetTblName(),
                      "create temporary table qel_probe (" + ColumnList(*W) +
                          "constraint qel_probe_check " + CheckClause(C->Extra().Body) + ")",
                      [Unpaired, S, C, Namesake](const std::string& Def) {
                        const std::string Body = TPGDBExtract::CheckBodyFromDef(Def);
                        if (!Namesake) {
                          MatchUnnamedCheck(*Unpaired, *S, *C, Body);
                        } else if (PGConditionKey(Body) == PGConditionKey(Namesake->Extra().Body)) {
                          C->EditExtra().ServerBody = Namesake->Extra().Body.str();
                        }
                      }});
  }
}

/// The probes for the defaults and checks of the script's domains that differ from those of the
/// database's namesakes.
void AddDomains(TObjs& Own, TObjs& Script, std::vector<TSpellProbe>& Probes) {
  for (int I = 0; I < Script.Domains.Count(); ++I) {
    auto* D = dynamic_cast<TDmnData*>(Script.Domains.Objects(I));
    auto* E = D ? dynamic_cast<TDmnData*>(Own.Domains.FindObj(D->ObjKeyDef())) : nullptr;
    if (!E || !D->TypeField || !E->TypeField || !D->PGOptions || D->PGOptions->IsType) continue;
    const std::string Base = DeclaredType(*D->TypeField);
    TFldData* G = D->TypeField.get();
    TFldData* F = E->TypeField.get();
    if (!G->DefValue.empty() && !F->DefValue.empty() &&
        G->CompareDefValue() != F->CompareDefValue())
      Probes.push_back(
          {skDomainDefault, "Default of domain " + D->GetObjName(),
           "create domain pg_temp.qel_probe as " + Base + " default " + G->GetDefValue(),
           [G, F](const std::string& S) { MatchDefault(*G, *F, S); }});
    const std::vector<TPGDomainCheck> Theirs = E->GetPGChecks();
    for (std::size_t J = 0; J < D->PGChecks.size(); ++J) {
      const TPGDomainCheck& Mine = D->PGChecks[J];
      const auto It = std::find_if(Theirs.begin(), Theirs.end(),
                                   [&](const TPGDomainCheck& C) { return C.Name == Mine.Name; });
      if (It == Theirs.end() || PGDomainCheckKey(Mine.Text) == PGDomainCheckKey(It->Text)) continue;
      const std::string Text = It->Text;
      Probes.push_back({skDomainCheck, "Check " + Mine.Name + " of domain " + D->GetObjName(),
                        "create domain pg_temp.qel_probe as " + Base + " " + CheckClause(Mine.Text),
                        [D, J, Text](const std::string& Def) {
                          const std::string Body = TPGDBExtract::CheckBodyFromDef(Def);
                          if (J < D->PGChecks.size() &&
                              PGDomainCheckKey(Body) == PGDomainCheckKey(Text))
                            D->PGChecks[J].ServerText = Text;
                        }});
    }
  }
}

/// The parameter defaults of the script's routines that the database's namesake spells
/// otherwise: those that differ only by the casts the server adds take its text at once (a
/// routine's text is what two readings of it are compared by), the others are probes.
void AddParamDefaults(TObjs& Own, TObjs& Script, std::vector<TSpellProbe>& Probes) {
  for (int I = 0; I < Script.Procedures.Count(); ++I) {
    auto* R = dynamic_cast<TPrcData*>(Script.Procedures.Objects(I));
    auto* P = R ? dynamic_cast<TPrcData*>(Own.Procedures.FindObj(R->ObjKeyDef())) : nullptr;
    if (!P || P->Params.Count() != R->Params.Count()) continue;
    for (int J = 0; J < R->Params.Count(); ++J) {
      TFldData* G = R->Params[J];
      TFldData* F = P->Params[J];
      if (G->DefValue.empty() || F->DefValue.empty() || G->GetDefValue() == F->GetDefValue())
        continue;
      if (G->CompareDefValue() == F->CompareDefValue()) {
        G->SetExtra(&TFldExtra::ServerDefault, F->DefValue.str());
        continue;
      }
      Probes.push_back({skParamDefault,
                        "Default of parameter " + G->GetObjName() + " of " + R->GetCaption(),
                        "create function pg_temp.qel_probe(" + DeclaredType(*G) + " default " +
                            G->GetDefValue() + ") returns void language sql as ''",
                        [G, F](const std::string& S) { MatchDefault(*G, *F, S); }});
    }
  }
}

/// The parameters and results of the script's routines take the types of the catalog's where
/// the two differ only in what the server does not keep of a routine's types (the length of
/// varchar(5), the precision of numeric(10,2)): it would never settle otherwise.
void MatchParamTypes(TObjs& Own, TObjs& Script) {
  auto Match = [](TObjVector<TFldData>& Mine, const TObjVector<TFldData>& Theirs) {
    if (Mine.Count() != Theirs.Count()) return;
    for (int J = 0; J < Mine.Count(); ++J) {
      TFldData& G = *Mine[J];
      const TFldData& F = *Theirs[J];
      if (G.FieldTypeDef() == F.FieldTypeDef() || PGArgTypeKey(G) != PGArgTypeKey(F)) continue;
      G.FieldType = F.FieldType;
      G.Size = F.Size;
      G.Precision = F.Precision;
      G.Scale = F.Scale;
      G.SetExtra(&TFldExtra::DomainName, F.Extra().DomainName);
      G.SetExtra(&TFldExtra::ArrayBounds, F.Extra().ArrayBounds);
    }
  };
  for (int I = 0; I < Script.Procedures.Count(); ++I) {
    auto* R = dynamic_cast<TPrcData*>(Script.Procedures.Objects(I));
    auto* P = R ? dynamic_cast<TPrcData*>(Own.Procedures.FindObj(R->ObjKeyDef())) : nullptr;
    if (!P) continue;
    Match(R->Params, P->Params);
    Match(R->Results, P->Results);
  }
}

}  // namespace

std::string TPGDBExtract::SpellingFunction() {
  return SpellingFunctionText;
}

void TPGDBExtract::MatchServerSpellings(TCustomObjs& Other) {
  TObjs* Own = GetObjs();
  auto* Script = dynamic_cast<TObjs*>(&Other);
  if (!Own || !Script || Script->ExtractFrom != efScript ||
      Script->GetDatabaseType() != DatabaseType)
    return;
  MatchParamTypes(*Own, *Script);
  std::vector<TSpellProbe> Probes;
  AddColumnDefaults(*Own, *Script, Probes);
  AddTableChecks(*Own, *Script, Probes);
  AddDomains(*Own, *Script, Probes);
  AddParamDefaults(*Own, *Script, Probes);
  if (Probes.empty()) return;

  std::vector<std::string> Answers(Probes.size());
  WithProbeQuery("Checks and defaults not matched with the server's spellings: ",
                 [&](TQELQuery& Q) {
                   std::vector<std::string> SQL = {
                       "select p.n, pg_temp.qel_spelling(p.k, p.ddl) as spelling from (values"};
                   for (std::size_t I = 0; I < Probes.size(); ++I)
                     SQL.push_back(std::string(I == 0 ? "" : ",") + "(" + IntToStr(I) + ", '" +
                                   static_cast<char>(Probes[I].Kind) + "'::\"char\", " +
                                   ScriptQuotedStr(Probes[I].Create, dbPostgreSQL) + ")");
                   SQL.emplace_back(") as p(n, k, ddl) order by p.n");
                   SpellOnServer(Q, SQL, Answers);
                 });
  for (std::size_t I = 0; I < Probes.size(); ++I) {
    const std::string& A = Answers[I];
    if (A.size() > 1 && A[0] == 's')
      Probes[I].Apply(A.substr(1));
    else if (A.size() > 1 && A[0] == 'e')
      AddToLog(Probes[I].What + " compared as written: " + A.substr(1));
  }
}

void TPGDBExtract::SpellOnServer(TQELQuery& Q, const std::vector<std::string>& SQL,
                                 std::vector<std::string>& Answers) {
  TQELCustomConnection* Conn = GetQELConnection();
  // Everything the probes make, the function too, goes with the transaction.
  Conn->StartTransaction();
  try {
    Q.SetSQLText(SpellingFunction());
    Q.ExecSQL();
    TCatalogRow Row(Q);
    OpenQuery(Q, SQL);
    for (; !Q.GetEof(); Q.Next()) {
      const std::int64_t N = Row.LargeInt("n");
      if (N >= 0 && static_cast<std::size_t>(N) < Answers.size())
        Answers[static_cast<std::size_t>(N)] = Row.Str("spelling");
    }
    CloseQuery(Q);
  } catch (...) {
    Conn->Rollback();
    throw;
  }
  Conn->Rollback();
}

}  // namespace qel
