#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>
#include <system_error>
#include <string>
#include <vector>

#include "app/CleaningJob.h"

namespace {

// Hand-over that queues work until the test runs it, like a busy UI thread.
class QueuedUi : public UiThread {
public:
    bool alive = true;
    std::deque<std::function<void()>> queue;
    bool Send(std::function<void()> work) override {
        if (!alive) {
            return false;
        }
        queue.push_back(std::move(work));
        return true;
    }
    bool Post(std::function<void()> work) override { return Send(std::move(work)); }
    void RunAll() {
        while (!queue.empty()) {
            auto work = std::move(queue.front());
            queue.pop_front();
            work();
        }
    }
};

class RecordingWindow : public CleaningWindow {
public:
    std::vector<std::string> events;
    bool running = false;
    bool IsRunning() const override { return running; }
    void SetIsRunning(bool value) override {
        running = value;
        events.push_back(value ? "busy" : "idle");
    }
    void CleaningDone(bool alarm) override {
        events.push_back(alarm ? "done+notify" : "done");
        SetIsRunning(false);
    }
};

struct Fixture : ::testing::Test {
    std::shared_ptr<QueuedUi> ui = std::make_shared<QueuedUi>();
    std::vector<std::function<void()>> workers; // started threads, run by the test
    int purges = 0;
    CleaningServices Services(std::function<void()> purge = nullptr) {
        if (!purge) {
            purge = [this] { ++purges; };
        }
        return {ui, purge, [this](std::function<void()> work) {
                    workers.push_back(std::move(work));
                    return true;
                }};
    }
    void RunWorkers() {
        for (auto& w : workers) {
            w();
        }
        workers.clear();
    }
};

using Events = std::vector<std::string>;

TEST_F(Fixture, BusyBeforeThePurgeAndIdleOnlyThroughTheUiThread) {
    RecordingWindow window;
    ASSERT_TRUE(StartCleaning(window, false, Services()));
    EXPECT_EQ(window.events, (Events{"busy"}));
    RunWorkers();
    EXPECT_EQ(purges, 1);
    EXPECT_EQ(window.events, (Events{"busy"})) << "the worker must not touch the window itself";
    ui->RunAll();
    EXPECT_EQ(window.events, (Events{"busy", "done", "idle"}));
}

TEST_F(Fixture, AlarmReachesTheCompletionStep) {
    RecordingWindow window;
    StartCleaning(window, true, Services());
    RunWorkers();
    ui->RunAll();
    EXPECT_EQ(window.events, (Events{"busy", "done+notify", "idle"}));
}

TEST_F(Fixture, SecondStartWhileBusyIsRefused) {
    RecordingWindow window;
    StartCleaning(window, false, Services());
    EXPECT_FALSE(StartCleaning(window, true, Services()));
    EXPECT_EQ(workers.size(), 1u);
}

TEST_F(Fixture, ThrowingPurgeStillCompletes) {
    RecordingWindow window;
    StartCleaning(window, false, Services([] { throw std::runtime_error("refused"); }));
    RunWorkers();
    ui->RunAll();
    EXPECT_EQ(window.events, (Events{"busy", "done", "idle"}));
}

TEST_F(Fixture, CompletionAfterTheWindowIsGoneIsDropped) {
    auto window = std::make_unique<RecordingWindow>();
    StartCleaning(*window, false, Services());
    window.reset();
    ui->alive = false; // the window was destroyed while the purge ran
    RunWorkers();
    EXPECT_TRUE(ui->queue.empty());
}

// A worker that never started freed nothing: back to idle at once, and a click on the tray
// icon (alarm) gets no notification saying memory was freed.
TEST_F(Fixture, NoThreadMeansBackToIdleAtOnceWithoutNotification) {
    const std::function<bool(std::function<void()>)> failures[] = {
        [](std::function<void()>) -> bool {
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        },
        [](std::function<void()>) { return false; },
    };
    for (const auto& startWorker : failures) {
        for (bool alarm : {false, true}) {
            RecordingWindow window;
            CleaningServices services = Services();
            services.startWorker = startWorker;
            EXPECT_FALSE(StartCleaning(window, alarm, services));
            EXPECT_EQ(window.events, (Events{"busy", "done", "idle"})) << "alarm " << alarm;
            EXPECT_FALSE(window.running);
        }
    }
}

} // namespace
