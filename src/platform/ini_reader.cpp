// Our own profile reader: the answers GetPrivateProfileIntA/StringA give to the single-key
// look-ups the program makes (no enumeration, no writing). The file is read afresh on every
// call, so an edit between two passes is seen by the next pass; the files are small.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace {

// A piece of a loaded file or of a name passed in; never owns its bytes.
struct Text {
  const char* data;
  size_t size;
};

// Bytes read from a file, malloc'd so that a file too big for memory reads as missing
// instead of ending the program.
struct Loaded {
  char* data = nullptr;
  size_t size = 0;
};

void Release(Loaded* file) {
  std::free(file->data);
  *file = Loaded{};
}

// The blanks the Windows functions drop around names and values; byte 0xA0 is not one.
bool IsBlank(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == 0x1A;
}

Text Trim(Text t) {
  while (t.size > 0 && IsBlank(t.data[0])) {
    ++t.data;
    --t.size;
  }
  while (t.size > 0 && IsBlank(t.data[t.size - 1])) --t.size;
  return t;
}

// One pair of matching outer quotes goes; a lone or one-sided quote stays.
Text Unquote(Text t) {
  if (t.size >= 2 && (t.data[0] == '"' || t.data[0] == '\'') && t.data[t.size - 1] == t.data[0])
    return Text{t.data + 1, t.size - 2};
  return t;
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whole names, ASCII letters without regard to case; other bytes must be equal.
bool SameName(Text a, Text b) {
  if (a.size != b.size) return false;
  for (size_t i = 0; i < a.size; ++i)
    if (AsciiLower(a.data[i]) != AsciiLower(b.data[i])) return false;
  return true;
}

// Reads a regular file whole. A missing file, a folder or a device reads as empty, which
// gives the defaults; a device could otherwise block or never end. (stat rather than a
// filesystem path, which may throw on bytes it cannot convert.)
Loaded LoadFile(const char* path) {
  Loaded file;
  struct stat status;
  if (stat(path, &status) != 0 || !S_ISREG(status.st_mode)) return file;
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return file;
  size_t capacity = 0;
  for (;;) {
    if (file.size == capacity) {
      // Room for the whole file at once; more only if it grew meanwhile.
      size_t grown = capacity ? capacity * 2 : static_cast<size_t>(status.st_size) + 1;
      char* data = grown > capacity ? static_cast<char*>(std::realloc(file.data, grown)) : nullptr;
      if (!data) {
        Release(&file);
        break;
      }
      file.data = data;
      capacity = grown;
    }
    size_t n = std::fread(file.data + file.size, 1, capacity - file.size, f);
    if (n == 0) break;
    file.size += n;
  }
  if (std::ferror(f)) Release(&file);
  std::fclose(f);
  return file;
}

// Code page 1252 bytes 0x80..0x9F; 0 where the code page has no character there.
const uint16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Look-alikes for letters of U+0100..U+017F, as the best-fit mapping gives them; '?' where
// none is obvious. Letters that code page 1252 has (Œ, Š, Ž, Ÿ, …) are found before this.
const char kLatinExtendedA[] =
    "AaAaAaCcCcCcCcDd"
    "DdEeEeEeEeEeGgGg"
    "GgGgHhHhIiIiIiIi"
    "Ii??JjKkkLlLlLlL"
    "lLlNnNnNnnNnOoOo"
    "OoOoRrRrRrSsSsSs"
    "SsTtTtTtUuUuUuUu"
    "UuUuWwYyYZzZzZz?";

struct BestFit {
  uint16_t code;
  unsigned char byte;
};
const BestFit kGreekBestFit[] = {{0x0393, 'G'}, {0x0398, 'T'},  {0x03A3, 'S'},  {0x03A6, 'F'},
                                 {0x03A9, 'O'}, {0x03B1, 'a'},  {0x03B2, 0xDF}, {0x03B4, 'd'},
                                 {0x03B5, 'e'}, {0x03BC, 0xB5}, {0x03C0, 'p'},  {0x03C3, 's'},
                                 {0x03C4, 't'}, {0x03C6, 'f'}};

// One character to the byte an ANSI program on code page 1252 gets for it.
unsigned char ToCp1252(uint32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  for (unsigned i = 0; i < 32; ++i)
    if (kCp1252High[i] == c || (kCp1252High[i] == 0 && c == 0x80 + i))
      return static_cast<unsigned char>(0x80 + i);
  if (c >= 0x100 && c <= 0x17F) return static_cast<unsigned char>(kLatinExtendedA[c - 0x100]);
  for (const BestFit& fit : kGreekBestFit)
    if (fit.code == c) return fit.byte;
  if (c >= 0x2000 && c <= 0x200A) return ' ';  // the typographic spaces
  if (c >= 0x2010 && c <= 0x2012) return '-';  // hyphens and the figure dash
  if (c >= 0xFF01 && c <= 0xFF5E) return static_cast<unsigned char>(c - 0xFEE0);  // full width
  return '?';
}

// A UTF-16 file (mark already skipped) as code page 1252 bytes, one byte per character.
Loaded FromUtf16(const char* data, size_t size, bool bigEndian) {
  Loaded out;
  size_t units = size / 2;  // an odd last byte is no character
  out.data = static_cast<char*>(std::malloc(units ? units : 1));
  if (!out.data) return out;
  auto unit = [&](size_t i) -> uint32_t {
    auto hi = static_cast<unsigned char>(data[2 * i + (bigEndian ? 0 : 1)]);
    auto lo = static_cast<unsigned char>(data[2 * i + (bigEndian ? 1 : 0)]);
    return (uint32_t{hi} << 8) | lo;
  };
  for (size_t i = 0; i < units; ++i) {
    uint32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) <= 0xDFFF) {
      ++i;  // a pair for a character beyond U+FFFF: no 1252 byte
      c = 0x10000;
    }
    out.data[out.size++] = static_cast<char>(ToCp1252(c));
  }
  return out;
}

