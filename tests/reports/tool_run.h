// Runs an external checking tool (qpdf, pdftotext, xsltproc, xmllint) and collects what it
// printed.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace liga::reports::testing {

struct ToolRun {
  int status;
  std::string out;  // stdout and stderr together
};

inline ToolRun RunTool(const std::string& command) {
  ToolRun r{-1, {}};
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf;
  std::size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  const int raw = pclose(p);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

}  // namespace liga::reports::testing
