// The PostgreSQL catalog extractor: reads the schema of a live PostgreSQL database from
// pg_catalog into the schema object model through the shared catalog extraction driver.
//
// Server versions: a capability probe runs first and finds the class oids that descriptions are
// keyed by, the catalog that owners come from and the catalog columns that some versions lack
// (pg_class.reltriggers and relhasoids, pg_attrdef.adsrc and pg_constraint.consrc are gone from
// PostgreSQL 12 on; pg_index.indoption came with 8.3 and indnkeyatts with 11). Each
// query that names such a column is chosen by what the probe found; servers that still have the
// column get the query as it always was.
//
// Privileges: every query reads catalogs that an ordinary user may read. Owners come from
// pg_roles (or pg_user on servers before roles), never from pg_authid or pg_shadow, which only
// a superuser may read.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "qelComp_Prc.h"
#include "qelComp_Tbl.h"
#include "qelDatabaseExtract.h"

namespace qel {

class TCtrData;
class TDmnData;
enum TConstraintType : std::uint8_t;

/// Catalog columns that not every server version has.
enum TPGCatalogColumn : std::uint8_t {
  pgcRelTriggers,    ///< pg_class.reltriggers (up to 8.3; later relhastriggers)
  pgcRelHasOids,     ///< pg_class.relhasoids (up to 11)
  pgcAdSrc,          ///< pg_attrdef.adsrc (up to 11; later pg_get_expr(adbin, adrelid))
  pgcConSrc,         ///< pg_constraint.consrc (up to 11; later pg_get_constraintdef(oid))
  pgcIndOption,      ///< pg_index.indoption (from 8.3: per-column DESC and NULLS FIRST)
  pgcIndNKeyAtts,    ///< pg_index.indnkeyatts (from 11: key columns before INCLUDE columns)
  pgcProKind,        ///< pg_proc.prokind (from 11: f function, p procedure, a aggregate, w window)
  pgcProIsAgg,       ///< pg_proc.proisagg (up to 10; later prokind = 'a')
  pgcAttIdentity,    ///< pg_attribute.attidentity (from 10: identity columns)
  pgcAttGenerated,   ///< pg_attribute.attgenerated (from 12: generated columns)
  pgcOpcMethod,      ///< pg_opclass.opcmethod (from 8.3; before it opcamid)
  pgcOprLSortOp,     ///< pg_operator.oprlsortop (up to 8.2: merge-join sort operators)
  pgcTgIsInternal,   ///< pg_trigger.tgisinternal (from 9.0: triggers made for constraints)
  pgcRelIsPartition  ///< pg_class.relispartition (from 10: partitions of partitioned tables)
};
constexpr std::size_t PGCatalogColumnCount = 14;

/// What the capability probe found on the server.
struct TPGCatalogInfo {
  /// classoid values of pg_description for relations and columns, domains, routines,
  /// constraints, schemas, conversions, operators and operator classes. A row the server does
  /// not return leaves the former value (0 on a fresh extractor).
  std::uint32_t ClassOid = 0;
  std::uint32_t TypeOid = 0;
  std::uint32_t ProcOid = 0;
  std::uint32_t ConstraintOid = 0;
  std::uint32_t NamespaceOid = 0;
  std::uint32_t AuthIdOid = 0;
  std::uint32_t ConversionOid = 0;
  std::uint32_t OperatorOid = 0;
  std::uint32_t OpClassOid = 0;
  /// Owners are read from the role catalog (servers with pg_authid).
  bool OwnerFromAuthId = false;
  /// Owners are read from the user catalog (servers without roles).
  bool OwnerFromShadow = false;
  /// pg_proc has proargmodes: routine parameters carry their direction.
  bool HasProArgModes = false;
  /// The catalog columns of TPGCatalogColumn the server has.
  std::array<bool, PGCatalogColumnCount> Columns{};

  bool Has(TPGCatalogColumn Column) const { return Columns[Column]; }
};

/// Reads schemas, tables with their columns, views, functions and procedures, triggers, indexes
/// and table constraints of a PostgreSQL database. What the object model cannot hold
/// (partitioned tables and their partitions, aggregates, variadic functions, bodies in the
/// standard SQL form, some trigger forms) is named in an information message and passed over.
///
/// Schemas of the server itself (information_schema, pg_catalog, pg_toast) and the temporary
/// schemas of sessions (pg_temp_N, pg_toast_temp_N) are never read: they are no part of the
/// database's schema, and an update script must not touch them.
class TPGDBExtract : public TCustomDBExtract {
  // CoreSteps lists the routines of the steps most catalogs hold.
  friend class TCustomDBExtract;