// Takes the byte-order mark off. UTF-16 text is converted; after a UTF-8 mark the bytes
// are returned as stored, since the Linux console shows UTF-8.
void DecodeMark(Loaded* file) {
  auto* b = reinterpret_cast<const unsigned char*>(file->data);
  if (file->size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    std::memmove(file->data, file->data + 3, file->size - 3);
    file->size -= 3;
  } else if (file->size >= 2 &&
             ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
    Loaded text = FromUtf16(file->data + 2, file->size - 2, b[0] == 0xFE);
    Release(file);
    *file = text;
  }
}

// The next line of `file` from `*pos`: CR, LF and CR LF all end a line, and a NUL byte ends
// what is read of it.
bool NextLine(Text file, size_t* pos, Text* line) {
  if (*pos >= file.size) return false;
  size_t start = *pos;
  size_t end = start;
  while (end < file.size && file.data[end] != '\r' && file.data[end] != '\n') ++end;
  const void* nul = std::memchr(file.data + start, '\0', end - start);
  size_t kept = nul ? static_cast<size_t>(static_cast<const char*>(nul) - file.data) : end;
  *line = Trim(Text{file.data + start, kept - start});
  *pos = end + 1;
  return true;
}

// A header is "[" up to the last "]" of the line; without a "]" the line is no header.
bool HeaderName(Text line, Text* name) {
  if (line.size == 0 || line.data[0] != '[') return false;
  size_t close = line.size;
  while (close > 1 && line.data[close - 1] != ']') --close;
  if (close <= 1) return false;
  *name = Trim(Text{line.data + 1, close - 2});
  return true;
}

