// Runs the built `liga` executable, or a checking tool (qpdf, pdftotext, xsltproc, xmllint),
// the way a script would and collects what it printed.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/file_io.h"

namespace liga::testing {

struct RunResult {
  int status;            // exit status, -1 when the command did not exit normally
  std::string out;       // stdout and stderr together (RunCommand); stdout only (RunSplit)
  std::string err = {};  // stderr (RunSplit only)
};

// `command` is a shell command line; stdin is empty.
inline RunResult RunCommand(const std::string& command) {
  RunResult r{-1, {}};
  FILE* p = popen((command + " 2>&1 </dev/null").c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf;
  std::size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  const int raw = pclose(p);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

// As RunCommand, with standard output and standard error kept apart.
inline RunResult RunSplit(const std::string& command) {
  static int counter = 0;
  const std::string errFile =
      (std::filesystem::temp_directory_path() /
       ("liga_stderr_" + std::to_string(::getpid()) + "_" + std::to_string(++counter)))
          .string();
  RunResult r{-1, {}};
  FILE* p = popen(("{ " + command + " ; } 2>'" + errFile + "' </dev/null").c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf;
  std::size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  const int raw = pclose(p);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.err = ReadFile(errFile);
  std::remove(errFile.c_str());
  return r;
}

#ifdef LIGA_BINARY
// Writes `root`/liga.sh, which runs the built `liga` quietly with its configuration and
// documents below `root`: a script, so that processes started from a shell line really
// overlap and can be killed as a user's would. Returns the script's path.
inline std::filesystem::path WriteLigaScript(const std::filesystem::path& root) {
  const std::filesystem::path script = root / "liga.sh";
  std::ofstream s(script);
  s << "#!/bin/sh\nexec env XDG_CONFIG_HOME='" << (root / "config").string()
    << "' XDG_DOCUMENTS_DIR='" << (root / "docs").string() << "' '" << LIGA_BINARY
    << "' --quiet \"$@\"\n";
  s.close();
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  return script;
}

// Runs `liga ARGS` with its configuration and documents below `root` and, the first time,
// `root`/data configured as the data directory, so that the competition one command selects
// is the one the next command finds (--data lasts one command).
inline RunResult RunConfiguredLiga(const std::filesystem::path& root, const std::string& args) {
  const std::string env = "XDG_CONFIG_HOME='" + (root / "config").string() +
                          "' XDG_DOCUMENTS_DIR='" + (root / "docs").string() + "' " + LIGA_BINARY +
                          " --quiet ";
  if (!std::filesystem::exists(root / "config")) {
    const RunResult configured = RunCommand(env + "datadir '" + (root / "data").string() + "'");
    if (configured.status != 0) return configured;
  }
  return RunCommand(env + args);
}
#endif  // LIGA_BINARY: the tests that run the built `liga`

}  // namespace liga::testing
