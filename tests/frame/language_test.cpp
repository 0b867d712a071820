#include "frame/language.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace frame {
namespace {

using testing_support::TempDir;

// Entries: Catalan, Galician, Occitan, Spanish.
constexpr std::string_view kFile =
    "Sortir,Sa\xa1r,Sortir,Salir\r\n"
    "\"S\xa1, o no\",\"Si, ou non\",\"\xe3"
    "c, o non\",\"S\xa1, o no\"\r\n"
    "Nom,Nome,Nom,Nombre   \r\n"
    "Doble,Dobre,Doble,Doble primer\r\n"
    "Doble,X,X,Doble segon\r\n"
    "Final";

TEST(TranslateWith, PicksTheItemOfTheLanguage) {
  struct Case {
    std::string_view code, text, expected;
  } cases[] = {
      {"SPA", "Sortir", "Salir"},
      {"GLG", "Sortir", "Sa\xa1r"},
      {"OCI", "Sortir", "Sortir"},
      {"SPA", "S\xa1, o no", "S\xa1, o no"},
      {"GLG", "S\xa1, o no", "Si, ou non"},
      {"SPA", "Nom", "Nombre   "},       // an unquoted text keeps its trailing blanks
      {"SPA", "Doble", "Doble primer"},  // the first entry of a key wins
      {"SPA", "sortir", "sortir"},       // letter case
      {"SPA", "Sortir ", "Sortir "},     // a trailing blank
      {"SPA", "Nom\x82s", "Nom\x82s"},   // no entry
      {"SPA", "Final", "Final"},         // the file ends right after the key
      {"ENG", "Sortir", "Sortir"},
      {"   ", "Sortir", "Sortir"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TranslateWith(kFile, c.code, c.text), c.expected) << c.code << " " << c.text;
  }
}

TEST(TranslateWith, AnEntryCutShortByTheEndGivesNoTranslation) {
  EXPECT_EQ(TranslateWith("Nom,Nome,Nom", "SPA", "Nom"), "Nom");
  EXPECT_EQ(TranslateWith("Nom,Nome,Nom,", "SPA", "Nom"), "Nom");
  EXPECT_EQ(TranslateWith("Nom,Nome,Nom,\r\n", "SPA", "Nom"), "");
  EXPECT_EQ(TranslateWith("Nom,Nome,Nom,Nombre\x1a", "SPA", "Nom"), "Nombre\x1a");
  EXPECT_EQ(TranslateWith("Nom,Nome,Nom,\x1aNombre", "SPA", "Nom"), "Nom");
}

class TranslateTest : public ::testing::Test {
 protected:
  Session SessionIn(std::string code) {
    Session s;
    s.RootDir = root.Prefix();
    s.LanguageCode = std::move(code);
    return s;
  }
  bool FileExists() const { return std::filesystem::exists(root.path() / "LOCALE/ZCONCTAB.LNG"); }

  TempDir root;
};

TEST_F(TranslateTest, CatalanTouchesNoFile) {
  std::filesystem::create_directories(root.path() / "LOCALE");
  EXPECT_EQ(Translate(SessionIn("CAT"), "ZCONCTAB", "Sortir"), "Sortir");
  EXPECT_FALSE(FileExists());
}

TEST_F(TranslateTest, AMissingFileIsCreatedEmptyForEveryOtherCode) {
  for (const char* code : {"   ", "ENG", "SPA"}) {
    std::filesystem::create_directories(root.path() / "LOCALE");
    EXPECT_EQ(Translate(SessionIn(code), "ZCONCTAB", "Sortir"), "Sortir") << code;
    EXPECT_TRUE(FileExists()) << code;
    EXPECT_EQ(root.Read("LOCALE/ZCONCTAB.LNG"), "");
    std::filesystem::remove(root.path() / "LOCALE/ZCONCTAB.LNG");
  }
}

TEST_F(TranslateTest, ReadsTheProgramsFileUnderTheRoot) {
  root.Write("LOCALE/ZCONCTAB.LNG", kFile);
  EXPECT_EQ(Translate(SessionIn("SPA"), "ZCONCTAB", "Sortir"), "Salir");
  EXPECT_EQ(Translate(SessionIn("GLG"), "ZCONCTAB", "Nom"), "Nome");
  EXPECT_EQ(Translate(SessionIn("SPA"), "ALTRE", "Sortir"), "Sortir");
}

TEST_F(TranslateTest, WithoutALocaleFolderTheTextComesBack) {
  EXPECT_EQ(Translate(SessionIn("SPA"), "ZCONCTAB", "Sortir"), "Sortir");
  EXPECT_FALSE(std::filesystem::exists(root.path() / "LOCALE"));
}

}  // namespace
}  // namespace frame
