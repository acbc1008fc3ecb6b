// What the executor tests of the script dialects share: an executor over a replayed server,
// with the log lines and errors it reports collected.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ReplayAdapter.h"
#include "qelDBStructure.h"

namespace qel::testing {

/// An executor of type TExec over a replayed server of dialect DB answering Text (named Name),
/// registered as AdapterName for connections of type Conn.
template <class TExec>
struct TExecReplayRun {
  TExecReplayRun(const std::string& Text, const char* Name, const char* AdapterName,
                 TconnectionType Conn, TDatabaseType DB) {
    auto Fixture = std::make_shared<replay::TReplayFixture>();
    Fixture->LoadFromText(Text, Name);
    Adapter = std::make_unique<replay::TScopedReplayAdapter>(AdapterName, Conn, Fixture);
    C = std::make_unique<TQELConnection>(nullptr);
    C->SetConnectionType(Conn);
    C->SetDatabaseType(DB);
    E.SetConnection(C.get());
    E.OnLogNextLine = [this](TObject*, const std::string& T) { Log.push_back(T); };
    E.OnErrorMessage = [this](TObject*, const std::string& T) { Errors.push_back(T); };
  }
  replay::TReplayDatabase& Db() {
    return dynamic_cast<replay::TReplayDatabase&>(*C->GetDatabase());
  }

  std::unique_ptr<replay::TScopedReplayAdapter> Adapter;
  std::unique_ptr<TQELConnection> C;
  TExec E{nullptr};
  std::vector<std::string> Log, Errors;
};

}  // namespace qel::testing
