#pragma once
// The CSV's cell rule, for its tests and for other CSV files of the review.
#include <iosfwd>
#include <string>
#include <string_view>

namespace qa::review {

// Whether a spreadsheet takes a cell that begins with `c` for a formula (or
// drops the character): = + - @ tab CR. The one list of the review's CSV
// files and workbook.
bool formulaStart(char c);
// A cell a spreadsheet would take for a formula (or whose first character it
// would drop): written with a leading apostrophe, inside quotes.
bool csvGuarded(std::string_view s);
// A cell written inside quotes: guarded, or holding the separator, a quote
// or a line break (CR or LF).
bool csvQuoted(std::string_view s, char separator = ',');
// One cell as a CSV file holds it: quoted when it holds the separator, a
// quote or a line break, quotes doubled. `guard`: a text that a spreadsheet
// would run as a formula gets an apostrophe first.
std::string csvCell(std::string_view text, char separator, bool guard);
class Out;

// One cell, then a comma or, when `last`, CR LF. `cp1252`: the text is the
// record files' and is written as UTF-8; otherwise it is UTF-8 already.
void writeCsvCell(Out& o, std::string_view s, bool cp1252, bool last);
// One UTF-8 cell as the CSV writes it, then a comma or, when `last`, CR LF.
void writeCsvCell(std::ostream& out, std::string_view utf8, bool last = false);

} // namespace qa::review
