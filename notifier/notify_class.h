// CNotify, the one creatable class, and its class factory.
#pragma once
#include <windows.h>
#include <objbase.h>

#include "OrvoVMNotify_h.h"

namespace orvo::notifier {

// A new CNotify, returned as the interface asked for.
HRESULT CreateNotify(REFIID riid, void** out);
// The class factory of CNotify (one per module, never deleted).
HRESULT GetNotifyClassObject(REFCLSID clsid, REFIID riid, void** out);

}  // namespace orvo::notifier
