// What this program accepts as an e-mail address, wherever one is entered or used.
//
// An address is "local@domain" and nothing more: one "@", a local part and a domain that are
// not empty, no blank, no control character (CR and LF above all, which would end the SMTP
// command the address is sent in and start another), none of the characters that delimit
// addresses in a header or a command ("<", ">", ",", ";", ":", "(", ")", "[", "]", "\"",
// "\\"), and a domain without a leading, trailing or doubled ".". Letters beyond ASCII are
// allowed (an address in the Windows code page or in UTF-8).
#pragma once

#include <string>
#include <string_view>

namespace liga {

bool ValidEmailAddress(std::string_view address);

// The address as it may be shown in a message: control characters written as "\r", "\n" or
// "\xNN", so that the message itself cannot be split.
std::string ShownEmailAddress(std::string_view address);

}  // namespace liga
