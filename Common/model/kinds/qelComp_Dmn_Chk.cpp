// The CHECKs of a PostgreSQL domain: the names the server gives them, the comparison of a
// catalog's text with a script's, and their alteration in place. A changed check is dropped
// and added again on the domain itself: dropping the domain would take its columns, and their
// rows, with it.
#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "Text.h"
#include "qelComp_Dmn.h"

namespace qel {

namespace {

/// The longest name the server keeps (NAMEDATALEN - 1); it cuts longer ones.
constexpr std::size_t kPGNameBytes = 63;

bool IsWordStart(char C) {
  return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || C == '_' ||
         static_cast<unsigned char>(C) >= 0x80;
}
bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}
bool IsWordChar(char C) {
  return IsWordStart(C) || IsDigit(C) || C == '$';
}
bool IsOperatorChar(char C) {
  return std::string_view("+-*/<>=~!@#%^&|`?").find(C) != std::string_view::npos;
}

enum class TTok { Word, Number, String, Quoted, LParen, RParen, Cast, Other };

struct TToken {
  TTok Kind;
  std::string Text;
};

/// The condition as tokens; words in lower case, white space dropped.
std::vector<TToken> Tokens(const std::string& S) {
  std::vector<TToken> R;
  std::size_t I = 0;
  while (I < S.size()) {
    const char C = S[I];
    const std::size_t From = I;
    if (C == ' ' || C == '\t' || C == '\r' || C == '\n') {
      ++I;
    } else if (C == '\'' || C == '"') {
      // A doubled quote stays inside the literal.
      for (++I; I < S.size(); ++I)
        if (S[I] == C) {
          if (I + 1 < S.size() && S[I + 1] == C)
            ++I;
          else
            break;
        }
      I = std::min(I + 1, S.size());
      R.push_back({C == '\'' ? TTok::String : TTok::Quoted, S.substr(From, I - From)});
    } else if (IsWordStart(C)) {
      while (I < S.size() && IsWordChar(S[I])) ++I;
      R.push_back({TTok::Word, LowerCase(S.substr(From, I - From))});
    } else if (IsDigit(C) || (C == '.' && I + 1 < S.size() && IsDigit(S[I + 1]))) {
      while (I < S.size() && (IsDigit(S[I]) || S[I] == '.')) ++I;
      R.push_back({TTok::Number, S.substr(From, I - From)});
    } else if (C == ':' && I + 1 < S.size() && S[I + 1] == ':') {
      I += 2;
      R.push_back({TTok::Cast, "::"});
    } else if (IsOperatorChar(C)) {
      while (I < S.size() && IsOperatorChar(S[I])) ++I;
      std::string Op = S.substr(From, I - From);
      R.push_back({TTok::Other, Op == "!=" ? "<>" : Op});
    } else {
      ++I;
      R.push_back({C == '(' ? TTok::LParen : C == ')' ? TTok::RParen : TTok::Other, {C}});
    }
  }
  return R;
}

/// The words that continue a type name the server writes in more than one word
/// ("character varying", "timestamp without time zone").
bool IsTypeTail(const std::string& Word) {
  static constexpr std::string_view Tails[] = {"precision", "time",    "varying",
                                               "with",      "without", "zone"};
  return std::find(std::begin(Tails), std::end(Tails), Word) != std::end(Tails);
}

/// The index past the type name that follows a cast at I.
std::size_t SkipCastType(const std::vector<TToken>& T, std::size_t I) {
  auto Is = [&](std::size_t K, TTok Kind, std::string_view Text = {}) {
    return K < T.size() && T[K].Kind == Kind && (Text.empty() || T[K].Text == Text);
  };
  if (!Is(I, TTok::Word) && !Is(I, TTok::Quoted)) return I;
  ++I;
  while (Is(I, TTok::Other, ".") && (Is(I + 1, TTok::Word) || Is(I + 1, TTok::Quoted))) I += 2;
  while (Is(I, TTok::Word) && IsTypeTail(T[I].Text)) ++I;
  if (Is(I, TTok::LParen)) {
    for (int Depth = 0; I < T.size(); ++I) {
      Depth += T[I].Kind == TTok::LParen ? 1 : T[I].Kind == TTok::RParen ? -1 : 0;
      if (Depth == 0) {
        ++I;
        break;
      }
    }
  }
  while (Is(I, TTok::Other, "[") && Is(I + 1, TTok::Other, "]")) I += 2;
  return I;
}

/// A quoted number the server casts ('-1'::integer for -1) is that number.
bool IsSignedNumber(std::string_view S) {
  if (!S.empty() && S.front() == '-') S.remove_prefix(1);
  return !S.empty() &&
         std::all_of(S.begin(), S.end(), [](char C) { return IsDigit(C) || C == '.'; });
}

/// A quoted name the server would write bare.
bool IsBareName(std::string_view S) {
  return !S.empty() && !IsDigit(S.front()) && std::all_of(S.begin(), S.end(), [](char C) {
    return (C >= 'a' && C <= 'z') || IsDigit(C) || C == '_';
  });
}

}  // namespace

