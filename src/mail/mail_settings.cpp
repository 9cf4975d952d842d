#include "mail/mail_settings.h"

#include <fcntl.h>
#include <ini.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>

#include "app/config.h"
#include "common/file_replace.h"

namespace liga::mail {
namespace {

constexpr std::size_t kChunk = 100;

const ServerPreset kPresets[kServerPresets] = {
    {"Gmail", "smtp.gmail.com", 465, 3, 1},      {"Outlook", "smtp.office365.com", 587, 2, 1},
    {"Yahoo", "smtp.mail.yahoo.com", 587, 2, 1}, {"iCloud", "smtp.mail.me.com", 587, 2, 1},
    {"Zoho", "smtp.zoho.com", 465, 2, 1},        {"GMX", "mail.gmx.com", 465, 2, 1},
    {"Telia", "smtp.telia.com", 587, 2, 1},      {"Lokal", "localhost", 587, 0, 1},
    {"Yandex", "smtp.yandex.com", 465, 2, 1},
};

struct Loader {
  MailSettings* s;
  std::set<std::string> seen;  // keys already set in this load: a repeat continues them
};

bool ParseInt(const std::string& text, int& value) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || v < -1000000 || v > 1000000) return false;
  value = static_cast<int>(v);
  return true;
}

int Handler(void* user, const char* section, const char* name, const char* value) {
  auto* l = static_cast<Loader*>(user);
  MailSettings& s = *l->s;
  const std::string sec = section, key = name;
  const std::string id = sec + "/" + key;
  const bool continuation = !l->seen.insert(id).second;
  const std::string v = UnescapeIniValue(value);
  std::string* text = nullptr;
  int* number = nullptr;
  bool* flag = nullptr;
  if (sec == "CONFIGURATION") {
    if (key == "from")
      text = &s.from;
    else if (key == "from_name")
      text = &s.fromName;
    else if (key == "encrypted")
      number = &s.encrypted;
    else if (key == "smtp_host")
      text = &s.smtpHost;
    else if (key == "smtp_port")
      text = &s.smtpPort;
    else if (key == "smtp_auth")
      number = &s.smtpAuth;
    else if (key == "smtp_user")
      text = &s.smtpUser;
    else if (key == "smtp_password")
      text = &s.smtpPassword;
    else if (key == "read_confirmation")
      flag = &s.readConfirmation;
    else if (key == "type_log")
      number = &s.typeLog;
    else if (key == "ca_file")
      text = &s.caFile;
    else if (key == "verify_certificate")
      flag = &s.verifyCertificate;
  } else if (sec == "RECIPIENT") {
    if (key == "to")
      text = &s.to;
    else if (key == "to_name")
      text = &s.toName;
    else if (key == "cc")
      text = &s.cc;
    else if (key == "cc_name")
      text = &s.ccName;
    else if (key == "bcc")
      text = &s.bcc;
    else if (key == "bcc_name")
      text = &s.bccName;
    else if (key == "subject")
      text = &s.subject;
    else if (key == "priority")
      number = &s.priority;
    else if (key == "message")
      text = &s.message;
  }
  if (text) {
    *text = continuation ? *text + v : v;
  } else if (number) {
    int n;
    // A value outside the field's choices keeps the field as it is.
    const int max = key == "priority" ? 4 : key == "smtp_auth" ? 1 : 3;
    if (ParseInt(v, n) && n >= 0 && n <= max) *number = n;
  } else if (flag) {
    int n;
    if (ParseInt(v, n)) *flag = n != 0;
  }
  return 1;
}

void Line(std::string& out, const char* key, const std::string& value) {
  // Chunks are cut from the raw text, so an escape sequence is never split.
  if (value.size() <= kChunk) {
    out += std::string(key) + "=" + EscapeIniValue(value) + "\n";
    return;
  }
  out += std::string(key) + "=" + EscapeIniValue(value.substr(0, kChunk)) + "\n";
  for (std::size_t i = kChunk; i < value.size(); i += kChunk) {
    out += " " + EscapeIniValue(value.substr(i, kChunk)) + "\n";
  }
}

}  // namespace

