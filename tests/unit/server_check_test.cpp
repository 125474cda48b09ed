#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "update/JsonField.h"
#include "update/ServerCheck.h"

namespace {

// Attempts answer from a script; the pause's slices are counted, not slept.
class FakeSystem : public ServerCheckSystem {
public:
    std::vector<bool> outcomes; // per attempt; attempts past the end fail
    std::wstring body = L"{}";
    bool writesOnFailure = false; // a failed attempt leaves a partial body behind
    int stopAfterSlices = -1;     // the stop request comes once this many slices were slept
    bool stopNow = false;

    int attempts = 0;
    int slices = 0;
    unsigned sleptMs = 0;
    int stopChecks = 0;
    int uidReads = 0;
    std::vector<HttpHeaders> requests;

    std::wstring AppVersion() override { return L"1.9.3.0"; }
    std::wstring Uid() override {
        ++uidReads;
        return L"0123456789ABCDEF0123456789ABCDEF";
    }
    bool HttpGet(const HttpHeaders& headers, std::wstring& response) override {
        requests.push_back(headers);
        const bool ok = attempts < static_cast<int>(outcomes.size()) && outcomes[attempts];
        ++attempts;
        if (ok) {
            response = body;
        } else if (writesOnFailure) {
            response = L"{\"update\":\"https://partial.example/";
        }
        return ok;
    }
    bool StopRequested() override {
        ++stopChecks;
        return stopNow || (stopAfterSlices >= 0 && slices >= stopAfterSlices);
    }
    void Sleep(unsigned milliseconds) override {
        ++slices;
        sleptMs += milliseconds;
    }
};

// Records what the handler shows, in order, in one log shared with the callback.
class RecordingPrompts : public UpdatePrompts {
public:
    explicit RecordingPrompts(std::vector<std::wstring>& log) : log_(log) {}
    bool answerYes = false;
    bool throwInDialog = false;
    FakeSystem* stopDuringDialog = nullptr;

    bool UpdateDialog(const std::wstring&) override {
        log_.push_back(L"prompt");
        if (throwInDialog) {
            throw EConvertError("malformed escape in info");
        }
        if (stopDuringDialog) {
            stopDuringDialog->stopNow = true;
        }
        return answerYes;
    }
    void ShowUpdateStatus(const std::wstring& URL) override { log_.push_back(L"status " + URL); }
    void OpenUrl(const std::wstring& URL) override { log_.push_back(L"open " + URL); }

private:
    std::vector<std::wstring>& log_;
};

// Runs handed-over work in place, or refuses it as a UI thread whose window is gone does.
class InPlaceUi : public UiThread {
public:
    bool windowAlive = true;
    int sends = 0;
    bool Send(std::function<void()> work) override {
        ++sends;
        if (!windowAlive) {
            return false;
        }
        work();
        return true;
    }
    bool Post(std::function<void()> work) override { return Send(std::move(work)); }
};

TEST(ServerCheckHeaders, CheckRequestCarriesItsFourHeadersInOrder) {
    const HttpHeaders expected = {{L"User-Version", L"1.9.3.0"},
                                  {L"User-Language", L"ko"},
                                  {L"User-Debug", L"false"},
                                  {L"User-Union", L"0123456789ABCDEF0123456789ABCDEF"}};
    EXPECT_EQ(CheckRequestHeaders(L"1.9.3.0", L"ko", false, L"0123456789ABCDEF0123456789ABCDEF"), expected);

    const HttpHeaders debugNoUid = CheckRequestHeaders(L"1.9.3.0", L"en", true, L"");
    ASSERT_EQ(debugNoUid.size(), 4u);
    EXPECT_EQ(debugNoUid[2], (std::pair<std::wstring, std::wstring>{L"User-Debug", L"true"}));
    // An unusable registry still sends the header, empty.
    EXPECT_EQ(debugNoUid[3], (std::pair<std::wstring, std::wstring>{L"User-Union", L""}));
}

TEST(ServerCheckHeaders, HoldCommandCarriesOnlyVersionAndCommand) {
    const HttpHeaders expected = {{L"User-Version", L"1.9.3.0"}, {L"User-Command", L"hold"}};
    EXPECT_EQ(HoldCommandHeaders(L"1.9.3.0"), expected);
}

struct FetchCase {
    const char* name;
    std::vector<bool> outcomes;
    bool writesOnFailure;
    int attempts;
    int slices;
    bool answered; // the body, else empty
};

void PrintTo(const FetchCase& c, std::ostream* os) { *os << c.name; }

class FetchAnswerTest : public testing::TestWithParam<FetchCase> {};

TEST_P(FetchAnswerTest, AttemptsAndPauses) {
    const FetchCase& c = GetParam();
    FakeSystem system;
    system.outcomes = c.outcomes;
    system.writesOnFailure = c.writesOnFailure;
    system.body = L"<html>404 Not Found</html>";
    const HttpHeaders headers = HoldCommandHeaders(L"1.9.3.0");

    const std::optional<std::wstring> answer = FetchAnswer(system, headers);

    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, c.answered ? system.body : L"");
    EXPECT_EQ(system.attempts, c.attempts);
    EXPECT_EQ(system.slices, c.slices);
    EXPECT_EQ(system.sleptMs, static_cast<unsigned>(c.slices) * 10u);
    // Every slice is preceded by a stop check.
    EXPECT_EQ(system.stopChecks, c.slices);
    for (const HttpHeaders& sent : system.requests) {
        EXPECT_EQ(sent, headers);
    }
}

