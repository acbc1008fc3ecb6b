// The InterBase/Firebird catalog extractor: the RDB$ queries of each kind and the DDL they are
// written as; the InterBase parser reads that DDL into the collection.
#include "qelIBDatabaseExtract.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

#include "DataSet.h"
#include "Text.h"
#include "qelComp_Dmn.h"
#include "qelComp_Fnc.h"
#include "qelComp_Prc.h"
#include "qelComp_Rol.h"
#include "qelComp_Viw.h"
#include "qelDBEngine.h"
#include "qelIBParser.h"
#include "qelResWords.h"

namespace qel {

namespace {

/// The catalog script's terminator: bodies hold ";".
constexpr const char* kTerm = "^";

/// A name the server made up for the index of a key the script did not name.
bool SystemName(const std::string& Name) {
  return StartsText("INTEG_", Name) || StartsText("RDB$", Name);
}

std::string Quoted(const std::string& Text) {
  return "'" + StringReplace(Text, "'", "''", true, false) + "'";
}

/// The columns of RDB$FIELDS (alias F) and its character set and collation (CS, CO) that
/// TypeText reads.
const char* const kTypeColumns =
    "F.RDB$FIELD_TYPE AS FT, F.RDB$FIELD_SUB_TYPE AS FST, F.RDB$FIELD_PRECISION AS FPREC, "
    "F.RDB$FIELD_SCALE AS FSCALE, F.RDB$CHARACTER_LENGTH AS CLEN, F.RDB$FIELD_LENGTH AS FLEN, "
    "F.RDB$SEGMENT_LENGTH AS SEG, TRIM(CS.RDB$CHARACTER_SET_NAME) AS CSN, "
    "TRIM(CO.RDB$COLLATION_NAME) AS COLL, CO.RDB$COLLATION_ID AS COLLID";

/// The type of the current row in DDL: the integer kinds with a sub type are NUMERIC and
/// DECIMAL; Dims (" [1:5]") follow the element type of an array; CHARACTER SET is written only
/// where it is not the database's own.
std::string TypeText(TCatalogRow& Row, const std::string& DBCharSet, bool WithCollation = true,
                     const std::string& Dims = "") {
  const std::int32_t T = Row.Int("FT");
  const std::int32_t Sub = Row.Int("FST");
  const std::int32_t Scale = -Row.Int("FSCALE");
  std::int32_t Prec = Row.Int("FPREC");
  auto Exact = [&](const char* Plain, std::int32_t DefaultPrec) -> std::string {
    if (Sub == 0 && Scale == 0) return Plain;
    if (Prec == 0) Prec = DefaultPrec;
    return std::string(Sub == 2 ? "DECIMAL(" : "NUMERIC(") + IntToStr(Prec) + ", " +
           IntToStr(Scale) + ")";
  };
  std::string R;
  bool Text = false;
  switch (T) {
    case ibtSmallInt:
      R = Exact("SMALLINT", 4);
      break;
    case ibtInteger:
      R = Exact("INTEGER", 9);
      break;
    case ibtBigInt:
      R = Exact("BIGINT", 18);
      break;
    case ibtFloat:
      R = "FLOAT";
      break;
    case ibtDouble:
      R = Scale != 0 ? Exact("DOUBLE PRECISION", 15) : "DOUBLE PRECISION";
      break;
    case ibtDate:
      R = "DATE";
      break;
    case ibtTime:
      R = "TIME";
      break;
    case ibtTimeStamp:
      R = "TIMESTAMP";
      break;
    case ibtFbBoolean:
      R = "BOOLEAN";
      break;
    case ibtChar:
    case ibtVarchar: {
      std::int32_t Len = Row.Int("CLEN");
      if (Len == 0) Len = Row.Int("FLEN");
      R = std::string(T == ibtChar ? "CHAR(" : "VARCHAR(") + IntToStr(Len) + ")";
      Text = true;
      break;
    }
    case ibtBlob: {
      R = "BLOB SUB_TYPE " + IntToStr(Sub);
      const std::int32_t Seg = Row.Int("SEG");
      if (Seg != 0 && Seg != 80) R += " SEGMENT SIZE " + IntToStr(Seg);
      Text = Sub == 1;
      break;
    }
    default:
      R = "BLOB";  // a type the library has no word for
      break;
  }
  R += Dims;
  if (Text) {
    // As the writer does: the character set where it is not the database's or a collation
    // follows.
    const std::string CS = Trim(Row.Str("CSN"));
    const bool Collated = !Row.IsNull("COLLID") && Row.Int("COLLID") != 0;
    if (!CS.empty() && (!SameText(CS, DBCharSet) || Collated)) R += " CHARACTER SET " + CS;
    if (WithCollation && Collated) R += " COLLATE " + Trim(Row.Str("COLL"));
  }
  return R;
}

/// BEFORE/AFTER and the events of a DML trigger type, as the server numbers them.
std::string TriggerTypeText(std::int32_t Type) {
  static const char* const Words[] = {"", "INSERT", "UPDATE", "DELETE"};
  const std::int32_t V = Type + 1;
  std::string R = (V & 1) == 1 ? "AFTER " : "BEFORE ";
  R += Words[(V >> 1) & 3];
  for (int Shift : {3, 5})
    if (const int Slot = (V >> Shift) & 3; Slot != 0) R += std::string(" OR ") + Words[Slot];
  return R;
}

}  // namespace

TIBDBExtract::TIBDBExtract(TComponent* AOwner) : TCustomDBExtract(AOwner) {
  DatabaseType = dbInterBase;
}

TIBDBExtract::~TIBDBExtract() = default;

std::vector<TDBExtractStep> TIBDBExtract::ExtractSteps() {
  return {
      {0, false, coDomain, "ExtractHeader", [this] { ExtractHeader(); }},
      {1, true, coDomain, "ExtractDomains", [this] { ExtractDomains(); }},
      {2, true, coTable, "ExtractRelations", [this] { ExtractRelations(); }},
      {3, true, coTable, "ExtractKeys", [this] { ExtractKeys(); }},
      {4, true, coIndex, "ExtractIndexes", [this] { ExtractIndexes(); }},
      {5, true, coGenerator, "ExtractGenerators", [this] { ExtractGenerators(); }},
      {6, true, coException, "ExtractExceptions", [this] { ExtractExceptions(); }},
      {7, true, coProcedure, "ExtractProcedures", [this] { ExtractProcedures(); }},
      {8, true, coTrigger, "ExtractTriggers", [this] { ExtractTriggers(); }},
      {9, true, coFunction, "ExtractFunctions", [this] { ExtractFunctions(); }},
      {10, true, coRole, "ExtractRoles", [this] { ExtractRoles(); }},
      {11, true, coGrant, "ExtractGrants", [this] { ExtractGrants(); }},
  };
}

std::unique_ptr<TCustomParser> TIBDBExtract::CreateBodyParser() {
  return MakeBodyParser<TIbParser>();
}

void TIBDBExtract::ParseBodies() {
  AddToLog(ParseBodiesLogLine());
  std::unique_ptr<TCustomParser> Parser = CreateBodyParser();
  Parser->OnErrorMessage = GetOnErrorMessage();
  Parser->ParseScriptText(FScript, GetObjs());
  AddToLog("Linking dependencies...");
  Parser->Link_Depend();
  MsgManager.CopyFrom(&Parser->MsgManager);
}

void TIBDBExtract::MatchServerForms(TCustomObjs& Other) {
  TObjs* Own = GetObjs();
  if (!Own || Other.GetDatabaseType() != dbInterBase) return;
  for (int I = 0; I < Other.Views.Count(); ++I) {
    auto* W = dynamic_cast<TViwData*>(Other.Views.Objects(I));
    if (!W || !W->Fields.Empty()) continue;
    auto* V = dynamic_cast<TViwData*>(Own->Views.FindObj(W->GetObjName()));
    if (V && V->Extra().Body == W->Extra().Body) V->Fields.Clear();
  }
  DropOwnerGrants(Other);
  // A script that names the database's own character set without a collation means what the
  // catalog says by naming none.
  auto Even = [this](TFldData& F) {
    if (F.Extra().Collation.empty() && SameText(F.Extra().CharSet, FDBCharSet))
      F.SetExtra(&TFldExtra::CharSet, std::string());
  };
  for (TDbObjList* L : {&Other.Tables, &Other.Procedures, &Other.Domains})
    for (int I = 0; I < L->Count(); ++I) {
      if (auto* T = dynamic_cast<TTblData*>(L->Objects(I)))
        for (const auto& F : T->Fields) Even(*F);
      if (auto* P = dynamic_cast<TPrcData*>(L->Objects(I))) {
        for (const auto& F : P->Params) Even(*F);
        for (const auto& F : P->Results) Even(*F);
      }
      if (auto* D = dynamic_cast<TDmnData*>(L->Objects(I)); D && D->TypeField) Even(*D->TypeField);
    }
  for (int I = 0; I < Other.Functions.Count(); ++I)
    if (auto* U = dynamic_cast<TUdfData*>(Other.Functions.Objects(I))) {
      for (int J = 0; J < U->Params.Count(); ++J)
        if (TFldData* P = U->Param(J)) Even(*P);
      Even(*U->ReturnParam);
    }
}

void TIBDBExtract::DropOwnerGrants(TCustomObjs& Other) {
  if (!FOwnersRead) return;
  // The owner of a table, view or procedure holds every right on it, with the grant option,
  // from its creation on, and the server stores no grant of it again: a script's GRANT to the
  // owner is one the database already has. What the database lacks, the update creates and
  // the user it runs as owns.
  const std::string User =
      GetQELConnection() ? UpperCase(GetQELConnection()->GetConnectionOptions().UserName) : "";
  for (int I = Other.Grants.Count() - 1; I >= 0; --I) {
    auto* G = dynamic_cast<TGntData*>(Other.Grants.Objects(I));
    if (!G || G->GranteeType != gotUser ||
        (G->ObjectType != gotTable && G->ObjectType != gotView && G->ObjectType != gotProcedure))
      continue;
    const auto It = FOwners.find(G->ObjectName);
    if (G->GranteeName != (It != FOwners.end() ? It->second : User)) continue;
    Other.RemoveDepend(G);
    Other.Grants.Delete(I);
  }
}

void TIBDBExtract::Emit(const std::string& Statement) {
  FScript += Statement;
  FScript += "\n";
  FScript += kTerm;
  FScript += "\n";
}

void TIBDBExtract::EmitComment(const std::string& What, const std::string& Text) {
  if (Text.empty()) return;
  Emit("COMMENT ON " + What + " IS " + Quoted(Text));
}

std::string TIBDBExtract::Q(const std::string& Name) const {
  return IdentDialect3(Name, st_Firebird_25) ? EncloseIdent(Name, '"', '"') : Name;
}

// ---------------------------------------------------------------------------------------------
// Header

std::string TIBDBExtract::NotPackaged(const std::string& Alias) const {
  // Routines of packages (Firebird 3 on) are the packages' own.
  return FPackages ? Alias + "RDB$PACKAGE_NAME IS NULL" : std::string("1 = 1");
}

void TIBDBExtract::ExtractHeader() {
  FScript = "SET TERM ^ ;\n";
  FDimsRead = false;
  FOwnersRead = false;
  FOwners.clear();
  FPackages = false;
  TObjs* Objs = GetObjs();
  TQELQuery& Query = WorkQuery();
  TCatalogRow Row(Query);
  // The header comes from the monitoring tables and the engine's context, which Firebird has
  // from 2.1 on; so do the catalog columns the steps read. An older server is told so rather
  // than left to fail on a query.
  bool Monitored = false;
  ForEachRow({"SELECT COUNT(*) AS MON FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'MON$DATABASE'"},
             [&Monitored](TCatalogRow& R) { Monitored = R.Int("MON") != 0; });
  if (!Monitored)
    throw EDatabaseError(
        "the catalog is read from Firebird 2.1 on; this server has no MON$DATABASE (Firebird "
        "before 2.1, or InterBase)");
  OpenQuery(Query, {"SELECT TRIM(RDB$CHARACTER_SET_NAME) AS CSN,",
                    "RDB$GET_CONTEXT('SYSTEM', 'ENGINE_VERSION') AS VER,",
                    "M.MON$ODS_MAJOR AS ODSMAJ, M.MON$ODS_MINOR AS ODSMIN,",
                    "M.MON$SQL_DIALECT AS DIALECT, M.MON$PAGE_SIZE AS PSIZE,",
                    "M.MON$FORCED_WRITES AS FW, M.MON$SWEEP_INTERVAL AS SWEEP,",
                    "M.MON$READ_ONLY AS RO, M.MON$PAGE_BUFFERS AS BUFS",
                    "FROM RDB$DATABASE CROSS JOIN MON$DATABASE M"});
  TIBServerOptions& S = Objs->IBServerOptions;
  TIBDatabaseOptions& D = S.GetIBDatabaseOptions();
  if (!Query.GetEof()) {
    FDBCharSet = Trim(Row.Str("CSN"));
    S.SetDBCharSet(FDBCharSet);
    D.ServerVersionText = "Firebird " + Trim(Row.Str("VER"));
    D.ODSMajorVersion = Row.Int("ODSMAJ");
    D.ODSMinorVersion = Row.Int("ODSMIN");
    D.SQLDialect = Row.Int("DIALECT");
    D.PageSize = Row.Int("PSIZE");
    D.ForcedWrites = Row.Int("FW") != 0;
    D.SweepInterval = Row.Int("SWEEP");
    D.ReadOnly = Row.Int("RO") != 0;
    D.CachePages = Row.Int("BUFS");
    FPackages = D.ODSMajorVersion >= 12;
    S.SetSQLDialect(static_cast<TIBSQLDialectType>(D.SQLDialect == 0 ? 3 : D.SQLDialect));
    // The engine's major version: 2.0 and 2.1 read as such, anything newer as the newest the
    // library knows.
    const std::string V = Trim(Row.Str("VER"));
    if (StartsText("2.0", V))
      S.SQLServerVersion = st_Firebird_20;
    else if (StartsText("2.1", V))
      S.SQLServerVersion = st_Firebird_21;
    else
      S.SQLServerVersion = st_Firebird_25;
  }
  CloseQuery(Query);
  const TConnectionOptions& C = GetQELConnection()->GetConnectionOptions();
  Objs->ConnectionOptions.Assign(C);
}

// ---------------------------------------------------------------------------------------------
// Domains

void TIBDBExtract::ReadDimensions() {
  if (FDimsRead) return;
  FDimsRead = true;
  FDims.clear();
  ForEachRow({"SELECT TRIM(RDB$FIELD_NAME) AS FLD, RDB$LOWER_BOUND AS LO, RDB$UPPER_BOUND AS HI",
              "FROM RDB$FIELD_DIMENSIONS ORDER BY RDB$FIELD_NAME, RDB$DIMENSION"},
             [this](TCatalogRow& Row) {
               std::string& Dims = FDims[Trim(Row.Str("FLD"))];
               Dims += (Dims.empty() ? " [" : ", ") + IntToStr(Row.Int("LO")) + ":" +
                       IntToStr(Row.Int("HI"));
             });
  for (auto& [Field, Dims] : FDims) Dims += "]";
}

std::string TIBDBExtract::DimsOf(const std::string& FieldSource) const {
  const auto It = FDims.find(FieldSource);
  return It == FDims.end() ? std::string() : It->second;
}

void TIBDBExtract::ExtractDomains() {
  AddToLog("Extracting domains...");
  ReadDimensions();
  TQELQuery& Query = WorkQuery();
  TCatalogRow Row(Query);
  OpenQuery(
      Query,
      {std::string("SELECT TRIM(F.RDB$FIELD_NAME) AS NAME, ") + kTypeColumns + ",",
       "F.RDB$DEFAULT_SOURCE AS DEF, F.RDB$VALIDATION_SOURCE AS CHK,",
       "F.RDB$NULL_FLAG AS NF, F.RDB$DESCRIPTION AS DESCR", "FROM RDB$FIELDS F",
       "LEFT JOIN RDB$CHARACTER_SETS CS ON CS.RDB$CHARACTER_SET_ID = F.RDB$CHARACTER_SET_ID",
       "LEFT JOIN RDB$COLLATIONS CO ON CO.RDB$COLLATION_ID = F.RDB$COLLATION_ID",
       "  AND CO.RDB$CHARACTER_SET_ID = F.RDB$CHARACTER_SET_ID",
       "WHERE COALESCE(F.RDB$SYSTEM_FLAG, 0) = 0 AND F.RDB$FIELD_NAME NOT STARTING WITH 'RDB$'",
       "ORDER BY 1"});
  for (; !Query.GetEof(); Query.Next()) {
    const std::string Name = Trim(Row.Str("NAME"));
    if (ShowFullLog) AddToLog("---" + Name);
    // COLLATE ends a domain's definition, after its checks.
    std::string Type = TypeText(Row, FDBCharSet, false, DimsOf(Name));
    std::string Def = "CREATE DOMAIN " + Q(Name) + " AS " + Type;
    if (const std::string D = Trim(Row.Str("DEF")); !D.empty()) Def += " " + D;
    if (Row.Int("NF") != 0) Def += " NOT NULL";
    if (const std::string C = Trim(Row.Str("CHK")); !C.empty()) Def += " " + C;
    if (!Row.IsNull("COLLID") && Row.Int("COLLID") != 0) Def += " COLLATE " + Trim(Row.Str("COLL"));
    Emit(Def);
    EmitComment("DOMAIN " + Q(Name), Row.Str("DESCR"));
  }
  CloseQuery(Query);
}

// ---------------------------------------------------------------------------------------------
// Tables and views with their columns

void TIBDBExtract::ExtractRelations() {
  AddToLog("Extracting tables and views...");
  ReadDimensions();
  TQELQuery& Query = WorkQuery();
  TCatalogRow Row(Query);
  struct TColumn {
    std::string Def, Name, Description;
  };
  std::map<std::string, std::vector<TColumn>> Columns;
  OpenQuery(
      Query,
      {std::string("SELECT TRIM(RF.RDB$RELATION_NAME) AS REL, TRIM(RF.RDB$FIELD_NAME) AS NAME,"),
       "TRIM(RF.RDB$FIELD_SOURCE) AS SRC, RF.RDB$NULL_FLAG AS NF,",
       "RF.RDB$DEFAULT_SOURCE AS DEF, F.RDB$COMPUTED_SOURCE AS COMP,",
       "RF.RDB$DESCRIPTION AS DESCR, " + std::string(kTypeColumns), "FROM RDB$RELATION_FIELDS RF",
       "JOIN RDB$RELATIONS R ON R.RDB$RELATION_NAME = RF.RDB$RELATION_NAME",
       "JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE",
       "LEFT JOIN RDB$CHARACTER_SETS CS ON CS.RDB$CHARACTER_SET_ID = F.RDB$CHARACTER_SET_ID",
       "LEFT JOIN RDB$COLLATIONS CO ON CO.RDB$COLLATION_ID = COALESCE(RF.RDB$COLLATION_ID, "
       "F.RDB$COLLATION_ID)",
       "  AND CO.RDB$CHARACTER_SET_ID = F.RDB$CHARACTER_SET_ID",
       "WHERE COALESCE(R.RDB$SYSTEM_FLAG, 0) = 0",
       "ORDER BY RF.RDB$RELATION_NAME, RF.RDB$FIELD_POSITION"});
  for (; !Query.GetEof(); Query.Next()) {
    TColumn C;
    C.Name = Trim(Row.Str("NAME"));
    const std::string Source = Trim(Row.Str("SRC"));
    std::string Def = Q(C.Name) + " ";
    if (const std::string Comp = Trim(Row.Str("COMP")); !Comp.empty()) {
      Def += "COMPUTED BY " + Comp;
    } else {
      Def +=
          StartsText("RDB$", Source) ? TypeText(Row, FDBCharSet, false, DimsOf(Source)) : Q(Source);
      if (const std::string D = Trim(Row.Str("DEF")); !D.empty()) Def += " " + D;
      if (Row.Int("NF") != 0) Def += " NOT NULL";
      if (StartsText("RDB$", Source) && !Row.IsNull("COLLID") && Row.Int("COLLID") != 0)
        Def += " COLLATE " + Trim(Row.Str("COLL"));
    }
    C.Def = Def;
    C.Description = Row.Str("DESCR");
    Columns[Trim(Row.Str("REL"))].push_back(std::move(C));
  }
  CloseQuery(Query);

  // RDB$RELATION_TYPE (ODS 11.2, Firebird 2.5 on) tells global temporary tables: 4 keeps the
  // rows to the end of the connection, 5 to the end of the transaction.
  const TIBDatabaseOptions& DbOptions = GetObjs()->IBServerOptions.GetIBDatabaseOptions();
  const bool RelationType = DbOptions.ODSMajorVersion > 11 ||
                            (DbOptions.ODSMajorVersion == 11 && DbOptions.ODSMinorVersion >= 2);
  OpenQuery(Query, {"SELECT TRIM(RDB$RELATION_NAME) AS NAME, RDB$VIEW_SOURCE AS SRC,",
                    std::string("RDB$DESCRIPTION AS DESCR, RDB$EXTERNAL_FILE AS EXTF") +
                        (RelationType ? ", RDB$RELATION_TYPE AS RTYPE" : ""),
                    "FROM RDB$RELATIONS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 ORDER BY 1"});
  for (; !Query.GetEof(); Query.Next()) {
    const std::string Name = Trim(Row.Str("NAME"));
    const bool View = !Row.IsNull("SRC");
    if (ShowFullLog) AddToLog("---" + Name);
    const std::vector<TColumn>& Cols = Columns[Name];
    std::string Def;
    if (View) {
      Def = "CREATE VIEW " + Q(Name) + " (";
      for (std::size_t I = 0; I < Cols.size(); ++I) Def += (I ? ", " : "") + Q(Cols[I].Name);
      // The source as the server keeps it, from after AS.
      Def += ") AS\n" + Row.Str("SRC");
    } else {
      const std::int32_t Type = RelationType ? Row.Int("RTYPE") : 0;
      Def =
          std::string(Type == 4 || Type == 5 ? "CREATE GLOBAL TEMPORARY TABLE " : "CREATE TABLE ") +
          Q(Name);
      if (const std::string F = Trim(Row.Str("EXTF")); !F.empty())
        Def += " EXTERNAL FILE " + Quoted(F);
      Def += " (";
      for (std::size_t I = 0; I < Cols.size(); ++I) Def += (I ? ",\n  " : "\n  ") + Cols[I].Def;
      Def += ")";
      if (Type == 4) Def += " ON COMMIT PRESERVE ROWS";
      if (Type == 5) Def += " ON COMMIT DELETE ROWS";
    }
    Emit(Def);
    EmitComment(std::string(View ? "VIEW " : "TABLE ") + Q(Name), Row.Str("DESCR"));
    for (const TColumn& C : Cols) EmitComment("COLUMN " + Q(Name) + "." + Q(C.Name), C.Description);
  }
  CloseQuery(Query);
}

// ---------------------------------------------------------------------------------------------
// Keys, checks and indexes

void TIBDBExtract::ExtractKeys() {
  AddToLog("Extracting keys and checks...");
  TQELQuery& Query = WorkQuery();
  TCatalogRow Row(Query);
  std::map<std::string, std::vector<std::string>> Segments;
  OpenQuery(Query, {"SELECT TRIM(RDB$INDEX_NAME) AS IDX, TRIM(RDB$FIELD_NAME) AS FLD",
                    "FROM RDB$INDEX_SEGMENTS ORDER BY RDB$INDEX_NAME, RDB$FIELD_POSITION"});
  for (; !Query.GetEof(); Query.Next())
    Segments[Trim(Row.Str("IDX"))].push_back(Trim(Row.Str("FLD")));
  CloseQuery(Query);
  auto List = [&](const std::string& Index) {
    std::string R = "(";
    const auto& S = Segments[Index];
    for (std::size_t I = 0; I < S.size(); ++I) R += (I ? ", " : "") + Q(S[I]);
    return R + ")";
  };

  // Primary and unique keys first: the foreign keys refer to them.
  OpenQuery(
      Query,
      {"SELECT TRIM(RC.RDB$CONSTRAINT_NAME) AS NAME, TRIM(RC.RDB$CONSTRAINT_TYPE) AS TYP,",
       "TRIM(RC.RDB$RELATION_NAME) AS REL, TRIM(RC.RDB$INDEX_NAME) AS IDX,",
       "I.RDB$INDEX_TYPE AS DESCENDING, TRIM(RK.RDB$RELATION_NAME) AS REFREL,",
       "TRIM(RK.RDB$INDEX_NAME) AS REFIDX, TRIM(RF.RDB$UPDATE_RULE) AS UPD,",
       "TRIM(RF.RDB$DELETE_RULE) AS DEL", "FROM RDB$RELATION_CONSTRAINTS RC",
       "JOIN RDB$INDICES I ON I.RDB$INDEX_NAME = RC.RDB$INDEX_NAME",
       "LEFT JOIN RDB$REF_CONSTRAINTS RF ON RF.RDB$CONSTRAINT_NAME = RC.RDB$CONSTRAINT_NAME",
       "LEFT JOIN RDB$RELATION_CONSTRAINTS RK ON RK.RDB$CONSTRAINT_NAME = RF.RDB$CONST_NAME_UQ",
       "JOIN RDB$RELATIONS R ON R.RDB$RELATION_NAME = RC.RDB$RELATION_NAME",
       "WHERE RC.RDB$CONSTRAINT_TYPE IN ('PRIMARY KEY', 'UNIQUE', 'FOREIGN KEY')",
       "AND COALESCE(R.RDB$SYSTEM_FLAG, 0) = 0",
       "ORDER BY CASE RC.RDB$CONSTRAINT_TYPE WHEN 'FOREIGN KEY' THEN 1 ELSE 0 END,",
       "RC.RDB$RELATION_NAME, RC.RDB$CONSTRAINT_NAME"});
  for (; !Query.GetEof(); Query.Next()) {
    const std::string Name = Trim(Row.Str("NAME"));
    const std::string Type = Trim(Row.Str("TYP"));
    const std::string Index = Trim(Row.Str("IDX"));
    if (ShowFullLog) AddToLog("---" + Name);
    // An INTEG_n name is written too: the parser keeps it apart as the server's own.
    std::string Def = "ALTER TABLE " + Q(Trim(Row.Str("REL"))) + " ADD CONSTRAINT " + Q(Name) + " ";
    Def += Type + " " + List(Index);
    if (Type == "FOREIGN KEY") {
      Def += " REFERENCES " + Q(Trim(Row.Str("REFREL"))) + " " + List(Trim(Row.Str("REFIDX")));
      for (const auto& [Word, Field] : {std::pair{"UPDATE", "UPD"}, std::pair{"DELETE", "DEL"}}) {
        const std::string Rule = Trim(Row.Str(Field));
        if (!Rule.empty() && Rule != "RESTRICT" && Rule != "NO ACTION")
          Def += std::string(" ON ") + Word + " " + Rule;
      }
    }
    // The index of a key keeps the key's name unless the script named another one.
    if (!SystemName(Index) && Index != Name)
      Def += std::string(" USING ") + (Row.Int("DESCENDING") == 1 ? "DESC " : "") + "INDEX " +
             Q(Index);
    Emit(Def);
  }
  CloseQuery(Query);

  OpenQuery(Query,
            {"SELECT TRIM(RC.RDB$CONSTRAINT_NAME) AS NAME, TRIM(RC.RDB$RELATION_NAME) AS REL,",
             "T.RDB$TRIGGER_SOURCE AS SRC", "FROM RDB$RELATION_CONSTRAINTS RC",
             "JOIN RDB$CHECK_CONSTRAINTS CC ON CC.RDB$CONSTRAINT_NAME = RC.RDB$CONSTRAINT_NAME",
             "JOIN RDB$TRIGGERS T ON T.RDB$TRIGGER_NAME = CC.RDB$TRIGGER_NAME",
             "JOIN RDB$RELATIONS R ON R.RDB$RELATION_NAME = RC.RDB$RELATION_NAME",
             "WHERE RC.RDB$CONSTRAINT_TYPE = 'CHECK' AND T.RDB$TRIGGER_TYPE = 1",
             "AND COALESCE(R.RDB$SYSTEM_FLAG, 0) = 0",
             "ORDER BY RC.RDB$RELATION_NAME, RC.RDB$CONSTRAINT_NAME"});
  for (; !Query.GetEof(); Query.Next()) {
    const std::string Name = Trim(Row.Str("NAME"));
    if (ShowFullLog) AddToLog("---" + Name);
    Emit("ALTER TABLE " + Q(Trim(Row.Str("REL"))) + " ADD CONSTRAINT " + Q(Name) + " " +
         Trim(Row.Str("SRC")));  // "CHECK (...)" as written
  }
  CloseQuery(Query);
}

void TIBDBExtract::ExtractIndexes() {
  AddToLog("Extracting indexes...");
  TQELQuery& Query = WorkQuery();
  TCatalogRow Row(Query);
  OpenQuery(Query,
            {"SELECT TRIM(I.RDB$INDEX_NAME) AS NAME, TRIM(I.RDB$RELATION_NAME) AS REL,",
             "I.RDB$UNIQUE_FLAG AS UNIQ, I.RDB$INDEX_TYPE AS DESCENDING,",
             "I.RDB$EXPRESSION_SOURCE AS EXPR, I.RDB$DESCRIPTION AS DESCR,",
             "(SELECT LIST(TRIM(S.RDB$FIELD_NAME), ',') FROM (SELECT RDB$FIELD_NAME",
             "  FROM RDB$INDEX_SEGMENTS WHERE RDB$INDEX_NAME = I.RDB$INDEX_NAME",
             "  ORDER BY RDB$FIELD_POSITION) S) AS FLDS", "FROM RDB$INDICES I",
             "LEFT JOIN RDB$RELATION_CONSTRAINTS RC ON RC.RDB$INDEX_NAME = I.RDB$INDEX_NAME",
             "JOIN RDB$RELATIONS R ON R.RDB$RELATION_NAME = I.RDB$RELATION_NAME",
             "WHERE COALESCE(I.RDB$SYSTEM_FLAG, 0) = 0 AND COALESCE(R.RDB$SYSTEM_FLAG, 0) = 0",
             "AND RC.RDB$CONSTRAINT_NAME IS NULL", "ORDER BY 1"});
  for (; !Query.GetEof(); Query.Next()) {
    const std::string Name = Trim(Row.Str("NAME"));
    if (ShowFullLog) AddToLog("---" + Name);
    std::string Def = "CREATE ";
    if (Row.Int("UNIQ") == 1) Def += "UNIQUE ";
    if (Row.Int("DESCENDING") == 1) Def += "DESCENDING ";
    Def += "INDEX " + Q(Name) + " ON " + Q(Trim(Row.Str("REL")));
    if (const std::string E = Trim(Row.Str("EXPR")); !E.empty()) {
      Def += " COMPUTED BY " + E;
    } else {
      std::string Cols;
      const std::string Fields = Row.Str("FLDS");
      std::size_t Start = 0;
      while (Start <= Fields.size()) {
        const std::size_t Comma = std::min(Fields.find(',', Start), Fields.size());
        Cols += (Cols.empty() ? "" : ", ") + Q(Trim(Fields.substr(Start, Comma - Start)));
        Start = Comma + 1;
      }
      Def += " (" + Cols + ")";
    }
    Emit(Def);
    EmitComment("INDEX " + Q(Name), Row.Str("DESCR"));
  }
  CloseQuery(Query);
}

// ---------------------------------------------------------------------------------------------
// Generators, exceptions, roles

void TIBDBExtract::ExtractGenerators() {
  AddToLog("Extracting generators...");
  TQELQuery& Query = WorkQuery();
  TCatalogRow Row(Query);
  OpenQuery(Query, {"SELECT TRIM(RDB$GENERATOR_NAME) AS NAME, RDB$DESCRIPTION AS DESCR",
                    "FROM RDB$GENERATORS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 ORDER BY 1"});
  for (; !Query.GetEof(); Query.Next()) {
    const std::string Name = Trim(Row.Str("NAME"));
    if (ShowFullLog) AddToLog("---" + Name);
    Emit("CREATE GENERATOR " + Q(Name));
    EmitComment("GENERATOR " + Q(Name), Row.Str("DESCR"));
  }
  CloseQuery(Query);
}

void TIBDBExtract::ExtractExceptions() {
  AddToLog("Extracting exceptions...");
  TQELQuery& Query = WorkQuery();
  TCatalogRow Row(Query);
  OpenQuery(
      Query,
      {"SELECT TRIM(RDB$EXCEPTION_NAME) AS NAME, RDB$MESSAGE AS MSG, RDB$DESCRIPTION AS DESCR",
       "FROM RDB$EXCEPTIONS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 ORDER BY 1"});
  for (; !Query.GetEof(); Query.Next()) {
    const std::string Name = Trim(Row.Str("NAME"));
    if (ShowFullLog) AddToLog("---" + Name);
    Emit("CREATE EXCEPTION " + Q(Name) + " " + Quoted(Row.Str("MSG")));
    EmitComment("EXCEPTION " + Q(Name), Row.Str("DESCR"));
  }
  CloseQuery(Query);
}

void TIBDBExtract::ExtractRoles() {
  AddToLog("Extracting roles...");
  TQELQuery& Query = WorkQuery();
  TCatalogRow Row(Query);
  OpenQuery(Query, {"SELECT TRIM(RDB$ROLE_NAME) AS NAME, RDB$DESCRIPTION AS DESCR",
                    "FROM RDB$ROLES WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 ORDER BY 1"});
  for (; !Query.GetEof(); Query.Next()) {
    const std::string Name = Trim(Row.Str("NAME"));
    if (ShowFullLog) AddToLog("---" + Name);
    Emit("CREATE ROLE " + Q(Name));
    EmitComment("ROLE " + Q(Name), Row.Str("DESCR"));
  }
  CloseQuery(Query);
}

// ---------------------------------------------------------------------------------------------
// Procedures and triggers

void TIBDBExtract::ExtractProcedures() {
  AddToLog("Extracting procedures...");
  TQELQuery& Query = WorkQuery();
  TCatalogRow Row(Query);
  struct TParam {
    std::string Def, Name, Description;
    bool Output = false;
  };
  std::map<std::string, std::vector<TParam>> Params;
  OpenQuery(
      Query,
      {"SELECT TRIM(PP.RDB$PROCEDURE_NAME) AS PRC, TRIM(PP.RDB$PARAMETER_NAME) AS NAME,",
       "PP.RDB$PARAMETER_TYPE AS OUTPUT, TRIM(PP.RDB$FIELD_SOURCE) AS SRC,",
       "PP.RDB$DEFAULT_SOURCE AS DEF, PP.RDB$NULL_FLAG AS NF,",
       "PP.RDB$PARAMETER_MECHANISM AS MECH, PP.RDB$DESCRIPTION AS DESCR, " +
           std::string(kTypeColumns),
       "FROM RDB$PROCEDURE_PARAMETERS PP",
       "JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = PP.RDB$FIELD_SOURCE",
       "LEFT JOIN RDB$CHARACTER_SETS CS ON CS.RDB$CHARACTER_SET_ID = F.RDB$CHARACTER_SET_ID",
       "LEFT JOIN RDB$COLLATIONS CO ON CO.RDB$COLLATION_ID = F.RDB$COLLATION_ID",
       "  AND CO.RDB$CHARACTER_SET_ID = F.RDB$CHARACTER_SET_ID", "WHERE " + NotPackaged("PP."),
       "ORDER BY PP.RDB$PROCEDURE_NAME, PP.RDB$PARAMETER_TYPE, PP.RDB$PARAMETER_NUMBER"});
  for (; !Query.GetEof(); Query.Next()) {
    TParam P;
    P.Name = Trim(Row.Str("NAME"));
    P.Output = Row.Int("OUTPUT") == 1;
    const std::string Source = Trim(Row.Str("SRC"));
    P.Def = Q(P.Name) + " ";
    if (StartsText("RDB$", Source))
      P.Def += TypeText(Row, FDBCharSet);
    else
      P.Def += (Row.Int("MECH") == 1 ? "TYPE OF " : "") + Q(Source);
    if (Row.Int("NF") != 0) P.Def += " NOT NULL";
    if (const std::string D = Trim(Row.Str("DEF")); !D.empty()) P.Def += " " + D;
    P.Description = Row.Str("DESCR");
    Params[Trim(Row.Str("PRC"))].push_back(std::move(P));
  }
  CloseQuery(Query);

  OpenQuery(Query,
            {"SELECT TRIM(RDB$PROCEDURE_NAME) AS NAME, RDB$PROCEDURE_SOURCE AS SRC,",
             "RDB$DESCRIPTION AS DESCR FROM RDB$PROCEDURES",
             "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND " + NotPackaged("") + " ORDER BY 1"});
  for (; !Query.GetEof(); Query.Next()) {
    const std::string Name = Trim(Row.Str("NAME"));
    if (ShowFullLog) AddToLog("---" + Name);
    std::string In, Out;
    for (const TParam& P : Params[Name])
      (P.Output ? Out : In) += ((P.Output ? Out : In).empty() ? "" : ", ") + P.Def;
    std::string Def = "CREATE PROCEDURE " + Q(Name);
    if (!In.empty()) Def += " (" + In + ")";
    if (!Out.empty()) Def += "\nRETURNS (" + Out + ")";
    Emit(Def + "\nAS\n" + Row.Str("SRC"));
    EmitComment("PROCEDURE " + Q(Name), Row.Str("DESCR"));
    for (const TParam& P : Params[Name])
      EmitComment("PARAMETER " + Q(Name) + "." + Q(P.Name), P.Description);
  }
  CloseQuery(Query);
}

void TIBDBExtract::ExtractTriggers() {
  AddToLog("Extracting triggers...");
  TQELQuery& Query = WorkQuery();
  TCatalogRow Row(Query);
  // DML triggers of the user's tables and views; the triggers of check constraints are the
  // server's own.
  OpenQuery(Query, {"SELECT TRIM(T.RDB$TRIGGER_NAME) AS NAME, TRIM(T.RDB$RELATION_NAME) AS REL,",
                    "T.RDB$TRIGGER_TYPE AS TYP, T.RDB$TRIGGER_SEQUENCE AS POS,",
                    "T.RDB$TRIGGER_INACTIVE AS INACTIVE, T.RDB$TRIGGER_SOURCE AS SRC,",
                    "T.RDB$DESCRIPTION AS DESCR FROM RDB$TRIGGERS T",
                    "WHERE COALESCE(T.RDB$SYSTEM_FLAG, 0) = 0 AND T.RDB$RELATION_NAME IS NOT NULL",
                    "AND T.RDB$TRIGGER_TYPE < 8192",
                    "AND NOT EXISTS (SELECT 1 FROM RDB$CHECK_CONSTRAINTS C",
                    "  WHERE C.RDB$TRIGGER_NAME = T.RDB$TRIGGER_NAME)", "ORDER BY 1"});
  for (; !Query.GetEof(); Query.Next()) {
    const std::string Name = Trim(Row.Str("NAME"));
    if (ShowFullLog) AddToLog("---" + Name);
    std::string Def = "CREATE TRIGGER " + Q(Name) + " FOR " + Q(Trim(Row.Str("REL"))) + " ";
    Def += Row.Int("INACTIVE") != 0 ? "INACTIVE " : "ACTIVE ";
    Def += TriggerTypeText(Row.Int("TYP")) + " POSITION " + IntToStr(Row.Int("POS")) + "\n";
    Emit(Def + Row.Str("SRC"));
    EmitComment("TRIGGER " + Q(Name), Row.Str("DESCR"));
  }
  CloseQuery(Query);
}

// ---------------------------------------------------------------------------------------------
// External functions and grants

void TIBDBExtract::ExtractFunctions() {
  AddToLog("Extracting external functions...");
  TQELQuery& Query = WorkQuery();
  TCatalogRow Row(Query);
  struct TArg {
    std::string Def;
    std::int32_t Position = 0;
  };
  std::map<std::string, std::vector<TArg>> Args;
  OpenQuery(Query,
            {"SELECT TRIM(A.RDB$FUNCTION_NAME) AS FN, A.RDB$ARGUMENT_POSITION AS POS,",
             "A.RDB$MECHANISM AS MECH, A.RDB$FIELD_TYPE AS FT, A.RDB$FIELD_SUB_TYPE AS FST,",
             "A.RDB$FIELD_PRECISION AS FPREC, A.RDB$FIELD_SCALE AS FSCALE,",
             "A.RDB$CHARACTER_LENGTH AS CLEN, A.RDB$FIELD_LENGTH AS FLEN, 0 AS SEG,",
             "TRIM(CS.RDB$CHARACTER_SET_NAME) AS CSN, CAST(NULL AS VARCHAR(63)) AS COLL,",
             "CAST(NULL AS INTEGER) AS COLLID", "FROM RDB$FUNCTION_ARGUMENTS A",
             "JOIN RDB$FUNCTIONS F ON F.RDB$FUNCTION_NAME = A.RDB$FUNCTION_NAME",
             "LEFT JOIN RDB$CHARACTER_SETS CS ON CS.RDB$CHARACTER_SET_ID = A.RDB$CHARACTER_SET_ID",
             "WHERE F.RDB$MODULE_NAME IS NOT NULL AND " + NotPackaged("A."),
             "ORDER BY A.RDB$FUNCTION_NAME, A.RDB$ARGUMENT_POSITION"});
  for (; !Query.GetEof(); Query.Next()) {
    TArg A;
    A.Position = Row.Int("POS");
    // A CSTRING argument is stored as type 40, its length in characters (the byte length is
    // that times the bytes a character of its set may take).
    if (Row.Int("FT") == ibtCstring) {
      const std::int32_t Len = Row.IsNull("CLEN") ? Row.Int("FLEN") : Row.Int("CLEN");
      A.Def = "CSTRING(" + IntToStr(Len) + ")";
      if (const std::string CS = Trim(Row.Str("CSN")); !CS.empty() && !SameText(CS, FDBCharSet))
        A.Def += " CHARACTER SET " + CS;
    } else {
      A.Def = TypeText(Row, FDBCharSet);
    }
    const std::int32_t Mech = Row.Int("MECH");
    if (Mech == 0) A.Def += " BY VALUE";
    if (Mech == 2) A.Def += " BY DESCRIPTOR";
    Args[Trim(Row.Str("FN"))].push_back(std::move(A));
  }
  CloseQuery(Query);
  OpenQuery(Query, {"SELECT TRIM(RDB$FUNCTION_NAME) AS NAME, RDB$RETURN_ARGUMENT AS RET,",
                    "TRIM(RDB$MODULE_NAME) AS MODNAME, TRIM(RDB$ENTRYPOINT) AS ENTRY,",
                    "RDB$DESCRIPTION AS DESCR FROM RDB$FUNCTIONS",
                    "WHERE RDB$MODULE_NAME IS NOT NULL AND " + NotPackaged(""),
                    "AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0 ORDER BY 1"});
  for (; !Query.GetEof(); Query.Next()) {
    const std::string Name = Trim(Row.Str("NAME"));
    if (ShowFullLog) AddToLog("---" + Name);
    const std::int32_t Ret = Row.Int("RET");
    std::string In, Returns;
    for (const TArg& A : Args[Name]) {
      if (A.Position == Ret) {
        Returns = A.Def;
        continue;
      }
      In += (In.empty() ? "" : ", ") + A.Def;
    }
    if (Ret != 0) Returns = "PARAMETER " + IntToStr(Ret);
    Emit("DECLARE EXTERNAL FUNCTION " + Q(Name) + (In.empty() ? "" : " " + In) + "\nRETURNS " +
         Returns + "\nENTRY_POINT " + Quoted(Row.Str("ENTRY")) + " MODULE_NAME " +
         Quoted(Row.Str("MODNAME")));
    EmitComment("EXTERNAL FUNCTION " + Q(Name), Row.Str("DESCR"));
  }
  CloseQuery(Query);
}

void TIBDBExtract::ExtractGrants() {
  AddToLog("Extracting grants...");
  FOwnersRead = true;
  ForEachRow({"SELECT TRIM(RDB$RELATION_NAME) AS OBJ, TRIM(RDB$OWNER_NAME) AS OWNER",
              "FROM RDB$RELATIONS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 UNION ALL",
              "SELECT TRIM(RDB$PROCEDURE_NAME), TRIM(RDB$OWNER_NAME) FROM RDB$PROCEDURES",
              "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0"},
             [this](TCatalogRow& Row) { FOwners[Row.Str("OBJ")] = Row.Str("OWNER"); });
  TQELQuery& Query = WorkQuery();
  TCatalogRow Row(Query);
  // The owner's own rights on what it made are the server's; the rest is grouped into one
  // statement per object, grantee, column and grant option, as a script writes them.
  OpenQuery(
      Query,
      {"SELECT TRIM(P.RDB$USER) AS GRANTEE, P.RDB$USER_TYPE AS UTYPE,",
       "TRIM(P.RDB$PRIVILEGE) AS PRIV, P.RDB$GRANT_OPTION AS OPT,",
       "TRIM(P.RDB$RELATION_NAME) AS OBJ, P.RDB$OBJECT_TYPE AS OTYPE,",
       "TRIM(P.RDB$FIELD_NAME) AS FLD", "FROM RDB$USER_PRIVILEGES P",
       "WHERE P.RDB$USER <> P.RDB$GRANTOR AND P.RDB$RELATION_NAME NOT STARTING WITH 'RDB$'",
       "AND P.RDB$RELATION_NAME NOT STARTING WITH 'MON$'", "AND P.RDB$OBJECT_TYPE IN (0, 1, 5, 13)",
       "ORDER BY P.RDB$RELATION_NAME, P.RDB$USER, P.RDB$PRIVILEGE"});
  using TKey =
      std::tuple<std::string, std::int32_t, std::string, std::int32_t, std::string, std::int32_t>;
  std::map<TKey, std::vector<std::string>> Groups;
  for (; !Query.GetEof(); Query.Next()) {
    static const std::map<std::string, std::string> Words = {
        {"S", "SELECT"},     {"I", "INSERT"},  {"U", "UPDATE"}, {"D", "DELETE"},
        {"R", "REFERENCES"}, {"X", "EXECUTE"}, {"M", ""}};
    const auto It = Words.find(Trim(Row.Str("PRIV")));
    if (It == Words.end()) continue;
    const TKey Key{Trim(Row.Str("OBJ")), Row.Int("OTYPE"),     Trim(Row.Str("GRANTEE")),
                   Row.Int("UTYPE"),     Trim(Row.Str("FLD")), Row.Int("OPT")};
    Groups[Key].push_back(It->second);
  }
  CloseQuery(Query);
  for (const auto& [Key, Privs] : Groups) {
    const auto& [Obj, ObjType, Grantee, UserType, Field, Option] = Key;
    std::string Def = "GRANT ";
    if (ObjType == gotRole) {
      Def += Q(Obj);
    } else {
      std::string List;
      for (const std::string& P : Privs) List += (List.empty() ? "" : ", ") + P;
      if (!Field.empty()) List += " (" + Q(Field) + ")";
      Def += List + " ON " + (ObjType == gotProcedure ? "PROCEDURE " : "") + Q(Obj);
    }
    Def += " TO ";
    if (UserType == gotProcedure) Def += "PROCEDURE ";
    if (UserType == gotTrigger) Def += "TRIGGER ";
    if (UserType == gotView) Def += "VIEW ";
    if (UserType == gotRole) Def += "ROLE ";
    Def += Q(Grantee);
    if (Option != 0) Def += ObjType == gotRole ? " WITH ADMIN OPTION" : " WITH GRANT OPTION";
    Emit(Def);
  }
}

}  // namespace qel
