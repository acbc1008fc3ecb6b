// The PostgreSQL catalog extractor: indexes, primary keys, unique constraints, foreign keys and
// checks. PostgreSQL keeps the columns of an index or constraint as an array of column numbers;
// each query turns the first 16 of them into column names itself, with one scalar sub-select per
// array element, so that a key costs no query of its own.
#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DataSet.h"
#include "Text.h"
#include "qelComp_Ctr.h"
#include "qelComp_Idx.h"
#include "qelMsg.h"
#include "qelPGDatabaseExtract.h"

namespace qel {

namespace {

/// What a relation of kind RelKind is called in a message.
std::string RelationWord(const std::string& RelKind, bool Partition) {
  if (RelKind == "p") return "partitioned table";
  if (Partition) return "partition";
  if (RelKind == "m") return "materialized view";
  if (RelKind == "f") return "foreign table";
  return "relation";
}

/// The action code of confupdtype / confdeltype.
bool ReadAction(const std::string& Code, TUDAction& Action) {
  if (Code.empty()) return false;
  switch (Code[0]) {
    case 'a':
      Action = udaNoAction;
      return true;
    case 'r':
      Action = udaRestrict;
      return true;
    case 'c':
      Action = udaCascade;
      return true;
    case 'd':
      Action = udaDefault;
      return true;
    case 'n':
      Action = udaNull;
      return true;
    default:
      return false;
  }
}

/// DEFERRABLE and INITIALLY DEFERRED of a key (pg_constraint.condeferrable, condeferred).
void ReadDeferrable(TCatalogRow& Row, TCtrData& Ctr) {
  Ctr.Deferrable = Row.Bool("condeferrable");
  Ctr.InitiallyDeferred = Ctr.Deferrable && Row.Bool("condeferred");
}

/// The per-column option flags of pg_index.indoption ("0 1 0"), as numbers.
std::vector<int> OptionFlags(const std::string& Text) {
  std::vector<int> R;
  std::size_t I = 0;
  while (I < Text.size()) {
    while (I < Text.size() && Text[I] == ' ') ++I;
    if (I >= Text.size()) break;
    int V = 0;
    bool Digits = false;
    for (; I < Text.size() && Text[I] >= '0' && Text[I] <= '9'; ++I) {
      if (V < 1000000) V = V * 10 + (Text[I] - '0');
      Digits = true;
    }
    if (!Digits) {
      ++I;  // a sign or other character: the value counts as no option
      V = 0;
    }
    R.push_back(V);
  }
  return R;
}

/// The key columns Prefix1 .. Prefix16 of a query's rows. Each field is looked up by the first
/// row that reaches it and kept for the rows after: the query has some thirty columns, and a
/// lookup by name on every row of every key would cost more than reading the key.
class TKeyFields {
 public:
  TKeyFields(TQELQuery& Query, std::string Prefix) : FQuery(Query), FPrefix(std::move(Prefix)) {}

  /// Appends the column names of the current row to List, up to the first empty one.
  void Read(TStringList& List) {
    for (std::size_t I = 0; I < FFields.size(); ++I) {
      if (!FFields[I]) FFields[I] = FQuery.FieldByName(FPrefix + IntToStr(static_cast<int>(I) + 1));
      const std::string Name = FFields[I]->AsString();
      if (Name.empty()) break;
      List.Add(Name);
    }
  }

