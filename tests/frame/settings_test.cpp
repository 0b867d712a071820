#include "frame/settings.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace frame {
namespace {

struct Case {
  const char* name;
  std::string file;
  std::string section, key;
  std::string expected;
};

const Case kCases[] = {
    {"section header with blanks and lower case", "[ menu ]\r\n  titol=Rebre\r\n", "Menu", "Titol",
     "Rebre"},
    {"value keeps blanks around it up to the comment", "[Menu]\r\nTitol = Rebre ; note\r\n", "Menu",
     "Titol", " Rebre "},
    {"quoted path loses its quotes", "[S]\r\nDir=\"C:\\A B\\\"\r\n", "S", "Dir", "C:\\A B\\"},
    {"a blank before the quote keeps both quotes", "[S]\r\nDir= \"C:\\A\"\r\n", "S", "Dir",
     " \"C:\\A\""},
    {"two quotes give the empty text", "[S]\r\nK=\"\"\r\n", "S", "K", ""},
    {"one quote stays", "[S]\r\nK=\"\r\n", "S", "K", "\""},
    {"a semicolon cuts the value", "[S]\r\nK=a;b\r\n", "S", "K", "a"},
    {"first of two keys wins", "[S]\r\nK=1\r\nK=2\r\n", "S", "K", "1"},
    {"a second section of the same name is not searched", "[S]\r\nA=1\r\n[T]\r\n[S]\r\nK=2\r\n",
     "S", "K", ""},
    {"a key before any header is never found", "K=1\r\n[S]\r\n", "S", "K", ""},
    {"a header without its bracket opens the section", "[Sistema\r\nData=20240115\r\n", "Sistema",
     "Data", "20240115"},
    {"names compare without blanks and case", "[Pantalla]\r\nCOL0  =0714\r\n", " pantalla ",
     " col0 ", "0714"},
    {"a commented header is ignored", ";[S]\r\n[T]\r\nK=1\r\n", "S", "K", ""},
    {"a line without = is skipped", "[S]\r\nnothing here\r\nK=v\r\n", "S", "K", "v"},
    {"the next header ends the section", "[S]\r\n[T]\r\nK=v\r\n", "S", "K", ""},
    {"empty value", "[S]\r\nK=\r\n", "S", "K", ""},
    {"value runs to the end of a file without a line end", "[S]\r\nK=end", "S", "K", "end"},
    {"a tab is an ordinary character", "[S]\r\n\tK=1\r\nK=2\r\n", "S", "K", "2"},
    {"value after the first =", "[S]\r\nK=a=b\r\n", "S", "K", "a=b"},
    {"lone LF line ends (files edited on this host)", "[S]\nA=1\nK=2\n", "S", "K", "2"},
    {"leading blanks before the header", "   [S]\r\nK=v\r\n", "S", "K", "v"},
};

TEST(ReadSetting, FindsValuesAsTheSuiteWritesThem) {
  testing_support::TempDir dir;
  for (const Case& c : kCases) {
    const std::string path = dir.Write("s.ini", c.file);
    EXPECT_EQ(ReadSetting(path, c.section, c.key), c.expected) << c.name;
  }
}

TEST(ReadSetting, MissingFileGivesTheEmptyText) {
  EXPECT_EQ(ReadSetting("/nonexistent/Nerl.ini", "Usuari", "Idioma"), "");
  EXPECT_EQ(ReadSetting("", "Usuari", "Idioma"), "");
}

TEST(ReadSetting, ReadsTheFileAfreshAtEveryCall) {
  testing_support::TempDir dir;
  const std::string path = dir.Write("s.ini", "[S]\r\nK=1\r\n");
  EXPECT_EQ(ReadSetting(path, "S", "K"), "1");
  dir.Write("s.ini", "[S]\r\nK=2\r\n");
  EXPECT_EQ(ReadSetting(path, "S", "K"), "2");
}

}  // namespace
}  // namespace frame
