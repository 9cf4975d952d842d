// Reading and writing whole files byte for byte, for tests that compare what the program
// wrote or give it prepared input.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace liga::testing {

// The whole file; "" when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The whole file as bytes; empty when it cannot be read.
inline std::vector<unsigned char> ReadBytes(const std::filesystem::path& path) {
  const std::string s = ReadFile(path);
  return {s.begin(), s.end()};
}

// Test input only: the program's own files are written through ReplaceFile.
inline bool WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}
inline bool WriteFile(const std::filesystem::path& path, const std::vector<unsigned char>& bytes) {
  return WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

}  // namespace liga::testing
