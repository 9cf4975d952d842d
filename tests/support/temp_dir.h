// A temporary folder for one test or one suite: made with mkdtemp under the system's
// temporary folder when constructed, removed with everything in it when destroyed.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <system_error>

namespace liga::testing {

class TempDir {
 public:
  // `tag` goes into the folder's name so that a left-over folder tells which test made it.
  explicit TempDir(const std::string& tag = "test") {
    std::string name = "liga_";
    for (char c : tag) name += (std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
    std::string tmpl = (std::filesystem::temp_directory_path() / (name + "_XXXXXX")).string();
    if (::mkdtemp(tmpl.data()) == nullptr) {
      ADD_FAILURE() << "mkdtemp " << tmpl << " failed";
      return;
    }
    m_path = tmpl;
  }
  ~TempDir() {
    if (m_path.empty()) return;
    std::error_code ec;
    // A test may have taken permissions away; the folder goes all the same.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (it->is_directory(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
      }
    }
    std::filesystem::remove_all(m_path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return m_path; }
  operator const std::filesystem::path&() const { return m_path; }
  std::string string() const { return m_path.string(); }
  const char* c_str() const { return m_path.c_str(); }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return m_path / name; }

 private:
  std::filesystem::path m_path;
};

// The running test's name, for a TempDir's tag.
inline std::string CurrentTestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return info ? std::string(info->test_suite_name()) + "_" + info->name() : "suite";
}

}  // namespace liga::testing