 public:
  /// DatabaseType dbPostgreSQL.
  explicit TPGDBExtract(TComponent* AOwner);
  ~TPGDBExtract() override;

  /// The result of the last capability probe.
  const TPGCatalogInfo& GetCatalogInfo() const { return FInfo; }
  /// Every catalog query is a SELECT of the work query, and a session depends on the
  /// connection's options alone.
  bool CanReadAhead() const override { return true; }

  /// Sets the type of Fld from a PostgreSQL type name (as format_type or pg_type spell it):
  /// "[]" pairs become array dimensions (1, 0); a name the table does not know is a domain or
  /// user type, kept (without enclosing double quotes) as the domain name. CharLength is the
  /// declared length of character, bit-string and large-object types, Precision and Scale
  /// those of numeric and decimal; other types take none. TypMod is the column's type modifier
  /// (atttypmod, -1 for none): it gives the precision of time, timestamp and interval types,
  /// and the length, precision and scale of an array's element.
  static void ColumnType(TFldData& Fld, const std::string& TypeName, std::int32_t CharLength,
                         std::int32_t Precision, std::int32_t Scale, std::int32_t TypMod = -1);
  /// An integer, bigint or smallint column whose default calls nextval of the sequence the
  /// column owns (OwnedSequence, the name of the sequence a serial column makes for itself)
  /// becomes serial, bigserial or smallserial, without the default (which the serial type brings by
  /// itself). A default that draws on any other sequence stays as it is: read as serial, the column
  /// would get a new sequence of its own, numbering from 1 again, in place of the one its rows
  /// share. Returns false for a nextval default that is kept so.
  static bool CheckSerial(TFldData& Fld, const std::string& OwnedSequence);
  /// The sequence name a nextval default names ("nextval('s.\"Seq\"'::regclass)" gives
  /// "Seq"), without schema and quotes; empty when Default calls no nextval.
  static std::string NextvalSequence(const std::string& Default);

  /// The most key columns read of one index or constraint.
  static constexpr int MaxKeyFields = 16;
  /// One select-list line of MaxKeyFields sub-selects that turn the column numbers of the array
  /// Arr (of the relation Rel) into column names, as Prefix1 .. Prefix16; ZeroBased for arrays
  /// subscripted from 0 (int2vector). Numbers past the last column give null.
  static std::string SQLKeyFlds(const std::string& Rel, const std::string& Arr,
                                const std::string& Prefix, bool ZeroBased);
  /// The body of a check constraint from the text pg_get_constraintdef gives
  /// ("CHECK ((a > 0)) NOT VALID" becomes "(a > 0)"), as consrc held it.
  static std::string CheckBodyFromDef(const std::string& Def);

 protected:
  std::vector<TDBExtractStep> ExtractSteps() override;

 public:
  /// Views: the server rewrites a view's text when it stores it, so a script's view and the
  /// catalog's never read alike. Each view of Other whose text differs from its namesake's is
  /// stored once more by the server as a temporary view; when the server writes it back as it
  /// writes its namesake, Other's view takes the catalog's text (and column names). A view
  /// the server cannot store (it reads what the database lacks) stays as written.
  void MatchServerForms(TCustomObjs& Other) override;
  /// Checks and defaults: where a check of a table or domain, or the default of a column,
  /// domain or routine parameter, read from Other (scripts) differs from its namesake's here
  /// in the form the two are compared in, the server stores the script's text once more in a
  /// temporary object and gives back its own text of it, all in one query of a transaction
  /// that is rolled back. Where that text is the catalog's, Other's object is compared by the
  /// catalog's text (ServerBody, ServerDefault, ServerText), and an unnamed check is keyed by
  /// it. What the server refuses to store stays compared as written.
  void MatchServerSpellings(TCustomObjs& Other);
  /// Operators: the sort and comparison operators of Other's operators (SORT1, SORT2, LTCMP,
  /// GTCMP), which a server from 8.3 on keeps as MERGES alone, become MERGES there.
  void MatchOperatorOptions(TCustomObjs& Other) const;
  /// The function the spelling query calls, made in its transaction. It stores one expression
  /// in the temporary object pg_temp.qel_probe by the statement it is given and reads the
  /// server's text of it back by the query its kind names ('c' table check, 'k' domain check,
  /// 'd' column default, 'm' domain default, 'p' parameter default); the subtransaction is
  /// then rolled back, so each probe's object is gone before the next one. It gives "s" and the
  /// text, or "e" and the server's reason for refusing the statement.
  static std::string SpellingFunction();

