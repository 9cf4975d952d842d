// The real file system with the power-cut model of the in-memory one (storage/mem_env.h):
// every write and truncate since a file's last sync is remembered with the bytes the file
// held at that sync, and powerCut() decides the fate of each (kept, dropped, torn, garbled)
// and writes the result back to the file. A removal is durable only once its folder is
// synced: a power cut that drops it brings the file back (as the model leaves its bytes). A
// rename too: a cut that drops it gives the file its old name again, unless a file was
// created under that name since (which shows the rename had reached the disk).
// Creating a file is durable at once. Only what goes through the storage environment is
// modelled.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "storage/mem_env.h"

namespace liga::testing {

class LossyEnv final : public storage::ForwardingEnv {
 public:
  explicit LossyEnv(storage::Env* base) : ForwardingEnv(base) {}

  int open(const std::string& path, storage::OpenMode mode,
           std::unique_ptr<storage::File>* file) override {
    std::unique_ptr<storage::File> f;
    if (int e = m_base->open(path, mode, &f)) return e;
    if (mode == storage::OpenMode::Create) m_files.erase(path);  // made (or emptied) durably
    if (mode == storage::OpenMode::Create || mode == storage::OpenMode::OpenOrCreate)
      m_removed[folderOf(path)].erase(path);
    *file = std::make_unique<LossyFile>(this, std::move(f), path);
    return 0;
  }
  int remove(const std::string& path) override {
    storage::MemEnv::FileState state;
    if (const auto it = m_files.find(path); it != m_files.end()) {
      state = it->second;
    } else {
      std::ifstream in(path, std::ios::binary);
      state.durable.assign(std::istreambuf_iterator<char>(in), {});
    }
    const int e = m_base->remove(path);
    if (e == 0) {
      m_removed[folderOf(path)][path] = std::move(state);
      m_files.erase(path);
    }
    return e;
  }
  int rename(const std::string& from, const std::string& to) override {
    const int e = m_base->rename(from, to);
    if (e != 0) return e;
    if (const auto it = m_files.find(from); it != m_files.end()) {
      m_files[to] = std::move(it->second);  // the unsynced writes go with the file
      m_files.erase(it);
    }
    m_removed[folderOf(to)].erase(to);
    m_renamed[folderOf(to)].emplace_back(from, to);
    return 0;
  }
  int syncDirOf(const std::string& path) override {
    const int e = m_base->syncDirOf(path);
    if (e == 0) {
      m_removed.erase(folderOf(path));
      m_renamed.erase(folderOf(path));
    }
    return e;
  }

  // Applies the model to every file changed since its last sync; returns how many files it
  // left other than they were. REQUIRES: no file of this environment is used again.
  int powerCut(storage::MemEnv::Cut cut, std::mt19937& rng) {
    int changed = 0;
    for (const auto& [path, state] : m_files) {
      if (!std::filesystem::exists(path)) continue;  // moved away outside the environment
      const std::string bytes = storage::MemEnv::afterCut(state, cut, rng);
      std::ifstream in(path, std::ios::binary);
      const std::string was{std::istreambuf_iterator<char>(in), {}};
      if (was == bytes) continue;
      ++changed;
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    m_files.clear();
    for (const auto& [folder, renamed] : m_renamed) {
      storage::dropRenames(renamed, cut, rng, [&](const std::string& from, const std::string& to) {
        if (!std::filesystem::exists(to) || std::filesystem::exists(from)) return;
        std::filesystem::rename(to, from);
        ++changed;
      });
    }
    m_renamed.clear();
    for (const auto& [folder, removed] : m_removed) {
      for (const auto& [path, state] : removed) {
        if (cut == storage::MemEnv::Cut::KeepAll || std::filesystem::exists(path)) continue;
        if (cut == storage::MemEnv::Cut::Random && rng() % 2 == 0) continue;
        std::ofstream out(path, std::ios::binary);
        const std::string bytes = storage::MemEnv::afterCut(state, cut, rng);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        ++changed;
      }
    }
    m_removed.clear();
    return changed;
  }

 private:
  class LossyFile final : public storage::File {
   public:
    LossyFile(LossyEnv* env, std::unique_ptr<storage::File> base, std::string path)
        : m_env(env), m_base(std::move(base)), m_path(std::move(path)) {}
    int read(std::uint64_t offset, void* buffer, std::size_t n, std::size_t* got) override {
      return m_base->read(offset, buffer, n, got);
    }
    int write(std::uint64_t offset, const void* data, std::size_t n) override {
      if (int e = remember()) return e;
      const int e = m_base->write(offset, data, n);
      if (e == 0)
        pending().push_back({false, offset, std::string(static_cast<const char*>(data), n)});
      return e;
    }
    int sync() override {
      const int e = m_base->sync();
      if (e == 0) m_env->m_files.erase(m_path);
      return e;
    }
    int truncate(std::uint64_t size) override {
      if (int e = remember()) return e;
      const int e = m_base->truncate(size);
      if (e == 0) pending().push_back({true, size, {}});
      return e;
    }
    int size(std::uint64_t* size) override { return m_base->size(size); }

   private:
    // The first change since the last sync: what the file holds now is what survives.
    int remember() {
      if (m_env->m_files.count(m_path)) return 0;
      std::uint64_t size = 0;
      if (int e = m_base->size(&size)) return e;
      std::string bytes(static_cast<std::size_t>(size), '\0');
      std::size_t got = 0;
      if (int e = m_base->read(0, bytes.data(), bytes.size(), &got)) return e;
      bytes.resize(got);
      m_env->m_files[m_path].durable = std::move(bytes);
      return 0;
    }
    std::vector<storage::MemEnv::Op>& pending() { return m_env->m_files[m_path].pending; }

    LossyEnv* m_env;
    std::unique_ptr<storage::File> m_base;
    std::string m_path;
  };

  static std::string folderOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
  }

  std::map<std::string, storage::MemEnv::FileState> m_files;
  // Per folder, the files removed since it was last synced, as they were.
  std::map<std::string, std::map<std::string, storage::MemEnv::FileState>> m_removed;
  // Per folder, the renames (from, to) made since it was last synced, in order.
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> m_renamed;
};

}  // namespace liga::testing
