// The loopback SMTP servers of tests/mail/smtp_server.py, started once per test suite on
// free ports of 127.0.0.1, with a self-signed certificate for localhost and 127.0.0.1 and
// helpers that read back what the servers received.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/file_io.h"
#include "support/temp_dir.h"

namespace liga::testing {

inline constexpr const char* kServerPassword = "Hemligt-L0sen";

struct ReceivedMail {
  int peerPort = 0;
  std::string mailFrom;
  std::vector<std::string> rcpt;
  std::string raw;      // the bytes as received
  std::string subject;  // decoded by the server's mail parser
  std::vector<std::string> headerNames;
  std::map<std::string, std::string> headers;  // to, cc, from, ... as the parser shows them
  struct Part {
    std::string type, disposition, fileName, contentId, payload;
  };
  std::vector<Part> parts;
  std::vector<std::string> multiparts;

  bool hasHeader(const std::string& name) const {
    return std::find(headerNames.begin(), headerNames.end(), name) != headerNames.end();
  }
  const Part* part(const std::string& type) const {
    for (const Part& p : parts) {
      if (p.type == type) return &p;
    }
    return nullptr;
  }
};

class SmtpServers {
 public:
  // The ports, 0 until start() succeeded: plain SMTP, STARTTLS, implicit TLS, a server that
  // never answers, and one that closes every connection at once.
  int plain() const { return m_plain; }
  int starttls() const { return m_starttls; }
  int implicit() const { return m_implicit; }
  int idle() const { return m_idle; }
  int reset() const { return m_reset; }
  // The folder the servers live in, and the certificate they present.
  const std::filesystem::path& dir() const { return m_dir.path(); }
  const std::filesystem::path& cert() const { return m_cert; }

  bool start() {
    m_out = m_dir / "out";
    m_cert = m_dir / "cert.pem";
    std::filesystem::create_directories(m_out);
    const std::string key = (m_dir / "key.pem").string();
    const std::string cmd =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout '" +
        key + "' -out '" + m_cert.string() +
        "' -days 2 -subj /CN=localhost -addext "
        "'subjectAltName=DNS:localhost,IP:127.0.0.1' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return false;
    int in[2], outPipe[2];
    if (pipe(in) != 0 || pipe(outPipe) != 0) return false;
    const std::string script = std::string(LIGA_SOURCE_DIR) + "/tests/mail/smtp_server.py";
    m_pid = fork();
    if (m_pid == 0) {
      dup2(in[0], 0);
      dup2(outPipe[1], 1);
      close(in[1]);
      close(outPipe[0]);
      const std::string outArg = m_out.string(), certArg = m_cert.string();
      execl("/usr/bin/python3", "python3", script.c_str(), "--out", outArg.c_str(), "--cert",
            certArg.c_str(), "--key", key.c_str(), "--password", kServerPassword,
            static_cast<char*>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(outPipe[1]);
    m_stdin = in[1];
    std::string line;
    pollfd p{outPipe[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&p, 1, 15000) > 0) {
      char buf[256];
      const ssize_t n = read(outPipe[0], buf, sizeof buf);
      if (n <= 0) break;
      line.append(buf, static_cast<std::size_t>(n));
    }
    close(outPipe[0]);
    std::istringstream ss(line);
    std::string item;
    while (ss >> item) {
      const auto eq = item.find('=');
      const std::string name = item.substr(0, eq);
      const int port = std::stoi(item.substr(eq + 1));
      if (name == "plain") m_plain = port;
      if (name == "starttls") m_starttls = port;
      if (name == "implicit") m_implicit = port;
      if (name == "reset") m_reset = port;
      if (name == "idle") m_idle = port;
    }
    return m_plain && m_starttls && m_implicit && m_idle && m_reset;
  }

  void stop() {
    if (m_stdin >= 0) close(m_stdin);
    m_stdin = -1;
    if (m_pid > 0) {
      for (int i = 0; i < 50; ++i) {
        if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
          m_pid = -1;
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
      }
    }
    m_pid = -1;
  }

  void clear() {
    for (const auto& e : std::filesystem::directory_iterator(m_out)) std::filesystem::remove(e);
  }

  std::vector<ReceivedMail> received() const {
    std::vector<std::filesystem::path> emls;
    for (const auto& e : std::filesystem::directory_iterator(m_out)) {
      if (e.path().extension() == ".eml") emls.push_back(e.path());
    }
    std::sort(emls.begin(), emls.end());
    std::vector<ReceivedMail> mails;
    for (const auto& p : emls) {
      ReceivedMail m;
      m.raw = liga::testing::ReadFile(p);
      std::istringstream env(
          liga::testing::ReadFile(std::filesystem::path(p).replace_extension(".env")));
      std::string line;
      std::getline(env, line);
      m.peerPort = std::atoi(line.c_str());
      std::getline(env, m.mailFrom);
      while (std::getline(env, line)) m.rcpt.push_back(line);
      std::istringstream sum(
          liga::testing::ReadFile(std::filesystem::path(p).replace_extension(".sum")));
      while (std::getline(sum, line)) {
        const auto eq = line.find('=');
        const std::string k = line.substr(0, eq), v = line.substr(eq + 1);
        if (k == "subject")
          m.subject = v;
        else if (k == "header")
          m.headerNames.push_back(v);
        else if (k == "multipart")
          m.multiparts.push_back(v);
        else if (k == "part") {
          std::vector<std::string> f;
          std::string field;
          std::istringstream ps(v);
          while (std::getline(ps, field, '|')) f.push_back(field);
          f.resize(5);
          ReceivedMail::Part part{f[0], f[1], f[2], f[3], unhex(f[4])};
          m.parts.push_back(part);
        } else {
          m.headers[k] = v;
        }
      }
      mails.push_back(std::move(m));
    }
    return mails;
  }

 private:
  static std::string unhex(const std::string& h) {
    std::string out;
    for (std::size_t i = 0; i + 1 < h.size(); i += 2) {
      out += static_cast<char>(std::stoi(h.substr(i, 2), nullptr, 16));
    }
    return out;
  }

  int m_plain = 0, m_starttls = 0, m_implicit = 0, m_idle = 0, m_reset = 0;
  liga::testing::TempDir m_dir{"smtp"};
  std::filesystem::path m_out, m_cert;
  pid_t m_pid = -1;
  int m_stdin = -1;
};

// One set of servers for every test of a test program, started before the first test and
// stopped after the last: `auto* const env = ::testing::AddGlobalTestEnvironment(new
// SmtpServersEnvironment);` at namespace scope, then SmtpServersEnvironment::servers().
class SmtpServersEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    s_servers = new SmtpServers;
    ASSERT_TRUE(s_servers->start());
  }
  void TearDown() override {
    s_servers->stop();
    delete s_servers;
    s_servers = nullptr;
  }
  static SmtpServers* servers() { return s_servers; }

 private:
  static inline SmtpServers* s_servers = nullptr;
};

}  // namespace liga::testing
