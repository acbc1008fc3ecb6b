// The script extractor base: reads a schema from DDL script files (or texts the host supplies)
// through a dialect parser into the linked schema holder, then links the dependencies of the
// whole schema once.
#pragma once

#include <memory>
#include <string>

#include "Strings.h"
#include "qelClasses.h"
#include "qelParser.h"

namespace qel {

/// The file names as one string: each name in double quotes, one blank between names.
std::string FileNamesToString(const TStrings& List);
/// Fills List from a file-name string. A value that begins with a double quote and holds a
/// blank is a list of quoted names (text outside the quotes, and an unclosed last name, are
/// dropped); any other value is one name, from which a pair of enclosing double quotes is
/// removed. Each name is expanded: "*" and "?" in its last part match the files of its folder,
/// sorted, each written as the name's folder part + the file's name. A name that matches no
/// file is kept as written, so that the extraction reports it as missing.
void StringToFileNames(const std::string& Value, TStrings& List);

/// The base of the dialect script extractors, which only choose the dialect (constructor) and
/// the parser (CreateParser).
///
/// Messages: the parser's message list is the extraction's list (GetMsgManager); the errors the
/// extractor reports itself (no holder, no file names, a missing file, a script not loaded) go
/// into it too, so that whoever reads the list (the comparer) learns of every problem, and any
/// of them makes the extraction fail.
class TCustomScriptExtract : public TCustomExtract {
 public:
  explicit TCustomScriptExtract(TComponent* AOwner);
  ~TCustomScriptExtract() override;

  /// The text of the script being read.
  TStringList ScriptText;
  /// A script read from a file is also kept as lines in ScriptText. A host that never reads
  /// them turns this off: the script is then held once, by the parser, while it is read.
  bool KeepScriptText = true;
  /// Supplies the text of a script instead of the file system: the handler fills aScript and
  /// sets Loaded.
  TLoadScriptEvent OnLoadScript;

  const std::string& GetScriptFileName() const { return FScriptFileName; }
  /// Stores Value and rebuilds the file list from it (StringToFileNames).
  void SetScriptFileName(const std::string& Value);
  const TStringList& GetScriptFileNames() const { return FScriptFileNames; }
  /// Copies List and writes the file-name string from it (FileNamesToString).
  void SetScriptFileNames(const TStrings& List);
  /// The parser over the holder's collection; exists exactly while a holder is linked.
  TCustomParser* GetParser() const { return FParser.get(); }

  void SetOnProgressUpdate(TProgressUpdateEvent Event) override;
  void SetOnErrorMessage(TErrorMessageEvent Event) override;
  void SetOnLogNextLine(TLogNextLineEvent Event) override;
  /// Links the holder and makes a new parser over its collection.
  void SetDBStructure(TCustomDBStructure* Structure) override;
  /// The parser's message list; the extractor's own list while there is no parser.
  TMsgManager* GetMsgManager() override;
  /// Also records the error in the parser's message list.
  void DoErrorMessage(const std::string& ErrText) override;
  /// Reads every script of the file list into the holder's collection and, when all were read
  /// without error, links their dependencies. True on success.
  bool ExtractDatabase() override;
  /// Reads the given text into the holder's collection (named by ScriptFileName in messages)
  /// and links its dependencies. True on success.
  bool ExtractDatabase(const TStrings& Lines);

  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  /// The parser of the dialect over the holder's collection; the base makes a plain
  /// TCustomParser. Called only while a holder is linked.
  virtual std::unique_ptr<TCustomParser> CreateParser();
  /// Runs after the collection is prepared and before the first script is parsed.
  virtual void DoBeforeScriptsExtract() {}
  /// The collection of the linked holder; nullptr without a holder or a collection.
  TCustomObjs* HolderObjs() const;

 private:
  /// Empties the holder and the message lists and prepares the collection for scripts; false
  /// (reported) without a holder.
  bool PrepareExtraction(bool ClearScriptText);
  /// Loads one script into ScriptText (and, read from a file, its bytes into FScriptBytes);
  /// reports a missing file. True when loaded.
  bool LoadScript(const std::string& FileName);

  std::string FScriptFileName;
  /// The bytes of the script file last loaded, line breaks as written; empty when a load
  /// handler supplied the script as lines.
  std::string FScriptBytes;
  bool FHaveScriptBytes = false;
  TStringList FScriptFileNames;
  std::unique_ptr<TCustomParser> FParser;
};

/// The script extractor of one dialect: DatabaseType is DB and the parser a TParser over the
/// holder's collection. Each dialect names its extractor by deriving from this and inheriting
/// the constructor, so that messages keep showing the dialect's own class name (ClassName).
template <class TParser, TDatabaseType DB>
class TScriptExtractFor : public TCustomScriptExtract {
 public:
  explicit TScriptExtractFor(TComponent* AOwner) : TCustomScriptExtract(AOwner) {
    DatabaseType = DB;
  }

 protected:
  std::unique_ptr<TCustomParser> CreateParser() override {
    TCustomObjs* Objs = HolderObjs();
    return Objs ? std::make_unique<TParser>(Objs) : nullptr;
  }
};

}  // namespace qel
