// The MySQL catalog extractor: reads the schema of a live MySQL or MariaDB database by listing
// its tables and letting the MySQL parser read the CREATE text the server gives for each.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "qelDatabaseExtract.h"

namespace qel {

/// Runs the shared catalog extraction driver: the header, then the tables and views of the
/// database (SHOW FULL TABLES; SHOW CREATE TABLE or SHOW CREATE VIEW for each, the name in back
/// quotes as the server stores it). Sequences are passed over. The CREATE texts become the
/// objects' bodies and are read by the MySQL parser when the driver re-parses bodies, which
/// also files the keys and indexes of each table. Routines and triggers are not read.
///
/// With the collection's MySQL compare option CaseSensitiveIdentifiers off, object names are
/// upper-cased, as the parser folds the names of a script.
class TMySQLDBExtract : public TCustomDBExtract {
 public:
  /// DatabaseType is dbMySQL.
  explicit TMySQLDBExtract(TComponent* AOwner);
  ~TMySQLDBExtract() override;

 protected:
  std::vector<TDBExtractStep> ExtractSteps() override;
  std::unique_ptr<TCustomParser> CreateBodyParser() override;
  /// Tables, then views.
  std::vector<TDbObjList TObjs::*> BodyLists() const override;
  void ParseObjText(TCustomParser& Parser, TDbObj& Obj) override;
  /// A view of Other (read from scripts) whose text differs from its namesake's read here is
  /// stored once on this server as the scratch view qel_view_probe (the server has no
  /// temporary views), read back with SHOW CREATE VIEW and dropped; when the server writes
  /// both alike, Other's view takes the text read here. A view the server cannot store (it
  /// reads what only the update script adds) keeps its text and is created again.
  void MatchServerForms(TCustomObjs& Other) override;
  /// The server's DDL is not transactional and its catalog has no snapshot: the tables and
  /// views of the database with their creation times (an ALTER makes a table anew), as one
  /// text; the driver reads it before and after the catalog.
  std::string CatalogVersion() override;
  /// A table SHOW TABLES listed that another session dropped before SHOW CREATE read it (or
  /// before it was locked).
  bool ChangedMeanwhile(const std::string& Text) const override;
  /// The tables and views were read under read locks (where the account may lock them): the
  /// schema held still, whatever other sessions created meanwhile.
  bool HeldStill() const override;
  /// Every catalog query opens on the work query, and a session depends on the connection's
  /// options alone: a comparison reads the master's catalog while the target's is read.
  bool CanReadAhead() const override { return true; }

  void ExtractHeader();
  /// Raises when the user sees only a part of the database (privileges on single tables).
  void CheckWholeDatabaseVisible();
  void ExtractTbl();

 private:
  class TReadLocks;
  /// The tables and views listed, by their stored names; true for a view.
  using TListed = std::vector<std::pair<std::string, bool>>;
  /// Takes out of Listed what the server lists no more (another session dropped it since),
  /// each with a warning; true when it took any out.
  bool PassOverDropped(TListed& Listed);
  bool FHeldStill = false;
};

}  // namespace qel
