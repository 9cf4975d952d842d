// A competition in a temporary data directory, a scripted user interface and a scripted
// pick window, for the editing controllers.
#pragma once

#include <functional>

#include "editing/pick.h"
#include "storage/check.h"
#include "support/db_fixture.h"

namespace liga::testing {

// Runs every pick window through `script`; records the windows it was given.
class ScriptedPicks final : public PickWindowRunner {
 public:
  std::function<void(TEPickForm&)> script;
  std::vector<std::vector<std::string>> windows;  // the lines of each window shown
  std::vector<std::string> captions;

  void run(TEPickForm& form) override {
    std::vector<std::string> lines;
    for (int i = 0; i < form.count(); ++i) lines.push_back(form.itemText(i));
    windows.push_back(lines);
    captions.push_back(form.caption());
    if (script) script(form);
  }
};

class EditingFixture : public DbFixture {
 protected:
  void SetUp() override {
    DbFixture::SetUp();
    newCompetition("SERIEN");
  }

  // The line of `form` whose text starts with `prefix`, or -1.
  static int lineOf(const TEPickForm& form, const std::string& prefix) {
    for (int i = 0; i < form.count(); ++i)
      if (form.itemText(i).rfind(prefix, 0) == 0) return i;
    return -1;
  }

  // The keys of a competition file's index as they are on disk, in order.
  using Keys = std::vector<std::pair<std::string, std::int32_t>>;
  Keys keysOf(const std::string& block) {
    Keys keys;
    EXPECT_TRUE(storage::readIndexEntries(block, 1, &keys));
    for (auto& k : keys) k.first = k.first.substr(0, k.first.find('\0'));
    return keys;
  }
  Keys classKeys() { return keysOf(ClassBlockName(m_dir.string(), m_db.currentCompetition())); }
  Keys teamKeys() { return keysOf(TeamBlockName(m_dir.string(), m_db.currentCompetition())); }
  Keys playTimeKeys() {
    return keysOf(PlayTimeBlockName(m_dir.string(), m_db.currentCompetition()));
  }

  ScriptedPicks m_picks;
  ScopedPickWindows m_scopedPicks{m_picks};
};

}  // namespace liga::testing
