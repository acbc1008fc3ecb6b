// The shared catalog extraction driver.
#include "qelDatabaseExtract.h"

#include <array>
#include <cctype>
#include <exception>
#include <utility>

#include "DataSet.h"
#include "Text.h"
#include "qelCatalogReadAhead.h"
#include "qelComp_Tbl.h"
#include "qelComp_Viw.h"
#include "qelMsg.h"

namespace qel {

TDBFieldType TransactSQLCatalogType(std::string_view Name) {
  static constexpr std::array<TCatalogType, 29> kTypes{{
      {"bigint", iftBigInt},
      {"binary", iftBinary},
      {"bit", iftBit},
      {"char", iftChar},
      {"date", iftDate},
      {"datetime", iftDateTime},
      {"decimal", iftDecimal},
      {"float", iftFloat},
      {"image", iftImage},
      {"int", iftInteger},
      {"integer", iftInteger},
      {"money", iftMoney},
      {"nchar", iftNChar},
      {"ntext", iftNText},
      {"numeric", iftNumeric},
      {"nvarchar", iftNVarChar},
      {"real", iftReal},
      {"smalldatetime", iftSmallDateTime},
      {"smallint", iftSmallInt},
      {"smallmoney", iftSmallMoney},
      {"sql_variant", iftSqlVariant},
      {"sysname", iftSysName},
      {"text", iftText},
      {"time", iftTime},
      {"timestamp", iftTimeStamp},
      {"tinyint", iftTinyInt},
      {"uniqueidentifier", iftUniqueIdent},
      {"varbinary", iftVarBinary},
      {"varchar", iftVarchar},
  }};
  return CatalogTypeOf(kTypes, Name);
}

TDBFieldType CatalogTypeOf(std::span<const TCatalogType> Types, std::string_view Name,
                           TDBFieldType Otherwise) {
  for (const TCatalogType& T : Types)
    if (T.Name == Name) return T.Type;
  return Otherwise;
}

void SizeFromByteLength(TFldData& Fld, std::int32_t Length) {
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
}

const TField& TCatalogRow::Field(std::string_view Name) {
  TFields* Fields = FQuery.GetFields();
  if (!Fields) {
    // A query without a field list finds its fields itself, each time.
    TField* F = FQuery.FieldByName(std::string(Name));
    if (!F) throw EDatabaseError("Field '" + std::string(Name) + "' not found");
    return *F;
  }
  TSlot* Slot = nullptr;
  for (TSlot& S : FSlots)
    if (S.Name == Name) {
      Slot = &S;
      break;
    }
  if (Slot) {
    TField* F = Fields->Fields(Slot->Index);
    if (F && SameText(F->GetFieldName(), Slot->Name)) return *F;
  }
  for (int I = 0; I < Fields->Count(); ++I) {
    TField* F = Fields->Fields(I);
    if (!F || !SameText(F->GetFieldName(), std::string(Name))) continue;
    if (Slot)
      Slot->Index = I;
    else
      FSlots.push_back({std::string(Name), I});
    return *F;
  }
  throw EDatabaseError("Field '" + std::string(Name) + "' not found");
}

TCustomDBExtract::TCustomDBExtract(TComponent* AOwner) : TCustomExtract(AOwner) {
  ProgressMaxValue = ExtractProgressMax;
  ProgressValue = 0;
}

TCustomDBExtract::~TCustomDBExtract() {
  FQuery.reset();
  SetConnection(nullptr);
}

void TCustomDBExtract::SetConnection(TQELCustomConnection* Value) {
  if (Value == FConnection) return;
  if (FConnection) RemoveFreeNotification(FConnection);
  FConnection = Value;
  if (FConnection) FreeNotification(FConnection);
}

void TCustomDBExtract::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomExtract::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent && AComponent == FConnection) FConnection = nullptr;
}

void TCustomDBExtract::AddToLog(const std::string& Text) {
  DoLogNextLine(Text);
}

TObjs* TCustomDBExtract::GetObjs() const {
  TCustomDBStructure* Holder = GetDBStructure();
  return Holder ? dynamic_cast<TObjs*>(Holder->GetObjs()) : nullptr;
}

