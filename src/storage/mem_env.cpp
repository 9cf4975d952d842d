#include "storage/mem_env.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace liga::storage {
namespace {

void applyWrite(std::string& s, std::uint64_t offset, const std::string& bytes) {
  if (s.size() < offset + bytes.size()) s.resize(offset + bytes.size(), '\0');
  std::memcpy(s.data() + offset, bytes.data(), bytes.size());
}

void applyOp(std::string& s, const MemEnv::Op& op) {
  if (op.truncate) {
    s.resize(op.offset, '\0');
  } else {
    applyWrite(s, op.offset, op.bytes);
  }
}

class MemFile final : public File {
 public:
  MemFile(std::shared_ptr<MemEnv::FileState> state, bool readOnly)
      : m_state(std::move(state)), m_readOnly(readOnly) {}

  int read(std::uint64_t offset, void* buffer, std::size_t n, std::size_t* got) override {
    const std::string& s = m_state->current;
    if (offset >= s.size()) {
      *got = 0;
      return 0;
    }
    std::size_t k = std::min<std::uint64_t>(n, s.size() - offset);
    std::memcpy(buffer, s.data() + offset, k);
    *got = k;
    return 0;
  }
  int write(std::uint64_t offset, const void* data, std::size_t n) override {
    if (m_readOnly) return EBADF;
    MemEnv::Op op;
    op.offset = offset;
    op.bytes.assign(static_cast<const char*>(data), n);
    applyOp(m_state->current, op);
    m_state->pending.push_back(std::move(op));
    return 0;
  }
  int sync() override {
    m_state->durable = m_state->current;
    m_state->pending.clear();
    return 0;
  }
  int truncate(std::uint64_t size) override {
    if (m_readOnly) return EBADF;
    MemEnv::Op op;
    op.truncate = true;
    op.offset = size;
    applyOp(m_state->current, op);
    m_state->pending.push_back(std::move(op));
    return 0;
  }
  int size(std::uint64_t* size) override {
    *size = m_state->current.size();
    return 0;
  }

 private:
  std::shared_ptr<MemEnv::FileState> m_state;
  bool m_readOnly;
};

class FaultFile final : public File {
 public:
  FaultFile(FaultEnv* env, std::unique_ptr<File> base, std::string path)
      : m_env(env), m_base(std::move(base)), m_path(std::move(path)) {}

  int read(std::uint64_t offset, void* buffer, std::size_t n, std::size_t* got) override {
    bool unused;
    if (int e = m_env->before(FaultEnv::Kind::Read, &unused)) {
      *got = 0;
      return e;
    }
    return m_base->read(offset, buffer, n, got);
  }
  int write(std::uint64_t offset, const void* data, std::size_t n) override {
    bool shortWrite = false;
    if (int e = m_env->before(FaultEnv::Kind::Write, &shortWrite)) {
      if (shortWrite && n > 1) (void)m_base->write(offset, data, n / 2);
      return e;
    }
    if (m_env->diskFull()) {
      std::uint64_t size = 0;
      if (m_base->size(&size) == 0 && offset + n > size) {
        noteFileFailure(m_path, ENOSPC);
        return ENOSPC;
      }
    }
    return m_base->write(offset, data, n);
  }
  int sync() override {
    bool unused;
    if (int e = m_env->before(FaultEnv::Kind::Sync, &unused)) return e;
    return m_base->sync();
  }
  int truncate(std::uint64_t size) override {
    bool unused;
    if (int e = m_env->before(FaultEnv::Kind::Truncate, &unused)) return e;
    return m_base->truncate(size);
  }
  int size(std::uint64_t* size) override { return m_base->size(size); }

 private:
  FaultEnv* m_env;
  std::unique_ptr<File> m_base;
  std::string m_path;
};

}  // namespace

int MemEnv::open(const std::string& path, OpenMode mode, std::unique_ptr<File>* file) {
  auto it = m_files.find(path);
  if (it == m_files.end()) {
    if (mode == OpenMode::Existing || mode == OpenMode::ReadOnly) return ENOENT;
    it = m_files.emplace(path, std::make_shared<FileState>()).first;
  } else if (mode == OpenMode::Create) {
    // Re-creating a file is a durable directory operation in this model.
    it->second = std::make_shared<FileState>();
  }
  m_removed.erase(path);
  *file = std::make_unique<MemFile>(it->second, mode == OpenMode::ReadOnly);
  return 0;
}

int MemEnv::remove(const std::string& path) {
  const auto it = m_files.find(path);
  if (it == m_files.end()) return ENOENT;
  m_removed[path] = it->second;
  m_files.erase(it);
  return 0;
}

int MemEnv::rename(const std::string& from, const std::string& to) {
  const auto it = m_files.find(from);
  if (it == m_files.end()) return ENOENT;
  if (m_files.count(to) != 0) return EEXIST;
  m_files[to] = it->second;
  m_files.erase(from);
  m_removed.erase(to);
  m_renamed.emplace_back(from, to);
  return 0;
}

