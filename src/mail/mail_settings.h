// The e-mail window's fields and "sendemail.ini", the file that keeps them.
//
// File: a standard INI file, sections "CONFIGURATION" and "RECIPIENT", key=value lines,
// integers in decimal, the boolean as "1" or "0". Two keys of our own follow the listed
// ones in "CONFIGURATION": "ca_file" (an extra CA file) and "verify_certificate".
// Values are stored escaped so that any text survives the INI reader: "\\" for a
// backslash, "\n" and "\r" for line breaks, "\;" and "\#" for the comment characters and
// "\s" for a blank at either end. A value longer than 100 bytes continues on following
// lines that start with a blank (the INI reader's continuation lines), so no line
// exceeds the reader's line limit.
//
// Guarantees of SaveMailSettings:
//  1. The file is created with mode 0600 (it holds the password) and keeps that mode.
//  2. It is replaced as a whole: the text goes to a temporary file beside it, which is
//     synced and renamed over it; then the folder is synced. A crash leaves the old file
//     or the new one, never half a file.
// All texts are UTF-8.
#pragma once

#include <string>

namespace liga::mail {

struct MailSettings {
  // CONFIGURATION
  std::string from;
  std::string fromName;
  int encrypted = 0;  // 0 "None", 1 "SSL", 2 "TSL", 3 "SSL/TLS"
  std::string smtpHost;
  std::string smtpPort = "587";
  int smtpAuth = 1;  // 0 "No", 1 "Yes"
  std::string smtpUser;
  std::string smtpPassword;
  bool readConfirmation = false;
  int typeLog = 1;  // 0 "tComponent", 1 "tLib", 2 "tAll", 3 "None"
  std::string caFile;
  bool verifyCertificate = true;
  // RECIPIENT
  std::string to;
  std::string toName;
  std::string cc;
  std::string ccName;
  std::string bcc;
  std::string bccName;
  std::string subject;
  int priority = 2;  // 0 mpHighest .. 4 mpLowest
  std::string message;

  bool operator==(const MailSettings&) const = default;
};

inline constexpr const char* kMailSettingsFile = "sendemail.ini";

// The configuration folder's "sendemail.ini".
std::string DefaultMailSettingsPath();

// Sets every field whose key the file holds; the others keep their values. False when the
// file cannot be read (nothing is changed then).
bool LoadMailSettings(const std::string& path, MailSettings& settings);
// Writes every key of both sections. False with `error` set when the file could not be
// written; the old file is then unchanged.
bool SaveMailSettings(const std::string& path, const MailSettings& settings, std::string* error);

// The file's text (what SaveMailSettings writes).
std::string FormatMailSettings(const MailSettings& settings);
std::string EscapeIniValue(const std::string& value);
std::string UnescapeIniValue(const std::string& value);

// Server presets: host, port, encryption index, authentication index.
struct ServerPreset {
  const char* name;
  const char* host;
  int port;
  int encrypted;
  int auth;
};
inline constexpr int kServerPresets = 9;
const ServerPreset& Preset(int index);
void ApplyPreset(MailSettings& settings, int index);

// The warning shown before sending when the password would cross the network unencrypted
// (encryption "None" with authentication and a password); empty otherwise. UTF-8.
std::string CleartextPasswordWarning(const MailSettings& settings);

// The port field as a number; 587 when it is not one.
int PortNumber(const std::string& text);

}  // namespace liga::mail