 protected:
  /// Runs the spelling query SQL in a transaction of its own with the function it calls,
  /// rolled back afterwards; each row's answer goes to Answers at the row's number.
  void SpellOnServer(TQELQuery& Q, const std::vector<std::string>& SQL,
                     std::vector<std::string>& Answers);
  /// A PostgreSQL parser over the holder's collection, without progress reports of its own.
  std::unique_ptr<TCustomParser> CreateBodyParser() override;
  /// The triggers: their texts, as the server writes them, are read again by the parser, which
  /// records what each uses.
  std::vector<TDbObjList TObjs::*> BodyLists() const override;
  std::string ParseBodiesLogLine() const override { return "Parsing bodys..."; }
  /// The catalog functions (pg_get_viewdef, format_type ...) read the catalog as it is now, not
  /// as the snapshot saw it: an object dropped since the snapshot began is no more there.
  bool ChangedMeanwhile(const std::string& Text) const override;
  /// The parser reads the object's text (the CREATE TRIGGER statement the server wrote).
  void ParseObjText(TCustomParser& Parser, TDbObj& Obj) override;

  /// Names in a warning each sequence that is not read as the serial column that owns it.
  void NameSequencesNotRead();
  /// A column read as serial, bigserial or smallserial (the sequence it owns goes with it).
  static bool IsSerial(const TFldData& Fld);

  // What the object model does not hold (qelPGDatabaseExtract_NotRead.cpp).

  /// Names in a warning each object of a kind that is not read (extensions, row-level security,
  /// policies, exclusion constraints, materialized views, foreign tables, extended statistics,
  /// view options, replica identities, NOT VALID and NO INHERIT, inheritance) and records those
  /// whose names other objects share; gives the columns read their collations and records the
  /// columns tables have only by inheritance.
  void NameKindsNotRead();
  /// The query of NameKindsNotRead, one union of a part per kind.
  static std::vector<std::string> NotReadQuery();
  /// A warning, logged: what is not read is said where it is met.
  void WarnNotRead(const std::string& Text);
  /// Records an object of a kind that is not read in the collection's NotRead.
  void NoteNotRead(const std::string& Kind, const std::string& Schema, const std::string& Name,
                   const std::string& Table);
  /// Gives Collation to the column Column of the table Schema.Table, when it was read.
  void ReadCollation(const std::string& Schema, const std::string& Table, const std::string& Column,
                     const std::string& Collation);

  /// The capability probe.
  void ExtractHeader();
  void ExtractSch();
  void ExtractTbl();
  void ExtractViw();
  /// Links every view read to the tables, columns, views and functions the server recorded it
  /// reads (pg_depend of its rewrite rule), so that what changes under a view takes it along.
  void ExtractViwDepend();
  /// A relation read by a step, waiting for its columns before it joins the collection.
  struct TRelationRead {
    std::int64_t Oid = 0;
    std::unique_ptr<TDbObj> Obj;
    /// The column list of Obj.
    TObjVector<TFldData>* Fields = nullptr;
  };
  /// Reads the columns of every relation of kind RelKind ('r' tables, 'v' views) through Query,
  /// with one query, into the relations of Relations that have their oid, in column order; each
  /// column gets its relation's name and an owner reference to it. (A query per relation costs
  /// a round trip and a plan each: on 2,000 tables that alone took twice as long as pg_dump
  /// needs for the whole schema.)
  void ExtractFields(TQELQuery& Query, char RelKind, std::vector<TRelationRead>& Relations);
  /// The fields every column query gives (attrelid, column_name, description, data_type,
  /// char_length, prec, scale), looked up once for all its rows.
  struct TColumnFields {
    explicit TColumnFields(TQELQuery& Query);
    TField* Rel;
    TField* Name;
    TField* Descr;
    TField* DataType;
    TField* CharLength;
    TField* Prec;
    TField* Scale;
    /// atttypmod; nullptr where the query reads none.
    TField* TypMod;
  };
  /// A column of Relation from the current row: its name, description and type, its relation's
  /// name and an owner reference to it; appended to the relation's column list.
  TFldData& AddColumn(const TColumnFields& Fields, const TRelationRead& Relation);
  /// A view of the snapshot that another session dropped before its text was read: its
  /// schema-qualified name and the oids of the snapshot's views that read it ("1,2").
  struct TDroppedView {
    std::string Name;
    std::string Readers;
  };
  /// The view query's select-list lines that read the view's text (view_def, null for a view
  /// dropped since the snapshot began) and, for such a view, what reads it (dropped_readers).
  static std::vector<std::string> DroppedViewColumns();
  /// Names each dropped view in a warning; raises EDatabaseError (a change met meanwhile)
  /// when one of Views reads a dropped one.
  void PassOverDroppedViews(const std::vector<TDroppedView>& Dropped,
                            const std::vector<TRelationRead>& Views);
  /// Adds the relations to the collection in the order read, logging each; stops at a cancel.
  void AddRelations(std::vector<TRelationRead>& Relations);
  /// The name, owner, schema and description of a table or view from the relation query's row.
  void ReadRelation(TCatalogRow& Row, TDbObj& Obj);

