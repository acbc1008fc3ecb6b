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

std::string Str(TQELQuery& Q, const char* Field) {
  return Q.FieldByName(Field)->AsString();
}

std::int32_t Int(TQELQuery& Q, const char* Field) {
  return Q.FieldByName(Field)->AsInteger();
}

bool Flag(TQELQuery& Q, const char* Field) {
  return Q.FieldByName(Field)->AsBoolean();
}

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
      Fld.DomainName = Trim(TypeName);
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
  if (Obj.FullText.empty()) return;
  if (auto* T = dynamic_cast<TTransactSQLParser*>(&Parser)) T->ParseObjText(&Obj);
}

std::vector<TDbObjList*> TMSSQLCustomDBExtract::BodyLists() {
  TObjs* Objs = GetObjs();
  if (!Objs) return {};
  return {&Objs->Views, &Objs->Procedures, &Objs->Triggers};
}

bool TMSSQLCustomDBExtract::AddExtracted(TDbObj* Obj) {
  if (ShowFullLog) AddToLog("---" + Obj->GetObjName());
  TObjs* Objs = GetObjs();
  if (!Objs) {
    delete Obj;
    return false;
  }
  if (Objs->AddObj(Obj, true)) return true;
  // A refused object stays with the collection until it is cleared.
  if (DatabaseType == dbSybaseASE && dynamic_cast<TTblData*>(Obj))
    if (const std::string Twin = Objs->CaseTwinWarning(*Obj, "Tables"); !Twin.empty())
      GetMsgManager()->AddMsg(Twin, mt_Wrn, nullptr);
  return false;
}

void TMSSQLCustomDBExtract::AddBoundObject(bool Rule, const std::string& Name,
                                           const std::string& Text) {
  TObjs* Objs = GetObjs();
  // The server keeps the CREATE text as written; the writer needs the expression alone.
  TDbObj* Obj = nullptr;
  if (Rule) {
    auto* R = new TRulData(Objs);
    R->Expression = BoundExpression(Text);
    Obj = R;
  } else {
    auto* D = new TDefData(Objs);
    D->Expression = BoundExpression(Text);
    Obj = D;
  }
  Obj->SetObjName(Name);
  Obj->FullText = Trim(Text);
  AddExtracted(Obj);
  ProcessMessages();
}

std::unique_ptr<TQELQuery> TMSSQLCustomDBExtract::DetailQuery() {
  std::unique_ptr<TQELQuery> Q(GetQELConnection()->CreateQuery(nullptr));
  if (!Q) throw EDatabaseError("The connection cannot make a query.");
  Q->SetParamCheck(false);
  return Q;
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
      R += Fld.Size < 0 ? "(max)" : "(" + std::to_string(Fld.Size) + ")";
      break;
    case iftNumeric:
    case iftDecimal:
      R += "(" + std::to_string(Fld.Precision) + "," + std::to_string(Fld.Scale) + ")";
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
      Idx.IncludeFlds.Add(Fold(C.Name));
    else
      Idx.AddFld(Fold(C.Name), C.Descending ? 2 : 0);
}

