// Oracle packages.
#pragma once

#include <string>

#include "qelClasses.h"

namespace qel {

/// An Oracle package: header (the declarations) and body as source text. Packages are not compared:
/// the target gets the packages it lacks and loses those the master lacks.
class TPkgData : public TDbObj {
 public:
  explicit TPkgData(TCustomObjs* aOwner) : TDbObj(aOwner) { Kind = kindPackage; }

  /// The package header after the CREATE ... PACKAGE name line.
  std::string HeaderSource;
  /// The body after its CREATE ... PACKAGE BODY name line; empty without body.
  std::string BodySource;

  /// The package header, then, when there is a body, a "/" line and the body.
  std::string Def() const override;
  std::string DropDef() const override;
  std::string HeaderDef() const;
  std::string BodyDef() const;
};

/// Drops the target packages the master lacks (by plain name).
void GenScriptPkgDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
/// Packages on both sides are left alone: nothing to do.
void GenScriptPkgAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
/// Creates the master packages the target lacks (by plain name).
void GenScriptPkgCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

}  // namespace qel