std::string PGDomainCheckName(const std::string& Domain, const std::vector<TPGDomainCheck>& Taken) {
  std::string Name;
  for (std::size_t N = 0; N <= Taken.size(); ++N) {
    const std::string Label = N == 0 ? "check" : "check" + std::to_string(N);
    std::size_t Keep = std::min(Domain.size(), kPGNameBytes - Label.size() - 1);
    // Cut at a character's first byte, as the server does.
    while (Keep > 0 && Keep < Domain.size() && (Domain[Keep] & 0xC0) == 0x80) --Keep;
    Name = Domain.substr(0, Keep) + "_" + Label;
    if (std::none_of(Taken.begin(), Taken.end(),
                     [&](const TPGDomainCheck& C) { return C.Name == Name; }))
      break;
  }
  return Name;
}

std::string PGDomainCheckKey(const std::string& Condition) {
  const std::vector<TToken> T = Tokens(Condition);
  std::vector<TToken> Out;
  // The closing parentheses of IN lists, which the server writes as = ANY (ARRAY[...]).
  std::vector<int> ListEnds;
  int Depth = 0;
  auto Next = [&](std::size_t I, std::string_view Word) {
    return I + 1 < T.size() && T[I + 1].Kind == TTok::Word && T[I + 1].Text == Word;
  };
  for (std::size_t I = 0; I < T.size(); ++I) {
    const TToken& K = T[I];
    switch (K.Kind) {
      case TTok::LParen:
        ++Depth;
        continue;
      case TTok::RParen:
        if (!ListEnds.empty() && ListEnds.back() == Depth) {
          ListEnds.pop_back();
          Out.push_back({TTok::Other, "]"});
        }
        --Depth;
        continue;
      case TTok::Cast:
        I = SkipCastType(T, I + 1) - 1;
        continue;
      case TTok::String:
        if (I + 1 < T.size() && T[I + 1].Kind == TTok::Cast &&
            IsSignedNumber(std::string_view(K.Text).substr(1, K.Text.size() - 2))) {
          Out.push_back({TTok::Number, K.Text.substr(1, K.Text.size() - 2)});
          continue;
        }
        break;
      case TTok::Quoted:
        if (IsBareName(std::string_view(K.Text).substr(1, K.Text.size() - 2))) {
          Out.push_back({TTok::Word, K.Text.substr(1, K.Text.size() - 2)});
          continue;
        }
        break;
      case TTok::Word: {
        // The server's own spelling of LIKE, ILIKE and IN lists.
        const bool Not = K.Text == "not" && I + 1 < T.size();
        const std::string& W = Not ? T[I + 1].Text : K.Text;
        if (Not && !Next(I, W)) break;
        if (W == "like" || W == "ilike") {
          Out.push_back(
              {TTok::Other, std::string(Not ? "!" : "") + "~~" + (W == "ilike" ? "*" : "")});
          I += Not ? 1 : 0;
          continue;
        }
        const std::size_t Open = I + (Not ? 2 : 1);
        if (W == "in" && Open < T.size() && T[Open].Kind == TTok::LParen) {
          Out.push_back({TTok::Other, Not ? "<>" : "="});
          Out.push_back({TTok::Word, Not ? "all" : "any"});
          Out.push_back({TTok::Word, "array"});
          Out.push_back({TTok::Other, "["});
          ListEnds.push_back(++Depth);
          I = Open;
          continue;
        }
        break;
      }
      default:
        break;
    }
    Out.push_back(K);
  }
  // Words side by side keep a space between them; nothing else does.
  std::string R;
  auto Wordish = [](TTok Kind) {
    return Kind == TTok::Word || Kind == TTok::Number || Kind == TTok::String ||
           Kind == TTok::Quoted;
  };
  for (std::size_t I = 0; I < Out.size(); ++I) {
    if (I > 0 && Wordish(Out[I - 1].Kind) && Wordish(Out[I].Kind)) R += ' ';
    R += Out[I].Text;
  }
  return R;
}

