// TSendEmail: the program's mail sender. A fluent builder for one message, the server
// settings, the connection with bounded reconnection, synchronous and background sending,
// and a log handler that narrates every step.
//
// Guarantees:
//  1. A password never reaches the log: the "Password" line shows "********", and the
//     SMTP commands after AUTH (which carry the credentials) are written as "********".
//  2. Certificates and host names are verified on every encrypted connection unless the
//     caller turns verification off, which is logged as an error line so that it shows in
//     every log mode but lmNone. An extra CA file can be named for a server with a
//     certificate of its own.
//  3. Encryption: with SSL or TLS set, ports 25, 587 and 2587 start in clear text and
//     switch with STARTTLS, which must succeed; every other port starts with TLS at once.
//     TLS 1.2 or newer is negotiated.
//  4. Retries are bounded: at most 5 reconnections per counter (connect, send), 100 ms
//     apart; a counter returns to 0 after a success or once it is exhausted.
//  5. One background send at a time in the process: it holds SendLock() for its duration,
//     and so does a synchronous send. Its completion runs through the user-interface
//     port's post (on the user-interface thread in the desktop program).
//  6. Blind-copy addresses are envelope recipients only; they never appear in a header.
//  7. No message is sent with an address that is not plainly local@domain (no CR, LF or
//     other control character, see common/email_address.h): the send is refused whole.
// All texts given to the setters and to the handlers are UTF-8.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <istream>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "mail/mime.h"

namespace liga::mail {

enum TLogMode { lmComponent = 0, lmLib = 1, lmAll = 2, lmNone = 3 };
enum TMessagePriority { mpHighest = 0, mpHigh = 1, mpNormal = 2, mpLow = 3, mpLowest = 4 };
enum TAttachmentDisposition { adAttachment = 0, adInline = 1 };

// Raised by Connect and Send; what() is the message the caller shows.
class SendEmailError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The process-wide lock a send holds.
std::mutex& SendLock();

// The raised message for a connect error text (compared in upper case) and the server's
// last reply.
std::string TranslateConnectError(const std::string& errorText, const std::string& lastReply);
// What a send error means: Retry (the server closed the connection) or a message to raise.
struct SendErrorAction {
  bool retry = false;
  std::string message;
};
SendErrorAction TranslateSendError(const std::string& errorText);

class TSendEmail {
 public:
  using LogHandler = std::function<void(const std::string&)>;
  using WorkBeginHandler = std::function<void(std::int64_t total)>;
  using WorkHandler = std::function<void(std::int64_t done)>;
  using WorkEndHandler = std::function<void()>;
  using AsyncHandler = std::function<void(bool error, const std::string& message)>;

  static constexpr int kMaxAttempts = 5;

  TSendEmail();
  ~TSendEmail();
  TSendEmail(const TSendEmail&) = delete;
  TSendEmail& operator=(const TSendEmail&) = delete;

  // The process-wide instance, created on first use.
  static TSendEmail& New();

  TSendEmail& From(const std::string& address, const std::string& name);
  TSendEmail& AddTo(const std::string& address, const std::string& name);
  TSendEmail& AddReceiptRecipient(const std::string& address, const std::string& name);
  TSendEmail& AddReplyTo(const std::string& address, const std::string& name);
  TSendEmail& AddCC(const std::string& address, const std::string& name);
  TSendEmail& AddBCC(const std::string& address, const std::string& name);
  TSendEmail& Priority(TMessagePriority priority);
  TSendEmail& Subject(const std::string& text);
  TSendEmail& Message(const std::string& text, bool isHtml);
  TSendEmail& AddAttachment(const std::string& fileName, TAttachmentDisposition disposition);
  TSendEmail& AddAttachment(std::istream* stream, const std::string& fileName,
                            TAttachmentDisposition disposition);
  TSendEmail& Host(const std::string& host);
  TSendEmail& Port(int port);
  TSendEmail& Auth(bool on);
  TSendEmail& UserName(const std::string& user);
  TSendEmail& Password(const std::string& password);
  TSendEmail& SSL(bool on);
  TSendEmail& TLS(bool on);
  // An extra CA file (PEM) trusted besides the system's; empty: the system's only.
  TSendEmail& CaFile(const std::string& path);
  TSendEmail& VerifyCertificate(bool on);
  TSendEmail& Clear();
  TSendEmail& ClearRecipient();

