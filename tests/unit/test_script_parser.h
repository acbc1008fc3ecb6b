// A small SQL-like grammar on top of the SQL parser base, standing in for a dialect parser in
// the tests of the parser base and the script extractor base:
//
//   TABLE t [(c [DOMAIN d], ...)];   a table with its columns
//   DOMAIN d;                        a domain
//   VIEW v ON t (c, ...);            a view that reads columns of t
//   INDEX i ON t;                    an index of t (linked to t by Link_Depend)
//   PROCEDURE p [CALLS q, ...];      a procedure that calls procedures by name
//
// and a script extractor that reads scripts with it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "qelCompObj.h"
#include "qelComp_Dmn.h"
#include "qelComp_Idx.h"
#include "qelComp_Prc.h"
#include "qelComp_Tbl.h"
#include "qelComp_Viw.h"
#include "qelCustomScriptExtract.h"
#include "qelParser.h"

namespace qel::testing {

class TTestSQLParser : public TCustomSQLParser {
 public:
  explicit TTestSQLParser(TCustomObjs* AObjs) : TCustomSQLParser(AObjs) {}

  void ParseText() override {
    GetSy();
    while (Sy != syEOF) {
      StmtStart = SyPos;
      if (IsIdent("TABLE"))
        ParseTable();
      else if (IsIdent("DOMAIN"))
        ParseDomain();
      else if (IsIdent("VIEW"))
        ParseView();
      else if (IsIdent("INDEX"))
        ParseIndex();
      else if (IsIdent("PROCEDURE"))
        ParseProcedure();
      else
        ErrMsg("Unknown statement.");
      if (Sy != syTerm) {
        TestSy(syTerm);
        SkipStatement(TSymSet{syEOF, syTerm});
      }
      if (Sy == syTerm) GetSy();
    }
  }

 private:
  /// Reads the name after the current keyword; empty (reported) when there is none.
  std::string GetName() {
    GetAndTestSy(syIdent);
    std::string Name = Sy == syIdent ? Ident : std::string();
    GetSy();
    return Name;
  }

  void ParseTable() {
    auto Tbl = std::make_unique<TTblData>(Objs);
    Tbl->SetObjName(GetName());
    if (Sy == syLParen) {
      do {
        const std::string Column = GetName();
        if (Column.empty()) break;
        auto Fld = std::make_unique<TFldData>(Objs);
        Fld->SetObjName(Column);
        Fld->TableName = Tbl->GetObjName();
        Fld->OwnerObj = Tbl.get();
        if (IsIdent("DOMAIN")) {
          Fld->FieldType = iftDomain;
          Fld->SetExtra(&TFldExtra::DomainName, GetName());
        }
        Tbl->Fields.Add(std::move(Fld));
      } while (Sy == syComma);
      TestAndGetSy(syRParen);
    }
    DoLogNextLine("Table: " + Tbl->GetObjName());
    AddObj(std::move(Tbl));
  }

  void ParseDomain() {
    auto Dmn = std::make_unique<TDmnData>(Objs);
    Dmn->SetObjName(GetName());
    AddObj(std::move(Dmn));
  }

  void ParseView() {
    auto Viw = std::make_unique<TViwData>(Objs);
    Viw->SetObjName(GetName());
    TestIdent("ON");
    const std::string Table = GetName();
    auto* O = dynamic_cast<TObjs*>(Objs);
    TTblData* Tbl = O ? O->GetTable(Table) : nullptr;
    LinkDepend(Viw.get(), Table, TSymSet{101});
    if (Sy == syLParen) {
      do {
        const std::string Column = GetName();
        if (Column.empty()) break;
        LinkDepend(Viw.get(), Tbl, Column);
      } while (Sy == syComma);
      TestAndGetSy(syRParen);
    }
    AddObj(std::move(Viw));
  }

  void ParseIndex() {
    auto Idx = std::make_unique<TIdxData>(Objs);
    Idx->SetObjName(GetName());
    TestIdent("ON");
    Idx->TableName = GetName();
    AddObj(std::move(Idx));
  }

  void ParseProcedure() {
    auto Prc = std::make_unique<TPrcData>(Objs);
    Prc->SetObjName(GetName());
    // File it first, so a procedure that calls itself can find itself.
    TPrcData* P = Prc.get();
    if (!AddObj(std::move(Prc))) return;
    if (IsIdent("CALLS")) {
      do {
        const std::string Callee = GetName();
        LinkDepend(P, Callee, TSymSet{5});
      } while (Sy == syComma);
    }
  }
};

/// A script extractor that reads with TTestSQLParser and keeps what it reports.
class TTestScriptExtract : public TCustomScriptExtract {
 public:
  explicit TTestScriptExtract(TComponent* AOwner = nullptr) : TCustomScriptExtract(AOwner) {
    Name = "TestExtract";
    SetOnErrorMessage([this](TObject*, const std::string& Text) { Shown.push_back(Text); });
  }

  std::vector<std::string> Shown;

 protected:
  std::unique_ptr<TCustomParser> CreateParser() override {
    if (!GetDBStructure()) return nullptr;
    return std::make_unique<TTestSQLParser>(GetDBStructure()->GetObjs());
  }
};

/// The texts of a message list, in order.
inline std::vector<std::string> MsgTexts(const TMsgManager& Msgs) {
  std::vector<std::string> Texts;
  for (int I = 0; I < Msgs.GetMsgCount(); ++I) Texts.push_back(Msgs.Items(I).Text);
  return Texts;
}

/// True when Obj holds a prerequisite record for Related.
inline bool Uses(const TDbObj* Obj, const TDbObj* Related) {
  for (const auto& D : Obj->UseOf)
    if (D->DepObj == Related) return true;
  return false;
}

}  // namespace qel::testing
