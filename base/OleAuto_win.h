#pragma once
// Owners of the OLE Automation values that dual COM interfaces pass: BSTR and VARIANT. Targets
// that use them link oleaut32.

#include <windows.h>
#include <oleauto.h>

#include <string_view>

#include "base/UniqueResource.h"

using UniqueBstr = UniqueResource<HandleTraits<BSTR, ::SysFreeString>>;

// A BSTR copy of the text, embedded nulls kept; null when out of memory. An empty text gives an
// empty BSTR, not null (some servers tell the two apart).
inline UniqueBstr MakeBstr(std::wstring_view text) noexcept {
    return UniqueBstr(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

// A VARIANT cleared (VariantClear frees a BSTR or releases an interface it holds) when it goes.
// Starts VT_EMPTY.
class UniqueVariant {
public:
    UniqueVariant() noexcept { ::VariantInit(&value_); }
    ~UniqueVariant() { ::VariantClear(&value_); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;

    // For an [in] VARIANT passed by value: the callee copies what it keeps.
    const VARIANT& get() const noexcept { return value_; }

    // For an [out] VARIANT: clears what is held and hands out the slot.
    VARIANT* put() noexcept {
        ::VariantClear(&value_);
        return &value_;
    }

    void SetInt32(LONG value) noexcept {
        ::VariantClear(&value_);
        V_VT(&value_) = VT_I4;
        V_I4(&value_) = value;
    }

    // VT_BSTR; E_OUTOFMEMORY leaves it VT_EMPTY.
    HRESULT SetText(std::wstring_view text) noexcept {
        UniqueBstr copy = MakeBstr(text);
        if (!copy) {
            return E_OUTOFMEMORY;
        }
        ::VariantClear(&value_);
        V_VT(&value_) = VT_BSTR;
        V_BSTR(&value_) = copy.release();
        return S_OK;
    }

private:
    VARIANT value_;
};