void TCustomDBExtract::ReportProgress(int Value) {
  ProgressValue = Value;
  DoProgressUpdate(ProgressValue, ProgressMaxValue);
}

// ---------------------------------------------------------------------------------------------
// Queries

TQELQuery& TCustomDBExtract::WorkQuery() {
  if (!FQuery) throw EDatabaseError("No extraction is running.");
  return *FQuery;
}

void TCustomDBExtract::ForEachRow(const std::vector<std::string>& Lines,
                                  const std::function<void(TCatalogRow& Row)>& Each,
                                  bool StopOnCancel) {
  TQELQuery& Q = WorkQuery();
  TCatalogRow Row(Q);
  OpenQuery(Q, Lines);
  for (; !Q.GetEof(); Q.Next()) {
    Each(Row);
    if (StopOnCancel && TerminateRunning.load()) break;
  }
  CloseQuery(Q);
}

void TCustomDBExtract::OpenQuery(TQELQuery& Query, const std::vector<std::string>& Lines) {
  // The other side of a comparison runs the same text meanwhile: it asks mostly the same.
  if (FAnnounceTo && &Query == FQuery.get()) FAnnounceTo->Announce(Lines);
  OpenQueryText(Query, Lines);
}

void TCustomDBExtract::CloseQuery(TQELQuery& Query) {
  Query.Close();
  if (TStrings* SQL = Query.GetSQL()) SQL->Clear();
}

// ---------------------------------------------------------------------------------------------
// The driver

bool TCustomDBExtract::CheckSettings() {
  // The connection checks come first: without a usable connection nothing can be read, whatever
  // the holder.
  const std::string Who = ClassName() + ".ExtractDatabase(): ";
  if (!FConnection) {
    DoErrorMessage(Who + "Connection property not assigned.");
    return false;
  }
  if (FConnection->GetConnectionType() == cnAbstract) {
    DoErrorMessage(Who + "ConnectionType in Connection not specified.");
    return false;
  }
  // A holder without a collection has nothing to fill; it counts as no holder.
  if (!GetObjs()) {
    DoErrorMessage(Who + "DBStructure not assigned.");
    return false;
  }
  return true;
}

void TCustomDBExtract::PrepareHolder() {
  TCustomDBStructure* Holder = GetDBStructure();
  Holder->Clear();
  TObjs* Objs = GetObjs();
  Objs->ExtractFrom = efDatabase;
  Holder->SetDatabaseType(DatabaseType);
  Objs->ConnectionOptions.Assign(FConnection->GetConnectionOptions());
}

bool TCustomDBExtract::ExtractDatabase() {
  // The comparer's read-ahead serves this run only.
  struct TOneRun {
    TCustomDBExtract& E;
    ~TOneRun() { E.FAnnounceTo = E.FReadThrough = nullptr; }
  } OneRun{*this};
  TCustomExtract::ExtractDatabase();  // a run's message list holds that run's messages only
  FCancelled = false;
  FFailed = false;
  ProgressMaxValue = ExtractProgressMax;
  ReportProgress(0);
  if (!CheckSettings()) return false;

  // Another session that drops or creates objects while the catalog is read can make the read
  // fail, or (without a snapshot) change the catalog under it: the whole catalog is read again,
  // a bounded number of times, so that what is kept is always one reading of one state.
  for (int Attempt = 1;; ++Attempt) {
    FMayReadAgain = Attempt < MaxCatalogReads;
    FChangedMeanwhile.clear();
    PrepareHolder();
    FCurrentStep = "ExtractDatabase";
    try {
      RunExtraction();
    } catch (const std::exception& E) {
      if (FMayReadAgain && !FCancelled && ChangedMeanwhile(E.what()))
        FChangedMeanwhile = E.what();
      else
        ReportStepFailure(E.what());
    } catch (...) {
      ReportStepFailure("unknown error");
    }
    Finish();
    if (FChangedMeanwhile.empty()) break;
    // What the failed reading said belongs to a schema that is no more.
    MsgManager.Clear();
    FReadThrough = nullptr;  // its snapshot is the one that failed
    const std::string Text = ClassName() + ".ExtractDatabase(): The schema changed while it was " +
                             "read (" + FChangedMeanwhile + "); reading it again (" +
                             std::to_string(Attempt + 1) + " of " +
                             std::to_string(MaxCatalogReads) + ").";
    AddToLog(Text);
    FRereadMessages.push_back(Text);
  }
  for (const std::string& Text : FRereadMessages) GetMsgManager()->AddMsg(Text, mt_Wrn, nullptr);
  FRereadMessages.clear();
  return !FFailed && !FCancelled;
}

