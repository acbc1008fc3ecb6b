// SQL Server dialect: the identifier quoting every SQL Server script writer goes through. Light on
// purpose: included without the parser; the dialect's registration hands the quoting to the core.
#pragma once

#include <string>
#include <string_view>

namespace qel {

/// S as it must be written in Transact-SQL script text: "[" + S + "]", with inner "]" doubled,
/// when S holds a character outside the regular identifier set (first "A".."Z", "a".."z", "_",
/// "@", "#"; then also "0".."9" and "$") or is, in any case, a reserved word of Transact-SQL or
/// an ODBC or future reserved keyword. A name that starts with "<" is a template placeholder and
/// stays unchanged unless it holds a "]". An empty S stays empty.
std::string MSSQLQuoteIdent(const std::string& S);

/// S (not empty) is a regular Transact-SQL identifier as SQL Server and ASE spell one: first
/// "A".."Z", "a".."z", "_", "@", "#"; then also "0".."9" and "$". Reserved words are not
/// looked at.
bool TransactSQLRegularName(std::string_view S);

}  // namespace qel