INSTANTIATE_TEST_SUITE_P(
    ServerCheck, FetchAnswerTest,
    testing::Values(
        // Any answer counts, an error page too: no retry.
        FetchCase{"FirstAnswerAtOnce", {true}, false, 1, 0, true},
        FetchCase{"OneFailureOnePauseOfTenSeconds", {false, true}, false, 2, 1000, true},
        FetchCase{"FifthFailureThenAnswer", {false, false, false, false, false, true}, false, 6, 5000, true},
        // The sixth failure is paused after too, then the handler gets an empty answer.
        FetchCase{"SixFailuresSixPausesEmptyAnswer", {}, false, 6, 6000, false},
        FetchCase{"PartialBodiesOfFailedAttemptsAreNotKept", {}, true, 6, 6000, false}),
    [](const testing::TestParamInfo<FetchCase>& info) { return info.param.name; });

TEST(ServerCheck, StopDuringAPauseEndsTheWorkerWithinOneSlice) {
    FakeSystem system;
    system.stopAfterSlices = 250;
    EXPECT_FALSE(FetchAnswer(system, {}).has_value());
    EXPECT_EQ(system.attempts, 1);
    EXPECT_EQ(system.slices, 250);
}

TEST(ServerCheck, StopDuringAnAttemptEndsBeforeThePause) {
    FakeSystem system;
    system.stopNow = true; // the program began to quit while the first GET ran
    EXPECT_FALSE(FetchAnswer(system, {}).has_value());
    EXPECT_EQ(system.attempts, 1);
    EXPECT_EQ(system.slices, 0);
}

struct HandlerCase {
    const char* name;
    std::wstring data;
    bool answerYes;
    std::vector<std::wstring> log;
};

void PrintTo(const HandlerCase& c, std::ostream* os) { *os << c.name; }

class HandleCheckResultTest : public testing::TestWithParam<HandlerCase> {};

TEST_P(HandleCheckResultTest, ShowsOpensAndCallsBackInOrder) {
    const HandlerCase& c = GetParam();
    std::vector<std::wstring> log;
    FakeSystem system;
    RecordingPrompts prompts(log);
    prompts.answerYes = c.answerYes;
    std::wstring calledWith = L"(not called)";

    HandleCheckResult(c.data, prompts, system, [&](bool accepted, const std::wstring& Data) {
        log.push_back(accepted ? L"callback accepted" : L"callback declined");
        calledWith = Data;
    });

    EXPECT_EQ(log, c.log);
    const bool calledBack = !log.empty() && log.back().rfind(L"callback", 0) == 0;
    if (calledBack) {
        EXPECT_EQ(calledWith, c.data);
    }
}

