#include "frame/session.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "frame/settings.h"
#include "platform/file.h"

namespace frame {
namespace {

// Directories get a trailing backslash unless they already end in one or are a drive alone.
void EndAsDirectory(std::string& dir) {
  if (!dir.empty() && dir.back() != ':' && dir.back() != '\\') dir += '\\';
}

std::string FixedText(std::string text, std::size_t length) {
  text.resize(length, ' ');
  return text;
}

}  // namespace

double LeadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const std::size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  bool digits = false;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, digits = true;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, digits = true;
  }
  if (!digits) return 0;
  std::size_t end = i;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
      while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
      end = j;
    }
  }
  std::string number(text.substr(start, end - start));
  for (char& c : number) {
    if (c == 'd' || c == 'D') c = 'e';
  }
  const double value = std::strtod(number.c_str(), nullptr);
  return std::isfinite(value) ? value : 0;
}

std::int16_t RoundTo16(double value) {
  if (!std::isfinite(value)) return 0;
  const double rounded = std::nearbyint(value);
  if (rounded > std::numeric_limits<std::int16_t>::max())
    return std::numeric_limits<std::int16_t>::max();
  if (rounded < std::numeric_limits<std::int16_t>::min())
    return std::numeric_limits<std::int16_t>::min();
  return static_cast<std::int16_t>(rounded);
}

std::string PackDigits(std::string_view text) {
  const std::size_t n = text.size();
  std::string_view trimmed = text;
  while (!trimmed.empty() && trimmed.front() == ' ') trimmed.remove_prefix(1);
  while (!trimmed.empty() && trimmed.back() == ' ') trimmed.remove_suffix(1);
  std::string digits(n - trimmed.size(), '0');
  digits += trimmed;
  std::string packed;
  packed.reserve((n + 1) / 2);
  auto digitAt = [&](std::size_t i) {
    return i < digits.size() && std::isdigit(static_cast<unsigned char>(digits[i]))
               ? digits[i] - '0'
               : 0;
  };
  for (std::size_t i = 0; i < n; i += 2) {
    packed += static_cast<char>(128 + 10 * digitAt(i) + digitAt(i + 1));
  }
  return packed;
}

std::string ZeroPad(long long number, int width) {
  if (width <= 0) return {};
  const unsigned long long magnitude = number < 0 ? 0ULL - static_cast<unsigned long long>(number)
                                                  : static_cast<unsigned long long>(number);
  std::string text = std::string(static_cast<std::size_t>(width), '0') + std::to_string(magnitude);
  return text.substr(text.size() - static_cast<std::size_t>(width));
}

Session SetUpSession(const platform::Environment& environment) {
  Session s;
  s.RootDir = environment.Get("KAVROOT");
  s.TempDir = environment.Get("KAVTMP");
  EndAsDirectory(s.TempDir);

  const std::string sessionFile = s.TempDir + "Sessio.ini";
  s.MenuTitle = " ";
  s.MenuTitle += ReadSetting(sessionFile, "Menu", "Titol");
  s.MenuTitle += ' ';
  s.HelpTopic = ReadSetting(sessionFile, "Menu", "NomMenu");

  s.TermDir = ReadSetting(sessionFile, "Terminal", "Dir");
  if (s.TermDir.empty()) {
    // On this host TERM names the terminal type; it stands for the terminal directory only
    // when it happens to name an existing directory.
    const std::string term = environment.Get("TERM");
    if (!term.empty() && platform::IsDirectory(term)) s.TermDir = term;
  }
  EndAsDirectory(s.TermDir);
  if (s.TempDir.empty()) s.TempDir = s.TermDir;

  const std::string terminalFile = s.TempDir + "NerlTerm.ini";
  const std::int16_t selection =
      RoundTo16(LeadingNumber(ReadSetting(terminalFile, "Pantalla", "Seleccio")));
  std::string palette = ReadSetting(terminalFile, "Pantalla", "Col" + std::to_string(selection));
  if (palette.empty()) palette = kDefaultPalette;
  for (std::size_t slot = 0; slot < 5; ++slot) {
    for (std::size_t part = 0; part < 2; ++part) {
      const std::size_t at = slot * 4 + part * 2;
      const std::string_view pair =
          at < palette.size() ? std::string_view(palette).substr(at, 2) : std::string_view();
      s.StylePalette[slot][part] = RoundTo16(LeadingNumber(pair));
    }
  }

  s.SessionDate = PackDigits(ReadSetting(terminalFile, "Sistema", "Data"));

  s.LanguageCode = FixedText(ReadSetting(terminalFile, "Sistema", "Idioma"), 3);
  if (s.LanguageCode.find_first_not_of(' ') == std::string::npos) {
    s.LanguageCode = FixedText(ReadSetting(s.RootDir + "Nerl.ini", "Usuari", "Idioma"), 3);
  }

  if (!environment.Get("HTTP_USER_AGENT").empty() || !environment.Get("HTTP_ACCEPT").empty()) {
    s.PlatformTag = "CGI";
  } else if (!environment.Get("WINDIR").empty() || !environment.Get("SYSTEMROOT").empty()) {
    s.PlatformTag = "WIN";
  } else {
    s.PlatformTag = "DOS";
  }
  return s;
}

}  // namespace frame
