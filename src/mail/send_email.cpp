#include "mail/send_email.h"

#include "common/email_address.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "common/clock.h"
#include "common/encoding.h"
#include "common/ui_port.h"

namespace liga::mail {
namespace {

CURL* Handle(void* p) {
  return static_cast<CURL*>(p);
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool Contains(const std::string& upperText, const char* what) {
  return upperText.find(what) != std::string::npos;
}

std::string Trim(const std::string& s) {
  const std::size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  const std::size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char* PriorityName(int p) {
  static const char* kNames[] = {"mpHighest", "mpHigh", "mpNormal", "mpLow", "mpLowest"};
  return kNames[std::clamp(p, 0, 4)];
}

// The Windows socket error numbers the translation tables are written against.
namespace wsa {
inline constexpr int kBase = 10000;  // WSABASEERR: the number of an errno without its own
inline constexpr int kAccessDenied = 10013;
inline constexpr int kNetworkUnreachable = 10051;
inline constexpr int kConnectionReset = 10054;
inline constexpr int kTimedOut = 10060;
inline constexpr int kConnectionRefused = 10061;
inline constexpr int kHostUnreachable = 10065;
}  // namespace wsa

int WinsockNumber(int osErrno) {
  switch (osErrno) {
    case ECONNREFUSED:
      return wsa::kConnectionRefused;
    case ECONNRESET:
      return wsa::kConnectionReset;
    case EACCES:
    case EPERM:
      return wsa::kAccessDenied;
    case ENETUNREACH:
      return wsa::kNetworkUnreachable;
    case EHOSTUNREACH:
      return wsa::kHostUnreachable;
    case ETIMEDOUT:
      return wsa::kTimedOut;
    default:
      return wsa::kBase + osErrno;
  }
}

struct CurlGlobal {
  CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
  ~CurlGlobal() { curl_global_cleanup(); }
};

void EnsureCurl() {
  static CurlGlobal global;
}

}  // namespace

std::mutex& SendLock() {
  static std::mutex lock;
  return lock;
}

std::string TranslateConnectError(const std::string& errorText, const std::string& lastReply) {
  const std::string u = Upper(errorText);
  if (Contains(u, "INCORRECT AUTHENTICATION DATA")) return "Incorrect authentication!";
  if (Contains(u, "SOCKET ERROR # 10013")) return "Firewall is blocking access to the internet!";
  if (Contains(u, "SOCKET ERROR # 10054")) return "Connection terminated!";
  if (Contains(u, "SOCKET ERROR # 11001")) return "Host not found!";
  if (lastReply.empty() || lastReply.find(errorText) == std::string::npos) return errorText;
  return lastReply + "\r\nMessage: " + errorText;
}

SendErrorAction TranslateSendError(const std::string& errorText) {
  const std::string u = Upper(errorText);
  if (Contains(u, "CLOSING CONNECTION") || Contains(u, "TOO MANY MESSAGES") ||
      Contains(u, "CONNECTION CLOSED")) {
    return {true, errorText};
  }
  if (Contains(u, "NOT CONNECTED")) return {false, "Not connected to internet!"};
  if (Contains(u, "NO SUCH USER HERE") || Contains(u, "USER UNKNOWN") ||
      Contains(u, "MAILBOX UNAVAILABLE")) {
    return {false,
            "The recipient's mailbox does not exist in the destination domain. It was probably "
            "typed incorrectly!"};
  }
  if (Contains(u, "MAILBOX IS FULL") || Contains(u, "MAIL QUOTA EXCEEDED") ||
      Contains(u, "MAILBOX FULL") || Contains(u, "DISK QUOTA EXCEEDED") ||
      Contains(u, "USER IS OVER THE QUOTA")) {
    return {false,
            "It means that the recipient's inbox is full and cannot receive any more messages!"};
  }
  return {false, errorText};
}

std::string LogPageLine(std::time_t when, const std::string& text) {
  return FormatLocalTime(when, "%d/%m/%Y %H:%M:%S") + " " + text;
}

// ---------------------------------------------------------------------------------------

TSendEmail::TSendEmail() {
  EnsureCurl();
  clock = [] { return std::time(nullptr); };
  resetHandle();
}

TSendEmail::~TSendEmail() {
  WaitAsync();
  m_onLog = nullptr;
  Disconnect();
  if (m_curl) curl_easy_cleanup(Handle(m_curl));
}

TSendEmail& TSendEmail::New() {
  static TSendEmail instance;
  return instance;
}

void TSendEmail::resetHandle() {
  if (m_curl) curl_easy_cleanup(Handle(m_curl));  // sends QUIT on a live connection
  m_curl = curl_easy_init();
  m_connected = false;
}

// ---- log rule ----

void TSendEmail::lib(const std::string& text, bool isError) {
  if (!m_onLog || m_logMode == lmNone) return;
  if (m_logMode == lmLib || m_logMode == lmAll || (isError && m_logMode == lmComponent)) {
    m_onLog("LIB: " + text);
  }
}

void TSendEmail::smtpStatus(const std::string& text) {
  if (m_onLog && (m_logMode == lmComponent || m_logMode == lmAll)) m_onLog("SMTP: " + text);
}

void TSendEmail::sslStatus(const std::string& text) {
  if (!m_onLog || !(m_logMode == lmComponent || m_logMode == lmAll)) return;
  std::string t = text;
  const std::size_t at = t.find("SSL STATUS: ");
  if (at != std::string::npos) t.erase(at, 12);
  m_onLog("SSL: " + t);
}

// ---- setters ----

TSendEmail& TSendEmail::From(const std::string& address, const std::string& name) {
  const std::string a = Trim(address);
  if (a.empty()) return *this;
  if (!(m_connected && m_senderForConnection == a)) Disconnect();
  m_senderForConnection = a;
  m_msg.from = {a, name};
  lib("From: " + ShownEmailAddress(a));
  return *this;
}

TSendEmail& TSendEmail::AddTo(const std::string& address, const std::string& name) {
  const std::string a = Trim(address);
  if (a.empty()) return *this;
  m_msg.to.push_back({a, name});
  lib("To(" + std::to_string(m_msg.to.size()) + "): " + ShownEmailAddress(a));
  return *this;
}

TSendEmail& TSendEmail::AddReceiptRecipient(const std::string& address, const std::string& name) {
  const std::string a = Trim(address);
  if (a.empty()) return *this;
  m_msg.receiptTo = {a, name};
  lib("ReceiptRecipient: " + ShownEmailAddress(a));
  return *this;
}

TSendEmail& TSendEmail::AddReplyTo(const std::string& address, const std::string& name) {
  const std::string a = Trim(address);
  if (a.empty()) return *this;
  m_msg.replyTo.push_back({a, name});
  lib("ReplyTo(" + std::to_string(m_msg.replyTo.size()) + "): " + ShownEmailAddress(a));
  return *this;
}

TSendEmail& TSendEmail::AddCC(const std::string& address, const std::string& name) {
  const std::string a = Trim(address);
  if (a.empty()) return *this;
  m_msg.cc.push_back({a, name});
  lib("CC(" + std::to_string(m_msg.cc.size()) + "): " + ShownEmailAddress(a));
  return *this;
}

TSendEmail& TSendEmail::AddBCC(const std::string& address, const std::string& name) {
  const std::string a = Trim(address);
  if (a.empty()) return *this;
  m_msg.bcc.push_back({a, name});
  lib("BCC(" + std::to_string(m_msg.bcc.size()) + "): " + ShownEmailAddress(a));
  return *this;
}

TSendEmail& TSendEmail::Priority(TMessagePriority priority) {
  if (m_msg.priority != priority) {
    m_msg.priority = priority;
    lib(std::string("Priority: ") + PriorityName(priority));
  }
  return *this;
}

TSendEmail& TSendEmail::Subject(const std::string& text) {
  // An equal subject is left alone; any other replaces it (a subject that merely
  // contains the new text is not the one asked for).
  if (m_msg.subject == text) return *this;
  m_msg.subject = text;
  lib("Subject: " + text);
  return *this;
}

TSendEmail& TSendEmail::Message(const std::string& text, bool isHtml) {
  m_msg.body = text;
  m_msg.bodyIsHtml = isHtml;
  m_msg.hasBody = true;
  lib(std::string("Message: ") + (isHtml ? "HTML" : "PlainText"));
  return *this;
}

void TSendEmail::addAttachmentData(std::string data, const std::string& fileName,
                                   TAttachmentDisposition disposition) {
  FilePart part{BaseName(fileName), std::move(data)};
  if (disposition == adInline) {
    m_msg.inlineFiles.push_back(std::move(part));
    lib("Attachment(adInline)(" + std::to_string(m_msg.inlineFiles.size()) + "): " + fileName);
  } else {
    m_msg.attachments.push_back(std::move(part));
    lib("Attachment(adAttachment)(" + std::to_string(m_msg.attachments.size()) + "): " + fileName);
  }
}

TSendEmail& TSendEmail::AddAttachment(const std::string& fileName,
                                      TAttachmentDisposition disposition) {
  if (Trim(fileName).empty()) return *this;
  std::ifstream f(fileName, std::ios::binary);
  if (!f) {
    lib("Attachment: Not found - " + BaseName(fileName));
    return *this;
  }
  std::ostringstream data;
  data << f.rdbuf();
  addAttachmentData(data.str(), fileName, disposition);
  return *this;
}

TSendEmail& TSendEmail::AddAttachment(std::istream* stream, const std::string& fileName,
                                      TAttachmentDisposition disposition) {
  if (!stream || Trim(fileName).empty()) return *this;
  stream->clear();
  stream->seekg(0);
  std::ostringstream data;
  data << stream->rdbuf();
  addAttachmentData(data.str(), fileName, disposition);
  return *this;
}

TSendEmail& TSendEmail::Host(const std::string& host) {
  if (!(m_connected && m_host == host)) Disconnect();
  m_host = host;
  lib("Host: " + host);
  return *this;
}

TSendEmail& TSendEmail::Port(int port) {
  if (!(m_connected && m_port == port)) Disconnect();
  m_port = port;
  lib("Port: " + std::to_string(port));
  return *this;
}

TSendEmail& TSendEmail::Auth(bool on) {
  m_auth = on;
  lib(std::string("Auth: ") + (on ? "True" : "False"));
  return *this;
}

TSendEmail& TSendEmail::UserName(const std::string& user) {
  if (!(m_connected && m_user == user)) Disconnect();
  m_user = user;
  lib("UserName: " + user);
  return *this;
}

TSendEmail& TSendEmail::Password(const std::string& password) {
  if (!(m_connected && m_password == password)) Disconnect();
  m_password = password;
  lib("Password: ********");
  return *this;
}

TSendEmail& TSendEmail::SSL(bool on) {
  m_ssl = on;
  return *this;
}

TSendEmail& TSendEmail::TLS(bool on) {
  m_tls = on;
  return *this;
}

TSendEmail& TSendEmail::CaFile(const std::string& path) {
  if (path != m_caFile) Disconnect();
  m_caFile = path;
  if (!path.empty()) lib("CA file: " + path);
  return *this;
}

TSendEmail& TSendEmail::VerifyCertificate(bool on) {
  if (on != m_verify) Disconnect();
  m_verify = on;
  if (!on) lib("Certificate verification turned off: the connection can be read on its way", true);
  return *this;
}

TSendEmail& TSendEmail::Clear() {
  Priority(mpNormal);
  const std::string mailer = m_msg.mailer;
  m_msg = MimeMessage{};
  m_msg.mailer = mailer;
  return *this;
}

TSendEmail& TSendEmail::ClearRecipient() {
  Priority(mpNormal);
  m_msg.to.clear();
  m_msg.receiptTo = {};
  m_msg.replyTo.clear();
  m_msg.cc.clear();
  m_msg.bcc.clear();
  m_msg.body.clear();
  m_msg.hasBody = false;
  m_msg.attachments.clear();
  m_msg.inlineFiles.clear();
  return *this;
}

TSendEmail& TSendEmail::OnLog(LogHandler handler, TLogMode mode) {
  m_onLog = std::move(handler);
  m_logMode = mode;
  return *this;
}
TSendEmail& TSendEmail::OnWorkBegin(WorkBeginHandler handler) {
  m_onWorkBegin = std::move(handler);
  return *this;
}
TSendEmail& TSendEmail::OnWork(WorkHandler handler) {
  m_onWork = std::move(handler);
  return *this;
}
TSendEmail& TSendEmail::OnWorkEnd(WorkEndHandler handler) {
  m_onWorkEnd = std::move(handler);
  return *this;
}

// ---- transport ----

int TSendEmail::DebugCallback(void*, int type, char* data, std::size_t size, void* self) {
  static_cast<TSendEmail*>(self)->debugLine(type, data, size);
  return 0;
}

void TSendEmail::debugLine(int type, const char* data, std::size_t size) {
  std::string text(data, size);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  switch (type) {
    case CURLINFO_TEXT: {
      if (text.rfind("SSL", 0) == 0 || text.rfind("TLS", 0) == 0 ||
          text.find("certificate") != std::string::npos ||
          text.find("STARTTLS") != std::string::npos) {
        sslStatus(text);
      } else {
        smtpStatus(text);
      }
      break;
    }
    case CURLINFO_HEADER_IN: {
      // One callback per reply line; a line with a blank after the code ends a reply.
      m_pendingReply += (m_pendingReply.empty() ? "" : "\r\n") + text;
      smtpStatus(text);
      if (text.size() < 4 || text[3] != '-') {
        m_lastReply = m_pendingReply;
        m_pendingReply.clear();
        m_replies.push_back(m_lastReply);
        if (!m_lastReply.empty() && (m_lastReply[0] == '4' || m_lastReply[0] == '5')) {
          m_lastBadReply = m_lastReply;
        }
        if (m_lastReply.rfind("354", 0) == 0) m_saw354 = true;
        if (m_lastReply.rfind("334", 0) != 0) m_afterAuth = false;
      }
      break;
    }
    case CURLINFO_HEADER_OUT: {
      // Commands carry the credentials after AUTH: only known verbs are shown in full.
      const std::string verb = Upper(text.substr(0, text.find(' ')));
      static const char* kShown[] = {"EHLO", "HELO", "MAIL",     "RCPT", "DATA",
                                     "QUIT", "NOOP", "STARTTLS", "RSET"};
      bool shown = false;
      for (const char* v : kShown) shown = shown || verb == v;
      if (verb == "AUTH") {
        m_afterAuth = true;
        const std::size_t sp = text.find(' ', 5);
        smtpStatus("> " + text.substr(0, sp == std::string::npos ? text.size() : sp) +
                   (sp == std::string::npos ? "" : " ********"));
      } else if (shown && !m_afterAuth) {
        smtpStatus("> " + text);
      } else {
        smtpStatus("> ********");
      }
      break;
    }
    default:
      break;
  }
}

std::size_t TSendEmail::ReadCallback(char* buffer, std::size_t size, std::size_t n, void* p) {
  auto* self = static_cast<TSendEmail*>(p);
  if (self->m_streamPos == 0 && !self->m_stream.empty()) {
    self->lib("Starting transmission");
    if (self->m_onWorkBegin) self->m_onWorkBegin(static_cast<std::int64_t>(self->m_stream.size()));
  }
  const std::size_t left = self->m_stream.size() - self->m_streamPos;
  const std::size_t k = std::min(left, size * n);
  std::memcpy(buffer, self->m_stream.data() + self->m_streamPos, k);
  self->m_streamPos += k;
  if (k > 0 && self->m_onWork) self->m_onWork(static_cast<std::int64_t>(self->m_streamPos));
  // The transport stops asking once it has the announced size, so the end is reported
  // with the last bytes.
  if (self->m_streamPos == self->m_stream.size() && !self->m_transmissionEnded) {
    self->m_transmissionEnded = true;
    self->lib("Transmission completed");
    if (self->m_onWorkEnd) self->m_onWorkEnd();
  }
  return k;
}

std::size_t TSendEmail::WriteCallback(char*, std::size_t size, std::size_t n, void*) {
  return size * n;  // the NOOP's answer is not needed
}

void TSendEmail::configureCommon() {
  CURL* c = Handle(m_curl);
  const bool encrypted = m_ssl || m_tls;
  const bool explicitTls =
      std::find(startTlsPorts.begin(), startTlsPorts.end(), m_port) != startTlsPorts.end();
  const std::string scheme = encrypted && !explicitTls ? "smtps://" : "smtp://";
  std::string host = m_host;
  if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
  const std::string url = scheme + host + ":" + std::to_string(m_port);
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
  curl_easy_setopt(c, CURLOPT_USE_SSL, encrypted ? CURLUSESSL_ALL : CURLUSESSL_NONE);
  // Both choices negotiate TLS 1.2 or newer; SSL 3 and TLS 1.0/1.1 are refused.
  curl_easy_setopt(c, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, m_verify ? 1L : 0L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, m_verify ? 2L : 0L);
  curl_easy_setopt(c, CURLOPT_CAINFO, m_caFile.empty() ? nullptr : m_caFile.c_str());
  if (m_auth) {
    curl_easy_setopt(c, CURLOPT_USERNAME, m_user.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, m_password.c_str());
  } else {
    curl_easy_setopt(c, CURLOPT_USERNAME, nullptr);
    curl_easy_setopt(c, CURLOPT_PASSWORD, nullptr);
  }
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, 60000L);
  // No reply for 60 s counts as a read time-out.
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, 60L);
  curl_easy_setopt(c, CURLOPT_MAXAGE_CONN, 60L);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
  curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &TSendEmail::DebugCallback);
  curl_easy_setopt(c, CURLOPT_DEBUGDATA, this);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, m_errorBuffer);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &TSendEmail::WriteCallback);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, this);
}

