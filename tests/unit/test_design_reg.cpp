// Design-time registration: what the host receives from Register, the palette bitmaps and the
// verbs of the component editor.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "Design.h"
#include "Host.h"
#include "qelComparerReg.h"
#include "qelVarnel.h"

using namespace qel;

namespace {

const std::vector<std::vector<std::string>> PaletteOrder = {
    {"TVarnel", "TDBStructure"},
    {"TIBScriptExtract", "TIBDBExtract", "TIBSQLExec"},
    {"TASAScriptExtract", "TASADBExtract", "TASASQLExec"},
    {"TASEScriptExtract", "TASEDBExtract", "TASESQLExec"},
    {"TMySQLScriptExtract", "TMySQLDBExtract", "TMySQLExec"},
    {"TMSSQLScriptExtract", "TMSSQLDBExtract", "TMSSQLExec"},
    {"TOracleScriptExtract", "TOracleDBExtract", "TOracleSQLExec"},
    {"TPGScriptExtract", "TPGDBExtract", "TPGSQLExec"},
    {"TDB2ScriptExtract", "TDB2DBExtract", "TDB2SQLExec"},
    {"TTableDataComparer"},
    {"TQELConnection"},
};

/// Width, height and bits per pixel of a BMP file; zeros when it cannot be read.
std::tuple<int, int, int> BitmapShape(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  unsigned char H[30] = {};
  if (!In.read(reinterpret_cast<char*>(H), sizeof H) || H[0] != 'B' || H[1] != 'M') return {};
  return {H[18] | H[19] << 8, H[22] | H[23] << 8, H[28]};
}

}  // namespace

TEST(DesignReg, RegisterPutsTheClassesOnThePageInOrderEachWithTheEditorAndBitmap) {
  DesignRegistry().Clear();
  Register();
  const auto& Reg = DesignRegistry();
  ASSERT_EQ(Reg.PaletteCalls.size(), PaletteOrder.size());
  std::vector<std::string> All;
  for (size_t I = 0; I < PaletteOrder.size(); ++I) {
    EXPECT_EQ(Reg.PaletteCalls[I].Page, "Varnel");
    std::vector<std::string> Names;
    for (const auto& Class : Reg.PaletteCalls[I].Classes) Names.push_back(Class.ClassName());
    EXPECT_EQ(Names, PaletteOrder[I]) << "call " << I + 1;
    All.insert(All.end(), Names.begin(), Names.end());
  }
  ASSERT_EQ(Reg.Editors.size(), All.size());
  for (size_t I = 0; I < All.size(); ++I) {
    EXPECT_EQ(Reg.Editors[I].ComponentClass.ClassName(), All[I]);
    EXPECT_EQ(Reg.Editors[I].EditorClass.ClassName(), "TkvBaseEditor");
    std::string Upper = All[I];
    for (char& Ch : Upper) Ch = static_cast<char>(std::toupper(static_cast<unsigned char>(Ch)));
    EXPECT_EQ(BitmapShape(std::string(QEL_RESOURCES_DIR) + "/" + Upper + ".bmp"),
              std::make_tuple(24, 24, 24))
        << All[I];
  }
}

TEST(DesignReg, EditorShowsTwoVerbsAndOnlyTheFirstOpensTheHomePage) {
  DesignRegistry().Clear();
  Register();
  TVarnel Component(nullptr);
  const auto Editor = DesignRegistry().Editors.at(0).EditorClass.Create(&Component);
  EXPECT_EQ(Editor->GetComponent(), &Component);
  EXPECT_EQ(Editor->GetVerbCount(), 2);
  for (const auto& [Index, Caption] : std::vector<std::pair<int, std::string>>{
           {0, QEL_HOME_PAGE}, {1, "Version 3.2"}, {2, ""}, {-1, ""}})
    EXPECT_EQ(Editor->GetVerb(Index), Caption) << Index;

  std::vector<std::string> Calls;
  const auto Former =
      SetShellExecuteHandler([&](const std::string& Op, const std::string& File, int ShowCmd) {
        Calls.push_back(Op + " " + File + " " + std::to_string(ShowCmd));
      });
  for (int Index : {1, 2, -1, 0}) Editor->ExecuteVerb(Index);
  SetShellExecuteHandler(Former);
  EXPECT_EQ(Calls, std::vector<std::string>{"open " QEL_HOME_PAGE " 5"});
}
