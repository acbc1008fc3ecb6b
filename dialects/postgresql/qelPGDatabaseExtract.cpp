// The PostgreSQL catalog extractor: the capability probe, schemas, tables, views and their
// columns, and the mapping of PostgreSQL type names to the neutral column types.
#include "qelPGDatabaseExtract.h"

#include <string_view>
#include <unordered_map>
#include <utility>

#include "DataSet.h"
#include "Text.h"
#include "qelComp_Ctr.h"
#include "qelComp_Idx.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelMsg.h"
#include "qelPGSQLParser.h"

namespace qel {

namespace {

/// The schemas of the server itself; their objects are never read.
constexpr const char* SystemSchemas =
    "('information_schema', 'pg_catalog', 'pg_toast', 'pg_temp_1')";

/// One row of the capability probe: a catalog relation of pg_catalog, and for the column rows
/// a column it must have.
struct TProbeRow {
  int Typ;
  const char* Relation;
  const char* Column;  // nullptr: the relation alone
  bool OldForm;        // the comma join of the first five rows
};

// clang-format off
constexpr TProbeRow ProbeRows[] = {
    {1, "pg_class", nullptr, true},
    {2, "pg_type", nullptr, true},
    {3, "pg_proc", nullptr, true},
    {4, "pg_constraint", nullptr, true},
    {5, "pg_namespace", nullptr, true},
    {6, "pg_authid", nullptr, false},
    {7, "pg_shadow", nullptr, false},
    {8, "pg_proc", "proargmodes", false},
    {9, "pg_conversion", nullptr, false},
    {10, "pg_operator", nullptr, false},
    {11, "pg_opclass", nullptr, false},
    // Catalog columns that later server versions dropped (TPGCatalogColumn, from row 12 on).
    {12, "pg_class", "reltriggers", false},
    {13, "pg_class", "relhasoids", false},
    {14, "pg_attrdef", "adsrc", false},
    {15, "pg_constraint", "consrc", false},
    {16, "pg_index", "indoption", false},
    {17, "pg_index", "indnkeyatts", false},
    {18, "pg_proc", "prokind", false},
    {19, "pg_proc", "proisagg", false},
    {20, "pg_attribute", "attidentity", false},
    {21, "pg_attribute", "attgenerated", false},
    {22, "pg_opclass", "opcmethod", false},
    {23, "pg_operator", "oprlsortop", false},
    {24, "pg_trigger", "tgisinternal", false},
    {25, "pg_class", "relispartition", false},
};
// clang-format on
constexpr int FirstColumnRow = 12;
static_assert(sizeof(ProbeRows) / sizeof(ProbeRows[0]) == 11 + PGCatalogColumnCount);

std::vector<std::string> ProbeQuery() {
  std::vector<std::string> Q;
  for (const TProbeRow& Row : ProbeRows) {
    if (!Q.empty()) Q.emplace_back("union all");
    const std::string Rel = Row.Relation;
    Q.push_back("select cast(" + IntToStr(Row.Typ) + " as integer) as typ, c.oid");
    if (Row.OldForm) {
      Q.emplace_back("from pg_catalog.pg_class c, pg_catalog.pg_namespace ns");
      Q.push_back("where c.relname = '" + Rel + "' and ns.oid = c.relnamespace");
      Q.emplace_back("      and ns.nspname = 'pg_catalog' ");
      continue;
    }
    Q.emplace_back("from pg_catalog.pg_class c");
    Q.emplace_back("join pg_catalog.pg_namespace ns on ns.oid = c.relnamespace");
    if (Row.Column) Q.emplace_back("join pg_catalog.pg_attribute cc on cc.attrelid = c.oid");
    Q.push_back("where c.relname = '" + Rel + "' and ns.nspname = 'pg_catalog' ");
    if (Row.Column) Q.push_back("and cc.attname = '" + std::string(Row.Column) + "'");
  }
  return Q;
}

/// The probe rows that give a class oid, and where it goes.
constexpr std::pair<int, std::uint32_t TPGCatalogInfo::*> OidRows[] = {
    {1, &TPGCatalogInfo::ClassOid},      {2, &TPGCatalogInfo::TypeOid},
    {3, &TPGCatalogInfo::ProcOid},       {4, &TPGCatalogInfo::ConstraintOid},
    {5, &TPGCatalogInfo::NamespaceOid},  {6, &TPGCatalogInfo::AuthIdOid},
    {9, &TPGCatalogInfo::ConversionOid}, {10, &TPGCatalogInfo::OperatorOid},
    {11, &TPGCatalogInfo::OpClassOid},
};

std::uint32_t OidValue(const TField& Field) {
  return static_cast<std::uint32_t>(Field.AsLargeInt());
}

/// PostgreSQL type names, as format_type and pg_type spell them, and their neutral types.
// clang-format off
constexpr std::pair<std::string_view, TDBFieldType> TypeNames[] = {
    {"bigint", iftBigInt}, {"int8", iftBigInt},
    {"char", iftChar}, {"bpchar", iftChar}, {"character", iftChar},
    {"cstring", iftCstring},
    {"decimal", iftDecimal},
    {"double", iftDouble},
    {"float", iftFloat},
    {"float4", iftReal}, {"real", iftReal},
    {"float8", iftDoublePrecision}, {"double precision", iftDoublePrecision},
    {"int", iftInteger}, {"int4", iftInteger}, {"integer", iftInteger},
    {"int2", iftSmallInt}, {"smallint", iftSmallInt},
    {"bit", iftBit},
    // format_type spells varbit "bit varying"; the script parser reads both as one type.
    {"varbit", iftVarBit}, {"bit varying", iftVarBit},
    {"money", iftMoney},
    {"numeric", iftNumeric},
    {"time", iftTime}, {"time without time zone", iftTime},
    {"timestamp", iftTimeStamp}, {"timestamp without time zone", iftTimeStamp},
    {"time with time zone", iftTimeTZ},
    {"timestamptz", iftTimeStampTZ}, {"timestamp with time zone", iftTimeStampTZ},
    {"date", iftDate},
    // interval is a built-in type, not a domain: read as one, a column of it would differ from
    // the same column read from a script and be altered on every comparison.
    {"interval", iftInterval},
    {"varchar", iftVarchar}, {"character varying", iftVarchar},
    {"text", iftText},
    {"bytea", iftByteA},
    {"bool", iftBoolean}, {"boolean", iftBoolean},
    {"oid", iftOID},
    {"clob", iftClob},
    {"dbclob", iftDbClob},
    {"blob", iftBlob},
    {"graphic", iftGraphic},
    {"vargraphic", iftVarGraphic},
};
// clang-format on

/// Type modifiers hold a length or a precision and scale after a 4-byte header (VARHDRSZ);
/// bit strings hold the bare length.
constexpr std::int32_t ModifierHeader = 4;

/// The length, precision and scale an array's modifier gives its element type.
void ElementModifier(TDBFieldType Type, std::int32_t TypMod, std::int32_t& CharLength,
                     std::int32_t& Precision, std::int32_t& Scale) {
  if (Type == iftVarchar || Type == iftChar) {
    CharLength = TypMod - ModifierHeader;
  } else if (Type == iftBit || Type == iftVarBit) {
    CharLength = TypMod;
  } else if (Type == iftNumeric || Type == iftDecimal) {
    Precision = ((TypMod - ModifierHeader) >> 16) & 0xFFFF;
    Scale = (TypMod - ModifierHeader) & 0xFFFF;
  }
}

/// The fractional-seconds precision of a time, timestamp or interval modifier: none for -1 (and
/// for an interval whose modifier restricts its fields only, precision bits all set).
std::int32_t SecondsPrecision(TDBFieldType Type, std::int32_t TypMod) {
  if (TypMod < 0) return 0;
  const std::int32_t P = Type == iftInterval ? (TypMod & 0xFFFF) : TypMod;
  if (P == 0xFFFF) return 0;
  return P == 0 ? PGZeroSecondsPrecision : P;
}

}  // namespace

TPGDBExtract::TPGDBExtract(TComponent* AOwner) : TCustomDBExtract(AOwner) {
  DatabaseType = dbPostgreSQL;
}

TPGDBExtract::~TPGDBExtract() = default;

std::vector<TDBExtractStep> TPGDBExtract::ExtractSteps() {
  std::vector<TDBExtractStep> Steps = {
      {0, false, coDomain, "ExtractHeader", [this] { ExtractHeader(); }},
      {0, false, coDomain, "ExtractSch", [this] { ExtractSch(); }},
      {0, true, coDomain, "ExtractCnv", [this] { ExtractCnv(); }},
      {0, true, coDomain, "ExtractDmn", [this] { ExtractDmn(); }},
      {0, true, coDomain, "ExtractTyp", [this] { ExtractTyp(); }},
      {0, true, coDomain, "ExtractOpr", [this] { ExtractOpr(); }},
      {0, true, coDomain, "ExtractOpc", [this] { ExtractOpc(); }},
  };
  for (TDBExtractStep& Step : CoreSteps(this)) Steps.push_back(std::move(Step));
  Steps.push_back({10, true, coView, "ExtractViwDepend", [this] { ExtractViwDepend(); }});
  Steps.push_back({11, true, coTable, "ExtractDroppedTbl", [this] { PassOverDroppedTables(); }});
  Steps.push_back({11, true, coGenerator, "ExtractSeqNotRead", [this] { NameSequencesNotRead(); }});
  Steps.push_back({11, true, coTable, "ExtractNotRead", [this] { NameKindsNotRead(); }});
  return Steps;
}

std::unique_ptr<TCustomParser> TPGDBExtract::CreateBodyParser() {
  return MakeBodyParser<TPGSQLParser>();
}

std::vector<TDbObjList TObjs::*> TPGDBExtract::BodyLists() const {
  return {&TObjs::Triggers};
}

void TPGDBExtract::ParseObjText(TCustomParser& Parser, TDbObj& Obj) {
  ParseWith<TPGSQLParser>(Parser, Obj);
}

void TPGDBExtract::SetOwnerName(TDbObj& Obj, const std::string& Name) {
  if (auto* Sch = dynamic_cast<TSchData*>(&Obj))
    Sch->SchemaOwner = Name;
  else
    Obj.SetExtra(&TObjExtra::Creator, Name);
}

// ---------------------------------------------------------------------------------------------
// Query texts

bool TPGDBExtract::ChangedMeanwhile(const std::string& Text) const {
  // "could not open relation with OID n", "cache lookup failed for type n", "function with
  // OID n does not exist". A view's text keeps the relations it reads locked to the end of the
  // snapshot, so a session that drops a table with a foreign key to one of them can deadlock
  // with the reading, and the server may end the reading.
  for (const char* Part :
       {"could not open relation", "cache lookup failed", "with OID", "deadlock detected"})
    if (Text.find(Part) != std::string::npos) return true;
  return Text.find(DroppedMeanwhile) != std::string::npos;
}

std::string TPGDBExtract::OwnerColumn() const {
  if (FInfo.OwnerFromAuthId) return ", a.rolname";
  if (FInfo.OwnerFromShadow) return ", a.usename as rolname";
  return std::string();
}

std::string TPGDBExtract::OwnerJoin(const std::string& OwnerOf) const {
  // pg_roles and pg_user show the names of pg_authid and pg_shadow to every user.
  if (FInfo.OwnerFromAuthId) return "LEFT JOIN pg_catalog.pg_roles a on a.oid = " + OwnerOf;
  if (FInfo.OwnerFromShadow) return "LEFT JOIN pg_catalog.pg_user a on a.usesysid = " + OwnerOf;
  return std::string();
}

std::vector<std::string> TPGDBExtract::SchemaConditions(const std::string& Lead,
                                                        const std::string& NextLead,
                                                        const std::string& Column) {
  // A session's temporary schemas (pg_temp_N and pg_toast_temp_N, kept once made) hold nothing
  // of the database's own schema, whatever their number.
  return {Lead + Column + " not in " + SystemSchemas,
          NextLead + Column + " !~ '^pg_(toast_)?temp_[0-9]+$'"};
}

std::vector<std::string> TPGDBExtract::TypeSizeColumns(const std::string& TypeOid,
                                                       const std::string& TypMod) {
  // What information_schema._pg_char_max_length, _pg_numeric_precision and _pg_numeric_scale
  // give, written out: the server runs a call of those SQL functions for every row through the
  // function executor (strict functions with a CASE body are never inlined), which at 200,000
  // columns cost it more than the rest of the column query.
  const std::string& Oid = TypeOid;
  const std::string& Mod = TypMod;
  return {
      // char, varchar: the length after the 4-byte header; bit, varbit: the bare length.
      "case when " + Mod + " = -1 then null when " + Oid + " in (1042, 1043) then " + Mod + " - 4",
      "     when " + Oid + " in (1560, 1562) then " + Mod + " end as char_length,",
      // int2, int4, int8 and float4, float8 in bits; numeric from its modifier.
      "case " + Oid + " when 21 then 16 when 23 then 32 when 20 then 64",
      "     when 1700 then case when " + Mod + " = -1 then null else ((" + Mod +
          " - 4) >> 16) & 65535 end",
      "     when 700 then 24 when 701 then 53 end as prec,",
      "case when " + Oid + " in (21, 23, 20) then 0",
      "     when " + Oid + " = 1700 then case when " + Mod + " = -1 then null else (" + Mod +
          " - 4) & 65535 end",
      "     end as scale,",
  };
}

std::vector<std::string> TPGDBExtract::ColumnQuery(char RelKind) const {
  // A default holds no column (the server refuses one), so it is written without its relation:
  // given the relation, pg_get_expr opens it, which on 10,000 tables cost more than the whole
  // rest of the query. A generated column's expression reads columns and needs it.
  std::string Default = "ad.adsrc";
  if (!FInfo.Has(pgcAdSrc))
    Default = FInfo.Has(pgcAttGenerated)
                  ? "pg_catalog.pg_get_expr(ad.adbin, case when a.attgenerated <> '' then "
                    "ad.adrelid else 0 end) as adsrc"
                  : "pg_catalog.pg_get_expr(ad.adbin, ad.adrelid) as adsrc";
  // Identity columns (PostgreSQL 10 on) and generated columns (12 on) have no place in the
  // object model; they are read as plain columns and named in a message.
  std::string ColumnForms;
  if (FInfo.Has(pgcAttIdentity)) ColumnForms += ", a.attidentity";
  if (FInfo.Has(pgcAttGenerated)) ColumnForms += ", a.attgenerated";
  const std::string Class = IntToStr(FInfo.ClassOid);
  std::vector<std::string> SQL = {
      "select a.attrelid, a.attname AS column_name, a.atttypid, a.atttypmod,",
      "pg_catalog.format_type(a.atttypid, null) as data_type,",
  };
  for (std::string& Line : TypeSizeColumns("a.atttypid", "a.atttypmod"))
    SQL.push_back(std::move(Line));
  SQL.insert(
      SQL.end(),
      {
          Default + ", a.attnotnull as is_notnull, d.description" + ColumnForms,
          ", os.relname as ownedseq",
          "from pg_attribute a",
          "join pg_type t on t.oid = a.atttypid",
          "join pg_catalog.pg_class c on c.oid = a.attrelid",
          "join pg_catalog.pg_namespace n on n.oid = c.relnamespace",
          "left join pg_attrdef ad on ad.adrelid = a.attrelid and ad.adnum = a.attnum",
          "left join pg_description d on d.objoid = a.attrelid and d.objsubid = a.attnum",
          std::string(30, ' ') + "and d.classoid = " + Class,
          // The sequence a serial column owns (made with it and dropped with it), found for all
          // columns at once: a sub-select per column cost an index probe of pg_depend for each.
          // A column that owns more than one (OWNED BY can give it more) takes the one the lookup
          // of a single column finds first.
          "left join (select o.refobjid, o.refobjsubid,",
          "           case when o.n > 1 then (select s.relname from pg_catalog.pg_depend dp",
          "             join pg_catalog.pg_class s on s.oid = dp.objid and s.relkind = 'S'",
          "             where dp.classid = " + Class + " and dp.refclassid = " + Class +
              " and dp.refobjid = o.refobjid",
          "             and dp.refobjsubid = o.refobjsubid and dp.deptype in ('a', 'i') limit 1)",
          "           else (select s.relname from pg_catalog.pg_class s where s.oid = o.objid) end"
          " as relname",
          "           from (select dp.refobjid, dp.refobjsubid, count(*) as n, min(dp.objid) as "
          "objid",
          "                 from pg_catalog.pg_depend dp",
          "                 join pg_catalog.pg_class s on s.oid = dp.objid and s.relkind = 'S'",
          "                 where dp.classid = " + Class + " and dp.refclassid = " + Class +
              " and dp.deptype in ('a', 'i')",
          "                 group by dp.refobjid, dp.refobjsubid) o) os",
          "          on os.refobjid = a.attrelid and os.refobjsubid = a.attnum",
          "where c.relkind = '" + std::string(1, RelKind) + "' and a.attnum >= 1",
          "and not a.attisdropped",
      });
  for (const std::string& Line : SchemaConditions("and ", "and ", "n.nspname")) SQL.push_back(Line);
  SQL.emplace_back("order by a.attrelid, a.attnum");
  return SQL;
}

std::vector<std::string> TPGDBExtract::RelationQuery(char RelKind) const {
  const std::string Indent(44, ' ');
  std::vector<std::string> SQL;
  if (RelKind == 'r') {
    const std::string Triggers = FInfo.Has(pgcRelTriggers) ? "c.reltriggers > 0 AS hastriggers"
                                                           : "c.relhastriggers AS hastriggers";
    const std::string Oids = FInfo.Has(pgcRelHasOids) ? "c.relhasoids" : "false AS relhasoids";
    SQL = {
        " SELECT n.nspname AS schemaname, c.relname AS tablename, pg_get_userbyid(c.relowner) AS "
        "tableowner,",
        "        t.spcname AS \"tablespace\", c.relhasindex AS hasindexes, c.relhasrules AS "
        "hasrules,",
        "        " + Triggers + ", c.oid, d.description, " + Oids,
    };
    // Partitioned tables and their partitions (PostgreSQL 10 on) are read to be named and
    // passed over.
    if (FInfo.Has(pgcRelIsPartition)) SQL.emplace_back("        , c.relkind, c.relispartition");
  } else {
    SQL = {
        " SELECT n.nspname AS schemaname, c.relname AS tablename,",
        "        pg_get_userbyid(c.relowner) AS tableowner,",
        "        t.spcname AS \"tablespace\", d.description,",
        "        c.oid,",
    };
    for (std::string& Line : DroppedViewColumns()) SQL.push_back(std::move(Line));
  }
  const std::string Owner = OwnerColumn();
  if (!Owner.empty()) SQL.push_back(Owner);
  SQL.insert(SQL.end(), {
                            "   FROM pg_catalog.pg_class c",
                            "   LEFT JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace",
                            "   LEFT JOIN pg_catalog.pg_tablespace t ON t.oid = c.reltablespace",
                            "   LEFT JOIN pg_catalog.pg_description d ON d.objoid = c.oid",
                            Indent + "and (d.objsubid = 0 or d.objsubid is null)",
                            Indent + "and d.classoid = " + IntToStr(FInfo.ClassOid),
                        });
  if (!Owner.empty()) SQL.push_back(OwnerJoin("c.relowner"));
  if (RelKind == 'r' && FInfo.Has(pgcRelIsPartition))
    SQL.emplace_back("  WHERE c.relkind in ('r', 'p') ");
  else
    SQL.push_back(RelKind == 'r' ? "  WHERE c.relkind = 'r' " : "  WHERE c.relkind = 'v'");
  for (const std::string& Line : SchemaConditions("  AND ", "  AND ", "n.nspname"))
    SQL.push_back(Line);
  return SQL;
}

// ---------------------------------------------------------------------------------------------
// Steps

void TPGDBExtract::ExtractHeader() {
  KeepConnectionOptions();

  TQELQuery& Q = WorkQuery();

  TCatalogRow Row(Q);
  OpenQuery(Q, ProbeQuery());
  FInfo.AuthIdOid = 0;
  FInfo.OwnerFromAuthId = false;
  FInfo.OwnerFromShadow = false;
  FInfo.HasProArgModes = false;
  FInfo.Columns.fill(false);
  for (; !Q.GetEof(); Q.Next()) {
    const int Typ = Row.Int("typ");
    const TField& Oid = Row.Field("oid");
    if (Typ == 7) {
      FInfo.OwnerFromShadow = OidValue(Oid) != 0;
    } else if (Typ == 8) {
      FInfo.HasProArgModes = true;
    } else if (Typ >= FirstColumnRow &&
               Typ < FirstColumnRow + static_cast<int>(PGCatalogColumnCount)) {
      FInfo.Columns[static_cast<std::size_t>(Typ - FirstColumnRow)] = true;
    } else {
      for (const auto& [Row, Field] : OidRows)
        if (Row == Typ) FInfo.*Field = OidValue(Oid);
    }
  }
  CloseQuery(Q);
  FInfo.OwnerFromAuthId = FInfo.AuthIdOid != 0;
  if (FInfo.OwnerFromAuthId) FInfo.OwnerFromShadow = false;
}

void TPGDBExtract::ExtractSch() {
  std::vector<std::string> SQL = {"select ns.nspname, ns, ns.nspowner, d.description"};
  const std::string Owner = OwnerColumn();
  if (!Owner.empty()) SQL.push_back(Owner);
  SQL.emplace_back("from pg_catalog.pg_namespace ns");
  SQL.push_back("left join pg_catalog.pg_description d on d.objoid = ns.oid and d.classoid = " +
                IntToStr(FInfo.NamespaceOid));
  if (!Owner.empty()) SQL.push_back("   " + OwnerJoin("ns.nspowner"));
  for (const std::string& Line : SchemaConditions("where ", "and ", "ns.nspname"))
    SQL.push_back(Line);
  ForEachRow(SQL, [&](TCatalogRow& Row) {
    auto Sch = std::make_unique<TSchData>(GetObjs());
    Sch->SetObjName(Row.Str("nspname"));
    Sch->SetExtra(&TObjExtra::Description, Row.Str("description"));
    if (!Owner.empty()) SetOwnerName(*Sch, Row.Str("rolname"));
    const std::string Name = Sch->GetObjName();
    FileExtracted(std::move(Sch), Name);
  });
}

void TPGDBExtract::ReadRelation(TCatalogRow& Row, TDbObj& Obj) {
  Obj.SetObjName(Row.Str("tablename"));
  SetOwnerName(Obj, OwnerColumn().empty() ? Row.Str("tableowner") : Row.Str("rolname"));
  Obj.SetSchema(Row.Str("schemaname"));
  Obj.SetExtra(&TObjExtra::Description, Row.Str("description"));
}

void TPGDBExtract::ExtractTbl() {
  AddToLog("Extracting tables...");
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  std::vector<TRelationRead> Tables;
  OpenQuery(Q, RelationQuery('r'));
  for (; !Q.GetEof(); Q.Next()) {
    // The object model has no partitioning: a partitioned table read as a plain table, or a
    // partition read as a table of its own, would be made so by a script written from it.
    if (FInfo.Has(pgcRelIsPartition)) {
      const bool Partitioned = Row.Str("relkind") == "p";
      if (Partitioned || Row.Bool("relispartition")) {
        PassOver("Table " + Row.Str("schemaname") + "." + Row.Str("tablename") +
                 (Partitioned ? " is partitioned, passed over." : " is a partition, passed over."));
        NoteNotRead(Partitioned ? "partitioned table" : "partition", Row.Str("schemaname"),
                    Row.Str("tablename"), std::string());
        continue;
      }
    }
    auto Tbl = std::make_unique<TTblData>(GetObjs());
    ReadRelation(Row, *Tbl);
    Tbl->WithOids = Row.Bool("relhasoids");
    TObjVector<TFldData>* Fields = &Tbl->Fields;
    Tables.push_back({Row.LargeInt("oid"), std::move(Tbl), Fields});
  }
  CloseQuery(Q);
  ExtractFields(Q, 'r', Tables);
  AddRelations(Tables);
}

void TPGDBExtract::ExtractViw() {
  AddToLog("Extracting views...");
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  std::vector<TRelationRead> Views;
  std::vector<TDroppedView> Dropped;
  OpenQuery(Q, RelationQuery('v'));
  for (; !Q.GetEof(); Q.Next()) {
    if (Row.IsNull("view_def")) {
      Dropped.push_back(
          {Row.Str("schemaname") + "." + Row.Str("tablename"), Row.Str("dropped_readers")});
      continue;
    }
    auto Viw = std::make_unique<TViwData>(GetObjs());
    ReadRelation(Row, *Viw);
    // The server ends the text with ";", which the view's own statement writes. Its line
    // breaks stay as the server keeps them, as a script's do.
    std::string Body = Trim(Row.Str("view_def"));
    if (!Body.empty() && Body.back() == ';') Body.pop_back();
    Viw->SetBody(Body);
    TObjVector<TFldData>* Fields = &Viw->Fields;
    Views.push_back({Row.LargeInt("oid"), std::move(Viw), Fields});
  }
  CloseQuery(Q);
  PassOverDroppedViews(Dropped, Views);
  ExtractFields(Q, 'v', Views);
  AddRelations(Views);
}

std::vector<std::string> TPGDBExtract::DroppedViewColumns() {
  // pg_get_viewdef reads the view's rule in the snapshot but opens the view and names what it
  // reads through the server's current catalog: a view another session dropped after the
  // snapshot began fails the whole query with "could not open relation with OID n", and under
  // a steady create and drop every reading could meet one. pg_table_is_visible looks the oid up
  // in the current catalog and gives null once it is gone, so such a view reads as a null text
  // instead, with the views of the snapshot that read it (they went with it, or the drop would
  // have been refused).
  return {
      "        case when pg_catalog.pg_table_is_visible(c.oid) is not null",
      "             then pg_catalog.pg_get_viewdef(c.oid) end as view_def,",
      "        case when pg_catalog.pg_table_is_visible(c.oid) is null then",
      "          pg_catalog.array_to_string(array(select distinct rv.ev_class",
      "           from pg_catalog.pg_depend dv",
      "           join pg_catalog.pg_rewrite rv on rv.oid = dv.objid",
      "           where dv.classid = 'pg_catalog.pg_rewrite'::pg_catalog.regclass",
      "           and dv.refobjid = c.oid and rv.ev_class <> c.oid), ',') end as dropped_readers",
  };
}

void TPGDBExtract::PassOverDroppedViews(const std::vector<TDroppedView>& Dropped,
                                        const std::vector<TRelationRead>& Views) {
  if (Dropped.empty()) return;
  std::unordered_map<std::int64_t, const TDbObj*> Kept;
  for (const TRelationRead& V : Views) Kept.emplace(V.Oid, V.Obj.get());
  for (const TDroppedView& D : Dropped) {
    // A view that reads the dropped one went with it; read while it still stood, it would be
    // written without what it reads. The snapshot is no longer one state: read it all again.
    for (std::size_t From = 0; From < D.Readers.size();) {
      std::size_t To = D.Readers.find(',', From);
      if (To == std::string::npos) To = D.Readers.size();
      const std::string Reader = D.Readers.substr(From, To - From);
      From = To + 1;
      if (const auto It = Kept.find(StrToInt64Def(Reader, 0)); It != Kept.end())
        throw EDatabaseError("View " + D.Name + ", read by view " + It->second->GetSchema() + "." +
                             It->second->GetObjName() + ", " + std::string(DroppedMeanwhile) + ".");
    }
    // The database the script describes has it no more: what the snapshot held of it is
    // passed over, and everything else is read as the snapshot holds it.
    const std::string Text =
        "View " + D.Name + " passed over: it " + std::string(DroppedMeanwhile) + ".";
    AddToLog(Text);
    GetMsgManager()->AddMsg(Text, mt_Wrn, nullptr);
  }
}

void TPGDBExtract::ExtractViwDepend() {
  TObjs* O = GetObjs();
  if (!O || O->Views.Empty()) return;
  AddToLog("Extracting what views read...");
  std::vector<std::string> SQL = {
      "select distinct v.relname as view_name, rc.relname as rel_name,",
      "a.attname as column_name, p.proname as proc_name, pn.nspname as proc_schema",
      "from pg_catalog.pg_depend d",
      "join pg_catalog.pg_rewrite r on r.oid = d.objid",
      "join pg_catalog.pg_class v on v.oid = r.ev_class",
      "join pg_catalog.pg_namespace n on n.oid = v.relnamespace",
      "left join pg_catalog.pg_class rc on d.refclassid = " + IntToStr(FInfo.ClassOid) +
          " and rc.oid = d.refobjid",
      "left join pg_catalog.pg_attribute a on a.attrelid = rc.oid and a.attnum = d.refobjsubid",
      "left join pg_catalog.pg_proc p on d.refclassid = " + IntToStr(FInfo.ProcOid) +
          " and p.oid = d.refobjid",
      "left join pg_catalog.pg_namespace pn on pn.oid = p.pronamespace",
      "where d.classid = 'pg_catalog.pg_rewrite'::pg_catalog.regclass and d.deptype = 'n'",
      "and v.relkind = 'v' and d.refobjid <> v.oid and (rc.oid is not null or p.oid is not null)",
  };
  for (const std::string& Line : SchemaConditions("and ", "and ", "n.nspname")) SQL.push_back(Line);
  SQL.emplace_back("order by 1, 2, 3, 4");

  // Functions are filed under their argument types; the catalog names them by name, so a view
  // is linked to every overload of a name it calls.
  std::unordered_multimap<std::string, TDbObj*> Routines;
  for (int I = 0; I < O->Procedures.Count(); ++I)
    if (TDbObj* Prc = O->Procedures.Objects(I))
      Routines.emplace(Prc->GetSchema() + "." + Prc->GetObjName(), Prc);

  TQELQuery& Q = WorkQuery();

  TCatalogRow Row(Q);
  OpenQuery(Q, SQL);
  for (; !Q.GetEof(); Q.Next()) {
    TViwData* V = O->GetView(Row.Str("view_name"));
    if (!V) continue;
    const std::string Rel = Row.Str("rel_name");
    if (!Rel.empty()) {
      TDbObj* R = O->GetTable(Rel);
      if (!R) R = O->GetView(Rel);
      if (!R || R == V) continue;
      O->LinkDepend(V, R, "", 0, 0);
      if (const std::string Column = Row.Str("column_name"); !Column.empty())
        O->LinkDepend(V, R, Column, 0, 0);
      continue;
    }
    const auto [First, Last] =
        Routines.equal_range(Row.Str("proc_schema") + "." + Row.Str("proc_name"));
    for (auto It = First; It != Last; ++It) O->LinkDepend(V, It->second, "", 0, 0);
  }
  CloseQuery(Q);
}

namespace {

/// The objects of List that belong to table Schema.Name (by TableOf), unlinked and freed.
template <class T>
void DeleteParts(TObjs& O, TDbObjList& List, const std::string& Schema, const std::string& Name,
                 const std::string& (*TableOf)(const T&)) {
  for (int I = List.Count() - 1; I >= 0; --I) {
    const auto* Part = dynamic_cast<const T*>(List.Objects(I));
    if (!Part || TableOf(*Part) != Name || Part->GetSchema() != Schema) continue;
    O.RemoveDepend(List.Objects(I));
    List.Delete(I);
  }
}

const std::string& IndexTable(const TIdxData& Idx) {
  return Idx.TableName;
}
const std::string& ConstraintTable(const TCtrData& Ctr) {
  return Ctr.GetTblName();
}
const std::string& TriggerTable(const TTrgData& Trg) {
  return Trg.OwnName;
}

}  // namespace

void TPGDBExtract::PassOverDroppedTables() {
  TObjs* O = GetObjs();
  if (!O || O->Tables.Empty()) return;
  // One look at the current catalog after everything else was read: a table of the snapshot
  // that is gone now may have had parts read through the current catalog (checks, triggers,
  // the sequences its defaults name) after it went, so it is passed over whole, as one the
  // database the script describes no longer holds.
  std::vector<std::string> SQL = {
      "select n.nspname, c.relname from pg_catalog.pg_class c",
      "join pg_catalog.pg_namespace n on n.oid = c.relnamespace",
      "where c.relkind = 'r' and pg_catalog.pg_table_is_visible(c.oid) is null",
  };
  for (const std::string& Line : SchemaConditions("and ", "and ", "n.nspname")) SQL.push_back(Line);
  std::vector<TTblData*> Dropped;
  ForEachRow(SQL, [&](TCatalogRow& Row) {
    TTblData* T = O->GetTable(Row.Str("relname"));
    if (T && T->GetSchema() == Row.Str("nspname")) Dropped.push_back(T);
  });
  auto IsDropped = [&Dropped](const std::string& Schema, const std::string& Name) {
    for (const TTblData* T : Dropped)
      if (T->GetObjName() == Name && T->GetSchema() == Schema) return true;
    return false;
  };
  for (TTblData* T : Dropped) {
    const std::string Schema = T->GetSchema(), Name = T->GetObjName();
    const std::string Full = Schema + "." + Name;
    // What stays and uses the table (a view read before it went, a foreign key of another
    // table) went with it or changed: the snapshot is no longer one state: read it all again.
    // A table that references it and went too is passed over with it.
    for (int I = 0; I < T->UseIn.Count(); ++I)
      if (const TDependObj* D = T->UseIn[I];
          D && D->DepObj && O->Views.IndexOfObject(D->DepObj) >= 0)
        throw EDatabaseError("Table " + Full + ", read by view " + D->DepObj->GetObjName() + ", " +
                             std::string(DroppedMeanwhile) + ".");
    for (int I = 0; I < O->Constraints.Count(); ++I) {
      const auto* Ctr = dynamic_cast<const TCtrData*>(O->Constraints.Objects(I));
      if (Ctr && Ctr->GetCtType() == ctFKey && Ctr->GetRefTblName() == Name &&
          Ctr->GetRefSchema() == Schema && Ctr->GetTblName() != Name &&
          !IsDropped(Ctr->GetSchema(), Ctr->GetTblName()))
        throw EDatabaseError("Table " + Full + ", referenced by table " + Ctr->GetTblName() + ", " +
                             std::string(DroppedMeanwhile) + ".");
    }
  }
  // Their parts first: a foreign key of one to another goes before the table it names.
  for (TTblData* T : Dropped) {
    const std::string Schema = T->GetSchema(), Name = T->GetObjName();
    DeleteParts<TIdxData>(*O, O->Indexes, Schema, Name, IndexTable);
    DeleteParts<TCtrData>(*O, O->Constraints, Schema, Name, ConstraintTable);
    DeleteParts<TTrgData>(*O, O->Triggers, Schema, Name, TriggerTable);
  }
  for (TTblData* T : Dropped) {
    const std::string Full = T->GetSchema() + "." + T->GetObjName();
    O->RemoveDepend(T);
    O->Tables.Delete(O->Tables.IndexOfObject(T));
    const std::string Text =
        "Table " + Full + " passed over: it " + std::string(DroppedMeanwhile) + ".";
    AddToLog(Text);
    GetMsgManager()->AddMsg(Text, mt_Wrn, nullptr);
  }
}

void TPGDBExtract::NameSequencesNotRead() {
  TObjs* O = GetObjs();
  if (!O) return;
  // Sequences are read only as the serial columns that own them. Any other (a sequence of its
  // own, one a column default draws on without owning it) would be missing from a script
  // written from this reading, and a default that names it would not load: each is named.
  // An identity column's sequence goes with the column's own message.
  const std::string Class = IntToStr(FInfo.ClassOid);
  std::vector<std::string> SQL = {
      "select n.nspname, s.relname, o.deptype, ot.relname as owntable, oa.attname as owncolumn",
      "from pg_catalog.pg_class s",
      "join pg_catalog.pg_namespace n on n.oid = s.relnamespace",
      "left join pg_catalog.pg_depend o on o.classid = " + Class + " and o.objid = s.oid",
      "     and o.refclassid = " + Class + " and o.deptype in ('a', 'i')",
      "left join pg_catalog.pg_class ot on ot.oid = o.refobjid",
      "left join pg_catalog.pg_attribute oa on oa.attrelid = o.refobjid and oa.attnum = "
      "o.refobjsubid",
      "where s.relkind = 'S'",
  };
  for (const std::string& Line : SchemaConditions("and ", "and ", "n.nspname")) SQL.push_back(Line);
  SQL.push_back("and not exists (select 1 from pg_catalog.pg_depend x where x.classid = " + Class +
                " and x.objid = s.oid and x.deptype = 'e')");
  SQL.emplace_back("order by n.nspname, s.relname");
  ForEachRow(SQL, [&](TCatalogRow& Row) {
    if (Row.Str("deptype") == "i") return;
    const std::string Schema = Row.Str("nspname"), Name = Row.Str("relname");
    const std::string Table = Row.Str("owntable");
    // A sequence goes with its table when the name filters keep the table out.
    if (!AcceptObj(Table.empty() ? Name : Table, Table.empty() ? dboGenerator : dboTable)) return;
    if (const TTblData* T = Table.empty() ? nullptr : O->GetTable(Table);
        T && T->GetSchema() == Schema)
      if (const TFldData* F = T->Fields.Find(Row.Str("owncolumn")); F && IsSerial(*F)) return;
    const std::string Text = "Sequence " + Schema + "." + Name +
                             " passed over: a sequence is read only as the serial column that "
                             "owns it.";
    AddToLog(Text);
    GetMsgManager()->AddMsg(Text, mt_Wrn, nullptr);
  });
}

namespace {

/// A view's text as the catalog step keeps it: trimmed, without the server's closing ";".
std::string ViewTextOf(const std::string& Def) {
  std::string Body = Trim(Def);
  if (!Body.empty() && Body.back() == ';') Body.pop_back();
  return Body;
}

bool SameColumnNames(const TViwData& A, const TViwData& B) {
  if (A.Fields.Count() != B.Fields.Count()) return false;
  for (int I = 0; I < A.Fields.Count(); ++I)
    if (A.Fields[I]->GetObjName() != B.Fields[I]->GetObjName()) return false;
  return true;
}

}  // namespace

void TPGDBExtract::MatchServerForms(TCustomObjs& Other) {
  // A script may hold the server's own text (a dump's); its view still differs from the
  // catalog's, which lists its columns: it is matched the same way.
  auto Differ = [](const TViwData& V, const TViwData& W) {
    return W.Extra().Body != V.Extra().Body || W.CompareDef() != V.CompareDef();
  };
  ProbeViews(Other, Differ, [this](TQELQuery& Q, TViwData& V, TViwData& W) {
    TCatalogRow Row(Q);
    std::string Columns;
    for (const auto& F : W.Fields)
      Columns += (Columns.empty() ? "(" : ", ") + PGSQLQuoteIdent(F->GetObjName());
    if (!Columns.empty()) Columns += ")";
    Q.SetSQLText("create temporary view qel_view_probe" + Columns + " as " + W.Extra().Body);
    Q.ExecSQL();
    std::string Rendered;
    OpenQuery(Q, {"select pg_catalog.pg_get_viewdef('pg_temp.qel_view_probe'::"
                  "pg_catalog.regclass) as view_def"});
    if (!Q.GetEof()) Rendered = ViewTextOf(Row.Str("view_def"));
    CloseQuery(Q);
    Q.SetSQLText("drop view pg_temp.qel_view_probe");
    Q.ExecSQL();
    if (Rendered != V.Extra().Body) return;
    if (!W.Fields.Empty() && !SameColumnNames(V, W)) return;
    // Compared as the catalog's view; created, should it have to be, from the script's text.
    W.ServerDef = V.Def();
  });
  MatchOperatorOptions(Other);
  MatchServerSpellings(Other);
}

void TPGDBExtract::AddRelations(std::vector<TRelationRead>& Relations) {
  for (TRelationRead& R : Relations) {
    const std::string Name = R.Obj->GetObjName();
    FileExtracted(std::move(R.Obj), Name);
    // Cancelled: the relations not yet added are freed with the list.
    if (TerminateRunning.load()) break;
  }
}

TPGDBExtract::TColumnFields::TColumnFields(TQELQuery& Query)
    : Rel(Query.FieldByName("attrelid")),
      Name(Query.FieldByName("column_name")),
      Descr(Query.FieldByName("description")),
      DataType(Query.FieldByName("data_type")),
      CharLength(Query.FieldByName("char_length")),
      Prec(Query.FieldByName("prec")),
      Scale(Query.FieldByName("scale")),
      TypMod(Query.FindField("atttypmod")) {}

TFldData& TPGDBExtract::AddColumn(const TColumnFields& Fields, const TRelationRead& Relation) {
  TObjVector<TFldData>& List = *Relation.Fields;
  auto Fld = std::make_unique<TFldData>(GetObjs());
  Fld->TableName = Relation.Obj->GetObjName();
  Fld->OwnerObj = Relation.Obj.get();
  Fld->SetObjName(Fields.Name->AsString());
  Fld->SetExtra(&TObjExtra::Description, Fields.Descr->AsString());
  ColumnType(*Fld, Fields.DataType->AsString(), Fields.CharLength->AsInteger(),
             Fields.Prec->AsInteger(), Fields.Scale->AsInteger(),
             Fields.TypMod ? Fields.TypMod->AsInteger() : -1);
  Fld->Position = List.Count() + 1;
  return *List.Add(std::move(Fld));
}

void TPGDBExtract::ExtractFields(TQELQuery& Query, char RelKind,
                                 std::vector<TRelationRead>& Relations) {
  if (Relations.empty()) return;
  std::unordered_map<std::int64_t, const TRelationRead*> ByOid;
  ByOid.reserve(Relations.size());
  for (const TRelationRead& R : Relations) ByOid.emplace(R.Oid, &R);
  OpenQuery(Query, ColumnQuery(RelKind));
  const TColumnFields Columns(Query);
  TField* NotNull = Query.FieldByName("is_notnull");
  TField* Default = Query.FieldByName("adsrc");
  TField* Identity = FInfo.Has(pgcAttIdentity) ? Query.FieldByName("attidentity") : nullptr;
  TField* Generated = FInfo.Has(pgcAttGenerated) ? Query.FieldByName("attgenerated") : nullptr;
  TField* OwnedSeq = Query.FieldByName("ownedseq");
  for (; !Query.GetEof(); Query.Next()) {
    // A relation made after the relation query was read has no object: its columns are passed.
    const auto It = ByOid.find(Columns.Rel->AsLargeInt());
    if (It == ByOid.end()) continue;
    TFldData& Fld = AddColumn(Columns, *It->second);
    Fld.Nullable = !NotNull->AsBoolean();
    Fld.DefValue = Trim(Default->AsString());
    Fld.DefValue = PGReplaceDefault(Fld.GetDefValue());
    // The column's full name is made only for a message: most columns need none.
    auto Column = [&Fld] { return Fld.TableName + "." + Fld.GetObjName(); };
    if (Identity && !Identity->AsString().empty()) {
      PassOver("Column " + Column() + " is an identity column, read without its identity.");
    }
    if (Generated && !Generated->AsString().empty()) {
      // pg_attrdef holds the generation expression, which is no default of the column.
      Fld.DefValue.clear();
      PassOver("Column " + Column() + " is a generated column, read without its expression.");
    }
    if (!CheckSerial(Fld, OwnedSeq->AsString()))
      PassOver("Column " + Column() + " takes its values from sequence " +
               NextvalSequence(Fld.GetDefValue()) +
               ", which is not read; the column keeps its default.");
  }
  CloseQuery(Query);
}

// ---------------------------------------------------------------------------------------------
// Column types

void TPGDBExtract::ColumnType(TFldData& Fld, const std::string& TypeName, std::int32_t CharLength,
                              std::int32_t Precision, std::int32_t Scale, std::int32_t TypMod) {
  std::string Name = TypeName;
  Fld.SetExtra(&TFldExtra::ArrayBounds, TArrayBounds());
  if (const std::size_t At = Name.find("[]"); At != std::string::npos) {
    for (std::size_t P = At; (P = Name.find("[]", P)) != std::string::npos; P += 2)
      Fld.EditExtra().ArrayBounds.push_back(TArrayBound{1, 0});
    Name.resize(At);
  }

  TDBFieldType Type = iftDomain;
  for (const auto& [PGName, T] : TypeNames) {
    if (PGName == Name) {
      Type = T;
      break;
    }
  }
  // bpchar without a length holds strings of any length, which no character(n) spells (a bare
  // character is character(1)): the column keeps the type's own name, as a script's does.
  const bool Unbounded = Type == iftChar && Name != "char" && CharLength <= 0 && TypMod < 0;
  if (Unbounded) {
    Type = iftDomain;
    Name = "bpchar";
  }
  Fld.FieldType = Type;
  if (Type == iftDomain) {
    // The server quotes the parts that need it (s."x.y"); the model holds them bare, the
    // schema's dot the only one outside a name.
    std::string Bare;
    bool Quoted = false;
    for (std::size_t I = 0; I < Name.size(); ++I) {
      if (Name[I] != '"')
        Bare += Name[I];
      else if (Quoted && I + 1 < Name.size() && Name[I + 1] == '"')
        Bare += Name[++I];
      else
        Quoted = !Quoted;
    }
    // A quote left open was no quoting: the name is taken as it stands.
    Fld.SetExtra(&TFldExtra::DomainName, Quoted ? Name : Bare);
  }
  // The information_schema helpers read the modifier of scalar types only; that of an array
  // column belongs to its element (varchar(10)[] has the modifier of varchar(10)).
  if (!Fld.Extra().ArrayBounds.empty() && TypMod >= 0)
    ElementModifier(Type, TypMod, CharLength, Precision, Scale);
  if (PGTypeTakesLength(Type)) Fld.Size = CharLength;
  if (Type == iftNumeric || Type == iftDecimal) {
    Fld.Precision = Precision;
    Fld.Scale = Scale;
  }
  if (PGTypeTakesSecondsPrecision(Type)) Fld.Precision = SecondsPrecision(Type, TypMod);
}

std::string TPGDBExtract::NextvalSequence(const std::string& Default) {
  if (UpperCase(Default.substr(0, 7)) != "NEXTVAL") return std::string();
  const std::size_t Open = Default.find('\'');
  const std::size_t Close = Default.rfind('\'');
  if (Open == std::string::npos || Close <= Open) return std::string();
  // The literal holds a (possibly schema-qualified, possibly quoted) name; its last part is the
  // sequence.
  const std::string Text = Default.substr(Open + 1, Close - Open - 1);
  std::string Part;
  bool Quoted = false;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    const char C = Text[I];
    if (C == '"') {
      if (Quoted && I + 1 < Text.size() && Text[I + 1] == '"') {
        Part += '"';
        ++I;
      } else {
        Quoted = !Quoted;
      }
    } else if (C == '.' && !Quoted) {
      Part.clear();
    } else {
      Part += C;
    }
  }
  return Part;
}

bool TPGDBExtract::IsSerial(const TFldData& Fld) {
  return Fld.FieldType == iftSerial || Fld.FieldType == iftBigSerial ||
         (Fld.FieldType == iftSmallInt && Fld.AutoIncrement);
}

bool TPGDBExtract::CheckSerial(TFldData& Fld, const std::string& OwnedSequence) {
  if (Fld.FieldType != iftInteger && Fld.FieldType != iftBigInt && Fld.FieldType != iftSmallInt)
    return true;
  if (!Fld.Extra().ArrayBounds.empty()) return true;
  const std::string Sequence = NextvalSequence(Fld.GetDefValue());
  if (Sequence.empty()) return true;
  const bool Owned = !OwnedSequence.empty() && Sequence == OwnedSequence;
  if (Fld.FieldType == iftSmallInt) {
    if (!Owned) return true;   // kept as it stands, as before smallserial was known
    Fld.AutoIncrement = true;  // smallserial
  } else {
    if (!Owned) return false;
    Fld.FieldType = Fld.FieldType == iftInteger ? iftSerial : iftBigSerial;
  }
  Fld.DefValue.clear();
  return true;
}

}  // namespace qel