std::vector<TDBExtractStep> TMSSQLCustomDBExtract::ExtractSteps() {
  FIndexColumns.clear();
  FIndexColumnsRead = false;
  return {
      {0, false, coDomain, "ExtractHeader", [this] { ExtractHeader(); }},
      {0, true, coRule, "ExtractRul", [this] { ExtractRul(); }},
      {0, true, coDefault, "ExtractDef", [this] { ExtractDef(); }},
      {0, true, coDomain, "ExtractTyp", [this] { ExtractTyp(); }},
      {2, true, coTable, "ExtractTbl", [this] { ExtractTbl(); }},
      {3, true, coView, "ExtractViw", [this] { ExtractViw(); }},
      {4, true, coProcedure, "ExtractPrc", [this] { ExtractPrc(); }},
      {5, true, coTrigger, "ExtractTrg", [this] { ExtractTrg(); }},
      {6, true, coIndex, "ExtractIdx", [this] { ExtractIdx(); }},
      {7, true, coPrimaryKey, "Extract_PK", [this] { Extract_PK(); }},
      {8, true, coUnique, "ExtractUnq", [this] { ExtractUnq(); }},
      {9, true, coForeignKey, "Extract_FK", [this] { Extract_FK(); }},
      {10, true, coCheck, "ExtractChk", [this] { ExtractChk(); }},
  };
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
    Extract.AddExtracted(Tbl.release());
    ProcessMessages();
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

void TMSSQLCustomDBExtract::AddUserType(TDmnData* Dmn, const std::string& BaseName,
                                        std::int32_t Length, std::int32_t Prec, std::int32_t Scale,
                                        bool Nullable) {
  if (!Dmn->TypeField) Dmn->TypeField = std::make_unique<TFldData>(GetObjs());
  TFldData& F = *Dmn->TypeField;
  F.OwnerObj = Dmn;
  ColumnType(F, BaseName, Length, Prec, Scale, Nullable);
  Dmn->BaseTypeName = BaseTypeText(BaseName, F);
  AddExtracted(Dmn);
  ProcessMessages();
}

void TMSSQLCustomDBExtract::AddKey(TCtrData* Ctr, std::int32_t ObjectId, std::int32_t IndexId) {
  const TIndexColumns& Cols = IndexColumnList();
  if (auto It = Cols.find({ObjectId, IndexId}); It != Cols.end()) KeyColumns(*Ctr, It->second);
  AddConstraint(Ctr);
}

void TMSSQLCustomDBExtract::AddConstraint(TCtrData* Ctr) {
  CheckSysName(*Ctr);
  AddExtracted(Ctr);
  ProcessMessages();
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
  OpenQuery(Q, {"select d.collation_name, d.compatibility_level,",
                "d.is_recursive_triggers_on, d.is_quoted_identifier_on", "from sys.databases d",
                "where d.database_id = db_id()"});
  TMSSQLDatabaseOptions& Opt = Objs->MSSQLServerOptions.GetMSSQLDatabaseOptions();
  Opt.Clear();
  if (!Q.GetEof()) {
    Opt.DatabaseCollation = Str(Q, "collation_name");
    Opt.CompatibilityLevel = Int(Q, "compatibility_level");
    Opt.RecursiveTriggers = Flag(Q, "is_recursive_triggers_on");
    Opt.QuotedIdentifier = Flag(Q, "is_quoted_identifier_on");
  }
  CloseQuery(Q);
}

void TMSSQLDBExtract::ExtractSch() {
  AddToLog("Extracting schemas...");
  TQELQuery& Q = WorkQuery();
  OpenQuery(Q,
            {"select s.schema_id, s.name, s.principal_id, p.name owner_name", "from sys.schemas s",
             "left join sys.database_principals p on p.principal_id = s.principal_id",
             "order by s.name"});
  for (; !Q.GetEof(); Q.Next()) {
    auto* Sch = new TSchData(GetObjs());
    const std::string Name = Str(Q, "name");
    Sch->SetObjName(Name);
    Sch->SchemaOwner = Fold(Str(Q, "owner_name"));
    // The writer passes over a schema whose alternate name is its own name.
    if (BuiltInSchema(Name, Int(Q, "principal_id"))) Sch->AltName = Sch->GetObjName();
    AddExtracted(Sch);
    ProcessMessages();
  }
  CloseQuery(Q);
}

void TMSSQLDBExtract::ExtractTyp() {
  AddToLog("Extracting user datatypes...");
  TQELQuery& Q = WorkQuery();
  // Table types (system type 243) are types of parameters, not of columns.
  OpenQuery(Q,
            {"select t.name, schema_name(t.schema_id) schema_name, b.name base_name,",
             "t.max_length, t.precision, t.scale, t.is_nullable", "from sys.types t",
             "join sys.types b on b.user_type_id = t.system_type_id",
             "where t.is_user_defined = 1 and t.is_assembly_type = 0 and t.system_type_id <> 243",
             "order by 2, 1"});
  TObjs* Objs = GetObjs();
  for (; !Q.GetEof(); Q.Next()) {
    auto* Dmn = new TDmnData(Objs);
    Dmn->SetObjName(Str(Q, "name"));
    Dmn->SetSchema(TypeSchema(Str(Q, "schema_name")));
    Dmn->CreateTypeFrom = true;
    AddUserType(Dmn, Str(Q, "base_name"), Int(Q, "max_length"), Int(Q, "precision"),
                Int(Q, "scale"), Flag(Q, "is_nullable"));
  }
  CloseQuery(Q);
}

void TMSSQLDBExtract::ExtractBound(const char* Type) {
  TQELQuery& Q = WorkQuery();
  // Default constraints are type D too: those have a parent table.
  OpenQuery(Q, {"select o.object_id, o.name, m.definition", "from sys.objects o",
                "join sys.sql_modules m on m.object_id = o.object_id",
                std::string("where o.type = '") + Type + "' and o.parent_object_id = 0",
                "order by o.name"});
  for (; !Q.GetEof(); Q.Next())
    AddBoundObject(Type[0] == 'R', Str(Q, "name"), Str(Q, "definition"));
  CloseQuery(Q);
}

void TMSSQLDBExtract::ExtractTbl() {
  AddToLog("Extracting tables...");
  TObjs* Objs = GetObjs();
  TQELQuery& Q = WorkQuery();
  OpenQuery(Q, {"select t.object_id, t.name, schema_name(t.schema_id) schema_name,",
                kDescriptionColumn, "from sys.tables t", DescriptionJoin("t.object_id", "0"),
                "where t.is_ms_shipped = 0", "order by t.object_id"});
  TTableSet Tables;
  for (; !Q.GetEof(); Q.Next()) {
    TTblData& Tbl = Tables.Add(Objs, Int(Q, "object_id"), Str(Q, "name"));
    Tbl.SetSchema(Str(Q, "schema_name"));
    Tbl.Description = CrLfLineBreaks(Str(Q, "description"));
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
    TTblData* Tbl = Tables.Find(Int(Q, "object_id"));
    if (!Tbl) continue;
    auto Fld = NewColumn(*Tbl, Str(Q, "name"));
    Fld->Description = CrLfLineBreaks(Str(Q, "description"));
    if (Flag(Q, "is_user_defined")) {
      Fld->FieldType = iftDomain;
      Fld->DomainName = Fold(Str(Q, "type_name"));
      Fld->DomainSchema = Fold(TypeSchema(Str(Q, "type_schema")));
      Fld->Nullable = Flag(Q, "is_nullable");
    } else {
      ColumnType(*Fld, Str(Q, "type_name"), Int(Q, "max_length"), Int(Q, "precision"),
                 Int(Q, "scale"), Flag(Q, "is_nullable"));
    }
    if (!Q.FieldByName("computed")->IsNull()) {
      Fld->Body = Str(Q, "computed");
      Fld->Persisted = Flag(Q, "is_persisted");
    }
    if (Flag(Q, "is_identity")) {
      Fld->Identity = true;
      Fld->IdentitySeed = Int(Q, "seed");
      Fld->IdentityIncrement = Int(Q, "increment");
    }
    Fld->RowGuidCol = Flag(Q, "is_rowguidcol");
    if (const std::string Coll = Str(Q, "collation_name"); !Coll.empty() && Coll != DbCollation)
      Fld->Collation = Coll;
    AddColumn(*Tbl, std::move(Fld));
  }
  CloseQuery(Q);
  Tables.File(*this);
}

void TMSSQLDBExtract::ExtractViw() {
  AddToLog("Extracting views...");
  TQELQuery& Q = WorkQuery();
  OpenQuery(Q, {"select v.object_id, v.name, schema_name(v.schema_id) schema_name, m.definition,",
                "m.uses_ansi_nulls, m.uses_quoted_identifier,", kDescriptionColumn,
                "from sys.views v", "join sys.sql_modules m on m.object_id = v.object_id",
                DescriptionJoin("v.object_id", "0"), "where v.is_ms_shipped = 0", "order by 3, 2"});
  for (; !Q.GetEof(); Q.Next()) {
    auto* View = new TViwData(GetObjs());
    View->SetObjName(Str(Q, "name"));
    View->SetSchema(Str(Q, "schema_name"));
    View->FullText = Trim(Str(Q, "definition"));
    View->AnsiNulls = Flag(Q, "uses_ansi_nulls");
    View->QuotedIdentifier = Flag(Q, "uses_quoted_identifier");
    View->Description = CrLfLineBreaks(Str(Q, "description"));
    AddExtracted(View);
    ProcessMessages();
    if (TerminateRunning.load()) break;
  }
  CloseQuery(Q);
}

void TMSSQLDBExtract::ExtractPrc() {
  AddToLog("Extracting procedures...");
  TQELQuery& Q = WorkQuery();
  OpenQuery(Q,
            {"select o.object_id, o.name, schema_name(o.schema_id) schema_name, o.type,",
             "m.definition, m.uses_ansi_nulls, m.uses_quoted_identifier,", kDescriptionColumn,
             "from sys.objects o", "join sys.sql_modules m on m.object_id = o.object_id",
             DescriptionJoin("o.object_id", "0"),
             "where o.is_ms_shipped = 0 and o.type in ('P', 'FN', 'IF', 'TF')", "order by 3, 2"});
  for (; !Q.GetEof(); Q.Next()) {
    auto* Prc = new TPrcData(GetObjs());
    Prc->SetObjName(Str(Q, "name"));
    Prc->SetSchema(Str(Q, "schema_name"));
    Prc->IsFunction = Trim(Str(Q, "type")) != "P";
    Prc->FullText = Trim(Str(Q, "definition"));
    Prc->AnsiNulls = Flag(Q, "uses_ansi_nulls");
    Prc->QuotedIdentifier = Flag(Q, "uses_quoted_identifier");
    Prc->Description = CrLfLineBreaks(Str(Q, "description"));
    AddExtracted(Prc);
    ProcessMessages();
  }
  CloseQuery(Q);
}

void TMSSQLDBExtract::ExtractTrg() {
  AddToLog("Extracting triggers...");
  TQELQuery& Q = WorkQuery();
  OpenQuery(Q, {"select tr.object_id, tr.name, schema_name(t.schema_id) schema_name,",
                "t.name table_name, tr.is_disabled, m.definition,",
                "m.uses_ansi_nulls, m.uses_quoted_identifier,", kDescriptionColumn,
                "from sys.triggers tr", "join sys.objects t on t.object_id = tr.parent_id",
                "join sys.sql_modules m on m.object_id = tr.object_id",
                DescriptionJoin("tr.object_id", "0"),
                "where tr.parent_class = 1 and tr.is_ms_shipped = 0", "order by 3, 4, 2"});
  for (; !Q.GetEof(); Q.Next()) {
    auto* Trg = new TTrgData(GetObjs());
    Trg->SetObjName(Str(Q, "name"));
    Trg->SetSchema(Str(Q, "schema_name"));
    Trg->SetOwnName(Fold(Str(Q, "table_name")));
    Trg->Active = !Flag(Q, "is_disabled");
    Trg->FullText = Trim(Str(Q, "definition"));
    Trg->AnsiNulls = Flag(Q, "uses_ansi_nulls");
    Trg->QuotedIdentifier = Flag(Q, "uses_quoted_identifier");
    Trg->Description = CrLfLineBreaks(Str(Q, "description"));
    AddExtracted(Trg);
    ProcessMessages();
  }
  CloseQuery(Q);
}

// ---------------------------------------------------------------------------------------------
// Indexes and constraints

void TMSSQLDBExtract::ReadIndexColumns(TIndexColumns& Cols) {
  std::unique_ptr<TQELQuery> Q = DetailQuery();
  OpenQuery(*Q, {"select ic.object_id, ic.index_id, c.name, ic.is_descending_key,",
                 "ic.is_included_column", "from sys.index_columns ic",
                 "join sys.columns c on c.object_id = ic.object_id and c.column_id = ic.column_id",
                 "join sys.tables t on t.object_id = ic.object_id", "where t.is_ms_shipped = 0",
                 "order by ic.object_id, ic.index_id, ic.is_included_column, ic.key_ordinal, "
                 "ic.index_column_id"});
  for (; !Q->GetEof(); Q->Next())
    Cols[{Int(*Q, "object_id"), Int(*Q, "index_id")}].push_back(
        {Str(*Q, "name"), Flag(*Q, "is_descending_key"), Flag(*Q, "is_included_column")});
  CloseQuery(*Q);
}

void TMSSQLDBExtract::ExtractIdx() {
  AddToLog("Extracting indexes...");
  const TIndexColumns& Cols = IndexColumnList();
  TQELQuery& Q = WorkQuery();
  OpenQuery(Q, {"select i.object_id, i.index_id, i.name, schema_name(t.schema_id) schema_name,",
                "t.name table_name, i.type, i.is_unique", "from sys.indexes i",
                "join sys.tables t on t.object_id = i.object_id",
                "where t.is_ms_shipped = 0 and i.is_primary_key = 0 and "
                "i.is_unique_constraint = 0",
                "and i.type in (1, 2) and i.is_hypothetical = 0", "order by 4, 5, 3"});
  for (; !Q.GetEof(); Q.Next()) {
    auto* Idx = new TIdxData(GetObjs());
    Idx->SetObjName(Str(Q, "name"));
    Idx->SetSchema(Str(Q, "schema_name"));
    Idx->TableName = Fold(Str(Q, "table_name"));
    Idx->Unique = Flag(Q, "is_unique");
    Idx->Clustered = Int(Q, "type") == 1;
    if (auto It = Cols.find({Int(Q, "object_id"), Int(Q, "index_id")}); It != Cols.end())
      IndexColumns(*Idx, It->second);
    AddExtracted(Idx);
    ProcessMessages();
  }
  CloseQuery(Q);
}

void TMSSQLDBExtract::ExtractKeys(bool Primary) {
  const char* const Type = Primary ? "PK" : "UQ";
  IndexColumnList();  // read before the work query opens: one query at a time
  TQELQuery& Q = WorkQuery();
  OpenQuery(
      Q,
      {"select k.parent_object_id, k.unique_index_id, k.name,",
       "schema_name(t.schema_id) schema_name, t.name table_name, i.type index_type",
       "from sys.key_constraints k", "join sys.tables t on t.object_id = k.parent_object_id",
       "join sys.indexes i on i.object_id = k.parent_object_id and i.index_id = "
       "k.unique_index_id",
       std::string("where t.is_ms_shipped = 0 and k.type = '") + Type + "'", "order by 4, 5, 3"});
  for (; !Q.GetEof(); Q.Next()) {
    auto* Ctr = new TCtrData(GetObjs());
    Ctr->SetCtType(Primary ? ctPKey : ctUnique);
    Ctr->SetObjName(Str(Q, "name"));
    Ctr->SetSchema(Str(Q, "schema_name"));
    Ctr->SetTblName(Str(Q, "table_name"));
    Ctr->Clustered = Int(Q, "index_type") == 1;
    AddKey(Ctr, Int(Q, "parent_object_id"), Int(Q, "unique_index_id"));
  }
  CloseQuery(Q);
}

void TMSSQLDBExtract::Extract_FK() {
  AddToLog("Extracting foreign keys...");
  TQELQuery& Q = WorkQuery();
  OpenQuery(Q, {"select fc.constraint_object_id, c.name column_name, rc.name ref_column",
                "from sys.foreign_key_columns fc",
                "join sys.columns c on c.object_id = fc.parent_object_id and c.column_id = "
                "fc.parent_column_id",
                "join sys.columns rc on rc.object_id = fc.referenced_object_id and "
                "rc.column_id = fc.referenced_column_id",
                "order by fc.constraint_object_id, fc.constraint_column_id"});
  std::unordered_map<std::int32_t, std::vector<std::pair<std::string, std::string>>> Columns;
  for (; !Q.GetEof(); Q.Next())
    Columns[Int(Q, "constraint_object_id")].emplace_back(Str(Q, "column_name"),
                                                         Str(Q, "ref_column"));
  CloseQuery(Q);

  OpenQuery(
      Q, {"select f.object_id, f.name, schema_name(t.schema_id) schema_name,",
          "t.name table_name, schema_name(r.schema_id) ref_schema, r.name ref_table,",
          "f.delete_referential_action, f.update_referential_action,", "f.is_not_for_replication",
          "from sys.foreign_keys f", "join sys.tables t on t.object_id = f.parent_object_id",
          "join sys.tables r on r.object_id = f.referenced_object_id", "where t.is_ms_shipped = 0",
          "order by 3, 4, 2"});
  for (; !Q.GetEof(); Q.Next()) {
    auto* Ctr = new TCtrData(GetObjs());
    Ctr->SetCtType(ctFKey);
    Ctr->SetObjName(Str(Q, "name"));
    Ctr->SetSchema(Str(Q, "schema_name"));
    Ctr->SetTblName(Str(Q, "table_name"));
    Ctr->SetRefSchema(Str(Q, "ref_schema"));
    Ctr->SetRefTblName(Str(Q, "ref_table"));
    Ctr->OnDelete = MSSQLAction(Int(Q, "delete_referential_action"));
    Ctr->OnUpdate = MSSQLAction(Int(Q, "update_referential_action"));
    Ctr->NotForReplication = Flag(Q, "is_not_for_replication");
    for (const auto& [Col, Ref] : Columns[Int(Q, "object_id")]) {
      Ctr->FldList.Add(Fold(Col));
      Ctr->RefFldList.Add(Fold(Ref));
    }
    AddConstraint(Ctr);
  }
  CloseQuery(Q);
}

void TMSSQLDBExtract::ExtractChk() {
  AddToLog("Extracting check constraints...");
  TQELQuery& Q = WorkQuery();
  OpenQuery(Q, {"select k.name, schema_name(t.schema_id) schema_name, t.name table_name,",
                "k.definition, k.is_not_for_replication", "from sys.check_constraints k",
                "join sys.tables t on t.object_id = k.parent_object_id",
                "where t.is_ms_shipped = 0", "order by 2, 3, 1"});
  for (; !Q.GetEof(); Q.Next()) {
    auto* Ctr = new TCtrData(GetObjs());
    Ctr->SetCtType(ctCheck);
    Ctr->SetObjName(Str(Q, "name"));
    Ctr->SetSchema(Str(Q, "schema_name"));
    Ctr->SetTblName(Str(Q, "table_name"));
    Ctr->Body = " " + Trim(Str(Q, "definition"));  // the text after CHECK, as a script has it
    Ctr->NotForReplication = Flag(Q, "is_not_for_replication");
    AddConstraint(Ctr);
  }
  CloseQuery(Q);
}

void TMSSQLDBExtract::ExtractCdf() {
  AddToLog("Extracting column defaults...");
  TObjs* Objs = GetObjs();
  TQELQuery& Q = WorkQuery();
  OpenQuery(Q, {"select d.name, schema_name(t.schema_id) schema_name, t.name table_name,",
                "c.name column_name, d.definition", "from sys.default_constraints d",
                "join sys.tables t on t.object_id = d.parent_object_id",
                "join sys.columns c on c.object_id = d.parent_object_id and c.column_id = "
                "d.parent_column_id",
                "where t.is_ms_shipped = 0", "order by 2, 3, 1"});
  for (; !Q.GetEof(); Q.Next()) {
    auto Ctr = std::make_unique<TCtrData>(Objs);
    Ctr->SetCtType(ctDefault);
    Ctr->SetObjName(Str(Q, "name"));
    Ctr->SetSchema(Str(Q, "schema_name"));
    Ctr->SetTblName(Str(Q, "table_name"));
    Ctr->FldList.Add(Fold(Str(Q, "column_name")));
    Ctr->Body = Trim(Str(Q, "definition"));
    CheckSysName(*Ctr);
    // A default whose name the server made up was written as the column's DEFAULT: the column
    // keeps it, as a script reads it. One named by the user stays a constraint.
    TTblData* Tbl =
        Objs ? Objs->GetTable(SchObjName(Ctr->GetSchema(), Ctr->GetTblName())) : nullptr;
    TFldData* Fld = Tbl ? Tbl->Fields.Find(Ctr->FldList[0]) : nullptr;
    if (Ctr->GetObjName().empty() && Fld) {
      if (ShowFullLog) AddToLog("---" + Ctr->AltName);
      Fld->DefValue = Ctr->Body;
    } else {
      AddExtracted(Ctr.release());
    }
    ProcessMessages();
  }
  CloseQuery(Q);
}

}  // namespace qel
