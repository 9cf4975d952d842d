// Reading the demo competition's files in a test, independently of the program.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace liga::testing::demo {

namespace fs = std::filesystem;

inline std::vector<std::string> FileLines(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::vector<std::string> out;
  std::string line;
  while (std::getline(f, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line);
  }
  return out;
}

inline std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::string item;
  std::istringstream in(s);
  while (std::getline(in, item, sep)) out.push_back(item);
  return out;
}

inline std::string Trim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// Team number -> class name, from the "*Lag" lines of the demo file ("0001,NAME,CLASS,...").
inline std::map<int, std::string> DemoTeamClasses(const fs::path& demo) {
  std::map<int, std::string> classes;
  bool inTeams = false;
  for (const std::string& line : FileLines(demo)) {
    if (line.rfind("*", 0) == 0) {
      if (line.rfind("*#", 0) != 0) inTeams = line == "*Lag";
      continue;
    }
    if (!inTeams || line.empty() || line[0] == ';') continue;
    const std::vector<std::string> f = Split(line, ',');
    classes[std::stoi(f.at(0))] = Trim(f.at(2));
  }
  return classes;
}

}  // namespace liga::testing::demo