const std::wstring kBoth = LR"({"update":"https://dl.example.com/rb.exe","notify":"https://example.com/notice"})";

INSTANTIATE_TEST_SUITE_P(
    ServerCheck, HandleCheckResultTest,
    testing::Values(
        HandlerCase{"UpdateAcceptedThenNoticeThenCallback",
                    kBoth,
                    true,
                    {L"prompt", L"open https://dl.example.com/rb.exe", L"status https://example.com/notice",
                     L"callback accepted"}},
        HandlerCase{"UpdateDeclinedOpensNothing",
                    kBoth,
                    false,
                    {L"prompt", L"status https://example.com/notice", L"callback declined"}},
        HandlerCase{"OnlyNotice",
                    LR"({"notify":"http://example.com/n"})",
                    true,
                    {L"status http://example.com/n", L"callback declined"}},
        HandlerCase{"EscapedSlashesAreResolvedBeforeOpening",
                    LR"({"update":"https:\/\/dl.example.com\/a\u0062c"})",
                    true,
                    {L"prompt", L"open https://dl.example.com/abc", L"callback accepted"}},
        // The reader takes no blank between the key's colon and the value.
        HandlerCase{"BlankAfterTheColonIsNoUpdate",
                    LR"({"update": "https://dl.example.com/rb.exe"})",
                    true,
                    {L"callback declined"}},
        HandlerCase{"ErrorPageIsAnAnswerWithNothingInIt",
                    L"<html><body><h1>404 Not Found</h1></body></html>",
                    true,
                    {L"callback declined"}},
        HandlerCase{"NoAnswerAfterSixFailures", L"", true, {L"callback declined"}},
        HandlerCase{"EmptyFields", LR"({"update":"","notify":""})", true, {L"callback declined"}},
        // Server addresses that are not web addresses are neither offered nor opened nor shown.
        HandlerCase{
            "UpdateFileUrl", LR"({"update":"file:///C:/Windows/System32/calc.exe"})", true, {L"callback declined"}},
        HandlerCase{"UpdatePath", LR"({"update":"C:\\Windows\\System32\\calc.exe"})", true, {L"callback declined"}},
        HandlerCase{"UpdateCommand", LR"({"update":"calc.exe"})", true, {L"callback declined"}},
        HandlerCase{"UpdateScript", LR"j({"update":"javascript:alert(1)"})j", true, {L"callback declined"}},
        HandlerCase{
            "UpdateSchemeRelative", LR"({"update":"\/\/dl.example.com\/rb.exe"})", true, {L"callback declined"}},
        HandlerCase{"NoticeOtherScheme",
                    LR"({"update":"https://dl.example.com/rb.exe","notify":"ms-settings:windowsupdate"})",
                    true,
                    {L"prompt", L"open https://dl.example.com/rb.exe", L"callback accepted"}},
        HandlerCase{"NoticeFileUrl", LR"({"notify":"file://server/share/x.hta"})", true, {L"callback declined"}},
        // A malformed escape ends the handler where it is read: no callback.
        HandlerCase{"MalformedEscapeInUpdate",
                    LR"({"update":"https://x.example/\uZZZZ","notify":"https://n.example/"})",
                    true,
                    {}},
        HandlerCase{"MalformedEscapeInNotice",
                    LR"({"update":"https://dl.example.com/rb.exe","notify":"https://n.example/\u"})",
                    true,
                    {L"prompt", L"open https://dl.example.com/rb.exe"}}),
    [](const testing::TestParamInfo<HandlerCase>& info) { return info.param.name; });

TEST(ServerCheck, MalformedEscapeInThePromptsInfoEndsTheHandler) {
    std::vector<std::wstring> log;
    FakeSystem system;
    RecordingPrompts prompts(log);
    prompts.throwInDialog = true;
    HandleCheckResult(kBoth, prompts, system, [&](bool, const std::wstring&) { log.push_back(L"callback"); });
    EXPECT_EQ(log, std::vector<std::wstring>{L"prompt"});
}

TEST(ServerCheck, WindowClosedWhileThePromptIsOpenOpensTheAcceptedPageOnly) {
    std::vector<std::wstring> log;
    FakeSystem system;
    RecordingPrompts prompts(log);
    prompts.answerYes = true;
    prompts.stopDuringDialog = &system;
    HandleCheckResult(kBoth, prompts, system, [&](bool, const std::wstring&) { log.push_back(L"callback"); });
    EXPECT_EQ(log, (std::vector<std::wstring>{L"prompt", L"open https://dl.example.com/rb.exe"}));
}

TEST(ServerCheck, WithoutCallbackTheHandlerStillShowsTheNotice) {
    std::vector<std::wstring> log;
    FakeSystem system;
    RecordingPrompts prompts(log);
    HandleCheckResult(kBoth, prompts, system, nullptr);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"prompt", L"status https://example.com/notice"}));
}

