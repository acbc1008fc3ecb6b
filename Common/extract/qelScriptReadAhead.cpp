// Reading one side's scripts on a thread of its own: the held events and their replay.
#include "qelScriptReadAhead.h"

#include <system_error>
#include <utility>

#include "qelMsg.h"

namespace qel {

TScriptReadAhead::TScriptReadAhead(TCustomScriptExtract& Extractor) : FExtractor(Extractor) {}

std::unique_ptr<TScriptReadAhead> TScriptReadAhead::Start(TCustomScriptExtract& Extractor) {
  std::unique_ptr<TScriptReadAhead> Ahead(new TScriptReadAhead(Extractor));
  Ahead->Divert();
  try {
    Ahead->FWorker = std::thread([A = Ahead.get()] {
      try {
        A->FResult = A->FExtractor.ExtractDatabase();
      } catch (...) {
        A->FError = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    Ahead->Stop();  // no thread: the handlers go back, the caller reads on its own thread
    return nullptr;
  }
  return Ahead;
}

TScriptReadAhead::~TScriptReadAhead() {
  Stop();
}

void TScriptReadAhead::Divert() {
  // A handler left empty stays empty: a reader skips building a log line nobody takes, and
  // a recorder in its place would change what the reader does.
  FOnProgressUpdate = FExtractor.GetOnProgressUpdate();
  if (FOnProgressUpdate)
    FExtractor.SetOnProgressUpdate([this](TObject* Sender, int Value, int MaxValue) {
      FEvents.push_back({TEvent::evProgress, Sender, {}, Value, MaxValue});
    });
  FOnProgressUpdateEx = FExtractor.OnProgressUpdateEx;
  if (FOnProgressUpdateEx)
    FExtractor.OnProgressUpdateEx = [this](TObject* Sender, bool Detailed, const std::string& Text,
                                           int Value, int MaxValue) {
      FEvents.push_back({TEvent::evProgressEx, Sender, Text, Value, MaxValue, Detailed});
    };
  FOnLogNextLine = FExtractor.GetOnLogNextLine();
  if (FOnLogNextLine)
    FExtractor.SetOnLogNextLine([this](TObject* Sender, const std::string& Text) {
      FEvents.push_back({TEvent::evLog, Sender, Text});
    });
  FOnDebugMessage = FExtractor.OnDebugMessage;
  if (FOnDebugMessage) {
    FExtractor.OnDebugMessage = [this](TObject* Sender, const std::string& Text) {
      FEvents.push_back({TEvent::evDebug, Sender, Text});
    };
    if (TCustomParser* Parser = FExtractor.GetParser())
      Parser->OnDebugMessage = FExtractor.OnDebugMessage;
  }
  // An error without a handler is a message box: held too, it must not open on the reader.
  FOnErrorMessage = FExtractor.GetOnErrorMessage();
  FExtractor.SetOnErrorMessage([this](TObject* Sender, const std::string& Text) {
    FEvents.push_back({TEvent::evError, Sender, Text});
  });
}

void TScriptReadAhead::Stop() {
  if (FStopped) return;
  FStopped = true;
  if (FWorker.joinable()) FWorker.join();
  if (FOnProgressUpdate) FExtractor.SetOnProgressUpdate(FOnProgressUpdate);
  if (FOnProgressUpdateEx) FExtractor.OnProgressUpdateEx = FOnProgressUpdateEx;
  if (FOnLogNextLine) FExtractor.SetOnLogNextLine(FOnLogNextLine);
  if (FOnDebugMessage) {
    FExtractor.OnDebugMessage = FOnDebugMessage;
    if (TCustomParser* Parser = FExtractor.GetParser()) Parser->OnDebugMessage = FOnDebugMessage;
  }
  FExtractor.SetOnErrorMessage(FOnErrorMessage);
}

bool TScriptReadAhead::Finish() {
  Stop();
  const TObject* Parser = FExtractor.GetParser();
  for (const TEvent& E : FEvents) {
    switch (E.Kind) {
      case TEvent::evProgress:
        FOnProgressUpdate(E.Sender, E.Value, E.MaxValue);
        break;
      case TEvent::evProgressEx:
        FOnProgressUpdateEx(E.Sender, E.Detailed, E.Text, E.Value, E.MaxValue);
        break;
      case TEvent::evLog:
        FOnLogNextLine(E.Sender, E.Text);
        break;
      case TEvent::evDebug:
        FOnDebugMessage(E.Sender, E.Text);
        break;
      case TEvent::evError:
        // As the sender would have shown it: the parser's box says "Error: " first.
        if (FOnErrorMessage)
          FOnErrorMessage(E.Sender, E.Text);
        else
          ShowMessage(E.Sender == Parser ? "Error: " + E.Text : E.Text);
        break;
    }
  }
  FEvents.clear();
  if (FError) std::rethrow_exception(std::exchange(FError, nullptr));
  return FResult;
}

}  // namespace qel
