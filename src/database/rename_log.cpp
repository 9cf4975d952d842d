#include "database/rename_log.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>

#include "database/database.h"
#include "database/records.h"
#include "storage/env.h"
#include "storage/isam.h"

namespace liga {
namespace {

namespace fs = std::filesystem;
using storage::currentEnv;

constexpr const char* kTitle = "LigaWin32 rename log";

std::string logPath(const std::string& dir) {
  return (fs::path(dir) / kRenameLogName).string();
}

int writeAt(const std::string& path, storage::OpenMode mode, const std::string& text) {
  std::unique_ptr<storage::File> f;
  if (int e = currentEnv()->open(path, mode, &f)) return e;
  std::uint64_t size = 0;
  if (mode != storage::OpenMode::Create) {
    if (int e = f->size(&size)) return e;
  }
  if (int e = f->write(size, text.data(), text.size())) return e;
  return f->sync();
}

// The text of a log; false when there is none. A log too large to be one of ours, or one
// that cannot be read, reads as empty (it names nothing).
bool readLog(const std::string& path, std::string* text) {
  std::unique_ptr<storage::File> f;
  if (currentEnv()->open(path, storage::OpenMode::ReadOnly, &f) != 0) return false;
  std::uint64_t size = 0;
  text->clear();
  if (f->size(&size) == 0 && size < (1u << 16)) {
    text->resize(static_cast<std::size_t>(size));
    std::size_t got = 0;
    if (f->read(0, text->data(), text->size(), &got) != 0) got = 0;
    text->resize(got);
  }
  return true;
}

struct ParsedLog {
  int competition = 0;
  RenameTotals before;
  std::vector<RenameLogBlock> blocks;
  bool committed = false;
  RenameTotals totals;
};

// False when the log is not one this program wrote whole up to its block lines.
bool parse(const std::string& text, ParsedLog* log) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kTitle) return false;
  if (!std::getline(in, line) ||
      std::sscanf(line.c_str(), "competition %d", &log->competition) != 1)
    return false;
  while (std::getline(in, line)) {
    if (in.eof()) break;  // a last line without its newline was cut short
    std::istringstream words(line);
    std::string word;
    words >> word;
    if (word == "before") {
      RenameTotals& t = log->before;
      if (!(words >> t.teams >> t.matches >> t.open)) return false;
    } else if (word == "block") {
      RenameLogBlock b;
      if (!(words >> b.label >> b.temp)) return false;
      log->blocks.push_back(b);
    } else if (word == "committed") {
      RenameTotals& t = log->totals;
      log->committed = static_cast<bool>(words >> t.teams >> t.matches >> t.open);
    }
  }
  return !log->blocks.empty();
}

std::string existing(const std::string& dir, const std::string& name) {
  return FindFileNoCase(dir, name);
}

// Puts a block's old files back, the data file last. While the old data file waits under the
// temporary name every file of the block was moved, so the files under the block's own name
// are the new block's and go first; before that, they are old files the cut left in place.
bool undoBlock(const std::string& dir, const RenameLogBlock& b) {
  const bool dataMoved = !existing(dir, b.temp + ".dat").empty();
  bool ok = true;
  for (int i = 0; i < 3; ++i) {
    const std::string temp = existing(dir, b.temp + "." + kTempFileExt[i]);
    const std::string current = existing(dir, b.label + "." + kBlockFileExt[i]);
    if (dataMoved && !current.empty() && currentEnv()->remove(current) != 0) ok = false;
    if (temp.empty()) continue;
    const std::string back =
        current.empty() ? (fs::path(dir) / (b.label + "." + kBlockFileExt[i])).string() : current;
    if (currentEnv()->rename(temp, back) != 0) ok = false;
  }
  return ok;
}

void deleteTemp(const std::string& dir, const RenameLogBlock& b) {
  for (const char* ext : kTempFileExt) {
    const std::string left = existing(dir, b.temp + "." + ext);
    if (!left.empty()) (void)currentEnv()->remove(left);
  }
}

// Closes the catalogue; false when the work before it or the close failed, with the first
// failure's status. (The guard is scoped so that its restored failure is what is returned.)
bool closeCatalogue(FileBlockPtr cat) {
  {
    IsamStatusGuard failure;
    if (IsamOK) failure.release();
    CloseFileBlock(cat);
  }
  return IsamOK;
}

