#include "app/config.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <system_error>
#include <vector>

#include "common/encoding.h"
#include "common/file_replace.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/text.h"

namespace liga {
namespace {

namespace fs = std::filesystem;

std::string envOr(const char* name, std::string fallback) {
  const char* v = std::getenv(name);
  return (v != nullptr && *v != '\0') ? std::string(v) : fallback;
}

// $HOME, else the home directory of the user's passwd entry; empty when neither is known.
// Never a shared folder such as /tmp, where any local user could have made the folders in
// advance.
std::string homeDir() {
  if (std::string home = envOr("HOME", ""); !home.empty()) return home;
  const long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir != nullptr && found->pw_dir[0] == '/')
    return found->pw_dir;
  return {};
}

// The XDG_DOCUMENTS_DIR line of user-dirs.dirs, with "$HOME" expanded; empty when absent.
std::string documentsFromUserDirs(const std::string& configHome) {
  std::ifstream in(configHome + "/user-dirs.dirs");
  std::string line;
  while (std::getline(in, line)) {
    const std::string prefix = "XDG_DOCUMENTS_DIR=";
    if (line.rfind(prefix, 0) != 0) continue;
    std::string value = line.substr(prefix.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) value = homeDir() + value.substr(5);
    if (!value.empty() && value.front() == '/') return value;
  }
  return {};
}

}  // namespace

std::size_t LabelBlockOffset(int i) {
  return kLabelBlocksOffset + static_cast<std::size_t>(i - 1) * kLabelBlockSize;
}
std::size_t ReportBlockOffset(int i) {
  return kReportBlocksOffset + static_cast<std::size_t>(i - 1) * kReportBlockSize;
}

int MainConfig::labelBlock() const {
  const int n = labelSettingsNo();
  return (n >= 1 && n <= kSettingsBlocks) ? n : 1;
}
int MainConfig::reportBlock() const {
  const int n = reportSettingsNo();
  return (n >= 1 && n <= kSettingsBlocks) ? n : 1;
}

MainConfig MainConfig::makeDefault(std::string_view defaultDataDir) {
  MainConfig c;
  c.setLabelSettingsNo(1);
  c.setReportSettingsNo(1);
  c.setWindowScale(1);
  c.setDataDir(defaultDataDir);
  c.setSlotDataDir(kProgramSlot, defaultDataDir);
  c.setLabelSettingsName(0, W("Kommunikationsinställning default"));
  for (int i = 1; i <= kSettingsBlocks; ++i) {
    c.setLabelSettingsName(i, W("Etikettinställning") + FormatInt(i, 2, '0') + " default");
    c.setReportSettingsName(i, W("Utskriftsinställning") + FormatInt(i, 2, '0') + " default");
  }
  return c;
}

// ---------------------------------------------------------------------------------------

std::string FoldersProblem() {
  const bool configGiven = !envOr("XDG_CONFIG_HOME", "").empty();
  const bool documentsGiven = !envOr("XDG_DOCUMENTS_DIR", "").empty();
  if ((configGiven && documentsGiven) || !homeDir().empty()) return {};
  return "hemkatalogen är okänd: HOME är inte satt och användaren har ingen hemkatalog i "
         "lösenordsfilen; sätt HOME (eller XDG_CONFIG_HOME och XDG_DOCUMENTS_DIR)";
}

AppFolders ResolveFolders() {
  AppFolders f;
  const std::string configHome = envOr("XDG_CONFIG_HOME", homeDir() + "/.config");
  f.configDir = configHome + "/" + std::string(kAppFolder);
  f.configFile = f.configDir + "/" + std::string(kAppFolder) + ".P32";
  std::string documents = envOr("XDG_DOCUMENTS_DIR", "");
  if (documents.empty()) documents = documentsFromUserDirs(configHome);
  if (documents.empty()) documents = homeDir() + "/Documents";
  f.dataRoot = documents + "/" + std::string(kAppFolder);
  f.textDir = f.dataRoot + "/text";
  f.defaultDataDir = f.dataRoot + "/data";
  return f;
}

std::string NormaliseDataDir(std::string_view dir) {
  std::string d = NormaliseFolder(dir);
  if (d.size() > kMaxDataDir) d.resize(kMaxDataDir);
  return d;
}

// ---------------------------------------------------------------------------------------

Configuration::Configuration()
    : m_main(std::make_unique<MainConfig>()),
      m_label(std::make_unique<LabelSettingsBlock>()),
      m_report(std::make_unique<ReportSettingsBlock>()) {}

