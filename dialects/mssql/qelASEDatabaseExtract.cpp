// The Sybase ASE catalog extractor: the step list, the database facts and the queries of the
// system tables. Stored texts (syscomments, in chunks) and index columns are read once a run for
// the whole database and handed out by object id.
#include "qelASEDatabaseExtract.h"

#include <cstdio>

#include "Text.h"
#include "qelASEParser.h"
#include "qelComp_Ctr.h"
#include "qelComp_Dmn.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelMsg.h"

namespace qel {

namespace {

/// Text starts with the word Word (case-insensitive).
bool StartsWithWord(const std::string& Text, const char* Word) {
  const std::string W(Word);
  if (Text.size() < W.size() || !SameText(Text.substr(0, W.size()), W)) return false;
  if (Text.size() == W.size()) return true;
  const char C = Text[W.size()];
  return !((C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') || C == '_');
}

/// What follows CHECK in a stored check constraint ("CONSTRAINT c CHECK (a > 0)"), as a script
/// has it: a blank, then the condition in its parentheses.
std::string CheckCondition(const std::string& Text) {
  const std::size_t At = UpperCase(Text).find("CHECK");
  const std::string Cond = At == std::string::npos ? Trim(Text) : Trim(Text.substr(At + 5));
  if (!Cond.empty() && Cond.front() == '(') return " " + Cond;
  return " (" + Cond + ")";
}

/// The creator an object is kept under: none for the default owner dbo, as scripts name it.
std::string OwnCreator(const std::string& Owner) {
  return SameText(Owner, "dbo") ? std::string() : Owner;
}

constexpr int kMaxKeys = 16;  // sysreferences holds up to 16 column pairs

}  // namespace

TASEDBExtract::TASEDBExtract(TComponent* AOwner) : TMSSQLCustomDBExtract(AOwner) {
  DatabaseType = dbSybaseASE;
}

TASEDBExtract::~TASEDBExtract() = default;

bool TASEDBExtract::DBOptionByName(const std::string& Name, TASEDBOption& Option) {
  for (std::size_t I = 0; I < ASEDBOptionCount; ++I) {
    const auto O = static_cast<TASEDBOption>(I);
    if (SameText(Trim(Name), TASEDatabaseOptions::DBOptionStr(O))) {
      Option = O;
      return true;
    }
  }
  return false;
}

std::string TASEDBExtract::DeclaredDefault(const std::string& Text) {
  const std::string T = Trim(Text);
  if (!StartsWithWord(T, "DEFAULT")) return "";
  return Trim(T.substr(7));
}

std::vector<TDBExtractStep> TASEDBExtract::ExtractSteps() {
  FTexts.clear();
  FTextsRead = false;
  return TMSSQLCustomDBExtract::ExtractSteps();
}

std::unique_ptr<TCustomParser> TASEDBExtract::CreateBodyParser() {
  return MakeBodyParser<TASEParser>();
}

void TASEDBExtract::CheckSysName(TCtrData& Ctr) {
  Ctr.ASECheckSysName();
}

const std::string& TASEDBExtract::Text(std::int32_t Id) {
  if (!FTextsRead) {
    auto Q = DetailQuery({}, false);
    TCatalogRow Row(*Q);
    // A text longer than a row is kept in chunks, numbered by colid within colid2.
    OpenQuery(
        *Q, {"select c.id, c.colid2, c.colid, c.text", "from syscomments c",
             "join sysobjects o on o.id = c.id", "where o.type in ('D', 'R', 'V', 'P', 'SF', 'TR')",
             "order by c.id, c.colid2, c.colid"});
    for (; !Q->GetEof(); Q->Next()) FTexts[Row.Int("id")] += Row.Str("text");
    CloseQuery(*Q);
    FTextsRead = true;
  }
  static const std::string Empty;
  auto It = FTexts.find(Id);
  return It == FTexts.end() ? Empty : It->second;
}

void TASEDBExtract::ReadIndexColumns(TIndexColumns& Cols) {
  auto Q = DetailQuery({}, false);
  TCatalogRow Row(*Q);
  // index_col gives NULL past the last column of the key (a nonclustered index counts the row
  // id among its keys).
  OpenQuery(*Q, {"select i.id, i.indid, v.number key_no,",
                 "index_col(o.name, i.indid, v.number, o.uid) column_name,",
                 "index_colorder(o.name, i.indid, v.number, o.uid) column_order",
                 "from sysindexes i", "join sysobjects o on o.id = i.id",
                 "join master.dbo.spt_values v on v.type = 'P' and v.number between 1 and "
                 "i.keycnt",
                 "where o.type = 'U' and i.indid between 1 and 254",
                 "and index_col(o.name, i.indid, v.number, o.uid) is not null",
                 "order by i.id, i.indid, v.number"});
  for (; !Q->GetEof(); Q->Next())
    Cols[{Row.Int("id"), Row.Int("indid")}].push_back(
        {Row.Str("column_name"), SameText(Trim(Row.Str("column_order")), "DESC"), false});
  CloseQuery(*Q);
}

// ---------------------------------------------------------------------------------------------
// Database facts, user types, defaults and rules

void TASEDBExtract::ExtractHeader() {
  TObjs* Objs = GetObjs();
  if (!Objs) return;
  KeepConnectionOptions();
  TASEDatabaseOptions& Opt = Objs->ASEServerOptions.GetASEDatabaseOptions();
  Opt.Clear();
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(
      Q, {"select d.name, d.dbid, d.status, d.status2, suser_name(d.suid) owner_name,",
          "convert(varchar(30), d.crdate, 109) created, @@version server_version,",
          "(select sum(u.size) from master.dbo.sysusages u where u.dbid = d.dbid) pages,",
          "@@maxpagesize page_size", "from master.dbo.sysdatabases d", "where d.dbid = db_id()"});
  if (!Q.GetEof()) {
    Opt.Description = Trim(Row.Str("server_version"));
    Opt.Owner = Row.Str("owner_name");
    Opt.Created = Trim(Row.Str("created"));
    Opt.DbId = Row.Int("dbid");
    Opt.Status = std::to_string(Row.Int("status"));
    Opt.Status2 = Row.Int("status2");
    // sysusages counts logical pages of @@maxpagesize bytes.
    const double MB = static_cast<double>(Row.LargeInt("pages")) *
                      static_cast<double>(Row.Int("page_size")) / 1048576.0;
    char Buf[32];
    std::snprintf(Buf, sizeof(Buf), "%.1f MB", MB);
    Opt.Size = Buf;
  }
  CloseQuery(Q);

  // The option names are the server's own (master..spt_values), one row per status bit set.
  OpenQuery(
      Q, {"select v.type, v.name", "from master.dbo.spt_values v, master.dbo.sysdatabases d",
          "where d.dbid = db_id() and v.number > 0",
          "and ((v.type = 'D' and d.status & v.number = v.number)",
          "or (v.type = 'D2' and d.status2 & v.number = v.number)",
          "or (v.type = 'D3' and d.status3 & v.number = v.number)",
          "or (v.type = 'D4' and d.status4 & v.number = v.number))", "order by v.type, v.number"});
  for (; !Q.GetEof(); Q.Next())
    if (TASEDBOption O; DBOptionByName(Row.Str("name"), O)) Opt.DBOptions.Include(O);
  CloseQuery(Q);
  for (std::size_t I = 0; I < ASEDBOptionCount; ++I) {
    const auto O = static_cast<TASEDBOption>(I);
    if (!Opt.DBOptions.Contains(O)) continue;
    Opt.OptionsText += (Opt.OptionsText.empty() ? "" : ", ") + TASEDatabaseOptions::DBOptionStr(O);
  }
}

void TASEDBExtract::ExtractTyp() {
  AddToLog("Extracting user datatypes...");
  // The base type is the system type of the same storage type and hierarchy (sysname and
  // varchar share both: the lower user type number is the base).
  TObjs* Objs = GetObjs();
  ForEachRow(
      {"select t.usertype, t.name, b.name base_name, t.length, t.prec, t.scale,", "t.allownulls",
       "from systypes t", "join systypes b on b.usertype = (select min(x.usertype) from systypes x",
       "  where x.type = t.type and x.hierarchy = t.hierarchy and x.usertype < 100)",
       "where t.usertype >= 100", "order by t.name"},
      [&](TCatalogRow& Row) {
        auto Dmn = std::make_unique<TDmnData>(Objs);
        Dmn->SetObjName(Row.Str("name"));
        AddUserType(std::move(Dmn), Row.Str("base_name"), Row.Int("length"), Row.Int("prec"),
                    Row.Int("scale"), Row.Int("allownulls") != 0);
      });
}

void TASEDBExtract::ExtractBound(const char* Type) {
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(Q, {"select o.id, o.name", "from sysobjects o",
                std::string("where o.type = '") + Type + "'", "order by o.name"});
  std::vector<std::pair<std::int32_t, std::string>> Found;
  for (; !Q.GetEof(); Q.Next()) Found.emplace_back(Row.Int("id"), Row.Str("name"));
  CloseQuery(Q);
  // Column defaults declared with a table and check constraints are objects of these types
  // too; only a CREATE DEFAULT or CREATE RULE text is an object of its own.
  for (const auto& [Id, Name] : Found)
    if (const std::string& T = Text(Id); StartsWithWord(Trim(T), "CREATE"))
      AddBoundObject(Type[0] == 'R', Name, T);
}

// ---------------------------------------------------------------------------------------------
// Tables, views, procedures, triggers

void TASEDBExtract::ExtractTbl() {
  AddToLog("Extracting tables...");
  TObjs* Objs = GetObjs();
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(Q, {"select o.id, o.name, user_name(o.uid) owner_name", "from sysobjects o",
                "where o.type = 'U'", "order by o.id"});
  TTableSet Tables;
  for (; !Q.GetEof(); Q.Next())
    Tables.Add(Objs, Row.Int("id"), Row.Str("name"))
        .SetExtra(&TObjExtra::Creator, OwnCreator(Row.Str("owner_name")));
  CloseQuery(Q);

  OpenQuery(Q, {"select c.id, c.colid, c.name, t.name type_name, t.usertype,",
                "c.length, c.prec, c.scale, c.status, c.cdefault", "from syscolumns c",
                "join sysobjects o on o.id = c.id", "join systypes t on t.usertype = c.usertype",
                "where o.type = 'U'", "order by c.id, c.colid"});
  struct TDefault {
    TFldData* Fld;
    std::int32_t Id;
  };
  std::vector<TDefault> Defaults;
  for (; !Q.GetEof(); Q.Next()) {
    TTblData* Tbl = Tables.Find(Row.Int("id"));
    if (!Tbl) continue;
    auto Fld = NewColumn(*Tbl, Row.Str("name"));
    const std::int32_t Status = Row.Int("status");
    const bool Nullable = (Status & 0x08) != 0;
    if (Row.Int("usertype") >= 100) {
      Fld->FieldType = iftDomain;
      Fld->SetExtra(&TFldExtra::DomainName, Row.Str("type_name"));
      Fld->Nullable = Nullable;
    } else {
      ColumnType(*Fld, Row.Str("type_name"), Row.Int("length"), Row.Int("prec"), Row.Int("scale"),
                 Nullable);
    }
    Fld->Identity = (Status & 0x80) != 0;
    if (const std::int32_t D = Row.Int("cdefault"); D != 0) Defaults.push_back({Fld.get(), D});
    AddColumn(*Tbl, std::move(Fld));
  }
  CloseQuery(Q);
  // The texts are read after the column query is closed: one query at a time.
  for (const TDefault& D : Defaults) D.Fld->DefValue = DeclaredDefault(Text(D.Id));
  Tables.File(*this);
}

void TASEDBExtract::ExtractViw() {
  AddToLog("Extracting views...");
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(Q, {"select o.id, o.name, user_name(o.uid) owner_name", "from sysobjects o",
                "where o.type = 'V'", "order by o.name"});
  std::vector<std::unique_ptr<TViwData>> Views;
  std::vector<std::int32_t> Ids;
  for (; !Q.GetEof(); Q.Next()) {
    auto View = std::make_unique<TViwData>(GetObjs());
    View->SetObjName(Row.Str("name"));
    View->SetExtra(&TObjExtra::Creator, OwnCreator(Row.Str("owner_name")));
    Ids.push_back(Row.Int("id"));
    Views.push_back(std::move(View));
  }
  CloseQuery(Q);
  for (std::size_t I = 0; I < Views.size(); ++I) {
    Views[I]->SetExtra(&TObjExtra::FullText, Trim(Text(Ids[I])));
    FileExtracted(std::move(Views[I]));
  }
}

void TASEDBExtract::ExtractPrc() {
  AddToLog("Extracting procedures...");
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(Q, {"select o.id, o.name, o.type, user_name(o.uid) owner_name", "from sysobjects o",
                "where o.type in ('P', 'SF')", "order by o.name"});
  std::vector<std::unique_ptr<TPrcData>> Procs;
  std::vector<std::int32_t> Ids;
  for (; !Q.GetEof(); Q.Next()) {
    auto Prc = std::make_unique<TPrcData>(GetObjs());
    Prc->SetObjName(Row.Str("name"));
    Prc->SetExtra(&TObjExtra::Creator, OwnCreator(Row.Str("owner_name")));
    Prc->IsFunction = Trim(Row.Str("type")) == "SF";
    Ids.push_back(Row.Int("id"));
    Procs.push_back(std::move(Prc));
  }
  CloseQuery(Q);
  for (std::size_t I = 0; I < Procs.size(); ++I) {
    Procs[I]->SetExtra(&TObjExtra::FullText, Trim(Text(Ids[I])));
    FileExtracted(std::move(Procs[I]));
  }
}

void TASEDBExtract::ExtractTrg() {
  AddToLog("Extracting triggers...");
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  // A trigger's deltrig is the id of its table.
  OpenQuery(Q, {"select o.id, o.name, t.name table_name", "from sysobjects o",
                "join sysobjects t on t.id = o.deltrig", "where o.type = 'TR'", "order by o.name"});
  std::vector<std::unique_ptr<TTrgData>> Triggers;
  std::vector<std::int32_t> Ids;
  for (; !Q.GetEof(); Q.Next()) {
    auto Trg = std::make_unique<TTrgData>(GetObjs());
    Trg->SetObjName(Row.Str("name"));
    Trg->SetOwnName(Row.Str("table_name"));
    Ids.push_back(Row.Int("id"));
    Triggers.push_back(std::move(Trg));
  }
  CloseQuery(Q);
  for (std::size_t I = 0; I < Triggers.size(); ++I) {
    Triggers[I]->SetExtra(&TObjExtra::FullText, Trim(Text(Ids[I])));
    FileExtracted(std::move(Triggers[I]));
  }
}

// ---------------------------------------------------------------------------------------------
// Indexes and constraints

void TASEDBExtract::ExtractIdx() {
  AddToLog("Extracting indexes...");
  const auto& Cols = IndexColumnList();
  // status2 0x2: the index of a declared key, read with its constraint.
  ForEachRow({"select i.id, i.indid, i.name, o.name table_name, i.status", "from sysindexes i",
              "join sysobjects o on o.id = i.id",
              "where o.type = 'U' and i.indid between 1 and 254 and i.status2 & 2 = 0",
              "order by o.name, i.name"},
             [&](TCatalogRow& Row) {
               auto Idx = std::make_unique<TIdxData>(GetObjs());
               Idx->SetObjName(Row.Str("name"));
               Idx->TableName = Row.Str("table_name");
               Idx->Unique = (Row.Int("status") & 0x02) != 0;
               if (auto It = Cols.find({Row.Int("id"), Row.Int("indid")}); It != Cols.end())
                 IndexColumns(*Idx, It->second);
               FileExtracted(std::move(Idx));
             });
}

void TASEDBExtract::ExtractKeys(bool Primary) {
  IndexColumnList();  // read before the work query opens: one query at a time
  // The index of a key carries the key's name; status 0x800 marks the primary key.
  ForEachRow(
      {"select i.id, i.indid, i.name, o.name table_name", "from sysindexes i",
       "join sysobjects o on o.id = i.id",
       "where o.type = 'U' and i.indid between 1 and 254 and i.status2 & 2 = 2",
       std::string("and i.status & 2048 = ") + (Primary ? "2048" : "0"), "order by o.name, i.name"},
      [&](TCatalogRow& Row) {
        auto Ctr = std::make_unique<TCtrData>(GetObjs());
        Ctr->SetCtType(Primary ? ctPKey : ctUnique);
        Ctr->SetObjName(Row.Str("name"));
        Ctr->SetTblName(Row.Str("table_name"));
        AddKey(std::move(Ctr), Row.Int("id"), Row.Int("indid"));
      });
}

void TASEDBExtract::Extract_FK() {
  AddToLog("Extracting foreign keys...");
  std::vector<std::string> Lines{
      "select object_name(r.constrid) name, o.name table_name, p.name ref_table, r.keycnt,"};
  for (int K = 1; K <= kMaxKeys; ++K) {
    const std::string N = std::to_string(K);
    Lines.push_back("col_name(r.tableid, r.fokey" + N + ") fk" + N + ", col_name(r.reftabid, " +
                    "r.refkey" + N + ") pk" + N + (K < kMaxKeys ? "," : ""));
  }
  for (const char* L : {"from sysreferences r", "join sysobjects o on o.id = r.tableid",
                        "join sysobjects p on p.id = r.reftabid", "order by o.name, 1"})
    Lines.emplace_back(L);
  ForEachRow(Lines, [&](TCatalogRow& Row) {
    auto Ctr = std::make_unique<TCtrData>(GetObjs());
    Ctr->SetCtType(ctFKey);
    Ctr->SetObjName(Row.Str("name"));
    Ctr->SetTblName(Row.Str("table_name"));
    Ctr->SetRefTblName(Row.Str("ref_table"));
    const int Count = std::min(Row.Int("keycnt"), kMaxKeys);
    for (int K = 1; K <= Count; ++K) {
      const std::string N = std::to_string(K);
      Ctr->FldList.Add(Row.Str(("fk" + N).c_str()));
      Ctr->EditExtra().RefFldList.Add(Row.Str(("pk" + N).c_str()));
    }
    AddConstraint(std::move(Ctr));
  });
}

void TASEDBExtract::ExtractChk() {
  AddToLog("Extracting check constraints...");
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  // A check constraint is an object of type R, like a rule; its text is the CHECK clause.
  OpenQuery(Q,
            {"select k.constrid, object_name(k.constrid) name, o.name table_name",
             "from sysconstraints k", "join sysobjects o on o.id = k.tableid",
             "join sysobjects c on c.id = k.constrid", "where c.type = 'R'", "order by o.name, 2"});
  std::vector<std::unique_ptr<TCtrData>> Checks;
  std::vector<std::int32_t> Ids;
  for (; !Q.GetEof(); Q.Next()) {
    auto Ctr = std::make_unique<TCtrData>(GetObjs());
    Ctr->SetCtType(ctCheck);
    Ctr->SetObjName(Row.Str("name"));
    Ctr->SetTblName(Row.Str("table_name"));
    Ids.push_back(Row.Int("constrid"));
    Checks.push_back(std::move(Ctr));
  }
  CloseQuery(Q);
  for (std::size_t I = 0; I < Checks.size(); ++I) {
    Checks[I]->SetExtra(&TObjExtra::Body, CheckCondition(Text(Ids[I])));
    AddConstraint(std::move(Checks[I]));
  }
}

}  // namespace qel