void TCustomDBExtract::RunExtraction() {
  if (FReadThrough)
    FQuery = FReadThrough->CreateQuery();
  else
    FQuery.reset(FConnection->CreateQuery(nullptr));
  ProcessMessages();
  // Every extraction opens the database anew, so that it reads the catalog as it is now and not
  // through a session an earlier run left in some state. Read through the comparer's
  // read-ahead, the catalog comes from the session that opened while the other side was read,
  // and this connection stays closed.
  FConnection->SetConnected(false);
  FConnection->SetIBServerOptions(GetObjs()->IBServerOptions);
  if (!FReadThrough) {
    // A refusal is reported below, once, with what was being done: the connection keeps it
    // for that (and hands it to a handler of its own) instead of showing it too.
    const bool Quiet = !FConnection->OnErrorMessage;
    if (Quiet) FConnection->OnErrorMessage = [](TObject*, const std::string&) {};
    try {
      FConnection->SetConnected(true);
    } catch (...) {
      if (Quiet) FConnection->OnErrorMessage = nullptr;
      throw;
    }
    if (Quiet) FConnection->OnErrorMessage = nullptr;
  }
  if (!FReadThrough && !FConnection->GetConnected()) {
    // The connection does not raise; it keeps the server's reason.
    std::string Reason = FConnection->GetLastError();
    if (Reason.empty()) Reason = "the connection gave no reason.";
    FFailed = true;
    DoErrorMessage(ClassName() + ".ExtractDatabase(): Cannot connect to " +
                   FConnection->GetDBConnectionString() + ": " + Reason);
    return;
  }
  if (!FQuery) throw EDatabaseError("The connection cannot make a query.");
  FQuery->SetParamCheck(false);
  ProcessMessages();
  // The whole catalog is read in one snapshot where the server has one: a table another session
  // drops or creates meanwhile is then either wholly there or wholly absent, never half read.
  // Elsewhere the catalog's version before and after the read tells whether it changed.
  const bool Snapshot = FReadThrough ? FReadThrough->Snapshot() : FConnection->StartReadSnapshot();
  FCurrentStep = "CatalogVersion";
  const std::string Before = Snapshot ? std::string() : CatalogVersion();
  ExtractDB();
  if (!FCancelled) EndCatalogRead(Snapshot, Before);
  if (FCancelled) {
    // What was read so far is a part of the schema: taking it for the whole would drop the rest.
    DoLogNextLine("< Extraction cancelled! >");
    DoErrorMessage(ClassName() + ".ExtractDatabase(): Extraction cancelled.");
  }
  ReportProgress(ProgressMaxValue);
}

void TCustomDBExtract::ProbeViews(
    TCustomObjs& Other, const std::function<bool(const TViwData&, const TViwData&)>& Differ,
    const TViewProbe& Probe) {
  TObjs* Own = GetObjs();
  auto* O = dynamic_cast<TObjs*>(&Other);
  TQELCustomConnection* Conn = GetQELConnection();
  if (!Own || !O || !Conn || O->ExtractFrom != efScript || O->GetDatabaseType() != DatabaseType)
    return;
  std::vector<std::pair<TViwData*, TViwData*>> Pairs;  // (read here, read from scripts)
  for (int I = 0; I < Own->Views.Count(); ++I) {
    auto* V = dynamic_cast<TViwData*>(Own->Views.Objects(I));
    auto* W = V ? dynamic_cast<TViwData*>(O->Views.FindObj(V->ObjKeyDef())) : nullptr;
    if (W && Differ(*V, *W)) Pairs.emplace_back(V, W);
  }
  if (Pairs.empty()) return;
  // Without the server the texts stay as written: compared, they differ.
  WithProbeQuery("Views not matched with the server's forms: ", [&](TQELQuery& Q) {
    for (auto [V, W] : Pairs) {
      try {
        Probe(Q, *V, *W);
      } catch (const std::exception& E) {
        // The database lacks what the view reads, or the text is no view: it is created anew.
        AddToLog("View " + W->GetObjName() + " not matched with the server's form: " + E.what());
      }
    }
  });
}

