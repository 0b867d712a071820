#include <gtest/gtest.h>

#include <string>

#include "form/key_reader.h"
#include "popups/popups_fixture.h"

namespace popups {
namespace {

class PopupHooks : public PopupsFixture {
 protected:
  // What a field editor would read: the pop-up's key, then its result as typed keys.
  std::string ReadTyped(std::uint16_t popupKey, std::size_t count) {
    EXPECT_EQ(form::WaitKey(console_, keys_), static_cast<std::int16_t>(popupKey));
    std::string typed;
    for (std::size_t i = 0; i < count; ++i)
      typed += static_cast<char>(form::WaitKey(console_, keys_));
    return typed;
  }
};

TEST_F(PopupHooks, AltXTypesTheCalculatorsValue) {
  Script({Join({{0x2D00}, Typed("12+3=F")}), Typed("!")});
  EXPECT_EQ(ReadTyped(0x2D00, 5), "1500!");
  EXPECT_EQ(keys_.CalculatorOpen, 0);
}

TEST_F(PopupHooks, AltCTypesTheDateInTheShortNumericForm) {
  Script({{0x2E00, 'F'}, Typed("!")});
  EXPECT_EQ(ReadTyped(0x2E00, 11), "15/3/2024 !");
  EXPECT_EQ(keys_.CalendarOpen, 0);
}

TEST_F(PopupHooks, EscTypesNothing) {
  Script({{0x2E00, 27, 0x2D00, 27}, Typed("!")});
  EXPECT_EQ(form::WaitKey(console_, keys_), 0x2E00);
  EXPECT_EQ(ReadTyped(0x2D00, 1), "!");
}

}  // namespace
}  // namespace popups
