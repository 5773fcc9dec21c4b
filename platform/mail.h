#pragma once
// Mail through the desktop's tools: "sendmail -t -i" hands a message over
// without asking anybody; "xdg-email" opens the user's compose window with
// the message filled in. Both are looked up on PATH and started with an
// argument vector, never through a shell.

#include <functional>
#include <string>

namespace platform {

struct MailMessage {
  std::string recipient;
  std::string subject;
  std::string text;
  std::string attachment;  // a file to attach, "" for none
};

enum class MailOutcome {
  kSent,         // handed over (the tool ended with status 0)
  kToolMissing,  // the tool is not on PATH
  kToolInvalid,  // it is there but cannot be started
  kFailed,       // it ran and reported a failure
};

// Path of an executable file of that name on PATH; "" when there is none.
// *present (may be null) tells whether a file of that name exists at all.
std::string FindOnPath(const std::string& name, bool* present = nullptr);

// The message as sendmail -t reads it: To, Subject (RFC 2047 when it is not
// plain ASCII), MIME headers, a blank line, the text. Line breaks in the
// recipient and subject become blanks, so no header can be smuggled in.
std::string MailWireText(const MailMessage& m);

// The "mailto:" address given to xdg-email, percent-encoded.
std::string MailtoUri(const std::string& recipient);

// idle runs while the tool is working, so a window can stay responsive.
MailOutcome SendMailDirect(const MailMessage& m, const std::function<void()>& idle = {});
MailOutcome ComposeMail(const MailMessage& m, const std::function<void()>& idle = {});

}  // namespace platform
