#include "tools/report_html.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace kestrel::report {

namespace {

// The length of the UTF-8 character that text begins with, or 0 when it is not one
// (a stray continuation byte, an overlong or surrogate form, a character cut short).
std::size_t utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte(0);
    std::size_t length = 0;
    unsigned low = 0x80, high = 0xBF;  // the range of the second byte
    if (first >= 0xC2 && first <= 0xDF) length = 2;
    else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        if (first == 0xE0) low = 0xA0;
        if (first == 0xED) high = 0x9F;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        if (first == 0xF0) low = 0x90;
        if (first == 0xF4) high = 0x8F;
    }
    if (length == 0 || text.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

// The style of every report: a readable column on a screen 1280 pixels wide, figures no
// wider than they are drawn, tables of numbers in tabular figures, and for print the
// page's own margins, no navigation and no figure or table row cut across pages.
constexpr std::string_view Style = R"(
:root{--ink:#1c2430;--muted:#5a6576;--line:#dde2e8;--panel:#f4f6f9;--accent:#1f5f99;--warn:#9a5b00;--bad:#a4262c}
*{box-sizing:border-box}
html{background:#e9edf2}
body{margin:0;color:var(--ink);font:15px/1.5 "DejaVu Sans","Segoe UI",Roboto,"Helvetica Neue",Arial,sans-serif}
main{max-width:1200px;margin:0 auto;padding:28px 40px 56px;background:#fff;min-height:100vh}
h1{font-size:28px;line-height:1.2;margin:0 0 6px}
h2{font-size:21px;margin:40px 0 12px;padding-bottom:5px;border-bottom:2px solid var(--accent)}
h3{font-size:16px;margin:22px 0 8px}
p{margin:6px 0 10px}
a{color:var(--accent)}
.sub{color:var(--muted);margin:0 0 16px}
.organism{font-style:italic}
.cards{display:grid;grid-template-columns:repeat(auto-fit,minmax(170px,1fr));gap:12px;margin:18px 0 8px}
.card{background:var(--panel);border:1px solid var(--line);border-radius:6px;padding:10px 14px}
.card .v{font-size:22px;font-weight:600;font-variant-numeric:tabular-nums}
.card .k{color:var(--muted);font-size:13px}
nav.toc{margin:18px 0 0;padding:10px 14px;background:var(--panel);border-radius:6px;font-size:14px}
nav.toc a{margin-right:16px;white-space:nowrap}
table{border-collapse:collapse;margin:8px 0 14px;font-variant-numeric:tabular-nums}
th,td{padding:4px 10px;border-bottom:1px solid var(--line);text-align:left;vertical-align:top}
th{background:var(--panel);font-weight:600;font-size:14px}
td.n,th.n{text-align:right;white-space:nowrap}
td.meaning{color:var(--muted);font-size:14px;max-width:520px}
td.index{white-space:nowrap;font-weight:600}
table.wide{width:100%}
.cols{display:grid;grid-template-columns:repeat(auto-fit,minmax(520px,1fr));gap:8px 32px}
pre.cmd{background:#1c2430;color:#f4f6f9;padding:10px 14px;border-radius:6px;white-space:pre-wrap;word-break:break-all;font-size:13.5px}
code{font-family:"DejaVu Sans Mono",Consolas,monospace;font-size:.92em}
.note{color:var(--muted);font-size:14px}
.warn{color:var(--warn)}
.warnings{border-left:4px solid var(--warn);background:#fff8ec;padding:6px 14px;margin:10px 0}
.warnings li{margin:2px 0}
figure{margin:18px 0 26px;break-inside:avoid}
figure svg{display:block;max-width:100%;height:auto;margin:0 auto}
figcaption{color:var(--muted);font-size:14px;margin-top:6px;max-width:940px;margin-left:auto;margin-right:auto}
table.codons{width:100%}
table.codons td{padding:3px 7px;border:1px solid #fff;font-size:13.5px;white-space:nowrap;vertical-align:middle}
table.codons td.aa{font-weight:600;color:var(--muted);font-size:12.5px}
table.codons th{text-align:center}
.scale{display:inline-block;width:14px;height:12px;vertical-align:middle;border:1px solid var(--line);margin:0 3px}
.pill{display:inline-block;padding:0 7px;border-radius:9px;background:var(--panel);border:1px solid var(--line);font-size:13px}
.optimal{font-weight:600}
table.compact{font-size:13.5px}
table.compact td,table.compact th{padding:3px 7px}
td.name{white-space:nowrap}
td.genome{overflow-wrap:anywhere;min-width:8em}
.scroll{overflow-x:auto}
footer{margin-top:48px;color:var(--muted);font-size:13px;border-top:1px solid var(--line);padding-top:10px}
@media print{
 @page{size:A4;margin:14mm}
 html,main{background:#fff}
 body{font-size:10pt}
 main{max-width:none;padding:0;min-height:0}
 nav.toc{display:none}
 h2{break-after:avoid;margin-top:24px}
 h3{break-after:avoid}
 tr,li{break-inside:avoid}
 a{color:inherit;text-decoration:none}
 pre.cmd{background:#fff;color:#000;border:1px solid #999}
 .cols{grid-template-columns:1fr 1fr}
 .scroll{overflow:visible}
 table.codons td,.scale,.card{-webkit-print-color-adjust:exact;print-color-adjust:exact}
}
)";

}  // namespace

void appendEscaped(std::string& out, std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = utf8Length(text.substr(i));
            if (length == 0) {
                out += "\xEF\xBF\xBD";
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default:
            if (c >= 0x20 && c != 0x7F) out += static_cast<char>(c);
            else if (c == '\t' || c == '\n') out += static_cast<char>(c);
        }
        ++i;
    }
}

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendEscaped(out, text);
    return out;
}

std::string embeddedSvg(std::string_view svg, std::string_view idPrefix) {
    const std::size_t start = svg.find("<svg");
    if (start == std::string_view::npos) return {};
    svg.remove_prefix(start);
    std::string out;
    out.reserve(svg.size() + 64);
    // Each id and each reference to one: id="x", url(#x) and href="#x" (xlink:href too); an
    // id only as a whole attribute name (" id=", not "grid=" or "data-id=").
    constexpr std::string_view Marks[] = {"id=\"", "url(#", "href=\"#"};
    std::array<std::size_t, 3> next{};
    for (std::size_t m = 0; m < 3; ++m) next[m] = svg.find(Marks[m]);
    std::size_t done = 0;
    while (true) {
        const std::size_t m = static_cast<std::size_t>(std::min_element(next.begin(), next.end()) - next.begin());
        const std::size_t at = next[m];
        if (at == std::string_view::npos) break;
        const bool whole = m != 0 || (at > 0 && (svg[at - 1] == ' ' || svg[at - 1] == '\n' || svg[at - 1] == '\t'));
        if (whole) {
            out.append(svg.substr(done, at + Marks[m].size() - done));
            out.append(idPrefix);
            done = at + Marks[m].size();
        }
        next[m] = svg.find(Marks[m], at + Marks[m].size());
    }
    out.append(svg.substr(done));
    return out;
}

std::string fixed(std::optional<double> value, int decimals) {
    if (!value || !std::isfinite(*value)) return "\xE2\x80\x93";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, *value);
    return text;
}

std::string significant(std::optional<double> value, int digits) {
    if (!value || !std::isfinite(*value)) return "\xE2\x80\x93";
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", digits, *value);
    return text;
}

std::string count(std::int64_t value) {
    const std::string digits = std::to_string(value);
    std::string out;
    const std::size_t sign = value < 0 ? 1 : 0;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > sign && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string pValue(double p) {
    if (!(p > 0)) return p == 0 ? "&lt; 1e-300" : "\xE2\x80\x93";
    char text[64];
    std::snprintf(text, sizeof text, p < 1e-3 ? "%.2e" : "%.3g", p);
    return text;
}

std::string shellQuoted(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty()) line += ' ';
        const bool plain = !word.empty() && word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                                    "0123456789-_./:=+,@%") == std::string::npos;
        if (plain) {
            line += word;
            continue;
        }
        line += '\'';
        for (const char c : word) line += c == '\'' ? std::string("'\\''") : std::string(1, c);
        line += '\'';
    }
    return line;
}

std::string pageStart(std::string_view title) {
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<meta name=\"generator\" content=\"KESTREL\">\n"
                       // No icon to fetch: the page asks for nothing beyond itself.
                       "<link rel=\"icon\" href=\"data:,\">\n<title>";
    appendEscaped(page, title);
    page += "</title>\n<style>";
    page += Style;
    page += "</style>\n</head>\n<body>\n<main>\n";
    return page;
}

std::string pageEnd() { return "</main>\n</body>\n</html>\n"; }

}  // namespace kestrel::report
