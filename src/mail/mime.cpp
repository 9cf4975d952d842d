#include "mail/mime.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace liga::mail {
namespace {

constexpr char kB64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool PlainAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 32 && u < 127;
  });
}

// True for a name that can stand in a header without quotes.
bool Atom(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == ' ' || c == '-' || c == '.' ||
           c == '_' || c == '!' || c == '#' || c == '$' || c == '%' || c == '&' || c == '\'' ||
           c == '*' || c == '+' || c == '/' || c == '=' || c == '?' || c == '^' || c == '`' ||
           c == '{' || c == '|' || c == '}' || c == '~';
  });
}

// Length of the UTF-8 sequence starting with byte `c` (1 for a stray byte).
std::size_t Utf8Length(unsigned char c) {
  if (c >= 0xF0) return 4;
  if (c >= 0xE0) return 3;
  if (c >= 0xC0) return 2;
  return 1;
}

void AppendHeader(std::string& out, std::string_view name, std::string_view value) {
  out.append(name).append(": ").append(value).append("\r\n");
}

std::string AddressList(const std::vector<Address>& list) {
  std::string s;
  for (const Address& a : list) {
    if (!s.empty()) s += ",\r\n ";
    s += FormatAddress(a);
  }
  return s;
}

std::string TextPart(const MimeMessage& m) {
  std::string s = "Content-Type: ";
  s += m.bodyIsHtml ? "text/html" : "text/plain";
  s += "; charset=\"utf-8\"\r\nContent-Transfer-Encoding: base64\r\n\r\n";
  s += Base64(m.body, true);
  return s;
}

std::string FilePartText(const FilePart& f, bool isInline) {
  const std::string param = FileNameParameter(f.fileName);
  std::string s =
      "Content-Type: " + ContentTypeFor(f.fileName) + "; " +
      (param.rfind("filename*", 0) == 0 ? "name*" + param.substr(9) : "name" + param.substr(8)) +
      "\r\nContent-Transfer-Encoding: base64\r\n";
  if (isInline) s += "Content-ID: <" + f.fileName + ">\r\n";
  s += std::string("Content-Disposition: ") + (isInline ? "inline" : "attachment") + "; " + param +
       "\r\n\r\n";
  s += Base64(f.data, true);
  return s;
}

std::string Multipart(const std::string& boundary, const std::vector<std::string>& parts) {
  std::string s;
  for (const std::string& p : parts) s += "--" + boundary + "\r\n" + p;
  s += "--" + boundary + "--\r\n";
  return s;
}

}  // namespace

std::string Base64(std::string_view data, bool wrap) {
  std::string out;
  out.reserve(data.size() * 4 / 3 + data.size() / 38 + 8);
  std::size_t lineLen = 0;
  for (std::size_t i = 0; i < data.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, data.size() - i);
    std::uint32_t v = static_cast<unsigned char>(data[i]) << 16;
    if (n > 1) v |= static_cast<unsigned char>(data[i + 1]) << 8;
    if (n > 2) v |= static_cast<unsigned char>(data[i + 2]);
    out += kB64[(v >> 18) & 63];
    out += kB64[(v >> 12) & 63];
    out += n > 1 ? kB64[(v >> 6) & 63] : '=';
    out += n > 2 ? kB64[v & 63] : '=';
    lineLen += 4;
    if (wrap && lineLen == 76) {
      out += "\r\n";
      lineLen = 0;
    }
  }
  if (wrap && lineLen > 0) out += "\r\n";
  return out;
}

std::string EncodeHeaderText(std::string_view utf8) {
  if (PlainAscii(utf8)) return std::string(utf8);
  // Each encoded word holds at most 45 bytes of whole UTF-8 characters (60 base64
  // characters plus the 12 of the frame stay under 75).
  std::string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    std::size_t end = i;
    while (end < utf8.size()) {
      const std::size_t len = Utf8Length(static_cast<unsigned char>(utf8[end]));
      if (end + len - i > 45) break;
      end += len;
    }
    if (end == i) end = std::min(utf8.size(), i + 1);
    if (!out.empty()) out += "\r\n ";
    out += "=?utf-8?B?" + Base64(utf8.substr(i, end - i), false) + "?=";
    i = end;
  }
  return out;
}