std::string TSendEmail::errorText(int code) {
  const auto rc = static_cast<CURLcode>(code);
  const std::string what = curl_easy_strerror(rc);
  if (!m_lastBadReply.empty()) return what + ": " + m_lastBadReply;
  int socketError = 0;
  switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
      socketError = 11001;
      break;
    case CURLE_COULDNT_CONNECT: {
      long osErrno = 0;
      curl_easy_getinfo(Handle(m_curl), CURLINFO_OS_ERRNO, &osErrno);
      socketError = WinsockNumber(osErrno != 0 ? static_cast<int>(osErrno) : ECONNREFUSED);
      break;
    }
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
      socketError = wsa::kConnectionReset;
      break;
    case CURLE_OPERATION_TIMEDOUT:
      socketError = wsa::kTimedOut;
      break;
    default:
      break;
  }
  std::string detail = m_errorBuffer;
  if (socketError != 0) {
    return "Socket Error # " + std::to_string(socketError) + "\r\n" +
           (detail.empty() ? what : detail);
  }
  return detail.empty() ? what : what + " (" + detail + ")";
}

std::string TSendEmail::perform(bool upload) {
  CURL* c = Handle(m_curl);
  configureCommon();
  curl_slist* rcpt = nullptr;
  std::string from;
  if (upload) {
    from = "<" + m_msg.from.address + ">";
    for (const auto* list : {&m_msg.to, &m_msg.cc, &m_msg.bcc}) {
      for (const Address& a : *list)
        rcpt = curl_slist_append(rcpt, ("<" + a.address + ">").c_str());
    }
    curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.c_str());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, rcpt);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, &TSendEmail::ReadCallback);
    curl_easy_setopt(c, CURLOPT_READDATA, this);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(m_stream.size()));
  } else {
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, nullptr);
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, nullptr);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, "NOOP");
    curl_easy_setopt(c, CURLOPT_NOBODY, 0L);
  }
  const bool reused = m_connected;
  std::string result;
  for (int attempt = 0; attempt < 2; ++attempt) {
    m_lastBadReply.clear();
    m_replies.clear();
    m_pendingReply.clear();
    m_saw354 = false;
    m_afterAuth = false;
    m_errorBuffer[0] = '\0';
    m_streamPos = 0;
    m_transmissionEnded = false;
    const CURLcode rc = curl_easy_perform(c);
    long opened = 0;
    curl_easy_getinfo(c, CURLINFO_NUM_CONNECTS, &opened);
    m_connectionsOpened += static_cast<int>(opened);
    if (rc == CURLE_OK) {
      result.clear();
      break;
    }
    result = errorText(rc);
    // A reused connection the server has closed meanwhile (an idle 421, a TLS close
    // notify) fails the first command: no reply, or 421 as the first reply (any later
    // one answers the QUIT that follows). Nothing was delivered, so one fresh connection
    // is tried.
    const bool deadConnection = m_replies.empty() || m_replies[0].rfind("421", 0) == 0;
    if (!(attempt == 0 && reused && !m_saw354 && deadConnection)) break;
    lib("Connection lost, opening a new one");
    curl_easy_setopt(c, CURLOPT_FRESH_CONNECT, 1L);
  }
  curl_easy_setopt(c, CURLOPT_FRESH_CONNECT, 0L);
  curl_easy_setopt(c, CURLOPT_MAIL_RCPT, nullptr);
  curl_slist_free_all(rcpt);
  return result;
}

