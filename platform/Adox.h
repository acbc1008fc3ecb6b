// The ADOX stand-in: the catalog of an Access database file as the file itself defines it
// (tables with their columns, indexes and keys, and the names of the queries), read from the
// file without a driver.
//
// The reading lives in Adox.cpp, over the Access file library of the MDB Tools project
// (libmdb), built into the ADO adapter (varnel_ado) like Ado.cpp: the library itself sees only
// this header, and reaches the reader through ADOXCatalogReader, which the ADO adapter installs
// when it registers.
#pragma once

#include <string>
#include <vector>

#include "DataSet.h"

namespace qel {

/// The column types of a catalog (the ADO DataTypeEnum codes of the kinds an Access file has).
enum TADOXDataType : int {
  adEmpty = 0,             ///< a kind the catalog does not know (an attachment, a multi-value list)
  adSmallInt = 2,          ///< Integer: 16 bits
  adInteger = 3,           ///< Long Integer: 32 bits
  adSingle = 4,            ///< Single: 32-bit float
  adDouble = 5,            ///< Double: 64-bit float
  adCurrency = 6,          ///< Currency: a 64-bit integer of ten-thousandths
  adDate = 7,              ///< Date/Time
  adBoolean = 11,          ///< Yes/No
  adUnsignedTinyInt = 17,  ///< Byte
  adGUID = 72,             ///< Replication ID
  adBinary = 128,          ///< Binary (DefinedSize bytes)
  adNumeric = 131,         ///< Decimal (Precision, NumericScale)
  adVarWChar = 202,        ///< Text (DefinedSize characters)
  adLongVarWChar = 203,    ///< Memo
  adLongVarBinary = 205    ///< OLE Object
};

/// What a relationship does to the rows that refer to a changed or deleted row.
enum TADOXRule : int { adRINone = 0, adRICascade = 1, adRISetNull = 2, adRISetDefault = 3 };

struct TADOXColumn {
  std::string Name;
  TADOXDataType Type = adEmpty;
  /// Characters of a text column, bytes of a binary one; 0 otherwise.
  int DefinedSize = 0;
  int Precision = 0;
  int NumericScale = 0;
  /// Not Required (Yes/No columns are never NULL).
  bool Nullable = true;
  /// An AutoNumber column.
  bool AutoIncrement = false;
  /// The default as the file writes it (an Access expression: 0, "text", Now()); "" for none.
  std::string Default;
  std::string Description;
  /// The file's own type code, for messages about a column of type adEmpty.
  int FileType = 0;
};

struct TADOXIndexColumn {
  std::string Name;
  bool Descending = false;
};

struct TADOXIndex {
  std::string Name;
  bool PrimaryKey = false;
  bool Unique = false;
  std::vector<TADOXIndexColumn> Columns;
};

/// A relationship, as the foreign key of the table whose rows refer (the many side).
struct TADOXKey {
  std::string Name;
  std::string RelatedTable;
  std::vector<std::string> Columns, RelatedColumns;
  TADOXRule UpdateRule = adRINone;
  TADOXRule DeleteRule = adRINone;
  /// False for a relationship drawn without referential integrity: no key holds it.
  bool Enforced = true;
};

struct TADOXTable {
  std::string Name;
  /// A table of the file's own bookkeeping (MSys*): ADOX's "SYSTEM TABLE".
  bool System = false;
  std::string Description;
  std::vector<TADOXColumn> Columns;
  std::vector<TADOXIndex> Indexes;
  std::vector<TADOXKey> Keys;
};

/// The tables of a file (its system tables among them) and the names of its saved queries.
struct TADOXCatalog {
  std::vector<TADOXTable> Tables;
  std::vector<std::string> Queries;
};

/// Reads the catalog of the Access file FileName into Catalog; raises EDatabaseError with the
/// reason when the file cannot be read.
using TADOXCatalogReader = void (*)(const std::string& FileName, TADOXCatalog& Catalog);
inline TADOXCatalogReader ADOXCatalogReader = nullptr;

/// Installs the reader of Adox.cpp (the ADO adapter calls it when it registers).
void InstallADOXCatalogReader();

/// Reads the rows of table Table of the Access file FileName from the file itself, each value
/// as the file holds it, in the forms of DataSet.h: the columns Columns names, in that order
/// (every column, in the table's order, when it names none). Names are matched ignoring case,
/// as Access matches them; the result names each column as the file spells it. A table or
/// column the file lacks, or a value it cannot hold, raises EDatabaseError. (Built into the ADO
/// adapter like the catalog reader: the ODBC session of an Access file answers a select of a
/// whole table with it.)
void ReadAccessRows(const std::string& FileName, const std::string& Table,
                    const std::vector<std::string>& Columns, TQueryResult& Result);

/// The names of the tables of the Access file FileName, its own bookkeeping (MSys*) left out;
/// raises EDatabaseError when the file cannot be read. (Built into the ADO adapter: the ODBC
/// session of an Access file asks the driver for the columns of these tables one by one.)
std::vector<std::string> ReadAccessTableNames(const std::string& FileName);

}  // namespace qel