void TCustomDBExtract::WithProbeQuery(const std::string& What,
                                      const std::function<void(TQELQuery&)>& Run) {
  TQELCustomConnection* Conn = GetQELConnection();
  if (!Conn) return;
  std::unique_ptr<TQELQuery> Q;
  try {
    Conn->SetConnected(true);
    if (!Conn->GetConnected()) return;
    Q.reset(Conn->CreateQuery(nullptr));
    if (!Q) return;
    Q->SetParamCheck(false);
    Run(*Q);
  } catch (const std::exception& E) {
    AddToLog(What + E.what());
  }
  Q.reset();
  try {
    Conn->SetConnected(false);
  } catch (const std::exception&) {
  }
}

void TCustomDBExtract::KeepConnectionOptions() {
  TObjs* Objs = GetObjs();
  if (!Objs || !FConnection) return;
  const TConnectionOptions& From = FConnection->GetConnectionOptions();
  TConnectionOptions& To = Objs->ConnectionOptions;
  To.SetDatabaseName(From.GetDatabaseName());
  To.HostName = From.HostName;
  To.Port = From.Port;
  To.UserName = From.UserName;
  To.Password = From.Password;
}

std::unique_ptr<TQELQuery> TCustomDBExtract::DetailQuery(const std::vector<std::string>& Lines,
                                                         bool Params) {
  TQELCustomConnection* Conn = GetQELConnection();
  std::unique_ptr<TQELQuery> Q(Conn ? Conn->CreateQuery(nullptr) : nullptr);
  if (!Q) throw EDatabaseError("The connection cannot make a query.");
  if (!Params) Q->SetParamCheck(false);
  if (Lines.empty()) return Q;
  TStrings* SQL = Q->GetSQL();
  if (!SQL) throw EDatabaseError("The query of the connection takes no statement text.");
  for (const std::string& Line : Lines) SQL->Add(Line);
  return Q;
}

bool TCustomDBExtract::FileExtracted(std::unique_ptr<TDbObj> Obj, const std::string& LogName) {
  if (!Obj) return false;
  if (ShowFullLog) AddToLog("---" + (LogName.empty() ? Obj->GetObjName() : LogName));
  TObjs* Objs = GetObjs();
  if (!Objs) return false;
  // A key filed before the call tells a duplicate from an object the filter kept out. The
  // text is made first: the collection may free what it refuses.
  const TDbObjList* List = Objs->ListOf(Obj.get());
  const std::string Refused =
      List && List->FindObj(Obj->ObjKeyDef()) ? RefusedText(*Obj) : std::string();
  const bool Filed = Objs->AddObj(std::move(Obj));
  if (!Filed && !Refused.empty()) ReportRefused(Refused);
  ProcessMessages();
  return Filed;
}

bool TCustomDBExtract::FileExtracted(std::unique_ptr<TDbObj> Obj, TDbObjList& List) {
  if (!Obj) return false;
  const bool Filed = List.Add(Obj->ObjKeyDef(), Obj.get());
  if (Filed)
    (void)Obj.release();  // the list owns it now
  else
    ReportRefused(RefusedText(*Obj));
  ProcessMessages();
  return Filed;
}