 private:
  TQELQuery& FQuery;
  std::string FPrefix;
  std::array<TField*, TPGDBExtract::MaxKeyFields> FFields{};
};

}  // namespace

bool TPGDBExtract::IsPartition(TCatalogRow& Row) const {
  return FInfo.Has(pgcRelIsPartition) && Row.Bool("relispartition");
}

bool TPGDBExtract::OfOrdinaryTable(TCatalogRow& Row, const std::string& What,
                                   const std::string& Table, const std::string& RelKind) {
  const bool Partition = IsPartition(Row);
  if (RelKind == "r" && !Partition) return true;
  PassOver(What + " of " + RelationWord(RelKind, Partition) + " " + Table + " passed over.");
  return false;
}

// ---------------------------------------------------------------------------------------------
// Key columns

std::string TPGDBExtract::SQLKeyFlds(const std::string& Rel, const std::string& Arr,
                                     const std::string& Prefix, bool ZeroBased) {
  std::string R;
  for (int I = 1; I <= MaxKeyFields; ++I) {
    const std::string N = IntToStr(I);
    const std::string A = "a" + N;
    R += "\r\n ,(select " + A + ".attname from pg_attribute " + A + " where " + A +
         ".attrelid = " + Rel + " and " + A + ".attnum = " + Arr + "[" +
         IntToStr(ZeroBased ? I - 1 : I) + "]) as " + Prefix + N;
  }
  return R;
}

namespace {

/// Where the parenthesis that closes the one Text starts with stands, past strings and quoted
/// names; npos when Text starts with none or it is not closed.
std::size_t ClosingParen(const std::string& Text) {
  if (Text.empty() || Text.front() != '(') return std::string::npos;
  int Depth = 0;
  char Quote = 0;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    const char C = Text[I];
    if (Quote) {
      if (C == Quote) Quote = 0;
    } else if (C == '\'' || C == '"') {
      Quote = C;
    } else if (C == '(') {
      ++Depth;
    } else if (C == ')' && --Depth == 0) {
      return I;
    }
  }
  return std::string::npos;
}

}  // namespace

std::string TPGDBExtract::CheckBodyFromDef(const std::string& Def) {
  // pg_get_constraintdef writes "CHECK (" + the condition as consrc held it + ")", then
  // " NOT VALID" or " NO INHERIT" where they apply.
  std::string Text = Trim(Def);
  if (UpperCase(Text.substr(0, 5)) != "CHECK") return Text;
  Text = TrimLeft(Text.substr(5));
  const std::size_t Close = ClosingParen(Text);
  if (Close == std::string::npos) return Text;
  // The check clause writes the condition after the word CHECK as it is kept: one that is no
  // parenthesised whole (a CASE, a function call) keeps the pair round it.
  const std::string Body = Trim(Text.substr(1, Close - 1));
  return !Body.empty() && ClosingParen(Body) == Body.size() - 1 ? Body : "(" + Body + ")";
}

bool TPGDBExtract::GoneWithTable(TCatalogRow& Row, std::string_view Column,
                                 const std::string& What) {
  // The server's pg_get_*def functions find the object in the snapshot or in the current
  // catalog, but name what it uses through the current catalog only: a part of a table another
  // session dropped since the snapshot began reads as null (the queries ask for it only while
  // the table stands). Such a table is passed over whole after the last step. A part dropped
  // from a table that stands would leave the table of neither state: read again.
  if (!Row.IsNull(Column)) return false;
  if (Row.Bool("table_gone")) return true;
  throw EDatabaseError(What + " " + std::string(DroppedMeanwhile) + ".");
}

void TPGDBExtract::PassOver(const std::string& Text) {
  AddToLog(Text);
  GetMsgManager()->AddMsg(Text, mt_Inf, nullptr);
}

