// The SQL Server catalog extractor: the shared Transact-SQL column types and bound objects, the
// step list and the queries of the sys catalog views. Detail rows (columns, key and index
// columns, foreign-key columns) are read with one query for the whole database each, ordered by
// object, and handed out by object id: the number of queries does not grow with the schema.
#include "qelMSSQLDatabaseExtract.h"

#include <unordered_map>

#include "Text.h"
#include "qelComp_Ctr.h"
#include "qelComp_Def.h"
#include "qelComp_Dmn.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Rul.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelMSSQLParser.h"
#include "qelMsg.h"

namespace qel {

namespace {

/// The description join of an object (Minor "0") or of one of its columns.
std::string DescriptionJoin(const std::string& Major, const std::string& Minor) {
  return "left join sys.extended_properties ep on ep.class = 1 and ep.major_id = " + Major +
         " and ep.minor_id = " + Minor + " and ep.name = 'MS_Description'";
}

/// The schema of a user type as scripts name it: none for dbo, where the type is found by its
/// name alone.
std::string TypeSchema(const std::string& Schema) {
  return SameText(Schema, "dbo") ? std::string() : Schema;
}

const char* const kDescriptionColumn = "cast(ep.value as nvarchar(4000)) description";

TUDAction MSSQLAction(std::int32_t Code) {
  switch (Code) {
    case 1:
      return udaCascade;
    case 2:
      return udaNull;
    case 3:
      return udaDefault;
    default:
      return udaNoAction;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// What SQL Server and ASE share

TMSSQLCustomDBExtract::TMSSQLCustomDBExtract(TComponent* AOwner) : TCustomDBExtract(AOwner) {}

TMSSQLCustomDBExtract::~TMSSQLCustomDBExtract() = default;

void TMSSQLCustomDBExtract::ColumnType(TFldData& Fld, const std::string& TypeName,
                                       std::int32_t Length, std::int32_t Prec, std::int32_t Scale,
                                       bool Nullable) {
  // Type names of sys.types and of ASE's systypes, in lower case.
  const std::string Name = LowerCase(Trim(TypeName));
  const TDBFieldType T = Name == "xml" ? iftXml : TransactSQLCatalogType(Name);
  Fld.Nullable = Nullable;
  if (T == iftUnknown) {
    if (TObjs* Objs = GetObjs(); Objs && Objs->GetDomain(Trim(TypeName))) {
      Fld.FieldType = iftDomain;
      Fld.SetExtra(&TFldExtra::DomainName, Trim(TypeName));
    } else {
      DoErrorMessage("Unknown datatype: " + Name);
    }
    return;
  }
  Fld.FieldType = T;
  switch (T) {
    case iftNChar:
    case iftNVarChar:
      // SQL Server counts national characters in bytes, two each; ASE in characters.
      Fld.Size = Length < 0 ? -1 : (DatabaseType == dbMSSQL ? Length / 2 : Length);
      break;
    case iftVarchar:
    case iftChar:
    case iftBinary:
    case iftVarBinary:
      Fld.Size = Length < 0 ? -1 : Length;
      break;
    case iftNumeric:
    case iftDecimal:
      Fld.Precision = Prec;
      Fld.Scale = Scale;
      break;
    case iftFloat:
      // float(53) is what a bare "float" gives: the default is not written back.
      if (DatabaseType == dbMSSQL && Prec != 53) Fld.Precision = Prec;
      break;
    default:
      break;
  }
}

std::string TMSSQLCustomDBExtract::BoundExpression(const std::string& Text) {
  // The first AS that stands as a word ends the head ("create default d as 0").
  const std::string Up = UpperCase(Text);
  auto IsWordChar = [](char C) {
    return (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') || C == '_' || C == '@' || C == '#' ||
           C == '$' || C == ']' || C == '"' || C == '[';
  };
  for (std::size_t I = Up.find("AS"); I != std::string::npos; I = Up.find("AS", I + 1)) {
    const bool Before = I > 0 && IsWordChar(Up[I - 1]);
    const bool After = I + 2 < Up.size() && IsWordChar(Up[I + 2]);
    if (!Before && !After) return Trim(Text.substr(I + 2));
  }
  return "";
}

void TMSSQLCustomDBExtract::ParseObjText(TCustomParser& Parser, TDbObj& Obj) {
  if (Obj.Extra().FullText.empty()) return;
  ParseWith<TTransactSQLParser>(Parser, Obj);
}

std::vector<TDbObjList TObjs::*> TMSSQLCustomDBExtract::BodyLists() const {
  return {&TObjs::Views, &TObjs::Procedures, &TObjs::Triggers};
}

void TMSSQLCustomDBExtract::AddBoundObject(bool Rule, const std::string& Name,
                                           const std::string& Text) {
  TObjs* Objs = GetObjs();
  // The server keeps the CREATE text as written; the writer needs the expression alone.
  std::unique_ptr<TDbObj> Obj;
  if (Rule) {
    auto R = std::make_unique<TRulData>(Objs);
    R->Expression = BoundExpression(Text);
    Obj = std::move(R);
  } else {
    auto D = std::make_unique<TDefData>(Objs);
    D->Expression = BoundExpression(Text);
    Obj = std::move(D);
  }
  Obj->SetObjName(Name);
  Obj->SetExtra(&TObjExtra::FullText, Trim(Text));
  FileExtracted(std::move(Obj));
}

std::string TMSSQLCustomDBExtract::BaseTypeText(const std::string& BaseName, const TFldData& Fld) {
  std::string R = LowerCase(Trim(BaseName));
  switch (Fld.FieldType) {
    case iftVarchar:
    case iftChar:
    case iftBinary:
    case iftVarBinary:
    case iftNChar:
    case iftNVarChar:
      R.append(Fld.Size < 0 ? std::string("(max)")
                            : std::string("(").append(std::to_string(Fld.Size)).append(")"));
      break;
    case iftNumeric:
    case iftDecimal:
      R.append("(")
          .append(std::to_string(Fld.Precision))
          .append(",")
          .append(std::to_string(Fld.Scale))
          .append(")");
      break;
    default:
      break;
  }
  return R;
}

std::string TMSSQLCustomDBExtract::Fold(const std::string& Name) const {
  const TObjs* Objs = GetObjs();
  const bool Folds = Objs && Objs->GetDatabaseType() == dbMSSQL &&
                     !Objs->MSSQLServerOptions.GetMSSQLCompareOptions().CaseSensitiveIdentifiers;
  return Folds ? UpperCase(Name) : Name;
}

void TMSSQLCustomDBExtract::KeyColumns(TCtrData& Ctr, const TIndexColumnList& Cols) {
  for (const TIndexColumn& C : Cols)
    if (!C.Included) Ctr.FldList.Add(Fold(C.Name));
}

void TMSSQLCustomDBExtract::IndexColumns(TIdxData& Idx, const TIndexColumnList& Cols) {
  for (const TIndexColumn& C : Cols)
    if (C.Included)
      Idx.EditExtra().IncludeFlds.Add(Fold(C.Name));
    else
      Idx.AddFld(Fold(C.Name), C.Descending ? 2 : 0);
}

std::vector<TDBExtractStep> TMSSQLCustomDBExtract::ExtractSteps() {
  FIndexColumns.clear();
  FIndexColumnsRead = false;
  std::vector<TDBExtractStep> Steps = {
      {0, false, coDomain, "ExtractHeader", [this] { ExtractHeader(); }},
      {0, true, coRule, "ExtractRul", [this] { ExtractRul(); }},
      {0, true, coDefault, "ExtractDef", [this] { ExtractDef(); }},
      {0, true, coDomain, "ExtractTyp", [this] { ExtractTyp(); }},
  };
  for (TDBExtractStep& Step : CoreSteps(this)) Steps.push_back(std::move(Step));
  return Steps;
}

const TMSSQLCustomDBExtract::TIndexColumns& TMSSQLCustomDBExtract::IndexColumnList() {
  if (!FIndexColumnsRead) {
    ReadIndexColumns(FIndexColumns);
    FIndexColumnsRead = true;
  }
  return FIndexColumns;
}

TTblData& TMSSQLCustomDBExtract::TTableSet::Add(TObjs* Objs, std::int32_t Id,
                                                const std::string& Name) {
  auto Tbl = std::make_unique<TTblData>(Objs);
  Tbl->SetObjName(Name);
  FById[Id] = Tbl.get();
  FTables.push_back(std::move(Tbl));
  return *FTables.back();
}

TTblData* TMSSQLCustomDBExtract::TTableSet::Find(std::int32_t Id) const {
  auto It = FById.find(Id);
  return It == FById.end() ? nullptr : It->second;
}

void TMSSQLCustomDBExtract::TTableSet::File(TMSSQLCustomDBExtract& Extract) {
  FById.clear();
  for (auto& Tbl : FTables) {
    Extract.FileExtracted(std::move(Tbl));
    if (TerminateRunning.load()) break;
  }
  FTables.clear();
}

std::unique_ptr<TFldData> TMSSQLCustomDBExtract::NewColumn(TTblData& Tbl, const std::string& Name) {
  auto Fld = std::make_unique<TFldData>(GetObjs());
  Fld->TableName = Tbl.GetObjName();
  Fld->OwnerObj = &Tbl;
  Fld->SetObjName(Name);
  return Fld;
}

void TMSSQLCustomDBExtract::AddColumn(TTblData& Tbl, std::unique_ptr<TFldData> Fld) {
  Fld->Position = Tbl.Fields.Count() + 1;
  Tbl.Fields.Add(std::move(Fld));
}

void TMSSQLCustomDBExtract::AddUserType(std::unique_ptr<TDmnData> Dmn, const std::string& BaseName,
                                        std::int32_t Length, std::int32_t Prec, std::int32_t Scale,
                                        bool Nullable) {
  if (!Dmn->TypeField) Dmn->TypeField = std::make_unique<TFldData>(GetObjs());
  TFldData& F = *Dmn->TypeField;
  F.OwnerObj = Dmn.get();
  ColumnType(F, BaseName, Length, Prec, Scale, Nullable);
  Dmn->BaseTypeName = BaseTypeText(BaseName, F);
  FileExtracted(std::move(Dmn));
}

void TMSSQLCustomDBExtract::AddKey(std::unique_ptr<TCtrData> Ctr, std::int32_t ObjectId,
                                   std::int32_t IndexId) {
  const TIndexColumns& Cols = IndexColumnList();
  if (auto It = Cols.find({ObjectId, IndexId}); It != Cols.end()) KeyColumns(*Ctr, It->second);
  AddConstraint(std::move(Ctr));
}

void TMSSQLCustomDBExtract::AddConstraint(std::unique_ptr<TCtrData> Ctr) {
  CheckSysName(*Ctr);
  FileExtracted(std::move(Ctr));
}

void TMSSQLCustomDBExtract::ExtractDef() {
  AddToLog("Extracting defaults...");
  ExtractBound("D");
}

void TMSSQLCustomDBExtract::ExtractRul() {
  AddToLog("Extracting rules...");
  ExtractBound("R");
}

void TMSSQLCustomDBExtract::Extract_PK() {
  AddToLog("Extracting primary keys...");
  ExtractKeys(true);
}

void TMSSQLCustomDBExtract::ExtractUnq() {
  AddToLog("Extracting unique constraints...");
  ExtractKeys(false);
}

// ---------------------------------------------------------------------------------------------
// SQL Server

TMSSQLDBExtract::TMSSQLDBExtract(TComponent* AOwner) : TMSSQLCustomDBExtract(AOwner) {
  DatabaseType = dbMSSQL;
}

TMSSQLDBExtract::~TMSSQLDBExtract() = default;

bool TMSSQLDBExtract::BuiltInSchema(const std::string& Name, std::int32_t PrincipalId) {
  const std::string L = LowerCase(Name);
  return L == "dbo" || L == "guest" || L == "information_schema" || L == "sys" ||
         PrincipalId >= 16384;
}

std::vector<TDBExtractStep> TMSSQLDBExtract::ExtractSteps() {
  std::vector<TDBExtractStep> Steps = TMSSQLCustomDBExtract::ExtractSteps();
  // The schemas come right after the header: every object read later names one.
  Steps.insert(Steps.begin() + 1, {0, false, coDomain, "ExtractSch", [this] { ExtractSch(); }});
  Steps.push_back({11, true, coCtrDefault, "ExtractCdf", [this] { ExtractCdf(); }});
  return Steps;
}

std::unique_ptr<TCustomParser> TMSSQLDBExtract::CreateBodyParser() {
  return MakeBodyParser<TMSSQLParser>();
}

void TMSSQLDBExtract::CheckSysName(TCtrData& Ctr) {
  Ctr.MSSQLCheckSysName();
}

void TMSSQLDBExtract::ExtractHeader() {
  TObjs* Objs = GetObjs();
  if (!Objs) return;
  KeepConnectionOptions();
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(Q, {"select d.collation_name, d.compatibility_level,",
                "d.is_recursive_triggers_on, d.is_quoted_identifier_on", "from sys.databases d",
                "where d.database_id = db_id()"});
  TMSSQLDatabaseOptions& Opt = Objs->MSSQLServerOptions.GetMSSQLDatabaseOptions();
  Opt.Clear();
  if (!Q.GetEof()) {
    Opt.DatabaseCollation = Row.Str("collation_name");
    Opt.CompatibilityLevel = Row.Int("compatibility_level");
    Opt.RecursiveTriggers = Row.Bool("is_recursive_triggers_on");
    Opt.QuotedIdentifier = Row.Bool("is_quoted_identifier_on");
  }
  CloseQuery(Q);
}

void TMSSQLDBExtract::ExtractSch() {
  AddToLog("Extracting schemas...");
  ForEachRow(
      {"select s.schema_id, s.name, s.principal_id, p.name owner_name", "from sys.schemas s",
       "left join sys.database_principals p on p.principal_id = s.principal_id", "order by s.name"},
      [&](TCatalogRow& Row) {
        auto Sch = std::make_unique<TSchData>(GetObjs());
        const std::string Name = Row.Str("name");
        Sch->SetObjName(Name);
        Sch->SchemaOwner = Fold(Row.Str("owner_name"));
        // The writer passes over a schema whose alternate name is its own name.
        if (BuiltInSchema(Name, Row.Int("principal_id")))
          Sch->SetExtra(&TObjExtra::AltName, Sch->GetObjName());
        FileExtracted(std::move(Sch));
      });
}

void TMSSQLDBExtract::ExtractTyp() {
  AddToLog("Extracting user datatypes...");
  // Table types (system type 243) are types of parameters, not of columns.
  TObjs* Objs = GetObjs();
  ForEachRow({"select t.name, schema_name(t.schema_id) schema_name, b.name base_name,",
              "t.max_length, t.precision, t.scale, t.is_nullable", "from sys.types t",
              "join sys.types b on b.user_type_id = t.system_type_id",
              "where t.is_user_defined = 1 and t.is_assembly_type = 0 and t.system_type_id <> 243",
              "order by 2, 1"},
             [&](TCatalogRow& Row) {
               auto Dmn = std::make_unique<TDmnData>(Objs);
               Dmn->SetObjName(Row.Str("name"));
               Dmn->SetSchema(TypeSchema(Row.Str("schema_name")));
               Dmn->CreateTypeFrom = true;
               AddUserType(std::move(Dmn), Row.Str("base_name"), Row.Int("max_length"),
                           Row.Int("precision"), Row.Int("scale"), Row.Bool("is_nullable"));
             });
}

void TMSSQLDBExtract::ExtractBound(const char* Type) {
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  // Default constraints are type D too: those have a parent table.
  OpenQuery(Q, {"select o.object_id, o.name, m.definition", "from sys.objects o",
                "join sys.sql_modules m on m.object_id = o.object_id",
                std::string("where o.type = '") + Type + "' and o.parent_object_id = 0",
                "order by o.name"});
  for (; !Q.GetEof(); Q.Next())
    AddBoundObject(Type[0] == 'R', Row.Str("name"), Row.Str("definition"));
  CloseQuery(Q);
}

void TMSSQLDBExtract::ExtractTbl() {
  AddToLog("Extracting tables...");
  TObjs* Objs = GetObjs();
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(Q, {"select t.object_id, t.name, schema_name(t.schema_id) schema_name,",
                kDescriptionColumn, "from sys.tables t", DescriptionJoin("t.object_id", "0"),
                "where t.is_ms_shipped = 0", "order by t.object_id"});
  TTableSet Tables;
  for (; !Q.GetEof(); Q.Next()) {
    TTblData& Tbl = Tables.Add(Objs, Row.Int("object_id"), Row.Str("name"));
    Tbl.SetSchema(Row.Str("schema_name"));
    Tbl.SetExtra(&TObjExtra::Description, CrLfLineBreaks(Row.Str("description")));
  }
  CloseQuery(Q);

  // The columns of every table at once; a collation that is the database's is not written.
  const std::string DbCollation =
      Objs ? Objs->MSSQLServerOptions.GetMSSQLDatabaseOptions().DatabaseCollation : "";
  OpenQuery(Q, {"select c.object_id, c.column_id, c.name, ty.name type_name,",
                "schema_name(ty.schema_id) type_schema, ty.is_user_defined,",
                "c.max_length, c.precision, c.scale, c.is_nullable, c.is_identity,",
                "c.is_rowguidcol, c.collation_name, cc.definition computed, cc.is_persisted,",
                "cast(ic.seed_value as int) seed, cast(ic.increment_value as int) increment,",
                kDescriptionColumn, "from sys.columns c",
                "join sys.tables t on t.object_id = c.object_id",
                "join sys.types ty on ty.user_type_id = c.user_type_id",
                "left join sys.computed_columns cc on cc.object_id = c.object_id and "
                "cc.column_id = c.column_id",
                "left join sys.identity_columns ic on ic.object_id = c.object_id and "
                "ic.column_id = c.column_id",
                DescriptionJoin("c.object_id", "c.column_id"), "where t.is_ms_shipped = 0",
                "order by c.object_id, c.column_id"});
  for (; !Q.GetEof(); Q.Next()) {
    TTblData* Tbl = Tables.Find(Row.Int("object_id"));
    if (!Tbl) continue;
    auto Fld = NewColumn(*Tbl, Row.Str("name"));
    Fld->SetExtra(&TObjExtra::Description, CrLfLineBreaks(Row.Str("description")));
    if (Row.Bool("is_user_defined")) {
      Fld->FieldType = iftDomain;
      Fld->SetExtra(&TFldExtra::DomainName, Fold(Row.Str("type_name")));
      Fld->SetExtra(&TFldExtra::DomainSchema, Fold(TypeSchema(Row.Str("type_schema"))));
      Fld->Nullable = Row.Bool("is_nullable");
    } else {
      ColumnType(*Fld, Row.Str("type_name"), Row.Int("max_length"), Row.Int("precision"),
                 Row.Int("scale"), Row.Bool("is_nullable"));
    }
    if (!Row.IsNull("computed")) {
      Fld->SetExtra(&TObjExtra::Body, Row.Str("computed"));
      Fld->Persisted = Row.Bool("is_persisted");
    }
    if (Row.Bool("is_identity")) {
      Fld->Identity = true;
      Fld->SetExtra(&TFldExtra::IdentitySeed, Row.Int("seed"));
      Fld->SetExtra(&TFldExtra::IdentityIncrement, Row.Int("increment"));
    }
    Fld->RowGuidCol = Row.Bool("is_rowguidcol");
    if (const std::string Coll = Row.Str("collation_name"); !Coll.empty() && Coll != DbCollation)
      Fld->SetExtra(&TFldExtra::Collation, Coll);
    AddColumn(*Tbl, std::move(Fld));
  }
  CloseQuery(Q);
  Tables.File(*this);
}

void TMSSQLDBExtract::ExtractViw() {
  AddToLog("Extracting views...");
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(Q, {"select v.object_id, v.name, schema_name(v.schema_id) schema_name, m.definition,",
                "m.uses_ansi_nulls, m.uses_quoted_identifier,", kDescriptionColumn,
                "from sys.views v", "join sys.sql_modules m on m.object_id = v.object_id",
                DescriptionJoin("v.object_id", "0"), "where v.is_ms_shipped = 0", "order by 3, 2"});
  for (; !Q.GetEof(); Q.Next()) {
    auto View = std::make_unique<TViwData>(GetObjs());
    View->SetObjName(Row.Str("name"));
    View->SetSchema(Row.Str("schema_name"));
    View->SetExtra(&TObjExtra::FullText, Trim(Row.Str("definition")));
    View->AnsiNulls = Row.Bool("uses_ansi_nulls");
    View->QuotedIdentifier = Row.Bool("uses_quoted_identifier");
    View->SetExtra(&TObjExtra::Description, CrLfLineBreaks(Row.Str("description")));
    FileExtracted(std::move(View));
    if (TerminateRunning.load()) break;
  }
  CloseQuery(Q);
}

void TMSSQLDBExtract::ExtractPrc() {
  AddToLog("Extracting procedures...");
  ForEachRow({"select o.object_id, o.name, schema_name(o.schema_id) schema_name, o.type,",
              "m.definition, m.uses_ansi_nulls, m.uses_quoted_identifier,", kDescriptionColumn,
              "from sys.objects o", "join sys.sql_modules m on m.object_id = o.object_id",
              DescriptionJoin("o.object_id", "0"),
              "where o.is_ms_shipped = 0 and o.type in ('P', 'FN', 'IF', 'TF')", "order by 3, 2"},
             [&](TCatalogRow& Row) {
               auto Prc = std::make_unique<TPrcData>(GetObjs());
               Prc->SetObjName(Row.Str("name"));
               Prc->SetSchema(Row.Str("schema_name"));
               Prc->IsFunction = Trim(Row.Str("type")) != "P";
               Prc->SetExtra(&TObjExtra::FullText, Trim(Row.Str("definition")));
               Prc->AnsiNulls = Row.Bool("uses_ansi_nulls");
               Prc->QuotedIdentifier = Row.Bool("uses_quoted_identifier");
               Prc->SetExtra(&TObjExtra::Description, CrLfLineBreaks(Row.Str("description")));
               FileExtracted(std::move(Prc));
             });
}

void TMSSQLDBExtract::ExtractTrg() {
  AddToLog("Extracting triggers...");
  ForEachRow(
      {"select tr.object_id, tr.name, schema_name(t.schema_id) schema_name,",
       "t.name table_name, tr.is_disabled, m.definition,",
       "m.uses_ansi_nulls, m.uses_quoted_identifier,", kDescriptionColumn, "from sys.triggers tr",
       "join sys.objects t on t.object_id = tr.parent_id",
       "join sys.sql_modules m on m.object_id = tr.object_id", DescriptionJoin("tr.object_id", "0"),
       "where tr.parent_class = 1 and tr.is_ms_shipped = 0", "order by 3, 4, 2"},
      [&](TCatalogRow& Row) {
        auto Trg = std::make_unique<TTrgData>(GetObjs());
        Trg->SetObjName(Row.Str("name"));
        Trg->SetSchema(Row.Str("schema_name"));
        Trg->SetOwnName(Fold(Row.Str("table_name")));
        Trg->Active = !Row.Bool("is_disabled");
        Trg->SetExtra(&TObjExtra::FullText, Trim(Row.Str("definition")));
        Trg->AnsiNulls = Row.Bool("uses_ansi_nulls");
        Trg->QuotedIdentifier = Row.Bool("uses_quoted_identifier");
        Trg->SetExtra(&TObjExtra::Description, CrLfLineBreaks(Row.Str("description")));
        FileExtracted(std::move(Trg));
      });
}

// ---------------------------------------------------------------------------------------------
// Indexes and constraints

void TMSSQLDBExtract::ReadIndexColumns(TIndexColumns& Cols) {
  std::unique_ptr<TQELQuery> Q = DetailQuery({}, false);
  TCatalogRow Row(*Q);
  OpenQuery(*Q, {"select ic.object_id, ic.index_id, c.name, ic.is_descending_key,",
                 "ic.is_included_column", "from sys.index_columns ic",
                 "join sys.columns c on c.object_id = ic.object_id and c.column_id = ic.column_id",
                 "join sys.tables t on t.object_id = ic.object_id", "where t.is_ms_shipped = 0",
                 "order by ic.object_id, ic.index_id, ic.is_included_column, ic.key_ordinal, "
                 "ic.index_column_id"});
  for (; !Q->GetEof(); Q->Next())
    Cols[{Row.Int("object_id"), Row.Int("index_id")}].push_back(
        {Row.Str("name"), Row.Bool("is_descending_key"), Row.Bool("is_included_column")});
  CloseQuery(*Q);
}

void TMSSQLDBExtract::ExtractIdx() {
  AddToLog("Extracting indexes...");
  const TIndexColumns& Cols = IndexColumnList();
  ForEachRow(
      {"select i.object_id, i.index_id, i.name, schema_name(t.schema_id) schema_name,",
       "t.name table_name, i.type, i.is_unique", "from sys.indexes i",
       "join sys.tables t on t.object_id = i.object_id",
       "where t.is_ms_shipped = 0 and i.is_primary_key = 0 and "
       "i.is_unique_constraint = 0",
       "and i.type in (1, 2) and i.is_hypothetical = 0", "order by 4, 5, 3"},
      [&](TCatalogRow& Row) {
        auto Idx = std::make_unique<TIdxData>(GetObjs());
        Idx->SetObjName(Row.Str("name"));
        Idx->SetSchema(Row.Str("schema_name"));
        Idx->TableName = Fold(Row.Str("table_name"));
        Idx->Unique = Row.Bool("is_unique");
        Idx->Clustered = Row.Int("type") == 1;
        if (auto It = Cols.find({Row.Int("object_id"), Row.Int("index_id")}); It != Cols.end())
          IndexColumns(*Idx, It->second);
        FileExtracted(std::move(Idx));
      });
}

void TMSSQLDBExtract::ExtractKeys(bool Primary) {
  const char* const Type = Primary ? "PK" : "UQ";
  IndexColumnList();  // read before the work query opens: one query at a time
  ForEachRow(
      {"select k.parent_object_id, k.unique_index_id, k.name,",
       "schema_name(t.schema_id) schema_name, t.name table_name, i.type index_type",
       "from sys.key_constraints k", "join sys.tables t on t.object_id = k.parent_object_id",
       "join sys.indexes i on i.object_id = k.parent_object_id and i.index_id = "
       "k.unique_index_id",
       std::string("where t.is_ms_shipped = 0 and k.type = '") + Type + "'", "order by 4, 5, 3"},
      [&](TCatalogRow& Row) {
        auto Ctr = std::make_unique<TCtrData>(GetObjs());
        Ctr->SetCtType(Primary ? ctPKey : ctUnique);
        Ctr->SetObjName(Row.Str("name"));
        Ctr->SetSchema(Row.Str("schema_name"));
        Ctr->SetTblName(Row.Str("table_name"));
        Ctr->Clustered = Row.Int("index_type") == 1;
        AddKey(std::move(Ctr), Row.Int("parent_object_id"), Row.Int("unique_index_id"));
      });
}

void TMSSQLDBExtract::Extract_FK() {
  AddToLog("Extracting foreign keys...");
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(Q, {"select fc.constraint_object_id, c.name column_name, rc.name ref_column",
                "from sys.foreign_key_columns fc",
                "join sys.columns c on c.object_id = fc.parent_object_id and c.column_id = "
                "fc.parent_column_id",
                "join sys.columns rc on rc.object_id = fc.referenced_object_id and "
                "rc.column_id = fc.referenced_column_id",
                "order by fc.constraint_object_id, fc.constraint_column_id"});
  std::unordered_map<std::int32_t, std::vector<std::pair<std::string, std::string>>> Columns;
  for (; !Q.GetEof(); Q.Next())
    Columns[Row.Int("constraint_object_id")].emplace_back(Row.Str("column_name"),
                                                          Row.Str("ref_column"));
  CloseQuery(Q);

  OpenQuery(
      Q, {"select f.object_id, f.name, schema_name(t.schema_id) schema_name,",
          "t.name table_name, schema_name(r.schema_id) ref_schema, r.name ref_table,",
          "f.delete_referential_action, f.update_referential_action,", "f.is_not_for_replication",
          "from sys.foreign_keys f", "join sys.tables t on t.object_id = f.parent_object_id",
          "join sys.tables r on r.object_id = f.referenced_object_id", "where t.is_ms_shipped = 0",
          "order by 3, 4, 2"});
  for (; !Q.GetEof(); Q.Next()) {
    auto Ctr = std::make_unique<TCtrData>(GetObjs());
    Ctr->SetCtType(ctFKey);
    Ctr->SetObjName(Row.Str("name"));
    Ctr->SetSchema(Row.Str("schema_name"));
    Ctr->SetTblName(Row.Str("table_name"));
    Ctr->SetRefSchema(Row.Str("ref_schema"));
    Ctr->SetRefTblName(Row.Str("ref_table"));
    Ctr->OnDelete = MSSQLAction(Row.Int("delete_referential_action"));
    Ctr->OnUpdate = MSSQLAction(Row.Int("update_referential_action"));
    Ctr->NotForReplication = Row.Bool("is_not_for_replication");
    for (const auto& [Col, Ref] : Columns[Row.Int("object_id")]) {
      Ctr->FldList.Add(Fold(Col));
      Ctr->EditExtra().RefFldList.Add(Fold(Ref));
    }
    AddConstraint(std::move(Ctr));
  }
  CloseQuery(Q);
}

void TMSSQLDBExtract::ExtractChk() {
  AddToLog("Extracting check constraints...");
  ForEachRow({"select k.name, schema_name(t.schema_id) schema_name, t.name table_name,",
              "k.definition, k.is_not_for_replication", "from sys.check_constraints k",
              "join sys.tables t on t.object_id = k.parent_object_id", "where t.is_ms_shipped = 0",
              "order by 2, 3, 1"},
             [&](TCatalogRow& Row) {
               auto Ctr = std::make_unique<TCtrData>(GetObjs());
               Ctr->SetCtType(ctCheck);
               Ctr->SetObjName(Row.Str("name"));
               Ctr->SetSchema(Row.Str("schema_name"));
               Ctr->SetTblName(Row.Str("table_name"));
               // The text after CHECK, as a script has it.
               Ctr->EditExtra().Body = std::string(1, ' ').append(Trim(Row.Str("definition")));
               Ctr->NotForReplication = Row.Bool("is_not_for_replication");
               AddConstraint(std::move(Ctr));
             });
}

void TMSSQLDBExtract::ExtractCdf() {
  AddToLog("Extracting column defaults...");
  TObjs* Objs = GetObjs();
  ForEachRow({"select d.name, schema_name(t.schema_id) schema_name, t.name table_name,",
              "c.name column_name, d.definition", "from sys.default_constraints d",
              "join sys.tables t on t.object_id = d.parent_object_id",
              "join sys.columns c on c.object_id = d.parent_object_id and c.column_id = "
              "d.parent_column_id",
              "where t.is_ms_shipped = 0", "order by 2, 3, 1"},
             [&](TCatalogRow& Row) {
               auto Ctr = std::make_unique<TCtrData>(Objs);
               Ctr->SetCtType(ctDefault);
               Ctr->SetObjName(Row.Str("name"));
               Ctr->SetSchema(Row.Str("schema_name"));
               Ctr->SetTblName(Row.Str("table_name"));
               Ctr->FldList.Add(Fold(Row.Str("column_name")));
               Ctr->SetExtra(&TObjExtra::Body, Trim(Row.Str("definition")));
               CheckSysName(*Ctr);
               // A default whose name the server made up was written as the column's DEFAULT: the
               // column keeps it, as a script reads it. One named by the user stays a constraint.
               TTblData* Tbl =
                   Objs ? Objs->GetTable(SchObjName(Ctr->GetSchema(), Ctr->GetTblName())) : nullptr;
               TFldData* Fld = Tbl ? Tbl->Fields.Find(Ctr->FldList[0]) : nullptr;
               if (Ctr->GetObjName().empty() && Fld) {
                 if (ShowFullLog) AddToLog("---" + Ctr->Extra().AltName);
                 Fld->DefValue = Ctr->Extra().Body;
               } else {
                 FileExtracted(std::move(Ctr));
               }
               ProcessMessages();
             });
}

}  // namespace qel
