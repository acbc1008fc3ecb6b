// The script extractor base: script file lists, loading the texts and parsing them into a schema.
#include "qelCustomScriptExtract.h"

#include <string_view>
#include <system_error>
#include <vector>

#include "Files.h"

namespace qel {

namespace {

// Adds the files Name stands for, or Name itself when it stands for none: a mistyped name must
// reach the extraction and fail it there, not vanish and leave a schema without its objects.
void AddExpanded(const std::string& Name, TStrings& List) {
  const std::vector<std::string> Found = FindFiles(Name);
  if (Found.empty()) {
    List.Add(Name);
    return;
  }
  for (const std::string& FileName : Found) List.Add(FileName);
}

}  // namespace

std::string FileNamesToString(const TStrings& List) {
  std::string Result;
  for (const std::string& Name : List) {
    if (!Result.empty()) Result += ' ';
    Result += '"' + Name + '"';
  }
  return Result;
}

void StringToFileNames(const std::string& Value, TStrings& List) {
  List.Clear();
  if (Value.empty()) return;
  if (Value.front() == '"' && Value.find(' ') != std::string::npos) {
    bool InQuotes = false;
    std::string Name;
    for (const char C : Value) {
      if (!InQuotes) {
        InQuotes = C == '"';
        Name.clear();
      } else if (C != '"') {
        Name += C;
      } else {
        InQuotes = false;
        if (!Name.empty()) AddExpanded(Name, List);
      }
    }
    return;
  }
  std::string Name = Value;
  if (Name.size() >= 2 && Name.front() == '"' && Name.back() == '"')
    Name = Name.substr(1, Name.size() - 2);
  if (!Name.empty()) AddExpanded(Name, List);
}

// ---------------------------------------------------------------------------------------------
// TCustomScriptExtract

TCustomScriptExtract::TCustomScriptExtract(TComponent* AOwner) : TCustomExtract(AOwner) {}

TCustomScriptExtract::~TCustomScriptExtract() {
  FParser.reset();
}

void TCustomScriptExtract::SetScriptFileName(const std::string& Value) {
  FScriptFileName = Value;
  StringToFileNames(Value, FScriptFileNames);
}

void TCustomScriptExtract::SetScriptFileNames(const TStrings& List) {
  FScriptFileNames.Assign(List);
  FScriptFileName = FileNamesToString(FScriptFileNames);
}

// The parser got the handlers when it was made; a handler replaced later must reach it too, or
// it would go on calling the former one.
void TCustomScriptExtract::SetOnProgressUpdate(TProgressUpdateEvent Event) {
  TCustomExtract::SetOnProgressUpdate(std::move(Event));
  if (FParser) FParser->OnProgressUpdate = GetOnProgressUpdate();
}

void TCustomScriptExtract::SetOnErrorMessage(TErrorMessageEvent Event) {
  TCustomExtract::SetOnErrorMessage(std::move(Event));
  if (FParser) FParser->OnErrorMessage = GetOnErrorMessage();
}

void TCustomScriptExtract::SetOnLogNextLine(TLogNextLineEvent Event) {
  TCustomExtract::SetOnLogNextLine(std::move(Event));
  if (FParser) FParser->OnLogNextLine = GetOnLogNextLine();
}

void TCustomScriptExtract::SetDBStructure(TCustomDBStructure* Structure) {
  FParser.reset();
  TCustomExtract::SetDBStructure(Structure);
  if (!GetDBStructure()) return;
  FParser = CreateParser();
  if (!FParser) return;
  FParser->OnErrorMessage = GetOnErrorMessage();
  FParser->OnLogNextLine = GetOnLogNextLine();
  FParser->OnDebugMessage = OnDebugMessage;
  FParser->OnProgressUpdate = GetOnProgressUpdate();
}

TMsgManager* TCustomScriptExtract::GetMsgManager() {
  return FParser ? &FParser->MsgManager : &MsgManager;
}

void TCustomScriptExtract::DoErrorMessage(const std::string& ErrText) {
  TCustomExtract::DoErrorMessage(ErrText);
  if (FParser) FParser->MsgManager.AddMsg(ErrText, mt_Err, nullptr);
}

std::unique_ptr<TCustomParser> TCustomScriptExtract::CreateParser() {
  TCustomObjs* Objs = HolderObjs();
  return Objs ? std::make_unique<TCustomParser>(Objs) : nullptr;
}

TCustomObjs* TCustomScriptExtract::HolderObjs() const {
  TCustomDBStructure* Holder = GetDBStructure();
  return Holder ? Holder->GetObjs() : nullptr;
}

void TCustomScriptExtract::Notification(TComponent* AComponent, TOperation Operation) {
  // The parser reads into the holder's collection, which goes with the holder.
  if (Operation == opRemove && AComponent && AComponent == GetDBStructure()) FParser.reset();
  TCustomExtract::Notification(AComponent, Operation);
}

bool TCustomScriptExtract::PrepareExtraction(bool ClearScriptText) {
  MsgManager.Clear();
  TCustomDBStructure* Holder = GetDBStructure();
  if (!Holder || !Holder->GetObjs() || !FParser) {
    DoErrorMessage("DBStructure not assigned. (" + ClassName() + ") " + Name);
    return false;
  }
  Holder->Clear();
  Holder->GetObjs()->ExtractFrom = efScript;
  if (ClearScriptText) ScriptText.Clear();
  FParser->MsgManager.Clear();
  FParser->ForgetKeyPlaces();
  Holder->SetDatabaseType(DatabaseType);
  DoBeforeScriptsExtract();
  return true;
}

bool TCustomScriptExtract::LoadScript(const std::string& FileName) {
  bool Loaded = false;
  FScriptBytes.clear();
  FHaveScriptBytes = false;
  std::error_code Error;
  if (OnLoadScript) {
    OnLoadScript(this, FileName, &ScriptText, Loaded);
  } else if (ReadFileToString(FileName, FScriptBytes, Error)) {
    // The parser reads the bytes themselves: split into lines and joined again, a script
    // written with LF line ends would reach the server with CR LF inside its bodies and
    // literals. A leading UTF-8 byte-order mark is no part of the text.
    static constexpr std::string_view Bom = "\xEF\xBB\xBF";
    if (std::string_view(FScriptBytes).substr(0, Bom.size()) == Bom)
      FScriptBytes.erase(0, Bom.size());
    if (KeepScriptText) ScriptText.SetText(FScriptBytes);
    FHaveScriptBytes = Loaded = true;
  }
  if (Loaded) return true;
  if (Error == std::errc::no_such_file_or_directory)
    DoErrorMessage("File not found: " + FileName);
  else if (Error)
    // The system's reason: a folder named by mistake, a file the user may not read ...
    DoErrorMessage("Script not load: " + FileName + " (" + Error.message() + ")");
  else
    DoErrorMessage("Script not load: " + FileName);
  return false;
}

bool TCustomScriptExtract::ExtractDatabase() {
  if (!PrepareExtraction(true)) return false;
  if (FScriptFileNames.Empty()) {
    DoErrorMessage("ScriptFileName(s) is empty. (" + ClassName() + ") " + Name);
    return false;
  }
  bool Result = true;
  // A copy: a load handler may set new file names while the list is walked.
  const TStringList FileNames(FScriptFileNames);
  for (const std::string& FileName : FileNames) {
    const bool Loaded = LoadScript(FileName);
    // The load handler is host code; should it have unlinked the holder, stop here.
    if (!FParser || !GetDBStructure()) return false;
    if (Loaded) {
      FParser->ScriptName = FileName;
      if (FHaveScriptBytes) {
        // The parser takes the bytes over; the objects hold what they need of them.
        FParser->ParseOwnScriptText(std::move(FScriptBytes), GetDBStructure()->GetObjs());
        std::string().swap(FScriptBytes);  // assigning an empty text would keep the buffer
      } else
        FParser->ParseScript(ScriptText, GetDBStructure()->GetObjs());
    } else {
      // A script that cannot be read fails the extraction like one that does not parse: the
      // schema would lack its objects.
      Result = false;
    }
    Result = Result && !FParser->MsgManager.GetIsErr();
  }
  if (!Result) return false;
  // A key may stand in a script read before its table's: known only now.
  FParser->TestKeyTables();
  if (FParser->MsgManager.GetIsErr()) return false;
  FParser->Link_Depend();
  return true;
}

bool TCustomScriptExtract::ExtractDatabase(const TStrings& Lines) {
  // Lines may be ScriptText itself: it is kept.
  if (!PrepareExtraction(false)) return false;
  FParser->ScriptName = FScriptFileName;
  FParser->ParseScript(Lines, GetDBStructure()->GetObjs());
  if (!FParser->MsgManager.GetIsErr()) FParser->TestKeyTables();
  if (FParser->MsgManager.GetIsErr()) return false;
  FParser->Link_Depend();
  return true;
}

}  // namespace qel
