// Class objects: registration data in the registry store, ProgID lookup and creation by ProgID or class
// identifier, which loads the registered module and asks its DllGetClassObject for a class factory.
//
// Registration of a class (HKEY_CLASSES_ROOT; "(default)" is the value with the empty name):
//   <ProgID>                     (default) description; CLSID\(default) {clsid}
//   <VersionIndependentProgID>   (default) description; CLSID\(default) {clsid}; CurVer\(default) <ProgID>
//   CLSID\{clsid}                (default) description; ProgID; VersionIndependentProgID;
//                                InprocServer32 (default) module path, ThreadingModel;
//                                for a control: Programmable, Control, Insertable, ToolboxBitmap32
//                                "<module path>, <bitmap>", MiscStatus (default) "0" and 1\(default) <status>;
//                                TypeLib\(default) {libid}; Version\(default) "<major>.<minor>"
//   TypeLib\{libid}\<major>.<minor>  (default) title; 0\linux64\(default) module path; FLAGS "0"
//   Interface\{iid}              (default) name; TypeLib\(default) {libid}, Version "<major>.<minor>"
#pragma once
#include <string>
#include "platform/automation/typeinfo.h"

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_ALL = 0x17;

struct IClassFactory : IUnknown {
    static constexpr IID kIid{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    virtual HRESULT CreateInstance(IUnknown *outer, REFIID iid, void **out) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;
};
inline constexpr IID IID_IClassFactory = IClassFactory::kIid;

// CO_E_CLASSSTRING for a ProgID that is not registered (a version-independent one is followed to CurVer).
HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID *clsid);
// Loads the module registered for the class (once per process) and calls its DllGetClassObject.
// REGDB_E_CLASSNOTREG for a class without InprocServer32, 0x8007007E when the module does not load,
// CO_E_ERRORINDLL when it has no DllGetClassObject.
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void *reserved, REFIID iid, void **out);
// CLASS_E_NOAGGREGATION for an outer object: the runtime does not aggregate.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown *outer, DWORD context, REFIID iid, void **out);
// Unloads the loaded modules whose DllCanUnloadNow answers S_OK.
void CoFreeUnusedLibraries();

namespace qs::automation {

HRESULT ClsidFromProgId(std::string_view progId, CLSID *clsid);
// REGDB_E_CLASSNOTREG when the class has no ProgID registered.
HRESULT ProgIdFromClsid(REFCLSID clsid, std::string *progId);
// Creation by a ProgID or a braced class identifier.
HRESULT CreateInstanceByName(std::string_view name, REFIID iid, void **out);

// REGDB_E_WRITEREGDB when the store refuses a write.
HRESULT RegisterClassInfo(const ClassInfo &info, const char *modulePath);
// Removes what RegisterClassInfo wrote; the version-independent ProgID only while its CurVer still names
// this class's ProgID. Keys that are already gone are no error.
HRESULT UnregisterClassInfo(const ClassInfo &info);

}  // namespace qs::automation