namespace {

std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

int MemEnv::syncDirOf(const std::string& path) {
  const std::string folder = folderOf(path);
  std::erase_if(m_removed, [&](const auto& r) { return folderOf(r.first) == folder; });
  std::erase_if(m_renamed, [&](const auto& r) { return folderOf(r.second) == folder; });
  return 0;
}

bool MemEnv::exists(const std::string& path) {
  return m_files.count(path) != 0;
}

int MemEnv::listDir(const std::string& dir, std::vector<std::string>* names) {
  names->clear();
  std::string prefix = dir.empty() ? std::string() : (dir == "/" ? dir : dir + "/");
  for (const auto& [path, state] : m_files) {
    if (path.compare(0, prefix.size(), prefix) != 0) continue;
    std::string rest = path.substr(prefix.size());
    if (rest.find('/') == std::string::npos) names->push_back(rest);
  }
  return 0;
}

void MemEnv::powerCut(Cut cut, std::mt19937& rng) {
  for (auto& [path, st] : m_files) {
    const std::string s = afterCut(*st, cut, rng);
    st->durable = s;
    st->current = s;
    st->pending.clear();
  }
  dropRenames(m_renamed, cut, rng, [this](const std::string& from, const std::string& to) {
    const auto it = m_files.find(to);
    if (it == m_files.end() || m_files.count(from) != 0) return;
    m_files[from] = it->second;
    m_files.erase(it);
  });
  m_renamed.clear();
  // A removal whose folder was not synced since may be lost: the file is back.
  for (const auto& [path, st] : m_removed) {
    if (cut == Cut::KeepAll || (cut == Cut::Random && rng() % 2 == 0)) continue;
    auto back = std::make_shared<FileState>();
    back->durable = back->current = afterCut(*st, cut, rng);
    m_files[path] = back;
  }
  m_removed.clear();
}

std::string MemEnv::afterCut(const FileState& st, Cut cut, std::mt19937& rng) {
  std::string s = st.durable;
  for (const Op& op : st.pending) {
    int fate = 0;  // 0 keep, 1 drop, 2 torn, 3 garbled
    if (cut == Cut::DropAll) fate = 1;
    if (cut == Cut::Random) fate = static_cast<int>(rng() % 4);
    if (op.truncate) {
      if (fate != 1) applyOp(s, op);
      continue;
    }
    if (fate == 0) {
      applyOp(s, op);
    } else if (fate == 2) {
      std::size_t keep = op.bytes.empty() ? 0 : rng() % op.bytes.size();
      applyWrite(s, op.offset, op.bytes.substr(0, keep));
    } else if (fate == 3) {
      std::string junk = op.bytes;
      for (char& c : junk) c = static_cast<char>(rng());
      applyWrite(s, op.offset, junk);
    }
  }
  return s;
}

void MemEnv::syncAll() {
  for (auto& [path, st] : m_files) {
    st->durable = st->current;
    st->pending.clear();
  }
}

std::string MemEnv::contents(const std::string& path) const {
  auto it = m_files.find(path);
  return it == m_files.end() ? std::string() : it->second->current;
}

void MemEnv::setContents(const std::string& path, const std::string& bytes) {
  m_removed.clear();
  m_renamed.clear();
  auto st = std::make_shared<FileState>();
  st->durable = bytes;
  st->current = bytes;
  m_files[path] = st;
}

std::vector<std::string> MemEnv::paths() const {
  std::vector<std::string> out;
  for (const auto& [path, st] : m_files) out.push_back(path);
  return out;
}

std::size_t MemEnv::unsyncedOps() const {
  std::size_t n = 0;
  for (const auto& [path, st] : m_files) n += st->pending.size();
  return n;
}

int FaultEnv::open(const std::string& path, OpenMode mode, std::unique_ptr<File>* file) {
  if (m_cutHit) return EIO;
  std::unique_ptr<File> base;
  if (int e = m_base->open(path, mode, &base)) return e;
  *file = std::make_unique<FaultFile>(this, std::move(base), path);
  return 0;
}

int FaultEnv::remove(const std::string& path) {
  bool shortWrite = false;
  if (int e = before(Kind::Dir, &shortWrite)) return e;
  return m_base->remove(path);
}

int FaultEnv::rename(const std::string& from, const std::string& to) {
  bool shortWrite = false;
  if (int e = before(Kind::Dir, &shortWrite)) return e;
  return m_base->rename(from, to);
}

int FaultEnv::syncDirOf(const std::string& path) {
  bool shortWrite = false;
  if (int e = before(Kind::Dir, &shortWrite)) return e;
  return m_base->syncDirOf(path);
}

void FaultEnv::failAt(Kind kind, long long n, bool persistent, int error, bool shortWrite) {
  m_failKind = kind;
  m_failAt = n;
  m_persistent = persistent;
  m_error = error;
  m_short = shortWrite;
}

void FaultEnv::cutAt(long long n) {
  m_cutAt = n;
}

void FaultEnv::disarm() {
  m_failAt = -1;
  m_cutAt = -1;
  m_cutHit = false;
  m_failedOnce = false;
  m_diskFull = false;
}

void FaultEnv::resetCounts() {
  for (auto& c : m_count) c = 0;
}

int FaultEnv::before(Kind kind, bool* shortWrite) {
  long long nThis = m_count[static_cast<int>(kind)]++;
  long long nAny = m_count[static_cast<int>(Kind::Any)]++;
  if (m_cutHit) return EIO;
  if (m_cutAt >= 0 && nAny >= m_cutAt) {
    m_cutHit = true;
    return EIO;
  }
  if (m_failAt >= 0) {
    long long n = m_failKind == Kind::Any ? nAny : (m_failKind == kind ? nThis : -1);
    if (n >= 0 && (n == m_failAt || (m_persistent && n > m_failAt))) {
      m_failedOnce = true;
      *shortWrite = m_short && kind == Kind::Write;
      return m_error;
    }
  }
  return 0;
}

}  // namespace liga::storage
