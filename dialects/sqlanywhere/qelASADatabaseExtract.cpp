// The SQL Anywhere catalog extractor: the step list, the column types and the catalog queries of
// user types, rules, defaults, tables, publications, views, procedures, triggers, events,
// indexes and keys, each as the server version in force asks for.
#include "qelASADatabaseExtract.h"

#include <array>
#include <initializer_list>
#include <memory>
#include <string_view>

#include "Text.h"
#include "qelASAParser.h"
#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Def.h"
#include "qelComp_Dmn.h"
#include "qelComp_Exc.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Rul.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelMsg.h"

namespace qel {

namespace {

// SYSDOMAIN.domain_name, compared as the server spells it: the types beyond those that the
// Transact-SQL family shares (TransactSQLCatalogType).
constexpr std::array<TCatalogType, 3> kCatalogTypes{{
    {"double", iftDouble},
    {"long binary", iftLongBinary},
    {"long varchar", iftLongVarchar},
}};

/// The decimal value of a mask text, digit by digit; a character that is not a digit raises a
/// conversion error, which ends the run.
std::uint32_t MaskValue(const std::string& Text) {
  std::uint32_t R = 0;
  std::uint32_t Weight = 1;
  for (auto It = Text.rbegin(); It != Text.rend(); ++It) {
    if (*It < '0' || *It > '9') throw EConvertError("'" + Text + "' is not a valid integer value");
    R += static_cast<std::uint32_t>(*It - '0') * Weight;
    Weight *= 10;
  }
  return R;
}

/// "hh:mm:ss" of a time or date-time text.
std::string TimeText(const std::string& Value) {
  const std::size_t Blank = Value.find(' ');
  const std::string T = Blank == std::string::npos ? Value : Value.substr(Blank + 1);
  return T.substr(0, 8);
}

/// "yyyy/mm/dd" of a date or date-time text ("yyyy-mm-dd ...").
std::string DateText(const std::string& Value) {
  std::string D = Value.substr(0, 10);
  for (char& C : D)
    if (C == '-') C = '/';
  return D;
}

/// A procedure or trigger query: Head, the source column line when there is one, then Tail.
std::vector<std::string> RoutineQuery(std::vector<std::string> Head, const char* SourceColumn,
                                      std::initializer_list<std::string> Tail) {
  if (SourceColumn) Head.emplace_back(SourceColumn);
  Head.insert(Head.end(), Tail.begin(), Tail.end());
  return Head;
}

TUDAction ActionOf(TCatalogRow& Row, const char* Field) {
  const std::string A = Row.Str(Field);
  if (A == "C") return udaCascade;
  if (A == "D") return udaDefault;
  if (A == "N") return udaNull;
  if (A == "R") return udaRestrict;
  return udaNoAction;
}

}  // namespace

const char* const TASADBExtract::OwnerFilter =
    "u.user_name not in ('sys', 'dbo', 'rs_systabgroup', 'sa_debug')";

TASADBExtract::TASADBExtract(TComponent* AOwner) : TCustomDBExtract(AOwner) {
  DatabaseType = dbSybaseASA;
}

TASADBExtract::~TASADBExtract() = default;

std::vector<TDBExtractStep> TASADBExtract::ExtractSteps() {
  std::vector<TDBExtractStep> Steps = {
      {0, false, coDomain, "ExtractHeader", [this] { ExtractHeader(); }},
      {0, true, coDomain, "ExtractRul", [this] { ExtractRul(); }},
      {0, true, coDomain, "ExtractDef", [this] { ExtractDef(); }},
      {0, true, coDomain, "ExtractTyp", [this] { ExtractTyp(); }},
  };
  for (TDBExtractStep& Step : CoreSteps(this)) {
    const bool Tables = Step.Kind == coTable;
    Steps.push_back(std::move(Step));
    // Publications name their tables: they are read right after them.
    if (Tables) Steps.push_back({2, true, coTable, "ExtractPbl", [this] { ExtractPbl(); }});
  }
  Steps.push_back({11, false, coDomain, "ExtractEvt", [this] { ExtractEvt(); }});
  Steps.push_back({13, false, coDomain, "ExtractDependencies", [this] { ExtractDependencies(); }});
  return Steps;
}

std::unique_ptr<TCustomParser> TASADBExtract::CreateBodyParser() {
  return MakeBodyParser<TASAParser>();
}

std::vector<TDbObjList TObjs::*> TASADBExtract::BodyLists() const {
  return {&TObjs::Rules, &TObjs::Defaults, &TObjs::Views, &TObjs::Procedures, &TObjs::Triggers};
}

void TASADBExtract::ParseObjText(TCustomParser& Parser, TDbObj& Obj) {
  ParseWith<TASAParser>(Parser, Obj);
}

bool TASADBExtract::KeysOfVersion9() {
  TQELCustomConnection* C = GetQELConnection();
  return !C || C->GetASAServerOptions().SQLServerVersion == st_ASA9;
}

bool TASADBExtract::SourceColumn() {
  const TObjs* Objs = GetObjs();
  return !Objs || Objs->ASAServerOptions.SQLServerVersion >= st_ASA8;
}

void TASADBExtract::ColumnType(TFldData& Fld, const std::string& TypeName, std::int32_t Length,
                               std::int32_t Prec, std::int32_t Scale, std::int32_t Nulls) {
  const TDBFieldType T = CatalogTypeOf(kCatalogTypes, TypeName, TransactSQLCatalogType(TypeName));
  if (T != iftUnknown) {
    Fld.FieldType = T;
  } else if (TObjs* Objs = GetObjs(); Objs && Objs->GetDomain(TypeName)) {
    Fld.FieldType = iftDomain;
    Fld.SetExtra(&TFldExtra::DomainName, TypeName);
  } else {
    DoErrorMessage("Unknown datatype: " + TypeName);
  }
  // This catalog names no type read as iftBlob or iftClob: sizing those too changes nothing.
  SizeFromByteLength(Fld, Length);
  if (Fld.FieldType == iftNumeric || Fld.FieldType == iftDecimal) {
    Fld.Precision = Prec;
    Fld.Scale = Scale;
  }
  Fld.Nullable = Nulls == 1;
}

std::unique_ptr<TQELQuery> TASADBExtract::OpenDetail(const std::vector<std::string>& Lines) {
  std::unique_ptr<TQELQuery> Q = DetailQuery(Lines);
  Q->Open();
  return Q;
}

void TASADBExtract::SetConstraintName(TCtrData& Ctr, const std::string& Name) {
  if (Name.rfind("ASA", 0) == 0)
    Ctr.SetExtra(&TObjExtra::AltName, Name);
  else
    Ctr.SetObjName(Name);
}

void TASADBExtract::AddRoutine(std::unique_ptr<TDbObj> Obj, TCatalogRow& Row, bool Source,
                               const char* RemarksField, const char* TextField) {
  Obj->SetExtra(&TObjExtra::Creator, Row.Str("user_name"));
  Obj->SetExtra(&TObjExtra::Description, Row.Str(RemarksField));
  Obj->SetExtra(&TObjExtra::FullText, Trim(CrLfLineBreaks(Row.Str(Source ? "source" : TextField))));
  FileExtracted(std::move(Obj));
}

std::unique_ptr<TCtrData> TASADBExtract::NewConstraint(TCatalogRow& Row, TConstraintType Type,
                                                       bool Named) {
  auto Ctr = std::make_unique<TCtrData>(GetObjs());
  Ctr->SetCtType(Type);
  if (Named) SetConstraintName(*Ctr, Row.Str("constraint_name"));
  Ctr->SetExtra(&TObjExtra::Creator, Row.Str("user_name"));
  Ctr->SetTblName(Row.Str("table_name"));
  return Ctr;
}

// ---------------------------------------------------------------------------------------------
// Header, user types, rules, defaults

void TASADBExtract::ExtractHeader() {
  TObjs* Objs = GetObjs();
  if (!Objs || !GetQELConnection()) return;
  KeepConnectionOptions();
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(Q, {"SELECT", "(select o1.setting from sysoption o1",
                "where o1.user_id = U.user_id and o1.\"option\" = 'Quoted_identifier') QI,",
                "(select o2.setting from sysoption o2",
                "where o2.user_id=U.user_id and o2.\"option\" = 'Ansinull') AN,",
                "(select default_collation from SYSINFO) DC",
                "from SYSUSERPERM U where U.user_name = 'PUBLIC'"});
  const bool HasRow = !Q.GetEof();
  TASADatabaseOptions& Opt = Objs->ASAServerOptions.GetASADatabaseOptions();
  Opt.QuotedIdentifier = HasRow && UpperCase(Trim(Row.Str("QI"))) == "ON";
  Opt.AnsiNulls = HasRow && UpperCase(Trim(Row.Str("AN"))) == "ON";
  Opt.DefaultCollation = HasRow ? Trim(Row.Str("DC")) : std::string();
  CloseQuery(Q);
}

void TASADBExtract::ExtractTyp() {
  AddToLog("Extracting user datatypes...");
  TObjs* Objs = GetObjs();
  ForEachRow(
      {"select t.type_name, t.nulls nullable, u.user_name,",
       "d.domain_name, t.width length, t.width prec, t.scale,", "t.\"default\", t.\"check\"",
       "from SYS.SYSUSERTYPE t", "join SYS.SYSDOMAIN d on d.domain_id = t.domain_id",
       "join SYS.SYSUSERPERM u on u.user_id = t.creator", std::string("where ") + OwnerFilter},
      [&](TCatalogRow& Row) {
        auto Dmn = std::make_unique<TDmnData>(Objs);
        Dmn->SetObjName(Row.Str("type_name"));
        Dmn->SetExtra(&TObjExtra::Creator, Row.Str("user_name"));
        if (!Dmn->TypeField) Dmn->TypeField = std::make_unique<TFldData>(Objs);
        TFldData& F = *Dmn->TypeField;
        F.OwnerObj = Dmn.get();
        ColumnType(F, Row.Str("domain_name"), Row.Int("length"), Row.Int("prec"), Row.Int("scale"),
                   Row.Str("nullable") == "Y" ? 1 : 0);
        F.DefValue = Trim(Row.Str("default"));
        F.SetExtra(&TObjExtra::Body, Trim(Row.Str("check")));
        if (ShowFullLog) AddToLog("---" + Dmn->GetObjName());
        // User types are filed past the filter: the columns read later name them.
        if (Objs) FileExtracted(std::move(Dmn), Objs->Domains);
      });
}

template <class TData>
void TASADBExtract::ExtractSysObjects(const char* LogLine, const std::string& Where,
                                      TDbObjList TObjs::*List) {
  AddToLog(LogLine);
  TObjs* Objs = GetObjs();
  ForEachRow({"select o.id, o.name", "from sysobjects o", Where, "order by o.name"},
             [&](TCatalogRow& Row) {
               auto Obj = std::make_unique<TData>(Objs);
               Obj->CatalogId = Row.Int("id");
               Obj->SetObjName(Row.Str("name"));
               if (Objs) FileExtracted(std::move(Obj), Objs->*List);
             });
}

void TASADBExtract::ExtractDef() {
  ExtractSysObjects<TDefData>("Extracting defaults...", "where (o.type = 'D')", &TObjs::Defaults);
}

void TASADBExtract::ExtractRul() {
  ExtractSysObjects<TRulData>("Extracting rules...", "where o.type = 'R'", &TObjs::Rules);
}

// ---------------------------------------------------------------------------------------------
// Tables, publications, views, procedures, triggers, events

void TASADBExtract::ExtractTbl() {
  AddToLog("Extracting tables...");
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(
      Q, {"select t.table_id, t.table_name, t.remarks, u.user_name,", "t.table_type, t.last_page",
          "from SYS.SYSTABLE T", "join SYS.SYSUSERPERM u on u.user_id = t.creator",
          "where t.table_type in('BASE', 'GBL TEMP')", std::string("and ") + OwnerFilter});
  // The columns of one table (:ID), opened again for each table.
  auto Cols = DetailQuery({"select c.column_id, c.column_name, d.domain_name TYPE_NAME,",
                           "c.nulls NULLABLE, c.width length, c.width prec, c.scale,",
                           "c.remarks, t.type_name UTYPE_NAME, c.\"default\" as DEFVALUE",
                           "from SYS.SYSCOLUMN c",
                           "left outer join SYS.SYSDOMAIN d on d.domain_id = c.domain_id",
                           "left outer join SYS.SYSUSERTYPE t on t.type_id = c.user_type",
                           "where c.table_id = :ID", "order by c.column_id"});
  TCatalogRow ColsRow(*Cols);
  TObjs* Objs = GetObjs();
  for (; !Q.GetEof(); Q.Next()) {
    auto Tbl = std::make_unique<TTblData>(Objs);
    Tbl->SetObjName(Row.Str("table_name"));
    Tbl->SetExtra(&TObjExtra::Creator, Row.Str("user_name"));
    Tbl->SetExtra(&TObjExtra::Description, Row.Str("remarks"));
    if (Row.Str("table_type") == "GBL TEMP") {
      Tbl->GlobalTemporary = true;
      Tbl->OnCommit = Row.Int("last_page") != 0 ? tocDelete : tocPreserve;
    }
    Cols->ParamByName("ID")->SetAsInteger(Row.Int("table_id"));
    Cols->Open();
    for (; !Cols->GetEof(); Cols->Next()) {
      auto Fld = std::make_unique<TFldData>(Objs);
      Fld->TableName = Tbl->GetObjName();
      Fld->OwnerObj = Tbl.get();
      Fld->SetObjName(ColsRow.Str("column_name"));
      Fld->DefValue = Trim(ColsRow.Str("DEFVALUE"));
      Fld->SetExtra(&TObjExtra::Description, ColsRow.Str("remarks"));
      ColumnType(*Fld, ColsRow.Str("TYPE_NAME"), ColsRow.Int("length"), ColsRow.Int("prec"),
                 ColsRow.Int("scale"), ColsRow.Str("NULLABLE") == "Y" ? 1 : 0);
      const std::string UType = ColsRow.Str("UTYPE_NAME");
      if (!UType.empty() && Objs) {
        if (TDmnData* D = Objs->GetDomain(UType)) {
          Fld->FieldType = iftDomain;
          Fld->SetExtra(&TFldExtra::DomainName, D->GetObjName());
        }
      }
      Fld->Position = Tbl->Fields.Count();
      Tbl->Fields.Add(std::move(Fld));
    }
    Cols->Close();
    if (!FileAndGoOn(std::move(Tbl))) break;
  }
  CloseQuery(Q);
}

void TASADBExtract::ExtractPbl() {
  AddToLog("Extracting publications...");
  TObjs* Objs = GetObjs();
  ForEachRow(
      {"select p.publication_id, p.publication_name, u.user_name, p.remarks",
       "from SYS.SYSPUBLICATION p", "join SYS.SYSUSERPERM u on u.user_id = p.creator",
       std::string("where ") + OwnerFilter, "order by p.publication_name"},
      [&](TCatalogRow& Row) {
        auto Pbl = std::make_unique<TPblData>(Objs);
        Pbl->SetExtra(&TObjExtra::Creator, Row.Str("user_name"));
        Pbl->SetObjName(Row.Str("publication_name"));
        Pbl->SetExtra(&TObjExtra::Description, Row.Str("remarks"));
        const std::string Id = std::to_string(Row.Int("publication_id"));
        auto Arts = OpenDetail(
            {"select a.publication_id, a.table_id,", "a.where_expr, a.subscribe_by_expr, a.query,",
             "t.table_name, u.user_name", "from SYS.SYSARTICLE a",
             "join SYS.SYSTABLE t on t.table_id = a.table_id",
             "join SYS.SYSUSERPERM u on u.user_id = t.creator", "where a.publication_id = " + Id});
        TCatalogRow ArtsRow(*Arts);
        for (; !Arts->GetEof(); Arts->Next()) {
          TPblArtData* Art = Pbl->AddArticle(ArtsRow.Str("user_name"), ArtsRow.Str("table_name"));
          if (!Art) continue;
          Art->WhereText = ArtsRow.Str("where_expr");
          Art->SubscribeByText = ArtsRow.Str("subscribe_by_expr");
          auto ArtCols = OpenDetail(
              {"select c.column_id, cl.column_name", "from SYS.SYSARTICLECOL c",
               "join SYS.SYSCOLUMN cl on cl.column_id = c.column_id and c.table_id = cl.table_id",
               "where c.publication_id = " + Id,
               "and c.table_id = " + std::to_string(ArtsRow.Int("table_id")),
               "order by c.column_id"});
          TCatalogRow ArtColsRow(*ArtCols);
          for (; !ArtCols->GetEof(); ArtCols->Next())
            Art->Columns.Add(ArtColsRow.Str("column_name"));
          CloseQuery(*ArtCols);
        }
        CloseQuery(*Arts);
        FileExtracted(std::move(Pbl));
      });
}

void TASADBExtract::ExtractViw() {
  AddToLog("Extracting views...");
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(Q, {"Select v.table_id, v.table_name, v.view_def, u.user_name, v.remarks",
                "from SYS.SYSTABLE v", "join SYS.SYSUSERPERM u on u.user_id = v.creator",
                "where v.table_type = 'VIEW' ", std::string("and ") + OwnerFilter,
                "order by v.table_name"});
  for (; !Q.GetEof(); Q.Next()) {
    auto View = std::make_unique<TViwData>(GetObjs());
    View->SetObjName(Row.Str("table_name"));
    View->SetExtra(&TObjExtra::Creator, Row.Str("user_name"));
    View->SetExtra(&TObjExtra::FullText, Row.Str("view_def"));
    View->SetExtra(&TObjExtra::Description, Row.Str("remarks"));
    FileExtracted(std::move(View));
    if (TerminateRunning.load()) break;
  }
  CloseQuery(Q);
}

void TASADBExtract::ExtractPrc() {
  AddToLog("Extracting procedures...");
  const bool Source = SourceColumn();
  ForEachRow(
      RoutineQuery({"select p.proc_name, u.user_name, p.proc_defn, p.remarks"},
                   Source ? ", p.source" : nullptr,
                   {"from sys.sysprocedure p", "join sys.sysuserperm u on u.user_id = p.creator",
                    std::string("where ") + OwnerFilter, "order by 1, 2"}),
      [&](TCatalogRow& Row) {
        auto Prc = std::make_unique<TPrcData>(GetObjs());
        Prc->SetObjName(Row.Str("proc_name"));
        AddRoutine(std::move(Prc), Row, Source, "remarks", "proc_defn");
      });
}

void TASADBExtract::ExtractTrg() {
  AddToLog("Extracting triggers...");
  const bool Source = SourceColumn();
  ForEachRow(
      RoutineQuery(
          {"select tr.trigger_id, tr.trigger_name TRG_NAME, t.table_name TBL_NAME,",
           "tr.event, tr.trigger_time, tr.trigger_order, tr.trigger_defn,",
           "tr.Remarks, u.user_name"},
          Source ? ", tr.source" : nullptr,
          {"from SYS.SYSTRIGGER tr", "join SYS.SYSTABLE t on t.table_id = tr.table_id",
           "join SYS.SYSUSERPERM u on u.user_id = t.creator", std::string("where ") + OwnerFilter,
           "and tr.foreign_key_id is Null", "order by tr.trigger_name"}),
      [&](TCatalogRow& Row) {
        auto Trg = std::make_unique<TTrgData>(GetObjs());
        Trg->SetObjName(Row.Str("TRG_NAME"));
        Trg->SetOwnName(Row.Str("TBL_NAME"));
        AddRoutine(std::move(Trg), Row, Source, "Remarks", "trigger_defn");
      });
}

void TASADBExtract::ExtractEvt() {
  AddToLog("Extracting events...");
  TObjs* Objs = GetObjs();
  ForEachRow({"select e.event_id, e.event_name, u.user_name, e.remarks, et.name type_name,",
              "e.event_type_id, e.location, e.action", "from SYS.SYSEVENT e",
              "join SYS.SYSUSERPERM u on u.user_id = e.creator",
              "left outer join SYS.SYSEVENTTYPE et on et.event_type_id = e.event_type_id",
              std::string("where ") + OwnerFilter, "order by e.event_name"},
             [&](TCatalogRow& Row) {
               auto Evt = std::make_unique<TEvtData>(Objs);
               Evt->SetExtra(&TObjExtra::Creator, Row.Str("user_name"));
               Evt->SetObjName(Row.Str("event_name"));
               Evt->SetExtra(&TObjExtra::Description, Row.Str("remarks"));
               Evt->EventType = Row.Str("type_name");
               const std::string Loc = Row.Str("location");
               Evt->Location = Loc == "C"   ? "CONSOLIDATED"
                               : Loc == "R" ? "REMOTE"
                               : Loc == "A" ? "ALL"
                                            : Loc;
               Evt->SetExtra(&TObjExtra::Body, CrLfLineBreaks(Trim(Row.Str("action"))));
               auto Sdl = OpenDetail(
                   {"select s.sched_name, s.event_id, s.start_time, s.stop_time, s.start_date,",
                    "cast(s.days_of_week as varchar(20)) as days_of_week, cast(s.days_of_month as "
                    "varchar(20)) days_of_month, s.interval_units, s.interval_amt,",
                    "s.recurring", "from SYS.SYSSCHEDULE s",
                    "where s.event_id = " + std::to_string(Row.Int("event_id"))});
               TCatalogRow SdlRow(*Sdl);
               for (; !Sdl->GetEof(); Sdl->Next()) {
                 TEvtSdlData* S = Evt->AddSchedule(SdlRow.Str("sched_name"));
                 const std::int32_t Amount = SdlRow.Int("interval_amt");
                 const std::string Units = SdlRow.Str("interval_units");
                 if (Amount != 0 && !Units.empty()) {
                   if (Units == "HH") S->EveryHours = Amount;
                   if (Units == "NN") S->EveryMinutes = Amount;
                   if (Units == "SS") S->EverySeconds = Amount;
                 }
                 if (!SdlRow.IsNull("days_of_week"))
                   S->DaysOfWeek = static_cast<std::int32_t>(MaskValue(SdlRow.Str("days_of_week")));
                 if (!SdlRow.IsNull("days_of_month"))
                   S->DaysOfMonth = MaskValue(SdlRow.Str("days_of_month"));
                 if (!SdlRow.IsNull("start_time"))
                   S->StartTime = TimeText(SdlRow.Str("start_time"));
                 if (!SdlRow.IsNull("stop_time")) S->EndTime = TimeText(SdlRow.Str("stop_time"));
                 if (!SdlRow.IsNull("start_date"))
                   S->StartDate = DateText(SdlRow.Str("start_date"));
               }
               CloseQuery(*Sdl);
               FileExtracted(std::move(Evt));
             });
}

// ---------------------------------------------------------------------------------------------
// Indexes and keys

void TASADBExtract::IndexColumns(TDbObj& Owner, const std::string& TableId,
                                 const std::string& IndexId) {
  auto Q =
      OpenDetail({"select ic.sequence, ic.column_id, ic.index_id,", "c.column_name, ic.\"order\"",
                  "from SYS.SYSIXCOL ic", "join SYS.SYSCOLUMN c on c.column_id = ic.column_id",
                  "where ic.table_id = " + TableId, "and ic.index_id = " + IndexId,
                  "and c.table_id = ic.table_id", "order by ic.sequence"});
  TCatalogRow Row(*Q);
  for (; !Q->GetEof(); Q->Next()) {
    const std::string Order = Row.Str("order");
    const std::int32_t Sort = Order == "A" ? 1 : Order == "D" ? 2 : 0;
    if (auto* Idx = dynamic_cast<TIdxData*>(&Owner))
      Idx->AddFld(Row.Str("column_name"), Sort);
    else if (auto* Ctr = dynamic_cast<TCtrData*>(&Owner))
      Ctr->AddFld(Row.Str("column_name"), Sort);
  }
  CloseQuery(*Q);
}

void TASADBExtract::PKeyColumns(TCtrData& Ctr, const std::string& TableId) {
  auto Q =
      OpenDetail({"select c.column_id,", "c.column_name", "from SYS.SYSCOLUMN c",
                  "where c.table_id = " + TableId, "and c.pkey = 'Y' ", "order by c.column_id"});
  TCatalogRow Row(*Q);
  for (; !Q->GetEof(); Q->Next()) Ctr.FldList.Add(Row.Str("column_name"));
  CloseQuery(*Q);
}

void TASADBExtract::ExtractIdx() {
  AddToLog("Extracting indexes...");
  std::vector<std::string> Lines{"select i.index_id, i.table_id, i.index_name, ",
                                 "i.\"unique\", t.table_name, u.user_name, i.remarks",
                                 "from SYS.SYSINDEX i",
                                 "join SYS.SYSTABLE t on t.table_id = i.table_id",
                                 "join SYS.SYSUSERPERM u on u.user_id = i.creator",
                                 std::string("where ") + OwnerFilter};
  if (KeysOfVersion9()) {
    Lines.emplace_back("and not exists");
    Lines.emplace_back("(select c.index_id from SYS.SYSCONSTRAINT c");
    Lines.emplace_back(
        "where c.table_id = i.table_id and c.constraint_type = 'U' and c.index_id = i.index_id)");
  } else {
    Lines.emplace_back("and i.\"unique\" in ('Y', 'N')");
  }
  ForEachRow(Lines, [&](TCatalogRow& Row) {
    auto Idx = std::make_unique<TIdxData>(GetObjs());
    Idx->SetObjName(Row.Str("index_name"));
    Idx->SetExtra(&TObjExtra::Creator, Row.Str("user_name"));
    Idx->TableName = Row.Str("table_name");
    Idx->Unique = Row.Str("unique") == "Y";
    Idx->SetExtra(&TObjExtra::Description, Row.Str("remarks"));
    IndexColumns(*Idx, std::to_string(Row.Int("table_id")), std::to_string(Row.Int("index_id")));
    FileExtracted(std::move(Idx));
  });
}

void TASADBExtract::Extract_PK() {
  AddToLog("Extracting primary keys...");
  const bool V9 = KeysOfVersion9();
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  if (V9)
    OpenQuery(Q, {"select c.constraint_id, c.constraint_name, t.table_name,",
                  "c.table_id, u.user_name, a.object_id as clustered_obj_id",
                  "from SYS.SYSCONSTRAINT c", "join SYS.SYSTABLE t on t.table_id = c.table_id",
                  "join SYS.SYSUSERPERM u on u.user_id = t.creator",
                  "left join SYS.SYSATTRIBUTE a on a.attribute_id = 2 and a.object_type = 'T' ",
                  "and a.object_id = c.table_id and sub_object_id1 is null and "
                  "a.sub_object_id2 is null",
                  "where c.constraint_type = 'P' ", std::string("and ") + OwnerFilter});
  else
    OpenQuery(
        Q, {"select t.table_id, t.table_name, t.remarks, u.user_name,", "t.table_type, t.last_page",
            "from SYS.SYSTABLE T", "join SYS.SYSUSERPERM u on u.user_id = t.creator",
            "where t.table_type in('BASE', 'GBL TEMP')", std::string("and ") + OwnerFilter,
            "and exists",
            "(select c.column_id from SYS.SYSCOLUMN c where c.table_id = t.table_id and "
            "c.pkey = 'Y')"});
  for (; !Q.GetEof(); Q.Next()) {
    std::unique_ptr<TCtrData> Ctr = NewConstraint(Row, ctPKey, V9);
    if (V9) Ctr->Clustered = Row.Int("clustered_obj_id") != 0;
    PKeyColumns(*Ctr, std::to_string(Row.Int("table_id")));
    const std::string Def = Ctr->Def();
    FileExtracted(std::move(Ctr), Def);
  }
  CloseQuery(Q);
}

void TASADBExtract::ExtractUnq() {
  AddToLog("Extracting unique constraints...");
  // Older servers keep unique constraints as unique indexes only: the index step reads them.
  if (!KeysOfVersion9()) return;
  ForEachRow({"select c.constraint_id, c.constraint_name, t.table_name,",
              " c.table_id, c.index_id, i.index_name, u.user_name", "from SYS.SYSCONSTRAINT c",
              "join SYS.SYSTABLE t on t.table_id = c.table_id",
              "join SYS.SYSINDEX i on i.index_id = c.index_id and i.table_id = c.table_id",
              "join SYS.SYSUSERPERM u on u.user_id = t.creator", "where c.constraint_type = 'U' ",
              std::string("and ") + OwnerFilter},
             [&](TCatalogRow& Row) {
               std::unique_ptr<TCtrData> Ctr = NewConstraint(Row, ctUnique, true);
               IndexColumns(*Ctr, std::to_string(Row.Int("table_id")),
                            std::to_string(Row.Int("index_id")));
               const std::string Def = Ctr->Def();
               FileExtracted(std::move(Ctr), Def);
             });
}

void TASADBExtract::Extract_FK() {
  AddToLog("Extracting foreign keys...");
  const bool V9 = KeysOfVersion9();
  const std::string Indent(27, ' ');
  std::vector<std::string> Lines;
  if (V9)
    Lines = {
        "select c.constraint_id, c.constraint_name, t.table_name, pu.user_name "
        "ref_user_name,",
        "c.table_id, u.user_name, pt.table_name ref_table_name, pt.table_id ref_table_id,",
        "fk.check_on_commit, fk.nulls, fk.remarks, fk.foreign_key_id, fk.role,",
        "tu.referential_action u_action, td.referential_action d_action",
        "from SYS.SYSCONSTRAINT c",
        "join SYS.SYSTABLE t on t.table_id = c.table_id",
        "join SYS.SYSFOREIGNKEY fk on fk.foreign_key_id = c.fkey_id and "
        "fk.foreign_table_id = c.table_id",
        "join SYS.SYSTABLE pt on pt.table_id = fk.primary_table_id",
        "join SYS.SYSUSERPERM u on u.user_id = t.creator",
        "join SYS.SYSUSERPERM pu on pu.user_id = pt.creator"};
  else
    Lines = {"select t.table_name, pu.user_name ref_user_name,",
             "t.table_id, u.user_name, pt.table_name ref_table_name, pt.table_id ref_table_id,",
             "fk.check_on_commit, fk.nulls, fk.remarks, fk.foreign_key_id, fk.role,",
             "tu.referential_action u_action, td.referential_action d_action",
             "from SYS.SYSTABLE t",
             "join SYS.SYSUSERPERM u on u.user_id = t.creator",
             "join SYS.SYSFOREIGNKEY fk on fk.foreign_table_id = t.table_id",
             "join SYS.SYSTABLE pt on pt.table_id = fk.primary_table_id",
             "join SYS.SYSUSERPERM pu on pu.user_id = pt.creator"};
  Lines.push_back("left outer join SYS.SYSTRIGGER tu on tu.foreign_table_id = fk.foreign_table_id");
  Lines.push_back(Indent + "and tu.foreign_key_id = fk.foreign_key_id and tu.event = 'C' ");
  Lines.push_back("left outer join SYS.SYSTRIGGER td on td.foreign_table_id = fk.foreign_table_id");
  Lines.push_back(Indent + "and td.foreign_key_id = fk.foreign_key_id and td.event = 'D' ");
  if (V9) {
    Lines.emplace_back("where c.constraint_type = 'F' ");
    Lines.push_back(std::string("and ") + OwnerFilter);
  } else {
    Lines.push_back(std::string("WHERE ") + OwnerFilter);
  }
  ForEachRow(Lines, [&](TCatalogRow& Row) {
    std::unique_ptr<TCtrData> Ctr = NewConstraint(Row, ctFKey, V9);
    Ctr->EditExtra().RoleName = Row.Str("role");
    Ctr->SetRefTblName(Row.Str("ref_table_name"));
    Ctr->EditExtra().RefOwner = Row.Str("ref_user_name");
    if (Ctr->GetObjName() == Ctr->Extra().RoleName) Ctr->SetObjName("");
    if (Ctr->Extra().RoleName == Ctr->GetRefTblName())
      Ctr->SetExtra(&TCtrExtra::RoleName, std::string());
    Ctr->SetExtra(&TObjExtra::Description, Row.Str("remarks"));
    Ctr->CheckOnCommit = Row.Str("check_on_commit") == "Y";
    Ctr->OnUpdate = ActionOf(Row, "u_action");
    Ctr->OnDelete = ActionOf(Row, "d_action");
    auto Cols = OpenDetail(
        {"select pc.column_id pk_column_id,", "pc.column_name pk_column_name, ",
         "fc.column_id fk_column_id, fc.column_name fk_column_name", "from SYS.SYSFKCOL f",
         "join SYS.SYSFOREIGNKEY fk on fk.foreign_key_id = f.foreign_key_id and "
         "fk.foreign_table_id = f.foreign_table_id",
         "join SYS.SYSCOLUMN fc on fc.column_id = f.foreign_column_id and fc.table_id = "
         "fk.foreign_table_id",
         "join SYS.SYSCOLUMN pc on pc.column_id = f.primary_column_id and pc.table_id = "
         "fk.primary_table_id",
         "where f.foreign_table_id = " + std::to_string(Row.Int("table_id")),
         "and f.foreign_key_id = " + std::to_string(Row.Int("foreign_key_id")),
         "order by pc.column_id"});
    TCatalogRow ColsRow(*Cols);
    for (; !Cols->GetEof(); Cols->Next()) {
      Ctr->FldList.Add(ColsRow.Str("fk_column_name"));
      Ctr->EditExtra().RefFldList.Add(ColsRow.Str("pk_column_name"));
    }
    CloseQuery(*Cols);
    const std::string Def = Ctr->Def();
    FileExtracted(std::move(Ctr), Def);
  });
}

void TASADBExtract::ExtractChk() {
  AddToLog("Extracting check constraints...");
  const bool V9 = KeysOfVersion9();
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  if (V9)
    OpenQuery(Q, {"select c.constraint_id, c.constraint_name, t.table_name,",
                  " c.table_id, c.index_id, i.index_name, u.user_name, c.constraint_type,",
                  "k.check_defn", "from SYS.SYSCONSTRAINT c",
                  "join SYS.SYSTABLE t on t.table_id = c.table_id",
                  "left join SYS.SYSINDEX i on i.index_id = c.index_id and i.table_id = c.table_id",
                  "join SYS.SYSUSERPERM u on u.user_id = t.creator",
                  "left join SYS.SYSCHECK k on k.check_id = c.constraint_id",
                  "where c.constraint_type in ('C', 'T') ", std::string("and ") + OwnerFilter});
  else
    OpenQuery(Q, {"select t.table_id, t.table_name, t.remarks, u.user_name,",
                  "t.table_type, t.last_page, t.view_def", "from SYS.SYSTABLE T",
                  "join SYS.SYSUSERPERM u on u.user_id = t.creator",
                  "where t.table_type in('BASE', 'GBL TEMP')", std::string("and ") + OwnerFilter,
                  "and t.view_def is not null"});
  for (; !Q.GetEof(); Q.Next()) {
    std::unique_ptr<TCtrData> Ctr = NewConstraint(Row, ctCheck, V9);
    std::string Cond = Trim(Row.Str(V9 ? "check_defn" : "view_def"));
    if (UpperCase(Cond).rfind("CHECK", 0) == 0) Cond = Trim(Cond.substr(5));
    Ctr->SetExtra(&TObjExtra::Body, Cond);
    const std::string Def = Ctr->Def();
    FileExtracted(std::move(Ctr), Def);
  }
  CloseQuery(Q);
}

void TASADBExtract::ExtractDependencies() {
  AddToLog("Extracting dependencies...");
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(Q, {"select d.id, d.depid, o1.type type1, o2.type type2, o1.Name o1name, o2.Name "
                "o2name",
                "from sysdepends d", "left outer join sysobjects o1 on o1.id = d.id",
                "left outer join sysobjects o2 on o2.id = d.depid"});
  while (!Q.GetEof()) Q.Next();  // dependencies come from the body parsing
  CloseQuery(Q);
}

}  // namespace qel