class RunServerCheckTest : public testing::Test {
protected:
    std::vector<std::wstring> log;
    FakeSystem system;
    RecordingPrompts prompts{log};
    std::shared_ptr<InPlaceUi> ui = std::make_shared<InPlaceUi>();

    ServerCheckJob Job() {
        ServerCheckJob job;
        job.language = L"fr";
        job.debug = false;
        job.ui = ui;
        job.prompts = &prompts;
        job.AProc = [this](bool accepted, const std::wstring& Data) {
            log.push_back((accepted ? L"callback accepted " : L"callback declined ") + Data);
        };
        return job;
    }
};

TEST_F(RunServerCheckTest, SendsTheHeadersOnceAndHandsTheAnswerToTheUiThread) {
    system.outcomes = {true};
    system.body = LR"({"notify":"https://example.com/n"})";
    RunServerCheck(system, Job());
    ASSERT_EQ(system.requests.size(), 1u);
    EXPECT_EQ(system.requests[0], CheckRequestHeaders(L"1.9.3.0", L"fr", false, L"0123456789ABCDEF0123456789ABCDEF"));
    EXPECT_EQ(system.uidReads, 1);
    EXPECT_EQ(ui->sends, 1);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"status https://example.com/n", L"callback declined " + system.body}));
}

TEST_F(RunServerCheckTest, TheSameHeadersOnEveryAttempt) {
    system.outcomes = {false, false, true};
    RunServerCheck(system, Job());
    ASSERT_EQ(system.requests.size(), 3u);
    EXPECT_EQ(system.requests[2], system.requests[0]);
    EXPECT_EQ(system.uidReads, 1);
}

TEST_F(RunServerCheckTest, SixFailuresStillCallBackWithAnEmptyAnswer) {
    RunServerCheck(system, Job());
    EXPECT_EQ(system.attempts, 6);
    EXPECT_EQ(log, std::vector<std::wstring>{L"callback declined "});
}

TEST_F(RunServerCheckTest, StopDuringAPauseHandsNothingOver) {
    system.stopAfterSlices = 10;
    RunServerCheck(system, Job());
    EXPECT_EQ(ui->sends, 0);
    EXPECT_TRUE(log.empty());
}

TEST_F(RunServerCheckTest, WindowGoneDropsTheHandler) {
    system.outcomes = {true};
    system.body = kBoth;
    ui->windowAlive = false;
    RunServerCheck(system, Job());
    EXPECT_EQ(ui->sends, 1);
    EXPECT_TRUE(log.empty()); // no prompt, no notice, no callback
}

TEST(ServerCheck, HoldCommandIsOneRequestWithoutRetry) {
    FakeSystem system;
    RunHoldCommand(system);
    ASSERT_EQ(system.requests.size(), 1u);
    EXPECT_EQ(system.requests[0], HoldCommandHeaders(L"1.9.3.0"));
    EXPECT_EQ(system.slices, 0);
}

} // namespace
