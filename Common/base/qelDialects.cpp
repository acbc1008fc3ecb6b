#include "qelDialects.h"

#include <algorithm>
#include <utility>

#include "Text.h"

namespace qel {

namespace {

bool Named(const TDialect& D, std::string_view Name) {
  if (SameText(D.Name, Name)) return true;
  return std::any_of(D.Aliases.begin(), D.Aliases.end(),
                     [&](const std::string& A) { return SameText(A, Name); });
}

}  // namespace

bool TDialectList::Add(TDialect D) {
  if (D.Name.empty()) return false;
  std::lock_guard Guard(FLock);
  for (const auto& Item : FItems) {
    if (Named(*Item, D.Name)) return false;
    for (const std::string& A : D.Aliases)
      if (Named(*Item, A)) return false;
  }
  FItems.push_back(std::make_unique<TDialect>(std::move(D)));
  const TDialect* Added = FItems.back().get();
  const TDialect* None = nullptr;
  FByType[Added->DatabaseType].compare_exchange_strong(None, Added);
  return true;
}

const TDialect* TDialectList::Find(std::string_view Name) const {
  std::lock_guard Guard(FLock);
  for (const auto& Item : FItems)
    if (Named(*Item, Name)) return Item.get();
  return nullptr;
}

const TDialect* TDialectList::Find(TDatabaseType DatabaseType) const {
  return FByType[DatabaseType].load(std::memory_order_acquire);
}

std::vector<const TDialect*> TDialectList::All() const {
  std::lock_guard Guard(FLock);
  std::vector<const TDialect*> R;
  for (const auto& Item : FItems) R.push_back(Item.get());
  return R;
}

TDialectList& Dialects() {
  static TDialectList& List = []() -> TDialectList& {
    static TDialectList L;
    AddBuiltInDialects(L);
    return L;
  }();
  return List;
}

bool RegisterDialect(TDialect D) {
  return Dialects().Add(std::move(D));
}

const TDialect* FindDialect(std::string_view Name) {
  return Dialects().Find(Name);
}

const TDialect* FindDialect(TDatabaseType DatabaseType) {
  return Dialects().Find(DatabaseType);
}

TNameScopes NameScopesOf(TDatabaseType DatabaseType) {
  const TDialect* D = FindDialect(DatabaseType);
  return D ? D->NameScopes : TNameScopes();
}

std::string Quote_Ident(const std::string& S, TDatabaseType DatabaseType,
                        TIBSQLServerVersionType ServerVersion, std::int8_t SQLDialect) {
  const TDialect* D = FindDialect(DatabaseType);
  return D && D->QuoteIdent ? D->QuoteIdent(S, ServerVersion, SQLDialect) : S;
}

std::string TrueFalseLiteral(bool Value) {
  return Value ? "TRUE" : "FALSE";
}

std::string OneZeroLiteral(bool Value) {
  return Value ? "1" : "0";
}

std::string MinusOneZeroLiteral(bool Value) {
  return Value ? "-1" : "0";
}

std::string XQuotedHex(const std::string& Hex) {
  return "X'" + Hex + "'";
}

std::string ZeroXHex(const std::string& Hex) {
  return "0x" + Hex;
}

void SetRowForms(TDialect& D, std::string (*Boolean)(bool),
                 std::string (*Binary)(const std::string&), int (*TimeDigits)(int),
                 std::string NegativeZero, std::size_t StatementLimit) {
  D.BooleanLiteral = Boolean;
  D.BinaryLiteral = Binary;
  D.TimeFractionDigits = TimeDigits;
  D.StatementLimit = StatementLimit;
  D.NegativeZero = std::move(NegativeZero);
}

TLexicalRules LexicalRulesOf(TDatabaseType Type) {
  const TDialect* D = FindDialect(Type);
  return D ? D->Lexical : TLexicalRules{};
}

}  // namespace qel