std::string DefaultMailSettingsPath() {
  return ResolveFolders().configDir + "/" + kMailSettingsFile;
}

std::string EscapeIniValue(const std::string& value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c == ';')
      out += "\\;";
    else if (c == '#')
      out += "\\#";
    else if ((c == ' ' || c == '\t') && (i == 0 || i + 1 == value.size()))
      out += c == ' ' ? "\\s" : "\\t";
    else
      out += c;
  }
  return out;
}

std::string UnescapeIniValue(const std::string& value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    const char e = value[++i];
    switch (e) {
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 's':
        out += ' ';
        break;
      case 't':
        out += '\t';
        break;
      default:
        out += e;
        break;  // "\\", "\;", "\#"
    }
  }
  return out;
}

std::string FormatMailSettings(const MailSettings& s) {
  std::string out = "[CONFIGURATION]\n";
  Line(out, "from", s.from);
  Line(out, "from_name", s.fromName);
  Line(out, "encrypted", std::to_string(s.encrypted));
  Line(out, "smtp_host", s.smtpHost);
  Line(out, "smtp_port", s.smtpPort);
  Line(out, "smtp_auth", std::to_string(s.smtpAuth));
  Line(out, "smtp_user", s.smtpUser);
  Line(out, "smtp_password", s.smtpPassword);
  Line(out, "read_confirmation", s.readConfirmation ? "1" : "0");
  Line(out, "type_log", std::to_string(s.typeLog));
  Line(out, "ca_file", s.caFile);
  Line(out, "verify_certificate", s.verifyCertificate ? "1" : "0");
  out += "\n[RECIPIENT]\n";
  Line(out, "to", s.to);
  Line(out, "to_name", s.toName);
  Line(out, "cc", s.cc);
  Line(out, "cc_name", s.ccName);
  Line(out, "bcc", s.bcc);
  Line(out, "bcc_name", s.bccName);
  Line(out, "subject", s.subject);
  Line(out, "priority", std::to_string(s.priority));
  Line(out, "message", s.message);
  return out;
}

bool LoadMailSettings(const std::string& path, MailSettings& settings) {
  MailSettings copy = settings;
  Loader loader{&copy, {}};
  const int rc = ini_parse(path.c_str(), &Handler, &loader);
  if (rc == -1 || rc == -2) return false;  // cannot open, or out of memory
  settings = copy;
  return true;
}

bool SaveMailSettings(const std::string& path, const MailSettings& settings, std::string* error) {
  const std::size_t slash = path.rfind('/');
  const std::string dir =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  auto fail = [&](const std::string& what) {
    if (error) *error = what + ": " + std::strerror(errno);
    return false;
  };
  ::mkdir(dir.c_str(), 0700);  // the configuration folder may not exist yet
  // 0600: the file holds the server password.
  if (!ReplaceFile(path, FormatMailSettings(settings), 0600)) return fail("cannot replace " + path);
  return true;
}

const ServerPreset& Preset(int index) {
  return kPresets[index < 0 || index >= kServerPresets ? 0 : index];
}

void ApplyPreset(MailSettings& settings, int index) {
  const ServerPreset& p = Preset(index);
  settings.smtpHost = p.host;
  settings.smtpPort = std::to_string(p.port);
  settings.encrypted = p.encrypted;
  settings.smtpAuth = p.auth;
}

std::string CleartextPasswordWarning(const MailSettings& settings) {
  if (settings.encrypted != 0 || settings.smtpAuth == 0 || settings.smtpPassword.empty()) return {};
  return "Varning: krypteringen är \"None\", så lösenordet skickas okrypterat över nätet. "
         "Välj SSL eller TLS om servern klarar det.";
}

int PortNumber(const std::string& text) {
  int n;
  if (!ParseInt(text, n) || n <= 0 || n > 65535) return 587;
  return n;
}

}  // namespace liga::mail
