#include "exchange/demo.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "common/file_replace.h"
#include "database/database.h"
#include "exchange/demo_data.h"
#include "exchange/import.h"

namespace liga::exchange {

std::string_view DemoCompetitionText() {
  return {kDemoLgw, sizeof kDemoLgw};
}
std::string_view DemoMaskText() {
  return {kDemoMsk, sizeof kDemoMsk};
}

namespace {

// Imports the demo into the new catalogue; true when the competition was stored.
bool importDemo(Database& db, const std::string& logDir, std::string* logFile,
                std::string* failure) {
  namespace fs = std::filesystem;
  // The importer reads files; the demo goes through a private folder of its own, so the
  // log names it "demo.lgw".
  std::string folder = (fs::temp_directory_path() / "liga-demo-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) return false;
  const fs::path file = fs::path(folder) / "demo.lgw";
  if (!ReplaceFile(file.string(), DemoCompetitionText())) {
    std::error_code ec;
    fs::remove_all(folder, ec);
    return false;
  }
  Importer importer(db, logDir);
  importer.importFiles({file.string()});
  if (logFile != nullptr) *logFile = importer.logFile();
  if (failure != nullptr) *failure = importer.failureText();
  std::error_code ec;
  fs::remove_all(folder, ec);
  return db.competitionOpen();
}

}  // namespace

bool CreateDemoCompetition(Database& db, const std::string& logDir, std::string* logFile,
                           std::string* failure) {
  // All or nothing: a demo that fails, or a process killed part-way, leaves no catalogue, so
  // the command can simply be run again.
  if (!db.createCatalogue(true)) {
    IsamStatusGuard keep;
    db.abandonCreation();
    return false;
  }
  if (importDemo(db, logDir, logFile, failure)) return true;
  IsamStatusGuard keep;
  db.abandonCreation();
  return false;
}

}  // namespace liga::exchange
