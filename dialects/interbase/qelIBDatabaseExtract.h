// The InterBase/Firebird catalog extractor: reads a live database from its RDB$ system tables.
//
// How it reads. Each step queries the RDB$ tables of one kind and writes what it found as the
// DDL the InterBase parser reads (the texts the server keeps: view, procedure, trigger, check,
// default and computed sources, go in unchanged). At the end the parser reads that script into
// the collection, so an object read from the catalog and the same object read from a script
// are built by the same code and compare equal. A constraint the script left unnamed keeps
// the INTEG_n name the server gave it apart (AltName), so it pairs with the unnamed one of a
// script and can still be dropped by name; RDB$n indexes of keys are not written.
//
// The header step leaves what the comparer's Firebird rules need in the collection: the
// connection options, the SQL dialect, the database character set, the server version
// (Firebird 2.5 or later reads as st_Firebird_25, the newest the library knows) and the
// database options with the on-disk structure (ODS) version, page size and dialect.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "qelDatabaseExtract.h"

namespace qel {

class TQELQuery;

/// Runs the shared catalog extraction driver over the RDB$ tables: header, domains, tables and
/// views with their columns, keys and checks, indexes, generators, exceptions, procedures,
/// triggers, external functions, roles, grants and descriptions. Failures (refused login, a
/// missing database file, a failed query, a cancel) end the run with False and one message;
/// nothing is thrown to the caller.
class TIBDBExtract : public TCustomDBExtract {
 public:
  /// DatabaseType is dbInterBase.
  explicit TIBDBExtract(TComponent* AOwner);
  ~TIBDBExtract() override;

  /// The DDL the last run wrote from the catalog (what the parser read).
  const std::string& GetCatalogScript() const { return FScript; }

 protected:
  std::vector<TDBExtractStep> ExtractSteps() override;
  std::unique_ptr<TCustomParser> CreateBodyParser() override;
  /// Reads the DDL written by the steps with the InterBase parser, then links dependencies.
  void ParseBodies() override;
  /// A view of Other (read from a script) written without a column list takes its columns
  /// from its select: the namesake read here with the same text drops the list the catalog
  /// gave it, so the two compare equal.
  void MatchServerForms(TCustomObjs& Other) override;

  void ExtractHeader();
  void ExtractDomains();
  void ExtractRelations();
  void ExtractKeys();
  void ExtractIndexes();
  void ExtractGenerators();
  void ExtractExceptions();
  void ExtractProcedures();
  void ExtractTriggers();
  void ExtractFunctions();
  void ExtractRoles();
  void ExtractGrants();

 private:
  /// Appends one statement, ended by the catalog script's terminator.
  void Emit(const std::string& Statement);
  /// Appends COMMENT ON What IS 'Text' when Text is not empty.
  void EmitComment(const std::string& What, const std::string& Text);
  std::string Q(const std::string& Name) const;
  /// The condition that leaves out the routines of packages (column prefix Alias, "PP."); a
  /// condition always true on servers without packages.
  std::string NotPackaged(const std::string& Alias) const;
  /// Takes out of Other the grants to the owner of their object (see the .cpp).
  void DropOwnerGrants(TCustomObjs& Other);
  /// Reads RDB$FIELD_DIMENSIONS once per run: the bounds of each array field.
  void ReadDimensions();
  /// " [1:5, 0:2]" for the array field FieldSource (RDB$FIELD_NAME of RDB$FIELDS); "" else.
  std::string DimsOf(const std::string& FieldSource) const;

  std::string FScript;
  std::string FDBCharSet;
  std::map<std::string, std::string> FDims;
  bool FDimsRead = false;
  /// The owner of each table, view and procedure, read with the grants.
  std::map<std::string, std::string> FOwners;
  bool FOwnersRead = false;
  /// The database has packages (ODS 12, Firebird 3 on), and RDB$PACKAGE_NAME columns.
  bool FPackages = false;
};

}  // namespace qel