std::string TCustomDBExtract::RefusedText(const TDbObj& Obj) {
  // Lists of dialects whose names fold case (ASE keeps Orders and ORDERS apart) read two tables
  // as one.
  if (Obj.Kind == kindTable && Obj.Owner)
    if (std::string Twin = Obj.Owner->CaseTwinWarning(Obj, "Tables"); !Twin.empty()) return Twin;
  const std::string& Schema = Obj.GetSchema();
  // The kind leads, as in the extractors' other notes ("Enum type public.mood passed over.").
  std::string Text(KindName(Obj.Kind));
  Text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(Text[0])));
  Text.append(" ")
      .append(Schema.empty() ? std::string() : Schema + ".")
      .append(Obj.GetObjName())
      .append(" passed over: an object of that name was read already");
  // Where keys leave the schema out (PostgreSQL files most kinds under their names alone), the
  // object filed first stands in another schema.
  if (!Schema.empty() && !KeysCarrySchema(Obj.GetDatabaseType())) Text += " in another schema";
  return Text + ".";
}

void TCustomDBExtract::ReportRefused(const std::string& Text) {
  AddToLog(Text);
  GetMsgManager()->AddMsg(Text, mt_Wrn, nullptr);
}

void TCustomDBExtract::EndCatalogRead(bool Snapshot, const std::string& Before) {
  if (Snapshot) {
    FCurrentStep = "ExtractDatabase";
    // Read only: ends the snapshot.
    if (FReadThrough)
      FReadThrough->Commit();
    else
      FConnection->Commit();
    return;
  }
  if (Before.empty() || HeldStill()) return;
  FCurrentStep = "CatalogVersion";
  if (CatalogVersion() == Before) return;
  if (FMayReadAgain) {
    FChangedMeanwhile = "its catalog version moved on";
    return;
  }
  FFailed = true;
  DoErrorMessage(ClassName() +
                 ".ExtractDatabase(): The schema changed while it was read (another session "
                 "created, dropped or altered objects meanwhile), so what was read may not fit "
                 "together. Run the extraction again.");
}

void TCustomDBExtract::ReportStepFailure(const std::string& Text) {
  FFailed = true;
  DoErrorMessage(ClassName() + "." + FCurrentStep + "(): " + Text);
}

void TCustomDBExtract::Finish() {
  try {
    if (FConnection) FConnection->SetConnected(false);
  } catch (const std::exception& E) {
    // Closing failed after the catalog was read; the schema read is complete, but say so.
    DoLogNextLine(ClassName() + ".ExtractDatabase(): Cannot disconnect: " + E.what());
  } catch (...) {
    DoLogNextLine(ClassName() + ".ExtractDatabase(): Cannot disconnect.");
  }
  FQuery.reset();
  FCurrentStep.clear();
}

void TCustomDBExtract::ExtractDB() {
  const std::vector<TDBExtractStep> Steps = ExtractSteps();
  const TCmpObjSetType Kinds = GetCompareObjects();
  auto RunPosition = [&](int Position) {
    for (const TDBExtractStep& Step : Steps) {
      if (Step.Position != Position || (Step.Gated && !Kinds.Contains(Step.Kind))) continue;
      FCurrentStep = Step.Name;
      if (Step.Run) Step.Run();
    }
  };
  RunPosition(0);
  for (int K = 1; K <= LastStepPosition; ++K) {
    ReportProgress(K);
    if (TerminateRunning.load()) {
      FCancelled = true;
      return;
    }
    RunPosition(K);
  }
  FCurrentStep = "ParseBodies";
  ParseBodies();
  ReportProgress(ProgressMaxValue);
}

void TCustomDBExtract::ParseObjText(TCustomParser& Parser, TDbObj& Obj) {
  (void)Parser;
  (void)Obj;
}

void TCustomDBExtract::ParseBodies() {
  AddToLog(ParseBodiesLogLine());
  std::unique_ptr<TCustomParser> Parser = CreateBodyParser();
  if (!Parser) return;
  // Parse errors reach the same handler as the extractor's own errors.
  Parser->OnErrorMessage = GetOnErrorMessage();
  TObjs* Objs = GetObjs();
  for (TDbObjList TObjs::*Member : BodyLists()) {
    if (!Objs) break;
    TDbObjList& List = Objs->*Member;
    for (int I = 0; I < List.Count(); ++I) {
      if (TDbObj* Obj = List.Objects(I)) ParseObjText(*Parser, *Obj);
      ProcessMessages();
    }
  }
  AddToLog("Linking dependencies...");
  Parser->Link_Depend();
  MsgManager.CopyFrom(&Parser->MsgManager);
}

}  // namespace qel