bool storeTotals(const std::string& dir, int nn, const RenameTotals& t) {
  FileBlockPtr cat = nullptr;
  OpenRecordBlock(cat, CatalogueBlockName(dir), kCatalogueRecLen);
  if (!IsamOK) return false;
  CompetitionRec comp;
  GetRec(cat, nn, comp.data());
  if (IsamOK) {
    comp.setTotalTeams(t.teams);
    comp.setTotalMatches(t.matches);
    comp.setTotalOpenMatches(t.open);
    PutRec(cat, nn, comp.data());
  }
  return closeCatalogue(cat);
}

}  // namespace

bool ReadTotals(const std::string& dir, int competition, RenameTotals* totals) {
  FileBlockPtr cat = nullptr;
  OpenRecordBlock(cat, CatalogueBlockName(dir), kCatalogueRecLen);
  if (!IsamOK) return false;
  CompetitionRec comp;
  GetRec(cat, competition, comp.data());
  if (IsamOK) *totals = {comp.totalTeams(), comp.totalMatches(), comp.totalOpenMatches()};
  return closeCatalogue(cat);
}

int WriteRenameLog(const std::string& dir, int competition, const RenameTotals& before,
                   const std::vector<RenameLogBlock>& blocks) {
  std::string text = std::string(kTitle) + "\ncompetition " + std::to_string(competition) +
                     "\nbefore " + std::to_string(before.teams) + " " +
                     std::to_string(before.matches) + " " + std::to_string(before.open) + "\n";
  for (const auto& b : blocks) text += "block " + b.label + " " + b.temp + "\n";
  const std::string path = logPath(dir);
  if (int e = writeAt(path, storage::OpenMode::Create, text)) {
    (void)currentEnv()->remove(path);
    return e;
  }
  return currentEnv()->syncDirOf(path);
}

int CommitRenameLog(const std::string& dir, const RenameTotals& t, bool* undecided) {
  *undecided = false;
  const std::string line = "committed " + std::to_string(t.teams) + " " +
                           std::to_string(t.matches) + " " + std::to_string(t.open) + "\n";
  std::unique_ptr<storage::File> f;
  if (int e = currentEnv()->open(logPath(dir), storage::OpenMode::Existing, &f)) return e;
  std::uint64_t size = 0;
  if (int e = f->size(&size)) return e;
  int e = f->write(size, line.data(), line.size());
  if (e == 0) e = f->sync();
  if (e == 0) return 0;
  // The line may have reached the disk: only a log made durable without it again is
  // undecided no longer.
  *undecided = f->truncate(size) != 0 || f->sync() != 0;
  return e;
}

void RemoveRenameLog(const std::string& dir) {
  const std::string path = logPath(dir);
  if (currentEnv()->remove(path) == 0) (void)currentEnv()->syncDirOf(path);
}

bool RenameLogExists(const std::string& dir) {
  return currentEnv()->exists(logPath(dir));
}

bool RecoverRenameLog(const std::string& dir, int* completed, RenameTotals* totals) {
  if (completed) *completed = 0;
  const std::string path = logPath(dir);
  std::string text;
  if (!readLog(path, &text)) return true;
  ParsedLog log;
  if (parse(text, &log)) {
    bool ok = true;
    if (log.committed) {
      ok = storeTotals(dir, log.competition, log.totals);
      if (ok) {
        for (const auto& b : log.blocks) deleteTemp(dir, b);
        if (completed) *completed = log.competition;
        if (completed) *totals = log.totals;
      }
    } else {
      for (auto it = log.blocks.rbegin(); it != log.blocks.rend(); ++it)
        ok = undoBlock(dir, *it) && ok;
      (void)currentEnv()->syncDirOf(path);
      ok = ok && storeTotals(dir, log.competition, log.before);
      if (ok && completed) {
        *completed = log.competition;
        *totals = log.before;
      }
    }
    if (!ok) {
      if (IsamOK) {
        IsamOK = false;
        IsamError = isam_error::kGeneral;
        IsamDosError = errno;
      }
      return false;
    }
  }
  RemoveRenameLog(dir);
  return true;
}

