// Small helpers for reading the words of a sky file line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

std::vector<std::string> SplitWords(const std::string& line);
bool ParseNumber(const std::string& text, double* value);
bool ParseInteger(const std::string& text, int32_t* value);
// "19.2E", "5W", "30.0W" to tenths of a degree, east positive.
bool ParseOrbitalPosition(const std::string& text, int32_t* tenths);
// Splits "key=value"; a word without '=' gives an empty value.
void SplitKeyValue(const std::string& word, std::string* key, std::string* value);
std::string Lowercase(std::string text);
