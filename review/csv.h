#pragma once
// The CSV's cell rule, for its tests and for other CSV files of the review.
#include <iosfwd>
#include <string_view>

namespace qa::review {

// A cell a spreadsheet would take for a formula (or whose first character it
// would drop): written with a leading apostrophe, inside quotes.
bool csvGuarded(std::string_view s);
// A cell written inside quotes: guarded, or holding a comma, a quote or a
// line break (CR or LF).
bool csvQuoted(std::string_view s);
// One UTF-8 cell as the CSV writes it, then a comma or, when `last`, CR LF.
void writeCsvCell(std::ostream& out, std::string_view utf8, bool last = false);

} // namespace qa::review
