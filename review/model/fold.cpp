// Texts folded for comparing: blanks and letter case do not count.
#include "review/model/fold.h"

namespace qa::review {

std::string foldText(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    bool blank = false;
    for (unsigned char c : s) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0xA0 || c == '\f' || c == '\v') {
            blank = !out.empty();
            continue;
        }
        if (blank)
            out += ' ';
        blank = false;
        // ASCII and Windows-1252 capitals to their small letters.
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
            c = static_cast<unsigned char>(c + 0x20);
        else if (c == 0x8A || c == 0x8C || c == 0x8E)
            c = static_cast<unsigned char>(c + 0x10);
        else if (c == 0x9F)
            c = 0xFF;
        out += static_cast<char>(c);
    }
    return out;
}

} // namespace qa::review
