// Message lists: parsers, extractors, executors and comparers collect the problems they meet
// here instead of stopping, and callers decide by the presence of errors.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Component.h"
#include "qelTypes.h"

namespace qel {

enum TMsgType : std::uint8_t { mt_Inf, mt_Wrn, mt_Err };
using TMsgSetType = TSet<TMsgType, 3>;

/// One message: text, severity and, where known, the script position or the object it is about.
class TMsgData {
 public:
  std::string Text;
  TMsgType MsgType = mt_Inf;
  std::string ScriptName;   ///< script (file) the message refers to; empty when none
  std::int32_t Column = 0;  ///< from 1; 0 when not given
  std::int32_t Line = 0;    ///< from 1; 0 when not given
  TObject* Obj = nullptr;   ///< the object concerned; not owned

  void Assign(const TMsgData& Source) { *this = Source; }
};

/// An owning list of messages in the order they were added.
class TMsgManager {
 public:
  TMsgManager() = default;
  TMsgManager(const TMsgManager&) = delete;
  TMsgManager& operator=(const TMsgManager&) = delete;

  void Clear() { FItems.clear(); }

  void AddMsg(const std::string& aText, TMsgType aType, TObject* aObj = nullptr);
  void AddScriptMsg(const std::string& aText, const std::string& aScriptName, std::int32_t aColumn,
                    std::int32_t aLine, TMsgType aType);
  void AddObjMsg(const std::string& aText, TObject* aObj, std::int32_t aColumn, std::int32_t aLine,
                 TMsgType aType);

  bool Get_IsMsg(TMsgType aType) const;
  bool GetIsErr() const { return Get_IsMsg(mt_Err); }
  bool GetIsWrn() const { return Get_IsMsg(mt_Wrn); }
  bool GetIsInf() const { return Get_IsMsg(mt_Inf); }
  bool GetIsMsg() const { return !FItems.empty(); }

  int Get_MsgCount(TMsgSetType aTypes) const;
  int GetMsgCount() const { return static_cast<int>(FItems.size()); }
  int GetErrCount() const { return Get_MsgCount({mt_Err}); }
  int GetWrnCount() const { return Get_MsgCount({mt_Wrn}); }
  int GetInfCount() const { return Get_MsgCount({mt_Inf}); }

  /// Message Index (0 .. GetMsgCount()-1) in the order added.
  const TMsgData& Items(int Index) const { return *FItems.at(static_cast<std::size_t>(Index)); }

  /// Appends a copy of each of Source's messages in Source's order; nil does nothing.
  void CopyFrom(const TMsgManager* Source);

  /// The texts of all errors, joined by line breaks.
  std::string ErrSummary() const;

 private:
  TMsgData& Append(const std::string& aText, TMsgType aType);
  std::vector<std::unique_ptr<TMsgData>> FItems;
};

}  // namespace qel
