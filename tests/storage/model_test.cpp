// Randomised model test: the engine against std::multimap, with the structural checker run
// on the files every few thousand operations.
#include <cstdlib>
#include <random>
#include <set>

#include "storage_fixture.h"

namespace liga::storage::testing {
namespace {

struct ModelParam {
  unsigned seed;
  int keyLen;
  bool dup;
  int pageBuffers;
};

class ModelTest : public StorageTest, public ::testing::WithParamInterface<ModelParam> {
 protected:
  int pageBuffers() const override { return GetParam().pageBuffers; }
};

long opsPerSeed() {
  const char* env = std::getenv("LIGA_MODEL_OPS");
  return env ? std::atol(env) : 100000;
}

std::string randomKey(std::mt19937& rng, int maxLen, int alphabet) {
  // Short alphabets and lengths make duplicates and shared prefixes common.
  int len = 1 + static_cast<int>(rng() % static_cast<unsigned>(maxLen));
  std::string k(static_cast<std::size_t>(len), ' ');
  for (char& c : k) {
    unsigned v = rng() % static_cast<unsigned>(alphabet);
    c = static_cast<char>(v < 26 ? 'A' + v : 0x80 + v);
  }
  return k;
}

TEST_P(ModelTest, IndexAndRecordsMatchModel) {
  const ModelParam p = GetParam();
  std::mt19937 rng(p.seed);
  create(40, {{p.keyLen, p.dup}, {4, true}});
  using Entry = std::pair<std::string, std::int32_t>;
  std::set<Entry> model;                       // (key, ref): ordered like a duplicates index
  std::map<std::string, std::int32_t> unique;  // for the index without duplicates
  std::map<std::int32_t, std::string> records;
  std::set<std::int32_t> freeRecs;
  std::vector<Entry> live;
  const long ops = opsPerSeed();
  // Phases alternate between growth and shrinking so that splits, redistribution, merges
  // and root collapse all happen many times.
  for (long i = 0; i < ops; ++i) {
    bool growing = (i / 10000) % 2 == 0;
    unsigned op = rng() % 100;
    if (op < (growing ? 65u : 20u)) {
      std::string key = randomKey(rng, p.keyLen, 6 + static_cast<int>(rng() % 28));
      std::int32_t ref = static_cast<std::int32_t>(1 + rng() % 50000);
      bool exists = p.dup ? model.count({key, ref}) != 0 : unique.count(key) != 0;
      AddKey(m_h, 1, ref, key);
      if (exists) {
        ASSERT_EQ(IsamError, isam_error::kKeyExists) << "op " << i;
      } else {
        ASSERT_TRUE(IsamOK) << "op " << i << " error " << IsamError;
        model.insert({key, ref});
        if (!p.dup) unique[key] = ref;
        live.push_back({key, ref});
      }
    } else if (op < 95 && !live.empty()) {
      std::size_t j = rng() % live.size();
      Entry e = live[j];
      live[j] = live.back();
      live.pop_back();
      DeleteKey(m_h, 1, e.second, e.first);
      ASSERT_TRUE(IsamOK) << "op " << i << " error " << IsamError;
      model.erase(e);
      if (!p.dup) unique.erase(e.first);
    } else if (op < 97) {
      std::string key = randomKey(rng, p.keyLen, 10);
      std::int32_t r = 0;
      FindKey(m_h, 1, r, key);
      auto it = model.lower_bound({key, INT32_MIN});
      if (it != model.end() && it->first == key) {
        ASSERT_TRUE(IsamOK) << "op " << i;
        ASSERT_EQ(r, it->second);
      } else {
        ASSERT_EQ(IsamError, isam_error::kKeyNotFound);
      }
      std::string sk = key;
      SearchKey(m_h, 1, r, sk);
      if (it == model.end()) {
        ASSERT_EQ(IsamError, isam_error::kSearchNotFound);
      } else {
        ASSERT_TRUE(IsamOK);
        ASSERT_EQ(sk, it->first);
        ASSERT_EQ(r, it->second);
        // A few NextKey steps from the found entry follow the model.
        auto next = std::next(it);
        for (int s = 0; s < 3 && next != model.end(); ++s, ++next) {
          NextKey(m_h, 1, r, sk);
          ASSERT_TRUE(IsamOK);
          ASSERT_EQ(sk, next->first);
          ASSERT_EQ(r, next->second);
        }
      }
    } else {
      // Records: add, delete, put.
      unsigned what = rng() % 3;
      if (what == 0 || records.empty()) {
        std::string bytes(40, '\0');
        for (std::size_t b = 4; b < 40; ++b) bytes[b] = static_cast<char>(rng());
        std::int32_t n = 0;
        AddRec(m_h, n, bytes.data());
        ASSERT_TRUE(IsamOK);
        if (!freeRecs.empty()) {
          ASSERT_TRUE(freeRecs.count(n));
          freeRecs.erase(n);
        }
        records[n] = bytes;
      } else if (what == 1) {
        auto it = std::next(records.begin(), static_cast<long>(rng() % records.size()));
        DeleteRec(m_h, it->first);
        ASSERT_TRUE(IsamOK);
        freeRecs.insert(it->first);
        records.erase(it);
      } else {
        auto it = std::next(records.begin(), static_cast<long>(rng() % records.size()));
        it->second[5] = static_cast<char>(rng());
        PutRec(m_h, it->first, it->second.data());
        ASSERT_TRUE(IsamOK);
      }
    }
    if ((i + 1) % 5000 == 0 || i + 1 == ops) {
      ASSERT_EQ(NumKeys(m_h, 1), static_cast<std::int32_t>(model.size()));
      ASSERT_TRUE(check()) << "after op " << i;
      if (std::getenv("LIGA_MODEL_VERBOSE")) std::printf("%s\n", checkBlock("blk").summary.c_str());
      std::vector<Entry> onDisk;
      ASSERT_TRUE(readIndexEntries("blk", 1, &onDisk));
      ASSERT_TRUE(std::equal(onDisk.begin(), onDisk.end(), model.begin(), model.end()))
          << "after op " << i;
      ASSERT_EQ(UsedRecs(m_h), static_cast<std::int32_t>(records.size()));
      for (const auto& [n, bytes] : records) ASSERT_EQ(get(n, 40), bytes);
    }
  }
  auto all = scan(1);
  ASSERT_TRUE(std::equal(all.begin(), all.end(), model.begin(), model.end()));
  reopen();
  all = scan(1);
  ASSERT_TRUE(std::equal(all.begin(), all.end(), model.begin(), model.end()));
}

std::vector<ModelParam> params() {
  std::vector<ModelParam> v = {
      {1, 30, true, 200},
      {2, 3, false, 200},
      {3, 12, true, 8},
  };
  if (const char* extra = std::getenv("LIGA_MODEL_SEEDS")) {
    int n = std::atoi(extra);
    for (int i = 0; i < n; ++i)
      v.push_back({100u + static_cast<unsigned>(i), 1 + i % 30, i % 2 == 0, i % 3 ? 200 : 8});
  }
  return v;
}

INSTANTIATE_TEST_SUITE_P(Seeds, ModelTest, ::testing::ValuesIn(params()), [](const auto& info) {
  return "seed" + std::to_string(info.param.seed) + "_key" + std::to_string(info.param.keyLen) +
         (info.param.dup ? "_dup" : "_unique") + "_pool" + std::to_string(info.param.pageBuffers);
});

}  // namespace
}  // namespace liga::storage::testing
