#include "notifier/notify_class.h"

#include <new>
#include <string>

#include "notifier/mod_notify.h"
#include "base/failure.h"
#include "base/scoped.h"

namespace orvo::notifier {

namespace {

// The type information of _CNotify, from the TYPELIB resource of the module
// that holds this code. IDispatch is served entirely from it.
HRESULT LoadNotifyTypeInfo(ITypeInfo** out) {
    *out = nullptr;
    std::wstring path;
    if (!Resume([&] { path = ModulePath(); })) return E_FAIL;
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Put());
    if (FAILED(hr)) return hr;
    return library->GetTypeInfoOfGuid(IID__CNotify, out);
}

class CNotify final : public _CNotify {
public:
    CNotify() { AddModuleReference(); }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID__CNotify) {
            *out = static_cast<_CNotify*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return n;
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        HRESULT hr = EnsureTypeInfo();
        if (FAILED(hr)) return hr;
        typeInfo_->AddRef();
        *out = typeInfo_.Get();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        HRESULT hr = EnsureTypeInfo();
        if (FAILED(hr)) return hr;
        return DispGetIDsOfNames(typeInfo_.Get(), names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        HRESULT hr = EnsureTypeInfo();
        if (FAILED(hr)) return hr;
        return typeInfo_->Invoke(static_cast<_CNotify*>(this), id, flags, params, result, exception, argError);
    }

    // _CNotify. Never reports a failure: each step of the notice is skipped
    // on its own when it fails.
    HRESULT STDMETHODCALLTYPE Notify(BSTR* strName, BSTR* /*strOther*/) override {
        std::wstring name;
        Resume([&] {
            if (strName && *strName) name.assign(*strName, SysStringLen(*strName));
        });
        NotifyOnThisThread(name);
        return S_OK;
    }

private:
    ~CNotify() { ReleaseModuleReference(); }

    HRESULT EnsureTypeInfo() {
        if (typeInfo_) return S_OK;
        return LoadNotifyTypeInfo(typeInfo_.Put());
    }

    LONG refs_ = 1;
    ComPtr<ITypeInfo> typeInfo_;
};

class NotifyFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is a static object; its references keep the module loaded
    // like the objects do.
    ULONG STDMETHODCALLTYPE AddRef() override {
        AddModuleReference();
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        ReleaseModuleReference();
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return CreateNotify(riid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            AddModuleReference();
        else
            ReleaseModuleReference();
        return S_OK;
    }
};

NotifyFactory g_factory;

}  // namespace

HRESULT CreateNotify(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    CNotify* object = new (std::nothrow) CNotify();
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(riid, out);
    object->Release();
    return hr;
}

HRESULT GetNotifyClassObject(REFCLSID clsid, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid != CLSID_CNotify) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, out);
}

}  // namespace orvo::notifier
