// String lists, text helpers and file helpers of the platform layer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Files.h"
#include "Strings.h"
#include "Text.h"

namespace qel {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const TStrings& L) {
  return {L.begin(), L.end()};
}

/// A fresh folder under the system's temporary folder, removed at the end of the test.
class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* Info = ::testing::UnitTest::GetInstance()->current_test_info();
    Dir = fs::temp_directory_path() / ("qel_" + std::to_string(::getpid()) + "_" +
                                       Info->test_suite_name() + "_" + Info->name());
    fs::remove_all(Dir);
    fs::create_directories(Dir);
  }
  void TearDown() override {
    std::error_code Ec;
    fs::remove_all(Dir, Ec);
  }
  std::string Path(const std::string& Name) const { return (Dir / Name).string(); }
  fs::path Dir;
};

// ---------------------------------------------------------------------------------------------
// TStrings

TEST(StringsText, SplitsAtEveryKindOfLineBreak) {
  TStrings L;
  L.SetText("");
  EXPECT_EQ(L.Count(), 0);
  L.SetText("\r\n");
  EXPECT_EQ(Lines(L), std::vector<std::string>{""});
  L.SetText("\n");
  EXPECT_EQ(Lines(L), std::vector<std::string>{""});
  L.SetText("a\rb\nc\r\nd");
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"a", "b", "c", "d"}));
  L.SetText("a\r\n");
  EXPECT_EQ(Lines(L), std::vector<std::string>{"a"});
  // LF CR is two breaks, and blank lines in the middle are kept.
  L.SetText("a\n\rb\r\n\r\nc\n\n");
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"a", "", "b", "", "c", ""}));
  EXPECT_EQ(L.GetText(), "a\r\n\r\nb\r\n\r\nc\r\n\r\n");
  // Several lone CRs before an LF, and a text that starts with its break.
  L.SetText("\nx\ry\r\rz\nw");
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"", "x", "y", "", "z", "w"}));
}

TEST(StringsText, ObjectsAndEditingKeepEntriesTogether) {
  TObject A, B;
  TStrings L;
  L.AddObject("one", &A);
  L.Add("two");
  L.InsertObject(0, "zero", &B);
  L.Insert(3, "three");
  L.Insert(9, "ignored");  // outside the list
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"zero", "one", "two", "three"}));
  L.Move(0, 2);
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"one", "two", "zero", "three"}));
  L.Exchange(0, 3);
  EXPECT_EQ(L.Objects(3), &A);
  EXPECT_EQ(L.IndexOfObject(&B), 2);
  L.Delete(2);
  EXPECT_EQ(L.IndexOfObject(&B), -1);
  EXPECT_EQ(L[7], "");
  EXPECT_EQ(L.Objects(-1), nullptr);

  // Unsorted lookups follow the case rule.
  EXPECT_EQ(L.IndexOf("TWO"), 1);
  L.SetCaseSensitive(true);
  EXPECT_EQ(L.IndexOf("TWO"), -1);
}

TEST(StringsText, NamesAndValues) {
  TStrings L;
  L.SetText("User=alice\nnoequals\nPassword=a=b\nEmpty=\n");
  EXPECT_EQ(L.Names(0), "User");
  EXPECT_EQ(L.Names(1), "");
  EXPECT_EQ(L.ValueFromIndex(1), "");
  EXPECT_EQ(L.ValueFromIndex(2), "a=b");
  EXPECT_EQ(L.Values("user"), "alice");
  EXPECT_EQ(L.IndexOfName("noequals"), -1);
  EXPECT_EQ(L.IndexOfName("EMPTY"), 3);
  EXPECT_EQ(L.Values("missing"), "");

  L.SetValue("USER", "bob");  // replaced in place, under the name given
  EXPECT_EQ(L[0], "USER=bob");
  L.SetValue("Host", "srv");
  EXPECT_EQ(L[4], "Host=srv");
  L.SetValue("Password", "");
  EXPECT_EQ(L.IndexOfName("Password"), -1);
  EXPECT_EQ(L.Count(), 4);
}

