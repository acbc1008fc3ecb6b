// The DB2 catalog extractor: the step list, the column types and the catalog queries of
// tables, views, procedures, triggers, indexes and keys. Each detail query (the columns of a
// table, view or key) is prepared once per step and opened per object with its parameters.
#include "qelDB2DatabaseExtract.h"

#include <array>
#include <string_view>

#include "Text.h"
#include "qelComp_Ctr.h"
#include "qelComp_Dmn.h"
#include "qelComp_Gnr.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelDB2Parser.h"
#include "qelMsg.h"

namespace qel {

template class TParsedDBExtract<TDB2Parser>;

namespace {

// SYSCAT.COLUMNS.TYPENAME in lower case. INTEGER stays apart from BIGINT, as the DB2 parser
// keeps them; GRAPHIC, VARGRAPHIC and DBCLOB are read as the parser reads them.
constexpr std::array<TCatalogType, 34> kCatalogTypes{{
    {"integer", iftInteger},
    {"int", iftInteger},
    {"binary", iftBinary},
    {"bit", iftBit},
    {"char", iftChar},
    {"character", iftChar},
    {"datetime", iftDateTime},
    {"decimal", iftDecimal},
    {"numeric", iftNumeric},
    {"float", iftFloat},
    {"image", iftImage},
    {"bigint", iftBigInt},
    {"double", iftDouble},
    {"nchar", iftNChar},
    {"ntext", iftNText},
    {"nvarchar", iftNVarChar},
    {"real", iftReal},
    {"smalldatetime", iftSmallDateTime},
    {"smallint", iftSmallInt},
    {"smallmoney", iftSmallMoney},
    {"long varchar", iftLongVarchar},
    {"sysname", iftSysName},
    {"text", iftText},
    {"date", iftDate},
    {"time", iftTime},
    {"timestamp", iftTimeStamp},
    {"tinyint", iftTinyInt},
    {"varbinary", iftVarBinary},
    {"varchar", iftVarchar},
    {"blob", iftBlob},
    {"clob", iftClob},
    {"graphic", iftGraphic},
    {"vargraphic", iftVarGraphic},
    {"dbclob", iftDbClob},
}};

}  // namespace

TDB2DBExtract::TDB2DBExtract(TComponent* AOwner) : TParsedDBExtract(AOwner) {
  DatabaseType = dbDB2;
}

TDB2DBExtract::~TDB2DBExtract() = default;

std::string TDB2DBExtract::SchemaFilter(const std::string& Column) {
  return " (" + Column + " not like 'SYSCAT%' and " + " " + Column +
         " not in ('QSYS2', 'SYSFUN', 'SYSIBM'," + " 'SYSPROC', 'SYSSTAT', 'SYSTOOLS', 'SYSTEM', " +
         "'SQLJ'))";
}

std::vector<TDBExtractStep> TDB2DBExtract::ExtractSteps() {
  return {
      {0, false, coDomain, "ExtractHeader", [this] { ExtractHeader(); }},
      {2, true, coTable, "ExtractTbl", [this] { ExtractTbl(); }},
      {3, true, coView, "ExtractViw", [this] { ExtractViw(); }},
      {4, true, coProcedure, "ExtractPrc", [this] { ExtractPrc(); }},
      {5, true, coTrigger, "ExtractTrg", [this] { ExtractTrg(); }},
      {6, true, coIndex, "ExtractIdx", [this] { ExtractIdx(); }},
      {7, true, coPrimaryKey, "Extract_PK", [this] { ExtractKeys("P", ctPKey); }},
      {8, true, coUnique, "ExtractUnq", [this] { ExtractKeys("U", ctUnique); }},
      {9, true, coForeignKey, "Extract_FK", [this] { Extract_FK(); }},
  };
}

std::vector<TDbObjList TObjs::*> TDB2DBExtract::BodyLists() const {
  return {&TObjs::Views, &TObjs::Triggers};
}

void TDB2DBExtract::ColumnType(TFldData& Fld, const std::string& TypeName, std::int32_t Nullable,
                               std::int32_t Scale, std::int32_t Precision, std::int32_t Length) {
  const std::string Name = LowerCase(Trim(TypeName));
  const TDBFieldType T = CatalogTypeOf(kCatalogTypes, Name);
  if (T == iftUnknown) {
    TObjs* Objs = GetObjs();
    if (Objs && Objs->GetDomain(Name)) {
      Fld.FieldType = iftDomain;
      Fld.SetExtra(&TFldExtra::DomainName, Name);
    } else {
      DoErrorMessage("Unknown datatype: " + Name);
    }
  } else {
    Fld.FieldType = T;
  }
  SizeFromByteLength(Fld, Length);
  if (Fld.FieldType == iftFloat || Fld.FieldType == iftNumeric || Fld.FieldType == iftDecimal) {
    Fld.Precision = Precision;
    Fld.Scale = Scale;
  }
  Fld.Nullable = Nullable != 0;
}

// ---------------------------------------------------------------------------------------------
// Header, tables, views, procedures, triggers

void TDB2DBExtract::ExtractHeader() {
  KeepConnectionOptions();
}

void TDB2DBExtract::ExtractTbl() {
  AddToLog("Extracting tables...");
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(Q, {"select o.tabschema, o.tabname", " from syscat.tables o",
                " where " + SchemaFilter("o.tabschema"), "and o.type = 'T' "});
  const std::string Indent(41, ' ');
  auto Cols =
      DetailQuery({"select c.colno, c.colname, c.typename, c.nulls, c.length,",
                   "c.scale, c.default, c.logged, c.compact, c.identity, c.generated, c.text,",
                   "a.seqid, a.start, a.increment, a.minvalue, a.maxvalue, a.cycle, a.cache",
                   "from syscat.columns c",
                   "left join syscat.colidentattributes a on a.tabschema = c.tabschema and",
                   Indent + "a.tabname = c.tabname and", Indent + "a.colname = c.colname",
                   "where c.tabschema = :SCH and c.tabname = :TBL", "order by c.colno"});
  TCatalogRow ColsRow(*Cols);
  for (; !Q.GetEof(); Q.Next()) {
    auto Tbl = std::make_unique<TTblData>(GetObjs());
    Tbl->SetObjName(Trim(Row.Str("tabname")));
    Tbl->SetSchema(Trim(Row.Str("tabschema")));
    Cols->ParamByName("SCH")->SetAsString(Row.Str("tabschema"));
    Cols->ParamByName("TBL")->SetAsString(Row.Str("tabname"));
    Cols->Open();
    for (; !Cols->GetEof(); Cols->Next()) {
      auto Fld = std::make_unique<TFldData>(GetObjs());
      Fld->TableName = Tbl->GetObjName();
      Fld->OwnerObj = Tbl.get();
      Fld->SetObjName(ColsRow.Str("colname"));
      const bool Nullable = ColsRow.Str("nulls") == "Y";
      const std::string Logged = ColsRow.Str("logged");
      if (Logged == "Y") Fld->EditExtra().Logged = 1;
      if (Logged == "N") Fld->EditExtra().Logged = 0;
      const std::string Compact = ColsRow.Str("compact");
      if (Compact == "Y") Fld->EditExtra().Compact = 1;
      if (Compact == "N") Fld->EditExtra().Compact = 0;
      Fld->DefValue = ColsRow.Str("default");
      const std::int32_t Length = ColsRow.Int("length");
      ColumnType(*Fld, ColsRow.Str("typename"), Nullable ? 1 : 0, ColsRow.Int("scale"), Length,
                 Length);
      Fld->Identity = ColsRow.Str("identity") == "Y";
      const std::string Generated = ColsRow.Str("generated");
      if (!Generated.empty()) Fld->GeneratedKind = Generated[0];
      if (Fld->GeneratedKind != 0 && Fld->GeneratedKind != ' ') {
        if (Fld->Identity) {
          TGnrData& G = Fld->GetIdentityGenerator();
          G.StartValue = ColsRow.Str("start");
          G.Increment = ColsRow.Str("increment");
          G.MinValue = ColsRow.Str("minvalue");
          G.SetMaxValue(ColsRow.Str("maxvalue"));
          G.SetCache(ColsRow.Str("cache"));
          G.Cycle = ColsRow.Str("cycle") == "Y";
        } else {
          std::string Text = ColsRow.Str("text");
          if (Text.rfind("AS", 0) == 0) Text = Trim(Text.substr(2));
          Fld->SetExtra(&TFldExtra::GeneratedExpr, Text);
        }
      }
      Fld->Position = Tbl->Fields.Count() + 1;
      Tbl->Fields.Add(std::move(Fld));
    }
    Cols->Close();
    if (!FileAndGoOn(std::move(Tbl))) break;
  }
  CloseQuery(Q);
}

void TDB2DBExtract::ExtractViw() {
  AddToLog("Extracting views...");
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(Q, {"select o.tabschema, o.tabname, v.text, v.func_path", " from syscat.tables o",
                " join syscat.views v on v.viewschema = o.tabschema and v.viewname = o.tabname",
                " where " + SchemaFilter("o.tabschema"), "and o.type = 'V'  "});
  auto Cols = DetailQuery({"select c.colno, c.colname, c.typename, c.nulls, c.length,",
                           "c.scale, c.default", "from syscat.columns c",
                           "where c.tabschema = :SCH and c.tabname = :TBL", "order by c.colno"});
  TCatalogRow ColsRow(*Cols);
  for (; !Q.GetEof(); Q.Next()) {
    auto View = std::make_unique<TViwData>(GetObjs());
    View->SetObjName(Trim(Row.Str("tabname")));
    View->SetSchema(Trim(Row.Str("tabschema")));
    View->SetExtra(&TObjExtra::FullText, Trim(Row.Str("text")));
    View->Path = Trim(Row.Str("func_path"));
    Cols->ParamByName("SCH")->SetAsString(Row.Str("tabschema"));
    Cols->ParamByName("TBL")->SetAsString(Row.Str("tabname"));
    Cols->Open();
    for (; !Cols->GetEof(); Cols->Next()) {
      auto Fld = std::make_unique<TFldData>(GetObjs());
      Fld->TableName = View->GetObjName();
      Fld->OwnerObj = View.get();
      Fld->SetObjName(ColsRow.Str("colname"));
      View->Fields.Add(std::move(Fld));
    }
    Cols->Close();
    FileExtracted(std::move(View));
    if (TerminateRunning.load()) break;
  }
  CloseQuery(Q);
}

void TDB2DBExtract::ExtractPrc() {
  AddToLog("Extracting procedures...");
  ForEachRow({"Select o.procschema, o.procname", "from syscat.procedures o",
              "where " + SchemaFilter("o.procschema")},
             [&](TCatalogRow& Row) {
               auto Prc = std::make_unique<TPrcData>(GetObjs());
               Prc->SetObjName(Trim(Row.Str("procname")));
               Prc->SetSchema(Trim(Row.Str("procschema")));
               FileExtracted(std::move(Prc));
             });
}

void TDB2DBExtract::ExtractTrg() {
  AddToLog("Extracting triggers...");
  ForEachRow({"select o.trigschema, o.trigname, o.tabschema, o.tabname, o.text,",
              "o.trigtime, o.trigevent, o.remarks", "from syscat.triggers o",
              "where " + SchemaFilter("o.trigschema")},
             [&](TCatalogRow& Row) {
               auto Trg = std::make_unique<TTrgData>(GetObjs());
               Trg->SetObjName(Trim(Row.Str("trigname")));
               Trg->SetSchema(Trim(Row.Str("trigschema")));
               Trg->SetOwnName(Trim(Row.Str("tabname")));
               Trg->SetExtra(&TObjExtra::FullText, Row.Str("text"));
               Trg->SetDescription(Row.Str("remarks"));
               FileExtracted(std::move(Trg));
             });
}

// ---------------------------------------------------------------------------------------------
// Indexes and keys

void TDB2DBExtract::ExtractIdx() {
  AddToLog("Extracting indexes...");
  const std::string Indent(31, ' ');
  ForEachRow({"select i.indschema, i.indname, i.tabschema, i.tabname, i.colnames,",
              "i.colcount, i.unique_colcount, i.remarks, i.reverse_scans", "from syscat.indexes i",
              "left join syscat.tabconst c on c.constname = i.indname and",
              Indent + "c.tabschema = i.tabschema and", Indent + "c.tabname = i.tabname",
              "where " + SchemaFilter("i.indschema"), " and c.constname is null"},
             [&](TCatalogRow& Row) {
               auto Idx = std::make_unique<TIdxData>(GetObjs());
               Idx->SetObjName(Trim(Row.Str("indname")));
               Idx->TableName = Trim(Row.Str("tabname"));
               Idx->SetSchema(Trim(Row.Str("indschema")));
               if (const std::string S = Trim(Row.Str("tabschema")); S != Idx->GetSchema())
                 Idx->TableSchema = S;
               // COLNAMES: "+A-B+C", each column led by "+" (ascending) or "-" (descending).
               const std::string Names = Row.Str("colnames");
               std::size_t I = 0;
               while (I < Names.size() && (Names[I] == '+' || Names[I] == '-')) {
                 const std::int32_t Order = Names[I] == '-' ? 2 : 0;
                 const std::size_t End = Names.find_first_of("+-", I + 1);
                 const std::string Name =
                     Names.substr(I + 1, End == std::string::npos ? End : End - I - 1);
                 Idx->AddFld(Name, Order);
                 I = End == std::string::npos ? Names.size() : End;
               }
               Idx->Unique = Row.Int("colcount") == Row.Int("unique_colcount");
               Idx->AllowReverseScans = Row.Str("reverse_scans") == "Y";
               FileExtracted(std::move(Idx));
             });
}

void TDB2DBExtract::ExtractKeys(const char* Type, TConstraintType CtType) {
  AddToLog(CtType == ctPKey ? "Extracting primary keys..." : "Extracting unique constraints...");
  auto Cols = DetailQuery({"select c.colname, c.colseq", "from syscat.keycoluse c",
                           "where c.constname = :CON and c.tabschema = :SCH and c.tabname = :TBL",
                           "order by c.colseq"});
  TCatalogRow ColsRow(*Cols);
  ForEachRow({"select o.constname, o.tabschema, o.tabname,", "o.remarks", "from syscat.tabconst o",
              std::string("where o.type = '") + Type + "' ", "and " + SchemaFilter("o.tabschema")},
             [&](TCatalogRow& Row) {
               auto Ctr = std::make_unique<TCtrData>(GetObjs());
               Ctr->SetCtType(CtType);
               Ctr->SetObjName(Trim(Row.Str("constname")));
               Ctr->SetTblName(Trim(Row.Str("tabname")));
               Ctr->SetSchema(Trim(Row.Str("tabschema")));
               Ctr->SetDescription(Row.Str("remarks"));
               Cols->ParamByName("CON")->SetAsString(Row.Str("constname"));
               Cols->ParamByName("SCH")->SetAsString(Row.Str("tabschema"));
               Cols->ParamByName("TBL")->SetAsString(Row.Str("tabname"));
               Cols->Open();
               for (; !Cols->GetEof(); Cols->Next()) Ctr->FldList.Add(ColsRow.Str("colname"));
               Cols->Close();
               Ctr->CheckSysName();
               FileExtracted(std::move(Ctr));
             });
}

void TDB2DBExtract::Extract_FK() {
  AddToLog("Extracting foreign keys...");
  const std::string P(26, ' '), C(28, ' ');
  auto Cols =
      DetailQuery({"select c1.colname col1, c2.colname col2, c1.colseq", "from syscat.references r",
                   "join syscat.tabconst p on p.constname = r.refkeyname and",
                   P + "p.tabschema = r.reftabschema and", P + "p.tabname = r.reftabname",
                   "join syscat.keycoluse c1 on c1.constname = r.constname and",
                   C + "c1.tabschema = r.tabschema and", C + "c1.tabname = r.tabname",
                   "join syscat.keycoluse c2 on c2.constname = r.refkeyname and",
                   C + "c2.tabschema = r.reftabschema and", C + "c2.tabname = r.reftabname and",
                   C + "c2.colseq = c1.colseq",
                   "where r.constname = :CON and r.tabname = :TBL and r.tabschema = :SCH",
                   "order by c1.colseq"});
  TCatalogRow ColsRow(*Cols);
  ForEachRow({"select r.constname, r.tabschema, r.tabname,",
              "r.refkeyname, r.reftabschema, r.reftabname,", "r.deleterule, r.updaterule",
              "from syscat.references r", "where " + SchemaFilter("r.tabschema")},
             [&](TCatalogRow& Row) {
               auto Ctr = std::make_unique<TCtrData>(GetObjs());
               Ctr->SetCtType(ctFKey);
               Ctr->SetObjName(Trim(Row.Str("constname")));
               Ctr->SetTblName(Trim(Row.Str("tabname")));
               Ctr->SetSchema(Trim(Row.Str("tabschema")));
               Ctr->SetRefTblName(Trim(Row.Str("reftabname")));
               Ctr->SetRefSchema(Trim(Row.Str("reftabschema")));
               const std::string Update = Row.Str("updaterule");
               if (Update == "A") Ctr->OnUpdate = udaNoAction;
               if (Update == "R") Ctr->OnUpdate = udaRestrict;
               const std::string Delete = Row.Str("deleterule");
               if (Delete == "A") Ctr->OnDelete = udaNoAction;
               if (Delete == "R") Ctr->OnDelete = udaRestrict;
               if (Delete == "C") Ctr->OnDelete = udaCascade;
               if (Delete == "N") Ctr->OnDelete = udaNull;
               Cols->ParamByName("CON")->SetAsString(Row.Str("constname"));
               Cols->ParamByName("SCH")->SetAsString(Row.Str("tabschema"));
               Cols->ParamByName("TBL")->SetAsString(Row.Str("tabname"));
               Cols->Open();
               for (; !Cols->GetEof(); Cols->Next()) {
                 Ctr->FldList.Add(ColsRow.Str("col1"));
                 Ctr->EditExtra().RefFldList.Add(ColsRow.Str("col2"));
               }
               Cols->Close();
               Ctr->CheckSysName();
               FileExtracted(std::move(Ctr));
             });
}

}  // namespace qel
