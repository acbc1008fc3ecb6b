// The PostgreSQL catalog extractor: functions, procedures and triggers.
//
// Every routine is read by one query, and the types of all their parameters and results by one
// more; every trigger by one query. What the object model cannot hold is passed over with an
// information message instead of being read into an object that says something else:
// aggregates and window functions, variadic functions, functions whose body is in the standard
// SQL form (BEGIN ATOMIC or RETURN, kept by the server as a parse tree), triggers on TRUNCATE,
// with a WHEN condition or an UPDATE OF column list, constraint triggers, and triggers of
// relations that are not read.
#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "DataSet.h"
#include "Text.h"
#include "qelComp_Trg.h"
#include "qelPGDatabaseExtract.h"
#include "qelPGSQLParser.h"

namespace qel {

namespace {

/// Bits of pg_trigger.tgtype.
constexpr std::int64_t TgRow = 1;
constexpr std::int64_t TgBefore = 2;
constexpr std::int64_t TgInsert = 4;
constexpr std::int64_t TgDelete = 8;
constexpr std::int64_t TgUpdate = 16;
constexpr std::int64_t TgTruncate = 32;
constexpr std::int64_t TgInstead = 64;

/// One routine row, kept until the parameter types are known.
struct TRoutineRow {
  std::int64_t Oid = 0;
  std::unique_ptr<TPrcData> Prc;
  std::vector<std::int64_t> ArgTypes;
  std::vector<std::string> Names;
  std::vector<std::string> Modes;
  std::int64_t RetType = 0;
};

/// The blank-separated items of Text.
std::vector<std::string> Words(const std::string& Text) {
  std::vector<std::string> R;
  std::size_t I = 0;
  while (I < Text.size()) {
    if (Text[I] == ' ') {
      ++I;
      continue;
    }
    const std::size_t End = std::min(Text.find(' ', I), Text.size());
    R.push_back(Text.substr(I, End - I));
    I = End;
  }
  return R;
}

TParamInOutType Direction(const std::string& Mode) {
  if (Mode == "i") return ioIn;
  // A column of RETURNS TABLE is an output parameter of a function returning a set of records:
  // written so, the server makes the same function.
  if (Mode == "o" || Mode == "t") return ioOut;
  if (Mode == "b") return ioInout;
  return ioUnknown;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Catalog texts

std::vector<std::string> TPGDBExtract::ArrayItems(const std::string& Text) {
  std::vector<std::string> R;
  std::string S = Trim(Text);
  if (S.size() < 2 || S.front() != '{' || S.back() != '}') return R;
  S = S.substr(1, S.size() - 2);
  if (S.empty()) return R;
  std::string Item;
  bool Quoted = false;
  bool WasQuoted = false;
  for (std::size_t I = 0; I < S.size(); ++I) {
    const char C = S[I];
    if (Quoted) {
      if (C == '\\' && I + 1 < S.size()) {
        Item += S[++I];
      } else if (C == '"') {
        Quoted = false;
      } else {
        Item += C;
      }
    } else if (C == '"') {
      Quoted = true;
      WasQuoted = true;
    } else if (C == ',') {
      R.push_back(!WasQuoted && Item == "NULL" ? std::string() : Item);
      Item.clear();
      WasQuoted = false;
    } else {
      Item += C;
    }
  }
  R.push_back(!WasQuoted && Item == "NULL" ? std::string() : Item);
  return R;
}

std::vector<std::int64_t> TPGDBExtract::OidItems(const std::string& Text) {
  std::vector<std::int64_t> R;
  std::size_t I = 0;
  while (I < Text.size()) {
    if (Text[I] < '0' || Text[I] > '9') {
      ++I;
      continue;
    }
    std::int64_t V = 0;
    for (; I < Text.size() && Text[I] >= '0' && Text[I] <= '9'; ++I)
      if (V < 0xFFFFFFFFLL) V = V * 10 + (Text[I] - '0');
    R.push_back(V);
  }
  return R;
}

std::vector<std::string> TPGDBExtract::RoutineQuery() const {
  // proallargtypes came with proargmodes: it lists every parameter (outputs too), where
  // proargtypes lists the inputs only. It is null when all parameters are inputs.
  std::string Kind = "'f' as prokind";
  if (FInfo.Has(pgcProKind))
    Kind = "p.prokind";
  else if (FInfo.Has(pgcProIsAgg))
    Kind = "case when p.proisagg then 'a' else 'f' end as prokind";
  std::vector<std::string> SQL = {
      "select p.oid, p.proname, p.prosrc, ns.nspname, l.lanname, p.provolatile,",
      "p.proisstrict, p.pronargs, p.proretset, p.probin, p.prosecdef,",
      "p.prorettype, " + Kind + ",",
      // The array's own text keeps names with blanks or commas whole.
      "p.proargnames as argnames,",
  };
  if (FInfo.HasProArgModes) {
    SQL.emplace_back("array_to_string(p.proargmodes, cast(' ' as text)) as argmodes,");
    SQL.emplace_back("p.proallargtypes as allargtypes,");
  }
  SQL.emplace_back("p.proargtypes as argtypes, d.description");
  const std::string Owner = OwnerColumn();
  if (!Owner.empty()) SQL.push_back(Owner);
  SQL.insert(
      SQL.end(),
      {"from pg_catalog.pg_proc p", "join pg_catalog.pg_namespace ns on ns.oid = p.pronamespace",
       "left join pg_catalog.pg_language l on l.oid = p.prolang",
       "left join pg_catalog.pg_description d on d.objoid = p.oid and d.classoid = " +
           IntToStr(FInfo.ProcOid) + " and d.objsubid = 0"});
  if (!Owner.empty()) SQL.push_back(OwnerJoin("p.proowner"));
  for (const std::string& Line : SchemaConditions("where ", "and ", "ns.nspname"))
    SQL.push_back(Line);
  // Functions of an extension are made by CREATE EXTENSION, and those a range type makes for
  // itself (its constructors, deptype 'i') by CREATE TYPE, not by statements of their own.
  SQL.push_back("and not exists (select 1 from pg_catalog.pg_depend dep where dep.objid = p.oid");
  SQL.push_back("                and dep.classid = " + IntToStr(FInfo.ProcOid) +
                " and dep.deptype in ('e', 'i'))");
  SQL.emplace_back("order by ns.nspname, p.proname, p.oid");
  return SQL;
}

std::vector<std::string> TPGDBExtract::TypeQuery(const std::vector<std::int64_t>& TypeOids) {
  std::string List;
  for (const std::int64_t Oid : TypeOids) List += (List.empty() ? "" : ", ") + IntToStr(Oid);
  return {
      "select t.oid, t.typtypmod, t.typname, et.typname as elemname,",
      "pg_catalog.format_type(t.oid, null) as data_type,",
      "information_schema._pg_char_max_length(t.oid, t.typtypmod) as char_length,",
      "information_schema._pg_numeric_precision(t.oid, t.typtypmod) as prec,",
      "information_schema._pg_numeric_scale(t.oid, t.typtypmod) as scale,",
      "t.typnotnull as is_notnull, t.typdefault",
      "from pg_catalog.pg_type t",
      // An array type is named after its element ("_int4" is "int4[]").
      "left join pg_catalog.pg_type et on et.oid = t.typelem and t.typlen = -1",
      "                                 and substr(t.typname, 1, 1) = '_'",
      "where t.oid in (" + List + ")",
      "order by t.oid",
  };
}

std::vector<std::string> TPGDBExtract::TriggerQuery() const {
  const bool Internal = FInfo.Has(pgcTgIsInternal);
  std::vector<std::string> SQL = {
      "select t.tgname, t.tgtype, tb.relname,",
      "pg_catalog.pg_get_triggerdef(t.oid) as trg_defn,",
      "ns.nspname, tb.relkind, t.tgattr,",
      std::string(Internal ? "t.tgconstraint <> 0 as is_constraint"
                           : "coalesce(t.tgconstrrelid, 0) <> 0 as is_constraint") +
          (FInfo.Has(pgcRelIsPartition) ? ", tb.relispartition" : ", false as relispartition") +
          ", d.description",
      // After trg_defn, so that a trigger gone with its table is told from one dropped alone.
      ", pg_catalog.pg_table_is_visible(t.tgrelid) is null as table_gone",
      "from pg_catalog.pg_trigger t",
      // The class oid of descriptions of triggers is that of pg_trigger, the row's own table.
      "left join pg_catalog.pg_description d on d.objoid = t.oid and d.classoid = t.tableoid",
      "join pg_catalog.pg_class tb on tb.oid = t.tgrelid",
      "join pg_catalog.pg_namespace ns on ns.oid = tb.relnamespace",
  };
  for (const std::string& Line : SchemaConditions("where ", "and ", "ns.nspname"))
    SQL.push_back(Line);
  if (Internal) {
    // The triggers the server makes for foreign keys and deferred unique keys.
    SQL.emplace_back("and not t.tgisinternal");
  } else {
    SQL.emplace_back("and (t.tgconstrrelid = 0 or t.tgconstrrelid is Null)");
    SQL.emplace_back("and t.tgname not like 'RI\\\\_ConstraintTrigger\\\\_%'");
  }
  SQL.emplace_back("order by ns.nspname, tb.relname, t.tgname");
  return SQL;
}

// ---------------------------------------------------------------------------------------------
// Parameters

std::unique_ptr<TFldData> TPGDBExtract::ExtractParam(const TPGTypeMap& Types, TPrcData* Prc,
                                                     std::int64_t TypeOid) {
  auto Fld = std::make_unique<TFldData>(Prc ? Prc->Owner : nullptr);
  if (Prc) {
    Fld->OwnerObj = Prc;
    Fld->TableName = Prc->GetObjName();
  }
  TPGTypeRow Row;
  if (const auto It = Types.find(TypeOid); It != Types.end()) Row = It->second;
  ColumnType(*Fld, Row.Name, Row.CharLength, Row.Precision, Row.Scale);
  return Fld;
}

void TPGDBExtract::ExtractParams(const TPGTypeMap& Types, TPrcData* Prc,
                                 const std::vector<std::int64_t>& TypeOids,
                                 const std::vector<std::string>& Names,
                                 const std::vector<std::string>& Modes,
                                 TObjVector<TFldData>& List) {
  for (std::size_t I = 0; I < TypeOids.size(); ++I) {
    std::unique_ptr<TFldData> Fld = ExtractParam(Types, Prc, TypeOids[I]);
    if (I < Names.size()) Fld->SetObjName(Names[I]);
    Fld->InOut = I < Modes.size() ? Direction(Modes[I]) : ioUnknown;
    Fld->Position = static_cast<std::int32_t>(I) + 1;
    List.Add(std::move(Fld));
  }
}

std::vector<std::string> TPGDBExtract::ExpressionListItems(const std::string& Text) {
  std::vector<std::string> R;
  std::string Item;
  int Depth = 0;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    const char C = Text[I];
    if (C == '\'' || C == '"') {
      // A literal or quoted name, whole: a doubled quote stays inside, and in an E'' literal
      // a backslash takes the next character with it.
      const bool Escapes = C == '\'' && I > 0 && (Text[I - 1] == 'E' || Text[I - 1] == 'e');
      std::size_t J = I + 1;
      for (; J < Text.size(); ++J) {
        if (Escapes && Text[J] == '\\') {
          ++J;
        } else if (Text[J] == C) {
          if (J + 1 < Text.size() && Text[J + 1] == C)
            ++J;
          else
            break;
        }
      }
      J = std::min(J, Text.size() - 1);
      Item.append(Text, I, J - I + 1);
      I = J;
      continue;
    }
    if (C == '(' || C == '[') ++Depth;
    if ((C == ')' || C == ']') && Depth > 0) --Depth;
    if (C == ',' && Depth == 0) {
      R.push_back(Trim(Item));
      Item.clear();
      continue;
    }
    Item += C;
  }
  if (!Trim(Item).empty() || !R.empty()) R.push_back(Trim(Item));
  return R;
}

void TPGDBExtract::SetParamDefaults(TPrcData& Prc, const std::vector<std::string>& Defaults) {
  // They are the defaults of the last inputs, in order; output parameters take none.
  std::vector<TFldData*> Inputs;
  for (const auto& P : Prc.Params)
    if (P->InOut != ioOut) Inputs.push_back(P.get());
  if (Defaults.size() > Inputs.size()) return;
  const std::size_t First = Inputs.size() - Defaults.size();
  for (std::size_t I = 0; I < Defaults.size(); ++I)
    Inputs[First + I]->DefValue = PGReplaceDefault(Defaults[I]);
}

// ---------------------------------------------------------------------------------------------
// Steps

void TPGDBExtract::ExtractParamDefaults(
    TQELQuery& Q, const std::vector<std::pair<std::int64_t, TPrcData*>>& Routines) {
  // pg_proc keeps the defaults (from 8.4 on; the servers that know internal triggers surely
  // have them) as one expression list of the last inputs. Asked for only where a routine has
  // inputs at all, so that a database without them costs no query.
  if (!FInfo.Has(pgcTgIsInternal)) return;
  std::string Oids;
  std::unordered_map<std::int64_t, TPrcData*> ByOid;
  for (const auto& [Oid, Prc] : Routines)
    if (std::any_of(Prc->Params.begin(), Prc->Params.end(),
                    [](const auto& P) { return P->InOut != ioOut; })) {
      Oids += (Oids.empty() ? "" : ", ") + IntToStr(Oid);
      ByOid.emplace(Oid, Prc);
    }
  if (Oids.empty()) return;
  TCatalogRow Row(Q);
  OpenQuery(Q, {"select p.oid, pg_catalog.pg_get_expr(p.proargdefaults, 0) as argdefaults",
                "from pg_catalog.pg_proc p",
                "where p.pronargdefaults > 0 and p.oid in (" + Oids + ")", "order by p.oid"});
  for (; !Q.GetEof(); Q.Next())
    if (const auto It = ByOid.find(Row.LargeInt("oid")); It != ByOid.end())
      SetParamDefaults(*It->second, ExpressionListItems(Row.Str("argdefaults")));
  CloseQuery(Q);
}

TPGDBExtract::TPGTypeMap TPGDBExtract::ReadTypes(TQELQuery& Q,
                                                 const std::vector<std::int64_t>& TypeOids) {
  TPGTypeMap Types;
  if (TypeOids.empty()) return Types;
  TCatalogRow Row(Q);
  OpenQuery(Q, TypeQuery(TypeOids));
  for (; !Q.GetEof(); Q.Next()) {
    TPGTypeRow T;
    // As format_type names it, the way the columns' types are read: a type of a schema off
    // the search path keeps its schema ("s1.d2[]"), which the bare pg_type name would lose,
    // leaving the routine to bind to another type of that name, or to none.
    T.Name = Row.Str("data_type");
    T.CharLength = Row.Int("char_length");
    T.Precision = Row.Int("prec");
    T.Scale = Row.Int("scale");
    Types[Row.LargeInt("oid")] = std::move(T);
  }
  CloseQuery(Q);
  return Types;
}

void TPGDBExtract::AddResult(const TPGTypeMap& Types, TPrcData& Prc, std::int64_t RetType) {
  // With output parameters the result type follows from them ("record", or the type of the
  // only one), and a script leaves it unwritten; a set of them still needs RETURNS SETOF.
  bool Outputs = false;
  for (const auto& F : Prc.Params) Outputs = Outputs || F->InOut == ioOut || F->InOut == ioInout;
  if (RetType != 0 && (!Outputs || Prc.ReturnsSetOf))
    Prc.Results.Add(ExtractParam(Types, &Prc, RetType));
}

void TPGDBExtract::ExtractPrc() {
  AddToLog("Extracting functions...");
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  const bool WithOwner = !OwnerColumn().empty();
  std::vector<TRoutineRow> Rows;
  std::set<std::int64_t> TypeOids;
  OpenQuery(Q, RoutineQuery());
  for (; !Q.GetEof(); Q.Next()) {
    const std::string Name = Row.Str("proname");
    const std::string Kind = Row.Str("prokind");
    const std::string Language = Row.Str("lanname");
    const std::string Source = Row.Str("prosrc");
    const std::string Schema = Row.Str("nspname");
    const std::string Full = Schema.empty() ? Name : Schema + "." + Name;
    if (Kind == "a" || Kind == "w") {
      PassOver(std::string(Kind == "a" ? "Aggregate " : "Window function ") + Full +
               " passed over.");
      continue;
    }
    TRoutineRow Routine;
    Routine.Oid = Row.LargeInt("oid");
    if (FInfo.HasProArgModes) Routine.Modes = Words(Row.Str("argmodes"));
    if (std::find(Routine.Modes.begin(), Routine.Modes.end(), "v") != Routine.Modes.end()) {
      PassOver("Function " + Full + " takes a variadic parameter, passed over.");
      continue;
    }
    // A body in the standard SQL form is kept as a parse tree; prosrc is then empty.
    if (Language == "sql" && Trim(Source).empty()) {
      PassOver("Function " + Full + " has a body in the standard SQL form, passed over.");
      continue;
    }
    auto Prc = std::make_unique<TPrcData>(GetObjs());
    Prc->IsFunction = Kind != "p";
    Prc->SetObjName(Name);
    Prc->SetSchema(Schema);
    if (WithOwner) SetOwnerName(*Prc, Row.Str("rolname"));
    Prc->Language = Language;
    Prc->SetExtra(&TObjExtra::Description, Row.Str("description"));
    Prc->SetBody(Source);
    // probin names the object file of a C function; other functions have null there (older
    // servers wrote "-").
    const std::string Bin = Row.Str("probin");
    if (!Bin.empty() && Bin != "-") {
      Prc->ObjFile = Bin;
      Prc->LinkSymbol = Prc->Extra().Body;
      Prc->SetBody(std::string());
    }
    const std::string Volatile = Row.Str("provolatile");
    Prc->Volatility = Volatile == "i" ? "IMMUTABLE" : Volatile == "s" ? "STABLE" : "";
    Prc->NullOnNullInput = Row.Bool("proisstrict");
    // Who a function runs as is no detail to change without a word.
    if (Row.Bool("prosecdef"))
      GetMsgManager()->AddMsg("Function " + Full +
                                  ": SECURITY DEFINER not kept; the function is written and "
                                  "compared without it.",
                              mt_Wrn, nullptr);
    Prc->ReturnsSetOf = Row.Bool("proretset");

    const std::string AllTypes = FInfo.HasProArgModes ? Row.Str("allargtypes") : std::string();
    Routine.ArgTypes = OidItems(AllTypes.empty() ? Row.Str("argtypes") : AllTypes);
    Routine.Names = ArrayItems(Row.Str("argnames"));
    // A procedure returns nothing: "void" is the server's placeholder, not a result.
    Routine.RetType = Prc->IsFunction ? Row.LargeInt("prorettype") : 0;
    TypeOids.insert(Routine.ArgTypes.begin(), Routine.ArgTypes.end());
    if (Routine.RetType != 0) TypeOids.insert(Routine.RetType);
    Routine.Prc = std::move(Prc);
    Rows.push_back(std::move(Routine));
  }
  CloseQuery(Q);
  if (Rows.empty()) return;

  const TPGTypeMap Types =
      ReadTypes(Q, std::vector<std::int64_t>(TypeOids.begin(), TypeOids.end()));

  for (TRoutineRow& Routine : Rows) {
    TPrcData* Prc = Routine.Prc.get();
    ExtractParams(Types, Prc, Routine.ArgTypes, Routine.Names, Routine.Modes, Prc->Params);
  }
  {
    std::vector<std::pair<std::int64_t, TPrcData*>> Routines;
    Routines.reserve(Rows.size());
    for (const TRoutineRow& Routine : Rows) Routines.emplace_back(Routine.Oid, Routine.Prc.get());
    ExtractParamDefaults(Q, Routines);
  }
  for (TRoutineRow& Routine : Rows) {
    AddResult(Types, *Routine.Prc, Routine.RetType);
    const std::string Name = Routine.Prc->GetObjName();
    FileExtracted(std::move(Routine.Prc), Name);
  }
}

void TPGDBExtract::ExtractTrg() {
  AddToLog("Extracting triggers...");
  ForEachRow(TriggerQuery(), [&](TCatalogRow& Row) {
    const std::string Name = Row.Str("tgname");
    const std::string Table = Row.Str("relname");
    const std::string RelKind = Row.Str("relkind");
    const std::int64_t Type = Row.LargeInt("tgtype");
    const std::string Of = "Trigger " + Name + " of " + Table;
    // Only the triggers of relations that are read: the others would stand without them.
    if ((RelKind != "r" && RelKind != "v") || Row.Bool("relispartition")) {
      PassOver(Of + " passed over: its " +
               std::string(RelKind == "p"   ? "table is partitioned."
                           : RelKind == "r" ? "table is a partition."
                                            : "relation is not read."));
      return;
    }
    if (Row.Bool("is_constraint")) {
      WarnNotRead(Of + " is a constraint trigger, which is not read: passed over.");
      NoteNotRead("constraint trigger", Row.Str("nspname"), Name, Table);
      return;
    }
    // What the trigger's definition cannot write: read without it, the trigger would fire
    // where it does not. (A WHEN condition stays with the body the parser reads.)
    if ((Type & TgTruncate) != 0) {
      PassOver(Of + " fires on TRUNCATE, passed over.");
      return;
    }
    if (!Trim(Row.Str("tgattr")).empty()) {
      PassOver(Of + " fires on UPDATE OF a column list, passed over.");
      return;
    }
    // Only a table is passed over when it went; a view read before it went keeps its trigger.
    if (RelKind != "r" && Row.IsNull("trg_defn"))
      throw EDatabaseError(Of + " " + std::string(DroppedMeanwhile) + ".");
    if (GoneWithTable(Row, "trg_defn", Of)) return;
    // Transition tables (PostgreSQL 10 on) stand in the definition before FOR EACH.
    {
      const std::string Text = Row.Str("trg_defn");
      const std::size_t At = Text.find(" REFERENCING ");
      if (At != std::string::npos && At < Text.find(" FOR EACH ")) {
        PassOver(Of + " has transition tables, passed over.");
        return;
      }
    }
    auto Trg = std::make_unique<TTrgData>(GetObjs());
    Trg->SetObjName(Name);
    Trg->SetSchema(Row.Str("nspname"));
    Trg->SetOwnName(Table);
    if ((Type & TgRow) != 0)
      Trg->ForEachRow = true;
    else
      Trg->ForEachStatement = true;
    Trg->Timing = (Type & TgInstead) != 0  ? baInsteadOf
                  : (Type & TgBefore) != 0 ? baBefore
                                           : baAfter;
    if ((Type & TgInsert) != 0) Trg->Events.Include(iudInsert);
    if ((Type & TgDelete) != 0) Trg->Events.Include(iudDelete);
    if ((Type & TgUpdate) != 0) Trg->Events.Include(iudUpdate);
    Trg->SetExtra(&TObjExtra::FullText, Trim(Row.Str("trg_defn")));
    Trg->SetExtra(&TObjExtra::Description, Row.Str("description"));
    FileExtracted(std::move(Trg), Name);
  });
}

}  // namespace qel
