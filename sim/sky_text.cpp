#include "sky_text.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  for (char c : line) {
    if (c == '#' || c == ';') break;
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

bool ParseNumber(const std::string& text, double* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

bool ParseInteger(const std::string& text, int32_t* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || v < -2147483647L || v > 2147483647L) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

bool ParseOrbitalPosition(const std::string& text, int32_t* tenths) {
  if (text.size() < 2) return false;
  char side = static_cast<char>(std::toupper(static_cast<unsigned char>(text.back())));
  if (side != 'E' && side != 'W') return false;
  double degrees = 0;
  if (!ParseNumber(text.substr(0, text.size() - 1), &degrees)) return false;
  if (degrees < 0 || degrees > 180) return false;
  int32_t t = static_cast<int32_t>(std::lround(degrees * 10));
  *tenths = side == 'E' ? t : -t;
  return true;
}

void SplitKeyValue(const std::string& word, std::string* key, std::string* value) {
  size_t eq = word.find('=');
  *key = Lowercase(word.substr(0, eq));
  *value = eq == std::string::npos ? std::string() : word.substr(eq + 1);
}

std::string Lowercase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}
