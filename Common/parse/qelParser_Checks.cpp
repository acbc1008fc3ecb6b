// What a declaration read from a script must hold before anything is made of it (type numbers
// a server of the dialect takes, one nullability per column), and the checks of the model the
// scripts made: keys and indexes over columns their tables have, on tables some script defines,
// and the removal of a table with what hangs on it.
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "Text.h"
#include "qelCompObj.h"
#include "qelComp_Ctr.h"
#include "qelComp_Idx.h"
#include "qelComp_Tbl.h"
#include "qelComp_Trg.h"
#include "qelComp_Viw.h"
#include "qelDialects.h"
#include "qelParser.h"
#include "qelParser_Int.h"

namespace qel {

namespace {

bool IsFixedString(TDBFieldType T) {
  return T == iftChar || T == iftNChar || T == iftNationalChar || T == iftBinary || T == iftGraphic;
}

bool IsString(TDBFieldType T) {
  switch (T) {
    case iftVarchar:
    case iftVarChar2:
    case iftNVarChar:
    case iftNVarChar2:
    case iftVarBinary:
    case iftVarGraphic:
    case iftRaw:
    case iftCstring:
    case iftBit:
    case iftVarBit:
      return true;
    default:
      return IsFixedString(T);
  }
}

bool IsDecimal(TDBFieldType T) {
  return T == iftNumeric || T == iftDecimal || T == iftNumber;
}

}  // namespace

bool TCustomSQLParser::TestTypeBounds(TFldData& Fld) {
  const TDialect* D = FindDialect(DatabaseType);
  const TTypeBounds B = D ? D->TypeBounds : TTypeBounds{};
  const TDBFieldType T = Fld.FieldType;
  const std::string Of = Fld.GetObjName().empty() ? "" : " of " + Fld.GetObjName();
  std::int32_t MaxLength = IsFixedString(T) ? B.FixedLength : B.Length;
  if (DatabaseType == dbPostgreSQL && (T == iftBit || T == iftVarBit)) MaxLength = 83886080;
  if (DatabaseType == dbMSSQL && (T == iftNChar || T == iftNVarChar)) MaxLength = 4000;
  const std::int32_t MaxPrecision = IsDecimal(T) ? B.Decimal : B.Precision;
  bool Fits = true;
  // At the ")" the numbers end with, not on the line of the symbol after it.
  std::int32_t At = std::min(SyPos, FLen + 1) - 1;
  while (At > 1 && std::string_view(" \t\r\n").find(FTxt[static_cast<std::size_t>(At - 1)]) !=
                       std::string_view::npos)
    --At;
  const auto Refuse = [&](std::int32_t& Value, const std::string& Text) {
    MsgAtByte(Text, At);
    Value = 0;
    Fits = false;
  };
  if (IsString(T) && Fld.Size > MaxLength)
    Refuse(Fld.Size, "Length" + Of + " out of range: at most " + IntToStr(MaxLength) + ".");
  if (Fld.Precision > MaxPrecision)
    Refuse(Fld.Precision,
           "Precision" + Of + " out of range: at most " + IntToStr(MaxPrecision) + ".");
  if (Fld.Scale < B.MinScale || Fld.Scale > B.MaxScale)
    Refuse(Fld.Scale, "Scale" + Of + " out of range: " + IntToStr(B.MinScale) + " to " +
                          IntToStr(B.MaxScale) + ".");
  else if (B.ScaleWithinPrecision && Fld.Precision > 0 && Fld.Scale > Fld.Precision)
    Refuse(Fld.Scale, "Scale" + Of + " greater than its precision.");
  return Fits;
}

bool TCustomSQLParser::TestNullClause(const TFldData& Fld, bool Nullable) {
  const bool Again = FNullOf == &Fld && FNullStmt == StmtStart;
  const bool Contradicts = Again && FNullSaid != Nullable;
  FNullOf = &Fld;
  FNullStmt = StmtStart;
  FNullSaid = Nullable;
  if (!Contradicts) return true;
  const std::string Text = "Column " + Fld.GetObjName() + " is declared both NULL and NOT NULL.";
  if (DatabaseType == dbMySQL)
    MsgAtByte(Text + " The last of the two is kept, as the server keeps it.", SyPos, true);
  else
    MsgAtByte(Text, SyPos);
  return false;
}

void TCustomSQLParser::MsgAtByte(const std::string& Text, std::int32_t At, bool Warning) {
  const std::int32_t Last = std::min(Pos - 1, FLen);  // the byte at Ch, read last
  At = std::clamp(At, 1, std::max(Last, 1));
  // Line counts the line breaks read up to Ch.
  std::int32_t AtLine = Line;
  for (std::int32_t I = At; I <= Last; ++I)
    if (FTxt[static_cast<std::size_t>(I - 1)] == '\n') --AtLine;
  const std::int32_t AtColumn = ColumnOfPos(At);
  if (Warning) {
    MsgManager.AddScriptMsg(Text, ScriptName, AtColumn, AtLine, mt_Wrn);
    return;
  }
  // Not the dialect's ErrMsg, which places its errors at the symbol the reader stands on; the
  // statement fails all the same.
  ++FErrCount;
  const std::int32_t SavedLine = Line;
  const std::int32_t SavedColumn = Column;
  Line = AtLine;
  Column = AtColumn + 1;
  TCustomParser::ErrMsg(Text);
  Line = SavedLine;
  Column = SavedColumn;
}

namespace {

using parser_detail::FindTableOf;
using parser_detail::TTableHints;

// The error of a foreign key whose columns and referenced columns differ in number.
std::string ForeignKeyWidthText(const TCtrData& Key, int Referenced) {
  const std::string Name = Key.GetObjName().empty() ? "" : " " + Key.GetObjName();
  return "FOREIGN KEY" + Name + " of table " + Key.GetTblName() + " has " +
         IntToStr(Key.FldList.Count()) + " columns and references " + IntToStr(Referenced) + ".";
}

}  // namespace

void TCustomParser::TestNewKeys() {
  std::vector<TNewKey> Keys = std::move(FNewKeys);
  FNewKeys.clear();
  std::vector<TNotedCheck> Checks = std::move(FNotedChecks);
  FNotedChecks.clear();
  auto* O = dynamic_cast<TObjs*>(Objs);
  if (!O) return;
  for (const TNotedCheck& C : Checks)
    if (const TTblData* Table = O->GetTable(C.Table))
      TestCheckColumns(C.Condition, *Table,
                       [&](const std::string& Text) { ErrMsgAt(Text, C.Line, 0); });
  if (Keys.empty()) return;
  const auto TableNamed = [O](const std::string& Schema, const std::string& Name) {
    const TTblData* T = Schema.empty() ? nullptr : O->GetTable(Schema + "." + Name);
    return T ? T : O->GetTable(Name);
  };
  // Keys a later statement dropped again are no more filed.
  std::unordered_map<const TDbObj*, int> Filed;
  // By table, as the collection finds it under the dialect's case and schema rules: CUSTOMER
  // and "Customer" are two tables where the server tells them apart.
  std::unordered_map<const TTblData*, int> PrimaryKeys;
  const auto PrimaryKeyTable = [&](const TDbObj* Key) -> const TTblData* {
    const auto* C = dynamic_cast<const TCtrData*>(Key);
    return C && C->GetCtType() == ctPKey ? TableNamed(C->GetSchema(), C->GetTblName()) : nullptr;
  };
  Filed.reserve(static_cast<std::size_t>(O->Indexes.Count() + O->Constraints.Count()));
  for (int I = 0; I < O->Indexes.Count(); ++I) Filed.emplace(O->Indexes.Objects(I), 0);
  for (int I = 0; I < O->Constraints.Count(); ++I) {
    const TDbObj* C = O->Constraints.Objects(I);
    Filed.emplace(C, 0);
    if (const TTblData* Table = PrimaryKeyTable(C)) ++PrimaryKeys[Table];
  }
  // What stands for the primary keys filed before: those of other texts, then the new ones
  // met so far.
  for (const TNewKey& K : Keys)
    if (!Filed.count(K.Key)) {
      continue;  // freed, maybe: not to be looked at
    } else if (const TTblData* Table = PrimaryKeyTable(K.Key)) {
      --PrimaryKeys[Table];
    }
  for (const TNewKey& K : Keys) {
    if (!Filed.count(K.Key)) continue;
    const auto Error = [&](const std::string& Text) { ErrMsgAt(Text, K.Line, K.Column - 1); };
    // Each plain column name of List must name a column of Table, once. What names the key
    // in a message; it is made only for one.
    const auto TestColumns = [&](const TTblData& Table, const TStringList& List, const auto& What,
                                 bool Twice) {
      if (!Table.Extra().OfType.empty()) return;  // an object table's columns are its type's
      // The columns met so far, as the table's case rule compares them: a key has few.
      std::vector<std::string> Seen;
      for (int I = 0; I < List.Count(); ++I) {
        const std::string& Column = List[I];
        // An empty list has an error of its own; expressions and sort orders are not names.
        if (Column.empty() || Column.find_first_of("( \"`[") != std::string::npos) continue;
        if (!Table.Fields.Find(Column)) {
          Error(What() + " names column " + Column + ", which table " + Table.GetObjName() +
                " does not have.");
          continue;
        }
        std::string Name = Table.Fields.CaseSensitive ? Column : UpperCase(Column);
        if (std::count(Seen.begin(), Seen.end(), Name) == 1 && Twice)
          Error(What() + " names column " + Column + " twice.");
        Seen.push_back(std::move(Name));
      }
    };
    if (const auto* Idx = dynamic_cast<const TIdxData*>(K.Key)) {
      // The table's schema where the index names one other than its own (Oracle, DB2).
      const std::string& Schema =
          Idx->TableSchema.empty() ? Idx->GetSchema() : Idx->TableSchema.str();
      if (const TTblData* Table = TableNamed(Schema, Idx->TableName))
        TestColumns(
            *Table, Idx->Flds, [Idx] { return "Index " + Idx->GetObjName(); }, true);
      continue;
    }
    const auto& C = static_cast<const TCtrData&>(*K.Key);
    const TConstraintType Type = C.GetCtType();
    if (Type == ctCheck) {
      const TTblData* Table = TableNamed(C.GetSchema(), C.GetTblName());
      if (Table && Table->Extra().OfType.empty())
        TestCheckColumns(C.Extra().Body.str(), *Table, Error);
      continue;
    }
    if (Type != ctPKey && Type != ctUnique && Type != ctFKey) continue;
    if (Type == ctFKey && C.Extra().RefFldList.Count() > 0 &&
        C.Extra().RefFldList.Count() != C.FldList.Count())
      Error(ForeignKeyWidthText(C, C.Extra().RefFldList.Count()));
    const TTblData* Table = TableNamed(C.GetSchema(), C.GetTblName());
    // An object table's columns are its type's attributes, which the table does not list.
    if (!Table || !Table->Extra().OfType.empty()) continue;
    const auto What = [Type, Table] {
      return std::string(Type == ctPKey     ? "PRIMARY KEY"
                         : Type == ctUnique ? "UNIQUE"
                                            : "FOREIGN KEY") +
             " of table " + Table->GetObjName();
    };
    if (Type == ctPKey && PrimaryKeys[Table]++ > 0)
      Error("Table " + Table->GetObjName() + " has more than one PRIMARY KEY.");
    TestColumns(*Table, C.FldList, What, true);
    if (Type == ctFKey)
      if (const TTblData* Ref = TableNamed(C.GetRefSchema(), C.GetRefTblName()))
        TestColumns(*Ref, C.Extra().RefFldList, What, false);
  }
}

namespace {

// A key that names a table no script of its side defines, or a view that reads itself.
struct TKeyTableError {
  const TDbObj* Key;
  std::string Text;
  bool Warning = false;
};

// Table of schema Schema (or of owner Creator) is filed under one of the keys a reader may file
// it under; with Views, a view of that name counts too (indexed and materialized views).
bool TableDefined(const TObjs& O, const std::string& Table, const std::string& Schema,
                  const std::string& Creator, bool Views = false) {
  for (const std::string* Owner : {&Schema, &Creator}) {
    if (Owner->empty()) continue;
    const std::string Key = *Owner + "." + Table;
    if (O.GetTable(Key) || (Views && O.GetView(Key))) return true;
  }
  TTableHints Hints;
  return O.GetTable(Table) || (Views && O.GetView(Table)) ||
         FindTableOf(O, O.GetDatabaseType(), Table, Schema, Creator, Hints) != nullptr;
}

// The word a constraint of type Type is written with, for messages.
const char* ConstraintWord(TConstraintType Type) {
  switch (Type) {
    case ctPKey:
      return "PRIMARY KEY";
    case ctUnique:
      return "UNIQUE";
    case ctFKey:
      return "FOREIGN KEY";
    case ctCheck:
      return "CHECK";
    case ctDefault:
      return "DEFAULT";
    default:
      return "Constraint";
  }
}

// The constraints of O on a table O lacks, the foreign keys that reference one (unless
// ForeignKeys is false), and the indexes of such tables.
std::vector<TKeyTableError> KeyTableErrors(const TObjs& O, bool ForeignKeys,
                                           const std::unordered_set<const TDbObj*>& Elsewhere) {
  std::vector<TKeyTableError> Errors;
  for (int I = 0; I < O.Constraints.Count(); ++I) {
    const auto* C = dynamic_cast<const TCtrData*>(O.Constraints.Objects(I));
    if (!C || C->GetTblName().empty() ||
        TableDefined(O, C->GetTblName(), C->GetSchema(), C->Extra().Creator, true))
      continue;
    const std::string Name = C->GetObjName().empty() ? "" : " " + C->GetObjName();
    Errors.push_back({C, ConstraintWord(C->GetCtType()) + Name + " is on table " + C->GetTblName() +
                             ", which no script defines."});
  }
  for (int I = 0; ForeignKeys && I < O.Constraints.Count(); ++I) {
    const auto* C = dynamic_cast<const TCtrData*>(O.Constraints.Objects(I));
    if (!C || C->GetCtType() != ctFKey || C->GetRefTblName().empty() || Elsewhere.count(C))
      continue;
    // The referenced table is in the key's own schema unless the key names another.
    const std::string& Schema = C->GetRefSchema().empty() ? C->GetSchema() : C->GetRefSchema();
    const std::string& Owner =
        C->Extra().RefOwner.empty() ? C->Extra().Creator : C->Extra().RefOwner.str();
    if (TableDefined(O, C->GetRefTblName(), Schema, Owner)) continue;
    const std::string Name = C->GetObjName().empty() ? "" : " " + C->GetObjName();
    Errors.push_back({C, "FOREIGN KEY" + Name + " of table " + C->GetTblName() +
                             " references table " + C->GetRefTblName() +
                             ", which no script defines."});
  }
  for (int I = 0; I < O.Indexes.Count(); ++I) {
    const auto* Idx = dynamic_cast<const TIdxData*>(O.Indexes.Objects(I));
    if (!Idx || Idx->TableName.empty()) continue;
    const std::string& Schema =
        Idx->TableSchema.empty() ? Idx->GetSchema() : Idx->TableSchema.str();
    if (TableDefined(O, Idx->TableName, Schema, Idx->Extra().Creator, true)) continue;
    Errors.push_back({Idx, "Index " + Idx->GetObjName() + " is on table " + Idx->TableName +
                               ", which no script defines."});
  }
  // Triggers of a table or view; not those of the database, a schema or the server.
  static constexpr std::array<std::string_view, 6> Events = {
      "ALL SERVER", "CONNECT", "DATABASE", "DISCONNECT", "SCHEMA", "TRANSACTION"};
  for (int I = 0; I < O.Triggers.Count(); ++I) {
    const auto* Trg = dynamic_cast<const TTrgData*>(O.Triggers.Objects(I));
    if (!Trg || Trg->OwnName.empty() ||
        std::find(Events.begin(), Events.end(), UpperCase(Trg->OwnName)) != Events.end() ||
        TableDefined(O, Trg->OwnName, Trg->GetSchema(), Trg->Extra().Creator, true))
      continue;
    Errors.push_back({Trg, "Trigger " + Trg->GetObjName() + " is on table " + Trg->OwnName +
                               ", which no script defines."});
  }
  return Errors;
}

// Foreign keys without a referenced column list reference the primary key of their table: one
// of another width is an error.
void AddForeignKeyWidthErrors(const TObjs& O, std::vector<TKeyTableError>& Errors) {
  std::unordered_map<std::string, int> PrimaryKeyWidths;  // by table; -1: two tables differ
  for (int I = 0; I < O.Constraints.Count(); ++I) {
    const auto* C = dynamic_cast<const TCtrData*>(O.Constraints.Objects(I));
    if (!C || C->GetCtType() != ctPKey) continue;
    const auto [It, New] = PrimaryKeyWidths.emplace(UpperCase(C->GetTblName()), C->FldList.Count());
    if (!New && It->second != C->FldList.Count()) It->second = -1;
  }
  for (int I = 0; I < O.Constraints.Count(); ++I) {
    const auto* C = dynamic_cast<const TCtrData*>(O.Constraints.Objects(I));
    if (!C || C->GetCtType() != ctFKey || C->Extra().RefFldList.Count() > 0) continue;
    const auto It = PrimaryKeyWidths.find(UpperCase(C->GetRefTblName()));
    if (It != PrimaryKeyWidths.end() && It->second > 0 && It->second != C->FldList.Count())
      Errors.push_back({C, ForeignKeyWidthText(*C, It->second)});
  }
}

// The name a relation is filed under, as the server of DB finds it: a quoted name as it is
// written, an unquoted one folded as the server folds it (PostgreSQL to lower case, Firebird,
// Oracle and DB2 to upper); SQL Server and SQL Anywhere tell no case apart. MySQL (and ASE)
// names are kept as written; whether the server then tells their case apart depends on
// lower_case_table_names, so no two spellings are taken for one.
std::string RelationKey(TDatabaseType DB, const std::string& Name, bool Quoted) {
  if (DB == dbMSSQL || DB == dbSybaseASA) return UpperCase(Name);
  if (Quoted) return Name;
  switch (DB) {
    case dbPostgreSQL:
      return LowerCase(Name);
    case dbInterBase:
    case dbOracle:
    case dbDB2:
      return UpperCase(Name);
    default:
      return Name;
  }
}

// Views that read themselves, alone or through other views: no server makes them, but for
// Oracle's FORCE views, which it keeps invalid. Each view is followed once (a walk with its own
// stack), so a long chain costs no more than its length; a message names at most ten views.
void AddViewCycleErrors(const TObjs& O, std::vector<TKeyTableError>& Errors) {
  const TDatabaseType DB = O.GetDatabaseType();
  const int N = O.Views.Count();
  std::vector<const TViwData*> Views(static_cast<std::size_t>(N));
  std::unordered_map<std::string, std::vector<int>> ByName;
  for (int I = 0; I < N; ++I) {
    Views[static_cast<std::size_t>(I)] = dynamic_cast<const TViwData*>(O.Views.Objects(I));
    if (const TViwData* V = Views[static_cast<std::size_t>(I)])
      ByName[RelationKey(DB, V->GetObjName(), true)].push_back(I);
  }
  const TLexicalRules L = LexicalRulesOf(DB);
  std::vector<std::vector<int>> Reads(static_cast<std::size_t>(N));
  for (int I = 0; I < N; ++I) {
    const TViwData* V = Views[static_cast<std::size_t>(I)];
    if (!V) continue;
    for (const TRelationName& R : RelationsRead(V->Extra().Body.str(), L)) {
      const auto It = ByName.find(RelationKey(DB, R.Name, R.Quoted));
      if (It == ByName.end()) continue;
      for (const int J : It->second) {
        const std::string& Schema = Views[static_cast<std::size_t>(J)]->GetSchema();
        if (R.Schema.empty() || Schema.empty() || SameText(R.Schema, Schema))
          Reads[static_cast<std::size_t>(I)].push_back(J);
      }
    }
  }
  enum : char { Unseen, OnPath, Done };
  std::vector<char> State(static_cast<std::size_t>(N), Unseen);
  std::vector<std::size_t> NextRead(static_cast<std::size_t>(N), 0),
      PathAt(static_cast<std::size_t>(N), 0);
  std::vector<bool> Reported(static_cast<std::size_t>(N), false);
  std::vector<int> Path;
  for (int Start = 0; Start < N; ++Start) {
    if (State[static_cast<std::size_t>(Start)] != Unseen) continue;
    State[static_cast<std::size_t>(Start)] = OnPath;
    Path.push_back(Start);
    while (!Path.empty()) {
      const auto U = static_cast<std::size_t>(Path.back());
      if (NextRead[U] == Reads[U].size()) {
        State[U] = Done;
        Path.pop_back();
        continue;
      }
      const auto W = static_cast<std::size_t>(Reads[U][NextRead[U]++]);
      if (State[W] == Unseen) {
        State[W] = OnPath;
        PathAt[W] = Path.size();
        Path.push_back(static_cast<int>(W));
        continue;
      }
      if (State[W] != OnPath || Reported[W] || Reported[U]) continue;
      // The views from W to U on the path read each other in a circle.
      std::string Names;
      bool Force = false;
      const std::size_t Length = Path.size() - PathAt[W];
      for (std::size_t K = PathAt[W]; K < Path.size() && K < PathAt[W] + 10; ++K) {
        const TViwData& V = *Views[static_cast<std::size_t>(Path[K])];
        Reported[static_cast<std::size_t>(Path[K])] = true;
        Force = Force || V.Force;
        Names += (Names.empty()                          ? ""
                  : K + 1 == Path.size() && Length <= 10 ? " and "
                                                         : ", ") +
                 V.GetObjName();
      }
      if (Length > 10)
        Names += " and " + IntToStr(static_cast<std::int32_t>(Length - 10)) + " more";
      std::string Text = Length == 1 ? "View " + Names + " selects from itself."
                                     : "Views " + Names + " select from each other.";
      const bool Warning = Force && DB == dbOracle;
      if (Warning) Text += " The server keeps them as invalid FORCE views.";
      Errors.push_back({Views[W], Text, Warning});
    }
  }
}

}  // namespace

void TCustomParser::TestKeyTables() {
  TKeyPlaces Places = std::move(FKeyPlaces);
  Places.Sort();
  const std::vector<std::string> Scripts = std::move(FKeyScripts);
  const bool ForeignKeys = !FForeignKeyChecksOff;
  const std::unordered_set<const TDbObj*> Elsewhere = std::move(FReferencesElsewhere);
  std::unordered_set<std::string> Types = std::move(FDefinedTypes);
  ForgetKeyPlaces();
  const auto* O = dynamic_cast<const TObjs*>(Objs);
  if (!O || O->ExtractFrom == efDatabase) return;
  std::vector<TKeyTableError> Errors = KeyTableErrors(*O, ForeignKeys, Elsewhere);
  AddForeignKeyWidthErrors(*O, Errors);
  AddViewCycleErrors(*O, Errors);
  // Columns of a type by a name that no script defines and that is no type of the server's.
  for (int I = 0; I < O->Domains.Count(); ++I)
    Types.insert(UpperCase(O->Domains.Objects(I)->GetObjName()));
  for (int I = 0; I < O->Tables.Count(); ++I) {
    const auto* T = dynamic_cast<const TTblData*>(O->Tables.Objects(I));
    for (int J = 0; T && J < T->Fields.Count(); ++J) {
      const TFldData* F = &*T->Fields[J];
      if (F->FieldType != iftDomain) continue;
      const std::string& Type = F->Extra().DomainName.str();
      const TKeyPlace* It = Type.empty() ? nullptr : Places.Find(F);
      if (!It || Types.count(UpperCase(Type)) || ServerTypeName(Type)) continue;
      // A type of a schema the scripts do not fill may stand in the database all the same.
      const bool Qualified = It->Qualified;
      Errors.push_back({F,
                        "Column " + F->GetObjName() + " of table " + T->GetObjName() +
                            " is of type " + Type + ", which no script defines." +
                            (Qualified ? " It is taken as a type of the database." : ""),
                        Qualified});
    }
  }
  // In the order of the scripts and their lines; keys read elsewhere last.
  static constexpr std::int32_t Unknown = std::numeric_limits<std::int32_t>::max();
  const auto PlaceOf = [&Places](const TDbObj* Key) {
    const TKeyPlace* It = Places.Find(Key);
    return !It ? std::tuple{Unknown, 0, 0} : std::tuple{It->Script, It->Line, It->Column};
  };
  std::stable_sort(Errors.begin(), Errors.end(),
                   [&](const TKeyTableError& A, const TKeyTableError& B) {
                     return PlaceOf(A.Key) < PlaceOf(B.Key);
                   });
  for (const TKeyTableError& E : Errors) {
    const auto [Script, At, Column] = PlaceOf(E.Key);
    const std::string& File =
        Script == Unknown ? std::string() : Scripts[static_cast<std::size_t>(Script)];
    if (E.Warning) {
      MsgManager.AddScriptMsg(E.Text, File, Column, At, mt_Wrn);
      continue;
    }
    // A key's column is not kept (0), as with the other key errors. Not the dialect's ErrMsg:
    // that one names the last symbol of the last text read, and bounds the errors of a text.
    if (!MsgManager.GetIsErr())
      DoErrorMessage(E.Text + "\r\nScript: " + File + " Line:" + IntToStr(At) +
                     " Pos:" + IntToStr(Column) + "\r\n");
    MsgManager.AddScriptMsg(E.Text, File, Column, At, mt_Err);
  }
}

bool TCustomSQLParser::RemoveTable(const std::string& Key, bool ReferencingKeys) {
  auto* O = dynamic_cast<TObjs*>(Objs);
  const int Index = O ? O->Tables.IndexOf(Key) : -1;
  if (Index < 0) return false;
  const TDbObj* Table = O->Tables.Objects(Index);
  const std::string Name = Table->GetObjName(), Schema = Table->GetSchema();
  const auto Mine = [&](const std::string& TableName, const std::string& TableSchema) {
    return SameText(TableName, Name) && (TableSchema.empty() || SameText(TableSchema, Schema));
  };
  for (TDbObjList* List : {&O->Constraints, &O->Indexes, &O->Triggers})
    for (int I = List->Count() - 1; I >= 0; --I) {
      TDbObj* Obj = List->Objects(I);
      const auto* Ctr = dynamic_cast<const TCtrData*>(Obj);
      const auto* Idx = dynamic_cast<const TIdxData*>(Obj);
      const auto* Trg = dynamic_cast<const TTrgData*>(Obj);
      const bool Goes =
          (Ctr && (Mine(Ctr->GetTblName(), Ctr->GetSchema()) ||
                   (ReferencingKeys && Ctr->GetCtType() == ctFKey &&
                    Mine(Ctr->GetRefTblName(),
                         Ctr->GetRefSchema().empty() ? Ctr->GetSchema() : Ctr->GetRefSchema())))) ||
          (Idx && Mine(Idx->TableName,
                       Idx->TableSchema.empty() ? Idx->GetSchema() : Idx->TableSchema.str())) ||
          (Trg && SameText(Trg->OwnName, Name));
      if (!Goes) continue;
      O->RemoveDepend(Obj);
      List->Delete(I);
    }
  return RemoveObj(O->Tables, Key);
}

}  // namespace qel