  /// The select-list line that reads the owner (", a.rolname"); empty without an owner catalog.
  std::string OwnerColumn() const;
  /// The join of the owner catalog on OwnerOf ("c.relowner"); empty without an owner catalog.
  std::string OwnerJoin(const std::string& OwnerOf) const;
  /// The condition lines that keep the server's own and the temporary schemas out, on the schema
  /// name Column ("n.nspname"): the first line begins with Lead ("where "), the second with
  /// NextLead ("and ").
  static std::vector<std::string> SchemaConditions(const std::string& Lead,
                                                   const std::string& NextLead,
                                                   const std::string& Column);
  /// The query of the tables (RelKind 'r') or views ('v').
  std::vector<std::string> RelationQuery(char RelKind) const;
  /// The query of the columns of every relation of kind RelKind, ordered by relation oid and
  /// column number.
  std::vector<std::string> ColumnQuery(char RelKind) const;
  /// The select-list lines char_length, prec and scale of the type TypeOid with the modifier
  /// TypMod (column expressions), as the information_schema helpers of those names give them.
  static std::vector<std::string> TypeSizeColumns(const std::string& TypeOid,
                                                  const std::string& TypMod);
  /// The owner name as read, stored where the object keeps it.
  static void SetOwnerName(TDbObj& Obj, const std::string& Name);

  // Indexes and constraints (qelPGDatabaseExtract_Keys.cpp).

  /// The query of the indexes, and those of the primary keys ('p'), unique constraints ('u'),
  /// checks ('c') and foreign keys ('f').
  std::vector<std::string> IndexQuery() const;
  std::vector<std::string> ConstraintQuery(char ConType) const;
  void ExtractIdx();
  void Extract_PK();
  void ExtractUnq();
  void Extract_FK();
  void ExtractChk();
  /// Reads the primary keys, unique constraints or checks (ConType 'p', 'u', 'c').
  void ExtractConstraints(char ConType);
  /// A constraint of Type named by the current row of a constraint query, on its table and
  /// schema; nullptr for one of no ordinary table (said so, as OfOrdinaryTable says).
  std::unique_ptr<TCtrData> ConstraintOfRow(TCatalogRow& Row, TConstraintType Type);
  /// Lets Ctr recognise a name the server made up, then files it under its definition.
  void FileConstraint(std::unique_ptr<TCtrData> Ctr);
  /// What the reading of an object another session dropped after the snapshot began fails
  /// with (after the object's name); ChangedMeanwhile knows it.
  static constexpr std::string_view DroppedMeanwhile = "was dropped while the catalog was read";
  /// Whether the part of a table in Row (its text in Column, read by a server function that
  /// sees the current catalog) went with its table (Row's table_gone): True to pass the part
  /// over. Raises EDatabaseError (a change met meanwhile, naming What) when the part alone is
  /// gone.
  static bool GoneWithTable(TCatalogRow& Row, std::string_view Column, const std::string& What);
  /// Passes over (with a warning naming each) the tables read that another session dropped
  /// meanwhile, with their indexes, constraints and triggers; raises EDatabaseError (a change
  /// met meanwhile) when a view or another table's foreign key read uses one.
  void PassOverDroppedTables();
  /// Records an information message and logs it: what is passed over is said, not failed on.
  void PassOver(const std::string& Text);
  /// The current row's relation is a partition (its column relispartition, read where the
  /// server has partitions).
  bool IsPartition(TCatalogRow& Row) const;
  /// False, with the object (What: "Index i", "Constraint c") named as passed over, when the
  /// current row's relation (Table, of kind RelKind) is no ordinary table: an index or key of
  /// another relation would stand without it.
  bool OfOrdinaryTable(TCatalogRow& Row, const std::string& What, const std::string& Table,
                       const std::string& RelKind);
  // Functions and triggers (qelPGDatabaseExtract_Prc.cpp).

