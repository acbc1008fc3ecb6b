// The DB2 catalog extractor: the step list, the column types and the catalog queries of
// tables, views, procedures, triggers, indexes and keys. Each detail query (the columns of a
// table, view or key) is prepared once per step and opened per object with its parameters.
#include "qelDB2DatabaseExtract.h"

#include <array>
#include <string_view>

#include "Text.h"
#include "qelComp_Ctr.h"
#include "qelComp_Gnr.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelDB2Parser.h"
#include "qelMsg.h"

namespace qel {

namespace {

struct TCatalogType {
  std::string_view Name;
  TDBFieldType Type;
};
// SYSCAT.COLUMNS.TYPENAME in lower case. INTEGER stays apart from BIGINT, as the DB2 parser
// keeps them; GRAPHIC, VARGRAPHIC and DBCLOB are read as the parser reads them.
constexpr std::array<TCatalogType, 33> kCatalogTypes{{
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
}};

std::string Str(TQELQuery& Q, const char* Field) {
  return Q.FieldByName(Field)->AsString();
}

}  // namespace

TDB2DBExtract::TDB2DBExtract(TComponent* AOwner) : TCustomDBExtract(AOwner) {
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

std::unique_ptr<TCustomParser> TDB2DBExtract::CreateBodyParser() {
  auto Parser = std::make_unique<TDB2Parser>(GetObjs());
  Parser->ShowProgress = false;  // the driver's positions are the only progress the host sees
  return Parser;
}

std::vector<TDbObjList*> TDB2DBExtract::BodyLists() {
  TObjs* Objs = GetObjs();
  if (!Objs) return {};
  return {&Objs->Views, &Objs->Triggers};
}

void TDB2DBExtract::ParseObjText(TCustomParser& Parser, TDbObj& Obj) {
  if (auto* DB2 = dynamic_cast<TDB2Parser*>(&Parser)) DB2->ParseObjText(&Obj);
}

void TDB2DBExtract::ColumnType(TFldData& Fld, const std::string& TypeName, std::int32_t Nullable,
                               std::int32_t Scale, std::int32_t Precision, std::int32_t Length) {
  const std::string Name = LowerCase(Trim(TypeName));
  TDBFieldType T = iftUnknown;
  for (const TCatalogType& C : kCatalogTypes)
    if (C.Name == Name) {
      T = C.Type;
      break;
    }
  if (T == iftUnknown) {
    TObjs* Objs = GetObjs();
    if (Objs && Objs->GetDomain(Name)) {
      Fld.FieldType = iftDomain;
      Fld.DomainName = Name;
    } else {
      DoErrorMessage("Unknown datatype: " + Name);
    }
  } else {
    Fld.FieldType = T;
  }
  switch (Fld.FieldType) {
    case iftNChar:
    case iftNVarChar:
      Fld.Size = Length / 2;
      break;
    case iftVarchar:
    case iftChar:
    case iftBlob:
    case iftClob:
    case iftBinary:
    case iftVarBinary:
      Fld.Size = Length;
      break;
    default:
      break;
  }
  if (Fld.FieldType == iftFloat || Fld.FieldType == iftNumeric || Fld.FieldType == iftDecimal) {
    Fld.Precision = Precision;
    Fld.Scale = Scale;
  }
  Fld.Nullable = Nullable != 0;
}

void TDB2DBExtract::AddExtracted(TDbObj* Obj) {
  if (ShowFullLog) AddToLog("---" + Obj->GetObjName());
  if (TObjs* Objs = GetObjs()) Objs->AddObj(Obj, true);
}

std::unique_ptr<TQELQuery> TDB2DBExtract::DetailQuery(const std::vector<std::string>& Lines) {
  std::unique_ptr<TQELQuery> Q(GetQELConnection()->CreateQuery(this));
  TStrings* SQL = Q->GetSQL();
  if (!SQL) throw EDatabaseError("The query of the connection takes no statement text.");
  for (const std::string& L : Lines) SQL->Add(L);
  return Q;
}

// ---------------------------------------------------------------------------------------------
// Header, tables, views, procedures, triggers

void TDB2DBExtract::ExtractHeader() {
  KeepConnectionOptions();
}

void TDB2DBExtract::ExtractTbl() {
  AddToLog("Extracting tables...");
  TQELQuery& Q = WorkQuery();
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
  for (; !Q.GetEof(); Q.Next()) {
    auto* Tbl = new TTblData(GetObjs());
    Tbl->SetObjName(Trim(Str(Q, "tabname")));
    Tbl->SetSchema(Trim(Str(Q, "tabschema")));
    Cols->ParamByName("SCH")->SetAsString(Str(Q, "tabschema"));
    Cols->ParamByName("TBL")->SetAsString(Str(Q, "tabname"));
    Cols->Open();
    for (; !Cols->GetEof(); Cols->Next()) {
      auto Fld = std::make_unique<TFldData>(GetObjs());
      Fld->TableName = Tbl->GetObjName();
      Fld->OwnerObj = Tbl;
      Fld->SetObjName(Str(*Cols, "colname"));
      const bool Nullable = Str(*Cols, "nulls") == "Y";
      const std::string Logged = Str(*Cols, "logged");
      if (Logged == "Y") Fld->Logged = 1;
      if (Logged == "N") Fld->Logged = 0;
      const std::string Compact = Str(*Cols, "compact");
      if (Compact == "Y") Fld->Compact = 1;
      if (Compact == "N") Fld->Compact = 0;
      Fld->DefValue = Str(*Cols, "default");
      const std::int32_t Length = Cols->FieldByName("length")->AsInteger();
      ColumnType(*Fld, Str(*Cols, "typename"), Nullable ? 1 : 0,
                 Cols->FieldByName("scale")->AsInteger(), Length, Length);
      Fld->Identity = Str(*Cols, "identity") == "Y";
      const std::string Generated = Str(*Cols, "generated");
      if (!Generated.empty()) Fld->GeneratedKind = Generated[0];
      if (Fld->GeneratedKind != 0 && Fld->GeneratedKind != ' ') {
        if (Fld->Identity) {
          TGnrData& G = Fld->GetIdentityGenerator();
          G.StartValue = Str(*Cols, "start");
          G.Increment = Str(*Cols, "increment");
          G.MinValue = Str(*Cols, "minvalue");
          G.SetMaxValue(Str(*Cols, "maxvalue"));
          G.SetCache(Str(*Cols, "cache"));
          G.Cycle = Str(*Cols, "cycle") == "Y";
        } else {
          std::string Text = Str(*Cols, "text");
          if (Text.rfind("AS", 0) == 0) Text = Trim(Text.substr(2));
          Fld->GeneratedExpr = Text;
        }
      }
      Fld->Position = Tbl->Fields.Count() + 1;
      Tbl->Fields.Add(std::move(Fld));
    }
    Cols->Close();
    AddExtracted(Tbl);
    ProcessMessages();
    if (TerminateRunning.load()) break;
  }
  CloseQuery(Q);
}

void TDB2DBExtract::ExtractViw() {
  AddToLog("Extracting views...");
  TQELQuery& Q = WorkQuery();
  OpenQuery(Q, {"select o.tabschema, o.tabname, v.text, v.func_path", " from syscat.tables o",
                " join syscat.views v on v.viewschema = o.tabschema and v.viewname = o.tabname",
                " where " + SchemaFilter("o.tabschema"), "and o.type = 'V'  "});
  auto Cols = DetailQuery({"select c.colno, c.colname, c.typename, c.nulls, c.length,",
                           "c.scale, c.default", "from syscat.columns c",
                           "where c.tabschema = :SCH and c.tabname = :TBL", "order by c.colno"});
  for (; !Q.GetEof(); Q.Next()) {
    auto* View = new TViwData(GetObjs());
    View->SetObjName(Trim(Str(Q, "tabname")));
    View->SetSchema(Trim(Str(Q, "tabschema")));
    View->FullText = Trim(Str(Q, "text"));
    View->Path = Trim(Str(Q, "func_path"));
    Cols->ParamByName("SCH")->SetAsString(Str(Q, "tabschema"));
    Cols->ParamByName("TBL")->SetAsString(Str(Q, "tabname"));
    Cols->Open();
    for (; !Cols->GetEof(); Cols->Next()) {
      auto Fld = std::make_unique<TFldData>(GetObjs());
      Fld->TableName = View->GetObjName();
      Fld->OwnerObj = View;
      Fld->SetObjName(Str(*Cols, "colname"));
      View->Fields.Add(std::move(Fld));
    }
    Cols->Close();
    AddExtracted(View);
    ProcessMessages();
    if (TerminateRunning.load()) break;
  }
  CloseQuery(Q);
}

void TDB2DBExtract::ExtractPrc() {
  AddToLog("Extracting procedures...");
  TQELQuery& Q = WorkQuery();
  OpenQuery(Q, {"Select o.procschema, o.procname", "from syscat.procedures o",
                "where " + SchemaFilter("o.procschema")});
  for (; !Q.GetEof(); Q.Next()) {
    auto* Prc = new TPrcData(GetObjs());
    Prc->SetObjName(Trim(Str(Q, "procname")));
    Prc->SetSchema(Trim(Str(Q, "procschema")));
    AddExtracted(Prc);
    ProcessMessages();
  }
  CloseQuery(Q);
}

void TDB2DBExtract::ExtractTrg() {
  AddToLog("Extracting triggers...");
  TQELQuery& Q = WorkQuery();
  OpenQuery(Q, {"select o.trigschema, o.trigname, o.tabschema, o.tabname, o.text,",
                "o.trigtime, o.trigevent, o.remarks", "from syscat.triggers o",
                "where " + SchemaFilter("o.trigschema")});
  for (; !Q.GetEof(); Q.Next()) {
    auto* Trg = new TTrgData(GetObjs());
    Trg->SetObjName(Trim(Str(Q, "trigname")));
    Trg->SetSchema(Trim(Str(Q, "trigschema")));
    Trg->SetOwnName(Trim(Str(Q, "tabname")));
    Trg->FullText = Str(Q, "text");
    Trg->SetDescription(Str(Q, "remarks"));
    AddExtracted(Trg);
    ProcessMessages();
  }
  CloseQuery(Q);
}

// ---------------------------------------------------------------------------------------------
// Indexes and keys

void TDB2DBExtract::ExtractIdx() {
  AddToLog("Extracting indexes...");
  TQELQuery& Q = WorkQuery();
  const std::string Indent(31, ' ');
  OpenQuery(Q,
            {"select i.indschema, i.indname, i.tabschema, i.tabname, i.colnames,",
             "i.colcount, i.unique_colcount, i.remarks, i.reverse_scans", "from syscat.indexes i",
             "left join syscat.tabconst c on c.constname = i.indname and",
             Indent + "c.tabschema = i.tabschema and", Indent + "c.tabname = i.tabname",
             "where " + SchemaFilter("i.indschema"), " and c.constname is null"});
  for (; !Q.GetEof(); Q.Next()) {
    auto* Idx = new TIdxData(GetObjs());
    Idx->SetObjName(Trim(Str(Q, "indname")));
    Idx->TableName = Trim(Str(Q, "tabname"));
    Idx->SetSchema(Trim(Str(Q, "indschema")));
    if (const std::string S = Trim(Str(Q, "tabschema")); S != Idx->GetSchema())
      Idx->TableSchema = S;
    // COLNAMES: "+A-B+C", each column led by "+" (ascending) or "-" (descending).
    const std::string Names = Str(Q, "colnames");
    std::size_t I = 0;
    while (I < Names.size() && (Names[I] == '+' || Names[I] == '-')) {
      const std::int32_t Order = Names[I] == '-' ? 2 : 0;
      const std::size_t End = Names.find_first_of("+-", I + 1);
      const std::string Name = Names.substr(I + 1, End == std::string::npos ? End : End - I - 1);
      Idx->AddFld(Name, Order);
      I = End == std::string::npos ? Names.size() : End;
    }
    Idx->Unique =
        Q.FieldByName("colcount")->AsInteger() == Q.FieldByName("unique_colcount")->AsInteger();
    Idx->AllowReverseScans = Str(Q, "reverse_scans") == "Y";
    AddExtracted(Idx);
    ProcessMessages();
  }
  CloseQuery(Q);
}

void TDB2DBExtract::ExtractKeys(const char* Type, TConstraintType CtType) {
  AddToLog(CtType == ctPKey ? "Extracting primary keys..." : "Extracting unique constraints...");
  TQELQuery& Q = WorkQuery();
  OpenQuery(Q,
            {"select o.constname, o.tabschema, o.tabname,", "o.remarks", "from syscat.tabconst o",
             std::string("where o.type = '") + Type + "' ", "and " + SchemaFilter("o.tabschema")});
  auto Cols = DetailQuery({"select c.colname, c.colseq", "from syscat.keycoluse c",
                           "where c.constname = :CON and c.tabschema = :SCH and c.tabname = :TBL",
                           "order by c.colseq"});
  for (; !Q.GetEof(); Q.Next()) {
    auto* Ctr = new TCtrData(GetObjs());
    Ctr->SetCtType(CtType);
    Ctr->SetObjName(Trim(Str(Q, "constname")));
    Ctr->SetTblName(Trim(Str(Q, "tabname")));
    Ctr->SetSchema(Trim(Str(Q, "tabschema")));
    Ctr->SetDescription(Str(Q, "remarks"));
    Cols->ParamByName("CON")->SetAsString(Str(Q, "constname"));
    Cols->ParamByName("SCH")->SetAsString(Str(Q, "tabschema"));
    Cols->ParamByName("TBL")->SetAsString(Str(Q, "tabname"));
    Cols->Open();
    for (; !Cols->GetEof(); Cols->Next()) Ctr->FldList.Add(Str(*Cols, "colname"));
    Cols->Close();
    Ctr->CheckSysName();
    AddExtracted(Ctr);
    ProcessMessages();
  }
  CloseQuery(Q);
}

void TDB2DBExtract::Extract_FK() {
  AddToLog("Extracting foreign keys...");
  TQELQuery& Q = WorkQuery();
  OpenQuery(Q, {"select r.constname, r.tabschema, r.tabname,",
                "r.refkeyname, r.reftabschema, r.reftabname,", "r.deleterule, r.updaterule",
                "from syscat.references r", "where " + SchemaFilter("r.tabschema")});
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
  for (; !Q.GetEof(); Q.Next()) {
    auto* Ctr = new TCtrData(GetObjs());
    Ctr->SetCtType(ctFKey);
    Ctr->SetObjName(Trim(Str(Q, "constname")));
    Ctr->SetTblName(Trim(Str(Q, "tabname")));
    Ctr->SetSchema(Trim(Str(Q, "tabschema")));
    Ctr->SetRefTblName(Trim(Str(Q, "reftabname")));
    Ctr->SetRefSchema(Trim(Str(Q, "reftabschema")));
    const std::string Update = Str(Q, "updaterule");
    if (Update == "A") Ctr->OnUpdate = udaNoAction;
    if (Update == "R") Ctr->OnUpdate = udaRestrict;
    const std::string Delete = Str(Q, "deleterule");
    if (Delete == "A") Ctr->OnDelete = udaNoAction;
    if (Delete == "R") Ctr->OnDelete = udaRestrict;
    if (Delete == "C") Ctr->OnDelete = udaCascade;
    if (Delete == "N") Ctr->OnDelete = udaNull;
    Cols->ParamByName("CON")->SetAsString(Str(Q, "constname"));
    Cols->ParamByName("SCH")->SetAsString(Str(Q, "tabschema"));
    Cols->ParamByName("TBL")->SetAsString(Str(Q, "tabname"));
    Cols->Open();
    for (; !Cols->GetEof(); Cols->Next()) {
      Ctr->FldList.Add(Str(*Cols, "col1"));
      Ctr->RefFldList.Add(Str(*Cols, "col2"));
    }
    Cols->Close();
    Ctr->CheckSysName();
    AddExtracted(Ctr);
    ProcessMessages();
  }
  CloseQuery(Q);
}

}  // namespace qel