TEST(StringsText, OnChangeFiresOnceAfterUpdate) {
  TStringList L;
  int Fired = 0;
  L.OnChange = [&] { ++Fired; };
  L.Add("a");
  EXPECT_EQ(Fired, 1);
  L.BeginUpdate();
  L.BeginUpdate();
  L.Add("b");
  L.Add("c");
  L.EndUpdate();
  EXPECT_EQ(Fired, 1);
  L.EndUpdate();
  EXPECT_EQ(Fired, 2);
  L.SetText("x\ny\nz");  // one change for the whole text
  EXPECT_EQ(Fired, 3);
  L.BeginUpdate();
  L.EndUpdate();  // nothing changed, nothing fired
  L.EndUpdate();  // unbalanced: ignored
  EXPECT_EQ(Fired, 3);
}

TEST(StringsText, AssignCopiesStringsAndObjectsAndRefusesOtherClasses) {
  TObject A;
  TStrings Src;
  Src.AddObject("b", &A);
  Src.Add("a");
  Src.Add("b");
  TStringList Dst;
  Dst.Add("old");
  Dst.Assign(Src);
  EXPECT_TRUE(Dst.Equals(Src));
  EXPECT_EQ(Dst.Objects(0), &A);

  // A sorted target files the copies in order and applies its duplicates rule.
  TStringList Sorted;
  Sorted.SetSorted(true);
  Sorted.Assign(Src);
  EXPECT_EQ(Lines(Sorted), (std::vector<std::string>{"a", "b"}));

  Dst.AddStrings(Dst);  // adding a list to itself doubles it
  EXPECT_EQ(Dst.Count(), 6);

  TPersistent Other;
  EXPECT_THROW(Dst.Assign(Other), EConvertError);
}

/// Counts its destructions, to check that an owning list frees each object exactly once.
struct TCounted : TObject {
  explicit TCounted(int& C) : Count(C) {}
  ~TCounted() override { ++Count; }
  int& Count;
};

TEST(StringsText, OwningListFreesEachObjectOnce) {
  int Freed = 0;
  {
    TStringList L;
    L.OwnsObjects = true;
    L.AddObject("a", new TCounted(Freed));
    L.AddObject("b", new TCounted(Freed));
    L.AddObject("c", new TCounted(Freed));
    L.Delete(0);
    EXPECT_EQ(Freed, 1);
    L.PutObject(0, new TCounted(Freed));  // the replaced object goes
    EXPECT_EQ(Freed, 2);
    TStringList Copy(L);  // a copy points at the objects but does not own them
    EXPECT_FALSE(Copy.OwnsObjects);
    EXPECT_EQ(Copy.Objects(1), L.Objects(1));
  }
  EXPECT_EQ(Freed, 4);
}

// ---------------------------------------------------------------------------------------------
// TStringList

TEST(StringList, SortedAddFindAndDuplicates) {
  TStringList L;
  L.SetText("pear\nApple\nfig");
  L.SetSorted(true);
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"Apple", "fig", "pear"}));

  int Index = -1;
  EXPECT_TRUE(L.Find("APPLE", Index));
  EXPECT_EQ(Index, 0);
  EXPECT_FALSE(L.Find("banana", Index));
  EXPECT_EQ(Index, 1);  // insertion point
  EXPECT_FALSE(L.Find("zz", Index));
  EXPECT_EQ(Index, 3);

  EXPECT_EQ(L.Add("FIG"), 1);  // dupIgnore: the existing entry
  EXPECT_EQ(L.Count(), 3);
  L.Duplicates = dupError;
  EXPECT_EQ(L.Add("Pear"), -1);
  EXPECT_EQ(L.Count(), 3);
  L.Duplicates = dupAccept;
  EXPECT_EQ(L.Add("FIG"), 2);  // after the equal entry
  EXPECT_EQ(L.Add("Fig"), 3);
  EXPECT_TRUE(L.Find("fig", Index));
  EXPECT_EQ(Index, 1);  // the first of the equal entries
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"Apple", "fig", "FIG", "Fig", "pear"}));

  // Insert and Put cannot break the order of a sorted list; Move and Exchange are ignored.
  L.Insert(0, "zebra");
  EXPECT_EQ(L[5], "zebra");
  L.Put(5, "banana");
  EXPECT_EQ(L[1], "banana");
  L.Exchange(0, 1);
  L.Move(0, 5);
  EXPECT_EQ(L[0], "Apple");
  L.Duplicates = dupIgnore;
  L.Put(0, "PEAR");  // would duplicate "pear": refused, entry kept
  EXPECT_EQ(L[0], "Apple");
  EXPECT_EQ(L.IndexOf("PEAR"), 5);
}

