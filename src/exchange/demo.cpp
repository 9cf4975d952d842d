#include "exchange/demo.h"

#include <filesystem>
#include <fstream>

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

bool CreateDemoCompetition(Database& db, const std::string& logDir) {
  if (!db.createCatalogue()) return false;
  namespace fs = std::filesystem;
  // The importer reads files; the demo goes through a private temporary one.
  const fs::path temp = fs::path(db.dataDir()) / ".demo-import.lgw";
  {
    std::ofstream f(temp, std::ios::binary | std::ios::trunc);
    const auto text = DemoCompetitionText();
    f.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!f) return false;
  }
  Importer importer(db, logDir);
  importer.importFiles({temp.string()});
  std::error_code ec;
  fs::remove(temp, ec);
  return db.competitionOpen();
}

}  // namespace liga::exchange