bool Configuration::load(const std::string& path, std::string_view defaultDataDir) {
  m_path = path;
  std::error_code ec;
  const bool exists = fs::is_regular_file(path, ec);
  if (exists) {
    const auto size = fs::file_size(path, ec);
    if (!ec && size == kConfigFileSize) {
      std::ifstream in(path, std::ios::binary);
      MainConfig main;
      in.read(reinterpret_cast<char*>(main.data()), kMainConfigSize);
      if (in) {
        *m_main = main;
        in.seekg(static_cast<std::streamoff>(LabelBlockOffset(m_main->labelBlock())));
        in.read(reinterpret_cast<char*>(m_label->data()), kLabelBlockSize);
        in.seekg(static_cast<std::streamoff>(ReportBlockOffset(m_main->reportBlock())));
        in.read(reinterpret_cast<char*>(m_report->data()), kReportBlockSize);
        if (in) return true;
      }
    } else if (!ec) {
      ShowMessage(201, "Versionskonflikt av konfigurationsfilen \"" + Utf8ToCp1252(path) +
                           W("\" Nollställer."));
    }
  }
  writeDefaults(path, defaultDataDir);
  // The data directory the damaged file named is lost with it: the user is told which one
  // the program works in from now on.
  if (exists) {
    ShowMessage(201, W("Inställningarna nollställdes; datakatalogen är nu \"") +
                         Utf8ToCp1252(defaultDataDir) + "\"");
  }
  return false;
}

bool Configuration::writeDefaults(const std::string& path, std::string_view defaultDataDir) {
  m_path = path;
  *m_main = MainConfig::makeDefault(defaultDataDir);
  *m_label = DefaultLabelSettings(1);
  *m_report = DefaultReportSettings(1);
  // The whole file is replaced at once, so a failure part-way never leaves a file of the
  // wrong size behind.
  std::string bytes(reinterpret_cast<const char*>(m_main->data()), kMainConfigSize);
  for (int i = 1; i <= kSettingsBlocks; ++i) {
    const LabelSettingsBlock b = DefaultLabelSettings(i);
    bytes.append(reinterpret_cast<const char*>(b.data()), kLabelBlockSize);
  }
  for (int i = 1; i <= kSettingsBlocks; ++i) {
    const ReportSettingsBlock b = DefaultReportSettings(i);
    bytes.append(reinterpret_cast<const char*>(b.data()), kReportBlockSize);
  }
  return ReplaceFile(path, bytes);
}

namespace {

bool readAt(const std::string& path, std::size_t off, std::uint8_t* dest, std::size_t n) {
  std::error_code ec;
  if (path.empty() || fs::file_size(path, ec) != kConfigFileSize || ec) return false;
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(off));
  in.read(reinterpret_cast<char*>(dest), static_cast<std::streamsize>(n));
  return static_cast<bool>(in);
}

struct Patch {
  std::size_t offset;
  const std::uint8_t* bytes;
  std::size_t size;
};

// Rewrites parts of the configuration file. The file is replaced whole, never patched in
// place, so a crash leaves either the old or the new file, never a torn one; a file that the
// patches would not change is left alone. Returns 0 or the errno of the failure.
int patchFile(const std::string& path, std::initializer_list<Patch> patches) {
  std::error_code ec;
  if (path.empty()) return ENOENT;
  const auto size = fs::file_size(path, ec);
  if (ec) return ec.value();
  if (size != kConfigFileSize) return EINVAL;
  std::string bytes(kConfigFileSize, '\0');
  std::ifstream in(path, std::ios::binary);
  if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return EIO;
  const std::string before = bytes;
  for (const Patch& p : patches)
    bytes.replace(p.offset, p.size, reinterpret_cast<const char*>(p.bytes), p.size);
  if (bytes == before) return 0;
  return ReplaceFile(path, bytes) ? 0 : (errno != 0 ? errno : EIO);
}

bool writeAt(const std::string& path, std::size_t off, const std::uint8_t* src, std::size_t n) {
  return patchFile(path, {{off, src, n}}) == 0;
}

}  // namespace

bool Configuration::selectReportBlock(int i) {
  if (i < 1 || i > kSettingsBlocks) i = 1;
  ReportSettingsBlock b;
  const bool fromFile = readAt(m_path, ReportBlockOffset(i), b.data(), kReportBlockSize);
  *m_report = fromFile ? b : DefaultReportSettings(i);
  m_main->setReportSettingsNo(i);
  return fromFile;
}

bool Configuration::selectLabelBlock(int i) {
  if (i < 1 || i > kSettingsBlocks) i = 1;
  LabelSettingsBlock b;
  const bool fromFile = readAt(m_path, LabelBlockOffset(i), b.data(), kLabelBlockSize);
  *m_label = fromFile ? b : DefaultLabelSettings(i);
  m_main->setLabelSettingsNo(i);
  return fromFile;
}

bool Configuration::storeReportBlock() const {
  return writeAt(m_path, ReportBlockOffset(m_main->reportBlock()), m_report->data(),
                 kReportBlockSize);
}

bool Configuration::storeLabelBlock() const {
  return writeAt(m_path, LabelBlockOffset(m_main->labelBlock()), m_label->data(), kLabelBlockSize);
}

bool Configuration::save() {
  m_saveError = patchFile(
      m_path, {{0, m_main->data(), kMainConfigSize},
               {LabelBlockOffset(m_main->labelBlock()), m_label->data(), kLabelBlockSize},
               {ReportBlockOffset(m_main->reportBlock()), m_report->data(), kReportBlockSize}});
  return m_saveError == 0;
}

}  // namespace liga