  void Connect();
  void Send(bool disconnectAfterSending);
  // Sends on a background thread; `handler` (error flag, message) runs through the
  // user-interface port's post. Without a handler an error is shown as an error box.
  void SendAsync(AsyncHandler handler, bool disconnectAfterSending);
  // Waits for a background send of this object to end.
  void WaitAsync();
  void Disconnect();
  bool IsConnected();

  TSendEmail& OnLog(LogHandler handler, TLogMode mode);
  TSendEmail& OnWorkBegin(WorkBeginHandler handler);
  TSendEmail& OnWork(WorkHandler handler);
  TSendEmail& OnWorkEnd(WorkEndHandler handler);

  // ---- inspection and test seams ----
  const std::string& host() const { return m_host; }
  int port() const { return m_port; }
  bool ssl() const { return m_ssl; }
  bool tls() const { return m_tls; }
  bool auth() const { return m_auth; }
  TMessagePriority priority() const {
    return m_msg.priority == 2 ? mpNormal : TMessagePriority(m_msg.priority);
  }
  const MimeMessage& message() const { return m_msg; }
  // New TCP connections made so far.
  int connectionsOpened() const { return m_connectionsOpened; }
  // The server's last reply (all its lines).
  const std::string& lastReply() const { return m_lastReply; }
  // The ports on which an encrypted connection starts in clear text and switches with
  // STARTTLS; every other port starts with TLS.
  std::vector<int> startTlsPorts{25, 587, 2587};
  // The clock for the Date header and Message-ID.
  std::function<std::time_t()> clock;

 private:
  struct Transfer;
  void lib(const std::string& text, bool isError = false);
  void smtpStatus(const std::string& text);
  void sslStatus(const std::string& text);
  void debugLine(int type, const char* data, std::size_t size);
  void connectLocked();
  void sendLocked(bool disconnectAfterSending);
  void sendOnce();
  // Throws SendEmailError naming the first address that is not plainly local@domain.
  void checkAddresses();
  void reconnect(int counter, bool withSending);
  void resetHandle();
  void configureCommon();
  // Runs one transfer; on a failure returns the error text ("" on success).
  std::string perform(bool upload);
  std::string errorText(int code);
  void addAttachmentData(std::string data, const std::string& fileName,
                         TAttachmentDisposition disposition);
  bool sameSetting(bool equal);

  static int DebugCallback(void* handle, int type, char* data, std::size_t size, void* self);
  static std::size_t ReadCallback(char* buffer, std::size_t size, std::size_t n, void* self);
  static std::size_t WriteCallback(char* data, std::size_t size, std::size_t n, void* self);

  void* m_curl = nullptr;
  char m_errorBuffer[256] = {};
  bool m_connected = false;

  std::string m_host;
  int m_port = 587;
  bool m_auth = true;
  std::string m_user;
  std::string m_password;
  bool m_ssl = false;
  bool m_tls = false;
  std::string m_caFile;
  bool m_verify = true;
  std::string m_senderForConnection;

  MimeMessage m_msg;
  std::string m_stream;  // the encoded message while it is sent
  std::size_t m_streamPos = 0;
  bool m_transmissionEnded = false;
  std::uint64_t m_messageCount = 0;

  int m_connectAttempts = 0;
  int m_sendAttempts = 0;
  int m_connectionsOpened = 0;

  // Replies of the running transfer.
  std::string m_lastReply;
  std::string m_lastBadReply;
  std::vector<std::string> m_replies;
  std::string m_pendingReply;
  bool m_saw354 = false;
  bool m_afterAuth = false;

  TLogMode m_logMode = lmNone;
  LogHandler m_onLog;
  WorkBeginHandler m_onWorkBegin;
  WorkHandler m_onWork;
  WorkEndHandler m_onWorkEnd;

  std::thread m_async;
};

// One line of the log page: "dd/mm/yyyy hh:MM:ss " + text, in local time.
std::string LogPageLine(std::time_t when, const std::string& text);

}  // namespace liga::mail
