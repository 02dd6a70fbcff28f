#pragma once
// A small class, written by the record layouts over a fixed clock, whose
// report has something in every part: answers with revisions, empty and
// missing cells, a note, and a finding of every check (file name, shared
// code line, same and near-identical answers, a clock that ran backwards, a
// line not in the bank, an unreadable part). `students` adds plain students
// (Student 001 ...) to make the class as large as wanted.
#include <cstdio>
#include <string>

#include "support/record_class.h"

namespace qa::testing {

inline RecordClass findingsClass(int students = 0)
{
    RecordClass cls;
    const auto q = builtinQuestions();
    const std::string near = "The force grows by less each time because the band stretches and the differences "
                             "fall from one point one to point four newtons";
    auto ann = cls.start("Ann Lee", "AL", "\xA7\xC9k\x81");
    cls.respond(ann, q[0], "");
    cls.clock.advance(30);
    cls.respond(ann, q[0], "first try & <b>bold</b>");
    cls.clock.advance(30);
    cls.respond(ann, q[0], "Tab\tseparated \"quoted\" 'single' \xA7 \x80 10 \x96 5\r\nsecond line");
    cls.respond(ann, q[1], near);
    cls.note(ann, q[1], "Is a newton a kg m/s\xB2?");
    cls.respond(ann, q[2], "Depth falls by 15, 11 and 7 cm.");

    auto bo = cls.start("Bo Chen", "BC", "\xA7\xC9k\x81"); // Ann's code line
    cls.respond(bo, q[1], near + " again");
    cls.respond(bo, q[2], "depth  FALLS by 15, 11 and 7 cm.");
    cls.respond(bo, q[3], "");
    cls.respond(bo, "999.  A line that no bank holds", "an answer to it");

    auto zoe = cls.start("Zo\xEB N\xFA\xF1"
                         "ez",
                         "ZN", "\xF1\xF2\xF3\xF4");
    cls.respond(zoe, q[0], "<script>alert(1)</script>");
    cls.clock.day += 1;
    cls.clock.seconds = 23 * 3600 + 59 * 50;
    zoe = cls.start("Zo\xEB N\xFA\xF1"
                    "ez",
                    "ZNU", "\xF1\xF2\xF3\xF5");
    cls.clock.advance(120);
    cls.respond(zoe, q[4], "After midnight.");
    cls.clock.seconds = 9 * 3600; // a second header earlier than the first in the same file
    zoe = cls.start("Zo\xEB N\xFA\xF1"
                    "ez",
                    "ZNU", "\xF1\xF2\xF3\xF6");
    cls.respond(zoe, q[5], "Before breakfast.");
    for (int s = 1; s <= students; ++s) {
        char name[32], code[8];
        std::snprintf(name, sizeof name, "Student %03d", s);
        std::snprintf(code, sizeof code, "\xC1%c%c\xC4", 'A' + s % 26, 'a' + s / 26 % 26);
        auto p = cls.start(name, "ST", code);
        for (std::size_t k = 0; k < q.size(); ++k)
            if ((static_cast<std::size_t>(s) + k) % 7 != 0)
                cls.respond(p, q[k], (k + s) % 11 == 0 ? "" : "Answer " + std::to_string(k + 1) + " of " + name);
    }
    // Bo's send file under another day's name, and a torn block at its end.
    auto moved = cls.files.extract("send_0307Bo_Chen.txt");
    moved.key() = "send_0306Bo_Chen.txt";
    moved.mapped() += std::string(records::kOpeningRule) + "\r\n  10:59:00\r\n";
    cls.files.insert(std::move(moved));
    return cls;
}

} // namespace qa::testing
