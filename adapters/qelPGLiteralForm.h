// A PostgreSQL row statement written with its values in its text (INSERT ... VALUES (1, 'a'))
// in the form the server parses and plans once for many rows: the literals as parameters
// ($1, $2, ...), each with the type the server gives the literal.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qel {

/// The parametrised form of a statement.
struct TPGLiteralForm {
  /// The text with $1, $2, ... in place of the literals taken out.
  std::string Text;
  /// The values of the parameters, as the server reads them in text form.
  std::vector<std::string> Values;
  /// The type of each parameter as the server's type id: 0 (unknown, a quoted string, typed by
  /// where it stands as the literal is), int4, int8 or numeric for a number as the server types
  /// its literal.
  std::vector<unsigned> Types;
  void Clear() {
    Text.clear();
    Values.clear();
    Types.clear();
  }
};

/// Type ids of the parameters of TPGLiteralForm.
constexpr unsigned PGUnknownOid = 0, PGInt4Oid = 23, PGInt8Oid = 20, PGNumericOid = 1700;

/// Fills Form with the parametrised form of SQL, a single INSERT, UPDATE or DELETE read with
/// standard_conforming_strings on. Quoted strings ('...', E'...') and numbers (a minus sign that
/// stands for a negative number with them) become parameters; NULL, TRUE, FALSE, a string after
/// a type name (DATE '2020-01-01'), bit and Unicode strings, dollar quotes, comments and quoted
/// names stay as written. False (Form undefined) when there is nothing to take out or the text
/// is not one the form is sure for: another statement, several statements, parameter markers
/// of its own, an escape that is not a plain byte.
bool PGLiteralsAsParams(std::string_view SQL, TPGLiteralForm& Form);

}  // namespace qel