// ---- connect, send, disconnect ----

void TSendEmail::Connect() {
  std::lock_guard<std::mutex> guard(SendLock());
  connectLocked();
}

void TSendEmail::connectLocked() {
  if (m_connected) return;
  if (m_ssl || m_tls) {
    lib(m_ssl && m_tls ? "Defining encryption: SSL/TLS"
                       : (m_ssl ? "Defining encryption: SSL" : "Defining encryption: TLS"));
    lib("Loading DLL");
    const curl_version_info_data* v = curl_version_info(CURLVERSION_NOW);
    if (!(v->features & CURL_VERSION_SSL)) {
      const std::string what = "the transport library has no TLS support";
      lib(what, true);
      throw SendEmailError("TSendEmail > " + what);
    }
    lib("Loaded DLL");
    if (!m_verify) lib("Certificate verification is off", true);
  } else {
    lib("Defining encryption: None");
  }
  lib("Connecting");
  const std::string error = perform(false);
  if (error.empty()) {
    m_connected = true;
    lib("Connected");
    if (m_auth) {
      lib("Authenticating");
      lib("Authenticated");
    }
    m_connectAttempts = 0;
    return;
  }
  m_connected = false;
  const std::string last = "Last Result: " + m_lastReply;
  if (Contains(Upper(m_lastReply), "AUTHENTICATION SUCCEEDED") ||
      error.find("250 OK") != std::string::npos) {
    lib("Except: " + error, true);
    if (m_connectAttempts >= kMaxAttempts) {
      m_connectAttempts = 0;
      throw SendEmailError(error);
    }
    ++m_connectAttempts;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    reconnect(m_connectAttempts, false);
    return;
  }
  const std::string message = TranslateConnectError(error, m_lastReply);
  lib(last, true);
  lib("Except: " + message, true);
  lib("Email not connected!", true);
  throw SendEmailError(message);
}