TEST(StringList, CaseRuleOrdersBytesWithoutLocale) {
  TStringList L;
  L.SetSorted(true);
  L.Duplicates = dupAccept;
  for (const char* S : {"b", "_", "B", "a", "\xC3\xA9", "A"}) L.Add(S);
  // Folded to upper case, "_" (0x5F) sorts after the letters; UTF-8 bytes come last.
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"a", "A", "b", "B", "_", "\xC3\xA9"}));

  // Switching to case-sensitive re-sorts, so that Find stays right.
  L.SetCaseSensitive(true);
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"A", "B", "_", "a", "b", "\xC3\xA9"}));
  int Index = -1;
  EXPECT_TRUE(L.Find("a", Index));
  EXPECT_EQ(Index, 3);
  EXPECT_FALSE(L.Find("C", Index));
  EXPECT_EQ(Index, 2);
}

TEST(StringList, UnsortedFindAndCustomSort) {
  TStringList L;
  L.SetText("c\nbb\na\ndd");
  int Index = -1;
  EXPECT_TRUE(L.Find("a", Index));
  EXPECT_EQ(Index, 2);
  EXPECT_FALSE(L.Find("x", Index));
  EXPECT_EQ(Index, 4);

  // By length, equal lengths keeping their order.
  L.CustomSort([](const TStringList& List, int I1, int I2) {
    return static_cast<int>(List[I1].size()) - static_cast<int>(List[I2].size());
  });
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"c", "a", "bb", "dd"}));
  L.Sort();
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"a", "bb", "c", "dd"}));
}

// ---------------------------------------------------------------------------------------------
// Files

using FilesTest = TempDir;

TEST_F(FilesTest, LoadMissingFileKeepsList) {
  TStringList L;
  L.Add("kept");
  EXPECT_FALSE(L.LoadFromFile(Path("missing.sql")));
  EXPECT_FALSE(L.LoadFromFile(Dir.string()));  // a folder is not a file
  EXPECT_EQ(Lines(L), std::vector<std::string>{"kept"});
}

TEST_F(FilesTest, SaveAndLoadRoundTrip) {
  TStrings L;
  L.SetText("CREATE TABLE t (\r\n  \xC3\xA9 INT\r\n);\r\n\r\nlast");
  ASSERT_TRUE(L.SaveToFile(Path("out.sql")));
  std::string Raw;
  ASSERT_TRUE(ReadFileToString(Path("out.sql"), Raw));
  EXPECT_EQ(Raw, "CREATE TABLE t (\r\n  \xC3\xA9 INT\r\n);\r\n\r\nlast\r\n");

  TStrings Back;
  ASSERT_TRUE(Back.LoadFromFile(Path("out.sql")));
  EXPECT_TRUE(Back.Equals(L));

  // A byte-order mark is not part of the first line.
  ASSERT_TRUE(WriteStringToFile(Path("bom.sql"),
                                "\xEF\xBB\xBF"
                                "a\nb"));
  ASSERT_TRUE(Back.LoadFromFile(Path("bom.sql")));
  EXPECT_EQ(Lines(Back), (std::vector<std::string>{"a", "b"}));

  EXPECT_FALSE(L.SaveToFile(Path("no/such/folder/out.sql")));
}

TEST_F(FilesTest, FindFilesExpandsWildcardsSorted) {
  for (const char* Name : {"b.sql", "a.sql", "a.SQL", "ab.sql", "readme.txt", ".hidden.sql"})
    ASSERT_TRUE(WriteStringToFile(Path(Name), "x"));
  fs::create_directory(Dir / "dir.sql");  // folders never match

  const std::string D = IncludeTrailingPathDelimiter(Dir.string());
  EXPECT_EQ(FindFiles(D + "*.sql"),
            (std::vector<std::string>{D + ".hidden.sql", D + "a.sql", D + "ab.sql", D + "b.sql"}));
  EXPECT_EQ(FindFiles(D + "?.sql"), (std::vector<std::string>{D + "a.sql", D + "b.sql"}));
  EXPECT_EQ(FindFiles(D + "a.sql"), std::vector<std::string>{D + "a.sql"});
  EXPECT_TRUE(FindFiles(D + "*.ddl").empty());
  EXPECT_TRUE(FindFiles(D + "missing.sql").empty());
  EXPECT_TRUE(FindFiles(D + "nofolder/*.sql").empty());
  EXPECT_TRUE(FindFiles(D).empty());
}