std::string FormatAddress(const Address& a) {
  if (a.name.empty()) return a.address;
  std::string name;
  if (!PlainAscii(a.name)) {
    name = EncodeHeaderText(a.name);
  } else if (Atom(a.name)) {
    name = a.name;
  } else {
    name = "\"";
    for (char c : a.name) {
      if (c == '"' || c == '\\') name += '\\';
      name += c;
    }
    name += "\"";
  }
  return name + " <" + a.address + ">";
}

std::string FileNameParameter(std::string_view utf8) {
  const bool plain = PlainAscii(utf8) && utf8.find_first_of("\"\\") == std::string_view::npos;
  if (plain) return "filename=\"" + std::string(utf8) + "\"";
  std::string s = "filename*=utf-8''";
  for (char c : utf8) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u) || c == '.' || c == '-' || c == '_' || c == '~') {
      s += c;
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", u);
      s += buf;
    }
  }
  return s;
}

std::string FormatMailDate(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  static const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[tm.tm_wday],
                tm.tm_mday, kMonths[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min,
                tm.tm_sec);
  return buf;
}

std::string ContentTypeFor(std::string_view fileName) {
  const std::size_t dot = fileName.rfind('.');
  std::string ext;
  if (dot != std::string_view::npos) {
    for (char c : fileName.substr(dot + 1)) ext += static_cast<char>(std::tolower(c));
  }
  static const std::pair<const char*, const char*> kTypes[] = {
      {"jpg", "image/jpeg"}, {"jpeg", "image/jpeg"},     {"png", "image/png"},
      {"gif", "image/gif"},  {"pdf", "application/pdf"}, {"htm", "text/html"},
      {"html", "text/html"}, {"txt", "text/plain"},      {"xml", "application/xml"},
      {"csv", "text/csv"},
  };
  for (const auto& [e, type] : kTypes) {
    if (ext == e) return type;
  }
  return "application/octet-stream";
}

std::string BuildMessage(const MimeMessage& m, std::uint64_t boundarySeed) {
  std::string h;
  AppendHeader(h, "Date", FormatMailDate(m.date));
  AppendHeader(h, "From", FormatAddress(m.from));
  if (!m.replyTo.empty()) AppendHeader(h, "Reply-To", AddressList(m.replyTo));
  if (!m.to.empty()) AppendHeader(h, "To", AddressList(m.to));
  if (!m.cc.empty()) AppendHeader(h, "Cc", AddressList(m.cc));
  AppendHeader(h, "Subject", EncodeHeaderText(m.subject));
  if (!m.messageId.empty()) AppendHeader(h, "Message-ID", "<" + m.messageId + ">");
  AppendHeader(h, "X-Mailer", m.mailer);
  if (m.priority != 2) {
    static const char* kX[] = {"1 (Highest)", "2 (High)", "3 (Normal)", "4 (Low)", "5 (Lowest)"};
    static const char* kImportance[] = {"high", "high", "normal", "low", "low"};
    const int p = std::clamp(m.priority, 0, 4);
    AppendHeader(h, "X-Priority", kX[p]);
    AppendHeader(h, "Importance", kImportance[p]);
  }
  if (!m.receiptTo.address.empty()) {
    AppendHeader(h, "Disposition-Notification-To", FormatAddress(m.receiptTo));
  }
  AppendHeader(h, "MIME-Version", "1.0");

  char seed[32];
  std::snprintf(seed, sizeof seed, "%016llx", static_cast<unsigned long long>(boundarySeed));
  const std::string mixed = std::string("=_mixed_") + seed;
  const std::string related = std::string("=_related_") + seed;

  MimeMessage textOnly = m;
  if (!m.hasBody) textOnly.body.clear();
  std::string content = TextPart(textOnly);
  if (!m.inlineFiles.empty()) {
    std::vector<std::string> parts{content};
    for (const FilePart& f : m.inlineFiles) parts.push_back(FilePartText(f, true));
    content = "Content-Type: multipart/related; boundary=\"" + related +
              "\"; type=\"text/html\"\r\n\r\n" + Multipart(related, parts);
  }
  if (!m.attachments.empty()) {
    std::vector<std::string> parts{content};
    for (const FilePart& f : m.attachments) parts.push_back(FilePartText(f, false));
    content = "Content-Type: multipart/mixed; boundary=\"" + mixed + "\"\r\n\r\n" +
              "This is a multi-part message in MIME format.\r\n" + Multipart(mixed, parts);
  }
  return h + content;
}

}  // namespace liga::mail
