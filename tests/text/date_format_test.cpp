#include "text/date_format.h"

#include <gtest/gtest.h>

#include <string>

#include "frame/session.h"
#include "text/temp_root.h"

namespace text {
namespace {

std::string Packed(std::string_view digits) { return frame::PackDigits(digits); }

TextSettings DateSettings(std::string order = "DMA", char separator = '/') {
  TextSettings settings;
  settings.DateSeparator = separator;
  settings.DateOrder = std::move(order);
  return settings;
}

struct Case {
  const char* date;  // digits, packed before use
  std::int16_t style;
  const char* language;
  const char* parts;
  const char* order;
  std::string expected;
};

TEST(FormatDate, WritesEveryStyle) {
  const Case cases[] = {
      {"20240315", 0, "CAT", "dma", "DMA", "15/3/2024 "},
      {"20240305", 0, "SPA", "dma", "DMA", "5/3/2024  "},
      {"20240315", 1, "CAT", "dma", "DMA", "15/mar/2024"},
      {"20240315", 2, "CAT", "dma", "DMA", "15 de mar\x87 del 2024"},
      {"20240315", 2, "SPA", "dma", "DMA", "15 de marzo de 2024"},
      {"20240315", 2, "GLG", "dma", "DMA",
       "15 de mar\x87"
       "o do 2024"},
      {"20240315", 2, "OCI", "dma", "DMA", "15 de mar\x87 deth 2024"},
      {"20240405", 2, "CAT", "dma", "DMA", "5 d'abril del 2024"},
      {"20240405", 2, "OCI", "dma", "DMA", "5 d'abriu deth 2024"},
      {"20240405", 2, "SPA", "dma", "DMA", "5 de abril de 2024"},
      {"20241001", 2, "CAT", "dma", "DMA", "1 d'octubre del 2024"},
      {"20240315", -1, "CAT", "dma", "AMD", "2024-03-15"},
      {"20240315", -1, "CAT", "", "DMA", "2024-03-15"},
      {"20240315", 2, "CAT", "m", "DMA", "mar\x87"},
      {"20240315", 2, "CAT", "ma", "DMA", "mar\x87 del 2024"},
      {"20240315", 0, "CAT", "dma", "AMD", "2024/3/15 "},
      {"00000000", 0, "CAT", "dma", "DMA", std::string(10, ' ')},
      // Parts follow the order setting, never the order of their letters.
      {"20240315", 0, "CAT", "AMD", "DMA", "15/3/2024 "},
      {"20240315", 1, "SPA", "MA", "DMA", "mar/2024"},
      {"20240101", 2, "OCI", "DMA", "DMA", "1 de g\x8Ar deth 2024"},
      {"20240815", 2, "GLG", "dm", "DMA", "15 de agosto"},
      {"20240315", 2, "   ", "dma", "DMA", "15 de mar\x87 del 2024"},  // unknown language
      {"20240315", 7, "CAT", "ma", "DMA", "mar\x87 del 2024"},
      {"20240315", -5, "CAT", "dma", "DMA", "15/3/2024 "},  // below -1 reads as numeric
      // The empty date and orders that name no part.
      {"00000000", 2, "CAT", "dma", "DMA", ""},
      {"00000000", 1, "CAT", "dma", "DMA", std::string(11, ' ')},
      {"20240315", 0, "CAT", "dma", "dma", std::string(10, ' ')},
      {"20240315", 0, "CAT", "", "DMA", ""},
      {"00000015", 0, "CAT", "d", "DMA", "15"},
      // A month outside 1-12 has no name; nothing is read past the table.
      {"20241315", 1, "CAT", "dma", "DMA", "15//2024   "},
  };
  for (const Case& c : cases) {
    TextSettings settings = DateSettings(c.order);
    EXPECT_EQ("|" + FormatDate(settings, Packed(c.date), c.style, c.parts, c.language) + "|",
              "|" + c.expected + "|")
        << c.date << " style " << c.style << " " << c.language << " parts \"" << c.parts
        << "\" order " << c.order;
  }
}

TEST(FormatDate, ShortAndOddBytesGiveAResult) {
  TextSettings settings = DateSettings();
  EXPECT_EQ(FormatDate(settings, "", 2, "dma", "CAT"), "");
  EXPECT_EQ(FormatDate(settings, "", -1, "dma", "CAT"), "0000-00-00");
  EXPECT_EQ(FormatDate(settings, "\x94", -1, "", "CAT"), "0020-00-00");
  EXPECT_EQ(FormatDate(settings, "\xFF\xFF\xFF\xFF", -1, "", "CAT"), "2727-27-27");
  EXPECT_EQ(FormatDate(settings, Packed("2024031599"), -1, "", "CAT"), "2024-03-15");
}

TEST(FormatDate, SeparatorAndOrderComeFromNerlIniOnce) {
  text_testing::TempRoot root;
  root.WriteNerlIni("[Usuari]\r\nDatCaracter=-\r\nDatOrdre=AMD\r\n");
  TextSettings settings(root.Prefix());
  EXPECT_EQ(FormatDate(settings, Packed("20240315"), 0, "dma", "CAT"), "2024-3-15 ");

  root.WriteNerlIni("[Usuari]\r\nDatCaracter=.\r\nDatOrdre=DMA\r\n");
  EXPECT_EQ(FormatDate(settings, Packed("20240315"), 0, "dma", "CAT"), "2024-3-15 ");
}

TEST(FormatDate, DateSettingsDefaultOrAreCutToWidth) {
  text_testing::TempRoot root;
  struct SettingsCase {
    const char* nerlIni;
    std::string expected;
  };
  const SettingsCase cases[] = {
      {"", "15/3/2024 "},  // no Nerl.ini at all
      {"[Usuari]\r\nDatCaracter= \r\nDatOrdre=   \r\n", "15/3/2024 "},
      {"[Usuari]\r\nDatCaracter=-.\r\nDatOrdre=MDAX\r\n", "3-15-2024 "},
      {"[Usuari]\r\nDatOrdre=A\r\n", "2024      "},
  };
  for (const SettingsCase& c : cases) {
    if (*c.nerlIni != '\0') root.WriteNerlIni(c.nerlIni);
    TextSettings settings(root.Prefix());
    EXPECT_EQ(FormatDate(settings, Packed("20240315"), 0, "dma", "CAT"), c.expected)
        << "Nerl.ini " << c.nerlIni;
  }
}

TEST(MonthTable, HoldsTwelveNamesOfTenCharacters) {
  for (const char* language : {"CAT", "SPA", "GLG", "OCI", "XYZ"}) {
    EXPECT_EQ(MonthTable(language).size(), 120U) << language;
  }
  EXPECT_EQ(MonthTable("SPA").substr(80, 10), "septiembre");
  EXPECT_EQ(MonthTable("OCI").substr(60, 10), "junhsega  ");
  EXPECT_EQ(MonthTable("XYZ"), MonthTable("CAT"));
}

}  // namespace
}  // namespace text