TEST(Files, PathParts) {
  EXPECT_EQ(ExtractFilePath("/ddl/v1/a.sql"), "/ddl/v1/");
  EXPECT_EQ(ExtractFilePath("a.sql"), "");
  EXPECT_EQ(ExtractFileName("/ddl/v1/a.sql"), "a.sql");
  EXPECT_EQ(ExtractFileExt("/ddl/v1.0/a.tar.gz"), ".gz");
  EXPECT_EQ(ExtractFileExt("/ddl/v1.0/README"), "");
  EXPECT_EQ(ChangeFileExt("/ddl/v1.0/README", ".txt"), "/ddl/v1.0/README.txt");
  EXPECT_EQ(ChangeFileExt("a.sql", ".blob"), "a.blob");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp"), "/tmp/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp/"), "/tmp/");
  // The current folder must not turn into the root.
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "");
}

TEST(Files, MatchesMask) {
  EXPECT_TRUE(MatchesMask("a.sql", "*.sql"));
  EXPECT_FALSE(MatchesMask("a.SQL", "*.sql"));
  EXPECT_TRUE(MatchesMask("abcabd", "*ab?"));
  EXPECT_FALSE(MatchesMask("abcab", "*ab?"));
  EXPECT_TRUE(MatchesMask("", "*"));
  EXPECT_FALSE(MatchesMask("", "?"));
  EXPECT_TRUE(MatchesMask("x", "**?**"));
  EXPECT_TRUE(MatchesMask("\xC3\xA9.sql", "?.sql"));  // one character of two bytes
  EXPECT_FALSE(MatchesMask(std::string(40, 'a'), std::string(20, '*') + "b"));
}

TEST_F(FilesTest, FileStreamReadWriteSeek) {
  const std::string F = Path("data.bin");
  TFileStream Missing(F, fmOpenRead);
  EXPECT_FALSE(Missing.IsOpen());
  EXPECT_EQ(Missing.Read(nullptr, 0), -1);
  {
    TFileStream S(F, fmCreate);
    ASSERT_TRUE(S.IsOpen());
    EXPECT_EQ(S.Write("hello world", 11), 11);
    EXPECT_EQ(S.Seek(0, soBeginning), 0);
    char Buf[6] = {};
    EXPECT_EQ(S.Read(Buf, 5), 5);
    EXPECT_EQ(std::string(Buf), "hello");
    EXPECT_EQ(S.Write("!", 1), 1);  // write right after a read
    EXPECT_EQ(S.Size(), 11);
    EXPECT_EQ(S.Seek(-1, soBeginning), -1);
    EXPECT_EQ(S.Position(), 6);
  }
  EXPECT_EQ(FileSize(F), 11);
  {
    TFileStream S(F, fmAppend);
    ASSERT_TRUE(S.IsOpen());
    EXPECT_EQ(S.Position(), 11);
    EXPECT_EQ(S.Write("?", 1), 1);
  }
  {
    TFileStream S(F, fmOpenRead);
    char Buf[32] = {};
    EXPECT_EQ(S.Read(Buf, sizeof Buf), 12);
    EXPECT_EQ(std::string(Buf), "hello!world?");
    EXPECT_EQ(S.Read(Buf, 4), 0);
    EXPECT_EQ(S.Write("x", 1), -1);  // read only
  }
  EXPECT_EQ(FileSize(Path("none")), -1);
}

// ---------------------------------------------------------------------------------------------
// Text

