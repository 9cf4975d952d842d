// A child process runs a long random workload on real files and is killed at random moments;
// after every kill the parent reopens the block, checks it, and finds every operation that had
// returned before the kill (and at most the one that was running).
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <thread>

#include "storage_fixture.h"
#include "support/temp_dir.h"

namespace liga::storage::testing {
namespace {

constexpr std::size_t kRecLen = 48;

struct Model {
  std::set<std::pair<std::string, std::int32_t>> keys;
  std::map<std::int32_t, std::string> recs;
  std::vector<std::int32_t> freeStack;  // the free chain, head last
  std::int32_t numRec = 0;
  bool operator==(const Model& o) const { return keys == o.keys && recs == o.recs; }
};

// Applies one random step to the model and, when `h` is set, to the block. A step is a single
// operation or, now and then, a batch of several. Returns false when the engine disagreed.
bool step(Model& m, std::mt19937& rng, long id, FileBlockPtr h) {
  auto addRecord = [&]() -> std::int32_t {
    std::string r(kRecLen, '\0');
    std::snprintf(r.data() + 4, kRecLen - 4, "rec %ld %u", id, static_cast<unsigned>(rng()));
    std::int32_t want;
    if (!m.freeStack.empty()) {
      want = m.freeStack.back();
      m.freeStack.pop_back();
    } else {
      want = ++m.numRec;
    }
    m.recs[want] = r;
    if (h) {
      std::int32_t got = 0;
      AddRec(h, got, r.data());
      if (!IsamOK || got != want) return -1;
    }
    return want;
  };
  auto one = [&]() -> bool {
    unsigned op = rng() % 10;
    if (op < 2 || m.recs.empty()) return addRecord() >= 0;
    if (op < 5 || m.keys.empty()) {
      std::int32_t n = std::next(m.recs.begin(), static_cast<long>(rng() % m.recs.size()))->first;
      std::string key = "K" + std::to_string(rng() % 5000);
      if (!m.keys.insert({key, n}).second) return true;
      if (h) AddKey(h, 1, n, key);
      return !h || IsamOK;
    }
    if (op < 7) {
      auto it = std::next(m.keys.begin(), static_cast<long>(rng() % m.keys.size()));
      auto e = *it;
      m.keys.erase(it);
      if (h) DeleteKey(h, 1, e.second, e.first);
      return !h || IsamOK;
    }
    if (op < 8 && !m.recs.empty()) {
      auto it = std::next(m.recs.begin(), static_cast<long>(rng() % m.recs.size()));
      std::int32_t n = it->first;
      m.recs.erase(it);
      m.freeStack.push_back(n);
      if (h) DeleteRec(h, n);
      return !h || IsamOK;
    }
    if (!m.recs.empty()) {
      auto it = std::next(m.recs.begin(), static_cast<long>(rng() % m.recs.size()));
      it->second[5] = static_cast<char>('a' + rng() % 26);
      if (h) PutRec(h, it->first, it->second.data());
      return !h || IsamOK;
    }
    return addRecord() >= 0;
  };
  if (rng() % 20 == 0) {
    if (h) BeginBatch(h);
    int n = 5 + static_cast<int>(rng() % 40);
    for (int i = 0; i < n; ++i)
      if (!one()) return false;
    if (h) CommitBatch(h);
    return !h || IsamOK;
  }
  return one();
}

class KillTest : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    setCurrentEnv(nullptr);
  }
  Model read() {
    Model m;
    std::int32_t len = FileLen(m_h);
    for (std::int32_t n = 1; n < len; ++n) {
      std::string r = get(n, kRecLen);
      if (rd32(r.data()) == 0) m.recs[n] = r;
    }
    for (auto& e : scan(1)) m.keys.insert(e);
    return m;
  }
  liga::testing::TempDir m_dir{"kill"};
};

int iterations() {
  if (const char* env = std::getenv("LIGA_KILL_ITERATIONS")) return std::atoi(env);
#if defined(__SANITIZE_ADDRESS__)
  return 60;
#else
  return 300;
#endif
}

TEST_F(KillTest, EveryReturnedOperationSurvivesAKill) {
  const std::string name = m_dir.string() + "/blk";
  CreateFileBlock(name, kRecLen, 1, {{8, true}});
  ASSERT_TRUE(IsamOK);
  Model model;
  std::mt19937 timing(1234);
  int exact = 0, plusOne = 0;
  long steps = 0;
  const int total = iterations();
  for (int iter = 0; iter < total; ++iter) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(fds[0]);
      FileBlockPtr h = nullptr;
      OpenFileBlock(h, name);
      if (!IsamOK) _exit(2);
      std::mt19937 rng(static_cast<unsigned>(iter));
      Model m = model;
      for (long i = 0;; ++i) {
        if (!step(m, rng, i, h)) _exit(3);
        std::int32_t done = static_cast<std::int32_t>(i + 1);
        if (write(fds[1], &done, sizeof done) != sizeof done) _exit(4);
      }
    }
    ::close(fds[1]);
    std::this_thread::sleep_for(std::chrono::microseconds(2000 + timing() % 30000));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "child exited with " << WEXITSTATUS(status);
    std::int32_t done = 0, v = 0;
    while (::read(fds[0], &v, sizeof v) == sizeof v) done = v;
    steps += done;
    ::close(fds[0]);
    // The model after `done` steps and after one more.
    std::mt19937 rng(static_cast<unsigned>(iter));
    Model after = model;
    for (long i = 0; i < done; ++i) step(after, rng, i, nullptr);
    Model next = after;
    step(next, rng, done, nullptr);
    OpenFileBlock(m_h, name);
    ASSERT_TRUE(IsamOK) << IsamError;
    close();
    CheckResult c = checkBlock(name);
    ASSERT_TRUE(c.ok) << c.summary << " iteration " << iter;
    open(name);
    Model now = read();
    close();
    if (now == after) {
      ++exact;
      model = after;
    } else {
      ASSERT_TRUE(now == next) << "iteration " << iter << " after " << done << " operations";
      ++plusOne;
      model = next;
    }
  }
  std::printf("%d kills after %ld steps: %d at a returned step, %d with the running one done\n",
              total, steps, exact, plusOne);
  EXPECT_GT(steps, total);
}

}  // namespace
}  // namespace liga::storage::testing
