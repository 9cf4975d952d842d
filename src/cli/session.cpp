#include "cli/session.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "common/messages.h"
#include "database/records.h"

namespace liga::cli {

namespace fs = std::filesystem;

std::string DataDirProblem(const std::string& dir, int enterError, DataDirAccess access) {
  if (enterError == ENOENT) return "datakatalogen finns inte: " + dir;
  if (enterError == ENOTDIR) return "datakatalogen är inte en katalog: " + dir;
  if (enterError != 0)
    return "datakatalogen kan inte öppnas (" + errorReason(enterError) + "): " + dir;
  // A reading command opens the files read-only; a writing one needs the directory (for
  // journals and the lock file) and the catalogue writable.
  const bool writes = access == DataDirAccess::Write;
  if (writes && ::access(dir.c_str(), W_OK) != 0)
    return "datakatalogen kan inte skrivas (" + errorReason(errno) + "): " + dir;
  const std::string catalogue = CatalogueBlockName(dir);
  for (const char* ext : {".DAT", ".IX", ".DIA"}) {
    const std::string file = catalogue + ext;
    std::error_code ec;
    if (!fs::exists(file, ec)) continue;
    if (::access(file.c_str(), writes ? R_OK | W_OK : R_OK) != 0)
      return "tävlingskatalogen kan inte öppnas (" + errorReason(errno) + "): " + file;
  }
  return {};
}

int refuseWithoutCompetition(Context& ctx, Database& db) {
  if (db.competitionFailedToOpen()) {
    ctx.err << "fel: tävling " << db.currentCompetition()
            << " kan inte öppnas: " << Cp1252ToUtf8(db.openFailureText()) << "\n";
    return kExitRefused;
  }
  return refuse(ctx, Utf8ToCp1252("<tävling ej vald/inmatad>"));
}

}  // namespace liga::cli
