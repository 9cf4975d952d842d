// The MIME message the sender transmits, built byte for byte here so that its size is
// known before the transfer starts (the progress handlers report against it) and so that
// nothing depends on how the transport library would assemble one.
//
// Layout of a message (every line ends in CR LF):
//   Date, From, Reply-To, To, Cc, Subject, Message-ID, X-Mailer, priority headers,
//   Disposition-Notification-To, MIME-Version, then the body:
//   * body only:                    one text part (text/html or text/plain)
//   * with inline files:            multipart/related { text part, inline parts }
//   * with attachments:             multipart/mixed { text part or related, attachments }
// Text parts are utf-8 and base64; file parts base64 with their file name (RFC 2231 when
// it is not plain ASCII). Blind-copy addresses never appear in the headers.
// Header texts (names, subject) are UTF-8; non-ASCII ones are written as RFC 2047
// encoded words.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace liga::mail {

struct Address {
  std::string address;
  std::string name;  // UTF-8, may be empty
};

struct FilePart {
  std::string fileName;  // without path, UTF-8
  std::string data;      // the file's bytes
};

struct MimeMessage {
  Address from;
  std::vector<Address> to, cc, bcc, replyTo;
  Address receiptTo;  // empty address: no read receipt
  std::string subject;
  int priority = 2;  // 0 highest .. 4 lowest; 2 normal writes no priority header
  std::string body;  // UTF-8
  bool bodyIsHtml = false;
  bool hasBody = false;
  std::vector<FilePart> attachments;
  std::vector<FilePart> inlineFiles;
  std::time_t date = 0;
  std::string messageId;  // without the angle brackets
  std::string mailer = "SendEmail";
};

// Base64 of `data`, in lines of 76 characters ending in CR LF when `wrap` is set.
std::string Base64(std::string_view data, bool wrap);
// One header value: the text itself when it is printable ASCII, else RFC 2047 encoded
// words ("=?utf-8?B?...?=") of at most 75 characters each, separated by CR LF blank.
std::string EncodeHeaderText(std::string_view utf8);
// "name <address>" with the name quoted or encoded as needed; the bare address without a
// name.
std::string FormatAddress(const Address& a);
// The Content-Disposition file name parameter: filename="x" or filename*=utf-8''%xx...
std::string FileNameParameter(std::string_view utf8);
// RFC 5322 date in UTC ("Wed, 09 Dec 2026 04:20:58 +0000").
std::string FormatMailDate(std::time_t t);
// The content type guessed from the file name's extension.
std::string ContentTypeFor(std::string_view fileName);

// The complete message with CR LF line ends. `boundarySeed` makes the boundaries unique.
std::string BuildMessage(const MimeMessage& m, std::uint64_t boundarySeed);

}  // namespace liga::mail