namespace {

constexpr const char* kCreationTitle = "LigaWin32 creation log";

std::string creationPath(const std::string& dir) {
  return (fs::path(dir) / kCreationLogName).string();
}

struct CreationLog {
  bool newCatalogue = false;
  std::vector<int> competitions;
};

// False when not even the title line is whole: the log was cut short before anything it
// would name was made.
bool parseCreation(const std::string& text, CreationLog* log) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kCreationTitle || in.eof()) return false;
  while (std::getline(in, line) && !in.eof()) {
    int nn = 0;
    if (line == "catalogue") {
      log->newCatalogue = true;
    } else if (std::sscanf(line.c_str(), "competition %d", &nn) == 1 && nn > 0) {
      log->competitions.push_back(nn);
    }
  }
  return true;
}

// Whether the data file at `path` ends before its first record: a block cut short while it
// was being created, which can hold nothing that was stored.
bool endsBeforeFirstRecord(const std::string& path) {
  std::unique_ptr<storage::File> f;
  std::uint64_t size = 0;
  return currentEnv()->open(path, storage::OpenMode::ReadOnly, &f) == 0 && f->size(&size) == 0 &&
         size <= static_cast<std::uint64_t>(kCatalogueRecLen);
}

// Deletes the blocks of every competition of `log` that is not in use in the catalogue, and
// the catalogue when the log made it and it lists no competition (or its creation was cut
// short before its first record). False (status set) when the catalogue is there but cannot
// be read.
bool takeBack(const std::string& dir, const CreationLog& log) {
  const std::string catalogue = CatalogueBlockName(dir);
  std::vector<int> lost = log.competitions;
  bool emptyCatalogue = true;
  const std::string catalogueData =
      FindFileNoCase(dir, fs::path(catalogue).filename().string() + ".DAT");
  if (!catalogueData.empty()) {
    FileBlockPtr cat = nullptr;
    OpenRecordBlock(cat, catalogue, kCatalogueRecLen);
    if (!IsamOK && !(log.newCatalogue && endsBeforeFirstRecord(catalogueData))) return false;
    if (!IsamOK) {
      IsamOK = true;  // every competition of the log is lost with it
    } else {
      lost.clear();
      for (int nn : log.competitions) {
        CompetitionRec rec;
        const bool inUse =
            nn < FileLen(cat) && (GetRec(cat, nn, rec.data()), IsamOK) && rec.status() == 0;
        if (!IsamOK) break;
        if (!inUse) lost.push_back(nn);
      }
      emptyCatalogue = IsamOK && UsedRecs(cat) == 0;
      if (!closeCatalogue(cat)) return false;
    }
  }
  for (int nn : lost) {
    for (const std::string& block :
         {ClassBlockName(dir, nn), PlayTimeBlockName(dir, nn), TeamBlockName(dir, nn)})
      DeleteFileBlock(block);
  }
  if (log.newCatalogue && emptyCatalogue) DeleteFileBlock(catalogue);
  IsamOK = true;
  IsamError = IsamDosError = 0;
  return true;
}

}  // namespace

int WriteCreationLog(const std::string& dir, int competition, bool newCatalogue) {
  const std::string path = creationPath(dir);
  if (!currentEnv()->exists(path)) {
    std::string text = std::string(kCreationTitle) + "\n";
    if (newCatalogue) text += "catalogue\n";
    if (int e = writeAt(path, storage::OpenMode::Create, text)) {
      (void)currentEnv()->remove(path);
      return e;
    }
    if (int e = currentEnv()->syncDirOf(path)) return e;
  }
  if (competition <= 0) return 0;
  return writeAt(path, storage::OpenMode::Existing,
                 "competition " + std::to_string(competition) + "\n");
}

void RemoveCreationLog(const std::string& dir) {
  const std::string path = creationPath(dir);
  if (currentEnv()->remove(path) == 0) (void)currentEnv()->syncDirOf(path);
}

bool CreationLogExists(const std::string& dir) {
  return currentEnv()->exists(creationPath(dir));
}

bool RecoverCreationLog(const std::string& dir) {
  std::string text;
  if (!readLog(creationPath(dir), &text)) return true;
  CreationLog log;
  if (parseCreation(text, &log) && !takeBack(dir, log)) return false;
  RemoveCreationLog(dir);
  return true;
}

}  // namespace liga
