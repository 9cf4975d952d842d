// Runs the built `liga` executable, or a checking tool (qpdf, pdftotext, xsltproc, xmllint),
// the way a script would and collects what it printed.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
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

}  // namespace liga::testing
