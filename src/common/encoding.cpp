#include "common/encoding.h"

#include <array>
#include <cstdint>

namespace liga {
namespace {

constexpr std::size_t kMaxConvert = 1024;

// Code page 850 bytes 0x80..0xFF in code page 1252.
constexpr std::array<unsigned char, 128> kCp850To1252 = {
    0xC7, 0xFC, 0xE9, 0xE2, 0xE4, 0xE0, 0xE5, 0xE7, 0xEA, 0xEB, 0xE8, 0xEF, 0xEE, 0xEC, 0xC4, 0xC5,
    0xC9, 0xE6, 0xC6, 0xF4, 0xF6, 0xF2, 0xFB, 0xF9, 0xFF, 0xD6, 0xDC, 0xF8, 0xA3, 0xD8, 0xD7, 0x83,
    0xE1, 0xED, 0xF3, 0xFA, 0xF1, 0xD1, 0xAA, 0xBA, 0xBF, 0xAE, 0xAC, 0xBD, 0xBC, 0xA1, 0xAB, 0xBB,
    0x23, 0x23, 0x23, 0x7C, 0x2B, 0xC1, 0xC2, 0xC0, 0xA9, 0x2B, 0x7C, 0x2B, 0x2B, 0xA2, 0xA5, 0x2B,
    0x2B, 0x2B, 0x2B, 0x2B, 0x2D, 0x2B, 0xE3, 0xC3, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2D, 0x2B, 0xA4,
    0xF0, 0xD0, 0xCA, 0xCB, 0xC8, 0x69, 0xCD, 0xCE, 0xCF, 0x2B, 0x2B, 0x23, 0x23, 0xA6, 0xCC, 0x23,
    0xD3, 0xDF, 0xD4, 0xD2, 0xF5, 0xD5, 0xB5, 0xFE, 0xDE, 0xDA, 0xDB, 0xD9, 0xFD, 0xDD, 0xAF, 0xB4,
    0xAD, 0xB1, 0x5F, 0xBE, 0xB6, 0xA7, 0xF7, 0xB8, 0xB0, 0xA8, 0xB7, 0xB9, 0xB3, 0xB2, 0x23, 0xA0,
};

// Code page 1252 bytes 0x80..0xFF in code page 850.
constexpr std::array<unsigned char, 128> kCp1252To850 = {
    0x45, 0x3F, 0x27, 0x9F, 0x22, 0x2E, 0x2B, 0x2B, 0x5E, 0x25, 0x53, 0x3C, 0x4F, 0x3F, 0x5A, 0x3F,
    0x3F, 0x27, 0x27, 0x22, 0x22, 0xFA, 0x2D, 0x2D, 0x7E, 0x54, 0x73, 0x3E, 0x6F, 0x3F, 0x7A, 0x59,
    0xFF, 0xAD, 0xBD, 0x9C, 0xCF, 0xBE, 0xDD, 0xF5, 0xF9, 0xB8, 0xA6, 0xAE, 0xAA, 0xF0, 0xA9, 0xEE,
    0xF8, 0xF1, 0xFD, 0xFC, 0xEF, 0xE6, 0xF4, 0xFA, 0xF7, 0xFB, 0xA7, 0xAF, 0xAC, 0xAB, 0xF3, 0xA8,
    0xB7, 0xB5, 0xB6, 0xC7, 0x8E, 0x8F, 0x92, 0x80, 0xD4, 0x90, 0xD2, 0xD3, 0xDE, 0xD6, 0xD7, 0xD8,
    0xD1, 0xA5, 0xE3, 0xE0, 0xE2, 0xE5, 0x99, 0x9E, 0x9D, 0xEB, 0xE9, 0xEA, 0x9A, 0xED, 0xE8, 0xE1,
    0x85, 0xA0, 0x83, 0xC6, 0x84, 0x86, 0x91, 0x87, 0x8A, 0x82, 0x88, 0x89, 0x8D, 0xA1, 0x8C, 0x8B,
    0xD0, 0xA4, 0x95, 0xA2, 0x93, 0xE4, 0x94, 0xF6, 0x9B, 0x97, 0xA3, 0x96, 0x81, 0xEC, 0xE7, 0x98,
};

// Code page 1252 bytes 0x80..0x9F as Unicode code points; 0xA0..0xFF equal their code point.
constexpr std::array<char32_t, 32> kCp1252C1 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool g_dosStorage = false;

constexpr std::string_view kDosMarkers = "\x8F\x8E\x99\x90\x9A\x92\x86\x84\x94\x82\x81\x91";

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

unsigned char unicodeToCp1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
  for (std::size_t i = 0; i < kCp1252C1.size(); ++i) {
    if (kCp1252C1[i] == cp) return static_cast<unsigned char>(0x80 + i);
  }
  return '?';
}

}  // namespace

