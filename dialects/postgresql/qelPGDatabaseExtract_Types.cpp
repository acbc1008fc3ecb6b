// The PostgreSQL catalog extractor: conversions, domains, user types, operators and operator
// classes.
//
// Only what a user made is read: objects of the server's own and of temporary schemas are
// left out (SchemaConditions), and so are the objects an extension brought with it (pg_depend
// marks them with deptype 'e'): the extension makes them again, and an update script that
// dropped or created them would fight it. Array types and the row types of tables and views
// are made by the server with the type or relation they belong to and are never read.
//
// Each step reads with a fixed number of queries, whatever the number of objects: the
// attributes of all composite types come with one query, the operator and the function entries
// of all operator classes with one query each.
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "DataSet.h"
#include "Text.h"
#include "qelComp_Dmn.h"
#include "qelComp_Prc.h"
#include "qelPGDatabaseExtract.h"
#include "qelPGSQLParser.h"

namespace qel {

namespace {

using TSQL = std::vector<std::string>;

void Append(TSQL& SQL, const TSQL& Lines) {
  SQL.insert(SQL.end(), Lines.begin(), Lines.end());
}

/// The condition that keeps out the objects an extension made: ObjOid is the object's oid,
/// CatalogOid the oid of the catalog that holds it (pg_depend.classid).
std::string NotFromExtension(const std::string& Lead, std::uint32_t CatalogOid,
                             const std::string& ObjOid) {
  return Lead + "not exists (select 1 from pg_catalog.pg_depend x where x.classid = " +
         IntToStr(static_cast<std::int64_t>(CatalogOid)) + " and x.objid = " + ObjOid +
         " and x.deptype = 'e')";
}

/// The option text of a function name read through a left join: the server writes "-" for a
/// function that is not given.
std::string FunctionOption(const TField& Field) {
  const std::string Name = Field.AsString();
  return Name == "-" ? std::string() : Name;
}

/// TYPALIGN as the neutral type that CREATE TYPE names for it.
TDBFieldType AlignmentOf(const std::string& Code) {
  if (Code == "c") return iftChar;
  if (Code == "s") return iftInt2;
  if (Code == "d") return iftDouble;
  return iftInt4;
}

/// TYPSTORAGE as CREATE TYPE spells it.
std::string StorageOf(const std::string& Code) {
  if (Code == "p") return "plain";
  if (Code == "x") return "extended";
  // Kept compressed in line (main) or out of line uncompressed (external): read as nothing,
  // the type would be written back with plain storage, another type than the one read.
  if (Code == "m") return "main";
  if (Code == "e") return "external";
  return std::string();
}

}  // namespace

std::vector<std::string> TPGDBExtract::SplitTypeList(const std::string& Text) {
  // oidvectortypes joins the names with ", "; a name with a comma in it comes in double quotes.
  return ExpressionListItems(Text);
}

std::string TPGDBExtract::TypeText(const std::string& Name) const {
  if (Name.empty()) return Name;
  TFldData Fld(GetObjs());
  ColumnType(Fld, Name, 0, 0, 0);
  return LowerCase(Fld.FieldTypeDef());
}

void TPGDBExtract::DomainChecks(TDmnData& Dmn, const std::string& Names, const std::string& Texts,
                                bool Source) {
  auto Split = [](const std::string& List) {
    std::vector<std::string> R;
    for (std::size_t From = 0; From <= List.size();) {
      std::size_t To = List.find('\x01', From);
      if (To == std::string::npos) To = List.size();
      R.push_back(List.substr(From, To - From));
      From = To + 1;
    }
    return R;
  };
  const std::vector<std::string> NameList = Split(Names);
  const std::vector<std::string> TextList = Split(Texts);
  for (std::size_t I = 0; I < TextList.size(); ++I) {
    const std::string Body = Source ? Trim(TextList[I]) : CheckBodyFromDef(TextList[I]);
    // The text that follows the word CHECK, under the name the server drops it by.
    if (!Body.empty()) Dmn.AddPGCheck(I < NameList.size() ? NameList[I] : "", Body);
  }
}

// ---------------------------------------------------------------------------------------------
// Conversions

void TPGDBExtract::ExtractCnv() {
  AddToLog("Extracting conversions...");
  TSQL SQL = {
      "select t.conname, s.nspname, t.condefault,",
      "t.conproc, d.description, p.proname as conproname,",
      "pg_encoding_to_char(t.conforencoding) as forencoding,",
      "pg_encoding_to_char(t.contoencoding) as toencoding",
  };
  const std::string Owner = OwnerColumn();
  if (!Owner.empty()) SQL.push_back(Owner);
  Append(SQL, {
                  "from pg_catalog.pg_conversion t",
                  "join pg_catalog.pg_namespace s on s.oid = t.connamespace",
                  "join pg_catalog.pg_proc p on p.oid = t.conproc",
                  "left join pg_catalog.pg_description d on d.objoid = t.oid and d.classoid = " +
                      IntToStr(FInfo.ConversionOid),
              });
  if (!Owner.empty()) SQL.push_back(OwnerJoin("t.conowner"));
  Append(SQL, SchemaConditions("where ", "and ", "s.nspname"));
  SQL.push_back(NotFromExtension("and ", FInfo.ConversionOid, "t.oid"));

  TQELQuery& Q = WorkQuery();

  TCatalogRow Row(Q);
  OpenQuery(Q, SQL);
  for (; !Q.GetEof(); Q.Next()) {
    auto Cnv = std::make_unique<TCnvData>(GetObjs());
    Cnv->SetObjName(Row.Str("conname"));
    if (!Owner.empty()) SetOwnerName(*Cnv, Row.Str("rolname"));
    Cnv->SetSchema(Row.Str("nspname"));
    Cnv->SetExtra(&TObjExtra::Description, Row.Str("description"));
    Cnv->IsDefault = Row.Bool("condefault");
    Cnv->FuncName = Row.Str("conproname");
    Cnv->SourceEncoding = Row.Str("forencoding");
    Cnv->DestEncoding = Row.Str("toencoding");
    const std::string Name = Cnv->GetObjName();
    FileExtracted(std::move(Cnv), Name);
  }
  CloseQuery(Q);
}

// ---------------------------------------------------------------------------------------------
// Domains

void TPGDBExtract::ExtractDmn() {
  AddToLog("Extracting domains...");
  // The type modifier (length, precision and scale) is the domain's own: the base type's row
  // carries none. The checks of a domain and their names come in two columns, apart by a
  // character no constraint text holds, in name order.
  const std::string Check =
      FInfo.Has(pgcConSrc) ? "k.consrc" : "pg_catalog.pg_get_constraintdef(k.oid)";
  TSQL SQL = {
      "select t.typname, t.typbasetype, t.typnotnull, t.typdefault, s.nspname,",
      "pg_catalog.format_type(t.typbasetype, null) as data_type,",
      "information_schema._pg_char_max_length(t.typbasetype, t.typtypmod) as char_length,",
      "information_schema._pg_numeric_precision(t.typbasetype, t.typtypmod) as prec,",
      "information_schema._pg_numeric_scale(t.typbasetype, t.typtypmod) as scale,",
      "pg_catalog.array_to_string(array(select " + Check + " from pg_catalog.pg_constraint k",
      " where k.contypid = t.oid and k.contype = 'c' order by k.conname),",
      " pg_catalog.chr(1)) as condef,",
      "pg_catalog.array_to_string(array(select k.conname from pg_catalog.pg_constraint k",
      " where k.contypid = t.oid and k.contype = 'c' order by k.conname),",
      " pg_catalog.chr(1)) as connames,",
      "d.description",
  };
  const std::string Owner = OwnerColumn();
  if (!Owner.empty()) SQL.push_back(Owner);
  Append(SQL, {
                  "from pg_catalog.pg_type t",
                  "join pg_catalog.pg_namespace s on s.oid = t.typnamespace",
                  "left join pg_catalog.pg_description d on d.objoid = t.oid and d.classoid = " +
                      IntToStr(FInfo.TypeOid),
              });
  if (!Owner.empty()) SQL.push_back(OwnerJoin("t.typowner"));
  SQL.emplace_back("where t.typtype = 'd' ");
  Append(SQL, SchemaConditions("and ", "and ", "s.nspname"));
  SQL.push_back(NotFromExtension("and ", FInfo.TypeOid, "t.oid"));

  TQELQuery& Q = WorkQuery();

  TCatalogRow Row(Q);
  std::vector<std::unique_ptr<TDmnData>> Read;
  // Domains over a time type, with the type name: their seconds precision is in the type
  // modifier alone.
  std::vector<std::pair<TDmnData*, std::string>> Timed;
  OpenQuery(Q, SQL);
  for (; !Q.GetEof(); Q.Next()) {
    auto Dmn = std::make_unique<TDmnData>(GetObjs());
    Dmn->SetObjName(Row.Str("typname"));
    if (!Owner.empty()) SetOwnerName(*Dmn, Row.Str("rolname"));
    // Domains of one name may stand in two schemas; without its schema the second would be
    // taken for the first.
    Dmn->SetSchema(Row.Str("nspname"));
    Dmn->SetExtra(&TObjExtra::Description, Row.Str("description"));
    TFldData& Fld = *Dmn->TypeField;
    Fld.TableName = Dmn->GetObjName();
    Fld.Nullable = !Row.Bool("typnotnull");
    ColumnType(Fld, Row.Str("data_type"), Row.Int("char_length"), Row.Int("prec"),
               Row.Int("scale"));
    // The default and the check belong to the domain as much as its type does: a domain read
    // without them would be written back without them.
    Fld.DefValue = Trim(Row.Str("typdefault"));
    Fld.DefValue = PGReplaceDefault(Fld.GetDefValue());
    DomainChecks(*Dmn, Row.Str("connames"), Row.Str("condef"), FInfo.Has(pgcConSrc));
    if (PGTypeTakesSecondsPrecision(Fld.FieldType))
      Timed.emplace_back(Dmn.get(), Row.Str("data_type"));
    Read.push_back(std::move(Dmn));
  }
  CloseQuery(Q);
  DomainTimePrecisions(Q, Timed);
  for (auto& Dmn : Read) {
    const std::string Name = Dmn->GetObjName();
    FileExtracted(std::move(Dmn), Name);
  }
}

void TPGDBExtract::DomainTimePrecisions(
    TQELQuery& Q, const std::vector<std::pair<TDmnData*, std::string>>& Timed) {
  // Asked for only when such a domain is read, so that other databases cost no query.
  if (Timed.empty()) return;
  std::unordered_map<std::string, std::int32_t> TypMods;
  TCatalogRow Row(Q);
  OpenQuery(Q, {"select s.nspname, t.typname, t.typtypmod", "from pg_catalog.pg_type t",
                "join pg_catalog.pg_namespace s on s.oid = t.typnamespace",
                "where t.typtype = 'd' and t.typtypmod >= 0"});
  for (; !Q.GetEof(); Q.Next())
    TypMods[Row.Str("nspname") + "." + Row.Str("typname")] = Row.Int("typtypmod");
  CloseQuery(Q);
  for (const auto& [Dmn, TypeName] : Timed)
    if (const auto It = TypMods.find(Dmn->GetSchema() + "." + Dmn->GetObjName());
        It != TypMods.end())
      ColumnType(*Dmn->TypeField, TypeName, 0, 0, 0, It->second);
}

// ---------------------------------------------------------------------------------------------
// Types

void TPGDBExtract::ExtractTyp() {
  AddToLog("Extracting types...");
  TSQL SQL = {
      "select t.typname, ns.nspname as schemaname, t.typrelid, t.typtype,",
      "t.typinput, t.typoutput, t.typreceive, t.typsend, t.typanalyze,",
      "t.typalign, t.typstorage, t.typdefault, t.typlen, t.typbyval, t.typdelim,",
      "pi.proname as typ_input, po.proname as typ_output, pa.proname as typ_analyze,",
      "pr.proname as typ_receive, ps.proname as typ_send, d.description",
  };
  const std::string Owner = OwnerColumn();
  if (!Owner.empty()) SQL.push_back(Owner);
  Append(SQL, {
                  "from pg_catalog.pg_type t",
                  "join pg_catalog.pg_namespace ns on ns.oid = t.typnamespace",
                  "left join pg_catalog.pg_class c on c.oid = t.typrelid",
                  "left join pg_catalog.pg_proc pi on pi.oid = t.typinput",
                  "left join pg_catalog.pg_proc po on po.oid = t.typoutput",
                  "left join pg_catalog.pg_proc pr on pr.oid = t.typreceive",
                  "left join pg_catalog.pg_proc ps on ps.oid = t.typsend",
                  "left join pg_catalog.pg_proc pa on pa.oid = t.typanalyze",
                  "left join pg_catalog.pg_description d on d.objoid = t.oid and d.classoid = " +
                      IntToStr(FInfo.TypeOid),
              });
  if (!Owner.empty()) SQL.push_back(OwnerJoin("t.typowner"));
  Append(SQL, SchemaConditions("where ", "and ", "ns.nspname"));
  // Enum and range types are selected to be named when they are passed over; the multirange
  // type that comes with each range type is the range type's own and is not.
  SQL.emplace_back(
      "and ((t.typrelid = 0 and t.typtype = 'b' and t.typelem = 0) or (c.relkind = 'c')"
      " or t.typtype in ('e', 'r'))");
  SQL.push_back(NotFromExtension("and ", FInfo.TypeOid, "t.oid"));
  SQL.emplace_back("order by ns.nspname, t.typname");

  TQELQuery& Q = WorkQuery();

  TCatalogRow Row(Q);
  std::vector<TRelationRead> Types;
  OpenQuery(Q, SQL);
  for (; !Q.GetEof(); Q.Next()) {
    const std::string Name = Row.Str("typname");
    const std::string Kind = Row.Str("typtype");
    if (Kind == "e" || Kind == "r") {
      PassOver(std::string(Kind == "e" ? "Enum" : "Range") + " type " + Row.Str("schemaname") +
               "." + Name + " passed over.");
      continue;
    }
    auto Dmn = std::make_unique<TDmnData>(GetObjs());
    TPGTypeOptions& O = *Dmn->PGOptions;
    O.IsType = true;
    Dmn->SetObjName(Name);
    Dmn->SetSchema(Row.Str("schemaname"));
    if (!Owner.empty()) SetOwnerName(*Dmn, Row.Str("rolname"));
    // A type's comment is kept as a domain's is: read without it, the comparison would drop it.
    Dmn->SetExtra(&TObjExtra::Description, Row.Str("description"));
    std::int64_t Relation = 0;
    if (Kind == "b") {
      O.Input = FunctionOption(Row.Field("typ_input"));
      O.Output = FunctionOption(Row.Field("typ_output"));
      O.Receive = FunctionOption(Row.Field("typ_receive"));
      O.Send = FunctionOption(Row.Field("typ_send"));
      O.Analyze = FunctionOption(Row.Field("typ_analyze"));
      O.Alignment = AlignmentOf(Row.Str("typalign"));
      O.Default = Row.Str("typdefault");
      O.InternalLength = Row.Int("typlen");
      O.PassedByValue = Row.Bool("typbyval");
      const std::string Delimiter = Row.Str("typdelim");
      O.Delimiter = Delimiter == "," ? std::string() : Delimiter;
      O.Storage = StorageOf(Row.Str("typstorage"));
    } else {
      Relation = Row.LargeInt("typrelid");
    }
    Types.push_back({Relation, std::move(Dmn), &O.Attributes});
  }
  CloseQuery(Q);
  ExtractTypeAttributes(Q, Types);
  AddRelations(Types);
}

void TPGDBExtract::ExtractTypeAttributes(TQELQuery& Query, std::vector<TRelationRead>& Types) {
  TCatalogRow Row(Query);
  std::unordered_map<std::int64_t, TRelationRead*> ByOid;
  for (TRelationRead& T : Types)
    if (T.Oid != 0) ByOid.emplace(T.Oid, &T);
  if (ByOid.empty()) return;
  TSQL SQL = {
      "select a.attrelid, a.attname as column_name,",
      "pg_catalog.format_type(a.atttypid, null) as data_type,",
      "information_schema._pg_char_max_length(a.atttypid, a.atttypmod) as char_length,",
      "information_schema._pg_numeric_precision(a.atttypid, a.atttypmod) as prec,",
      "information_schema._pg_numeric_scale(a.atttypid, a.atttypmod) as scale,",
      "d.description",
      "from pg_catalog.pg_attribute a",
      "join pg_catalog.pg_class c on c.oid = a.attrelid",
      "join pg_catalog.pg_namespace n on n.oid = c.relnamespace",
      "left join pg_catalog.pg_description d on d.objoid = a.attrelid and d.objsubid = a.attnum",
      "and d.classoid = " + IntToStr(FInfo.ClassOid),
      "where c.relkind = 'c' and a.attnum >= 1 and not a.attisdropped",
  };
  Append(SQL, SchemaConditions("and ", "and ", "n.nspname"));
  SQL.emplace_back("order by a.attrelid, a.attnum");
  OpenQuery(Query, SQL);
  const TColumnFields Columns(Query);
  for (; !Query.GetEof(); Query.Next()) {
    const auto It = ByOid.find(Columns.Rel->AsLargeInt());
    if (It != ByOid.end()) AddColumn(Columns, *It->second);
  }
  CloseQuery(Query);
}

// ---------------------------------------------------------------------------------------------
// Operators

void TPGDBExtract::ExtractOpr() {
  AddToLog("Extracting operators...");
  // The four sort and comparison operators gave way to oprcanmerge in PostgreSQL 8.3.
  const bool SortOps = FInfo.Has(pgcOprLSortOp);
  TSQL SQL = {
      "select o.oprname, s.nspname, d.description, o.oprkind, o.oprcanhash,",
      "o.oprleft, o.oprright, o.oprresult, o.oprcode, o.oprrest, o.oprjoin,",
      "p1.proname as opr_code, p2.proname as opr_rest, p3.proname as opr_join,",
      "t1.typname as opr_left, t2.typname as opr_right, t3.typname as opr_result,",
      "o1.oprname as opr_com, o2.oprname as opr_negate,",
  };
  if (SortOps) {
    Append(SQL, {"o3.oprname as opr_lsortop, o4.oprname as opr_rsortop,",
                 "o5.oprname as opr_ltcmpop, o6.oprname as opr_gtcmpop"});
  } else {
    SQL.emplace_back("o.oprcanmerge");
  }
  const std::string Owner = OwnerColumn();
  if (!Owner.empty()) SQL.push_back(Owner);
  Append(SQL, {
                  "from pg_catalog.pg_operator o",
                  "join pg_catalog.pg_namespace s on s.oid = o.oprnamespace",
                  "left join pg_catalog.pg_description d on d.objoid = o.oid and d.classoid = " +
                      IntToStr(FInfo.OperatorOid),
                  "left join pg_catalog.pg_proc p1 on p1.oid = o.oprcode",
                  "left join pg_catalog.pg_proc p2 on p2.oid = o.oprrest",
                  "left join pg_catalog.pg_proc p3 on p3.oid = o.oprjoin",
                  "left join pg_catalog.pg_type t1 on t1.oid = o.oprleft",
                  "left join pg_catalog.pg_type t2 on t2.oid = o.oprright",
                  "left join pg_catalog.pg_type t3 on t3.oid = o.oprresult",
                  "left join pg_catalog.pg_operator o1 on o1.oid = o.oprcom",
                  "left join pg_catalog.pg_operator o2 on o2.oid = o.oprnegate",
              });
  if (SortOps)
    Append(SQL, {
                    "left join pg_catalog.pg_operator o3 on o3.oid = o.oprlsortop",
                    "left join pg_catalog.pg_operator o4 on o4.oid = o.oprrsortop",
                    "left join pg_catalog.pg_operator o5 on o5.oid = o.oprltcmpop",
                    "left join pg_catalog.pg_operator o6 on o6.oid = o.oprgtcmpop",
                });
  if (!Owner.empty()) SQL.push_back(OwnerJoin("o.oprowner"));
  Append(SQL, SchemaConditions("where ", "and ", "s.nspname"));
  SQL.push_back(NotFromExtension("and ", FInfo.OperatorOid, "o.oid"));

  TQELQuery& Q = WorkQuery();

  TCatalogRow Row(Q);
  OpenQuery(Q, SQL);
  for (; !Q.GetEof(); Q.Next()) {
    auto Opr = std::make_unique<TOprData>(GetObjs());
    Opr->SetObjName(Row.Str("oprname"));
    if (!Owner.empty()) SetOwnerName(*Opr, Row.Str("rolname"));
    Opr->SetSchema(Row.Str("nspname"));
    Opr->SetExtra(&TObjExtra::Description, Row.Str("description"));
    Opr->LeftArg = TypeText(Row.Str("opr_left"));
    Opr->RightArg = TypeText(Row.Str("opr_right"));
    Opr->Commutator = Row.Str("opr_com");
    Opr->Negator = Row.Str("opr_negate");
    Opr->ProcName = Row.Str("opr_code");
    Opr->Restrict = Row.Str("opr_rest");
    Opr->Join = Row.Str("opr_join");
    // HASHES and MERGES are part of what the operator is: read without them, an operator made
    // with them would be made again on every comparison, and made without them.
    Opr->Hashes = Row.Bool("oprcanhash");
    if (SortOps) {
      Opr->Sort1 = Row.Str("opr_lsortop");
      Opr->Sort2 = Row.Str("opr_rsortop");
      Opr->LtCmp = Row.Str("opr_ltcmpop");
      Opr->GtCmp = Row.Str("opr_gtcmpop");
    } else {
      Opr->Merges = Row.Bool("oprcanmerge");
    }
    const std::string Name = Opr->GetCaption();
    FileExtracted(std::move(Opr), Name);
  }
  CloseQuery(Q);
}

void TPGDBExtract::MatchOperatorOptions(TCustomObjs& Other) const {
  // From PostgreSQL 8.3 on the server keeps no sort or comparison operators of an operator: it
  // takes SORT1, SORT2, LTCMP and GTCMP as MERGES. A script's operator that names them is
  // compared as the server keeps it, not dropped and made again on every comparison.
  if (FInfo.Has(pgcOprLSortOp) || Other.GetDatabaseType() != dbPostgreSQL) return;
  for (int I = 0; I < Other.Operators.Count(); ++I) {
    auto* Opr = dynamic_cast<TOprData*>(Other.Operators.Objects(I));
    if (!Opr) continue;
    bool Named = false;
    for (std::string* Sort : {&Opr->Sort1, &Opr->Sort2, &Opr->LtCmp, &Opr->GtCmp}) {
      Named = Named || !Sort->empty();
      Sort->clear();
    }
    if (Named) Opr->Merges = true;
  }
}

// ---------------------------------------------------------------------------------------------
// Operator classes

void TPGDBExtract::ExtractOpc() {
  AddToLog("Extracting operator classes...");
  // From PostgreSQL 8.3 on a class names its access method in opcmethod, and its operators and
  // support functions belong to the class's family; those the class itself brought are the
  // ones pg_depend ties to the class. Before, the entries named their class in amopclaid.
  const bool Families = FInfo.Has(pgcOpcMethod);
  const std::string Method = Families ? "o.opcmethod" : "o.opcamid";
  TSQL SQL = {
      "select o.oid, o.opcname, s.nspname, d.description, " + Method + ", am.amname,",
      "o.opcintype, o.opckeytype, t1.typname as opc_intype, t2.typname as opc_keytype,",
      "o.opcdefault",
  };
  const std::string Owner = OwnerColumn();
  if (!Owner.empty()) SQL.push_back(Owner);
  Append(SQL, {
                  "from pg_catalog.pg_opclass o",
                  "join pg_catalog.pg_namespace s on s.oid = o.opcnamespace",
                  "join pg_catalog.pg_am am on am.oid = " + Method,
                  "left join pg_catalog.pg_description d on d.objoid = o.oid and d.classoid = " +
                      IntToStr(FInfo.OpClassOid),
                  "left join pg_catalog.pg_type t1 on t1.oid = o.opcintype",
                  "left join pg_catalog.pg_type t2 on t2.oid = o.opckeytype",
              });
  if (!Owner.empty()) SQL.push_back(OwnerJoin("o.opcowner"));
  const TSQL Schemas = SchemaConditions("where ", "and ", "s.nspname");
  Append(SQL, Schemas);
  SQL.push_back(NotFromExtension("and ", FInfo.OpClassOid, "o.oid"));

  TQELQuery& Q = WorkQuery();

  TCatalogRow Row(Q);
  std::vector<std::pair<std::int64_t, std::unique_ptr<TOpcData>>> Classes;
  OpenQuery(Q, SQL);
  for (; !Q.GetEof(); Q.Next()) {
    auto Opc = std::make_unique<TOpcData>(GetObjs());
    Opc->SetObjName(Row.Str("opcname"));
    if (!Owner.empty()) SetOwnerName(*Opc, Row.Str("rolname"));
    Opc->SetSchema(Row.Str("nspname"));
    Opc->SetExtra(&TObjExtra::Description, Row.Str("description"));
    Opc->IsDefault = Row.Bool("opcdefault");
    Opc->IndexMethod = Row.Str("amname");
    Opc->DataType = TypeText(Row.Str("opc_intype"));
    Opc->StorageType = TypeText(Row.Str("opc_keytype"));
    Classes.emplace_back(Row.LargeInt("oid"), std::move(Opc));
  }
  CloseQuery(Q);
  if (Classes.empty()) return;
  std::unordered_map<std::int64_t, TOpcData*> ByOid;
  for (auto& [Oid, Opc] : Classes) ByOid.emplace(Oid, Opc.get());

  // The entries of the classes read, each with the oid of its class; the conditions of the
  // class query again, on the class's schema.
  auto EntryJoins = [&](const char* Catalog) {
    TSQL R;
    if (Families) {
      R.push_back(std::string("join pg_catalog.pg_depend dep on dep.classid = 'pg_catalog.") +
                  Catalog + "'::pg_catalog.regclass and dep.objid = o.oid");
      R.push_back("and dep.refclassid = " + IntToStr(FInfo.OpClassOid));
      R.emplace_back("join pg_catalog.pg_opclass oc on oc.oid = dep.refobjid");
    } else {
      R.emplace_back("join pg_catalog.pg_opclass oc on oc.oid = o.amopclaid");
    }
    R.emplace_back("join pg_catalog.pg_namespace s on s.oid = oc.opcnamespace");
    return R;
  };

  SQL = {"select oc.oid as class_oid, o.amopstrategy, o.amopopr, op.oprname,",
         "t1.typname as opr_left, t2.typname as opr_right", "from pg_catalog.pg_amop o"};
  Append(SQL, EntryJoins("pg_amop"));
  Append(SQL, {"left join pg_catalog.pg_operator op on op.oid = o.amopopr",
               "left join pg_catalog.pg_type t1 on t1.oid = op.oprleft",
               "left join pg_catalog.pg_type t2 on t2.oid = op.oprright"});
  Append(SQL, Schemas);
  SQL.push_back(NotFromExtension("and ", FInfo.OpClassOid, "oc.oid"));
  SQL.emplace_back("order by oc.oid, o.amopstrategy");
  OpenQuery(Q, SQL);
  for (; !Q.GetEof(); Q.Next()) {
    const auto It = ByOid.find(Row.LargeInt("class_oid"));
    if (It == ByOid.end()) continue;
    // Operand types that are the class's own type are what the entry means without them, and
    // how a script mostly writes it: written out, the entry would differ from the script's.
    TOpcData& Opc = *It->second;
    std::string Left = TypeText(Row.Str("opr_left"));
    std::string Right = TypeText(Row.Str("opr_right"));
    if (Left == Opc.DataType && Right == Opc.DataType) Left = Right = std::string();
    Opc.AddOperator(Row.Int("amopstrategy"), Row.Str("oprname"), Left, Right);
  }
  CloseQuery(Q);

  SQL = {"select oc.oid as class_oid, o.amprocnum, o.amproc, p.proname,",
         "pg_catalog.oidvectortypes(p.proargtypes) as argtypes", "from pg_catalog.pg_amproc o"};
  Append(SQL, EntryJoins("pg_amproc"));
  SQL.emplace_back("left join pg_catalog.pg_proc p on p.oid = o.amproc");
  Append(SQL, Schemas);
  SQL.push_back(NotFromExtension("and ", FInfo.OpClassOid, "oc.oid"));
  SQL.emplace_back("order by oc.oid, o.amprocnum");
  OpenQuery(Q, SQL);
  for (; !Q.GetEof(); Q.Next()) {
    const auto It = ByOid.find(Row.LargeInt("class_oid"));
    if (It == ByOid.end()) continue;
    std::vector<std::string> Args;
    for (const std::string& Type : SplitTypeList(Row.Str("argtypes")))
      Args.push_back(TypeText(Type));
    It->second->AddFunction(Row.Int("amprocnum"), Row.Str("proname"), Args);
  }
  CloseQuery(Q);

  for (auto& [Oid, Opc] : Classes) {
    const std::string Name = Opc->GetCaption();
    FileExtracted(std::move(Opc), Name);
  }
}

}  // namespace qel