void TSendEmail::reconnect(int counter, bool withSending) {
  lib("Reconnecting: " + std::to_string(counter), true);
  Disconnect();
  connectLocked();
  if (withSending) sendOnce();
}

void TSendEmail::Send(bool disconnectAfterSending) {
  std::lock_guard<std::mutex> guard(SendLock());
  sendLocked(disconnectAfterSending);
}

void TSendEmail::sendLocked(bool disconnectAfterSending) {
  try {
    sendOnce();
  } catch (...) {
    if (disconnectAfterSending) Disconnect();
    throw;
  }
  if (disconnectAfterSending) Disconnect();
}

// Every address of the message goes into an SMTP command or a header as it is, so one that
// could end the command and start another is refused before the connection is made.
void TSendEmail::checkAddresses() {
  std::vector<const Address*> all = {&m_msg.from};
  for (const auto* list : {&m_msg.to, &m_msg.cc, &m_msg.bcc, &m_msg.replyTo}) {
    for (const Address& a : *list) all.push_back(&a);
  }
  if (!m_msg.receiptTo.address.empty()) all.push_back(&m_msg.receiptTo);
  for (const Address* a : all) {
    if (ValidEmailAddress(a->address)) continue;
    const std::string what = "ogiltig e-postadress \"" + ShownEmailAddress(a->address) +
                             "\" (ska vara namn@domän); inget skickades";
    lib(what, true);
    throw SendEmailError(what);
  }
}

