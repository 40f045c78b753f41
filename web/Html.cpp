#include "web/Html.h"

#include <cstdio>

#include "report/Money.h"

namespace tallyvox::web {

std::string Page(const TFrame& frame, const std::string& title, const std::string& body) {
    std::string menu;
    if (!frame.User.empty()) {
        menu = "<nav><a href=\"/dashboard\">Обзор</a> <a href=\"/calls\">Звонки</a> "
               "<a href=\"/views\">Сводки</a> <a href=\"/coverage\">Запись</a> "
               "<span class=\"user\">" +
               HtmlEscaped(frame.User) +
               "</span><form method=\"post\" action=\"/logout\"><input type=\"hidden\" "
               "name=\"csrf\" value=\"" +
               HtmlEscaped(frame.FormToken) +
               "\"><button type=\"submit\">Выйти</button></form></nav>";
    }
    return "<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<title>" +
           HtmlEscaped(title) +
           " — Tallyvox</title><style>"
           "body{font-family:sans-serif;margin:1em 2em;color:#222}"
           "nav{display:flex;gap:1em;align-items:center;border-bottom:1px solid #ccc;"
           "padding-bottom:.5em}nav form{margin-left:auto}nav .user{color:#666}"
           // On a narrow screen a wide table scrolls by itself, its cells whole.
           "table{border-collapse:collapse;margin:.5em 0;display:block;max-width:100%;"
           "overflow-x:auto}td,th{border:1px solid #ccc;padding:.2em .5em;text-align:left;"
           "white-space:nowrap}td.n{text-align:right}"
           ".figures{display:flex;gap:2em}.fault{color:#a00}"
           ".charts{overflow-x:auto}.charts figure{margin:1em 0}.legend .out{color:#2f5d8a}"
           ".legend .in{color:#8fb3d9}.coverage .gap{color:#a00}"
           "form.filter{display:flex;flex-wrap:wrap;gap:.5em 1em;align-items:end}"
           "form.filter label{display:flex;flex-direction:column;font-size:.9em}"
           "</style></head><body>" +
           menu + "<h1>" + HtmlEscaped(title) + "</h1>" + body + "</body></html>\n";
}

std::string DurationText(std::uint64_t seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%llu:%02u:%02u",
                  static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60));
    return text;
}

std::string MoneyText(std::int64_t cents) {
    return report::CentsText(cents, ',');
}

} // namespace tallyvox::web
