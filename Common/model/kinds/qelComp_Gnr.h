// Generators and sequences: the InterBase/Firebird generator, the Oracle sequence and the
// identity options of a DB2 column, with the generator passes of the update script.
#pragma once

#include <string>

#include "qelClasses.h"

namespace qel {

/// An InterBase/Firebird generator or an Oracle sequence; also the identity options of a DB2
/// column. Numbers are kept as the text the server gave them (Oracle's exceed 64 bits).
class TGnrData : public TDbObj {
 public:
  explicit TGnrData(TCustomObjs* aOwner);

  // Fields, in declaration order.

  /// Oracle MINVALUE.
  std::string MinValue;
  /// DB2 identity START WITH.
  std::string StartValue;
  /// INCREMENT BY.
  std::string Increment;
  bool NoMinValue = true;
  bool NoMaxValue = true;
  /// Oracle ORDER and CYCLE.
  bool Order = false;
  bool Cycle = false;

  const std::string& GetMaxValue() const { return FMaxValue; }
  /// Oracle's "no maximum" (27 nines) clears the value and sets NoMaxValue; any other text is
  /// stored as given.
  void SetMaxValue(const std::string& Value);
  const std::string& GetCache() const { return FCache; }
  /// "0" means no cache; any other text is stored as given.
  void SetCache(const std::string& Value);
  bool GetNoCache() const { return FNoCache; }
  /// Set, it clears the cache size.
  void SetNoCache(bool Value);

  // Replaced virtual operations.

  /// Oracle CREATE SEQUENCE with its options; every other dialect CREATE GENERATOR.
  std::string Def() const override;
  std::string DropDef() const override;

  /// DB2 identity clause "(START WITH s, INCREMENT BY i, CACHE c)"; empty for other dialects.
  std::string ParamDef() const;

 private:
  std::string FMaxValue;
  std::string FCache = "20";
  bool FNoCache = false;
};

// ---------------------------------------------------------------------------------------------
// Generator passes of the update script.

/// Creates the master generators the target lacks.
void GenScriptGenrCreate(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
/// Oracle: changed sequence options, one ALTER SEQUENCE each; descriptions of every dialect.
void GenScriptGenrAlter(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);
/// Drops the target generators the master lacks.
void GenScriptGenrDrop(TCustomObjs& Master, TCustomObjs& Target, TCustomSQLExec& Exec);

}  // namespace qel
