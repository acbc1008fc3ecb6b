// varnel extract: reads a live database through the catalog extractor of its dialect and writes
// the whole schema as one creation script in that dialect, with the collection's own writer.
//
//   varnel extract --db URI [--output FILE]
//
// The script goes to standard output or to FILE. FILE is written only once the whole script is
// there: it is first written beside FILE under a temporary name and then renamed over FILE, so
// that a failed run leaves FILE as it was.
#include "varnel_extract.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "Strings.h"
#include "Text.h"
#include "qelDBStructure.h"
#include "qelDatabaseExtract.h"
#include "qelDialects.h"
#include "varnel_db.h"

using namespace qel;

namespace varnel_cli {

namespace {

/// The scheme name of a dialect for messages.
std::string SchemeName(const TDialect* D) {
  return D && !D->URISchemes.empty() ? D->URISchemes.front() : "this";
}

/// The URI schemes of the dialects whose catalogs this command reads, and ODBC: "postgresql,
/// mysql, firebird or odbc".
std::string CatalogSchemes() {
  std::vector<std::string> Schemes = SchemeNames(DialectsWith([](const TDialect& D) {
    return !D.URISchemes.empty() && static_cast<bool>(D.MakeCatalogExtractor);
  }));
  Schemes.push_back("odbc");
  return ListText(Schemes);
}

struct TExtractArguments {
  std::string URI, Output;
  bool Help = false;
  bool Version = false;
};

TExtractArguments ReadExtractArguments(const std::vector<std::string>& Args) {
  TExtractArguments A;
  for (std::size_t I = 0; I < Args.size(); ++I) {
    std::string V;
    if (Args[I] == "--help" || Args[I] == "-h") {
      A.Help = true;
    } else if (Args[I] == "--version") {
      A.Version = true;
    } else if (TakeValue(Args, I, "--db", V)) {
      A.URI = V;
    } else if (TakeValue(Args, I, "--output", V) || TakeValue(Args, I, "-o", V)) {
      if (V.empty()) throw TUsageError{"--output needs a file name"};
      A.Output = V;
    } else {
      throw TUsageError{"unknown argument: " + Args[I]};
    }
  }
  if (!A.Help && !A.Version && A.URI.empty()) throw TUsageError{"--db is required"};
  return A;
}

/// The script with the line breaks of a text file of this host. The writer ends lines with
/// CR LF; in a file run by psql or the mysql client, a CR LF inside a string literal (a
/// description over several lines) would reach the server with its CR.
std::string HostLineBreaks(const std::string& Text) {
  return StringReplace(Text, "\r\n", "\n", true, false);
}

/// Writes Text to Path through a temporary file beside it that is renamed over Path at the end;
/// the reason when that failed (the temporary file is gone then), empty on success.
std::string WriteWhole(const std::string& Path, const std::string& Text) {
  namespace fs = std::filesystem;
  const fs::path Target(Path);
  std::error_code EC;
  if (fs::is_directory(Target, EC)) return Path + " is a directory";
  // A device or a pipe (/dev/null, /dev/stdout, a FIFO) is written as it is: a file renamed
  // over it would replace the device itself.
  if (fs::exists(Target, EC) && !fs::is_regular_file(Target, EC)) {
    std::ofstream Out(Target, std::ios::binary);
    if (!Out || !(Out << Text) || !Out.flush()) return "cannot write " + Path;
    return std::string();
  }
  const fs::path Temp =
      Target.parent_path() / std::string(1, '.')
                                 .append(Target.filename().string())
                                 .append(".varnel-")
                                 .append(std::to_string(static_cast<long>(::getpid())))
                                 .append(".tmp");
  {
    std::ofstream Out(Temp, std::ios::binary | std::ios::trunc);
    if (!Out) return "cannot write " + Path;
    Out << Text;
    Out.flush();
    if (!Out) {
      Out.close();
      fs::remove(Temp, EC);
      return "cannot write " + Path;
    }
  }
  fs::rename(Temp, Target, EC);
  if (EC) {
    const std::string Reason = "cannot replace " + Path + ": " + EC.message();
    fs::remove(Temp, EC);
    return Reason;
  }
  return std::string();
}

}  // namespace

extern const char* const ExtractSummary = "write the schema of a database as a creation script";

void ExtractHelp(std::ostream& Out) {
  Out << "Usage: varnel extract --db URI [--output FILE]\n"
         "\n"
         "Reads the schema of a live database through its catalog and writes it as one\n"
         "creation script in the database's own dialect: what its catalog extractor reads\n"
         "(PostgreSQL: schemas, domains and types, tables, indexes, keys and checks,\n"
         "views, routines and triggers, and a sequence only as the serial column that owns\n"
         "it: a warning names each other sequence, which is not written; operators,\n"
         "operator classes and conversions are not written; MySQL: tables, keys, indexes\n"
         "and views; Firebird: domains, tables, keys, indexes, generators, exceptions,\n"
         "external functions, views, procedures, triggers, roles and grants), each followed\n"
         "by its description; PostgreSQL and MySQL roles and grants are not read.\n"
         "\n"
         "  --db URI          the database to read\n"
         "  -o, --output FILE write the script to FILE instead of standard output; FILE is\n"
         "                    replaced only when the whole script was written\n"
         "  --help            this text\n"
         "  --version         the program's version\n"
         "\n"
      << URIHelpLines()
      << "      odbc://DSN or odbc:CONNECTION-STRING (an ODBC source: tables, views, columns,\n"
         "        keys and indexes as the driver answers them)\n"
         "Lines end in LF. A MySQL script begins with USE of the database it was read from.\n"
         "\n"
         "Messages go to standard error.\n"
         "Exit codes: 0 the script was written, 1 the database could not be read (the messages\n"
         "say why, and no script is written), 2 bad arguments.\n";
}

int RunExtract(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err) {
  TExtractArguments A;
  TDatabaseURI U;
  std::unique_ptr<TCustomDBExtract> Extractor;
  try {
    A = ReadExtractArguments(Args);
    if (A.Help) {
      ExtractHelp(Out);
      return ExitOk;
    }
    if (A.Version) {
      Out << VersionLine();
      return ExitOk;
    }
    U = ParseDataSource("--db", A.URI);
    Extractor = MakeCatalogExtractor(U.DatabaseType());
    if (!Extractor)
      throw TUsageError{"--db: the " + SchemeName(U.Dialect) +
                        " dialect has no catalog extractor (" + CatalogSchemes() + ")"};
  } catch (const TUsageError& E) {
    return UsageFailure(Err, "extract", E.Text);
  }

  TDBStructure Holder(nullptr);
  auto Connection = MakeConnection(U);
  Extractor->Name = "Database";
  Extractor->SetConnection(Connection.get());
  Extractor->SetDBStructure(&Holder);
  // The messages are printed from the extractor's list at the end, each once.
  Extractor->SetOnErrorMessage([](TObject*, const std::string&) {});

  const bool Extracted = Extractor->ExtractDatabase();
  TMsgManager& Messages = *Extractor->GetMsgManager();
  PrintMessages(Messages, Err, "extract", false);
  TObjs* Objs = Holder.GetMetadata();
  if (!Extracted || Messages.GetIsErr() || !Objs) {
    if (!Messages.GetIsErr()) Err << "varnel extract: error: the database could not be read\n";
    return ExitErrors;
  }

  if (U.Dialect && U.Dialect->SetUpExtractedScript) U.Dialect->SetUpExtractedScript(*Objs);
  TStringList Lines;
  Objs->ExtractMetadata(Lines);
  const std::string Text = HostLineBreaks(Lines.GetText());
  if (A.Output.empty()) {
    Out << Text;
    Out.flush();
    if (Out) return ExitOk;
    Err << "varnel extract: error: the script could not be written to standard output\n";
    return ExitErrors;
  }
  const std::string Failure = WriteWhole(A.Output, Text);
  if (!Failure.empty()) {
    Err << "varnel extract: error: " << Failure << '\n';
    return ExitErrors;
  }
  return ExitOk;
}

}  // namespace varnel_cli
