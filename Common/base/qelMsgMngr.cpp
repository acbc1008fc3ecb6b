// The message list: adding messages with their script position, counting by type, the summary.
#include "qelMsgMngr.h"

namespace qel {

TMsgData& TMsgManager::Append(const std::string& aText, TMsgType aType) {
  auto Msg = std::make_unique<TMsgData>();
  Msg->Text = aText;
  Msg->MsgType = aType;
  FItems.push_back(std::move(Msg));
  return *FItems.back();
}

void TMsgManager::AddMsg(const std::string& aText, TMsgType aType, TObject* aObj) {
  Append(aText, aType).Obj = aObj;
}

void TMsgManager::AddScriptMsg(const std::string& aText, const std::string& aScriptName,
                               std::int32_t aColumn, std::int32_t aLine, TMsgType aType) {
  TMsgData& Msg = Append(aText, aType);
  Msg.ScriptName = aScriptName;
  Msg.Column = aColumn;
  Msg.Line = aLine;
}

void TMsgManager::AddObjMsg(const std::string& aText, TObject* aObj, std::int32_t aColumn,
                            std::int32_t aLine, TMsgType aType) {
  TMsgData& Msg = Append(aText, aType);
  Msg.Obj = aObj;
  Msg.Column = aColumn;
  Msg.Line = aLine;
}

bool TMsgManager::Get_IsMsg(TMsgType aType) const {
  for (const auto& Msg : FItems)
    if (Msg->MsgType == aType) return true;
  return false;
}

int TMsgManager::Get_MsgCount(TMsgSetType aTypes) const {
  int N = 0;
  for (const auto& Msg : FItems)
    if (aTypes.Contains(Msg->MsgType)) ++N;
  return N;
}

void TMsgManager::CopyFrom(const TMsgManager* Source) {
  // Copying a list into itself must not walk a list that grows under it.
  if (!Source) return;
  const std::size_t N = Source->FItems.size();
  FItems.reserve(FItems.size() + N);
  for (std::size_t I = 0; I < N; ++I)
    FItems.push_back(std::make_unique<TMsgData>(*Source->FItems[I]));
}

std::string TMsgManager::ErrSummary() const {
  std::string R;
  bool First = true;
  for (const auto& Msg : FItems) {
    if (Msg->MsgType != mt_Err) continue;
    if (!First) R += "\r\n";
    R += Msg->Text;
    First = false;
  }
  return R;
}

}  // namespace qel