void TSendEmail::sendOnce() {
  checkAddresses();
  connectLocked();
  lib("Sending email");
  m_msg.date = clock();
  std::mt19937_64 random(static_cast<std::uint64_t>(m_msg.date) ^
                         (reinterpret_cast<std::uintptr_t>(this) << 16) ^ ++m_messageCount);
  const std::uint64_t seed = random();
  const std::size_t at = m_msg.from.address.find('@');
  const std::string domain =
      at == std::string::npos ? "localhost" : m_msg.from.address.substr(at + 1);
  char id[64];
  std::snprintf(id, sizeof id, "%lld.%016llx", static_cast<long long>(m_msg.date),
                static_cast<unsigned long long>(seed));
  m_msg.messageId = std::string(id) + "@" + domain;
  m_stream = BuildMessage(m_msg, seed);
  const std::string error = perform(true);
  m_stream.clear();
  if (error.empty()) {
    lib("Email sent");
    m_sendAttempts = 0;
    return;
  }
  lib("Except: " + error, true);
  const SendErrorAction action = TranslateSendError(error);
  if (!action.retry) throw SendEmailError(action.message);
  if (m_sendAttempts >= kMaxAttempts) {
    m_sendAttempts = 0;
    throw SendEmailError(error);
  }
  ++m_sendAttempts;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  reconnect(m_sendAttempts, true);
}

