// Record sets: typed values with NULL, the fields of a result row, the parameters of a
// statement, and a data set that holds the rows of one result and walks through them.
//
// Every value is kept as its text: numbers and dates as the server writes them (exact
// decimals never pass through a binary float, fractional seconds are kept) and large binary
// values as their bytes. The typed getters convert on demand.
//
// This is the data-access layer: a server error, or asking for a field or parameter that is
// not there, raises EDatabaseError. The library's components catch it around each connection,
// query and statement and turn it into a message.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Component.h"

namespace qel {

/// A failure reported by a database server or by the data-access layer; the text is the
/// server's own message where there is one.
class EDatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// The neutral type of a field or parameter value.
enum TFieldType : std::uint8_t {
  ftUnknown,
  ftString,    ///< text
  ftSmallint,  ///< 16-bit integer
  ftInteger,   ///< 32-bit integer
  ftLargeint,  ///< 64-bit integer
  ftBoolean,   ///< kept as "True" or "False"
  ftFloat,     ///< binary floating point, kept as the shortest text that reads back the same
  ftFMTBcd,    ///< exact decimal, kept as its decimal text
  ftDate,      ///< "YYYY-MM-DD"
  ftTime,      ///< "HH:MM:SS" with optional fraction
  ftDateTime,  ///< "YYYY-MM-DD HH:MM:SS" with optional fraction (and zone, where the server adds
               ///< one)
  ftMemo,      ///< large text
  ftBlob       ///< large binary value, kept as its bytes
};

/// The name of a field type ("ftInteger"); "ftUnknown" for values out of range.
std::string FieldTypeName(TFieldType DataType);

/// Copies Size bytes into To, whose buffer serves again from row to row; a buffer that one large
/// value made far larger than what it holds now is let go first, so that one large value does
/// not stay held for the rest of a result.
inline void AssignValueText(std::string& To, const char* Data, std::size_t Size) {
  constexpr std::size_t Kept = 1u << 20;
  if (To.capacity() > Kept && To.capacity() / 4 > Size) std::string().swap(To);
  To.assign(Data, Size);
}

/// One value: NULL, or a type and its text.
class TDataValue {
 public:
  bool IsNull() const { return FIsNull; }
  TFieldType GetDataType() const { return FDataType; }
  /// The text of the value (the bytes of a large binary value); "" for NULL.
  const std::string& AsString() const { return FData; }
  /// Exchanges the texts of two values, types and NULL flags staying (a large value lent to a
  /// parameter for one statement instead of copied, and given back after it).
  void ExchangeText(TDataValue& Other) { FData.swap(Other.FData); }
  /// The value as an integer; 0 for NULL. Booleans give 1 or 0; a float is rounded. Text that
  /// is not a number raises EDatabaseError.
  std::int32_t AsInteger() const;
  std::int64_t AsLargeInt() const;
  /// The value as a binary float; 0 for NULL. Text that is not a number raises EDatabaseError.
  double AsFloat() const;
  /// True for "True", "t", "true", "1", "Y" and "yes" in any case; False for NULL and others.
  bool AsBoolean() const;

 protected:
  void SetNull() {
    FIsNull = true;
    FData.clear();
  }
  void SetData(TFieldType DataType, std::string Data) {
    FDataType = DataType;
    FData = std::move(Data);
    FIsNull = false;
  }
  void SetDataType(TFieldType DataType) { FDataType = DataType; }
  /// Takes Data as the value's text, keeping the type (and the text's buffer, for the next row).
  void AssignData(const std::string& Data) {
    AssignValueText(FData, Data.data(), Data.size());
    FIsNull = false;
  }
  /// Exchanges the value's text with Data (a large value changes hands without a copy).
  void SwapData(std::string& Data) {
    FData.swap(Data);
    FIsNull = false;
  }
  void CopyValue(const TDataValue& Source) {
    FIsNull = Source.FIsNull;
    FDataType = Source.FDataType;
    FData = Source.FData;
  }

 private:
  std::string FData;
  TFieldType FDataType = ftUnknown;
  bool FIsNull = true;
};

/// One column of a result row; its value is the current row's.
class TField : public TObject, public TDataValue {
 public:
  TField(std::string FieldName, TFieldType DataType, std::int32_t Size);

