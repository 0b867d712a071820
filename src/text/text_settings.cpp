#include "text/text_settings.h"

#include "frame/settings.h"

namespace text {
namespace {

std::string NerlIni(const TextSettings& settings) { return settings.RootDir + "Nerl.ini"; }

// The first character of a one-character setting, or `fallback` when the value is empty or
// starts with a blank.
char FirstCharacter(const std::string& value, char fallback) {
  return value.empty() || value.front() == ' ' ? fallback : value.front();
}

}  // namespace

void LoadNumberSeparators(TextSettings& settings) {
  if (settings.decimalSeparator == 0) {
    settings.decimalSeparator =
        FirstCharacter(frame::ReadSetting(NerlIni(settings), "Usuari", "DecCaracter"), '\'');
  }
  if (settings.thousandsSeparator == 0) {
    settings.thousandsSeparator =
        FirstCharacter(frame::ReadSetting(NerlIni(settings), "Usuari", "MilCaracter"), '.');
  }
}

void LoadDateSettings(TextSettings& settings) {
  if (settings.DateSeparator == 0) {
    settings.DateSeparator =
        FirstCharacter(frame::ReadSetting(NerlIni(settings), "Usuari", "DatCaracter"), '/');
  }
  if (settings.DateOrder.find_first_not_of('\0') == std::string::npos) {
    std::string order = frame::ReadSetting(NerlIni(settings), "Usuari", "DatOrdre");
    order.resize(3, ' ');
    settings.DateOrder = order == "   " ? "DMA" : order;
  }
}

}  // namespace text