  /// What one pg_type row gives a parameter or result.
  struct TPGTypeRow {
    /// The catalog's own name ("int4", "bpchar"); an array type is its element's name
    /// followed by "[]".
    std::string Name;
    std::int32_t CharLength = 0;
    std::int32_t Precision = 0;
    std::int32_t Scale = 0;
  };
  using TPGTypeMap = std::unordered_map<std::int64_t, TPGTypeRow>;

  /// The functions and procedures, with every parameter type resolved by one more query.
  void ExtractPrc();
  /// The triggers that users made (not those the server makes for keys).
  void ExtractTrg();
  /// The query of the routines, and the query of the pg_type rows of the oids TypeOids.
  std::vector<std::string> RoutineQuery() const;
  static std::vector<std::string> TypeQuery(const std::vector<std::int64_t>& TypeOids);
  std::vector<std::string> TriggerQuery() const;
  /// The pg_type rows of the oids TypeOids, by oid; nothing asked when there are none.
  TPGTypeMap ReadTypes(TQELQuery& Q, const std::vector<std::int64_t>& TypeOids);
  /// Adds the result of type RetType (0: none) to Prc, unless its output parameters make the
  /// result and it returns no set.
  static void AddResult(const TPGTypeMap& Types, TPrcData& Prc, std::int64_t RetType);
  /// One parameter per item of TypeOids, named after the item of Names and given the
  /// direction of the item of Modes at the same place ("i", "o", "b", or "t" for a column of
  /// RETURNS TABLE, which is an output parameter); lists that run out give empty items. Each
  /// is added to List.
  static void ExtractParams(const TPGTypeMap& Types, TPrcData* Prc,
                            const std::vector<std::int64_t>& TypeOids,
                            const std::vector<std::string>& Names,
                            const std::vector<std::string>& Modes, TObjVector<TFldData>& List);
  /// The defaults of the routines (oid, routine), read with one query and given to their
  /// last inputs.
  void ExtractParamDefaults(TQELQuery& Q,
                            const std::vector<std::pair<std::int64_t, TPrcData*>>& Routines);
  /// Gives the defaults of one routine, in order, to its last inputs (no output parameter
  /// takes one); a list longer than the inputs is left unread.
  static void SetParamDefaults(TPrcData& Prc, const std::vector<std::string>& Defaults);
  /// The items of an expression list as the server writes one ("0.25, 'a,b'::text"): split at
  /// the commas outside parentheses, brackets, literals and quoted names, each trimmed.
  static std::vector<std::string> ExpressionListItems(const std::string& Text);
  /// A new field typed after the pg_type row of TypeOid (an oid the map does not hold gives
  /// a field typed from an empty name); owned by Prc when given.
  static std::unique_ptr<TFldData> ExtractParam(const TPGTypeMap& Types, TPrcData* Prc,
                                                std::int64_t TypeOid);
  /// The items of a one-dimensional array in the server's text form ({a,"b c",""}); an
  /// unquoted NULL item is empty.
  static std::vector<std::string> ArrayItems(const std::string& Text);
  /// The numbers of an oid vector ("23 25") or oid array ("{23,25}").
  static std::vector<std::int64_t> OidItems(const std::string& Text);
  // Conversions, domains, types, operators and operator classes (qelPGDatabaseExtract_Types.cpp).
  void ExtractCnv();
  void ExtractDmn();
  void ExtractTyp();
  void ExtractOpr();
  void ExtractOpc();
  /// Reads the attributes of every composite type through Query, with one query, into the
  /// types of Types that have the oid of their relation, in attribute order.
  void ExtractTypeAttributes(TQELQuery& Query, std::vector<TRelationRead>& Types);
  /// Gives each domain of Timed (a domain over a time or interval type, with the name of its
  /// base type) the seconds precision of its type modifier, read with one query.
  void DomainTimePrecisions(TQELQuery& Q,
                            const std::vector<std::pair<TDmnData*, std::string>>& Timed);
  /// The names of a type list as oidvectortypes writes it ("integer, text").
  static std::vector<std::string> SplitTypeList(const std::string& Text);
  /// A type name of pg_type ("int4") as a script's type text ("integer"); empty stays empty.
  std::string TypeText(const std::string& Name) const;
  /// Adds to Dmn the checks of Texts (pg_get_constraintdef's, or consrc's when Source) under
  /// the names of Names, both lists apart by \x01 and in the same order.
  static void DomainChecks(TDmnData& Dmn, const std::string& Names, const std::string& Texts,
                           bool Source);

 private:
  TPGCatalogInfo FInfo;
};

}  // namespace qel