namespace {

/// The items of a list the server joined by single spaces, each a name written as
/// quote_ident writes it (a space inside double quotes belongs to the name); empty items kept.
std::vector<std::string> SplitQuotedList(const std::string& Text) {
  std::vector<std::string> R(1);
  bool Quoted = false;
  for (const char C : Text) {
    if (C == '"') Quoted = !Quoted;
    if (C == ' ' && !Quoted)
      R.emplace_back();
    else
      R.back() += C;
  }
  return R;
}

/// "schema.name" or "name" as quote_ident writes them, taken apart and unquoted.
void SplitQualifiedName(const std::string& Text, std::string& Schema, std::string& Name) {
  std::vector<std::string> Parts(1);
  for (std::size_t I = 0; I < Text.size(); ++I) {
    const char C = Text[I];
    if (C == '.') {
      Parts.emplace_back();
    } else if (C != '"') {
      Parts.back() += C;
    } else {
      // A quoted part: to its closing quote, a doubled quote standing for one.
      for (++I; I < Text.size(); ++I) {
        if (Text[I] != '"') {
          Parts.back() += Text[I];
        } else if (I + 1 < Text.size() && Text[I + 1] == '"') {
          Parts.back() += '"';
          ++I;
        } else {
          break;
        }
      }
    }
  }
  Name = Parts.back();
  Schema = Parts.size() > 1 ? Parts[Parts.size() - 2] : std::string();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Query texts

std::vector<std::string> TPGDBExtract::IndexQuery() const {
  // Columns past the key columns are INCLUDE columns (PostgreSQL 11 on); before that every
  // column is a key column. The sort options came with PostgreSQL 8.3.
  const std::string Options = FInfo.Has(pgcIndOption) ? "i.indoption" : "null as indoption";
  const std::string KeyAtts =
      FInfo.Has(pgcIndNKeyAtts) ? "i.indnkeyatts" : "i.indnatts as indnkeyatts";
  std::vector<std::string> SQL = {
      "select ic.relname as index_name, tc.relname as table_name, i.indnatts,",
      "i.indisunique, i.indisprimary, i.indisclustered, i.indkey,",
      "i.indexrelid, i.indrelid, ic.relam, am.amname, n.nspname,",
      Options + ", " + KeyAtts + ", tc.relkind,",
      "(i.indexprs is not null or i.indpred is not null) as has_expr" +
          std::string(FInfo.Has(pgcRelIsPartition) ? ", tc.relispartition" : ""),
      ", d.description",
      SQLKeyFlds("i.indrelid", "i.indkey", "fld", true),
      // The operator class of each key column, empty where it is the default one (as an index
      // written without one gets), schema-qualified where the search path does not find it.
      ", pg_catalog.array_to_string(array(select case when o.opcdefault then ''",
      "   when pg_catalog.pg_opclass_is_visible(o.oid) then pg_catalog.quote_ident(o.opcname)",
      "   else pg_catalog.quote_ident(ons.nspname) || '.' || pg_catalog.quote_ident(o.opcname)",
      "   end from pg_catalog.generate_series(0, " + KeyAtts.substr(0, KeyAtts.find(' ')) +
          " - 1) k",
      "   join pg_catalog.pg_opclass o on o.oid = i.indclass[k]",
      "   join pg_catalog.pg_namespace ons on ons.oid = o.opcnamespace order by k), ' ')",
      "   as opclasses",
      "from pg_index i",
      "join pg_class ic on ic.oid = indexrelid",
      "join pg_class tc on tc.oid = indrelid",
      "left join pg_description d on d.objoid = i.indexrelid and d.objsubid = 0",
      "                          and d.classoid = " + IntToStr(FInfo.ClassOid),
      // The index of a key has the key's name, in the key's schema; a check or foreign key of
      // the same name has no index and leaves the index alone.
      "left join pg_constraint c on c.conname = ic.relname and c.connamespace = ic.relnamespace",
      "                          and c.contype in ('p', 'u', 'x')",
      "left join pg_catalog.pg_am am on am.oid = ic.relam",
      "join pg_catalog.pg_namespace n on n.oid = tc.relnamespace",
      "where (not i.indisprimary)",
      " and c.conname is null",
  };
  for (const std::string& Line : SchemaConditions("and ", "and ", "n.nspname")) SQL.push_back(Line);
  SQL.emplace_back(" and tc.relname not like 'pg\\\\_%' ");
  SQL.emplace_back("order by ic.relname");
  return SQL;
}

std::vector<std::string> TPGDBExtract::ConstraintQuery(char ConType) const {
  std::vector<std::string> SQL;
  switch (ConType) {
    case 'p':
      SQL = {"select c.oid, c.conname, t1.relname, c.conrelid,", "n.nspname, t1.relkind"};
      break;
    case 'c':
      // consrc is gone from PostgreSQL 12 on; pg_get_constraintdef gives the same condition
      // inside "CHECK (...)". It finds the constraint in the snapshot but names the columns
      // through the current catalog ("cache lookup failed for relation n" once another session
      // dropped the table): a table gone from the current catalog gives null instead.
      SQL = {FInfo.Has(pgcConSrc) ? "select c.oid, c.conname, t1.relname, c.conrelid, c.consrc,"
                                  : "select c.oid, c.conname, t1.relname, c.conrelid, "
                                    "case when pg_catalog.pg_table_is_visible(c.conrelid) is "
                                    "not null then pg_catalog.pg_get_constraintdef(c.oid) end "
                                    "as condef, pg_catalog.pg_table_is_visible(c.conrelid) "
                                    "is null as table_gone,",
             "n.nspname, t1.relkind"};
      break;
    case 'f':
      SQL = {"select c.oid, c.conname, t1.relname, c.conrelid,",
             "t2.relname as relfname, c.confrelid, n.nspname,",
             "c.confupdtype, c.confdeltype, c.confmatchtype, t1.relkind, n2.nspname as refschema"};
      break;
    default:
      SQL = {"select c.oid, c.conname, t1.relname, c.conrelid, n.nspname, t1.relkind"};
      break;
  }
  // The keys of a partition come with the partition, which is not read.
  if (FInfo.Has(pgcRelIsPartition)) SQL.back() += ", t1.relispartition";
  SQL.push_back(SQLKeyFlds("c.conrelid", "c.conkey", "fld", false));
  if (ConType == 'f') SQL.push_back(SQLKeyFlds("c.confrelid", "c.confkey", "ffld", false));
  if (ConType != 'c') SQL.emplace_back(", c.condeferrable, c.condeferred");
  SQL.insert(SQL.end(), {"from pg_catalog.pg_constraint c",
                         "join pg_catalog.pg_class t1 on t1.oid = c.conrelid"});
  if (ConType == 'f') {
    SQL.emplace_back("join pg_catalog.pg_class t2 on t2.oid = c.confrelid");
    SQL.emplace_back("join pg_catalog.pg_namespace n2 on n2.oid = t2.relnamespace");
  }
  SQL.emplace_back("join pg_catalog.pg_namespace n on n.oid = t1.relnamespace");
  SQL.push_back(ConType == 'f' ? "where c.contype = 'f' "
                               : "where c.contype = '" + std::string(1, ConType) + "'");
  for (const std::string& Line : SchemaConditions("and ", "and ", "n.nspname")) SQL.push_back(Line);
  return SQL;
}

// ---------------------------------------------------------------------------------------------
// Steps

void TPGDBExtract::ExtractIdx() {
  AddToLog("Extracting indexes...");
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(Q, IndexQuery());
  TKeyFields Keys(Q, "fld");
  for (; !Q.GetEof(); Q.Next()) {
    const std::string Name = Row.Str("index_name");
    const std::string Table = Row.Str("table_name");
    const std::string RelKind = Row.Str("relkind");
    if (!OfOrdinaryTable(Row, "Index " + Name, Table, RelKind)) continue;
    // The column list cannot say what an expression index or a partial index covers: read
    // without its expression or condition it would be made anew as another index.
    if (Row.Bool("has_expr")) {
      PassOver("Index " + Name + " of table " + Table +
               " has an expression or a condition, passed over.");
      NoteNotRead("index with an expression or a condition", Row.Str("nspname"), Name,
                  std::string());
      continue;
    }
    auto Idx = std::make_unique<TIdxData>(GetObjs());
    Idx->SetObjName(Name);
    Idx->TableName = Table;
    Idx->SetSchema(Row.Str("nspname"));
    Idx->Unique = Row.Bool("indisunique");
    Idx->SetExtra(&TObjExtra::Description, Row.Str("description"));
    // btree is the default method: no text, as a script without USING has none.
    const std::string Method = Row.Str("amname");
    Idx->SetExtra(&TIdxExtra::IndexType, Method == "btree" ? std::string() : Method);

    TStringList Columns;
    Keys.Read(Columns);
    const std::vector<int> Options = OptionFlags(Row.Str("indoption"));
    const std::vector<std::string> OpClasses = SplitQuotedList(Row.Str("opclasses"));
    const int KeyCount = Row.Int("indnkeyatts");
    for (int I = 0; I < Columns.Count(); ++I) {
      if (I >= KeyCount) {
        Idx->EditExtra().IncludeFlds.Add(Columns[I]);
        continue;
      }
      // Bit 0 of a column's options: descending. Ascending is what an index column is
      // without a word, as the script parser reads it.
      const bool Desc = static_cast<std::size_t>(I) < Options.size() && (Options[I] & 1) != 0;
      TIdxFldData* Fld = Idx->AddFld(Columns[I], Desc ? 2 : 0);
      if (static_cast<std::size_t>(I) < OpClasses.size())
        SplitQualifiedName(OpClasses[I], Fld->OpClassSchema, Fld->OpClass);
    }
    FileExtracted(std::move(Idx), Name);
  }
  CloseQuery(Q);
}

void TPGDBExtract::Extract_PK() {
  AddToLog("Extracting primary keys...");
  ExtractConstraints('p');
}

void TPGDBExtract::ExtractUnq() {
  AddToLog("Extracting unique constraints...");
  ExtractConstraints('u');
}

void TPGDBExtract::ExtractChk() {
  AddToLog("Extracting check constraints...");
  ExtractConstraints('c');
}

std::unique_ptr<TCtrData> TPGDBExtract::ConstraintOfRow(TCatalogRow& Row, TConstraintType Type) {
  const std::string Name = Row.Str("conname");
  const std::string Table = Row.Str("relname");
  const std::string RelKind = Row.Str("relkind");
  if (!OfOrdinaryTable(Row, "Constraint " + Name, Table, RelKind)) return nullptr;
  auto Ctr = std::make_unique<TCtrData>(GetObjs());
  Ctr->SetCtType(Type);
  Ctr->SetObjName(Name);
  Ctr->SetTblName(Table);
  Ctr->SetSchema(Row.Str("nspname"));
  return Ctr;
}

void TPGDBExtract::FileConstraint(std::unique_ptr<TCtrData> Ctr) {
  Ctr->CheckSysName();
  const std::string Def = Ctr->Def();
  FileExtracted(std::move(Ctr), Def);
}

void TPGDBExtract::ExtractConstraints(char ConType) {
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(Q, ConstraintQuery(ConType));
  TKeyFields Keys(Q, "fld");
  for (; !Q.GetEof(); Q.Next()) {
    std::unique_ptr<TCtrData> Ctr = ConstraintOfRow(Row, ConType == 'p'   ? ctPKey
                                                         : ConType == 'u' ? ctUnique
                                                                          : ctCheck);
    if (!Ctr) continue;
    if (ConType != 'c') ReadDeferrable(Row, *Ctr);
    if (ConType == 'c') {
      if (!FInfo.Has(pgcConSrc) && GoneWithTable(Row, "condef", "Check " + Ctr->GetObjName()))
        continue;
      const std::string Body =
          FInfo.Has(pgcConSrc) ? Row.Str("consrc") : CheckBodyFromDef(Row.Str("condef"));
      Ctr->SetBody(Trim(Body));
    }
    Keys.Read(Ctr->FldList);
    FileConstraint(std::move(Ctr));
  }
  CloseQuery(Q);
}

void TPGDBExtract::Extract_FK() {
  AddToLog("Extracting foreign keys...");
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(Q, ConstraintQuery('f'));
  TKeyFields Keys(Q, "fld");
  TKeyFields RefKeys(Q, "ffld");
  for (; !Q.GetEof(); Q.Next()) {
    std::unique_ptr<TCtrData> Ctr = ConstraintOfRow(Row, ctFKey);
    if (!Ctr) continue;
    Ctr->SetRefTblName(Row.Str("relfname"));
    // The referenced table may stand in another schema; without its schema the key would be
    // written against a table of the key's own schema.
    Ctr->SetRefSchema(Row.Str("refschema"));
    ReadAction(Row.Str("confupdtype"), Ctr->OnUpdate);
    ReadAction(Row.Str("confdeltype"), Ctr->OnDelete);
    ReadDeferrable(Row, *Ctr);
    Keys.Read(Ctr->FldList);
    RefKeys.Read(Ctr->EditExtra().RefFldList);
    FileConstraint(std::move(Ctr));
  }
  CloseQuery(Q);
}

}  // namespace qel
