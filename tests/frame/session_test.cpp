#include "frame/session.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace frame {
namespace {

using platform::MapEnvironment;
using testing_support::TempDir;

TEST(PackDigits, PacksDigitPairs) {
  struct Case {
    std::string text, packed;
  } cases[] = {
      {"20240115", "\x94\x98\x81\x8f"},
      {"5", "\xb2"},
      {" 7", "\x87"},
      {"", ""},
      {"1 2", "\x8a\x94"},  // a blank inside counts as 0: 102 -> 10, 20
      {"ab", "\x80"},       // non-digits count as 0
      {"99999", "\xe3\xe3\xda"},
  };
  for (const Case& c : cases) EXPECT_EQ(PackDigits(c.text), c.packed) << "'" << c.text << "'";
}

TEST(ZeroPad, PadsOrKeepsTheLastDigits) {
  EXPECT_EQ(ZeroPad(7, 2), "07");
  EXPECT_EQ(ZeroPad(123, 2), "23");
  EXPECT_EQ(ZeroPad(0, 3), "000");
  EXPECT_EQ(ZeroPad(-5, 2), "05");
  EXPECT_EQ(ZeroPad(-9223372036854775807LL - 1, 3), "808");
  EXPECT_EQ(ZeroPad(5, 0), "");
}

TEST(LeadingNumber, ReadsTheNumberAtTheStart) {
  EXPECT_EQ(LeadingNumber("2"), 2);
  EXPECT_EQ(LeadingNumber(" 2 ; x"), 2);
  EXPECT_EQ(LeadingNumber("-3abc"), -3);
  EXPECT_EQ(LeadingNumber("2.5"), 2.5);
  EXPECT_EQ(LeadingNumber("1e2"), 100);
  EXPECT_EQ(LeadingNumber("x"), 0);
  EXPECT_EQ(LeadingNumber(""), 0);
  EXPECT_EQ(LeadingNumber("1e999"), 0);
  EXPECT_EQ(RoundTo16(2.5), 2);
  EXPECT_EQ(RoundTo16(3.5), 4);
  EXPECT_EQ(RoundTo16(1e9), 32767);
}

class SessionTest : public ::testing::Test {
 protected:
  TempDir root, temp, term;
  MapEnvironment env;
};

TEST_F(SessionTest, TempDirGetsItsBackslash) {
  struct Case {
    std::string kavtmp, tempDir;
  } cases[] = {{"C:\\TMP", "C:\\TMP\\"}, {"C:", "C:"}, {"C:\\TMP\\", "C:\\TMP\\"}};
  for (const Case& c : cases) {
    env.Set("KAVTMP", c.kavtmp);
    EXPECT_EQ(SetUpSession(env).TempDir, c.tempDir) << c.kavtmp;
  }
}

TEST_F(SessionTest, ReadsAllThreeFiles) {
  env.Set("KAVROOT", root.Prefix());
  env.Set("KAVTMP", temp.Prefix());
  temp.Write("Sessio.ini", "[Menu]\r\nTitol=Rebuts\r\nNomMenu=ZCONCTAB\r\n[Terminal]\r\nDir=" +
                               term.Prefix() + "\r\n");
  temp.Write("NerlTerm.ini",
             "[Pantalla]\r\nSeleccio=2\r\nCol0=01020304050607080910\r\nCol2=0714\r\n"
             "[Sistema]\r\nData=20240115\r\nIdioma=SPANISH\r\n");
  const Session s = SetUpSession(env);
  EXPECT_EQ(s.RootDir, root.Prefix());
  EXPECT_EQ(s.TempDir, temp.Prefix() + "\\");
  EXPECT_EQ(s.TermDir, term.Prefix() + "\\");
  EXPECT_EQ(s.MenuTitle, " Rebuts ");
  EXPECT_EQ(s.HelpTopic, "ZCONCTAB");
  const StylePaletteTable palette = {{{7, 14}, {0, 0}, {0, 0}, {0, 0}, {0, 0}}};
  EXPECT_EQ(s.StylePalette, palette);
  EXPECT_EQ(s.SessionDate, "\x94\x98\x81\x8f");
  EXPECT_EQ(s.LanguageCode, "SPA");
  EXPECT_EQ(s.PlatformTag, "DOS");
}

TEST_F(SessionTest, WithoutKavtmpTheTerminalDirectoryServes) {
  // Sessio.ini is looked for in the current directory, NerlTerm.ini in the terminal's.
  const std::string here = std::filesystem::current_path();
  std::filesystem::current_path(temp.path());
  temp.Write("Sessio.ini", "[Terminal]\r\nDir=" + term.path().string() + "\r\n");
  term.Write("NerlTerm.ini", "[Sistema]\r\nIdioma=GLG\r\n");
  const Session s = SetUpSession(env);
  std::filesystem::current_path(here);
  EXPECT_EQ(s.TempDir, term.path().string() + "\\");
  EXPECT_EQ(s.TermDir, s.TempDir);
  EXPECT_EQ(s.LanguageCode, "GLG");
}

TEST_F(SessionTest, DefaultsWhenNothingIsThere) {
  env.Set("KAVROOT", root.Prefix());
  env.Set("KAVTMP", temp.Prefix());
  Session s = SetUpSession(env);
  const StylePaletteTable palette = {{{15, 0}, {7, 0}, {0, 7}, {0, 7}, {0, 7}}};
  EXPECT_EQ(s.StylePalette, palette);
  EXPECT_EQ(s.MenuTitle, "  ");
  EXPECT_EQ(s.SessionDate, "");
  EXPECT_EQ(s.LanguageCode, "   ");
  // Only Nerl.ini names a language.
  root.Write("Nerl.ini", "[Usuari]\r\nIdioma=OCI\r\n");
  temp.Write("NerlTerm.ini", "[Sistema]\r\nIdioma=   \r\n[Pantalla]\r\nSeleccio=x\r\n");
  s = SetUpSession(env);
  EXPECT_EQ(s.LanguageCode, "OCI");
  EXPECT_EQ(s.StylePalette, palette) << "no Seleccio number selects Col0, absent here";
}

TEST_F(SessionTest, TermIsATerminalDirectoryOnlyWhenItIsADirectory) {
  env.Set("KAVTMP", temp.Prefix());
  env.Set("TERM", "xterm-256color");
  EXPECT_EQ(SetUpSession(env).TermDir, "");
  env.Set("TERM", term.path().string());
  EXPECT_EQ(SetUpSession(env).TermDir, term.path().string() + "\\");
}

TEST_F(SessionTest, PlatformTag) {
  struct Case {
    const char* userAgent;
    const char* accept;
    const char* windir;
    const char* systemRoot;
    const char* tag;
  } cases[] = {
      {"", "", "", "", "DOS"},
      {"Mozilla", "", "C:\\W", "", "CGI"},
      {"", "text/html", "C:\\W", "", "CGI"},
      {"", "", "C:\\W", "", "WIN"},
      {"", "", "", "C:\\W", "WIN"},
  };
  for (const Case& c : cases) {
    env.Set("HTTP_USER_AGENT", c.userAgent);
    env.Set("HTTP_ACCEPT", c.accept);
    env.Set("WINDIR", c.windir);
    env.Set("SYSTEMROOT", c.systemRoot);
    EXPECT_EQ(SetUpSession(env).PlatformTag, c.tag);
  }
}

}  // namespace
}  // namespace frame
