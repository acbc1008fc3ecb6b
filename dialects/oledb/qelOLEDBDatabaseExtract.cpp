// The OLE DB and Access catalog extractors: the steps, the ODBC type codes and the rowsets of
// tables, columns, keys and indexes.
#include "qelOLEDBDatabaseExtract.h"

#include <algorithm>
#include <exception>
#include <map>
#include <utility>

#include "Ado.h"
#include "Text.h"
#include "qelComp_Ctr.h"
#include "qelComp_Idx.h"
#include "qelComp_Viw.h"
#include "qelDBEngine.h"

namespace qel {

namespace {

// ODBC type codes (sql.h, sqlext.h, sqlucode.h), fixed by the ODBC standard; the rowsets give
// them as numbers. The date codes of ODBC 2.x come with their 3.x ones.
constexpr int SqlChar = 1, SqlNumeric = 2, SqlDecimal = 3, SqlInteger = 4, SqlSmallInt = 5,
              SqlFloat = 6, SqlReal = 7, SqlDouble = 8, SqlDate = 9, SqlTime = 10,
              SqlTimestamp = 11, SqlVarchar = 12, SqlTypeDate = 91, SqlTypeTime = 92,
              SqlTypeTimestamp = 93, SqlLongVarchar = -1, SqlBinary = -2, SqlVarBinary = -3,
              SqlLongVarBinary = -4, SqlBigInt = -5, SqlTinyInt = -6, SqlBit = -7, SqlWChar = -8,
              SqlWVarchar = -9, SqlWLongVarchar = -10, SqlGuid = -11;

/// The text of field Name of the current row; "" when NULL or when the rowset lacks the field
/// (drivers of ODBC 2 name some columns otherwise).
std::string Str(const TADODataSet& D, const char* Name) {
  const TField* F = D.FindField(Name);
  return F && !F->IsNull() ? F->AsString() : std::string();
}

int Int(const TADODataSet& D, const char* Name) {
  return StrToIntDef(Trim(Str(D, Name)), 0);
}

/// The ODBC referential rule (SQL_CASCADE 0, SQL_RESTRICT 1, SQL_SET_NULL 2, SQL_NO_ACTION 3,
/// SQL_SET_DEFAULT 4).
TUDAction RuleOf(const std::string& Rule) {
  switch (StrToIntDef(Trim(Rule), 3)) {
    case 0:
      return udaCascade;
    case 1:
      return udaRestrict;
    case 2:
      return udaNull;
    case 4:
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
  // Each ODBC type becomes the standard type that the dialects a source is compared into all write:
  // a national character type is the character type, a tiny integer a small one, binary strings are
  // blobs and a GUID its text.
  switch (DataType) {
    case SqlChar:
    case SqlWChar:
      return iftChar;
    case SqlVarchar:
    case SqlWVarchar:
    case SqlGuid:
      return iftVarchar;
    case SqlLongVarchar:
    case SqlWLongVarchar:
      return iftText;
    case SqlNumeric:
      return iftNumeric;
    case SqlDecimal:
      return iftDecimal;
    case SqlInteger:
      return iftInteger;
    case SqlSmallInt:
    case SqlTinyInt:
      return iftSmallInt;
    case SqlBigInt:
      return iftBigInt;
    case SqlFloat:
      return iftFloat;
    case SqlReal:
      return iftReal;
    case SqlDouble:
      return iftDoublePrecision;
    case SqlBit:
      return iftBoolean;
    case SqlBinary:
    case SqlVarBinary:
    case SqlLongVarBinary:
      return iftBlob;
    case SqlDate:
    case SqlTypeDate:
      return iftDate;
    case SqlTime:
    case SqlTypeTime:
      return iftTime;
    case SqlTimestamp:
    case SqlTypeTimestamp:
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

bool TOLEDBExtract::OpenRowset(TSchemaEnum Schema, const TSourceTable* Table,
                               TADODataSet& DataSet) {
  TSchemaRestrictions R;
  if (Table) R = {Table->Catalog, Table->Schema, Table->Name};
  try {
    ADO().OpenSchema(Schema, R, DataSet);
    return true;
  } catch (const EADOError& E) {
    const int Kind = static_cast<int>(Schema);
    if (std::find(FUnanswered.begin(), FUnanswered.end(), Kind) != FUnanswered.end()) return false;
    FUnanswered.push_back(Kind);
    const std::string Text = std::string("The driver does not answer the ") + RowsetName(Schema) +
                             " rowset; they are not read (" + std::string(E.what()) + ")";
    AddToLog(Text);
    GetMsgManager()->AddMsg(Text, mt_Inf, nullptr);
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
  TADODataSet D(nullptr);
  if (OpenRowset(siDBInfoLiterals, nullptr, D))
    for (; !D.GetEof(); D.Next()) {
      if (Str(D, "LiteralName") == "QUOTE")
        GetObjs()->IdentQuoteType = QuoteTypeOf(Str(D, "LiteralValue"));
    }
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
    if (OpenRowset(siColumns, &T, D)) {
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
        if (Int(D, "DATA_TYPE") == -11) Size = 38;  // a GUID as text, braces and all
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
    }
    FileExtracted(std::move(Obj));
    if (TerminateRunning.load()) break;
  }
}

void TOLEDBExtract::ExtractPK() {
  AddToLog("Extracting primary keys...");
  TADODataSet D(nullptr);
  for (const TSourceTable& T : FTables) {
    if (T.View || !FiledTable(T.Name)) continue;
    if (!OpenRowset(siPrimaryKeys, &T, D)) return;
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
    for (const auto& [Seq, Col] : Columns) Ctr->FldList.Add(Col);
    FileExtracted(std::move(Ctr));
  }
}

void TOLEDBExtract::ExtractFK() {
  AddToLog("Extracting foreign keys...");
  TADODataSet D(nullptr);
  for (const TSourceTable& T : FTables) {
    if (T.View || !FiledTable(T.Name)) continue;
    if (!OpenRowset(siForeignKeys, &T, D)) return;
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
      Keys.back()->RefFldList.Add(Str(D, "PKCOLUMN_NAME"));
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
    if (!OpenRowset(siIndexes, &T, D)) return;
    std::vector<std::unique_ptr<TIdxData>> Indexes;
    std::vector<std::vector<std::string>> Columns;
    for (; !D.GetEof(); D.Next()) {
      const std::string Name = Str(D, "INDEX_NAME");
      if (Name.empty() || Int(D, "TYPE") == 0) continue;  // SQL_TABLE_STAT: the table's count
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

TMSAccessDBExtract::TMSAccessDBExtract(TComponent* AOwner) : TOLEDBExtract(AOwner) {
  DatabaseType = dbMSAccess;
}

bool TMSAccessDBExtract::IsSystemTable(const std::string& Schema, const std::string& Name) const {
  return StartsText("MSys", Name) || TOLEDBExtract::IsSystemTable(Schema, Name);
}

}  // namespace qel
