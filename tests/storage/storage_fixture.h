// Shared fixture of the storage tests: an engine running on an in-memory file system behind
// a fault wrapper, with helper verbs.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "storage/check.h"
#include "storage/engine.h"
#include "storage/isam.h"
#include "storage/mem_env.h"

namespace liga::storage::testing {

class StorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setCurrentEnv(&m_fault);
    setInvariantChecks(true);
    if (IsamInitialised()) ExitIsam();
    ASSERT_TRUE(InitIsam({}, pageBuffers()));
  }
  void TearDown() override {
    m_fault.disarm();
    ExitIsam();
    setCurrentEnv(nullptr);
  }
  virtual int pageBuffers() const { return 200; }

  // Creates and opens "blk" with the given record length and keys.
  void create(std::int32_t recLen, std::vector<KeyDesc> keys, const std::string& name = "blk") {
    CreateFileBlock(name, recLen, static_cast<int>(keys.size()), keys);
    ASSERT_TRUE(IsamOK) << IsamError;
    open(name);
  }
  // Creates each block of `names` with one key of 10 characters and fills it in one batch
  // with `records` records ("NAMEi") keyed "k100", "k101", ...; leaves them closed.
  void createFilledBlocks(const std::vector<std::string>& names, std::int32_t recLen, int records) {
    for (const auto& name : names) {
      create(recLen, {{10, true}}, name);
      BeginBatch(m_h);
      for (int i = 0; i < records; ++i) {
        const std::int32_t n = add(rec(name + std::to_string(i), recLen));
        AddKey(m_h, 1, n, "k" + std::to_string(100 + i));
      }
      CommitBatch(m_h);
      ASSERT_TRUE(IsamOK) << IsamError;
      close();
    }
  }
  void open(const std::string& name = "blk") {
    OpenFileBlock(m_h, name);
    ASSERT_TRUE(IsamOK) << IsamError;
  }
  void close() {
    if (m_h) CloseFileBlock(m_h);
  }
  void reopen(const std::string& name = "blk") {
    close();
    open(name);
  }
  std::string rec(const std::string& text, std::size_t len) {
    std::string r(len, '\0');
    std::memcpy(r.data() + 4, text.data(), std::min(text.size(), len - 4));
    return r;
  }
  std::int32_t add(const std::string& bytes) {
    std::int32_t n = 0;
    AddRec(m_h, n, bytes.data());
    EXPECT_TRUE(IsamOK) << IsamError;
    return n;
  }
  std::string get(std::int32_t n, std::size_t len) {
    std::string r(len, '\0');
    GetRec(m_h, n, r.data());
    return r;
  }
  // All entries of index k via ClearKey + NextKey.
  std::vector<std::pair<std::string, std::int32_t>> scan(int k) {
    std::vector<std::pair<std::string, std::int32_t>> out;
    ClearKey(m_h, k);
    std::string key;
    std::int32_t r = 0;
    for (;;) {
      NextKey(m_h, k, r, key);
      if (!IsamOK) break;
      out.emplace_back(key, r);
    }
    EXPECT_EQ(IsamError, isam_error::kNoNextKey);
    return out;
  }
  bool check(const std::string& name = "blk") {
    CheckResult r = checkBlock(name);
    if (!r.ok) {
      for (auto& p : r.problems) ADD_FAILURE() << p;
    }
    return r.ok;
  }

  MemEnv m_mem;
  FaultEnv m_fault{&m_mem};
  FileBlockPtr m_h = nullptr;
};

}  // namespace liga::storage::testing
