#include <gtest/gtest.h>

#include "app/AutoClean.h"

namespace {

const TDateTime kStart = EncodeDateTime(2026, 12, 10, 12, 0, 0, 0);
TDateTime After(int seconds) { return kStart + seconds / 86400.0; }

AutoCleanInputs Inputs(int secondsSinceNextTime) {
    AutoCleanInputs in;
    in.nextTime = kStart;
    in.now = After(secondsSinceNextTime);
    in.usagePhys = 50;
    in.usagePage = 40;
    in.usageWork = 30;
    in.phys.text = L"90";
    in.page.text = L"90";
    in.work.text = L"90";
    in.minute.text = L"30";
    return in;
}

struct Case {
    const char* what;
    AutoCleanInputs in;
    bool due;
};

Case With(const char* what, AutoCleanInputs in, bool due) { return {what, in, due}; }

TEST(AutoClean, DecisionTable) {
    std::vector<Case> cases;
    auto in = Inputs(400);
    cases.push_back(With("all boxes unticked", in, false));

    in = Inputs(400);
    in.phys.ticked = true;
    in.usagePhys = 90.0f;
    cases.push_back(With("physical usage equal to the threshold", in, true));
    in.usagePhys = 89.99f;
    cases.push_back(With("physical usage just below", in, false));
    in.phys.ticked = false;
    in.usagePhys = 99.0f;
    cases.push_back(With("reached but unticked", in, false));

    in = Inputs(400);
    in.page.ticked = true;
    in.usagePage = 91.0f;
    cases.push_back(With("page-file threshold", in, true));

    in = Inputs(400);
    in.work.ticked = true;
    in.work.text = L"30";
    in.usageWork = 30.0f;
    cases.push_back(With("file-cache threshold", in, true));

    in = Inputs(400);
    in.phys.ticked = true;
    in.phys.text = L"";
    in.usagePhys = 99.9f;
    cases.push_back(With("no selection: threshold 100 not reached", in, false));
    in.usagePhys = 100.0f;
    cases.push_back(With("no selection: 100 reached", in, true));
    in.phys.text = L"abc";
    cases.push_back(With("unparsable text counts as 100", in, true));

    in = Inputs(1799);
    in.minute.ticked = true;
    cases.push_back(With("interval 30 min not yet passed", in, false));
    in.now = After(1800);
    cases.push_back(With("interval 30 min passed", in, true));

    in = Inputs(300);
    in.minute.ticked = true;
    in.minute.text = L"5";
    cases.push_back(With("5 min interval coincides with the cooldown", in, true));
    in.now = After(299);
    cases.push_back(With("5 min interval one second early", in, false));

    in = Inputs(86399);
    in.minute.ticked = true;
    in.minute.text = L"";
    cases.push_back(With("no interval selection: 1440 min not passed", in, false));
    in.now = After(86400);
    cases.push_back(With("no interval selection: 1440 min passed", in, true));

    in = Inputs(400);
    in.minute.ticked = true;
    in.minute.text = L"-9223372036854775808";
    cases.push_back(With("the most negative interval has always passed", in, true));
    in.minute.text = L"9223372036854775807";
    cases.push_back(With("the largest interval never passes", in, false));

    in = Inputs(299);
    in.phys.ticked = in.page.ticked = in.work.ticked = in.minute.ticked = true;
    in.usagePhys = in.usagePage = in.usageWork = 100;
    in.minute.text = L"0";
    cases.push_back(With("cooldown overrides everything", in, false));
    in.now = After(300);
    cases.push_back(With("cooldown over", in, true));
    in.isRunning = true;
    cases.push_back(With("a job is running", in, false));

    in = Inputs(0);
    in.phys.ticked = true;
    in.usagePhys = 95;
    in.now = kStart;
    in.nextTime = After(600);
    cases.push_back(With("reference time in the future counts like the past", in, true));
    in.nextTime = After(200);
    cases.push_back(With("reference time 200 s in the future", in, false));

    for (const auto& c : cases) {
        EXPECT_EQ(IsAutoCleanDue(c.in), c.due) << c.what;
    }
}

TEST(AutoClean, HugeIntervalNeverPassesInsteadOfOverflowing) {
    auto in = Inputs(400);
    in.minute.ticked = true;
    in.minute.text = L"9223372036854775807";
    EXPECT_FALSE(IsAutoCleanDue(in));
}

TEST(ParseInt64, ReadsListTextsLikeTheRuntime) {
    struct P {
        const wchar_t* text;
        std::optional<std::int64_t> value;
    } cases[] = {
        {L"90", 90},
        {L"  30", 30},
        {L"+5", 5},
        {L"-7", -7},
        {L"$1F", 31},
        {L"0x10", 16},
        {L"9223372036854775807", INT64_MAX},
        {L"-9223372036854775808", INT64_MIN},
        {L"9223372036854775808", std::nullopt},
        {L"", std::nullopt},
        {L"30 ", std::nullopt},
        {L"3O", std::nullopt},
        {L"-", std::nullopt},
        {L"$", std::nullopt},
        {L"1.5", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseInt64(c.text), c.value) << std::wstring(c.text).size();
    }
}

} // namespace
