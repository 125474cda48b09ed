#pragma once
// A small base for recording fakes of COM interfaces: reference counting, QueryInterface for the
// interface and its bases, IDispatch refused, and one call log that every fake writes to and
// from which a test can make one named call fail.

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

struct CallLog {
    std::vector<std::string> calls;
    std::string failAt; // the call that answers E_FAIL, by its logged name (without the value)

    static CallLog& Current() {
        static CallLog log;
        return log;
    }
    // Logs "Interface::Method value"; answers E_FAIL when this is the call to fail.
    HRESULT Call(const std::string& name, const std::string& value = {}) {
        calls.push_back(value.empty() ? name : name + " " + value);
        return name == failAt ? E_FAIL : S_OK;
    }
};

// A method the code under test was not expected to call.
inline HRESULT Unexpected(const char* name) {
    CallLog::Current().calls.push_back(std::string("UNEXPECTED ") + name);
    return E_NOTIMPL;
}

template <typename Interface, typename... Bases> class FakeDispatch : public Interface {
public:
    virtual ~FakeDispatch() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(Interface) ||
            ((riid == __uuidof(Bases)) || ...)) {
            *out = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

private:
    ULONG references_ = 1;
};
