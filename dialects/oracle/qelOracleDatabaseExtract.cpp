// The Oracle catalog extractor: the step list and the data-dictionary queries of user types,
// sequences, tables, views, procedures, packages, triggers, indexes and keys. The SQL lines are
// sent as written, trailing blanks included; detail queries take their keys as quoted literals.
#include "qelOracleDatabaseExtract.h"

#include "Text.h"
#include "qelComp_Dmn.h"
#include "qelComp_Gnr.h"
#include "qelComp_Idx.h"
#include "qelComp_Pkg.h"
#include "qelComp_Prc.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelMsg.h"
#include "qelOracleParser.h"

namespace qel {

template class TParsedDBExtract<TOracleParser>;

namespace {

void SetLines(TQELQuery& Q, const std::vector<std::string>& Lines) {
  TStrings* SQL = Q.GetSQL();
  if (!SQL) throw EDatabaseError("The query of the connection takes no statement text.");
  SQL->Clear();
  for (const std::string& L : Lines) SQL->Add(L);
}

/// Opens Q with Lines, hands each row to Row, then closes it and clears its text.
template <class F>
void ReadDetail(TQELQuery& Q, const std::vector<std::string>& Lines, F Row) {
  SetLines(Q, Lines);
  Q.Open();
  for (; !Q.GetEof(); Q.Next()) Row();
  Q.Close();
  if (TStrings* SQL = Q.GetSQL()) SQL->Clear();
}

}  // namespace

TOracleDBExtract::TOracleDBExtract(TComponent* AOwner) : TParsedDBExtract(AOwner) {
  DatabaseType = dbOracle;
}

TOracleDBExtract::~TOracleDBExtract() = default;

std::vector<TDBExtractStep> TOracleDBExtract::ExtractSteps() {
  // Packages go with procedures (coProcedure), as the comparer's Oracle pass expects.
  return {
      {0, false, coDomain, "ExtractHeader", [this] { ExtractHeader(); }},
      {0, true, coDomain, "ExtractTyp", [this] { ExtractTyp(); }},
      {1, true, coGenerator, "ExtractSeq", [this] { ExtractSeq(); }},
      {2, true, coTable, "ExtractTbl", [this] { ExtractTbl(); }},
      {3, true, coView, "ExtractViw", [this] { ExtractViw(); }},
      {4, true, coProcedure, "ExtractPrc", [this] { ExtractPrc(); }},
      {4, true, coProcedure, "ExtractPkg", [this] { ExtractPkg(); }},
      {5, true, coTrigger, "ExtractTrg", [this] { ExtractTrg(); }},
      {6, true, coIndex, "ExtractIdx", [this] { ExtractIdx(); }},
      {7, true, coPrimaryKey, "Extract_PK",
       [this] { ExtractKeys("P", ctPKey, "Extracting primary keys..."); }},
      {8, true, coUnique, "ExtractUnq",
       [this] { ExtractKeys("U", ctUnique, "Extracting unique constraints..."); }},
      {9, true, coForeignKey, "Extract_FK", [this] { Extract_FK(); }},
  };
}

std::vector<TDbObjList TObjs::*> TOracleDBExtract::BodyLists() const {
  return {&TObjs::Domains,    &TObjs::Tables,   &TObjs::Views,
          &TObjs::Procedures, &TObjs::Triggers, &TObjs::Packages};
}

void TOracleDBExtract::SetConstraintName(TCtrData& Ctr, const std::string& Name) {
  if (Name.rfind("SYS_", 0) == 0)
    Ctr.SetExtra(&TObjExtra::AltName, Name);
  else
    Ctr.SetObjName(Name);
}

// ---------------------------------------------------------------------------------------------
// Steps with catalog texts

void TOracleDBExtract::ExtractHeader() {
  KeepConnectionOptions();
}

void TOracleDBExtract::ExtractTyp() {
  AddToLog("Extracting user datatypes...");
  TObjs* Objs = GetObjs();
  ForEachRow(
      {"select type_name, dbms_metadata.get_ddl('TYPE', type_name) as ddl", "from sys.user_types"},
      [&](TCatalogRow& Row) {
        // Types bypass the name filter: the tables that use them need them.
        auto Dmn = std::make_unique<TDmnData>(Objs);
        Dmn->SetObjName(Row.Str("TYPE_NAME"));
        Dmn->SetExtra(&TObjExtra::FullText, Trim(Row.Str("DDL")));
        if (Objs) FileExtracted(std::move(Dmn), Objs->Domains);
      });
}

void TOracleDBExtract::ExtractSeq() {
  AddToLog("Extracting sequences...");
  ForEachRow({"select s.sequence_name,", "cast(s.min_value as varchar2(100)) min_value,",
              "Cast(s.max_value as varchar2(100)) max_value,",
              "cast(s.increment_by as varchar2(100)) increment_by,",
              "cast(s.last_number as varchar2(100)) last_number,", "s.cycle_flag, s.order_flag,",
              "s.cache_size", "from sys.user_sequences s", "order by s.sequence_name"},
             [&](TCatalogRow& Row) {
               auto Gnr = std::make_unique<TGnrData>(GetObjs());
               Gnr->SetObjName(Row.Str("SEQUENCE_NAME"));
               Gnr->MinValue = Row.Str("MIN_VALUE");
               Gnr->SetMaxValue(Row.Str("MAX_VALUE"));
               Gnr->Increment = Row.Str("INCREMENT_BY");
               Gnr->StartValue = Row.Str("LAST_NUMBER");
               Gnr->SetCache(Row.Str("CACHE_SIZE"));
               if (Gnr->GetCache() == "0") {
                 Gnr->SetCache("");
                 Gnr->SetNoCache(true);
               }
               Gnr->Order = Row.Str("ORDER_FLAG") == "Y";
               Gnr->Cycle = Row.Str("CYCLE_FLAG") == "Y";
               FileExtracted(std::move(Gnr));
             });
}

void TOracleDBExtract::ExtractTbl() {
  AddToLog("Extracting tables...");
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(Q, {"Select t.table_name, t.tablespace_name,",
                "dbms_metadata.get_ddl('TABLE', t.table_name) as DDL", "from sys.user_tables t"});
  for (; !Q.GetEof(); Q.Next()) {
    auto Tbl = std::make_unique<TTblData>(GetObjs());
    Tbl->SetObjName(Row.Str("TABLE_NAME"));
    Tbl->EditExtra().TablespaceName = Row.Str("TABLESPACE_NAME");
    Tbl->SetExtra(&TObjExtra::FullText, Trim(CrLfLineBreaks(Row.Str("DDL"))));
    FileExtracted(std::move(Tbl));
    if (TerminateRunning.load()) return;
  }
  CloseQuery(Q);
}

void TOracleDBExtract::ExtractViw() {
  AddToLog("Extracting views...");
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(Q, {"Select v.view_name, v.text,", "DBMS_METADATA.GET_DDL('VIEW', v.view_name) as DDL",
                "from sys.user_views v"});
  for (; !Q.GetEof(); Q.Next()) {
    auto View = std::make_unique<TViwData>(GetObjs());
    View->SetObjName(Row.Str("VIEW_NAME"));
    View->SetExtra(&TObjExtra::Body, Row.Str("TEXT"));
    View->SetExtra(&TObjExtra::FullText, Trim(CrLfLineBreaks(Row.Str("DDL"))));
    FileExtracted(std::move(View));
    if (TerminateRunning.load()) return;
  }
  CloseQuery(Q);
}

void TOracleDBExtract::ExtractPrc() {
  AddToLog("Extracting procedures...");
  const std::unique_ptr<TQELQuery> Src = DetailQuery();
  TCatalogRow SrcRow(*Src);
  ForEachRow({"Select p.object_name, p.procedure_name", "from sys.user_procedures p",
              "where p.object_name = p.procedure_name", "order by p.procedure_name"},
             [&](TCatalogRow& Row) {
               auto Prc = std::make_unique<TPrcData>(GetObjs());
               Prc->SetObjName(Row.Str("PROCEDURE_NAME"));
               Prc->SetExtra(&TObjExtra::FullText, std::string());
               // The lines joined as the server keeps them: each ends with its own line break.
               ReadDetail(
                   *Src,
                   {"select name, type, line, text", "from user_source where type = 'PROCEDURE' ",
                    "and Name = " + QuotedStr(Prc->GetObjName()), "order by Line"},
                   [&] { Prc->EditExtra().FullText += SrcRow.Str("TEXT"); });
               FileExtracted(std::move(Prc));
             });
}

void TOracleDBExtract::ExtractPkg() {
  AddToLog("Extracting packages...");
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(Q, {"Select t.object_name,", "dbms_metadata.get_ddl('PACKAGE', t.object_name) as DDL",
                "from sys.user_objects t", "where object_type = 'PACKAGE' "});
  for (; !Q.GetEof(); Q.Next()) {
    auto Pkg = std::make_unique<TPkgData>(GetObjs());
    Pkg->SetObjName(Row.Str("OBJECT_NAME"));
    // Not trimmed: the parser tells the package heading from its body at a line start.
    Pkg->SetExtra(&TObjExtra::FullText, CrLfLineBreaks(Row.Str("DDL")));
    FileExtracted(std::move(Pkg));
    if (TerminateRunning.load()) return;
  }
  CloseQuery(Q);
}

void TOracleDBExtract::ExtractTrg() {
  AddToLog("Extracting triggers...");
  ForEachRow({"select t.trigger_name, t.table_name, t.trigger_type,",
              "t.triggering_event, t.base_object_type, t.column_name,",
              "t.referencing_names, t.when_clause, t.status,", "t.description, t.trigger_body,",
              "DBMS_METADATA.GET_DDL('TRIGGER', t.trigger_name) as DDL", "from sys.user_triggers t",
              "order by t.trigger_name"},
             [&](TCatalogRow& Row) {
               auto Trg = std::make_unique<TTrgData>(GetObjs());
               Trg->SetObjName(Row.Str("TRIGGER_NAME"));
               Trg->SetOwnName(Row.Str("TABLE_NAME"));
               Trg->SetExtra(&TObjExtra::Body, CrLfLineBreaks(Row.Str("TRIGGER_BODY")));
               Trg->SetDescription(CrLfLineBreaks(Row.Str("DESCRIPTION")));
               if (Row.Str("STATUS") == "DISABLED") Trg->Active = false;
               Trg->SetExtra(&TObjExtra::FullText, Trim(CrLfLineBreaks(Row.Str("DDL"))));
               FileExtracted(std::move(Trg));
             });
}

// ---------------------------------------------------------------------------------------------
// Indexes and keys

void TOracleDBExtract::ExtractIdx() {
  AddToLog("Extracting indexes...");
  const std::unique_ptr<TQELQuery> Cols = DetailQuery();
  TCatalogRow ColsRow(*Cols);
  ForEachRow(
      {"select i.index_name, i.index_type, i.table_owner, i.table_name,",
       "i.table_type, i.uniqueness, i.compression, i.tablespace_name,", "i.logging",
       "from sys.user_indexes i", "where i.table_type = 'TABLE' and i.index_name not like 'SYS%' ",
       "and not exists (select c.constraint_name from sys.user_constraints c",
       "where c.index_name = i.index_name and c.constraint_type in ('P', 'U') )",
       "order by i.index_name"},
      [&](TCatalogRow& Row) {
        auto Idx = std::make_unique<TIdxData>(GetObjs());
        Idx->SetObjName(Row.Str("INDEX_NAME"));
        Idx->TableName = Row.Str("TABLE_NAME");
        Idx->Unique = Row.Str("UNIQUENESS") == "UNIQUE";
        ReadDetail(
            *Cols,
            {"select c.index_name, c.table_name, c.column_name,", "c.column_position, c.descend",
             "from sys.user_ind_columns c", "where c.index_name = " + QuotedStr(Idx->GetObjName()),
             "order by c.column_position"},
            [&] {
              Idx->AddFld(ColsRow.Str("COLUMN_NAME"), ColsRow.Str("DESCEND") == "DESC" ? 2 : 0);
            });
        FileExtracted(std::move(Idx));
      });
}

void TOracleDBExtract::ExtractKeys(const char* Letter, TConstraintType CtType,
                                   const char* LogLine) {
  AddToLog(LogLine);
  const std::unique_ptr<TQELQuery> Cols = DetailQuery();
  TCatalogRow ColsRow(*Cols);
  ForEachRow(
      {"select c.constraint_name, c.table_name, c.constraint_type", "from sys.user_constraints c",
       std::string("where c.constraint_type = '") + Letter + "' ",
       "order by c.table_name, c.constraint_name"},
      [&](TCatalogRow& Row) {
        auto Ctr = std::make_unique<TCtrData>(GetObjs());
        Ctr->SetCtType(CtType);
        const std::string Name = Row.Str("CONSTRAINT_NAME");
        SetConstraintName(*Ctr, Name);
        Ctr->SetTblName(Row.Str("TABLE_NAME"));
        ReadDetail(*Cols,
                   {"select c.column_name, c.position", "from sys.user_cons_columns c",
                    "where c.constraint_name = " + QuotedStr(Name),
                    "and c.table_name = " + QuotedStr(Ctr->GetTblName()), "order by c.position"},
                   [&] { Ctr->FldList.Add(ColsRow.Str("COLUMN_NAME")); });

        const std::string Def = Ctr->Def();
        FileExtracted(std::move(Ctr), Def);
      });
}

void TOracleDBExtract::Extract_FK() {
  AddToLog("Extracting foreign keys...");
  const std::unique_ptr<TQELQuery> Cols = DetailQuery();
  TCatalogRow ColsRow(*Cols);
  ForEachRow({"select c.constraint_name, c.table_name, c.constraint_type,",
              "c.delete_rule, c.r_constraint_name, c1.table_name r_table_name",
              "from sys.user_constraints c",
              "join sys.user_constraints c1 on c1.constraint_name = c.r_constraint_name",
              "where c.constraint_type = 'R' ", "order by c.table_name, c.constraint_name"},
             [&](TCatalogRow& Row) {
               auto Ctr = std::make_unique<TCtrData>(GetObjs());
               Ctr->SetCtType(ctFKey);
               const std::string Name = Row.Str("CONSTRAINT_NAME");
               SetConstraintName(*Ctr, Name);
               Ctr->SetTblName(Row.Str("TABLE_NAME"));
               Ctr->SetRefTblName(Row.Str("R_TABLE_NAME"));
               const std::string Rule = Row.Str("DELETE_RULE");
               if (Rule == "NO ACTION")
                 Ctr->OnDelete = udaNoAction;
               else if (Rule == "CASCADE")
                 Ctr->OnDelete = udaCascade;
               else if (Rule == "SET NULL")
                 Ctr->OnDelete = udaNull;
               ReadDetail(
                   *Cols,
                   {"select c.column_name, c.position, c2.column_name r_column_name",
                    "from sys.user_cons_columns c",
                    "join sys.user_constraints c1 on c1.constraint_name = c.constraint_name",
                    "join sys.user_cons_columns c2 on c2.constraint_name = c1.r_constraint_name",
                    std::string(29, ' ') + "and c2.position = c.position",
                    "where c.constraint_name = " + QuotedStr(Name),
                    "and c.table_name = " + QuotedStr(Ctr->GetTblName()), "order by c.position"},
                   [&] {
                     Ctr->FldList.Add(ColsRow.Str("COLUMN_NAME"));
                     Ctr->EditExtra().RefFldList.Add(ColsRow.Str("R_COLUMN_NAME"));
                   });

               const std::string Def = Ctr->Def();
               FileExtracted(std::move(Ctr), Def);
             });
}

}  // namespace qel
