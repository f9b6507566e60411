// What the HTML reports share: text made safe for a page, figures embedded in it, numbers
// written for reading, and the page's frame with its style (one file, nothing loaded from
// elsewhere, readable on a screen and printable).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::report {

// Appends text as HTML character data or attribute value: &, <, >, " and ' become
// entities, control characters but tab and line feed are dropped, and bytes that are not
// UTF-8 become U+FFFD, so that any name an input file holds is shown as it is and nothing
// more.
void appendEscaped(std::string& out, std::string_view text);
std::string escaped(std::string_view text);

// An SVG document to stand inside a page: what comes before its <svg> element (the XML
// declaration) is left out, and its ids (and the references to them) get the prefix, so
// that two figures of one page cannot take each other's. Empty for a text without one.
std::string embeddedSvg(std::string_view svg, std::string_view idPrefix);

// Numbers as a report shows them, ready for the page: printf formats, and "–" (a dash)
// where there is none.
std::string fixed(std::optional<double> value, int decimals);
std::string significant(std::optional<double> value, int digits);
// A count with thin spaces between thousands: "4 298".
std::string count(std::int64_t value);
// A p-value: three significant digits, "&lt; 1e-300" for a p too small for a double.
std::string pValue(double p);

// The words of a command line as a POSIX shell reads them back: each word that needs it
// in single quotes.
std::string shellQuoted(const std::vector<std::string>& words);

// The page's frame: the document's head (title, style) and the start of its body, and its
// end.
std::string pageStart(std::string_view title);
std::string pageEnd();

}  // namespace kestrel::report
