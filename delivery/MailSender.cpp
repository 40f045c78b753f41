#include "delivery/MailSender.h"

#include <curl/curl.h>
#include <sodium.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

#include "delivery/PasswordFile.h"

namespace tallyvox::delivery {

namespace {

// A header value as RFC 2047 "Q" encoded words when it is not plain ASCII: each
// byte outside plain letters and digits as =XX; each word holds whole UTF-8
// characters and stays within the 75 characters allowed.
std::string HeaderText(std::string_view text) {
    const auto plain = [](char c) { return c >= ' ' && static_cast<unsigned char>(c) < 0x80; };
    if (std::all_of(text.begin(), text.end(), plain)) {
        return std::string(text);
    }
    constexpr std::size_t WordLength = 60; // of the encoded text within a word
    std::string header = "=?UTF-8?Q?";
    std::size_t wordStart = header.size();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool characterStarts = (byte & 0xC0) != 0x80;
        if (characterStarts && header.size() - wordStart >= WordLength) {
            header += "?=\r\n =?UTF-8?Q?";
            wordStart = header.size();
        }
        if (std::isalnum(byte) && byte < 0x80) {
            header += static_cast<char>(byte);
        } else if (byte == ' ') {
            header += '_';
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "=%02X", byte);
            header += hex;
        }
    }
    return header + "?=";
}

std::string DateHeader() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    static const char* const Days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char zone[8];
    std::strftime(zone, sizeof zone, "%z", &local);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %s", Days[local.tm_wday],
                  local.tm_mday, Months[local.tm_mon], local.tm_year + 1900, local.tm_hour,
                  local.tm_min, local.tm_sec, zone);
    return text;
}

// Unique for this machine: the time, the process and a counter.
std::string MessageId(const std::string& from) {
    static std::atomic<unsigned> counter{0};
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const std::size_t at = from.find('@');
    return "<" +
           std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(now).count()) +
           "." + std::to_string(::getpid()) + "." + std::to_string(++counter) + ".tallyvox" +
           (at == std::string::npos ? "@localhost" : from.substr(at)) + ">";
}

// Every line ends in CR LF; a line that starts with a dot is the server's
// business (libcurl doubles it).
std::string CrLfLines(const std::string& text) {
    std::string wire;
    for (const char c : text) {
        if (c == '\n') {
            wire += "\r\n";
        } else if (c != '\r') {
            wire += c;
        }
    }
    if (!wire.empty() && !wire.ends_with("\r\n")) {
        wire += "\r\n";
    }
    return wire;
}

// Bytes as base64 in lines of 76 characters, each ending in CR LF.
std::string Base64Lines(std::string_view bytes) {
    constexpr std::size_t LineBytes = 57; // 76 characters of base64
    std::string lines;
    std::string encoded(sodium_base64_ENCODED_LEN(LineBytes, sodium_base64_VARIANT_ORIGINAL), '\0');
    for (std::size_t at = 0; at < bytes.size(); at += LineBytes) {
        const std::size_t n = std::min(LineBytes, bytes.size() - at);
        sodium_bin2base64(encoded.data(), encoded.size(),
                          reinterpret_cast<const unsigned char*>(bytes.data() + at), n,
                          sodium_base64_VARIANT_ORIGINAL);
        lines += encoded.c_str();
        lines += "\r\n";
    }
    return lines;
}

// One body part in base64; text parts in their canonical CR LF lines.
std::string Base64Part(const std::string& contentType, const std::string& moreHeaders,
                       std::string_view bytes) {
    return "Content-Type: " + contentType + "\r\nContent-Transfer-Encoding: base64\r\n" +
           moreHeaders + "\r\n" + Base64Lines(bytes);
}

// The file name parameter of an attachment: quoted ASCII, else UTF-8 percent
// encoded (RFC 2231).
std::string FileNameParameter(std::string_view name) {
    const auto plain = [](char c) {
        return c > ' ' && static_cast<unsigned char>(c) < 0x7F && c != '"' && c != '\\' &&
               c != '%' && c != '*' && c != '\'';
    };
    if (std::all_of(name.begin(), name.end(), plain)) {
        return "filename=\"" + std::string(name) + "\"";
    }
    std::string encoded = "filename*=UTF-8''";
    for (const char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80) {
            encoded += c;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
            encoded += hex;
        }
    }
    return encoded;
}

// A multipart body: the parts, each whole with its headers, between the
// boundary lines. A boundary starting "=_" never occurs in base64.
std::string Multipart(const std::string& boundary, const std::vector<std::string>& parts) {
    std::string body;
    for (const std::string& part : parts) {
        body += "--" + boundary + "\r\n" + part;
    }
    return body + "--" + boundary + "--\r\n";
}

