#pragma once
// Hand-made record files, block by block, with the writer's fixed texts.
#include <string>

#include "records/layouts.h"

namespace qa::testing {

inline std::string ln(const std::string& s)
{
    return s + "\r\n";
}
inline std::string header(const std::string& name, const std::string& date = "03-07-2026",
                          const std::string& code = "\xC1\xC2\xC3\xC4", const std::string& time = "10:00:00",
                          const std::string& initials = "RR")
{
    return ln(code) + ln(records::kNameLabel + name) + ln(records::kAssignmentLabel + std::string("001")) +
           ln("001.  test 1") + ln(records::kInitialsLabel + initials) +
           ln(records::kDateLabel + date + " " + time);
}
inline std::string response(const std::string& time, const std::string& line, const std::string& answer)
{
    return ln(records::kOpeningRule) + ln(records::kIndent + time) + ln(line) + ln(records::kOpeningRule) +
           ln(records::kResponseLabel) + ln(answer) + ln(records::kClosingRule);
}
// As the send and notes files end it: at the next print zone, no line break.
inline std::string note(const std::string& time, const std::string& line, const std::string& text,
                        const std::string& date = "03-07-2026")
{
    return ln(records::kOpeningRule) + ln(records::kIndent + time) + ln(records::kIndent + date + time) +
           ln(line) + ln(records::kOpeningRule) + ln(records::kNotesPrefix + text) + records::kClosingRule +
           records::kToNextZone;
}

} // namespace qa::testing
