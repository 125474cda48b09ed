// The owners of base/: UniqueResource over HandleTraits (exactly one close, moves, reset), the
// one-line owners on real objects, ComPtr and ComScope.

#include <gtest/gtest.h>

#include <windows.h>

#include <thread>
#include <utility>
#include <vector>

#include "base/Com_win.h"
#include "base/Handles_win.h"
#include "base/ImageList_win.h"
#include "base/WinHttp_win.h"

namespace {

//--- UniqueResource: a handle type whose closes are recorded

std::vector<int> gClosed;

using FakeHandle = const int*;
constexpr int kA = 1, kB = 2;

BOOL WINAPI RecordClose(FakeHandle handle) {
    gClosed.push_back(*handle);
    return TRUE;
}

using UniqueFake = UniqueResource<HandleTraits<FakeHandle, RecordClose>>;

class UniqueResourceTest : public ::testing::Test {
protected:
    void SetUp() override { gClosed.clear(); }
};

TEST_F(UniqueResourceTest, ClosesWhatItOwnsOnceAtTheEndOfItsScope) {
    {
        UniqueFake a(&kA);
        UniqueFake none;
        EXPECT_TRUE(a);
        EXPECT_FALSE(none);
    }
    EXPECT_EQ(gClosed, std::vector<int>{kA});
}

TEST_F(UniqueResourceTest, AMoveHandsOverWithoutClosing) {
    {
        UniqueFake a(&kA);
        UniqueFake b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(b.get(), &kA);
        EXPECT_TRUE(gClosed.empty());

        UniqueFake c(&kB);
        c = std::move(b); // c's own handle goes first
        EXPECT_EQ(gClosed, std::vector<int>{kB});
        EXPECT_EQ(c.get(), &kA);

        auto& self = c;
        c = std::move(self);
        EXPECT_EQ(c.get(), &kA);
        EXPECT_EQ(gClosed, std::vector<int>{kB});
    }
    EXPECT_EQ(gClosed, (std::vector<int>{kB, kA}));
}

TEST_F(UniqueResourceTest, ResetReleaseAndPut) {
    UniqueFake a(&kA);
    a.reset(&kB);
    EXPECT_EQ(gClosed, std::vector<int>{kA});
    a.reset();
    a.reset(); // nothing left to close
    EXPECT_EQ(gClosed, (std::vector<int>{kA, kB}));

    a.reset(&kA);
    EXPECT_EQ(a.release(), &kA);
    EXPECT_FALSE(a);

    a.reset(&kB);
    FakeHandle* slot = a.put(); // an out-parameter slot: what was owned is closed first
    EXPECT_EQ(*slot, nullptr);
    *slot = &kA;
    EXPECT_EQ(a.get(), &kA);
    EXPECT_EQ(gClosed, (std::vector<int>{kA, kB, kB}));
}

//--- the one-line owners close the real object

TEST(HandleOwners, CloseTheirObject) {
    constexpr wchar_t kEventName[] = L"Local\\RamBroomTest.OwnedEvent";
    UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, kEventName));
    ASSERT_TRUE(event);
    event.reset(); // the only handle: the named event is gone with it
    EXPECT_EQ(::OpenEventW(SYNCHRONIZE, FALSE, kEventName), nullptr);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    UniqueHbrush brush(::CreateSolidBrush(RGB(1, 2, 3)));
    const HBRUSH rawBrush = brush.get();
    ASSERT_EQ(::GetObjectType(rawBrush), static_cast<DWORD>(OBJ_BRUSH));
    brush.reset();
    EXPECT_EQ(::GetObjectType(rawBrush), 0u);

    UniqueHkey key;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.put()), ERROR_SUCCESS);
    const HKEY rawKey = key.get();
    key.reset();
    DWORD subKeys = 0;
    EXPECT_EQ(::RegQueryInfoKeyW(rawKey, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr),
              ERROR_INVALID_HANDLE);

    UniqueHinternet session(::WinHttpOpen(L"RamBroomTest", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                          WINHTTP_NO_PROXY_BYPASS, 0));
    ASSERT_TRUE(session);
    const HINTERNET rawSession = session.get();
    session.reset();
    DWORD timeout = 0, size = sizeof(timeout);
    EXPECT_FALSE(::WinHttpQueryOption(rawSession, WINHTTP_OPTION_CONNECT_TIMEOUT, &timeout, &size));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    // comctl32 leaves a destroyed list's handle dangling: only that the owner builds and runs.
    UniqueHimagelist images(::ImageList_Create(16, 16, ILC_COLOR32, 1, 1));
    EXPECT_TRUE(images);
}

//--- COM

// Counts its references; knows IUnknown only.
class CountedUnknown final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (!::IsEqualIID(iid, IID_IUnknown)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }

    ULONG references = 1; // the test's own
};

TEST(ComPtr, HoldsOneReferenceAndMovesIt) {
    CountedUnknown object;
    {
        ComPtr<IUnknown> first(&object);
        EXPECT_EQ(object.references, 2u);
        ComPtr<IUnknown> copy = first;
        EXPECT_EQ(object.references, 3u);
        ComPtr<IUnknown> moved = std::move(copy);
        EXPECT_EQ(object.references, 3u);
        EXPECT_EQ(copy.Get(), nullptr);

        ComPtr<IStream> stream;
        EXPECT_EQ(first.As(&stream), E_NOINTERFACE);
        EXPECT_EQ(stream.Get(), nullptr);
        EXPECT_EQ(object.references, 3u);

        moved.Reset();
        EXPECT_EQ(object.references, 2u);
    }
    EXPECT_EQ(object.references, 1u);
}

TEST(ComScope, InitialisesComForItsScopeOnly) {
    // A thread of its own: COM's state is per thread.
    std::thread([] {
        APTTYPE type{};
        APTTYPEQUALIFIER qualifier{};
        EXPECT_EQ(::CoGetApartmentType(&type, &qualifier), CO_E_NOTINITIALIZED);
        {
            ComScope com;
            EXPECT_TRUE(com.ok());
            EXPECT_EQ(::CoGetApartmentType(&type, &qualifier), S_OK);
            EXPECT_TRUE(type == APTTYPE_MAINSTA || type == APTTYPE_STA) << type;
            {
                ComScope nested; // S_FALSE: already initialised, still counted
                EXPECT_TRUE(nested.ok());
                EXPECT_EQ(nested.result(), S_FALSE);
            }
            EXPECT_EQ(::CoGetApartmentType(&type, &qualifier), S_OK);
        }
        EXPECT_EQ(::CoGetApartmentType(&type, &qualifier), CO_E_NOTINITIALIZED);
    }).join();
}

} // namespace