// Finds the first line of `key` in the first section called `section` (the empty name is the
// part above the first header). 1 with its value when that line has "=", else 0: a bare `Key`
// line shadows any later one.
int FindValue(Text file, Text section, Text key, Text* value) {
  bool inSection = section.size == 0;
  size_t pos = 0;
  Text line;
  while (NextLine(file, &pos, &line)) {
    if (line.size == 0) continue;
    Text name;
    if (HeaderName(line, &name)) {
      if (inSection) return 0;  // only the first section of that name is searched
      inSection = SameName(name, section);
      continue;
    }
    if (!inSection || line.data[0] == ';' || line.data[0] == '#') continue;
    const void* equals = std::memchr(line.data, '=', line.size);
    size_t keySize =
        equals ? static_cast<size_t>(static_cast<const char*>(equals) - line.data) : line.size;
    if (!SameName(Trim(Text{line.data, keySize}), key)) continue;
    if (!equals) return 0;
    *value = Unquote(Trim(Text{line.data + keySize + 1, line.size - keySize - 1}));
    return 1;
  }
  return 0;
}

// Copies as much as fits and always terminates; the count excludes the terminator.
uint32_t CopyOut(Text text, char* buffer, uint32_t size) {
  if (!buffer || size == 0) return 0;
  size_t n = text.size < size - 1 ? text.size : size - 1;
  if (n) std::memcpy(buffer, text.data, n);
  buffer[n] = '\0';
  return static_cast<uint32_t>(n);
}

// Looks the key up and copies its value; 0 when file, section or key (or its "=") is missing.
int ReadValue(const char* section, const char* key, const char* file, char* buffer, uint32_t size,
              uint32_t* count) {
  if (!section || !key || !file) return 0;  // enumeration is not offered
  Loaded loaded = LoadFile(file);
  DecodeMark(&loaded);
  Text value;
  int found = FindValue(Text{loaded.data, loaded.size}, Trim(Text{section, std::strlen(section)}),
                        Trim(Text{key, std::strlen(key)}), &value);
  if (found) *count = CopyOut(value, buffer, size);
  Release(&loaded);
  return found;
}

unsigned DigitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
  return 99;
}

// Blanks, a sign, a lower-case 0x/0b/0o prefix, then digits up to the first other character,
// taken modulo 2^32 and negated for "-". No digits at all is 0.
int32_t ParseInteger(const char* s, size_t size) {
  size_t i = 0;
  while (i < size && IsBlank(s[i])) ++i;
  bool negative = i < size && s[i] == '-';
  if (i < size && (s[i] == '-' || s[i] == '+')) ++i;
  unsigned base = 10;
  if (size - i >= 3 && s[i] == '0') {
    unsigned prefixed = s[i + 1] == 'x' ? 16 : s[i + 1] == 'b' ? 2 : s[i + 1] == 'o' ? 8 : 10;
    if (prefixed != 10 && DigitValue(s[i + 2]) < prefixed) {
      base = prefixed;
      i += 2;
    }
  }
  uint32_t value = 0;
  for (; i < size && DigitValue(s[i]) < base; ++i) value = value * base + DigitValue(s[i]);
  return static_cast<int32_t>(negative ? 0u - value : value);
}

}  // namespace

int32_t IniReadInt(const char* section, const char* key, int32_t def, const char* file) {
  // The Windows function converts only the first 29 characters of the value.
  char digits[30];
  uint32_t count = 0;
  if (!ReadValue(section, key, file, digits, sizeof digits, &count) || count == 0) return def;
  return ParseInteger(digits, count);
}

uint32_t IniReadString(const char* section, const char* key, const char* def, char* buffer,
                       uint32_t size, const char* file) {
  uint32_t count = 0;
  if (ReadValue(section, key, file, buffer, size, &count)) return count;
  // The default loses its trailing spaces (not tabs) and one pair of outer quotes.
  Text text{def ? def : "", def ? std::strlen(def) : 0};
  while (text.size > 0 && text.data[text.size - 1] == ' ') --text.size;
  return CopyOut(Unquote(text), buffer, size);
}
