#pragma once
// A mail handed to an SMTP server: plain text, or text with an HTML
// alternative and attached files: smtp:// upgrades to TLS when the
// server offers STARTTLS (and insists on it when a password is to be sent),
// smtps:// speaks TLS from the start.

#include <string>
#include <string_view>
#include <vector>

#include "delivery/Curl.h"

namespace tallyvox::delivery {

struct TMailServer {
    std::string Url;          // "smtp://host:port" or "smtps://host:port"
    std::string User;         // empty: no authentication
    std::string PasswordFile; // the password's file, for User
};

struct TMailAttachment {
    std::string FileName;    // UTF-8
    std::string ContentType; // "application/octet-stream"
    std::string Bytes;
};

struct TMailMessage {
    std::string From;
    std::vector<std::string> To;
    std::string Subject; // UTF-8, one line
    std::string Text;    // UTF-8, lines ending in LF
    std::string Html;    // UTF-8; empty: the text alone
    std::vector<TMailAttachment> Attachments;
};

// Whether text is one plain address, "name@host": no blanks, no control
// characters, nothing a header or a server's command could be split by.
bool IsMailAddress(std::string_view text);

// The message as it goes on the wire, every line ending in CR LF: headers (the
// subject encoded for non-ASCII), a blank line and the text; with an HTML
// alternative or attachments, a MIME multipart whose parts are in base64.
std::string MailWireText(const TMailMessage& message);

// Sends the message; throws EDeliveryError when the server does not accept it
// for every recipient within the limits.
void SendMail(const TMailServer& server, const TMailMessage& message,
              const TTransferLimits& limits);

} // namespace tallyvox::delivery