bool HasDosMarker(std::string_view text) {
  return text.find_first_of(kDosMarkers) != std::string_view::npos;
}

unsigned char Cp850ToCp1252(unsigned char c) {
  return c < 0x80 ? c : kCp850To1252[c - 0x80];
}

unsigned char Cp1252ToCp850(unsigned char c) {
  return c < 0x80 ? c : kCp1252To850[c - 0x80];
}

std::string DosToWin(std::string_view text) {
  if (!HasDosMarker(text)) return std::string(text);
  std::string out(text.substr(0, kMaxConvert));
  for (char& c : out) c = static_cast<char>(Cp850ToCp1252(static_cast<unsigned char>(c)));
  return out;
}

void SetDosStorage(bool on) {
  g_dosStorage = on;
}
bool DosStorage() {
  return g_dosStorage;
}

std::string WinToDos(std::string_view text) {
  if (!g_dosStorage) return std::string(text);
  std::string out(text.substr(0, kMaxConvert));
  for (char& c : out) c = static_cast<char>(Cp1252ToCp850(static_cast<unsigned char>(c)));
  return out;
}

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    char32_t cp = c;
    if (c >= 0x80 && c < 0xA0) cp = kCp1252C1[c - 0x80];
    appendUtf8(out, cp);
  }
  return out;
}

std::string Utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t cp = 0;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      cp = c & 0x07;
    } else {
      out += '?';
      ++i;
      continue;
    }
    bool ok = i + static_cast<std::size_t>(extra) < text.size();
    for (int k = 1; ok && k <= extra; ++k) {
      const auto cc = static_cast<unsigned char>(text[i + k]);
      if ((cc & 0xC0) != 0x80) {
        ok = false;
      } else {
        cp = (cp << 6) | (cc & 0x3F);
      }
    }
    if (!ok) {
      out += '?';
      ++i;
      continue;
    }
    out += static_cast<char>(unicodeToCp1252(cp));
    i += 1 + extra;
  }
  return out;
}

std::string HtmlEncode(std::string_view text) {
  constexpr std::size_t kMax = 255;
  std::string out;
  for (char ch : text) {
    std::string_view piece;
    switch (static_cast<unsigned char>(ch)) {
      case 196:
        piece = "&Auml;";
        break;
      case 197:
        piece = "&Aring;";
        break;
      case 198:
        piece = "&AElig;";
        break;
      case 201:
        piece = "&Eacute;";
        break;
      case 214:
        piece = "&Ouml;";
        break;
      case 220:
        piece = "&Uuml;";
        break;
      case 228:
        piece = "&auml;";
        break;
      case 229:
        piece = "&aring;";
        break;
      case 230:
        piece = "&aelig;";
        break;
      case 233:
        piece = "&eacute;";
        break;
      case 246:
        piece = "&ouml;";
        break;
      case 252:
        piece = "&uuml;";
        break;
      case '&':
        piece = "&amp;";
        break;
      case '<':
        piece = "&lt;";
        break;
      case '>':
        piece = "&gt;";
        break;
      case '"':
        piece = "&quot;";
        break;
      default:
        piece = std::string_view(&ch, 1);
        break;
    }
    if (out.size() + piece.size() > kMax) break;
    out += piece;
  }
  return out;
}

}  // namespace liga

namespace liga {

bool LooksLikeUtf8(std::string_view text) {
  bool wide = false;
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int follow;
    if (c >= 0xC2 && c <= 0xDF) {
      follow = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      follow = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      follow = 3;
    } else {
      return false;
    }
    for (int k = 1; k <= follow; ++k) {
      if (i + k >= text.size()) return false;
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    wide = true;
    i += 1 + follow;
  }
  return wide;
}

}  // namespace liga
