// The one file interface all storage I/O goes through.
//
// The engine never touches the operating system's files directly: it asks the current `Env`
// to open files and calls `File` methods. Tests swap in an in-memory environment with a
// power-cut model and a fault wrapper (mem_env.h), so every read, write, sync and truncate
// can be made to fail or to be lost.
//
// Every method returns 0 or an errno value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace liga::storage {

class File {
 public:
  virtual ~File() = default;
  // Reads up to `n` bytes at `offset`; `*got` is the count read (less at end of file).
  virtual int read(std::uint64_t offset, void* buffer, std::size_t n, std::size_t* got) = 0;
  // Writes all `n` bytes at `offset`, extending the file (with zeros) when needed. On an
  // error a prefix of the bytes may have been written.
  virtual int write(std::uint64_t offset, const void* data, std::size_t n) = 0;
  // Makes every earlier write and truncate of this file durable.
  virtual int sync() = 0;
  virtual int truncate(std::uint64_t size) = 0;
  virtual int size(std::uint64_t* size) = 0;
};

// The modes that may write never follow a symbolic link in the last component of the path
// (ELOOP): a link placed among the data files must not make the program write to, truncate or
// create the file it points at. A mode that creates makes a new file with O_EXCL, so a name
// that appears between the check and the creation is never taken over.
enum class OpenMode {
  Existing,      // read-write; ENOENT when missing
  Create,        // read-write; created or emptied
  OpenOrCreate,  // read-write; created when missing, contents kept
  ReadOnly,      // reads only
};

class Env {
 public:
  virtual ~Env() = default;
  virtual int open(const std::string& path, OpenMode mode, std::unique_ptr<File>* file) = 0;
  virtual int remove(const std::string& path) = 0;
  // Gives the file `from` the name `to`; EEXIST when `to` exists (never replaced). Durable,
  // like a removal, once the folder is synced (syncDirOf).
  virtual int rename(const std::string& from, const std::string& to) = 0;
  virtual bool exists(const std::string& path) = 0;
  // Names (not paths) of the entries of `dir` ("" = current directory).
  virtual int listDir(const std::string& dir, std::vector<std::string>* names) = 0;
  // Makes the creation of the files in the folder of `path` durable.
  virtual int syncDirOf(const std::string& /*path*/) { return 0; }
};

// The process's real file system. `useFdatasync` selects fdatasync(2) over fsync(2) for
// File::sync (both make the file size durable).
Env* posixEnv();
void setPosixSyncMode(bool useFdatasync);
bool posixSyncUsesFdatasync();

// The environment the engine uses; posixEnv() unless a test replaced it.
Env* currentEnv();
// REQUIRES: no file block is open. nullptr restores posixEnv().
void setCurrentEnv(Env* env);

// The last call of the real file system (or of a test environment standing in for it) that
// failed: the file it was about and its errno. Messages use it to name the file behind an
// I/O failure ("disken är full", a refused symbolic link).
struct FileFailure {
  std::string path;
  int error = 0;
};
const FileFailure& lastFileFailure();
void noteFileFailure(const std::string& path, int error);

// Resolves `path` for opening: the exact name when it exists, else the first entry of its
// folder whose name matches ignoring ASCII case, else `path` itself.
std::string resolveCaseInsensitive(Env* env, const std::string& path);

}  // namespace liga::storage
