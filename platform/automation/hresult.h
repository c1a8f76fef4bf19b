// Status results of the component runtime, in the platform's numbering.
//
// A result is a 32-bit value: bit 31 set means failure, bits 16-26 the facility (2 dispatch, 4 interface,
// 7 the platform's system errors, 10 the control-error family), the low 16 bits the code.
#pragma once
#include <cstdint>
#include "platform/base/types.h"

using HRESULT = std::int32_t;
using SCODE = std::int32_t;
// Scalar types of the runtime's interfaces.
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using ULONG = std::uint32_t;
using FLOAT = float;
using DOUBLE = double;

inline constexpr HRESULT MakeHresult(std::uint32_t value) { return static_cast<HRESULT>(value); }
inline constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline constexpr bool FAILED(HRESULT hr) { return hr < 0; }
inline constexpr std::uint32_t HRESULT_FACILITY(HRESULT hr) { return (static_cast<std::uint32_t>(hr) >> 16) & 0x1FFF; }
inline constexpr std::uint32_t HRESULT_CODE(HRESULT hr) { return static_cast<std::uint32_t>(hr) & 0xFFFF; }
// A system error number (ERROR_...) as a result: 0x8007xxxx; 0 stays S_OK.
inline constexpr HRESULT HRESULT_FROM_WIN32(std::uint32_t error) {
    return error == 0 ? 0 : MakeHresult(0x80070000u | (error & 0xFFFF));
}
// The control-error family: 0x800A0000 + number (a raised library error, 0x800A017C invalid value, ...).
inline constexpr HRESULT MakeControlError(std::uint32_t number) { return MakeHresult(0x800A0000u + (number & 0xFFFF)); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;

inline constexpr HRESULT E_NOTIMPL = MakeHresult(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = MakeHresult(0x80004002);
inline constexpr HRESULT E_POINTER = MakeHresult(0x80004003);
inline constexpr HRESULT E_ABORT = MakeHresult(0x80004004);
inline constexpr HRESULT E_FAIL = MakeHresult(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = MakeHresult(0x8000FFFF);
inline constexpr HRESULT E_ACCESSDENIED = MakeHresult(0x80070005);
inline constexpr HRESULT E_OUTOFMEMORY = MakeHresult(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = MakeHresult(0x80070057);

inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = MakeHresult(0x80020001);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHresult(0x80020003);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeHresult(0x80020004);  // also the missing-argument marker
inline constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHresult(0x80020005);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = MakeHresult(0x80020006);
inline constexpr HRESULT DISP_E_NONAMEDARGS = MakeHresult(0x80020007);
inline constexpr HRESULT DISP_E_BADVARTYPE = MakeHresult(0x80020008);
inline constexpr HRESULT DISP_E_EXCEPTION = MakeHresult(0x80020009);
inline constexpr HRESULT DISP_E_OVERFLOW = MakeHresult(0x8002000A);
inline constexpr HRESULT DISP_E_BADINDEX = MakeHresult(0x8002000B);
inline constexpr HRESULT DISP_E_ARRAYISLOCKED = MakeHresult(0x8002000D);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeHresult(0x8002000E);
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = MakeHresult(0x8002000F);
inline constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = MakeHresult(0x8002802B);

inline constexpr HRESULT STG_E_INVALIDFUNCTION = MakeHresult(0x80030001);
inline constexpr HRESULT STG_E_INVALIDPOINTER = MakeHresult(0x80030009);
inline constexpr HRESULT STG_E_READFAULT = MakeHresult(0x8003001E);
inline constexpr HRESULT STG_E_MEDIUMFULL = MakeHresult(0x80030070);

inline constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHresult(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHresult(0x80040111);
inline constexpr HRESULT REGDB_E_READREGDB = MakeHresult(0x80040150);
inline constexpr HRESULT REGDB_E_WRITEREGDB = MakeHresult(0x80040151);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHresult(0x80040154);
inline constexpr HRESULT CONNECT_E_NOCONNECTION = MakeHresult(0x80040200);
inline constexpr HRESULT CONNECT_E_ADVISELIMIT = MakeHresult(0x80040201);
inline constexpr HRESULT CONNECT_E_CANNOTCONNECT = MakeHresult(0x80040202);
inline constexpr HRESULT CO_E_CLASSSTRING = MakeHresult(0x800401F3);
inline constexpr HRESULT CO_E_DLLNOTFOUND = MakeHresult(0x800401F8);
inline constexpr HRESULT CO_E_ERRORINDLL = MakeHresult(0x800401F9);

// The control-error family the controls use.
inline constexpr HRESULT CTL_E_ILLEGALFUNCTIONCALL = MakeControlError(5);
inline constexpr HRESULT CTL_E_OVERFLOW = MakeControlError(6);
inline constexpr HRESULT CTL_E_OUTOFMEMORY = MakeControlError(7);
inline constexpr HRESULT CTL_E_SUBSCRIPTOUTOFRANGE = MakeControlError(9);
inline constexpr HRESULT CTL_E_TYPEMISMATCH = MakeControlError(13);
inline constexpr HRESULT CTL_E_INVALIDPROPERTYVALUE = MakeControlError(380);
inline constexpr HRESULT CTL_E_INVALIDPROPERTYARRAYINDEX = MakeControlError(381);
inline constexpr HRESULT CTL_E_SETNOTSUPPORTED = MakeControlError(383);
inline constexpr HRESULT CTL_E_GETNOTSUPPORTED = MakeControlError(394);

// A short English text for the results above ("Type mismatch"), or null for any other result.
const char *HresultText(HRESULT hr);
