#include "platform/cp850.h"

namespace platform {

bool CodePointToCp850(char32_t codePoint, unsigned char& byte) {
  if (codePoint < 0x80) {
    byte = static_cast<unsigned char>(codePoint);
    return true;
  }
  for (std::size_t i = 0; i < kCp850High.size(); ++i) {
    if (kCp850High[i] == codePoint) {
      byte = static_cast<unsigned char>(0x80 + i);
      return true;
    }
  }
  // U+0020 stands for byte 0 among the glyphs but must keep reading as a blank.
  for (std::size_t i = 1; i < kCp850ControlGlyphs.size(); ++i) {
    if (kCp850ControlGlyphs[i] == codePoint) {
      byte = static_cast<unsigned char>(i);
      return true;
    }
  }
  if (codePoint == 0x2302) {
    byte = 0x7F;
    return true;
  }
  return false;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::size_t DecodeUtf8(std::string_view text, char32_t& cp, bool complete) {
  if (text.empty()) return 0;
  const auto b0 = static_cast<unsigned char>(text[0]);
  std::size_t need;
  char32_t value;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  } else if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 2;
    value = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 3;
    value = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 4;
    value = b0 & 0x07;
  } else {
    cp = 0xFFFD;
    return 1;
  }
  for (std::size_t i = 1; i < need; ++i) {
    if (i >= text.size()) {
      if (!complete) return 0;
      cp = 0xFFFD;
      return 1;
    }
    const auto b = static_cast<unsigned char>(text[i]);
    if ((b & 0xC0) != 0x80) {
      cp = 0xFFFD;
      return 1;
    }
    value = (value << 6) | (b & 0x3F);
  }
  // Overlong forms and surrogates are malformed.
  if ((need == 3 && value < 0x800) || (need == 4 && (value < 0x10000 || value > 0x10FFFF)) ||
      (value >= 0xD800 && value <= 0xDFFF)) {
    cp = 0xFFFD;
    return 1;
  }
  cp = value;
  return need;
}

std::string Cp850ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char c : text) AppendUtf8(out, Cp850ToCodePoint(static_cast<unsigned char>(c)));
  return out;
}

std::string Utf8ToCp850(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    char32_t cp;
    const std::size_t used = DecodeUtf8(text, cp);
    text.remove_prefix(used);
    unsigned char byte;
    // Control glyphs are only a display form; in text a control character stays itself.
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp != 0xFFFD && CodePointToCp850(cp, byte) && byte >= 0x80) {
      out += static_cast<char>(byte);
    } else {
      out += '?';
    }
  }
  return out;
}

}  // namespace platform
