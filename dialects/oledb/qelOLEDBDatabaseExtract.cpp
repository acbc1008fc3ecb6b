// The OLE DB and Access catalog extractors: the steps, the ODBC type codes and the rowsets of
// tables, columns, keys and indexes.
#include "qelOLEDBDatabaseExtract.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <map>
#include <set>
#include <utility>

#include "Ado.h"
#include "Text.h"
#include "qelComp_Ctr.h"
#include "qelComp_Idx.h"
#include "qelComp_Viw.h"
#include "qelDBEngine.h"

namespace qel {

namespace {

/// The text of field Name of the current row; "" when NULL or when the rowset lacks the field
/// (drivers of ODBC 2 name some columns otherwise).
std::string Str(const TADODataSet& D, const char* Name) {
  const TField* F = D.FindField(Name);
  return F && !F->IsNull() ? F->AsString() : std::string();
}

int Int(const TADODataSet& D, const char* Name) {
  return StrToIntDef(Trim(Str(D, Name)), 0);
}

/// The model's rule of an ODBC referential rule.
TUDAction RuleOf(const std::string& Rule) {
  switch (StrToIntDef(Trim(Rule), odbcNoAction)) {
    case odbcCascade:
      return udaCascade;
    case odbcRestrict:
      return udaRestrict;
    case odbcSetNull:
      return udaNull;
    case odbcSetDefault:
      return udaDefault;
    default:
      return udaNoAction;
  }
}

const char* RowsetName(TSchemaEnum Schema) {
  switch (Schema) {
    case siTables:
      return "tables";
    case siColumns:
      return "columns";
    case siPrimaryKeys:
      return "primary keys";
    case siForeignKeys:
      return "foreign keys";
    case siIndexes:
      return "indexes";
    case siDBInfoLiterals:
      break;
  }
  return "literals";
}

}  // namespace

TOLEDBExtract::TOLEDBExtract(TComponent* AOwner) : TCustomDBExtract(AOwner) {
  DatabaseType = dbCustomOLEDB;
}

TOLEDBExtract::~TOLEDBExtract() = default;

TDBFieldType TOLEDBExtract::FieldTypeOfSQLType(int DataType) {
  // 2.x date codes with their 3.x ones. Each becomes the standard type that the dialects a
  // source is compared into all write: a national character type is the character type, a
  // tiny integer a small one, binary strings are blobs and a GUID its text.
  switch (DataType) {
    case odbcChar:
    case odbcWChar:
      return iftChar;
    case odbcVarChar:
    case odbcWVarChar:
    case odbcGuid:
      return iftVarchar;
    case odbcLongVarChar:
    case odbcWLongVarChar:
      return iftText;
    case odbcNumeric:
      return iftNumeric;
    case odbcDecimal:
      return iftDecimal;
    case odbcInteger:
      return iftInteger;
    case odbcSmallInt:
    case odbcTinyInt:
      return iftSmallInt;
    case odbcBigInt:
      return iftBigInt;
    case odbcFloat:
      return iftFloat;
    case odbcReal:
      return iftReal;
    case odbcDouble:
      return iftDoublePrecision;
    case odbcBit:
      return iftBoolean;
    case odbcBinary:
    case odbcVarBinary:
    case odbcLongVarBinary:
      return iftBlob;
    case odbcDate:
    case odbcTypeDate:
      return iftDate;
    case odbcTime:
    case odbcTypeTime:
      return iftTime;
    case odbcTimestamp:
    case odbcTypeTimestamp:
      return iftTimeStamp;
    default:
      return iftUnknown;
  }
}

TIdentQuoteType TOLEDBExtract::QuoteTypeOf(const std::string& QuoteChar) {
  const std::string Q = Trim(QuoteChar);
  if (QuoteChar.empty()) return iqAutoQuote;
  if (Q.empty()) return iqNoneQuote;  // a blank: the driver quotes no identifier
  if (Q == "\"") return iqDoubleQuote;
  if (Q == "'") return iqSingleQuote;
  if (Q == "[" || Q == "[]") return iqBrackQuote;
  return iqAutoQuote;
}

std::vector<TDBExtractStep> TOLEDBExtract::ExtractSteps() {
  return {
      {0, false, coDomain, "ExtractHeader", [this] { ExtractHeader(); }},
      {2, true, coTable, "ExtractTbl", [this] { ExtractTbl(false); }},
      {3, true, coView, "ExtractViw", [this] { ExtractTbl(true); }},
      {6, true, coIndex, "ExtractIdx", [this] { ExtractIdx(); }},
      {7, true, coPrimaryKey, "Extract_PK", [this] { ExtractPK(); }},
      {9, true, coForeignKey, "Extract_FK", [this] { ExtractFK(); }},
  };
}

bool TOLEDBExtract::IsSystemTable(const std::string& Schema, const std::string& Name) const {
  return SameText(Schema, "information_schema") || SameText(Schema, "pg_catalog") ||
         StartsText("sqlite_", Name);
}

TADOConnection& TOLEDBExtract::ADO() const {
  TADOConnection* C = FindADOConnection(GetQELConnection());
  if (!C) throw EDatabaseError("The connection has no ADO connection behind it.");
  return *C;
}

bool TOLEDBExtract::IsNotSupported(const EADOError& E) {
  return E.SQLState == "IM001" || E.SQLState == "HYC00";
}

bool TOLEDBExtract::OpenRowset(TSchemaEnum Schema, const TSourceTable* Table,
                               TADODataSet& DataSet) {
  const int Kind = static_cast<int>(Schema);
  if (std::find(FUnanswered.begin(), FUnanswered.end(), Kind) != FUnanswered.end()) return false;
  // A rowset that failed for a table is not asked for again (the indexes step reads the keys).
  const std::pair<int, std::string> Failure{Kind, Table ? Table->Name : std::string()};
  if (FFailed.count(Failure)) return false;
  TSchemaRestrictions R;
  if (Table) R = {Table->Catalog, Table->Schema, Table->Name};
  try {
    ADO().OpenSchema(Schema, R, DataSet);
    return true;
  } catch (const EADOError& E) {
    if (E.ConnectionLost) throw;
    std::string Text;
    TMsgType Type = mt_Wrn;
    if (IsNotSupported(E)) {
      FUnanswered.push_back(Kind);
      Text = std::string("The driver does not answer the ") + RowsetName(Schema) +
             " rowset; they are not read (" + E.what() + ")";
      Type = mt_Inf;
    } else {
      FFailed.insert(Failure);
      Text = std::string("The ") + RowsetName(Schema) + " rowset of " +
             (Table ? Table->Name : std::string("the source")) + " could not be read; " +
             (Table ? "that table's are" : "they are") + " not read (" + E.what() + ")";
    }
    AddToLog(Text);
    GetMsgManager()->AddMsg(Text, Type, nullptr);
    return false;
  }
}

TTblData* TOLEDBExtract::FiledTable(const std::string& Name) const {
  TObjs* Objs = GetObjs();
  return Objs ? dynamic_cast<TTblData*>(Objs->Tables.FindObj(Name)) : nullptr;
}

void TOLEDBExtract::ExtractHeader() {
  KeepConnectionOptions();
  FTables.clear();
  FUnanswered.clear();
  FFailed.clear();
  TADODataSet D(nullptr);
  std::string DBMS;
  if (OpenRowset(siDBInfoLiterals, nullptr, D))
    for (; !D.GetEof(); D.Next()) {
      if (Str(D, "LiteralName") == "QUOTE")
        GetObjs()->IdentQuoteType = QuoteTypeOf(Str(D, "LiteralValue"));
      if (Str(D, "LiteralName") == "DBMS_NAME") DBMS = Str(D, "LiteralValue");
    }
  CheckReadable(DBMS);
  // A failure here is the connection's own: the tables are the least a source must answer.
  TSchemaRestrictions None;
  ADO().OpenSchema(siTables, None, D);
  for (; !D.GetEof(); D.Next()) {
    TSourceTable T{Str(D, "TABLE_CAT"), Str(D, "TABLE_SCHEM"), Str(D, "TABLE_NAME"),
                   SameText(Str(D, "TABLE_TYPE"), "VIEW")};
    if (T.Name.empty() || IsSystemTable(T.Schema, T.Name)) continue;
    FTables.push_back(std::move(T));
  }
}

void TOLEDBExtract::CheckReadable(const std::string& DBMS) {
  // The SQLite driver opens any file and answers the tables rowset of a file that is no
  // database (or one it may not read) with no rows and no error: the source would pass for an
  // empty schema, and a comparison with it as the master would drop every table of the target.
  // A read of the file's own catalog fails there with the library's reason.
  if (!SameText(Trim(DBMS), "SQLite")) return;
  try {
    ADO().Execute("SELECT count(*) FROM sqlite_master");
  } catch (const EADOError& E) {
    if (E.ConnectionLost) throw;
    TQELCustomConnection* C = GetQELConnection();
    throw EDatabaseError("Cannot read the catalog of " +
                         (C ? C->GetDBConnectionString() : std::string("the source")) + ": " +
                         E.what());
  }
}

void TOLEDBExtract::ExtractTbl(bool Views) {
  AddToLog(Views ? "Extracting views..." : "Extracting tables...");
  TADODataSet D(nullptr);
  for (const TSourceTable& T : FTables) {
    if (T.View != Views) continue;
    std::unique_ptr<TDbObj> Obj;
    TObjVector<TFldData>* Fields = nullptr;
    if (Views) {
      auto V = std::make_unique<TViwData>(GetObjs());
      Fields = &V->Fields;
      Obj = std::move(V);
    } else {
      auto Tbl = std::make_unique<TTblData>(GetObjs());
      Fields = &Tbl->Fields;
      Obj = std::move(Tbl);
    }
    Obj->SetObjName(T.Name);
    if (Views) {
      // No rowset gives a view's text: a creation script cannot make it, and leaves it out.
      Obj->SkipDef = true;
      const std::string Text =
          "View " + T.Name + ": its text is not read from this source; it is not written.";
      AddToLog(Text);
      GetMsgManager()->AddMsg(Text, mt_Inf, nullptr);
    }
    // Read without its columns, a table would be one that has none: a comparison would drop
    // every column the target holds.
    if (!OpenRowset(siColumns, &T, D))
      throw EDatabaseError("The columns of " + T.Name + " could not be read, so the schema " +
                           "cannot be read whole.");
    for (; !D.GetEof(); D.Next()) {
      // A driver may take the table name for a pattern ("_" matches any character).
      if (Str(D, "TABLE_NAME") != T.Name) continue;
      auto Fld = std::make_unique<TFldData>(GetObjs());
      Fld->TableName = T.Name;
      Fld->OwnerObj = Obj.get();
      Fld->SetObjName(Str(D, "COLUMN_NAME"));
      Fld->FieldType = FieldTypeOfSQLType(Int(D, "DATA_TYPE"));
      // A driver whose storage has no exact decimals (SQLite) reports them as doubles; the
      // declared type name still says what the column was made as.
      const std::string TypeName = LowerCase(Trim(Str(D, "TYPE_NAME")));
      if (StartsStr("numeric", TypeName)) Fld->FieldType = iftNumeric;
      if (StartsStr("decimal", TypeName)) Fld->FieldType = iftDecimal;
      if (Fld->FieldType == iftUnknown)
        AddToLog("Column " + T.Name + "." + Fld->GetObjName() + ": type " + Str(D, "TYPE_NAME") +
                 " is not known");
      int Size = Int(D, "COLUMN_SIZE");
      if (Int(D, "DATA_TYPE") == odbcGuid) Size = 38;  // a GUID as text, braces and all
      switch (Fld->FieldType) {
        case iftChar:
        case iftVarchar:
          Fld->Size = Size;
          break;
        case iftNumeric:
        case iftDecimal:
          Fld->Precision = Size;
          Fld->Scale = Int(D, "DECIMAL_DIGITS");
          // The SQLite driver's sizes of a declared "numeric(p,s)" are not p and s; the
          // declaration, kept as the type name, is.
          if (const size_t Open = TypeName.find('('); Open != std::string::npos) {
            const size_t Comma = TypeName.find(',', Open);
            Fld->Precision = StrToIntDef(
                Trim(TypeName.substr(
                    Open + 1,
                    (Comma == std::string::npos ? TypeName.find(')', Open) : Comma) - Open - 1)),
                Size);
            Fld->Scale =
                Comma == std::string::npos
                    ? 0
                    : StrToIntDef(
                          Trim(TypeName.substr(Comma + 1, TypeName.find(')', Comma) - Comma - 1)),
                          0);
          }
          break;
        default:
          break;
      }
      Fld->Nullable = Int(D, "NULLABLE") != 0;
      // Drivers write "no default" as the text NULL (SQLite, MariaDB).
      if (const std::string Def = Str(D, "COLUMN_DEF"); !SameText(Trim(Def), "NULL"))
        Fld->DefValue = Def;
      Fld->Position = Fields->Count() + 1;
      Fields->Add(std::move(Fld));
    }
    FileExtracted(std::move(Obj));
    if (TerminateRunning.load()) break;
  }
}

void TOLEDBExtract::ExtractPK() {
  AddToLog("Extracting primary keys...");
  TADODataSet D(nullptr);
  for (const TSourceTable& T : FTables) {
    TTblData* Tbl = T.View ? nullptr : FiledTable(T.Name);
    if (!Tbl) continue;
    if (!OpenRowset(siPrimaryKeys, &T, D)) continue;
    std::map<int, std::string> Columns;  // by KEY_SEQ
    std::string Name;
    for (; !D.GetEof(); D.Next()) {
      Columns[Int(D, "KEY_SEQ")] = Str(D, "COLUMN_NAME");
      Name = Str(D, "PK_NAME");
    }
    if (Columns.empty()) continue;
    auto Ctr = std::make_unique<TCtrData>(GetObjs());
    Ctr->SetCtType(ctPKey);
    // MariaDB calls every primary key PRIMARY: a name of a table's own is made then.
    Ctr->SetObjName(Name.empty() || SameText(Name, "PRIMARY") ? "PK_" + T.Name : Name);
    Ctr->SetTblName(T.Name);
    for (const auto& [Seq, Col] : Columns) {
      Ctr->FldList.Add(Col);
      // Every server keeps a primary key's columns NOT NULL; a driver may say otherwise (the
      // SQLite driver of an INTEGER PRIMARY KEY column), and the target would then be told
      // to drop the key's NOT NULL on every comparison.
      if (TFldData* Fld = Tbl->Fields.Find(Col)) Fld->Nullable = false;
    }
    FileExtracted(std::move(Ctr));
  }
}

void TOLEDBExtract::ExtractFK() {
  AddToLog("Extracting foreign keys...");
  TADODataSet D(nullptr);
  for (const TSourceTable& T : FTables) {
    if (T.View || !FiledTable(T.Name)) continue;
    if (!OpenRowset(siForeignKeys, &T, D)) continue;
    std::vector<std::unique_ptr<TCtrData>> Keys;
    for (; !D.GetEof(); D.Next()) {
      // A key without a name starts again at KEY_SEQ 1.
      const std::string Name = Str(D, "FK_NAME");
      const bool Next = Keys.empty() ||
                        (Name.empty() ? Int(D, "KEY_SEQ") <= 1 : Name != Keys.back()->GetObjName());
      if (Next) {
        auto Ctr = std::make_unique<TCtrData>(GetObjs());
        Ctr->SetCtType(ctFKey);
        Ctr->SetObjName(Name.empty()
                            ? "FK_" + T.Name + "_" + IntToStr(static_cast<int>(Keys.size()) + 1)
                            : Name);
        Ctr->SetTblName(T.Name);
        Ctr->SetRefTblName(Str(D, "PKTABLE_NAME"));
        Ctr->OnUpdate = RuleOf(Str(D, "UPDATE_RULE"));
        Ctr->OnDelete = RuleOf(Str(D, "DELETE_RULE"));
        Keys.push_back(std::move(Ctr));
      }
      Keys.back()->FldList.Add(Str(D, "FKCOLUMN_NAME"));
      Keys.back()->EditExtra().RefFldList.Add(Str(D, "PKCOLUMN_NAME"));
    }
    for (auto& K : Keys) FileExtracted(std::move(K));
  }
}

void TOLEDBExtract::ExtractIdx() {
  AddToLog("Extracting indexes...");
  TADODataSet D(nullptr);
  for (const TSourceTable& T : FTables) {
    if (T.View || !FiledTable(T.Name)) continue;
    // The primary key's columns: the index that serves the key is the key's own.
    std::vector<std::string> Key;
    if (OpenRowset(siPrimaryKeys, &T, D))
      for (; !D.GetEof(); D.Next()) Key.push_back(Str(D, "COLUMN_NAME"));
    if (!OpenRowset(siIndexes, &T, D)) continue;
    std::vector<std::unique_ptr<TIdxData>> Indexes;
    std::vector<std::vector<std::string>> Columns;
    for (; !D.GetEof(); D.Next()) {
      const std::string Name = Str(D, "INDEX_NAME");
      if (Name.empty() || Int(D, "TYPE") == odbcTableStat) continue;
      if (Indexes.empty() || Indexes.back()->GetObjName() != Name) {
        auto Idx = std::make_unique<TIdxData>(GetObjs());
        Idx->SetObjName(Name);
        Idx->TableName = T.Name;
        Idx->Unique = Int(D, "NON_UNIQUE") == 0;
        Indexes.push_back(std::move(Idx));
        Columns.emplace_back();
      }
      const std::string Col = Str(D, "COLUMN_NAME");
      Indexes.back()->AddFld(Col, Str(D, "ASC_OR_DESC") == "D" ? 2 : 0);
      Columns.back().push_back(Col);
    }
    for (size_t I = 0; I < Indexes.size(); ++I) {
      if (Indexes[I]->Unique && !Key.empty() && Columns[I] == Key) continue;
      FileExtracted(std::move(Indexes[I]));
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Access files.

TMSAccessDBExtract::TMSAccessDBExtract(TComponent* AOwner) : TOLEDBExtract(AOwner) {
  DatabaseType = dbMSAccess;
}

TMSAccessDBExtract::~TMSAccessDBExtract() = default;

bool TMSAccessDBExtract::IsSystemTable(const std::string& Schema, const std::string& Name) const {
  return StartsText("MSys", Name) || TOLEDBExtract::IsSystemTable(Schema, Name);
}

std::string TMSAccessDBExtract::FileOfConnectionString(const std::string& ConnectionString) {
  // Read as the command line's check of the file reads it, so that the file checked is the
  // file opened.
  const std::string Dbq = ConnectionKey(ConnectionString, "DBQ");
  return Dbq.empty() ? ConnectionKey(ConnectionString, "Database") : Dbq;
}

TDBFieldType TMSAccessDBExtract::FieldTypeOf(TADOXDataType Type) {
  switch (Type) {
    case adBoolean:
      return iftBoolean;
    case adUnsignedTinyInt:
    case adSmallInt:
      return iftSmallInt;
    case adInteger:
      return iftInteger;
    case adCurrency:
    case adNumeric:
      return iftNumeric;
    case adSingle:
      return iftReal;
    case adDouble:
      return iftDoublePrecision;
    case adDate:
      return iftTimeStamp;
    case adVarWChar:
    case adGUID:
      return iftVarchar;
    case adLongVarWChar:
      return iftText;
    case adBinary:
    case adLongVarBinary:
      return iftBlob;
    case adEmpty:
      break;
  }
  return iftUnknown;
}

std::string TMSAccessDBExtract::DefaultOf(const std::string& Expression, TDBFieldType Type) {
  std::string E = Trim(Expression);
  if (!E.empty() && E[0] == '=') E = Trim(E.substr(1));  // the form the designer also accepts
  if (E.empty()) return "";
  const std::string U = UpperCase(E);
  if (Type == iftBoolean) {
    if (U == "YES" || U == "TRUE" || U == "ON" || U == "-1" || U == "1") return "true";
    if (U == "NO" || U == "FALSE" || U == "OFF" || U == "0") return "false";
    return "";
  }
  if (U == "NOW()") return "CURRENT_TIMESTAMP";
  if (U == "DATE()") return "CURRENT_DATE";
  if (U == "TIME()") return "CURRENT_TIME";
  if (E.size() >= 2 && (E.front() == '"' || E.front() == '\'') && E.back() == E.front()) {
    // A text literal; its quote doubled inside stands for one.
    const char Q = E.front();
    std::string Text;
    for (size_t I = 1; I + 1 < E.size(); ++I) {
      if (E[I] == Q) {
        if (E[I + 1] != Q || I + 2 >= E.size()) return "";
        ++I;
      }
      Text += E[I];
    }
    return "'" + StringReplace(Text, "'", "''", true, false) + "'";
  }
  // A number: digits with one point at most, a sign before them.
  size_t I = (E[0] == '-' || E[0] == '+') ? 1 : 0;
  bool Digits = false, Point = false;
  for (; I < E.size(); ++I) {
    if (E[I] >= '0' && E[I] <= '9') {
      Digits = true;
    } else if (E[I] == '.' && !Point) {
      Point = true;
    } else {
      return "";
    }
  }
  return Digits ? (E[0] == '+' ? E.substr(1) : E) : "";
}

std::vector<TDBExtractStep> TMSAccessDBExtract::ExtractSteps() {
  // Each step reads the file when the connection names one, else the driver's rowsets.
  auto Either = [this](void (TMSAccessDBExtract::*File)(), std::function<void()> Rowsets) {
    return [this, File, Rowsets] {
      if (FCatalog)
        (this->*File)();
      else
        Rowsets();
    };
  };
  return {
      {0, false, coDomain, "ExtractHeader",
       [this] {
         ExtractHeader();
         ReadFile();
       }},
      {2, true, coTable, "ExtractTbl",
       Either(&TMSAccessDBExtract::FileTables, [this] { ExtractTbl(false); })},
      {3, true, coView, "ExtractViw",
       Either(&TMSAccessDBExtract::FileQueries, [this] { ExtractTbl(true); })},
      {6, true, coIndex, "ExtractIdx",
       Either(&TMSAccessDBExtract::FileIndexes, [this] { ExtractIdx(); })},
      {7, true, coPrimaryKey, "Extract_PK",
       Either(&TMSAccessDBExtract::FilePrimaryKeys, [this] { ExtractPK(); })},
      {9, true, coForeignKey, "Extract_FK",
       Either(&TMSAccessDBExtract::FileForeignKeys, [this] { ExtractFK(); })},
  };
}

void TMSAccessDBExtract::PassedOver(const std::string& Kind,
                                    const std::vector<std::string>& Names) {
  if (Names.empty()) return;
  std::string Text = Kind + " are not read: ";
  for (size_t I = 0; I < Names.size(); ++I) Text += (I ? ", " : "") + Names[I];
  AddToLog(Text);
  GetMsgManager()->AddMsg(Text, mt_Inf, nullptr);
}

void TMSAccessDBExtract::ReadFile() {
  FCatalog.reset();
  TQELCustomConnection* C = GetQELConnection();
  const std::string File =
      C ? FileOfConnectionString(C->GetConnectionOptions().ConnectionString) : std::string();
  if (File.empty()) {
    const std::string Text =
        "The connection names no Access file (DBQ=); the driver's rowsets are read instead";
    AddToLog(Text);
    GetMsgManager()->AddMsg(Text, mt_Inf, nullptr);
    return;
  }
  const TADOXCatalogReader Reader = CatalogReader ? CatalogReader : ADOXCatalogReader;
  if (!Reader)
    throw EDatabaseError("No reader of Access files is linked (the ADO adapter has it).");
  auto Catalog = std::make_unique<TADOXCatalog>();
  Reader(File, *Catalog);
  FCatalog = std::move(Catalog);
}

void TMSAccessDBExtract::FileTables() {
  AddToLog("Extracting tables...");
  std::vector<std::string> Unknown, NoDefault;
  for (const TADOXTable& T : FCatalog->Tables) {
    if (T.System) continue;
    auto Tbl = std::make_unique<TTblData>(GetObjs());
    Tbl->SetObjName(T.Name);
    Tbl->SetExtra(&TObjExtra::Description, T.Description);
    // The primary key's columns hold no NULL, whatever their Required says.
    std::vector<std::string> Key;
    for (const TADOXIndex& X : T.Indexes)
      if (X.PrimaryKey)
        for (const TADOXIndexColumn& C : X.Columns) Key.push_back(C.Name);
    for (const TADOXColumn& C : T.Columns) {
      auto Fld = std::make_unique<TFldData>(GetObjs());
      Fld->TableName = T.Name;
      Fld->OwnerObj = Tbl.get();
      Fld->SetObjName(C.Name);
      Fld->FieldType = FieldTypeOf(C.Type);
      if (Fld->FieldType == iftUnknown) {
        Unknown.push_back(T.Name + "." + C.Name + " (type " + IntToStr(C.FileType) + ")");
        continue;
      }
      switch (C.Type) {
        case adVarWChar:
          Fld->Size = C.DefinedSize;
          break;
        case adGUID:
          Fld->Size = 38;  // the text of a GUID, braces and all
          break;
        case adCurrency:
          // A 64-bit count of ten-thousandths.
          Fld->Precision = 19;
          Fld->Scale = 4;
          break;
        case adNumeric:
          Fld->Precision = C.Precision;
          Fld->Scale = C.NumericScale;
          break;
        default:
          break;
      }
      Fld->Nullable = C.Nullable && std::find(Key.begin(), Key.end(), C.Name) == Key.end();
      Fld->AutoIncrement = C.AutoIncrement;
      if (!C.Default.empty() && !C.AutoIncrement) {
        Fld->DefValue = DefaultOf(C.Default, Fld->FieldType);
        if (Fld->DefValue.empty())
          NoDefault.push_back(T.Name + "." + C.Name + " (" + C.Default + ")");
      }
      Fld->SetExtra(&TObjExtra::Description, C.Description);
      Fld->Position = Tbl->Fields.Count() + 1;
      Tbl->Fields.Add(std::move(Fld));
    }
    FileExtracted(std::move(Tbl));
    if (TerminateRunning.load()) break;
  }
  PassedOver("Columns of kinds the model does not hold", Unknown);
  PassedOver("Defaults with no SQL form", NoDefault);
}

void TMSAccessDBExtract::FileQueries() {
  PassedOver("The queries of the Access file (it keeps no SQL text of them)", FCatalog->Queries);
}

void TMSAccessDBExtract::FileIndexes() {
  AddToLog("Extracting indexes...");
  for (const TADOXTable& T : FCatalog->Tables) {
    if (!FiledTable(T.Name)) continue;
    for (const TADOXIndex& X : T.Indexes) {
      if (X.PrimaryKey) continue;
      auto Idx = std::make_unique<TIdxData>(GetObjs());
      // Index names are the table's own in the file, and one schema's in the servers.
      Idx->SetObjName(T.Name + "_" + X.Name);
      Idx->TableName = T.Name;
      Idx->Unique = X.Unique;
      for (const TADOXIndexColumn& C : X.Columns) Idx->AddFld(C.Name, C.Descending ? 2 : 0);
      FileExtracted(std::move(Idx));
    }
  }
}

void TMSAccessDBExtract::FilePrimaryKeys() {
  AddToLog("Extracting primary keys...");
  for (const TADOXTable& T : FCatalog->Tables) {
    if (!FiledTable(T.Name)) continue;
    for (const TADOXIndex& X : T.Indexes) {
      if (!X.PrimaryKey) continue;
      auto Ctr = std::make_unique<TCtrData>(GetObjs());
      Ctr->SetCtType(ctPKey);
      // Every key of the file is called PrimaryKey: the servers want a name per table.
      Ctr->SetObjName("PK_" + T.Name);
      Ctr->SetTblName(T.Name);
      for (const TADOXIndexColumn& C : X.Columns) Ctr->FldList.Add(C.Name);
      FileExtracted(std::move(Ctr));
    }
  }
}

void TMSAccessDBExtract::FileForeignKeys() {
  AddToLog("Extracting foreign keys...");
  auto Rule = [](TADOXRule R) {
    switch (R) {
      case adRICascade:
        return udaCascade;
      case adRISetNull:
        return udaNull;
      case adRISetDefault:
        return udaDefault;
      case adRINone:
        break;
    }
    return udaNoAction;
  };
  std::vector<std::string> NotEnforced;
  for (const TADOXTable& T : FCatalog->Tables) {
    if (!FiledTable(T.Name)) continue;
    for (const TADOXKey& K : T.Keys) {
      if (!K.Enforced) {
        NotEnforced.push_back(K.Name);
        continue;
      }
      if (!FiledTable(K.RelatedTable)) continue;
      auto Ctr = std::make_unique<TCtrData>(GetObjs());
      Ctr->SetCtType(ctFKey);
      Ctr->SetObjName(K.Name);
      Ctr->SetTblName(T.Name);
      Ctr->SetRefTblName(K.RelatedTable);
      for (const std::string& C : K.Columns) Ctr->FldList.Add(C);
      for (const std::string& C : K.RelatedColumns) Ctr->EditExtra().RefFldList.Add(C);
      Ctr->OnUpdate = Rule(K.UpdateRule);
      Ctr->OnDelete = Rule(K.DeleteRule);
      FileExtracted(std::move(Ctr));
    }
  }
  PassedOver("Relationships without referential integrity", NotEnforced);
}

}  // namespace qel