std::string MultipartType(const std::string& kind, const std::string& boundary) {
    return "Content-Type: multipart/" + kind + "; boundary=\"" + boundary + "\"\r\n\r\n";
}

// The text, or the text with its HTML alternative, as a body part.
std::string TextPart(const TMailMessage& message) {
    const std::string text = Base64Part("text/plain; charset=UTF-8", "", CrLfLines(message.Text));
    if (message.Html.empty()) {
        return text;
    }
    const std::string html = Base64Part("text/html; charset=UTF-8", "", CrLfLines(message.Html));
    return MultipartType("alternative", "=_tallyvox_alternative") +
           Multipart("=_tallyvox_alternative", {text, html});
}

std::string MimeBody(const TMailMessage& message) {
    if (message.Attachments.empty()) {
        return TextPart(message);
    }
    std::vector<std::string> parts{TextPart(message)};
    for (const TMailAttachment& file : message.Attachments) {
        parts.push_back(Base64Part(file.ContentType,
                                   "Content-Disposition: attachment; " +
                                       FileNameParameter(file.FileName) + "\r\n",
                                   file.Bytes));
    }
    return MultipartType("mixed", "=_tallyvox_mixed") + Multipart("=_tallyvox_mixed", parts);
}

struct TUpload {
    std::string_view Left;
};

std::size_t ReadUpload(char* buffer, std::size_t size, std::size_t count, void* user) {
    auto* upload = static_cast<TUpload*>(user);
    const std::size_t n = std::min(size * count, upload->Left.size());
    std::memcpy(buffer, upload->Left.data(), n);
    upload->Left.remove_prefix(n);
    return n;
}

} // namespace

bool IsMailAddress(std::string_view text) {
    const std::size_t at = text.find('@');
    const auto plain = [](char c) {
        return static_cast<unsigned char>(c) > ' ' && c != 0x7F &&
               std::string_view("<>,;\"()[]\\").find(c) == std::string_view::npos;
    };
    return at != std::string_view::npos && at > 0 && at + 1 < text.size() &&
           text.find('@', at + 1) == std::string_view::npos && text.size() <= 254 &&
           std::all_of(text.begin(), text.end(), plain);
}

std::string MailWireText(const TMailMessage& message) {
    std::string to;
    for (const std::string& address : message.To) {
        to += (to.empty() ? "" : ", ") + address;
    }
    return "Date: " + DateHeader() + "\r\nFrom: " + message.From + "\r\nTo: " + to +
           "\r\nMessage-ID: " + MessageId(message.From) +
           "\r\nSubject: " + HeaderText(message.Subject) + "\r\nMIME-Version: 1.0\r\n" +
           (message.Html.empty() && message.Attachments.empty()
                ? "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: "
                  "8bit\r\n\r\n" +
                      CrLfLines(message.Text)
                : MimeBody(message));
}

void SendMail(const TMailServer& server, const TMailMessage& message,
              const TTransferLimits& limits) {
    TCurl curl(limits);
    CURL* easy = curl.Handle();
    const std::string password =
        server.User.empty() ? std::string() : ReadPasswordFile(server.PasswordFile);
    const std::string wire = MailWireText(message);
    TUpload upload{wire};
    std::unique_ptr<curl_slist, void (*)(curl_slist*)> recipients(nullptr, curl_slist_free_all);
    for (const std::string& address : message.To) {
        curl_slist* more = curl_slist_append(recipients.get(), address.c_str());
        if (!more) {
            throw EDeliveryError("out of memory for the recipients");
        }
        recipients.release();
        recipients.reset(more);
    }
    curl_easy_setopt(easy, CURLOPT_URL, server.Url.c_str());
    // A password never goes over a connection left in clear.
    curl_easy_setopt(easy, CURLOPT_USE_SSL, password.empty() ? CURLUSESSL_TRY : CURLUSESSL_ALL);
    if (!server.User.empty()) {
        curl_easy_setopt(easy, CURLOPT_USERNAME, server.User.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, password.c_str());
    }
    curl_easy_setopt(easy, CURLOPT_MAIL_FROM, message.From.c_str());
    curl_easy_setopt(easy, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(easy, CURLOPT_READFUNCTION, ReadUpload);
    curl_easy_setopt(easy, CURLOPT_READDATA, &upload);
    curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(wire.size()));
    curl.Perform("mail to " + server.Url);
}

} // namespace tallyvox::delivery