  const std::string& GetFieldName() const { return FFieldName; }
  /// The declared size (characters of a text column, bytes of a binary float: 4 or 8); 0 when
  /// the server did not say.
  std::int32_t GetSize() const { return FSize; }
  /// The digits of a time's or timestamp's second fraction the column keeps; -1 when the server
  /// did not say.
  std::int32_t GetScale() const { return FScale; }
  void SetScale(std::int32_t Value) { FScale = Value; }

 private:
  friend class TDataSet;
  void Load(bool IsNull, const std::string& Data);
  /// Takes a large value by exchanging buffers with the record that holds it.
  void Lend(std::string& Data) { SwapData(Data); }

  std::string FFieldName;
  std::int32_t FSize = 0;
  std::int32_t FScale = -1;
};

/// The fields of a data set, in column order. Names are found ignoring ASCII case.
class TFields {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  /// The field at Index; nullptr outside the list.
  TField* Fields(int Index) const;
  TField* FindField(const std::string& FieldName) const;
  /// Raises EDatabaseError when there is no such field.
  TField* FieldByName(const std::string& FieldName) const;

 private:
  friend class TDataSet;
  std::vector<std::unique_ptr<TField>> FItems;
};

/// One parameter of a statement: its name, type and value.
class TParam : public TPersistent, public TDataValue {
 public:
  explicit TParam(std::string Name = std::string()) : Name(std::move(Name)) {}

  std::string Name;

  /// Copies name, type and value of another TParam.
  void Assign(const TPersistent& Source) override;

  /// Makes the value NULL; the type stays.
  void Clear() { SetNull(); }
  void SetAsString(std::string Value) { SetData(ftString, std::move(Value)); }
  void SetAsInteger(std::int32_t Value);
  void SetAsLargeInt(std::int64_t Value);
  void SetAsFloat(double Value);
  void SetAsBoolean(bool Value) { SetData(ftBoolean, Value ? "True" : "False"); }
  /// An exact decimal given as its text ("-12.50"); the text must be a decimal number.
  /// Anything else raises EDatabaseError, so that it can never reach a statement unchecked.
  void SetAsFMTBCD(const std::string& Value);
  /// Dates and times as text in the ISO forms of TFieldType.
  void SetAsDate(std::string Value) { SetData(ftDate, std::move(Value)); }
  void SetAsTime(std::string Value) { SetData(ftTime, std::move(Value)); }
  void SetAsDateTime(std::string Value) { SetData(ftDateTime, std::move(Value)); }
  void SetAsMemo(std::string Value) { SetData(ftMemo, std::move(Value)); }
  /// A large binary value given as its bytes.
  void SetAsBlob(std::string Bytes) { SetData(ftBlob, std::move(Bytes)); }
  /// The type a NULL value is sent as.
  void SetDataType(TFieldType DataType) { TDataValue::SetDataType(DataType); }
  /// Copies the value (and its type) of a field.
  void AssignField(const TField& Field) { CopyValue(Field); }
};

/// The parameters of a statement, in the order they were added. Names are found ignoring
/// ASCII case.
class TParams : public TPersistent {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  /// The parameter at Index; nullptr outside the list.
  TParam* Items(int Index) const;
  TParam* FindParam(const std::string& Name) const;
  /// Raises EDatabaseError when there is no such parameter.
  TParam* ParamByName(const std::string& Name) const;
  /// Appends a NULL parameter of the given name and type.
  TParam* CreateParam(TFieldType DataType, const std::string& Name);
  void Clear() {
    FItems.clear();
    ++FGeneration;
  }
  /// Copies every parameter of another TParams.
  void Assign(const TPersistent& Source) override;
  /// Changes whenever a parameter is added or the list is emptied or replaced: a holder of
  /// pointers to the parameters sees that they may be gone.
  std::uint64_t Generation() const { return FGeneration; }

