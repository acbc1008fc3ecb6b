// Local SQL of Paradox and dBASE tables: the keyword table of the data-script parser, the
// identifier quoting of that dialect, and the parser that splits the data scripts the table data
// comparer writes back into statements.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "qelLocalSQLQuote.h"
#include "qelParser.h"

namespace qel {

/// Splits a data script (INSERT, UPDATE and DELETE statements, a few header statements and at
/// most one "SET BLOBFILE") into statements and reports each through OnAddStatement:
///   DELETE FROM t ...  -> stDelete, object name t, dboTable, odbDelete
///   INSERT INTO t ...  -> stInsert, object name t, dboTable, odbInsert
///   UPDATE t ...       -> stUpdate, object name t, dboTable, odbUpdate
///   SET BLOBFILE 'f'   -> stSetBlobFile, object name f (the side file, without quotes)
///   anything else      -> stStatement, no object name
/// The statement text runs from its first symbol to its terminator (or the end of the text).
///
/// Table names are read the way every dialect writer of the library writes them: bare (upper-
/// cased, as the framework reads names), in double quotes or back quotes (kept with their quotes),
/// in brackets (kept with the brackets), qualified by a schema ("s"."t"), and also when the bare
/// name is a keyword of this dialect ("user", "value"). Literals with back-slash escapes are read
/// as such when the dialect is dbMySQL (SetDatabaseType), as the MySQL writer escapes quotes.
class TLocalSQLParser : public TCustomSQLParser {
 public:
  explicit TLocalSQLParser(TCustomObjs* AObjs);
  ~TLocalSQLParser() override;

  /// The base symbols and the 215 local SQL keywords.
  void BuildResWords() override;
  /// The statement loop.
  void ParseText() override;
  /// A double-quoted or back-quoted string becomes an identifier that keeps its quotes.
  void DoAfterGetSy() override;
  /// Reads a bracketed name ("[Order Details]", "]]" inside standing for "]") as one identifier.
  void DoGetSy() override;
  /// The name quoted for the local SQL (LocalSQLQuoteIdent).
  std::string QuoteIdent(const std::string& Name) override;

 private:
  /// Reads a possibly qualified table name starting at Sy; reports "Missing: ..." and gives ""
  /// when Sy is no name.
  std::string ReadTableName();
  /// Reads on to the terminator (or the end of the text).
  void SkipToTerm();
  void AddStatement(TStatType aTyp, const std::string& aObjName, TDbObject aObjType,
                    TDbOperation aOperation);
};

}  // namespace qel