TEST(Text, CaseAndComparison) {
  EXPECT_EQ(UpperCase("Select \xC3\xA9 from"), "SELECT \xC3\xA9 FROM");
  EXPECT_EQ(LowerCase("RDB$Fields_1"), "rdb$fields_1");
  EXPECT_TRUE(SameText("Rdb$Relations", "RDB$RELATIONS"));
  EXPECT_FALSE(SameText("ab", "abc"));
  EXPECT_FALSE(SameText("\xC3\xA9", "\xC3\x89"));  // no folding beyond ASCII
  EXPECT_EQ(CompareText("abc", "ABD"), -1);
  EXPECT_EQ(CompareText("ab", "AB"), 0);
  EXPECT_EQ(CompareText("ab", "A"), 1);
  EXPECT_LT(CompareText("Z", "_"), 0);  // folded to upper case, as the framework does
  EXPECT_LT(CompareStr("Z", "a"), 0);
  EXPECT_LT(CompareStr("z", "\x80"), 0);  // bytes compare unsigned
}

TEST(Text, TrimAndSearch) {
  EXPECT_EQ(Trim(" \t\r\n x y \x01"), "x y");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x \n"), "  x");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim("\xC2\xA0x"), "\xC2\xA0x");  // non-ASCII bytes are not blanks

  EXPECT_TRUE(StartsText("create", "CREATE TABLE"));
  EXPECT_FALSE(StartsText("CREATE TABLE X", "create table"));
  EXPECT_TRUE(EndsText(".SQL", "a.sql"));
  EXPECT_TRUE(ContainsText("Create Or Replace", "or REPLACE"));
  EXPECT_FALSE(ContainsText("abc", ""));
  EXPECT_TRUE(StartsStr("ab", "abc"));
  EXPECT_FALSE(StartsStr("AB", "abc"));
  EXPECT_TRUE(EndsStr("bc", "abc"));
  EXPECT_FALSE(EndsStr("abcd", "bcd"));

  EXPECT_EQ(Pos("b", "abcb"), 2);
  EXPECT_EQ(Pos("b", "abcb", 3), 4);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(Pos("x", "abc"), 0);
  EXPECT_EQ(Pos("c", "abc", 9), 0);
  EXPECT_EQ(Copy("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Copy("abcdef", 0, 2), "ab");
  EXPECT_EQ(Copy("abcdef", 5, 100), "ef");
  EXPECT_EQ(Copy("abcdef", 7, 1), "");
  EXPECT_EQ(Copy("abcdef", 2, -1), "");
}

TEST(Text, ReplaceAndQuote) {
  EXPECT_EQ(StringReplace("a.b.c", ".", "::", true, false), "a::b::c");
  EXPECT_EQ(StringReplace("a.b.c", ".", "::", false, false), "a::b.c");
  EXPECT_EQ(StringReplace("Go go GO", "go", "x", true, true), "x x x");
  EXPECT_EQ(StringReplace("Go go GO", "go", "x", true, false), "Go x GO");
  EXPECT_EQ(StringReplace("aaa", "a", "aa", true, false), "aaaaaa");  // no re-scan
  EXPECT_EQ(StringReplace("abc", "", "x", true, false), "abc");
  EXPECT_EQ(QuotedStr("O'Brien"), "'O''Brien'");
  EXPECT_EQ(QuotedStr(""), "''");
  EXPECT_EQ(QuotedStr("a\"b", '"'), "\"a\"\"b\"");
}

TEST(Text, Numbers) {
  EXPECT_EQ(IntToStr(-9223372036854775807LL - 1), "-9223372036854775808");
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0xABCDEF, 2), "ABCDEF");
  EXPECT_EQ(IntToHex(-1, 1), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(StrToIntDef("  -42", 7), -42);
  EXPECT_EQ(StrToIntDef("+$1f", 7), 31);
  EXPECT_EQ(StrToIntDef("0X10", 7), 16);
  EXPECT_EQ(StrToIntDef("42 ", 7), 7);
  EXPECT_EQ(StrToIntDef("", 7), 7);
  EXPECT_EQ(StrToIntDef("-", 7), 7);
  EXPECT_EQ(StrToIntDef("12a", 7), 7);
  EXPECT_EQ(StrToIntDef("2147483648", 7), 7);
  EXPECT_EQ(StrToIntDef("-2147483648", 7), -2147483647 - 1);
  EXPECT_EQ(StrToInt64Def("-9223372036854775808", 7), -9223372036854775807LL - 1);
  EXPECT_EQ(StrToInt64Def("9223372036854775808", 7), 7);
}

}  // namespace
}  // namespace qel
