// Reading one side's scripts on a thread of its own while the caller reads the other side's.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "qelCustomScriptExtract.h"

namespace qel {

/// Runs a script extractor's ExtractDatabase on a second thread. The reader calls no host code:
/// the progress, log, debug and error events of the extractor, its parser and its collection
/// are held in the order they come, and Finish fires them on the caller's thread, where a run
/// on that thread would have fired them. An error without a handler, which would have been a
/// message box, is held and shown the same way.
///
/// From Start to Finish (or the destructor) the extractor, its holder and the holder's
/// collection belong to the reader: nothing else may touch them. Whoever starts one makes sure
/// no host code answers the reader synchronously (OnLoadScript, the accept filters, the
/// collection's own log) - those cannot wait.
class TScriptReadAhead {
 public:
  /// Starts reading with Extractor, already linked to its holder. nullptr (and nothing
  /// changed) when no thread can be had.
  static std::unique_ptr<TScriptReadAhead> Start(TCustomScriptExtract& Extractor);
  /// Waits for the reader and puts the extractor's handlers back; the held events are dropped.
  ~TScriptReadAhead();
  TScriptReadAhead(const TScriptReadAhead&) = delete;
  TScriptReadAhead& operator=(const TScriptReadAhead&) = delete;

  /// Waits for the reader, puts the extractor's handlers back and fires the held events in
  /// their order; returns what ExtractDatabase returned, or throws what it threw.
  bool Finish();

 private:
  explicit TScriptReadAhead(TCustomScriptExtract& Extractor);

  /// One held event: which handler, its sender and its arguments.
  struct TEvent {
    enum TKind : std::uint8_t { evProgress, evProgressEx, evLog, evDebug, evError } Kind;
    TObject* Sender = nullptr;
    std::string Text;
    int Value = 0;
    int MaxValue = 0;
    bool Detailed = false;
  };

  /// Puts the recorders in place of the handlers the extractor has.
  void Divert();
  /// Joins the thread and puts the host's handlers back (once).
  void Stop();

  TCustomScriptExtract& FExtractor;
  TProgressUpdateEvent FOnProgressUpdate;
  TProgressUpdateExEvent FOnProgressUpdateEx;
  TLogNextLineEvent FOnLogNextLine;
  TLogNextLineEvent FOnDebugMessage;
  TErrorMessageEvent FOnErrorMessage;
  /// Written by the reader only, read by the caller after the join.
  std::vector<TEvent> FEvents;
  bool FResult = false;
  std::exception_ptr FError;
  bool FStopped = false;
  std::thread FWorker;
};

}  // namespace qel