void TSendEmail::SendAsync(AsyncHandler handler, bool disconnectAfterSending) {
  WaitAsync();
  m_async = std::thread([this, handler = std::move(handler), disconnectAfterSending] {
    std::string error;
    {
      std::lock_guard<std::mutex> guard(SendLock());
      try {
        sendLocked(disconnectAfterSending);
      } catch (const std::exception& e) {
        error = e.what();
      }
    }
    Ui().postToUi([handler, error] {
      if (handler) {
        handler(!Trim(error).empty(), error);
      } else if (!Trim(error).empty()) {
        Ui().showMessage(MessageKind::Error, "error", Utf8ToCp1252(error));
      }
    });
  });
}

void TSendEmail::WaitAsync() {
  if (m_async.joinable()) m_async.join();
}

void TSendEmail::Disconnect() {
  if (!m_connected) return;
  lib("Disconnecting");
  resetHandle();
  lib("Disconnected");
}

bool TSendEmail::IsConnected() {
  if (!m_connected) return false;
  curl_socket_t socket = CURL_SOCKET_BAD;
  curl_easy_getinfo(Handle(m_curl), CURLINFO_ACTIVESOCKET, &socket);
  if (socket == CURL_SOCKET_BAD) {
    // The server closed the connection: one reconnect.
    m_connected = false;
    try {
      std::lock_guard<std::mutex> guard(SendLock());
      connectLocked();
    } catch (const SendEmailError&) {
      return false;
    }
  }
  return m_connected;
}

}  // namespace liga::mail
