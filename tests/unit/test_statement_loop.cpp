// The statement loop the dialect parsers share: which hooks run for which statement.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qelCompObj.h"
#include "qelParser.h"

namespace qel {
namespace {

/// Records the hooks of the statement loop; "," is an empty statement, a statement that starts
/// with BAD has an error.
class TLoopParser : public TCustomSQLParser {
 public:
  using TCustomSQLParser::TCustomSQLParser;
  std::vector<std::string> Calls;

  void ParseText() override { ParseStatements(); }
  void ErrMsg(const std::string& Text) override {
    ++FErrCount;
    TCustomSQLParser::ErrMsg(Text);
  }

 protected:
  bool PassEmptyStatement() override {
    if (Sy != syComma) return false;
    Calls.push_back("empty");
    GetSy();
    return true;
  }
  void BeginStatement() override { Calls.push_back("begin " + CopyTxt(StmtStart, 1)); }
  void ParseStatement() override {
    if (IsIdent("BAD")) ErrMsg("bad statement");
    GetSy();
  }
  void EndStatement(std::int32_t Start) override {
    Calls.push_back("end " + CopyTxtFrom(Start));
    TCustomSQLParser::EndStatement(Start);
  }
};

TEST(StatementLoop, HooksRunPerStatement) {
  const struct {
    const char* Script;
    std::vector<std::string> Calls;
  } Cases[] = {
      // ParseStatement reads one symbol; the base's EndStatement reads the terminator.
      {"A; B;", {"begin A", "end A", "begin B", "end B"}},
      {", A;", {"empty", "begin A", "end A"}},
      // A failed statement is passed to its terminator and not ended.
      {"BAD X Y; C;", {"begin B", "begin C", "end C"}},
      {"A", {"begin A", "end A"}},
  };
  for (const auto& C : Cases) {
    TObjs Objs;
    TLoopParser Parser(&Objs);
    Parser.ParseScriptText(C.Script, &Objs);
    EXPECT_EQ(Parser.Calls, C.Calls) << C.Script;
  }
}

}  // namespace
}  // namespace qel
