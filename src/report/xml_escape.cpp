// The satellite name inside the XML list. The document declares ISO-8859-1, but a name may
// have been typed in UTF-8 or Windows-1252; written as pure ASCII with character references,
// it reads as typed whatever the declaration, and reserved characters cannot break the markup.
#include <cstdio>

#include "report/list_texts.h"

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

// Windows-1252 0x80..0x9F; the five bytes the code page leaves undefined become U+FFFD, so
// the reader sees that a byte meant nothing rather than an invisible control character.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

uint32_t Cp1252(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? kCp1252High[byte - 0x80] : byte;
}

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at `s` (2 to 4) with its code point, or 0.
// Overlong forms, surrogates and values above U+10FFFF are not well-formed.
int Utf8Sequence(const unsigned char* s, uint32_t* codePoint) {
  int length = s[0] >= 0xF0 ? 4 : s[0] >= 0xE0 ? 3 : s[0] >= 0xC0 ? 2 : 0;
  if (length == 0 || s[0] > 0xF4) return 0;
  uint32_t cp = s[0] & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    if (!IsContinuation(s[i])) return 0;  // also stops at the terminating zero
    cp = (cp << 6) | (s[i] & 0x3F);
  }
  static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  *codePoint = cp;
  return length;
}

void AppendReference(uint32_t codePoint, std::string* out) {
  if (codePoint == 0xFFFE || codePoint == 0xFFFF) codePoint = kReplacement;  // not XML chars
  char text[16];
  std::snprintf(text, sizeof text, "&#x%X;", static_cast<unsigned>(codePoint));
  out->append(text);
}

void AppendAscii(unsigned char c, std::string* out) {
  switch (c) {
    case '&':
      out->append("&amp;");
      return;
    case '<':
      out->append("&lt;");
      return;
    case '>':
      out->append("&gt;");
      return;
    case '"':
      out->append("&quot;");
      return;
    case '\t':
    case '\n':
    case '\r':  // a reference survives attribute-value normalisation
    case 0x7F:
      AppendReference(c, out);
      return;
    default:
      // XML 1.0 forbids the other control characters even as references.
      if (c < 0x20)
        AppendReference(kReplacement, out);
      else
        out->push_back(static_cast<char>(c));
  }
}

}  // namespace

std::string XmlAttributeText(const char* name) {
  std::string out;
  if (!name) return out;
  const auto* s = reinterpret_cast<const unsigned char*>(name);
  while (*s) {
    uint32_t codePoint = 0;
    int length = *s >= 0x80 ? Utf8Sequence(s, &codePoint) : 0;
    if (*s < 0x80) {
      AppendAscii(*s, &out);
      ++s;
    } else if (length > 0) {
      AppendReference(codePoint, &out);
      s += length;
    } else {  // not UTF-8: the byte is Windows-1252
      AppendReference(Cp1252(*s), &out);
      ++s;
    }
  }
  return out;
}
