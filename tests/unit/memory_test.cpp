// Memory engine against a recording fake of the three system calls. Replies are written and
// buffers checked byte by byte at the Win32 offsets, so a mirror laid out wrongly shows up here.

#include "memory/Memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
constexpr std::uint64_t kTiB = std::uint64_t{1} << 40;

void PutLittleEndian(std::uint8_t* at, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

//--- The fake

enum class CallKind { Status, Query, Set };

struct Call {
    CallKind kind;
    std::uint32_t infoClass; // 0 for GlobalMemoryStatusEx
    Bytes buffer;            // as the engine handed it over; its size is the length passed
    bool operator==(const Call&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Call& call) {
    static const char* const kKinds[] = {"GlobalMemoryStatusEx", "NtQuerySystemInformation", "NtSetSystemInformation"};
    out << kKinds[static_cast<int>(call.kind)] << "(" << call.infoClass << ", " << call.buffer.size() << " bytes:";
    for (const std::uint8_t byte : call.buffer) {
        out << ' ' << std::hex << std::setw(2) << std::setfill('0') << int{byte} << std::dec;
    }
    return out << ")";
}

// What GlobalMemoryStatusEx reports.
struct StatusFigures {
    std::uint64_t totalPhys = 0, availPhys = 0;
    std::uint64_t totalPage = 0, availPage = 0;
    std::uint64_t totalVirtual = 0, availVirtual = 0;
};

class RecordingSystem : public MemorySystem {
public:
    bool statusOk = true;  // false: GlobalMemoryStatusEx fails and writes nothing
    StatusFigures figures; // written at the MEMORYSTATUSEX offsets
    std::int32_t queryStatus = 0;
    Bytes queryReply; // written over the query buffer, whatever the status
    std::int32_t setStatus = 0;
    bool scribbleOnSet = false; // the system writes over each set buffer after reading it

    std::vector<Call> calls;

    bool GlobalMemoryStatusEx(MemoryStatusEx& Status) override {
        auto* raw = reinterpret_cast<std::uint8_t*>(&Status);
        calls.push_back({CallKind::Status, 0, Bytes(raw, raw + sizeof(Status))});
        if (statusOk) {
            PutLittleEndian(raw + 4, 0x77, 4); // dwMemoryLoad, not read by the engine
            PutLittleEndian(raw + 8, figures.totalPhys, 8);
            PutLittleEndian(raw + 16, figures.availPhys, 8);
            PutLittleEndian(raw + 24, figures.totalPage, 8);
            PutLittleEndian(raw + 32, figures.availPage, 8);
            PutLittleEndian(raw + 40, figures.totalVirtual, 8);
            PutLittleEndian(raw + 48, figures.availVirtual, 8);
            PutLittleEndian(raw + 56, 0x7777777777777777, 8); // ullAvailExtendedVirtual
        }
        return statusOk;
    }

    std::int32_t NtQuerySystemInformation(std::uint32_t InformationClass, void* Buffer, std::uint32_t Length) override {
        auto* raw = static_cast<std::uint8_t*>(Buffer);
        calls.push_back({CallKind::Query, InformationClass, Bytes(raw, raw + Length)});
        std::memcpy(raw, queryReply.data(), std::min<std::size_t>(queryReply.size(), Length));
        return queryStatus;
    }

    std::int32_t NtSetSystemInformation(std::uint32_t InformationClass, void* Buffer, std::uint32_t Length) override {
        auto* raw = static_cast<std::uint8_t*>(Buffer);
        calls.push_back({CallKind::Set, InformationClass, Bytes(raw, raw + Length)});
        if (scribbleOnSet) {
            std::memset(raw, 0xA5, Length);
        }
        return setStatus;
    }
};

//--- The two layouts of SYSTEM_FILECACHE_INFORMATION

template <typename SizeT> struct CacheLayout;
template <> struct CacheLayout<std::uint32_t> {
    static constexpr std::size_t kSize = 36;
    static constexpr std::size_t kMinimumWorkingSet = 12; // then MaximumWorkingSet
};
template <> struct CacheLayout<std::uint64_t> {
    static constexpr std::size_t kSize = 64;
    static constexpr std::size_t kMinimumWorkingSet = 24; // after PageFaultCount and 4 bytes of padding
};

// A query answer: CurrentSize and PeakSize in place, every other byte junk the engine must not read.
template <typename SizeT> Bytes CacheReply(std::uint64_t currentSize, std::uint64_t peakSize) {
    Bytes reply(CacheLayout<SizeT>::kSize, 0x5A);
    PutLittleEndian(reply.data(), currentSize, sizeof(SizeT));
    PutLittleEndian(reply.data() + sizeof(SizeT), peakSize, sizeof(SizeT));
    return reply;
}

template <typename SizeT> std::vector<Call> ExpectedPurge() {
    Bytes trim(CacheLayout<SizeT>::kSize, 0);
    std::memset(trim.data() + CacheLayout<SizeT>::kMinimumWorkingSet, 0xFF, 2 * sizeof(SizeT));
    return {
        {CallKind::Set, 21, trim},          {CallKind::Set, 80, {2, 0, 0, 0}}, // MemoryEmptyWorkingSets
        {CallKind::Set, 80, {5, 0, 0, 0}},                                     // MemoryPurgeLowPriorityStandbyList
        {CallKind::Set, 80, {4, 0, 0, 0}},                                     // MemoryPurgeStandbyList
        {CallKind::Set, 80, {3, 0, 0, 0}},                                     // MemoryFlushModifiedList
        {CallKind::Set, 130, Bytes(24, 0)},
    };
}

// What a caller might hold before the snapshot.
TMemoryUsage CallersRecord() {
    TMemoryUsage usage;
    usage.AvailPhys = usage.AvailPage = usage.AvailVirtual = 0xDEAD0001;
    usage.AvailWork = 0xDEAD0004;
    usage.TotalPhys = usage.TotalPage = usage.TotalVirtual = 0xDEAD0002;
    usage.TotalWork = 0xDEAD0008;
    usage.UsagePhys = usage.UsagePage = usage.UsageVirtual = -1.0f;
    usage.UsageWork = -12.0f;
    return usage;
}

//--- UsagePercent

TEST(UsagePercent, FollowsTheRule) {
    struct Case {
        const char* what;
        std::uint64_t used, total;
        double expected;
    };
    const Case cases[] = {
        {"nothing of nothing", 0, 0, 0.0},
        {"nothing used", 0, 8 * kGiB, 0.0},
        {"no total", 8 * kGiB, 0, 0.0},
        {"all of one byte", 1, 1, 100.0},
        {"all of 16 GiB", 16 * kGiB, 16 * kGiB, 100.0},
        {"all of 128 TiB and change (product above 2^53)", 128 * kTiB + 12345, 128 * kTiB + 12345, 100.0},
        {"a third, in double precision", 1, 3, 100.0 / 3.0},
        {"not clamped above 100", 3, 2, 150.0},
        {"the product wraps in 64 bits first", std::uint64_t{1} << 60, std::uint64_t{1} << 61, 2.0},
        {"both converted as unsigned", std::uint64_t{1} << 57, std::uint64_t{1} << 63, 1.5625},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(UsagePercent(c.used, c.total), c.expected);
    }
}

//--- Snapshot and purge, in both layouts

template <typename SizeT> class MemoryEngine : public ::testing::Test {
protected:
    static constexpr std::size_t kCacheSize = CacheLayout<SizeT>::kSize;

    MemoryEngine() {
        system.figures = {.totalPhys = 16 * kGiB,
                          .availPhys = 4 * kGiB, // 75 %
                          .totalPage = 40 * kGiB,
                          .availPage = 36 * kGiB, // 10 %
                          .totalVirtual = 5 * kTiB,
                          .availVirtual = 4 * kTiB};                   // 20 %
        SetCache(std::uint64_t{300} << 20, std::uint64_t{1200} << 20); // 25 %
    }

    void SetCache(std::uint64_t currentSize, std::uint64_t peakSize) {
        system.queryReply = CacheReply<SizeT>(currentSize, peakSize);
    }
    void Snapshot() { memory_detail::GetMemoryUsageT<SizeT>(system, usage); }
    void Purge() { memory_detail::PurgeMemoryT<SizeT>(system); }

    void ExpectStatusFiguresCopied() {
        EXPECT_EQ(usage.AvailPhys, 4 * kGiB);
        EXPECT_EQ(usage.AvailPage, 36 * kGiB);
        EXPECT_EQ(usage.AvailVirtual, 4 * kTiB);
        EXPECT_EQ(usage.TotalPhys, 16 * kGiB);
        EXPECT_EQ(usage.TotalPage, 40 * kGiB);
        EXPECT_EQ(usage.TotalVirtual, 5 * kTiB);
        EXPECT_EQ(usage.UsagePhys, 75.0f);
        EXPECT_EQ(usage.UsagePage, 10.0f);
        EXPECT_EQ(usage.UsageVirtual, 20.0f);
    }

    RecordingSystem system;
    TMemoryUsage usage = CallersRecord();
};

struct LayoutName {
    template <typename SizeT> static std::string GetName(int) { return sizeof(SizeT) == 4 ? "Layout32" : "Layout64"; }
};
using Layouts = ::testing::Types<std::uint32_t, std::uint64_t>;
TYPED_TEST_SUITE(MemoryEngine, Layouts, LayoutName);

TYPED_TEST(MemoryEngine, SnapshotFillsEveryField) {
    this->Snapshot();

    this->ExpectStatusFiguresCopied();
    EXPECT_EQ(this->usage.AvailWork, std::uint64_t{900} << 20);
    EXPECT_EQ(this->usage.TotalWork, std::uint64_t{1200} << 20);
    EXPECT_EQ(this->usage.UsageWork, 25.0f);
}

TYPED_TEST(MemoryEngine, SnapshotHandsZeroedBuffersToExactlyTwoCalls) {
    this->Snapshot();

    Bytes status(64, 0);
    status[0] = 64; // dwLength
    const std::vector<Call> expected = {
        {CallKind::Status, 0, status},
        {CallKind::Query, 21, Bytes(this->kCacheSize, 0)},
    };
    EXPECT_EQ(this->system.calls, expected);
}

TYPED_TEST(MemoryEngine, SubtractsFreeFromTotalUnsigned) {
    this->system.figures.totalPhys = 1000;
    this->system.figures.availPhys = 3000;

    this->Snapshot();

    EXPECT_EQ(this->usage.AvailPhys, 3000u);
    EXPECT_EQ(this->usage.TotalPhys, 1000u);
    // (1000 - 3000) wraps to 2^64 - 2000, and its product with 100 to 2^64 - 200000.
    EXPECT_EQ(this->usage.UsagePhys, static_cast<float>(static_cast<double>(std::uint64_t{0} - 200000) / 1000.0));
}

TYPED_TEST(MemoryEngine, FileCacheRoomWrapsInTheWidthOfItsSizeFields) {
    this->SetCache(10, 5); // CurrentSize above PeakSize

    this->Snapshot();

    const std::uint64_t room = sizeof(TypeParam) == 4 ? 0xFFFFFFFBu : 0xFFFFFFFFFFFFFFFBu;
    EXPECT_EQ(this->usage.AvailWork, room);
    EXPECT_EQ(this->usage.TotalWork, 5u);
    EXPECT_EQ(this->usage.UsageWork, static_cast<float>(static_cast<double>((5 - room) * 100) / 5.0));
}

TYPED_TEST(MemoryEngine, FileCacheAtItsPeak) {
    this->SetCache(1 * kGiB, 1 * kGiB);

    this->Snapshot();

    EXPECT_EQ(this->usage.AvailWork, 0u);
    EXPECT_EQ(this->usage.TotalWork, 1 * kGiB);
    EXPECT_EQ(this->usage.UsageWork, 100.0f);
}

TYPED_TEST(MemoryEngine, NoPageFileTotalMeansNoPageFileUsage) {
    this->system.figures.totalPage = 0;
    this->system.figures.availPage = 12345;

    this->Snapshot();

    EXPECT_EQ(this->usage.AvailPage, 12345u);
    EXPECT_EQ(this->usage.TotalPage, 0u);
    EXPECT_EQ(this->usage.UsagePage, 0.0f);
}

TYPED_TEST(MemoryEngine, FailedStatusCallReadsZero) {
    this->system.statusOk = false;

    this->Snapshot();

    EXPECT_EQ(this->usage.AvailPhys, 0u);
    EXPECT_EQ(this->usage.AvailPage, 0u);
    EXPECT_EQ(this->usage.AvailVirtual, 0u);
    EXPECT_EQ(this->usage.TotalPhys, 0u);
    EXPECT_EQ(this->usage.TotalPage, 0u);
    EXPECT_EQ(this->usage.TotalVirtual, 0u);
    EXPECT_EQ(this->usage.UsagePhys, 0.0f);
    EXPECT_EQ(this->usage.UsagePage, 0.0f);
    EXPECT_EQ(this->usage.UsageVirtual, 0.0f);
    EXPECT_EQ(this->usage.TotalWork, std::uint64_t{1200} << 20);
    EXPECT_EQ(this->usage.UsageWork, 25.0f);
}

TYPED_TEST(MemoryEngine, FailedFileCacheQueryKeepsTheCallersWorkFields) {
    // Only 0 is success: informational and warning statuses fail the query too. The reply the
    // fake writes into the buffer anyway must not be read.
    const std::uint32_t statuses[] = {
        0xC0000004, // STATUS_INFO_LENGTH_MISMATCH
        0xC0000022, // STATUS_ACCESS_DENIED
        0x80000005, // STATUS_BUFFER_OVERFLOW
        0x00000103, // STATUS_PENDING
    };
    for (const std::uint32_t status : statuses) {
        SCOPED_TRACE(::testing::Message() << "status 0x" << std::hex << status);
        this->system.queryStatus = static_cast<std::int32_t>(status);
        this->usage = CallersRecord();

        this->Snapshot();

        this->ExpectStatusFiguresCopied();
        EXPECT_EQ(this->usage.AvailWork, CallersRecord().AvailWork);
        EXPECT_EQ(this->usage.TotalWork, CallersRecord().TotalWork);
        EXPECT_EQ(this->usage.UsageWork, CallersRecord().UsageWork);
    }
}

TYPED_TEST(MemoryEngine, PurgeSendsTheSixRequestsInOrder) {
    this->Purge();

    EXPECT_EQ(this->system.calls, ExpectedPurge<TypeParam>());
}

TYPED_TEST(MemoryEngine, PurgeSendsEveryRequestWhenEachOneFails) {
    const std::uint32_t statuses[] = {
        0xC0000061, // STATUS_PRIVILEGE_NOT_HELD
        0xC0000003, // STATUS_INVALID_INFO_CLASS, an older system
        0xC0000004, // STATUS_INFO_LENGTH_MISMATCH
    };
    for (const std::uint32_t status : statuses) {
        SCOPED_TRACE(::testing::Message() << "status 0x" << std::hex << status);
        this->system.calls.clear();
        this->system.setStatus = static_cast<std::int32_t>(status);
        this->system.scribbleOnSet = true;

        this->Purge();

        EXPECT_EQ(this->system.calls, ExpectedPurge<TypeParam>());
    }
}

TEST(MemoryEntryPoints, UseTheLayoutOfTheBuild) {
    const std::size_t cacheSize = sizeof(void*) == 8 ? 64 : 36;
    RecordingSystem system;
    system.queryReply = Bytes(cacheSize, 0);
    TMemoryUsage usage = CallersRecord();

    GetMemoryUsage(system, usage);
    PurgeMemory(system);

    ASSERT_EQ(system.calls.size(), 8u);
    EXPECT_EQ(system.calls[1].buffer.size(), cacheSize);
    EXPECT_EQ(system.calls[2].buffer.size(), cacheSize);
    EXPECT_EQ(system.calls[7].buffer.size(), 24u);
}

} // namespace