// ---------------------------------------------------------------------------------------------
// TDmnData

void TDmnData::AddPGCheck(const std::string& Name, const std::string& Text) {
  PGChecks.push_back({Name.empty() ? PGDomainCheckName(GetObjName(), PGChecks) : Name, Text});
  SyncPGCheckText();
}

bool TDmnData::DropPGCheck(const std::string& Name) {
  const auto It = std::find_if(PGChecks.begin(), PGChecks.end(),
                               [&](const TPGDomainCheck& C) { return C.Name == Name; });
  if (It == PGChecks.end()) return false;
  PGChecks.erase(It);
  SyncPGCheckText();
  return true;
}

void TDmnData::SyncPGCheckText() {
  std::string R;
  std::vector<TPGDomainCheck> Before;
  for (TPGDomainCheck& C : PGChecks) {
    // Named when the server, given the checks before this one unnamed, would choose another
    // name: a check added after a dropped one keeps the name it got then.
    C.Named = C.Name != PGDomainCheckName(GetObjName(), Before);
    Before.push_back(C);
    R += (R.empty() ? "" : " CHECK ") + C.Text;
  }
  TypeField->SetExtra(&TFldExtra::CheckText, std::move(R));
}

std::vector<TPGDomainCheck> TDmnData::GetPGChecks() const {
  if (!PGChecks.empty()) return PGChecks;
  const std::string Text = Trim(TypeField->Extra().CheckText);
  if (Text.empty()) return {};
  // A domain read by other means holds its condition as one text, under the server's name.
  return {{PGDomainCheckName(GetObjName(), {}), Text, false}};
}

namespace {

/// Text as CHECK takes it: in parentheses, unless one pair already encloses all of it (the
/// catalog gives "is_even(VALUE)" for a check that calls a function).
std::string InCheckParens(const std::string& Text) {
  if (!Text.empty() && Text.front() == '(') {
    int Depth = 0;
    bool InString = false;
    for (std::size_t I = 0; I < Text.size(); ++I) {
      const char C = Text[I];
      if (C == '\'') InString = !InString;
      if (InString) continue;
      if (C == '(') ++Depth;
      if (C == ')' && --Depth == 0) {
        if (I + 1 == Text.size()) return Text;
        break;
      }
    }
  }
  return "(" + Text + ")";
}

}  // namespace

std::string TDmnData::PGChecksDef() const {
  std::string R;
  for (const TPGDomainCheck& C : GetPGChecks())
    R += (C.Named ? " CONSTRAINT " + QuoteIdent(C.Name) : std::string()) + " CHECK " +
         InCheckParens(C.Text);
  return R;
}

void PGDomainChecksAlter(TCustomSQLExec& Exec, TDmnData& M, TDmnData& T) {
  const std::vector<TPGDomainCheck> MC = M.GetPGChecks();
  const std::vector<TPGDomainCheck> TC = T.GetPGChecks();
  std::vector<bool> Kept(MC.size(), false);
  auto Alter = [&](const std::string& Action) {
    Exec.Add("ALTER DOMAIN " + M.GetObjFullName() + " " + Action, stStatement, M.GetObjName(),
             dboDomain, odbAlter);
  };
  // All drops come first: the server names an unnamed check the first free "<domain>_check",
  // which is then the name the master's own reading gave it.
  for (const TPGDomainCheck& C : TC) {
    const auto It = std::find_if(MC.begin(), MC.end(),
                                 [&](const TPGDomainCheck& Own) { return Own.Name == C.Name; });
    if (It != MC.end() &&
        PGDomainCheckKey(It->CompareText()) == PGDomainCheckKey(C.CompareText())) {
      Kept[static_cast<std::size_t>(It - MC.begin())] = true;
      continue;
    }
    Alter("DROP CONSTRAINT " + T.QuoteIdent(C.Name));
  }
  for (std::size_t I = 0; I < MC.size(); ++I)
    if (!Kept[I])
      Alter((MC[I].Named ? "ADD CONSTRAINT " + M.QuoteIdent(MC[I].Name) + " " : "ADD ") + "CHECK " +
            InCheckParens(MC[I].Text));
}

}  // namespace qel