 private:
  std::vector<std::unique_ptr<TParam>> FItems;
  std::uint64_t FGeneration = 0;
};

/// How a data set asks for a record.
enum TGetMode : std::uint8_t { gmCurrent, gmNext, gmPrior };
/// What the answer was.
enum TGetResult : std::uint8_t { grOK, grBOF, grEOF, grError };

/// A record set that holds the rows of one result. A subclass fills the columns and rows in
/// InternalOpen (AddField, AppendRecord); the data set then walks through them. Because the
/// rows are held here, a data set stays readable while other statements run on the same
/// connection.
class TDataSet : public TComponent {
 public:
  /// One stored value of a row.
  struct TRecordValue {
    bool IsNull = true;
    std::string Data;
  };
  using TRecord = std::vector<TRecordValue>;

  explicit TDataSet(TComponent* AOwner) : TComponent(AOwner) {}
  ~TDataSet() override;

  bool GetActive() const { return FActive; }
  /// Opening runs InternalOpen and positions on the first record; an exception leaves the
  /// data set closed and is passed on. Closing forgets the rows and fields.
  virtual void SetActive(bool Value);
  virtual void Open() { SetActive(true); }
  virtual void Close() { SetActive(false); }

  virtual void First();
  virtual void Next();
  virtual void Last();
  void Prior();
  /// True past the last record (at once for an empty result) and when closed.
  virtual bool GetEof() const { return FEof; }
  bool GetBof() const { return FBof; }
  /// Number of rows held; 0 when closed.
  int RecordCount() const { return static_cast<int>(FRecords.size()); }
  /// The current record, counted from 1; 0 when there is none.
  int RecNo() const { return FRecords.empty() || !FActive ? 0 : FCurrent + 1; }

  /// Puts the rows held in the order Order gives (each row's position, every row once) and
  /// goes to the first: for a source that cannot order its rows itself.
  void ReorderRecords(const std::vector<int>& Order);

  TFields& Fields() { return FFields; }
  const TFields& Fields() const { return FFields; }
  int FieldCount() const { return FFields.Count(); }
  TField* FindField(const std::string& FieldName) const { return FFields.FindField(FieldName); }
  /// Raises EDatabaseError when there is no such field.
  virtual TField* FieldByName(const std::string& FieldName) {
    return FFields.FieldByName(FieldName);
  }

 protected:
  /// Engine hooks. The base reads the rows added by InternalOpen.
  virtual void InternalOpen() {}
  virtual void InternalClose() {}
  virtual void InternalInitFieldDefs() {}
  virtual void InternalHandleException() {}
  virtual bool IsCursorOpen() const { return FActive; }
  /// Moves to the record GetMode names and loads it into the fields.
  virtual TGetResult GetRecord(TGetMode GetMode);

  /// For InternalOpen: adds a column, or a row (one value per column, in column order).
  TField* AddField(const std::string& FieldName, TFieldType DataType, std::int32_t Size = 0);
  void AppendRecord(TRecord Record);
  /// Exchanges the rows held with Rows (each one value per column) and goes before the first;
  /// the fields stay. A reader of a result in blocks hands the rows of the last block back to
  /// be filled again, so that their buffers serve the next rows.
  void SwapRecords(std::vector<TRecord>& Rows);
  /// Forgets rows and fields.
  void ClearRecords();

 private:
  void LoadCurrent();
  /// Gives the large values lent to the fields back to their record.
  void ReturnLent();

  TFields FFields;
  std::vector<TRecord> FRecords;
  int FCurrent = -1;
  /// The record whose large values the fields hold (their buffers exchanged, not copied: a value
  /// of many megabytes is held once), and the positions of those values; -1 for none.
  int FLent = -1;
  std::vector<std::size_t> FLentFields;
  bool FActive = false;
  bool FEof = true;
  bool FBof = true;
};

/// One column of a result.
struct TResultColumn {
  std::string Name;
  TFieldType DataType = ftUnknown;
  std::int32_t Size = 0;
  std::int32_t Scale = -1;  ///< as TField::GetScale
};

/// What one statement gave back: its first result with columns, or the rows it changed.
struct TQueryResult {
  std::vector<TResultColumn> Columns;
  std::vector<TDataSet::TRecord> Rows;
  std::int64_t RowsAffected = -1;  ///< -1 when the server or driver did not say
};

}  // namespace qel
