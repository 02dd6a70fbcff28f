#include "coding/code_scheme.h"

#include <cmath>

#include "platform/errors.h"
#include "platform/text.h"

namespace qa::coding {
namespace {

char charFromCode(double code)
{
    double whole = text::roundHalfEven(code);
    if (!(whole >= 0 && whole <= 255))
        throw RuntimeError(kInvalidCall);
    return static_cast<char>(static_cast<unsigned char>(whole));
}

} // namespace

std::string code(const std::string& aLine, const double& /*codeNbr*/)
{
    return aLine;
}

std::string decode(const std::string& coded, const double& codeNbr)
{
    std::string out;
    out.reserve(coded.size());
    for (unsigned char ch : coded) {
        int c = ch;
        if (c == 32)
            out += ' ';
        else if (c < 66)
            out += charFromCode(static_cast<double>(c + 209) - codeNbr);
        else if (c <= 118)
            continue;
        else
            out += charFromCode(static_cast<double>(c) - codeNbr - 100.0);
    }
    return out;
}

std::string makeCodeLine(const double& codeNbr, Random& rng)
{
    std::string line;
    if (!(codeNbr >= 1))
        return line;
    const double passes = std::floor(codeNbr);
    line.reserve(static_cast<std::size_t>(std::min(passes, 1e6)) * 2);
    for (double i = 1; i <= passes; ++i) {
        float r = rng.next();
        if (r < 0.1f) {
            double s = rng.next();
            line += static_cast<char>(static_cast<unsigned char>(text::roundHalfEven(s * 50.0 + 66.0)));
        }
        double t = rng.next();
        line += static_cast<char>(static_cast<unsigned char>(text::roundHalfEven(t * 137.0 + 118.0)));
    }
    return line;
}

std::string remSpaces(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '-')
            out += c;
    return out;
}

} // namespace qa::coding
